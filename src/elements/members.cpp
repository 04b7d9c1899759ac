// Shared parts of the two-node members: fault contexts, length, load-record temperatures.
#include "elements/members.h"

#include <cstdio>

#include "numcore/numcore.h"

const char* const kCtxMass = "Calculating the mass matrix of element n. %d\n";
const char* const kCtxGravity =
    "Calculating the gravity load contribution to the global load vector:\n"
    "   -> Block name: <GRAVITY_LOAD>\n"
    "   -> Element: %d\n";
const char* const kCtxTempVar =
    "Calculating the thermal load contribution to the global load vector:\n"
    "   -> Load case: %d\n"
    "   -> Block name: <TEMPERATURE_VARIATION>\n"
    "   -> Temp. var. counter: %d\n"
    "   -> Element: %d\n";
const char* const kCtxDiffTempVar =
    "Calculating the thermal load contribution to the global load vector:\n"
    "   -> Load case: %d\n"
    "   -> Block name: <DIFFERENTIAL_TEMPERATURE_VARIATION>\n"
    "   -> Diff. temp. var. counter: %d\n"
    "   -> Element: %d\n";

namespace {

[[noreturn]] void BadValueCount(const ElemFaultContext& ctx, int typeCode, int count) {
  char detail[64];
  std::snprintf(detail, sizeof detail, "   -> Number of values: %d\n", count);
  ElemDataFault(ctx, typeCode, detail,
                "The temperature variation must give one value,\nor one value per node of the element.");
}

}  // namespace

double MemberLength(const ElemFaultContext& ctx, int typeCode, int elem, int** elemNodes, double** pointCoords) {
  // In the element's own coordinates: a member of the (x2, x3) plane ignores x1, as its
  // rotation does.
  double X[3][4] = {};
  double* rows[3] = {nullptr, X[1], X[2]};
  CalcMat_ElemNodeCoord(elem, typeCode, 2, elemNodes, rows, pointCoords);
  double dx[4];
  for (int i = 1; i <= 3; i++) dx[i] = X[2][i] - X[1][i];
  const double L = normd1(dx, 3);
  if (!(L >= kSmall)) ElemDataFault(ctx, typeCode, nullptr, "The element is too distorted and must be changed.");
  return L;
}

double MemberTemperature(const ElemFaultContext& ctx, int typeCode, int elem, const TemperatureVariationRecord& r) {
  if (r.Element != elem) InternalError(__FILE__, __LINE__);
  if (r.ValueCount == 1) return r.Values[1];
  if (r.ValueCount == 2) return 0.5 * (r.Values[1] + r.Values[2]);
  BadValueCount(ctx, typeCode, r.ValueCount);
}

void MemberDiffTemperatures(const ElemFaultContext& ctx, int typeCode, int elem,
                            const DiffTemperatureVariationRecord& r, double* dT1, double* dT2) {
  if (r.Element != elem) InternalError(__FILE__, __LINE__);
  if (r.ValueCount == 1) {
    *dT1 = *dT2 = r.Values[1];
    return;
  }
  if (r.ValueCount == 2) {
    *dT1 = r.Values[1];
    *dT2 = r.Values[2];
    return;
  }
  BadValueCount(ctx, typeCode, r.ValueCount);
}
