// Crack stiffness terms of the solid crack models: the mode-I terms (tangent of the
// softening law, secant to the origin while a crack closes or reopens, chord of a
// step), the mode-II terms (shear retention, shear softening tangent, secant and chord),
// the tangent and the secant crack matrices, their floors, the derivative of the shear
// retention stiffness, the crack strain matrix A, and the crack axes T of the angles of a
// plane model.
#include <algorithm>
#include <cmath>

#include "materials/crack/crack_models.h"
#include "numcore/numcore.h"

namespace {

int LawOf(const CrackParams& p) {
  GUARD(p.law < 1 || p.law > p.model->nLaws);
  return p.law;
}

// Residual crack normal stiffness beyond the ultimate strain (models that keep one).
double Residual(const CrackParams& p) { return p.model->residualNormal ? p.Emin : 0.0; }

// Exponent of the retention rule 2, 3, 4.
int RetentionExponent(int retention) {
  switch (retention) {
    case 2: return 1;
    case 3: return 2;
    case 4: return 3;
    default: InternalError(__FILE__, __LINE__);
  }
}

// Shear softening of component k of crack i: its peak stress, its stiffness before the
// peak and the strain of the peak.
struct ShearBranch {
  double tau0, K0, gamma0, gfII, h;
  // Energy that the shifted normal law (laws 2 and 3) must hold beyond the peak.
  double Shifted() const { return h * (gfII / h - 0.5 * gamma0 * tau0); }
};

ShearBranch BranchOf(const CrackParams& p, const ActiveCracks& c, int i, int k) {
  GUARD(k != 1 && k != 2);
  GUARD(p.model->linearShearOnly && p.shearLaw != 1);
  ShearBranch b{};
  b.tau0 = k == 1 ? c.tau1[i] : c.tau2[i];
  b.K0 = k == 1 ? c.k1[i] : c.k2[i];
  GUARD(!(std::fabs(b.K0) >= kSmall));
  b.gamma0 = b.tau0 / b.K0;
  b.gfII = c.gfII[i];
  b.h = c.h[i];
  return b;
}

int ShearNormalLaw(int shearLaw) {
  switch (shearLaw) {
    case 2: return kLawTrilinear;
    case 3: return kLawCornelissen;
    default: InternalError(__FILE__, __LINE__);
  }
}

// Step 0 <= d < 1e-8 moved to 1e-8 (and -1e-8 < d < 0 to -1e-8): the stiffness that takes
// a crack shear stress back to zero in this step.
double AwayFromZero(double d) {
  if (d >= 0.0 && d < kSmall) return kSmall;
  if (d < 0.0 && d > -kSmall) return -kSmall;
  GUARD(!(d == d));
  return d;
}

// Tangent shear term of component k (the crack matrix of the point and of the Newton
// step): g the crack shear strain, gRef its value at the reference state, tauRef the
// crack shear stress there. The slope of the law is taken at |g|.
double ShearTangent(const CrackParams& p, const ActiveCracks& c, int i, int k, double g, double gRef, double tauRef) {
  const int state = k == 1 ? c.shear1[i] : c.shear2[i];
  if (c.status[i] == kCrFullyOpen && state != kShFreeSliding) return -tauRef / AwayFromZero(g - gRef);
  const ShearBranch b = BranchOf(p, c, i, k);
  const double dg = g - gRef, ag = std::fabs(g), gMax = std::fabs(k == 1 ? c.gMax1[i] : c.gMax2[i]);
  const double gU = CrShearUltStrain(p, c, i, k);
  const auto tangent = [&] { return ag <= gU ? Calc_DcrII_Soft(p, c, i, k, ag) : 0.0; };
  switch (state) {
    case kShLoadingStiff: return ag <= b.gamma0 ? b.K0 : tangent();
    case kShLoadingSoft:
      if (std::fabs(dg) < 1e-20) return tangent();
      if ((dg > 0.0 && g > 0.0 && gRef > 0.0) || (dg < 0.0 && g < 0.0 && gRef < 0.0)) return tangent();
      return ag <= gMax ? Calc_DcrII_UnloRelo(p, c, i, k, gMax) : tangent();
    case kShUnloading:
    case kShReloading: return ag <= gMax ? Calc_DcrII_UnloRelo(p, c, i, k, gMax) : tangent();
    case kShFreeSliding: return 0.0;
    default: InternalError(__FILE__, __LINE__);
  }
}

// Secant shear term of component k over a step from (gs, ts) by dg.
double ShearSecant(const CrackParams& p, const ActiveCracks& c, int i, int k, double gs, double ts, double dg) {
  const int state = k == 1 ? c.shear1[i] : c.shear2[i];
  if (c.status[i] == kCrFullyOpen && state != kShFreeSliding) return -ts / AwayFromZero(dg);
  const ShearBranch b = BranchOf(p, c, i, k);
  const double gn = gs + dg, agn = std::fabs(gn), gMax = std::fabs(k == 1 ? c.gMax1[i] : c.gMax2[i]);
  const auto chord = [&] { return Calc_DcrII_SecSoft(p, c, i, k, agn, dg, ts, gn < 0.0); };
  switch (state) {
    case kShLoadingStiff:
      if (agn <= b.gamma0) return b.K0;
      if (agn > b.gamma0) return chord();
      break;
    case kShLoadingSoft:
      if (std::fabs(dg) < 1e-20) return agn <= CrShearUltStrain(p, c, i, k) ? Calc_DcrII_Soft(p, c, i, k, agn) : 0.0;
      if ((dg > 0.0 && gs > 0.0 && gn > 0.0) || (dg < 0.0 && gs < 0.0 && gn < 0.0)) return chord();
      if (agn > gMax) return chord();
      if (agn <= gMax) return Calc_DcrII_UnloRelo(p, c, i, k, gMax);
      break;
    case kShUnloading:
    case kShReloading:
      if (agn > gMax) return chord();
      if (agn <= gMax) return Calc_DcrII_UnloRelo(p, c, i, k, gMax);
      break;
    case kShFreeSliding: return 0.0;
    default: break;
  }
  InternalError(__FILE__, __LINE__);
}

}  // namespace

// ---- mode I ------------------------------------------------------------------------------------

double CrUltStrain(const CrackParams& p, const ActiveCracks& c, int i) {
  return CrUltNormalStrain(LawOf(p), c.ft[i], c.gf[i], c.h[i], p.shape);
}

double CrNormalStress(const CrackParams& p, const ActiveCracks& c, int i, double eps) {
  return CrNormalStressSoft(LawOf(p), c.ft[i], c.gf[i], c.h[i], eps, p.shape, c.ft[i] / p.E, Residual(p));
}

double Calc_DcrI_Soft(const CrackParams& p, const ActiveCracks& c, int i, double eps) {
  return CrNormalSlopeSoft(LawOf(p), c.ft[i], c.gf[i], c.h[i], eps, p.shape, c.ft[i] / p.E);
}

double Calc_DcrI_CloseReop(const CrackParams& p, const ActiveCracks& c, int i, double epsMax) {
  GUARD(!(epsMax >= 0.0));
  // A crack that barely opened (a step far beyond the law's range can close it from
  // there) takes the secant from 1e-8, as the shear steps do.
  const double e = std::max(epsMax, kSmall);
  return CrNormalStress(p, c, i, e) / e;
}

double Calc_DcrI_SecSoft(const CrackParams& p, const ActiveCracks& c, int i, double eps, double dEps,
                         double sigmaStart) {
  GUARD(!(dEps != 0.0));
  return (CrNormalStress(p, c, i, eps) - sigmaStart) / dEps;
}

// ---- mode II -----------------------------------------------------------------------------------

double Calc_DcrII(const CrackParams& p, const ActiveCracks& c, int i, double eps) {
  if (p.retention == 1) return p.beta / (1.0 - p.beta) * p.G;
  const double epsU = CrUltStrain(p, c, i);
  if (eps < 0.0) return 1e7 * p.G;  // closed in compression
  if (eps > epsU) return 0.0;       // fully open
  GUARD(std::fabs(epsU) < kSmall);
  const double b = std::pow(1.0 - eps / epsU, RetentionExponent(p.retention));
  GUARD(!(b >= 0.0 && b <= 1.0));
  if (1.0 - b < kSmall) return 1e7 * p.G;
  return b / (1.0 - b) * p.G;
}

double Calc_dDcrII_dDeltaCrStrain(const CrackParams& p, const ActiveCracks& c, int i, double eps, double dEps) {
  if (p.retention == 1) return 0.0;
  const double epsU = CrUltStrain(p, c, i);
  if (eps < 0.0 || eps > epsU) return 0.0;
  GUARD(std::fabs(epsU) < kSmall);
  const int e = RetentionExponent(p.retention);
  const double x = 1.0 - (eps + dEps) / epsU;
  if (std::fabs(x) < kSmall) return -1e7 * p.G;
  const double b = std::pow(x, e);
  if (std::fabs(1.0 - b) < kSmall) return -1e7 * p.G;
  return -(b * e / epsU / x) * p.G / (1.0 - b) - (b * b * p.G / ((1.0 - b) * (1.0 - b))) * e / epsU / x;
}

double CrShearUltStrain(const CrackParams& p, const ActiveCracks& c, int i, int k) {
  const ShearBranch b = BranchOf(p, c, i, k);
  if (p.shearLaw == 1) return CrUltShearStrainLinear(b.gfII, b.h, b.tau0);
  return b.gamma0 + CrUltNormalStrain(ShearNormalLaw(p.shearLaw), b.tau0, b.Shifted(), b.h, p.shearShape);
}

double CrShearStress(const CrackParams& p, const ActiveCracks& c, int i, int k, double gamma) {
  const ShearBranch b = BranchOf(p, c, i, k);
  // Below the start of the softening the envelope is its stiff branch (a secant from a
  // largest strain that a large step left there).
  if (gamma < b.gamma0) return b.K0 * gamma;
  if (p.shearLaw == 1) return CrShearStressSoftLinear(b.gfII, b.h, gamma, b.tau0, b.gamma0);
  return CrNormalStressSoft(ShearNormalLaw(p.shearLaw), b.tau0, b.Shifted(), b.h, gamma - b.gamma0, p.shearShape,
                            0.0);
}

double Calc_DcrII_Soft(const CrackParams& p, const ActiveCracks& c, int i, int k, double gamma) {
  const ShearBranch b = BranchOf(p, c, i, k);
  if (p.shearLaw == 1) return CrShearSlopeSoftLinear(b.gfII, b.h, gamma, b.tau0, b.gamma0);
  return CrNormalSlopeSoft(ShearNormalLaw(p.shearLaw), b.tau0, b.Shifted(), b.h, gamma - b.gamma0, p.shearShape,
                           0.0);
}

double Calc_DcrII_UnloRelo(const CrackParams& p, const ActiveCracks& c, int i, int k, double gMax) {
  GUARD(!(gMax >= kSmall));
  return CrShearStress(p, c, i, k, gMax) / gMax;
}

double Calc_DcrII_SecSoft(const CrackParams& p, const ActiveCracks& c, int i, int k, double absGamma,
                          double dGamma, double tauStart, bool negative) {
  GUARD(!(dGamma != 0.0));
  const double tau = CrShearStress(p, c, i, k, absGamma);
  return ((negative ? -tau : tau) - tauStart) / dGamma;
}

// ---- crack matrices ----------------------------------------------------------------------------

void Calc_Dcr(const CrackParams& p, const ActiveCracks& c, const double* e, const double* eRef, const double* s,
              double** Dcr) {
  const double none = -Residual(p);  // no normal stiffness left
  const int nc = p.model->nc;
  for (int i = 1; i <= c.n; i++) {
    const int r = nc * (i - 1);
    const double eps = e[r + 1], d = eps - eRef[r + 1], epsU = CrUltStrain(p, c, i), epsMax = c.epsMax[i];
    const auto soft = [&] { return eps > epsU ? none : Calc_DcrI_Soft(p, c, i, eps); };
    const auto secant = [&] { return Calc_DcrI_CloseReop(p, c, i, epsMax); };
    double DI;
    switch (c.status[i]) {
      case kCrInitiating:
        GUARD(d < 0.0);
        DI = soft();
        break;
      case kCrOpening: DI = d >= 0.0 ? soft() : secant(); break;
      case kCrClosing: DI = d <= 0.0 ? secant() : eps > epsU ? none : eps >= epsMax ? soft() : secant(); break;
      case kCrReopening: DI = d < 0.0 ? secant() : eps > epsU ? none : eps > epsMax ? soft() : secant(); break;
      case kCrFullyOpen: DI = none; break;
      default: InternalError(__FILE__, __LINE__);
    }
    Dcr[r + 1][r + 1] = DI;
    for (int k = 1; k < nc; k++)
      Dcr[r + 1 + k][r + 1 + k] = p.shearLaw == 0 ? Calc_DcrII(p, c, i, eps)
                                                  : ShearTangent(p, c, i, k, e[r + 1 + k], eRef[r + 1 + k], s[r + 1 + k]);
  }
}

void Calc_Dcr_Sec(const CrackParams& p, const ActiveCracks& c, const double* e, const double* s, const double* de,
                  double** Dcr) {
  const double none = -Residual(p);
  const int nc = p.model->nc;
  for (int i = 1; i <= c.n; i++) {
    const int r = nc * (i - 1);
    const double es = e[r + 1], ss = s[r + 1], d = de[r + 1], en = es + d, epsMax = c.epsMax[i];
    double DI;
    switch (c.status[i]) {
      case kCrInitiating:
      case kCrOpening:
        if (std::fabs(d) >= 1e-20) {
          DI = d > 0.0 ? Calc_DcrI_SecSoft(p, c, i, en, d, ss) : Calc_DcrI_CloseReop(p, c, i, epsMax);
        } else if (std::fabs(d) < 1e-20) {
          // No step: the tangent of the law (of its residual branch beyond eps_u).
          DI = en <= CrUltStrain(p, c, i) ? Calc_DcrI_Soft(p, c, i, en) : none;
        } else {
          InternalError(__FILE__, __LINE__);
        }
        break;
      case kCrClosing:
      case kCrReopening:
        GUARD(!(epsMax >= kSmall));
        if (en <= epsMax) {
          DI = Calc_DcrI_CloseReop(p, c, i, epsMax);
        } else if (en > epsMax) {
          DI = Calc_DcrI_SecSoft(p, c, i, en, d, ss);
        } else {
          InternalError(__FILE__, __LINE__);
        }
        break;
      case kCrFullyOpen: DI = none; break;
      default: InternalError(__FILE__, __LINE__);
    }
    Dcr[r + 1][r + 1] = DI;
    for (int k = 1; k < nc; k++) {
      double G;
      if (p.shearLaw == 0) {
        G = Calc_DcrII(p, c, i, en);
        if (p.model->floor == kFloorPlain && G < p.Gmin) G = p.Gmin;
      } else {
        G = ShearSecant(p, c, i, k, e[r + 1 + k], s[r + 1 + k], de[r + 1 + k]);
      }
      Dcr[r + 1 + k][r + 1 + k] = G;
    }
  }
}

void FindPerpendicularCrPair(int n, int* i, int* j, const double* angle) {
  *i = *j = 0;
  if (n < 2) return;
  const double halfPi = 1.5707963267948966;
  for (int k = 1; k <= n; k++)
    for (int l = k + 1; l <= n; l++)
      if (std::fabs(std::fabs(angle[k] - angle[l]) - halfPi) < kSmall) {
        *i = k;
        *j = l;
      }
}

void ApplyMinCrStiff(const CrackParams& p, const ActiveCracks& c, int mode, double** Dcr) {
  const int nc = p.model->nc, n = c.n;
  const auto raiseShear = [&](int i) {
    for (int k = 1; k < nc; k++) {
      double& G = Dcr[nc * (i - 1) + 1 + k][nc * (i - 1) + 1 + k];
      if (std::fabs(G) < p.Gmin) G = p.Gmin;
    }
  };
  switch (p.model->floor) {
    case kFloorPlain:
      // The shear terms of a crack are floored together.
      for (int i = 1; i <= n; i++) {
        const int r = nc * (i - 1);
        double& N = Dcr[r + 1][r + 1];
        if (N < p.Emin) N = p.Emin;
        bool low = false;
        for (int k = 1; k < nc; k++) low = low || Dcr[r + 1 + k][r + 1 + k] < p.Gmin;
        if (low)
          for (int k = 1; k < nc; k++) Dcr[r + 1 + k][r + 1 + k] = p.Gmin;
      }
      return;
    case kFloorOrthoPair: {
      // Negative shear terms go; a normal term keeps the floor (an open crack at every
      // point of a quadratic element leaves its mid-side nodes no stiffness along the
      // normal without it); a lone crack, or the last pair at right angles, keeps a
      // shear stiffness.
      for (int d = 1; d <= nc * n; d++)
        if ((d - 1) % nc == 0 ? Dcr[d][d] < p.Emin : Dcr[d][d] < 0.0) Dcr[d][d] = (d - 1) % nc == 0 ? p.Emin : 0.0;
      if (n == 1) {
        raiseShear(1);
        return;
      }
      int i, j;
      FindPerpendicularCrPair(n, &i, &j, c.angle);
      if (i == 0) return;
      raiseShear(i);
      raiseShear(j);
      return;
    }
    case kFloorModes:
    case kFloorModesShearOnly: break;
    default: InternalError(__FILE__, __LINE__);
  }
  for (int i = 1; i <= n; i++) {
    const int r = nc * (i - 1);
    double& N = Dcr[r + 1][r + 1];
    switch (mode) {
      case 0:
        if (N < p.Emin) N = p.Emin;
        for (int k = 1; k < nc; k++)
          if (Dcr[r + 1 + k][r + 1 + k] < p.Gmin) Dcr[r + 1 + k][r + 1 + k] = p.Gmin;
        break;
      case 1:
        if (p.model->floor == kFloorModes && std::fabs(N) < p.Emin) N = -p.Emin;
        for (int k = 1; k < nc; k++)
          if (std::fabs(Dcr[r + 1 + k][r + 1 + k]) < p.Gmin) Dcr[r + 1 + k][r + 1 + k] = p.shearLaw != 0 ? -p.Gmin : p.Gmin;
        break;
      default: InternalError(__FILE__, __LINE__);
    }
  }
}

void CalcFirstDeriv_DcrII(const CrackParams& p, const ActiveCracks& c, const double* eHat, const double* e,
                          double** J) {
  const int nc = p.model->nc;
  for (int i = 1; i <= c.n; i++) {
    const int r = nc * (i - 1);
    const double en = eHat[r + 1];
    const double d = Calc_dDcrII_dDeltaCrStrain(p, c, i, en, en - e[r + 1]);
    for (int k = 1; k < nc; k++) {
      const int j = r + 1 + k;
      switch (p.shearMode) {
        case 1: J[j][r + 1] += (eHat[j] - e[j]) * d; break;  // incremental crack shear stress
        case 2: J[j][r + 1] += eHat[j] * d; break;           // total
        default: InternalError(__FILE__, __LINE__);
      }
    }
  }
}

void CalcMat_A(const PointContext& at, const SolidCrackModel& model, int n, double** Dco, double** Dcr, double** T,
               double** A) {
  const int ns = model.ns;
  double **M1, **M3, **M4;
  allocd2(&M1, n, ns);
  allocd2(&M3, n, n);
  allocd2(&M4, n, n);
  multd2d2(M1, T, Dco, n, ns, ns);
  multd2td2(M3, M1, T, n, ns, n);
  addd2(M3, Dcr, n, n);
  if (!invertd2(M4, M3, n))
    MaterialPointFault(at, "Calculating the A matrix to obtain the crack delta strain vector:\n", model.name,
                       "Unable to invert the [Dcr + Tcr x Dco x TcrT] matrix.");
  multd2d2(A, M4, M1, n, n, ns);
  freed2(M4);
  freed2(M3);
  freed2(M1);
}

void CalcMat_Tcr(int n, double** T, const double* angle) {
  for (int i = 1; i <= n; i++) {
    const double c = std::cos(angle[i]), s = std::sin(angle[i]);
    double* a = T[2 * i - 1];
    double* b = T[2 * i];
    a[1] = c * c;
    a[2] = s * s;
    a[3] = 2.0 * s * c;
    b[1] = -s * c;
    b[2] = s * c;
    b[3] = c * c - s * s;
  }
}
