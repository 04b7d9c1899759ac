// Concrete fibres _NLMM298 and _NLMM299. Values of the records (file order): 3 the
// initial modulus E, 4 the tensile strength f_t; _NLMM298: 6 the crushing strain
// eps_cu (magnitude), 7 and 8 the coefficient a and exponent b of the compression law
// E eps + a |eps|^b; _NLMM299: 5 the compressive strength f_c, 6 the strain at peak
// stress eps_c1, 7 the ultimate strain eps_cu (magnitude).
#include <cmath>

#include "materials/uniaxial/concrete.h"
#include "materials/uniaxial/uniaxial_law.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

// Below this the secant modulus is taken as the initial one.
constexpr double kTinyStrain = 1e-8;

struct Concrete299 {
  double E, ft, fc, ec1, ecu, k;
};

Concrete299 ParamsOf299(const MaterialRecord& m) {
  Concrete299 c{MatValue(m, 3), MatValue(m, 4), MatValue(m, 5), MatValue(m, 6), MatValue(m, 7), 0.0};
  c.k = 1.05 * c.E * c.ec1 / c.fc;
  return c;
}

// The state of the call, and the most compressive strain with its stress.
template <typename R>
double Store(R& r, double eps, double s, double tangent) {
  r.Strain = eps;
  r.Stress = s;
  if (eps < r.MinStrain) {
    r.MinStrain = eps;
    r.StressAtMin = s;
  }
  r.Tangent = tangent;
  return s;
}

}  // namespace

double CalcStress_NLMM298(const MaterialRecord& m, NLMM298_HD& r, double eps) {
  const double E = MatValue(m, 3), ft = MatValue(m, 4), ecu = MatValue(m, 6), a = MatValue(m, 7),
               b = MatValue(m, 8);
  double s, tangent;
  if (eps >= 0.0) {
    s = E * eps;
    tangent = E;
    if (ft < E * eps || r.Cracked != 0) {
      // Cracking is permanent.
      r.Cracked = 1;
      s = 0.0;
      tangent = 0.01 * E;
    }
  } else if (eps < r.MinStrain || r.Crushed != 0) {
    const double x = -eps;
    if (x <= ecu) {
      s = E * eps + a * std::pow(x, b);
      tangent = E - a * b * std::pow(x, b - 1.0);
    } else {
      r.Crushed = 1;
      s = 0.0;
      tangent = 0.01 * E;
    }
  } else if (std::fabs(r.MinStrain) < kTinyStrain) {
    // A fibre that has only seen strains of this order: the secant is the initial slope.
    s = E * eps;
    tangent = E;
  } else {
    tangent = r.StressAtMin / r.MinStrain;
    s = tangent * eps;
  }
  return Store(r, eps, s, tangent);
}

double CalcStress_NLMM299(const MaterialRecord& m, NLMM299_HD& r, double eps) {
  const Concrete299 c = ParamsOf299(m);
  double s, tangent;
  if (eps >= 0.0) {
    s = c.E * eps;
    tangent = c.E;
    if (c.ft < c.E * eps) {
      s = 0.0;
      tangent = 0.01 * c.E;
    }
  } else if (eps < r.MinStrain) {
    const double x = -eps;
    if (x <= c.ecu) {
      const double eta = x / c.ec1;
      s = -c.fc * (c.k * eta - eta * eta) / (1.0 + (c.k - 2.0) * eta);
      tangent = c.E;  // the initial modulus, a stable tangent on the whole envelope
    } else {
      s = 0.0;
      tangent = 0.01 * c.E;
    }
  } else if (-r.MinStrain <= c.ecu) {
    tangent = r.StressAtMin / r.MinStrain;
    s = tangent * eps;
  } else {
    s = 0.0;
    tangent = 0.01 * c.E;
  }
  return Store(r, eps, s, tangent);
}

void CheckParameters_NLMM299(const MaterialRecord& m, const char* block, int record) {
  const Concrete299 c = ParamsOf299(m);
  if (!(c.fc >= kTinyStrain))
    DataFault(nullptr, block, record, "The compressive strength must be positive (at least 1e-8): %g.", c.fc);
  if (!(c.ec1 >= kTinyStrain))
    DataFault(nullptr, block, record, "The strain at peak stress must be a positive magnitude (at least 1e-8): %g.",
              c.ec1);
  if (!(std::fabs(c.k - 2.0) >= 1e-8))
    DataFault(nullptr, block, record,
              "The curve parameter k = 1.05 E eps_c1 / f_c must differ from 2: %g.", c.k);
  // Below k = 2 the denominator 1 + (k - 2) eta vanishes at eta = 1 / (2 - k).
  if (c.k < 2.0 && !(1.0 + (c.k - 2.0) * c.ecu / c.ec1 > 0.0))
    DataFault(nullptr, block, record,
              "The curve parameter k = 1.05 E eps_c1 / f_c = %g makes the curve infinite before the ultimate "
              "strain %g.",
              c.k, c.ecu);
}

namespace {

template <typename R, double (*Law)(const MaterialRecord&, R&, double)>
UniaxialPoint UpdateFibre(const PointContext&, const MaterialRecord& m, R& r, double eps) {
  const double stress = Law(m, r, eps);
  return {stress, r.Tangent};
}

}  // namespace

const UniaxialLaw kUniaxial298 =
    UniaxialLawRow<NLMM298_HD, FieldStrain, UpdateFibre<NLMM298_HD, CalcStress_NLMM298>, FieldTangent>(
        MAT_NLMM298, kTangentStored, 0.05);
const UniaxialLaw kUniaxial299 =
    UniaxialLawRow<NLMM299_HD, FieldStrain, UpdateFibre<NLMM299_HD, CalcStress_NLMM299>, FieldTangent>(
        MAT_NLMM299, kTangentStored, 0.05);
