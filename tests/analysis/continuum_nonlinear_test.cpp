// Nonlinear runs of plane and solid elements end to end: an elastic run equals the
// linear one, a concrete prism follows its stress-strain curve through the peak, the
// softening branch, unloading and reloading, and a perfectly plastic hexahedral bar
// carries A sigma_y whatever the further extension.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/material_driver.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"

namespace tw = testmodel;
using linmodel::Job;
using nonlinrun::Factors;
using nonlinrun::kSolvers;
using nonlinrun::Reaction;
using nonlinrun::Solver;

namespace {

void Nonlinear(Job& j, int pathBehavior) { nonlinrun::Iterate(j.model.main, 1e-9, 60, pathBehavior); }

tw::Rec Nlmm124(double E, double nu, double c0, double phi, int criterion = 2) {
  return tw::Rec().S("plastic").Ds({0.0, 0.0, nu, E}).I(criterion).I(1).Ds({c0, 1.0}).I(1).Ds({phi, phi, 1.0});
}

class ContinuumRun : public nonlinrun::RunFixture {};

// Concrete prism 1 x 1, t = 0.1, one plane-stress element: left edge u2 = 0, the origin
// u3 = 0, right edge u2 = -factor. The right-edge reactions sum to -0.1 sigma(eps).
// Another material: its kind and block with one record.
struct PrismMaterial {
  int kind;
  const char* block;
  tw::Rec record;
};

Job Prism(bool loaded = false, const PrismMaterial* material = nullptr) {
  Job j;
  j.model.main.title = "concrete prism";
  if (material == nullptr)
    tw::AddRecord(j.model, "<NLMM121>", tw::Rec().S("concrete").Ds({0.0, 0.0, 0.2, 30000.0, 30.0, 0.0022, 0.3, 0.0}));
  else
    tw::AddRecord(j.model, material->block, material->record);
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 0.1));
  linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kPlaneMask, "011000");
  linmodel::AddPoint2D(j, 1.0, 0.0, linmodel::kPlaneMask, loaded ? "000000" : "010000");
  linmodel::AddPoint2D(j, 1.0, 1.0, linmodel::kPlaneMask, loaded ? "000000" : "010000");
  linmodel::AddPoint2D(j, 0.0, 1.0, linmodel::kPlaneMask, "010000");
  tw::AddElement(j.model, {1, 2, 3, 4});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, 1, 10, material == nullptr ? MAT_NLMM121 : material->kind, 1, GEOM_LAM_THICK, 1));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0},
                                              {tw::PrescribedDisplacement(2, 2, -1.0),
                                               tw::PrescribedDisplacement(3, 2, -1.0)})};
  return j;
}

// Thick cylinder a = 1, b = 2 in plane strain: a quarter ring of nr x nt 8-node quads,
// symmetry supports on the axes, unit internal pressure as the consistent nodal forces
// of the curved inner edges. Returns the inner points (I = 0) in order of J.
Job ThickCylinder(int nr, int nt, int criterion, std::vector<int>* inner) {
  Job j;
  j.model.main.title = "thick cylinder";
  tw::AddRecord(j.model, "<NLMM124>", Nlmm124(1000.0, 0.3, 10.0, 0.0, criterion));
  const double kHalfPi = 2.0 * std::atan(1.0);
  std::map<std::pair<int, int>, int> at;
  std::map<int, std::array<double, 2>> x;
  for (int I = 0; I <= 2 * nr; I++)
    for (int J = 0; J <= 2 * nt; J++) {
      if (I % 2 == 1 && J % 2 == 1) continue;
      const double r = 1.0 + I / (2.0 * nr), t = kHalfPi * J / (2.0 * nt);
      const std::string fix = J == 0 ? "001000" : J == 2 * nt ? "010000" : "000000";
      const int p = linmodel::AddPoint2D(j, r * std::cos(t), r * std::sin(t), linmodel::kPlaneMask, fix);
      at[{I, J}] = p;
      x[p] = {r * std::cos(t), r * std::sin(t)};
      if (I == 0) inner->push_back(p);
    }
  const int kNodes[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
  for (int a = 0; a < nr; a++)
    for (int b = 0; b < nt; b++) {
      std::vector<int32_t> nodes;
      for (const auto& n : kNodes) nodes.push_back(at.at({2 * a + 1 + n[0], 2 * b + 1 + n[1]}));
      tw::AddElement(j.model, nodes);
    }
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, nr * nt, 13, MAT_NLMM124, 1, 0, 0));
  // f_k = p integral of N_k (dx3/dxi, -dx2/dxi) over each three-node inner edge.
  std::map<int, std::array<double, 2>> f;
  const double g = std::sqrt(0.6), gp[3] = {-g, 0.0, g}, gw[3] = {5.0 / 9, 8.0 / 9, 5.0 / 9};
  for (int b = 0; b < nt; b++) {
    const int p[3] = {(*inner)[2 * b], (*inner)[2 * b + 1], (*inner)[2 * b + 2]};
    for (int q = 0; q < 3; q++) {
      const double s = gp[q];
      const double N[3] = {0.5 * s * (s - 1), 1 - s * s, 0.5 * s * (s + 1)};
      const double dN[3] = {s - 0.5, -2 * s, s + 0.5};
      double t2 = 0.0, t3 = 0.0;
      for (int k = 0; k < 3; k++) {
        t2 += dN[k] * x[p[k]][0];
        t3 += dN[k] * x[p[k]][1];
      }
      for (int k = 0; k < 3; k++) {
        f[p[k]][0] += gw[q] * N[k] * t3;
        f[p[k]][1] -= gw[q] * N[k] * t2;
      }
    }
  }
  std::vector<tw::Rec> loads;
  for (const auto& [p, v] : f) loads.push_back(tw::PointLoad(p, {0, v[0], v[1], 0, 0, 0}));
  j.model.loadCases = {linmodel::ElementLoads(loads)};
  return j;
}

}  // namespace

TEST_F(ContinuumRun, ThickCylinderStartsElasticAndCollapsesAtItsLimitPressure) {
  // Limit pressures with phi = 0, c = 10: (4c / sqrt 3) ln 2 for the Drucker-Prager cone,
  // 2c ln 2 for Mohr-Coulomb (Tresca). Load control: 98% converges, 102% cannot.
  struct Case {
    int criterion;
    double limit;
  };
  for (const Case& c : {Case{2, 40.0 / std::sqrt(3.0) * std::log(2.0)}, Case{1, 20.0 * std::log(2.0)}}) {
    SCOPED_TRACE(c.criterion);
    std::vector<int> inner;
    Job j = ThickCylinder(8, 4, c.criterion, &inner);
    Nonlinear(j, 1);
    j.model.main.tolerance = 1e-8;
    j.model.main.maxIterations = 100;
    std::vector<double> p = {2.0};
    for (double r : {0.5, 0.7, 0.8, 0.85, 0.9, 0.93, 0.95, 0.97, 0.98}) p.push_back(r * c.limit);
    Factors(j.model, p);
    const resultfile::DisplReactFile dr = Run(j, kSolvers[0], "cyl");
    ASSERT_EQ(dr.records.size(), p.size());
    // Elastic start: u(a) = p a (1 + nu)((1 - 2 nu) a^2 + b^2) / (E (b^2 - a^2)).
    const double ua = 2.0 * 1.3 * 4.4 / 3000.0;
    for (int q : inner) {
      const auto& r = dr.records[0];
      const double u2 = j.layout.Free(q, 2) >= 0 ? r.free.at(static_cast<size_t>(j.layout.Free(q, 2))) : 0.0;
      const double u3 = j.layout.Free(q, 3) >= 0 ? r.free.at(static_cast<size_t>(j.layout.Free(q, 3))) : 0.0;
      EXPECT_NEAR(std::hypot(u2, u3), ua, 0.005 * ua);
    }
    p.push_back(1.02 * c.limit);
    Factors(j.model, p);
    ChildResult run;
    const resultfile::DisplReactFile over = Run(j, kSolvers[0], "cyl2", &run);
    // Past the limit the run stops with a message of the iterations or of the law,
    // never as a fault of the program, and keeps the converged combinations.
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("INTERNAL ERROR"), std::string::npos) << run.err;
    EXPECT_EQ(over.records.size(), p.size() - 1);
  }
}

TEST_F(ContinuumRun, ElasticPlaneRunEqualsTheLinearRun) {
  // The two-element plate pulled at its right edge, once linear, once with a plasticity
  // law whose cohesion is never reached.
  Job lin = linmodel::TwoElementPlate(1000.0, 0.25, 0.1, 0.2, -0.1);
  lin.model.loadCases = {linmodel::ElementLoads({tw::PointLoad(3, {0, 1, 0.3, 0, 0, 0}),
                                                 tw::PointLoad(6, {0, 1, -0.2, 0, 0, 0})})};
  Factors(lin.model, {1.0});
  Job nl = lin;
  tw::AddRecord(nl.model, "<NLMM124>", Nlmm124(1000.0, 0.25, 1e9, 0.0));
  nl.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 2, 10, MAT_NLMM124, 1, GEOM_LAM_THICK, 1)};
  Nonlinear(nl, 1);
  Factors(nl.model, {0.5, 1.0});
  const resultfile::DisplReactFile a = Run(lin, kSolvers[0], "lin");
  for (const Solver& s : kSolvers) {
    const resultfile::DisplReactFile b = Run(nl, s, "nl");
    ASSERT_EQ(b.records.size(), 2u);
    const auto& ra = a.records.at(0);
    const auto& rb = b.records.at(1);
    double umax = 0.0;
    for (double v : ra.free) umax = std::max(umax, std::fabs(v));
    for (size_t k = 0; k < ra.free.size(); k++) EXPECT_NEAR(rb.free[k], ra.free[k], 1e-8 * umax);
    for (size_t k = 0; k < ra.react.size(); k++) EXPECT_NEAR(rb.react[k], ra.react[k], 1e-7);
  }
}

TEST_F(ContinuumRun, ConcretePrismFollowsItsCurveThroughPeakSofteningAndUnloading) {
  struct Check {
    double eps, force;
  };
  const std::vector<Check> checks = {{0.0003, 0.9},       {0.0015062178, 2.7186533}, {0.0022, 3.0},
                                     {0.003, 2.6883117},  {11.0 / 3000, 2.0},        {0.0031666667, 0.5},
                                     {11.0 / 3000, 2.0},  {0.0040176592, 1.5}};
  // Steps of at most 1e-4 between the checked strains.
  std::vector<double> path;
  std::vector<int> at;
  double last = 0.0;
  for (const Check& c : checks) {
    const int n = static_cast<int>(std::ceil(std::fabs(c.eps - last) / 1e-4));
    for (int k = 1; k <= n; k++) path.push_back(last + (c.eps - last) * k / n);
    at.push_back(static_cast<int>(path.size()) - 1);
    last = c.eps;
  }
  // The records restart from the converged state at every iteration (path behaviour 1),
  // so the state follows the strain path of the combinations whatever the strategy.
  for (int strategy = 1; strategy <= 5; strategy++)
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(std::to_string(strategy) + " " + std::to_string(s.algorithm));
      Job j = Prism();
      Nonlinear(j, 1);
      j.model.main.iterativeAlgorithm = strategy;
      j.model.main.maxIterations = 400;
      Factors(j.model, path);
      const resultfile::DisplReactFile dr = Run(j, s, "prism");
      if (dr.records.size() != path.size()) continue;
      for (size_t c = 0; c < checks.size(); c++) {
        const auto& r = dr.records[static_cast<size_t>(at[c])];
        EXPECT_NEAR(Reaction(r, j, {2, 3}, 2), -checks[c].force, 1e-5) << checks[c].eps;
        // The left edge carries the same force back.
        EXPECT_NEAR(Reaction(r, j, {1, 4}, 2), checks[c].force, 1e-5);
      }
    }
}

TEST_F(ContinuumRun, PerfectlyPlasticBarCarriesAreaTimesYieldStress) {
  // E 1000, nu 0.3, von Mises-like cone (criterion 2, phi = 0), c0 = 10: sigma_y = 20.
  // Rollers on the faces x1 = 0, x2 = 0, x3 = 0; the end face is pulled along x1.
  const std::vector<double> strains = {0.005, 0.01, 0.015, 0.019, 0.021, 0.025, 0.03, 0.05};
  for (int nx : {1, 10}) {
    const double L = nx;
    linmodel::LatticeJob lj = linmodel::HexaBar(8, nx, L, 0.0, 0.0, 1000.0, 0.3, 0.0, false,
                                                [nx](int I, int J, int K) {
                                                  std::string f = "000000";
                                                  if (I == 0 || I == 2 * nx) f[0] = '1';
                                                  if (J == 0) f[1] = '1';
                                                  if (K == 0) f[2] = '1';
                                                  return f;
                                                });
    Job& j = lj.job;
    tw::AddRecord(j.model, "<NLMM124>", Nlmm124(1000.0, 0.3, 10.0, 0.0));
    j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, nx, 24, MAT_NLMM124, 1, 0, 0)};
    std::vector<int> end;
    std::vector<tw::Rec> pulls;
    for (int J : {0, 2})
      for (int K : {0, 2}) {
        end.push_back(lj.At(2 * nx, J, K));
        pulls.push_back(tw::PrescribedDisplacement(end.back(), 1, L));
      }
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
    Factors(j.model, strains);
    for (int pb : {1, 2})
      for (const Solver& s : kSolvers) {
        SCOPED_TRACE(std::to_string(nx) + " " + std::to_string(pb) + " " + std::to_string(s.algorithm));
        Nonlinear(j, pb);
        const resultfile::DisplReactFile dr = Run(j, s, "bar");
        if (dr.records.size() != strains.size()) continue;
        for (size_t k = 0; k < strains.size(); k++)
          EXPECT_NEAR(Reaction(dr.records[k], j, end, 1), std::min(1000.0 * strains[k], 20.0), 1e-6)
              << strains[k];
      }
  }
}

TEST_F(ContinuumRun, UncrackedCubeOfTheCrackModelIsTheLinearCube) {
  // A 100 mm cube of the smeared-crack model (E 30000, nu 0, ft 3) on rollers, its end
  // face pulled to u = 0.003, 0.006, 0.009 (sigma 0.9 to 2.7 < ft): every point stays
  // uncracked (a cracking point would stop the run) and the reactions are the linear
  // cube's, E A u / L = 9000 per step.
  linmodel::LatticeJob lj = linmodel::HexaBar(8, 1, 100.0, 0.0, 0.0, 30000.0, 0.0, 0.0, false, [](int I, int J, int K) {
    return std::string(I == 0 || I == 2 ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
  });
  Job& lin = lj.job;
  linmodel::MovePoints(lin, [](const std::array<double, 3>& x) {
    return std::array<double, 3>{x[0], 100.0 * x[1], 100.0 * x[2]};
  });
  std::vector<int> end;
  std::vector<tw::Rec> pulls;
  for (int J : {0, 2})
    for (int K : {0, 2}) {
      end.push_back(lj.At(2, J, K));
      pulls.push_back(tw::PrescribedDisplacement(end.back(), 1, 0.003));
    }
  lin.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
  Factors(lin.model, {1.0});
  Job nl = lin;
  tw::AddRecord(nl.model, "<NLMM111>",
                tw::Rec().S("S1").Ds({0.0, 0.0, 0.0, 30000.0, 3.0, 3.0}).I(1)
                    .Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0, 0.1, 1.0}).I(0).Ds({0.0, 0.0, 0.0, 0.0}).I(1).D(0.2).I(1)
                    .Ds({0.0, 0.0}).I(1).I(1).D(100.0).I(2).D(0.5));
  nl.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, MAT_NLMM111, 1, 0, 0)};
  Factors(nl.model, {1.0, 2.0, 3.0});
  const resultfile::DisplReactFile a = Run(lin, kSolvers[0], "lin");
  ASSERT_EQ(a.records.size(), 1u);
  EXPECT_NEAR(Reaction(a.records[0], lin, end, 1), 9000.0, 1e-6);
  for (int pb : {1, 2})
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(std::to_string(pb) + " " + std::to_string(s.algorithm));
      Nonlinear(nl, pb);
      const resultfile::DisplReactFile dr = Run(nl, s, "cube");
      if (dr.records.size() != 3u) continue;
      for (size_t k = 0; k < 3; k++) {
        EXPECT_NEAR(Reaction(dr.records[k], nl, end, 1), 9000.0 * static_cast<double>(k + 1), 1e-6);
        for (size_t q = 0; q < a.records[0].react.size(); q++)
          EXPECT_NEAR(dr.records[k].react[q], static_cast<double>(k + 1) * a.records[0].react[q], 1e-6);
      }
    }
}

TEST_F(ContinuumRun, TemperatureVariationOnAPlasticSolidIsRefused) {
  // The meridian plasticity law takes no thermal strain: a heated element would be
  // pressed instead of expanding, so the load is refused with its context.
  linmodel::LatticeJob lj = linmodel::HexaBar(8, 1, 1.0, 0.0, 0.0, 1000.0, 0.3, 0.0, false, [](int I, int J, int K) {
    return std::string(I == 0 ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
  });
  Job& j = lj.job;
  tw::AddRecord(j.model, "<NLMM125>",
                tw::Rec().S("concrete").Ds({0.0, 1e-5, 0.2, 30000.0, 30.0, 3.0, 0.0022, 0.3}).I(1)
                    .Ds({0.0, 0.0, 0.0, 0.0, 0.0}));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, MAT_NLMM125, 1, 0, 0)};
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {tw::TemperatureVariation(1, {5.0})})};
  Nonlinear(j, 1);
  Factors(j.model, {1.0});
  ChildResult run;
  Run(j, kSolvers[0], "hot", &run);
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_NE(run.err.find("Calculating the thermal load contribution to the global load vector:\n"
                         "   -> Load case: 1\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("A temperature variation cannot be applied to a solid element\n"
                         "whose nonlinear material model takes no thermal strain."),
            std::string::npos)
      << run.err;
}

TEST_F(ContinuumRun, PrismRestartedOnTheSofteningBranchGivesTheUninterruptedRun) {
  // Combination 4 lies past the peak; the restart reads the history records it wrote.
  // The initial stiffness (strategy 2) brings the return mapping through steps of 2e-4 on
  // the softening branch too. (Strategy 5 does not bring the path-dependent iterations through the peak.)
  const std::vector<double> strains = {0.0011, 0.0022, 0.0024, 0.0026, 0.0028, 0.003};
  for (int pb : {1, 2})
    for (int strategy : {1, 2, 3, 5}) {
      if (pb == 2 && strategy == 5) continue;
      SCOPED_TRACE(std::to_string(pb) + " " + std::to_string(strategy));
      Job j = Prism();
      Nonlinear(j, pb);
      j.model.main.iterativeAlgorithm = strategy;
      j.model.main.maxIterations = 400;
      Factors(j.model, strains);
      Run(j, kSolvers[0], "fresh");
      Run(j, kSolvers[0], "prism");
      j.model.main.nCombBeforeRestart = 4;
      Run(j, kSolvers[0], "prism");
      ExpectSameFiles("prism", "fresh", {"_dr.bin", "_if.bin", "_NLMM121_HD.bin"});
    }
}

namespace {

// The prism loaded by -0.5 at each right node, the right edge free, under arc length from
// combination 1 with the load factor of load case 1 as the reference increment.
Job LoadedPrism(int nArc) {
  Job j = Prism(true);
  j.model.loadCases = {linmodel::ElementLoads(
      {tw::PointLoad(2, {0, -0.5, 0, 0, 0, 0}), tw::PointLoad(3, {0, -0.5, 0, 0, 0, 0})})};
  Nonlinear(j, 1);
  Factors(j.model, {1.0});
  j.model.main.arcLength = 1;
  j.model.main.maxArcLengthCombinations = nArc;
  return j;
}

}  // namespace

// Displacement control of a right node by -1e-4 per combination carries the prism through
// its peak: combination k has |u| = k 1e-4 and the load factor 0.1 sigma(|u|).
TEST_F(ContinuumRun, ConcretePrismUnderDisplacementControlPassesItsPeak) {
  // Gauss under the full tangent; conjugate gradients under the initial stiffness, since
  // KFF is indefinite past the peak.
  const int kStrategy[] = {1, 2};
  for (int i = 0; i < 2; i++) {
    const Solver& s = kSolvers[i];
    SCOPED_TRACE(std::to_string(s.algorithm));
    Job j = LoadedPrism(40);
    j.model.main.iterativeAlgorithm = kStrategy[i];
    j.model.main.maxIterations = 400;
    tw::ArcLengthParams& al = j.model.arcLength;
    al.displActive = 1;
    al.displPoint = 2;
    al.displDof = 2;
    al.displIncrement = -1e-4;
    ChildResult out;
    const resultfile::DisplReactFile dr = Run(j, s, "prism", &out);
    EXPECT_EQ(out.status, 0) << out.err;
    const resultfile::NonlinearExecParams ep =
        resultfile::ReadNonlinearExecParams(dir_ + "/prism_ep.bin", j.layout.nF, j.layout.nP);
    ASSERT_EQ(dr.records.size(), 40u);
    ASSERT_EQ(ep.entries.size(), 40u);
    const int u = j.layout.Free(2, 2);
    const std::map<int, double> kLambda = {{22, 3.0}, {30, 2.6883117}, {40, 1.5272727}};
    for (int k = 1; k <= 40; k++) {
      SCOPED_TRACE("combination " + std::to_string(k));
      const auto& e = ep.entries[static_cast<size_t>(k - 1)];
      const auto& r = dr.records[static_cast<size_t>(k - 1)];
      EXPECT_NEAR(r.free.at(static_cast<size_t>(u)), -1e-4 * k, 1e-12);
      const double lambda = -(e.path.extF.at(static_cast<size_t>(u)) +
                              e.path.extF.at(static_cast<size_t>(j.layout.Free(3, 2))));
      // The left edge carries the applied load back.
      EXPECT_NEAR(Reaction(r, j, {1, 4}, 2), lambda, 1e-6);
      if (kLambda.count(k) != 0) {
        EXPECT_NEAR(lambda, kLambda.at(k), 1e-5);
      }
    }
  }
  // Conjugate gradients with the full tangent stop at the peak with the curvature message:
  // combination 22 reaches the peak strain eps_c1, where the hardening modulus and so the
  // prism's tangent vanish.
  Job j = LoadedPrism(40);
  j.model.main.iterativeAlgorithm = 1;
  j.model.arcLength.displActive = 1;
  j.model.arcLength.displPoint = 2;
  j.model.arcLength.displDof = 2;
  j.model.arcLength.displIncrement = -1e-4;
  ChildResult out;
  const resultfile::DisplReactFile dr = Run(j, kSolvers[1], "prism", &out);
  EXPECT_EQ(out.status, 1);
  EXPECT_NE(out.err.find("Conjugate gradient method failed"), std::string::npos) << out.err;
  EXPECT_NE(out.err.find("of the search direction is null, negative, not finite"), std::string::npos);
  EXPECT_GE(dr.records.size(), 21u);
}

namespace {

// The prism's uniaxial stress-strain curve: elastic to alpha0 fc, the elliptic hardening
// in the plastic strain kappa = eps - sigma / E up to (eps_c1, fc), then the softening
// branch sigma / fc = (k eta - eta^2) / (1 + (k - 2) eta), eta = eps / eps_c1, up to
// eps_lim, then the tail sigma / fc = 1 / ((xi / eta_lim - 2 / eta_lim^2) eta^2 +
// (4 / eta_lim - xi) eta).
double PrismStress(double eps) {
  const double E = 30000.0, fc = 30.0, ec1 = 0.0022, a0 = 0.3;
  if (eps <= a0 * fc / E) return E * eps;
  const double epsLim = 0.0040176592;
  if (eps >= epsLim) {
    const double k = E * ec1 / fc, el = epsLim / ec1, eta = eps / ec1;
    const double xi = 4.0 * ((k - 2.0) * el * el + 2.0 * el - k) / (((k - 2.0) * el + 1.0) * ((k - 2.0) * el + 1.0));
    return fc / ((xi / el - 2.0 / (el * el)) * eta * eta + (4.0 / el - xi) * eta);
  }
  if (eps >= ec1) {
    const double k = E * ec1 / fc, eta = eps / ec1;
    return fc * (k * eta - eta * eta) / (1.0 + (k - 2.0) * eta);
  }
  const double kp = ec1 - fc / E;
  double lo = a0 * fc, hi = fc;
  for (int i = 0; i < 200; i++) {
    const double s = 0.5 * (lo + hi), x = (eps - s / E) / kp;
    const double h = a0 * fc + (fc - a0 * fc) * std::sqrt(std::max(0.0, 2.0 * x - x * x));
    (h > s ? lo : hi) = s;
  }
  return 0.5 * (lo + hi);
}

}  // namespace

// Radius constraint, constant and updated radius, both path behaviours: each
// combination's increment meets its own radius, the load factor reaches the peak 3.0 and
// then falls along the softening branch (the step follows the direction of the previous
// one, so the tangent's negative stiffness past the peak turns the load down instead of
// turning the path back). Under path behaviour 1 every converged state lies on the curve;
// under path behaviour 2 the history also records the corrections that step back along
// the sphere, so the states lag behind the monotonic curve. A radius found anew from the
// full increment is long near the peak, where the tangent is flat: that run leaps from the
// peak far down the tail in one step, and five combinations show it (path behaviour 2 starts
// each combination from the elastic tangent after a final unloading correction, so its radius
// stays short).
TEST_F(ContinuumRun, ConcretePrismUnderTheRadiusConstraintPassesItsPeak) {
  const double psi = 1e-4, rf = 0.25;
  for (int constant = 0; constant <= 1; constant++)
    for (int path = 1; path <= 2; path++) {
      SCOPED_TRACE("constant radius " + std::to_string(constant) + ", path " + std::to_string(path));
      const size_t nArc = constant == 0 && path == 1 ? 5 : 20;
      Job j = LoadedPrism(static_cast<int>(nArc));
      j.model.main.pathBehavior = path;
      tw::ArcLengthParams& al = j.model.arcLength;
      al.constantRadius = static_cast<int8_t>(constant);
      al.radiusFactor = rf;
      al.forceDisplScaling = psi;
      ChildResult out;
      const resultfile::DisplReactFile dr = Run(j, kSolvers[0], "prism", &out);
      EXPECT_EQ(out.status, 0) << out.err;
      const resultfile::NonlinearExecParams ep =
          resultfile::ReadNonlinearExecParams(dir_ + "/prism_ep.bin", j.layout.nF, j.layout.nP);
      ASSERT_EQ(dr.records.size(), nArc);
      ASSERT_EQ(ep.entries.size(), nArc);
      const size_t u2 = static_cast<size_t>(j.layout.Free(2, 2)), u3 = static_cast<size_t>(j.layout.Free(3, 2));
      double peak = 0.0, lastLambda = 0.0, lastEps = 0.0, lowest = 3.0;
      for (size_t k = 0; k < nArc; k++) {
        SCOPED_TRACE("combination " + std::to_string(k + 1));
        const auto& e = ep.entries[k];
        const double eps = -dr.records[k].free.at(u2);
        const double lambda = -(e.path.extF.at(u2) + e.path.extF.at(u3));
        EXPECT_GT(eps, lastEps);
        if (path == 1) {
          EXPECT_NEAR(lambda, 0.1 * PrismStress(eps), 1e-5) << eps;
        }
        if (eps > 0.0022) lowest = std::min(lowest, lambda);
        peak = std::max(peak, lambda);
        if (k > 0 && e.nIterations >= 2) {
          double da = 0.0;
          for (size_t d = 0; d < dr.records[k].free.size(); d++) {
            const double x = dr.records[k].free[d] - dr.records[k - 1].free[d];
            da += x * x;
          }
          const double eta = lambda - lastLambda;
          EXPECT_NEAR(da + psi * psi * eta * eta * 0.5, rf * rf * e.path.d1 * e.path.d1,
                      1e-8 * rf * rf * e.path.d1 * e.path.d1);
        }
        lastLambda = lambda;
        lastEps = eps;
      }
      EXPECT_NEAR(peak, 3.0, 0.006);
      EXPECT_LT(lowest, 2.5);
    }
}

// A restart on the softening branch of the radius-constraint run takes the direction of
// its next step from the two last converged records and gives the uninterrupted run.
TEST_F(ContinuumRun, RadiusConstraintRunRestartedPastThePeakGivesTheUninterruptedRun) {
  Job j = LoadedPrism(14);
  j.model.arcLength.constantRadius = 1;
  j.model.arcLength.radiusFactor = 0.25;
  j.model.arcLength.forceDisplScaling = 1e-4;
  ChildResult out;
  for (const char* name : {"fresh", "prism"}) {
    Run(j, kSolvers[0], name, &out);
    ASSERT_EQ(out.status, 0) << out.err;
  }
  j.model.main.nCombBeforeRestart = 10;
  Run(j, kSolvers[0], "prism", &out);
  EXPECT_EQ(out.status, 0) << out.err;
  ExpectSameFiles("prism", "fresh", {"_dr.bin", "_if.bin", "_NLMM121_HD.bin"});
}

// The displacement-control run restarted on its softening branch (combination 25) gives the
// uninterrupted run, whatever the stiffness strategy and path behaviour.
TEST_F(ContinuumRun, DisplacementControlRunRestartedPastThePeakGivesTheUninterruptedRun) {
  for (int pb : {1, 2})
    for (int strategy : {1, 2, 3, 5}) {
      SCOPED_TRACE(std::to_string(pb) + " " + std::to_string(strategy));
      Job j = LoadedPrism(30);
      j.model.main.pathBehavior = pb;
      j.model.main.iterativeAlgorithm = strategy;
      j.model.main.maxIterations = 400;
      j.model.arcLength.displActive = 1;
      j.model.arcLength.displPoint = 2;
      j.model.arcLength.displDof = 2;
      j.model.arcLength.displIncrement = -1e-4;
      ChildResult out;
      for (const char* name : {"fresh", "prism"}) {
        Run(j, kSolvers[0], name, &out);
        ASSERT_EQ(out.status, 0) << out.err;
      }
      j.model.main.nCombBeforeRestart = 25;
      Run(j, kSolvers[0], "prism", &out);
      EXPECT_EQ(out.status, 0) << out.err;
      ExpectSameFiles("prism", "fresh", {"_dr.bin", "_if.bin", "_NLMM121_HD.bin"});
    }
}

namespace {

// Concrete plasticity records: nu 0.2, E 30000, fc 30, fct 3, eps_c1 0.0022, alpha0 0.3,
// the hardening law and, for NLMM125, the five meridian values (0: the fixed radii).
tw::Rec ConcreteRecord(int kind, int law) {
  tw::Rec r = tw::Rec().S("concrete").Ds({0.0, 0.0, 0.2, 30000.0, 30.0, 3.0, 0.0022, 0.3});
  if (kind == MAT_NLMM122) return r;
  r.I(law);
  if (kind == MAT_NLMM125) r.Ds({0.0, 0.0, 0.0, 0.0, 0.0});
  return r;
}

const char* ConcreteBlock(int kind) {
  return kind == MAT_NLMM122 ? "<NLMM122>" : kind == MAT_NLMM123 ? "<NLMM123>" : "<NLMM125>";
}

// The 1 x 1 x 1 hexahedron on rollers at x1 = 0, x2 = 0, x3 = 0, its end face pressed
// along x1 by the factor of each combination.
Job Cube(int kind, int law, std::vector<int>* end, std::vector<int>* side = nullptr) {
  linmodel::LatticeJob lj = linmodel::HexaBar(8, 1, 1.0, 0.0, 0.0, 30000.0, 0.2, 0.0, false, [](int I, int J, int K) {
    return std::string(I == 0 || I == 2 ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
  });
  Job j = lj.job;
  tw::AddRecord(j.model, ConcreteBlock(kind), ConcreteRecord(kind, law));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, kind, 1, 0, 0)};
  std::vector<tw::Rec> pulls;
  for (int J : {0, 2})
    for (int K : {0, 2}) {
      end->push_back(lj.At(2, J, K));
      pulls.push_back(tw::PrescribedDisplacement(end->back(), 1, -1.0));
    }
  // The free lateral face x2 = 1.
  if (side != nullptr)
    for (int I : {0, 2})
      for (int K : {0, 2}) side->push_back(lj.At(I, 2, K));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
  return j;
}

std::vector<double> Ramp(double to, double step) {
  std::vector<double> f;
  for (int k = 1; k * step <= to + 1e-12; k++) f.push_back(k * step);
  return f;
}

}  // namespace

// The plane-stress prism: first yield at alpha0 fc over the equivalent stress per unit
// compression, then the plateau of law 2 at fc over it (times the area 0.1).
TEST_F(ContinuumRun, PlaneStressMohrCoulombPrismHoldsItsUniaxialStrengths) {
  // One plane-stress element pulled and pushed along x, free across: the uniaxial stress
  // has two principal stresses 0 (the out-of-plane one among them), a corner of the
  // surface in plane stress. Tresca (c 10) holds 20 both ways; Mohr-Coulomb with
  // phi = 30 degrees (c 10) holds 2c cos(phi)/(1 +- sin(phi)): 11.547 in tension, 34.641
  // in compression, times the section 0.1.
  const double phi30 = 3.14159265358979323846 / 6.0, E = 1000.0;
  struct Case {
    double phi, sign, strength;
  };
  const double ft = 20.0 * std::cos(phi30) / (1.0 + std::sin(phi30));
  const double fc = 20.0 * std::cos(phi30) / (1.0 - std::sin(phi30));
  for (const Case& c : {Case{0.0, 1.0, 20.0}, Case{0.0, -1.0, 20.0}, Case{phi30, 1.0, fc}, Case{phi30, -1.0, ft}}) {
    const PrismMaterial m{MAT_NLMM124, "<NLMM124>", Nlmm124(E, 0.3, 10.0, c.phi, 1)};
    Job j = Prism(false, &m);
    Nonlinear(j, 1);
    const double ey = c.strength / E;
    const std::vector<double> f = {0.5 * ey, 0.9 * ey, 1.2 * ey, 1.5 * ey, 2.0 * ey, 3.0 * ey};
    std::vector<double> factors;
    for (double x : f) factors.push_back(c.sign * x);
    Factors(j.model, factors);
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(testing::Message() << c.phi << " " << c.sign << " solver " << s.algorithm);
      const resultfile::DisplReactFile dr = Run(j, s, "prism");
      ASSERT_EQ(dr.records.size(), f.size());
      for (size_t k = 0; k < f.size(); k++)
        EXPECT_NEAR(-c.sign * Reaction(dr.records[k], j, {2, 3}, 2), 0.1 * std::min(E * f[k], c.strength),
                    1e-6 * c.strength)
            << f[k];
    }
  }
}

TEST_F(ContinuumRun, ConcretePrismsOfTheOttosenAndMeridianSurfacesYieldAndLevel) {
  struct Case {
    int kind;
    double yield, level;
  };
  for (const Case& c : {Case{MAT_NLMM123, 0.895049, 2.983496}, Case{MAT_NLMM125, 0.896638, 2.988795}}) {
    SCOPED_TRACE(c.kind);
    const PrismMaterial m{c.kind, ConcreteBlock(c.kind), ConcreteRecord(c.kind, 2)};
    Job j = Prism(false, &m);
    Nonlinear(j, 1);
    j.model.main.maxIterations = 100;
    const double ey = c.yield / (0.1 * 30000.0);
    std::vector<double> f = {0.999 * ey, 1.001 * ey};
    for (double e : Ramp(0.006, 2e-4))
      if (e > f.back()) f.push_back(e);
    Factors(j.model, f);
    for (const Solver& s : kSolvers) {
      const resultfile::DisplReactFile dr = Run(j, s, "prism");
      ASSERT_EQ(dr.records.size(), f.size());
      EXPECT_NEAR(-Reaction(dr.records[0], j, {2, 3}, 2), 0.999 * c.yield, 1e-9);
      EXPECT_NEAR(-Reaction(dr.records[1], j, {2, 3}, 2), c.yield, 1e-3 * c.yield);
      for (size_t k = f.size() - 5; k < f.size(); k++)
        EXPECT_NEAR(-Reaction(dr.records[k], j, {2, 3}, 2), c.level, 1e-3 * c.level) << f[k];
    }
  }
}

// The hexahedron of NLMM122 (and of NLMM123 under law 1) peaks at fc over the
// equivalent stress per unit compression and softens after it; both solvers agree.
TEST_F(ContinuumRun, ConcreteCubePeaksAndSoftens) {
  const std::vector<double> f = Ramp(0.0035, 5e-5);
  for (int kind : {MAT_NLMM122, MAT_NLMM123}) {
    SCOPED_TRACE(kind);
    std::vector<int> end;
    Job j = Cube(kind, 1, &end);
    Nonlinear(j, 1);
    j.model.main.maxIterations = 100;
    // The return mapping of 122 stops at 1e-4 of its residuals, and the residual of a
    // combination is not much larger than the stresses it leaves; 123 maps to the
    // rounding of its residuals.
    j.model.main.tolerance = kind == MAT_NLMM122 ? 1e-3 : 1e-6;
    Factors(j.model, f);
    std::vector<std::vector<double>> force;
    for (const Solver& s : kSolvers) {
      const resultfile::DisplReactFile dr = Run(j, s, "cube");
      ASSERT_EQ(dr.records.size(), f.size());
      std::vector<double> r;
      for (const auto& rec : dr.records) r.push_back(-Reaction(rec, j, end, 1));
      const size_t peak = static_cast<size_t>(std::max_element(r.begin(), r.end()) - r.begin());
      EXPECT_NEAR(r[peak], 29.834959, 1e-3 * 29.834959);
      EXPECT_GT(f[peak], 0.0018);
      EXPECT_LT(r.back(), 0.8 * r[peak]);
      force.push_back(r);
    }
    // Before the peak the solvers agree to the convergence of the combinations.
    for (size_t k = 0; k < f.size() && f[k] < 0.0018; k++)
      EXPECT_NEAR(force[0][k], force[1][k], 1e-3 * force[1][k]) << f[k];
  }
}

// The NLMM123 hexahedron of law 2 pressed in steps of 2e-4 onto its plateau, unloaded
// and reloaded past it: every combination converges to 1e-6 with either solver, the
// plateau carries A fc over the equivalent stress per unit compression, and the free
// lateral face moves as the same path integrated at one material point.
TEST_F(ContinuumRun, ConcreteCubeHoldsItsPlateauThroughUnloadingAndReloading) {
  std::vector<double> f = Ramp(0.006, 2e-4);
  for (int k = 1; k <= 4; k++) f.push_back(0.006 - 2e-4 * k);
  for (int k = 1; k <= 9; k++) f.push_back(0.0052 + 2e-4 * k);
  std::vector<int> end, side;
  Job j = Cube(MAT_NLMM123, 2, &end, &side);
  Nonlinear(j, 1);
  j.model.main.tolerance = 1e-6;
  j.model.main.maxIterations = 50;
  Factors(j.model, f);
  // The same path at one point, the lateral stresses held at zero.
  matdriver::ContinuumPoint point(MAT_NLMM123, _SOLID_HEXA,
                                  matdriver::RecordWithInts({0.0, 0.0, 0.2, 30000.0, 30.0, 3.0, 0.0022, 0.3, 2.0}, {9}));
  point.SetHeldTolerance(1e-9);
  std::vector<double> lateral, stress;
  double e22 = 0.0, before = 0.0;
  for (double e : f) {
    std::vector<double> de{-(e - before), 0, 0, 0, 0, 0};
    before = e;
    stress.push_back(-point.Step(de, {false, true, true, true, true, true})[0]);
    e22 += de[1];
    lateral.push_back(e22);
  }
  const double level = 30.0 / 1.005532;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.algorithm);
    const resultfile::DisplReactFile dr = Run(j, s, "cube");
    ASSERT_EQ(dr.records.size(), f.size());
    for (size_t k = 0; k < f.size(); k++) {
      const double force = -Reaction(dr.records[k], j, end, 1);
      EXPECT_NEAR(force, stress[k], 1e-5 * level) << k << " " << f[k];
      EXPECT_NEAR(nonlinrun::Mean(dr.records[k], j, side, 2), lateral[k], 1e-9) << k;
      // On the plateau: the first loading past 0.004 and the reloading past 0.006.
      if ((k < 30 && f[k] >= 0.004) || k >= f.size() - 2) {
        EXPECT_NEAR(force, level, 1e-3 * level) << k;
      }
    }
    // Unloaded elastically: the force falls by E A per unit shortening.
    EXPECT_NEAR(-Reaction(dr.records[33], j, end, 1), level - 30000.0 * 0.0008, 1e-3 * level);
  }
}

// The NLMM125 hexahedron of law 2 shortened by 0.003 in one combination, which its
// return mapping divides into parts, ends on the plateau where 150 combinations end.
TEST_F(ContinuumRun, MeridianCubeShortenedInOneStepEndsWhereManyStepsEnd) {
  double force[2];
  for (int one : {1, 0})
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(std::to_string(one) + " " + std::to_string(s.algorithm));
      std::vector<int> end;
      Job j = Cube(MAT_NLMM125, 2, &end);
      Nonlinear(j, 1);
      j.model.main.tolerance = 1e-6;
      j.model.main.maxIterations = 100;
      Factors(j.model, one == 1 ? std::vector<double>{0.003} : Ramp(0.003, 2e-5));
      const resultfile::DisplReactFile dr = Run(j, s, "cube");
      ASSERT_EQ(dr.records.size(), one == 1 ? 1u : 150u);
      force[one] = -Reaction(dr.records.back(), j, end, 1);
      EXPECT_NEAR(force[one], 30.0 * 0.996265, 1e-3 * 30.0);
    }
  EXPECT_NEAR(force[1], force[0], 1e-5 * force[0]);
}

// Restarted in its softening branch, the NLMM122 hexahedron gives the uninterrupted run.
TEST_F(ContinuumRun, ConcreteCubeRestartedOnTheSofteningBranchGivesTheUninterruptedRun) {
  std::vector<int> end;
  Job j = Cube(MAT_NLMM122, 1, &end);
  Nonlinear(j, 1);
  j.model.main.maxIterations = 100;
  j.model.main.tolerance = 1e-6;
  Factors(j.model, Ramp(0.0032, 1e-4));
  Run(j, kSolvers[0], "fresh");
  Run(j, kSolvers[0], "cube");
  j.model.main.nCombBeforeRestart = 27;
  Run(j, kSolvers[0], "cube");
  ExpectSameFiles("cube", "fresh", {"_dr.bin", "_if.bin", "_NLMM122_HD.bin"});
  // The execution parameters keep their entries; only the timings differ.
  const resultfile::NonlinearExecParams a =
      resultfile::ReadNonlinearExecParams(dir_ + "/cube_ep.bin", j.layout.nF, j.layout.nP);
  const resultfile::NonlinearExecParams b =
      resultfile::ReadNonlinearExecParams(dir_ + "/fresh_ep.bin", j.layout.nF, j.layout.nP);
  ASSERT_EQ(a.entries.size(), b.entries.size());
  for (size_t k = 0; k < a.entries.size(); k++) {
    EXPECT_EQ(a.entries[k].combination, b.entries[k].combination);
    EXPECT_EQ(a.entries[k].nIterations, b.entries[k].nIterations);
    EXPECT_EQ(a.entries[k].path.extF, b.entries[k].path.extF);
  }
}

// A plastic block of 7 x 7 x 7 hexahedra punched at a corner of its end face, far into
// yield, run with the elimination and the solves on 1, 2, 3 and 8 threads: the profile is
// large enough for every count to be used, and every Newton iteration of every
// combination takes the same bits, so the result files are the same byte for byte.
TEST_F(ContinuumRun, PunchedPlasticBlockGivesTheSameResultBytesOnAnyThreadCount) {
  const int m = 7;
  linmodel::LatticeJob lj = linmodel::HexaBlock(8, {m, m, m}, {1.0, 1.0, 1.0}, 0.0, 0.0, 1000.0, 0.3, 0.0, false,
                                                [](int I, int J, int K) {
                                                  std::string f = "000000";
                                                  if (I == 0 || (I == 2 * m && J <= m && K <= m)) f[0] = '1';
                                                  if (J == 0) f[1] = '1';
                                                  if (K == 0) f[2] = '1';
                                                  return f;
                                                });
  Job& j = lj.job;
  tw::AddRecord(j.model, "<NLMM124>", Nlmm124(1000.0, 0.3, 10.0, 0.0));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, m * m * m, 24, MAT_NLMM124, 1, 0, 0)};
  std::vector<tw::Rec> pushes;
  for (int J = 0; J <= m; J += 2)
    for (int K = 0; K <= m; K += 2) pushes.push_back(tw::PrescribedDisplacement(lj.At(2 * m, J, K), 1, -1.0));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pushes)};
  Factors(j.model, {0.01, 0.02, 0.03});
  Nonlinear(j, 1);
  std::vector<std::vector<uint8_t>> bytes;
  for (const char* threads : {"1", "2", "3", "8"}) {
    setenv("VOLDE_THREADS", threads, 1);
    const std::string name = std::string("punch") + threads;
    Run(j, kSolvers[0], name);
    bytes.push_back(Bytes(name, "_dr.bin"));
  }
  unsetenv("VOLDE_THREADS");
  ASSERT_GT(bytes[0].size(), 1000u);
  for (size_t k = 1; k < bytes.size(); k++) EXPECT_TRUE(bytes[k] == bytes[0]) << k;
}
