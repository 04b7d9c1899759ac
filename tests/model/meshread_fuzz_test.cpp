// Damaged data files: a small valid file cut at every length, and with single bytes of
// its counts and string lengths flipped, must each end in a fatal message (status 1)
// without a sanitizer report.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "full_model.h"
#include "read_all.h"
#include "support/datafile_writer.h"
#include "support/testfiles.h"

using testmodel::Model;
using testmodel::Rec;

// The children stop on purpose in the middle of reading; what they hold then is not a
// leak, so the leak check is skipped in them (it would dominate the test's time).
static bool inReaderChild = false;
extern "C" int __lsan_is_turned_off() { return inReaderChild ? 1 : 0; }

namespace {

Model SmallModel() {
  Model m;
  int p1 = testmodel::AddPoint(m, 0, 0, 0);
  int p2 = testmodel::AddPoint(m, 1, 0, 0);
  int p3 = testmodel::AddPoint(m, 1, 1, 0);
  testmodel::AddElement(m, {p1, p2});
  testmodel::AddElement(m, {p2, p3});
  testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("steel", 7.85e-9, 1.2e-5, 2.1e5, 0.3));
  testmodel::AddRecord(m, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("bar", 100.0));
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 2, 2, 1, 1, 2, 1));
  testmodel::AddRecord(m, "<SUPPORTS>", testmodel::Support(p1, "111111"));
  testmodel::LoadCase lc;
  lc.blocks["<POINT_LOADS>"].push_back(testmodel::PointLoad(p3, {0, 0, -10, 0, 0, 0}));
  lc.blocks["<TEMPERATURE_VARIATION>"].push_back(Rec().I(1).DList({5.0, 6.0}));
  m.loadCases.push_back(lc);
  testmodel::Combination c;
  c.factors = {{1, 1.5}};
  m.combinations.push_back(c);
  return m;
}

// Runs ReadWholeDataFile on the bytes in a child process; returns "" when the child
// ended as a damaged file must end, else what went wrong.
std::string ReadInChild(const std::string& job, const std::vector<uint8_t>& bytes) {
  testmodel::WriteBytes(job + "_gl.bin", bytes);
  int pipefd[2];
  if (pipe(pipefd) != 0) return "pipe failed";
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    inReaderChild = true;
    close(pipefd[0]);
    dup2(pipefd[1], 2);
    dup2(pipefd[1], 1);
    ReadWholeDataFile(job);
    _exit(0);
  }
  close(pipefd[1]);
  std::string err;
  char buf[4096];
  ssize_t n;
  while ((n = read(pipefd[0], buf, sizeof buf)) > 0) err.append(buf, static_cast<size_t>(n));
  close(pipefd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 1) return "status " + std::to_string(status) + ": " + err;
  if (err.find("\nERROR:\n") == std::string::npos || err.find("Sanitizer") != std::string::npos ||
      err.find("runtime error") != std::string::npos || err.find("INTERNAL ERROR") != std::string::npos)
    return err;
  return "";
}

}  // namespace

// The cut lengths are split into four slices so that the test runner can run them side
// by side.
class DamagedDataFileCut : public testing::TestWithParam<int> {};

TEST_P(DamagedDataFileCut, EveryCutEndsInAFatalMessage) {
  std::string job = TestJobName();
  std::vector<uint8_t> bytes = testmodel::EncodeDataFile(SmallModel());
  testmodel::WriteBytes(job + "_gl.bin", bytes);
  ReadWholeDataFile(job);  // the whole file is valid
  const int slices = 4, slice = GetParam();
  for (size_t len = static_cast<size_t>(slice); len < bytes.size(); len += slices) {
    std::string fault = ReadInChild(job, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(len)));
    ASSERT_EQ(fault, "") << "cut at " << len << " of " << bytes.size();
  }
}

INSTANTIATE_TEST_SUITE_P(Slices, DamagedDataFileCut, testing::Values(0, 1, 2, 3));

// Flips in the counts and lengths of the model with records in every block, in two
// slices.
class DamagedDataFileFlip : public testing::TestWithParam<int> {};

TEST_P(DamagedDataFileFlip, FlippedCountsAndLengthsEndInAFatalMessage) {
  std::string job = TestJobName();
  std::vector<size_t> offsets;
  std::vector<uint8_t> bytes = testmodel::EncodeDataFile(fullmodel::Build(), &offsets);
  ASSERT_GT(offsets.size(), 200u);
  // Low bit (one more or one less), a large count, a negative count.
  const int flips[][2] = {{0, 0x01}, {1, 0x10}, {2, 0x40}, {3, 0x80}};
  for (size_t i = static_cast<size_t>(GetParam()); i < offsets.size(); i += 2)
    for (const auto& f : flips) {
      std::vector<uint8_t> damaged(bytes);
      size_t at = offsets[i] + static_cast<size_t>(f[0]);
      damaged[at] ^= static_cast<uint8_t>(f[1]);
      std::string fault = ReadInChild(job, damaged);
      ASSERT_EQ(fault, "") << "byte " << at << " flipped by " << f[1];
    }
}

INSTANTIATE_TEST_SUITE_P(Slices, DamagedDataFileFlip, testing::Values(0, 1));
