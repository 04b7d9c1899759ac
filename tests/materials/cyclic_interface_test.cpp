// Cyclic friction interface and interface plasticity at one sampling point: the friction
// coefficient against its closed form, envelopes under pressure, opening and re-closure,
// reversal branches that reach their targets, the fit of a branch and its failure note,
// the softening shear strength, return mappings that end on the yield surface, and the
// plastic tangent against central differences.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "materials/interface/bond_laws.h"
#include "materials/uniaxial/steel.h"
#include "model/mesh.h"
#include "support/material_driver.h"
#include "support/testfiles.h"

namespace {

constexpr const char* kInternal = "INTERNAL ERROR";
constexpr double kPi = 3.14159265358979323846;

// s1 0.01, s2 0.02, tau_c 1, alpha, beta, k_mu 2, mu_p 0.6, a_p 1, r_mu 0.5, K_n 1e6.
MaterialRecord Friction306(double alpha, double beta, double tauC = 1.0) {
  return matdriver::Record({0.01, 0.02, tauC, alpha, beta, 2, 0.6, 1, 0.5, 1e6});
}

// A point of a line (type 27) or surface (type 30) interface with its own record; the
// notes of failed fits go to the test's scratch file unless the record names one.
struct Point306 {
  MaterialRecord m;
  int type;
  NLMM304_HD r{};
  PointContext at{1, 1, 1, 1, 0};
  explicit Point306(const MaterialRecord& mat, int t = _INTERFACE_LINE_2D) : m(mat), type(t) {
    r.S = 1;
    if (m.Name2[0] == '\0') std::snprintf(m.Name2, sizeof m.Name2, "%s", TestJobName().c_str());
  }
  ~Point306() { std::remove((std::string(m.Name2) + "_wrn306.out").c_str()); }
  Point306(const Point306&) = default;
  // Shear stress of slip s under the opening wn (line).
  double operator()(double s, double wn, double* sn = nullptr) {
    const double w[3] = {0, s, wn};
    double sigma[3];
    CalcStress_NLMM306(at, m, StressStateOfType(type), r, w, sigma);
    if (sn != nullptr) *sn = sigma[2];
    return sigma[1];
  }
  std::vector<double> Tangent() {
    const int n = type == _INTERFACE_LINE_2D ? 2 : 3;
    double d[4][4];
    double* rows[4] = {nullptr, d[1], d[2], d[3]};
    CalcMat_D_NLMM306(m, StressStateOfType(type), r, rows);
    std::vector<double> D;
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) D.push_back(d[i][j]);
    return D;
  }
};

// Closed (an opening whose normal stress is too small to add friction) or pressed by 2.
constexpr double kTouch = -1e-300, kPressed = -2e-6;

}  // namespace

TEST(CyclicFriction306, FrictionCoefficientRisesToItsPeakAndFallsToTheResidual) {
  const CyclicFriction306 c = Nlmm306Of(Friction306(0, 0));
  // k = 10/3, c = 8/3: a_r = c/2 + sqrt(c^2/4 - r_mu).
  const double ar = 4.0 / 3.0 + std::sqrt(16.0 / 9.0 - 0.5);
  EXPECT_NEAR(ar, 2.463722, 1e-6);
  const struct {
    double a, mu;
  } cases[] = {{0, 0}, {0.1, 0.171176}, {0.5, 0.51}, {1, 0.6}, {2, 0.436364}, {ar, 0.3}, {3, 0.3}, {50, 0.3}};
  for (const auto& k : cases) EXPECT_NEAR(FrictionCoefficient_NLMM306(c, k.a), k.mu, 1e-6) << k.a;
}

TEST(CyclicFriction306, EnvelopesUnderPressureWithTheirTangents) {
  const MaterialRecord m = Friction306(0.4, 0.3);
  const CyclicFriction306 c = Nlmm306Of(m);
  const double tau1 = std::pow(0.5, 0.4);
  const struct {
    double s, wn, tau;
  } cases[] = {
      {0.005, kTouch, tau1 * 0.5},          // linear to (s1, tau_1)
      {0.015, kTouch, std::pow(0.75, 0.4)},  // power ascent to the peak at s2
      {0.04, kTouch, std::pow(2.0, -0.3)},   // power descent
      {-0.04, kTouch, -std::pow(2.0, -0.3)},
      // The strength tau_c + mu q, the path being the slip of the first move.
      {0.04, kPressed, (1 + 2 * FrictionCoefficient_NLMM306(c, 0.04)) * std::pow(2.0, -0.3)},
      {-0.015, kPressed, -(1 + 2 * FrictionCoefficient_NLMM306(c, 0.015)) * std::pow(0.75, 0.4)},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.s);
    Point306 p(m);
    double sn;
    EXPECT_NEAR(p(k.s, k.wn, &sn), k.tau, 1e-12);
    EXPECT_NEAR(sn, 1e6 * k.wn, 1e-12);
    EXPECT_EQ(p.r.Rule[1], k.s > 0 ? 1u : 2u);
    const std::vector<double> D = p.Tangent();
    EXPECT_EQ(D[3], 1e6);
    EXPECT_EQ(D[1], 0.0);
    if (k.wn == kTouch) {
      const double h = 1e-7;
      const double slope = (Point306(m)(k.s + h, k.wn) - Point306(m)(k.s - h, k.wn)) / (2 * h);
      EXPECT_NEAR(D[0], slope, 1e-5 * std::fabs(slope));
    }
  }
  // No capacity left (tau_c - mu sigma_n < 0): no shear, no shear stiffness.
  Point306 weak(Friction306(0.4, 0.3, -1.0));
  EXPECT_EQ(weak(0.005, kPressed), 0.0);
  EXPECT_EQ(weak.Tangent()[0], 0.0);
}

TEST(CyclicFriction306, OpeningCarriesNothingAndReclosureMeasuresFromWhereItClosed) {
  const MaterialRecord m = Friction306(0.4, 0.3);
  const CyclicFriction306 c = Nlmm306Of(m);
  Point306 p(m);
  p(0.05, kPressed);
  double sn;
  EXPECT_EQ(p(0.06, 1e-4, &sn), 0.0);
  EXPECT_EQ(sn, 0.0);
  EXPECT_EQ(p.r.Rule[1], 0u);
  EXPECT_EQ(p.r.S, 2);
  EXPECT_EQ(p.Tangent(), (std::vector<double>{0, 0, 0, 1e6}));
  EXPECT_EQ(p.r.R3, 0.05);  // the path is kept while open
  // Closed again at slip 0.07: the slip and the path start there, mu with them.
  EXPECT_EQ(p(0.07, kPressed), 0.0);
  EXPECT_EQ(p.r.V3[1], 0.07);
  EXPECT_EQ(p.r.R4, 0.0);
  const double tauMax = 1 + 2 * FrictionCoefficient_NLMM306(c, 0.005);
  EXPECT_NEAR(p(0.075, kPressed), tauMax * std::pow(0.5, 0.4) * 0.5, 1e-9);
  EXPECT_EQ(p.r.Rule[1], 1u);
  // A reversal after the re-closure keeps its slip measured from there too.
  p(0.17, kPressed);
  p(0.165, kPressed);
  EXPECT_EQ(p.r.Rule[1], 3u);
  EXPECT_NEAR(p.r.H[ReversalRow306(3)][1], 0.1, 1e-12);
  EXPECT_NEAR(p.r.H[NLMM304_HD::kLastReversal][1], 0.1, 1e-12);

  // The surface: an open point has only its normal stiffness; the slip angle by the
  // sign test of the second slip when the first is below 1e-8.
  Point306 q(m, _INTERFACE_QUAD);
  const double wOpen[4] = {0, 0.01, 0.02, 1e-4};
  double sigma[4];
  CalcStress_NLMM306(q.at, m, kStateInterfaceSurface, q.r, wOpen, sigma);
  EXPECT_EQ(sigma[1], 0.0);
  EXPECT_EQ(sigma[2], 0.0);
  EXPECT_EQ(sigma[3], 0.0);
  EXPECT_EQ(q.Tangent(), (std::vector<double>{0, 0, 0, 0, 0, 0, 0, 0, 1e6}));
  const struct {
    double s1, s2, angle;
  } angles[] = {{0, 0.5, kPi / 2}, {5e-9, 1e-9, -kPi / 2}, {0.1, 0.1, kPi / 4}, {-0.1, 0.1, -kPi / 4}};
  for (const auto& a : angles) {
    Point306 s(m, _INTERFACE_QUAD);
    const double w[4] = {0, a.s1, a.s2, kTouch};
    CalcStress_NLMM306(s.at, m, kStateInterfaceSurface, s.r, w, sigma);
    EXPECT_NEAR(s.r.R6, a.angle, 1e-12) << a.s1 << " " << a.s2;
  }
  // Each direction of the surface follows its own envelope.
  Point306 d(m, _INTERFACE_QUAD);
  const double w[4] = {0, 0.005, -0.04, kTouch};
  CalcStress_NLMM306(d.at, m, kStateInterfaceSurface, d.r, w, sigma);
  EXPECT_NEAR(sigma[1], std::pow(0.5, 0.4) * 0.5, 1e-12);
  EXPECT_NEAR(sigma[2], -std::pow(2.0, -0.3), 1e-12);
}

TEST(CyclicFriction306, UnloadingReachesTheNegativeEnvelopeAndFollowsIt) {
  const MaterialRecord m = Friction306(0.4, 0.3);
  const double tau1 = std::pow(0.5, 0.4), K0 = tau1 / 0.01;
  // A small cycle inside the linear branch stays on the envelopes.
  {
    Point306 p(m);
    p(0.008, kTouch);
    EXPECT_NEAR(p(0.002, kTouch), tau1 / 0.01 * 0.002, 1e-12);
    EXPECT_EQ(p.r.Rule[1], 1u);
    EXPECT_NEAR(p(-0.004, kTouch), -tau1 / 0.01 * 0.004, 1e-12);
    EXPECT_EQ(p.r.Rule[1], 2u);
  }
  Point306 p(m);
  const double taur = p(0.1, kTouch);
  EXPECT_NEAR(taur, std::pow(5.0, -0.3), 1e-12);
  // The negative origin moves to the zero-stress intercept; the target lies s1 beyond.
  const double st = 0.1 - taur / K0 - 0.01;
  double last = taur;
  for (double s = 0.099; s > st + 1e-4; s -= 0.001) {
    const double tau = p(s, kTouch);
    EXPECT_EQ(p.r.Rule[1], 3u) << s;
    EXPECT_LT(tau, last);
    EXPECT_GT(tau, -tau1);
    last = tau;
  }
  EXPECT_NEAR(p.r.H[TargetRow306(3)][1], st, 1e-12);
  EXPECT_NEAR(p.r.H[TargetRow306(3) + 1][1], -tau1, 1e-9);
  EXPECT_NEAR(p(st, kTouch), -tau1, 1e-6);  // the target, with the envelope's stress
  EXPECT_EQ(p.r.Rule[1], 3u);
  EXPECT_NEAR(p(st - 0.01, kTouch), -1.0, 1e-9);  // beyond: the negative envelope at s2
  EXPECT_EQ(p.r.Rule[1], 2u);
  EXPECT_NEAR(p(st - 0.03, kTouch), -std::pow(2.0, -0.3), 1e-9);
}

TEST(CyclicFriction306, ReversalRulesChainAndHandBackToTheEnvelopes) {
  const MaterialRecord m = Friction306(0.4, 0.3);
  struct Step {
    double s;
    unsigned rule;
  };
  // Out, part way back, and reversals on each branch; then mirrored on the negative
  // side. Every stress stays within the envelopes' strength.
  const Step steps[] = {{0.1, 1},    {0.09, 3},   {0.095, 5},   {0.093, 7},  {0.094, 9},
                        {0.3, 1},    {0.29, 3},   {-0.2, 2},    {-0.19, 4},  {-0.195, 6},
                        {-0.193, 8}, {-0.194, 10}, {-0.5, 2},   {0.6, 1}};
  Point306 p(m);
  for (const Step& k : steps) {
    const double tau = p(k.s, kTouch);
    EXPECT_EQ(p.r.Rule[1], k.rule) << k.s;
    EXPECT_TRUE(std::isfinite(tau)) << k.s;
    EXPECT_LE(std::fabs(tau), 1.0 + 1e-12) << k.s;
  }
  // Back on the positive envelope from its shifted origin.
  const double x = 0.6 - p.r.H[NLMM304_HD::kOriginPos][1];
  EXPECT_NEAR(p(0.6, kTouch), std::pow(x / 0.02, -0.3), 1e-12);
}

TEST(CyclicFriction306, FailedFitGoesOnLinearAndAppendsItsWarning) {
  // A flat envelope (alpha = beta = 0): unloading from 0.1 to the target 0.08 has no fit.
  MaterialRecord m = Friction306(0, 0);
  const std::string prefix = TestJobName();
  std::snprintf(m.Name2, sizeof m.Name2, "%s", prefix.c_str());
  const std::string file = prefix + "_wrn306.out";
  std::remove(file.c_str());
  Point306 p(m);
  p.at = PointContext{2, 3, 7, 1, 0};
  p(0.1, kTouch);
  EXPECT_NEAR(p(0.095, kTouch), 1 - 100 * 0.005, 1e-9);  // the secant slope K0 = 100
  EXPECT_NEAR(p.Tangent()[0], 100, 1e-9);
  EXPECT_EQ(p.r.Rule[1], 3u);
  p(0.09, kTouch);
  FILE* fp = std::fopen(file.c_str(), "rb");
  ASSERT_NE(fp, nullptr);
  char buf[512] = {};
  const size_t n = std::fread(buf, 1, sizeof buf - 1, fp);
  std::fclose(fp);
  const std::string block =
      "Combination n.:\xBA 3\nElement n.:\xBA 7\nIP n.:\xBA 2\n\tNLMM306 (Reversal rule 3) : linear simplification\n\n";
  EXPECT_EQ(std::string(buf, n), block + block);
  std::remove(file.c_str());
}

TEST(CyclicFriction306, BranchFitAndExponent) {
  // A branch drawn from known tau_0 and b: the fit recovers them from its target point
  // and tangent.
  const double E0 = 100, R = 4, tau0 = 1, b = 0.05, st = 0.03;
  double Kt, tt;
  CalcStressMenegottoPinto(E0, 0.0, tau0, b, R, st, 0.0, 0.0, &Kt, &tt);
  const double Esec = tt / st;
  CalcStressMenegottoPinto(E0, Esec, tau0, b, R, st, 0.0, 0.0, &Kt, &tt);
  const double c = (Kt - Esec) / (Esec - E0);
  double t0, bb;
  ASSERT_TRUE(CalcCurveParams_NLMM306(Kt, E0, Esec, st, 0.0, 0.0, R, c, &t0, &bb));
  EXPECT_NEAR(t0, tau0, 1e-4);
  EXPECT_NEAR(bb, b, 1e-4);
  // No sign change of the residual and no approach to zero: no fit, and zeros.
  EXPECT_FALSE(CalcCurveParams_NLMM306(100, 1, 0.5, 0.1, 0, 0, 2, 0.5, &t0, &bb));
  EXPECT_EQ(t0, 0.0);
  EXPECT_EQ(bb, 0.0);
  EXPECT_FALSE(CalcCurveParams_NLMM306(Kt, E0, Esec, st, 0.0, 0.0, R, NAN, &t0, &bb));

  // The exponent: the rule's value above c, capped at 25 in rules 3, 4, 7, 9 and 10.
  const double base = std::pow(0.01, 0.3333);
  const struct {
    int rule;
    double c, R;
  } cases[] = {
      {3, 0, 16 * base * (1 - 0.01 * 0.5)}, {4, 0, 16 * base * (1 - 0.1 * 0.5)}, {5, 0, 20 * base * (1 - 0.2 * 0.5)},
      {8, 0, 16 * base * (1 - 0.1 * 0.5)},  {3, 30, 25},  {4, 30, 25},  {7, 30, 25},  {9, 30, 25},  {10, 30, 25},
      {5, 30, 30.01},                       {6, 30, 30.01},             {8, 30, 30.01},
  };
  for (const auto& k : cases) EXPECT_NEAR(BranchExponent_NLMM306(k.rule, 0.01, 0.5, k.c), k.R, 1e-12) << k.rule;
}

TEST(CyclicFriction306Death, UnknownRuleOrElementTypeStops) {
  const MaterialRecord m = Friction306(0.4, 0.3);
  Point306 p(m);
  p.r.Rule[1] = 11;
  EXPECT_DEATH(p(0.01, kTouch), kInternal);
  Point306 q(m, _INTERFACE_LINE_3D);
  EXPECT_DEATH(q(0.01, kTouch), kInternal);
}

// ---- _NLMM320 ------------------------------------------------------------------------------

namespace {

// Kind, then chi_0, c_0, c_g0, sigma_u, tanphi_0, tanpsi_0, tanphi_r, tanpsi, alpha_chi,
// alpha_c, alpha_phi, kappa_chi, kappa_c, K_s, K_2, K_3, N.
MaterialRecord Plastic320(int kind, std::vector<double> v) {
  MaterialRecord m = matdriver::RecordWithInts({static_cast<double>(kind)}, {1});
  for (double x : v) {
    m.nValues++;
    m.Value[m.nValues] = x;
    m.ValueType[m.nValues] = 'd';
  }
  return m;
}

MaterialRecord Shear320(double alphaC, double N = 1) {
  return Plastic320(1, {0, 1, 0, 0, 0, 0, 0, 0, 0, alphaC, 0, 0, 0.05, 1e4, 2e4, 3e4, N});
}

struct Point320 {
  MaterialRecord m;
  int type, n;
  NLMM320_HD r{};
  PointContext at{1, 1, 1, 1, 0};
  Point320(const MaterialRecord& mat, int t) : m(mat), type(t), n(t == _INTERFACE_LINE_2D ? 2 : 3) { r.State = 1; }
  std::vector<double> Step(std::vector<double> dw) {
    dw.insert(dw.begin(), 0.0);
    double sigma[4];
    CalcStress_NLMM320(at, m, StressStateOfType(type), n, r, dw.data(), sigma);
    return std::vector<double>(sigma + 1, sigma + 1 + n);
  }
  double D(int i, int j) {
    double d[4][4];
    double* rows[4] = {nullptr, d[1], d[2], d[3]};
    CalcMat_D_NLMM320(at, m, StressStateOfType(type), n, r, rows);
    return d[i][j];
  }
};

}  // namespace

TEST(InterfacePlasticity320, ShearStrengthSoftensAlongItsCurve) {
  const struct {
    double alphaC, kappa, tau;
  } cases[] = {
      {0, 0, 1},     {0, 0.025, 0.5}, {2, 0.025, 1 - std::exp(-2.0) / (1 + std::exp(-2.0))},
      {2, 0.05, 0}, {2, 0.08, 0},    {0, 0.0125, 0.5 + 0.5 * std::cos(kPi / 4)},
  };
  for (const auto& k : cases) {
    const InterfacePlasticity320 c = Nlmm320Of(Shear320(k.alphaC));
    double slope;
    EXPECT_NEAR(ShearStrength_NLMM320(c, k.kappa, &slope), k.tau, 1e-12) << k.kappa;
    const double h = 1e-7;
    double unused;
    const double fd =
        (ShearStrength_NLMM320(c, k.kappa + h, &unused) - ShearStrength_NLMM320(c, k.kappa - h, &unused)) / (2 * h);
    if (k.kappa != 0.05) { EXPECT_NEAR(slope, fd, 1e-6) << k.kappa; }
  }
  EXPECT_NEAR(1 - std::exp(-2.0) / (1 + std::exp(-2.0)), 0.880797, 1e-6);
}

TEST(InterfacePlasticity320, ShearReturnMappingAndPlasticTangent) {
  for (int type : {_INTERFACE_LINE_2D, _INTERFACE_QUAD}) {
    SCOPED_TRACE(type);
    Point320 p(Shear320(2), type);
    // Elastic: the other components elastic too, nothing plastic.
    std::vector<double> s = p.Step({5e-5, 1e-4, 1e-4});
    EXPECT_DOUBLE_EQ(s[0], 0.5);
    EXPECT_DOUBLE_EQ(s[1], 2);
    if (p.n == 3) { EXPECT_DOUBLE_EQ(s[2], 3); }
    EXPECT_EQ(p.r.State, 1);
    EXPECT_EQ(p.D(1, 1), 1e4);
    // Slip past the strength, step by step: on the softening yield surface, kappa the
    // plastic work.
    double slope = 0.0, ty = 0.0, work = 0.0;
    for (int k = 0; k < 250; k++) {
      const double up = p.r.PlasticDisp[1];
      s = p.Step({1e-4, 0, 0});
      ty = ShearStrength_NLMM320(Nlmm320Of(p.m), p.r.Kappa, &slope);
      EXPECT_EQ(p.r.State, 3);
      EXPECT_NEAR(s[0], ty, 1e-6);
      work += s[0] * (p.r.PlasticDisp[1] - up);
    }
    // Both within the tolerances of the mapping: 1e-6 on each step's residuals.
    EXPECT_NEAR(p.r.Kappa, work, 1e-6);
    EXPECT_NEAR(s[0] + 1e4 * p.r.PlasticDisp[1], 0.5 + 1e4 * 0.025, 1e-3);
    EXPECT_DOUBLE_EQ(s[1], 2);
    EXPECT_GT(p.r.Kappa, 0.01);
    EXPECT_LT(p.r.Kappa, 0.04);
    // The same slip in one call of 250 sub-increments.
    Point320 q(Shear320(2, 250), type);
    q.Step({5e-5, 1e-4, 1e-4});
    EXPECT_NEAR(q.Step({0.025, 0, 0})[0], s[0], 1e-9);
    EXPECT_NEAR(q.r.Kappa, p.r.Kappa, 1e-9);
    EXPECT_GT(q.r.Multiplier, 100 * p.r.Multiplier);  // summed over the sub-increments
    // The tangent K_s H / (K_s + H), H = tau dtau_y/dkappa, against central differences
    // of a further small plastic step.
    const NLMM320_HD r0 = p.r;
    const double H = ty * slope, dw = 1e-6, h = 1e-8;
    Point320 a = p, b = p;
    const double fd = (a.Step({dw + h, 0, 0})[0] - b.Step({dw - h, 0, 0})[0]) / (2 * h);
    EXPECT_NEAR(p.D(1, 1), 1e4 * H / (1e4 + H), 1e-9);
    EXPECT_NEAR(p.D(1, 1), fd, 2e-3 * std::fabs(fd));
    EXPECT_LT(fd, 0.0);
    EXPECT_EQ(p.D(2, 2), 2e4);
    // Unloading from the surface is elastic and leaves the plastic state alone.
    p.Step({-1e-5, 0, 0});
    EXPECT_EQ(p.r.State, 1);
    EXPECT_EQ(p.r.Kappa, r0.Kappa);
    EXPECT_EQ(p.r.Multiplier, r0.Multiplier);
  }
  // Fully softened: no strength, a plastic point with nothing to carry.
  Point320 p(Shear320(2), _INTERFACE_LINE_2D);
  p.r.Kappa = 0.06;
  p.r.State = 3;
  EXPECT_EQ(p.D(1, 1), 1e-8 * 1e4);
  EXPECT_EQ(p.Step({1e-3, 0})[0], 0.0);
  EXPECT_EQ(p.r.State, 3);
  EXPECT_EQ(p.r.PlasticDisp[1], 1e-3);
}

namespace {

// chi_0 1, c_0 = c_g0 2, sigma_u 1, tanphi_0 0.6, tanpsi_0 0.3, tanphi_r 0.4, tanpsi 0.2,
// alpha_chi 1, alpha_c 2, alpha_phi 0.5, kappa_chi 0.05, kappa_c 0.5, K_s 1e4, K_2 1e4, K_3 2e4.
MaterialRecord Surface320(double K2 = 1e4) {
  return Plastic320(2, {1, 2, 2, 1, 0.6, 0.3, 0.4, 0.2, 1, 2, 0.5, 0.05, 0.5, 1e4, K2, 2e4, 1});
}

// The yield function at the record's stresses and kappa, from the softened strengths.
double YieldOf(const Point320& p) {
  const auto h = [](double k, double lim, double alpha) {
    const double D = k <= lim ? 0.5 - 0.5 * std::cos(kPi * k / lim) : 1.0;
    const double w = std::exp(-alpha);
    return D * w / ((w - 1) * D + 1);
  };
  const double k = p.r.Kappa;
  const double chi = 1 - h(k, 0.05, 1), c = 2 * (1 - h(k, 0.5, 2)), tp = 0.6 - 0.2 * h(k, 0.5, 0.5);
  const double* t = p.r.Stress;
  if (p.n == 2) return t[1] * t[1] - std::pow(c - t[2] * tp, 2) + std::pow(c - chi * tp, 2);
  return std::sqrt(t[1] * t[1] + t[2] * t[2] + std::pow(c - chi * tp, 2)) - (c - t[3] * tp);
}

}  // namespace

TEST(InterfacePlasticity320, MohrCoulombSurfaceReturnsToTheYieldSurface) {
  struct Case {
    int type;
    std::vector<double> dw;
  };
  const Case cases[] = {
      {_INTERFACE_LINE_2D, {0, 2e-4}},        // pure tension past chi_0
      {_INTERFACE_LINE_2D, {5e-4, 0}},        // pure shear
      {_INTERFACE_LINE_2D, {-5e-4, 5e-5}},    // negative shear with some tension
      {_INTERFACE_LINE_2D, {6e-4, -5e-5}},    // shear under compression above -sigma_u
      {_INTERFACE_LINE_2D, {1e-3, -2e-4}},    // shear under compression below -sigma_u
      {_INTERFACE_QUAD, {3e-4, 3e-4, 0}},     // shear in both directions
      {_INTERFACE_QUAD, {0, 0, 1e-4}},        // tension
      {_INTERFACE_QUAD, {5e-4, -2e-4, -5e-5}},
      {_INTERFACE_LINE_3D, {5e-4, 0, -1e-4}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.type) + " " + std::to_string(k.dw[0]) + " " + std::to_string(k.dw.back()));
    Point320 p(Surface320(), k.type);
    p.Step(k.dw);
    EXPECT_EQ(p.r.State, 3);
    EXPECT_NEAR(YieldOf(p), 0.0, 1e-6);
    EXPECT_GT(p.r.Kappa, 0.0);
    // A further plastic step starts from the softened state and ends on the surface.
    const double kappa = p.r.Kappa;
    std::vector<double> more = k.dw;
    for (double& x : more) x /= 4;
    p.Step(more);
    EXPECT_NEAR(YieldOf(p), 0.0, 1e-6);
    EXPECT_GE(p.r.Kappa, kappa);
    if (k.type == _INTERFACE_LINE_2D && k.dw[1] == -2e-4) {
      EXPECT_LT(p.r.Stress[2], -1.0);
      EXPECT_EQ(p.r.PlasticDisp[2], 0.0);  // no dilatancy below -sigma_u
    }
    if (k.dw.back() > 0) {
      EXPECT_GT(p.r.PlasticDisp[p.n], 0.0);
    }
    const double f = p.D(1, 1) / 1e4;
    EXPECT_LT(f, 1.0);
    EXPECT_NEAR(p.D(2, 2), f * 1e4, 1e-9 * 1e4);
  }
  // A joint shears alike either way: under compression the work counts the magnitude of
  // the shear less the friction, whatever the sign of the slip.
  for (int type : {_INTERFACE_LINE_2D, _INTERFACE_QUAD}) {
    Point320 a(Surface320(), type), b(Surface320(), type);
    const bool plane = type == _INTERFACE_LINE_2D;
    const std::vector<double> sa =
        a.Step(plane ? std::vector<double>{6e-4, -5e-5} : std::vector<double>{6e-4, 0, -5e-5});
    const std::vector<double> sb =
        b.Step(plane ? std::vector<double>{-6e-4, -5e-5} : std::vector<double>{-6e-4, 0, -5e-5});
    EXPECT_EQ(a.r.State, 3);
    EXPECT_LT(sa.back(), 0.0);
    EXPECT_NEAR(sa[0], -sb[0], 1e-9);
    EXPECT_NEAR(sa.back(), sb.back(), 1e-9);
    EXPECT_NEAR(a.r.Kappa, b.r.Kappa, 1e-12);
  }
  // Inside the surface: elastic.
  Point320 p(Surface320(), _INTERFACE_LINE_2D);
  p.Step({1e-5, -1e-5});
  EXPECT_EQ(p.r.State, 1);
  EXPECT_EQ(p.r.Kappa, 0.0);
  EXPECT_DOUBLE_EQ(p.r.Stress[1], 0.1);
  EXPECT_EQ(p.D(1, 1), 1e4);
}

TEST(InterfacePlasticity320Death, SingularElasticityWrongKindOrType) {
  Point320 p(Surface320(0.0), _INTERFACE_LINE_2D);
  EXPECT_EXIT(p.Step({1e-4, 0}), testing::ExitedWithCode(1),
              "Mapping back the trial stress state to the yield surface:\n   -> Combination: 1\n(.|\n)*"
              "   -> Nonlinear material model: _NLMM320\n(.|\n)*Unable to invert the elasticity matrix \\(De\\)\\.");
  Point320 q(Surface320(), _SOLID_HEXA);
  q.n = 3;
  EXPECT_DEATH(q.Step({1e-4, 0, 0}), kInternal);
  Point320 w(Plastic320(3, {1, 2, 2, 1, 0.6, 0.3, 0.4, 0.2, 1, 2, 0.5, 0.05, 0.5, 1e4, 1e4, 2e4, 1}),
             _INTERFACE_LINE_2D);
  EXPECT_DEATH(w.Step({1e-4, 0}), kInternal);
}
