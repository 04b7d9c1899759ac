// Concrete plasticity of plane and solid points: stress update, return mapping and
// tangent of the Ottosen models and of the meridian-surface model.
#include "materials/plasticity/concrete_plasticity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "materials/elastic.h"
#include "materials/plasticity/ceb_fip93.h"
#include "model/mesh.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

constexpr const char* kMappingStep = "Mapping back the trial stress state to the yield surface:\n";
constexpr const char* kUpdateStep = "Calculating the delta stress vector using\nthe return mapping algorithm:\n";
constexpr const char* kTangentStep = "Calculating the consistent elasto-plastic tangent stiffness matrix:\n";
constexpr const char* kNotConverged = "The iterative algorithm did not converge.";

const char* ModelName(int code) {
  switch (code) {
    case MAT_NLMM122: return "_NLMM122";
    case MAT_NLMM123: return "_NLMM123";
    case MAT_NLMM125: return "_NLMM125";
    default: InternalError(__FILE__, __LINE__);
  }
}

// _NLMM123 and _NLMM125 print their diagnostic values; _NLMM122 prints none.
bool Verbose(int code) { return code != MAT_NLMM122; }

// The record's values and the work arrays of one evaluation.
struct Work {
  StressInvariants v;
  OttosenDerivs od;
  MeridianCoefs mc;
};

void AllocWork(int n, Work* w) {
  AllocStressInvariants(n, &w->v);
  AllocOttosenDerivs(n, &w->od);
  AllocMeridianCoefs(n, &w->mc);
}

void FreeWork(Work* w) {
  FreeMeridianCoefs(&w->mc);
  FreeOttosenDerivs(&w->od);
  FreeStressInvariants(&w->v);
}

// Meridian coefficients of _NLMM125 at the invariants; a state without a deviator has no
// Lode angle and only the constant term matters there.
void MeridianCoefsAt(int n, const ConcretePlasticMaterial& c, const StressInvariants& v, MeridianCoefs* m) {
  if (v.J2 >= VanishingJ2(c.fc)) {
    CalcMeridianCoefs_NLMM125(n, c.mer, v, c.fc, m);
  } else {
    m->a = 0.1732;
    m->b = m->c = 0.0;
  }
}

bool Finite(int n, const double* x) {
  for (int i = 1; i <= n; i++)
    if (!std::isfinite(x[i])) return false;
  return true;
}

}  // namespace

ConcretePlasticMaterial ConcretePlasticParameters(int code, const MaterialRecord& m) {
  ConcretePlasticMaterial c{};
  c.code = code;
  c.nu = MatValue(m, 3);
  c.E = MatValue(m, 4);
  c.fc = MatValue(m, 5);
  const double epsc1 = MatValue(m, 7);
  c.alpha0 = MatValue(m, 8);
  c.tolerance = code == MAT_NLMM122 ? 0.0001 : 0.001;
  switch (code) {
    case MAT_NLMM122:
      c.curve = {c.E, c.fc, epsc1, 0.0, kHardeningCebFip93};
      c.ott = CalcOttosenParams(c.fc, MatValue(m, 6));
      break;
    case MAT_NLMM123:
      c.curve = {c.E, c.fc, epsc1, c.alpha0, MatInt(m, 9)};
      c.ott = CalcOttosenParams(c.fc, MatValue(m, 6));
      break;
    case MAT_NLMM125:
      c.curve = {c.E, c.fc, epsc1, c.alpha0, MatInt(m, 9)};
      c.mer = CalcMeridianParam_NLMM125(m);
      break;
    default: InternalError(__FILE__, __LINE__);
  }
  return c;
}

void CheckParameters_ConcretePlasticity(int code, const MaterialRecord& m, const char* block, int record) {
  const double E = MatValue(m, 4), fc = MatValue(m, 5), epsc1 = MatValue(m, 7), alpha0 = MatValue(m, 8);
  // _NLMM122 has no initial yield ratio or law of its own: its curve is law 1 from 0.
  const bool own = code != MAT_NLMM122;
  if (own && (!(alpha0 >= 0.0) || !(std::fabs(alpha0 - 1.0) >= kSmall)))
    DataFault(nullptr, block, record,
              "The initial yield stress over the compressive strength must be at least 0 and differ from 1: %g.",
              alpha0);
  CheckCompressionCurve(E, fc, epsc1, own ? alpha0 : 0.0, own ? MatInt(m, 9) : 0, own, block, record);
  // The Ottosen parameters are powers of fct/fc; beyond about 0.6 the Lode term has no angle.
  const double fct = MatValue(m, 6);
  if (code == MAT_NLMM125) return;
  if (!(fct > 0.0)) DataFault(nullptr, block, record, "The tensile strength must be positive: %g.", fct);
  if (!(fct / fc <= 0.5))
    DataFault(nullptr, block, record, "The tensile strength must be at most half the compressive strength: %g (fc = %g).",
              fct, fc);
}

void AllocSurfacePoint(int n, SurfacePoint* p) {
  allocd1(&p->a, n);
  allocd2(&p->A, n, n);
  allocd1(&p->m1, n);
  allocd1(&p->m2, n);
}

void FreeSurfacePoint(SurfacePoint* p) {
  freed1(p->m2);
  freed1(p->m1);
  freed2(p->A);
  freed1(p->a);
}

namespace {

bool Evaluate(const ConcretePlasticMaterial& c, int n, const double* s, double kappa, bool derivs, Work* w,
              SurfacePoint* p) {
  StressInvariants& v = w->v;
  CalcStressInvariantsAndDerivs(n, s, &v);
  p->sY = CalcHardFunc_CEB_FIP93(c.curve, kappa, kCebFip93Plasticity);
  p->H = CalcHardModulus_CEB_FIP93(c.curve, kappa, kCebFip93Plasticity);
  const double sY = p->sY;
  switch (c.code) {
    case MAT_NLMM122:
    case MAT_NLMM123: {
      if (c.code == MAT_NLMM122) {
        p->F = CalcYieldFunc_NLMM122(c.ott, v, sY);
        p->eq = p->F + sY;
      } else {
        p->eq = CalcOttosenYieldFunc(c.ott, v.I1, v.J2, CalcLambdaOtt(c.ott, v.J2, v.J3));
        p->F = p->eq - sY;
      }
      if (!derivs) return true;
      if (!OttosenRegular(c.ott, v, sY)) return false;
      OttosenDerivs& d = w->od;
      CalcOttosenDerivs(n, c.ott, v, sY, &d);
      const bool g = c.code == MAT_NLMM122;
      copyd1(p->a, g ? d.dG : d.dseq, n);
      copyd2(p->A, g ? d.d2G : d.d2seq, n, n);
      copyd1(p->m1, d.m1, n);
      copyd1(p->m2, d.m2, n);
      p->g1 = d.g1;
      p->g2 = d.g2;
      return true;
    }
    case MAT_NLMM125: {
      MeridianCoefs& m = w->mc;
      MeridianCoefsAt(n, c, v, &m);
      p->F = CalcYieldFunc_NLMM151(v.I1, v.J2, m.c, m.b, m.a, sY);
      p->eq = p->F + sY;
      if (!derivs) return true;
      if (!ConcreteSurfaceRegular(v, m, sY, c.fc)) return false;
      CalcDerivYieldFuncStress(n, v, m, sY, p->a);
      CalcDeriv2YieldFunc_NLMM151(n, v, m, sY, p->A);
      CalcYieldFuncHelper(n, v, m, sY, p->m1);
      CopyVecWrapper(n, p->m2, p->m1);
      p->g1 = CalcDerivHardYieldFunc(v, m, sY);
      p->g2 = CalcDeriv2HardYieldFunc_NLMM151(v, m, sY);
      return true;
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

bool EvaluateConcreteSurface(const ConcretePlasticMaterial& c, int n, const double* s, double kappa, bool derivs,
                             SurfacePoint* p) {
  Work w;
  AllocWork(n, &w);
  const bool ok = Evaluate(c, n, s, kappa, derivs, &w, p);
  FreeWork(&w);
  return ok;
}

bool ConcreteFirstYield(const ConcretePlasticMaterial& c, int n, const double* s) {
  const double sY0 = c.alpha0 * c.fc;
  Work w;
  AllocWork(n, &w);
  const StressInvariants& v = w.v;
  CalcStressInvariantsAndDerivs(n, s, &w.v);
  bool yields;
  switch (c.code) {
    case MAT_NLMM122: {
      const double l = CalcLambdaOtt(c.ott, v.J2, v.J3);
      yields = c.ott.alpha * v.J2 / (sY0 * sY0) + l * std::sqrt(v.J2) / sY0 + c.ott.beta * v.I1 / sY0 - 1.0 > 0.0;
      break;
    }
    case MAT_NLMM123:
      yields = sY0 < CalcOttosenYieldFunc(c.ott, v.I1, v.J2, CalcLambdaOtt(c.ott, v.J2, v.J3));
      break;
    case MAT_NLMM125:
      MeridianCoefsAt(n, c, v, &w.mc);
      yields = CalcInitYieldFunc_NLMM125(v.I1, v.J2, w.mc.c, w.mc.b, w.mc.a, sY0) > 0.0;
      break;
    default: InternalError(__FILE__, __LINE__);
  }
  FreeWork(&w);
  return yields;
}

namespace {

// First iterate of kappa. The CEB-FIP93 curve (law 1) starts from sY(0) = 0, while a
// point first yields at alpha0 fc: from kappa = 0 the Newton steps of the G form, whose
// dG/dsY has the wrong sign at sY = 0, are drawn to the apex of the surface. A point
// that yields for the first time therefore starts where the curve reaches alpha0 fc
// (the converged state solves the same equations).
double StartKappa(const ConcretePlasticMaterial& c, double kappa0) {
  if (kappa0 > 0.0 || c.curve.law != kHardeningCebFip93) return kappa0;
  const double target = c.alpha0 * c.fc;
  double lo = 0.0, hi = c.curve.epsc1 - c.fc / c.E;
  if (!(target > 0.0) || !(hi > 0.0)) return kappa0;
  for (int k = 0; k < 100; k++) {
    const double m = 0.5 * (lo + hi);
    (CalcHardFunc_CEB_FIP93(c.curve, m, kCebFip93Plasticity) < target ? lo : hi) = m;
  }
  return 0.5 * (lo + hi);
}

void PrintSingularSystem(int n, const SurfacePoint& p, double** J, double* b) {
  std::fflush(stdout);
  std::printf("f_dF_dH = %15.5lf\n", p.g1);
  std::printf("fHardModulus = %15.5lf\n", p.H);
  std::printf("ad1_dF_dS:\n");
  printd1(p.a, n, stdout, "Table", "Numbers", "NoSemicolons", 3, 'e', 15, 6);
  std::printf("ad2_d2F_dS2:\n");
  printd2(p.A, n, n, stdout, "Table", "Numbers", "NoSemicolons", 3, 'e', 15, 6);
  std::printf("Jacobiano:\n");
  printd2(J, n + 2, n + 2, stdout, "Table", "Numbers", "NoSemicolons", 3, 'e', 15, 6);
  std::printf("Vector b:\n");
  printd1(b, n + 2, stdout, "Table", "Numbers", "NoSemicolons", 3, 'e', 15, 6);
}

}  // namespace

void StoreMapping(int n, const double* s, const double* a, double dLambda, double kappa, double sY,
                  ConcreteMapping* out) {
  out->dLambda = dLambda;
  out->kappa = kappa;
  out->sY = sY;
  copyd1(out->sigma, s, n);
  for (int i = 1; i <= n; i++) out->dEpsP[i] = dLambda * a[i];
}

bool ReturnMappingAlgor_Concrete(const PointContext& ctx, const ConcretePlasticMaterial& c, int n, double** De,
                                 const double* last, const double* dEps, double kappa0, ConcreteMapping* out,
                                 std::vector<double>* rkTrace) {
  const char* model = ModelName(c.code);
  const double tol = c.tolerance;
  double **Ce, **J, **Jcopy;
  allocd2(&Ce, n, n);
  allocd2(&J, n + 2, n + 2);
  allocd2(&Jcopy, n + 2, n + 2);
  if (!InvertKeeping(Ce, De, n)) MaterialPointFault(ctx, kMappingStep, model, "Unable to invert the elasticity matrix (De).");
  Work w;
  AllocWork(n, &w);
  SurfacePoint p{};
  AllocSurfacePoint(n, &p);
  double trial[7], s[7], rs[7], b[9], bcopy[9], x[9];
  multd2d1(trial, De, dEps, n, n);
  addd1(trial, last, n);
  copyd1(s, trial, n);
  const double kappaStart = StartKappa(c, kappa0);
  double kappa = kappaStart, dLambda = 0.0, omega = 1.0;
  int limit = 1000, count = 0;
  out->dLambda = 0.0;
  out->kappa = kappa0;
  bool ok = false, first = true;
  double best = 0.0, previous = 0.0;
  int polish = 0;
  // _NLMM122 keeps the state at its tolerance of 1e-4.
  const bool polishes = c.code != MAT_NLMM122;
  const int K = n + 1, L = n + 2;  // columns of kappa and dlambda
  // _NLMM122 puts the two mixed vectors the other way round.
  const bool swapMixed = c.code == MAT_NLMM122;
  for (;;) {
    if (!Evaluate(c, n, s, kappa, !first, &w, &p)) {
      // An iterate outside the domain of the derivatives: once more from the trial
      // state with damped steps.
      if (first || ok || omega != 1.0) break;
      omega = 0.1;
      dLambda = 0.0;
      kappa = kappaStart;
      copyd1(s, trial, n);
      limit *= 2;
      continue;
    }
    if (first && p.F < 0.0) {
      out->sY = p.sY;
      copyd1(out->sigma, trial, n);
      zerod1(out->dEpsP, n);
      ok = true;
      break;
    }
    if (first && !Evaluate(c, n, s, kappa, true, &w, &p)) break;
    first = false;
    double rF, rk;
    CalcReturnMappingUpdate(n, s, trial, Ce, p.a, p.F, dLambda, kappa - kappa0, p.g1, rs, &rF, &rk);
    if (rkTrace != nullptr) rkTrace->push_back(rk);
    const double e1 = maxabsd1(rs, n) / 0.0022, e2 = std::fabs(rF) / c.fc, e3 = std::fabs(rk);
    if (ctx.combination == 0 && Verbose(c.code))
      std::printf("%2d  %15.5lf  %15.5lf  %15.5lf  %15.5lf  %15.5lf  %15.5lf  %15.5lf  %15.5lf\n", count, p.eq, p.sY,
                  kappa, rF, e1, e2, e3, dLambda);
    if (e1 < tol && e2 < tol && e3 < tol) {
      // Within the tolerance the state is accepted, but a stress that depends on where
      // the iteration happened to stop is noise of up to the tolerance (1e-3 of fc) in
      // the internal forces, which no structural iteration can bring below it. Newton's
      // steps go on while they still gain, to the rounding of the residuals, and the best
      // state is kept.
      const double err = std::max({e1, e2, e3});
      if (!ok || err < best) {
        best = err;
        StoreMapping(n, s, p.a, dLambda, kappa, p.sY, out);
      }
      if (ok && !(err < 0.5 * previous)) break;
      ok = true;
      previous = err;
      if (!polishes || err < 1e-13 || ++polish > 10) break;
    } else if (ok) {
      break;
    }
    if (++count > limit) {
      if (ok || omega != 1.0) break;
      omega = 0.1;
      dLambda = 0.0;
      kappa = kappaStart;
      copyd1(s, trial, n);
      limit *= 2;
    }
    // Newton correction in (sigma, kappa, dlambda); the kappa residual keeps its sign.
    const double* mCol = swapMixed ? p.m2 : p.m1;
    const double* mRow = swapMixed ? p.m1 : p.m2;
    for (int i = 1; i <= n; i++) {
      for (int j = 1; j <= n; j++) J[i][j] = Ce[i][j] + dLambda * p.A[i][j];
      J[i][K] = dLambda * p.H * mCol[i];
      J[i][L] = p.a[i];
      J[K][i] = -dLambda * mRow[i];
      J[L][i] = p.a[i];
      b[i] = -rs[i];
    }
    J[K][K] = -1.0 - dLambda * p.H * p.g2;
    J[K][L] = -p.g1;
    J[L][K] = p.H * p.g1;
    J[L][L] = 0.0;
    b[K] = -rk;
    b[L] = -rF;
    copyd2(Jcopy, J, n + 2, n + 2);
    copyd1(bcopy, b, n + 2);
    if (!SolveRowScaled(J, x, b, n + 2, n, c.E)) {
      if (ok) break;
      if (Verbose(c.code)) {
        std::fflush(stdout);
        std::fprintf(stderr, "\n%s", kMappingStep);
        PrintSingularSystem(n, p, Jcopy, bcopy);
      }
      MaterialPointFault(ctx, Verbose(c.code) ? "" : kMappingStep, model,
                         "Solving a system of linear equations.\nThe Jacobian matrix is singular.\n"
                         "Iterative process could not be completed.");
    }
    for (int i = 1; i <= n; i++) s[i] += omega * x[i];
    kappa += omega * x[K];
    dLambda += omega * x[L];
    if (kappa - kappa0 < 0.0) kappa = kappa0;
    if (dLambda < 0.0) dLambda = 0.0;
    // Diverged: stresses beyond 1e8 times the strength (units of any size).
    if (!(maxabsd1(s, n) <= 1e8 * c.fc) || !(std::fabs(kappa) <= 1e8)) break;
  }
  FreeSurfacePoint(&p);
  FreeWork(&w);
  freed2(Jcopy);
  freed2(J);
  freed2(Ce);
  return ok && Finite(n, out->sigma) && Finite(n, out->dEpsP) && std::isfinite(out->kappa);
}

bool ReturnMappingSubIncrements(int n, const double* start, const double* dEps, double kappa0, int count,
                                double factor, const PartMapping& map, ConcreteMapping* out, int* failed) {
  double de[7], s[7];
  for (int i = 1; i <= n; i++) de[i] = factor * dEps[i];
  copyd1(s, start, n);
  double kappa = kappa0, dLambda = 0.0, sY = out->sY;
  zerod1(out->dEpsP, n);
  for (int k = 1; k <= count; k++) {
    ConcreteMapping u{};
    u.sY = sY;
    if (!map(s, de, kappa, &u)) {
      *failed = k;
      return false;
    }
    copyd1(s, u.sigma, n);
    dLambda += u.dLambda;
    kappa = u.kappa;
    sY = u.sY;
    if (u.dLambda != 0.0) addd1(out->dEpsP, u.dEpsP, n);
  }
  copyd1(out->sigma, s, n);
  out->dLambda = dLambda;
  out->kappa = kappa;
  out->sY = sY;
  return true;
}

void SetPointStatusPlastic(NLMM121_HD* r) {
  if (r->EqPlasticStrain > 0.0) r->PointStatus = 3;
}

void SetPointStatusPlastic_NLMM124(NLMM124_HD* r) {
  if (r->EqPlasticStrain > 0.0) r->PointStatus = 3;
}

namespace {

int Components(int code, StressState s) {
  if (code == MAT_NLMM122 && s != kStateSolid) InternalError(__FILE__, __LINE__);
  return PlasticityComponents(s);
}

void UpdateElastoPlasticModel(int n, const ConcreteMapping& u, NLMM121_HD* r) {
  if (u.dLambda == 0.0) {
    r->LoadingState = 1;
    return;
  }
  r->LoadingState = 2;
  for (int i = 1; i <= n; i++) r->PlasticStrain[ElementComponent(n, i)] += u.dEpsP[i];
  r->DeltaLambda = u.dLambda;
  r->EqPlasticStrain = u.kappa;
  r->YieldStress = u.sY;
}

}  // namespace

void CalcStress_ConcretePlasticity(const PointContext& ctx, int code, StressState state, const MaterialRecord& m,
                                   NLMM121_HD* r, const double* dEps, double* sigma) {
  const int n = Components(code, state);
  const ConcretePlasticMaterial c = ConcretePlasticParameters(code, m);
  double** De;
  allocd2(&De, n, n);
  CalcMat_De_IsoModel(n, c.nu, c.E, De);
  double de[7], last[7];
  ModelOrderIncrement(n, dEps, r->Stress, r->Strain, de, last);
  ConcreteMapping u{};
  bool ok = true;
  double trial[7];
  multd2d1(trial, De, de, n, n);
  addd1(trial, last, n);
  if (r->EqPlasticStrain > 0.0 || ConcreteFirstYield(c, n, trial)) {
    ok = ReturnMappingAlgor_Concrete(ctx, c, n, De, last, de, r->EqPlasticStrain, &u);
    // _NLMM125 shares its surface with the crack-plastic models and, like them, divides
    // an increment that its mapping does not bring back: 400 parts on a point that has
    // yielded before, 700 on one that yields now (whose first parts may stay elastic).
    if (!ok && code == MAT_NLMM125) {
      const bool yielded = r->EqPlasticStrain > 0.0;
      const PartMapping part = [&](const double* s0, const double* dp, double kappa, ConcreteMapping* v) {
        if (!(kappa > 0.0)) {
          double t[7];
          multd2d1(t, De, dp, n, n);
          addd1(t, s0, n);
          if (!ConcreteFirstYield(c, n, t)) {
            copyd1(v->sigma, t, n);
            v->dLambda = 0.0;
            v->kappa = kappa;
            return true;
          }
        }
        return ReturnMappingAlgor_Concrete(ctx, c, n, De, s0, dp, kappa, v);
      };
      u = ConcreteMapping{};
      u.sY = r->YieldStress;
      int failed = 0;
      ok = ReturnMappingSubIncrements(n, last, de, r->EqPlasticStrain, yielded ? 400 : 700,
                                      yielded ? 0.0025 : 0.0014285714285714286, part, &u, &failed);
    }
  } else {
    u.kappa = r->EqPlasticStrain;
    copyd1(u.sigma, trial, n);
  }
  freed2(De);
  if (!ok || !Finite(n, u.sigma)) MaterialPointFault(ctx, kUpdateStep, ModelName(code), kNotConverged);
  for (int i = 1; i <= n; i++) r->Stress[ElementComponent(n, i)] = u.sigma[i];
  copyd1(sigma, r->Stress, n == 4 ? 3 : n);
  UpdateElastoPlasticModel(n, u, r);
  SetPointStatusPlastic(r);
}

namespace {

// _NLMM122: kappa and dlambda eliminated together. Written with the 2 x 2 block divided
// by H, which keeps it regular where the curve is flat (H = 0 at the peak).
void CoupledTangent(int n, const SurfacePoint& p, double dLambda, double** Hm, double** D) {
  double u[7], w[7], aH[7], mH[7];
  multd2d1(u, Hm, p.a, n, n);
  multd2d1(w, Hm, p.m2, n, n);
  multd1d2(aH, p.a, Hm, n, n);
  multd1d2(mH, p.m1, Hm, n, n);
  const double H = p.H, q = dotd1(p.a, u, n);
  const double c12 = dotd1(p.a, w, n) - p.g1 / dLambda;                                   // c12 / H
  const double c22 = H * (bilind2(p.m1, Hm, p.m2, n, n) - p.g2 / dLambda) - 1.0 / (dLambda * dLambda);  // c22 / H
  const double det = q * c22 - H * c12 * c12;
  if (!(std::fabs(det) > 0.0)) InternalError(__FILE__, __LINE__);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++)
      D[i][j] = Hm[i][j] - (c22 * u[i] * aH[j] - H * c12 * (u[i] * mH[j] + w[i] * aH[j]) + H * q * w[i] * mH[j]) / det;
}

void PrintHmFailure(int n, double dLambda, double** A, double** De, double** Ce) {
  std::printf("\nfDeltaLambda = %30.15le\n", dLambda);
  std::printf("\nad2_d2F_dS2:");
  printd2(A, n, n, stdout, "Table", "Numbers", "NoSemicolons", 3, 'e', 15, 6);
  double** P;
  allocd2(&P, n, n);
  copyd2(P, A, n, n);
  scaled2(P, n, n, dLambda);
  std::printf("\nfDeltaLambda * ad2_d2F_dS2:");
  printd2(P, n, n, stdout, "Table", "Numbers", "NoSemicolons", 3, 'e', 15, 6);
  freed2(P);
  std::printf("\nad2_De:");
  printd2(De, n, n, stdout, "Table", "Numbers", "NoSemicolons", 3, 'e', 15, 6);
  std::printf("\nInverse of ad2_De:");
  printd2(Ce, n, n, stdout, "Table", "Numbers", "NoSemicolons", 3, 'e', 15, 6);
}

}  // namespace

void CalcMat_Dep_Concrete(const PointContext& ctx, const ConcretePlasticMaterial& c, int n, const NLMM121_HD* r,
                          double** De, double** D) {
  if (r->LoadingState == 1) {
    copyd2(D, De, n, n);
    return;
  }
  if (r->DeltaLambda < 0.0) InternalError(__FILE__, __LINE__);
  const char* model = ModelName(c.code);
  double s[7];
  for (int i = 1; i <= n; i++) s[i] = r->Stress[ElementComponent(n, i)];
  SurfacePoint p{};
  AllocSurfacePoint(n, &p);
  if (!EvaluateConcreteSurface(c, n, s, r->EqPlasticStrain, true, &p))
    MaterialPointFault(ctx, kTangentStep, model, kNotConverged);
  // Hm = (Ce + dlambda d2F/dsigma2)^-1.
  double **Ce, **M, **Hm;
  allocd2(&Ce, n, n);
  allocd2(&M, n, n);
  allocd2(&Hm, n, n);
  if (!InvertKeeping(Ce, De, n)) MaterialPointFault(ctx, kTangentStep, model, "Unable to invert the De matrix.");
  copyd2(M, p.A, n, n);
  scaled2(M, n, n, r->DeltaLambda);
  addd2(M, Ce, n, n);
  if (!InvertKeeping(Hm, M, n)) {
    if (Verbose(c.code)) PrintHmFailure(n, r->DeltaLambda, p.A, De, Ce);
    InternalError(__FILE__, __LINE__);
  }
  if (c.code == MAT_NLMM122) {
    CoupledTangent(n, p, r->DeltaLambda, Hm, D);
  } else {
    double u[7];
    multd2d1(u, Hm, p.a, n, n);
    const double d = dotd1(p.a, u, n) + p.H;
    if (!(std::fabs(d) >= kSmall)) InternalError(__FILE__, __LINE__);
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) D[i][j] = Hm[i][j] - u[i] * u[j] / d;
  }
  for (int i = 1; i <= n; i++)
    if (!Finite(n, D[i])) MaterialPointFault(ctx, kTangentStep, model, kNotConverged);
  freed2(Hm);
  freed2(M);
  freed2(Ce);
  FreeSurfacePoint(&p);
}

void CalcMat_D_ConcretePlasticity(const PointContext& ctx, int code, StressState state, const MaterialRecord& m,
                                  const NLMM121_HD* r, double** D) {
  const int n = Components(code, state);
  const ConcretePlasticMaterial c = ConcretePlasticParameters(code, m);
  double **De, **T;
  allocd2(&De, n, n);
  allocd2(&T, n, n);
  CalcMat_De_IsoModel(n, c.nu, c.E, De);
  CalcMat_Dep_Concrete(ctx, c, n, r, De, T);
  ElementOrderTangent(n, T, D);
  freed2(T);
  freed2(De);
}
