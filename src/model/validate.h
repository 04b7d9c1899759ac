// Checks of every index and code that the data file gives, run once after the mesh is
// read and after each load case and the combinations, before anything uses them. A
// fault prints its context lines ("   -> Block name: <...>", the record counter) to
// the error stream and stops the run with a message naming the bad value.
#pragma once

struct MeshData;
struct LoadCaseData;
struct CombinationData;

void ValidateMesh(const MeshData* mesh);
// The node count of every active element (ElemPropIndex[e] != 0, the property record of
// the phase) against its type; run by the set-up before anything counts, allocates or
// loops by the node lists.
void ValidateElementNodeCounts(const MeshData* mesh, const int* ElemPropIndex);
// The options of "<MAIN_PARAMETERS>" and "<DYNAMIC_ANALYSIS_PARAMETERS>" that the chosen
// driver (SelectAnalysisDriver) reads: codes, counts, tolerances, time-integration and
// damping parameters.
void ValidateAnalysisOptions(const MeshData* mesh, int driver);
void ValidateLoadCase(const MeshData* mesh, const LoadCaseData* lc);
void ValidateCombinations(const MeshData* mesh, const CombinationData* combinations, int n);

// Context lines of a data fault, then errexit with the formatted message. context is an
// extra leading line ("   -> Load case: 2") or null; record 0 prints no counter.
[[noreturn]] void DataFault(const char* context, const char* block, int record, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));

// Where a check of a value stands: extra context line (or null), block, record counter.
struct DataPlace {
  const char* context;
  const char* block;
  int record;
};
// The value checks of the data file, each a data fault naming the place and the value:
// a code in lo..hi; a finite real; a positive one (a stiffness, area or thickness that
// the mechanics divides by or needs to carry load); one not negative.
void CheckCode(const DataPlace& w, const char* what, int value, int lo, int hi);
void CheckFinite(const DataPlace& w, const char* what, double value);
void CheckAllFinite(const DataPlace& w, const char* what, const double* v, int n);
void CheckPositive(const DataPlace& w, const char* what, double value);
void CheckNotNegative(const DataPlace& w, const char* what, double value);
