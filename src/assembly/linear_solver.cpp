// The factor-and-solve step on KFF shared by the analysis drivers.
#include "assembly/linear_solver.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>

#include "assembly/solution_check.h"
#include "assembly/solvers.h"
#include "numcore/numcore.h"
#include "numcore/profile.h"
#include "model/outputcontrol.h"

namespace {

int32_t ClampToInt32(int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX)); }

// The condition estimate costs five solves. It runs at the first factorisation of a run
// (or of a system of another size) and afterwards when the pivots give reason: the
// smallest ratio of a pivot to the diagonal it came from bounds the condition number of
// the Jacobi-scaled matrix from below by its inverse, so a ratio below 1e-10, or below a
// tenth of the ratio at the last estimate (a stiffness that softens towards a mechanism),
// calls for the estimate again. The pivot tests of the elimination run at every
// factorisation.
struct EstimateHistory {
  int n = -1;          // order of the system of the last estimate
  double ratio = 0.0;  // smallest pivot ratio at the last estimate
};

bool ConditionEstimateDue(int nF, double** A) {
  static EstimateHistory last;
  const double ratio = ProfileMinPivotRatio(A, nF);
  if (nF == last.n && ratio >= 1e-10 && ratio >= 0.1 * last.ratio) return false;
  last.n = nF;
  last.ratio = ratio;
  return true;
}

// PrepareLinearSolver; spare and spareLast: the profile store of the step before (of nF
// equations) and its row ends, or null.
void Prepare(int code, int nF, const char* OutputControl, SparseRowMatrix* KFF, IterSummaryRecord* iter,
             LinearSolverStep* s, double** spare, int* spareLast) {
  s->code = code;
  s->nF = nF;
  s->last = nullptr;
  s->A = nullptr;
  s->K = SparseRowMatrix{};
  allocd1(&s->rhs, nF);
  switch (code) {
    case SOLVER_GAUSS_ELIM_NCSB: {
      CopySparseRows(KFF, &s->K);
      alloci1(&s->last, nF);
      zeroi1(s->last, nF);
      int64_t nTermsNCSB;
      s->A = spare;
      Calc_NCSB_KFF(nF, &nTermsNCSB, OutputControl, s->last, KFF, &s->A, spareLast);
      iter->nTermsNCSB = ClampToInt32(nTermsNCSB);
      FactorNCSB(nF, &iter->factorSeconds, OutputControl, s->last, s->A);
      if (nF >= 1 && ConditionEstimateDue(nF, s->A)) {
        double wall0, cpu0, wall1, cpu1;
        gettimes(&wall0, &cpu0);
        CheckConditionNCSB(nF, &s->K, s->last, s->A);
        gettimes(&wall1, &cpu1);
        if (OutputControl[OC_PRINT_GAUSS_ELIM_INFO] == 'Y')
          std::printf("\nCondition estimate: %.6f s\n", wall1 - wall0);
      }
      break;
    }
    case SOLVER_ITER_JPCG:
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

void PrepareLinearSolver(int code, int nF, const char* OutputControl, SparseRowMatrix* KFF, IterSummaryRecord* iter,
                         LinearSolverStep* s) {
  Prepare(code, nF, OutputControl, KFF, iter, s, nullptr, nullptr);
}

void RenewLinearSolver(int code, int nF, const char* OutputControl, SparseRowMatrix* KFF, IterSummaryRecord* iter,
                       LinearSolverStep* s) {
  double** spare = nullptr;
  int* spareLast = nullptr;
  if (s->code == SOLVER_GAUSS_ELIM_NCSB && code == s->code && s->nF == nF && s->A != nullptr) {
    spare = s->A;
    spareLast = s->last;
    s->A = nullptr;
    s->last = nullptr;
  }
  ReleaseLinearSolver(s);
  try {
    Prepare(code, nF, OutputControl, KFF, iter, s, spare, spareLast);
  } catch (const IterateFailure&) {
    // A singular tangent of an iterate: the new solver form is whole and held.
    if (spareLast != nullptr) freei1(spareLast);
    throw;
  }
  if (spareLast != nullptr) freei1(spareLast);
}

void SolveLinearSystem(LinearSolverStep* s, double tol, const char* job, const char* tag, const char* OutputControl,
                       SparseRowMatrix* KFF, double* rhs, StepSummaryRecord* step) {
  copyd1(s->rhs, rhs, s->nF);
  switch (s->code) {
    case SOLVER_GAUSS_ELIM_NCSB:
      SolveNCSB(s->nF, &step->solveSeconds, s->last, rhs, s->A);
      CheckSolution(s->nF, s->K.count, s->K.cols, s->K.vals, s->rhs, rhs, 0.0);
      break;
    case SOLVER_ITER_JPCG: {
      int iterations;
      SolveIterJacPreConjGrad(s->nF, &iterations, &step->solveSeconds, tol, &step->residNormJPCG, job, tag,
                              OutputControl, KFF->count, KFF->cols, rhs, KFF->vals);
      step->nIterJPCG = iterations;
      CheckSolution(s->nF, KFF->count, KFF->cols, KFF->vals, s->rhs, rhs, tol);
      break;
    }
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void ReleaseLinearSolver(LinearSolverStep* s) {
  if (s->code == SOLVER_GAUSS_ELIM_NCSB) FreeSparseRowsCopy(&s->K);
  if (s->rhs != nullptr) freed1(s->rhs);
  s->rhs = nullptr;
  if (s->A != nullptr) freeprofd2(s->A, s->nF);
  if (s->last != nullptr) freei1(s->last);
  s->A = nullptr;
  s->last = nullptr;
}
