// The factor-and-solve step chosen by the solver code.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assembly/linear_solver.h"
#include "sparse_fixture.h"

namespace {

// Clamped chain of n springs k_e: the stiffness of the free nodes.
Dense SpringChain(int n, std::vector<double>* k) {
  Dense K(n, n);
  k->assign(n + 1, 0.0);
  for (int e = 1; e <= n; e++) {
    (*k)[e] = 100.0 + 37.0 * (e % 5);
    K(e, e) += (*k)[e];
    if (e > 1) {
      K(e - 1, e - 1) += (*k)[e];
      K(e - 1, e) -= (*k)[e];
      K(e, e - 1) -= (*k)[e];
    }
  }
  return K;
}

IterSummaryRecord ResetIter() { return IterSummaryRecord{-1, -1, -1, -1, -1.0, -1.0}; }
StepSummaryRecord ResetStep() { return StepSummaryRecord{-1, 0, -1.0, -1.0, -1.0}; }

}  // namespace

// Both solvers give the closed-form tip-load displacements u_j = P sum_{e<=j} 1/k_e, for
// two load cases on one prepared step (the profile is factorised once), and fill the
// summary fields of their own solver only.
TEST(LinearSolverStep, BothSolversGiveTheSpringChainDisplacementsForTwoLoadCases) {
  const int n = 30;
  std::vector<double> k;
  const Dense K = SpringChain(n, &k);
  const std::string flags = Flags();
  for (int code : {SOLVER_GAUSS_ELIM_NCSB, SOLVER_ITER_JPCG}) {
    SparseRowMatrix S = MakeRows(K, true);
    IterSummaryRecord iter = ResetIter();
    LinearSolverStep step;
    PrepareLinearSolver(code, n, flags.c_str(), &S, &iter, &step);
    if (code == SOLVER_GAUSS_ELIM_NCSB) {
      EXPECT_EQ(iter.nTermsNCSB, 2 * n - 1);
      EXPECT_GE(iter.factorSeconds, 0.0);
    } else {
      EXPECT_EQ(iter.nTermsNCSB, -1);
      EXPECT_EQ(iter.factorSeconds, -1.0);
    }
    for (double P : {3.5, -2.0}) {
      std::vector<double> f(n + 1, 0.0);
      f[n] = P;
      StepSummaryRecord rec = ResetStep();
      SolveLinearSystem(&step, 1e-12, "chain", "_LCase1", flags.c_str(), &S, f.data(), &rec);
      EXPECT_GE(rec.solveSeconds, 0.0);
      if (code == SOLVER_GAUSS_ELIM_NCSB) {
        EXPECT_EQ(rec.nIterJPCG, -1);
      } else {
        EXPECT_GE(rec.nIterJPCG, 1);
        EXPECT_GE(rec.residNormJPCG, 0.0);
      }
      double c = 0.0;
      for (int j = 1; j <= n; j++) {
        c += 1.0 / k[j];
        EXPECT_NEAR(f[j], P * c, 1e-9 * std::fabs(P) * c) << "code " << code << ", node " << j;
      }
    }
    ReleaseLinearSolver(&step);
    EXPECT_EQ(step.A, nullptr);
    EXPECT_EQ(step.last, nullptr);
    FreeRows(&S);
  }
}

TEST(LinearSolverStepDeathTest, UnknownSolverCodeIsAnInternalError) {
  std::vector<double> k;
  SparseRowMatrix S = MakeRows(SpringChain(2, &k), true);
  const std::string flags = Flags();
  IterSummaryRecord iter = ResetIter();
  LinearSolverStep step;
  EXPECT_EXIT(PrepareLinearSolver(3, 2, flags.c_str(), &S, &iter, &step), testing::ExitedWithCode(1),
              "INTERNAL ERROR\n   File: .*linear_solver\\.cpp");
  FreeRows(&S);
}
