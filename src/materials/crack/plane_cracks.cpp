// Plane members of the smeared-crack family: the cracked tangent of the plane records,
// the transverse shear of cracked shells and the compressive damage of the plane model
// with concrete plasticity.
#include <cmath>
#include <cstdio>

#include "materials/crack/plane_cracks.h"
#include "materials/plasticity/crack_plasticity.h"
#include "materials/material_slots.h"
#include "numcore/numcore.h"

namespace {

// Transverse shear parameters: law slot 90 (_NLMM104) or 99 (_NLMM142), then the
// strength, the fracture energy and the trilinear shape.
struct TransverseLaw {
  int kind;
  double strength, gf;
  CrackLawShape shape;
};

TransverseLaw TransverseLawOf(int code, const MaterialRecord& m) {
  int slot;
  switch (code) {
    case MAT_NLMM104: slot = 90; break;
    case MAT_NLMM142: slot = 99; break;
    default: InternalError(__FILE__, __LINE__);
  }
  const auto V = [&](int k) { return MatSlotValue(m, code, k); };
  TransverseLaw t{};
  t.kind = MatSlotInt(m, code, slot, 1);
  if (t.kind < 1 || t.kind > 3) InternalError(__FILE__, __LINE__);
  t.strength = V(slot + 1);
  t.gf = V(slot + 2);
  t.shape = {V(slot + 3), V(slot + 4), V(slot + 5), V(slot + 6), 0.0, 0.0};
  return t;
}

// Component k (1, 2) of the record: status, uncracked byte, cracking stress and strain,
// envelope strain.
struct Component {
  int32_t* status;
  char* uncracked;
  double *tauP, *gP, *gEnv;
};

Component ComponentOf(CrackPart104& r, int k) {
  return {k == 1 ? &r.PointFlagA : &r.PointFlagB, k == 1 ? &r.PointByteA : &r.PointByteB,
          &r.PointValue[TransverseShearValue(k, kTsCrackStress)],
          &r.PointValue[TransverseShearValue(k, kTsCrackStrain)],
          &r.PointValue[TransverseShearValue(k, kTsEnvStrain)]};
}

}  // namespace

void CalcMat_Decr_NLMM104(const PointContext& at, const MaterialRecord& m, const CrackPart104& r, double** Dco,
                          double** D, const double* share) {
  CalcMat_DecrOfRecord(kModel104, at, m, r, CalcNumActiveCr_NLMM104(r), AssignActCrData_NLMM104, Dco, D, share);
}

namespace {
CrackView View101(NLMM101_HD& r) { return CrackViewOf(r, kModel101); }
const double* Strain101(const NLMM101_HD& r) { return r.Strain; }
}  // namespace

void CalcMat_Decr_NLMM101(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r, double** Dco,
                          double** D) {
  double share[13];
  CalcMat_DecrOfRecord(kModel101, at, m, r, CalcNumActiveCr_NLMM101(r), AssignActCrData_NLMM101, Dco, D,
                       StepCrackShares(at, r, Dco, share, View101, Strain101));
}

// ---- transverse shear ----------------------------------------------------------------------

double Calc_Dscr_UnloRelo(int code, const MaterialRecord& m, double h, double tauP, double gP, double gMax) {
  const TransverseLaw t = TransverseLawOf(code, m);
  if (!(std::fabs(gMax) >= kSmall)) InternalError(__FILE__, __LINE__);
  return TransverseShearEnvelope(t.kind, t.gf, h, tauP, gP, t.shape, gMax) / gMax;
}

void CalcShearStressCr_OP(int code, const MaterialRecord& m, CrackPart104& r, double** Ds, const double* g,
                          double* tau) {
  const TransverseLaw t = TransverseLawOf(code, m);
  const double h = r.CrBandWidth[1];
  for (int k = 1; k <= 2; k++) {
    Component c = ComponentOf(r, k);
    const double gk = g[k], ag = std::fabs(gk), te = Ds[k][k] * gk;
    if (*c.uncracked == 1) {
      // At the strength the component cracks; its stress is still the elastic one.
      if (std::fabs(te) >= t.strength) {
        *c.tauP = std::fabs(te);
        *c.gP = ag;
        *c.gEnv = gk;
        *c.status = 2;
        *c.uncracked = 0;
      }
      tau[k] = te;
      continue;
    }
    const double gU = TransverseShearUltStrain(t.kind, t.gf, h, *c.tauP, *c.gP, t.shape);
    const double gMax = std::fabs(*c.gEnv), dg = ag - std::fabs(r.PointVectorA[k]);
    const auto envelope = [&] {
      *c.gEnv = gk;
      *c.status = ag > gU ? 5 : 2;
      return TransverseShearEnvelope(t.kind, t.gf, h, *c.tauP, *c.gP, t.shape, ag);
    };
    const auto secant = [&](int next) {
      *c.status = next;
      return TransverseShearUnloRelo(t.kind, t.gf, h, *c.tauP, *c.gP, t.shape, gMax, ag);
    };
    double a;
    switch (*c.status) {
      case 2: a = dg >= 0.0 ? envelope() : secant(3); break;
      case 3: a = dg <= 0.0 ? secant(3) : ag <= gMax ? secant(4) : envelope(); break;
      case 4: a = dg < 0.0 ? secant(3) : ag > gMax ? envelope() : secant(4); break;
      case 5: a = 0.0; break;
      default: InternalError(__FILE__, __LINE__);
    }
    tau[k] = gk < 0.0 ? -a : a;
  }
}

void CalcMat_Dscr(int code, const MaterialRecord& m, const CrackPart104& r, double** Ds, double** D) {
  const TransverseLaw t = TransverseLawOf(code, m);
  const double h = r.CrBandWidth[1];
  zerod2(D, 2, 2);
  for (int k = 1; k <= 2; k++) {
    const int status = k == 1 ? r.PointFlagA : r.PointFlagB;
    const double tauP = r.PointValue[TransverseShearValue(k, kTsCrackStress)];
    const double gP = r.PointValue[TransverseShearValue(k, kTsCrackStrain)];
    const double gEnv = r.PointValue[TransverseShearValue(k, kTsEnvStrain)];
    switch (status) {
      case 1: D[k][k] = Ds[k][k]; break;
      case 2:
      case 3:
      case 4: {
        const double g = std::fabs(r.PointVectorA[k]);
        if (status == 2 && g > gP && TransverseShearUltStrain(t.kind, t.gf, h, tauP, gP, t.shape) < g)
          InternalError(__FILE__, __LINE__);
        D[k][k] = Calc_Dscr_UnloRelo(code, m, h, tauP, gP, std::fabs(gEnv));
        break;
      }
      case 5: D[k][k] = Ds[k][k] / 1e6; break;
      default: InternalError(__FILE__, __LINE__);
    }
  }
}

namespace {

// A shell point carries transverse shear by its law once it has cracked in its plane
// (_NLMM104 status 2, _NLMM142 statuses 2 and 4); before that, or without a law, the
// transverse shear stays elastic.
bool TransverseShearCracked(int code, const MaterialRecord& m, int status) {
  const int slot = code == MAT_NLMM104 ? 90 : 99;
  if (code != MAT_NLMM104 && code != MAT_NLMM142) InternalError(__FILE__, __LINE__);
  if (MatSlotInt(m, code, slot, 1) == 0) return false;
  switch (status) {
    case 1: return false;
    case 2: return true;
    case 3:
    case 4:
      if (code == MAT_NLMM142) return status == 4;
      [[fallthrough]];
    default: InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

void CalcMat_Ds_OP(int code, const MaterialRecord& m, int status, const CrackPart104& r, double** Ds, double** D) {
  if (TransverseShearCracked(code, m, status))
    CalcMat_Dscr(code, m, r, Ds, D);
  else
    copyd2(D, Ds, 2, 2);
}

void CalcShearStress_OP(int code, const MaterialRecord& m, int status, CrackPart104& r, double** Ds, const double* g,
                        double* tau) {
  if (TransverseShearCracked(code, m, status))
    CalcShearStressCr_OP(code, m, r, Ds, g, tau);
  else
    multd2d1(tau, Ds, g, 2, 2);
  copyd1(r.PointVectorA, g, 2);
  copyd1(r.PointVectorB, tau, 2);
}

// ---- compressive damage --------------------------------------------------------------------

CompressiveDamageLaw CompressiveDamageOf(const MaterialRecord& m, double h) {
  const auto V = [&](int k) { return MatSlotValue(m, MAT_NLMM142, k); };
  const double E = V(67), fc = V(68), epsC1 = V(69), gc = V(71);
  if (std::fabs(E) < kSmall) InternalError(__FILE__, __LINE__);
  CompressiveDamageLaw d{};
  d.kappa0 = epsC1 - fc / E;
  d.kappaU = 3.1 * gc / (h * fc) - 0.22916666666666666 * d.kappa0;
  const double X = 0.1 / (1.0 + (d.kappaU - d.kappa0) / (10000.0 - d.kappa0));
  d.b = -std::log(X) / (d.kappaU - d.kappa0);
  return d;
}

void CalcStressTensorDecomposition_NLMM142(const MaterialRecord& m, const double* sigma, double* minus,
                                           double* stress, NLMM142_HD& r) {
  const CrackPlasticMaterial c = CrackPlasticParameters(m, MAT_NLMM142);
  const StressDecomposition d = DecomposeStress_NLMM151(c, r.Cr.CrBandWidth[1], r.Pl.EqPlasticStrain, sigma);
  r.Pl.CompressiveDamage = d.d;
  for (int i = 1; i <= 3; i++) {
    r.Pl.PlasticVectorA[i] = d.tensile[i];
    minus[i] = d.compressive[i];
    r.Pl.PlasticVectorB[i] = (1.0 - d.d) * d.compressive[i];
    stress[i] = d.stress[i];
  }
}
