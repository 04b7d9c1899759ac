// Interface plasticity _NLMM320 with softening, integrated increment by increment.
// Kind 1: the first (shear) component is elasto-plastic, its strength falling from c_0
// to zero along an S-curve as the plastic work kappa grows to kappa_c; the others are
// elastic. Kind 2: a hyperbolic Mohr-Coulomb surface in shear and normal stress whose
// tensile strength, cohesion and friction soften with the plastic work, with a
// non-associated potential; the trial stress is mapped back in one Newton solve.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "materials/interface/bond_laws.h"
#include "model/mesh.h"
#include "model/validate.h"
#include "numcore/numcore.h"

InterfacePlasticity320 Nlmm320Of(const MaterialRecord& m) {
  InterfacePlasticity320 c;
  c.kind = MatInt(m, 1);
  double* v[17] = {&c.chi0,     &c.c0,     &c.cg0,      &c.sigmaU,   &c.tanPhi0, &c.tanPsi0,
                   &c.tanPhiR,  &c.tanPsi, &c.alphaChi, &c.alphaC,   &c.alphaPhi, &c.kappaChi,
                   &c.kappaC,   &c.Ks,     &c.K2,       &c.K3,       &c.N};
  for (int k = 0; k < 17; k++) *v[k] = MatValue(m, k + 2);
  return c;
}

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr const char* kModel = "_NLMM320";
constexpr const char* kReturnMapping = "Calculating the delta stress vector using\na return mapping algorithm:\n";
constexpr const char* kMappingBack = "Mapping back the trial stress state to the yield surface:\n";
constexpr const char* kNotConverged = "The iterative algorithm did not converge.";
constexpr const char* kSingularJacobian =
    "Solving a system of linear equations.\nThe Jacobian matrix is singular.\nIterative process could not be "
    "completed.";

// Softened fraction h of a strength at kappa (0 at 0, 1 from kappaLim on): the cosine
// damage D skewed by alpha; dh is its slope.
double Softened(double kappa, double kappaLim, double alpha, double* dh) {
  *dh = 0.0;
  if (kappa >= kappaLim) return 1.0;  // exhausted, exactly
  const double D = 0.5 - 0.5 * std::cos(kPi * kappa / kappaLim);
  const double dD = kPi / (2.0 * kappaLim) * std::sin(kPi * kappa / kappaLim);
  const double w = std::exp(-alpha);
  const double den = (w - 1.0) * D + 1.0;
  *dh = w / (den * den) * dD;
  return D * w / den;
}

// Solves J dx = rhs (n unknowns, n <= 5) with the columns and then the rows scaled to
// unit largest entry, so that unknowns of very different sizes (a multiplier that grows
// as the stress it acts on vanishes) leave the system well posed. False on a singular
// J; J and rhs are overwritten.
bool TrySolveNewtonStep(double** J, double* rhs, double* dx, int n) {
  double col[6];
  for (int j = 1; j <= n; j++) {
    col[j] = 0.0;
    for (int i = 1; i <= n; i++) col[j] = std::max(col[j], std::fabs(J[i][j]));
    if (col[j] == 0.0) return false;
    for (int i = 1; i <= n; i++) J[i][j] /= col[j];
  }
  for (int i = 1; i <= n; i++) {
    double big = 0.0;
    for (int j = 1; j <= n; j++) big = std::max(big, std::fabs(J[i][j]));
    if (big == 0.0) return false;
    for (int j = 1; j <= n; j++) J[i][j] /= big;
    rhs[i] /= big;
  }
  if (!linsolved2(J, dx, rhs, n)) return false;
  for (int j = 1; j <= n; j++) dx[j] /= col[j];
  return true;
}

// As TrySolveNewtonStep; a singular J stops the run.
void SolveNewtonStep(const PointContext& at, double** J, double* rhs, double* dx, int n) {
  if (!TrySolveNewtonStep(J, rhs, dx, n)) MaterialPointFault(at, kMappingBack, kModel, kSingularJacobian);
}

// The elastic stiffnesses of the n components; a singular matrix stops the run.
void ElasticDiagonal(const PointContext& at, const InterfacePlasticity320& c, int n, double* De) {
  double** A;
  double** Ainv;
  allocd2(&A, n, n);
  allocd2(&Ainv, n, n);
  zerod2(A, n, n);
  De[1] = c.Ks;
  De[2] = c.K2;
  De[3] = n == 3 ? c.K3 : 0.0;
  for (int i = 1; i <= n; i++) A[i][i] = De[i];
  const bool ok = invertd2(Ainv, A, n);
  freed2(Ainv);
  freed2(A);
  if (!ok) MaterialPointFault(at, kMappingBack, kModel, "Unable to invert the elasticity matrix (De).");
}

// ---- kind 1 ---------------------------------------------------------------------------

// Return mapping of one sub-increment from (tauTr, kappa0); false on an elastic step.
bool ReturnMapShear(const PointContext& at, const InterfacePlasticity320& c, double tauTr, double kappa0, double* tau,
                    double* kappa, double* lambda) {
  double t = tauTr, k = kappa0, l = 0.0, f0 = 0.0;
  double** J;
  allocd2(&J, 3, 3);
  bool plastic = true;
  // The law's own sizes: the strength, the elastic slip at it and the exhausting work;
  // the residuals are measured against them, the same in any units.
  const double st = c.c0 != 0.0 ? std::fabs(c.c0) : (tauTr != 0.0 ? std::fabs(tauTr) : 1.0);
  const double slipScale = st / c.Ks, workScale = c.kappaC;
  for (int pass = 0;; pass++) {
    double dty;
    const double ty = ShearStrength_NLMM320(c, k, &dty);
    double r[4] = {0.0, (t - tauTr) / c.Ks + 2.0 * t * l, k - kappa0 - 2.0 * t * t * l, t * t - ty * ty};
    if (pass == 0) {
      if (r[3] < 0.0) {
        plastic = false;
        break;
      }
      f0 = std::fabs(r[3]);
    }
    const double fRel = f0 == 0.0 ? 0.0 : std::fabs(r[3]) / f0;
    if (std::fabs(r[1]) / slipScale < 1e-10 && std::fabs(r[2]) / workScale < 1e-10 && fRel < 1e-10) break;
    if (pass >= 1000) {
      freed2(J);
      MaterialPointFault(at, kReturnMapping, kModel, kNotConverged);
    }
    J[1][1] = 1.0 / c.Ks + 2.0 * l;
    J[1][2] = 0.0;
    J[1][3] = 2.0 * t;
    J[2][1] = -4.0 * t * l;
    J[2][2] = 1.0;
    J[2][3] = -2.0 * t * t;
    J[3][1] = 2.0 * t;
    J[3][2] = -2.0 * ty * dty;
    J[3][3] = 0.0;
    double rhs[4] = {0.0, -r[1], -r[2], -r[3]}, dx[4];
    double J0[4][4];
    for (int i = 1; i <= 3; i++)
      for (int j = 1; j <= 3; j++) J0[i][j] = J[i][j];
    if (!TrySolveNewtonStep(J, rhs, dx, 3)) {
      // The equations are a slip, a work and a squared stress: in large units (Pa and m)
      // their sizes lie so far apart that the scaling of the rows and columns leaves the
      // matrix singular. Again in the law's own sizes: the unknowns by the strength, the
      // exhausting work and the elastic compliance, the equations by the elastic slip at
      // the strength, that work and the squared strength.
      const double xs[4] = {0.0, st, workScale, 1.0 / c.Ks}, rs[4] = {0.0, slipScale, workScale, st * st};
      for (int i = 1; i <= 3; i++) {
        for (int j = 1; j <= 3; j++) J[i][j] = J0[i][j] * xs[j] / rs[i];
        rhs[i] = -r[i] / rs[i];
      }
      SolveNewtonStep(at, J, rhs, dx, 3);
      for (int j = 1; j <= 3; j++) dx[j] *= xs[j];
    }
    t += dx[1];
    k += dx[2];
    l += dx[3];
    // Diverged: beyond 1e8 times the law's own sizes.
    if (k < 0.0 || !(std::fabs(t) <= 1e8 * st) || !(std::fabs(k) <= 1e8 * workScale) ||
        !(std::fabs(l) <= 1e8 * slipScale / st)) {
      freed2(J);
      MaterialPointFault(at, kReturnMapping, kModel, kNotConverged);
    }
  }
  freed2(J);
  *tau = plastic ? t : tauTr;
  *kappa = plastic ? k : kappa0;
  *lambda = plastic ? l : 0.0;
  return plastic;
}

void StressShear(const PointContext& at, const InterfacePlasticity320& c, int n, NLMM320_HD& r, const double* dw) {
  double De[4];
  ElasticDiagonal(at, c, n, De);
  const int N = static_cast<int>(c.N);
  const double ds = dw[1] / c.N;
  for (int k = 1; k <= N; k++) {
    double tau, kappa, lambda;
    const double kappa0 = r.Kappa, tauTr = c.Ks * ds + r.Stress[1];
    double slope;
    if (ShearStrength_NLMM320(c, kappa0, &slope) == 0.0 && tauTr != 0.0) {
      // No strength left: the whole slip is plastic and the point carries nothing. (The
      // multiplier of this limit is unbounded: the mapping is not run.)
      r.Stress[1] = 0.0;
      r.PlasticDisp[1] += tauTr / c.Ks;
      r.State = 3;
      continue;
    }
    ReturnMapShear(at, c, tauTr, kappa0, &tau, &kappa, &lambda);
    r.Stress[1] = tau;
    if (kappa == kappa0) {
      r.State = 1;
    } else {
      r.State = 3;
      r.PlasticDisp[1] += 2.0 * tau * lambda;
      r.Kappa = kappa;
      r.Multiplier = k == 1 ? lambda : r.Multiplier + lambda;
    }
  }
  r.Stress[2] += c.K2 * dw[2];
  if (n == 3) r.Stress[3] += c.K3 * dw[3];
}

void TangentShear(const InterfacePlasticity320& c, int n, const NLMM320_HD& r, double** D) {
  zerod2(D, n, n);
  D[1][1] = c.Ks;
  D[2][2] = c.K2;
  if (n == 3) D[3][3] = c.K3;
  if (r.State == 1) return;
  const double tau = r.Stress[1];
  double dty;
  const double ty = ShearStrength_NLMM320(c, r.Kappa, &dty);
  if (tau == 0.0 && ty == 0.0) {
    // Nothing left to carry: a token stiffness.
    D[1][1] = 1e-8 * c.Ks;
    return;
  }
  const double X = c.Ks * (2.0 * tau) * (2.0 * tau);
  const double Y = dty * (2.0 * ty) * tau * (2.0 * tau);
  if (X + Y == 0.0) InternalError(__FILE__, __LINE__);
  D[1][1] = c.Ks * (1.0 - X / (X + Y));
}

// ---- kind 2 ---------------------------------------------------------------------------

// Strength values at kappa and their slopes.
struct Strengths {
  double chi, c, tanPhi, cg, tanPsi;
  double dChi, dC, dTanPhi, dCg, dTanPsi;
};

Strengths StrengthsAt(const InterfacePlasticity320& p, int n, double kappa) {
  double dhChi, dhC, dhPhi;
  const double hChi = Softened(kappa, p.kappaChi, p.alphaChi, &dhChi);
  const double hC = Softened(kappa, p.kappaC, p.alphaC, &dhC);
  const double hPhi = Softened(kappa, p.kappaC, p.alphaPhi, &dhPhi);
  Strengths s;
  s.chi = (1.0 - hChi) * p.chi0;
  s.dChi = -dhChi * p.chi0;
  s.c = (1.0 - hC) * p.c0;
  s.dC = -dhC * p.c0;
  s.tanPhi = p.tanPhi0 - (p.tanPhi0 - p.tanPhiR) * hPhi;
  s.dTanPhi = -(p.tanPhi0 - p.tanPhiR) * dhPhi;
  if (n == 3) {
    s.cg = (1.0 - hC) * p.cg0;
    s.dCg = -dhC * p.cg0;
    s.tanPsi = (1.0 - hPhi) * p.tanPsi0;
    s.dTanPsi = -dhPhi * p.tanPsi0;
  } else {
    s.cg = s.dCg = 0.0;
    s.tanPsi = p.tanPsi;
    s.dTanPsi = 0.0;
  }
  return s;
}

// Shear magnitude of the n-component stress (the normal one is the last).
double ShearNorm(const double* t, int n) { return n == 2 ? std::fabs(t[1]) : std::hypot(t[1], t[2]); }

// Yield function; a and dq (df/dchi, df/dc, df/dtanphi) when asked.
double Yield(int n, const double* t, const Strengths& s, double* a, double* dq) {
  const double sig = t[n];
  const double m = s.c - sig * s.tanPhi, q = s.c - s.chi * s.tanPhi;
  if (n == 2) {
    if (a != nullptr) {
      a[1] = 2.0 * t[1];
      a[2] = 2.0 * s.tanPhi * m;
    }
    if (dq != nullptr) {
      dq[1] = -2.0 * s.tanPhi * q;
      dq[2] = -2.0 * m + 2.0 * q;
      dq[3] = 2.0 * sig * m - 2.0 * s.chi * q;
    }
    return t[1] * t[1] - m * m + q * q;
  }
  const double R = std::sqrt(t[1] * t[1] + t[2] * t[2] + q * q);
  if (a != nullptr) {
    a[1] = R == 0.0 ? 0.0 : t[1] / R;
    a[2] = R == 0.0 ? 0.0 : t[2] / R;
    a[3] = s.tanPhi;
  }
  if (dq != nullptr) {
    dq[1] = R == 0.0 ? 0.0 : -s.tanPhi * q / R;
    dq[2] = (R == 0.0 ? 0.0 : q / R) - 1.0;
    dq[3] = (R == 0.0 ? 0.0 : -s.chi * q / R) + sig;
  }
  return R - m;
}

// Gradient b of the plastic potential.
void Potential(const InterfacePlasticity320& p, int n, const double* t, const Strengths& s, double* b) {
  const double sig = t[n];
  if (n == 2) {
    b[1] = 2.0 * t[1];
    double dil = 2.0 * s.tanPsi * (s.c - sig * s.tanPhi);
    if (sig < -p.sigmaU)
      dil = 0.0;
    else if (sig < 0.0)
      dil *= 1.0 + sig / p.sigmaU;
    b[2] = dil;
    return;
  }
  const double q = s.cg - s.chi * s.tanPsi;
  const double R = std::sqrt(t[1] * t[1] + t[2] * t[2] + q * q);
  b[1] = R == 0.0 ? 0.0 : t[1] / R;
  b[2] = R == 0.0 ? 0.0 : t[2] / R;
  b[3] = s.tanPsi;
}

// Work of the stresses t on the plastic increment dup: all of it in tension, in
// compression only the shear, less the friction of the normal stress. With wGrad its
// gradient with respect to dup.
double Work(int n, const double* t, const Strengths& s, const double* dup, double* wGrad) {
  const double sig = t[n];
  if (sig >= 0.0) {
    double W = 0.0;
    for (int i = 1; i <= n; i++) {
      W += t[i] * dup[i];
      if (wGrad != nullptr) wGrad[i] = t[i];
    }
    return W;
  }
  const double shear = ShearNorm(t, n) + sig * s.tanPhi;
  const double slip = ShearNorm(dup, n);
  if (wGrad != nullptr) {
    for (int i = 1; i < n; i++) wGrad[i] = slip == 0.0 ? 0.0 : shear * dup[i] / slip;
    wGrad[n] = 0.0;
  }
  return shear * slip;
}

// Residuals of the unknowns x = (stresses, kappa, lambda) against the trial state.
void Residual2(const InterfacePlasticity320& p, int n, const double* De, const double* tTr, double kappa0,
               const double* x, double* r) {
  const Strengths s = StrengthsAt(p, n, x[n + 1]);
  const double lambda = x[n + 2];
  double b[4] = {}, dup[4] = {};
  Potential(p, n, x, s, b);
  for (int i = 1; i <= n; i++) {
    dup[i] = lambda * b[i];
    r[i] = tTr[i] - x[i] - De[i] * dup[i];
  }
  r[n + 1] = x[n + 1] - kappa0 - Work(n, x, s, dup, nullptr);
  r[n + 2] = Yield(n, x, s, nullptr, nullptr);
}

void StressSurface(const PointContext& at, const InterfacePlasticity320& p, int n, NLMM320_HD& r, const double* dw) {
  double De[4];
  ElasticDiagonal(at, p, n, De);
  const int m = n + 2;
  double tTr[4], x[6], res[6], rp[6], rm[6], rhs[6], dx[6];
  for (int i = 1; i <= n; i++) tTr[i] = r.Stress[i] + De[i] * dw[i];
  const double kappa0 = r.Kappa;
  for (int i = 1; i <= n; i++) x[i] = tTr[i];
  x[n + 1] = kappa0;
  x[n + 2] = 0.0;
  // Difference steps: a stress scale and a work scale of the material.
  double stressScale = std::max({std::fabs(p.chi0), std::fabs(p.c0), std::fabs(p.cg0)});
  for (int i = 1; i <= n; i++) stressScale = std::max(stressScale, std::fabs(tTr[i]));
  if (stressScale == 0.0) stressScale = 1.0;
  double workScale = std::max(std::fabs(p.kappaChi), std::fabs(p.kappaC));
  if (workScale == 0.0) workScale = 1.0;
  double** J;
  allocd2(&J, m, m);
  double f0 = 0.0;
  bool plastic = true;
  for (int pass = 0;; pass++) {
    Residual2(p, n, De, tTr, kappa0, x, res);
    if (pass == 0) {
      if (res[m] < 0.0) {
        plastic = false;
        break;
      }
      f0 = std::fabs(res[m]);
    }
    double big = 0.0;
    for (int i = 1; i <= n; i++) big = std::max(big, std::fabs(res[i]));
    const double fRel = f0 == 0.0 ? 0.0 : std::fabs(res[m]) / f0;
    // Stresses against the law's stress size, the work against its softening work.
    if (big / stressScale < 1e-10 && std::fabs(res[n + 1]) / workScale < 1e-10 && fRel < 1e-10) break;
    if (pass >= 1000) {
      freed2(J);
      MaterialPointFault(at, kReturnMapping, kModel, kNotConverged);
    }
    // Jacobian: central differences in the stresses and kappa; the residuals are linear
    // in lambda, whose column is exact.
    for (int j = 1; j <= n + 1; j++) {
      const double h = 1e-7 * std::max(std::fabs(x[j]), j <= n ? stressScale : workScale);
      const double keep = x[j];
      x[j] = keep + h;
      Residual2(p, n, De, tTr, kappa0, x, rp);
      x[j] = keep - h;
      Residual2(p, n, De, tTr, kappa0, x, rm);
      x[j] = keep;
      for (int i = 1; i <= m; i++) J[i][j] = (rp[i] - rm[i]) / (2.0 * h);
    }
    {
      const Strengths s = StrengthsAt(p, n, x[n + 1]);
      double b[4];
      Potential(p, n, x, s, b);
      for (int i = 1; i <= n; i++) J[i][m] = -De[i] * b[i];
      J[n + 1][m] = -Work(n, x, s, b, nullptr);
      J[m][m] = 0.0;
    }
    for (int i = 1; i <= m; i++) rhs[i] = -res[i];
    SolveNewtonStep(at, J, rhs, dx, m);
    bool bad = false;
    for (int i = 1; i <= m; i++) {
      x[i] += dx[i];
      const double size = i <= n ? stressScale : (i == n + 1 ? workScale : 1.0);
      if (!std::isfinite(x[i]) || (i <= n + 1 && std::fabs(x[i]) > 1e8 * size)) bad = true;
    }
    if (bad || x[n + 1] < 0.0) {
      freed2(J);
      MaterialPointFault(at, kReturnMapping, kModel, kNotConverged);
    }
  }
  freed2(J);
  if (plastic && x[n + 1] < kappa0) MaterialPointFault(at, kReturnMapping, kModel, kNotConverged);
  if (!plastic) {
    for (int i = 1; i <= n; i++) r.Stress[i] = tTr[i];
    r.State = 1;
    return;
  }
  const Strengths s = StrengthsAt(p, n, x[n + 1]);
  double b[4];
  Potential(p, n, x, s, b);
  for (int i = 1; i <= n; i++) {
    r.Stress[i] = x[i];
    r.PlasticDisp[i] += x[m] * b[i];
  }
  r.State = x[n + 1] == kappa0 ? 1 : 3;
  if (r.State == 3) {
    r.Kappa = x[n + 1];
    r.Multiplier = x[m];
  }
}

void TangentSurface(const PointContext& at, const InterfacePlasticity320& p, int n, const NLMM320_HD& r, double** D) {
  double De[4];
  ElasticDiagonal(at, p, n, De);
  zerod2(D, n, n);
  double factor = 1.0;
  if (r.State != 1) {
    const Strengths s = StrengthsAt(p, n, r.Kappa);
    double a[4], dq[4], b[4], w[4], dup[4] = {};
    double t[4] = {0.0, r.Stress[1], r.Stress[2], r.Stress[3]};
    Yield(n, t, s, a, dq);
    Potential(p, n, t, s, b);
    for (int i = 1; i <= n; i++) dup[i] = r.Multiplier * b[i];
    Work(n, t, s, dup, w);
    double X = 0.0, wb = 0.0;
    for (int i = 1; i <= n; i++) {
      X += De[i] * a[i] * b[i];
      wb += w[i] * b[i];
    }
    const double Y = -(dq[1] * s.dChi + dq[2] * s.dC + dq[3] * s.dTanPhi) * wb;
    factor = X + Y == 0.0 ? 1e-8 : 1.0 - X / (X + Y);
  }
  for (int i = 1; i <= n; i++) D[i][i] = factor * De[i];
}

}  // namespace

double ShearStrength_NLMM320(const InterfacePlasticity320& c, double kappa, double* slope) {
  double dh;
  const double h = Softened(kappa, c.kappaC, c.alphaC, &dh);
  *slope = -c.c0 * dh;
  return (1.0 - h) * c.c0;
}

namespace {

// The formulation of the record in the point's state: kind 1 on every interface, kind 2
// on the line in the plane (its 2-D form, n = 2) and the line in space and the surface
// (the 3-D form, n = 3); anything else is the internal error.
int FormOf320(const InterfacePlasticity320& c, StressState state, int n) {
  if (n != (state == kStateInterfaceLine2D ? 2 : 3)) InternalError(__FILE__, __LINE__);
  switch (c.kind) {
    case 1: return 1;
    case 2:
      if (state != kStateInterfaceLine2D && state != kStateInterfaceLine3D && state != kStateInterfaceSurface)
        InternalError(__FILE__, __LINE__);
      return 2;
    default: InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

void CalcStress_NLMM320(const PointContext& at, const MaterialRecord& m, StressState state, int n, NLMM320_HD& r,
                        const double* dw, double* sigma) {
  const InterfacePlasticity320 c = Nlmm320Of(m);
  for (int i = 1; i <= 3; i++) r.Increment[i] = i <= n ? dw[i] : 0.0;
  if (FormOf320(c, state, n) == 1)
    StressShear(at, c, n, r, dw);
  else
    StressSurface(at, c, n, r, dw);
  for (int i = 1; i <= n; i++) sigma[i] = r.Stress[i];
}

void CalcMat_D_NLMM320(const PointContext& at, const MaterialRecord& m, StressState state, int n, const NLMM320_HD& r,
                       double** D) {
  const InterfacePlasticity320 c = Nlmm320Of(m);
  if (FormOf320(c, state, n) == 1)
    TangentShear(c, n, r, D);
  else
    TangentSurface(at, c, n, r, D);
}

void CheckParameters_NLMM320(const MaterialRecord& m, const char* block, int record) {
  const InterfacePlasticity320 c = Nlmm320Of(m);
  if (c.kind != 1 && c.kind != 2)
    DataFault(nullptr, block, record, "Invalid kind of interface plasticity: %d (valid: 1 or 2).", c.kind);
  if (!(c.kappaC > 0.0))
    DataFault(nullptr, block, record, "The softening variable of the exhausted strength must be positive: %g.",
              c.kappaC);
  if (c.kind == 1 && !(c.N >= 1.0 && c.N == std::floor(c.N)))
    DataFault(nullptr, block, record, "The number of sub-increments must be a whole number of at least 1: %g.", c.N);
  if (c.kind == 1 && c.N > 1e6)
    DataFault(nullptr, block, record, "The number of sub-increments must not exceed 1000000: %g.", c.N);
  if (c.kind == 2 && !(c.kappaChi > 0.0))
    DataFault(nullptr, block, record, "The softening work of the exhausted tensile strength must be positive: %g.",
              c.kappaChi);
}
