// Test-side readers of the binary result files, decoded byte by byte from their
// documented layout (little-endian int32 and double, binary strings: int32 n, n
// characters, NUL), independently of the program's writers.
//
// nF and nP are not stored in the files: the caller gives them. Every reader fills
// `error` with what it found wrong (empty when the file is sound) and `closed` with
// whether the closing tag ends the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resultfile {

std::vector<uint8_t> ReadFileBytes(const std::string& path);

// One record of <job>_dr.bin (or _tq.bin); the dynamic drivers add four vectors.
struct DisplReactRecord {
  int32_t id = 0;
  std::vector<double> free, presc, react;          // nF, nP, nP
  std::vector<double> dynF1, dynP1, dynF2, dynP2;  // dynamic records only, in file order
};

struct DisplReactFile {
  std::string error;
  bool closed = false;
  std::vector<DisplReactRecord> records;
};

// <job>_dr.bin; thermal = true reads <job>_tq.bin (its own tags, same records).
DisplReactFile ReadDisplReact(const std::string& path, int nF, int nP, bool dynamic = false,
                              bool thermal = false);

// One record of <job>_if.bin (or _iq.bin).
struct InternalForcesRecord {
  int32_t id = 0;
  std::vector<double> free, presc;
};

struct InternalForcesFile {
  std::string error;
  bool closed = false;
  std::vector<InternalForcesRecord> records;
};

InternalForcesFile ReadInternalForces(const std::string& path, int nF, int nP,
                                      bool thermal = false);

struct IterSummary {
  int32_t nTermsKFF = 0, nTermsKPF = 0, nTermsKPP = 0, nTermsNCSB = 0;
  double assemblySeconds = 0, factorSeconds = 0;
};

struct StepSummary {
  int32_t nIterJPCG = 0;
  uint32_t padding = 0;  // the four bytes after the count, as found
  double residNormJPCG = 0, solveSeconds = 0, residualNorm = 0;
};

struct EquilibriumPath {
  int32_t n = 0;
  double d1 = 0, d2 = 0, d3 = 0, d4 = 0;
  std::vector<double> extF, extP;
};

// <job>_ep.bin of a linear static or thermal steady-state run: one IterSummary, then one
// StepSummary per load case.
struct LinearExecParams {
  std::string error;
  bool closed = false;
  IterSummary iter;
  std::vector<StepSummary> steps;
};

LinearExecParams ReadLinearExecParams(const std::string& path);

// One entry of a nonlinear <job>_ep.bin.
struct CombinationEntry {
  int64_t offset = 0;       // where the entry's header lies
  int32_t next = 0;         // header: offset of the next entry
  int32_t combination = 0;  // header: combination number
  int32_t nIterations = 0;  // header: number of iterations
  bool converged = false;   // false: the zero header of a combination left unconverged
  std::vector<IterSummary> iters;
  std::vector<StepSummary> steps;
  EquilibriumPath path;  // converged entries only
};

struct NonlinearExecParams {
  std::string error;
  bool closed = false;
  std::vector<CombinationEntry> entries;
};

// Follows the chain of entry headers from the end of the opening tag.
NonlinearExecParams ReadNonlinearExecParams(const std::string& path, int nF, int nP);

// <job>_al.bin.
struct ArcLengthDeltaF {
  std::string error;
  bool closed = false;
  std::vector<double> free, presc;
};

ArcLengthDeltaF ReadArcLengthDeltaF(const std::string& path, int nF, int nP);

}  // namespace resultfile
