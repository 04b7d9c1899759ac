// Convection and radiation face matrices of the thermal hexahedron on a unit cube.
#include <gtest/gtest.h>

#include <cmath>

#include "support/output_flags.h"
#include "thermal/thermal_faces.h"
#include "thermal_fixture.h"

namespace {

struct FaceCube {
  ThermalMesh t;
  int prop = 0, e = 0;
  std::vector<std::vector<double>> values;
  explicit FaceCube(int n = 8) {
    const int mat = t.AddThermalIso(1, 1, 1);
    prop = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, mat, 0, 0);
    e = t.AddUnitHexa(n, prop);
  }
  std::vector<SurfaceConvection> conv{SurfaceConvection{}};
  std::vector<SurfaceRadiation> rad{SurfaceRadiation{}};
  void AddConvection(int face, std::vector<double> h) {
    h.insert(h.begin(), 0.0);
    values.push_back(h);
    SurfaceConvection r{};
    r.Element = e;
    r.Face = face;
    r.IntegrationType = 1;
    r.ValueCount = static_cast<int>(h.size()) - 1;
    conv.push_back(r);
  }
  void AddRadiation(int face, double eps, double sigma) {
    values.push_back({0.0, eps});
    SurfaceRadiation r{};
    r.Element = e;
    r.Face = face;
    r.IntegrationType = 1;
    r.ValueCount = 1;
    r.Sigma = sigma;
    rad.push_back(r);
  }
  MeshData* Build() {
    MeshData* m = t.Build();
    size_t v = 0;
    for (size_t k = 1; k < conv.size(); k++) conv[k].Values = values[v++].data();
    for (size_t k = 1; k < rad.size(); k++) rad[k].Values = values[v++].data();
    m->nConvections = static_cast<int>(conv.size()) - 1;
    m->Convections = conv.data();
    m->nRadiations = static_cast<int>(rad.size()) - 1;
    m->Radiations = rad.data();
    return m;
  }
  const double* X(int a) { return t.h.m.PointCoord[t.h.m.ElemNodes[e][a]]; }
};

double Dist(const double* p, const double* q) {
  return std::sqrt((p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]) + (p[3] - q[3]) * (p[3] - q[3]));
}

// The bilinear face mass matrix of a unit square: 1/9, 1/18, 1/36 by distance.
double UnitFaceMass(double d) { return d < 0.5 ? 1.0 / 9 : d < 1.2 ? 1.0 / 18 : 1.0 / 36; }

TEST(ThermalFaces, ConvectionOnEveryFaceIsTheFaceMassMatrix) {
  for (int face = 1; face <= 6; face++) {
    FaceCube c;
    c.AddConvection(face, {1.0});
    // A linear coefficient listed per face node, in the table's order.
    int listed[9];
    unsigned char flag;
    CalcNodeFaceSolidHexa(face, 8, &flag, listed);
    std::vector<double> h;
    for (int i = 1; i <= 4; i++) {
      const double* x = c.t.h.pts[c.t.h.nodes[c.e][listed[i]]].data();
      h.push_back(1 + x[1] + 2 * x[2] + 3 * x[3]);
    }
    c.AddConvection(face, h);
    const MeshData* mesh = c.Build();
    ElemMat K(8), K2(8);
    CalcSurfConvHeatTransferMatSolidHexaThermal(c.e, 8, 1, Flags().f, mesh, K.a);
    CalcSurfConvHeatTransferMatSolidHexaThermal(c.e, 8, 2, Flags().f, mesh, K2.a);
    std::vector<bool> on(9, false);
    for (int i = 1; i <= 4; i++) on[listed[i]] = true;
    double total = 0;
    for (int a = 1; a <= 8; a++) {
      double rowRef = 0, row = 0;
      for (int b = 1; b <= 8; b++) {
        total += K.a[a][b];
        const double ref = on[a] && on[b] ? UnitFaceMass(Dist(c.X(a), c.X(b))) : 0.0;
        EXPECT_NEAR(K.a[a][b], ref, 1e-14) << face << " " << a << " " << b;
        const double* x = c.X(b);
        rowRef += ref * (1 + x[1] + 2 * x[2] + 3 * x[3]);
        row += K2.a[a][b];
      }
      // Row a of h N N^T is int h N_a: each value must stay with its own node.
      EXPECT_NEAR(row, rowRef, 1e-13) << "face " << face << " flag " << int(flag) << " node " << a;
    }
    EXPECT_NEAR(total, 1.0, 1e-14);
  }
}

TEST(ThermalFaces, RadiationCoefficientAndTwoRecordsAdd) {
  const double hr = 2 * 273.15 * 273.15 * 546.3;
  EXPECT_NEAR(RadiationCoefficient(1, 1, 0, 0), 8.1519894e7, 0.1);
  EXPECT_DOUBLE_EQ(RadiationCoefficient(1, 1, 0, 0), hr);
  // Closed form e sigma (Tf^4 - Ts^4) / (Tf - Ts) in kelvin.
  const double tf = 400 + 273.15, ts = 20 + 273.15;
  EXPECT_NEAR(RadiationCoefficient(0.7, 2.0, 400, 20), 0.7 * 2.0 * (std::pow(tf, 4) - std::pow(ts, 4)) / (tf - ts),
              1e-6);
  FaceCube c(20);
  c.AddRadiation(2, 1.0, 1.0);
  c.AddRadiation(2, 1.0, 1.0);
  const MeshData* mesh = c.Build();
  std::vector<double> zeros(9, 0.0);
  std::vector<double*> faces(7, zeros.data());
  std::vector<double**> rows{nullptr, faces.data()};
  FaceFluidTemperatures fluid{rows.data()};
  const std::vector<double> Te(21, 0.0);
  ElemMat K(20);
  CalcSurfRadHeatTransferMat(c.e, 20, c.prop, Flags().f, &fluid, Te.data(), mesh, K.a);
  double total = 0;
  for (int a = 1; a <= 20; a++)
    for (int b = 1; b <= 20; b++) total += K.a[a][b];
  EXPECT_NEAR(total / (2 * hr), 1.0, 1e-13);
}

TEST(ThermalFaces, BadRecordsAreRefused) {
  FaceCube c;
  c.AddConvection(7, {1.0});
  c.AddConvection(1, {1.0, 2.0});
  const MeshData* mesh = c.Build();
  ElemMat K(8);
  EXPECT_EXIT(CalcSurfConvHeatTransferMatSolidHexaThermal(c.e, 8, 1, Flags().f, mesh, K.a),
              testing::ExitedWithCode(1), "<SURFACE_CONVECTION_HEAT_TRANSFER>.*Counter: 1.*Face: 7.*Invalid face number.");
  EXPECT_EXIT(CalcSurfConvHeatTransferMatSolidHexaThermal(c.e, 8, 2, Flags().f, mesh, K.a),
              testing::ExitedWithCode(1), "Counter: 2.*The number of values must be 1 or the number of face nodes.");
  c.t.h.props[c.prop].ElementType = _PLANE_STRESS_QUAD_THERMAL;
  c.AddRadiation(1, 1, 1);
  mesh = c.Build();
  EXPECT_EXIT(CalcSurfRadHeatTransferMat(c.e, 8, c.prop, Flags().f, nullptr, nullptr, mesh, K.a),
              testing::ExitedWithCode(1),
              "Element type: _PLANE_STRESS_QUAD_THERMAL\n.*Surface radiation heat transfer cannot be applied");
}

}  // namespace
