// Internal edge and internal face loads: a force or moment per unit length (area) along
// an auxiliary line (surface) element whose points lie inside the loaded element. The
// load is first integrated into nodal loads at the auxiliary points, which then reach
// the loaded element's nodes as internal point loads do.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "loads/load_kernel.h"
#include "model/outputcontrol.h"

namespace {

bool IsPlane(int type) { return type == _PLANE_STRESS_QUAD || type == _PLANE_STRAIN_QUAD; }

[[noreturn]] void RefuseIntegrationTypeNone(const char* heading, const char* block, int lc) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "%s", heading);
  std::fprintf(stderr, "   -> Load case: %d\n", lc);
  std::fprintf(stderr, "   -> Block name: %s\n", block);
  std::fprintf(stderr, "   -> Specified integration type : %s\n", "_NONE");
  errexit("The specified integration type is not compatible with specified type of load.", 0);
}

// The checks of a record's auxiliary element, generalized force and direction shared by
// both kinds. Returns the force offset (0 force, 3 moment).
int CheckAuxRecord(const LoadReportContext& c, const InternalSurfLoad& rec, int type, const MeshData* mesh,
                   bool faceLoad, const char* directionHeading) {
  char line[192];
  if (rec.AuxElement < 1 || rec.AuxElement > mesh->nElements) {
    std::snprintf(line, sizeof line, "   -> Auxiliary element with the load: %d\n", rec.AuxElement);
    RefuseLoad(c, line, "The specified auxiliary element does not exist.");
  }
  const bool forcesOnly = IsPlane(type) || type == _SOLID_HEXA;
  if (rec.ForceKind != 1 && (rec.ForceKind != 2 || forcesOnly)) {
    if (rec.ForceKind == 2)
      std::snprintf(line, sizeof line,
                    "   -> Auxiliary element with the load: %d\n   -> Specified type of generalized force : _MOM\n",
                    rec.AuxElement);
    else
      std::snprintf(line, sizeof line,
                    "   -> Auxiliary element with the load: %d\n   -> Specified type of generalized force : %d\n",
                    rec.AuxElement, rec.ForceKind);
    RefuseLoad(c, line, "The specified type of generalized force is not valid.");
  }
  // A force along x1 has no component in the plane of a plane element.
  if (IsPlane(type) && rec.DirKind == 'G' && rec.DirCode == 1) {
    LoadReportContext cd = c;
    cd.heading = directionHeading;
    std::snprintf(line, sizeof line,
                  "   -> Auxiliary element with the load: %d\n   -> Specified direction vector: %s\n", rec.AuxElement,
                  "_XG1");
    RefuseLoad(cd, line, "The specified direction vector is not valid.");
  }
  double g[4];
  if (faceLoad && rec.DirKind == 'E') {
    if (IsPlane(type) || rec.DirCode < 1 || rec.DirCode > 3) RefuseLoadDirection(c, rec.DirKind, rec.DirCode);
  } else {
    LoadGlobalDirection(c, rec.DirKind, rec.DirCode, mesh, g);
  }
  return rec.ForceKind == 2 ? 3 : 0;
}

// ---- internal edge loads ----

void IntEdgeLoadElement(int type, int Size, int Element, int r, int lc, int n, const char* OutputControl,
                        const LoadCaseParameters* params, const MeshData* mesh, double* Fe,
                        const InternalEdgeLoad* loads, const char* PointTypes, const int* ElemPropIndex,
                        const PointList* adj) {
  const LoadReportContext c = IntEdgeLoadReportContext(lc, r, Element, type);
  const InternalEdgeLoad& rec = loads[r];
  if (Size != 6 * n) InternalError(__FILE__, __LINE__);
  const char* dirHeading = type == _PLANE_STRAIN_QUAD
                               ? "Calculating the internal edge load contribution to\n\t\tthe global load vector:\n"
                               : c.heading;
  const int offset = CheckAuxRecord(c, rec, type, mesh, false, dirHeading);
  const int A = rec.AuxElement;
  const int nA = mesh->ElemNodeCount[A];
  char auxLine[96];
  std::snprintf(auxLine, sizeof auxLine, "   -> Auxiliary line element with the load: %d\n", A);
  // Refusals about the auxiliary line name it between the element and its type.
  LoadReportContext cl = c;
  cl.heading = "Calculating the internal edge load contribution to the global load vector:\n";
  cl.afterElement = auxLine;
  if (nA != 2 && nA != 3) {
    char line[64];
    std::snprintf(line, sizeof line, "   -> Number of nodes of the auxiliary element: %d\n", nA);
    RefuseLoad(cl, line, "The auxiliary line element must have 2 or 3 nodes.");
  }
  double q[4];
  LoadNodalValues(cl, rec.ValueCount, rec.Values, nA, "line", q);
  int counts[2];
  GetLoadRulePointCounts(cl, params, mesh, 1, counts);
  const double *a, *w;
  GetLoadLineRule(cl, params->IntegrationType, counts[1], &a, &w);
  double **Xa, *Fa;
  allocd2(&Xa, nA, 3);
  allocd1(&Fa, 6 * nA);
  int points[4];
  for (int k = 1; k <= nA; k++) {
    points[k] = mesh->ElemNodes[A][k];
    copyd1(Xa[k], mesh->PointCoord[points[k]], 3);
  }
  double d[4], N[4], dN[4], t[4];
  LoadGlobalDirection(c, rec.DirKind, rec.DirCode, mesh, d);
  zerod1(Fa, 6 * nA);
  for (int i = 1; i <= counts[1]; i++) {
    CalcShapeFuncLine(nA, a[i], N);
    const double qs = dotd1(N, q, nA);
    const double J = LoadLineJacobianNorm(cl, nA, 3, a[i], Xa, dN, t);
    for (int k = 1; k <= nA; k++)
      for (int j = 1; j <= 3; j++) Fa[6 * (k - 1) + offset + j] += N[k] * d[j] * w[i] * qs * J;
  }
  for (int k = 1; k <= nA; k++)
    CheckLoadComponents("<INTERNAL_EDGE_LOADS>", c.counterFormat, lc, r, Element, type, Fa + 6 * (k - 1));
  CarryAuxPointLoads(c, nA, points, Fa, type, Element, n, OutputControl, mesh, ElemPropIndex, PointTypes, adj, Fe);
  freed1(Fa);
  freed2(Xa);
}

// ---- internal face loads ----

void IntFaceLoadElement(int type, int Size, int Element, int r, int lc, int n, const char* OutputControl,
                        const LoadCaseParameters* params, const MeshData* mesh, double* Fe,
                        const InternalFaceLoad* loads, const char* PointTypes, const int* ElemPropIndex,
                        const PointList* adj) {
  const LoadReportContext c = IntFaceLoadReportContext(lc, r, Element, type);
  const InternalFaceLoad& rec = loads[r];
  if (Size != 6 * n) InternalError(__FILE__, __LINE__);
  const char* oneLine = "Calculating the internal face load contribution to the global load vector:\n";
  const int offset = CheckAuxRecord(c, rec, type, mesh, true, oneLine);
  const int A = rec.AuxElement;
  const int nA = mesh->ElemNodeCount[A];
  char auxLine[96];
  std::snprintf(auxLine, sizeof auxLine, "   -> Auxiliary surface element with the load: %d\n", A);
  LoadReportContext cs = c;
  cs.heading = oneLine;
  cs.afterElement = auxLine;
  if (nA != 4 && nA != 8 && nA != 9) {
    char line[64];
    std::snprintf(line, sizeof line, "   -> Number of nodes of the auxiliary element: %d\n", nA);
    RefuseLoad(cs, line, "The auxiliary surface element must have 4, 8 or 9 nodes.");
  }
  double q[10];
  LoadNodalValues(cs, rec.ValueCount, rec.Values, nA, "surface", q);
  const TensorRule rule = GetLoadTensorRule(cs, params, mesh, 2);
  // The area of the auxiliary surface: in the element's plane for plane and slab
  // elements (its node order only describes the area, so the determinant's sign is
  // dropped), in space otherwise.
  const bool planar = IsPlane(type) || type == _MINDLIN_SLAB_QUAD;
  const int dim = planar ? 2 : 3;
  double **Xa, **Xa3, **dN, **J, **T, *N, *Fa;
  allocd2(&Xa, nA, dim);
  allocd2(&Xa3, nA, 3);
  allocd2(&dN, nA, 2);
  allocd2(&J, dim, 2);
  allocd2(&T, 3, 3);
  allocd1(&N, nA);
  allocd1(&Fa, 6 * nA);
  int points[10];
  for (int k = 1; k <= nA; k++) points[k] = mesh->ElemNodes[A][k];
  CalcMat_ElemNodeCoordXYZ(A, nA, mesh->ElemNodes, Xa3, mesh->PointCoord);
  if (planar)
    CalcMat_ElemNodeCoord(A, type, nA, mesh->ElemNodes, Xa, mesh->PointCoord);
  else
    copyd2(Xa, Xa3, nA, 3);
  LoadReportContext cc = cs;  // the null-area refusal has no element-type line
  cc.typeKeyword = nullptr;
  double d[4];
  zerod1(Fa, 6 * nA);
  ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& pt) {
    CalcShapeFuncQuad(nA, N, pt.s);
    const double qs = dotd1(N, q, nA);
    CalcShapeFuncDerivQuad(nA, dN, pt.s);
    CalcMat_Jacobian(nA, dim, 2, Xa, dN, J);
    double dA;
    if (planar) {
      dA = std::fabs(detd2(J, 2));
    } else {
      dA = SurfaceAreaFactor(J);
    }
    if (!(dA >= kSmall))
      RefuseLoad(cc, nullptr,
                 "Jacobian determinant is null:\nelement face geometry and/or mesh connectivity must be changed.");
    SurfaceLoadDirection(c, rec.DirKind, rec.DirCode, A,
                         type == _MINDLIN_SLAB_QUAD ? _MINDLIN_SLAB_QUAD : _MINDLIN_SHELL_QUAD, nA,
                         OutputControl[OC_PRINT_MAT_T_QUAD], pt.s, Xa3, mesh, T, d);
    const double fac = pt.weight * qs * dA;
    for (int k = 1; k <= nA; k++)
      for (int l = 1; l <= 3; l++) Fa[6 * (k - 1) + offset + l] += N[k] * d[l] * fac;
  });
  for (int k = 1; k <= nA; k++)
    CheckLoadComponents("<INTERNAL_FACE_LOADS>", c.counterFormat, lc, r, Element, type, Fa + 6 * (k - 1));
  CarryAuxPointLoads(c, nA, points, Fa, type, Element, n, OutputControl, mesh, ElemPropIndex, PointTypes, adj, Fe);
  freed1(Fa);
  freed1(N);
  freed2(T);
  freed2(J);
  freed2(dN);
  freed2(Xa3);
  freed2(Xa);
}

}  // namespace

// ---- dispatchers ------------------------------------------------------------------------------

void Calc_Fg_IntEdgeLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                         const InternalEdgeLoad* IntEdgeLoads, const PointList* PointElemAdjacency) {
  (void)PropIndex;
  if (LoadCaseNumber == 0 && (ElementType < _TRUSS_2D || ElementType > _FRAME_3D)) InternalError(__FILE__, __LINE__);
  if (Params->IntegrationType == 0)
    RefuseIntegrationTypeNone("Calculating the internal edge load contribution to\nthe global load vector:\n",
                              "<INTERNAL_EDGE_LOADS>", LoadCaseNumber);
  switch (ElementType) {
    case _TIMOSHENKO_BEAM_3D: case _PLANE_STRESS_QUAD: case _PLANE_STRAIN_QUAD: case _MINDLIN_SLAB_QUAD: case _MINDLIN_SHELL_QUAD: case _AHMAD_SHELL_QUAD: case _SOLID_HEXA: break;
    default: RefuseLoadOnElementType(IntEdgeLoadReportContext(LoadCaseNumber, Record, Element, ElementType));
  }
  switch (ElementType) {
    case _TIMOSHENKO_BEAM_3D:
    case _PLANE_STRESS_QUAD:
    case _PLANE_STRAIN_QUAD:
    case _MINDLIN_SLAB_QUAD:
    case _MINDLIN_SHELL_QUAD:
    case _AHMAD_SHELL_QUAD:
    case _SOLID_HEXA:
      IntEdgeLoadElement(ElementType, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                         IntEdgeLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
      return;
    default: InternalError(__FILE__, __LINE__);
  }
}

void Calc_Fg_IntFaceLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                         const InternalFaceLoad* IntFaceLoads, const PointList* PointElemAdjacency) {
  (void)PropIndex;
  if (Params->IntegrationType == 0)
    RefuseIntegrationTypeNone("Calculating the internal face load contribution to\nthe global load vector:\n",
                              "<INTERNAL_FACE_LOADS>", LoadCaseNumber);
  switch (ElementType) {
    case _PLANE_STRESS_QUAD: case _PLANE_STRAIN_QUAD: case _MINDLIN_SLAB_QUAD: case _MINDLIN_SHELL_QUAD: case _AHMAD_SHELL_QUAD: case _SOLID_HEXA: break;
    default: RefuseLoadOnElementType(IntFaceLoadReportContext(LoadCaseNumber, Record, Element, ElementType));
  }
  switch (ElementType) {
    case _PLANE_STRESS_QUAD:
    case _PLANE_STRAIN_QUAD:
    case _MINDLIN_SLAB_QUAD:
    case _MINDLIN_SHELL_QUAD:
    case _AHMAD_SHELL_QUAD:
    case _SOLID_HEXA:
      IntFaceLoadElement(ElementType, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                         IntFaceLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
      return;
    default: InternalError(__FILE__, __LINE__);
  }
}

// ---- element routines -----------------------------------------------------------------------------

void Calc_Fg_IntEdgeLoadTimoshenkoBeam3D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                         const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                         const PointList* PointElemAdjacency) {
  IntEdgeLoadElement(_TIMOSHENKO_BEAM_3D, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh,
                     Fe, IntEdgeLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntEdgeLoadPlaneStressQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                        const PointList* PointElemAdjacency) {
  IntEdgeLoadElement(_PLANE_STRESS_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                     IntEdgeLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntEdgeLoadPlaneStrainQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                        const PointList* PointElemAdjacency) {
  IntEdgeLoadElement(_PLANE_STRAIN_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                     IntEdgeLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntEdgeLoadMindlinSlabQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                        const PointList* PointElemAdjacency) {
  IntEdgeLoadElement(_MINDLIN_SLAB_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                     IntEdgeLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntEdgeLoadMindlinShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                         const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                         const PointList* PointElemAdjacency) {
  IntEdgeLoadElement(_MINDLIN_SHELL_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh,
                     Fe, IntEdgeLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntEdgeLoadAhmadShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                       const char* OutputControl, const LoadCaseParameters* Params,
                                       const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                       const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                       const PointList* PointElemAdjacency) {
  IntEdgeLoadElement(_AHMAD_SHELL_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                     IntEdgeLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntEdgeLoadSolidHexa(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                  const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                  const int* ElemPropIndex, double* Fe, const char* PointTypes,
                                  const InternalEdgeLoad* IntEdgeLoads, const PointList* PointElemAdjacency) {
  IntEdgeLoadElement(_SOLID_HEXA, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                     IntEdgeLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntFaceLoadPlaneStressQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalFaceLoad* IntFaceLoads,
                                        const PointList* PointElemAdjacency) {
  IntFaceLoadElement(_PLANE_STRESS_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                     IntFaceLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntFaceLoadPlaneStrainQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalFaceLoad* IntFaceLoads,
                                        const PointList* PointElemAdjacency) {
  IntFaceLoadElement(_PLANE_STRAIN_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                     IntFaceLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntFaceLoadMindlinSlabQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalFaceLoad* IntFaceLoads,
                                        const PointList* PointElemAdjacency) {
  IntFaceLoadElement(_MINDLIN_SLAB_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                     IntFaceLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntFaceLoadMindlinShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                         const char* PointTypes, const InternalFaceLoad* IntFaceLoads,
                                         const PointList* PointElemAdjacency) {
  IntFaceLoadElement(_MINDLIN_SHELL_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh,
                     Fe, IntFaceLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntFaceLoadAhmadShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                       const char* OutputControl, const LoadCaseParameters* Params,
                                       const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                       const char* PointTypes, const InternalFaceLoad* IntFaceLoads,
                                       const PointList* PointElemAdjacency) {
  IntFaceLoadElement(_AHMAD_SHELL_QUAD, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                     IntFaceLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}

void Calc_Fg_IntFaceLoadSolidHexa(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                  const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                  const int* ElemPropIndex, double* Fe, const char* PointTypes,
                                  const InternalFaceLoad* IntFaceLoads, const PointList* PointElemAdjacency) {
  IntFaceLoadElement(_SOLID_HEXA, Size, Element, Record, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                     IntFaceLoads, PointTypes, ElemPropIndex, PointElemAdjacency);
}
