// Numbering of the temperature dofs of a thermal run, the face-record flags of the
// elements, and the point and element temperatures built from the solution vectors.
#include <cstdio>

#include "elements/kernel.h"
#include "model/params.h"
#include "model/validate.h"
#include "numcore/numcore.h"
#include "thermal/thermal_global.h"

namespace {

bool IsThermalType(int type) { return type == _PLANE_STRESS_QUAD_THERMAL || type == _SOLID_HEXA_THERMAL; }

// Face records name elements of the phase.
template <class R>
void FlagFaceRecordElements(const MeshData* mesh, const int* ElemPropIndex, int n, const R* records,
                            const char* block, char* flags) {
  zeroc1(flags, mesh->nElements);
  for (int k = 1; k <= n; k++) {
    const int e = records[k].Element;
    if (e < 1 || e > mesh->nElements) InternalError(__FILE__, __LINE__);
    if (ElemPropIndex[e] == 0) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n   -> Block name: %s\n   -> Counter: %d\n   -> Element: %d\n", block, k, e);
      errexit("The element of a surface heat transfer record\nhas no element property in this phase.", 0);
    }
    flags[e] = 1;
  }
}

}  // namespace

void CheckThermalElementTypes(const MeshData* mesh, const int* ElemPropIndex) {
  for (int e = 1; e <= mesh->nElements; e++) {
    if (ElemPropIndex[e] == 0) continue;
    const int type = mesh->ElemProps[ElemPropIndex[e]].ElementType;
    if (IsThermalType(type)) continue;
    std::fflush(stdout);
    std::fprintf(stderr, "\nElement n. %d\n   -> Element type: %s\n", e, GetElementTypeInfo(type).keyword);
    errexit("This type of element has no temperature degrees of freedom:\n"
            "a thermal analysis takes only _PLANE_STRESS_QUAD_THERMAL and _SOLID_HEXA_THERMAL elements.",
            0);
  }
}

void CalcThermalDofCodes(int phase, const MeshData* mesh, const int* ElemPropIndex, char** PointDofCodes) {
  MarkElementDofs(mesh, ElemPropIndex, PointDofCodes);
  MarkPrescribedDofs(phase, mesh->nFixedTemps, mesh->FixedTemps, PointDofCodes);
}

void CalcConvectionElementFlags(const MeshData* mesh, const int* ElemPropIndex, char* flags) {
  FlagFaceRecordElements(mesh, ElemPropIndex, mesh->nConvections, mesh->Convections,
                         "<SURFACE_CONVECTION_HEAT_TRANSFER>", flags);
}

void CalcRadiationElementFlags(const MeshData* mesh, const int* ElemPropIndex, char* flags) {
  // The radiation law is not linear in the temperature: only the nonlinear transient
  // analysis iterates on it.
  const bool nonlinearTransient =
      mesh->Main.AnalysisType == ANALYSIS_THERMAL_TRANSIENT && mesh->Main.MaterNonlinear != 0;
  if (mesh->nRadiations > 0 && !nonlinearTransient) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n   -> Block name: <SURFACE_RADIATION_HEAT_TRANSFER>\n   -> Counter: 1\n");
    errexit("Surface radiation heat transfer needs the nonlinear thermal transient analysis.", 0);
  }
  FlagFaceRecordElements(mesh, ElemPropIndex, mesh->nRadiations, mesh->Radiations,
                         "<SURFACE_RADIATION_HEAT_TRANSFER>", flags);
}

void InitializeThermalWorkArrays(int phase, const MeshData* mesh, ThermalWorkArrays* t) {
  const int ne = mesh->nElements;
  const int np = mesh->nPoints;
  t->w = MainWorkArrays{};
  MainWorkArrays* w = &t->w;
  w->nElements = ne;
  w->nPoints = np;
  alloci1(&w->ElemPropIndex, ne);
  allocc2(&w->PointDofCodes, np, 6);
  alloci2(&w->PointDofNumbers, np, 6);
  allocc1(&w->PointTypes, np);
  allocc1(&t->ConvectionFlags, ne);
  allocc1(&t->RadiationFlags, ne);
  CalcElemPropIndex(phase, mesh, w->ElemPropIndex);
  CheckThermalElementTypes(mesh, w->ElemPropIndex);
  CheckElementGroups(mesh, w->ElemPropIndex);
  ValidateElementNodeCounts(mesh, w->ElemPropIndex);
  CheckQuadraticElementShapes(mesh, w->ElemPropIndex);
  CalcPointElemAdjacency(mesh, w->ElemPropIndex, &w->PointElemAdjacency);
  CalcThermalDofCodes(phase, mesh, w->ElemPropIndex, w->PointDofCodes);
  NumberFreeDofs(mesh, w->PointDofCodes, w->PointDofNumbers, &w->nF, &w->nP);
  w->nDrillPoints = CalcPointType(mesh, w->ElemPropIndex, w->PointElemAdjacency, w->PointTypes);
  CalcConvectionElementFlags(mesh, w->ElemPropIndex, t->ConvectionFlags);
  CalcRadiationElementFlags(mesh, w->ElemPropIndex, t->RadiationFlags);
  RefuseStrongDiscontinuities(mesh);
}

void FreeThermalWorkArrays(ThermalWorkArrays* t) {
  MainWorkArrays* w = &t->w;
  freec1(t->RadiationFlags);
  freec1(t->ConvectionFlags);
  FreePointLists(w->PointElemAdjacency, w->nPoints);
  freec1(w->PointTypes);
  freei2(w->PointDofNumbers);
  freec2(w->PointDofCodes);
  freei1(w->ElemPropIndex);
  *w = MainWorkArrays{};
  t->ConvectionFlags = t->RadiationFlags = nullptr;
}

void CalcPointTemp(const MeshData* mesh, int** PointDofNumbers, const double* TF, const double* TP, double** T,
                   char** PointDofCodes) {
  for (int p = 1; p <= mesh->nPoints; p++)
    for (int d = 1; d <= 6; d++) {
      switch (PointDofCodes[p][d]) {
        case 'F': T[p][d] = TF[PointDofNumbers[p][d]]; break;
        case 'P': T[p][d] = TP[PointDofNumbers[p][d]]; break;
        default: T[p][d] = 0.0; break;
      }
    }
}

void GatherElementDofValues(int e, int type, int nNodes, int** ElemNodes, double** pointValues, double* v) {
  const char* mask = GetElementTypeInfo(type).dofMask;
  int k = 0;
  for (int i = 1; i <= nNodes; i++) {
    const double* row = pointValues[ElemNodes[e][i]];
    for (int d = 1; d <= 6; d++)
      if (mask[d] == '1') v[++k] = row[d];
  }
}

void FreeSparseMatPair(int n, int* count, int** cols, double** vals) {
  SparseRowMatrix A{n, count, cols, vals};
  FreeSparseRowMatrix(&A);
}
