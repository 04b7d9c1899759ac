// Running a smeared-crack job inside the benchmark's own process, so that the crack
// models' counters can be read: the data file and an empty control file in the scratch
// directory, the program's log in <name>.out, then the figures of the run.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/entry.h"
#include "element_models.h"
#include "linear_model.h"
#include "materials/crack/crack_models.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"
#include "support/result_readers.h"

// The job's load case of the prescribed displacements `pulls` (value 1), applied with the
// factors u k / steps in combinations k = 1..steps, Newton-Raphson to 1e-5.
inline void PulledToFullOpening(linmodel::Job& j, const std::vector<testmodel::Rec>& pulls, double u, int steps) {
  nonlinrun::Iterate(j.model.main, 1e-5, 100);
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
  for (int k = 1; k <= steps; k++) {
    testmodel::Combination c;
    c.factors = {{1, u * k / steps}};
    j.model.combinations.push_back(c);
  }
}

struct CrackRunFigures {
  int combinations = 0, iterations = 0;
  double secondsPerCombination = 0.0, seconds = 0.0;
  long updates = 0;           // crack updates of a sampling point
  double solvesPerUpdate = 0.0;
  double recheckSeconds = 0.0;  // in the re-checks of crack events
};

// False when the run fails (its log names why).
inline bool RunCrackJobHere(const std::string& dir, const std::string& name, const linmodel::Job& job,
                            CrackRunFigures* out) {
  std::filesystem::create_directories(dir);
  testmodel::WriteDataFile(dir + "/" + name, job.model);
  FILE* fp = std::fopen((dir + "/" + name + "_ctrl.dat").c_str(), "w");
  if (fp == nullptr) return false;
  std::fprintf(fp, "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  std::fclose(fp);
  std::filesystem::current_path(dir);
  std::fflush(stdout);
  if (std::freopen((name + ".out").c_str(), "w", stdout) == nullptr) return false;
  std::string arg = name;
  char self[] = "volde";
  char* args[] = {self, arg.data(), nullptr};
  const long solves0 = DeltaStressSolveCount(), updates0 = CrackUpdateCount();
  const double recheck0 = CrackRecheckSeconds();
  if (RunVolde(2, args) != 0) {
    std::fprintf(stderr, "the run failed, see %s/%s.out\n", dir.c_str(), name.c_str());
    return false;
  }
  const long solves = DeltaStressSolveCount() - solves0;
  out->updates = CrackUpdateCount() - updates0;
  out->recheckSeconds = CrackRecheckSeconds() - recheck0;
  out->solvesPerUpdate = out->updates > 0 ? static_cast<double>(solves) / static_cast<double>(out->updates) : 0.0;
  const resultfile::NonlinearExecParams ep =
      resultfile::ReadNonlinearExecParams(name + "_ep.bin", job.layout.nF, job.layout.nP);
  for (const auto& e : ep.entries) {
    out->seconds += e.path.d2;
    out->iterations += e.nIterations;
  }
  out->combinations = static_cast<int>(ep.entries.size());
  out->secondsPerCombination = out->seconds / (ep.entries.empty() ? 1.0 : static_cast<double>(ep.entries.size()));
  return true;
}
