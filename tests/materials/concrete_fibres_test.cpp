// Concrete fibre laws along strain paths: the compression curve of _NLMM299 against its
// closed form, the secant unloading and the most compressive strain of both laws,
// cracking (permanent in _NLMM298, decided afresh in _NLMM299), crushing, the tangent
// of _NLMM298 against finite differences of its stress, the fibre moduli the beam
// stiffness reads, and the refused _NLMM299 parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "materials/material_point.h"
#include "materials/material_table.h"
#include "materials/uniaxial/concrete.h"
#include "support/material_driver.h"

namespace {

// E 30000, f_t 3, f_c 30, eps_c1 0.002 (k = 2.1), eps_cu 0.0035.
const MaterialRecord k299 = matdriver::Record({2.4, 1e-5, 30000, 3, 30, 0.002, 0.0035});
// E 30000, f_t 3, eps_cu 0.0035, compression E eps + 2e5 |eps|^1.5.
const MaterialRecord k298 = matdriver::Record({2.4, 1e-5, 30000, 3, 30, 0.0035, 2e5, 1.5});

double Law(const MaterialRecord& m, NLMM298_HD& r, double e) { return CalcStress_NLMM298(m, r, e); }
double Law(const MaterialRecord& m, NLMM299_HD& r, double e) { return CalcStress_NLMM299(m, r, e); }

// Stresses along the strains, from the record's state.
template <typename R>
std::vector<double> Drive(const MaterialRecord& m, R& r, const std::vector<double>& strains) {
  std::vector<double> s;
  for (double e : strains) s.push_back(Law(m, r, e));
  return s;
}

}  // namespace

TEST(Nlmm299, CompressionCurveAndBeyond) {
  struct Case {
    double eps, stress, tangent;
  };
  const Case cases[] = {
      {-0.001, -30 * (1.05 - 0.25) / 1.05, 30000},     // -22.857143
      {-0.002, -30.0, 30000},                          // the peak
      {-0.003, -30 * 0.9 / 1.15, 30000},               // -23.478261, falling branch
      {-0.0035, -30 * (3.675 - 3.0625) / 1.175, 30000}, // the ultimate strain still on the curve
      {-0.0036, 0.0, 300},                             // crushed
  };
  EXPECT_NEAR(cases[0].stress, -22.857143, 1e-6);
  EXPECT_NEAR(cases[2].stress, -23.478261, 1e-6);
  for (const Case& c : cases) {
    NLMM299_HD r{};
    EXPECT_NEAR(CalcStress_NLMM299(k299, r, c.eps), c.stress, 1e-12) << c.eps;
    EXPECT_EQ(r.Tangent, c.tangent) << c.eps;
    EXPECT_EQ(r.Strain, c.eps);
  }
}

TEST(Nlmm299, SecantUnloadingAndCracksThatClose) {
  NLMM299_HD r{};
  const std::vector<double> s = Drive(k299, r, {-0.002, -0.001, -0.002, -0.0025, -0.001, 5e-5, 2e-4, 5e-5});
  const double s25 = -30 * (2.1 * 1.25 - 1.5625) / 1.125;
  EXPECT_NEAR(s[1], -15.0, 1e-12);  // on the secant of the peak
  EXPECT_NEAR(s[2], -30.0, 1e-12);  // back at the most compressive strain: its stress
  EXPECT_NEAR(s[3], s25, 1e-12);    // the curve again beyond it
  EXPECT_NEAR(s[4], s25 * 0.4, 1e-12);
  EXPECT_NEAR(s[5], 1.5, 1e-12);    // E eps below f_t
  EXPECT_EQ(s[6], 0.0);             // cracked
  EXPECT_NEAR(s[7], 1.5, 1e-12);    // carries again
  EXPECT_EQ(r.MinStrain, -0.0025);
  EXPECT_NEAR(r.StressAtMin, s25, 1e-12);
  // Past the ultimate strain the secant carries nothing either.
  NLMM299_HD c{};
  const std::vector<double> t = Drive(k299, c, {-0.004, -0.001});
  EXPECT_EQ(t[1], 0.0);
  EXPECT_EQ(c.Tangent, 300.0);
}

TEST(Nlmm298, CrackingStaysCrushingReturnsToTheCurve) {
  NLMM298_HD r{};
  const std::vector<double> s = Drive(k298, r, {5e-5, 2e-4, 5e-5, -0.004, -0.003, 1e-5});
  EXPECT_NEAR(s[0], 1.5, 1e-12);
  EXPECT_EQ(s[1], 0.0);
  EXPECT_EQ(s[2], 0.0);  // a crack does not close
  EXPECT_EQ(r.Cracked, 1);
  EXPECT_EQ(s[3], 0.0);  // crushed beyond eps_cu
  EXPECT_NEAR(s[4], -90.0 + 2e5 * std::pow(0.003, 1.5), 1e-12);  // within eps_cu: the power law
  EXPECT_EQ(r.Crushed, 1);
  EXPECT_EQ(r.MinStrain, -0.004);
  EXPECT_EQ(s[5], 0.0);
  EXPECT_EQ(r.Tangent, 300.0);
  // The secant of a fibre that has only seen strains of order 1e-9 is the initial slope.
  NLMM298_HD tiny{};
  const std::vector<double> u = Drive(k298, tiny, {-1e-9, -5e-10});
  EXPECT_DOUBLE_EQ(u[1], -30000 * 5e-10);
  EXPECT_EQ(tiny.Tangent, 30000.0);
}

TEST(Nlmm298, TangentIsTheSlopeOfTheStress) {
  struct Case {
    const char* branch;
    std::vector<double> before;
    double eps;
  };
  const Case cases[] = {
      {"tension", {}, 5e-5},
      {"compression envelope", {}, -0.002},
      {"envelope beyond the most compressive strain", {-0.001, -0.0005}, -0.0015},
      {"secant", {-0.002}, -0.001},
      {"crushed, back within eps_cu", {-0.004}, -0.003},
  };
  for (const Case& c : cases) {
    NLMM298_HD start{};
    Drive(k298, start, c.before);
    NLMM298_HD r = start, p = start, m = start;
    CalcStress_NLMM298(k298, r, c.eps);
    const double h = 1e-9;
    const double fd = (CalcStress_NLMM298(k298, p, c.eps + h) - CalcStress_NLMM298(k298, m, c.eps - h)) / (2 * h);
    EXPECT_NEAR(r.Tangent, fd, 1e-5 * 30000) << c.branch;
  }
}

// The moduli of the beam stiffness: the initial modulus in the first iteration of the
// first combination, then the tangent of the record with its floor.
TEST(FibreModuli, StoredTangentWithItsFloor) {
  NLMM298_HD r298[2]{};
  NLMM299_HD r299[2]{};
  NLMM145_HD r202[2]{};
  NLMM_HD hd{};
  hd.Entry[2 * NlmmSlotOfCode(MAT_NLMM298)] = r298;
  hd.Entry[2 * NlmmSlotOfCode(MAT_NLMM299)] = r299;
  hd.Entry[2 * NlmmSlotOfCode(MAT_NLMM202)] = r202;
  const MaterialRecord steel = matdriver::Record({7.85, 1e-5, 2e5, 5000, 0.002, 400, 0.01, 0, 0.1, 600});
  struct Case {
    int code;
    const MaterialRecord& m;
    double stored, first, later;
  };
  const Case cases[] = {
      {MAT_NLMM298, k298, 300.0, 30000, 1500},   // cracked: 0.05 E
      {MAT_NLMM298, k298, 16000.0, 30000, 16000},
      {MAT_NLMM299, k299, -5000.0, 30000, 1500}, // falling branch
      {MAT_NLMM202, steel, 1000.0, 2e5, 2e4},    // yielded: 0.1 E
      {MAT_NLMM202, steel, 1.5e5, 2e5, 1.5e5},
  };
  for (const Case& c : cases) {
    r298[1].Tangent = r299[1].Tangent = r202[1].Value[NLMM145_HD::kTan] = c.stored;
    EXPECT_EQ(FibreTangent(c.code, true, c.m, &hd, 1), c.first) << c.code;
    EXPECT_EQ(FibreTangent(c.code, false, c.m, &hd, 1), c.later) << c.code;
    EXPECT_EQ(FibreShearModulus(c.code, c.m), c.first / 2.4);
  }
}

TEST(Nlmm299DeathTest, ParametersTheCurveDividesBy) {
  struct Case {
    std::vector<double> v;
    const char* message;
  };
  const Case cases[] = {
      {{2.4, 1e-5, 30000, 3, 0, 0.002, 0.0035}, "The compressive strength must be positive"},
      {{2.4, 1e-5, 30000, 3, 30, -0.002, 0.0035}, "The strain at peak stress must be a positive magnitude"},
      {{2.4, 1e-5, 60 / (1.05 * 0.002), 3, 30, 0.002, 0.0035}, "must differ from 2"},
      {{2.4, 1e-5, 20000, 3, 30, 0.002, 0.0035}, "makes the curve infinite before the ultimate strain"},
  };
  for (const Case& c : cases) {
    MaterialRecord m = matdriver::Record({});
    for (double x : c.v) {
      m.nValues++;
      m.Value[m.nValues] = x;
      m.ValueType[m.nValues] = 'd';
    }
    EXPECT_EXIT(CheckParameters_NLMM299(m, "<NLMM299>", 2), testing::ExitedWithCode(1),
                std::string("<NLMM299>(.|\n)*Record counter: 2(.|\n)*") + c.message);
  }
  CheckParameters_NLMM299(k299, "<NLMM299>", 1);
}
