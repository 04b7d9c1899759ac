// The hardening of the concrete plasticity laws is a property of the stress and strain
// tensors, not of the axes they are written in: one point strained along the same
// principal path written in axes turned by 0, 30 and 45 degrees gives the same principal
// stresses and the same hardening parameter at every step, in hardening and softening,
// in every stress state the law takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "materials/history_data.h"
#include "materials/interface/bond_laws.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/crack_material.h"
#include "support/material_driver.h"
#include "support/small_algebra.h"

using matdriver::ContinuumPoint;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kE = 30000.0, kFc = 30.0, kFct = 3.0, kEpsC1 = 0.0022, kAlpha0 = 0.3;

struct Law {
  const char* name;
  int code;
  MaterialRecord m;
};

std::vector<Law> Laws() {
  std::vector<Law> laws;
  laws.push_back({"121", MAT_NLMM121, matdriver::Record({0.0, 0.0, 0.2, kE, kFc, kEpsC1, kAlpha0, 0.0})});
  laws.push_back({"122", MAT_NLMM122, matdriver::Record({0.0, 0.0, 0.2, kE, kFc, kFct, kEpsC1, kAlpha0})});
  laws.push_back(
      {"123", MAT_NLMM123, matdriver::RecordWithInts({0.0, 0.0, 0.2, kE, kFc, kFct, kEpsC1, kAlpha0, 1.0}, {9})});
  laws.push_back({"125", MAT_NLMM125,
                  matdriver::RecordWithInts({0.0, 0.0, 0.2, kE, kFc, kFct, kEpsC1, kAlpha0, 1.0, 0, 0, 7, 8, 9}, {9})});
  {
    CrackMat c = CrackConcrete(MAT_NLMM141, 0.1);
    c.Set(70, kAlpha0);
    laws.push_back({"141", MAT_NLMM141, c.m});
  }
  for (int code : {MAT_NLMM142, MAT_NLMM151}) {
    CrackMat c = CrackConcrete(code, 0.1);
    c.Set(70, kAlpha0).Set(71, 15.0).Set(72, 1);
    laws.push_back({code == MAT_NLMM142 ? "142" : "151", code, c.m});
  }
  return laws;
}

std::vector<int> TypesOf(int code) {
  switch (code) {
    case MAT_NLMM121:
    case MAT_NLMM141:
    case MAT_NLMM142: return {_PLANE_STRESS_QUAD};
    case MAT_NLMM122:
    case MAT_NLMM151: return {_SOLID_HEXA};
    default: return {_PLANE_STRESS_QUAD, _PLANE_STRAIN_QUAD, _SOLID_HEXA};
  }
}

// The point's hardening parameter and, for the plane-strain element, sigma_zz.
double KappaOf(ContinuumPoint& p, int code) {
  switch (code) {
    case MAT_NLMM141: return p.Record<NLMM141_HD>().Pl.EqPlasticStrain;
    case MAT_NLMM142: return p.Record<NLMM142_HD>().Pl.EqPlasticStrain;
    case MAT_NLMM151: return p.Record<NLMM151_HD>().Pl.EqPlasticStrain;
    default: return p.Record<NLMM121_HD>().EqPlasticStrain;
  }
}

// The strain tensor T written as the element's strain vector (engineering shears).
std::vector<double> StrainVector(const Mat3& T, int n) {
  if (n == 3) return {T[0][0], T[1][1], 2.0 * T[0][1]};
  return {T[0][0], T[1][1], T[2][2], 2.0 * T[1][2], 2.0 * T[0][2], 2.0 * T[0][1]};
}

// Principal stresses, ascending; plane strain adds the out-of-plane stress.
std::vector<double> Principal(const std::vector<double>& s, double szz, bool planeStrain) {
  std::vector<double> p;
  if (s.size() == 3) {
    const double c = 0.5 * (s[0] + s[1]), r = std::hypot(0.5 * (s[0] - s[1]), s[2]);
    p = {c - r, c + r};
    if (planeStrain) p.push_back(szz);
  } else {
    double** A;
    double** V;
    allocd2(&A, 3, 3);
    allocd2(&V, 3, 3);
    const int idx[3][3] = {{0, 5, 4}, {5, 1, 3}, {4, 3, 2}};
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) A[i + 1][j + 1] = s[static_cast<size_t>(idx[i][j])];
    double l[4];
    int nrot;
    double offmax;
    EXPECT_TRUE(eigjacobi(A, 3, l, V, &nrot, &offmax));
    p = {l[1], l[2], l[3]};
    freed2(V);
    freed2(A);
  }
  std::sort(p.begin(), p.end());
  return p;
}

struct History {
  std::vector<std::vector<double>> principal;
  std::vector<double> kappa;
};

// The path: the strain increment tensor of each step in the unturned axes, applied in
// axes turned by R.
// A positive kappaStop ends the path at the first step whose hardening parameter exceeds it.
History Drive(const Law& law, int type, const Mat3& increment, const Mat3& R, int steps, double kappaStop = 0.0) {
  ContinuumPoint p(law.code, type, law.m);
  const int n = p.n();
  const bool planeStrain = type == _PLANE_STRAIN_QUAD;
  Mat3 Rt{};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) Rt[i][j] = R[j][i];
  const std::vector<double> de0 = StrainVector(Mul(Mul(R, increment), Rt), n);
  History h;
  for (int k = 0; k < steps; k++) {
    std::vector<double> de = de0;
    const std::vector<double> s = p.Step(de, std::vector<bool>(static_cast<size_t>(n), false));
    h.principal.push_back(Principal(s, planeStrain ? p.Record<NLMM121_HD>().Stress[4] : 0.0, planeStrain));
    h.kappa.push_back(KappaOf(p, law.code));
    if (kappaStop > 0.0 && h.kappa.back() > kappaStop) break;
  }
  return h;
}

}  // namespace

// Compression with a lateral stretch, and compression with shear, each until the
// hardening parameter is past the peak of the curve (plane stress far into softening):
// the runs in turned axes against the unturned one.
TEST(HardeningFrame, SamePrincipalStressesAndHardeningInTurnedAxes) {
  const double k = 5e-5;
  const Mat3 paths[2] = {{{{-k, 0.0, 0.0}, {0.0, 0.5 * k, 0.0}, {0.0, 0.0, 0.5 * k}}},
                         {{{-k, 0.6 * k, 0.0}, {0.6 * k, -0.3 * k, 0.2 * k}, {0.0, 0.2 * k, -0.2 * k}}}};
  for (const Law& law : Laws())
    for (int type : TypesOf(law.code))
      for (int path = 0; path < 2; path++) {
        // In the plane the axes turn about z; a solid turns about a skew axis.
        const bool solid = type == _SOLID_HEXA;
        Mat3 inc = paths[path];
        if (!solid) inc[0][2] = inc[2][0] = inc[1][2] = inc[2][1] = 0.0;
        // Plane strain holds the third strain, and the plastic dilatancy then confines the
        // point: a stretch across the shortening. Confined points end a little past the
        // peak of the curve (further on, the softening of a strain-driven confined point
        // has no continuous path).
        if (type == _PLANE_STRAIN_QUAD) inc[1][1] += 1.5 * k;
        const double kappaP = kEpsC1 - kFc / kE;
        const double stop = type == _PLANE_STRESS_QUAD ? 0.0 : 1.25 * kappaP;
        const double r = std::sqrt(14.0);
        const Vec3 axis = solid ? Vec3{1.0 / r, 2.0 / r, 3.0 / r} : Vec3{0.0, 0.0, 1.0};
        const History base = Drive(law, type, inc, Turn(axis, 0.0), solid ? 300 : 100, stop);
        const int steps = static_cast<int>(base.kappa.size());
        SCOPED_TRACE(std::string(law.name) + " type " + std::to_string(type) + " path " + std::to_string(path));
        // The path yields and its hardening parameter passes the peak of the curve, into
        // the softening branch.
        double peak = 0.0;
        for (const auto& p : base.principal) peak = std::max(peak, -p[0]);
        EXPECT_GT(peak, kAlpha0 * kFc);
        EXPECT_GT(base.kappa.back(), kappaP);
        for (double deg : {30.0, 45.0}) {
          const History turned = Drive(law, type, inc, Turn(axis, deg * kPi / 180.0), steps);
          SCOPED_TRACE(deg);
          double ds = 0.0, dk = 0.0;
          for (size_t q = 0; q < base.kappa.size(); q++) {
            for (size_t i = 0; i < base.principal[q].size(); i++)
              ds = std::max(ds, std::fabs(turned.principal[q][i] - base.principal[q][i]) / kFc);
            dk = std::max(dk, std::fabs(turned.kappa[q] - base.kappa[q]) / std::max(base.kappa[q], 1e-12));
          }
          EXPECT_LT(ds, 1e-9);
          EXPECT_LT(dk, 1e-9);
        }
      }
}

// The Mohr-Coulomb surface of an interface plane (_NLMM320 kind 2, equal shear
// stiffnesses) softens with the plastic work, which takes the magnitude of the shear and
// of the slip: a slip path turned in the plane of the interface by 30 and 45 degrees
// gives the same shear magnitude, normal stress and work at every step, in shear under
// compression and in opening.
TEST(HardeningFrame, InterfaceSurfaceSoftensAlikeInTurnedAxes) {
  // chi_0 1, c_0 = c_g0 2, sigma_u 1, tanphi_0 0.6, tanpsi_0 0.3, tanphi_r 0.4, tanpsi 0.2,
  // alpha_chi 1, alpha_c 2, alpha_phi 0.5, kappa_chi 0.05, kappa_c 0.5, K_s = K_2 1e4, K_3 2e4.
  MaterialRecord m = matdriver::RecordWithInts({2.0}, {1});
  for (double v : {1.0, 2.0, 2.0, 1.0, 0.6, 0.3, 0.4, 0.2, 1.0, 2.0, 0.5, 0.05, 0.5, 1e4, 1e4, 2e4, 1.0}) {
    m.nValues++;
    m.Value[m.nValues] = v;
    m.ValueType[m.nValues] = 'd';
  }
  const auto drive = [&](double angle) {
    NLMM320_HD r{};
    r.State = 1;
    const double c = std::cos(angle), s = std::sin(angle);
    std::vector<std::vector<double>> rows;
    for (int k = 0; k < 60; k++) {
      // Slip along a fixed direction of the plane (1, 0.4), first under compression, then
      // opening, then back.
      const double slip = k < 30 ? 6e-4 : (k < 45 ? -4e-4 : 5e-4);
      const double normal = k < 20 ? -1e-5 : (k < 40 ? 2e-5 : -1e-5);
      const double u = slip, v = 0.4 * slip;
      double dw[4] = {0.0, c * u - s * v, s * u + c * v, normal}, sigma[4];
      CalcStress_NLMM320(PointContext{1, 1, 1, 1, 0}, m, kStateInterfaceSurface, 3, r, dw, sigma);
      rows.push_back({std::hypot(sigma[1], sigma[2]), sigma[3], r.Kappa});
    }
    return rows;
  };
  const auto base = drive(0.0);
  EXPECT_GT(base.back()[2], 0.02);  // over 40 % of the work that exhausts the tensile strength
  for (double deg : {30.0, 45.0}) {
    SCOPED_TRACE(deg);
    const auto turned = drive(deg * kPi / 180.0);
    for (size_t k = 0; k < base.size(); k++)
      for (size_t j = 0; j < 3; j++)
        ASSERT_NEAR(turned[k][j], base[k][j], 1e-9 * std::max(1.0, std::fabs(base[k][j]))) << "step " << k + 1;
  }
}
