// The factor-and-solve of the modal routines on small matrices: both paths solve the same
// system; Kershaw's matrix beside a far stiffer term breaks the incomplete Cholesky
// factor, so the iterative path says so and goes on with the Jacobi factor; a singular or null-diagonal matrix is
// reported, not solved.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>

#include "modal/vibration_modes.h"
#include "numcore/numcore.h"
#include "numcore/sparse_fixtures.h"

namespace {

RowList Rows(int n, std::initializer_list<double> a) {
  double** A;
  allocd2(&A, n, n);
  int k = 0;
  for (double v : a) {
    A[k / n + 1][k % n + 1] = v;
    k++;
  }
  RowList R = UpperFromDense(A, n);
  freed2(A);
  return R;
}

}  // namespace

TEST(ModalSolver, BothPathsSolveAndReportFailures) {
  struct Case {
    const char* name;
    int path;
    std::initializer_list<double> a;
    int result;
    const char* console;
  };
  const char* fallback = "ICF Preconditioner failed.\nChanging to Jacobi proconditioner.\n";
  const Case cases[] = {
      {"profile", kModalProfile, {4, 1, 0, 1, 3, 1, 0, 1, 2}, kModalFactorOk, ""},
      {"iterative", kModalIterative, {4, 1, 0, 1, 3, 1, 0, 1, 2}, kModalFactorOk, ""},
      {"Kershaw profile", kModalProfile, {3, -2, 0, 2, -2, 3, -2, 0, 0, -2, 3, -2, 2, 0, -2, 3}, kModalFactorOk, ""},
      // The fill of Kershaw's matrix (4/3) is kept: the incomplete factor is exact.
      {"Kershaw iterative", kModalIterative, {3, -2, 0, 2, -2, 3, -2, 0, 0, -2, 3, -2, 2, 0, -2, 3}, kModalFactorOk,
       ""},
      // Beside a term 1e5 times stiffer that fill is dropped and the last pivot turns negative.
      {"Kershaw beside a stiff term, iterative", kModalIterative,
       {3, -2, 0, 2, 0, -2, 3, -2, 0, 0, 0, -2, 3, -2, 0, 2, 0, -2, 3, 0, 0, 0, 0, 0, 3e5}, kModalFactorOk, fallback},
      {"singular", kModalProfile, {1, 1, 0, 1, 1, 0, 0, 0, 1}, kModalFactorSingular, ""},
      {"null diagonal", kModalIterative, {1, 1, 0, 1, 0, 0, 0, 0, 1}, kModalFactorNullDiagonal, fallback},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(std::sqrt(static_cast<double>(c.a.size())));
    RowList A = Rows(n, c.a);
    ModalSolver s{};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(FactorModalMatrix(c.path, 1e-14, A.count, A.col, A.val, n, &s), c.result);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.console);
    if (c.result == kModalFactorOk) {
      // x = 1, 2, ..., n: b = A x, solved back.
      double b[6], x[6], y[6];
      for (int i = 1; i <= n; i++) x[i] = i;
      ModalMatrixProduct(&s, b, x);
      N6_NZSymmat_y_equals_A_x(y, A.count, A.col, A.val, x, n);
      for (int i = 1; i <= n; i++) EXPECT_NEAR(b[i], y[i], 1e-13);
      SolveModalMatrix(&s, y, b);
      for (int i = 1; i <= n; i++) EXPECT_NEAR(y[i], i, 1e-12);
    }
    FreeModalSolver(&s);
    FreeRowList(&A);
  }
}
