// Units invariance of the uniaxial, bond, interface and spring laws: one path through
// yield or peak, unloading and reversal, run with the record in N and mm and again in
// other consistent units (N and m: stresses x 1e6, lengths x 1e-3; kN and mm: stresses
// x 1e-3). Brought back to N and mm, every stress and tangent of every step must agree.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "materials/interface/bond_laws.h"
#include "materials/spring_laws.h"
#include "materials/uniaxial/concrete.h"
#include "materials/uniaxial/concrete_cyclic.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/material_driver.h"
#include "support/testfiles.h"

namespace {

using Rows = std::vector<std::vector<double>>;

// A unit set relative to N and mm: stresses times F, lengths times L.
struct Units {
  const char* name;
  double F, L;
};
constexpr Units kPa{"N, m", 1e6, 1e-3}, kKn{"kN, mm", 1e-3, 1.0};

// A law run along its path in the units u; the rows hold the stresses and tangents of
// every step, brought back to N and mm by the runner.
struct Case {
  const char* name;
  std::vector<Units> units;
  std::function<Rows(const Units&)> run;
  double tol = 1e-9;  // relative to the largest value of each column along the path
};

void ExpectSameRows(const Rows& ref, const Rows& other, double tol) {
  ASSERT_EQ(ref.size(), other.size());
  for (size_t j = 0; j < ref[0].size(); j++) {
    double scale = 0.0;
    for (const auto& row : ref) scale = std::fmax(scale, std::fabs(row[j]));
    // The worst step of the column, with the value the other units gave there.
    size_t worst = 0;
    for (size_t k = 1; k < ref.size(); k++)
      if (std::fabs(other[k][j] - ref[k][j]) > std::fabs(other[worst][j] - ref[worst][j])) worst = k;
    EXPECT_NEAR(other[worst][j], ref[worst][j], tol * scale) << "step " << worst + 1 << ", value " << j + 1;
  }
}

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const Rows ref = c.run(Units{"N, mm", 1.0, 1.0});
    for (const Units& u : c.units) {
      SCOPED_TRACE(std::string(c.name) + " in " + u.name);
      ExpectSameRows(ref, c.run(u), c.tol);
    }
  }
}

// Values from a to b in n equal steps (b included), after those in `out`.
void Ramp(std::vector<double>& out, double a, double b, int n) {
  for (int k = 1; k <= n; k++) out.push_back(a + (b - a) * k / n);
}

// A path through the turning points, each leg in steps of about h.
std::vector<double> Through(std::initializer_list<double> points, double h) {
  std::vector<double> out;
  double last = 0.0;
  for (double p : points) {
    Ramp(out, last, p, std::max(1, static_cast<int>(std::lround(std::fabs(p - last) / h))));
    last = p;
  }
  return out;
}

// ---- uniaxial --------------------------------------------------------------------------

// Yield at 0.002, hardening on from 0.01, reversal far into compression, partial
// reversals inside the loop, reloading past the first excursion.
const std::vector<double> kSteelPath =
    Through({0.02, 0.012, -0.01, -0.004, -0.008, 0.005, 0.001, 0.03}, 2.5e-4);

Rows SteelRows(int code, const MaterialRecord& m, double F) {
  std::vector<matdriver::Step> p;
  for (double e : kSteelPath) p.push_back({e, 3});
  Rows out;
  for (const matdriver::Response& r : matdriver::DriveUniaxial(code, m, p)) out.push_back({r.stress / F, r.tangent / F});
  return out;
}

// E 200000, E_sh 5000, eps_y 0.002, f_y 400, eps_sh 0.01, eps_u 0.1, f_u 600.
Rows Steel202(const Units& u) {
  const double F = u.F;
  return SteelRows(MAT_NLMM202,
                   matdriver::Record({7.85e-9, 1.2e-5, 200000 * F, 5000 * F, 0.002, 400 * F, 0.01, 0, 0.1, 600 * F}),
                   F);
}

// eps_y 0.002, f_y 400, eps_sh 0.01, f_sh 420, eps_u 0.1, f_u 600, p 2.
Rows Steel201(const Units& u) {
  const double F = u.F;
  return SteelRows(MAT_NLMM201, matdriver::Record({7.85e-9, 1.2e-5, 0.002, 400 * F, 0.01, 420 * F, 0.1, 600 * F, 2}),
                   F);
}

// Compression through the peak, unloading, cracking in tension, crushing.
const std::vector<double> kFibrePath = Through({-0.0025, -0.001, 2e-4, -0.003, -0.0015, -0.004}, 1e-4);

template <typename R>
Rows FibreRows(double (*law)(const MaterialRecord&, R&, double), const MaterialRecord& m, double F) {
  R r{};
  Rows out;
  for (double e : kFibrePath) {
    const double s = law(m, r, e);
    out.push_back({s / F, r.Tangent / F, r.StressAtMin / F});
  }
  return out;
}

// E 30000, f_t 3, eps_cu 0.0035, compression E eps + 2e5 |eps|^1.5.
Rows Fibre298(const Units& u) {
  const double F = u.F;
  return FibreRows(CalcStress_NLMM298, matdriver::Record({2.4, 1e-5, 30000 * F, 3 * F, 30 * F, 0.0035, 2e5 * F, 1.5}), F);
}

// E 30000, f_t 3, f_c 30, eps_c1 0.002, eps_cu 0.0035.
Rows Fibre299(const Units& u) {
  const double F = u.F;
  return FibreRows(CalcStress_NLMM299, matdriver::Record({2.4, 1e-5, 30000 * F, 3 * F, 30 * F, 0.002, 0.0035}), F);
}

// The compression envelopes of _NLMM220 (type 1: rho 0.5; type 2: through the peak at
// 0.002 to (0.0035, 20)). Its unloading modulus 21500 (f_cm / 10)^0.33 is a formula in
// MPa: only the envelope is invariant.
Rows Envelope220(int type, const Units& u) {
  const double F = u.F;
  const MaterialRecord m = matdriver::RecordWithInts({double(type), 2.4, 1e-5, 30000 * F, 0.002, 30 * F, 0,
                                                      -5000 * F, 0.0035, 20 * F, type == 1 ? 0.5 : 0.0, 0.002, 38, 0,
                                                      0, 0},
                                                     {1});
  NLMM220_HD r{};
  r.RuleNumber = 1;
  Rows out;
  for (double e : Through({-0.0034}, 1e-4)) {
    double s, t;
    CalcStress_NLMM220(PointContext{1, 1, 1, 1, 0}, m, r, e, &s, &t);
    out.push_back({s / F, t / F});
  }
  return out;
}

// ---- springs ---------------------------------------------------------------------------

// Force and tangent along displacements (mm) acting on the negative side, with the
// displacements times L; forces stay N.
Rows SpringRows(int kind, const MaterialRecord& m, double L, const std::vector<double>& d) {
  NLSMM_HDRecord r{};
  r.InUse = 1;
  Rows out;
  for (double x : d) {
    const double f = SpringLawForce(kind, m, 1.0, x * L, r);
    out.push_back({f, SpringLawTangent(kind, m, 1.0, r) * L});
  }
  return out;
}

const std::vector<double> kSpringPath = Through({-0.03, -0.015, -0.022, 0.001, -0.026, -0.04}, 0.001);

// k 1000, F_p 10, a 1.5 (peak and softening), elastic unloading.
Rows Spring101(const Units& u) {
  const MaterialRecord m = matdriver::RecordWithInts({1000 / u.L, 10, 1.5, 2}, {4});
  return SpringRows(SPRMAT_NLSMM101, m, u.L, kSpringPath);
}

// (0.001, 10), (0.002, 12), (0.01, 4), n 2.
Rows Spring102(const Units& u) {
  const MaterialRecord m =
      matdriver::RecordWithInts({1, 0.001 * u.L, 10, 0.002 * u.L, 12, 0.01 * u.L, 4, 2}, {1});
  return SpringRows(SPRMAT_NLSMM102, m, u.L, Through({-0.004, -0.0015, -0.003, 0.0005, -0.012}, 2.5e-4));
}

// A table with a falling segment.
Rows Spring103(const Units& u) {
  MaterialRecord m = matdriver::RecordWithInts({0, 3}, {1, 2});
  m.ListLen = 3;
  allocd1(&m.List1, 3);
  allocd1(&m.List2, 3);
  const double x[4] = {0, 0.005, 0.02, 0.03}, y[4] = {0, 8, 12, 6};
  for (int i = 1; i <= 3; i++) {
    m.List1[i] = x[i] * u.L;
    m.List2[i] = y[i];
  }
  Rows out = SpringRows(SPRMAT_NLSMM103, m, u.L, kSpringPath);
  freed1(m.List1);
  freed1(m.List2);
  return out;
}

}  // namespace

TEST(UnitsInvariance, UniaxialLawsGiveTheSameStressesInAnyUnits) {
  // The springs: forces stay N, displacements in m.
  const Units kM{"N, m", 1.0, 1e-3};
  RunCases({
      {"_NLMM201", {kPa, kKn}, Steel201},
      {"_NLMM202", {kPa, kKn}, Steel202},
      {"_NLMM298", {kPa, kKn}, Fibre298},
      {"_NLMM299", {kPa, kKn}, Fibre299},
      {"_NLMM220 type 1", {kPa, kKn}, [](const Units& u) { return Envelope220(1, u); }},
      {"_NLMM220 type 2", {kPa, kKn}, [](const Units& u) { return Envelope220(2, u); }},
      {"_NLSMM101", {kM}, Spring101},
      {"_NLSMM102", {kM}, Spring102},
      {"_NLSMM103", {kM}, Spring103},
  });
}

namespace {

// ---- interfaces ------------------------------------------------------------------------

// Stress and tangent rows of an interface law: w the relative displacements of a step
// (mm, 1-based), scaled by L before the call and the results brought back.
template <typename R>
Rows InterfaceRows(const Units& u, int n, const std::vector<std::vector<double>>& path,
                   const std::function<void(R&, const double*, double*)>& stress,
                   const std::function<void(const R&, double**)>& tangent, R r) {
  Rows out;
  double** D;
  allocd2(&D, n, n);
  for (const auto& step : path) {
    double w[4] = {0, 0, 0, 0}, s[4] = {0, 0, 0, 0};
    for (int i = 1; i <= n; i++) w[i] = step[static_cast<size_t>(i - 1)] * u.L;
    stress(r, w, s);
    tangent(r, D);
    std::vector<double> row;
    for (int i = 1; i <= n; i++) row.push_back(s[i] / u.F);
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) row.push_back(D[i][j] / (u.F / u.L));
    out.push_back(row);
  }
  freed2(D);
  return out;
}

// Slip through the peak (0.02) and beyond, back past zero, and on again.
std::vector<std::vector<double>> SlipPath(double opening, double h) {
  std::vector<std::vector<double>> p;
  for (double s : Through({0.05, 0.02, -0.04, -0.01, 0.07}, h)) p.push_back({s, opening});
  return p;
}

// s1 0.01, s2 0.02, tau_max 5, alpha 0.4, beta 0.3, k_n 100.
Rows Bond301(const Units& u) {
  const double F = u.F, L = u.L;
  const MaterialRecord m = matdriver::Record({0.01 * L, 0.02 * L, 5 * F, 0.4, 0.3, 100 * F / L});
  return InterfaceRows<NLMM301_HD>(
      u, 2, SlipPath(0.001, 0.0025), [&](NLMM301_HD& r, const double* w, double* s) { CalcStress_NLMM301(m, r, w, s); },
      [&](const NLMM301_HD& r, double** D) { CalcMat_D_NLMM301(m, r, D); }, NLMM301_HD{});
}

// k_t = k_n 1e6, f_t 3, w1 0.02, r1 0.3, w2 0.1, r2 0.1, w_u 0.2 (file order k_t, k_n,
// f_t, w1, r1, w2, r2, w_u): cracking, softening, unloading, closing, reopening past the
// softening point, separation.
Rows Interface302(const Units& u) {
  const double F = u.F, L = u.L;
  const MaterialRecord m =
      matdriver::Record({1e6 * F / L, 1e6 * F / L, 3 * F, 0.02 * L, 0.3, 0.1 * L, 0.1, 0.2 * L});
  // First a crack just open (5e-6 past the cracking opening 3e-6) that closes again.
  std::vector<std::vector<double>> p = {{1e-6, 2e-6}, {1e-6, 5e-6}, {1e-6, 2e-6}, {1e-6, -1e-6}};
  for (double w : Through({0.05, 0.025, -1e-6, 0.04, 0.15, 0.1, 0.25, -2e-6, 0.01}, 0.005)) p.push_back({1e-6, w});
  NLMM302_HD r{};
  r.InUse = 1;
  return InterfaceRows<NLMM302_HD>(
      u, 2, p, [&](NLMM302_HD& q, const double* w, double* s) { CalcStress_NLMM302(m, q, w, s); },
      [&](const NLMM302_HD& q, double** D) { CalcMat_D_NLMM302(m, q, D); }, r);
}

// s_lin 0.001, s_peak 0.002, tau_0 1, tan(phi) 0.5, alpha = beta = 0.5, K_n 1000, on a
// surface: a slip path in each direction under a pressure that grows, with an opening
// on the way back.
Rows Bond305(const Units& u) {
  const double F = u.F, L = u.L;
  const MaterialRecord m = matdriver::Record({0.001 * L, 0.002 * L, 1 * F, std::atan(0.5), 0.5, 0.5, 1000 * F / L});
  std::vector<std::vector<double>> p;
  const std::vector<double> s = Through({0.006, -0.003, 0.008}, 2.5e-4);
  for (size_t k = 0; k < s.size(); k++) {
    const double wn = k >= 45 && k < 55 ? 5e-4 : -0.002 - 2e-5 * static_cast<double>(k);
    p.push_back({s[k], -0.5 * s[k], wn});
  }
  return InterfaceRows<NLMM305_HD>(
      u, 3, p, [&](NLMM305_HD& r, const double* w, double* sg) { CalcStress_NLMM305(m, kStateInterfaceSurface, r, w, sg); },
      [&](const NLMM305_HD& r, double** D) { CalcMat_D_NLMM305(m, kStateInterfaceSurface, r, D); }, NLMM305_HD{});
}

// s1 0.01, s2 0.02, tau_c 1, alpha 0.4, beta 0.3, k_mu 2, mu_p 0.6, a_p 1, r_mu 0.5,
// K_n 1e6, pressed: the envelopes, unloading, reloading and the inner reversals. Its
// branch exponent (16 s1^(1/3)) and origin shift are written for slips in mm: forces
// only.
Rows Friction306(const Units& u) {
  const double F = u.F;
  MaterialRecord m = matdriver::Record({0.01, 0.02, 1 * F, 0.4, 0.3, 2, 0.6, 1, 0.5, 1e6 * F});
  std::snprintf(m.Name2, sizeof m.Name2, "%s", TestJobName().c_str());
  const std::string warnings = TestJobName() + "_wrn306.out";
  std::vector<std::vector<double>> p;
  for (double s : Through({0.05, 0.0, 0.01, -0.04, -0.01, -0.03, 0.06}, 0.0025)) p.push_back({s, -2e-6});
  NLMM304_HD r{};
  r.S = 1;
  const PointContext at{1, 1, 1, 1, 0};
  Rows out = InterfaceRows<NLMM304_HD>(
      u, 2, p, [&](NLMM304_HD& q, const double* w, double* s) { CalcStress_NLMM306(at, m, kStateInterfaceLine2D, q, w, s); },
      [&](const NLMM304_HD& q, double** D) { CalcMat_D_NLMM306(m, kStateInterfaceLine2D, q, D); }, r);
  // The branches whose fit failed and went on as the secant line (a note each): the same
  // ones in any units, carried as a last column.
  double notes = 0.0;
  if (FILE* fp = std::fopen(warnings.c_str(), "r")) {
    for (int ch; (ch = std::fgetc(fp)) != EOF;) notes += ch == '\t' ? 1.0 : 0.0;
    std::fclose(fp);
  }
  std::remove(warnings.c_str());
  for (auto& row : out) row.push_back(notes);
  return out;
}

// alpha 0.4, s1 0.01, s2 0.5, tau_1 2, s3 1, tau_f 0.5, K_un 200, opening stiffness 1e4
// (file order). Its friction levels are stresses in MPa: lengths only (MN and m).
Rows Bond303(const Units& u) {
  const double L = u.L;
  const MaterialRecord m = matdriver::Record({0.4, 0.01 * L, 0.5 * L, 2, 1 * L, 0.5, 200 / L, 1e4 / L, 0, 0});
  NLMM303_HD r{};
  r.RuleNumber = 1;
  Rows out;
  for (double s : Through({0.3, 0.2, -0.6, -0.1, 0.8, 0.5, 1.5}, 0.02)) {
    double tau = 0.0, secant = 0.0;
    CalcStress_NLMM303(PointContext{1, 2, 1, 1, 0}, m, r, s * L, &tau, &secant);
    out.push_back({tau, secant * L});
  }
  return out;
}

// Kind, then chi_0, c_0, c_g0, sigma_u, tanphi_0, tanpsi_0, tanphi_r, tanpsi, alpha_chi,
// alpha_c, alpha_phi, kappa_chi, kappa_c, K_s, K_2, K_3, N: strengths times F, the
// softening works (stress times slip) F L, the stiffnesses F / L.
MaterialRecord Plastic320(int kind, const std::vector<double>& v, const Units& u) {
  MaterialRecord m = matdriver::RecordWithInts({static_cast<double>(kind)}, {1});
  const double scale[17] = {u.F, u.F, u.F, u.F, 1, 1, 1, 1, 1, 1, 1, u.F * u.L, u.F * u.L, u.F / u.L, u.F / u.L,
                            u.F / u.L, 1};
  for (size_t k = 0; k < v.size(); k++) {
    m.nValues++;
    m.Value[m.nValues] = v[k] * scale[k];
    m.ValueType[m.nValues] = 'd';
  }
  return m;
}

Rows Plastic320Rows(const MaterialRecord& m, int type, const Units& u, const std::vector<std::vector<double>>& incs) {
  const int n = type == _INTERFACE_LINE_2D ? 2 : 3;
  NLMM320_HD r{};
  r.State = 1;
  const PointContext at{1, 1, 1, 1, 0};
  // The law takes increments: the path below holds them.
  return InterfaceRows<NLMM320_HD>(
      u, n, incs,
      [&](NLMM320_HD& q, const double* dw, double* s) { CalcStress_NLMM320(at, m, StressStateOfType(type), n, q, dw, s); },
      [&](const NLMM320_HD& q, double** D) { CalcMat_D_NLMM320(at, m, StressStateOfType(type), n, q, D); }, r);
}

// Kind 1: c_0 1, alpha_c 2, kappa_c 0.05, K_s 1e4, K_2 2e4, K_3 3e4, in 4 sub-increments:
// slip through the strength and softening, back through zero, and on.
Rows Shear320(const Units& u) {
  const MaterialRecord m = Plastic320(1, {0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0.05, 1e4, 2e4, 3e4, 4}, u);
  std::vector<std::vector<double>> incs;
  for (int k = 0; k < 60; k++) incs.push_back({k < 30 ? 1e-4 : (k < 40 ? -2e-4 : 1.5e-4), k < 5 ? 1e-5 : 0.0, -1e-5});
  return Plastic320Rows(m, _INTERFACE_QUAD, u, incs);
}

// Kind 2: chi_0 1, c_0 = c_g0 2, sigma_u 1, tanphi_0 0.6, tanpsi_0 0.3, tanphi_r 0.4,
// tanpsi 0.2, alpha_chi 1, alpha_c 2, alpha_phi 0.5, kappa_chi 0.05, kappa_c 0.5, K_s 1e4,
// K_2 1e4, K_3 2e4: shear under compression, then opening in tension, then back.
Rows Surface320(int type, const Units& u) {
  const MaterialRecord m =
      Plastic320(2, {1, 2, 2, 1, 0.6, 0.3, 0.4, 0.2, 1, 2, 0.5, 0.05, 0.5, 1e4, 1e4, 2e4, 1}, u);
  std::vector<std::vector<double>> incs;
  for (int k = 0; k < 40; k++) {
    const double shear = k < 20 ? 6e-5 : (k < 30 ? -4e-5 : 5e-5);
    const double normal = k < 10 ? -1e-5 : (k < 25 ? 2e-5 : -1e-5);
    if (type == _INTERFACE_LINE_2D)
      incs.push_back({shear, normal});
    else
      incs.push_back({shear, -0.5 * shear, normal});
  }
  return Plastic320Rows(m, type, u, incs);
}

}  // namespace

TEST(UnitsInvariance, InterfaceLawsGiveTheSameTractionsInAnyUnits) {
  const Units kMn{"MN, m", 1.0, 1e-3};
  RunCases({
      {"_NLMM301", {kPa, kKn}, Bond301},
      {"_NLMM302", {kPa, kKn}, Interface302},
      {"_NLMM303", {kMn}, Bond303},
      {"_NLMM305", {kPa, kKn}, Bond305},
      // Forces in nN: stiffnesses as large as in N and m; the branch fits stop at 1e-8 of
      // their residuals.
      {"_NLMM306", {Units{"nN, mm", 1e9, 1.0}}, Friction306, 1e-8},
      {"_NLMM320 shear", {kPa, kKn}, Shear320},
      {"_NLMM320 line", {kPa, kKn}, [](const Units& u) { return Surface320(_INTERFACE_LINE_2D, u); }},
      {"_NLMM320 surface", {kPa, kKn}, [](const Units& u) { return Surface320(_INTERFACE_QUAD, u); }},
  });
}

