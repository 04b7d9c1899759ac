// The slot table: per history slot the material code that owns it, its records' routines
// and their start values, the values a law's first call expects of its record.
#include <cmath>

#include "history/record_families.h"
#include "materials/crack/crack_start.h"
#include "materials/material_point.h"
#include "model/material.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

using namespace recordfamily;

template <typename R>
R& As(void* r) {
  return *static_cast<R*>(r);
}

// Area of the quadrilateral element e (corner nodes 1..4, in space) and of its sampling
// point k of n x n Gauss points (s1 fastest), through the bilinear map of the corners.
void QuadAreas(const MeshData* mesh, int e, int nPoints, int k, double* area, double* pointArea) {
  static const double kGp[4][4] = {{0, 0, 0, 0}, {0, 0.0, 0, 0}, {0, -0.5773502691896257, 0.5773502691896257, 0},
                                   {0, -0.7745966692414834, 0.0, 0.7745966692414834}};
  static const double kGw[4][4] = {{0, 0, 0, 0}, {0, 2.0, 0, 0}, {0, 1.0, 1.0, 0},
                                   {0, 5.0 / 9.0, 8.0 / 9.0, 5.0 / 9.0}};
  int n = 1;
  while (n * n < nPoints) n++;
  if (mesh == nullptr || n > 3 || n * n != nPoints || k < 1 || k > nPoints || mesh->ElemNodeCount[e] < 4)
    InternalError(__FILE__, __LINE__);
  const double* x[5];
  for (int a = 1; a <= 4; a++) x[a] = mesh->PointCoord[mesh->ElemNodes[e][a]];
  auto detJ = [&](double s, double t) {
    double g1[3], g2[3];
    for (int d = 0; d < 3; d++) {
      g1[d] = 0.25 * ((1 - t) * (x[2][d + 1] - x[1][d + 1]) + (1 + t) * (x[3][d + 1] - x[4][d + 1]));
      g2[d] = 0.25 * ((1 - s) * (x[4][d + 1] - x[1][d + 1]) + (1 + s) * (x[3][d + 1] - x[2][d + 1]));
    }
    const double c[3] = {g1[1] * g2[2] - g1[2] * g2[1], g1[2] * g2[0] - g1[0] * g2[2], g1[0] * g2[1] - g1[1] * g2[0]};
    return std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
  };
  *area = 0.0;
  for (int j = 1; j <= n; j++)
    for (int i = 1; i <= n; i++) {
      const double a = detJ(kGp[n][i], kGp[n][j]) * kGw[n][i] * kGw[n][j];
      *area += a;
      if ((j - 1) * n + i == k) *pointArea = a;
    }
}

// ---- start values ---------------------------------------------------------------------------

// The smeared-crack models: status, threshold angle, band width and per-crack values; the
// element's size asked only by the band options that read it.
template <typename R, int Code, void (*Start)(const MaterialRecord&, const CrackPointPlace&, R*)>
void StartCrack(const StartPlace& p, void* r) {
  const MaterialRecord& m = p.Material();
  CrackPointPlace at{p.element, p.point, p.layer, 0.0, 0.0};
  if (PointStartNeedsElementSize(Code, m)) {
    if (p.sizes == nullptr) InternalError(__FILE__, __LINE__);
    p.sizes(p.mesh, p.element, p.property, p.point, &at.elementSize, &at.pointSize);
  }
  Start(m, at, static_cast<R*>(r));
}

// Elastic and loading, the compressive strength (parameter 68, the fifth value) kept.
void StartPlasticity(const StartPlace& p, void* r) {
  NLMM121_HD& a = As<NLMM121_HD>(r);
  a.PointStatus = 1;
  a.LoadingState = 1;
  a.YieldParam = MatValue(p.Material(), 5);
}

void Start124(const StartPlace&, void* r) {
  NLMM124_HD& a = As<NLMM124_HD>(r);
  a.PointStatus = 1;
  a.LoadingState = 1;
}

void Start173(const StartPlace&, void* r) { As<NLMM173_HD>(r).FirstCallFlag = 1; }
void Start174(const StartPlace&, void* r) { As<NLMM174_HD>(r).FirstStepFlag = 1; }
void Start175(const StartPlace&, void* r) { As<NLMM175_HD>(r).FirstCallFlag = 1; }

// The monotonic steel on its elastic branch.
void Start201(const StartPlace&, void* r) { As<NLMM201_HD>(r).Branch = 1; }

// The characteristic length of the point: value 15 (option 1 in value 14), the square
// root of the element's area (2) or of the point's area (3).
void Start211(const StartPlace& p, void* r) {
  NLMM211_HD& a = As<NLMM211_HD>(r);
  const MaterialRecord& m = p.Material();
  double area = 0.0, pointArea = 0.0;
  if (MatInt(m, 14) != 1) QuadAreas(p.mesh, p.element, p.nPoints, p.point, &area, &pointArea);
  a.IntC[1] = a.IntC[2] = 0;
  double length;
  switch (MatInt(m, 14)) {
    case 1: length = MatValue(m, 15); break;
    case 2: length = std::sqrt(area); break;
    case 3: length = std::sqrt(pointArea); break;
    default: InternalError(__FILE__, __LINE__);
  }
  a.Real2[NLMM211_HD::kCharLength][1] = a.Real2[NLMM211_HD::kCharLength][2] = length;
}

// In use, and the normal stress at the tensile strength (value 6).
void Start302(const StartPlace& p, void* r) {
  NLMM302_HD& a = As<NLMM302_HD>(r);
  a.InUse = 1;
  a.Value[NLMM302_HD::kForce] = MatValue(p.Material(), 6);
}

// Initial degree of hydration (value 9 of the record).
void Start401(const StartPlace& p, void* r) { As<NLMM401_HD>(r).AlphaT = MatValue(p.Material(), 9); }

// Records no element starts: _NLMM146 and _NLMM304 carry no sampling points of their own.
void NoPointStarts(const StartPlace&, void*) { InternalError(__FILE__, __LINE__); }

// Slot order. The initial values of the records without start values: the plasticity of
// _NLMM122 and the cyclic steel virgin, shrinkage from nothing, the concrete fibres, the
// bond laws from zero slip (rule 1 set with the record), the cyclic interface closed and
// virgin, the thermal properties, the layer's stress and failure index and the fracture
// model's vectors at zero.
constexpr SlotRow kRows[kNlmmSlots] = {
    {kSlotFracture, MAT_FRC_MIXFRACTURE_2D, &kOpsFracture, nullptr},
    {kSlot101, MAT_NLMM101, &kOps101, StartCrack<NLMM101_HD, MAT_NLMM101, SF_NLMM101_HD>},
    {kSlot102, MAT_NLMM102, &kOps102, StartCrack<NLMM101_HD, MAT_NLMM102, SF_NLMM102_HD>},
    {kSlot104, MAT_NLMM104, &kOps104, StartCrack<NLMM104_HD, MAT_NLMM104, SF_NLMM104_HD>},
    {kSlot111, MAT_NLMM111, &kOps111, StartCrack<NLMM111_HD, MAT_NLMM111, SF_NLMM111_HD>},
    {kSlot121, MAT_NLMM121, &kOps121, StartPlasticity},
    {kSlot122, MAT_NLMM122, &kOps122, nullptr},
    {kSlot123, MAT_NLMM123, &kOps123, StartPlasticity},
    {kSlot124, MAT_NLMM124, &kOps124, Start124},
    {kSlot125, MAT_NLMM125, &kOps125, StartPlasticity},
    {kSlot141, MAT_NLMM141, &kOps141, StartCrack<NLMM141_HD, MAT_NLMM141, SF_NLMM141_HD>},
    {kSlot142, MAT_NLMM142, &kOps142, StartCrack<NLMM142_HD, MAT_NLMM142, SF_NLMM142_HD>},
    {kSlot145, MAT_NLMM145, &kOps145, nullptr},
    {kSlot146, MAT_NLMM146, &kOps146, NoPointStarts},
    {kSlot151, MAT_NLMM151, &kOps151, StartCrack<NLMM151_HD, MAT_NLMM151, SF_NLMM151_HD>},
    {kSlot171, MAT_NLMM171, &kOps171, nullptr},
    {kSlot172, MAT_NLMM172, &kOps172, nullptr},
    {kSlot173, MAT_NLMM173, &kOps173, Start173},
    {kSlot174, MAT_NLMM174, &kOps174, Start174},
    {kSlot175, MAT_NLMM175, &kOps175, Start175},
    {kSlot201, MAT_NLMM201, &kOps201, Start201},
    {kSlot202, MAT_NLMM202, &kOps202, nullptr},
    {kSlot210, MAT_NLMM210, &kOps210, nullptr},
    {kSlot211, MAT_NLMM211, &kOps211, Start211},
    {kSlot220, MAT_NLMM220, &kOps220, nullptr},
    {kSlot298, MAT_NLMM298, &kOps298, nullptr},
    {kSlot299, MAT_NLMM299, &kOps299, nullptr},
    {kSlot301, MAT_NLMM301, &kOps301, nullptr},
    {kSlot302, MAT_NLMM302, &kOps302, Start302},
    {kSlot303, MAT_NLMM303, &kOps303, nullptr},
    {kSlot304, MAT_NLMM304, &kOps304, NoPointStarts},
    {kSlot305, MAT_NLMM305, &kOps305, nullptr},
    {kSlot306, MAT_NLMM306, &kOps306, nullptr},
    {kSlot320, MAT_NLMM320, &kOps320, nullptr},
    {kSlot401, MAT_NLMM401, &kOps401, Start401},
    {kSlot451, MAT_NLMM451, &kOps451, nullptr},
    {kSlot501, MAT_NLMM501, &kOps501, nullptr},
};

constexpr bool RowsInSlotOrder() {
  for (int k = 0; k < kNlmmSlots; k++)
    if (kRows[k].slot != k) return false;
  return true;
}
static_assert(RowsInSlotOrder(), "one row per slot, in slot order");

}  // namespace

const MaterialRecord& StartPlace::Material() const {
  return record != nullptr ? *record : MaterialOf(mesh, code, material);
}

const SlotRow& SlotRowOf(int slot) {
  if (slot < 0 || slot >= kNlmmSlots) InternalError(__FILE__, __LINE__);
  return kRows[slot];
}
