// One factor-and-solve step on the global stiffness KFF, chosen by the solver code:
// Gaussian elimination on the profile copy of KFF (factorised once, solved per right-hand
// side) or the Jacobi-preconditioned conjugate gradient on the row lists (run per
// right-hand side). Every driver prepares the step once per stiffness, solves per load
// case, iteration or time step, and releases it.
#pragma once

#include "assembly/sparse_rows.h"
#include "assembly/summary.h"

enum LinearSolverCode { SOLVER_GAUSS_ELIM_NCSB = 1, SOLVER_ITER_JPCG = 2 };

// The state of the chosen solver: the profile store (row ends and factored rows) of
// Gaussian elimination and the copy of KFF's row lists that the check of every solution
// needs once the elimination has consumed them; nothing for the conjugate gradient, which
// works on KFF itself.
struct LinearSolverStep {
  int code;            // SOLVER_GAUSS_ELIM_NCSB or SOLVER_ITER_JPCG
  int nF;              // number of free dofs
  int* last;           // profile row ends [1..nF] (Gaussian elimination), else null
  double** A;          // factored profile (Gaussian elimination), else null
  SparseRowMatrix K;   // copy of KFF's row lists (Gaussian elimination), else empty
  double* rhs;         // the loads of the last solve [1..nF], kept for its check
};

// Prepares the step for KFF (nF x nF). Gaussian elimination keeps a copy of the row
// lists, builds the profile copy (which empties the row lists of KFF), factorises it,
// refuses a singular or ill-conditioned matrix (pivot tests at every factorisation, the
// condition estimate at the first one of a sparsity pattern and where the pivots fall)
// and records the profile term count and the
// factorisation time in iter; the conjugate gradient keeps KFF as it is. Another code is
// an internal error.
void PrepareLinearSolver(int code, int nF, const char* OutputControl, SparseRowMatrix* KFF, IterSummaryRecord* iter,
                         LinearSolverStep* s);

// PrepareLinearSolver for the next matrix of a prepared step (its store released first).
// Gaussian elimination takes the store of the step again when the new profile has the same
// rows: a nonlinear run factorises one pattern again and again, and a large new store costs
// the mapping of its pages each time.
void RenewLinearSolver(int code, int nF, const char* OutputControl, SparseRowMatrix* KFF, IterSummaryRecord* iter,
                       LinearSolverStep* s);

// Solves KFF a = rhs: rhs holds the loads on entry and a on exit. The conjugate gradient
// reads KFF's row lists and stops at the residual decay tol; job and tag name the solve in
// its messages. The solve time (and the iteration count and residual norm of the
// conjugate gradient) go into step. Every solution is checked: a non-finite value or a
// residual above the rounding level of the solver stops the run.
void SolveLinearSystem(LinearSolverStep* s, double tol, const char* job, const char* tag, const char* OutputControl,
                       SparseRowMatrix* KFF, double* rhs, StepSummaryRecord* step);

// Frees the profile store; the step may be prepared again.
void ReleaseLinearSolver(LinearSolverStep* s);
