// Time-dependent concrete at a point of the solid hexahedron: composition of the
// pattern, the named steps and the four users (stress, tangent, creep and shrinkage
// loads, temperature load).
#include "materials/solid_pattern.h"

#include <cmath>
#include <cstdio>

#include "materials/crack/crack_models.h"
#include "materials/elastic.h"
#include "materials/material_slots.h"
#include "materials/time_dependent_concrete.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

constexpr int kFlagYes = 1;
constexpr int kFirstSolidRow = 13;  // rows 1 to 12 are built on _LIN_ISO or _NLMM104

bool Has(const SolidPattern& p, int code) { return p.position[code] != 0; }

const MaterialRecord& Member(const MeshData* mesh, const SolidPattern& p, int code) {
  if (!Has(p, code)) InternalError(__FILE__, __LINE__);
  return MaterialOf(mesh, code, p.number[code]);
}

// The composition of pattern record `pattern`: row 0 and the fault where there is one.
struct Identified {
  SolidPattern p;
  const char* fault;
  int faultCode;
};

// The member codes of pattern record `pattern` and the admitted composition they match
// (row 0 for none); a repeated code is a fault.
Identified IdentifyRow(const MeshData* mesh, int pattern) {
  Identified id{};
  if (pattern < 1 || pattern > mesh->nNlmmPatterns) InternalError(__FILE__, __LINE__);
  const MaterialPattern& mp = mesh->NlmmPatterns[pattern];
  id.p.nComponents = mp.nComponents;
  double count[kMaterialKinds + 1];
  for (double& c : count) c = 0.0;
  for (int c = 1; c <= mp.nComponents; c++) {
    const int code = mp.Kind[c];
    if (code < 1 || code > kMaterialKinds) InternalError(__FILE__, __LINE__);
    count[code] += 1.0;
    if (count[code] > 1.0) {
      id.fault = "A material model occurs twice in the material pattern.";
      id.faultCode = code;
      return id;
    }
    id.p.number[code] = mp.Number[c];
    id.p.position[code] = c;
  }
  double** table;
  allocd2(&table, kPattCompositions, kMaterialKinds);
  CalcPossibleNLMMPattComposition(table);
  for (int r = 1; r <= kPattCompositions; r++)
    if (equald1(table[r], count, kMaterialKinds)) id.p.row = r;
  freed2(table);
  return id;
}

Identified Identify(const MeshData* mesh, int pattern) {
  Identified id = IdentifyRow(mesh, pattern);
  if (id.fault != nullptr) return id;
  if (id.p.row == 0) {
    id.fault =
        "The material pattern is not an admitted composition:\n"
        "a solid takes _NLMM111 with at most one shrinkage model (_NLMM171 or _NLMM172),\n"
        "_NLMM173 and _NLMM174, or _NLMM111 with _NLMM175 alone.";
  } else if (id.p.row < kFirstSolidRow) {
    id.fault = "A solid element takes no material pattern built on _LIN_ISO or _NLMM104:\n"
               "its time-dependent concrete is built on _NLMM111.";
  } else if (Has(id.p, MAT_NLMM171) && MatInt(Member(mesh, id.p, MAT_NLMM171), 3) == kFlagYes) {
    id.fault = "The third flag of _NLMM171 is not available for solid elements.";
    id.faultCode = MAT_NLMM171;
  } else if (Has(id.p, MAT_NLMM172) && (MatInt(Member(mesh, id.p, MAT_NLMM172), 3) == kFlagYes ||
                                         MatInt(Member(mesh, id.p, MAT_NLMM172), 4) == kFlagYes)) {
    id.fault = "The third and fourth flags of _NLMM172 are not available for solid elements.";
    id.faultCode = MAT_NLMM172;
  }
  if (id.fault != nullptr) id.p.row = 0;
  return id;
}

// The plane stress quadrilateral takes one composition: the plane crack model with the
// fracture model.
constexpr int kPlaneRow = 12;

Identified IdentifyPlane(const MeshData* mesh, int pattern) {
  Identified id = IdentifyRow(mesh, pattern);
  if (id.fault == nullptr && id.p.row != kPlaneRow) {
    id.fault = "The material pattern is not an admitted composition:\n"
               "a plane-stress quadrilateral takes _NLMM104 with _FRC_MIXFRACTURE_2D only.";
    id.p.row = 0;
  }
  return id;
}

// ---- the crack material of the moment ---------------------------------------------------

double Slot(const MaterialRecord& c, int slot) { return MatSlotValue(c, MAT_NLMM111, slot); }

void CrackD(const MaterialRecord& c, double** D) { CalcMat_De_Iso3D(6, 6, Slot(c, 66), Slot(c, 67), D); }

// Unit-modulus compliance of the pattern's crack material (no update moves its
// Poisson's ratio).
void UnitCompliance(const MeshData* mesh, const SolidPattern& p, double** C) {
  CalcMat_C_Solid_NLMM_PATT(mesh, MAT_NLMM111, p.number[MAT_NLMM111], C);
}

// Age update: properties of the crack material at the equivalent age, advanced over the
// step from the converged age (so that repeated evaluations of a step agree).
void AgeUpdate(const MeshData* mesh, const SolidPattern& p, const SolidPatternPoint& r, const PatternMoment& mo,
               MaterialRecord& crack) {
  if (r.c173 == nullptr) InternalError(__FILE__, __LINE__);
  const MaterialRecord& m = Member(mesh, p, MAT_NLMM111);
  r.h173->EquivalentAge = r.c173->EquivalentAge;
  CalcConcPropAtEquivAge_NLMM173(crack, Member(mesh, p, MAT_NLMM173), Slot(m, 67), Slot(m, 68), Slot(m, 69),
                                 Slot(m, 77), mo.dt, mo.T, mo.t, r.h111->Cr, *r.h173);
}

// Temperature update: properties of the crack material at the point's temperature.
void TemperatureUpdate(const MeshData* mesh, const SolidPattern& p, const SolidPatternPoint& r,
                       const PatternMoment& mo, MaterialRecord& crack) {
  const MaterialRecord& m = Member(mesh, p, MAT_NLMM111);
  CalcTempDependentConcProp_NLMM175(crack, Member(mesh, p, MAT_NLMM175), Slot(m, 67), Slot(m, 68), Slot(m, 69),
                                    Slot(m, 77), Slot(m, 64), Slot(m, 66), mo.T, Slot(m, 65), mo.t, r.h111->Cr,
                                    *r.h175);
}

// The crack material of the moment: the input record, moved to the equivalent age or
// to the temperature where the pattern says so.
MaterialRecord CrackOfMoment(const MeshData* mesh, const SolidPattern& p, const SolidPatternPoint& r,
                             const PatternMoment& mo) {
  MaterialRecord crack = Member(mesh, p, MAT_NLMM111);
  if (Has(p, MAT_NLMM173)) AgeUpdate(mesh, p, r, mo, crack);
  if (Has(p, MAT_NLMM175)) TemperatureUpdate(mesh, p, r, mo, crack);
  return crack;
}

// ---- Kelvin chain ------------------------------------------------------------------------

struct Chain {
  int m = 0;
  double f = 0.0;
  double t0 = 0.0;
  double tau[11] = {};
  double E[11] = {};
};

Chain ChainOf(const MaterialRecord& m174) {
  Chain c;
  c.m = MatInt(m174, 3);
  if (c.m < 0 || c.m > 10) InternalError(__FILE__, __LINE__);
  c.f = MatValue(m174, 4);
  c.t0 = MatValue(m174, 5);
  for (int u = 1; u <= c.m; u++) c.tau[u] = m174.QVector[u];
  return c;
}

// Unit moduli of the chain at age tAge for the reference modulus Eref.
void ChainModuli(Chain& c, const MaterialRecord& m174, double Eref, double tAge) {
  if (c.m == 0) return;
  CalcKelvinChainModuli(c.m, Eref, tAge, c.tau[1], c.E, m174.Q4Vector);
  for (int u = 1; u <= c.m; u++)
    if (!(c.E[u] > 1e-8)) {
      std::fflush(stdout);
      errexit("Negative Kelvin chain modulus.", 0);
    }
}

enum class CreepPhase { kBefore, kFirst, kLater };

CreepPhase PhaseOf(const Chain& c, double t, const NLMM174_HD& h) {
  if (t < c.t0) return CreepPhase::kBefore;
  return h.FirstStepFlag != 0 ? CreepPhase::kFirst : CreepPhase::kLater;
}

// Reference modulus of a later step: f E of the crack material of the moment, or with
// ageing f times the mean modulus of the converged and the current age.
double LaterReference(const SolidPattern& p, const SolidPatternPoint& r, const Chain& c,
                      const MaterialRecord& crack) {
  if (Has(p, MAT_NLMM173)) return c.f * 0.5 * (r.c173->YoungModulus + r.h173->YoungModulus);
  return c.f * Slot(crack, 67);
}

// Effective modulus of a later step (unit moduli at mid-step left in c).
double LaterModulus(const MeshData* mesh, const SolidPattern& p, const SolidPatternPoint& r, Chain& c,
                    const MaterialRecord& crack, const PatternMoment& mo) {
  if (r.c174 == nullptr) InternalError(__FILE__, __LINE__);
  const double Eref = LaterReference(p, r, c, crack);
  ChainModuli(c, Member(mesh, p, MAT_NLMM174), Eref, 0.5 * (r.c174->Time + mo.t));
  return CalcKelvinEffectiveModulus(c.m, Eref, mo.dt, c.E, c.tau);
}

// D = Eeff C^-1 of the unit compliance C.
void EffectiveD(const PointContext& at, double** C, double Eeff, double** D) {
  double** Cc;
  allocd2(&Cc, 6, 6);
  copyd2(Cc, C, 6, 6);
  const bool ok = invertd2(D, Cc, 6);
  freed2(Cc);
  if (!ok) MaterialPointFault(at, "Calculating the inverse of C matrix:", "_NLMM111", "Unable to invert the C matrix.");
  for (int i = 1; i <= 6; i++)
    for (int j = 1; j <= 6; j++) D[i][j] *= Eeff;
}

// The creep of a later step: the unit strains already carry the compliance (they are
// strains), so the creep strain of the step is their decayed part, dcr, and the stress
// it releases is v = -D dcr with D = Eeff C^-1 of the step. Both are tensors of the
// point, whatever the frame the components are taken in.
void KelvinCreepStep(const Chain& c, double Eeff, double dt, const NLMM174_HD& h, double** D, double* dcr,
                     double* v) {
  double w[7] = {};
  CalcKelvinCreepStrainIncr(c.m, 6, Eeff, dt, h.UnitStrain, w, c.tau);
  for (int i = 1; i <= 6; i++) dcr[i] = -w[i] / Eeff;
  multd2d1(v, D, dcr, 6, 6);
  for (int i = 1; i <= 6; i++) v[i] = -v[i];
}

// The matrix of the point where creep changes it (rows with _NLMM174 from t0 on): f E
// until the chain starts, then Eeff C^-1. `start` is the record whose flag tells.
void CreepD(const MeshData* mesh, const SolidPattern& p, const PointContext& at, const SolidPatternPoint& r,
            const PatternMoment& mo, const MaterialRecord& crack, const NLMM174_HD& start, double** D) {
  Chain c = ChainOf(Member(mesh, p, MAT_NLMM174));
  switch (PhaseOf(c, mo.t, start)) {
    case CreepPhase::kBefore: CrackD(crack, D); return;
    case CreepPhase::kFirst: {
      MaterialRecord first = crack;
      SetMatSlotValue(first, MAT_NLMM111, 67, c.f * Slot(crack, 67));
      CrackD(first, D);
      return;
    }
    case CreepPhase::kLater: {
      const double Eeff = LaterModulus(mesh, p, r, c, crack, mo);
      double** C;
      allocd2(&C, 6, 6);
      UnitCompliance(mesh, p, C);
      EffectiveD(at, C, Eeff, D);
      freed2(C);
      return;
    }
  }
}

// ---- shrinkage ---------------------------------------------------------------------------

bool HasShrinkage(const SolidPattern& p) { return Has(p, MAT_NLMM171) || Has(p, MAT_NLMM172); }

// Age of the shrinkage laws: the equivalent age where the pattern ages, else t.
double ShrinkAge(const SolidPattern& p, const SolidPatternPoint& r, const PatternMoment& mo) {
  return Has(p, MAT_NLMM173) ? r.h173->EquivalentAge : mo.t;
}

void TotalShrinkStrain(const MeshData* mesh, const SolidPattern& p, double ts, double* eps) {
  if (Has(p, MAT_NLMM171))
    CalcShrinkStrain_NLMM171(Member(mesh, p, MAT_NLMM171), 6, ts, eps);
  else
    CalcShrinkStrain_NLMM172(Member(mesh, p, MAT_NLMM172), 6, ts, eps);
}

void CheckRow(const SolidPattern& p) {
  if (p.row < kFirstSolidRow || p.row > kPattCompositions) InternalError(__FILE__, __LINE__);
}

template <class H>
void ShrinkIncrement(const MaterialRecord& m, int n, double t, H& h, double* deps,
                     void (*autoLaw)(const MaterialRecord&, int, double, double*),
                     void (*dryLaw)(const MaterialRecord&, int, double, double*)) {
  double a[7] = {}, d[7] = {};
  for (int i = 1; i <= n; i++) deps[i] = 0.0;
  if (MatInt(m, 2) == kFlagYes) {
    autoLaw(m, n, t, a);
    for (int i = 1; i <= n; i++) {
      deps[i] += a[i] - h.Vec[kAutogenousShrink][i];
      h.Vec[kAutogenousShrink][i] = a[i];
    }
  }
  if (MatInt(m, 1) == kFlagYes) {
    dryLaw(m, n, t, d);
    for (int i = 1; i <= n; i++) {
      deps[i] += d[i] - h.Vec[kDryingShrink][i];
      h.Vec[kDryingShrink][i] = d[i];
    }
  }
  h.Time = t;
}

}  // namespace

// ---- composition ---------------------------------------------------------------------------

const char* SolidPatternFault(const MeshData* mesh, int pattern) { return Identify(mesh, pattern).fault; }

void CheckSolidPatterns(const MeshData* mesh, const int* ElemPropIndex, int pathBehavior) {
  for (int prop = 1; prop <= mesh->nElemProps; prop++) {
    const ElementProperty& ep = mesh->ElemProps[prop];
    if (ep.MaterialKind != MAT_NLMM_PATT) continue;
    if (ep.ElementType != _SOLID_HEXA && ep.ElementType != _PLANE_STRESS_QUAD) continue;
    bool used = false;
    for (int e = 1; e <= mesh->nElements && !used; e++) used = ElemPropIndex[e] == prop;
    if (!used) continue;
    const Identified id =
        ep.ElementType == _SOLID_HEXA ? Identify(mesh, ep.MaterialNumber) : IdentifyPlane(mesh, ep.MaterialNumber);
    const char* why = id.fault;
    if (why == nullptr && pathBehavior == 2 && (Has(id.p, MAT_NLMM173) || Has(id.p, MAT_NLMM174)))
      why = "Ageing (_NLMM173) and creep (_NLMM174) read the converged history data,\n"
            "which PATH_BEHAVIOR 2 does not keep.";
    if (why == nullptr) continue;
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "   -> Element property: %d\n", prop);
    std::fprintf(stderr, "   -> Material pattern: %d\n", ep.MaterialNumber);
    if (id.faultCode != 0) std::fprintf(stderr, "   -> Material model: %s\n", kMaterialKindKeywords[id.faultCode]);
    errexit(why, 0);
  }
}

SolidPattern SolidPatternOf(const MeshData* mesh, int prop) {
  const ElementProperty& ep = mesh->ElemProps[prop];
  if (ep.MaterialKind != MAT_NLMM_PATT) InternalError(__FILE__, __LINE__);
  const Identified id = Identify(mesh, ep.MaterialNumber);
  if (id.fault != nullptr) InternalError(__FILE__, __LINE__);
  return id.p;
}

bool SolidPatternsLoadTheModel(const MeshData* mesh, const int* ElemPropIndex) {
  for (int e = 1; e <= mesh->nElements; e++) {
    const int prop = ElemPropIndex[e];
    if (prop == 0) continue;
    const ElementProperty& ep = mesh->ElemProps[prop];
    if (ep.ElementType != _SOLID_HEXA || ep.MaterialKind != MAT_NLMM_PATT) continue;
    const Identified id = Identify(mesh, ep.MaterialNumber);
    if (id.fault == nullptr && (HasShrinkage(id.p) || Has(id.p, MAT_NLMM174))) return true;
  }
  return false;
}

bool PropertyIsMaterialPattern(const MeshData* mesh, int prop) {
  return mesh->ElemProps[prop].MaterialKind == MAT_NLMM_PATT;
}

SolidPatternPoint SolidPatternRecords(const SolidPattern& p, NLMM_HD* hd, const int* records) {
  SolidPatternPoint r;
  auto current = [&](int code) -> void* {
    if (!Has(p, code)) return nullptr;
    const int rec = records[p.position[code]];
    void* a = hd->Entry[2 * NlmmSlotOfCode(code)];
    if (a == nullptr || rec < 1) InternalError(__FILE__, __LINE__);
    return a;
  };
  auto converged = [&](int code) -> void* {
    if (!Has(p, code)) return nullptr;
    return hd->Entry[2 * NlmmSlotOfCode(code) + 1];
  };
  auto at = [&](int code) { return records[p.position[code]]; };
  if (void* a = current(MAT_NLMM111)) r.h111 = &static_cast<NLMM111_HD*>(a)[at(MAT_NLMM111)];
  if (r.h111 == nullptr) InternalError(__FILE__, __LINE__);
  if (void* a = current(MAT_NLMM171)) r.h171 = &static_cast<NLMM171_HD*>(a)[at(MAT_NLMM171)];
  if (void* a = current(MAT_NLMM172)) r.h172 = &static_cast<NLMM172_HD*>(a)[at(MAT_NLMM172)];
  if (void* a = current(MAT_NLMM173)) r.h173 = &static_cast<NLMM173_HD*>(a)[at(MAT_NLMM173)];
  if (void* a = converged(MAT_NLMM173)) r.c173 = &static_cast<NLMM173_HD*>(a)[at(MAT_NLMM173)];
  if (void* a = current(MAT_NLMM174)) r.h174 = &static_cast<NLMM174_HD*>(a)[at(MAT_NLMM174)];
  if (void* a = converged(MAT_NLMM174)) r.c174 = &static_cast<NLMM174_HD*>(a)[at(MAT_NLMM174)];
  if (void* a = current(MAT_NLMM175)) r.h175 = &static_cast<NLMM175_HD*>(a)[at(MAT_NLMM175)];
  return r;
}

// ---- named steps -------------------------------------------------------------------------

void CalcShrinkStrainIncr_NLMM171(const MaterialRecord& m, int n, double t, NLMM171_HD& h, double* deps) {
  ShrinkIncrement(m, n, t, h, deps, CalcAutoShrinkStrain_NLMM171, CalcDryShrinkStrain_NLMM171);
}

void CalcShrinkStrainIncr_NLMM172(const MaterialRecord& m, int n, double t, NLMM172_HD& h, double* deps) {
  ShrinkIncrement(m, n, t, h, deps, CalcAutoShrinkStrain_NLMM172, CalcDryShrinkStrain_NLMM172);
}

void InitKelvinUnitStrains(int m, int nc, const NLMM111_HD& h111, NLMM174_HD& h174, double** C, const double* E) {
  double y[7] = {};
  multd2d1(y, C, h111.Stress, nc, nc);
  for (int u = 1; u <= m; u++)
    for (int i = 1; i <= nc; i++) h174.UnitStrain[i][u] = y[i] / E[u];
}

void UpdateKelvinUnitStrains(int m, int nc, double dt, const NLMM111_HD& h111, NLMM174_HD& h174, double** C,
                             const double* E, const double* tau) {
  double y[7] = {};
  multd2d1(y, C, h111.StrainAux, nc, nc);
  for (int u = 1; u <= m; u++) {
    const double x = dt / tau[u];
    // (1 - exp(-dt/tau)) tau/dt, 1 in the limit dt -> 0.
    const double lambda = x == 0.0 ? 1.0 : -std::expm1(-x) / x;
    const double decay = std::exp(-x);
    for (int i = 1; i <= nc; i++) h174.UnitStrain[i][u] = decay * h174.UnitStrain[i][u] + lambda / E[u] * y[i];
  }
}

// ---- the users -----------------------------------------------------------------------------

void SolidPatternStress(const SolidPattern& p, const PointContext& at, const MeshData* mesh,
                        const SolidPatternPoint& r, const PatternMoment& mo, const double* epsT,
                        const double* depsT, const double* deps, double* sigma) {
  CheckRow(p);
  MaterialRecord crack = CrackOfMoment(mesh, p, r, mo);
  double eT[7], deT[7], dm[7], eSh[7] = {}, deSh[7] = {};
  copyd1(eT, epsT, 6);
  copyd1(deT, depsT, 6);
  if (Has(p, MAT_NLMM175)) {
    // The thermal strains with the coefficient at the point's temperature.
    const double alpha = Slot(crack, 65);
    for (int i = 1; i <= 3; i++) {
      eT[i] = alpha * mo.dTtotal;
      deT[i] = alpha * mo.dTstep;
    }
  }
  for (int i = 1; i <= 6; i++) dm[i] = deps[i] - deT[i];
  const bool shrink = HasShrinkage(p);
  if (shrink) {
    const double ts = ShrinkAge(p, r, mo);
    TotalShrinkStrain(mesh, p, ts, eSh);
    if (Has(p, MAT_NLMM171))
      CalcShrinkStrainIncr_NLMM171(Member(mesh, p, MAT_NLMM171), 6, ts, *r.h171, deSh);
    else
      CalcShrinkStrainIncr_NLMM172(Member(mesh, p, MAT_NLMM172), 6, ts, *r.h172, deSh);
    for (int i = 1; i <= 6; i++) dm[i] -= deSh[i];
  }
  double** D;
  allocd2(&D, 6, 6);
  NLMM111_HD& h111 = *r.h111;
  if (!Has(p, MAT_NLMM174)) {
    CrackD(crack, D);
    CalcStress_NLMM111(at, crack, h111, D, dm, sigma);
  } else {
    const MaterialRecord& m174 = Member(mesh, p, MAT_NLMM174);
    Chain c = ChainOf(m174);
    NLMM174_HD& h174 = *r.h174;
    const CreepPhase phase = PhaseOf(c, mo.t, h174);
    h174.Time = mo.t;
    double** C;
    allocd2(&C, 6, 6);
    UnitCompliance(mesh, p, C);
    switch (phase) {
      case CreepPhase::kBefore:
        CrackD(crack, D);
        CalcStress_NLMM111(at, crack, h111, D, dm, sigma);
        break;
      case CreepPhase::kFirst: {
        // The chain starts from the stress of the step, taken with the modulus f E.
        MaterialRecord first = crack;
        const double Eref = c.f * Slot(crack, 67);
        SetMatSlotValue(first, MAT_NLMM111, 67, Eref);
        CrackD(first, D);
        CalcStress_NLMM111(at, first, h111, D, dm, sigma);
        ChainModuli(c, m174, Eref, mo.t);
        InitKelvinUnitStrains(c.m, 6, h111, h174, C, c.E);
        h174.FirstStepFlag = 0;
        break;
      }
      case CreepPhase::kLater: {
        const double Eeff = LaterModulus(mesh, p, r, c, crack, mo);
        EffectiveD(at, C, Eeff, D);
        double v[7], dcr[7];
        KelvinCreepStep(c, Eeff, mo.dt, h174, D, dcr, v);
        for (int i = 1; i <= 6; i++) {
          h174.CreepStress[i] += v[i];
          dm[i] -= dcr[i];
        }
        CalcStress_NLMM111(at, crack, h111, D, dm, sigma);
        for (int i = 1; i <= 6; i++) {
          sigma[i] += h174.CreepStress[i];
          h111.Strain[i] += dcr[i];
        }
        UpdateKelvinUnitStrains(c.m, 6, mo.dt, h111, h174, C, c.E, c.tau);
        break;
      }
    }
    freed2(C);
  }
  // Stresses of the free strains, and the free strains into the total strain.
  double s[7];
  multd2d1(s, D, eT, 6, 6);
  for (int i = 1; i <= 6; i++) sigma[i] += s[i];
  if (shrink) {
    multd2d1(s, D, eSh, 6, 6);
    for (int i = 1; i <= 6; i++) sigma[i] += s[i];
  }
  for (int i = 1; i <= 6; i++) h111.Strain[i] += deT[i] + deSh[i];
  freed2(D);
}

void SolidPatternTangent(const SolidPattern& p, const PointContext& at, const MeshData* mesh,
                         const SolidPatternPoint& r, const PatternMoment& mo, double** D) {
  CheckRow(p);
  MaterialRecord crack = CrackOfMoment(mesh, p, r, mo);
  double** D0;
  allocd2(&D0, 6, 6);
  if (Has(p, MAT_NLMM174)) {
    // The tangent follows the branch the forces of the step take: the converged record
    // tells whether the chain has started.
    if (r.c174 == nullptr) InternalError(__FILE__, __LINE__);
    CreepD(mesh, p, at, r, mo, crack, *r.c174, D0);
  } else {
    CrackD(crack, D0);
  }
  CalcMat_D_NLMM111(at, crack, *r.h111, D0, D);
  freed2(D0);
}

bool SolidPatternCreepStress(const SolidPattern& p, const PointContext& at, const MeshData* mesh,
                             const SolidPatternPoint& r, const PatternMoment& mo, double* sc) {
  CheckRow(p);
  // The ageing rows advance the current age record as the forces of the step do.
  MaterialRecord crack = Member(mesh, p, MAT_NLMM111);
  if (Has(p, MAT_NLMM173)) AgeUpdate(mesh, p, r, mo, crack);
  if (!Has(p, MAT_NLMM174)) return false;
  const MaterialRecord& m174 = Member(mesh, p, MAT_NLMM174);
  Chain c = ChainOf(m174);
  if (PhaseOf(c, mo.t, *r.h174) != CreepPhase::kLater) return false;
  const double Eeff = LaterModulus(mesh, p, r, c, crack, mo);
  double **C, **D;
  allocd2(&C, 6, 6);
  allocd2(&D, 6, 6);
  UnitCompliance(mesh, p, C);
  EffectiveD(at, C, Eeff, D);
  double v[7], dcr[7];
  KelvinCreepStep(c, Eeff, mo.dt, *r.h174, D, dcr, v);
  for (int i = 1; i <= 6; i++) sc[i] = r.h174->CreepStress[i] + v[i];
  freed2(D);
  freed2(C);
  return true;
}

bool SolidPatternShrinkStress(const SolidPattern& p, const PointContext& at, const MeshData* mesh,
                              const SolidPatternPoint& r, const PatternMoment& mo, double* s) {
  CheckRow(p);
  if (!HasShrinkage(p)) return false;
  MaterialRecord crack = Member(mesh, p, MAT_NLMM111);
  if (Has(p, MAT_NLMM173)) AgeUpdate(mesh, p, r, mo, crack);
  double eSh[7] = {};
  TotalShrinkStrain(mesh, p, ShrinkAge(p, r, mo), eSh);
  double** D;
  allocd2(&D, 6, 6);
  if (Has(p, MAT_NLMM174))
    CreepD(mesh, p, at, r, mo, crack, *r.h174, D);
  else
    CrackD(crack, D);
  multd2d1(s, D, eSh, 6, 6);
  freed2(D);
  return true;
}

void SolidPatternThermalLoad(const SolidPattern& p, const PointContext& at, const MeshData* mesh,
                             const SolidPatternPoint& r, const PatternMoment& mo, double** D, double* eps0) {
  CheckRow(p);
  const bool moved = Has(p, MAT_NLMM173) || Has(p, MAT_NLMM175);
  MaterialRecord crack = CrackOfMoment(mesh, p, r, mo);
  if (Has(p, MAT_NLMM175)) {
    const double alpha = Slot(crack, 65);
    for (int i = 1; i <= 3; i++) eps0[i] = alpha * mo.dTtotal;
  }
  if (Has(p, MAT_NLMM174)) {
    // Before t0 the set-up matrix, or with ageing the matrix at the equivalent age.
    Chain c = ChainOf(Member(mesh, p, MAT_NLMM174));
    if (mo.t < c.t0 && !moved) return;
    CreepD(mesh, p, at, r, mo, crack, *r.h174, D);
    return;
  }
  if (moved) CrackD(crack, D);
}

int SolidPatternCrackKind() { return MAT_NLMM111; }

const MaterialRecord& SolidPatternCrackMaterial(const MeshData* mesh, const SolidPattern& p) {
  return Member(mesh, p, MAT_NLMM111);
}

PlanePattern PlanePatternOf(const MeshData* mesh, int prop) {
  const ElementProperty& ep = mesh->ElemProps[prop];
  if (ep.MaterialKind != MAT_NLMM_PATT) InternalError(__FILE__, __LINE__);
  const Identified id = IdentifyPlane(mesh, ep.MaterialNumber);
  if (id.fault != nullptr) InternalError(__FILE__, __LINE__);
  PlanePattern p;
  p.crackPosition = id.p.position[MAT_NLMM104];
  p.crackNumber = id.p.number[MAT_NLMM104];
  p.fractureNumber = id.p.number[MAT_FRC_MIXFRACTURE_2D];
  return p;
}

int PlanePatternCrackKind() { return MAT_NLMM104; }

MaterialRecord PlanePatternCrackMaterial(const MeshData* mesh, const PlanePattern& p) {
  MaterialRecord m = MaterialOf(mesh, MAT_NLMM104, p.crackNumber);
  m.LinkMaterial = p.fractureNumber;
  m.LinkOwnerCode = MAT_NLMM_PATT;
  m.LinkComposition = kPlaneRow;
  m.LinkRecords = mesh->Materials[MAT_FRC_MIXFRACTURE_2D];
  return m;
}
