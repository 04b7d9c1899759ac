// Element area and volume with the share of each integration point (crack band width).
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "support/hand_mesh.h"

namespace {

// Hexahedron of corners (0..a) x (0..b) x (0..c); `top` moves node 7.
int AddBox(HandMesh& h, double a, double b, double c, int prop, double top = 0.0) {
  const int p1 = h.AddPoint(0, 0, 0), p2 = h.AddPoint(a, 0, 0), p3 = h.AddPoint(a, b, 0), p4 = h.AddPoint(0, b, 0);
  const int p5 = h.AddPoint(0, 0, c), p6 = h.AddPoint(a, 0, c), p7 = h.AddPoint(a + top, b + top, c + top),
            p8 = h.AddPoint(0, b, c);
  return h.AddElement({p1, p2, p3, p4, p5, p6, p7, p8}, prop);
}

}  // namespace

TEST(ElementSizes, CubeAndSquareSharesAndBandWidths) {
  HandMesh h;
  const int hex = h.AddProperty(_SOLID_HEXA, MAT_LIN_ISO, 1, 0, 0);
  const int quad = h.AddProperty(_PLANE_STRESS_QUAD, MAT_LIN_ISO, 1, 0, 0);
  const int e1 = AddBox(h, 100, 100, 100, hex);
  const int q1 = h.AddPoint(0, 0, 0), q2 = h.AddPoint(100, 0, 0), q3 = h.AddPoint(100, 100, 0),
            q4 = h.AddPoint(0, 100, 0);
  const int e2 = h.AddElement({q1, q2, q3, q4}, quad);
  const MeshData* m = h.Build();
  for (int k = 1; k <= 8; k++) {
    double v, s;
    CalcElementSizeOfPoint(m, e1, hex, k, &v, &s);
    EXPECT_NEAR(v, 1e6, 1e-6);
    EXPECT_NEAR(s, 1e6, 1e-6);  // every point cracks with the others
    EXPECT_NEAR(std::cbrt(v), 100.0, 1e-9);  // option 2
    EXPECT_NEAR(std::cbrt(s), 100.0, 1e-9);  // option 3
  }
  for (int k = 1; k <= 4; k++) {
    double a, s;
    CalcElementSizeOfPoint(m, e2, quad, k, &a, &s);
    EXPECT_NEAR(a, 1e4, 1e-8);
    EXPECT_NEAR(std::sqrt(s), 100.0, 1e-12);
  }
  double a, s;
  EXPECT_DEATH(CalcElementSizeOfPoint(m, e2, quad, 5, &a, &s), "INTERNAL ERROR");
}

// A flat 8-node Ahmad shell of 100 x 100 in a tilted plane: with the 3 x 3 points of the
// shell's default rule a crack opens an outer and the middle row together, so every
// point's share, and the part of the mid-surface area that the band of the element
// takes, is the square of the two rows, (13/18 100)^2.
TEST(ElementSizes, FlatLayeredAhmadShellMidSurface) {
  HandMesh h;
  const int prop = h.AddProperty(_AHMAD_SHELL_QUAD, MAT_LAY_PATT, 1, 0, 0);
  const double c = std::sqrt(0.5);
  auto P = [&](double u, double v) { return h.AddPoint(u * c, v, u * c); };  // plane x = z
  const int e = h.AddElement({P(0, 0), P(50, 0), P(100, 0), P(100, 50), P(100, 100), P(50, 100), P(0, 100), P(0, 50)},
                             prop);
  const MeshData* m = h.Build();
  double area = 0, s;
  for (int k = 1; k <= 9; k++) {
    CalcElementSizeOfPoint(m, e, prop, k, &area, &s);
    EXPECT_NEAR(std::sqrt(s), 1300.0 / 18.0, 1e-9);
  }
  EXPECT_NEAR(std::sqrt(area), 1300.0 / 18.0, 1e-9);
}

// The natural width of the region that cracks with a point: the whole element (2) on
// linear elements; on quadratic ones its own weight with two points, the outer and the
// middle rows with three. The fraction of the element's width it covers.
TEST(ElementSizes, CrackZoneOfAPoint) {
  const double w2[3] = {0.0, 1.0, 1.0}, w3[4] = {0.0, 5.0 / 9.0, 8.0 / 9.0, 5.0 / 9.0};
  for (const auto& [dim, n] : {std::pair{2, 8}, std::pair{2, 9}, std::pair{3, 20}}) {
    EXPECT_EQ(CrackZoneWeight(dim, n, 2, w2, 2), 1.0);
    for (int i = 1; i <= 3; i++) EXPECT_NEAR(CrackZoneWeight(dim, n, 3, w3, i), 13.0 / 9.0, 1e-15);
    // Equal openings: an outer row takes half the element, the middle row (half its
    // crack strain) the whole; two points keep their own weight.
    EXPECT_NEAR(CrackOpeningWeight(dim, n, 3, w3, 1), 1.0, 1e-15);
    EXPECT_NEAR(CrackOpeningWeight(dim, n, 3, w3, 2), 2.0, 1e-15);
    EXPECT_NEAR(CrackOpeningWeight(dim, n, 3, w3, 3), 1.0, 1e-15);
    EXPECT_EQ(CrackOpeningWeight(dim, n, 2, w2, 2), 1.0);
  }
  EXPECT_EQ(CrackOpeningWeight(3, 8, 3, w3, 2), 2.0);
  for (const auto& [dim, n] : {std::pair{2, 4}, std::pair{3, 8}})  // bilinear, trilinear
    for (int i = 1; i <= 3; i++) {
      EXPECT_EQ(CrackZoneWeight(dim, n, 3, w3, i), 2.0);
      EXPECT_EQ(CrackZoneWeight(dim, n, 2, w2, 1), 2.0);
    }
  const double whole[4] = {0.0, 2.0, 2.0, 2.0}, half[4] = {0.0, 1.0, 1.0, 1.0},
               rows[4] = {0.0, 13.0 / 9.0, 13.0 / 9.0, 13.0 / 9.0};
  for (int dim : {2, 3}) {
    EXPECT_EQ(CrackZoneFraction(dim, whole), 1.0);
    EXPECT_NEAR(CrackZoneFraction(dim, half), 0.5, 1e-15);
    EXPECT_NEAR(CrackZoneFraction(dim, rows), 13.0 / 18.0, 1e-15);
  }
}

// A distorted hexahedron: every point cracks with the others, its share is the element
// measured by the point's own Jacobian; the shares differ from point to point and their
// mean is the exact volume (a 3 x 3 x 3 rule gives the same volume: det J of a trilinear
// map is integrated exactly by both).
TEST(ElementSizes, DistortedHexahedronSharesAddUpToItsVolume) {
  HandMesh h;
  const int r2 = h.AddProperty(_SOLID_HEXA, MAT_LIN_ISO, 1, 0, 0);
  const int g3 = h.AddIntegration({3, 3, 3});
  const int r3 = h.AddProperty(_SOLID_HEXA, MAT_LIN_ISO, 1, 0, 0, 1, g3);
  const int e = AddBox(h, 2, 1, 1, r2, 0.5);
  const MeshData* m = h.Build();
  double sum = 0, v2 = 0, v3 = 0, s, smin = 1e9, smax = 0;
  for (int k = 1; k <= 8; k++) {
    CalcElementSizeOfPoint(m, e, r2, k, &v2, &s);
    sum += s;
    smin = std::min(smin, s);
    smax = std::max(smax, s);
  }
  CalcElementSizeOfPoint(m, e, r3, 1, &v3, &s);
  EXPECT_NEAR(sum / 8.0, v2, 1e-12);
  EXPECT_NEAR(v2, v3, 1e-12);
  EXPECT_GT(v2, 2.0);
  EXPECT_GT(smax - smin, 0.01);
  // The point nearest the moved corner (point 8 at +,+,+) is the largest.
  double s8;
  CalcElementSizeOfPoint(m, e, r2, 8, &v2, &s8);
  EXPECT_EQ(s8, smax);
}

// The same distorted box in millimetres and in metres: volumes and point shares scale
// by 1e-9, the band across the crack by 1e-3 - no null Jacobian for a millimetre element.
TEST(ElementSizes, MillimetreElementInMetres) {
  double v[2], share[2], band[2];
  for (int u = 0; u < 2; u++) {
    const double f = u == 0 ? 1.0 : 1e-3;
    HandMesh h;
    const int prop = h.AddProperty(_SOLID_HEXA, MAT_LIN_ISO, 1, 0, 0);
    const int e = AddBox(h, 2 * f, f, f, prop, 0.5 * f);
    const MeshData* m = h.Build();
    CalcElementSizeOfPoint(m, e, prop, 8, &v[u], &share[u]);
    double** X;
    allocd2(&X, 8, 3);
    CalcMat_ElemNodeCoordXYZ(e, 8, m->ElemNodes, X, m->PointCoord);
    const double g = 1.0 / std::sqrt(3.0), sp[4] = {0, g, -g, g}, extent[4] = {0, 1, 1, 1}, nx[4] = {0, 1, 0, 0};
    const OliverPointContext at{1, 1, e, 7, "_NLMM111"};
    band[u] = CalcCrBandWidthOliverIP(at, 8, sp, X, nx, extent);
    freed2(X);
  }
  EXPECT_NEAR(v[1], 1e-9 * v[0], 1e-12 * v[1]);
  EXPECT_NEAR(share[1], 1e-9 * share[0], 1e-12 * share[1]);
  EXPECT_NEAR(band[1], 1e-3 * band[0], 1e-12 * band[1]);
}

TEST(ElementSizes, RefusedRules) {
  HandMesh h;
  const int glob = h.AddProperty(_SOLID_HEXA, MAT_LIN_ISO, 1, 0, 0, 2, 0);
  const int e = AddBox(h, 1, 1, 1, glob);
  const MeshData* m = h.Build();
  double v, s;
  EXPECT_EXIT(CalcElementSizeOfPoint(m, e, glob, 1, &v, &s), testing::ExitedWithCode(1),
              "Calculating the volume of an element:\n   -> Elem. prop. counter: 1\n   -> Element: 1\n"
              "   -> Integration type: _GLOB\n\nERROR:\nInvalid integration type.\nIntegration type must be _GLEG.");
}

namespace {

// Cartesian derivatives of a box hexahedron at its centre.
double Oliver(HandMesh& h, int e, const double* normal) {
  const MeshData* m = h.Build();
  double **X, **dN, **J, **Jinv, **g;
  allocd2(&X, 8, 3);
  allocd2(&dN, 8, 3);
  allocd2(&J, 3, 3);
  allocd2(&Jinv, 3, 3);
  allocd2(&g, 8, 3);
  CalcMat_ElemNodeCoordXYZ(e, 8, m->ElemNodes, X, m->PointCoord);
  const double s[4] = {0, 0.3, -0.2, 0.1};
  CalcShapeFuncDerivSolidHexa(8, dN, s);
  CalcMat_Jacobian(8, 3, 3, X, dN, J);
  EXPECT_TRUE(invertd2(Jinv, J, 3));
  CalcCartesianDeriv(8, 3, dN, Jinv, g);
  const double hw = CalcCrBandWidthOliver(8, g, X, normal);
  freed2(g);
  freed2(Jinv);
  freed2(J);
  freed2(dN);
  freed2(X);
  return hw;
}

}  // namespace

// The band is the extent of the element across the crack: 1 for a unit cube cracked
// normal to x, its diagonal sqrt(2) for the normal (1, 1, 0)/sqrt(2), 2 for a 2 x 1 x 1
// box; at the point level a sub-element of half the size gives half the band.
TEST(OliverBand, ExtentAcrossTheCrack) {
  HandMesh h;
  const int prop = h.AddProperty(_SOLID_HEXA, MAT_LIN_ISO, 1, 0, 0);
  const int cube = AddBox(h, 1, 1, 1, prop);
  const int box = AddBox(h, 2, 1, 1, prop);
  const double c = std::sqrt(0.5);
  const double nx[4] = {0, 1, 0, 0}, nd[4] = {0, c, c, 0}, nz[4] = {0, 0, 0, -1};
  EXPECT_NEAR(Oliver(h, cube, nx), 1.0, 1e-12);
  EXPECT_NEAR(Oliver(h, cube, nd), std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(Oliver(h, cube, nz), 1.0, 1e-12);
  EXPECT_NEAR(Oliver(h, box, nx), 2.0, 1e-12);
  EXPECT_NEAR(Oliver(h, box, nz), 1.0, 1e-12);

  const MeshData* m = h.Build();
  double** X;
  allocd2(&X, 8, 3);
  CalcMat_ElemNodeCoordXYZ(cube, 8, m->ElemNodes, X, m->PointCoord);
  const double g = 1.0 / std::sqrt(3.0), sp[4] = {0, g, -g, g}, extent[4] = {0, 1, 1, 1};
  const OliverPointContext at{1, 2, cube, 7, "_NLMM111"};
  EXPECT_NEAR(CalcCrBandWidthOliverIP(at, 8, sp, X, nx, extent), 0.5, 1e-12);
  EXPECT_NEAR(CalcCrBandWidthOliverIP(at, 8, sp, X, nd, extent), 0.5 * std::sqrt(2.0), 1e-12);
  const double flat[4] = {0, 1, 1, 0};
  EXPECT_EXIT(CalcCrBandWidthOliverIP(at, 8, sp, X, nx, flat), testing::ExitedWithCode(1),
              "at the integration point level\n   -> Combination: 1\n   -> Iteration: 2\n   -> Element: 1\n"
              "   -> Sampling point: 7\n   -> Nonlinear material model: _NLMM111\n\nERROR:\n"
              "Jacobian determinant is null:");
  freed2(X);
}

// The quadrilateral: a unit square cracked at 0 has the band 1, at pi/4 its diagonal
// sqrt(2) (the step, 1/2 on the two nodes on the crack plane, is (x + y) / 2 with the
// gradient 1 / sqrt(2) along the normal), a 2 x 1 rectangle 2 across x and 1 across y; a
// parallelogram leaning by 0.3 (x += 0.3 y) crossed along its axis its width 1, not its
// projection 1.3; at the point level with the natural extent 1 the sub-element has half
// the size; 5 nodes are refused.
TEST(OliverBand, QuadrilateralExtentAcrossTheCrack) {
  const double pi = 3.141592653589793;
  double **X, **dN, **J, **Jinv, **g;
  allocd2(&X, 4, 2);
  allocd2(&dN, 4, 2);
  allocd2(&J, 2, 2);
  allocd2(&Jinv, 2, 2);
  allocd2(&g, 4, 2);
  const double xy[5][2] = {{0, 0}, {0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const auto band = [&](double width, double theta, double lean = 0.0) {
    for (int i = 1; i <= 4; i++) {
      X[i][1] = width * xy[i][0] + lean * xy[i][1];
      X[i][2] = xy[i][1];
    }
    const double s[3] = {0, 0.3, -0.6};
    CalcShapeFuncDerivQuad(4, dN, s);
    CalcMat_Jacobian(4, 2, 2, X, dN, J);
    EXPECT_TRUE(invertd2(Jinv, J, 2));
    CalcCartesianDeriv(4, 2, dN, Jinv, g);
    return CalcCrBandWidthOliverQuad(4, g, X, theta);
  };
  EXPECT_NEAR(band(1, 0.0), 1.0, 1e-12);
  EXPECT_NEAR(band(1, pi / 4), std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(band(2, 0.0), 2.0, 1e-12);
  EXPECT_NEAR(band(2, pi / 2), 1.0, 1e-12);
  EXPECT_NEAR(band(1, 0.0, 0.3), 1.0, 1e-12);
  EXPECT_NEAR(band(1, 0.0, -0.3), 1.0, 1e-12);

  band(1, 0.0);
  const double c = 1.0 / std::sqrt(3.0), sp[3] = {0, c, -c}, extent[3] = {0, 1, 1};
  const OliverPointContext at{1, 2, 5, 3, "_NLMM104"};
  EXPECT_NEAR(CalcCrBandWidthOliverQuadIP(at, 4, sp, X, 0.0, extent), 0.5, 1e-12);
  EXPECT_NEAR(CalcCrBandWidthOliverQuadIP(at, 4, sp, X, pi / 4, extent), 0.5 * std::sqrt(2.0), 1e-12);
  const double flat[3] = {0, 1, 0};
  EXPECT_EXIT(CalcCrBandWidthOliverQuadIP(at, 4, sp, X, 0.0, flat), testing::ExitedWithCode(1),
              "   -> Sampling point: 3\n   -> Nonlinear material model: _NLMM104\n\nERROR:\n"
              "Jacobian determinant is null:");
  EXPECT_DEATH(CalcCrBandWidthOliverQuadIP(at, 5, sp, X, 0.0, extent), "INTERNAL ERROR");
  freed2(g);
  freed2(Jinv);
  freed2(J);
  freed2(dN);
  freed2(X);
}

// Quadratic elements take the width of their corners: a parallelogram leaning by 0.3
// (x += 0.3 y) of 8 or 9 nodes, or a 20-node hexahedron leaning so, crossed along its
// axis has the band 1 at every point of the 3 x 3 (x 3) rule, as the linear element; a
// step of the mid-side nodes by their own side gave a band that varied from point to point
// without bound. Unleaning, the crack at pi/4 across the square gives its diagonal.
TEST(OliverBand, LeaningQuadraticElementsTakeTheWidthOfTheirCorners) {
  const double a = std::sqrt(0.6), pts[3] = {-a, 0.0, a}, pi = 3.141592653589793;
  for (int n : {8, 9, 20}) {
    SCOPED_TRACE(n);
    const int dim = n == 20 ? 3 : 2;
    double **S, **X, **dN, **J, **Jinv, **g;
    allocd2(&S, n, dim);
    allocd2(&X, n, dim);
    allocd2(&dN, n, dim);
    allocd2(&J, dim, dim);
    allocd2(&Jinv, dim, dim);
    allocd2(&g, n, dim);
    if (dim == 3)
      CalcNatCoordSolidHexa(n, S);
    else
      CalcNatCoord(n, S);
    for (double lean : {0.0, 0.3, -0.3})
      for (int p = 0; p < (dim == 3 ? 27 : 9); p++) {
        for (int i = 1; i <= n; i++)
          for (int k = 1; k <= dim; k++) X[i][k] = 0.5 * (1.0 + S[i][k]) + (k == 1 ? lean * 0.5 * (1.0 + S[i][2]) : 0.0);
        const double s[4] = {0, pts[p % 3], pts[(p / 3) % 3], pts[p / 9]};
        if (dim == 3)
          CalcShapeFuncDerivSolidHexa(n, dN, s);
        else
          CalcShapeFuncDerivQuad(n, dN, s);
        CalcMat_Jacobian(n, dim, dim, X, dN, J);
        ASSERT_TRUE(invertd2(Jinv, J, dim));
        CalcCartesianDeriv(n, dim, dN, Jinv, g);
        const double nx[4] = {0, 1, 0, 0}, c = std::sqrt(0.5), nd[4] = {0, c, c, 0};
        EXPECT_NEAR(dim == 3 ? CalcCrBandWidthOliver(n, g, X, nx) : CalcCrBandWidthOliverQuad(n, g, X, 0.0), 1.0,
                    1e-12)
            << "lean " << lean << ", point " << p;
        if (lean == 0.0) {
          EXPECT_NEAR(dim == 3 ? CalcCrBandWidthOliver(n, g, X, nd) : CalcCrBandWidthOliverQuad(n, g, X, pi / 4),
                      std::sqrt(2.0), 1e-12);
        }
      }
    freed2(g);
    freed2(Jinv);
    freed2(J);
    freed2(dN);
    freed2(X);
    freed2(S);
  }
}
