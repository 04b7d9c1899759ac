#include "support/run_program.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

std::string Slurp(FILE* f) {
  std::string s;
  std::rewind(f);
  int c;
  while ((c = std::fgetc(f)) != EOF) s.push_back(static_cast<char>(c));
  return s;
}

}  // namespace

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
  FILE* in = std::tmpfile();
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  std::fwrite(input.data(), 1, input.size(), in);
  std::fflush(in);
  std::rewind(in);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fileno(in), 0);
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    if (chdir(dir.c_str()) != 0) _exit(127);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  ChildResult r{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, Slurp(out), Slurp(err)};
  std::fclose(in);
  std::fclose(out);
  std::fclose(err);
  return r;
}

std::vector<std::string> ListDirectory(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}
