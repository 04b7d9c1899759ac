// Test-side builders of row-list matrices and output-control flags.
#pragma once

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "assembly/sparse_rows.h"
#include "numcore/numcore.h"
#include "model/fileio.h"
#include "model/outputcontrol.h"
#include "support/output_flags.h"

// Set inside a death-test statement that stops with a profile store alive (see
// death_support.cpp).
extern bool gSkipLeakCheck;

// Dense symmetric or rectangular matrix, 0-based, row-major.
struct Dense {
  int n, m;
  std::vector<double> a;
  Dense(int rows, int cols) : n(rows), m(cols), a(static_cast<size_t>(rows) * cols, 0.0) {}
  double& operator()(int i, int j) { return a[static_cast<size_t>(i - 1) * m + (j - 1)]; }
  double operator()(int i, int j) const { return a[static_cast<size_t>(i - 1) * m + (j - 1)]; }
};

// Row lists of the non-zero terms of D; upper = true keeps the columns >= row only.
inline SparseRowMatrix MakeRows(const Dense& D, bool upper) {
  SparseRowMatrix S;
  S.n = D.n;
  alloci1(&S.count, D.n);
  allocpi1(&S.cols, D.n);
  allocpd1(&S.vals, D.n);
  for (int i = 1; i <= D.n; i++) {
    int c = 0;
    for (int j = upper ? i : 1; j <= D.m; j++)
      if (D(i, j) != 0.0) c++;
    S.count[i] = c;
    S.cols[i] = nullptr;
    S.vals[i] = nullptr;
    if (c == 0) continue;
    alloci1(&S.cols[i], c);
    allocd1(&S.vals[i], c);
    int t = 0;
    for (int j = upper ? i : 1; j <= D.m; j++)
      if (D(i, j) != 0.0) {
        t++;
        S.cols[i][t] = j;
        S.vals[i][t] = D(i, j);
      }
  }
  return S;
}

// Row lists given directly: rows[i] = list of (column, value).
inline SparseRowMatrix MakeRowsFromLists(
    const std::vector<std::vector<std::pair<int, double>>>& rows) {
  SparseRowMatrix S;
  S.n = static_cast<int>(rows.size());
  alloci1(&S.count, S.n);
  allocpi1(&S.cols, S.n);
  allocpd1(&S.vals, S.n);
  for (int i = 1; i <= S.n; i++) {
    const auto& r = rows[i - 1];
    S.count[i] = static_cast<int>(r.size());
    S.cols[i] = nullptr;
    S.vals[i] = nullptr;
    if (r.empty()) continue;
    alloci1(&S.cols[i], S.count[i]);
    allocd1(&S.vals[i], S.count[i]);
    for (int t = 1; t <= S.count[i]; t++) {
      S.cols[i][t] = r[t - 1].first;
      S.vals[i][t] = r[t - 1].second;
    }
  }
  return S;
}

inline void FreeRows(SparseRowMatrix* S) { FreeSparseRowMatrix(S); }

// Random symmetric positive definite matrix with a ragged profile: row i couples to
// columns up to i + reach (reach random per row), about a third of them non-zero;
// the diagonal dominates by a factor of at least 1.5 (Gershgorin).
inline Dense RandomSPD(int n, int maxReach, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> val(-1.0, 1.0);
  std::uniform_int_distribution<int> reach(0, maxReach);
  std::uniform_int_distribution<int> pick(0, 2);
  Dense K(n, n);
  for (int i = 1; i <= n; i++) {
    const int r = reach(gen);
    for (int j = i + 1; j <= n && j <= i + r; j++)
      if (pick(gen) == 0) {
        const double v = val(gen);
        K(i, j) = v;
        K(j, i) = v;
      }
  }
  for (int i = 1; i <= n; i++) {
    double s = 0.0;
    for (int j = 1; j <= n; j++)
      if (j != i) s += std::fabs(K(i, j));
    K(i, i) = 1.5 * s + 0.5 + 2.0 * std::fabs(val(gen));
  }
  return K;
}

// Reference dense solve: Gaussian elimination with partial pivoting in extended precision.
inline std::vector<double> DenseSolve(const Dense& K, const std::vector<double>& f) {
  const int n = K.n;
  std::vector<long double> A(static_cast<size_t>(n) * n), b(f.begin(), f.end());
  for (size_t t = 0; t < A.size(); t++) A[t] = K.a[t];
  auto at = [&](int i, int j) -> long double& { return A[static_cast<size_t>(i) * n + j]; };
  for (int k = 0; k < n; k++) {
    int p = k;
    for (int i = k + 1; i < n; i++)
      if (std::fabs(at(i, k)) > std::fabs(at(p, k))) p = i;
    for (int j = 0; j < n; j++) std::swap(at(k, j), at(p, j));
    std::swap(b[k], b[p]);
    for (int i = k + 1; i < n; i++) {
      const long double m = at(i, k) / at(k, k);
      for (int j = k; j < n; j++) at(i, j) -= m * at(k, j);
      b[i] -= m * b[k];
    }
  }
  std::vector<double> x(n);
  for (int i = n - 1; i >= 0; i--) {
    long double s = b[i];
    for (int j = i + 1; j < n; j++) s -= at(i, j) * static_cast<long double>(x[j]);
    x[i] = static_cast<double>(s / at(i, i));
  }
  return x;
}
