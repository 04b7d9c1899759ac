// Drucker-Prager and Mohr-Coulomb plasticity of plane and solid points.
#include "materials/plasticity/drucker_prager.h"

#include <cmath>
#include <cstdio>

#include "materials/elastic.h"
#include "materials/plasticity/concrete_plasticity.h"
#include "materials/plasticity/mohr_coulomb.h"
#include "model/mesh.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

constexpr const char* kModel = "_NLMM124";
constexpr const char* kMappingStep = "Mapping back the trial stress state to the yield surface:\n";
constexpr double kPi = 3.14159265358979323846;
const double kSqrt3 = std::sqrt(3.0);

// Drucker-Prager constants alpha, k and their phi-derivatives.
struct Cone {
  double alpha, dalpha, d2alpha;  // in phi
  double u, du, d2u;              // k = (6/sqrt3) c u(phi)
};

Cone ConeOf(double s, double phi) {
  const double sn = std::sin(phi), cs = std::cos(phi), w = 3.0 + s * sn;
  if (!(std::fabs(w) >= kSmall)) InternalError(__FILE__, __LINE__);
  Cone k;
  k.alpha = (2.0 / kSqrt3) * sn / w;
  k.dalpha = (6.0 / kSqrt3) * cs / (w * w);
  k.d2alpha = (6.0 / kSqrt3) * (-sn * w - 2.0 * s * cs * cs) / (w * w * w);
  k.u = cs / w;
  k.du = -(3.0 * sn + s) / (w * w);
  k.d2u = -cs * (7.0 - 3.0 * s * sn) / (w * w * w);
  return k;
}

double DruckerPragerSign(int criterion) {
  switch (criterion) {
    case kDruckerPragerOuter: return 1.0;
    case kDruckerPragerInner: return -1.0;
    default: InternalError(__FILE__, __LINE__);
  }
}

// Lode angle theta of sin 3theta = -(3 sqrt3/2) J3/J2^1.5, clamped; 0 where J2^1.5
// vanishes.
double SinThreeTheta(double J2, double J3) {
  const double den = J2 * std::sqrt(J2);
  if (!(den > 0.0)) return 0.0;
  double x = -(3.0 * kSqrt3 / 2.0) * J3 / den;
  if (x > 1.0) x = 1.0;
  if (x < -1.0) x = -1.0;
  return x;
}

// The generic second-order combination: F = Phi(I1, J2, J3) with its partials.
struct Partials {
  double P1, P2, P3, P22, P23, P33;
  double dP1, dP2, dP3;  // phi-derivatives of P1, P2, P3
  double Fk, Fkk;
};

void Combine(int n, const StressInvariants& v, const Partials& p, double dphi, YieldDerivs* d) {
  for (int i = 1; i <= n; i++) {
    d->a[i] = p.P1 * v.dI1[i] + p.P2 * v.dJ2[i] + p.P3 * v.dJ3[i];
    d->b[i] = (p.dP1 * v.dI1[i] + p.dP2 * v.dJ2[i] + p.dP3 * v.dJ3[i]) * dphi;
    for (int j = 1; j <= n; j++)
      d->A[i][j] = p.P2 * v.d2J2[i][j] + p.P3 * v.d2J3[i][j] + p.P22 * v.dJ2[i] * v.dJ2[j] +
                   p.P23 * (v.dJ2[i] * v.dJ3[j] + v.dJ3[i] * v.dJ2[j]) + p.P33 * v.dJ3[i] * v.dJ3[j];
  }
  d->Fk = p.Fk;
  d->Fkk = p.Fkk;
}

}  // namespace

void CalcDruckerPragerYieldFunc(double s, double I1, double J2, double c, double phi, double* eq, double* F) {
  const Cone k = ConeOf(s, phi);
  *eq = std::sqrt(J2) + k.alpha * I1;
  *F = *eq - (6.0 / kSqrt3) * c * k.u;
}

void CalcMohrCoulombYieldFunc(double I1, double J2, double J3, double c, double phi, double* eq, double* F,
                              double unit) {
  // An unstressed or hydrostatic point has no Lode angle: theta = 0 there.
  const double theta = J2 < kSmall * unit * unit ? 0.0 : std::asin(SinThreeTheta(J2, J3)) / 3.0;
  *eq = std::sqrt(J2) * (std::cos(theta) - std::sin(theta) * std::sin(phi) / kSqrt3) + I1 * std::sin(phi) / 3.0;
  *F = *eq - c * std::cos(phi);
}

void AllocYieldDerivs(int n, YieldDerivs* d) {
  allocd1(&d->a, n);
  allocd2(&d->A, n, n);
  allocd1(&d->b, n);
}

void FreeYieldDerivs(YieldDerivs* d) {
  freed1(d->b);
  freed2(d->A);
  freed1(d->a);
}

bool CalcYieldFuncDerivs_DruckerPrager_NLMM124(int n, double s, const StressInvariants& v, const KappaFunction& c,
                                               const KappaFunction& phi, YieldDerivs* d, double unit) {
  if (v.J2 < kSmall * unit * unit) return false;
  const Cone k = ConeOf(s, phi.f);
  const double r = std::sqrt(v.J2), K0 = 6.0 / kSqrt3;
  Partials p{};
  p.P1 = k.alpha;
  p.P2 = 1.0 / (2.0 * r);
  p.P22 = -1.0 / (4.0 * r * r * r);
  p.dP1 = k.dalpha;
  // dk/dkappa and d2k/dkappa2 of k = K0 c u(phi).
  const double dk = K0 * (c.df * k.u + c.f * k.du * phi.df);
  const double d2k = K0 * (c.d2f * k.u + 2.0 * c.df * k.du * phi.df + c.f * k.d2u * phi.df * phi.df +
                           c.f * k.du * phi.d2f);
  p.Fk = k.dalpha * phi.df * v.I1 - dk;
  p.Fkk = (k.d2alpha * phi.df * phi.df + k.dalpha * phi.d2f) * v.I1 - d2k;
  Combine(n, v, p, phi.df, d);
  return true;
}

bool CalcYieldFuncDerivs_MohrCoulomb_NLMM124(int n, const StressInvariants& v, const KappaFunction& c,
                                             const KappaFunction& phi, YieldDerivs* d, double unit) {
  if (v.J2 < kSmall * unit * unit) return false;
  const double x = SinThreeTheta(v.J2, v.J3);
  double theta = std::asin(x) / 3.0;
  const double deg = theta * 180.0 / kPi;
  // Near the corners of the hexagon the Lode angle is held at +-30 degrees.
  const bool corner = std::fabs(deg - 30.0) < 0.01 || std::fabs(deg + 30.0) < 0.01;
  if (corner) theta = deg > 0.0 ? kPi / 6.0 : -kPi / 6.0;
  const double sp = std::sin(phi.f), cp = std::cos(phi.f), st = std::sin(theta), ct = std::cos(theta);
  const double r = std::sqrt(v.J2), J2 = v.J2;
  const double g = ct - st * sp / kSqrt3, dg = -st - ct * sp / kSqrt3;
  const double gphi = -st * cp / kSqrt3, dgphi = -ct * cp / kSqrt3;  // phi-derivatives of g, g'
  const double r2 = 1.0 / (2.0 * r), r22 = -1.0 / (4.0 * r * r * r);
  Partials p{};
  p.P1 = sp / 3.0;
  p.dP1 = cp / 3.0;
  double t2 = 0.0, t3 = 0.0;  // dtheta/dJ2, dtheta/dJ3
  if (corner) {
    p.P2 = r2 * g;
    p.P22 = r22 * g;
    p.dP2 = r2 * gphi;
  } else {
    const double one = 1.0 - x * x;
    if (!(one >= 0.0)) InternalError(__FILE__, __LINE__);
    const double C = std::sqrt(one);
    if (!(C >= kSmall)) InternalError(__FILE__, __LINE__);
    const double k = 3.0 * kSqrt3;
    const double x2 = (3.0 * k / 4.0) * v.J3 / (J2 * J2 * r), x3 = -(k / 2.0) / (J2 * r);
    const double x22 = -(15.0 * k / 8.0) * v.J3 / (J2 * J2 * J2 * r), x23 = (3.0 * k / 4.0) / (J2 * J2 * r);
    const double tx = 1.0 / (3.0 * C), txx = x / (3.0 * C * C * C);
    t2 = tx * x2;
    t3 = tx * x3;
    const double t22 = txx * x2 * x2 + tx * x22, t23 = txx * x2 * x3 + tx * x23, t33 = txx * x3 * x3;
    p.P2 = r2 * g + r * dg * t2;
    p.P3 = r * dg * t3;
    p.P22 = r22 * g + 2.0 * r2 * dg * t2 + r * (-g * t2 * t2 + dg * t22);
    p.P23 = r2 * dg * t3 + r * (-g * t2 * t3 + dg * t23);
    p.P33 = r * (-g * t3 * t3 + dg * t33);
    p.dP2 = r2 * gphi + r * dgphi * t2;
    p.dP3 = r * dgphi * t3;
  }
  // F = r g(theta, phi) + I1 sin(phi)/3 - c cos(phi) in kappa through c and phi.
  const double Fphi = r * gphi + v.I1 * cp / 3.0 + c.f * sp;
  const double Fphiphi = r * st * sp / kSqrt3 - v.I1 * sp / 3.0 + c.f * cp;
  p.Fk = Fphi * phi.df - cp * c.df;
  p.Fkk = Fphiphi * phi.df * phi.df + Fphi * phi.d2f + 2.0 * sp * c.df * phi.df - cp * c.d2f;
  Combine(n, v, p, phi.df, d);
  return true;
}

namespace {

struct Mapping {
  double dLambda, kappa, eq;
  double sigma[7];
  double dEpsP[7];
};

// Reference strength of the surface at c0, phi0 (uniaxial compression).
double ReferenceStrength(const Nlmm124Material& p) {
  double fc;
  if (p.criterion == kMohrCoulomb) {
    if (!(std::fabs(1.0 - std::sin(p.phi0)) >= kSmall)) InternalError(__FILE__, __LINE__);
    fc = 2.0 * p.c0 * std::cos(p.phi0) / (1.0 - std::sin(p.phi0));
  } else {
    const Cone k = ConeOf(DruckerPragerSign(p.criterion), p.phi0);
    const double den = 1.0 - kSqrt3 * k.alpha;
    if (!(std::fabs(den) >= kSmall)) InternalError(__FILE__, __LINE__);
    fc = kSqrt3 * (6.0 / kSqrt3) * p.c0 * k.u / den;
  }
  if (!(fc > 0.0) || !(fc / p.E >= kSmall)) InternalError(__FILE__, __LINE__);
  return fc;
}

// The stress unit of the law (a power of 1000 near its strength): the guards of stress
// size scale with it, so that the same law in other units takes the same steps.
double UnitOf(const Nlmm124Material& p) { return StressUnitOf(ReferenceStrength(p)); }

// A Drucker-Prager cone without friction on a plane-strain or solid point: von Mises.
bool VonMisesCone(int n, const Nlmm124Material& p) {
  if (p.criterion == kMohrCoulomb || n == 3) return false;
  return p.phi0 == 0.0 && (p.frictionLaw == kLawConstant || p.phi1 == 0.0);
}

// F and its derivatives at (s, kappa); false at the apex.
bool YieldAt(int n, const Nlmm124Material& p, const double* s, double kappa, StressInvariants* v, YieldDerivs* d,
             double* eq, double* F) {
  const KappaFunction c = CalcCohesionFunc_NLMM124(p, kappa), phi = CalcFricAngleFunc_NLMM124(p, kappa);
  const double unit = UnitOf(p);
  CalcStressInvariantsAndDerivs(n, s, v);
  switch (p.criterion) {
    case kMohrCoulomb:
      CalcMohrCoulombYieldFunc(v->I1, v->J2, v->J3, c.f, phi.f, eq, F, unit);
      return d == nullptr || CalcYieldFuncDerivs_MohrCoulomb_NLMM124(n, *v, c, phi, d, unit);
    case kDruckerPragerOuter:
    case kDruckerPragerInner: {
      const double sg = DruckerPragerSign(p.criterion);
      CalcDruckerPragerYieldFunc(sg, v->I1, v->J2, c.f, phi.f, eq, F);
      return d == nullptr || CalcYieldFuncDerivs_DruckerPrager_NLMM124(n, sg, *v, c, phi, d, unit);
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

// Length |a| = sqrt(a:a) of the flow vector a = dF/ds taken as a strain tensor
// (engineering shears halved and counted twice), with its gradient in s and its
// derivative in kappa. The hardening parameter grows by dlambda |a|, the length of the
// plastic strain increment, which is the same in any axes. A plane-stress point flows
// out of its plane too: its a_zz = dF/ds_zz, from the six-component form of the same
// stress, enters the length.
struct FlowLength {
  double len;
  double ds[7];
  double dk;
};

class FlowLengthOf {
 public:
  FlowLengthOf(int n, const Nlmm124Material& p) : n_(n), p_(p) {
    if (n_ == 3) {
      AllocStressInvariants(6, &v6_);
      AllocYieldDerivs(6, &d6_);
    }
  }
  ~FlowLengthOf() {
    if (n_ == 3) {
      FreeYieldDerivs(&d6_);
      FreeStressInvariants(&v6_);
    }
  }
  FlowLengthOf(const FlowLengthOf&) = delete;
  FlowLengthOf& operator=(const FlowLengthOf&) = delete;

  // False where the six-component form has no derivatives (the apex).
  bool At(const double* s, double kappa, const YieldDerivs& d, FlowLength* f) {
    // Six-component gradient, its second derivatives and its kappa-derivative.
    int m = n_;
    const double *a = d.a, *b = d.b;
    double* const* A = d.A;
    static constexpr int kSix3[4] = {0, 1, 2, 6};
    if (n_ == 3) {
      const double s6[7] = {0.0, s[1], s[2], 0.0, 0.0, 0.0, s[3]};
      double eq, F;
      if (!YieldAt(6, p_, s6, kappa, &v6_, &d6_, &eq, &F)) return false;
      m = 6;
      a = d6_.a;
      b = d6_.b;
      A = d6_.A;
    }
    double wa[7], sum = 0.0, dk = 0.0;
    for (int i = 1; i <= m; i++) {
      wa[i] = TensorShearWeight(m, i) * a[i];
      sum += wa[i] * a[i];
      dk += wa[i] * b[i];
    }
    f->len = std::sqrt(sum);
    f->dk = f->len > 0.0 ? dk / f->len : 0.0;
    for (int i = 1; i <= n_; i++) {
      const int r = n_ == 3 ? kSix3[i] : i;
      double g = 0.0;
      for (int j = 1; j <= m; j++) g += A[r][j] * wa[j];
      f->ds[i] = f->len > 0.0 ? g / f->len : 0.0;
    }
    return true;
  }

 private:
  int n_;
  const Nlmm124Material& p_;
  StressInvariants v6_{};
  YieldDerivs d6_{};
};

// Newton return mapping in (s, dlambda, kappa). The hardening parameter grows with the
// length of the plastic strain increment: dkappa = dlambda |dF/ds| (a tensor length).
bool ReturnMappingAlgor_NLMM124_2ndOrder(const PointContext& ctx, int n, const Nlmm124Material& p, double** D,
                                         const double* last, const double* dEps, double kappa0, Mapping* out) {
  const double fc = ReferenceStrength(p);
  double **Dinv, **J;
  allocd2(&Dinv, n, n);
  allocd2(&J, n + 2, n + 2);
  if (!InvertKeeping(Dinv, D, n))
    MaterialPointFault(ctx, kMappingStep, kModel, "Unable to invert the elasticity matrix (De).");
  StressInvariants v{};
  YieldDerivs d{};
  AllocStressInvariants(n, &v);
  AllocYieldDerivs(n, &d);
  FlowLengthOf flow(n, p);
  FlowLength fl{};
  double trial[7], s[7], res[9], x[9], diff[7];
  multd2d1(trial, D, dEps, n, n);
  addd1(trial, last, n);
  copyd1(s, trial, n);
  double dLambda = 0.0, kappa = kappa0, omega = 1.0;
  int limit = 1000, count = 0;
  bool ok = false, first = true;
  for (;;) {
    double eq, F;
    const bool regular = YieldAt(n, p, s, kappa, &v, first ? nullptr : &d, &eq, &F);
    if (first && F < 0.0) {
      out->dLambda = 0.0;
      out->kappa = kappa0;
      out->eq = eq;
      copyd1(out->sigma, trial, n);
      zerod1(out->dEpsP, n);
      ok = true;
      break;
    }
    if (first && !YieldAt(n, p, s, kappa, &v, &d, &eq, &F)) break;
    if (!regular || !flow.At(s, kappa, d, &fl)) break;
    first = false;
    // Residuals.
    copyd1(diff, s, n);
    subd1(diff, trial, n);
    multd2d1(res, Dinv, diff, n, n);
    for (int i = 1; i <= n; i++) res[i] += dLambda * d.a[i];
    const double na = fl.len;
    const double rk = -(kappa - kappa0) + dLambda * na;
    if (maxabsd1(res, n) / (fc / p.E) < 1e-10 && std::fabs(F) / fc < 1e-10 && std::fabs(rk) / (fc / p.E) < 1e-10) {
      out->dLambda = dLambda;
      out->kappa = kappa;
      out->eq = eq;
      copyd1(out->sigma, s, n);
      for (int i = 1; i <= n; i++) out->dEpsP[i] = dLambda * d.a[i];
      ok = true;
      break;
    }
    if (++count > limit) {
      if (omega < 1.0) break;
      omega = 0.1;
      limit *= 2;
      copyd1(s, trial, n);
      dLambda = 0.0;
      kappa = kappa0;
      continue;
    }
    // Newton system in (ds, dlambda, dkappa).
    const int L = n + 1, K = n + 2;
    for (int i = 1; i <= n; i++) {
      for (int j = 1; j <= n; j++) J[i][j] = Dinv[i][j] + dLambda * d.A[i][j];
      J[i][L] = d.a[i];
      J[i][K] = dLambda * d.b[i];
      J[L][i] = d.a[i];
      J[K][i] = dLambda * fl.ds[i];
    }
    J[L][L] = 0.0;
    J[L][K] = d.Fk;
    J[K][L] = na;
    J[K][K] = -1.0 + dLambda * fl.dk;
    for (int i = 1; i <= n; i++) res[i] = -res[i];
    res[L] = -F;
    res[K] = -rk;
    if (!SolveRowScaled(J, x, res, K, n, p.E)) {
      if (VonMisesCone(n, p)) break;  // returned in closed form instead
      std::fflush(stdout);
      std::fprintf(stderr, "\n%s", kMappingStep);
      std::printf("f_dF_dH = %15.5lf\n", d.Fk);
      std::printf("ad1_dF_dS:\n");
      printd1(d.a, n, stdout, "Table", "Numbers", "NoSemicolons", 3, 'e', 15, 6);
      std::printf("ad2_d2F_dS2:\n");
      printd2(d.A, n, n, stdout, "Table", "Numbers", "NoSemicolons", 3, 'e', 15, 6);
      MaterialPointFault(ctx, "", kModel,
                         "Solving a system of linear equations.\nThe Jacobian matrix is singular.\n"
                         "Iterative process could not be completed.");
    }
    for (int i = 1; i <= n; i++) s[i] += omega * x[i];
    dLambda += omega * x[L];
    kappa += omega * x[K];
    if (kappa - kappa0 < 0.0) kappa = kappa0;
    if (dLambda < 0.0) dLambda = 0.0;
    // Diverged: stresses beyond 1e8 times the strength (a steel in Pa yields above 1e8).
    if (maxabsd1(s, n) > 1e8 * fc || std::fabs(kappa) > 1e8) break;
  }
  FreeYieldDerivs(&d);
  FreeStressInvariants(&v);
  freed2(J);
  freed2(Dinv);
  return ok;
}

// A cone without friction on the whole stress tensor is von Mises: the flow a = dF/ds is
// the direction of the deviator, and D a = G s / sqrt(J2), so the return keeps the
// direction of the trial deviator and only its length sqrt(J2) - G dlambda is unknown;
// with kappa = kappa0 + dlambda |a| (|a| = 1/sqrt2 as a strain tensor), F = 0 is one scalar equation in
// dlambda, solved by Newton's method kept inside a bracket, for any trial stress.
bool RadialReturn_NLMM124(int n, const Nlmm124Material& p, double** D, const double* last, const double* dEps,
                          double kappa0, Mapping* out) {
  const double fc = ReferenceStrength(p);
  StressInvariants v{};
  YieldDerivs d{};
  AllocStressInvariants(n, &v);
  AllocYieldDerivs(n, &d);
  double trial[7], Da[7];
  multd2d1(trial, D, dEps, n, n);
  addd1(trial, last, n);
  double eq, F;
  bool ok = YieldAt(n, p, trial, kappa0, &v, &d, &eq, &F) && F > 0.0;
  if (ok) {
    const double G = p.E / (2.0 * (1.0 + p.nu)), r = std::sqrt(v.J2), na = TensorStrainNorm(n, d.a);
    const double K0 = (6.0 / kSqrt3) * ConeOf(DruckerPragerSign(p.criterion), 0.0).u;
    // g(x) = r - G x - k(kappa0 + x |a|): positive at 0, negative where the deviator vanishes.
    double lo = 0.0, hi = r / G, x = F / G;
    ok = false;
    for (int it = 0; it < 200 && !ok; it++) {
      if (!(x > lo && x < hi)) x = 0.5 * (lo + hi);
      const KappaFunction c = CalcCohesionFunc_NLMM124(p, kappa0 + x * na);
      const double g = r - G * x - K0 * c.f, dg = -G - K0 * c.df * na;
      if (g > 0.0)
        lo = x;
      else
        hi = x;
      ok = std::fabs(g) <= 1e-12 * (fc + r) || hi - lo <= 1e-15 * r / G;
      if (!ok) x = dg < 0.0 ? x - g / dg : 0.5 * (lo + hi);
    }
    multd2d1(Da, D, d.a, n, n);
    for (int i = 1; i <= n; i++) {
      out->sigma[i] = trial[i] - x * Da[i];
      out->dEpsP[i] = x * d.a[i];
    }
    out->dLambda = x;
    out->kappa = kappa0 + x * na;
    YieldAt(n, p, out->sigma, out->kappa, &v, nullptr, &out->eq, &F);
    // J2 of a stress far above the strength carries the rounding of its mean stress.
    const double m = maxabsd1(out->sigma, n);
    ok = ok && std::fabs(F) <= 1e-6 * fc + 1e-14 * m * m / fc;
  }
  FreeYieldDerivs(&d);
  FreeStressInvariants(&v);
  return ok;
}

// The return of a trial state the Newton mapping could not bring back: von Mises in
// closed form; the other surfaces in equal parts of the strain increment, each mapped
// from the state the previous one reached (2, 4, ... 1024 parts).
bool DividedReturn_NLMM124(const PointContext& ctx, int n, const Nlmm124Material& p, double** D,
                           const double* last, const double* dEps, double kappa0, Mapping* out) {
  if (VonMisesCone(n, p)) return RadialReturn_NLMM124(n, p, D, last, dEps, kappa0, out);
  for (int parts = 2; parts <= 1024; parts *= 2) {
    double part[7], from[7];
    for (int i = 1; i <= n; i++) part[i] = dEps[i] / parts;
    copyd1(from, last, n);
    Mapping sum{0.0, kappa0, 0.0, {}, {}};
    bool ok = true;
    for (int k = 1; k <= parts && ok; k++) {
      Mapping m;
      ok = ReturnMappingAlgor_NLMM124_2ndOrder(ctx, n, p, D, from, part, sum.kappa, &m);
      if (!ok) break;
      sum.dLambda += m.dLambda;
      sum.kappa = m.kappa;
      sum.eq = m.eq;
      for (int i = 1; i <= n; i++) sum.dEpsP[i] += m.dEpsP[i];
      copyd1(from, m.sigma, n);
    }
    if (!ok) continue;
    copyd1(sum.sigma, from, n);
    *out = sum;
    return true;
  }
  return false;
}

void UpdateElastoPlasticModel_NLMM124(int n, const Nlmm124Material& p, const Mapping& u, NLMM124_HD* r) {
  const double c = CalcCohesionFunc_NLMM124(p, u.kappa).f, phi = CalcFricAngleFunc_NLMM124(p, u.kappa).f;
  if (u.dLambda != 0.0) {
    r->LoadingState = 2;
    for (int i = 1; i <= n; i++) r->PlasticStrain[ElementComponent(n, i)] += u.dEpsP[i];
    r->DeltaLambda = u.dLambda;
    r->EqPlasticStrain = u.kappa;
  } else {
    r->LoadingState = 1;
  }
  r->UpdateScalar = u.eq;
  r->Cohesion = c;
  r->FrictionAngle = phi;
}

}  // namespace

void CalcStress_NLMM124(const PointContext& ctx, StressState state, const MaterialRecord& mat, NLMM124_HD* r,
                        const double* dEps, double* sigma) {
  const int n = PlasticityComponents(state);
  const Nlmm124Material p = Nlmm124Parameters(mat);
  double** D;
  allocd2(&D, n, n);
  CalcMat_De_IsoModel(n, p.nu, p.E, D);
  // The increment and the last stress in model order (plane strain: ezz = 0 first).
  double de[7], last[7];
  ModelOrderIncrement(n, dEps, r->Stress, r->Strain, de, last);
  Mapping u;
  bool ok = true;
  // Mohr-Coulomb: the return in principal stresses, which also holds on the edges and at
  // the apex of the surface, and in plane stress where s3 = 0 is an extreme principal
  // stress.
  const bool principal = p.criterion == kMohrCoulomb;
  if (principal) {
    double trial[7];
    multd2d1(trial, D, de, n, n);
    addd1(trial, last, n);
    MohrCoulombReturn m;
    ok = ReturnMapping_MohrCoulomb_NLMM124(n, p, trial, r->EqPlasticStrain, &m);
    if (ok) {
      u.dLambda = m.dLambda;
      u.kappa = m.kappa;
      u.eq = m.eq;
      copyd1(u.sigma, m.sigma, n);
      copyd1(u.dEpsP, m.dEpsP, n);
      copyd1(r->TrialStress, trial, n);
      r->TrialSet = 1;
    }
  } else if (r->EqPlasticStrain > 0.0) {
    ok = ReturnMappingAlgor_NLMM124_2ndOrder(ctx, n, p, D, last, de, r->EqPlasticStrain, &u) ||
         DividedReturn_NLMM124(ctx, n, p, D, last, de, r->EqPlasticStrain, &u);
  } else {
    double trial[7];
    multd2d1(trial, D, de, n, n);
    addd1(trial, last, n);
    StressInvariants v{};
    AllocStressInvariants(n, &v);
    double eq, F;
    YieldAt(n, p, trial, r->EqPlasticStrain, &v, nullptr, &eq, &F);
    FreeStressInvariants(&v);
    if (F <= 0.0) {
      u.dLambda = 0.0;
      u.kappa = r->EqPlasticStrain;
      u.eq = eq;
      copyd1(u.sigma, trial, n);
      zerod1(u.dEpsP, n);
    } else {
      ok = ReturnMappingAlgor_NLMM124_2ndOrder(ctx, n, p, D, last, de, r->EqPlasticStrain, &u) ||
           DividedReturn_NLMM124(ctx, n, p, D, last, de, r->EqPlasticStrain, &u);
    }
  }
  freed2(D);
  if (!ok)
    MaterialPointFault(ctx, "Calculating the delta stress vector using\nthe return mapping algorithm:\n", kModel,
                       "The iterative algorithm did not converge.");
  for (int i = 1; i <= n; i++) r->Stress[ElementComponent(n, i)] = u.sigma[i];
  const int nOut = n == 4 ? 3 : n;
  copyd1(sigma, r->Stress, nOut);
  UpdateElastoPlasticModel_NLMM124(n, p, u, r);
  SetPointStatusPlastic_NLMM124(r);
}

namespace {

// The consistent tangent of the von Mises return in closed form: K m m^T + 2 G theta
// (P - n n^T), with m the unit trace, P the deviatoric projection, n the unit deviator of
// the stress s (tensor shear components) and theta = sqrt(J2) / (sqrt(J2) + G dlambda),
// the length of the returned deviator over that of the trial one. It is
// Hm - Hm a a^T Hm / (a^T Hm a) without the inverses.
void VonMisesTangent(int n, const Nlmm124Material& p, const double* s, double dLambda, double** Dep) {
  const double K = p.E / (3.0 * (1.0 - 2.0 * p.nu)), G = p.E / (2.0 * (1.0 + p.nu));
  const double mean = (s[1] + s[2] + s[3]) / 3.0;
  double dev[7], len2 = 0.0;
  for (int i = 1; i <= n; i++) {
    dev[i] = i <= 3 ? s[i] - mean : s[i];
    len2 += (i <= 3 ? 1.0 : 2.0) * dev[i] * dev[i];
  }
  const double J2 = 0.5 * len2, theta = std::sqrt(J2) / (std::sqrt(J2) + G * dLambda);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      const double P = i <= 3 && j <= 3 ? (i == j ? 2.0 / 3.0 : -1.0 / 3.0) : (i == j ? 0.5 : 0.0);
      Dep[i][j] = (i <= 3 && j <= 3 ? K : 0.0) + 2.0 * G * theta * (P - dev[i] * dev[j] / len2);
    }
}

void CalcMat_Dep_NLMM124(const PointContext& ctx, int n, const Nlmm124Material& p, const NLMM124_HD* r, double** D,
                         double** Dep) {
  if (r->LoadingState == 1) {
    copyd2(Dep, D, n, n);
    return;
  }
  if (p.criterion == kMohrCoulomb) {
    // The trial of the last update gives the consistent tangent from the second
    // iteration of a combination on; the first one (whose record may have been read
    // back for a restart) forms it from the stress alone, so that a restarted run
    // repeats the uninterrupted one.
    double s[7];
    for (int i = 1; i <= n; i++) s[i] = r->Stress[ElementComponent(n, i)];
    if (r->TrialSet && ctx.iteration > 1)
      CalcMat_Dep_MohrCoulomb_NLMM124(n, p, r->TrialStress, r->EqPlasticStrain, Dep);
    else
      CalcMat_Dep_MohrCoulombAtStress_NLMM124(n, p, s, r->EqPlasticStrain, r->DeltaLambda, Dep);
    return;
  }
  double s[7];
  for (int i = 1; i <= n; i++) s[i] = r->Stress[ElementComponent(n, i)];
  StressInvariants v{};
  YieldDerivs d{};
  AllocStressInvariants(n, &v);
  AllocYieldDerivs(n, &d);
  double eq, F;
  if (!YieldAt(n, p, s, r->EqPlasticStrain, &v, &d, &eq, &F)) {
    // A stress on the hydrostatic axis (a record read back at the apex, or a cohesion
    // softened away under a large stretch) has no flow direction to form the tangent
    // from: the elastic matrix stands in; the return mapping still gives the stress.
    copyd2(Dep, D, n, n);
    FreeYieldDerivs(&d);
    FreeStressInvariants(&v);
    return;
  }
  // CalcMat_H_NLMM124: Hm = (Dinv + dlambda d2F/ds2)^-1.
  if (r->DeltaLambda < 0.0) InternalError(__FILE__, __LINE__);
  double **Dinv, **Hm;
  allocd2(&Dinv, n, n);
  allocd2(&Hm, n, n);
  if (!InvertKeeping(Dinv, D, n))
    MaterialPointFault(ctx, "Calculating the consistent elasto-plastic tangent stiffness matrix:\n", kModel,
                       "Unable to invert the De matrix.");
  scaled2(d.A, n, n, r->DeltaLambda);
  addd2(d.A, Dinv, n, n);
  // Past a limit load the iterations may drive dlambda so far that the sum is singular:
  // the run ends with the model's message, not as a fault of the program.
  const bool inverted = InvertKeeping(Hm, d.A, n);
  if (!inverted && !VonMisesCone(n, p))
    MaterialPointFault(ctx, "Calculating the consistent elasto-plastic tangent stiffness matrix:\n", kModel,
                       "Unable to invert the matrix of the consistent tangent.");
  double Ha[7], den = 0.0;
  if (inverted) {
    multd2d1(Ha, Hm, d.a, n, n);
    den = dotd1(d.a, Ha, n);
  }
  if (inverted && std::fabs(den) >= kSmall * UnitOf(p)) {
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) Dep[i][j] = Hm[i][j] - Ha[i] * Ha[j] / den;
  } else if (VonMisesCone(n, p)) {
    // Von Mises far past yield: the same tangent in closed form.
    VonMisesTangent(n, p, s, r->DeltaLambda, Dep);
  } else {
    // Hm has almost no stiffness along the flow (the cohesion softened nearly away under a
    // large step): the elastic matrix stands in, as at the apex.
    copyd2(Dep, D, n, n);
  }
  freed2(Hm);
  freed2(Dinv);
  FreeYieldDerivs(&d);
  FreeStressInvariants(&v);
}

}  // namespace

void CalcMat_D_NLMM124(const PointContext& ctx, StressState state, const MaterialRecord& mat, const NLMM124_HD* r,
                       double** Dep) {
  const int n = PlasticityComponents(state);
  const Nlmm124Material p = Nlmm124Parameters(mat);
  double **D, **T;
  allocd2(&D, n, n);
  allocd2(&T, n, n);
  CalcMat_De_IsoModel(n, p.nu, p.E, D);
  CalcMat_Dep_NLMM124(ctx, n, p, r, D, T);
  ElementOrderTangent(n, T, Dep);
  freed2(T);
  freed2(D);
}
