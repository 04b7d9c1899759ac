// Small models for the line and interface element tests (read back through LoadedMesh),
// output control all off, and a dense assembly and solve for the closed-form checks.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "history/history.h"
#include "model/fileio.h"
#include "model/material.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "support/datafile_writer.h"
#include "support/loaded_mesh.h"
#include "support/testfiles.h"
#include "test_util.h"

namespace linefix {

using testmodel::Model;
using testmodel::Rec;

// The 21 counts of a "<NUMERICAL_INTEGRATION>" record from the s1 counts of the
// general, membrane, bending, shear and torsion sub-patterns (s2 for G and M too).
inline Rec Pattern(const std::string& name, int g1, int g2 = 0, int m1 = 0, int b1 = 0, int s1 = 0, int t1 = 0) {
  std::array<int32_t, 21> v{};
  v[2] = g1;   // _G_S1_k
  v[3] = g2;   // _G_S2_k
  v[5] = m1;   // _M_S1_k
  v[8] = b1;   // _B_S1_k
  v[11] = s1;  // _S_S1_k
  v[14] = t1;  // _T_S1_k
  return testmodel::NumericalIntegration(name, v);
}

inline Rec GeomPattern(const std::string& name, int kind, const std::vector<int32_t>& records) {
  return Rec().S(name).I(kind).IList(records);
}

// Dense global matrix of nPoints x dofsPerPoint equations; element matrices are added
// by the element's point list.
struct Dense {
  int n, dpp;
  Mat K;
  Dense(int nPoints, int dofsPerPoint) : n(nPoints * dofsPerPoint), dpp(dofsPerPoint), K(n, n) {}
  void Add(const std::vector<int>& points, double** Ke) {
    const int ne = static_cast<int>(points.size()) * dpp;
    for (int a = 1; a <= ne; a++)
      for (int b = 1; b <= ne; b++) {
        const int ga = (points[(a - 1) / dpp] - 1) * dpp + (a - 1) % dpp + 1;
        const int gb = (points[(b - 1) / dpp] - 1) * dpp + (b - 1) % dpp + 1;
        K[ga][gb] += Ke[a][b];
      }
  }
  // Solves K u = f with the equations in `fixed` held at 0; u has n entries.
  std::vector<double> Solve(const std::vector<double>& f, const std::vector<int>& fixed) const {
    std::vector<int> freeEq;
    for (int i = 1; i <= n; i++) {
      bool isFixed = false;
      for (int k : fixed) isFixed = isFixed || k == i;
      if (!isFixed) freeEq.push_back(i);
    }
    const int nf = static_cast<int>(freeEq.size());
    Mat A(nf, nf);
    Vec b(nf), x(nf);
    for (int i = 1; i <= nf; i++) {
      b[i] = f[freeEq[i - 1]];
      for (int j = 1; j <= nf; j++) A[i][j] = K[freeEq[i - 1]][freeEq[j - 1]];
    }
    EXPECT_TRUE(linsolved2(A, x, b, nf));
    std::vector<double> u(n + 1, 0.0);
    for (int i = 1; i <= nf; i++) u[freeEq[i - 1]] = x[i];
    return u;
  }
};

// Largest |A[i][j] - B[i][j]|.
inline double MaxDiff(double** A, double** B, int n, int m) {
  double d = 0.0;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) d = std::max(d, std::fabs(A[i][j] - B[i][j]));
  return d;
}

inline double MaxAbs(double** A, int n, int m) {
  double d = 0.0;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) d = std::max(d, std::fabs(A[i][j]));
  return d;
}

// Largest |K v| over the rows, for a vector v[1..n].
inline double MaxResidual(double** K, const double* v, int n) {
  double r = 0.0;
  for (int i = 1; i <= n; i++) {
    double s = 0.0;
    for (int j = 1; j <= n; j++) s += K[i][j] * v[j];
    r = std::max(r, std::fabs(s));
  }
  return r;
}

inline bool IsSymmetric(double** K, int n, double tol) {
  for (int i = 1; i <= n; i++)
    for (int j = i + 1; j <= n; j++)
      if (std::fabs(K[i][j] - K[j][i]) > tol) return false;
  return true;
}

// Standard output of f, and the number of times sub occurs in text.
inline std::string Printed(const std::function<void()>& f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}
inline int Occurrences(const std::string& text, const std::string& sub) {
  int n = 0;
  for (size_t at = text.find(sub); at != std::string::npos; at = text.find(sub, at + 1)) n++;
  return n;
}

// History data of a mesh's elements as a nonlinear run sets it up, in one copy (every
// element on property 1 but those given).
struct MeshHistory {
  const MeshData* mesh;
  std::vector<int> prop;
  Index_HD index{};
  int* elemToHD = nullptr;
  int counts[kMaterialKinds + 1] = {};
  NLMM_HD hd{};
  int mode;  // 1: current and converged copies, 2: the current copy only
  explicit MeshHistory(const MeshData* m, std::vector<int> props = {}, int copies = 2)
      : mesh(m), prop(std::move(props)), mode(copies) {
    if (prop.empty()) prop.assign(m->nElements + 1, 1);
    prop[0] = 0;
    CalcElementToIndex_HD(&index, mesh, prop.data(), &elemToHD);
    CalcSizingDataIndex_HD(&index, mesh, prop.data(), elemToHD);
    AllocIndex_HD(&index);
    CalcIndex_HD(&index, mesh, prop.data(), elemToHD, counts);
    AllocNLMM_HD(mode, &hd, counts);
    InitNLMM_HD(mode, &hd, counts);
    SF_NLMM_HD(mode, &index, mesh, prop.data(), elemToHD, &hd, counts);
  }
  ~MeshHistory() {
    FreeNLMM_HD(mode, &hd, counts);
    FreeIndex_HD(&index);
    freei1(elemToHD);
  }
  MeshHistory(const MeshHistory&) = delete;
  MeshHistory& operator=(const MeshHistory&) = delete;
};

}  // namespace linefix
