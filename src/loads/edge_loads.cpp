// Edge loads: a force or moment per unit length along an edge of a plane or solid
// element or along the axis of a 3-D Timoshenko beam, integrated with the load case's
// rule; the dispatcher by element type (trusses and frames take their closed forms).
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "loads/load_kernel.h"
#include "materials/material_table.h"
#include "model/outputcontrol.h"

namespace {

void UnitVector(int k, double* v) {
  for (int j = 1; j <= 3; j++) v[j] = j == k ? 1.0 : 0.0;
}

// Shared by the plane and solid members: integrates q(s) N_k(s) d(s) |dx/ds| along the
// m-node edge whose element-local nodes are edgeNodes and coordinates Xe (m x 3). The
// direction of kind 'E' comes from dirE (code, s, tangent, direction).
struct EdgeDirE {
  int typeCode;
  int edge;
  double sigmaN, sigmaT;  // signs of the renumbered face (solid)
  int nFace;              // nodes of the renumbered face (solid), 0 for plane elements
  double** Xf;            // their coordinates
};

void EdgeDirectionE(const LoadReportContext& c, const EdgeLoad& rec, const EdgeDirE& de, int Element, int m, double s,
                    double** Xe, double* d) {
  double t[4], nrm[4], tmp[4];
  CalcVectTangentElem(3, Element, m, s, t, Xe);
  switch (rec.DirCode) {
    case 1:  // "_T"
      copyd1(d, t, 3);
      return;
    case 2:  // "_NN"
      if (de.nFace == 0) RefuseEdgeLoadDirection(c, rec);
      {
        const double sv[3] = {0.0, s, -1.0};
        CalcVectNormalElem(Element, 2, de.nFace, nrm, sv, de.Xf);
      }
      for (int j = 1; j <= 3; j++) d[j] = de.sigmaN * nrm[j];
      return;
    case 3:  // "_NT"
      if (de.nFace == 0) {
        // Plane elements: the model plane x2-x3 has the normal e1.
        const double e1[4] = {0.0, 1.0, 0.0, 0.0};
        const double sigma = (de.edge == 1 || de.edge == 3) ? 1.0 : -1.0;
        crossd1(tmp, e1, t);
        for (int j = 1; j <= 3; j++) d[j] = sigma * tmp[j];
        return;
      }
      {
        const double sv[3] = {0.0, s, -1.0};
        CalcVectNormalElem(Element, 2, de.nFace, nrm, sv, de.Xf);
      }
      scaled1(nrm, 3, de.sigmaN);
      crossd1(tmp, nrm, t);
      for (int j = 1; j <= 3; j++) d[j] = de.sigmaT * tmp[j];
      return;
    default:
      RefuseEdgeLoadDirection(c, rec);
  }
}

// Checks the direction kind and code before the integration.
void CheckContinuumDirection(const LoadReportContext& c, const EdgeLoad& rec, const MeshData* m, bool solid) {
  double g[4];
  switch (rec.DirKind) {
    case 'G':
    case 'S':
      EdgeLoadGlobalDirection(c, rec, m, g);
      return;
    case 'E':
      if (rec.DirCode == 1 || rec.DirCode == 3 || (solid && rec.DirCode == 2)) return;
      RefuseEdgeLoadDirection(c, rec);
    default:
      RefuseEdgeLoadDirection(c, rec);
  }
}

void IntegrateEdge(const LoadReportContext& c, const EdgeLoad& rec, const EdgeDirE& de, const MeshData* mesh,
                   int Element, int m, const int* edgeNodes, double** Xe, const double* q, int nPoints, const double* a,
                   const double* w, double* Fe) {
  double N[4], dN[4], g[4], d[4];
  for (int i = 1; i <= nPoints; i++) {
    const double s = a[i];
    CalcShapeFuncLine(m, s, N);
    const double qs = dotd1(N, q, m);
    const double J = LoadLineJacobianNorm(c, m, 3, s, Xe, dN, g);
    if (rec.DirKind == 'E')
      EdgeDirectionE(c, rec, de, Element, m, s, Xe, d);
    else
      EdgeLoadGlobalDirection(c, rec, mesh, d);
    const double fac = w[i] * qs * J;
    for (int k = 1; k <= m; k++) {
      const int base = 6 * (edgeNodes[k] - 1);
      for (int j = 1; j <= 3; j++) Fe[base + j] += N[k] * d[j] * fac;
    }
  }
}

void EdgeLoadPlaneQuad(int type, int Size, int r, int Element, int lc, int n, const LoadCaseParameters* params,
                       const MeshData* mesh, double* Fe, const EdgeLoad* loads) {
  const LoadReportContext c = EdgeLoadReportContext(lc, r, Element, type);
  const EdgeLoad& rec = loads[r];
  int m;
  if (n == 4)
    m = 2;
  else if (n == 8 || n == 9)
    m = 3;
  else
    InternalError(__FILE__, __LINE__);
  if (Size != 6 * n) InternalError(__FILE__, __LINE__);
  char line[96];
  std::snprintf(line, sizeof line, "   -> Loaded edge: %d\n", rec.Edge);
  if (rec.Edge < 1 || rec.Edge > 4) RefuseLoad(c, line, "The specified edge does not exist in the element.");
  EdgeLoadForceOffset(c, rec, true);
  double q[4];
  EdgeLoadIntensities(c, rec, m, q);
  int edgeNodes[4];
  double** Xe;
  allocd2(&Xe, m, 3);
  CalcNodeEdgeQuad(rec.Edge, n, edgeNodes);
  for (int k = 1; k <= m; k++) copyd1(Xe[k], mesh->PointCoord[mesh->ElemNodes[Element][edgeNodes[k]]], 3);
  int counts[2];
  const double *a, *w;
  GetLoadCaseLineRule(c, params, mesh, counts, &a, &w);
  CheckContinuumDirection(c, rec, mesh, false);
  zerod1(Fe, Size);
  const EdgeDirE de{type, rec.Edge, 1.0, 1.0, 0, nullptr};
  IntegrateEdge(c, rec, de, mesh, Element, m, edgeNodes, Xe, q, counts[1], a, w, Fe);
  freed2(Xe);
}

}  // namespace

// ---- dispatcher -----------------------------------------------------------------------------

void Calc_Fg_EdgeLoad(int Size, int Record, int Element, int ElementType, int LoadCaseNumber, int nNodes,
                      int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                      const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                      const EdgeLoad* EdgeLoads, const PointList* PointElemAdjacency) {
  if (Params->IntegrationType == 0) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Calculating the edge load contribution to the global load vector:\n");
    std::fprintf(stderr, "   -> Load case: %d\n", LoadCaseNumber);
    std::fprintf(stderr, "   -> Block name: <EDGE_LOADS>\n");
    std::fprintf(stderr, "   -> Specified integration type : %s\n", "_NONE");
    errexit("The specified integration type is not compatible with specified type of load.", 0);
  }
  // The slab and shell routines read the auxiliary vector directly: check its code here.
  if ((ElementType == _MINDLIN_SLAB_QUAD || ElementType == _MINDLIN_SHELL_QUAD || ElementType == _AHMAD_SHELL_QUAD) && EdgeLoads[Record].DirKind == 'S') {
    double g[4];
    EdgeLoadGlobalDirection(EdgeLoadReportContext(LoadCaseNumber, Record, Element, ElementType), EdgeLoads[Record],
                            Mesh, g);
  }
  switch (ElementType) {
    case _TRUSS_2D: case _TRUSS_3D: case _FRAME_2D: case _FRAME_3D: case _TIMOSHENKO_BEAM_3D: case _PLANE_STRESS_QUAD: case _PLANE_STRAIN_QUAD: case _MINDLIN_SLAB_QUAD: case _MINDLIN_SHELL_QUAD: case _AHMAD_SHELL_QUAD: case _SOLID_HEXA: break;
    default: RefuseLoadOnElementType(EdgeLoadReportContext(LoadCaseNumber, Record, Element, ElementType));
  }
  switch (ElementType) {
    case _TRUSS_2D:
      Calc_Fg_EdgeLoadTruss2D(Size, Record, Element, LoadCaseNumber, nNodes, OutputControl, Mesh, Fe, EdgeLoads);
      return;
    case _TRUSS_3D:
      Calc_Fg_EdgeLoadTruss3D(Size, Record, Element, LoadCaseNumber, nNodes, OutputControl, Mesh, Fe, EdgeLoads);
      return;
    case _FRAME_2D:
      Calc_Fg_EdgeLoadFrame2D(Size, Record, Element, LoadCaseNumber, nNodes, OutputControl, Mesh, Fe, EdgeLoads);
      return;
    case _FRAME_3D:
      Calc_Fg_EdgeLoadFrame3D(Size, Record, Element, LoadCaseNumber, nNodes, PropIndex, OutputControl, Mesh, Fe,
                              EdgeLoads);
      return;
    case _TIMOSHENKO_BEAM_3D:
      Calc_Fg_EdgeLoadTimoshenkoBeam3D(Size, Record, Element, LoadCaseNumber, nNodes, PropIndex, OutputControl, Params,
                                       Mesh, Fe, EdgeLoads);
      return;
    case _PLANE_STRESS_QUAD:
      Calc_Fg_EdgeLoadPlaneStressQuad(Size, Record, Element, LoadCaseNumber, nNodes, Params, Mesh, Fe, EdgeLoads);
      return;
    case _PLANE_STRAIN_QUAD:
      Calc_Fg_EdgeLoadPlaneStrainQuad(Size, Record, Element, LoadCaseNumber, nNodes, Params, Mesh, Fe, EdgeLoads);
      return;
    case _MINDLIN_SLAB_QUAD:
      Calc_Fg_EdgeLoadMindlinSlabQuad(Size, Record, Element, LoadCaseNumber, nNodes, Params, Mesh, Fe, EdgeLoads);
      return;
    case _MINDLIN_SHELL_QUAD:
      Calc_Fg_EdgeLoadMindlinShellQuad(Size, Record, Element, LoadCaseNumber, nNodes, OutputControl, Params, Mesh, Fe,
                                       PointTypes, EdgeLoads);
      return;
    case _AHMAD_SHELL_QUAD:
      Calc_Fg_EdgeLoadAhmadShellQuad(Size, Record, Element, LoadCaseNumber, nNodes, OutputControl, Params, Mesh,
                                     ElemPropIndex, Fe, PointTypes, EdgeLoads, PointElemAdjacency);
      return;
    case _SOLID_HEXA:
      Calc_Fg_EdgeLoadSolidHexa(Size, Record, Element, LoadCaseNumber, nNodes, Params, Mesh, Fe, EdgeLoads);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

// ---- element routines ---------------------------------------------------------------------

void Calc_Fg_EdgeLoadPlaneStressQuad(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                     const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                     const EdgeLoad* EdgeLoads) {
  EdgeLoadPlaneQuad(_PLANE_STRESS_QUAD, Size, Record, Element, LoadCaseNumber, nNodes, Params, Mesh, Fe, EdgeLoads);
}

void Calc_Fg_EdgeLoadPlaneStrainQuad(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                     const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                     const EdgeLoad* EdgeLoads) {
  EdgeLoadPlaneQuad(_PLANE_STRAIN_QUAD, Size, Record, Element, LoadCaseNumber, nNodes, Params, Mesh, Fe, EdgeLoads);
}

void Calc_Fg_EdgeLoadSolidHexa(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                               const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                               const EdgeLoad* EdgeLoads) {
  const LoadReportContext c = EdgeLoadReportContext(LoadCaseNumber, Record, Element, _SOLID_HEXA);
  const EdgeLoad& rec = EdgeLoads[Record];
  int m;
  if (nNodes == 8)
    m = 2;
  else if (nNodes == 20)
    m = 3;
  else
    InternalError(__FILE__, __LINE__);
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const int nFace = m == 2 ? 4 : 8;
  char line[128];
  std::snprintf(line, sizeof line, "   -> Specified face: %d\n   -> Specified edge: %d\n", rec.Face, rec.Edge);
  if (rec.Face < 1 || rec.Face > 6) RefuseLoad(c, line, "The specified face does not exist in the element.");
  if (rec.Edge < 1 || rec.Edge > 12) RefuseLoad(c, line, "The specified edge does not exist in the element.");
  int faceNodes[9];
  double sigmaN, sigmaT;
  if (!CalcNodeFaceEdgeSolidHexa(rec.Edge, rec.Face, nNodes, &sigmaN, &sigmaT, faceNodes))
    RefuseLoad(c, line, "The specified face does not contain the specified edge.");
  EdgeLoadForceOffset(c, rec, true);
  double q[4];
  EdgeLoadIntensities(c, rec, m, q);
  double **Xf, **Xe;
  allocd2(&Xf, nFace, 3);
  allocd2(&Xe, m, 3);
  for (int k = 1; k <= nFace; k++) copyd1(Xf[k], Mesh->PointCoord[Mesh->ElemNodes[Element][faceNodes[k]]], 3);
  int edgeNodes[4];
  CalcNodeEdgeSolidHexa(rec.Edge, nNodes, edgeNodes);
  for (int k = 1; k <= m; k++) copyd1(Xe[k], Mesh->PointCoord[Mesh->ElemNodes[Element][edgeNodes[k]]], 3);
  int counts[2];
  const double *a, *w;
  GetLoadCaseLineRule(c, Params, Mesh, counts, &a, &w);
  CheckContinuumDirection(c, rec, Mesh, true);
  zerod1(Fe, Size);
  const EdgeDirE de{24, rec.Edge, sigmaN, sigmaT, nFace, Xf};
  IntegrateEdge(c, rec, de, Mesh, Element, m, edgeNodes, Xe, q, counts[1], a, w, Fe);
  freed2(Xe);
  freed2(Xf);
}

void Calc_Fg_EdgeLoadTimoshenkoBeam3D(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                      int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                      const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads) {
  const LoadReportContext c = EdgeLoadReportContext(LoadCaseNumber, Record, Element, _TIMOSHENKO_BEAM_3D);
  const EdgeLoad& rec = EdgeLoads[Record];
  const int n = nNodes;
  if (n != 2 && n != 3) InternalError(__FILE__, __LINE__);
  if (Size != 6 * n) InternalError(__FILE__, __LINE__);
  double** X;
  allocd2(&X, n, 3);
  CalcMat_ElemNodeCoord(Element, _TIMOSHENKO_BEAM_3D, n, Mesh->ElemNodes, X, Mesh->PointCoord);
  double q[4], alpha[4];
  EdgeLoadIntensities(c, rec, n, q);
  // Angle of the cross-section axes L2, L3 at each node.
  const ElementProperty& prop = Mesh->ElemProps[PropIndex];
  if (LinearElasticity(prop.MaterialKind) == kElasticIsotropic) {
    int recs[4];
    ElementNodeGeomRecords(Mesh, PropIndex, n, kGeomCs3D, Mesh->nFrame3DSections, recs);
    for (int k = 1; k <= n; k++) alpha[k] = Mesh->Frame3DSections[recs[k]].v[11];
  } else if (CompositionOf(prop.MaterialKind) == kCompositionFibrousMesh) {
    if (prop.MaterialNumber < 1 || prop.MaterialNumber > Mesh->Main.nFibrousMeshes) InternalError(__FILE__, __LINE__);
    for (int k = 1; k <= n; k++) alpha[k] = Mesh->FibrousMeshes[prop.MaterialNumber].Angles[k];
  } else {
    InternalError(__FILE__, __LINE__);
  }
  const int offset = EdgeLoadForceOffset(c, rec, false);
  int counts[2];
  const double *a, *w;
  GetLoadCaseLineRule(c, Params, Mesh, counts, &a, &w);
  double g[4];
  if (rec.DirKind == 'B') {
    if (rec.DirCode < 1 || rec.DirCode > 3) RefuseEdgeLoadDirection(c, rec);
  } else if (rec.DirKind == 'G' || rec.DirKind == 'S') {
    EdgeLoadGlobalDirection(c, rec, Mesh, g);
  } else {
    RefuseEdgeLoadDirection(c, rec);
  }
  zerod1(Fe, Size);
  double** T;
  allocd2(&T, 3, 3);
  double N[4], dN[4], x1[4], dl[4], dg[4];
  for (int i = 1; i <= counts[1]; i++) {
    const double J = BeamLoadPoint(c, Element, n, a[i], alpha, X, OutputControl, N, dN, x1, T);
    const double qs = dotd1(N, q, n);
    if (rec.DirKind == 'B')
      UnitVector(rec.DirCode, dl);
    else
      multd2d1(dl, T, g, 3, 3);
    // Back to global axes: for 'G' and 'S' this is the direction itself, for 'B' the
    // beam's local axis at the point.
    multtd2d1(dg, T, dl, 3, 3);
    const double fac = w[i] * qs * J;
    for (int k = 1; k <= n; k++) {
      const int base = 6 * (k - 1) + offset;
      for (int j = 1; j <= 3; j++) Fe[base + j] += N[k] * dg[j] * fac;
    }
  }
  freed2(T);
  freed2(X);
}
