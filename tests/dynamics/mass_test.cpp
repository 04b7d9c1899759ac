// Element and global mass matrices: total mass and rotary inertia against rho times the
// volume, the exact hexahedron matrix, rotation invariance, special coordinate systems,
// the MFF row checks and the first frequencies of beams against the closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assembly/sparse_fixture.h"
#include "dyn_fixture.h"
#include "support/process.h"

namespace {

// Sum of the element mass terms whose row and column both belong to element dof
// positions in the lists rows and cols (0-based), over all node pairs.
double BlockSum(const std::vector<double>& M, int n, int nd, int dr, int dc) {
  double s = 0.0;
  for (int k = 0; k < n / nd; k++)
    for (int l = 0; l < n / nd; l++) s += M[(k * nd + dr) * n + (l * nd + dc)];
  return s;
}

// Element dof position (0-based) of point dof d of a type, -1 when the type lacks it.
int DofPosition(int type, int d) {
  const char* mask = GetElementTypeInfo(type).dofMask;
  int k = -1;
  for (int q = 1; q <= d; q++)
    if (mask[q] != '0') k++;
  return mask[d] != '0' ? k : -1;
}

struct TypeCase {
  int type;
  std::vector<std::vector<double>> points;
  double volume;  // length x area, area x thickness or volume
};

}  // namespace

TEST(ElementMass, TotalMassOfEveryTypeIsDensityTimesVolume) {
  const double rho = 2.5, A = 0.3, h = 0.2;
  const std::vector<TypeCase> cases = {
      {_TRUSS_2D, {{0, 0, 0}, {0, 3, 4}}, 5.0 * A},
      {_TRUSS_3D, {{0, 0, 0}, {1, 2, 2}}, 3.0 * A},
      {_FRAME_2D, {{0, 0, 0}, {0, 3, 4}}, 5.0 * A},
      {_FRAME_3D, {{0, 0, 0}, {1, 2, 2}}, 3.0 * A},
      {_MINDLIN_SHELL_QUAD, {{0, 0, 0}, {2, 0, 0}, {2, 1.5, 1}, {0, 1.5, 1}}, 2.0 * std::sqrt(3.25) * h},
      {_AHMAD_SHELL_QUAD, {{0, 0, 0}, {2, 0, 0}, {2, 1.5, 1}, {0, 1.5, 1}}, 2.0 * std::sqrt(3.25) * h},
      {_SOLID_HEXA,
       {{0, 0, 0}, {1, 0, 0}, {1, 2, 0}, {0, 2, 0}, {0, 0, 3}, {1, 0, 3}, {1, 2, 3}, {0, 2, 3}},
       6.0},
  };
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(GetElementTypeInfo(c.type).keyword);
    tw::Model m = MassModel(rho, A, h);
    std::vector<int32_t> nodes;
    for (const auto& p : c.points) nodes.push_back(tw::AddPoint(m, p[0], p[1], p[2]));
    tw::AddElement(m, nodes);
    AddProperty(m, 1, 1, c.type);
    Built b(m);
    int n;
    const std::vector<double> M = ElemMass(b, 1, &n);
    const int nd = n / static_cast<int>(nodes.size());
    int translations = 0;
    for (int d = 1; d <= 3; d++) {
      const int k = DofPosition(c.type, d);
      if (k < 0) continue;
      translations++;
      EXPECT_NEAR(BlockSum(M, n, nd, k, k), rho * c.volume, 1e-12 * rho * c.volume) << "direction " << d;
    }
    EXPECT_GE(translations, 2);
    for (int r = 0; r < n; r++)
      for (int q = 0; q < n; q++) ASSERT_NEAR(M[r * n + q], M[q * n + r], 1e-14) << r << ", " << q;
  }
}

TEST(ElementMass, UnitCubeHexahedronIsTheTensorProductOfLineMasses) {
  // rho = 1 on the unit cube: per direction m1 x m1 x m1 with m1 = [1/3 1/6; 1/6 1/3].
  const double x[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (int kind : {MAT_LIN_ISO, MAT_LIN_ORTHO}) {
    SCOPED_TRACE(kind);
    tw::Model m = MassModel(1.0, 1.0, 1.0);
    // An orthotropic record of density 2 as the group's own material (a linear
    // isotropic record of number 1 with density 1 stands beside it).
    tw::Rec ortho = tw::Rec().S("o").D(2.0).D(0).D(0).D(0);
    for (double v : {100.0, 100.0, 100.0, 40.0, 40.0, 40.0, 0.2, 0.2, 0.2}) ortho.D(v);
    tw::AddRecord(m, "<LINEAR_ORTHOTROPIC_MATERIALS>", ortho.I(0));
    for (const auto& p : x) tw::AddPoint(m, p[0], p[1], p[2]);
    tw::AddElement(m, {1, 2, 3, 4, 5, 6, 7, 8});
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, _SOLID_HEXA, kind, 1, 0, 0));
    Built b(m);
    int n;
    const std::vector<double> M = ElemMass(b, 1, &n);
    ASSERT_EQ(n, 24);
    const double rho = kind == MAT_LIN_ISO ? 1.0 : 2.0;
    for (int a = 0; a < 8; a++)
      for (int c = 0; c < 8; c++) {
        double e = rho;
        for (int d = 0; d < 3; d++) e *= x[a][d] == x[c][d] ? 1.0 / 3.0 : 1.0 / 6.0;
        for (int i = 0; i < 3; i++)
          for (int j = 0; j < 3; j++)
            EXPECT_NEAR(M[(3 * a + i) * n + 3 * c + j], i == j ? e : 0.0, 1e-15) << a << " " << c << " " << i << j;
      }
    for (int d = 0; d < 3; d++) EXPECT_NEAR(BlockSum(M, n, 3, d, d), rho, 1e-14);
  }
}

namespace {

// A square shell a x a in the x1-x2 plane turned by `angle` about x1.
tw::Model SquareShell(int type, double a, double h, double rho, double angle) {
  tw::Model m = MassModel(rho, 1.0, h);
  const double c = std::cos(angle), s = std::sin(angle);
  const double xy[4][2] = {{0, 0}, {a, 0}, {a, a}, {0, a}};
  for (const auto& p : xy) tw::AddPoint(m, p[0], p[1] * c, p[1] * s);
  tw::AddElement(m, {1, 2, 3, 4});
  AddProperty(m, 1, 1, type);
  return m;
}

}  // namespace

TEST(ElementMass, ShellTranslationAndRotaryInertiaTotals) {
  const double a = 2.0, h = 0.3, rho = 7.0;
  for (int type : {_MINDLIN_SHELL_QUAD, _AHMAD_SHELL_QUAD}) {
    SCOPED_TRACE(GetElementTypeInfo(type).keyword);
    Built b(SquareShell(type, a, h, rho, 0.0));
    int n;
    const std::vector<double> M = ElemMass(b, 1, &n);
    ASSERT_EQ(n, 24);
    for (int d = 0; d < 3; d++) EXPECT_NEAR(BlockSum(M, n, 6, d, d), rho * h * a * a, 1e-12);
    // Rotations about the in-plane axes: the rotary inertia rho h^3/12 per unit area.
    for (int d = 3; d < 5; d++) EXPECT_NEAR(BlockSum(M, n, 6, d, d), rho * h * h * h * a * a / 12.0, 1e-12);
    if (type == _MINDLIN_SHELL_QUAD)
      for (int k = 0; k < 4; k++)
        for (int q = 0; q < n; q++) {
          EXPECT_EQ(M[(6 * k + 5) * n + q], 0.0);
          EXPECT_EQ(M[q * n + 6 * k + 5], 0.0);
        }
  }
}

TEST(ElementMass, MindlinShellTurnedAboutX1GivesTheTurnedMatrix) {
  const double a = 1.5, h = 0.2, rho = 3.0, t = M_PI / 6.0;
  const char general[] = "GGGGGG";  // every node a general point: rotations in global axes
  Built flat(SquareShell(_MINDLIN_SHELL_QUAD, a, h, rho, 0.0), 1, "flat");
  Built turned(SquareShell(_MINDLIN_SHELL_QUAD, a, h, rho, t), 1, "turned");
  int n;
  const std::vector<double> M0 = ElemMass(flat, 1, &n, general);
  const std::vector<double> M1 = ElemMass(turned, 1, &n, general);
  // R turns vectors by t about x1; the turned matrix is Q M0 Q^T, Q = diag(R, R, ...).
  const double R[3][3] = {{1, 0, 0}, {0, std::cos(t), -std::sin(t)}, {0, std::sin(t), std::cos(t)}};
  auto Q = [&](int r, int c) { return r / 3 == c / 3 ? R[r % 3][c % 3] : 0.0; };
  double worst = 0.0;
  for (int r = 0; r < n; r++)
    for (int c = 0; c < n; c++) {
      double s = 0.0;
      for (int i = 3 * (r / 3); i < 3 * (r / 3) + 3; i++)
        for (int j = 3 * (c / 3); j < 3 * (c / 3) + 3; j++) s += Q(r, i) * M0[i * n + j] * Q(c, j);
      worst = std::max(worst, std::fabs(s - M1[r * n + c]));
    }
  EXPECT_LT(worst, 1e-14);
}

TEST(GlobalMass, FreeDrillOfAMindlinShellLeavesALoneZeroDiagonal) {
  Built b(SquareShell(_MINDLIN_SHELL_QUAD, 1.0, 0.1, 2.0, 0.0));
  GlobalMats G;
  Flags oc;
  testing::internal::CaptureStdout();
  AssembGlobalMassMat(oc, &b.mesh, &b.w, &G.FF, &G.PF, &G.PP);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "\nCalculating and assembling the mass matrix of each element\n");
  for (int p = 1; p <= 4; p++) {
    const int i = b.w.PointDofNumbers[p][6];
    ASSERT_EQ(G.FF.count[i], 1) << p;
    EXPECT_EQ(G.FF.cols[i][1], i);
    EXPECT_EQ(G.FF.vals[i][1], 0.0);
  }
  // Rigid translation along x3: kinetic energy of the whole plate mass.
  std::vector<double> v(b.w.nF + 1, 0.0), Mv(b.w.nF + 1, 0.0);
  for (int p = 1; p <= 4; p++) v[b.w.PointDofNumbers[p][3]] = 1.0;
  AddScaledSymSparseMatVecProduct(b.w.nF, 1.0, G.FF.count, G.FF.cols, G.FF.vals, v.data(), Mv.data());
  double e = 0.0;
  for (int i = 1; i <= b.w.nF; i++) e += v[i] * Mv[i];
  EXPECT_NEAR(e, 2.0 * 0.1 * 1.0, 1e-14);
}

TEST(GlobalMass, Truss2DWithASpecialSystemAtOneNode) {
  // Bar from (0,0,0) to (0,3,4): m = rho A L; node 2 in axes turned by t about x1.
  const double rho = 2.0, A = 0.5, L = 5.0, t = 0.4;
  tw::Model m = MassModel(rho, A, 1.0);
  tw::AddPoint(m, 0, 0, 0);
  tw::AddPoint(m, 0, 3, 4);
  tw::AddElement(m, {1, 2});
  AddProperty(m, 1, 1, _TRUSS_2D);
  const double c = std::cos(t), s = std::sin(t);
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(1, 0, 0));
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(0, c, s));
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(0, -s, c));
  tw::AddRecord(m, "<COORDINATE_SYSTEMS>", CoordSystem(1, 2, 3));
  tw::AddRecord(m, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", SpecialCsPoint(2, 1));
  Built b(m);
  ASSERT_EQ(b.w.nF, 4);
  GlobalMats G;
  Flags oc;
  testing::internal::CaptureStdout();
  AssembGlobalMassMat(oc, &b.mesh, &b.w, &G.FF, &G.PF, &G.PP);
  testing::internal::GetCapturedStdout();
  const std::vector<double> D = DenseSym(G.FF);
  const double mm = rho * A * L;
  // Node 1 rows (global u2, u3), node 2 columns in the turned axes: m/6 R^T.
  const double R[2][2] = {{c, s}, {-s, c}};
  for (int i = 0; i < 2; i++)
    for (int j = 0; j < 2; j++) {
      const int r = b.w.PointDofNumbers[1][2 + i] - 1, q = b.w.PointDofNumbers[2][2 + j] - 1;
      EXPECT_NEAR(D[r * 4 + q], mm / 6.0 * R[j][i], 1e-14) << i << j;
      const int r2 = b.w.PointDofNumbers[2][2 + i] - 1, q2 = b.w.PointDofNumbers[2][2 + j] - 1;
      EXPECT_NEAR(D[r2 * 4 + q2], i == j ? mm / 3.0 : 0.0, 1e-14);
      const int r1 = b.w.PointDofNumbers[1][2 + i] - 1, q1 = b.w.PointDofNumbers[1][2 + j] - 1;
      EXPECT_NEAR(D[r1 * 4 + q1], i == j ? mm / 3.0 : 0.0, 1e-14);
    }
}

TEST(GlobalMassDeath, MffRowChecks) {
  auto rows = [](double diag, int firstCol) {
    SparseRowMatrix S;
    S.n = 2;
    alloci1(&S.count, 2);
    allocpi1(&S.cols, 2);
    allocpd1(&S.vals, 2);
    S.count[1] = 1;
    alloci1(&S.cols[1], 1);
    allocd1(&S.vals[1], 1);
    S.cols[1][1] = firstCol;
    S.vals[1][1] = diag;
    S.count[2] = 0;
    S.cols[2] = nullptr;
    S.vals[2] = nullptr;
    return S;
  };
  {
    SparseRowMatrix S = rows(0.0, 1);  // a zero diagonal passes, the empty row gets one
    CheckGlobalMassMatRows(&S);
    EXPECT_EQ(S.count[2], 1);
    EXPECT_EQ(S.cols[2][1], 2);
    EXPECT_EQ(S.vals[2][1], 0.0);
    FreeRows(&S);
  }
  EXPECT_EXIT(
      {
        SparseRowMatrix S = rows(-1e-3, 1);
        CheckGlobalMassMatRows(&S);
      },
      testing::ExitedWithCode(1), Whole("\nERROR:\nNegative diagonal term in the global mass matrix (MFF)\n\n"));
  EXPECT_EXIT(
      {
        SparseRowMatrix S = rows(1.0, 2);
        CheckGlobalMassMatRows(&S);
      },
      testing::ExitedWithCode(1), Whole("\nERROR:\nNull diagonal term in the global mass matrix (MFF)\n\n"));
}
