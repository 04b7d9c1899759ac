// Profile elimination of assembled element models with the equations in the order the
// store chooses and in the data file's order: a block of solid elements and a curved shell,
// their points numbered at random, give the same displacements to rounding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "model/material.h"
#include "support/hand_mesh.h"

namespace {

// Solution of the assembled system through the profile store: in the order Calc_NCSB_KFF
// chooses (renumbered = true, which must renumber here) or in the data file's order.
std::vector<double> SolveInOrder(const SmallAssembly& s, bool renumbered) {
  const int n = s.nEq;
  SparseRowMatrix S = s.Rows();
  int* last;
  alloci1(&last, n);
  double** A;
  int64_t terms;
  std::vector<int> identity(n + 1);
  for (int k = 0; k <= n; k++) identity[k] = k;
  const int64_t given = ProfileTerms(n, S.count, S.cols, identity.data());
  if (renumbered) {
    Calc_NCSB_KFF(n, &terms, Flags(), last, &S, &A);
    EXPECT_LT(4 * terms, 3 * given);
  } else {
    CopyKFFToNCSB(n, &terms, Flags(), last, &S, &A, identity.data());
    EXPECT_EQ(terms, given);
  }
  double seconds;
  FactorNCSB(n, &seconds, Flags(), last, A);
  std::vector<double> x = s.F;
  SolveNCSB(n, &seconds, last, x.data(), A);
  freeprofd2(A, n);
  freei1(last);
  SmallAssembly::Release(S);
  return x;
}

void ExpectSameSolution(const SmallAssembly& s, double tol) {
  const std::vector<double> a = SolveInOrder(s, true), b = SolveInOrder(s, false);
  double umax = 0.0, dmax = 0.0;
  for (int i = 1; i <= s.nEq; i++) {
    umax = std::max(umax, std::fabs(b[i]));
    dmax = std::max(dmax, std::fabs(a[i] - b[i]));
  }
  ASSERT_GT(umax, 0.0);
  EXPECT_LE(dmax, tol * umax) << dmax / umax;
}

// Numbers 1..n in a random order.
std::vector<int> Shuffled(int n, unsigned seed) {
  std::vector<int> v(n);
  for (int i = 0; i < n; i++) v[i] = i;
  std::shuffle(v.begin(), v.end(), std::mt19937(seed));
  return v;
}

}  // namespace

// Block of 5 x 4 x 4 hexahedra clamped at x1 = 0, loaded across its far face.
TEST(NCSBModels, SolidBlockSolvesAlikeInBothOrders) {
  const int nx = 5, ny = 4, nz = 4;
  HandMesh h;
  const int prop = h.AddProperty(24, MAT_LIN_ISO, h.AddIso(3e10, 0.2), 0, 0);
  std::vector<std::array<int, 3>> lattice;
  for (int I = 0; I <= nx; I++)
    for (int J = 0; J <= ny; J++)
      for (int K = 0; K <= nz; K++) lattice.push_back({I, J, K});
  std::map<std::array<int, 3>, int> id;
  for (int q : Shuffled(static_cast<int>(lattice.size()), 3u)) {
    const auto& x = lattice[q];
    id[x] = h.AddPoint(0.5 * x[0], 0.4 * x[1], 0.45 * x[2]);
  }
  const int corner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (int I = 0; I < nx; I++)
    for (int J = 0; J < ny; J++)
      for (int K = 0; K < nz; K++) {
        std::vector<int> list;
        for (const auto& d : corner) list.push_back(id.at({I + d[0], J + d[1], K + d[2]}));
        h.AddElement(list, prop);
      }
  h.Build();
  SmallAssembly s(h);
  for (const auto& [x, p] : id) {
    if (x[0] == 0) s.Fix(p, "111000");
    if (x[0] == nx) {
      s.load[p][1] = 1e5 * (1 + 0.1 * x[1]);
      s.load[p][3] = -4e4;
    }
  }
  s.Assemble(Flags());
  ExpectSameSolution(s, 1e-12);
}

// Cylindrical panel (radius 3, 60 degrees, length 4, thickness 0.3) of 8 x 6 eight-node
// Mindlin shell elements, clamped along one straight edge, under a line of loads along the
// other.
TEST(NCSBModels, CurvedShellSolvesAlikeInBothOrders) {
  const int nx = 8, ny = 6;
  HandMesh h;
  const int prop = h.AddProperty(20, MAT_LIN_ISO, h.AddIso(3e10, 0.2), GEOM_LAM_THICK, h.AddThickness(0.3));
  std::vector<std::pair<int, int>> lattice;
  for (int I = 0; I <= 2 * nx; I++)
    for (int J = 0; J <= 2 * ny; J++)
      if (I % 2 == 0 || J % 2 == 0) lattice.push_back({I, J});
  std::map<std::pair<int, int>, int> id;
  for (int q : Shuffled(static_cast<int>(lattice.size()), 8u)) {
    const auto [I, J] = lattice[q];
    const double a = (std::acos(-1.0) / 3.0) * J / (2.0 * ny);
    id[{I, J}] = h.AddPoint(4.0 * I / (2.0 * nx), 3.0 * std::sin(a), 3.0 * std::cos(a));
  }
  const int ring[8][2] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}};
  for (int i = 0; i < nx; i++)
    for (int j = 0; j < ny; j++) {
      std::vector<int> list;
      for (const auto& d : ring) list.push_back(id.at({2 * i + d[0], 2 * j + d[1]}));
      h.AddElement(list, prop);
    }
  h.Build();
  SmallAssembly s(h);
  for (const auto& [x, p] : id) {
    if (x.first == 0) s.Fix(p, "111111");
    if (x.first == 2 * nx) {
      s.load[p][2] = 2e3;
      s.load[p][3] = -5e3 * (1 + 0.05 * x.second);
    }
  }
  s.Assemble(Flags());
  ExpectSameSolution(s, 1e-12);
}
