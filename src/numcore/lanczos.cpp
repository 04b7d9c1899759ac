// Shift-invert Lanczos solvers for the lowest modes of K x = lambda M x: M-orthonormal
// vectors with full reorthogonalisation, orthogonalisation against given constraint
// vectors, and implicit restarts that purge unwanted Ritz values. The operator is
// OP = K^-1 M, self-adjoint in the M inner product; its eigenvalues are theta = 1/lambda.
#include <cmath>
#include <cstdio>
#include <utility>

#include "numcore/eigensolvers.h"
#include "numcore/numcore.h"
#include "numcore/sparse.h"

namespace {

const int kOperatorProfile = 1;
const int kOperatorPcg = 2;

// A step whose Rayleigh quotient |alpha| ~ 1/|lambda_near| exceeds this multiple of
// 1/scale (scale a typical eigenvalue magnitude of the shifted pencil) means that the
// shifted matrix is singular to working accuracy. Relative, so that neither the units
// nor a low first frequency can trigger it.
const double kShiftTooClose = 1e12;
// Attempts at a new start vector that is not (numerically) in the span already held.
const int kStartAttempts = 20;

double NextRandom(LanczosWork* L) {
  L->x = L->x < 0.0 ? 0.5 : N6_Lanczos_random(L->x);
  return L->x;
}

// v -= (a . v) b over 1..n: one step of modified Gram-Schmidt with contiguous vectors.
void SubtractProjection(const double* a, const double* b, double* v, int n) {
  double c = 0.0;
  for (int i = 1; i <= n; i++) c += a[i] * v[i];
  for (int i = 1; i <= n; i++) v[i] -= c * b[i];
}

// One pass of M-orthogonalisation of v against q(1..upto) and the constraints.
void OrthogonalizePass(LanczosWork* L, double* v, int upto) {
  for (int j = 1; j <= upto; j++) SubtractProjection(L->MQ[j], L->Q[j], v, L->n);
  for (int j = 1; j <= L->nc; j++) SubtractProjection(L->MC[j], L->C[j], v, L->n);
}

// out(c) = sum over l = 1..k of V(l) X[l][c] for c = 1..cols, each sum taken in the
// order of l (the vectors are the rows of V and of out).
void CombineVectors(double** V, double** X, int k, int cols, int n, double** out) {
  for (int c = 1; c <= cols; c++) {
    double* o = out[c];
    for (int i = 1; i <= n; i++) o[i] = 0.0;
    for (int l = 1; l <= k; l++) {
      const double* v = V[l];
      const double x = X[l][c];
      for (int i = 1; i <= n; i++) o[i] += v[i] * x;
    }
  }
}

// Full M-orthogonalisation; a second pass when the first removed most of the vector
// (one pass then leaves components of rounding size relative to the old length).
double OrthogonalizeM(LanczosWork* L, double* v, int upto) {
  double before = normd1(v, L->n);
  OrthogonalizePass(L, v, upto);
  double after = normd1(v, L->n);
  if (after < 0.7 * before) {
    OrthogonalizePass(L, v, upto);
    after = normd1(v, L->n);
  }
  return after;
}

bool ApplyInverse(LanczosWork* L, const LanczosOperator* op, double* x, const double* b);

// r := OP applied to the next numbers of the start sequence, M-orthogonal to q(1..upto)
// and the constraints; refilled while the projection removes it (to 1e-8 of its
// length). Taken through the operator, the start vector lies in its range: with
// massless dofs (M singular) no component outside it enters the basis, where it would
// never be corrected. kStartNone when no such vector is found, kStartFailed when the
// solve fails (warned).
const int kStartFound = 1;
const int kStartNone = 0;
const int kStartFailed = 2;
int NewStartVector(LanczosWork* L, const LanczosOperator* op, int upto) {
  for (int attempt = 1; attempt <= kStartAttempts; attempt++) {
    for (int i = 1; i <= L->n; i++) L->p[i] = NextRandom(L);
    N6_NZSymmat_y_equals_A_x(L->t, L->Mcount, L->Mcol, L->Mval, L->p, L->n);
    if (!ApplyInverse(L, op, L->r, L->t)) return kStartFailed;
    double before = normd1(L->r, L->n);
    double after = OrthogonalizeM(L, L->r, upto);
    if (after > 1e-8 * before) return kStartFound;
  }
  return kStartNone;
}

bool ApplyInverse(LanczosWork* L, const LanczosOperator* op, double* x, const double* b) {
  switch (op->kind) {
    case kOperatorProfile:
      return N6_NZmat_gauss_solve(op->last, op->P, x, b, L->n);
    case kOperatorPcg: {
      int its;
      return N6_NZmat_pcg_solve(op->Kcount, op->Kcol, op->Kval, op->Ucount, op->Ucol,
                                op->Uval, x, b, L->n, op->pcgtol, &its);
    }
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void ApplyK(LanczosWork* L, const LanczosOperator* op, double* y, const double* x) {
  switch (op->kind) {
    case kOperatorProfile:
      N6_NZmat_factored_y_equals_A_x(y, op->last, op->P, x, L->n);
      return;
    case kOperatorPcg:
      N6_NZSymmat_y_equals_A_x(y, op->Kcount, op->Kcol, op->Kval, x, L->n);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void WarnMassNorm() { warnmsg("Null or negative mass norm of a Lanczos vector.", 0); }

// Lanczos step k = L->k + 1 with the three-term recurrence
//   beta(k) q(k+1) = OP q(k) - alpha(k) q(k) - beta(k-1) q(k-1),
// full reorthogonalisation against every vector held and the constraints.
int Step(LanczosWork* L, const LanczosOperator* op, double* alphaout, double* betaout) {
  int n = L->n;
  int k = ++L->k;
  N6_NZSymmat_y_equals_A_x(L->p, L->Mcount, L->Mcol, L->Mval, L->r, n);
  double rp = dotd1(L->r, L->p, n);
  if (!(rp > 0.0) || !std::isfinite(rp)) {
    WarnMassNorm();
    return kLanczosFailed;
  }
  double beta = std::sqrt(rp);
  *betaout = beta;
  for (int i = 1; i <= n; i++) {
    L->Q[k][i] = L->r[i] / beta;
    L->p[i] /= beta;
    L->MQ[k][i] = L->p[i];
  }

  if (!ApplyInverse(L, op, L->r, L->p)) return kLanczosFailed;
  double raw = normd1(L->r, n);

  if (k > 1 && !L->decoupled)
    for (int i = 1; i <= n; i++) L->r[i] -= beta * L->w[i];
  for (int i = 1; i <= n; i++) L->w[i] = L->Q[k][i];
  double alpha = dotd1(L->p, L->r, n);
  *alphaout = alpha;
  if (!std::isfinite(alpha) || std::fabs(alpha) * L->scale > kShiftTooClose) {
    warnmsg("The shift is too close to an eigenvalue.", 0);
    return kLanczosFailed;
  }

  for (int i = 1; i <= n; i++) L->r[i] -= alpha * L->Q[k][i];
  double norm = OrthogonalizeM(L, L->r, k);

  L->T[k][k] = alpha;
  if (k > 1) {
    double coupling = L->decoupled ? 0.0 : beta;
    L->T[k - 1][k] = coupling;
    L->T[k][k - 1] = coupling;
  }
  L->decoupled = false;

  if (norm > L->tol * L->tol * raw) return kLanczosGoOn;
  // The vectors span an invariant subspace (for instance one copy of a repeated
  // eigenvalue): go on with a new start vector in a new block, or stop when none is left.
  int start = k < L->m ? NewStartVector(L, op, k) : kStartNone;
  if (start == kStartFailed) return kLanczosFailed;
  if (start == kStartFound) {
    L->decoupled = true;
    return kLanczosGoOn;
  }
  return kLanczosExhausted;
}

// r = OP q(k) - T(k,k) q(k) - T(k,k-1) q(k-1): the residual of the Lanczos relation of
// the kept basis, which holds whether or not the purge deflated exactly.
bool Rebuild(LanczosWork* L, const LanczosOperator* op) {
  int n = L->n, k = L->k;
  for (int i = 1; i <= n; i++) L->p[i] = L->MQ[k][i];
  if (!ApplyInverse(L, op, L->r, L->p)) return false;
  double raw = normd1(L->r, n);
  for (int i = 1; i <= n; i++) {
    L->r[i] -= L->T[k][k] * L->Q[k][i];
    if (k > 1) L->r[i] -= L->T[k][k - 1] * L->Q[k - 1][i];
  }
  double norm = OrthogonalizeM(L, L->r, k);
  for (int i = 1; i <= n; i++) L->w[i] = L->Q[k][i];
  L->decoupled = false;

  N6_Symmat_eigen(L->T, L->theta, L->S, k);
  N6_sort_eigenpairs(L->theta, L->S, k, k);
  ApplyK(L, op, L->t, L->r);
  L->g = normd1(L->t, n);

  if (!(norm > L->tol * L->tol * raw) && k < L->m) {
    int start = NewStartVector(L, op, k);
    if (start == kStartFailed) return false;
    if (start == kStartFound) L->decoupled = true;
  }
  return true;
}

// Residual test of the Ritz pairs with the largest |theta|: with y = Q s,
//   M y - theta K y = s[k] K r,
// so |s[k]| |K r| / |M y| is the relative residual of the pair.
bool Converged(LanczosWork* L) {
  int n = L->n, k = L->k;
  int jmin = k - L->nev + 1 > 1 ? k - L->nev + 1 : 1;
  for (int j = k; j >= jmin; j--) {
    for (int i = 1; i <= n; i++) L->t[i] = 0.0;
    for (int l = 1; l <= k; l++)
      for (int i = 1; i <= n; i++) L->t[i] += L->MQ[l][i] * L->S[l][j];
    double my = normd1(L->t, n);
    if (!(std::fabs(L->S[k][j] * L->g) <= L->tol * my)) return false;
  }
  return true;
}

// eigenvalue 1/theta(j) and eigenvector Q s(j) for j = k down to k - nev + 1.
void Extract(LanczosWork* L, double* eigenvalues, double** eigenvectors, int* found) {
  int n = L->n, k = L->k;
  int jmin = k - L->nev + 1 > 1 ? k - L->nev + 1 : 1;
  int c = 0;
  for (int j = k; j >= jmin; j--) {
    if (L->theta[j] == 0.0) continue;  // a massless direction: no finite eigenvalue
    c++;
    eigenvalues[c] = 1.0 / L->theta[j];
    for (int i = 1; i <= n; i++) L->t[i] = 0.0;
    for (int l = 1; l <= k; l++)
      for (int i = 1; i <= n; i++) L->t[i] += L->Q[l][i] * L->S[l][j];
    for (int i = 1; i <= n; i++) eigenvectors[i][c] = L->t[i];
  }
  *found = c;
}

void AllocWork(LanczosWork* L, int n, int m, int nev, int nc, double** C, const int* Mcount,
               int** Mcol, double** Mval, double tol) {
  L->n = n;
  L->m = m;
  L->nev = nev;
  L->nc = nc;
  L->k = 0;
  L->Mcount = Mcount;
  L->Mcol = Mcol;
  L->Mval = Mval;
  L->x = -1.0;
  L->scale = 0.0;
  L->tol = tol;
  L->g = 0.0;
  L->decoupled = false;
  L->steps = 0;
  allocd2(&L->Q, m, n);
  allocd2(&L->MQ, m, n);
  allocd2(&L->spare, m, n);
  allocd2(&L->T, m, m);
  zerod2(L->T, m, m);
  allocd2(&L->C, nc, n);
  allocd2(&L->MC, nc, n);
  allocd1(&L->r, n);
  allocd1(&L->p, n);
  allocd1(&L->w, n);
  allocd1(&L->t, n);
  allocd1(&L->theta, m);
  allocd2(&L->S, m, m);
  allocd2(&L->W, m, m);
  // The constraints and M C, a vector to a row.
  for (int j = 1; j <= nc; j++) {
    for (int i = 1; i <= n; i++) L->C[j][i] = C[i][j];
    N6_NZSymmat_y_equals_A_x(L->MC[j], Mcount, Mcol, Mval, L->C[j], n);
  }
}

void FreeWork(LanczosWork* L) {
  freed2(L->W);
  freed2(L->S);
  freed1(L->theta);
  freed1(L->t);
  freed1(L->w);
  freed1(L->p);
  freed1(L->r);
  freed2(L->MC);
  freed2(L->C);
  freed2(L->T);
  freed2(L->spare);
  freed2(L->MQ);
  freed2(L->Q);
}

bool Run(const LanczosOperator* op, const int* Mcount, int** Mcol, double** Mval, int n,
         int nev, double sigma, double* eigenvalues, double** eigenvectors, int* found, int nc,
         double** C, int maxrestarts, double tol) {
  *found = 0;
  if (nev <= 0 || n - nc <= 0) return true;  // nothing M-orthogonal to C is left to find
  // A dof whose mass diagonal is zero adds no dimension to the range of the operator (M
  // is semi-definite): the basis can hold no more vectors than the dofs with mass, and a
  // vector beyond them would be rounding noise outside the range.
  int massive = 0;
  for (int i = 1; i <= n; i++)
    if (Mcount[i] >= 1 && Mcol[i][1] == i && Mval[i][1] != 0.0) massive++;
  if (massive == 0) {
    WarnMassNorm();
    return false;
  }
  const int room = massive - nc;
  if (room <= 0) return true;
  if (nev > room) nev = room;
  int m = 2 * nev + 1 > 100 ? 2 * nev + 1 : 100;
  if (m > room) m = room;

  LanczosWork L;
  AllocWork(&L, n, m, nev, nc, C, Mcount, Mcol, Mval, tol);

  // Start vector and the spectral scale of the pencil it sees.
  int start = NewStartVector(&L, op, 0);
  if (start == kStartNone) WarnMassNorm();
  bool ok = start == kStartFound;
  if (ok) {
    // The scale from the raw start numbers (still in p), before the operator has drawn
    // them toward the lowest modes.
    ApplyK(&L, op, L.t, L.p);
    N6_NZSymmat_y_equals_A_x(L.w, Mcount, Mcol, Mval, L.p, n);
    double pkp = dotd1(L.p, L.t, n), pmp = dotd1(L.p, L.w, n);
    N6_NZSymmat_y_equals_A_x(L.p, Mcount, Mcol, Mval, L.r, n);
    double rmr = dotd1(L.r, L.p, n);
    if (!(rmr > 0.0) || !std::isfinite(rmr) || !(pmp > 0.0) || !std::isfinite(pmp)) {
      WarnMassNorm();
      ok = false;
    } else {
      L.scale = std::fabs(pkp) / pmp;
    }
  }
  if (!ok) {
    FreeWork(&L);
    return false;
  }

  bool result = true;
  int restarts = 0;
  while (true) {
    int res = kLanczosGoOn;
    while (res == kLanczosGoOn && L.k < L.m) {
      res = op->kind == kOperatorPcg ? N6_Lanczos_step_pcg(&L, op)
                                     : N6_Lanczos_step_direct(&L, op);
      if (res == kLanczosFailed) {
        FreeWork(&L);
        return false;
      }
    }
    if (N6_Lanczos_restart(&L, sigma)) break;
    bool rebuilt = op->kind == kOperatorPcg ? N6_Lanczos_rebuild_pcg(&L, op)
                                            : N6_Lanczos_rebuild_direct(&L, op);
    if (!rebuilt) {
      FreeWork(&L);
      return false;
    }
    if (Converged(&L)) break;
    restarts++;
    if (restarts > maxrestarts) {
      result = false;
      break;
    }
  }
  Extract(&L, eigenvalues, eigenvectors, found);
  FreeWork(&L);
  return result;
}

}  // namespace

double N6_Lanczos_random(double x) {
  double v = std::sqrt(-1000.0 * std::log(0.8 * x + 0.1));
  return v - std::floor(v);
}

int N6_Lanczos_step_direct(LanczosWork* L, const LanczosOperator* op) {
  if (op->kind != kOperatorProfile) InternalError(__FILE__, __LINE__);
  double alpha, beta;
  L->steps++;
  return Step(L, op, &alpha, &beta);
}

int N6_Lanczos_step_pcg(LanczosWork* L, const LanczosOperator* op) {
  if (op->kind != kOperatorPcg) InternalError(__FILE__, __LINE__);
  double alpha = 0.0, beta = 0.0;
  L->steps++;
  std::printf("Lanczos iteration %d ...\n", L->steps);
  int res = Step(L, op, &alpha, &beta);
  if (res != kLanczosFailed)
    std::printf("Lanczos iteration finished: Alpha = %e, Beta = %e\n\n", alpha, beta);
  return res;
}

// The Ritz values are purged smallest magnitude first (eigenvalues farthest from the
// shift), each by one implicit QR step with that value as the exact shift, which moves
// it to the trailing corner of T where it decouples; the steps are applied to the whole
// k x k matrix and accumulated in W, so Q W keeps a valid Lanczos relation.
bool N6_Lanczos_restart(LanczosWork* L, double sigma) {
  int k = L->k;
  N6_Symmat_eigen(L->T, L->theta, L->S, k);
  N6_sort_eigenpairs(L->theta, L->S, k, k);
  if (k <= L->nev) return true;

  zerod2(L->W, k, k);
  setdiagd2(L->W, k, k, 1.0);
  int kk = k;
  for (int j = 1;; j++) {
    if (kk <= L->nev + 5 && std::fabs(L->theta[j]) > 1.0 / sigma) break;
    if (kk == 1) {
      kk = 0;
      break;
    }
    N6_Tridiag_shifted_qr_step(L->T, L->W, L->theta[j], k, k);
    kk--;
  }
  if (kk == 0) {
    L->k = 0;
    return true;
  }

  // Q := Q W and MQ := MQ W on the first kk vectors, built in the spare store.
  CombineVectors(L->Q, L->W, k, kk, L->n, L->spare);
  std::swap(L->Q, L->spare);
  CombineVectors(L->MQ, L->W, k, kk, L->n, L->spare);
  std::swap(L->MQ, L->spare);
  for (int i = 1; i <= k; i++)
    for (int j = 1; j <= k; j++)
      if (i > kk || j > kk) L->T[i][j] = 0.0;
  L->k = kk;
  return false;
}

bool N6_Lanczos_rebuild_direct(LanczosWork* L, const LanczosOperator* op) {
  if (op->kind != kOperatorProfile) InternalError(__FILE__, __LINE__);
  return Rebuild(L, op);
}

bool N6_Lanczos_rebuild_pcg(LanczosWork* L, const LanczosOperator* op) {
  if (op->kind != kOperatorPcg) InternalError(__FILE__, __LINE__);
  return Rebuild(L, op);
}

bool N6_Lanczos_direct(const int* last, double** P, const int* Mcount, int** Mcol,
                       double** Mval, int n, int nev, double sigma, double* eigenvalues,
                       double** eigenvectors, int* found, int nc, double** C, int maxrestarts,
                       double tol) {
  LanczosOperator op = {kOperatorProfile, last, P, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, 0.0};
  return Run(&op, Mcount, Mcol, Mval, n, nev, sigma, eigenvalues, eigenvectors, found, nc, C,
             maxrestarts, tol);
}

bool N6_Lanczos_pcg(const int* Kcount, int** Kcol, double** Kval, const int* Ucount,
                    int** Ucol, double** Uval, const int* Mcount, int** Mcol, double** Mval,
                    int n, int nev, double sigma, double* eigenvalues, double** eigenvectors,
                    int* found, int nc, double** C, int maxrestarts, double tol,
                    double pcgtol) {
  LanczosOperator op = {kOperatorPcg, nullptr, nullptr, Kcount, Kcol, Kval,
                        Ucount, Ucol, Uval, pcgtol};
  return Run(&op, Mcount, Mcol, Mval, n, nev, sigma, eigenvalues, eigenvectors, found, nc, C,
             maxrestarts, tol);
}
