// Whole runs of 3-D Timoshenko beams with fibre sections: linear fibres give the linear
// beam of the same section (and the quarter-turned section with its sides exchanged),
// steel fibres bend to the moment-curvature law of the section up to its plastic
// moment, a fibrous mesh the history index cannot number is refused at the set-up, and
// columns and bent sections of cyclic concrete follow their envelopes, unload and
// restart.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "materials/uniaxial/concrete.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/material_driver.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"
#include "support/run_program.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

constexpr int kBeam = 8;
using Section = std::vector<std::pair<double, double>>;

Section Rect(double b, double h) { return {{-b / 2, -h / 2}, {b / 2, -h / 2}, {b / 2, h / 2}, {-b / 2, h / 2}}; }

tw::Rec FibreProp(int first, int last, int kind, int number) {
  return tw::Rec().Is({1, 1, first, last, kind, number, 1, 0});
}

// Cantilever along x1 from the fixed point 1, nElem two-node elements over L, one axial
// point per element (the linear beam one point in each of its four loops). tipFixity
// holds dofs of the tip point.
Job Cantilever(int nElem, double L, const std::string& tipFixity = "000000") {
  Job j;
  for (int i = 0; i <= nElem; i++)
    linmodel::AddPoint3D(j, L * i / nElem, 0.0, 0.0, linmodel::kSixMask,
                         i == 0 ? "111111" : (i == nElem ? tipFixity : "000000"));
  for (int e = 1; e <= nElem; e++) tw::AddElement(j.model, {e, e + 1});
  tw::AddRecord(j.model, "<NUMERICAL_INTEGRATION>",
                linmodel::IntegrationPattern("one point", {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}));
  return j;
}

// The fibre section: one mesh of the given sections, elements and records.
void AddFibres(Job& j, int nElem, const std::vector<Section>& sections, const std::vector<std::vector<int32_t>>& fes,
               const std::vector<tw::Rec>& props, double angle = 0.0) {
  tw::FibrousMesh fm;
  fm.sections = sections;
  fm.elements = fes;
  fm.properties = props;
  fm.angles = {angle, angle, angle};
  j.model.fibrousMeshes.push_back(fm);
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, nElem, kBeam, MAT_FIB_MESH, 1, 0, 0, 1, 1));
}

void MakeNonlinear(Job& j, const std::vector<double>& factors) {
  j.model.main.materNonlinear = 1;
  j.model.main.convergenceCriterion = 2;
  j.model.main.tolerance = 1e-10;
  j.model.main.maxIterations = 10;
  nonlinrun::Factors(j.model, factors);
}

struct Solver {
  int storage, algorithm;
  const char* name;
  double tol;
};
constexpr Solver kGauss = {1, 1, "Gaussian elimination", 1e-10};
constexpr Solver kSolvers[] = {kGauss, {2, 2, "conjugate gradient", 1e-8}};

struct Outcome {
  ChildResult run;
  resultfile::DisplReactFile dr;
  resultfile::NonlinearExecParams ep;
};

class FibreBeamRun : public nonlinrun::RunFixture {
 protected:
  Outcome Run(Job job, const Solver& s, const std::string& name) {
    job.model.main.storageTechnique = s.storage;
    job.model.main.linEqAlgorithm = s.algorithm;
    Outcome o;
    o.run = Start(job.model, name);
    o.dr = Results(job, name);
    if (job.model.main.materNonlinear != 0)
      o.ep = resultfile::ReadNonlinearExecParams(Path("_ep.bin", name), job.layout.nF, job.layout.nP);
    return o;
  }
};

// Displacement of (point, dof) in the last record.
double U(const Outcome& o, const Job& j, int point, int dof) {
  const resultfile::DisplReactRecord& r = o.dr.records.back();
  if (j.layout.Free(point, dof) >= 0) return r.free.at(static_cast<size_t>(j.layout.Free(point, dof)));
  return r.presc.at(static_cast<size_t>(j.layout.Presc(point, dof)));
}

double Reaction(const Outcome& o, const Job& j, int point, int dof) {
  return o.dr.records.back().react.at(static_cast<size_t>(j.layout.Presc(point, dof)));
}

constexpr double kE = 200000.0, kNu = 0.3;

// One element, L = 1, one axial point, of elastic-perfectly plastic steel (E 200000, f_y
// 300): b = 0.1, h = 0.2 meshed as two fibrous elements (z >= 0, then z <= 0) of 2 x 2
// points, fibres of 0.0025 at |z| = 0.05 (1 +- 1/sqrt 3).
Job SteelSectionBeam(const std::string& tipFixity) {
  Job j = Cantilever(1, 1.0, tipFixity);
  tw::AddRecord(j.model, "<NLMM201>", tw::Rec().S("steel").Ds({7.85, 1e-5, 0.0015, 300, 0.0015, 300, 0.5, 300, 1}));
  const Section s{{-0.05, 0.0}, {0.05, 0.0}, {0.05, 0.1}, {-0.05, 0.1}, {-0.05, -0.1}, {0.05, -0.1}};
  AddFibres(j, 1, {s}, {{1, 2, 3, 4}, {5, 6, 2, 1}}, {FibreProp(1, 2, MAT_NLMM201, 1)});
  return j;
}

}  // namespace

// A cantilever of four elements, L = 2, b = 0.1 (y) by h = 0.2 (z), tip loads in all six
// directions: the fibre run equals the linear beam of A = bh, I2 = bh^3/12,
// I3 = hb^3/12, J = bh(b^2 + h^2)/12 and shear factors 5/6, and converges at once.
TEST_F(FibreBeamRun, LinearFibresGiveTheLinearBeam) {
  const double b = 0.1, h = 0.2;
  const tw::LoadCase load = linmodel::LoadCase({tw::PointLoad(5, {100, 0.1, -0.2, 0.05, 0.04, -0.02})});

  Job lin = Cantilever(4, 2.0);
  tw::AddRecord(lin.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0, 0, kE, kNu));
  tw::AddRecord(lin.model, "<FRAME_3D_CROSS_SECTIONS>",
                tw::Frame3DSection("bh", {b * h, 5.0 / 6, 5.0 / 6, b * h * (b * b + h * h) / 12, b * h * h * h / 12,
                                          h * b * b * b / 12, 0, 0, 0, 0, 0}));
  tw::AddRecord(lin.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 4, kBeam, MAT_LIN_ISO, 1, GEOM_CS_3D, 1, 1, 1));
  lin.model.loadCases = {load};
  const Outcome l = Run(lin, kGauss, "linear");
  ASSERT_EQ(l.run.status, 0) << l.run.err;

  auto fibres = [&](const Section& s, double angle) {
    Job j = Cantilever(4, 2.0);
    tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0, 0, kE, kNu));
    AddFibres(j, 4, {s}, {{1, 2, 3, 4}}, {FibreProp(1, 1, MAT_LIN_ISO, 1)}, angle);
    j.model.loadCases = {load};
    MakeNonlinear(j, {1.0});
    return j;
  };
  const Job plain = fibres(Rect(b, h), 0.0);
  const Job turned = fibres(Rect(h, b), std::numbers::pi / 2);
  for (const Job* j : {&plain, &turned}) {
    SCOPED_TRACE(j == &plain ? "b x h" : "h x b turned a quarter");
    const Outcome o = Run(*j, kGauss, "fibres");
    ASSERT_EQ(o.run.status, 0) << o.run.err;
    ASSERT_EQ(o.ep.entries.size(), 1u);
    EXPECT_EQ(o.ep.entries[0].nIterations, 1);
    for (int d = 1; d <= 6; d++) {
      const double expected = U(l, lin, 5, d);
      EXPECT_NEAR(U(o, *j, 5, d), expected, 1e-10 * std::fabs(expected)) << d;
    }
  }
}

// One element, L = 1, one axial point; b = 0.1, h = 0.2 meshed as two fibrous elements
// (z >= 0, z <= 0) of 2 x 2 points: 8 fibres of 0.0025 at |z| = 0.05 (1 +- 1/sqrt 3);
// elastic-perfectly plastic steel, E = 200000, f_y = 300.
TEST_F(FibreBeamRun, SteelSectionUpToItsPlasticMoment) {
  const double zo = 0.05 * (1 + 1 / std::sqrt(3.0)), zi = 0.05 * (1 - 1 / std::sqrt(3.0));
  // Moment of the section at curvature k: four fibres on either side, each 0.0025.
  auto moment = [&](double k) {
    auto stress = [](double e) { return std::fabs(e) >= 0.0015 ? 300.0 : 200000 * std::fabs(e); };
    return 4 * 0.0025 * (zo * stress(k * zo) + zi * stress(k * zi));
  };
  EXPECT_NEAR(moment(0.04), 0.2723291, 1e-7);
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    // Tip moments about local axis 2: elastic (EI = 13.3333), then past first yield.
    for (double k : {0.01, 0.04}) {
      Job j = SteelSectionBeam("000000");
      j.model.loadCases = {linmodel::LoadCase({tw::PointLoad(2, {0, 0, 0, 0, moment(k), 0})})};
      MakeNonlinear(j, {0.5, 1.0});
      const Outcome o = Run(j, s, "moment");
      ASSERT_EQ(o.run.status, 0) << o.run.err;
      EXPECT_NEAR(U(o, j, 2, 5), k, s.tol * k) << k;
      EXPECT_NEAR(U(o, j, 2, 1), 0.0, s.tol * k);
      EXPECT_NEAR(U(o, j, 2, 6), 0.0, s.tol * k);
    }
    // A prescribed tip rotation of 0.1 yields every fibre: the section carries
    // f_y b h^2 / 4 = 0.3 and has no axial or bending tangent, so the tip holds u1, u2
    // and theta3.
    Job j = SteelSectionBeam("110011");
    j.model.loadCases = {linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(2, 5, 0.1)})};
    MakeNonlinear(j, {1.0});
    const Outcome o = Run(j, s, "rotation");
    ASSERT_EQ(o.run.status, 0) << o.run.err;
    EXPECT_NEAR(Reaction(o, j, 2, 5), 0.3, 1e-10);
    EXPECT_NEAR(Reaction(o, j, 1, 5), -0.3, 1e-10);
    EXPECT_NEAR(U(o, j, 2, 3), -0.05, s.tol);  // no shear strain: u3' = -theta2 on average
  }
}

// The fibre stresses of the steel section under an axial force N and an elastic moment M
// about local axis 2, as docs/volde_results.py prints them from the history file: every
// fibre point at N / A +- E k z (k = M / EI, z = 0.05 (1 +- 1/sqrt 3)); the tip rotation
// k about x2 stretches the side z > 0, so the first fibre (z >= 0) averages N / A + E k 0.05
// and the second N / A - E k 0.05.
TEST_F(FibreBeamRun, DocsResultReaderPrintsTheFibreStresses) {
  const std::string python = FindPython3();
  if (python.empty()) GTEST_SKIP() << "python3 is not installed";
  const double zo = 0.05 * (1 + 1 / std::sqrt(3.0)), zi = 0.05 * (1 - 1 / std::sqrt(3.0));
  const double A = 8 * 0.0025, EI = kE * 4 * 0.0025 * (zo * zo + zi * zi), N = 50 * A, k = 0.01;
  Job j = SteelSectionBeam("000000");
  j.model.loadCases = {linmodel::LoadCase({tw::PointLoad(2, {N, 0, 0, 0, EI * k, 0})})};
  MakeNonlinear(j, {1.0});
  const Outcome o = Run(j, kGauss, "fibres");
  ASSERT_EQ(o.run.status, 0) << o.run.err;
  const std::string dir = std::filesystem::path(Path("_gl.bin", "fibres")).parent_path().string();
  const ChildResult py = RunProgram(python, {DocsPath("volde_results.py"), "fibres"}, dir);
  ASSERT_EQ(py.status, 0) << py.err;
  const size_t at = py.out.find("fibres_NLMM201_HD.bin combination 1\n");
  ASSERT_NE(at, std::string::npos) << py.out;
  std::istringstream lines(py.out.substr(at));
  std::string line;
  std::getline(lines, line);
  double mean[3] = {0.0, 0.0, 0.0};
  for (int f = 1; f <= 2; f++)
    for (int q = 1; q <= 4; q++) {
      ASSERT_TRUE(std::getline(lines, line));
      const std::string head = "element 1 point 1 fibre " + std::to_string(f) + " sub " + std::to_string(q) + " s ";
      ASSERT_EQ(line.substr(0, head.size()), head) << line;
      const double bending = std::fabs(std::stod(line.substr(head.size())) - N / A);
      EXPECT_TRUE(std::fabs(bending - kE * k * zo) < 1e-9 * kE * k * zo ||
                  std::fabs(bending - kE * k * zi) < 1e-9 * kE * k * zo)
          << line;
      mean[f] += std::stod(line.substr(head.size())) / 4;
    }
  EXPECT_FALSE(std::getline(lines, line) && line.starts_with("element")) << line;
  EXPECT_NEAR(mean[1] - N / A, kE * k * 0.05, 1e-9 * kE * k * 0.05);
  EXPECT_NEAR(mean[2] - N / A, -kE * k * 0.05, 1e-9 * kE * k * 0.05);
}

TEST_F(FibreBeamRun, MeshTheIndexCannotNumberIsRefused) {
  Job j = Cantilever(1, 1.0);
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0, 0, kE, kNu));
  tw::AddRecord(j.model, "<NLMM201>", tw::Rec().S("steel").Ds({7.85, 1e-5, 0.0015, 300, 0.0015, 300, 0.5, 300, 1}));
  const Section s = Rect(0.1, 0.2);
  AddFibres(j, 1, {s}, {{1, 2, 3, 4}, {1, 2, 3, 4}},
            {FibreProp(2, 2, MAT_NLMM201, 1), FibreProp(1, 1, MAT_LIN_ISO, 1)});
  j.model.loadCases = {linmodel::LoadCase({tw::PointLoad(2, {0, 0, 0, 0, 0.01, 0})})};
  MakeNonlinear(j, {1.0});
  const Outcome o = Run(j, kGauss, "refused");
  EXPECT_EQ(o.run.status, 1);
  EXPECT_NE(o.run.err.find("<FIBROUS_MESHES>"), std::string::npos) << o.run.err;
  EXPECT_NE(o.run.err.find("ascending order without overlapping"), std::string::npos) << o.run.err;
}

namespace {

// Cyclic concrete fibres: E_c 30000, eps_c 0.002, f_c 30 (envelope n = 2, r = 3.869231),
// critical compressive strain 0.01; in tension eps_t -0.00015, f_t -3, eps_crk -0.0006.
tw::Rec CyclicConcrete() {
  return tw::Rec().S("concrete").Ds({2.4, 1e-5, 30000, 0.002, 30, 0.01, -0.00015, -3, -0.0006});
}

// Compression-only concrete, envelope type 2: linear to 0.2 eps_c, then through the peak
// (0.002, 30) with slope 0 to (0.0035, 20) with slope -5000; unloading from rho 0,
// eps_r 0.002, f_cm 38.
tw::Rec CompressionConcrete() {
  return tw::Rec().S("concrete").I(2).Ds({2.4, 1e-5, 30000, 0.002, 30, 0, -5000, 0.0035, 20, 0, 0.002, 38, 0, 0, 0});
}

// A column of one element, L = 1, one axial point, square section 0.2 x 0.2 of 2 x 2
// fibres of the kind; the tip shortened by -u per unit factor of the combinations.
Job Column(int kind, const tw::Rec& material, double u, const std::vector<double>& factors) {
  Job j = Cantilever(1, 1.0, "100000");
  const char* block = kind == MAT_NLMM210   ? "<NLMM210>"
                      : kind == MAT_NLMM220 ? "<NLMM220>"
                      : kind == MAT_NLMM298 ? "<NLMM298>"
                                            : "<NLMM299>";
  tw::AddRecord(j.model, block, material);
  AddFibres(j, 1, {Rect(0.2, 0.2)}, {{1, 2, 3, 4}}, {FibreProp(1, 1, kind, 1)});
  j.model.loadCases = {linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(2, 1, -u)})};
  MakeNonlinear(j, factors);
  j.model.main.maxIterations = 30;
  return j;
}

// Axial force (compression positive) of combination c: the reaction that holds the tip.
double ColumnForce(const Outcome& o, const Job& j, size_t c) {
  return -o.dr.records.at(c).react.at(static_cast<size_t>(j.layout.Presc(2, 1)));
}

}  // namespace

// Shortened step by step, the column carries A f_c y(eps / eps_c) of the compression
// envelope, past its peak at eps_c; unloaded from 0.003 it carries nothing at the plastic
// strain eps_pl = 0.003 - s_un / E_sec, E_sec = E_c (s_un / (E_c eps_c) + 0.57) / 2.07.
TEST_F(FibreBeamRun, CyclicConcreteColumnFollowsItsEnvelopeAndUnloads) {
  const double envelope[] = {0.889161, 1.2, 0.986165, 0.648988};
  const double sun = 24.65412, epl = 0.003 - sun / (30000 * (sun / 60 + 0.57) / 2.07);
  EXPECT_NEAR(epl, 0.0012657, 1e-7);
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    const Job load = Column(MAT_NLMM210, CyclicConcrete(), 0.001, {1, 2, 3, 4});
    const Outcome o = Run(load, s, "column");
    ASSERT_EQ(o.run.status, 0) << o.run.err;
    for (size_t c = 0; c < 4; c++) EXPECT_NEAR(ColumnForce(o, load, c), envelope[c], 2e-6) << c;

    const Job unload = Column(MAT_NLMM210, CyclicConcrete(), 0.001, {1, 2, 3, 2, epl / 0.001});
    const Outcome u = Run(unload, s, "unloaded");
    ASSERT_EQ(u.run.status, 0) << u.run.err;
    EXPECT_NEAR(ColumnForce(u, unload, 2), envelope[2], 2e-6);
    const double half = ColumnForce(u, unload, 3);
    EXPECT_GT(half, 0.0);
    EXPECT_LT(half, 0.6 * envelope[2]);  // well below the envelope at 0.002
    EXPECT_NEAR(ColumnForce(u, unload, 4), 0.0, 1e-6);
  }
}

// Strengths in kN/cm2 (f_c = 3) make the envelope shape negative: refused before the
// first step.
TEST_F(FibreBeamRun, CyclicConcreteOutsideMegapascalsIsRefused) {
  const Job j = Column(MAT_NLMM210, tw::Rec().S("concrete").Ds({2.4e-5, 1e-5, 3000, 0.002, 3, 0.01, -1.5e-4, -0.3, -6e-4}),
                       0.001, {1});
  const Outcome o = Run(j, kGauss, "pascals");
  EXPECT_EQ(o.run.status, 1);
  EXPECT_NE(o.run.err.find("<NLMM210>"), std::string::npos) << o.run.err;
  EXPECT_NE(o.run.err.find("the envelope needs f_c in MPa"), std::string::npos) << o.run.err;
}

// The compression-only law of envelope type 2 is linear up to 0.2 eps_c, reaches f_c A at
// eps_c and, never compressed, answers a tensile strain with E eps A.
TEST_F(FibreBeamRun, CompressionOnlyConcreteColumn) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    const Job j = Column(MAT_NLMM220, CompressionConcrete(), 0.001, {0.4, 2});
    const Outcome o = Run(j, s, "column");
    ASSERT_EQ(o.run.status, 0) << o.run.err;
    EXPECT_NEAR(ColumnForce(o, j, 0), 30000 * 0.0004 * 0.04, 1e-10);
    EXPECT_NEAR(ColumnForce(o, j, 1), 1.2, 1e-8);
    const Job t = Column(MAT_NLMM220, CompressionConcrete(), -0.0001, {1});
    const Outcome ot = Run(t, s, "pulled");
    ASSERT_EQ(ot.run.status, 0) << ot.run.err;
    EXPECT_NEAR(ColumnForce(ot, t, 0), -30000 * 0.0001 * 0.04, 1e-12);
  }
}

// A reinforced section (concrete below, a steel layer above) bent back and forth by a
// prescribed tip rotation: the run stopped after combination 5 and restarted from there
// writes the same displacements and history records as the run without a stop.
TEST_F(FibreBeamRun, CyclicConcreteAndSteelRestartGivesTheUninterruptedRun) {
  const std::vector<double> rotations = {0.005, 0.01, 0.02, 0.01, -0.005, -0.015, -0.005, 0.01, 0.025, 0.0, -0.02, 0.01};
  Job j = Cantilever(1, 1.0, "000010");
  tw::AddRecord(j.model, "<NLMM210>", CyclicConcrete());
  tw::AddRecord(j.model, "<NLMM202>", tw::Rec().S("steel").Ds({7.85, 1e-5, 2e5, 5000, 0.002, 400, 0.01, 0, 0.1, 600}));
  const Section s{{-0.1, -0.1}, {0.1, -0.1}, {0.1, 0.08}, {-0.1, 0.08}, {0.1, 0.1}, {-0.1, 0.1}};
  AddFibres(j, 1, {s}, {{1, 2, 3, 4}, {4, 3, 5, 6}}, {FibreProp(1, 1, MAT_NLMM210, 1), FibreProp(2, 2, MAT_NLMM202, 1)});
  j.model.loadCases = {linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(2, 5, 1.0)})};
  MakeNonlinear(j, rotations);
  j.model.main.tolerance = 1e-8;
  j.model.main.maxIterations = 100;
  const Outcome fresh = Run(j, kGauss, "fresh");
  ASSERT_EQ(fresh.run.status, 0) << fresh.run.err;
  ASSERT_EQ(fresh.dr.records.size(), rotations.size());
  Run(j, kGauss, "cycled");
  j.model.main.nCombBeforeRestart = 5;
  const Outcome restarted = Run(j, kGauss, "cycled");
  ASSERT_EQ(restarted.run.status, 0) << restarted.run.err;
  ExpectSameFiles("cycled", "fresh", {"_dr.bin", "_NLMM210_HD.bin", "_NLMM202_HD.bin"});
}

// The concrete fibres of the power law (_NLMM298) and of the parabola to f_c at eps_c1
// (_NLMM299), shortened step by step before their peak: the column carries A times the
// fibre law's stress of its strain at every step.
TEST_F(FibreBeamRun, ConcreteFibreColumnsFollowTheirLaws) {
  struct Law {
    int kind;
    std::vector<double> values;
  };
  const Law laws[] = {{MAT_NLMM298, {2.4, 1e-5, 30000, 3, 30, 0.0035, 2e5, 1.5}},
                      {MAT_NLMM299, {2.4, 1e-5, 30000, 3, 30, 0.002, 0.0035}}};
  const std::vector<double> steps = {0.5, 1.0, 1.5};  // times 0.001 of shortening
  for (const Law& l : laws)
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(std::to_string(l.kind) + " " + s.name);
      const Job j = Column(l.kind, tw::Rec().S("concrete").Ds(l.values), 0.001, steps);
      const Outcome o = Run(j, s, "column");
      ASSERT_EQ(o.run.status, 0) << o.run.err;
      ASSERT_EQ(o.dr.records.size(), steps.size());
      const MaterialRecord m = matdriver::Record(l.values);
      NLMM298_HD r298{};
      NLMM299_HD r299{};
      for (size_t c = 0; c < steps.size(); c++) {
        const double eps = -0.001 * steps[c];
        const double sigma =
            l.kind == MAT_NLMM298 ? CalcStress_NLMM298(m, r298, eps) : CalcStress_NLMM299(m, r299, eps);
        EXPECT_LT(sigma, 0.0);
        EXPECT_NEAR(ColumnForce(o, j, c), -0.04 * sigma, 1e-8 * 0.04 * std::fabs(sigma)) << c;
      }
    }
}
