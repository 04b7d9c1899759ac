// Concrete written in Pa: an ordinary one (f_c 30 MPa) and a high-strength one (f_c 150
// MPa, stresses above 1e8 of that unit) give the answers in MPa times 1e6, along a
// uniaxial compression through the peak.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/mesh.h"
#include "support/material_driver.h"

namespace {

struct Case {
  int code, type;
  int law;  // 0: a record without a law code
  double E, fc, epsc1;
};

// nu 0.2, E, f_c, f_ct 5, eps_c1, alpha0 0.3 (_NLMM121: no f_ct), with the stresses
// times f.
MaterialRecord Concrete(const Case& c, double f) {
  if (c.code == MAT_NLMM121) return matdriver::Record({0.0, 0.0, 0.2, c.E * f, c.fc * f, c.epsc1, 0.3, 0.0});
  if (c.law == 0) return matdriver::Record({0.0, 0.0, 0.2, c.E * f, c.fc * f, 5.0 * f, c.epsc1, 0.3});
  return matdriver::RecordWithInts({0.0, 0.0, 0.2, c.E * f, c.fc * f, 5.0 * f, c.epsc1, 0.3, double(c.law)}, {9});
}

}  // namespace

TEST(StressUnits, ConcreteInPascalsGivesTheMegapascalStressesScaled) {
  const Case cases[] = {{MAT_NLMM121, _PLANE_STRESS_QUAD, 0, 30000.0, 30.0, 0.0022},
                        {MAT_NLMM121, _PLANE_STRESS_QUAD, 0, 45000.0, 150.0, 0.004},
                        {MAT_NLMM122, _SOLID_HEXA, 0, 45000.0, 150.0, 0.004},
                        {MAT_NLMM123, _SOLID_HEXA, 2, 45000.0, 150.0, 0.004},
                        {MAT_NLMM123, _PLANE_STRESS_QUAD, 2, 45000.0, 150.0, 0.004}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + " " + std::to_string(c.type) + " fc " + std::to_string(c.fc));
    std::vector<std::vector<double>> path[2];
    for (int u = 0; u < 2; u++) {
      const double f = u == 0 ? 1.0 : 1e6;
      matdriver::ContinuumPoint p(c.code, c.type, Concrete(c, f));
      // The lateral stresses held to zero in the same measure (the return mappings of the
      // 3-D laws stop at 1e-4 of their residuals).
      p.SetHeldTolerance((c.code == MAT_NLMM121 ? 1e-10 : 1e-3) * f);
      const int n = p.n();
      std::vector<bool> lateral(static_cast<size_t>(n), true);
      lateral[0] = false;
      for (int k = 0; k < 200; k++) {
        std::vector<double> de(static_cast<size_t>(n), 0.0);
        de[0] = -2.5e-5;
        path[u].push_back(p.Step(de, lateral));
      }
    }
    double peak = 0.0;
    for (const auto& s : path[0]) peak = std::max(peak, -s[0]);
    EXPECT_GT(peak, 0.65 * c.fc);
    for (size_t k = 0; k < path[0].size(); k++)
      EXPECT_NEAR(path[1][k][0] / 1e6, path[0][k][0], 1e-6 * peak) << "step " << k + 1;
  }
}

// The same laws written in a unit 1e5 times larger than the MPa (stresses and moduli
// times 1e-5): every step of a compression with shear, fully prescribed, past the peak,
// gives the MPa stresses scaled and the same hardening parameter, to 1e-9.
TEST(StressUnits, ConcreteInLargeUnitsGivesTheMegapascalStressesScaled) {
  const Case cases[] = {{MAT_NLMM121, _PLANE_STRESS_QUAD, 0, 30000.0, 30.0, 0.0022},
                        {MAT_NLMM122, _SOLID_HEXA, 0, 30000.0, 30.0, 0.0022},
                        {MAT_NLMM123, _PLANE_STRESS_QUAD, 1, 30000.0, 30.0, 0.0022},
                        {MAT_NLMM123, _PLANE_STRAIN_QUAD, 1, 30000.0, 30.0, 0.0022},
                        {MAT_NLMM123, _SOLID_HEXA, 1, 30000.0, 30.0, 0.0022},
                        {MAT_NLMM123, _SOLID_HEXA, 2, 30000.0, 30.0, 0.0022},
                        {MAT_NLMM125, _PLANE_STRESS_QUAD, 1, 30000.0, 30.0, 0.0022},
                        {MAT_NLMM125, _SOLID_HEXA, 1, 30000.0, 30.0, 0.0022}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + " " + std::to_string(c.type) + " law " + std::to_string(c.law));
    std::vector<std::vector<double>> path[2];
    std::vector<double> kappa[2];
    for (int u = 0; u < 2; u++) {
      const double f = u == 0 ? 1.0 : 1e-5;
      // _NLMM125 with its meridian values after the law (no biaxial data).
      const MaterialRecord m =
          c.code == MAT_NLMM125
              ? matdriver::RecordWithInts(
                    {0.0, 0.0, 0.2, c.E * f, c.fc * f, 5.0 * f, c.epsc1, 0.3, double(c.law), 0, 0, 7, 8, 9}, {9})
              : Concrete(c, f);
      matdriver::ContinuumPoint p(c.code, c.type, m);
      const int n = p.n();
      const double k = 5e-5;
      // Shortening in x with shear (a plane point takes the in-plane part).
      std::vector<double> de = n == 3 ? std::vector<double>{-k, -0.3 * k, 1.2 * k}
                                      : std::vector<double>{-k, -0.3 * k, -0.2 * k, 0.4 * k, 0.0, 1.2 * k};
      const int steps = c.type == _PLANE_STRESS_QUAD ? 100 : 40;
      for (int s = 0; s < steps; s++) {
        std::vector<double> d = de;
        path[u].push_back(p.Step(d, std::vector<bool>(static_cast<size_t>(n), false)));
        kappa[u].push_back(p.Record<NLMM121_HD>().EqPlasticStrain);
      }
    }
    ASSERT_GT(kappa[0].back(), 0.0);
    for (size_t s = 0; s < path[0].size(); s++) {
      for (size_t i = 0; i < path[0][s].size(); i++)
        ASSERT_NEAR(path[1][s][i] / 1e-5, path[0][s][i], 1e-9 * c.fc) << "step " << s + 1 << " component " << i;
      ASSERT_NEAR(kappa[1][s], kappa[0][s], 1e-9 * kappa[0][s] + 1e-15) << "step " << s + 1;
    }
  }
}
