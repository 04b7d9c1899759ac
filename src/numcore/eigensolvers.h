// Numcore eigen solvers: dense symmetric and tridiagonal eigenpairs, and the
// shift-invert Lanczos solvers of K x = lambda M x for the lowest vibration modes.
// Matrices are 1-based (numcore.h); K and M are row lists in symmetric upper form or,
// for K, the reduced profile store (sparse.h).
#pragma once

// ---- dense symmetric and tridiagonal -------------------------------------------------
// All eigenvalues (unsorted) and orthonormal eigenvectors (columns of V) of the
// symmetric n x n matrix T; T is not changed. n = 0 does nothing.
void N6_Symmat_eigen(double** T, double* lambda, double** V, int n);
// Householder reduction of the symmetric matrix held in V: diagonal d, coupling e[i]
// of rows i-1 and i (e[1] = 0); V becomes the accumulated orthogonal transformation.
void N6_Symmat_tridiag(double** V, double* d, double* e, int n);
// Eigenvalues of the tridiagonal (d, e) into d by the implicit QL algorithm, the
// rotations accumulated into the columns of V (n x n).
void N6_Tridiag_ql(double* d, double* e, double** V, int n);
// Sorts lambda[1..m] by ascending magnitude and moves the columns of V (n rows) alike.
void N6_sort_eigenpairs(double* lambda, double** V, int n, int m);
// One implicit QR sweep with shift mu on the leading kk x kk part of the symmetric
// tridiagonal T (stored full); the rotations are applied to the columns of W (k rows).
void N6_Tridiag_shifted_qr_step(double** T, double** W, double mu, int kk, int k);

// ---- Lanczos -------------------------------------------------------------------------
// How K^-1 is applied: kind 1 = the profile store reduced by N6_NZmat_gauss_elim
// (last, P); kind 2 = the row-list K with its incomplete Cholesky factor U and the
// preconditioned conjugate gradient to the tolerance pcgtol.
struct LanczosOperator {
  int kind;
  const int* last;
  double** P;
  const int* Kcount;
  int** Kcol;
  double** Kval;
  const int* Ucount;
  int** Ucol;
  double** Uval;
  double pcgtol;
};

// State of one Lanczos run: the M-orthonormal vectors q(1..k) (rows of Q, m x n, with
// M q in MQ: each vector contiguous), the tridiagonal T (full symmetric storage, m x m),
// the constraints and M times them (rows of C and MC, nc x n), the current residual r,
// the previous vector w, the Ritz pairs of T (theta, S), the rotations W of a restart and
// a spare m x n store that a restart builds the new vectors in.
struct LanczosWork {
  int n, m, nev, nc;
  int k;
  double** Q;
  double** MQ;
  double** spare;
  double** T;
  double** C;
  double** MC;
  double* r;
  double* p;
  double* w;
  double* t;
  const int* Mcount;
  int** Mcol;
  double** Mval;
  double* theta;
  double** S;
  double** W;
  double x;          // last number of the start sequence (negative: none yet)
  double scale;      // spectral scale of the pencil: Rayleigh quotient of the start vector
  double tol;        // convergence tolerance
  double g;          // norm of K r after a rebuild
  bool decoupled;    // the next vector starts a new Krylov block (coupling 0)
  int steps;         // steps made, for the console
};

// Results of a step: 1 go on, 0 the Krylov space is used up, 2 failure (warned).
const int kLanczosGoOn = 1;
const int kLanczosExhausted = 0;
const int kLanczosFailed = 2;

// Next number of the fixed start sequence x(1) = 0.5, x(k+1) = N6_Lanczos_random(x(k)).
double N6_Lanczos_random(double x);

int N6_Lanczos_step_direct(LanczosWork* L, const LanczosOperator* op);
int N6_Lanczos_step_pcg(LanczosWork* L, const LanczosOperator* op);
// Purges unwanted Ritz values from the basis by implicit shifted QR steps. True when
// the extraction follows at once (k <= nev, or nothing of interest left: k = 0).
bool N6_Lanczos_restart(LanczosWork* L, double sigma);
// Rebuilds r from the kept basis, recomputes the Ritz pairs and g. False (warned) when
// the inner solve fails.
bool N6_Lanczos_rebuild_direct(LanczosWork* L, const LanczosOperator* op);
bool N6_Lanczos_rebuild_pcg(LanczosWork* L, const LanczosOperator* op);

// Lowest eigenpairs of K x = lambda M x, M-orthonormal and M-orthogonal to the nc
// columns of C (n x nc, M-orthonormal; may be null when nc = 0). Eigenvalues of
// interest lie below sigma in magnitude. eigenvalues (nev entries) and eigenvectors
// (n x nev) are allocated by the caller; *found receives the number extracted, in
// ascending order of magnitude. False when a step failed (*found = 0) or when the
// restart limit was exceeded (the pairs found are still extracted). With nev <= 0 or
// n - nc <= 0 there is nothing to find: true with *found = 0.
bool N6_Lanczos_direct(const int* last, double** P, const int* Mcount, int** Mcol,
                       double** Mval, int n, int nev, double sigma, double* eigenvalues,
                       double** eigenvectors, int* found, int nc, double** C, int maxrestarts,
                       double tol);
// The same with K as a row list and its incomplete Cholesky factor U; every inner
// solve is a preconditioned conjugate gradient to pcgtol. Reports each step on the
// console.
bool N6_Lanczos_pcg(const int* Kcount, int** Kcol, double** Kval, const int* Ucount,
                    int** Ucol, double** Uval, const int* Mcount, int** Mcol, double** Mval,
                    int n, int nev, double sigma, double* eigenvalues, double** eigenvectors,
                    int* found, int nc, double** C, int maxrestarts, double tol,
                    double pcgtol);
