// Linear static runs of cables and 3-D Timoshenko beams end to end, with both solvers:
// the program's results against closed forms, and the reactions against the loads.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "element_models.h"
#include "static_run.h"

namespace tw = testmodel;
using linmodel::Job;
using staticrun::kSolvers;
using staticrun::Outcome;
using staticrun::Record;
using staticrun::Solver;

namespace {

class LinearStaticLine : public staticrun::LinearStaticRun {};

tw::LoadCase PointLoads(const std::vector<tw::Rec>& loads) { return linmodel::LoadCase(loads); }

}  // namespace

// Cantilever L = 1, EI = 1, kGA = 1e3 under a tip load 1: with n two-node elements and a
// one-point shear rule the tip deflects PL/kGA + (PL^3/3EI)(1 - 1/(4n^2)) and turns by
// PL^2/2EI; one three-node element with two shear points gives the exact 1/3 + 1e-3. The
// second load case adds an axial pull 1 (PL/EA = 1) to a tip load along x3, which bends
// the beam in the other plane. The third load case is the beam's self weight.
TEST_F(LinearStaticLine, TimoshenkoCantileverWithReducedShearIntegration) {
  struct Case {
    int nElem, nodes, shearPoints;
    double w;
  };
  const Case cases[] = {{1, 2, 1, 0.251}, {2, 2, 1, 0.3135}, {4, 2, 1, 0.329125}, {1, 3, 2, 1.0 / 3.0 + 1e-3}};
  for (const Solver& s : kSolvers)
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(s.name) + ", " + std::to_string(c.nElem) + " elements of " + std::to_string(c.nodes) +
                   " nodes");
      Job job = linmodel::TimoshenkoCantilever(c.nElem, c.nodes, c.shearPoints);
      const int tip = static_cast<int>(job.coords.size());
      tw::LoadCase weight;
      weight.gravity = {0.0, -1.0, 0.0};
      job.model.loadCases = {PointLoads({tw::PointLoad(tip, {0, 1, 0, 0, 0, 0})}),
                             PointLoads({tw::PointLoad(tip, {1, 0, 1, 0, 0, 0})}), weight};
      Outcome o = Run(job, s);
      ExpectSound(o, s, 3);
      if (o.dr.records.size() != 3) continue;
      Record r1{o.dr.records[0], job.layout};
      EXPECT_CLOSE(r1.U(tip, 2), c.w, s, 1.0);
      EXPECT_CLOSE(r1.U(tip, 6), 0.5, s, 1.0);
      for (int d : {1, 3, 4, 5}) EXPECT_CLOSE(r1.U(tip, d), 0.0, s, 1.0) << "dof " << d;
      Record r2{o.dr.records[1], job.layout};
      EXPECT_CLOSE(r2.U(tip, 1), 1.0, s, 1.0);
      EXPECT_CLOSE(r2.U(tip, 3), c.w, s, 1.0);
      EXPECT_CLOSE(r2.U(tip, 5), -0.5, s, 1.0);
      for (int d : {2, 4, 6}) EXPECT_CLOSE(r2.U(tip, d), 0.0, s, 1.0) << "dof " << d;
      // The support carries the load and its moment about the support, (1, 0, 0) x F.
      const auto m1 = staticrun::ReactionResultant(r1, job);
      const double f1[7] = {0, 0, 1, 0, 0, 0, 1};
      const auto m2 = staticrun::ReactionResultant(r2, job);
      const double f2[7] = {0, 1, 0, 1, 0, -1, 0};
      for (int d = 1; d <= 6; d++) {
        EXPECT_CLOSE(m1[d] + f1[d], 0.0, s, 1.0) << "component " << d;
        EXPECT_CLOSE(m2[d] + f2[d], 0.0, s, 1.0) << "component " << d;
      }
      EXPECT_CLOSE(r1.R(1, 6), -1.0, s, 1.0);
      EXPECT_CLOSE(r2.R(1, 5), 1.0, s, 1.0);
      // Self weight 1 along -x2 acting at midspan: the support holds (0, 1, 0) and the
      // moment 0.5 about x3.
      Record r3{o.dr.records[2], job.layout};
      const auto m3 = staticrun::ReactionResultant(r3, job);
      for (int d = 1; d <= 6; d++) EXPECT_CLOSE(m3[d], d == 2 ? 1.0 : d == 6 ? 0.5 : 0.0, s, 1.0) << d;
      EXPECT_LT(r3.U(tip, 2), -0.1);
    }
}

// Two cables of length 5 hang from (-3, 4) and (3, 4) and carry P = 1000 at their joint:
// tension 625 in each, the joint drops 625 * 5 / EA / (4/5).
TEST_F(LinearStaticLine, CableHangerInThePlane) {
  const double EA = 1e6;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = linmodel::CableHanger2D(EA);
    job.model.loadCases = {PointLoads({tw::PointLoad(3, {0, 0, -1000.0, 0, 0, 0})})};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    const double drop = 625.0 * 5.0 / EA / 0.8;
    ASSERT_NEAR(drop, 3.90625e-3, 1e-15);
    EXPECT_CLOSE(r.U(3, 3), -drop, s, drop);
    EXPECT_CLOSE(r.U(3, 2), 0.0, s, drop);
    // Each support holds the cable's tension along the cable, away from the joint.
    EXPECT_CLOSE(r.R(1, 2), -375.0, s, 1000.0);
    EXPECT_CLOSE(r.R(1, 3), 500.0, s, 1000.0);
    EXPECT_CLOSE(r.R(2, 2), 375.0, s, 1000.0);
    EXPECT_CLOSE(r.R(2, 3), 500.0, s, 1000.0);
  }
}

// Three cables from supports at radius 4, height 3 (length 5, sin = 0.6) to a joint at the
// origin. A vertical load 900 puts 500 in each cable and drops the joint by
// P L / (3 EA sin^2); a horizontal load 100 along x1 moves it by P L / (1.5 EA cos^2)
// and changes the tensions, all staying in tension. Each support holds its cable's
// tension along the cable.
TEST_F(LinearStaticLine, CableTripodInSpace) {
  const double EA = 1e6, L = 5.0;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = linmodel::CableTripod3D(EA, 4.0, 3.0);
    job.model.loadCases = {PointLoads({tw::PointLoad(4, {0, 0, -900.0, 0, 0, 0})}),
                           PointLoads({tw::PointLoad(4, {100.0, 0, -900.0, 0, 0, 0})})};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 2);
    if (o.dr.records.size() != 2) continue;
    const double drop = 900.0 * L / (3 * EA * 0.36), side = 100.0 * L / (1.5 * EA * 0.64);
    for (int lc = 1; lc <= 2; lc++) {
      SCOPED_TRACE("load case " + std::to_string(lc));
      Record r{o.dr.records[lc - 1], job.layout};
      const double u[3] = {lc == 2 ? side : 0.0, 0.0, -drop};
      for (int d = 1; d <= 3; d++) EXPECT_CLOSE(r.U(4, d), u[d - 1], s, drop) << "dof " << d;
      double sum[4] = {0, 0, 0, 0};
      for (int k = 1; k <= 3; k++) {
        const double a = 2.0 * std::numbers::pi * (k - 1) / 3.0;
        const double e[3] = {0.8 * std::cos(a), 0.8 * std::sin(a), 0.6};  // joint to support
        // No prestress: the tension is EA / L times the lengthening -e.u of the cable.
        const double tension = -EA / L * (e[0] * u[0] + e[1] * u[1] + e[2] * u[2]);
        EXPECT_GT(tension, 400.0);
        for (int d = 1; d <= 3; d++) {
          EXPECT_CLOSE(r.R(k, d), tension * e[d - 1], s, 1000.0) << "support " << k << " dof " << d;
          sum[d] += r.R(k, d);
        }
      }
      EXPECT_CLOSE(sum[1] + (lc == 2 ? 100.0 : 0.0), 0.0, s, 1000.0);
      EXPECT_CLOSE(sum[2], 0.0, s, 1000.0);
      EXPECT_CLOSE(sum[3] - 900.0, 0.0, s, 1000.0);
    }
  }
}
