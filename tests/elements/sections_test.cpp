#include "elements/kernel.h"
#include "test_util.h"

TEST(Sections, NodeRecordsDirectAndByPattern) {
  int rec[5] = {0, 0, 0, 0, 0};
  CalcNodeGeomRecords(4, 1, kGeomCsArea, kGeomCsArea, 3, 0, 0, nullptr, 3, rec);
  for (int k = 1; k <= 4; k++) EXPECT_EQ(rec[k], 3);
  const int pattern[5] = {0, 2, 1, 3, 1};
  CalcNodeGeomRecords(4, 1, kGeomPatt, kGeomLamThick, 7, kGeomLamThick, 4, pattern, 3, rec);
  for (int k = 1; k <= 4; k++) EXPECT_EQ(rec[k], pattern[k]);
  // Varying thicknesses: at the centre of a 4-node quadrilateral the value is their mean.
  const double table[4] = {0, 0.2, 0.3, 0.5};
  double t[5], N[5];
  for (int k = 1; k <= 4; k++) t[k] = table[rec[k]];
  const double c[3] = {0, 0, 0};
  CalcShapeFuncQuad(4, N, c);
  EXPECT_NEAR(dotd1(N, t, 4), (0.3 + 0.2 + 0.5 + 0.2) / 4, 1e-15);
}

TEST(Sections, Section3DValuesInElementOrder) {
  double rec[12];
  for (int j = 1; j <= 11; j++) rec[j] = 100 + j;
  Mat V(11, 2);
  int nodeRec[3];
  CalcNodeGeomRecords(2, 1, kGeomCs3D, kGeomCs3D, 1, 0, 0, nullptr, 1, nodeRec);
  for (int k = 1; k <= 2; k++) {
    EXPECT_EQ(nodeRec[k], 1);
    SetSection3DNodeValues(k, rec, V);
  }
  const int from[12] = {0, 11, 1, 9, 10, 5, 6, 7, 8, 2, 3, 4};
  for (int j = 1; j <= 11; j++)
    for (int k = 1; k <= 2; k++) EXPECT_EQ(V[j][k], 100 + from[j]);
}

TEST(Sections, LayerGeometry) {
  Mat th(2, 4);
  for (int k = 1; k <= 4; k++) {
    th[1][k] = 0.1;
    th[2][k] = 0.3;
  }
  double N[5] = {0, 0.1, 0.2, 0.3, 0.4}, total = 0, zb[3], zm[3], zt[3], t[3];
  CalcLayerGeomFromNodal(2, 4, th, N, &total, zb, zm, zt, t);
  EXPECT_NEAR(total, 0.4, 1e-15);
  EXPECT_NEAR(t[1], 0.1, 1e-15);
  EXPECT_NEAR(zb[1], -0.2, 1e-15);
  EXPECT_NEAR(zm[1], -0.15, 1e-15);
  EXPECT_NEAR(zt[1], -0.1, 1e-15);
  EXPECT_NEAR(zb[2], -0.1, 1e-15);
  EXPECT_NEAR(zm[2], 0.05, 1e-15);
  EXPECT_NEAR(zt[2], 0.2, 1e-15);
}

TEST(SectionsDeath, RecordsOutsideTheirTables) {
  int rec[5];
  const int pattern[5] = {0, 2, 1, 4, 1};
  EXPECT_EXIT(CalcNodeGeomRecords(4, 6, kGeomCs2D, kGeomCsArea, 1, 0, 0, nullptr, 3, rec), testing::ExitedWithCode(1),
              kInternal);
  EXPECT_EXIT(CalcNodeGeomRecords(4, 6, kGeomCsArea, kGeomCsArea, 4, 0, 0, nullptr, 3, rec),
              testing::ExitedWithCode(1),
              Lit("\nReading the geometric properties of element property record n. 6\n   -> Record: 4\n\nERROR:\n"
                  "The element property refers to a geometric record that does not exist.\n"));
  EXPECT_EXIT(CalcNodeGeomRecords(4, 6, kGeomPatt, kGeomCsArea, 2, kGeomCsArea, 4, pattern, 3, rec),
              testing::ExitedWithCode(1),
              Lit("   -> Record: 4\n\nERROR:\nThe geometry pattern refers to a geometric record that does not exist."));
  EXPECT_EXIT(CalcNodeGeomRecords(4, 6, kGeomPatt, kGeomCsArea, 2, kGeomCsArea, 3, pattern, 9, rec),
              testing::ExitedWithCode(1), Lit("The geometry pattern has fewer entries than the element has nodes."));
  EXPECT_EXIT(CalcNodeGeomRecords(4, 6, kGeomPatt, kGeomCsArea, 2, kGeomLamThick, 4, pattern, 9, rec),
              testing::ExitedWithCode(1), Lit("The geometry pattern refers to records of another geometric kind."));
}
