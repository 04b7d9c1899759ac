// Slave dofs of internal point links and the release of the global stiffness.
#include "analysis/solution_control.h"

#include <initializer_list>

#include "numcore/numcore.h"

void Calc_a_FreeMasterSlave(const MeshData* mesh, int** PointDofNumbers, double* aF,
                            char** PointDofCodes) {
  for (int k = 1; k <= mesh->nPointLinks; k++) {
    const InternalPointLink& link = mesh->PointLinks[k];
    for (int d = 1; d <= 6; d++) {
      if (link.Linked[d] != 1) continue;
      if (PointDofCodes[link.Master][d] != 'F' || PointDofCodes[link.Slave][d] != 'F')
        InternalError(__FILE__, __LINE__);
      aF[PointDofNumbers[link.Slave][d]] = aF[PointDofNumbers[link.Master][d]];
    }
  }
}

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
