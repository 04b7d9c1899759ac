// Release of the global stiffness row lists, and the combinations and their loads.
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

void LocateLoadCases(FILE* fp, const MeshData* mesh, long* positions) {
  for (int lc = 1; lc <= mesh->Main.nLoadCases; lc++) {
    positions[lc] = std::ftell(fp);
    if (positions[lc] < 0) InvalidBinaryFile(kDataFileSuffix);
    LoadCaseData data;
    ReadLoadCase(fp, lc, mesh, &data);
    FreeLoadCase(&data);
  }
}

void OpenCombinationSet(FILE* fp, const MeshData* mesh, CombinationSet* s) {
  allocl1(&s->positions, mesh->Main.nLoadCases);
  LocateLoadCases(fp, mesh, s->positions);
  s->start = TellFile(fp);
  ReadCombinations(fp, mesh, &s->comb);
  for (int c = 1; c <= mesh->Main.nCombinations; c++)
    if (s->comb[c].Params.Phase != 1) InternalError(__FILE__, __LINE__);
}

void CloseCombinationSet(FILE* fp, const MeshData* mesh, CombinationSet* s) {
  FreeCombinations(s->comb, mesh->Main.nCombinations);
  freel1(s->positions);
  SeekFile(fp, s->start);
  *s = CombinationSet{};
}

void SumCombinationLoads(FILE* fp, int c, const MeshData* mesh, const CombinationSet* s, int nF, int nP,
                         const LoadCaseVectors& compute, double* sumF, double* sumP, double* sumX) {
  const int nLC = mesh->Main.nLoadCases;
  const CombinationData& cd = s->comb[c];
  double* f;
  allocd1(&f, nLC);
  zerod1(f, nLC);
  for (int k = 1; k <= cd.nFactors; k++) {
    const int lc = cd.Factors[k].Number;
    if (lc < 1 || lc > nLC) InternalError(__FILE__, __LINE__);
    f[lc] = cd.Factors[k].Factor;
  }
  zerod1(sumF, nF);
  zerod1(sumP, nP);
  zerod1(sumX, nP);
  double *F, *P, *X;
  allocd1(&F, nF);
  allocd1(&P, nP);
  allocd1(&X, nP);
  for (int lc = 1; lc <= nLC; lc++) {
    if (!(std::fabs(f[lc]) >= 1e-8)) continue;
    SeekFile(fp, s->positions[lc]);
    LoadCaseData data;
    ReadLoadCase(fp, lc, mesh, &data);
    compute(lc, f[lc], &data, F, P, X);
    FreeLoadCase(&data);
    AddScaledVector(nF, 1.0, F, sumF);
    AddScaledVector(nP, 1.0, P, sumP);
    AddScaledVector(nP, 1.0, X, sumX);
  }
  freed1(X);
  freed1(P);
  freed1(F);
  freed1(f);
}

void CheckNewmarkBeta(double beta) {
  if (beta > 0.0) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\nVerifying the <DYNAMIC_ANALYSIS_PARAMETERS> block\n   -> BETA: %g\n", beta);
  errexit("The parameter BETA of the time integration must be positive.", 0);
}
