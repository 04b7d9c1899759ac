// Linear static runs end to end: the built program solves small models written with the
// test-side writer, with both solvers, and the result files are read back byte by byte
// and checked against closed-form solutions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analysis/drivers.h"
#include "linear_model.h"
#include "support/datafile_writer.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;
using linmodel::Job;
using linmodel::Layout;

namespace {

struct Solver {
  int storage, algorithm;
  const char* name;
  double tol;  // relative accuracy expected of the results
};

const Solver kGauss = {1, 1, "Gaussian elimination", 1e-10};
const Solver kJPCG = {2, 2, "conjugate gradient", 1e-8};
const Solver kSolvers[] = {kGauss, kJPCG};

struct Outcome {
  ChildResult run;
  resultfile::DisplReactFile dr;
  resultfile::LinearExecParams ep;
};

// Values of one load case's record by point and dof.
struct Record {
  const resultfile::DisplReactRecord& r;
  const Layout& l;
  double U(int p, int d) const {
    if (l.Free(p, d) >= 0) return r.free.at(static_cast<size_t>(l.Free(p, d)));
    if (l.Presc(p, d) >= 0) return r.presc.at(static_cast<size_t>(l.Presc(p, d)));
    ADD_FAILURE() << "point " << p << " has no dof " << d;
    return NAN;
  }
  double R(int p, int d) const {
    if (l.Presc(p, d) >= 0) return r.react.at(static_cast<size_t>(l.Presc(p, d)));
    ADD_FAILURE() << "point " << p << " dof " << d << " is not prescribed";
    return NAN;
  }
};

class LinearStatic : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }

  Outcome Run(Job job, const Solver& s, const std::string& ctrl = "") {
    job.model.main.storageTechnique = s.storage;
    job.model.main.linEqAlgorithm = s.algorithm;
    tw::WriteDataFile(dir_ + "/job1", job.model);
    WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n" + ctrl + "</OUTPUT_CONTROL>\n");
    Outcome o;
    o.run = RunProgram(VOLDE_EXE, {"job1"}, dir_);
    o.dr = resultfile::ReadDisplReact(dir_ + "/job1_dr.bin", job.layout.nF, job.layout.nP);
    o.ep = resultfile::ReadLinearExecParams(dir_ + "/job1_ep.bin");
    return o;
  }

  // A run that ended in success with one record per load case, in order, and the
  // summary records each solver fills.
  static void ExpectSound(const Outcome& o, const Solver& s, int nLoadCases) {
    EXPECT_EQ(o.run.status, 0) << o.run.err;
    EXPECT_EQ(o.run.err, "");
    EXPECT_NE(o.run.out.find("\nEnd of volde\n\n### Success ###\n"), std::string::npos) << o.run.out;
    size_t at = 0;
    for (int lc = 1; lc <= nLoadCases; lc++) {
      at = o.run.out.find("\nLoad case: " + std::to_string(lc) + "\n", at);
      EXPECT_NE(at, std::string::npos) << "load case " << lc;
    }
    EXPECT_EQ(o.dr.error, "");
    EXPECT_TRUE(o.dr.closed);
    EXPECT_EQ(o.ep.error, "");
    EXPECT_TRUE(o.ep.closed);
    ASSERT_EQ(o.dr.records.size(), static_cast<size_t>(nLoadCases));
    for (int lc = 1; lc <= nLoadCases; lc++) EXPECT_EQ(o.dr.records[lc - 1].id, lc);
    EXPECT_GT(o.ep.iter.nTermsKFF, 0);
    EXPECT_GE(o.ep.iter.assemblySeconds, 0.0);
    if (s.algorithm == 1) {
      EXPECT_GE(o.ep.iter.nTermsNCSB, o.ep.iter.nTermsKFF);
      EXPECT_GE(o.ep.iter.factorSeconds, 0.0);
    } else {
      EXPECT_EQ(o.ep.iter.nTermsNCSB, -1);
      EXPECT_EQ(o.ep.iter.factorSeconds, -1.0);
    }
    ASSERT_EQ(o.ep.steps.size(), static_cast<size_t>(nLoadCases));
    for (const resultfile::StepSummary& st : o.ep.steps) {
      EXPECT_EQ(st.padding, 0u);
      EXPECT_GE(st.solveSeconds, 0.0);
      EXPECT_EQ(st.residualNorm, -1.0);
      if (s.algorithm == 1) {
        EXPECT_EQ(st.nIterJPCG, -1);
        EXPECT_EQ(st.residNormJPCG, -1.0);
      } else {
        EXPECT_GE(st.nIterJPCG, 1);
        EXPECT_GE(st.residNormJPCG, 0.0);
      }
    }
  }

  std::string dir_;
};

// |actual - expected| within the solver's relative accuracy of a reference magnitude.
#define EXPECT_CLOSE(actual, expected, s, scale) EXPECT_NEAR(actual, expected, (s).tol * (scale))

// Point-load record in the x2-x3 plane: force (f2, f3), moment m1.
tw::Rec Load2D(int point, double f2, double f3, double m1 = 0.0) {
  return tw::PointLoad(point, {0.0, f2, f3, m1, 0.0, 0.0});
}

}  // namespace

// ---- closed-form cases ---------------------------------------------------------------

// Tip load P on a cantilever: deflection P x^2 (3L - x) / 6EI and rotation P x (2L - x) / 2EI
// at every node (exact for cubic members), support shear -P and moment -P L.
TEST_F(LinearStatic, CantileverTipLoad) {
  const double L = 3.0, E = 200e9, A = 0.01, I = 1e-4, P = 10e3;
  for (const Solver& s : kSolvers) {
    for (int n : {1, 4}) {
      SCOPED_TRACE(std::string(s.name) + ", " + std::to_string(n) + " elements");
      Job job = linmodel::Cantilever(n, L, E, A, I);
      job.model.loadCases = {linmodel::LoadCase({Load2D(n + 1, 0.0, P)})};
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      EXPECT_CLOSE(r.U(n + 1, 3), 4.5e-3, s, 4.5e-3);
      EXPECT_CLOSE(r.U(n + 1, 4), 2.25e-3, s, 2.25e-3);
      for (int k = 1; k <= n; k++) {
        const double x = L * k / n;
        EXPECT_CLOSE(r.U(k + 1, 2), 0.0, s, 4.5e-3);
        EXPECT_CLOSE(r.U(k + 1, 3), P * x * x * (3 * L - x) / (6 * E * I), s, 4.5e-3);
        EXPECT_CLOSE(r.U(k + 1, 4), P * x * (2 * L - x) / (2 * E * I), s, 2.25e-3);
      }
      for (int d = 2; d <= 4; d++) EXPECT_EQ(r.U(1, d), 0.0);
      EXPECT_CLOSE(r.R(1, 2), 0.0, s, P);
      EXPECT_CLOSE(r.R(1, 3), -10e3, s, P);
      EXPECT_CLOSE(r.R(1, 4), -30e3, s, P * L);
    }
  }
}

// Both bars shorten by 625 * 5 / EA; the apex drops by that over sin = 4/5.
TEST_F(LinearStatic, TwoBarTruss) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = linmodel::TwoBarTruss(1e6);
    job.model.loadCases = {linmodel::LoadCase({Load2D(3, 0.0, -1000.0)})};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    EXPECT_CLOSE(r.U(3, 3), -3.90625e-3, s, 3.90625e-3);
    EXPECT_CLOSE(r.U(3, 2), 0.0, s, 3.90625e-3);
    EXPECT_CLOSE(r.R(1, 2), 375.0, s, 1000.0);
    EXPECT_CLOSE(r.R(1, 3), 500.0, s, 1000.0);
    EXPECT_CLOSE(r.R(2, 2), -375.0, s, 1000.0);
    EXPECT_CLOSE(r.R(2, 3), 500.0, s, 1000.0);
  }
}

// Uniform tension of the plate by an edge load: stress 10 / (1 * 0.1) = 100, strain 0.1,
// lateral strain -0.025; bilinear quadrilaterals reproduce the linear field exactly, also
// with distorted interior points.
TEST_F(LinearStatic, PlaneStressPlateInTension) {
  struct Geometry {
    const char* name;
    double shift2, shift5;
  };
  const Geometry geometries[] = {{"square elements", 0.0, 0.0}, {"distorted interior points", -0.2, 0.3}};
  for (const Solver& s : kSolvers) {
    for (const Geometry& g : geometries) {
      SCOPED_TRACE(std::string(s.name) + ", " + g.name);
      Job job = linmodel::TwoElementPlate(1000.0, 0.25, 0.1, g.shift2, g.shift5);
      // Edge 2 of element 2 (points 3 and 6), 10 per unit length along x2.
      job.model.loadCases = {linmodel::LoadCase({}, {tw::EdgeLoad(2, 0, 2, 'G', 2, 1, {10.0})})};
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      EXPECT_CLOSE(r.U(3, 2), 0.2, s, 0.2);
      EXPECT_CLOSE(r.U(6, 2), 0.2, s, 0.2);
      EXPECT_CLOSE(r.U(6, 3), -0.025, s, 0.2);
      EXPECT_CLOSE(r.U(4, 3), -0.025, s, 0.2);
      const double x2[] = {0.0, 1.0 + g.shift2, 2.0, 0.0, 1.0 + g.shift5, 2.0};
      for (int p = 2; p <= 6; p++) {
        if (p != 4) {
          EXPECT_CLOSE(r.U(p, 2), 0.1 * x2[p - 1], s, 0.2) << "point " << p;
        }
        EXPECT_CLOSE(r.U(p, 3), p <= 3 ? 0.0 : -0.025, s, 0.2) << "point " << p;
      }
      EXPECT_CLOSE(r.R(1, 2), -5.0, s, 10.0);
      EXPECT_CLOSE(r.R(4, 2), -5.0, s, 10.0);
      EXPECT_CLOSE(r.R(1, 3), 0.0, s, 10.0);
    }
  }
}

// Simply supported beam under uniform q in two members: midspan 5 q L^4 / 384 EI, end
// rotations q L^3 / 24 EI, reactions q L / 2 (consistent member loads make the nodal
// values exact).
TEST_F(LinearStatic, SimplySupportedBeamUniformLoad) {
  const double L = 4.0, EI = 1000.0, q = 10.0;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = linmodel::Beam(2, L, 1e6, 1.0, EI / 1e6);
    linmodel::AddSupport(job, 1, "011000");
    linmodel::AddSupport(job, 3, "001000");
    job.model.loadCases = {linmodel::LoadCase(
        {}, {tw::EdgeLoad(1, 0, 0, 'G', 3, 1, {-q}), tw::EdgeLoad(2, 0, 0, 'G', 3, 1, {-q})})};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    const double mid = 5 * q * L * L * L * L / (384 * EI);
    ASSERT_NEAR(mid, 0.033333333333, 1e-11);
    const double end = q * L * L * L / (24 * EI);
    EXPECT_CLOSE(r.U(2, 3), -mid, s, mid);
    EXPECT_CLOSE(r.U(2, 4), 0.0, s, end);
    EXPECT_CLOSE(r.U(1, 4), -end, s, end);
    EXPECT_CLOSE(r.U(3, 4), end, s, end);
    EXPECT_CLOSE(r.U(3, 2), 0.0, s, mid);
    EXPECT_CLOSE(r.R(1, 3), 20.0, s, 20.0);
    EXPECT_CLOSE(r.R(3, 3), 20.0, s, 20.0);
    EXPECT_CLOSE(r.R(1, 2), 0.0, s, 20.0);
  }
}

// A fixed-fixed member whose one end settles by d: end shears 12 EI d / L^3, end moments
// 6 EI d / L^2, the midpoint at d / 2 with slope 1.5 d / L. Two load cases, one for each
// end: the second leaves nothing of the first behind.
TEST_F(LinearStatic, FixedFixedSettlement) {
  const double L = 3.0, EI = 1000.0, d = 0.01;
  const double V = 12 * EI * d / (L * L * L), M = 6 * EI * d / (L * L);
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = linmodel::Cantilever(2, L, 1e6, 1.0, EI / 1e6);
    linmodel::AddSupport(job, 3, linmodel::kFrame2DMask);
    job.model.loadCases = {linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(3, 3, d)}),
                           linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(1, 3, d)})};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 2);
    if (o.dr.records.size() != 2) continue;
    Record r1{o.dr.records[0], job.layout};
    EXPECT_EQ(r1.U(3, 3), d);
    EXPECT_EQ(r1.U(1, 3), 0.0);
    EXPECT_CLOSE(r1.U(2, 3), d / 2, s, d);
    EXPECT_CLOSE(r1.U(2, 4), 1.5 * d / L, s, d / L);
    EXPECT_CLOSE(r1.U(2, 2), 0.0, s, d);
    EXPECT_CLOSE(r1.R(1, 3), -V, s, V);
    EXPECT_CLOSE(r1.R(3, 3), V, s, V);
    EXPECT_CLOSE(r1.R(1, 4), -M, s, M);
    EXPECT_CLOSE(r1.R(3, 4), -M, s, M);
    // Mirror image.
    Record r2{o.dr.records[1], job.layout};
    EXPECT_EQ(r2.U(3, 3), 0.0);
    EXPECT_EQ(r2.U(1, 3), d);
    EXPECT_CLOSE(r2.U(2, 3), d / 2, s, d);
    EXPECT_CLOSE(r2.U(2, 4), -1.5 * d / L, s, d / L);
    EXPECT_CLOSE(r2.R(1, 3), V, s, V);
    EXPECT_CLOSE(r2.R(3, 3), -V, s, V);
    EXPECT_CLOSE(r2.R(1, 4), M, s, M);
    EXPECT_CLOSE(r2.R(3, 4), M, s, M);
  }
}

// A member joint made of two coincident points tied by an internal point link: a load on
// the slave point reaches the master, and the slave moves with it. Cantilever L = 3 with
// the joint at a = 1.5 loaded by P: there P a^3 / 3EI, at the tip P a^2 (3L - a) / 6EI.
TEST_F(LinearStatic, LinkedJointCarriesTheSlaveLoad) {
  const double L = 3.0, a = 1.5, E = 200e9, I = 1e-4, P = 10e3;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job;
    linmodel::AddFrame2DMaterial(job, E, 0.01, I);
    linmodel::AddPoint2D(job, 0.0, 0.0, linmodel::kFrame2DMask, linmodel::kFrame2DMask);
    linmodel::AddPoint2D(job, a, 0.0, linmodel::kFrame2DMask);  // master
    linmodel::AddPoint2D(job, a, 0.0, linmodel::kFrame2DMask);  // slave
    linmodel::AddPoint2D(job, L, 0.0, linmodel::kFrame2DMask);
    tw::AddElement(job.model, {1, 2});
    tw::AddElement(job.model, {3, 4});
    linmodel::AddFrame2DProperty(job, 1, 2);
    tw::AddRecord(job.model, "<INTERNAL_POINT_LINKS>", tw::PointLink(2, 3, "011100"));
    job.model.loadCases = {linmodel::LoadCase({Load2D(3, 0.0, P)})};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    const double joint = P * a * a * a / (3 * E * I), tip = P * a * a * (3 * L - a) / (6 * E * I);
    for (int p : {2, 3}) {
      EXPECT_CLOSE(r.U(p, 3), joint, s, tip) << "point " << p;
      EXPECT_CLOSE(r.U(p, 4), P * a * a / (2 * E * I), s, tip) << "point " << p;
    }
    EXPECT_CLOSE(r.U(4, 3), tip, s, tip);
    EXPECT_CLOSE(r.R(1, 3), -P, s, P);
    EXPECT_CLOSE(r.R(1, 4), -P * a, s, P * L);
  }
}

// ---- files and messages -------------------------------------------------------------

// With no load case the two files hold their tags and the assembly record only.
TEST_F(LinearStatic, ZeroLoadCasesWriteTagsAndTheSummaryOnly) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = linmodel::Cantilever(2, 3.0, 200e9, 0.01, 1e-4);
    Outcome o = Run(job, s);
    ExpectSound(o, s, 0);
    EXPECT_EQ(o.run.out.find("Load case:"), std::string::npos);
    EXPECT_EQ(resultfile::ReadFileBytes(dir_ + "/job1_dr.bin").size(), 34u + 35u);
    EXPECT_EQ(resultfile::ReadFileBytes(dir_ + "/job1_ep.bin").size(), 27u + 32u + 28u);
  }
}

// Two identical runs write identical result files but for the timings.
TEST_F(LinearStatic, RepeatedRunWritesTheSameRecords) {
  Job job = linmodel::Cantilever(4, 3.0, 200e9, 0.01, 1e-4);
  job.model.loadCases = {linmodel::LoadCase({Load2D(5, 0.0, 1e4)}), linmodel::LoadCase({Load2D(3, 2e3, 0.0, 5e2)})};
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Run(job, s);
    const std::vector<uint8_t> first = resultfile::ReadFileBytes(dir_ + "/job1_dr.bin");
    Outcome o = Run(job, s);
    ExpectSound(o, s, 2);
    EXPECT_EQ(resultfile::ReadFileBytes(dir_ + "/job1_dr.bin"), first);
  }
}

// The data file's closing tag is checked only after the analysis: a wrong one fails the
// run at shut-down and leaves the complete result files on disk.
TEST_F(LinearStatic, WrongClosingTagFailsAtShutDownLeavingTheResults) {
  Job job = linmodel::Cantilever(1, 3.0, 200e9, 0.01, 1e-4);
  job.model.loadCases = {linmodel::LoadCase({Load2D(2, 0.0, 1e4)})};
  std::vector<uint8_t> bytes = tw::EncodeDataFile(job.model);
  ASSERT_EQ(bytes[bytes.size() - 3], '0');
  bytes[bytes.size() - 3] = '1';  // "</VOLDE_DATA_FILE_V4.1>"
  tw::WriteBytes(dir_ + "/job1_gl.bin", bytes);
  WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  ChildResult r = RunProgram(VOLDE_EXE, {"job1"}, dir_);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "\nERROR:\nInvalid binary file (jobname_gl.bin)\n\n");
  EXPECT_NE(r.out.find("\nLoad case: 1\n"), std::string::npos);
  EXPECT_EQ(r.out.find("End of volde"), std::string::npos);
  resultfile::DisplReactFile dr = resultfile::ReadDisplReact(dir_ + "/job1_dr.bin", job.layout.nF, job.layout.nP);
  EXPECT_EQ(dr.error, "");
  EXPECT_TRUE(dr.closed);
  ASSERT_EQ(dr.records.size(), 1u);
  EXPECT_NEAR(Record({dr.records[0], job.layout}).U(2, 3), 4.5e-3, 1e-12);
  resultfile::LinearExecParams ep = resultfile::ReadLinearExecParams(dir_ + "/job1_ep.bin");
  EXPECT_TRUE(ep.closed);
  EXPECT_EQ(ep.steps.size(), 1u);
}

TEST_F(LinearStatic, MoreThanOnePhaseIsRefused) {
  Job job = linmodel::Cantilever(1, 3.0, 200e9, 0.01, 1e-4);
  job.model.main.nPhases = 2;
  Outcome o = Run(job, kGauss);
  EXPECT_EQ(o.run.status, 1);
  EXPECT_EQ(o.run.err,
            "\nERROR:\nThe n. of phases must be 1 when the options are the following:\n"
            " - static linear analysis\n\n");
  EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"job1_ctrl.dat", "job1_gl.bin"}));
}

// The conjugate-gradient history files are named by the load case, zero-padded to the
// width of the number of combinations.
TEST(LoadCaseHistoryTag, PadsToTheWidthOfTheCombinationCount) {
  struct Case {
    int lc, nCombinations;
    const char* tag;
  };
  const Case cases[] = {{7, 12, "_LCase07"}, {1, 5, "_LCase1"},      {12, 5, "_LCase12"},
                        {3, 100, "_LCase003"}, {5, 0, "_LCase5"}, {1234, 99, "_LCase1234"}};
  for (const Case& c : cases) {
    char tag[64];
    LoadCaseHistoryTag(c.lc, c.nCombinations, tag, static_cast<int>(sizeof tag));
    EXPECT_STREQ(tag, c.tag) << c.lc << " of " << c.nCombinations;
  }
}

TEST_F(LinearStatic, ConjugateGradientHistoryFilesPerLoadCase) {
  Job job = linmodel::Cantilever(2, 3.0, 200e9, 0.01, 1e-4);
  for (int lc = 1; lc <= 7; lc++) job.model.loadCases.push_back(linmodel::LoadCase({Load2D(3, 0.0, 1e3 * lc)}));
  job.model.combinations.resize(12);
  Outcome o = Run(job, kJPCG, "EXPORT_ITERATIVE_JPCG_HIST = _Y ;\n");
  ExpectSound(o, kJPCG, 7);
  std::vector<std::string> files = ListDirectory(dir_);
  for (int lc = 1; lc <= 7; lc++) {
    char name[64];
    std::snprintf(name, sizeof name, "job1_LCase%02d_ih.g2d", lc);
    EXPECT_NE(std::find(files.begin(), files.end(), name), files.end()) << name;
  }
  EXPECT_EQ(files.size(), 4u + 7u);  // data, control, _dr, _ep and the seven histories
}

// ---- temperature loads ------------------------------------------------------------------
// A body free to expand under a uniform temperature change moves by alpha dT times the
// distance from its fixed point and needs no reactions; fully restrained, its supports
// carry the force of the restrained expansion.

namespace {

constexpr double kAlphaT = 1.2e-5, kDeltaT = 50.0;

int AddPoint3D(Job& j, double x1, double x2, double x3, const std::string& mask,
               const std::string& fixity = "000000") {
  linmodel::AddLayoutPoint(j.layout, mask, fixity);
  const int p = tw::AddPoint(j.model, x1, x2, x3);
  if (fixity != "000000") tw::AddRecord(j.model, "<SUPPORTS>", tw::Support(p, fixity));
  return p;
}

tw::LoadCase TemperatureCase(int first, int last, double dT) {
  tw::LoadCase lc;
  for (int e = first; e <= last; e++) lc.blocks["<TEMPERATURE_VARIATION>"].push_back(tw::TemperatureVariation(e, {dT}));
  return lc;
}

void SetMaterial(Job& j, double E, double nu) {
  j.model.blocks["<LINEAR_ISOTROPIC_MATERIALS>"] = {tw::LinIsoMaterial("heated", 0.0, kAlphaT, E, nu)};
}

// Bars along x2 from 0 to 3 in n members, Truss2D (type 1, in the x2-x3 plane) or
// Cable3D (type 6); point 1 held, the other points held across the bar; last point held
// along the bar too when `restrained`.
Job Bars(int type, int n, bool restrained, double EA) {
  Job j;
  SetMaterial(j, EA / 0.01, 0.3);
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("a", 0.01));
  const bool plane = type == 1;
  const std::string mask = plane ? linmodel::kPlaneMask : "111000";
  for (int k = 0; k <= n; k++) {
    const bool held = k == 0 || (restrained && k == n);
    const std::string fix = held ? mask : (plane ? "001000" : "101000");
    AddPoint3D(j, 0.0, 3.0 * k / n, 0.0, mask, fix);
  }
  for (int e = 1; e <= n; e++) tw::AddElement(j.model, {e, e + 1});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, n, type, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  j.model.loadCases = {TemperatureCase(1, n, kDeltaT)};
  return j;
}

// A grid of m x m plane-stress squares of side 1 (points row by row from x2 = x3 = 0), or
// of m x m x m unit hexahedra; held as `fixity` says (index: grid coordinates).
template <typename Fixity>
Job PlaneGrid(int m, double E, double nu, double t, Fixity fixity) {
  Job j;
  SetMaterial(j, E, nu);
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", t));
  for (int r = 0; r <= m; r++)
    for (int c = 0; c <= m; c++) AddPoint3D(j, 0.0, c, r, linmodel::kPlaneMask, fixity(c, r));
  auto pt = [m](int c, int r) { return r * (m + 1) + c + 1; };
  for (int r = 0; r < m; r++)
    for (int c = 0; c < m; c++) tw::AddElement(j.model, {pt(c, r), pt(c + 1, r), pt(c + 1, r + 1), pt(c, r + 1)});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, m * m, 10, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
  j.model.loadCases = {TemperatureCase(1, m * m, kDeltaT)};
  return j;
}

template <typename Fixity>
Job SolidGrid(int m, double E, double nu, Fixity fixity) {
  Job j;
  SetMaterial(j, E, nu);
  for (int z = 0; z <= m; z++)
    for (int y = 0; y <= m; y++)
      for (int x = 0; x <= m; x++) AddPoint3D(j, x, y, z, "111000", fixity(x, y, z));
  auto pt = [m](int x, int y, int z) { return (z * (m + 1) + y) * (m + 1) + x + 1; };
  for (int z = 0; z < m; z++)
    for (int y = 0; y < m; y++)
      for (int x = 0; x < m; x++)
        tw::AddElement(j.model, {pt(x, y, z), pt(x + 1, y, z), pt(x + 1, y + 1, z), pt(x, y + 1, z),
                                 pt(x, y, z + 1), pt(x + 1, y, z + 1), pt(x + 1, y + 1, z + 1), pt(x, y + 1, z + 1)});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, m * m * m, 24, MAT_LIN_ISO, 1, 0, 0));
  j.model.loadCases = {TemperatureCase(1, m * m * m, kDeltaT)};
  return j;
}

}  // namespace

TEST_F(LinearStatic, BodiesFreeToExpandAreNotStressed) {
  const double e = kAlphaT * kDeltaT;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    {
      Job job = Bars(1, 2, false, 1e4);
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      for (int p = 1; p <= 3; p++) EXPECT_CLOSE(r.U(p, 2), e * 1.5 * (p - 1), s, 3 * e);
      EXPECT_CLOSE(r.R(1, 2), 0.0, s, 1e4 * e);
    }
    {
      // Two plane-stress squares, point 1 held, point 4 held along x2, interior points moved.
      Job job = linmodel::TwoElementPlate(1000.0, 0.25, 0.1, -0.2, 0.3);
      SetMaterial(job, 1000.0, 0.25);
      job.model.loadCases = {TemperatureCase(1, 2, kDeltaT)};
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      const double x2[] = {0.0, 0.8, 2.0, 0.0, 1.3, 2.0}, x3[] = {0, 0, 0, 1, 1, 1};
      for (int p = 1; p <= 6; p++) {
        EXPECT_CLOSE(r.U(p, 2), e * x2[p - 1], s, 2 * e) << "point " << p;
        EXPECT_CLOSE(r.U(p, 3), e * x3[p - 1], s, 2 * e) << "point " << p;
      }
      EXPECT_CLOSE(r.R(1, 2), 0.0, s, 100 * e);
      EXPECT_CLOSE(r.R(1, 3), 0.0, s, 100 * e);
      EXPECT_CLOSE(r.R(4, 2), 0.0, s, 100 * e);
    }
    {
      // A 2 x 2 x 2 block of hexahedra held at three corners against rigid motion only.
      Job job = SolidGrid(2, 1000.0, 0.25, [](int x, int y, int z) -> std::string {
        if (z != 0) return "000000";
        if (x == 0 && y == 0) return "111000";
        if (x == 2 && y == 0) return "011000";
        if (x == 0 && y == 2) return "001000";
        return "000000";
      });
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      int p = 0;
      for (int z = 0; z <= 2; z++)
        for (int y = 0; y <= 2; y++)
          for (int x = 0; x <= 2; x++) {
            ++p;
            EXPECT_CLOSE(r.U(p, 1), e * x, s, 2 * e) << "point " << p;
            EXPECT_CLOSE(r.U(p, 2), e * y, s, 2 * e) << "point " << p;
            EXPECT_CLOSE(r.U(p, 3), e * z, s, 2 * e) << "point " << p;
          }
      EXPECT_CLOSE(r.R(1, 1), 0.0, s, 1000 * e);
      EXPECT_CLOSE(r.R(1, 3), 0.0, s, 1000 * e);
      EXPECT_CLOSE(r.R(7, 3), 0.0, s, 1000 * e);
    }
  }
}

// Every free equation is loaded by zero here (the restrained bodies are symmetric), which
// the conjugate gradient meets without an iteration: Gaussian elimination only.
TEST_F(LinearStatic, RestrainedExpansionLoadsTheSupports) {
  const double e = kAlphaT * kDeltaT;
  for (const Solver& s : {kGauss}) {
    SCOPED_TRACE(s.name);
    // A bar and a cable held at both ends carry -E A alpha dT: the supports push inwards.
    for (int type : {1, 6}) {
      const double EA = 2e4;
      Job job = Bars(type, 2, true, EA);
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      EXPECT_CLOSE(r.R(1, 2), EA * e, s, EA * e) << "type " << type;
      EXPECT_CLOSE(r.R(3, 2), -EA * e, s, EA * e) << "type " << type;
      EXPECT_CLOSE(r.U(2, 2), 0.0, s, e);
    }
    {
      // A plane-stress plate held all round: E alpha t dT / (1 - nu) per unit length of edge.
      const double E = 1000.0, nu = 0.25, t = 0.1;
      Job job = PlaneGrid(2, E, nu, t, [](int c, int r) -> std::string {
        return (c == 1 && r == 1) ? "000000" : linmodel::kPlaneMask;
      });
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      const double perLength = E * kAlphaT * t * kDeltaT / (1 - nu);
      double right = 0.0, left = 0.0, top = 0.0;
      for (int k = 0; k <= 2; k++) {
        left += r.R(3 * k + 1, 2);
        right += r.R(3 * k + 3, 2);
        top += r.R(7 + k, 3);
      }
      EXPECT_CLOSE(left, 2 * perLength, s, perLength);
      EXPECT_CLOSE(right, -2 * perLength, s, perLength);
      EXPECT_CLOSE(top, -2 * perLength, s, perLength);
      EXPECT_CLOSE(r.U(5, 2), 0.0, s, e);
    }
    {
      // A block held all round: E alpha dT / (1 - 2 nu) per unit area of face.
      const double E = 1000.0, nu = 0.25;
      Job job = SolidGrid(2, E, nu, [](int x, int y, int z) -> std::string {
        return (x == 1 && y == 1 && z == 1) ? "000000" : "111000";
      });
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      const double perArea = E * kAlphaT * kDeltaT / (1 - 2 * nu);
      double face = 0.0;
      for (int z = 0; z <= 2; z++)
        for (int y = 0; y <= 2; y++) face += r.R((z * 3 + y) * 3 + 3, 1);
      EXPECT_CLOSE(face, -4 * perArea, s, perArea);
      EXPECT_CLOSE(r.U(14, 1), 0.0, s, e);
    }
  }
}

// A temperature difference dT across a cantilever of depth h bends it to the curvature
// alpha dT / h: tip rotation alpha dT L / h, deflection alpha dT L^2 / (2 h), no reactions.
TEST_F(LinearStatic, DifferentialTemperatureBendsACantilever) {
  const double L = 3.0, h = 0.3, kappa = kAlphaT * kDeltaT / h;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = linmodel::Cantilever(3, L, 2e5, 0.01, 1e-4);
    SetMaterial(job, 2e5, 0.3);
    tw::LoadCase lc;
    for (int e = 1; e <= 3; e++) lc.blocks["<DIFFERENTIAL_TEMPERATURE_VARIATION>"].push_back(
        tw::DiffTemperatureVariation(e, 0, {kDeltaT}));
    job.model.loadCases = {lc};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    const double tip = r.U(4, 4);
    EXPECT_CLOSE(std::fabs(tip), kappa * L, s, kappa * L);
    for (int k = 1; k <= 3; k++) {
      const double x = L * k / 3;
      EXPECT_CLOSE(r.U(k + 1, 4), tip * x / L, s, kappa * L);
      EXPECT_CLOSE(r.U(k + 1, 3), tip * x * x / (2 * L), s, kappa * L * L);
    }
    for (int d = 2; d <= 4; d++) EXPECT_CLOSE(r.R(1, d), 0.0, s, 2e5 * 1e-4 * kappa);
  }
}
