// Thermal materials and the conductivity and heat-capacity matrices of the thermal
// quadrilateral and hexahedron, against closed forms.
#include <gtest/gtest.h>

#include <cmath>

#include "materials/thermal_materials.h"
#include "support/output_flags.h"
#include "thermal/thermal_elements.h"
#include "thermal_fixture.h"

namespace {

TEST(ThermalMaterials, Eurocode2LawsAtTheTableBounds) {
  struct {
    double theta, lambda;
  } cond[] = {{20, 1.642208}, {100, 1.4976}, {500, 0.932}, {1200, 0.5736}, {1300, 0.5736}};
  for (auto c : cond) EXPECT_NEAR(CalcConductivity_EC2_2004_NLMM451(c.theta), c.lambda, 1e-12) << c.theta;
  struct {
    double theta, u, c;
  } heat[] = {{100, 3, 900},   {110, 1.5, 1470},  {110, 3, 2020}, {150, 1.5, 2106 - 5.529411764705882 * 150},
              {150, 3, 1600},  {115, 0, 915},     {200, 0, 1000}, {300, 1.5, 1050},
              {400, 0, 1100},  {500, 1.5, 1100},  {110, 0.75, 910 + (1470 - 910) * 0.5}};
  for (auto h : heat) EXPECT_NEAR(CalcSpecificHeat_EC2_2004_NLMM451(h.theta, h.u), h.c, 1e-9) << h.theta << " " << h.u;
  EXPECT_NEAR(CalcSpecificHeat_EC2_2004_NLMM451(150, 1.5), 1276.5882352941, 1e-9);
  struct {
    double theta, ratio;
  } dens[] = {{115, 1}, {200, 0.98}, {400, 0.95}, {1200, 0.88}, {1300, 0.88}};
  for (auto d : dens) EXPECT_NEAR(CalcDensity_EC2_2004_NLMM451(2400, d.theta) / 2400, d.ratio, 1e-12) << d.theta;
  // A moisture content outside 0..3 matters only where the moisture peak is.
  EXPECT_EQ(CalcSpecificHeat_EC2_2004_NLMM451(100, 3.5), 900);
  EXPECT_EQ(CalcSpecificHeat_EC2_2004_NLMM451(250, 3.5), 1025);
  EXPECT_DEATH(CalcSpecificHeat_EC2_2004_NLMM451(150, 3.5), "");
}

TEST(ThermalMaterials, Hydration401PropertiesAndHeatRate) {
  // rho, S, k, c, p5, p6, Ea, p8, p9, n, R
  MaterialRecord m = ThermalRecord({2000, 1, 2, 1000, 3, 5, 0, 4, 0, 2, 8.314}, "didddddddid");
  double rows[3][3] = {{0, 0, 0}, {0, 0.0, 1.0}, {0, 1.0, 1.0}};
  double* tab[3] = {nullptr, rows[1], rows[2]};
  m.Table = tab;
  m.ListLen = 2;
  EXPECT_DOUBLE_EQ(CalcHeatCapacity_NLMM401(m, 0.0, 0.5), 1.075 * 2000 * 1000);
  ElemMat D(3), D0(3);
  CalcMat_Dc_NLMM401(m, 3, 0.5, D.a, D0.a);
  EXPECT_DOUBLE_EQ(D.a[1][1], 1.05 * 2);
  EXPECT_EQ(D.a[1][2], 0.0);
  m.Value[2] = 0;
  EXPECT_EQ(CalcHeatCapacity_NLMM401(m, 2000 * 1000.0, 0.5), 2000 * 1000.0);

  // Ea = 0, f = 1: Qdot = p5 p6, AlphaT grows by p6 dt / p8.
  NLMM401_HD rec{0.25, 0, 0};
  EXPECT_DOUBLE_EQ(CalcHeatGenerationRate_NLMM401(false, m, 0.1, 20, &rec), 15.0);
  EXPECT_DOUBLE_EQ(rec.AlphaT, 0.25 + 5 * 0.1 / 4);
  EXPECT_DOUBLE_EQ(rec.Q, 12 * rec.AlphaT);
  EXPECT_EQ(rec.Qdot, 15.0);
  // The predicted AlphaT: 1.0 passes, 1.0000001 stops.
  NLMM401_HD ok{0.375, 0, 15.0};
  CalcHeatGenerationRate_NLMM401(true, m, 0.5, 20, &ok);
  NLMM401_HD over{0.375 + 1e-7, 0, 15.0};
  EXPECT_EXIT(CalcHeatGenerationRate_NLMM401(true, m, 0.5, 20, &over), testing::ExitedWithCode(1),
              "The value of AlphaT is greater than 1.\n.*Verify the data related to the heat generation rate model.");
  rows[2][1] = 0.0;  // zero-width segment
  NLMM401_HD zero{0.0, 0, 0};
  EXPECT_EXIT(CalcHeatGenerationRate_NLMM401(false, m, 0.1, 20, &zero), testing::ExitedWithCode(1),
              "The denominator is null or negative.\n.*Verify the values of the normalized heat generation");
  rows[2][1] = 1.0;
  NLMM401_HD beyond{-0.5, 0, 0};
  EXPECT_EXIT(CalcHeatGenerationRate_NLMM401(false, m, 0.1, 20, &beyond), testing::ExitedWithCode(1),
              "could not be calculated");
}

// Unit hexahedron with k = rho c = 1 against the Kronecker closed forms.
TEST(ThermalMatrices, UnitCubeMatchesClosedForm) {
  ThermalMesh t;
  const int mat = t.AddThermalIso(1.0, 1.0, 1.0);
  const int prop = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, mat, 0, 0);
  const int e = t.AddUnitHexa(8, prop);
  const MeshData* mesh = t.Build();
  ElemMat KC(8), KT(8);
  CalcCondMatSolidHexaThermal(8, e, 8, prop, Flags().f, mesh, KC.a);
  CalcTransientMatSolidHexaThermal(8, e, 8, prop, Flags().f, mesh, KT.a);
  double** S;
  allocd2(&S, 8, 3);
  CalcNatCoordSolidHexa(8, S);
  for (int a = 1; a <= 8; a++)
    for (int b = 1; b <= 8; b++) {
      EXPECT_NEAR(KC.a[a][b], UnitKC(S[a] + 1, S[b] + 1), 1e-14) << a << " " << b;
      EXPECT_NEAR(KT.a[a][b], UnitKT(S[a] + 1, S[b] + 1), 1e-14) << a << " " << b;
    }
  EXPECT_NEAR(KC.a[1][1], 1.0 / 3.0, 1e-14);
  EXPECT_NEAR(KT.RowSum(1), 1.0 / 8.0, 1e-14);
  // T = x: no flux through the faces parallel to x; k/4 out of each node of x = 1, in at x = 0.
  for (int a = 1; a <= 8; a++) {
    double f = 0;
    for (int b = 1; b <= 8; b++) f += KC.a[a][b] * mesh->PointCoord[mesh->ElemNodes[e][b]][1];
    EXPECT_NEAR(f, mesh->PointCoord[mesh->ElemNodes[e][a]][1] > 0.5 ? 0.25 : -0.25, 1e-14);
    EXPECT_NEAR(KC.RowSum(a), 0.0, 1e-14);
  }
  freed2(S);
}

TEST(ThermalMatrices, UnitSquareQuadWithThickness) {
  ThermalMesh t;
  const int mat = t.AddThermalIso(2.0, 3.0, 5.0);
  const int th = t.h.AddThickness(1.0);
  const int prop = t.h.AddProperty(_PLANE_STRESS_QUAD_THERMAL, MAT_THERMAL_ISO, mat, GEOM_LAM_THICK, th);
  const int e = t.AddUnitQuad(4, prop);
  const MeshData* mesh = t.Build();
  ElemMat KC(4), KT(4);
  CalcCondMatPlaneStressQuadThermal(4, e, 4, prop, Flags().f, mesh, KC.a);
  CalcTransientMatPlaneStressQuadThermal(4, e, 4, prop, Flags().f, mesh, KT.a);
  EXPECT_NEAR(KC.a[1][1], 3.0 * 2.0 / 3.0, 1e-13);
  EXPECT_NEAR(KC.a[1][2], -3.0 / 6.0, 1e-13);
  EXPECT_NEAR(KC.a[1][3], -3.0 / 3.0, 1e-13);
  EXPECT_NEAR(KT.Sum(), 10.0, 1e-13);
  t.h.thick[th].Thickness = 0.5;
  t.Build();
  CalcTransientMatPlaneStressQuadThermal(4, e, 4, prop, Flags().f, mesh, KT.a);
  EXPECT_NEAR(KT.Sum(), 5.0, 1e-13);
}

TEST(ThermalMatrices, DistortedHexahedraConserveHeat) {
  ThermalMesh t;
  const int mat = t.AddThermalIso(2.0, 1.5, 3.0);
  const int prop = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, mat, 0, 0);
  // Both maps have volume 1.1.
  const int e8 = t.AddHexa(8, prop, [](double x, double y, double z) {
    return std::array<double, 3>{x + 0.2 * x * y, y, z};
  });
  const int e20 = t.AddHexa(20, prop, [](double x, double y, double z) {
    return std::array<double, 3>{x + 0.1 * y * y, y, z * (1 + 0.2 * x)};
  });
  const MeshData* mesh = t.Build();
  for (auto [e, n] : {std::pair{e8, 8}, std::pair{e20, 20}}) {
    ElemMat KC(n), KT(n);
    CalcCondMatSolidHexaThermal(n, e, n, prop, Flags().f, mesh, KC.a);
    CalcTransientMatSolidHexaThermal(n, e, n, prop, Flags().f, mesh, KT.a);
    for (int a = 1; a <= n; a++) EXPECT_NEAR(KC.RowSum(a), 0.0, 1e-12) << n;
    EXPECT_NEAR(KT.Sum(), 6.0 * 1.1, 1e-12) << n;
  }
}

TEST(ThermalMatrices, Concrete451AtUniform500Degrees) {
  ThermalMesh t;
  const int mat = t.Add451({2, 0, 2400, 2, 0, 2, 0, 0});
  const int prop = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_NLMM451, mat, 0, 0);
  const int e = t.AddUnitHexa(8, prop);
  const MeshData* mesh = t.Build();
  ThermalHistory h(8, 0.0);
  const double Te[9] = {0, 500, 500, 500, 500, 500, 500, 500, 500};
  ElemMat KC(8), KT(8);
  CalcCondMatSolidHexaThermal_NL(1, 8, e, 1, 8, prop, Flags().f, &h.index, mesh, &h.hd, h.elemToHD.data(), KC.a, Te);
  CalcTransientMatSolidHexaThermal_NL(1, 8, e, 1, 8, prop, Flags().f, &h.index, mesh, &h.hd, h.elemToHD.data(), KT.a,
                                      Te);
  double** S;
  allocd2(&S, 8, 3);
  CalcNatCoordSolidHexa(8, S);
  for (int a = 1; a <= 8; a++)
    for (int b = 1; b <= 8; b++) {
      EXPECT_NEAR(KC.a[a][b], 0.932 * UnitKC(S[a] + 1, S[b] + 1), 1e-12);
      EXPECT_NEAR(KT.a[a][b], 2484900.0 * UnitKT(S[a] + 1, S[b] + 1), 1e-6);
    }
  freed2(S);
  for (int p = 1; p <= 8; p++) {
    EXPECT_NEAR(h.r451[p].Value[NLMM301_HD::kDensity451], 2259.0, 1e-9);
    EXPECT_EQ(h.r451[p].Value[NLMM301_HD::kSpecificHeat451], 1100.0);
    EXPECT_NEAR(h.r451[p].Value[NLMM301_HD::kTemperature451], 500.0, 1e-12);
    EXPECT_NEAR(h.r451[p].Value[NLMM301_HD::kConductivity451], 0.932, 1e-12);
  }
}

TEST(ThermalMatrices, Hydration401ScalesByEachPointsDegreeOfHydration) {
  ThermalMesh t;
  const int mat = t.Add401({1.0, 1, 1.0, 1.0, 1, 1, 0, 1, 0, 2, 1}, {{0, 1}, {1, 1}});
  const int prop = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_NLMM401, mat, 0, 0);
  const int e = t.AddUnitHexa(8, prop);
  const MeshData* mesh = t.Build();
  ThermalHistory h(8, 0.5);
  const double Te[9] = {};
  ElemMat KC(8), KT(8);
  CalcCondMatSolidHexaThermal_NL(1, 8, e, 1, 8, prop, Flags().f, &h.index, mesh, &h.hd, h.elemToHD.data(), KC.a, Te);
  CalcTransientMatSolidHexaThermal_NL(1, 8, e, 1, 8, prop, Flags().f, &h.index, mesh, &h.hd, h.elemToHD.data(), KT.a,
                                      Te);
  EXPECT_NEAR(KC.a[1][1], 1.05 / 3.0, 1e-14);
  EXPECT_NEAR(KT.Sum(), 1.075, 1e-14);
}

TEST(ThermalMatrices, RefusedElements) {
  ThermalMesh t;
  const int mat = t.AddThermalIso(1.0, 1.0, 1.0);
  const int prop = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, mat, 0, 0);
  const int rule0 = t.h.AddIntegration({0, 2, 2});
  const int propRule = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, mat, 0, 0, 1, rule0);
  const int propCotes = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, mat, 0, 0, 3, 0);
  const int eMirror = t.AddHexa(8, prop, [](double x, double y, double z) { return std::array<double, 3>{-x, y, z}; });
  const int eFlat = t.AddHexa(8, prop, [](double x, double y, double) { return std::array<double, 3>{x, y, 0.0}; });
  const int e = t.AddUnitHexa(8, prop);
  const MeshData* mesh = t.Build();
  ElemMat K(8);
  ThermalHistory h(8, 0.0);
  const double Te[9] = {};
  EXPECT_EXIT(CalcCondMatSolidHexaThermal(8, eMirror, 8, prop, Flags().f, mesh, K.a), testing::ExitedWithCode(1),
              "Jacobian determinant is negative");
  EXPECT_EXIT(CalcTransientMatSolidHexaThermal(8, eFlat, 8, prop, Flags().f, mesh, K.a), testing::ExitedWithCode(1),
              "Jacobian determinant is null");
  // A pattern count of 0 and the Newton-Cotes rows are refused, not integrated to zero.
  EXPECT_EXIT(CalcCondMatSolidHexaThermal(8, e, 8, propRule, Flags().f, mesh, K.a), testing::ExitedWithCode(1),
              "Integration pattern is incomplete");
  EXPECT_EXIT(CalcCondMatSolidHexaThermal(8, e, 8, propCotes, Flags().f, mesh, K.a), testing::ExitedWithCode(1), "");
  EXPECT_DEATH(CalcCondMatSolidHexaThermal_NL(1, 8, e, 1, 8, prop, Flags().f, &h.index, mesh, &h.hd,
                                              h.elemToHD.data(), K.a, Te),
               "");
  t.h.props[prop].MaterialKind = MAT_NLMM451;
  EXPECT_EXIT(CalcCondMatSolidHexaThermal(8, e, 8, prop, Flags().f, mesh, K.a), testing::ExitedWithCode(1),
              "Solid thermal element: invalid material type.");
}

}  // namespace
