// Runs of one job that meet: a second run of a job at work in the same directory, a run
// interrupted between its combinations and restarted, files an earlier run left behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

// A 1 x 1 x 1 hexahedron of Ottosen concrete (E 30000, fc 30) on rollers, shortened along
// x1 step by step to a strain of 0.0032, through its peak into softening: 32 converged
// combinations, each with its record of history data. Without `concrete` the cube keeps
// the linear material of HexaBar.
constexpr int kCombinations = 32;

Job ConcreteCube(bool concrete = true) {
  const int nx = 1;
  linmodel::LatticeJob lj = linmodel::HexaBar(8, nx, nx, 0.0, 0.0, 30000.0, 0.2, 0.0, false, [nx](int I, int J, int K) {
    return std::string(I == 0 || I == 2 * nx ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
  });
  Job j = lj.job;
  std::vector<tw::Rec> shortening;
  for (int J : {0, 2})
    for (int K : {0, 2}) shortening.push_back(tw::PrescribedDisplacement(lj.At(2 * nx, J, K), 1, -1.0 * nx));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, shortening)};
  if (!concrete) return j;
  tw::AddRecord(j.model, "<NLMM122>", tw::Rec().S("concrete").Ds({0.0, 0.0, 0.2, 30000.0, 30.0, 3.0, 0.0022, 0.3}));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, nx, 24, MAT_NLMM122, 1, 0, 0)};
  nonlinrun::Iterate(j.model.main, 1e-6, 100);
  std::vector<double> f;
  for (int k = 1; k <= kCombinations; k++) f.push_back(1e-4 * k);
  nonlinrun::Factors(j.model, f);
  return j;
}

std::string TextOf(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Waits until the text file holds a line for which `ready` says yes; false after a
// minute without one.
template <class Ready>
bool WaitFor(const std::string& path, Ready ready) {
  for (int k = 0; k < 60000; k++) {
    if (ready(TextOf(path))) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// The combination number of a "LAST_CONVERGED_COMBINATION = n ;" file (0 before).
int LastConverged(const std::string& text) {
  int n = 0;
  return std::sscanf(text.c_str(), "LAST_CONVERGED_COMBINATION = %d", &n) == 1 ? n : 0;
}

class JobRuns : public nonlinrun::RunFixture {
 protected:
  void Write(const Job& j, const std::string& name) const {
    tw::WriteDataFile(Path("", name), j.model);
    WriteTextFile(Path("_ctrl.dat", name), "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  }
  int StartJob(const std::string& name) const { return StartProgram(VOLDE_EXE, {name}, dir_, Path(".log", name)); }
};

const char* const kResultSuffixes[] = {"_dr.bin", "_if.bin", "_NLMM122_HD.bin", "_lcc.aux"};

}  // namespace

// A second run of a job at work stops at once with a message naming the job and the run
// that holds it; the first run's files come out equal to those of a run alone.
TEST_F(JobRuns, SecondRunOfAJobAtWorkStopsAndLeavesTheFirstIntact) {
  const Job j = ConcreteCube();
  Write(j, "job1");
  const int first = StartJob("job1");
  // Held still once it has its lock and a converged combination, so that the second run
  // meets it at work whatever the speed of the machine.
  ASSERT_TRUE(WaitFor(Path("_lcc.aux"), [](const std::string& t) { return LastConverged(t) >= 1; }));
  ASSERT_EQ(kill(first, SIGSTOP), 0);
  const ChildResult second = RunProgram(VOLDE_EXE, {"job1"}, dir_);
  ASSERT_EQ(kill(first, SIGCONT), 0);
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.err, "\nERROR:\nAnother run of job job1 is at work in this directory (process " +
                            std::to_string(first) +
                            "):\nit holds job1.lock. Wait until it ends, or stop it, and run the job again.\n\n");
  EXPECT_EQ(second.out.find("Reading file"), std::string::npos) << second.out;
  ASSERT_EQ(WaitProgram(first), 0) << TextOf(Path(".log"));

  // A name past the short-string length: its lock goes with its run too.
  const std::string alone = "run_alone_under_a_long_name";
  Write(j, alone);
  ASSERT_EQ(WaitProgram(StartJob(alone)), 0) << TextOf(Path(".log", alone));
  for (const char* suffix : kResultSuffixes) EXPECT_EQ(Bytes("job1", suffix), Bytes(alone, suffix)) << suffix;
  EXPECT_EQ(Results("job1", j.layout.nF, j.layout.nP).records.size(), static_cast<size_t>(kCombinations));
  // The lock goes with the run.
  EXPECT_FALSE(std::ifstream(Path(".lock")).good());
  EXPECT_FALSE(std::ifstream(Path(".lock", alone)).good());
}

// SIGINT in the middle of a run with its output redirected: the run ends after the
// combination in progress; its log holds every combination up to it and names it as
// the last converged one, which is the number of records on disk; the restart from it
// gives the uninterrupted run byte for byte.
TEST_F(JobRuns, InterruptedRunNamesItsLastCombinationAndRestartsFromIt) {
  Job j = ConcreteCube();
  Write(j, "job1");
  const int pid = StartJob("job1");
  ASSERT_TRUE(WaitFor(Path("_lcc.aux"), [](const std::string& t) { return LastConverged(t) >= 2; }));
  ASSERT_EQ(kill(pid, SIGINT), 0);
  EXPECT_EQ(WaitProgram(pid), 128 + SIGINT);

  const std::string log = TextOf(Path(".log"));
  const std::string named = "The last converged combination written is ";
  const size_t at = log.find(named);
  ASSERT_NE(at, std::string::npos) << log;
  const int last = std::atoi(log.c_str() + at + named.size());
  ASSERT_GE(last, 2);
  ASSERT_LT(last, kCombinations);
  EXPECT_NE(log.find("INTERRUPTED (SIGINT):\nThe last converged combination written is " + std::to_string(last) +
                     ": the result and history files of job job1\nhold combinations 1 to " + std::to_string(last) +
                     ".\nTo go on from it, set NUMBER_OF_COMBINATIONS_BEFORE_RESTART = " + std::to_string(last) +
                     " in <MAIN_PARAMETERS>\nof job1_gl.bin and run the job again.\n"),
            std::string::npos)
      << log;
  // The console output reached the log up to the last converged combination.
  EXPECT_NE(log.find("## Combination number = " + std::to_string(last) + "\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("## Combination number = " + std::to_string(last + 1) + "\n"), std::string::npos) << log;
  EXPECT_EQ(Results("job1", j.layout.nF, j.layout.nP).records.size(), static_cast<size_t>(last));
  EXPECT_EQ(LastConverged(TextOf(Path("_lcc.aux"))), last);

  j.model.main.nCombBeforeRestart = last;
  Write(j, "job1");
  ASSERT_EQ(WaitProgram(StartJob("job1")), 0) << TextOf(Path(".log"));
  j.model.main.nCombBeforeRestart = 0;
  Write(j, "fresh");
  ASSERT_EQ(WaitProgram(StartJob("fresh")), 0) << TextOf(Path(".log", "fresh"));
  for (const char* suffix : kResultSuffixes) EXPECT_EQ(Bytes("job1", suffix), Bytes("fresh", suffix)) << suffix;
}

// History files of models no longer in the job are named, and left as they are.
TEST_F(JobRuns, HistoryFilesOfAnEarlierModelAreNamed) {
  Job j = ConcreteCube();
  nonlinrun::Factors(j.model, {1e-4});
  WriteTextFile(Path("_NLMM121_HD.bin"), "an earlier run");
  WriteTextFile(Path("_NLSMM101_HD.bin"), "an earlier run");
  const ChildResult r = Start(j.model, "job1");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string warning = "\nWARNING:\nThese history files of an earlier run of job job1 are not rewritten by "
                              "this run:\n   job1_NLMM121_HD.bin\n   job1_NLSMM101_HD.bin\nThey do not belong to "
                              "its results; remove them to avoid mixing runs.\n";
  EXPECT_NE(r.err.find(warning), std::string::npos) << r.err;
  EXPECT_EQ(TextOf(Path("_NLMM121_HD.bin")), "an earlier run");
  // A linear run writes no history at all: every history file is an earlier run's.
  const ChildResult linear = Start(ConcreteCube(false).model, "job1");
  EXPECT_EQ(linear.status, 0) << linear.err;
  EXPECT_NE(linear.err.find("   job1_NLMM121_HD.bin\n   job1_NLMM122_HD.bin\n   job1_NLSMM101_HD.bin\n"),
            std::string::npos)
      << linear.err;
}
