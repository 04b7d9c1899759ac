#include <cmath>
#include <vector>

#include "elements/kernel.h"
#include "test_util.h"

namespace {

enum Family { kLine, kQuad, kTriang, kHexa };

// One element shape with the natural coordinates of its nodes, typed from the node table.
struct Shape {
  const char* name;
  Family family;
  int n;
  int dim;
  std::vector<std::vector<double>> nodes;  // nodes[k-1] = {s1, s2, s3}
  int degree;                              // complete polynomial degree reproduced
};

std::vector<Shape> Shapes() {
  return {
      {"line2", kLine, 2, 1, {{-1}, {1}}, 1},
      {"line3", kLine, 3, 1, {{-1}, {0}, {1}}, 2},
      {"quad4", kQuad, 4, 2, {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}, 1},
      {"quad8", kQuad, 8, 2, {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}}, 2},
      {"quad9", kQuad, 9, 2, {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}}, 2},
      {"triang3", kTriang, 3, 2, {{0, 0}, {1, 0}, {0, 1}}, 1},
      {"triang6", kTriang, 6, 2, {{0, 0}, {0.5, 0}, {1, 0}, {0.5, 0.5}, {0, 1}, {0, 0.5}}, 2},
      {"hexa8", kHexa, 8, 3,
       {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}, 1},
      {"hexa20", kHexa, 20, 3,
       {{-1, -1, -1}, {0, -1, -1}, {1, -1, -1}, {1, 0, -1}, {1, 1, -1}, {0, 1, -1}, {-1, 1, -1},
        {-1, 0, -1},  {-1, -1, 0}, {1, -1, 0},  {1, 1, 0},   {-1, 1, 0}, {-1, -1, 1}, {0, -1, 1},
        {1, -1, 1},   {1, 0, 1},   {1, 1, 1},   {0, 1, 1},   {-1, 1, 1}, {-1, 0, 1}},
       2},
  };
}

void EvalN(const Shape& e, const double* s, double* N) {
  switch (e.family) {
    case kLine: CalcShapeFuncLine(e.n, s[1], N); break;
    case kQuad: CalcShapeFuncQuad(e.n, N, s); break;
    case kTriang: CalcShapeFuncTriang(e.n, N, s); break;
    case kHexa: CalcShapeFuncSolidHexa(e.n, N, s); break;
  }
}

void EvalDN(const Shape& e, const double* s, double** dN) {
  switch (e.family) {
    case kLine: {
      double d[4];
      CalcShapeFuncDerivLine(e.n, s[1], d);
      for (int k = 1; k <= e.n; k++) dN[k][1] = d[k];
      break;
    }
    case kQuad: CalcShapeFuncDerivQuad(e.n, dN, s); break;
    case kTriang: CalcShapeFuncDerivTriang(e.n, dN, s); break;
    case kHexa: CalcShapeFuncDerivSolidHexa(e.n, dN, s); break;
  }
}

// Sample points inside each cell (triangle points keep s1 + s2 <= 1).
std::vector<std::vector<double>> Samples(const Shape& e) {
  if (e.family == kTriang) return {{0.1, 0.2}, {0.6, 0.3}, {0.25, 0.05}};
  return {{0.3, -0.7, 0.2}, {-0.45, 0.55, -0.85}, {0.9, 0.1, 0.6}, {0, 0, 0}};
}

// A complete polynomial of the given degree in the natural coordinates.
double Poly(int degree, const double* s) {
  double v = 0.7 - 0.3 * s[1] + 1.1 * s[2] + 0.4 * s[3];
  if (degree >= 2) v += 0.5 * s[1] * s[1] - 0.8 * s[1] * s[2] + 0.9 * s[2] * s[2] + 0.6 * s[2] * s[3] - 0.2 * s[3] * s[3] + 0.3 * s[1] * s[3];
  return v;
}

}  // namespace

TEST(ShapeFunctions, KroneckerAtNodes) {
  for (const Shape& e : Shapes()) {
    SCOPED_TRACE(e.name);
    Vec N(e.n);
    for (int j = 1; j <= e.n; j++) {
      double s[4] = {0, 0, 0, 0};
      for (int c = 0; c < e.dim; c++) s[c + 1] = e.nodes[j - 1][c];
      EvalN(e, s, N);
      for (int k = 1; k <= e.n; k++) EXPECT_NEAR(N[k], k == j ? 1.0 : 0.0, 1e-14) << "node " << j << " N" << k;
    }
  }
}

TEST(ShapeFunctions, PartitionOfUnityAndPolynomialReproduction) {
  for (const Shape& e : Shapes()) {
    SCOPED_TRACE(e.name);
    Vec N(e.n);
    Mat dN(e.n, 3);
    for (auto p : Samples(e)) {
      double s[4] = {0, 0, 0, 0};
      for (int c = 0; c < e.dim; c++) s[c + 1] = p[c];
      EvalN(e, s, N);
      EvalDN(e, s, dN);
      double sum = 0.0, interp = 0.0;
      for (int k = 1; k <= e.n; k++) {
        double sk[4] = {0, 0, 0, 0};
        for (int c = 0; c < e.dim; c++) sk[c + 1] = e.nodes[k - 1][c];
        sum += N[k];
        interp += N[k] * Poly(e.degree, sk);
      }
      EXPECT_NEAR(sum, 1.0, 1e-14);
      EXPECT_NEAR(interp, Poly(e.degree, s), 1e-13);
      for (int c = 1; c <= e.dim; c++) {
        double dsum = 0.0;
        for (int k = 1; k <= e.n; k++) dsum += dN[k][c];
        EXPECT_NEAR(dsum, 0.0, 1e-13);
      }
    }
  }
}

TEST(ShapeFunctions, FirstDerivativesMatchCentralDifferences) {
  const double h = 1e-6;
  for (const Shape& e : Shapes()) {
    SCOPED_TRACE(e.name);
    Vec Np(e.n), Nm(e.n);
    Mat dN(e.n, 3);
    for (auto p : Samples(e)) {
      double s[4] = {0, 0, 0, 0};
      for (int c = 0; c < e.dim; c++) s[c + 1] = p[c];
      EvalDN(e, s, dN);
      for (int c = 1; c <= e.dim; c++) {
        double sp[4], sm[4];
        for (int i = 0; i < 4; i++) sp[i] = sm[i] = s[i];
        sp[c] += h;
        sm[c] -= h;
        EvalN(e, sp, Np);
        EvalN(e, sm, Nm);
        for (int k = 1; k <= e.n; k++) EXPECT_NEAR(dN[k][c], (Np[k] - Nm[k]) / (2 * h), 1e-8) << "N" << k << " d/ds" << c;
      }
    }
  }
}

TEST(ShapeFunctions, SecondDerivativesMatchCentralDifferences) {
  const double h = 1e-5;
  for (int n : {2, 3}) {
    double d2[4], dp[4], dm[4];
    for (double s : {-0.8, 0.1, 0.65}) {
      CalcShapeFuncDeriv2Line(n, s, d2);
      CalcShapeFuncDerivLine(n, s + h, dp);
      CalcShapeFuncDerivLine(n, s - h, dm);
      for (int k = 1; k <= n; k++) EXPECT_NEAR(d2[k], (dp[k] - dm[k]) / (2 * h), 1e-8);
    }
  }
  for (int n : {4, 8, 9}) {
    SCOPED_TRACE(n);
    Vec d11(n), d12(n), d22(n);
    Mat dp(n, 2), dm(n, 2);
    for (auto p : {std::vector<double>{0.3, -0.7}, {-0.45, 0.55}, {0.9, 0.1}}) {
      const double s[3] = {0, p[0], p[1]};
      CalcShapeFuncDeriv2Quad_ds1_ds1(n, d11, s);
      CalcShapeFuncDeriv2Quad_ds1_ds2(n, d12, s);
      CalcShapeFuncDeriv2Quad_ds2_ds2(n, d22, s);
      // d/ds1 of the first derivatives
      double sp[3] = {0, s[1] + h, s[2]}, sm[3] = {0, s[1] - h, s[2]};
      CalcShapeFuncDerivQuad(n, dp, sp);
      CalcShapeFuncDerivQuad(n, dm, sm);
      for (int k = 1; k <= n; k++) {
        EXPECT_NEAR(d11[k], (dp[k][1] - dm[k][1]) / (2 * h), 1e-8);
        EXPECT_NEAR(d12[k], (dp[k][2] - dm[k][2]) / (2 * h), 1e-8);
      }
      double tp[3] = {0, s[1], s[2] + h}, tm[3] = {0, s[1], s[2] - h};
      CalcShapeFuncDerivQuad(n, dp, tp);
      CalcShapeFuncDerivQuad(n, dm, tm);
      for (int k = 1; k <= n; k++) {
        EXPECT_NEAR(d22[k], (dp[k][2] - dm[k][2]) / (2 * h), 1e-8);
        EXPECT_NEAR(d12[k], (dp[k][1] - dm[k][1]) / (2 * h), 1e-8);
      }
    }
  }
}

TEST(ShapeFunctions, QuadEdgeCases) {
  const double c[3] = {0, 0, 0};
  Vec N(4);
  Mat dN(4, 2);
  CalcShapeFuncQuad(4, N, c);
  CalcShapeFuncDerivQuad(4, dN, c);
  const double want[5][2] = {{0, 0}, {-0.25, -0.25}, {0.25, -0.25}, {0.25, 0.25}, {-0.25, 0.25}};
  for (int k = 1; k <= 4; k++) {
    EXPECT_EQ(N[k], 0.25);
    EXPECT_EQ(dN[k][1], want[k][0]);
    EXPECT_EQ(dN[k][2], want[k][1]);
  }
  // Mixed second derivative of the bilinear quadrilateral.
  Vec d12(4);
  const double p[3] = {0, 0.3, -0.2};
  CalcShapeFuncDeriv2Quad_ds1_ds2(4, d12, p);
  EXPECT_EQ(d12[1], 0.25);
  EXPECT_EQ(d12[2], -0.25);
  EXPECT_EQ(d12[3], 0.25);
  EXPECT_EQ(d12[4], -0.25);
  // d2/ds2^2 of the 8- and 9-node quadrilaterals depends on s1 only.
  for (int n : {8, 9}) {
    Vec a(n), b(n);
    const double s1[3] = {0, 0.5, 0.9}, s2[3] = {0, 0.5, -0.3};
    CalcShapeFuncDeriv2Quad_ds2_ds2(n, a, s1);
    CalcShapeFuncDeriv2Quad_ds2_ds2(n, b, s2);
    for (int k = 1; k <= n; k++) EXPECT_EQ(a[k], b[k]);
  }
}

TEST(ShapeFunctions, NatCoord) {
  Mat S(9, 2);
  CalcNatCoord(9, S);
  const double want[10][2] = {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};
  for (int k = 1; k <= 9; k++) {
    EXPECT_EQ(S[k][1], want[k][0]);
    EXPECT_EQ(S[k][2], want[k][1]);
  }
  CalcNatCoord(4, S);
  EXPECT_EQ(S[2][1], 1.0);
  EXPECT_EQ(S[2][2], -1.0);
  EXPECT_EQ(S[4][1], -1.0);
  EXPECT_EQ(S[4][2], 1.0);
}

TEST(ShapeFunctionsDeath, UnservedNodeCounts) {
  Mat M(30, 3);
  Vec v(30);
  const double s[4] = {0, 0, 0, 0};
  EXPECT_EXIT(CalcNatCoord(6, M), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcShapeFuncLine(4, 0.0, v), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcShapeFuncQuad(6, v, s), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcShapeFuncDeriv2Quad_ds1_ds2(5, v, s), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcShapeFuncDerivTriang(4, M, s), testing::ExitedWithCode(1), kInternal);
  EXPECT_EXIT(CalcShapeFuncSolidHexa(27, v, s), testing::ExitedWithCode(1), kInternal);
}
