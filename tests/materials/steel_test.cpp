// Uniaxial steel laws at a sampling point: the Menegotto-Pinto branch and its fit, the
// monotonic steel with elastic unloading, the cyclic steel's skeleton and reversals,
// each checked against closed forms and finite differences of its own stress.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "materials/material_point.h"
#include "materials/uniaxial/steel.h"
#include "support/material_driver.h"

namespace {

using matdriver::Step;

// A path from a list of strains, every step at iteration 3.
std::vector<Step> Path(const std::vector<double>& strains) {
  std::vector<Step> p;
  for (double e : strains) p.push_back({e, 3});
  return p;
}

// Strains from a to b in steps of h (b included), after the strains already in `out`.
void Ramp(std::vector<double>& out, double a, double b, double h) {
  const int n = static_cast<int>(std::lround(std::fabs(b - a) / h));
  for (int k = 1; k <= n; k++) out.push_back(a + (b - a) * k / n);
}

// Trapezoidal work of the stress along the steps i0..i1 of a path.
double Work(const std::vector<Step>& p, const std::vector<matdriver::Response>& r, size_t i0, size_t i1) {
  double w = 0.0;
  for (size_t k = i0 + 1; k <= i1; k++) w += 0.5 * (r[k].stress + r[k - 1].stress) * (p[k].strain - p[k - 1].strain);
  return w;
}

}  // namespace

TEST(MenegottoPinto, CurveThroughItsAsymptoteIntersection) {
  // E0 = 200000, sigma0 = 400, b = 0.01, R = 20 from (0, 0).
  const double eps[] = {0.001, 0.002, 0.004, 0.01};
  const double sig[] = {199.99999, 386.51079, 403.99998, 416.00000};
  for (int k = 0; k < 4; k++) {
    double t, s;
    CalcStressMenegottoPinto(200000, 50000, 400, 0.01, 20, eps[k], 0, 0, &t, &s);
    EXPECT_NEAR(s, sig[k], 1e-5) << eps[k];
  }
  // At the reversal point: its stress and the secant slope; b = 1 is the initial line.
  double t, s;
  CalcStressMenegottoPinto(180000, 30000, -250, 0.02, 15, 0.004, 0.004, 300, &t, &s);
  EXPECT_EQ(s, 300.0);
  EXPECT_EQ(t, 30000.0);
  CalcStressMenegottoPinto(180000, 30000, -250, 1.0, 15, 0.001, 0.004, 300, &t, &s);
  EXPECT_NEAR(s, 300.0 - 540.0, 1e-9);
  // Far along the branch the tangent tends to b E0.
  CalcStressMenegottoPinto(200000, 50000, 400, 0.01, 20, 1.0, 0, 0, &t, &s);
  EXPECT_NEAR(t, 2000.0, 1e-6);
}

TEST(MenegottoPinto, FitReachesTheTargetOnEveryPath) {
  struct Case {
    double E0, er, sr, et, st, Et, R;
  };
  // Unloading towards compression, reloading towards tension, a target steeper than the
  // secant (no sign change: fall-back), a nearly straight branch (fall-back to 1).
  const Case cases[] = {
      {190000, 0.01, 420, -0.004, -380, 4000, 18},  {195000, -0.006, -300, 0.008, 410, 2500, 12},
      {200000, 0.0, 0.0, 0.01, 416, 2000, 20},      {150000, 0.0, 0.0, 0.002, 100, 120000, 5},
      {200000, 0.0, 0.0, 0.002, 399.999, 199000, 20}, {180000, 0.003, 100, -0.002, -200, 59000, 8},
  };
  for (const Case& c : cases) {
    const double Esec = (c.st - c.sr) / (c.et - c.er);
    double R = c.R;
    const double cc = (c.Et - Esec) / (Esec - c.E0);
    if (R <= cc) R = cc + 0.01;
    double sigma0, b;
    CalcMenegottoPintoParams(c.Et, c.E0, Esec, c.et, c.er, c.sr, R, cc, &sigma0, &b);
    ASSERT_TRUE(std::isfinite(sigma0) && std::isfinite(b)) << c.st;
    double t, s;
    CalcStressMenegottoPinto(c.E0, Esec, sigma0, b, R, c.et, c.er, c.sr, &t, &s);
    EXPECT_NEAR(s, c.st, 1e-9 * std::fabs(c.st)) << c.st;
  }
  // A bracketed fit arrives with the target's tangent.
  {
    const double E0 = 190000, er = 0.01, sr = 420, et = -0.004, st = -380, Et = 4000;
    const double Esec = (st - sr) / (et - er), cc = (Et - Esec) / (Esec - E0);
    double sigma0, b, t, s;
    CalcMenegottoPintoParams(Et, E0, Esec, et, er, sr, 18, cc, &sigma0, &b);
    CalcStressMenegottoPinto(E0, Esec, sigma0, b, 18, et, er, sr, &t, &s);
    EXPECT_NEAR(CalcGeomSeriesResidual(0.5, E0, Et, Esec, 18), Et + E0 * 0.5 * (1 - std::pow(0.5, 18)) / 0.5 -
                                                                     Esec * (1 - std::pow(0.5, 19)) / 0.5,
                1e-6);
    EXPECT_LT(b, 1.0);
  }
}

namespace {

// eps_y 0.002, f_y 400, eps_sh 0.01, f_sh 420, eps_u 0.1, f_u 600, p 2.
const MaterialRecord k201 = matdriver::Record({7.85e-9, 1.2e-5, 0.002, 400, 0.01, 420, 0.1, 600, 2});

double Envelope201(double x) {
  if (x <= 0.002) return 2e5 * x;
  if (x <= 0.01) return 420 + (x - 0.01) * 20 / 0.008;
  if (x <= 0.1) return 600 - 180 * std::pow((0.1 - x) / 0.09, 2);
  return 0.0;
}

}  // namespace

TEST(Nlmm201, MonotonicTensionFollowsTheEnvelope) {
  std::vector<double> e;
  Ramp(e, 0.0, 0.12, 0.0005);
  const std::vector<Step> p = Path(e);
  const auto out = matdriver::DriveUniaxial(MAT_NLMM201, k201, p);
  for (size_t k = 0; k < p.size(); k++) EXPECT_NEAR(out[k].stress, Envelope201(e[k]), 1e-9) << e[k];
  EXPECT_EQ(out[3].stress, 400.0);  // 0.002: f_y exactly
  EXPECT_NEAR(out[19].stress, 420.0, 1e-12);
  EXPECT_NEAR(out[199].stress, 600.0, 1e-12);
  EXPECT_EQ(out.back().stress, 0.0);
  EXPECT_EQ(out.back().tangent, 0.0);
  // Tangents of every branch against finite differences of the stress.
  for (size_t k : {1u, 7u, 40u, 150u}) {
    const double fd = matdriver::FiniteDifferenceSlope(MAT_NLMM201, k201, p, k, 1e-7);
    EXPECT_NEAR(out[k].tangent, fd, 1e-5 * std::fabs(fd) + 1e-6) << e[k];
  }
  // Past eps_u the bar stays broken.
  const auto back = matdriver::DriveUniaxial(MAT_NLMM201, k201, Path({0.05, 0.11, 0.05, -0.05}));
  EXPECT_EQ(back[2].stress, 0.0);
  EXPECT_EQ(back[3].stress, 0.0);
}

TEST(Nlmm201, UnloadingIsElasticAndTheCompressionEnvelopeStartsAtZeroStress) {
  // From 0.03 on the hardening branch down to -0.02.
  std::vector<double> e;
  Ramp(e, 0.0, 0.03, 0.001);
  const size_t top = e.size() - 1;
  Ramp(e, 0.03, -0.02, 0.001);
  const std::vector<Step> p = Path(e);
  const auto out = matdriver::DriveUniaxial(MAT_NLMM201, k201, p);
  const double sa = Envelope201(0.03), e0 = 0.03 - sa / 2e5;
  for (size_t k = top + 1; k < e.size(); k++) {
    const double expected = e[k] >= e0 - 0.002 ? sa + 2e5 * (e[k] - 0.03) : -Envelope201(e0 - e[k]);
    EXPECT_NEAR(out[k].stress, expected, 1e-9) << e[k];
  }
  EXPECT_EQ(out[top + 3].tangent, 2e5);
  const size_t k = e.size() - 5;
  EXPECT_NEAR(out[k].tangent, matdriver::FiniteDifferenceSlope(MAT_NLMM201, k201, p, k, 1e-7), 1e-3);
}

TEST(Nlmm201, ElasticPerfectlyPlasticCycleEnclosesTheClosedFormWork) {
  // eps_y = eps_sh = 0.002, f = 400 throughout, eps_u = 0.2.
  const MaterialRecord m = matdriver::Record({7.85e-9, 1.2e-5, 0.002, 400, 0.002, 400, 0.2, 400, 1});
  std::vector<double> e{0.0};
  Ramp(e, 0.0, 0.01, 0.0005);
  const size_t a = e.size() - 1;
  Ramp(e, 0.01, -0.01, 0.0005);
  const size_t bottom = e.size() - 1;
  Ramp(e, -0.01, 0.01, 0.0005);
  const size_t b = e.size() - 1;
  Ramp(e, 0.01, -0.01, 0.0005);
  Ramp(e, -0.01, 0.01, 0.0005);
  const std::vector<Step> p = Path(e);
  const auto out = matdriver::DriveUniaxial(MAT_NLMM201, m, p);
  // Down: elastic to 0.006, then -400; up: the straight line through both reversals.
  for (size_t k = a + 1; k <= bottom; k++)
    EXPECT_NEAR(out[k].stress, std::fmax(400 + 2e5 * (e[k] - 0.01), -400.0), 1e-9) << e[k];
  for (size_t k = bottom + 1; k <= b; k++) EXPECT_NEAR(out[k].stress, 40000 * e[k], 1e-9) << e[k];
  EXPECT_NEAR(out[bottom + 5].tangent, 40000.0, 1e-9);
  EXPECT_NEAR(Work(p, out, a, b), 2 * 400 * (0.01 - 0.002), 1e-9);
  // The next cycle runs on that line and encloses nothing.
  EXPECT_NEAR(Work(p, out, b, e.size() - 1), 0.0, 1e-9);
}

namespace {

// E 200000, Esh 5000, eps_y 0.002, fy 400, eps_sh 0.01, (unused), eps_u 0.1, fu 600.
const MaterialRecord k202 = matdriver::Record({7.85e-9, 1.2e-5, 200000, 5000, 0.002, 400, 0.01, 0, 0.1, 600});

// Skeleton in closed form: the smooth elastic-plastic curve, and past eps_sh the
// hardening term with P = Esh (eps_u - eps_sh) / (fu - fy) = 2.25.
double Skeleton202(double e) {
  const double x = std::fabs(e);
  const double h = x > 0.01 ? 200 * (1 - std::pow((0.1 - x) / 0.09, 2.25)) : 0.0;
  return 2e5 * e / std::pow(1 + std::pow(2e5 * e / 400, 10), 0.1) + (e < 0 ? -h : h);
}

}  // namespace

TEST(Nlmm202, SkeletonAtYieldAndFracture) {
  const auto out = matdriver::DriveUniaxial(MAT_NLMM202, k202, Path({0.001, 0.002}));
  EXPECT_NEAR(out[1].stress, 373.21320, 1e-5);
  EXPECT_NEAR(out[1].tangent, 93303.3, 0.05);
  const std::vector<Step> p = Path({0.001, 0.002, 0.005, 0.02, 0.06, 0.1, 0.12});
  const auto up = matdriver::DriveUniaxial(MAT_NLMM202, k202, p);
  EXPECT_NEAR(up[2].stress, Skeleton202(0.005), 1e-9);  // no hardening before eps_sh
  EXPECT_EQ(up[5].stress, 0.0);
  EXPECT_EQ(up[5].tangent, 0.0);
  EXPECT_EQ(up[6].stress, 0.0);
  // The skeleton's tangent is the slope of its stress (the hardening term to 1 %).
  for (size_t k : {0u, 1u, 2u}) {
    const double fd = matdriver::FiniteDifferenceSlope(MAT_NLMM202, k202, p, k, 1e-8);
    EXPECT_NEAR(up[k].tangent, fd, 1e-6 * std::fabs(fd) + 1e-3) << k;
  }
  for (size_t k : {3u, 4u}) {
    const double fd = matdriver::FiniteDifferenceSlope(MAT_NLMM202, k202, p, k, 1e-7);
    EXPECT_NEAR(up[k].tangent, fd, 0.01 * fd) << k;
  }
  // Compression mirrors tension.
  const auto down = matdriver::DriveUniaxial(MAT_NLMM202, k202, Path({-0.001, -0.002, -0.02}));
  EXPECT_NEAR(down[1].stress, -373.21320, 1e-5);
  EXPECT_NEAR(down[2].stress, -up[3].stress, 1e-9);
}

TEST(Nlmm202, ReversalOnThePlateauMeetsTheCompressionSkeletonAtItsTarget) {
  std::vector<double> e;
  Ramp(e, 0.0, 0.005, 0.0005);
  const size_t top = e.size() - 1;
  Ramp(e, 0.005, -0.012, 0.0005);
  const std::vector<Step> p = Path(e);
  const auto out = matdriver::DriveUniaxial(MAT_NLMM202, k202, p);
  const double sr = Skeleton202(0.005);
  EXPECT_NEAR(out[top].stress, sr, 1e-9);
  // Rule 3 aims at o- + d-, o- = eps_r - sig_r / E, d- = -eps_y - t (eps_sh - eps_y).
  const double t = (0.005 - 0.002) / 0.008, oMinus = 0.005 - sr / 2e5, target = oMinus - 0.002 - t * 0.008;
  bool metSkeleton = false;
  for (size_t k = top + 1; k < e.size(); k++) {
    const double elastic = sr + 2e5 * (e[k] - 0.005);
    if (e[k] > target) {
      // Bauschinger effect: softer than the elastic line, above the shifted skeleton.
      if (k > top + 1) {
        EXPECT_GT(out[k].stress, elastic) << e[k];
      }
      EXPECT_GE(out[k].stress, Skeleton202(e[k] - oMinus) - 1e-9) << e[k];
    } else {
      EXPECT_NEAR(out[k].stress, Skeleton202(e[k] - oMinus), 1e-9) << e[k];
      metSkeleton = true;
    }
  }
  EXPECT_TRUE(metSkeleton);
  // At the target itself the branch gives the skeleton's stress.
  std::vector<Step> q(p.begin(), p.begin() + static_cast<long>(top) + 2);
  q.back().strain = target;
  EXPECT_NEAR(matdriver::DriveUniaxial(MAT_NLMM202, k202, q).back().stress, Skeleton202(target - oMinus), 1e-9);
}

TEST(Nlmm202, CyclesStayBetweenTheSkeletonsAndRepeatAZeroStep) {
  std::vector<double> e;
  Ramp(e, 0.0, 0.02, 0.0005);
  Ramp(e, 0.02, -0.01, 0.0005);
  Ramp(e, -0.01, 0.004, 0.0005);
  Ramp(e, 0.004, -0.004, 0.0005);
  Ramp(e, -0.004, 0.03, 0.0005);
  e.push_back(e.back());
  const auto out = matdriver::DriveUniaxial(MAT_NLMM202, k202, Path(e));
  for (size_t k = 0; k < e.size(); k++) {
    ASSERT_TRUE(std::isfinite(out[k].stress) && std::isfinite(out[k].tangent)) << k;
    EXPECT_LE(std::fabs(out[k].stress), 600.0) << k;
  }
  EXPECT_EQ(out[e.size() - 1].stress, out[e.size() - 2].stress);
  EXPECT_EQ(out[e.size() - 1].tangent, out[e.size() - 2].tangent);
  // The last reloading climbs back to the tension skeleton's hardening range.
  EXPECT_GT(out.back().stress, 450.0);
}

TEST(Nlmm202, VirginRuleZeroAndRulesBeyondTenAreRefused) {
  const CyclicSteel s = CyclicSteelOf(k202, 3);
  EXPECT_NEAR(s.P, 5000 * 0.09 / 200, 1e-12);
  NLMM145_HD r{};
  double sig = 1, tan = 1;
  CalcStress_NLMM202(s, r, 0.003, &sig, &tan);
  EXPECT_EQ(sig, 0.0);
  EXPECT_EQ(tan, 0.0);
  EXPECT_EQ(r.Value[NLMM145_HD::kStrain], 0.003);
  EXPECT_EQ(r.RuleNumber, 0);
  r.RuleNumber = 11;
  EXPECT_DEATH(CalcStress_NLMM202(s, r, 0.003, &sig, &tan), "INTERNAL ERROR");
}

// Partial reversals inside every branch: each rule is reached, the stress stays within
// the ultimate stress, and each branch's result equals the record it leaves behind.
TEST(Nlmm202, PartialReversalsReachEveryRule) {
  const CyclicSteel s = CyclicSteelOf(k202, 3);
  NLMM145_HD r{};
  r.RuleNumber = r.StateWord = 1;
  std::vector<double> e;
  Ramp(e, 0.0, 0.02, 0.0005);     // 1
  Ramp(e, 0.02, 0.017, 0.0005);   // 3
  Ramp(e, 0.017, 0.019, 0.0005);  // 5
  Ramp(e, 0.019, 0.018, 0.0005);  // 7
  Ramp(e, 0.018, 0.0185, 0.0005); // 9
  Ramp(e, 0.0185, -0.01, 0.0005); // 7, 3, 2
  Ramp(e, -0.01, -0.007, 0.0005); // 4
  Ramp(e, -0.007, -0.009, 0.0005); // 6
  Ramp(e, -0.009, -0.008, 0.0005); // 8
  Ramp(e, -0.008, -0.0085, 0.0005); // 10
  Ramp(e, -0.0085, 0.03, 0.0005); // 8, 4, 1
  bool seen[11] = {};
  for (double x : e) {
    double sig, tan;
    CalcStress_NLMM202(s, r, x, &sig, &tan);
    seen[r.RuleNumber] = true;
    ASSERT_TRUE(std::isfinite(sig) && std::isfinite(tan)) << x;
    EXPECT_LE(std::fabs(sig), 600.0) << x;
    EXPECT_EQ(r.Value[NLMM145_HD::kTan], tan);
    EXPECT_EQ(r.Value[NLMM145_HD::kStrain], x);
    EXPECT_EQ(r.Value[NLMM145_HD::kStress], sig);
  }
  for (int rule = 1; rule <= 10; rule++) EXPECT_TRUE(seen[rule]) << rule;
}
