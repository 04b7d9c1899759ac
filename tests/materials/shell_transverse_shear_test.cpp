// The transverse shear entries of a shell point of _NLMM142: its plastic status 3 counts
// as uncracked, 4 as cracked, and another status of a material with a transverse law is
// refused; the law is the one of _NLMM104 on the _NLMM142 slots.
#include <gtest/gtest.h>

#include "materials/crack/plane_plastic_cracks.h"
#include "support/crack_material.h"

// Linear law at slots 99-101: strength 1, G_f,t 0.05, band 100, Ds 1000: g_p 1e-3,
// g_u 2e-3.
TEST(ShellTransverseShear, PlasticStatusesOfTheCrackPlasticPoint) {
  CrackMat c = CrackConcrete(MAT_NLMM142, 0.1);
  StartedCrackRecord p(c);
  NLMM142_HD& r = *static_cast<NLMM142_HD*>(p.r);
  ZeroMatrix Ds(2, 2), D(2, 2);
  Ds.A[1][1] = Ds.A[2][2] = 1000.0;
  double tau[3];
  const double g0[3] = {0, 1.0e-3, 0.5e-3}, g1[3] = {0, 1.5e-3, -0.5e-3}, g2[3] = {0, 3e-3, 0.0};
  // Without a transverse law every status is elastic.
  r.Pl.PointStatus = 7;
  CalcShearStress_OP_NLMM142(c.m, r, Ds.A, g2, tau);
  EXPECT_EQ(tau[1], 3.0);
  c.Set(99, 1).Set(100, 1.0).Set(101, 0.05);
  // Plastic but uncracked: elastic past the strength, the law not loaded.
  r.Pl.PointStatus = 3;
  CalcShearStress_OP_NLMM142(c.m, r, Ds.A, g2, tau);
  EXPECT_EQ(tau[1], 3.0);
  EXPECT_EQ(r.Cr.PointByteA, 1);
  CalcMat_Ds_NLMM142(c.m, r, Ds.A, D.A);
  EXPECT_EQ(D.A[1][1], 1000.0);
  // Plastic and cracked: cracks at the strength, then softens and keeps g and tau.
  r.Pl.PointStatus = 4;
  CalcShearStress_OP_NLMM142(c.m, r, Ds.A, g0, tau);
  EXPECT_NEAR(tau[1], 1.0, 1e-12);
  EXPECT_EQ(r.Cr.PointByteA, 0);
  CalcShearStress_OP_NLMM142(c.m, r, Ds.A, g1, tau);
  EXPECT_NEAR(tau[1], 0.5, 1e-12);
  EXPECT_NEAR(tau[2], -0.5, 1e-12);
  EXPECT_EQ(r.Cr.PointVectorA[1], 1.5e-3);
  EXPECT_NEAR(r.Cr.PointVectorB[1], 0.5, 1e-12);
  CalcMat_Ds_NLMM142(c.m, r, Ds.A, D.A);
  EXPECT_NEAR(D.A[1][1], 0.5 / 1.5e-3, 1e-9);
  EXPECT_EQ(D.A[2][2], 1000.0);
  r.Pl.PointStatus = 5;
  EXPECT_DEATH(CalcMat_Ds_NLMM142(c.m, r, Ds.A, D.A), "INTERNAL ERROR");
  EXPECT_DEATH(CalcShearStress_OP_NLMM142(c.m, r, Ds.A, g1, tau), "INTERNAL ERROR");
}
