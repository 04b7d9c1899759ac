// Summary records of a driver step, written raw to the execution-parameter file.
#pragma once

#include <cstdint>

// Assembly record: term counts and timings of the last assembly and factorisation.
// Layout is exactly 32 bytes: four int32 then two doubles. Reset value: -1 / -1.0.
struct IterSummaryRecord {
  int32_t nTermsKFF;       // stored terms of KFF after compaction
  int32_t nTermsKPF;       // stored terms of KPF after compaction
  int32_t nTermsKPP;       // stored terms of KPP after compaction
  int32_t nTermsNCSB;      // terms of the profile copy of KFF (Gaussian elimination only)
  double assemblySeconds;  // wall-clock seconds of the assembly
  double factorSeconds;    // wall-clock seconds of the factorisation
};
static_assert(sizeof(IterSummaryRecord) == 32, "IterSummaryRecord must be 32 bytes");
