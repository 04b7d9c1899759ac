#include "support/run_program.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

std::string MakeScratchDirectory() {
  std::string pattern = testing::TempDir() + "volde_run_XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed for " << pattern;
    return testing::TempDir();
  }
  return std::string(buf.data());
}

void RemoveDirectory(const std::string& dir) {
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

ChildResult RunProgram(const std::string& exe, const std::vector<std::string>& args,
                       const std::string& dir, const std::string& input) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return RunCapturedChild(input, [&] {
    if (chdir(dir.c_str()) != 0) _exit(127);
    execv(exe.c_str(), argv.data());
    _exit(127);
  });
}

std::vector<std::string> ListDirectory(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

ChildLeakCheckOff::ChildLeakCheckOff() {
  const char* asan = std::getenv("ASAN_OPTIONS");
  had_ = asan != nullptr;
  saved_ = had_ ? asan : "";
  setenv("ASAN_OPTIONS", (saved_.empty() ? std::string("detect_leaks=0") : saved_ + ":detect_leaks=0").c_str(), 1);
}

ChildLeakCheckOff::~ChildLeakCheckOff() {
  if (had_)
    setenv("ASAN_OPTIONS", saved_.c_str(), 1);
  else
    unsetenv("ASAN_OPTIONS");
}
