// Ahmad shell: geometry and layer kernels and the linear stiffness.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "elements/shell_solid.h"
#include "shell_solid_util.h"
#include "test_util.h"

namespace {

// 9-node element on a curved patch z = 0.1 (x^2 - y^2) over [0, 2] x [0, 1.5], nodes in the
// order of the 9-node quadrilateral (corners and mid-sides counter-clockwise, then centre).
int CurvedQuad9(HandMesh& h, int prop, double shift = 0.0) {
  const double s[10][2] = {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};
  std::vector<int> list;
  for (int k = 1; k <= 9; k++) {
    const double x = 1.0 + s[k][0] + 0.1 * s[k][1] + shift, y = 0.75 + 0.75 * s[k][1];
    list.push_back(h.AddPoint(x, y, 0.1 * (x * x - y * y)));
  }
  return h.AddElement(list, prop);
}

int FlatQuad(HandMesh& h, int nn, int prop) {
  const double s[10][2] = {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};
  const double s4[5][2] = {{0, 0}, {-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  std::vector<int> list;
  for (int k = 1; k <= nn; k++) {
    const double* q = nn == 4 ? s4[k] : s[k];
    // Parallelogram of sides (2, 0.5) and (0.6, 1.2) centred at (1.3, 0.85).
    list.push_back(h.AddPoint(1.3 + q[0] * 1.0 + q[1] * 0.3, 0.85 + q[0] * 0.25 + q[1] * 0.6, 0.0));
  }
  return h.AddElement(list, prop);
}

struct Kernels {
  int nn;
  double **X, **dN, **J, **Jinv, **G, **theta, **B, **Nmat;
  double ***Tgn, *t, *N;
  explicit Kernels(int n) : nn(n) {
    allocd2(&X, n, 3);
    allocd2(&dN, n, 2);
    allocd2(&J, 3, 3);
    allocd2(&Jinv, 3, 3);
    allocd2(&G, 3, 18 * n);
    allocd2(&theta, 3, 3);
    allocd2(&B, 3, 6 * n);
    allocd2(&Nmat, 3, 6 * n);
    allocd3(&Tgn, n, 3, 3);
    allocd1(&t, n);
    allocd1(&N, n);
  }
  ~Kernels() {
    freed1(N);
    freed1(t);
    freed3(Tgn);
    freed2(Nmat);
    freed2(B);
    freed2(theta);
    freed2(G);
    freed2(Jinv);
    freed2(J);
    freed2(dN);
    freed2(X);
  }
  void Setup(HandMesh& h, int e) {
    CalcMat_ElemNodeCoord(e, 22, nn, h.m.ElemNodes, X, h.m.PointCoord);
    CalcShellNodeThickness(nn, h.elemProp[e], t, h.m.GeomPatterns, h.m.LamThicks, h.m.ElemProps);
    CalcMat_Tgn_AhmadShellQuad(e, 3, nn, Flags(), h.ElemPropIndex(), h.m.ElemNodeCount, h.m.ElemNodes, Tgn, X,
                               h.m.PointCoord, h.PointTypes(), h.adj, h.m.ElemProps);
  }
  void At(HandMesh& h, int e, const double* s) {
    CalcShapeFuncQuad(nn, N, s);
    CalcShapeFuncDerivQuad(nn, dN, s);
    CalcMat_J_AhmadShell(3, nn, dN, J, N, s, Tgn, X, t);
    CalcInvJacobian(e, kCtxStiffness, 3, J, Jinv);
    CalcMat_du_ds_AhmadShell(e, 18 * nn, 3, 6 * nn, 6, 3, nn, h.m.ElemNodes, dN, G, N, s, Tgn, t, h.PointTypes());
    CalcMat_T_ElemNormal(e, 22, nn, 'N', s, theta, X);
    CalcMat_N_AhmadShell(e, 3, 6 * nn, 6, 3, nn, h.m.ElemNodes, Nmat, N, s, Tgn, t, h.PointTypes());
  }
};

}  // namespace

TEST(AhmadKernels, FlatElementAxesAndJacobian) {
  HandMesh h;
  const int prop = h.AddProperty(22, MAT_LIN_ISO, h.AddIso(1.0, 0.0), GEOM_LAM_THICK, h.AddThickness(0.3));
  const int e = FlatQuad(h, 8, prop);
  h.Build();
  for (int p = 1; p <= h.nPoints(); p++) h.pointTypes[p] = 'G';
  Kernels k(8);
  k.Setup(h, e);
  const double s[4] = {0, 0.3, -0.6, 0.5};
  k.At(h, e, s);
  for (int i = 1; i <= 8; i++)
    for (int a = 1; a <= 3; a++)
      for (int b = 1; b <= 3; b++) EXPECT_NEAR(k.Tgn[i][a][b], a == b ? 1.0 : 0.0, 1e-15);
  for (int a = 1; a <= 3; a++)
    for (int b = 1; b <= 3; b++) EXPECT_NEAR(k.theta[a][b], a == b ? 1.0 : 0.0, 1e-15);
  EXPECT_NEAR(k.J[1][3], 0.0, 1e-15);
  EXPECT_NEAR(k.J[2][3], 0.0, 1e-15);
  EXPECT_NEAR(k.J[3][3], 0.15, 1e-15);
  EXPECT_NEAR(k.J[1][1], 1.0, 1e-14);   // the parallelogram's half sides
  EXPECT_NEAR(k.J[2][1], 0.25, 1e-14);
  EXPECT_NEAR(k.J[1][2], 0.3, 1e-14);
}

TEST(AhmadKernels, DisplacementDerivativesAndInterpolation) {
  HandMesh h;
  const int t1 = h.AddThickness(0.2), t2 = h.AddThickness(0.35);
  const int pat = h.AddThicknessPattern({t1, t2, t1, t2, t1, t2, t1, t2, t2});
  const int prop = h.AddProperty(22, MAT_LIN_ISO, h.AddIso(1.0, 0.0), GEOM_PATT, pat);
  const int e = CurvedQuad9(h, prop);
  h.Build();
  const int n = 9, nd = 54;
  // Nodes 1 and 5 on 'A' points, the others general.
  for (int p = 1; p <= h.nPoints(); p++) h.pointTypes[p] = 'G';
  h.pointTypes[h.nodes[e][1]] = 'A';
  h.pointTypes[h.nodes[e][5]] = 'A';
  Kernels k(n);
  k.Setup(h, e);
  // At s3 = 0 the rotations enter only the derivative along s3.
  const double s0[4] = {0, 0.2, -0.4, 0.0};
  k.At(h, e, s0);
  for (int i = 1; i <= n; i++)
    for (int a = 1; a <= 3; a++)
      for (int j = 4; j <= 6; j++) {
        const int c = 6 * (i - 1) + j;
        EXPECT_EQ(k.G[a][c], 0.0);
        EXPECT_EQ(k.G[a][nd + c], 0.0);
        EXPECT_EQ(k.Nmat[a][c], 0.0);
      }
  // A rigid rotation omega about x0 (global rotations at 'G' nodes, axes V1 V2 V3 at 'A'
  // nodes) moves every point of the shell by omega x (x(s) - x0).
  const double om[4] = {0, 0.03, -0.02, 0.05}, x0[4] = {0, 0.4, 0.1, -0.3};
  std::vector<double> a(nd + 1, 0.0);
  for (int i = 1; i <= n; i++) {
    const auto& x = h.pts[h.nodes[e][i]];
    double r[4] = {0, x[1] - x0[1], x[2] - x0[2], x[3] - x0[3]}, u[4];
    crossd1(u, om, r);
    for (int j = 1; j <= 3; j++) a[6 * (i - 1) + j] = u[j];
    const bool A = h.pointTypes[h.nodes[e][i]] == 'A';
    for (int j = 1; j <= 3; j++)
      a[6 * (i - 1) + 3 + j] = A ? dotd1(k.Tgn[i][j], om, 3) : om[j];
  }
  const double s[4] = {0, -0.3, 0.7, 0.8};
  k.At(h, e, s);
  double xs[4] = {0, 0, 0, 0};
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= 3; j++) xs[j] += k.N[i] * (k.X[i][j] + s[3] * 0.5 * k.t[i] * k.Tgn[i][3][j]);
  double r[4] = {0, xs[1] - x0[1], xs[2] - x0[2], xs[3] - x0[3]}, uex[4];
  crossd1(uex, om, r);
  for (int j = 1; j <= 3; j++) {
    double u = 0.0;
    for (int c = 1; c <= nd; c++) u += k.Nmat[j][c] * a[c];
    EXPECT_NEAR(u, uex[j], 1e-15);
  }
  // The same motion strains nothing: every B row vanishes on it.
  for (char mode : {'M', 'S'}) {
    zerod2(k.B, 3, nd);
    CalcMat_B_AhmadShell(3, nd, 3 * nd, 1, 6, 6, 3, n, mode == 'M' ? 3 : 2, mode, k.B, k.G, k.theta, k.Jinv);
    for (int r2 = 1; r2 <= (mode == 'M' ? 3 : 2); r2++) {
      double e2 = 0.0;
      for (int c = 1; c <= nd; c++) e2 += k.B[r2][c] * a[c];
      EXPECT_NEAR(e2, 0.0, 1e-15) << mode << r2;
    }
  }
  // Drill column of an 'A' node and a rotation about V3 at a 'G' node drive nothing.
  for (int a2 = 1; a2 <= 3; a2++) {
    EXPECT_EQ(k.Nmat[a2][6], 0.0);
    for (int kk = 0; kk < 3; kk++) EXPECT_EQ(k.G[a2][kk * nd + 6], 0.0);
    double u = 0.0;
    for (int j = 1; j <= 3; j++) u += k.Nmat[a2][6 + 3 + j] * k.Tgn[2][3][j];
    EXPECT_NEAR(u, 0.0, 1e-16);
  }
  // 'M' mode with columns 1..3 leaves the rotation columns untouched.
  filld1(k.B[1], nd, 7.0);
  CalcMat_B_AhmadShell(3, nd, 3 * nd, 1, 3, 6, 3, n, 3, 'M', k.B, k.G, k.theta, k.Jinv);
  EXPECT_EQ(k.B[1][4], 7.0);
  EXPECT_EQ(k.B[1][6 * 8 + 6], 7.0);
  EXPECT_NE(k.B[1][1], 7.0);
}

TEST(AhmadKernels, LayerThicknessAndPosition) {
  HandMesh h;
  const int t1 = h.AddThickness(0.1), t3 = h.AddThickness(0.3), t2 = h.AddThickness(0.2);
  const int pat = h.AddThicknessPattern({t1, t3, t3, t1});
  const int l1 = h.AddLayerProperty(GEOM_LAM_THICK, t2), l2 = h.AddLayerProperty(GEOM_PATT, pat);
  const int one = h.AddLayerPattern({l1}), two = h.AddLayerPattern({l1, l1}), mixed = h.AddLayerPattern({l1, l2});
  h.Build();
  const auto& m = h.m;
  double t[5] = {0, 0, 0, 0, 0}, T, z[3], tl[3];
  const double N[5] = {0, 0.25, 0.25, 0.25, 0.25};
  CalcLayerGeomProp_Ahmad(1, one, 4, &T, N, z, tl, m.GeomPatterns, m.LamThicks, m.LayerPatterns, m.LayerProps);
  EXPECT_DOUBLE_EQ(T, 0.2);
  EXPECT_DOUBLE_EQ(tl[1], 0.2);
  EXPECT_DOUBLE_EQ(z[1], 0.0);
  CalcLayerGeomProp_Ahmad(2, two, 4, &T, N, z, tl, m.GeomPatterns, m.LamThicks, m.LayerPatterns, m.LayerProps);
  EXPECT_DOUBLE_EQ(z[1], -0.1);
  EXPECT_DOUBLE_EQ(z[2], 0.1);
  // Layer 2 is 0.1 at nodes 1, 4 and 0.3 at nodes 2, 3: at N = (0, 1/2, 1/2, 0) 0.3.
  const double Ne[5] = {0, 0.0, 0.5, 0.5, 0.0};
  CalcLayerGeomProp_Ahmad(2, mixed, 4, &T, Ne, z, tl, m.GeomPatterns, m.LamThicks, m.LayerPatterns, m.LayerProps);
  EXPECT_DOUBLE_EQ(T, 0.5);
  EXPECT_DOUBLE_EQ(z[1], 0.1 - 0.25);
  EXPECT_DOUBLE_EQ(z[2], 0.2 + 0.15 - 0.25);
  CalcNodeElementThick_Layered(2, mixed, 4, t, m.GeomPatterns, m.LamThicks, m.LayerPatterns, m.LayerProps);
  CalcNodeElementThick_Layered(2, mixed, 4, t, m.GeomPatterns, m.LamThicks, m.LayerPatterns, m.LayerProps);
  EXPECT_DOUBLE_EQ(t[1], 0.6);
  EXPECT_DOUBLE_EQ(t[2], 1.0);
}

TEST(AhmadShell, FlatElementEqualsTheMindlinShell) {
  for (int nn : {4, 8}) {
    HandMesh h;
    const int mat = h.AddIso(1e4, 0.3), th = h.AddThickness(0.2);
    const int eA = FlatQuad(h, nn, h.AddProperty(22, MAT_LIN_ISO, mat, GEOM_LAM_THICK, th));
    const int eM = FlatQuad(h, nn, h.AddProperty(20, MAT_LIN_ISO, mat, GEOM_LAM_THICK, th));
    h.Build();
    for (int p = 1; p <= h.nPoints(); p++) h.pointTypes[p] = 'G';
    Sq KA(6 * nn), KM(6 * nn);
    ElementStiffness(h, eA, KA.a, Flags());
    ElementStiffness(h, eM, KM.a, Flags());
    const double tol = 1e-11 * MaxAbsMat(KM.a, 6 * nn);
    for (int i = 1; i <= 6 * nn; i++)
      for (int j = 1; j <= 6 * nn; j++) ASSERT_NEAR(KA[i][j], KM[i][j], tol) << nn << ": " << i << "," << j;
  }
}

TEST(AhmadShell, CurvedElementNullSpaceAndVolume) {
  HandMesh h;
  const double E = 1e4, nu = 0.3, t = 0.15;
  const int full = h.AddIntegration({0, 0, 0}, {3, 3, 2}, {3, 3, 2}, {3, 3, 2});
  const int prop = h.AddProperty(22, MAT_LIN_ISO, h.AddIso(E, nu), GEOM_LAM_THICK, h.AddThickness(t), 1, full);
  const int e = CurvedQuad9(h, prop);
  h.Build();  // a single element: every point is an 'A' point
  Sq K(54);
  ElementStiffness(h, e, K.a, Flags());
  ExpectSymmetric(K.a, 54);
  std::vector<int> keep;
  for (int i = 1; i <= 54; i++)
    if (i % 6 != 0) keep.push_back(i);
  EXPECT_EQ(Nullity(K.a, 54, 1e-9, keep), 6);
  for (int i = 1; i <= 54; i++) EXPECT_EQ(K[6][i], 0.0);  // drill rows stay empty

  // Flat element under a uniform in-plane strain: energy = area t eps^T Dm eps.
  HandMesh f;
  const int pf = f.AddProperty(22, MAT_LIN_ISO, f.AddIso(E, nu), GEOM_LAM_THICK, f.AddThickness(t));
  const int ef = FlatQuad(f, 8, pf);
  f.Build();
  Sq Kf(48);
  ElementStiffness(f, ef, Kf.a, Flags());
  const double A[2][2] = {{1e-3, 4e-4}, {-1e-4, -2e-4}};
  std::vector<double> u(49, 0.0);
  for (int k = 1; k <= 8; k++) {
    const auto& x = f.pts[f.nodes[ef][k]];
    u[6 * (k - 1) + 1] = A[0][0] * x[1] + A[0][1] * x[2];
    u[6 * (k - 1) + 2] = A[1][0] * x[1] + A[1][1] * x[2];
  }
  const double ex = A[0][0], ey = A[1][1], g = A[0][1] + A[1][0];
  const double c = E / (1 - nu * nu);
  const double eDe = c * (ex * ex + 2 * nu * ex * ey + ey * ey) + E / (2 * (1 + nu)) * g * g;
  EXPECT_NEAR(Energy(Kf.a, u), 2.1 * t * eDe, 1e-12 * 2.1 * t * eDe);  // area |(2, .5) x (.6, 1.2)|
}

TEST(AhmadShell, RulesPrintAndMessages) {
  HandMesh h;
  const int mat = h.AddIso(1.0, 0.3), th = h.AddThickness(0.1);
  const int r332 = h.AddIntegration({0, 0, 0}, {3, 3, 2}, {3, 3, 2}, {1, 1, 2});
  const int rBad = h.AddIntegration({0, 0, 0}, {2, 2, 2}, {2, 2, 3}, {2, 2, 2});
  const int eOk = FlatQuad(h, 4, h.AddProperty(22, MAT_LIN_ISO, mat, GEOM_LAM_THICK, th, 1, r332));
  const int eBad = FlatQuad(h, 4, h.AddProperty(22, MAT_LIN_ISO, mat, GEOM_LAM_THICK, th, 1, rBad));
  const int eKind = FlatQuad(h, 4, h.AddProperty(22, MAT_LIN_ORTHO, h.AddOrtho(1, 1, 1, 1, 1, 1, 0, 0, 0, 0),
                                                 GEOM_LAM_THICK, th));
  const int eThin = FlatQuad(h, 4, h.AddProperty(22, MAT_LIN_ISO, mat, GEOM_LAM_THICK, h.AddThickness(-0.1)));
  // The mirror image of element 1 on its points: at coplanar points it takes the
  // directors of element 1, which point against its own normal.
  const int eMirror = h.AddElement({h.nodes[eOk][1], h.nodes[eOk][4], h.nodes[eOk][3], h.nodes[eOk][2]}, h.elemProp[eOk]);
  h.Build();
  for (int k = 1; k <= 4; k++) {
    const int p = h.nodes[eOk][k];
    h.pointTypes[p] = 'A';
    h.adj[p].count = 1;  // the point's coplanar axes come from element 1 alone
    h.adj[p].items[1] = PointElemPair{eOk, k};
  }
  Sq K(24);
  Flags on;
  on.f[OC_PRINT_MAT_KG_AHMAD_SHELL_QUAD] = 'Y';
  on.f[OC_PRINT_MAT_TNG_AHMAD_SHELL_QUAD] = 'Y';
  testing::internal::CaptureStdout();
  ElementStiffness(h, eOk, K.a, on);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("\nTransformation matrix T (_AHMAD_SHELL_QUAD):\nElement n. 1\tNode n. 4\n"), std::string::npos);
  EXPECT_NE(out.find("\nStiffness matrix Kg (_AHMAD_SHELL_QUAD):\nElement n. 1\n"), std::string::npos);
  EXPECT_EXIT(ElementStiffness(h, eBad, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nCalculating the stiffness matrix of element n. 2\n"
                  "N. of integration points to evaluate the membrane stiffness matrix: 2\n"
                  "N. of integration points to evaluate the bending stiffness matrix:. 2\n\nERROR:\n"
                  "The n. of integration points for evaluating the membrane\nand bending stiffness components must be "
                  "equal.\n"));
  EXPECT_EXIT(ElementStiffness(h, eKind, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nERROR:\nAhmad shell element: invalid material type.\n"));
  EXPECT_EXIT(ElementStiffness(h, eThin, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nReading the thickness of element property record n. 4\n   -> Node: 1\n   -> Thickness: -0.1\n\n"
                  "ERROR:\nSlab and shell elements need a positive thickness at every node.\n"));
  EXPECT_EXIT(ElementStiffness(h, eMirror, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("element n. 5\n\nERROR:\nJacobian determinant is negative:\n"));
}
