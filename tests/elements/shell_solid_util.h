// Helpers of the shell and solid element tests: owned matrices of element size, null
// space counts and model builders.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "numcore/numcore.h"
#include "support/hand_mesh.h"

// Owned n x n matrix.
struct Sq {
  double** a;
  int n;
  explicit Sq(int size) : n(size) {
    allocd2(&a, size, size);
    zerod2(a, size, size);
  }
  ~Sq() { freed2(a); }
  Sq(const Sq&) = delete;
  Sq& operator=(const Sq&) = delete;
  double* operator[](int i) const { return a[i]; }
};

inline double MaxAbsMat(double** K, int n) {
  double m = 0.0;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) m = std::fmax(m, std::fabs(K[i][j]));
  return m;
}

inline void ExpectSymmetric(double** K, int n) {
  const double tol = 1e-12 * MaxAbsMat(K, n);
  for (int i = 1; i <= n; i++)
    for (int j = i + 1; j <= n; j++) ASSERT_NEAR(K[i][j], K[j][i], tol) << i << "," << j;
}

// Number of eigenvalues of the symmetric part of K (rows and columns `keep`, or all)
// below relTol times the largest.
inline int Nullity(double** K, int n, double relTol = 1e-9, const std::vector<int>& keep = {}) {
  std::vector<int> idx = keep;
  if (idx.empty())
    for (int i = 1; i <= n; i++) idx.push_back(i);
  const int m = static_cast<int>(idx.size());
  double **A, **V, *lam;
  allocd2(&A, m, m);
  allocd2(&V, m, m);
  allocd1(&lam, m);
  for (int i = 1; i <= m; i++)
    for (int j = 1; j <= m; j++) A[i][j] = 0.5 * (K[idx[i - 1]][idx[j - 1]] + K[idx[j - 1]][idx[i - 1]]);
  int nrot;
  double off;
  EXPECT_TRUE(eigjacobi(A, m, lam, V, &nrot, &off));
  double big = 0.0;
  for (int i = 1; i <= m; i++) big = std::fmax(big, std::fabs(lam[i]));
  int zeros = 0;
  for (int i = 1; i <= m; i++)
    if (std::fabs(lam[i]) < relTol * big) zeros++;
  for (int i = 1; i <= m; i++) EXPECT_GT(lam[i], -relTol * big) << "negative eigenvalue " << lam[i];
  freed1(lam);
  freed2(V);
  freed2(A);
  return zeros;
}

// u^T K u.
inline double Energy(double** K, const std::vector<double>& u) {
  const int n = static_cast<int>(u.size()) - 1;
  double e = 0.0;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) e += u[i] * K[i][j] * u[j];
  return e;
}

// |K u| relative to |K| |u|.
inline double ResidualOf(double** K, const std::vector<double>& u) {
  const int n = static_cast<int>(u.size()) - 1;
  double r = 0.0, un = 0.0;
  for (int i = 1; i <= n; i++) {
    double s = 0.0;
    for (int j = 1; j <= n; j++) s += K[i][j] * u[j];
    r = std::fmax(r, std::fabs(s));
    un = std::fmax(un, std::fabs(u[i]));
  }
  return r / (MaxAbsMat(K, n) * un);
}

// Corner and mid-side positions of a 20-node hexahedron from its 8 corners (straight edges).
inline std::vector<std::array<double, 3>> Hexa20FromCorners(const std::vector<std::array<double, 3>>& c) {
  // 20-node order: corner/mid pairs of the bottom face, mid-height edges, top face.
  static const int kCorner[21] = {0, 1, 0, 2, 0, 3, 0, 4, 0, 0, 0, 0, 0, 5, 0, 6, 0, 7, 0, 8, 0};
  static const int kMidA[21] = {0, 0, 1, 0, 2, 0, 3, 0, 4, 1, 2, 3, 4, 0, 5, 0, 6, 0, 7, 0, 8};
  static const int kMidB[21] = {0, 0, 2, 0, 3, 0, 4, 0, 1, 5, 6, 7, 8, 0, 6, 0, 7, 0, 8, 0, 5};
  std::vector<std::array<double, 3>> x(21);
  for (int k = 1; k <= 20; k++) {
    if (kCorner[k] > 0) {
      x[k] = c[kCorner[k]];
    } else {
      for (int j = 0; j < 3; j++) x[k][j] = 0.5 * (c[kMidA[k]][j] + c[kMidB[k]][j]);
    }
  }
  return x;
}

// ---- slab and flat shell quadrilaterals ----

// Quadrilateral of nn = 4, 8 or 9 nodes on the four corners (straight sides, mid-side
// nodes at the middle, node 9 at the centre), all with the element's property.
inline int Quad(HandMesh& h, int nn, const std::vector<std::array<double, 3>>& c, int prop) {
  std::vector<std::array<double, 3>> x(10);
  const int corner[5] = {0, 1, 3, 5, 7};
  for (int k = 1; k <= 4; k++) x[nn == 4 ? k : corner[k]] = c[k];
  if (nn > 4) {
    for (int k = 1; k <= 4; k++)
      for (int j = 0; j < 3; j++) x[2 * k][j] = 0.5 * (c[k][j] + c[k % 4 + 1][j]);
    for (int j = 0; j < 3; j++) x[9][j] = 0.25 * (c[1][j] + c[2][j] + c[3][j] + c[4][j]);
  }
  std::vector<int> list;
  for (int k = 1; k <= nn; k++) list.push_back(h.AddPoint(x[k][0], x[k][1], x[k][2]));
  return h.AddElement(list, prop);
}

// Corners 1..4 of a parallelogram in the x1-x2 plane.
inline const std::vector<std::array<double, 3>> kPara = {
    {0, 0, 0}, {0, 0, 0}, {2, 0.5, 0}, {2.6, 1.7, 0}, {0.6, 1.2, 0}};
inline const double kParaArea = 2.0 * 1.2 - 0.5 * 0.6;  // |(2, 0.5) x (0.6, 1.2)|

// Slab dofs of the field w = f(x), theta1, theta2 at each node.
template <typename F>
inline std::vector<double> SlabField(HandMesh& h, int e, F f) {
  const int n = h.nodeCount[e];
  std::vector<double> u(3 * n + 1, 0.0);
  for (int k = 1; k <= n; k++) {
    const auto& x = h.pts[h.nodes[e][k]];
    const auto v = f(x[1], x[2]);
    for (int j = 0; j < 3; j++) u[3 * (k - 1) + j + 1] = v[j];
  }
  return u;
}
