// Numcore sparse matrices: row-list storage, arithmetic, conversion to the profile
// store, profile Gaussian elimination, triangular solves with a row-list factor,
// incomplete Cholesky factorisation and the preconditioned conjugate gradient.
//
// A row-list matrix of n rows is three 1-based arrays passed as (count, col, val):
//   count[i]          number of stored terms of row i;
//   col[i][1..count]  their columns, ascending;
//   val[i][1..count]  their values.
// Every row owns its two vectors, which always exist (an empty row keeps one-entry
// vectors). In the symmetric upper form a row holds only columns >= i and its first
// term is the diagonal (col[i][1] = i), also when the diagonal value is zero.
//
// Profile store: row i holds columns i..last[i], addressed by absolute column
// (P[i][j]); last is non-decreasing. After N6_NZmat_gauss_elim row i holds the
// pivot d(i) = P[i][i] and the reduced terms u(i, j), so that A = U^T D^-1 U.
#pragma once

// ---- storage and arithmetic ----------------------------------------------------------
void N6_NZmat_alloc_empty(int** count, int*** col, double*** val, int n);
void N6_NZmat_alloc_diagonal(int** count, int*** col, double*** val, int n);
void N6_NZmat_free(int* count, int** col, double** val, int n);

// y = A x, A symmetric in upper form.
void N6_NZSymmat_y_equals_A_x(double* y, const int* count, int** col, double** val,
                              const double* x, int n);

// C = aA + bB for general rows; C is an allocated n-row matrix distinct from A and B.
void N6_NZmat_C_equals_aA_plus_bB(int* Ccount, int** Ccol, double** Cval,
                                  const int* Acount, int** Acol, double** Aval,
                                  const int* Bcount, int** Bcol, double** Bval,
                                  int n, double a, double b);
// The same for symmetric matrices in upper form: every row of C keeps its diagonal.
void N6_NZmat_C_equals_aA_plus_bB_2(int* Ccount, int** Ccol, double** Cval,
                                    const int* Acount, int** Acol, double** Aval,
                                    const int* Bcount, int** Bcol, double** Bval,
                                    int n, double a, double b);

// Copies a symmetric upper row-list matrix into the allocated profile store P (any
// previous rows are replaced) and fills last.
void N6_NZmat_to_profile(int* last, double** P, const int* count, int** col, double** val,
                         int n);

// ---- profile elimination and triangular solves ---------------------------------------
// Reduces P in place; an empty matrix or a pivot at or below 1e-8 times the largest
// term ends the run, so the result is always true.
bool N6_NZmat_gauss_elim(const int* last, double** P, int n);
// The same elimination without a word: false on an empty matrix or a small pivot (the
// store is then partly reduced), for callers that report the failure themselves.
bool N6_NZmat_gauss_elim_quiet(const int* last, double** P, int n);
// x = A^-1 b with the reduced store (x and b may be the same vector).
bool N6_NZmat_gauss_solve(const int* last, double** P, double* x, const double* b, int n);
// Forward half of N6_NZmat_gauss_solve: x = D^-1 L^-1 b, where A = L D L^T and
// L(j, i) = u(i, j)/d(i); back substitution with L^T then gives A^-1 b.
bool N6_NZmat_profile_forward_solve(const int* last, double** P, double* x, const double* b,
                                    int n);
// y = A x from the reduced store.
void N6_NZmat_factored_y_equals_A_x(double* y, const int* last, double** P, const double* x,
                                    int n);

// Upper triangular U in row-list form (diagonal first). False, with a warning, on an
// empty row or a missing or small (< 1e-8) diagonal.
bool N6_NZTrmat_solve_uT_x_equals_b(const int* count, int** col, double** val, double* x,
                                    const double* b, int n);
bool N6_NZTrmat_solve_u_x_equals_b(const int* count, int** col, double** val, double* x,
                                   const double* b, int n);

// ---- incomplete Cholesky and preconditioned conjugate gradient -----------------------
// U^T U ~ A + shift I on the pattern of A plus fill-in of magnitude >= tau; flag 'N'
// takes tau = 1e-4 times the largest |A term|. False with the failing row and pivot when
// a pivot is not above 1e-14 times the largest |A term| (or is NaN); the rows of U from
// that row on keep their earlier contents.
bool N6_NZmat_icf(int* Ucount, int** Ucol, double** Uval,
                  const int* Acount, int** Acol, double** Aval,
                  int n, double shift, char flag, double tau, int* failrow, double* failpivot);

// Solves A x = b by the conjugate gradient preconditioned with U^T U, from x = 0, until
// r.z <= tol^2 times its initial value. False (after a warning) when a triangular
// solve of the preconditioner fails, when the curvature p.Ap is not positive and
// finite, or when the iteration limit N6_PcgIterationLimit(n) is reached; x then
// holds the last iterate.
bool N6_NZmat_pcg_solve(const int* Acount, int** Acol, double** Aval,
                        const int* Ucount, int** Ucol, double** Uval,
                        double* x, const double* b, int n, double tol, int* iterations);
int N6_PcgIterationLimit(int n);
