// Parameters of the frictional plasticity: the record, its check, and the cohesion and
// friction angle laws of kappa.
#include "materials/plasticity/frictional_parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Exponential and Gaussian decay of x0 towards x1 with the parameter k.
KappaFunction Law(int law, double x0, double x1, double k, double kappa) {
  switch (law) {
    case kLawConstant: return {x0, 0.0, 0.0};
    case kLawExponential: {
      const double e = std::exp(-kappa / k);
      return {x1 + (x0 - x1) * e, -(x0 - x1) * e / k, (x0 - x1) * e / (k * k)};
    }
    case kLawGaussian: {
      const double t = kappa / k, e = std::exp(-t * t);
      return {x1 + (x0 - x1) * e, -(2.0 * kappa / (k * k)) * (x0 - x1) * e,
              (2.0 * t * t - 1.0) * (2.0 / (k * k)) * (x0 - x1) * e};
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

Nlmm124Material Nlmm124Parameters(const MaterialRecord& m) {
  Nlmm124Material p;
  p.nu = MatValue(m, 3);
  p.E = MatValue(m, 4);
  p.criterion = MatInt(m, 5);
  p.cohesionLaw = MatInt(m, 6);
  p.c0 = MatValue(m, 7);
  p.kappaC = MatValue(m, 8);
  p.frictionLaw = MatInt(m, 9);
  p.phi0 = MatValue(m, 10);
  p.phi1 = MatValue(m, 11);
  p.kappaPhi = MatValue(m, 12);
  return p;
}

void CheckParameters_NLMM124(const MaterialRecord& m, const char* block, int record) {
  const Nlmm124Material p = Nlmm124Parameters(m);
  const struct {
    const char* name;
    int code;
  } codes[] = {{"yield criterion", p.criterion}, {"cohesion law", p.cohesionLaw}, {"friction angle law", p.frictionLaw}};
  for (const auto& c : codes)
    if (c.code < 1 || c.code > 3) DataFault(nullptr, block, record, "Invalid %s: %d (valid: 1 to 3).", c.name, c.code);
  if (!(p.c0 > 0.0)) DataFault(nullptr, block, record, "The initial cohesion must be positive: %g.", p.c0);
  if (!(p.E > 0.0)) DataFault(nullptr, block, record, "The modulus of elasticity must be positive: %g.", p.E);
  // The elastic strain of the strength is of the order 1e-3 in any units (a cohesion far
  // above E is a law kept elastic).
  if (!(p.c0 / p.E >= 1e-6))
    DataFault(nullptr, block, record,
              "The initial cohesion over the modulus of elasticity must be at least 1e-6: %g\n(c0 = %g, E = %g).",
              p.c0 / p.E, p.c0, p.E);
  if (p.cohesionLaw != kLawConstant && !(p.kappaC > 0.0))
    DataFault(nullptr, block, record, "The cohesion parameter must be positive: %g.", p.kappaC);
  if (p.frictionLaw != kLawConstant && !(p.kappaPhi > 0.0))
    DataFault(nullptr, block, record, "The friction angle parameter must be positive: %g.", p.kappaPhi);
  for (double phi : {p.phi0, p.phi1})
    if (!(phi >= 0.0 && phi < kPi / 2.0))
      DataFault(nullptr, block, record, "The friction angle must lie in [0, pi/2) radians: %g.", phi);
}

KappaFunction CalcCohesionFunc_NLMM124(const Nlmm124Material& p, double kappa) {
  const KappaFunction c = Law(p.cohesionLaw, p.c0, 0.0, p.kappaC, kappa);
  if (c.f > p.c0) {
    std::fflush(stdout);
    std::fprintf(stderr, "kNLMM124 = %5d\n", p.cohesionLaw);
    std::fprintf(stderr, "fHardParam = %30.15lf\n", kappa);
    std::fprintf(stderr, "f_Cohesion_Init = %30.15lf\n", p.c0);
    std::fprintf(stderr, "f_CohesionParam = %30.15lf\n", p.kappaC);
    std::fprintf(stderr, "fCohesionFunc        = %30.22lf\n", c.f);
    std::fprintf(stderr, "fDerivCohesionFunc        = %30.22lf\n", c.df);
    std::fprintf(stderr, "fDeriv2CohesionFunc        = %30.22lf\n", c.d2f);
    InternalError(__FILE__, __LINE__);
  }
  return c;
}

KappaFunction CalcFricAngleFunc_NLMM124(const Nlmm124Material& p, double kappa) {
  const KappaFunction f = Law(p.frictionLaw, p.phi0, p.phi1, p.kappaPhi, kappa);
  if (f.f > std::max(p.phi0, p.phi1)) InternalError(__FILE__, __LINE__);
  return f;
}
