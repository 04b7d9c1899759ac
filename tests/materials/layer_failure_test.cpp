// Material axes of a layer and the Tsai-Wu failure check.
#include <gtest/gtest.h>

#include <cmath>

#include "materials/elastic.h"
#include "materials/layer_failure.h"
#include "numcore/numcore.h"
#include "support/material_driver.h"

TEST(LayerFailure, StressTurnsIntoTheMaterialAxes) {
  double **Ts, **R;
  allocd2(&Ts, 3, 3);
  allocd2(&R, 2, 2);
  CalcMat_T_MatCoordSys(M_PI / 6, Ts, R);
  const double s[4] = {0, 8.0, 0.0, 0.0};
  double t[4];
  multd2d1(t, Ts, s, 3, 3);
  EXPECT_NEAR(t[1], 8.0 * 0.75, 1e-12);
  EXPECT_NEAR(t[2], 8.0 * 0.25, 1e-12);
  EXPECT_NEAR(t[3] / 8.0, -0.433013, 1e-6);
  EXPECT_NEAR(R[1][2], 0.5, 1e-15);
  // The invariants of the in-plane stress are kept: trace and s1 s2 - t^2.
  const double g[4] = {0, 3.0, -5.0, 2.0};
  multd2d1(t, Ts, g, 3, 3);
  EXPECT_NEAR(t[1] + t[2], -2.0, 1e-12);
  EXPECT_NEAR(t[1] * t[2] - t[3] * t[3], -15.0 - 4.0, 1e-12);
  freed2(R);
  freed2(Ts);
}

TEST(LayerFailure, TsaiWuIndexAtTheTensileStrength) {
  // Material axes = element axes (identity T, coordinate system of the global axes).
  double** T;
  allocd2(&T, 3, 3);
  zerod2(T, 3, 3);
  setdiagd2(T, 3, 3, 1.0);
  AuxiliaryVector aux[4]{};
  CoordinateSystem cs[2]{};
  for (int i = 1; i <= 3; i++) {
    aux[i].v[i] = 1.0;
    cs[1].AuxVector[i] = i;
  }
  MaterialRecord m = matdriver::RecordWithInts({0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 50, 200, 5, 20, 10}, {10});
  const Nlmm501Material p = Nlmm501Parameters(m);
  EXPECT_EQ(p.coordSystem, 1);
  EXPECT_EQ(p.Xt, 50);
  EXPECT_EQ(p.Xc, 200);
  EXPECT_EQ(p.Yt, 5);
  EXPECT_EQ(p.Yc, 20);
  EXPECT_EQ(p.S, 10);
  NLMM301_HD r{};
  const double at[4] = {0, 50.0, 0.0, 0.0}, above[4] = {0, 50.001, 0.0, 0.0};
  EXPECT_EQ(CalcStress_NLMM501(1, m, &r, T, at, aux, cs), 0);
  EXPECT_NEAR(r.Value[NLMM301_HD::kFailureIndex501], 0.0, 1e-15);  // 0.75 + 0.25 - 1
  EXPECT_EQ(r.Value[NLMM301_HD::kStress501], 50.0);
  // A stress on the limit to its last digits is on it, not past it: one state whichever
  // way the rounding of the solution falls.
  for (int ulps = 1; ulps <= 8; ulps++) {
    const double s1 = 50.0 * (1.0 + ulps * 2.220446049250313e-16);
    const double onLimit[4] = {0, s1, 0.0, 0.0};
    NLMM301_HD q{};
    EXPECT_EQ(CalcStress_NLMM501(1, m, &q, T, onLimit, aux, cs), 0) << ulps;
    EXPECT_LE(q.Value[NLMM301_HD::kFailureIndex501], 0.0) << ulps;
  }
  EXPECT_EQ(CalcStress_NLMM501(1, m, &r, T, above, aux, cs), 1);
  EXPECT_GT(r.Value[NLMM301_HD::kFailureIndex501], 0.0);
  EXPECT_EQ(r.Value[NLMM301_HD::kStress501], 0.0);
  // Failure is permanent: the failed record stays failed at a lower stress, and keeps the
  // largest index; a record that never failed passes there.
  const double failedIndex = r.Value[NLMM301_HD::kFailureIndex501];
  for (const double* s : {at, above}) {
    EXPECT_EQ(CalcStress_NLMM501(1, m, &r, T, s, aux, cs), 1);
    EXPECT_EQ(r.Value[NLMM301_HD::kStress501], 0.0);
    EXPECT_EQ(r.Value[NLMM301_HD::kFailureIndex501], failedIndex);
  }
  NLMM301_HD intact{};
  EXPECT_EQ(CalcStress_NLMM501(1, m, &intact, T, at, aux, cs), 0);
  freed2(T);
}
