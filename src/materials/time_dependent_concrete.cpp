// Age- and temperature-dependent concrete: shrinkage, maturity, temperature, Kelvin
// chain, and the admitted material-pattern compositions.
#include "materials/time_dependent_concrete.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "materials/crack/crack_start.h"
#include "materials/material_slots.h"
#include "numcore/numcore.h"

namespace {

constexpr int kFlagYes = 1;  // flag bytes: 1 "_Y", 2 "_N"

void SetNormalStrains(int n, double value, double* eps) {
  if (n < 3) InternalError(__FILE__, __LINE__);
  for (int i = 1; i <= 3; i++) eps[i] = value;
}

// ---- _NLMM171 ----

double DryShrink171(const MaterialRecord& m, double t) {
  const double ts = MatSlotValue(m, MAT_NLMM171, 67);
  if (t <= ts) return 0.0;
  const double h0 = MatSlotValue(m, MAT_NLMM171, 68), fcm = MatSlotValue(m, MAT_NLMM171, 69);
  const double RH = MatSlotValue(m, MAT_NLMM171, 70);
  double ads1, ads2;
  switch (MatSlotInt(m, MAT_NLMM171, 71, 1)) {
    case 1: ads1 = 3.0; ads2 = 0.13; break;
    case 2: ads1 = 4.0; ads2 = 0.12; break;
    case 3: ads1 = 6.0; ads2 = 0.11; break;
    default: InternalError(__FILE__, __LINE__);
  }
  const double betaDs = (t - ts) / ((t - ts) + 0.04 * std::sqrt(h0 * h0 * h0));
  const double h = RH / 100.0;
  const double betaRH = -1.55 * (1.0 - h * h * h);
  return 0.85 * (220.0 + 110.0 * ads1) * std::exp(-ads2 * fcm / 10.0) * 1e-6 * betaRH *
         CalcNotionalSizeCoef_NLMM171(h0) * betaDs;
}

double AutoShrink171(const MaterialRecord& m, double t) {
  const double fck = MatSlotValue(m, MAT_NLMM171, 69) - 8.0;
  if (!(fck > 10.0) || t <= 0.0) return 0.0;
  return -2.5 * (fck - 10.0) * 1e-6 * (1.0 - std::exp(-0.2 * std::sqrt(t)));
}

// ---- _NLMM172 ----

// Modulus growth of the shrinkage law, without the common factor 4734 sqrt(fc).
double AgeFactor172(double t) { return std::sqrt(t / (4.0 + 0.85 * t)); }

double DryShrink172(const MaterialRecord& m, double t) {
  const double t0 = MatSlotValue(m, MAT_NLMM172, 76);
  if (t <= t0) return 0.0;
  const double fc = MatSlotValue(m, MAT_NLMM172, 68), w = MatSlotValue(m, MAT_NLMM172, 69);
  const double ks = MatSlotValue(m, MAT_NLMM172, 78), vs = MatSlotValue(m, MAT_NLMM172, 79);
  const double a1 = MatSlotValue(m, MAT_NLMM172, 80), a2 = MatSlotValue(m, MAT_NLMM172, 81);
  double kt;
  switch (MatSlotInt(m, MAT_NLMM172, 82, 1)) {
    case 1: kt = MatSlotValue(m, MAT_NLMM172, 83); break;
    case 2: kt = 8.5 * std::pow(t0, -0.08) * std::pow(fc, -0.25); break;
    default: InternalError(__FILE__, __LINE__);
  }
  double tauSh;
  switch (MatSlotInt(m, MAT_NLMM172, 84, 1)) {
    case 1: tauSh = MatSlotValue(m, MAT_NLMM172, 85); break;
    case 2: tauSh = kt * (2.0 * ks * vs) * (2.0 * ks * vs); break;
    default: InternalError(__FILE__, __LINE__);
  }
  const double epsInf = a1 * a2 * (0.019 * std::pow(w, 2.1) * std::pow(fc, -0.28) + 270.0) * 1e-6;
  const double ratio = std::sqrt(1.1674199442254065) / AgeFactor172(t0 + tauSh);
  const double S = std::sqrt(std::tanh((t - t0) / tauSh));
  return -epsInf * ratio * CalcHumidityCoef_NLMM172(MatSlotValue(m, MAT_NLMM172, 77)) * S;
}

double AutoShrink172(const MaterialRecord& m, double t) {
  const double ta = MatSlotValue(m, MAT_NLMM172, 88);
  if (t <= ta) return 0.0;
  const double tauA = MatSlotValue(m, MAT_NLMM172, 89), epsInf = MatSlotValue(m, MAT_NLMM172, 90);
  const double RH = MatSlotValue(m, MAT_NLMM172, 91);
  return -epsInf * (0.99 - RH / 100.0) * std::sqrt(std::tanh((t - ta) / tauA));
}

bool FlagOn(const MaterialRecord& m, int k) { return MatInt(m, k) == kFlagYes; }

// ---- crack material of _NLMM173 and _NLMM175 ----

void SetCrackValue(MaterialRecord& crack, int slot, double v) { SetMatSlotValue(crack, MAT_NLMM111, slot, v); }

// Tensile strength fct and fracture energy gf into the crack slots: all four at the first
// call, afterwards only a slot without a crack whose strength is below fct. A slot's
// energy is raised to the critical one of its band width (the crack material already
// holds the modulus of the moment). Returns the energy given last (gf when none).
double UpdateCrackSlots(const MaterialRecord& crack, double fct, double gf, bool first, CrackPart111& cr) {
  double last = gf;
  for (int i = 1; i <= 4; i++) {
    const bool formed = i <= cr.nCr;
    if (!first && (formed || !(cr.CrTensileStrength[i] < fct))) continue;
    cr.CrTensileStrength[i] = fct;
    last = std::max(gf, CalcCritic_Gf_NLMM111(crack, fct, cr.CrBandWidth[i]));
    cr.CrGf[i] = last;
  }
  return last;
}

// Young's modulus, strengths and fracture energy of the moment into the crack material
// and the crack slots (the first call, flag set, clears it). Returns the energy given last.
double SetCrackProperties(MaterialRecord& crack, double E, double fc, double fct, double gf, char& firstCallFlag,
                          CrackPart111& cr) {
  SetCrackValue(crack, 67, E);
  SetCrackValue(crack, 68, fc);
  SetCrackValue(crack, 69, fct);
  const bool first = firstCallFlag != 0;
  firstCallFlag = 0;
  const double last = UpdateCrackSlots(crack, fct, gf, first, cr);
  SetCrackValue(crack, 77, last);
  return last;
}

// The 20 degree value v20 scaled by the factor of the temperature law, held at 1e-6 v20.
double Floored(double factor, double v20) { return std::max(factor, 1e-6) * v20; }

double UnitWeightAt(double T, double rho20) {
  if (T <= 115.0) return rho20;
  if (T <= 200.0) return (1.0 - 0.02 * (T - 115.0) / 85.0) * rho20;
  if (T <= 400.0) return (0.98 - 0.03 * (T - 200.0) / 200.0) * rho20;
  if (T <= 1200.0) return (0.95 - 0.07 * (T - 400.0) / 800.0) * rho20;
  return 0.88 * rho20;
}

double YoungModulusAt(double T, double E20) {
  if (T <= 150.0) return E20;
  if (T <= 700.0) return Floored((700.0 - T) / 550.0, E20);
  return 1e-6 * E20;
}

double CompressiveStrengthAt(double T, double fc20) {
  if (T <= 100.0) return fc20;
  if (T <= 400.0) return (1.067 - 0.00067 * T) * fc20;
  if (T <= 800.0) return (1.44 - 0.0016 * T) * fc20;
  if (T <= 1200.0) return Floored(0.16 - 0.0004 * (T - 800.0), fc20);
  return 1e-6 * fc20;
}

double TensileStrengthAt(double T, double fct20) {
  if (T <= 100.0) return fct20;
  if (T <= 600.0) return Floored(1.0 - (T - 100.0) / 500.0, fct20);
  return 1e-6 * fct20;
}

// Law k of m175: 0 the 20 degree value, 1 the temperature law (only 0 where onlyConstant).
bool TemperatureLaw(const MaterialRecord& m175, int k, bool onlyConstant) {
  switch (MatInt(m175, k)) {
    case 0: return false;
    case 1:
      if (onlyConstant) InternalError(__FILE__, __LINE__);
      return true;
    default: InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

// ---- shrinkage ---------------------------------------------------------------------------

double CalcNotionalSizeCoef_NLMM171(double h0) {
  if (h0 <= 100.0) return 1.0;
  if (h0 <= 200.0) return 1.0 - 0.15 * (h0 - 100.0) / 100.0;
  if (h0 <= 300.0) return 0.85 - 0.1 * (h0 - 200.0) / 100.0;
  if (h0 < 500.0) return 0.75 - 0.05 * (h0 - 300.0) / 200.0;
  return 0.7;
}

double CalcHumidityCoef_NLMM172(double RH) {
  const double h = RH / 100.0, dry = 1.0 - h * h * h;
  if (h <= 0.98) return dry;
  if (h < 1.0) return dry + (-0.2 - dry) * (h - 0.98) / 0.02;
  return -0.2;
}

void CalcDryShrinkStrain_NLMM171(const MaterialRecord& m, int n, double t, double* eps) {
  SetNormalStrains(n, FlagOn(m, 1) ? DryShrink171(m, t) : 0.0, eps);
}
void CalcAutoShrinkStrain_NLMM171(const MaterialRecord& m, int n, double t, double* eps) {
  SetNormalStrains(n, FlagOn(m, 2) ? AutoShrink171(m, t) : 0.0, eps);
}
void CalcShrinkStrain_NLMM171(const MaterialRecord& m, int n, double t, double* eps) {
  SetNormalStrains(n, (FlagOn(m, 1) ? DryShrink171(m, t) : 0.0) + (FlagOn(m, 2) ? AutoShrink171(m, t) : 0.0), eps);
}

void CalcDryShrinkStrain_NLMM172(const MaterialRecord& m, int n, double t, double* eps) {
  SetNormalStrains(n, FlagOn(m, 1) ? DryShrink172(m, t) : 0.0, eps);
}
void CalcAutoShrinkStrain_NLMM172(const MaterialRecord& m, int n, double t, double* eps) {
  SetNormalStrains(n, FlagOn(m, 2) ? AutoShrink172(m, t) : 0.0, eps);
}
void CalcShrinkStrain_NLMM172(const MaterialRecord& m, int n, double t, double* eps) {
  SetNormalStrains(n, (FlagOn(m, 1) ? DryShrink172(m, t) : 0.0) + (FlagOn(m, 2) ? AutoShrink172(m, t) : 0.0), eps);
}

// ---- maturity ----------------------------------------------------------------------------

void CalcConcPropAtEquivAge_NLMM173(MaterialRecord& crack, const MaterialRecord& m173, double E28, double fcm28,
                                    double fctm28, double Gf28, double dt, double T, double t, CrackPart111& cr,
                                    NLMM173_HD& h) {
  h.Age = t;
  // Equivalent age: the age itself, or advanced by the rate of the temperature
  // (exponential law or Arrhenius with Ea / R).
  const double TK = T + 273.15;
  switch (MatInt(m173, 1)) {
    case 0: h.EquivalentAge = t; break;
    case 1: h.EquivalentAge += dt * std::exp(13.65 - 4000.0 / TK); break;
    case 2: h.EquivalentAge += dt * std::exp(-(MatValue(m173, 2) / MatValue(m173, 7)) * (1.0 / TK - 1.0 / 293.15)); break;
    default: InternalError(__FILE__, __LINE__);
  }
  const double te = h.EquivalentAge;
  double s;
  switch (MatInt(m173, 4)) {
    case 1: s = 0.38; break;
    case 2: s = 0.25; break;
    case 3: s = 0.2; break;
    default: InternalError(__FILE__, __LINE__);
  }
  const double beta = std::exp(s * (1.0 - std::sqrt(28.0 / te)));
  double fcm, fctm, Ec;
  switch (MatInt(m173, 3)) {
    case 0: fcm = fcm28; fctm = fctm28; Ec = E28; break;
    case 1:
      fcm = beta * fcm28;
      fctm = (te >= 28.0 ? std::pow(beta, 2.0 / 3.0) : beta) * fctm28;
      Ec = std::pow(beta, 0.3) * E28;
      break;
    default: InternalError(__FILE__, __LINE__);
  }
  double Gf;
  switch (MatInt(m173, 5)) {
    case 0: Gf = Gf28; break;
    case 1: Gf = std::pow(beta, MatValue(m173, 6)) * Gf28; break;
    default: InternalError(__FILE__, __LINE__);
  }
  // At an equivalent age near zero the ageing law leaves the concrete no stiffness (beta
  // falls to 0): no crack law takes that.
  if (!(Ec > 0.0) || !(fctm / Ec <= 1.0)) {
    char msg[1000];
    std::snprintf(msg, sizeof msg,
                  "The ageing law of the concrete %s gives at the equivalent age %g days\n"
                  "a modulus of elasticity of %g (tensile strength %g): the concrete is too young\n"
                  "for the crack model. Start the analysis at a later age.",
                  m173.Name, te, Ec, fctm);
    std::fflush(stdout);
    errexit(msg, 0);
  }
  const double last = SetCrackProperties(crack, Ec, fcm, fctm, Gf, h.FirstCallFlag, cr);
  h.CompressiveStrength = fcm;
  h.TensileStrength = fctm;
  h.YoungModulus = Ec;
  h.FractureEnergy = last;
}

// ---- temperature -------------------------------------------------------------------------

void CalcTempDependentConcProp_NLMM175(MaterialRecord& crack, const MaterialRecord& m175, double E20, double fc20,
                                       double fct20, double Gf20, double rho20, double nu20, double T,
                                       double alpha20, double time, CrackPart111& cr, NLMM175_HD& h) {
  const double rho = TemperatureLaw(m175, 1, false) ? UnitWeightAt(T, rho20) : rho20;
  const bool alphaLaw = TemperatureLaw(m175, 2, false);
  const double alpha = alphaLaw ? (6.0 + 0.008 * T) * 1e-6 : alpha20;
  TemperatureLaw(m175, 3, true);
  const double E = TemperatureLaw(m175, 4, false) ? YoungModulusAt(T, E20) : E20;
  const double fc = TemperatureLaw(m175, 5, false) ? CompressiveStrengthAt(T, fc20) : fc20;
  const double fct = TemperatureLaw(m175, 6, false) ? TensileStrengthAt(T, fct20) : fct20;
  TemperatureLaw(m175, 7, true);
  SetCrackValue(crack, 64, rho);
  // The temperature strains of the point use the coefficient at its temperature.
  if (alphaLaw) SetCrackValue(crack, 65, alpha);
  SetCrackValue(crack, 66, nu20);
  const double last = SetCrackProperties(crack, E, fc, fct, Gf20, h.FirstCallFlag, cr);
  h.Time = time;
  h.Temperature = T;
  h.UnitWeight = rho;
  h.ThermalExpansion = alpha;
  h.PoissonRatio = nu20;
  h.YoungModulus = E;
  h.CompressiveStrength = fc;
  h.TensileStrength = fct;
  h.FractureEnergy = last;
}

// ---- Kelvin chain ------------------------------------------------------------------------

double CalcKelvinEffectiveModulus(int N, double E0, double dt, const double* E, const double* tau) {
  if (N < 1) return E0;
  double compliance = 1.0 / E0;
  for (int u = 1; u <= N; u++) {
    // (tau/dt)(1 - exp(-dt/tau)), written so that small steps keep their digits; 1 at dt = 0.
    const double x = dt / tau[u];
    const double lambda = x == 0.0 ? 1.0 : -std::expm1(-x) / x;
    compliance += (1.0 - lambda) / E[u];
  }
  return 1.0 / compliance;
}

void CalcKelvinChainModuli(int N, double a, double b, double c, double* E, const double* k) {
  for (int u = 1; u <= N; u++) {
    const double k0 = k[4 * u - 3], k1 = k[4 * u - 2], k2 = k[4 * u - 1], k3 = k[4 * u];
    double compliance =
        k0 * std::pow(c / 0.002, k1) * (k3 / a) * std::pow(10.0, (u - 1) * k1) * std::pow(b, -k2);
    if (u == N) compliance *= 1.2;
    E[u] = 1.0 / compliance;
  }
}

void CalcKelvinCreepStrainIncr(int N, int n, double f, double dt, double** G, double* deps, const double* tau) {
  for (int i = 1; i <= n; i++) {
    for (int u = 1; u <= N; u++) deps[i] += -std::expm1(-dt / tau[u]) * G[i][u];
    deps[i] *= -f;
  }
}

// ---- material patterns -------------------------------------------------------------------

void CalcPossibleNLMMPattComposition(double** table) {
  // A base material (linear, the solid crack model, or the plane crack model with the
  // fracture model), at most one shrinkage law, optionally creep and maturity; the
  // temperature model only alone with the solid crack model.
  static constexpr int kRows[kPattCompositions][4] = {
      {MAT_LIN_ISO, MAT_NLMM171, 0, 0},
      {MAT_LIN_ISO, MAT_NLMM172, 0, 0},
      {MAT_LIN_ISO, MAT_NLMM173, 0, 0},
      {MAT_LIN_ISO, MAT_NLMM174, 0, 0},
      {MAT_LIN_ISO, MAT_NLMM171, MAT_NLMM173, 0},
      {MAT_LIN_ISO, MAT_NLMM172, MAT_NLMM173, 0},
      {MAT_LIN_ISO, MAT_NLMM174, MAT_NLMM173, 0},
      {MAT_LIN_ISO, MAT_NLMM171, MAT_NLMM174, 0},
      {MAT_LIN_ISO, MAT_NLMM172, MAT_NLMM174, 0},
      {MAT_LIN_ISO, MAT_NLMM171, MAT_NLMM174, MAT_NLMM173},
      {MAT_LIN_ISO, MAT_NLMM172, MAT_NLMM174, MAT_NLMM173},
      {MAT_NLMM104, MAT_FRC_MIXFRACTURE_2D, 0, 0},
      {MAT_NLMM111, MAT_NLMM171, 0, 0},
      {MAT_NLMM111, MAT_NLMM172, 0, 0},
      {MAT_NLMM111, MAT_NLMM173, 0, 0},
      {MAT_NLMM111, MAT_NLMM174, 0, 0},
      {MAT_NLMM111, MAT_NLMM175, 0, 0},
      {MAT_NLMM111, MAT_NLMM171, MAT_NLMM173, 0},
      {MAT_NLMM111, MAT_NLMM172, MAT_NLMM173, 0},
      {MAT_NLMM111, MAT_NLMM174, MAT_NLMM173, 0},
      {MAT_NLMM111, MAT_NLMM171, MAT_NLMM174, 0},
      {MAT_NLMM111, MAT_NLMM172, MAT_NLMM174, 0},
      {MAT_NLMM111, MAT_NLMM171, MAT_NLMM174, MAT_NLMM173},
      {MAT_NLMM111, MAT_NLMM172, MAT_NLMM174, MAT_NLMM173},
  };
  zerod2(table, kPattCompositions, kMaterialKinds);
  for (int r = 1; r <= kPattCompositions; r++)
    for (int code : kRows[r - 1]) {
      if (code == 0) continue;
      table[r][code] += 1.0;
      if (table[r][code] > 1.0) InternalError(__FILE__, __LINE__);
    }
}
