#include <gtest/gtest.h>

#include "numcore/numcore.h"

TEST(Dense, InvertHilbert3) {
  double **A, **Ai;
  allocd2(&A, 3, 3);
  allocd2(&Ai, 3, 3);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) A[i][j] = 1.0 / (i + j - 1);
  ASSERT_TRUE(invertd2(Ai, A, 3));
  const double want[3][3] = {{9, -36, 30}, {-36, 192, -180}, {30, -180, 180}};
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_NEAR(Ai[i][j], want[i - 1][j - 1], 1e-9);
  freed2(Ai);
  freed2(A);
}

TEST(Dense, GaussSolvePivotingAndSingular) {
  double **A, **X, **B;
  allocd2(&A, 2, 2); allocd2(&X, 2, 2); allocd2(&B, 2, 2);
  A[1][1] = 0; A[1][2] = 1; A[2][1] = 1; A[2][2] = 0;
  zerod2(B, 2, 2); setdiagd2(B, 2, 2, 1.0);
  ASSERT_TRUE(GaussSolve(A, X, B, 2, 2));
  EXPECT_EQ(X[1][2], 1.0); EXPECT_EQ(X[2][1], 1.0);
  EXPECT_EQ(X[1][1], 0.0); EXPECT_EQ(X[2][2], 0.0);
  A[1][1] = 1; A[1][2] = 2; A[2][1] = 1; A[2][2] = 2;
  zerod2(B, 2, 2); setdiagd2(B, 2, 2, 1.0);
  EXPECT_FALSE(GaussSolve(A, X, B, 2, 2));
  for (int i = 1; i <= 2; i++)
    for (int j = 1; j <= 2; j++) EXPECT_EQ(X[i][j], 0.0);
  freed2(A); freed2(X); freed2(B);
}

TEST(Dense, SmallSubdiagonalNotEliminated) {
  double** A; double x[3]; double b[3] = {0, 1, 1};
  allocd2(&A, 2, 2);
  A[1][1] = 1; A[1][2] = 0; A[2][1] = 1e-9; A[2][2] = 1;
  ASSERT_TRUE(linsolved2(A, x, b, 2));
  EXPECT_EQ(x[1], 1.0); EXPECT_EQ(x[2], 1.0);
  freed2(A);
}

TEST(DenseDeath, Messages) {
  double** A;
  allocd2(&A, 4, 4);
  EXPECT_EXIT(detd2(A, 4), testing::ExitedWithCode(1), "m must be 1, 2 or 3");
  double v[4] = {0, 0, 0, 0};
  EXPECT_EXIT(normalized1(v, 3), testing::ExitedWithCode(1), "A null vector cannot be normalized.");
  freed2(A);
}
