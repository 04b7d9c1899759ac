// Drucker-Prager and Mohr-Coulomb plasticity at one point: first yield under uniaxial
// paths, perfect plasticity in compression and shear, the cohesion and friction laws,
// softening along the cohesion law, the plane-strain record order and the consistent
// tangent against central differences of the update.
#include <gtest/gtest.h>

#include <cmath>

#include "materials/plasticity/drucker_prager.h"
#include "materials/plasticity/owen_figueiras.h"
#include "model/mesh.h"
#include "support/material_driver.h"

using matdriver::ContinuumPoint;

namespace {

constexpr double kE = 30000.0, kPhi30 = 3.14159265358979323846 / 6.0;

MaterialRecord Frictional(double nu, int criterion, int cohesionLaw, double c0, double kappaC, int frictionLaw,
                          double phi0, double phi1, double kappaPhi) {
  return matdriver::RecordWithInts({0.0, 0.0, nu, kE, double(criterion), double(cohesionLaw), c0, kappaC,
                                    double(frictionLaw), phi0, phi1, kappaPhi},
                                   {5, 6, 9});
}

MaterialRecord Laws1(int criterion, double phi, double nu = 0.0) {
  return Frictional(nu, criterion, 1, 10.0, 1.0, 1, phi, phi, 1.0);
}

const std::vector<bool> kLateralFree{false, true, true, true, true, true};

}  // namespace

TEST(Nlmm124, AccessorsReadTheirValues) {
  const MaterialRecord m = Frictional(0.21, 3, 2, 7.0, 8.0, 3, 0.1, 0.11, 12.0);
  const Nlmm124Material p = Nlmm124Parameters(m);
  EXPECT_EQ(p.nu, 0.21);
  EXPECT_EQ(p.E, kE);
  EXPECT_EQ(p.criterion, 3);
  EXPECT_EQ(p.cohesionLaw, 2);
  EXPECT_EQ(p.c0, 7.0);
  EXPECT_EQ(p.kappaC, 8.0);
  EXPECT_EQ(p.frictionLaw, 3);
  EXPECT_EQ(p.phi0, 0.1);
  EXPECT_EQ(p.phi1, 0.11);
  EXPECT_EQ(p.kappaPhi, 12.0);
  const Nlmm121Material c = Nlmm121Parameters(matdriver::Record({1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(c.nu, 3);
  EXPECT_EQ(c.E, 4);
  EXPECT_EQ(c.fc, 5);
  EXPECT_EQ(c.epsc1, 6);
  EXPECT_EQ(c.alpha0, 7);
}

TEST(Nlmm124, FirstYieldUnderUniaxialStrain) {
  // nu = 0: a strain e11 alone gives the uniaxial stress E e11.
  struct Case {
    int criterion;
    double compression, tension;
  };
  const Case cases[] = {{1, 34.641016, 11.547005}, {2, 20.784610, 11.547005}, {3, 34.641016, 14.846149}};
  for (const Case& c : cases)
    for (double sign : {-1.0, 1.0}) {
      const double f = sign < 0 ? c.compression : c.tension;
      for (double factor : {1.0 - 1e-6, 1.0 + 1e-4}) {
        ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Laws1(c.criterion, kPhi30));
        std::vector<double> de{sign * factor * f / kE, 0, 0, 0, 0, 0};
        p.Step(de, std::vector<bool>(6, false));
        EXPECT_EQ(p.Record<NLMM124_HD>().LoadingState, factor < 1.0 ? 1 : 2) << c.criterion << " " << sign;
      }
    }
}

TEST(Nlmm124, PerfectPlasticityInCompressionAndShear) {
  for (int criterion : {1, 2, 3}) {
    // Uniaxial compression, lateral stresses held at zero: 2c for phi = 0.
    ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Laws1(criterion, 0.0, 0.2));
    double eps = 0.0;
    for (int k = 1; k <= 30; k++) {
      std::vector<double> de{-1e-4, 0, 0, 0, 0, 0};
      eps -= 1e-4;
      const std::vector<double> s = p.Step(de, kLateralFree);
      if (eps < -21.0 / kE) {
        EXPECT_NEAR(s[0], -20.0, 1e-5) << criterion << " " << eps;
      }
    }
    // Pure shear, normal stresses held at zero: k = 2c/sqrt3 (Drucker-Prager), c (Mohr-Coulomb).
    ContinuumPoint q(MAT_NLMM124, _SOLID_HEXA, Laws1(criterion, 0.0, 0.2));
    const double tau = criterion == 1 ? 10.0 : 11.547005;
    std::vector<double> s;
    for (int k = 1; k <= 20; k++) {
      std::vector<double> de{0, 0, 0, 0, 0, 1e-4};
      s = q.Step(de, {true, true, true, true, true, false});
    }
    EXPECT_NEAR(s[5], tau, 1e-5) << criterion;
  }
}

TEST(Nlmm124, CohesionAndFrictionLaws) {
  const double e = std::exp(1.0);
  for (int law : {2, 3}) {
    const Nlmm124Material p = Nlmm124Parameters(Frictional(0.2, 1, law, 10.0, 0.002, 2, 0.2, 0.5, 0.003));
    EXPECT_NEAR(CalcCohesionFunc_NLMM124(p, 0.002).f, 3.678794, 1e-6);
    EXPECT_NEAR(CalcCohesionFunc_NLMM124(p, 0.0).f, 10.0, 1e-15);
    EXPECT_NEAR(CalcFricAngleFunc_NLMM124(p, 0.003).f, 0.5 - 0.3 / e, 1e-12);
    // Derivatives against differences of the functions.
    for (double k : {0.0007, 0.0021}) {
      const double h = 1e-8;
      const KappaFunction c = CalcCohesionFunc_NLMM124(p, k), f = CalcFricAngleFunc_NLMM124(p, k);
      EXPECT_NEAR(c.df, (CalcCohesionFunc_NLMM124(p, k + h).f - CalcCohesionFunc_NLMM124(p, k - h).f) / (2 * h),
                  1e-5 * std::fabs(c.df));
      EXPECT_NEAR(c.d2f, (CalcCohesionFunc_NLMM124(p, k + h).df - CalcCohesionFunc_NLMM124(p, k - h).df) / (2 * h),
                  1e-5 * std::fabs(c.d2f));
      EXPECT_NEAR(f.df, (CalcFricAngleFunc_NLMM124(p, k + h).f - CalcFricAngleFunc_NLMM124(p, k - h).f) / (2 * h),
                  1e-5 * std::fabs(f.df));
    }
  }
  // Law 3 starts with zero slope.
  const Nlmm124Material g = Nlmm124Parameters(Frictional(0.2, 1, 3, 10.0, 0.002, 1, 0.2, 0.2, 1.0));
  EXPECT_EQ(CalcCohesionFunc_NLMM124(g, 0.0).df, 0.0);
}

TEST(Nlmm124, SofteningCohesionLowersTheStressAlongItsLaw) {
  // Uniaxial compression with phi = 0: s = 2 c(kappa), and kappa is the length of the
  // plastic strain, whose direction stays fixed.
  for (int criterion : {1, 2, 3})
    for (int law : {2, 3}) {
      ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Frictional(0.2, criterion, law, 10.0, 0.002, 1, 0.0, 0.0, 1.0));
      const double kc = 0.002;
      double previous = 20.0;
      int yielded = 0;
      // Up to kappa = 2 kappa_c: beyond, the Gaussian law leaves a stress whose J2
      // falls below the apex guard.
      for (int k = 1; k <= 40; k++) {
        std::vector<double> de{-1e-4, 0, 0, 0, 0, 0};
        const std::vector<double> s = p.Step(de, kLateralFree);
        const NLMM124_HD& r = p.Record<NLMM124_HD>();
        if (r.EqPlasticStrain <= 0.0) continue;
        yielded++;
        const double t = r.EqPlasticStrain / kc;
        const double c = 10.0 * (law == 2 ? std::exp(-t) : std::exp(-t * t));
        EXPECT_NEAR(-s[0], 2.0 * c, 1e-4) << criterion << " " << law << " " << k;
        double norm = 0.0;
        for (int i = 1; i <= 6; i++) norm += r.PlasticStrain[i] * r.PlasticStrain[i];
        EXPECT_NEAR(r.EqPlasticStrain, std::sqrt(norm), 1e-9);
        EXPECT_LE(-s[0], previous + 1e-9);
        previous = -s[0];
      }
      EXPECT_GT(yielded, 30);
      EXPECT_LT(previous, 10.0) << "the cohesion must soften";
    }
}

TEST(Nlmm124, PlaneStrainRecordKeepsTheElementOrder) {
  const double nu = 0.25;
  ContinuumPoint p(MAT_NLMM124, _PLANE_STRAIN_QUAD, Laws1(2, 0.0, nu));
  std::vector<double> de{1e-5, 2e-5, 3e-5};
  const std::vector<double> s = p.Step(de, {false, false, false});
  const NLMM124_HD& r = p.Record<NLMM124_HD>();
  const double l = kE * nu / ((1 + nu) * (1 - 2 * nu)), G = kE / (2 * (1 + nu));
  EXPECT_EQ(r.Strain[1], 1e-5);
  EXPECT_EQ(r.Strain[2], 2e-5);
  EXPECT_EQ(r.Strain[3], 3e-5);
  EXPECT_EQ(r.Strain[4], 0.0);
  EXPECT_NEAR(r.Stress[1], (l + 2 * G) * 1e-5 + l * 2e-5, 1e-9);
  EXPECT_NEAR(r.Stress[3], G * 3e-5, 1e-12);
  EXPECT_NEAR(r.Stress[4], l * 3e-5, 1e-9);
  for (int i = 0; i < 3; i++) EXPECT_EQ(s[i], r.Stress[i + 1]);
  // Plastic pure shear: the plastic strain is the engineering shear, third in the record.
  std::vector<double> shear{0, 0, 2e-3};
  p.Step(shear, {false, false, false});
  ASSERT_EQ(r.LoadingState, 2);
  EXPECT_GT(r.PlasticStrain[3], 0.0);
  EXPECT_EQ(r.PointStatus, 3);
}

TEST(Nlmm124, TangentIsTheDifferenceOfTheUpdate) {
  struct Case {
    int type;
    std::vector<double> de;
  };
  // Shear-dominated paths: Lode angles far from the corners of the hexagon.
  const Case cases[] = {{_PLANE_STRESS_QUAD, {6e-4, -5e-4, 2.5e-4}},
                        {_PLANE_STRAIN_QUAD, {6e-4, -5e-4, 2e-4}},
                        {_SOLID_HEXA, {6e-4, -5e-4, 1e-4, 2e-4, -1e-4, 2e-4}}};
  for (int criterion : {1, 2, 3})
    for (const Case& c : cases) {
      ContinuumPoint p(MAT_NLMM124, c.type, Laws1(criterion, kPhi30, 0.2));
      // Equal steps along the strain direction, small enough that the mapping ends far
      // below its tolerance; the difference of the last.
      std::vector<double> de;
      for (int k = 0; k < 40; k++) {
        de = c.de;
        for (double& x : de) x /= 40.0;
        p.Step(de, std::vector<bool>(de.size(), false));
      }
      ASSERT_EQ(p.Record<NLMM124_HD>().LoadingState, 2) << criterion << " " << c.type;
      const std::vector<double> t = p.Tangent(), fd = p.DifferenceTangent(de, 1e-6);
      for (size_t k = 0; k < t.size(); k++) EXPECT_NEAR(t[k], fd[k], 1e-5 * kE) << criterion << " " << c.type << " " << k;
    }
}

TEST(Nlmm124, UnstressedMohrCoulombPointStaysElastic) {
  ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Laws1(1, kPhi30, 0.2));
  std::vector<double> de(6, 0.0);
  const std::vector<double> s = p.Step(de, std::vector<bool>(6, false));
  EXPECT_EQ(p.Record<NLMM124_HD>().LoadingState, 1);
  for (double v : s) EXPECT_EQ(v, 0.0);
}

TEST(Nlmm124, MappingToTheApexFailsWithItsMessage) {
  for (int criterion : {1, 2}) {
    ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Laws1(criterion, kPhi30, 0.2));
    std::vector<double> de{1e-2, 1e-2, 1e-2, 0, 0, 0};
    EXPECT_EXIT(p.Step(de, std::vector<bool>(6, false)), testing::ExitedWithCode(1),
                "the return mapping algorithm:(.|\n)*_NLMM124(.|\n)*The iterative algorithm did not converge.");
  }
}

TEST(Nlmm124, YieldDerivativesAreCentralDifferences) {
  const double stresses[][7] = {{0, -20, 4, 1, 3, -2, 5}, {0, 8, -3, -12, 1, 2, -4}};
  const KappaFunction c{10.0, -300.0, 2e4}, phi{kPhi30, 40.0, -900.0};
  for (int criterion : {1, 2, 3})
    for (const auto& s0 : stresses) {
      const int n = 6;
      StressInvariants v{};
      YieldDerivs d{};
      AllocStressInvariants(n, &v);
      AllocYieldDerivs(n, &d);
      const auto F = [&](const double* s, double cc, double ph) {
        StressInvariants w{};
        AllocStressInvariants(n, &w);
        CalcStressInvariantsAndDerivs(n, s, &w);
        double eq, f;
        if (criterion == 1)
          CalcMohrCoulombYieldFunc(w.I1, w.J2, w.J3, cc, ph, &eq, &f);
        else
          CalcDruckerPragerYieldFunc(criterion == 2 ? 1.0 : -1.0, w.I1, w.J2, cc, ph, &eq, &f);
        FreeStressInvariants(&w);
        return f;
      };
      const auto Derivs = [&](const double* s, const KappaFunction& cc, const KappaFunction& ph, YieldDerivs* out) {
        StressInvariants w{};
        AllocStressInvariants(n, &w);
        CalcStressInvariantsAndDerivs(n, s, &w);
        if (criterion == 1)
          CalcYieldFuncDerivs_MohrCoulomb_NLMM124(n, w, cc, ph, out);
        else
          CalcYieldFuncDerivs_DruckerPrager_NLMM124(n, criterion == 2 ? 1.0 : -1.0, w, cc, ph, out);
        FreeStressInvariants(&w);
      };
      Derivs(s0, c, phi, &d);
      const double h = 1e-5;
      YieldDerivs dp{}, dm{};
      AllocYieldDerivs(n, &dp);
      AllocYieldDerivs(n, &dm);
      for (int j = 1; j <= n; j++) {
        double sp[7], sm[7];
        for (int i = 1; i <= n; i++) sp[i] = sm[i] = s0[i];
        sp[j] += h;
        sm[j] -= h;
        EXPECT_NEAR(d.a[j], (F(sp, c.f, phi.f) - F(sm, c.f, phi.f)) / (2 * h), 1e-7) << criterion << " " << j;
        Derivs(sp, c, phi, &dp);
        Derivs(sm, c, phi, &dm);
        for (int i = 1; i <= n; i++)
          EXPECT_NEAR(d.A[i][j], (dp.a[i] - dm.a[i]) / (2 * h), 1e-6) << criterion << " " << i << " " << j;
      }
      // kappa through c and phi: F(kappa) with c, phi moved along their derivatives.
      const double k = 1e-6;
      const auto Fk = [&](double t) {
        return F(s0, c.f + c.df * t + 0.5 * c.d2f * t * t, phi.f + phi.df * t + 0.5 * phi.d2f * t * t);
      };
      EXPECT_NEAR(d.Fk, (Fk(k) - Fk(-k)) / (2 * k), 1e-5 * std::max(1.0, std::fabs(d.Fk))) << criterion;
      EXPECT_NEAR(d.Fkk, (Fk(k) - 2 * Fk(0) + Fk(-k)) / (k * k), 1e-3 * std::max(1.0, std::fabs(d.Fkk))) << criterion;
      const KappaFunction pp{phi.f + phi.df * k, phi.df, phi.d2f}, pm{phi.f - phi.df * k, phi.df, phi.d2f};
      Derivs(s0, c, pp, &dp);
      Derivs(s0, c, pm, &dm);
      for (int i = 1; i <= n; i++) EXPECT_NEAR(d.b[i], (dp.a[i] - dm.a[i]) / (2 * k), 1e-5) << criterion << " " << i;
      FreeYieldDerivs(&dm);
      FreeYieldDerivs(&dp);
      FreeYieldDerivs(&d);
      FreeStressInvariants(&v);
    }
}

TEST(Nlmm124, PascalUnitsGiveTheSameStressesScaled) {
  // A compliance in Pa (1/E ~ 3e-11) lies below the absolute guards of the dense
  // solvers; the mapping scales its matrices and gives the MPa result times 1e6.
  std::vector<double> s[2], t[2];
  for (int u = 0; u < 2; u++) {
    const double f = u == 0 ? 1.0 : 1e6;
    const MaterialRecord m = matdriver::RecordWithInts(
        {0.0, 0.0, 0.2, kE * f, 2.0, 1.0, 10.0 * f, 1.0, 1.0, kPhi30, kPhi30, 1.0}, {5, 6, 9});
    ContinuumPoint p(MAT_NLMM124, _PLANE_STRAIN_QUAD, m);
    for (int k = 0; k < 10; k++) {
      std::vector<double> de{-1.2e-4, 3e-5, 4e-5};
      s[u] = p.Step(de, {false, false, false});
    }
    ASSERT_EQ(p.Record<NLMM124_HD>().LoadingState, 2);
    t[u] = p.Tangent();
  }
  for (int i = 0; i < 3; i++) EXPECT_NEAR(s[1][i] / 1e6, s[0][i], 1e-6 * std::fabs(s[0][0]));
  for (int i = 0; i < 9; i++) EXPECT_NEAR(t[1][i] / 1e6, t[0][i], 1e-6 * kE);
}
