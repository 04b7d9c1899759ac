// Concrete plasticity and compressive damage of the solid elasto-plastic crack model.
#include "materials/plasticity/crack_plasticity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "materials/elastic.h"
#include "materials/material_slots.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

constexpr const char* kMappingStep = "Mapping back the trial stress state to the yield surface:\n";
constexpr const char* kTangentStep = "Calculating the consistent elasto-plastic tangent stiffness matrix:\n";

struct Work {
  StressInvariants v;
  MeridianCoefs mc;
  explicit Work(int n) {
    AllocStressInvariants(n, &v);
    AllocMeridianCoefs(n, &mc);
  }
  ~Work() {
    FreeMeridianCoefs(&mc);
    FreeStressInvariants(&v);
  }
  Work(const Work&) = delete;
  Work& operator=(const Work&) = delete;
};

struct Point {
  SurfacePoint p{};
  explicit Point(int n) { AllocSurfacePoint(n, &p); }
  ~Point() { FreeSurfacePoint(&p); }
  Point(const Point&) = delete;
  Point& operator=(const Point&) = delete;
};

struct Matrix {
  double** a;
  Matrix(int n, int m) { allocd2(&a, n, m); }
  ~Matrix() { freed2(a); }
  Matrix(const Matrix&) = delete;
  Matrix& operator=(const Matrix&) = delete;
};

bool Evaluate(const CrackPlasticMaterial& c, int n, const double* s, double kappa, bool derivs, Work& w,
              SurfacePoint* p) {
  StressInvariants& v = w.v;
  MeridianCoefs& m = w.mc;
  CalcStressInvariantsAndDerivs(n, s, &v);
  CalcMeridianCoefs_NLMM151(n, c.mer, v, c.fc, &m);
  p->sY = CalcHardFunc_NLMM151(c, kappa);
  p->H = CalcHardModulus_NLMM151(c, kappa);
  p->F = CalcYieldFunc_NLMM151(v.I1, v.J2, m.c, m.b, m.a, p->sY);
  p->eq = p->F + p->sY;
  if (!derivs) return true;
  if (!ConcreteSurfaceRegular(v, m, p->sY, c.fc)) return false;
  CalcDerivYieldFuncStress(n, v, m, p->sY, p->a);
  CalcDeriv2YieldFunc_NLMM151(n, v, m, p->sY, p->A);
  CalcYieldFuncHelper(n, v, m, p->sY, p->m1);
  CopyVecWrapper(n, p->m2, p->m1);
  p->g1 = CalcDerivHardYieldFunc(v, m, p->sY);
  p->g2 = CalcDeriv2HardYieldFunc_NLMM151(v, m, p->sY);
  return true;
}

bool Finite(int n, const double* x) {
  for (int i = 1; i <= n; i++)
    if (!std::isfinite(x[i])) return false;
  return true;
}

}  // namespace

CrackPlasticMaterial CrackPlasticParameters(const MaterialRecord& m, int code) {
  const auto V = [&](int slot) { return MatSlotValue(m, code, slot); };
  CrackPlasticMaterial c{};
  switch (code) {
    case MAT_NLMM151: c.name = "_NLMM151"; c.n = 6; break;
    case MAT_NLMM142: c.name = "_NLMM142"; c.n = 3; break;
    default: InternalError(__FILE__, __LINE__);
  }
  c.code = code;
  c.nu = V(66);
  c.E = V(67);
  c.fc = V(68);
  c.epsc1 = V(69);
  c.r0 = V(70);
  c.Gc = V(71);
  for (int i = 1; i <= 5; i++) c.h[i] = V(72 + i);
  c.curve = {c.E, c.fc, c.epsc1, c.r0, MatSlotInt(m, code, 72, 1)};
  c.mer = CalcMeridianParam_NLMM151(c.fc, c.h);
  return c;
}

void CheckParameters_CrackPlasticity(int code, const MaterialRecord& m, const char* block, int record) {
  const auto V = [&](int slot) { return MatSlotValue(m, code, slot); };
  const double r0 = V(70);
  if (!(r0 >= 0.0) || !(std::fabs(r0 - 1.0) >= kSmall))
    DataFault(nullptr, block, record,
              "The initial yield stress over the compressive strength must be at least 0 and differ from 1: %g.", r0);
  CheckCompressionCurve(V(67), V(68), V(69), r0, MatSlotInt(m, code, 72, 1), true, block, record);
}

namespace {

// Guards of the plane model's hardening (its laws are those of the solid model).
void CheckPlaneHardening(const CrackPlasticMaterial& c, double kappa) {
  if (c.code != MAT_NLMM142) return;
  if (!(std::fabs(c.E) >= kSmall) || !(std::fabs(c.r0 - 1.0) >= kSmall) || !(kappa >= 0.0))
    InternalError(__FILE__, __LINE__);
}

}  // namespace

double CalcHardFunc_NLMM151(const CrackPlasticMaterial& c, double kappa) {
  CheckPlaneHardening(c, kappa);
  return CalcHardFunc_CEB_FIP93(c.curve, kappa, kCebFip93CrackPlasticity);
}

double CalcHardModulus_NLMM151(const CrackPlasticMaterial& c, double kappa) {
  CheckPlaneHardening(c, kappa);
  return CalcHardModulus_CEB_FIP93(c.curve, kappa, kCebFip93CrackPlasticity);
}

bool CalcReturnMappingTerms_NLMM151(const CrackPlasticMaterial& c, int n, const double* s, double kappa, bool derivs,
                                    SurfacePoint* p) {
  Work w(n);
  return Evaluate(c, n, s, kappa, derivs, w, p);
}

double CalcInitYieldFunc_NLMM151(const CrackPlasticMaterial& c, int n, const double* s, double* k0) {
  *k0 = c.r0 * c.fc;
  Work w(n);
  CalcStressInvariantsAndDerivs(n, s, &w.v);
  CalcMeridianCoefs_NLMM151(n, c.mer, w.v, c.fc, &w.mc);
  return CalcInitYieldFunc_NLMM125(w.v.I1, w.v.J2, w.mc.c, w.mc.b, w.mc.a, *k0);
}

double CalcYieldFuncAt_NLMM151(const CrackPlasticMaterial& c, int n, const double* s, double k) {
  Work w(n);
  CalcStressInvariantsAndDerivs(n, s, &w.v);
  CalcMeridianCoefs_NLMM151(n, c.mer, w.v, c.fc, &w.mc);
  return CalcYieldFunc_NLMM151(w.v.I1, w.v.J2, w.mc.c, w.mc.b, w.mc.a, k);
}

bool CalcBeyondSurface_NLMM151(const CrackPlasticMaterial& c, int n, const double* s, double k) {
  Work w(n);
  CalcStressInvariantsAndDerivs(n, s, &w.v);
  CalcMeridianCoefs_NLMM151(n, c.mer, w.v, c.fc, &w.mc);
  return BeyondSurface_NLMM151(w.v.I1, w.v.J2, w.mc.c, w.mc.b, w.mc.a, k);
}

bool ReturnMappingAlgor_NLMM151(const PointContext& ctx, const CrackPlasticMaterial& c, int n, double** De,
                                const double* start, const double* dEps, double kappa0, double tol,
                                ConcreteMapping* out) {
  Matrix Ce(n, n), J(n + 2, n + 2);
  if (!InvertKeeping(Ce.a, De, n)) MaterialPointFault(ctx, kMappingStep, c.name, "Unable to invert the elasticity matrix (De).");
  Work w(n);
  Point pt(n);
  SurfacePoint& p = pt.p;
  double trial[7], s[7], rs[7], b[9], x[9];
  multd2d1(trial, De, dEps, n, n);
  addd1(trial, start, n);
  copyd1(s, trial, n);
  double kappa = kappa0, dLambda = 0.0, f = 1.0;
  int limit = 1000, count = 0;
  const int K = n + 1, L = n + 2;
  // The strain residuals and the hardening one against the law's strain fc/E.
  const double strainScale = c.fc / c.E;
  bool ok = false;
  double best = 0.0, previous = 0.0;
  int polish = 0;
  // The best converged state (ok), once the polishing steps no longer gain.
  const auto done = [&]() { return ok && Finite(n, out->sigma) && Finite(n, out->dEpsP); };
  // Once more from the trial state with a tenth of each correction; false when done so.
  const auto damped = [&]() {
    if (f != 1.0) return false;
    f = 0.1;
    dLambda = 0.0;
    kappa = kappa0;
    copyd1(s, trial, n);
    limit = 2000;
    return true;
  };
  for (;;) {
    const bool regular = Evaluate(c, n, s, kappa, true, w, &p);
    if (count == 0 && p.F < 0.0 && !CalcBeyondSurface_NLMM151(c, n, trial, p.sY)) {
      out->dLambda = 0.0;
      out->kappa = kappa0;
      copyd1(out->sigma, trial, n);
      return true;
    }
    // An iterate where the surface has no gradient: once more from the trial state with
    // damped steps, then failure.
    if (!regular) {
      if (ok) return done();
      if (!damped()) return false;
      continue;
    }
    double rF, rk;
    CalcReturnMappingUpdate(n, s, trial, Ce.a, p.a, p.F, dLambda, kappa - kappa0, p.g1, rs, &rF, &rk);
    const double e1 = maxabsd1(rs, n) / strainScale, e2 = std::fabs(rF) / c.fc, e3 = std::fabs(rk) / strainScale;
    if (ctx.combination == 0)
      std::printf("%2d  %15.5lf  %15.5lf  %15.5lf  %15.5lf  %15.5lf  %15.5lf  %15.5lf  %15.5lf\n", count, p.F, p.sY,
                  kappa, rF, e1, e2, e3, dLambda);
    if (e1 < tol && e2 < tol && e3 < tol) {
      if (!(maxabsd1(s, n) <= 1e8 * c.fc) || !(std::fabs(kappa) <= 1.0)) InternalError(__FILE__, __LINE__);
      // Converged; Newton's steps go on while they still gain, to the rounding of the
      // residuals, so that the state is the root and not where the iteration stopped.
      const double err = std::max({e1, e2, e3});
      if (!ok || err < best) {
        best = err;
        StoreMapping(n, s, p.a, dLambda, kappa, p.sY, out);
      }
      if (ok && !(err < 0.5 * previous)) return done();
      ok = true;
      previous = err;
      if (err < 1e-15 || ++polish > 10) return done();
    } else if (ok) {
      return done();
    }
    // The Newton step of this pass still uses the terms evaluated before a restart.
    if (++count > limit && (ok || !damped())) return done();
    for (int i = 1; i <= n; i++) {
      for (int j = 1; j <= n; j++) J.a[i][j] = Ce.a[i][j] + dLambda * p.A[i][j];
      J.a[i][K] = dLambda * p.H * p.m1[i];
      J.a[i][L] = p.a[i];
      J.a[K][i] = -dLambda * p.m2[i];
      J.a[L][i] = p.a[i];
      b[i] = -rs[i];
    }
    J.a[K][K] = -1.0 - dLambda * p.g2 * p.H;
    J.a[K][L] = -p.g1;
    J.a[L][K] = p.g1 * p.H;
    J.a[L][L] = 0.0;
    b[K] = -rk;
    b[L] = -rF;
    if (!SolveRowScaled(J.a, x, b, n + 2, n, c.E)) return done();
    for (int i = 1; i <= n; i++) s[i] += f * x[i];
    kappa += f * x[K];
    dLambda += f * x[L];
    if (kappa < kappa0) kappa = kappa0;
    if (dLambda < 0.0) dLambda = 0.0;
    // Diverged: stresses beyond 1e8 times the strength (units of any size).
    if (!(maxabsd1(s, n) <= 1e8 * c.fc) || !(std::fabs(kappa) <= 1.0)) return done();
  }
}

void CalcMat_H_NLMM151(const PointContext& ctx, int n, double** De, double** A, double dLambda, double** Hc,
                       const char* model) {
  if (dLambda < 0.0) InternalError(__FILE__, __LINE__);
  Matrix Ce(n, n), M(n, n);
  if (!InvertKeeping(Ce.a, De, n)) MaterialPointFault(ctx, kTangentStep, model, "Unable to invert the De matrix.");
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) M.a[i][j] = Ce.a[i][j] + dLambda * A[i][j];
  if (!InvertKeeping(Hc, M.a, n)) InternalError(__FILE__, __LINE__);
}

namespace {

// The terms at the record's state and Hc; false when the last update had no plastic flow.
bool TangentTerms(const PointContext& ctx, const CrackPlasticMaterial& c, const CrackPlasticPart& r, const double* s,
                  double** De, SurfacePoint* p, double** Hc) {
  if (r.PlasticState == 1) return false;
  if (!CalcReturnMappingTerms_NLMM151(c, c.n, s, r.EqPlasticStrain, true, p))
    MaterialPointFault(ctx, kTangentStep, c.name, "The iterative algorithm did not converge.");
  CalcMat_H_NLMM151(ctx, c.n, De, p->A, r.DeltaLambda, Hc, c.name);
  return true;
}

}  // namespace

void CalcMat_Dep_NLMM151_1stOrder(const PointContext& ctx, const CrackPlasticMaterial& c, const CrackPlasticPart& r,
                                  double /*bandWidth*/, const double* s, double** De, double** Dep) {
  const int n = c.n;
  Point pt(n);
  Matrix Hc(n, n);
  if (!TangentTerms(ctx, c, r, s, De, &pt.p, Hc.a)) {
    copyd2(Dep, De, n, n);
    return;
  }
  double u[7];
  multd2d1(u, Hc.a, pt.p.a, n, n);
  const double den = dotd1(pt.p.a, u, n) + pt.p.H;
  if (!(std::fabs(den) >= kSmall)) InternalError(__FILE__, __LINE__);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) Dep[i][j] = Hc.a[i][j] - u[i] * u[j] / den;
}

void CalcMat_Depd_NLMM151(const PointContext& ctx, const CrackPlasticMaterial& c, const CrackPlasticPart& r,
                          double bandWidth, const double* s, double** De, double** Dep) {
  const int n = c.n;
  Point pt(n);
  Matrix Hc(n, n);
  const SurfacePoint& p = pt.p;
  if (!TangentTerms(ctx, c, r, s, De, &pt.p, Hc.a)) {
    copyd2(Dep, De, n, n);
    return;
  }
  double beta, kappaP;
  CompressiveDamageRate(c, bandWidth, &beta, &kappaP);
  const double kappa = r.EqPlasticStrain, dl = r.DeltaLambda, H = p.H;
  if (kappa < kappaP || !(dl > 0.0)) InternalError(__FILE__, __LINE__);
  double u[7], v[7];  // Hc a, Hc w
  multd2d1(u, Hc.a, p.a, n, n);
  multd2d1(v, Hc.a, p.m1, n, n);
  const double m11 = dotd1(p.a, u, n);
  const double m12 = (dotd1(p.a, v, n) - p.g1 / dl) * H;
  const double m22 = H * (dotd1(p.m1, v, n) - p.g2 / dl) * H - H / (dl * dl);
  const double det = m22 * m11 - m12 * m12;
  if (!(std::fabs(det) >= kSmall)) InternalError(__FILE__, __LINE__);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++)
      Dep[i][j] = Hc.a[i][j] - (m22 * u[i] * u[j] - m12 * H * (u[i] * v[j] + v[i] * u[j]) + m11 * H * H * v[i] * v[j]) / det;
  // The damage of the compressive part grows with kappa.
  const StressDecomposition sd = DecomposeStress_NLMM151(c, bandWidth, kappa, s);
  const double e = std::exp(-beta * (kappa - kappaP));
  double q[7];
  for (int i = 1; i <= n; i++) q[i] = ((-m12 / det) * u[i] + (m11 / det) * H * v[i]) / dl;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) Dep[i][j] = (1.0 - sd.d) * Dep[i][j] - beta * e * sd.compressive[i] * q[j];
}

void CompressiveDamageRate(const CrackPlasticMaterial& c, double bandWidth, double* beta, double* kappaP) {
  if (!(std::fabs(c.E) >= kSmall)) InternalError(__FILE__, __LINE__);
  *kappaP = c.epsc1 - c.fc / c.E;
  const double kappaU = 3.1 * c.Gc / (bandWidth * c.fc) - 0.22916666666666666 * *kappaP;
  const double du = kappaU - *kappaP;
  *beta = -std::log(0.1 * c.fc / (c.fc + du * c.fc / (10000.0 - *kappaP))) / du;
}

StressDecomposition DecomposeStress_NLMM151(const CrackPlasticMaterial& c, double bandWidth, double kappa,
                                            const double* effective) {
  double beta, kappaP;
  CompressiveDamageRate(c, bandWidth, &beta, &kappaP);
  // The stress tensor: 3 x 3 of a solid, 2 x 2 in the plane.
  const int q = c.n == 6 ? 3 : 2;
  Matrix S(q, q), V(q, q);
  double lambda[4];
  if (q == 3) {
    S.a[1][1] = effective[1];
    S.a[2][2] = effective[2];
    S.a[3][3] = effective[3];
    S.a[2][3] = S.a[3][2] = effective[4];
    S.a[1][3] = S.a[3][1] = effective[5];
    S.a[1][2] = S.a[2][1] = effective[6];
  } else {
    S.a[1][1] = effective[1];
    S.a[2][2] = effective[2];
    S.a[1][2] = S.a[2][1] = effective[3];
  }
  int nrot;
  double offmax;
  if (!eigjacobi(S.a, q, lambda, V.a, &nrot, &offmax)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n%s", kMappingStep);
    errexit("Unable to calculate the principal stresses / directions.", 0);
  }
  StressDecomposition d{};
  double T[4][4] = {};
  for (int k = 1; k <= q; k++) {
    const double l = 0.5 * (std::fabs(lambda[k]) + lambda[k]);
    for (int i = 1; i <= q; i++)
      for (int j = 1; j <= q; j++) T[i][j] += l * V.a[i][k] * V.a[j][k];
  }
  if (q == 3) {
    d.tensile[1] = T[1][1];
    d.tensile[2] = T[2][2];
    d.tensile[3] = T[3][3];
    d.tensile[4] = T[2][3];
    d.tensile[5] = T[1][3];
    d.tensile[6] = T[1][2];
  } else {
    d.tensile[1] = T[1][1];
    d.tensile[2] = T[2][2];
    d.tensile[3] = T[1][2];
  }
  d.d = kappa > kappaP ? 1.0 - std::exp(-beta * (kappa - kappaP)) : 0.0;
  for (int i = 1; i <= c.n; i++) {
    d.compressive[i] = effective[i] - d.tensile[i];
    d.stress[i] = d.tensile[i] + (1.0 - d.d) * d.compressive[i];
  }
  return d;
}
