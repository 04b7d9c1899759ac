#include <cmath>
#include <string>

#include "elements/kernel.h"
#include "test_util.h"

namespace {

void ExpectRows(double** T, const double (&want)[3][3], double tol = 1e-15) {
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_NEAR(T[i][j], want[i - 1][j - 1], tol) << "T[" << i << "][" << j << "]";
}

void ExpectRotation(double** T) {
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) {
      double s = 0;
      for (int k = 1; k <= 3; k++) s += T[i][k] * T[j][k];
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-14);
    }
  EXPECT_NEAR(detd2(T, 3), 1.0, 1e-14);
}

}  // namespace

TEST(Transforms, Line3DAxes) {
  Mesh m(2, 1, 2);
  m.nodes[1][1] = 1;
  m.nodes[1][2] = 2;
  Mat R(3, 3);
  m.Point(2, 0, 0, 2);
  CalcMat_R_Truss3D(1, 'N', m.nodes, R, m.coords);
  ExpectRows(R, {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}});
  m.Point(2, 0, 0, -2);
  CalcMat_R_Truss3D(1, 'N', m.nodes, R, m.coords);
  ExpectRows(R, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}});
  m.Point(2, 3, 0, 0);
  CalcMat_R_Frame3D(1, 0.0, 'N', m.nodes, R, m.coords);
  ExpectRows(R, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  CalcMat_R_Frame3D(1, M_PI / 2, 'N', m.nodes, R, m.coords);
  ExpectRows(R, {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}});
  // Any member: a right-handed orthonormal triad with axis 2 horizontal.
  m.Point(1, 1, -2, 0.5);
  m.Point(2, -1.5, 2, 3);
  CalcMat_R_Frame3D(1, 0.7, 'N', m.nodes, R, m.coords);
  ExpectRotation(R);
  CalcMat_R_Frame3D(1, 0.0, 'N', m.nodes, R, m.coords);
  EXPECT_NEAR(R[2][3], 0.0, 1e-15);
  // A 3-node beam takes its axis from the tangent at s.
  Mat X(3, 3);
  X[1][1] = 0; X[2][1] = 1; X[2][2] = 1; X[3][1] = 2; X[3][2] = 0;  // an arch in (x1, x2)
  CalcMat_T_TimoshenkoBeam3D(1, 3, -1.0, 0.0, 'N', R, X);  // dx/ds = (1, 2, 0) at s = -1
  EXPECT_NEAR(R[1][1], 1.0 / std::sqrt(5.0), 1e-15);
  EXPECT_NEAR(R[1][2], 2.0 / std::sqrt(5.0), 1e-15);
  ExpectRotation(R);
}

TEST(Transforms, Line2DAxes) {
  Mesh m(2, 1, 2);
  m.nodes[1][1] = 1;
  m.nodes[1][2] = 2;
  m.Point(1, 9, 1, 1);
  m.Point(2, -9, 4, 5);  // x1 is not part of the plane (x2, x3)
  Mat R(2, 2);
  CalcMat_R_Truss2D(1, 'N', m.nodes, R, m.coords);
  EXPECT_NEAR(R[1][1], 0.6, 1e-15);
  EXPECT_NEAR(R[1][2], 0.8, 1e-15);
  EXPECT_NEAR(R[2][1], -0.8, 1e-15);
  EXPECT_NEAR(R[2][2], 0.6, 1e-15);
}

TEST(Transforms, OrthonormalTriad) {
  Mat T(3, 3);
  const double down[4] = {0, 0, 0, -1}, up[4] = {0, 0, 0, 1}, x[4] = {0, 1, 0, 0};
  CalcOrthonormalTriad(down, T);
  ExpectRows(T, {{1, 0, 0}, {0, -1, 0}, {0, 0, -1}});
  CalcOrthonormalTriad(up, T);
  ExpectRows(T, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  CalcOrthonormalTriad(x, T);
  ExpectRows(T, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}});
  double g[4] = {0, 0.3, -0.4, 0.5};
  normalized1(g, 3);
  CalcOrthonormalTriad(g, T);
  ExpectRotation(T);
  for (int j = 1; j <= 3; j++) EXPECT_EQ(T[3][j], g[j]);
}

TEST(Transforms, ElasticityMatrices) {
  Mat D(3, 3), D4(4, 4);
  CalcMat_De_PlaneStress(3, 3, 0.0, 1.0, D);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_EQ(D[i][j], i != j ? 0.0 : i == 3 ? 0.5 : 1.0);
  const double E = 30e3, nu = 0.2, e = 1e-3;
  // Plane stress: a uniaxial stress state.
  CalcMat_De_PlaneStress(3, 3, nu, E, D);
  double eps[4] = {0, e, -nu * e, 0}, sig[4];
  multd2d1(sig, D, eps, 3, 3);
  EXPECT_NEAR(sig[1], E * e, 1e-12);
  EXPECT_NEAR(sig[2], 0.0, 1e-12);
  // Plane strain: uniaxial in-plane stress needs eps2 = -nu/(1-nu) eps1, and gives E/(1-nu^2).
  CalcMat_De_PlaneStrain(3, 3, nu, E, D);
  eps[2] = -nu / (1 - nu) * e;
  multd2d1(sig, D, eps, 3, 3);
  EXPECT_NEAR(sig[1], E / (1 - nu * nu) * e, 1e-12);
  EXPECT_NEAR(sig[2], 0.0, 1e-12);
  // Pure shear: G gamma.
  double g3[4] = {0, 0, 0, e};
  multd2d1(sig, D, g3, 3, 3);
  EXPECT_NEAR(sig[3], E / (2 * (1 + nu)) * e, 1e-12);
  // Axisymmetric: equal normal strains give the bulk response E/(1-2nu).
  CalcMat_De_Axis(4, 4, nu, E, D4);
  EXPECT_TRUE(issymd2(D4, 4));
  double v[5] = {0, e, e, 0, e}, s4[5];
  multd2d1(s4, D4, v, 4, 4);
  for (int i : {1, 2, 4}) EXPECT_NEAR(s4[i], E / (1 - 2 * nu) * e, 1e-12);
  EXPECT_EQ(s4[3], 0.0);
}

TEST(Transforms, StrainMatricesPassThePatchTest) {
  // A linear displacement field on a distorted 8-node quadrilateral gives its exact strain.
  const double P[9][2] = {{0, 0}, {0.0, 0.0}, {1.1, 0.1}, {2.0, -0.1}, {2.2, 0.9},
                          {2.1, 2.0}, {1.0, 1.8}, {-0.1, 2.2}, {0.1, 1.1}};
  Mat X(8, 2), dN(8, 2), J(2, 2), Ji(2, 2), dNdx(8, 2), B(3, 16);
  for (int k = 1; k <= 8; k++) {
    X[k][1] = P[k][0];
    X[k][2] = P[k][1];
  }
  Vec u(16), eps(3);
  for (int k = 1; k <= 8; k++) {
    u[2 * k - 1] = 0.001 * X[k][1] + 0.003 * X[k][2] + 0.5;
    u[2 * k] = -0.002 * X[k][1] + 0.004 * X[k][2] - 0.2;
  }
  const double s[3] = {0, -0.3, 0.6};
  CalcShapeFuncDerivQuad(8, dN, s);
  CalcMat_Jacobian(8, 2, 2, X, dN, J);
  CalcInvJacobian(1, kCtxStiffness, 2, J, Ji);
  CalcCartesianDeriv(8, 2, dN, Ji, dNdx);
  CalcMat_B_Plane2D(8, B, dNdx);
  multd2d1(eps, B, u, 3, 16);
  EXPECT_NEAR(eps[1], 0.001, 1e-14);
  EXPECT_NEAR(eps[2], 0.004, 1e-14);
  EXPECT_NEAR(eps[3], 0.001, 1e-14);
  // Solid: a small rigid rotation plus a uniform stretch on a skewed 8-node hexahedron.
  const double H[9][3] = {{0, 0, 0}, {0, 0, 0}, {2, 0.2, 0}, {2.3, 1.9, 0.1}, {0.1, 2, 0},
                          {0.1, 0, 1.5}, {2, 0.1, 1.7}, {2.2, 2.1, 1.6}, {0, 2, 1.4}};
  Mat Xh(8, 3), dNh(8, 3), J3(3, 3), J3i(3, 3), dNdx3(8, 3), Bs(6, 24);
  for (int k = 1; k <= 8; k++)
    for (int j = 1; j <= 3; j++) Xh[k][j] = H[k][j - 1];
  const double w[4] = {0, 1e-3, -2e-3, 0.5e-3};  // rotation vector
  Vec uh(24), e6(6);
  for (int k = 1; k <= 8; k++) {
    const double* x = Xh[k];
    uh[3 * k - 2] = w[2] * x[3] - w[3] * x[2] + 0.002 * x[1];
    uh[3 * k - 1] = w[3] * x[1] - w[1] * x[3];
    uh[3 * k] = w[1] * x[2] - w[2] * x[1] - 0.001 * x[3];
  }
  const double s3[4] = {0, 0.4, -0.1, 0.8};
  CalcShapeFuncDerivSolidHexa(8, dNh, s3);
  CalcMat_Jacobian(8, 3, 3, Xh, dNh, J3);
  CalcInvJacobian(1, kCtxStiffness, 3, J3, J3i);
  CalcCartesianDeriv(8, 3, dNh, J3i, dNdx3);
  CalcMat_B_Solid(8, Bs, dNdx3);
  multd2d1(e6, Bs, uh, 6, 24);
  const double want[7] = {0, 0.002, 0, -0.001, 0, 0, 0};
  for (int i = 1; i <= 6; i++) EXPECT_NEAR(e6[i], want[i], 1e-14) << i;
}

TEST(Transforms, TrussMatrixToGlobalAxes) {
  // Local truss stiffness (2 dofs per node) rotated by theta gives the classic c^2, cs, s^2 blocks.
  const double th = 0.6, c = std::cos(th), s = std::sin(th), k = 7.0;
  Mat K(4, 4), out(4, 4), R(2, 2);
  K[1][1] = K[3][3] = k;
  K[1][3] = K[3][1] = -k;
  R[1][1] = c; R[1][2] = s; R[2][1] = -s; R[2][2] = c;
  TransformMatTruss(2, 4, 2, out, K, R);
  const double g[4][4] = {{c * c, c * s, -c * c, -c * s}, {c * s, s * s, -c * s, -s * s},
                          {-c * c, -c * s, c * c, c * s}, {-c * s, -s * s, c * s, s * s}};
  for (int i = 1; i <= 4; i++)
    for (int j = 1; j <= 4; j++) {
      EXPECT_NEAR(out[i][j], k * g[i - 1][j - 1], 1e-14);
      EXPECT_EQ(K[i][j], out[i][j]);  // M holds the transformed matrix
    }
  // out is accumulated, not overwritten.
  Mat K2(4, 4);
  K2[1][1] = K2[3][3] = k;
  K2[1][3] = K2[3][1] = -k;
  TransformMatTruss(2, 4, 2, out, K2, R);
  EXPECT_NEAR(out[2][2], 2 * k * s * s, 1e-14);
}

TEST(Transforms, FrameMatricesToGlobalAxes) {
  // Frame 2-D: the rotation dof is not rotated.
  Mat M(6, 6), out(6, 6), R(2, 2);
  for (int i = 1; i <= 6; i++)
    for (int j = 1; j <= 6; j++) M[i][j] = 1.0 / (i + j);
  const double c = 0.8, s = 0.6;
  R[1][1] = c; R[1][2] = s; R[2][1] = -s; R[2][2] = c;
  TransformMatFrame2D(2, 6, 3, 2, out, M, R);
  EXPECT_NEAR(out[3][6], 1.0 / 9, 1e-15);
  EXPECT_NEAR(out[3][4], c * (1.0 / 7) - s * (1.0 / 8), 1e-15);
  // Frame 3-D: rotating back with T6 restores the local matrix.
  Mat L(12, 12), Lc(12, 12), G(12, 12), R3(3, 3);
  for (int i = 1; i <= 12; i++)
    for (int j = 1; j <= 12; j++) L[i][j] = Lc[i][j] = std::sin(i + 2.0 * j);
  double g[4] = {0, 0.2, 0.9, -0.4};
  normalized1(g, 3);
  CalcOrthonormalTriad(g, R3);
  TransformBeam3DMat(3, 12, 6, 2, G, L, R3);
  Mat T(12, 12), Tmp(12, 12), Back(12, 12);
  for (int b = 0; b < 4; b++) setsubd2(T, R3, 3, 3, 3 * b + 1, 3 * b + 1);
  multd2d2(Tmp, T, G, 12, 12, 12);
  multd2td2(Back, Tmp, T, 12, 12, 12);
  for (int i = 1; i <= 12; i++)
    for (int j = 1; j <= 12; j++) EXPECT_NEAR(Back[i][j], Lc[i][j], 1e-13);
}

TEST(Transforms, SmallProducts) {
  // Nodal coordinates into local axes: X' = X T^T, one row per node.
  const double c = std::sqrt(0.5);
  Mat X(3, 3), Xl(3, 3), T(3, 3);
  for (int k = 1; k <= 3; k++) {
    X[k][1] = 2.0 * k;
    X[k][2] = 2.0 * k;
    X[k][3] = 1.0;
  }
  T[1][1] = c; T[1][2] = c; T[2][1] = -c; T[2][2] = c; T[3][3] = 1.0;
  MatMatTMultSmall(3, 3, X, Xl, T);
  for (int k = 1; k <= 3; k++) {
    EXPECT_NEAR(Xl[k][1], 2.0 * k * std::sqrt(2.0), 1e-14);  // distance along the axis
    EXPECT_NEAR(Xl[k][2], 0.0, 1e-14);
    EXPECT_EQ(Xl[k][3], 1.0);
  }
  // Consistent mass of a bilinear 2 x 3 rectangle: integral of N^T N over the element.
  const double a = 2.0, b = 3.0, area = a * b;
  Mat N(2, 8), NtN(8, 8), M(8, 8);
  Vec Nv(4);
  const double g = 0.577350269189626;
  for (double s1 : {-g, g})
    for (double s2 : {-g, g}) {
      const double s[3] = {0, s1, s2};
      CalcShapeFuncQuad(4, Nv, s);
      CalcMat_N_Mass(2, 4, N, Nv);
      MatTMatMultSmall(NtN, N, N, 2, 8);
      scaled2(NtN, 8, 8, area / 4.0);  // weight 1, det J = area / 4
      addd2(M, NtN, 8, 8);
    }
  double total = 0.0;
  for (int i = 1; i <= 8; i++)
    for (int j = 1; j <= 8; j++) total += M[i][j];
  EXPECT_NEAR(total, 2.0 * area, 1e-13);  // the mass moves with each of the two translations
  EXPECT_NEAR(M[1][1], area / 9.0, 1e-14);
  EXPECT_NEAR(M[1][3], area / 18.0, 1e-14);
  EXPECT_NEAR(M[1][5], area / 36.0, 1e-14);
  EXPECT_EQ(M[1][2], 0.0);
}

TEST(Transforms, ElementNormalTriad) {
  // A quadrilateral in the plane (x1, x2) numbered clockwise seen from +x3.
  Mat X(4, 3), T(3, 3);
  const double P[5][2] = {{0, 0}, {0, 0}, {0, 1}, {1, 1}, {1, 0}};
  for (int k = 1; k <= 4; k++) {
    X[k][1] = P[k][0];
    X[k][2] = P[k][1];
  }
  const double s[3] = {0, 0, 0};
  CalcMat_T_ElemNormal(3, 20, 4, 'N', s, T, X);
  ExpectRows(T, {{1, 0, 0}, {0, -1, 0}, {0, 0, -1}});
}

TEST(Transforms, CoplanarSystemOfShellPoints) {
  // Two Ahmad quads folded along the x2 axis like a roof, and a Mindlin quad at point 2.
  const double h = 0.5;
  double** P;
  allocd2(&P, 9, 3);
  const double pts[10][3] = {{0, 0, 0},   {-1, 0, -h}, {0, 0, 0},   {0, 1, 0},  {-1, 1, -h},
                             {1, 0, -h}, {1, 1, -h},  {0, -1, 0}, {1, -1, 0.3}, {1, 0, 0.3}};
  for (int p = 1; p <= 9; p++)
    for (int j = 1; j <= 3; j++) P[p][j] = pts[p][j - 1];
  int** en;
  alloci2(&en, 4, 4);
  const int nodes[5][5] = {{0}, {0, 1, 2, 3, 4}, {0, 2, 5, 6, 3}, {0, 7, 8, 9, 2}, {0, 2, 5, 6, 3}};
  for (int e = 1; e <= 4; e++)
    for (int k = 1; k <= 4; k++) en[e][k] = nodes[e][k];
  int count[5] = {0, 4, 4, 4, 4};
  int type[5] = {0, 22, 22, 20, 0};
  Mat T(3, 3);
  auto expectNormal = [&](double n1, double n2, double n3) {
    const double len = std::sqrt(n1 * n1 + n2 * n2 + n3 * n3);
    EXPECT_NEAR(T[3][1], n1 / len, 1e-14);
    EXPECT_NEAR(T[3][2], n2 / len, 1e-14);
    EXPECT_NEAR(T[3][3], n3 / len, 1e-14);
    ExpectRotation(T);
  };
  // The Ahmad normals (-h, 0, 1) and (h, 0, 1) average to +x3.
  int adj[4] = {0, 1, 2, 3}, loc[4] = {0, 2, 1, 4};
  CalcMat_T_GCStoCCS_PointCore(2, 2, adj, loc, type, count, en, T, P);
  ExpectRows(T, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 1e-14);
  // A Mindlin quad met first ends the visit with its own normal.
  int adjM[3] = {0, 3, 1}, locM[3] = {0, 4, 2};
  CalcMat_T_GCStoCCS_PointCore(2, 2, adjM, locM, type, count, en, T, P);
  expectNormal(-0.3, 0, 1);
  // An Ahmad quad met before it: the Ahmad sum wins.
  CalcMat_T_GCStoCCS_PointCore(2, 3, adj, loc, type, count, en, T, P);
  ExpectRows(T, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 1e-14);
  int a4[2] = {0, 4}, l4[2] = {0, 1};
  EXPECT_EXIT(CalcMat_T_GCStoCCS_PointCore(2, 1, a4, l4, type, count, en, T, P), testing::ExitedWithCode(1),
              kInternal);  // element without a property record
  type[4] = 10;  // a plane element only: no coplanar system
  EXPECT_EXIT(CalcMat_T_GCStoCCS_PointCore(2, 1, a4, l4, type, count, en, T, P), testing::ExitedWithCode(1),
              kInternal);
  freei2(en);
  freed2(P);
}

TEST(Transforms, ElementPrints) {
  Mat K(2, 2);
  K[1][1] = 1.0; K[1][2] = -2.5; K[2][1] = 0.0; K[2][2] = 1e-3;
  testing::internal::CaptureStdout();
  PrintElementStiffMat(2, 5, 1, 'N', K);
  PrintElementTMat(2, 5, 1, 'N', K);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  testing::internal::CaptureStdout();
  PrintElementStiffMat(2, 5, 1, 'Y', K);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\nStiffness matrix Kg (_TRUSS_2D):\nElement n. 5\n"
            "  1.0000000000e+00, -2.5000000000e+00\n  0.0000000000e+00,  1.0000000000e-03\n");
  testing::internal::CaptureStdout();
  PrintElementMassMat(1, 6, 24, 'Y', K);
  PrintElementTMat(1, 7, 0, 'Y', K);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\nMass matrix Mg (_SOLID_HEXA):\nElement n. 6\n  1.0000000000e+00\n"
            "\nTransformation matrix T:\nElement n. 7\n  1.0000000000e+00\n");
  // The line rotations print under their caller's flag.
  Mat X(2, 2), R(2, 2);
  X[2][1] = 3.0;
  testing::internal::CaptureStdout();
  CalcMat_T_Cable2D(9, 2, 0.0, 'Y', R, X);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\nTransformation matrix T (_CABLE_2D):\nElement n. 9\n"
            "  1.0000000000e+00,  0.0000000000e+00\n -0.0000000000e+00,  1.0000000000e+00\n");
}

TEST(TransformsDeath, SizesMustAgree) {
  Mat M(6, 6), out(6, 6), T(2, 2), D(3, 3);
  EXPECT_EXIT(TransformAddElemMat(2, 6, 2, out, M, T), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(TransformMatFrame2D(2, 6, 2, 3, out, M, T), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcMat_De_Axis(3, 3, 0.2, 1.0, D), testing::ExitedWithCode(1), kInternal);
}
