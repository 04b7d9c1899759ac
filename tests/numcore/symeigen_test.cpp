#include <gtest/gtest.h>

#include <cmath>

#include "numcore/eigensolvers.h"
#include "numcore/numcore.h"

namespace {

// max |A V - V diag(lambda)| and max |V^T V - I|.
void EigenResiduals(double** A, double* lambda, double** V, int n, double* res, double* orth) {
  *res = 0.0;
  *orth = 0.0;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      double av = 0.0, vv = 0.0;
      for (int k = 1; k <= n; k++) {
        av += A[i][k] * V[k][j];
        vv += V[k][i] * V[k][j];
      }
      *res = std::fmax(*res, std::fabs(av - V[i][j] * lambda[j]));
      *orth = std::fmax(*orth, std::fabs(vv - (i == j ? 1.0 : 0.0)));
    }
}

void Tridiag121(double** A, int n) {
  zerod2(A, n, n);
  for (int i = 1; i <= n; i++) {
    A[i][i] = 2.0;
    if (i < n) A[i][i + 1] = A[i + 1][i] = -1.0;
  }
}

}  // namespace

// tridiag(-1, 2, -1) of order n (a string of n masses): 2 - 2 cos(j pi/(n+1)).
TEST(SymEigen, SecondDifferenceMatrixClosedForm) {
  for (int n : {3, 10, 31}) {
    double **A, **V, **A0;
    double* lambda;
    allocd2(&A, n, n);
    allocd2(&A0, n, n);
    allocd2(&V, n, n);
    allocd1(&lambda, n);
    Tridiag121(A, n);
    copyd2(A0, A, n, n);
    N6_Symmat_eigen(A, lambda, V, n);
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) EXPECT_EQ(A[i][j], A0[i][j]);  // T unchanged
    double res, orth;
    EigenResiduals(A, lambda, V, n, &res, &orth);
    EXPECT_LT(res, 1e-12);
    EXPECT_LT(orth, 1e-12);
    N6_sort_eigenpairs(lambda, V, n, n);
    for (int j = 1; j <= n; j++)
      EXPECT_NEAR(lambda[j], 2.0 - 2.0 * std::cos(j * M_PI / (n + 1)), 1e-13) << n << " " << j;
    EigenResiduals(A, lambda, V, n, &res, &orth);  // still pairs after sorting
    EXPECT_LT(res, 1e-12);
    if (n == 3) {
      EXPECT_NEAR(lambda[1], 2.0 - std::sqrt(2.0), 1e-15);
      EXPECT_NEAR(lambda[2], 2.0, 1e-15);
      EXPECT_NEAR(lambda[3], 2.0 + std::sqrt(2.0), 1e-15);
    }
    freed1(lambda);
    freed2(V);
    freed2(A0);
    freed2(A);
  }
}

// A full matrix with a repeated eigenvalue, built as Q diag Q^T from a product of
// reflections, and with negative and widely scaled eigenvalues.
TEST(SymEigen, FullMatrixWithRepeatedAndNegativeEigenvalues) {
  const int n = 7;
  const double want[n + 1] = {0, -5.0, 1e-3, 2.0, 2.0, 3.5, 1e4, -2e4};
  double **Q, **A, **V, **H;
  double *lambda, u[n + 1];
  allocd2(&Q, n, n);
  allocd2(&A, n, n);
  allocd2(&V, n, n);
  allocd2(&H, n, n);
  allocd1(&lambda, n);
  zerod2(Q, n, n);
  setdiagd2(Q, n, n, 1.0);
  for (int r = 1; r <= 3; r++) {  // Q := Q (I - 2 u u^T / u^T u)
    for (int i = 1; i <= n; i++) u[i] = std::cos(1.7 * r * i + r);
    double uu = dotd1(u, u, n);
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) H[i][j] = (i == j) - 2.0 * u[i] * u[j] / uu;
    multd2d2(V, Q, H, n, n, n);
    copyd2(Q, V, n, n);
  }
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      double s = 0.0;
      for (int k = 1; k <= n; k++) s += Q[i][k] * want[k] * Q[j][k];
      A[i][j] = s;
    }
  for (int i = 1; i <= n; i++)
    for (int j = 1; j < i; j++) A[i][j] = A[j][i];  // exactly symmetric
  N6_Symmat_eigen(A, lambda, V, n);
  double res, orth;
  EigenResiduals(A, lambda, V, n, &res, &orth);
  EXPECT_LT(res, 1e-10);
  EXPECT_LT(orth, 1e-13);
  N6_sort_eigenpairs(lambda, V, n, n);
  const double sorted[n + 1] = {0, 1e-3, 2.0, 2.0, 3.5, -5.0, 1e4, -2e4};
  for (int j = 1; j <= n; j++) EXPECT_NEAR(lambda[j], sorted[j], 1e-10 * 1e4) << j;
  freed1(lambda);
  freed2(H);
  freed2(V);
  freed2(A);
  freed2(Q);
}

TEST(SymEigen, DiagonalOneByOneAndEmpty) {
  double **A, **V;
  double* lambda;
  allocd2(&A, 3, 3);
  allocd2(&V, 3, 3);
  allocd1(&lambda, 3);
  zerod2(A, 3, 3);
  A[1][1] = 5.0;
  A[2][2] = -1.0;
  A[3][3] = 2.0;
  N6_Symmat_eigen(A, lambda, V, 3);
  EXPECT_EQ(lambda[1], 5.0);
  EXPECT_EQ(lambda[2], -1.0);
  EXPECT_EQ(lambda[3], 2.0);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_EQ(V[i][j], i == j ? 1.0 : 0.0);

  double d[2] = {0, 7.5}, e[2] = {0, 0};
  V[1][1] = 1.0;
  N6_Tridiag_ql(d, e, V, 1);
  EXPECT_EQ(d[1], 7.5);
  N6_Symmat_eigen(A, lambda, V, 0);  // nothing to do
  freed1(lambda);
  freed2(V);
  freed2(A);
}

TEST(SymEigen, SortByMagnitudeMovesColumns) {
  double** V;
  allocd2(&V, 2, 3);
  double lambda[4] = {0, -3.0, 1.0, 2.0};
  for (int j = 1; j <= 3; j++) {
    V[1][j] = j;
    V[2][j] = 10.0 * j;
  }
  N6_sort_eigenpairs(lambda, V, 2, 3);
  EXPECT_EQ(lambda[1], 1.0);
  EXPECT_EQ(lambda[2], 2.0);
  EXPECT_EQ(lambda[3], -3.0);
  EXPECT_EQ(V[1][1], 2.0);
  EXPECT_EQ(V[2][2], 30.0);
  EXPECT_EQ(V[1][3], 1.0);
  // equal magnitudes keep their order
  double l2[3] = {0, -2.0, 2.0};
  N6_sort_eigenpairs(l2, V, 2, 2);
  EXPECT_EQ(l2[1], -2.0);
  freed2(V);
}

// One sweep with an exact eigenvalue as shift: the result is W^T T W, tridiagonal, and
// the last coupling vanishes with that eigenvalue left in the corner.
TEST(SymEigen, ShiftedQrStepWithExactShiftDeflates) {
  const int n = 6, kk = 5;
  double **T, **T0, **W, **Ws, **S;
  double* lambda;
  allocd2(&T, n, n);
  allocd2(&T0, n, n);
  allocd2(&W, n, n);
  allocd2(&S, kk, kk);
  allocd2(&Ws, kk, kk);
  allocd1(&lambda, kk);
  zerod2(T, n, n);
  for (int i = 1; i <= n; i++) {
    T[i][i] = 1.0 + i * i * 0.3;
    if (i < n) T[i][i + 1] = T[i + 1][i] = 0.5 + 0.1 * i;
  }
  copyd2(T0, T, n, n);
  for (int i = 1; i <= kk; i++)
    for (int j = 1; j <= kk; j++) Ws[i][j] = T[i][j];
  N6_Symmat_eigen(Ws, lambda, S, kk);
  zerod2(W, n, n);
  setdiagd2(W, n, n, 1.0);
  double mu = lambda[2];
  N6_Tridiag_shifted_qr_step(T, W, mu, kk, n);

  EXPECT_NEAR(T[kk][kk - 1], 0.0, 1e-12);
  EXPECT_NEAR(T[kk][kk], mu, 1e-12);
  for (int i = 1; i <= kk; i++)
    for (int j = 1; j <= kk; j++) {
      if (std::abs(i - j) > 1) {
        EXPECT_EQ(T[i][j], 0.0);
      }
      EXPECT_EQ(T[i][j], T[j][i]);
      double s = 0.0;  // (W^T T0 W)(i, j) on the leading block
      for (int a = 1; a <= kk; a++)
        for (int b = 1; b <= kk; b++) s += W[a][i] * T0[a][b] * W[b][j];
      EXPECT_NEAR(T[i][j], s, 1e-12);
    }
  // W is orthogonal, the rest of T untouched.
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      double s = 0.0;
      for (int a = 1; a <= n; a++) s += W[a][i] * W[a][j];
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-14);
    }
  EXPECT_EQ(T[n][n], T0[n][n]);

  // [[1,1,0],[1,1,1],[0,1,1]] has the eigenvalue 1 = T(1,1): the first rotation starts
  // from a = T(1,1) - mu = 0 and must be the exchange (c = 0, s = 1), not the identity.
  zerod2(T, n, n);
  for (int i = 1; i <= 3; i++) T[i][i] = 1.0;
  T[1][2] = T[2][1] = T[2][3] = T[3][2] = 1.0;
  zerod2(W, n, n);
  setdiagd2(W, n, n, 1.0);
  N6_Tridiag_shifted_qr_step(T, W, 1.0, 3, n);
  EXPECT_NEAR(T[3][2], 0.0, 1e-15);
  EXPECT_NEAR(T[3][3], 1.0, 1e-15);
  freed1(lambda);
  freed2(Ws);
  freed2(S);
  freed2(W);
  freed2(T0);
  freed2(T);
}
