// Pieces of the nonlinear static loop that the transient drivers share: the load
// increment of a combination and the history tags of the conjugate-gradient solves.
#pragma once

#include <cstdio>

#include "analysis/restart.h"
#include "assembly/topology.h"

struct MeshData;
struct CombinationData;

// The load increment of a combination (vectors owned by the driver, 1-based).
struct LoadIncrement {
  double* dF;      // [nF] increment of the applied loads, free dofs
  double* dP;      // [nP] the same, prescribed dofs
  double* daP;     // [nP] increment of the prescribed displacements
  double* deltaP;  // [nP] prescribed displacement applied in the current iteration
  double* savedP;  // [nP] prescribed increment kept for the extra arc-length combinations
};

// Totals of combination c from its load-case factors (a factor below 1e-8 in magnitude
// drops its load case; a load case listed twice keeps its last factor) into nl's extF,
// extP and aP, and their increments over the previous combination into inc. At the first
// arc-length combination the reference increment is checked, saved to <job>_al.bin and
// scaled by LOAD_FACTOR; the extra arc-length combinations repeat it.
void CalcIncrLoadVector_NL(FILE* fp, int c, double dt, double t, const char* job, const char* OutputControl,
                           const MeshData* mesh, NonlinearWorkArrays* nl, const MainWorkArrays* w,
                           const long* positions, double** ElemNodeTemps, const CombinationData* comb,
                           LoadIncrement* inc);

// History tag of a conjugate-gradient solve: prefix, "Comb", c zero-padded to the digits
// of lastCombination, "_Iter", it zero-padded to the digits of maxIterations
// ("_", 7 of 12, 3 of 25: "_Comb07_Iter03").
void IterationHistoryTag(const char* prefix, int c, int it, int lastCombination, int maxIterations, char* tag,
                         int size);

// Iteration-limit failure: the records of the failed combination reach <job>_ep.bin,
// then the context lines and the stop.
[[noreturn]] void IterationLimitReached(int c, int limit, FILE* fpEP);
// Wall-clock seconds.
double WallSeconds();
// Flushes the history files of the slots 1..slots in use.
void FlushHistoryFiles(FILE** files, const int* counts, int slots);
