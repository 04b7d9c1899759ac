// Springs in materially nonlinear runs, end to end: a one-sided soil spring loaded,
// unloaded and lifted off with both solvers and restarted, a table-law link between two
// bars converging quadratically through its coupling tangent, a linear link, and a
// block pressed into a table-law bed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "static_run.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"

namespace tw = testmodel;
using linmodel::Job;
using nonlinrun::Outcome;
using staticrun::kSolvers;
using staticrun::Record;
using staticrun::Solver;

namespace {

// Combination k takes load case 1 times factors[k].
void MakeNonlinear(Job& j, const std::vector<double>& factors) {
  tw::MainParams& m = j.model.main;
  m.materNonlinear = 1;
  m.convergenceCriterion = 2;
  m.tolerance = 1e-9;
  m.maxIterations = 10;
  nonlinrun::Factors(j.model, factors);
}

// Truss3D bars of EA/L = EA over unit length along x1: (from, to) pairs of points.
void AddBars(Job& j, double EA, const std::vector<std::array<int, 2>>& bars) {
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("bar", 0.0, 0.0, EA, 0.0));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("unit", 1.0));
  for (const auto& b : bars) tw::AddElement(j.model, {b[0], b[1]});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, static_cast<int>(bars.size()), _TRUSS_3D, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
}

// A bar of EA/L = 1000 along x1 from a support (point 1) to its free end B (point 2), a
// spring of the law `law` (block `block`, kind `kind`) at B along the bar, acting while
// u <= 0, and load case 1 a unit force along x1 at B taken by the factors `loads`.
Job SpringAtBarEnd(const char* block, int kind, const tw::Rec& law, const std::vector<double>& loads) {
  Job job;
  linmodel::AddPoint3D(job, 0, 0, 0, linmodel::kSpaceMask, "111000");
  linmodel::AddPoint3D(job, 1, 0, 0, linmodel::kSpaceMask, "011000");
  AddBars(job, 1000.0, {{1, 2}});
  tw::AddRecord(job.model, block, law);
  tw::AddRecord(job.model, "<POINT_SPRINGS>", tw::PointSpring(2, 'G', 1, 1, kind, 1, 2));
  job.model.loadCases = {linmodel::LoadCase({tw::PointLoad(2, {1, 0, 0, 0, 0, 0})})};
  MakeNonlinear(job, loads);
  return job;
}

// Bars P1-A and P3-B along x1, supported at P1 and P3, free ends A = P2 and B = P4 one
// unit apart, the loads at A.
Job TwoBars(double EA) {
  Job job;
  linmodel::AddPoint3D(job, 0, 0, 0, linmodel::kSpaceMask, "111000");
  linmodel::AddPoint3D(job, 1, 0, 0, linmodel::kSpaceMask, "011000");
  linmodel::AddPoint3D(job, 3, 0, 0, linmodel::kSpaceMask, "111000");
  linmodel::AddPoint3D(job, 2, 0, 0, linmodel::kSpaceMask, "011000");
  AddBars(job, EA, {{1, 2}, {3, 4}});
  job.model.loadCases = {linmodel::LoadCase({tw::PointLoad(2, {1, 0, 0, 0, 0, 0})})};
  return job;
}

tw::Rec TableLaw(int mapping) {
  return tw::Rec().S("table").I(mapping).I(3).D(0.001).D(5).D(0.003).D(9).D(0.005).D(7);
}

tw::Rec SpringLink(int target, int ref, int kind) {
  return tw::Rec().I(0).I(0).I(0).I(target).I(ref).C('G').I(1).C(1).I(kind).I(1);
}

// The records of every block of a spring history file: per block (state, d_last, F, d_max)
// of each record, after checking that each block's leading offset is where the next
// block starts.
struct SpringRecord {
  int32_t state;
  double dLast, F, dMax;
};
std::vector<std::vector<SpringRecord>> ReadSpringHistory(const std::string& path, const char* tag, int nRecords) {
  const std::vector<uint8_t> b = resultfile::ReadFileBytes(path);
  resultfile::Cursor c{b, 0, ""};
  std::vector<std::vector<SpringRecord>> blocks;
  EXPECT_EQ(c.Str("heading"), "<HISTORICAL_DATA_OF_NONLINEAR_SPRING_MATERIAL_MODEL>");
  // The run closes the file with the heading's closing tag.
  const std::string closing = "</HISTORICAL_DATA_OF_NONLINEAR_SPRING_MATERIAL_MODEL>";
  const size_t limit = b.size() - (4 + closing.size() + 1);
  resultfile::Cursor tail{b, limit, ""};
  EXPECT_EQ(tail.Str("closing tag"), closing);
  while (c.error.empty() && c.pos < limit) {
    const size_t end = static_cast<size_t>(c.I32("block end"));
    EXPECT_EQ(c.Str("block tag"), tag);
    std::vector<SpringRecord> recs;
    for (int r = 0; r < nRecords; r++) {
      SpringRecord rec;
      rec.state = c.I32("spring record");
      rec.dLast = c.F64("spring record");
      rec.F = c.F64("spring record");
      rec.dMax = c.F64("spring record");
      recs.push_back(rec);
    }
    EXPECT_EQ(end, c.pos) << "block " << blocks.size() + 1;
    blocks.push_back(recs);
    c.pos = end;
  }
  EXPECT_EQ(c.error, "") << path;
  return blocks;
}

class NonlinearSprings : public nonlinrun::RunFixture {
 protected:
  Outcome Run(Job job, const Solver& s, const std::string& name = "job1") {
    job.model.main.storageTechnique = s.storage;
    job.model.main.linEqAlgorithm = s.algorithm;
    return RunOutcome(job.model, job.layout.nF, job.layout.nP, name);
  }

  static void ExpectSuccess(const Outcome& o, size_t n) {
    EXPECT_EQ(o.run.status, 0) << o.run.err;
    EXPECT_EQ(o.dr.records.size(), n) << o.dr.error;
    EXPECT_EQ(o.iff.records.size(), n) << o.iff.error;
    EXPECT_EQ(o.ep.entries.size(), n) << o.ep.error;
  }
};

// A bar of EA/L = 1000 from a support to B, an _NLSMM101 spring at B along the bar
// (k = 1000, Fp = 10, a = 1, acting while u <= 0) and F = -10, -40, -32, -15 at B:
// 1000 u + F_s(u) = F gives u = -0.005 (F_s = -5, on the rise), -0.03 (the plateau,
// -10), -0.026 (unloading on 1000 (u + 0.02), -6) and -0.015 (lifted off, 0). The
// internal forces at B balance the load. Restarted after combination 2, the run writes
// the displacement and spring history files of the uninterrupted run byte for byte.
TEST_F(NonlinearSprings, SoilSpringLoadedUnloadedAndRestarted) {
  const double u[] = {-0.005, -0.03, -0.026, -0.015};
  const double Fs[] = {-5, -10, -6, 0};
  const int states[] = {1, 1, 2, 2};
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    const std::vector<double> loads = {-10, -40, -32, -15};
    Job job = SpringAtBarEnd("<NLSMM101>", SPRMAT_NLSMM101, tw::Rec().S("soil").D(1000).D(10).D(1).I(2), loads);
    const Outcome fresh = Run(job, s, "fresh");
    ExpectSuccess(fresh, 4);
    if (fresh.dr.records.size() != 4 || fresh.iff.records.size() != 4) continue;
    const auto hist = ReadSpringHistory(Path("_NLSMM101_HD.bin", "fresh"), "<NLSMM101_HD>", 1);
    ASSERT_EQ(hist.size(), 4u);
    for (size_t c = 0; c < 4; c++) {
      SCOPED_TRACE(testing::Message() << "combination " << c + 1);
      const Record r{fresh.dr.records[c], job.layout};
      EXPECT_NEAR(r.U(2, 1), u[c], 1e-9);
      EXPECT_NEAR(r.R(1, 1), -1000 * u[c], 1e-6);
      EXPECT_NEAR(fresh.iff.records[c].free.at(static_cast<size_t>(job.layout.Free(2, 1))), loads[c], 1e-6);
      EXPECT_NEAR(hist[c][0].F, Fs[c], 1e-6);
      EXPECT_EQ(hist[c][0].state, states[c]);
      EXPECT_NEAR(hist[c][0].dMax, c == 0 ? -0.005 : -0.03, 1e-9);
    }
    ExpectSuccess(Run(job, s), 4);
    job.model.main.nCombBeforeRestart = 2;
    ExpectSuccess(Run(job, s), 4);
    ExpectSameFiles("job1", "fresh", {"_dr.bin", "_NLSMM101_HD.bin"});
  }
}

// Two bars of EA/L = 1000 with free ends A and B tied by an _NLSMM103 link (table
// (0.001, 5), (0.003, 9), (0.005, 7), both sides), F = 20 at A: 1000 d + 2 T(d) = 20
// gives d = u_A - u_B = 0.0028, T = 8.6, u_A = 0.0114, u_B = 0.0086, in at most three
// full Newton-Raphson iterations (the link's coupling tangent makes the iteration
// exact on each segment). F = -10 then gives d = -10/11000 on the first segment.
TEST_F(NonlinearSprings, TableLinkBetweenTwoBars) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = TwoBars(1000.0);
    tw::AddRecord(job.model, "<NLSMM103>", TableLaw(0));
    tw::AddRecord(job.model, "<INTERNAL_POINT_SPRING_LINKS>", SpringLink(2, 4, SPRMAT_NLSMM103));
    MakeNonlinear(job, {20, -10});
    const Outcome o = Run(job, s);
    ExpectSuccess(o, 2);
    if (o.dr.records.size() != 2 || o.ep.entries.size() != 2) continue;
    const Record r1{o.dr.records[0], job.layout}, r2{o.dr.records[1], job.layout};
    EXPECT_NEAR(r1.U(2, 1), 0.0114, 1e-9);
    EXPECT_NEAR(r1.U(4, 1), 0.0086, 1e-9);
    EXPECT_LE(o.ep.entries[0].nIterations, 3);
    const double d = -10.0 / 11000.0;
    EXPECT_NEAR(r2.U(2, 1) - r2.U(4, 1), d, 1e-9);
    EXPECT_NEAR(r2.U(2, 1) + r2.U(4, 1), -0.01, 1e-9);
    EXPECT_NEAR(r2.R(3, 1), -1000.0 * r2.U(4, 1), 1e-6);
  }
}

// A linear link in a nonlinear run: bars EA/L = 1, link k = 1, F = 1 at A gives the
// linear run's u_A = 2/3, u_B = 1/3 at once; the link's internal forces at A and B
// (+1/3 and -1/3) close the balance of each free end.
TEST_F(NonlinearSprings, LinearLinkInANonlinearRun) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = TwoBars(1.0);
    tw::AddRecord(job.model, "<LINEAR_SPRING_MATERIALS>", tw::Rec().S("k").D(1.0));
    tw::AddRecord(job.model, "<INTERNAL_POINT_SPRING_LINKS>", SpringLink(2, 4, SPRMAT_LIN_SPRING));
    MakeNonlinear(job, {1});
    const Outcome o = Run(job, s);
    ExpectSuccess(o, 1);
    if (o.dr.records.empty() || o.iff.records.empty()) continue;
    const Record r{o.dr.records[0], job.layout};
    EXPECT_NEAR(r.U(2, 1), 2.0 / 3.0, 1e-9);
    EXPECT_NEAR(r.U(4, 1), 1.0 / 3.0, 1e-9);
    const std::vector<double>& f = o.iff.records[0].free;
    EXPECT_NEAR(f.at(static_cast<size_t>(job.layout.Free(2, 1))), 1.0, 1e-9);
    EXPECT_NEAR(f.at(static_cast<size_t>(job.layout.Free(4, 1))), 0.0, 1e-9);
    EXPECT_EQ(o.ep.entries[0].nIterations, 1);
  }
}

// One stiff hexahedron (E = 1e9) on lateral rollers resting on an _NLSMM103 bed under its
// bottom face (direction normal to the face), its top pushed down by 0.0005, 0.002,
// 0.004, 0.01: the top reactions sum to the table's 2.5, 7, 8, 7 times the unit area,
// loading along the falling segment and unloading back onto the same curve.
TEST_F(NonlinearSprings, BlockPressedIntoATableBed) {
  const double settle[] = {0.0005, 0.002, 0.004, 0.01};
  const double bed[] = {2.5, 7, 8, 7};
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job;
    const double xy[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const char* fix : {"110000", "111000"})
      for (const auto& c : xy) linmodel::AddPoint3D(job, c[0], c[1], fix[2] == '1' ? 1.0 : 0.0, "111000", fix);
    tw::AddRecord(job.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("block", 0.0, 0.0, 1e9, 0.0));
    tw::AddElement(job.model, {1, 2, 3, 4, 5, 6, 7, 8});
    tw::AddRecord(job.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, _SOLID_HEXA, MAT_LIN_ISO, 1, 0, 0));
    tw::AddRecord(job.model, "<NLSMM103>", TableLaw(0));
    tw::AddRecord(job.model, "<SURFACE_SPRINGS>",
                  tw::Rec().I(0).I(0).I(0).I(1).I(1).C('E').I(3).C(1).C(1).C(0).C(SPRMAT_NLSMM103).IList({1}));
    std::vector<tw::Rec> push;
    for (int t = 5; t <= 8; t++) push.push_back(tw::PrescribedDisplacement(t, 3, -1.0));
    job.model.loadCases = {linmodel::LoadCase({}, {}, push)};
    MakeNonlinear(job, {settle[0], settle[1], settle[2], settle[3]});
    const Outcome o = Run(job, s);
    ExpectSuccess(o, 4);
    for (size_t c = 0; c < o.dr.records.size() && c < 4; c++) {
      const Record r{o.dr.records[c], job.layout};
      double top = 0.0;
      for (int t = 5; t <= 8; t++) top += r.R(t, 3);
      EXPECT_NEAR(top, -bed[c], 1e-4 * bed[c]) << "settlement " << settle[c];
      for (int b = 1; b <= 4; b++) EXPECT_NEAR(r.U(b, 3), -settle[c], 1e-7) << "bottom point " << b;
    }
  }
}

}  // namespace

// The bar of the soil-spring test with an _NLSMM102 spring at B (d1 0.01, F1 20; d2
// 0.03, F2 30; power branch to F3 10 at d3 0.06; acting while u <= 0; unloading
// stiffness 2000) and F = -10, -45, -35, -5, -50 at B: 1000 u + F_s(u) = F gives
// u = -1/300 (first branch, F_s = -20/3), -0.02 (second branch, -25), -0.05/3 (unloading
// towards the residual 0.0075, -55/3), -0.005 (below the residual: no spring force) and
// -0.07/3 (back on the second branch beyond the largest, -80/3, through the power branch
// in the iterations).
TEST_F(NonlinearSprings, MultilinearSpringLoadedUnloadedAndReloaded) {
  const double u[] = {-1.0 / 300.0, -0.02, -0.05 / 3.0, -0.005, -0.07 / 3.0};
  const double Fs[] = {-20.0 / 3.0, -25.0, -55.0 / 3.0, 0.0, -80.0 / 3.0};
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    const std::vector<double> loads = {-10, -45, -35, -5, -50};
    const Job job = SpringAtBarEnd("<NLSMM102>", SPRMAT_NLSMM102,
                                   tw::Rec().S("pile").I(1).Ds({0.01, 20, 0.03, 30, 0.06, 10, 2}), loads);
    const Outcome o = Run(job, s, "pile");
    ExpectSuccess(o, 5);
    if (o.dr.records.size() != 5) continue;
    const auto hist = ReadSpringHistory(Path("_NLSMM102_HD.bin", "pile"), "<NLSMM102_HD>", 1);
    ASSERT_EQ(hist.size(), 5u);
    for (size_t c = 0; c < 5; c++) {
      SCOPED_TRACE(testing::Message() << "combination " << c + 1);
      const Record r{o.dr.records[c], job.layout};
      EXPECT_NEAR(r.U(2, 1), u[c], 1e-9);
      EXPECT_NEAR(r.R(1, 1), -1000 * u[c], 1e-6);
      EXPECT_NEAR(hist[c][0].F, Fs[c], 1e-6);
    }
  }
}
