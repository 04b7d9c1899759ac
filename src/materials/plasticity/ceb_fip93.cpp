// CEB-FIP93 compression curve as a hardening law: branches, strain limit, modulus.
#include "materials/plasticity/ceb_fip93.h"

#include <cmath>

#include "model/validate.h"
#include "numcore/numcore.h"

void CalcStrainLim_CEB_FIP93(double E, double fc, double* kappaLim, double* epsLim, double epsc1) {
  if (!(std::fabs(epsc1) > kSmall)) InternalError(__FILE__, __LINE__);
  const double Ec1 = fc / epsc1;
  if (!(std::fabs(Ec1) > kSmall)) InternalError(__FILE__, __LINE__);
  const double t = 1.0 + E / (2.0 * Ec1);
  const double r = t * t / 4.0 - 0.5;
  if (!(r >= 0.0)) InternalError(__FILE__, __LINE__);
  const double etaLim = t / 2.0 + std::sqrt(r);
  if (!(std::fabs(etaLim) > kSmall)) InternalError(__FILE__, __LINE__);
  *epsLim = epsc1 * etaLim;
  *kappaLim = *epsLim - fc / (2.0 * E);
}

CebFip93Aux CalcAuxParam_CEB_FIP93(double E, double fc, double kappa, double epsLim, double epsc1) {
  if (!(std::fabs(epsc1) >= kSmall)) InternalError(__FILE__, __LINE__);
  const double Ec1 = fc / epsc1;
  if (!(std::fabs(Ec1) >= kSmall)) InternalError(__FILE__, __LINE__);
  const double r = E / Ec1, etaLim = epsLim / epsc1;
  const double den = (r - 2.0) * etaLim + 1.0;
  if (!(std::fabs(den) >= kSmall) || !(std::fabs(etaLim) >= kSmall)) InternalError(__FILE__, __LINE__);
  const double xi = 4.0 * ((r - 2.0) * etaLim * etaLim + 2.0 * etaLim - r) / (den * den);
  CebFip93Aux a;
  a.r_epsc1 = r / epsc1;
  a.inv_epsc1sq = 1.0 / (epsc1 * epsc1);
  a.rm2_epsc1 = (r - 2.0) / epsc1;
  a.p = (xi / etaLim - 2.0 / (etaLim * etaLim)) / (epsc1 * epsc1);
  a.q = (4.0 / etaLim - xi) / epsc1;
  a.A = fc / (epsc1 * epsc1 * E * E) + (r - 2.0) / (epsc1 * E);
  a.B = (r - 2.0) * kappa / epsc1 + 2.0 * fc * kappa / (E * epsc1 * epsc1);
  a.C = fc * kappa * kappa / (epsc1 * epsc1) - r * fc * kappa / epsc1;
  a.dB = (r - 2.0) / epsc1 + 2.0 * fc / (E * epsc1 * epsc1);
  a.dC = 2.0 * fc * kappa / (epsc1 * epsc1) - r * fc / epsc1;
  return a;
}

void CalcHardFuncFirstBranch_CEB_FIP93(double E, double fc, double kappa, double* sY, double epsLim, double epsc1) {
  const CebFip93Aux a = CalcAuxParam_CEB_FIP93(E, fc, kappa, epsLim, epsc1);
  const double disc = a.B * a.B - 4.0 * a.A * a.C;
  // A is an inverse stress: measured against 1 / fc, so that Pa and MPa are alike.
  if (!(disc >= 0.0) || !(std::fabs(a.A * fc) >= kSmall)) InternalError(__FILE__, __LINE__);
  *sY = (std::sqrt(disc) - a.B) / (2.0 * a.A);
}

void CalcHardModulusFirstBranch_CEB_FIP93(double E, double fc, double kappa, double* H, double epsLim, double epsc1) {
  const CebFip93Aux a = CalcAuxParam_CEB_FIP93(E, fc, kappa, epsLim, epsc1);
  const double disc = a.B * a.B - 4.0 * a.A * a.C;
  if (!(disc >= kSmall) || !(std::fabs(a.A * fc) >= kSmall)) InternalError(__FILE__, __LINE__);
  *H = ((a.B * a.dB - 2.0 * a.A * a.dC) / std::sqrt(disc) - a.dB) / (2.0 * a.A);
}

namespace {

// g(s) = s (p eps^2 + q eps) - fc with eps = kappa + s/E, and its slope in s.
struct Tail {
  double c3, c2, c1, fc;
  double g(double s) const { return ((c3 * s + c2) * s + c1) * s - fc; }
  double slope(double s) const { return (3.0 * c3 * s + 2.0 * c2) * s + c1; }
};

Tail TailOf(const CebFip93Aux& a, double E, double fc, double kappa) {
  return Tail{a.p / (E * E), 2.0 * a.p * kappa / E + a.q / E, a.p * kappa * kappa + a.q * kappa, fc};
}

}  // namespace

bool CalcHardFuncSecondBranch_CEB_FIP93(double E, double fc, double kappa, double* sY, double epsLim, double epsc1,
                                        int maxSteps) {
  const Tail t = TailOf(CalcAuxParam_CEB_FIP93(E, fc, kappa, epsLim, epsc1), E, fc, kappa);
  double s = 0.5 * fc;
  bool ok = true;
  int steps = 0;
  // g is a stress: a share of the strength, the same in any unit of stress.
  const double tol = 1e-10 * fc;
  while (!(std::fabs(t.g(s)) < tol)) {
    if (++steps > maxSteps) {
      ok = false;
      break;
    }
    double d = t.slope(s);
    if (std::fabs(d) < kSmall) d = kSmall;
    s -= t.g(s) / d;
    if (!(std::fabs(s) <= 1e8 * fc)) {
      ok = false;
      break;
    }
  }
  if (!(s >= 0.0 && s <= 0.5 * fc)) InternalError(__FILE__, __LINE__);
  *sY = s;
  return ok;
}

void CalcHardModulusSecondBranch_CEB_FIP93(double E, double fc, double kappa, double* H, double epsLim, double epsc1,
                                           int maxSteps) {
  double s;
  if (!CalcHardFuncSecondBranch_CEB_FIP93(E, fc, kappa, &s, epsLim, epsc1, maxSteps)) InternalError(__FILE__, __LINE__);
  const CebFip93Aux a = CalcAuxParam_CEB_FIP93(E, fc, kappa, epsLim, epsc1);
  const double d = TailOf(a, E, fc, kappa).slope(s);
  if (!(std::fabs(d) >= kSmall)) InternalError(__FILE__, __LINE__);
  *H = (-2.0 * a.p * s * s / E - (2.0 * a.p * kappa + a.q) * s) / d;
}

double CebFip93Softening(const CebFip93Material& m, double kappa, int maxSteps) {
  double kappaLim, epsLim, s;
  CalcStrainLim_CEB_FIP93(m.E, m.fc, &kappaLim, &epsLim, m.epsc1);
  if (kappa < kappaLim) {
    CalcHardFuncFirstBranch_CEB_FIP93(m.E, m.fc, kappa, &s, epsLim, m.epsc1);
  } else if (!CalcHardFuncSecondBranch_CEB_FIP93(m.E, m.fc, kappa, &s, epsLim, m.epsc1, maxSteps)) {
    InternalError(__FILE__, __LINE__);
  }
  return s;
}

double CebFip93SofteningModulus(const CebFip93Material& m, double kappa, int maxSteps) {
  double kappaLim, epsLim, H;
  CalcStrainLim_CEB_FIP93(m.E, m.fc, &kappaLim, &epsLim, m.epsc1);
  if (kappa < kappaLim)
    CalcHardModulusFirstBranch_CEB_FIP93(m.E, m.fc, kappa, &H, epsLim, m.epsc1);
  else
    CalcHardModulusSecondBranch_CEB_FIP93(m.E, m.fc, kappa, &H, epsLim, m.epsc1, maxSteps);
  return H;
}

namespace {

void CheckConstants(const CebFip93Material& m, double kappa) {
  if (!(std::fabs(m.E) >= kSmall) || !(std::fabs(m.alpha0 - 1.0) >= kSmall) || !(kappa >= 0.0))
    InternalError(__FILE__, __LINE__);
}

// Law 2 up to the peak: the parabola s = fc + a (eps - eps_c1)^2 through alpha0 fc at
// the elastic strain alpha0 fc/E, written in kappa = eps - s/E.
struct Parabola {
  double a, b, R;
};

Parabola ParabolaOf(const CebFip93Material& m, double kappa) {
  const double e0 = m.epsc1 - m.alpha0 * m.fc / m.E;
  const double D = e0 * e0;
  if (!(std::fabs(D) >= kSmall)) InternalError(__FILE__, __LINE__);
  const double a = (m.alpha0 - 1.0) * m.fc / D;
  if (!(std::fabs(a) >= kSmall)) InternalError(__FILE__, __LINE__);
  const double b = m.E / (2.0 * a);
  const double R = b * b + (m.E / a) * (m.epsc1 - kappa - m.fc / m.E);
  if (!(R >= 0.0)) InternalError(__FILE__, __LINE__);
  return Parabola{a, b, R};
}

}  // namespace

double CalcHardFunc_CEB_FIP93(const CebFip93Material& m, double kappa, const CebFip93Variant& v) {
  CheckConstants(m, kappa);
  const double kappaP = m.epsc1 - m.fc / m.E;
  double s;
  switch (m.law) {
    case kHardeningCebFip93:
      if (kappa > kappaP) {
        s = CebFip93Softening(m, kappa, v.secondBranchSteps);
      } else if (v.ellipticRise) {
        const double x = kappa / kappaP;
        s = m.alpha0 * m.fc + (m.fc - m.alpha0 * m.fc) * std::sqrt(2.0 * x - x * x);
      } else {
        double kappaLim, epsLim;
        CalcStrainLim_CEB_FIP93(m.E, m.fc, &kappaLim, &epsLim, m.epsc1);
        CalcHardFuncFirstBranch_CEB_FIP93(m.E, m.fc, kappa, &s, epsLim, m.epsc1);
      }
      break;
    case kHardeningPerfectPlastic:
      if (kappa > kappaP) {
        s = v.plateauLength > 0.0 ? m.fc + m.fc * (kappa - kappaP) / (v.plateauLength - kappaP) : m.fc;
      } else {
        const Parabola p = ParabolaOf(m, kappa);
        s = m.E * (p.b + m.epsc1 - kappa + std::sqrt(p.R));
      }
      break;
    default: InternalError(__FILE__, __LINE__);
  }
  if (!(s >= 0.0)) InternalError(__FILE__, __LINE__);
  return s;
}

double CalcHardModulus_CEB_FIP93(const CebFip93Material& m, double kappa, const CebFip93Variant& v) {
  CheckConstants(m, kappa);
  if (kappa < kSmall) kappa = kSmall;
  const double kappaP = m.epsc1 - m.fc / m.E;
  switch (m.law) {
    case kHardeningCebFip93: {
      if (kappa > kappaP) return CebFip93SofteningModulus(m, kappa, v.secondBranchSteps);
      if (v.ellipticRise) {
        const double x = kappa / kappaP;
        return 0.5 * (m.fc - m.alpha0 * m.fc) / std::sqrt(2.0 * x - x * x) * (2.0 / kappaP - 2.0 * kappa / (kappaP * kappaP));
      }
      double kappaLim, epsLim, H;
      CalcStrainLim_CEB_FIP93(m.E, m.fc, &kappaLim, &epsLim, m.epsc1);
      CalcHardModulusFirstBranch_CEB_FIP93(m.E, m.fc, kappa, &H, epsLim, m.epsc1);
      return H;
    }
    case kHardeningPerfectPlastic: {
      if (kappa > kappaP) return v.plateauLength > 0.0 ? m.fc / (v.plateauLength - kappaP) : m.E * 1e-8;
      const Parabola p = ParabolaOf(m, kappa);
      if (!(std::sqrt(p.R) >= kSmall)) InternalError(__FILE__, __LINE__);
      return -m.E * (1.0 + m.E / (2.0 * p.a * std::sqrt(p.R)));
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

bool CebFip93CurveUsable(double E, double fc, double epsc1, double alpha0) {
  if (!(std::fabs(epsc1) > kSmall)) return false;
  const double Ec1 = fc / epsc1;
  if (!(std::isfinite(Ec1) && std::fabs(Ec1) > kSmall)) return false;
  const double t = 1.0 + E / (2.0 * Ec1);
  const double r = t * t / 4.0 - 0.5;
  if (!(std::isfinite(r) && r >= 0.0)) return false;
  const double etaLim = t / 2.0 + std::sqrt(r);
  if (!(std::isfinite(etaLim) && std::fabs(etaLim) > kSmall && std::isfinite(epsc1 * etaLim))) return false;
  const double e0 = epsc1 - alpha0 * fc / E;
  const double a = (alpha0 - 1.0) * fc / (e0 * e0);
  return std::isfinite(e0 * e0) && e0 * e0 >= kSmall && std::isfinite(a) && std::fabs(a) >= kSmall &&
         std::isfinite(E / (2.0 * a));
}

void CheckCompressionCurve(double E, double fc, double epsc1, double alpha0, int law, bool hasLaw, const char* block,
                           int record) {
  if (!(E > 0.0)) DataFault(nullptr, block, record, "The modulus of elasticity must be positive: %g.", E);
  if (!(fc > 0.0)) DataFault(nullptr, block, record, "The compressive strength must be positive: %g.", fc);
  // The strain fc/E of concrete is of the order 1e-3 in any units.
  if (!(fc / E >= 1e-6 && fc / E <= 1.0))
    DataFault(nullptr, block, record,
              "The compressive strength over the modulus of elasticity must lie between 1e-6 and 1: %g\n"
              "(fc = %g, E = %g).",
              fc / E, fc, E);
  if (!(epsc1 > fc / E))
    DataFault(nullptr, block, record,
              "The strain at the compressive peak (%g) must exceed the compressive strength over the modulus "
              "of elasticity (%g).",
              epsc1, fc / E);
  if (hasLaw && law != kHardeningCebFip93 && law != kHardeningPerfectPlastic)
    DataFault(nullptr, block, record, "Invalid hardening law: %d (valid: 1 or 2).", law);
  if (!CebFip93CurveUsable(E, fc, epsc1, alpha0))
    DataFault(nullptr, block, record,
              "The compression curve of E = %g, fc = %g and eps_c1 = %g cannot be evaluated:\n"
              "its branches lie outside the range of the numbers.",
              E, fc, epsc1);
}
