// Solid hexahedron, linear: stiffness properties, integration, materials and messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "elements/shell_solid.h"
#include "shell_solid_util.h"
#include "test_util.h"

namespace {

// One hexahedron: frustum with a unit-square base at x3 = 0 and a 0.5 x 0.5 top at x3 = 1,
// the top shifted by (0.2, -0.1): volume (1 + 0.25 + 0.5)/3.
const double kFrustumVolume = 1.75 / 3.0;

std::vector<std::array<double, 3>> FrustumCorners() {
  return {{0, 0, 0},          {0, 0, 0},          {1, 0, 0},          {1, 1, 0},          {0, 1, 0},
          {0.45, 0.15, 1.0},  {0.95, 0.15, 1.0},  {0.95, 0.65, 1.0},  {0.45, 0.65, 1.0}};
}

// Single element of nn = 8 or 20 nodes on the given corners; returns the element.
int OneHexa(HandMesh& h, int nn, const std::vector<std::array<double, 3>>& corners, int prop) {
  std::vector<std::array<double, 3>> x = nn == 8 ? corners : Hexa20FromCorners(corners);
  std::vector<int> list;
  for (int k = 1; k <= nn; k++) list.push_back(h.AddPoint(x[k][0], x[k][1], x[k][2]));
  return h.AddElement(list, prop);
}

// Nodal values of the field u = A x.
std::vector<double> LinearField(HandMesh& h, int e, const double A[3][3]) {
  const int n = h.nodeCount[e];
  std::vector<double> u(3 * n + 1, 0.0);
  for (int k = 1; k <= n; k++) {
    const auto& x = h.pts[h.nodes[e][k]];
    for (int i = 0; i < 3; i++) u[3 * (k - 1) + i + 1] = A[i][0] * x[1] + A[i][1] * x[2] + A[i][2] * x[3];
  }
  return u;
}

}  // namespace

TEST(SolidHexa, SymmetricWithExactlyTheRigidBodyNullSpace) {
  for (int nn : {8, 20}) {
    HandMesh h;
    const int mat = h.AddIso(1000.0, 0.3);
    const int rule = h.AddIntegration({3, 3, 3});
    const int prop = h.AddProperty(24, MAT_LIN_ISO, mat, 0, 0, 1, nn == 8 ? 0 : rule);
    const int e = OneHexa(h, nn, FrustumCorners(), prop);
    h.Build();
    Sq K(3 * nn);
    ElementStiffness(h, e, K.a, Flags());
    ExpectSymmetric(K.a, 3 * nn);
    EXPECT_EQ(Nullity(K.a, 3 * nn), 6) << nn;
    // Translation and rotation fields load no node.
    const double rot[3][3] = {{0, -0.3, 0.2}, {0.3, 0, -0.1}, {-0.2, 0.1, 0}};
    EXPECT_LT(ResidualOf(K.a, LinearField(h, e, rot)), 1e-12);
  }
}

TEST(SolidHexa, UniformStrainEnergyMeasuresTheVolume) {
  // u^T K u = V eps^T D eps for u = A x: the weights times det J add up to the volume.
  const double A[3][3] = {{1e-3, 2e-4, 0}, {0, -3e-4, 1e-4}, {5e-5, 0, 2e-4}};
  const double eps[7] = {0, A[0][0], A[1][1], A[2][2], A[1][2] + A[2][1], A[2][0] + A[0][2], A[0][1] + A[1][0]};
  for (int nn : {8, 20}) {
    HandMesh h;
    const int mat = h.AddIso(1000.0, 0.25);
    const int prop = h.AddProperty(24, MAT_LIN_ISO, mat, 0, 0);
    const int e = OneHexa(h, nn, FrustumCorners(), prop);
    h.Build();
    Sq K(3 * nn), D(6);
    ElementStiffness(h, e, K.a, Flags());
    CalcMat_D_Solid(e, prop, 6, 6, D.a, h.m.Materials[MAT_LIN_ISO], nullptr, h.m.ElemProps);
    double eDe = 0.0;
    for (int i = 1; i <= 6; i++)
      for (int j = 1; j <= 6; j++) eDe += eps[i] * D[i][j] * eps[j];
    EXPECT_NEAR(Energy(K.a, LinearField(h, e, A)), kFrustumVolume * eDe, 1e-12 * eDe) << nn;
  }
}

TEST(SolidHexa, OrthotropicWithIsotropicConstantsGivesTheIsotropicStiffness) {
  HandMesh h;
  const double E = 2500.0, nu = 0.2, G = E / (2 * (1 + nu));
  const int iso = h.AddIso(E, nu), ortho = h.AddOrtho(E, E, E, G, G, G, nu, nu, nu, 0);
  const int pIso = h.AddProperty(24, MAT_LIN_ISO, iso, 0, 0), pOrtho = h.AddProperty(24, MAT_LIN_ORTHO, ortho, 0, 0);
  const int e1 = OneHexa(h, 20, FrustumCorners(), pIso);
  const int e2 = OneHexa(h, 20, FrustumCorners(), pOrtho);
  h.Build();
  Sq K1(60), K2(60);
  ElementStiffness(h, e1, K1.a, Flags());
  ElementStiffness(h, e2, K2.a, Flags());
  const double tol = 1e-11 * MaxAbsMat(K1.a, 60);
  for (int i = 1; i <= 60; i++)
    for (int j = 1; j <= 60; j++) ASSERT_NEAR(K1[i][j], K2[i][j], tol);
}

TEST(SolidHexa, OrthotropicStiffnessFollowsTheGlobalAxes) {
  // Stretching along x1 of a unit cube: the end force is E1-governed, not E2.
  HandMesh h;
  const int o = h.AddOrtho(100.0, 10.0, 10.0, 4.0, 4.0, 4.0, 0.0, 0.0, 0.0, 0);
  const int prop = h.AddProperty(24, MAT_LIN_ORTHO, o, 0, 0);
  const std::vector<std::array<double, 3>> cube = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                                   {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  const int e = OneHexa(h, 8, cube, prop);
  h.Build();
  Sq K(24);
  ElementStiffness(h, e, K.a, Flags());
  const double A[3][3] = {{1e-2, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  EXPECT_NEAR(Energy(K.a, LinearField(h, e, A)), 100.0 * 1e-4, 1e-12);
}

TEST(SolidHexa, PrintsTheMatrixUnderItsFlag) {
  HandMesh h;
  const int prop = h.AddProperty(24, MAT_LIN_ISO, h.AddIso(1.0, 0.0), 0, 0);
  const int e = OneHexa(h, 8, FrustumCorners(), prop);
  h.Build();
  Sq K(24);
  Flags on;
  on.f[OC_PRINT_MAT_KG_SOLID_HEXA] = 'Y';
  testing::internal::CaptureStdout();
  ElementStiffness(h, e, K.a, Flags());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  testing::internal::CaptureStdout();
  ElementStiffness(h, e, K.a, on);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("\nStiffness matrix Kg (_SOLID_HEXA):\nElement n. 1\n", 0), 0u) << out.substr(0, 80);
}

// A 1 mm element written in metres (det J ~ 1e-10) is as sound as the same element in
// millimetres: with E unchanged (1 N/mm^2 = 1 MN/m^2) its stiffness in MN/m is 1e-3 times
// the one in N/mm, entry by entry; a flat or inverted element stays refused at any size.
TEST(SolidHexa, StiffnessOfAMillimetreElementInMetresAndInMillimetres) {
  for (int nn : {8, 20}) {
    Sq Kmm(3 * nn), Km(3 * nn);
    double largest = 0.0, worst = 0.0;
    for (double f : {1.0, 1e-3}) {
      HandMesh h;
      const int mat = h.AddIso(210000.0, 0.3);
      const int rule = h.AddIntegration({3, 3, 3});
      const int prop = h.AddProperty(24, MAT_LIN_ISO, mat, 0, 0, 1, nn == 8 ? 0 : rule);
      auto c = FrustumCorners();
      for (auto& p : c)
        for (double& x : p) x *= f;
      const int e = OneHexa(h, nn, c, prop);
      h.Build();
      ElementStiffness(h, e, (f == 1.0 ? Kmm : Km).a, Flags());
    }
    for (int i = 1; i <= 3 * nn; i++)
      for (int j = 1; j <= 3 * nn; j++) {
        largest = std::max(largest, std::fabs(Kmm.a[i][j]));
        worst = std::max(worst, std::fabs(Km.a[i][j] * 1e3 - Kmm.a[i][j]));
      }
    EXPECT_LT(worst, 1e-12 * largest) << nn;
  }
  for (double f : {1e-3, 1e3}) {
    HandMesh h;
    const int prop = h.AddProperty(24, MAT_LIN_ISO, h.AddIso(210000.0, 0.3), 0, 0);
    auto flat = FrustumCorners(), mirrored = FrustumCorners();
    for (auto& p : flat) {
      p[2] = 0.0;
      for (double& x : p) x *= f;
    }
    for (auto& p : mirrored) {
      p[0] = -p[0];
      for (double& x : p) x *= f;
    }
    const int eFlat = OneHexa(h, 8, flat, prop), eMirror = OneHexa(h, 8, mirrored, prop);
    h.Build();
    Sq K(24);
    EXPECT_EXIT(ElementStiffness(h, eFlat, K.a, Flags()), testing::ExitedWithCode(1),
                Lit("\nERROR:\nJacobian determinant is null:\n"));
    EXPECT_EXIT(ElementStiffness(h, eMirror, K.a, Flags()), testing::ExitedWithCode(1),
                Lit("\nERROR:\nJacobian determinant is negative:\n"));
  }
}

TEST(SolidHexaDeath, DegenerateElementsMaterialsAndRules) {
  HandMesh h;
  const int mat = h.AddIso(1.0, 0.3), soft = h.AddIso(1.0, 0.5);
  const int zero = h.AddIntegration({2, 0, 2});
  const int pOk = h.AddProperty(24, MAT_LIN_ISO, mat, 0, 0);
  auto c = FrustumCorners();
  // Mirrored: x1 -> -x1 keeps the node order, so the element turns inside out.
  auto mirrored = c;
  for (auto& p : mirrored) p[0] = -p[0];
  auto flat = c;
  for (auto& p : flat) p[2] = 0.0;
  const int eMirror = OneHexa(h, 8, mirrored, pOk);
  const int eFlat = OneHexa(h, 8, flat, pOk);
  const int eRule = OneHexa(h, 8, c, h.AddProperty(24, MAT_LIN_ISO, mat, 0, 0, 1, zero));
  const int eKind = OneHexa(h, 8, c, h.AddProperty(24, 7, 1, 0, 0));
  const int eSoft = OneHexa(h, 8, c, h.AddProperty(24, MAT_LIN_ISO, soft, 0, 0));
  const int eLobatto = OneHexa(h, 8, c, h.AddProperty(24, MAT_LIN_ISO, mat, 0, 0, 3, 0));
  h.Build();
  Sq K(24);
  EXPECT_EXIT(ElementStiffness(h, eMirror, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nCalculating the stiffness matrix of element n. 1\n\nERROR:\nJacobian determinant is negative:\n"
                  "element geometry and/or mesh connectivity must be changed.\n"));
  EXPECT_EXIT(ElementStiffness(h, eFlat, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("element n. 2\n\nERROR:\nJacobian determinant is null:\n"));
  EXPECT_EXIT(ElementStiffness(h, eRule, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("element n. 3\n   -> Integration pattern: 1\n   -> Integration type: _GLEG (1)\n"
                  "   -> Number of points: 0\n\nERROR:\nInvalid number of integration points."));
  EXPECT_EXIT(ElementStiffness(h, eKind, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nERROR:\nSolid element: invalid material type.\n"));
  EXPECT_EXIT(ElementStiffness(h, eSoft, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nCalculate the elasticity matrix (D) of element n. 5\n\nERROR:\nPoisson's coefficient must be "
                  "greater than -1 and less than 0.5.\n"));
  EXPECT_EXIT(ElementStiffness(h, eLobatto, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("Integration type must be _GLEG or _GLOB."));
}
