// History-data index: record numbers of single-material and layered elements, the
// record counts per model, and the refusals of element types and unsized slots.
#include <gtest/gtest.h>

#include "history/history_fixture.h"

TEST(HistoryIndex, RecordsRunOverTheMeshElementAfterElement) {
  HistModel h;
  BuildNumberingModel(h);
  EXPECT_EQ(h.elemToHD[1], 1);
  EXPECT_EQ(h.elemToHD[2], 0);  // linear: no history data
  EXPECT_EQ(h.elemToHD[3], 2);
  EXPECT_EQ(h.elemToHD[4], 3);
  ASSERT_EQ(h.index.nSingle, 3);
  ASSERT_EQ(h.index.SingleSlots[1], 6);
  ASSERT_EQ(h.index.SingleSlots[2], 4);
  ASSERT_EQ(h.index.SingleSlots[3], 8);
  for (int k = 1; k <= 6; k++) EXPECT_EQ(RecordOfSingle_HD(&h.index, 1, k), k);
  for (int k = 1; k <= 4; k++) EXPECT_EQ(RecordOfSingle_HD(&h.index, 2, k), 6 + k);
  for (int k = 1; k <= 8; k++) EXPECT_EQ(RecordOfSingle_HD(&h.index, 3, k), k);
  for (int c = 1; c <= kMaterialKinds; c++) EXPECT_EQ(h.counts[c], c == MAT_NLMM121 ? 10 : c == MAT_NLMM124 ? 8 : 0);
  EXPECT_EQ(h.index.nLayered + h.index.nPattern + h.index.nFibrous + h.index.nDiscontinuity, 0);
}

TEST(HistoryIndex, IntegrationPointsOfTheRules) {
  HistModel h;
  const int r = h.AddRule(3, 2, 2);
  h.Wire();
  struct Case {
    int type, rule, expected;
  } cases[] = {{10, 0, 4}, {24, 0, 8}, {3, 0, 2}, {10, r, 6}, {24, r, 12}, {3, r, 3}, {20, r, 6}, {22, r, 12}};
  for (const Case& c : cases) {
    ElementProperty p{};
    p.ElementType = c.type;
    p.IntegrationNumber = c.rule;
    EXPECT_EQ(CalcN_nIP(p, 'G', &h.m), c.expected) << c.type << " " << c.rule;
  }
  ElementProperty p{};
  p.ElementType = 26;  // interface point: no integration dimension
  EXPECT_DEATH(CalcN_nIP(p, 'G', &h.m), kInternal);
  p.ElementType = 10;
  EXPECT_DEATH(CalcN_nIP(p, 'X', &h.m), kInternal);
}

TEST(HistoryIndexDeath, PlaneStrainOwenFigueirasStopsBeforeAllocation) {
  HistModel h;
  const int c = h.AddConcrete(h.mats121, 30.0);
  h.AddElement(h.AddProp(10, MAT_NLMM121, c, 0));
  h.AddElement(h.AddProp(13, MAT_NLMM121, c, 0));
  h.Wire();
  Index_HD index{};
  int* map = nullptr;
  EXPECT_DEATH(CalcElementToIndex_HD(&index, &h.m, h.elemProp.data(), &map), kInternal);
  EXPECT_EQ(map, nullptr);
}

TEST(HistoryIndex, LayeredShellSizedForTheShellPoints) {
  HistModel h;
  const int c = h.AddConcrete(h.mats121, 30.0);
  const int pat = h.AddLayerPattern({{MAT_LIN_ISO, 1}, {MAT_NLMM121, c}, {MAT_LIN_ISO, 1}});
  h.AddElement(h.AddProp(20, MAT_LAY_PATT, pat, 0));
  h.Build();
  ASSERT_EQ(h.index.nLayered, 1);
  // The shells visit 3 x 3 points with their default rule, not the 4 of a plane quad.
  ASSERT_EQ(h.index.LayeredSlots[1], 9);
  ASSERT_EQ(h.index.LayeredLayers[1], 3);
  for (int k = 1; k <= 9; k++) {
    EXPECT_EQ(RecordOfLayer_HD(&h.index, 1, k, 1), 0);
    EXPECT_EQ(RecordOfLayer_HD(&h.index, 1, k, 2), k);
    EXPECT_EQ(RecordOfLayer_HD(&h.index, 1, k, 3), 0);
  }
  EXPECT_EQ(h.counts[MAT_NLMM121], 9);
  // A point or layer beyond the sized rows is a program error, never a read past the row.
  EXPECT_DEATH(RecordOfLayer_HD(&h.index, 1, 10, 2), kInternal);
  EXPECT_DEATH(RecordOfLayer_HD(&h.index, 1, 1, 4), kInternal);
  EXPECT_DEATH(RecordOfLayer_HD(&h.index, 2, 1, 1), kInternal);
  EXPECT_DEATH(RecordOfSingle_HD(&h.index, 1, 1), kInternal);
}

TEST(HistoryIndex, LayeredShellWithAGivenRuleAndAllLinearLayers) {
  HistModel h;
  const int r = h.AddRule(2, 3, 2);
  const int pat = h.AddLayerPattern({{MAT_LIN_ISO, 1}, {MAT_LIN_ORTHO, 1}});
  h.AddElement(h.AddProp(22, MAT_LAY_PATT, pat, r));
  h.Build();
  ASSERT_EQ(h.index.LayeredSlots[1], 6);  // c1 c2 in-plane points of the Ahmad shell
  for (int k = 1; k <= 6; k++)
    for (int L = 1; L <= 2; L++) EXPECT_EQ(RecordOfLayer_HD(&h.index, 1, k, L), 0);
  for (int c = 1; c <= kMaterialKinds; c++) EXPECT_EQ(h.counts[c], 0);
}

TEST(HistoryIndexDeath, LayerOfAModelWithoutAPlaceInShells) {
  HistModel h;
  const int c = h.AddConcrete(h.mats124, 30.0);
  const int pat = h.AddLayerPattern({{MAT_NLMM124, c}});
  h.AddElement(h.AddProp(20, MAT_LAY_PATT, pat, 0));
  EXPECT_DEATH(h.Build(), kInternal);
}

TEST(HistoryIndex, PatternComponentsAndFibresTakeTheirOwnCounters) {
  HistModel h;
  // Material pattern on a hexahedron: a linear component, maturity, Kelvin chain.
  MaterialPattern mp{};
  int32_t kinds[4] = {0, MAT_LIN_ISO, MAT_NLMM173, MAT_NLMM174};
  int32_t numbers[4] = {0, 1, 1, 1};
  mp.nComponents = 3;
  mp.Kind = kinds;
  mp.Number = numbers;
  MaterialPattern patterns[2] = {MaterialPattern{}, mp};
  // Fibrous mesh: group 1 fibres 1-2 linear, group 2 left out (first fibre 0), group 3
  // fibre 5 linear with a 3-point rule.
  const int r3 = h.AddRule(3, 0);
  FibrousElementProperty groups[4] = {};
  const int32_t g1[9] = {0, 1, 1, 1, 2, MAT_LIN_ISO, 1, INTEG_GLEG, 0};
  const int32_t g2[9] = {0, 1, 1, 0, 0, MAT_NLMM201, 1, INTEG_GLEG, 0};
  const int32_t g3[9] = {0, 1, 1, 5, 5, MAT_LIN_ISO, 1, INTEG_GLEG, r3};
  std::memcpy(groups[1].v, g1, sizeof g1);
  std::memcpy(groups[2].v, g2, sizeof g2);
  std::memcpy(groups[3].v, g3, sizeof g3);
  FibrousMesh fm[2] = {};
  fm[1].nProperties = 3;
  fm[1].Properties = groups;
  h.AddElement(h.AddProp(24, MAT_NLMM_PATT, 1, 0));
  h.AddElement(h.AddProp(8, MAT_FIB_MESH, 1, 0));
  h.AddElement(h.AddProp(24, MAT_NLMM_PATT, 1, 0));
  h.Wire();
  h.m.nNlmmPatterns = 1;
  h.m.NlmmPatterns = patterns;
  h.m.Main.nFibrousMeshes = 1;
  h.m.FibrousMeshes = fm;
  h.Build();
  ASSERT_EQ(h.index.nPattern, 2);
  ASSERT_EQ(h.index.nFibrous, 1);
  EXPECT_EQ(h.elemToHD[3], 2);
  for (int e = 1; e <= 2; e++)
    for (int k = 1; k <= 8; k++) {
      EXPECT_EQ(RecordOfComponent_HD(&h.index, e, k, 1), 0);
      EXPECT_EQ(RecordOfComponent_HD(&h.index, e, k, 2), 8 * (e - 1) + k);
      EXPECT_EQ(RecordOfComponent_HD(&h.index, e, k, 3), 8 * (e - 1) + k);
    }
  // A point's records in the pattern's order, as the composed point takes them.
  int records[4] = {-1, -1, -1, -1};
  EXPECT_EQ(RecordsOfPatternPoint_HD(&h.index, 2, 5, 3, records), 3);
  EXPECT_EQ(records[1], 0);
  EXPECT_EQ(records[2], 13);
  EXPECT_EQ(records[3], 13);
  EXPECT_DEATH(RecordsOfPatternPoint_HD(&h.index, 2, 5, 2, records), kInternal);
  EXPECT_DEATH(RecordsOfPatternPoint_HD(&h.index, 2, 9, 3, records), kInternal);
  EXPECT_DEATH(RecordsOfPatternPoint_HD(&h.index, 3, 1, 3, records), kInternal);
  EXPECT_EQ(h.counts[MAT_NLMM173], 16);
  EXPECT_EQ(h.counts[MAT_NLMM174], 16);
  // Two beam points; three fibres (1, 2, 5); at most 9 sub-points; all linear.
  EXPECT_EQ(h.index.FibrousSlots[1], 2);
  EXPECT_EQ(h.index.FibrousFibres[1], 3);
  EXPECT_EQ(h.index.FibrousSubPoints[1], 9);
  for (int k = 1; k <= 2; k++)
    for (int f = 1; f <= 3; f++)
      for (int q = 1; q <= 9; q++) EXPECT_EQ(RecordOfFibre_HD(&h.index, 1, k, f, q), 0);
  EXPECT_DEATH(RecordOfFibre_HD(&h.index, 1, 1, 4, 1), kInternal);
  EXPECT_EQ(h.counts[MAT_NLMM201], 0);
}
