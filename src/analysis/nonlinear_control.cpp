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

double SquaredNorm(const double* v, int n) {
  double s = 0.0;
  for (int i = 1; i <= n; i++) s += v[i] * v[i];
  return s;
}

namespace {

// A correction below this fraction of the total displacement (a residual work below its
// square of the force times the displacement) is the rounding of a step that changes
// nothing: the references of the displacement and energy norms are kept high enough for
// it to pass the tolerance.
constexpr double kRoundingFraction = 1e-12;

double Ratio(double value, double reference) {
  if (reference > 0.0) return value / reference;
  return value == 0.0 ? 0.0 : HUGE_VAL;
}

}  // namespace

bool CheckConvergence(int iteration, int nF, int nP, double* reference, double* norm, const MeshData* mesh,
                      const double* daF, const double* daP, const double* FF, const double* FP, const double* R,
                      const double* rF, const double* rP, const ConvergenceScale& scale) {
  // The model's scales: its largest force (applied loads and reactions, the internal
  // forces of the iteration and the largest of the run's converged states) and its total
  // displacement. Every reference is one of them or a correction of the combination, so
  // that a change of units changes no norm.
  double loads = SquaredNorm(FF, nF);
  for (int j = 1; j <= nP; j++) loads += FP[j] * FP[j] + R[j] * R[j];
  double force2 = SquaredNorm(scale.IF, nF) + SquaredNorm(scale.IP, nP);
  if (loads > force2) force2 = loads;
  if (scale.runForce2 > force2) force2 = scale.runForce2;
  const double displ2 = SquaredNorm(scale.aF, nF) + SquaredNorm(scale.aP, nP);
  const double tolerance = mesh->Main.Tolerance > 0.0 ? mesh->Main.Tolerance : 1.0;
  switch (mesh->Main.ConvergenceCriterion) {
    case 1: {
      const double s = SquaredNorm(daF, nF) + SquaredNorm(daP, nP);
      if (iteration == 1) {
        const double a = kRoundingFraction / tolerance;
        const double floor = a * a * displ2;
        *reference = s < floor ? floor : s;
      }
      *norm = *reference > 0.0 ? std::sqrt(s) / std::sqrt(*reference) : Ratio(s, 0.0);
      break;
    }
    case 2: {
      const double n = SquaredNorm(rF, nF) + SquaredNorm(rP, nP);
      *norm = force2 > 0.0 ? std::sqrt(n) / std::sqrt(force2) : Ratio(n, 0.0);
      break;
    }
    case 3: {
      double e = 0.0;
      for (int i = 1; i <= nF; i++) e += std::fabs(rF[i] * daF[i]);
      for (int j = 1; j <= nP; j++) e += std::fabs(rP[j] * daP[j]);
      if (iteration == 1) {
        const double floor =
            kRoundingFraction * kRoundingFraction / tolerance * std::sqrt(force2) * std::sqrt(displ2);
        *reference = e < floor ? floor : e;
      }
      *norm = Ratio(e, *reference);
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
    // The matrices held at the end of combination r (strategy 4 keeps them into the next
    // combination); later combinations keep their own, as the uninterrupted run does.
    case 4: return r != 0 && c == r + 1 && it == 1;
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

void WriteGlobalStiffMatStream(FILE* fp, int64_t nTermsKFF, int64_t nTermsKPF, int64_t nTermsKPP, int nF, int nP,
                               const SparseRowMatrix* KFF, const SparseRowMatrix* KPF, const SparseRowMatrix* KPP) {
  WriteGlobalMatStream(fp, kGlobalStiffFile, nTermsKFF, nTermsKPF, nTermsKPP, nF, nP, KFF, KPF, KPP);
}

void ReadGlobalStiffMatStream(FILE* fp, int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, int nF, int nP,
                              SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP) {
  ReadGlobalMatStream(fp, kGlobalStiffFile, nTermsKFF, nTermsKPF, nTermsKPP, nF, nP, KFF, KPF, KPP);
}

void ReadGlobalStiffMat(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, int nF, int nP,
                        SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP, const char* job) {
  ReadGlobalMatFile(kGlobalStiffFile, nTermsKFF, nTermsKPF, nTermsKPP, nF, nP, KFF, KPF, KPP, job);
}
