// Internal point loads: a force and moment at an auxiliary point inside an element (on
// the axis of a beam, on the reference surface of a shell). The point is located by
// inverse mapping and each node takes the load times its shape function there. Trusses
// and frames take their closed forms; the dispatcher by element type.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "loads/load_kernel.h"

namespace {

const char* const kBlock = "<INTERNAL_POINT_LOADS>";
const char* const kCounterLine = "   -> Internal point load counter: %d\n";

void IntPointLoadElement(int type, int Size, int Element, int r, int lc, int n, const char* OutputControl,
                         const MeshData* mesh, double* Fe, const InternalPointLoad* loads, const char* PointTypes,
                         const int* ElemPropIndex, const PointList* adj) {
  const LoadReportContext c = IntPointLoadReportContext(lc, r, Element, type);
  const InternalPointLoad& rec = loads[r];
  if (Size != 6 * n) InternalError(__FILE__, __LINE__);
  char line[256];
  if (type == _SOLID_HEXA &&
      (std::fabs(rec.Load[4]) > kSmall || std::fabs(rec.Load[5]) > kSmall || std::fabs(rec.Load[6]) > kSmall)) {
    std::snprintf(line, sizeof line,
                  "   -> Auxiliary point with the load: %d\n   -> Specified moment - XG1: %lf\n"
                  "   -> Specified moment - XG2: %lf\n   -> Specified moment - XG3: %lf\n",
                  rec.AuxPoint, rec.Load[4], rec.Load[5], rec.Load[6]);
    RefuseLoad(c, line, "The specified moment component(s) must be null.");
  }
  CheckLoadComponents(kBlock, kCounterLine, lc, r, Element, type, rec.Load);
  char failText[512];
  InverseMappingFailureText(c, failText);
  double s[4], *N;
  allocd1(&N, n);
  LocateLoadPoint(c, failText, rec.AuxPoint, type, Element, n, mesh, type == _TIMOSHENKO_BEAM_3D, s, N);
  const char* mask = GetElementTypeInfo(type).dofMask;
  zerod1(Fe, Size);
  for (int i = 1; i <= n; i++)
    for (int d = 1; d <= 6; d++)
      if (mask[d] == '1') Fe[6 * (i - 1) + d] = N[i] * rec.Load[d];
  freed1(N);
  if (type != _MINDLIN_SHELL_QUAD && type != _AHMAD_SHELL_QUAD) return;
  // Moments at coplanar points: into the point's coplanar axes, without a drill part.
  double** T;
  allocd2(&T, 3, 3);
  double m[4], mp[4];
  for (int i = 1; i <= n; i++) {
    if (PointTypes[mesh->ElemNodes[Element][i]] == 'G') continue;
    ShellCoplanarRotation(Element, type, n, i, OutputControl, mesh, ElemPropIndex, adj, T);
    double* node = Fe + 6 * (i - 1) + 3;
    copyd1(m, node, 3);
    multd2d1(mp, T, m, 3, 3);
    if (std::fabs(mp[3]) > kSmall) {
      std::snprintf(line, sizeof line, "   -> Auxiliary point with the load: %d\n", rec.AuxPoint);
      RefuseLoad(c, line, kDrillMomentMessage);
    }
    copyd1(node, mp, 3);
  }
  freed2(T);
}

}  // namespace

void Calc_Fg_IntPointLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                          int PropIndex, const char* OutputControl, const MeshData* Mesh, const int* ElemPropIndex,
                          double* Fe, const char* PointTypes, const InternalPointLoad* IntPointLoads,
                          const PointList* PointElemAdjacency) {
  if ((ElementType < _TRUSS_2D || ElementType > _FRAME_3D) && LoadCaseNumber == 0) InternalError(__FILE__, __LINE__);
  if (ElementType >= _TRUSS_2D && ElementType <= _FRAME_3D)
    CheckLoadComponents(kBlock, kCounterLine, LoadCaseNumber, Record, Element, ElementType, IntPointLoads[Record].Load);
  switch (ElementType) {
    case _TRUSS_2D:
      Calc_Fg_IntPointLoadTruss2D(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Mesh, Fe,
                                  IntPointLoads);
      return;
    case _TRUSS_3D:
      Calc_Fg_IntPointLoadTruss3D(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Mesh, Fe,
                                  IntPointLoads);
      return;
    case _FRAME_2D:
      Calc_Fg_IntPointLoadFrame2D(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Mesh, Fe,
                                  IntPointLoads);
      return;
    case _FRAME_3D:
      Calc_Fg_IntPointLoadFrame3D(Size, Element, Record, LoadCaseNumber, nNodes, PropIndex, OutputControl, Mesh, Fe,
                                  IntPointLoads);
      return;
    case _TIMOSHENKO_BEAM_3D:
      Calc_Fg_IntPointLoadTimoshenkoBeam3D(Size, Element, Record, LoadCaseNumber, nNodes, Mesh, Fe, IntPointLoads);
      return;
    case _PLANE_STRESS_QUAD:
      Calc_Fg_IntPointLoadPlaneStressQuad(Size, Element, Record, LoadCaseNumber, nNodes, Mesh, Fe, IntPointLoads);
      return;
    case _PLANE_STRAIN_QUAD:
      Calc_Fg_IntPointLoadPlaneStrainQuad(Size, Element, Record, LoadCaseNumber, nNodes, Mesh, Fe, IntPointLoads);
      return;
    case _MINDLIN_SLAB_QUAD:
      Calc_Fg_IntPointLoadMindlinSlabQuad(Size, Element, Record, LoadCaseNumber, nNodes, Mesh, Fe, IntPointLoads);
      return;
    case _MINDLIN_SHELL_QUAD:
      Calc_Fg_IntPointLoadMindlinShellQuad(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Mesh, Fe,
                                           PointTypes, IntPointLoads);
      return;
    case _AHMAD_SHELL_QUAD:
      Calc_Fg_IntPointLoadAhmadShellQuad(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Mesh, Fe,
                                         PointTypes, ElemPropIndex, IntPointLoads, PointElemAdjacency);
      return;
    case _SOLID_HEXA:
      Calc_Fg_IntPointLoadSolidHexa(Size, Element, Record, LoadCaseNumber, nNodes, Mesh, Fe, IntPointLoads);
      return;
    // Cables, interfaces and the types without element routines carry no internal point load.
    default:
      RefuseLoadOnElementType(LoadReportContext{
          "Calculating the internal point load contribution to the global load vector:\n", LoadCaseNumber, kBlock,
          kCounterLine, Record, Element, GetElementTypeInfo(ElementType).keyword, nullptr});
  }
}

void Calc_Fg_IntPointLoadPlaneStressQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const MeshData* Mesh, double* Fe, const InternalPointLoad* IntPointLoads) {
  IntPointLoadElement(_PLANE_STRESS_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, nullptr, Mesh, Fe,
                      IntPointLoads, nullptr, nullptr, nullptr);
}

void Calc_Fg_IntPointLoadPlaneStrainQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const MeshData* Mesh, double* Fe, const InternalPointLoad* IntPointLoads) {
  IntPointLoadElement(_PLANE_STRAIN_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, nullptr, Mesh, Fe,
                      IntPointLoads, nullptr, nullptr, nullptr);
}

void Calc_Fg_IntPointLoadMindlinSlabQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const MeshData* Mesh, double* Fe, const InternalPointLoad* IntPointLoads) {
  IntPointLoadElement(_MINDLIN_SLAB_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, nullptr, Mesh, Fe,
                      IntPointLoads, nullptr, nullptr, nullptr);
}

void Calc_Fg_IntPointLoadSolidHexa(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                   const MeshData* Mesh, double* Fe, const InternalPointLoad* IntPointLoads) {
  IntPointLoadElement(_SOLID_HEXA, Size, Element, Record, LoadCaseNumber, nNodes, nullptr, Mesh, Fe, IntPointLoads,
                      nullptr, nullptr, nullptr);
}

void Calc_Fg_IntPointLoadTimoshenkoBeam3D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                          const MeshData* Mesh, double* Fe, const InternalPointLoad* IntPointLoads) {
  IntPointLoadElement(_TIMOSHENKO_BEAM_3D, Size, Element, Record, LoadCaseNumber, nNodes, nullptr, Mesh, Fe,
                      IntPointLoads, nullptr, nullptr, nullptr);
}

void Calc_Fg_IntPointLoadMindlinShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                          const char* OutputControl, const MeshData* Mesh, double* Fe,
                                          const char* PointTypes, const InternalPointLoad* IntPointLoads) {
  IntPointLoadElement(_MINDLIN_SHELL_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Mesh, Fe,
                      IntPointLoads, PointTypes, nullptr, nullptr);
}

void Calc_Fg_IntPointLoadAhmadShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const MeshData* Mesh, double* Fe,
                                        const char* PointTypes, const int* ElemPropIndex,
                                        const InternalPointLoad* IntPointLoads, const PointList* PointElemAdjacency) {
  IntPointLoadElement(_AHMAD_SHELL_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Mesh, Fe,
                      IntPointLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}
