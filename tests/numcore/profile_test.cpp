#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "numcore/numcore.h"
#include "numcore/profile.h"

namespace {

// Symmetric profile store of n rows, row i holding columns i..last[i].
struct Profile {
  int n;
  int* last;
  double** U;
  Profile(int size, const int* lastcols) : n(size) {
    alloci1(&last, n);
    for (int i = 1; i <= n; i++) last[i] = lastcols[i - 1];
    allocprofd2(&U, n, last);
    zeroprofd2(U, n, last);
  }
  ~Profile() {
    freeprofd2(U, n);
    freei1(last);
  }
  // Symmetric Gaussian elimination in place, as the solver's factorisation leaves it:
  // row j loses (U[i][j]/U[i][i]) times row i on the columns both rows store.
  void Reduce() {
    for (int i = 1; i <= n; i++)
      for (int j = i + 1; j <= last[i]; j++) {
        const double f = U[i][j] / U[i][i];
        for (int k = j; k <= last[i] && k <= last[j]; k++) U[j][k] -= f * U[i][k];
      }
  }
};

}  // namespace

TEST(Profile, TwoByTwoExample) {
  const int last[] = {2, 2};
  Profile p(2, last);
  p.U[1][1] = 2.0;
  p.U[1][2] = 1.0;
  p.U[2][2] = 1.5;  // the elimination of [[2, 1], [1, 2]]
  double b[3] = {0, 3, 3};
  solveprofd2(p.U, b, 2, p.last);
  EXPECT_DOUBLE_EQ(b[1], 1.0);
  EXPECT_DOUBLE_EQ(b[2], 1.0);
  EXPECT_EQ(p.U[1][2], 1.0);  // the store is not changed
}

TEST(Profile, DiagonalStore) {
  const int last[] = {1, 2, 3};
  Profile p(3, last);
  p.U[1][1] = 2.0;
  p.U[2][2] = -4.0;
  p.U[3][3] = 0.5;
  double b[4] = {0, 1, 1, 1};
  solveprofd2(p.U, b, 3, p.last);
  EXPECT_EQ(b[1], 0.5);
  EXPECT_EQ(b[2], -0.25);
  EXPECT_EQ(b[3], 2.0);
  solveprofd2(p.U, nullptr, 0, p.last);  // n = 0 touches nothing
}

// The solution does not depend on the units: [[2, 1], [1, 2]] x = (3, 3) scaled by 1e-10
// (every term far below 1e-8) still gives x = (1, 1).
TEST(Profile, SmallUnitsGiveTheSameSolution) {
  for (double scale : {1.0, 1e-10}) {
    const int last[] = {2, 2};
    Profile p(2, last);
    p.U[1][1] = 2.0 * scale;
    p.U[1][2] = 1.0 * scale;
    p.U[2][2] = 1.5 * scale;
    double b[3] = {0, 3.0 * scale, 3.0 * scale};
    solveprofd2(p.U, b, 2, p.last);
    EXPECT_DOUBLE_EQ(b[1], 1.0) << scale;
    EXPECT_DOUBLE_EQ(b[2], 1.0) << scale;
  }
}

// A banded stiffness with a varying profile (a chain of springs with one long link),
// factorised in the store and solved for two loads, against the dense solve.
TEST(Profile, MatchesDenseSolve) {
  const int n = 6;
  const int last[] = {2, 5, 5, 5, 6, 6};  // holds the fill-in of the long link
  Profile p(n, last);
  double** K;
  allocd2(&K, n, n);
  zerod2(K, n, n);
  const double k[] = {0, 3.0, 2.0, 5.0, 1.5, 4.0, 2.5};
  auto link = [&](int a, int b, double s) {
    K[a][a] += s;
    K[b][b] += s;
    K[a][b] -= s;
    K[b][a] -= s;
  };
  for (int i = 1; i < n; i++) link(i, i + 1, k[i]);
  link(2, 5, 0.75);
  for (int i = 1; i <= n; i++) K[i][i] += 0.1 * i;  // ground springs
  for (int i = 1; i <= n; i++)
    for (int j = i; j <= p.last[i]; j++) p.U[i][j] = K[i][j];
  for (int i = 1; i <= n; i++)
    for (int j = p.last[i] + 1; j <= n; j++) ASSERT_EQ(K[i][j], 0.0);
  p.Reduce();

  for (int load = 1; load <= 2; load++) {
    double b[n + 1], x[n + 1], f[n + 1];
    for (int i = 1; i <= n; i++) f[i] = b[i] = load == 1 ? 1.0 : std::sin(i);
    solveprofd2(p.U, b, n, p.last);
    double** Kc;
    allocd2(&Kc, n, n);
    copyd2(Kc, K, n, n);
    ASSERT_TRUE(linsolved2(Kc, x, f, n));
    freed2(Kc);
    for (int i = 1; i <= n; i++) EXPECT_NEAR(b[i], x[i], 1e-12 * std::fabs(x[i]) + 1e-14) << load << " " << i;
    // Equilibrium: K u = f.
    for (int i = 1; i <= n; i++) {
      double r = 0.0;
      for (int j = 1; j <= n; j++) r += K[i][j] * b[j];
      EXPECT_NEAR(r, f[i], 1e-12);
    }
  }
  freed2(K);
}

// The elimination and the solve on several threads give the factor and the solution of
// one thread to the last bit: a banded store wide enough that every thread count below
// gets columns of its own.
TEST(Profile, FactorAndSolutionAreTheSameForAnyThreadCount) {
  const int n = 720, reach = 560;  // 235 000 terms: above the one-thread size
  std::vector<int> lastcols(n);
  for (int i = 1; i <= n; i++) lastcols[i - 1] = std::min(n, i + reach);
  std::vector<std::vector<double>> factors;
  for (int threads : {1, 2, 3, 8}) {
    Profile p(n, lastcols.data());
    for (int i = 1; i <= n; i++) {
      p.U[i][i] = 4.0 * reach + std::sin(i);
      for (int j = i + 1; j <= p.last[i]; j++) p.U[i][j] = std::cos(0.37 * i + 0.11 * j) / (1 + j - i);
    }
    ProfileFactorResult r;
    ASSERT_TRUE(FactorProfile(p.U, n, p.last, kPivotStiffness, 'N', 0, threads, &r));
    ASSERT_EQ(r.failure, kPivotOk);
    std::vector<double> f;
    for (int i = 1; i <= n; i++)
      for (int j = i; j <= p.last[i]; j++) f.push_back(p.U[i][j]);
    std::vector<double> x(n + 1);
    for (int i = 1; i <= n; i++) x[i] = std::sin(0.3 * i);
    SolveProfileOnThreads(p.U, n, p.last, x.data(), threads);
    f.insert(f.end(), x.begin() + 1, x.end());
    factors.push_back(f);
  }
  for (size_t k = 1; k < factors.size(); k++)
    EXPECT_EQ(std::memcmp(factors[k].data(), factors[0].data(), sizeof(double) * factors[0].size()), 0) << k;
}

namespace {

// A symmetric, diagonally dominant (so positive definite) matrix in a random profile:
// rows reach 0..reach columns past their own, some terms inside the profile are zero
// (skipped multipliers), the envelope is non-decreasing as the ordered stores keep it.
std::vector<int> RandomProfile(int n, int reach, uint32_t seed) {
  std::vector<int> lastcols(n);
  uint32_t s = seed;
  auto next = [&s] { return (s = s * 1664525u + 1013904223u) >> 8; };
  for (int i = 1; i <= n; i++) {
    const int own = std::min(n, i + static_cast<int>(next() % (reach + 1)));
    lastcols[i - 1] = std::max(own, i > 1 ? lastcols[i - 2] : 1);
  }
  return lastcols;
}

void FillRandomSpd(Profile& p, uint32_t seed) {
  uint32_t s = seed;
  auto next = [&s] { return static_cast<double>((s = s * 1664525u + 1013904223u) >> 8) / (1 << 24); };
  std::vector<double> rowSum(p.n + 1, 0.0);
  for (int i = 1; i <= p.n; i++)
    for (int j = i + 1; j <= p.last[i]; j++) {
      const double v = next() < 0.2 ? 0.0 : next() - 0.5;
      p.U[i][j] = v;
      rowSum[i] += std::fabs(v);
      rowSum[j] += std::fabs(v);
    }
  for (int i = 1; i <= p.n; i++) p.U[i][i] = rowSum[i] + 0.5 + next();
}

}  // namespace

// The blocked elimination on any thread count gives exactly the factor of the plain
// row-by-row elimination (each entry takes its updates in the same order), on random
// profiles smaller than one block, across block edges and wide enough for threads; the
// solution satisfies K x = f, K x formed from the whole matrix, and is the same to the
// bit on every thread count (the steps of the solves, one row past a step's edge
// included, do not depend on the threads).
TEST(Profile, BlockedFactorIsTheRowByRowFactorToTheBit) {
  struct Case {
    int n, reach;
  };
  for (const Case c : {Case{1, 0}, Case{7, 3}, Case{127, 40}, Case{129, 128}, Case{257, 256}, Case{300, 290},
                       Case{900, 420}}) {
    std::vector<double> oneThread;
    const std::vector<int> lastcols = RandomProfile(c.n, c.reach, 17u + c.n);
    Profile ref(c.n, lastcols.data());
    FillRandomSpd(ref, 5u + c.n);
    Profile K(c.n, lastcols.data());
    for (int i = 1; i <= c.n; i++)
      for (int j = i; j <= K.last[i]; j++) K.U[i][j] = ref.U[i][j];
    ref.Reduce();
    for (int threads : {1, 2, 3, 8}) {
      Profile p(c.n, lastcols.data());
      for (int i = 1; i <= c.n; i++)
        for (int j = i; j <= p.last[i]; j++) p.U[i][j] = K.U[i][j];
      ProfileFactorResult r;
      ASSERT_TRUE(FactorProfile(p.U, c.n, p.last, kPivotStiffness, 'N', 0, threads, &r));
      ASSERT_EQ(r.failure, kPivotOk);
      for (int i = 1; i <= c.n; i++)
        ASSERT_EQ(std::memcmp(&p.U[i][i], &ref.U[i][i], sizeof(double) * (p.last[i] - i + 1)), 0)
            << c.n << " threads " << threads << " row " << i;
      // K x = f, K from its upper profile.
      std::vector<double> f(c.n + 1), x(c.n + 1), y(c.n + 1, 0.0);
      for (int i = 1; i <= c.n; i++) x[i] = f[i] = std::sin(0.7 * i) + 0.1;
      SolveProfileOnThreads(p.U, c.n, p.last, x.data(), threads);
      for (int i = 1; i <= c.n; i++)
        for (int j = i; j <= K.last[i]; j++) {
          y[i] += K.U[i][j] * x[j];
          if (j > i) y[j] += K.U[i][j] * x[i];
        }
      for (int i = 1; i <= c.n; i++) EXPECT_NEAR(y[i], f[i], 1e-12 * K.U[i][i] * (1 + std::fabs(x[i]))) << i;
      if (threads == 1) oneThread = x;
      EXPECT_EQ(std::memcmp(x.data(), oneThread.data(), sizeof(double) * x.size()), 0) << c.n << " threads " << threads;
    }
  }
}

// A refused pivot stops the elimination at its row whatever the thread count: a row and
// column with no stiffness (a mechanism), a diagonal that is not finite, and under the
// relative rule a pivot far below the largest term.
TEST(Profile, PivotRefusalsNameTheRowOnAnyThreadCount) {
  const int n = 700;
  const std::vector<int> lastcols = RandomProfile(n, 380, 99u);
  struct Case {
    int rule, row;
    double diag;  // of the row, whose other terms are cleared
    int failure;
  };
  for (const Case c : {Case{kPivotStiffness, 300, 0.0, kPivotBelowDiagonal},
                       Case{kPivotStiffness, 129, NAN, kPivotNotFinite},
                       Case{kPivotRelative, 640, 1e-12, kPivotBelowLargest}})
    for (int threads : {1, 3, 8}) {
      Profile p(n, lastcols.data());
      FillRandomSpd(p, 3u);
      for (int i = 1; i <= c.row; i++)
        if (p.last[i] >= c.row) p.U[i][c.row] = 0.0;
      for (int j = c.row; j <= p.last[c.row]; j++) p.U[c.row][j] = 0.0;
      p.U[c.row][c.row] = c.diag;
      ProfileFactorResult r;
      ASSERT_TRUE(FactorProfile(p.U, n, p.last, c.rule, 'N', 0, threads, &r));
      EXPECT_EQ(r.failure, c.failure) << c.row << " threads " << threads;
      EXPECT_EQ(r.row, c.row) << threads;
    }
}

namespace {

// Upper row lists of n equations (1-based rows, each its columns and values) for an
// ordered store: blocks of 40 equations in reverse order, so that the rows reach up to a
// block and a band further.
struct OrderedRows {
  int n;
  std::vector<std::vector<int>> colv;
  std::vector<std::vector<double>> valv;
  std::vector<int> count, order, last;
  std::vector<int*> cols;
  std::vector<double*> vals;
  explicit OrderedRows(int size)
      : n(size), colv(size + 1, std::vector<int>{0}), valv(size + 1, std::vector<double>{0.0}), count(size + 1),
        order(size + 1), last(size + 1), cols(size + 1), vals(size + 1) {}
  void Add(int i, int c, double v) {
    colv[i].push_back(c);
    valv[i].push_back(v);
  }
  void Order() {
    for (int i = 1; i <= n; i++) {
      count[i] = static_cast<int>(colv[i].size()) - 1;
      cols[i] = colv[i].data();
      vals[i] = valv[i].data();
    }
    for (int k = 1; k <= n; k++) order[k] = n - ((k - 1) / 40 * 40) - 39 + (k - 1) % 40;
    OrderedProfileEnds(n, count.data(), cols.data(), order.data(), last.data());
  }
};

}  // namespace

// The ordered store of a large banded matrix in a scrambled order: cleared where no term
// lands, every term in its place, the same whether the copy runs on one thread or several
// (the store is large enough for the threaded copy and first touch).
TEST(Profile, OrderedStoreHoldsEveryTermOnAnyThreadCount) {
  const int n = 32000, band = 120;  // 3.1 million upper terms, a store of 4.5 million
  OrderedRows rows(n);
  for (int i = 1; i <= n; i++)
    for (int c = i; c <= std::min(n, i + band); c++)
      if (c == i || (c * 7 + i) % 5 != 0) rows.Add(i, c, i + 1e-5 * c);
  rows.Order();
  const std::vector<int>& count = rows.count;
  const std::vector<int>& order = rows.order;
  const std::vector<int>& last = rows.last;
  const std::vector<int*>& cols = rows.cols;
  const std::vector<double*>& vals = rows.vals;
  for (const char* threads : {"1", "3"}) {
    setenv("VOLDE_THREADS", threads, 1);
    double** A;
    AllocOrderedProfile(&A, n, last.data(), order.data());
    CopyRowsToOrderedProfile(A, n, count.data(), cols.data(), vals.data());
    std::vector<int> rowOfEq(n + 1);
    for (int k = 1; k <= n; k++) rowOfEq[ProfileEquationOfRow(A, n, k)] = k;
    int64_t placed = 0, nonzero = 0;
    for (int i = 1; i <= n; i++)
      for (int t = 1; t <= count[i]; t++) {
        const int a = rowOfEq[i], b = rowOfEq[cols[i][t]];
        ASSERT_EQ(A[std::min(a, b)][std::max(a, b)], vals[i][t]) << threads << " " << i << " " << cols[i][t];
        placed++;
      }
    for (int k = 1; k <= n; k++)
      for (int j = k; j <= last[k]; j++) nonzero += A[k][j] != 0.0;
    EXPECT_EQ(nonzero, placed) << threads;  // nothing else written, the rest cleared
    freeprofd2(A, n);
  }
  unsetenv("VOLDE_THREADS");
}

// Several right-hand sides in one pass: on an ordered store (equations renumbered), six
// loads, more than one pass takes, give on one and on three threads each the solution
// of the single solve to the bit, and K x = f.
TEST(Profile, SeveralRightHandSidesGiveTheSingleSolutionsToTheBit) {
  const int n = 600, band = 70, m = 6;
  OrderedRows rows(n);
  std::vector<double> rowSum(n + 1, 0.0);
  for (int i = 1; i <= n; i++) {
    for (int c = i + 1; c <= std::min(n, i + band); c++)
      if ((c * 7 + i) % 5 != 0) {
        const double v = std::cos(0.3 * i + 0.7 * c);
        rows.Add(i, c, v);
        rowSum[i] += std::fabs(v);
        rowSum[c] += std::fabs(v);
      }
  }
  for (int i = 1; i <= n; i++) rows.Add(i, i, rowSum[i] + 1.0);  // the diagonal last: any order of a row
  rows.Order();
  const std::vector<int>& count = rows.count;
  const std::vector<int>& last = rows.last;
  const std::vector<int*>& cols = rows.cols;
  const std::vector<double*>& vals = rows.vals;
  double** A;
  AllocOrderedProfile(&A, n, rows.last.data(), rows.order.data());
  CopyRowsToOrderedProfile(A, n, count.data(), cols.data(), vals.data());
  ProfileFactorResult r;
  ASSERT_TRUE(FactorProfile(A, n, last.data(), kPivotStiffness, 'N', 0, 1, &r));
  ASSERT_EQ(r.failure, kPivotOk);
  std::vector<std::vector<double>> f(m, std::vector<double>(n + 1));
  for (int c = 0; c < m; c++)
    for (int i = 1; i <= n; i++) f[c][i] = std::sin(0.1 * (c + 1) * i) + c;
  for (int threads : {1, 3}) {
    std::vector<std::vector<double>> x = f;
    std::vector<double*> xp;
    for (auto& v : x) xp.push_back(v.data());
    SolveProfileMany(A, n, last.data(), xp.data(), m, threads);
    for (int c = 0; c < m; c++) {
      std::vector<double> single = f[c];
      SolveProfileOnThreads(A, n, last.data(), single.data(), threads);
      EXPECT_EQ(std::memcmp(single.data() + 1, x[c].data() + 1, sizeof(double) * n), 0) << threads << " " << c;
      std::vector<double> y(n + 1, 0.0);
      for (int i = 1; i <= n; i++)
        for (int t = 1; t <= count[i]; t++) {
          const int j = cols[i][t];
          y[i] += vals[i][t] * x[c][j];
          if (j != i) y[j] += vals[i][t] * x[c][i];
        }
      for (int i = 1; i <= n; i++) EXPECT_NEAR(y[i], f[c][i], 1e-11 * (rowSum[i] + 1.0)) << c << " " << i;
    }
  }
  freeprofd2(A, n);
}

// A factorised store taken again for a matrix of the same profile is cleared and gives
// the factor of a new store to the bit; one of other row ends is replaced by a new store.
TEST(Profile, RenewedStoreGivesTheFactorOfANewOne) {
  const auto build = [](int n, int band) {
    OrderedRows rows(n);
    for (int i = 1; i <= n; i++)
      for (int c = i; c <= std::min(n, i + band); c++)
        if (c == i || (c * 3 + i) % 4 != 0) rows.Add(i, c, c == i ? 4.0 * band : std::sin(i + 0.5 * c));
    rows.Order();
    return rows;
  };
  const auto factor = [](double** A, const OrderedRows& rows) {
    CopyRowsToOrderedProfile(A, rows.n, rows.count.data(), rows.cols.data(), rows.vals.data());
    ProfileFactorResult r;
    ASSERT_TRUE(FactorProfile(A, rows.n, rows.last.data(), kPivotStiffness, 'N', 0, 1, &r));
    ASSERT_EQ(r.failure, kPivotOk);
  };
  const int n = 400;
  const OrderedRows same = build(n, 50), other = build(n, 30);
  double **fresh, **A;
  AllocOrderedProfile(&fresh, n, same.last.data(), same.order.data());
  factor(fresh, same);
  AllocOrderedProfile(&A, n, other.last.data(), other.order.data());
  factor(A, other);
  for (int pass = 0; pass < 2; pass++) {  // other ends, then the same ends again
    const std::vector<int> before = pass == 0 ? other.last : same.last;
    RenewOrderedProfile(&A, before.data(), n, same.last.data(), same.order.data());
    factor(A, same);
    for (int i = 1; i <= n; i++)
      ASSERT_EQ(std::memcmp(&A[i][i], &fresh[i][i], sizeof(double) * (same.last[i] - i + 1)), 0) << pass << " " << i;
    EXPECT_EQ(ProfileMinPivotRatio(A, n), ProfileMinPivotRatio(fresh, n));
  }
  freeprofd2(fresh, n);
  freeprofd2(A, n);
}
