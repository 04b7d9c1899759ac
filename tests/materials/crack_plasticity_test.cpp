// Concrete plasticity and compressive damage of the solid elasto-plastic crack model.
// Material C1: E 30000, nu 0, fc 30, eps_c1 0.0022, r0 0.3, Gc 15, law 1, h1 = 0; the
// crack part ft 3, Gf 0.1, law 1 (0.1, 0.5, 0.4, 0.2), band 100, beta 0.2, 3 cracks.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "materials/crack/elastoplastic_crack.h"
#include "materials/elastic.h"
#include "materials/material_point.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/crack_material.h"
#include "support/material_driver.h"

using matdriver::ContinuumPoint;

namespace {

constexpr double kE = 30000.0, kFc = 30.0, kKappaP = 0.0012;
const PointContext kAt{1, 1, 1, 1, 0};

CrackMat C1(int law = 1) {
  CrackMat c = CrackConcrete(MAT_NLMM151, 0.1);
  c.Set(66, 0.0).Set(70, 0.3).Set(71, 15.0).Set(72, law).Set(100, 3).Set(101, 1.0);
  c.Set(93, 1).Set(94, 0.2).Set(95, 1);
  return c;
}

struct Mat {
  double** a;
  explicit Mat(int n) { allocd2(&a, n, n); }
  ~Mat() { freed2(a); }
  Mat(const Mat&) = delete;
  Mat& operator=(const Mat&) = delete;
};

double Stress6(const double (&s)[7], int i) { return s[i]; }

// F at sigma with the hardening value k.
double F(const CrackPlasticMaterial& c, std::vector<double> s, double k) {
  double v[7] = {};
  for (size_t i = 0; i < 6; i++) v[i + 1] = s[i];
  return CalcYieldFuncAt_NLMM151(c, 6, v, k);
}

// The magnitude t at which the state t * dir lies on the surface of k (bisection).
double OnSurface(const CrackPlasticMaterial& c, const std::vector<double>& dir, double k) {
  double lo = 0.1 * k, hi = 3.0 * k;
  for (int i = 0; i < 200; i++) {
    const double m = 0.5 * (lo + hi);
    std::vector<double> s = dir;
    for (double& x : s) x *= m;
    (F(c, s, k) < 0.0 ? lo : hi) = m;
  }
  return 0.5 * (lo + hi);
}

const std::vector<bool> kUniaxial = {false, true, true, true, true, true};

}  // namespace

TEST(CrackPlasticity, SurfaceRadiiAndMeridianStates) {
  const CrackPlasticMaterial c = CrackPlasticParameters(C1().m);
  EXPECT_NEAR(std::sqrt(3.0) * (0.6737 + 7.4241) / (1.6814 - 0.8635), 17.148552, 1e-6);
  EXPECT_NEAR(c.mer.rt[1], 0.8850179, 1e-7);
  EXPECT_NEAR(c.mer.rt[2], 0.8914922, 1e-7);
  EXPECT_NEAR(c.mer.rc[1], 0.8135507, 1e-7);
  EXPECT_NEAR(c.mer.rc[2], 0.8199172, 1e-7);
  for (double k : {9.0, 30.0}) {
    EXPECT_NEAR(OnSurface(c, {-1, 0, 0, 0, 0, 0}, k), 1.002534 * k, 1e-6 * k);
    EXPECT_NEAR(OnSurface(c, {-1, -1, 0, 0, 0, 0}, k), 1.150678 * k, 1e-6 * k);
  }
  // Near hydrostatic compression the radicand is negative: inside, F = -k.
  EXPECT_EQ(F(c, {-10, -10, -10.001, 0, 0, 0}, 30.0), -30.0);
  // The initial yield test: a uniaxial tension of 3 lies inside; a zero stress (no Lode
  // angle) gives -1.
  double s[7] = {0, 3, 0, 0, 0, 0, 0}, k0;
  EXPECT_NEAR(CalcInitYieldFunc_NLMM151(c, 6, s, &k0), -0.6232, 1e-4);
  EXPECT_EQ(k0, 9.0);
  double zero[7] = {};
  EXPECT_EQ(CalcInitYieldFunc_NLMM151(c, 6, zero, &k0), -1.0);
}

// With h1 != 0 the tensile meridian passes through equal biaxial compression at fbc:
// F(-fbc, -fbc, 0) = 0 at k = fc; fbc is at least T = 2 h1 .. h5.
TEST(CrackPlasticity, BiaxialScalingOfTheTensileMeridian) {
  CrackMat m = C1();
  m.Set(73, 1.0).Set(74, 1.0).Set(75, 1.0).Set(76, 1.0).Set(77, 15.0);
  const CrackPlasticMaterial c = CrackPlasticParameters(m.m);
  const double fbc = CalcAnaliticValueBiaxialComprStrength_NLMM151(kFc, c.h);
  EXPECT_GE(fbc, 30.0);
  EXPECT_NEAR(OnSurface(c, {-1, -1, 0, 0, 0, 0}, kFc), fbc, 1e-4 * fbc);
  EXPECT_NE(c.mer.rt[1], CrackPlasticParameters(C1().m).mer.rt[1]);
  EXPECT_EQ(c.mer.rc[1], CrackPlasticParameters(C1().m).mer.rc[1]);
}

TEST(CrackPlasticity, HardeningLawsAndModuli) {
  const CrackPlasticMaterial c1 = CrackPlasticParameters(C1(1).m), c2 = CrackPlasticParameters(C1(2).m);
  struct Case {
    const CrackPlasticMaterial* c;
    double kappa, k;
  };
  const double plateau = 30.0 * (1.0 + (0.004 - kKappaP) / (10000.0 - kKappaP));
  const Case cases[] = {
      {&c1, 0.0, 9.0},     {&c1, 3e-4, 9.0 + 21.0 * std::sqrt(0.5 - 0.0625)}, {&c1, kKappaP, 30.0},
      {&c1, 0.0018, 28.5}, {&c1, 0.00351766, 15.0},  {&c1, 0.005, 6.010097}, {&c1, 0.01, 1.049440},
      {&c2, kKappaP / 2, 27.20495}, {&c2, kKappaP, 30.0}, {&c2, 0.004, plateau},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(std::to_string(t.kappa) + (t.c == &c2 ? " law 2" : " law 1"));
    EXPECT_NEAR(CalcHardFunc_NLMM151(*t.c, t.kappa), t.k, 2e-5);
    // H is the slope of k on every branch.
    const double h = 1e-8, kappa = t.kappa;
    if (kappa > 0.0 && std::fabs(kappa - kKappaP) > 1e-6) {
      const double d = (CalcHardFunc_NLMM151(*t.c, kappa + h) - CalcHardFunc_NLMM151(*t.c, kappa - h)) / (2 * h);
      EXPECT_NEAR(CalcHardModulus_NLMM151(*t.c, kappa), d, 1e-5 * std::max(1.0, std::fabs(d)));
    }
  }
  EXPECT_NEAR(CalcHardModulus_NLMM151(c1, kKappaP), 0.0, 1e-9);
  EXPECT_NEAR(CalcHardModulus_NLMM151(c2, 0.004), 30.0 / (10000.0 - kKappaP), 1e-12);
  EXPECT_TRUE(std::isfinite(CalcHardModulus_NLMM151(c1, 0.0)));
}

TEST(CrackPlasticity, CompressiveDamageOfTheSpectralSplit) {
  const CrackPlasticMaterial c = CrackPlasticParameters(C1().m);
  double beta, kp;
  CompressiveDamageRate(c, 100.0, &beta, &kp);
  const double ku = 3.1 * 15.0 / (100.0 * 30.0) - (11.0 / 48.0) * 0.0012;
  EXPECT_NEAR(ku, 0.015225, 1e-12);
  EXPECT_NEAR(beta, 164.1773, 1e-4);
  double hydro[7] = {0, -20, -20, -20, 0, 0, 0};
  EXPECT_NEAR(DecomposeStress_NLMM151(c, 100.0, ku, hydro).d, 0.9000001, 1e-7);
  EXPECT_EQ(DecomposeStress_NLMM151(c, 100.0, kKappaP, hydro).d, 0.0);
  // Hydrostatic compression past the peak: (1 - d) sigma.
  const StressDecomposition h = DecomposeStress_NLMM151(c, 100.0, 0.004, hydro);
  EXPECT_GT(h.d, 0.0);
  for (int i = 1; i <= 6; i++) EXPECT_NEAR(h.stress[i], (1 - h.d) * hydro[i], 1e-12);
  // A purely tensile state is never damaged; a mixed one keeps its tensile part.
  double tension[7] = {0, 2, 1, 0.5, 0.3, -0.2, 0.1}, mixed[7] = {0, 2, -10, 0, 0, 0, 0};
  const StressDecomposition t = DecomposeStress_NLMM151(c, 100.0, 0.004, tension);
  for (int i = 1; i <= 6; i++) EXPECT_NEAR(t.stress[i], tension[i], 1e-8);
  const StressDecomposition x = DecomposeStress_NLMM151(c, 100.0, 0.004, mixed);
  EXPECT_NEAR(x.stress[1], 2.0, 1e-12);
  EXPECT_NEAR(x.stress[2], -10.0 * (1 - x.d), 1e-12);
  EXPECT_NEAR(Stress6(x.tensile, 1), 2.0, 1e-12);
}

// A point compressed along x (the other stresses free): elastic to 1.002534 r0 fc, the
// peak 1.002534 fc at kappa_p before any damage, then softening with d > 0; the status
// goes 1 -> 3 and kappa never decreases.
TEST(CrackPlasticity, UniaxialCompressionOfAPoint) {
  ContinuumPoint p(MAT_NLMM151, _SOLID_HEXA, C1().m);
  p.SetHeldTolerance(1e-3);
  double peak = 0.0, kappaAtPeak = 0.0, kappa = 0.0, firstYield = 0.0, before = 0.0;
  for (int k = 1; k <= 200; k++) {
    std::vector<double> de = {-2e-5, 0, 0, 0, 0, 0};
    const double s = -p.Step(de, kUniaxial)[0];
    const NLMM151_HD& r = p.Record<NLMM151_HD>();
    EXPECT_GE(r.Pl.EqPlasticStrain, kappa);
    kappa = r.Pl.EqPlasticStrain;
    if (firstYield == 0.0 && kappa > 0.0) firstYield = before;
    EXPECT_EQ(r.Pl.PointStatus, kappa > 0.0 ? 3 : 1);
    if (s > peak) {
      peak = s;
      kappaAtPeak = kappa;
      EXPECT_EQ(r.Pl.CompressiveDamage, 0.0);
    }
    before = s;
  }
  EXPECT_NEAR(firstYield, 1.002534 * 9.0, kE * 2e-5);
  EXPECT_NEAR(peak, 1.002534 * kFc, 1e-3 * kFc);
  EXPECT_NEAR(kappaAtPeak, kKappaP, 2e-5);
  EXPECT_GT(p.Record<NLMM151_HD>().Pl.CompressiveDamage, 0.0);
  EXPECT_LT(before, 0.8 * peak);
}

// Past the peak (d > 0) the consistent tangent with the damage term is the slope of
// the stress update from the saved record. The point is shortened in x with the other
// strains held: the plastic dilatancy puts equal lateral compressions on it (a state on
// the compressive meridian, all principal stresses negative, so that the spectral split
// has no kink at the point).
TEST(CrackPlasticity, DamagedTangentIsTheDifferenceOfTheUpdate) {
  ContinuumPoint p(MAT_NLMM151, _SOLID_HEXA, C1().m);
  std::vector<double> de;
  for (int k = 1; k <= 250; k++) {
    de = {-2e-5, 0, 0, 0, 0, 0};
    p.Step(de, std::vector<bool>(6, false));
  }
  const NLMM151_HD& r = p.Record<NLMM151_HD>();
  ASSERT_GT(r.Pl.EqPlasticStrain, kKappaP);
  ASSERT_GT(r.Pl.CompressiveDamage, 0.0);
  ASSERT_EQ(r.Pl.PlasticState, 2);
  EXPECT_LT(r.Pl.PlasticStress[2], -0.1);
  EXPECT_NEAR(r.Pl.PlasticStress[2], r.Pl.PlasticStress[3], 1e-9);
  const std::vector<double> D = p.Tangent();
  // The slope of the last step's update from its start.
  const std::vector<double> Dfd = p.DifferenceTangent(de, 1e-7);
  double largest = 0.0;
  for (double x : Dfd) largest = std::max(largest, std::fabs(x));
  for (size_t i = 0; i < D.size(); i++)
    if (std::fabs(Dfd[i]) > 0.01 * largest) {
      EXPECT_NEAR(D[i], Dfd[i], 1e-3 * largest) << i;
    }
}

// A zero increment at a virgin point, a hydrostatic compression of 40 at a yielded
// point and an increment of exact uniaxial compression give finite stresses.
TEST(CrackPlasticity, DegenerateStatesStayFinite) {
  ContinuumPoint p(MAT_NLMM151, _SOLID_HEXA, C1().m);
  std::vector<double> zero(6, 0.0);
  for (double s : p.Step(zero, std::vector<bool>(6, false))) EXPECT_EQ(s, 0.0);
  EXPECT_EQ(p.Record<NLMM151_HD>().Pl.PointStatus, 1);
  p.SetHeldTolerance(1e-3);
  for (int k = 1; k <= 30; k++) {
    std::vector<double> de = {-2e-5, 0, 0, 0, 0, 0};
    p.Step(de, kUniaxial);
  }
  ASSERT_GT(p.Record<NLMM151_HD>().Pl.EqPlasticStrain, 0.0);
  const double e = -40.0 / kE;
  for (double s : p.TrialStress({e, e, e, 0, 0, 0})) EXPECT_TRUE(std::isfinite(s));
  // The return mapping of a yielded point from uniaxial compression (sin 3 theta = 0; the
  // lateral plastic strains keep sigma_yy = sigma_zz, on the meridian) converges.
  const CrackPlasticMaterial c = CrackPlasticParameters(C1().m);
  Mat De(6);
  CalcMat_De_IsoModel(6, 0.0, kE, De.a);
  double start[7] = {0, -27.0, 0, 0, 0, 0, 0}, de[7] = {0, -2e-5, 0, 0, 0, 0, 0};
  ConcreteMapping out{};
  ASSERT_TRUE(ReturnMappingAlgor_NLMM151(kAt, c, 6, De.a, start, de, 0.0006, 1e-6, &out));
  EXPECT_GT(out.dLambda, 0.0);
  EXPECT_NEAR(out.sigma[2], out.sigma[3], 1e-9);
  EXPECT_NEAR(F(c, {out.sigma[1], out.sigma[2], out.sigma[3], 0, 0, 0}, out.sY), 0.0, 1e-5 * kFc);
}

// Compressed in x past first yield, then pulled in y with x held: a crack forms and the
// status goes 3 -> 4; kappa never decreases, dlambda >= 0. On a further step that
// loads both, the coupled Newton iteration and the staggered iteration agree.
TEST(CrackPlasticity, CrackAfterYieldingAndTheTwoCoupledAlgorithms) {
  const CrackMat mat = C1();
  ContinuumPoint p(MAT_NLMM151, _SOLID_HEXA, mat.m);
  p.SetHeldTolerance(1e-3);
  const NLMM151_HD& r = p.Record<NLMM151_HD>();
  double kappa = 0.0;
  int status = 1;
  const auto check = [&]() {
    EXPECT_GE(r.Pl.EqPlasticStrain, kappa);
    EXPECT_GE(r.Pl.DeltaLambda, 0.0);
    const int s = r.Pl.PointStatus;
    EXPECT_TRUE(s == status || (status == 1 && (s == 2 || s == 3)) || ((status == 2 || status == 3) && s == 4))
        << status << " -> " << s;
    kappa = r.Pl.EqPlasticStrain;
    status = s;
  };
  for (int k = 1; k <= 30; k++) {
    std::vector<double> de = {-2e-5, 0, 0, 0, 0, 0};
    p.Step(de, kUniaxial);
    check();
  }
  ASSERT_EQ(status, 3);
  const std::vector<bool> yPulled = {false, false, true, true, true, true};
  for (int k = 1; k <= 20; k++) {
    std::vector<double> de = {0, 1e-5, 0, 0, 0, 0};
    p.Step(de, yPulled);
    check();
  }
  ASSERT_EQ(status, 4);
  ASSERT_GE(r.Cr.nCr, 1);
  std::vector<double> both;
  for (int k = 1; k <= 5; k++) {
    both = {-2e-5, 1e-5, 0, 0, 0, 0};
    p.Step(both, yPulled);
    check();
  }
  // The last step once more from its start: both algorithms on the same record.
  NLMM151_HD& start = p.Converged<NLMM151_HD>();
  Mat Dco(6);
  CalcMat_De_IsoModel(6, 0.0, kE, Dco.a);
  const CrackEventContext x = CrackEventContextOf(kModel151, kAt, mat.m, Dco.a);
  const CrackView v = CrackViewOf(start);
  double de[7];
  for (int i = 1; i <= 6; i++) de[i] = both[static_cast<size_t>(i - 1)];
  CrackSolve s1, s2;
  ASSERT_TRUE(CalcStressElastoPlasticCrModelAlgor01_NLMM151(x, v, s1, de));
  ASSERT_TRUE(CalcDeltaStressCrPlastic(x, v, s2, de));
  EXPECT_GT(s1.dLambda, 0.0);
  EXPECT_GT(s1.kappa, start.Pl.EqPlasticStrain);
  for (int i = 1; i <= 6; i++) EXPECT_NEAR(s1.sigma[i], s2.sigma[i], 1e-4 * kFc) << i;
  EXPECT_NEAR(s1.kappa, s2.kappa, 1e-6);
}

// The plastic part of the record is refused at set-up in words, naming block and record:
// a hardening law outside 1 and 2, a strength out of all proportion to the modulus, an
// initial yield ratio of 1.
TEST(CrackPlasticity, PlasticValuesAreCheckedAtSetUp) {
  struct Case {
    CrackMat c;
    const char* message;
  };
  const Case cases[] = {
      {C1(-1), "<NLMM151>(.|\n)*Record counter: 1(.|\n)*Invalid hardening law: -1 \\(valid: 1 or 2\\)"},
      {C1(3), "Invalid hardening law: 3"},
      {C1().Set(68, 1e-300), "compressive strength over the modulus of elasticity must lie between 1e-6 and 1"},
      {C1().Set(70, 1.0), "initial yield stress over the compressive strength must be at least 0 and differ from 1"},
  };
  for (const Case& c : cases) {
    MeshData mesh{};
    MaterialRecord recs[2] = {c.c.m, c.c.m};
    mesh.nMaterials[MAT_NLMM151] = 1;
    mesh.Materials[MAT_NLMM151] = recs;
    int count[kMaterialKinds + 1] = {};
    count[MAT_NLMM151] = 1;
    EXPECT_EXIT(CheckNonlinearMaterialParameters(&mesh, count), testing::ExitedWithCode(1), c.message) << c.message;
  }
  for (int law : {1, 2}) {
    MeshData mesh{};
    MaterialRecord recs[2] = {C1(law).m, C1(law).m};
    mesh.nMaterials[MAT_NLMM151] = 1;
    mesh.Materials[MAT_NLMM151] = recs;
    int count[kMaterialKinds + 1] = {};
    count[MAT_NLMM151] = 1;
    CheckNonlinearMaterialParameters(&mesh, count);
  }
}
