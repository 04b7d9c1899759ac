// Geometric nonlinearity against closed forms, whole runs: a clamped beam-column of
// hexahedra and of a plane-stress wall under an axial load near buckling and a small
// lateral one follows the beam-column amplification with full Newton-Raphson in a few
// iterations, independently of the step size; a slender cantilever under a tip load of
// fixed direction follows the large-deflection elastica.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "element_models.h"
#include "geometric_columns.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"

using namespace geomcolumns;

namespace {

// L = 2, section 0.1 x 0.1, E = 2.1e11, nu = 0.3; P = 0.8 Pcr and Q = 5000 at the tip.
constexpr double kL = 2.0, kB = 0.1, kE = 2.1e11, kNu = 0.3, kQ = 5000.0;
const double kEI = kE * kB * kB * kB * kB / 12.0;
const double kPcr = std::numbers::pi * std::numbers::pi * kEI / (4.0 * kL * kL);

// Tip deflection of the beam-column of bending stiffness EI under P and Q:
// Q (tan kL - kL) / (k P), k = sqrt(P / EI).
double Amplified(double EI, double P, double Q) {
  const double k = std::sqrt(P / EI);
  return Q * (std::tan(k * kL) - k * kL) / (k * P);
}

struct Mesh {
  const char* name;
  bool hexa;
  int nn;
  std::array<int, 3> n;
};
const Mesh kHexa20 = {"20-node hexahedra", true, 20, {20, 1, 1}};
const Mesh kHexa8 = {"8-node hexahedra", true, 8, {40, 2, 2}};
const Mesh kWall = {"plane-stress wall", false, 8, {20, 1, 0}};

class GeometricBeamColumn : public nonlinrun::RunFixture {
 protected:
  // The run's iterations per combination.
  std::vector<int> Iterations(const Job& j, const std::string& name) const {
    const resultfile::NonlinearExecParams ep =
        resultfile::ReadNonlinearExecParams(Path("_ep.bin", name), j.layout.nF, j.layout.nP);
    std::vector<int> it;
    for (const auto& e : ep.entries) it.push_back(e.nIterations);
    return it;
  }
};

// Equal steps to `top` in `steps` combinations, full Newton-Raphson on the force norm.
void Steps(Job& j, int kinematic, double top, int steps) {
  std::vector<double> f;
  for (int k = 1; k <= steps; k++) f.push_back(top * k / steps);
  Nonlinear(j, kinematic, f);
  j.model.main.convergenceCriterion = 2;
  j.model.main.maxIterations = 12;
}

Member BeamColumn(const Mesh& m, double P) { return CantileverMember(m.hexa, m.nn, m.n, kL, kB, kE, kNu, -P, kQ); }

}  // namespace

// Ten equal combinations to P = 0.8 Pcr: every one converges in at most 6 full Newton
// iterations and the tip deflection follows the amplification within 4 % (the section's
// shear flexibility adds about 3 % at 0.8 Pcr). The 8-node hexahedra, too stiff in
// bending on this mesh (7 %), are taken with the bending stiffness of their own linear
// answer: the second-order effect is checked, not the element's bending.
TEST_F(GeometricBeamColumn, LateralDeflectionFollowsTheAmplificationToEightTenthsOfTheBucklingLoad) {
  for (const Mesh& mesh : {kHexa20, kWall, kHexa8}) {
    double EI = kEI;
    if (mesh.hexa && mesh.nn == 8) {
      Member lin = BeamColumn(mesh, 0.0);
      Steps(lin.job, 1, 1.0, 1);
      lin.job.model.main.geomNonlinear = 0;
      const resultfile::DisplReactFile dr = Run(lin.job, "linear");
      if (dr.records.size() != 1) continue;
      EI = kQ * kL * kL * kL / (3.0 * Mean(dr.records[0], lin.job, lin.tip, lin.lateral));
      EXPECT_NEAR(EI / kEI, 1.14, 0.01);
    }
    for (int kinematic : {1, 2}) {
      SCOPED_TRACE(std::string(mesh.name) + (kinematic == 1 ? " TL" : " UL"));
      Member m = BeamColumn(mesh, 0.8 * kPcr);
      Steps(m.job, kinematic, 1.0, 10);
      const resultfile::DisplReactFile dr = Run(m.job, "column");
      if (dr.records.size() != 10) continue;
      const std::vector<int> it = Iterations(m.job, "column");
      for (size_t k = 0; k < 10; k++) {
        const double f = (k + 1) / 10.0, w = Mean(dr.records[k], m.job, m.tip, m.lateral);
        const double exact = Amplified(EI, 0.8 * kPcr * f, kQ * f);
        EXPECT_NEAR(w, exact, 0.04 * exact) << k + 1;
        EXPECT_LE(it[k], 6) << k + 1;
      }
    }
  }
}

// The answer at full load does not depend on the step size: 10 and 40 equal combinations
// agree within 0.5 %. Near buckling, 0.95 Pcr in ten combinations, the column still
// converges, each combination in at most 8 iterations, to about twenty times the linear
// deflection: within 15 % of the amplification, whose linearised curvature misses the
// stiffening of a deflection of 7 % of the length.
TEST_F(GeometricBeamColumn, StepSizeLeavesTheAnswerAndTheColumnPassesNineteenTwentiethsOfTheBucklingLoad) {
  for (int kinematic : {1, 2}) {
    SCOPED_TRACE(kinematic == 1 ? "TL" : "UL");
    double w[2] = {0.0, 0.0};
    for (int k = 0; k < 2; k++) {
      Member m = BeamColumn(kWall, 0.8 * kPcr);
      Steps(m.job, kinematic, 1.0, k == 0 ? 10 : 40);
      const resultfile::DisplReactFile dr = Run(m.job, "steps");
      if (dr.records.empty()) continue;
      w[k] = Mean(dr.records.back(), m.job, m.tip, m.lateral);
    }
    EXPECT_NEAR(w[1], w[0], 0.005 * w[0]);
    for (const Mesh& mesh : {kWall, kHexa20}) {
      Member m = BeamColumn(mesh, 0.95 * kPcr);
      Steps(m.job, kinematic, 1.0, 10);
      const resultfile::DisplReactFile dr = Run(m.job, "near");
      if (dr.records.size() != 10) continue;
      const double exact = Amplified(kEI, 0.95 * kPcr, kQ), top = Mean(dr.records.back(), m.job, m.tip, m.lateral);
      EXPECT_NEAR(top, exact, 0.15 * exact);
      for (int n : Iterations(m.job, "near")) EXPECT_LE(n, 8);
    }
  }
}

// The layered Mindlin shell as a strip 0.1 wide and 0.1 thick in five linear layers, held
// across its width (a plate strip: EI (1 - nu^2) in the formula), 20 9-node elements:
// large deflections of moderate slopes give the same amplification within 4 %, each
// combination in at most 6 iterations.
TEST_F(GeometricBeamColumn, LayeredShellStripFollowsTheAmplification) {
  const double EIs = kEI / (1.0 - kNu * kNu), Pcr = kPcr / (1.0 - kNu * kNu);
  linmodel::LatticeJob lj = linmodel::QuadMesh(
      20, 9, 20, 1, [](double a, double b) { return std::array<double, 3>{kL * a, kB * b, 0.0}; }, kE, kNu, 0.0,
      kB / 5, [](int I, int, int) { return std::string(I == 0 ? "111111" : "010101"); });
  Job& j = lj.job;
  tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("layer").I(MAT_LIN_ISO).I(1).I(GEOM_LAM_THICK).I(1));
  tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("section").IList({1, 1, 1, 1, 1}));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 20, 20, MAT_LAY_PATT, 1, 0, 0)};
  std::vector<tw::Rec> loads;
  std::vector<int> tip;
  for (int J = 0; J <= 2; J++) {
    const double w = J == 1 ? 2.0 / 3.0 : 1.0 / 6.0;
    tip.push_back(lj.At(40, J));
    loads.push_back(tw::PointLoad(tip.back(), {-0.8 * Pcr * w, 0, kQ * w, 0, 0, 0}));
  }
  j.model.loadCases = {linmodel::ElementLoads(loads)};
  Steps(j, 1, 1.0, 10);
  const resultfile::DisplReactFile dr = Run(j, "strip");
  ASSERT_EQ(dr.records.size(), 10u);
  const std::vector<int> it = Iterations(j, "strip");
  for (size_t k = 0; k < 10; k++) {
    const double f = (k + 1) / 10.0, w = Mean(dr.records[k], j, tip, 3);
    const double exact = Amplified(EIs, 0.8 * Pcr * f, kQ * f);
    EXPECT_NEAR(w, exact, 0.04 * exact) << k + 1;
    EXPECT_LE(it[k], 6) << k + 1;
  }
}
