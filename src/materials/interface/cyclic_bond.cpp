// Cyclic bond-slip law _NLMM303: a positive and a negative envelope (power-law ascent,
// plateau, linear descent, residual friction), straight unloading lines, friction
// plateaus at fixed small stresses, reloading parabolas back to the last reversal on the
// envelope, and a damage factor on each envelope that falls as the dissipated energy,
// normalised by the energy under the envelope, accumulates.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "materials/interface/bond_laws.h"
#include "model/validate.h"
#include "numcore/numcore.h"

// Values in file order: alpha, s1, s2, tau_1, s3, tau_f, K_un, opening stiffness.
CyclicBond303 Nlmm303Of(const MaterialRecord& m) {
  return {MatValue(m, 1), MatValue(m, 6), MatValue(m, 2), MatValue(m, 3),
          MatValue(m, 5), MatValue(m, 4), MatValue(m, 7)};
}

double Nlmm303InitialStiffness(const MaterialRecord& m) { return MatValue(m, 4) / MatValue(m, 2); }
double Nlmm303SlidingStiffness2D(const MaterialRecord& m) { return MatValue(m, 7); }
double Nlmm303OpeningStiffness(const MaterialRecord& m) { return MatValue(m, 8); }

void CheckParameters_NLMM303(const MaterialRecord& m, const char* block, int record) {
  const CyclicBond303 c = Nlmm303Of(m);
  if (!(c.s1 > 0.0))
    DataFault(nullptr, block, record, "The slip at the start of the plateau must be positive: %g.", c.s1);
  if (!(c.s3 - c.s2 > 0.0))
    DataFault(nullptr, block, record,
              "The slip at the end of the descending branch (%g) must exceed the slip at the end of the plateau (%g).",
              c.s3, c.s2);
  if (!(c.kUn > 0.0)) DataFault(nullptr, block, record, "The unloading stiffness must be positive: %g.", c.kUn);
}

namespace {

constexpr double kFricPos = 0.00645;             // friction level of the positive side
constexpr double kFricNeg = -0.0068;             // and of the negative side
constexpr double kFricEnergyPos = 2.080125e-05;  // 0.00645^2 / 2
constexpr double kFricEnergyNeg = 2.312e-05;     // 0.0068^2 / 2

struct Result {
  double stress, tangent;
};

double Damage(double E) { return E == 0.0 ? 1.0 : std::pow(2.71, -1.2 * std::pow(E, 1.1)); }

// One evaluation of the law at a point.
class Bond303 {
 public:
  Bond303(const PointContext& at, const CyclicBond303& c, NLMM303_HD& r) : at_(at), c_(c), r_(r) {}

  Result Evaluate(double s);

 private:
  double& V(int k) { return r_.Value[k]; }
  void SetOrigin(int field, double slip, double stress) {
    V(field) = slip;
    V(field + 1) = stress;
  }
  // Slope of the unloading line from an origin on the envelope: K_un, or the secant to
  // the friction level when steeper. An origin on the slip axis has no secant.
  double UnloadSlope(double sr, double tr, double level) const {
    return sr == 0.0 ? c_.kUn : std::max(c_.kUn, (tr - level) / sr);
  }

  Result Rule1(double s);
  Result Rule2(double s);
  Result Rule3(double s, int origin);
  Result Rule4(double s);
  Result Rule41(double s);
  Result Rule5(double s);
  Result Rule6(double s);
  Result Rule7(double s);
  Result Rule8(double s);
  Result Rule11(double s);
  Result Rule22(double s);
  Result Goto(int rule, double s);
  [[noreturn]] void NoBranch(double s);

  void EnvelopeEnergy();
  void PosFricEnergy();
  void NegFricEnergy();
  double PartNegFricEnergy();
  double PartPosFricEnergy();
  void PosEnergy();
  void NegEnergy();
  // Area under the envelope from 0 to the slip magnitude a (the last branch by tau).
  double EnvelopeArea(double a, double sSigned, double tau) const;

  const PointContext& at_;
  const CyclicBond303& c_;
  NLMM303_HD& r_;
};

// ---- envelopes -------------------------------------------------------------------------

Result Bond303::Rule1(double s) {
  const double f = std::fabs(c_.tauF) <= kFricPos ? 0.99 * c_.tauF : kFricPos;
  const double d = Damage(V(k303EnergyPos));
  const double A = d * c_.tau1 - f, B = d * c_.tauF - f;
  if (s <= c_.s1) {
    // Slips at or below zero take the value at zero.
    const double x = std::max(s, 0.0) / c_.s1;
    const double q = s > 0.0 ? x : 1e-6 / c_.s1;
    const Result res{f + A * std::pow(x, c_.alpha), c_.alpha * A * std::pow(q, c_.alpha - 1.0) / c_.s1};
    return res.stress < 0.0 ? Result{0.0, 0.0} : res;
  }
  if (s <= c_.s2) return {f + A, 0.0};
  if (s <= c_.s3) {
    const double k = (A - B) / (c_.s2 - c_.s3);
    return {f + B + (s - c_.s3) * k, k};
  }
  return {f + B, 0.0};
}

Result Bond303::Rule2(double s) {
  const double f = std::fabs(c_.tauF) <= kFricPos ? -0.99 * c_.tauF : kFricPos;
  const double d = Damage(V(k303EnergyNeg));
  const double A = -d * c_.tau1 - f, B = -d * c_.tauF - f;
  const double a = -s;
  if (a <= c_.s1) {
    const double x = std::max(a, 0.0) / c_.s1;
    const double q = a > 0.0 ? x : 1e-6 / c_.s1;
    const Result res{f + A * std::pow(x, c_.alpha), -c_.alpha * A * std::pow(q, c_.alpha - 1.0) / c_.s1};
    return res.stress > 0.0 ? Result{0.0, 0.0} : res;
  }
  if (a <= c_.s2) return {f + A, 0.0};
  if (a <= c_.s3) {
    const double k = (A - B) / (c_.s3 - c_.s2);
    return {f + B + (s + c_.s3) * k, k};
  }
  return {f + B, 0.0};
}

// ---- unloading lines ---------------------------------------------------------------------

// Rule 3 from the origin of rule 3, rule 31 from its own origin.
Result Bond303::Rule3(double s, int origin) {
  const double sr = V(origin), tr = V(origin + 1);
  if (s > sr) return Goto(sr <= 0.0 ? 1 : 11, s);
  const double K = UnloadSlope(sr, tr, kFricNeg);
  const double line = tr + K * (s - sr);
  if (line >= kFricNeg) return {line, K};
  return Goto(5, s);
}

Result Bond303::Rule4(double s) {
  const double sr = V(k303Origin4), tr = V(k303Origin4 + 1);
  if (s < sr) return Goto(sr >= 0.0 ? 2 : 22, s);
  const double K = UnloadSlope(sr, tr, kFricPos);
  const double line = tr + K * (s - sr);
  if (line < kFricPos) return {line, K};
  return Goto(6, s);
}

Result Bond303::Rule41(double s) {
  const double sr = V(k303Origin41), tr = V(k303Origin41 + 1);
  const double K = UnloadSlope(sr, tr, kFricPos);
  const double line = tr + K * (s - sr);
  if (s >= sr) {
    if (line >= kFricPos) r_.RuleNumber = 6;
  } else {
    if (sr >= 0.0) InternalError(__FILE__, __LINE__);
    r_.RuleNumber = 22;
  }
  return {line, K};
}

// ---- friction plateaus -----------------------------------------------------------------

Result Bond303::Rule5(double s) {
  if (s >= 0.0) return {kFricNeg, 0.0};
  if (V(k303Origin4) <= 0.0) return Goto(22, s);
  PosEnergy();
  NegFricEnergy();
  return Goto(2, s);
}

Result Bond303::Rule6(double s) {
  if (s <= 0.0) return {kFricPos, 0.0};
  r_.PositiveCount++;
  if (V(k303Origin3) >= 0.0) return Goto(11, s);
  NegEnergy();
  PosFricEnergy();
  return Goto(1, s);
}

// ---- reversals on a plateau --------------------------------------------------------------

[[noreturn]] void Bond303::NoBranch(double s) {
  std::printf("kElement =  %d\n", at_.element);
  std::printf("k_nIP =  %d\n", at_.point);
  std::printf("kIter =  %d\n", at_.iteration);
  std::printf("fSlip =  %lf\n", s);
  InternalError(__FILE__, __LINE__);
}

Result Bond303::Rule7(double s) {
  const double s7 = V(k303Origin7), t7 = V(k303Origin7 + 1);
  // The target branch sees the plateau's friction energy as if it were dissipated.
  const double e = PartNegFricEnergy() / V(k303EnergyRef);
  V(k303EnergyPos) += e;
  const int rule = V(k303Origin3) <= 0.0 ? 1 : 11;
  r_.RuleNumber = rule;
  const Result target = Goto(rule, s);
  V(k303EnergyPos) -= e;
  const double line = t7 + c_.kUn * (s - s7);
  if (line <= kFricNeg) return Goto(5, s);
  if (line >= target.stress && line * target.stress > 0.0) {
    V(k303EnergyPos) += e;
    return target;
  }
  if (line < target.stress) {
    r_.RuleNumber = 7;
    return {line, c_.kUn};
  }
  NoBranch(s);
}

Result Bond303::Rule8(double s) {
  const double s8 = V(k303Origin8), t8 = V(k303Origin8 + 1);
  const double e = PartPosFricEnergy() / V(k303EnergyRef);
  V(k303EnergyNeg) += e;
  const int rule = V(k303Origin4) >= 0.0 ? 2 : 22;
  r_.RuleNumber = rule;
  const Result target = Goto(rule, s);
  V(k303EnergyNeg) -= e;
  const double line = t8 + c_.kUn * (s - s8);
  if (line > kFricPos) return Goto(6, s);
  if (line <= target.stress && line * target.stress > 0.0) {
    V(k303EnergyNeg) += e;
    return target;
  }
  if (line > target.stress) {
    r_.RuleNumber = 8;
    return {line, c_.kUn};
  }
  NoBranch(s);
}

// ---- reloading parabolas -----------------------------------------------------------------

Result Bond303::Rule11(double s) {
  const double sr = V(k303Origin3);
  if (s > sr || sr == 0.0) return Goto(1, s);
  const double te = Rule1(sr).stress;
  const double stress = kFricPos + s * s * (te - kFricPos) / (sr * sr);
  return {stress, s != 0.0 ? stress / s : 0.0};
}

Result Bond303::Rule22(double s) {
  const double sr = V(k303Origin4);
  if (sr > 0.0) InternalError(__FILE__, __LINE__);
  if (s < sr || sr == 0.0) return Goto(2, s);
  const double te = Rule2(sr).stress;
  const double stress = kFricNeg + s * s * (te - kFricNeg) / (sr * sr);
  return {stress, s != 0.0 ? stress / s : 0.0};
}

// Moves the point to `rule` and evaluates it there.
Result Bond303::Goto(int rule, double s) {
  r_.RuleNumber = rule;
  switch (rule) {
    case 1:
      return Rule1(s);
    case 2:
      return Rule2(s);
    case 5:
      return Rule5(s);
    case 6:
      return Rule6(s);
    case 11:
      return Rule11(s);
    case 22:
      return Rule22(s);
    default:
      InternalError(__FILE__, __LINE__);
  }
}

// ---- energies ------------------------------------------------------------------------------

[[noreturn]] void NegativeEnergy(const char* heading, int combination) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n%s", heading);
  std::fprintf(stderr, "   -> Combination: %d\n", combination);
  std::fprintf(stderr, "The energy cannot have negative value \n");
  InternalError(__FILE__, __LINE__);
}

void Bond303::EnvelopeEnergy() {
  const double G = c_.tau1 * c_.s1 / (c_.alpha + 1.0) + c_.tau1 * (c_.s2 - c_.s1) +
                   (c_.tau1 - c_.tauF) * (c_.s3 - c_.s2) / 2.0 + c_.tauF * (c_.s3 - c_.s2);
  if (G < 0.0) NegativeEnergy("Calculating the Total energy:\n", at_.combination);
  V(k303EnergyRef) = 1.2 * G;
}

void Bond303::PosFricEnergy() {
  const double s3 = V(k303Origin3), t3 = V(k303Origin3 + 1);
  const double K = UnloadSlope(s3, t3, kFricNeg);
  const double e = t3 == 0.0 ? 0.0 : s3 - t3 / K;
  V(k303EnergyPos) += std::fabs((std::fabs(kFricNeg * e) - kFricEnergyNeg / K) / 2.0) / V(k303EnergyRef);
}

void Bond303::NegFricEnergy() {
  const double s4 = V(k303Origin4), t4 = V(k303Origin4 + 1);
  const double K = UnloadSlope(s4, t4, kFricPos);
  const double e = t4 == 0.0 ? 0.0 : s4 - t4 / K;
  V(k303EnergyNeg) += std::fabs((std::fabs(kFricPos * e) - kFricEnergyPos / K) / 2.0) / V(k303EnergyRef);
}

double Bond303::PartNegFricEnergy() {
  const double s3 = V(k303Origin3), t3 = V(k303Origin3 + 1), s7 = V(k303Origin7);
  return std::fabs(kFricNeg * ((s3 - (t3 - kFricNeg) / c_.kUn) - s7)) / 2.0;
}

double Bond303::PartPosFricEnergy() {
  const double s4 = V(k303Origin4), t4 = V(k303Origin4 + 1), s8 = V(k303Origin8);
  const double K = UnloadSlope(s4, t4, kFricPos);
  const double e = t4 == 0.0 ? 0.0 : s4 - (t4 - kFricPos) / K;
  return std::fabs((e - s8) * kFricPos) / 2.0;
}

double Bond303::EnvelopeArea(double a, double sSigned, double tau) const {
  const double rise = c_.tau1 * c_.s1 / (c_.alpha + 1.0);
  if (a <= c_.s1) return sSigned * tau / (c_.alpha + 1.0);
  if (a <= c_.s2) return rise + c_.tau1 * (a - c_.s1);
  const double plateau = rise + c_.tau1 * (c_.s2 - c_.s1);
  if (a <= c_.s3) return plateau + (std::fabs(tau) + c_.tau1) * (a - c_.s2) / 2.0;
  return plateau + (c_.tauF + c_.tau1) * (c_.s3 - c_.s2) / 2.0 + (a - c_.s3) * c_.tauF;
}

// Energy of the positive excursion up to the rule-3 origin, less the elastic part given
// back on unloading; it damages the negative envelope.
void Bond303::PosEnergy() {
  const double s3 = V(k303Origin3), t3 = V(k303Origin3 + 1);
  const double K = UnloadSlope(s3, t3, kFricNeg);
  const double energy = std::fabs(EnvelopeArea(std::fabs(s3), s3, t3) - t3 * t3 / (2.0 * K));
  V(k303EnergyNeg) += energy / V(k303EnergyRef);
  if (V(k303EnergyNeg) == 0.0) InternalError(__FILE__, __LINE__);
}

// Energy of the negative excursion up to the rule-4 origin; it sets the positive side's.
void Bond303::NegEnergy() {
  const double s4 = V(k303Origin4), t4 = V(k303Origin4 + 1), a = std::fabs(s4);
  if (a > c_.s3) return;
  const double K = UnloadSlope(s4, t4, kFricPos);
  double area;
  if (a <= c_.s2)
    area = EnvelopeArea(a, s4, t4);
  else
    area = c_.tau1 * c_.s1 / (c_.alpha + 1.0) + c_.tau1 * (c_.s2 - c_.s1) + (c_.tau1 - c_.tauF) * (a - c_.s2) / 2.0 +
           c_.tauF * (a - c_.s2);
  V(k303EnergyPos) = std::fabs(area - t4 * t4 / (2.0 * K)) / V(k303EnergyRef);
}

// ---- dispatch ------------------------------------------------------------------------------

Result Bond303::Evaluate(double s) {
  if (at_.combination == 1 || V(k303EnergyRef) == 0.0) EnvelopeEnergy();
  const double d = s - V(k303Slip);
  const double refS = V(k303RefSlip), refT = V(k303RefStress);
  const bool fromOrigin = refS == 0.0 && refT == 0.0;
  Result res{0.0, 0.0};
  switch (r_.RuleNumber) {
    case 0:
      break;
    case 1:
      if (d >= 0.0) {
        res = Rule1(s);
      } else {
        SetOrigin(k303Origin3, refS, refT);
        SetOrigin(k303LastReversal, refS, refT);
        if (fromOrigin) {
          res = Goto(2, s);
        } else {
          r_.PositiveCount++;
          r_.RuleNumber = 3;
          res = Rule3(s, k303Origin3);
        }
      }
      break;
    case 2:
      if (d <= 0.0) {
        res = Rule2(s);
      } else {
        SetOrigin(k303Origin4, refS, refT);
        SetOrigin(k303LastReversal, refS, refT);
        if (fromOrigin) {
          res = Goto(1, s);
        } else {
          r_.NegativeCount++;
          NegFricEnergy();
          r_.RuleNumber = 4;
          res = Rule4(s);
        }
      }
      break;
    case 3:
      res = Rule3(s, k303Origin3);
      break;
    case 4:
      res = Rule4(s);
      break;
    case 5:
      if (d <= 0.0) {
        res = Rule5(s);
      } else {
        SetOrigin(k303Origin7, refS, refT);
        r_.PositiveCount--;
        r_.RuleNumber = 7;
        res = Rule7(s);
      }
      break;
    case 6:
      if (d >= 0.0) {
        res = Rule6(s);
      } else {
        SetOrigin(k303Origin8, refS, refT);
        r_.NegativeCount--;
        r_.RuleNumber = 8;
        res = Rule8(s);
      }
      break;
    case 7:
      if (d < 0.0) r_.PositiveCount++;
      res = Rule7(s);
      break;
    case 8:
      if (d > 0.0) r_.NegativeCount++;
      res = Rule8(s);
      break;
    case 11:
      if (d >= 0.0) {
        res = Rule11(s);
      } else {
        SetOrigin(k303Origin31, refS, refT);
        SetOrigin(k303LastReversal, refS, refT);
        r_.PositiveCount++;
        r_.RuleNumber = 31;
        res = Rule3(s, k303Origin31);
      }
      break;
    case 22:
      if (d <= 0.0) {
        res = Rule22(s);
      } else {
        SetOrigin(k303Origin41, refS, refT);
        SetOrigin(k303LastReversal, refS, refT);
        r_.NegativeCount++;
        NegFricEnergy();
        r_.RuleNumber = 41;
        res = Rule41(s);
      }
      break;
    // The unloading line from a reversal on a reloading parabola stays the rule of its
    // own origin until it hands over, so that the stress follows one line.
    case 31:
      res = Rule3(s, k303Origin31);
      break;
    case 41:
      res = Rule41(s);
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
  V(k303Tangent) = res.tangent;
  V(k303Slip) = s;
  V(k303Stress) = res.stress;
  V(k303RefSlip) = s;
  V(k303RefStress) = res.stress;
  if (s != 0.0) {
    res.tangent = res.stress / s;
    V(k303Tangent) = res.tangent;
  }
  V(k303DamagePos) = Damage(V(k303EnergyPos));
  V(k303DamageNeg) = Damage(V(k303EnergyNeg));
  if (std::fabs(s) > 1000.0 * c_.s3) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Calculating the stress state:\n");
    std::fprintf(stderr, "   -> Combination: %d\n", at_.combination);
    std::fprintf(stderr, "   -> Iteration: %d\n", at_.iteration);
    std::fprintf(stderr, "   -> Element: %d\n", at_.element);
    std::fprintf(stderr, "   -> Sampling point: %d\n", at_.point);
    std::fprintf(stderr, "   -> Nonlinear material model: _NLMM303\n");
    std::fprintf(stderr, "In this model the Slip cannot exceed the max value\n");
    errexit("Execution cannot proceed.", 0);
  }
  return res;
}

}  // namespace

void CalcStress_NLMM303(const PointContext& at, const MaterialRecord& m, NLMM303_HD& r, double s, double* tau,
                        double* secant) {
  const CyclicBond303 c = Nlmm303Of(m);
  Bond303 law(at, c, r);
  const Result res = law.Evaluate(s);
  *tau = res.stress;
  if (s != 0.0) *secant = res.tangent;
}
