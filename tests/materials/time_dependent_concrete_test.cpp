// Age- and temperature-dependent concrete: shrinkage curves against the code formulas at
// given ages, the maturity and temperature laws with the crack slots of the host point,
// the Kelvin chain against the closed-form creep of its units, and the table of admitted
// material patterns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "materials/history_data.h"
#include "materials/time_dependent_concrete.h"
#include "numcore/numcore.h"
#include "support/crack_material.h"

namespace {

// ---- shrinkage records ----

// _NLMM171: drying and autogenous flags, ts, h0, fcm, RH, cement class.
CrackMat Shrink171(int dry, int autogenous, double ts, double h0, double fcm, double RH, int cls) {
  CrackMat c(MAT_NLMM171);
  c.m.Value[1] = dry;
  c.m.Value[2] = autogenous;
  c.Set(67, ts).Set(68, h0).Set(69, fcm).Set(70, RH).Set(71, cls);
  return c;
}

// _NLMM172 of the example: fc 30, w 180, t0 7, RH 60, ks 1, v/s 50, alpha 1 and 1.2,
// kt and tau_sh computed; autogenous part ta 1, tau_a 10, eps_a 1e-4, RH 60.
CrackMat Shrink172(int dry, int autogenous) {
  CrackMat c(MAT_NLMM172);
  c.m.Value[1] = dry;
  c.m.Value[2] = autogenous;
  c.Set(68, 30).Set(69, 180).Set(76, 7).Set(77, 60).Set(78, 1).Set(79, 50).Set(80, 1).Set(81, 1.2);
  c.Set(82, 2).Set(83, 0).Set(84, 2).Set(85, 0);
  c.Set(88, 1).Set(89, 10).Set(90, 1e-4).Set(91, 60);
  return c;
}

// The strain vector of a law with shears preset: the law writes 1..3 only.
std::vector<double> Strain(void (*law)(const MaterialRecord&, int, double, double*), const MaterialRecord& m,
                           double t) {
  std::vector<double> e(7, 0.0);
  for (int i = 4; i <= 6; i++) e[static_cast<size_t>(i)] = 9.0;
  law(m, 6, t, e.data());
  EXPECT_EQ(e[1], e[2]);
  EXPECT_EQ(e[1], e[3]);
  for (int i = 4; i <= 6; i++) EXPECT_EQ(e[static_cast<size_t>(i)], 9.0);
  return e;
}

}  // namespace

TEST(Shrinkage, NotionalSizeAndHumidityCoefficients) {
  struct Case {
    double x, kh;
  };
  for (const Case& c : std::vector<Case>{{50, 1.0}, {100, 1.0}, {150, 0.925}, {200, 0.85}, {250, 0.8}, {300, 0.75},
                                        {499, 0.70025}, {500, 0.7}, {800, 0.7}})
    EXPECT_NEAR(CalcNotionalSizeCoef_NLMM171(c.x), c.kh, 1e-12) << c.x;
  // Continuous through 0.98 and swelling at saturation.
  for (const Case& c : std::vector<Case>{{60, 0.784}, {98, 1 - 0.98 * 0.98 * 0.98}, {99, -0.0851495}, {100, -0.2},
                                        {105, -0.2}})
    EXPECT_NEAR(CalcHumidityCoef_NLMM172(c.x), c.kh, 1e-7) << c.x;
}

TEST(Shrinkage, Nlmm171DryingAndAutogenousCurves) {
  const CrackMat both = Shrink171(1, 1, 7, 100, 38, 60, 2);
  // Drying: nothing up to ts; at t = 35: beta_ds = 28/68, beta_RH = -1.55 (1 - 0.6^3).
  EXPECT_EQ(Strain(CalcDryShrinkStrain_NLMM171, both.m, 7.0)[1], 0.0);
  const double dry35 = 0.85 * 660 * std::exp(-0.456) * 1e-6 * (-1.55 * 0.784) * 28.0 / 68.0;
  EXPECT_NEAR(dry35, -1.779186e-4, 1e-10);
  EXPECT_NEAR(Strain(CalcDryShrinkStrain_NLMM171, both.m, 35.0)[1], dry35, 1e-15);
  // Autogenous: fck = 30 at t = 28.
  const double auto28 = -50e-6 * (1 - std::exp(-0.2 * std::sqrt(28.0)));
  EXPECT_NEAR(auto28, -3.264774e-5, 1e-11);
  EXPECT_NEAR(Strain(CalcAutoShrinkStrain_NLMM171, both.m, 28.0)[1], auto28, 1e-15);
  // The sum, and each part switched off by its flag.
  EXPECT_NEAR(Strain(CalcShrinkStrain_NLMM171, both.m, 35.0)[1],
              dry35 - 50e-6 * (1 - std::exp(-0.2 * std::sqrt(35.0))), 1e-15);
  EXPECT_NEAR(Strain(CalcShrinkStrain_NLMM171, Shrink171(2, 1, 7, 100, 38, 60, 2).m, 35.0)[1],
              -50e-6 * (1 - std::exp(-0.2 * std::sqrt(35.0))), 1e-15);
  EXPECT_EQ(Strain(CalcShrinkStrain_NLMM171, Shrink171(2, 2, 7, 100, 38, 60, 2).m, 35.0)[1], 0.0);
  // No autogenous shrinkage of weak concrete (fcm <= 18).
  EXPECT_EQ(Strain(CalcAutoShrinkStrain_NLMM171, Shrink171(1, 1, 7, 100, 18, 60, 2).m, 28.0)[1], 0.0);
  // The cement class scales the final value: classes 1 and 3 against 2.
  const double d1 = Strain(CalcDryShrinkStrain_NLMM171, Shrink171(1, 1, 7, 100, 38, 60, 1).m, 35.0)[1];
  const double d3 = Strain(CalcDryShrinkStrain_NLMM171, Shrink171(1, 1, 7, 100, 38, 60, 3).m, 35.0)[1];
  EXPECT_NEAR(d1 / dry35, 550.0 * std::exp(-0.494) / (660.0 * std::exp(-0.456)), 1e-12);
  EXPECT_NEAR(d3 / dry35, 880.0 * std::exp(-0.418) / (660.0 * std::exp(-0.456)), 1e-12);
}

TEST(Shrinkage, Nlmm172DryingAndAutogenousCurves) {
  // kt = 8.5 7^-0.08 30^-0.25 = 3.108356, tau_sh = kt (2 * 50)^2.
  const CrackMat computed = Shrink172(1, 2);
  const double eps = Strain(CalcDryShrinkStrain_NLMM172, computed.m, 100.0)[1];
  EXPECT_NEAR(eps, -3.430909e-5, 1e-11);
  EXPECT_EQ(Strain(CalcDryShrinkStrain_NLMM172, computed.m, 7.0)[1], 0.0);
  // The same with kt and tau_sh given.
  CrackMat given = Shrink172(1, 2);
  const double kt = 8.5 * std::pow(7.0, -0.08) * std::pow(30.0, -0.25);
  given.Set(82, 1).Set(83, kt).Set(84, 1).Set(85, kt * 1e4);
  EXPECT_NEAR(kt, 3.108356, 1e-6);
  EXPECT_NEAR(Strain(CalcDryShrinkStrain_NLMM172, given.m, 100.0)[1], eps, 1e-18);
  // The drying curve tends to its final value times the humidity coefficient.
  const double fin = 1.2 * (0.019 * std::pow(180.0, 2.1) * std::pow(30.0, -0.28) + 270) * 1e-6 * 0.784;
  const double tau = kt * 1e4, ratio = std::sqrt(1.1674199442254065 / ((7 + tau) / (4 + 0.85 * (7 + tau))));
  EXPECT_NEAR(Strain(CalcDryShrinkStrain_NLMM172, computed.m, 7.0 + 50 * tau)[1], -fin * ratio, 1e-15);
  // Autogenous: -1e-4 (0.99 - 0.6) sqrt(tanh(9.9)).
  const CrackMat a = Shrink172(2, 1);
  EXPECT_NEAR(Strain(CalcAutoShrinkStrain_NLMM172, a.m, 100.0)[1], -3.9e-5, 1e-11);
  EXPECT_EQ(Strain(CalcAutoShrinkStrain_NLMM172, a.m, 1.0)[1], 0.0);
  EXPECT_NEAR(Strain(CalcShrinkStrain_NLMM172, a.m, 100.0)[1], -3.9e-5, 1e-11);
  EXPECT_NEAR(Strain(CalcShrinkStrain_NLMM172, Shrink172(1, 1).m, 100.0)[1], eps - 1e-4 * 0.39 * std::sqrt(std::tanh(9.9)),
              1e-15);
}

namespace {

// A crack point of the solid crack model with band h in every slot.
struct CrackPoint {
  CrackPart111 cr{};
  double ft[5] = {}, gf[5] = {}, h[5] = {};
  int32_t status[5] = {};
  explicit CrackPoint(double band) {
    cr.CrTensileStrength = ft;
    cr.CrGf = gf;
    cr.CrBandWidth = h;
    cr.CrStatus = status;
    for (int i = 1; i <= 4; i++) h[i] = band;
  }
};

// _NLMM173: equivalent-age law, Ea, ageing law, cement type, fracture-energy law, p, R.
MaterialRecord Maturity(int ageLaw, int ageing, int cement, int gfLaw, double p = 0.7) {
  CrackMat c(MAT_NLMM173);
  const double v[8] = {0, double(ageLaw), 40000.0, double(ageing), double(cement), double(gfLaw), p, 8.314};
  for (int k = 1; k <= 7; k++) c.m.Value[k] = v[k];
  return c.m;
}

}  // namespace

TEST(Maturity, EquivalentAgeAndPropertiesAtThatAge) {
  CrackMat concrete = CrackConcrete(MAT_NLMM111, 0.1);
  CrackPoint p(100.0);
  NLMM173_HD h{};
  h.FirstCallFlag = 1;
  // Law 1 at 20 degrees: te advances by exp(13.65 - 4000/293.15) dt.
  CalcConcPropAtEquivAge_NLMM173(concrete.m, Maturity(1, 1, 2, 0), 30000, 38, 2.9, 0.1, 2.0, 20.0, 2.0, p.cr, h);
  EXPECT_NEAR(h.EquivalentAge / 2.0, 1.0051214, 1e-7);
  EXPECT_EQ(h.Age, 2.0);
  // Arrhenius at the reference temperature: te advances by dt.
  NLMM173_HD a{};
  CalcConcPropAtEquivAge_NLMM173(concrete.m, Maturity(2, 1, 2, 0), 30000, 38, 2.9, 0.1, 3.0, 20.0, 3.0, p.cr, a);
  EXPECT_NEAR(a.EquivalentAge, 3.0, 1e-14);

  // Law 0 takes the age: te = 28 gives the 28-day values.
  struct Case {
    int cement;
    double te, beta;
  };
  for (const Case& c : std::vector<Case>{{1, 28, 1.0}, {2, 7, std::exp(-0.25)}, {3, 7, std::exp(-0.2)},
                                        {1, 112, std::exp(0.19)}}) {
    SCOPED_TRACE(c.te);
    NLMM173_HD r{};
    r.FirstCallFlag = 1;
    CalcConcPropAtEquivAge_NLMM173(concrete.m, Maturity(0, 1, c.cement, 1, 0.7), 30000, 38, 2.9, 0.1, 1.0, 20.0,
                                   c.te, p.cr, r);
    EXPECT_EQ(r.EquivalentAge, c.te);
    EXPECT_NEAR(r.CompressiveStrength, c.beta * 38, 1e-12);
    EXPECT_NEAR(r.TensileStrength, (c.te >= 28 ? std::pow(c.beta, 2.0 / 3.0) : c.beta) * 2.9, 1e-12);
    EXPECT_NEAR(r.YoungModulus, std::pow(c.beta, 0.3) * 30000, 1e-9);
    // The crack material carries the properties of the age.
    EXPECT_EQ(MatSlotValue(concrete.m, MAT_NLMM111, 67), r.YoungModulus);
    EXPECT_EQ(MatSlotValue(concrete.m, MAT_NLMM111, 68), r.CompressiveStrength);
    EXPECT_EQ(MatSlotValue(concrete.m, MAT_NLMM111, 69), r.TensileStrength);
    EXPECT_EQ(MatSlotValue(concrete.m, MAT_NLMM111, 77), r.FractureEnergy);
  }
  NLMM173_HD r{};
  CalcConcPropAtEquivAge_NLMM173(concrete.m, Maturity(0, 1, 2, 0), 30000, 38, 2.9, 0.1, 1.0, 20.0, 7.0, p.cr, r);
  EXPECT_NEAR(r.YoungModulus / 30000, 0.927743, 1e-6);
  // Constant ageing law: the 28-day values at any age.
  CalcConcPropAtEquivAge_NLMM173(concrete.m, Maturity(0, 0, 2, 0), 30000, 38, 2.9, 0.1, 1.0, 20.0, 7.0, p.cr, r);
  EXPECT_EQ(r.YoungModulus, 30000);
  EXPECT_EQ(r.TensileStrength, 2.9);
}

TEST(Maturity, CrackSlotsGainStrengthUntilTheyCrack) {
  // Trilinear law 1: Gf,crit = 1.2 ft^2 h / E with the modulus of the age.
  CrackMat concrete = CrackConcrete(MAT_NLMM111, 0.1);
  CrackPoint p(1000.0);
  NLMM173_HD h{};
  h.FirstCallFlag = 1;
  const MaterialRecord law = Maturity(0, 1, 2, 0);
  // Age 7: every slot takes fctm(7) and the energy raised to the critical one.
  CalcConcPropAtEquivAge_NLMM173(concrete.m, law, 30000, 38, 2.9, 0.05, 1.0, 20.0, 7.0, p.cr, h);
  EXPECT_EQ(h.FirstCallFlag, 0);
  const double b7 = std::exp(-0.25), ft7 = b7 * 2.9, E7 = std::pow(b7, 0.3) * 30000;
  const double crit7 = 1.2 * ft7 * ft7 * 1000 / E7;
  ASSERT_GT(crit7, 0.05);
  for (int i = 1; i <= 4; i++) {
    EXPECT_NEAR(p.ft[i], ft7, 1e-12);
    EXPECT_NEAR(p.gf[i], crit7, 1e-12);
  }
  EXPECT_NEAR(h.FractureEnergy, crit7, 1e-12);
  // Slot 1 cracks; at age 28 only the others take the new strength and energy.
  p.cr.nCr = 1;
  p.status[1] = 1;
  const double gf1 = p.gf[1];
  p.h[3] = 1.0;  // a narrow band: the material's energy stands
  CalcConcPropAtEquivAge_NLMM173(concrete.m, law, 30000, 38, 2.9, 0.05, 1.0, 20.0, 28.0, p.cr, h);
  EXPECT_NEAR(p.ft[1], ft7, 1e-12);
  EXPECT_EQ(p.gf[1], gf1);
  for (int i = 2; i <= 4; i++) EXPECT_EQ(p.ft[i], 2.9);
  EXPECT_NEAR(p.gf[2], 1.2 * 2.9 * 2.9 * 1000 / 30000, 1e-12);
  EXPECT_EQ(p.gf[3], 0.05);
  // A later call whose strength is not above the stored one changes no slot.
  p.gf[2] = 7.0;
  CalcConcPropAtEquivAge_NLMM173(concrete.m, law, 30000, 38, 2.9, 0.05, 1.0, 20.0, 28.0, p.cr, h);
  EXPECT_EQ(p.gf[2], 7.0);
}

namespace {

MaterialRecord TemperatureLaws(const std::vector<int>& laws) {
  CrackMat c(MAT_NLMM175);
  for (int k = 1; k <= 7; k++) c.m.Value[k] = laws[static_cast<size_t>(k - 1)];
  return c.m;
}

}  // namespace

TEST(HotConcrete, PropertiesAtTheTemperature) {
  const MaterialRecord all = TemperatureLaws({1, 1, 0, 1, 1, 1, 0});
  struct Case {
    double T, rho, E, fc, fct;
  };
  const Case cases[] = {
      {20, 1, 1, 1, 1},
      {300, 0.965, 400.0 / 550.0, 1.067 - 0.201, 0.6},
      {400, 0.95, 0.545455, 0.799, 0.4},
      {400.000001, 0.95, 0.545455, 0.80, 0.4},
      {700, 0.95 - 0.07 * 300 / 800, 1e-6, 1.44 - 1.12, 1e-6},
      {800, 0.95 - 0.07 * 0.5, 1e-6, 0.16, 1e-6},
      {800.000001, 0.95 - 0.07 * 0.5, 1e-6, 0.16, 1e-6},
      {1300, 0.88, 1e-6, 1e-6, 1e-6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.T);
    CrackMat concrete = CrackConcrete(MAT_NLMM111, 0.1);
    CrackPoint p(100.0);
    NLMM175_HD h{};
    h.FirstCallFlag = 1;
    CalcTempDependentConcProp_NLMM175(concrete.m, all, 30000, 30, 3, 0.1, 24, 0.2, c.T, 1e-5, 5.0, p.cr, h);
    EXPECT_NEAR(h.UnitWeight, c.rho * 24, 1e-5);
    EXPECT_NEAR(h.YoungModulus, c.E * 30000, 0.02);
    EXPECT_NEAR(h.CompressiveStrength, c.fc * 30, 1e-5);
    EXPECT_NEAR(h.TensileStrength, c.fct * 3, 1e-5);
    EXPECT_NEAR(h.ThermalExpansion, (6 + 0.008 * c.T) * 1e-6, 1e-18);
    EXPECT_EQ(h.PoissonRatio, 0.2);
    EXPECT_EQ(h.Temperature, c.T);
    EXPECT_EQ(h.Time, 5.0);
    EXPECT_EQ(h.FirstCallFlag, 0);
    // The crack material: every property of the temperature, the expansion of law 1.
    const double slot[] = {h.UnitWeight, h.ThermalExpansion, 0.2, h.YoungModulus, h.CompressiveStrength,
                           h.TensileStrength};
    for (int s = 64; s <= 69; s++) EXPECT_EQ(MatSlotValue(concrete.m, MAT_NLMM111, s), slot[s - 64]) << s;
    for (int i = 1; i <= 4; i++) EXPECT_EQ(p.ft[i], h.TensileStrength);
  }
  // Law 0 of every property: the 20 degree values; the record keeps its own expansion.
  CrackMat concrete = CrackConcrete(MAT_NLMM111, 0.1);
  concrete.Set(65, 1.1e-5);
  CrackPoint p(100.0);
  NLMM175_HD h{};
  CalcTempDependentConcProp_NLMM175(concrete.m, TemperatureLaws({0, 0, 0, 0, 0, 0, 0}), 30000, 30, 3, 0.1, 24, 0.2,
                                    500, 1e-5, 5.0, p.cr, h);
  EXPECT_EQ(h.YoungModulus, 30000);
  EXPECT_EQ(h.CompressiveStrength, 30);
  EXPECT_EQ(h.ThermalExpansion, 1e-5);
  EXPECT_EQ(MatSlotValue(concrete.m, MAT_NLMM111, 65), 1.1e-5);
  // After the first call a slot takes a higher strength only while it has no crack, and
  // never a lower one.
  p.cr.nCr = 1;
  p.ft[1] = 2.0;
  p.ft[2] = 2.0;
  const MaterialRecord tensile = TemperatureLaws({0, 0, 0, 0, 0, 1, 0});
  CalcTempDependentConcProp_NLMM175(concrete.m, tensile, 30000, 30, 3, 0.1, 24, 0.2, 50, 1e-5, 6.0, p.cr, h);
  EXPECT_EQ(p.ft[1], 2.0);
  EXPECT_EQ(p.ft[2], 3.0);
  CalcTempDependentConcProp_NLMM175(concrete.m, tensile, 30000, 30, 3, 0.1, 24, 0.2, 500, 1e-5, 7.0, p.cr, h);
  EXPECT_EQ(p.ft[1], 2.0);
  EXPECT_EQ(p.ft[2], 3.0);
  EXPECT_NEAR(h.TensileStrength, 0.6, 1e-12);
}

TEST(HotConcreteDeath, LawsOnlyConstantAreRefusedInternally) {
  CrackMat concrete = CrackConcrete(MAT_NLMM111, 0.1);
  CrackPoint p(100.0);
  NLMM175_HD h{};
  EXPECT_EXIT(CalcTempDependentConcProp_NLMM175(concrete.m, TemperatureLaws({0, 0, 1, 0, 0, 0, 0}), 30000, 30, 3,
                                                0.1, 24, 0.2, 500, 1e-5, 5.0, p.cr, h),
              testing::ExitedWithCode(1), "INTERNAL ERROR");
}

TEST(KelvinChain, EffectiveModulusOfAStep) {
  const double E[3] = {0, 20000, 5000}, tau[3] = {0, 10, 100};
  EXPECT_EQ(CalcKelvinEffectiveModulus(0, 30000, 10, E, tau), 30000);
  // tau = dt: lambda = 1 - 1/e.
  EXPECT_NEAR(CalcKelvinEffectiveModulus(1, 30000, 10, E, tau), 19332.15, 0.01);
  // A zero step is instantaneous loading: E0; a tiny one stays next to it.
  EXPECT_EQ(CalcKelvinEffectiveModulus(2, 30000, 0.0, E, tau), 30000);
  const double tiny = CalcKelvinEffectiveModulus(2, 30000, 1e-12, E, tau);
  EXPECT_LT(tiny, 30000);
  EXPECT_NEAR(tiny, 30000, 1e-6);
  // A long step: every unit has crept fully (1/E0 + sum 1/E_u).
  EXPECT_NEAR(CalcKelvinEffectiveModulus(2, 30000, 1e9, E, tau), 1 / (1 / 30000.0 + 1 / 20000.0 + 1 / 5000.0), 1e-3);

  // A stress ramp sigma = r s from rest over one step: each unit (tau eps' + eps = sigma /
  // E_u) reaches (r/E_u)(dt - tau (1 - exp(-dt/tau))), so the strain is r dt / E''.
  for (double dt : {0.5, 10.0, 300.0}) {
    const double r = 2.0;
    double strain = r * dt / 30000;
    for (int u = 1; u <= 2; u++) strain += r / E[u] * (dt - tau[u] * (1 - std::exp(-dt / tau[u])));
    EXPECT_NEAR(r * dt / strain, CalcKelvinEffectiveModulus(2, 30000, dt, E, tau), 1e-8 * 30000) << dt;
  }
}

TEST(KelvinChain, UnitModuliOfTheCreepLaw) {
  const double k[9] = {0, 1, 1, 0.5, 2, 1, 1, 0.5, 2};
  double E[3];
  CalcKelvinChainModuli(2, 30000, 28, 0.2, E, k);
  EXPECT_NEAR(1 / E[1], (0.2 / 0.002) * (2.0 / 30000) / std::sqrt(28.0), 1e-15);
  EXPECT_NEAR(E[1], 793.725, 1e-3);
  EXPECT_NEAR(E[2], E[1] / 12, 1e-9);
  EXPECT_NEAR(E[2], 66.1438, 1e-4);
  // One unit: it is the last, so its compliance carries the 1.2.
  CalcKelvinChainModuli(1, 30000, 28, 0.2, E, k);
  EXPECT_NEAR(E[1], 793.725 / 1.2, 1e-3);
}

TEST(KelvinChain, CreepUnderConstantStressIsTheSumOfExponentials) {
  // Two components, two units under constant stress s: unit u creeps towards s/E_u as
  // 1 - exp(-t/tau_u). The unit strains still to come are the internal variables; the
  // increment of steps of any size adds up to the closed form.
  const double E[3] = {0, 20000, 5000}, tau[3] = {0, 3, 40};
  const double s[3] = {0, 10, -4};
  double** G;
  allocd2(&G, 2, 2);
  double eps[3][3] = {};  // eps[i][u] crept so far
  double t = 0;
  for (double dt : {0.0, 0.5, 2.0, 7.0, 30.0, 100.0}) {
    for (int i = 1; i <= 2; i++)
      for (int u = 1; u <= 2; u++) G[i][u] = s[i] / E[u] - eps[i][u];
    double d[3] = {0, 0, 0};
    CalcKelvinCreepStrainIncr(2, 2, -1.0, dt, G, d, tau);
    for (int i = 1; i <= 2; i++)
      for (int u = 1; u <= 2; u++) eps[i][u] += (1 - std::exp(-dt / tau[u])) * G[i][u];
    t += dt;
    for (int i = 1; i <= 2; i++) {
      double closed = 0, crept = 0;
      for (int u = 1; u <= 2; u++) {
        closed += s[i] / E[u] * (1 - std::exp(-t / tau[u]));
        crept += eps[i][u];
      }
      EXPECT_NEAR(crept, closed, 1e-15) << t;
      // The routine's increment is the step's share of it; f scales and turns it.
      double step = 0;
      for (int u = 1; u <= 2; u++) step += (1 - std::exp(-dt / tau[u])) * G[i][u];
      EXPECT_NEAR(d[i], step, 1e-18);
    }
  }
  double d[3] = {0, 1e-3, 0};
  CalcKelvinCreepStrainIncr(2, 2, 2.0, 0.0, G, d, tau);
  EXPECT_EQ(d[1], -2e-3);
  freed2(G);
}

TEST(PatternCompositions, TableOfAdmittedCompositions) {
  double** table;
  allocd2(&table, kPattCompositions, kMaterialKinds);
  for (int r = 1; r <= kPattCompositions; r++)
    for (int c = 1; c <= kMaterialKinds; c++) table[r][c] = 7.0;
  CalcPossibleNLMMPattComposition(table);
  const int used[] = {MAT_LIN_ISO, MAT_NLMM104, MAT_NLMM111, MAT_NLMM171, MAT_NLMM172,
                      MAT_NLMM173, MAT_NLMM174, MAT_NLMM175, MAT_FRC_MIXFRACTURE_2D};
  const int members[kPattCompositions + 1] = {0, 2, 2, 2, 2, 3, 3, 3, 3, 3, 4, 4, 2,
                                              2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 4, 4};
  for (int r = 1; r <= kPattCompositions; r++) {
    double sum = 0;
    for (int c = 1; c <= kMaterialKinds; c++) {
      EXPECT_TRUE(table[r][c] == 0.0 || table[r][c] == 1.0);
      sum += table[r][c];
      if (std::find(std::begin(used), std::end(used), c) == std::end(used)) {
        EXPECT_EQ(table[r][c], 0.0) << r << " " << c;
      }
    }
    EXPECT_EQ(sum, members[r]) << r;
    // One base material, one shrinkage law at most, the temperature model alone.
    EXPECT_EQ(table[r][MAT_LIN_ISO] + table[r][MAT_NLMM104] + table[r][MAT_NLMM111], 1.0) << r;
    EXPECT_LE(table[r][MAT_NLMM171] + table[r][MAT_NLMM172], 1.0) << r;
    if (table[r][MAT_NLMM175] == 1.0) {
      EXPECT_EQ(table[r][MAT_NLMM111], 1.0);
      EXPECT_EQ(sum, 2.0);
    }
  }
  // Rows by their members: 12 the plane crack model with the fracture model, 17 the
  // temperature model, 24 everything with the solid crack model.
  EXPECT_EQ(table[12][MAT_NLMM104] + table[12][MAT_FRC_MIXFRACTURE_2D], 2.0);
  EXPECT_EQ(table[17][MAT_NLMM175], 1.0);
  EXPECT_EQ(table[24][MAT_NLMM111] + table[24][MAT_NLMM172] + table[24][MAT_NLMM173] + table[24][MAT_NLMM174], 4.0);
  EXPECT_EQ(table[7][MAT_LIN_ISO] + table[7][MAT_NLMM173] + table[7][MAT_NLMM174], 3.0);
  freed2(table);
}
