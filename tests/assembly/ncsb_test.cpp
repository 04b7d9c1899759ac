// Profile copy of KFF, Gaussian elimination and solve.
#include <gtest/gtest.h>

#include <algorithm>

#include "assembly/solvers.h"
#include "sparse_fixture.h"

namespace {

// Full road of a Gaussian-elimination driver: profile copy, factorisation, solve.
std::vector<double> SolveByNCSB(const Dense& K, const std::vector<double>& f) {
  const int n = K.n;
  SparseRowMatrix S = MakeRows(K, true);
  const std::string flags = Flags();
  int* last;
  alloci1(&last, n);
  double** A;
  int64_t terms;
  Calc_NCSB_KFF(n, &terms, flags.c_str(), last, &S, &A);
  double tFactor, tSolve;
  FactorNCSB(n, &tFactor, flags.c_str(), last, A);
  std::vector<double> b(n + 1);
  std::copy(f.begin(), f.end(), b.begin() + 1);
  SolveNCSB(n, &tSolve, last, b.data(), A);
  freeprofd2(A, n);
  freei1(last);
  FreeRows(&S);
  return std::vector<double>(b.begin() + 1, b.end());
}

double RelErr(const std::vector<double>& x, const std::vector<double>& ref) {
  double e = 0.0, r = 0.0;
  for (size_t i = 0; i < x.size(); i++) {
    e = std::max(e, std::fabs(x[i] - ref[i]));
    r = std::max(r, std::fabs(ref[i]));
  }
  return e / r;
}

}  // namespace

TEST(NCSB, SolvesTwoByTwo) {
  Dense K(2, 2);
  K(1, 1) = 4; K(1, 2) = 2; K(2, 1) = 2; K(2, 2) = 3;
  std::vector<double> x = SolveByNCSB(K, {6, 5});
  EXPECT_NEAR(x[0], 1.0, 1e-15);
  EXPECT_NEAR(x[1], 1.0, 1e-15);
}

// Clamped chain of springs k_e under a tip load P: u_j = P sum_{e<=j} 1/k_e.
TEST(NCSB, SpringChainTipDisplacements) {
  const int n = 40;
  const double P = 3.5;
  Dense K(n, n);
  std::vector<double> k(n + 1);
  for (int e = 1; e <= n; e++) {
    k[e] = 100.0 + 37.0 * (e % 5);
    K(e, e) += k[e];
    if (e > 1) { K(e - 1, e - 1) += k[e]; K(e - 1, e) -= k[e]; K(e, e - 1) -= k[e]; }
  }
  std::vector<double> f(n, 0.0);
  f[n - 1] = P;
  std::vector<double> u = SolveByNCSB(K, f);
  double c = 0.0;
  for (int j = 1; j <= n; j++) {
    c += 1.0 / k[j];
    EXPECT_NEAR(u[j - 1], P * c, 1e-13 * P * c) << "node " << j;
  }
}

// Random symmetric positive definite systems with ragged profiles against a dense solve.
// The solve skips factor terms of magnitude up to 1e-8 (an absolute threshold), so the
// matrices are scaled to stiffness-like magnitudes (diagonal about 1e4).
TEST(NCSB, RandomSPDAgreesWithDenseSolve) {
  struct Case { int n, reach; unsigned seed; };
  for (Case c : {Case{60, 5, 1u}, Case{200, 25, 2u}, Case{400, 60, 3u}, Case{300, 299, 4u}}) {
    Dense K = RandomSPD(c.n, c.reach, c.seed);
    for (double& v : K.a) v *= 1e3;
    std::vector<double> f(c.n);
    for (int i = 0; i < c.n; i++) f[i] = std::sin(1.0 + i);
    std::vector<double> ref = DenseSolve(K, f);
    EXPECT_LE(RelErr(SolveByNCSB(K, f), ref), 1e-10) << "n = " << c.n;
  }
}

// The symmetric elimination does not need positive pivots.
TEST(NCSB, NegativePivotIsAcceptedWithWarnings) {
  Dense K(2, 2);
  K(1, 1) = -2; K(1, 2) = 1; K(2, 1) = 1; K(2, 2) = 3;
  testing::internal::CaptureStderr();
  std::vector<double> x = SolveByNCSB(K, {-1, 4});
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "\nWARNING:\nNegative value in the main diagonal of the global stiffness matrix.\n"
            "\nWARNING:\nValue in the main diagonal of the global stiffness matrix is too small.\n");
  EXPECT_NEAR(x[0], 1.0, 1e-15);
  EXPECT_NEAR(x[1], 1.0, 1e-15);
}

// Envelope (in the data file's order): a row reaching far forces every later row to the
// same column; empty rows and gaps take the envelope of the row above.
TEST(NCSB, ProfileEnvelopeAndCopy) {
  // row 1 ends at 5, row 2 at 2, row 3 only its diagonal, row 4 empty, rows 5..6 banded,
  // row 7 reaches 8 while row 8 holds its diagonal alone.
  SparseRowMatrix S = MakeRowsFromLists({
      {{1, 10.0}, {5, 1.0}},
      {{2, 20.0}},
      {{3, 30.0}},
      {},
      {{5, 50.0}, {6, 2.0}},
      {{6, 60.0}},
      {{7, 70.0}, {8, 3.0}},
      {{8, 80.0}},
  });
  const std::string flags = Flags({OC_PRINT_GAUSS_ELIM_INFO});
  int* last;
  alloci1(&last, 8);
  double** A;
  int64_t terms;
  testing::internal::CaptureStdout();
  const int identity[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  CopyKFFToNCSB(8, &terms, flags.c_str(), last, &S, &A, identity);
  const std::string out = testing::internal::GetCapturedStdout();
  const int expected[9] = {0, 5, 5, 5, 5, 6, 6, 8, 8};
  for (int i = 1; i <= 8; i++) EXPECT_EQ(last[i], expected[i]) << "row " << i;
  EXPECT_EQ(terms, 5 + 4 + 3 + 2 + 2 + 1 + 2 + 1);
  EXPECT_EQ(out,
            "\nN. of rows in the nonconstant width semi-banded matrix (KFF) = 8\n"
            "\nN. of terms in the nonconstant width semi-banded matrix (KFF) = 20\n");
  EXPECT_EQ(A[1][1], 10.0);
  EXPECT_EQ(A[1][5], 1.0);
  EXPECT_EQ(A[1][3], 0.0);
  EXPECT_EQ(A[2][5], 0.0);
  EXPECT_EQ(A[4][4], 0.0);
  EXPECT_EQ(A[5][6], 2.0);
  EXPECT_EQ(A[7][8], 3.0);
  EXPECT_EQ(A[8][8], 80.0);
  // The row lists of KFF are emptied; the count and row vectors stay.
  for (int i = 1; i <= 8; i++) {
    EXPECT_EQ(S.count[i], 0);
    EXPECT_EQ(S.cols[i], nullptr);
    EXPECT_EQ(S.vals[i], nullptr);
  }
  freeprofd2(A, 8);
  freei1(last);
  FreeRows(&S);
}

TEST(NCSBDeathTest, MisplacedDiagonalStops) {
  SparseRowMatrix S = MakeRowsFromLists({{{1, 1.0}}, {{3, 1.0}}, {{3, 1.0}}});
  const std::string flags = Flags();
  int* last;
  alloci1(&last, 3);
  double** A;
  int64_t terms;
  EXPECT_EXIT(Calc_NCSB_KFF(3, &terms, flags.c_str(), last, &S, &A),
              testing::ExitedWithCode(1),
              "^\nERROR:\nNull value in the main diagonal of the global stiffness matrix\\.\n\n$");
  freei1(last);
  FreeRows(&S);
}

namespace {

// Profile store of a 2 x 2 matrix [[a, b], [b, c]].
struct Small {
  int* last;
  double** A;
  Small(double a, double b, double c) {
    alloci1(&last, 2);
    last[1] = 2;
    last[2] = 2;
    allocprofd2(&A, 2, last);
    A[1][1] = a; A[1][2] = b; A[2][2] = c;
  }
  ~Small() { freeprofd2(A, 2); freei1(last); }
};

}  // namespace

TEST(NCSBDeathTest, SmallPivotStops) {
  const char* msg =
      "^\nERROR:\nGaussian elimination failed - pivot \\(p\\) is too small\\.\nabs\\(p\\) < 1\\.0e-8\nEquation n\\. 2\n\n$";
  {
    Small s(1.0, 0.0, 5e-9);  // a pivot of 5e-9 on the diagonal
    EXPECT_EXIT((gSkipLeakCheck = true, GaussElimNCSB(s.A, 2, s.last, 'N')), testing::ExitedWithCode(1), msg);
  }
  {
    Small s(1.0, 1.0, 1.0 + 5e-9);  // a pivot of about 5e-9 left by the elimination
    EXPECT_EXIT((gSkipLeakCheck = true, GaussElimNCSB(s.A, 2, s.last, 'N')), testing::ExitedWithCode(1), msg);
  }
  {
    Small s(-4e-9, 0.0, 1.0);  // the magnitude counts
    EXPECT_EXIT((gSkipLeakCheck = true, GaussElimNCSB(s.A, 2, s.last, 'N')), testing::ExitedWithCode(1),
                "^\nERROR:\nGaussian elimination failed - pivot \\(p\\) is too small\\.\nabs\\(p\\) < 1\\.0e-8\nEquation n\\. 1\n\n$");
  }
  {
    Small s(std::nan(""), 0.0, 1.0);
    EXPECT_EXIT((gSkipLeakCheck = true, GaussElimNCSB(s.A, 2, s.last, 'N')), testing::ExitedWithCode(1),
                "^\nERROR:\nGaussian elimination failed - pivot \\(p\\) is not a finite number\\.\nEquation n\\. 1\n\n$");
  }
}

TEST(NCSB, PivotOfExactly1em8Passes) {
  Small s(1.0, 0.0, 1e-8);
  GaussElimNCSB(s.A, 2, s.last, 'N');
  double b[3] = {0.0, 2.0, 3e-8};
  solveprofd2(s.A, b, 2, s.last);
  EXPECT_DOUBLE_EQ(b[1], 2.0);
  EXPECT_DOUBLE_EQ(b[2], 3.0);
}

// The progress bar: thirty marks, drawn per row block above 900 rows, at the end below.
TEST(NCSB, ProgressEcho) {
  const std::string bar = "|------------------------------|\n|******************************|\n";
  for (int n : {1, 900, 901, 2000}) {
    int* last;
    alloci1(&last, n);
    for (int i = 1; i <= n; i++) last[i] = i;
    double** A;
    allocprofd2(&A, n, last);
    for (int i = 1; i <= n; i++) A[i][i] = 2.0;
    testing::internal::CaptureStdout();
    GaussElimNCSB(A, n, last, 'Y');
    EXPECT_EQ(testing::internal::GetCapturedStdout(), bar) << "n = " << n;
    testing::internal::CaptureStdout();
    GaussElimNCSB(A, n, last, 'N');
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    freeprofd2(A, n);
    freei1(last);
  }
}

TEST(NCSB, FactorEchoAndTimes) {
  SparseRowMatrix S = MakeRowsFromLists({{{1, 4.0}, {2, 2.0}}, {{2, 3.0}}});
  const std::string flags = Flags({OC_PRINT_GAUSS_ELIM_INFO});
  int* last;
  alloci1(&last, 2);
  double** A;
  int64_t terms;
  testing::internal::CaptureStdout();
  Calc_NCSB_KFF(2, &terms, Flags().c_str(), last, &S, &A);
  double t = -1.0;
  FactorNCSB(2, &t, flags.c_str(), last, A);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\nGaussian elimination:\n|------------------------------|\n|******************************|\n");
  EXPECT_GE(t, 0.0);
  EXPECT_EQ(A[1][1], 4.0);
  EXPECT_EQ(A[1][2], 2.0);
  EXPECT_EQ(A[2][2], 2.0);  // 3 - 2 * 2 / 4
  double b[3] = {0.0, 6.0, 5.0};
  SolveNCSB(2, &t, last, b, A);
  EXPECT_DOUBLE_EQ(b[1], 1.0);
  EXPECT_DOUBLE_EQ(b[2], 1.0);
  freeprofd2(A, 2);
  freei1(last);
  FreeRows(&S);
}
