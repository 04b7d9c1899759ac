// A small model built in memory for the load-vector tests: MeshData with the blocks the
// load routines read, a load case, and the driver's work arrays built by hand (dof codes
// given per point, numbers counted in point and dof order, free and prescribed apart).
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "assembly/topology.h"
#include "elements/kernel.h"
#include "elements/locate.h"
#include "loads/load_kernel.h"
#include "model/outputcontrol.h"
#include "model/records.h"
#include "support/process.h"
#include "support/small_algebra.h"

// An owned 1-based vector of n doubles, zeroed.
struct Vec {
  double* v;
  int n;
  explicit Vec(int size) : n(size) {
    allocd1(&v, size);
    zerod1(v, size);
  }
  ~Vec() { freed1(v); }
  Vec(const Vec&) = delete;
  Vec& operator=(const Vec&) = delete;
  operator double*() const { return v; }
  double& operator[](int i) const { return v[i]; }
};

// A regular expression that matches the text literally.
inline std::string Lit(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) r += '\\';
    r += c;
  }
  return r;
}

inline const char* kInternal = "INTERNAL ERROR";


struct EdgeLoadRecord {
  int element, face, edge;
  char kind;
  int code;
  int force;  // 1 force, 2 moment
  std::vector<double> values;
};

// A face, internal edge or internal face load record ("aux" is the face of a face load,
// the auxiliary element of the internal loads).
struct SurfLoadRecord {
  int element, aux;
  char kind;
  int code;
  int force;  // 1 force, 2 moment
  std::vector<double> values;
};

struct TempVarInput {
  int element;
  int direction;  // differential records only
  std::vector<double> values;
};

struct MaterialInput {
  int kind;
  std::vector<double> values;  // value 1 (density) first
  std::string types;           // per value 'd' or 'i'; all 'd' when empty
};

struct TestModel {
  // ---- description ----
  std::vector<Vec3> points;
  std::vector<std::vector<int>> elements;
  std::vector<int> elementProp;  // property record of each element in the phase (0 = inactive)
  std::vector<ElementProperty> props;
  std::vector<MaterialInput> materials;  // numbered per kind in order
  std::vector<double> lamThick;
  std::vector<double> csAreas;
  std::vector<std::array<double, 5>> frame2d;   // [1..4]
  std::vector<std::array<double, 12>> frame3d;  // [1..11]
  std::vector<Vec3> aux;
  std::vector<std::array<int, 3>> coordSys;
  std::vector<std::array<int, 22>> integ;  // the 21 counts [1..21]: _G_S1_k at 3, _M_ at 6, _B_ at 9, _S_ at 12
  std::vector<std::pair<int, std::vector<int>>> geomPatterns;
  std::vector<std::pair<std::vector<int>, std::vector<int>>> nlmmPatterns;  // kinds, numbers
  std::vector<std::array<int, 2>> links;                                   // master, slave
  std::vector<std::string> linkFlags;
  std::vector<std::string> dofs;  // per point: six of 'F', 'P' or '0'; default "FFFFFF"
  std::vector<int> pointCS;       // default 0
  std::vector<char> pointType;    // default 'G'
  // load case
  Vec3 gravity{0.0, 0.0, 0.0};
  int integrationType = 1, integrationName = 0;
  std::vector<std::pair<int, std::array<double, 6>>> pointLoads;
  std::vector<std::pair<std::array<int, 2>, std::array<double, 6>>> intPointLoads;  // {element, aux point}
  std::vector<EdgeLoadRecord> edgeLoads;
  std::vector<SurfLoadRecord> faceLoads, intEdgeLoads, intFaceLoads;
  std::vector<TempVarInput> tempVars, diffTempVars;
  std::vector<std::array<double, 3>> prescribed;  // point, dof, value

  // ---- built ----
  MeshData mesh{};
  LoadCaseData lc{};
  char** codes = nullptr;
  int** numbers = nullptr;
  int* propIndex = nullptr;
  int* cs = nullptr;
  char* hasCS = nullptr;
  char* types = nullptr;
  PointList* adj = nullptr;
  int* motherIndex = nullptr;
  EmbCableMotherRecord* motherRecords = nullptr;
  int nMothers = 0;
  bool locateMothers = false;  // find the mother elements of embedded cables
  int nF = 0, nP = 0;
  char oc[kOutputControlSize];
  bool built = false;

  int AddPoint(double x1, double x2, double x3) {
    points.push_back({x1, x2, x3});
    return static_cast<int>(points.size());
  }
  int AddProp(int type, int matKind, int matNo, int geomKind = 0, int geomNo = 0) {
    ElementProperty p{};
    p.FirstPhase = p.LastPhase = 1;
    p.ElementType = type;
    p.MaterialKind = matKind;
    p.MaterialNumber = matNo;
    p.GeometryKind = geomKind;
    p.GeometryNumber = geomNo;
    p.IntegrationType = 1;
    props.push_back(p);
    return static_cast<int>(props.size());
  }
  int AddElement(std::vector<int> nodes, int prop) {
    elements.push_back(nodes);
    elementProp.push_back(prop);
    return static_cast<int>(elements.size());
  }
  // Material record of kind `kind` holding the density; returns its number in that kind.
  int AddMaterial(int kind, double density) { return AddMaterialValues(kind, {density}); }
  // Material record of kind `kind` with values 1..n (types: 'd' or 'i' per value).
  int AddMaterialValues(int kind, std::vector<double> values, std::string types = "") {
    materials.push_back({kind, values, types});
    int n = 0;
    for (auto& m : materials) n += m.kind == kind;
    return n;
  }
  // "<LINEAR_ISOTROPIC_MATERIALS>": density, alpha, E, nu.
  int AddLinIso(double alpha, double E, double nu, double density = 0.0) {
    return AddMaterialValues(MAT_LIN_ISO, {density, alpha, E, nu});
  }
  int AddLamThick(double t) {
    lamThick.push_back(t);
    return static_cast<int>(lamThick.size());
  }
  int AddFrame3D(double area, double angle) {
    std::array<double, 12> v{};
    v[1] = area;
    v[11] = angle;
    frame3d.push_back(v);
    return static_cast<int>(frame3d.size());
  }
  // Values 1..11: A, shear factors, J, I2, I3, shear centre, depths along local 2 and 3, angle.
  int AddFrame3DValues(const std::array<double, 11>& values) {
    std::array<double, 12> v{};
    for (int j = 1; j <= 11; j++) v[j] = values[j - 1];
    frame3d.push_back(v);
    return static_cast<int>(frame3d.size());
  }
  int AddFrame2D(double A, double I, double h) {
    frame2d.push_back({0.0, A, 0.0, I, h});
    return static_cast<int>(frame2d.size());
  }
  int AddCsArea(double A) {
    csAreas.push_back(A);
    return static_cast<int>(csAreas.size());
  }
  int AddAux(double a, double b, double c) {
    aux.push_back({a, b, c});
    return static_cast<int>(aux.size());
  }
  int AddInteg(int g1, int g2, int g3) {
    std::array<int, 22> v{};
    v[3] = g1;
    v[4] = g2;
    v[5] = g3;
    integ.push_back(v);
    return static_cast<int>(integ.size());
  }
  // The same count along every direction of the general, membrane, bending, shear and
  // torsion sub-patterns.
  int AddIntegUniform(int c) {
    std::array<int, 22> v{};
    for (int k = 3; k <= 17; k++) v[k] = c;
    integ.push_back(v);
    return static_cast<int>(integ.size());
  }
  void AddEdgeLoad(int element, int edge, char kind, int code, int force, std::vector<double> values, int face = 0) {
    edgeLoads.push_back({element, face, edge, kind, code, force, values});
  }

  void Build() {
    const int np = static_cast<int>(points.size()), ne = static_cast<int>(elements.size());
    MeshData& m = mesh;
    m.nPoints = np;
    allocd2(&m.PointCoord, np, 3);
    for (int p = 1; p <= np; p++)
      for (int j = 1; j <= 3; j++) m.PointCoord[p][j] = points[p - 1][j - 1];
    m.nElements = ne;
    alloci1(&m.ElemNodeCount, ne);
    allocpi1(&m.ElemNodes, ne);
    for (int e = 1; e <= ne; e++) {
      const int n = static_cast<int>(elements[e - 1].size());
      m.ElemNodeCount[e] = n;
      alloci1(&m.ElemNodes[e], n);
      for (int k = 1; k <= n; k++) m.ElemNodes[e][k] = elements[e - 1][k - 1];
    }
    m.nElemProps = static_cast<int>(props.size());
    AllocRecords(&m.ElemProps, m.nElemProps);
    for (int r = 1; r <= m.nElemProps; r++) m.ElemProps[r] = props[r - 1];
    for (int kind = 1; kind <= kMaterialKinds; kind++) {
      int n = 0;
      for (auto& mat : materials) n += mat.kind == kind;
      m.nMaterials[kind] = n;
      AllocRecords(&m.Materials[kind], n);
      int r = 0;
      for (auto& mat : materials)
        if (mat.kind == kind) {
          MaterialRecord& rec = m.Materials[kind][++r];
          std::snprintf(rec.Name, kBinStringMax, "material%d", r);
          rec.nValues = static_cast<int>(mat.values.size());
          for (int k = 1; k <= rec.nValues; k++) {
            rec.Value[k] = mat.values[k - 1];
            rec.ValueType[k] = k <= static_cast<int>(mat.types.size()) ? mat.types[k - 1] : 'd';
          }
        }
    }
    m.nLamThicks = static_cast<int>(lamThick.size());
    AllocRecords(&m.LamThicks, m.nLamThicks);
    for (int r = 1; r <= m.nLamThicks; r++) m.LamThicks[r].Thickness = lamThick[r - 1];
    m.nFrame3DSections = static_cast<int>(frame3d.size());
    AllocRecords(&m.Frame3DSections, m.nFrame3DSections);
    for (int r = 1; r <= m.nFrame3DSections; r++)
      for (int j = 1; j <= 11; j++) m.Frame3DSections[r].v[j] = frame3d[r - 1][j];
    m.nFrame2DSections = static_cast<int>(frame2d.size());
    AllocRecords(&m.Frame2DSections, m.nFrame2DSections);
    for (int r = 1; r <= m.nFrame2DSections; r++)
      for (int j = 1; j <= 4; j++) m.Frame2DSections[r].v[j] = frame2d[r - 1][j];
    m.nCsAreas = static_cast<int>(csAreas.size());
    AllocRecords(&m.CsAreas, m.nCsAreas);
    for (int r = 1; r <= m.nCsAreas; r++) m.CsAreas[r].Area = csAreas[r - 1];
    m.nAuxVectors = static_cast<int>(aux.size());
    AllocRecords(&m.AuxVectors, m.nAuxVectors);
    for (int r = 1; r <= m.nAuxVectors; r++)
      for (int j = 1; j <= 3; j++) m.AuxVectors[r].v[j] = aux[r - 1][j - 1];
    m.nCoordSystems = static_cast<int>(coordSys.size());
    AllocRecords(&m.CoordSystems, m.nCoordSystems);
    for (int r = 1; r <= m.nCoordSystems; r++)
      for (int j = 1; j <= 3; j++) m.CoordSystems[r].AuxVector[j] = coordSys[r - 1][j - 1];
    m.nIntegrations = static_cast<int>(integ.size());
    AllocRecords(&m.Integrations, m.nIntegrations);
    for (int r = 1; r <= m.nIntegrations; r++) {
      std::snprintf(m.Integrations[r].Name, kBinStringMax, "rule%d", r);
      for (int j = 1; j <= 21; j++) m.Integrations[r].v[j] = integ[r - 1][j];
    }
    m.nGeomPatterns = static_cast<int>(geomPatterns.size());
    AllocRecords(&m.GeomPatterns, m.nGeomPatterns);
    for (int r = 1; r <= m.nGeomPatterns; r++) {
      GeometryPattern& g = m.GeomPatterns[r];
      g.Kind = geomPatterns[r - 1].first;
      g.nEntries = static_cast<int>(geomPatterns[r - 1].second.size());
      alloci1(&g.Record, g.nEntries);
      for (int k = 1; k <= g.nEntries; k++) g.Record[k] = geomPatterns[r - 1].second[k - 1];
    }
    m.nNlmmPatterns = static_cast<int>(nlmmPatterns.size());
    AllocRecords(&m.NlmmPatterns, m.nNlmmPatterns);
    for (int r = 1; r <= m.nNlmmPatterns; r++) {
      MaterialPattern& p = m.NlmmPatterns[r];
      p.nComponents = static_cast<int>(nlmmPatterns[r - 1].first.size());
      alloci1(&p.Kind, p.nComponents);
      alloci1(&p.Number, p.nComponents);
      for (int k = 1; k <= p.nComponents; k++) {
        p.Kind[k] = nlmmPatterns[r - 1].first[k - 1];
        p.Number[k] = nlmmPatterns[r - 1].second[k - 1];
      }
    }
    m.nPointLinks = static_cast<int>(links.size());
    AllocRecords(&m.PointLinks, m.nPointLinks);
    for (int r = 1; r <= m.nPointLinks; r++) {
      m.PointLinks[r].Master = links[r - 1][0];
      m.PointLinks[r].Slave = links[r - 1][1];
      for (int d = 1; d <= 6; d++) m.PointLinks[r].Linked[d] = linkFlags[r - 1][d - 1] == '1' ? 1 : 0;
    }
    // work arrays
    allocc2(&codes, np, 6);
    alloci2(&numbers, np, 6);
    for (int p = 1; p <= np; p++)
      for (int d = 1; d <= 6; d++) {
        const char c = p <= static_cast<int>(dofs.size()) ? dofs[p - 1][d - 1] : 'F';
        codes[p][d] = c;
        numbers[p][d] = c == 'F' ? ++nF : c == 'P' ? ++nP : 0;
      }
    alloci1(&propIndex, ne);
    allocc1(&hasCS, ne);
    alloci1(&cs, np);
    allocc1(&types, np);
    for (int p = 1; p <= np; p++) {
      cs[p] = p <= static_cast<int>(pointCS.size()) ? pointCS[p - 1] : 0;
      types[p] = p <= static_cast<int>(pointType.size()) ? pointType[p - 1] : 'G';
    }
    for (int e = 1; e <= ne; e++) {
      propIndex[e] = elementProp[e - 1];
      hasCS[e] = 0;
      for (int k = 1; k <= m.ElemNodeCount[e]; k++)
        if (cs[m.ElemNodes[e][k]] != 0) hasCS[e] = 1;
    }
    AllocPointLists(&adj, np);
    std::vector<std::vector<PointElemPair>> lists(np + 1);
    for (int e = 1; e <= ne; e++)
      for (int k = 1; k <= m.ElemNodeCount[e]; k++) lists[m.ElemNodes[e][k]].push_back({e, k});
    for (int p = 1; p <= np; p++) {
      AllocPointListItems(&adj[p], static_cast<int>(lists[p].size()));
      for (size_t i = 0; i < lists[p].size(); i++) adj[p].items[i + 1] = lists[p][i];
    }
    std::memset(oc, 'N', sizeof oc);
    alloci1(&motherIndex, ne);
    zeroi1(motherIndex, ne);
    if (locateMothers) nMothers = CalcMotherElements(&m, propIndex, motherIndex, &motherRecords);
    // load case
    lc.Number = 1;
    for (int j = 1; j <= 3; j++) lc.Gravity[j] = gravity[j - 1];
    lc.Params.IntegrationType = integrationType;
    lc.Params.IntegrationName = integrationName;
    lc.nPointLoads = static_cast<int>(pointLoads.size());
    AllocRecords(&lc.PointLoads, lc.nPointLoads);
    for (int r = 1; r <= lc.nPointLoads; r++) {
      lc.PointLoads[r].Point = pointLoads[r - 1].first;
      for (int d = 1; d <= 6; d++) lc.PointLoads[r].Load[d] = pointLoads[r - 1].second[d - 1];
    }
    lc.nIntPointLoads = static_cast<int>(intPointLoads.size());
    AllocRecords(&lc.IntPointLoads, lc.nIntPointLoads);
    for (int r = 1; r <= lc.nIntPointLoads; r++) {
      lc.IntPointLoads[r].Element = intPointLoads[r - 1].first[0];
      lc.IntPointLoads[r].AuxPoint = intPointLoads[r - 1].first[1];
      for (int d = 1; d <= 6; d++) lc.IntPointLoads[r].Load[d] = intPointLoads[r - 1].second[d - 1];
    }
    lc.nEdgeLoads = static_cast<int>(edgeLoads.size());
    AllocRecords(&lc.EdgeLoads, lc.nEdgeLoads);
    for (int r = 1; r <= lc.nEdgeLoads; r++) {
      const EdgeLoadRecord& s = edgeLoads[r - 1];
      EdgeLoad& rec = lc.EdgeLoads[r];
      rec.Element = s.element;
      rec.Face = s.face;
      rec.Edge = s.edge;
      rec.DirKind = s.kind;
      rec.DirCode = s.code;
      rec.ForceKind = static_cast<char>(s.force);
      rec.ValueCount = static_cast<int>(s.values.size());
      allocd1(&rec.Values, rec.ValueCount);
      for (int k = 1; k <= rec.ValueCount; k++) rec.Values[k] = s.values[k - 1];
    }
    BuildSurfLoads(faceLoads, &lc.nFaceLoads, &lc.FaceLoads);
    BuildSurfLoads(intEdgeLoads, &lc.nIntEdgeLoads, &lc.IntEdgeLoads);
    BuildSurfLoads(intFaceLoads, &lc.nIntFaceLoads, &lc.IntFaceLoads);
    lc.nTempVars = static_cast<int>(tempVars.size());
    AllocRecords(&lc.TempVars, lc.nTempVars);
    for (int r = 1; r <= lc.nTempVars; r++) {
      TemperatureVariationRecord& rec = lc.TempVars[r];
      rec.Element = tempVars[r - 1].element;
      rec.ValueCount = static_cast<int>(tempVars[r - 1].values.size());
      allocd1(&rec.Values, rec.ValueCount);
      for (int k = 1; k <= rec.ValueCount; k++) rec.Values[k] = tempVars[r - 1].values[k - 1];
    }
    lc.nDiffTempVars = static_cast<int>(diffTempVars.size());
    AllocRecords(&lc.DiffTempVars, lc.nDiffTempVars);
    for (int r = 1; r <= lc.nDiffTempVars; r++) {
      DiffTemperatureVariationRecord& rec = lc.DiffTempVars[r];
      rec.Element = diffTempVars[r - 1].element;
      rec.Direction = diffTempVars[r - 1].direction;
      rec.ValueCount = static_cast<int>(diffTempVars[r - 1].values.size());
      allocd1(&rec.Values, rec.ValueCount);
      for (int k = 1; k <= rec.ValueCount; k++) rec.Values[k] = diffTempVars[r - 1].values[k - 1];
    }
    lc.nPrescDispls = static_cast<int>(prescribed.size());
    AllocRecords(&lc.PrescDispls, lc.nPrescDispls);
    for (int r = 1; r <= lc.nPrescDispls; r++) {
      lc.PrescDispls[r].Point = static_cast<int>(prescribed[r - 1][0]);
      lc.PrescDispls[r].Dof = static_cast<int>(prescribed[r - 1][1]);
      lc.PrescDispls[r].Value = prescribed[r - 1][2];
    }
    built = true;
  }

  template <typename R>
  static void BuildSurfLoads(const std::vector<SurfLoadRecord>& in, int32_t* n, R** out) {
    *n = static_cast<int>(in.size());
    AllocRecords(out, *n);
    for (int r = 1; r <= *n; r++) {
      const SurfLoadRecord& s = in[r - 1];
      R& rec = (*out)[r];
      rec.Element = s.element;
      if constexpr (std::is_same_v<R, FaceLoad>)
        rec.Face = s.aux;
      else
        rec.AuxElement = s.aux;
      rec.DirKind = s.kind;
      rec.DirCode = s.code;
      rec.ForceKind = static_cast<char>(s.force);
      rec.ValueCount = static_cast<int>(s.values.size());
      allocd1(&rec.Values, rec.ValueCount);
      for (int k = 1; k <= rec.ValueCount; k++) rec.Values[k] = s.values[k - 1];
    }
  }

  ~TestModel() {
    if (!built) return;
    FreeLoadCase(&lc);
    if (locateMothers) FreeMotherRecords(nMothers, motherRecords);
    freei1(motherIndex);
    FreePointLists(adj, mesh.nPoints);
    freec1(types);
    freei1(cs);
    freec1(hasCS);
    freei1(propIndex);
    freei2(numbers);
    freec2(codes);
    MeshData& m = mesh;
    FreeRecords(m.PointLinks, m.nPointLinks);
    FreeRecords(m.NlmmPatterns, m.nNlmmPatterns);
    FreeRecords(m.GeomPatterns, m.nGeomPatterns);
    FreeRecords(m.Integrations, m.nIntegrations);
    FreeRecords(m.CoordSystems, m.nCoordSystems);
    FreeRecords(m.AuxVectors, m.nAuxVectors);
    FreeRecords(m.Frame3DSections, m.nFrame3DSections);
    FreeRecords(m.Frame2DSections, m.nFrame2DSections);
    FreeRecords(m.CsAreas, m.nCsAreas);
    FreeRecords(m.LamThicks, m.nLamThicks);
    for (int kind = 1; kind <= kMaterialKinds; kind++) FreeRecords(m.Materials[kind], m.nMaterials[kind]);
    FreeRecords(m.ElemProps, m.nElemProps);
    for (int e = m.nElements; e >= 1; e--) freei1(m.ElemNodes[e]);
    freepi1(m.ElemNodes);
    freei1(m.ElemNodeCount);
    freed2(m.PointCoord);
  }

  // ---- calls ----
  // Element load vector of one element through the dispatchers (6 n entries).
  void EdgeLoadVector(int record, double* Fe) {
    const int e = lc.EdgeLoads[record].Element;
    const int p = propIndex[e];
    Calc_Fg_EdgeLoad(6 * mesh.ElemNodeCount[e], record, e, mesh.ElemProps[p].ElementType, 1, mesh.ElemNodeCount[e], p,
                     oc, &lc.Params, &mesh, propIndex, Fe, types, lc.EdgeLoads, adj);
  }
  void IntPointLoadVector(int record, double* Fe, int loadCase = 1) {
    const int e = lc.IntPointLoads[record].Element;
    const int p = propIndex[e];
    Calc_Fg_IntPointLoad(6 * mesh.ElemNodeCount[e], e, mesh.ElemProps[p].ElementType, record, loadCase,
                         mesh.ElemNodeCount[e], p, oc, &mesh, propIndex, Fe, types, lc.IntPointLoads, adj);
  }
  void FaceLoadVector(int record, double* Fe) {
    const int e = lc.FaceLoads[record].Element;
    const int p = propIndex[e];
    Calc_Fg_FaceLoad(6 * mesh.ElemNodeCount[e], e, mesh.ElemProps[p].ElementType, record, 1, mesh.ElemNodeCount[e], p,
                     oc, &lc.Params, &mesh, propIndex, Fe, types, lc.FaceLoads, adj);
  }
  // Internal edge and face loads: the loop zeroes the vector first.
  void IntEdgeLoadVector(int record, double* Fe) {
    const int e = lc.IntEdgeLoads[record].Element;
    const int p = propIndex[e];
    zerod1(Fe, 6 * mesh.ElemNodeCount[e]);
    Calc_Fg_IntEdgeLoad(6 * mesh.ElemNodeCount[e], e, mesh.ElemProps[p].ElementType, record, 1,
                        mesh.ElemNodeCount[e], p, oc, &lc.Params, &mesh, propIndex, Fe, types, lc.IntEdgeLoads, adj);
  }
  void IntFaceLoadVector(int record, double* Fe) {
    const int e = lc.IntFaceLoads[record].Element;
    const int p = propIndex[e];
    zerod1(Fe, 6 * mesh.ElemNodeCount[e]);
    Calc_Fg_IntFaceLoad(6 * mesh.ElemNodeCount[e], e, mesh.ElemProps[p].ElementType, record, 1,
                        mesh.ElemNodeCount[e], p, oc, &lc.Params, &mesh, propIndex, Fe, types, lc.IntFaceLoads, adj);
  }
  void TempVarVector(int record, double* Fe) {
    const int e = lc.TempVars[record].Element;
    const int p = propIndex[e];
    Calc_Fg_TempVar(6 * mesh.ElemNodeCount[e], e, mesh.ElemProps[p].ElementType, 1, mesh.ElemNodeCount[e], p, record,
                    oc, &lc.Params, &mesh, propIndex, Fe, types, adj, lc.TempVars);
  }
  void DiffTempVarVector(int record, double* Fe) {
    const int e = lc.DiffTempVars[record].Element;
    const int p = propIndex[e];
    Calc_Fg_DiffTempVar(record, 6 * mesh.ElemNodeCount[e], e, mesh.ElemProps[p].ElementType, 1,
                        mesh.ElemNodeCount[e], p, oc, &lc.Params, &mesh, propIndex, Fe, types, lc.DiffTempVars, adj);
  }
  void GravityVector(int e, double* Fe) {
    const int p = propIndex[e];
    Calc_Fg_GravityLoad(6 * mesh.ElemNodeCount[e], e, mesh.ElemProps[p].ElementType, 1, mesh.ElemNodeCount[e], p,
                        CalcDensity(p, &mesh), oc, &lc.Params, &mesh, propIndex, Fe, lc.Gravity, types, adj);
  }
  // The driver's record over the arrays built here.
  MainWorkArrays Work() const {
    MainWorkArrays w{};
    w.nElements = mesh.nElements;
    w.nPoints = mesh.nPoints;
    w.ElemPropIndex = propIndex;
    w.PointElemAdjacency = adj;
    w.PointDofCodes = codes;
    w.PointDofNumbers = numbers;
    w.PointTypes = types;
    w.PointSpecialCS = cs;
    w.ElemHasSpecialCSNode = hasCS;
    w.MotherElemIndex = motherIndex;
    w.EmbCableMotherRecord = motherRecords;
    w.nF = nF;
    w.nP = nP;
    return w;
  }
  // The whole load vector of the load case.
  void LoadVector(double* F_Free, double* F_Presc) {
    const MainWorkArrays w = Work();
    Calc_F(1, oc, &lc, &mesh, &w, F_Free, F_Presc);
  }
};

// Sum over the nodes of the three force entries of an element vector.
inline Vec3 ForceSum(const double* Fe, int n) {
  Vec3 s{0.0, 0.0, 0.0};
  for (int a = 1; a <= n; a++)
    for (int j = 0; j < 3; j++) s[j] += Fe[6 * (a - 1) + 1 + j];
  return s;
}

// Resultant moment about the origin: nodal moments plus x_a x F_a.
inline Vec3 MomentSum(const double* Fe, int n, double** X) {
  Vec3 s{0.0, 0.0, 0.0};
  for (int a = 1; a <= n; a++) {
    const double* f = Fe + 6 * (a - 1);
    const double* x = X[a];
    s[0] += f[4] + x[2] * f[3] - x[3] * f[2];
    s[1] += f[5] + x[3] * f[1] - x[1] * f[3];
    s[2] += f[6] + x[1] * f[2] - x[2] * f[1];
  }
  return s;
}
