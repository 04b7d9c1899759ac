// Closed curves of the cyclic concrete laws: the envelope of Popovics-Sargin form, the
// power-law transition between two points with given slopes, the unloading parameters
// of the compression envelope, the secant search along an envelope and the strain where
// the elastic line leaves the envelope.
#include <cmath>

#include "materials/uniaxial/concrete_cyclic.h"
#include "numcore/numcore.h"

namespace {

// Denominator of the envelope at x > 0.
double EnvelopeDenominator(double n, double r, double x) {
  if (r == 1.0) return 1.0 + (n - 1.0 + std::log(x)) * x;
  return 1.0 + (n - r / (r - 1.0)) * x + std::pow(x, r) / (r - 1.0);
}

void TransitionCurve(bool clamp, double EF, double E0, double epsF, double eps0, double sF, double s0, double eps,
                     double* stress, double* tangent) {
  const double Esec = (sF - s0) / (epsF - eps0);
  if (Esec != E0) {
    const double R = (EF - Esec) / (Esec - E0);
    double P = std::pow(std::fabs(epsF - eps0), R);
    if (clamp && P <= 1e-20) P = 0.0;
    if (P != 0.0 && R >= 0.0) {
      const double A = (Esec - E0) / P;
      const double Q = std::pow(std::fabs(eps - eps0), R);
      *stress = s0 + (eps - eps0) * (E0 + A * Q);
      *tangent = E0 + (R + 1.0) * A * Q;
      return;
    }
  }
  *stress = s0 + Esec * (eps - eps0);
  *tangent = Esec;
}

}  // namespace

double CalcEnvelopeY_NLMM211(double n, double r, double x) {
  if (x <= 0.0) return 0.0;
  return n * x / EnvelopeDenominator(n, r, x);
}

double CalcEnvelopeZ_NLMM211(double n, double r, double x) {
  if (x <= 0.0) return 1.0;
  const double D = EnvelopeDenominator(n, r, x);
  return (1.0 - std::pow(x, r)) / (D * D);
}

void CalcTransitionCurve_NLMM210(double EF, double E0, double epsF, double eps0, double sF, double s0, double eps,
                                 double* stress, double* tangent) {
  TransitionCurve(true, EF, E0, epsF, eps0, sF, s0, eps, stress, tangent);
}

// The plane layers differ only where the secant equals the start slope, which is the
// straight line in every variant.
void CalcTransitionCurve_NLMM211(double EF, double E0, double epsF, double eps0, double sF, double s0, double eps,
                                 double* stress, double* tangent) {
  TransitionCurve(true, EF, E0, epsF, eps0, sF, s0, eps, stress, tangent);
}

void CalcTransitionCurve_NLMM220(double EF, double E0, double epsF, double eps0, double sF, double s0, double eps,
                                 double* stress, double* tangent) {
  TransitionCurve(false, EF, E0, epsF, eps0, sF, s0, eps, stress, tangent);
}

UnloadParams CompressionUnloadParams(UnloadVariant v, double Ec, double ec, double eun, double sun) {
  const bool fibre = v == UnloadVariant::kFibre210;
  const double a = fibre ? 0.57 : 1.65, b = fibre ? 0.1 : 0.01;
  const double xu = std::fabs(eun / ec);
  UnloadParams p;
  p.Esec = Ec * (std::fabs(sun / (Ec * ec)) + a) / (xu + a);
  p.Epl = b * Ec * std::exp(-2.0 * xu);
  p.ds = 0.09 * sun * std::sqrt(xu);
  p.de = eun / (1.15 + 2.75 * xu);
  p.epl = eun - sun / p.Esec;
  p.snew = sun - p.ds;
  const double gap = eun - p.epl;
  if (fibre)
    p.Enew = gap > -1e-20 && gap < 1e-20 ? 0.0 : p.snew / gap;
  else
    p.Enew = p.epl == eun ? Ec : p.snew / gap;
  p.ere = eun + p.de;
  return p;
}

void EnvelopeSecantSearch(const std::function<double(double)>& envelope, double Ec, double eps0, double s0,
                          double* eps, double* s) {
  double e = *eps, se = *s;
  const double h = e - eps0;
  double k = (se - s0) / (e - eps0);
  for (int step = 0; step < 1000 && k > Ec; step++) {
    e += h;
    se = envelope(e);
    k = (se - s0) / (e - eps0);
  }
  if (std::isnan(k)) InternalError(__FILE__, __LINE__);
  double lo = e - h, hi = e, mid = e, smid = se;
  for (int halving = 0; halving < 1000; halving++) {
    mid = 0.5 * (lo + hi);
    smid = envelope(mid);
    k = (smid - s0) / (mid - eps0);
    if (std::isnan(k)) InternalError(__FILE__, __LINE__);
    if (k > Ec) {
      lo = mid;
    } else {
      hi = mid;
      if (std::fabs((k - Ec) / Ec) <= 1e-8) break;
    }
  }
  *eps = mid;
  *s = smid;
}

double ElasticThreshold(double Ec, double n, double r, double ef, double f) {
  if (ef == 0.0) return 1e-5;
  double e = ef;
  for (int i = 0; i < 1000 && Ec * e > f * CalcEnvelopeY_NLMM211(n, r, e / ef); i++) e *= 0.5;
  double lo = e, hi = ef, mid = e;
  for (int i = 0; i < 100; i++) {
    mid = 0.5 * (lo + hi);
    const double line = Ec * mid, curve = f * CalcEnvelopeY_NLMM211(n, r, mid / ef);
    if (line < curve)
      lo = mid;
    else if (line > curve)
      hi = mid;
    else
      return mid;
  }
  return mid;
}
