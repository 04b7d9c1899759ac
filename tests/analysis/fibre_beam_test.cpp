// Whole runs of 3-D Timoshenko beams with fibre sections: linear fibres give the linear
// beam of the same section (and the quarter-turned section with its sides exchanged),
// steel fibres bend to the moment-curvature law of the section up to its plastic
// moment, and a fibrous mesh the history index cannot number is refused at the set-up.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
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
  for (double f : factors) {
    tw::Combination c;
    c.factors = {{1, f}};
    j.model.combinations.push_back(c);
  }
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

class FibreBeamRun : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }

  Outcome Run(Job job, const Solver& s, const std::string& name) {
    job.model.main.storageTechnique = s.storage;
    job.model.main.linEqAlgorithm = s.algorithm;
    tw::WriteDataFile(dir_ + "/" + name, job.model);
    WriteTextFile(dir_ + "/" + name + "_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
    Outcome o;
    o.run = RunProgram(VOLDE_EXE, {name}, dir_);
    o.dr = resultfile::ReadDisplReact(dir_ + "/" + name + "_dr.bin", job.layout.nF, job.layout.nP);
    if (job.model.main.materNonlinear != 0)
      o.ep = resultfile::ReadNonlinearExecParams(dir_ + "/" + name + "_ep.bin", job.layout.nF, job.layout.nP);
    return o;
  }

  std::string dir_;
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
  auto beam = [&](const std::string& tipFixity) {
    Job j = Cantilever(1, 1.0, tipFixity);
    tw::AddRecord(j.model, "<NLMM201>", tw::Rec().S("steel").Ds({7.85, 1e-5, 0.0015, 300, 0.0015, 300, 0.5, 300, 1}));
    const Section s{{-0.05, 0.0}, {0.05, 0.0}, {0.05, 0.1}, {-0.05, 0.1}, {-0.05, -0.1}, {0.05, -0.1}};
    AddFibres(j, 1, {s}, {{1, 2, 3, 4}, {5, 6, 2, 1}}, {FibreProp(1, 2, MAT_NLMM201, 1)});
    return j;
  };
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    // Tip moments about local axis 2: elastic (EI = 13.3333), then past first yield.
    for (double k : {0.01, 0.04}) {
      Job j = beam("000000");
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
    Job j = beam("110011");
    j.model.loadCases = {linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(2, 5, 0.1)})};
    MakeNonlinear(j, {1.0});
    const Outcome o = Run(j, s, "rotation");
    ASSERT_EQ(o.run.status, 0) << o.run.err;
    EXPECT_NEAR(Reaction(o, j, 2, 5), 0.3, 1e-10);
    EXPECT_NEAR(Reaction(o, j, 1, 5), -0.3, 1e-10);
    EXPECT_NEAR(U(o, j, 2, 3), -0.05, s.tol);  // no shear strain: u3' = -theta2 on average
  }
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
