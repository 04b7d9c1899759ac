// Cantilevers of 20-node hexahedra whose tip face is pushed across by a prescribed
// displacement, of elastic and of von Mises steel, with and without geometric
// nonlinearity.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "element_models.h"
#include "geometric_columns.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/process.h"
#include "support/result_readers.h"
#include "support/run_program.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

class PushedCantileverRun : public nonlinrun::RunFixture {};

// Steel E 200000, nu 0.3: von Mises with a yield stress of 2c (the Drucker-Prager cone of
// no friction).
tw::Rec Steel(double c) {
  return tw::Rec().S("steel").Ds({0.0, 0.0, 0.3, 200000.0}).I(2).I(1).Ds({c, 1.0}).I(1).Ds({0.0, 0.0, 1.0});
}

// The same steel whose cohesion softens as c exp(-kappa/kappa_c).
tw::Rec SofteningSteel(double c, double kappaC) {
  return tw::Rec().S("steel").Ds({0.0, 0.0, 0.3, 200000.0}).I(2).I(2).Ds({c, kappaC}).I(1).Ds({0.0, 0.0, 1.0});
}

// A cantilever 1000 x 100 x 100 of n[0] x n[1] x n[2] 20-node hexahedra (3 x 3 x 3 rule)
// along x1, clamped at 0; every point of the tip face pushed by `push` along dof 2 or 3.
struct Pushed {
  Job job;
  std::vector<int> tip;
  int dof;
};

Pushed PushedCantilever(std::array<int, 3> n, double c, int dof, double push, double kappaC = 0.0) {
  const std::string tipFix = dof == 2 ? "010000" : "001000";
  linmodel::LatticeJob lj =
      linmodel::HexaBlock(20, n, {1000.0, 100.0, 100.0}, -50.0, -50.0, 200000.0, 0.3, 0.0, true,
                          [&](int I, int, int) { return I == 0 ? "111000" : I == 2 * n[0] ? tipFix : "000000"; });
  Pushed p{lj.job, {}, dof};
  tw::AddRecord(p.job.model, geomcolumns::MaterialBlock(MAT_NLMM124), kappaC > 0.0 ? SofteningSteel(c, kappaC) : Steel(c));
  p.job.model.blocks["<ELEMENT_PROPERTIES>"] = {
      tw::ElementProperty(1, n[0] * n[1] * n[2], 24, MAT_NLMM124, 1, 0, 0, 1, 1)};
  std::vector<tw::Rec> pushes;
  for (const auto& [ijk, point] : lj.at)
    if (ijk[0] == 2 * n[0]) {
      p.tip.push_back(point);
      pushes.push_back(tw::PrescribedDisplacement(point, dof, -push));
    }
  p.job.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pushes)};
  return p;
}

std::vector<double> Steps(int n) {
  std::vector<double> f;
  for (int k = 1; k <= n; k++) f.push_back(static_cast<double>(k) / n);
  return f;
}

// Settings of a run: small strain (kinematic 0) or the total (1) or updated (2)
// description, the stiffness-update strategy, the force norm to 1e-8.
void Settle(Pushed& p, int kinematic, int algorithm, int combinations) {
  tw::MainParams& m = p.job.model.main;
  nonlinrun::Iterate(m, 1e-8, algorithm == 1 ? 30 : 300);
  m.convergenceCriterion = 2;
  m.geomNonlinear = kinematic == 0 ? 0 : 1;
  m.kinematicDescription = kinematic == 0 ? 1 : kinematic;
  m.iterativeAlgorithm = algorithm;
  nonlinrun::Factors(p.job.model, Steps(combinations));
}

}  // namespace

// Four hexahedra pushed 12 across at the tip in one combination: the answer is elastic
// (no sampling point reaches the yield stress 250 there). Elastic and von Mises steel
// converge in both descriptions with full and modified Newton to the
// same tip force, within 1 % of the small-strain force at this deflection.
TEST_F(PushedCantileverRun, ElasticAnswerConvergesInEveryDescriptionAndStrategy) {
  Pushed small = PushedCantilever({4, 1, 1}, 125.0, 2, 12.0);
  Settle(small, 0, 1, 1);
  const double linear = nonlinrun::Reaction(Run(small.job, "small").records.at(0), small.job, small.tip, 2);
  EXPECT_NEAR(linear, -62468.5, 1.0);
  double first = 0.0;
  for (int kinematic : {1, 2})
    for (int algorithm : {1, 2})
      for (double c : {1e15, 125.0}) {
        SCOPED_TRACE(testing::Message() << "kinematic " << kinematic << " algorithm " << algorithm << " c " << c);
        Pushed p = PushedCantilever({4, 1, 1}, c, 2, 12.0);
        Settle(p, kinematic, algorithm, 1);
        const resultfile::DisplReactFile dr = Run(p.job, "pushed");
        ASSERT_EQ(dr.records.size(), 1u);
        const double f = nonlinrun::Reaction(dr.records[0], p.job, p.tip, 2);
        if (first == 0.0) first = f;
        EXPECT_NEAR(f, first, 1e-6 * std::fabs(first));
        EXPECT_NEAR(f, linear, 0.01 * std::fabs(linear));
        const resultfile::NonlinearExecParams ep =
            resultfile::ReadNonlinearExecParams(Path("_ep.bin", "pushed"), p.job.layout.nF, p.job.layout.nP);
        ASSERT_EQ(ep.entries.size(), 1u);
        if (algorithm == 1) {
          EXPECT_LE(ep.entries[0].iters.size(), 4u);
        }
      }
}

// A coarse von Mises cantilever pushed 60 along x3, seven times its first-yield
// deflection, to a plastic hinge at the clamp, in 3 and 6 combinations: the first step
// lands far past yield, with and without geometric nonlinearity. The tip force passes the
// yield load 41 667 of the section and agrees between the step counts within 0.5 % at
// the common levels; a restart after the first combination writes the bytes of the
// uninterrupted run.
TEST_F(PushedCantileverRun, FarPastYieldTheForceDoesNotDependOnTheStepCount) {
  for (int kinematic : {0, 1, 2}) {
    SCOPED_TRACE(testing::Message() << "kinematic " << kinematic);
    std::vector<std::vector<double>> forces;
    for (int n : {3, 6}) {
      Pushed p = PushedCantilever({5, 1, 2}, 125.0, 3, 60.0);
      Settle(p, kinematic, 1, n);
      const resultfile::DisplReactFile dr = Run(p.job, "steps");
      std::vector<double> f;
      for (const auto& r : dr.records) f.push_back(nonlinrun::Reaction(r, p.job, p.tip, 3));
      ASSERT_EQ(f.size(), static_cast<size_t>(n));
      forces.push_back(f);
    }
    for (size_t k = 0; k < 3; k++) EXPECT_NEAR(forces[1][2 * k + 1], forces[0][k], 0.005 * std::fabs(forces[0][k])) << k;
    EXPECT_GT(-forces[0][0], 41667.0);
  }
  Pushed p = PushedCantilever({5, 1, 2}, 125.0, 3, 60.0);
  Settle(p, 2, 1, 3);
  ExpectRestartGivesTheUninterruptedRun(p.job, nonlinrun::kSolvers[0], 1, {"_dr.bin", "_if.bin", "_NLMM124_HD.bin"});
}

// The elastic four-hexahedron cantilever pushed 12 in two combinations with at most 2
// iterations each: every combination passes the limit and is taken again in parts, which
// converge. The path-independent answer is that of the run with 30 iterations: tip force
// and every displacement (total description); each divided combination writes one
// record, and a restart after the first repeats the run byte for byte.
TEST_F(PushedCantileverRun, CombinationsPastTheIterationLimitAreDividedIntoParts) {
  for (int kinematic : {1, 2}) {
    SCOPED_TRACE(testing::Message() << "kinematic " << kinematic);
    Pushed whole = PushedCantilever({4, 1, 1}, 1e15, 2, 12.0);
    Settle(whole, kinematic, 1, 2);
    whole.job.model.main.tolerance = 1e-6;
    const resultfile::DisplReactFile ref = Run(whole.job, "whole");
    Pushed p = whole;
    p.job.model.main.maxIterations = 2;
    const ChildResult out = Start(p.job, "parts");
    EXPECT_EQ(out.status, 0) << out.err;
    EXPECT_NE(out.out.find("Combination 2 divided: from 0 to "), std::string::npos);
    const resultfile::DisplReactFile dr = Results(p.job, "parts");
    ASSERT_EQ(dr.records.size(), 2u);
    // The updated description moves its reference with every accepted part, and so far
    // keeps the answer only where its stretch is small: the answer is compared in the
    // total one.
    for (size_t c = 0; c < (kinematic == 1 ? 2u : 0u); c++) {
      const double f = nonlinrun::Reaction(ref.records[c], p.job, p.tip, 2);
      EXPECT_NEAR(nonlinrun::Reaction(dr.records[c], p.job, p.tip, 2), f, 1e-5 * std::fabs(f));
      for (size_t i = 0; i < dr.records[c].free.size(); i++)
        EXPECT_NEAR(dr.records[c].free[i], ref.records[c].free[i], 1e-5 * 12.0) << c << " " << i;
      EXPECT_EQ(dr.records[c].presc, ref.records[c].presc);
    }
    if (kinematic == 2)
      ExpectRestartGivesTheUninterruptedRun(p.job, nonlinrun::kSolvers[0], 1, {"_dr.bin", "_if.bin", "_NLMM124_HD.bin"});
  }
}

// A softening von Mises cantilever (sigma_y 250 falling as exp(-kappa/0.01)) of 5 x 1 x 2
// hexahedra pushed 30 across along x3 in 10 combinations, laid along x1 and turned in plan
// by 45 degrees about x3 (the clamp and the push keep their global components): the tip
// force is the same both ways, within 0.5 % of the reference computed by an established
// finite-element program on the same mesh (20-node hexahedra of 27 points, the yield stress
// 250 exp(-sqrt(3/2) epsp/0.01) in its equivalent plastic strain epsp, 10 increments; small
// strain, and its finite-strain answer for both descriptions).
TEST_F(PushedCantileverRun, SofteningCantileverCarriesOneForceInAnyPlanDirection) {
  const struct Reference {
    int kinematic;
    double force;
  } kReferences[] = {{0, 61169.63}, {1, 63160.01}, {2, 63160.01}};
  for (const Reference& ref : kReferences) {
    double along[2] = {};
    for (int turned : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "kinematic " << ref.kinematic << (turned ? " turned" : " along x1"));
      Pushed p = PushedCantilever({5, 1, 2}, 125.0, 3, 30.0, 0.01);
      if (turned)
        linmodel::MovePoints(p.job, [](const std::array<double, 3>& x) {
          const double c = std::sqrt(0.5);
          return std::array<double, 3>{c * (x[0] - x[1]), c * (x[0] + x[1]), x[2]};
        });
      Settle(p, ref.kinematic, 1, 10);
      const resultfile::DisplReactFile dr = Run(p.job, "softening");
      ASSERT_EQ(dr.records.size(), 10u);
      along[turned] = nonlinrun::Reaction(dr.records.back(), p.job, p.tip, 3);
    }
    EXPECT_NEAR(along[1], along[0], 1e-6 * std::fabs(along[0]));
    EXPECT_NEAR(-along[0], ref.force, 0.005 * ref.force);
  }
}

// The von Mises cantilever of 20 x 1 x 2 hexahedra pushed 300 across its thin side, 30
// times its first-yield deflection, in 30 combinations: in combination 2 full Newton
// iterates invert elements (geometric) or reach strains the von Mises return does not map
// back (small strain). Such an iterate is taken back like one that passes the iteration limit:
// the combination is divided and the run goes to the end, each record at the
// combination's full increment, and the tip force follows the run in 100 combinations
// within 0.5 %.
TEST_F(PushedCantileverRun, IteratesThatFailAreTakenBackAndTheCombinationDivided) {
  for (int kinematic : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "kinematic " << kinematic);
    std::vector<std::vector<double>> forces;
    std::string out;
    for (int n : {30, 100}) {
      Pushed p = PushedCantilever({20, 1, 2}, 125.0, 2, 300.0);
      Settle(p, kinematic, 1, n);
      const ChildResult run = Start(p.job, "push");
      ASSERT_EQ(run.status, 0) << run.err;
      if (n == 30) out = run.out;
      const resultfile::DisplReactFile dr = Results(p.job, "push");
      ASSERT_EQ(dr.records.size(), static_cast<size_t>(n));
      std::vector<double> f;
      for (const auto& r : dr.records) f.push_back(nonlinrun::Reaction(r, p.job, p.tip, 2));
      forces.push_back(f);
    }
    EXPECT_NE(out.find(kinematic == 0 ? "The iterative algorithm did not converge." : "the element is inverted"), std::string::npos);
    EXPECT_NE(out.find("Combination 2 divided: from 0 to "), std::string::npos);
    for (size_t k = 0; k < 10; k++)
      EXPECT_NEAR(forces[0][3 * k + 2], forces[1][10 * k + 9], 0.005 * std::fabs(forces[1][10 * k + 9])) << k;
  }
}

// The first three of those combinations (geometric): combination 2 is divided past its
// inverted elements, and a restart after combination 1 writes the bytes of the
// uninterrupted run. With path-dependent history the combination cannot be divided: the
// run ends at it in words (the element, the combination and why), and <job>_ep.bin holds
// whole iterations only.
TEST_F(PushedCantileverRun, ADividedCombinationRestartsAndAnUndividedOneEndsInWords) {
  Pushed p = PushedCantilever({20, 1, 2}, 125.0, 2, 30.0);
  Settle(p, 1, 1, 3);
  ExpectRestartGivesTheUninterruptedRun(p.job, nonlinrun::kSolvers[0], 1,
                                        {"_dr.bin", "_if.bin", "_NLMM124_HD.bin", "_lcc.aux"});
  EXPECT_NE(Start(p.job, "again").out.find("Combination 2 divided"), std::string::npos);
  p.job.model.main.pathBehavior = 2;
  const ChildLeakCheckOff leaks;  // a run stopped by its fatal message keeps its model
  const nonlinrun::Outcome o = RunOutcome(p.job.model, p.job.layout.nF, p.job.layout.nP, "dependent");
  EXPECT_EQ(o.run.status, 1);
  EXPECT_NE(o.run.err.find("of element n. "), std::string::npos) << o.run.err;
  EXPECT_NE(o.run.err.find("   -> Sampling point: "), std::string::npos) << o.run.err;
  EXPECT_NE(o.run.err.find("The deformation gradient of the element is singular:\n"
                           "the element is inverted or collapsed.\n"
                           "Combination 2: it cannot be divided: the history is path-dependent.\n"
                           "Execution cannot proceed."),
            std::string::npos)
      << o.run.err;
  EXPECT_EQ(o.dr.records.size(), 1u);
  EXPECT_EQ(o.ep.error, "");
  ASSERT_EQ(o.ep.entries.size(), 2u);
  EXPECT_FALSE(o.ep.entries[1].converged);
}

namespace {

// The totals a run reached, as fractions of the load case, read from its lines
// "Combination c divided: from a to b of its increment" on its load factors: a part is
// accepted when the next part starts at its end or when it ends the combination. An
// undivided run on these factors takes the same path.
std::vector<double> TotalsReached(const std::string& out, const std::vector<double>& factors) {
  std::vector<double> totals;
  for (size_t c = 1; c <= factors.size(); c++) {
    const double base = c == 1 ? 0.0 : factors[c - 2], end = factors[c - 1];
    std::vector<std::array<double, 2>> parts;
    const std::string head = "Combination " + std::to_string(c) + " divided: from ";
    for (size_t at = out.find(head); at != std::string::npos; at = out.find(head, at + 1)) {
      double from, to;
      EXPECT_EQ(std::sscanf(out.c_str() + at + head.size(), "%lf to %lf", &from, &to), 2);
      parts.push_back({from, to});
    }
    if (parts.empty()) totals.push_back(end);
    for (size_t k = 0; k < parts.size(); k++)
      if (k + 1 < parts.size() ? parts[k + 1][0] == parts[k][1] : parts[k][1] == 1.0)
        totals.push_back(base + parts[k][1] * (end - base));
  }
  return totals;
}

}  // namespace

// Two hexahedra pushed 300 across in 2 combinations: in some iterates the von Mises return
// does not converge (small strain) or elements invert (total description). They are taken
// back and the combinations divided; the run ends well with every array released (the
// leak check of the run is on): the work arrays of the element routines, of the internal
// forces and of the iterate that the fault unwound. With path-independent records the
// divided run is the undivided run through the totals its parts reached: the same
// displacements and tip force at the end of each combination.
TEST_F(PushedCantileverRun, AFailedIterateLeavesNoArrayBehind) {
  for (int kinematic : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "kinematic " << kinematic);
    Pushed p = PushedCantilever({2, 1, 1}, 125.0, 2, 300.0);
    Settle(p, kinematic, 1, 2);
    const ChildResult run = Start(p.job, "divided");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(kinematic == 0 ? "The iterative algorithm did not converge." : "the element is inverted"),
              std::string::npos);
    const std::vector<double> totals = TotalsReached(run.out, {0.5, 1.0});
    ASSERT_GT(totals.size(), 2u);
    const resultfile::DisplReactFile divided = Results(p.job, "divided");
    nonlinrun::Factors(p.job.model, totals);
    const resultfile::DisplReactFile path = Run(p.job, "path");
    ASSERT_EQ(divided.records.size(), 2u);
    for (size_t c = 0; c < 2; c++) {
      const size_t k = std::find(totals.begin(), totals.end(), c == 0 ? 0.5 : 1.0) - totals.begin();
      ASSERT_LT(k, totals.size());
      const double f = nonlinrun::Reaction(path.records[k], p.job, p.tip, 2);
      EXPECT_NEAR(nonlinrun::Reaction(divided.records[c], p.job, p.tip, 2), f, 1e-6 * std::fabs(f)) << c;
      for (size_t i = 0; i < path.records[k].free.size(); i++)
        EXPECT_NEAR(divided.records[c].free[i], path.records[k].free[i], 1e-6 * 300.0) << c << " " << i;
    }
  }
}

// The same two hexahedra in the total description with path-dependent records: the
// iterate of combination 1 that inverts an element cannot be taken back, and the run ends
// in words that name the element, its sampling point and the combination.
TEST_F(PushedCantileverRun, AnInvertedElementIsNamedWithItsSamplingPoint) {
  Pushed p = PushedCantilever({2, 1, 1}, 125.0, 2, 300.0);
  Settle(p, 1, 1, 2);
  p.job.model.main.pathBehavior = 2;
  const ChildLeakCheckOff leaks;  // a run stopped by its fatal message keeps its model
  const nonlinrun::Outcome o = RunOutcome(p.job.model, p.job.layout.nF, p.job.layout.nP, "inverted");
  EXPECT_EQ(o.run.status, 1);
  EXPECT_EQ(o.run.err,
            "\nCalculating the internal equivalent nodal forces of element n. 1\n"
            "   -> Sampling point: 3\n"
            "\nERROR:\n"
            "The deformation gradient of the element is singular:\n"
            "the element is inverted or collapsed.\n"
            "Combination 1: it cannot be divided: the history is path-dependent.\n"
            "Execution cannot proceed.\n\n");
  EXPECT_TRUE(o.dr.records.empty());
}
