// History-data index: which elements carry history records, how many sampling points
// (layers, components, fibres, sub-points) each has, and the record number of every one.
#include <cstdint>

#include "history/history.h"
#include "materials/material_table.h"
#include "model/indexarrays.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

const ElementProperty& PropOf(const MeshData* mesh, const int* ElemPropIndex, int e) {
  return mesh->ElemProps[ElemPropIndex[e]];
}

// Points of one direction of rule r for a use, checked against the rule table.
const NumericalIntegration& RuleOf(const MeshData* mesh, int rule) {
  if (rule < 1 || rule > mesh->nIntegrations) InternalError(__FILE__, __LINE__);
  return mesh->Integrations[rule];
}

// Sub-points of a fibre group: the square of its rule's first count, 4 without a rule.
int GroupSubPoints(const FibrousElementProperty& g, const MeshData* mesh) {
  if (g.v[7] != INTEG_GLEG) InternalError(__FILE__, __LINE__);
  if (g.v[8] == 0) return 4;
  const int n = IntegPoints(RuleOf(mesh, g.v[8]), 'G', 1);
  return n * n;
}

int FibreCount(const FibrousMesh& fm) {
  int n = 0;
  for (int g = 1; g <= fm.nProperties; g++)
    if (fm.Properties[g].v[3] != 0) n += fm.Properties[g].v[4] - fm.Properties[g].v[3] + 1;
  return n;
}

const FibrousMesh& FibrousMeshOf(const MeshData* mesh, int number) {
  if (number < 1 || number > mesh->Main.nFibrousMeshes) InternalError(__FILE__, __LINE__);
  return mesh->FibrousMeshes[number];
}

// Next record of a kind at a slot of a composition (0 when the kind keeps none).
int NextRecord(MaterialComposition c, int code, int* counts) {
  switch (HistoryUseInComposition(c, code)) {
    case kHistoryNoRecord: return 0;
    case kHistoryRecord: return ++counts[code];
    default: InternalError(__FILE__, __LINE__);
  }
}

void CheckRow(int i, int n, const int32_t* len, int k) {
  if (i < 1 || i > n || k < 1 || k > len[i]) InternalError(__FILE__, __LINE__);
}

void FreeSizes(int32_t** v) {
  if (*v != nullptr) freei1(*v);
  *v = nullptr;
}

}  // namespace

void AllocJaggedIntArray(int*** a, int n, const int* len) {
  allocpi1(a, n);
  for (int i = 1; i <= n; i++) {
    (*a)[i] = nullptr;
    if (len[i] > 0) alloci1(&(*a)[i], len[i]);
  }
}

void FreeJaggedIntArray(int** a, int n) {
  if (a == nullptr) return;
  for (int i = n; i >= 1; i--)
    if (a[i] != nullptr) freei1(a[i]);
  freepi1(a);
}

int CalcN_nIP(const ElementProperty& prop, char kind, const MeshData* mesh) {
  if (kind != 'B' && kind != 'G' && kind != 'M' && kind != 'S' && kind != 'T') InternalError(__FILE__, __LINE__);
  const int t = prop.ElementType;
  int dim;
  if ((t >= 1 && t <= 8) || t == 14 || t == 27 || t == 28 || t == 31 || t == 32)
    dim = 1;
  else if ((t >= 9 && t <= 13) || (t >= 15 && t <= 20) || t == 29 || t == 30)
    dim = 2;
  else if (t >= 21 && t <= 25)
    dim = 3;
  else
    InternalError(__FILE__, __LINE__);
  if (prop.IntegrationNumber == 0) return dim == 1 ? 2 : dim == 2 ? 4 : 8;
  const NumericalIntegration& r = RuleOf(mesh, prop.IntegrationNumber);
  int n = 1;
  for (int d = 1; d <= dim; d++) n *= IntegPoints(r, kind, d);
  return n;
}

int CalcN_nIP_Fiber(const FibrousMesh& fm, const MeshData* mesh) {
  int n = 0;
  for (int g = 1; g <= fm.nProperties; g++) {
    const int p = GroupSubPoints(fm.Properties[g], mesh);
    if (p > n) n = p;
  }
  return n;
}

int LayeredShellPoints(const ElementProperty& prop, const MeshData* mesh) {
  // The shell routines visit the 3 x 3 points of their default rule, c1 c2 of a given one.
  if (prop.IntegrationNumber == 0) return 9;
  const NumericalIntegration& r = RuleOf(mesh, prop.IntegrationNumber);
  return IntegPoints(r, 'G', 1) * IntegPoints(r, 'G', 2);
}

void CalcElementToIndex_HD(Index_HD* index, const MeshData* mesh, const int* ElemPropIndex, int** ElemToHD) {
  *index = Index_HD{};
  // Every analysis refuses discontinuity records in words before its history index.
  if (mesh->nDiscontinuities != 0) InternalError(__FILE__, __LINE__);
  // Every element type is checked against its material before anything is allocated.
  for (int e = 1; e <= mesh->nElements; e++) {
    if (ElemPropIndex[e] == 0) continue;
    const ElementProperty& p = PropOf(mesh, ElemPropIndex, e);
    if (HistoryUseOwn(p.MaterialKind, p.ElementType) == kHistoryRefused) InternalError(__FILE__, __LINE__);
  }
  alloci1(ElemToHD, mesh->nElements);
  for (int e = 1; e <= mesh->nElements; e++) {
    (*ElemToHD)[e] = 0;
    if (ElemPropIndex[e] == 0) continue;
    const ElementProperty& p = PropOf(mesh, ElemPropIndex, e);
    if (HistoryUseOwn(p.MaterialKind, p.ElementType) == kHistoryNoRecord) continue;
    switch (CompositionOf(p.MaterialKind)) {
      case kCompositionNone: (*ElemToHD)[e] = ++index->nSingle; break;
      case kCompositionLayers: (*ElemToHD)[e] = ++index->nLayered; break;
      case kCompositionNlmmPattern: (*ElemToHD)[e] = ++index->nPattern; break;
      case kCompositionFibrousMesh: (*ElemToHD)[e] = ++index->nFibrous; break;
      default: InternalError(__FILE__, __LINE__);
    }
  }
}

void CalcSizingDataIndex_HD(Index_HD* index, const MeshData* mesh, const int* ElemPropIndex, const int* ElemToHD) {
  alloci1(&index->SingleSlots, index->nSingle);
  alloci1(&index->LayeredSlots, index->nLayered);
  alloci1(&index->LayeredLayers, index->nLayered);
  alloci1(&index->PatternSlots, index->nPattern);
  alloci1(&index->PatternComponents, index->nPattern);
  alloci1(&index->FibrousSlots, index->nFibrous);
  alloci1(&index->FibrousFibres, index->nFibrous);
  alloci1(&index->FibrousSubPoints, index->nFibrous);
  alloci1(&index->DiscontinuitySlots, index->nDiscontinuity);
  for (int e = 1; e <= mesh->nElements; e++) {
    const int i = ElemToHD[e];
    if (i == 0) continue;
    const ElementProperty& p = PropOf(mesh, ElemPropIndex, e);
    switch (CompositionOf(p.MaterialKind)) {
      case kCompositionNone: index->SingleSlots[i] = CalcN_nIP(p, 'G', mesh); break;
      case kCompositionLayers:
        if (p.MaterialNumber < 1 || p.MaterialNumber > mesh->nLayerPatterns) InternalError(__FILE__, __LINE__);
        index->LayeredSlots[i] = LayeredShellPoints(p, mesh);
        index->LayeredLayers[i] = mesh->LayerPatterns[p.MaterialNumber].nLayers;
        break;
      case kCompositionNlmmPattern:
        if (p.MaterialNumber < 1 || p.MaterialNumber > mesh->nNlmmPatterns) InternalError(__FILE__, __LINE__);
        index->PatternSlots[i] = CalcN_nIP(p, 'G', mesh);
        index->PatternComponents[i] = mesh->NlmmPatterns[p.MaterialNumber].nComponents;
        break;
      case kCompositionFibrousMesh: {
        const FibrousMesh& fm = FibrousMeshOf(mesh, p.MaterialNumber);
        index->FibrousSlots[i] = CalcN_nIP(p, 'G', mesh);
        index->FibrousFibres[i] = FibreCount(fm);
        index->FibrousSubPoints[i] = CalcN_nIP_Fiber(fm, mesh);
        break;
      }
      default: InternalError(__FILE__, __LINE__);
    }
  }
}

void AllocIndex_HD(Index_HD* index) {
  AllocJaggedIntArray(&index->Single, index->nSingle, index->SingleSlots);
  BuildIndexArrays(&index->Layered, index->nLayered, index->LayeredSlots, index->LayeredLayers);
  BuildNestedIndexArrays(&index->Fibrous, index->nFibrous, index->FibrousSlots, index->FibrousFibres,
                         index->FibrousSubPoints);
  BuildIndexArrays(&index->Pattern, index->nPattern, index->PatternSlots, index->PatternComponents);
  AllocJaggedIntArray(&index->Discontinuity, index->nDiscontinuity, index->DiscontinuitySlots);
}

void FreeIndex_HD(Index_HD* index) {
  FreeJaggedIntArray(index->Discontinuity, index->nDiscontinuity);
  FreeNestedIndexArrays(index->Pattern, index->nPattern, index->PatternSlots);
  FreeNestedIndexArrays2(index->Fibrous, index->nFibrous, index->FibrousSlots, index->FibrousFibres);
  FreeNestedIndexArrays(index->Layered, index->nLayered, index->LayeredSlots);
  FreeJaggedIntArray(index->Single, index->nSingle);
  FreeSizes(&index->DiscontinuitySlots);
  FreeSizes(&index->FibrousSubPoints);
  FreeSizes(&index->FibrousFibres);
  FreeSizes(&index->FibrousSlots);
  FreeSizes(&index->PatternComponents);
  FreeSizes(&index->PatternSlots);
  FreeSizes(&index->LayeredLayers);
  FreeSizes(&index->LayeredSlots);
  FreeSizes(&index->SingleSlots);
  *index = Index_HD{};
}

void CalcIndex_HD(Index_HD* index, const MeshData* mesh, const int* ElemPropIndex, const int* ElemToHD,
                  int* NLMM_HD_Count) {
  for (int c = 1; c <= kMaterialKinds; c++) NLMM_HD_Count[c] = 0;
  for (int e = 1; e <= mesh->nElements; e++) {
    const int i = ElemToHD[e];
    if (i == 0) continue;
    const ElementProperty& p = PropOf(mesh, ElemPropIndex, e);
    if (HistoryUseOwn(p.MaterialKind, p.ElementType) != kHistoryRecord) InternalError(__FILE__, __LINE__);
    const MaterialComposition kind = CompositionOf(p.MaterialKind);
    switch (kind) {
      case kCompositionNone:
        for (int k = 1; k <= index->SingleSlots[i]; k++) index->Single[i][k] = ++NLMM_HD_Count[p.MaterialKind];
        break;
      case kCompositionNlmmPattern: {
        const MaterialPattern& mp = mesh->NlmmPatterns[p.MaterialNumber];
        for (int k = 1; k <= index->PatternSlots[i]; k++)
          for (int c = 1; c <= mp.nComponents; c++) index->Pattern[i][k][c] = NextRecord(kind, mp.Kind[c], NLMM_HD_Count);
        break;
      }
      case kCompositionLayers: {
        const LayerPattern& lp = mesh->LayerPatterns[p.MaterialNumber];
        for (int k = 1; k <= index->LayeredSlots[i]; k++)
          for (int L = 1; L <= lp.nLayers; L++) {
            const int prop = lp.Layer[L];
            if (prop < 1 || prop > mesh->nLayerProps) InternalError(__FILE__, __LINE__);
            index->Layered[i][k][L] = NextRecord(kind, mesh->LayerProps[prop].MaterialKind, NLMM_HD_Count);
          }
        break;
      }
      case kCompositionFibrousMesh: {
        const FibrousMesh& fm = FibrousMeshOf(mesh, p.MaterialNumber);
        for (int k = 1; k <= index->FibrousSlots[i]; k++)
          for (int f = 1; f <= index->FibrousFibres[i]; f++)
            for (int q = 1; q <= index->FibrousSubPoints[i]; q++) index->Fibrous[i][k][f][q] = 0;
        for (int k = 1; k <= index->FibrousSlots[i]; k++) {
          int fibre = 0;
          for (int g = 1; g <= fm.nProperties; g++) {
            const FibrousElementProperty& grp = fm.Properties[g];
            if (grp.v[3] == 0) continue;
            const int nSub = GroupSubPoints(grp, mesh);
            for (int f = grp.v[3]; f <= grp.v[4]; f++) {
              fibre++;
              for (int q = 1; q <= nSub; q++) {
                CheckRow(i, index->nFibrous, index->FibrousFibres, fibre);
                index->Fibrous[i][k][fibre][q] = NextRecord(kind, grp.v[5], NLMM_HD_Count);
              }
            }
          }
        }
        break;
      }
      default: InternalError(__FILE__, __LINE__);
    }
  }
}

int RecordOfSingle_HD(const Index_HD* index, int i, int k) {
  CheckRow(i, index->nSingle, index->SingleSlots, k);
  return index->Single[i][k];
}

int RecordOfLayer_HD(const Index_HD* index, int i, int k, int layer) {
  CheckRow(i, index->nLayered, index->LayeredSlots, k);
  CheckRow(i, index->nLayered, index->LayeredLayers, layer);
  return index->Layered[i][k][layer];
}

int RecordOfComponent_HD(const Index_HD* index, int i, int k, int component) {
  CheckRow(i, index->nPattern, index->PatternSlots, k);
  CheckRow(i, index->nPattern, index->PatternComponents, component);
  return index->Pattern[i][k][component];
}

int RecordsOfPatternPoint_HD(const Index_HD* index, int i, int k, int capacity, int* records) {
  CheckRow(i, index->nPattern, index->PatternSlots, k);
  const int n = index->PatternComponents[i];
  if (n > capacity) InternalError(__FILE__, __LINE__);
  for (int c = 1; c <= n; c++) records[c] = RecordOfComponent_HD(index, i, k, c);
  return n;
}

int RecordOfFibre_HD(const Index_HD* index, int i, int k, int fibre, int subPoint) {
  CheckRow(i, index->nFibrous, index->FibrousSlots, k);
  CheckRow(i, index->nFibrous, index->FibrousFibres, fibre);
  CheckRow(i, index->nFibrous, index->FibrousSubPoints, subPoint);
  return index->Fibrous[i][k][fibre][subPoint];
}

// ---- springs ----------------------------------------------------------------------------

namespace {

bool NonlinearSpringKind(int kind) {
  if (kind < 1 || kind > kSpringMaterialKinds) InternalError(__FILE__, __LINE__);
  return kind != SPRMAT_LIN_SPRING;
}

template <typename S>
int NumberSprings(int n, const S* springs, int32_t** toHD) {
  alloci1(toHD, n);
  int k = 0;
  for (int j = 1; j <= n; j++) (*toHD)[j] = NonlinearSpringKind(springs[j].SpringMaterialKind) ? ++k : 0;
  return k;
}

}  // namespace

void CalcSpringToSpringIndex_HD(SpringIndex_HD* s, const MeshData* mesh) {
  *s = SpringIndex_HD{};
  s->nLink = NumberSprings(mesh->nSpringLinks, mesh->SpringLinks, &s->LinkToHD);
  s->nPoint = NumberSprings(mesh->nPointSprings, mesh->PointSprings, &s->PointToHD);
  s->nLine = NumberSprings(mesh->nLineSprings, mesh->LineSprings, &s->LineToHD);
  s->nSurf = NumberSprings(mesh->nSurfSprings, mesh->SurfSprings, &s->SurfToHD);
}

namespace {

// Slot count of a nonlinear line (surface) spring on its host. The spring set-up has
// refused other hosts and incomplete patterns before the index is built.
int SpringSlots(const MeshData* mesh, const int* ElemPropIndex, int element, int pattern, bool line) {
  const int prop = element >= 1 && element <= mesh->nElements ? ElemPropIndex[element] : 0;
  if (prop == 0) InternalError(__FILE__, __LINE__);
  const int type = mesh->ElemProps[prop].ElementType;
  if (type != _PLANE_STRESS_QUAD && type != _MINDLIN_SHELL_QUAD && type != _AHMAD_SHELL_QUAD && type != _SOLID_HEXA)
    InternalError(__FILE__, __LINE__);
  if (pattern == 0) return line ? 3 : 9;
  if (pattern < 0 || pattern > mesh->nIntegrations) InternalError(__FILE__, __LINE__);
  const NumericalIntegration& r = mesh->Integrations[pattern];
  const int n = line ? Integ_G_S1(r) : Integ_G_S1(r) * Integ_G_S2(r);
  if (n <= 0) InternalError(__FILE__, __LINE__);
  return n;
}

}  // namespace

void CalcSizingDataSpringIndex_HD(SpringIndex_HD* s, const MeshData* mesh, const int* ElemPropIndex) {
  alloci1(&s->LineSlots, s->nLine);
  alloci1(&s->SurfSlots, s->nSurf);
  for (int j = 1; j <= mesh->nLineSprings; j++)
    if (s->LineToHD[j] != 0) {
      const LineSpring& r = mesh->LineSprings[j];
      s->LineSlots[s->LineToHD[j]] = SpringSlots(mesh, ElemPropIndex, r.Element, r.Code2, true);
    }
  for (int j = 1; j <= mesh->nSurfSprings; j++)
    if (s->SurfToHD[j] != 0) {
      const SurfSpring& r = mesh->SurfSprings[j];
      s->SurfSlots[s->SurfToHD[j]] = SpringSlots(mesh, ElemPropIndex, r.Element, r.Code2, false);
    }
}

void AllocIndexArrays_HD(SpringIndex_HD* s) {
  alloci1(&s->LinkRecord, s->nLink);
  alloci1(&s->PointRecord, s->nPoint);
  AllocJaggedIntArray(&s->LineRecord, s->nLine, s->LineSlots);
  AllocJaggedIntArray(&s->SurfRecord, s->nSurf, s->SurfSlots);
}

void CalcSpringIndex_HD(SpringIndex_HD* s, const MeshData* mesh, int* NLSMM_HD_Count) {
  for (int c = 1; c <= kSpringMaterialKinds; c++) NLSMM_HD_Count[c] = 0;
  for (int j = 1; j <= mesh->nPointSprings; j++)
    if (s->PointToHD[j] != 0) s->PointRecord[s->PointToHD[j]] = ++NLSMM_HD_Count[mesh->PointSprings[j].SpringMaterialKind];
  for (int j = 1; j <= mesh->nLineSprings; j++) {
    const int i = s->LineToHD[j];
    if (i == 0) continue;
    for (int k = 1; k <= s->LineSlots[i]; k++)
      s->LineRecord[i][k] = ++NLSMM_HD_Count[mesh->LineSprings[j].SpringMaterialKind];
  }
  for (int j = 1; j <= mesh->nSurfSprings; j++) {
    const int i = s->SurfToHD[j];
    if (i == 0) continue;
    for (int k = 1; k <= s->SurfSlots[i]; k++)
      s->SurfRecord[i][k] = ++NLSMM_HD_Count[mesh->SurfSprings[j].SpringMaterialKind];
  }
  for (int j = 1; j <= mesh->nSpringLinks; j++)
    if (s->LinkToHD[j] != 0) s->LinkRecord[s->LinkToHD[j]] = ++NLSMM_HD_Count[mesh->SpringLinks[j].SpringMaterialKind];
}

void FreeSpringIndex_HD(SpringIndex_HD* s) {
  FreeJaggedIntArray(s->SurfRecord, s->nSurf);
  FreeJaggedIntArray(s->LineRecord, s->nLine);
  int32_t* v[] = {s->PointRecord, s->LinkRecord, s->SurfSlots, s->LineSlots,
                  s->SurfToHD,    s->LineToHD,   s->PointToHD, s->LinkToHD};
  for (int32_t* p : v)
    if (p != nullptr) freei1(p);
  *s = SpringIndex_HD{};
}
