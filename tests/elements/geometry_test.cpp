#include <cmath>

#include "elements/kernel.h"
#include "test_util.h"

namespace {

// An 8-node quadrilateral with curved sides, in (x, y).
const double kQuad8[9][2] = {{0, 0},     {0.0, 0.0}, {1.1, 0.1}, {2.0, -0.1}, {2.2, 0.9},
                             {2.1, 2.0}, {1.0, 1.8}, {-0.1, 2.2}, {0.1, 1.1}};

}  // namespace

TEST(Geometry, NodeCoordinatesFollowTheCoordinateMask) {
  Mesh m(4, 2, 4);
  for (int p = 1; p <= 4; p++) m.Point(p, 5.0, 10.0 * p, 100.0 * p);
  for (int k = 1; k <= 4; k++) m.nodes[1][k] = 5 - k;
  Mat X(4, 3);
  CalcMat_ElemNodeCoord(1, 10, 4, m.nodes, X, m.coords);  // plane stress: (x2, x3)
  for (int k = 1; k <= 4; k++) {
    EXPECT_EQ(X[k][1], 10.0 * (5 - k));
    EXPECT_EQ(X[k][2], 100.0 * (5 - k));
    EXPECT_EQ(X[k][3], 0.0);  // untouched
  }
  CalcMat_ElemNodeCoord(1, 18, 4, m.nodes, X, m.coords);  // slab: (x1, x2)
  EXPECT_EQ(X[2][1], 5.0);
  EXPECT_EQ(X[2][2], 30.0);
  CalcMat_ElemNodeCoordXYZ(1, 4, m.nodes, X, m.coords);
  EXPECT_EQ(X[4][1], 5.0);
  EXPECT_EQ(X[4][2], 10.0);
  EXPECT_EQ(X[4][3], 100.0);
  m.Point(1, 1, 2, 3);
  m.Point(2, 4, 6, 15);
  m.nodes[2][1] = 1;
  m.nodes[2][2] = 2;
  double L = 0;
  CalcLengthElement(2, &L, m.nodes, m.coords);
  EXPECT_EQ(L, 13.0);
}

TEST(Geometry, CartesianDerivativesReproduceALinearField) {
  // Isoparametric elements represent a linear field exactly: sum_k dN_k/dx u_k = grad u.
  Mat X(8, 2), dN(8, 2), J(2, 2), Ji(2, 2), dNdx(8, 2);
  for (int k = 1; k <= 8; k++) {
    X[k][1] = kQuad8[k][0];
    X[k][2] = kQuad8[k][1];
  }
  for (auto p : {std::pair{0.3, -0.6}, {-0.77, 0.77}, {0.0, 0.0}, {0.9, 0.95}}) {
    const double s[3] = {0, p.first, p.second};
    CalcShapeFuncDerivQuad(8, dN, s);
    CalcMat_Jacobian(8, 2, 2, X, dN, J);
    const double det = CalcInvJacobian(1, kCtxStiffness, 2, J, Ji);
    EXPECT_GT(det, 0.0);
    EXPECT_EQ(det, J[1][1] * J[2][2] - J[1][2] * J[2][1]);  // J kept
    CalcCartesianDeriv(8, 2, dN, Ji, dNdx);
    double gx = 0, gy = 0;
    for (int k = 1; k <= 8; k++) {
      const double u = 0.4 + 2.5 * X[k][1] - 1.5 * X[k][2];
      gx += dNdx[k][1] * u;
      gy += dNdx[k][2] * u;
    }
    EXPECT_NEAR(gx, 2.5, 1e-12);
    EXPECT_NEAR(gy, -1.5, 1e-12);
  }
  // The same for a distorted 20-node hexahedron.
  Mat S(20, 3), Xh(20, 3), dNh(20, 3), J3(3, 3), J3i(3, 3), dNdx3(20, 3);
  const double corners[9][3] = {{0, 0, 0}, {-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}};
  const int cornerOf[21] = {0, 1, 0, 2, 0, 3, 0, 4, 0, 0, 0, 0, 0, 5, 0, 6, 0, 7, 0, 8, 0};
  const int mids[21][2] = {{0, 0},  {0, 0},  {1, 3},  {0, 0},   {3, 5},   {0, 0},   {5, 7},
                           {0, 0},  {7, 1},  {1, 13}, {3, 15},  {5, 17},  {7, 19},  {0, 0},
                           {13, 15}, {0, 0}, {15, 17}, {0, 0},  {17, 19}, {0, 0},   {19, 13}};
  for (int k = 1; k <= 20; k++)
    if (cornerOf[k])
      for (int j = 1; j <= 3; j++) S[k][j] = corners[cornerOf[k]][j - 1];
  for (int k = 1; k <= 20; k++)
    if (!cornerOf[k])
      for (int j = 1; j <= 3; j++) S[k][j] = 0.5 * (S[mids[k][0]][j] + S[mids[k][1]][j]);
  for (int k = 1; k <= 20; k++) {
    const double a = S[k][1], b = S[k][2], c = S[k][3];
    Xh[k][1] = 2.0 * a + 0.1 * b * c + 0.05 * a * a;
    Xh[k][2] = 1.5 * b - 0.2 * a + 0.08 * c * c;
    Xh[k][3] = 1.2 * c + 0.1 * a * b;
  }
  const double s3[4] = {0, 0.2, -0.5, 0.7};
  CalcShapeFuncDerivSolidHexa(20, dNh, s3);
  CalcMat_Jacobian(20, 3, 3, Xh, dNh, J3);
  EXPECT_GT(CalcInvJacobian(1, kCtxStiffness, 3, J3, J3i), 0.0);
  CalcCartesianDeriv(20, 3, dNh, J3i, dNdx3);
  for (int j = 1; j <= 3; j++) {
    double g = 0.0;
    for (int k = 1; k <= 20; k++) g += dNdx3[k][j] * (1.0 - 0.7 * Xh[k][1] + 0.3 * Xh[k][2] + 1.9 * Xh[k][3]);
    EXPECT_NEAR(g, j == 1 ? -0.7 : j == 2 ? 0.3 : 1.9, 1e-12);
  }
}

TEST(Geometry, ParallelogramJacobianIsAQuarterOfTheArea) {
  Mat X(4, 2), dN(4, 2), J(2, 2), Ji(2, 2);
  const double P[5][2] = {{0, 0}, {0, 0}, {4, 0}, {5, 3}, {1, 3}};  // area 12
  for (int k = 1; k <= 4; k++) {
    X[k][1] = P[k][0];
    X[k][2] = P[k][1];
  }
  for (double t : {-0.9, 0.1, 0.8}) {
    const double s[3] = {0, t, -t / 2};
    CalcShapeFuncDerivQuad(4, dN, s);
    CalcMat_Jacobian(4, 2, 2, X, dN, J);
    EXPECT_NEAR(CalcInvJacobian(1, kCtxStiffness, 2, J, Ji), 3.0, 1e-14);
  }
}

TEST(GeometryDeath, JacobianMessages) {
  Mat X(4, 2), dN(4, 2), J(2, 2), Ji(2, 2);
  const double s[3] = {0, 0.2, 0.3};
  // Clockwise numbering: negative at every point.
  const double cw[5][2] = {{0, 0}, {0, 0}, {0, 1}, {1, 1}, {1, 0}};
  for (int k = 1; k <= 4; k++) {
    X[k][1] = cw[k][0];
    X[k][2] = cw[k][1];
  }
  CalcShapeFuncDerivQuad(4, dN, s);
  CalcMat_Jacobian(4, 2, 2, X, dN, J);
  EXPECT_EXIT(CalcInvJacobian(17, kCtxStiffness, 2, J, Ji), testing::ExitedWithCode(1),
              Lit("\nCalculating the stiffness matrix of element n. 17\n\nERROR:\nJacobian determinant is negative:\n"
                  "element geometry and/or mesh connectivity must be changed.\n"));
  // Nodes 3 and 4 coincide: det J vanishes along s2 = 1.
  const double col[5][2] = {{0, 0}, {0, 0}, {1, 0}, {1, 1}, {1, 1}};
  for (int k = 1; k <= 4; k++) {
    X[k][1] = col[k][0];
    X[k][2] = col[k][1];
  }
  const double top[3] = {0, 0.4, 1.0};
  CalcShapeFuncDerivQuad(4, dN, top);
  CalcMat_Jacobian(4, 2, 2, X, dN, J);
  EXPECT_EXIT(CalcInvJacobian(18, kCtxIntForces, 2, J, Ji), testing::ExitedWithCode(1),
              Lit("\nCalculating the internal equivalent nodal forces of element n. 18\n\nERROR:\n"
                  "Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed.\n"));
  // One edge 1e-11 of the other: a determinant of 1e-7, but a collapsed element.
  J[1][1] = 1e-9;
  J[1][2] = 0.0;
  J[2][1] = 0.0;
  J[2][2] = 100.0;
  EXPECT_EXIT(CalcInvJacobian(19, kCtxStiffness, 2, J, Ji), testing::ExitedWithCode(1),
              Lit("Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed."));
  // A well-shaped element of a few nanometres in metres is inverted like the same
  // element in millimetres: the pivot test of the inversion measures the element
  // against itself.
  J[2][2] = 2e-9;
  CalcInvJacobian(19, kCtxStiffness, 2, J, Ji);
  EXPECT_NEAR(Ji[1][1], 1e9, 1e-6);
  EXPECT_NEAR(Ji[2][2], 5e8, 1e-7);
  EXPECT_EQ(Ji[1][2], 0.0);
  EXPECT_EQ(Ji[2][1], 0.0);
  Mat L(2, 3);
  L[1][1] = L[2][1] = 2.0;
  EXPECT_EXIT(CalcLineJacobianNorm(20, kCtxStiffness, 2, 3, 0.0, L), testing::ExitedWithCode(1),
              Lit("element n. 20\n\nERROR:\nJacobian norm is null:\nelement geometry and/or mesh connectivity must be changed."));
}

TEST(Geometry, TangentsAndNormals) {
  Mat L(3, 3);
  const double P[4][3] = {{0, 0, 0}, {0, 0, 0}, {1.5, 2.0, 0}, {3, 4, 0}};
  for (int k = 1; k <= 3; k++)
    for (int j = 1; j <= 3; j++) L[k][j] = P[k][j - 1];
  double t[4];
  CalcVectTangentElem(3, 1, 2, 0.3, t, L);
  EXPECT_NEAR(t[1], 0.6, 1e-15);
  EXPECT_NEAR(t[2], 0.8, 1e-15);
  EXPECT_EQ(t[3], 0.0);
  EXPECT_NEAR(CalcLineJacobianNorm(1, kCtxStiffness, 3, 3, 0.5, L), 2.5, 1e-15);
  // A quarter circle through three nodes: at its middle node the tangent is (-1, 1)/sqrt(2).
  Mat A(3, 2);
  const double r = 2.0, c = std::sqrt(0.5);
  A[1][1] = r; A[1][2] = 0; A[2][1] = r * c; A[2][2] = r * c; A[3][1] = 0; A[3][2] = r;
  CalcVectTangentElem(2, 1, 3, 0.0, t, A);
  EXPECT_NEAR(t[1], -c, 1e-15);
  EXPECT_NEAR(t[2], c, 1e-15);
  // A flat quadrilateral tilted about x1: normal (0, -sin a, cos a).
  Mat X(4, 3);
  const double a = 0.3;
  const double Q[5][2] = {{0, 0}, {0, 0}, {2, 0}, {2.5, 1.5}, {-0.2, 1}};
  for (int k = 1; k <= 4; k++) {
    X[k][1] = Q[k][0];
    X[k][2] = Q[k][1] * std::cos(a);
    X[k][3] = Q[k][1] * std::sin(a);
  }
  double nrm[4];
  const double s[3] = {0, 0.1, -0.4};
  CalcVectNormalElem(1, 2, 4, nrm, s, X);
  EXPECT_NEAR(nrm[1], 0.0, 1e-15);
  EXPECT_NEAR(nrm[2], -std::sin(a), 1e-15);
  EXPECT_NEAR(nrm[3], std::cos(a), 1e-15);
}

TEST(GeometryDeath, DistortedElements) {
  Mat L(2, 3);
  double t[4];
  EXPECT_EXIT(CalcVectTangentElem(3, 7, 2, 0.0, t, L), testing::ExitedWithCode(1),
              Lit("\nCalculating the vector that is tangent to the element n. 7\n\nERROR:\n"
                  "The element is too distorted and must be changed.\n"));
  Mat X(4, 3);
  for (int k = 1; k <= 4; k++) X[k][1] = k;  // all nodes on one line
  const double s[3] = {0, 0, 0};
  double nrm[4];
  EXPECT_EXIT(CalcVectNormalElem(8, 2, 4, nrm, s, X), testing::ExitedWithCode(1),
              Lit("\nCalculating the vector that is normal to the element n. 8\n\nERROR:\n"
                  "The element is too distorted and must be changed.\n"));
}
