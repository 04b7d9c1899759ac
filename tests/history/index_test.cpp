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
