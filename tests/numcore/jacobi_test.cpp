#include <gtest/gtest.h>

#include <cmath>

#include "numcore/numcore.h"
#include "support/process.h"

namespace {

struct Eig {
  int n;
  double** A;
  double** A0;  // copy of the input
  double** V;
  double* lambda;
  int nrot = -1;
  double offmax = -1.0;

  explicit Eig(int size) : n(size) {
    allocd2(&A, n, n);
    allocd2(&A0, n, n);
    allocd2(&V, n, n);
    allocd1(&lambda, n);
    zerod2(A, n, n);
  }
  ~Eig() {
    freed1(lambda);
    freed2(V);
    freed2(A0);
    freed2(A);
  }
  bool Run() {
    copyd2(A0, A, n, n);
    return eigjacobi(A, n, lambda, V, &nrot, &offmax);
  }
  // A0 v_j = lambda_j v_j for every column, and V^T V = I.
  void ExpectEigenpairs(double tol) {
    for (int j = 1; j <= n; j++)
      for (int i = 1; i <= n; i++) {
        double s = 0.0;
        for (int k = 1; k <= n; k++) s += A0[i][k] * V[k][j];
        EXPECT_NEAR(s, lambda[j] * V[i][j], tol) << "pair " << j << " row " << i;
      }
    for (int a = 1; a <= n; a++)
      for (int b = 1; b <= n; b++) {
        double s = 0.0;
        for (int k = 1; k <= n; k++) s += V[k][a] * V[k][b];
        EXPECT_NEAR(s, a == b ? 1.0 : 0.0, tol);
      }
  }
};

void FillTridiag(Eig& e) {
  for (int i = 1; i <= e.n; i++) {
    e.A[i][i] = 2.0;
    if (i > 1) e.A[i][i - 1] = e.A[i - 1][i] = -1.0;
  }
}

}  // namespace

TEST(Jacobi, SecondDifferenceMatrix3) {
  Eig e(3);
  FillTridiag(e);
  ASSERT_TRUE(e.Run());
  EXPECT_NEAR(e.lambda[1], 2.0 - std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(e.lambda[2], 2.0, 1e-12);
  EXPECT_NEAR(e.lambda[3], 2.0 + std::sqrt(2.0), 1e-12);
  e.ExpectEigenpairs(1e-10);
  // The lowest mode of a fixed-fixed string: all components of one sign, the middle one
  // sqrt(2) times the outer ones.
  EXPECT_NEAR(std::fabs(e.V[2][1]), std::sqrt(2.0) * std::fabs(e.V[1][1]), 1e-10);
  EXPECT_GT(e.V[1][1] * e.V[3][1], 0.0);
  EXPECT_LT(e.offmax, 1e-8);
  EXPECT_GT(e.nrot, 0);
  // Lower triangle cleared.
  EXPECT_EQ(e.A[2][1], 0.0);
  EXPECT_EQ(e.A[3][1], 0.0);
}

TEST(Jacobi, SecondDifferenceMatrixClosedForm) {
  const int n = 12;
  Eig e(n);
  FillTridiag(e);
  ASSERT_TRUE(e.Run());
  const double pi = std::acos(-1.0);
  for (int k = 1; k <= n; k++) EXPECT_NEAR(e.lambda[k], 2.0 - 2.0 * std::cos(k * pi / (n + 1)), 1e-12);
  // Rotations stop once every off-diagonal term is below 1e-12 of the largest term.
  e.ExpectEigenpairs(1e-11);
}

TEST(Jacobi, DiagonalNeedsNoRotationAndSortsColumns) {
  Eig e(3);
  e.A[1][1] = 3.0;
  e.A[2][2] = 1.0;
  e.A[3][3] = 2.0;
  e.A[1][3] = e.A[3][1] = 2.9e-12;  // below the threshold 1e-12 x 3: taken as diagonal
  ASSERT_TRUE(e.Run());
  EXPECT_EQ(e.nrot, 0);
  EXPECT_EQ(e.offmax, 2.9e-12);
  EXPECT_EQ(e.lambda[1], 1.0);
  EXPECT_EQ(e.lambda[2], 2.0);
  EXPECT_EQ(e.lambda[3], 3.0);
  // Selection sort: swap (1,2) then (2,3): the columns are e2, e3, e1.
  const double want[4][4] = {{0, 0, 0, 0}, {0, 0, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_EQ(e.V[i][j], want[i][j]) << i << "," << j;
}

TEST(Jacobi, EqualDiagonalRotatesByQuarterPi) {
  Eig e(2);
  e.A[1][1] = e.A[2][2] = 2.0;
  e.A[1][2] = e.A[2][1] = 1.0;
  ASSERT_TRUE(e.Run());
  EXPECT_EQ(e.nrot, 1);
  EXPECT_NEAR(e.lambda[1], 1.0, 1e-15);
  EXPECT_NEAR(e.lambda[2], 3.0, 1e-15);
  EXPECT_NEAR(std::fabs(e.V[1][1]), std::sqrt(0.5), 1e-15);
  e.ExpectEigenpairs(1e-14);
}

// The threshold is 1e-12 of the largest term (here 5): a term of exactly that is rotated.
TEST(Jacobi, ThresholdTermStillRotated) {
  Eig e(2);
  e.A[1][1] = 1.0;
  e.A[2][2] = 5.0;
  e.A[1][2] = e.A[2][1] = 1e-12 * 5.0;
  ASSERT_TRUE(e.Run());
  EXPECT_EQ(e.nrot, 1);
}

// A stress tensor in MPa, in Pa, in kN/mm^2 and in GPa: the same rotations, the
// eigenvalues in the same units and the same directions.
TEST(Jacobi, SameRotationsInAnyUnits) {
  const double T[3][3] = {{10, 3, 1}, {3, -4, 2}, {1, 2, 6}};
  Eig ref(3);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) ref.A[i][j] = T[i - 1][j - 1];
  ASSERT_TRUE(ref.Run());
  ref.ExpectEigenpairs(1e-7);
  for (double S : {1e6, 1e-3, 1e-6}) {
    SCOPED_TRACE(S);
    Eig e(3);
    for (int i = 1; i <= 3; i++)
      for (int j = 1; j <= 3; j++) e.A[i][j] = T[i - 1][j - 1] * S;
    ASSERT_TRUE(e.Run());
    EXPECT_EQ(e.nrot, ref.nrot);
    for (int i = 1; i <= 3; i++) {
      EXPECT_NEAR(e.lambda[i] / S, ref.lambda[i], 1e-12);
      for (int j = 1; j <= 3; j++) EXPECT_NEAR(e.V[i][j], ref.V[i][j], 1e-12);
    }
  }
}

TEST(Jacobi, OrderOneAndZero) {
  Eig e(1);
  e.A[1][1] = -4.5;
  ASSERT_TRUE(e.Run());
  EXPECT_EQ(e.lambda[1], -4.5);
  EXPECT_EQ(e.V[1][1], 1.0);
  EXPECT_EQ(e.nrot, 0);
  int nrot = 7;
  double off = 7.0;
  EXPECT_TRUE(eigjacobi(nullptr, 0, nullptr, nullptr, &nrot, &off));
  EXPECT_EQ(nrot, 0);
  EXPECT_EQ(off, 0.0);
}

TEST(Jacobi, GeneralSymmetricMatrix) {
  Eig e(5);
  for (int i = 1; i <= 5; i++)
    for (int j = i; j <= 5; j++) e.A[i][j] = e.A[j][i] = std::sin(1.0 + i * 7 + j * 3) * (i == j ? 4.0 : 1.0);
  double trace = 0.0;
  for (int i = 1; i <= 5; i++) trace += e.A[i][i];
  ASSERT_TRUE(e.Run());
  double sum = 0.0;
  for (int i = 1; i <= 5; i++) sum += e.lambda[i];
  EXPECT_NEAR(sum, trace, 1e-12);
  for (int i = 1; i < 5; i++) EXPECT_LE(e.lambda[i], e.lambda[i + 1]);
  e.ExpectEigenpairs(1e-7);
}

TEST(JacobiDeath, NotSymmetric) {
  Eig e(2);
  e.A[1][2] = 1.0;
  e.A[2][1] = 1.0 + 2e-8;
  EXPECT_EXIT(e.Run(), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nMatrix is not symmetric. Unable to calculate the eigen values.\n\n"));
}

// An infinite diagonal term turns the rotated diagonal into NaN: reported as a failure,
// never as eigenvalues.
TEST(JacobiDeath, NotANumberFailsWithWarning) {
  EXPECT_EXIT(
      {
        bool ok;
        double lambda1;
        {
          Eig e(2);
          e.A[1][1] = INFINITY;
          e.A[1][2] = e.A[2][1] = 1.0;
          e.lambda[1] = 42.0;
          ok = e.Run();
          lambda1 = e.lambda[1];
        }
        std::fprintf(stderr, "ok=%d lambda1=%g\n", ok, lambda1);
        std::exit(0);
      },
      testing::ExitedWithCode(0),
      StderrIs("\nWARNING:\nMax. n. of iterations reached; iterative process failed.\nok=0 lambda1=42\n"));
}
