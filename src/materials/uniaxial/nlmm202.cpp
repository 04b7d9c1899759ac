// Cyclic steel _NLMM202 (and the bars of _NLMM145): a smooth skeleton in tension and in
// compression, each shifted by the plastic strain gathered on the other side, and after
// every reversal a Menegotto-Pinto branch aimed at the skeleton or at the branch left
// earlier (rules 3 to 10).
#include <cmath>

#include "materials/uniaxial/steel.h"
#include "materials/uniaxial/uniaxial_law.h"
#include "numcore/numcore.h"

namespace {

using enum NLMM145_HD::Field;

struct Result {
  double stress, tangent;
};

double Sign(double x) { return x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0); }

struct Law {
  const CyclicSteel& s;
  NLMM145_HD& r;
  double& v(int k) { return r.Value[k]; }

  Result Rule1(double eps) {
    const double e = eps - v(kOPlus);
    if (std::fabs(e) >= s.eu) return {0.0, 0.0};
    const double H = e > s.esh ? 1.0 : 0.0;
    const double q = 1.0 + std::pow(s.E * e / s.fy, 10.0);
    const double sig = s.E * e / std::pow(q, 0.1) + H * (s.fu - s.fy) * (1.0 - std::pow(std::fabs((s.eu - e) / (s.eu - s.esh)), s.P));
    const double tan = s.E / std::pow(q, 1.1) +
                       Sign(s.eu - e) * H * s.Esh * std::pow(std::fabs((s.fu - sig) / (s.fu - s.fy)), (s.P - 1.0) / s.P);
    return {sig, tan};
  }

  Result Rule2(double eps) {
    const double e = eps - v(kOMinus);
    if (std::fabs(e) >= s.eu) return {0.0, 0.0};
    const double H = e < -s.esh ? 1.0 : 0.0;
    const double q = 1.0 + std::pow(s.E * e / s.fy, 10.0);
    const double sig = s.E * e / std::pow(q, 0.1) - H * (s.fu - s.fy) * (1.0 - std::pow(std::fabs((s.eu + e) / (s.eu - s.esh)), s.P));
    const double tan = s.E / std::pow(q, 1.1) +
                       Sign(e + s.eu) * H * s.Esh * std::pow(std::fabs((s.fu + sig) / (s.fu - s.fy)), (s.P - 1.0) / s.P);
    return {sig, tan};
  }

  // A branch from the origin to the target: family A heads for compression, B for
  // tension (k the exponent of fy/E in B's R). Options: the check c < 0, E0 lifted over
  // Esec, R capped at 25.
  struct Fit {
    double E0, Esec, R, sigma0, b;
  };
  Fit Branch(bool familyA, double k, int origin, double et, double st, double Et, bool refuseNegativeC, bool liftE0,
             bool refuseEqual, bool cap) {
    const double er = v(origin), sr = v(origin + 1);
    const double span = et - er, h = std::fabs(span) / 2.0;
    Fit f{};
    f.Esec = (st - sr) / span;
    if (familyA) {
      f.E0 = (1.0 - 3.0 * h) * s.E;
      f.R = 16.0 * (1.0 - 10.0 * h) * std::pow(s.fy / s.E, 0.3333);
    } else {
      f.E0 = (1.0 - h) * s.E;
      f.R = 20.0 * (1.0 - 20.0 * h) * std::pow(s.fy / s.E, k);
    }
    if (refuseEqual && f.E0 == f.Esec) InternalError(__FILE__, __LINE__);
    const double c = (Et - f.Esec) / (f.Esec - f.E0);
    if (f.R <= c) f.R = c + 0.01;
    if (refuseNegativeC && c < 0.0) InternalError(__FILE__, __LINE__);
    if (liftE0 && f.E0 <= f.Esec) f.E0 = f.Esec + 10.0;
    if (cap && f.R > 25.0) f.R = 25.0;
    CalcMenegottoPintoParams(Et, f.E0, f.Esec, et, er, sr, f.R, c, &f.sigma0, &f.b);
    return f;
  }

  Result Curve(const Fit& f, int origin, double eps) {
    Result res;
    CalcStressMenegottoPinto(f.E0, f.Esec, f.sigma0, f.b, f.R, eps, v(origin), v(origin + 1), &res.tangent, &res.stress);
    return res;
  }

  Result Rule3(double eps) {
    const double er = v(kOrigin3), sr = v(kOrigin3 + 1), d3 = er - v(kOPlus);
    double et, st, Et, dm;
    if (d3 <= s.esh) {
      const double t = std::fmax(0.0, (d3 - s.ey) / (s.esh - s.ey));
      v(kOMinus) = er - sr / s.E;
      dm = -s.ey - t * (s.esh - s.ey);
      et = v(kOMinus) + dm;
      st = Rule2(et).stress;
      Et = 1.0 / ((1.0 / s.Esh - 1.0 / s.E) * t + 1.0 / s.E);
    } else {
      dm = std::fabs(v(kDMinus)) <= s.esh ? -s.esh : v(kDMinus);
      const double w = std::exp(-d3 / (5000.0 * s.ey * s.ey));
      v(kOMinus) = (1.0 - w) * (er - sr / s.E) + w * (v(kOPlus) + s.esh - s.fy / s.E);
      et = v(kOMinus) + dm;
      const Result t2 = Rule2(et);
      st = t2.stress;
      Et = t2.tangent;
    }
    v(kTarget3) = et;
    v(kTarget3 + 1) = st;
    v(kDPlus) = d3;
    v(kDMinus) = dm;
    if (eps < et) {
      r.RuleNumber = 2;
      return Rule2(eps);
    }
    return Curve(Branch(true, 0.0, kOrigin3, et, st, Et, false, false, true, true), kOrigin3, eps);
  }

  Result Rule4(double eps) {
    const double er = v(kOrigin4), sr = v(kOrigin4 + 1), d4 = er - v(kOMinus);
    double et, st, Et, dp;
    if (d4 >= -s.esh) {
      const double t = std::fmax(0.0, (d4 + s.ey) / (s.ey - s.esh));
      v(kOPlus) = er - sr / s.E;
      dp = s.ey + t * (s.esh - s.ey);
      et = v(kOPlus) + dp;
      st = Rule1(et).stress;
      Et = 1.0 / ((1.0 / s.Esh - 1.0 / s.E) * t + 1.0 / s.E);
    } else {
      dp = std::fabs(v(kDPlus)) <= s.esh ? s.esh : v(kDPlus);
      const double w = std::exp(-std::fabs(d4) / (5000.0 * s.ey * s.ey));
      v(kOPlus) = (1.0 - w) * (er - sr / s.E) + w * (v(kOMinus) - s.esh + s.fy / s.E);
      et = v(kOPlus) + dp;
      const Result t1 = Rule1(et);
      st = t1.stress;
      Et = t1.tangent;
    }
    v(kTarget4) = et;
    v(kTarget4 + 1) = st;
    v(kDPlus) = dp;
    v(kDMinus) = d4;
    if (eps > et) {
      r.RuleNumber = 1;
      return Rule1(eps);
    }
    return Curve(Branch(false, 1.0 / 3.0, kOrigin4, et, st, Et, false, false, true, true), kOrigin4, eps);
  }

  Result Rule5(double eps) {
    const double er = v(kOrigin5);
    const double vv = std::fmin(std::fmax((v(kOrigin3) - er) - s.fy / (1.2 * s.E), 0.0), s.fy / (3.0 * s.E));
    const double et = v(kOPlus) + v(kDPlus) + vv;
    const Result t = Rule1(et);
    v(kTarget5) = et;
    v(kTarget5 + 1) = t.stress;
    if (eps > et && !s.branchPastTarget) return Rule1(eps);
    return Curve(Branch(false, 0.3333, kOrigin5, et, t.stress, t.tangent, true, true, false, false), kOrigin5, eps);
  }

  Result Rule6(double eps) {
    const double er = v(kOrigin6);
    const double vv = std::fmin(std::fmax((v(kOrigin4) - er) + s.fy / (1.2 * s.E), -s.fy / (3.0 * s.E)), 0.0);
    const double et = v(kOMinus) + v(kDMinus) + vv;
    const Result t = Rule2(et);
    v(kTarget6) = et;
    v(kTarget6 + 1) = t.stress;
    if (eps < et && !s.branchPastTarget) return Rule2(eps);
    return Curve(Branch(true, 0.0, kOrigin6, et, t.stress, t.tangent, false, false, true, false), kOrigin6, eps);
  }

  // Stress and tangent of an earlier rule at a strain, the rule number left as it was.
  template <typename F>
  Result Probe(F rule, double eps) {
    const int32_t keep = r.RuleNumber;
    const Result res = (this->*rule)(eps);
    r.RuleNumber = keep;
    return res;
  }

  Result Rule7(double eps) {
    const double oMinus = v(kOMinus);
    const double et = v(kOrigin5);
    const Result t = Probe(&Law::Rule3, et);
    v(kTarget7) = et;
    v(kTarget7 + 1) = t.stress;
    if (eps < et) {
      v(kOMinus) = oMinus;
      r.RuleNumber = 3;
      return Rule3(eps);
    }
    return Curve(Branch(true, 0.0, kOrigin7, et, t.stress, t.tangent, false, false, true, true), kOrigin7, eps);
  }

  Result Rule8(double eps) {
    const bool from10 = r.RuleNumber == 10;
    const double et = v(kOrigin6);
    const Result t = Probe(&Law::Rule4, et);
    v(kTarget8) = et;
    if (eps > et) {
      r.RuleNumber = 4;
      return Rule4(eps);
    }
    const Fit f = Branch(false, 0.3333, kOrigin8, et, t.stress, t.tangent, false, false, true, false);
    const Result res = Curve(f, kOrigin8, eps);
    if (!from10) return res;
    // Back from rule 10: a second fit from the last reversal point to the same target
    // decides whether the branch of rule 8 starts anew there.
    const double ev = v(kLastRev), sv = v(kLastRev + 1);
    const double span = et - ev, h = std::fabs(span) / 2.0;
    Fit g{};
    g.Esec = (t.stress - sv) / span;
    g.E0 = (1.0 - h) * s.E;
    double R2 = 20.0 * (1.0 - 20.0 * h) * std::pow(s.fy / s.E, 0.3333);
    if (g.E0 == g.Esec) InternalError(__FILE__, __LINE__);
    const double c2 = (t.tangent - g.Esec) / (g.Esec - g.E0);
    if (R2 <= c2) R2 = c2 + 0.01;
    CalcMenegottoPintoParams(t.tangent, g.E0, g.Esec, et, ev, sv, R2, c2, &g.sigma0, &g.b);
    g.R = f.R;
    const double e10 = v(kOrigin10), s10 = v(kOrigin10 + 1);
    const Result probe = Curve(g, kOrigin8, e10);
    if (probe.stress <= s10) {
      Result out;
      CalcStressMenegottoPinto(g.E0, g.Esec, g.sigma0, g.b, g.R, eps, v(kOrigin8), v(kOrigin8 + 1), &out.tangent,
                               &out.stress);
      v(kOrigin8) = ev;
      v(kOrigin8 + 1) = sv;
      r.RuleNumber = 8;
      return out;
    }
    if (eps <= e10) return {sv + (s10 - sv) * (eps - ev) / (e10 - ev), res.tangent};
    r.RuleNumber = 8;
    return res;
  }

  void Store(const Result& res, double eps) {
    v(kTan) = res.tangent;
    v(kStrain) = eps;
    v(kStress) = res.stress;
  }

  Result Rule9(double eps) {
    const double et = v(kOrigin7);
    const Result t = Probe(&Law::Rule5, et);
    if (eps > et) {
      r.RuleNumber = 5;
      const Result res = Rule5(eps);
      Store(res, eps);
      return res;
    }
    return Curve(Branch(false, 0.3333, kOrigin9, et, t.stress, t.tangent, false, true, true, true), kOrigin9, eps);
  }

  Result Rule10(double eps) {
    const double et = std::fmin(v(kOrigin8), v(kTarget6));
    const Result t = Probe(&Law::Rule6, et);
    if (eps < et) {
      r.RuleNumber = 6;
      const Result res = Rule6(eps);
      Store(res, eps);
      return res;
    }
    return Curve(Branch(true, 0.0, kOrigin10, et, t.stress, t.tangent, true, false, true, true), kOrigin10, eps);
  }

  // Reversal at the last point: it becomes the last reversal point and, where given,
  // the origin of the new rule.
  void Reverse(int newRule, int origin) {
    v(kLastRev) = v(kStrain);
    v(kLastRev + 1) = v(kStress);
    if (origin != 0) {
      v(origin) = v(kStrain);
      v(origin + 1) = v(kStress);
    }
    r.RuleNumber = newRule;
  }

  Result Skeleton1(double eps) {
    r.RuleNumber = 1;
    const Result res = Rule1(eps);
    if (eps - v(kOPlus) >= v(kDPlus)) v(kDPlus) = eps - v(kOPlus);
    return res;
  }
  Result Skeleton2(double eps) {
    r.RuleNumber = 2;
    const Result res = Rule2(eps);
    if (eps - v(kOMinus) <= v(kDMinus)) v(kDMinus) = eps - v(kOMinus);
    return res;
  }

  Result Step(double eps) {
    const double d = eps - v(kStrain);
    switch (r.RuleNumber) {
      case 1:
        if (d >= 0.0) return Skeleton1(eps);
        if (v(kStrain) - v(kOPlus) > s.ey) {
          Reverse(3, kOrigin3);
          return Rule3(eps);
        }
        Reverse(2, 0);
        return Skeleton2(eps);
      case 2:
        if (d <= 0.0) return Skeleton2(eps);
        if (v(kStrain) - v(kOMinus) < -s.ey) {
          Reverse(4, kOrigin4);
          return Rule4(eps);
        }
        Reverse(1, 0);
        return Skeleton1(eps);
      case 3:
        if (d <= 0.0) return Rule3(eps);
        Reverse(5, kOrigin5);
        return Rule5(eps);
      case 4:
        if (d >= 0.0) return Rule4(eps);
        Reverse(6, kOrigin6);
        return Rule6(eps);
      case 5:
        if (d >= 0.0) return eps > v(kTarget5) ? Skeleton1(eps) : Rule5(eps);
        Reverse(7, kOrigin7);
        return Rule7(eps);
      case 6:
        if (d <= 0.0) return eps < v(kTarget6) ? Skeleton2(eps) : Rule6(eps);
        Reverse(8, kOrigin8);
        return Rule8(eps);
      case 7:
        if (d <= 0.0) return Rule7(eps);
        Reverse(9, kOrigin9);
        return Rule9(eps);
      case 8:
        if (d >= 0.0) return Rule8(eps);
        Reverse(10, kOrigin10);
        return Rule10(eps);
      case 9:
        if (d >= 0.0) return Rule9(eps);
        Reverse(7, kOrigin7);
        return Rule7(eps);
      case 10:
        if (d <= 0.0) return Rule10(eps);
        Reverse(10, 0);
        return Rule8(eps);
      default: InternalError(__FILE__, __LINE__);
    }
  }
};

}  // namespace

CyclicSteel CyclicSteelOf(const MaterialRecord& m, int first) {
  CyclicSteel s{MatValue(m, first),     MatValue(m, first + 1), MatValue(m, first + 2), MatValue(m, first + 3),
                MatValue(m, first + 4), MatValue(m, first + 6), MatValue(m, first + 7), 0.0, false};
  s.P = s.Esh * (s.eu - s.esh) / (s.fu - s.fy);
  return s;
}

void CalcStress_NLMM202(const CyclicSteel& s, NLMM145_HD& r, double eps, double* stress, double* tangent) {
  Law law{s, r};
  law.v(kPrevStrain) = law.v(kStrain);
  law.v(kPrevStress) = law.v(kStress);
  if (r.RuleNumber == 0) {
    // Virgin state: the strain is kept, nothing else.
    law.Store({0.0, 0.0}, eps);
    *stress = *tangent = 0.0;
    return;
  }
  if (r.RuleNumber < 0 || r.RuleNumber > 10) InternalError(__FILE__, __LINE__);
  const Result res = law.Step(eps);
  law.Store(res, eps);
  *stress = res.stress;
  *tangent = res.tangent;
}

namespace {

UniaxialPoint Update202(const PointContext&, const MaterialRecord& m, NLMM145_HD& r, double eps) {
  UniaxialPoint p;
  CalcStress_NLMM202(CyclicSteelOf(m, 3), r, eps, &p.stress, &p.tangent);
  return p;
}

}  // namespace

const UniaxialLaw kUniaxial202 =
    UniaxialLawRow<NLMM145_HD, ValueStrain, Update202, ValueTangent>(MAT_NLMM202, kTangentStored, 0.1);
