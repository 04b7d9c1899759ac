// Cyclic concrete: the envelope, transition and unloading curves with the secant search
// and the elastic threshold; the rule transitions of the fibre law _NLMM210 with the
// points each reversal stores, its strain limit and refusals; the compression-only fibre
// law _NLMM220.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "materials/uniaxial/concrete_cyclic.h"
#include "model/material.h"
#include "support/material_driver.h"

namespace {

constexpr const char* kInternal = "INTERNAL ERROR";
const PointContext kAt{3, 2, 7, 4, 0};

// E_c 30000, eps_c 0.002, f_c 30 (n 2, r 3.869231), critical strain 0.004; in tension
// eps_t -0.00015, f_t -3 (n 1.5), eps_crk -0.0006.
const MaterialRecord k210 = matdriver::Record({2.4, 1e-5, 30000, 0.002, 30, 0.004, -0.00015, -3, -0.0006});

// "<NLMM220>": the envelope type word, then fifteen values from slot 65.
MaterialRecord Record220(int type, double rho) {
  return matdriver::RecordWithInts(
      {double(type), 2.4, 1e-5, 30000, 0.002, 30, 0, -5000, 0.0035, 20, rho, 0.002, 38, 0, 0, 0}, {1});
}

struct Point {
  double e, s;  // compression positive
};

// The fibre driven through compression-positive strains; the points it returned.
std::vector<Point> Drive(NLMM210_HD& r, const std::vector<double>& strains) {
  std::vector<Point> out;
  for (double c : strains) {
    double s, t;
    CalcStress_NLMM210(kAt, k210, r, -c, &s, &t);
    out.push_back({c, -s});
  }
  return out;
}

NLMM210_HD Fresh210() {
  NLMM210_HD r{};
  r.RuleNumber = 1;
  return r;
}

}  // namespace

// f_c = 30, eps_c = 0.002, E_c = 30000: n = 2, r = 3.869231. The logarithmic form at r = 1
// is the limit of the general one; r = 0 is the flat envelope y = 1.
TEST(CyclicConcreteCurves, Envelope) {
  const double n = 2.0, r = EnvelopeShape(30.0);
  EXPECT_NEAR(r, 3.869231, 1e-6);
  const struct {
    double x, y;
  } ys[] = {{0.5, 0.740968}, {1.0, 1.0}, {1.5, 0.821804}, {2.0, 0.540823}};
  for (const auto& c : ys) EXPECT_NEAR(CalcEnvelopeY_NLMM211(n, r, c.x), c.y, 1e-6) << c.x;
  EXPECT_NEAR(CalcEnvelopeZ_NLMM211(n, r, 0.5), 0.511463, 1e-6);
  EXPECT_NEAR(CalcEnvelopeZ_NLMM211(n, r, 1.0), 0.0, 1e-15);
  // z is the slope of y over n: a central difference.
  for (double x : {0.3, 0.9, 1.7}) {
    const double h = 1e-6;
    EXPECT_NEAR(CalcEnvelopeZ_NLMM211(n, r, x),
                (CalcEnvelopeY_NLMM211(n, r, x + h) - CalcEnvelopeY_NLMM211(n, r, x - h)) / (2 * h * n), 1e-8);
  }
  for (double x : {0.4, 1.0, 2.5}) {
    EXPECT_NEAR(CalcEnvelopeY_NLMM211(n, 1.0, x), CalcEnvelopeY_NLMM211(n, 1.0 + 1e-7, x), 1e-6) << x;
    EXPECT_NEAR(CalcEnvelopeZ_NLMM211(n, 1.0, x), CalcEnvelopeZ_NLMM211(n, 1.0 - 1e-7, x), 1e-6) << x;
    EXPECT_DOUBLE_EQ(CalcEnvelopeY_NLMM211(n, 0.0, x), 1.0);
  }
  EXPECT_EQ(CalcEnvelopeY_NLMM211(n, r, 0.0), 0.0);
}

// Every variant passes both end points; the slopes are those given wherever the power
// is in use. R = 0 (end slope = secant) and a start slope equal to the secant give the
// straight line; a power of the span below 1e-20 gives the line in the _NLMM210 form
// only.
TEST(CyclicConcreteCurves, TransitionCurves) {
  const double e0 = 0.001, s0 = 10, eF = 0.002, sF = 20;  // secant 10000
  const struct {
    const char* what;
    double E0, EF;
    bool slopes210, slopes220;
  } cases[] = {
      {"power 0.5", 30000, 0, true, true},
      {"R = 0", 30000, 10000, false, false},
      {"start slope = secant", 10000, 25000, false, false},
      {"power 8, clamped", 30000, -150000, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (int v = 0; v < 3; v++) {
      auto curve = v == 0 ? CalcTransitionCurve_NLMM210 : v == 1 ? CalcTransitionCurve_NLMM211 : CalcTransitionCurve_NLMM220;
      const bool slopes = v == 2 ? c.slopes220 : c.slopes210;
      double s, t;
      curve(c.EF, c.E0, eF, e0, sF, s0, e0, &s, &t);
      EXPECT_NEAR(s, s0, 1e-12);
      EXPECT_NEAR(t, slopes ? c.E0 : 10000, 1e-7) << v;
      curve(c.EF, c.E0, eF, e0, sF, s0, eF, &s, &t);
      EXPECT_NEAR(s, sF, 1e-12);
      EXPECT_NEAR(t, slopes ? c.EF : 10000, 1e-6) << v;
      // The tangent is the slope of the stress.
      const double h = 1e-9, e = 0.0013;
      double sp, sm;
      curve(c.EF, c.E0, eF, e0, sF, s0, e + h, &sp, &t);
      curve(c.EF, c.E0, eF, e0, sF, s0, e - h, &sm, &t);
      curve(c.EF, c.E0, eF, e0, sF, s0, e, &s, &t);
      EXPECT_NEAR(t, (sp - sm) / (2 * h), 1e-4 * std::fabs(t) + 1e-3) << v;
    }
  }
}

// Unloading from (0.003, 30 y(1.5)) reaches zero stress at 0.003 - 24.65412 / 14215.97;
// at the origin the reloading secant is 0 for the fibres and E_c for the plane layers.
TEST(CyclicConcreteCurves, CompressionUnloading) {
  const double sun = 30 * CalcEnvelopeY_NLMM211(2, EnvelopeShape(30), 1.5);
  const UnloadParams u = CompressionUnloadParams(UnloadVariant::kFibre210, 30000, 0.002, 0.003, sun);
  EXPECT_NEAR(u.Esec, 14215.97, 0.01);
  EXPECT_NEAR(u.epl, 0.0012657, 1e-7);
  EXPECT_NEAR(u.Epl, 3000 * std::exp(-3.0), 1e-9);
  EXPECT_NEAR(u.snew, sun * (1 - 0.09 * std::sqrt(1.5)), 1e-12);
  EXPECT_NEAR(u.Enew, u.snew / (0.003 - u.epl), 1e-9);
  EXPECT_NEAR(u.ere, 0.003 + 0.003 / (1.15 + 2.75 * 1.5), 1e-15);
  const UnloadParams o210 = CompressionUnloadParams(UnloadVariant::kFibre210, 30000, 0.002, 0.0, 0.0);
  const UnloadParams o211 = CompressionUnloadParams(UnloadVariant::kPlane211, 30000, 0.002, 0.0, 0.0);
  EXPECT_EQ(o210.epl, 0.0);
  EXPECT_EQ(o210.Enew, 0.0);
  EXPECT_EQ(o211.Enew, 30000.0);
}

// From a point below the tension envelope the search returns a point of the envelope
// whose secant is E_c; the elastic threshold lies where the line E_c eps meets the
// envelope (r < 1 for f_c 12, the envelope above its tangent line near the origin).
TEST(CyclicConcreteCurves, SecantSearchAndElasticThreshold) {
  const Concrete210 c = Concrete210Of(k210);
  const NLMM210_HD r = Fresh210();
  const double e0 = -0.00005, s0 = 0.0;
  double e = -0.00008, s = -3 * CalcEnvelopeY_NLMM211(1.5, c.r, 0.00008 / 0.00015);
  ASSERT_GT((s - s0) / (e - e0), 30000);
  CalcGeneralFunction_NLMM210(c, r, e0, s0, &e, &s);
  EXPECT_NEAR((s - s0) / (e - e0), 30000, 30000 * 1e-8);
  EXPECT_NEAR(s, -3 * CalcEnvelopeY_NLMM211(1.5, c.r, e / -0.00015), 1e-12);
  EXPECT_LT(e, -0.00008);

  const double rLow = EnvelopeShape(12), n = 0.002 * 30000 / 12;
  const double t = ElasticThreshold(30000, n, rLow, 0.002, 12);
  EXPECT_GT(t, 1e-5);
  EXPECT_NEAR(30000 * t, 12 * CalcEnvelopeY_NLMM211(n, rLow, t / 0.002), 1e-9);
  EXPECT_LT(c.thrC, 1e-12);  // r > 1: the envelope leaves the line at once
}

// One row per transition of the rule table: the rule reached and the points the
// reversal stored (the point of the call before). A repeated strain (d = 0) gives the
// same stress and tangent and stores nothing.
TEST(Nlmm210, RuleTransitions) {
  enum What { kPointOf, kStrainOf, kGrew, kShrank };
  struct Check {
    int field;
    What what;
  };
  const struct {
    const char* what;
    std::vector<double> path;
    int rule;
    std::vector<Check> checks;
  } rows[] = {
      {"1 loads", {0.001, 0.0015}, 1, {}},
      {"1 unloads: 3", {0.001, 0.0008}, 3, {{7, kPointOf}, {13, kPointOf}}},
      {"3 unloads", {0.001, 0.0008, 0.0007}, 3, {}},
      {"3 reloads: 71", {0.001, 0.0008, 0.0009}, 71, {{9, kPointOf}}},
      {"71 unloads: 3, unloading point moved on", {0.001, 0.0008, 0.0009, 0.00085}, 3, {{13, kPointOf}, {7, kGrew}}},
      {"71 passes its return strain: 1", {0.001, 0.0008, 0.0015}, 1, {}},
      {"3 past its plastic strain: 9, 8 and 2", {0.001, -0.0002}, 2, {}},
      {"3 past the critical strain: 6", {0.005, 0.0045, -0.0005}, 6, {}},
      {"untouched fibre in tension: 2", {-0.0001, -0.00012}, 2, {}},
      {"2 reloads: 4", {-0.0001, -0.00005}, 4, {{15, kPointOf}, {13, kPointOf}}},
      {"4 unloads again: 81", {-0.0001, -0.00005, -0.00008}, 81, {{11, kPointOf}}},
      {"81 reloads: 4, tension point moved on", {-0.0001, -0.00005, -0.00008, -0.00002}, 4,
       {{13, kPointOf}, {15, kShrank}}},
      {"untouched 4 past its plastic strain: 10, 7 and 1", {-0.0001, 0.0005}, 1, {}},
      {"2 cracks: 6", {0.001, -0.0002, -0.003}, 6, {}},
      {"6 closes: 13", {0.001, -0.0002, -0.003, -0.002}, 13, {{18, kStrainOf}}},
      {"13 opens: 14", {0.001, -0.0002, -0.003, -0.002, -0.0025}, 14, {{17, kStrainOf}, {13, kPointOf}}},
      {"14 closes: 15", {0.001, -0.0002, -0.003, -0.002, -0.0025, -0.0022}, 15, {{19, kPointOf}}},
      {"15 opens: 14", {0.001, -0.0002, -0.003, -0.002, -0.0025, -0.0022, -0.0024}, 14, {{13, kPointOf}}},
      {"15 past 14's strain: 13, then 7", {0.001, -0.0002, -0.003, -0.002, -0.0025, -0.0022, 0.0011}, 7, {}},
      {"7 unloads: 3, tension point moved on", {0.001, -0.0002, -0.003, -0.002, 0.0011, 0.0009}, 3,
       {{13, kPointOf}, {15, kShrank}}},
      {"3 into tension: 9", {0.002, 0.0004}, 9, {}},
      {"9 reloads: 11", {0.002, 0.0004, 0.00045}, 11, {{13, kPointOf}}},
      {"9 past the tension unloading point: 8", {0.002, 0.00025}, 8, {}},
      {"8 reloads: 4, compression point moved on", {0.002, 0.00025, 0.00027}, 4, {{13, kPointOf}, {7, kGrew}}},
      {"4 past its plastic strain: 10", {0.001, -0.0008, -0.0005}, 10, {}},
      {"10 unloads: 12", {0.001, -0.0008, -0.0005, -0.00051}, 12, {{13, kPointOf}}},
      {"11 unloads: 12", {0.002, 0.0004, 0.00045, 0.0009, 0.00089}, 12, {{13, kPointOf}}},
      {"12 reloads: 11", {0.002, 0.0004, 0.00045, 0.0009, 0.00089, 0.000895}, 11, {{13, kPointOf}}},
      {"10 past the unloading strain: 7", {0.002, 0.0002, 0.00025, 0.0003, 0.001, 0.0021}, 7, {}},
      {"1 spalls: 5", {0.003, 0.012}, 5, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    NLMM210_HD r = Fresh210();
    std::vector<double> head(row.path.begin(), row.path.end() - 1);
    const std::vector<Point> before = Drive(r, head);
    const NLMM210_HD previous = r;
    const Point last = Drive(r, {row.path.back()}).back();
    EXPECT_EQ(r.RuleNumber, row.rule);
    for (const Check& c : row.checks) {
      const Point& p = before.back();
      switch (c.what) {
        case kPointOf:
          EXPECT_EQ(r.Value[c.field], p.e) << c.field;
          EXPECT_EQ(r.Value[c.field + 1], p.s) << c.field;
          break;
        case kStrainOf: EXPECT_EQ(r.Value[c.field], p.e) << c.field; break;
        case kGrew: EXPECT_GT(r.Value[c.field], previous.Value[c.field]) << c.field; break;
        case kShrank: EXPECT_LT(r.Value[c.field], previous.Value[c.field]) << c.field; break;
      }
    }
    // d = 0 repeats the call.
    const NLMM210_HD once = r;
    double s, t;
    CalcStress_NLMM210(kAt, k210, r, -row.path.back(), &s, &t);
    EXPECT_EQ(-s, last.s);
    EXPECT_EQ(t, once.Value[NLMM210_HD::kTan]);
    EXPECT_EQ(r.RuleNumber, once.RuleNumber);
    for (int k = 6; k <= 20; k++) EXPECT_EQ(r.Value[k], once.Value[k]) << k;
  }
  // A spalled fibre unloading keeps its record.
  NLMM210_HD r = Fresh210();
  Drive(r, {0.003, 0.012});
  const NLMM210_HD spalled = r;
  EXPECT_EQ(Drive(r, {0.011}).back().s, 0.0);
  EXPECT_EQ(r.Value[NLMM210_HD::kStrain], spalled.Value[NLMM210_HD::kStrain]);
}

// The branches join without jumps: random strain histories through compression,
// cracking, closing and every partial loop, in small steps, never change the stress
// faster than a few times E_c allows. (A partial loop of rule 12 aimed outside rule 9's
// range, and a compression unloading point moved so far that its plastic strain passed
// the reversal strain, each dropped the stress by several MPa in one step.)
TEST(Nlmm210, RandomHistoriesStayContinuous) {
  unsigned long long seed = 12345;
  auto uniform = [&] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return double(seed >> 11) / double(1ULL << 53);
  };
  const MaterialRecord m = matdriver::Record({2.4, 1e-5, 30000, 0.002, 30, 0.01, -0.00015, -3, -0.0006});
  int jumps = 0;
  for (int walk = 0; walk < 60; walk++) {
    NLMM210_HD r = Fresh210();
    double c = 0.0, sPrev = 0.0, target = 0.0;
    for (int k = 0; k < 1500; k++) {
      if (k % 150 == 0) target = -0.0008 + 0.0038 * uniform();
      const double step = (target - c) / 40;
      c += step;
      double s, t;
      CalcStress_NLMM210(kAt, m, r, -c, &s, &t);
      if (std::fabs(-s - sPrev) > 6 * 30000 * std::fabs(step) + 1e-9) {
        jumps++;
        ADD_FAILURE() << "walk " << walk << " step " << k << " at " << c << ": " << sPrev << " -> " << -s;
      }
      sPrev = -s;
      if (jumps > 5) return;
    }
  }
}

// A fibre reloading in rule 71 from near its plastic strain turns back at 6 MPa. The
// reversal moves the unloading point on by more than a whole return strain; its plastic
// strain would then lie past the reversal strain and the next small step would fall to
// zero stress. The point is walked back along the envelope instead, and the fibre
// unloads from the reversal point with a slope near E_c.
TEST(Nlmm210, UnloadingAfterAShortReloadStartsFromTheReversalPoint) {
  const MaterialRecord m = matdriver::Record({2.4, 1e-5, 30000, 0.002, 30, 0.01, -0.00015, -3, -0.0006});
  NLMM210_HD r{};
  r.RuleNumber = 71;
  const double values[21] = {0, 14909.708827775215, -0.0014049675023108323, -5.9610898237516494,
                             0.0014047378379264544, 5.957665573444789, 0.00086639228041736978,
                             0.002671836259184145, 27.271616743999786, 0.0010144712141887913,
                             0.018803773478524022, 0, 0, 0.0021743009196946925, 16.372541725416134,
                             0.00016079740280317229, -0.15004412662460603, 0, 0, 0, 0};
  for (int k = 1; k <= 20; k++) r.Value[k] = values[k];
  double s, t;
  const double step = 1e-6;
  CalcStress_NLMM210(kAt, m, r, -(0.0014049675023108323 - step), &s, &t);
  EXPECT_EQ(r.RuleNumber, 3);
  EXPECT_NEAR(-s, 5.9610898237516494 - 30000 * step, 0.01);
  // The plastic strain of the walked point is reached from the reversal point no steeper
  // than E_c.
  EXPECT_LE(CalcUnloadParamsComp_NLMM210(Concrete210Of(m), r).epl, 0.0014049675023108323 - 5.9610898237516494 / 30000);
}

TEST(Nlmm210DeathTest, StrainLimitAndImpossibleStates) {
  for (double e : {0.232, -0.232}) {
    NLMM210_HD r = Fresh210();
    double s, t;
    CalcStress_NLMM210(kAt, k210, r, e, &s, &t);
    EXPECT_EQ(s, 0.0);
  }
  for (double e : {0.2321, -0.2321}) {
    NLMM210_HD r = Fresh210();
    double s, t;
    EXPECT_EXIT(CalcStress_NLMM210(kAt, k210, r, e, &s, &t), testing::ExitedWithCode(1),
                "\nCalculating the stress state:\n   -> Combination: 2\n   -> Iteration: 4\n   -> Element: 7\n"
                "   -> Sampling point: 3\n   -> Nonlinear material model: _NLMM210\n\n(.|\n)*Execution cannot proceed.");
  }
  // A rule no table row names; a transition curve of no length (0/0) leaving rule 3.
  NLMM210_HD r = Fresh210();
  r.RuleNumber = 16;
  double s, t;
  EXPECT_DEATH(CalcStress_NLMM210(kAt, k210, r, -0.001, &s, &t), kInternal);
  r = Fresh210();
  Drive(r, {0.001, 0.0008});
  const UnloadParams u = CalcUnloadParamsComp_NLMM210(Concrete210Of(k210), r);
  r.Value[NLMM210_HD::kLastRev] = u.epl;
  r.Value[NLMM210_HD::kLastRev + 1] = 0.0;
  EXPECT_DEATH(CalcStress_NLMM210(kAt, k210, r, -u.epl, &s, &t), kInternal);
}

// A compressive strength below 9.88 makes the envelope shape negative: the record is
// refused at the set-up with its block and number; so are tensile values given positive.
TEST(Nlmm210DeathTest, RecordsRefusedAtTheSetUp) {
  CheckParameters_NLMM210(matdriver::Record({2.4, 1e-5, 30000, 0.002, 9.88, 0.004, -0.00015, -1, -0.0006}), "<NLMM210>", 1);
  EXPECT_EXIT(
      CheckParameters_NLMM210(matdriver::Record({2.4, 1e-5, 30000, 0.002, 9.8, 0.004, -0.00015, -1, -0.0006}),
                              "<NLMM210>", 2),
      testing::ExitedWithCode(1), "<NLMM210>(.|\n)*Record counter: 2(.|\n)*the envelope needs f_c in MPa");
  EXPECT_EXIT(
      CheckParameters_NLMM210(matdriver::Record({2.4, 1e-5, 30000, 0.002, 30, 0.004, 0.00015, 3, 0.0006}), "<NLMM210>", 1),
      testing::ExitedWithCode(1), "must be negative numbers");
  MaterialRecord plane = matdriver::RecordWithInts({2.4, 1e-5, 0.2, 30000, 0.002, 9, 0, 0, 0, 0, 0, 0, 0, 1, 0}, {14});
  EXPECT_EXIT(CheckParameters_NLMM211(plane, "<NLMM211>", 3), testing::ExitedWithCode(1),
              "<NLMM211>(.|\n)*Record counter: 3(.|\n)*the envelope needs f_c in MPa");
}

// Type 1: the parabola joins the straight line with its slope at eps_a and the line ends
// at eps_b with (0.7299 rho + 1.3389) f_c; nothing in tension. Type 2: E eps in tension.
TEST(Nlmm220, Envelopes) {
  for (double rho : {0.0, 0.01}) {
    SCOPED_TRACE(rho);
    const double eb = 0.002 * (5.3591 * rho + 1.6049), sl = ((0.7299 * rho + 1.3389) * 30 - 30) / eb;
    const double ea = 60 / (30000 - sl);
    double below, tb, above, ta, end, te;
    NLMM220_HD r{};
    r.RuleNumber = 1;
    CalcStress_NLMM220(kAt, Record220(1, rho), r, -(ea - 1e-9), &below, &tb);
    CalcStress_NLMM220(kAt, Record220(1, rho), r, -(ea + 1e-9), &above, &ta);
    CalcStress_NLMM220(kAt, Record220(1, rho), r, -eb, &end, &te);
    EXPECT_NEAR(below, above, 1e-4);
    EXPECT_NEAR(tb, sl, 0.05);
    EXPECT_EQ(ta, sl);
    EXPECT_NEAR(-end, (0.7299 * rho + 1.3389) * 30, 1e-10);
  }
  for (int type : {1, 2}) {
    NLMM220_HD r{};
    r.RuleNumber = 1;
    double s, t;
    CalcStress_NLMM220(kAt, Record220(type, 0.0), r, 1e-4, &s, &t);
    CalcStress_NLMM220(kAt, Record220(type, 0.0), r, 2e-4, &s, &t);
    EXPECT_EQ(r.RuleNumber, 1);
    EXPECT_DOUBLE_EQ(s, type == 1 ? 0.0 : 6.0);
    EXPECT_EQ(t, type == 1 ? 0.0 : 30000.0);
  }
}

// Unloading modulus E_c = 21500 (f_cm / 10)^0.33 as secant up to 0.0048 eps_cc; the
// cycle envelope - unloading - partial reloading - unloading stores its points and moves
// the unloading point on; reloading far enough returns to the envelope.
TEST(Nlmm220, CycleRules) {
  const MaterialRecord m = Record220(2, 0.0);
  const double Ec = 21500 * std::pow(3.8, 0.33), ecc = 6 * 0.002;
  EXPECT_EQ(CalcUnloadParamsComp_NLMM220(m, 0.0048 * ecc, 20).Esec, Ec);
  EXPECT_NEAR(CalcUnloadParamsComp_NLMM220(m, 0.003, 25).Esec, 0.31 * Ec * std::pow(0.25, -0.22), 1e-9);
  NLMM220_HD r{};
  r.RuleNumber = 1;
  double s, t, s1, s2;
  CalcStress_NLMM220(kAt, m, r, -0.0025, &s1, &t);
  CalcStress_NLMM220(kAt, m, r, -0.002, &s2, &t);
  EXPECT_EQ(r.RuleNumber, 3);
  EXPECT_EQ(r.Value[NLMM220_HD::kUnC], 0.0025);
  EXPECT_EQ(r.Value[NLMM220_HD::kUnC + 1], -s1);
  EXPECT_GT(-s2, 0.0);
  CalcStress_NLMM220(kAt, m, r, -0.0021, &s, &t);
  EXPECT_EQ(r.RuleNumber, 71);
  EXPECT_EQ(r.Value[NLMM220_HD::kRev71], 0.002);
  EXPECT_EQ(r.Value[NLMM220_HD::kRev71 + 1], -s2);
  const double unloading = r.Value[NLMM220_HD::kUnC];
  CalcStress_NLMM220(kAt, m, r, -0.00205, &s, &t);
  EXPECT_EQ(r.RuleNumber, 3);
  EXPECT_EQ(r.Value[NLMM220_HD::kExit71], 0.0021);
  EXPECT_GT(r.Value[NLMM220_HD::kUnC], unloading);
  CalcStress_NLMM220(kAt, m, r, -0.0033, &s, &t);
  EXPECT_EQ(r.RuleNumber, 1);
  EXPECT_EQ(r.Value[NLMM220_HD::kExit71], 0.0);
  // Far below the plastic strain: nothing.
  CalcStress_NLMM220(kAt, m, r, 0.001, &s, &t);
  EXPECT_EQ(s, 0.0);
  EXPECT_EQ(t, 0.0);
}

TEST(Nlmm220DeathTest, RefusalsAndStrainLimit) {
  EXPECT_EXIT(CheckParameters_NLMM220(Record220(3, 0.0), "<NLMM220>", 1), testing::ExitedWithCode(1),
              "<NLMM220>(.|\n)*The envelope type must be 1 or 2: 3.");
  CheckParameters_NLMM220(Record220(1, 0.0), "<NLMM220>", 1);
  // f_cm in Pa: the unloading modulus takes it in MPa.
  MaterialRecord pa = Record220(1, 0.0);
  pa.Value[13] = 38e6;
  EXPECT_EXIT(CheckParameters_NLMM220(pa, "<NLMM220>", 1), testing::ExitedWithCode(1),
              "<NLMM220>(.|\n)*The mean compressive strength 3.8e\\+07 is out of range: the unloading branch "
              "takes f_cm in MPa\n\\(at most 1000\\)\\.");
  NLMM220_HD r{};
  r.RuleNumber = 1;
  double s, t;
  EXPECT_EXIT(CalcStress_NLMM220(kAt, Record220(2, 0.0), r, 0.2321, &s, &t), testing::ExitedWithCode(1),
              "_NLMM220\n\n(.|\n)*Execution cannot proceed.");
  r.RuleNumber = 7;
  r.Value[NLMM220_HD::kUnC] = 0.002;
  r.Value[NLMM220_HD::kUnC + 1] = 30;
  EXPECT_DEATH(CalcStress_NLMM220(kAt, Record220(2, 0.0), r, -0.0019, &s, &t), kInternal);
}
