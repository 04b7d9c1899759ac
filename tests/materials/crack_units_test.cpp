// The crack laws in other consistent units: a concrete written in N and m (stresses and
// moduli times 1e6, band widths times 1e-3, fracture energies times 1e3), in kN and m or
// in kN and mm cracks, softens, closes, reopens and yields as the same concrete in N and
// mm; every stress of the path and the tangents at the turns are the N, mm ones times
// the stress factor. The smeared bars ride along (yield and reversals).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "materials/material_slots.h"
#include "model/mesh.h"
#include "support/crack_material.h"
#include "support/material_driver.h"

namespace {

struct Units {
  const char* name;
  double stress, length;  // an energy per area goes with stress times length
};

struct Law {
  const char* name;
  int code, type;
  CrackMat (*make)();
  std::vector<int> stresses, energies, lengths;  // parameter slots (_NLMM145: values)
  double amplitude;                              // of the strain path
};

CrackMat Solid111() {
  CrackMat c = CrackConcrete(MAT_NLMM111, 0.1);
  c.Set(85, 0.2).Set(91, 3).Set(92, 1.0);
  return c;
}
// Crack shear softening: linear, peak 0.3, G_II 0.05.
CrackMat Solid111Shear() {
  CrackMat c = Solid111();
  c.Set(79, 1).Set(87, 0.3).Set(88, 0.05);
  return c;
}
// Cornelissen's curve.
CrackMat Solid111Curve() { return Solid111().Set(70, kLawCornelissen); }
CrackMat Solid102() {
  CrackMat c = CrackConcrete(MAT_NLMM102, 0.1);
  c.Set(78, 0.2).Set(82, 3).Set(83, 1.0);
  return c;
}
// RILEM TDF-162: the fracture-energy slot holds the ultimate crack strain.
CrackMat Solid111Rilem() {
  CrackMat c = Solid111();
  c.Set(70, kLawRilem).Set(71, 0.1).Set(72, 0.6).Set(73, 0.3).Set(74, 0.35).Set(77, 0.003);
  return c;
}
CrackMat Plane101() { return CrackConcrete(MAT_NLMM101, 0.1).Set(78, 0.2); }
CrackMat Plane104() {
  CrackMat c = CrackConcrete(MAT_NLMM104, 0.1);
  c.Set(81, 0, 1).Set(81, 1, 2).Set(82, 0.2).Set(83, 1).Set(86, 1, 1);
  return c;
}
CrackMat Plane104Quadrilinear() {
  CrackMat c = Plane104();
  c.Set(70, kLawQuadrilinear).Set(71, 0.1).Set(72, 0.6).Set(73, 0.3).Set(74, 0.35).Set(75, 0.6).Set(76, 0.1);
  return c;
}
// E 30000, nu 0, fc 30, eps_c1 0.0022, r0 0.3, G_c 15 with the cracks of the others.
CrackMat Plane141() {
  CrackMat c = CrackConcrete(MAT_NLMM141, 0.1);
  c.Set(66, 0.0).Set(70, 0.3).Set(71, 15.0).Set(80, 1).Set(81, 0.2);
  return c;
}
CrackMat Plane142() {
  CrackMat c = CrackConcrete(MAT_NLMM142, 0.1);
  c.Set(66, 0.0).Set(70, 0.3).Set(71, 15.0).Set(72, 1, 1).Set(73, 0.0);
  c.Set(90, 0, 1).Set(90, 1, 2).Set(91, 0.2).Set(92, 1);
  return c;
}
CrackMat Solid151() {
  CrackMat c = CrackConcrete(MAT_NLMM151, 0.1);
  c.Set(66, 0.0).Set(70, 0.3).Set(71, 15.0).Set(72, 1).Set(100, 3).Set(101, 1.0);
  c.Set(93, 1).Set(94, 0.2).Set(95, 1);
  return c;
}

// E 200000, Esh 5000, eps_y 0.002, fy 400, eps_sh 0.02, eps_u 0.1, fu 600; bars at 30
// degrees.
CrackMat Bars145() {
  CrackMat c(MAT_NLMM145);
  const double v[] = {7.85e-9, 1.2e-5, 200000, 5000, 0.002, 400, 0.02, 0, 0.1, 600, 30};
  for (int k = 1; k <= 11; k++) c.m.Value[k] = v[k - 1];
  return c;
}

// Total strains (xx, yy, xy) at the turns of the path: tension at an angle that cracks
// and softens, unloading that closes the crack, reloading that reopens it, and a
// compression across it that yields the plastic laws. A solid point takes xz = xy / 2.
const double kTurns[4][3] = {{3e-4, -0.5e-4, 1e-4}, {-1e-4, -0.5e-4, 0.0}, {6e-4, 0.0, 2e-4}, {6e-4, -3e-3, 2e-4}};
const int kSteps[4] = {30, 20, 30, 60};

struct Path {
  std::vector<std::vector<double>> stress, tangent;
};

Path Drive(const Law& law, const Units& u) {
  CrackMat c = law.make();
  const auto scale = [&](const std::vector<int>& slots, double f) {
    for (int s : slots)
      if (c.code == MAT_NLMM145)
        c.m.Value[s] *= f;
      else
        c.Set(s, MatSlotValue(c.m, c.code, s) * f);
  };
  scale(law.stresses, u.stress);
  scale(law.energies, u.stress * u.length);
  scale(law.lengths, u.length);
  matdriver::ContinuumPoint p(law.code, law.type, c.m);
  const int n = p.n();
  std::vector<double> at(static_cast<size_t>(n), 0.0);
  Path run;
  for (int t = 0; t < 4; t++) {
    std::vector<double> to(static_cast<size_t>(n), 0.0);
    const double* e = kTurns[t];
    if (n == 3) {
      to = {e[0], e[1], e[2]};
    } else {
      to[0] = e[0];
      to[1] = e[1];
      to[4] = 0.5 * e[2];
      to[5] = e[2];
    }
    for (double& x : to) x *= law.amplitude;
    for (int k = 1; k <= kSteps[t]; k++) {
      std::vector<double> de(static_cast<size_t>(n));
      for (size_t i = 0; i < de.size(); i++) {
        const double next = at[i] + (to[i] - at[i]) * k / kSteps[t];
        const double prev = at[i] + (to[i] - at[i]) * (k - 1) / kSteps[t];
        de[i] = next - prev;
      }
      run.stress.push_back(p.Step(de, std::vector<bool>(de.size(), false)));
    }
    at = to;
    run.tangent.push_back(p.Tangent());
  }
  return run;
}

}  // namespace

TEST(CrackUnits, OtherUnitsGiveTheSameStressesScaled) {
  // Stresses and moduli: E 67, the reference stress 68 and the tensile strength; the
  // fracture energy (trilinear law unless named); the constant band width.
  const Law laws[] = {
      {"_NLMM111", MAT_NLMM111, _SOLID_HEXA, Solid111, {67, 68, 69}, {77}, {90}, 1.0},
      {"_NLMM111 shear softening", MAT_NLMM111, _SOLID_HEXA, Solid111Shear, {67, 68, 69, 87}, {77, 88}, {90}, 1.0},
      {"_NLMM111 Cornelissen", MAT_NLMM111, _SOLID_HEXA, Solid111Curve, {67, 68, 69}, {77}, {90}, 1.0},
      {"_NLMM111 RILEM", MAT_NLMM111, _SOLID_HEXA, Solid111Rilem, {67, 68, 69}, {}, {90}, 1.0},
      {"_NLMM102", MAT_NLMM102, _SOLID_HEXA, Solid102, {67, 68, 69}, {75}, {81}, 1.0},
      {"_NLMM101", MAT_NLMM101, _PLANE_STRESS_QUAD, Plane101, {67, 68, 69}, {75}, {80}, 1.0},
      {"_NLMM104", MAT_NLMM104, _PLANE_STRESS_QUAD, Plane104, {67, 68, 69}, {77}, {87}, 1.0},
      {"_NLMM104 quadrilinear", MAT_NLMM104, _PLANE_STRESS_QUAD, Plane104Quadrilinear, {67, 68, 69}, {77}, {87},
       1.0},
      {"_NLMM141", MAT_NLMM141, _PLANE_STRESS_QUAD, Plane141, {67, 68, 72}, {71, 78}, {83}, 1.0},
      {"_NLMM142", MAT_NLMM142, _PLANE_STRESS_QUAD, Plane142, {67, 68, 78}, {71, 86}, {96}, 1.0},
      {"_NLMM151", MAT_NLMM151, _SOLID_HEXA, Solid151, {67, 68, 78}, {71, 86}, {99}, 1.0},
      {"_NLMM145", MAT_NLMM145, _PLANE_STRESS_QUAD, Bars145, {3, 4, 6, 10}, {}, {}, 10.0},
  };
  const Units base{"N, mm", 1.0, 1.0};
  const Units others[] = {{"N, m", 1e6, 1e-3}, {"kN, m", 1e3, 1e-3}, {"kN, mm", 1e-3, 1.0}};
  for (const Law& law : laws) {
    const Path ref = Drive(law, base);
    // The path cracks and softens: the largest stress of the first leg is the tensile
    // strength's order, its end well below.
    double peak = 0.0, largest = 0.0;
    for (int k = 0; k < kSteps[0]; k++) peak = std::max(peak, ref.stress[static_cast<size_t>(k)][0]);
    for (const auto& s : ref.stress)
      for (double x : s) largest = std::max(largest, std::fabs(x));
    if (law.code == MAT_NLMM145) {
      EXPECT_GT(largest, 290.0);  // fy cos^2 30
    } else {
      EXPECT_GT(peak, 2.0) << law.name;
      EXPECT_LT(ref.stress[static_cast<size_t>(kSteps[0] - 1)][0], 0.8 * peak) << law.name;
    }
    for (const Units& u : others) {
      SCOPED_TRACE(std::string(law.name) + " in " + u.name);
      const Path run = Drive(law, u);
      const double tol = 1e-10;  // rounding only
      for (size_t k = 0; k < ref.stress.size(); k++)
        for (size_t i = 0; i < ref.stress[k].size(); i++)
          ASSERT_NEAR(run.stress[k][i] / u.stress, ref.stress[k][i], tol * largest) << "step " << k + 1 << " " << i;
      for (size_t t = 0; t < ref.tangent.size(); t++) {
        double big = 0.0;
        for (double x : ref.tangent[t]) big = std::max(big, std::fabs(x));
        for (size_t i = 0; i < ref.tangent[t].size(); i++)
          EXPECT_NEAR(run.tangent[t][i] / u.stress, ref.tangent[t][i], tol * big) << "turn " << t + 1 << " " << i;
      }
    }
  }
}
