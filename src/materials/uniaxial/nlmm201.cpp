// Monotonic steel _NLMM201: a piecewise envelope (elastic, yield, power-law hardening,
// fracture) about a movable origin, straight elastic unloading, and after a second
// reversal the straight line between the two last reversal points.
#include <cmath>

#include "materials/uniaxial/steel.h"
#include "materials/uniaxial/uniaxial_law.h"
#include "numcore/numcore.h"

namespace {

struct Steel201 {
  double ey, fy, esh, fsh, eu, fu, p, E;
};

Steel201 ParamsOf(const MaterialRecord& m) {
  Steel201 s{MatValue(m, 3), MatValue(m, 4), MatValue(m, 5), MatValue(m, 6), MatValue(m, 7), MatValue(m, 8),
             MatValue(m, 9), 0.0};
  s.E = s.fy / s.ey;
  return s;
}

// Branch of the envelope range of the magnitude x: 1 elastic, 2 yield, 3 hardening, 6 past eps_u.
int RangeOf(const Steel201& s, double x) {
  if (x <= s.ey) return 1;
  if (x <= s.esh) return 2;
  if (x <= s.eu) return 3;
  return 6;
}

// A stress counts as tensile from this share of the yield stress on (below it: rounding of
// a line through zero), in any units.
constexpr double kZeroStressShare = 1e-10;
bool Tensile(const Steel201& s, double stress) { return stress >= kZeroStressShare * s.fy; }

int EnvelopeStatus(const Steel201& s, double stress) { return Tensile(s, stress) ? 1 : 5; }

// On a straight line: unloading (towards zero stress) or reloading (away from it).
int LineStatus(const Steel201& s, double stress, double eps, double last) {
  const bool away = Tensile(s, stress) ? eps > last : eps < last;
  if (Tensile(s, stress)) return away ? 3 : 2;
  return away ? 7 : 6;
}

void Fracture(NLMM201_HD& r, double e) {
  r.Branch = 6;
  r.Stress = 0.0;
  r.Status = e < 1e-8 ? 8 : 4;
}

// The envelope about the record's origin at eps (branch by the range of |e|).
void OnEnvelope(const MaterialRecord& m, const Steel201& s, NLMM201_HD& r, double eps) {
  const double e = eps - r.Origin;
  const int range = RangeOf(s, std::fabs(e));
  if (range == 6) return Fracture(r, e);
  const double v = CalcStressLoad_NLMM201(m, std::fabs(e));
  r.Stress = e <= 1e-8 ? -v : v;
  r.Branch = range;
  r.Status = EnvelopeStatus(s, r.Stress);
}

// Elastic line of slope E through A, down to zero stress at e0; past e0 the envelope is
// measured from e0 (the elastic part of which is the same line).
void ElasticLine(const MaterialRecord& m, const Steel201& s, NLMM201_HD& r, double eps, double last) {
  const double side = Tensile(s, r.AStress) ? 1.0 : -1.0;
  const double x = side * eps, a = side * r.AStrain, z = side * r.E0;
  if (x > a) {
    // Beyond A: back onto the envelope of A's side.
    r.Origin = r.SavedOrigin1;
    OnEnvelope(m, s, r, eps);
    return;
  }
  if (x >= z) {
    r.Branch = 4;
    r.Stress = r.AStress + s.E * (eps - r.AStrain);
    r.Status = LineStatus(s, r.Stress, eps, last);
    return;
  }
  r.Origin = r.E0;
  OnEnvelope(m, s, r, eps);
  if (r.Branch == 1) {
    r.Branch = 4;
    r.Status = LineStatus(s, r.Stress, eps, last);
  } else if (r.Branch == 2 || r.Branch == 3) {
    r.BStrain = r.AStrain;
    r.BStress = r.AStress;
    r.SecondReversal = 1;
  }
}

// Straight line through B and A; past either end the envelope of that side.
void LineBA(const MaterialRecord& m, const Steel201& s, NLMM201_HD& r, double eps, double last) {
  if (r.BStrain == r.AStrain) InternalError(__FILE__, __LINE__);
  const double k = (r.BStress - r.AStress) / (r.BStrain - r.AStrain);
  const double side = Tensile(s, r.AStress) ? 1.0 : -1.0;
  if (side * eps > side * r.AStrain) {
    // Past A: the envelope of A's side; B becomes the reversal point to remember.
    r.Origin = r.SavedOrigin1;
    r.SavedOrigin1 = r.SavedOrigin2;
    r.AStrain = r.BStrain;
    r.AStress = r.BStress;
    OnEnvelope(m, s, r, eps);
    return;
  }
  if (side * eps < side * r.BStrain) {
    r.Origin = r.SavedOrigin2;
    OnEnvelope(m, s, r, eps);
    return;
  }
  r.Branch = 5;
  r.Stress = k * eps + (r.BStress - k * r.BStrain);
  r.Status = LineStatus(s, r.Stress, eps, last);
}

}  // namespace

double CalcStressLoad_NLMM201(const MaterialRecord& m, double x) {
  const Steel201 s = ParamsOf(m);
  if (x < 0.0 && x > -s.ey) InternalError(__FILE__, __LINE__);
  if (x <= s.ey) return x * s.fy / s.ey;
  if (x <= s.esh) {
    if (s.esh - s.ey < 1e-8) return s.fsh;
    return s.fsh + (x - s.esh) * (s.fsh - s.fy) / (s.esh - s.ey);
  }
  if (x <= s.eu) {
    if (s.eu - s.esh < 1e-8) return s.fu;
    return s.fu + (s.fsh - s.fu) * std::pow((s.eu - x) / (s.eu - s.esh), s.p);
  }
  if (x > s.eu) return 0.0;
  InternalError(__FILE__, __LINE__);  // not a number
}

double CalcStress_NLMM201(const MaterialRecord& m, NLMM201_HD& r, double eps) {
  const Steel201 s = ParamsOf(m);
  const double last = r.Strain;
  const double lastStress = r.Stress;
  const double e = eps - r.Origin, eLast = last - r.Origin;
  const bool loading = !(e * eLast < 0.0) && std::fabs(e) >= std::fabs(eLast);
  switch (r.Branch) {
    case 1:
      OnEnvelope(m, s, r, eps);
      if (!loading && r.Branch == 1 && r.Stress * lastStress >= kZeroStressShare * s.fy * (kZeroStressShare * s.fy))
        r.Status = Tensile(s, r.Stress) ? 2 : 6;
      break;
    case 2:
    case 3:
      if (loading) {
        OnEnvelope(m, s, r, eps);
        break;
      }
      // Reversal at the last point.
      if (r.SecondReversal == 0) {
        r.AStrain = last;
        r.AStress = lastStress;
        r.E0 = r.AStrain - r.AStress / s.E;
        r.SavedOrigin1 = r.Origin;
        ElasticLine(m, s, r, eps, last);
      } else {
        r.BStrain = r.AStrain;
        r.BStress = r.AStress;
        r.AStrain = last;
        r.AStress = lastStress;
        r.SavedOrigin2 = r.SavedOrigin1;
        r.SavedOrigin1 = r.Origin;
        LineBA(m, s, r, eps, last);
      }
      break;
    case 4: ElasticLine(m, s, r, eps, last); break;
    case 5: LineBA(m, s, r, eps, last); break;
    case 6: r.Stress = 0.0; break;
    default: InternalError(__FILE__, __LINE__);
  }
  r.Strain = eps;
  return r.Stress;
}

double CalcMat_D_NLMM201(const MaterialRecord& m, const NLMM201_HD& r) {
  const Steel201 s = ParamsOf(m);
  switch (r.Branch) {
    case 1:
    case 4: return s.E;
    case 2: return s.esh - s.ey < 1e-8 ? s.E : (s.fsh - s.fy) / (s.esh - s.ey);
    case 3: {
      const double L = s.eu - s.esh < 1e-8 ? 1e-8 : s.eu - s.esh;
      const double x = std::fabs(r.Strain - r.Origin);
      return -(s.fsh - s.fu) * s.p * std::pow((s.eu - x) / L, s.p - 1.0) / L;
    }
    case 5:
      // Reversal strains closer than 1e-8: the elastic modulus.
      if (std::fabs(r.BStrain - r.AStrain) < 1e-8) return s.E;
      return (r.BStress - r.AStress) / (r.BStrain - r.AStrain);
    case 6: return 0.0;
    default: InternalError(__FILE__, __LINE__);
  }
}

namespace {

UniaxialPoint Update201(const PointContext&, const MaterialRecord& m, NLMM201_HD& r, double eps) {
  const double stress = CalcStress_NLMM201(m, r, eps);
  return {stress, CalcMat_D_NLMM201(m, r)};
}

}  // namespace

// The branch gives the tangent exactly: no policy tempers it.
const UniaxialLaw kUniaxial201 =
    UniaxialLawRow<NLMM201_HD, FieldStrain, Update201, CalcMat_D_NLMM201>(MAT_NLMM201, kTangentOfBranch, 0.0);
