// Flat Mindlin shell: element stiffness properties, materials, the transformation to
// global axes and the messages.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "elements/shell_solid.h"
#include "shell_solid_util.h"
#include "test_util.h"

namespace {

// Rotation Q (global) turning the x1-x2 plane into a general plane.
void RotationQ(double Q[4][4]) {
  const double a = 0.4, b = -0.7, c = 1.1;
  double Rx[4][4] = {}, Ry[4][4] = {}, Rz[4][4] = {}, T[4][4] = {};
  Rx[1][1] = 1, Rx[2][2] = std::cos(a), Rx[2][3] = -std::sin(a), Rx[3][2] = std::sin(a), Rx[3][3] = std::cos(a);
  Ry[2][2] = 1, Ry[1][1] = std::cos(b), Ry[1][3] = std::sin(b), Ry[3][1] = -std::sin(b), Ry[3][3] = std::cos(b);
  Rz[3][3] = 1, Rz[1][1] = std::cos(c), Rz[1][2] = -std::sin(c), Rz[2][1] = std::sin(c), Rz[2][2] = std::cos(c);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++)
      for (int k = 1; k <= 3; k++) T[i][j] += Rx[i][k] * Ry[k][j];
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) {
      Q[i][j] = 0.0;
      for (int k = 1; k <= 3; k++) Q[i][j] += T[i][k] * Rz[k][j];
    }
}

std::vector<std::array<double, 3>> Rotated(const std::vector<std::array<double, 3>>& c, double Q[4][4]) {
  auto r = c;
  for (size_t k = 1; k < c.size(); k++)
    for (int i = 0; i < 3; i++) r[k][i] = Q[i + 1][1] * c[k][0] + Q[i + 1][2] * c[k][1] + Q[i + 1][3] * c[k][2];
  return r;
}

}  // namespace

TEST(MindlinShell, FlatElementIsSlabPlusMembrane) {
  for (int nn : {4, 8}) {
    HandMesh h;
    const int mat = h.AddIso(1e4, 0.3), th = h.AddThickness(0.2);
    // Full rules: 3 x 3 for the 8-node element (2 x 2 leaves it spurious modes).
    const int full = nn == 4 ? 0 : h.AddIntegration({0, 0, 0}, {3, 3, 0}, {3, 3, 0}, {3, 3, 0});
    const int eShell = Quad(h, nn, kPara, h.AddProperty(20, MAT_LIN_ISO, mat, GEOM_LAM_THICK, th, 1, full));
    const int eSlab = Quad(h, nn, kPara, h.AddProperty(18, MAT_LIN_ISO, mat, GEOM_LAM_THICK, th, 1, full));
    h.Build();
    for (int p = 1; p <= h.nPoints(); p++) h.pointTypes[p] = 'G';
    Sq K(6 * nn), Ks(3 * nn);
    ElementStiffness(h, eShell, K.a, Flags());
    ElementStiffness(h, eSlab, Ks.a, Flags());
    const double tol = 1e-12 * MaxAbsMat(K.a, 6 * nn);
    for (int a = 1; a <= nn; a++)
      for (int b = 1; b <= nn; b++)
        for (int i = 1; i <= 6; i++)
          for (int j = 1; j <= 6; j++) {
            const double k = K[6 * (a - 1) + i][6 * (b - 1) + j];
            const bool memI = i <= 2, memJ = j <= 2, plI = i >= 3 && i <= 5, plJ = j >= 3 && j <= 5;
            if (plI && plJ) {
              ASSERT_NEAR(k, Ks[3 * (a - 1) + i - 2][3 * (b - 1) + j - 2], tol);
            } else if (!(memI && memJ)) {
              ASSERT_NEAR(k, 0.0, tol) << i << "," << j;  // no coupling, no drilling stiffness
            }
          }
    EXPECT_EQ(Nullity(K.a, 6 * nn), 6 + nn);  // rigid modes and one drilling rotation per node
    // Uniform membrane strain: energy = area t eps^T D eps.
    const double A[2][2] = {{1e-3, 4e-4}, {-1e-4, -2e-4}};
    std::vector<double> u(6 * nn + 1, 0.0);
    for (int k = 1; k <= nn; k++) {
      const auto& x = h.pts[h.nodes[eShell][k]];
      u[6 * (k - 1) + 1] = A[0][0] * x[1] + A[0][1] * x[2];
      u[6 * (k - 1) + 2] = A[1][0] * x[1] + A[1][1] * x[2];
    }
    const double ex = A[0][0], ey = A[1][1], g = A[0][1] + A[1][0], E = 1e4, nu = 0.3;
    const double eDe = E / (1 - nu * nu) * (ex * ex + 2 * nu * ex * ey + ey * ey) + E / (2 * (1 + nu)) * g * g;
    EXPECT_NEAR(Energy(K.a, u), kParaArea * 0.2 * eDe, 1e-12 * eDe);
  }
}

TEST(MindlinShell, StiffnessIsObjectiveUnderARotationInSpace) {
  double Q[4][4];
  RotationQ(Q);
  for (int nn : {4, 9}) {
    HandMesh h;
    const int full = nn == 4 ? 0 : h.AddIntegration({0, 0, 0}, {3, 3, 0}, {3, 3, 0}, {3, 3, 0});
    const int prop = h.AddProperty(20, MAT_LIN_ISO, h.AddIso(1e4, 0.3), GEOM_LAM_THICK, h.AddThickness(0.2), 1, full);
    const int e0 = Quad(h, nn, kPara, prop);
    const int e1 = Quad(h, nn, Rotated(kPara, Q), prop);
    h.Build();
    for (int p = 1; p <= h.nPoints(); p++) h.pointTypes[p] = 'G';
    const int n = 6 * nn;
    Sq K0(n), K1(n);
    ElementStiffness(h, e0, K0.a, Flags());
    ElementStiffness(h, e1, K1.a, Flags());
    // K1 = R K0 R^T with R = Q on every 3 x 3 block.
    const double tol = 1e-11 * MaxAbsMat(K0.a, n);
    for (int I = 0; I < 2 * nn; I++)
      for (int J = 0; J < 2 * nn; J++)
        for (int i = 1; i <= 3; i++)
          for (int j = 1; j <= 3; j++) {
            double s = 0.0;
            for (int k = 1; k <= 3; k++)
              for (int l = 1; l <= 3; l++) s += Q[i][k] * K0[3 * I + k][3 * J + l] * Q[j][l];
            ASSERT_NEAR(K1[3 * I + i][3 * J + j], s, tol);
          }
    // At coplanar points the drill slots go; exactly the six rigid modes remain.
    for (int p = 1; p <= h.nPoints(); p++) h.pointTypes[p] = 'M';
    ElementStiffness(h, e1, K1.a, Flags());
    std::vector<int> keep;
    for (int i = 1; i <= n; i++)
      if (i % 6 != 0) keep.push_back(i);
    EXPECT_EQ(Nullity(K1.a, n, 1e-9, keep), 6) << nn;
  }
}

TEST(MindlinShell, TransformationTurnsOnlyGeneralPointRotations) {
  const int nn = 4, n = 24;
  HandMesh h;
  for (int k = 0; k < nn; k++) h.AddPoint(k, 0, 0);
  h.AddElement({1, 2, 3, 4}, 0);
  h.Build();
  h.pointTypes = {'G', 'G', 'M', 'G', 'A', '\0'};
  double Q[4][4];
  RotationQ(Q);
  Sq Kl(n), Kg(n), T(3);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) Kl[i][j] = std::sin(i + 3.0 * j) + std::cos(j + 3.0 * i);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) T[i][j] = Q[i][j];
  TransformElemMatMindlinShell(n, 1, nn, h.m.ElemNodes, Kg.a, Kl.a, T.a, h.PointTypes());
  // A: T on translations, T on rotations of 'G' points (1 and 3), identity elsewhere.
  auto Ablk = [&](int I, int a, int b) {
    const bool turn = I % 2 == 0 || I == 1 || I == 5;  // blocks 0-based: 2k translations, 2k+1 rotations
    return turn ? Q[a][b] : (a == b ? 1.0 : 0.0);
  };
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      const int I = (i - 1) / 3, J = (j - 1) / 3, a = (i - 1) % 3 + 1, b = (j - 1) % 3 + 1;
      double s = 0.0;
      for (int k = 1; k <= 3; k++)
        for (int l = 1; l <= 3; l++) s += Ablk(I, k, a) * Kl[3 * I + k][3 * J + l] * Ablk(J, l, b);
      ASSERT_NEAR(Kg[i][j], s, 1e-12) << i << "," << j;
    }
}

TEST(MindlinShell, OrthotropicMaterialAxes) {
  Sq T(3), D(3), Ds(2);
  for (int i = 1; i <= 3; i++) T[i][i] = 1.0;
  AuxiliaryVector aux[8]{};
  CoordinateSystem cs[4]{};
  const double r = std::sqrt(0.5);
  aux[1].v[1] = 1;
  aux[2].v[2] = 1;
  aux[3].v[3] = 1;
  aux[4].v[2] = 1;               // l1 = x2
  aux[5].v[1] = -1;              // l2 = -x1
  aux[6].v[1] = r, aux[6].v[2] = r;
  aux[7].v[1] = -r, aux[7].v[2] = r;
  cs[1].AuxVector[1] = 1, cs[1].AuxVector[2] = 2, cs[1].AuxVector[3] = 3;  // 0 degrees
  cs[2].AuxVector[1] = 4, cs[2].AuxVector[2] = 5, cs[2].AuxVector[3] = 3;  // 90 degrees
  cs[3].AuxVector[1] = 6, cs[3].AuxVector[2] = 7, cs[3].AuxVector[3] = 3;  // 45 degrees
  const double E1 = 100, E2 = 40, nu12 = 0.25, nu21 = nu12 * E2 / E1, G12 = 15, Ga = 2.4, Gb = 1.2;
  const double d = 1 - nu12 * nu21;
  CalcMat_D_MindlinShellOrtho(1, 1, 3, 2, 3, 2, E1, E2, nu12, nu21, G12, Gb, Ga, "M", D.a, Ds.a, T.a, aux, cs);
  EXPECT_NEAR(D[1][1], E1 / d, 1e-12);
  EXPECT_NEAR(D[2][2], E2 / d, 1e-12);
  EXPECT_NEAR(D[1][2], nu12 * E2 / d, 1e-12);
  EXPECT_NEAR(D[3][3], G12, 1e-12);
  EXPECT_NEAR(Ds[1][1], 2.0, 1e-14);  // Ga on gamma_yz
  EXPECT_NEAR(Ds[2][2], 1.0, 1e-14);
  EXPECT_NEAR(Ds[1][2], 0.0, 1e-14);
  CalcMat_D_MindlinShellOrtho(2, 1, 3, 2, 3, 2, E1, E2, nu12, nu21, G12, Gb, Ga, "M", D.a, Ds.a, T.a, aux, cs);
  EXPECT_NEAR(D[1][1], E2 / d, 1e-12);
  EXPECT_NEAR(D[2][2], E1 / d, 1e-12);
  EXPECT_NEAR(D[3][3], G12, 1e-12);
  EXPECT_NEAR(D[1][3], 0.0, 1e-12);
  EXPECT_NEAR(Ds[1][1], 1.0, 1e-14);
  EXPECT_NEAR(Ds[2][2], 2.0, 1e-14);
  CalcMat_D_MindlinShellOrtho(3, 1, 3, 2, 3, 2, E1, E2, nu12, nu21, G12, Gb, Ga, "M", D.a, Ds.a, T.a, aux, cs);
  EXPECT_NEAR(Ds[1][1], 1.5, 1e-14);
  EXPECT_NEAR(Ds[2][2], 1.5, 1e-14);
  EXPECT_NEAR(Ds[1][2], -0.5, 1e-14);
  EXPECT_NEAR(Ds[2][1], -0.5, 1e-14);
  // A stretch along l1 = (x' + y')/sqrt 2 meets E1 only: eps = (1/2, 1/2, 1) e with
  // nu12 = 0 gives the stress E1 e along l1.
  CalcMat_D_MindlinShellOrtho(3, 1, 3, 2, 3, 2, E1, E2, 0.0, 0.0, G12, Gb, Ga, "M", D.a, Ds.a, T.a, aux, cs);
  const double eps[4] = {0, 0.5, 0.5, 1.0};
  double energy = 0.0;
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) energy += eps[i] * D[i][j] * eps[j];
  EXPECT_NEAR(energy, E1, 1e-12);
}

TEST(MindlinShell, OrthotropicWithIsotropicConstantsIsIsotropic) {
  HandMesh h;
  const double E = 3000, nu = 0.2, G = E / (2 * (1 + nu));
  const int a1 = h.AddAux(1, 0, 0), a2 = h.AddAux(0, 1, 0), a3 = h.AddAux(0, 0, 1);
  const int c = h.AddCoordSystem(a1, a2, a3);
  const int th = h.AddThickness(0.1);
  // Transverse moduli G/(5/6)*(5/6): Ga = Gb = G gives 5/6 G like the isotropic E/2.4(1+nu).
  const int e1 = Quad(h, 4, kPara, h.AddProperty(20, MAT_LIN_ISO, h.AddIso(E, nu), GEOM_LAM_THICK, th));
  const int e2 = Quad(h, 4, kPara, h.AddProperty(20, MAT_LIN_ORTHO, h.AddOrtho(E, E, E, G, G, G, nu, nu, nu, c),
                                                 GEOM_LAM_THICK, th));
  h.Build();
  Sq K1(24), K2(24);
  ElementStiffness(h, e1, K1.a, Flags());
  ElementStiffness(h, e2, K2.a, Flags());
  for (int i = 1; i <= 24; i++)
    for (int j = 1; j <= 24; j++) ASSERT_NEAR(K1[i][j], K2[i][j], 1e-11 * MaxAbsMat(K1.a, 24));
}

TEST(MindlinShellDeath, MaterialAxesJacobianAndKind) {
  HandMesh h;
  const int a1 = h.AddAux(1, 0, 0), a2 = h.AddAux(0, 1, 0), a3 = h.AddAux(0, 0.1, 1);
  const int tilted = h.AddCoordSystem(a1, a2, a3);
  const int th = h.AddThickness(0.1);
  const int eTilt = Quad(h, 4, kPara, h.AddProperty(20, MAT_LIN_ORTHO, h.AddOrtho(1, 1, 1, 1, 1, 1, 0, 0, 0, tilted),
                                                   GEOM_LAM_THICK, th));
  const int eNoCs = Quad(h, 4, kPara, h.AddProperty(20, MAT_LIN_ORTHO, h.AddOrtho(1, 1, 1, 1, 1, 1, 0, 0, 0, 0),
                                                   GEOM_LAM_THICK, th));
  // The element axes come from the normal at the centre, where the map is positive; a
  // re-entrant corner (node 3 pulled inside) turns it negative at the fourth point.
  const int eBow = Quad(h, 4, {{0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {0.2, 0.2, 0}, {0, 2, 0}},
                        h.AddProperty(20, MAT_LIN_ISO, h.AddIso(1.0, 0.3), GEOM_LAM_THICK, th));
  const int eKind = Quad(h, 4, kPara, h.AddProperty(20, 7, 1, GEOM_LAM_THICK, th));
  h.Build();
  Sq K(24);
  EXPECT_EXIT(ElementStiffness(h, eTilt, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nCalculating the elasticity matrix of element n. 1\nSpecified material coordinate system: ORTHO1\n"
                  "\nERROR:\nThe specified material coordinate system must be\ncoplanar with the local coordinate "
                  "system.\n"));
  EXPECT_EXIT(ElementStiffness(h, eNoCs, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("Specified material: ORTHO2\n\nERROR:\nThe orthotropic material must name an existing coordinate "
                  "system\n(<COORDINATE_SYSTEMS> record) for its material axes.\n"));
  EXPECT_EXIT(ElementStiffness(h, eBow, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("element n. 3\n\nERROR:\nJacobian determinant (membrane) is negative:\n"));
  EXPECT_EXIT(ElementStiffness(h, eKind, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nERROR:\nMindlin shell element: invalid material type.\n"));
}
