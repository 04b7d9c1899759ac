// The program run end to end: the built program is started as a child process in a
// scratch directory, with data files written by the test-side writer.
#include "analysis/entry.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "model/fileio.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/process.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace {

const char* const kNotAvailable =
    "\nERROR:\nThe selected type of analysis is not available yet.\n"
    "Please change the options in the <MAIN_PARAMETERS> block.\n\n";

std::string Error(const std::string& msg) { return "\nERROR:\n" + msg + "\n\n"; }

// A scratch directory per test, removed afterwards.
class ProgramRun : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }

  ChildResult Run(const std::vector<std::string>& args, const std::string& input = "") {
    return RunProgram(VOLDE_EXE, args, dir_, input);
  }
  // job1_gl.bin with the given model, and an output-control file with every option off.
  void WriteJob(const testmodel::Model& m) {
    testmodel::WriteDataFile(dir_ + "/job1", m);
    WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  }
  std::string dir_;
};

struct Options {
  int type;
  int mater, geom;
  int storage, algorithm;
};

testmodel::Model ModelWith(const Options& o) {
  testmodel::Model m;
  m.main.analysisType = o.type;
  m.main.materNonlinear = static_cast<int8_t>(o.mater);
  m.main.geomNonlinear = static_cast<int8_t>(o.geom);
  m.main.storageTechnique = o.storage;
  m.main.linEqAlgorithm = o.algorithm;
  return m;
}

std::string Describe(const Options& o) {
  return "type " + std::to_string(o.type) + " flags " + std::to_string(o.mater) + "/" +
         std::to_string(o.geom) + " storage/algorithm " + std::to_string(o.storage) + "/" +
         std::to_string(o.algorithm);
}

}  // namespace

// ---- command line ----------------------------------------------------------------------

TEST_F(ProgramRun, OneArgumentIsTheJobName) {
  ChildResult r = Run({"job1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\nJob name = job1\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Job name ? "), std::string::npos);
  // No data file: the open failure alone, before the missing control file is mentioned.
  EXPECT_EQ(r.err, Error("The following input file could not be opened:\njob1_gl.bin"));
  EXPECT_EQ(ListDirectory(dir_), std::vector<std::string>{});
}

TEST_F(ProgramRun, NoArgumentAsksForTheJobName) {
  ChildResult r = Run({}, "bad*name\njob1\n");
  EXPECT_EQ(r.status, 1);
  size_t first = r.out.find("Job name ? ");
  ASSERT_NE(first, std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ERROR: repeat answer ...", first), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Job name ? ", first + 1), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("You answered: job1"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find(Error("The following input file could not be opened:\njob1_gl.bin")),
            std::string::npos)
      << r.err;
}

TEST_F(ProgramRun, TwoArgumentsAreAUsageErrorBeforeAnyFile) {
  testmodel::Model m;
  WriteJob(m);  // a sound job is there, yet nothing is opened
  ChildResult r = Run({"job1", "job2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Error("Usage: volde jobname"));
  EXPECT_EQ(r.out.find("Job name"), std::string::npos);
  EXPECT_EQ(r.out.find("Reading file"), std::string::npos);
  EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"job1_ctrl.dat", "job1_gl.bin"}));
}

// A job name that cannot hold its longest file suffix within the name buffer is refused
// before anything is read; one character less is taken.
TEST_F(ProgramRun, OverLongJobNameIsRefused) {
  ASSERT_EQ(kJobNameMax, 470);
  ChildResult r = Run({std::string(471, 'j')});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Error("The job name is too long: it may hold at most 470 characters.\n"
                         "Usage: volde jobname"));
  EXPECT_EQ(r.out.find("Job name ="), std::string::npos);

  r = Run({std::string(470, 'j')});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("Job name = " + std::string(470, 'j') + "\n"), std::string::npos);
  EXPECT_NE(r.err.find("The following input file could not be opened:\n" + std::string(470, 'j') +
                       "_gl.bin"),
            std::string::npos)
      << r.err;
}

// The messages of the command line and of the job's directory: every case stops (or
// runs) before any work it should not do, with its own words.
TEST_F(ProgramRun, CommandLineAndDirectoryMessages) {
  enum Setup { kSoundJob, kDamagedJob, kLockHeld, kStaleLock, kReadOnlyDirectory };
  struct Case {
    const char* what;
    std::vector<std::string> args;
    Setup setup;
    int status;
    std::string outHas;  // a line of standard output
    std::string err;     // the whole standard error
  };
  const std::string pid = std::to_string(getpid());
  const Case cases[] = {
      {"long help", {"--help"}, kSoundJob, 0, "Usage: volde jobname\n       volde -h | --help\n", ""},
      {"short help", {"-h"}, kSoundJob, 0, "Usage: volde jobname\n", ""},
      {"unknown option", {"-v"}, kSoundJob, 1, "", Error("Unknown option: -v\nUsage: volde jobname")},
      {"data file name", {"job1_gl.bin"}, kSoundJob, 0, "The data file job1_gl.bin is that of job job1.\n\nJob name = job1\n", ""},
      {"suffix alone", {"_gl.bin"}, kSoundJob, 1, "", Error("The job name is empty.\nUsage: volde jobname")},
      {"damaged data file", {"job1"}, kDamagedJob, 1, "",
       Error(InvalidFileMessageAt("job1_gl.bin", 0, "<VOLDE_DATA_FILE_V4.0>"))},
      {"run at work", {"job1"}, kLockHeld, 1, "",
       Error("Another run of job job1 is at work in this directory (process " + pid +
             "):\nit holds job1.lock. Wait until it ends, or stop it, and run the job again.")},
      {"lock of a dead run", {"job1"}, kStaleLock, 0, "### Success ###", ""},
      {"directory not writable", {"job1"}, kReadOnlyDirectory, 1, "",
       Error("The directory of job job1 is not writable:\n.\nThe run writes its result files there; run it where "
             "it may write.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveDirectory(dir_);
    dir_ = MakeScratchDirectory();
    testmodel::Model m;
    std::vector<uint8_t> bytes = testmodel::EncodeDataFile(m);
    if (c.setup == kDamagedJob) bytes[10] = 'X';  // inside "<VOLDE_DATA_FILE_V4.0>"
    testmodel::WriteBytes(dir_ + "/job1_gl.bin", bytes);
    WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
    int lock = -1;
    if (c.setup == kLockHeld || c.setup == kStaleLock) {
      lock = open((dir_ + "/job1.lock").c_str(), O_RDWR | O_CREAT, 0644);
      ASSERT_GE(lock, 0);
      const std::string holder = (c.setup == kLockHeld ? pid : std::string("999999")) + "\n";
      ASSERT_EQ(write(lock, holder.data(), holder.size()), static_cast<ssize_t>(holder.size()));
      if (c.setup == kLockHeld) {
        ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
      }
    }
    const std::vector<std::string> before = ListDirectory(dir_);
    ChildResult r;
    if (c.setup == kReadOnlyDirectory) {
      ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
      if (geteuid() == 0) {
        // The superuser writes anywhere: the program runs as nobody.
        if (access("/usr/bin/setpriv", X_OK) != 0) continue;
        std::vector<std::string> args = {"--reuid=65534", "--regid=65534", "--clear-groups", VOLDE_EXE};
        args.insert(args.end(), c.args.begin(), c.args.end());
        r = RunProgram("/usr/bin/setpriv", args, dir_);
      } else {
        r = Run(c.args);
      }
      chmod(dir_.c_str(), 0700);
    } else {
      r = Run(c.args);
    }
    if (lock >= 0) close(lock);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.out.find(c.outHas), std::string::npos) << r.out;
    EXPECT_EQ(r.err, c.err);
    if (c.status != 0 || c.args[0][0] == '-') {
      // Nothing written; a refused run leaves the lock of the run at work in place.
      EXPECT_EQ(ListDirectory(dir_), before);
    } else {
      // The run's lock goes with it, a stale one included.
      const std::vector<std::string> after = ListDirectory(dir_);
      EXPECT_EQ(std::count(after.begin(), after.end(), "job1.lock"), 0);
      EXPECT_EQ(std::count(after.begin(), after.end(), "job1_dr.bin"), 1);
    }
  }
}

TEST_F(ProgramRun, DamagedOpeningTagIsRefused) {
  testmodel::Model m;
  std::vector<uint8_t> bytes = testmodel::EncodeDataFile(m);
  bytes[10] = 'X';  // inside "<VOLDE_DATA_FILE_V4.0>"
  testmodel::WriteBytes(dir_ + "/job1_gl.bin", bytes);
  WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  ChildResult r = Run({"job1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Error(InvalidFileMessageAt("job1_gl.bin", 0, "<VOLDE_DATA_FILE_V4.0>")));
}

// ---- dispatch ----------------------------------------------------------------------------

TEST_F(ProgramRun, UnavailableOptionSetsAreRefused) {
  const Options cases[] = {
      {1, 0, 1, 1, 1},                                    // geometric without material nonlinearity
      {1, 0, 1, 2, 2}, {1, 0, 0, 1, 2},                   // storage and algorithm must pair
      {1, 0, 0, 2, 1}, {1, 0, 0, 1, 3},                   // incomplete-Cholesky conjugate gradient
      {1, 0, 0, 2, 3}, {1, 1, 0, 2, 3}, {1, 2, 0, 1, 1},  // a flag byte other than 0 and 1
      {1, 0, 2, 1, 1}, {7, 0, 0, 1, 1},                   // transient needs the material flag
      {7, 1, 1, 2, 2}, {2, 1, 0, 1, 1},  // dynamic and thermal steady state are linear only
      {2, 0, 1, 2, 2}, {2, 0, 0, 1, 3}, {5, 1, 0, 1, 1},
      {5, 0, 1, 2, 2}, {6, 1, 1, 1, 1},  // nonlinear thermal transient: material flag only
      {3, 1, 0, 1, 1},                   // modal types: linear only
      {4, 0, 1, 2, 3}, {0, 0, 0, 1, 1},  // analysis types outside 1..7
      {8, 0, 0, 1, 1},
  };
  for (const Options& o : cases) {
    SCOPED_TRACE(Describe(o));
    WriteJob(ModelWith(o));
    ChildResult r = Run({"job1"});
    EXPECT_EQ(r.status, 1);
    const bool pair = (o.storage == 1 && o.algorithm == 1) || (o.storage == 2 && o.algorithm == 2);
    if (pair || o.type == 3 || o.type == 4) {
      EXPECT_EQ(r.err, kNotAvailable);
    } else {
      // A storage/solver pair that does not exist is named, with the pairs that do.
      EXPECT_EQ(r.err, Error("The selected type of analysis is not available yet.\n"
                             "STIFFNESS_MATRIX_STORAGE_TECHNIQUE " + std::to_string(o.storage) +
                             " and SYSTEM_LIN_EQ_ALGORITHM " + std::to_string(o.algorithm) +
                             " do not match: the pairs that exist are 1 _SYMMETRIC_NONCONSTANT_SEMIBAND with 1 "
                             "_GAUSS_ELIM and 2 _SYMMETRIC_SPARSE with 2 _ITERATIVE_JPCG.\n"
                             "Please change the options in the <MAIN_PARAMETERS> block."));
    }
  }
}

// Each row of the dispatch table reaches its own driver; drivers whose analysis is not
// built yet stop through the internal error after naming themselves, the linear static,
// thermal steady-state and modal analysis drivers run, the nonlinear static and thermal
// transient ones refuse a model without load cases and the dynamic, linear thermal
// transient and modal superposition ones a model without combinations.
TEST_F(ProgramRun, EachOptionSetReachesItsDriver) {
  struct Row {
    Options o;
    const char* driver;
  };
  const Row rows[] = {
      {{1, 0, 0, 1, 1}, "MainStaticLinGaussElimNCSB"},
      {{1, 1, 0, 1, 1}, "MainStaticMaterNonlinGaussElimNCSB"},
      {{1, 1, 1, 1, 1}, "MainStaticMaterGeomNonlinGaussElimNCSB"},
      {{1, 0, 0, 2, 2}, "MainStaticLinIterJacPreConjGrad"},
      {{1, 1, 0, 2, 2}, "MainStaticMaterNonlinIterJacPreConjGrad"},
      {{1, 1, 1, 2, 2}, "MainStaticMaterGeomNonlinIterJacPreConjGrad"},
      {{2, 0, 0, 1, 1}, "MainDynamicLinGaussElimNCSB"},
      {{2, 0, 0, 2, 2}, "MainDynamicLinIterJacPreConjGrad"},
      {{3, 0, 0, 1, 1}, "MainLinModalAnalysis"},
      {{3, 0, 0, 2, 3}, "MainLinModalAnalysis"},  // the modal types ignore the solver options
      {{4, 0, 0, 1, 2}, "MainLinModalSuperposition"},
      {{5, 0, 0, 1, 1}, "MainThermalSteadyLinGaussElimNCSB"},
      {{5, 0, 0, 2, 2}, "MainThermalSteadyLinIterJacPreConjGrad"},
      {{6, 0, 0, 1, 1}, "MainThermalTransientLinGaussElimNCSB"},
      {{6, 1, 0, 1, 1}, "MainThermalTransientNonlinGaussElimNCSB"},
      {{6, 0, 0, 2, 2}, "MainThermalTransientLinIterJacPreConjGrad"},
      {{6, 1, 0, 2, 2}, "MainThermalTransientNonlinIterJacPreConjGrad"},
      {{7, 1, 0, 1, 1}, "MainTransientMaterNonlinGaussElimNCSB"},
      {{7, 1, 0, 2, 2}, "MainTransientMaterNonlinIterJacPreConjGrad"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Describe(row.o));
    WriteJob(ModelWith(row.o));
    ChildResult r = Run({"job1"});
    const std::string driver = row.driver;
    if (driver.rfind("MainStaticLin", 0) == 0 || driver.rfind("MainThermalSteadyLin", 0) == 0) {
      // Built: the empty model runs to its end; only Gaussian elimination counts the
      // terms of a profile (none here), the conjugate gradient leaves the count at -1.
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_NE(r.out.find("### Success ###"), std::string::npos);
      resultfile::LinearExecParams ep = resultfile::ReadLinearExecParams(dir_ + "/job1_ep.bin");
      EXPECT_EQ(ep.error, "");
      const bool gauss = driver.find("GaussElimNCSB") != std::string::npos;
      EXPECT_EQ(ep.iter.nTermsNCSB, gauss ? 0 : -1);
      std::remove((dir_ + "/job1_ep.bin").c_str());
      std::remove((dir_ + "/job1_dr.bin").c_str());
      std::remove((dir_ + "/job1_tq.bin").c_str());
      continue;
    }
    if (driver == "MainLinModalAnalysis") {
      // Built: the empty model has no modes; the run writes its files and succeeds.
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_NE(r.out.find("### Success ###"), std::string::npos);
      EXPECT_EQ(resultfile::ReadVibrationModes(dir_ + "/job1_vm.bin").nModes, 0);
      for (const char* name : {"job1_vm.bin", "job1_vm.dat", "job1_ep.bin", "StiffMat.bin", "MassMat.bin"})
        std::remove((dir_ + "/" + name).c_str());
      continue;
    }
    if (driver.rfind("MainStaticMater", 0) == 0 || driver.rfind("MainTransientMater", 0) == 0 ||
        driver.rfind("MainThermalTransientNonlin", 0) == 0) {
      // Built: a nonlinear run needs at least one load case, which the empty model lacks.
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err.find("INTERNAL ERROR"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("<MAIN_PARAMETERS>\n\nERROR:\nInvalid NUMBER_OF_LOAD_CASES: 0"), std::string::npos) << r.err;
      continue;
    }
    if (driver.rfind("MainDynamicLin", 0) == 0 || driver.rfind("MainThermalTransientLin", 0) == 0 ||
        driver == "MainLinModalSuperposition") {
      // Built: a time-stepping run needs at least one combination (time step).
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.err.find("The n. of combinations cannot be null."), std::string::npos) << r.err;
      continue;
    }
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(
        r.err.rfind(std::string("\n   -> Analysis driver: ") + row.driver + "\n\nINTERNAL ERROR\n",
                    0),
        0u)
        << r.err;
    EXPECT_EQ(r.out.find("### Success ###"), std::string::npos);
  }
}

// ---- shut-down -----------------------------------------------------------------------------
// Shut-down driven in-process right after start-up, as after a driver that found no load
// case (a whole run that fails at shut-down: static_linear_test.cpp).

namespace {

std::string g_job;

void StartAndShutDown() {
  char flags[kOutputControlSize];
  FILE* fp;
  MeshData mesh;
  long pos;
  StartUp(g_job.c_str(), flags, &fp, &mesh, &pos);
  ShutDown(fp, &mesh);
}

testmodel::Model ModelWithCombinations() {
  testmodel::Model m;
  testmodel::Combination c;
  m.combinations.push_back(c);
  m.combinations.push_back(c);
  return m;
}

}  // namespace

TEST(ShutDown, ReadsTheCombinationsAndReportsSuccess) {
  g_job = TestJobName();
  testmodel::WriteDataFile(g_job, ModelWithCombinations());
  ChildResult r = RunChild("", StartAndShutDown);
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string tail = "\nEnd of volde\n\n### Success ###\n\n";
  ASSERT_GE(r.out.size(), tail.size());
  EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
}

TEST(ShutDown, WrongClosingTagFailsAtShutDown) {
  g_job = TestJobName();
  std::vector<uint8_t> bytes = testmodel::EncodeDataFile(ModelWithCombinations());
  const std::string close = kDataFileCloseTag;
  ASSERT_EQ(std::string(bytes.end() - static_cast<long>(close.size()) - 1, bytes.end() - 1), close);
  bytes[bytes.size() - 3] = '1';  // "</VOLDE_DATA_FILE_V4.1>"
  testmodel::WriteBytes(g_job + "_gl.bin", bytes);
  ChildResult r = RunChild("", StartAndShutDown);
  EXPECT_EQ(r.status, 1);
  // The message names the byte where the closing tag begins.
  const long closeAt = static_cast<long>(bytes.size() - close.size() - 5);
  EXPECT_EQ(r.err.substr(r.err.find("\nERROR:")),
            Error(InvalidFileMessageAt(g_job + "_gl.bin", closeAt, kDataFileCloseTag)));
  EXPECT_EQ(r.out.find("End of volde"), std::string::npos);

  // A file that ends before its closing tag fails the same way.
  bytes.resize(bytes.size() - close.size() - 5);
  testmodel::WriteBytes(g_job + "_gl.bin", bytes);
  r = RunChild("", StartAndShutDown);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(r.err.find("\nERROR:")),
            Error(InvalidFileMessageAt(g_job + "_gl.bin", closeAt, kDataFileCloseTag)));
}
