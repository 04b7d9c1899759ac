// The exits through which every error of the system is reported, and the faults of an
// iterate that a driver may take back.
#include "numcore/numcore.h"

#include <cstdio>
#include <cstdlib>

void errexit(const char* msg, int line) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nERROR:\n%s\n", msg);
  if (line > 0) std::fprintf(stderr, "Line n. %8d\n", line);
  std::fprintf(stderr, "\n");
  std::exit(1);
}

void warnmsg(const char* msg, int line) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nWARNING:\n%s\n", msg);
  if (line > 0) std::fprintf(stderr, "Line n. %8d\n", line);
  std::fflush(stderr);
}

static void PrintInternalError(const char* file, int line) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nINTERNAL ERROR\n   File: %s\n   Line: %d\n\n", file, line);
}

void interror(const char* file, int line) {
  PrintInternalError(file, line);
  std::exit(1);
}

void InternalError(const char* file, int line) {
  PrintInternalError(file, line);
  std::fprintf(stderr,
               "The program reached a state that valid data cannot reach.\n"
               "Please report this fault together with the data file of the run.\n\n");
  std::exit(1);
}

namespace {
int faultScopes = 0;  // IterateFaultScopes held
}  // namespace

IterateFaultScope::IterateFaultScope() { faultScopes++; }
IterateFaultScope::~IterateFaultScope() { faultScopes--; }

void IterateFault(const std::string& context, const char* msg) {
  if (faultScopes > 0) throw IterateFailure{context, msg};
  std::fflush(stdout);
  std::fputs(context.c_str(), stderr);
  errexit(msg, 0);
}
