// Release of the global stiffness row lists; set-up checks of the time stepping.
#include "analysis/solution_control.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "analysis/entry.h"
#include "model/fileio.h"
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

void CheckNewmarkBeta(double beta) {
  if (beta > 0.0) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\nVerifying the <DYNAMIC_ANALYSIS_PARAMETERS> block\n   -> BETA: %g\n", beta);
  errexit("The parameter BETA of the time integration must be positive.", 0);
}

void CheckStepDurations(const MeshData* mesh, const CombinationData* comb) {
  for (int c = 1; c <= mesh->Main.nCombinations; c++) {
    const double dt = comb[c].Params.StepDuration;
    if (dt > 0.0 && std::isfinite(dt)) continue;
    std::fflush(stdout);
    std::fprintf(stderr, "\nVerifying the combinations of the dynamic analysis\n   -> Combination: %d\n", c);
    std::fprintf(stderr, "   -> STEP_DURATION: %g\n", dt);
    errexit("The step duration of a combination of the dynamic analysis\nmust be positive.", 0);
  }
}

int64_t LocateStepsOfOnePhase(FILE* fp, const MeshData* mesh, long** positions, CombinationData** comb) {
  allocl1(positions, mesh->Main.nLoadCases);
  LocateLoadCases(fp, mesh, *positions);
  const int64_t start = TellFile(fp);
  ReadCombinations(fp, mesh, comb);
  for (int c = 1; c <= mesh->Main.nCombinations; c++)
    if ((*comb)[c].Params.Phase != 1) InternalError(__FILE__, __LINE__);
  return start;
}
