// Fixed smeared cracks of the solid models: principal stresses, crack axes, the cracked
// tangent, the crack stiffness terms and the stress of a cracked point for a strain
// increment. Material S1: E 30000, nu 0, ft = reference stress = 3, Gf 0.1, law 1
// (0.1, 0.5, 0.4, 0.2), constant retention beta 0.2, band 100: eps_u = 2 Gf / (D3 ft h)
// with D3 = 0.48, and on the second branch of the uniaxial path
// sigma = [1.5 - 2160 (eps - 0.1 eps_u)] / (1 - 2160 / E).
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "history/records.h"
#include "materials/crack/crack_start.h"
#include "materials/crack/crack_models.h"
#include "materials/elastic.h"
#include "materials/material_point.h"
#include "materials/material_table.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/crack_material.h"
#include "support/material_driver.h"
#include "support/run_program.h"

namespace {

constexpr const char* kInternal = "INTERNAL ERROR";
constexpr double kE = 30000.0, kG = 15000.0, kFt = 3.0;
const double kEpsU = 2.0 * 0.1 / (0.48 * 3.0 * 100.0);
const PointContext kAt{3, 2, 7, 4, 0};

// Uniaxial crack strain and stress of S1 at total strain eps on the second branch, and
// the same on the first branch.
double Branch2(double eps) { return (1.5 - 2160.0 * (eps - 0.1 * kEpsU)) / (1.0 - 2160.0 / kE); }
double Branch1(double eps) { return (3.0 - 10800.0 * eps) / (1.0 - 10800.0 / kE); }

CrackMat S1(int code = MAT_NLMM111) {
  CrackMat c = CrackConcrete(code, 0.1);
  c.Set(66, 0.0).Set(68, kFt);
  if (code == MAT_NLMM111)
    c.Set(84, 1).Set(85, 0.2).Set(86, 1);
  else
    c.Set(77, 1).Set(78, 0.2).Set(79, 1, 1);
  return c;
}

// A started record of the kind.
struct Point : StartedCrackRecord {
  explicit Point(const CrackMat& c) : StartedCrackRecord(c) {}
  NLMM111_HD& R111() { return *static_cast<NLMM111_HD*>(r); }
  NLMM101_HD& R102() { return *static_cast<NLMM101_HD*>(r); }
};

// One crack with normal n formed (InitializeCr) and set to a state of the uniaxial path:
// crack strain e, crack stress s, largest strain eMax; stress s along n.
void OneCrack(const CrackMat& c, Point& p, int status, double e, double s, double eMax, const double* n = nullptr) {
  const double x[4] = {0.0, 1.0, 0.0, 0.0};
  if (n == nullptr) n = x;
  if (c.code == MAT_NLMM111) {
    NLMM111_HD& r = p.R111();
    InitializeCr_NLMM111(c.m, 0.1, n, kFt, &r);
    r.PointStatus = 2;
    r.Cr.CrStatus[r.Cr.nCr] = status;
    r.Cr.CrStrain[3 * r.Cr.nCr - 2] = e;
    r.Cr.CrStress[3 * r.Cr.nCr - 2] = s;
    r.Cr.CrAux[CrackPart111::kAuxStrainMax][r.Cr.nCr] = eMax;
    r.Stress[1] = s;
  } else {
    NLMM101_HD& r = p.R102();
    InitializeCr_NLMM102(c.m, 0.1, n, kFt, &r);
    r.PointStatus = 2;
    r.CrStatus[r.nCr] = status;
    r.CrStrain[3 * r.nCr - 2] = e;
    r.CrStress[3 * r.nCr - 2] = s;
    r.CrStrainMax[r.nCr] = eMax;
    r.Stress[1] = s;
  }
}

using Mat = ZeroMatrix;

void Dco(const CrackMat& c, Mat& D) { CalcMat_De_IsoModel(6, MatValue(c.m, 3), MatValue(c.m, 4), D.A); }

void Tangent(const CrackMat& c, Point& p, Mat& D) {
  Mat De(6, 6);
  Dco(c, De);
  if (c.code == MAT_NLMM111)
    CalcMat_D_NLMM111(kAt, c.m, p.R111(), De.A, D.A);
  else
    CalcMat_D_NLMM102(kAt, c.m, p.R102(), De.A, D.A);
}

// The dispatcher run on the active cracks of the record: stress, crack strains and
// stresses at the end of the increment.
struct Solved {
  bool ok;
  double sigma[7];
  std::vector<double> e, s;
  double balance;  // max |T sigma - s|
};

Solved Solve(const CrackMat& c, Point& p, const double* dEps, int algorithm = 0) {
  const bool full = c.code == MAT_NLMM111;
  const CrackParams prm = CrackParamsOf(full ? kModel111 : kModel102, c.m);
  ActiveCracks a;
  const int nA = full ? CalcNumActiveCr_NLMM111(p.R111().Cr) : CalcNumActiveCr_NLMM102(p.R102());
  if (full)
    AssignActCrData_NLMM111(nA, p.R111().Cr, &a);
  else
    AssignActCrData_NLMM102(nA, p.R102(), &a);
  Mat T(3 * nA, 6), De(6, 6);
  Dco(c, De);
  CalcMat_Tcr_3D(nA, T.A, a.dir, nullptr);
  Solved out{};
  copyd1(out.sigma, full ? p.R111().Stress : p.R102().Stress, 6);
  AcceptedResidual rec{nullptr, nullptr};
  if (full) rec = {&p.R111().Cr.PointTolerance, &p.R111().Cr.PointByteC};
  char code = 0, valid = 1;
  double rhoMin = 0.0;
  switch (algorithm) {
    case 0: out.ok = CalcDeltaStress(prm, kAt, a, T.A, De.A, dEps, out.sigma, rec, &code); break;
    case 1: out.ok = CalcDeltaStressIterAlgor01(prm, kAt, a, T.A, De.A, dEps, out.sigma); break;
    default:
      out.ok = CalcDeltaStressIterAlgor02(prm, kAt, a, T.A, De.A, dEps, out.sigma, &rhoMin, 0, &valid, rec);
  }
  out.e.assign(a.e + 1, a.e + 1 + 3 * nA);
  out.s.assign(a.s + 1, a.s + 1 + 3 * nA);
  double t[13];
  multd2d1(t, T.A, out.sigma, 3 * nA, 6);
  for (int j = 1; j <= 3 * nA; j++) out.balance = std::max(out.balance, std::fabs(t[j] - a.s[j]));
  FreeActiveCracks(&a);
  return out;
}

}  // namespace

// ---- principal stresses and crack axes -----------------------------------------------------

TEST(SolidCrackPrincipal, ValuesAscendWithTheirDirections) {
  Mat dir(3, 3);
  double v[4];
  const double diag[7] = {0, 3, -1, 2, 0, 0, 0};
  ASSERT_TRUE(CalcPrincipalStresses3D(dir.A, v, diag));
  EXPECT_EQ(v[1], -1.0);
  EXPECT_EQ(v[2], 2.0);
  EXPECT_EQ(v[3], 3.0);
  EXPECT_EQ(std::fabs(dir[2][1]), 1.0);  // -1 along y
  EXPECT_EQ(std::fabs(dir[3][2]), 1.0);  //  2 along z
  EXPECT_EQ(dir[1][3], 1.0);             //  3 along x

  const double sheared[7] = {0, 2, 2, 0, 0, 0, -1};
  ASSERT_TRUE(CalcPrincipalStresses3D(dir.A, v, sheared));
  EXPECT_NEAR(v[1], 0.0, 1e-12);
  EXPECT_NEAR(v[2], 1.0, 1e-12);
  EXPECT_NEAR(v[3], 3.0, 1e-12);
  EXPECT_NEAR(dir[1][3], -std::sqrt(0.5), 1e-12);  // y made non-negative
  EXPECT_NEAR(dir[2][3], std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(dir[3][3], 0.0, 1e-12);

  const double hydro[7] = {0, -2, -2, -2, 0, 0, 0};
  ASSERT_TRUE(CalcPrincipalStresses3D(dir.A, v, hydro));
  EXPECT_EQ(v[1], -2.0);
  EXPECT_EQ(v[3], -2.0);
}

TEST(SolidCrackAxes, RowsAreTheTractionsOnTheCrackPlane) {
  Mat T(3, 6), Tn(3, 6);
  double** up = nullptr;
  allocd2(&up, 1, 3);
  up[1][1] = up[1][2] = 0.0;
  up[1][3] = 1.0;
  CalcMat_Tcr_3D(1, T.A, up, nullptr);
  const double expUp[3][6] = {{0, 0, 1, 0, 0, 0}, {0, 0, 0, 0, 1, 0}, {0, 0, 0, 1, 0, 0}};
  up[1][3] = -1.0;
  CalcMat_Tcr_3D(1, Tn.A, up, nullptr);
  const double expDown[3][6] = {{0, 0, 1, 0, 0, 0}, {0, 0, 0, 0, -1, 0}, {0, 0, 0, 1, 0, 0}};
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 6; j++) {
      EXPECT_EQ(T[i][j], expUp[i - 1][j - 1]) << i << j;
      EXPECT_EQ(Tn[i][j] + 0.0, expDown[i - 1][j - 1]) << i << j;
    }

  // A skew normal: T sigma = (n.S n, t.S n, s.S n) of the stress tensor S.
  const double n[4] = {0, 2.0 / 3.0, -1.0 / 3.0, 2.0 / 3.0};
  for (int k = 1; k <= 3; k++) up[1][k] = n[k];
  CalcMat_Tcr_3D(1, T.A, up, nullptr);
  const double sig[7] = {0, 1.0, -2.0, 0.5, 0.3, -0.7, 1.1};
  const double S[4][4] = {{0, 0, 0, 0}, {0, 1.0, 1.1, -0.7}, {0, 1.1, -2.0, 0.3}, {0, -0.7, 0.3, 0.5}};
  Mat L(3, 3);
  CalcOrthonormalTriad(n, L.A);
  double t[4];
  multd2d1(t, T.A, sig, 3, 6);
  const int row[4] = {0, 3, 1, 2};  // traction rows: normal, t, s
  for (int q = 1; q <= 3; q++) {
    double v = 0.0;
    for (int a = 1; a <= 3; a++)
      for (int b = 1; b <= 3; b++) v += L[row[q]][a] * S[a][b] * n[b];
    EXPECT_NEAR(t[q], v, 1e-14) << q;
  }
  freed2(up);
}

// The smallest angle between a direction and the normals of the existing cracks, either
// sense of a normal counting the same.
TEST(SolidCrackAxes, SmallestAngleToTheExistingCracks) {
  const CrackMat c = S1();
  Point p(c);
  const double skew[4] = {0, 0.6, 0.0, 0.8};
  OneCrack(c, p, kCrOpening, 1e-4, 1.0, 1e-4);
  OneCrack(c, p, kCrClosed, 0.0, 0.0, 1e-4, skew);
  const double y[4] = {0, 0, 1, 0}, d[4] = {0, 0.8, 0, 0.6}, back[4] = {0, -1, 0, 0};
  EXPECT_NEAR(CalcDeltaCrAngle_NLMM111(y, p.R111()), 2.0 * std::atan(1.0), 1e-15);
  EXPECT_NEAR(CalcDeltaCrAngle_NLMM111(d, p.R111()), std::acos(0.96), 1e-12);
  EXPECT_EQ(CalcDeltaCrAngle_NLMM111(back, p.R111()), 0.0);
  Point none(c);
  EXPECT_DEATH(CalcDeltaCrAngle_NLMM111(y, none.R111()), kInternal);
}

// ---- cracked tangent ------------------------------------------------------------------------

// One crack along x of S1 at eps_max = eps_cr(3e-4) on the envelope (sigma = 1.241379):
// closing on the secant K = sigma / eps_max in series with E; opening on the softening
// branch floored at Emin = 0.03 (a positive tangent by design, not the slope); shears
// beta G in series with G; all cracks closed: Dco exactly. Both models.
TEST(SolidCrackTangent, OneCrackAlongXInEachState) {
  for (int code : {MAT_NLMM111, MAT_NLMM102}) {
    SCOPED_TRACE(code);
    const CrackMat c = S1(code);
    const double sMax = Branch2(3e-4), eMax = 3e-4 - sMax / kE, K = sMax / eMax;
    EXPECT_NEAR(sMax, 1.241379, 1e-6);
    EXPECT_NEAR(eMax, 2.586207e-4, 1e-10);
    struct Case {
      int status;
      double e, dxx;
    };
    const Case cases[] = {{kCrClosing, 1.5e-4 / (1.0 + K / kE), kE * K / (kE + K)},
                          {kCrOpening, eMax, kE * 0.03 / (kE + 0.03)},
                          {kCrFullyOpen, 2e-3, kE * 0.03 / (kE + 0.03)}};
    for (const Case& k : cases) {
      Point p(c);
      OneCrack(c, p, k.status, k.e, K * k.e, eMax);
      Mat D(6, 6);
      Tangent(c, p, D);
      EXPECT_NEAR(D[1][1], k.dxx, 1e-9 * k.dxx) << k.status;
      EXPECT_NEAR(D[2][2], kE, 1e-9);
      EXPECT_NEAR(D[3][3], kE, 1e-9);
      EXPECT_NEAR(D[4][4], kG, 1e-9);
      EXPECT_NEAR(D[5][5], 3000.0, 1e-9);  // 1 / (1/G + (1 - beta) / (beta G))
      EXPECT_NEAR(D[6][6], 3000.0, 1e-9);
      EXPECT_NEAR(D[1][2], 0.0, 1e-12);
    }
    EXPECT_NEAR(kE * K / (kE + K), 4137.931, 1e-3);

    Point p(c);
    OneCrack(c, p, kCrClosed, 0.0, 0.0, eMax);
    Mat D(6, 6), De(6, 6);
    Tangent(c, p, D);
    Dco(c, De);
    for (int i = 1; i <= 6; i++)
      for (int j = 1; j <= 6; j++) EXPECT_EQ(D[i][j], De[i][j]);
  }
}

// For a positive crack matrix the tangent is the inverse of the series compliance,
// D = (Dco^-1 + T^T Dcr^-1 T)^-1 (two closing cracks, nu 0.2).
TEST(SolidCrackTangent, SeriesComplianceOfTwoClosingCracks) {
  CrackMat c = S1();
  c.Set(66, 0.2);
  Point p(c);
  const double skew[4] = {0, 0.6, 0.0, 0.8};
  OneCrack(c, p, kCrClosing, 1e-4, 0.5, 2.5e-4);
  OneCrack(c, p, kCrClosing, 1e-4, 0.5, 2e-4, skew);
  Mat D(6, 6), De(6, 6);
  Tangent(c, p, D);
  Dco(c, De);

  const CrackParams prm = CrackParamsOf(kModel111, c.m);
  ActiveCracks a;
  AssignActCrData_NLMM111(2, p.R111().Cr, &a);
  Mat T(6, 6), Dcr(6, 6), C(6, 6), W(6, 6), X(6, 6);
  CalcMat_Tcr_3D(2, T.A, a.dir, nullptr);
  Calc_Dcr(prm, a, a.e, a.e, a.s, Dcr.A);
  FreeActiveCracks(&a);
  for (int j = 1; j <= 6; j++) {
    ASSERT_GT(Dcr[j][j], 0.0);
    Dcr[j][j] = 1.0 / Dcr[j][j];
  }
  copyd2(W.A, De.A, 6, 6);
  ASSERT_TRUE(invertd2(C.A, W.A, 6));
  btabd2(X.A, Dcr.A, T.A, 6, 6);  // T^T Dcr^-1 T
  addd2(C.A, X.A, 6, 6);
  ASSERT_TRUE(invertd2(W.A, C.A, 6));
  for (int i = 1; i <= 6; i++)
    for (int j = 1; j <= 6; j++) EXPECT_NEAR(D[i][j], W[i][j], 1e-10 * kE) << i << j;
}

// A crack matrix that cancels the concrete's stiffness across the crack leaves no
// tangent: the run stops with the point.
TEST(SolidCrackTangent, SingularCrackSystemStopsTheRunWithThePoint) {
  const CrackMat c = S1();
  double** n;
  allocd2(&n, 1, 3);
  n[1][1] = 1.0;
  n[1][2] = n[1][3] = 0.0;
  Mat T(3, 6), De(6, 6), Dcr(3, 3), A(3, 6);
  Dco(c, De);
  CalcMat_Tcr_3D(1, T.A, n, nullptr);
  freed2(n);
  Dcr[1][1] = -kE;
  Dcr[2][2] = Dcr[3][3] = 3750.0;
  EXPECT_EXIT(CalcMat_A(kAt, kModel111, 3, De.A, Dcr.A, T.A, A.A), testing::ExitedWithCode(1),
              "Calculating the A matrix to obtain the crack delta strain vector:\n   -> Combination: 2\n"
              "   -> Iteration: 4\n   -> Element: 7\n   -> Sampling point: 3\n"
              "   -> Nonlinear material model: _NLMM111\n\nERROR:\nUnable to invert the "
              "\\[Dcr \\+ Tcr x Dco x TcrT\\] matrix.");
}

// The tangent of a closing crack equals the central difference of the delta-stress
// solution (eps = 1.5e-4 on the closing secant, sigma = 0.620690).
TEST(SolidCrackTangent, IsTheCentralDifferenceOfTheDeltaStress) {
  const CrackMat c = S1();
  const double eMax = 3e-4 - Branch2(3e-4) / kE, K = Branch2(3e-4) / eMax, e = 1.5e-4 / (1.0 + K / kE);
  Point p(c);
  OneCrack(c, p, kCrClosing, e, K * e, eMax);
  EXPECT_NEAR(K * e, 0.620690, 1e-6);
  Mat D(6, 6);
  Tangent(c, p, D);
  const double h = 1e-7;
  for (int j = 1; j <= 6; j++) {
    double up[7] = {0, 0, 0, 0, 0, 0, 0}, dn[7] = {0, 0, 0, 0, 0, 0, 0};
    up[j] = h;
    dn[j] = -h;
    const Solved a = Solve(c, p, up), b = Solve(c, p, dn);
    ASSERT_TRUE(a.ok && b.ok) << j;
    for (int i = 1; i <= 6; i++) EXPECT_NEAR((a.sigma[i] - b.sigma[i]) / (2.0 * h), D[i][j], 1e-6 * kE) << i << j;
  }
}

// ---- crack stiffness terms ------------------------------------------------------------------

// One table of the retention rule and the secant matrix of a step, on one crack of S1.
TEST(SolidCrackTerms, RetentionAndStepMatrix) {
  CrackMat c = S1();
  Point p(c);
  OneCrack(c, p, kCrOpening, 2e-4, 1.4, 2e-4);
  ActiveCracks a;
  AssignActCrData_NLMM111(1, p.R111().Cr, &a);
  struct Retention {
    int code;
    double eps, D;
  };
  const Retention table[] = {{2, 0.5 * kEpsU, kG},  {2, kEpsU, 0.0},        {2, -1e-5, 1e7 * kG},
                             {2, 1.01 * kEpsU, 0.0}, {3, 0.0, 1e7 * kG},    {1, -1e-5, 3750.0},
                             {1, 2.0 * kEpsU, 3750.0}};
  for (const Retention& r : table) {
    c.Set(84, r.code);
    const CrackParams prm = CrackParamsOf(kModel111, c.m);
    EXPECT_NEAR(Calc_DcrII(prm, a, 1, r.eps), r.D, 1e-9 * (1.0 + r.D)) << r.code << " " << r.eps;
  }

  // The derivative of the retention stiffness is its central difference (at dEps = 0).
  for (int code : {2, 3, 4}) {
    c.Set(84, code);
    const CrackParams prm = CrackParamsOf(kModel111, c.m);
    for (double x : {0.2, 0.5, 0.8}) {
      const double eps = x * kEpsU, h = 1e-6 * kEpsU;
      const double fd = (Calc_DcrII(prm, a, 1, eps + h) - Calc_DcrII(prm, a, 1, eps - h)) / (2.0 * h);
      EXPECT_NEAR(Calc_dDcrII_dDeltaCrStrain(prm, a, 1, eps, 0.0), fd, 1e-6 * std::fabs(fd)) << code << " " << x;
    }
    EXPECT_EQ(Calc_dDcrII_dDeltaCrStrain(prm, a, 1, -1e-6, 0.0), 0.0);
  }
  c.Set(84, 1);
  const CrackParams prm = CrackParamsOf(kModel111, c.m);

  // Step matrices: a chord on the law, the closing secant for a negative increment.
  struct Step {
    int status;
    double e, s, de, eMax, DI;
  };
  const double s2 = CrNormalStressSoft(1, 3.0, 0.1, 100.0, 3e-4, prm.shape, 0.0);
  const Step steps[] = {
      {kCrOpening, 2e-4, 1.4, 1e-4, 2e-4, (s2 - 1.4) / 1e-4},
      {kCrInitiating, 2e-4, 1.4, -1e-5, 2e-4, CrNormalStressSoft(1, 3.0, 0.1, 100.0, 2e-4, prm.shape, 0.0) / 2e-4},
      {kCrOpening, 2e-4, 1.4, 0.0, 2e-4, -2160.0},
      {kCrClosing, 1e-4, 0.5, 5e-5, 2e-4, CrNormalStressSoft(1, 3.0, 0.1, 100.0, 2e-4, prm.shape, 0.0) / 2e-4},
      {kCrFullyOpen, 2e-3, 0.0, 1e-4, 2e-3, 0.0}};
  for (const Step& k : steps) {
    a.status[1] = k.status;
    a.epsMax[1] = k.eMax;
    a.e[1] = k.e;
    a.s[1] = k.s;
    const double de[4] = {0, k.de, 0.0, 0.0};
    Mat D(3, 3);
    Calc_Dcr_Sec(prm, a, a.e, a.s, de, D.A);
    EXPECT_NEAR(D[1][1], k.DI, 1e-9 * (1.0 + std::fabs(k.DI))) << k.status << " " << k.de;
    EXPECT_NEAR(D[2][2], 3750.0, 1e-9);
  }
  // An _INITIATING crack closing before it reached any strain (a restart under other
  // loads gets there) takes the closing secant from a largest strain of 1e-8.
  a.status[1] = kCrInitiating;
  a.epsMax[1] = 0.0;
  const double back[4] = {0, -1e-6, 0, 0};
  Mat D(3, 3), D8(3, 3);
  Calc_Dcr_Sec(prm, a, a.e, a.s, back, D.A);
  a.epsMax[1] = 1e-8;
  Calc_Dcr_Sec(prm, a, a.e, a.s, back, D8.A);
  EXPECT_TRUE(std::isfinite(D[1][1]) && D[1][1] > 0.0) << D[1][1];
  EXPECT_EQ(D[1][1], D8[1][1]);
  FreeActiveCracks(&a);
}

// With shear softening (linear law, tau0 1.5, K0 = beta G / (1 - beta)), a fully open
// crack gets the stiffness that brings its crack shear stress to zero in the step, a
// zero shear increment counting as +1e-8; a component loading on the stiff branch keeps
// K0 up to gamma0, and the tangent of the point follows the law's slope beyond it.
TEST(SolidCrackTerms, ShearSofteningTerms) {
  CrackMat c = S1();
  c.Set(79, 1).Set(87, 1.5).Set(88, 0.05);
  Point p(c);
  OneCrack(c, p, kCrFullyOpen, 2e-3, 0.0, 2e-3);
  ActiveCracks a;
  AssignActCrData_NLMM111(1, p.R111().Cr, &a);
  const CrackParams prm = CrackParamsOf(kModel111, c.m);
  ASSERT_NEAR(a.k1[1], 3750.0, 1e-9);
  a.s[2] = 0.8;
  a.s[3] = -0.4;
  const double de[4] = {0, 1e-4, 2e-5, 0.0};
  Mat D(3, 3);
  Calc_Dcr_Sec(prm, a, a.e, a.s, de, D.A);
  EXPECT_EQ(D[1][1], 0.0);
  EXPECT_NEAR(D[2][2], -0.8 / 2e-5, 1e-6);
  EXPECT_NEAR(D[3][3], 0.4 / 1e-8, 1e-3);

  a.status[1] = kCrOpening;
  const double g0 = 1.5 / 3750.0, gU = 2.0 * 0.05 / (100.0 * 1.5);
  a.e[2] = 0.5 * g0;
  a.e[3] = -(g0 + 0.5 * (gU - g0));  // past the peak, |gamma| on the law
  Mat Dt(3, 3);
  Calc_Dcr(prm, a, a.e, a.e, a.s, Dt.A);
  EXPECT_EQ(Dt[2][2], 3750.0);
  EXPECT_NEAR(Dt[3][3], -1.5 / (gU - g0), 1e-9);
  FreeActiveCracks(&a);
}

// _NLMM102: beyond eps_u the crack normal stress goes on down with the residual
// stiffness k = Emin = 0.03, and a fully open crack's step secant is -k.
TEST(SolidCrackTerms, ResidualStiffnessOfTheSimpleModel) {
  const CrackMat c = S1(MAT_NLMM102);
  Point p(c);
  OneCrack(c, p, kCrFullyOpen, 2e-3, 0.0, 2e-3);
  ActiveCracks a;
  AssignActCrData_NLMM102(1, p.R102(), &a);
  const CrackParams prm = CrackParamsOf(kModel102, c.m);
  EXPECT_NEAR(CrNormalStress(prm, a, 1, kEpsU + 1e-3), -0.03 * 1e-3, 1e-15);
  EXPECT_EQ(CrNormalStress(prm, a, 1, 0.5 * kEpsU), CrNormalStressSoft(1, 3.0, 0.1, 100.0, 0.5 * kEpsU, prm.shape, 0.0));
  const double de[4] = {0, 1e-4, 0.0, 0.0};
  Mat D(3, 3);
  Calc_Dcr_Sec(prm, a, a.e, a.s, de, D.A);
  EXPECT_EQ(D[1][1], -0.03);
  EXPECT_NEAR(D[2][2], 3750.0, 1e-9);
  FreeActiveCracks(&a);
}

// ---- delta stress -------------------------------------------------------------------------------

// S1 along x: from eps = 2e-4 (second branch) by 1e-4, and from eps = 1.7e-4 (first
// branch) by 1.3e-4 across the break point, to sigma(3e-4) = 1.241379; by the
// dispatcher, by the Newton iterations and by the secant iterations alone.
TEST(SolidCrackDeltaStress, UniaxialPathOnTheSofteningLaw) {
  const CrackMat c = S1();
  struct Start {
    double eps, sigma, de;
  };
  const Start starts[] = {{2e-4, Branch2(2e-4), 1e-4}, {1.7e-4, Branch1(1.7e-4), 1.3e-4}};
  EXPECT_NEAR(starts[0].sigma, 1.474138, 1e-6);
  EXPECT_NEAR(starts[1].sigma, 1.81875, 1e-12);
  const double sEnd = Branch2(3e-4), eEnd = 3e-4 - sEnd / kE;
  for (const Start& st : starts)
    for (int algorithm : {0, 1, 2}) {
      SCOPED_TRACE(std::to_string(st.eps) + " " + std::to_string(algorithm));
      Point p(c);
      const double e0 = st.eps - st.sigma / kE;
      OneCrack(c, p, kCrOpening, e0, st.sigma, e0);
      const double dEps[7] = {0, st.de, 0, 0, 0, 0, 0};
      const Solved r = Solve(c, p, dEps, algorithm);
      ASSERT_TRUE(r.ok);
      EXPECT_NEAR(r.sigma[1], sEnd, 1e-6 * kFt);
      EXPECT_NEAR(r.e[0], eEnd, 1e-6 * kFt / kE);
      EXPECT_NEAR(r.s[0], sEnd, 1e-6 * kFt);
      for (int i = 2; i <= 6; i++) EXPECT_NEAR(r.sigma[i], 0.0, 1e-12);
      EXPECT_LE(r.balance, 1e-6 * kFt);
      // The record holds the start state: the solve writes none of it.
      EXPECT_EQ(p.R111().Cr.CrStrain[1], e0);
    }
}

// No increment (max |dEps| < 1e-20) returns the start state, also at an _INITIATING
// crack, whose normal crack strain increment could not be held at 1e-8; with every crack
// closed the point is elastic.
TEST(SolidCrackDeltaStress, NoIncrementAndNoActiveCrack) {
  const CrackMat c = S1();
  Point p(c);
  OneCrack(c, p, kCrInitiating, 0.0, kFt, 0.0);
  const double none[7] = {0, 1e-21, 0, 0, 0, 0, 0};
  const Solved r = Solve(c, p, none);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.sigma[1], kFt);
  EXPECT_EQ(r.e[0], 0.0);
  EXPECT_EQ(r.s[0], kFt);

  Point q(c);
  OneCrack(c, q, kCrClosed, 0.0, 0.0, 1e-4);
  q.R111().Stress[2] = 0.5;
  const double dEps[7] = {0, 1e-5, 0, 0, 0, 2e-5, 0};
  const Solved e = Solve(c, q, dEps);
  ASSERT_TRUE(e.ok);
  EXPECT_NEAR(e.sigma[1], 0.3, 1e-12);
  EXPECT_NEAR(e.sigma[2], 0.5, 1e-12);
  EXPECT_NEAR(e.sigma[5], kG * 2e-5, 1e-12);
}

// _NLMM102 on its own dispatcher: the same uniaxial step.
TEST(SolidCrackDeltaStress, SimpleModelFollowsTheSameLaw) {
  const CrackMat c = S1(MAT_NLMM102);
  Point p(c);
  const double s0 = Branch2(2e-4), e0 = 2e-4 - s0 / kE;
  OneCrack(c, p, kCrOpening, e0, s0, e0);
  const double dEps[7] = {0, 1e-4, 0, 0, 0, 0, 0};
  const Solved r = Solve(c, p, dEps);
  ASSERT_TRUE(r.ok);
  EXPECT_NEAR(r.sigma[1], Branch2(3e-4), 1e-6 * kFt);
  EXPECT_LE(r.balance, 1e-6 * kFt);
}

TEST(SolidCrackDeltaStress, AcceptedResidualNotesAreAppended) {
  const std::string dir = MakeScratchDirectory();
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  ConvergenceAssumedLog(kAt, "Unbalanced stress - convergence assumed\n", 1.005e-6);
  ConvergenceAssumedLog(PointContext{1, 9, 2, 3, 0}, "Internal stress equation - convergence assumed\n", 2.5e-4);
  std::ifstream in("ConvergenceAssumed.lpt");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "-------------------------------------------------\nCombination: 2\nIteration: 4\nElement: 7\n"
            "Sampling point: 3\n\nUnbalanced stress - convergence assumed\n     -> fResid: 1.00500000e-06  \n"
            "-------------------------------------------------\nCombination: 9\nIteration: 3\nElement: 2\n"
            "Sampling point: 1\n\nInternal stress equation - convergence assumed\n     -> fResid: 2.50000000e-04  \n");
  ASSERT_EQ(chdir(here), 0);
  RemoveDirectory(dir);
}

// A steep first segment (slope -25000 against E = 30000) followed by a flat one: the
// secant iterations of a step that ends just past the break point swing between the two
// segments. Pass 1 stops where pass 0 had its smallest residual, keeps it in the record,
// notes it and, as it lies above 0.1 % of the reference stress, warns.
TEST(SolidCrackDeltaStress, SecantIterationsAcceptTheirSmallestResidual) {
  const std::string dir = MakeScratchDirectory();
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  CrackMat c = S1();
  c.Set(71, 0.05).Set(72, 0.1).Set(73, 0.9).Set(74, 0.05).Set(77, 0.06075);
  Point p(c);
  OneCrack(c, p, kCrOpening, 0.0, kFt, 0.0);
  p.R111().Cr.CrGf[1] = 0.06075;
  const CrackParams prm = CrackParamsOf(kModel111, c.m);
  ActiveCracks a;
  AssignActCrData_NLMM111(1, p.R111().Cr, &a);
  Mat T(3, 6), De(6, 6);
  Dco(c, De);
  CalcMat_Tcr_3D(1, T.A, a.dir, nullptr);
  const double dEps[7] = {0, 5e-5, 0, 0, 0, 0, 0};
  double sigma[7] = {0, kFt, 0, 0, 0, 0, 0};
  double rhoMin = 0.0;
  char valid = 1;
  const AcceptedResidual rec{&p.R111().Cr.PointTolerance, &p.R111().Cr.PointByteC};
  EXPECT_FALSE(CalcDeltaStressIterAlgor02(prm, kAt, a, T.A, De.A, dEps, sigma, &rhoMin, 0, &valid, rec));
  EXPECT_EQ(valid, 1);
  EXPECT_GT(rhoMin, 1e-3);
  EXPECT_EQ(sigma[1], kFt);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(CalcDeltaStressIterAlgor02(prm, kAt, a, T.A, De.A, dEps, sigma, &rhoMin, 1, &valid, rec));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(p.R111().Cr.PointTolerance, rhoMin);
  EXPECT_EQ(p.R111().Cr.PointByteC, 1);
  double t[4];
  multd2d1(t, T.A, sigma, 3, 6);
  EXPECT_NEAR(std::fabs(t[1] - a.s[1]) / kFt, rhoMin, 1e-12);
  char line[64];
  std::snprintf(line, sizeof line, "   -> Resid: %-16.8le", rhoMin);
  EXPECT_NE(err.find("WARNING:"), std::string::npos) << err;
  EXPECT_NE(err.find("   -> Combination: 2\n   -> Element: 7\n   -> Sampling point: 3\n"), std::string::npos) << err;
  EXPECT_NE(err.find(line), std::string::npos) << err;
  std::ifstream in("ConvergenceAssumed.lpt");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Internal stress equation - convergence assumed\n"), std::string::npos);
  FreeActiveCracks(&a);
  ASSERT_EQ(chdir(here), 0);
  RemoveDirectory(dir);
}

// ---- the sampling point ---------------------------------------------------------------------

// Uncracked: the elastic stress up to the tensile strength (a trial stress equal to it
// stays elastic); beyond it the point asks for the crack update and its record is left
// as it was.
TEST(SolidCrackPoint, ElasticUpToTheTensileStrength) {
  for (int code : {MAT_NLMM111, MAT_NLMM102}) {
    CrackMat c = S1(code);
    const double dEps = 1e-4;
    c.Set(69, kE * dEps);  // the trial stress exactly
    matdriver::ContinuumPoint pt(code, _SOLID_HEXA, c.m);
    std::vector<double> de = {0.5 * dEps, 0, 0, 0, 0, 0};
    const std::vector<bool> held(6, false);
    pt.Step(de, held);
    de[0] = 0.5 * dEps;
    const std::vector<double> s = pt.Step(de, held);
    EXPECT_EQ(s[0], kE * dEps) << code;
    EXPECT_NEAR(pt.Work(), 0.5 * kE * dEps * dEps, 1e-15);
    const std::vector<double> D = pt.Tangent();
    EXPECT_EQ(D[0], kE);
    EXPECT_EQ(D[35], kG);
    if (code == MAT_NLMM111) {
      EXPECT_EQ(pt.Record<NLMM111_HD>().StrainAux[1], 0.5 * kE * dEps);
      EXPECT_EQ(pt.Record<NLMM111_HD>().Strain[1], dEps);
    }

    // One step further: the crack update is asked for, the record untouched.
    Mat De(6, 6);
    Dco(c, De);
    const double more[7] = {0, 1e-9, 0, 0, 0, 0, 0};
    const int slot = NlmmSlotOfCode(code);
    const RecordOps& ops = *RecordOpsOfSlot(slot);
    void* before = std::calloc(1, ops.size);
    ops.init(before);
    ops.copy(before, &pt.Record<char>());
    UncrackedTrial trial;
    const bool crack = code == MAT_NLMM111
                           ? CheckUncrackedElastic_NLMM111(kAt, c.m, pt.Record<NLMM111_HD>(), De.A, more, &trial)
                           : CheckUncrackedElastic_NLMM102(kAt, c.m, pt.Record<NLMM101_HD>(), De.A, more, &trial);
    EXPECT_TRUE(crack);
    EXPECT_TRUE(matdriver::SameRecord(slot, before, &pt.Record<char>()));
    ops.release(before);
    std::free(before);
    // Past it the crack forms at the strength and softens (slope E Dcr / (E + Dcr) of the
    // first branch, Dcr = -10800): the stress falls below it.
    const double past = pt.TrialStress({0.5 * dEps + 1e-6, 0, 0, 0, 0, 0})[0];
    EXPECT_NEAR(past, kE * dEps - 16875.0 * 1e-6, 1e-6);
  }
}

TEST(SolidCrackPoint, TangentByPointStatus) {
  const CrackMat c = S1();
  Point p(c);
  OneCrack(c, p, kCrClosed, 0.0, 0.0, 1e-4);
  Mat D(6, 6);
  p.R111().PointStatus = 3;
  EXPECT_DEATH(Tangent(c, p, D), kInternal);
}
