#include <gtest/gtest.h>

#include <cmath>

#include "numcore/numcore.h"
#include "support/process.h"

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
  EXPECT_EXIT(detd2(A, 4), testing::ExitedWithCode(1), StderrIs("\nERROR:\nm must be 1, 2 or 3\n\n"));
  double v[4] = {0, 0, 0, 0};
  EXPECT_EXIT(normalized1(v, 3), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nA null vector cannot be normalized.\n\n"));
  freed2(A);
}

TEST(Dense, ToleranceBoundaries) {
  double a[3] = {0, 1.0, 2.0}, b[3] = {0, 1.0 + 1e-8, 2.0};
  // 1 + 1e-8 - 1 is not exactly 1e-8 in binary: compare against the computed difference.
  EXPECT_EQ(equald1(a, b, 2), std::fabs(a[1] - b[1]) <= 1e-8);
  double z[3] = {0, 0.0, 0.0}, t[3] = {0, 0.0, 1e-8};
  EXPECT_TRUE(equald1(z, t, 2));
  t[2] = 1.0000001e-8;
  EXPECT_FALSE(equald1(z, t, 2));
  EXPECT_TRUE(equald1(z, t, 0));
  EXPECT_EQ(maxabsd1(t, 0), 0.0);
  // A pivot is measured against its own column: a lone 1e-8 or 0.99e-8 is a regular
  // matrix, only a null one is refused.
  double** A;
  allocd2(&A, 1, 1);
  double x[2], r[2] = {0, 2e-8};
  for (double a : {1e-8, 0.99e-8}) {
    A[1][1] = a;
    EXPECT_TRUE(linsolved2(A, x, r, 1));
    EXPECT_EQ(x[1], 2e-8 / a);
  }
  A[1][1] = 0.0;
  x[1] = 5.0;
  EXPECT_FALSE(linsolved2(A, x, r, 1));
  EXPECT_EQ(x[1], 0.0);
  freed2(A);
}

// The pivot test measures cancellation: [[2, 1], [1, 1/2 + d]] leaves the pivot d out
// of the 1 + d added into it, refused below 1e-8 of that (d = 2^-27) and accepted above
// (2^-26), whatever units its columns are in and its rows within a factor 1e6 (a
// multiplier of at most 1e-8 is skipped). A skewed Jacobian in metres or
// smaller (entries down to 5e-11) is inverted like the same element in millimetres, and
// a compliance in pascals (1/E = 3e-11) like one in MPa.
TEST(Dense, PivotTestIsTheSameInAnyUnits) {
  double** A;
  double** Ai;
  allocd2(&A, 2, 2);
  allocd2(&Ai, 2, 2);
  struct Case {
    double row, col, d;
    bool regular;
  };
  const double small = std::ldexp(1.0, -27), big = std::ldexp(1.0, -26);
  const Case cases[] = {{1, 1, small, false},      {1, 1, big, true},      {1e-6, 1, small, false},
                        {1e-6, 1e6, big, true},     {1, 1e-9, small, false}, {1e3, 1e-12, big, true},
                        {1e6, 1e12, small, false},  {1e-6, 1e-12, big, true}};
  for (const Case& c : cases) {
    // Row 2 and column 2 in other units.
    A[1][1] = 2.0;
    A[1][2] = 1.0 * c.col;
    A[2][1] = 1.0 * c.row;
    A[2][2] = (0.5 + c.d) * c.row * c.col;
    EXPECT_EQ(invertd2(Ai, A, 2), c.regular) << c.row << " " << c.col << " " << c.d;
    if (c.regular) {
      EXPECT_NEAR(Ai[2][2] * c.row * c.col * c.d, 1.0, 1e-6) << c.row << " " << c.col;
    }
  }
  // A skewed element: the same inverse times the scale in mm and in m.
  for (double L : {1.0, 1e-3, 1e-6, 1e-9}) {
    A[1][1] = 0.05 * L;
    A[1][2] = 1e-9 * L;
    A[2][1] = 0.02 * L;
    A[2][2] = 0.04 * L;
    ASSERT_TRUE(invertd2(Ai, A, 2)) << L;
    EXPECT_NEAR(Ai[1][2] * L, -1e-9 / (0.05 * 0.04 - 2e-11), 1e-12) << L;
    EXPECT_NEAR(Ai[2][1] * L, -0.02 / (0.05 * 0.04 - 2e-11), 1e-12) << L;
  }
  for (double S : {1.0, 1e6, 1e-3}) {
    const double E = 30000.0 * S, nu = 0.2;
    A[1][1] = A[2][2] = 1.0 / E;
    A[1][2] = A[2][1] = -nu / E;
    ASSERT_TRUE(invertd2(Ai, A, 2)) << S;
    EXPECT_NEAR(Ai[1][2] / S, nu * 30000.0 / (1 - nu * nu), 1e-8) << S;
  }
  freed2(Ai);
  freed2(A);
}

// A bar along x2 in the global plane: the local axial stiffness EA/L [[1,-1],[-1,1]]
// rotated by B^T k B with the direction cosines gives the global 4 x 4 stiffness.
TEST(Dense, BarStiffnessRotation) {
  double **k, **B, **K;
  allocd2(&k, 2, 2);
  allocd2(&B, 2, 4);
  allocd2(&K, 4, 4);
  const double c = 0.6, s = 0.8, ea_l = 10.0;
  k[1][1] = k[2][2] = ea_l;
  k[1][2] = k[2][1] = -ea_l;
  zerod2(B, 2, 4);
  B[1][1] = c; B[1][2] = s; B[2][3] = c; B[2][4] = s;
  btabd2(K, k, B, 2, 4);
  const double g[3] = {0, c, s};
  for (int i = 1; i <= 4; i++)
    for (int j = 1; j <= 4; j++) {
      const double sign = ((i <= 2) == (j <= 2)) ? 1.0 : -1.0;
      EXPECT_NEAR(K[i][j], sign * ea_l * g[(i - 1) % 2 + 1] * g[(j - 1) % 2 + 1], 1e-14);
    }
  // Rigid translation along the bar direction carries no force.
  double u[5] = {0, c, s, c, s}, f[5];
  multd2d1(f, K, u, 4, 4);
  EXPECT_NEAR(maxabsd1(f, 4), 0.0, 1e-13);
  EXPECT_TRUE(issymd2(K, 4));
  freed2(K);
  freed2(B);
  freed2(k);
}
