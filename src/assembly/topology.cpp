// The per-phase work arrays of the mechanical drivers: active elements, point-element
// adjacency, point types, special coordinate systems, mother elements of embedded
// cables, spring and strong-discontinuity flags.
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "assembly/topology.h"
#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "model/mesh.h"
#include "model/records.h"
#include "model/validate.h"
#include "numcore/numcore.h"
#include "springs/springs.h"

namespace {

constexpr double kCosOneDegree = 0.9998476951563913;

int TypeOfElement(const MeshData* mesh, const int* ElemPropIndex, int e) {
  return ElemPropIndex[e] == 0 ? 0 : mesh->ElemProps[ElemPropIndex[e]].ElementType;
}

[[noreturn]] void PointFault(int point, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nPoint n. %d\n", point);
  errexit(msg, 0);
}

// Unit normal of shell quadrilateral e at its local node.
void ShellNormalAtNode(const MeshData* mesh, int e, int type, int localNode, double* normal) {
  CalcShellNodeNormal(e, type, mesh->ElemNodeCount[e], localNode, mesh->ElemNodes, mesh->PointCoord, normal);
}

}  // namespace

void CalcElemPropIndex(int phase, const MeshData* mesh, int* ElemPropIndex) {
  zeroi1(ElemPropIndex, mesh->nElements);
  for (int r = 1; r <= mesh->nElemProps; r++) {
    const ElementProperty& p = mesh->ElemProps[r];
    if (ElemPropIsActive(p) && p.FirstPhase <= phase && phase <= p.LastPhase)
      for (int e = p.FirstElement; e <= p.LastElement; e++) ElemPropIndex[e] = r;
  }
}

void CheckElementTypesAvailable(const MeshData* mesh, const int* ElemPropIndex) {
  for (int e = 1; e <= mesh->nElements; e++) {
    const int type = TypeOfElement(mesh, ElemPropIndex, e);
    if (type == 0) continue;
    const bool layered = mesh->ElemProps[ElemPropIndex[e]].MaterialKind == MAT_LAY_PATT;
    if (ElementTypeHasStiffness(type) && !(layered && mesh->Main.MaterNonlinear == 0)) continue;
    std::fflush(stdout);
    std::fprintf(stderr, "\nElement n. %d\n   -> Element type: %s\n", e, GetElementTypeInfo(type).keyword);
    if (!ElementTypeHasStiffness(type)) errexit("This type of element is not available yet in a mechanical analysis.", 0);
    errexit("Layered shells (material kind _LAY_PATT) need a materially nonlinear analysis.", 0);
  }
}

void CalcPointElemAdjacency(const MeshData* mesh, const int* ElemPropIndex, PointList** adjacency) {
  const int np = mesh->nPoints;
  int* count;
  alloci1(&count, np);
  zeroi1(count, np);
  for (int e = 1; e <= mesh->nElements; e++) {
    if (ElemPropIndex[e] == 0) continue;
    for (int k = 1; k <= mesh->ElemNodeCount[e]; k++) count[mesh->ElemNodes[e][k]]++;
  }
  AllocPointLists(adjacency, np);
  PointList* adj = *adjacency;
  for (int p = 1; p <= np; p++) {
    if (count[p] > 0) AllocPointListItems(&adj[p], count[p]);
    adj[p].count = 0;  // refilled below
  }
  for (int e = 1; e <= mesh->nElements; e++) {
    if (ElemPropIndex[e] == 0) continue;
    for (int k = 1; k <= mesh->ElemNodeCount[e]; k++) {
      PointList& l = adj[mesh->ElemNodes[e][k]];
      l.items[++l.count] = PointElemPair{e, k};
    }
  }
  freei1(count);
}

int CalcPointType(const MeshData* mesh, const int* ElemPropIndex, const PointList* adjacency, char* PointTypes) {
  int nDrill = 0;
  for (int p = 1; p <= mesh->nPoints; p++) {
    PointTypes[p] = kPointGeneral;
    const PointList& adj = adjacency[p];
    bool beam = false;
    for (int i = 1; i <= adj.count && !beam; i++) {
      const int t = TypeOfElement(mesh, ElemPropIndex, adj.items[i].element);
      beam = t == _FRAME_3D || t == _TIMOSHENKO_BEAM_3D;
    }
    if (beam) continue;
    int nMindlin = 0, nAhmad = 0;
    double ref[4], normal[4];
    bool kink = false, flipped = false;
    for (int i = 1; i <= adj.count; i++) {
      const int e = adj.items[i].element;
      const int t = TypeOfElement(mesh, ElemPropIndex, e);
      if (t != _MINDLIN_SHELL_QUAD && t != _AHMAD_SHELL_QUAD) continue;
      (t == _MINDLIN_SHELL_QUAD ? nMindlin : nAhmad)++;
      if (nMindlin + nAhmad == 1) {
        ShellNormalAtNode(mesh, e, t, adj.items[i].node, ref);
        continue;
      }
      ShellNormalAtNode(mesh, e, t, adj.items[i].node, normal);
      const double c = dotd1(ref, normal, 3);
      if (!(std::fabs(c) >= kCosOneDegree)) kink = true;
      if (c < 0.0) flipped = true;
    }
    if (nMindlin + nAhmad == 0 || kink) continue;
    if (flipped)
      PointFault(p,
                 "In this coplanar point, some shell elements are numbered\nclockwise and the others are numbered "
                 "anticlockwise.\nIn coplanar points, all adjacent elements must have their\nnodes numbered in a "
                 "consistent manner.\nThe mesh must be changed.");
    if (nMindlin > 0 && nAhmad > 0)
      PointFault(p,
                 "In a coplanar point, Mindlin shell elements and Ahmad\nshell elements cannot coexist.\nThe mesh "
                 "must be changed.");
    PointTypes[p] = nMindlin > 0 ? kPointMindlin : kPointAhmad;
    nDrill++;
  }
  return nDrill;
}

void CheckSpecialCSCoplanarPoints(const MeshData* mesh, const char* PointTypes) {
  for (int k = 1; k <= mesh->nSpecialCsPoints; k++) {
    const int p = mesh->SpecialCsPoints[k].Point;
    if (PointTypes[p] != kPointMindlin && PointTypes[p] != kPointAhmad) continue;
    std::fflush(stdout);
    std::fprintf(stderr, "\nChecking point n. %d\nSpecial coordinate system n. %d\n", p, k);
    errexit(
        "A special coordinate system cannot be specified in a coplanar point.\nWhen a special coordinate system "
        "needs to be specified in a coplanar\npoint, an embedded frame beam must be added to convert the "
        "coplanar\npoint into a kink point.",
        0);
  }
}

void CalcPointSpecialCS(const MeshData* mesh, int* PointSpecialCS) {
  zeroi1(PointSpecialCS, mesh->nPoints);
  for (int k = 1; k <= mesh->nSpecialCsPoints; k++) {
    const SpecialCsPoint& r = mesh->SpecialCsPoints[k];
    if (PointSpecialCS[r.Point] == 0) PointSpecialCS[r.Point] = r.CoordSystem;
  }
}

void CalcElemHasSpecialCSNode(const MeshData* mesh, const PointList* adjacency, char* ElemHasSpecialCSNode) {
  zeroc1(ElemHasSpecialCSNode, mesh->nElements);
  for (int k = 1; k <= mesh->nSpecialCsPoints; k++) {
    const PointList& adj = adjacency[mesh->SpecialCsPoints[k].Point];
    for (int i = 1; i <= adj.count; i++) ElemHasSpecialCSNode[adj.items[i].element] = 1;
  }
}

int CalcMotherElements(const MeshData* mesh, const int* ElemPropIndex, int* MotherElemIndex,
                       EmbCableMotherRecord** records) {
  const int ne = mesh->nElements;
  int* motherOf;
  alloci1(&motherOf, ne);
  zeroi1(motherOf, ne);
  zeroi1(MotherElemIndex, ne);
  for (int e = 1; e <= ne; e++) {
    const int type = TypeOfElement(mesh, ElemPropIndex, e);
    if (type != _EMB_CABLE_2D && type != _EMB_CABLE_3D) continue;
    const int dim = GetElementTypeInfo(type).spaceDim;
    const int n = mesh->ElemNodeCount[e];
    double** X;
    allocd2(&X, n, dim);
    CalcMat_ElemNodeCoord(e, type, n, mesh->ElemNodes, X, mesh->PointCoord);
    int mother;
    CalcMotherElementEmbCable(dim, e, type, n, &mother, mesh, ElemPropIndex, X);
    freed2(X);
    if (mother == 0) {
      std::fflush(stdout);
      std::fprintf(stderr,
                   "\nElement n. %d (embedded cable) needs a mother element.\nA mother element could not be "
                   "found.\n",
                   e);
      errexit("Data file must be checked (element\ngeometry and/or mesh connectivity).", 0);
    }
    motherOf[e] = mother;
    MotherElemIndex[mother] = -1;
  }
  int nMothers = 0;
  for (int e = 1; e <= ne; e++)
    if (MotherElemIndex[e] != 0) MotherElemIndex[e] = ++nMothers;
  AllocRecords(records, nMothers);
  EmbCableMotherRecord* rec = *records;
  for (int e = 1; e <= ne; e++)
    if (motherOf[e] != 0) rec[MotherElemIndex[motherOf[e]]].nCables++;
  for (int m = 1; m <= nMothers; m++) {
    alloci1(&rec[m].cables, rec[m].nCables);
    allocpd1(&rec[m].natCoords, rec[m].nCables);
    for (int i = 1; i <= rec[m].nCables; i++) rec[m].natCoords[i] = nullptr;
    rec[m].nCables = 0;  // refilled below
  }
  for (int e = 1; e <= ne; e++) {
    if (motherOf[e] == 0) continue;
    EmbCableMotherRecord& r = rec[MotherElemIndex[motherOf[e]]];
    r.cables[++r.nCables] = e;
  }
  for (int m = 1; m <= ne; m++) {
    const int seq = MotherElemIndex[m];
    if (seq == 0) continue;
    for (int i = 1; i <= rec[seq].nCables; i++) {
      const int cable = rec[seq].cables[i];
      CalcNatCoordMotherElementEmbCable(cable, m, i, seq, ElemPropIndex[cable], ElemPropIndex[m], mesh->ElemNodeCount,
                                        mesh->ElemNodes, mesh->PointCoord, rec, mesh->Integrations, mesh->ElemProps);
    }
  }
  freei1(motherOf);
  return nMothers;
}

void FreeMotherRecords(int nMotherElems, EmbCableMotherRecord* records) {
  for (int m = 1; m <= nMotherElems; m++) {
    EmbCableMotherRecord& r = records[m];
    for (int i = r.nCables; i >= 1; i--)
      if (r.natCoords[i] != nullptr) freed1(r.natCoords[i]);
    freepd1(r.natCoords);
    freei1(r.cables);
  }
  FreeRecords(records, nMotherElems);
}

void CalcStrongDiscontinuities(const MeshData* mesh, char* ElemHasStrongDisc) {
  zeroc1(ElemHasStrongDisc, mesh->nElements);
  RefuseStrongDiscontinuities(mesh);
}

void RefuseStrongDiscontinuities(const MeshData* mesh) {
  if (mesh->nDiscontinuities == 0) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\n   -> Block name: <LINE_EMBEDDED_STRONG_DISCONTINUITY>\n");
  errexit(
      "Line-embedded strong discontinuities are not available.\n"
      "The <LINE_EMBEDDED_STRONG_DISCONTINUITY> block must be empty.",
      0);
}

void CalcMat_R_CoordSystem(const MeshData* mesh, int cs, double** R) {
  const CoordinateSystem& c = mesh->CoordSystems[cs];
  for (int k = 1; k <= 3; k++)
    for (int j = 1; j <= 3; j++) R[k][j] = mesh->AuxVectors[c.AuxVector[k]].v[j];
}

void InitializeMainWorkArrays(int phase, const MeshData* mesh, MainWorkArrays* w) {
  const int ne = mesh->nElements;
  const int np = mesh->nPoints;
  w->nElements = ne;
  w->nPoints = np;
  w->nMotherElems = 0;
  w->EmbCableMotherRecord = nullptr;
  // 1. storage
  alloci1(&w->MotherElemIndex, ne);
  alloci1(&w->ElemPropIndex, ne);
  allocc2(&w->PointDofCodes, np, 6);
  alloci2(&w->PointDofNumbers, np, 6);
  allocc1(&w->PointTypes, np);
  alloci1(&w->PointSpecialCS, np);
  allocc1(&w->ElemHasSpecialCSNode, ne);
  allocc1(&w->ElemHasStrongDisc, ne);
  allocc1(&w->ElemHasPointSpring, ne);
  allocc1(&w->ElemHasLineSpring, ne);
  allocc1(&w->ElemHasSurfSpring, ne);
  allocc1(&w->ElemHasSpringLink, ne);
  zeroi1(w->MotherElemIndex, ne);
  // 2.-5. active elements, adjacency, dof codes and numbers
  CalcElemPropIndex(phase, mesh, w->ElemPropIndex);
  CheckElementTypesAvailable(mesh, w->ElemPropIndex);
  CheckElementGroups(mesh, w->ElemPropIndex);
  ValidateElementNodeCounts(mesh, w->ElemPropIndex);
  CheckQuadraticElementShapes(mesh, w->ElemPropIndex);
  CalcPointElemAdjacency(mesh, w->ElemPropIndex, &w->PointElemAdjacency);
  CalcPointDofCodes(phase, mesh, w->ElemPropIndex, w->PointDofCodes);
  CheckPointLinkDofs(mesh, w->PointDofCodes);
  NumberFreeDofs(mesh, w->PointDofCodes, w->PointDofNumbers, &w->nF, &w->nP);
  // 6.-9. point types and coordinate systems
  w->nDrillPoints = CalcPointType(mesh, w->ElemPropIndex, w->PointElemAdjacency, w->PointTypes);
  CheckSpecialCSCoplanarPoints(mesh, w->PointTypes);
  CalcPointSpecialCS(mesh, w->PointSpecialCS);
  CalcElemHasSpecialCSNode(mesh, w->PointElemAdjacency, w->ElemHasSpecialCSNode);
  // 10. embedded cables
  w->nMotherElems = CalcMotherElements(mesh, w->ElemPropIndex, w->MotherElemIndex, &w->EmbCableMotherRecord);
  // 11. springs
  CalcSpringAdjElements(ne, mesh, w->ElemPropIndex, w->ElemHasPointSpring, w->ElemHasLineSpring,
                        w->ElemHasSurfSpring, w->ElemHasSpringLink, w->PointElemAdjacency, &w->Springs);
  // 12. strong discontinuities
  CalcStrongDiscontinuities(mesh, w->ElemHasStrongDisc);
}

void FreeMainWorkArrays(MainWorkArrays* w) {
  FreeMotherRecords(w->nMotherElems, w->EmbCableMotherRecord);
  FreePointLists(w->PointElemAdjacency, w->nPoints);
  FreeSpringTables(&w->Springs);
  freec1(w->ElemHasSpringLink);
  freec1(w->ElemHasLineSpring);
  freec1(w->ElemHasStrongDisc);
  freec1(w->ElemHasSurfSpring);
  freec1(w->ElemHasPointSpring);
  freec1(w->ElemHasSpecialCSNode);
  freei1(w->PointSpecialCS);
  freec1(w->PointTypes);
  freei2(w->PointDofNumbers);
  freec2(w->PointDofCodes);
  freei1(w->ElemPropIndex);
  freei1(w->MotherElemIndex);
  w->EmbCableMotherRecord = nullptr;
  w->PointElemAdjacency = nullptr;
}
