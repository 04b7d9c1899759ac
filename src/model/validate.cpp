// The checks of the indices and codes of the data file.
#include "model/validate.h"

#include <cstdarg>
#include <cstdio>

#include "model/loadcase.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void DataFault(const char* context, const char* block, int record, const char* fmt, ...) {
  char msg[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(msg, sizeof msg, fmt, args);
  va_end(args);
  std::fflush(stdout);
  std::fprintf(stderr, "\nVerifying the data file\n");
  if (context != nullptr) std::fprintf(stderr, "%s\n", context);
  std::fprintf(stderr, "   -> Block name: %s\n", block);
  if (record > 0) std::fprintf(stderr, "   -> Record counter: %d\n", record);
  errexit(msg, 0);
}

namespace {

constexpr int kElementTypes = 32;

// Where a check stands: extra context line, block, record counter.
struct Where {
  const char* context;
  const char* block;
  int record;
};

// A number of a record (point, element, record of another block) must lie in 1..count.
void CheckNumber(const Where& w, const char* what, int value, int count) {
  if (value >= 1 && value <= count) return;
  if (count >= 1)
    DataFault(w.context, w.block, w.record, "Invalid %s: %d (valid: 1 to %d).", what, value, count);
  DataFault(w.context, w.block, w.record, "Invalid %s: %d (there is none to refer to).", what, value);
}

// A code must lie in lo..hi.
void CheckCode(const Where& w, const char* what, int value, int lo, int hi) {
  if (value < lo || value > hi)
    DataFault(w.context, w.block, w.record, "Invalid %s: %d (valid: %d to %d).", what, value, lo, hi);
}

// Records of the block a material kind code refers to.
int RecordsOfMaterialKind(const MeshData* m, int kind) {
  switch (kind) {
    case MAT_NLMM_PATT: return m->nNlmmPatterns;
    case MAT_FIB_PATT: return m->nFibrousPatterns;
    case MAT_LAY_PATT: return m->nLayerPatterns;
    case MAT_FIB_MESH: return m->Main.nFibrousMeshes;
    default:
      if (kind < 1 || kind > kMaterialKinds) InternalError(__FILE__, __LINE__);
      return m->nMaterials[kind];
  }
}

int RecordsOfGeometryKind(const MeshData* m, int kind) {
  switch (kind) {
    case GEOM_PATT: return m->nGeomPatterns;
    case GEOM_CS_AREA: return m->nCsAreas;
    case GEOM_CS_2D: return m->nFrame2DSections;
    case GEOM_CS_3D: return m->nFrame3DSections;
    case GEOM_LAM_THICK: return m->nLamThicks;
    default: InternalError(__FILE__, __LINE__);
  }
}

bool IsSingleMaterialKind(int kind) {
  return (kind >= MAT_LIN_ISO && kind <= MAT_FRC_MIXFRACTURE_2D) || kind == MAT_THERMAL_ISO;
}

// A material reference (kind, record) of a single material (not a pattern).
void CheckSingleMaterial(const MeshData* m, const Where& w, int kind, int number) {
  if (!IsSingleMaterialKind(kind))
    DataFault(w.context, w.block, w.record, "Invalid material kind code: %d (valid: 1 to 44 and 49).", kind);
  CheckNumber(w, "material record number", number, m->nMaterials[kind]);
}

void CheckSpringMaterial(const MeshData* m, const Where& w, int kind, int number) {
  CheckCode(w, "spring material kind code", kind, 1, kSpringMaterialKinds);
  CheckNumber(w, "spring material record number", number, m->nSpringMaterials[kind]);
}

// Point counts of an integration pattern: 0 (not given) to 10, the triangle rule 1, 3,
// 4 or 6 points.
void CheckIntegrationRecord(const Where& w, const NumericalIntegration& r) {
  int t = IntegTrianglePoints(r);
  if (t != 0 && t != 1 && t != 3 && t != 4 && t != 6)
    DataFault(w.context, w.block, w.record,
              "Invalid number of points of the triangle rule: %d (valid: 1, 3, 4 or 6).", t);
  for (int k = 3; k <= 17; k++)
    if (r.v[k] < 0 || r.v[k] > 10)
      DataFault(w.context, w.block, w.record, "Invalid number of integration points: %d (valid: 1 to 10).",
                r.v[k]);
}

// A reference to an integration pattern with a rule type: Gauss-Lobatto rules need two
// points at least.
void CheckIntegrationUse(const MeshData* m, const Where& w, int type, int number) {
  CheckCode(w, "integration type code", type, INTEG_GLEG, INTEG_NCOTES);
  if (number == 0) return;
  CheckNumber(w, "integration record number", number, m->nIntegrations);
  const NumericalIntegration& r = m->Integrations[number];
  if (type == INTEG_GLOB)
    for (int k = 3; k <= 17; k++)
      if (r.v[k] == 1)
        DataFault(w.context, w.block, w.record,
                  "Integration pattern %d (%s) gives 1 point:\n_GLOB rules have 2 to 10 points.", number,
                  r.Name);
}

void CheckElementProperties(const MeshData* m) {
  for (int r = 1; r <= m->nElemProps; r++) {
    const ElementProperty& p = m->ElemProps[r];
    Where w{nullptr, "<ELEMENT_PROPERTIES>", r};
    CheckNumber(w, "first element number", p.FirstElement, m->nElements);
    CheckNumber(w, "last element number", p.LastElement, m->nElements);
    if (p.FirstElement > p.LastElement)
      DataFault(w.context, w.block, w.record, "Invalid element range: %d to %d.", p.FirstElement, p.LastElement);
    if (p.FirstPhase < 1 || p.FirstPhase > p.LastPhase)
      DataFault(w.context, w.block, w.record, "Invalid phase range: %d to %d.", p.FirstPhase, p.LastPhase);
    CheckCode(w, "element type code", p.ElementType, 1, kElementTypes);
    CheckCode(w, "material kind code", p.MaterialKind, 1, kMaterialKinds);
    CheckNumber(w, "material record number", p.MaterialNumber, RecordsOfMaterialKind(m, p.MaterialKind));
    // Elements without a cross-section (solids) carry geometry kind and record 0.
    if (p.GeometryKind != 0 || p.GeometryNumber != 0) {
      CheckCode(w, "geometry kind code", p.GeometryKind, GEOM_PATT, GEOM_LAM_THICK);
      CheckNumber(w, "geometry record number", p.GeometryNumber, RecordsOfGeometryKind(m, p.GeometryKind));
    }
    CheckIntegrationUse(m, w, p.IntegrationType, p.IntegrationNumber);
  }
}

void CheckPatterns(const MeshData* m) {
  for (int r = 1; r <= m->nNlmmPatterns; r++) {
    const MaterialPattern& p = m->NlmmPatterns[r];
    Where w{nullptr, "<NLMM_PATTERNS>", r};
    for (int k = 1; k <= p.nComponents; k++) CheckSingleMaterial(m, w, p.Kind[k], p.Number[k]);
  }
  for (int r = 1; r <= m->nGeomPatterns; r++) {
    const GeometryPattern& p = m->GeomPatterns[r];
    Where w{nullptr, "<GEOMETRY_PATTERNS>", r};
    CheckCode(w, "geometry kind code of the pattern entries", p.Kind, GEOM_CS_AREA, GEOM_LAM_THICK);
    for (int k = 1; k <= p.nEntries; k++)
      CheckNumber(w, "geometry record number", p.Record[k], RecordsOfGeometryKind(m, p.Kind));
  }
  for (int r = 1; r <= m->nLayerProps; r++) {
    const LayerProperty& p = m->LayerProps[r];
    Where w{nullptr, "<LAYER_PROPERTIES>", r};
    CheckSingleMaterial(m, w, p.MaterialKind, p.MaterialNumber);
    if (p.GeometryKind != GEOM_PATT && p.GeometryKind != GEOM_LAM_THICK)
      DataFault(w.context, w.block, w.record, "Invalid geometry kind code: %d (valid: 1 or 5).", p.GeometryKind);
    CheckNumber(w, "geometry record number", p.GeometryNumber, RecordsOfGeometryKind(m, p.GeometryKind));
  }
  for (int r = 1; r <= m->nLayerPatterns; r++) {
    const LayerPattern& p = m->LayerPatterns[r];
    Where w{nullptr, "<LAYER_PATTERNS>", r};
    for (int k = 1; k <= p.nLayers; k++) CheckNumber(w, "layer property record number", p.Layer[k], m->nLayerProps);
  }
  for (int r = 1; r <= m->nIntegrations; r++)
    CheckIntegrationRecord(Where{nullptr, "<NUMERICAL_INTEGRATION>", r}, m->Integrations[r]);
}

// Master and slave points of the internal point links: no point linked to itself, no
// slave of two masters, no master that is itself a slave.
void CheckPointLinks(const MeshData* m) {
  for (int r = 1; r <= m->nPointLinks; r++) {
    const InternalPointLink& k = m->PointLinks[r];
    Where w{nullptr, "<INTERNAL_POINT_LINKS>", r};
    CheckNumber(w, "master point number", k.Master, m->nPoints);
    CheckNumber(w, "slave point number", k.Slave, m->nPoints);
    if (k.Master == k.Slave)
      DataFault(w.context, w.block, w.record, "Point %d cannot be linked to itself.", k.Master);
  }
  if (m->nPointLinks == 0) return;
  int* masterOf;
  alloci1(&masterOf, m->nPoints);
  zeroi1(masterOf, m->nPoints);
  for (int r = 1; r <= m->nPointLinks; r++) {
    const InternalPointLink& k = m->PointLinks[r];
    if (masterOf[k.Slave] != 0 && masterOf[k.Slave] != k.Master)
      DataFault(nullptr, "<INTERNAL_POINT_LINKS>", r, "Point %d is linked as slave to two master points (%d and %d).",
                k.Slave, masterOf[k.Slave], k.Master);
    masterOf[k.Slave] = k.Master;
  }
  for (int r = 1; r <= m->nPointLinks; r++) {
    const InternalPointLink& k = m->PointLinks[r];
    if (masterOf[k.Master] != 0)
      DataFault(nullptr, "<INTERNAL_POINT_LINKS>", r, "Master point %d is itself the slave of point %d.", k.Master,
                masterOf[k.Master]);
  }
  freei1(masterOf);
}

// Direction of a point spring or spring link: 'G' axis 1..3, 'S' an auxiliary vector.
void CheckSpringDirection(const MeshData* m, const Where& w, char kind, int direction) {
  if (kind == 'G')
    CheckCode(w, "global axis", direction, 1, 3);
  else if (kind == 'S')
    CheckNumber(w, "auxiliary vector number", direction, m->nAuxVectors);
  else
    DataFault(w.context, w.block, w.record, "Invalid direction kind: character code %d (valid: G or S).",
              static_cast<unsigned char>(kind));
}

void CheckSprings(const MeshData* m) {
  for (int r = 1; r <= m->nSpringLinks; r++) {
    const IntPointSpringLink& s = m->SpringLinks[r];
    Where w{nullptr, "<INTERNAL_POINT_SPRING_LINKS>", r};
    CheckNumber(w, "target point number", s.TargetPoint, m->nPoints);
    CheckNumber(w, "reference point number", s.RefPoint, m->nPoints);
    CheckSpringDirection(m, w, s.DirKind, s.Direction);
    CheckCode(w, "degree-of-freedom type", s.DofType, 1, 2);
    CheckSpringMaterial(m, w, s.SpringMaterialKind, s.SpringMaterial);
  }
  for (int r = 1; r <= m->nPointSprings; r++) {
    const PointSpring& s = m->PointSprings[r];
    Where w{nullptr, "<POINT_SPRINGS>", r};
    CheckNumber(w, "point number", s.Point, m->nPoints);
    CheckSpringDirection(m, w, s.DirKind, s.Direction);
    CheckCode(w, "degree-of-freedom type", s.DofType, 1, 2);
    CheckSpringMaterial(m, w, s.SpringMaterialKind, s.SpringMaterial);
  }
  for (int r = 1; r <= m->nLineSprings; r++) {
    const LineSpring& s = m->LineSprings[r];
    Where w{nullptr, "<LINE_SPRINGS>", r};
    CheckNumber(w, "host element number", s.Element, m->nElements);
    CheckCode(w, "spring material kind code", s.SpringMaterialKind, 1, kSpringMaterialKinds);
    for (int k = 1; k <= s.nMaterials; k++) CheckSpringMaterial(m, w, s.SpringMaterialKind, s.Material[k]);
  }
  for (int r = 1; r <= m->nSurfSprings; r++) {
    const SurfSpring& s = m->SurfSprings[r];
    Where w{nullptr, "<SURFACE_SPRINGS>", r};
    CheckNumber(w, "host element number", s.Element, m->nElements);
    CheckCode(w, "spring material kind code", s.SpringMaterialKind, 1, kSpringMaterialKinds);
    for (int k = 1; k <= s.nMaterials; k++) CheckSpringMaterial(m, w, s.SpringMaterialKind, s.Material[k]);
  }
}

void CheckContacts(const MeshData* m) {
  char context[64];
  for (int c = 1; c <= m->Main.nContactCases; c++) {
    const ContactCase& cc = m->ContactCases[c];
    std::snprintf(context, sizeof context, "   -> Contact case: %d", c);
    for (int r = 1; r <= cc.nPointToPoint; r++) {
      const PointToPointContact& k = cc.PointToPoint[r];
      Where w{context, "<POINT_TO_POINT_CONTACTS>", r};
      CheckNumber(w, "point number (M)", k.PointM, m->nPoints);
      CheckNumber(w, "point number (S)", k.PointS, m->nPoints);
      CheckCode(w, "degree of freedom", k.Dof, 1, 6);
    }
    for (int r = 1; r <= cc.nPointToElement; r++) {
      const PointToElementContact& k = cc.PointToElement[r];
      Where w{context, "<POINT_TO_ELEMENT_CONTACTS>", r};
      CheckNumber(w, "point number", k.PointS, m->nPoints);
      CheckNumber(w, "element number", k.Element, m->nElements);
      CheckCode(w, "degree of freedom", k.Dof, 1, 6);
    }
  }
}

}  // namespace

void ValidateMesh(const MeshData* m) {
  for (int e = 1; e <= m->nElements; e++)
    for (int k = 1; k <= m->ElemNodeCount[e]; k++)
      CheckNumber(Where{nullptr, "<ELEMENT_NODES>", e}, "point number", m->ElemNodes[e][k], m->nPoints);
  for (int r = 1; r <= m->nCoordSystems; r++)
    for (int k = 1; k <= 3; k++)
      CheckNumber(Where{nullptr, "<COORDINATE_SYSTEMS>", r}, "auxiliary vector number", m->CoordSystems[r].AuxVector[k],
                  m->nAuxVectors);
  for (int r = 1; r <= m->nSpecialCsPoints; r++) {
    Where w{nullptr, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", r};
    CheckNumber(w, "point number", m->SpecialCsPoints[r].Point, m->nPoints);
    CheckNumber(w, "coordinate system number", m->SpecialCsPoints[r].CoordSystem, m->nCoordSystems);
  }
  for (int r = 1; r <= m->nSupports; r++)
    CheckNumber(Where{nullptr, "<SUPPORTS>", r}, "point number", m->Supports[r].Point, m->nPoints);
  for (int r = 1; r <= m->nFixedTemps; r++)
    CheckNumber(Where{nullptr, "<BOUNDARY_WITH_FIXED_TEMPERATURES>", r}, "point number", m->FixedTemps[r].Point,
                m->nPoints);
  CheckPointLinks(m);
  CheckPatterns(m);
  CheckElementProperties(m);
  CheckSprings(m);
  CheckContacts(m);
  for (int r = 1; r <= m->nThermalInitial; r++)
    CheckNumber(Where{nullptr, "<THERMAL_TRANSIENT_INITIAL_CONDITIONS>", r}, "point number", m->ThermalInitial[r].Point,
                m->nPoints);
}

void ValidateLoadCase(const MeshData* m, const LoadCaseData* lc) {
  char context[64];
  std::snprintf(context, sizeof context, "   -> Load case: %d", lc->Number);
  const int ne = m->nElements, np = m->nPoints;
  const LoadCaseParameters& p = lc->Params;
  Where wp{context, "<LOAD_CASE_PARAMETERS>", 0};
  // Load cases without element loads may give no integration type (0).
  if (p.IntegrationType != 0 || p.IntegrationName != 0) CheckIntegrationUse(m, wp, p.IntegrationType, p.IntegrationName);
  for (int r = 1; r <= lc->nPointLoads; r++)
    CheckNumber(Where{context, "<POINT_LOADS>", r}, "point number", lc->PointLoads[r].Point, np);
  for (int r = 1; r <= lc->nIntPointLoads; r++) {
    Where w{context, "<INTERNAL_POINT_LOADS>", r};
    CheckNumber(w, "element number", lc->IntPointLoads[r].Element, ne);
    CheckNumber(w, "auxiliary point number", lc->IntPointLoads[r].AuxPoint, np);
  }
  for (int r = 1; r <= lc->nEdgeLoads; r++)
    CheckNumber(Where{context, "<EDGE_LOADS>", r}, "element number", lc->EdgeLoads[r].Element, ne);
  for (int r = 1; r <= lc->nIntEdgeLoads; r++) {
    Where w{context, "<INTERNAL_EDGE_LOADS>", r};
    CheckNumber(w, "element number", lc->IntEdgeLoads[r].Element, ne);
    CheckNumber(w, "auxiliary element number", lc->IntEdgeLoads[r].AuxElement, ne);
  }
  for (int r = 1; r <= lc->nFaceLoads; r++)
    CheckNumber(Where{context, "<FACE_LOADS>", r}, "element number", lc->FaceLoads[r].Element, ne);
  for (int r = 1; r <= lc->nIntFaceLoads; r++) {
    Where w{context, "<INTERNAL_FACE_LOADS>", r};
    CheckNumber(w, "element number", lc->IntFaceLoads[r].Element, ne);
    CheckNumber(w, "auxiliary element number", lc->IntFaceLoads[r].AuxElement, ne);
  }
  for (int r = 1; r <= lc->nTempVars; r++)
    CheckNumber(Where{context, "<TEMPERATURE_VARIATION>", r}, "element number", lc->TempVars[r].Element, ne);
  for (int r = 1; r <= lc->nDiffTempVars; r++)
    CheckNumber(Where{context, "<DIFFERENTIAL_TEMPERATURE_VARIATION>", r}, "element number",
                lc->DiffTempVars[r].Element, ne);
  for (int r = 1; r <= lc->nPrescDispls; r++) {
    Where w{context, "<PRESCRIBED_DISPLACEMENTS>", r};
    CheckNumber(w, "point number", lc->PrescDispls[r].Point, np);
    CheckCode(w, "degree of freedom", lc->PrescDispls[r].Dof, 1, 6);
  }
  for (int r = 1; r <= lc->nPrescTemps; r++)
    CheckNumber(Where{context, "<PRESCRIBED_POINT_TEMPERATURES>", r}, "point number", lc->PrescTemps[r].Point, np);
  for (int r = 1; r <= lc->nHeatFluxes; r++)
    CheckNumber(Where{context, "<SURFACE_HEAT_FLUX>", r}, "element number", lc->HeatFluxes[r].Element, ne);
  for (int r = 1; r <= lc->nFluidTemps; r++)
    CheckNumber(Where{context, "<SURFACE_FLUID_TEMPERATURE>", r}, "element number", lc->FluidTemps[r].Element, ne);
  for (int r = 1; r <= lc->nHeatGenerations; r++)
    CheckNumber(Where{context, "<VOLUMETRIC_INTERNAL_HEAT_GENERATION>", r}, "element number",
                lc->HeatGenerations[r].Element, ne);
}

void ValidateCombinations(const MeshData* m, const CombinationData* c, int n) {
  char context[64];
  for (int i = 1; i <= n; i++) {
    std::snprintf(context, sizeof context, "   -> Combination: %d", i);
    for (int r = 1; r <= c[i].nFactors; r++)
      CheckNumber(Where{context, "<LOAD_CASE_FACTORS>", r}, "load case number", c[i].Factors[r].Number,
                  m->Main.nLoadCases);
    for (int r = 1; r <= c[i].nContactCases; r++)
      CheckNumber(Where{context, "<CONTACT_CASES>", r}, "contact case number", c[i].ContactCases[r],
                  m->Main.nContactCases);
  }
}
