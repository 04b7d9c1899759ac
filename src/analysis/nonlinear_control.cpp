// Residual forces, displacement update, convergence norms and stiffness reuse of the
// Newton-Raphson iterations, and the saved global stiffness file.
#include "analysis/nonlinear_control.h"

#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "loads/loads.h"
#include "model/fileio.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void CalcResid(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
               const NonlinearElementState* s, const double* FF, const double* FP, const double* RP, double** Uincr,
               double** Utot, double* IF, double* IP, double* ResF, double* ResP) {
  CalcInternalForces(OutputControl, mesh, w, s, Uincr, Utot, IF, IP);
  Calc_F_FreeMasterSlave(mesh, w->PointDofNumbers, IF, w->PointDofCodes);
  for (int i = 1; i <= w->nF; i++) ResF[i] = FF[i] - IF[i];
  for (int i = 1; i <= w->nP; i++) ResP[i] = FP[i] + RP[i] - IP[i];
}

void UpdateDisplReact(int nF, int nP, int PathBehavior, double* aF, double* daF, const double* da,
                      const double* dR, double* R) {
  switch (PathBehavior) {
    case 1:
      for (int i = 1; i <= nF; i++) daF[i] += da[i];
      break;
    case 2:
      for (int i = 1; i <= nF; i++) daF[i] = da[i];
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
  for (int i = 1; i <= nF; i++) aF[i] += da[i];
  for (int i = 1; i <= nP; i++) R[i] += dR[i];
}

bool CheckConvergence(int iteration, int nF, int nP, double* reference, double* norm, const MeshData* mesh,
                      const double* daF, const double* daP, const double* FF, const double* FP, const double* R,
                      const double* rF, const double* rP) {
  constexpr double kFloor = 1e-8;
  switch (mesh->Main.ConvergenceCriterion) {
    case 1: {
      double s = 0.0;
      for (int i = 1; i <= nF; i++) s += daF[i] * daF[i];
      for (int j = 1; j <= nP; j++) s += daP[j] * daP[j];
      if (iteration == 1) *reference = s < kFloor ? kFloor : s;
      *norm = std::sqrt(s) / std::sqrt(*reference);
      break;
    }
    case 2: {
      double n = 0.0, d = 0.0;
      for (int i = 1; i <= nF; i++) n += rF[i] * rF[i];
      for (int j = 1; j <= nP; j++) n += rP[j] * rP[j];
      for (int i = 1; i <= nF; i++) d += FF[i] * FF[i];
      for (int j = 1; j <= nP; j++) d += FP[j] * FP[j] + R[j] * R[j];
      if (d < kFloor) d = kFloor;
      *norm = std::sqrt(n) / std::sqrt(d);
      break;
    }
    case 3: {
      double e = 0.0;
      for (int i = 1; i <= nF; i++) e += std::fabs(rF[i] * daF[i]);
      for (int j = 1; j <= nP; j++) e += std::fabs(rP[j] * daP[j]);
      if (iteration == 1) *reference = e < kFloor ? kFloor : e;
      *norm = e / *reference;
      break;
    }
    default:
      InternalError(__FILE__, __LINE__);
  }
  return *norm < mesh->Main.Tolerance;
}

// ---- stiffness reuse ------------------------------------------------------------------------

bool GlobalStiffMatNeedsUpdate(int c, int it, int strategy) {
  switch (strategy) {
    case 1: return true;
    case 2: return c == 1 && it == 1;
    case 3: return it == 1;
    case 4: return (c == 1 && it == 1) || it == 2;
    case 5: return it == 1 || it == 2;
    default: InternalError(__FILE__, __LINE__);
  }
}

bool GlobalStiffMatNeedsToBeWritten(int c, int it, int strategy) {
  if (strategy < 1 || strategy > 5) InternalError(__FILE__, __LINE__);
  return c == 1 && it == 1;
}

bool GlobalStiffMatNeedsToBeRead(int c, int r, int it, int strategy) {
  switch (strategy) {
    case 1:
    case 3:
    case 5: return false;
    case 2: return r != 0 && c == r + 1 && it == 1;
    case 4: return r != 0 && c >= r + 1 && it == 1;
    default: InternalError(__FILE__, __LINE__);
  }
}

namespace {

int32_t TermCount(int64_t n) {
  if (n < 0 || n > INT32_MAX) InternalError(__FILE__, __LINE__);
  return static_cast<int32_t>(n);
}

void WriteRows(FILE* fp, const SparseRowMatrix* K) {
  for (int i = 1; i <= K->n; i++) WriteInt32s(fp, K->cols[i], K->count[i]);
  for (int i = 1; i <= K->n; i++) WriteDoubles(fp, K->vals[i], K->count[i]);
}

// Row counts must sum to the stored term count; columns ascend within 1..nCols and a row
// of an upper-triangle matrix starts at its diagonal.
void ReadRows(FILE* fp, int64_t nTerms, int nCols, bool upper, SparseRowMatrix* K) {
  int64_t sum = 0;
  for (int i = 1; i <= K->n; i++) {
    if (K->count[i] < 0 || K->count[i] > nCols) InvalidBinaryFile(kGlobalStiffSuffix);
    sum += K->count[i];
  }
  if (sum != nTerms) InvalidBinaryFile(kGlobalStiffSuffix);
  for (int i = 1; i <= K->n; i++) {
    const int n = K->count[i];
    if (n == 0) continue;
    alloci1(&K->cols[i], n);
    ReadInt32s(fp, K->cols[i], n);
    const int* col = K->cols[i];
    if (upper && col[1] != i) InvalidBinaryFile(kGlobalStiffSuffix);
    for (int k = 1; k <= n; k++)
      if (col[k] < 1 || col[k] > nCols || (k > 1 && col[k] <= col[k - 1])) InvalidBinaryFile(kGlobalStiffSuffix);
  }
  for (int i = 1; i <= K->n; i++) {
    if (K->count[i] == 0) continue;
    allocd1(&K->vals[i], K->count[i]);
    ReadDoubles(fp, K->vals[i], K->count[i]);
  }
}

}  // namespace

void WriteGlobalStiffMat(int64_t nTermsKFF, int64_t nTermsKPF, int64_t nTermsKPP, int nF, int nP,
                         const SparseRowMatrix* KFF, const SparseRowMatrix* KPF, const SparseRowMatrix* KPP,
                         const char* job) {
  FILE* fp;
  OpenFile(&fp, job, kGlobalStiffSuffix, "wb", 'N');
  WriteTag(kGlobalStiffOpenTag, fp);
  WriteInt32(fp, TermCount(nTermsKFF));
  WriteInt32(fp, TermCount(nTermsKPF));
  WriteInt32(fp, TermCount(nTermsKPP));
  WriteInt32s(fp, KFF->count, nF);
  WriteInt32s(fp, KPF->count, nP);
  WriteInt32s(fp, KPP->count, nP);
  WriteRows(fp, KFF);
  WriteRows(fp, KPF);
  WriteRows(fp, KPP);
  WriteTag(kGlobalStiffCloseTag, fp);
  CloseFile(fp);
}

void ReadGlobalStiffMat(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, int nF, int nP,
                        SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP, const char* job) {
  FILE* fp;
  OpenFile(&fp, job, kGlobalStiffSuffix, "rb", 'N');
  ReadTag(kGlobalStiffOpenTag, fp, kGlobalStiffSuffix);
  *nTermsKFF = ReadInt32(fp);
  *nTermsKPF = ReadInt32(fp);
  *nTermsKPP = ReadInt32(fp);
  AllocSparseCounters(nF, nP, KFF, KPF, KPP);
  ReadInt32s(fp, KFF->count, nF);
  ReadInt32s(fp, KPF->count, nP);
  ReadInt32s(fp, KPP->count, nP);
  ReadRows(fp, *nTermsKFF, nF, true, KFF);
  ReadRows(fp, *nTermsKPF, nF, false, KPF);
  ReadRows(fp, *nTermsKPP, nP, true, KPP);
  ReadTag(kGlobalStiffCloseTag, fp, kGlobalStiffSuffix);
  CloseFile(fp);
}
