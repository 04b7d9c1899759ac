// Small helpers of the element-kernel tests: owned 1-based arrays and literal regexes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "numcore/numcore.h"

struct Mat {
  double** a;
  int n, m;
  Mat(int rows, int cols) : n(rows), m(cols) {
    allocd2(&a, rows, cols);
    zerod2(a, rows, cols);
  }
  ~Mat() { freed2(a); }
  Mat(const Mat&) = delete;
  Mat& operator=(const Mat&) = delete;
  operator double**() const { return a; }
  double* operator[](int i) const { return a[i]; }
};

struct Vec {
  double* v;
  Vec(int n) {
    allocd1(&v, n);
    zerod1(v, n);
  }
  ~Vec() { freed1(v); }
  Vec(const Vec&) = delete;
  Vec& operator=(const Vec&) = delete;
  operator double*() const { return v; }
};

// A small mesh: point coordinates (x1, x2, x3) and element node lists, zeroed.
struct Mesh {
  double** coords;
  int** nodes;
  Mesh(int nPoints, int nElems, int maxNodes) {
    allocd2(&coords, nPoints, 3);
    zerod2(coords, nPoints, 3);
    alloci2(&nodes, nElems, maxNodes);
    zeroi2(nodes, nElems, maxNodes);
  }
  ~Mesh() {
    freed2(coords);
    freei2(nodes);
  }
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;
  void Point(int p, double x1, double x2, double x3) {
    coords[p][1] = x1;
    coords[p][2] = x2;
    coords[p][3] = x3;
  }
};

// A regular expression that matches the text literally.
inline std::string Lit(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) r += '\\';
    r += c;
  }
  return r;
}

inline const char* kInternal = "INTERNAL ERROR";

// Symmetric to rel times the largest entry.
inline bool IsSymmetricRel(double** A, int n, double rel = 1e-14) {
  double big = 0;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) big = std::max(big, std::fabs(A[i][j]));
  for (int i = 1; i <= n; i++)
    for (int j = i + 1; j <= n; j++)
      if (!(std::fabs(A[i][j] - A[j][i]) <= rel * big)) return false;
  return true;
}

// Solves K[dofs][dofs] u = f (the other dofs held at zero); dofs and f are 0-based lists.
inline std::vector<double> SolveSubsystem(double** K, const std::vector<int>& dofs, const std::vector<double>& f) {
  const int n = static_cast<int>(dofs.size());
  Mat A(n, n);
  Vec b(n), x(n);
  for (int i = 1; i <= n; i++) {
    b.v[i] = f[i - 1];
    for (int j = 1; j <= n; j++) A[i][j] = K[dofs[i - 1]][dofs[j - 1]];
  }
  EXPECT_TRUE(linsolved2(A, x, b, n));
  return std::vector<double>(x.v + 1, x.v + n + 1);
}
