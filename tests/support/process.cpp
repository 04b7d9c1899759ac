#include "support/process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

std::string Slurp(FILE* f) {
  std::string s;
  std::rewind(f);
  int c;
  while ((c = std::fgetc(f)) != EOF) s.push_back(static_cast<char>(c));
  return s;
}

}  // namespace

ChildResult RunCapturedChild(const std::string& input, const std::function<void()>& body) {
  FILE* in = std::tmpfile();
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  std::fwrite(input.data(), 1, input.size(), in);
  std::fflush(in);
  std::rewind(in);
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fileno(in), 0);
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    body();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(0);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  ChildResult r{WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, Slurp(out), Slurp(err)};
  std::fclose(in);
  std::fclose(out);
  std::fclose(err);
  return r;
}

ChildResult RunChild(const std::string& input, void (*fn)()) {
  return RunCapturedChild(input, [fn] {
    std::clearerr(stdin);
    fn();
  });
}
