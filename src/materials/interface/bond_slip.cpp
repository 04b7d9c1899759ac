// Monotonic bond-slip (_NLMM301), softening interface (_NLMM302) and bond slip with
// Coulomb friction (_NLMM305). Each law keeps its point's state in its own record; the
// tangents only read it.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "materials/interface/bond_laws.h"
#include "model/mesh.h"
#include "model/validate.h"
#include "numcore/numcore.h"

// ---- _NLMM301 ------------------------------------------------------------------------------

BondSlip301 Nlmm301Of(const MaterialRecord& m) {
  return {MatValue(m, 1), MatValue(m, 2), MatValue(m, 3), MatValue(m, 4), MatValue(m, 5), MatValue(m, 6)};
}

namespace {

// Bond stress of the envelope at the slip magnitude a >= 0.
double Envelope301(const BondSlip301& c, double a) {
  if (a <= c.s1) return std::pow(c.s1 / c.s2, c.alpha) * c.tauMax * a / c.s1;
  if (a <= c.s2) return c.tauMax * std::pow(a / c.s2, c.alpha);
  return c.tauMax * std::pow(a / c.s2, -c.beta);
}

}  // namespace

void CalcStress_NLMM301(const MaterialRecord& m, NLMM301_HD& r, const double* w, double* sigma) {
  const BondSlip301 c = Nlmm301Of(m);
  const double s = w[1];
  double& sMax = r.Value[NLMM301_HD::kMaxSlip301];
  double& tMax = r.Value[NLMM301_HD::kStressAtMax301];
  double tau;
  if (-sMax < s && s < sMax)
    tau = tMax / sMax * s;  // secant through the origin
  else
    tau = std::copysign(Envelope301(c, std::fabs(s)), s);
  sigma[1] = tau;
  sigma[2] = c.kn * w[2];
  r.Value[NLMM301_HD::kSlip301] = s;
  r.Value[NLMM301_HD::kStress301] = tau;
  if (std::fabs(s) > sMax) {
    sMax = std::fabs(s);
    tMax = std::fabs(tau);
  }
}

void CalcMat_D_NLMM301(const MaterialRecord& m, const NLMM301_HD& r, double** D) {
  const BondSlip301 c = Nlmm301Of(m);
  const double s = r.Value[NLMM301_HD::kSlip301], sMax = r.Value[NLMM301_HD::kMaxSlip301], a = std::fabs(s);
  zerod2(D, 2, 2);
  D[2][2] = c.kn;
  if (-sMax < s && s < sMax)
    D[1][1] = r.Value[NLMM301_HD::kStressAtMax301] / sMax;
  else if (a <= c.s1)
    D[1][1] = std::pow(c.s1 / c.s2, c.alpha) * c.tauMax / c.s1;
  else if (a > c.s2)
    D[1][1] = -c.beta * c.tauMax * std::pow(a / c.s2, -c.beta - 1.0) / c.s2;
  else
    D[1][1] = c.alpha * c.tauMax * std::pow(a / c.s2, c.alpha - 1.0) / c.s2;
}

void CheckParameters_NLMM301(const MaterialRecord& m, const char* block, int record) {
  const BondSlip301 c = Nlmm301Of(m);
  if (!(c.s1 > 0.0))
    DataFault(nullptr, block, record, "The slip at the end of the linear branch must be positive: %g.", c.s1);
  if (!(c.s2 > 0.0)) DataFault(nullptr, block, record, "The slip at the peak bond stress must be positive: %g.", c.s2);
}

// ---- _NLMM302 ------------------------------------------------------------------------------

// The reader stores the file values kt, kn, ft, w1, r1, w2, r2, wu in the order
// r1, r2, w1, w2, wu, ft, kt, kn.
SoftInterface302 Nlmm302Of(const MaterialRecord& m) {
  return {MatValue(m, 5), MatValue(m, 7), MatValue(m, 4), MatValue(m, 6),
          MatValue(m, 8), MatValue(m, 3), MatValue(m, 1), MatValue(m, 2)};
}

double CalcNormalStressSoft_NLMM302(const SoftInterface302& c, double w) {
  if (w < 0.0) InternalError(__FILE__, __LINE__);
  auto length = [](double l) {
    if (std::fabs(l) < kSmall) InternalError(__FILE__, __LINE__);
    return l;
  };
  if (w < c.w1) return c.ft + (c.r1 - 1.0) * c.ft * w / length(c.w1);
  if (w < c.w2) return c.r1 * c.ft + (c.r2 - c.r1) * c.ft * (w - c.w1) / length(c.w2 - c.w1);
  if (w <= c.wu) return c.r2 * c.ft - c.r2 * c.ft * (w - c.w2) / length(c.wu - c.w2);
  return 0.0;
}

namespace {

// A secant from the origin needs a softening point off it. wMax is at least the cracking
// opening f_t / k_n, 3e-9 for a stiff joint in m: the guard is 1e-8 of the ultimate
// opening, and never above 1e-8.
bool OffTheOrigin302(const SoftInterface302& c, double wMax) {
  return std::fabs(wMax) >= kSmall * std::fmin(1.0, c.wu);
}

}  // namespace

double CalcNormalStressSec_NLMM302(const SoftInterface302& c, double w, double wMax) {
  if (!OffTheOrigin302(c, wMax)) InternalError(__FILE__, __LINE__);
  return CalcNormalStressSoft_NLMM302(c, wMax) / wMax * w;
}

namespace {

enum State302 { kUncracked = 1, kSoftening, kUnloading, kClosed, kReloading, kSeparated };

}  // namespace

void CalcStress_NLMM302(const MaterialRecord& m, NLMM302_HD& r, const double* w, double* sigma) {
  const SoftInterface302 c = Nlmm302Of(m);
  const double wn = w[2];
  double& wLast = r.Value[NLMM302_HD::kDisplacement];
  double& wMax = r.Value[NLMM302_HD::kEnvelope];
  const double dw = wn - wLast;
  wLast = wn;
  int state = r.InUse;
  double sn = 0.0;
  auto soften = [&] {
    state = kSoftening;
    wMax = wn;
    sn = CalcNormalStressSoft_NLMM302(c, wn);
  };
  auto separate = [&] {
    state = kSeparated;
    if (wn > wMax) wMax = wn;
    sn = 0.0;
  };
  auto close = [&] {
    state = kClosed;
    sn = c.kn * wn;
  };
  auto secant = [&](int s) {
    state = s;
    sn = CalcNormalStressSec_NLMM302(c, wn, wMax);
  };
  switch (state) {
    case kUncracked:
      if (c.kn * wn <= c.ft) {
        sn = c.kn * wn;
        break;
      }
      [[fallthrough]];  // cracks: on as softening
    case kSoftening:
      if (dw >= 0.0) {
        if (wn <= c.wu)
          soften();
        else {
          state = kSeparated;
          wMax = wn;
          sn = 0.0;
        }
      } else if (wn < 0.0) {
        close();
      } else {
        secant(kUnloading);
      }
      break;
    case kUnloading:
      if (dw < 0.0) {
        if (wn < 0.0)
          close();
        else
          secant(kUnloading);
      } else if (wn > c.wu) {
        state = kSeparated;
        wMax = wn;
        sn = 0.0;
      } else if (wn < wMax) {
        secant(kReloading);
      } else {
        soften();
      }
      break;
    case kClosed:
      if (dw < 0.0)
        close();
      else if (wn <= c.wu && wMax <= c.wu) {
        if (wn >= wMax)
          soften();
        else
          secant(kReloading);
      } else if (wn < 0.0) {
        close();  // fully separated once, still penetrating: the contact holds
      } else {
        separate();
      }
      break;
    case kReloading:
      if (dw >= 0.0) {
        if (wn > c.wu)
          separate();
        else if (wn >= wMax)
          soften();
        else
          secant(kReloading);
      } else if (wn < 0.0) {
        close();
      } else {
        secant(kUnloading);
      }
      break;
    case kSeparated:
      if (wn < 0.0)
        close();
      else
        separate();
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
  r.InUse = state;
  r.Value[NLMM302_HD::kForce] = sn;
  sigma[1] = state == kSeparated ? 0.0 : c.kt * w[1];
  sigma[2] = sn;
}

void CalcMat_D_NLMM302(const MaterialRecord& m, const NLMM302_HD& r, double** D) {
  const SoftInterface302 c = Nlmm302Of(m);
  zerod2(D, 2, 2);
  const double w = r.Value[NLMM302_HD::kDisplacement], wMax = r.Value[NLMM302_HD::kEnvelope];
  switch (r.InUse) {
    case kUncracked:
    case kClosed:
      D[1][1] = c.kt;
      D[2][2] = c.kn;
      return;
    case kSoftening:
      D[1][1] = c.kt;
      if (w < c.w1)
        D[2][2] = c.ft * (c.r1 - 1.0) / c.w1;
      else if (w < c.w2)
        D[2][2] = c.ft * (c.r2 - c.r1) / (c.w2 - c.w1);
      else if (w <= c.wu)
        D[2][2] = -c.ft * c.r2 / (c.wu - c.w2);
      return;
    case kUnloading:
    case kReloading:
      if (!OffTheOrigin302(c, wMax)) InternalError(__FILE__, __LINE__);
      D[1][1] = c.kt;
      D[2][2] = CalcNormalStressSoft_NLMM302(c, wMax) / wMax;
      return;
    case kSeparated:
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CheckParameters_NLMM302(const MaterialRecord& m, const char* block, int record) {
  const SoftInterface302 c = Nlmm302Of(m);
  if (!(c.w1 >= kSmall))
    DataFault(nullptr, block, record, "The first opening of the softening curve must be positive: %g.", c.w1);
  if (!(c.w2 - c.w1 >= kSmall))
    DataFault(nullptr, block, record, "The second opening of the softening curve (%g) must exceed the first (%g).",
              c.w2, c.w1);
  if (!(c.wu - c.w2 >= kSmall))
    DataFault(nullptr, block, record,
              "The ultimate opening (%g) must exceed the second opening of the softening curve (%g).", c.wu, c.w2);
}

// ---- _NLMM305 ------------------------------------------------------------------------------

FrictionBond305 Nlmm305Of(const MaterialRecord& m) {
  return {MatValue(m, 1), MatValue(m, 2), MatValue(m, 3), MatValue(m, 4),
          MatValue(m, 5), MatValue(m, 6), MatValue(m, 7)};
}

int SlipDirections(StressState s) {
  switch (s) {
    case kStateInterfaceLine2D: return 1;
    case kStateInterfaceSurface: return 2;
    default: InternalError(__FILE__, __LINE__);
  }
}

namespace {

// Record places of slip direction j: slip, stress, largest |slip|, |stress| there.
struct Fields305 {
  int slip, stress, sMax, tMax;
};
constexpr Fields305 Dir305(int j) {
  return {NLMM305_HD::kSlip + j - 1, NLMM305_HD::kStress + j - 1, NLMM305_HD::kMaxSlip + j - 1,
          NLMM305_HD::kStressAtMax + j - 1};
}

}  // namespace

void CalcStress_NLMM305(const MaterialRecord& m, StressState state, NLMM305_HD& r, const double* w, double* sigma) {
  const FrictionBond305 c = Nlmm305Of(m);
  const int nSlip = SlipDirections(state);
  const double wn = w[nSlip + 1];
  const double sn = wn < 0.0 ? c.kn * wn : 0.0;
  const double tauMax = c.tau0 - std::tan(c.phi) * sn;
  if (c.sPeak < kSmall) {
    std::printf("Slip at peak bond stress = %15.5le\n", c.sPeak);
    InternalError(__FILE__, __LINE__);
  }
  double* v = r.Value;
  for (int j = 1; j <= nSlip; j++) {
    const Fields305 f = Dir305(j);
    const double s = w[j], x = std::fabs(s);
    double tau = 0.0;
    if (tauMax >= 0.0 && wn <= 0.0) {
      if (-v[f.sMax] < s && s < v[f.sMax] && v[f.sMax] >= kSmall) {
        tau = v[f.tMax] / v[f.sMax] * s;
      } else {
        double a;
        if (x > c.sLin)
          a = x <= c.sPeak ? tauMax * std::pow(x / c.sPeak, c.alpha) : tauMax * std::pow(x / c.sPeak, -c.beta);
        else if (c.sLin > kSmall)
          a = tauMax * std::pow(c.sLin / c.sPeak, c.alpha) / c.sLin * x;
        else
          a = tauMax * std::pow(x / c.sPeak, c.alpha);
        tau = std::copysign(a, s);
      }
    }
    sigma[j] = tau;
    v[f.slip] = s;
    v[f.stress] = tau;
    if (x > v[f.sMax]) {
      v[f.sMax] = x;
      v[f.tMax] = std::fabs(tau);
    }
  }
  sigma[nSlip + 1] = sn;
  v[NLMM305_HD::kNormalStress] = sn;
  v[NLMM305_HD::kStrength] = tauMax;
  v[NLMM305_HD::kOpening] = wn;
}

void CalcMat_D_NLMM305(const MaterialRecord& m, StressState state, const NLMM305_HD& r, double** D) {
  const FrictionBond305 c = Nlmm305Of(m);
  const int nSlip = SlipDirections(state);
  zerod2(D, nSlip + 1, nSlip + 1);
  const double tauMax = c.tau0 - std::tan(c.phi) * r.Value[NLMM305_HD::kNormalStress];
  if (c.sPeak < kSmall) InternalError(__FILE__, __LINE__);
  const double* v = r.Value;
  for (int j = 1; j <= nSlip; j++) {
    const Fields305 f = Dir305(j);
    const double s = v[f.slip], x = std::fabs(s);
    double k;
    if (tauMax < kSmall) {
      k = kSmall;
    } else if (x < v[f.sMax] && v[f.sMax] >= kSmall) {
      k = v[f.tMax] / v[f.sMax];
    } else if (x <= c.sLin && c.sLin > kSmall) {
      k = tauMax * std::pow(c.sLin / c.sPeak, c.alpha) / c.sLin;
    } else {
      // The power branches; at zero slip their slope is taken just off the origin.
      const double q = std::max(x, 1e-6 * c.sPeak) / c.sPeak;
      k = x <= c.sPeak ? c.alpha * tauMax / c.sPeak * std::pow(q, c.alpha - 1.0)
                       : -c.beta * tauMax / c.sPeak * std::pow(q, -c.beta - 1.0);
    }
    D[j][j] = k;
  }
  D[nSlip + 1][nSlip + 1] = c.kn;
}

void CheckParameters_NLMM305(const MaterialRecord& m, const char* block, int record) {
  const FrictionBond305 c = Nlmm305Of(m);
  if (!(c.sPeak >= kSmall))
    DataFault(nullptr, block, record, "The slip at the peak bond stress must be at least 1e-8: %g.", c.sPeak);
}
