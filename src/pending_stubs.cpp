// Temporary stand-ins, replaced when the real modules land.
//
// Minimal versions of gettimes, solveprofd2 and OpenFile so that the solvers build and
// run on this branch; see pending_stubs.h.
#include "pending_stubs.h"

#include <cmath>
#include <cstring>

#include "numcore/numcore.h"

void OpenFile(FILE** fp, const char* job, const char* suffix, const char* mode, char echo) {
  const char* echoFmt;
  const char* failFmt;
  if (!std::strcmp(mode, "r") || !std::strcmp(mode, "rb")) {
    echoFmt = "Reading file: %s\n";
    failFmt = "The following input file could not be opened:\n%s";
  } else if (!std::strcmp(mode, "w") || !std::strcmp(mode, "wb") || !std::strcmp(mode, "a") ||
             !std::strcmp(mode, "ab")) {
    echoFmt = "Writing file: %s\n";
    failFmt = "Unable to write to the following output file:\n%s";
  } else if (!std::strcmp(mode, "r+") || !std::strcmp(mode, "r+b")) {
    echoFmt = "Reading/writing file: %s\n";
    failFmt = "The following input file could not be opened:\n%s";
  } else {
    InternalError(__FILE__, __LINE__);
  }
  char name[512];
  if (std::snprintf(name, sizeof name, "%s%s", job, suffix) >= static_cast<int>(sizeof name))
    errexit("The file name is too long.", 0);
  *fp = std::fopen(name, mode);
  if (*fp == nullptr) {
    char msg[1024];
    std::snprintf(msg, sizeof msg, failFmt, name);
    errexit(msg, 0);
  }
  if (echo == 'Y') {
    std::printf("\n");
    std::printf(echoFmt, name);
  }
}
