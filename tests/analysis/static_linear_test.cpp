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
#include "static_run.h"
#include "support/testfiles.h"

namespace tw = testmodel;
using linmodel::Job;
using linmodel::Layout;
using staticrun::kGauss;
using staticrun::kJPCG;
using staticrun::kSolvers;
using staticrun::Outcome;
using staticrun::Record;
using staticrun::Solver;

namespace {

class LinearStatic : public staticrun::LinearStaticRun {};

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
  const long closeAt = static_cast<long>(bytes.size()) - 28;  // "</VOLDE_DATA_FILE_V4.0>": 4 + 23 + 1 bytes
  EXPECT_EQ(r.err, "\nERROR:\n" + InvalidFileMessageAt("job1_gl.bin", closeAt, "</VOLDE_DATA_FILE_V4.0>") + "\n\n");
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

// A coplanar shell point has its rotations in its own axes, a frame point in the global
// axes: linking their rotations would equate unlike components (the answer would depend
// on the orientation of the model). Such a link is refused; their translations may be
// linked.
TEST_F(LinearStatic, RotationLinkBetweenACoplanarShellPointAndAGeneralPointIsRefused) {
  auto model = [](const std::string& linked) {
    Job job;
    tw::AddRecord(job.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0.0, 0.0, 2e11, 0.3));
    tw::AddRecord(job.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("plate", 0.01));
    tw::AddRecord(job.model, "<FRAME_3D_CROSS_SECTIONS>",
                  tw::Frame3DSection("beam", {0.01, 0, 0, 2e-4, 1e-4, 2e-4, 0, 0, 0.3, 0.5, 0}));
    linmodel::AddPoint3D(job, 0.0, 0.0, 0.0, "111111", "111111");
    linmodel::AddPoint3D(job, 1.0, 0.0, 0.0, "111111");
    linmodel::AddPoint3D(job, 1.0, 1.0, 0.0, "111111");
    linmodel::AddPoint3D(job, 0.0, 1.0, 0.0, "111111", "111111");
    linmodel::AddPoint3D(job, 1.0, 1.0, 0.0, "111111");  // the frame's end at point 3
    linmodel::AddPoint3D(job, 2.0, 1.0, 0.0, "111111", "111111");
    tw::AddElement(job.model, {1, 2, 3, 4});
    tw::AddElement(job.model, {5, 6});
    tw::AddRecord(job.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 20, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
    tw::AddRecord(job.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(2, 2, 4, MAT_LIN_ISO, 1, GEOM_CS_3D, 1));
    tw::AddRecord(job.model, "<INTERNAL_POINT_LINKS>", tw::PointLink(5, 3, linked));
    job.model.loadCases = {linmodel::LoadCase({tw::PointLoad(2, {0, 0, -100.0, 0, 0, 0})})};
    return job;
  };
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Outcome o = Run(model("000110"), s);
    EXPECT_EQ(o.run.status, 1);
    EXPECT_NE(o.run.err.find("   -> Point M (Master): 5\n   -> Point S (Slave): 3\n"), std::string::npos) << o.run.err;
    EXPECT_NE(o.run.err.find("ERROR:\nThe rotations of a coplanar shell point are in the point's own axes and\n"
                             "those of the other point in the global axes: rotation degrees of freedom\n"
                             "cannot be linked between these points.\n"),
              std::string::npos)
        << o.run.err;
    ExpectSound(Run(model("111000"), s), s, 1);
  }
}
