// Nonlinear spring laws: envelopes, unloading branches, the idle side, tangents against
// finite differences of the force, orientation factors.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "materials/spring_laws.h"
#include "model/material.h"
#include "numcore/numcore.h"
#include "support/material_driver.h"

namespace {

MaterialRecord Law101(double k, double Fp, double a, int unloading = 2) {
  return matdriver::RecordWithInts({k, Fp, a, static_cast<double>(unloading)}, {4});
}

MaterialRecord Law102(int mapping) {
  return matdriver::RecordWithInts({static_cast<double>(mapping), 0.001, 10, 0.002, 12, 0.01, 4, 2}, {1});
}

// A table law owning its point vectors.
struct Law103 {
  MaterialRecord m;
  Law103(int mapping, const std::vector<std::pair<double, double>>& points) {
    const int n = static_cast<int>(points.size());
    m = matdriver::RecordWithInts({static_cast<double>(mapping), static_cast<double>(n)}, {1, 2});
    m.ListLen = n;
    allocd1(&m.List1, n);
    allocd1(&m.List2, n);
    for (int i = 1; i <= n; i++) {
      m.List1[i] = points[static_cast<size_t>(i - 1)].first;
      m.List2[i] = points[static_cast<size_t>(i - 1)].second;
    }
  }
  ~Law103() {
    freed1(m.List1);
    freed1(m.List2);
  }
};

NLSMM_HDRecord Fresh() {
  NLSMM_HDRecord r{};
  r.InUse = 1;
  return r;
}

struct Step {
  double d;
  double F;      // expected force
  double kt;     // expected tangent after the step
  int state;     // expected state
};

// Drives one record along the steps from the start state.
void Drive(int kind, const MaterialRecord& m, double s, const std::vector<Step>& steps) {
  NLSMM_HDRecord r = Fresh();
  for (const Step& st : steps) {
    SCOPED_TRACE(testing::Message() << "d = " << st.d);
    EXPECT_NEAR(SpringLawForce(kind, m, s, st.d, r), st.F, 1e-9);
    EXPECT_EQ(r.InUse, st.state);
    EXPECT_EQ(r.Value[NLSMM_HDRecord::kDisplacement], st.d);
    EXPECT_NEAR(SpringLawTangent(kind, m, s, r), st.kt, 1e-6);
  }
}

// Central difference of the force about d, both evaluations from the record as it stood
// before the step to d.
double FiniteDifference(int kind, const MaterialRecord& m, double s, const NLSMM_HDRecord& before, double d,
                        double h) {
  NLSMM_HDRecord a = before, b = before;
  return (SpringLawForce(kind, m, s, d + h, a) - SpringLawForce(kind, m, s, d - h, b)) / (2 * h);
}

}  // namespace

// k = 1000, Fp = 10, a = 1 (dp = 0.02), acting while d <= 0: the linear rise, the plateau,
// elastic unloading on r = 0.03 - 10/1000 = 0.02, the spring lifting off, the idle side,
// and a new loading beyond the largest displacement back on the envelope.
TEST(SpringLaw101, LoadingUnloadingAndTheIdleSide) {
  const MaterialRecord m = Law101(1000, 10, 1);
  Drive(SPRMAT_NLSMM101, m, 1.0,
        {{-0.005, -5, 1000, 1},
         {-0.03, -10, 0, 1},
         {-0.025, -5, 1000, 2},
         {-0.015, 0, 0, 2},
         {-0.022, -2, 1000, 3},
         {0.001, 0, 0, 4},
         {-0.026, -6, 1000, 3},
         {-0.04, -10, 0, 1}});
  // The other orientation code acts on the positive side.
  Drive(SPRMAT_NLSMM101, m, -1.0, {{0.005, 5, 1000, 1}, {-0.005, 0, 0, 4}});
}

// a = 1.5 peaks at a Fp = 15 for x = a dp / 2 = 0.015 and softens to 10 at dp = 0.02;
// a = 0.5 rises to 5 at 0.005 and hardens to 10. On every branch of both the tangent is
// the slope of the force.
TEST(SpringLaw101, CurvedEnvelopesAndTheirTangents) {
  const MaterialRecord peak = Law101(1000, 10, 1.5);
  EXPECT_NEAR(CalcSpringForceLoad_NLSMM101(peak, 0.015), 15.0, 1e-12);
  EXPECT_NEAR(CalcSpringForceLoad_NLSMM101(peak, 0.02), 10.0, 1e-12);
  const MaterialRecord hard = Law101(1000, 10, 0.5);
  EXPECT_NEAR(CalcSpringForceLoad_NLSMM101(hard, 0.005), 5.0, 1e-12);
  EXPECT_NEAR(CalcSpringForceLoad_NLSMM101(hard, 0.02), 10.0, 1e-12);
  for (const MaterialRecord* m : {&peak, &hard})
    for (double d : {-0.004, -0.0125, -0.0175, -0.03}) {
      SCOPED_TRACE(testing::Message() << "a = " << MatValue(*m, 3) << ", d = " << d);
      NLSMM_HDRecord r = Fresh();
      SpringLawForce(SPRMAT_NLSMM101, *m, 1.0, d, r);
      const double kt = SpringLawTangent(SPRMAT_NLSMM101, *m, 1.0, r);
      EXPECT_NEAR(kt, FiniteDifference(SPRMAT_NLSMM101, *m, 1.0, Fresh(), d, 1e-7), 1e-3);
      if (m == &peak && d == -0.0175) {
        EXPECT_LT(kt, 0.0);
      }
    }
}

// The secant unloading type is refused when a spring first unloads, not before.
TEST(SpringLaw101Death, SecantUnloadingStopsAtTheFirstUnloading) {
  const MaterialRecord m = Law101(1000, 10, 1, 1);
  NLSMM_HDRecord r = Fresh();
  EXPECT_NEAR(SpringLawForce(SPRMAT_NLSMM101, m, 1.0, -0.03, r), -10.0, 1e-12);
  EXPECT_EXIT(SpringLawForce(SPRMAT_NLSMM101, m, 1.0, -0.025, r), testing::ExitedWithCode(1),
              "ERROR:\nOnly '_ELASTIC' type of unloading and reloadingdiagram is available\\.");
}

// d1 = 0.001, F1 = 10, d2 = 0.002, F2 = 12, d3 = 0.01, F3 = 4, n = 2: the envelope, the
// unloading stiffness max(10000, 2000, -2000) and unloading from 0.006 (r = 0.0054).
TEST(SpringLaw102, EnvelopeAndUnloading) {
  const MaterialRecord m = Law102(1);
  const double env[][2] = {{0.0005, 5}, {0.0015, 11}, {0.006, 6}, {0.02, 4}};
  for (const auto& e : env) EXPECT_NEAR(CalcSpringForceLoad_NLSMM102(m, e[0]), e[1], 1e-12) << e[0];
  EXPECT_NEAR(CalcSpringUnloStiff_NLSMM102(m), 10000.0, 1e-9);
  // Mapping 1 with code 1 (s = -1) acts while d >= 0.
  Drive(SPRMAT_NLSMM102, m, -1.0,
        {{0.006, 6, -1000, 1}, {0.0057, 3, 10000, 2}, {0.005, 0, 0, 2}, {-0.001, 0, 0, 4}});
  NLSMM_HDRecord r = Fresh();
  for (double d : {0.0005, 0.0015, 0.006}) {
    const NLSMM_HDRecord before = r;
    SpringLawForce(SPRMAT_NLSMM102, m, -1.0, d, r);
    EXPECT_NEAR(SpringLawTangent(SPRMAT_NLSMM102, m, -1.0, r),
                FiniteDifference(SPRMAT_NLSMM102, m, -1.0, before, d, 1e-8), 1e-3)
        << d;
  }
}

// Table (0.001, 5), (0.003, 9), (0.005, 7): the same curve loading and unloading, the
// secant on the falling segment, nothing beyond the last point; mapping 0 acts on both
// sides.
TEST(SpringLaw103, TableBothWays) {
  const Law103 law(0, {{0.001, 5}, {0.003, 9}, {0.005, 7}});
  const double tab[][2] = {{0.0005, 2.5}, {0.002, 7}, {0.004, 8}, {0.01, 7}, {-1.0, 0}};
  for (const auto& t : tab) EXPECT_NEAR(CalcSpringForceLoad_NLSMM103(law.m, t[0]), t[1], 1e-12) << t[0];
  Drive(SPRMAT_NLSMM103, law.m, 0.0,
        {{0.002, 7, 2000, 1},
         {0.004, 8, 2000, 1},
         {0.002, 7, 2000, 2},
         {0.01, 7, 0, 1},
         {-0.002, -7, 2000, 2},
         {-0.0005, -2.5, 5000, 2}});
  // Mapping 1 under a link (s = +1) acts while d <= 0.
  EXPECT_EQ(SpringOrientationFactor(SPRMAT_NLSMM103, law.m, 0, kSpringLink), 0.0);
  const Law103 oneSided(1, {{0.001, 5}});
  const double s = SpringOrientationFactor(SPRMAT_NLSMM103, oneSided.m, 0, kSpringLink);
  Drive(SPRMAT_NLSMM103, oneSided.m, s, {{0.0005, 0, 0, 4}, {-0.0005, -2.5, 5000, 1}});
}

// A first segment that falls has no secant at the origin: its slope serves.
TEST(SpringLaw103, FallingFirstSegmentAtTheOrigin) {
  const Law103 law(0, {{0.001, -5}, {0.002, 1}});
  const NLSMM_HDRecord r = Fresh();
  EXPECT_EQ(SpringLawTangent(SPRMAT_NLSMM103, law.m, 0.0, r), -5000.0);
}

// Orientation factors: the code of point springs and beds through the mapping, links by
// the mapping alone.
TEST(SpringLaws, OrientationFactors) {
  const MaterialRecord m101 = Law101(1000, 10, 1);
  const MaterialRecord m102a = Law102(1), m102b = Law102(2);
  const Law103 m103(2, {{1, 1}});
  struct Case {
    int kind;
    const MaterialRecord* m;
    int code;
    SpringFamily family;
    double s;
  } cases[] = {
      {SPRMAT_NLSMM101, &m101, 1, kSpringPoint, -1}, {SPRMAT_NLSMM101, &m101, 2, kSpringBed, 1},
      {SPRMAT_NLSMM102, &m102a, 1, kSpringPoint, -1}, {SPRMAT_NLSMM102, &m102b, 1, kSpringBed, 1},
      {SPRMAT_NLSMM102, &m102b, 2, kSpringPoint, -1}, {SPRMAT_NLSMM103, &m103.m, 2, kSpringPoint, -1},
      {SPRMAT_NLSMM103, &m103.m, 7, kSpringLink, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SpringOrientationFactor(c.kind, *c.m, c.code, c.family), c.s) << c.kind << " " << c.code;
}

// A step that stays on the last displacement does not load: the branch follows the
// direction of the step, so an iterate that lands exactly there takes the elastic
// stiffness, with the same force, and a step one ulp further loads the envelope.
TEST(SpringLaws, AStepThatStaysOnTheLastDisplacementTakesTheElasticBranch) {
  const MaterialRecord m101 = Law101(1000, 10, 1);
  const MaterialRecord m102 = Law102(1);
  const Law103 m103(1, {{0.001, 5}, {0.003, 9}, {0.005, 7}});
  struct Case {
    int kind;
    const MaterialRecord* m;
    double s, d, F, kElastic, kEnvelope;
  };
  const Case cases[] = {{SPRMAT_NLSMM101, &m101, 1.0, -0.03, -10, 1000, 0},
                        {SPRMAT_NLSMM102, &m102, -1.0, 0.006, 6, 10000, -1000},
                        {SPRMAT_NLSMM103, &m103.m, 1.0, -0.002, -7, 2000, 2000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "law " << c.kind);
    NLSMM_HDRecord loaded = Fresh();
    EXPECT_NEAR(SpringLawForce(c.kind, *c.m, c.s, c.d, loaded), c.F, 1e-9);
    NLSMM_HDRecord same = loaded, beyond = loaded;
    EXPECT_NEAR(SpringLawForce(c.kind, *c.m, c.s, c.d, same), c.F, 1e-9);
    EXPECT_NEAR(SpringLawTangent(c.kind, *c.m, c.s, same), c.kElastic, 1e-6);
    const double further = std::nextafter(c.d, 2.0 * c.d);
    SpringLawForce(c.kind, *c.m, c.s, further, beyond);
    EXPECT_EQ(beyond.InUse, 1);
    EXPECT_NEAR(SpringLawTangent(c.kind, *c.m, c.s, beyond), c.kEnvelope, 1e-3);
  }
}
