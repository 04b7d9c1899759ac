// Plates and shells assembled from slab, Mindlin shell and Ahmad shell elements, loaded
// by the element gravity routines and solved with both solvers: the simply supported
// square plate, the cantilever strip (also turned in space) and the Scordelis-Lo roof.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

#include "elements/shell_solid.h"
#include "loads/load_kernel.h"
#include "shell_solid_util.h"

namespace {

// Natural coordinates of the 8- and 9-node quadrilateral nodes.
const int kS9[10][2] = {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};

using Map = std::function<std::array<double, 3>(double, double)>;

// nx x ny elements of nn nodes over the lattice (I, J), I = 0..2nx, J = 0..2ny; the point
// of lattice position (I, J) lies at f(I / 2nx, J / 2ny).
std::map<std::pair<int, int>, int> Grid(HandMesh& h, int nx, int ny, int nn, const Map& f, int prop) {
  std::map<std::pair<int, int>, int> id;
  for (int i = 0; i < nx; i++)
    for (int j = 0; j < ny; j++) {
      std::vector<int> list;
      for (int k = 1; k <= nn; k++) {
        const int I = 2 * i + 1 + kS9[k][0], J = 2 * j + 1 + kS9[k][1];
        auto key = std::make_pair(I, J);
        if (!id.count(key)) {
          const auto x = f(I / (2.0 * nx), J / (2.0 * ny));
          id[key] = h.AddPoint(x[0], x[1], x[2]);
        }
        list.push_back(id[key]);
      }
      h.AddElement(list, prop);
    }
  return id;
}

// Gravity of every element into the point loads of the assembly.
void AddGravity(HandMesh& h, SmallAssembly& s, double density, const double g[4]) {
  LoadCaseParameters P{};
  P.IntegrationType = 1;
  const auto& m = h.m;
  for (int e = 1; e <= h.nElements(); e++) {
    const int n = h.nodeCount[e], prop = h.elemProp[e];
    std::vector<double> Fe(6 * n + 1, 0.0);
    switch (h.props[prop].ElementType) {
      case 18:
        Calc_Fg_GravityLoadMindlinSlabQuad(6 * n, e, 1, n, prop, density, &P, &m, Fe.data(), g);
        break;
      case 20:
        Calc_Fg_GravityLoadMindlinShellQuad(6 * n, e, 1, n, prop, density, Flags(), &P, &m, Fe.data(), g);
        break;
      default:
        Calc_Fg_GravityLoadAhmadShellQuad(6 * n, e, 1, n, prop, density, Flags(), &P, &m, h.ElemPropIndex(), Fe.data(),
                                          g, h.PointTypes(), h.adj);
        break;
    }
    for (int k = 1; k <= n; k++)
      for (int j = 1; j <= 3; j++) s.load[h.nodes[e][k]][j] += Fe[6 * (k - 1) + j];
  }
}

// Centre deflection of the simply supported square plate a = 1, q = 1, D = 1, nu = 0.3
// on a quarter model of 8 x 8 elements.
double PlateCentreDeflection(int type, int nn, double t, bool profile) {
  HandMesh h;
  const double nu = 0.3, E = 12.0 * (1 - nu * nu) / (t * t * t);
  const int prop = h.AddProperty(type, MAT_LIN_ISO, h.AddIso(E, nu), GEOM_LAM_THICK, h.AddThickness(t));
  auto id = Grid(h, 8, 8, nn, [](double u, double v) { return std::array<double, 3>{0.5 * u, 0.5 * v, 0.0}; }, prop);
  h.Build();
  SmallAssembly s(h);
  for (auto& [key, p] : id) {
    const auto [I, J] = key;
    std::string mask = type == 18 ? "000000" : "110000";  // the membrane carries nothing
    if (I == 0) mask[2] = mask[3] = '1';   // x1 = 0: w, theta1 (hard support)
    if (J == 0) mask[2] = mask[4] = '1';   // x2 = 0: w, theta2
    if (I == 16) mask[4] = '1';            // symmetry planes
    if (J == 16) mask[3] = '1';
    s.Fix(p, mask);
  }
  const double g[4] = {0, 0, 0, -1.0};
  AddGravity(h, s, 1.0 / t, g);  // q = rho g t = 1
  s.Assemble(Flags());
  const auto u = s.Solve(profile, Flags());
  return -s.U(u, id[{16, 16}], 3);
}

}  // namespace

TEST(ShellStructures, SimplySupportedPlate) {
  struct Case {
    int type, nn;
    double t, ref, tol;
  };
  const Case cases[] = {{18, 8, 0.01, 0.0040624, 0.005}, {18, 8, 0.1, 0.0042729, 0.005},
                        {20, 8, 0.01, 0.0040624, 0.005}, {20, 9, 0.1, 0.0042729, 0.005},
                        {22, 9, 0.01, 0.0040624, 0.01},  {22, 9, 0.1, 0.0042729, 0.01}};
  for (const Case& c : cases)
    for (bool profile : {true, false}) {
      const double w = PlateCentreDeflection(c.type, c.nn, c.t, profile);
      EXPECT_NEAR(w / c.ref, 1.0, c.tol) << "type " << c.type << " nodes " << c.nn << " t " << c.t << " w " << w;
    }
}

namespace {

// Cantilever strip L = 10, b = 1, t = 0.1, E = 1.2e6, nu = 0, 10 x 1 elements of 8 nodes,
// clamped at x1 = 0, tip load 1 along Q e3, the whole model turned by Q. Returns the tip
// displacement vector at the middle tip node.
std::array<double, 4> StripTip(const double Q[4][4], bool profile) {
  HandMesh h;
  const int prop = h.AddProperty(20, MAT_LIN_ISO, h.AddIso(1.2e6, 0.0), GEOM_LAM_THICK, h.AddThickness(0.1));
  auto id = Grid(h, 10, 1, 8,
                 [&](double u, double v) {
                   const double x[3] = {10.0 * u, v - 0.5, 0.0};
                   std::array<double, 3> r{};
                   for (int i = 0; i < 3; i++) r[i] = Q[i + 1][1] * x[0] + Q[i + 1][2] * x[1] + Q[i + 1][3] * x[2];
                   return r;
                 },
                 prop);
  h.Build();
  SmallAssembly s(h);
  const double share[3] = {1.0 / 6, 2.0 / 3, 1.0 / 6};
  for (auto& [key, p] : id) {
    if (key.first == 0) s.Fix(p, "111111");
    if (key.first == 20)
      for (int j = 1; j <= 3; j++) s.load[p][j] = share[key.second] * Q[j][3];
  }
  s.Assemble(Flags());
  const auto u = s.Solve(profile, Flags());
  const int tip = id[{20, 1}];
  return {0.0, s.U(u, tip, 1), s.U(u, tip, 2), s.U(u, tip, 3)};
}

}  // namespace

TEST(ShellStructures, CantileverStripAndTheSameStripTurnedInSpace) {
  const double I[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  const double a = 0.5, b = -0.8;
  double Q[4][4] = {};
  // Q = Rz(a) Ry(b)
  const double Rz[4][4] = {{0, 0, 0, 0}, {0, std::cos(a), -std::sin(a), 0}, {0, std::sin(a), std::cos(a), 0}, {0, 0, 0, 1}};
  const double Ry[4][4] = {{0, 0, 0, 0}, {0, std::cos(b), 0, std::sin(b)}, {0, 0, 1, 0}, {0, -std::sin(b), 0, std::cos(b)}};
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++)
      for (int k = 1; k <= 3; k++) Q[i][j] += Rz[i][k] * Ry[k][j];
  // Both solvers: after Jacobi scaling the slender strip keeps a condition number near 3e7,
  // which the conjugate gradient must handle without restarts.
  for (const bool profile : {true, false}) {
    const auto u0 = StripTip(I, profile);
    EXPECT_NEAR(u0[3] / 3.3335, 1.0, 0.005) << u0[3];
    EXPECT_NEAR(u0[1], 0.0, 1e-9);
    const auto u1 = StripTip(Q, profile);
    const double m0 = std::sqrt(u0[1] * u0[1] + u0[2] * u0[2] + u0[3] * u0[3]);
    const double m1 = std::sqrt(u1[1] * u1[1] + u1[2] * u1[2] + u1[3] * u1[3]);
    EXPECT_NEAR(m1 / m0, 1.0, 1e-9);
    // Along the turned load direction Q e3.
    EXPECT_NEAR((u1[1] * Q[1][3] + u1[2] * Q[2][3] + u1[3] * Q[3][3]) / m0, 1.0, 1e-9);
  }
}

TEST(ShellStructures, ScordelisLoRoof) {
  // R = 25, L = 50, 40 degrees, t = 0.25, E = 4.32e8, nu = 0, self weight 90 per unit area.
  // Quarter model: x1 from the diaphragm (0) to midspan (25), phi from the crown (0) to
  // the free edge (40 degrees); y = R sin phi, z = R cos phi.
  for (int nn : {8, 9}) {
    HandMesh h;
    const double R = 25.0, phi0 = 40.0 * M_PI / 180.0, t = 0.25;
    const int prop = h.AddProperty(22, MAT_LIN_ISO, h.AddIso(4.32e8, 0.0), GEOM_LAM_THICK, h.AddThickness(t));
    auto id = Grid(h, 8, 8, nn,
                   [&](double u, double v) {
                     return std::array<double, 3>{25.0 * u, R * std::sin(phi0 * v), R * std::cos(phi0 * v)};
                   },
                   prop);
    h.Build();
    int coplanar = 0;
    for (int p = 1; p <= h.nPoints(); p++) coplanar += h.pointTypes[p] == 'A';
    EXPECT_EQ(coplanar, h.nPoints());
    SmallAssembly s(h);
    for (auto& [key, p] : id) {
      const auto [I, J] = key;
      std::string mask = "000000";
      if (I == 0) mask[1] = mask[2] = '1';   // diaphragm: u2 = u3 = 0
      if (I == 16) mask[0] = mask[4] = '1';  // midspan symmetry: u1 = 0, rotation about V2 (tangent to the arc)
      if (J == 0) mask[1] = mask[3] = '1';   // crown symmetry: u2 = 0, rotation about V1 (along x1)
      s.Fix(p, mask);
    }
    const double g[4] = {0, 0, 0, -1.0};
    AddGravity(h, s, 90.0 / t, g);
    s.Assemble(Flags());
    for (bool profile : {true, false}) {
      const auto u = s.Solve(profile, Flags(), 1e-9);
      const double w = -s.U(u, id[{16, 16}], 3);
      EXPECT_NEAR(w / 0.3024, 1.0, 0.03) << nn << " nodes: " << w;
    }
  }
}
