// Gravity loads of the Mindlin slab, the Mindlin shell and the Ahmad shell.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "loads/load_kernel.h"
#include "shell_fixture.h"
#include "support/hand_mesh.h"

namespace {

std::vector<double> Gravity(HandMesh& h, int e, double rho, const double* g, const LoadCaseParameters& P) {
  const int type = h.props[h.elemProp[e]].ElementType, n = h.nodeCount[e], prop = h.elemProp[e];
  std::vector<double> Fe(6 * n + 1, 0.0);
  const auto& m = h.m;
  switch (type) {
    case 18:
      Calc_Fg_GravityLoadMindlinSlabQuad(6 * n, e, 2, n, prop, rho, &P, &m, Fe.data(), g);
      break;
    case 20:
      Calc_Fg_GravityLoadMindlinShellQuad(6 * n, e, 2, n, prop, rho, Flags(), &P, &m, Fe.data(), g);
      break;
    default:
      Calc_Fg_GravityLoadAhmadShellQuad(6 * n, e, 2, n, prop, rho, Flags(), &P, &m, h.ElemPropIndex(), Fe.data(), g,
                                        h.PointTypes(), h.adj);
  }
  return Fe;
}

LoadCaseParameters Gleg(int name = 0) {
  LoadCaseParameters P{};
  P.IntegrationType = 1;
  P.IntegrationName = name;
  return P;
}

}  // namespace

TEST(ShellGravity, SlabRectangleSharesTheWeightEqually) {
  HandMesh h;
  const int prop = h.AddProperty(18, MAT_LIN_ISO, h.AddIso(1, 0), GEOM_LAM_THICK, h.AddThickness(0.2));
  const int e = Rect(h, 4, 2.0, 1.0, kId, prop);
  h.Build();
  const double g[4] = {0, 0, 0, -10.0};
  const auto F = Gravity(h, e, 25.0, g, Gleg());
  for (int k = 0; k < 4; k++)
    for (int j = 1; j <= 6; j++) EXPECT_NEAR(F[6 * k + j], j == 3 ? -25.0 : 0.0, 1e-12);
}

TEST(ShellGravity, TurnedShellsCarryTheSameNodalForces) {
  // rho g times the integral of N_a h over the true area, whatever the orientation; the
  // Ahmad shell integrates the same over its volume.
  double Q[4][4];
  TurnQ(Q);
  HandMesh h;
  const int t1 = h.AddThickness(0.1), t2 = h.AddThickness(0.2), t3 = h.AddThickness(0.3);
  const int pat = h.AddThicknessPattern({t1, t2, t3, t3, t3, t2, t1, t1, t2});
  const int rule = h.AddIntegration({3, 4, 2});
  int e[5];
  for (int type : {20, 22}) {
    const int prop = h.AddProperty(type, MAT_LIN_ISO, h.AddIso(1, 0), GEOM_PATT, pat);
    e[type == 20 ? 1 : 3] = Rect(h, 9, 3.0, 2.0, kId, prop);
    e[type == 20 ? 2 : 4] = Rect(h, 9, 3.0, 2.0, Q, prop);
  }
  h.Build();
  const double g[4] = {0, 1.0, -2.0, -9.81};
  for (int name : {0, rule}) {
    std::vector<double> F[5];
    for (int k = 1; k <= 4; k++) F[k] = Gravity(h, e[k], 7.0, g, Gleg(name));
    double total[4] = {0, 0, 0, 0};
    for (int a = 0; a < 9; a++)
      for (int c = 1; c <= 3; c++) {
        for (int k = 2; k <= 4; k++) EXPECT_NEAR(F[k][6 * a + c], F[1][6 * a + c], 1e-12) << k;
        EXPECT_EQ(F[1][6 * a + c + 3], 0.0);
        total[c] += F[1][6 * a + c];
      }
    // Thickness from 0.1 to 0.3 along x1 on the 3 x 2 rectangle: mean 0.2, volume 1.2.
    for (int c = 1; c <= 3; c++) EXPECT_NEAR(total[c], 7.0 * g[c] * 1.2, 1e-12);
  }
}

TEST(ShellGravityDeath, PatternsJacobiansAndRules) {
  HandMesh h;
  const int half = h.AddIntegration({3, 0, 3}), third = h.AddIntegration({3, 3, 0}), one = h.AddIntegration({1, 1, 1});
  const int th = h.AddThickness(0.1);
  const int slab = h.AddProperty(18, MAT_LIN_ISO, h.AddIso(1, 0), GEOM_LAM_THICK, th);
  const int ahmad = h.AddProperty(22, MAT_LIN_ISO, 1, GEOM_LAM_THICK, th);
  const double M[4][4] = {{0, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  const int eSlab = Rect(h, 4, 2.0, 1.0, kId, slab);
  const int eMirror = Rect(h, 4, 2.0, 1.0, M, slab);
  const int eAhmad = Rect(h, 8, 2.0, 1.0, kId, ahmad);
  h.Build();
  const double g[4] = {0, 0, 0, -1.0};
  const std::string head =
      "\nCalculating the gravity load contribution to the global load vector:\n   -> Load case: 2\n"
      "   -> Block name: <GRAVITY_LOAD>\n";
  EXPECT_EXIT(Gravity(h, eSlab, 1.0, g, Gleg(half)), testing::ExitedWithCode(1),
              Lit(head + "   -> Element: 1\n   -> Element type: _MINDLIN_SLAB_QUAD\n"
                         "   -> Specified integration name: RULE1\n\nERROR:\nIntegration pattern is incomplete.\n"
                         "The parameters _G_S1_k and/or _G_S2_k are missing.\n"));
  EXPECT_EXIT(Gravity(h, eAhmad, 1.0, g, Gleg(third)), testing::ExitedWithCode(1),
              Lit("   -> Element type: _AHMAD_SHELL_QUAD\n   -> Specified integration name: RULE2\n\nERROR:\n"
                  "Integration pattern is incomplete.\nThe parameters _G_S1_k, _G_S2_k and/or _G_S3_k are missing.\n"));
  EXPECT_EXIT(Gravity(h, eMirror, 1.0, g, Gleg()), testing::ExitedWithCode(1),
              Lit(head + "   -> Element: 2\n   -> Element type: _MINDLIN_SLAB_QUAD\n\nERROR:\n"
                         "Jacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed.\n"));
  LoadCaseParameters none{}, lobatto1 = Gleg(one);
  lobatto1.IntegrationType = 2;
  EXPECT_EXIT(Gravity(h, eSlab, 1.0, g, none), testing::ExitedWithCode(1),
              Lit("   -> Specified integration type : _NONE\n\nERROR:\n"
                  "The specified integration type is not compatible with specified type of load.\n"));
  EXPECT_EXIT(Gravity(h, eAhmad, 1.0, g, lobatto1), testing::ExitedWithCode(1),
              Lit("   -> Specified integration type : _GLOB\n   -> Number of integration points: 1\n\nERROR:\n"));
  // A pattern number beyond the block is refused, not read past the end of the patterns.
  EXPECT_EXIT(Gravity(h, eSlab, 1.0, g, Gleg(99)), testing::ExitedWithCode(1),
              Lit("   -> Specified integration pattern: 99\n\nERROR:\nThe specified integration pattern does not exist.\n"));
}

namespace {

std::vector<double> LayeredGravity(HandMesh& h, int e, const double* g, const LoadCaseParameters& P) {
  const int type = h.props[h.elemProp[e]].ElementType, n = h.nodeCount[e], prop = h.elemProp[e];
  std::vector<double> Fe(6 * n + 1, 0.0);
  if (type == 20)
    Calc_Fg_GravityLoadMindlinShellQuad_NL(6 * n, e, 2, n, prop, Flags(), &P, &h.m, Fe.data(), g);
  else
    Calc_Fg_GravityLoadAhmadShellQuad_NL(6 * n, e, 2, n, prop, Flags(), &P, &h.m, h.ElemPropIndex(), Fe.data(), g,
                                         h.PointTypes(), h.adj);
  return Fe;
}

// A layer of density rho whose thickness comes from geometry record (kind, number).
int DenseLayer(HandMesh& h, double rho, int geomKind, int geom) {
  const int l = h.AddLayerProperty(geomKind, geom);
  h.layerProps[static_cast<size_t>(l)].MaterialNumber = h.AddIso(1.0, 0.0, rho);
  return l;
}

}  // namespace

TEST(LayeredShellGravity, LayersWeighWithTheirOwnDensities) {
  // Plate 2 x 1 of two 0.1 layers, densities 24 and 78.5: 10.25 per unit area, a quarter
  // of 20.5 at each node; the same plate a thousand times smaller weighs 1e-9 times that.
  for (double f : {1.0, 1e-3}) {
    HandMesh h;
    const int th = h.AddThickness(0.1 * f);
    const int pat =
        h.AddLayerPattern({DenseLayer(h, 24.0, GEOM_LAM_THICK, th), DenseLayer(h, 78.5, GEOM_LAM_THICK, th)});
    int e[2];
    for (int type : {20, 22})
      e[type == 22] = Rect(h, 4, 2.0 * f, 1.0 * f, kId, h.AddProperty(type, MAT_LAY_PATT, pat, 0, 0));
    h.Build();
    const double g[4] = {0, 0, 0, -1.0};
    for (int k : {0, 1}) {
      const auto F = LayeredGravity(h, e[k], g, Gleg());
      for (int a = 0; a < 4; a++)
        for (int j = 1; j <= 6; j++)
          EXPECT_NEAR(F[6 * a + j] / (f * f * f), j == 3 ? -5.125 : 0.0, 1e-12) << k << " " << f;
    }
  }
}

TEST(LayeredShellGravity, OneLayerIsTheSingleMaterialShell) {
  // Turned 9-node rectangle of tapering thickness: the layered routines give the forces
  // of the single-material ones for the layer's density and thickness.
  double Q[4][4];
  TurnQ(Q);
  HandMesh h;
  const int t1 = h.AddThickness(0.1), t2 = h.AddThickness(0.2), t3 = h.AddThickness(0.3);
  const int tap = h.AddThicknessPattern({t1, t2, t3, t3, t3, t2, t1, t1, t2});
  const int pat = h.AddLayerPattern({DenseLayer(h, 7.0, GEOM_PATT, tap)});
  const int rule = h.AddIntegration({3, 4, 2});
  int single[2], layered[2];
  for (int type : {20, 22}) {
    single[type == 22] = Rect(h, 9, 3.0, 2.0, Q, h.AddProperty(type, MAT_LIN_ISO, 1, GEOM_PATT, tap));
    layered[type == 22] = Rect(h, 9, 3.0, 2.0, Q, h.AddProperty(type, MAT_LAY_PATT, pat, 0, 0));
  }
  h.Build();
  const double g[4] = {0, 1.0, -2.0, -9.81};
  for (int name : {0, rule})
    for (int k : {0, 1}) {
      const auto F = LayeredGravity(h, layered[k], g, Gleg(name));
      const auto G = Gravity(h, single[k], 7.0, g, Gleg(name));
      for (int i = 1; i <= 54; i++) EXPECT_NEAR(F[static_cast<size_t>(i)], G[static_cast<size_t>(i)], 1e-12) << k;
    }
}

TEST(LayeredShellGravityDeath, MaterialKindAndNullThickness) {
  HandMesh h;
  const int th = h.AddThickness(0.1), zero = h.AddThickness(0.0);
  const int thin = h.AddLayerPattern({DenseLayer(h, 1.0, GEOM_LAM_THICK, zero)});
  const int single = Rect(h, 4, 2.0, 1.0, kId, h.AddProperty(22, MAT_LIN_ISO, h.AddIso(1, 0, 1), GEOM_LAM_THICK, th));
  const int none = Rect(h, 4, 2.0, 1.0, kId, h.AddProperty(22, MAT_LAY_PATT, thin, 0, 0));
  h.Build();
  const double g[4] = {0, 0, 0, -1.0};
  EXPECT_EXIT(LayeredGravity(h, single, g, Gleg()), testing::ExitedWithCode(1),
              Lit("\nCalculating the gravity load of element n. 1\n   -> Element type: _AHMAD_SHELL_QUAD\n"
                  "   -> Material kind: _LIN_ISO\n\nERROR:\nThis type of element requires a material of kind "
                  "_LAY_PATT.\n"));
  EXPECT_EXIT(LayeredGravity(h, none, g, Gleg()), testing::ExitedWithCode(1),
              Lit("\nCalculating the gravity load of element n. 2\nIntegration point (IP) n. 1\n"
                  "Calculating the position of the middle surface of layer n. 1\n\nERROR:\n"
                  "Null element thickness at this IP.\n"));
}
