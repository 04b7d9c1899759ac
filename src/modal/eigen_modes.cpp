// Eigenvectors of the reduced problem by shifted Lanczos per frequency range, and
// load-dependent Ritz vectors with their eigenpairs in the space they span.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "modal/vibration_modes.h"
#include "model/mesh.h"
#include "model/params.h"
#include "numcore/eigensolvers.h"
#include "numcore/numcore.h"
#include "numcore/sparse.h"

namespace {

const double kNoBound = 1e40;
const double kLanczosTol = 1e-10;
const int kLanczosRestarts = 50;
// A Ritz vector is dropped when the two M-orthogonalisations leave less than this part
// of its M-norm squared: it lies (to rounding) in the span of the vectors kept.
const double kRitzDropRatio = 1e-16;

struct Range {
  double shift;
  int count;
  double bound;
  double lanczosTol;  // of the preconditioned solver
};

void AllocModes(int nF, int capacity, VibrationModes* v) {
  v->nF = nF;
  v->capacity = capacity;
  v->nModes = 0;
  allocd1(&v->lambda, capacity);
  allocd2(&v->Phi, nF, capacity);
  zerod2(v->Phi, nF, capacity);
  allocd1(&v->error, capacity);
  allocd1(&v->relError, capacity);
  zerod1(v->error, capacity);
  zerod1(v->relError, capacity);
}

// y = M x over the reduced rows.
void MassProduct(const SparseRowMatrix* M, int nR, double* y, const double* x) {
  N6_NZSymmat_y_equals_A_x(y, M->count, M->cols, M->vals, x, nR);
}

// One classical Gram-Schmidt pass of x against the M-orthonormal columns 1..k of X.
void OrthogonalizePass(const SparseRowMatrix* M, int nR, double** X, int k, double* x, double* y) {
  MassProduct(M, nR, y, x);
  for (int j = 1; j <= k; j++) {
    double c = 0.0;
    for (int i = 1; i <= nR; i++) c += X[i][j] * y[i];
    for (int i = 1; i <= nR; i++) x[i] -= c * X[i][j];
  }
}

double MassNorm2(const SparseRowMatrix* M, int nR, const double* x, double* y) {
  MassProduct(M, nR, y, x);
  return dotd1(x, y, nR);
}

// The modes found against the modes asked for: fewer is said, none ends the run.
void ReportModeCount(int found, int asked) {
  if (asked <= 0 || found >= asked) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\n   -> Vibration modes asked for: %d\n", asked);
  std::fprintf(stderr, "   -> Vibration modes found: %d\n", found);
  if (found == 0)
    errexit("No vibration mode was found: the modal analysis has no result.\n"
            "Check the masses (density and units) and the supports of the model.",
            0);
  warnmsg("Fewer vibration modes were found than asked for.", 0);
}

}  // namespace

void InitModalFactorState(ModalFactorState* st) {
  st->shift = kValueNotGiven;
  st->f = ModalSolver{};
  st->shifted = SparseRowMatrix{};
}

void FreeModalFactorState(ModalFactorState* st) {
  FreeModalSolver(&st->f);
  if (st->shifted.count != nullptr) N6_NZmat_free(st->shifted.count, st->shifted.cols, st->shifted.vals, st->shifted.n);
  InitModalFactorState(st);
}

void FreeVibrationModes(VibrationModes* v) {
  if (v->lambda != nullptr) {
    freed1(v->relError);
    freed1(v->error);
    freed2(v->Phi);
    freed1(v->lambda);
  }
  if (v->s != nullptr) freed1(v->s);
  if (v->staticRatio != nullptr) {
    freed2(v->staticRatio);
    freed1(v->staticSum);
  }
  if (v->dynamicRatio != nullptr) {
    freed2(v->dynamicRatio);
    freed1(v->dynamicSum);
  }
  *v = VibrationModes{};
}

void CalcEigenModes(const ModalInput* in, int nF, int nS, const int* perm, int nInHand, const double* lambdaInHand,
                    double** PhiInHand, const SparseRowMatrix* K, const SparseRowMatrix* M, ModalFactorState* st,
                    VibrationModes* v) {
  const MeshData* mesh = in->mesh;
  const int nR = nF - nS;
  const int path = ModalSolverPathOf(mesh->Main.LinEqAlgorithm);
  const double pcgtol = mesh->Main.PrecondResidualDecay;
  if (nInHand > nR) InternalError(__FILE__, __LINE__);

  std::vector<Range> ranges;
  long wanted = 0;
  for (int r = 1; r <= mesh->nFrequencyRanges; r++) {
    const FrequencyRange& fr = mesh->FrequencyRanges[r];
    const int count = std::max(0, static_cast<int>(fr.Int));
    wanted += count;
    const double tol = fr.D3 > 0.0 && fr.D3 <= 1e-4 ? fr.D3 : kLanczosTol;
    ranges.push_back(Range{fr.D1, count, fr.D2 == 0.0 ? kNoBound : fr.D2, tol});
  }
  if (nInHand + wanted >= nR) ranges.assign(1, Range{0.0, nR - nInHand, kNoBound, kLanczosTol});
  const int capacity = static_cast<int>(std::min<long>(nR, nInHand + wanted));
  AllocModes(nF, capacity, v);

  double* t;
  allocd1(&t, nF);
  for (int j = 1; j <= nInHand; j++) {
    getcold2(t, PhiInHand, nF, j);
    ReorderVector(nF, nS, perm, t);
    setcold2(v->Phi, t, nF, j);
    v->lambda[j] = lambdaInHand[j];
  }
  freed1(t);
  v->nModes = nInHand;

  for (const Range& r : ranges) {
    const int nev = std::min(r.count, capacity - v->nModes);
    if (nev <= 0) continue;
    if (r.shift != st->shift) {
      if (path == kModalIterative && r.shift != 0.0) {
        std::fflush(stdout);
        std::fprintf(stderr, "\nShift = %lf\n", r.shift);
        errexit("The iterative solver of the modal analysis cannot take a shift:\n"
                "give every frequency range the shift 0.0 or choose _GAUSS_ELIM.",
                0);
      }
      const int* Ac = K->count;
      int** Acol = K->cols;
      double** Aval = K->vals;
      if (r.shift != 0.0) {
        if (st->shifted.count == nullptr) {
          st->shifted.n = nR;
          N6_NZmat_alloc_empty(&st->shifted.count, &st->shifted.cols, &st->shifted.vals, nR);
        }
        N6_NZmat_C_equals_aA_plus_bB_2(st->shifted.count, st->shifted.cols, st->shifted.vals, K->count, K->cols,
                                       K->vals, M->count, M->cols, M->vals, nR, 1.0, -r.shift);
        Ac = st->shifted.count;
        Acol = st->shifted.cols;
        Aval = st->shifted.vals;
      }
      switch (FactorModalMatrix(path, pcgtol, Ac, Acol, Aval, nR, &st->f)) {
        case kModalFactorOk:
          break;
        case kModalFactorSingular:
          std::fflush(stdout);
          std::fprintf(stderr, "Shift = %lf\n", r.shift);
          errexit("Shifted matrix is singular. Choose different shift", 0);
        case kModalFactorNullDiagonal:
          errexit("Stiff Matrix not positive definite", 0);
        default:
          InternalError(__FILE__, __LINE__);
      }
      st->shift = r.shift;
    }

    // The modes already found are the constraints: the range finds new modes only.
    const int nc = v->nModes;
    double **C, **X, *mu;
    allocd2(&C, nR, nc);
    for (int i = 1; i <= nR; i++)
      for (int j = 1; j <= nc; j++) C[i][j] = v->Phi[i][j];
    allocd2(&X, nR, nev);
    allocd1(&mu, nev);
    int found = 0;
    bool ok;
    if (path == kModalProfile)
      ok = N6_Lanczos_direct(st->f.last, st->f.P, M->count, M->cols, M->vals, nR, nev, r.bound, mu, X, &found, nc, C,
                             kLanczosRestarts, kLanczosTol);
    else
      ok = N6_Lanczos_pcg(st->f.Acount, st->f.Acol, st->f.Aval, st->f.Ucount, st->f.Ucol, st->f.Uval, M->count,
                          M->cols, M->vals, nR, nev, r.bound, mu, X, &found, nc, C, kLanczosRestarts, r.lanczosTol,
                          pcgtol);
    if (!ok) {
      std::fflush(stdout);
      std::fprintf(stderr, "Warning: some modes may have not converged - check file %s_vm.dat\n", in->job);
    }
    for (int j = 1; j <= found; j++) {
      const int c = ++v->nModes;
      v->lambda[c] = mu[j] + r.shift;
      for (int i = 1; i <= nR; i++) v->Phi[i][c] = X[i][j];
    }
    freed1(mu);
    freed2(X);
    freed2(C);
  }
  ReportModeCount(v->nModes - nInHand, capacity - nInHand);
}

void CalcRitzVectors(const ModalSolver* Kf, const SparseRowMatrix* M, int nR, const double* f, int count,
                     double** X, int* nKept, int capacity) {
  double *x, *b, *y;
  allocd1(&x, nR);
  allocd1(&b, nR);
  allocd1(&y, nR);
  int prev = 0;
  for (int k = 1; k <= count && *nKept < capacity; k++) {
    if (k == 1) {
      copyd1(b, f, nR);
    } else {
      getcold2(x, X, nR, prev);
      MassProduct(M, nR, b, x);
    }
    SolveModalMatrix(Kf, x, b);
    // Two passes of M-orthogonalisation, each followed by the M-normalisation; what is
    // left of the M-norm squared decides whether the vector is new.
    const double before = MassNorm2(M, nR, x, y);
    double left = 1.0;
    bool keep = before > 0.0;
    for (int pass = 1; pass <= 2 && keep; pass++) {
      OrthogonalizePass(M, nR, X, *nKept, x, y);
      const double m = MassNorm2(M, nR, x, y);
      keep = m > 0.0 && std::isfinite(m);
      if (!keep) break;
      left *= pass == 1 ? m / before : m;
      scaled1(x, nR, 1.0 / std::sqrt(m));
    }
    if (!keep || !(left >= kRitzDropRatio)) break;
    prev = ++*nKept;
    setcold2(X, x, nR, prev);
  }
  freed1(y);
  freed1(b);
  freed1(x);
}

void SolveStiffLoadCases(const ModalInput* in, int nF, int nS, const int* perm, const SparseRowMatrix* K,
                         const SparseRowMatrix* M, ModalFactorState* st, VibrationModes* v) {
  const MeshData* mesh = in->mesh;
  const int nR = nF - nS;
  const int path = ModalSolverPathOf(mesh->Main.LinEqAlgorithm);
  long total = 0;
  for (int r = 1; r <= mesh->nRitzLoadCases; r++) total += std::max(0, static_cast<int>(mesh->RitzLoadCases[r].Int2));
  const int capacity = static_cast<int>(std::min<long>(total, nR));

  if (st->shift != 0.0) {
    FactorModalMatrixOrStop(path, mesh->Main.PrecondResidualDecay, K->count, K->cols, K->vals, nR,
                            "Stiff matrix is singular", "Stiff Matrix not positive definite", &st->f);
    st->shift = 0.0;
  }

  double **X, *F;
  allocd2(&X, nR, capacity);
  allocd1(&F, nF);
  int nKept = 0;
  for (int r = 1; r <= mesh->nRitzLoadCases && nKept < capacity; r++) {
    const IntPair& rec = mesh->RitzLoadCases[r];
    if (rec.Int2 <= 0) continue;
    ModalLoadVector(in, rec.Int1, F);
    ReorderVector(nF, nS, perm, F);
    CalcRitzVectors(&st->f, M, nR, F, rec.Int2, X, &nKept, capacity);
  }
  freed1(F);

  // K* = X^T K X; the reduced mass is the identity.
  double **KX, **T, **Q, *lambda, *x, *y;
  allocd2(&KX, nR, nKept);
  allocd1(&x, nR);
  allocd1(&y, nR);
  for (int j = 1; j <= nKept; j++) {
    getcold2(x, X, nR, j);
    ModalMatrixProduct(&st->f, y, x);
    setcold2(KX, y, nR, j);
  }
  allocd2(&T, nKept, nKept);
  allocd2(&Q, nKept, nKept);
  allocd1(&lambda, nKept);
  for (int a = 1; a <= nKept; a++)
    for (int b = a; b <= nKept; b++) {
      double sab = 0.0, sba = 0.0;
      for (int i = 1; i <= nR; i++) {
        sab += X[i][a] * KX[i][b];
        sba += X[i][b] * KX[i][a];
      }
      T[a][b] = T[b][a] = 0.5 * (sab + sba);
    }
  N6_Symmat_eigen(T, lambda, Q, nKept);
  N6_sort_eigenpairs(lambda, Q, nKept, nKept);

  AllocModes(nF, nKept, v);
  v->nModes = nKept;
  for (int j = 1; j <= nKept; j++) {
    v->lambda[j] = lambda[j];
    for (int i = 1; i <= nR; i++) {
      double s = 0.0;
      for (int l = 1; l <= nKept; l++) s += X[i][l] * Q[l][j];
      v->Phi[i][j] = s;
    }
  }
  freed1(lambda);
  freed2(Q);
  freed2(T);
  freed1(y);
  freed1(x);
  freed2(KX);
  freed2(X);
}
