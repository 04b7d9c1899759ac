// Face loads: a force (or, on slabs and shells, a moment) per unit area over a plane,
// slab or shell element or over one face of a solid hexahedron, integrated with the load
// case's rule; the dispatcher by element type.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "loads/load_kernel.h"
#include "model/outputcontrol.h"

namespace {

// The loaded surface of one record: its nodes (element-local numbers), their coordinates
// for the area factor (m x 2 in the element's plane, or m x 3 in space) and in space.
struct LoadedSurface {
  int type;      // element type code
  int m;         // surface nodes
  int nodes[10];  // [1..m], m <= 9
  int dim;       // 2: signed det J of the plane; 3: |g1 x g2|
  double** X;    // m x dim
  double** X3;   // m x 3
  int typeForT;  // type code named in the print of the local axes
};

void CheckFaceDirection(const LoadReportContext& c, const FaceLoad& rec, const MeshData* mesh) {
  double g[4];
  if (rec.DirKind == 'E') {
    if (rec.DirCode < 1 || rec.DirCode > 3) RefuseLoadDirection(c, rec.DirKind, rec.DirCode);
    return;
  }
  LoadGlobalDirection(c, rec.DirKind, rec.DirCode, mesh, g);
}

// Fe += the integral over the surface of q N_k d (entries offset + 1..3 of each surface
// node), d the record's direction.
void IntegrateFace(const LoadReportContext& c, const FaceLoad& rec, const LoadedSurface& sf, const double* q,
                   int offset, int Element, const char* OutputControl, const LoadCaseParameters* params,
                   const MeshData* mesh, double* Fe) {
  const TensorRule rule = GetLoadTensorRule(c, params, mesh, 2);
  double *N, **dN, **J, **T;
  allocd1(&N, sf.m);
  allocd2(&dN, sf.m, 2);
  allocd2(&J, sf.dim, 2);
  allocd2(&T, 3, 3);
  double d[4];
  // The null-area refusal of shells and solids names the face, not the element type.
  char faceLine[64];
  std::snprintf(faceLine, sizeof faceLine, "   -> Face: %d\n", rec.Face);
  LoadReportContext cFace = c;
  cFace.typeKeyword = nullptr;
  cFace.afterElement = faceLine;
  ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& pt) {
    CalcShapeFuncQuad(sf.m, N, pt.s);
    const double qs = dotd1(N, q, sf.m);
    CalcShapeFuncDerivQuad(sf.m, dN, pt.s);
    CalcMat_Jacobian(sf.m, sf.dim, 2, sf.X, dN, J);
    double dA;
    if (sf.dim == 2) {
      dA = LoadJacobianInverse(c, 2, J, nullptr);
    } else {
      dA = SurfaceAreaFactor(J);
      if (!(dA >= kSmall))
        RefuseLoad(cFace, nullptr,
                   "Jacobian determinant is null:\nelement face geometry and/or mesh connectivity must be changed.");
    }
    SurfaceLoadDirection(c, rec.DirKind, rec.DirCode, Element, sf.typeForT, sf.m, OutputControl[OC_PRINT_MAT_T_QUAD],
                         pt.s, sf.X3, mesh, T, d);
    const double fac = pt.weight * qs * dA;
    for (int k = 1; k <= sf.m; k++) {
      const int base = 6 * (sf.nodes[k] - 1) + offset;
      for (int l = 1; l <= 3; l++) Fe[base + l] += N[k] * d[l] * fac;
    }
  });
  freed2(T);
  freed2(J);
  freed2(dN);
  freed1(N);
}

// Moments at coplanar shell points go to the point's coplanar axes; a drill moment there
// is refused.
void FaceCoplanarMoments(const FaceLoad& rec, int type, int Element, int n, int lc, const char* OutputControl,
                         const MeshData* mesh, const int* ElemPropIndex, const char* PointTypes, const PointList* adj,
                         double* Fe) {
  double** T;
  allocd2(&T, 3, 3);
  double m[4], mp[4];
  for (int a = 1; a <= n; a++) {
    const int p = mesh->ElemNodes[Element][a];
    if (PointTypes[p] == 'G') continue;
    ShellCoplanarRotation(Element, type, n, a, OutputControl, mesh, ElemPropIndex, adj, T);
    double* node = Fe + 6 * (a - 1) + 3;  // node[1..3]: the moments
    copyd1(m, node, 3);
    multd2d1(mp, T, m, 3, 3);
    if (std::fabs(mp[3]) > kSmall) {
      LoadReportContext c = FaceLoadReportContext(lc, 0, Element, type);
      c.counterFormat = nullptr;
      char line[192];
      std::snprintf(line, sizeof line,
                    "   -> Loaded face: %d\n   -> Type of generalized force: _MOM (Moment)\n"
                    "   -> Loaded face point: %d",
                    rec.Face, p);
      RefuseLoad(c, line, kDrillMomentMessage);
    }
    copyd1(node, mp, 3);
  }
  freed2(T);
}

// Plane (10, 13), slab (18) and shell (20, 22) members: the whole element is the surface.
void FaceLoadQuad(int type, int Size, int Element, int r, int lc, int n, const char* OutputControl,
                  const LoadCaseParameters* params, const MeshData* mesh, double* Fe, const FaceLoad* loads,
                  const int* ElemPropIndex, const char* PointTypes, const PointList* adj) {
  const LoadReportContext c = FaceLoadReportContext(lc, r, Element, type);
  const FaceLoad& rec = loads[r];
  if (n != 4 && n != 8 && n != 9) InternalError(__FILE__, __LINE__);
  if (Size != 6 * n) InternalError(__FILE__, __LINE__);
  const bool shell = type == _MINDLIN_SHELL_QUAD || type == _AHMAD_SHELL_QUAD;
  const int offset = LoadForceOffset(c, rec.ForceKind, type == _PLANE_STRESS_QUAD || type == _PLANE_STRAIN_QUAD);
  double q[10];
  LoadNodalValues(c, rec.ValueCount, rec.Values, n, "surface", q);
  CheckFaceDirection(c, rec, mesh);
  LoadedSurface sf;
  sf.type = type;
  sf.m = n;
  for (int k = 1; k <= n; k++) sf.nodes[k] = k;
  sf.dim = shell ? 3 : 2;
  sf.typeForT = type;
  allocd2(&sf.X3, n, 3);
  CalcMat_ElemNodeCoordXYZ(Element, n, mesh->ElemNodes, sf.X3, mesh->PointCoord);
  if (shell) {
    sf.X = sf.X3;
  } else {
    allocd2(&sf.X, n, 2);
    CalcMat_ElemNodeCoord(Element, type, n, mesh->ElemNodes, sf.X, mesh->PointCoord);
  }
  zerod1(Fe, Size);
  IntegrateFace(c, rec, sf, q, offset, Element, OutputControl, params, mesh, Fe);
  if (!shell) freed2(sf.X);
  freed2(sf.X3);
  if (shell && offset == 3)
    FaceCoplanarMoments(rec, type, Element, n, lc, OutputControl, mesh, ElemPropIndex, PointTypes, adj, Fe);
}

}  // namespace

// ---- dispatcher -----------------------------------------------------------------------------

void Calc_Fg_FaceLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes, int PropIndex,
                      const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                      const int* ElemPropIndex, double* Fe, const char* PointTypes, const FaceLoad* FaceLoads,
                      const PointList* PointElemAdjacency) {
  (void)PropIndex;
  if (Params->IntegrationType == 0) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Calculating the face load contribution to the global load vector:\n");
    std::fprintf(stderr, "   -> Load case: %d\n", LoadCaseNumber);
    std::fprintf(stderr, "   -> Block name: <FACE_LOADS>\n");
    std::fprintf(stderr, "   -> Specified integration type : %s\n", "_NONE");
    errexit("The specified integration type is not compatible with specified type of load.", 0);
  }
  switch (ElementType) {
    case _PLANE_STRESS_QUAD: case _PLANE_STRAIN_QUAD: case _MINDLIN_SLAB_QUAD: case _MINDLIN_SHELL_QUAD: case _AHMAD_SHELL_QUAD: case _SOLID_HEXA: break;
    default: RefuseLoadOnElementType(FaceLoadReportContext(LoadCaseNumber, Record, Element, ElementType));
  }
  switch (ElementType) {
    case _PLANE_STRESS_QUAD:
      Calc_Fg_FaceLoadPlaneStressQuad(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                                      FaceLoads);
      return;
    case _PLANE_STRAIN_QUAD:
      Calc_Fg_FaceLoadPlaneStrainQuad(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                                      FaceLoads);
      return;
    case _MINDLIN_SLAB_QUAD:
      Calc_Fg_FaceLoadMindlinSlabQuad(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                                      FaceLoads);
      return;
    case _MINDLIN_SHELL_QUAD:
      Calc_Fg_FaceLoadMindlinShellQuad(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                                       PointTypes, FaceLoads);
      return;
    case _AHMAD_SHELL_QUAD:
      Calc_Fg_FaceLoadAhmadShellQuad(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                                     PointTypes, ElemPropIndex, FaceLoads, PointElemAdjacency);
      return;
    case _SOLID_HEXA:
      Calc_Fg_FaceLoadSolidHexa(Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                                FaceLoads);
      return;
    default: InternalError(__FILE__, __LINE__);
  }
}

// ---- element routines -------------------------------------------------------------------------

void Calc_Fg_FaceLoadPlaneStressQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                     const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                     double* Fe, const FaceLoad* FaceLoads) {
  FaceLoadQuad(_PLANE_STRESS_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
               FaceLoads, nullptr, nullptr, nullptr);
}

void Calc_Fg_FaceLoadPlaneStrainQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                     const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                     double* Fe, const FaceLoad* FaceLoads) {
  FaceLoadQuad(_PLANE_STRAIN_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
               FaceLoads, nullptr, nullptr, nullptr);
}

void Calc_Fg_FaceLoadMindlinSlabQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                     const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                     double* Fe, const FaceLoad* FaceLoads) {
  FaceLoadQuad(_MINDLIN_SLAB_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
               FaceLoads, nullptr, nullptr, nullptr);
}

void Calc_Fg_FaceLoadMindlinShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                      const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                      double* Fe, const char* PointTypes, const FaceLoad* FaceLoads) {
  FaceLoadQuad(_MINDLIN_SHELL_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
               FaceLoads, nullptr, PointTypes, nullptr);
}

void Calc_Fg_FaceLoadAhmadShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                    const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                    double* Fe, const char* PointTypes, const int* ElemPropIndex,
                                    const FaceLoad* FaceLoads, const PointList* PointElemAdjacency) {
  FaceLoadQuad(_AHMAD_SHELL_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
               FaceLoads, ElemPropIndex, PointTypes, PointElemAdjacency);
}

void Calc_Fg_FaceLoadSolidHexa(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                               const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                               double* Fe, const FaceLoad* FaceLoads) {
  const LoadReportContext c = FaceLoadReportContext(LoadCaseNumber, Record, Element, _SOLID_HEXA);
  const FaceLoad& rec = FaceLoads[Record];
  if (nNodes != 8 && nNodes != 20) InternalError(__FILE__, __LINE__);
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  if (rec.Face < 1 || rec.Face > 6) {
    char line[64];
    std::snprintf(line, sizeof line, "   -> Specified face: %d\n", rec.Face);
    RefuseLoad(c, line, "The specified face does not exist in the element.");
  }
  LoadForceOffset(c, rec.ForceKind, true);
  LoadedSurface sf;
  sf.type = _SOLID_HEXA;
  sf.m = nNodes == 8 ? 4 : 8;
  sf.dim = 3;
  sf.typeForT = _SOLID_HEXA;
  unsigned char reverse = 0;
  int listed[9];
  CalcNodeFaceSolidHexa(rec.Face, nNodes, &reverse, listed);
  double qListed[9], q[9];
  LoadNodalValues(c, rec.ValueCount, rec.Values, sf.m, "surface", qListed);
  CheckFaceDirection(c, rec, Mesh);
  // A reversed face keeps its first node and runs backwards, so that g1 x g2 points out
  // of the element; the intensities follow their nodes.
  for (int k = 1; k <= sf.m; k++) {
    const int from = (reverse && k > 1) ? sf.m + 2 - k : k;
    sf.nodes[k] = listed[from];
    q[k] = qListed[from];
  }
  allocd2(&sf.X3, sf.m, 3);
  for (int k = 1; k <= sf.m; k++) copyd1(sf.X3[k], Mesh->PointCoord[Mesh->ElemNodes[Element][sf.nodes[k]]], 3);
  sf.X = sf.X3;
  zerod1(Fe, Size);
  IntegrateFace(c, rec, sf, q, 0, Element, OutputControl, Params, Mesh, Fe);
  freed2(sf.X3);
}
