// Geometric runs of layered Mindlin shells with smeared-crack layers end to end: a panel
// pulled in its plane to full opening follows the crack curve of the materially nonlinear
// run; a slender strip compressed within the elastic range of its crack layers reaches the
// second-order deflection of the beam-column, as the same strip of elastic plasticity
// layers does. The shell offers only the total Lagrangian description.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "crack_bars.h"
#include "element_models.h"
#include "geometric_columns.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

constexpr int kMindlin = 20;

class GeometricCrackedShellRun : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }
  ChildResult Start(const Job& job, const std::string& name) {
    tw::WriteDataFile(dir_ + "/" + name, job.model);
    WriteTextFile(dir_ + "/" + name + "_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
    return RunProgram(VOLDE_EXE, {name}, dir_);
  }
  resultfile::DisplReactFile Run(const Job& job, const std::string& name) {
    const ChildResult r = Start(job, name);
    EXPECT_EQ(r.status, 0) << r.err;
    resultfile::DisplReactFile dr =
        resultfile::ReadDisplReact(dir_ + "/" + name + "_dr.bin", job.layout.nF, job.layout.nP);
    EXPECT_EQ(dr.records.size(), job.model.combinations.size());
    return dr;
  }
  std::string dir_;
};

// nL equal layers of the material record, `thickness` in all, on every element.
void Layers(Job& j, int code, const tw::Rec& material, int nL, double thickness, int nElem) {
  tw::AddRecord(j.model, geomcolumns::MaterialBlock(code), material);
  j.model.blocks["<LAMINATE_THICKNESSES>"] = {tw::LaminateThickness("ply", thickness / nL)};
  tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("layer").I(code).I(1).I(GEOM_LAM_THICK).I(1));
  tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("section").IList(std::vector<int32_t>(nL, 1)));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, nElem, kMindlin, MAT_LAY_PATT, 1, 0, 0)};
}

void Geometric(Job& j, int kinematic) {
  j.model.main.geomNonlinear = 1;
  j.model.main.kinematicDescription = kinematic;
}

// One 9-node Mindlin element over [0, 100]^2, 100 mm thick in nL layers of the plane crack
// material (ft 3, Gf 0.1, band 100): the edge x1 = 0 held along x1 (its first point along
// x2 too), the edge x1 = 100 moved along x1 by u and the middle line x1 = 50 by u / 2, a
// uniform strain that keeps the softening points from localizing; the rotations held, w
// free along the middle line, where the membrane force of the layers alone enters the
// stress stiffness.
struct Panel {
  linmodel::LatticeJob lj;
  std::vector<int> end;
  Panel(int code, int nL, const std::vector<double>& u)
      : lj(linmodel::QuadMesh(
            kMindlin, 9, 1, 1, [](double a, double b) { return std::array<double, 3>{100.0 * a, 100.0 * b, 0.0}; },
            30000.0, 0.0, 0.0, 100.0, [](int I, int J, int) {
              return std::string(I == 0 && J == 0 ? "111111" : I == 1 ? "100111" : "101111");
            })) {
    Job& j = lj.job;
    Layers(j, code, crackbars::P1(code, 1, 3.0, 1), nL, 100.0, 1);
    std::vector<tw::Rec> pulls;
    for (int J = 0; J <= 2; J++) {
      end.push_back(lj.At(2, J));
      pulls.push_back(tw::PrescribedDisplacement(end.back(), 1, 1.0));
      pulls.push_back(tw::PrescribedDisplacement(lj.At(1, J), 1, 0.5));
    }
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
    crackbars::PulledInSteps(j, u);
  }
  std::vector<double> Forces(const resultfile::DisplReactFile& dr) const {
    return crackbars::EndForces(dr, lj.job, end, 1);
  }
};

}  // namespace

// Pulled to 0.2 mm in steps of 0.002 mm: peak ft A = 30000 N at 0.01 mm, 12413.79 N at
// 0.03 mm, nothing from full opening at 0.1389 mm on, Gf A = 1000 N mm of work, every step
// within the geometric effect (the strain times ft A) of the materially nonlinear run. The
// updated Lagrangian description is refused with its message, not run.
TEST_F(GeometricCrackedShellRun, PanelPulledInItsPlaneFollowsTheCrackCurveOfTheMaterialRun) {
  const std::vector<double> u = crackbars::Steps(0.0, 0.2, 0.002);
  struct Case {
    int code, nL;
  };
  for (const Case& k : {Case{MAT_NLMM104, 2}, Case{MAT_NLMM142, 1}}) {
    SCOPED_TRACE(geomcolumns::MaterialBlock(k.code));
    Panel panel(k.code, k.nL, u);
    const std::vector<double> ref = panel.Forces(Run(panel.lj.job, "material"));
    ASSERT_EQ(ref.size(), u.size());
    Job g = panel.lj.job;
    Geometric(g, 1);
    const std::vector<double> f = panel.Forces(Run(g, "geometric"));
    ASSERT_EQ(f.size(), u.size());
    const auto bound = [&](size_t i) { return u[i] / 100.0 * 30000.0; };
    for (size_t i = 0; i < u.size(); i++) EXPECT_NEAR(f[i], ref[i], bound(i)) << u[i];
    const size_t peak = crackbars::IndexOf(u, 0.01), soft = crackbars::IndexOf(u, 0.03);
    EXPECT_NEAR(f[peak], 30000.0, bound(peak));
    EXPECT_LT(f[peak + 1], f[peak]);
    EXPECT_NEAR(f[soft], 12413.79, bound(soft));
    for (size_t i = crackbars::IndexOf(u, 0.14); i < u.size(); i++) EXPECT_LT(std::fabs(f[i]), 0.5) << u[i];
    EXPECT_NEAR(crackbars::Work(u, f), 1000.0, 10.0);
    EXPECT_NEAR(crackbars::Work(u, f), crackbars::Work(u, ref), 0.5);

    Geometric(g, 2);
    const ChildResult r = Start(g, "updated");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("   -> Element property: 1\n   -> Element type: _MINDLIN_SHELL_QUAD\n\nERROR:\nThis option "
                         "(_UPDATED_LAGRANGIAN) is not avaiable. Please use for the\n "
                         "KINEMATIC_DESCRIPTION the _TOTAL_LAGRANGIAN ."),
              std::string::npos)
        << r.err;
  }
}

namespace {

// Cantilever strip L = 10 along x1, 1 wide, 1 thick in five layers, E 1000, nu 0, of ten
// 9-node elements clamped at x1 = 0 (u2, the twist and the drilling rotation held along
// it), tip loads P = 0.514042 along the axis (compression) and H = 0.001 along x3 in 20
// rising steps and 15 repeats.
linmodel::LatticeJob Strip(const std::function<void(Job&)>& layers) {
  linmodel::LatticeJob lj = linmodel::QuadMesh(
      kMindlin, 9, 10, 1, [](double a, double b) { return std::array<double, 3>{10.0 * a, b, 0.0}; }, 1000.0, 0.0,
      0.0, 1.0, [](int I, int, int) { return std::string(I == 0 ? "111111" : "010101"); });
  layers(lj.job);
  std::vector<tw::Rec> loads;
  for (int J = 0; J <= 2; J++) {
    const double w = J == 1 ? 2.0 / 3.0 : 1.0 / 6.0;
    loads.push_back(tw::PointLoad(lj.At(20, J), {-geomcolumns::kP * w, 0, geomcolumns::kH * w, 0, 0, 0}));
  }
  lj.job.model.loadCases = {linmodel::ElementLoads(loads)};
  geomcolumns::Nonlinear(lj.job, 1, geomcolumns::ColumnFactors());
  return lj;
}

constexpr int kStripLayers = 5;

linmodel::LatticeJob StripOf(int code, const tw::Rec& material) {
  return Strip([&](Job& j) { Layers(j, code, material, kStripLayers, 1.0, 10); });
}

// The elastic layers of the reference strip.
tw::Rec ElasticNlmm121() { return tw::Rec().S("elastic").Ds({2.4, 0.0, 0.0, 1000.0, 30.0, 1.0, 1.0, 0.0}); }

// Mean tip displacement along dof d.
double Tip(const resultfile::DisplReactRecord& r, const linmodel::LatticeJob& lj, int d) {
  std::vector<int> tip;
  for (int J = 0; J <= 2; J++) tip.push_back(lj.At(20, J));
  return geomcolumns::Mean(r, lj.job, tip, d);
}

}  // namespace

// Layers of _NLMM104 (ft 3, band 1) and of the cyclic concrete _NLMM211 (f_t 3, strains
// scaled to E), compressed everywhere and so uncracked, take the path of layers of
// _NLMM121 that stay elastic, combination by combination, in as many iterations (within
// one with the conjugate gradients, whose inexact solves may move the last iteration);
// the tip deflection is H (tan kL - kL) / (P k), k^2 = P / EI with the bending stiffness
// of the layers at their middle surfaces, plus the amplified shear deflection.
TEST_F(GeometricCrackedShellRun, CompressedStripReachesTheSecondOrderDeflection) {
  const double P = geomcolumns::kP, H = geomcolumns::kH, L = 10.0;
  const double EI = 1000.0 * (1.0 - 1.0 / (kStripLayers * kStripLayers)) / 12.0, k = std::sqrt(P / EI);
  const double bending = H * (std::tan(k * L) - k * L) / (P * k);
  // Shear H L / (5/6 G A), amplified as the bending deflection (G = E / 2).
  const double shear = H * L / (5.0 / 6.0 * 500.0) * bending / (H * L * L * L / (3.0 * EI));
  const tw::Rec concrete211 = tw::Rec()
                                  .S("concrete")
                                  .Ds({0.0, 0.0, 0.0, 1000.0, 0.06, 30.0, 0.3, -3.0, 0.1, 0.5, 0.4, 0.2, 0.05})
                                  .I(1)
                                  .D(1.0);
  for (const nonlinrun::Solver& s : nonlinrun::kSolvers) {
    linmodel::LatticeJob plastic = StripOf(MAT_NLMM121, ElasticNlmm121());
    nonlinrun::UseSolver(plastic.job.model.main, s);
    const resultfile::DisplReactFile r = Run(plastic.job, "plastic");
    ASSERT_EQ(r.records.size(), 35u);
    const resultfile::NonlinearExecParams b = resultfile::ReadNonlinearExecParams(
        dir_ + "/plastic_ep.bin", plastic.job.layout.nF, plastic.job.layout.nP);
    for (int code : {MAT_NLMM104, MAT_NLMM211}) {
      SCOPED_TRACE(testing::Message() << geomcolumns::MaterialBlock(code) << " solver " << s.algorithm);
      linmodel::LatticeJob cracked =
          StripOf(code, code == MAT_NLMM104 ? crackbars::P1(MAT_NLMM104, 1, 3.0, 1, 1000.0, 1.0) : concrete211);
      nonlinrun::UseSolver(cracked.job.model.main, s);
      const resultfile::DisplReactFile dr = Run(cracked.job, "cracked");
      ASSERT_EQ(dr.records.size(), 35u);
      EXPECT_NEAR(Tip(dr.records.back(), cracked, 3), bending + shear, 0.01 * bending);
      EXPECT_NEAR(-Tip(dr.records.back(), cracked, 1), P * L / 1000.0, 0.01 * P * L / 1000.0);
      for (size_t c = 0; c < 35; c++)
        for (int d : {1, 3}) EXPECT_NEAR(Tip(dr.records[c], cracked, d), Tip(r.records[c], plastic, d), 1e-9) << c;
      const resultfile::NonlinearExecParams a = resultfile::ReadNonlinearExecParams(
          dir_ + "/cracked_ep.bin", cracked.job.layout.nF, cracked.job.layout.nP);
      ASSERT_EQ(a.entries.size(), b.entries.size());
      const int slack = s.algorithm == 2 ? 1 : 0;
      for (size_t c = 0; c < a.entries.size(); c++)
        EXPECT_LE(std::abs(a.entries[c].nIterations - b.entries[c].nIterations), slack) << c;
    }
  }
}

// The strip with layers 2 and 4 of smeared bars along x1 (_NLMM145, E 1000, straight at
// these strains) in place of elastic layers: the same bending stiffness (nu 0), less
// transverse shear stiffness (the bars carry none). Both solvers: the deflection the bars
// add to that of the elastic strip is at least what they add in the materially nonlinear
// run, amplified as the elastic strip's deflection, and the iterations are those of the
// elastic strip (within one with the conjugate gradients): the geometric stiffness takes
// the membrane force of the bar layers.
TEST_F(GeometricCrackedShellRun, StripWithBarLayersReachesTheSecondOrderDeflection) {
  const auto barStrip = [] {
    return Strip([](Job& j) {
      tw::AddRecord(j.model, "<NLMM121>", ElasticNlmm121());
      tw::AddRecord(j.model, "<NLMM145>",
                    tw::Rec().S("bars").Ds({0.0, 0.0, 1000.0, 10.0, 1000.0, 1e6, 2000.0, 0.0, 5000.0, 2e6, 0.0}));
      j.model.blocks["<LAMINATE_THICKNESSES>"] = {tw::LaminateThickness("ply", 1.0 / kStripLayers)};
      tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("concrete").I(MAT_NLMM121).I(1).I(GEOM_LAM_THICK).I(1));
      tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("bars").I(MAT_NLMM145).I(1).I(GEOM_LAM_THICK).I(1));
      tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("section").IList({1, 2, 1, 2, 1}));
      j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 10, kMindlin, MAT_LAY_PATT, 1, 0, 0)};
    });
  };
  // The first-order deflections of the two strips.
  double linear[2];
  for (bool withBars : {false, true}) {
    linmodel::LatticeJob lj = withBars ? barStrip() : StripOf(MAT_NLMM121, ElasticNlmm121());
    lj.job.model.main.geomNonlinear = 0;
    const resultfile::DisplReactFile dr = Run(lj.job, "first");
    ASSERT_EQ(dr.records.size(), 35u);
    linear[withBars] = Tip(dr.records.back(), lj, 3);
  }
  const linmodel::LatticeJob plastic = StripOf(MAT_NLMM121, ElasticNlmm121());
  const resultfile::DisplReactFile r = Run(plastic.job, "plastic");
  ASSERT_EQ(r.records.size(), 35u);
  const resultfile::NonlinearExecParams b =
      resultfile::ReadNonlinearExecParams(dir_ + "/plastic_ep.bin", plastic.job.layout.nF, plastic.job.layout.nP);
  const double amplification = Tip(r.records.back(), plastic, 3) / linear[0];
  EXPECT_GT(amplification, 1.3);
  for (const nonlinrun::Solver& s : nonlinrun::kSolvers) {
    SCOPED_TRACE(s.algorithm);
    linmodel::LatticeJob bars = barStrip();
    nonlinrun::UseSolver(bars.job.model.main, s);
    const resultfile::DisplReactFile dr = Run(bars.job, "bars");
    ASSERT_EQ(dr.records.size(), 35u);
    const double extra = Tip(dr.records.back(), bars, 3) - Tip(r.records.back(), plastic, 3);
    // At least the first-order extra deflection amplified as the whole deflection; more,
    // as shear flexibility also lowers the buckling load (by 0.3 % here, which the 0.8 %
    // of the first-order deflection the bars add turns into some 20 % more).
    const double first = (linear[1] - linear[0]) * amplification;
    EXPECT_GT(extra, first);
    EXPECT_LT(extra, 1.5 * first);
    const resultfile::NonlinearExecParams a =
        resultfile::ReadNonlinearExecParams(dir_ + "/bars_ep.bin", bars.job.layout.nF, bars.job.layout.nP);
    ASSERT_EQ(a.entries.size(), b.entries.size());
    const int slack = s.algorithm == 2 ? 1 : 0;
    for (size_t c = 0; c < a.entries.size(); c++)
      EXPECT_LE(std::abs(a.entries[c].nIterations - b.entries[c].nIterations), slack) << c;
  }
}

namespace {

// The strip above of elastic layers under a tip moment about x2 that bends the whole strip
// into a circle of tip rotation theta (M = theta EI / L) in the combinations' factors.
linmodel::LatticeJob MomentStrip(const std::vector<double>& factors) {
  linmodel::LatticeJob lj = StripOf(MAT_NLMM121, ElasticNlmm121());
  const double EI = 1000.0 * (1.0 - 1.0 / (kStripLayers * kStripLayers)) / 12.0, M = EI / 10.0;
  std::vector<tw::Rec> loads;
  for (int J = 0; J <= 2; J++) {
    const double w = J == 1 ? 2.0 / 3.0 : 1.0 / 6.0;
    loads.push_back(tw::PointLoad(lj.At(20, J), {0, 0, 0, 0, -M * w, 0}));
  }
  lj.job.model.loadCases = {linmodel::ElementLoads(loads)};
  geomcolumns::Nonlinear(lj.job, 1, factors);
  return lj;
}

}  // namespace

// The strip bent by the tip moment in rising combinations: the large-deflection plate of
// the shell's element axes keeps the strip's length along x1 and deflects it by theta L / 2
// (theta the tip slope), theta^2 / 12 more than the circle L (1 - cos theta) / theta of the
// exact bending (measured 2.1e-4 at 0.05 ... 2.1e-2 at 0.5, 8.3e-4 at the limit 0.1); the
// tip's shortening L (1 - sin theta / theta) is met to theta^2 / 20. A combination whose
// slopes pass 0.1 stops the run in words, naming element, combination and sampling point,
// after the results of the combinations before it.
TEST_F(GeometricCrackedShellRun, StripBentBeyondTheSlopesOfItsLargeDeflectionStrainsStops) {
  const std::vector<double> theta = {0.03, 0.06, 0.09, 0.12};
  linmodel::LatticeJob lj = MomentStrip(theta);
  const ChildResult r = Start(lj.job, "bent");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("element n. 9\n   -> Element type: _MINDLIN_SHELL_QUAD\n   -> Combination: 4\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("   -> Sampling point: 2\n   -> Slope of the deflection: 0.102\n"), std::string::npos);
  EXPECT_NE(r.err.find("ERROR:\nThe deflection of the shell turns it beyond a slope of 0.1"), std::string::npos);
  const resultfile::DisplReactFile dr =
      resultfile::ReadDisplReact(dir_ + "/bent_dr.bin", lj.job.layout.nF, lj.job.layout.nP);
  ASSERT_EQ(dr.records.size(), 3u);
  const double L = 10.0;
  for (size_t c = 0; c < dr.records.size(); c++) {
    const double t = theta[c];
    const double circle = L * (1.0 - std::cos(t)) / t, shortening = L * (1.0 - std::sin(t) / t);
    EXPECT_NEAR(Tip(dr.records[c], lj, 3) / circle - 1.0, t * t / 12.0, 0.02 * t * t / 12.0) << t;
    EXPECT_NEAR(-Tip(dr.records[c], lj, 1) / shortening - 1.0, t * t / 20.0, 0.1 * t * t / 20.0) << t;
  }
}
