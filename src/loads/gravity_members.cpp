// Gravity loads of the two-node members: trusses (_TRUSS_2D, _TRUSS_3D) and frames
// (_FRAME_2D, _FRAME_3D), in closed form in the member's axes and rotated to global axes.
#include "elements/kernel.h"
#include "elements/members.h"
#include "loads/load_kernel.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

const char* const kCtxGravity =
    "Calculating the gravity load contribution to the global load vector:\n"
    "   -> Block name: <GRAVITY_LOAD>\n"
    "   -> Element: %d\n";

namespace {

void GravityTruss(int d, int Size, int Element, int nNodes, int PropIndex, double rho, const char* OutputControl,
                  int** ElemNodes, double* Fe, const double* g, double** PointCoord, const CrossSectionArea* areas,
                  const ElementProperty* ElemProps) {
  const int type = TrussType(d);
  const ElemFaultContext ctx{kCtxGravity, Element, 0, 0};
  CheckElemNodeCount(ctx, type, nNodes, 2);
  if (Size != 12) InternalError(__FILE__, __LINE__);
  TrussData t;
  ReadTruss(ctx, d, Element, PropIndex, false, ElemNodes, PointCoord, areas, nullptr, ElemProps, &t);
  double** R;
  allocd2(&R, d, d);
  CalcRotationTruss(d, Element, OutputControl, ElemNodes, R, PointCoord);
  // q = rho A g in the element's coordinates: (g2, g3) in the plane, (g1, g2, g3) in space.
  double q[4], ql[4];
  for (int i = 1; i <= d; i++) q[i] = rho * t.A * g[i + 3 - d];
  multd2d1(ql, R, q, d, d);
  for (int i = 1; i <= d; i++) ql[i] *= t.L / 2.0;
  zerod1(Fe, Size);
  PlaceTrussForces(d, R, ql, ql, Fe);
  freed2(R);
}

}  // namespace

void Calc_Fg_GravityLoadTruss2D(int Size, int Element, int nNodes, int PropIndex, double rho, const char* OutputControl,
                                int** ElemNodes, double* Fe, const double* g, double** PointCoord,
                                const CrossSectionArea* areas, const ElementProperty* ElemProps) {
  GravityTruss(2, Size, Element, nNodes, PropIndex, rho, OutputControl, ElemNodes, Fe, g, PointCoord, areas, ElemProps);
}

void Calc_Fg_GravityLoadTruss3D(int Size, int Element, int nNodes, int PropIndex, double rho, const char* OutputControl,
                                int** ElemNodes, double* Fe, const double* g, double** PointCoord,
                                const CrossSectionArea* areas, const ElementProperty* ElemProps) {
  GravityTruss(3, Size, Element, nNodes, PropIndex, rho, OutputControl, ElemNodes, Fe, g, PointCoord, areas, ElemProps);
}

void Calc_Fg_GravityLoadFrame2D(int Size, int Element, int nNodes, int PropIndex, double rho, const char* OutputControl,
                                int** ElemNodes, double* Fe, const double* g, double** PointCoord,
                                const Frame2DSection* sections, const ElementProperty* ElemProps) {
  const ElemFaultContext ctx{kCtxGravity, Element, 0, 0};
  CheckElemNodeCount(ctx, kFrame2D, nNodes, 2);
  if (Size != 12) InternalError(__FILE__, __LINE__);
  const FrameData f =
      ReadFrame2D(ctx, kSectionOnly, Element, PropIndex, ElemNodes, PointCoord, sections, nullptr, ElemProps);
  double** R;
  allocd2(&R, 2, 2);
  CalcMat_R_Frame2D(Element, OutputControl[OC_PRINT_MAT_T_FRAME_2D], ElemNodes, R, PointCoord);
  const double q[3] = {0.0, rho * f.A * g[2], rho * f.A * g[3]};
  double ql[3];
  multd2d1(ql, R, q, 2, 2);
  const double L = f.L;
  const double fl[7] = {0.0,           ql[1] * L / 2, ql[2] * L / 2,      ql[2] * L * L / 12,
                        ql[1] * L / 2, ql[2] * L / 2, -ql[2] * L * L / 12};
  PlaceFrame2D(R, fl, Fe);
  freed2(R);
}

void Calc_Fg_GravityLoadFrame3D(int Size, int Element, int nNodes, int PropIndex, double rho, const char* OutputControl,
                                int** ElemNodes, double* Fe, const double* g, double** PointCoord,
                                const Frame3DSection* sections, const ElementProperty* ElemProps) {
  const ElemFaultContext ctx{kCtxGravity, Element, 0, 0};
  CheckElemNodeCount(ctx, kFrame3D, nNodes, 2);
  if (Size != 12) InternalError(__FILE__, __LINE__);
  const FrameData f =
      ReadFrame3D(ctx, kSectionOnly, Element, PropIndex, ElemNodes, PointCoord, sections, nullptr, ElemProps);
  double** R;
  allocd2(&R, 3, 3);
  CalcMat_R_Frame3D(Element, f.angle, OutputControl[OC_PRINT_MAT_T_FRAME_3D], ElemNodes, R, PointCoord);
  const double q[4] = {0.0, rho * f.A * g[1], rho * f.A * g[2], rho * f.A * g[3]};
  double ql[4];
  multd2d1(ql, R, q, 3, 3);
  const double L = f.L, a = L / 2, b = L * L / 12;
  const double fl[13] = {0.0,       ql[1] * a, ql[2] * a, ql[3] * a, 0.0,       -ql[3] * b, ql[2] * b,
                         ql[1] * a, ql[2] * a, ql[3] * a, 0.0,       ql[3] * b, -ql[2] * b};
  PlaceFrame3D(R, fl, Fe);
  freed2(R);
}
