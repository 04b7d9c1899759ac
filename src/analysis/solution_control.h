// Solution control shared by the drivers: slave dofs of internal point links, and the
// release of the global stiffness row lists.
#pragma once

#include "assembly/sparse_rows.h"
#include "loads/loads.h"
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
