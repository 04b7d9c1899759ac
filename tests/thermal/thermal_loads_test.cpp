// Element heat loads: face flux, convection and radiation fluid temperatures, volumetric
// heat generation and the heat of hydration, on unit elements.
#include <gtest/gtest.h>

#include <cmath>

#include "thermal/thermal_faces.h"
#include "thermal/thermal_loads.h"
#include "thermal_fixture.h"

namespace {

struct LoadCube {
  ThermalMesh t;
  int prop = 0, e = 0, n = 8;
  std::vector<double> h{0, 2.0}, eps{0, 1.0};
  std::vector<SurfaceConvection> conv{SurfaceConvection{}, SurfaceConvection{}};
  std::vector<SurfaceRadiation> rad{SurfaceRadiation{}, SurfaceRadiation{}};
  LoadCaseParameters params{};
  explicit LoadCube(int nodes = 8, int face = 1) : n(nodes) {
    const int mat = t.AddThermalIso(1, 1, 1);
    prop = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, mat, 0, 0);
    e = t.AddUnitHexa(n, prop);
    conv[1] = SurfaceConvection{0, 0, 0, e, face, 1, 0, 1, h.data()};
    rad[1] = SurfaceRadiation{0, 0, 0, e, face, 1, 0, 1, eps.data(), 1.0};
    params.IntegrationType = 1;
  }
  MeshData* Build() {
    MeshData* m = t.Build();
    m->nConvections = 1;
    m->Convections = conv.data();
    m->nRadiations = 1;
    m->Radiations = rad.data();
    return m;
  }
  std::vector<int> FaceNodes(int face) {
    int listed[9];
    unsigned char flag;
    CalcNodeFaceSolidHexa(face, n, &flag, listed);
    return std::vector<int>(listed + 1, listed + 1 + (n == 8 ? 4 : 8));
  }
};

double Sum(const std::vector<double>& fe) {
  double s = 0;
  for (size_t i = 1; i < fe.size(); i++) s += fe[i];
  return s;
}

// Entry of node a and the entries that must stay zero.
void ExpectOnlyFaceNodes(const std::vector<double>& fe, const std::vector<int>& nodes, double value, double tol) {
  const int nNodes = (static_cast<int>(fe.size()) - 1) / 6;
  for (int a = 1; a <= nNodes; a++) {
    const bool on = std::find(nodes.begin(), nodes.end(), a) != nodes.end();
    EXPECT_NEAR(fe[6 * (a - 1) + 1], on ? value : 0.0, tol) << a;
    for (int d = 2; d <= 6; d++) EXPECT_EQ(fe[6 * (a - 1) + d], 0.0);
  }
}

TEST(ThermalLoads, UniformFluxAndConvectionShareTheFaceEvenly) {
  LoadCube c(8, 3);
  std::vector<double> q{0, 5.0}, Tf{0, 30.0};
  SurfaceHeatFlux flux[2] = {{}, {c.e, 3, 1, q.data()}};
  SurfaceFluidTemperature fluid[2] = {{}, {c.e, 3, 1, 0, 1, Tf.data()}};
  const MeshData* mesh = c.Build();
  std::vector<double> fe(49, 7.0);
  Calc_Fqg_SurfHeatFlux(48, c.e, _SOLID_HEXA_THERMAL, 1, 8, 1, &c.params, mesh, fe.data(), flux);
  ExpectOnlyFaceNodes(fe, c.FaceNodes(3), 5.0 / 4, 1e-14);
  Calc_Fqg_SurfFluidTemp(48, c.e, _SOLID_HEXA_THERMAL, 1, 8, 1, 1, &c.params, mesh, fe.data(), fluid);
  ExpectOnlyFaceNodes(fe, c.FaceNodes(3), 2.0 * 30.0 / 4, 1e-13);
}

TEST(ThermalLoads, OneFluidValueFillsTheTwentyNodeFace) {
  LoadCube c(20, 5);
  std::vector<double> Tf{0, 10.0};
  SurfaceFluidTemperature fluid[2] = {{}, {c.e, 5, 1, 0, 1, Tf.data()}};
  const MeshData* mesh = c.Build();
  std::vector<double> fe(121, 0.0);
  Calc_Fqg_SurfFluidTemp(120, c.e, _SOLID_HEXA_THERMAL, 1, 20, 1, 1, &c.params, mesh, fe.data(), fluid);
  const auto nodes = c.FaceNodes(5);
  EXPECT_NEAR(Sum(fe), 20.0, 1e-12);
  for (int a : nodes) EXPECT_NE(fe[6 * (a - 1) + 1], 0.0) << a;
  int nonzero = 0;
  for (double v : fe) nonzero += v != 0.0;
  EXPECT_EQ(nonzero, 8);
}

TEST(ThermalLoads, RadiationTakesTheFactorInsideTheLaw) {
  LoadCube c(8, 1);
  std::vector<double> Tf{0, 100.0};
  SurfaceFluidTemperature fluid[2] = {{}, {c.e, 1, 1, 0, 1, Tf.data()}};
  const MeshData* mesh = c.Build();
  const std::vector<double> Te(9, 0.0);
  std::vector<double> fe(49);
  Calc_Fqg_SurfRadFluidTemp(48, c.e, _SOLID_HEXA_THERMAL, 1, 8, 1, 1, 1.0, &c.params, mesh, Te.data(), fe.data(),
                            fluid);
  const double hr1 = RadiationCoefficient(1, 1, 100, 0);
  ExpectOnlyFaceNodes(fe, c.FaceNodes(1), 100 * hr1 / 4, 1e-3);
  EXPECT_NEAR(fe[6 * (c.FaceNodes(1)[0] - 1) + 1] / 3.4553112e9, 1.0, 1e-7);
  Calc_Fqg_SurfRadFluidTemp(48, c.e, _SOLID_HEXA_THERMAL, 1, 8, 1, 1, 2.0, &c.params, mesh, Te.data(), fe.data(),
                            fluid);
  EXPECT_NEAR(fe[6 * (c.FaceNodes(1)[0] - 1) + 1] / 1.1137850e10, 1.0, 1e-7);
}

TEST(ThermalLoads, FluidRecordsNamingAnotherFaceAreRefused) {
  LoadCube c(8, 1);
  std::vector<double> Tf{0, 100.0};
  SurfaceFluidTemperature fluid[4] = {
      {}, {c.e, 2, 1, 0, 1, Tf.data()}, {c.e, 1, 1, 1, 2, Tf.data()}, {c.e, 8, 1, 0, 1, Tf.data()}};
  const MeshData* mesh = c.Build();
  std::vector<double> fe(49);
  const std::vector<double> Te(9, 0.0);
  EXPECT_EXIT(Calc_Fqg_SurfFluidTemp(48, c.e, _SOLID_HEXA_THERMAL, 4, 8, 1, 1, &c.params, mesh, fe.data(), fluid),
              testing::ExitedWithCode(1),
              "Load case: 4\n   -> Block name: <SURFACE_FLUID_TEMPERATURE>\n   -> Face load counter: 1\n   -> "
              "Element: 1\n.*Convection record: 1\n.*another element face");
  EXPECT_EXIT(Calc_Fqg_SurfRadFluidTemp(48, c.e, _SOLID_HEXA_THERMAL, 4, 8, 1, 2, 1.0, &c.params, mesh, Te.data(),
                                        fe.data(), fluid),
              testing::ExitedWithCode(1), "Radiation record: 2\n.*another element face");
  EXPECT_EXIT(Calc_Fqg_SurfFluidTemp(48, c.e, _SOLID_HEXA_THERMAL, 4, 8, 1, 2, &c.params, mesh, fe.data(), fluid),
              testing::ExitedWithCode(1), "Face load counter: 2\n.*The number of values must be 1");
  EXPECT_EXIT(Calc_Fqg_SurfFluidTemp(48, c.e, _SOLID_HEXA_THERMAL, 4, 8, 1, 3, &c.params, mesh, fe.data(), fluid),
              testing::ExitedWithCode(1), "Face: 8\n.*Invalid face number.");
}

// Only the Gauss rules integrate heat loads: a load case of integration type 0 (no rule)
// or 3 (Newton-Cotes) is refused naming the load case and block, not the element's rule.
TEST(ThermalLoads, LoadCaseWithoutAGaussRuleIsRefused) {
  LoadCube c(8, 3);
  std::vector<double> q{0, 5.0};
  SurfaceHeatFlux flux[2] = {{}, {c.e, 3, 1, q.data()}};
  VolumetricHeatGeneration gen[2] = {{}, {0, 4.0}};
  const MeshData* mesh = c.Build();
  std::vector<double> fe(49);
  for (int type : {0, 3}) {
    c.params.IntegrationType = type;
    EXPECT_EXIT(Calc_Fqg_SurfHeatFlux(48, c.e, _SOLID_HEXA_THERMAL, 2, 8, 1, &c.params, mesh, fe.data(), flux),
                testing::ExitedWithCode(1),
                "Load case: 2\n   -> Block name: <SURFACE_HEAT_FLUX>\n.*Integration type of the load case: " +
                    std::to_string(type) + "\n\nERROR:\nThe specified integration type is not compatible");
    EXPECT_EXIT(Calc_Fqg_VolumetricIntHeatGeneration(48, c.e, _SOLID_HEXA_THERMAL, 2, 8, c.prop, 1, &c.params, mesh,
                                                     fe.data(), gen),
                testing::ExitedWithCode(1), "Load case: 2\n.*INTERNAL_HEAT_GENERATION.*must be 1 _GLEG or 2 _GLOB");
  }
}

TEST(ThermalLoads, HeatGenerationTotalsSourceTimesVolume) {
  ThermalMesh t;
  const int mat = t.AddThermalIso(1, 1, 1);
  const int th = t.h.AddThickness(0.3);
  const int ph = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, mat, 0, 0);
  const int pq = t.h.AddProperty(_PLANE_STRESS_QUAD_THERMAL, MAT_THERMAL_ISO, mat, GEOM_LAM_THICK, th);
  const int eh = t.AddHexa(20, ph, [](double x, double y, double z) {
    return std::array<double, 3>{x + 0.1 * y * y, y, z * (1 + 0.2 * x)};
  });
  const int eq = t.AddUnitQuad(8, pq);
  const MeshData* mesh = t.Build();
  LoadCaseParameters params{};
  params.IntegrationType = 1;
  VolumetricHeatGeneration q[2] = {{}, {0, 4.0}};
  std::vector<double> fe(121);
  Calc_Fqg_VolumetricIntHeatGeneration(120, eh, _SOLID_HEXA_THERMAL, 1, 20, ph, 1, &params, mesh, fe.data(), q);
  EXPECT_NEAR(Sum(fe), 4.0 * 1.1, 1e-12);
  std::vector<double> fq(49);
  Calc_Fqg_VolumetricIntHeatGeneration(48, eq, _PLANE_STRESS_QUAD_THERMAL, 1, 8, pq, 1, &params, mesh, fq.data(), q);
  EXPECT_NEAR(Sum(fq), 4.0 * 0.3, 1e-13);
}

TEST(ThermalLoads, HydrationHeatOfEveryPoint) {
  ThermalMesh t;
  // rho, S, k, c, p5, p6, Ea, p8, p9, n, R; f = 1.
  const int mat = t.Add401({1, 0, 1, 1, 1, 100, 0, 1000, 0, 2, 8.314}, {{0, 1}, {1, 1}});
  const int m451 = t.Add451({1, 1, 0, 1, 1, 1, 1, 0});
  const int p401 = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_NLMM401, mat, 0, 0);
  const int p451 = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_NLMM451, m451, 0, 0);
  const int rule = t.h.AddIntegration({3, 2, 2});
  const int p401r = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_NLMM401, mat, 0, 0, 1, rule);
  const int e = t.AddHexa(8, p401, [](double x, double y, double z) {
    return std::array<double, 3>{2 * x + 0.2 * x * y, y, z};
  });
  const MeshData* mesh = t.Build();
  const double V = 2.1, dt = 0.5;
  const std::vector<double> Te(9, 20.0);
  for (auto [prop, points] : {std::pair{p401, 8}, std::pair{p401r, 12}}) {
    ThermalHistory h(points, 0.1);
    std::vector<double> fe(49);
    Calc_Fqg_VolumetricIntHeatGenerationSolidHexaThermal_NL(1, 48, e, 1, 8, prop, dt, &h.index, mesh, &h.hd,
                                                            h.elemToHD.data(), fe.data(), Te.data());
    EXPECT_NEAR(Sum(fe), 100 * V, 1e-10);
    for (int p = 1; p <= points; p++) {
      EXPECT_NEAR(h.r401[p].AlphaT, 0.1 + 100 * dt / 1000, 1e-15);
      EXPECT_EQ(h.r401[p].Qdot, 100.0);
    }
  }
  ThermalHistory h(8, 0.0);
  std::vector<double> fe(49, 3.0);
  Calc_Fqg_VolumetricIntHeatGenerationSolidHexaThermal_NL(1, 48, e, 1, 8, p451, dt, &h.index, mesh, &h.hd,
                                                          h.elemToHD.data(), fe.data(), Te.data());
  EXPECT_EQ(Sum(fe), 0.0);
}

}  // namespace
