// Owen-Figueiras plasticity of plane-stress concrete.
#include "materials/plasticity/owen_figueiras.h"

#include <algorithm>
#include <cmath>

#include "materials/elastic.h"
#include "materials/material_slots.h"
#include "materials/plasticity/ceb_fip93.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

constexpr const char* kMappingStep = "Mapping back the trial stress state to the yield surface:\n";
constexpr double kBiaxialCoefficient = 6.0556447;

CebFip93Material Curve(const Nlmm121Material& c) { return {c.E, c.fc, c.epsc1, c.alpha0, kHardeningCebFip93}; }

double PNorm(int n, const double* s, double* Ps) {
  double** P;
  allocd2(&P, 3, 3);
  CalcMat_P_OwenFig(P);
  multd2d1(Ps, P, s, n, n);
  freed2(P);
  return dotd1(s, Ps, n);
}

void CheckN(int n) {
  if (n != 3) InternalError(__FILE__, __LINE__);
}

}  // namespace

Nlmm121Material Nlmm121Parameters(const MaterialRecord& m) {
  return {MatValue(m, 3), MatValue(m, 4), MatValue(m, 5), MatValue(m, 6), MatValue(m, 7)};
}

Nlmm121Material Nlmm141Parameters(const MaterialRecord& m) {
  const auto V = [&](int slot) { return MatSlotValue(m, MAT_NLMM141, slot); };
  return {V(66), V(67), V(68), V(69), V(70), "_NLMM141", kCebFip93CrackPlasticity.secondBranchSteps};
}

void CheckParameters_NLMM121(const MaterialRecord& m, const char* block, int record) {
  const Nlmm121Material c = Nlmm121Parameters(m);
  if (!(c.alpha0 >= 0.0 && c.alpha0 <= 1.0))
    DataFault(nullptr, block, record, "The initial yield stress over the compressive strength must lie in [0, 1]: %g.",
              c.alpha0);
  // The hardening branch is an ellipse of its own; the softening follows the CEB-FIP curve.
  CheckCompressionCurve(c.E, c.fc, c.epsc1, 0.0, 0, false, block, record);
}

void CalcMat_P_OwenFig(double** P) {
  zerod2(P, 3, 3);
  P[1][1] = P[2][2] = 1.38650625;
  P[1][2] = P[2][1] = -0.64599375;
  P[3][3] = 4.065;
}

void SetOwenFigYieldParam(double* q) {
  q[1] = q[2] = 0.1775;
  q[3] = 0.0;
}

double CalcOwenFigYieldFunc_NLMM121(const Nlmm121Material& c, double kappa, const double* s) {
  double Ps[4], q[4];
  SetOwenFigYieldParam(q);
  return std::sqrt(PNorm(3, s, Ps)) + dotd1(q, s, 3) - CalcHardFunc_NLMM121(c, kappa);
}

double CalcInitOwenFigYieldFunc_NLMM121(const Nlmm121Material& c, const double* s) {
  double Ps[4], q[4];
  SetOwenFigYieldParam(q);
  return std::sqrt(PNorm(3, s, Ps)) + dotd1(q, s, 3) - c.alpha0 * c.fc;
}

void CalcDerivOwenFigYieldFunc(int n, double* a, const double* s) {
  CheckN(n);
  double Ps[4];
  const double sPs = PNorm(n, s, Ps);
  SetOwenFigYieldParam(a);
  if (sPs < kSmall) return;
  const double root = std::sqrt(sPs);
  for (int i = 1; i <= n; i++) a[i] += Ps[i] / root;
}

void CalcOwenFigTangentTerm(int n, double** A, const double* s) {
  CheckN(n);
  double Ps[4];
  const double sPs = PNorm(n, s, Ps);
  zerod2(A, n, n);
  if (sPs < kSmall) return;
  CalcMat_P_OwenFig(A);
  const double root = std::sqrt(sPs), r3 = sPs * root;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) A[i][j] = A[i][j] / root - Ps[i] * Ps[j] / r3;
}

double CalcHardFunc_NLMM121(const Nlmm121Material& c, double kappa) {
  if (!(kappa >= 0.0)) InternalError(__FILE__, __LINE__);
  const double kappaP = c.epsc1 - c.fc / c.E;
  double h;
  if (kappa <= kappaP) {
    const double x = kappa / kappaP;
    h = c.alpha0 * c.fc + (c.fc - c.alpha0 * c.fc) * std::sqrt(2.0 * x - x * x);
  } else {
    h = CebFip93Softening(Curve(c), kappa, c.secondBranchSteps);
  }
  if (!(h >= 0.0)) InternalError(__FILE__, __LINE__);
  return h;
}

double CalcHardModulus_NLMM121(const Nlmm121Material& c, double kappa) {
  if (!(kappa >= 0.0)) InternalError(__FILE__, __LINE__);
  if (kappa < kSmall) kappa = kSmall;
  const double kappaP = c.epsc1 - c.fc / c.E;
  if (kappa > kappaP) return CebFip93SofteningModulus(Curve(c), kappa, c.secondBranchSteps);
  const double x = kappa / kappaP;
  return (c.fc - c.alpha0 * c.fc) * (1.0 / kappaP - kappa / (kappaP * kappaP)) / std::sqrt(2.0 * x - x * x);
}

namespace {

// Is the point in biaxial compression (both principal stresses below -fc/100)?
bool BiaxialCompression(const Nlmm121Material& c, const double* s) {
  const double centre = 0.5 * (s[1] + s[2]);
  const double radius = std::sqrt(0.25 * (s[1] - s[2]) * (s[1] - s[2]) + s[3] * s[3]);
  const double limit = -c.fc / 100.0;
  return centre + radius < limit && centre - radius < limit;
}

// m and dm/ds at s with the biaxial coefficient on or off.
void BiaxialFactor(const Nlmm121Material& c, bool biaxial, double* m, double* g, const double* s) {
  const double k = biaxial ? kBiaxialCoefficient : 0.0;
  const double p = (s[1] + s[2]) / 3.0;
  *m = 1.0 + k * (p / c.fc) * (p / c.fc);
  g[1] = g[2] = (2.0 / 3.0) * k * p / (c.fc * c.fc);
  g[3] = 0.0;
}

}  // namespace

void CalcBiaxialHardFactor_NLMM121(const Nlmm121Material& c, int n, double* m, double* g, const double* s) {
  CheckN(n);
  BiaxialFactor(c, BiaxialCompression(c, s), m, g, s);
}

// Backward-Euler return mapping in (s, kappa) from the trial stress; false on failure.
bool ReturnMappingAlgor_OwenFig(const PointContext& ctx, const Nlmm121Material& c, const double* start, double kappa0,
                                double** D, const double* dEps, OwenFigMapping* out) {
  const int n = 3;
  double **Dinv, **J, **A;
  allocd2(&Dinv, n, n);
  allocd2(&J, n + 1, n + 1);
  allocd2(&A, n, n);
  if (!InvertKeeping(Dinv, D, n))
    MaterialPointFault(ctx, kMappingStep, c.name, "Unable to invert the elasticity matrix (De).");
  double trial[4], s[4], a[4], g[4], res[5], x[5];
  multd2d1(trial, D, dEps, n, n);
  addd1(trial, start, n);
  copyd1(s, trial, n);
  double kappa = kappa0, dKappa = 0.0, omega = 1.0;
  int limit = 1000, count = 0;
  bool ok = false, first = true;
  // The biaxial factor jumps where the smaller principal stress crosses -fc/100: a
  // return that ends there has no solution and Newton's steps cycle across the jump.
  // After the plain and the damped attempts the switch is taken from the trial stress
  // and held (-1: taken at every iterate).
  int held = -1;
  double best = 0.0, previous = 0.0;
  int polish = 0;
  // Tolerances relative to the strain fc/E and to fc: an absolute strain tolerance is
  // the size of a small step.
  const double strainScale = c.fc / c.E;
  for (;;) {
    // Residual r = Dinv (s - trial) + dkappa m a and F.
    double m;
    CalcDerivOwenFigYieldFunc(n, a, s);
    if (held < 0)
      CalcBiaxialHardFactor_NLMM121(c, n, &m, g, s);
    else
      BiaxialFactor(c, held == 1, &m, g, s);
    double diff[4];
    copyd1(diff, s, n);
    subd1(diff, trial, n);
    multd2d1(res, Dinv, diff, n, n);
    for (int i = 1; i <= n; i++) res[i] += dKappa * m * a[i];
    const double F = CalcOwenFigYieldFunc_NLMM121(c, kappa, s);
    if (first && F < 0.0) {
      out->dKappa = 0.0;
      out->kappa = kappa0;
      out->h = CalcHardFunc_NLMM121(c, kappa0);
      copyd1(out->sigma, trial, n);
      zerod1(out->dEpsP, n);
      ok = true;
      break;
    }
    first = false;
    const double err = std::max(maxabsd1(res, n) / strainScale, std::fabs(F) / c.fc);
    if (err < 1e-9) {
      // Converged; Newton's steps go on while they still gain, down to 1e-11, so that the
      // state is the root and not where the iteration happened to stop.
      if (!ok || err < best) {
        best = err;
        out->dKappa = dKappa;
        out->kappa = kappa;
        out->h = CalcHardFunc_NLMM121(c, kappa);
        copyd1(out->sigma, s, n);
        for (int i = 1; i <= n; i++) out->dEpsP[i] = dKappa * m * a[i];
      }
      if (ok && !(err < 0.5 * previous)) break;
      ok = true;
      previous = err;
      if (err < 1e-11 || ++polish > 10) break;
    } else if (ok) {
      break;
    }
    if (++count > limit) {
      if (ok || held >= 0) break;
      if (omega < 1.0) {
        held = BiaxialCompression(c, trial) ? 1 : 0;
        omega = 1.0;
        limit += 1000;
      } else {
        omega = 0.1;
        limit *= 2;
      }
      copyd1(s, trial, n);
      kappa = kappa0;
      dKappa = 0.0;
      continue;
    }
    // Newton correction of (s, kappa).
    CalcOwenFigTangentTerm(n, A, s);
    for (int i = 1; i <= n; i++) {
      for (int j = 1; j <= n; j++) J[i][j] = Dinv[i][j] + dKappa * (a[i] * g[j] + m * A[i][j]);
      J[i][n + 1] = m * a[i];
      J[n + 1][i] = a[i];
    }
    J[n + 1][n + 1] = -CalcHardModulus_NLMM121(c, kappa);
    res[n + 1] = F;
    for (int i = 1; i <= n + 1; i++) res[i] = -res[i];
    if (!SolveRowScaled(J, x, res, n + 1, n, c.E)) {
      if (ok) break;
      MaterialPointFault(ctx, kMappingStep, c.name,
                         "Solving a system of linear equations.\nThe Jacobian matrix is singular.\n"
                         "Iterative process could not be completed.");
    }
    for (int i = 1; i <= n; i++) s[i] += omega * x[i];
    kappa += omega * x[n + 1];
    dKappa = kappa - kappa0;
    if (dKappa < 0.0) {
      copyd1(s, trial, n);
      kappa = kappa0;
      dKappa = 0.0;
    }
    // Diverged: stresses beyond 1e8 times the strength (units of any size).
    if (maxabsd1(s, n) > 1e8 * c.fc || std::fabs(kappa) > 1e8) break;
  }
  freed2(A);
  freed2(J);
  freed2(Dinv);
  return ok;
}

void UpdateElastoPlasticModel_NLMM121(int n, const OwenFigMapping& u, NLMM121_HD* r) {
  if (u.dKappa != 0.0) {
    r->LoadingState = 2;
    addd1(r->PlasticStrain, u.dEpsP, n);
    r->DeltaLambda = u.dKappa;
    r->EqPlasticStrain = u.kappa;
    r->YieldStress = u.h;
  } else {
    r->LoadingState = 1;
  }
}

void CalcStressElastoPlasticModel_OwenFig(const PointContext& ctx, const Nlmm121Material& c, const double* start,
                                          double kappa0, double** D, const double* dEps, OwenFigMapping* u) {
  if (!(kappa0 > 0.0)) {
    double trial[4];
    multd2d1(trial, D, dEps, 3, 3);
    addd1(trial, start, 3);
    if (CalcInitOwenFigYieldFunc_NLMM121(c, trial) <= c.fc / 100.0) {
      u->dKappa = u->kappa = 0.0;
      u->h = c.alpha0 * c.fc;
      copyd1(u->sigma, trial, 3);
      zerod1(u->dEpsP, 3);
      return;
    }
  }
  if (!ReturnMappingAlgor_OwenFig(ctx, c, start, kappa0, D, dEps, u))
    MaterialPointFault(ctx, "Calculating the delta stress vector using\na return mapping algorithm:\n", c.name,
                       "The iterative algorithm did not converge.");
}

void CalcStress_NLMM121(const PointContext& ctx, const MaterialRecord& mat, int n, NLMM121_HD* r, double** D,
                        const double* dEps, double* sigma) {
  CheckN(n);
  const Nlmm121Material c = Nlmm121Parameters(mat);
  addd1(r->Strain, dEps, n);
  OwenFigMapping u;
  CalcStressElastoPlasticModel_OwenFig(ctx, c, r->Stress, r->EqPlasticStrain, D, dEps, &u);
  copyd1(r->Stress, u.sigma, n);
  copyd1(sigma, u.sigma, n);
  UpdateElastoPlasticModel_NLMM121(n, u, r);
  if (r->EqPlasticStrain > 0.0) r->PointStatus = 3;
}

void CalcMat_D_NLMM121(const PointContext& ctx, const MaterialRecord& mat, int n, const NLMM121_HD* r, double** D,
                       double** Dep) {
  CheckN(n);
  CalcMat_Dep_OwenFig(ctx, Nlmm121Parameters(mat), r, D, Dep);
}

void CalcMat_Dep_OwenFig(const PointContext& ctx, const Nlmm121Material& c, const NLMM121_HD* r, double** D,
                         double** Dep) {
  const int n = 3;
  if (r->LoadingState == 1) {
    copyd2(Dep, D, n, n);
    return;
  }
  const double* s = r->Stress;
  double m, g[4], a[4], Ha[4];
  CalcBiaxialHardFactor_NLMM121(c, n, &m, g, s);
  // Hm = (Dinv + dkappa m A)^-1 with the record's dkappa.
  if (r->DeltaLambda < 0.0) InternalError(__FILE__, __LINE__);
  double **Dinv, **A, **Hm;
  allocd2(&Dinv, n, n);
  allocd2(&A, n, n);
  allocd2(&Hm, n, n);
  if (!InvertKeeping(Dinv, D, n))
    MaterialPointFault(ctx, "Calculating the consistent elasto-plastic tangent stiffness matrix:\n", c.name,
                       "Unable to invert the De matrix.");
  CalcOwenFigTangentTerm(n, A, s);
  scaled2(A, n, n, r->DeltaLambda * m);
  addd2(A, Dinv, n, n);
  if (!InvertKeeping(Hm, A, n)) InternalError(__FILE__, __LINE__);
  CalcDerivOwenFigYieldFunc(n, a, s);
  multd2d1(Ha, Hm, a, n, n);
  const double d = m * dotd1(a, Ha, n) + CalcHardModulus_NLMM121(c, r->EqPlasticStrain);
  if (!(std::fabs(d) >= kSmall)) InternalError(__FILE__, __LINE__);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) Dep[i][j] = Hm[i][j] - (m / d) * Ha[i] * Ha[j];
  freed2(Hm);
  freed2(A);
  freed2(Dinv);
}
