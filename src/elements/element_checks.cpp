// Data faults that element routines find in what the data file gives them: node counts,
// material and geometry kinds the element cannot use.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "elements/kernel.h"
#include "materials/material_table.h"
#include "model/material.h"
#include "numcore/numcore.h"

namespace {

const char* MaterialKindKeyword(int kind) {
  if (kind < 0 || kind > kMaterialKinds) return "(unknown)";
  return kMaterialKindKeywords[kind];
}

}  // namespace

const char* GeometryKindKeyword(int kind) {
  switch (kind) {
    case 0:
      return "_NONE";
    case GEOM_PATT:
      return "_GEOM_PATT";
    case GEOM_CS_AREA:
      return "_CS_AREA";
    case GEOM_CS_2D:
      return "_CS_2D";
    case GEOM_CS_3D:
      return "_CS_3D";
    case GEOM_LAM_THICK:
      return "_LAM_THICK";
    default:
      return "(unknown)";
  }
}

void ElemDataFault(const ElemFaultContext& ctx, int typeCode, const char* detail, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, ctx.format, ctx.a, ctx.b, ctx.c);
  if (typeCode > 0) std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(typeCode).keyword);
  if (detail != nullptr) std::fputs(detail, stderr);
  errexit(msg, 0);
}

void CheckElemNodeCount(const ElemFaultContext& ctx, int typeCode, int n, int a, int b, int c) {
  if (n == a || (b != 0 && n == b) || (c != 0 && n == c)) return;
  char detail[64], msg[128];
  std::snprintf(detail, sizeof detail, "   -> Number of nodes: %d\n", n);
  if (c != 0)
    std::snprintf(msg, sizeof msg, "This type of element requires %d, %d or %d nodes.", a, b, c);
  else if (b != 0)
    std::snprintf(msg, sizeof msg, "This type of element requires %d or %d nodes.", a, b);
  else
    std::snprintf(msg, sizeof msg, "This type of element requires %d nodes.", a);
  ElemDataFault(ctx, typeCode, detail, msg);
}

void CheckElemMaterialKind(const ElemFaultContext& ctx, int typeCode, int kind, int required) {
  if (kind == required) return;
  char detail[96], msg[128];
  std::snprintf(detail, sizeof detail, "   -> Material kind: %s\n", MaterialKindKeyword(kind));
  std::snprintf(msg, sizeof msg, "This type of element requires a material of kind %s.", MaterialKindKeyword(required));
  ElemDataFault(ctx, typeCode, detail, msg);
}

void CheckElemGeometryKind(const ElemFaultContext& ctx, int typeCode, int kind, int a, int b) {
  if (kind == a || (b != 0 && kind == b)) return;
  char detail[96], msg[128];
  std::snprintf(detail, sizeof detail, "   -> Geometry kind: %s\n", GeometryKindKeyword(kind));
  if (b != 0)
    std::snprintf(msg, sizeof msg, "This type of element requires a geometry of kind %s or %s.", GeometryKindKeyword(a),
                  GeometryKindKeyword(b));
  else
    std::snprintf(msg, sizeof msg, "This type of element requires a geometry of kind %s.", GeometryKindKeyword(a));
  ElemDataFault(ctx, typeCode, detail, msg);
}

namespace {

// The geometry kind that an element type reads through a direct record or a geometry
// pattern: cross-section areas, sections of 3-D beams, thicknesses (0: the type's own
// routines check it, or it reads none).
int GeometryKindOfType(int type) {
  switch (type) {
    case _TRUSS_2D: case _TRUSS_3D: case _CABLE_2D: case _CABLE_3D: case _EMB_CABLE_2D: case _EMB_CABLE_3D:
      return GEOM_CS_AREA;
    case _TIMOSHENKO_BEAM_3D: return GEOM_CS_3D;
    case _PLANE_STRESS_TRIANG: case _PLANE_STRESS_QUAD: case _PLANE_STRESS_QUAD_THERMAL: case _MINDLIN_SLAB_QUAD:
    case _MINDLIN_SHELL_QUAD: case _AHMAD_SHELL_QUAD:
      return GEOM_LAM_THICK;
    default: return 0;
  }
}

[[noreturn]] void GroupFault(const MeshData* mesh, int r, const char* msg) {
  const ElementProperty& p = mesh->ElemProps[r];
  char detail[256];
  std::snprintf(detail, sizeof detail, "   -> Elements: %d to %d\n   -> Material kind: %s\n   -> Geometry kind: %s\n",
                p.FirstElement, p.LastElement, MaterialKindKeyword(p.MaterialKind),
                GeometryKindKeyword(p.GeometryKind));
  ElemDataFault(ElemFaultContext{"Element group (element property record n. %d)\n", r, 0, 0}, p.ElementType, detail,
                msg);
}

// The mother of an embedded cable is sought among the elements in the cable's own
// coordinates: a model with an embedded cable takes no element of other coordinates
// (a 2-D cable in the x2-x3 plane and a slab in the x1-x2 plane, a 3-D element).
void CheckEmbeddedCableHosts(const MeshData* mesh, const int* ElemPropIndex) {
  int cableGroup = 0;
  for (int e = 1; e <= mesh->nElements && cableGroup == 0; e++) {
    const int r = ElemPropIndex[e];
    if (r == 0) continue;
    const int type = mesh->ElemProps[r].ElementType;
    if (type == _EMB_CABLE_2D || type == _EMB_CABLE_3D) cableGroup = r;
  }
  if (cableGroup == 0) return;
  const int cableType = mesh->ElemProps[cableGroup].ElementType;
  const char* mask = GetElementTypeInfo(cableType).coordMask;
  for (int e = 1; e <= mesh->nElements; e++) {
    const int r = ElemPropIndex[e];
    if (r == 0 || std::strcmp(GetElementTypeInfo(mesh->ElemProps[r].ElementType).coordMask, mask) == 0) continue;
    char msg[256];
    std::snprintf(msg, sizeof msg,
                  "This type of element cannot host the embedded cables of type %s (element property record "
                  "n. %d):\nits coordinates are not those of the cables.",
                  GetElementTypeInfo(cableType).keyword, cableGroup);
    GroupFault(mesh, r, msg);
  }
}

}  // namespace

void CheckElementGroups(const MeshData* mesh, const int* ElemPropIndex) {
  const MainParameters& m = mesh->Main;
  const bool thermal = m.AnalysisType == ANALYSIS_THERMAL_STEADY_STATE || m.AnalysisType == ANALYSIS_THERMAL_TRANSIENT;
  const bool nonlinear = m.MaterNonlinear == 1;
  // Each group that holds an active element, once.
  std::vector<char> seen(static_cast<size_t>(mesh->nElemProps) + 1, 0);
  for (int e = 1; e <= mesh->nElements; e++) {
    const int r = ElemPropIndex[e];
    if (r == 0 || seen[r] != 0) continue;
    seen[r] = 1;
    const ElementProperty& p = mesh->ElemProps[r];
    const int kind = p.MaterialKind, type = p.ElementType;
    // The geometric set-up refuses material patterns with its own message.
    if (m.GeomNonlinear == 1 && CompositionOf(kind) == kCompositionNlmmPattern) continue;
    const char* refusal = ElementKindRefusal(kind, type, thermal, nonlinear);
    if (refusal != nullptr) GroupFault(mesh, r, refusal);
    // The parts of a pattern or of a layered section must be kinds such a composition takes.
    const MaterialComposition composition = CompositionOf(kind);
    if (composition == kCompositionNlmmPattern) {
      const MaterialPattern& mp = mesh->NlmmPatterns[p.MaterialNumber];
      for (int k = 1; k <= mp.nComponents; k++)
        if (HistoryUseInComposition(composition, mp.Kind[k]) == kHistoryRefused) {
          char msg[128];
          std::snprintf(msg, sizeof msg, "A material pattern cannot take a component of material kind %s.",
                        MaterialKindKeyword(mp.Kind[k]));
          GroupFault(mesh, r, msg);
        }
    }
    if (composition == kCompositionLayers) {
      const LayerPattern& lp = mesh->LayerPatterns[p.MaterialNumber];
      for (int k = 1; k <= lp.nLayers; k++)
        if (HistoryUseInComposition(composition, mesh->LayerProps[lp.Layer[k]].MaterialKind) == kHistoryRefused) {
          char msg[128];
          std::snprintf(msg, sizeof msg, "A layered shell cannot take a layer of material kind %s (layer property record %d).",
                        MaterialKindKeyword(mesh->LayerProps[lp.Layer[k]].MaterialKind), lp.Layer[k]);
          GroupFault(mesh, r, msg);
        }
    }
    // Layered shells and fibre meshes take their geometry from their layers and fibres.
    const int g = CompositionOf(kind) == kCompositionNone ? GeometryKindOfType(type) : 0;
    if (g != 0 && p.GeometryKind != g && p.GeometryKind != GEOM_PATT) {
      char msg[160];
      std::snprintf(msg, sizeof msg, "This type of element takes geometric properties of kind %s (or %s).",
                    GeometryKindKeyword(g), GeometryKindKeyword(GEOM_PATT));
      GroupFault(mesh, r, msg);
    }
  }
  CheckEmbeddedCableHosts(mesh, ElemPropIndex);
}

// ---- folded quadratic elements ------------------------------------------------------

namespace {

constexpr double kFoldTolerance = 1e-6;  // det J against its mean over the element

// Natural coordinates where det J is checked: the nodes, then the points of the 2 x 2 and
// 3 x 3 Gauss-Legendre rules.
std::vector<std::array<double, 4>> FoldSamplePoints(int dim, int n) {
  std::vector<std::array<double, 4>> pts;
  double** S;
  allocd2(&S, n, dim);
  if (dim == 2)
    CalcNatCoord(n, S);
  else
    CalcNatCoordSolidHexa(n, S);
  for (int a = 1; a <= n; a++) pts.push_back({0.0, S[a][1], S[a][2], dim == 3 ? S[a][3] : 0.0});
  freed2(S);
  for (int c = 2; c <= 3; c++) {
    const double* x = IntegrationRuleTable.abscissa[kIntGLEG][c];
    for (int i = 1; i <= c; i++)
      for (int j = 1; j <= c; j++)
        for (int k = 1; k <= (dim == 3 ? c : 1); k++) pts.push_back({0.0, x[i], x[j], dim == 3 ? x[k] : 0.0});
  }
  return pts;
}

[[noreturn]] void FoldFault(int e, int type, int n, const char* what) {
  char detail[256], msg[512];
  std::snprintf(detail, sizeof detail, "   -> Number of nodes: %d\n   -> %s\n", n, what);
  const char* order =
      n == 20 ? "the bottom face s3 = -1 first (nodes 1 to 8: corner, mid-side, corner, ... counter-clockwise "
                "seen from the top face, node 1 at (-1,-1,-1)), then the middle layer (nodes 9 to 12 above the "
                "corners 1, 3, 5, 7), then the top face s3 = +1 (nodes 13 to 20 above nodes 1 to 8)"
              : "corner and mid-side nodes in turn, counter-clockwise from a corner (1 corner, 2 mid-side of "
                "1-3, 3 corner, 4 mid-side of 3-5, ..., 8 mid-side of 7-1)";
  std::snprintf(msg, sizeof msg,
                "The element is folded or its nodes are not in the expected order.\n"
                "Expected node order: %s%s; see docs/elements.md.",
                order, n == 9 ? ", then node 9 at the centre" : "");
  ElemDataFault(ElemFaultContext{"Element n. %d\n", e, 0, 0}, type, detail, msg);
}

// Every mid-side node must lie within the middle half of the chord of its edge.
void CheckMidSideNodes(int e, int type, int n, double** X, int dim) {
  const int nEdges = dim == 3 ? 12 : 4;
  for (int edge = 1; edge <= nEdges; edge++) {
    int nodes[4];
    if (dim == 3)
      CalcNodeEdgeSolidHexa(edge, n, nodes);
    else
      CalcNodeEdgeQuad(edge, n, nodes);
    double chord2 = 0.0, along = 0.0;
    for (int j = 1; j <= 3; j++) {
      const double c = X[nodes[3]][j] - X[nodes[1]][j];
      chord2 += c * c;
      along += (X[nodes[2]][j] - X[nodes[1]][j]) * c;
    }
    const double t = chord2 > 0.0 ? along / chord2 : -1.0;
    if (!(t >= 0.25 && t <= 0.75)) {
      char what[160];
      std::snprintf(what, sizeof what,
                    "Mid-side node %d lies outside the middle half of the edge from node %d to node %d "
                    "(at %.3g of its length).",
                    nodes[2], nodes[1], nodes[3], t);
      FoldFault(e, type, n, what);
    }
  }
}

// det J at the sample points: of the volume (hexahedra), of the plane (2-D quadrilaterals)
// or of the surface along the normal of the corners' diagonals (shells, any orientation).
void CheckJacobianSign(int e, int type, int n, double** X, int dim, int planeDim) {
  const std::vector<std::array<double, 4>> pts = FoldSamplePoints(dim, n);
  double** dN;
  allocd2(&dN, n, dim);
  // Reference normal of a surface: the cross product of the two diagonals of the corners.
  double ref[4] = {0.0, 0.0, 0.0, 0.0};
  if (dim == 2) {
    double d1[4], d2[4];
    for (int j = 1; j <= 3; j++) {
      d1[j] = X[5][j] - X[1][j];
      d2[j] = X[7][j] - X[3][j];
    }
    crossd1(ref, d1, d2);
  }
  std::vector<double> det(pts.size());
  double mean = 0.0;
  for (size_t q = 0; q < pts.size(); q++) {
    const double* s = pts[q].data();
    double J[4][4] = {};
    if (dim == 3)
      CalcShapeFuncDerivSolidHexa(n, dN, s);
    else
      CalcShapeFuncDerivQuad(n, dN, s);
    for (int a = 1; a <= n; a++)
      for (int i = 1; i <= 3; i++)
        for (int k = 1; k <= dim; k++) J[i][k] += X[a][i] * dN[a][k];
    double d;
    if (dim == 3) {
      d = J[1][1] * (J[2][2] * J[3][3] - J[3][2] * J[2][3]) - J[1][2] * (J[2][1] * J[3][3] - J[3][1] * J[2][3]) +
          J[1][3] * (J[2][1] * J[3][2] - J[3][1] * J[2][2]);
    } else if (planeDim == 2) {
      d = J[1][1] * J[2][2] - J[2][1] * J[1][2];
    } else {
      const double g1[4] = {0.0, J[1][1], J[2][1], J[3][1]}, g2[4] = {0.0, J[1][2], J[2][2], J[3][2]};
      double g[4];
      crossd1(g, g1, g2);
      const double r = normd1(ref, 3);
      d = r > 0.0 ? (g[1] * ref[1] + g[2] * ref[2] + g[3] * ref[3]) / r : 0.0;
    }
    det[q] = d;
    mean += std::fabs(d);
  }
  freed2(dN);
  mean /= static_cast<double>(pts.size());
  for (size_t q = 0; q < pts.size(); q++) {
    if (det[q] > kFoldTolerance * mean) continue;
    char what[160];
    if (q < static_cast<size_t>(n))
      std::snprintf(what, sizeof what, "The Jacobian determinant at node %d is %s.", static_cast<int>(q) + 1,
                    det[q] < 0.0 ? "negative" : "null");
    else
      std::snprintf(what, sizeof what, "The Jacobian determinant at the natural point (%.3g, %.3g%s) is %s.",
                    pts[q][1], pts[q][2], dim == 3 ? ", ..." : "", det[q] < 0.0 ? "negative" : "null");
    FoldFault(e, type, n, what);
  }
}

}  // namespace

void CheckQuadraticElementShapes(const MeshData* mesh, const int* ElemPropIndex) {
  for (int e = 1; e <= mesh->nElements; e++) {
    if (ElemPropIndex[e] == 0) continue;
    const int type = mesh->ElemProps[ElemPropIndex[e]].ElementType;
    const ElementTypeRow& row = GetElementTypeInfo(type);
    const int n = mesh->ElemNodeCount[e];
    const bool quad = row.shapeCode == 4 && (row.flags & 0x100) != 0 && (n == 8 || n == 9);
    const bool hexa = row.shapeCode == 6 && n == 20;
    if (!quad && !hexa) continue;
    double** X;
    allocd2(&X, n, 3);
    // Plane and slab elements in their own two coordinates; shells and solids in three.
    const int planeDim = quad && row.spaceDim == 2 ? 2 : 3;
    if (planeDim == 2) {
      zerod2(X, n, 3);
      CalcMat_ElemNodeCoord(e, type, n, mesh->ElemNodes, X, mesh->PointCoord);
    } else {
      CalcMat_ElemNodeCoordXYZ(e, n, mesh->ElemNodes, X, mesh->PointCoord);
    }
    const int dim = hexa ? 3 : 2;
    CheckMidSideNodes(e, type, n, X, dim);
    CheckJacobianSign(e, type, n, X, dim, planeDim);
    freed2(X);
  }
}
