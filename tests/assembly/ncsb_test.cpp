// Profile copy of KFF, Gaussian elimination and solve.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "assembly/solvers.h"
#include "sparse_fixture.h"

namespace {

// Profile store of K in the order Calc_NCSB_KFF chooses (chosen = true) or in the
// data file's order.
struct Store {
  int n;
  int* last;
  double** A;
  int64_t terms;
  Store(const Dense& K, bool chosen) : n(K.n) {
    std::vector<int> identity(n + 1);
    for (int k = 0; k <= n; k++) identity[k] = k;
    SparseRowMatrix S = MakeRows(K, true);
    alloci1(&last, n);
    if (chosen)
      Calc_NCSB_KFF(n, &terms, Flags(), last, &S, &A);
    else
      CopyKFFToNCSB(n, &terms, Flags(), last, &S, &A, identity.data());
    FreeRows(&S);
  }
  ~Store() { freeprofd2(A, n); freei1(last); }
};

// Full road of a Gaussian-elimination driver: profile copy, factorisation, solve.
std::vector<double> SolveByNCSB(const Dense& K, const std::vector<double>& f) {
  Store s(K, true);
  double tFactor, tSolve;
  FactorNCSB(s.n, &tFactor, Flags(), s.last, s.A);
  std::vector<double> b(s.n + 1);
  std::copy(f.begin(), f.end(), b.begin() + 1);
  SolveNCSB(s.n, &tSolve, s.last, b.data(), s.A);
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

// The "too small" warning measures a diagonal against what its couplings ask of a positive
// definite matrix (K_ii K_jj >= K_ij^2), at any scale of the matrix: a soft dof alone or
// tied to a stiff one is no warning; a pair of diagonals far below their coupling is one
// warning for each.
TEST(NCSB, SmallDiagonalWarningIsTheSameAtAnyScale) {
  const std::string small = "\nWARNING:\nValue in the main diagonal of the global stiffness matrix is too small.\n";
  struct Case {
    const char* name;
    double k11, k12, k22;
    int warnings;
  };
  const Case cases[] = {{"soft and alone", 1e-12, 0.0, 1.0, 0},
                        {"soft spring on a stiff dof", 1e-12, -1e-12, 1.0, 0},
                        {"far below their coupling", 1e-12, 1.0, 2.0, 2}};
  for (const Case& c : cases)
    for (double scale : {1e-9, 1.0, 1e9}) {
      SCOPED_TRACE(std::string(c.name) + ", scale " + std::to_string(scale));
      Dense K(2, 2);
      K(1, 1) = c.k11 * scale; K(1, 2) = K(2, 1) = c.k12 * scale; K(2, 2) = c.k22 * scale;
      testing::internal::CaptureStderr();
      SolveByNCSB(K, {0.0, 1.0});
      std::string expected;
      for (int k = 0; k < c.warnings; k++) expected += small;
      EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
    }
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

// A pivot is measured against its own diagonal before elimination: one that keeps no more
// than 1e-13 of it is the rounding left by a mechanism or a null row, refused in any units
// (every term scaled by 1e-6 or 1e6 stops at the same equation, a pivot lost to the
// negative side too). A soft row beside stiff ones (a diagonal of 5e-15 of the largest
// term, as rotations in m beside translations in MN) keeps its whole diagonal and passes.
TEST(NCSBDeathTest, SmallPivotStops) {
  const char* msg2 =
      "^\nERROR:\nGaussian elimination failed - pivot \\(p\\) is too small\\.\nabs\\(p\\) <= 1\\.0e-13 times "
      "its diagonal term before elimination \\(singular matrix\\)\nEquation n\\. 2\n\n$";
  const char* msg1 =
      "^\nERROR:\nGaussian elimination failed - pivot \\(p\\) is too small\\.\nabs\\(p\\) <= 1\\.0e-13 times "
      "its diagonal term before elimination \\(singular matrix\\)\nEquation n\\. 1\n\n$";
  for (double f : {1.0, 1e-6, 1e6}) {
    SCOPED_TRACE(f);
    struct Refused {
      double a, b, c;
      const char* msg;
    };
    for (const Refused& r : {Refused{f, f, f * (1.0 + 5e-15), msg2},  // a pivot of about 5e-15 f left
                             Refused{f, f, f * (1.0 - 5e-15), msg2},  // the magnitude counts
                             Refused{0.0, 0.0, f, msg1}}) {           // a row without any stiffness
      Small s(r.a, r.b, r.c);
      EXPECT_EXIT((gSkipLeakCheck = true, GaussElimNCSB(s.A, 2, s.last, 'N')), testing::ExitedWithCode(1), r.msg);
    }
    for (double soft : {1e-9, 5e-15, -4e-15}) {
      Small s(f, 0.0, soft * f);
      GaussElimNCSB(s.A, 2, s.last, 'N');
      EXPECT_EQ(s.A[2][2], soft * f);
    }
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
  Calc_NCSB_KFF(2, &terms, Flags(), last, &S, &A);
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

namespace {

// The elimination one row at a time, each row updating the later rows it reaches.
void RowByRowElimination(double** A, int n, const int* last) {
  for (int i = 1; i <= n; i++)
    for (int j = i + 1; j <= last[i]; j++) {
      if (A[i][j] == 0.0) continue;
      const double m = A[i][j] / A[i][i];
      for (int k = j; k <= last[i]; k++) A[j][k] -= m * A[i][k];
    }
}

// The solve one term at a time: forward reduction in row order; back substitution in
// steps of 256 rows, the sum of row i in two parts, its terms up to the step's last row r1
// and those past it, term j of a part in partial sum (j - first term of the part) mod 8 and
// the eight sums added pairwise; b[i] - (first + second), or b[i] - first for a row that
// ends in its step; every division by a pivot a product with its reciprocal.
double PairwiseSum(double** U, const double* b, int i, int from, int to) {
  double t[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  for (int j = from; j <= to; j++) t[(j - from) % 8] += U[i][j] * b[j];
  return ((t[0] + t[1]) + (t[2] + t[3])) + ((t[4] + t[5]) + (t[6] + t[7]));
}

void TermByTermSolve(double** U, double* b, int n, const int* last) {
  for (int i = 1; i <= n; i++) {
    const double f = b[i] * (1.0 / U[i][i]);
    for (int j = i + 1; j <= last[i]; j++) b[j] = b[j] - U[i][j] * f;
  }
  for (int i = n; i >= 1; i--) {
    const int r1 = std::min(n, ((i - 1) / 256 + 1) * 256);
    const double inner = PairwiseSum(U, b, i, i + 1, std::min(last[i], r1));
    const double rest = last[i] > r1 ? b[i] - (inner + PairwiseSum(U, b, i, r1 + 1, last[i])) : b[i] - inner;
    b[i] = rest * (1.0 / U[i][i]);
  }
}

}  // namespace

// The blocked kernels give the factor and the solution of the one-row-at-a-time forms to
// the last bit, for sizes across the block and tile edges and for ragged profiles, with the
// elimination kernels of every instruction-set level the processor runs (level 0: the one
// GaussElimNCSB picks).
TEST(NCSB, BlockedKernelsMatchTheRowByRowFormsBitForBit) {
  struct Case { int n, reach; unsigned seed; };
  for (Case c : {Case{1, 0, 1u}, Case{5, 4, 2u}, Case{17, 16, 3u}, Case{40, 7, 4u}, Case{97, 40, 5u},
                 Case{300, 90, 6u}, Case{260, 259, 7u}}) {
    Dense K = RandomSPD(c.n, c.reach, c.seed);
    for (double& v : K.a) v *= 1e3;
    Store ref(K, false);
    RowByRowElimination(ref.A, c.n, ref.last);
    std::vector<double> r(c.n + 1);
    for (int i = 1; i <= c.n; i++) r[i] = std::cos(0.3 * i) * 100.0;
    std::vector<double> b = r;
    TermByTermSolve(ref.A, r.data(), c.n, ref.last);
    for (int level : {0, 1, 3, 4}) {
      SCOPED_TRACE("n = " + std::to_string(c.n) + ", level " + std::to_string(level));
      Store blocked(K, false);
      if (level == 0) {
        GaussElimNCSB(blocked.A, c.n, blocked.last, 'N');
      } else if (!GaussElimNCSBAtLevel(blocked.A, c.n, blocked.last, level)) {
        std::printf("level %d not run by this processor\n", level);
        continue;
      }
      int differ = 0;
      for (int i = 1; i <= c.n; i++)
        for (int j = i; j <= ref.last[i]; j++)
          if (std::memcmp(&blocked.A[i][j], &ref.A[i][j], sizeof(double)) != 0) differ++;
      EXPECT_EQ(differ, 0);
      std::vector<double> x = b;
      solveprofd2(blocked.A, x.data(), c.n, blocked.last);
      EXPECT_EQ(std::memcmp(x.data() + 1, r.data() + 1, sizeof(double) * c.n), 0);
    }
  }
}

// [[k, k], [k, k(1 + 1e-14)]] leaves a pivot of k 1e-14 in SI units: rounding noise for its
// diagonal, refused. Just above the bound the pivot passes.
TEST(NCSBDeathTest, PivotSmallAgainstItsDiagonalStops) {
  const double k = 1e11;
  {
    Small s(k, k, k * (1 + 1e-14));
    EXPECT_EXIT((gSkipLeakCheck = true, GaussElimNCSB(s.A, 2, s.last, 'N')), testing::ExitedWithCode(1),
                "^\nERROR:\nGaussian elimination failed - pivot \\(p\\) is too small\\.\nabs\\(p\\) <= 1\\.0e-13 "
                "times its diagonal term before elimination \\(singular matrix\\)\nEquation n\\. 2\n\n$");
  }
  Small s(k, k, k * (1 + 1e-11));
  GaussElimNCSB(s.A, 2, s.last, 'N');
  EXPECT_NEAR(s.A[2][2], 1.0, 0.01);
}

// A chain of springs without support, its equations numbered at random: the store takes
// the chain order, the elimination ends on the rigid motion at an end of the chain, and the
// message names that end by its number in the data file.
TEST(NCSBDeathTest, MechanismNamesTheDataFileEquation) {
  const int n = 30;
  std::vector<int> at(n);  // equation of chain node q
  for (int q = 0; q < n; q++) at[q] = q + 1;
  std::shuffle(at.begin(), at.end(), std::mt19937(7));
  Dense K(n, n);
  for (int q = 0; q + 1 < n; q++) {
    const double ks = 1.3e11 + 1.7e9 * q;
    const int a = at[q], b = at[q + 1];
    K(a, a) += ks; K(b, b) += ks; K(a, b) -= ks; K(b, a) -= ks;
  }
  ASSERT_NE(at[0], n);
  ASSERT_NE(at[n - 1], n);
  Store s(K, true);
  EXPECT_EQ(s.terms, 2 * n - 1);  // banded in the chain order
  const std::string ends = "(" + std::to_string(at[0]) + "|" + std::to_string(at[n - 1]) + ")";
  double t;
  EXPECT_EXIT((gSkipLeakCheck = true, FactorNCSB(n, &t, Flags(), s.last, s.A)), testing::ExitedWithCode(1),
              "^\nERROR:\nGaussian elimination failed - pivot \\(p\\) is too small\\.\nabs\\(p\\) <= 1\\.0e-13[^\n]*\n"
              "Equation n\\. " + ends + "\n\n$");
}

namespace {

// Symmetric positive definite matrix on a graph: -1 per edge, degree + 1 on the diagonal.
Dense GraphMatrix(int n, const std::vector<std::pair<int, int>>& edges) {
  Dense K(n, n);
  for (int i = 1; i <= n; i++) K(i, i) = 1.0;
  for (auto [a, b] : edges) {
    K(a, b) = K(b, a) = -1.0;
    K(a, a) += 1.0;
    K(b, b) += 1.0;
  }
  return K;
}

// Nodes of an m x m x m grid joined to their 26 neighbours, numbered layer by layer or at
// random.
Dense Grid(int m, bool shuffled) {
  const int n = m * m * m;
  std::vector<int> num(n);
  for (int v = 0; v < n; v++) num[v] = v + 1;
  if (shuffled) std::shuffle(num.begin(), num.end(), std::mt19937(11));
  std::vector<std::pair<int, int>> edges;
  for (int x = 0; x < m; x++)
    for (int y = 0; y < m; y++)
      for (int z = 0; z < m; z++)
        for (int dx = 0; dx <= 1; dx++)
          for (int dy = -1; dy <= 1; dy++)
            for (int dz = -1; dz <= 1; dz++) {
              if (dx == 0 && (dy < 0 || (dy == 0 && dz <= 0))) continue;
              const int X = x + dx, Y = y + dy, Z = z + dz;
              if (X >= m || Y < 0 || Y >= m || Z < 0 || Z >= m) continue;
              edges.push_back({num[(x * m + y) * m + z], num[(X * m + Y) * m + Z]});
            }
  return GraphMatrix(n, edges);
}

}  // namespace

// The order is a permutation; the store takes it only when it saves a quarter of the
// profile (never a larger profile than the data file's), so a banded
// numbering stays as it is and a random numbering of a solid is brought back to a narrow
// profile. Separate parts and rows without terms are ordered too.
TEST(NCSBOrder, PermutationThatNeverEnlargesTheProfile) {
  struct Case {
    const char* name;
    Dense K;
    double maxShare;  // largest share of the data file's profile the store may keep
  };
  std::vector<std::pair<int, int>> chain, parts;
  for (int i = 1; i < 50; i++) chain.push_back({i, i + 1});
  for (int i = 1; i <= 40; i += 3) parts.push_back({i, 41 - i});  // pairs; 41 alone; rows 42..45 empty
  std::vector<Case> cases;
  cases.push_back({"grid in layers", Grid(7, false), 1.0});
  cases.push_back({"grid at random", Grid(7, true), 0.4});
  cases.push_back({"chain", GraphMatrix(50, chain), 1.0});
  cases.push_back({"pairs and lone rows", GraphMatrix(45, parts), 0.2});
  cases.push_back({"one equation", GraphMatrix(1, {}), 1.0});
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = c.K.n;
    SparseRowMatrix S = MakeRows(c.K, true);
    std::vector<int> order(n + 1, 0), identity(n + 1);
    for (int k = 0; k <= n; k++) identity[k] = k;
    ProfileReducingOrder(n, S.count, S.cols, order.data());
    std::vector<int> seen(n + 1, 0);
    for (int k = 1; k <= n; k++) {
      ASSERT_TRUE(order[k] >= 1 && order[k] <= n) << k;
      seen[order[k]]++;
    }
    for (int e = 1; e <= n; e++) EXPECT_EQ(seen[e], 1) << "equation " << e;
    const int64_t given = ProfileTerms(n, S.count, S.cols, identity.data());
    const int64_t reduced = ProfileTerms(n, S.count, S.cols, order.data());
    int* last;
    alloci1(&last, n);
    double** A;
    int64_t terms;
    Calc_NCSB_KFF(n, &terms, Flags(), last, &S, &A);
    EXPECT_EQ(terms, 4 * reduced < 3 * given ? reduced : given);  // renumbered for a quarter saved
    EXPECT_LE(terms, c.maxShare * given);
    freeprofd2(A, n);
    freei1(last);
    FreeRows(&S);
  }
}
