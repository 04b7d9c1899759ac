// The temperature load of a hexahedron of a nonlinear solid model: the load of the
// linear isotropic element of the same E, nu and alpha, whatever the model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "load_fixture.h"
#include "loads/loads.h"
#include "model/material.h"

namespace {

const double kAlpha = 1.2e-5, kE = 3.0e4, kNu = 0.2;

// A distorted hexahedron of property `prop`, its nodal variations 10..80.
void AddHexa(TestModel& t, int prop) {
  const std::vector<Vec3> x = {{0, 0, 0}, {2, 0, 0.1}, {2.2, 1.8, 0}, {-0.1, 2, 0.2},
                               {0.1, 0, 2.1}, {2, 0.2, 2}, {2, 2, 2.3}, {0, 1.9, 1.8}};
  std::vector<int> nodes;
  for (const Vec3& p : x) nodes.push_back(t.AddPoint(p[0], p[1], p[2]));
  t.AddElement(nodes, prop);
  t.tempVars.push_back({1, 0, {10, 20, 30, 40, 50, 60, 70, 80}});
}

}  // namespace

TEST(NonlinearSolidTempVar, EveryModelTakesTheLoadOfItsElasticConstants) {
  TestModel lin;
  AddHexa(lin, lin.AddProp(24, MAT_LIN_ISO, lin.AddLinIso(kAlpha, kE, kNu)));
  lin.Build();
  Vec F0(lin.nF), P0(lin.nP);
  lin.LoadVector(F0, P0);
  double size = 0.0;
  for (int k = 1; k <= lin.nF; k++) size = std::max(size, std::fabs(F0[k]));
  ASSERT_GT(size, 1.0);
  for (int code : {MAT_NLMM102, MAT_NLMM111, MAT_NLMM122, MAT_NLMM123, MAT_NLMM124, MAT_NLMM151}) {
    SCOPED_TRACE(code);
    TestModel t;
    // Density, alpha, nu, E lead every record of these models.
    AddHexa(t, t.AddProp(24, code, t.AddMaterialValues(code, {0, kAlpha, kNu, kE})));
    t.Build();
    Vec F(t.nF), P(t.nP);
    const MainWorkArrays w = t.Work();
    Calc_F_TempVar_NL(1, 0.0, 0.0, nullptr, t.oc, &t.lc, &t.mesh, nullptr, nullptr, &w, F, P, nullptr);
    for (int k = 1; k <= t.nF; k++) EXPECT_NEAR(F[k], F0[k], 1e-12 * size) << k;
  }
}
