// Drucker-Prager and Mohr-Coulomb plasticity at one point: first yield under uniaxial
// paths, perfect plasticity in compression and shear, the cohesion and friction laws,
// softening along the cohesion law, the plane-strain record order and the consistent
// tangent against central differences of the update.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "materials/plasticity/drucker_prager.h"
#include "materials/plasticity/owen_figueiras.h"
#include "model/mesh.h"
#include "numcore/eigensolvers.h"
#include "numcore/numcore.h"
#include "support/material_driver.h"

using matdriver::ContinuumPoint;

namespace {

constexpr double kE = 30000.0, kPhi30 = 3.14159265358979323846 / 6.0;

MaterialRecord Frictional(double nu, int criterion, int cohesionLaw, double c0, double kappaC, int frictionLaw,
                          double phi0, double phi1, double kappaPhi) {
  return matdriver::RecordWithInts({0.0, 0.0, nu, kE, double(criterion), double(cohesionLaw), c0, kappaC,
                                    double(frictionLaw), phi0, phi1, kappaPhi},
                                   {5, 6, 9});
}

MaterialRecord Laws1(int criterion, double phi, double nu = 0.0) {
  return Frictional(nu, criterion, 1, 10.0, 1.0, 1, phi, phi, 1.0);
}

const std::vector<bool> kLateralFree{false, true, true, true, true, true};

}  // namespace

TEST(Nlmm124, AccessorsReadTheirValues) {
  const MaterialRecord m = Frictional(0.21, 3, 2, 7.0, 8.0, 3, 0.1, 0.11, 12.0);
  const Nlmm124Material p = Nlmm124Parameters(m);
  EXPECT_EQ(p.nu, 0.21);
  EXPECT_EQ(p.E, kE);
  EXPECT_EQ(p.criterion, 3);
  EXPECT_EQ(p.cohesionLaw, 2);
  EXPECT_EQ(p.c0, 7.0);
  EXPECT_EQ(p.kappaC, 8.0);
  EXPECT_EQ(p.frictionLaw, 3);
  EXPECT_EQ(p.phi0, 0.1);
  EXPECT_EQ(p.phi1, 0.11);
  EXPECT_EQ(p.kappaPhi, 12.0);
  const Nlmm121Material c = Nlmm121Parameters(matdriver::Record({1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(c.nu, 3);
  EXPECT_EQ(c.E, 4);
  EXPECT_EQ(c.fc, 5);
  EXPECT_EQ(c.epsc1, 6);
  EXPECT_EQ(c.alpha0, 7);
}

TEST(Nlmm124, FirstYieldUnderUniaxialStrain) {
  // nu = 0: a strain e11 alone gives the uniaxial stress E e11.
  struct Case {
    int criterion;
    double compression, tension;
  };
  const Case cases[] = {{1, 34.641016, 11.547005}, {2, 20.784610, 11.547005}, {3, 34.641016, 14.846149}};
  for (const Case& c : cases)
    for (double sign : {-1.0, 1.0}) {
      const double f = sign < 0 ? c.compression : c.tension;
      for (double factor : {1.0 - 1e-6, 1.0 + 1e-4}) {
        ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Laws1(c.criterion, kPhi30));
        std::vector<double> de{sign * factor * f / kE, 0, 0, 0, 0, 0};
        p.Step(de, std::vector<bool>(6, false));
        EXPECT_EQ(p.Record<NLMM124_HD>().LoadingState, factor < 1.0 ? 1 : 2) << c.criterion << " " << sign;
      }
    }
}

TEST(Nlmm124, PerfectPlasticityInCompressionAndShear) {
  for (int criterion : {1, 2, 3}) {
    // Uniaxial compression, lateral stresses held at zero: 2c for phi = 0.
    ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Laws1(criterion, 0.0, 0.2));
    double eps = 0.0;
    for (int k = 1; k <= 30; k++) {
      std::vector<double> de{-1e-4, 0, 0, 0, 0, 0};
      eps -= 1e-4;
      const std::vector<double> s = p.Step(de, kLateralFree);
      if (eps < -21.0 / kE) {
        EXPECT_NEAR(s[0], -20.0, 1e-5) << criterion << " " << eps;
      }
    }
    // Pure shear, normal stresses held at zero: k = 2c/sqrt3 (Drucker-Prager), c (Mohr-Coulomb).
    ContinuumPoint q(MAT_NLMM124, _SOLID_HEXA, Laws1(criterion, 0.0, 0.2));
    const double tau = criterion == 1 ? 10.0 : 11.547005;
    std::vector<double> s;
    for (int k = 1; k <= 20; k++) {
      std::vector<double> de{0, 0, 0, 0, 0, 1e-4};
      s = q.Step(de, {true, true, true, true, true, false});
    }
    EXPECT_NEAR(s[5], tau, 1e-5) << criterion;
  }
}

TEST(Nlmm124, CohesionAndFrictionLaws) {
  const double e = std::exp(1.0);
  for (int law : {2, 3}) {
    const Nlmm124Material p = Nlmm124Parameters(Frictional(0.2, 1, law, 10.0, 0.002, 2, 0.2, 0.5, 0.003));
    EXPECT_NEAR(CalcCohesionFunc_NLMM124(p, 0.002).f, 3.678794, 1e-6);
    EXPECT_NEAR(CalcCohesionFunc_NLMM124(p, 0.0).f, 10.0, 1e-15);
    EXPECT_NEAR(CalcFricAngleFunc_NLMM124(p, 0.003).f, 0.5 - 0.3 / e, 1e-12);
    // Derivatives against differences of the functions.
    for (double k : {0.0007, 0.0021}) {
      const double h = 1e-8;
      const KappaFunction c = CalcCohesionFunc_NLMM124(p, k), f = CalcFricAngleFunc_NLMM124(p, k);
      EXPECT_NEAR(c.df, (CalcCohesionFunc_NLMM124(p, k + h).f - CalcCohesionFunc_NLMM124(p, k - h).f) / (2 * h),
                  1e-5 * std::fabs(c.df));
      EXPECT_NEAR(c.d2f, (CalcCohesionFunc_NLMM124(p, k + h).df - CalcCohesionFunc_NLMM124(p, k - h).df) / (2 * h),
                  1e-5 * std::fabs(c.d2f));
      EXPECT_NEAR(f.df, (CalcFricAngleFunc_NLMM124(p, k + h).f - CalcFricAngleFunc_NLMM124(p, k - h).f) / (2 * h),
                  1e-5 * std::fabs(f.df));
    }
  }
  // Law 3 starts with zero slope.
  const Nlmm124Material g = Nlmm124Parameters(Frictional(0.2, 1, 3, 10.0, 0.002, 1, 0.2, 0.2, 1.0));
  EXPECT_EQ(CalcCohesionFunc_NLMM124(g, 0.0).df, 0.0);
}

TEST(Nlmm124, SofteningCohesionLowersTheStressAlongItsLaw) {
  // Uniaxial compression with phi = 0: s = 2 c(kappa), and kappa is the length of the
  // plastic strain, whose direction stays fixed.
  for (int criterion : {1, 2, 3})
    for (int law : {2, 3}) {
      ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Frictional(0.2, criterion, law, 10.0, 0.002, 1, 0.0, 0.0, 1.0));
      const double kc = 0.002;
      double previous = 20.0;
      int yielded = 0;
      // Up to kappa = 2 kappa_c: beyond, the Gaussian law leaves a stress whose J2
      // falls below the apex guard.
      for (int k = 1; k <= 40; k++) {
        std::vector<double> de{-1e-4, 0, 0, 0, 0, 0};
        const std::vector<double> s = p.Step(de, kLateralFree);
        const NLMM124_HD& r = p.Record<NLMM124_HD>();
        if (r.EqPlasticStrain <= 0.0) continue;
        yielded++;
        const double t = r.EqPlasticStrain / kc;
        const double c = 10.0 * (law == 2 ? std::exp(-t) : std::exp(-t * t));
        EXPECT_NEAR(-s[0], 2.0 * c, 1e-4) << criterion << " " << law << " " << k;
        double norm = 0.0;
        for (int i = 1; i <= 6; i++) norm += r.PlasticStrain[i] * r.PlasticStrain[i];
        EXPECT_NEAR(r.EqPlasticStrain, std::sqrt(norm), 1e-9);
        EXPECT_LE(-s[0], previous + 1e-9);
        previous = -s[0];
      }
      EXPECT_GT(yielded, 30);
      EXPECT_LT(previous, 10.0) << "the cohesion must soften";
    }
}

TEST(Nlmm124, PlaneStrainRecordKeepsTheElementOrder) {
  const double nu = 0.25;
  ContinuumPoint p(MAT_NLMM124, _PLANE_STRAIN_QUAD, Laws1(2, 0.0, nu));
  std::vector<double> de{1e-5, 2e-5, 3e-5};
  const std::vector<double> s = p.Step(de, {false, false, false});
  const NLMM124_HD& r = p.Record<NLMM124_HD>();
  const double l = kE * nu / ((1 + nu) * (1 - 2 * nu)), G = kE / (2 * (1 + nu));
  EXPECT_EQ(r.Strain[1], 1e-5);
  EXPECT_EQ(r.Strain[2], 2e-5);
  EXPECT_EQ(r.Strain[3], 3e-5);
  EXPECT_EQ(r.Strain[4], 0.0);
  EXPECT_NEAR(r.Stress[1], (l + 2 * G) * 1e-5 + l * 2e-5, 1e-9);
  EXPECT_NEAR(r.Stress[3], G * 3e-5, 1e-12);
  EXPECT_NEAR(r.Stress[4], l * 3e-5, 1e-9);
  for (int i = 0; i < 3; i++) EXPECT_EQ(s[i], r.Stress[i + 1]);
  // Plastic pure shear: the plastic strain is the engineering shear, third in the record.
  std::vector<double> shear{0, 0, 2e-3};
  p.Step(shear, {false, false, false});
  ASSERT_EQ(r.LoadingState, 2);
  EXPECT_GT(r.PlasticStrain[3], 0.0);
  EXPECT_EQ(r.PointStatus, 3);
}

TEST(Nlmm124, TangentIsTheDifferenceOfTheUpdate) {
  struct Case {
    int type;
    std::vector<double> de;
  };
  // Shear-dominated paths: Lode angles far from the corners of the hexagon.
  const Case cases[] = {{_PLANE_STRESS_QUAD, {6e-4, -5e-4, 2.5e-4}},
                        {_PLANE_STRAIN_QUAD, {6e-4, -5e-4, 2e-4}},
                        {_SOLID_HEXA, {6e-4, -5e-4, 1e-4, 2e-4, -1e-4, 2e-4}}};
  for (int criterion : {1, 2, 3})
    for (const Case& c : cases) {
      ContinuumPoint p(MAT_NLMM124, c.type, Laws1(criterion, kPhi30, 0.2));
      // Equal steps along the strain direction, small enough that the mapping ends far
      // below its tolerance; the difference of the last.
      std::vector<double> de;
      for (int k = 0; k < 40; k++) {
        de = c.de;
        for (double& x : de) x /= 40.0;
        p.Step(de, std::vector<bool>(de.size(), false));
      }
      ASSERT_EQ(p.Record<NLMM124_HD>().LoadingState, 2) << criterion << " " << c.type;
      const std::vector<double> t = p.Tangent(), fd = p.DifferenceTangent(de, 1e-6);
      for (size_t k = 0; k < t.size(); k++) EXPECT_NEAR(t[k], fd[k], 1e-5 * kE) << criterion << " " << c.type << " " << k;
    }
}

TEST(Nlmm124, UnstressedMohrCoulombPointStaysElastic) {
  ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Laws1(1, kPhi30, 0.2));
  std::vector<double> de(6, 0.0);
  const std::vector<double> s = p.Step(de, std::vector<bool>(6, false));
  EXPECT_EQ(p.Record<NLMM124_HD>().LoadingState, 1);
  for (double v : s) EXPECT_EQ(v, 0.0);
}

TEST(Nlmm124, MohrCoulombReachesTheApexWhereTheConeStops) {
  // Hydrostatic tension far past the surface: Mohr-Coulomb returns to its apex
  // p = c cot(phi); the Drucker-Prager cone has no return there and stops in words.
  ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Laws1(1, kPhi30, 0.2));
  std::vector<double> de{1e-2, 1e-2, 1e-2, 0, 0, 0};
  const std::vector<double> s = p.Step(de, std::vector<bool>(6, false));
  for (int i = 0; i < 3; i++) EXPECT_NEAR(s[i], 10.0 * std::sqrt(3.0), 1e-9);
  for (int i = 3; i < 6; i++) EXPECT_NEAR(s[i], 0.0, 1e-9);
  EXPECT_EQ(p.Record<NLMM124_HD>().LoadingState, 2);
  ContinuumPoint q(MAT_NLMM124, _SOLID_HEXA, Laws1(2, kPhi30, 0.2));
  EXPECT_EXIT(q.Step(de, std::vector<bool>(6, false)), testing::ExitedWithCode(1),
              "the return mapping algorithm:(.|\n)*_NLMM124(.|\n)*The iterative algorithm did not converge.");
}

namespace {

// Six-vector (engineering shears) of the strain R diag(e) R^T, R of the angles a, b, c
// about x3, x1 and x3 again.
std::vector<double> RotatedStrain(const std::array<double, 3>& e, double a, double b, double c) {
  const auto Rz = [](double t) {
    return std::array<std::array<double, 3>, 3>{
        {{std::cos(t), -std::sin(t), 0}, {std::sin(t), std::cos(t), 0}, {0, 0, 1}}};
  };
  const auto Rx = [](double t) {
    return std::array<std::array<double, 3>, 3>{
        {{1, 0, 0}, {0, std::cos(t), -std::sin(t)}, {0, std::sin(t), std::cos(t)}}};
  };
  const auto Mul = [](const auto& A, const auto& B) {
    std::array<std::array<double, 3>, 3> C{};
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++)
        for (int k = 0; k < 3; k++) C[i][j] += A[i][k] * B[k][j];
    return C;
  };
  const auto R = Mul(Mul(Rz(a), Rx(b)), Rz(c));
  double T[3][3] = {};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++)
      for (int k = 0; k < 3; k++) T[i][j] += R[i][k] * e[size_t(k)] * R[j][k];
  return {T[0][0], T[1][1], T[2][2], 2 * T[1][2], 2 * T[0][2], 2 * T[0][1]};
}

// Principal values of a six-vector of stresses (tensor shears), ascending.
std::array<double, 3> Principal(const std::vector<double>& s) {
  double** T;
  double** V;
  double* l;
  allocd2(&T, 3, 3);
  allocd2(&V, 3, 3);
  allocd1(&l, 3);
  T[1][1] = s[0];
  T[2][2] = s[1];
  T[3][3] = s[2];
  T[2][3] = T[3][2] = s[3];
  T[1][3] = T[3][1] = s[4];
  T[1][2] = T[2][1] = s[5];
  N6_Symmat_eigen(T, l, V, 3);
  std::array<double, 3> p{l[1], l[2], l[3]};
  std::sort(p.begin(), p.end());
  freed1(l);
  freed2(V);
  freed2(T);
  return p;
}

}  // namespace

TEST(Nlmm124, MohrCoulombReturnsToFacesEdgesAndApexWithItsTangent) {
  // One step from the unstressed state, principal strains in a rotated frame: the
  // return lands on a face, on an edge (two equal principal stresses) or at the apex;
  // there the stress satisfies the surface, and the tangent is the central difference
  // of the update (a millionth of the elastic stiffness kept along the flow).
  struct Case {
    double phi;
    std::array<double, 3> e;
    int where;  // 1 face, 2 edge, 3 apex
  };
  const Case cases[] = {{0.0, {-1.2e-3, 0.1e-3, 1e-3}, 1},   {kPhi30, {-1.5e-3, 0.0, 0.6e-3}, 1},
                        {kPhi30, {1e-3, -0.2e-3, -0.6e-3}, 1}, {0.0, {-1.2e-3, 0.2e-3, 0.5e-3}, 2},
                        {0.0, {-4e-3, 1e-3, 1e-3}, 2},         {kPhi30, {-2e-3, 0.3e-3, 1e-3}, 2},
                        {kPhi30, {-4e-3, 1e-3, 1e-3}, 2},      {kPhi30, {3e-3, 3e-3, -1e-3}, 3},
                        {kPhi30, {4e-3, 5e-3, 6e-3}, 3}};
  for (const Case& c : cases)
    for (int type : {_SOLID_HEXA, _PLANE_STRAIN_QUAD}) {
      SCOPED_TRACE(std::to_string(c.phi) + " " + std::to_string(c.e[0]) + " " + std::to_string(c.e[1]) + " " +
                   std::to_string(type));
      ContinuumPoint p(MAT_NLMM124, type, Laws1(1, c.phi, 0.2));
      // Plane strain: the principal strains e1 and e3 in the plane turned by 0.5 rad, e33 = 0.
      const double cs = std::cos(0.5), sn = std::sin(0.5);
      std::vector<double> de = type == _SOLID_HEXA
                                   ? RotatedStrain(c.e, 0.3, 0.7, -0.4)
                                   : std::vector<double>{cs * cs * c.e[0] + sn * sn * c.e[2],
                                                         sn * sn * c.e[0] + cs * cs * c.e[2],
                                                         2 * cs * sn * (c.e[0] - c.e[2])};
      const std::vector<double> s = p.Step(de, std::vector<bool>(de.size(), false));
      const NLMM124_HD& r = p.Record<NLMM124_HD>();
      ASSERT_EQ(r.LoadingState, 2);
      std::vector<double> s6(r.Stress + 1, r.Stress + 7);
      if (type == _PLANE_STRAIN_QUAD) s6 = {r.Stress[1], r.Stress[2], r.Stress[4], 0.0, 0.0, r.Stress[3]};
      const std::array<double, 3> pr = Principal(s6);
      const double sp = std::sin(c.phi), k = 10.0 * std::cos(c.phi);
      EXPECT_NEAR(0.5 * ((pr[2] - pr[0]) + (pr[2] + pr[0]) * sp), k, 1e-9 * k);
      const int equal = (std::fabs(pr[1] - pr[0]) < 1e-8) + (std::fabs(pr[2] - pr[1]) < 1e-8);
      if (type == _SOLID_HEXA) {
        EXPECT_EQ(equal + 1, c.where);
      }
      const std::vector<double> t = p.Tangent(), fd = p.DifferenceTangent(de, 1e-8);
      for (size_t i = 0; i < t.size(); i++) EXPECT_NEAR(t[i], fd[i], 3e-6 * kE) << i;
    }
}

TEST(Nlmm124, PlaneStressMohrCoulombReturnsToSidesAndCornersWithItsTangent) {
  // A plane-stress point keeps s3 = 0, which may be the largest, the middle or the
  // smallest principal stress: the surface is the hexagon the six planes cut from the
  // plane s3 = 0. One step from the unstressed state, principal strains in axes turned by
  // 0.5 rad: the return lands on a side (one plane) or a corner (two planes), s3 = 0
  // among the extremes or not; there the stress satisfies the surface, and the tangent
  // is the central difference of the update (a millionth of the elastic stiffness kept
  // along the flow).
  struct Case {
    double phi;
    double e1, e2;
    int planes;  // 1 side, 2 corner
  };
  const Case cases[] = {
      {kPhi30, 0.6e-3, 0.05e-3, 1},  // tension, s3 = 0 the smallest
      {kPhi30, 1e-3, -0.2e-3, 2},    // uniaxial tension: the corner s2 = s3 = 0
      {kPhi30, 1e-3, 0.8e-3, 2},     // biaxial tension
      {kPhi30, -2e-3, 0.5e-3, 2},    // compression across a tension: the corner s2 = s3 = 0
      {kPhi30, -2e-3, -0.3e-3, 1},   // compression, s3 = 0 the largest
      {kPhi30, -2e-3, -1.8e-3, 2},   // biaxial compression: s3 = 0 the largest
      {kPhi30, -2e-3, -0.9e-3, 1},
      {0.0, 1e-3, -1e-3, 1},         // Tresca in shear
      {0.0, 1e-3, -0.1e-3, 1},
      {0.0, 1e-3, -0.4e-3, 2},
      {0.0, 1e-3, 0.3e-3, 1},
      {0.0, -1.5e-3, -1.4e-3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.phi << " " << c.e1 << " " << c.e2);
    ContinuumPoint p(MAT_NLMM124, _PLANE_STRESS_QUAD, Laws1(1, c.phi, 0.2));
    const double cs = std::cos(0.5), sn = std::sin(0.5);
    std::vector<double> de{cs * cs * c.e1 + sn * sn * c.e2, sn * sn * c.e1 + cs * cs * c.e2,
                           2 * cs * sn * (c.e1 - c.e2)};
    const std::vector<double> s = p.Step(de, {false, false, false});
    ASSERT_EQ(p.Record<NLMM124_HD>().LoadingState, 2);
    const double mid = 0.5 * (s[0] + s[1]), rad = std::hypot(0.5 * (s[0] - s[1]), s[2]);
    const double pr[3] = {mid + rad, mid - rad, 0.0};
    const double sp = std::sin(c.phi), k = 10.0 * std::cos(c.phi);
    int active = 0;
    double worst = -1e300;
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) {
        if (i == j) continue;
        const double f = 0.5 * ((pr[i] - pr[j]) + (pr[i] + pr[j]) * sp) - k;
        worst = std::max(worst, f);
        active += std::fabs(f) < 1e-8 * k;
      }
    EXPECT_NEAR(worst, 0.0, 1e-9 * k);
    EXPECT_EQ(active, c.planes);
    const std::vector<double> t = p.Tangent(), fd = p.DifferenceTangent(de, 1e-8);
    for (size_t i = 0; i < t.size(); i++) EXPECT_NEAR(t[i], fd[i], 3e-6 * kE) << i;
    // The first iteration of a combination (a record read back) forms the trial from the
    // stress and the multiplier: on a side it is the trial itself.
    if (c.planes == 1) {
      double** D;
      allocd2(&D, 3, 3);
      CalcMat_D_NLMM124(PointContext{1, 1, 1, 1, 0}, kStatePlaneStress, Laws1(1, c.phi, 0.2),
                        &p.Record<NLMM124_HD>(), D);
      for (int i = 1; i <= 3; i++)
        for (int j = 1; j <= 3; j++) EXPECT_NEAR(D[i][j], t[size_t(3 * (i - 1) + j - 1)], 1e-9 * kE) << i << j;
      freed2(D);
    }
  }
}

TEST(Nlmm124, MohrCoulombSmoothReturnFollowsTheNormalAndIsFrameIndifferent) {
  // On a face the plastic strain increment is dlambda dF/ds of the invariant form of
  // the surface; the same principal strains in two frames give the same principal
  // stresses and the same hardening parameter (a softening cohesion).
  std::array<double, 3> prs[2];
  double kappa[2];
  for (int f = 0; f < 2; f++) {
    const MaterialRecord m = Frictional(0.2, 1, 2, 10.0, 2e-3, 1, kPhi30, kPhi30, 1.0);
    ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, m);
    std::vector<double> de = RotatedStrain({-1.5e-3, 0.0, 0.6e-3}, f * 0.9, f * 0.4, f * -1.3);
    const std::vector<double> s = p.Step(de, std::vector<bool>(6, false));
    const NLMM124_HD& r = p.Record<NLMM124_HD>();
    prs[f] = Principal(s);
    kappa[f] = r.EqPlasticStrain;
    StressInvariants v{};
    YieldDerivs d{};
    AllocStressInvariants(6, &v);
    AllocYieldDerivs(6, &d);
    CalcStressInvariantsAndDerivs(6, r.Stress, &v);
    const Nlmm124Material q = Nlmm124Parameters(m);
    ASSERT_TRUE(CalcYieldFuncDerivs_MohrCoulomb_NLMM124(6, v, CalcCohesionFunc_NLMM124(q, r.EqPlasticStrain),
                                                        CalcFricAngleFunc_NLMM124(q, r.EqPlasticStrain), &d));
    for (int i = 1; i <= 6; i++) EXPECT_NEAR(r.PlasticStrain[i], r.DeltaLambda * d.a[i], 1e-12) << i;
    FreeYieldDerivs(&d);
    FreeStressInvariants(&v);
  }
  EXPECT_GT(kappa[0], 0.0);
  EXPECT_NEAR(kappa[1], kappa[0], 1e-14);
  for (int i = 0; i < 3; i++) EXPECT_NEAR(prs[1][size_t(i)], prs[0][size_t(i)], 1e-9);
}

TEST(Nlmm124, YieldDerivativesAreCentralDifferences) {
  const double stresses[][7] = {{0, -20, 4, 1, 3, -2, 5}, {0, 8, -3, -12, 1, 2, -4}};
  const KappaFunction c{10.0, -300.0, 2e4}, phi{kPhi30, 40.0, -900.0};
  for (int criterion : {1, 2, 3})
    for (const auto& s0 : stresses) {
      const int n = 6;
      StressInvariants v{};
      YieldDerivs d{};
      AllocStressInvariants(n, &v);
      AllocYieldDerivs(n, &d);
      const auto F = [&](const double* s, double cc, double ph) {
        StressInvariants w{};
        AllocStressInvariants(n, &w);
        CalcStressInvariantsAndDerivs(n, s, &w);
        double eq, f;
        if (criterion == 1)
          CalcMohrCoulombYieldFunc(w.I1, w.J2, w.J3, cc, ph, &eq, &f);
        else
          CalcDruckerPragerYieldFunc(criterion == 2 ? 1.0 : -1.0, w.I1, w.J2, cc, ph, &eq, &f);
        FreeStressInvariants(&w);
        return f;
      };
      const auto Derivs = [&](const double* s, const KappaFunction& cc, const KappaFunction& ph, YieldDerivs* out) {
        StressInvariants w{};
        AllocStressInvariants(n, &w);
        CalcStressInvariantsAndDerivs(n, s, &w);
        if (criterion == 1)
          CalcYieldFuncDerivs_MohrCoulomb_NLMM124(n, w, cc, ph, out);
        else
          CalcYieldFuncDerivs_DruckerPrager_NLMM124(n, criterion == 2 ? 1.0 : -1.0, w, cc, ph, out);
        FreeStressInvariants(&w);
      };
      Derivs(s0, c, phi, &d);
      const double h = 1e-5;
      YieldDerivs dp{}, dm{};
      AllocYieldDerivs(n, &dp);
      AllocYieldDerivs(n, &dm);
      for (int j = 1; j <= n; j++) {
        double sp[7], sm[7];
        for (int i = 1; i <= n; i++) sp[i] = sm[i] = s0[i];
        sp[j] += h;
        sm[j] -= h;
        EXPECT_NEAR(d.a[j], (F(sp, c.f, phi.f) - F(sm, c.f, phi.f)) / (2 * h), 1e-7) << criterion << " " << j;
        Derivs(sp, c, phi, &dp);
        Derivs(sm, c, phi, &dm);
        for (int i = 1; i <= n; i++)
          EXPECT_NEAR(d.A[i][j], (dp.a[i] - dm.a[i]) / (2 * h), 1e-6) << criterion << " " << i << " " << j;
      }
      // kappa through c and phi: F(kappa) with c, phi moved along their derivatives.
      const double k = 1e-6;
      const auto Fk = [&](double t) {
        return F(s0, c.f + c.df * t + 0.5 * c.d2f * t * t, phi.f + phi.df * t + 0.5 * phi.d2f * t * t);
      };
      EXPECT_NEAR(d.Fk, (Fk(k) - Fk(-k)) / (2 * k), 1e-5 * std::max(1.0, std::fabs(d.Fk))) << criterion;
      EXPECT_NEAR(d.Fkk, (Fk(k) - 2 * Fk(0) + Fk(-k)) / (k * k), 1e-3 * std::max(1.0, std::fabs(d.Fkk))) << criterion;
      const KappaFunction pp{phi.f + phi.df * k, phi.df, phi.d2f}, pm{phi.f - phi.df * k, phi.df, phi.d2f};
      Derivs(s0, c, pp, &dp);
      Derivs(s0, c, pm, &dm);
      for (int i = 1; i <= n; i++) EXPECT_NEAR(d.b[i], (dp.a[i] - dm.a[i]) / (2 * k), 1e-5) << criterion << " " << i;
      FreeYieldDerivs(&dm);
      FreeYieldDerivs(&dp);
      FreeYieldDerivs(&d);
      FreeStressInvariants(&v);
    }
}

TEST(Nlmm124, PascalUnitsGiveTheSameStressesScaled) {
  // A compliance in Pa (1/E ~ 3e-11) lies below the absolute guards of the dense
  // solvers; the mapping scales its matrices and gives the MPa result times 1e6. A steel
  // (von Mises: no friction, E 210000, cohesion 200 MPa) yields at stresses above 1e8 Pa.
  struct Case {
    double E, c0, phi;
  };
  for (const Case& c : {Case{kE, 10.0, kPhi30}, Case{210000.0, 200.0, 0.0}}) {
    SCOPED_TRACE(c.c0);
    std::vector<double> s[2], t[2];
    for (int u = 0; u < 2; u++) {
      const double f = u == 0 ? 1.0 : 1e6;
      const MaterialRecord m = matdriver::RecordWithInts(
          {0.0, 0.0, 0.2, c.E * f, 2.0, 1.0, c.c0 * f, 1.0, 1.0, c.phi, c.phi, 1.0}, {5, 6, 9});
      ContinuumPoint p(MAT_NLMM124, _PLANE_STRAIN_QUAD, m);
      for (int k = 0; k < 10; k++) {
        std::vector<double> de{-1.2e-4 * c.c0 / 10.0, 3e-5 * c.c0 / 10.0, 4e-5 * c.c0 / 10.0};
        s[u] = p.Step(de, {false, false, false});
      }
      ASSERT_EQ(p.Record<NLMM124_HD>().LoadingState, 2);
      t[u] = p.Tangent();
    }
    for (int i = 0; i < 3; i++) EXPECT_NEAR(s[1][i] / 1e6, s[0][i], 1e-6 * std::fabs(s[0][0]));
    for (int i = 0; i < 9; i++) EXPECT_NEAR(t[1][i] / 1e6, t[0][i], 1e-6 * c.E);
  }
}

// A cone without friction is von Mises: from an unstressed point, one strain increment of
// any size, up to a million times the yield strain, ends with the deviator along the
// strain deviator at the yield stress 2c and the elastic mean stress, as the whole path
// in small steps does (perfect plasticity), with the consistent tangent of that return.
// Along a softening cohesion the point ends on its surface, sqrt(3 J2) = 2 c(kappa), with
// kappa the length of its plastic strain tensor.
TEST(Nlmm124, VonMisesReturnsAnyStrainIncrementAtOnce) {
  const double nu = 0.3, G = kE / (2 * (1 + nu)), K = kE / (3 * (1 - 2 * nu));
  const struct Case {
    int type;
    std::vector<double> de;  // element order; about twice the yield strain
  } cases[] = {{_SOLID_HEXA, {8e-4, -3e-4, 1e-4, 4e-4, -2e-4, 6e-4}}, {_PLANE_STRAIN_QUAD, {8e-4, -3e-4, 6e-4}}};
  for (const Case& c : cases)
    for (int criterion : {2, 3})
      for (int law : {1, 2})
        for (double scale : {1.0, 1e2, 1e4, 1e6}) {
          if (law == 2 && scale > 1e2) continue;  // the cohesion falls to nothing
          SCOPED_TRACE(testing::Message() << "type " << c.type << " criterion " << criterion << " law " << law
                                          << " scale " << scale);
          ContinuumPoint p(MAT_NLMM124, c.type, Frictional(nu, criterion, law, 10.0, 0.002, 1, 0.0, 0.0, 1.0));
          std::vector<double> de = c.de;
          for (double& x : de) x *= scale;
          p.Step(de, std::vector<bool>(de.size(), false));
          const NLMM124_HD& r = p.Record<NLMM124_HD>();
          ASSERT_EQ(r.LoadingState, 2);
          // Strain and stress tensors from the record (element order; plane strain ezz = 0).
          double e[3][3] = {}, s[3][3] = {};
          const bool solid = c.type == _SOLID_HEXA;
          const int pairs[6][2] = {{0, 0}, {1, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}};
          const int order[6] = {0, 1, 5, 2, -1, -1};  // plane strain: xx, yy, xy, zz
          for (int k = 0; k < (solid ? 6 : 4); k++) {
            const int q = solid ? k : order[k];
            const auto [i, j] = std::pair{pairs[q][0], pairs[q][1]};
            const double ek = k < static_cast<int>(de.size()) ? de[static_cast<size_t>(k)] : 0.0;
            e[i][j] = e[j][i] = i == j ? ek : 0.5 * ek;
            s[i][j] = s[j][i] = r.Stress[k + 1];
          }
          const double tr = e[0][0] + e[1][1] + e[2][2], mean = (s[0][0] + s[1][1] + s[2][2]) / 3.0;
          double J2e = 0.0, J2 = 0.0;
          for (int i = 0; i < 3; i++)
            for (int j = 0; j < 3; j++) {
              const double d = e[i][j] - (i == j ? tr / 3.0 : 0.0);
              J2e += 0.5 * 4.0 * G * G * d * d;
              J2 += 0.5 * (s[i][j] - (i == j ? mean : 0.0)) * (s[i][j] - (i == j ? mean : 0.0));
            }
          const double c0 = law == 1 ? 10.0 : 10.0 * std::exp(-r.EqPlasticStrain / 0.002);
          EXPECT_NEAR(std::sqrt(3.0 * J2), 2.0 * c0, 1e-6 * 20.0);
          EXPECT_NEAR(mean, K * tr, 1e-9 * K * std::fabs(tr) + 1e-9);
          // The length of the plastic strain tensor: engineering shears halved, counted twice.
          double norm = 0.0;
          for (int k = 0; k < (solid ? 6 : 4); k++) {
            const bool shear = solid ? k >= 3 : k == 2;
            norm += (shear ? 0.5 : 1.0) * r.PlasticStrain[k + 1] * r.PlasticStrain[k + 1];
          }
          EXPECT_NEAR(r.EqPlasticStrain, std::sqrt(norm), 1e-9 * std::sqrt(norm));
          // The consistent tangent of the radial return: K m m^T + 2 G theta (P - n n^T),
          // theta the returned over the trial deviator length (perfect plasticity).
          if (law == 1 && solid) {
            const std::vector<double> t = p.Tangent();
            const double theta = std::sqrt(J2 / J2e);
            double nv[6], len2 = 0.0;
            for (int k = 0; k < 6; k++) {
              const auto [i, j] = std::pair{pairs[k][0], pairs[k][1]};
              nv[k] = s[i][j] - (i == j ? mean : 0.0);
              len2 += (k < 3 ? 1.0 : 2.0) * nv[k] * nv[k];
            }
            for (int i = 0; i < 6; i++)
              for (int j = 0; j < 6; j++) {
                const double P = i < 3 && j < 3 ? (i == j ? 2.0 / 3.0 : -1.0 / 3.0) : (i == j ? 0.5 : 0.0);
                const double expected = (i < 3 && j < 3 ? K : 0.0) + 2.0 * G * theta * (P - nv[i] * nv[j] / len2);
                EXPECT_NEAR(t[static_cast<size_t>(6 * i + j)], expected, 1e-6 * kE) << i << " " << j;
              }
          }
          // Deviator along the strain deviator.
          for (int i = 0; i < 3; i++)
            for (int j = 0; j < 3; j++) {
              const double d = 2.0 * G * (e[i][j] - (i == j ? tr / 3.0 : 0.0));
              EXPECT_NEAR(s[i][j] - (i == j ? mean : 0.0), d * std::sqrt(J2 / J2e), 1e-6 * 20.0) << i << j;
            }
        }
}

// A softening von Mises cone stretched fifty and a hundred times past yield in one
// increment: the cohesion falls to nothing (below 1e-8 of its start), the point ends on the hydrostatic axis with
// the elastic mean stress, and its tangent (where the flow has no direction or no
// stiffness along it) is a finite symmetric matrix with the bulk term, not a fault.
TEST(Nlmm124, VonMisesSoftenedAwayKeepsAFiniteTangent) {
  const double nu = 0.3, K = kE / (3 * (1 - 2 * nu));
  const std::vector<double> de0 = {8e-4, -3e-4, 1e-4, 4e-4, -2e-4, 6e-4};
  for (int criterion : {2, 3})
    for (double scale : {50.0, 1e2}) {
      SCOPED_TRACE(testing::Message() << "criterion " << criterion << " scale " << scale);
      ContinuumPoint p(MAT_NLMM124, _SOLID_HEXA, Frictional(nu, criterion, 2, 10.0, 0.002, 1, 0.0, 0.0, 1.0));
      std::vector<double> de = de0;
      for (double& x : de) x *= scale;
      p.Step(de, std::vector<bool>(de.size(), false));
      const NLMM124_HD& r = p.Record<NLMM124_HD>();
      ASSERT_EQ(r.LoadingState, 2);
      const double tr = de[0] + de[1] + de[2], mean = (r.Stress[1] + r.Stress[2] + r.Stress[3]) / 3.0;
      EXPECT_NEAR(mean, K * tr, 1e-9 * K * std::fabs(tr));
      for (int k = 1; k <= 6; k++) EXPECT_NEAR(r.Stress[k], k <= 3 ? mean : 0.0, 1e-6 * 20.0) << k;
      const std::vector<double> t = p.Tangent();
      for (int i = 0; i < 6; i++) {
        EXPECT_GT(t[static_cast<size_t>(7 * i)], 0.0) << i;
        for (int j = 0; j < 6; j++) {
          ASSERT_TRUE(std::isfinite(t[static_cast<size_t>(6 * i + j)])) << i << " " << j;
          EXPECT_NEAR(t[static_cast<size_t>(6 * i + j)], t[static_cast<size_t>(6 * j + i)], 1e-9 * kE) << i << j;
        }
      }
      // The bulk term: a volume change alone meets K m m^T.
      double bulk = 0.0;
      for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) bulk += t[static_cast<size_t>(6 * i + j)];
      EXPECT_GE(bulk, 9.0 * K * (1.0 - 1e-9));
    }
}

// The hardening parameter is a scalar of the tensor: one point strained along axes turned
// by 0, 30 and 45 degrees in the plane (the same principal strains) ends with the same
// principal stresses and the same kappa, for every surface of the law (Mohr-Coulomb,
// Tresca, both Drucker-Prager cones, von Mises), softening along its cohesion or
// hardening along a rising friction angle, in plane stress, plane strain and the solid.
// Plane stress also flows out of its plane: a uniaxial stress gives the kappa of the solid.
TEST(Nlmm124, HardeningParameterDoesNotDependOnTheAxes) {
  constexpr double kPi = 3.14159265358979323846;
  const double deg = kPi / 180.0;
  struct Law {
    const char* name;
    int criterion;
    double phi0, phi1;
    bool soft;  // softening cohesion (else a friction angle rising from phi0 to phi1)
  };
  const Law laws[] = {{"Mohr-Coulomb", 1, 20 * deg, 35 * deg, false}, {"Mohr-Coulomb", 1, 30 * deg, 30 * deg, true},
                      {"Tresca", 1, 0.0, 0.0, true},                  {"Drucker-Prager outer", 2, 20 * deg, 35 * deg, false},
                      {"Drucker-Prager outer", 2, 30 * deg, 30 * deg, true}, {"Drucker-Prager inner", 3, 20 * deg, 35 * deg, false},
                      {"Drucker-Prager inner", 3, 30 * deg, 30 * deg, true}, {"von Mises", 2, 0.0, 0.0, true}};
  // Principal strains (in-plane e1, e2; the solid also e3) reached in 20 steps: a stretch
  // with lateral shortening, a shear, a compression with a lateral stretch, a uniaxial
  // tension and compression (the elastic lateral strains of a uniaxial stress), a
  // biaxial tension and a biaxial compression. In plane stress the out-of-plane stress 0
  // is the smallest, the middle and the largest principal stress along them, and the
  // returns reach the corners of the surface where it meets the in-plane pair.
  const std::array<double, 3> paths[] = {{4e-3, -1.5e-3, -1e-3},  {3e-3, -3e-3, 0.0},      {-5e-3, 0.5e-3, 1e-3},
                                         {4e-3, -0.8e-3, -0.8e-3}, {-5e-3, 1e-3, 1e-3},     {1.5e-3, 1e-3, -1e-3},
                                         {-5e-3, -4e-3, 4e-3}};
  const int types[] = {_PLANE_STRESS_QUAD, _PLANE_STRAIN_QUAD, _SOLID_HEXA};
  for (const Law& law : laws)
    for (int type : types)
      for (const auto& e : paths) {
        // Plane strain confines a biaxial compression, which stays elastic; a cone has no
        // return beyond its apex, where the biaxial tension of plane strain ends (a stop
        // in words, not a state of the law).
        const bool cone = law.criterion != 1, tension = e[0] > 0.0 && e[1] > 0.0;
        const bool compression = e[0] < 0.0 && e[1] < 0.0;
        if (type == _PLANE_STRAIN_QUAD && (compression || (cone && tension))) continue;
        SCOPED_TRACE(testing::Message() << law.name << (law.soft ? " softening" : " hardening") << ", type " << type
                                        << ", path " << e[0] << " " << e[1] << " " << e[2]);
        const MaterialRecord m = law.soft ? Frictional(0.2, law.criterion, 2, 10.0, 0.03, 1, law.phi0, law.phi0, 1.0)
                                          : Frictional(0.2, law.criterion, 1, 10.0, 1.0, 2, law.phi0, law.phi1, 0.002);
        std::vector<double> ref;
        double refKappa = 0.0;
        for (double a : {0.0, 30.0, 45.0}) {
          const double c = std::cos(a * deg), s = std::sin(a * deg);
          // The strain tensor with principal axes turned by a about axis 3 (engineering shear).
          const double exx = c * c * e[0] + s * s * e[1], eyy = s * s * e[0] + c * c * e[1];
          const double gxy = 2.0 * c * s * (e[0] - e[1]);
          std::vector<double> total;
          if (type == _SOLID_HEXA)
            total = {exx, eyy, e[2], 0.0, 0.0, gxy};
          else
            total = {exx, eyy, gxy};
          ContinuumPoint p(MAT_NLMM124, type, m);
          p.Path(total, std::vector<bool>(total.size(), false), 20);
          const NLMM124_HD& r = p.Record<NLMM124_HD>();
          // Principal stresses: the in-plane pair and the third (plane strain szz, solid s33).
          const double sx = r.Stress[1], sy = r.Stress[2];
          const double txy = type == _SOLID_HEXA ? r.Stress[6] : r.Stress[3];
          const double mid = 0.5 * (sx + sy), rad = std::hypot(0.5 * (sx - sy), txy);
          const double s3 = type == _SOLID_HEXA ? r.Stress[3] : type == _PLANE_STRAIN_QUAD ? r.Stress[4] : 0.0;
          const std::vector<double> principal{mid + rad, mid - rad, s3};
          if (a == 0.0) {
            ref = principal;
            refKappa = r.EqPlasticStrain;
            ASSERT_GT(refKappa, 1e-4) << principal[0] << " " << principal[1] << " " << principal[2];
            continue;
          }
          for (int i = 0; i < 3; i++) EXPECT_NEAR(principal[i], ref[i], 1e-9 * 20.0) << a << " principal " << i;
          EXPECT_NEAR(r.EqPlasticStrain, refKappa, 1e-9 * refKappa) << a;
          if (type == _SOLID_HEXA) {
            EXPECT_NEAR(r.Stress[4], 0.0, 1e-9 * 20.0);
            EXPECT_NEAR(r.Stress[5], 0.0, 1e-9 * 20.0);
          }
        }
      }
  // Uniaxial tension of von Mises past yield: plane stress and the solid (lateral
  // stresses held at zero) reach the same kappa.
  double kappa[2];
  for (int k = 0; k < 2; k++) {
    const bool solid = k == 1;
    ContinuumPoint p(MAT_NLMM124, solid ? _SOLID_HEXA : _PLANE_STRESS_QUAD,
                     Frictional(0.2, 2, 2, 10.0, 0.002, 1, 0.0, 0.0, 1.0));
    std::vector<bool> free = solid ? kLateralFree : std::vector<bool>{false, true, true};
    p.Path(solid ? std::vector<double>{3e-3, 0, 0, 0, 0, 0} : std::vector<double>{3e-3, 0, 0}, free, 20);
    kappa[k] = p.Record<NLMM124_HD>().EqPlasticStrain;
  }
  EXPECT_GT(kappa[0], 1e-3);
  EXPECT_NEAR(kappa[0], kappa[1], 1e-6 * kappa[1]);
}

// A plane-stress Drucker-Prager point in biaxial compression, softening or hardening,
// with its stresses (modulus and cohesion) in N/mm2 and scaled by 1e-6 (MN/mm2), 1e-3
// and 1e6 (N/m2): every return mapping takes the same steps, the stresses scale and kappa
// stays, to 1e-9. The other surfaces and the solid alike.
TEST(Nlmm124, StressUnitsScaleTheAnswerExactly) {
  constexpr double kPi = 3.14159265358979323846;
  struct Case {
    int type, criterion, cohesionLaw, frictionLaw;
    std::vector<double> total;
  };
  const Case cases[] = {{_PLANE_STRESS_QUAD, 2, 2, 1, {-4e-3, -2e-3, 0.0}},
                        {_PLANE_STRESS_QUAD, 2, 1, 2, {-4e-3, -2e-3, 0.0}},
                        {_PLANE_STRESS_QUAD, 3, 2, 1, {-4e-3, -2e-3, 1e-3}},
                        {_PLANE_STRESS_QUAD, 1, 1, 2, {1e-3, -0.4e-3, 0.0}},
                        {_PLANE_STRAIN_QUAD, 2, 2, 1, {-4e-3, 1e-3, 1e-3}},
                        {_SOLID_HEXA, 2, 2, 2, {-4e-3, 1e-3, 1e-3, 0.0, 0.5e-3, 1e-3}},
                        {_SOLID_HEXA, 1, 2, 1, {-4e-3, 1e-3, 1e-3, 0.0, 0.5e-3, 1e-3}},
                        {_SOLID_HEXA, 2, 2, 1, {3e-3, -1e-3, -1e-3, 0.0, 0.0, 2e-3}}};  // with phi 0 below: von Mises
  int k = 0;
  for (const Case& c : cases) {
    const double phi0 = k++ == 7 ? 0.0 : 20.0 * kPi / 180.0, phi1 = phi0 > 0.0 ? 35.0 * kPi / 180.0 : 0.0;
    std::vector<double> ref, refStress;
    double refKappa = 0.0;
    for (double f : {1.0, 1e-6, 1e-3, 1e6}) {
      SCOPED_TRACE(testing::Message() << "type " << c.type << " criterion " << c.criterion << " scale " << f);
      const MaterialRecord m = matdriver::RecordWithInts(
          {0.0, 0.0, 0.2, kE * f, double(c.criterion), double(c.cohesionLaw), 10.0 * f, 0.03, double(c.frictionLaw),
           phi0, phi1, 0.002},
          {5, 6, 9});
      ContinuumPoint p(MAT_NLMM124, c.type, m);
      const std::vector<double> s = p.Path(c.total, std::vector<bool>(c.total.size(), false), 20);
      const NLMM124_HD& r = p.Record<NLMM124_HD>();
      std::vector<double> stress(r.Stress + 1, r.Stress + 1 + (c.type == _SOLID_HEXA ? 6 : 4));
      if (f == 1.0) {
        refStress = stress;
        refKappa = r.EqPlasticStrain;
        ASSERT_GT(refKappa, 1e-4);
        continue;
      }
      double big = 0.0;
      for (double x : refStress) big = std::max(big, std::fabs(x));
      for (size_t i = 0; i < stress.size(); i++) EXPECT_NEAR(stress[i] / f, refStress[i], 1e-9 * big) << i;
      EXPECT_NEAR(r.EqPlasticStrain, refKappa, 1e-9 * refKappa);
    }
  }
}

// A plane-stress Drucker-Prager point hit by a strain increment a million times its
// yield strain: the rows of the Newton system of the return collapse onto each other and
// the law stops with its singular-Jacobian words, followed by the note that names the
// increment and the load step as the cause.
TEST(Nlmm124, AnAbsurdStrainIncrementNamesTheLoadStepWhereTheJacobianIsSingular) {
  const struct Case {
    int cohesionLaw;
    std::vector<double> de;
    const char* reaches;
  } cases[] = {{2, {-1e3, 0, 0}, "1e\\+03"}, {3, {0, 0, 1e3}, "1e\\+03"}, {1, {-1e6, 0, 0}, "1e\\+06"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cohesionLaw);
    ContinuumPoint p(MAT_NLMM124, _PLANE_STRESS_QUAD, Frictional(0.2, 2, c.cohesionLaw, 10.0, 0.002, 1, 0.5, 0.5, 1.0));
    std::vector<double> de = c.de;
    EXPECT_EXIT(p.Step(de, std::vector<bool>(3, false)), testing::ExitedWithCode(1),
                std::string("Nonlinear material model: _NLMM124(.|\n)*ERROR:\nSolving a system of linear equations.\n"
                            "The Jacobian matrix is singular.\nIterative process could not be completed.\n"
                            "The strain increment of this iterate at the point reaches ") +
                    c.reaches + ":\nthe load step is far too large. Apply the load in smaller steps.");
  }
}
