// Summary records of a driver step, written to the execution-parameter file.
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

// Solve record: one per solve (load case, iteration or time step). 32 bytes in the file:
// int32, four padding bytes (written as zeros), three doubles. Reset value: -1 / -1.0.
struct StepSummaryRecord {
  int32_t nIterJPCG;       // conjugate-gradient iterations; -1 with Gaussian elimination
  int32_t padding;         // carries nothing; always written as zero
  double residNormJPCG;    // conjugate-gradient residual norm at its last iteration
  double solveSeconds;     // wall-clock seconds of the solve
  double residualNorm;     // residual norm of the Newton-Raphson iteration
};
static_assert(sizeof(StepSummaryRecord) == 32, "StepSummaryRecord must be 32 bytes");
