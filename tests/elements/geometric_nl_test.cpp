// Kernels of geometric nonlinearity, plane (dim 2) and solid (dim 3): B_NL against central
// differences of the Green strain, the geometric tangent G^T S G against central
// differences of B_L(u)^T S, a rigid rotation free of strain with its pull-back S = R^T T R,
// and the stress tensor and matrix of a stress vector.
#include <gtest/gtest.h>

#include <cmath>

#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "numcore/numcore.h"
#include "test_util.h"

namespace {

int Comps(int dim) { return dim == 2 ? 3 : 6; }

// Linear strain matrix of the dimension.
void LinearB(int dim, int n, double** dNdX, double** B) {
  zerod2(B, Comps(dim), dim * n);
  if (dim == 3)
    CalcMat_B_Solid(n, B, dNdX);
  else
    CalcMat_B_Plane2D(n, B, dNdX);
}

// Green strain vector (engineering shears) of the nodal positions Xc.
void GreenStrain(int dim, int n, double** dNdX, double** Xc, double* E) {
  double H[4][4];
  for (int i = 1; i <= dim; i++)
    for (int j = 1; j <= dim; j++) {
      H[i][j] = (i == j) ? -1.0 : 0.0;
      for (int k = 1; k <= n; k++) H[i][j] += Xc[k][i] * dNdX[k][j];
    }
  auto e = [&](int a, int b) {
    double s = 0.5 * (H[a][b] + H[b][a]);
    for (int k = 1; k <= dim; k++) s += 0.5 * H[k][a] * H[k][b];
    return s;
  };
  if (dim == 2) {
    E[1] = e(1, 1), E[2] = e(2, 2), E[3] = 2 * e(1, 2);
  } else {
    E[1] = e(1, 1), E[2] = e(2, 2), E[3] = e(3, 3), E[4] = 2 * e(2, 3), E[5] = 2 * e(1, 3), E[6] = 2 * e(1, 2);
  }
}

// A point of a distorted element: node coordinates X0 (n x dim) and dN/dX there.
struct ElementPoint {
  int dim, n;
  Mat X0, dNdX;
  ElementPoint(int d) : dim(d), n(d == 3 ? 20 : 8), X0(n, d), dNdX(n, d) {
    Mat dN(n, dim), J(dim, dim), Ji(dim, dim);
    const double s[4] = {0.0, 0.3, -0.4, 0.55};
    // Natural node coordinates, stretched and distorted.
    if (dim == 3) {
      static const double c[21][3] = {{0, 0, 0},   {-1, -1, -1}, {0, -1, -1}, {1, -1, -1}, {1, 0, -1}, {1, 1, -1},
                                      {0, 1, -1},  {-1, 1, -1},  {-1, 0, -1}, {-1, -1, 0}, {1, -1, 0}, {1, 1, 0},
                                      {-1, 1, 0},  {-1, -1, 1},  {0, -1, 1},  {1, -1, 1},  {1, 0, 1},  {1, 1, 1},
                                      {0, 1, 1},   {-1, 1, 1},   {-1, 0, 1}};
      for (int k = 1; k <= n; k++)
        for (int j = 1; j <= 3; j++) X0.a[k][j] = c[k][j - 1] * (1.0 + 0.1 * j) + 0.05 * std::sin(3.0 * k + j);
      CalcShapeFuncDerivSolidHexa(n, dN.a, s);
    } else {
      static const double c[9][2] = {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
      for (int k = 1; k <= n; k++)
        for (int j = 1; j <= 2; j++) X0.a[k][j] = c[k][j - 1] * (1.0 + 0.2 * j) + 0.05 * std::sin(3.0 * k + j);
      CalcShapeFuncDerivQuad(n, dN.a, s);
    }
    CalcMat_Jacobian(n, dim, dim, X0.a, dN.a, J.a);
    CalcInvJacobian(1, kCtxStiffness, dim, J.a, Ji.a);
    CalcCartesianDeriv(n, dim, dN.a, Ji.a, dNdX.a);
  }
  // Converged positions Xc = X0 + a smooth displacement of size `size`.
  void Moved(double size, double** Xc) const {
    for (int k = 1; k <= n; k++)
      for (int j = 1; j <= dim; j++) Xc[k][j] = X0.a[k][j] + size * std::cos(1.3 * k + 2.1 * j);
  }
  // The nodal displacements U = X - X0 of positions X, which the kernels take.
  void Displacements(double** X, double** U) const {
    for (int k = 1; k <= n; k++)
      for (int j = 1; j <= dim; j++) U[k][j] = X[k][j] - X0.a[k][j];
  }
};

}  // namespace

TEST(GeometricKernels, StrainMatrixIsTheDerivativeOfTheGreenStrain) {
  for (int dim : {2, 3}) {
    SCOPED_TRACE(dim);
    ElementPoint p(dim);
    const int n = p.n, nd = dim * n, nc = Comps(dim);
    Mat Xc(n, dim), Uc(n, dim), Xp(n, dim), Xm(n, dim), B(nc, nd), BNL(nc, nd);
    p.Moved(0.2, Xc.a);
    p.Displacements(Xc.a, Uc.a);
    LinearB(dim, n, p.dNdX.a, B.a);
    CalcMat_BNL_NLMG(BNL.a, p.dNdX.a, Uc.a, n, dim);
    const double h = 1e-6;
    double worst = 0.0;
    for (int k = 1; k <= n; k++)
      for (int i = 1; i <= dim; i++) {
        copyd2(Xp.a, Xc.a, n, dim);
        copyd2(Xm.a, Xc.a, n, dim);
        Xp.a[k][i] += h;
        Xm.a[k][i] -= h;
        Vec Ep(nc), Em(nc);
        GreenStrain(dim, n, p.dNdX.a, Xp.a, Ep.v);
        GreenStrain(dim, n, p.dNdX.a, Xm.a, Em.v);
        const int col = dim * (k - 1) + i;
        for (int c = 1; c <= nc; c++)
          worst = std::max(worst, std::fabs((Ep.v[c] - Em.v[c]) / (2 * h) - (B.a[c][col] + BNL.a[c][col])));
      }
    EXPECT_LT(worst, 1e-8);
    // The nonlinear part is not trivially zero here.
    double size = 0.0;
    for (int c = 1; c <= nc; c++)
      for (int j = 1; j <= nd; j++) size = std::max(size, std::fabs(BNL.a[c][j]));
    EXPECT_GT(size, 0.05);
  }
}

TEST(GeometricKernels, GeometricTangentIsTheDerivativeOfTheStrainMatrixTimesTheStress) {
  // At a fixed second Piola-Kirchhoff stress S, d/du [ (B_L0 + B_NL(u))^T S ] = G^T S G.
  for (int dim : {2, 3}) {
    SCOPED_TRACE(dim);
    ElementPoint p(dim);
    const int n = p.n, nd = dim * n, nc = Comps(dim), d2 = dim * dim;
    Vec S(nc);
    for (int c = 1; c <= nc; c++) S.v[c] = 1.0 + 0.7 * c * (c % 2 == 0 ? -1.0 : 1.0);
    Mat Xc(n, dim), G(d2, nd), T(dim, dim), S9(d2, d2), GS(d2, nd), KG(nd, nd);
    p.Moved(0.1, Xc.a);
    zerod2(G.a, d2, nd);
    zerod2(S9.a, d2, d2);
    CalcMat_G_NLMG(n, dim, G.a, p.dNdX.a);
    StressVecToTensor(dim, S.v, T.a);
    CalcMat_S_NLMG(dim, T.a, S9.a);
    zerod2(KG.a, nd, nd);
    AddScaledBtDB(d2, nd, 1.0, G.a, S9.a, GS.a, KG.a);
    auto force = [&](double** X, double* f) {
      Mat B(nc, nd), BNL(nc, nd), U(n, dim);
      LinearB(dim, n, p.dNdX.a, B.a);
      p.Displacements(X, U.a);
      CalcMat_BNL_NLMG(BNL.a, p.dNdX.a, U.a, n, dim);
      addd2(B.a, BNL.a, nc, nd);
      multtd2d1(f, B.a, S.v, nd, nc);
    };
    const double h = 1e-6;
    double worst = 0.0;
    for (int k = 1; k <= n; k++)
      for (int i = 1; i <= dim; i++) {
        Mat Xp(n, dim), Xm(n, dim);
        copyd2(Xp.a, Xc.a, n, dim);
        copyd2(Xm.a, Xc.a, n, dim);
        Xp.a[k][i] += h;
        Xm.a[k][i] -= h;
        Vec fp(nd), fm(nd);
        force(Xp.a, fp.v);
        force(Xm.a, fm.v);
        const int col = dim * (k - 1) + i;
        for (int r = 1; r <= nd; r++) worst = std::max(worst, std::fabs((fp.v[r] - fm.v[r]) / (2 * h) - KG.a[r][col]));
      }
    EXPECT_LT(worst, 1e-7);
  }
}

TEST(GeometricKernels, RigidRotationGivesNoStrainAndThePullBackTurnsTheStress) {
  for (int dim : {2, 3}) {
    SCOPED_TRACE(dim);
    ElementPoint p(dim);
    const int n = p.n, nd = dim * n, nc = Comps(dim);
    // R: 0.9 rad about x3 (the plane's normal), then 0.4 rad about x1 in the solid.
    Mat R(dim, dim);
    const double c = std::cos(0.9), s = std::sin(0.9);
    if (dim == 2) {
      R.a[1][1] = c, R.a[1][2] = -s, R.a[2][1] = s, R.a[2][2] = c;
    } else {
      const double c2 = std::cos(0.4), s2 = std::sin(0.4);
      const double A[4][4] = {{0, 0, 0, 0}, {0, c, -s, 0}, {0, s, c, 0}, {0, 0, 0, 1}};
      const double Bx[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, c2, -s2}, {0, 0, s2, c2}};
      for (int i = 1; i <= 3; i++)
        for (int j = 1; j <= 3; j++) {
          R.a[i][j] = 0.0;
          for (int k = 1; k <= 3; k++) R.a[i][j] += Bx[i][k] * A[k][j];
        }
    }
    Mat Xc(n, dim), B(nc, nd), BNL(nc, nd);
    Vec u(nd), e(nc), eNL(nc);
    for (int k = 1; k <= n; k++)
      for (int i = 1; i <= dim; i++) {
        Xc.a[k][i] = 0.0;
        for (int j = 1; j <= dim; j++) Xc.a[k][i] += R.a[i][j] * p.X0.a[k][j];
        u.v[dim * (k - 1) + i] = Xc.a[k][i] - p.X0.a[k][i];
      }
    Mat Uc(n, dim), zero(n, dim);
    p.Displacements(Xc.a, Uc.a);
    zerod2(zero.a, n, dim);
    LinearB(dim, n, p.dNdX.a, B.a);
    CalcMat_BNL_NLMG(BNL.a, p.dNdX.a, Uc.a, n, dim);
    multd2d1(e.v, B.a, u.v, nc, nd);
    multd2d1(eNL.v, BNL.a, u.v, nc, nd);
    for (int k = 1; k <= nc; k++) {
      EXPECT_NEAR(e.v[k] + 0.5 * eNL.v[k], 0.0, 1e-14) << k;
      EXPECT_GT(std::fabs(e.v[1]), 0.1);  // the linear strain alone is far from zero
    }
    // Pull-back of a Cauchy stress T: J = 1 and S = R^T T R.
    Vec sigma(nc), S(nc);
    for (int k = 1; k <= nc; k++) sigma.v[k] = 1.0 + k;
    CalcStressPK2_NLMG(dim, n, p.dNdX.a, Uc.a, S.v, sigma.v, 1, 1, kCtxStiffness);
    Mat T(dim, dim), RtTR(dim, dim);
    StressVecToTensor(dim, sigma.v, T.a);
    for (int i = 1; i <= dim; i++)
      for (int j = 1; j <= dim; j++) {
        RtTR.a[i][j] = 0.0;
        for (int a = 1; a <= dim; a++)
          for (int b = 1; b <= dim; b++) RtTR.a[i][j] += R.a[a][i] * T.a[a][b] * R.a[b][j];
      }
    Mat ST(dim, dim);
    StressVecToTensor(dim, S.v, ST.a);
    for (int i = 1; i <= dim; i++)
      for (int j = 1; j <= dim; j++) EXPECT_NEAR(ST.a[i][j], RtTR.a[i][j], 1e-13);
    // Without motion the pull-back is the identity.
    CalcStressPK2_NLMG(dim, n, p.dNdX.a, zero.a, S.v, sigma.v, 1, 1, kCtxStiffness);
    for (int k = 1; k <= nc; k++) EXPECT_NEAR(S.v[k], sigma.v[k], 1e-13);
  }
}

TEST(GeometricKernels, StressTensorAndStressMatrix) {
  const double sigma[4] = {0.0, 1.0, 2.0, 3.0};
  Mat T(2, 2), S4(4, 4);
  StressVecToTensor(2, sigma, T.a);
  EXPECT_EQ(T.a[1][1], 1.0);
  EXPECT_EQ(T.a[2][2], 2.0);
  EXPECT_EQ(T.a[1][2], 3.0);
  EXPECT_EQ(T.a[2][1], 3.0);
  zerod2(S4.a, 4, 4);
  CalcMat_S_NLMG(2, T.a, S4.a);
  const double expected[5][5] = {{0}, {0, 1, 3, 0, 0}, {0, 3, 2, 0, 0}, {0, 0, 0, 1, 3}, {0, 0, 0, 3, 2}};
  for (int i = 1; i <= 4; i++)
    for (int j = 1; j <= 4; j++) EXPECT_EQ(S4.a[i][j], expected[i][j]) << i << j;
  // Solid order (11, 22, 33, 23, 13, 12).
  const double s6[7] = {0.0, 1, 2, 3, 4, 5, 6};
  Mat T3(3, 3);
  StressVecToTensor(3, s6, T3.a);
  const double e3[4][4] = {{0}, {0, 1, 6, 5}, {0, 6, 2, 4}, {0, 5, 4, 3}};
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_EQ(T3.a[i][j], e3[i][j]);
}

TEST(GeometricKernels, LogarithmicStrainOfAStretchAlongTurnedAxesIgnoresTheRotation) {
  // X -> Q2 Q1 diag(l) Q1^T X: principal stretches l along the axes Q1 of the reference,
  // then a rigid turn Q2. ln U = Q1 diag(ln l) Q1^T, whatever Q2, to the rounding of the
  // turn; a stretch of 1 + 1e-9 keeps its digits.
  for (int dim : {2, 3})
    for (double l0 : {1e-9, 0.3}) {
      SCOPED_TRACE(testing::Message() << dim << " " << l0);
      ElementPoint p(dim);
      const int n = p.n, nc = Comps(dim);
      const double l[4] = {0.0, 1.0 + l0, 1.0 - 0.5 * l0, 1.0 + 2.0 * l0};
      const auto turn = [dim](double a, double b, double Q[4][4]) {
        const double c = std::cos(a), s = std::sin(a), c2 = std::cos(b), s2 = std::sin(b);
        const double A[4][4] = {{0, 0, 0, 0}, {0, c, -s, 0}, {0, s, c, 0}, {0, 0, 0, 1}};
        const double Bx[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, c2, -s2}, {0, 0, s2, c2}};
        for (int i = 1; i <= dim; i++)
          for (int j = 1; j <= dim; j++) {
            Q[i][j] = 0.0;
            for (int k = 1; k <= dim; k++) Q[i][j] += (dim == 3 ? Bx[i][k] : (i == k ? 1.0 : 0.0)) * A[k][j];
          }
      };
      double Q1[4][4], Q2[4][4], U[4][4] = {}, F[4][4] = {};
      turn(0.7, 0.3, Q1);
      turn(-1.9, 1.2, Q2);
      for (int i = 1; i <= dim; i++)
        for (int j = 1; j <= dim; j++)
          for (int k = 1; k <= dim; k++) U[i][j] += Q1[i][k] * (l[k] - 1.0) * Q1[j][k];
      for (int i = 1; i <= dim; i++)
        for (int j = 1; j <= dim; j++) {
          for (int k = 1; k <= dim; k++) F[i][j] += Q2[i][k] * (U[k][j] + (k == j ? 1.0 : 0.0));
          F[i][j] -= i == j ? 1.0 : 0.0;  // F - I: the displacement gradient
        }
      Mat D(n, dim);
      for (int k = 1; k <= n; k++)
        for (int i = 1; i <= dim; i++) {
          D.a[k][i] = 0.0;
          for (int j = 1; j <= dim; j++) D.a[k][i] += F[i][j] * p.X0.a[k][j];
        }
      Vec eps(nc);
      CalcLogStrain_NLMG(dim, n, p.dNdX.a, D.a, eps.v, 1, 1, kCtxStiffness);
      double L[4][4] = {};
      for (int i = 1; i <= dim; i++)
        for (int j = 1; j <= dim; j++)
          for (int k = 1; k <= dim; k++) L[i][j] += Q1[i][k] * std::log(l[k]) * Q1[j][k];
      const double expected[7] = {0.0, L[1][1], L[2][2], dim == 2 ? 2 * L[1][2] : L[3][3], 2 * L[2][3], 2 * L[1][3],
                                  2 * L[1][2]};
      for (int k = 1; k <= nc; k++) EXPECT_NEAR(eps.v[k], expected[k], 1e-12 * l0 + 1e-15) << k;
    }
}
