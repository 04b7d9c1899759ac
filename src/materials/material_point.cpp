// The material point: values of the records and the switch on the nonlinear laws.
#include "materials/material_point.h"

#include <cmath>
#include <cstdio>

#include "materials/crack/crack_models.h"
#include "materials/crack/crack_start.h"
#include "materials/crack/elastoplastic_crack.h"
#include "materials/crack/plane_cracks.h"
#include "materials/crack/plane_plastic_cracks.h"
#include "materials/elastic.h"
#include "materials/interface/bond_laws.h"
#include "materials/layer_failure.h"
#include "materials/material_slots.h"
#include "materials/plasticity/concrete_plasticity.h"
#include "materials/plasticity/crack_plasticity.h"
#include "materials/plasticity/drucker_prager.h"
#include "materials/plasticity/owen_figueiras.h"
#include "model/mesh.h"
#include "model/validate.h"
#include "materials/uniaxial/concrete.h"
#include "materials/uniaxial/concrete_cyclic.h"
#include "materials/uniaxial/steel.h"
#include "materials/uniaxial/uniaxial_law.h"
#include "numcore/numcore.h"

// ---- values of the records ----------------------------------------------------------------

DensityRule MaterialDensityRule(int code) {
  const MaterialKindRow& r = MaterialKindInfo(code);
  if (r.density != 0) return kDensityOwn;
  if ((r.families & kPointInterface) != 0) return kDensityNone;
  switch (CompositionOf(code)) {
    case kCompositionLayers: return kDensityOfLayers;
    case kCompositionNlmmPattern: return kDensityOfComponent;
    default: return kDensityMissing;
  }
}

bool MaterialHasDensity(int code) { return MaterialKindInfo(code).density != 0; }

double MaterialDensity(int code, const MaterialRecord& m) {
  const int k = MaterialKindInfo(code).density;
  if (k == 0) InternalError(__FILE__, __LINE__);
  return MatValue(m, k);
}

bool PatternComponentHasDensity(int code) {
  return code == MAT_LIN_ISO || code == MAT_NLMM104 || code == MAT_NLMM111;
}

int LayerDensityKindIndex(int code) {
  static constexpr int kKinds[8] = {0, MAT_LIN_ISO, MAT_LIN_ORTHO, MAT_NLMM101, MAT_NLMM104,
                                    MAT_NLMM121, MAT_NLMM141, MAT_NLMM142};
  for (int i = 1; i <= 7; i++)
    if (kKinds[i] == code) return i;
  return 0;
}

double ExpansionCoefficient(int code, const MaterialRecord& m, int j) {
  const MaterialKindRow& r = MaterialKindInfo(code);
  if (r.expansion == 0 || j < 1 || j > 3) InternalError(__FILE__, __LINE__);
  return MatValue(m, r.nExpansion == 1 ? r.expansion : r.expansion + j - 1);
}

int ExpansionCount(int code) {
  const MaterialKindRow& r = MaterialKindInfo(code);
  return r.expansion == 0 ? 0 : r.nExpansion;
}

// ---- uniaxial points --------------------------------------------------------------------

bool UniaxialModulusDefined(int code, const MaterialRecord& m) {
  const MaterialKindRow& r = MaterialKindInfo(code);
  return r.modulusOver == 0 || std::fabs(MatValue(m, r.modulusOver)) >= 1e-12;
}

double UniaxialInitialModulus(int code, const MaterialRecord& m) {
  const MaterialKindRow& r = MaterialKindInfo(code);
  if ((r.families & kPointUniaxial) == 0 || r.modulus == 0) InternalError(__FILE__, __LINE__);
  const double E = MatValue(m, r.modulus);
  return r.modulusOver == 0 ? E : E / MatValue(m, r.modulusOver);
}

namespace {

// Record `record` of the current copy of the kind's slot.
template <typename R>
R& PointRecord(NLMM_HD* hd, int code, int record) {
  if (hd == nullptr || record < 1) InternalError(__FILE__, __LINE__);
  R* a = static_cast<R*>(hd->Entry[2 * NlmmSlotOfCode(code)]);
  if (a == nullptr) InternalError(__FILE__, __LINE__);
  return a[record];
}

const UniaxialLaw& LawOf(int code) {
  const UniaxialLaw* law = UniaxialLawOf(code);
  if (law == nullptr) InternalError(__FILE__, __LINE__);
  return *law;
}

// The bars and cables name no point in a law's messages.
const PointContext kBarPoint{0, 0, 0, 0, 0};

}  // namespace

double UniaxialTangent(int code, int iteration, const MaterialRecord& m, NLMM_HD* hd, int record) {
  const UniaxialLaw& law = LawOf(code);
  return BarTangentPolicy(law, UniaxialInitialModulus(code, m), iteration, m, hd, record);
}

double UniaxialStress(int code, const MaterialRecord& m, double epsMech, NLMM_HD* hd, int record) {
  const UniaxialLaw& law = LawOf(code);
  // Elastic bar: no record, nothing stored.
  if (law.source == kTangentElastic) return UniaxialInitialModulus(code, m) * epsMech;
  return law.update(kBarPoint, m, UniaxialRecord(law, hd, record), epsMech).stress;
}

// ---- beam fibres ----------------------------------------------------------------------

double FibreTangent(int code, bool firstStep, const MaterialRecord& m, NLMM_HD* hd, int record) {
  return FibreTangentPolicy(LawOf(code), UniaxialInitialModulus(code, m), firstStep, m, hd, record);
}

double FibreShearModulus(int code, const MaterialRecord& m) {
  if (LawOf(code).source == kTangentElastic) {
    const IsotropicElastic c = IsotropicConstants(m);
    return c.E / (2.0 * (1.0 + c.nu));
  }
  return UniaxialInitialModulus(code, m) / 2.4;
}

double FibreStress(int code, const PointContext& at, const MaterialRecord& m, NLMM_HD* hd, int record,
                   double epsTotal, double dEps) {
  const UniaxialLaw& law = LawOf(code);
  if (law.source == kTangentElastic) return UniaxialInitialModulus(code, m) * epsTotal;
  // A law takes the strain its record keeps plus the increment.
  void* r = UniaxialRecord(law, hd, record);
  return law.update(at, m, r, law.strain(r) + dEps).stress;
}

// ---- interface points -------------------------------------------------------------------

namespace {

// Relative-displacement components of an interface point: 2 on the line in the plane, 3
// on the line in space and on the surface.
int InterfaceComponents(StressState state) { return state == kStateInterfaceLine2D ? 2 : 3; }

}  // namespace

void InterfaceTangent(int code, StressState state, const PointContext& at, const MaterialRecord& m, NLMM_HD* hd, int record,
                      double** D) {
  if (!NonlinearKindTakesState(code, state)) InternalError(__FILE__, __LINE__);
  switch (code) {
    case MAT_NLMM301: CalcMat_D_NLMM301(m, PointRecord<NLMM301_HD>(hd, code, record), D); return;
    case MAT_NLMM302: CalcMat_D_NLMM302(m, PointRecord<NLMM302_HD>(hd, code, record), D); return;
    case MAT_NLMM303: {
      // Sliding only: the plane element takes K_un and the opening stiffness of the
      // record; the bar in space starts from the initial slope and then takes the
      // secant of its last slip.
      const bool plane = state == kStateInterfaceLine2D;
      const int d = plane ? 2 : 3;
      zerod2(D, d, d);
      double k;
      if (plane)
        k = Nlmm303SlidingStiffness2D(m);
      else if (at.combination == 1 && at.iteration == 1)
        k = Nlmm303InitialStiffness(m);
      else
        k = PointRecord<NLMM303_HD>(hd, code, record).Value[k303Tangent];
      D[1][1] = k > 0.0 ? k : 1e-5;
      if (plane) D[2][2] = Nlmm303OpeningStiffness(m);
      return;
    }
    case MAT_NLMM305: CalcMat_D_NLMM305(m, state, PointRecord<NLMM305_HD>(hd, code, record), D); return;
    case MAT_NLMM306: CalcMat_D_NLMM306(m, state, PointRecord<NLMM304_HD>(hd, code, record), D); return;
    case MAT_NLMM320:
      CalcMat_D_NLMM320(at, m, state, InterfaceComponents(state), PointRecord<NLMM320_HD>(hd, code, record), D);
      return;
    // _NLMM304 has no law.
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void InterfaceTraction(int code, StressState state, const PointContext& at, const MaterialRecord& m, NLMM_HD* hd, int record,
                       const double* dw, const double* w, double* sigma) {
  if (!NonlinearKindTakesState(code, state)) InternalError(__FILE__, __LINE__);
  switch (code) {
    case MAT_NLMM301: CalcStress_NLMM301(m, PointRecord<NLMM301_HD>(hd, code, record), w, sigma); return;
    case MAT_NLMM302: CalcStress_NLMM302(m, PointRecord<NLMM302_HD>(hd, code, record), w, sigma); return;
    case MAT_NLMM303: {
      // The law gives the bond stress of the slip; across the line the plane element
      // is elastic and the bar in space carries nothing.
      double tau, secant = 0.0;
      CalcStress_NLMM303(at, m, PointRecord<NLMM303_HD>(hd, code, record), w[1], &tau, &secant);
      sigma[1] = tau;
      if (state == kStateInterfaceLine2D) {
        sigma[2] = Nlmm303OpeningStiffness(m) * w[2];
      } else {
        sigma[2] = 0.0;
        sigma[3] = 0.0;
      }
      return;
    }
    case MAT_NLMM305: CalcStress_NLMM305(m, state, PointRecord<NLMM305_HD>(hd, code, record), w, sigma); return;
    case MAT_NLMM306: CalcStress_NLMM306(at, m, state, PointRecord<NLMM304_HD>(hd, code, record), w, sigma); return;
    case MAT_NLMM320:
      // The plasticity law integrates the increment from the state in its record.
      CalcStress_NLMM320(at, m, state, InterfaceComponents(state), PointRecord<NLMM320_HD>(hd, code, record), dw,
                         sigma);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

bool InterfaceBondsBar(int code, StressState state) { return code == MAT_NLMM303 && state == kStateInterfaceLine3D; }

// ---- plane and solid points ---------------------------------------------------------------

namespace {

// Record `record` of the current copy of the kind's slot.
template <typename R>
R* PointRecord(int code, NLMM_HD* hd, int record) {
  R* a = static_cast<R*>(hd->Entry[2 * NlmmSlotOfCode(code)]);
  if (a == nullptr || record < 1) InternalError(__FILE__, __LINE__);
  return &a[record];
}

// Record `record` of the converged copy of the kind's slot when every iterate restarts
// from it (history mode 1): the point's record at the start of the step; else null.
template <typename R>
const void* StepStartRecord(int code, NLMM_HD* hd, int record) {
  const R* a = static_cast<const R*>(hd->Entry[2 * NlmmSlotOfCode(code) + 1]);
  if (hd->PathBehavior != 1 || a == nullptr || record < 1) return nullptr;
  return &a[record];
}

// The context of the tangent of a crack point: with the record at the start of the step
// (the other kinds: as given).
PointContext CrackTangentContext(int code, const PointContext& at, NLMM_HD* hd, int record) {
  PointContext c = at;
  switch (code) {
    case MAT_NLMM101: c.stepStart = StepStartRecord<NLMM101_HD>(code, hd, record); break;
    case MAT_NLMM104: c.stepStart = StepStartRecord<NLMM104_HD>(code, hd, record); break;
    case MAT_NLMM141: c.stepStart = StepStartRecord<NLMM141_HD>(code, hd, record); break;
    case MAT_NLMM142: c.stepStart = StepStartRecord<NLMM142_HD>(code, hd, record); break;
    case MAT_NLMM111: c.stepStart = StepStartRecord<NLMM111_HD>(code, hd, record); break;
    case MAT_NLMM151: c.stepStart = StepStartRecord<NLMM151_HD>(code, hd, record); break;
    case MAT_NLMM102: c.stepStart = StepStartRecord<NLMM101_HD>(code, hd, record); break;
    default: break;
  }
  return c;
}

// A point of a solid crack model: its stress after dEps (D null) or its tangent D, with
// the elastic matrix of the concrete (Poisson's ratio slot 66, Young's modulus slot 67).
void SolidCrackPoint(int code, const PointContext& point, const MaterialRecord& m, NLMM_HD* hd, int record,
                     const double* dEps, double* sigma, double** D) {
  const PointContext ctx = D != nullptr ? CrackTangentContext(code, point, hd, record) : point;
  double** Dco;
  allocd2(&Dco, 6, 6);
  CalcMat_De_IsoModel(6, MatSlotValue(m, code, 66), MatSlotValue(m, code, 67), Dco);
  if (code == MAT_NLMM151) {
    NLMM151_HD& r = *PointRecord<NLMM151_HD>(code, hd, record);
    if (D != nullptr)
      CalcMat_D_NLMM151(ctx, m, r, Dco, D);
    else
      CalcStress_NLMM151(ctx, m, r, Dco, dEps, sigma);
  } else if (code == MAT_NLMM102) {
    NLMM101_HD& r = *PointRecord<NLMM101_HD>(code, hd, record);
    if (D != nullptr)
      CalcMat_D_NLMM102(ctx, m, r, Dco, D);
    else
      CalcStress_NLMM102(ctx, m, r, Dco, dEps, sigma);
  } else {
    NLMM111_HD& r = *PointRecord<NLMM111_HD>(code, hd, record);
    if (D != nullptr)
      CalcMat_D_NLMM111(ctx, m, r, Dco, D);
    else
      CalcStress_NLMM111(ctx, m, r, Dco, dEps, sigma);
  }
  freed2(Dco);
}

// A point of a plane crack model: its stress after dEps (D null) or its tangent D, with
// the elastic matrix of the element (plane stress or plane strain).
void PlaneCrackPoint(int code, StressState state, const PointContext& point, const MaterialRecord& m, NLMM_HD* hd,
                     int record, const double* dEps, double* sigma, double** D) {
  const PointContext ctx = D != nullptr ? CrackTangentContext(code, point, hd, record) : point;
  double** De;
  allocd2(&De, 3, 3);
  CalcMat_De_Plane(state == kStatePlaneStress, MatSlotValue(m, code, 66), MatSlotValue(m, code, 67), De);
  if (code == MAT_NLMM104) {
    NLMM104_HD& r = *PointRecord<NLMM104_HD>(code, hd, record);
    if (D != nullptr)
      CalcMat_D_NLMM104(ctx, m, r, De, D);
    else
      CalcStress_NLMM104(ctx, m, r, De, dEps, sigma);
  } else if (code == MAT_NLMM101) {
    NLMM101_HD& r = *PointRecord<NLMM101_HD>(code, hd, record);
    if (D != nullptr)
      CalcMat_D_NLMM101(ctx, m, r, De, D);
    else
      CalcStress_NLMM101(ctx, m, r, De, dEps, sigma);
  } else if (code == MAT_NLMM142) {
    NLMM142_HD& r = *PointRecord<NLMM142_HD>(code, hd, record);
    if (D != nullptr)
      CalcMat_D_NLMM142(ctx, m, r, De, D);
    else
      CalcStress_NLMM142(ctx, m, r, De, dEps, sigma);
  } else if (code == MAT_NLMM141) {
    NLMM141_HD& r = *PointRecord<NLMM141_HD>(code, hd, record);
    if (D != nullptr)
      CalcMat_D_NLMM141(ctx, m, r, De, D);
    else
      CalcStress_NLMM141(ctx, m, r, De, dEps, sigma);
  } else {
    InternalError(__FILE__, __LINE__);
  }
  freed2(De);
}

// A plane cyclic concrete point: its stress after dEps (D null) or its matrix D, with the
// plane-stress elastic matrix of the concrete.
void PlaneConcretePoint(const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                        const double* dEps, double* sigma, double** D) {
  double** De;
  allocd2(&De, 3, 3);
  CalcMat_De_IsoModel(3, MatSlotValue(m, MAT_NLMM211, 66), MatSlotValue(m, MAT_NLMM211, 67), De);
  NLMM211_HD& r = *PointRecord<NLMM211_HD>(MAT_NLMM211, hd, record);
  if (D != nullptr)
    CalcMat_D_NLMM211(m, r, De, D);
  else
    CalcStress_NLMM211(ctx, m, r, De, dEps, sigma);
  freed2(De);
}

}  // namespace

int ContinuumComponents(StressState state) {
  switch (state) {
    case kStatePlaneStress:
    case kStatePlaneStrain: return 3;
    case kStateSolid: return 6;
    default: InternalError(__FILE__, __LINE__);
  }
}

void ContinuumStress(int code, StressState state, const PointContext& point, const MaterialRecord& m, NLMM_HD* hd,
                     int record, const double* dEps, double* sigma) {
  if (!MaterialKindTakesState(code, state)) InternalError(__FILE__, __LINE__);
  PointContext ctx = point;
  ctx.strainStep = dEps;
  ctx.nStrainStep = ContinuumComponents(state);
  switch (code) {
    case MAT_NLMM121: {
      double** D;
      allocd2(&D, 3, 3);
      const Nlmm121Material c = Nlmm121Parameters(m);
      CalcMat_De_IsoModel(3, c.nu, c.E, D);
      CalcStress_NLMM121(ctx, m, 3, PointRecord<NLMM121_HD>(code, hd, record), D, dEps, sigma);
      freed2(D);
      return;
    }
    case MAT_NLMM122:
    case MAT_NLMM123:
    case MAT_NLMM125:
      CalcStress_ConcretePlasticity(ctx, code, state, m, PointRecord<NLMM121_HD>(code, hd, record), dEps, sigma);
      return;
    case MAT_NLMM124:
      CalcStress_NLMM124(ctx, state, m, PointRecord<NLMM124_HD>(code, hd, record), dEps, sigma);
      return;
    case MAT_NLMM102:
    case MAT_NLMM111:
    case MAT_NLMM151: SolidCrackPoint(code, ctx, m, hd, record, dEps, sigma, nullptr); return;
    case MAT_NLMM145: {
      double tangent;
      CalcStress_NLMM145(m, 3, *PointRecord<NLMM145_HD>(code, hd, record), dEps, sigma, &tangent);
      return;
    }
    case MAT_NLMM211: PlaneConcretePoint(ctx, m, hd, record, dEps, sigma, nullptr); return;
    case MAT_NLMM101:
    case MAT_NLMM104:
    case MAT_NLMM141:
    case MAT_NLMM142: PlaneCrackPoint(code, state, ctx, m, hd, record, dEps, sigma, nullptr); return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

bool SolidKindTakesThermalStrain(int code) {
  switch (code) {
    case MAT_NLMM102:
    case MAT_NLMM111:
    case MAT_NLMM122:
    case MAT_NLMM123:
    case MAT_NLMM124:
    case MAT_NLMM151: return true;
    default: return false;
  }
}

void SolidThermalStress(int code, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                        double** D0, const double* dEps, const double* epsT, const double* depsT, double* sigma) {
  if (!SolidKindTakesThermalStrain(code)) InternalError(__FILE__, __LINE__);
  double dm[7], s[7];
  for (int i = 1; i <= 6; i++) dm[i] = dEps[i] - depsT[i];
  ContinuumStress(code, kStateSolid, ctx, m, hd, record, dm, sigma);
  multd2d1(s, D0, epsT, 6, 6);
  for (int i = 1; i <= 6; i++) sigma[i] += s[i];
  // The crack records keep the total strain of the point; the plasticity records keep
  // the mechanical strain their return mapping works on.
  if (code == MAT_NLMM111) addd1(PointRecord<NLMM111_HD>(code, hd, record)->Strain, depsT, 6);
  if (code == MAT_NLMM102) addd1(PointRecord<NLMM101_HD>(code, hd, record)->Strain, depsT, 6);
}

void ContinuumTangent(int code, StressState state, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                      double** D) {
  if (!MaterialKindTakesState(code, state)) InternalError(__FILE__, __LINE__);
  switch (code) {
    case MAT_NLMM121: {
      double** De;
      allocd2(&De, 3, 3);
      const Nlmm121Material c = Nlmm121Parameters(m);
      CalcMat_De_IsoModel(3, c.nu, c.E, De);
      CalcMat_D_NLMM121(ctx, m, 3, PointRecord<NLMM121_HD>(code, hd, record), De, D);
      freed2(De);
      return;
    }
    case MAT_NLMM122:
    case MAT_NLMM123:
    case MAT_NLMM125:
      CalcMat_D_ConcretePlasticity(ctx, code, state, m, PointRecord<NLMM121_HD>(code, hd, record), D);
      return;
    case MAT_NLMM124:
      CalcMat_D_NLMM124(ctx, state, m, PointRecord<NLMM124_HD>(code, hd, record), D);
      return;
    case MAT_NLMM102:
    case MAT_NLMM111:
    case MAT_NLMM151: SolidCrackPoint(code, ctx, m, hd, record, nullptr, nullptr, D); return;
    // The bars always give their elastic stiffness.
    case MAT_NLMM145: CalcMat_D_NLMM145(m, 3, D); return;
    case MAT_NLMM211: PlaneConcretePoint(ctx, m, hd, record, nullptr, nullptr, D); return;
    case MAT_NLMM101:
    case MAT_NLMM104:
    case MAT_NLMM141:
    case MAT_NLMM142: PlaneCrackPoint(code, state, ctx, m, hd, record, nullptr, nullptr, D); return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

bool ContinuumKindGeometric(int code, StressState state) {
  if (!MaterialKindTakesState(code, state)) return false;
  switch (state) {
    case kStatePlaneStress:
      switch (code) {
        case MAT_NLMM101: case MAT_NLMM104: case MAT_NLMM121: case MAT_NLMM123: case MAT_NLMM124:
        case MAT_NLMM125: case MAT_NLMM141: case MAT_NLMM142: case MAT_NLMM145: case MAT_NLMM211:
          return true;
        default:
          return false;
      }
    case kStateSolid:
      switch (code) {
        case MAT_NLMM102: case MAT_NLMM111: case MAT_NLMM122: case MAT_NLMM123: case MAT_NLMM124:
        case MAT_NLMM125: case MAT_NLMM151:
          return true;
        default:
          return false;
      }
    default:
      return false;
  }
}

SheetThinningLaw ContinuumSheetThinning(int code, const MaterialRecord& m) {
  switch (code) {
    // Concrete and frictional plasticity: the estimate of plastic flow without dilatancy.
    case MAT_NLMM121: case MAT_NLMM123: case MAT_NLMM124: case MAT_NLMM125:
      return {MatValue(m, 4), MatValue(m, 3), true};
    case MAT_NLMM101: case MAT_NLMM104: case MAT_NLMM141: case MAT_NLMM142: case MAT_NLMM211:
      return {MatValue(m, 4), MatValue(m, 3), false};
    case MAT_NLMM145: return {MatValue(m, 3), 0.0, false};
    default: InternalError(__FILE__, __LINE__);
  }
}

bool ContinuumKindUpdatedLagrangian(int code) { return code != MAT_NLMM145; }

namespace {

// The stress vector of the point's current record; null for the smeared bars, whose
// stresses lie along their directions.
double* ContinuumRecordStressField(int code, StressState state, NLMM_HD* hd, int record) {
  if (!MaterialKindTakesState(code, state)) InternalError(__FILE__, __LINE__);
  switch (code) {
    case MAT_NLMM121:
    case MAT_NLMM122:
    case MAT_NLMM123:
    case MAT_NLMM125: return PointRecord<NLMM121_HD>(code, hd, record)->Stress;
    case MAT_NLMM124: return PointRecord<NLMM124_HD>(code, hd, record)->Stress;
    // The smeared-crack models keep the stress of the point, cracks included, after the
    // strain; those with plasticity in their plastic part, beside the continuum stress.
    case MAT_NLMM101:
    case MAT_NLMM102: return PointRecord<NLMM101_HD>(code, hd, record)->Stress;
    case MAT_NLMM104: return PointRecord<NLMM104_HD>(code, hd, record)->Stress;
    case MAT_NLMM111: return PointRecord<NLMM111_HD>(code, hd, record)->Stress;
    case MAT_NLMM141: return PointRecord<NLMM141_HD>(code, hd, record)->Pl.Stress;
    case MAT_NLMM142: return PointRecord<NLMM142_HD>(code, hd, record)->Pl.Stress;
    case MAT_NLMM151: return PointRecord<NLMM151_HD>(code, hd, record)->Pl.Stress;
    // The plane cyclic concrete keeps its stress in the element axes beside the principal
    // values.
    case MAT_NLMM211: return PointRecord<NLMM211_HD>(code, hd, record)->Real3[NLMM211_HD::kTotalStress];
    case MAT_NLMM145: return nullptr;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

void ContinuumRecordStress(int code, StressState state, const MaterialRecord& m, NLMM_HD* hd, int record, double* sigma) {
  const int nc = ContinuumComponents(state);
  const double* field = ContinuumRecordStressField(code, state, hd, record);
  if (field != nullptr) {
    copyd1(sigma, field, nc);
    return;
  }
  // The bars' uniaxial stresses along their directions make the tensor.
  RecordStress_NLMM145(m, nc, *PointRecord<NLMM145_HD>(code, hd, record), sigma);
}

void ContinuumSetRecordStress(int code, StressState state, NLMM_HD* hd, int record, const double* sigma) {
  // The bars keep their stresses along their directions, fixed in the element axes.
  double* field = ContinuumRecordStressField(code, state, hd, record);
  if (field != nullptr) copyd1(field, sigma, ContinuumComponents(state));
}

namespace {

// A crack direction of a plane model is an angle modulo pi: kept in (-pi/2, pi/2].
double CrackAngleInRange(double a) {
  const double pi = 4.0 * std::atan(1.0);
  while (a > 0.5 * pi) a -= pi;
  while (a <= -0.5 * pi) a += pi;
  return a;
}

// Rows t, s of the axes of crack k, as the crack routines build them.
void CrackTangents(const CrackView& v, int k, double t[4], double s[4]) {
  double** L;
  allocd2(&L, 3, 3);
  CrackAxes3D(v.dir[k], v.twist != nullptr ? v.twist[k] : 0.0, L);
  for (int i = 1; i <= 3; i++) {
    t[i] = L[1][i];
    s[i] = L[2][i];
  }
  freed2(L);
}

// The normal of a solid crack turned by Q. A model that keeps the turn of the tangent axes
// about the normal takes the turned tangents Q t, Q s as its axes, so the crack strain and
// stress and the history of each shear component stay with their material direction under
// any rotation. The others re-express the tangential pair of crack strain and stress in
// the axes of the turned normal (exact where the shear components keep no history of
// their own).
void TurnSolidCrack(const CrackView& v, int k, const double Q[4][4]) {
  double t[4], s[4], tn[4], sn[4], Qt[4] = {}, Qs[4] = {};
  CrackTangents(v, k, t, s);
  const double n[4] = {0.0, v.dir[k][1], v.dir[k][2], v.dir[k][3]};
  for (int i = 1; i <= 3; i++) {
    v.dir[k][i] = 0.0;
    for (int j = 1; j <= 3; j++) {
      v.dir[k][i] += Q[i][j] * n[j];
      Qt[i] += Q[i][j] * t[j];
      Qs[i] += Q[i][j] * s[j];
    }
  }
  normalized1(v.dir[k], 3);
  if (v.twist != nullptr) v.twist[k] = 0.0;
  CrackTangents(v, k, tn, sn);
  const double tt = dotd1(Qt, tn, 3), st = dotd1(Qs, tn, 3), ts = dotd1(Qt, sn, 3), ss = dotd1(Qs, sn, 3);
  if (v.twist != nullptr) {
    v.twist[k] = std::atan2(ts, tt);
    return;
  }
  for (double* f : {v.e, v.s}) {
    double* pair = f + 3 * (k - 1) + 1;
    const double a = pair[1], b = pair[2];
    pair[1] = a * tt + b * st;
    pair[2] = a * ts + b * ss;
  }
}

// The cracks of view v turned by R (back: by R^T).
void TurnCrackView(const CrackView& v, int dim, double** R, bool back) {
  if (dim == 2) {
    const double phi = back ? -std::atan2(R[2][1], R[1][1]) : std::atan2(R[2][1], R[1][1]);
    for (int k = 1; k <= *v.nCr; k++) {
      double& a = v.angleRows != nullptr ? v.angleRows[k][1] : v.angleVec[k];
      a = CrackAngleInRange(a + phi);
    }
    return;
  }
  double Q[4][4];
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) Q[i][j] = back ? R[j][i] : R[i][j];
  for (int k = 1; k <= *v.nCr; k++) TurnSolidCrack(v, k, Q);
}

// The plane cyclic concrete works on its total strain: the strain (xx, yy, engineering xy)
// and its principal angle turned by the plane R (back: by R^T).
void TurnPlaneConcrete(NLMM211_HD& r, double** R, bool back) {
  const double phi = back ? -std::atan2(R[2][1], R[1][1]) : std::atan2(R[2][1], R[1][1]);
  const double c = std::cos(phi), s = std::sin(phi);
  double* e = r.Real3[NLMM211_HD::kTotalStrain];
  const double xx = e[1], yy = e[2], xy = 0.5 * e[3];
  e[1] = c * c * xx - 2.0 * c * s * xy + s * s * yy;
  e[2] = s * s * xx + 2.0 * c * s * xy + c * c * yy;
  e[3] = 2.0 * (c * s * (xx - yy) + (c * c - s * s) * xy);
  r.Angle = CrackAngleInRange(r.Angle + phi);
}

}  // namespace

void ContinuumTurnRecordCracks(int code, StressState state, NLMM_HD* hd, int record, double** R, bool back) {
  if (!MaterialKindTakesState(code, state)) InternalError(__FILE__, __LINE__);
  const int dim = ContinuumComponents(state) == 3 ? 2 : 3;
  switch (code) {
    case MAT_NLMM101:
      TurnCrackView(CrackViewOf(*PointRecord<NLMM101_HD>(code, hd, record), kModel101), dim, R, back);
      return;
    case MAT_NLMM102: TurnCrackView(CrackViewOf(*PointRecord<NLMM101_HD>(code, hd, record)), dim, R, back); return;
    case MAT_NLMM104: TurnCrackView(CrackViewOf(*PointRecord<NLMM104_HD>(code, hd, record)), dim, R, back); return;
    case MAT_NLMM111: TurnCrackView(CrackViewOf(*PointRecord<NLMM111_HD>(code, hd, record)), dim, R, back); return;
    case MAT_NLMM141: TurnCrackView(CrackViewOf(*PointRecord<NLMM141_HD>(code, hd, record)), dim, R, back); return;
    case MAT_NLMM142: TurnCrackView(CrackViewOf(*PointRecord<NLMM142_HD>(code, hd, record)), dim, R, back); return;
    case MAT_NLMM151: TurnCrackView(CrackViewOf(*PointRecord<NLMM151_HD>(code, hd, record)), dim, R, back); return;
    case MAT_NLMM211: TurnPlaneConcrete(*PointRecord<NLMM211_HD>(code, hd, record), R, back); return;
    default: return;  // no crack axes
  }
}

double* ContinuumRecordPlasticStress(int code, StressState state, NLMM_HD* hd, int record) {
  if (!MaterialKindTakesState(code, state)) InternalError(__FILE__, __LINE__);
  switch (code) {
    case MAT_NLMM142: return PointRecord<NLMM142_HD>(code, hd, record)->Pl.PlasticStress;
    case MAT_NLMM151: return PointRecord<NLMM151_HD>(code, hd, record)->Pl.PlasticStress;
    default: return nullptr;
  }
}

// ---- set-up ----------------------------------------------------------------------------------

namespace {
bool SmearedCrackKind(int code) {
  switch (code) {
    case MAT_NLMM101:
    case MAT_NLMM102:
    case MAT_NLMM104:
    case MAT_NLMM111:
    case MAT_NLMM141:
    case MAT_NLMM142:
    case MAT_NLMM151:
      return true;
    default:
      return false;
  }
}
}  // namespace

void CheckNonlinearMaterialParameters(const MeshData* mesh, const int* NLMM_HD_Count) {
  for (int code = 1; code <= kMaterialKinds; code++) {
    if (NLMM_HD_Count[code] <= 0) continue;
    char block[64];
    std::snprintf(block, sizeof block, "<%s>", MaterialKindName(code) + 1);
    for (int r = 1; r <= mesh->nMaterials[code]; r++) {
      const MaterialRecord& m = mesh->Materials[code][r];
      switch (code) {
        case MAT_NLMM121: CheckParameters_NLMM121(m, block, r); break;
        case MAT_NLMM122:
        case MAT_NLMM123:
        case MAT_NLMM125: CheckParameters_ConcretePlasticity(code, m, block, r); break;
        case MAT_NLMM124: CheckParameters_NLMM124(m, block, r); break;
        case MAT_NLMM301: CheckParameters_NLMM301(m, block, r); break;
        case MAT_NLMM302: CheckParameters_NLMM302(m, block, r); break;
        case MAT_NLMM303: CheckParameters_NLMM303(m, block, r); break;
        case MAT_NLMM305: CheckParameters_NLMM305(m, block, r); break;
        case MAT_NLMM299: CheckParameters_NLMM299(m, block, r); break;
        case MAT_NLMM306: CheckParameters_NLMM306(m, block, r); break;
        case MAT_NLMM320: CheckParameters_NLMM320(m, block, r); break;
        case MAT_NLMM210: CheckParameters_NLMM210(m, block, r); break;
        case MAT_NLMM211: CheckParameters_NLMM211(m, block, r); break;
        case MAT_NLMM220: CheckParameters_NLMM220(m, block, r); break;
        case MAT_NLMM501: CheckParameters_NLMM501(m, block, r); break;
        case MAT_NLMM145: CheckParameters_NLMM145(m, block, r); break;
        default:
          // The smeared-crack models share one check; the other laws check their records
          // with their models.
          if (SmearedCrackKind(code)) CheckParameters_Crack(code, m, block, r);
          if (code == MAT_NLMM142 || code == MAT_NLMM151) CheckParameters_CrackPlasticity(code, m, block, r);
          break;
      }
    }
  }
}

int SolidCrackBandOption(int code, const MaterialRecord& m) {
  switch (code) {
    case MAT_NLMM104:
    case MAT_NLMM102:
    case MAT_NLMM111:
    case MAT_NLMM151: return CrackBandOption(code, m);
    default: return 0;
  }
}


bool PointStartNeedsElementSize(int code, const MaterialRecord& m) {
  return SmearedCrackKind(code) && CrackStartNeedsSize(code, m);
}

int CrackBandOptionOfKind(int code, const MaterialRecord& m) {
  return SmearedCrackKind(code) ? CrackBandOption(code, m) : 0;
}

int CrackBandOptionsOfKind(int code) {
  if (!SmearedCrackKind(code)) InternalError(__FILE__, __LINE__);
  return CrackBandOptionCount(code);
}

// ---- layers of the layered shells ----------------------------------------------------------

namespace {

// A failed _NLMM501 layer (failure index above 0) keeps a thousandth of its stiffness.
double LayerFailureFactor(NLMM_HD* hd, int record) {
  return PointRecord<NLMM301_HD>(MAT_NLMM501, hd, record)->Value[NLMM301_HD::kFailureIndex501] > 0.0 ? 0.001 : 1.0;
}

void ScaledCopy(double** A, double f, double** B, int n) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) B[i][j] = f * A[i][j];
}

}  // namespace

bool ShellLayerKindServed(int code, StressState state) {
  if (state != kStateShellLayer && state != kStateDegeneratedShell) InternalError(__FILE__, __LINE__);
  switch (code) {
    case MAT_LIN_ISO: case MAT_LIN_ORTHO: case MAT_NLMM101: case MAT_NLMM104: case MAT_NLMM121: case MAT_NLMM141:
    case MAT_NLMM142:
      return true;
    case MAT_NLMM145: case MAT_NLMM211: case MAT_NLMM501:
      return state == kStateShellLayer;
    default:
      return false;
  }
}

void ShellLayerTangent(int code, const PointContext& point, const MaterialRecord& m, NLMM_HD* hd, int record,
                       double** De, double** Dt) {
  const PointContext ctx = CrackTangentContext(code, point, hd, record);
  switch (code) {
    case MAT_NLMM121:
      CalcMat_D_NLMM121(ctx, m, 3, PointRecord<NLMM121_HD>(code, hd, record), De, Dt);
      return;
    case MAT_NLMM211: CalcMat_D_NLMM211(m, *PointRecord<NLMM211_HD>(code, hd, record), De, Dt); return;
    // The layer's elastic matrix is the bar stiffness E t^T t, its tangent too.
    case MAT_NLMM145: copyd2(Dt, De, 3, 3); return;
    case MAT_NLMM104: CalcMat_D_NLMM104(ctx, m, *PointRecord<NLMM104_HD>(code, hd, record), De, Dt); return;
    case MAT_NLMM101: CalcMat_D_NLMM101(ctx, m, *PointRecord<NLMM101_HD>(code, hd, record), De, Dt); return;
    case MAT_NLMM142: CalcMat_D_NLMM142(ctx, m, *PointRecord<NLMM142_HD>(code, hd, record), De, Dt); return;
    case MAT_NLMM141: CalcMat_D_NLMM141(ctx, m, *PointRecord<NLMM141_HD>(code, hd, record), De, Dt); return;
    case MAT_NLMM501: ScaledCopy(De, LayerFailureFactor(hd, record), Dt, 3); return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void ShellLayerRecordStress(int code, const MaterialRecord& m, NLMM_HD* hd, int record, double* sigma) {
  switch (code) {
    case MAT_NLMM121: copyd1(sigma, PointRecord<NLMM121_HD>(code, hd, record)->Stress, 3); return;
    case MAT_NLMM104: copyd1(sigma, PointRecord<NLMM104_HD>(code, hd, record)->Stress, 3); return;
    case MAT_NLMM101: copyd1(sigma, PointRecord<NLMM101_HD>(code, hd, record)->Stress, 3); return;
    // The plasticity crack models hand on their final stress (_NLMM142: damaged).
    case MAT_NLMM142: copyd1(sigma, PointRecord<NLMM142_HD>(code, hd, record)->Pl.Stress, 3); return;
    case MAT_NLMM141: copyd1(sigma, PointRecord<NLMM141_HD>(code, hd, record)->Pl.Stress, 3); return;
    case MAT_NLMM211:
      copyd1(sigma, PointRecord<NLMM211_HD>(code, hd, record)->Real3[NLMM211_HD::kTotalStress], 3);
      return;
    case MAT_NLMM145: RecordStress_NLMM145(m, 3, *PointRecord<NLMM145_HD>(code, hd, record), sigma); return;
    default:
      // _NLMM501 hands its stress with its model.
      InternalError(__FILE__, __LINE__);
  }
}

void ShellLayerShearTangent(int code, const PointContext&, const MaterialRecord& m, NLMM_HD* hd, int record,
                            double** Dse, double** Dst) {
  switch (code) {
    case MAT_NLMM121:
    case MAT_NLMM211:
    case MAT_NLMM101:
    case MAT_NLMM141:
      // The plasticity and the smeared cracks act in the plane; the transverse shear stays
      // elastic.
      copyd2(Dst, Dse, 2, 2);
      return;
    // A bar carries no transverse shear.
    case MAT_NLMM145: zerod2(Dst, 2, 2); return;
    // The crack models with a transverse shear law crack in transverse shear too.
    case MAT_NLMM104: CalcMat_Ds_NLMM104(m, *PointRecord<NLMM104_HD>(code, hd, record), Dse, Dst); return;
    case MAT_NLMM142: CalcMat_Ds_NLMM142(m, *PointRecord<NLMM142_HD>(code, hd, record), Dse, Dst); return;
    case MAT_NLMM501: ScaledCopy(Dse, LayerFailureFactor(hd, record), Dst, 2); return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void ShellLayerStress(int code, const PointContext& point, const MaterialRecord& m, NLMM_HD* hd, int record,
                      double** De, const double* dEps, double* sigma) {
  PointContext ctx = point;
  ctx.strainStep = dEps;
  ctx.nStrainStep = 3;
  switch (code) {
    case MAT_NLMM121:
      CalcStress_NLMM121(ctx, m, 3, PointRecord<NLMM121_HD>(code, hd, record), De, dEps, sigma);
      return;
    case MAT_NLMM211:
      CalcStress_NLMM211(ctx, m, *PointRecord<NLMM211_HD>(code, hd, record), De, dEps, sigma);
      return;
    case MAT_NLMM145: {
      double tangent;
      CalcStress_NLMM145(m, 3, *PointRecord<NLMM145_HD>(code, hd, record), dEps, sigma, &tangent);
      return;
    }
    // _NLMM104 takes the element's geometry at the point for Oliver's band from ctx.
    case MAT_NLMM104:
      CalcStress_NLMM104(ctx, m, *PointRecord<NLMM104_HD>(code, hd, record), De, dEps, sigma);
      return;
    case MAT_NLMM101:
      CalcStress_NLMM101(ctx, m, *PointRecord<NLMM101_HD>(code, hd, record), De, dEps, sigma);
      return;
    case MAT_NLMM142:
      CalcStress_NLMM142(ctx, m, *PointRecord<NLMM142_HD>(code, hd, record), De, dEps, sigma);
      return;
    case MAT_NLMM141:
      CalcStress_NLMM141(ctx, m, *PointRecord<NLMM141_HD>(code, hd, record), De, dEps, sigma);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void ShellLayerShearStress(int code, const PointContext&, const MaterialRecord& m, NLMM_HD* hd, int record,
                           double** Dse, const double* gamma, double* tau) {
  switch (code) {
    case MAT_NLMM121:
    case MAT_NLMM211:
    case MAT_NLMM101:
    case MAT_NLMM141:
      multd2d1(tau, Dse, gamma, 2, 2);
      return;
    case MAT_NLMM145: tau[1] = tau[2] = 0.0; return;
    case MAT_NLMM104:
      CalcShearStress_OP_NLMM104(m, *PointRecord<NLMM104_HD>(code, hd, record), Dse, gamma, tau);
      return;
    case MAT_NLMM142:
      CalcShearStress_OP_NLMM142(m, *PointRecord<NLMM142_HD>(code, hd, record), Dse, gamma, tau);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

bool ShellLayerTotalStrain(int code) { return code == MAT_NLMM501; }

void ShellLayerTotalStress(int code, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                           double** De, double** Dse, double** T, const MeshData* mesh, const double* eps,
                           const double* gamma, double* sigma, double* tau) {
  if (code != MAT_NLMM501) InternalError(__FILE__, __LINE__);
  multd2d1(sigma, De, eps, 3, 3);
  multd2d1(tau, Dse, gamma, 2, 2);
  if (CalcStress_NLMM501(ctx.element, m, PointRecord<NLMM301_HD>(code, hd, record), T, sigma, mesh->AuxVectors,
                         mesh->CoordSystems) == 1) {
    zerod1(sigma, 3);
    zerod1(tau, 2);
  }
}

void ShellLayerTotalRecordStress(int code, NLMM_HD* hd, int record, double** De, const double* eps, double* sigma) {
  if (code != MAT_NLMM501) InternalError(__FILE__, __LINE__);
  multd2d1(sigma, De, eps, 3, 3);
  if (LayerFailureFactor(hd, record) < 1.0) zerod1(sigma, 3);
}
