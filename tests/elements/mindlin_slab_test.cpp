// Mindlin slab: element stiffness properties, nodal thicknesses and the messages.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "elements/shell_solid.h"
#include "shell_solid_util.h"
#include "test_util.h"

TEST(MindlinSlab, SymmetricWithTheThreeRigidModesAsNullSpace) {
  for (int nn : {4, 8, 9}) {
    HandMesh h;
    const int rule = h.AddIntegration({0, 0, 0}, {0, 0, 0}, {3, 3, 0}, {3, 3, 0});
    const int prop = h.AddProperty(18, MAT_LIN_ISO, h.AddIso(1e4, 0.3), GEOM_LAM_THICK, h.AddThickness(0.2), 1,
                                   nn == 4 ? 0 : rule);
    const int e = Quad(h, nn, kPara, prop);
    h.Build();
    Sq K(3 * nn);
    ElementStiffness(h, e, K.a, Flags());
    ExpectSymmetric(K.a, 3 * nn);
    EXPECT_EQ(Nullity(K.a, 3 * nn), 3) << nn;
    // w = 1; theta1 = a with w = a x2; theta2 = b with w = -b x1.
    using V3 = std::array<double, 3>;
    EXPECT_LT(ResidualOf(K.a, SlabField(h, e, [](double, double) { return V3{1, 0, 0}; })), 1e-13);
    EXPECT_LT(ResidualOf(K.a, SlabField(h, e, [](double, double y) { return V3{0.3 * y, 0.3, 0}; })), 1e-13);
    EXPECT_LT(ResidualOf(K.a, SlabField(h, e, [](double x, double) { return V3{-0.2 * x, 0, 0.2}; })), 1e-13);
  }
}

TEST(MindlinSlab, ConstantCurvatureAndShearMeasureTheArea) {
  // Parallelogram of 8 nodes, E = 1000, nu = 0.25, t = 0.3. Bending state theta2 = k x1,
  // w = -k x1^2 / 2 (no shear); shear state w = g x1.
  const double E = 1000.0, nu = 0.25, t = 0.3, k = 0.01, g = 0.02;
  HandMesh h;
  const int rule = h.AddIntegration({0, 0, 0}, {0, 0, 0}, {3, 3, 0}, {2, 2, 0});
  const int prop = h.AddProperty(18, MAT_LIN_ISO, h.AddIso(E, nu), GEOM_LAM_THICK, h.AddThickness(t), 1, rule);
  const int e = Quad(h, 8, kPara, prop);
  h.Build();
  Sq K(24);
  ElementStiffness(h, e, K.a, Flags());
  using V3 = std::array<double, 3>;
  const double bend = Energy(K.a, SlabField(h, e, [&](double x, double) { return V3{-k * x * x / 2, 0, k * x}; }));
  EXPECT_NEAR(bend, E / (1 - nu * nu) * t * t * t / 12 * k * k * kParaArea, 1e-13);
  const double shear = Energy(K.a, SlabField(h, e, [&](double x, double) { return V3{g * x, 0, 0}; }));
  EXPECT_NEAR(shear, E / (2.4 * (1 + nu)) * t * g * g * kParaArea, 1e-13);
}

TEST(MindlinSlab, NodalThicknessesVaryOverTheElement) {
  // Rectangle [0, 2] x [0, 1] with t = 0.1 + 0.05 x1 from a geometry pattern: the bending
  // term integrates t^3 (0.0075) and the shear term t (0.3).
  HandMesh h;
  const int t1 = h.AddThickness(0.1), t2 = h.AddThickness(0.2);
  const int pat = h.AddThicknessPattern({t1, t2, t2, t1});
  const int prop = h.AddProperty(18, MAT_LIN_ISO, h.AddIso(1.0, 0.0), GEOM_PATT, pat);
  const int e = Quad(h, 4, {{0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}, prop);
  h.Build();
  Sq K(12);
  ElementStiffness(h, e, K.a, Flags());
  using V3 = std::array<double, 3>;
  // theta2 = x1 with w = -x1^2/2 is not in the 4-node space; theta2 = 1 alone has
  // curvature 0 and shear 1: energy 1/2.4 * 0.3. Curvature chi12 from theta1 = x1: the
  // shear gamma23 = -theta1 enters as well.
  EXPECT_NEAR(Energy(K.a, SlabField(h, e, [](double, double) { return V3{0, 0, 1}; })), 0.3 / 2.4, 1e-14);
  const double twist = Energy(K.a, SlabField(h, e, [](double x, double) { return V3{0, x, 0}; }));
  // chi12 = -1 (D33 = 0.5): 0.5 * 0.0075 / 12; gamma23 = -x1 at the 2 x 2 shear points.
  const double a = 1.0 / std::sqrt(3.0);
  double shear = 0.0;
  for (double s : {-a, a}) {
    const double x = 1.0 + s, tt = 0.1 + 0.05 * x;
    shear += x * x * tt * 1.0 * 0.5;  // weight 1 x 1, det J = 0.5
  }
  EXPECT_NEAR(twist, 0.5 * 0.0075 / 12 + 2 * shear / 2.4, 1e-14);
}

TEST(MindlinSlabDeath, JacobianMaterialAndPoisson) {
  HandMesh h;
  const int th = h.AddThickness(0.1);
  const int prop = h.AddProperty(18, MAT_LIN_ISO, h.AddIso(1.0, 0.3), GEOM_LAM_THICK, th);
  const int eCw = Quad(h, 4, {{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}, prop);
  const int eLine = Quad(h, 4, {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, prop);
  const int eKind = Quad(h, 4, kPara, h.AddProperty(18, MAT_LIN_ORTHO, h.AddOrtho(1, 1, 1, 1, 1, 1, 0, 0, 0, 0),
                                                   GEOM_LAM_THICK, th));
  const int eNu = Quad(h, 4, kPara, h.AddProperty(18, MAT_LIN_ISO, h.AddIso(1.0, 1.0), GEOM_LAM_THICK, th));
  const int eGeom = Quad(h, 4, kPara, h.AddProperty(18, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  h.Build();
  Sq K(12);
  EXPECT_EXIT(ElementStiffness(h, eCw, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nCalculating the stiffness matrix of element n. 1\n\nERROR:\nJacobian determinant (bending) is "
                  "negative:\nelement geometry and/or mesh connectivity must be changed.\n"));
  EXPECT_EXIT(ElementStiffness(h, eLine, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("element n. 2\n\nERROR:\nJacobian determinant (bending) is null:\n"));
  EXPECT_EXIT(ElementStiffness(h, eKind, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nERROR:\nMindlin slab element: invalid material type.\n"));
  EXPECT_EXIT(ElementStiffness(h, eNu, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nERROR:\nMindlin slab element: Poisson's coefficient must be greater than -1\nand less than 1.\n"));
  EXPECT_EXIT(ElementStiffness(h, eGeom, K.a, Flags()), testing::ExitedWithCode(1),
              Lit("\nReading the thickness of element property record n. 4\n\nERROR:\nSlab and shell elements take "
                  "their thickness from\n_LAM_THICK or _GEOM_PATT records.\n"));
}
