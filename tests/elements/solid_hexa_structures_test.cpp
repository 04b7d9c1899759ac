// Solid hexahedra assembled into small structures and solved with both solvers: the
// patch test, a bar in tension and a 20-node cantilever in pure bending.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "elements/shell_solid.h"
#include "shell_solid_util.h"

namespace {

// Lattice of points created on demand: key (I, J, K).
struct Lattice {
  HandMesh& h;
  std::map<std::tuple<int, int, int>, int> id;
  int At(int I, int J, int K, double x, double y, double z) {
    auto key = std::make_tuple(I, J, K);
    auto it = id.find(key);
    if (it != id.end()) return it->second;
    return id[key] = h.AddPoint(x, y, z);
  }
};

// Natural coordinates of the 8- and 20-node hexahedron nodes.
const int kS8[9][3] = {{0, 0, 0}, {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                       {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}};
const int kS20[21][3] = {{0, 0, 0},   {-1, -1, -1}, {0, -1, -1}, {1, -1, -1}, {1, 0, -1}, {1, 1, -1}, {0, 1, -1},
                         {-1, 1, -1}, {-1, 0, -1},  {-1, -1, 0}, {1, -1, 0},  {1, 1, 0},  {-1, 1, 0}, {-1, -1, 1},
                         {0, -1, 1},  {1, -1, 1},   {1, 0, 1},   {1, 1, 1},   {0, 1, 1},  {-1, 1, 1}, {-1, 0, 1}};

// Beam of nx hexahedra along x1 over [0, L] x [y0, y0 + 1] x [z0, z0 + 1].
void Beam(HandMesh& h, Lattice& lat, int nn, int nx, double L, double y0, double z0, int prop) {
  const double dx = L / nx;
  for (int i = 0; i < nx; i++) {
    std::vector<int> list;
    for (int k = 1; k <= nn; k++) {
      const int* s = nn == 8 ? kS8[k] : kS20[k];
      const int I = 2 * i + 1 + s[0], J = 1 + s[1], K = 1 + s[2];
      list.push_back(lat.At(I, J, K, I * dx / 2, y0 + J / 2.0, z0 + K / 2.0));
    }
    h.AddElement(list, prop);
  }
}

}  // namespace

TEST(SolidStructures, PatchTestOfEightDistortedHexahedra) {
  HandMesh h;
  const int prop = h.AddProperty(24, MAT_LIN_ISO, h.AddIso(1000.0, 0.3), 0, 0);
  // 3 x 3 x 3 points of the unit cube; inner lattice positions moved (boundary points
  // within their boundary faces or edges).
  int id[3][3][3];
  auto coord = [](int i, int j, int k, double* x) {
    const double base[3] = {0.0, 0.5, 1.0};
    x[0] = base[i];
    x[1] = base[j];
    x[2] = base[k];
    const int idx[3] = {i, j, k};
    const double shift[3][3] = {{0.07, -0.05, 0.04}, {-0.06, 0.08, -0.03}, {0.05, 0.03, -0.07}};
    for (int d = 0; d < 3; d++)
      if (idx[d] == 1) x[d] += shift[d][(i + 2 * j + k) % 3];
  };
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++)
      for (int k = 0; k < 3; k++) {
        double x[3];
        coord(i, j, k, x);
        id[i][j][k] = h.AddPoint(x[0], x[1], x[2]);
      }
  for (int i = 0; i < 2; i++)
    for (int j = 0; j < 2; j++)
      for (int k = 0; k < 2; k++) {
        std::vector<int> list;
        for (int n = 1; n <= 8; n++)
          list.push_back(id[i + (kS8[n][0] + 1) / 2][j + (kS8[n][1] + 1) / 2][k + (kS8[n][2] + 1) / 2]);
        h.AddElement(list, prop);
      }
  h.Build();
  const double A[3][3] = {{1e-3, 2e-4, 0}, {0, -3e-4, 1e-4}, {5e-5, 0, 2e-4}};
  SmallAssembly s(h);
  const int inner = id[1][1][1];
  for (int p = 1; p <= h.nPoints(); p++) {
    if (p == inner) continue;
    const auto& x = h.pts[p];
    double u[6] = {0, 0, 0, 0, 0, 0};
    for (int r = 0; r < 3; r++) u[r] = A[r][0] * x[1] + A[r][1] * x[2] + A[r][2] * x[3];
    s.Fix(p, "111000", u);
  }
  s.Assemble(Flags());
  ASSERT_EQ(s.nEq, 3);
  for (bool profile : {true, false}) {
    const auto u = s.Solve(profile, Flags());
    const auto& x = h.pts[inner];
    for (int r = 0; r < 3; r++)
      EXPECT_NEAR(s.U(u, inner, r + 1), A[r][0] * x[1] + A[r][1] * x[2] + A[r][2] * x[3], 1e-12) << profile;
  }
}

TEST(SolidStructures, BarInTension) {
  HandMesh h;
  Lattice lat{h, {}};
  const int prop = h.AddProperty(24, MAT_LIN_ISO, h.AddIso(1000.0, 0.25), 0, 0);
  Beam(h, lat, 8, 10, 10.0, 0.0, 0.0, prop);
  h.Build();
  SmallAssembly s(h);
  for (auto& [key, p] : lat.id) {
    const auto [I, J, K] = key;
    if (I == 0) s.Fix(p, std::string("1") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000");
    if (I == 20) s.load[p][1] = 0.25;
  }
  s.Assemble(Flags());
  for (bool profile : {true, false}) {
    const auto u = s.Solve(profile, Flags());
    const double tol = profile ? 1e-12 : 1e-9;
    for (auto& [key, p] : lat.id) {
      const auto [I, J, K] = key;
      const auto& x = h.pts[p];
      EXPECT_NEAR(s.U(u, p, 1), 1e-3 * x[1], tol);
      EXPECT_NEAR(s.U(u, p, 2), -2.5e-4 * x[2], tol);
      EXPECT_NEAR(s.U(u, p, 3), -2.5e-4 * x[3], tol);
      (void)I, (void)J, (void)K;
    }
  }
}

TEST(SolidStructures, TwentyNodeCantileverInPureBending) {
  HandMesh h;
  Lattice lat{h, {}};
  const int rule = h.AddIntegration({3, 3, 3});
  const int prop = h.AddProperty(24, MAT_LIN_ISO, h.AddIso(1000.0, 0.0), 0, 0, 1, rule);
  Beam(h, lat, 20, 10, 10.0, -0.5, -0.5, prop);
  h.Build();
  SmallAssembly s(h);
  for (auto& [key, p] : lat.id)
    if (std::get<0>(key) == 0) s.Fix(p, "111000");
  // Consistent nodal forces of the traction t1 = -12 x2 on the end face (M = 1 about x3).
  const int last = h.nElements();
  const double* a;
  const double* w;
  GetLineIntegrationRule(last, 1, 0, 3, &a, &w);
  double N[21];
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) {
      const double sp[4] = {0, 1.0, a[i], a[j]};
      CalcShapeFuncSolidHexa(20, N, sp);
      double y = 0.0;
      for (int k = 1; k <= 20; k++) y += N[k] * h.pts[h.nodes[last][k]][2];
      for (int k = 1; k <= 20; k++) s.load[h.nodes[last][k]][1] += N[k] * (-12.0 * y) * w[i] * w[j] * 0.25;
    }
  s.Assemble(Flags());
  for (bool profile : {true, false}) {
    const auto u = s.Solve(profile, Flags());
    const double tol = profile ? 1e-10 : 1e-8;
    for (auto& [key, p] : lat.id) {
      if (std::get<0>(key) != 20) continue;
      const double y = h.pts[p][2];
      EXPECT_NEAR(s.U(u, p, 2), 0.6, tol) << profile;           // tip deflection M L^2 / 2EI
      EXPECT_NEAR(s.U(u, p, 1), -0.12 * y, tol) << profile;     // plane section turned by M L / EI
      EXPECT_NEAR(s.U(u, p, 3), 0.0, tol) << profile;
    }
  }
}
