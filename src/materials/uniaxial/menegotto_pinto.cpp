// Menegotto-Pinto branch: a smooth passage from the initial line of slope E0 to the
// asymptote of slope b E0, and the fit of sigma0 and b to a target point and tangent.
#include <cmath>

#include "materials/uniaxial/steel.h"

void CalcStressMenegottoPinto(double E0, double Esec, double sigma0, double b, double R, double eps, double eps_r,
                              double sig_r, double* tangent, double* stress) {
  const double es = E0 * (eps - eps_r);
  const double xi = std::fabs(es / (sigma0 - sig_r));
  *stress = sig_r + es * (b + (1.0 - b) / std::pow(1.0 + std::pow(xi, R), 1.0 / R));
  *tangent = Esec - (Esec - b * E0) / (1.0 + std::pow(xi, -R));
}

double CalcGeomSeriesResidual(double x, double E0, double Et, double Esec, double R) {
  return Et + E0 * x * (1.0 - std::pow(x, R)) / (1.0 - x) - Esec * (1.0 - std::pow(x, R + 1.0)) / (1.0 - x);
}

namespace {

// Bounded Newton search with central differences inside the bracket (lo, hi) where g
// changes sign, until |g| <= tol; a step that leaves the bracket bisects it. False after
// 100 passes.
template <typename G>
bool NewtonInBracket(G g, double lo, double hi, double x, double tol, double* root) {
  double glo = g(lo);
  if (!(x > lo && x < hi)) x = 0.5 * (lo + hi);
  for (int pass = 0; pass < 100; pass++) {
    const double gx = g(x);
    if (std::fabs(gx) <= tol) {
      *root = x;
      return true;
    }
    if ((gx < 0) == (glo < 0)) {
      lo = x;
      glo = gx;
    } else {
      hi = x;
    }
    double h = std::fmin(0.001, (1.0 - x) / 2.0);
    h = std::fmin(h, x - 1e-6);
    double next = 0.5 * (lo + hi);
    if (h > 0.0) {
      const double slope = g(x + h) - g(x - h);
      if (slope != 0.0) {
        const double step = x - 2.0 * h * gx / slope;
        if (step > lo && step < hi && step > 0.0 && step < 1.0) next = step;
      }
    }
    x = next;
  }
  return false;
}

}  // namespace

void CalcMenegottoPintoParams(double Et, double E0, double Esec, double eps_t, double eps_r, double sig_r, double R,
                              double c, double* sigma0, double* b) {
  auto g = [&](double x) { return CalcGeomSeriesResidual(x, E0, Et, Esec, R); };
  // g is a modulus: its tolerances hold while E0 is at most 1e6 units (a steel in MPa) and
  // take the same share of larger moduli (Pa), which the rounding of g never gets below.
  const double scale = std::fmax(1.0, std::fabs(E0) / 1e6);
  double x = 1e-8;
  bool bracketed = g(0.01) * g(0.99) <= 0.0;
  double lo = 0.01, hi = 0.99;
  for (double xlo = 0.01; !bracketed;) {
    const double xhi = 1.0 - xlo;
    if (xhi >= 0.9995) break;
    xlo -= 0.0001;
    if (g(xlo) * g(xhi) <= 0.0) {
      bracketed = true;
      lo = xlo;
      hi = xhi;
    }
  }
  if (bracketed) {
    // No root found in 100 passes: the secant line through reversal and target.
    if (!NewtonInBracket(g, lo, hi, std::fabs(c / R), 1e-6 * scale, &x)) x = 1e-8;
  } else {
    const double e = g(1e-8) <= g(0.99999999) ? 1e-8 : 1.0;
    x = e / 2.0;
    for (int pass = 0; pass < 500; pass++) {
      const double gx = g(x);
      x = (x + e) / 2.0;
      if (std::fabs(gx) <= 1e-8 * scale) break;
    }
    // Run up to 1 the fit would divide by zero: the secant line instead.
    if (x >= 1.0) x = 1e-8;
  }
  *b = (Esec / E0 - x) / (1.0 - x);
  *sigma0 = sig_r + E0 * (eps_t - eps_r) * x / std::pow(1.0 - std::pow(x, R), 1.0 / R);
}
