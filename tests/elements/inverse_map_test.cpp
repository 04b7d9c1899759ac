#include <cmath>

#include "elements/kernel.h"
#include "elements/locate.h"
#include "test_util.h"

namespace {

const char* kFail = "Locating the test point\nERROR:\nIterative process could not be completed.";

// A distorted 4-node quadrilateral in the plane.
void DistortedQuad(Mat& X) {
  const double c[5][2] = {{0, 0}, {0.0, 0.0}, {2.0, 0.3}, {2.4, 1.9}, {-0.2, 1.5}};
  for (int k = 1; k <= 4; k++) {
    X[k][1] = c[k][0];
    X[k][2] = c[k][1];
  }
}

// x(s) of a quadrilateral (X nNodes x dim).
void MapQuad(int nNodes, int dim, const Mat& X, const double* s, double* x) {
  Vec N(nNodes);
  CalcShapeFuncQuad(nNodes, N, s);
  multtd2d1(x, X, N, dim, nNodes);
}

// A flat square of side 2 scale in a tilted plane of 3-D space, centred at c, and the
// point x at (0.3, -0.6) of it and 0.25 scale off its plane.
void TiltedSquare(const double* c, double scale, Mat& X, double* x) {
  const double a[4] = {0, 1.0 / std::sqrt(2.0), 1.0 / std::sqrt(2.0), 0.0};  // in-plane unit axes
  const double b[4] = {0, -0.5, 0.5, 1.0 / std::sqrt(2.0)};
  double n[4];
  crossd1(n, a, b);
  const double corner[5][2] = {{0, 0}, {-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (int k = 1; k <= 4; k++)
    for (int j = 1; j <= 3; j++) X[k][j] = c[j] + scale * (corner[k][0] * a[j] + corner[k][1] * b[j]);
  for (int j = 1; j <= 3; j++) x[j] = c[j] + scale * (0.3 * a[j] - 0.6 * b[j] + 0.25 * n[j]);
}

}  // namespace

TEST(InverseMapping, PlaneQuadrilateralRoundTrips) {
  Mat X(4, 2);
  DistortedQuad(X);
  // The start point itself: no step at all is needed.
  const double s0[3] = {0, 0.1, 0.1};
  double x[3], s[3];
  MapQuad(4, 2, X, s0, x);
  ASSERT_TRUE(Calc_x_to_s_General(10, 0, 2, 4, kFail, s, X, x));
  EXPECT_DOUBLE_EQ(s[1], 0.1);
  EXPECT_DOUBLE_EQ(s[2], 0.1);
  // Any other point needs steps: none allowed fails, a few converge.
  const double s1[3] = {0, 0.7, -0.45};
  MapQuad(4, 2, X, s1, x);
  EXPECT_FALSE(Calc_x_to_s_General(10, 0, 2, 4, kFail, s, X, x));
  ASSERT_TRUE(Calc_x_to_s_General(13, 10000, 2, 4, kFail, s, X, x));
  EXPECT_NEAR(s[1], 0.7, 1e-8);
  EXPECT_NEAR(s[2], -0.45, 1e-8);
  // A node converges in a few Newton steps.
  const double node3[3] = {0, 2.4, 1.9};
  ASSERT_TRUE(Calc_x_to_s_General(10, 6, 2, 4, kFail, s, X, node3));
  EXPECT_NEAR(s[1], 1.0, 1e-9);
  EXPECT_NEAR(s[2], 1.0, 1e-9);
  // A point outside converges too; the inside test is the caller's.
  const double outside[3] = {0, 3.5, 0.9};
  ASSERT_TRUE(Calc_x_to_s_General(10, 10000, 2, 4, kFail, s, X, outside));
  EXPECT_GT(std::fmax(std::fabs(s[1]), std::fabs(s[2])), 1.0);
  double back[3];
  MapQuad(4, 2, X, s, back);
  EXPECT_NEAR(back[1], 3.5, 1e-8);
  EXPECT_NEAR(back[2], 0.9, 1e-8);
}

TEST(InverseMapping, HexahedronRoundTrips) {
  // A skewed 8-node brick.
  const double c[9][3] = {{0, 0, 0}, {0, 0, 0}, {2, 0, 0.1}, {2.2, 1.5, 0}, {0, 1.2, 0},
                          {0.1, 0, 1}, {2, 0.2, 1.3}, {2.1, 1.6, 1.2}, {-0.1, 1.1, 1.1}};
  Mat X(8, 3);
  for (int k = 1; k <= 8; k++)
    for (int j = 1; j <= 3; j++) X[k][j] = c[k][j - 1];
  const double s0[4] = {0, -0.3, 0.8, 0.25};
  Vec N(8);
  CalcShapeFuncSolidHexa(8, N, s0);
  double x[4], s[4];
  multtd2d1(x, X, N, 3, 8);
  ASSERT_TRUE(Calc_x_to_s_General(24, 10000, 3, 8, kFail, s, X, x));
  for (int j = 1; j <= 3; j++) EXPECT_NEAR(s[j], s0[j], 1e-8);
}

TEST(InverseMapping, SurfaceProjectionGivesFootOfPerpendicular) {
  const double c[4] = {0, 1.0, 2.0, 3.0};
  Mat X(4, 3);
  double x[4], s[3], dist;
  TiltedSquare(c, 1.0, X, x);
  ASSERT_TRUE(Calc_x_to_s_Quad(3, 10000, 2, 4, kFail, &dist, s, X, x));
  EXPECT_NEAR(s[1], 0.3, 1e-8);
  EXPECT_NEAR(s[2], -0.6, 1e-8);
  EXPECT_NEAR(dist, 0.25, 1e-8);
  // Converged or not, the distance is the one of the last iterate.
  EXPECT_FALSE(Calc_x_to_s_Quad(3, 0, 2, 4, kFail, &dist, s, X, x));
  double at[4];
  MapQuad(4, 3, X, s, at);
  for (int j = 1; j <= 3; j++) at[j] -= x[j];
  EXPECT_DOUBLE_EQ(dist, normd1(at, 3));
}

TEST(InverseMapping, LineNearestPoint) {
  // Straight 2-node line along x1 in 3-D: the foot of the perpendicular.
  Mat L(2, 3);
  L[1][1] = -1.0;
  L[2][1] = 3.0;
  const double x[4] = {0, 2.0, 0.3, -0.4};
  double s, dist;
  ASSERT_TRUE(Calc_x_to_s_Line(3, 10000, 2, &s, &dist, kFail, L, x));
  EXPECT_NEAR(s, 0.5, 1e-9);
  EXPECT_NEAR(dist, 0.5, 1e-9);
  // Curved 3-node arc in the plane: a point on the curve is found exactly.
  Mat C(3, 2);
  C[1][1] = -1.0;
  C[2][2] = 0.5;
  C[3][1] = 1.0;
  const double sc = -0.35;
  Vec N(3);
  CalcShapeFuncLine(3, sc, N);
  double y[3];
  multtd2d1(y, C, N, 2, 3);
  ASSERT_TRUE(Calc_x_to_s_Line(2, 10000, 3, &s, &dist, kFail, C, y));
  EXPECT_NEAR(s, sc, 1e-8);
  EXPECT_NEAR(dist, 0.0, 1e-8);
}

TEST(InverseMappingDeath, SingularStepStopsWithTheCallersText) {
  // Nodes 2 and 3 coincide with 1 and 4: the element has no extent along s1.
  Mat X(4, 2);
  X[3][2] = X[4][2] = 1.0;
  const double x[3] = {0, 0.5, 0.5};
  double s[3];
  EXPECT_EXIT(Calc_x_to_s_General(10, 10000, 2, 4, kFail, s, X, x), testing::ExitedWithCode(1),
              "^" + Lit(std::string("\n") + kFail + "\n\n") + "$");
  Mat S(4, 3);
  S[3][2] = S[4][2] = 1.0;
  const double y[4] = {0, 0.5, 0.5, 1.0};
  double dist;
  EXPECT_EXIT(Calc_x_to_s_Quad(3, 10000, 2, 4, kFail, &dist, s, S, y), testing::ExitedWithCode(1), Lit(kFail));
  // A 3-node line folded back on itself (x = s^2): at the start point the curvature
  // cancels t.t exactly for this target, so no Newton step exists.
  Mat P(3, 2);
  P[1][1] = P[3][1] = 1.0;
  const double z[3] = {0, 0.03, 0.0};
  EXPECT_EXIT(Calc_x_to_s_Line(2, 10000, 3, s, &dist, kFail, P, z), testing::ExitedWithCode(1), Lit(kFail));
  // The General variant serves quadrilaterals and hexahedra only.
  EXPECT_EXIT(Calc_x_to_s_General(1, 10000, 2, 4, kFail, s, X, x), testing::ExitedWithCode(1), kInternal);
}

// Survey coordinates in millimetres: the elements above, scaled by 1000 and moved to 1e8
// from the origin, give the same natural coordinates (the residual is measured relative
// to the element's size, on coordinates taken from its first node).
TEST(InverseMapping, ModelsFarFromTheOriginAndInOtherUnits) {
  const double scale = 1000.0, shift[4] = {0, 1e8, -2e8, 3e8};
  auto place = [&](Mat& X, int n, int dim) {
    for (int k = 1; k <= n; k++)
      for (int j = 1; j <= dim; j++) X[k][j] = shift[j] + scale * X[k][j];
  };
  {
    Mat X(4, 2);
    DistortedQuad(X);
    place(X, 4, 2);
    const double s0[3] = {0, 0.7, -0.45};
    double x[3], s[3];
    MapQuad(4, 2, X, s0, x);
    ASSERT_TRUE(Calc_x_to_s_General(10, 100, 2, 4, kFail, s, X, x));
    EXPECT_NEAR(s[1], 0.7, 1e-8);
    EXPECT_NEAR(s[2], -0.45, 1e-8);
  }
  {
    Mat X(4, 3);
    double x[4], s[3], dist;
    TiltedSquare(shift, scale, X, x);
    ASSERT_TRUE(Calc_x_to_s_Quad(3, 100, 2, 4, kFail, &dist, s, X, x));
    EXPECT_NEAR(s[1], 0.3, 1e-8);
    EXPECT_NEAR(s[2], -0.6, 1e-8);
    EXPECT_NEAR(dist / (0.25 * scale), 1.0, 1e-8);
  }
  {
    Mat C(3, 2);
    C[1][1] = -1.0;
    C[2][2] = 0.5;
    C[3][1] = 1.0;
    place(C, 3, 2);
    const double sc = -0.35;
    Vec N(3);
    CalcShapeFuncLine(3, sc, N);
    double y[3], s, dist;
    multtd2d1(y, C, N, 2, 3);
    ASSERT_TRUE(Calc_x_to_s_Line(2, 100, 3, &s, &dist, kFail, C, y));
    EXPECT_NEAR(s, sc, 1e-8);
    EXPECT_LT(dist, 1e-8 * scale);
  }
}
