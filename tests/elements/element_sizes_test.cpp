// Element area and volume with the share of each integration point (crack band width).
#include <gtest/gtest.h>

#include <cmath>

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
    EXPECT_NEAR(s, 125000.0, 1e-6);
    EXPECT_NEAR(std::cbrt(v), 100.0, 1e-9);  // option 2
    EXPECT_NEAR(std::cbrt(s), 50.0, 1e-9);   // option 3
  }
  for (int k = 1; k <= 4; k++) {
    double a, s;
    CalcElementSizeOfPoint(m, e2, quad, k, &a, &s);
    EXPECT_NEAR(a, 1e4, 1e-8);
    EXPECT_NEAR(std::sqrt(s), 50.0, 1e-12);
  }
  double a, s;
  EXPECT_DEATH(CalcElementSizeOfPoint(m, e2, quad, 5, &a, &s), "INTERNAL ERROR");
}

// A distorted hexahedron: the shares differ from point to point and add up to the exact
// volume (a 3 x 3 x 3 rule gives the same total: det J of a trilinear map is integrated
// exactly by both); each point's band is the cube root of its own share.
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
  EXPECT_NEAR(sum, v2, 1e-12);
  EXPECT_NEAR(v2, v3, 1e-12);
  EXPECT_GT(v2, 2.0);
  EXPECT_GT(smax - smin, 0.01);
  // The point nearest the moved corner (direction 3 fastest: point 8 at +,+,+) is the largest.
  double s8;
  CalcElementSizeOfPoint(m, e, r2, 8, &v2, &s8);
  EXPECT_EQ(s8, smax);
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
