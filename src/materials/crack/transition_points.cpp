// Transition points of crack events: the fraction k of a strain increment at which a
// new crack starts (largest principal stress at the initiation stress, or its direction
// at the threshold angle from the existing cracks), a closed crack reopens (normal
// traction at the reopening threshold) or an active crack closes (normal crack strain at
// the closing strain). Each residual solves the cracked point anew for k times the
// increment from the record; the record is never written.
#include <algorithm>
#include <cmath>

#include "materials/crack/crack_models.h"
#include "numcore/numcore.h"

namespace {

constexpr double kTol = 1e-6;
enum { kNewCrack = 1, kReopening = 2, kClosing = 3 };

struct Search {
  const CrackEventContext& x;
  const CrackView& v;
  const double* dEps;
  int event, arg, crack;  // arg: criterion (new crack) or active position (closing)
  const double* ratio;
  double sNew = 0.0, scale = 1.0, k0 = 0.5;

  // Residual at k; false when the delta-stress solve fails.
  bool R(double k, double& r) const {
    double d[7];
    for (int i = 1; i <= v.model->ns; i++) d[i] = k * dEps[i];
    const int nc = v.model->nc;
    CrackSolve s;
    if (!s.Run(x, v, d)) return false;
    switch (event) {
      case kClosing:
        r = s.c.e[nc * (arg - 1) + 1] - (v.model->thresholds ? v.close[crack] : 0.0);
        return true;
      case kReopening: {
        double t[13];
        CalcCrTractions(v, s.sigma, t);
        const double tn = t[nc * (crack - 1) + 1];
        r = v.model->thresholds ? tn - v.reop[crack] : tn / x.p.ref - ratio[crack];
        return true;
      }
      default: {
        const PrincipalStresses P(x, s.sigma);
        switch (arg) {
          case 1: r = sNew - P.Largest(); return true;
          case 2: r = *v.angle - CalcDeltaCrAngleOf(v, P.Dir(P.m)); return true;
          default: InternalError(__FILE__, __LINE__);
        }
      }
    }
  }

  // Newton step by the central difference over k +- 0.001.
  bool Dk(double k, double r, double& dk) const {
    double rm = 0.0, rp = 0.0;
    if (!R(k - 0.001, rm) || !R(k + 0.001, rp)) return false;
    const double d = (rp - rm) / 0.002;
    dk = -r / (std::fabs(d) < kSmall ? kSmall : d);
    return true;
  }

  bool Converged(double r) const { return std::fabs(r) / scale < kTol; }

  // Start value and scale from the solve of the whole increment.
  void Prepare() {
    if (event == kReopening) {
      k0 = 0.5;
      scale = v.model->thresholds ? x.p.ref : 1.0;
      return;
    }
    if (event == kClosing && CalcNumActiveCr(v) < 1) InternalError(__FILE__, __LINE__);
    CrackSolve s;
    if (!s.Run(x, v, dEps)) InternalError(__FILE__, __LINE__);
    if (event == kClosing) {
      scale = 1.0;
      StartClosing(s);
    } else {
      const int n = *v.nCr;
      if (n >= 4) InternalError(__FILE__, __LINE__);
      sNew = v.ft[n + 1];
      switch (arg) {
        case 1: scale = x.p.ref; break;
        case 2: scale = 1.0; break;
        default: InternalError(__FILE__, __LINE__);
      }
      StartNewCrack(s);
    }
  }

  void StartClosing(const CrackSolve& s) {
    int i = 0;
    for (int k = 1, j = 0; k <= *v.nCr; k++)
      if (v.status[k] != kCrClosed && ++j == arg) i = k;
    if (i == 0) InternalError(__FILE__, __LINE__);
    const int nc = v.model->nc;
    const double e1 = s.c.e[nc * (arg - 1) + 1], e0 = v.e[nc * (i - 1) + 1];
    const double eRef = v.model->thresholds ? v.close[i] : 0.0;
    if (!(e1 < 0.0)) InternalError(__FILE__, __LINE__);
    // A start already below the closing strain (left there by a step far beyond the law's
    // range) closes at the start of the increment: k0 falls to its floor below.
    if (v.model->thresholds) {
      if (!(e1 <= eRef && e1 <= e0)) InternalError(__FILE__, __LINE__);
    } else if (!(e0 >= 0.0)) {
      InternalError(__FILE__, __LINE__);
    }
    double d = e1 - e0;
    if (std::fabs(d) < kSmall) d = -kSmall;
    // Where the strain reaches the closing strain, or zero from a positive start.
    k0 = v.model->thresholds && e0 < 0.0 ? (eRef - e0) / d : 1.0 - e1 / d;
    if (k0 < 0.0) k0 = kSmall;
  }

  void StartNewCrack(const CrackSolve& s) {
    const PrincipalStresses A(x, v.stress), B(x, s.sigma);
    const auto ratio = [](double num, double den) { return std::fabs(den) < kSmall ? kSmall : num / den; };
    const int n = *v.nCr;
    if (arg == 1) {
      const double b = B.Largest();
      if (n == 0 || v.status[n] != kCrInitiating) {
        k0 = ratio(sNew - A.Largest(), b - A.Largest());
      } else {
        // Right after a crack formed the other principal stresses may be the ones to come
        // up: the smaller of the two candidates of a solid, the minor one of a plane stress.
        k0 = ratio(sNew - A.v[A.m - 1], b - A.v[A.m - 1]);
        if (A.m == 3) k0 = std::min(k0, ratio(sNew - A.v[1], b - A.v[1]));
      }
    } else {
      const double a0 = CalcDeltaCrAngleOf(v, A.Dir(A.m)), a1 = CalcDeltaCrAngleOf(v, B.Dir(B.m));
      k0 = ratio(*v.angle - a0, a1 - a0);
    }
    if (k0 < kSmall) k0 = 0.1;
  }

  // Newton's method with restarts at 0 and then at 1, 50 more iterations each.
  bool Newton(double* kOut) const {
    double k = k0, r = 0.0;
    int limit = 50, count = 0;
    bool at0 = false, at1 = false;
    const auto restart = [&] {
      if (!at0) {
        k = 0.0;
        at0 = true;
      } else if (!at1) {
        k = 1.0;
        at1 = true;
      } else {
        return false;
      }
      limit += 50;
      return true;
    };
    bool ok = R(k, r);
    while (ok) {
      if (Converged(r)) {
        // A new crack's k must lie in the increment; the others go to the range test.
        if (event != kNewCrack || (k > -kSmall && k < 1.00000001)) break;
        if (!restart()) {
          ok = false;
          break;
        }
      }
      if (++count > limit && !restart()) {
        ok = false;
        break;
      }
      double dk = 0.0;
      if (!Dk(k, r, dk)) {
        ok = false;
        break;
      }
      k += dk;
      if (event == kNewCrack ? (k > 1.5 || k < -0.5) : std::fabs(k) > 1e8) {
        ok = false;
        break;
      }
      ok = R(k, r);
    }
    // A converged k that misses the increment by rounding only (within 1e-8 of an end) is
    // that end: the event sits exactly at the start or at the end of the increment.
    if (ok && k < 0.0 && k > -kSmall) k = 0.0;
    if (ok && k > 1.0 && k < 1.00000001) k = 1.0;
    *kOut = k;
    return ok && !(k < 0.0 || k > 1.0);
  }

  // Bisection on [0, 1] from the start value; the reopening search restarts like Newton's.
  bool Bisection(double* kOut) const {
    const bool reop = event == kReopening;
    double rLo = reop ? -1.0 : 1.0, rHi = reop ? 1.0 : -1.0, kLo = 0.0, kHi = 1.0, k = k0, r = 0.0;
    R(0.0, rLo);
    R(1.0, rHi);
    const int fixed = event == kNewCrack ? 500 : 1000;
    int limit = 50, count = 0;
    bool at0 = false, at1 = false, first = true;
    for (;;) {
      if ((rLo < 0.0 && rHi < 0.0) || (rLo > 1.0 && rHi > 1.0)) {
        *kOut = k;
        return false;
      }
      if (!first) k = 0.5 * (kLo + kHi);
      first = false;
      if (std::fabs(k) > 1e8 || !R(k, r)) {
        *kOut = k;
        return false;
      }
      if (Converged(r)) break;
      count++;
      if (!reop && count > fixed) {
        *kOut = k;
        return false;
      }
      if (reop && count > limit) {
        // The restart point takes the place of the trial in the bracket.
        if (v.model->thresholds && !at0) {
          k = 0.0;
          at0 = true;
        } else if (v.model->thresholds && !at1) {
          k = 1.0;
          at1 = true;
        } else {
          *kOut = k;
          return false;
        }
        limit += 50;
      }
      if (r * rLo <= 0.0) {
        kHi = k;
        rHi = r;
      } else {
        kLo = k;
        rLo = r;
      }
    }
    if (k < 0.0 || k > 1.0) InternalError(__FILE__, __LINE__);
    *kOut = k;
    return true;
  }
};

bool Find(int event, const CrackEventContext& x, const CrackView& v, const double* dEps, int arg, int crack,
          const double* ratio, double* k) {
  return CalcTransPointIterAlgor(event, 1, x, v, dEps, arg, crack, ratio, k) ||
         CalcTransPointIterAlgor(event, 2, x, v, dEps, arg, crack, ratio, k);
}

}  // namespace

bool CalcTransPointIterAlgor(int event, int algorithm, const CrackEventContext& x, const CrackView& v,
                             const double* dEps, int arg, int crack, const double* ratio, double* k) {
  if (event < kNewCrack || event > kClosing) InternalError(__FILE__, __LINE__);
  Search s{x, v, dEps, event, arg, crack, ratio};
  s.Prepare();
  switch (algorithm) {
    case 1: return s.Newton(k);
    case 2: return s.Bisection(k);
    default: InternalError(__FILE__, __LINE__);
  }
}

bool CalcTransPointNewCrInit(const CrackEventContext& x, const CrackView& v, const double* dEps, int criterion,
                             double* k) {
  return Find(kNewCrack, x, v, dEps, criterion, 0, nullptr, k);
}

bool CalcTransPointCrReop(const CrackEventContext& x, const CrackView& v, const double* dEps, int crack,
                          const double* ratio, double* k) {
  return Find(kReopening, x, v, dEps, 0, crack, ratio, k);
}

bool CalcTransPointCrClose(const CrackEventContext& x, const CrackView& v, const double* dEps, int active, int crack,
                           double* k) {
  return Find(kClosing, x, v, dEps, active, crack, nullptr, k);
}
