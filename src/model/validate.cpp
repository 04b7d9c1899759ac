// The checks of the indices and codes of the data file.
#include "model/validate.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/loadcase.h"
#include "model/material_formats.h"
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

using Where = DataPlace;

// A number of a record (point, element, record of another block) must lie in 1..count.
void CheckNumber(const Where& w, const char* what, int value, int count) {
  if (value >= 1 && value <= count) return;
  if (count >= 1)
    DataFault(w.context, w.block, w.record, "Invalid %s: %d (valid: 1 to %d).", what, value, count);
  DataFault(w.context, w.block, w.record, "Invalid %s: %d (there is none to refer to).", what, value);
}

}  // namespace

// A code must lie in lo..hi.
void CheckCode(const Where& w, const char* what, int value, int lo, int hi) {
  if (value < lo || value > hi)
    DataFault(w.context, w.block, w.record, "Invalid %s: %d (valid: %d to %d).", what, value, lo, hi);
}

// A real value of the data file must be finite.
void CheckFinite(const Where& w, const char* what, double value) {
  if (!std::isfinite(value)) DataFault(w.context, w.block, w.record, "Invalid %s: %g (not a finite number).", what, value);
}

void CheckAllFinite(const Where& w, const char* what, const double* v, int n) {
  for (int k = 1; k <= n; k++) CheckFinite(w, what, v[k]);
}

// A stiffness, area or thickness: the mechanics divides by it or needs it to carry load.
void CheckPositive(const Where& w, const char* what, double value) {
  CheckFinite(w, what, value);
  if (!(value > 0.0)) DataFault(w.context, w.block, w.record, "Invalid %s: %g (it must be positive).", what, value);
}

void CheckNotNegative(const Where& w, const char* what, double value) {
  CheckFinite(w, what, value);
  if (value < 0.0) DataFault(w.context, w.block, w.record, "Invalid %s: %g (it must not be negative).", what, value);
}

namespace {

// A yes/no flag byte: 0 or 1.
void CheckFlags(const Where& w, const char* what, const char* flags, int n) {
  for (int d = 1; d <= n; d++)
    if (flags[d] != 0 && flags[d] != 1)
      DataFault(w.context, w.block, w.record, "Invalid %s of dof %d: %d (valid: 0 or 1).", what, d,
                static_cast<signed char>(flags[d]));
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

// The kinds read as records of their own block (not the patterns and fibrous meshes).
bool IsSingleMaterialKind(int kind) {
  return kind >= 1 && kind <= kMaterialKinds && MaterialFormatOf(kind).layout != nullptr;
}

// A material reference (kind, record) of a single material (not a pattern).
void CheckSingleMaterial(const MeshData* m, const Where& w, int kind, int number) {
  if (!IsSingleMaterialKind(kind)) {
    // The valid codes in runs: "1 to 44 and 49".
    char valid[128] = "";
    for (int k = 1; k <= kMaterialKinds; k++) {
      if (!IsSingleMaterialKind(k) || IsSingleMaterialKind(k - 1)) continue;
      int last = k;
      while (IsSingleMaterialKind(last + 1)) last++;
      const size_t used = std::strlen(valid);
      std::snprintf(valid + used, sizeof valid - used, last > k ? "%s%d to %d" : "%s%d", used > 0 ? " and " : "", k,
                    last);
    }
    DataFault(w.context, w.block, w.record, "Invalid material kind code: %d (valid: %s).", kind, valid);
  }
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

// Node counts of the element types (0-terminated); null for the types whose element
// routines are not built, which the set-up refuses by type.
const int* NodeCountsOfType(int type) {
  static const int kLine2[] = {2, 0}, kLine3[] = {2, 3, 0}, kTriangle[] = {3, 6, 0}, kQuad[] = {4, 8, 9, 0},
                   kHexa[] = {8, 20, 0}, kInterfaceLine[] = {4, 6, 0}, kInterfaceQuad[] = {8, 16, 18, 0};
  switch (type) {
    case _TRUSS_2D: case _TRUSS_3D: case _FRAME_2D: case _FRAME_3D: return kLine2;
    case _CABLE_2D: case _CABLE_3D: case _TIMOSHENKO_BEAM_3D: case _EMB_CABLE_2D: case _EMB_CABLE_3D: return kLine3;
    case _PLANE_STRESS_TRIANG: return kTriangle;
    case _PLANE_STRESS_QUAD: case _PLANE_STRESS_QUAD_THERMAL: case _PLANE_STRAIN_QUAD: case _MINDLIN_SLAB_QUAD:
    case _MINDLIN_SHELL_QUAD: case _AHMAD_SHELL_QUAD:
      return kQuad;
    case _SOLID_HEXA: case _SOLID_HEXA_THERMAL: return kHexa;
    case _INTERFACE_LINE_2D: case _INTERFACE_LINE_3D: return kInterfaceLine;
    case _INTERFACE_QUAD: return kInterfaceQuad;
    default: return nullptr;
  }
}

// The node count of element e against its type.
void CheckElementNodeCount(const MeshData* m, int e, int type) {
  const int* valid = NodeCountsOfType(type);
  if (valid == nullptr) return;
  {
    const int n = m->ElemNodeCount[e];
    bool ok = false;
    char list[32] = "";
    for (int k = 0; valid[k] != 0; k++) {
      ok = ok || n == valid[k];
      const char* sep = valid[k + 1] == 0 ? "" : (valid[k + 2] == 0 ? " or " : ", ");
      std::snprintf(list + std::strlen(list), sizeof list - std::strlen(list), "%d%s", valid[k], sep);
    }
    if (!ok)
      DataFault(nullptr, "<ELEMENT_NODES>", e, "Element n. %d has %d nodes: its type (code %d) takes %s nodes.", e,
                n, type, list);
  }
}

void CheckElementProperties(const MeshData* m) {
  for (int r = 1; r <= m->nElemProps; r++) {
    const ElementProperty& p = m->ElemProps[r];
    Where w{nullptr, "<ELEMENT_PROPERTIES>", r};
    // Placeholder records that pre-processors store never match an element.
    // Placeholder records that pre-processors store name no element; a record that
    // names elements but would never hold one is refused, not dropped.
    if (p.FirstElement == 0 && p.LastElement == 0) continue;
    CheckNumber(w, "first element number", p.FirstElement, m->nElements);
    CheckNumber(w, "last element number", p.LastElement, m->nElements);
    if (p.FirstElement > p.LastElement)
      DataFault(w.context, w.block, w.record, "Invalid element range: %d to %d.", p.FirstElement, p.LastElement);
    if (p.FirstPhase < 1 || p.FirstPhase > p.LastPhase || (m->Main.nPhases >= 1 && p.FirstPhase > m->Main.nPhases))
      DataFault(w.context, w.block, w.record, "Invalid phase range: %d to %d (the model has %d phase(s)).",
                p.FirstPhase, p.LastPhase, m->Main.nPhases);
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
    CheckFlags(w, "link flag", k.Linked, 6);
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
      CheckNumber(w, "location point number", k.Location, m->nPoints);
      CheckCode(w, "degree of freedom", k.Dof, 1, 6);
    }
  }
}

// Initial conditions name a point and a dof.
void CheckInitialConditions(const MeshData* m) {
  for (int r = 1; r <= m->nInitialConditions; r++) {
    const DynamicInitialCondition& k = m->InitialConditions[r];
    Where w{nullptr, "<DYNAMIC_INITIAL_CONDITIONS>", r};
    CheckNumber(w, "point number", k.Int1, m->nPoints);
    CheckCode(w, "degree of freedom", k.Int2, 1, 6);
  }
}

// The options and the load cases of the modal analyses.
void CheckModalData(const MeshData* m) {
  const int type = m->Main.AnalysisType;
  if (type == ANALYSIS_MODAL_ANALYSIS || type == ANALYSIS_MODAL_SUPERPOSITION) {
    CheckCode(Where{nullptr, "<MAIN_PARAMETERS>", 0}, "SYSTEM_LIN_EQ_ALGORITHM", m->Main.LinEqAlgorithm, 1, 3);
    if (type == ANALYSIS_MODAL_ANALYSIS)
      CheckCode(Where{nullptr, "<DYNAMIC_ANALYSIS_PARAMETERS>", 0}, "TYPE_OF_VIBRATION_MODES",
                m->Dynamic.VibrationModeType, 1, 2);
  }
  const int nLC = m->Main.nLoadCases;
  for (int r = 1; r <= m->nRitzLoadCases; r++)
    CheckNumber(Where{nullptr, "<RITZ_GENERATING_LOAD_CASES>", r}, "load case number", m->RitzLoadCases[r].Int1, nLC);
  for (int r = 1; r <= m->nStaticParticipation; r++)
    CheckNumber(Where{nullptr, "<STATIC_PARTICIPATION_RATIOS>", r}, "load case number", m->StaticParticipation[r], nLC);
  for (int r = 1; r <= m->nDynamicParticipation; r++)
    CheckNumber(Where{nullptr, "<DYNAMIC_PARTICIPATION_RATIOS>", r}, "load case number", m->DynamicParticipation[r],
                nLC);
}

// The three axes of a special coordinate system must be orthonormal: the point's dofs,
// supports and results are turned by them as a rotation.
void CheckCoordinateSystem(const MeshData* m, int r) {
  const CoordinateSystem& c = m->CoordSystems[r];
  Where w{nullptr, "<COORDINATE_SYSTEMS>", r};
  const double* v[4] = {nullptr, m->AuxVectors[c.AuxVector[1]].v, m->AuxVectors[c.AuxVector[2]].v,
                        m->AuxVectors[c.AuxVector[3]].v};
  constexpr double kTol = 1e-6;
  for (int i = 1; i <= 3; i++) {
    double len2 = 0.0;
    for (int k = 1; k <= 3; k++) len2 += v[i][k] * v[i][k];
    if (!(std::fabs(std::sqrt(len2) - 1.0) <= kTol))
      DataFault(w.context, w.block, w.record,
                "Coordinate system %s: axis %d (auxiliary vector %d) has length %g, not 1.\n"
                "The axes of a coordinate system must be orthonormal.",
                c.Name, i, c.AuxVector[i], std::sqrt(len2));
  }
  for (int i = 1; i <= 3; i++)
    for (int j = i + 1; j <= 3; j++) {
      double dot = 0.0;
      for (int k = 1; k <= 3; k++) dot += v[i][k] * v[j][k];
      if (!(std::fabs(dot) <= kTol))
        DataFault(w.context, w.block, w.record,
                  "Coordinate system %s: axes %d and %d are not orthogonal (scalar product %g).\n"
                  "The axes of a coordinate system must be orthonormal.",
                  c.Name, i, j, dot);
    }
}

// Real values of a material record: all finite; then the checks of its format row.
void CheckMaterialValues(const Where& w, int kind, const MaterialRecord& mat, bool spring) {
  for (int k = 1; k <= mat.nValues; k++)
    if (mat.ValueType[k] == 'd') CheckFinite(w, "material value", mat.Value[k]);
  CheckAllFinite(w, "material list value", mat.List1, mat.List1 != nullptr ? mat.ListLen : 0);
  CheckAllFinite(w, "material list value", mat.List2, mat.List2 != nullptr ? mat.ListLen : 0);
  for (int r = 1; mat.Table != nullptr && r <= mat.ListLen; r++) CheckAllFinite(w, "material table value", mat.Table[r], 2);
  if (mat.CurveName != nullptr) {
    const int curves = static_cast<int>(mat.Value[1]), q = static_cast<int>(mat.Value[3]);
    for (int i = 1; i <= curves; i++) {
      CheckFinite(w, "curve value", mat.CurveA[i]);
      CheckFinite(w, "curve value", mat.CurveB[i]);
      for (int j = 1; j <= mat.CurveLen[i]; j++) CheckAllFinite(w, "curve point", mat.CurvePoint[i][j], 2);
    }
    CheckAllFinite(w, "material list value", mat.QVector, q);
    CheckAllFinite(w, "material list value", mat.Q4Vector, 4 * q);
  }
  const MaterialFormat& row = spring ? SpringMaterialFormatOf(kind) : MaterialFormatOf(kind);
  if (row.check != nullptr) row.check(w, mat);
}

// Sections and thicknesses: areas, second moments, torsion constants and thicknesses
// positive, shear factors and depths finite and not negative, everything finite.
void CheckGeometryRecords(const MeshData* m) {
  for (int r = 1; r <= m->nCsAreas; r++)
    CheckPositive(Where{nullptr, "<CROSS_SECTION_AREAS>", r}, "cross-section area", m->CsAreas[r].Area);
  for (int r = 1; r <= m->nLamThicks; r++)
    CheckPositive(Where{nullptr, "<LAMINATE_THICKNESSES>", r}, "thickness", m->LamThicks[r].Thickness);
  for (int r = 1; r <= m->nFrame2DSections; r++) {
    Where w{nullptr, "<FRAME_2D_CROSS_SECTIONS>", r};
    const double* v = m->Frame2DSections[r].v;
    CheckPositive(w, "cross-section area", v[1]);
    CheckFinite(w, "section value 2", v[2]);
    CheckPositive(w, "second moment of area", v[3]);
    CheckNotNegative(w, "section depth", v[4]);
  }
  for (int r = 1; r <= m->nFrame3DSections; r++) {
    Where w{nullptr, "<FRAME_3D_CROSS_SECTIONS>", r};
    const double* v = m->Frame3DSections[r].v;
    CheckPositive(w, "cross-section area", v[1]);
    CheckNotNegative(w, "shear area factor", v[2]);
    CheckNotNegative(w, "shear area factor", v[3]);
    CheckPositive(w, "torsion constant", v[4]);
    CheckPositive(w, "second moment of area", v[5]);
    CheckPositive(w, "second moment of area", v[6]);
    CheckFinite(w, "section value 7", v[7]);
    CheckFinite(w, "section value 8", v[8]);
    CheckNotNegative(w, "section depth", v[9]);
    CheckNotNegative(w, "section depth", v[10]);
    CheckFinite(w, "section angle", v[11]);
  }
}

// Every other real value of the mesh section: finite.
void CheckRealValues(const MeshData* m) {
  for (int p = 1; p <= m->nPoints; p++)
    CheckAllFinite(Where{nullptr, "<POINT_COORDINATES>", p}, "point coordinate", m->PointCoord[p], 3);
  for (int r = 1; r <= m->nAuxVectors; r++)
    CheckAllFinite(Where{nullptr, "<AUXILIARY_VECTORS>", r}, "auxiliary vector component", m->AuxVectors[r].v, 3);
  for (int kind = 1; kind <= kMaterialKinds; kind++)
    for (int r = 1; r <= m->nMaterials[kind]; r++)
      CheckMaterialValues(Where{nullptr, MaterialFormatOf(kind).tag, r}, kind, m->Materials[kind][r], false);
  for (int kind = 1; kind <= kSpringMaterialKinds; kind++)
    for (int r = 1; r <= m->nSpringMaterials[kind]; r++)
      CheckMaterialValues(Where{nullptr, SpringMaterialFormatOf(kind).tag, r}, kind, m->SpringMaterials[kind][r],
                          true);
  CheckGeometryRecords(m);
  const DynamicAnalysisParameters& d = m->Dynamic;
  const double dyn[] = {0.0, d.Gamma, d.Beta, d.Alpha, d.DefaultModalDampingRatio, d.RayleighA0, d.RayleighA1};
  CheckAllFinite(Where{nullptr, "<DYNAMIC_ANALYSIS_PARAMETERS>", 0}, "parameter", dyn, 6);
  const ArcLengthParameters& a = m->ArcLength;
  const double arc[] = {0.0, a.RadiusFactor, a.LoadFactor, a.ForceDisplScaling, a.MomentRotScaling,
                        a.Displ.Increment, a.RelDispl.Increment};
  CheckAllFinite(Where{nullptr, "<ARC_LENGTH_PARAMETERS>", 0}, "parameter", arc, 6);
  for (int r = 1; r <= m->nRayleigh; r++) {
    Where w{nullptr, "<RAYLEIGH_DAMPING_FACTORS>", r};
    CheckFinite(w, "damping factor", m->Rayleigh[r].A0);
    CheckFinite(w, "damping factor", m->Rayleigh[r].A1);
  }
  for (int c = 1; c <= m->Main.nContactCases; c++) {
    const ContactCase& cc = m->ContactCases[c];
    for (int r = 1; r <= cc.nPointToPoint; r++)
      CheckFinite(Where{nullptr, "<POINT_TO_POINT_CONTACTS>", r}, "gap", cc.PointToPoint[r].Gap);
    for (int r = 1; r <= cc.nPointToElement; r++)
      CheckFinite(Where{nullptr, "<POINT_TO_ELEMENT_CONTACTS>", r}, "gap", cc.PointToElement[r].Gap);
  }
  for (int r = 1; r <= m->nConvections; r++)
    CheckAllFinite(Where{nullptr, "<SURFACE_CONVECTION_HEAT_TRANSFER>", r}, "value", m->Convections[r].Values,
                   m->Convections[r].ValueCount);
  for (int r = 1; r <= m->nRadiations; r++) {
    Where w{nullptr, "<SURFACE_RADIATION_HEAT_TRANSFER>", r};
    CheckAllFinite(w, "value", m->Radiations[r].Values, m->Radiations[r].ValueCount);
    CheckFinite(w, "value", m->Radiations[r].Sigma);
  }
  for (int f = 1; f <= m->Main.nFibrousMeshes; f++) {
    const FibrousMesh& fm = m->FibrousMeshes[f];
    Where w{nullptr, "<FIBROUS_MESHES>", f};
    CheckAllFinite(w, "cross-section angle", fm.Angles, 3);
    for (int s = 1; s <= fm.nMotherNodes; s++)
      for (int p = 1; p <= fm.Sections[s].nPoints; p++)
        CheckAllFinite(w, "cross-section point coordinate", fm.Sections[s].Coord[p], 2);
  }
  for (int r = 1; r <= m->nFrequencyRanges; r++) {
    const FrequencyRange& fr = m->FrequencyRanges[r];
    const double v[] = {0.0, fr.D1, fr.D2, fr.D3};
    CheckAllFinite(Where{nullptr, "<FREQUENCY_RANGES>", r}, "value", v, 3);
  }
  for (int r = 1; r <= m->nInitialConditions; r++)
    CheckAllFinite(Where{nullptr, "<DYNAMIC_INITIAL_CONDITIONS>", r}, "value", m->InitialConditions[r].v, 3);
  for (int r = 1; r <= m->nModalDampingRatios; r++)
    CheckFinite(Where{nullptr, "<MODAL_DAMPING_RATIOS>", r}, "damping ratio", m->ModalDampingRatios[r].Factor);
  for (int r = 1; r <= m->nThermalInitial; r++)
    CheckFinite(Where{nullptr, "<THERMAL_TRANSIENT_INITIAL_CONDITIONS>", r}, "temperature", m->ThermalInitial[r].Value);
}

// The reals and the solver options of "<MAIN_PARAMETERS>".
void CheckMainParameters(const MainParameters& p) {
  Where w{nullptr, "<MAIN_PARAMETERS>", 0};
  CheckFinite(w, "THERMAL_THETA", p.ThermalTheta);
  CheckFinite(w, "TOLERANCE_IN_EACH_COMBINATION", p.Tolerance);
  // The conjugate gradient stops when the preconditioned residual has decayed by this
  // factor: 1 or more stops at once, 0 or less never.
  if (p.LinEqAlgorithm == 2 || p.LinEqAlgorithm == 3)
    if (!(p.PrecondResidualDecay > 0.0 && p.PrecondResidualDecay < 1.0))
      DataFault(w.context, w.block, w.record,
                "Invalid PRECONDITIONED_RESIDUAL_DECAY: %g (valid: above 0 and below 1).", p.PrecondResidualDecay);
  if (p.AnalysisType == ANALYSIS_STATIC) CheckCode(w, "STIFFNESS_MATRIX_EIGEN_VALUES flag", p.StiffMatEigenValues, 0, 1);
  if (p.AnalysisType == ANALYSIS_STATIC && p.StiffMatEigenValues == 1) {
    CheckCode(w, "STIFFNESS_MATRIX_EIGEN_VALUE_CALCULATION_TECHNIQUE", p.EigenValueTechnique, 1, 2);
    if (p.EigenValueTechnique == 2)
      DataFault(w.context, w.block, w.record,
                "STIFFNESS_MATRIX_EIGEN_VALUE_CALCULATION_TECHNIQUE = _LANCZOS:\n"
                "the technique is not available for the eigenvalues of the stiffness matrix; use _JACOBI.");
  }
}

// The real values of the load records: finite.
void CheckLoadValues(const char* context, const LoadCaseData* lc) {
  for (int r = 1; r <= lc->nPointLoads; r++)
    CheckAllFinite(Where{context, "<POINT_LOADS>", r}, "load value", lc->PointLoads[r].Load, 6);
  for (int r = 1; r <= lc->nIntPointLoads; r++)
    CheckAllFinite(Where{context, "<INTERNAL_POINT_LOADS>", r}, "load value", lc->IntPointLoads[r].Load, 6);
  for (int r = 1; r <= lc->nEdgeLoads; r++)
    CheckAllFinite(Where{context, "<EDGE_LOADS>", r}, "load value", lc->EdgeLoads[r].Values,
                   lc->EdgeLoads[r].ValueCount);
  for (int r = 1; r <= lc->nIntEdgeLoads; r++)
    CheckAllFinite(Where{context, "<INTERNAL_EDGE_LOADS>", r}, "load value", lc->IntEdgeLoads[r].Values,
                   lc->IntEdgeLoads[r].ValueCount);
  for (int r = 1; r <= lc->nFaceLoads; r++)
    CheckAllFinite(Where{context, "<FACE_LOADS>", r}, "load value", lc->FaceLoads[r].Values,
                   lc->FaceLoads[r].ValueCount);
  for (int r = 1; r <= lc->nIntFaceLoads; r++)
    CheckAllFinite(Where{context, "<INTERNAL_FACE_LOADS>", r}, "load value", lc->IntFaceLoads[r].Values,
                   lc->IntFaceLoads[r].ValueCount);
  for (int r = 1; r <= lc->nTempVars; r++)
    CheckAllFinite(Where{context, "<TEMPERATURE_VARIATION>", r}, "temperature variation", lc->TempVars[r].Values,
                   lc->TempVars[r].ValueCount);
  for (int r = 1; r <= lc->nDiffTempVars; r++)
    CheckAllFinite(Where{context, "<DIFFERENTIAL_TEMPERATURE_VARIATION>", r}, "temperature variation",
                   lc->DiffTempVars[r].Values, lc->DiffTempVars[r].ValueCount);
  for (int r = 1; r <= lc->nPrescDispls; r++)
    CheckFinite(Where{context, "<PRESCRIBED_DISPLACEMENTS>", r}, "prescribed displacement", lc->PrescDispls[r].Value);
  for (int r = 1; r <= lc->nRelDispls; r++)
    CheckFinite(Where{context, "<INTERNAL_PRESCRIBED_RELATIVE_DISPLACEMENTS>", r}, "prescribed displacement",
                lc->RelDispls[r].Value);
  for (int r = 1; r <= lc->nPrescTemps; r++)
    CheckFinite(Where{context, "<PRESCRIBED_POINT_TEMPERATURES>", r}, "temperature", lc->PrescTemps[r].Value);
  for (int r = 1; r <= lc->nHeatFluxes; r++)
    CheckAllFinite(Where{context, "<SURFACE_HEAT_FLUX>", r}, "heat flux", lc->HeatFluxes[r].Values,
                   lc->HeatFluxes[r].ValueCount);
  for (int r = 1; r <= lc->nFluidTemps; r++)
    CheckAllFinite(Where{context, "<SURFACE_FLUID_TEMPERATURE>", r}, "temperature", lc->FluidTemps[r].Values,
                   lc->FluidTemps[r].ValueCount);
  for (int r = 1; r <= lc->nLineHeatFluxes; r++)
    CheckAllFinite(Where{context, "<LINE_HEAT_FLUX>", r}, "heat flux", lc->LineHeatFluxes[r].Values,
                   lc->LineHeatFluxes[r].ValueCount);
  for (int r = 1; r <= lc->nHeatGenerations; r++)
    CheckFinite(Where{context, "<VOLUMETRIC_INTERNAL_HEAT_GENERATION>", r}, "heat generation",
                lc->HeatGenerations[r].Value);
}

}  // namespace

void ValidateMesh(const MeshData* m) {
  CheckMainParameters(m->Main);
  CheckRealValues(m);
  for (int e = 1; e <= m->nElements; e++)
    for (int k = 1; k <= m->ElemNodeCount[e]; k++)
      CheckNumber(Where{nullptr, "<ELEMENT_NODES>", e}, "point number", m->ElemNodes[e][k], m->nPoints);
  for (int r = 1; r <= m->nCoordSystems; r++) {
    for (int k = 1; k <= 3; k++)
      CheckNumber(Where{nullptr, "<COORDINATE_SYSTEMS>", r}, "auxiliary vector number", m->CoordSystems[r].AuxVector[k],
                  m->nAuxVectors);
    CheckCoordinateSystem(m, r);
  }
  for (int r = 1; r <= m->nSpecialCsPoints; r++) {
    Where w{nullptr, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", r};
    CheckNumber(w, "point number", m->SpecialCsPoints[r].Point, m->nPoints);
    CheckNumber(w, "coordinate system number", m->SpecialCsPoints[r].CoordSystem, m->nCoordSystems);
  }
  for (int r = 1; r <= m->nSupports; r++) {
    CheckNumber(Where{nullptr, "<SUPPORTS>", r}, "point number", m->Supports[r].Point, m->nPoints);
    CheckFlags(Where{nullptr, "<SUPPORTS>", r}, "support flag", m->Supports[r].Fixity, 6);
  }
  for (int r = 1; r <= m->nFixedTemps; r++) {
    CheckNumber(Where{nullptr, "<BOUNDARY_WITH_FIXED_TEMPERATURES>", r}, "point number", m->FixedTemps[r].Point,
                m->nPoints);
    CheckFlags(Where{nullptr, "<BOUNDARY_WITH_FIXED_TEMPERATURES>", r}, "fixity flag", m->FixedTemps[r].Fixity, 6);
  }
  CheckPointLinks(m);
  CheckPatterns(m);
  CheckElementProperties(m);
  CheckSprings(m);
  CheckContacts(m);
  CheckInitialConditions(m);
  CheckModalData(m);
  for (int r = 1; r <= m->nThermalInitial; r++)
    CheckNumber(Where{nullptr, "<THERMAL_TRANSIENT_INITIAL_CONDITIONS>", r}, "point number", m->ThermalInitial[r].Point,
                m->nPoints);
  for (int r = 1; r <= m->nConvections; r++) {
    Where w{nullptr, "<SURFACE_CONVECTION_HEAT_TRANSFER>", r};
    CheckNumber(w, "element number", m->Convections[r].Element, m->nElements);
    CheckCode(w, "face number", m->Convections[r].Face, 1, 6);
  }
  for (int r = 1; r <= m->nRadiations; r++) {
    Where w{nullptr, "<SURFACE_RADIATION_HEAT_TRANSFER>", r};
    CheckNumber(w, "element number", m->Radiations[r].Element, m->nElements);
    CheckCode(w, "face number", m->Radiations[r].Face, 1, 6);
  }
}

void ValidateElementNodeCounts(const MeshData* m, const int* ElemPropIndex) {
  for (int e = 1; e <= m->nElements; e++)
    if (ElemPropIndex[e] != 0) CheckElementNodeCount(m, e, m->ElemProps[ElemPropIndex[e]].ElementType);
}

void ValidateLoadCase(const MeshData* m, const LoadCaseData* lc) {
  char context[64];
  std::snprintf(context, sizeof context, "   -> Load case: %d", lc->Number);
  const int ne = m->nElements, np = m->nPoints;
  const LoadCaseParameters& p = lc->Params;
  Where wp{context, "<LOAD_CASE_PARAMETERS>", 0};
  // Load cases without element loads may give no integration type (0).
  if (p.IntegrationType != 0 || p.IntegrationName != 0) CheckIntegrationUse(m, wp, p.IntegrationType, p.IntegrationName);
  CheckAllFinite(Where{context, "<GRAVITY_LOAD>", 0}, "gravity component", lc->Gravity, 3);
  CheckLoadValues(context, lc);
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
  for (int r = 1; r <= lc->nPrescTemps; r++) {
    Where w{context, "<PRESCRIBED_POINT_TEMPERATURES>", r};
    CheckNumber(w, "point number", lc->PrescTemps[r].Point, np);
    CheckCode(w, "degree of freedom", lc->PrescTemps[r].Dof, 1, 6);
  }
  for (int r = 1; r <= lc->nHeatFluxes; r++) {
    Where w{context, "<SURFACE_HEAT_FLUX>", r};
    CheckNumber(w, "element number", lc->HeatFluxes[r].Element, ne);
    CheckCode(w, "face number", lc->HeatFluxes[r].Face, 1, 6);
  }
  for (int r = 1; r <= lc->nFluidTemps; r++) {
    Where w{context, "<SURFACE_FLUID_TEMPERATURE>", r};
    CheckNumber(w, "element number", lc->FluidTemps[r].Element, ne);
    CheckCode(w, "face number", lc->FluidTemps[r].Face, 1, 6);
  }
  for (int r = 1; r <= lc->nHeatGenerations; r++)
    CheckNumber(Where{context, "<VOLUMETRIC_INTERNAL_HEAT_GENERATION>", r}, "element number",
                lc->HeatGenerations[r].Element, ne);
}

void ValidateCombinations(const MeshData* m, const CombinationData* c, int n) {
  char context[64];
  for (int i = 1; i <= n; i++) {
    std::snprintf(context, sizeof context, "   -> Combination: %d", i);
    CheckFinite(Where{context, "<COMBINATION_PARAMETERS>", 0}, "step duration", c[i].Params.StepDuration);
    // Every analysis runs the one phase of the model.
    if (c[i].Params.Phase != 1)
      DataFault(context, "<COMBINATION_PARAMETERS>", 0, "Invalid phase number: %d (only phase 1 is available).",
                c[i].Params.Phase);
    for (int r = 1; r <= c[i].nFactors; r++) {
      CheckNumber(Where{context, "<LOAD_CASE_FACTORS>", r}, "load case number", c[i].Factors[r].Number,
                  m->Main.nLoadCases);
      CheckFinite(Where{context, "<LOAD_CASE_FACTORS>", r}, "load case factor", c[i].Factors[r].Factor);
    }
    for (int r = 1; r <= c[i].nContactCases; r++)
      CheckNumber(Where{context, "<CONTACT_CASES>", r}, "contact case number", c[i].ContactCases[r],
                  m->Main.nContactCases);
  }
}

namespace {

bool IsNonlinearDriver(int driver) {
  switch (driver) {
    case DRIVER_STATIC_MNL_NCSB: case DRIVER_STATIC_MNL_JPCG: case DRIVER_STATIC_MGNL_NCSB:
    case DRIVER_STATIC_MGNL_JPCG: case DRIVER_TRANSIENT_MNL_NCSB: case DRIVER_TRANSIENT_MNL_JPCG:
    case DRIVER_THERMAL_TRANSIENT_NL_NCSB: case DRIVER_THERMAL_TRANSIENT_NL_JPCG:
      return true;
    default:
      return false;
  }
}

// A damping ratio or factor: not given, or not negative (negative damping feeds energy
// into the structure).
void CheckDamping(const Where& w, const char* what, double value) {
  if (value == kValueNotGiven || value >= 0.0) return;
  DataFault(w.context, w.block, w.record, "Invalid %s: %g (negative damping is not admissible).", what, value);
}

}  // namespace

void ValidateAnalysisOptions(const MeshData* m, int driver) {
  const MainParameters& p = m->Main;
  const Where w{nullptr, "<MAIN_PARAMETERS>", 0};
  const bool nonlinear = IsNonlinearDriver(driver);
  const bool thermalTransient = driver >= DRIVER_THERMAL_TRANSIENT_LIN_NCSB && driver <= DRIVER_THERMAL_TRANSIENT_NL_JPCG;
  const bool staticNonlinear = driver >= DRIVER_STATIC_MNL_NCSB && driver <= DRIVER_STATIC_MGNL_JPCG;
  const bool directDynamic = driver == DRIVER_DYNAMIC_LIN_NCSB || driver == DRIVER_DYNAMIC_LIN_JPCG;
  const bool superposition = driver == DRIVER_MODAL_SUPERPOSITION;
  if (nonlinear) {
    if (p.nPhases != 1)
      DataFault(w.context, w.block, w.record, "Invalid NUMBER_OF_PHASES: %d (only one phase is available).", p.nPhases);
    if (p.nLoadCases < 1)
      DataFault(w.context, w.block, w.record, "Invalid NUMBER_OF_LOAD_CASES: %d (this analysis needs one at least).",
                p.nLoadCases);
    if (p.nCombinations < 1)
      DataFault(w.context, w.block, w.record,
                "Invalid NUMBER_OF_COMBINATIONS: %d (this analysis needs one at least).", p.nCombinations);
    CheckCode(w, "ITERATIVE_ALGORITHM", p.IterativeAlgorithm, 1, 5);
    CheckCode(w, "CONVERGENCE_CRITERION", p.ConvergenceCriterion, 1, 3);
    CheckCode(w, "PATH_BEHAVIOR", p.PathBehavior, 1, 2);
    CheckCode(w, "ADD_THE_UNBALANCED_FORCES_IN_EACH_COMBINATION flag", p.AddUnbalancedForces, 0, 1);
    if (p.MaxIterations < 1)
      DataFault(w.context, w.block, w.record,
                "Invalid MAXIMUM_NUMBER_OF_ITERATIONS_IN_EACH_COMBINATION: %d (it must be 1 or more).",
                p.MaxIterations);
    if (!(p.Tolerance > 0.0))
      DataFault(w.context, w.block, w.record, "Invalid TOLERANCE_IN_EACH_COMBINATION: %g (it must be positive).",
                p.Tolerance);
    if (p.nCombBeforeRestart < 0)
      DataFault(w.context, w.block, w.record,
                "Invalid NUMBER_OF_COMBINATIONS_BEFORE_RESTART: %d (it cannot be negative).", p.nCombBeforeRestart);
    if (p.GeomNonlinear == 1) CheckCode(w, "KINEMATIC_DESCRIPTION", p.KinematicDescription, 1, 2);
  }
  // The flag is a byte of 0 to 255: named as it stands in the file. The static and
  // transient structural nonlinear drivers read it (a transient one to refuse the arc
  // length); any other names a value beside 0 and 1 in a warning, as a value it does not
  // read.
  const bool readsArc =
      staticNonlinear || driver == DRIVER_TRANSIENT_MNL_NCSB || driver == DRIVER_TRANSIENT_MNL_JPCG;
  const int arcFlag = static_cast<unsigned char>(p.ArcLength);
  if (readsArc) CheckCode(w, "ARC_LENGTH flag", arcFlag, 0, 1);
  std::string unread;
  if (!readsArc && arcFlag > 1) unread = "   -> ARC_LENGTH flag: " + std::to_string(arcFlag) + " (valid: 0 to 1)\n";
  if (staticNonlinear) {
    if (p.ArcLength == 1 && p.MaxArcLengthCombinations < 1)
      DataFault(w.context, w.block, w.record,
                "Invalid MAXIMUM_NUMBER_OF_ARC_LENGTH_COMBINATIONS: %d (with ARC_LENGTH it must be 1 or more).",
                p.MaxArcLengthCombinations);
  }
  if (thermalTransient) {
    CheckCode(w, "THERMAL_TRANSIENT_TIME_STEPPING_METHOD", p.ThermalSteppingMethod, 1, 5);
    if (!(p.ThermalTheta >= 0.0 && p.ThermalTheta <= 1.0))
      DataFault(w.context, w.block, w.record,
                "Invalid time-integration parameter of the thermal time stepping: %g (valid: 0 to 1).", p.ThermalTheta);
  }
  const DynamicAnalysisParameters& d = m->Dynamic;
  const Where wd{nullptr, "<DYNAMIC_ANALYSIS_PARAMETERS>", 0};
  if (directDynamic) {
    CheckCode(wd, "TIME_STEPPING_METHOD", d.TimeSteppingMethod, 1, 2);
    // The alpha method damps the high modes for -1/3 <= alpha <= 0; outside that range
    // the step is not unconditionally stable.
    if (!(d.Alpha >= -1.0 / 3.0 && d.Alpha <= 0.0))
      DataFault(wd.context, wd.block, wd.record, "Invalid ALPHA: %g (valid: -1/3 to 0).", d.Alpha);
  }
  // Below 1/2 the Newmark step adds energy: every free vibration grows. A modal
  // superposition by the Duhamel integral reads neither constant.
  const bool newmark = directDynamic || (superposition && d.TimeSteppingMethod == 2);
  if (newmark && !(d.Gamma >= 0.5))
    DataFault(wd.context, wd.block, wd.record, "Invalid GAMMA: %g (it must be 1/2 or more).", d.Gamma);
  const auto addUnread = [&unread](const char* name, double value) {
    char line[128];
    std::snprintf(line, sizeof line, "   -> %s: %g\n", name, value);
    unread += line;
  };
  if (superposition && !newmark && !(d.Gamma >= 0.5)) addUnread("GAMMA of <DYNAMIC_ANALYSIS_PARAMETERS>", d.Gamma);
  if (superposition && !newmark && !(d.Beta > 0.0)) addUnread("BETA of <DYNAMIC_ANALYSIS_PARAMETERS>", d.Beta);
  // Only the direct integration takes the alpha method; the modal Newmark step has none.
  if (superposition && !(d.Alpha >= -1.0 / 3.0 && d.Alpha <= 0.0))
    addUnread("ALPHA of <DYNAMIC_ANALYSIS_PARAMETERS>", d.Alpha);
  // Gaussian elimination has no residual to decay: only the conjugate gradient reads it.
  if (p.LinEqAlgorithm == 1 && !(p.PrecondResidualDecay > 0.0 && p.PrecondResidualDecay < 1.0))
    addUnread("PRECONDITIONED_RESIDUAL_DECAY of <MAIN_PARAMETERS>", p.PrecondResidualDecay);
  // The upper bound of a frequency range limits the magnitude of the eigenvalues sought:
  // a negative one means nothing, and the search would take it for no bound at all. Only
  // the eigenvectors of a modal analysis read it; a superposition takes its modes from the
  // mode file. A negative shift is sound (it factorises a floating structure).
  const bool readsRanges = driver == DRIVER_MODAL_ANALYSIS && m->Dynamic.VibrationModeType == 1;
  for (int r = 1; r <= m->nFrequencyRanges; r++) {
    const double bound = m->FrequencyRanges[r].D2;
    if (!(bound < 0.0)) continue;
    if (readsRanges)
      DataFault(nullptr, "<FREQUENCY_RANGES>", r, "Invalid upper bound: %g (it cannot be negative).", bound);
    addUnread(("upper bound of <FREQUENCY_RANGES> record " + std::to_string(r)).c_str(), bound);
  }
  if (!unread.empty()) {
    std::fflush(stdout);
    std::fprintf(stderr, "\nValues out of range that this analysis does not read:\n%s", unread.c_str());
    warnmsg("They are left as they are; the run goes on.", 0);
  }
  if (directDynamic || superposition) {
    CheckDamping(wd, "DEFAULT_MODAL_DAMPING_RATIO", d.DefaultModalDampingRatio);
    CheckDamping(wd, "GLOBAL_RAYLEIGH_DAMPING_FACTOR_A0", d.RayleighA0);
    CheckDamping(wd, "GLOBAL_RAYLEIGH_DAMPING_FACTOR_A1", d.RayleighA1);
    for (int r = 1; r <= m->nModalDampingRatios; r++)
      CheckDamping(Where{nullptr, "<MODAL_DAMPING_RATIOS>", r}, "damping ratio", m->ModalDampingRatios[r].Factor);
    for (int r = 1; r <= m->nRayleigh; r++) {
      CheckDamping(Where{nullptr, "<RAYLEIGH_DAMPING_FACTORS>", r}, "damping factor a0", m->Rayleigh[r].A0);
      CheckDamping(Where{nullptr, "<RAYLEIGH_DAMPING_FACTORS>", r}, "damping factor a1", m->Rayleigh[r].A1);
    }
  }
  if (driver == DRIVER_MODAL_ANALYSIS || superposition)
    for (int r = 1; r <= m->nFrequencyRanges; r++)
      if (m->FrequencyRanges[r].Int < 0)
        DataFault(nullptr, "<FREQUENCY_RANGES>", r, "Invalid number of modes: %d (it cannot be negative).",
                  m->FrequencyRanges[r].Int);
}
