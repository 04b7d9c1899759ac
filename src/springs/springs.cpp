// Springs on their host elements: the set-up (hosts, flags, per-element lists and the
// checks of the spring records), the shared direction, dof-position and coplanar-point
// rules, point springs, internal point spring links and the per-element dispatch.
#include "springs/springs.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "elements/kernel.h"
#include "history/history.h"
#include "materials/material_table.h"
#include "materials/spring_laws.h"
#include "model/mesh.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

constexpr double kSpringZero = 1e-8;

int DofsOfMask(const char* dofMask) {
  int nd = 0;
  for (int d = 1; d <= 6; d++)
    if (dofMask[d] != '0') nd++;
  return nd;
}

const char* const kDrillMessage =
    "When a rotational spring is applied to a coplanar point,\nthe drill component must be null.\n"
    "(Note: the drill degree of freedom is a rotation whose vector\nis normal to the coplanar elements.)\n"
    "When such a spring needs to be applied to a coplanar point,\nan embedded frame beam must be added to convert "
    "the coplanar\npoint into a kink point.";

[[noreturn]] void StopSpringRecord(const char* block, const char* counterLine, int record, const char* fmt, ...) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nVerifying the %s block\n", block);
  std::fprintf(stderr, counterLine, record);
  char msg[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(msg, sizeof msg, fmt, ap);
  va_end(ap);
  errexit(msg, 0);
}

// Spring laws act through the nonlinear assembly and residual only: a linear run would
// leave their springs out of the model.
void CheckSpringLaws(const MeshData* mesh) {
  CheckSpringMaterials(mesh);
  if (mesh->Main.MaterNonlinear != 0) return;
  const char* const message = "Springs of nonlinear spring materials need a materially nonlinear analysis.";
  for (int s = 1; s <= mesh->nSpringLinks; s++)
    if (!SpringKindIsLinear(mesh->SpringLinks[s].SpringMaterialKind))
      DataFault(nullptr, "<INTERNAL_POINT_SPRING_LINKS>", s, "%s", message);
  for (int s = 1; s <= mesh->nPointSprings; s++)
    if (!SpringKindIsLinear(mesh->PointSprings[s].SpringMaterialKind))
      DataFault(nullptr, "<POINT_SPRINGS>", s, "%s", message);
  for (int s = 1; s <= mesh->nLineSprings; s++)
    if (!SpringKindIsLinear(mesh->LineSprings[s].SpringMaterialKind))
      DataFault(nullptr, "<LINE_SPRINGS>", s, "%s", message);
  for (int s = 1; s <= mesh->nSurfSprings; s++)
    if (!SpringKindIsLinear(mesh->SurfSprings[s].SpringMaterialKind))
      DataFault(nullptr, "<SURFACE_SPRINGS>", s, "%s", message);
}

int HostType(const MeshData* mesh, const int* ElemPropIndex, int e) {
  const int prop = ElemPropIndex[e];
  if (prop == 0) InternalError(__FILE__, __LINE__);
  return mesh->ElemProps[prop].ElementType;
}

// Point search shared by point springs and links.
int SearchHost(int point, char dirKind, int dirNumber, int dofType, const MeshData* mesh, const int* ElemPropIndex,
               const PointList* adjacency) {
  double d[4];
  SpringDirection(mesh, dirKind, dirNumber, d);
  char need[7] = {' ', '0', '0', '0', '0', '0', '0'};
  const int offset = dofType == 2 ? 3 : 0;
  for (int i = 1; i <= 3; i++)
    if (std::fabs(d[i]) > kSpringZero) need[offset + i] = '1';
  const PointList& adj = adjacency[point];
  for (int k = 1; k <= adj.count; k++) {
    const int e = adj.items[k].element;
    const char* mask = GetElementTypeInfo(HostType(mesh, ElemPropIndex, e)).dofMask;
    bool ok = true;
    for (int i = 1; i <= 6; i++)
      if (mask[i] < need[i]) ok = false;
    if (ok) return e;
  }
  return 0;
}

// Builds a compressed list from (element, spring) pairs given by `each`.
template <class Each>
void BuildList(int nKeys, int nSprings, ElementSpringList* list, Each each) {
  alloci1(&list->first, nKeys + 1);
  zeroi1(list->first, nKeys + 1);
  int total = 0;
  for (int s = 1; s <= nSprings; s++)
    each(s, [&](int key) {
      list->first[key]++;
      total++;
    });
  // Counts to starts.
  int start = 1;
  for (int k = 1; k <= nKeys + 1; k++) {
    const int c = list->first[k];
    list->first[k] = start;
    start += c;
  }
  alloci1(&list->items, total > 0 ? total : 1);
  int* next;
  alloci1(&next, nKeys + 1);
  for (int k = 1; k <= nKeys + 1; k++) next[k] = list->first[k];
  for (int s = 1; s <= nSprings; s++) each(s, [&](int key) { list->items[next[key]++] = s; });
  freei1(next);
}

void FreeList(ElementSpringList* list) {
  if (list->first != nullptr) freei1(list->first);
  if (list->items != nullptr) freei1(list->items);
  list->first = list->items = nullptr;
}

// Field checks of line and surface spring records that the host routines rely on.
void CheckIntegrationFields(const MeshData* mesh, const char* block, const char* counter, int r, int type,
                            int pattern, int nDirs) {
  if (type != kIntGLEG && type != kIntGLOB && type != kIntNCOTES && type != 0)
    StopSpringRecord(block, counter, r, "Invalid integration type code: %d (valid: 1 _GLEG or 2 _GLOB).", type);
  if (pattern < 0 || pattern > mesh->nIntegrations)
    StopSpringRecord(block, counter, r, "Invalid integration pattern number: %d (valid: 0 to %d).", pattern,
                     mesh->nIntegrations);
  int counts[3] = {0, 3, 3};
  if (pattern > 0) {
    counts[1] = Integ_G_S1(mesh->Integrations[pattern]);
    counts[2] = Integ_G_S2(mesh->Integrations[pattern]);
  }
  // Rules without a row of the table (Newton-Cotes, one Gauss-Lobatto point, no type,
  // more than 10 points) are refused like a missing count.
  for (int k = 1; k <= nDirs; k++) {
    const int c = counts[k];
    if (c < 1 || c > 10 || type == 0 || type == kIntNCOTES || (type == kIntGLOB && c < 2)) {
      std::fflush(stdout);
      std::fprintf(stderr, "\nVerifying the %s block\n", block);
      std::fprintf(stderr, counter, r);
      std::fprintf(stderr, "   -> Specified integration name: %s\n",
                   pattern > 0 ? mesh->Integrations[pattern].Name : "_DEFAULT");
      errexit(nDirs == 1 ? "Integration pattern is incomplete.\nThe parameter _G_S1_k is missing."
                         : "Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing.",
              0);
    }
  }
}

void CheckDirectionFields(const MeshData* mesh, const char* block, const char* counter, int r, char kind, int index,
                          bool beam) {
  switch (kind) {
    case 'G':
    case 'E':
      if (index < 1 || index > 3)
        StopSpringRecord(block, counter, r, "Invalid direction index: %d (valid: 1 to 3).", index);
      return;
    case 'B':
      if (!beam) break;
      if (index < 1 || index > 3)
        StopSpringRecord(block, counter, r, "Invalid direction index: %d (valid: 1 to 3).", index);
      return;
    case 'S':
      if (index < 1 || index > mesh->nAuxVectors)
        StopSpringRecord(block, counter, r, "Invalid auxiliary vector number: %d (valid: 1 to %d).", index,
                         mesh->nAuxVectors);
      return;
    default:
      break;
  }
  StopSpringRecord(block, counter, r, "Invalid direction type: character code %d (valid: %s).",
                   static_cast<unsigned char>(kind), beam ? "B, E, G or S" : "E, G or S");
}

void CheckMaterialCount(const char* block, const char* counter, int r, int m, int nodes, const char* what) {
  if (m != 1 && m != nodes)
    StopSpringRecord(block, counter, r, "Invalid n. of spring materials: %d (valid: 1 or %d, the n. of nodes of the %s).",
                     m, nodes, what);
}

int CheckHost(const MeshData* mesh, const int* ElemPropIndex, const char* block, const char* counter, int r, int e) {
  if (e < 1 || e > mesh->nElements || ElemPropIndex[e] == 0)
    StopSpringRecord(block, counter, r, "Host element %d has no element property in this phase.", e);
  return HostType(mesh, ElemPropIndex, e);
}

// Spring laws on lines and surfaces: the plane stress quadrilateral, the shells and the
// hexahedron only.
void CheckNonlinearHost(bool line, int r, int elem, int type) {
  if (type == _PLANE_STRESS_QUAD || type == _MINDLIN_SHELL_QUAD || type == _AHMAD_SHELL_QUAD || type == _SOLID_HEXA)
    return;
  std::fflush(stdout);
  std::fprintf(stderr,
               "\nCalculating the nonlinear material %s spring contribution\nto the global stiffness matrix:\n"
               "   -> Block name: %s\n   -> Counter: %d\n   -> Element: %d\n",
               line ? "line" : "surface", line ? "<LINE_SPRINGS>" : "<SURFACE_SPRINGS>", r, elem);
  errexit(line ? "Nonlinear material line springs cannot be applied to this element type."
               : "Nonlinear material surface springs cannot be applied to this element type.",
          0);
}

void CheckLineSpring(const MeshData* mesh, const int* ElemPropIndex, int r) {
  const char* block = "<LINE_SPRINGS>";
  const char* counter = "   -> Line spring counter: %d\n";
  const LineSpring& s = mesh->LineSprings[r];
  const int type = CheckHost(mesh, ElemPropIndex, block, counter, r, s.Element);
  const int nNodes = mesh->ElemNodeCount[s.Element];
  const int ne = LineSpringEdgeNodes(type, nNodes);
  if (ne == 0)
    StopSpringRecord(block, counter, r, "Line spring cannot be applied to this element type.\n(Element %d: %s)",
                     s.Element, GetElementTypeInfo(type).keyword);
  if (type == _SOLID_HEXA) {
    if (s.Int5 < 1 || s.Int5 > 6) StopSpringRecord(block, counter, r, "Invalid face number: %d (valid: 1 to 6).", s.Int5);
    if (s.Int6 < 1 || s.Int6 > 12)
      StopSpringRecord(block, counter, r, "Invalid edge number: %d (valid: 1 to 12).", s.Int6);
    double s1, s2;
    int face[9];
    if (!CalcNodeFaceEdgeSolidHexa(s.Int6, s.Int5, nNodes, &s1, &s2, face))
      StopSpringRecord(block, counter, r, "The specified face does not contain the specified edge.\n(Face %d, edge %d)",
                       s.Int5, s.Int6);
  } else if (type != _TIMOSHENKO_BEAM_3D) {
    if (s.Int6 < 1 || s.Int6 > 4) StopSpringRecord(block, counter, r, "Invalid edge number: %d (valid: 1 to 4).", s.Int6);
  }
  if (!SpringKindIsLinear(s.SpringMaterialKind)) CheckNonlinearHost(true, r, s.Element, type);
  CheckDirectionFields(mesh, block, counter, r, s.Char1, s.Int7, true);
  if (s.Char3 != 1 && s.Char3 != 2)
    StopSpringRecord(block, counter, r, "Invalid degree-of-freedom type: %d (valid: 1 _TRANS or 2 _ROT).", s.Char3);
  CheckIntegrationFields(mesh, block, counter, r, s.Code1, s.Code2, 1);
  CheckMaterialCount(block, counter, r, s.nMaterials, ne, "edge");
}

void CheckSurfSpring(const MeshData* mesh, const int* ElemPropIndex, int r) {
  const char* block = "<SURFACE_SPRINGS>";
  const char* counter = "   -> Surface spring counter: %d\n";
  const SurfSpring& s = mesh->SurfSprings[r];
  const int type = CheckHost(mesh, ElemPropIndex, block, counter, r, s.Element);
  const int nf = SurfSpringFaceNodes(type, mesh->ElemNodeCount[s.Element]);
  if (nf == 0)
    StopSpringRecord(block, counter, r, "Surface spring cannot be applied to this element type.\n(Element %d: %s)",
                     s.Element, GetElementTypeInfo(type).keyword);
  if (type == _SOLID_HEXA && (s.Int5 < 1 || s.Int5 > 6))
    StopSpringRecord(block, counter, r, "Invalid face number: %d (valid: 1 to 6).", s.Int5);
  if (!SpringKindIsLinear(s.SpringMaterialKind)) CheckNonlinearHost(false, r, s.Element, type);
  CheckDirectionFields(mesh, block, counter, r, s.Char1, s.Int6, false);
  CheckIntegrationFields(mesh, block, counter, r, s.Code1, s.Code2, 2);
  CheckMaterialCount(block, counter, r, s.nMaterials, nf, "face");
}

// Spring direction turned into the frame in which the point's dofs of this dof type are
// carried: coplanar shell points carry their rotations without a drill component.
void SpringPointVector(int point, int dofType, const double* d, const MeshData* mesh, const int* ElemPropIndex,
                       const char* PointTypes, const PointList* adjacency, double* v) {
  copyd1(v, d, 3);
  const char t = PointTypes[point];
  if (t == 'G') return;
  if (t != 'M' && t != 'A') InternalError(__FILE__, __LINE__);
  if (dofType == 1) return;
  if (dofType != 2) InternalError(__FILE__, __LINE__);
  double** T;
  allocd2(&T, 3, 3);
  CalcMat_T_GCStoCCS_Point(point, nullptr, ElemPropIndex, mesh->ElemNodeCount, mesh->ElemNodes, T, mesh->PointCoord,
                           adjacency, mesh->ElemProps);
  multd2d1(v, T, d, 3, 3);
  freed2(T);
}

// Drill check of a coplanar point's rotational block k v v^T.
void CheckDrill(double k, const double* v, int point, const char* context, int counter) {
  if (std::fabs(k * v[3] * v[3]) <= kSpringZero) return;
  std::fflush(stdout);
  std::fprintf(stderr, context, counter);
  std::fprintf(stderr, "   -> Point number: %d\n", point);
  errexit(kDrillMessage, 0);
}

// f(o, m) at every node of the element whose point is `point`: o the node's offset in the
// element's dof order, m the positions of the spring's three components in its block.
template <class F>
void ForPointNodes(int elem, int nNodes, const char* dofMask, int dofType, int point, const MeshData* mesh, F f) {
  int m[4];
  SpringDofPositions(dofType, dofMask, m);
  const int nd = DofsOfMask(dofMask);
  for (int j = 1; j <= nNodes; j++)
    if (mesh->ElemNodes[elem][j] == point) f((j - 1) * nd, m);
}

// Adds k v v^T at every node of the element whose point is `point`.
void ScatterPointBlock(int elem, int nNodes, const char* dofMask, int dofType, int point, double k, const double* v,
                       const MeshData* mesh, double** K) {
  ForPointNodes(elem, nNodes, dofMask, dofType, point, mesh, [&](int o, const int* m) {
    for (int a = 1; a <= 3; a++)
      for (int b = 1; b <= 3; b++)
        if (m[a] != 0 && m[b] != 0) K[o + m[a]][o + m[b]] += k * v[a] * v[b];
  });
}

const char* const kPointSpringContext =
    "\nCalculating the point spring contribution\nto the global stiffness matrix:\n"
    "   -> Block name: <POINT_SPRINGS>\n   -> Point spring counter: %d\n";
const char* const kLinkContext =
    "\nCalculating the internal point spring link contribution\nto the global stiffness matrix:\n"
    "   -> Block name: <INTERNAL_POINT_SPRINGS_LINKS>\n   -> Internal point spring link counter: %d\n";

double LinkStiffness(const MeshData* mesh, const IntPointSpringLink& l) {
  return LinearSpringStiffness(mesh->SpringMaterials[l.SpringMaterialKind][l.SpringMaterial]);
}

// The reference point's host must not touch the target point.
void CheckLinkElements(int link, const MeshData* mesh, const SpringTables* t, const PointList* adjacency) {
  const IntPointSpringLink& l = mesh->SpringLinks[link];
  const PointList& adj = adjacency[l.TargetPoint];
  for (int k = 1; k <= adj.count; k++)
    if (adj.items[k].element == t->linkRefHost[link]) {
      std::fflush(stdout);
      std::fprintf(stderr,
                   "\nVerifying the <INTERNAL_POINT_SPRINGS_LINKS> block\n"
                   "   -> Internal point spring link counter: %d\n",
                   link);
      errexit("The target and reference point cannot belong to the same element", 0);
    }
}

NLSMM_HDRecord& PointSpringRecord(const SpringHistory* hist, const MeshData* mesh, int spring) {
  const int i = hist->index->PointToHD[spring];
  if (i == 0) InternalError(__FILE__, __LINE__);
  return SpringHistoryRecord(hist, mesh->PointSprings[spring].SpringMaterialKind, hist->index->PointRecord[i]);
}

NLSMM_HDRecord& LinkRecord(const SpringHistory* hist, const MeshData* mesh, int link) {
  const int i = hist->index->LinkToHD[link];
  if (i == 0) InternalError(__FILE__, __LINE__);
  return SpringHistoryRecord(hist, mesh->SpringLinks[link].SpringMaterialKind, hist->index->LinkRecord[i]);
}

const MaterialRecord& SpringMaterialOf(const MeshData* mesh, int kind, int number) {
  if (kind < 1 || kind > kSpringMaterialKinds || number < 1 || number > mesh->nSpringMaterials[kind])
    InternalError(__FILE__, __LINE__);
  return mesh->SpringMaterials[kind][number];
}

// Tangent of a nonlinear link from its record.
double LinkTangent(int link, const MeshData* mesh, const SpringHistory* hist) {
  const IntPointSpringLink& l = mesh->SpringLinks[link];
  const MaterialRecord& m = SpringMaterialOf(mesh, l.SpringMaterialKind, l.SpringMaterial);
  const double s = SpringOrientationFactor(l.SpringMaterialKind, m, 0, kSpringLink);
  return SpringLawTangent(l.SpringMaterialKind, m, s, LinkRecord(hist, mesh, link));
}

}  // namespace

// ---- shared rules ---------------------------------------------------------------------------

void SpringDirection(const MeshData* mesh, char kind, int number, double* d) {
  switch (kind) {
    case 'G':
      if (number < 1 || number > 3) InternalError(__FILE__, __LINE__);
      for (int i = 1; i <= 3; i++) d[i] = i == number ? 1.0 : 0.0;
      return;
    case 'S':
      if (number < 1 || number > mesh->nAuxVectors) InternalError(__FILE__, __LINE__);
      copyd1(d, mesh->AuxVectors[number].v, 3);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void SpringDofPositions(int dofType, const char* dofMask, int* m) {
  int first;
  switch (dofType) {
    case 1: first = 1; break;
    case 2: first = 4; break;
    default: InternalError(__FILE__, __LINE__);
  }
  int pos = 0;
  for (int d = 1; d <= 6; d++) {
    const bool present = dofMask[d] != '0';
    if (present) pos++;
    if (d >= first && d < first + 3) m[d - first + 1] = present ? pos : 0;
  }
}

int LineSpringEdgeNodes(int type, int nNodes) {
  switch (type) {
    case _SOLID_HEXA: return nNodes == 8 ? 2 : nNodes == 20 ? 3 : 0;
    case _AHMAD_SHELL_QUAD:
    case _MINDLIN_SHELL_QUAD:
    case _MINDLIN_SLAB_QUAD:
    case _PLANE_STRESS_QUAD:
    case _PLANE_STRAIN_QUAD: return nNodes == 4 ? 2 : (nNodes == 8 || nNodes == 9) ? 3 : 0;
    case _TIMOSHENKO_BEAM_3D: return nNodes == 2 || nNodes == 3 ? nNodes : 0;
    default: return 0;
  }
}

int SurfSpringFaceNodes(int type, int nNodes) {
  switch (type) {
    case _SOLID_HEXA: return nNodes == 8 ? 4 : nNodes == 20 ? 8 : 0;
    case _AHMAD_SHELL_QUAD:
    case _MINDLIN_SHELL_QUAD:
    case _MINDLIN_SLAB_QUAD:
    case _PLANE_STRESS_QUAD:
    case _PLANE_STRAIN_QUAD: return nNodes == 4 || nNodes == 8 || nNodes == 9 ? nNodes : 0;
    default: return 0;
  }
}

// ---- set-up -----------------------------------------------------------------------------------

int SearchPointSpringAdjElement(int spring, const MeshData* mesh, const int* ElemPropIndex,
                                const PointList* PointElemAdjacency) {
  const PointSpring& s = mesh->PointSprings[spring];
  const int e = SearchHost(s.Point, s.DirKind, s.Direction, s.DofType, mesh, ElemPropIndex, PointElemAdjacency);
  if (e != 0) return e;
  std::fflush(stdout);
  std::fprintf(stderr, "\nVerifying the <POINT_SPRINGS> block\n   -> Point spring counter: %d\n   -> Point: %d\n",
               spring, s.Point);
  errexit("Unable to find an adjacent element compatible with the point spring.", 0);
}

int SearchIntPointSpringLinkAdjElement(int link, int point, const MeshData* mesh, const int* ElemPropIndex,
                                       const PointList* PointElemAdjacency) {
  const IntPointSpringLink& s = mesh->SpringLinks[link];
  const int e = SearchHost(point, s.DirKind, s.Direction, s.DofType, mesh, ElemPropIndex, PointElemAdjacency);
  if (e != 0) return e;
  std::fflush(stdout);
  std::fprintf(stderr,
               "\nVerifying the <INTERNAL_POINT_SPRINGS_LINKS> block\n   -> Internal point spring link counter: %d\n"
               "   -> Point: %d\n",
               link, point);
  errexit("Unable to find an adjacent element compatible with the point spring.", 0);
}

void CalcSpringAdjElements(int nElements, const MeshData* mesh, const int* ElemPropIndex, char* ElemHasPointSpring,
                           char* ElemHasLineSpring, char* ElemHasSurfSpring, char* ElemHasSpringLink,
                           const PointList* PointElemAdjacency, SpringTables* t) {
  *t = SpringTables{};
  t->nElements = nElements;
  t->nPoints = mesh->nPoints;
  zeroc1(ElemHasPointSpring, nElements);
  zeroc1(ElemHasLineSpring, nElements);
  zeroc1(ElemHasSurfSpring, nElements);
  zeroc1(ElemHasSpringLink, nElements);
  CheckSpringLaws(mesh);
  const int nPS = mesh->nPointSprings, nL = mesh->nSpringLinks;
  alloci1(&t->pointHost, nPS > 0 ? nPS : 1);
  alloci1(&t->linkTargetHost, nL > 0 ? nL : 1);
  alloci1(&t->linkRefHost, nL > 0 ? nL : 1);
  alloci1(&t->linkCouplingElem, nL > 0 ? nL : 1);
  for (int s = 1; s <= nPS; s++) {
    t->pointHost[s] = SearchPointSpringAdjElement(s, mesh, ElemPropIndex, PointElemAdjacency);
    ElemHasPointSpring[t->pointHost[s]] = 1;
  }
  for (int s = 1; s <= mesh->nLineSprings; s++) {
    CheckLineSpring(mesh, ElemPropIndex, s);
    ElemHasLineSpring[mesh->LineSprings[s].Element] = 1;
  }
  for (int s = 1; s <= mesh->nSurfSprings; s++) {
    CheckSurfSpring(mesh, ElemPropIndex, s);
    ElemHasSurfSpring[mesh->SurfSprings[s].Element] = 1;
  }
  for (int s = 1; s <= nL; s++) {
    const IntPointSpringLink& l = mesh->SpringLinks[s];
    t->linkTargetHost[s] = SearchIntPointSpringLinkAdjElement(s, l.TargetPoint, mesh, ElemPropIndex, PointElemAdjacency);
    ElemHasSpringLink[t->linkTargetHost[s]] = 1;
    t->linkRefHost[s] = SearchIntPointSpringLinkAdjElement(s, l.RefPoint, mesh, ElemPropIndex, PointElemAdjacency);
    ElemHasSpringLink[t->linkRefHost[s]] = 1;
    CheckLinkElements(s, mesh, t, PointElemAdjacency);
    t->linkCouplingElem[s] = t->linkTargetHost[s] > t->linkRefHost[s] ? t->linkTargetHost[s] : t->linkRefHost[s];
  }
  BuildList(nElements, nPS, &t->point, [&](int s, auto add) { add(t->pointHost[s]); });
  BuildList(nElements, mesh->nLineSprings, &t->line, [&](int s, auto add) { add(mesh->LineSprings[s].Element); });
  BuildList(nElements, mesh->nSurfSprings, &t->surf, [&](int s, auto add) { add(mesh->SurfSprings[s].Element); });
  BuildList(nElements, nL, &t->link, [&](int s, auto add) {
    add(t->linkTargetHost[s]);
    add(t->linkRefHost[s]);
  });
  BuildList(nElements, nL, &t->coupling, [&](int s, auto add) { add(t->linkCouplingElem[s]); });
  BuildList(mesh->nPoints, nL, &t->pointLinks, [&](int s, auto add) {
    add(mesh->SpringLinks[s].TargetPoint);
    if (mesh->SpringLinks[s].RefPoint != mesh->SpringLinks[s].TargetPoint) add(mesh->SpringLinks[s].RefPoint);
  });
}

void FreeSpringTables(SpringTables* t) {
  FreeList(&t->point);
  FreeList(&t->line);
  FreeList(&t->surf);
  FreeList(&t->link);
  FreeList(&t->coupling);
  FreeList(&t->pointLinks);
  if (t->pointHost != nullptr) freei1(t->pointHost);
  if (t->linkTargetHost != nullptr) freei1(t->linkTargetHost);
  if (t->linkRefHost != nullptr) freei1(t->linkRefHost);
  if (t->linkCouplingElem != nullptr) freei1(t->linkCouplingElem);
  *t = SpringTables{};
}

// ---- point springs and links --------------------------------------------------------------------

void CalcStiffPointSpring(int elem, int nNodes, const char* dofMask, const MeshData* mesh, const int* ElemPropIndex,
                          double** K, const char* PointTypes, const PointList* PointElemAdjacency,
                          const SpringTables* t) {
  for (int i = t->point.first[elem]; i < t->point.first[elem + 1]; i++) {
    const int s = t->point.items[i];
    const PointSpring& r = mesh->PointSprings[s];
    if (!SpringKindIsLinear(r.SpringMaterialKind)) continue;
    const double k = LinearSpringStiffness(mesh->SpringMaterials[r.SpringMaterialKind][r.SpringMaterial]);
    double d[4], v[4];
    SpringDirection(mesh, r.DirKind, r.Direction, d);
    SpringPointVector(r.Point, r.DofType, d, mesh, ElemPropIndex, PointTypes, PointElemAdjacency, v);
    if (PointTypes[r.Point] != 'G' && r.DofType == 2) CheckDrill(k, v, r.Point, kPointSpringContext, s);
    ScatterPointBlock(elem, nNodes, dofMask, r.DofType, r.Point, k, v, mesh, K);
  }
}

void CalcStiffIntPointSpringLink(int elem, int nNodes, const char* dofMask, const MeshData* mesh,
                                 const int* ElemPropIndex, double** K, const char* PointTypes,
                                 const PointList* PointElemAdjacency, const SpringTables* t) {
  for (int i = t->link.first[elem]; i < t->link.first[elem + 1]; i++) {
    const int s = t->link.items[i];
    const IntPointSpringLink& l = mesh->SpringLinks[s];
    if (!SpringKindIsLinear(l.SpringMaterialKind)) continue;
    CheckLinkElements(s, mesh, t, PointElemAdjacency);
    // The element hosts the target or the reference point (never both: refused above).
    const int point = t->linkTargetHost[s] == elem ? l.TargetPoint : l.RefPoint;
    const double k = LinkStiffness(mesh, l);
    double d[4], v[4];
    SpringDirection(mesh, l.DirKind, l.Direction, d);
    SpringPointVector(point, l.DofType, d, mesh, ElemPropIndex, PointTypes, PointElemAdjacency, v);
    if (PointTypes[point] != 'G' && l.DofType == 2) CheckDrill(k, v, point, kLinkContext, s);
    ScatterPointBlock(elem, nNodes, dofMask, l.DofType, point, k, v, mesh, K);
  }
}

void CalcSpringLinkCouplingMat(int link, const MeshData* mesh, const int* ElemPropIndex, const char* PointTypes,
                               const PointList* PointElemAdjacency, const SpringHistory* hist, double** K12) {
  const IntPointSpringLink& l = mesh->SpringLinks[link];
  zerod2(K12, 12, 12);
  const bool linear = SpringKindIsLinear(l.SpringMaterialKind);
  if (!linear && hist == nullptr) return;  // a linear assembly leaves the spring laws out
  const double k = linear ? LinkStiffness(mesh, l) : LinkTangent(link, mesh, hist);
  double d[4], vt[4], vr[4];
  SpringDirection(mesh, l.DirKind, l.Direction, d);
  SpringPointVector(l.TargetPoint, l.DofType, d, mesh, ElemPropIndex, PointTypes, PointElemAdjacency, vt);
  SpringPointVector(l.RefPoint, l.DofType, d, mesh, ElemPropIndex, PointTypes, PointElemAdjacency, vr);
  const int o = l.DofType == 2 ? 3 : 0;
  for (int a = 1; a <= 3; a++)
    for (int b = 1; b <= 3; b++) {
      K12[o + a][6 + o + b] = -k * vt[a] * vr[b];
      K12[6 + o + b][o + a] = -k * vt[a] * vr[b];
    }
}

// ---- per element ----------------------------------------------------------------------------------

void CalcStiffLineSpring(int elem, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                         const int* ElemPropIndex, double** K, const char* PointTypes,
                         const PointList* PointElemAdjacency, const SpringTables* t) {
  const int type = mesh->ElemProps[property].ElementType;
  const LineSpringHostData h{OutputControl, ElemPropIndex, PointTypes, PointElemAdjacency};
  for (int i = t->line.first[elem]; i < t->line.first[elem + 1]; i++) {
    const int s = t->line.items[i];
    if (!SpringKindIsLinear(mesh->LineSprings[s].SpringMaterialKind)) continue;
    switch (type) {
      case _TIMOSHENKO_BEAM_3D: CalcStiffLineSpringTimoshenkoBeam3D(elem, s, nNodes, property, mesh, K); break;
      case _PLANE_STRESS_QUAD: CalcStiffLineSpringPlaneStressQuad(elem, s, nNodes, mesh, K); break;
      case _PLANE_STRAIN_QUAD: CalcStiffLineSpringPlaneStrainQuad(elem, s, nNodes, mesh, K); break;
      case _MINDLIN_SLAB_QUAD: CalcStiffLineSpringMindlinSlabQuad(elem, s, nNodes, mesh, K); break;
      case _MINDLIN_SHELL_QUAD: CalcStiffLineSpringMindlinShellQuad(elem, s, nNodes, h, mesh, K); break;
      case _AHMAD_SHELL_QUAD: CalcStiffLineSpringAhmadShellQuad(elem, s, nNodes, h, mesh, K); break;
      case _SOLID_HEXA: CalcStiffLineSpringSolidHexa(elem, s, nNodes, mesh, K); break;
      default:
        std::fflush(stdout);
        std::fprintf(stderr,
                     "\nCalculating the line spring contribution\nto the global stiffness matrix:\n"
                     "   -> Block name: <LINE_SPRINGS>\n   -> Counter: %d\n   -> Element: %d\n",
                     s, elem);
        errexit("Line spring cannot be applied to this element type.", 0);
    }
  }
}

void CalcStiffSurfSpring(int elem, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                         double** K, const SpringTables* t) {
  const int type = mesh->ElemProps[property].ElementType;
  for (int i = t->surf.first[elem]; i < t->surf.first[elem + 1]; i++) {
    const int s = t->surf.items[i];
    if (!SpringKindIsLinear(mesh->SurfSprings[s].SpringMaterialKind)) continue;
    switch (type) {
      case _PLANE_STRESS_QUAD: CalcStiffSurfSpringPlaneStressQuad(elem, s, nNodes, OutputControl, mesh, K); break;
      case _PLANE_STRAIN_QUAD: CalcStiffSurfSpringPlaneStrainQuad(elem, s, nNodes, OutputControl, mesh, K); break;
      case _MINDLIN_SLAB_QUAD: CalcStiffSurfSpringMindlinSlabQuad(elem, s, nNodes, OutputControl, mesh, K); break;
      case _MINDLIN_SHELL_QUAD: CalcStiffSurfSpringMindlinShellQuad(elem, s, nNodes, OutputControl, mesh, K); break;
      case _AHMAD_SHELL_QUAD: CalcStiffSurfSpringAhmadShellQuad(elem, s, nNodes, OutputControl, mesh, K); break;
      case _SOLID_HEXA: CalcStiffSurfSpringSolidHexa(elem, s, nNodes, OutputControl, mesh, K); break;
      default:
        std::fflush(stdout);
        std::fprintf(stderr,
                     "\nCalculating the surface spring contribution\nto the global stiffness matrix:\n"
                     "   -> Block name: <SURFACE_SPRINGS>\n   -> Counter: %d\n   -> Element: %d\n",
                     s, elem);
        errexit("Surface spring cannot be applied to this element type.", 0);
    }
  }
}

void CalcStiffElementSprings(int elem, int, int nNodes, int property, const char* dofMask, const char* OutputControl,
                             const MeshData* mesh, const int* ElemPropIndex, double** K,
                             const char* ElemHasPointSpring, const char* ElemHasLineSpring,
                             const char* ElemHasSurfSpring, const char* ElemHasSpringLink, const char* PointTypes,
                             const PointList* PointElemAdjacency, const SpringTables* t) {
  if (ElemHasPointSpring[elem])
    CalcStiffPointSpring(elem, nNodes, dofMask, mesh, ElemPropIndex, K, PointTypes, PointElemAdjacency, t);
  if (ElemHasLineSpring[elem])
    CalcStiffLineSpring(elem, nNodes, property, OutputControl, mesh, ElemPropIndex, K, PointTypes,
                        PointElemAdjacency, t);
  if (ElemHasSurfSpring[elem]) CalcStiffSurfSpring(elem, nNodes, property, OutputControl, mesh, K, t);
  if (ElemHasSpringLink[elem])
    CalcStiffIntPointSpringLink(elem, nNodes, dofMask, mesh, ElemPropIndex, K, PointTypes, PointElemAdjacency, t);
}

// ---- nonlinear runs -----------------------------------------------------------------------------

NLSMM_HDRecord& SpringHistoryRecord(const SpringHistory* hist, int kind, int record) {
  NLSMM_HDRecord* a = NLSMM_HDCurrent(hist->table, kind);
  if (a == nullptr || record < 1) InternalError(__FILE__, __LINE__);
  return a[record];
}

namespace {

// Orientation factor and material of a nonlinear point spring.
struct PointLaw {
  int kind;
  const MaterialRecord* m;
  double s;
};

PointLaw PointSpringLaw(const MeshData* mesh, const PointSpring& r) {
  const MaterialRecord& m = SpringMaterialOf(mesh, r.SpringMaterialKind, r.SpringMaterial);
  return PointLaw{r.SpringMaterialKind, &m, SpringOrientationFactor(r.SpringMaterialKind, m, r.Orientation, kSpringPoint)};
}

PointLaw LinkLaw(const MeshData* mesh, const IntPointSpringLink& l) {
  const MaterialRecord& m = SpringMaterialOf(mesh, l.SpringMaterialKind, l.SpringMaterial);
  return PointLaw{l.SpringMaterialKind, &m, SpringOrientationFactor(l.SpringMaterialKind, m, 0, kSpringLink)};
}

// Displacement of `point` along v, from the element displacements at its first node.
double PointDisplAlong(int elem, int nNodes, const char* dofMask, int dofType, int point, const double* v,
                       const MeshData* mesh, const double* ue) {
  bool found = false;
  double delta = 0.0;
  ForPointNodes(elem, nNodes, dofMask, dofType, point, mesh, [&](int o, const int* m) {
    if (found) return;
    found = true;
    for (int a = 1; a <= 3; a++)
      if (m[a] != 0) delta += v[a] * ue[o + m[a]];
  });
  if (!found) InternalError(__FILE__, __LINE__);
  return delta;
}

// Adds F v at every node of the element whose point is `point`.
void ScatterPointForce(int elem, int nNodes, const char* dofMask, int dofType, int point, double F, const double* v,
                       const MeshData* mesh, double* fe) {
  ForPointNodes(elem, nNodes, dofMask, dofType, point, mesh, [&](int o, const int* m) {
    for (int a = 1; a <= 3; a++)
      if (m[a] != 0) fe[o + m[a]] += F * v[a];
  });
}

// Point spring or link vector v of `point` after the coplanar rule (context lines with
// the counter on a drill fault).
void PointSpringVector(int point, int dofType, char dirKind, int direction, double k, const MeshData* mesh,
                       const int* ElemPropIndex, const char* PointTypes, const PointList* adjacency,
                       const char* context, int counter, double* v) {
  double d[4];
  SpringDirection(mesh, dirKind, direction, d);
  SpringPointVector(point, dofType, d, mesh, ElemPropIndex, PointTypes, adjacency, v);
  if (PointTypes[point] != 'G' && dofType == 2) CheckDrill(k, v, point, context, counter);
}

const char* const kLinkForceContext =
    "\nCalculating the internal point spring link contribution\nto the internal forces vector:\n"
    "   -> Block name: <INTERNAL_POINT_SPRING_LINKS>\n   -> Internal point spring link\tcounter: %d\n";

// The link's point in this element: the target or the reference point.
int LinkPointHere(int elem, int link, const MeshData* mesh, const SpringTables* t) {
  const IntPointSpringLink& l = mesh->SpringLinks[link];
  if (t->linkTargetHost[link] == elem) return l.TargetPoint;
  if (t->linkRefHost[link] == elem) return l.RefPoint;
  InternalError(__FILE__, __LINE__);
}

}  // namespace

void CalcStiffPointSpring_NL(int elem, int nNodes, const char* dofMask, const MeshData* mesh, const int* ElemPropIndex,
                             double** K, const char* PointTypes, const PointList* PointElemAdjacency,
                             const SpringTables* t, const SpringHistory* hist) {
  for (int i = t->point.first[elem]; i < t->point.first[elem + 1]; i++) {
    const int s = t->point.items[i];
    const PointSpring& r = mesh->PointSprings[s];
    if (SpringKindIsLinear(r.SpringMaterialKind)) continue;
    const PointLaw law = PointSpringLaw(mesh, r);
    const double kt = SpringLawTangent(law.kind, *law.m, law.s, PointSpringRecord(hist, mesh, s));
    double v[4];
    PointSpringVector(r.Point, r.DofType, r.DirKind, r.Direction, kt, mesh, ElemPropIndex, PointTypes,
                      PointElemAdjacency, kPointSpringContext, s, v);
    ScatterPointBlock(elem, nNodes, dofMask, r.DofType, r.Point, kt, v, mesh, K);
  }
}

void CalcStiffIntPointSpringLink_NL(int elem, int nNodes, const char* dofMask, const MeshData* mesh,
                                    const int* ElemPropIndex, double** K, const char* PointTypes,
                                    const PointList* PointElemAdjacency, const SpringTables* t,
                                    const SpringHistory* hist) {
  for (int i = t->link.first[elem]; i < t->link.first[elem + 1]; i++) {
    const int s = t->link.items[i];
    const IntPointSpringLink& l = mesh->SpringLinks[s];
    if (SpringKindIsLinear(l.SpringMaterialKind)) continue;
    CheckLinkElements(s, mesh, t, PointElemAdjacency);
    const int point = LinkPointHere(elem, s, mesh, t);
    const double kt = LinkTangent(s, mesh, hist);
    // The drill check looks at the direction alone: the tangent may vanish for a while.
    double v[4];
    PointSpringVector(point, l.DofType, l.DirKind, l.Direction, 1.0, mesh, ElemPropIndex, PointTypes,
                      PointElemAdjacency, kLinkContext, s, v);
    ScatterPointBlock(elem, nNodes, dofMask, l.DofType, point, kt, v, mesh, K);
  }
}

namespace {

// Nonlinear line (surface) springs of the element on their host routine.
void BedSprings_NL(bool line, int elem, int nNodes, int type, const MeshData* mesh, const SpringTables* t,
                   const NonlinearSpringCall& call) {
  const ElementSpringList& list = line ? t->line : t->surf;
  for (int i = list.first[elem]; i < list.first[elem + 1]; i++) {
    const int s = list.items[i];
    const int kind = line ? mesh->LineSprings[s].SpringMaterialKind : mesh->SurfSprings[s].SpringMaterialKind;
    if (SpringKindIsLinear(kind)) continue;
    // Other hosts were refused at set-up.
    switch (type) {
      case _PLANE_STRESS_QUAD:
      case _MINDLIN_SHELL_QUAD:
      case _AHMAD_SHELL_QUAD:
      case _SOLID_HEXA: break;
      default: InternalError(__FILE__, __LINE__);
    }
    if (line)
      LineSpringOnHost_NL(elem, s, nNodes, type, mesh, call);
    else
      SurfSpringOnHost_NL(elem, s, nNodes, type, mesh, call);
  }
}

}  // namespace

void CalcStiffLineSpring_NL(int elem, int nNodes, int type, const MeshData* mesh, double** K, const SpringTables* t,
                            const SpringHistory* hist) {
  BedSprings_NL(true, elem, nNodes, type, mesh, t, NonlinearSpringCall{hist, K, nullptr, nullptr, nullptr});
}

void CalcStiffSurfSpring_NL(int elem, int nNodes, int type, const char* OutputControl, const MeshData* mesh,
                            double** K, const SpringTables* t, const SpringHistory* hist) {
  BedSprings_NL(false, elem, nNodes, type, mesh, t, NonlinearSpringCall{hist, K, nullptr, nullptr, OutputControl});
}

void CalcStiffElementSprings_NL(int elem, int type, int nNodes, int property, const char* dofMask,
                                const char* OutputControl, const MeshData* mesh, const int* ElemPropIndex, double** K,
                                const char* ElemHasPointSpring, const char* ElemHasLineSpring,
                                const char* ElemHasSurfSpring, const char* ElemHasSpringLink, const char* PointTypes,
                                const PointList* PointElemAdjacency, const SpringTables* t,
                                const SpringHistory* hist) {
  if (ElemHasPointSpring[elem]) {
    CalcStiffPointSpring(elem, nNodes, dofMask, mesh, ElemPropIndex, K, PointTypes, PointElemAdjacency, t);
    CalcStiffPointSpring_NL(elem, nNodes, dofMask, mesh, ElemPropIndex, K, PointTypes, PointElemAdjacency, t, hist);
  }
  if (ElemHasLineSpring[elem]) {
    CalcStiffLineSpring(elem, nNodes, property, OutputControl, mesh, ElemPropIndex, K, PointTypes,
                        PointElemAdjacency, t);
    CalcStiffLineSpring_NL(elem, nNodes, type, mesh, K, t, hist);
  }
  if (ElemHasSurfSpring[elem]) {
    CalcStiffSurfSpring(elem, nNodes, property, OutputControl, mesh, K, t);
    CalcStiffSurfSpring_NL(elem, nNodes, type, OutputControl, mesh, K, t, hist);
  }
  if (ElemHasSpringLink[elem]) {
    CalcStiffIntPointSpringLink(elem, nNodes, dofMask, mesh, ElemPropIndex, K, PointTypes, PointElemAdjacency, t);
    CalcStiffIntPointSpringLink_NL(elem, nNodes, dofMask, mesh, ElemPropIndex, K, PointTypes, PointElemAdjacency, t,
                                   hist);
  }
}

// ---- internal forces ------------------------------------------------------------------------------

namespace {

// Linear springs of one family: fe += Ks ue with Ks their stiffness on the element.
template <class AddStiff>
void LinearSpringForces(int n, const double* ue, double* fe, AddStiff addStiff) {
  double** Ks;
  allocd2(&Ks, n, n);
  zerod2(Ks, n, n);
  addStiff(Ks);
  for (int r = 1; r <= n; r++) {
    double sum = 0.0;
    for (int c = 1; c <= n; c++) sum += Ks[r][c] * ue[c];
    fe[r] += sum;
  }
  freed2(Ks);
}

}  // namespace

void CalcInt_Fg_PointSpring_NL(int elem, int nNodes, const char* dofMask, const MeshData* mesh,
                               const int* ElemPropIndex, const double* ue, double* fe, const char* PointTypes,
                               const PointList* PointElemAdjacency, const SpringTables* t, const SpringHistory* hist) {
  static const char* const kContext =
      "\nCalculating the point spring contribution\nto the internal forces vector:\n"
      "   -> Block name: <POINT_SPRINGS>\n   -> Point spring counter: %d\n";
  for (int i = t->point.first[elem]; i < t->point.first[elem + 1]; i++) {
    const int s = t->point.items[i];
    const PointSpring& r = mesh->PointSprings[s];
    if (SpringKindIsLinear(r.SpringMaterialKind)) continue;
    if (r.DofType != 1) InternalError(__FILE__, __LINE__);  // refused at set-up
    const PointLaw law = PointSpringLaw(mesh, r);
    double v[4];
    PointSpringVector(r.Point, r.DofType, r.DirKind, r.Direction, 1.0, mesh, ElemPropIndex, PointTypes,
                      PointElemAdjacency, kContext, s, v);
    const double delta = PointDisplAlong(elem, nNodes, dofMask, r.DofType, r.Point, v, mesh, ue);
    const double F = SpringLawForce(law.kind, *law.m, law.s, delta, PointSpringRecord(hist, mesh, s));
    ScatterPointForce(elem, nNodes, dofMask, r.DofType, r.Point, F, v, mesh, fe);
  }
}

// Links of either kind: F from the relative displacement of the two points, +F v at the
// target, -F v at the reference, each inside its own host.
void CalcInt_Fg_IntPointSpringLink(int elem, int nNodes, const char* dofMask, const MeshData* mesh,
                                   const int* ElemPropIndex, double** U, double* fe, const char* PointTypes,
                                   const PointList* PointElemAdjacency, const SpringTables* t,
                                   const SpringHistory* hist) {
  for (int i = t->link.first[elem]; i < t->link.first[elem + 1]; i++) {
    const int s = t->link.items[i];
    const IntPointSpringLink& l = mesh->SpringLinks[s];
    CheckLinkElements(s, mesh, t, PointElemAdjacency);
    const bool linear = SpringKindIsLinear(l.SpringMaterialKind);
    if (!linear && hist == nullptr) continue;
    const int o = l.DofType == 2 ? 3 : l.DofType == 1 ? 0 : -1;
    if (o < 0) InternalError(__FILE__, __LINE__);
    double vt[4], vr[4];
    PointSpringVector(l.TargetPoint, l.DofType, l.DirKind, l.Direction, 1.0, mesh, ElemPropIndex, PointTypes,
                      PointElemAdjacency, kLinkForceContext, s, vt);
    PointSpringVector(l.RefPoint, l.DofType, l.DirKind, l.Direction, 1.0, mesh, ElemPropIndex, PointTypes,
                      PointElemAdjacency, kLinkForceContext, s, vr);
    double delta = 0.0;
    for (int a = 1; a <= 3; a++) delta += vt[a] * U[l.TargetPoint][o + a] - vr[a] * U[l.RefPoint][o + a];
    double F;
    if (linear) {
      F = LinkStiffness(mesh, l) * delta;
    } else {
      // Both hosts read the one record: the target's host advances it, the reference's
      // host evaluates a copy (a repeated evaluation at the same displacement returns the
      // same force, whichever host comes first).
      NLSMM_HDRecord& rec = LinkRecord(hist, mesh, s);
      NLSMM_HDRecord copy = rec;
      const PointLaw law = LinkLaw(mesh, l);
      F = SpringLawForce(law.kind, *law.m, law.s, delta, t->linkTargetHost[s] == elem ? rec : copy);
    }
    const int point = LinkPointHere(elem, s, mesh, t);
    if (point == l.TargetPoint)
      ScatterPointForce(elem, nNodes, dofMask, l.DofType, point, F, vt, mesh, fe);
    else
      ScatterPointForce(elem, nNodes, dofMask, l.DofType, point, -F, vr, mesh, fe);
  }
}

void CalcInt_Fg_Springs(int elem, int type, int nNodes, int property, const char* dofMask, const MeshData* mesh,
                        const int* ElemPropIndex, const double* ue, double** U, double* fe,
                        const char* ElemHasPointSpring, const char* ElemHasLineSpring, const char* ElemHasSurfSpring,
                        const char* ElemHasSpringLink, const char* PointTypes, const PointList* PointElemAdjacency,
                        const SpringTables* t, const SpringHistory* hist) {
  const int n = DofsOfMask(dofMask) * nNodes;
  const NonlinearSpringCall call{hist, nullptr, ue, fe, nullptr};
  if (ElemHasPointSpring[elem]) {
    LinearSpringForces(n, ue, fe, [&](double** Ks) {
      CalcStiffPointSpring(elem, nNodes, dofMask, mesh, ElemPropIndex, Ks, PointTypes, PointElemAdjacency, t);
    });
    CalcInt_Fg_PointSpring_NL(elem, nNodes, dofMask, mesh, ElemPropIndex, ue, fe, PointTypes, PointElemAdjacency, t,
                              hist);
  }
  if (ElemHasLineSpring[elem]) {
    LinearSpringForces(n, ue, fe, [&](double** Ks) {
      CalcStiffLineSpring(elem, nNodes, property, nullptr, mesh, ElemPropIndex, Ks, PointTypes, PointElemAdjacency,
                          t);
    });
    BedSprings_NL(true, elem, nNodes, type, mesh, t, call);
  }
  if (ElemHasSurfSpring[elem]) {
    LinearSpringForces(n, ue, fe, [&](double** Ks) { CalcStiffSurfSpring(elem, nNodes, property, nullptr, mesh, Ks, t); });
    BedSprings_NL(false, elem, nNodes, type, mesh, t, call);
  }
  if (ElemHasSpringLink[elem])
    CalcInt_Fg_IntPointSpringLink(elem, nNodes, dofMask, mesh, ElemPropIndex, U, fe, PointTypes, PointElemAdjacency,
                                  t, hist);
}
