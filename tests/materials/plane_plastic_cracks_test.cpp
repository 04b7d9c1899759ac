// Plane crack models with concrete plasticity (_NLMM142, _NLMM141). Material: E 30000,
// nu 0, fc 30, eps_c1 0.0022 (kappa_p = 0.0012), r0 0.3, Gc 15, band 100; the crack part
// of the plane tests (ft 3, Gf 0.1, law 1 (0.1, 0.5, 0.4, 0.2), constant retention 0.2).
// Uniaxial compression of an uncracked point, a point cracked in x and compressed in y,
// and the tangents against central differences of the stress update.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "materials/crack/elastoplastic_crack.h"
#include "materials/crack/plane_plastic_cracks.h"
#include "materials/elastic.h"
#include "materials/plasticity/owen_figueiras.h"
#include "numcore/numcore.h"
#include "support/crack_material.h"
#include "support/material_driver.h"

namespace {

constexpr double kE = 30000.0, kFc = 30.0, kKappaP = 0.0012;
const PointContext kAt{3, 2, 7, 4, 0};
using Mat = ZeroMatrix;

CrackMat Concrete(int code, int option = 1) {
  CrackMat c = CrackConcrete(code, 0.1);
  c.Set(66, 0.0).Set(70, 0.3).Set(71, 15.0);
  if (code == MAT_NLMM142)
    c.Set(72, option, 1).Set(73, 0.0).Set(90, 0, 1).Set(90, 1, 2).Set(91, 0.2).Set(92, 1);
  else
    c.Set(80, 1).Set(81, 0.2);
  return c;
}

void Elastic(Mat& D) { CalcMat_De_IsoModel(3, 0.0, kE, D.A); }

// h(kappa) of the elliptic rise, both models.
double Ellipse(double kappa) {
  const double x = kappa / kKappaP;
  return 9.0 + 21.0 * std::sqrt(2.0 * x - x * x);
}

// A started record with its plastic part and band width at hand.
struct Point : StartedCrackRecord {
  explicit Point(const CrackMat& c) : StartedCrackRecord(c) {
    if (code == MAT_NLMM142) R142().Cr.CrBandWidth[1] = 100.0;
  }
  NLMM142_HD& R142() { return *static_cast<NLMM142_HD*>(r); }
  NLMM141_HD& R141() { return *static_cast<NLMM141_HD*>(r); }
  // Stress of the plastic continuum and kappa.
  double* Stress() { return code == MAT_NLMM142 ? R142().Pl.PlasticStress : R141().Pl.Stress; }
  double Kappa() { return code == MAT_NLMM142 ? R142().Pl.EqPlasticStrain : R141().Pl.EqPlasticStrain; }
};

// Stress (and kappa) of the uncracked update of the point's record over dEps, the
// record unchanged.
double Update(const CrackMat& c, Point& p, const double* dEps, double* sigma) {
  Mat De(3, 3);
  Elastic(De);
  if (c.code == MAT_NLMM142) {
    ConcreteMapping u{};
    CalcStressElastoPlasticModel_NLMM151(kAt, CrackPlasticParameters(c.m, MAT_NLMM142), De.A, p.R142().Pl,
                                         p.Stress(), dEps, &u);
    copyd1(sigma, u.sigma, 3);
    return u.kappa;
  }
  OwenFigMapping u{};
  CalcStressElastoPlasticModel_OwenFig(kAt, Nlmm141Parameters(c.m), p.Stress(), p.Kappa(), De.A, dEps, &u);
  copyd1(sigma, u.sigma, 3);
  return u.kappa;
}

// One step of uniaxial stress: eps_x grows by dx, eps_y by the value that keeps
// sigma_y at zero (secant rule on the pure update); the step is then stored through
// the pre-check of the model. Returns the increment.
void UniaxialStep(const CrackMat& c, Point& p, double dx, double* dEps) {
  double y0 = 0.0, y1 = 0.0, s[4];
  dEps[1] = dx;
  dEps[2] = 0.0;
  dEps[3] = 0.0;
  Update(c, p, dEps, s);
  double f0 = s[2], f1 = f0;
  y1 = -f0 / kE;
  for (int k = 0; k < 60 && std::fabs(f1) > 1e-11; k++) {
    dEps[2] = y1;
    Update(c, p, dEps, s);
    f1 = s[2];
    if (std::fabs(f1) <= 1e-11 || f1 == f0) break;
    const double y2 = y1 - f1 * (y1 - y0) / (f1 - f0);
    y0 = y1;
    f0 = f1;
    y1 = y2;
  }
  ASSERT_LT(std::fabs(f1), 1e-9);
  Mat De(3, 3);
  Elastic(De);
  if (c.code == MAT_NLMM142) {
    ConcreteMapping u;
    ASSERT_FALSE(CheckUncrackedState_NLMM142(kAt, c.m, p.R142(), De.A, dEps, &u));
    StoreUncrackedState_NLMM142(u, p.R142());
  } else {
    OwenFigMapping u;
    ASSERT_FALSE(CheckUncrackedState_NLMM141(kAt, c.m, p.R141(), De.A, dEps, &u));
    StoreUncrackedState_NLMM141(u, p.R141());
  }
}

// Worst error of the entries of D above 1 % of the largest, against the central
// differences of the map g(dEps) -> stress about dEps, relative to the largest entry.
double TangentError(Mat& D, const double* dEps, const std::function<void(const double*, double*)>& g, double h) {
  double big = 0.0, worst = 0.0;
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) big = std::max(big, std::fabs(D[i][j]));
  for (int j = 1; j <= 3; j++) {
    double a[4], b[4], sp[4], sm[4];
    copyd1(a, dEps, 3);
    copyd1(b, dEps, 3);
    a[j] += h;
    b[j] -= h;
    g(a, sp);
    g(b, sm);
    for (int i = 1; i <= 3; i++) {
      if (std::fabs(D[i][j]) < 0.01 * big) continue;
      worst = std::max(worst, std::fabs((sp[i] - sm[i]) / (2.0 * h) - D[i][j]) / big);
    }
  }
  return worst;
}

}  // namespace

// ---- hardening ---------------------------------------------------------------------------------

TEST(PlanePlasticHardening, LawsOfTheConcreteSurfaceModel) {
  for (int option : {1, 2}) {
    SCOPED_TRACE(option);
    const CrackPlasticMaterial c = CrackPlasticParameters(Concrete(MAT_NLMM142, option).m, MAT_NLMM142);
    EXPECT_EQ(c.n, 3);
    EXPECT_NEAR(CalcHardFunc_NLMM151(c, 0.0), 9.0, 1e-12);
    EXPECT_NEAR(CalcHardFunc_NLMM151(c, kKappaP), 30.0, 1e-9);
    EXPECT_TRUE(std::isfinite(CalcHardModulus_NLMM151(c, 0.0)));
    // The modulus is the derivative of the function, rise and beyond the peak.
    for (double k : {1e-5, 3e-4, 6e-4, 1.1e-3, 1.5e-3, 4e-3, 0.02}) {
      const double d = 1e-8, fd = (CalcHardFunc_NLMM151(c, k + d) - CalcHardFunc_NLMM151(c, k - d)) / (2 * d);
      EXPECT_NEAR(CalcHardModulus_NLMM151(c, k), fd, 1e-5 * std::max(1.0, std::fabs(fd))) << k;
    }
  }
  const CrackPlasticMaterial c1 = CrackPlasticParameters(Concrete(MAT_NLMM142, 1).m, MAT_NLMM142);
  const CrackPlasticMaterial c2 = CrackPlasticParameters(Concrete(MAT_NLMM142, 2).m, MAT_NLMM142);
  EXPECT_NEAR(CalcHardFunc_NLMM151(c1, 6e-4), Ellipse(6e-4), 1e-12);
  // Law 2: the parabola through (r0 fc / E, r0 fc) and the peak, then a near-flat line.
  EXPECT_NEAR(CalcHardFunc_NLMM151(c2, 6e-4), 27.20495, 1e-5);
  for (double k : {0.002, 0.5})
    EXPECT_NEAR(CalcHardFunc_NLMM151(c2, k), kFc * (1.0 + (k - kKappaP) / (10000.0 - kKappaP)), 1e-12);
  // The falling branch of law 1 is the one of the solid model.
  CrackMat solid = CrackConcrete(MAT_NLMM151, 0.1);
  solid.Set(70, 0.3).Set(72, 1);
  const CrackPlasticMaterial s = CrackPlasticParameters(solid.m);
  EXPECT_EQ(CalcHardFunc_NLMM151(c1, 0.004), CalcHardFunc_NLMM151(s, 0.004));
}

// With h1 != 0 (value 73) the tensile meridian is scaled so that the plane surface at
// k = fc passes through equal biaxial compression at the strength fbc of h1 .. h5.
TEST(PlanePlasticHardening, ScaledMeridianMeetsTheBiaxialStrength) {
  CrackMat m = Concrete(MAT_NLMM142);
  m.Set(73, 1.0).Set(74, 1.0).Set(75, 1.0).Set(76, 1.0).Set(77, 15.0);
  const CrackPlasticMaterial c = CrackPlasticParameters(m.m, MAT_NLMM142);
  const double fbc = CalcAnaliticValueBiaxialComprStrength_NLMM151(kFc, c.h);
  EXPECT_GT(fbc, kFc);
  const auto F = [&](double f) {
    const double s[4] = {0, -f * fbc, -f * fbc, 0};
    return CalcYieldFuncAt_NLMM151(c, 3, s, kFc);
  };
  EXPECT_LT(F(0.999), 0.0);
  EXPECT_GT(F(1.001), 0.0);
  // Without the scaling the same state lies elsewhere.
  const CrackPlasticMaterial u = CrackPlasticParameters(Concrete(MAT_NLMM142).m, MAT_NLMM142);
  const double s[4] = {0, -fbc, -fbc, 0};
  EXPECT_GT(std::fabs(CalcYieldFuncAt_NLMM151(u, 3, s, kFc)), 100.0 * std::fabs(F(1.0)));
}

TEST(PlanePlasticHardeningDeath, GuardsOfTheSecondLaw) {
  CrackMat bad = Concrete(MAT_NLMM142, 3);
  EXPECT_DEATH(CalcHardFunc_NLMM151(CrackPlasticParameters(bad.m, MAT_NLMM142), 1e-4), "INTERNAL ERROR");
  CrackMat one = Concrete(MAT_NLMM142, 2);
  one.Set(70, 1.0);
  EXPECT_DEATH(CalcHardFunc_NLMM151(CrackPlasticParameters(one.m, MAT_NLMM142), 1e-4), "INTERNAL ERROR");
  EXPECT_DEATH(CalcHardModulus_NLMM151(CrackPlasticParameters(Concrete(MAT_NLMM142, 2).m, MAT_NLMM142), -1e-9),
               "INTERNAL ERROR");
}

// ---- Owen-Figueiras flow and hardening -------------------------------------------------------------

TEST(PlanePlasticOwenFigueiras, FlowVectorFactorAndHardening) {
  const Nlmm121Material c = Nlmm141Parameters(Concrete(MAT_NLMM141).m);
  EXPECT_STREQ(c.name, "_NLMM141");
  double a[4];
  const double zero[4] = {0, 0, 0, 0};
  CalcDerivOwenFigYieldFunc(3, a, zero);
  EXPECT_EQ(a[1], 0.1775);
  EXPECT_EQ(a[2], 0.1775);
  EXPECT_EQ(a[3], 0.0);
  // Uniaxial compression: flow (-1, 0.72612, 0) and F = s - h.
  const double u[4] = {0, -12.0, 0, 0};
  CalcDerivOwenFigYieldFunc(3, a, u);
  EXPECT_NEAR(a[1], -1.0, 1e-12);
  EXPECT_NEAR(a[2], 0.72612, 1e-5);
  EXPECT_NEAR(CalcOwenFigYieldFunc_NLMM121(c, 0.0, u), 12.0 - 9.0, 1e-12);
  struct Case {
    double s[4], k;
  };
  const Case cases[] = {{{0, -10, -10, 0}, 1.0 + 6.0556447 * (20.0 / 3.0 / 30.0) * (20.0 / 3.0 / 30.0)},
                        {{0, -10, -0.2, 0}, 1.0},
                        {{0, -10, 1.0, 0}, 1.0}};
  for (const Case& k : cases) {
    double m, g[4];
    CalcBiaxialHardFactor_NLMM121(c, 3, &m, g, k.s);
    EXPECT_NEAR(m, k.k, 1e-12);
  }
  EXPECT_NEAR(cases[0].k, 1.29904, 1e-5);
  // The hardening of the plane model: the ellipse, the peak, finite at 0.
  EXPECT_NEAR(CalcHardFunc_NLMM121(c, 6e-4), Ellipse(6e-4), 1e-12);
  EXPECT_NEAR(CalcHardFunc_NLMM121(c, kKappaP), kFc, 1e-9);
  EXPECT_TRUE(std::isfinite(CalcHardModulus_NLMM121(c, 0.0)));
}

// ---- uniaxial compression of an uncracked point ------------------------------------------------------

// _NLMM141: elastic until the trial stress exceeds r0 fc + fc/100 = 9.3, then every
// point on F/A = h(kappa) with kappa = eps - sigma/E, up to the peak fc at eps_c1.
TEST(PlanePlasticUncracked, OwenFigueirasShortened) {
  const CrackMat c = Concrete(MAT_NLMM141);
  Point p(c);
  double eps = 0.0, peak = 0.0, dEps[4];
  for (int step = 1; step <= 125; step++) {
    const double sPrev = -p.Stress()[1];
    UniaxialStep(c, p, -2e-5, dEps);
    eps += 2e-5;
    const double s = -p.Stress()[1], kappa = p.Kappa();
    peak = std::max(peak, s);
    if (kE * eps <= 9.3) {
      ASSERT_EQ(kappa, 0.0) << step;
      EXPECT_NEAR(s, kE * eps, 1e-9);
      EXPECT_EQ(p.R141().Pl.PointStatus, 1);
      continue;
    }
    ASSERT_GT(kappa, 0.0) << step;
    EXPECT_EQ(p.R141().Pl.PointStatus, 3);
    EXPECT_NEAR(kappa, eps - s / kE, 1e-6 * kappa) << step;
    if (eps <= 0.0022 + 1e-12) {
      EXPECT_NEAR(s, Ellipse(eps - s / kE), 1e-5 * s) << step;
      EXPECT_GE(s, sPrev);
    }
  }
  EXPECT_NEAR(peak, kFc, 1e-5 * kFc);
}

// _NLMM142: elastic until the surface, which meets uniaxial compression at 1.002534 r0
// fc, then hardening to the peak 30.076 of the solid model's cube.
TEST(PlanePlasticUncracked, ConcreteSurfaceShortened) {
  const CrackMat c = Concrete(MAT_NLMM142);
  Point p(c);
  double eps = 0.0, peak = 0.0, dEps[4];
  for (int step = 1; step <= 130; step++) {
    UniaxialStep(c, p, -2e-5, dEps);
    eps += 2e-5;
    const double s = -p.Stress()[1];
    peak = std::max(peak, s);
    if (kE * eps <= 9.0228) {
      EXPECT_NEAR(s, kE * eps, 1e-9) << step;
    } else if (kE * eps > 9.0229) {
      EXPECT_LT(s, kE * eps - 1e-6) << step;
    }
    EXPECT_EQ(p.R142().Pl.PointStatus, p.Kappa() > 0.0 ? 3 : 1);
  }
  EXPECT_NEAR(peak, 30.076, 0.001 * 30.076);
}

// ---- tangents ----------------------------------------------------------------------------------------

// On the uniaxial branch before the peak the Owen-Figueiras tangent is consistent:
// the derivative of the stress update from the saved state.
TEST(PlanePlasticTangent, OwenFigueirasBeforeThePeak) {
  const CrackMat c = Concrete(MAT_NLMM141);
  Point p(c), saved(c);
  double dEps[4];
  for (int step = 1; step <= 40; step++) {
    copyd1(saved.R141().Pl.Stress, p.R141().Pl.Stress, 3);
    saved.R141().Pl.EqPlasticStrain = p.Kappa();
    UniaxialStep(c, p, -2e-5, dEps);
  }
  ASSERT_GT(p.Kappa(), 1e-4);
  ASSERT_LT(p.Kappa(), kKappaP);
  Mat De(3, 3), D(3, 3);
  Elastic(De);
  CalcMat_D_NLMM141(kAt, c.m, p.R141(), De.A, D.A);
  const auto g = [&](const double* d, double* s) { Update(c, saved, d, s); };
  EXPECT_LT(TangentError(D, dEps, g, 1e-8), 1e-4);
  // The uniaxial modulus: D11 - D12 D21 / D22 = E h' / (E + h') with the flow factor 1.
  const double hp = CalcHardModulus_NLMM121(Nlmm141Parameters(c.m), p.Kappa());
  EXPECT_NEAR(D[1][1] - D[1][2] * D[2][1] / D[2][2], kE * hp / (kE + hp), 1e-6 * kE);
}

// Beyond the peak the damaged stress of _NLMM142 has the consistent tangent with the
// compressive damage. The point is shortened in x with y held: the plastic dilatancy
// compresses it in y too, so that the spectral split has no kink at the state.
TEST(PlanePlasticTangent, DamagedConcreteSurfaceAfterThePeak) {
  const CrackMat c = Concrete(MAT_NLMM142);
  Point p(c), saved(c);
  const double dEps[4] = {0, -2e-5, 0, 0};
  Mat De(3, 3), D(3, 3);
  Elastic(De);
  for (int step = 1; step <= 150; step++) {
    copyd1(saved.R142().Pl.PlasticStress, p.R142().Pl.PlasticStress, 3);
    saved.R142().Pl.EqPlasticStrain = p.Kappa();
    saved.R142().Pl.YieldStress = p.R142().Pl.YieldStress;
    ConcreteMapping u;
    ASSERT_FALSE(CheckUncrackedState_NLMM142(kAt, c.m, p.R142(), De.A, dEps, &u));
    StoreUncrackedState_NLMM142(u, p.R142());
  }
  NLMM142_HD& r = p.R142();
  ASSERT_GT(p.Kappa(), kKappaP);
  ASSERT_LT(r.Pl.PlasticStress[2], -0.1);
  double minus[4], out[4];
  CalcStressTensorDecomposition_NLMM142(c.m, r.Pl.PlasticStress, minus, out, r);
  ASSERT_GT(r.Pl.CompressiveDamage, 0.0);
  ASSERT_EQ(r.Pl.PointStatus, 3);
  CalcMat_D_NLMM142(kAt, c.m, r, De.A, D.A);
  const CrackPlasticMaterial cp = CrackPlasticParameters(c.m, MAT_NLMM142);
  const auto g = [&](const double* d, double* s) {
    double eff[4];
    const double kappa = Update(c, saved, d, eff);
    const StressDecomposition sd = DecomposeStress_NLMM151(cp, 100.0, kappa, eff);
    copyd1(s, sd.stress, 3);
  };
  EXPECT_LT(TangentError(D, dEps, g, 1e-7), 1e-3);
  // An elastic last step: De from both tangents, no damage factor.
  r.Pl.PlasticState = 1;
  CalcMat_D_NLMM142(kAt, c.m, r, De.A, D.A);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_EQ(D[i][j], De[i][j]);
}

// ---- a cracked point compressed along its crack -----------------------------------------------------

// Cracked in x on the softening branch, then compressed in y past yield: the combined
// update balances the cracks (T sigma = crack stresses), lands on the surface, and the
// point becomes plastic and cracked.
TEST(PlanePlasticCracked, CrackThenPlasticity) {
  for (int code : {MAT_NLMM142, MAT_NLMM141}) {
    SCOPED_TRACE(code);
    const CrackMat c = Concrete(code);
    Point p(c);
    // On the second branch of law 1 (eps_u = 2 Gf / (0.48 ft h)).
    const double eCr = 2e-4, sCr = 1.5 - 2160.0 * (eCr - 0.1 * 2.0 * 0.1 / (0.48 * 3.0 * 100.0));
    CrackView v{};
    if (code == MAT_NLMM142) {
      InitializeCr_NLMM142(c.m, 0.1, 0.0, 3.0, &p.R142());
      CrackPart104& q = p.R142().Cr;
      q.CrStatus[1] = kCrOpening, q.CrStrain[1] = eCr, q.CrStress[1] = sCr, q.CrStrainMax[1] = eCr;
      p.R142().Pl.PointStatus = 2;
      v = CrackViewOf(p.R142());
    } else {
      InitializeCr_NLMM141(c.m, 0.1, 0.0, 3.0, &p.R141());
      NLMM141_HD& q = p.R141();
      q.CrStatus[1] = kCrOpening, q.CrStrain[1] = eCr, q.CrStress[1] = sCr, q.CrStrainMax[1] = eCr;
      q.Pl.PointStatus = 2;
      v = CrackViewOf(q);
    }
    ASSERT_EQ(v.stress, p.Stress());
    v.stress[1] = sCr;
    Mat De(3, 3);
    Elastic(De);
    const SolidCrackModel& model = code == MAT_NLMM142 ? kModel142 : kModel141;
    CrackEventContext x = CrackEventContextOf(model, kAt, c.m, De.A);
    x.plasticStep = CalcDeltaStressCrModelPlastic;
    x.plasticStore = UpdateCrModelStatePlastic;
    // Two steps of y shortening, the second from the plastic state of the first.
    for (int step = 1; step <= 2; step++) {
      const double kappa0 = p.Kappa();
      const double dEps[4] = {0, 1e-4, -5e-4, 0};
      CrackSolve s;
      char algorithm = 0;
      ASSERT_TRUE(s.Run(x, v, dEps, &algorithm)) << int(algorithm);
      ASSERT_EQ(s.c.n, 1);
      // Equilibrium across the crack.
      double t[3];
      multd2d1(t, s.T, s.sigma, 2, 3);
      for (int j = 1; j <= 2; j++) EXPECT_LE(std::fabs(t[j] - s.c.s[j]) / kFc, 1e-6) << j;
      // On the surface, kappa not below its start, dlambda = kappa - kappa0 >= 0.
      double F;
      if (code == MAT_NLMM142) {
        const CrackPlasticMaterial cp = CrackPlasticParameters(c.m, MAT_NLMM142);
        F = CalcYieldFuncAt_NLMM151(cp, 3, s.sigma, CalcHardFunc_NLMM151(cp, s.kappa));
        EXPECT_LE(std::fabs(F) / kFc, 0.002);
      } else {
        F = CalcOwenFigYieldFunc_NLMM121(Nlmm141Parameters(c.m), s.kappa, s.sigma);
        EXPECT_LE(std::fabs(F) / kFc, 1e-6);
        EXPECT_NEAR(s.dLambda, s.kappa - kappa0, 1e-15);
      }
      EXPECT_GT(s.kappa, kappa0);
      EXPECT_GT(s.dLambda, 0.0);
      EXPECT_LT(s.sigma[2], -9.0);
      // The crack keeps opening under the lateral expansion.
      EXPECT_GT(s.c.e[1], eCr);
      // The staggered loop, the fallback of the combined update, finds the same state.
      CrackSolve st;
      st.Set(v);
      ASSERT_TRUE(CalcDeltaStressCrPlastic(x, v, st, dEps));
      for (int i = 1; i <= 3; i++) EXPECT_NEAR(st.sigma[i], s.sigma[i], 1e-4 * kFc) << i;
      EXPECT_NEAR(st.kappa, s.kappa, 1e-3 * (s.kappa - kappa0));
      // Stored: the plastic state and the status 4; the crack fields as the events would.
      copyd1(v.stress, s.sigma, 3);
      v.e[1] = s.c.e[1], v.e[2] = s.c.e[2], v.s[1] = s.c.s[1], v.s[2] = s.c.s[2];
      UpdateCrModelStatePlastic(x, v, s);
      EXPECT_EQ(*v.pointStatus, 4);
      EXPECT_EQ(p.Kappa(), s.kappa);
    }
    // The tangent of the plastic cracked point is the elasto-plastic one reduced by the
    // crack: no stiffness left across the softening crack beyond the floors.
    Mat D(3, 3);
    if (code == MAT_NLMM142)
      CalcMat_D_NLMM142(kAt, c.m, p.R142(), De.A, D.A);
    else
      CalcMat_D_NLMM141(kAt, c.m, p.R141(), De.A, D.A);
    EXPECT_LT(D[1][1], 0.01 * kE);
    EXPECT_GT(D[2][2], 0.0);
  }
}

// The same through the entry points: pulled in x until it cracks (status 2), then
// shortened in y past yield (status 4); kappa never decreases, the crack stays in
// balance with the stress, and the stress stays on the yield surface.
TEST(PlanePlasticCracked, EntryPointsPulledThenShortened) {
  for (int code : {MAT_NLMM142, MAT_NLMM141}) {
    SCOPED_TRACE(code);
    const CrackMat c = Concrete(code);
    Point p(c);
    Mat De(3, 3);
    Elastic(De);
    double sigma[4], kappa = 0.0;
    const auto step = [&](double ex, double ey) {
      const double dEps[4] = {0, ex, ey, 0};
      if (code == MAT_NLMM142)
        CalcStress_NLMM142(kAt, c.m, p.R142(), De.A, dEps, sigma);
      else
        CalcStress_NLMM141(kAt, c.m, p.R141(), De.A, dEps, sigma);
    };
    const auto status = [&] { return code == MAT_NLMM142 ? p.R142().Pl.PointStatus : p.R141().Pl.PointStatus; };
    for (int k = 1; k <= 8; k++) step(2e-5, 0.0);
    ASSERT_EQ(status(), 2);
    EXPECT_LT(sigma[1], 3.0);
    for (int k = 1; k <= 12; k++) {
      step(1e-5, -5e-5);
      EXPECT_GE(p.Kappa(), kappa);
      kappa = p.Kappa();
    }
    ASSERT_EQ(status(), 4);
    ASSERT_GT(kappa, 0.0);
    const double* s = p.Stress();
    double F;
    if (code == MAT_NLMM142) {
      const NLMM142_HD& r = p.R142();
      EXPECT_NEAR(s[1], r.Cr.CrStress[1], 1e-6 * kFc);
      const CrackPlasticMaterial cp = CrackPlasticParameters(c.m, MAT_NLMM142);
      F = CalcYieldFuncAt_NLMM151(cp, 3, s, CalcHardFunc_NLMM151(cp, kappa));
      EXPECT_LE(std::fabs(F) / kFc, 0.002);
    } else {
      EXPECT_NEAR(s[1], p.R141().CrStress[1], 1e-6 * kFc);
      F = CalcOwenFigYieldFunc_NLMM121(Nlmm141Parameters(c.m), kappa, s);
      EXPECT_LE(std::fabs(F) / kFc, 1e-6);
    }
    EXPECT_LT(s[2], -9.0);
  }
}

// A crack born inside a step (the point elastic at eps_x 9e-5, then pulled by 1.2e-5 past
// the cracking strain 1e-4, nu 0, beta 0.2): the update takes the step elastic up to the
// crack's start (t = 0.83 of it) and cracked after, so its shear slope is
// t G + (1 - t) beta G = 13e3, not the cracked beta G = 3e3 of the later steps. The
// tangent follows the central differences in the crack's shear components (the other
// shear keeps G; the normal term keeps its floor E / 1e6 on the falling branch), for the
// plane and solid crack models with and without plasticity; a tangent of beta G there
// made the Newton iterations of a quadratic element grow by x 2.5 in a shear mode once
// the crack localised in a row of its points.
TEST(CrackTangent, CrackBornInTheStepKeepsTheShearOfItsElasticPart) {
  struct Row {
    int code, type;
  };
  for (const Row& row : {Row{MAT_NLMM142, _PLANE_STRESS_QUAD}, Row{MAT_NLMM141, _PLANE_STRESS_QUAD},
                         Row{MAT_NLMM104, _PLANE_STRESS_QUAD}, Row{MAT_NLMM101, _PLANE_STRESS_QUAD},
                         Row{MAT_NLMM111, _SOLID_HEXA}, Row{MAT_NLMM151, _SOLID_HEXA}, Row{MAT_NLMM102, _SOLID_HEXA}}) {
    const int code = row.code;
    SCOPED_TRACE(code);
    CrackMat c = code == MAT_NLMM142 || code == MAT_NLMM141 ? Concrete(code) : CrackConcrete(code, 0.1);
    c.Set(66, 0.0).Set(68, kFc);
    if (code == MAT_NLMM104) c.Set(81, 0, 1).Set(81, 1, 2).Set(82, 0.2).Set(83, 1);
    if (code == MAT_NLMM101 || code == MAT_NLMM102) c.Set(77, 1).Set(78, 0.2);
    if (code == MAT_NLMM111) c.Set(85, 0.2);
    if (code == MAT_NLMM151) c.Set(70, 0.3).Set(71, 15.0).Set(72, 1).Set(94, 0.2);
    matdriver::ContinuumPoint p(code, row.type, c.m);
    p.SetHeldTolerance(1e-6);
    const int n = p.n();
    const std::vector<bool> held(n, false);
    std::vector<double> de(n, 0.0);
    de[0] = 9e-5;
    p.Step(de, held);
    // The crack's shear components (xy; and zx of a solid).
    const std::vector<int> crackShear = n == 3 ? std::vector<int>{8} : std::vector<int>{28, 35};
    for (int step = 1; step <= 2; step++) {
      SCOPED_TRACE(step);
      de.assign(n, 0.0);
      de[0] = step == 1 ? 1.2e-5 : 1e-6;
      p.Step(de, held);
      const std::vector<double> D = p.Tangent(), F = p.DifferenceTangent(de, 1e-9);
      const double t = 1.0 / 1.2, shear = step == 1 ? t * 15000.0 + (1.0 - t) * 3000.0 : 3000.0;
      for (int k : crackShear) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(F[k], shear, 0.02 * shear);
        EXPECT_NEAR(D[k], F[k], 0.02 * F[k]);
      }
      if (n == 6) {
        EXPECT_NEAR(D[21], 15000.0, 1e-6);
      }
      EXPECT_LT(F[0], -1000.0);
      EXPECT_GT(D[0], 0.0);
      EXPECT_LT(D[0], 0.1);
    }
  }
}
