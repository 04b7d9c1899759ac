// Release of the global stiffness row lists.
#include "analysis/solution_control.h"

#include <initializer_list>

#include "numcore/numcore.h"

namespace {

void FreeRows(int n, int** cols, double** vals) {
  for (int i = 1; i <= n; i++) {
    if (cols[i] != nullptr) freei1(cols[i]);
    if (vals[i] != nullptr) freed1(vals[i]);
  }
}

}  // namespace

void FreeGlobalStiffMat(int nF, int nP, int* countKFF, int* countKPF, int* countKPP,
                        int** colsKFF, int** colsKPF, int** colsKPP, double** valsKFF,
                        double** valsKPF, double** valsKPP) {
  FreeRows(nF, colsKFF, valsKFF);
  FreeRows(nP, colsKPF, valsKPF);
  FreeRows(nP, colsKPP, valsKPP);
  freepd1(valsKFF);
  freepd1(valsKPF);
  freepd1(valsKPP);
  freepi1(colsKFF);
  freepi1(colsKPF);
  freepi1(colsKPP);
  freei1(countKFF);
  freei1(countKPF);
  freei1(countKPP);
}

void FreeGlobalStiffMat(int nF, int nP, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                        SparseRowMatrix* KPP) {
  FreeGlobalStiffMat(nF, nP, KFF->count, KPF->count, KPP->count, KFF->cols, KPF->cols, KPP->cols,
                     KFF->vals, KPF->vals, KPP->vals);
  for (SparseRowMatrix* K : {KFF, KPF, KPP}) {
    K->count = nullptr;
    K->cols = nullptr;
    K->vals = nullptr;
  }
}
