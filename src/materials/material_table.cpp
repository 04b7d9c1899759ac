// The material table: one row per material kind code.
#include "materials/material_table.h"

#include <array>

#include "materials/history_data.h"
#include "model/material_formats.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

constexpr uint64_t T(int t) { return uint64_t{1} << t; }
constexpr uint64_t Range(int a, int b) {
  uint64_t m = 0;
  for (int t = a; t <= b; t++) m |= T(t);
  return m;
}

constexpr unsigned kU = kPointUniaxial, kP = kPointPlane, kS = kPointSolid, kI = kPointInterface;
constexpr MaterialBehaviour kL = kBehaviourLinear, kN = kBehaviourNonlinear, k0 = kBehaviourNone;

// Every mechanical element type but the interfaces may carry the linear isotropic kind.
constexpr uint64_t kMechanical = Range(1, 10) | Range(12, 24) | T(31) | T(32);
constexpr uint64_t kPlaneQuads = T(10) | T(13);
constexpr uint64_t kCables = T(5) | T(6) | T(31) | T(32);

// code, families, density, expansion (count), modulus (over), element types, behaviour,
// history slot; the keyword is the code's format row's (kRows below).
constexpr MaterialKindRow kWritten[kMaterialKinds + 1] = {
    {0, kPointNone, 0, 0, 0, 0, 0, 0, k0, kSlotNone},
    {MAT_LIN_ISO, kU | kP | kS, 1, 2, 1, 3, 0, kMechanical, kL, kSlotNone},
    {MAT_LIN_ORTHO, kP | kS, 1, 2, 3, 0, 0, T(19) | T(20) | T(23) | T(24), kL, kSlotNone},
    {MAT_LIN_INT_POINT, kI, 0, 0, 0, 0, 0, T(26), kL, kSlotNone},
    {MAT_LIN_INT_LINE_2D, kI, 0, 0, 0, 0, 0, T(27), kL, kSlotNone},
    {MAT_LIN_INT_LINE_3D, kI, 0, 0, 0, 0, 0, T(28), kL, kSlotNone},
    {MAT_LIN_INT_SURF, kI, 0, 0, 0, 0, 0, T(29) | T(30), kL, kSlotNone},
    {MAT_NLMM101, kP, 1, 0, 0, 0, 0, kPlaneQuads, kN, kSlot101},
    {MAT_NLMM102, kS, 1, 0, 0, 0, 0, T(24), kN, kSlot102},
    {MAT_NLMM104, kP, 1, 0, 0, 0, 0, kPlaneQuads, kN, kSlot104},
    {MAT_NLMM105, kP, 0, 0, 0, 0, 0, 0, kN, kSlotNone},
    {MAT_NLMM111, kS, 1, 0, 0, 0, 0, T(24), kN, kSlot111},
    {MAT_NLMM121, kP, 1, 0, 0, 0, 0, T(10), kN, kSlot121},
    {MAT_NLMM122, kS, 1, 0, 0, 0, 0, T(24), kN, kSlot122},
    {MAT_NLMM123, kP | kS, 1, 0, 0, 0, 0, kPlaneQuads | T(24), kN, kSlot123},
    {MAT_NLMM124, kP | kS, 1, 0, 0, 0, 0, kPlaneQuads | T(24), kN, kSlot124},
    {MAT_NLMM125, kP | kS, 0, 0, 0, 0, 0, kPlaneQuads | T(24), kN, kSlot125},
    {MAT_NLMM141, kP, 1, 0, 0, 0, 0, T(10), kN, kSlot141},
    {MAT_NLMM142, kP, 1, 0, 0, 0, 0, T(10), kN, kSlot142},
    {MAT_NLMM145, kP, 1, 0, 0, 3, 0, T(10), kN, kSlot145},
    {MAT_NLMM146, kP, 1, 0, 0, 0, 0, T(10), kN, kSlot146},
    {MAT_NLMM151, kS, 1, 0, 0, 0, 0, T(24), kN, kSlot151},
    {MAT_NLMM171, kS, 0, 0, 0, 0, 0, T(24), kN, kSlot171},
    {MAT_NLMM172, kS, 0, 0, 0, 0, 0, T(24), kN, kSlot172},
    {MAT_NLMM173, kS, 0, 0, 0, 0, 0, T(24), kN, kSlot173},
    {MAT_NLMM174, kS, 0, 0, 0, 0, 0, T(24), kN, kSlot174},
    {MAT_NLMM175, kS, 0, 0, 0, 0, 0, T(24), kN, kSlot175},
    // The monotonic steel law holds the end of its elastic branch (strain 3, stress 4).
    {MAT_NLMM201, kU, 1, 2, 1, 4, 3, kCables, kN, kSlot201},
    {MAT_NLMM202, kU, 1, 2, 1, 3, 0, kCables, kN, kSlot202},
    {MAT_NLMM210, kU, 0, 0, 0, 3, 0, 0, kN, kSlot210},
    {MAT_NLMM211, kP, 0, 0, 0, 0, 0, T(10), kN, kSlot211},
    {MAT_NLMM220, kU, 0, 0, 0, 4, 0, 0, k0, kSlot220},
    {MAT_NLMM298, kU, 0, 0, 0, 3, 0, 0, kN, kSlot298},
    {MAT_NLMM299, kU, 0, 0, 0, 3, 0, 0, kN, kSlot299},
    {MAT_NLMM301, kI, 0, 0, 0, 0, 0, T(27), kN, kSlot301},
    {MAT_NLMM302, kI, 0, 0, 0, 0, 0, T(27), kN, kSlot302},
    {MAT_NLMM303, kI, 0, 0, 0, 0, 0, T(27) | T(28), kN, kSlot303},
    {MAT_NLMM304, kI, 0, 0, 0, 0, 0, T(27) | T(30), kN, kSlot304},
    {MAT_NLMM305, kI, 0, 0, 0, 0, 0, T(27) | T(30), kN, kSlot305},
    {MAT_NLMM306, kI, 0, 0, 0, 0, 0, T(27) | T(30), kN, kSlot306},
    {MAT_NLMM320, kI, 0, 0, 0, 0, 0, T(27) | T(28) | T(30), kN, kSlot320},
    {MAT_NLMM401, kPointNone, 0, 0, 0, 0, 0, T(25), kN, kSlot401},
    {MAT_NLMM451, kPointNone, 0, 0, 0, 0, 0, T(25), kN, kSlot451},
    {MAT_NLMM501, kP, 0, 0, 0, 0, 0, 0, kN, kSlot501},
    {MAT_FRC_MIXFRACTURE_2D, kP, 0, 0, 0, 0, 0, 0, k0, kSlotFracture},
    {MAT_NLMM_PATT, kPointNone, 0, 0, 0, 0, 0, T(10) | T(24), kN, kSlotNone},
    {MAT_FIB_PATT, kPointNone, 0, 0, 0, 0, 0, 0, k0, kSlotNone},
    {MAT_LAY_PATT, kPointNone, 0, 0, 0, 0, 0, T(20) | T(22), kN, kSlotNone},
    {MAT_FIB_MESH, kPointNone, 0, 0, 0, 0, 0, T(8), kN, kSlotNone},
    {MAT_THERMAL_ISO, kPointNone, 0, 0, 0, 0, 0, T(11) | T(25), kL, kSlotNone},
};

// Both tables hold every code in order: the row of code c at c, its format row at c - 1.
static_assert([] {
  for (int c = 0; c <= kMaterialKinds; c++)
    if (kWritten[c].code != c || (c > 0 && kMaterialFormats[c - 1].code != c)) return false;
  return true;
}(), "material kind rows by code");

constexpr std::array<MaterialKindRow, kMaterialKinds + 1> kRows = [] {
  std::array<MaterialKindRow, kMaterialKinds + 1> rows{};
  for (int c = 0; c <= kMaterialKinds; c++) {
    rows[c] = kWritten[c];
    rows[c].keyword = c == 0 ? "_NONE" : kMaterialFormats[c - 1].keyword;
  }
  return rows;
}();

}  // namespace

const MaterialKindRow& MaterialKindInfo(int code) {
  if (code < 1 || code > kMaterialKinds) InternalError(__FILE__, __LINE__);
  return kRows[code];
}

const char* MaterialKindName(int code) {
  return code >= 1 && code <= kMaterialKinds ? kMaterialKindKeywords[code] : "_NONE";
}

bool MaterialKindAllowed(int code, int type) {
  if (type < 1 || type > 63) return false;
  return (MaterialKindInfo(code).elementTypes & T(type)) != 0;
}

int LinearKindOfType(int type) {
  int found = 0;
  for (int c = 1; c <= kMaterialKinds; c++)
    if (kRows[c].behaviour == kBehaviourLinear && MaterialKindAllowed(c, type)) {
      if (found != 0) return 0;
      found = c;
    }
  return found;
}

char MaterialBehaviourCode(int code, bool geometric) {
  switch (MaterialKindInfo(code).behaviour) {
    case kBehaviourLinear: return geometric ? 'G' : 'L';
    case kBehaviourNonlinear: return geometric ? 'N' : 'M';
    default: InternalError(__FILE__, __LINE__);
  }
}

ElasticSymmetry LinearElasticity(int code) {
  switch (code) {
    case MAT_LIN_ISO: return kElasticIsotropic;
    case MAT_LIN_ORTHO: return kElasticOrthotropic;
    default: return kElasticNone;
  }
}

int ElasticKindCode(ElasticSymmetry s) {
  switch (s) {
    case kElasticIsotropic: return MAT_LIN_ISO;
    case kElasticOrthotropic: return MAT_LIN_ORTHO;
    default: InternalError(__FILE__, __LINE__);
  }
}

int NlmmSlotOfCode(int code) { return MaterialKindInfo(code).historySlot; }

int NlmmCodeOfSlot(int slot) {
  for (int c = 1; c <= kMaterialKinds; c++)
    if (kRows[c].historySlot == slot) return c;
  InternalError(__FILE__, __LINE__);
}

HistoryUse HistoryUseOwn(int code, int type) {
  if (MaterialKindInfo(code).behaviour == kBehaviourLinear) return kHistoryNoRecord;
  return NonlinearKindAllowed(code, type) ? kHistoryRecord : kHistoryRefused;
}

HistoryUse HistoryUseInComposition(MaterialComposition c, int code) {
  switch (c) {
    case kCompositionLayers:
      switch (code) {
        case MAT_LIN_ISO:
        case MAT_LIN_ORTHO: return kHistoryNoRecord;
        case MAT_NLMM101: case MAT_NLMM104: case MAT_NLMM121: case MAT_NLMM141: case MAT_NLMM142:
        case MAT_NLMM145: case MAT_NLMM202: case MAT_NLMM211: case MAT_NLMM501: return kHistoryRecord;
        default: return kHistoryRefused;
      }
    case kCompositionNlmmPattern:
      switch (code) {
        case MAT_LIN_ISO: return kHistoryNoRecord;
        case MAT_NLMM104: case MAT_NLMM111: case MAT_NLMM171: case MAT_NLMM172: case MAT_NLMM173:
        case MAT_NLMM174: case MAT_NLMM175: case MAT_FRC_MIXFRACTURE_2D: return kHistoryRecord;
        default: return kHistoryRefused;
      }
    case kCompositionFibrousMesh:
      switch (code) {
        case MAT_LIN_ISO: return kHistoryNoRecord;
        case MAT_NLMM201: case MAT_NLMM202: case MAT_NLMM210: case MAT_NLMM220: case MAT_NLMM298:
        case MAT_NLMM299: return kHistoryRecord;
        default: return kHistoryRefused;
      }
    default: InternalError(__FILE__, __LINE__);
  }
}

bool NonlinearKindAllowed(int code, int type) {
  return MaterialKindInfo(code).behaviour == kBehaviourNonlinear && MaterialKindAllowed(code, type);
}

bool MaterialKindTakesState(int code, StressState s) {
  // Per kind, the states of the element types that carry it (bit s).
  static const auto kStates = [] {
    std::array<uint32_t, kMaterialKinds + 1> states{};
    for (int c = 1; c <= kMaterialKinds; c++)
      for (int t = 1; t <= _EMB_CABLE_3D; t++)
        if (MaterialKindAllowed(c, t)) states[c] |= uint32_t{1} << StressStateOfType(t);
    return states;
  }();
  return (kStates[MaterialKindInfo(code).code] & (uint32_t{1} << s)) != 0;
}

bool NonlinearKindTakesState(int code, StressState s) {
  return MaterialKindInfo(code).behaviour == kBehaviourNonlinear && MaterialKindTakesState(code, s);
}

const char* ElementKindRefusal(int code, int type, bool thermal, bool nonlinear) {
  const bool thermalKind = code == MAT_THERMAL_ISO || code == MAT_NLMM401 || code == MAT_NLMM451;
  if (thermal && !thermalKind) return "A thermal analysis takes only thermal materials (_THERMAL_ISO, _NLMM401, _NLMM451).";
  if (!thermal && thermalKind) return "A thermal material cannot carry a mechanical analysis.";
  if (!MaterialKindAllowed(code, type)) return "This type of element cannot take this material kind.";
  // _NLMM146 and _NLMM304 have their records and history records but no stress-strain law
  // to compute with.
  if (code == MAT_NLMM146)
    return "The material kind _NLMM146 has no stress-strain law: no element can be computed with it.";
  if (code == MAT_NLMM304)
    return "The material kind _NLMM304 has no stress-strain law: no element can be computed with it.";
  // Shrinkage, maturity, creep and temperature laws act only as parts of a material pattern.
  if (code >= MAT_NLMM171 && code <= MAT_NLMM175)
    return "This material kind is a part of a material pattern (_NLMM_PATT) only.";
  if (code == MAT_NLMM_PATT && type != _SOLID_HEXA && type != _PLANE_STRESS_QUAD)
    return "Material patterns are available in solid elements (_SOLID_HEXA) and plane-stress\n"
           "quadrilaterals (_PLANE_STRESS_QUAD) only.";
  if (!nonlinear && MaterialKindInfo(code).behaviour != kBehaviourLinear)
    return "A nonlinear material needs a materially nonlinear analysis\n"
           "(MATERIALLY_NONLINEAR_PROBLEM in <MAIN_PARAMETERS>).";
  return nullptr;
}

MaterialComposition CompositionOf(int code) {
  switch (code) {
    case MAT_NLMM_PATT: return kCompositionNlmmPattern;
    case MAT_FIB_PATT: return kCompositionFibrePattern;
    case MAT_LAY_PATT: return kCompositionLayers;
    case MAT_FIB_MESH: return kCompositionFibrousMesh;
    default: return kCompositionNone;
  }
}

KindList KindsOfElementType(int type, MaterialBehaviour b) {
  KindList l{};
  int n = 0;
  for (int c = 1; c <= kMaterialKinds; c++)
    if (MaterialKindAllowed(c, type) && (b == kBehaviourNone || kRows[c].behaviour == b)) l.code[n++] = c;
  return l;
}

bool ElementTypeTakesGravity(int type) {
  for (int c = 1; c <= kMaterialKinds; c++) {
    const unsigned f = kRows[c].families;
    if (MaterialKindAllowed(c, type) && (f == kPointUniaxial || f == kPointInterface)) return false;
  }
  return true;
}

bool SpringKindIsLinear(int kind) {
  switch (kind) {
    case SPRMAT_LIN_SPRING: return true;
    case SPRMAT_NLSMM101:
    case SPRMAT_NLSMM102:
    case SPRMAT_NLSMM103: return false;
    default: InternalError(__FILE__, __LINE__);
  }
}

double LinearSpringStiffness(const MaterialRecord& record) { return MatValue(record, 1); }
