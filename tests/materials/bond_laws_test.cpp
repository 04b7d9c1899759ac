// Bond-slip and interface laws at one sampling point: closed-form envelopes, secant
// unloading, the softening interface's states along an opening path, friction that
// raises the bond strength, the cyclic bond law's rules and damage, and the tangents
// against central differences of the stress.
#include "materials/interface/bond_laws.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "model/mesh.h"
#include "support/material_driver.h"

namespace {

constexpr const char* kInternal = "INTERNAL ERROR";

// Central difference of stress component i over relative displacement j, each side
// evaluated on a copy of the record r0 (the state before the step).
template <typename R>
double Difference(const std::function<void(R&, const double*, double*)>& law, const R& r0, std::vector<double> w, int i,
                  int j, double h) {
  double sp[4], sm[4];
  R a = r0, b = r0;
  w[j] += h;
  law(a, w.data(), sp);
  w[j] -= 2 * h;
  law(b, w.data(), sm);
  return (sp[i] - sm[i]) / (2 * h);
}

// s1 0.01, s2 0.02, tau_max 5, alpha 0.4, beta 0.3, kn 100.
const MaterialRecord kBond301 = matdriver::Record({0.01, 0.02, 5, 0.4, 0.3, 100});

}  // namespace

TEST(BondSlip301, EnvelopeSecantUnloadingAndTangent) {
  struct Step {
    double s, tau;
  };
  const double peak40 = 5 * std::pow(2.0, -0.3);  // at s = 0.04 on the descending branch
  const std::vector<Step> path = {
      {0.005, std::pow(0.5, 0.4) * 5 * 0.5},  // straight branch
      {0.01, std::pow(0.5, 0.4) * 5},         // meets the ascending branch
      {0.015, 5 * std::pow(0.75, 0.4)},
      {0.02, 5},
      {0.04, peak40},
      {0.02, peak40 / 2},  // back inside: the secant through the origin
      {-0.03, -peak40 * 0.75},
      {0.04, peak40},  // the secant until the largest slip again
      {-0.05, -5 * std::pow(2.5, -0.3)},
  };
  const auto law = [](NLMM301_HD& r, const double* w, double* s) { CalcStress_NLMM301(kBond301, r, w, s); };
  NLMM301_HD r{};
  for (const Step& p : path) {
    SCOPED_TRACE(p.s);
    const NLMM301_HD before = r;
    const std::vector<double> w = {0, p.s, 0.001};
    double sigma[3];
    law(r, w.data(), sigma);
    EXPECT_NEAR(sigma[1], p.tau, 1e-12);
    EXPECT_DOUBLE_EQ(sigma[2], 0.1);
    double D[3][3];
    double* rows[3] = {nullptr, D[1], D[2]};
    CalcMat_D_NLMM301(kBond301, r, rows);
    // Not at the kinks: the ends of the straight branch and of the plateau, and the
    // largest slip reached, where the secant meets the envelope.
    if (p.s != 0.01 && p.s != 0.02 && std::fabs(p.s) != before.Value[NLMM301_HD::kMaxSlip301]) {
      EXPECT_NEAR(D[1][1], Difference<NLMM301_HD>(law, before, w, 1, 1, 1e-7), 1e-4 * std::fabs(D[1][1]) + 1e-6);
    }
    EXPECT_DOUBLE_EQ(D[2][2], 100);
    EXPECT_EQ(D[1][2], 0.0);
  }
}

TEST(SoftInterface302, StatesAlongAnOpeningPath) {
  // ft 3, w1 0.02, r1 0.3, w2 0.1, r2 0.1, wu 0.2, kt = kn = 1e6, in the file's order
  // kt, kn, ft, w1, r1, w2, r2, wu.
  const MaterialRecord m = matdriver::Record({1e6, 1e6, 3, 0.02, 0.3, 0.1, 0.1, 0.2});
  const SoftInterface302 c = Nlmm302Of(m);
  EXPECT_EQ(c.r1, 0.3);
  EXPECT_EQ(c.wu, 0.2);
  EXPECT_EQ(c.ft, 3);
  struct Step {
    double w, sigma;
    int state;
    double slope;  // D22
  };
  const double sec = 0.675 / 0.05;  // secant of the softening point at 0.05
  const std::vector<Step> path = {
      {1e-6, 1, 1, 1e6},
      {3e-6, 3, 1, 1e6},             // kn w = ft: still uncracked
      {0.01, 1.95, 2, -105},         // first softening segment
      {0.05, 0.675, 2, -7.5},        // second
      {0.025, 0.025 * sec, 3, sec},  // unloading on the secant
      {-1e-6, -1, 4, 1e6},           // closed
      {-5e-7, -5e-7 * sec, 5, sec},  // opening while still penetrating: the secant
      {0.04, 0.04 * sec, 5, sec},
      {0.15, 0.15, 2, -3},  // past the last softening point: the curve again
      {0.25, 0, 6, 0},      // separated
      {-2e-6, -2, 4, 1e6},  // closed again
      {-1e-6, -1, 4, 1e6},  // reopening while penetrating keeps the contact
      {0.01, 0, 6, 0},
  };
  NLMM302_HD r{};
  r.InUse = 1;
  const auto law = [&m](NLMM302_HD& q, const double* w, double* s) { CalcStress_NLMM302(m, q, w, s); };
  for (const Step& p : path) {
    SCOPED_TRACE(p.w);
    const NLMM302_HD before = r;
    const std::vector<double> w = {0, 1e-6, p.w};
    double sigma[3];
    law(r, w.data(), sigma);
    EXPECT_NEAR(sigma[2], p.sigma, 1e-9);
    EXPECT_EQ(r.InUse, p.state);
    EXPECT_DOUBLE_EQ(sigma[1], p.state == 6 ? 0.0 : 1.0);
    double D[3][3];
    double* rows[3] = {nullptr, D[1], D[2]};
    CalcMat_D_NLMM302(m, r, rows);
    EXPECT_NEAR(D[2][2], p.slope, 1e-9 * std::fabs(p.slope) + 1e-12);
    EXPECT_DOUBLE_EQ(D[1][1], p.state == 6 ? 0.0 : 1e6);
    if (p.state == 2) {  // the tangent of the softening curve is its slope
      EXPECT_NEAR(Difference<NLMM302_HD>(law, before, w, 2, 2, 1e-6), p.slope, 1e-6);
    }
  }
}

TEST(FrictionBond305, StrengthGrowsWithCompression) {
  // s_lin 0.001, s_peak 0.002, tau_0 1, tan(phi) 0.5, alpha = beta = 0.5, K_n 1000.
  const MaterialRecord m = matdriver::Record({0.001, 0.002, 1, std::atan(0.5), 0.5, 0.5, 1000});
  const auto law = [&m](NLMM305_HD& r, const double* w, double* s) { CalcStress_NLMM305(m, kStateInterfaceLine2D, r, w, s); };
  struct Step {
    double s, wn, tau, sn;
  };
  // Under w = -0.002 the normal stress is -2 and the strength 1 + 0.5 * 2 = 2.
  const double lin = 2 * std::sqrt(0.5) / 0.001;
  const std::vector<Step> path = {
      {0.0005, -0.002, lin * 0.0005, -2},
      {0.0015, -0.002, 2 * std::sqrt(0.75), -2},
      {0.004, -0.002, 2 / std::sqrt(2.0), -2},
      {-0.002, -0.002, -0.5 * 2 / std::sqrt(2.0), -2},  // inside: the secant
      {0.003, 0.001, 0, 0},                             // open: no shear
      {0.005, -0.004, 3 * std::pow(2.5, -0.5), -4},     // closed harder, past the largest slip
  };
  NLMM305_HD r{};
  for (const Step& p : path) {
    SCOPED_TRACE(p.s);
    const NLMM305_HD before = r;
    const std::vector<double> w = {0, p.s, p.wn};
    double sigma[3];
    law(r, w.data(), sigma);
    EXPECT_NEAR(sigma[1], p.tau, 1e-12);
    EXPECT_NEAR(sigma[2], p.sn, 1e-12);
    double D[3][3];
    double* rows[3] = {nullptr, D[1], D[2]};
    CalcMat_D_NLMM305(m, kStateInterfaceLine2D, r, rows);
    EXPECT_EQ(D[2][2], 1000);  // K_n, open or closed
    if (p.wn < 0) {
      EXPECT_NEAR(D[1][1], Difference<NLMM305_HD>(law, before, w, 1, 1, 1e-8), 1e-4 * std::fabs(D[1][1]));
    }
  }
  // Strength below zero: no shear, and the tangent 1e-8.
  const MaterialRecord weak = matdriver::Record({0.001, 0.002, -1, std::atan(0.5), 0.5, 0.5, 1000});
  NLMM305_HD q{};
  double w[3] = {0, 0.001, -0.001}, sigma[3];
  CalcStress_NLMM305(weak, kStateInterfaceLine2D, q, w, sigma);
  EXPECT_EQ(sigma[1], 0.0);
  double D[3][3];
  double* rows[3] = {nullptr, D[1], D[2]};
  CalcMat_D_NLMM305(weak, kStateInterfaceLine2D, q, rows);
  EXPECT_EQ(D[1][1], 1e-8);
}

TEST(FrictionBond305, SurfaceSlipsAreIndependent) {
  const MaterialRecord m = matdriver::Record({0.001, 0.002, 1, std::atan(0.5), 0, 0, 1000});
  NLMM305_HD r{};
  double w[4] = {0, 0.0005, -0.01, -0.002}, sigma[4];
  CalcStress_NLMM305(m, kStateInterfaceSurface, r, w, sigma);
  EXPECT_DOUBLE_EQ(sigma[1], 1.0);   // linear branch to tau_max = 2 at s_lin
  EXPECT_DOUBLE_EQ(sigma[2], -2.0);  // capped at the strength
  EXPECT_DOUBLE_EQ(sigma[3], -2.0);
  double D[4][4];
  double* rows[4] = {nullptr, D[1], D[2], D[3]};
  CalcMat_D_NLMM305(m, kStateInterfaceSurface, r, rows);
  EXPECT_DOUBLE_EQ(D[1][1], 2000);
  EXPECT_DOUBLE_EQ(D[2][2], 0.0);  // on the flat envelope
  EXPECT_DOUBLE_EQ(D[3][3], 1000);
  EXPECT_EQ(D[1][2], 0.0);
  EXPECT_DEATH(CalcStress_NLMM305(m, kStateInterfaceLine3D, r, w, sigma), kInternal);
  EXPECT_DEATH(CalcMat_D_NLMM305(m, kStateSolid, r, rows), kInternal);
}

namespace {

// alpha 0.4, s1 0.01, s2 0.5, tau_1 2, s3 1, tau_f 0.5, K_un, opening stiffness 1e4,
// in the file's order.
MaterialRecord Cyclic(double kUn) { return matdriver::Record({0.4, 0.01, 0.5, 2, 1, 0.5, kUn, 1e4, 0, 0}); }

struct Point303 {
  MaterialRecord m;
  NLMM303_HD r{};
  explicit Point303(double kUn = 200) : m(Cyclic(kUn)) { r.RuleNumber = 1; }
  double operator()(double s, double* secant = nullptr) {
    double tau, sec = -1.0;
    CalcStress_NLMM303(PointContext{1, 1, 1, 1, 0}, m, r, s, &tau, &sec);
    if (secant != nullptr) *secant = sec;
    return tau;
  }
};

}  // namespace

TEST(CyclicBond303, EnvelopesAndReversalAtTheOrigin) {
  const CyclicBond303 c = Nlmm303Of(Cyclic(200));
  EXPECT_EQ(c.s1, 0.01);
  EXPECT_EQ(c.tau1, 2);
  EXPECT_EQ(c.s3, 1);
  EXPECT_EQ(c.tauF, 0.5);
  EXPECT_DOUBLE_EQ(Nlmm303InitialStiffness(Cyclic(200)), 200);
  struct Case {
    double s, tau;
  };
  const double f = 0.00645;
  // Each from a new point: the first move goes straight onto its envelope.
  const Case cases[] = {
      {0.0, f},                                   // the friction part at zero slip
      {0.005, f + (2 - f) * std::pow(0.5, 0.4)},  // ascending
      {0.2, 2},                                   // plateau
      {0.75, 1.25},                               // descending to (1, 0.5)
      {3.0, 0.5},                                 // residual friction
      {-0.2, -2},                                 // a reversal at (0, 0): the negative envelope
      {-0.75, -1.25},
      {-3.0, -0.5},
  };
  for (const Case& k : cases) {
    Point303 p;
    double secant;
    EXPECT_NEAR(p(k.s, &secant), k.tau, 1e-12) << k.s;
    EXPECT_NEAR(p.r.Value[k303Tangent], k.s == 0 ? p.r.Value[k303Tangent] : k.tau / k.s, 1e-12);
    if (k.s != 0) {
      EXPECT_NEAR(secant, k.tau / k.s, 1e-12);
    } else {
      EXPECT_EQ(secant, -1.0);  // left unchanged
    }
  }
}

TEST(CyclicBond303, UnloadingFromThePlateauRunsDownToTheFrictionLevel) {
  struct Case {
    double kUn, s, tau;
  };
  // From (0.1, 2): slope max(K_un, (2 + 0.0068) / 0.1 = 20.068), floor -0.0068.
  const Case cases[] = {
      {200, 0.095, 1.0},
      {200, 0.09, 2 - 200 * 0.01},
      {200, 0.085, -0.0068},
      {10, 0.095, 2 - 20.068 * 0.005},
      {10, 0.05, 2 - 20.068 * 0.05},
      {10, 0.0, -0.0068},
  };
  for (const Case& k : cases) {
    Point303 p(k.kUn);
    p(0.1);
    EXPECT_NEAR(p(k.s), k.tau, 1e-12) << k.kUn << " " << k.s;
    EXPECT_EQ(p.r.PositiveCount, 1);
  }
}

TEST(CyclicBond303, DissipatedEnergyDamagesTheEnvelope) {
  Point303 p;
  // Out to the positive plateau, across to the negative one and back: the reversal on
  // the negative envelope at (-0.1, -2) dissipates the friction energy of that side.
  for (double s : {0.1, 0.05, -0.05, -0.1, -0.05, 0.05}) p(s);
  EXPECT_EQ(p.r.RuleNumber, 11);
  const double Eref = 1.2 * (2 * 0.01 / 1.4 + 2 * 0.49 + 1.5 * 0.5 / 2 + 0.5 * 0.5);
  EXPECT_NEAR(p.r.Value[k303EnergyRef], Eref, 1e-12);
  const double energy = (0.00645 * 0.09 - 2.080125e-05 / 200) / 2;  // e = -0.1 + 2 / 200
  const double E = energy / Eref;
  EXPECT_NEAR(p.r.Value[k303EnergyNeg], E, 1e-15);
  EXPECT_EQ(p.r.Value[k303EnergyPos], 0.0);
  const double d = std::pow(2.71, -1.2 * std::pow(E, 1.1));
  // Reloading reaches the undamaged positive envelope at its reversal point ...
  EXPECT_NEAR(p(0.1), 2.0, 1e-12);
  // ... and the negative envelope, beyond its reversal point, is lowered by d.
  for (double s : {0.05, -0.05, -0.1}) p(s);
  EXPECT_NEAR(p(-0.2), -2 * d, 1e-12);
  EXPECT_LT(d, 1.0);
  EXPECT_NEAR(p.r.Value[k303DamageNeg], d, 1e-15);
  EXPECT_EQ(p.r.Value[k303DamagePos], 1.0);
}

TEST(CyclicBond303, UnloadingFromAReloadingParabolaFollowsOneLine) {
  Point303 p;
  for (double s : {0.1, 0.05, -0.05, -0.1, -0.05}) p(s);
  // Reloading on the parabola from (0, 0.00645) to the reversal point (0.1, 2) ...
  const double t = 0.00645 + 0.05 * 0.05 * (2 - 0.00645) / (0.1 * 0.1);
  EXPECT_NEAR(p(0.05), t, 1e-12);
  // ... and back: the line of slope K_un from (0.05, t), step after step, down to the
  // friction level.
  EXPECT_NEAR(p(0.049), t - 0.2, 1e-12);
  EXPECT_NEAR(p(0.048), t - 0.4, 1e-12);
  EXPECT_NEAR(p(0.04), -0.0068, 1e-12);
}

TEST(CyclicBond303Death, SlipBeyondItsLimitStopsTheRun) {
  Point303 ok;
  EXPECT_NEAR(ok(1000.0), 0.5, 1e-12);  // 1000 s3 exactly
  Point303 p;
  EXPECT_EXIT(p(1000.001), testing::ExitedWithCode(1),
              "Calculating the stress state:\n   -> Combination: 1\n   -> Iteration: 1\n   -> Element: 1\n"
              "   -> Sampling point: 1\n   -> Nonlinear material model: _NLMM303\n"
              "In this model the Slip cannot exceed the max value\n(.|\n)*Execution cannot proceed.");
}
