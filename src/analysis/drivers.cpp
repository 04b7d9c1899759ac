// The analysis drivers whose analysis is not built yet. Each names itself on the error
// stream and stops through the internal error, so that a job never reaches a half-built
// analysis and never ends in a wrong number.
#include "analysis/drivers.h"

#include <cstdio>

#include "numcore/numcore.h"

namespace {

[[noreturn]] void NotBuiltYet(const char* driver, const char* file, int line) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n   -> Analysis driver: %s\n", driver);
  InternalError(file, line);
}

}  // namespace

// Modal superposition.
void MainLinModalSuperposition(FILE*, const char*, const char*, MeshData*) {
  NotBuiltYet(__func__, __FILE__, __LINE__);
}

// Transient (time-dependent, materially nonlinear).
void MainTransientMaterNonlinGaussElimNCSB(FILE*, long, const char*, const char*, MeshData*) {
  NotBuiltYet(__func__, __FILE__, __LINE__);
}
void MainTransientMaterNonlinIterJacPreConjGrad(FILE*, long, const char*, const char*, MeshData*) {
  NotBuiltYet(__func__, __FILE__, __LINE__);
}
