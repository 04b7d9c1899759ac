// The material point: values of the records and the switch on the nonlinear laws.
#include "materials/material_point.h"

#include <cmath>

#include "materials/uniaxial/steel.h"
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

}  // namespace

double UniaxialTangent(int code, int iteration, const MaterialRecord& m, NLMM_HD* hd, int record) {
  switch (code) {
    case MAT_LIN_ISO:
      return UniaxialInitialModulus(code, m);
    case MAT_NLMM201:
      return CalcMat_D_NLMM201(m, PointRecord<NLMM201_HD>(hd, code, record));
    case MAT_NLMM202:
      // The first two iterations take the initial modulus whatever the record holds.
      if (iteration <= 2) return UniaxialInitialModulus(code, m);
      return PointRecord<NLMM145_HD>(hd, code, record).Value[1];
    default:
      InternalError(__FILE__, __LINE__);
  }
}

double UniaxialStress(int code, const MaterialRecord& m, double epsMech, NLMM_HD* hd, int record) {
  switch (code) {
    case MAT_LIN_ISO:
      // Elastic bar: no record, nothing stored.
      return UniaxialInitialModulus(code, m) * epsMech;
    case MAT_NLMM201:
      return CalcStress_NLMM201(m, PointRecord<NLMM201_HD>(hd, code, record), epsMech);
    case MAT_NLMM202: {
      double stress, tangent;
      CalcStress_NLMM202(CyclicSteelOf(m, 3), PointRecord<NLMM145_HD>(hd, code, record), epsMech, &stress, &tangent);
      return stress;
    }
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void UniaxialStartValues(int code, int type) {
  if (!MaterialKindAllowed(code, type)) InternalError(__FILE__, __LINE__);
  switch (code) {
    case MAT_NLMM201:  // the history table sets the elastic branch
    case MAT_NLMM202:  // the cyclic steel law starts from its virgin state
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

// ---- interface points -------------------------------------------------------------------

void InterfaceTangent(int code, int type, double** D) {
  (void)D;
  if (!MaterialKindAllowed(code, type)) InternalError(__FILE__, __LINE__);
  switch (code) {
    // The bond laws _NLMM301 to _NLMM306 and the interface plasticity _NLMM320
    // (CalcMat_D_NLMM3xx on the point's record, by element type): not part of this build.
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void InterfaceTraction(int code, int type, const double* dw, const double* w, double* sigma) {
  (void)dw;
  (void)w;
  (void)sigma;
  if (!MaterialKindAllowed(code, type)) InternalError(__FILE__, __LINE__);
  switch (code) {
    // CalcStress_NLMM3xx: the bond laws take w, _NLMM320 the increment dw; each updates
    // the point's record. Not part of this build.
    default:
      InternalError(__FILE__, __LINE__);
  }
}
