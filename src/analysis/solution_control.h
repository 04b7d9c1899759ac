// Solution control shared by the drivers: slave dofs of internal point links, the
// release of the global stiffness row lists and the set-up checks of the time stepping.
#pragma once

#include <cstdint>
#include <cstdio>

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

// Start-up of the drivers that step through the combinations once: the positions of
// the load cases (allocated here), then the combinations, every one of phase 1.
// Returns the position of the combinations, to which the driver seeks back at its end.
int64_t LocateStepsOfOnePhase(FILE* fp, const MeshData* mesh, long** positions, CombinationData** comb);

// Set-up checks of the dynamic drivers: BETA of Newmark's rule (a0 = 1 / (BETA dt^2))
// and the STEP_DURATION of every combination must be positive; each stops the run
// naming the value.
void CheckNewmarkBeta(double beta);
void CheckStepDurations(const MeshData* mesh, const CombinationData* comb);
