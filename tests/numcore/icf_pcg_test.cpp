#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numcore/numcore.h"
#include "numcore/sparse.h"
#include "sparse_fixtures.h"

namespace {

RowList EmptyFactor(int n) {
  RowList U;
  U.n = n;
  N6_NZmat_alloc_empty(&U.count, &U.col, &U.val, n);
  return U;
}

// Dense U^T U from a row-list factor.
void UtU(double** B, const RowList& U) {
  double** D;
  allocd2(&D, U.n, U.n);
  DenseFromRows(D, U, false);
  multtd2d2(B, D, D, U.n, U.n, U.n);
  freed2(D);
}

}  // namespace

// On a tridiagonal matrix nothing fills in, so the incomplete factor is the exact
// Cholesky factor and the conjugate gradient converges in one iteration.
TEST(Icf, TridiagonalIsExactCholeskyAndPcgTakesOneIteration) {
  const int n = 8;
  double **K, **M, **B;
  allocd2(&K, n, n);
  allocd2(&M, n, n);
  allocd2(&B, n, n);
  BarMatricesDense(K, M, n, 200e9, 7850, 1e-4, 3.0);
  RowList A = UpperFromDense(K, n), U = EmptyFactor(n);
  int failrow = -1;
  double failpivot = -1.0;
  ASSERT_TRUE(N6_NZmat_icf(U.count, U.col, U.val, A.count, A.col, A.val, n, 0.0, 'N', 0.0,
                           &failrow, &failpivot));
  EXPECT_EQ(failrow, 0);
  EXPECT_EQ(failpivot, 0.0);
  for (int i = 1; i <= n; i++) EXPECT_EQ(U.count[i], i < n ? 2 : 1);
  UtU(B, U);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) EXPECT_NEAR(B[i][j], K[i][j], 1e-15 * K[1][1]);

  // End load P: u(x) = P x/(EA).
  double b[n + 1], x[n + 1];
  zerod1(b, n);
  b[n] = 1000.0;
  int its = -1;
  ASSERT_TRUE(N6_NZmat_pcg_solve(A.count, A.col, A.val, U.count, U.col, U.val, x, b, n, 1e-10,
                                 &its));
  EXPECT_EQ(its, 1);
  for (int i = 1; i <= n; i++) {
    double want = 1000.0 * (3.0 * i / n) / (200e9 * 1e-4);
    EXPECT_NEAR(x[i], want, 1e-12 * want);
  }
  FreeRowList(&U);
  FreeRowList(&A);
  freed2(B);
  freed2(M);
  freed2(K);
}

// Largest term 100, threshold 1e-4 of it: 0.01. Row 1 = (100, 20, c13): the fill at
// (2, 3) is -20 c13/100. c13 = 0.051 gives -0.0102 (kept), c13 = 0.049 gives -0.0098
// (dropped); a term of the pattern of A that becomes zero stays in the factor.
TEST(Icf, DropThresholdAndPatternTerms) {
  double** D;
  allocd2(&D, 3, 3);
  struct Case {
    double c13, a23;
    int count2;
    double u23;
  };
  const double r96 = std::sqrt(96.0);
  const Case cases[] = {
      {0.051, 0.0, 2, -0.0102 / r96},  // fill of magnitude 0.0102: kept
      {0.049, 0.0, 1, 0.0},            // fill of magnitude 0.0098: dropped
      {0.051, 0.0102, 2, 0.0},         // A(2,3) = 0.0102 cancels the fill: kept as 0
  };
  for (const Case& c : cases) {
    zerod2(D, 3, 3);
    D[1][1] = D[2][2] = D[3][3] = 100.0;
    D[1][2] = D[2][1] = 20.0;
    D[1][3] = D[3][1] = c.c13;
    D[2][3] = D[3][2] = c.a23;
    RowList A = UpperFromDense(D, 3), U = EmptyFactor(3);
    int fr;
    double fp;
    ASSERT_TRUE(
        N6_NZmat_icf(U.count, U.col, U.val, A.count, A.col, A.val, 3, 0.0, 'N', 0.0, &fr, &fp));
    EXPECT_EQ(U.count[1], 3);
    ASSERT_EQ(U.count[2], c.count2) << c.c13 << " " << c.a23;
    EXPECT_EQ(U.val[1][1], 10.0);
    EXPECT_EQ(U.val[1][2], 2.0);
    EXPECT_EQ(U.val[2][1], r96);
    if (c.count2 == 2) {
      EXPECT_EQ(U.col[2][2], 3);
      EXPECT_NEAR(U.val[2][2], c.u23, 1e-15);
    }
    // U^T U equals A on the diagonal and on every kept term.
    double** E;
    allocd2(&E, 3, 3);
    UtU(E, U);
    for (int i = 1; i <= 3; i++) EXPECT_NEAR(E[i][i], D[i][i], 1e-12);
    EXPECT_NEAR(E[1][2], D[1][2], 1e-12);
    EXPECT_NEAR(E[1][3], D[1][3], 1e-12);
    if (c.count2 == 2) {
      EXPECT_NEAR(E[2][3], D[2][3], 1e-12);
    }
    freed2(E);
    FreeRowList(&U);
    FreeRowList(&A);
  }
  // With an explicit tau (any flag but 'N') the 0.0102-fill is dropped by tau = 0.0105.
  zerod2(D, 3, 3);
  D[1][1] = D[2][2] = D[3][3] = 100.0;
  D[1][2] = D[2][1] = 20.0;
  D[1][3] = D[3][1] = 0.051;
  RowList A = UpperFromDense(D, 3), U = EmptyFactor(3);
  int fr;
  double fp;
  ASSERT_TRUE(
      N6_NZmat_icf(U.count, U.col, U.val, A.count, A.col, A.val, 3, 0.0, 'Y', 0.0105, &fr, &fp));
  EXPECT_EQ(U.count[2], 1);
  FreeRowList(&U);
  FreeRowList(&A);
  freed2(D);
}

TEST(Icf, DiagonalMatrixAndZeroPivot) {
  double** D;
  allocd2(&D, 3, 3);
  zerod2(D, 3, 3);
  D[1][1] = 4.0;
  D[2][2] = 9.0;
  D[3][3] = 16.0;
  RowList A = UpperFromDense(D, 3), U = EmptyFactor(3);
  int fr;
  double fp;
  ASSERT_TRUE(
      N6_NZmat_icf(U.count, U.col, U.val, A.count, A.col, A.val, 3, 0.0, 'N', 0.0, &fr, &fp));
  for (int i = 1; i <= 3; i++) {
    EXPECT_EQ(U.count[i], 1);
    EXPECT_EQ(U.val[i][1], i + 1.0);
  }
  double b[4] = {0, 4, 9, 16}, x[4];
  int its;
  ASSERT_TRUE(
      N6_NZmat_pcg_solve(A.count, A.col, A.val, U.count, U.col, U.val, x, b, 3, 1e-12, &its));
  EXPECT_EQ(its, 1);
  for (int i = 1; i <= 3; i++) EXPECT_EQ(x[i], 1.0);

  // b = 0: no iteration.
  zerod1(b, 3);
  ASSERT_TRUE(
      N6_NZmat_pcg_solve(A.count, A.col, A.val, U.count, U.col, U.val, x, b, 3, 1e-12, &its));
  EXPECT_EQ(its, 0);
  for (int i = 1; i <= 3; i++) EXPECT_EQ(x[i], 0.0);
  FreeRowList(&U);
  FreeRowList(&A);

  // A zero first diagonal fails at row 1 unless shifted.
  D[1][1] = 0.0;
  D[1][2] = D[2][1] = 1.0;
  A = UpperFromDense(D, 3);
  U = EmptyFactor(3);
  EXPECT_FALSE(
      N6_NZmat_icf(U.count, U.col, U.val, A.count, A.col, A.val, 3, 0.0, 'N', 0.0, &fr, &fp));
  EXPECT_EQ(fr, 1);
  EXPECT_EQ(fp, 0.0);
  EXPECT_TRUE(
      N6_NZmat_icf(U.count, U.col, U.val, A.count, A.col, A.val, 3, 1.0, 'N', 0.0, &fr, &fp));
  EXPECT_EQ(U.val[1][1], 1.0);
  // A later row that is not positive definite reports its row and pivot.
  D[1][1] = 1.0;
  D[2][2] = 0.5;  // 0.5 - 1*1 < 0
  FreeRowList(&A);
  A = UpperFromDense(D, 3);
  EXPECT_FALSE(
      N6_NZmat_icf(U.count, U.col, U.val, A.count, A.col, A.val, 3, 0.0, 'N', 0.0, &fr, &fp));
  EXPECT_EQ(fr, 2);
  EXPECT_EQ(fp, -0.5);
  FreeRowList(&U);
  FreeRowList(&A);
  freed2(D);
}

// A 2-D membrane (5-point grid): the factor drops fill, so the gradient iterates; it
// must reach the dense solution and do far better than unpreconditioned.
TEST(Pcg, GridWithDroppedFillConverges) {
  const int N = 12, n = N * N;
  double** K;
  allocd2(&K, n, n);
  GridLaplacianDense(K, N);
  RowList A = UpperFromDense(K, n), U = EmptyFactor(n);
  int fr;
  double fp;
  ASSERT_TRUE(
      N6_NZmat_icf(U.count, U.col, U.val, A.count, A.col, A.val, n, 0.0, 'N', 0.0, &fr, &fp));
  double *b, *x, *y;
  allocd1(&b, n);
  allocd1(&x, n);
  allocd1(&y, n);
  for (int i = 1; i <= n; i++) b[i] = 1.0 + 0.1 * std::cos(i);
  int its;
  ASSERT_TRUE(
      N6_NZmat_pcg_solve(A.count, A.col, A.val, U.count, U.col, U.val, x, b, n, 1e-12, &its));
  EXPECT_GT(its, 1);
  EXPECT_LT(its, 40);
  N6_NZSymmat_y_equals_A_x(y, A.count, A.col, A.val, x, n);
  for (int i = 1; i <= n; i++) EXPECT_NEAR(y[i], b[i], 1e-9);
  freed1(y);
  freed1(x);
  freed1(b);
  FreeRowList(&U);
  FreeRowList(&A);
  freed2(K);
}

// The factor of a matrix in other units (every term times 1e-9 or 1e9, as a stiffness
// in N/mm against MN/m or kN/m against N/mm scaled twice) keeps the same terms, scaled by
// the square root, and the gradient takes the same iterations: the fill threshold and the
// pivot test follow the largest term. A soft membrane (terms ~ 1e-3, below the 1e-8 of
// an absolute pivot test after scaling) factors as well.
TEST(Icf, SameFactorInAnyUnits) {
  const int N = 10, n = N * N;
  double** K;
  allocd2(&K, n, n);
  GridLaplacianDense(K, N);
  std::vector<double> b(n + 1), x(n + 1);
  for (int i = 1; i <= n; i++) b[i] = 1.0 + 0.1 * std::cos(i);
  RowList A = UpperFromDense(K, n), U = EmptyFactor(n);
  int fr, its;
  double fp;
  ASSERT_TRUE(N6_NZmat_icf(U.count, U.col, U.val, A.count, A.col, A.val, n, 0.0, 'N', 0.0, &fr, &fp));
  ASSERT_TRUE(N6_NZmat_pcg_solve(A.count, A.col, A.val, U.count, U.col, U.val, x.data(), b.data(), n, 1e-12, &its));
  int terms = 0;
  for (int i = 1; i <= n; i++) terms += U.count[i];
  EXPECT_LT(terms, n * (N + 1) - N * (N + 1) / 2);  // fewer than the full band: fill was dropped
  EXPECT_GT(its, 1);
  for (double f : {1e-9, 1e9}) {
    SCOPED_TRACE(f);
    double** Kf;
    allocd2(&Kf, n, n);
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) Kf[i][j] = K[i][j] * f;
    RowList Af = UpperFromDense(Kf, n), Uf = EmptyFactor(n);
    ASSERT_TRUE(N6_NZmat_icf(Uf.count, Uf.col, Uf.val, Af.count, Af.col, Af.val, n, 0.0, 'N', 0.0, &fr, &fp));
    for (int i = 1; i <= n; i++) {
      ASSERT_EQ(Uf.count[i], U.count[i]) << i;
      for (int k = 1; k <= U.count[i]; k++) {
        EXPECT_EQ(Uf.col[i][k], U.col[i][k]);
        EXPECT_NEAR(Uf.val[i][k], U.val[i][k] * std::sqrt(f), 1e-13 * std::sqrt(f) * U.val[i][1]);
      }
    }
    std::vector<double> bf(n + 1), xf(n + 1);
    for (int i = 1; i <= n; i++) bf[i] = b[i] * f;
    int itsf;
    ASSERT_TRUE(
        N6_NZmat_pcg_solve(Af.count, Af.col, Af.val, Uf.count, Uf.col, Uf.val, xf.data(), bf.data(), n, 1e-12, &itsf));
    EXPECT_EQ(itsf, its);
    for (int i = 1; i <= n; i++) EXPECT_NEAR(xf[i], x[i], 1e-9 * std::fabs(x[i]));
    FreeRowList(&Uf);
    FreeRowList(&Af);
    freed2(Kf);
  }
  FreeRowList(&U);
  FreeRowList(&A);
  freed2(K);
}

// The mended stops: a zero curvature p.Ap on an indefinite matrix, a preconditioner
// with a null diagonal, and the iteration limit (tolerance 0 is never met once the
// residual stagnates at rounding level).
TEST(Pcg, StopsOnIndefiniteMatrixFailedPreconditionerAndIterationLimit) {
  double** D;
  allocd2(&D, 3, 3);
  zerod2(D, 3, 3);
  D[1][1] = 1.0;
  D[2][2] = -1.0;
  D[3][3] = 1.0;
  RowList A = UpperFromDense(D, 3), U;
  U.n = 3;
  N6_NZmat_alloc_diagonal(&U.count, &U.col, &U.val, 3);
  for (int i = 1; i <= 3; i++) U.val[i][1] = 1.0;
  double b[4] = {0, 1, 1, 0}, x[4];
  int its;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(
      N6_NZmat_pcg_solve(A.count, A.col, A.val, U.count, U.col, U.val, x, b, 3, 1e-8, &its));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nWARNING:\nConjugate gradient stopped: the matrix is not positive definite.\n");
  EXPECT_EQ(its, 1);

  U.val[2][1] = 0.0;
  D[2][2] = 1.0;
  FreeRowList(&A);
  A = UpperFromDense(D, 3);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(
      N6_NZmat_pcg_solve(A.count, A.col, A.val, U.count, U.col, U.val, x, b, 3, 1e-8, &its));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nWARNING:\nNull value in the diagonal of the matrix.\n");
  EXPECT_EQ(its, 0);
  FreeRowList(&U);
  FreeRowList(&A);

  freed2(D);

  // Tolerance 0 on the membrane with the fill dropped (tau = 2, half the diagonal): the
  // true residual, recomputed every 50 iterations, stays at rounding level and never
  // reaches zero.
  const int N = 6, n = N * N;
  double** K;
  allocd2(&K, n, n);
  GridLaplacianDense(K, N);
  A = UpperFromDense(K, n);
  U.n = n;
  N6_NZmat_alloc_empty(&U.count, &U.col, &U.val, n);
  int fr;
  double fp;
  ASSERT_TRUE(
      N6_NZmat_icf(U.count, U.col, U.val, A.count, A.col, A.val, n, 0.0, 'Y', 2.0, &fr, &fp));
  double *bb, *xx, *yy;
  allocd1(&bb, n);
  allocd1(&xx, n);
  allocd1(&yy, n);
  for (int i = 1; i <= n; i++) bb[i] = std::sin(3.0 * i);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(
      N6_NZmat_pcg_solve(A.count, A.col, A.val, U.count, U.col, U.val, xx, bb, n, 0.0, &its));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nWARNING:\nConjugate gradient stopped: iteration limit reached.\n");
  EXPECT_EQ(its, N6_PcgIterationLimit(n));
  N6_NZSymmat_y_equals_A_x(yy, A.count, A.col, A.val, xx, n);
  for (int i = 1; i <= n; i++) EXPECT_NEAR(yy[i], bb[i], 1e-12);  // the last iterate
  freed1(yy);
  freed1(xx);
  freed1(bb);
  FreeRowList(&U);
  FreeRowList(&A);
  freed2(K);
}
