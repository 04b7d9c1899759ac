// Cyclic concrete of beam fibres _NLMM220, compression only: an envelope of type 1
// (parabola, then a straight line to a last strain) or type 2 (linear start, then two
// transition curves through the peak to an end point), unloading to a plastic strain
// (rule 3), reloading to the envelope (rule 7) or, after a partial unloading, to a
// return point shortened in proportion (rule 71). A tensile strain carries no stress
// once the fibre has been compressed.
// Record values: the places NLMM220_HD::Field, those of _NLMM210 that a compression-only
// law keeps and the point where rule 71 was left.
#include <cmath>

#include "materials/material_slots.h"
#include "materials/uniaxial/concrete_cyclic.h"
#include "materials/uniaxial/uniaxial_law.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

using enum NLMM220_HD::Field;

constexpr double kStrainLimit = 0.232;

struct Res {
  double s, t;
};

struct Concrete220 {
  int type;
  double E, ec, fc, tPeak, tEnd, eEnd, sEnd, rho, er, fcm;
  double Ec;  // unloading modulus 21500 (f_cm / 10)^0.33
};

Concrete220 Concrete220Of(const MaterialRecord& m) {
  auto at = [&](int slot) { return MatSlotValue(m, MAT_NLMM220, slot); };
  Concrete220 c{MatSlotInt(m, MAT_NLMM220, 64, 1), at(67), at(68), at(69), at(70), at(71), at(72), at(73), at(74),
                at(75), at(76), 0.0};
  c.Ec = 21500.0 * std::pow(c.fcm / 10.0, 0.33);
  return c;
}

Res Curve(double EF, double E0, double epsF, double eps0, double sF, double s0, double eps) {
  Res x;
  CalcTransitionCurve_NLMM220(EF, E0, epsF, eps0, sF, s0, eps, &x.s, &x.t);
  return x;
}

Res Envelope(const Concrete220& c, double eps) {
  switch (c.type) {
    case 1: {
      // Below zero strain the parabola would give tension: no stress there.
      if (eps < 0.0) return {0.0, 0.0};
      const double eb = c.ec * (5.3591 * c.rho + 1.6049);
      const double s = ((0.7299 * c.rho + 1.3389) * c.fc - c.fc) / eb;
      const double ea = 2.0 * c.fc / (c.E - s);
      if (eps <= ea)
        return {c.E * eps - (c.E - s) * (c.E - s) * eps * eps / (4.0 * c.fc),
                c.E - (c.E - s) * (c.E - s) * eps / (2.0 * c.fc)};
      if (eps <= eb) return {c.fc + s * eps, s};
      return {0.0, 0.0};
    }
    case 2: {
      const double e0 = 0.2 * c.ec;
      if (eps <= e0) return {c.E * eps, c.E};
      Res x;
      if (eps <= c.ec)
        CalcTransitionCurve_NLMM210(c.tPeak, c.E, c.ec, e0, c.fc, e0 * c.E, eps, &x.s, &x.t);
      else
        CalcTransitionCurve_NLMM210(c.tEnd, c.tPeak, c.eEnd, c.ec, c.sEnd, c.fc, eps, &x.s, &x.t);
      return x;
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

Res Finite(Res x, int line) {
  if (!std::isfinite(x.s) || !std::isfinite(x.t)) InternalError(__FILE__, line);
  return x;
}

class Law {
 public:
  Law(const PointContext& at, const MaterialRecord& m, const Concrete220& c, NLMM220_HD* r)
      : at_(at), m_(m), c_(c), r_(r) {}
  double Call(double eps, double* tangent);

 private:
  double& v(int k) { return r_->Value[k]; }
  void SetPoint(int k, double e, double s) {
    v(k) = e;
    v(k + 1) = s;
  }
  void SetPrevious(int k) { SetPoint(k, v(kPrevStrain), v(kPrevStress)); }
  UnloadParams Unload() { return CalcUnloadParamsComp_NLMM220(m_, v(kUnC), v(kUnC + 1)); }
  // Share of the unloading branch the fibre had gone down before reloading in rule 71.
  double Depth71(const UnloadParams& u) {
    const double gap = v(kUnC) - u.epl;
    return gap == 0.0 ? 1.0 : (v(kUnC) - v(kRev71)) / gap;
  }
  Res Run(int rule, double eps);
  Res Goto(int rule, double eps) {
    r_->RuleNumber = rule;
    return Run(rule, eps);
  }
  void UpdateReversalPoints(int rule);

  Res Rule1(double eps);
  Res Rule3(double eps);
  Res Rule7(double eps);
  Res Rule71(double eps);

  const PointContext& at_;
  const MaterialRecord& m_;
  const Concrete220& c_;
  NLMM220_HD* r_;
};

Res Law::Run(int rule, double eps) {
  switch (rule) {
    case 1: return Finite(Rule1(eps), __LINE__);
    case 3: return Finite(Rule3(eps), __LINE__);
    case 7: return Finite(Rule7(eps), __LINE__);
    case 71: return Finite(Rule71(eps), __LINE__);
    default: InternalError(__FILE__, __LINE__);
  }
}

Res Law::Rule1(double eps) {
  SetPoint(kExit71, 0.0, 0.0);
  return Envelope(c_, eps);
}

Res Law::Rule3(double eps) {
  const UnloadParams u = Unload();
  const double erev = v(kLastRev), srev = v(kLastRev + 1);
  if (eps > erev) InternalError(__FILE__, __LINE__);
  if (eps >= u.epl && erev > u.epl) return Curve(u.Epl, c_.Ec, u.epl, erev, 0.0, srev, eps);
  return {0.0, 0.0};
}

// Reloading from the unloading strain (stress s_new, slope E_new) to the envelope at the
// return strain with the envelope's slope.
Res Law::Rule7(double eps) {
  const UnloadParams u = Unload();
  const double eun = v(kUnC);
  if (eps <= eun) InternalError(__FILE__, __LINE__);
  if (eps <= u.ere) {
    const Res env = Envelope(c_, u.ere);
    return Curve(env.t, u.Enew, u.ere, eun, env.s, u.snew, eps);
  }
  return Goto(1, eps);
}

// From the reversal point with slope Ec to the unloading strain, its stress lowered by
// the share k of ds, with the reloading secant E_new; then on to the envelope at the
// return strain shortened by k, with the envelope's slope.
Res Law::Rule71(double eps) {
  const UnloadParams u = Unload();
  const double eun = v(kUnC), sun = v(kUnC + 1), e71 = v(kRev71), s71 = v(kRev71 + 1);
  const double k = Depth71(u);
  const double snew = sun - u.ds * k, ere = eun + 0.1992 * eun * k;
  if (eps <= e71) InternalError(__FILE__, __LINE__);
  if (eps <= eun) return Curve(u.Enew, c_.Ec, eun, e71, snew, s71, eps);
  if (eps <= ere) {
    const Res env = Envelope(c_, ere);
    return Curve(env.t, u.Enew, ere, eun, env.s, snew, eps);
  }
  return Goto(1, eps);
}

// The next unloading starts further along the envelope: from rule 7 by the share of the
// reloading run, from rule 71 by the square of the share of the stress regained.
void Law::UpdateReversalPoints(int rule) {
  const double ep = v(kPrevStrain), eun = v(kUnC);
  double e = eun;
  if (rule == 7) {
    // The tension unloading strain of the reloading share is 0: this law never leaves
    // compression for a tension envelope.
    e = eun + std::fabs(0.1992 * eun * (0.0 - ep) / (0.0 - 1.1992 * eun));
  } else {
    const UnloadParams u = Unload();
    const double ere = eun + 0.1992 * eun * Depth71(u);
    const double s71 = v(kRev71 + 1), gap = Envelope(c_, ere).s - s71;
    double q = gap == 0.0 ? 1.0 : (v(kPrevStress) - s71) / gap;
    q = q < 0.0 ? 0.0 : (q > 1.0 ? 1.0 : q);
    e = eun + q * q * (ere - eun);
  }
  const Res env = Envelope(c_, e);
  if (!std::isfinite(e) || !std::isfinite(env.s)) InternalError(__FILE__, __LINE__);
  SetPoint(kUnC, e, env.s);
}

// The dispatcher's table, as that of _NLMM210; leaving rule 71 also marks its exit point.
const ReversalRow kReversals[] = {
    {1, +1, 3, false, 0, {kUnC, kLastRev}},
    {3, -1, 71, false, 0, {kRev71, 0}},
    {7, +1, 3, true, 0, {kLastRev, 0}},
    {71, +1, 3, true, 0, {kLastRev, kExit71}},
};

double Law::Call(double eps, double* tangent) {
  v(kPrevStrain) = -v(kStrain);
  v(kPrevStress) = -v(kStress);
  const double ep = v(kPrevStrain), d = eps - ep;
  const int rule = r_->RuleNumber;
  Res x{0.0, 0.0};
  if (rule != 0) {
    const ReversalRow& row = FindReversalRow(kReversals, rule);
    // A fibre not yet compressed stays on its envelope in tension.
    if ((row.direction > 0 ? d >= 0.0 : d <= 0.0) || (rule == 1 && ep <= 0.0)) {
      x = Run(rule, eps);
    } else {
      if (row.update) UpdateReversalPoints(rule);
      for (int p : row.points)
        if (p != 0) SetPrevious(p);
      x = Goto(row.next, eps);
    }
  }
  v(kTan) = x.t;
  v(kStrain) = -eps;
  v(kStress) = -x.s;
  if (eps < -kStrainLimit || eps > kStrainLimit) CyclicConcreteStrainLimit(at_, "_NLMM220");
  *tangent = x.t;
  return x.s;
}

}  // namespace

UnloadParams CalcUnloadParamsComp_NLMM220(const MaterialRecord& m, double eun, double sun) {
  const Concrete220 c = Concrete220Of(m);
  const double ecc = (800.0 * c.rho + 6.0) * c.er;
  UnloadParams p;
  p.Esec = eun <= 0.0048 * ecc ? c.Ec : 0.31 * c.Ec * std::pow(eun / ecc, -0.22);
  p.Epl = 0.1 * c.Ec * std::exp(-2.0 * std::fabs(eun / c.er));
  p.ds = 0.14 * sun * std::pow(std::fabs(eun / ecc), 0.15);
  p.de = 0.1992 * eun;
  p.epl = eun - sun / p.Esec;
  p.snew = sun - p.ds;
  // A point of no stress unloads nowhere: no reloading secant.
  const double gap = eun - p.epl;
  p.Enew = gap > -1e-20 && gap < 1e-20 ? 0.0 : p.snew / gap;
  p.ere = eun + p.de;
  return p;
}

void CalcStress_NLMM220(const PointContext& at, const MaterialRecord& m, NLMM220_HD& r, double eps, double* stress,
                        double* tangent) {
  const Concrete220 c = Concrete220Of(m);
  Law law(at, m, c, &r);
  *stress = -law.Call(-eps, tangent);
}

void CheckParameters_NLMM220(const MaterialRecord& m, const char* block, int record) {
  const Concrete220 c = Concrete220Of(m);
  if (c.type != 1 && c.type != 2)
    DataFault(nullptr, block, record, "The envelope type must be 1 or 2: %d.", c.type);
  if (!(c.E > 0.0) || !(c.ec > 0.0) || !(c.fc > 0.0))
    DataFault(nullptr, block, record,
              "The initial modulus (%g), the strain at peak stress (%g) and the peak stress (%g) must be positive.",
              c.E, c.ec, c.fc);
  if (!(c.fcm > 0.0) || !(c.er > 0.0))
    DataFault(nullptr, block, record,
              "The mean compressive strength (%g) and the reference strain (%g) of the unloading branch must be "
              "positive.",
              c.fcm, c.er);
  // The unloading modulus 21500 (f_cm / 10)^0.33 is in MPa: a strength in Pa or kPa would
  // unload on a modulus a thousand times off.
  if (!(c.fcm <= 1000.0))
    DataFault(nullptr, block, record,
              "The mean compressive strength %g is out of range: the unloading branch takes f_cm in MPa\n"
              "(at most 1000).",
              c.fcm);
}

const UniaxialLaw kUniaxial220 =
    UniaxialLawRow<NLMM220_HD, ValueStrain, PointOfLaw<NLMM220_HD, CalcStress_NLMM220>, ValueTangent>(
        MAT_NLMM220, kTangentStored, 0.1);
