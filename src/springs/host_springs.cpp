// Line springs along an edge of their host element and surface springs over a face: an
// elastic bed of stiffness k per unit length (area) acting on the edge's (face's)
// motion in one direction, integrated with the edge's (face's) shape functions:
// Ke += sum_j w_j k(s_j) |J| b b^T, with b the shape functions placed on the host's
// dofs along the direction.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "history/history.h"
#include "materials/material_table.h"
#include "materials/spring_laws.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"
#include "springs/springs.h"

namespace {

constexpr double kTiny = 1e-8;

const char* const kDofKeywords[3] = {"", "_TRANS (translational)", "_ROT (rotational)"};

// Context of the refusals of one spring on its host.
struct HostContext {
  bool line;  // line spring, else surface spring
  int spring;
  int elem;
  int type;
  const char* title = nullptr;  // nonlinear springs: the title of the step
};

void PrintContext(const HostContext& c) {
  std::fflush(stdout);
  if (c.title != nullptr)
    std::fprintf(stderr, "\n%s\n   -> Block name: %s\n   -> %s spring counter: %d\n", c.title,
                 c.line ? "<LINE_SPRINGS>" : "<SURFACE_SPRINGS>", c.line ? "Line" : "Surface", c.spring);
  else if (c.line)
    std::fprintf(stderr,
                 "\nCalculating the line spring contribution\nto the global stiffness matrix:\n"
                 "   -> Block name: <LINE_SPRINGS>\n   -> Line spring counter: %d\n",
                 c.spring);
  else
    std::fprintf(stderr,
                 "\nCalculating the surface spring contribution\nto the global stiffness matrix:\n"
                 "   -> Block name: <SURFACE_SPRINGS>\n   -> Surface spring counter: %d\n",
                 c.spring);
  std::fprintf(stderr, "   -> Element: %d\n   -> Element type: %s\n", c.elem, GetElementTypeInfo(c.type).keyword);
}

// Keyword of a direction (or the auxiliary vector's name).
const char* DirectionKeyword(const MeshData* mesh, bool line, char kind, int index) {
  static const char* const kG[4] = {"", "_XG1", "_XG2", "_XG3"};
  static const char* const kELine[4] = {"", "_T", "_NN", "_NT"};
  static const char* const kESurf[4] = {"", "_L1", "_L2", "_N"};
  static const char* const kB[4] = {"", "_L1", "_L2", "_L3"};
  if (kind == 'S') return mesh->AuxVectors[index].Name;
  if (index < 1 || index > 3) InternalError(__FILE__, __LINE__);
  switch (kind) {
    case 'G': return kG[index];
    case 'E': return line ? kELine[index] : kESurf[index];
    case 'B': return kB[index];
    default: InternalError(__FILE__, __LINE__);
  }
}

[[noreturn]] void RefuseDirection(const HostContext& c, const MeshData* mesh, char kind, int index, int dofType,
                                  bool withDof, const char* message) {
  PrintContext(c);
  std::fprintf(stderr, "   -> Specified type of direction: %s\n", DirectionKeyword(mesh, c.line, kind, index));
  if (withDof) std::fprintf(stderr, "   -> Specified type of degree of freedom: %s\n", kDofKeywords[dofType]);
  errexit(message, 0);
}

const char* const kDirMsg = "The specified type of direction is\nincompatible with the element type.";
const char* const kDirDofMsg =
    "The specified type of direction or type of degree of freedom\nincompatible with the element type.";

// Sampling rule of a spring: pattern 0 gives 3 points per direction.
void SpringRule(const HostContext& c, const MeshData* mesh, int type, int pattern, int dir, const double** a,
                const double** w, int* n) {
  int count = 3;
  if (pattern > 0) {
    const NumericalIntegration& r = mesh->Integrations[pattern];
    count = dir == 1 ? Integ_G_S1(r) : Integ_G_S2(r);
    if (count == 0) {
      PrintContext(c);
      std::fprintf(stderr, "   -> Specified integration name: %s\n", r.Name);
      errexit(c.line ? "Integration pattern is incomplete.\nThe parameter _G_S1_k is missing."
                     : "Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing.",
              0);
    }
  }
  // Rules outside the table were refused at set-up.
  if ((type != kIntGLEG && type != kIntGLOB) || count < 1 || count > 10 || (type == kIntGLOB && count < 2))
    InternalError(__FILE__, __LINE__);
  *a = IntegrationRuleTable.abscissa[type][count];
  *w = IntegrationRuleTable.weight[type][count];
  *n = count;
}

// Nodal stiffness values of the spring's m materials on `nodes` edge or face nodes.
void NodalStiffness(const HostContext& c, const MeshData* mesh, int kind, int m, const int* materials, int nodes,
                    int face, int edge, double* k) {
  if (!SpringKindIsLinear(kind)) InternalError(__FILE__, __LINE__);
  if (m != 1 && m != nodes) {
    PrintContext(c);
    if (c.line) {
      std::fprintf(stderr, "   -> Loaded face: %d\n   -> Loaded edge: %d\n", face, edge);
      std::fprintf(stderr, "   -> Specified n. of nodes of the edge of the element: %d\n", m);
      std::fprintf(stderr, "   -> N. of nodes of the edge of the element: %d\n", nodes);
      errexit("The specified n. of nodes is not compatible with the n. of\nnodes of the edge of the element.", 0);
    }
    std::fprintf(stderr, "   -> Specified n. of nodes of the face of the element: %d\n", m);
    std::fprintf(stderr, "   -> N. of nodes of the face of the element: %d\n", nodes);
    errexit("The specified n. of nodes is not compatible with the n. of\nnodes of the face of the element.", 0);
  }
  for (int i = 1; i <= nodes; i++)
    k[i] = LinearSpringStiffness(mesh->SpringMaterials[kind][materials[m == 1 ? 1 : i]]);
}

[[noreturn]] void NullJacobian(const HostContext& c, bool negative) {
  PrintContext(c);
  errexit(negative ? "Jacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed."
                   : "Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed.",
          0);
}

// Ke += f b b^T over the n entries of b.
void AddOuter(int n, double f, const double* b, double** K) {
  for (int r = 1; r <= n; r++) {
    if (b[r] == 0.0) continue;
    for (int s = 1; s <= n; s++) K[r][s] += f * b[r] * b[s];
  }
}

// ---- line springs ---------------------------------------------------------------------------

enum LineHostKind { kLineSolid, kLineAhmad, kLineMindlinShell, kLineSlab, kLinePlane, kLineBeam };

struct LineEdge {
  int ne;            // edge nodes
  int edgePos[4];    // their element node positions
  double** Xe;       // ne x 3
  int nFace;         // face nodes (solid and shells), 0 for the others
  double** Xf;       // nFace x 3, the face reordered so that the edge lies on s2 = -1
  double sigma1, sigma2;
  int edge;
};

// Direction check of a line spring against its host.
void CheckLineDirection(const HostContext& c, LineHostKind host, const LineSpring& r, const MeshData* mesh) {
  const char kind = r.Char1;
  const int index = r.Int7;
  const int dof = r.Char3;
  if (dof != 1 && dof != 2) InternalError(__FILE__, __LINE__);
  if (kind != 'B' && kind != 'E' && kind != 'G' && kind != 'S') InternalError(__FILE__, __LINE__);
  if (kind != 'S' && (index < 1 || index > 3)) InternalError(__FILE__, __LINE__);
  double v[4] = {0, 0, 0, 0};
  if (kind == 'S') copyd1(v, mesh->AuxVectors[index].v, 3);
  switch (host) {
    case kLineSolid:
    case kLinePlane: {
      if (dof == 2) {
        PrintContext(c);
        std::fprintf(stderr, "   -> Specified type of degree of freedom: _ROT (rotational)\n");
        errexit("The specified type of degree o freedom is\nincompatible with the element type.", 0);
      }
      bool ok = kind != 'B';
      if (host == kLinePlane) {
        if (kind == 'E' && index == 2) ok = false;
        if (kind == 'G' && index == 1) ok = false;
        if (kind == 'S' && std::fabs(v[1]) > kTiny) ok = false;
      }
      if (!ok) RefuseDirection(c, mesh, kind, index, dof, false, kDirMsg);
      return;
    }
    case kLineAhmad:
    case kLineMindlinShell: {
      const bool ok = kind != 'B' && (dof == 1 || (kind == 'E' && index == 1));
      if (!ok) RefuseDirection(c, mesh, kind, index, dof, true, kDirDofMsg);
      return;
    }
    case kLineSlab: {
      bool ok = kind != 'B';
      if (ok && dof == 1)
        ok = (kind == 'E' && index == 2) || (kind == 'G' && index == 3) ||
             (kind == 'S' && std::fabs(v[1]) <= kTiny && std::fabs(v[2]) <= kTiny);
      if (!ok) RefuseDirection(c, mesh, kind, index, dof, true, kDirDofMsg);
      return;
    }
    case kLineBeam: {
      const bool ok = kind != 'E' && (dof == 1 || (kind == 'B' && index == 1));
      if (!ok) RefuseDirection(c, mesh, kind, index, dof, true, kDirDofMsg);
      return;
    }
  }
  InternalError(__FILE__, __LINE__);
}

// Edge node lists and coordinates of a solid or quadrilateral host.
void LineEdgeGeometry(const HostContext& c, LineHostKind host, const LineSpring& r, int nNodes, const MeshData* mesh,
                      LineEdge* g) {
  const int* en = mesh->ElemNodes[c.elem];
  int facePos[10];
  g->edge = r.Int6;
  g->sigma1 = g->sigma2 = 1.0;
  if (host == kLineSolid) {
    g->nFace = nNodes == 8 ? 4 : 8;
    if (!CalcNodeFaceEdgeSolidHexa(r.Int6, r.Int5, nNodes, &g->sigma1, &g->sigma2, facePos)) {
      PrintContext(c);
      std::fprintf(stderr, "   -> Specified face: %d\n   -> Specified edge: %d\n", r.Int5, r.Int6);
      errexit("The specified face does not contain the specified edge.", 0);
    }
    CalcNodeEdgeSolidHexa(r.Int6, nNodes, g->edgePos);
  } else {
    g->nFace = nNodes;
    CalcNodeFaceEdgeQuad(r.Int6, nNodes, &g->sigma1, &g->sigma2, facePos);
    CalcNodeEdgeQuad(r.Int6, nNodes, g->edgePos);
  }
  allocd2(&g->Xe, g->ne, 3);
  allocd2(&g->Xf, g->nFace, 3);
  for (int i = 1; i <= g->ne; i++) copyd1(g->Xe[i], mesh->PointCoord[en[g->edgePos[i]]], 3);
  for (int i = 1; i <= g->nFace; i++) copyd1(g->Xf[i], mesh->PointCoord[en[facePos[i]]], 3);
}

// Element direction of a line spring at s: "_T", "_NN", "_NT".
void LineDirectionE(LineHostKind host, int index, const LineEdge& g, int elem, double s, double* d) {
  double t[4], nrm[4], tmp[4];
  CalcVectTangentElem(3, elem, g.ne, s, t, g.Xe);
  if (index == 1) {
    copyd1(d, t, 3);
    return;
  }
  if (host == kLinePlane) {
    if (index != 3) InternalError(__FILE__, __LINE__);
    const double e1[4] = {0.0, 1.0, 0.0, 0.0};
    const double sigma = (g.edge == 1 || g.edge == 3) ? 1.0 : -1.0;
    crossd1(tmp, e1, t);
    for (int j = 1; j <= 3; j++) d[j] = sigma * tmp[j];
    return;
  }
  const double sv[3] = {0.0, s, -1.0};
  CalcVectNormalElem(elem, 2, g.nFace, nrm, sv, g.Xf);
  if (index == 2) {
    for (int j = 1; j <= 3; j++) d[j] = g.sigma1 * nrm[j];
    return;
  }
  if (index != 3) InternalError(__FILE__, __LINE__);
  if (host == kLineSolid) scaled1(nrm, 3, g.sigma1);
  crossd1(tmp, nrm, t);
  for (int j = 1; j <= 3; j++) d[j] = g.sigma2 * tmp[j];
}

// Coplanar rule of a rotational line spring on a shell node: r' = R r, no drill part.
void ShellRotation(const HostContext& c, LineHostKind host, int node, const LineSpringHostData& h,
                   const MeshData* mesh, double** Rm, double* r) {
  const int point = mesh->ElemNodes[c.elem][node];
  if (h.PointTypes[point] == 'G') return;
  if (host == kLineAhmad)
    CalcMat_T_GCStoCCS_Point(point, h.OutputControl, h.ElemPropIndex, mesh->ElemNodeCount, mesh->ElemNodes, Rm,
                             mesh->PointCoord, h.PointElemAdjacency, mesh->ElemProps);
  double rr[4];
  multd2d1(rr, Rm, r, 3, 3);
  if (std::fabs(rr[3]) > kTiny) {
    PrintContext(c);
    std::fprintf(stderr, "   -> Type of degree of freedom: _ROT (rotational)\n   -> Loaded edge point: %d", point);
    errexit("When a rotacional line spring is applied to a coplanar point, the drill\ncomponent must be null.\n"
            "(Note: the drill degree of freedom is a rotation whose vector\nis normal to the coplanar elements.)\n"
            "When such line spring needs to be applied to a coplanar point,\nan embedded frame beam must be added to "
            "convert the coplanar\npoint into a kink point.",
            0);
  }
  copyd1(r, rr, 3);
}

// The sampling points of a line spring on its host: visit(j, N, w L, b) with b the edge
// shape functions along the direction placed on the host's dofs (n entries).
template <class Visit>
void LineSpringSamples(const HostContext& c, LineHostKind host, int type, int elem, int spring, int nNodes,
                       int property, const LineSpringHostData* h, const MeshData* mesh, Visit visit) {
  const LineSpring& r = mesh->LineSprings[spring];
  const int nd = GetElementTypeInfo(type).dofsPerNode;
  LineEdge g{};
  g.ne = LineSpringEdgeNodes(type, nNodes);
  if (g.ne == 0) InternalError(__FILE__, __LINE__);
  if (host == kLineBeam) {
    for (int i = 1; i <= g.ne; i++) g.edgePos[i] = i;
    allocd2(&g.Xe, g.ne, 3);
    CalcMat_ElemNodeCoord(elem, _TIMOSHENKO_BEAM_3D, nNodes, mesh->ElemNodes, g.Xe, mesh->PointCoord);
  } else {
    LineEdgeGeometry(c, host, r, nNodes, mesh, &g);
  }
  const double *a, *w;
  int nPoints;
  SpringRule(c, mesh, r.Code1, r.Code2, 1, &a, &w, &nPoints);
  // Beam: orientation angle of the cross-section axes at the nodes.
  double angle[4] = {0, 0, 0, 0};
  double** T = nullptr;
  allocd2(&T, 3, 3);
  if (host == kLineBeam) {
    int recs[4];
    CalcPropNodeGeomRecords(nNodes, property, mesh->ElemProps[property], kGeomCs3D, mesh->GeomPatterns,
                            mesh->nFrame3DSections, recs);
    for (int i = 1; i <= nNodes; i++) angle[i] = mesh->Frame3DSections[recs[i]].v[11];
  }
  if (host == kLineMindlinShell && r.Char3 == 2) {
    const double s0[3] = {0.0, 0.0, 0.0};
    double** X;
    allocd2(&X, nNodes, 3);
    CalcMat_ElemNodeCoordXYZ(elem, nNodes, mesh->ElemNodes, X, mesh->PointCoord);
    CalcMat_T_ElemNormal(elem, type, nNodes, 'N', s0, T, X);
    freed2(X);
  }
  const int n = nd * nNodes;
  double* b;
  allocd1(&b, n);
  double N[4], dN[4], d[4];
  for (int j = 1; j <= nPoints; j++) {
    const double s = a[j];
    CalcShapeFuncLine(g.ne, s, N);
    CalcShapeFuncDerivLine(g.ne, s, dN);
    double J[4] = {0, 0, 0, 0};
    for (int i = 1; i <= g.ne; i++)
      for (int x = 1; x <= 3; x++) J[x] += dN[i] * g.Xe[i][x];
    const double L = normd1(J, 3);
    if (L < kTiny) NullJacobian(c, false);
    switch (r.Char1) {
      case 'G':
      case 'S': SpringDirection(mesh, r.Char1, r.Int7, d); break;
      case 'E': LineDirectionE(host, r.Int7, g, elem, s, d); break;
      case 'B': {
        double** Tb;
        allocd2(&Tb, 3, 3);
        CalcMat_T_TimoshenkoBeam3D(elem, nNodes, s, dotd1(N, angle, nNodes), 'N', Tb, g.Xe);
        copyd1(d, Tb[r.Int7], 3);  // local axis in global components
        freed2(Tb);
        break;
      }
      default: InternalError(__FILE__, __LINE__);
    }
    zerod1(b, n);
    for (int i = 1; i <= g.ne; i++) {
      const int o = (g.edgePos[i] - 1) * nd;
      switch (host) {
        case kLineSolid:
        case kLineBeam:
        case kLineAhmad:
        case kLineMindlinShell: {
          double v[4] = {0, N[i] * d[1], N[i] * d[2], N[i] * d[3]};
          const int first = r.Char3 == 2 ? 3 : 0;
          if (r.Char3 == 2 && (host == kLineAhmad || host == kLineMindlinShell))
            ShellRotation(c, host, g.edgePos[i], *h, mesh, T, v);

          for (int x = 1; x <= 3; x++) b[o + first + x] = v[x];
          break;
        }
        case kLineSlab:
          if (r.Char3 == 1) {
            b[o + 1] = N[i];
          } else {
            double t[4];
            CalcVectTangentElem(3, elem, g.ne, s, t, g.Xe);
            b[o + 2] = N[i] * t[1];
            b[o + 3] = N[i] * t[2];
          }
          break;
        case kLinePlane:
          b[o + 1] = N[i] * d[2];
          b[o + 2] = N[i] * d[3];
          break;
      }
    }
    visit(j, N, w[j] * L, b, n);
  }
  freed1(b);
  freed2(T);
  if (g.Xf != nullptr) freed2(g.Xf);
  freed2(g.Xe);
}

void LineSpringOnHost(LineHostKind host, int type, int elem, int spring, int nNodes, int property,
                      const LineSpringHostData* h, const MeshData* mesh, double** K) {
  const HostContext c{true, spring, elem, type};
  const LineSpring& r = mesh->LineSprings[spring];
  CheckLineDirection(c, host, r, mesh);
  double k[4];
  NodalStiffness(c, mesh, r.SpringMaterialKind, r.nMaterials, r.Material, LineSpringEdgeNodes(type, nNodes), r.Int5,
                 r.Int6, k);
  const int ne = LineSpringEdgeNodes(type, nNodes);
  LineSpringSamples(c, host, type, elem, spring, nNodes, property, h, mesh,
                    [&](int, const double* N, double wL, const double* b, int n) {
                      AddOuter(n, wL * dotd1(N, k, ne), b, K);
                    });
}

// ---- surface springs ------------------------------------------------------------------------

enum SurfHostKind { kSurfSolid, kSurfShell, kSurfSlab, kSurfPlane };

void CheckSurfDirection(const HostContext& c, SurfHostKind host, const SurfSpring& r, const MeshData* mesh) {
  const char kind = r.Char1;
  const int index = r.Int6;
  if (host == kSurfSolid || host == kSurfShell) return;  // every direction
  if (kind != 'E' && kind != 'G' && kind != 'S') InternalError(__FILE__, __LINE__);
  double v[4] = {0, 0, 0, 0};
  if (kind == 'S') copyd1(v, mesh->AuxVectors[index].v, 3);
  bool ok;
  if (host == kSurfSlab)
    ok = (kind == 'E' && index == 3) || (kind == 'G' && index == 3) ||
         (kind == 'S' && std::fabs(v[1]) <= kTiny && std::fabs(v[2]) <= kTiny);
  else
    ok = (kind == 'E' && index != 3) || (kind == 'G' && index != 1) || (kind == 'S' && std::fabs(v[1]) <= kTiny);
  if (!ok) RefuseDirection(c, mesh, kind, index, 0, false, kDirMsg);
}

// Face nodes of a surface spring: the whole element, or a face of the hexahedron run so
// that g1 x g2 points out of the element; from[p] is the face node's place in the
// face's listed order (the order of the spring's nodal values).
int SurfFaceNodes(SurfHostKind host, int type, int nNodes, const SurfSpring& r, int* pos, int* from) {
  const int nf = SurfSpringFaceNodes(type, nNodes);
  if (nf == 0) InternalError(__FILE__, __LINE__);
  if (host == kSurfSolid) {
    unsigned char reverse = 0;
    int listed[10];
    CalcNodeFaceSolidHexa(r.Int5, nNodes, &reverse, listed);
    for (int i = 1; i <= nf; i++) {
      from[i] = (reverse && i > 1) ? nf + 2 - i : i;
      pos[i] = listed[from[i]];
    }
  } else {
    for (int i = 1; i <= nf; i++) pos[i] = from[i] = i;
  }
  return nf;
}

// The sampling points of a surface spring: visit(k, N, w1 w2 A, b), k = (i - 1) n2 + j.
template <class Visit>
void SurfSpringSamples(const HostContext& c, SurfHostKind host, int type, int elem, int spring, int nNodes,
                       const MeshData* mesh, Visit visit) {
  const SurfSpring& r = mesh->SurfSprings[spring];
  const int nd = GetElementTypeInfo(type).dofsPerNode;
  int pos[10], from[10];
  const int nf = SurfFaceNodes(host, type, nNodes, r, pos, from);
  double **X3, **X2, **dN, **T;
  allocd2(&X3, nf, 3);
  allocd2(&X2, nf, 2);
  allocd2(&dN, nf, 2);
  allocd2(&T, 3, 3);
  for (int i = 1; i <= nf; i++) copyd1(X3[i], mesh->PointCoord[mesh->ElemNodes[elem][pos[i]]], 3);
  const bool flat = host == kSurfSlab || host == kSurfPlane;
  if (flat) CalcMat_ElemNodeCoord(elem, type, nNodes, mesh->ElemNodes, X2, mesh->PointCoord);
  const double *a1, *w1, *a2, *w2;
  int n1, n2;
  SpringRule(c, mesh, r.Code1, r.Code2, 1, &a1, &w1, &n1);
  SpringRule(c, mesh, r.Code1, r.Code2, 2, &a2, &w2, &n2);
  const int n = nd * nNodes;
  double* b;
  allocd1(&b, n);
  double N[10], d[4];
  for (int i = 1; i <= n1; i++)
    for (int j = 1; j <= n2; j++) {
      const double s[3] = {0.0, a1[i], a2[j]};
      CalcShapeFuncQuad(nf, N, s);
      CalcShapeFuncDerivQuad(nf, dN, s);
      double A;
      if (flat) {
        double J[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
        for (int p = 1; p <= nf; p++)
          for (int x = 1; x <= 2; x++)
            for (int y = 1; y <= 2; y++) J[x][y] += X2[p][x] * dN[p][y];
        A = J[1][1] * J[2][2] - J[1][2] * J[2][1];
        if (std::fabs(A) < kTiny) NullJacobian(c, false);
        if (A < kTiny) NullJacobian(c, true);
      } else {
        double g1[4] = {0, 0, 0, 0}, g2[4] = {0, 0, 0, 0}, gn[4];
        for (int p = 1; p <= nf; p++)
          for (int x = 1; x <= 3; x++) {
            g1[x] += dN[p][1] * X3[p][x];
            g2[x] += dN[p][2] * X3[p][x];
          }
        crossd1(gn, g1, g2);
        A = normd1(gn, 3);
        if (A < kTiny) NullJacobian(c, false);
      }
      switch (r.Char1) {
        case 'G':
        case 'S': SpringDirection(mesh, r.Char1, r.Int6, d); break;
        case 'E':
          CalcMat_T_ElemNormal(elem, type, nf, 'N', s, T, X3);
          copyd1(d, T[r.Int6], 3);
          break;
        default: InternalError(__FILE__, __LINE__);
      }
      zerod1(b, n);
      for (int p = 1; p <= nf; p++) {
        const int o = (pos[p] - 1) * nd;
        switch (host) {
          case kSurfSolid:
          case kSurfShell:
            for (int x = 1; x <= 3; x++) b[o + x] = N[p] * d[x];
            break;
          case kSurfSlab: b[o + 1] = N[p]; break;
          case kSurfPlane:
            b[o + 1] = N[p] * d[2];
            b[o + 2] = N[p] * d[3];
            break;
        }
      }
      visit((i - 1) * n2 + j, N, w1[i] * w2[j] * A, b, n);
    }
  freed1(b);
  freed2(T);
  freed2(dN);
  freed2(X2);
  freed2(X3);
}

// The spring's own matrix and the element's after the addition, when asked for.
void PrintSurfSpringMats(const char* OutputControl, int flag, int type, int elem, int n, double** Ks, double** K,
                         const char* title1, const char* title2, int face) {
  if (OutputControl == nullptr || OutputControl[flag] != 'Y') return;
  const char* kw = GetElementTypeInfo(type).keyword;
  std::printf(title1, kw);
  std::printf("Element n. %d\n", elem);
  printd2(Ks, n, n, stdout, "CSV", "NoNumbers", "", 1, 'E', 18, 10);
  std::printf(title2, kw);
  std::printf("Element n. %d\n", elem);
  if (face > 0) std::printf("Face n. %d\n", face);
  printd2(K, n, n, stdout, "CSV", "NoNumbers", "", 1, 'E', 18, 10);
}

void SurfSpringOnHost(SurfHostKind host, int type, int flag, int elem, int spring, int nNodes,
                      const char* OutputControl, const MeshData* mesh, double** K) {
  const HostContext c{false, spring, elem, type};
  const SurfSpring& r = mesh->SurfSprings[spring];
  CheckSurfDirection(c, host, r, mesh);
  int pos[10], from[10];
  const int nf = SurfFaceNodes(host, type, nNodes, r, pos, from);
  double kListed[10], kf[10];
  NodalStiffness(c, mesh, r.SpringMaterialKind, r.nMaterials, r.Material, nf, 0, 0, kListed);
  for (int i = 1; i <= nf; i++) kf[i] = kListed[from[i]];
  const int n = GetElementTypeInfo(type).dofsPerNode * nNodes;
  double** Ks;
  allocd2(&Ks, n, n);
  zerod2(Ks, n, n);
  SurfSpringSamples(c, host, type, elem, spring, nNodes, mesh,
                    [&](int, const double* N, double wA, const double* b, int) {
                      AddOuter(n, wA * dotd1(N, kf, nf), b, Ks);
                    });
  addd2(K, Ks, n, n);
  PrintSurfSpringMats(OutputControl, flag, type, elem, n, Ks, K, "Surface spring stiffness matrix (%s):\n",
                      "\nStiffness matrix Kg with surface spring stiffness (%s):\n", 0);
  freed2(Ks);
}

}  // namespace

// ---- line spring hosts -------------------------------------------------------------------------

void CalcStiffLineSpringSolidHexa(int elem, int spring, int nNodes, const MeshData* mesh, double** K) {
  LineSpringOnHost(kLineSolid, _SOLID_HEXA, elem, spring, nNodes, 0, nullptr, mesh, K);
}
void CalcStiffLineSpringAhmadShellQuad(int elem, int spring, int nNodes, const LineSpringHostData& h,
                                       const MeshData* mesh, double** K) {
  LineSpringOnHost(kLineAhmad, _AHMAD_SHELL_QUAD, elem, spring, nNodes, 0, &h, mesh, K);
}
void CalcStiffLineSpringMindlinShellQuad(int elem, int spring, int nNodes, const LineSpringHostData& h,
                                         const MeshData* mesh, double** K) {
  LineSpringOnHost(kLineMindlinShell, _MINDLIN_SHELL_QUAD, elem, spring, nNodes, 0, &h, mesh, K);
}
void CalcStiffLineSpringMindlinSlabQuad(int elem, int spring, int nNodes, const MeshData* mesh, double** K) {
  LineSpringOnHost(kLineSlab, _MINDLIN_SLAB_QUAD, elem, spring, nNodes, 0, nullptr, mesh, K);
}
void CalcStiffLineSpringPlaneStressQuad(int elem, int spring, int nNodes, const MeshData* mesh, double** K) {
  LineSpringOnHost(kLinePlane, _PLANE_STRESS_QUAD, elem, spring, nNodes, 0, nullptr, mesh, K);
}
void CalcStiffLineSpringPlaneStrainQuad(int elem, int spring, int nNodes, const MeshData* mesh, double** K) {
  LineSpringOnHost(kLinePlane, _PLANE_STRAIN_QUAD, elem, spring, nNodes, 0, nullptr, mesh, K);
}
void CalcStiffLineSpringTimoshenkoBeam3D(int elem, int spring, int nNodes, int property, const MeshData* mesh,
                                         double** K) {
  LineSpringOnHost(kLineBeam, _TIMOSHENKO_BEAM_3D, elem, spring, nNodes, property, nullptr, mesh, K);
}

// ---- surface spring hosts ----------------------------------------------------------------------

void CalcStiffSurfSpringSolidHexa(int elem, int spring, int nNodes, const char* OutputControl, const MeshData* mesh,
                                  double** K) {
  SurfSpringOnHost(kSurfSolid, _SOLID_HEXA, OC_PRINT_MAT_KG_SURF_SPRING_SOLID_HEXA, elem, spring, nNodes,
                   OutputControl, mesh, K);
}
void CalcStiffSurfSpringAhmadShellQuad(int elem, int spring, int nNodes, const char* OutputControl,
                                       const MeshData* mesh, double** K) {
  SurfSpringOnHost(kSurfShell, _AHMAD_SHELL_QUAD, OC_PRINT_MAT_KG_SURF_SPRING_AHMAD_SHELL_QUAD, elem, spring, nNodes,
                   OutputControl, mesh, K);
}
void CalcStiffSurfSpringMindlinShellQuad(int elem, int spring, int nNodes, const char* OutputControl,
                                         const MeshData* mesh, double** K) {
  SurfSpringOnHost(kSurfShell, _MINDLIN_SHELL_QUAD, OC_PRINT_MAT_KG_SURF_SPRING_MINDLIN_SHELL_QUAD, elem, spring,
                   nNodes, OutputControl, mesh, K);
}
void CalcStiffSurfSpringMindlinSlabQuad(int elem, int spring, int nNodes, const char* OutputControl,
                                        const MeshData* mesh, double** K) {
  SurfSpringOnHost(kSurfSlab, _MINDLIN_SLAB_QUAD, OC_PRINT_MAT_KG_SURF_SPRING_MINDLIN_SLAB_QUAD, elem, spring, nNodes,
                   OutputControl, mesh, K);
}
void CalcStiffSurfSpringPlaneStressQuad(int elem, int spring, int nNodes, const char* OutputControl,
                                        const MeshData* mesh, double** K) {
  SurfSpringOnHost(kSurfPlane, _PLANE_STRESS_QUAD, OC_PRINT_MAT_KG_SURF_SPRING_PLANE_STRESS_QUAD, elem, spring,
                   nNodes, OutputControl, mesh, K);
}
void CalcStiffSurfSpringPlaneStrainQuad(int elem, int spring, int nNodes, const char* OutputControl,
                                        const MeshData* mesh, double** K) {
  SurfSpringOnHost(kSurfPlane, _PLANE_STRAIN_QUAD, OC_PRINT_MAT_KG_SURF_SPRING_PLANE_STRAIN_QUAD, elem, spring,
                   nNodes, OutputControl, mesh, K);
}

// ---- nonlinear line and surface springs ---------------------------------------------------------

namespace {

const char* const kNLLineStiffTitle =
    "Calculating the nonlinear material line spring contribution\nto the global stiffness matrix:";
const char* const kNLSurfStiffTitle =
    "Calculating the nonlinear material surface spring contribution\nto the global stiffness matrix:";
const char* const kNLLineForceTitle =
    "Calculating the nonlinear material line spring internal equivalent\n nodal forces contribution to the global "
    "internal forces vector:";
const char* const kNLSurfForceTitle =
    "Calculating the nonlinear material surface spring internal equivalent\n nodal forces contribution to the "
    "global internal forces vector:";

// Directions a nonlinear line spring takes on its host (the linear checks first where
// they apply).
void CheckLineDirection_NL(const HostContext& c, LineHostKind host, const LineSpring& r, const MeshData* mesh,
                           bool tangent) {
  const char kind = r.Char1;
  const int index = r.Int7;
  switch (host) {
    case kLineSolid: CheckLineDirection(c, host, r, mesh); return;
    case kLineAhmad:
    case kLineMindlinShell:
      if (r.Char3 != 1) {
        PrintContext(c);
        std::fprintf(stderr, "   -> Specified type of degree of freedom: %s\n",
                     kDofKeywords[r.Char3 == 2 ? 2 : 1]);
        errexit("For nonlinear material line spring the \nspecified type of degree o freedom must be: _TRANS "
                "(Translational).",
                0);
      }
      if (kind != 'E' || index != 2)
        RefuseDirection(c, mesh, kind, index, r.Char3, false,
                        host == kLineAhmad && tangent
                            ? kDirDofMsg
                            : "The specified type of direction must be normal\nto the edge and normal to the face.");
      return;
    case kLinePlane:
      CheckLineDirection(c, host, r, mesh);
      // Of the directions the plane host takes, the law is carried only along "_NT".
      if (kind != 'E' || index != 3) {
        PrintContext(c);
        std::fprintf(stderr, "   -> Specified type of direction: %s\n", DirectionKeyword(mesh, true, kind, index));
        std::fprintf(stderr, "   -> Material type: %s\n", kSpringMaterialKindKeywords[r.SpringMaterialKind]);
        errexit("The specified type of direction is\nincompatible with the element type and material type.", 0);
      }
      return;
    default: InternalError(__FILE__, __LINE__);
  }
}

void CheckSurfDirection_NL(const HostContext& c, SurfHostKind host, const SurfSpring& r, const MeshData* mesh) {
  const char kind = r.Char1;
  const int index = r.Int6;
  switch (host) {
    case kSurfSolid:
      if (kind == 'E' && index == 3) return;
      PrintContext(c);
      std::fprintf(stderr, "   -> Specified type of direction: %s\n   -> Face Number: %d\n",
                   DirectionKeyword(mesh, false, kind, index), r.Int5);
      errexit("The specified type of direction must be normal\nto the midle surface of the solid face.", 0);
    case kSurfShell:
      if (kind == 'E' && index == 3) return;
      RefuseDirection(c, mesh, kind, index, 0, false,
                      "The specified type of direction must be normal\nto the midle surface of the shell.");
    case kSurfPlane:
      if (kind == 'E' && (index == 1 || index == 2)) return;
      RefuseDirection(c, mesh, kind, index, 0, false, kDirMsg);
    default: InternalError(__FILE__, __LINE__);
  }
}

// The law of a nonlinear line or surface spring at its sampling points: the tangent
// (call.fe null) or the internal forces.
struct BedLaw {
  const NonlinearSpringCall& call;
  int kind;
  const MaterialRecord& m;
  double s;
  // Sampling point with record rec: Ke += kt w L b b^T, or fe += sigma(b . ue) w L b.
  void At(NLSMM_HDRecord& rec, double factor, const double* b, int n, double** K) const {
    if (call.fe == nullptr) {
      AddOuter(n, factor * SpringLawTangent(kind, m, s, rec), b, K);
      return;
    }
    const double sigma = SpringLawForce(kind, m, s, dotd1(b, call.ue, n), rec);
    for (int i = 1; i <= n; i++) call.fe[i] += sigma * factor * b[i];
  }
};

}  // namespace

NLSMM_HDRecord& LineSpringRecord(const SpringHistory* hist, const MeshData* mesh, int spring, int j) {
  const SpringIndex_HD* x = hist->index;
  const int i = x->LineToHD[spring];
  if (i < 1 || j < 1 || j > x->LineSlots[i]) InternalError(__FILE__, __LINE__);
  return SpringHistoryRecord(hist, mesh->LineSprings[spring].SpringMaterialKind, x->LineRecord[i][j]);
}

NLSMM_HDRecord& SurfSpringRecord(const SpringHistory* hist, const MeshData* mesh, int spring, int j) {
  const SpringIndex_HD* x = hist->index;
  const int i = x->SurfToHD[spring];
  if (i < 1 || j < 1 || j > x->SurfSlots[i]) InternalError(__FILE__, __LINE__);
  return SpringHistoryRecord(hist, mesh->SurfSprings[spring].SpringMaterialKind, x->SurfRecord[i][j]);
}

void LineSpringOnHost_NL(int elem, int spring, int nNodes, int type, const MeshData* mesh,
                         const NonlinearSpringCall& call) {
  const bool tangent = call.fe == nullptr;
  const HostContext c{true, spring, elem, type, tangent ? kNLLineStiffTitle : kNLLineForceTitle};
  LineHostKind host;
  switch (type) {
    case _SOLID_HEXA: host = kLineSolid; break;
    case _AHMAD_SHELL_QUAD: host = kLineAhmad; break;
    case _MINDLIN_SHELL_QUAD: host = kLineMindlinShell; break;
    case _PLANE_STRESS_QUAD: host = kLinePlane; break;
    default: InternalError(__FILE__, __LINE__);
  }
  const LineSpring& r = mesh->LineSprings[spring];
  CheckLineDirection_NL(c, host, r, mesh, tangent);
  const int kind = r.SpringMaterialKind;
  if (r.nMaterials < 1 || SpringKindIsLinear(kind)) InternalError(__FILE__, __LINE__);
  const MaterialRecord& m = mesh->SpringMaterials[kind][r.Material[1]];
  const BedLaw law{call, kind, m, SpringOrientationFactor(kind, m, r.Char2, kSpringBed)};
  LineSpringSamples(c, host, type, elem, spring, nNodes, 0, nullptr, mesh,
                    [&](int j, const double*, double wL, const double* b, int n) {
                      law.At(LineSpringRecord(call.hist, mesh, spring, j), wL, b, n, call.K);
                    });
}

void SurfSpringOnHost_NL(int elem, int spring, int nNodes, int type, const MeshData* mesh,
                         const NonlinearSpringCall& call) {
  const bool tangent = call.fe == nullptr;
  const HostContext c{false, spring, elem, type, tangent ? kNLSurfStiffTitle : kNLSurfForceTitle};
  SurfHostKind host;
  int flag;
  switch (type) {
    case _SOLID_HEXA:
      host = kSurfSolid;
      flag = OC_PRINT_MAT_KG_SURF_SPRING_SOLID_HEXA;
      break;
    case _AHMAD_SHELL_QUAD:
      host = kSurfShell;
      flag = OC_PRINT_MAT_KG_SURF_SPRING_AHMAD_SHELL_QUAD;
      break;
    case _MINDLIN_SHELL_QUAD:
      host = kSurfShell;
      flag = OC_PRINT_MAT_KG_SURF_SPRING_MINDLIN_SHELL_QUAD;
      break;
    case _PLANE_STRESS_QUAD:
      host = kSurfPlane;
      flag = OC_PRINT_MAT_KG_SURF_SPRING_PLANE_STRESS_QUAD;
      break;
    default: InternalError(__FILE__, __LINE__);
  }
  const SurfSpring& r = mesh->SurfSprings[spring];
  CheckSurfDirection_NL(c, host, r, mesh);
  const int kind = r.SpringMaterialKind;
  if (r.nMaterials < 1 || SpringKindIsLinear(kind)) InternalError(__FILE__, __LINE__);
  const MaterialRecord& m = mesh->SpringMaterials[kind][r.Material[1]];
  const BedLaw law{call, kind, m, SpringOrientationFactor(kind, m, r.Char2, kSpringBed)};
  const int n = GetElementTypeInfo(type).dofsPerNode * nNodes;
  double** Ks = nullptr;
  if (tangent) {
    allocd2(&Ks, n, n);
    zerod2(Ks, n, n);
  }
  SurfSpringSamples(c, host, type, elem, spring, nNodes, mesh,
                    [&](int k, const double*, double wA, const double* b, int nb) {
                      law.At(SurfSpringRecord(call.hist, mesh, spring, k), wA, b, nb, Ks);
                    });
  if (!tangent) return;
  addd2(call.K, Ks, n, n);
  const bool mindlin = type == _MINDLIN_SHELL_QUAD;
  PrintSurfSpringMats(call.OutputControl, flag, type, elem, n, Ks, call.K,
                      mindlin ? "Nonlinear surface spring stiffness matrix (%s):\n"
                              : "Surface spring stiffness matrix (%s):\n",
                      mindlin ? "\nStiffness matrix Kg with nonlinear surface spring stiffness matrix (%s):\n"
                              : "\nStiffness matrix Kg with surface spring stiffness (%s):\n",
                      host == kSurfSolid ? r.Int5 : 0);
  freed2(Ks);
}
