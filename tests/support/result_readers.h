// Test-side readers of the binary result files, decoded byte by byte from their
// documented layout (little-endian int32 and double, binary strings: int32 n, n
// characters, NUL), independently of the program's writers.
//
// nF and nP are not stored in the files: the caller gives them. Every reader fills
// `error` with what it found wrong (empty when the file is sound) and `closed` with
// whether the closing tag ends the file.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace resultfile {

std::vector<uint8_t> ReadFileBytes(const std::string& path);

// A cursor over the bytes of a file; every read checks that the bytes are there.
struct Cursor {
  const std::vector<uint8_t>& b;
  size_t pos = 0;
  std::string error;

  size_t Left() const { return pos <= b.size() ? b.size() - pos : 0; }

  bool Need(size_t n, const char* what) {
    if (!error.empty()) return false;
    if (Left() < n) {
      error = std::string("file ends inside ") + what + " at offset " + std::to_string(pos);
      return false;
    }
    return true;
  }

  int32_t I32(const char* what) {
    if (!Need(4, what)) return 0;
    uint32_t u = 0;
    for (int k = 3; k >= 0; k--) u = (u << 8) | b[pos + k];
    pos += 4;
    return static_cast<int32_t>(u);
  }

  uint32_t U32(const char* what) { return static_cast<uint32_t>(I32(what)); }

  int64_t I64(const char* what) {
    if (!Need(8, what)) return 0;
    uint64_t u = 0;
    for (int k = 7; k >= 0; k--) u = (u << 8) | b[pos + k];
    pos += 8;
    return static_cast<int64_t>(u);
  }

  // Any binary string.
  std::string Str(const char* what) {
    const int32_t n = I32(what);
    if (n < 0 || !Need(static_cast<size_t>(n) + 1, what)) return "";
    std::string v(b.begin() + static_cast<long>(pos), b.begin() + static_cast<long>(pos) + n);
    pos += static_cast<size_t>(n) + 1;
    return v;
  }

  double F64(const char* what) {
    if (!Need(8, what)) return 0.0;
    uint64_t u = 0;
    for (int k = 7; k >= 0; k--) u = (u << 8) | b[pos + k];
    pos += 8;
    double d;
    std::memcpy(&d, &u, 8);
    return d;
  }

  std::vector<double> F64s(int n, const char* what) {
    std::vector<double> v;
    for (int i = 0; i < n; i++) v.push_back(F64(what));
    return v;
  }

  // A binary string equal to tag.
  bool Tag(const std::string& tag) {
    size_t start = pos;
    int32_t n = I32(tag.c_str());
    if (!error.empty()) return false;
    if (n != static_cast<int32_t>(tag.size()) || !Need(tag.size() + 1, tag.c_str()) ||
        std::memcmp(&b[pos], tag.data(), tag.size()) != 0 || b[pos + tag.size()] != 0) {
      if (error.empty()) error = "expected tag " + tag + " at offset " + std::to_string(start);
      return false;
    }
    pos += tag.size() + 1;
    return true;
  }

  // True when exactly the closing tag is left.
  bool AtClosingTag(const std::string& tag) const {
    if (Left() != tag.size() + 5) return false;
    Cursor c{b, pos, ""};
    return c.Tag(tag);
  }

  // Nothing may follow (files without a closing tag).
  void EndOfFile() {
    if (error.empty() && Left() != 0) error = std::to_string(Left()) + " stray bytes at offset " + std::to_string(pos);
  }

  // After the records: either the closing tag or nothing.
  void End(const std::string& closeTag, bool* closed) {
    if (!error.empty()) return;
    if (AtClosingTag(closeTag)) {
      *closed = true;
      pos = b.size();
    } else if (Left() != 0) {
      error = std::to_string(Left()) + " stray bytes at offset " + std::to_string(pos);
    }
  }
};

// The bytes of a file that holds only the given tags (binary strings), in order.
std::vector<uint8_t> TagsOnlyBytes(const std::vector<std::string>& tags);

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

// <job>_vm.bin: the tag, int32 nModes, nF, nP, then nModes records of int32 counter, f64
// lambda, error, relative error and nF mode entries (28 + 8 nF bytes); no closing tag,
// nothing after the last record.
struct VibrationModeRecord {
  int32_t counter = 0;
  double lambda = 0, error = 0, relError = 0;
  std::vector<double> phi;
};

struct VibrationModesFile {
  std::string error;
  int32_t nModes = 0, nF = 0, nP = 0;
  std::vector<VibrationModeRecord> records;
};

VibrationModesFile ReadVibrationModes(const std::string& path);

// "StiffMat.bin" / "MassMat.bin": u8 flag, int32 n, per row int32 count and (int32
// column, f64 value) pairs.
struct SparseMatFile {
  std::string error;
  int flag = -1;
  int32_t n = 0;
  std::vector<std::vector<std::pair<int32_t, double>>> rows;  // index 0 = row 1
};

SparseMatFile ReadSparseMatBin(const std::string& path);

// The report <job>_vm.dat: its lines, the selected block and the participation blocks.
struct ModeReport {
  struct Selected {
    int counter = 0;
    double lambda = 0, omega = 0, f = 0, error = 0, relError = 0;
  };
  struct Ratio {
    int mode = 0;
    double ratio = 0, sum = 0;
    std::string sumText;  // the sum column as printed
  };
  std::string error;
  std::vector<std::string> lines;
  int count = -1;  // COUNT of the selected block
  std::vector<Selected> selected;
  // By block name without brackets, e.g. "STATIC_PARTICIPATION_RATIO_LOAD_CASE_1".
  std::map<std::string, std::vector<Ratio>> ratios;
};

ModeReport ReadModeReport(const std::string& path);
// Edits the report's selected block as a user would: COUNT becomes the number of
// counters and the mode lines those of the listed counters, in the order given (a
// counter without a line gets one of made-up values).
void EditSelectedModes(const std::string& path, const std::vector<int>& counters);

}  // namespace resultfile
