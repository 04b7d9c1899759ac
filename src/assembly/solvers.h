// Linear equation solvers on the global stiffness KFF: Gaussian elimination on the
// symmetric profile (NCSB) store and the Jacobi-preconditioned conjugate gradient on the
// sparse row lists.
//
// OutputControl is the flags vector of the output-control options ('Y' or 'N' in entries
// 1..68).
#pragma once

#include <cstdint>

#include "assembly/sparse_rows.h"
#include "numcore/profile.h"

// ---- NCSB profile store -------------------------------------------------------------
// Profile rows: A[i][j] for i <= j <= last[i], last non-decreasing; the upper triangle.

// Builds the profile copy of KFF: computes last (int [nF], allocated by the caller),
// allocates *A, copies the terms and empties the row lists of KFF. *nTerms receives the
// number of stored profile terms. The free equations are stored in a profile-reducing
// order (reverse Cuthill-McKee) when its profile is at least a quarter smaller than that
// of the data file's order; the store carries that order, which FactorNCSB and SolveNCSB
// use, so that their callers see the data file's numbering only. The order is computed
// once for a sparsity pattern and kept while the patterns copied stay the same.
// With spareLast, *A is on entry the store of an earlier copy of nF equations (or null)
// whose rows end at spareLast: it serves again when the rows end alike, else it is
// released (RenewOrderedProfile).
void Calc_NCSB_KFF(int nF, int64_t* nTerms, const char* OutputControl, int* last,
                   SparseRowMatrix* KFF, double*** A, const int* spareLast = nullptr);

// Calc_NCSB_KFF with a given order: row k of the store holds equation eqOfRow[k]
// (a permutation of 1..nF).
void CopyKFFToNCSB(int nF, int64_t* nTerms, const char* OutputControl, int* last,
                   SparseRowMatrix* KFF, double*** A, const int* eqOfRow, const int* spareLast = nullptr);

// Factorises a store made by Calc_NCSB_KFF in place (timed); *seconds receives the
// wall-clock seconds.
void FactorNCSB(int nF, double* seconds, const char* OutputControl, const int* last,
                double** A);

// In-place symmetric Gaussian elimination of the profile; echo 'Y' draws the progress bar.
// A pivot that is not finite or not above 1e-13 times the magnitude of its own diagonal
// before elimination stops the run naming the equation eqOfRow[i]
// (i itself when eqOfRow is null).
void GaussElimNCSB(double** A, int nF, const int* last, char echo, const int* eqOfRow = nullptr);

// GaussElimNCSB with its kernels compiled for one instruction-set level: 1 (x86-64),
// 3 (x86-64-v3) or 4 (x86-64-v4); false, touching nothing, when the processor lacks it.
// GaussElimNCSB uses the highest level available; every level gives the same bits.
bool GaussElimNCSBAtLevel(double** A, int nF, const int* last, int level);

// Solves with a store made by Calc_NCSB_KFF and factorised (timed): rhs (data file's
// numbering) is overwritten with the solution.
void SolveNCSB(int nF, double* seconds, const int* last, double* rhs, double** A);
// SolveNCSB for the m right-hand sides rhs[0 .. m-1], a few in each pass over the factor
// (each solution the same to the bit as solved alone); seconds for all of them.
void SolveNCSBMany(int nF, double* seconds, const int* last, double* const* rhs, int m, double** A);

// ---- Jacobi-preconditioned conjugate gradient ----------------------------------------
// Solves KFF a = F on the upper-triangle row lists; rhs holds F on entry and a on exit.
// Stops the run when a search direction shows a null, negative, non-finite or rounding-
// level curvature (below 1e-12 of the scaled matrix's infinity norm), when the right-hand
// side or the residual is not finite, or when the preconditioned residual has not
// reached the bound max(tol |r0|, 1e-14) and neither a new smallest residual nor a fall
// of the energy has shown progress over max(10 nF, 1000) iterations (or after
// max(100 nF, 10000) iterations). Every line of the history file ("_ih.g2d") is checked.
void SolveIterJacPreConjGrad(int nF, int* iterations, double* seconds, double tol,
                             double* residNorm, const char* job, const char* tag,
                             const char* OutputControl, const int* count, int** cols,
                             double* rhs, double** vals);
