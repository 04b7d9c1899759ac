// Reinforced-concrete panel points: the smeared bars _NLMM145 (the strain projected on
// the bars, the bar stress rotated back, the elastic bar stiffness) and the plane cyclic
// concrete _NLMM211 (elastic start, principal directions, rotation of stress and matrix,
// fracture energy of the tension softening, cyclic loading, the model data left alone).
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <vector>

#include "materials/elastic.h"
#include "materials/uniaxial/concrete_cyclic.h"
#include "materials/uniaxial/steel.h"
#include "model/material.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/material_driver.h"

namespace {

constexpr double kPi = 3.141592653589793;

// E 200000, Esh 5000, eps_y 0.002, fy 400, eps_sh 0.02, eps_u 0.1, fu 600; bars at theta.
MaterialRecord Bars(double theta) {
  return matdriver::Record({7.85e-9, 1.2e-5, 200000, 5000, 0.002, 400, 0.02, 0, 0.1, 600, theta});
}

// Skeleton of the bars below strain hardening.
double Skeleton(double e) { return 200000 * e / std::pow(1 + std::pow(200000 * e / 400, 10), 0.1); }

// E 30000, eps_c 0.002, f_c 30, eps_cr 0.01, f_t -3, trilinear (0.1, 0.5), (0.4, 0.2), G_f,
// band h = 1.
MaterialRecord Concrete(double nu, double Gf = 0.05) {
  return matdriver::RecordWithInts({2.4e-9, 1e-5, nu, 30000, 0.002, 30, 0.01, -3, 0.1, 0.5, 0.4, 0.2, Gf, 1, 1},
                                   {14});
}

const PointContext kAt{1, 1, 1, 1, 0};

// Strain (xx, yy, xy) whose principal strains are e1, e2 with e1 at angle a.
std::vector<double> Rotated(double e1, double e2, double a) {
  const double c = std::cos(a), s = std::sin(a);
  return {c * c * e1 + s * s * e2, s * s * e1 + c * c * e2, 2 * s * c * (e1 - e2)};
}

}  // namespace

// theta = 0 sees eps_x only and answers sigma_x; 90 sees eps_y; 45 turns a pure shear
// gamma into the bar strain gamma / 2. D = E t^T t; places past the third stay 0.
TEST(SmearedBars, ProjectionRotationAndStiffness) {
  const struct {
    double theta;
    double dEps[6];
    double bar;     // bar strain
    double t[3];    // (c^2, s^2, s c)
  } cases[] = {
      {0, {0, 0.001, 0.0005, 0.0003, 0.7, 0.9}, 0.001, {1, 0, 0}},
      {90, {0, 0.001, 0.0005, 0.0003, 0.7, 0.9}, 0.0005, {0, 1, 0}},
      {45, {0, 0, 0, 0.002, 0.7, 0.9}, 0.001, {0.5, 0.5, 0.5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.theta);
    const MaterialRecord m = Bars(c.theta);
    NLMM145_HD r{};
    r.RuleNumber = r.StateWord = 1;
    double sigma[6] = {0, 9, 9, 9, 9, 9}, tangent;
    CalcStress_NLMM145(m, 5, r, c.dEps, sigma, &tangent);
    EXPECT_NEAR(r.Value[NLMM145_HD::kStrain], c.bar, 1e-15);
    for (int k = 1; k <= 3; k++) EXPECT_NEAR(sigma[k], Skeleton(c.bar) * c.t[k - 1], 1e-9) << k;
    EXPECT_EQ(sigma[4], 0.0);
    EXPECT_EQ(sigma[5], 0.0);
    double** D;
    allocd2(&D, 5, 5);
    CalcMat_D_NLMM145(m, 5, D);
    for (int i = 1; i <= 5; i++)
      for (int j = 1; j <= 5; j++)
        EXPECT_NEAR(D[i][j], i <= 3 && j <= 3 ? 200000 * c.t[i - 1] * c.t[j - 1] : 0.0, 1e-9) << i << j;
    freed2(D);
  }
}

// A bar pulled past yield carries fy on its skeleton at the material point of a plane
// element, while its matrix stays the elastic bar stiffness.
TEST(SmearedBars, YieldAtThePlanePoint) {
  matdriver::ContinuumPoint p(MAT_NLMM145, _PLANE_STRESS_QUAD, Bars(0));
  const std::vector<double> s = p.Path({0.005, 0.001, 0.0}, {false, false, false}, 5);
  EXPECT_NEAR(s[0], 399.99581, 1e-5);
  EXPECT_EQ(s[1], 0.0);
  EXPECT_NEAR(p.Tangent()[0], 200000, 1e-9);
}

// After a reversal the bars' rule 5 keeps its branch past its target within the call
// (the cyclic steel of the fibres takes the skeleton there); the next call puts both on
// the skeleton.
TEST(SmearedBars, RuleFiveDrawsItsBranchPastTheTarget) {
  CyclicSteel bars = CyclicSteelOf(Bars(0), 3), fibre = bars;
  bars.branchPastTarget = true;
  NLMM145_HD a{}, b{};
  a.RuleNumber = b.RuleNumber = a.StateWord = b.StateWord = 1;
  double sa = 0, sb = 0, t;
  for (double e : {0.01, 0.006}) {
    CalcStress_NLMM202(bars, a, e, &sa, &t);
    CalcStress_NLMM202(fibre, b, e, &sb, &t);
  }
  EXPECT_EQ(a.RuleNumber, 3);
  CalcStress_NLMM202(bars, a, 0.03, &sa, &t);
  CalcStress_NLMM202(fibre, b, 0.03, &sb, &t);
  EXPECT_EQ(a.RuleNumber, 5);
  EXPECT_TRUE(std::isfinite(sa));
  EXPECT_GT(std::fabs(sa - sb), 1.0);
  CalcStress_NLMM202(bars, a, 0.031, &sa, &t);
  CalcStress_NLMM202(fibre, b, 0.031, &sb, &t);
  EXPECT_NEAR(sa, sb, 1e-9);
}

// Below the cracking strain and f_c / (3.2 E) the point stays linear and answers with
// the elastic matrix.
TEST(PlaneCyclicConcrete, ElasticStart) {
  matdriver::ContinuumPoint p(MAT_NLMM211, _PLANE_STRESS_QUAD, Concrete(0.2));
  const std::vector<double> s = p.Path({2e-5, -1e-4, 5e-5}, {false, false, false}, 2);
  const double f = 30000 / (1 - 0.04);
  EXPECT_NEAR(s[0], f * (2e-5 - 0.2e-4), 1e-9);
  EXPECT_NEAR(s[1], f * (-1e-4 + 0.2 * 2e-5), 1e-9);
  EXPECT_NEAR(s[2], f * 0.4 * 5e-5, 1e-9);
  EXPECT_EQ(p.Record<NLMM211_HD>().State, 0);
  const std::vector<double> D = p.Tangent();
  EXPECT_NEAR(D[0], f, 1e-9);
  EXPECT_NEAR(D[1], 0.2 * f, 1e-9);
  EXPECT_NEAR(D[8], 0.4 * f, 1e-9);
}

TEST(PlaneCyclicConcrete, PrincipalStrains) {
  const struct {
    double exx, eyy, gxy, e1, e2, theta;
  } cases[] = {
      {0.001, 0.001, 0.0, 0.001, 0.001, 0.0},  // equal, no shear: angle 0
      {0.0, 0.0, 0.002, 0.001, -0.001, kPi / 4},  // exx = eyy: the shear names the axes
      {1e-9, 0.0, 0.002, 0.001 + 5e-10, -0.001 + 5e-10, kPi / 4 - 2.5e-7},
      {-0.002, 0.001, 0.0, 0.001, -0.002, kPi / 2},
      {0.0, 0.0, -0.002, 0.001, -0.001, -kPi / 4},
      {0.001, 0.0, 0.001 * std::sqrt(3.0), 0.0015, -0.0005, kPi / 6},
  };
  for (const auto& c : cases) {
    double e1, e2, th;
    CalcPrincStrain_NLMM211(c.exx, c.eyy, c.gxy, &e1, &e2, &th);
    EXPECT_NEAR(e1, c.e1, 1e-11);
    EXPECT_NEAR(e2, c.e2, 1e-11);
    EXPECT_NEAR(th, c.theta, 1e-9);
  }
}

// The same principal strains at any angle give the rotated stress and the rotated
// matrix: sigma(a) = T(a)^T sigma(0) and D(a) = T(a)^T D(0) T(a). At 45 degrees the normal
// stresses are (s1 + s2) / 2 and the shear (s1 - s2) / 2.
TEST(PlaneCyclicConcrete, RotatedStrainGivesTheRotatedAnswer) {
  for (double nu : {0.0, 0.2}) {
    SCOPED_TRACE(nu);
    const double e1 = 0.0003, e2 = -0.0012;
    matdriver::ContinuumPoint p0(MAT_NLMM211, _PLANE_STRESS_QUAD, Concrete(nu));
    const std::vector<double> s0 = p0.Path(Rotated(e1, e2, 0), {false, false, false}, 3);
    const std::vector<double> D0 = p0.Tangent();
    EXPECT_NEAR(s0[2], 0.0, 1e-12);
    EXPECT_GT(s0[0], 0.0);  // cracked in tension, still carrying some stress
    EXPECT_LT(s0[0], 3.0);
    EXPECT_LT(s0[1], -20.0);
    for (double deg : {30.0, 45.0, 90.0, 120.0}) {
      SCOPED_TRACE(deg);
      const double a = deg * kPi / 180;
      // At 45 degrees exx = eyy: the shear alone names the axes, as exactly as elsewhere.
      const double tol = 1e-9;
      matdriver::ContinuumPoint p(MAT_NLMM211, _PLANE_STRESS_QUAD, Concrete(nu));
      const std::vector<double> s = p.Path(Rotated(e1, e2, a), {false, false, false}, 3);
      double** T;
      allocd2(&T, 3, 3);
      CalcTransMat_NLMM211(a, T);
      for (int i = 0; i < 3; i++) {
        double x = 0;
        for (int k = 0; k < 3; k++) x += T[k + 1][i + 1] * s0[k];
        EXPECT_NEAR(s[i], x, tol) << i;
      }
      const std::vector<double> D = p.Tangent();
      for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) {
          double x = 0;
          for (int k = 0; k < 3; k++)
            for (int l = 0; l < 3; l++) x += T[k + 1][i + 1] * D0[k * 3 + l] * T[l + 1][j + 1];
          EXPECT_NEAR(D[i * 3 + j], x, 1e-8 * 30000) << i << j;
        }
      freed2(T);
      if (deg == 45.0) {
        EXPECT_NEAR(s[0], (s0[0] + s0[1]) / 2, tol);
        EXPECT_NEAR(s[1], (s0[0] + s0[1]) / 2, tol);
        EXPECT_NEAR(std::fabs(s[2]), std::fabs(s0[0] - s0[1]) / 2, tol);
      }
    }
  }
}

// Once past its linear range the matrix is the derivative of the stress update: central
// differences of the last step of a point on the compression curve with a tension across
// it, at principal angles away from, near and at 45 degrees (where exx = eyy and only the
// shear names the axes), with and without Poisson's ratio (the coupling of the
// directions' equivalent strains). The turn of the axes gives the shear term
// (s1 - s2) / (2 (e1 - e2)).
TEST(PlaneCyclicConcrete, TangentIsTheDerivativeOfTheUpdate) {
  for (double nu : {0.0, 0.2})
    for (double deg : {30.0, 44.99, 45.0, 45.01, 135.0}) {
      SCOPED_TRACE(testing::Message() << "nu " << nu << ", " << deg << " degrees");
      matdriver::ContinuumPoint p(MAT_NLMM211, _PLANE_STRESS_QUAD, Concrete(nu));
      const std::vector<double> total = Rotated(0.00005, -0.0012, deg * kPi / 180);
      p.Path(total, {false, false, false}, 4);
      std::vector<double> last(3);
      for (int k = 0; k < 3; k++) last[static_cast<size_t>(k)] = total[static_cast<size_t>(k)] / 4;
      const std::vector<double> D = p.Tangent(), F = p.DifferenceTangent(last, 1e-9);
      for (int i = 0; i < 9; i++) EXPECT_NEAR(D[static_cast<size_t>(i)], F[static_cast<size_t>(i)], 1e-3 * 30000) << i;
      // Past c_lin: the matrix falls below the elastic one.
      EXPECT_LT(D[0] + D[4], 0.9 * 2 * 30000 / (1 - nu * nu));
    }
}

// The derivative of the update at the states a cracking beam passes through, at angles
// away from, near and at 45 degrees, with and without Poisson's ratio: a crack on its
// softening branch with a compression across it, a crushed direction past the peak with a
// crack across it, and a crack closing (rule 4) while the compression across it grows on
// the curve to the peak. The matrix with the falling branches kept is the central
// difference of the last step; with Poisson's ratio the equivalent strains couple the
// directions. The stiffness keeps a trace of E on a falling branch in place of its
// negative slope and is the derivative itself where no branch falls.
TEST(PlaneCyclicConcrete, TangentAtCrackedCrushedAndClosingStates) {
  const struct {
    const char* state;
    double e1, e2;  // principal strains reached in `steps` equal steps
    int steps;
    double d1, d2;  // a last step of the principal strains (0: the last of the equal ones)
    bool falls;
  } cases[] = {
      {"softening crack", 0.0008, -0.0004, 4, 0, 0, true},
      {"crushed across a crack", 0.0002, -0.003, 6, 0, 0, true},
      {"closing crack", 0.0008, -0.0008, 4, -0.0002, -0.0001, false},
  };
  for (const auto& c : cases)
    for (double nu : {0.0, 0.2})
      for (double deg : {30.0, 44.99, 45.0, 135.0}) {
        SCOPED_TRACE(testing::Message() << c.state << ", nu " << nu << ", " << deg << " degrees");
        const double a = deg * kPi / 180;
        const MaterialRecord m = Concrete(nu);
        matdriver::ContinuumPoint p(MAT_NLMM211, _PLANE_STRESS_QUAD, m);
        const std::vector<double> total = Rotated(c.e1, c.e2, a);
        p.Path(total, {false, false, false}, c.steps);
        std::vector<double> last(3);
        for (size_t k = 0; k < 3; k++) last[k] = total[k] / c.steps;
        if (c.d1 != 0.0 || c.d2 != 0.0) {
          last = Rotated(c.d1, c.d2, a);
          p.Path(last, {false, false, false}, 1);
        }
        const std::vector<double> F = p.DifferenceTangent(last, 1e-9), K = p.Tangent();
        double** De;
        double** D;
        allocd2(&De, 3, 3);
        allocd2(&D, 3, 3);
        CalcMat_De_IsoModel(3, nu, 30000, De);
        CalcMat_D_NLMM211(m, p.Record<NLMM211_HD>(), De, D, true);
        for (int i = 0; i < 3; i++)
          for (int j = 0; j < 3; j++) {
            const size_t k = static_cast<size_t>(3 * i + j);
            EXPECT_NEAR(D[i + 1][j + 1], F[k], 1e-4 * 30000) << i << j;
            if (!c.falls) {
              EXPECT_NEAR(K[k], D[i + 1][j + 1], 1e-9 * 30000) << i << j;
            }
          }
        // A falling branch: the derivative has a negative principal slope, the stiffness
        // keeps its diagonal positive. With Poisson's ratio, the crushed direction pushes
        // the cracked one's coupled strain into compression past c_lin: its equivalent
        // strain then falls while its own principal strain grows, and the stiffness has a
        // negative diagonal on a rising branch.
        const NLMM211_HD& r = p.Record<NLMM211_HD>();
        const double lowest = std::min(r.RealA[1], r.RealA[2]);
        double diagonal = K[0];
        for (size_t k : {4, 8}) diagonal = std::min(diagonal, K[k]);
        if (c.falls) {
          EXPECT_LT(lowest, 0.0);
        } else {
          EXPECT_GT(lowest, 0.0);
        }
        if (nu > 0.0 && c.e2 < -0.002) {
          EXPECT_LT(diagonal, 0.0);
        } else {
          EXPECT_GT(diagonal, 0.0);
        }
        freed2(De);
        freed2(D);
      }
}

// Equal principal strains (no shear stress) and a zero principal strain (the elastic
// diagonal term) give finite numbers.
TEST(PlaneCyclicConcrete, EqualAndZeroPrincipalStrains) {
  {
    matdriver::ContinuumPoint p(MAT_NLMM211, _PLANE_STRESS_QUAD, Concrete(0.2));
    const std::vector<double> s = p.Path({-0.001, -0.001, 0}, {false, false, false}, 2);
    EXPECT_NEAR(s[0], s[1], 1e-12);
    EXPECT_EQ(s[2], 0.0);
    EXPECT_LT(s[0], -10.0);
    const std::vector<double> D = p.Tangent();
    for (double d : D) EXPECT_TRUE(std::isfinite(d));
    EXPECT_NEAR(D[8], 30000 / (1 - 0.04) * 0.4, 1e-6);  // the elastic shear term
  }
  {
    matdriver::ContinuumPoint p(MAT_NLMM211, _PLANE_STRESS_QUAD, Concrete(0.0));
    const std::vector<double> s = p.Path({0, -0.001, 0}, {false, false, false}, 2);
    EXPECT_EQ(p.Record<NLMM211_HD>().Real2[NLMM211_HD::kPrincipalStrain][1], 0.0);
    const std::vector<double> D = p.Tangent();
    for (double d : D) EXPECT_TRUE(std::isfinite(d));
    EXPECT_NEAR(D[0], 30000, 1e-9);
    EXPECT_LT(s[1], -10.0);
  }
}

// Uniaxial tension through the trilinear softening to full cracking: the work per volume
// is G_f / h, the strength is f_t, nothing is carried past eps_u; the model data are not
// written.
TEST(PlaneCyclicConcrete, TensionSofteningSpendsTheFractureEnergy) {
  const MaterialRecord m = Concrete(0.0);
  matdriver::ContinuumPoint p(MAT_NLMM211, _PLANE_STRESS_QUAD, m);
  double top = 0.0;
  for (int k = 0; k < 800; k++) top = std::max(top, p.Path({0.0001, 0, 0}, {false, false, false}, 1)[0]);
  EXPECT_NEAR(top, 3.0, 1e-9);
  EXPECT_NEAR(p.Work(), 0.05, 0.0005);
  EXPECT_EQ(p.Path({0.001, 0, 0}, {false, false, false}, 1)[0], 0.0);
  const NLMM211_HD& r = p.Record<NLMM211_HD>();
  EXPECT_EQ(r.IntB[1], 1);
  EXPECT_EQ(r.IntC[1], 6);
  EXPECT_NEAR(p.Tangent()[0], 1e-6 * 30000.0, 1e-14);  // a floor of E, in any units
  const MaterialRecord fresh = Concrete(0.0);
  EXPECT_EQ(std::memcmp(m.Value, fresh.Value, sizeof m.Value), 0);
  EXPECT_NEAR(CalcUltCrNormalStrainTrilinear_NLMM211(-3, 30000, 0.05, 1, 0.1, 0.5, 0.4, 0.2),
              -(1.5 / 30000 + 2 * 0.05 / 3) / 0.48, 1e-15);
}

// Compression to the peak and past it along the envelope, unloading, a crack opened and
// closed again, reloading: the stress never passes f_c or f_t, and after the crack
// closes compression is carried again.
TEST(PlaneCyclicConcrete, CyclicUniaxialLoop) {
  matdriver::ContinuumPoint p(MAT_NLMM211, _PLANE_STRESS_QUAD, Concrete(0.0));
  double e = 0.0, lo = 0.0, hi = 0.0;
  auto to = [&](double target, int steps) {
    double s = 0;
    for (int k = 0; k < steps; k++) {
      const double de = (target - e) / (steps - k);
      s = p.Path({de, 0, 0}, {false, false, false}, 1)[0];
      e += de;
      lo = std::min(lo, s);
      hi = std::max(hi, s);
      EXPECT_TRUE(std::isfinite(s));
    }
    return s;
  };
  EXPECT_NEAR(to(-0.002, 20), -30.0, 1e-6);
  EXPECT_NEAR(to(-0.003, 10), -30 * 0.821804, 1e-4);
  const double unloaded = to(-0.0015, 10);
  EXPECT_GT(unloaded, -30 * 0.821804);
  to(0.0005, 20);
  to(-0.001, 20);
  const double back = to(-0.0035, 30);
  EXPECT_LT(back, -5.0);
  EXPECT_GE(lo, -30.0 - 1e-9);
  EXPECT_LE(hi, 3.0 + 1e-9);
}

// The strain limit names the plane law; a stored rule 11 (no partial loops here) and a
// zero band width are impossible states.
TEST(PlaneCyclicConcreteDeathTest, StrainLimitAndImpossibleStates) {
  const MaterialRecord m = Concrete(0.0);
  auto fresh = [] {
    NLMM211_HD r{};
    r.IntA[1] = r.IntA[2] = 1;
    r.Real2[NLMM211_HD::kCharLength][1] = r.Real2[NLMM211_HD::kCharLength][2] = 1.0;
    return r;
  };
  double s, t;
  NLMM211_HD r = fresh();
  EXPECT_EXIT(CalcStress_0_NLMM211(kAt, m, 1, r, -0.2321, &s, &t), testing::ExitedWithCode(1),
              "_NLMM211\n\n(.|\n)*Execution cannot proceed.");
  r = fresh();
  r.IntA[2] = 11;
  EXPECT_DEATH(CalcStress_0_NLMM211(kAt, m, 2, r, 0.001, &s, &t), "INTERNAL ERROR");
  r = fresh();
  r.Real2[NLMM211_HD::kCharLength][1] = 0.0;
  EXPECT_DEATH(CalcStress_0_NLMM211(kAt, m, 1, r, 0.001, &s, &t), "INTERNAL ERROR");
  EXPECT_DEATH(CalcStress_0_NLMM211(kAt, m, 3, r, 0.001, &s, &t), "INTERNAL ERROR");
}

// The stress the geometric stiffness reads back from the record, of a plane point and of
// a shell layer, is the stress of the last update: the concrete elastic, cracked in a
// turned direction, crushed and reloaded; the bars at 30 degrees elastic, yielded and
// reversed (their bar stress along (c^2, s^2, s c)).
TEST(PlaneRecordStress, RecordHoldsTheStressOfTheLastUpdate) {
  struct Case {
    int code;
    MaterialRecord m;
    std::vector<std::vector<double>> path;  // strain increments, one step each
  };
  const std::vector<Case> cases = {
      {MAT_NLMM211, Concrete(0.2), {{2e-5, -1e-5, 1e-5}}},
      {MAT_NLMM211, Concrete(0.2), {Rotated(2e-4, -1e-4, 0.4), Rotated(2e-4, 0.0, 0.5)}},
      {MAT_NLMM211, Concrete(0.0), {{-0.001, 0, 0}, {-0.0015, 0, 0.0002}, {0.001, 0, 0}}},
      {MAT_NLMM145, Bars(30), {{0.0005, 0.0002, 0.0001}}},
      {MAT_NLMM145, Bars(30), {{0.004, 0.001, 0.002}, {-0.003, 0.0, -0.001}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.code << " after " << c.path.size() << " steps");
    matdriver::ContinuumPoint p(c.code, _PLANE_STRESS_QUAD, c.m);
    std::vector<double> s;
    for (const std::vector<double>& d : c.path) s = p.Path(d, {false, false, false}, 1);
    double size = 0.0;
    for (double x : s) size = std::max(size, std::fabs(x));
    EXPECT_GT(size, 0.1);
    const std::vector<double> plane = p.RecordStress(false), layer = p.RecordStress(true);
    for (int i = 0; i < 3; i++) {
      EXPECT_EQ(plane[i], s[i]) << i;
      EXPECT_EQ(layer[i], s[i]) << i;
    }
    if (c.code == MAT_NLMM145) {
      const double bar = p.Record<NLMM145_HD>().Value[NLMM145_HD::kStress];
      EXPECT_NEAR(s[0], bar * 0.75, 1e-12 * std::fabs(bar));
      EXPECT_NEAR(s[1], bar * 0.25, 1e-12 * std::fabs(bar));
      EXPECT_NEAR(s[2], bar * std::sqrt(3.0) / 4.0, 1e-12 * std::fabs(bar));
    }
  }
}
