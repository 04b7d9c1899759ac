// Kernels of the plasticity models: the stress invariants against hand values and their
// derivatives against central differences; the CEB-FIP93 hardening against points of
// the compression curve and its modulus against the slope of the yield stress.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "materials/plasticity/ceb_fip93.h"
#include "materials/plasticity/invariants.h"
#include "numcore/numcore.h"
#include "support/small_algebra.h"

namespace {

constexpr const char* kInternal = "INTERNAL ERROR";

double J2Of(int n, const double* s) {
  double v;
  CalcSecondDeviatoricStressInvariant(n, &v, s);
  return v;
}
double J3Of(int n, const double* s) {
  double v;
  CalcThirdDeviatoricStressInvariant(n, &v, s);
  return v;
}
double I1Of(int n, const double* s) {
  double v;
  CalcFirstStressInvariant(n, &v, s);
  return v;
}

}  // namespace

TEST(StressInvariants, UniaxialShearAndHydrostaticStates) {
  const double s = 7.0, t = 3.0;
  for (int n : {3, 4, 6}) {
    double a[7] = {0, s, 0, 0, 0, 0, 0};
    EXPECT_DOUBLE_EQ(I1Of(n, a), s);
    EXPECT_NEAR(J2Of(n, a), s * s / 3.0, 1e-12) << n;
    EXPECT_NEAR(J3Of(n, a), 2.0 * s * s * s / 27.0, 1e-12) << n;
    // Hydrostatic: no deviator, no gradients of J2 and J3.
    double h[7] = {0, -4.0, -4.0, -4.0, 0, 0, 0};
    if (n == 3) h[3] = 0.0;
    if (n != 3) {
      StressInvariants v{};
      AllocStressInvariants(n, &v);
      CalcStressInvariantsAndDerivs(n, h, &v);
      EXPECT_NEAR(v.J2, 0.0, 1e-14);
      EXPECT_NEAR(v.J3, 0.0, 1e-13);
      for (int i = 1; i <= n; i++) {
        EXPECT_NEAR(v.dJ2[i], 0.0, 1e-14);
        EXPECT_NEAR(v.dJ3[i], 0.0, 1e-13);
      }
      FreeStressInvariants(&v);
    }
  }
  // The shear of n = 4 is the 2-3 shear (paired with s11); that of n = 3 the 1-2 shear.
  const double s4[5] = {0, s, 0, 0, t}, s3[4] = {0, s, 0, t};
  EXPECT_NEAR(J3Of(4, s4), 2.0 * s * s * s / 27.0 - (2.0 / 3.0) * s * t * t, 1e-12);
  EXPECT_NEAR(J3Of(3, s3), 2.0 * s * s * s / 27.0 + s * t * t / 3.0, 1e-12);
  const double shear6[7] = {0, 0, 0, 0, 0, 0, t};
  EXPECT_NEAR(J2Of(6, shear6), t * t, 1e-12);
  EXPECT_NEAR(J3Of(6, shear6), 0.0, 1e-12);
  double g[4];
  const double shear3[4] = {0, 0, 0, t};
  CalcDerivSecondDeviatoricStressInvariant(3, g, shear3);
  EXPECT_DOUBLE_EQ(g[3], 2.0 * t);
}

// Nearly hydrostatic stresses, equal components but for round-off: J2 never negative, so
// that its square root in the yield functions is a number (about a third of such states
// came out below zero).
TEST(StressInvariants, NearlyHydrostaticStressHasNoNegativeJ2) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> level(-10.0, 10.0), noise(-1e-15, 1e-15);
  for (int k = 0; k < 1000; k++) {
    const double p = level(gen);
    const double s[7] = {0, p * (1 + noise(gen)), p * (1 + noise(gen)), p * (1 + noise(gen)), 0, 0, 0};
    const double J2 = J2Of(6, s);
    EXPECT_GE(J2, 0.0) << k;
    EXPECT_LT(J2, 1e-13 * p * p) << k;
  }
}

TEST(StressInvariants, GradientsAndHessiansAreCentralDifferences) {
  std::mt19937 gen(24);
  std::uniform_real_distribution<double> u(-20.0, 20.0);
  const double h = 1e-4;
  for (int n : {3, 4, 6}) {
    for (int trial = 0; trial < 5; trial++) {
      double s[7];
      for (int i = 1; i <= n; i++) s[i] = u(gen);
      StressInvariants v{};
      AllocStressInvariants(n, &v);
      CalcStressInvariantsAndDerivs(n, s, &v);
      EXPECT_DOUBLE_EQ(v.I1, I1Of(n, s));
      for (int j = 1; j <= n; j++) {
        double sp[7], sm[7];
        for (int i = 1; i <= n; i++) sp[i] = sm[i] = s[i];
        sp[j] += h;
        sm[j] -= h;
        EXPECT_NEAR(v.dI1[j], (I1Of(n, sp) - I1Of(n, sm)) / (2 * h), 1e-7);
        EXPECT_NEAR(v.dJ2[j], (J2Of(n, sp) - J2Of(n, sm)) / (2 * h), 1e-7);
        EXPECT_NEAR(v.dJ3[j], (J3Of(n, sp) - J3Of(n, sm)) / (2 * h), 1e-7 * std::max(1.0, std::fabs(v.dJ3[j])));
        double gp[7], gm[7], kp[7], km[7];
        CalcDerivSecondDeviatoricStressInvariant(n, gp, sp);
        CalcDerivSecondDeviatoricStressInvariant(n, gm, sm);
        CalcDerivThirdDeviatoricStressInvariant(n, kp, sp);
        CalcDerivThirdDeviatoricStressInvariant(n, km, sm);
        for (int i = 1; i <= n; i++) {
          EXPECT_EQ(v.d2I1[i][j], 0.0);
          EXPECT_NEAR(v.d2J2[i][j], (gp[i] - gm[i]) / (2 * h), 1e-7);
          EXPECT_NEAR(v.d2J3[i][j], (kp[i] - km[i]) / (2 * h), 1e-7) << n << " " << i << " " << j;
        }
      }
      FreeStressInvariants(&v);
    }
  }
}

TEST(StressInvariants, FiveComponentsAreRefused) {
  double s[6] = {0, 1, 2, 3, 4, 5}, g[6];
  EXPECT_DEATH(CalcSecondDeviatoricStressInvariant(5, g, s), kInternal);
  EXPECT_DEATH(CalcDerivFirstStressInvariant(5, g), kInternal);
  EXPECT_DEATH(CalcDerivThirdDeviatoricStressInvariant(5, g, s), kInternal);
}

// A strain tensor written in turned axes keeps its length in every short form: the
// engineering shears enter halved and twice, the tensor shears of a stress twice.
TEST(TensorNorms, LengthsDoNotDependOnTheAxes) {
  const double e[3][3] = {{2e-3, 0.7e-3, -0.4e-3}, {0.7e-3, -1e-3, 0.9e-3}, {-0.4e-3, 0.9e-3, 0.5e-3}};
  double ref = 0.0;
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) ref += e[i][j] * e[i][j];
  ref = std::sqrt(ref);
  for (double a : {0.0, 0.3, 0.7854, 1.9}) {
    // Turned about the axis (1, 2, 2)/3.
    const Mat3 R = Turn({1.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0}, a);
    double t[3][3] = {};
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++)
        for (int k = 0; k < 3; k++)
          for (int l = 0; l < 3; l++) t[i][j] += R[i][k] * R[j][l] * e[k][l];
    const double v6[7] = {0, t[0][0], t[1][1], t[2][2], 2 * t[1][2], 2 * t[0][2], 2 * t[0][1]};
    const double s6[7] = {0, t[0][0], t[1][1], t[2][2], t[1][2], t[0][2], t[0][1]};
    EXPECT_NEAR(TensorStrainNorm(6, v6), ref, 1e-15) << a;
    EXPECT_NEAR(TensorStressNorm(6, s6), ref, 1e-15) << a;
  }
  // Plane forms, turned in their plane: the out-of-plane normal passed apart.
  for (double a : {0.0, 0.5, 0.7854}) {
    const double c = std::cos(a), s = std::sin(a), ex = 1e-3, ey = -2e-3, ez = 0.6e-3;
    const double v3[4] = {0, c * c * ex + s * s * ey, s * s * ex + c * c * ey, 2 * c * s * (ex - ey)};
    const double v4[5] = {0, ez, v3[1], v3[2], v3[3]};
    const double ref2 = std::sqrt(ex * ex + ey * ey + ez * ez);
    EXPECT_NEAR(TensorStrainNorm(3, v3, ez), ref2, 1e-15) << a;
    EXPECT_NEAR(TensorStrainNorm(4, v4), ref2, 1e-15) << a;
  }
  EXPECT_DOUBLE_EQ(TensorShearWeight(4, 4), 0.5);
  EXPECT_DOUBLE_EQ(TensorShearWeight(3, 2), 1.0);
  EXPECT_DEATH(TensorShearWeight(5, 1), kInternal);
}

namespace {

const CebFip93Material kConcrete{30000.0, 30.0, 0.0022, 0.3, kHardeningCebFip93};

}  // namespace

TEST(CebFip93, StrainLimitAndLawOnePoints) {
  double kappaLim, epsLim;
  CalcStrainLim_CEB_FIP93(kConcrete.E, kConcrete.fc, &kappaLim, &epsLim, kConcrete.epsc1);
  const double kappaP = kConcrete.epsc1 - kConcrete.fc / kConcrete.E;
  EXPECT_NEAR(kappaP, 0.0012, 1e-15);
  EXPECT_NEAR(epsLim / kConcrete.epsc1, 1.8262087, 1e-7);
  EXPECT_NEAR(epsLim, 0.0040176592, 1e-10);
  EXPECT_NEAR(kappaLim, 0.0035176592, 1e-10);
  const auto sY = [](double k) { return CalcHardFunc_CEB_FIP93(kConcrete, k, kCebFip93Plasticity); };
  EXPECT_NEAR(sY(0.0), 0.0, 1e-12);
  EXPECT_NEAR(sY(1e-5), 5.246024, 1e-6);
  EXPECT_NEAR(sY(kappaP), 30.0, 1e-9);
  EXPECT_NEAR(sY(kappaLim), 15.0, 1e-8);
  double first, second;
  CalcHardFuncFirstBranch_CEB_FIP93(kConcrete.E, kConcrete.fc, kappaLim, &first, epsLim, kConcrete.epsc1);
  ASSERT_TRUE(CalcHardFuncSecondBranch_CEB_FIP93(kConcrete.E, kConcrete.fc, kappaLim, &second, epsLim,
                                                 kConcrete.epsc1, 1000));
  EXPECT_NEAR(first, 15.0, 1e-8);
  EXPECT_NEAR(second, 15.0, 1e-8);
  EXPECT_NEAR(sY(2.0 * kappaLim), 2.466482, 1e-6);
  // Every point lies on the curve: s = fc (r eta - eta^2)/(1 + (r - 2) eta) below
  // eps_lim, s (p eps^2 + q eps) = fc beyond, with eps = kappa + s/E.
  const double r = kConcrete.E * kConcrete.epsc1 / kConcrete.fc;
  for (double k : {2e-4, 0.0008, 0.002, 0.003}) {
    const double eta = (k + sY(k) / kConcrete.E) / kConcrete.epsc1;
    EXPECT_NEAR(sY(k), kConcrete.fc * (r * eta - eta * eta) / (1.0 + (r - 2.0) * eta), 1e-9);
  }
}

TEST(CebFip93, LawTwoRisesToThePeakAndStays) {
  CebFip93Material m = kConcrete;
  m.law = kHardeningPerfectPlastic;
  const double kappaP = 0.0012;
  EXPECT_NEAR(CalcHardFunc_CEB_FIP93(m, 0.0, kCebFip93Plasticity), 9.0, 1e-9);
  EXPECT_NEAR(CalcHardFunc_CEB_FIP93(m, kappaP / 2, kCebFip93Plasticity), 27.204951, 1e-6);
  EXPECT_NEAR(CalcHardFunc_CEB_FIP93(m, kappaP, kCebFip93Plasticity), 30.0, 1e-9);
  EXPECT_DOUBLE_EQ(CalcHardFunc_CEB_FIP93(m, 0.01, kCebFip93Plasticity), 30.0);
  EXPECT_DOUBLE_EQ(CalcHardModulus_CEB_FIP93(m, 0.01, kCebFip93Plasticity), 30000.0 * 1e-8);
  // The rising plateau of the solid crack model.
  const CebFip93Variant rising{50, 10000.0};
  EXPECT_NEAR(CalcHardFunc_CEB_FIP93(m, 0.01, rising), 30.0 + 30.0 * (0.01 - kappaP) / (10000.0 - kappaP), 1e-12);
  EXPECT_DEATH(CalcHardFunc_CEB_FIP93(m, -1e-9, kCebFip93Plasticity), kInternal);
  m.law = 3;
  EXPECT_DEATH(CalcHardFunc_CEB_FIP93(m, 0.0, kCebFip93Plasticity), kInternal);
}

TEST(CebFip93, ModulusIsTheSlopeOfTheYieldStress) {
  double kappaLim, epsLim;
  CalcStrainLim_CEB_FIP93(kConcrete.E, kConcrete.fc, &kappaLim, &epsLim, kConcrete.epsc1);
  for (int law : {1, 2}) {
    CebFip93Material m = kConcrete;
    m.law = law;
    for (double k : {1e-6, 3e-4, 0.0009, 0.0015, 0.003, 0.0045, 0.008}) {
      if (law == 2 && k > 0.0012) continue;
      const double h = 1e-9;
      const double fd = (CalcHardFunc_CEB_FIP93(m, k + h, kCebFip93Plasticity) -
                         CalcHardFunc_CEB_FIP93(m, k - h, kCebFip93Plasticity)) /
                        (2 * h);
      const double H = CalcHardModulus_CEB_FIP93(m, k, kCebFip93Plasticity);
      EXPECT_NEAR(H, fd, 1e-6 * std::max(1.0, std::fabs(H))) << law << " " << k;
    }
  }
}
