// Reinforced-concrete panels of plane-stress quadrilaterals with the plane cyclic
// concrete _NLMM211 and the smeared bars _NLMM145: a square crushed to its strength and
// past its peak, pulled through the fracture energy of its crack, a tie whose concrete
// cracks through and leaves the bars on their skeleton, and a panel sheared back and
// forth that restarts to the uninterrupted run; the tie in a geometrically nonlinear run.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"

namespace tw = testmodel;
using linmodel::Job;
using nonlinrun::kSolvers;
using nonlinrun::Solver;

namespace {

// E 30000, nu 0, eps_c 0.002, f_c 30, eps_cr 0.01, f_t -3, trilinear (0.1, 0.5), (0.4, 0.2),
// G_f, band h = 1 (length mode 1).
tw::Rec Concrete(double Gf) {
  return tw::Rec()
      .S("concrete")
      .Ds({2.4e-9, 1e-5, 0.0, 30000, 0.002, 30, 0.01, -3, 0.1, 0.5, 0.4, 0.2, Gf})
      .I(1)
      .D(1.0);
}
// E 200000, Esh 5000, eps_y 0.002, fy 400, eps_sh 0.02, eps_u 0.1, fu 600; bars at theta.
tw::Rec Bars(double theta) {
  return tw::Rec().S("bars").Ds({7.85e-9, 1.2e-5, 200000, 5000, 0.002, 400, 0.02, 0, 0.1, 600, theta});
}

void Combinations(Job& j, const std::vector<double>& f) {
  nonlinrun::Factors(j.model, f);
  nonlinrun::Iterate(j.model.main, 1e-8, 200);
}

// Square 1 x 1, t = 1: left edge u2 = 0, bottom edge u3 = 0, right edge u2 = factor;
// with bars (at theta) a second element of thickness 0.01 on the same nodes.
Job Square(double Gf, bool bars, double theta = 0) {
  Job j;
  j.model.main.title = "reinforced square";
  tw::AddRecord(j.model, "<NLMM211>", Concrete(Gf));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 1.0));
  linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kPlaneMask, "011000");
  linmodel::AddPoint2D(j, 1.0, 0.0, linmodel::kPlaneMask, "011000");
  linmodel::AddPoint2D(j, 1.0, 1.0, linmodel::kPlaneMask, "010000");
  linmodel::AddPoint2D(j, 0.0, 1.0, linmodel::kPlaneMask, "010000");
  tw::AddElement(j.model, {1, 2, 3, 4});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 10, MAT_NLMM211, 1, GEOM_LAM_THICK, 1));
  if (bars) {
    tw::AddRecord(j.model, "<NLMM145>", Bars(theta));
    tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("bars", 0.01));
    tw::AddElement(j.model, {1, 2, 3, 4});
    tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(2, 2, 10, MAT_NLMM145, 1, GEOM_LAM_THICK, 2));
  }
  j.model.loadCases = {linmodel::ElementLoads(
      {}, {}, {}, {}, {0, 0, 0}, {tw::PrescribedDisplacement(2, 2, 1.0), tw::PrescribedDisplacement(3, 2, 1.0)})};
  return j;
}

class PanelRun : public nonlinrun::RunFixture {};

// Force on the right edge: the reactions of its prescribed u2.
double EdgeForce(const resultfile::DisplReactRecord& r, const Job& j) {
  return r.react.at(static_cast<size_t>(j.layout.Presc(2, 2))) + r.react.at(static_cast<size_t>(j.layout.Presc(3, 2)));
}

std::vector<double> Ramp(double to, int n) {
  std::vector<double> f;
  for (int k = 1; k <= n; k++) f.push_back(to * k / n);
  return f;
}

}  // namespace

// Shortening: f_c t w at eps_c, the envelope y(1.5) f_c at 1.5 eps_c.
TEST_F(PanelRun, SquareCrushesAlongTheEnvelope) {
  std::vector<double> f = Ramp(-0.002, 20);
  for (double x : Ramp(-0.001, 10)) f.push_back(-0.002 + x);
  for (const Solver& s : kSolvers) {
    Job j = Square(0.05, false);
    Combinations(j, f);
    const resultfile::DisplReactFile dr = Run(j, s, "crush");
    ASSERT_EQ(dr.records.size(), f.size());
    EXPECT_NEAR(EdgeForce(dr.records[19], j), -30.0, 1e-6);
    EXPECT_NEAR(EdgeForce(dr.records.back(), j), -30 * 0.821804, 1e-4);
  }
}

// Tension past eps_u = 0.069549: the work of the edge force is G_f t w.
TEST_F(PanelRun, CrackSpendsTheFractureEnergy) {
  const std::vector<double> f = Ramp(0.075, 750);
  for (const Solver& s : kSolvers) {
    Job j = Square(0.05, false);
    Combinations(j, f);
    const resultfile::DisplReactFile dr = Run(j, s, "crack");
    ASSERT_EQ(dr.records.size(), f.size());
    double work = 0.0, last = 0.0, top = 0.0;
    for (size_t k = 0; k < f.size(); k++) {
      const double F = EdgeForce(dr.records[k], j);
      work += 0.5 * (F + last) * (f[k] - (k == 0 ? 0.0 : f[k - 1]));
      last = F;
      top = std::max(top, F);
    }
    EXPECT_NEAR(top, 3.0, 1e-6);
    EXPECT_NEAR(work, 0.05, 0.0005);
    EXPECT_NEAR(last, 0.0, 1e-9);
  }
}

// A tie: the concrete (G_f 0.003, eps_u 0.0042708) cracks through by eps = 0.005 and
// the bars carry A_s fy on their skeleton.
TEST_F(PanelRun, TieLeavesTheBarsOnTheirSkeleton) {
  const std::vector<double> f = Ramp(0.005, 50);
  for (const Solver& s : kSolvers) {
    Job j = Square(0.003, true);
    Combinations(j, f);
    const resultfile::DisplReactFile dr = Run(j, s, "tie");
    ASSERT_EQ(dr.records.size(), f.size());
    EXPECT_NEAR(EdgeForce(dr.records.back(), j), 0.01 * 400 * 2.5 / std::pow(1 + std::pow(2.5, 10), 0.1), 1e-6);
    // At the cracking strain both still work elastically: E_c t eps + E_s t_s eps.
    EXPECT_NEAR(EdgeForce(dr.records[0], j), 0.0001 * (30000 * 1.0 + 200000 * 0.01), 1e-3);
  }
}

// A 2 x 2 panel of concrete and vertical bars sheared back and forth by its top edge,
// stopped after combination 4 and restarted: the same files as the run without a stop.
TEST_F(PanelRun, ShearedPanelRestartGivesTheUninterruptedRun) {
  Job j;
  j.model.main.title = "sheared panel";
  tw::AddRecord(j.model, "<NLMM211>", Concrete(0.05));
  tw::AddRecord(j.model, "<NLMM145>", Bars(90));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 1.0));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("bars", 0.01));
  int at[3][3];
  for (int J = 0; J <= 2; J++)
    for (int I = 0; I <= 2; I++)
      at[I][J] = linmodel::AddPoint2D(j, 0.5 * I, 0.5 * J, linmodel::kPlaneMask,
                                      J == 0 ? "011000" : (J == 2 ? "010000" : "000000"));
  for (int layer = 0; layer < 2; layer++)
    for (int b = 0; b < 2; b++)
      for (int a = 0; a < 2; a++) tw::AddElement(j.model, {at[a][b], at[a + 1][b], at[a + 1][b + 1], at[a][b + 1]});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 4, 10, MAT_NLMM211, 1, GEOM_LAM_THICK, 1));
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(5, 8, 10, MAT_NLMM145, 1, GEOM_LAM_THICK, 2));
  std::vector<tw::Rec> top;
  for (int I = 0; I <= 2; I++) top.push_back(tw::PrescribedDisplacement(at[I][2], 2, 1.0));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, top)};
  Combinations(j, {0.0002, 0.0005, 0.001, 0.0004, -0.0003, -0.001, -0.0004, 0.0006, 0.0015, 0.0});
  j.model.main.tolerance = 1e-6;
  j.model.main.maxIterations = 400;
  // The initial stiffness: the principal directions swap as the shear turns, and the
  // secant matrices of the two sides do not bring Newton's method across.
  j.model.main.iterativeAlgorithm = 2;
  Run(j, kSolvers[0], "fresh");
  Run(j, kSolvers[0], "panel");
  j.model.main.nCombBeforeRestart = 4;
  Run(j, kSolvers[0], "panel");
  ExpectSameFiles("panel", "fresh", {"_dr.bin", "_NLMM211_HD.bin", "_NLMM145_HD.bin"});
}

// The tie with bars at 30 degrees pulled through cracking (eps to 0.0006) in a
// geometrically nonlinear run (total Lagrangian: the bars keep their directions in the
// initial axes, and the updated description refuses them): the strains being small, the
// edge force follows the materially nonlinear run within 1e-3 of its largest value; the
// run stopped after combination 8 and restarted writes the files of the run without a stop.
TEST_F(PanelRun, GeometricTieFollowsTheMaterialRun) {
  const std::vector<double> f = Ramp(0.0006, 24);
  Job m = Square(0.05, true, 30);
  Combinations(m, f);
  const resultfile::DisplReactFile ref = Run(m, kSolvers[0], "material");
  ASSERT_EQ(ref.records.size(), f.size());
  double top = 0.0;
  for (const auto& r : ref.records) top = std::max(top, std::fabs(EdgeForce(r, m)));
  EXPECT_GT(top, 3.0);
  for (int kinematic : {1, 2})
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(testing::Message() << "kinematic " << kinematic << " solver " << s.algorithm);
      Job g = m;
      g.model.main.geomNonlinear = 1;
      g.model.main.kinematicDescription = kinematic;
      if (kinematic == 2) {
        const ChildResult refused = Start(g, s, "geometric");
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("choose _TOTAL_LAGRANGIAN"), std::string::npos) << refused.err;
        continue;
      }
      const resultfile::DisplReactFile dr = Run(g, s, "geometric");
      ASSERT_EQ(dr.records.size(), f.size());
      for (size_t k = 0; k < f.size(); k++)
        EXPECT_NEAR(EdgeForce(dr.records[k], g), EdgeForce(ref.records[k], m), 1e-3 * top) << f[k];
    }
  Job g = m;
  g.model.main.geomNonlinear = 1;
  g.model.main.kinematicDescription = 1;
  ExpectRestartGivesTheUninterruptedRun(g, kSolvers[0], 8, {"_dr.bin", "_if.bin", "_NLMM211_HD.bin", "_NLMM145_HD.bin"});
}
