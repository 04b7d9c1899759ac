// Uniform and differential temperature loads of the two-node members: trusses
// (_TRUSS_2D, _TRUSS_3D) and frames (_FRAME_2D, _FRAME_3D), in closed form in the
// member's axes and rotated to global axes; the temperatures of their load records.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/members.h"
#include "loads/load_kernel.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

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

double MemberTemperature(const ElemFaultContext& ctx, int typeCode, int Element, const TemperatureVariationRecord& r) {
  if (r.Element != Element) InternalError(__FILE__, __LINE__);
  if (r.ValueCount == 1) return r.Values[1];
  if (r.ValueCount == 2) return 0.5 * (r.Values[1] + r.Values[2]);
  BadValueCount(ctx, typeCode, r.ValueCount);
}

void MemberDiffTemperatures(const ElemFaultContext& ctx, int typeCode, int Element,
                            const DiffTemperatureVariationRecord& r, double* dT1, double* dT2) {
  if (r.Element != Element) InternalError(__FILE__, __LINE__);
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

namespace {

bool DiffersRelative(double a, double b) {
  return std::fabs(a - b) > 1e-12 * std::fmax(1.0, std::fmax(std::fabs(a), std::fabs(b)));
}

[[noreturn]] void BadDepth(const ElemFaultContext& ctx, int type, double h) {
  char detail[64];
  std::snprintf(detail, sizeof detail, "   -> Section depth: %g\n", h);
  ElemDataFault(ctx, type, detail, "The section depth must be positive for a differential temperature variation.");
}

void TempVarTruss(int d, int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int Record,
                  const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                  const CrossSectionArea* areas, const MaterialRecord* LinIso, const ElementProperty* ElemProps,
                  const TemperatureVariationRecord* records) {
  const int type = TrussType(d);
  const ElemFaultContext ctx{kCtxTempVar, LoadCaseNumber, Record, Element};
  CheckElemNodeCount(ctx, type, nNodes, 2);
  if (Size != 12) InternalError(__FILE__, __LINE__);
  const double dT = MemberTemperature(ctx, type, Element, records[Record]);
  TrussData t;
  ReadTruss(ctx, d, Element, PropIndex, true, ElemNodes, PointCoord, areas, LinIso, ElemProps, &t);
  double** R;
  allocd2(&R, d, d);
  CalcRotationTruss(d, Element, OutputControl, ElemNodes, R, PointCoord);
  // The restrained bar pushes its nodes apart by E alpha A dT.
  const double f = t.E * t.alpha * t.A * dT;
  double fl1[4] = {0.0, -f, 0.0, 0.0}, fl2[4] = {0.0, f, 0.0, 0.0};
  zerod1(Fe, Size);
  PlaceTrussForces(d, R, fl1, fl2, Fe);
  freed2(R);
}

}  // namespace

void Calc_Fg_TempVarTruss2D(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int Record,
                            const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                            const CrossSectionArea* areas, const MaterialRecord* LinIso,
                            const ElementProperty* ElemProps, const TemperatureVariationRecord* records) {
  TempVarTruss(2, Size, Element, LoadCaseNumber, nNodes, PropIndex, Record, OutputControl, ElemNodes, Fe, PointCoord,
               areas, LinIso, ElemProps, records);
}

void Calc_Fg_TempVarTruss3D(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int Record,
                            const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                            const CrossSectionArea* areas, const MaterialRecord* LinIso,
                            const ElementProperty* ElemProps, const TemperatureVariationRecord* records) {
  TempVarTruss(3, Size, Element, LoadCaseNumber, nNodes, PropIndex, Record, OutputControl, ElemNodes, Fe, PointCoord,
               areas, LinIso, ElemProps, records);
}

void Calc_Fg_TempVarFrame2D(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int Record,
                            const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                            const Frame2DSection* sections, const MaterialRecord* LinIso,
                            const ElementProperty* ElemProps, const TemperatureVariationRecord* records) {
  const ElemFaultContext ctx{kCtxTempVar, LoadCaseNumber, Record, Element};
  CheckElemNodeCount(ctx, kFrame2D, nNodes, 2);
  if (Size != 12) InternalError(__FILE__, __LINE__);
  const double dT = MemberTemperature(ctx, kFrame2D, Element, records[Record]);
  const FrameData f =
      ReadFrame2D(ctx, kWithMaterial, Element, PropIndex, ElemNodes, PointCoord, sections, LinIso, ElemProps);
  double** R;
  allocd2(&R, 2, 2);
  CalcMat_R_Frame2D(Element, OutputControl[OC_PRINT_MAT_T_FRAME_2D], ElemNodes, R, PointCoord);
  const double n = f.E * f.alpha * f.A * dT;
  const double fl[7] = {0.0, -n, 0.0, 0.0, n, 0.0, 0.0};
  PlaceFrame2D(R, fl, Fe);
  freed2(R);
}

void Calc_Fg_TempVarFrame3D(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int Record,
                            const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                            const Frame3DSection* sections, const MaterialRecord* LinIso,
                            const ElementProperty* ElemProps, const TemperatureVariationRecord* records) {
  const ElemFaultContext ctx{kCtxTempVar, LoadCaseNumber, Record, Element};
  CheckElemNodeCount(ctx, kFrame3D, nNodes, 2);
  if (Size != 12) InternalError(__FILE__, __LINE__);
  const double dT = MemberTemperature(ctx, kFrame3D, Element, records[Record]);
  const FrameData f =
      ReadFrame3D(ctx, kWithMaterial, Element, PropIndex, ElemNodes, PointCoord, sections, LinIso, ElemProps);
  double** R;
  allocd2(&R, 3, 3);
  CalcMat_R_Frame3D(Element, f.angle, OutputControl[OC_PRINT_MAT_T_FRAME_3D], ElemNodes, R, PointCoord);
  const double n = f.E * f.alpha * f.A * dT;
  double fl[13] = {0.0};
  fl[1] = -n;
  fl[7] = n;
  PlaceFrame3D(R, fl, Fe);
  freed2(R);
}

void Calc_Fg_DiffTempVarFrame2D(int Record, int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                double* Fe, const Frame2DSection* sections,
                                const DiffTemperatureVariationRecord* records, const MaterialRecord* LinIso,
                                const ElementProperty* ElemProps) {
  const ElemFaultContext ctx{kCtxDiffTempVar, LoadCaseNumber, Record, Element};
  CheckElemNodeCount(ctx, kFrame2D, nNodes, 2);
  if (Size != 12) InternalError(__FILE__, __LINE__);
  double dT1, dT2;
  MemberDiffTemperatures(ctx, kFrame2D, Element, records[Record], &dT1, &dT2);
  // A curvature varying along the member needs transverse end forces, hence the member's
  // length and direction, which this call does not receive.
  if (DiffersRelative(dT1, dT2))
    ElemDataFault(ctx, kFrame2D, nullptr,
                  "This type of element takes one differential temperature\nvariation for the whole element.");
  const FrameData f =
      ReadFrame2D(ctx, kWithMaterial, Element, PropIndex, nullptr, nullptr, sections, LinIso, ElemProps);
  if (!(f.h >= kSmall)) BadDepth(ctx, kFrame2D, f.h);
  const double M = f.E * f.I * f.alpha * dT1 / f.h;
  zerod1(Fe, Size);
  Fe[4] = M;
  Fe[10] = -M;
}

void Calc_Fg_DiffTempVarFrame3D(int Record, int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                                const Frame3DSection* sections, const DiffTemperatureVariationRecord* records,
                                const MaterialRecord* LinIso, const ElementProperty* ElemProps) {
  const ElemFaultContext ctx{kCtxDiffTempVar, LoadCaseNumber, Record, Element};
  CheckElemNodeCount(ctx, kFrame3D, nNodes, 2);
  if (Size != 12) InternalError(__FILE__, __LINE__);
  const DiffTemperatureVariationRecord& r = records[Record];
  double dT1, dT2;
  MemberDiffTemperatures(ctx, kFrame3D, Element, r, &dT1, &dT2);
  const FrameData f =
      ReadFrame3D(ctx, kWithMaterial, Element, PropIndex, ElemNodes, PointCoord, sections, LinIso, ElemProps);
  // End moments M_i of the thermal curvature at each node; with M varying linearly the
  // consistent forces of the bending plane (v1, t1, v2, t2) are
  // ((M1 - M2)/L, M1, (M2 - M1)/L, -M2), the axis-2 bending plane with its sign of the
  // rotations.
  double fl[13] = {0.0};
  const double L = f.L;
  if (r.Direction == 2) {
    if (!(f.h2 >= kSmall)) BadDepth(ctx, kFrame3D, f.h2);
    const double M1 = f.E * f.I3 * f.alpha * dT1 / f.h2, M2 = f.E * f.I3 * f.alpha * dT2 / f.h2;
    fl[2] = (M1 - M2) / L;
    fl[6] = M1;
    fl[8] = (M2 - M1) / L;
    fl[12] = -M2;
  } else if (r.Direction == 3) {
    if (!(f.h3 >= kSmall)) BadDepth(ctx, kFrame3D, f.h3);
    const double M1 = -f.E * f.I2 * f.alpha * dT1 / f.h3, M2 = -f.E * f.I2 * f.alpha * dT2 / f.h3;
    fl[3] = (M2 - M1) / L;
    fl[5] = M1;
    fl[9] = (M1 - M2) / L;
    fl[11] = -M2;
  } else {
    char detail[64];
    std::snprintf(detail, sizeof detail, "   -> Direction: %d\n", r.Direction);
    ElemDataFault(
        ctx, kFrame3D, detail,
        "The direction of a differential temperature variation\nmust be 2 or 3 (a local axis of the section).");
  }
  double** R;
  allocd2(&R, 3, 3);
  CalcMat_R_Frame3D(Element, f.angle, OutputControl[OC_PRINT_MAT_T_FRAME_3D], ElemNodes, R, PointCoord);
  PlaceFrame3D(R, fl, Fe);
  freed2(R);
}
