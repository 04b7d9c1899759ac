// The ready jobs of examples/: their data files are the test-side writer's encoding of the
// models below. The files are checked against the encoding; with VOLDE_WRITE_EXAMPLES=1
// in the environment the test writes them anew instead:
//   VOLDE_WRITE_EXAMPLES=1 ./build/test/test_analysis --gtest_filter='Examples.*Current*'
// Each example also runs to success with the built program, in equilibrium.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "linear_model.h"
#include "support/datafile_writer.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

// Point-load record in the x2-x3 plane.
tw::Rec Load2D(int point, double f2, double f3) { return tw::PointLoad(point, {0.0, f2, f3, 0.0, 0.0, 0.0}); }

// Reinforced-concrete portal, columns 4 m, beam 6 m, members 0.3 x 0.5 m, four elements
// per member. Load case 1: 10 kN horizontal at the top of the left column; load case 2:
// 20 kN/m on the beam.
Job PortalExample() {
  Job j = linmodel::Portal(4, 4.0, 6.0, 30e9, 0.15, 0.3 * 0.5 * 0.5 * 0.5 / 12);
  j.model.main.title = "Portal frame: wind and roof load";
  j.model.blocks["<LINEAR_ISOTROPIC_MATERIALS>"][0] = tw::LinIsoMaterial("concrete", 0.0, 0.0, 30e9, 0.3);
  tw::LoadCase wind = linmodel::LoadCase({Load2D(5, 10e3, 0.0)});
  wind.title = "wind";
  std::vector<tw::Rec> roof;
  for (int e = 5; e <= 8; e++) roof.push_back(tw::EdgeLoad(e, 0, 0, 'G', 3, 1, {-20e3}));
  tw::LoadCase gravity = linmodel::LoadCase({}, roof);
  gravity.title = "roof load";
  j.model.loadCases = {wind, gravity};
  return j;
}

// Concrete wall 8 m long, 2 m deep, 0.3 m thick, clamped at one end, in 8 x 2 plane-stress
// quadrilaterals. Load case 1: 100 kN shear on the free end; load case 2: 200 kN tension.
Job WallExample() {
  Job j = linmodel::PlaneWall(8, 2, 8.0, 2.0, 30e9, 0.2, 0.3);
  j.model.main.title = "Plane-stress wall: end shear and tension";
  std::vector<tw::Rec> shear, tension;
  for (int e : {8, 16}) {
    shear.push_back(tw::EdgeLoad(e, 0, 2, 'G', 3, 1, {-50e3}));
    tension.push_back(tw::EdgeLoad(e, 0, 2, 'G', 2, 1, {100e3}));
  }
  j.model.loadCases = {linmodel::LoadCase({}, shear), linmodel::LoadCase({}, tension)};
  j.model.loadCases[0].title = "end shear";
  j.model.loadCases[1].title = "tension";
  return j;
}

// Steel Pratt truss, span 8 m in four panels, height 2 m, pinned and roller supports,
// 10 kN at each interior bottom joint.
Job TrussExample() {
  Job j;
  j.model.main.title = "Pratt truss: joint loads";
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0.0, 0.0, 200e9, 0.3));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("bar", 2e-3));
  for (int k = 0; k <= 4; k++)
    linmodel::AddPoint2D(j, 2.0 * k, 0.0, linmodel::kPlaneMask, k == 0 ? "011000" : k == 4 ? "001000" : "000000");
  for (int k = 1; k <= 3; k++) linmodel::AddPoint2D(j, 2.0 * k, 2.0, linmodel::kPlaneMask);
  const std::vector<std::vector<int32_t>> bars = {{1, 2}, {2, 3}, {3, 4}, {4, 5}, {6, 7}, {7, 8}, {1, 6},
                                                  {8, 5}, {2, 6}, {3, 7}, {4, 8}, {6, 3}, {8, 3}};
  for (const auto& b : bars) tw::AddElement(j.model, b);
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, static_cast<int32_t>(bars.size()), 1, 1, 1, 2, 1));
  j.model.loadCases = {linmodel::LoadCase({Load2D(2, 0.0, -10e3), Load2D(3, 0.0, -10e3), Load2D(4, 0.0, -10e3)})};
  j.model.loadCases[0].title = "joint loads";
  return j;
}

struct Example {
  std::string name;
  Job job;
};

std::vector<Example> Examples() {
  return {{"portal", PortalExample()}, {"truss", TrussExample()}, {"wall", WallExample()}};
}

std::string ExamplesDirectory() {
  return (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "examples").string();
}

// Sum of the reactions along dof d over every prescribed dof.
double ReactionSum(const resultfile::DisplReactRecord& r, const linmodel::Layout& l, int d) {
  double s = 0.0;
  for (int p = 1; p <= static_cast<int>(l.codes.size()); p++)
    if (l.Presc(p, d) >= 0) s += r.react[static_cast<size_t>(l.Presc(p, d))];
  return s;
}

}  // namespace

TEST(Examples, DataFilesAreCurrent) {
  const bool write = std::getenv("VOLDE_WRITE_EXAMPLES") != nullptr;
  for (const Example& ex : Examples()) {
    const std::string path = ExamplesDirectory() + "/" + ex.name + "_gl.bin";
    if (write) tw::WriteBytes(path, tw::EncodeDataFile(ex.job.model));
    EXPECT_EQ(resultfile::ReadFileBytes(path), tw::EncodeDataFile(ex.job.model))
        << path << " differs from its model: regenerate with VOLDE_WRITE_EXAMPLES=1";
  }
}

// Each example runs to success; the reactions balance the applied loads of every load
// case.
TEST(Examples, RunInEquilibrium) {
  struct Balance {
    std::string name;
    int lc;
    double applied2, applied3;  // sum of the applied forces along x2 and x3
  };
  const Balance balances[] = {{"portal", 1, 10e3, 0.0}, {"portal", 2, 0.0, -120e3}, {"truss", 1, 0.0, -30e3},
                              {"wall", 1, 0.0, -100e3}, {"wall", 2, 200e3, 0.0}};
  const std::string dir = MakeScratchDirectory();
  for (const Example& ex : Examples()) {
    SCOPED_TRACE(ex.name);
    const std::string job = ex.name;
    tw::WriteBytes(dir + "/" + job + "_gl.bin", resultfile::ReadFileBytes(ExamplesDirectory() + "/" + job + "_gl.bin"));
    ChildResult r = RunProgram(VOLDE_EXE, {job}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("### Success ###"), std::string::npos);
    const linmodel::Layout& l = ex.job.layout;
    resultfile::DisplReactFile dr = resultfile::ReadDisplReact(dir + "/" + job + "_dr.bin", l.nF, l.nP);
    EXPECT_EQ(dr.error, "");
    EXPECT_TRUE(dr.closed);
    ASSERT_EQ(dr.records.size(), ex.job.model.loadCases.size());
    for (const Balance& b : balances) {
      if (b.name != ex.name) continue;
      const resultfile::DisplReactRecord& rec = dr.records[static_cast<size_t>(b.lc - 1)];
      const double scale = std::fabs(b.applied2) + std::fabs(b.applied3);
      EXPECT_NEAR(ReactionSum(rec, l, 2), -b.applied2, 1e-9 * scale) << "load case " << b.lc;
      EXPECT_NEAR(ReactionSum(rec, l, 3), -b.applied3, 1e-9 * scale) << "load case " << b.lc;
    }
  }
  RemoveDirectory(dir);
}

namespace {

// The first ```python block of a Markdown file.
std::string PythonBlock(const std::string& path) {
  const std::vector<uint8_t> bytes = resultfile::ReadFileBytes(path);
  const std::string text(bytes.begin(), bytes.end());
  const std::string open = "```python\n";
  const size_t start = text.find(open);
  if (start == std::string::npos) return "";
  const size_t end = text.find("```", start + open.size());
  return end == std::string::npos ? "" : text.substr(start + open.size(), end - start - open.size());
}

std::string Line(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Line(const char* format, ...) {
  char buf[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

}  // namespace

// The Python reader of docs/result-files.md, run on the results of the portal example,
// prints every displacement and reaction that the test-side reader reads, to the last bit.
TEST(Examples, PythonReaderOfTheDocsReadsWhatTheTestReaderReads) {
  const std::string python = FindPython3();
  if (python.empty()) GTEST_SKIP() << "python3 is not installed";
  const std::string docs = ExamplesDirectory() + "/../docs/result-files.md";
  const std::string script = PythonBlock(docs);
  ASSERT_NE(script, "") << docs;
  const std::string dir = MakeScratchDirectory();
  tw::WriteBytes(dir + "/portal_gl.bin", resultfile::ReadFileBytes(ExamplesDirectory() + "/portal_gl.bin"));
  WriteTextFile(dir + "/read_dr.py", script);
  ASSERT_EQ(RunProgram(VOLDE_EXE, {"portal"}, dir).status, 0);
  const ChildResult py = RunProgram(python, {"read_dr.py", "portal"}, dir);
  ASSERT_EQ(py.status, 0) << py.err;

  const Job portal = PortalExample();
  const linmodel::Layout& l = portal.layout;
  const resultfile::DisplReactFile dr = resultfile::ReadDisplReact(dir + "/portal_dr.bin", l.nF, l.nP);
  ASSERT_EQ(dr.error, "");
  ASSERT_EQ(dr.records.size(), 2u);
  const char* const names[] = {"", "u1", "u2", "u3", "r1", "r2", "r3"};
  std::string expected;
  for (const resultfile::DisplReactRecord& rec : dr.records) {
    expected += Line("record %d\n", rec.id);
    for (int p = 1; p <= static_cast<int>(l.codes.size()); p++)
      for (int d = 1; d <= 6; d++) {
        if (l.Free(p, d) >= 0) expected += Line("%d %s %.17g\n", p, names[d], rec.free[static_cast<size_t>(l.Free(p, d))]);
        if (l.Presc(p, d) >= 0)
          expected += Line("%d %s %.17g reaction %.17g\n", p, names[d], rec.presc[static_cast<size_t>(l.Presc(p, d))],
                           rec.react[static_cast<size_t>(l.Presc(p, d))]);
      }
  }
  EXPECT_EQ(py.out, expected);
  // The sample output of the page: the lines it shows are lines of the output.
  const std::vector<uint8_t> page = resultfile::ReadFileBytes(docs);
  const std::string text(page.begin(), page.end());
  const size_t sample = text.find("```\nrecord 1\n");
  ASSERT_NE(sample, std::string::npos);
  const std::string shown = text.substr(sample + 4, text.find("```", sample + 4) - sample - 4);
  size_t start = 0;
  for (size_t end = shown.find('\n'); end != std::string::npos; start = end + 1, end = shown.find('\n', start)) {
    const std::string line = shown.substr(start, end - start);
    if (line != "...") {
      EXPECT_NE(("\n" + py.out).find("\n" + line + "\n"), std::string::npos) << line;
    }
  }
  RemoveDirectory(dir);
}

// The result reader of the docs (docs/volde_results.py) rebuilds the dof numbering from
// the data file of every example and prints each record of _dr.bin per point and
// direction: the same numbers, dof for dof, as the test-side reader with the layout the
// test-side writer knows.
TEST(Examples, DocsResultReaderRebuildsTheDofMapOfEveryExample) {
  const std::string python = FindPython3();
  if (python.empty()) GTEST_SKIP() << "python3 is not installed";
  const std::string dir = MakeScratchDirectory();
  const char* const names[] = {"", "u1", "u2", "u3", "r1", "r2", "r3"};
  for (const Example& ex : Examples()) {
    SCOPED_TRACE(ex.name);
    tw::WriteBytes(dir + "/" + ex.name + "_gl.bin",
                   resultfile::ReadFileBytes(ExamplesDirectory() + "/" + ex.name + "_gl.bin"));
    ASSERT_EQ(RunProgram(VOLDE_EXE, {ex.name}, dir).status, 0);
    const ChildResult py = RunProgram(python, {DocsPath("volde_results.py"), ex.name}, dir);
    ASSERT_EQ(py.status, 0) << py.err;
    const linmodel::Layout& l = ex.job.layout;
    const resultfile::DisplReactFile dr = resultfile::ReadDisplReact(dir + "/" + ex.name + "_dr.bin", l.nF, l.nP);
    ASSERT_EQ(dr.error, "");
    ASSERT_FALSE(dr.records.empty());
    std::string expected;
    for (const resultfile::DisplReactRecord& rec : dr.records) {
      expected += ex.name + Line("_dr.bin record %d\n", rec.id);
      for (int p = 1; p <= static_cast<int>(l.codes.size()); p++)
        for (int d = 1; d <= 6; d++) {
          if (l.Free(p, d) >= 0) expected += Line("%d %s %.17g\n", p, names[d], rec.free[static_cast<size_t>(l.Free(p, d))]);
          if (l.Presc(p, d) >= 0)
            expected += Line("%d %s %.17g reaction %.17g\n", p, names[d], rec.presc[static_cast<size_t>(l.Presc(p, d))],
                             rec.react[static_cast<size_t>(l.Presc(p, d))]);
        }
    }
    EXPECT_EQ(py.out, expected);
  }
  RemoveDirectory(dir);
}

// The Python writer of the docs (docs/volde_writer.py, used by docs/example_models.py)
// writes every example job byte for byte as the test-side writer does.
TEST(Examples, DocsWriterWritesEveryExampleAsTheTestWriter) {
  const std::string python = FindPython3();
  if (python.empty()) GTEST_SKIP() << "python3 is not installed";
  const std::string dir = MakeScratchDirectory();
  const ChildResult py = RunProgram(python, {DocsPath("example_models.py")}, dir);
  ASSERT_EQ(py.status, 0) << py.err;
  for (const Example& ex : Examples())
    EXPECT_EQ(resultfile::ReadFileBytes(dir + "/" + ex.name + "_gl.bin"), tw::EncodeDataFile(ex.job.model)) << ex.name;
  RemoveDirectory(dir);
}
