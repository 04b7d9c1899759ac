// Owen-Figueiras concrete plasticity at one plane-stress point: uniaxial compression
// along the hardening rise and the CEB-FIP93 curve, tension, biaxial flow and the
// consistent tangent against central differences of the update.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "materials/plasticity/owen_figueiras.h"
#include "model/mesh.h"
#include "support/crack_material.h"
#include "support/material_driver.h"

using matdriver::ContinuumPoint;

namespace {

constexpr double kE = 30000.0, kFc = 30.0, kEpsC1 = 0.0022, kAlpha0 = 0.3;
const MaterialRecord kConcrete = matdriver::Record({0.0, 0.0, 0.2, kE, kFc, kEpsC1, kAlpha0, 0.0});
const std::vector<bool> kUniaxial{false, true, true};  // s22 = s12 = 0
// The return mapping stops once |F| < 1e-6 fc: stresses of a path agree to that.
constexpr double kMapTol = 2e-6 * kFc;

// Uniaxial compression from the present state to the total strain eps (negative).
std::vector<double> CompressTo(ContinuumPoint& p, double& eps, double target, double step = 1e-5) {
  std::vector<double> s;
  while (eps > target) {
    std::vector<double> de{std::max(-step, target - eps), 0.0, 0.0};
    eps += de[0];
    s = p.Step(de, kUniaxial);
  }
  return s;
}

// The compression curve of the material in total strain (magnitudes).
double Curve(double eps) {
  const double r = kE * kEpsC1 / kFc, eta = eps / kEpsC1;
  return kFc * (r * eta - eta * eta) / (1.0 + (r - 2.0) * eta);
}

}  // namespace

TEST(Nlmm121, FlowVectorOfUniaxialCompression) {
  double a[4];
  const double s[4] = {0, -12.0, 0.0, 0.0};
  CalcDerivOwenFigYieldFunc(3, a, s);
  EXPECT_NEAR(a[1], -1.0, 1e-12);
  EXPECT_NEAR(a[2], 0.726115, 1e-6);
  EXPECT_EQ(a[3], 0.0);
}

TEST(Nlmm121, UniaxialCompressionRisesToFcAndFollowsTheCurve) {
  ContinuumPoint p(MAT_NLMM121, _PLANE_STRESS_QUAD, kConcrete);
  double eps = 0.0;
  // Elastic up to 9.3 (F up to fc/100 is taken as elastic).
  std::vector<double> s = CompressTo(p, eps, -9.3 / kE, 1e-4);
  EXPECT_NEAR(s[0], -9.3, 1e-9);
  EXPECT_EQ(p.Record<NLMM121_HD>().EqPlasticStrain, 0.0);
  EXPECT_EQ(p.Record<NLMM121_HD>().PointStatus, 1);
  const double kappaP = kEpsC1 - kFc / kE;
  struct Point {
    double eps, stress;
  };
  const Point points[] = {
      {0.0015062178, 27.186533},  // kappa = kappa_p/2 on the elliptic rise
      {0.0022, 30.0},             // the peak
      {0.003, Curve(0.003)},      // falling curve
      {11.0 / 3000.0, 20.0},
      {0.0040176592, 15.0},       // eps_lim
  };
  for (const Point& q : points) {
    s = CompressTo(p, eps, -q.eps);
    EXPECT_NEAR(-s[0], q.stress, kMapTol) << q.eps;
    EXPECT_NEAR(s[1], 0.0, 1e-9);
    const NLMM121_HD& r = p.Record<NLMM121_HD>();
    // |eps| = |s|/E + kappa: the plastic strain along s11 is kappa (a1 = -1).
    EXPECT_NEAR(r.EqPlasticStrain, q.eps + s[0] / kE, 1e-11);
    EXPECT_NEAR(r.PlasticStrain[1], -r.EqPlasticStrain, 1e-12);
    EXPECT_EQ(r.PointStatus, 3);
    EXPECT_EQ(r.LoadingState, 2);
  }
  EXPECT_NEAR(Curve(0.003), 26.883117, 1e-6);
  EXPECT_NEAR(p.Record<NLMM121_HD>().EqPlasticStrain, 0.0035176592, kMapTol / kE * 10);
  EXPECT_GT(p.Record<NLMM121_HD>().EqPlasticStrain, kappaP);
  // Unloading is elastic with slope E.
  std::vector<double> de{1e-4, 0.0, 0.0};
  s = p.Step(de, kUniaxial);
  EXPECT_NEAR(s[0], -15.0 + 3.0, kMapTol);
  EXPECT_EQ(p.Record<NLMM121_HD>().LoadingState, 1);
  EXPECT_NEAR(p.Tangent()[0], kE / (1.0 - 0.04), 1e-6);
}

TEST(Nlmm121, OneOrFiftyStepsGiveTheSameStress) {
  // Up to the peak one step maps back in one go; a single step from the unstressed
  // state deep into the softening branch makes the Newton mapping cycle.
  for (double target : {0.0009, 0.0015, 0.0022}) {
    ContinuumPoint one(MAT_NLMM121, _PLANE_STRESS_QUAD, kConcrete), fifty(MAT_NLMM121, _PLANE_STRESS_QUAD, kConcrete);
    const std::vector<double> a = one.Path({-target, 0.0, 0.0}, kUniaxial, 1);
    const std::vector<double> b = fifty.Path({-target, 0.0, 0.0}, kUniaxial, 50);
    EXPECT_NEAR(a[0], b[0], kMapTol) << target;
  }
}

TEST(Nlmm121, TensionYieldsAtTheInitialSurface) {
  // Trial stresses up to (9 + 0.3)/1.355 = 6.863469 stay elastic; beyond, the stress
  // returns to the surface 1.355 s = h(kappa), which rises steeply from 9.
  ContinuumPoint p(MAT_NLMM121, _PLANE_STRESS_QUAD, kConcrete);
  std::vector<double> de{6.8634 / kE, 0.0, 0.0};
  std::vector<double> s = p.Step(de, kUniaxial);
  EXPECT_NEAR(s[0], 6.8634, 1e-9);
  EXPECT_EQ(p.Record<NLMM121_HD>().LoadingState, 1);
  ContinuumPoint q(MAT_NLMM121, _PLANE_STRESS_QUAD, kConcrete);
  std::vector<double> de2{6.8636 / kE, 0.0, 0.0};
  s = q.Step(de2, kUniaxial);
  const NLMM121_HD& r = q.Record<NLMM121_HD>();
  EXPECT_GT(r.EqPlasticStrain, 0.0);
  EXPECT_GT(s[0], 9.0 / 1.355);
  EXPECT_LT(s[0], 6.8636);
  EXPECT_NEAR(1.355 * s[0], CalcHardFunc_NLMM121(Nlmm121Parameters(kConcrete), r.EqPlasticStrain), 1e-6);
  EXPECT_NEAR(9.0 / 1.355, 6.642066, 1e-6);
}

TEST(Nlmm121, BiaxialCompressionScalesTheFlow) {
  const Nlmm121Material c = Nlmm121Parameters(kConcrete);
  double m, g[4];
  const double both[4] = {0, -20.0, -10.0, 0.0}, one[4] = {0, -20.0, -0.2, 0.0};
  CalcBiaxialHardFactor_NLMM121(c, 3, &m, g, both);
  EXPECT_NEAR(m, 1.0 + 6.0556447 / 9.0, 1e-12);
  EXPECT_NEAR(g[1], (2.0 / 3.0) * 6.0556447 * -10.0 / 900.0, 1e-12);
  CalcBiaxialHardFactor_NLMM121(c, 3, &m, g, one);
  EXPECT_EQ(m, 1.0);
  // An equal biaxial step past first yield: the plastic strain is dkappa m a.
  ContinuumPoint p(MAT_NLMM121, _PLANE_STRESS_QUAD, kConcrete);
  std::vector<double> de{-0.0008, -0.0008, 0.0};
  const std::vector<double> s = p.Step(de, {false, false, false});
  const NLMM121_HD& r = p.Record<NLMM121_HD>();
  double a[4], sg[4] = {0, s[0], s[1], s[2]};
  CalcDerivOwenFigYieldFunc(3, a, sg);
  CalcBiaxialHardFactor_NLMM121(c, 3, &m, g, sg);
  EXPECT_GT(m, 1.0);
  EXPECT_NEAR(r.PlasticStrain[1], r.DeltaLambda * m * a[1], 1e-12);
  EXPECT_NEAR(CalcOwenFigYieldFunc_NLMM121(c, r.EqPlasticStrain, sg), 0.0, 1e-6 * kFc);
}

TEST(Nlmm121, TangentIsTheDifferenceOfTheUpdate) {
  for (double target : {0.0009, 0.0028, 0.0045}) {
    ContinuumPoint p(MAT_NLMM121, _PLANE_STRESS_QUAD, kConcrete);
    double eps = 0.0;
    CompressTo(p, eps, -(target - 2e-4), 1e-5);
    std::vector<double> de{-2e-4, 0.0, 0.0};
    p.Step(de, kUniaxial);
    ASSERT_EQ(p.Record<NLMM121_HD>().LoadingState, 2);
    const std::vector<double> t = p.Tangent(), fd = p.DifferenceTangent(de, 1e-7);
    for (int k = 0; k < 9; k++) EXPECT_NEAR(t[k], fd[k], 1e-4 * kE) << target << " " << k;
  }
}

TEST(Nlmm141, UniaxialPathFinishesOnItsCurveUnderEveryStiffnessAndStep) {
  // The uncracked plasticity of _NLMM141 (E 30000, nu 0, fc 30, eps_c1 0.0022, alpha0
  // 0.3) pressed to 0.004, past the peak, the lateral stresses held at zero: in steps of
  // 2e-5 and 20 times smaller, the held components corrected with the tangent of every
  // iteration or with the first one throughout (the initial-stiffness strategy), whose
  // trial states come to rest where the biaxial factor switches. Every state lies on the
  // uniaxial curve s = h(kappa), kappa = |e| - s/E.
  CrackMat mat = CrackConcrete(MAT_NLMM141, 0.1);
  mat.Set(66, 0.0).Set(70, 0.3).Set(71, 15.0).Set(80, 1).Set(81, 0.2);
  const Nlmm121Material c = Nlmm141Parameters(mat.m);
  for (double step : {2e-5, 1e-6})
    for (bool first : {false, true}) {
      SCOPED_TRACE(std::to_string(step) + (first ? " first tangent" : " tangent"));
      matdriver::ContinuumPoint p(MAT_NLMM141, _PLANE_STRESS_QUAD, mat.m);
      if (first) p.KeepFirstTangent();
      p.SetHeldTolerance(1e-9);
      const int steps = static_cast<int>(0.004 / step + 0.5);
      double peak = 0.0, s = 0.0;
      for (int k = 1; k <= steps; k++) {
        std::vector<double> de{-step, 0, 0};
        s = -p.Step(de, {false, true, true})[0];
        const double kappa = k * step - s / 30000.0;
        if (kappa > 1e-12) {
          ASSERT_NEAR(s, CalcHardFunc_NLMM121(c, kappa), 1e-7 * 30.0) << k;
        }
        peak = std::max(peak, s);
      }
      EXPECT_NEAR(peak, 30.0, 1e-3);
      EXPECT_LT(s, 0.6 * peak);
    }
}
