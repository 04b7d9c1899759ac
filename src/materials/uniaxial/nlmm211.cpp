// Plane cyclic concrete _NLMM211 with rotating smeared cracks: the total strain's
// principal directions each follow the cyclic rules of the concrete fibre (compression
// envelope with a curve to the peak, crushing and spalling; trilinear tension softening
// regularised by the fracture energy over the crack band; unloading and reloading
// branches), and the principal stresses are rotated back to the element axes.
//
// Record: NLMM211_HD, the rows of its vectors by Real3Row and Real2Row; each direction
// keeps the state of the fibre law (rule, tangent, strain and stress, the rules' points).
#include <cmath>

#include "materials/material_slots.h"
#include "materials/uniaxial/concrete_cyclic.h"
#include "numcore/numcore.h"

namespace {

using enum NLMM211_HD::Real3Row;
using enum NLMM211_HD::Real2Row;
using Fibre = NLMM210_HD;

struct Plane211 {
  Concrete210 c;
  double nu, Gf;
  Layer211 layer;  // c_lin and the break points; eu per direction
};

Plane211 Plane211Of(const MaterialRecord& m) {
  auto at = [&](int slot) { return MatSlotValue(m, MAT_NLMM211, slot); };
  Plane211 p{};
  p.nu = at(66);
  p.c.Ec = at(67);
  p.c.ec = at(68);
  p.c.fc = at(69);
  p.c.ecr = at(70);
  p.c.ft = at(71);
  p.c.et = p.c.ft / p.c.Ec;
  p.c.r = EnvelopeShape(p.c.fc);
  if (p.c.r < 0.0) InternalError(__FILE__, __LINE__);
  p.c.nC = std::fabs(p.c.ec * p.c.Ec / p.c.fc);
  p.Gf = at(76);
  p.layer.clin = p.c.fc / (3.2 * p.c.Ec);
  p.layer.xi1 = at(72);
  p.layer.alpha1 = at(73);
  p.layer.xi2 = at(74);
  p.layer.alpha2 = at(75);
  return p;
}

// The direction's record in the fibre's layout, and back.
void LoadDirection(const NLMM211_HD& r, int i, NLMM210_HD& d) {
  d = NLMM210_HD{};
  d.RuleNumber = r.IntA[i];
  d.Value[Fibre::kTan] = r.RealA[i];
  d.Value[Fibre::kStrain] = r.Real3[kDirStrain][i];
  d.Value[Fibre::kStress] = r.Real3[kDirStress][i];
  d.Value[Fibre::kPrevStrain] = r.Real2[kPrevStrain][i];
  d.Value[Fibre::kPrevStress] = r.Real2[kPrevStress][i];
  for (int k = kFirstRulePoint; k <= kLastRulePoint; k++) d.Value[k] = r.Real2[k][i];
}

void StoreDirection(const NLMM210_HD& d, int i, NLMM211_HD& r) {
  if (d.Value[Fibre::kShift] != 0.0) InternalError(__FILE__, __LINE__);
  r.IntA[i] = d.RuleNumber;
  r.RealA[i] = d.Value[Fibre::kTan];
  r.Real3[kDirStrain][i] = d.Value[Fibre::kStrain];
  r.Real3[kDirStress][i] = d.Value[Fibre::kStress];
  r.Real2[kPrevStrain][i] = d.Value[Fibre::kPrevStrain];
  r.Real2[kPrevStress][i] = d.Value[Fibre::kPrevStress];
  for (int k = kFirstRulePoint; k <= kLastRulePoint; k++) r.Real2[k][i] = d.Value[k];
}

// Share of the elastic shear modulus the shear term of the turning axes keeps when it
// vanishes.
constexpr double kTraceShare = 1e-12;
// Step of the branch slope, relative to the strain (at least the cracking strain).
constexpr double kSlopeStep = 1e-6;
// Share of the elastic modulus a direction whose branch is flat keeps in the tangent.
constexpr double kSofteningFloor = 1e-6;
// Principal strains closer than this share of the larger stand for equal ones.
constexpr double kCoaxialSpan = 1e-6;


// Poisson-coupled strains (p1, p2) of the principal pair: M (e1, e2, 0).
void PoissonCoupled(double nu, double e1, double e2, double* pc) {
  double** M;
  allocd2(&M, 3, 3);
  CalcPoissonMat_NLMM211(nu, M);
  pc[0] = 0.0;
  pc[1] = M[1][1] * e1 + M[1][2] * e2;
  pc[2] = M[2][1] * e1 + M[2][2] * e2;
  freed2(M);
}

// Equivalent uniaxial strains eq of the principal pair (e1, e2) at the point's state,
// and their derivatives J[i][k] = d eq_i / d e_k. A nonlinear direction past its limit L
// (the cracking strain in tension, c_lin in compression) takes the limit's share of the
// coupled strain and the rest of its own principal strain,
//   eq_i = q p_i + (1 - q) e_i = -L + e_i + L e_i / p_i,   q = -L / p_i < 1;
// a linear partner then sees the limit stress through the Poisson coupling, e_j - nu L
// (the coupled strain it had when i reached the limit: no jump when i turns nonlinear).
// A nonlinear partner keeps its own equivalent strain; a coupled strain of exactly 0, or
// one short of its limit, stays.
void EquivalentStrains(const Plane211& p, int state, double e1, double e2, double* eq, double J[3][3]) {
  const double nu = p.nu, f = 1.0 / (1.0 - nu * nu);
  const double M[3][3] = {{0.0, 0.0, 0.0}, {0.0, f, nu * f}, {0.0, nu * f, f}};
  const double ee[3] = {0.0, e1, e2};
  double pc[3];
  PoissonCoupled(nu, e1, e2, pc);
  auto nonlinear = [&](int i) { return state == 3 || state == i; };
  for (int i = 1; i <= 2; i++) {
    eq[i] = pc[i];
    for (int k = 1; k <= 2; k++) J[i][k] = M[i][k];
  }
  for (int i = 1; i <= 2; i++) {
    if (!nonlinear(i) || pc[i] == 0.0) continue;
    const double L = pc[i] > 0.0 ? p.c.et : p.layer.clin;
    const double q = -L / pc[i];
    if (q >= 1.0) continue;
    eq[i] = q * pc[i] + (1.0 - q) * ee[i];
    for (int k = 1; k <= 2; k++) J[i][k] = (k == i ? 1.0 + L / pc[i] : 0.0) - L * ee[i] * M[i][k] / (pc[i] * pc[i]);
    const int j = 3 - i;
    if (!nonlinear(j)) {
      eq[j] = ee[j] - nu * L;
      for (int k = 1; k <= 2; k++) J[j][k] = k == j ? 1.0 : 0.0;
    }
  }
}

}  // namespace

double CalcUltCrNormalStrainTrilinear_NLMM211(double ft, double E, double Gf, double h, double xi1, double alpha1,
                                              double xi2, double alpha2) {
  const double den = alpha2 + alpha1 * xi2 + xi1 - xi1 * alpha2;
  if (std::fabs(den) < 1e-8 || std::fabs(ft) < 1e-8 || std::fabs(h) < 1e-8) InternalError(__FILE__, __LINE__);
  return -(std::fabs(ft) * alpha1 / E + 2.0 * Gf / (std::fabs(ft) * h)) / den;
}

void CalcPrincStrain_NLMM211(double exx, double eyy, double gxy, double* e1, double* e2, double* theta) {
  // The angle of the larger principal strain from both components: no guard on a small
  // exx - eyy, which would hold the axes still near 45 degrees while they turn.
  double th = 0.5 * std::atan2(gxy, exx - eyy);
  const double c = std::cos(th), s = std::sin(th), s2 = std::sin(2.0 * th);
  const double ea = c * c * exx + s * s * eyy + 0.5 * gxy * s2;
  const double eb = s * s * exx + c * c * eyy - 0.5 * gxy * s2;
  // Equal principal strains keep the angle 0.
  if (ea < eb) {
    *e1 = eb;
    *e2 = ea;
    th += 0.5 * 3.141592653589793;
  } else {
    *e1 = ea;
    *e2 = eb;
  }
  if (th > 0.5 * 3.141592653589793) th -= 3.141592653589793;
  *theta = th;
}

void CalcTransMat_NLMM211(double theta, double** T) {
  const double c = std::cos(theta), s = std::sin(theta);
  T[1][1] = c * c;
  T[1][2] = s * s;
  T[1][3] = s * c;
  T[2][1] = s * s;
  T[2][2] = c * c;
  T[2][3] = -s * c;
  T[3][1] = -2.0 * s * c;
  T[3][2] = 2.0 * s * c;
  T[3][3] = c * c - s * s;
}

void CalcPoissonMat_NLMM211(double nu, double** M) {
  zerod2(M, 3, 3);
  const double f = 1.0 / (1.0 - nu * nu);
  M[1][1] = M[2][2] = f;
  M[1][2] = M[2][1] = nu * f;
  M[3][3] = (1.0 - nu) / 2.0 * f;
}

void CalcStress_0_NLMM211(const PointContext& at, const MaterialRecord& m, int dir, NLMM211_HD& r, double eps,
                          double* stress, double* tangent) {
  if (dir != 1 && dir != 2) InternalError(__FILE__, __LINE__);
  const Plane211 p = Plane211Of(m);
  Layer211 l = p.layer;
  l.eu = CalcUltCrNormalStrainTrilinear_NLMM211(p.c.ft, p.c.Ec, p.Gf, r.Real2[kCharLength][dir], l.xi1, l.alpha1, l.xi2,
                                                l.alpha2);
  l.branch = r.IntC[dir];
  l.cracked = r.IntB[dir];
  l.peakCurve = false;
  NLMM210_HD d;
  LoadDirection(r, dir, d);
  const NLMM210_HD before = d;
  const Layer211 lBefore = l;
  CalcStressDirection_NLMM211(at, p.c, l, d, eps, stress, tangent);
  StoreDirection(d, dir, r);
  // The rules give the secant on the envelopes; the stiffness wants the slope of the
  // branch the point is on, in the sense it moves: the same rules a little further on
  // the same path from the state before the call.
  const double dEps = kSlopeStep * std::fmax(std::fabs(eps), std::fabs(p.c.et)) *
                      (eps >= before.Value[Fibre::kStrain] ? 1.0 : -1.0);
  NLMM210_HD further = before;
  Layer211 lFurther = lBefore;
  double sFurther, tFurther;
  CalcStressDirection_NLMM211(at, p.c, lFurther, further, eps + dEps, &sFurther, &tFurther);
  r.RealA[dir] = (sFurther - *stress) / dEps;
  r.IntC[dir] = l.branch;
  r.IntB[dir] = l.cracked;
  if (l.peakCurve) r.Started = 2;
  r.Real3[kSecantStrain][dir] = eps;
  r.Real2[kSecantStress][dir] = *stress;
  // Opening beyond the cracking strain.
  r.Real2[kOpeningStrain][dir] = std::fmax(0.0, eps + p.c.et);
}

void CalcStress_NLMM211(const PointContext& at, const MaterialRecord& m, NLMM211_HD& r, double** De,
                        const double* dEps, double* sigma) {
  const Plane211 p = Plane211Of(m);
  const double clin = p.layer.clin, et = p.c.et;
  double* total = r.Real3[kTotalStrain];
  for (int k = 1; k <= 3; k++) total[k] += dEps[k];
  double e[3], theta;
  CalcPrincStrain_NLMM211(total[1], total[2], total[3], &e[1], &e[2], &theta);
  r.Real2[kPrincipalStrain][1] = e[1];
  r.Real2[kPrincipalStrain][2] = e[2];
  r.Angle = theta;
  // Poisson-coupled strains of the principal pair (the shear term is 0 there).
  double pc[3];
  PoissonCoupled(p.nu, e[1], e[2], pc);

  // A direction turns nonlinear past the cracking strain or past c_lin in compression,
  // and stays so.
  auto beyond = [&](double x) { return -x <= et || -x > clin; };
  if (r.State < 3) {
    if (beyond(pc[1])) r.State = r.State == 0 ? 1 : (r.State == 2 ? 3 : r.State);
    if (beyond(pc[2])) r.State = r.State == 0 ? 2 : (r.State == 1 ? 3 : r.State);
  }
  if (r.State == 0) {
    double ds[4];
    multd2d1(ds, De, dEps, 3, 3);
    for (int k = 1; k <= 3; k++) sigma[k] = r.Real3[kTotalStress][k] += ds[k];
    return;
  }

  double eq[3], J[3][3];
  EquivalentStrains(p, r.State, e[1], e[2], eq, J);
  if (r.Started == 0) {
    r.Started = 1;
    for (int i = 1; i <= 2; i++)
      if (eq[i] > 0.0) r.IntA[i] = 2;
  }
  double s[3], t[3];
  for (int i = 1; i <= 2; i++) CalcStress_0_NLMM211(at, m, i, r, eq[i], &s[i], &t[i]);
  // Principal stresses (s1, s2, 0) back to the element axes: sigma = T^T s.
  double** T;
  allocd2(&T, 3, 3);
  CalcTransMat_NLMM211(theta, T);
  for (int k = 1; k <= 3; k++) sigma[k] = r.Real3[kTotalStress][k] = T[1][k] * s[1] + T[2][k] * s[2];
  freed2(T);
}

void CalcMat_D_NLMM211(const MaterialRecord& m, const NLMM211_HD& r, double** De, double** D, bool falling) {
  if (r.Started == 0) {
    copyd2(D, De, 3, 3);
    return;
  }
  // Tangent of the rotating cracks in the principal frame: the slope of each direction's
  // branch times the rates of its equivalent strain over both principal strains (the
  // Poisson coupling and the limit's share), and, for the turn of the axes with the
  // strain, the shear modulus (s1 - s2) / (2 (e1 - e2)) that keeps stress and strain
  // coaxial. In the stiffness a falling or flat branch (tension softening, crushing,
  // cracked through) keeps a trace of E and the shear term a trace of G: with negative
  // slopes the iterations of a softening structure jump between cracks that open and
  // cracks that close and do not settle.
  const Plane211 p = Plane211Of(m);
  const double* e = r.Real2[kPrincipalStrain];
  const double* s = r.Real2[kSecantStress];
  double eq[3], J[3][3];
  EquivalentStrains(p, r.State, e[1], e[2], eq, J);
  double Dp[4][4] = {};
  for (int i = 1; i <= 2; i++) {
    double t = r.RealA[i];
    if (!falling && !(t > kSofteningFloor * p.c.Ec)) t = kSofteningFloor * p.c.Ec;
    for (int k = 1; k <= 2; k++) Dp[i][k] = t * J[i][k];
  }
  const double span = e[1] - e[2];
  // Equal principal strains have no axes to turn: the elastic shear modulus.
  Dp[3][3] = span > kCoaxialSpan * std::fmax(std::fabs(e[1]), std::fabs(e[2])) ? 0.5 * (s[1] - s[2]) / span
                                                                               : De[3][3];
  if (!falling && !(Dp[3][3] > kTraceShare * De[3][3])) Dp[3][3] = kTraceShare * De[3][3];
  double** T;
  allocd2(&T, 3, 3);
  CalcTransMat_NLMM211(r.Angle, T);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) {
      double x = 0.0;
      for (int k = 1; k <= 3; k++)
        for (int l = 1; l <= 3; l++) x += T[k][i] * Dp[k][l] * T[l][j];
      D[i][j] = x;
    }
  freed2(T);
}
