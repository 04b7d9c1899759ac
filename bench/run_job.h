// Running the built program on a job written with the test-side model writer, for the
// whole-run benchmarks: the data file and a control file (the given options, else none)
// in the scratch directory, the console output in <name>.out. env is put before the
// command ("VOLDE_THREADS=4").
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "linear_model.h"
#include "support/datafile_writer.h"

inline bool RunModel(const std::string& exe, const std::string& dir, const std::string& name,
                     const testmodel::Model& m, const std::string& ctrl = "", const std::string& env = "") {
  testmodel::WriteDataFile(dir + "/" + name, m);
  FILE* fp = std::fopen((dir + "/" + name + "_ctrl.dat").c_str(), "w");
  if (fp == nullptr) return false;
  std::fprintf(fp, "<OUTPUT_CONTROL>\n%s</OUTPUT_CONTROL>\n", ctrl.c_str());
  std::fclose(fp);
  const std::string cmd = "cd '" + dir + "' && " + env + " '" + exe + "' " + name + " > " + name + ".out 2>&1";
  if (std::system(cmd.c_str()) != 0) {
    std::printf("%s: the run failed, see %s/%s.out\n", name.c_str(), dir.c_str(), name.c_str());
    return false;
  }
  return true;
}

inline bool RunJob(const std::string& exe, const std::string& dir, const std::string& name,
                   const linmodel::Job& j, const std::string& ctrl = "", const std::string& env = "") {
  return RunModel(exe, dir, name, j.model, ctrl, env);
}
