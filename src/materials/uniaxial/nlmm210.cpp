// Cyclic concrete of beam fibres _NLMM210. The fibre loads along a compression envelope
// (crushing, then spalling beyond a critical strain) and a tension envelope (cracking),
// leaves them on unloading branches to a plastic strain, and reloads along transition
// curves that aim at degraded points of the envelope. The branch is a rule number kept
// in the record with the reversal and unloading points it needs:
//   1 compression envelope, 2 tension envelope, 3 unloading from compression, 4 from
//   tension, 5 spalled, 6 cracked, 7 reloading to compression, 8 reloading in tension,
//   9 into tension after compression, 10 back to compression after tension, 11 and 12
//   partial loops between 9 and 10, 13 closing a crack, 14 and 15 partial loops of 13,
//   71 and 81 partial reloading after unloading from compression and from tension.
// Record values: the places NLMM210_HD::Field (tangent, last and previous points, the
// tension shift, the unloading and reversal points of the rules).
// The plane layer _NLMM211 runs the same rules on each principal direction with its own
// envelopes (a curve to the peak, trilinear softening never shifted), its unloading
// constants and its reversals out of the envelopes, and no rules 11 and 12.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "materials/material_slots.h"
#include "materials/uniaxial/concrete_cyclic.h"
#include "materials/uniaxial/uniaxial_law.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

using enum NLMM210_HD::Field;

constexpr double kStrainLimit = 0.232;

struct Res {
  double s, t;
};

// Tension envelope of the shift `shift` at eps; beyond its softening line the fibre is
// cracked (stress and tangent 0).
Res TensionEnvelope(const Concrete210& c, double shift, double eps, bool* cracked) {
  *cracked = false;
  const double e = eps - shift;
  if (std::fabs(e) < c.thrT || e >= 0.0) return {c.Ec * e, c.Ec};
  const double x = std::fabs(e / c.et), xk = std::fabs((c.ecrk - shift) / c.et);
  if (x < xk) return {c.ft * CalcEnvelopeY_NLMM211(c.nT, c.r, x), c.Ec * CalcEnvelopeZ_NLMM211(c.nT, c.r, x)};
  const double yk = CalcEnvelopeY_NLMM211(c.nT, c.r, xk), zk = CalcEnvelopeZ_NLMM211(c.nT, c.r, xk);
  if (x <= xk - yk / (c.nT * zk)) return {c.ft * (c.nT * zk * (x - xk) + yk), c.Ec * zk};
  *cracked = true;
  return {0.0, 0.0};
}

// Strain ratio where the compression envelope's softening line reaches zero stress.
double SpallingRatio(const Concrete210& c) {
  const double xcr = std::fabs(c.ecr / c.ec);
  return xcr - CalcEnvelopeY_NLMM211(c.nC, c.r, xcr) / (c.nC * CalcEnvelopeZ_NLMM211(c.nC, c.r, xcr));
}

Res CompressionEnvelope(const Concrete210& c, double eps, bool* spalled) {
  *spalled = false;
  if (eps < c.thrC) return {c.Ec * eps, c.Ec};
  const double x = std::fabs(eps / c.ec), xcr = std::fabs(c.ecr / c.ec);
  if (x < xcr) return {c.fc * CalcEnvelopeY_NLMM211(c.nC, c.r, x), c.Ec * CalcEnvelopeZ_NLMM211(c.nC, c.r, x)};
  const double ycr = CalcEnvelopeY_NLMM211(c.nC, c.r, xcr), zcr = CalcEnvelopeZ_NLMM211(c.nC, c.r, xcr);
  if (x <= SpallingRatio(c)) return {(c.nC * zcr * (x - xcr) + ycr) * c.fc, zcr * c.Ec};
  *spalled = true;
  return {0.0, 0.0};
}

// ---- the plane layer's envelopes -----------------------------------------------------------

// Compression envelope of a plane direction: the smaller of the elastic line and the
// envelope, replaced between c_lin and eps_c by the transition curve that leaves the line
// with slope Ec and meets the peak flat; past the critical strain the softening line,
// beyond it nothing. A tensile strain takes the first value at |eps| with its sign.
Res CompressionEnvelope211(const Concrete210& c, const Layer211& l, double eps, bool* transition, bool* spalled) {
  *transition = *spalled = false;
  const double a = std::fabs(eps), x = a / std::fabs(c.ec), xcr = std::fabs(c.ecr / c.ec);
  if (x < xcr) {
    const double lin = c.Ec * a, env = c.fc * CalcEnvelopeY_NLMM211(c.nC, c.r, x);
    Res res = lin <= std::fabs(env) ? Res{lin, c.Ec} : Res{env, c.Ec * CalcEnvelopeZ_NLMM211(c.nC, c.r, x)};
    if (eps < 0.0) return {-res.s, res.t};
    if (l.clin <= eps && eps <= c.ec) {
      CalcTransitionCurve_NLMM211(0.0, c.Ec, c.ec, l.clin, c.fc, c.Ec * l.clin, eps, &res.s, &res.t);
      *transition = true;
    } else if (eps < l.clin) {
      res = {c.Ec * eps, c.Ec};
    }
    return res;
  }
  const double ycr = CalcEnvelopeY_NLMM211(c.nC, c.r, xcr), zcr = CalcEnvelopeZ_NLMM211(c.nC, c.r, xcr);
  if (x <= SpallingRatio(c)) return {(c.nC * zcr * (x - xcr) + ycr) * c.fc, zcr * c.Ec};
  *spalled = true;
  return {0.0, 1e-8};
}

// Trilinear tension softening of a plane direction (tension negative): the elastic line
// to the cracking strain, then three straight lines through the break points to the
// ultimate crack strain, beyond it nothing. A compressive strain stays on the line.
Res TensionEnvelope211(const Concrete210& c, const Layer211& l, double eps, bool* cracked) {
  *cracked = false;
  const double e1 = l.xi1 * l.eu, s1 = l.alpha1 * c.ft, e2 = l.xi2 * l.eu, s2 = l.alpha2 * c.ft;
  auto line = [eps](double ea, double sa, double eb, double sb) {
    const double k = (sb - sa) / (eb - ea);
    return Res{sa + k * (eps - ea), k};
  };
  if (eps >= c.et) return {c.Ec * eps, c.Ec};
  if (eps >= e1) return line(c.et, c.ft, e1, s1);
  if (eps >= e2) return line(e1, s1, e2, s2);
  if (eps >= l.eu) return line(e2, s2, l.eu, 0.0);
  *cracked = true;
  return {0.0, 0.0};
}

// The tangent that the envelope rules of a plane direction hand on: the secant, kept
// within (0, Ec]; Ec at zero strain.
Res SecantOfEnvelope(const Concrete210& c, Res x, double eps) {
  if (eps == 0.0) return {x.s, c.Ec};
  double t = x.s / eps;
  if (t > c.Ec) t = c.Ec;
  if (!(t > 0.0)) t = 1e-8;
  return {x.s, t};
}

// Unloading from the tension envelope: secant and slope at the plastic strain, the
// stress on reloading at the unloading strain and the reloading secant.
struct TensionUnload {
  double Esec, Epl, epl, snew, Enew;
};

// A point where a reloading branch meets the tension envelope, with the slope there.
struct EnvelopePoint {
  double e, s, t;
};

class Law {
 public:
  // l: the plane layer's variant (_NLMM211), null for the beam fibre.
  Law(const PointContext& at, const Concrete210& c, NLMM210_HD* r, Layer211* l = nullptr)
      : at_(at), c_(c), r_(r), l_(l) {}

  double Call(double eps, double* tangent);

 private:
  double& v(int k) { return r_->Value[k]; }
  double v(int k) const { return r_->Value[k]; }
  void SetPoint(int k, double e, double s) {
    v(k) = e;
    v(k + 1) = s;
  }
  void SetPrevious(int k) { SetPoint(k, v(kPrevStrain), v(kPrevStress)); }

  Res EnvC(double eps) const {
    bool spalled, transition;
    if (l_ != nullptr) return CompressionEnvelope211(c_, *l_, eps, &transition, &spalled);
    return CompressionEnvelope(c_, eps, &spalled);
  }
  Res EnvT(double eps) const {
    bool cracked;
    if (l_ != nullptr) return TensionEnvelope211(c_, *l_, eps, &cracked);
    return TensionEnvelope(c_, v(kShift), eps, &cracked);
  }
  UnloadParams UnloadC() const {
    if (l_ != nullptr)
      return CompressionUnloadParams(UnloadVariant::kPlane211, c_.Ec, c_.ec, v(kUnC), v(kUnC + 1));
    return CalcUnloadParamsComp_NLMM210(c_, *r_);
  }
  Res Curve(double EF, double E0, double epsF, double eps0, double sF, double s0, double eps) const {
    Res x;
    if (l_ != nullptr)
      CalcTransitionCurve_NLMM211(EF, E0, epsF, eps0, sF, s0, eps, &x.s, &x.t);
    else
      CalcTransitionCurve_NLMM210(EF, E0, epsF, eps0, sF, s0, eps, &x.s, &x.t);
    return x;
  }
  void Branch(int code) {
    if (l_ != nullptr) l_->branch = code;
  }
  Res Reversal211(int rule, double d, double eps, bool* handled);
  TensionUnload UnloadT() const;
  EnvelopePoint ReturnT(double from, double sFrom, double eret) const;
  bool TensionReset(double* eun, double* sun, double* shift) const;
  void StoreTensionReset();
  void UpdateReversalPoints(int rule);
  void WalkBack(int slot, bool compression);

  Res Run(int rule, double eps);
  Res Goto(int rule, double eps) {
    r_->RuleNumber = rule;
    return Run(rule, eps);
  }
  // Rule `rule` at eps on a copy of the record (optionally with another compression
  // unloading stress): the target of a partial loop, the record untouched.
  Res Probe(int rule, double eps, const NLMM210_HD& rec) const {
    NLMM210_HD copy = rec;
    copy.RuleNumber = rule;
    Layer211 layer = l_ != nullptr ? *l_ : Layer211{};
    Law l(at_, c_, &copy, l_ != nullptr ? &layer : nullptr);
    return l.Run(rule, eps);
  }

  Res Rule1(double eps);
  Res Rule2(double eps);
  Res Rule3(double eps);
  Res Rule4(double eps);
  Res Rule5(double eps);
  Res Rule6(double eps);
  Res Rule7(double eps);
  Res Rule8(double eps);
  Res Rule9(double eps);
  Res Rule10(double eps);
  Res Rule11(double eps);
  Res Rule12(double eps);
  Res Rule13(double eps);
  Res Rule14(double eps);
  Res Rule15(double eps);
  Res Rule71(double eps);
  Res Rule81(double eps);

  const PointContext& at_;
  const Concrete210& c_;
  NLMM210_HD* r_;
  Layer211* l_;
};

// A stress or tangent that is not a number stops at the rule that made it.
Res Finite(Res x, int line) {
  if (!std::isfinite(x.s) || !std::isfinite(x.t)) InternalError(__FILE__, line);
  return x;
}

Res Law::Run(int rule, double eps) {
  switch (rule) {
    case 1: return Finite(Rule1(eps), __LINE__);
    case 2: return Finite(Rule2(eps), __LINE__);
    case 3: return Finite(Rule3(eps), __LINE__);
    case 4: return Finite(Rule4(eps), __LINE__);
    case 5: return Finite(Rule5(eps), __LINE__);
    case 6: return Finite(Rule6(eps), __LINE__);
    case 7: return Finite(Rule7(eps), __LINE__);
    case 8: return Finite(Rule8(eps), __LINE__);
    case 9: return Finite(Rule9(eps), __LINE__);
    case 10: return Finite(Rule10(eps), __LINE__);
    // The plane layer has no partial loops between rules 9 and 10.
    case 11: if (l_ != nullptr) InternalError(__FILE__, __LINE__); return Finite(Rule11(eps), __LINE__);
    case 12: if (l_ != nullptr) InternalError(__FILE__, __LINE__); return Finite(Rule12(eps), __LINE__);
    case 13: return Finite(Rule13(eps), __LINE__);
    case 14: return Finite(Rule14(eps), __LINE__);
    case 15: return Finite(Rule15(eps), __LINE__);
    case 71: return Finite(Rule71(eps), __LINE__);
    case 81: return Finite(Rule81(eps), __LINE__);
    default: InternalError(__FILE__, __LINE__);
  }
}

TensionUnload Law::UnloadT() const {
  const double eun = v(kUnT), sun = v(kUnT + 1), x = std::fabs((eun - v(kShift)) / c_.et);
  TensionUnload u;
  u.Esec = c_.Ec * (std::fabs(sun / (c_.Ec * c_.et)) + 0.67) / (x + 0.67);
  u.Epl = c_.Ec / (std::pow(x, 1.1) + 1.0);
  u.epl = eun - sun / u.Esec;
  u.snew = sun - 0.15 * sun;
  const double gap = eun - u.epl;
  u.Enew = gap > -1e-20 && gap < 1e-20 ? 0.0 : u.snew / gap;
  return u;
}

// The tension envelope at eret, moved along the envelope when the secant from
// (from, sFrom) to it is steeper than Ec.
EnvelopePoint Law::ReturnT(double from, double sFrom, double eret) const {
  EnvelopePoint p{eret, EnvT(eret).s, 0.0};
  if ((p.s - sFrom) / (p.e - from) > c_.Ec) {
    if (l_ != nullptr)
      EnvelopeSecantSearch([this](double e) { return EnvT(e).s; }, c_.Ec, from, sFrom, &p.e, &p.s);
    else
      CalcGeneralFunction_NLMM210(c_, *r_, from, sFrom, &p.e, &p.s);
  }
  p.t = EnvT(p.e).t;
  return p;
}

// A tension unloading point closer to the shifted origin than the compression one is
// moved out to the same ratio of the strain at strength, the envelope shifted so that
// it is reached from the compression plastic strain.
bool Law::TensionReset(double* eun, double* sun, double* shift) const {
  // The plane layer's tension envelope never moves.
  if (l_ != nullptr) return false;
  const double xun = std::fabs(v(kUnC) / c_.ec);
  if (!(std::fabs((v(kUnT) - v(kShift)) / c_.et) < xun)) return false;
  const double s = EnvT(v(kShift) + c_.et * xun).s;
  const double Esec = c_.Ec * (std::fabs(s / (c_.Ec * c_.et)) + 0.67) / (xun + 0.67);
  const double z = std::max(0.0, 2.0 * s / (Esec + 0.1 * c_.Ec * std::exp(-2.0 * xun)) + UnloadC().epl - c_.et * xun);
  *eun = c_.et * xun + z;
  *sun = s;
  *shift = z;
  return true;
}

void Law::StoreTensionReset() {
  double eun, sun, shift;
  if (!TensionReset(&eun, &sun, &shift)) return;
  SetPoint(kUnT, eun, sun);
  v(kShift) = shift;
}

// The unloading point walked back along its envelope toward the previous strain, in
// thousandths of their distance, until the secant from the previous point to its
// plastic strain is no steeper than Ec. A plastic strain on the far side of the previous
// strain (a secant of the wrong sign) is steeper than any: unloading from there would
// drop the stress at once.
void Law::WalkBack(int slot, bool compression) {
  const double ep = v(kPrevStrain), sp = v(kPrevStress);
  auto steep = [&] {
    const double gap = ep - (compression ? UnloadC().epl : UnloadT().epl);
    return sp != 0.0 && !(sp * gap > 0.0 && sp / gap <= c_.Ec);
  };
  if (!steep()) return;
  const double h = (ep - v(slot)) / 1000.0;
  for (int i = 0; i < 1000 && steep(); i++) {
    v(slot) += h;
    v(slot + 1) = compression ? EnvC(v(slot)).s : EnvT(v(slot)).s;
  }
}

void Law::UpdateReversalPoints(int rule) {
  const double ep = v(kPrevStrain);
  switch (rule) {
    case 7: {
      const double eun = v(kUnC), de = UnloadC().de, et = v(kUnT);
      const double e = et - std::fabs(0.22 * et * (et - ep) / (et - (eun + de)));
      SetPoint(kUnT, e, EnvT(e).s);
      break;
    }
    case 8: {
      const TensionUnload t = UnloadT();
      const double eunT = v(kUnT);
      const double eret = ReturnT(eunT, t.snew, eunT - std::fabs(0.22 * eunT)).e;
      const double eun = v(kUnC);
      const double e = eun + std::fabs((eun - ep) / (eun - eret) * UnloadC().de);
      SetPoint(kUnC, e, EnvC(e).s);
      const double xun = std::fabs(e / c_.ec);
      if (std::fabs((v(kUnT) - v(kShift)) / c_.et) < xun) {
        const double et = v(kShift) + c_.et * xun;
        SetPoint(kUnT, et, EnvT(et).s);
      }
      break;
    }
    case 71: {
      const UnloadParams u = UnloadC();
      const double eun = v(kUnC), e71 = v(kRev71);
      const double k = (ep + eun - 2.0 * e71) / (ep + eun - 2.0 * u.epl);
      const double e = eun + k * k * ((eun - e71) / (eun - u.epl)) * u.de;
      SetPoint(kUnC, e, EnvC(e).s);
      WalkBack(kUnC, true);
      break;
    }
    case 81: {
      const TensionUnload t = UnloadT();
      const double eun = v(kUnT), e81 = v(kRev81);
      const double k81 = (eun - e81) / (eun - t.epl);
      const double eret = ReturnT(eun, v(kUnT + 1) - 0.15 * v(kUnT + 1) * k81, eun - std::fabs(0.22 * eun * k81)).e;
      const double k = (ep + eun - 2.0 * e81) / (ep + eun - 2.0 * t.epl);
      const double e = eun + k * k * (eret - eun);
      SetPoint(kUnT, e, EnvT(e).s);
      WalkBack(kUnT, false);
      break;
    }
    default: InternalError(__FILE__, __LINE__);
  }
  for (int k = kUnC; k <= kUnT + 1; k++)
    if (!std::isfinite(v(k))) InternalError(__FILE__, __LINE__);
}

Res Law::Rule1(double eps) {
  if (l_ != nullptr) {
    bool transition, spalled;
    const Res x = CompressionEnvelope211(c_, *l_, eps, &transition, &spalled);
    if (transition) l_->peakCurve = true;
    if (spalled && r_->RuleNumber == 1) return Goto(5, eps);
    if (l_->branch >= 1 && l_->branch <= 6) l_->branch = 4;
    return SecantOfEnvelope(c_, x, eps);
  }
  bool spalled;
  const Res x = CompressionEnvelope(c_, eps, &spalled);
  if (spalled && r_->RuleNumber == 1) return Goto(5, eps);
  return x;
}

Res Law::Rule2(double eps) {
  if (l_ != nullptr) {
    if (eps > 0.0) InternalError(__FILE__, __LINE__);
    bool cracked;
    const Res x = TensionEnvelope211(c_, *l_, eps, &cracked);
    // The most tensile point reached stands for the tension unloading point.
    if (eps < v(kUnT)) SetPoint(kUnT, eps, x.s);
    if (cracked) return Goto(6, eps);
    if (eps < c_.et) l_->branch = 2;
    return SecantOfEnvelope(c_, x, eps);
  }
  bool cracked;
  const Res x = TensionEnvelope(c_, v(kShift), eps, &cracked);
  if (cracked) return Goto(6, eps);
  return x;
}

Res Law::Rule3(double eps) {
  const UnloadParams u = UnloadC();
  const double erev = v(kLastRev), srev = v(kLastRev + 1);
  if (erev == 0.0 && u.epl == 0.0) return Goto(2, eps);
  if (eps > erev) InternalError(__FILE__, __LINE__);
  if (eps >= u.epl) return Curve(u.Epl, c_.Ec, u.epl, erev, 0.0, srev, eps);
  return Goto(c_.ecr <= erev ? 6 : 9, eps);
}

Res Law::Rule4(double eps) {
  const TensionUnload t = UnloadT();
  const double erev = v(kLastRev), srev = v(kLastRev + 1);
  if (erev == 0.0 && t.epl == 0.0) return Goto(1, eps);
  if (eps < erev) InternalError(__FILE__, __LINE__);
  if (eps <= t.epl) return Curve(t.Epl, c_.Ec, t.epl, erev, 0.0, srev, eps);
  return Goto(10, eps);
}

Res Law::Rule5(double eps) {
  if (!(std::fabs(eps / c_.ec) > SpallingRatio(c_))) InternalError(__FILE__, __LINE__);
  return {0.0, 0.0};
}

Res Law::Rule6(double eps) {
  if (l_ != nullptr) {
    l_->cracked = 1;
    l_->branch = 6;
    return {0.0, 0.0};
  }
  if (r_->Flag != 0) {
    const double xk = std::fabs((c_.ecrk - v(kShift)) / c_.et);
    const double xsp = xk - CalcEnvelopeY_NLMM211(c_.nT, c_.r, xk) / (c_.nT * CalcEnvelopeZ_NLMM211(c_.nT, c_.r, xk));
    if (std::fabs((eps - v(kShift)) / c_.et) <= xsp) InternalError(__FILE__, __LINE__);
  }
  return {0.0, 0.0};
}

// Reloading from the unloading strain (stress s_new, slope E_new) to the envelope at the
// return strain with the envelope's slope.
Res Law::Rule7(double eps) {
  const UnloadParams u = UnloadC();
  const double eun = v(kUnC);
  if (eps <= eun) InternalError(__FILE__, __LINE__);
  if (eps <= u.ere) {
    Branch(4);
    const Res env = EnvC(u.ere);
    return Curve(env.t, u.Enew, u.ere, eun, env.s, u.snew, eps);
  }
  return Goto(1, eps);
}

// Reloading in tension from the tension unloading point (stress s_new+, slope E_new+)
// to the return point on the tension envelope with the envelope's slope.
Res Law::Rule8(double eps) {
  double eun, sun, shift;
  if (TensionReset(&eun, &sun, &shift) && eps < eun) {
    SetPoint(kUnT, eun, sun);
    v(kShift) = shift;
  }
  const TensionUnload t = UnloadT();
  const double eunT = v(kUnT);
  if (eps > eunT) InternalError(__FILE__, __LINE__);
  const EnvelopePoint p = ReturnT(eunT, t.snew, eunT - std::fabs(0.22 * eunT));
  if (eps >= p.e) return Curve(p.t, t.Enew, p.e, eunT, p.s, t.snew, eps);
  return Goto(2, eps);
}

// Into tension after unloading from compression: from the plastic strain with the
// slope the unloading branch ends with (E_pl) to the tension unloading point (stress
// s_new+) with the reloading secant E_new+ of rule 8, which carries on from there.
Res Law::Rule9(double eps) {
  StoreTensionReset();
  const UnloadParams u = UnloadC();
  if (l_ != nullptr && eps > u.epl) {
    // The plane direction keeps rule 9 whatever the direction of the strain: back past
    // the plastic strain it closes and reloads along the secant E_new to the unloading
    // point, then on rule 7.
    if (eps > v(kUnC)) return Goto(7, eps);
    return {u.Enew * (eps - u.epl), u.Enew};
  }
  if (eps >= u.epl) return {0.0, 0.0};
  const TensionUnload t = UnloadT();
  const double eunT = v(kUnT);
  if (eps >= eunT) return Curve(t.Enew, u.Epl, eunT, u.epl, t.snew, 0.0, eps);
  return Goto(8, eps);
}

// Back toward compression after unloading from tension: from the tension plastic strain
// with the slope the unloading branch ends with (E_pl+) to the compression unloading
// point (stress s_new) with the reloading secant E_new of rule 7, which carries on.
Res Law::Rule10(double eps) {
  const UnloadParams u = UnloadC();
  const TensionUnload t = UnloadT();
  const double eun = v(kUnC);
  if (eps > eun) return Goto(7, eps);
  if (l_ != nullptr && eps < t.epl) {
    // The mirror for the plane direction's rule 10: back past the tension plastic strain
    // it reloads along E_new+ to the tension unloading point, then on rule 8.
    if (eps < v(kUnT)) return Goto(8, eps);
    return {t.Enew * (eps - t.epl), t.Enew};
  }
  if (eps < t.epl) InternalError(__FILE__, __LINE__);
  return Curve(u.Enew, t.Epl, eun, t.epl, u.snew, 0.0, eps);
}

// A reversal inside rule 9 or 12: from the reversal point with slope Ec to the point of
// rule 10 at the same share of its range, with rule 10's slope there.
Res Law::Rule11(double eps) {
  StoreTensionReset();
  const UnloadParams u = UnloadC();
  const TensionUnload t = UnloadT();
  const double erev = v(kLastRev), srev = v(kLastRev + 1), eun = v(kUnC), eunT = v(kUnT);
  const double et11 = eun - (erev - u.epl) * (eun - t.epl) / (eunT - u.epl);
  if (eps < erev) InternalError(__FILE__, __LINE__);
  if (eps <= et11) {
    const Res target = Probe(10, et11, *r_);
    return Curve(target.t, c_.Ec, et11, erev, target.s, srev, eps);
  }
  return Goto(10, eps);
}

// A reversal inside rule 10 or 11: from the reversal point with slope Ec to the point of
// rule 9 at the same share of its range, rule 9 taken from the unloading point at s_new.
// The mirror of rule 11: a reversal near the compression unloading strain aims near the
// plastic strain where rule 9 starts, one near the tension plastic strain near the
// tension unloading point where it ends.
Res Law::Rule12(double eps) {
  NLMM210_HD reloaded = *r_;
  reloaded.Value[kUnC + 1] = UnloadC().snew;
  const double epl = CalcUnloadParamsComp_NLMM210(c_, reloaded).epl;
  const TensionUnload t = UnloadT();
  const double erev = v(kLastRev), srev = v(kLastRev + 1), eun = v(kUnC), eunT = v(kUnT);
  const double et12 = epl + (eun - erev) * (eunT - epl) / (eun - t.epl);
  if (eps > erev) InternalError(__FILE__, __LINE__);
  if (eps >= et12) {
    const Res target = Probe(9, et12, reloaded);
    return Curve(target.t, c_.Ec, et12, erev, target.s, srev, eps);
  }
  if (eps >= eunT) return Goto(9, eps);
  return Goto(8, eps);
}

// Closing a crack: from the reversal strain at zero stress with slope 0 to the
// compression unloading point (stress s_new) with the reloading secant.
Res Law::Rule13(double eps) {
  const UnloadParams u = UnloadC();
  const double e13 = v(kEps13), eun = v(kUnC);
  if (eps < e13) InternalError(__FILE__, __LINE__);
  if (eps <= eun) return Curve(u.Enew, 0.0, eun, e13, u.snew, 0.0, eps);
  return Goto(7, eps);
}

Res Law::Rule14(double eps) {
  const double erev = v(kLastRev), srev = v(kLastRev + 1);
  const double epl14 = erev - srev / UnloadC().Esec;
  if (eps > erev) InternalError(__FILE__, __LINE__);
  if (eps >= epl14) return Curve(0.0, c_.Ec, epl14, erev, 0.0, srev, eps);
  r_->Flag = 0;
  return {0.0, 0.0};
}

Res Law::Rule15(double eps) {
  const double e15 = v(kRev15), s15 = v(kRev15 + 1), e14 = v(kEps14);
  if (eps < e15) InternalError(__FILE__, __LINE__);
  if (eps <= e14) {
    const Res target = Probe(13, e14, *r_);
    return Curve(target.t, c_.Ec, e14, e15, target.s, s15, eps);
  }
  return Goto(13, eps);
}

// Partial reloading after unloading from compression: from the reversal point with
// slope Ec to the unloading strain (stress lowered in proportion to the depth of the
// unloading) with the reloading secant E_new, then on to the envelope at the shortened
// return strain with the envelope's slope.
Res Law::Rule71(double eps) {
  const UnloadParams u = UnloadC();
  const double e71 = v(kRev71), s71 = v(kRev71 + 1), eun = v(kUnC), sun = v(kUnC + 1);
  const double xun = std::fabs(eun / c_.ec), k = (eun - e71) / (eun - u.epl);
  const double snew = sun - 0.09 * sun * std::sqrt(xun) * k;
  const double ere = eun + k * eun / (1.15 + 2.75 * xun);
  if (eps <= e71) InternalError(__FILE__, __LINE__);
  if (eps <= eun) return Curve(u.Enew, c_.Ec, eun, e71, snew, s71, eps);
  if (eps <= ere) {
    const Res env = EnvC(ere);
    return Curve(env.t, u.Enew, ere, eun, env.s, snew, eps);
  }
  return Goto(1, eps);
}

// Partial reloading after unloading from tension, the mirror of rule 71 about the
// shifted origin, with the tension reloading secant E_new+ at the unloading strain.
Res Law::Rule81(double eps) {
  const TensionUnload t = UnloadT();
  const double e81 = v(kRev81), s81 = v(kRev81 + 1), eun = v(kUnT), sun = v(kUnT + 1), o = v(kShift);
  const double k = (eun - e81) / (eun - t.epl);
  const double snew = sun - 0.15 * sun * k;
  const EnvelopePoint p = ReturnT(eun, snew, eun - std::fabs(0.22 * eun * k));
  const double a = std::fabs(eps - o);
  if (a <= std::fabs(e81 - o)) InternalError(__FILE__, __LINE__);
  Branch(5);
  if (a <= std::fabs(eun - o)) return Curve(t.Enew, c_.Ec, eun, e81, snew, s81, eps);
  if (a <= std::fabs(p.e - o)) return Curve(p.t, t.Enew, p.e, eun, p.s, snew, eps);
  return Goto(2, eps);
}

// The dispatcher's table: the direction a rule carries on in (+1 toward compression,
// d >= 0; -1 toward tension, d <= 0), the rule a reversal leads to, whether the
// unloading points move first, and what the reversal stores of the previous point.
const ReversalRow kReversals[] = {
    {1, +1, 3, false, 0, {kUnC, kLastRev}},     {2, -1, 4, false, 0, {kUnT, kLastRev}},
    {3, -1, 71, false, 0, {kRev71, 0}},         {4, +1, 81, false, 0, {kRev81, 0}},
    {6, -1, 13, false, kEps13, {0, 0}},         {7, +1, 3, true, 0, {kLastRev, 0}},
    {8, -1, 4, true, 0, {kLastRev, 0}},         {9, -1, 11, false, 0, {kLastRev, 0}},
    {10, +1, 12, false, 0, {kLastRev, 0}},      {11, +1, 12, false, 0, {kLastRev, 0}},
    {12, -1, 11, false, 0, {kLastRev, 0}},      {13, +1, 14, false, kEps14, {kLastRev, 0}},
    {14, -1, 15, false, 0, {kRev15, 0}},        {15, +1, 14, false, 0, {kLastRev, 0}},
    {71, +1, 3, true, 0, {kLastRev, 0}},        {81, -1, 4, true, 0, {kLastRev, 0}},
};

// The plane layer's table: no partial loops between 9 and 10 (they carry on whatever the
// direction), a spalled direction unloads on rule 3; rules 1 and 2 turn in Reversal211.
const ReversalRow kReversals211[] = {
    {3, -1, 71, false, 0, {kRev71, 0}},         {4, +1, 81, false, 0, {kRev81, 0}},
    {5, +1, 3, false, 0, {kUnC, kLastRev}},     {6, -1, 13, false, kEps13, {0, 0}},
    {7, +1, 3, true, 0, {kLastRev, 0}},         {8, -1, 4, true, 0, {kLastRev, 0}},
    {9, 0, 9, false, 0, {0, 0}},                {10, 0, 10, false, 0, {0, 0}},
    {13, +1, 14, false, kEps14, {kLastRev, 0}}, {14, -1, 15, false, 0, {kRev15, 0}},
    {15, +1, 14, false, 0, {kLastRev, 0}},      {71, +1, 3, true, 0, {kLastRev, 0}},
    {81, -1, 4, true, 0, {kLastRev, 0}},
};

// Reversals out of the envelopes of a plane direction. Off compression (d < 0): the
// previous point becomes the compression unloading and last reversal point; rule 3 once
// the unloading strain held before reached 0.2 eps_c, else back on the envelope while
// compressive, else into tension (rule 9 past 0.9 of the cracking strain, else rule 2).
// Off tension (d > 0): the previous point becomes the most tensile and last reversal
// point; rule 2 again before 0.9 of the cracking strain, rule 4 past it, and on the
// compression side rule 1 or, after unloading from past 0.2 eps_c, rule 10.
Res Law::Reversal211(int rule, double d, double eps, bool* handled) {
  *handled = true;
  if (rule == 1 && d < 0.0) {
    const double held = v(kUnC);
    SetPrevious(kUnC);
    SetPrevious(kLastRev);
    if (held >= 0.2 * c_.ec) return Goto(3, eps);
    if (eps > 0.0) return Goto(1, eps);
    return Goto(v(kUnT) < 0.9 * c_.et ? 9 : 2, eps);
  }
  if (rule == 2 && d > 0.0) {
    int next;
    if (eps < 0.0)
      next = v(kUnT) < 0.9 * c_.et ? 4 : 2;
    else
      next = v(kUnC) < 0.2 * c_.ec ? 1 : 10;
    SetPrevious(kUnT);
    SetPrevious(kLastRev);
    if (next == 4) Branch(3);
    return Goto(next, eps);
  }
  *handled = false;
  return {0.0, 0.0};
}

double Law::Call(double eps, double* tangent) {
  v(kPrevStrain) = -v(kStrain);
  v(kPrevStress) = -v(kStress);
  const double d = eps - v(kPrevStrain);
  int rule = r_->RuleNumber;
  Res x{0.0, 0.0};
  bool keep = false, turned = false;
  // A plane direction left on rule 1 with a tensile strain before anything was unloaded
  // belongs to the tension envelope.
  if (l_ != nullptr && rule == 1 && v(kStrain) > 0.0 && v(kUnT) == 0.0 && v(kUnC + 1) == 0.0)
    r_->RuleNumber = rule = 2;
  if (l_ != nullptr && (rule == 1 || rule == 2)) x = Reversal211(rule, d, eps, &turned);
  if (rule == 0 || turned) {
    // Not yet loaded, or turned off an envelope above.
  } else if (rule == 5 && l_ == nullptr) {
    // Spalled: a decrease leaves the record as it is.
    if (d >= 0.0)
      x = Run(5, eps);
    else
      keep = true;
  } else if (l_ != nullptr && (rule == 1 || rule == 2)) {
    x = Run(rule, eps);
  } else {
    const ReversalRow& row =
        l_ != nullptr ? FindReversalRow(kReversals211, rule) : FindReversalRow(kReversals, rule);
    if (row.direction == 0 || (row.direction > 0 ? d >= 0.0 : d <= 0.0)) {
      x = Run(rule, eps);
    } else {
      if (row.update) UpdateReversalPoints(rule);
      if (row.strain != 0) v(row.strain) = v(kPrevStrain);
      for (int p : row.points)
        if (p != 0) SetPrevious(p);
      if (row.next == 4 || row.next == 13) Branch(3);
      x = Goto(row.next, eps);
    }
  }
  if (!keep) {
    v(kTan) = x.t;
    v(kStrain) = -eps;
    v(kStress) = -x.s;
  }
  if (eps < -kStrainLimit || eps > kStrainLimit)
    CyclicConcreteStrainLimit(at_, l_ != nullptr ? "_NLMM211" : "_NLMM210");
  *tangent = x.t;
  return x.s;
}

}  // namespace

void CyclicConcreteStrainLimit(const PointContext& at, const char* model) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nCalculating the stress state:\n");
  PrintPointContext(at);
  std::fprintf(stderr, "   -> Nonlinear material model: %s\n\n", model);
  errexit("Execution cannot proceed.", 0);
}

Concrete210 Concrete210Of(const MaterialRecord& m) {
  auto at = [&](int slot) { return MatSlotValue(m, MAT_NLMM210, slot); };
  Concrete210 c{at(66), at(67), at(68), at(69), at(70), at(71), at(72), 0, 0, 0, 0, 0};
  c.r = EnvelopeShape(c.fc);
  if (c.r < 0.0) InternalError(__FILE__, __LINE__);
  c.nC = std::fabs(c.ec * c.Ec / c.fc);
  c.nT = c.et * c.Ec / c.ft;
  c.thrC = ElasticThreshold(c.Ec, c.nC, c.r, std::fabs(c.ec), std::fabs(c.fc));
  c.thrT = ElasticThreshold(c.Ec, c.nT, c.r, std::fabs(c.et), std::fabs(c.ft));
  return c;
}

UnloadParams CalcUnloadParamsComp_NLMM210(const Concrete210& c, const NLMM210_HD& r) {
  return CompressionUnloadParams(UnloadVariant::kFibre210, c.Ec, c.ec, r.Value[kUnC], r.Value[kUnC + 1]);
}

void CalcGeneralFunction_NLMM210(const Concrete210& c, const NLMM210_HD& r, double eps0, double s0, double* eps,
                                 double* s) {
  const double shift = r.Value[kShift];
  auto envelope = [&](double e) {
    bool cracked;
    return TensionEnvelope(c, shift, e, &cracked).s;
  };
  EnvelopeSecantSearch(envelope, c.Ec, eps0, s0, eps, s);
}

void CheckERule1_NLMM210(const Concrete210& c, const NLMM210_HD& r, double* threshold) {
  (void)r;
  *threshold = c.thrC;
}

void CheckERule2_NLMM210(const Concrete210& c, const NLMM210_HD& r, double* threshold) {
  (void)r;
  *threshold = c.thrT;
}

void CalcStress_NLMM210(const PointContext& at, const MaterialRecord& m, NLMM210_HD& r, double eps, double* stress,
                        double* tangent) {
  const Concrete210 c = Concrete210Of(m);
  Law law(at, c, &r);
  *stress = -law.Call(-eps, tangent);
}

void CalcStressDirection_NLMM211(const PointContext& at, const Concrete210& c, Layer211& l, NLMM210_HD& r,
                                 double eps, double* stress, double* tangent) {
  Law law(at, c, &r, &l);
  *stress = -law.Call(-eps, tangent);
}

namespace {

void CheckConcreteStrength(const MaterialRecord& m, int code, int fcSlot, const char* block, int record) {
  const double fc = MatSlotValue(m, code, fcSlot);
  if (!(EnvelopeShape(fc) >= 0.0))
    DataFault(nullptr, block, record,
              "The compressive strength %g gives the envelope shape r = f_c / 5.2 - 1.9 = %g < 0:\n"
              "the envelope needs f_c in MPa (at least 9.88).",
              fc, EnvelopeShape(fc));
  // Beyond any concrete in MPa the envelope's powers of r leave the range of the numbers.
  if (!(fc <= 1000.0))
    DataFault(nullptr, block, record, "The compressive strength %g is out of range: the envelope needs f_c in MPa\n"
                                      "(at most 1000).", fc);
}

}  // namespace

void CheckParameters_NLMM210(const MaterialRecord& m, const char* block, int record) {
  CheckConcreteStrength(m, MAT_NLMM210, 68, block, record);
  auto at = [&](int slot) { return MatSlotValue(m, MAT_NLMM210, slot); };
  if (!(at(66) > 0.0)) DataFault(nullptr, block, record, "The initial modulus must be positive: %g.", at(66));
  if (!(at(67) > 0.0))
    DataFault(nullptr, block, record, "The strain at compressive strength must be positive: %g.", at(67));
  if (!(at(70) < 0.0) || !(at(71) < 0.0))
    DataFault(nullptr, block, record,
              "The strain at tensile strength (%g) and the tensile strength (%g) must be negative numbers.", at(70),
              at(71));
  const Concrete210 c = Concrete210Of(m);
  if (!(std::isfinite(c.nC) && std::isfinite(c.nT) && std::isfinite(c.thrC) && std::isfinite(c.thrT)))
    DataFault(nullptr, block, record,
              "The moduli ratios of the envelope (E0 eps / f) are not finite: the modulus, strengths and strains\n"
              "of the record lie outside the range of the numbers.");
}

void CheckParameters_NLMM211(const MaterialRecord& m, const char* block, int record) {
  // The layer's plane-stress matrix divides by E and by 1 - nu^2.
  const double E = MatSlotValue(m, MAT_NLMM211, 67), nu = MatSlotValue(m, MAT_NLMM211, 66);
  if (!(E > 0.0)) DataFault(nullptr, block, record, "The modulus of elasticity must be positive: %g.", E);
  if (!(nu > -1.0 && nu < 0.5))
    DataFault(nullptr, block, record, "The Poisson's ratio must lie between -1 and 0.5: %g.", nu);
  CheckConcreteStrength(m, MAT_NLMM211, 69, block, record);
  // The compression curve of each direction is that of the fibre: E eps_c / fc its
  // moduli ratio, ft / E the cracking strain.
  const double ec = MatSlotValue(m, MAT_NLMM211, 68), fc = MatSlotValue(m, MAT_NLMM211, 69);
  if (!(ec > 0.0)) DataFault(nullptr, block, record, "The strain at compressive strength must be positive: %g.", ec);
  if (!std::isfinite(E * ec / fc) || !std::isfinite(MatSlotValue(m, MAT_NLMM211, 71) / E))
    DataFault(nullptr, block, record,
              "The moduli ratios of the envelope (E0 eps / f) are not finite: the modulus, strengths and strains\n"
              "of the record lie outside the range of the numbers.");
  // The crack band of the tension branch: a constant length (1) or the root of the
  // element's (2) or the point's (3) area.
  const int band = MatInt(m, 14);
  if (band < 1 || band > 3)
    DataFault(nullptr, block, record, "Invalid crack band option: %d (valid: 1 to 3).", band);
  if (band == 1 && !(MatValue(m, 15) > 0.0))
    DataFault(nullptr, block, record, "The constant crack band length must be positive: %g.", MatValue(m, 15));
}

const UniaxialLaw kUniaxial210 =
    UniaxialLawRow<NLMM210_HD, ValueStrain, PointOfLaw<NLMM210_HD, CalcStress_NLMM210>, ValueTangent>(
        MAT_NLMM210, kTangentStored, 0.1);
