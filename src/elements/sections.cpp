// Cross-section and thickness properties: the value of each element node, given once for
// the whole element or node by node through a geometry pattern, and the layer geometry
// of laminates.
#include <cstdio>

#include "elements/kernel.h"
#include "numcore/numcore.h"

namespace {

[[noreturn]] void BadGeomRecord(int property, int record, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "Reading the geometric properties of element property record n. %d\n", property);
  std::fprintf(stderr, "   -> Record: %d\n", record);
  errexit(msg, 0);
}

}  // namespace

void CalcNodeGeomRecords(int n, int property, int kind, int directKind, int record, int patternKind,
                         int patternCount, const int* patternRecords, int tableCount, int* nodeRecords) {
  if (kind == directKind) {
    if (record < 1 || record > tableCount)
      BadGeomRecord(property, record, "The element property refers to a geometric record that does not exist.");
    for (int k = 1; k <= n; k++) nodeRecords[k] = record;
    return;
  }
  if (kind != kGeomPatt)
    BadGeomRecord(property, record, "The element property refers to geometric records of a kind this type of element\n"
                                    "cannot take.");
  if (n < 1) return;
  if (patternKind != directKind)
    BadGeomRecord(property, record, "The geometry pattern refers to records of another geometric kind.");
  if (patternCount < n)
    BadGeomRecord(property, record, "The geometry pattern has fewer entries than the element has nodes.");
  for (int k = 1; k <= n; k++) {
    const int r = patternRecords[k];
    if (r < 1 || r > tableCount)
      BadGeomRecord(property, r, "The geometry pattern refers to a geometric record that does not exist.");
    nodeRecords[k] = r;
  }
}

void CalcPropNodeGeomRecords(int n, int property, const ElementProperty& p, int directKind,
                             const GeometryPattern* patterns, int tableCount, int* nodeRecords) {
  if (p.GeometryKind == GEOM_PATT) {
    const GeometryPattern& g = patterns[p.GeometryNumber];
    CalcNodeGeomRecords(n, property, p.GeometryKind, directKind, p.GeometryNumber, g.Kind, g.nEntries, g.Record,
                        tableCount, nodeRecords);
  } else {
    CalcNodeGeomRecords(n, property, p.GeometryKind, directKind, p.GeometryNumber, 0, 0, nullptr, tableCount,
                        nodeRecords);
  }
}

void SetSection3DNodeValues(int k, const double* rec, double** V) {
  static constexpr int kFrom[12] = {0, 11, 1, 9, 10, 5, 6, 7, 8, 2, 3, 4};
  for (int j = 1; j <= 11; j++) V[j][k] = rec[kFrom[j]];
}

void CalcLayerGeomFromNodal(int nLayers, int n, double** nodalThick, const double* N, double* total,
                            double* zBottom, double* zMid, double* zTop, double* thickness) {
  *total = 0.0;
  for (int i = 1; i <= nLayers; i++) {
    thickness[i] = dotd1(N, nodalThick[i], n);
    *total += thickness[i];
  }
  double S = 0.0;
  for (int i = 1; i <= nLayers; i++) {
    S += thickness[i];
    zMid[i] = S - thickness[i] / 2.0 - *total / 2.0;
    zBottom[i] = zMid[i] - thickness[i] / 2.0;
    zTop[i] = thickness[i] / 2.0 + zMid[i];
  }
}

// ---- record-reading forms ----------------------------------------------------------

namespace {

[[noreturn]] void BadPropertyGeometry(int property, int typeCode, const char* detail, const char* msg) {
  ElemDataFault(ElemFaultContext{"Reading the geometric properties of element property record n. %d\n", property, 0, 0},
                typeCode, detail, msg);
}

// Record number of the value of each node 1..n for the property's geometry, direct kind
// `directKind` or a pattern of records of that kind.
void PropertyNodeRecords(int n, int property, int directKind, const GeometryPattern* patterns,
                         const ElementProperty* props, int* nodeRecords) {
  const ElementProperty& p = props[property];
  CheckElemGeometryKind(ElemFaultContext{"Reading the geometric properties of element property record n. %d\n",
                                         property, 0, 0},
                        p.ElementType, p.GeometryKind, directKind, GEOM_PATT);
  // Record numbers were checked against their blocks when the data file was read.
  const int anyRecord = 0x7fffffff;
  if (p.GeometryKind != directKind && n >= 1) {
    const GeometryPattern& g = patterns[p.GeometryNumber];
    if (g.Kind != directKind) {
      char detail[600];
      std::snprintf(detail, sizeof detail, "   -> Geometry pattern: %s\n   -> Kind of its records: %s\n", g.Name,
                    GeometryKindKeyword(g.Kind));
      char msg[128];
      std::snprintf(msg, sizeof msg, "The geometry pattern must refer to records of kind %s.",
                    GeometryKindKeyword(directKind));
      BadPropertyGeometry(property, p.ElementType, detail, msg);
    }
  }
  CalcPropNodeGeomRecords(n, property, p, directKind, patterns, anyRecord, nodeRecords);
}

// Hands each node 1..n its record of the property's geometry to `take(k, record)`.
template <class Record, class Take>
void ForNodeRecords(int n, int property, int directKind, const GeometryPattern* patterns,
                    const ElementProperty* props, const Record* records, Take take) {
  int* rec;
  alloci1(&rec, n < 1 ? 0 : n);
  PropertyNodeRecords(n, property, directKind, patterns, props, rec);
  for (int k = 1; k <= n; k++) take(k, records[rec[k]]);
  freei1(rec);
}

}  // namespace

void CalcGeomProp_CS_AREA(int n, int property, double* values, const GeometryPattern* patterns,
                          const CrossSectionArea* areas, const ElementProperty* props) {
  ForNodeRecords(n, property, GEOM_CS_AREA, patterns, props, areas,
                 [values](int k, const CrossSectionArea& r) { values[k] = r.Area; });
}

void CalcGeomProp_THICKNESS(int n, int property, double* values, const GeometryPattern* patterns,
                            const LaminateThickness* thicknesses, const ElementProperty* props) {
  ForNodeRecords(n, property, GEOM_LAM_THICK, patterns, props, thicknesses,
                 [values](int k, const LaminateThickness& r) { values[k] = r.Thickness; });
}

void CalcGeomProp_CS_3D(int n, int property, double* V1, double* V2, double* V3, double* V4, double* V5, double* V6,
                        double* V7, double* V8, double* V9, double* V10, double* V11, const Frame3DSection* sections,
                        const GeometryPattern* patterns, const ElementProperty* props) {
  double* V[12] = {nullptr, V1, V2, V3, V4, V5, V6, V7, V8, V9, V10, V11};
  ForNodeRecords(n, property, GEOM_CS_3D, patterns, props, sections,
                 [&V](int k, const Frame3DSection& r) { SetSection3DNodeValues(k, r.v, V); });
}

void CalcLayerGeomProp(int nLayers, int layerPattern, int n, double* total, const double* N, double* zBottom,
                       double* zMid, double* zTop, double* thickness, const GeometryPattern* patterns,
                       const LaminateThickness* thicknesses, const LayerPattern* layerPatterns,
                       const LayerProperty* layerProps) {
  const LayerPattern& lp = layerPatterns[layerPattern];
  if (nLayers < 0 || nLayers > lp.nLayers || n < 1) InternalError(__FILE__, __LINE__);
  double** nodal;
  int* rec;
  allocd2(&nodal, nLayers, n);
  alloci1(&rec, n);
  for (int i = 1; i <= nLayers; i++) {
    const int layer = lp.Layer[i];
    const LayerProperty& prop = layerProps[layer];
    const ElemFaultContext ctx{"Reading the geometric properties of layer property record n. %d\n", layer, 0, 0};
    CheckElemGeometryKind(ctx, 0, prop.GeometryKind, GEOM_LAM_THICK, GEOM_PATT);
    if (prop.GeometryKind == GEOM_LAM_THICK) {
      for (int k = 1; k <= n; k++) rec[k] = prop.GeometryNumber;
    } else {
      const GeometryPattern& g = patterns[prop.GeometryNumber];
      char detail[600];
      std::snprintf(detail, sizeof detail, "   -> Geometry pattern: %s\n", g.Name);
      if (g.Kind != GEOM_LAM_THICK)
        ElemDataFault(ctx, 0, detail, "The geometry pattern must refer to records of kind _LAM_THICK.");
      if (g.nEntries < n)
        ElemDataFault(ctx, 0, detail, "The geometry pattern has fewer entries than the element has nodes.");
      for (int k = 1; k <= n; k++) rec[k] = g.Record[k];
    }
    for (int k = 1; k <= n; k++) nodal[i][k] = thicknesses[rec[k]].Thickness;
  }
  CalcLayerGeomFromNodal(nLayers, n, nodal, N, total, zBottom, zMid, zTop, thickness);
  freei1(rec);
  freed2(nodal);
}
