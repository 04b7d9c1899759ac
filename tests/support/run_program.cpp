#include "support/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
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

// With VOLDE_KEEP_RUNS=<dir> set, a scratch directory is moved there instead of removed: its
// job files form a corpus to replay with two builds of the program (tests/tools/same-results.sh).
void RemoveDirectory(const std::string& dir) {
  std::error_code ec;
  if (const char* keep = std::getenv("VOLDE_KEEP_RUNS"); keep != nullptr && *keep != '\0') {
    std::filesystem::create_directories(keep, ec);
    std::filesystem::rename(dir, std::filesystem::path(keep) / std::filesystem::path(dir).filename(), ec);
    if (!ec) return;
  }
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

int StartProgram(const std::string& exe, const std::vector<std::string>& args, const std::string& dir,
                 const std::string& log) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in < 0 || out < 0 || chdir(dir.c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  if (pid < 0) ADD_FAILURE() << "fork failed";
  return pid;
}

int WaitProgram(int pid) {
  int wstatus = 0;
  if (waitpid(pid, &wstatus, 0) != pid) return -1;
  return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
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

std::string FindPython3() {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = dirs.substr(start, end - start) + "/python3";
    if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

std::string DocsPath(const std::string& name) {
  // Absolute: the scripts run in scratch directories of their own.
  return std::filesystem::absolute(std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "docs" /
                                   name)
      .string();
}
