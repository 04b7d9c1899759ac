// Layered Mindlin and Ahmad shells of the plane smeared-crack models end to end: a square
// panel 100 x 100 mm, 100 mm thick, pulled in its plane follows the curve of the plane
// quadrilateral (peak ft A, the branches of the softening law, Gf A of work) whatever the
// number of layers, the model (_NLMM104, _NLMM101, _NLMM142, _NLMM141) or the crack band
// option that gives 100 mm; sheared through its thickness after it cracked, a layer of
// _NLMM104 or _NLMM142 cracks in transverse shear at its transverse strength and softens
// by its transverse law.
#include <gtest/gtest.h>

#include <array>
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

namespace {

constexpr int kMindlin = 20, kAhmad = 22;

// Material P1: E 30000, nu 0, ft 3, Gf 0.1, law 1 (0.1, 0.5, 0.4, 0.2), beta 0.2, band
// option `option` with h = 100, at most 2 cracks. The models with plasticity take C1
// (fc 30 the reference stress, eps_c1 0.0022, r0 0.3, Gc 15) before the crack part.
// _NLMM104 and _NLMM142 end with the transverse shear law: kind, strength, fracture
// energy (0 none).
tw::Rec P1(int code, int option, int transverse = 0, double strength = 0.0, double gft = 0.0) {
  const std::vector<double> shape = {0.1, 0.5, 0.4, 0.2, 0.0, 0.0};
  tw::Rec r = tw::Rec().S("P1").Ds({0.0, 0.0, 0.0, 30000.0, 3.0, 3.0}).I(1);
  if (code == MAT_NLMM142)
    r = tw::Rec().S("C1").Ds({0.0, 0.0, 0.0, 30000.0, 30.0, 0.0022, 0.3, 15.0}).I(1).Ds({0.0, 0.0, 0.0, 0.0, 0.0, 3.0})
            .I(1);
  if (code == MAT_NLMM141) r = tw::Rec().S("C1").Ds({0.0, 0.0, 0.0, 30000.0, 30.0, 0.0022, 0.3, 0.0, 3.0}).I(1);
  if (code == MAT_NLMM101 || code == MAT_NLMM141)
    return r.Ds({shape[0], shape[1], shape[2], shape[3], 0.1, 1.0}).I(1).D(0.2).I(1).I(option).D(100.0).I(2).D(1.0);
  return r.Ds(shape).D(0.1).I(0).I(1).Ds({0.0, 0.0}).I(0).I(1).D(0.2).I(1).Ds({0.0, 0.0}).I(1).I(option).D(100.0)
      .I(2).D(1.0).I(transverse).Ds({strength, gft, 0.0, 0.0, 0.0, 0.0});
}

const char* Block(int code) {
  switch (code) {
    case MAT_NLMM104: return "<NLMM104>";
    case MAT_NLMM101: return "<NLMM101>";
    case MAT_NLMM142: return "<NLMM142>";
    default: return "<NLMM141>";
  }
}

// One 4-node shell element over [0, 100]^2 in the x1-x2 plane, nL equal layers of the
// material, 100 mm in all; every rotation held. Load case 1 moves the edge x1 = 100
// along x1 (the edge x1 = 0 held along x1, its first point along x2 too), load case 2
// along x3 (the edge x1 = 0 held along x3): a uniform membrane strain u/100 and a
// uniform transverse shear strain w/100. Combination k applies (u_k, w_k).
struct Panel {
  Job job;
  std::vector<int> end;
  Panel(int type, int code, int nL, const tw::Rec& material, const std::vector<std::pair<double, double>>& steps,
        int rule = 0) {
    Job& j = job;
    for (int J = 0; J <= 1; J++)
      for (int I = 0; I <= 1; I++) {
        const int p = linmodel::AddPoint3D(j, 100.0 * I, 100.0 * J, 0.0, linmodel::kSixMask,
                                           I == 1 ? "101111" : J == 0 ? "111111" : "101111");
        if (I == 1) end.push_back(p);
      }
    tw::AddElement(j.model, {1, 2, 4, 3});
    tw::AddRecord(j.model, Block(code), material);
    tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 100.0 / nL));
    tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("concrete").I(code).I(1).I(GEOM_LAM_THICK).I(1));
    tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("panel").IList(std::vector<int32_t>(nL, 1)));
    if (rule != 0) {
      std::array<int32_t, 21> v{};
      v[2] = v[3] = rule;
      tw::AddRecord(j.model, "<NUMERICAL_INTEGRATION>", tw::NumericalIntegration("rule", v));
    }
    tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                  tw::ElementProperty(1, 1, type, MAT_LAY_PATT, 1, 0, 0, 1, rule != 0 ? 1 : 0));
    std::vector<tw::Rec> pull, shear;
    for (int p : end) {
      pull.push_back(tw::PrescribedDisplacement(p, 1, 1.0));
      shear.push_back(tw::PrescribedDisplacement(p, 3, 1.0));
    }
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pull),
                         linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, shear)};
    nonlinrun::Iterate(j.model.main, 1e-9, 60);
    j.model.main.storageTechnique = 1;
    j.model.main.linEqAlgorithm = 1;
    for (const auto& [u, w] : steps) {
      tw::Combination c;
      c.factors = {{1, u}, {2, w}};
      j.model.combinations.push_back(c);
    }
  }
  // Sum of the reactions of the edge x1 = 100 along dof d in every combination.
  std::vector<double> Forces(const resultfile::DisplReactFile& dr, int d) const {
    std::vector<double> f;
    for (const auto& r : dr.records) f.push_back(nonlinrun::Reaction(r, job, end, d));
    return f;
  }
};

std::vector<std::pair<double, double>> Pulled(double to, double step) {
  std::vector<std::pair<double, double>> s;
  const int n = static_cast<int>(std::lround(to / step));
  for (int i = 1; i <= n; i++) s.push_back({to * i / n, 0.0});
  return s;
}

double Work(const std::vector<std::pair<double, double>>& s, const std::vector<double>& f) {
  double w = 0.0, u0 = 0.0, f0 = 0.0;
  for (size_t i = 0; i < s.size(); i++) {
    w += 0.5 * (f[i] + f0) * (s[i].first - u0);
    u0 = s[i].first;
    f0 = f[i];
  }
  return w;
}

class CrackedShellRun : public nonlinrun::RunFixture {};

}  // namespace

// Pulled to 0.2 mm in steps of 0.002 mm: the curve of the plane quadrilateral, peak
// 30000 N at 0.01 mm, 21562.5 N at 0.015 mm, 12413.79 N at 0.03 mm, 7758.62 N at 0.05 mm,
// nothing from full opening at 0.1389 mm on, and 1000 N mm of work. Bands: option 1
// (h 100), 2 (the root of the element's area) and 4 (Oliver's band of the element, the
// element's width for a crack across it).
TEST_F(CrackedShellRun, PanelPulledInItsPlaneFollowsThePlaneCurve) {
  const std::vector<std::pair<double, double>> steps = Pulled(0.2, 0.002);
  struct Case {
    int type, code, nL, option;
  };
  const Case cases[] = {{kMindlin, MAT_NLMM104, 1, 1}, {kMindlin, MAT_NLMM104, 2, 1}, {kMindlin, MAT_NLMM101, 1, 1},
                        {kMindlin, MAT_NLMM142, 1, 1}, {kMindlin, MAT_NLMM141, 2, 1}, {kMindlin, MAT_NLMM104, 1, 4},
                        {kMindlin, MAT_NLMM101, 2, 2}, {kAhmad, MAT_NLMM104, 1, 1},   {kAhmad, MAT_NLMM104, 2, 4},
                        {kAhmad, MAT_NLMM101, 2, 1},   {kAhmad, MAT_NLMM142, 2, 1},   {kAhmad, MAT_NLMM141, 1, 2}};
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.type) + " " + Block(k.code) + " layers " + std::to_string(k.nL) + " option " +
                 std::to_string(k.option));
    const Panel panel(k.type, k.code, k.nL, P1(k.code, k.option), steps);
    const std::vector<double> f = panel.Forces(Run(panel.job, "panel"), 1);
    ASSERT_EQ(f.size(), steps.size());
    // The residuals of the plasticity crack models are measured against fc.
    const double tol = k.code == MAT_NLMM142 || k.code == MAT_NLMM141 ? 0.5 : 0.05;
    EXPECT_NEAR(f[4], 30000.0, 1e-4);
    EXPECT_LT(f[5], f[4]);
    EXPECT_NEAR(f[14], 12413.79, tol);
    EXPECT_NEAR(f[24], 7758.62, tol);
    for (size_t i = 69; i < f.size(); i++) EXPECT_LT(std::fabs(f[i]), 0.5) << steps[i].first;
    EXPECT_GT(f[68], 0.5);
    EXPECT_NEAR(Work(steps, f), 1000.0, 10.0);
  }
}

// Oliver's band at the point (option 5) on 2 x 2 points: the points of a 4-node shell
// crack together, each stands for the whole panel, so h = 100 and the panel opens fully
// at eps_u(100) L (0.1389 mm) with Gf A spent, as the plane quadrilateral.
TEST_F(CrackedShellRun, PointLevelOliverBandIsThePanel) {
  const std::vector<std::pair<double, double>> steps = Pulled(0.3, 0.005);
  for (int type : {kMindlin, kAhmad}) {
    SCOPED_TRACE(type);
    const Panel panel(type, MAT_NLMM104, 2, P1(MAT_NLMM104, 5), steps, 2);
    const std::vector<double> f = panel.Forces(Run(panel.job, "band5"), 1);
    ASSERT_EQ(f.size(), steps.size());
    EXPECT_NEAR(f[1], 30000.0, 1e-4);
    EXPECT_GT(f[26], 0.5);  // 0.135 mm
    EXPECT_LT(std::fabs(f[27]), 0.5);
    EXPECT_NEAR(Work(steps, f), 1000.0, 10.0);
  }
}

// Transverse shear law 1 (linear), strength 1.4, G_f,t 0.05, Ds = E / 2.4 = 12500, band
// 100. Sheared to w = 0.02 mm before it cracks the panel stays elastic (25000 N, past the
// strength); cracked by the pull to 0.03 mm and sheared again, it cracks at the first
// step at or past the strength, w = 0.012 mm: tau_p = 1.5, g_p = 1.2e-4, g_u = g_p + 2
// G_f,t / (h tau_p) = 7.8667e-4. Then V = 1e4 tau_p (1 - (g - g_p) / (g_u - g_p)) on the
// envelope, the secant to the origin down and up, nothing past g_u.
TEST_F(CrackedShellRun, CrackedLayerCracksInTransverseShearAndSoftens) {
  const std::vector<std::pair<double, double>> steps = {
      {0.0, 0.01},  {0.0, 0.02},  {0.0, 0.0},   {0.01, 0.0},  {0.02, 0.0},  {0.03, 0.0},  {0.03, 0.004},
      {0.03, 0.008}, {0.03, 0.012}, {0.03, 0.02}, {0.03, 0.03}, {0.03, 0.04}, {0.03, 0.02}, {0.03, 0.04},
      {0.03, 0.06}, {0.03, 0.08}, {0.03, 0.1}};
  const double gp = 1.2e-4, gu = gp + 2.0 * 0.05 / (100.0 * 1.5);
  const auto envelope = [&](double w) { return 1e4 * 1.5 * (1.0 - (w / 100.0 - gp) / (gu - gp)); };
  const std::vector<double> expected = {12500.0, 25000.0, 0.0, 0.0, 0.0, 0.0, 5000.0, 10000.0, 15000.0,
                                        envelope(0.02), envelope(0.03), envelope(0.04), 0.5 * envelope(0.04),
                                        envelope(0.04), envelope(0.06), 0.0, 0.0};
  EXPECT_NEAR(envelope(0.04), 8700.0, 1e-9);
  for (int type : {kMindlin, kAhmad})
    for (int code : {MAT_NLMM104, MAT_NLMM142}) {
      SCOPED_TRACE(std::to_string(type) + " " + Block(code));
      const Panel panel(type, code, 1, P1(code, 1, 1, 1.4, 0.05), steps);
      const resultfile::DisplReactFile dr = Run(panel.job, "shear");
      const std::vector<double> v = panel.Forces(dr, 3), f = panel.Forces(dr, 1);
      ASSERT_EQ(v.size(), steps.size());
      for (size_t i = 0; i < steps.size(); i++) EXPECT_NEAR(v[i], expected[i], 1e-6) << i;
      // The in-plane crack holds its state meanwhile.
      for (size_t i = 5; i < steps.size(); i++) EXPECT_NEAR(f[i], 12413.79, 0.5) << i;
    }
}

// A restart on the softening branch (after 0.05 mm) gives the uninterrupted run byte for
// byte: cracked layers of _NLMM104 (Oliver's band of the element) and _NLMM141.
TEST_F(CrackedShellRun, RestartOnTheSofteningBranchGivesTheUninterruptedRun) {
  const std::vector<std::pair<double, double>> steps = Pulled(0.08, 0.005);
  for (int code : {MAT_NLMM104, MAT_NLMM141}) {
    SCOPED_TRACE(code);
    Panel panel(kMindlin, code, 2, P1(code, code == MAT_NLMM104 ? 4 : 2), steps);
    panel.job.model.main.tolerance = 1e-5;
    ExpectRestartGivesTheUninterruptedRun(panel.job, nonlinrun::kSolvers[0], 10,
                                          {"_dr.bin", "_if.bin", code == MAT_NLMM104 ? "_NLMM104_HD.bin"
                                                                                     : "_NLMM141_HD.bin"});
  }
}
