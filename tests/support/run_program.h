// Runs the built program as a child process in a directory of its own.
#pragma once

#include <string>
#include <vector>

#include "support/process.h"

// A new empty directory below the test temporary directory (removed by the caller with
// RemoveDirectory when it wants to).
std::string MakeScratchDirectory();
void RemoveDirectory(const std::string& dir);

// Runs exe with the given arguments in directory dir, standard input holding exactly
// `input`; returns its exit status (-1 when it did not exit normally) and its output.
ChildResult RunProgram(const std::string& exe, const std::vector<std::string>& args,
                       const std::string& dir, const std::string& input = "");

// The python3 found on PATH ("" when there is none: the tests of the docs' scripts skip).
std::string FindPython3();
// <source tree>/docs/<name>: the documents and scripts of the users.
std::string DocsPath(const std::string& name);

// Starts exe with the given arguments in directory dir without waiting for it, standard
// input empty and standard output and error appended to the file `log`; returns its
// process number.
int StartProgram(const std::string& exe, const std::vector<std::string>& args, const std::string& dir,
                 const std::string& log);
// Waits for a process of StartProgram: its exit status (-1 when it did not exit normally).
int WaitProgram(int pid);

// Turns the leak check of the child runs off for its lifetime (ASAN_OPTIONS gets
// detect_leaks=0, restored at the end): a run stopped by its fatal message leaves its
// model allocated on purpose.
class ChildLeakCheckOff {
 public:
  ChildLeakCheckOff();
  ~ChildLeakCheckOff();
  ChildLeakCheckOff(const ChildLeakCheckOff&) = delete;
  ChildLeakCheckOff& operator=(const ChildLeakCheckOff&) = delete;

 private:
  bool had_ = false;
  std::string saved_;
};

// The names of the files in dir, sorted.
std::vector<std::string> ListDirectory(const std::string& dir);
