// Named steps of time-dependent concrete at a solid point: the shrinkage increment since
// the record's last update, and the Kelvin unit strains at the start of creep and over a
// step, with the instantaneous limit of a step of no duration.
#include <gtest/gtest.h>

#include <cmath>

#include "materials/solid_pattern.h"
#include "materials/time_dependent_concrete.h"
#include "numcore/numcore.h"
#include "support/crack_material.h"

TEST(ShrinkStrainIncrement, TakesOnlyWhatTheRecordDoesNotHold) {
  CrackMat c(MAT_NLMM171);
  c.m.Value[1] = 1;  // drying on
  c.m.Value[2] = 1;  // autogenous on
  c.Set(67, 7.0).Set(68, 100.0).Set(69, 38.0).Set(70, 60.0).Set(71, 2);
  NLMM171_HD h{};
  double v1[7] = {}, v2[7] = {};
  h.Vec[kAutogenousShrink] = v1;
  h.Vec[kDryingShrink] = v2;
  double total[7] = {}, d[7] = {}, sum = 0.0;
  for (double t : {10.0, 21.0, 21.0, 35.0}) {
    CalcShrinkStrainIncr_NLMM171(c.m, 6, t, h, d);
    sum += d[1];
    for (int i = 4; i <= 6; i++) EXPECT_EQ(d[i], 0.0);
    EXPECT_EQ(d[1], d[3]);
    EXPECT_EQ(h.Time, t);
  }
  // The increments add up to the total strain at the last age; the repeated age added 0.
  CalcShrinkStrain_NLMM171(c.m, 6, 35.0, total);
  EXPECT_NEAR(sum, total[1], 1e-18);
  EXPECT_NEAR(total[1], -2.126040e-4, 1e-10);
  // A part switched off adds nothing and keeps its stored strain.
  c.m.Value[1] = 2;
  v2[1] = 123.0;
  CalcShrinkStrainIncr_NLMM171(c.m, 6, 50.0, h, d);
  EXPECT_EQ(v2[1], 123.0);
  double a[7] = {};
  CalcAutoShrinkStrain_NLMM171(c.m, 6, 50.0, a);
  CalcAutoShrinkStrain_NLMM171(c.m, 6, 35.0, total);
  EXPECT_DOUBLE_EQ(d[1], a[1] - total[1]);
}

TEST(KelvinUnitStrains, StartFromTheStressAndDecayOverAStep) {
  // C of nu 0.25; stress (and its step increment) on two components, two units.
  double** C;
  allocd2(&C, 6, 6);
  zerod2(C, 6, 6);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) C[i][j] = i == j ? 1.0 : -0.25;
  C[4][4] = C[5][5] = C[6][6] = 2.5;
  double stress[7] = {0, -10.0, 0, 0, 4.0, 0, 0}, dstress[7] = {0, 2.0, 0, 0, 0, 0, 0};
  NLMM111_HD h111{};
  h111.Stress = stress;
  h111.StrainAux = dstress;
  NLMM174_HD h174{};
  allocd2(&h174.UnitStrain, 6, 10);
  zerod2(h174.UnitStrain, 6, 10);
  const double E[3] = {0, 1000.0, 4000.0}, tau[3] = {0, 5.0, 50.0};
  InitKelvinUnitStrains(2, 6, h111, h174, C, E);
  EXPECT_DOUBLE_EQ(h174.UnitStrain[1][1], -10.0 / 1000.0);
  EXPECT_DOUBLE_EQ(h174.UnitStrain[2][2], 2.5 / 4000.0);
  EXPECT_DOUBLE_EQ(h174.UnitStrain[4][1], 10.0 / 1000.0);
  EXPECT_EQ(h174.UnitStrain[1][3], 0.0);  // columns beyond the chain untouched
  // Over dt: x G + (1 - x) tau / dt (C dsigma) / E.
  const double G11 = h174.UnitStrain[1][1], G22 = h174.UnitStrain[2][2];
  UpdateKelvinUnitStrains(2, 6, 2.0, h111, h174, C, E, tau);
  const double x1 = std::exp(-2.0 / 5.0), x2 = std::exp(-2.0 / 50.0);
  EXPECT_NEAR(h174.UnitStrain[1][1], x1 * G11 + (1.0 - x1) * 5.0 / 2.0 * 2.0 / 1000.0, 1e-17);
  EXPECT_NEAR(h174.UnitStrain[2][2], x2 * G22 + (1.0 - x2) * 50.0 / 2.0 * -0.5 / 4000.0, 1e-17);
  // A step of no duration: the unit strains take the stress step in full, as the
  // effective modulus does (instantaneous loading).
  const double G = h174.UnitStrain[1][2];
  UpdateKelvinUnitStrains(2, 6, 0.0, h111, h174, C, E, tau);
  EXPECT_DOUBLE_EQ(h174.UnitStrain[1][2], G + 2.0 / 4000.0);
  EXPECT_TRUE(std::isfinite(h174.UnitStrain[1][1]));
  freed2(h174.UnitStrain);
  freed2(C);
}
