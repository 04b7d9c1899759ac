// Solution control shared by the drivers: slave dofs of internal point links, the
// release of the global stiffness row lists and the set-up checks of the time stepping.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

#include "assembly/sparse_rows.h"
#include "loads/loads.h"
#include "model/loadcase.h"
#include "model/mesh.h"

// Releases the global matrices KFF (nF rows), KPF and KPP (nP rows): the column and value
// list of every row that has one, then the three value-row vectors, the three
// column-row vectors and the three row-count vectors.
void FreeGlobalStiffMat(int nF, int nP, int* countKFF, int* countKPF, int* countKPP,
                        int** colsKFF, int** colsKPF, int** colsKPP, double** valsKFF,
                        double** valsKPF, double** valsKPP);
// The same for matrices held as SparseRowMatrix records; their vectors are nulled.
void FreeGlobalStiffMat(int nF, int nP, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                        SparseRowMatrix* KPP);

// Notes the position of every "<LOAD_CASE>" block in positions[1..nLoadCases] by reading
// the load cases in turn from the current position; leaves the file just after the last.
void LocateLoadCases(FILE* fp, const MeshData* mesh, long* positions);

// The load cases and combinations of a run that steps through its combinations.
struct CombinationSet {
  long* positions;        // [lc] file position of "<LOAD_CASE>" lc
  CombinationData* comb;  // [1..NUMBER_OF_COMBINATIONS]
  int64_t start;          // file position of the combination blocks
};
// Locates the load cases and reads the combinations, which must all belong to phase 1.
void OpenCombinationSet(FILE* fp, const MeshData* mesh, CombinationSet* s);
// Releases both and seeks the data file back to the combination blocks.
void CloseCombinationSet(FILE* fp, const MeshData* mesh, CombinationSet* s);

// Computes the vectors of one load case, each multiplied by its factor: loads of the free
// (F) and prescribed (P) dofs and prescribed values (X).
using LoadCaseVectors = std::function<void(int lc, double factor, const LoadCaseData* data, double* F, double* P,
                                           double* X)>;
// Sums into sumF[nF], sumP[nP], sumX[nP] (cleared first) the vectors of the load cases of
// combination c whose factor is 1e-8 or more in magnitude, each read in turn; a load case
// listed twice keeps its last factor.
void SumCombinationLoads(FILE* fp, int c, const MeshData* mesh, const CombinationSet* s, int nF, int nP,
                         const LoadCaseVectors& compute, double* sumF, double* sumP, double* sumX);

// Set-up check of Newmark's rule: BETA (a0 = 1 / (BETA dt^2)) must be positive; stops
// the run naming the value.
void CheckNewmarkBeta(double beta);
