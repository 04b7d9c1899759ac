// History records of the uniaxial, interface, thermal and fracture models: field places
// in the file, the fields a copy leaves alone, and the element-dependent start values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "history/history_fixture.h"
#include "model/fileio.h"
#include "support/result_readers.h"
#include "support/testfiles.h"

namespace {

double DoubleAt(const std::vector<uint8_t>& b, size_t at) {
  double v;
  std::memcpy(&v, b.data() + at, 8);
  return v;
}

}  // namespace

// Distinct values in R7, R5 and S land at bytes 16, 96 and 672 of the record.
TEST(UniaxialRecords, Nlmm304FieldsInTheirFilePlaces) {
  int counts[kMaterialKinds + 1] = {};
  counts[MAT_NLMM304] = 1;
  NLMM_HD hd{};
  AllocNLMM_HD(2, &hd, counts);
  InitNLMM_HD(2, &hd, counts);
  NLMM304_HD& r = NLMM_HDCurrent<NLMM304_HD>(&hd, NlmmSlotOfCode(MAT_NLMM304))[1];
  EXPECT_EQ(r.S, 1);
  r.R7 = 7.5;
  r.R5 = 5.25;
  r.S = 3;
  r.Rule[2] = 9;
  r.H[35][2] = 35.5;
  const std::string job = TestJobName();
  {
    FILE* f[kMaterialKinds + 1] = {};
    OpenFile(&f[MAT_NLMM304], job.c_str(), "_NLMM304_HD.bin", "wb", 'N');
    WriteNLMM_HD(f, &hd, counts);
    CloseFile(f[MAT_NLMM304]);
  }
  const std::vector<uint8_t> b = resultfile::ReadFileBytes(job + "_NLMM304_HD.bin");
  const size_t head = 8 + 4 + std::strlen("<NLMM304_HD>") + 1;
  ASSERT_EQ(b.size(), head + 676);
  EXPECT_EQ(DoubleAt(b, head + 16), 7.5);
  EXPECT_EQ(DoubleAt(b, head + 96), 5.25);
  EXPECT_EQ(b[head + 92], 9);  // second rule number
  EXPECT_EQ(DoubleAt(b, head + 104 + 34 * 16 + 8), 35.5);
  EXPECT_EQ(b[head + 672], 3);
  FreeNLMM_HD(2, &hd, counts);
}

// Restore and accept leave R5 of the interface record and E4..E6, K of the fracture
// record in the destination; every other field follows the source.
TEST(UniaxialRecords, CopiesKeepTheDestinationsOwnFields) {
  int counts[kMaterialKinds + 1] = {};
  counts[MAT_NLMM304] = counts[MAT_FRC_MIXFRACTURE_2D] = 1;
  NLMM_HD hd{};
  AllocNLMM_HD(1, &hd, counts);
  InitNLMM_HD(1, &hd, counts);
  NLMM304_HD& c4 = NLMM_HDCurrent<NLMM304_HD>(&hd, NlmmSlotOfCode(MAT_NLMM304))[1];
  NLMM304_HD& v4 = NLMM_HDConverged<NLMM304_HD>(&hd, NlmmSlotOfCode(MAT_NLMM304))[1];
  FRC_MIXFRACTURE_2D_HD& cf = NLMM_HDCurrent<FRC_MIXFRACTURE_2D_HD>(&hd, 0)[1];
  FRC_MIXFRACTURE_2D_HD& vf = NLMM_HDConverged<FRC_MIXFRACTURE_2D_HD>(&hd, 0)[1];
  EXPECT_EQ(cf.K, 0);
  c4.R5 = 1.0;
  c4.R6 = 2.0;
  c4.V3[2] = 3.0;
  for (int j = 1; j <= 6; j++) cf.E[j][8] = j;
  cf.F[3][3] = 9.0;
  cf.G[4] = 4.0;
  cf.K = 7;
  AcceptNLMM_HD(&hd, counts);
  EXPECT_EQ(v4.R5, 0.0);
  EXPECT_EQ(v4.R6, 2.0);
  EXPECT_EQ(v4.V3[2], 3.0);
  EXPECT_EQ(vf.F[3][3], 9.0);
  EXPECT_EQ(vf.G[4], 4.0);
  for (int j = 1; j <= 3; j++) EXPECT_EQ(vf.E[j][8], j);
  for (int j = 4; j <= 6; j++) EXPECT_EQ(vf.E[j][8], 0.0);
  EXPECT_EQ(vf.K, 0);
  vf.E[5][1] = 55.0;
  RestoreNLMM_HD(&hd, counts);
  EXPECT_EQ(c4.R5, 1.0);
  EXPECT_EQ(cf.E[5][1], 0.0);
  EXPECT_EQ(cf.K, 7);
  FreeNLMM_HD(1, &hd, counts);
}

namespace {

MaterialRecord Values(std::initializer_list<double> v) {
  MaterialRecord r{};
  for (double x : v) {
    r.nValues++;
    r.Value[r.nValues] = x;
    r.ValueType[r.nValues] = 'd';
  }
  return r;
}

// One 100 x 100 quad (points 1..4) for the smeared-concrete start values.
struct QuadModel {
  double coords[5][4] = {{0}, {0, 0, 0, 0}, {0, 100, 0, 0}, {0, 100, 100, 0}, {0, 0, 100, 0}};
  double* rows[5];
  int32_t nodes[5] = {0, 1, 2, 3, 4};
  int32_t* elemNodes[2] = {nullptr, nodes};
  int32_t nodeCount[2] = {0, 4};
  void Wire(MeshData& m) {
    for (int i = 0; i < 5; i++) rows[i] = coords[i];
    m.nPoints = 4;
    m.PointCoord = rows;
    m.ElemNodes = elemNodes;
    m.ElemNodeCount = nodeCount;
  }
};

}  // namespace

TEST(UniaxialRecords, StartValuesOfSteelInterfaceThermalAndSmearedConcrete) {
  std::vector<MaterialRecord> steel{{}, Values({7850, 1e-5, 0.002, 400, 0.002, 400, 0.2, 400, 1})};
  std::vector<MaterialRecord> iface{{}, Values({0.5, 0.2, 0.1, 0.2, 0.5, 3.0, 1e3, 1e3})};
  std::vector<MaterialRecord> heat{{}, Values({2400, 0, 2, 1000, 1, 1, 4000, 300, 0.05})};
  std::vector<MaterialRecord> conc{{}};
  for (double option : {2.0, 3.0, 1.0}) {
    MaterialRecord c{};
    for (int k = 1; k <= 15; k++) {
      c.Value[k] = k == 14 ? option : 0.0;
      c.ValueType[k] = k == 14 ? 'i' : 'd';
    }
    c.nValues = 15;
    c.Value[15] = 12.5;
    conc.push_back(c);
  }
  HistModel h;
  QuadModel q;
  h.m.nMaterials[MAT_NLMM201] = 1;
  h.m.Materials[MAT_NLMM201] = steel.data();
  h.m.nMaterials[MAT_NLMM302] = 1;
  h.m.Materials[MAT_NLMM302] = iface.data();
  h.m.nMaterials[MAT_NLMM401] = 1;
  h.m.Materials[MAT_NLMM401] = heat.data();
  h.m.nMaterials[MAT_NLMM211] = 3;
  h.m.Materials[MAT_NLMM211] = conc.data();
  const int r22 = h.AddRule(2, 2);
  h.AddElement(h.AddProp(10, MAT_NLMM211, 1, r22));
  h.AddElement(h.AddProp(10, MAT_NLMM211, 2, r22));
  h.AddElement(h.AddProp(10, MAT_NLMM211, 3, r22));
  h.AddElement(h.AddProp(5, MAT_NLMM201, 1, 0));
  h.AddElement(h.AddProp(27, MAT_NLMM302, 1, 0));
  h.AddElement(h.AddProp(25, MAT_NLMM401, 1, 0));
  h.Wire();
  // Every element on the one quad of nodes 1..4.
  static int32_t* sameNodes[7];
  static int32_t sameCount[7];
  for (int e = 0; e <= 6; e++) {
    sameNodes[e] = q.nodes;
    sameCount[e] = 4;
  }
  q.Wire(h.m);
  h.m.ElemNodes = sameNodes;
  h.m.ElemNodeCount = sameCount;
  h.Build();
  NLMM_HD hd{};
  AllocNLMM_HD(1, &hd, h.counts);
  InitNLMM_HD(1, &hd, h.counts);
  SF_NLMM_HD(1, &h.index, &h.m, h.elemProp.data(), h.elemToHD, &hd, h.counts);
  const NLMM211_HD* c = NLMM_HDConverged<NLMM211_HD>(&hd, NlmmSlotOfCode(MAT_NLMM211));
  ASSERT_EQ(h.counts[MAT_NLMM211], 12);
  EXPECT_NEAR(c[1].Real2[1][1], 100.0, 1e-9);  // option 2: root of the element's area
  EXPECT_NEAR(c[4].Real2[1][2], 100.0, 1e-9);
  EXPECT_NEAR(c[5].Real2[1][1], 50.0, 1e-9);   // option 3: root of a quarter
  EXPECT_NEAR(c[8].Real2[1][2], 50.0, 1e-9);
  EXPECT_EQ(c[9].Real2[1][1], 12.5);           // option 1: the record's length
  EXPECT_EQ(c[9].IntA[1], 1);
  const NLMM201_HD* s = NLMM_HDConverged<NLMM201_HD>(&hd, NlmmSlotOfCode(MAT_NLMM201));
  for (int k = 1; k <= h.counts[MAT_NLMM201]; k++) {
    EXPECT_EQ(s[k].Branch, 1);
    EXPECT_EQ(s[k].Status, 0);
  }
  const NLMM302_HD* i = NLMM_HDConverged<NLMM302_HD>(&hd, NlmmSlotOfCode(MAT_NLMM302));
  ASSERT_GE(h.counts[MAT_NLMM302], 1);
  EXPECT_EQ(i[1].InUse, 1);
  EXPECT_EQ(i[1].Value[1], 0.0);
  EXPECT_EQ(i[1].Value[2], 3.0);  // the tensile strength
  const NLMM401_HD* t = NLMM_HDConverged<NLMM401_HD>(&hd, NlmmSlotOfCode(MAT_NLMM401));
  ASSERT_GE(h.counts[MAT_NLMM401], 1);
  EXPECT_EQ(t[1].AlphaT, 0.05);
  FreeNLMM_HD(1, &hd, h.counts);
}
