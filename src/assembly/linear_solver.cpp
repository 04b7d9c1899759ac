// The factor-and-solve step on KFF shared by the analysis drivers.
#include "assembly/linear_solver.h"

#include <algorithm>
#include <cstdint>

#include "assembly/solvers.h"
#include "numcore/numcore.h"

namespace {

int32_t ClampToInt32(int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX)); }

}  // namespace

void PrepareLinearSolver(int code, int nF, const char* OutputControl, SparseRowMatrix* KFF, IterSummaryRecord* iter,
                         LinearSolverStep* s) {
  s->code = code;
  s->nF = nF;
  s->last = nullptr;
  s->A = nullptr;
  switch (code) {
    case SOLVER_GAUSS_ELIM_NCSB: {
      alloci1(&s->last, nF);
      zeroi1(s->last, nF);
      int64_t nTermsNCSB;
      Calc_NCSB_KFF(nF, &nTermsNCSB, OutputControl, s->last, KFF, &s->A);
      iter->nTermsNCSB = ClampToInt32(nTermsNCSB);
      FactorNCSB(nF, &iter->factorSeconds, OutputControl, s->last, s->A);
      break;
    }
    case SOLVER_ITER_JPCG:
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void SolveLinearSystem(LinearSolverStep* s, double tol, const char* job, const char* tag, const char* OutputControl,
                       SparseRowMatrix* KFF, double* rhs, StepSummaryRecord* step) {
  switch (s->code) {
    case SOLVER_GAUSS_ELIM_NCSB:
      SolveNCSB(s->nF, &step->solveSeconds, s->last, rhs, s->A);
      break;
    case SOLVER_ITER_JPCG: {
      int iterations;
      SolveIterJacPreConjGrad(s->nF, &iterations, &step->solveSeconds, tol, &step->residNormJPCG, job, tag,
                              OutputControl, KFF->count, KFF->cols, rhs, KFF->vals);
      step->nIterJPCG = iterations;
      break;
    }
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void ReleaseLinearSolver(LinearSolverStep* s) {
  if (s->A != nullptr) freeprofd2(s->A, s->nF);
  if (s->last != nullptr) freei1(s->last);
  s->A = nullptr;
  s->last = nullptr;
}
