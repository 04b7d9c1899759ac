#include <gtest/gtest.h>

#include "numcore/numcore.h"
#include "numcore/sparse.h"
#include "sparse_fixtures.h"

namespace {

// A small dense matrix from a row-major literal.
double** Dense(int n, std::initializer_list<double> v) {
  double** A;
  allocd2(&A, n, n);
  auto it = v.begin();
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) A[i][j] = *it++;
  return A;
}

}  // namespace

// ---- row-list storage and arithmetic -------------------------------------------------

TEST(NZmat, SymmetricProductActsTwiceOffDiagonal) {
  double** A = Dense(2, {2, 1, 1, 2});
  RowList R = UpperFromDense(A, 2);
  double x[3] = {0, 1, 1}, y[3];
  N6_NZSymmat_y_equals_A_x(y, R.count, R.col, R.val, x, 2);
  EXPECT_EQ(y[1], 3.0);
  EXPECT_EQ(y[2], 3.0);
  FreeRowList(&R);
  freed2(A);

  // A banded 6 x 6 against the dense product.
  double** B;
  allocd2(&B, 6, 6);
  for (int i = 1; i <= 6; i++)
    for (int j = 1; j <= 6; j++) B[i][j] = std::abs(i - j) <= 2 ? 1.0 / (i + j) : 0.0;
  R = UpperFromDense(B, 6);
  double xx[7], yy[7], want[7];
  for (int i = 1; i <= 6; i++) xx[i] = i - 3.5;
  N6_NZSymmat_y_equals_A_x(yy, R.count, R.col, R.val, xx, 6);
  multd2d1(want, B, xx, 6, 6);
  for (int i = 1; i <= 6; i++) EXPECT_NEAR(yy[i], want[i], 1e-15);
  FreeRowList(&R);
  freed2(B);
}

TEST(NZmat, AllocDiagonalHoldsZeroDiagonal) {
  int* c;
  int** col;
  double** val;
  N6_NZmat_alloc_diagonal(&c, &col, &val, 3);
  for (int i = 1; i <= 3; i++) {
    EXPECT_EQ(c[i], 1);
    EXPECT_EQ(col[i][1], i);
    EXPECT_EQ(val[i][1], 0.0);
  }
  N6_NZmat_free(c, col, val, 3);
}

TEST(NZmat, CombinationMatchesDense) {
  double** A = Dense(4, {1, 0, 2, 0, 0, 3, 0, 4, 5, 0, 0, 0, 0, 6, 0, 7});
  double** B = Dense(4, {0, 1, 2, 0, 0, -6, 0, 0, 0, 0, 8, 9, 1, 0, 0, 0});
  RowList RA = GeneralFromDense(A, 4), RB = GeneralFromDense(B, 4), RC;
  RC.n = 4;
  N6_NZmat_alloc_empty(&RC.count, &RC.col, &RC.val, 4);
  N6_NZmat_C_equals_aA_plus_bB(RC.count, RC.col, RC.val, RA.count, RA.col, RA.val, RB.count,
                               RB.col, RB.val, 4, 2.0, 1.0);
  double** C;
  allocd2(&C, 4, 4);
  DenseFromRows(C, RC, false);
  for (int i = 1; i <= 4; i++) {
    for (int j = 1; j <= 4; j++) EXPECT_EQ(C[i][j], 2 * A[i][j] + B[i][j]) << i << "," << j;
    for (int k = 2; k <= RC.count[i]; k++) EXPECT_GT(RC.col[i][k], RC.col[i][k - 1]);
  }
  EXPECT_EQ(RC.count[1], 3);
  EXPECT_EQ(RC.count[2], 1);  // (2, 2) cancels exactly: 2*3 - 6
  freed2(C);
  FreeRowList(&RC);
  FreeRowList(&RA);
  FreeRowList(&RB);
  freed2(A);
  freed2(B);
}

// B = -A: the general merge drops every exact cancellation, the symmetric form keeps one
// zero diagonal per row; a = b = 0 likewise. A zero term of A absent from B is dropped
// by the merge but copied when the coefficient of B is zero.
TEST(NZmat, CombinationCancellationAndCopyBranch) {
  double** A = Dense(3, {2, -1, 0, -1, 2, -1, 0, -1, 2});
  double** NA = Dense(3, {-2, 1, 0, 1, -2, 1, 0, 1, -2});
  RowList RA = UpperFromDense(A, 3), RN = UpperFromDense(NA, 3), RC;
  RC.n = 3;
  N6_NZmat_alloc_empty(&RC.count, &RC.col, &RC.val, 3);

  N6_NZmat_C_equals_aA_plus_bB(RC.count, RC.col, RC.val, RA.count, RA.col, RA.val, RN.count,
                               RN.col, RN.val, 3, 1.0, 1.0);
  for (int i = 1; i <= 3; i++) EXPECT_EQ(RC.count[i], 0);

  N6_NZmat_C_equals_aA_plus_bB_2(RC.count, RC.col, RC.val, RA.count, RA.col, RA.val, RN.count,
                                 RN.col, RN.val, 3, 1.0, 1.0);
  for (int i = 1; i <= 3; i++) {
    ASSERT_EQ(RC.count[i], 1);
    EXPECT_EQ(RC.col[i][1], i);
    EXPECT_EQ(RC.val[i][1], 0.0);
  }
  N6_NZmat_C_equals_aA_plus_bB(RC.count, RC.col, RC.val, RA.count, RA.col, RA.val, RN.count,
                               RN.col, RN.val, 3, 0.0, 0.0);
  for (int i = 1; i <= 3; i++) EXPECT_EQ(RC.count[i], 0);
  N6_NZmat_C_equals_aA_plus_bB_2(RC.count, RC.col, RC.val, RA.count, RA.col, RA.val, RN.count,
                                 RN.col, RN.val, 3, 0.0, 0.0);
  for (int i = 1; i <= 3; i++) {
    ASSERT_EQ(RC.count[i], 1);
    EXPECT_EQ(RC.val[i][1], 0.0);
  }

  // A stored zero at (1, 2) of A; B without that column.
  RA.val[1][2] = 0.0;
  double** D = Dense(3, {1, 0, 0, 0, 1, 0, 0, 0, 1});
  RowList RD = UpperFromDense(D, 3);
  N6_NZmat_C_equals_aA_plus_bB(RC.count, RC.col, RC.val, RA.count, RA.col, RA.val, RD.count,
                               RD.col, RD.val, 3, 1.0, 1.0);
  EXPECT_EQ(RC.count[1], 1);  // dropped by the merge
  N6_NZmat_C_equals_aA_plus_bB(RC.count, RC.col, RC.val, RA.count, RA.col, RA.val, RD.count,
                               RD.col, RD.val, 3, 3.0, 0.0);
  ASSERT_EQ(RC.count[1], 2);  // kept by the copy
  EXPECT_EQ(RC.col[1][2], 2);
  EXPECT_EQ(RC.val[1][2], 0.0);
  EXPECT_EQ(RC.val[2][1], 6.0);

  FreeRowList(&RD);
  FreeRowList(&RC);
  FreeRowList(&RN);
  FreeRowList(&RA);
  freed2(D);
  freed2(NA);
  freed2(A);
}

// The shifted stiffness K - sigma M of the modal analysis, against the dense result.
TEST(NZmat, SymmetricCombinationIsShiftedStiffness) {
  double **K, **M, **D;
  allocd2(&K, 5, 5);
  allocd2(&M, 5, 5);
  allocd2(&D, 5, 5);
  BarMatricesDense(K, M, 5, 200e9, 7850, 1e-4, 3.0);
  RowList RK = UpperFromDense(K, 5), RM = UpperFromDense(M, 5), RC;
  RC.n = 5;
  N6_NZmat_alloc_empty(&RC.count, &RC.col, &RC.val, 5);
  double sigma = 2.5e6;
  N6_NZmat_C_equals_aA_plus_bB_2(RC.count, RC.col, RC.val, RK.count, RK.col, RK.val, RM.count,
                                 RM.col, RM.val, 5, 1.0, -sigma);
  DenseFromRows(D, RC, true);
  for (int i = 1; i <= 5; i++) {
    EXPECT_EQ(RC.col[i][1], i);
    for (int j = 1; j <= 5; j++) EXPECT_EQ(D[i][j], K[i][j] - sigma * M[i][j]);
  }
  FreeRowList(&RC);
  FreeRowList(&RM);
  FreeRowList(&RK);
  freed2(D);
  freed2(M);
  freed2(K);
}

TEST(NZmat, ToProfileTakesRunningMaximumOfLastColumns) {
  double** A;
  allocd2(&A, 5, 5);
  zerod2(A, 5, 5);
  for (int i = 1; i <= 5; i++) A[i][i] = 10.0 + i;
  A[1][5] = A[5][1] = 1.0;
  A[2][3] = A[3][2] = 2.0;
  RowList R = UpperFromDense(A, 5);
  int* last;
  double** P;
  alloci1(&last, 5);
  for (int i = 1; i <= 5; i++) last[i] = i;
  allocprofd2(&P, 5, last);
  N6_NZmat_to_profile(last, P, R.count, R.col, R.val, 5);
  for (int i = 1; i <= 5; i++) EXPECT_EQ(last[i], 5);
  for (int i = 1; i <= 5; i++)
    for (int j = i; j <= 5; j++) EXPECT_EQ(P[i][j], A[i][j]);
  EXPECT_EQ(R.count[1], 2);  // the row list is unchanged
  freeprofd2(P, 5);
  freei1(last);
  FreeRowList(&R);
  freed2(A);
}

// ---- profile elimination and triangular solves ----------------------------------------

struct Profile {
  int* last;
  double** P;
  int n;
};

Profile ProfileFromDense(double** A, int n) {
  RowList R = UpperFromDense(A, n);
  Profile F;
  F.n = n;
  alloci1(&F.last, n);
  for (int i = 1; i <= n; i++) F.last[i] = i;
  allocprofd2(&F.P, n, F.last);
  N6_NZmat_to_profile(F.last, F.P, R.count, R.col, R.val, n);
  FreeRowList(&R);
  return F;
}

void FreeProfile(Profile* F) {
  freeprofd2(F->P, F->n);
  freei1(F->last);
}

// Profile rows are held through handles that point before their blocks, so a child that
// stops through errexit would have its live stores reported by the leak checker; a
// pointer into every block, kept in a global, keeps them reachable.
double* g_profile_rows[8];
void KeepRowsReachable(const Profile& F, int slot) {
  for (int i = 1; i <= F.n; i++) g_profile_rows[slot + i - 1] = &F.P[i][i];
}

TEST(NZmatGauss, TwoByTwo) {
  double** A = Dense(2, {4, 2, 2, 3});
  Profile F = ProfileFromDense(A, 2);
  ASSERT_TRUE(N6_NZmat_gauss_elim(F.last, F.P, 2));
  EXPECT_EQ(F.P[1][1], 4.0);
  EXPECT_EQ(F.P[2][2], 2.0);
  EXPECT_EQ(F.P[1][2], 2.0);
  double b[3] = {0, 6, 5}, x[3], y[3];
  ASSERT_TRUE(N6_NZmat_gauss_solve(F.last, F.P, x, b, 2));
  EXPECT_EQ(x[1], 1.0);
  EXPECT_EQ(x[2], 1.0);
  N6_NZmat_factored_y_equals_A_x(y, F.last, F.P, x, 2);
  EXPECT_EQ(y[1], 6.0);
  EXPECT_EQ(y[2], 5.0);
  FreeProfile(&F);
  freed2(A);
}

// The stiffness of a 12-element bar: solve, forward half and factored product against the
// dense matrix; a unit end load gives the end displacement L/(EA).
TEST(NZmatGauss, BarSolveForwardHalfAndProduct) {
  const int n = 12;
  double **K, **M;
  allocd2(&K, n, n);
  allocd2(&M, n, n);
  double E = 200e9, A = 1e-4, L = 3.0;
  BarMatricesDense(K, M, n, E, 7850, A, L);
  // A skyline with a longer row (a spring between node 2 and node 7).
  K[2][7] -= 1e6;
  K[7][2] -= 1e6;
  K[2][2] += 1e6;
  K[7][7] += 1e6;
  Profile F = ProfileFromDense(K, n);
  EXPECT_EQ(F.last[3], 7);
  ASSERT_TRUE(N6_NZmat_gauss_elim(F.last, F.P, n));

  double b[n + 1], x[n + 1], y[n + 1], z[n + 1];
  for (int i = 1; i <= n; i++) b[i] = std::sin(i);
  N6_NZmat_gauss_solve(F.last, F.P, x, b, n);
  multd2d1(y, K, x, n, n);
  for (int i = 1; i <= n; i++) EXPECT_NEAR(y[i], b[i], 1e-6 * std::fabs(b[i]) + 1e-9);
  N6_NZmat_factored_y_equals_A_x(z, F.last, F.P, x, n);
  for (int i = 1; i <= n; i++) EXPECT_NEAR(z[i], y[i], 1e-6);

  // Forward half: y = D^-1 L^-1 b, so L D y = b; as L(j, i) d(i) = u(i, j), that
  // reads (U^T y)_j = b_j.
  N6_NZmat_profile_forward_solve(F.last, F.P, y, b, n);
  for (int j = 1; j <= n; j++) {
    double s = 0.0;
    for (int i = 1; i <= j; i++)
      if (j <= F.last[i]) s += F.P[i][j] * y[i];
    EXPECT_NEAR(s, b[j], 1e-12);
  }

  // Same matrix without the spring: a unit load at the free end.
  BarMatricesDense(K, M, n, E, 7850, A, L);
  FreeProfile(&F);
  F = ProfileFromDense(K, n);
  N6_NZmat_gauss_elim(F.last, F.P, n);
  for (int i = 1; i <= n; i++) b[i] = i == n ? 1.0 : 0.0;
  N6_NZmat_gauss_solve(F.last, F.P, b, b, n);  // in place
  EXPECT_NEAR(b[n], L / (E * A), 1e-12 * L / (E * A));
  EXPECT_NEAR(b[n / 2], 0.5 * L / (E * A), 1e-12 * L / (E * A));
  FreeProfile(&F);
  freed2(K);
  freed2(M);
}

TEST(NZmatGaussDeath, EmptyMatrixAndSmallPivot) {
  double** Z = Dense(2, {0, 0, 0, 0});
  Profile F = ProfileFromDense(Z, 2);
  KeepRowsReachable(F, 0);
  EXPECT_EXIT(N6_NZmat_gauss_elim(F.last, F.P, 2), testing::ExitedWithCode(1),
              "^\nERROR:\nGaussian elimination failed - Empty matrix.\n\n$");
  EXPECT_EXIT(N6_NZmat_gauss_elim(F.last, F.P, 0), testing::ExitedWithCode(1),
              "Gaussian elimination failed - Empty matrix.");
  FreeProfile(&F);
  freed2(Z);

  // Pivot exactly 1e-8 times the largest term stops; slightly above passes.
  double** A = Dense(2, {1, 0, 0, 1e-8});
  F = ProfileFromDense(A, 2);
  KeepRowsReachable(F, 0);
  EXPECT_EXIT(N6_NZmat_gauss_elim(F.last, F.P, 2), testing::ExitedWithCode(1),
              "^\nERROR:\nGaussian elimination failed - pivot is too small.\n\n$");
  F.P[2][2] = 1.000001e-8;
  EXPECT_TRUE(N6_NZmat_gauss_elim(F.last, F.P, 2));
  // A singular matrix reaches a zero pivot after elimination.
  double** S = Dense(2, {1, 2, 2, 4});
  Profile G = ProfileFromDense(S, 2);
  KeepRowsReachable(G, 2);
  EXPECT_EXIT(N6_NZmat_gauss_elim(G.last, G.P, 2), testing::ExitedWithCode(1),
              "pivot is too small.");
  FreeProfile(&G);
  FreeProfile(&F);
  freed2(S);
  freed2(A);
}

// The quiet elimination refuses the same matrices without a word and reduces the
// others exactly as the reporting one.
TEST(NZmatGauss, QuietEliminationReturnsFalse) {
  const struct {
    std::initializer_list<double> a;
    bool ok;
  } cases[] = {{{0, 0, 0, 0}, false}, {{1, 0, 0, 1e-8}, false}, {{1, 2, 2, 4}, false}, {{4, 2, 2, 3}, true}};
  for (const auto& c : cases) {
    double** A = Dense(2, c.a);
    Profile F = ProfileFromDense(A, 2);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(N6_NZmat_gauss_elim_quiet(F.last, F.P, 2), c.ok);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    if (c.ok) {
      EXPECT_EQ(F.P[2][2], 2.0);
    }
    FreeProfile(&F);
    freed2(A);
  }
  EXPECT_FALSE(N6_NZmat_gauss_elim_quiet(nullptr, nullptr, 0));
}

// U of [[4,2,0],[2,5,3],[0,3,10]] = U^T U: rows (2,1,0), (2,1.5), (sqrt(7.75)).
TEST(NZTrmat, TriangularSolvesAndDiagonalChecks) {
  double** U = Dense(3, {2, 1, 0, 0, 2, 1.5, 0, 0, std::sqrt(7.75)});
  RowList R = GeneralFromDense(U, 3);
  double b[4] = {0, 1, 2, 3}, y[4], x[4];
  ASSERT_TRUE(N6_NZTrmat_solve_uT_x_equals_b(R.count, R.col, R.val, y, b, 3));
  ASSERT_TRUE(N6_NZTrmat_solve_u_x_equals_b(R.count, R.col, R.val, x, y, 3));
  double** A = Dense(3, {4, 2, 0, 2, 5, 3, 0, 3, 10});
  double Ax[4];
  multd2d1(Ax, A, x, 3, 3);
  for (int i = 1; i <= 3; i++) EXPECT_NEAR(Ax[i], b[i], 1e-14);
  // in place
  copyd1(x, y, 3);
  ASSERT_TRUE(N6_NZTrmat_solve_u_x_equals_b(R.count, R.col, R.val, x, x, 3));
  multd2d1(Ax, A, x, 3, 3);
  for (int i = 1; i <= 3; i++) EXPECT_NEAR(Ax[i], b[i], 1e-14);

  // Row 2 starting at column 3: not its diagonal.
  R.col[2][1] = 3;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(N6_NZTrmat_solve_uT_x_equals_b(R.count, R.col, R.val, y, b, 3));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nWARNING:\nNull value in the diagonal of the matrix.\n");
  R.col[2][1] = 2;
  R.val[3][1] = 1e-9;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(N6_NZTrmat_solve_u_x_equals_b(R.count, R.col, R.val, x, b, 3));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nWARNING:\nNull value in the diagonal of the matrix.\n");
  R.count[3] = 0;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(N6_NZTrmat_solve_uT_x_equals_b(R.count, R.col, R.val, y, b, 3));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nWARNING:\nEmpty row: null value in the diagonal of the matrix.\n");
  R.count[3] = 1;
  FreeRowList(&R);
  freed2(A);
  freed2(U);
}
