// Softening laws of the smeared cracks: one implementation for all crack models.
#include "materials/crack/softening.h"

#include <algorithm>
#include <cmath>

#include "numcore/numcore.h"

namespace {

constexpr double kC1 = 3.0, kC2 = 6.93;
constexpr double kHalfPi = 1.5707963267948966;

// The piecewise-linear diagram of laws 1 and 4: break points (xi[i], alpha[i]),
// i = 0..m, from (0, 1) to (1, 0).
struct Polyline {
  int m;
  double xi[5], alpha[5];
};

Polyline PolylineOf(int law, const CrackLawShape& s) {
  Polyline p{};
  p.xi[0] = 0.0;
  p.alpha[0] = 1.0;
  p.xi[1] = s.xi1;
  p.alpha[1] = s.alpha1;
  p.xi[2] = s.xi2;
  p.alpha[2] = s.alpha2;
  if (law == kLawQuadrilinear) {
    p.m = 4;
    p.xi[3] = s.xi3;
    p.alpha[3] = s.alpha3;
  } else {
    p.m = 3;
  }
  p.xi[p.m] = 1.0;
  p.alpha[p.m] = 0.0;
  return p;
}

bool IsPolyline(int law) { return law == kLawTrilinear || law == kLawQuadrilinear; }

void CheckLaw(int nLaws, int law) { GUARD(law < 1 || law > nLaws || (nLaws != kThreeLaws && nLaws != kFourLaws)); }

// Twice the normalised area: the trapezoids of the polyline.
double AreaOf(int law, const CrackLawShape& s) {
  return law == kLawQuadrilinear ? CrackAreaD4(s) : CrackAreaD3(s);
}

// Segment i (1..m) that holds eps: strictly below each break point, the last one up to
// and including eps_u; 0 beyond eps_u, -1 for a not-a-number strain.
int SegmentOf(const Polyline& p, double eps, double epsU) {
  for (int i = 1; i < p.m; i++)
    if (eps < p.xi[i] * epsU) return i;
  if (eps <= epsU) return p.m;
  if (eps > epsU) return 0;
  return -1;
}

double RilemStress(double ft, double eps, const CrackLawShape& s, double eps0, double epsU) {
  if (eps < s.xi1 * epsU) {
    GUARD(std::fabs(eps0 - s.xi1 * epsU) < kSmall);
    return ft + ft * (1.0 - s.alpha1) * (eps - eps0) / (eps0 - s.xi1 * epsU);
  }
  if (eps < s.xi2 * epsU) {
    GUARD(std::fabs(epsU * (s.xi1 - s.xi2)) < kSmall);
    return s.alpha1 * ft + ft * (s.alpha1 - s.alpha2) * (eps - s.xi1 * epsU) / (epsU * (s.xi1 - s.xi2));
  }
  if (eps <= epsU) {
    GUARD(std::fabs(epsU * (s.xi2 - 1.0)) < kSmall);
    return s.alpha2 * ft + s.alpha2 * ft * (eps - s.xi2 * epsU) / (epsU * (s.xi2 - 1.0));
  }
  if (eps > epsU) return 0.0;
  InternalError(__FILE__, __LINE__);
}

double RilemSlope(double ft, double eps, const CrackLawShape& s, double eps0, double epsU) {
  if (eps < s.xi1 * epsU) {
    GUARD(std::fabs(eps0 - s.xi1 * epsU) < kSmall);
    return ft * (1.0 - s.alpha1) / (eps0 - s.xi1 * epsU);
  }
  if (eps < s.xi2 * epsU) {
    GUARD(std::fabs((s.xi1 - s.xi2) * epsU) < kSmall);
    return ft * (s.alpha1 - s.alpha2) / ((s.xi1 - s.xi2) * epsU);
  }
  if (eps <= epsU) {
    GUARD(std::fabs((s.xi2 - 1.0) * epsU) < kSmall);
    return ft * s.alpha2 / ((s.xi2 - 1.0) * epsU);
  }
  InternalError(__FILE__, __LINE__);
}

double CornelissenUltStrain(double ft, double gf, double h) {
  const double kc = CornelissenArea();
  GUARD(!(std::fabs(ft) > 0.0));
  GUARD(!(std::fabs(h) > 0.0));
  GUARD(std::fabs(kc) < kSmall);
  return gf / (ft * h * kc);
}

}  // namespace

double CrackAreaD3(const CrackLawShape& s) { return s.xi1 + s.alpha2 + s.alpha1 * s.xi2 - s.xi1 * s.alpha2; }

double CrackAreaD4(const CrackLawShape& s) {
  return s.xi1 + s.alpha1 * s.xi2 - s.alpha2 * s.xi1 + s.alpha2 * s.xi3 - s.alpha3 * s.xi2 + s.alpha3;
}

double CornelissenArea() {
  const double c1c2 = kC1 / kC2, c13 = kC1 * kC1 * kC1;
  const double c22 = kC2 * kC2, c23 = c22 * kC2, c24 = c23 * kC2;
  return (1.0 + 6.0 * c1c2 * c1c2 * c1c2) / kC2 -
         std::exp(-kC2) * (1.0 / kC2 + c13 * (1.0 / kC2 + 3.0 / c22 + 6.0 / c23 + 6.0 / c24) + (1.0 + c13) / 2.0);
}

double CrUltNormalStrain(int law, double ft, double gf, double h, const CrackLawShape& s) {
  switch (law) {
    case kLawTrilinear:
    case kLawQuadrilinear: {
      const double d = AreaOf(law, s);
      GUARD(std::fabs(d) < kSmall);
      GUARD(!(std::fabs(ft) > 0.0));
      GUARD(!(std::fabs(h) > 0.0));
      return (2.0 / d) * gf / (ft * h);
    }
    case kLawCornelissen: return CornelissenUltStrain(ft, gf, h);
    case kLawRilem: return gf;  // the field holds the ultimate strain itself
    default: InternalError(__FILE__, __LINE__);
  }
}

double CrNormalStressSoft(int law, double ft, double gf, double h, double eps, const CrackLawShape& s, double eps0,
                          double kres) {
  if (IsPolyline(law)) GUARD(eps < 0.0);
  const double epsU = CrUltNormalStrain(law, ft, gf, h, s);
  if (eps > epsU) return kres > 0.0 ? -kres * (eps - epsU) : 0.0;
  switch (law) {
    case kLawTrilinear:
    case kLawQuadrilinear: {
      const Polyline p = PolylineOf(law, s);
      const int i = SegmentOf(p, eps, epsU);
      GUARD(i < 1);
      const double len = (p.xi[i] - p.xi[i - 1]) * epsU;
      GUARD(std::fabs(len) < kSmall);
      return p.alpha[i - 1] * ft + ft * (p.alpha[i] - p.alpha[i - 1]) * (eps - p.xi[i - 1] * epsU) / len;
    }
    case kLawCornelissen: {
      GUARD(epsU < kSmall);
      const double x = eps / epsU, cx = kC1 * x;
      if (eps <= epsU)
        return ft * ((1.0 + cx * cx * cx) * std::exp(-kC2 * x) - x * (1.0 + kC1 * kC1 * kC1) * std::exp(-kC2));
      InternalError(__FILE__, __LINE__);
    }
    case kLawRilem: return RilemStress(ft, eps, s, eps0, epsU);
    default: InternalError(__FILE__, __LINE__);
  }
}

double CrNormalSlopeSoft(int law, double ft, double gf, double h, double eps, const CrackLawShape& s, double eps0) {
  switch (law) {
    case kLawTrilinear:
    case kLawQuadrilinear: {
      const double d = AreaOf(law, s);
      GUARD(!(std::fabs(gf) > 0.0));
      const double S = ft * ft * h / gf;
      const double epsU = CrUltNormalStrain(law, ft, gf, h, s);
      const Polyline p = PolylineOf(law, s);
      const int i = SegmentOf(p, eps, epsU);
      GUARD(i < 1);
      const double den = 2.0 * (p.xi[i] - p.xi[i - 1]);
      GUARD(!(den > 0.0));  // the set-up holds the strain ratios increasing
      return -S * (p.alpha[i - 1] - p.alpha[i]) * d / den;
    }
    case kLawCornelissen: {
      const double epsU = CornelissenUltStrain(ft, gf, h);
      GUARD(epsU < kSmall);
      GUARD(!(eps <= epsU));
      const double x = eps / epsU, cx = kC1 * x, e = std::exp(-kC2 * x);
      return ft * (3.0 * kC1 * cx * cx * e / epsU - kC2 * (1.0 + cx * cx * cx) * e / epsU -
                   (1.0 + kC1 * kC1 * kC1) * std::exp(-kC2) / epsU);
    }
    case kLawRilem: return RilemSlope(ft, eps, s, eps0, gf);
    default: InternalError(__FILE__, __LINE__);
  }
}

double CrUltShearStrainLinear(double gfII, double h, double tau0) {
  GUARD(!(std::fabs(h) > 0.0));
  GUARD(!(std::fabs(tau0) > 0.0));
  return 2.0 * gfII / (h * tau0);
}

double CrShearStressSoftLinear(double gfII, double h, double gamma, double tau0, double gamma0) {
  GUARD(gamma0 > gamma);
  const double gU = CrUltShearStrainLinear(gfII, h, tau0);
  // gamma0 <= gamma < gU: the span gU - gamma0 is positive, however small.
  if (gamma < gU) return tau0 - tau0 * (gamma - gamma0) / (gU - gamma0);
  if (gamma >= gU) return 0.0;
  InternalError(__FILE__, __LINE__);
}

double CrShearSlopeSoftLinear(double gfII, double h, double gamma, double tau0, double gamma0) {
  GUARD(gamma0 > gamma);
  const double gU = CrUltShearStrainLinear(gfII, h, tau0);
  GUARD(!(gamma <= gU));
  if (!(gU > gamma0)) return 0.0;  // a branch of no length: the strength is gone
  return -tau0 / (gU - gamma0);
}

double TransverseShearUltStrain(int kind, double gfII, double h, double tauP, double gP, const CrackLawShape& s) {
  switch (kind) {
    case 1:
      GUARD(!(std::fabs(h) > 0.0));
      GUARD(!(std::fabs(tauP) > 0.0));
      return gP + 2.0 * gfII / (h * tauP);
    case 2: return gP + CrUltNormalStrain(kLawTrilinear, tauP, gfII, h, s);
    case 3: return gP + CrUltNormalStrain(kLawCornelissen, tauP, gfII, h, s);
    default: InternalError(__FILE__, __LINE__);
  }
}

double TransverseShearEnvelope(int kind, double gfII, double h, double tauP, double gP, const CrackLawShape& s,
                               double g) {
  switch (kind) {
    case 1: {
      GUARD(g < gP);
      const double gU = TransverseShearUltStrain(kind, gfII, h, tauP, gP, s);
      if (g > gU) return 0.0;
      if (!(gU > gP)) return tauP;  // gP = g = gU: at the peak of a branch of no length
      return tauP - tauP * (g - gP) / (gU - gP);
    }
    case 2: return CrNormalStressSoft(kLawTrilinear, tauP, gfII, h, g - gP, s, 0.0);
    case 3: return CrNormalStressSoft(kLawCornelissen, tauP, gfII, h, g - gP, s, 0.0);
    default: InternalError(__FILE__, __LINE__);
  }
}

double TransverseShearUnloRelo(int kind, double gfII, double h, double tauP, double gP, const CrackLawShape& s,
                               double gMax, double g) {
  GUARD(std::fabs(gMax) < kSmall);
  return TransverseShearEnvelope(kind, gfII, h, tauP, gP, s, gMax) * g / gMax;
}

double CrConsumedGf(int nLaws, int law, double ft, double gf, double h, const CrackLawShape& s, double eps) {
  CheckLaw(nLaws, law);
  if (law == kLawRilem) return 0.0;  // the law is given by its strains, not by an energy
  const double epsU = CrUltNormalStrain(law, ft, gf, h, s);
  const double F = ft * h;
  if (law == kLawCornelissen) {
    GUARD(epsU < kSmall);
    const double r = kC2 / epsU;
    GUARD(!(r > 0.0));
    if (eps > epsU) return gf;
    GUARD(!(eps <= epsU));
    const double c1c2 = kC1 / kC2, c13 = kC1 * kC1 * kC1;
    const double r2 = r * r, r3 = r2 * r, r4 = r3 * r;
    return F * ((1.0 + 6.0 * c1c2 * c1c2 * c1c2) * epsU / kC2 -
                std::exp(-kC2 * eps / epsU) *
                    (epsU / kC2 + (c13 / (epsU * epsU * epsU)) * (eps * eps * eps / r + 3.0 * eps * eps / r2 +
                                                                 6.0 * eps / r3 + 6.0 / r4)) -
                std::exp(-kC2) * (1.0 + c13) * eps * eps / (2.0 * epsU));
  }
  const Polyline p = PolylineOf(law, s);
  const int i = SegmentOf(p, eps, epsU);
  if (i == 0) return gf;
  GUARD(i < 0);
  if (i == 1) {
    GUARD(2.0 * p.xi[1] * epsU < kSmall);
  } else {
    GUARD(std::fabs(p.xi[i - 1] - p.xi[i]) < kSmall);
    GUARD(epsU < kSmall);
  }
  double before = 0.0;  // normalised area of the segments behind eps
  for (int j = 1; j < i; j++) before += (p.xi[j] - p.xi[j - 1]) * (p.alpha[j - 1] + p.alpha[j]) / 2.0;
  const double d = eps - p.xi[i - 1] * epsU;
  return F * epsU * before +
         F * (p.alpha[i - 1] * d + (p.alpha[i] - p.alpha[i - 1]) * d * d / (2.0 * (p.xi[i] - p.xi[i - 1]) * epsU));
}

double CriticalGfCoefficient(int nLaws, int law, const CrackLawShape& s) {
  CheckLaw(nLaws, law);
  double k = 0.0;
  if (law == kLawCornelissen) {
    const double a = CornelissenArea();
    const double slope = kC2 + (1.0 + kC1 * kC1 * kC1) * std::exp(-kC2);
    k = slope * a;
  } else {
    // Laws 1 and 3 share the trilinear diagram.
    const Polyline p = PolylineOf(law == kLawRilem ? kLawTrilinear : law, s);
    const double A = AreaOf(law, s);
    for (int i = 1; i <= p.m; i++) {
      const double den = 2.0 * (p.xi[i] - p.xi[i - 1]);
      GUARD(!(den > 0.0));  // the set-up holds the strain ratios increasing
      k = i == 1 ? (p.alpha[0] - p.alpha[1]) * A / den : std::max(k, (p.alpha[i - 1] - p.alpha[i]) * A / den);
    }
  }
  GUARD(k < 0.0);
  return k;
}

double CriticalFractureField(int nLaws, int law, const CrackLawShape& s, double ft, double h, double E) {
  const double k = CriticalGfCoefficient(nLaws, law, s);
  GUARD(!(E > 0.0));  // the set-up holds E > 0 and ft / E <= 1
  if (law != kLawRilem) return k * ft * ft * h / E;
  const double d3 = CrackAreaD3(s);
  GUARD(std::fabs(d3) < kSmall);
  return 2.0 * k * ft / (d3 * E);
}

double NewCrackFractureField(int nLaws, int law, const CrackLawShape& s, int n, int maxCracks, double ftN,
                             double gfN, double hN, double epsMaxN, double theta, double p, double ft, double h,
                             double E) {
  double g = gfN;
  if (n >= 1) {
    GUARD(theta < 0.0 || theta > kHalfPi);
    const double gc = CrConsumedGf(nLaws, law, ftN, gfN, hN, s, epsMaxN);
    g = std::min((gfN - gc) + gc * std::pow(theta / kHalfPi, p), gfN);
    GUARD(n >= maxCracks || n >= 4);
  }
  return std::max(g, CriticalFractureField(nLaws, law, s, ft, h, E));
}

double CrackAngleBetween2D(double a, double b) {
  double d = std::fmod(std::fabs(a - b), 2.0 * kHalfPi);
  if (d > kHalfPi) d = 2.0 * kHalfPi - d;
  return d;
}

double CrackAngleBetween3D(const double* n1, const double* n2) {
  double c = n1[1] * n2[1] + n1[2] * n2[2] + n1[3] * n2[3];
  GUARD(c > 1.00000001 || c < -1.00000001);
  c = std::clamp(c, -1.0, 1.0);
  double t = std::acos(c);
  if (t > kHalfPi) t = 2.0 * kHalfPi - t;
  return t;
}

void CalcPrincipalStresses2D(double* angle, double* major, double* minor, const double* sigma) {
  const double sx = sigma[1], sy = sigma[2], txy = sigma[3];
  double d = sx - sy;
  if (std::fabs(d) < kSmall) d = kSmall;
  const double t = std::atan(2.0 * txy / d) / 2.0;
  const double c = std::cos(t), s = std::sin(t), s2 = std::sin(2.0 * t);
  const double a = c * c * sx + s * s * sy + s2 * txy;
  const double b = s * s * sx + c * c * sy - s2 * txy;
  if (a > b) {
    *major = a;
    *minor = b;
    *angle = t;
  } else {
    *major = b;
    *minor = a;
    *angle = t + kHalfPi;
  }
  if (*angle > kHalfPi) *angle -= 2.0 * kHalfPi;
}
