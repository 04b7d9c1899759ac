// The check of every solution of K a = F: a solution exact to rounding passes in any units
// of the stiffness, a perturbed one or a non-finite one stops the run; the kept copy of
// the row lists equals the original.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "assembly/solution_check.h"
#include "sparse_fixture.h"

namespace {

// F = K a for a chosen a (the exact solution), K random SPD of order n scaled by s.
struct System {
  SparseRowMatrix K;
  std::vector<double> a, F;
  System(int n, double s) {
    Dense D = RandomSPD(n, 8, 5u);
    for (double& v : D.a) v *= s;
    K = MakeRows(D, true);
    a.assign(n + 1, 0.0);
    F.assign(n + 1, 0.0);
    for (int i = 1; i <= n; i++) a[i] = std::sin(0.3 * i) / s;
    SymSparseMatVec(n, K.count, K.cols, K.vals, a.data(), F.data());
  }
  ~System() { FreeRows(&K); }
  void Check(double decay = 0.0) { CheckSolution(K.n, K.count, K.cols, K.vals, F.data(), a.data(), decay); }
};

}  // namespace

TEST(SolutionCheck, ExactSolutionsPassInAnyUnitsAndTheCopyEqualsTheRows) {
  for (double s : {1.0, 2e11, 1e-6}) {
    System sys(200, s);
    sys.Check();
    SparseRowMatrix copy;
    CopySparseRows(&sys.K, &copy);
    ASSERT_EQ(copy.n, sys.K.n);
    for (int i = 1; i <= copy.n; i++) {
      ASSERT_EQ(copy.count[i], sys.K.count[i]);
      for (int t = 1; t <= copy.count[i]; t++) {
        EXPECT_EQ(copy.cols[i][t], sys.K.cols[i][t]);
        EXPECT_EQ(copy.vals[i][t], sys.K.vals[i][t]);
      }
    }
    CheckSolution(copy.n, copy.count, copy.cols, copy.vals, sys.F.data(), sys.a.data(), 0.0);
    FreeSparseRowsCopy(&copy);
  }
}

TEST(SolutionCheckDeathTest, PerturbedOrNonFiniteSolutionsStop) {
  const char* residual = "^\nERROR:\nThe system of equations is singular or ill-conditioned: the residual of the "
                         "solution is .*\n\\(Jacobi-scaled infinity norm; rounding level .*\\)\\.\n\n$";
  for (double s : {1.0, 2e11}) {
    System sys(200, s);
    // One part in 1e9 of one displacement: far above rounding.
    sys.a[17] *= 1.0 + 1e-9;
    EXPECT_EXIT(sys.Check(), testing::ExitedWithCode(1), residual);
    // An iterative solver's decay of 1e-6 allows it.
    sys.Check(1e-6);
    sys.a[17] = NAN;
    EXPECT_EXIT(sys.Check(), testing::ExitedWithCode(1),
                "^\nERROR:\nThe solution of the system of equations is not a finite number \\(equation 17\\):\n"
                "the system is singular or ill-conditioned, or the loads are too large\\.\n\n$");
  }
  const double R[4] = {0.0, 1.0, INFINITY, 2.0};
  EXPECT_EXIT(CheckFiniteResults(3, R, "reaction"), testing::ExitedWithCode(1),
              "^\nERROR:\nThe reaction of equation 2 is not a finite number:\n"
              "the loads or the prescribed displacements are too large for the model\\.\n\n$");
}
