// Running the built program on a nonlinear job in a scratch directory of the test: the
// two solvers, the data file and an output control written, the program run, and the
// records of <name>_dr.bin read back with the checks every sound run passes (or every
// file of the run read back unchecked).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"
#include "support/process.h"
#include "support/result_readers.h"

namespace nonlinrun {

struct Solver {
  int storage, algorithm;
};
// Gaussian elimination on the skyline, conjugate gradients on the sparse matrix.
inline constexpr Solver kSolvers[] = {{1, 1}, {2, 2}};

// Everything a nonlinear run leaves: its outcome, results, execution parameters and
// internal forces.
struct Outcome {
  ChildResult run;
  resultfile::DisplReactFile dr;
  resultfile::NonlinearExecParams ep;
  resultfile::InternalForcesFile iff;
};

inline void UseSolver(testmodel::MainParams& m, const Solver& s) {
  m.storageTechnique = s.storage;
  m.linEqAlgorithm = s.algorithm;
}

class RunFixture : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes <name>_gl.bin and <name>_ctrl.dat (with the output-control lines `ctrl`) and
  // runs the program on them.
  ChildResult Start(const testmodel::Model& model, const std::string& name, const std::string& ctrl = "") const;
  // <name><suffix> in the scratch directory.
  std::string Path(const std::string& suffix, const std::string& name = "job1") const;
  resultfile::DisplReactFile Results(const std::string& name, int nF, int nP) const;
  // A run that must end well: exit status 0, a readable result file with one record
  // per combination.
  resultfile::DisplReactFile RunSound(const testmodel::Model& model, int nF, int nP, const std::string& name) const;
  std::vector<uint8_t> Bytes(const std::string& name, const char* suffix) const;
  // <a><suffix> and <b><suffix> hold the same bytes, for every suffix (a restarted run
  // against the uninterrupted one).
  void ExpectSameFiles(const std::string& a, const std::string& b, std::initializer_list<const char*> suffixes) const;
  // The run and every file it leaves read back, unchecked.
  Outcome RunOutcome(const testmodel::Model& model, int nF, int nP, const std::string& name,
                     const std::string& ctrl = "") const;

  // The same for a job (a model with its `layout`).
  template <class Job>
  ChildResult Start(const Job& job, const std::string& name) const {
    return Start(job.model, name);
  }
  template <class Job>
  ChildResult Start(Job job, const Solver& s, const std::string& name) const {
    UseSolver(job.model.main, s);
    return Start(job.model, name);
  }
  template <class Job>
  resultfile::DisplReactFile Results(const Job& job, const std::string& name) const {
    return Results(name, job.layout.nF, job.layout.nP);
  }
  template <class Job>
  resultfile::DisplReactFile Run(const Job& job, const std::string& name) const {
    return RunSound(job.model, job.layout.nF, job.layout.nP, name);
  }
  // The job with solver s; where `out` is given the run may fail: its outcome goes there
  // and the records are read unchecked.
  template <class Job>
  resultfile::DisplReactFile Run(Job job, const Solver& s, const std::string& name, ChildResult* out = nullptr) const {
    UseSolver(job.model.main, s);
    if (out == nullptr) return Run(job, name);
    *out = Start(job, name);
    return Results(job, name);
  }

  // The job run without a stop ("fresh"), and run again stopped after combination
  // `after` and restarted ("restarted"): the two leave the same bytes in every file of
  // the suffixes.
  template <class Job>
  void ExpectRestartGivesTheUninterruptedRun(Job job, const Solver& s, int after,
                                             std::initializer_list<const char*> suffixes) const {
    Run(job, s, "fresh");
    Run(job, s, "restarted");
    job.model.main.nCombBeforeRestart = after;
    Run(job, s, "restarted");
    ExpectSameFiles("restarted", "fresh", suffixes);
  }

  std::string dir_;
};

}  // namespace nonlinrun
