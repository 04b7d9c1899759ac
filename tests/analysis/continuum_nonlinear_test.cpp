// Nonlinear runs of plane and solid elements end to end: an elastic run equals the
// linear one, a concrete prism follows its stress-strain curve through the peak, the
// softening branch, unloading and reloading, and a perfectly plastic hexahedral bar
// carries A sigma_y whatever the further extension.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

struct Solver {
  int storage, algorithm;
};
constexpr Solver kSolvers[] = {{1, 1}, {2, 2}};

// One combination per factor of load case 1.
void Factors(Job& j, const std::vector<double>& f) {
  j.model.combinations.clear();
  for (double x : f) {
    tw::Combination c;
    c.factors = {{1, x}};
    j.model.combinations.push_back(c);
  }
}

void Nonlinear(Job& j, int pathBehavior) {
  j.model.main.materNonlinear = 1;
  j.model.main.convergenceCriterion = 1;
  j.model.main.tolerance = 1e-9;
  j.model.main.maxIterations = 60;
  j.model.main.pathBehavior = pathBehavior;
}

tw::Rec Nlmm124(double E, double nu, double c0, double phi) {
  return tw::Rec().S("plastic").Ds({0.0, 0.0, nu, E}).I(2).I(1).Ds({c0, 1.0}).I(1).Ds({phi, phi, 1.0});
}

class ContinuumRun : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }
  resultfile::DisplReactFile Run(Job job, const Solver& s, const std::string& name) {
    job.model.main.storageTechnique = s.storage;
    job.model.main.linEqAlgorithm = s.algorithm;
    tw::WriteDataFile(dir_ + "/" + name, job.model);
    WriteTextFile(dir_ + "/" + name + "_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
    const ChildResult r = RunProgram(VOLDE_EXE, {name}, dir_);
    EXPECT_EQ(r.status, 0) << r.err;
    resultfile::DisplReactFile dr =
        resultfile::ReadDisplReact(dir_ + "/" + name + "_dr.bin", job.layout.nF, job.layout.nP);
    EXPECT_EQ(dr.error, "");
    EXPECT_EQ(dr.records.size(), job.model.combinations.size());
    return dr;
  }
  std::string dir_;
};

// Sum of the reactions of dof d over the points.
double Reaction(const resultfile::DisplReactRecord& r, const Job& j, const std::vector<int>& points, int d) {
  double s = 0.0;
  for (int p : points) s += r.react.at(static_cast<size_t>(j.layout.Presc(p, d)));
  return s;
}

// Concrete prism 1 x 1, t = 0.1, one plane-stress element: left edge u2 = 0, the origin
// u3 = 0, right edge u2 = -factor. The right-edge reactions sum to -0.1 sigma(eps).
Job Prism() {
  Job j;
  j.model.main.title = "concrete prism";
  tw::AddRecord(j.model, "<NLMM121>", tw::Rec().S("concrete").Ds({0.0, 0.0, 0.2, 30000.0, 30.0, 0.0022, 0.3, 0.0}));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 0.1));
  linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kPlaneMask, "011000");
  linmodel::AddPoint2D(j, 1.0, 0.0, linmodel::kPlaneMask, "010000");
  linmodel::AddPoint2D(j, 1.0, 1.0, linmodel::kPlaneMask, "010000");
  linmodel::AddPoint2D(j, 0.0, 1.0, linmodel::kPlaneMask, "010000");
  tw::AddElement(j.model, {1, 2, 3, 4});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 10, MAT_NLMM121, 1, GEOM_LAM_THICK, 1));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0},
                                              {tw::PrescribedDisplacement(2, 2, -1.0),
                                               tw::PrescribedDisplacement(3, 2, -1.0)})};
  return j;
}

}  // namespace

TEST_F(ContinuumRun, ElasticPlaneRunEqualsTheLinearRun) {
  // The two-element plate pulled at its right edge, once linear, once with a plasticity
  // law whose cohesion is never reached.
  Job lin = linmodel::TwoElementPlate(1000.0, 0.25, 0.1, 0.2, -0.1);
  lin.model.loadCases = {linmodel::ElementLoads({tw::PointLoad(3, {0, 1, 0.3, 0, 0, 0}),
                                                 tw::PointLoad(6, {0, 1, -0.2, 0, 0, 0})})};
  Factors(lin, {1.0});
  Job nl = lin;
  tw::AddRecord(nl.model, "<NLMM124>", Nlmm124(1000.0, 0.25, 1e9, 0.0));
  nl.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 2, 10, MAT_NLMM124, 1, GEOM_LAM_THICK, 1)};
  Nonlinear(nl, 1);
  Factors(nl, {0.5, 1.0});
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
      Factors(j, path);
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
    Factors(j, strains);
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
