// FreeMesh and the small lookups of the model record.
#include "model/mesh.h"

#include "model/material_formats.h"
#include "model/records.h"
#include "numcore/numcore.h"

// ---- what the records own ---------------------------------------------------------------
void ReleaseRecord(MaterialPattern& r) {
  freei1(r.Number);
  freei1(r.Kind);
}
void ReleaseRecord(GeometryPattern& r) { freei1(r.Record); }
void ReleaseRecord(FibrousPattern& r) { freec2(r.Names); }
void ReleaseRecord(LayerPattern& r) { freei1(r.Layer); }
void ReleaseRecord(CrossSection& r) { freed2(r.Coord); }
void ReleaseRecord(LineSpring& r) { freei1(r.Material); }
void ReleaseRecord(SurfSpring& r) { freei1(r.Material); }
void ReleaseRecord(SurfaceConvection& r) { freed1(r.Values); }
void ReleaseRecord(SurfaceRadiation& r) { freed1(r.Values); }

static void FreeElementNodes(int n, int32_t* counts, int32_t** lists) {
  for (int e = n; e >= 1; e--) freei1(lists[e]);
  freepi1(lists);
  freei1(counts);
}

void ReleaseRecord(FibrousMesh& r) {
  FreeRecords(r.Properties, r.nProperties);
  FreeElementNodes(r.nElements, r.ElemNodeCount, r.ElemNodes);
  FreeRecords(r.Sections, r.nMotherNodes);
}

void ReleaseRecord(ContactCase& r) {
  FreeRecords(r.PointToElement, r.nPointToElement);
  FreeRecords(r.PointToPoint, r.nPointToPoint);
}

void FreeMesh(MeshData* m) {
  FreeRecords(m->ThermalInitial, m->nThermalInitial);          // 90
  FreeRecords(m->ModalDampingRatios, m->nModalDampingRatios);  // 89
  freei1(m->DynamicParticipation);                             // 88
  freei1(m->StaticParticipation);                              // 87
  FreeRecords(m->RitzLoadCases, m->nRitzLoadCases);            // 85
  FreeRecords(m->FrequencyRanges, m->nFrequencyRanges);        // 84
  FreeRecords(m->InitialConditions, m->nInitialConditions);    // 83
  // 81: the per-element lists exist only when there are records
  if (m->nDiscontinuities != 0)
    for (int e = m->nElements; e >= 1; e--) freei1(m->DiscList2[e]);
  freepi1(m->DiscList2);
  freei1(m->DiscLen2);
  if (m->nDiscontinuities != 0)
    for (int e = m->nElements; e >= 1; e--) freei1(m->DiscList1[e]);
  freepi1(m->DiscList1);
  freei1(m->DiscLen1);
  FreeRecords(m->Discontinuities, m->nDiscontinuities);
  FreeRecords(m->ContactCases, m->Main.nContactCases);  // 80
  FreeRecords(m->Radiations, m->nRadiations);           // 79
  FreeRecords(m->Convections, m->nConvections);         // 78
  FreeRecords(m->SurfSprings, m->nSurfSprings);         // 77
  FreeRecords(m->LineSprings, m->nLineSprings);         // 76
  FreeRecords(m->PointSprings, m->nPointSprings);       // 75
  for (int k = kSpringMaterialKinds; k >= 1; k--)       // 74..71
    FreeMaterialBlock(m->SpringMaterials[k], m->nSpringMaterials[k]);
  FreeRecords(m->ElemProps, m->nElemProps);                  // 70
  FreeRecords(m->FibrousMeshes, m->Main.nFibrousMeshes);     // 69
  FreeElementNodes(m->nElements, m->ElemNodeCount, m->ElemNodes);  // 68
  FreeRecords(m->Integrations, m->nIntegrations);            // 67
  FreeRecords(m->LayerPatterns, m->nLayerPatterns);          // 66
  FreeRecords(m->LayerProps, m->nLayerProps);                // 65
  FreeRecords(m->FibrousPatterns, m->nFibrousPatterns);      // 64
  FreeRecords(m->GeomPatterns, m->nGeomPatterns);            // 63
  FreeRecords(m->LamThicks, m->nLamThicks);                  // 62
  FreeRecords(m->Frame3DSections, m->nFrame3DSections);      // 61
  FreeRecords(m->Frame2DSections, m->nFrame2DSections);      // 60
  FreeRecords(m->CsAreas, m->nCsAreas);                      // 59
  FreeRecords(m->Rayleigh, m->nRayleigh);                    // 58
  FreeRecords(m->NlmmPatterns, m->nNlmmPatterns);            // 57
  // 56..12: the blocks of every kind with a format row's layout
  for (int k = kMaterialKinds; k >= 1; k--)
    if (MaterialFormatOf(k).layout != nullptr) FreeMaterialBlock(m->Materials[k], m->nMaterials[k]);
  FreeRecords(m->SpringLinks, m->nSpringLinks);              // 11
  FreeRecords(m->PointLinks, m->nPointLinks);                // 10
  FreeRecords(m->FixedTemps, m->nFixedTemps);                // 9
  FreeRecords(m->Supports, m->nSupports);                    // 8
  FreeRecords(m->SpecialCsPoints, m->nSpecialCsPoints);      // 7
  FreeRecords(m->CoordSystems, m->nCoordSystems);            // 6
  FreeRecords(m->AuxVectors, m->nAuxVectors);                // 5
  freed2(m->PointCoord);                                     // 4
  freec2(m->GroupNames);                                     // 3
}

bool ElemPropIsActive(const ElementProperty& p) {
  return p.FirstPhase != 0 && p.ElementType != 0 && p.FirstElement != 0 && p.FirstElement <= p.LastElement;
}

int SearchElementType(int element, int nProps, const ElementProperty* props) {
  if (element < 1) InternalError(__FILE__, __LINE__);
  for (int i = 1; i <= nProps; i++) {
    const ElementProperty& p = props[i];
    if (ElemPropIsActive(p) && p.FirstElement <= element && element <= p.LastElement)
      return p.ElementType;
  }
  return 0;
}

const MaterialRecord& MaterialOf(const MeshData* mesh, int kind, int number) {
  if (kind < 1 || kind > kMaterialKinds || number < 1 || number > mesh->nMaterials[kind])
    InternalError(__FILE__, __LINE__);
  return mesh->Materials[kind][number];
}

int32_t IntegTrianglePoints(const NumericalIntegration& r) { return r.v[2]; }

int32_t IntegPoints(const NumericalIntegration& r, char pattern, int direction) {
  if (direction < 1 || direction > 3) InternalError(__FILE__, __LINE__);
  switch (pattern) {
    case 'G': return r.v[2 + direction];
    case 'M': return r.v[5 + direction];
    case 'B': return r.v[8 + direction];
    case 'S': return r.v[11 + direction];
    case 'T': return r.v[14 + direction];
    default: InternalError(__FILE__, __LINE__);
  }
}
