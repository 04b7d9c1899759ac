// Running the built program on a job written with the test-side model writer, for the
// whole-run benchmarks: the data file and an empty control file in the scratch directory,
// the console output in <name>.out.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "linear_model.h"
#include "support/datafile_writer.h"

inline bool RunJob(const std::string& exe, const std::string& dir, const std::string& name,
                   const linmodel::Job& j) {
  testmodel::WriteDataFile(dir + "/" + name, j.model);
  FILE* fp = std::fopen((dir + "/" + name + "_ctrl.dat").c_str(), "w");
  if (fp == nullptr) return false;
  std::fprintf(fp, "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  std::fclose(fp);
  const std::string cmd = "cd '" + dir + "' && '" + exe + "' " + name + " > " + name + ".out 2>&1";
  if (std::system(cmd.c_str()) != 0) {
    std::printf("%s: the run failed, see %s/%s.out\n", name.c_str(), dir.c_str(), name.c_str());
    return false;
  }
  return true;
}
