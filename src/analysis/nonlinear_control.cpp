// Residual forces, displacement update, convergence norms and stiffness reuse of the
// Newton-Raphson iterations, and the saved global stiffness file.
#include "analysis/nonlinear_control.h"

#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "assembly/matrix_file.h"
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

const MatrixFileKind kGlobalStiffFile{kGlobalStiffSuffix, kGlobalStiffOpenTag, kGlobalStiffCloseTag};

}  // namespace

void WriteGlobalStiffMat(int64_t nTermsKFF, int64_t nTermsKPF, int64_t nTermsKPP, int nF, int nP,
                         const SparseRowMatrix* KFF, const SparseRowMatrix* KPF, const SparseRowMatrix* KPP,
                         const char* job) {
  WriteGlobalMatFile(kGlobalStiffFile, nTermsKFF, nTermsKPF, nTermsKPP, nF, nP, KFF, KPF, KPP, job);
}

void ReadGlobalStiffMat(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, int nF, int nP,
                        SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP, const char* job) {
  ReadGlobalMatFile(kGlobalStiffFile, nTermsKFF, nTermsKPF, nTermsKPP, nF, nP, KFF, KPF, KPP, job);
}
