// Cyclic bond and friction law _NLMM306 of line and surface interfaces: per slip
// direction a positive and a negative envelope (linear, power ascent, power descent)
// whose strength tau_c - mu sigma_n grows with compression through a friction coefficient
// that evolves with the accumulated slip path, and eight reversal rules that run
// Menegotto-Pinto branches from each reversal point to a target point, arriving there
// with the target's tangent. An open joint carries nothing; on re-closure the slips are
// measured from where it closed.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "materials/interface/bond_laws.h"
#include "materials/uniaxial/steel.h"
#include "model/fileio.h"
#include "model/mesh.h"
#include "model/validate.h"
#include "numcore/numcore.h"

CyclicFriction306 Nlmm306Of(const MaterialRecord& m) {
  return {MatValue(m, 1), MatValue(m, 2), MatValue(m, 3), MatValue(m, 4), MatValue(m, 5),
          MatValue(m, 6), MatValue(m, 7), MatValue(m, 8), MatValue(m, 9), MatValue(m, 10)};
}

double FrictionCoefficient_NLMM306(const CyclicFriction306& c, double a) {
  const double k = c.kMu * c.aP / c.muP;
  const double cc = (1.0 - c.rMu) * k + 2.0 * c.rMu;
  const double ar = c.aP * (cc / 2.0 + std::sqrt(cc * cc / 4.0 - c.rMu));
  const double eta = std::min(a, ar) / c.aP;
  return c.muP * (k * eta - eta * eta) / (1.0 + (k - 2.0) * eta);
}

namespace {

constexpr const char* kWarningSuffix = "_wrn306";

// Rows of the rule history of one slip direction.
using enum NLMM304_HD::HistoryRow;

struct Result {
  double tau, k;
};

// One evaluation of direction i of a point.
struct Dir306 {
  const PointContext& at;
  const CyclicFriction306& c;
  const char* prefix;
  NLMM304_HD& r;
  int i;
  double sn, mu, tau1, K0;
  double& H(int k) { return r.H[k][i]; }
  uint32_t& rule() { return r.Rule[i]; }
};

Result CalcStressRule_NLMM306(Dir306& e, int rule, double s);

// Envelope of slip s: positive from o+, negative (its mirror) from o-.
Result CalcStressEnvelope_NLMM306(Dir306& e, bool positive, double s) {
  const CyclicFriction306& c = e.c;
  const double tauMax = std::fabs(c.tauC - e.mu * e.sn);
  const double tau1 = tauMax * std::pow(c.s1 / c.s2, c.alpha);
  e.r.R5 = tau1;
  const double x = positive ? s - e.H(kOriginPos) : std::fabs(s - e.H(kOriginNeg));
  Result res;
  if (x <= c.s1) {
    res = {tau1 / c.s1 * x, tau1 / c.s1};
  } else if (x <= c.s2) {
    res = {tauMax * std::pow(x / c.s2, c.alpha), c.alpha * tauMax / c.s2 * std::pow(x / c.s2, c.alpha - 1.0)};
  } else {
    res = {tauMax * std::pow(x / c.s2, -c.beta), -c.beta * tauMax / c.s2 * std::pow(x / c.s2, -c.beta - 1.0)};
  }
  if (!positive) res.tau = -res.tau;
  return res;
}

// One block of the warning file per failed fit, the file opened and closed each time.
void WriteFitWarning(const Dir306& e, int rule) {
  char name[kBinStringMax];
  const int len = std::snprintf(name, sizeof name, "%s%s", e.prefix, kWarningSuffix);
  if (len < 0 || len >= static_cast<int>(sizeof name)) InternalError(__FILE__, __LINE__);
  FILE* fp;
  OpenFile(&fp, name, ".out", "a", 'N');
  std::fprintf(fp, "Combination n.:\xBA %d\n", e.at.combination);
  std::fprintf(fp, "Element n.:\xBA %d\n", e.at.element);
  std::fprintf(fp, "IP n.:\xBA %d\n", e.at.point);
  std::fprintf(fp, "\tNLMM306 (Reversal rule %d) : linear simplification\n\n", rule);
  CloseFile(fp);
}

// The branch of `rule` from (sr, tr) to (st, tt) with the target tangent Kt, at s.
Result Branch(Dir306& e, int rule, double s, double sr, double tr, double st, double tt, double Kt) {
  const double span = st - sr;
  // A branch of no length: the point stands on its target.
  if (span == 0.0) return {tt, Kt};
  const bool reloading = rule == 5 || rule == 6 || rule == 9 || rule == 10;
  const double xi = std::fabs(span) / (2.0 * e.c.s2);
  double Eu = std::max((1.0 - (reloading ? 0.1 : 0.3) * xi) * e.K0, 0.1 * e.K0);
  const double Esec = (tt - tr) / span;
  double c = (Kt - Esec) / (Esec - Eu);
  if (rule == 5) {
    // The target's tangent is the secant: the straight line reaches it as it should.
    if (c == 0.0) return {tr + Esec * (s - sr), Esec};
    if (Eu <= Esec) {
      Eu = Esec + 10.0;
      // No slope ratio from the equal slopes: take it from the raised one.
      if (!std::isfinite(c)) c = (Kt - Esec) / (Esec - Eu);
    }
  } else {
    if (Eu == Esec) InternalError(__FILE__, __LINE__);
    if (rule == 9 && Eu < Esec) {
      Eu = Esec + 10.0;
      c = (Kt - Esec) / (Esec - Eu);
    }
  }
  const double R = BranchExponent_NLMM306(rule, e.c.s1, xi, c);
  double tau0, b;
  if (CalcCurveParams_NLMM306(Kt, Eu, Esec, st, sr, tr, R, c, &tau0, &b)) {
    Result res;
    CalcStressMenegottoPinto(Eu, Esec, tau0, b, R, s, sr, tr, &res.k, &res.tau);
    return res;
  }
  WriteFitWarning(e, rule);
  return {tr + Esec * (s - sr), Esec};
}

// Unloading from the positive envelope (rule 3) or the negative one (rule 4).
Result Unloading(Dir306& e, bool fromPositive, double s) {
  const int self = fromPositive ? 3 : 4;
  const int rev = ReversalRow306(self), tgt = TargetRow306(self);
  const double s1 = e.c.s1;
  const double sr = e.H(rev);
  const double tr = CalcStressEnvelope_NLMM306(e, fromPositive, sr).tau;
  e.H(rev + 1) = tr;
  const int from = fromPositive ? kOriginPos : kOriginNeg, to = fromPositive ? kOriginNeg : kOriginPos;
  const int exFrom = fromPositive ? kExcursionPos : kExcursionNeg, exTo = fromPositive ? kExcursionNeg : kExcursionPos;
  const double d = sr - e.H(from);
  if (std::fabs(e.H(exTo)) <= s1) e.H(exTo) = fromPositive ? -s1 : s1;
  // The opposite origin moves between the old one and the zero-stress intercept of the
  // elastic unloading line.
  const double x = std::exp(-std::fabs(d) / (5.0 * s1 * s1));
  e.H(to) = (1.0 - x) * (sr - tr / e.K0) + x * e.H(from);
  const double st = e.H(to) + e.H(exTo);
  const Result t = CalcStressEnvelope_NLMM306(e, !fromPositive, st);
  e.H(tgt) = st;
  e.H(tgt + 1) = t.tau;
  e.H(exFrom) = d;
  if (fromPositive ? s < st : s > st) {
    e.rule() = fromPositive ? 2 : 1;
    return CalcStressEnvelope_NLMM306(e, !fromPositive, s);
  }
  e.rule() = self;
  return Branch(e, self, s, sr, tr, st, t.tau, t.k);
}

// Reloading after an unloading of rule 3 (rule 5) or rule 4 (rule 6), back towards the
// envelope it left, a little beyond its last excursion.
Result Reloading(Dir306& e, bool toPositive, double s) {
  const int self = toPositive ? 5 : 6, before = toPositive ? 3 : 4;
  const int rev = ReversalRow306(self), tgt = TargetRow306(self);
  const double sr = e.H(rev);
  const double tr = CalcStressRule_NLMM306(e, before, sr).tau;
  const double lim = e.tau1 / (3.0 * e.K0), lead = e.tau1 / (1.2 * e.K0);
  const double sb = e.H(ReversalRow306(before));
  double st;
  if (toPositive) {
    st = e.H(kOriginPos) + e.H(kExcursionPos) + std::clamp((sb - sr) - lead, 0.0, lim);
  } else {
    st = e.H(kOriginNeg) + e.H(kExcursionNeg) + std::clamp((sb - sr) + lead, -lim, 0.0);
  }
  const Result t = CalcStressEnvelope_NLMM306(e, toPositive, st);
  e.H(rev + 1) = tr;
  e.H(tgt) = st;
  e.H(tgt + 1) = t.tau;
  if (toPositive ? s > st : s < st) {
    e.rule() = toPositive ? 1 : 2;
    return CalcStressEnvelope_NLMM306(e, toPositive, s);
  }
  e.rule() = self;
  return Branch(e, self, s, sr, tr, st, t.tau, t.k);
}

// Unloading from a reloading branch (rule 7 from rule 5, rule 8 from rule 6), towards
// the target of the first unloading, whose reversal point moves up the reloading branch.
Result Reunloading(Dir306& e, bool fromPositive, double s) {
  const int self = fromPositive ? 7 : 8, reload = fromPositive ? 5 : 6, unload = fromPositive ? 3 : 4;
  const int rev = ReversalRow306(self), tgt = TargetRow306(self);
  const double sr = e.H(rev);
  const double tr = CalcStressRule_NLMM306(e, reload, sr).tau;
  e.H(rev + 1) = tr;
  if (e.rule() == static_cast<uint32_t>(reload)) {
    const double s5 = e.H(ReversalRow306(reload)), t5 = e.H(TargetRow306(reload));
    const int u = ReversalRow306(unload);
    if (t5 != s5) e.H(u) = (sr - s5) / (t5 - s5) * t5 + (t5 - sr) / (t5 - s5) * e.H(u);
    e.H(u + 1) = CalcStressEnvelope_NLMM306(e, fromPositive, e.H(u)).tau;
    CalcStressRule_NLMM306(e, unload, sr);
    e.H(tgt) = e.H(TargetRow306(unload));
    e.H(tgt + 1) = e.H(TargetRow306(unload) + 1);
  }
  const double st = e.H(tgt), tt = e.H(tgt + 1);
  const double Kt = CalcStressEnvelope_NLMM306(e, !fromPositive, st).k;
  if (fromPositive ? s < st : s > st) {
    e.rule() = unload;
    return CalcStressRule_NLMM306(e, unload, s);
  }
  e.rule() = self;
  return Branch(e, self, s, sr, tr, st, tt, Kt);
}

// Reloading from a re-unloading branch (rule 9 from rule 7, rule 10 from rule 8), back
// to where that branch left the reloading curve.
Result Rereloading(Dir306& e, bool toPositive, double s) {
  const int self = toPositive ? 9 : 10, unload = toPositive ? 7 : 8, reload = toPositive ? 5 : 6;
  const int rev = ReversalRow306(self);
  const double sr = e.H(rev);
  const double tr = CalcStressRule_NLMM306(e, unload, sr).tau;
  e.H(rev + 1) = tr;
  const double st = e.H(ReversalRow306(unload));
  const Result t = CalcStressRule_NLMM306(e, reload, st);
  if (toPositive ? s > st : s < st) {
    e.rule() = reload;
    return CalcStressRule_NLMM306(e, reload, s);
  }
  e.rule() = self;
  return Branch(e, self, s, sr, tr, st, t.tau, t.k);
}

Result CalcStressRule_NLMM306(Dir306& e, int rule, double s) {
  switch (rule) {
    case 1: e.rule() = 1; return CalcStressEnvelope_NLMM306(e, true, s);
    case 2: e.rule() = 2; return CalcStressEnvelope_NLMM306(e, false, s);
    case 3: return Unloading(e, true, s);
    case 4: return Unloading(e, false, s);
    case 5: return Reloading(e, true, s);
    case 6: return Reloading(e, false, s);
    case 7: return Reunloading(e, true, s);
    case 8: return Reunloading(e, false, s);
    case 9: return Rereloading(e, true, s);
    case 10: return Rereloading(e, false, s);
    default: InternalError(__FILE__, __LINE__);
  }
}

// The record's last point (reduced by the reference slip) becomes the last reversal and
// the reversal of `rule`.
void RecordReversal(Dir306& e, int rule) {
  const double sr = e.r.V1[e.i] - e.r.V3[e.i], tr = e.r.V2[e.i];
  e.H(kLastReversal) = sr;
  e.H(kLastReversal + 1) = tr;
  if (rule > 0) {
    e.H(ReversalRow306(rule)) = sr;
    e.H(ReversalRow306(rule) + 1) = tr;
  }
}

// State machine of direction i: the slip s against the previous slip sp.
Result SelectRule_NLMM306(Dir306& e, double s, double sp) {
  int rule = static_cast<int>(e.rule());
  if (rule == 0) rule = s >= 0.0 ? 1 : 2;
  const double s1 = e.c.s1;
  switch (rule) {
    case 1: {
      if (s >= sp) return CalcStressRule_NLMM306(e, 1, s);
      RecordReversal(e, 0);
      const double d = e.H(kLastReversal) - e.H(kOriginPos);
      if (d > s1) {
        RecordReversal(e, 3);
        return CalcStressRule_NLMM306(e, 3, s);
      }
      if (s >= e.H(kOriginPos)) return CalcStressRule_NLMM306(e, 1, s);
      // A small cycle inside the linear branch: the negative envelope starts here.
      e.H(kOriginNeg) = e.H(kOriginPos);
      return CalcStressRule_NLMM306(e, 2, s);
    }
    case 2: {
      if (s <= sp) return CalcStressRule_NLMM306(e, 2, s);
      RecordReversal(e, 0);
      const double d = e.H(kLastReversal) - e.H(kOriginNeg);
      if (d < -s1) {
        RecordReversal(e, 4);
        return CalcStressRule_NLMM306(e, 4, s);
      }
      if (s > e.H(kOriginNeg)) {
        e.H(kOriginPos) = e.H(kOriginNeg);
        return CalcStressRule_NLMM306(e, 1, s);
      }
      return CalcStressRule_NLMM306(e, 2, s);
    }
    default:
      break;
  }
  if (rule > 10 || rule < 0) InternalError(__FILE__, __LINE__);
  // Rules 3..10: going on along the branch, or a reversal onto the next one. Odd rules
  // 3 and 7 run downwards, 5 and 9 upwards; the even rules mirror them.
  static constexpr int kNext[11] = {0, 0, 0, 5, 6, 7, 8, 9, 10, 7, 8};
  const bool downwards = rule == 3 || rule == 6 || rule == 7 || rule == 10;
  if (downwards ? s <= sp : s >= sp) return CalcStressRule_NLMM306(e, rule, s);
  RecordReversal(e, kNext[rule]);
  return CalcStressRule_NLMM306(e, kNext[rule], s);
}

constexpr double kPi = 3.14159265358979323846;

}  // namespace

double BranchExponent_NLMM306(int rule, double s1, double xi, double c) {
  const bool reloading = rule == 5 || rule == 6 || rule == 9 || rule == 10;
  double slope;
  switch (rule) {
    case 3: slope = 0.01; break;
    case 4:
    case 7:
    case 8: slope = 0.1; break;
    case 5:
    case 6:
    case 9:
    case 10: slope = 0.2; break;
    default: InternalError(__FILE__, __LINE__);
  }
  double R = (reloading ? 20.0 : 16.0) * std::pow(s1, 0.3333) * (1.0 - slope * xi);
  if (R <= c) R = c + 0.01;
  const bool capped = rule != 5 && rule != 6 && rule != 8;
  if (capped && R > 25.0) R = 25.0;
  return R;
}

bool CalcCurveParams_NLMM306(double Kt, double Eu, double Esec, double st, double sr, double taur, double R, double c,
                             double* tau0, double* b) {
  *tau0 = 0.0;
  *b = 0.0;
  if (!std::isfinite(c) || !std::isfinite(R)) return false;
  auto g = [&](double x) { return CalcGeomSeriesResidual(x, Eu, Kt, Esec, R); };
  // g is a stiffness: its tolerances hold while Eu is at most 1e6 units (N/mm3) and take
  // the same share of larger stiffnesses (N/m3), which the rounding of g never gets below.
  const double scale = std::fmax(1.0, std::fabs(Eu) / 1e6);
  const double gLo = g(1e-8), gHi = g(0.99999999);
  double x;
  if (gLo * gHi > 0.0) {
    // No sign change: halve towards the end where |g| is smaller.
    const double e = gLo <= gHi ? 1e-8 : 1.0;
    x = e / 2.0;
    bool found = false;
    for (int pass = 0; pass < 500 && !found; pass++) {
      const double gx = g(x);
      x = (x + e) / 2.0;
      found = std::fabs(gx) <= 1e-8 * scale;
    }
    if (!found) return false;
  } else {
    // Newton's method with central differences, at most 100 steps, inside (0, 1).
    x = std::fabs(c / R);
    if (!(x > 0.0 && x < 1.0)) return false;
    int pass = 0;
    for (double gx = g(x); std::fabs(gx) > 1e-6 * scale; gx = g(x)) {
      if (++pass > 100) return false;
      const double h = std::min(0.001, (1.0 - x) / 2.0);
      double xm = x - h;
      if (xm < 0.0) xm = 1e-6;
      x -= 2.0 * h * gx / (g(x + h) - g(xm));
      if (!(x > 0.0 && x < 1.0)) return false;
    }
  }
  if (1.0 / R < 0.0 && 1.0 - std::pow(x, R) < 0.0) return false;
  if (x == 0.0 || x == 1.0) return false;
  const double y = std::pow(1.0 - std::pow(x, R), 1.0 / R) / x;
  const double bb = (Esec / Eu - x) / (1.0 - x);
  if (y == 0.0) return false;
  const double t0 = (st - sr) * Eu / y + taur;
  if (!std::isfinite(t0) || !std::isfinite(bb)) return false;
  *tau0 = t0;
  *b = bb;
  return true;
}

void CalcStress_NLMM306(const PointContext& at, const MaterialRecord& m, StressState pointState, NLMM304_HD& r,
                        const double* w,
                        double* sigma) {
  const CyclicFriction306 c = Nlmm306Of(m);
  const int nSlip = SlipDirections(pointState);
  const double wn = w[nSlip + 1];
  if (r.S != 1 && r.S != 2) InternalError(__FILE__, __LINE__);
  double s[3] = {0.0, 0.0, 0.0}, sp[3] = {0.0, 0.0, 0.0};
  double a, sn;
  int state;
  if (wn < 0.0) {
    if (r.S == 1) {
      for (int j = 1; j <= nSlip; j++) {
        s[j] = w[j] - r.V3[j];
        sp[j] = r.V1[j] - r.V3[j];
      }
      const double inc = nSlip == 1 ? std::fabs(s[1] - sp[1])
                                    : std::fabs(std::hypot(s[1], s[2]) - std::hypot(sp[1], sp[2]));
      a = inc + r.R3;
    } else {
      // Re-closure: slips and path start again from here.
      for (int j = 1; j <= nSlip; j++) r.V3[j] = w[j];
      a = 0.0;
    }
    state = 1;
    sn = c.kn * wn;
  } else {
    state = 2;
    for (int j = 1; j <= nSlip; j++) r.Rule[j] = 0;
    sn = 0.0;
    a = r.R3;
  }
  const double mu = FrictionCoefficient_NLMM306(c, a);
  const double tauCap = c.tauC - mu * sn;
  const double tau1 = std::pow(c.s1 / c.s2, c.alpha) * tauCap;
  for (int j = 1; j <= nSlip; j++) {
    Result res{0.0, 0.0};
    if (state == 1 && tauCap > 0.0) {
      Dir306 e{at, c, m.Name2, r, j, sn, mu, tau1, std::fabs(tau1 / c.s1)};
      res = SelectRule_NLMM306(e, s[j], sp[j]);
    }
    sigma[j] = res.tau;
    r.V1[j] = w[j];
    r.V2[j] = res.tau;
    r.H[kTangent][j] = res.k;
  }
  sigma[nSlip + 1] = sn;
  r.R1 = sn;
  r.R3 = a;
  r.R4 = mu;
  r.R7 = wn;
  r.S = state;
  r.R6 = 0.0;
  if (nSlip == 2) {
    const double s1 = w[1] - r.V3[1], s2 = w[2] - r.V3[2];
    r.R6 = std::fabs(s1) >= 1e-8 ? std::atan(s2 / s1) : (s2 >= 1e-8 ? kPi / 2.0 : -kPi / 2.0);
  }
}

void CalcMat_D_NLMM306(const MaterialRecord& m, StressState pointState, const NLMM304_HD& r, double** D) {
  const CyclicFriction306 c = Nlmm306Of(m);
  const int nSlip = SlipDirections(pointState);
  zerod2(D, nSlip + 1, nSlip + 1);
  if (c.s2 < 1e-8) InternalError(__FILE__, __LINE__);
  for (int j = 1; j <= nSlip; j++) D[j][j] = r.H[kTangent][j];
  D[nSlip + 1][nSlip + 1] = c.kn;
}

void CheckParameters_NLMM306(const MaterialRecord& m, const char* block, int record) {
  const CyclicFriction306 c = Nlmm306Of(m);
  if (!(c.s2 >= 1e-8))
    DataFault(nullptr, block, record, "The slip at the peak bond stress must be at least 1e-8: %g.", c.s2);
  if (!(c.s1 > 0.0))
    DataFault(nullptr, block, record, "The slip at the end of the linear branch must be positive: %g.", c.s1);
  // The warning file <text>_wrn306.out must have a name that fits.
  const size_t len = std::strlen(m.Name2) + std::strlen(kWarningSuffix) + std::strlen(".out");
  if (len > static_cast<size_t>(kBinStringMax - 1))
    DataFault(nullptr, block, record, "The name of the warning file is too long: %zu characters (at most %d).", len,
              kBinStringMax - 1);
}
