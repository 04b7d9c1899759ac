// Layered Mindlin and Ahmad shells of perfectly plastic concrete layers end to end: a strip
// pulled and pushed to its uniaxial strengths, a plate bent equibiaxially to its plastic
// moment, and the bending run restarted halfway.
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
using nonlinrun::Reaction;

namespace {

constexpr int kMindlin = 20, kAhmad = 22;
constexpr double kFc = 30.0, kT = 0.1;

// nL equal layers of _NLMM121 with alpha0 = 1 and eps_c1 = 1 (h(kappa) = fc), E 30000,
// nu 0.2, total thickness 0.1, on elements 1..nElem of `type`.
void PlasticLayers(Job& j, int type, int nElem, int nL) {
  tw::AddRecord(j.model, "<NLMM121>", tw::Rec().S("concrete").Ds({2.4, 0.0, 0.2, 30000.0, kFc, 1.0, 1.0, 0.0}));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("ply", kT / nL));
  tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("concrete").I(MAT_NLMM121).I(1).I(GEOM_LAM_THICK).I(1));
  tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("slab").IList(std::vector<int32_t>(nL, 1)));
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, nElem, type, MAT_LAY_PATT, 1, 0, 0));
}

void Nonlinear(Job& j, const std::vector<double>& factors) {
  nonlinrun::Iterate(j.model.main, 1e-10, 100);
  j.model.main.storageTechnique = 1;
  j.model.main.linEqAlgorithm = 1;
  nonlinrun::Factors(j.model, factors);
}

// Strip 2 x 1 in two 4-node elements, five layers, membrane only (w and the rotations
// held); the end x1 = 0 held along x1, the end x1 = 2 moved along x1 by the factor.
Job Strip(int type) {
  Job j;
  j.model.main.title = "layered strip";
  std::vector<tw::Rec> pulls;
  for (int J = 0; J <= 1; J++)
    for (int I = 0; I <= 2; I++) {
      std::string fix = I == 1 ? "001111" : "101111";
      if (I == 0 && J == 0) fix = "111111";
      const int p = linmodel::AddPoint3D(j, I, J, 0.0, linmodel::kSixMask, fix);
      if (I == 2) pulls.push_back(tw::PrescribedDisplacement(p, 1, 1.0));
    }
  tw::AddElement(j.model, {1, 2, 5, 4});
  tw::AddElement(j.model, {2, 3, 6, 5});
  PlasticLayers(j, type, 2, 5);
  // Self-weight along x3, carried by the supports of w: density 2.4 over the volume 0.2.
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, -10.0}, pulls)};
  return j;
}

// One 9-node element over [-0.5, 0.5]^2, twenty layers: the boundary nodes follow
// w = -chi (x1^2 + x2^2)/2, r1 = -chi x2, r2 = chi x1 for chi = the factor; the centre is
// free but held in its plane, (0.5, 0) held along x2, r3 held everywhere. The curvature
// is (chi, chi, 0) everywhere, with no transverse shear. Returns the points of x1 = 0.5.
Job Bending(int type, std::vector<int>* edge) {
  Job j;
  j.model.main.title = "equibiaxial bending";
  const double s[9][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};
  std::vector<tw::Rec> moves;
  std::vector<int32_t> nodes;
  for (int k = 0; k < 9; k++) {
    const double x = 0.5 * s[k][0], y = 0.5 * s[k][1];
    const bool centre = k == 8;
    std::string fix = centre ? "110001" : "001111";
    if (k == 3) fix = "011111";
    const int p = linmodel::AddPoint3D(j, x, y, 0.0, linmodel::kSixMask, fix);
    nodes.push_back(p);
    if (!centre) {
      moves.push_back(tw::PrescribedDisplacement(p, 3, -(x * x + y * y) / 2.0));
      moves.push_back(tw::PrescribedDisplacement(p, 4, -y));
      moves.push_back(tw::PrescribedDisplacement(p, 5, x));
    }
    if (s[k][0] == 1) edge->push_back(p);
  }
  tw::AddElement(j.model, nodes);
  PlasticLayers(j, type, 1, 20);
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, moves)};
  std::vector<double> chi;
  for (int k = 1; k <= 15; k++) chi.push_back(0.02 * k);
  Nonlinear(j, chi);
  return j;
}

class LayeredShellRun : public nonlinrun::RunFixture {};

}  // namespace

TEST_F(LayeredShellRun, StripReachesItsUniaxialStrengths) {
  // Uniaxial tension meets sqrt(s'Ps) + q's = fc at s = fc/1.355, compression at -fc.
  const std::vector<int> end = {3, 6};
  for (int type : {kMindlin, kAhmad})
    for (double sign : {1.0, -1.0}) {
      SCOPED_TRACE(std::to_string(type) + (sign > 0 ? " pulled" : " pushed"));
      Job j = Strip(type);
      std::vector<double> strains = {2e-4, 5e-4, 8e-4, 1.2e-3, 2e-3, 3e-3};
      for (double& e : strains) e *= 2.0 * sign;
      Nonlinear(j, strains);
      const resultfile::DisplReactFile dr = Run(j, "strip");
      if (dr.records.size() != strains.size()) continue;
      // Elastic at first: N = E t eps.
      EXPECT_NEAR(Reaction(dr.records[0], j, end, 1), sign * 30000.0 * kT * 2e-4, 1e-8);
      const double N = sign > 0 ? kT * kFc / 1.355 : -kT * kFc;
      for (size_t k = 3; k < strains.size(); k++) EXPECT_NEAR(Reaction(dr.records[k], j, end, 1), N, 1e-5);
      EXPECT_NEAR(Reaction(dr.records.back(), j, {1, 4}, 1), -N, 1e-5);
      for (size_t k = 0; k < strains.size(); k++)
        EXPECT_NEAR(Reaction(dr.records[k], j, {1, 2, 3, 4, 5, 6}, 3), 2.4 * 10.0 * 0.2 * strains[k], 1e-12);
    }
}

// The strip as a reinforced tie of Mindlin shells: a concrete layer of the plane cyclic
// law (t 0.1, G_f 0.003 over h = 1: eps_u 0.0042708) and a layer of bars along x1 (t
// 0.001). Elastic together at first; pulled to eps = 0.005 the concrete has cracked through
// and the bars carry their skeleton stress.
TEST_F(LayeredShellRun, ReinforcedTieCracksAndLeavesTheBarsOnTheirSkeleton) {
  // The strip's points with u2 held too: a cracked panel with bars along x1 alone has no
  // shear stiffness.
  Job j;
  j.model.main.title = "reinforced tie";
  for (int J = 0; J <= 1; J++)
    for (int I = 0; I <= 2; I++) linmodel::AddPoint3D(j, I, J, 0.0, linmodel::kSixMask, I == 1 ? "011111" : "111111");
  tw::AddElement(j.model, {1, 2, 5, 4});
  tw::AddElement(j.model, {2, 3, 6, 5});
  tw::AddRecord(
      j.model, "<NLMM211>",
      tw::Rec().S("concrete").Ds({0.0, 0.0, 0.0, 30000, 0.002, 30, 0.01, -3, 0.1, 0.5, 0.4, 0.2, 0.003}).I(1).D(1.0));
  tw::AddRecord(j.model, "<NLMM145>",
                tw::Rec().S("bars").Ds({0.0, 0.0, 200000, 5000, 0.002, 400, 0.02, 0, 0.1, 600, 0.0}));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("concrete", 0.1));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("bars", 0.001));
  tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("concrete").I(MAT_NLMM211).I(1).I(GEOM_LAM_THICK).I(1));
  tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("bars").I(MAT_NLMM145).I(1).I(GEOM_LAM_THICK).I(2));
  tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("tie").IList({1, 2}));
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, kMindlin, MAT_LAY_PATT, 1, 0, 0));
  j.model.loadCases = {linmodel::ElementLoads(
      {}, {}, {}, {}, {0, 0, 0}, {tw::PrescribedDisplacement(3, 1, 1.0), tw::PrescribedDisplacement(6, 1, 1.0)})};
  std::vector<double> ends;
  for (int k = 1; k <= 50; k++) ends.push_back(0.01 * k / 50);
  Nonlinear(j, ends);
  j.model.main.tolerance = 1e-8;
  const resultfile::DisplReactFile dr = Run(j, "tie");
  ASSERT_EQ(dr.records.size(), ends.size());
  const std::vector<int> end = {3, 6};
  EXPECT_NEAR(Reaction(dr.records[0], j, end, 1), 1e-4 * (30000 * 0.1 + 200000 * 0.001), 1e-4);
  EXPECT_NEAR(Reaction(dr.records.back(), j, end, 1), 0.001 * 400 * 2.5 / std::pow(1 + std::pow(2.5, 10), 0.1), 1e-7);
}

TEST_F(LayeredShellRun, EquibiaxialBendingReachesThePlasticMomentOfTheLayers) {
  // At sigma = (s, s, 0) the surface gives s_t = 0.636143 fc and s_c = 1.160128 fc; the
  // twenty mid-layer samples carry, with N = 0, M = 0.061577 per unit length from chi =
  // 0.3 on (the continuous stress block gives 0.061628).
  std::vector<double> moment[2];
  for (int type : {kMindlin, kAhmad}) {
    SCOPED_TRACE(type);
    std::vector<int> edge;
    const Job j = Bending(type, &edge);
    const resultfile::DisplReactFile dr = Run(j, "bend");
    if (dr.records.size() != 15) return;
    for (const auto& r : dr.records) moment[type == kAhmad].push_back(Reaction(r, j, edge, 5));
    EXPECT_NEAR(std::fabs(moment[type == kAhmad].back()), 0.061577, 0.001 * 0.061577);
  }
  for (size_t k = 0; k < 15; k++) EXPECT_NEAR(moment[1][k], moment[0][k], 1e-6) << k;
}

TEST_F(LayeredShellRun, BendingRestartedAfterCombinationSixGivesTheUninterruptedRun) {
  for (int type : {kMindlin, kAhmad}) {
    SCOPED_TRACE(type);
    std::vector<int> edge;
    Job j = Bending(type, &edge);
    Run(j, "fresh");
    Run(j, "bend");
    j.model.main.nCombBeforeRestart = 6;
    Run(j, "bend");
    ExpectSameFiles("bend", "fresh", {"_dr.bin", "_if.bin", "_NLMM121_HD.bin"});
  }
}

// The strip of one _NLMM501 layer (t 0.1, nu12 0) pulled along x1 with its material axis 1
// along x1 or along x2: the layer carries E eps until the Tsai-Wu index of its uniaxial
// stress passes 0 (at Xt along axis 1, at Yt along axis 2), then nothing, also when the
// strip is let back.
TEST_F(LayeredShellRun, FailingLayerCarriesItsElasticStressUpToTheTsaiWuIndex) {
  const double E1 = 20000, E2 = 10000, Xt = 20, Xc = 30, Yt = 5, Yc = 15, S = 8;
  // After failure the strip is let back to strains the intact layer would carry: a failed
  // layer stays failed, in either solver.
  const std::vector<double> strains = {2e-4, 4e-4, 6e-4, 1.2e-3, 6e-4, 2e-4, 8e-4};
  struct Case {
    const char* name;
    std::array<std::array<double, 3>, 3> axes;
    double E, strength;
  };
  const Case cases[] = {{"axis 1 along x1", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, E1, Xt},
                        {"axis 1 along x2", {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}}, E2, Yt}};
  for (const nonlinrun::Solver& s : nonlinrun::kSolvers)
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (s.algorithm == 1 ? " elimination" : " conjugate gradient"));
      Job j = Strip(kMindlin);
      j.model.blocks.erase("<NLMM121>");
      j.model.blocks.erase("<LAMINATE_THICKNESSES>");
      j.model.blocks.erase("<LAYER_PROPERTIES>");
      j.model.blocks.erase("<LAYER_PATTERNS>");
      const int cs = linmodel::AddCoordSystem(j, c.axes);
      tw::AddRecord(j.model, "<NLMM501>",
                    tw::Rec().S("ply").Ds({0.0, 0.0, 0.0, E1, E2, 4000, 4000, 5000, 0.0}).I(cs).Ds({Xt, Xc, Yt, Yc, S}));
      tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("ply", kT));
      tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("ply").I(MAT_NLMM501).I(1).I(GEOM_LAM_THICK).I(1));
      tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("ply").IList({1}));
      j.model.loadCases[0].gravity = {0, 0, 0};
      std::vector<double> ends = strains;  // the strip is 2 long
      for (double& e : ends) e *= 2.0;
      Nonlinear(j, ends);
      const resultfile::DisplReactFile dr = Run(j, s, "ply");
      ASSERT_EQ(dr.records.size(), strains.size());
      const std::vector<int> end = {3, 6};
      bool failed = false;
      for (size_t k = 0; k < strains.size(); k++) {
        const double stress = c.E * strains[k];
        failed = failed || stress > c.strength;
        EXPECT_NEAR(Reaction(dr.records[k], j, end, 1), failed ? 0.0 : kT * stress, 1e-8)
            << "strain " << strains[k];
      }
    }
}

namespace {

// Strip n x 1 of n 4-node Mindlin elements, membrane only, pulled along x1 as Strip does,
// of two _NLMM501 layers of thickness 0.05 with axis 1 along x1 and the same elastic
// constants: a weak one (Xt 20, failing at the strain 1e-3) and a strong one (Xt 200). With
// a flaw the weak layer of the last element fails at 0.8e-3.
constexpr double kE1 = 20000.0, kWeakXt = 20.0, kLayerT = 0.05;

Job TwoPlyStrip(int n, bool flaw, int pathBehavior, const std::vector<double>& strains) {
  Job j;
  j.model.main.title = "two-ply strip";
  std::vector<tw::Rec> pulls;
  for (int J = 0; J <= 1; J++)
    for (int I = 0; I <= n; I++) {
      std::string fix = I == 0 || I == n ? "101111" : "001111";
      if (I == 0 && J == 0) fix = "111111";
      const int p = linmodel::AddPoint3D(j, I, J, 0.0, linmodel::kSixMask, fix);
      if (I == n) pulls.push_back(tw::PrescribedDisplacement(p, 1, 1.0));
    }
  for (int e = 1; e <= n; e++) tw::AddElement(j.model, {e, e + 1, e + n + 2, e + n + 1});
  const int cs = linmodel::AddCoordSystem(j, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}});
  // Materials 1 strong, 2 weak, 3 flawed; patterns 1 (weak, strong) and 2 (flawed, strong).
  for (double Xt : {10.0 * kWeakXt, kWeakXt, 0.8 * kWeakXt})
    tw::AddRecord(j.model, "<NLMM501>",
                  tw::Rec().S("ply").Ds({0.0, 0.0, 0.0, kE1, 10000, 4000, 4000, 5000, 0.0}).I(cs).Ds(
                      {Xt, 1.5 * Xt, 5, 15, 8}));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("ply", kLayerT));
  for (int m = 1; m <= 3; m++)
    tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("ply").I(MAT_NLMM501).I(m).I(GEOM_LAM_THICK).I(1));
  tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("two plies").IList({2, 1}));
  tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("flawed").IList({3, 1}));
  const int sound = flaw ? n - 1 : n;
  if (sound >= 1)
    tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, sound, kMindlin, MAT_LAY_PATT, 1, 0, 0));
  if (flaw) tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(n, n, kMindlin, MAT_LAY_PATT, 2, 0, 0));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
  std::vector<double> ends = strains;
  for (double& e : ends) e *= n;
  Nonlinear(j, ends);
  j.model.main.pathBehavior = pathBehavior;
  return j;
}

}  // namespace

// The weak ply fails past its strength and stays failed when the strip is let back and
// pulled again; at a strain exactly on its Tsai-Wu limit Newton settles at once, and the
// run restarted after the failure is the uninterrupted run. Same forces with either
// solver, under either path behaviour: with a flaw, the step that takes the strip past
// both strengths fails both weak plies at its first iterate, and they stay failed while
// the flaw takes the strip's stretch.
TEST_F(LayeredShellRun, FailedPlyStaysFailedInEitherSolverAndPathBehaviour) {
  const double limit = kWeakXt / kE1;
  struct Case {
    int n;
    bool flaw;
    std::vector<double> strains;  // over the limit of the weak ply
  };
  const Case cases[] = {{1, false, {0.5, 1.0, 1.5, 0.5, 1.2, 0.9}},
                        {3, false, {0.5, 1.0, 1.5, 0.5, 1.2, 0.9}},
                        {2, true, {0.5, 1.2, 0.5, 1.2}}};
  for (int pathBehavior : {1, 2})
    for (const Case& c : cases) {
      std::vector<double> strains = c.strains;
      for (double& e : strains) e *= limit;
      std::vector<double> force[2];
      for (int s = 0; s < 2; s++) {
        const nonlinrun::Solver& solver = nonlinrun::kSolvers[s];
        SCOPED_TRACE("path behaviour " + std::to_string(pathBehavior) + ", " + std::to_string(c.n) + " elements" +
                     (c.flaw ? " with a flaw, " : ", ") +
                     (solver.algorithm == 1 ? "elimination" : "conjugate gradient"));
        Job j = TwoPlyStrip(c.n, c.flaw, pathBehavior, strains);
        nonlinrun::UseSolver(j.model.main, solver);
        const nonlinrun::Outcome o = RunOutcome(j.model, j.layout.nF, j.layout.nP, "ply");
        ASSERT_EQ(o.run.status, 0) << o.run.err;
        ASSERT_EQ(o.dr.records.size(), strains.size());
        ASSERT_EQ(o.ep.entries.size(), strains.size());
        std::vector<int> end;
        for (int J = 0; J <= 1; J++) end.push_back(J * (c.n + 1) + c.n + 1);
        bool failed = false;
        for (size_t k = 0; k < strains.size(); k++) {
          // The strong ply alone once the weak plies have failed; on the limit intact.
          const double f = Reaction(o.dr.records[k], j, end, 1), strong = kLayerT * kE1 * strains[k];
          failed = failed || strains[k] > limit;
          EXPECT_NEAR(f, failed ? strong : 2.0 * strong, 1e-9) << "combination " << k + 1;
          EXPECT_LE(o.ep.entries[k].nIterations, 3) << "combination " << k + 1;
          force[s].push_back(f);
        }
        // Stopped after the combination of the failure.
        int after = 1;
        while (strains[after - 1] <= limit) after++;
        ExpectRestartGivesTheUninterruptedRun(j, solver, after, {"_dr.bin", "_if.bin", "_NLMM501_HD.bin"});
      }
      for (size_t k = 0; k < strains.size(); k++) EXPECT_NEAR(force[0][k], force[1][k], 1e-9) << k;
    }
}
