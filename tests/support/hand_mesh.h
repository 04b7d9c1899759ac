// Test-side models built in memory: a MeshData filled by hand (points, elements,
// materials, thicknesses, properties, integration patterns), the point-element lists and
// point types of its shells, and a small global assembly of the slab, shell and solid
// elements with both equation solvers of the product (profile Gaussian elimination and
// Jacobi-preconditioned conjugate gradient).
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "assembly/solvers.h"
#include "assembly/sparse_rows.h"
#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"
#include "support/output_flags.h"

struct HandMesh {
  MeshData m{};
  std::vector<std::array<double, 4>> pts{{}};
  std::vector<std::vector<int>> nodes{{}};
  std::vector<int> elemProp{0};
  std::vector<MaterialRecord> iso{MaterialRecord{}}, ortho{MaterialRecord{}};
  std::vector<LaminateThickness> thick{LaminateThickness{}};
  std::vector<GeometryPattern> gpat{GeometryPattern{}};
  std::vector<std::vector<int32_t>> gpatRec{{}};
  std::vector<LayerProperty> layerProps{LayerProperty{}};
  std::vector<LayerPattern> layerPats{LayerPattern{}};
  std::vector<std::vector<int32_t>> layerPatRec{{}};
  std::vector<ElementProperty> props{ElementProperty{}};
  std::vector<NumericalIntegration> integ{NumericalIntegration{}};
  std::vector<AuxiliaryVector> aux{AuxiliaryVector{}};
  std::vector<CoordinateSystem> cs{CoordinateSystem{}};
  // Built arrays (Build()).
  std::vector<double*> coordRows;
  std::vector<int*> nodeRows;
  std::vector<int> nodeCount;
  std::vector<char> pointTypes;
  PointList* adj = nullptr;

  HandMesh() = default;
  HandMesh(const HandMesh&) = delete;
  HandMesh& operator=(const HandMesh&) = delete;
  ~HandMesh() {
    if (adj != nullptr) FreePointLists(adj, static_cast<int>(pts.size()) - 1);
  }

  int AddPoint(double x1, double x2, double x3) {
    pts.push_back({0.0, x1, x2, x3});
    return static_cast<int>(pts.size()) - 1;
  }
  int AddElement(const std::vector<int>& list, int prop) {
    std::vector<int> v{0};
    v.insert(v.end(), list.begin(), list.end());
    nodes.push_back(v);
    elemProp.push_back(prop);
    return static_cast<int>(nodes.size()) - 1;
  }
  int AddIso(double E, double nu, double rho = 0.0) {
    MaterialRecord r{};
    std::snprintf(r.Name, sizeof r.Name, "ISO%d", static_cast<int>(iso.size()));
    r.nValues = 4;
    const double v[5] = {0, rho, 1e-5, E, nu};
    for (int k = 1; k <= 4; k++) {
      r.Value[k] = v[k];
      r.ValueType[k] = 'd';
    }
    iso.push_back(r);
    return static_cast<int>(iso.size()) - 1;
  }
  // E1 E2 E3, G23 G31 G12, nu23 nu31 nu12, coordinate system.
  int AddOrtho(double E1, double E2, double E3, double G23, double G31, double G12, double nu23, double nu31,
               double nu12, int coordSys) {
    MaterialRecord r{};
    std::snprintf(r.Name, sizeof r.Name, "ORTHO%d", static_cast<int>(ortho.size()));
    r.nValues = 14;
    const double v[15] = {0, 1.0, 1e-5, 1e-5, 1e-5, E1, E2, E3, G23, G31, G12, nu23, nu31, nu12, double(coordSys)};
    for (int k = 1; k <= 14; k++) {
      r.Value[k] = v[k];
      r.ValueType[k] = k == 14 ? 'i' : 'd';
    }
    ortho.push_back(r);
    return static_cast<int>(ortho.size()) - 1;
  }
  int AddThickness(double t) {
    LaminateThickness r{};
    std::snprintf(r.Name, sizeof r.Name, "T%d", static_cast<int>(thick.size()));
    r.Thickness = t;
    thick.push_back(r);
    return static_cast<int>(thick.size()) - 1;
  }
  // Geometry pattern of "<LAMINATE_THICKNESSES>" records, one per node.
  int AddThicknessPattern(const std::vector<int>& recs) {
    GeometryPattern g{};
    std::snprintf(g.Name, sizeof g.Name, "GP%d", static_cast<int>(gpat.size()));
    g.Kind = GEOM_LAM_THICK;
    g.nEntries = static_cast<int>(recs.size());
    std::vector<int32_t> v{0};
    v.insert(v.end(), recs.begin(), recs.end());
    gpat.push_back(g);
    gpatRec.push_back(v);
    return static_cast<int>(gpat.size()) - 1;
  }
  int AddLayerProperty(int geomKind, int geomNumber) {
    LayerProperty l{};
    l.MaterialKind = MAT_LIN_ISO;
    l.MaterialNumber = 1;
    l.GeometryKind = geomKind;
    l.GeometryNumber = geomNumber;
    layerProps.push_back(l);
    return static_cast<int>(layerProps.size()) - 1;
  }
  int AddLayerPattern(const std::vector<int>& layers) {
    LayerPattern p{};
    p.nLayers = static_cast<int>(layers.size());
    std::vector<int32_t> v{0};
    v.insert(v.end(), layers.begin(), layers.end());
    layerPats.push_back(p);
    layerPatRec.push_back(v);
    return static_cast<int>(layerPats.size()) - 1;
  }
  // Point counts (s1, s2, s3) of the sub-patterns G, M, B, S.
  int AddIntegration(std::array<int, 3> G, std::array<int, 3> M = {0, 0, 0}, std::array<int, 3> B = {0, 0, 0},
                     std::array<int, 3> S = {0, 0, 0}) {
    NumericalIntegration r{};
    std::snprintf(r.Name, sizeof r.Name, "RULE%d", static_cast<int>(integ.size()));
    for (int d = 0; d < 3; d++) {
      r.v[3 + d] = G[d];
      r.v[6 + d] = M[d];
      r.v[9 + d] = B[d];
      r.v[12 + d] = S[d];
    }
    integ.push_back(r);
    return static_cast<int>(integ.size()) - 1;
  }
  int AddProperty(int type, int matKind, int matNo, int geomKind, int geomNo, int intType = 1, int intNo = 0) {
    ElementProperty p{};
    p.FirstPhase = 1;
    p.LastPhase = 1;
    p.FirstElement = 1;
    p.LastElement = 1;
    p.ElementType = type;
    p.MaterialKind = matKind;
    p.MaterialNumber = matNo;
    p.GeometryKind = geomKind;
    p.GeometryNumber = geomNo;
    p.IntegrationType = intType;
    p.IntegrationNumber = intNo;
    props.push_back(p);
    return static_cast<int>(props.size()) - 1;
  }
  int AddAux(double a, double b, double c) {
    AuxiliaryVector v{};
    std::snprintf(v.Name, sizeof v.Name, "V%d", static_cast<int>(aux.size()));
    v.v[1] = a;
    v.v[2] = b;
    v.v[3] = c;
    aux.push_back(v);
    return static_cast<int>(aux.size()) - 1;
  }
  int AddCoordSystem(int a1, int a2, int a3) {
    CoordinateSystem c{};
    std::snprintf(c.Name, sizeof c.Name, "CS%d", static_cast<int>(cs.size()));
    c.AuxVector[1] = a1;
    c.AuxVector[2] = a2;
    c.AuxVector[3] = a3;
    cs.push_back(c);
    return static_cast<int>(cs.size()) - 1;
  }

  int nPoints() const { return static_cast<int>(pts.size()) - 1; }
  int nElements() const { return static_cast<int>(nodes.size()) - 1; }

  // Points the MeshData at the stored records and builds the point-element lists and the
  // point types of the shells (coplanar within 1 degree: 'M' or 'A'). Call after the
  // last addition; call again after changing coordinates.
  const MeshData* Build() {
    coordRows.assign(pts.size(), nullptr);
    for (size_t i = 1; i < pts.size(); i++) coordRows[i] = pts[i].data();
    nodeRows.assign(nodes.size(), nullptr);
    nodeCount.assign(nodes.size(), 0);
    for (size_t e = 1; e < nodes.size(); e++) {
      nodeRows[e] = nodes[e].data();
      nodeCount[e] = static_cast<int>(nodes[e].size()) - 1;
    }
    for (size_t g = 1; g < gpat.size(); g++) gpat[g].Record = gpatRec[g].data();
    for (size_t g = 1; g < layerPats.size(); g++) layerPats[g].Layer = layerPatRec[g].data();
    m.nElements = nElements();
    m.ElemNodeCount = nodeCount.data();
    m.ElemNodes = nodeRows.data();
    m.nPoints = nPoints();
    m.PointCoord = coordRows.data();
    m.nMaterials[MAT_LIN_ISO] = static_cast<int>(iso.size()) - 1;
    m.Materials[MAT_LIN_ISO] = iso.data();
    m.nMaterials[MAT_LIN_ORTHO] = static_cast<int>(ortho.size()) - 1;
    m.Materials[MAT_LIN_ORTHO] = ortho.data();
    m.nLamThicks = static_cast<int>(thick.size()) - 1;
    m.LamThicks = thick.data();
    m.nGeomPatterns = static_cast<int>(gpat.size()) - 1;
    m.GeomPatterns = gpat.data();
    m.nLayerProps = static_cast<int>(layerProps.size()) - 1;
    m.LayerProps = layerProps.data();
    m.nLayerPatterns = static_cast<int>(layerPats.size()) - 1;
    m.LayerPatterns = layerPats.data();
    m.nElemProps = static_cast<int>(props.size()) - 1;
    m.ElemProps = props.data();
    m.nIntegrations = static_cast<int>(integ.size()) - 1;
    m.Integrations = integ.data();
    m.nAuxVectors = static_cast<int>(aux.size()) - 1;
    m.AuxVectors = aux.data();
    m.nCoordSystems = static_cast<int>(cs.size()) - 1;
    m.CoordSystems = cs.data();

    const int np = nPoints();
    if (adj != nullptr) FreePointLists(adj, np);
    AllocPointLists(&adj, np);
    std::vector<int> count(np + 1, 0);
    for (int e = 1; e <= nElements(); e++)
      for (int k = 1; k <= nodeCount[e]; k++) count[nodes[e][k]]++;
    for (int p = 1; p <= np; p++)
      if (count[p] > 0) AllocPointListItems(&adj[p], count[p]);
    std::vector<int> fill(np + 1, 0);
    for (int e = 1; e <= nElements(); e++)
      for (int k = 1; k <= nodeCount[e]; k++) {
        const int p = nodes[e][k];
        adj[p].items[++fill[p]] = PointElemPair{e, k};
      }
    pointTypes.assign(np + 2, 'G');
    pointTypes[np + 1] = '\0';
    for (int p = 1; p <= np; p++) {
      std::vector<std::array<double, 4>> normals;
      char kind = 'G';
      bool frame = false;
      for (int k = 1; k <= adj[p].count; k++) {
        const int e = adj[p].items[k].element, local = adj[p].items[k].node;
        const int type = props[elemProp[e]].ElementType;
        if (type == 4 || type == 8) frame = true;
        if (type != 20 && type != 22) continue;
        const int n = nodeCount[e];
        double **X, **S;
        allocd2(&X, n, 3);
        allocd2(&S, n, 2);
        CalcMat_ElemNodeCoordXYZ(e, n, m.ElemNodes, X, m.PointCoord);
        CalcNatCoord(n, S);
        std::array<double, 4> nv{};
        CalcVectNormalElem(e, 2, n, nv.data(), S[local], X);
        freed2(S);
        freed2(X);
        normals.push_back(nv);
        kind = type == 20 ? 'M' : 'A';
      }
      if (normals.empty() || frame) continue;
      bool coplanar = true;
      for (const auto& nv : normals) {
        const double c = nv[1] * normals[0][1] + nv[2] * normals[0][2] + nv[3] * normals[0][3];
        if (c < std::cos(M_PI / 180.0)) coplanar = false;
      }
      if (coplanar) pointTypes[p] = kind;
    }
    return &m;
  }
  const char* PointTypes() const { return pointTypes.data(); }
  const int* ElemPropIndex() const { return elemProp.data(); }
};

// Element stiffness of element e through the routine of its type.
inline int ElementDofsPerNode(int type) { return type == 24 || type == 18 ? 3 : 6; }

inline void ElementStiffness(HandMesh& h, int e, double** K, const char* oc) {
  const int prop = h.elemProp[e];
  const int type = h.props[prop].ElementType;
  const int n = h.nodeCount[e];
  switch (type) {
    case 24: CalcStiffSolidHexa(3 * n, e, n, prop, oc, &h.m, K); break;
    case 18: CalcStiffMindlinSlabQuad(3 * n, e, n, prop, oc, &h.m, K); break;
    case 20: CalcStiffMindlinShellQuad(6 * n, e, n, prop, oc, &h.m, K, h.PointTypes()); break;
    case 22: CalcStiffAhmadShellQuad(6 * n, e, n, prop, oc, &h.m, h.ElemPropIndex(), K, h.PointTypes(), h.adj); break;
    default: FAIL() << "no stiffness for type " << type;
  }
}

// Global system over six dof slots per point (u1 u2 u3 r1 r2 r3, the rotations of
// coplanar points in their coplanar axes). Slots an element does not use, fixed slots and
// the drill slot of coplanar points get no equation; prescribed values of fixed slots
// move to the right-hand side.
struct SmallAssembly {
  HandMesh& h;
  int np;
  std::vector<std::array<int, 7>> eq;
  std::vector<std::array<bool, 7>> used, fixed;
  std::vector<std::array<double, 7>> presc, load;
  int nEq = 0;
  std::vector<std::map<int, double>> rows;  // upper triangle
  std::vector<double> F;

  explicit SmallAssembly(HandMesh& mesh)
      : h(mesh), np(mesh.nPoints()), eq(np + 1), used(np + 1), fixed(np + 1), presc(np + 1), load(np + 1) {
    for (int p = 0; p <= np; p++) {
      eq[p].fill(0);
      used[p].fill(false);
      fixed[p].fill(false);
      presc[p].fill(0.0);
      load[p].fill(0.0);
    }
  }
  static int Slot(int type, int j) { return type == 18 ? j + 2 : j; }

  void Fix(int p, const std::string& mask, const double* values = nullptr) {
    for (int j = 1; j <= 6; j++)
      if (mask[j - 1] == '1') {
        fixed[p][j] = true;
        if (values != nullptr) presc[p][j] = values[j - 1];
      }
  }
  // Numbers the equations and assembles every element.
  void Assemble(const char* oc) {
    for (int e = 1; e <= h.nElements(); e++) {
      const int type = h.props[h.elemProp[e]].ElementType;
      const int d = ElementDofsPerNode(type);
      for (int k = 1; k <= h.nodeCount[e]; k++)
        for (int j = 1; j <= d; j++) used[h.nodes[e][k]][Slot(type, j)] = true;
    }
    for (int p = 1; p <= np; p++) {
      if (h.pointTypes[p] != 'G') fixed[p][6] = true;
      for (int j = 1; j <= 6; j++)
        if (used[p][j] && !fixed[p][j]) eq[p][j] = ++nEq;
    }
    rows.assign(nEq + 1, {});
    F.assign(nEq + 1, 0.0);
    for (int p = 1; p <= np; p++)
      for (int j = 1; j <= 6; j++)
        if (eq[p][j] > 0) F[eq[p][j]] += load[p][j];
    for (int e = 1; e <= h.nElements(); e++) {
      const int type = h.props[h.elemProp[e]].ElementType;
      const int d = ElementDofsPerNode(type);
      const int n = h.nodeCount[e], nd = d * n;
      double** K;
      allocd2(&K, nd, nd);
      ElementStiffness(h, e, K, oc);
      std::vector<int> ge(nd + 1), gp(nd + 1), gs(nd + 1);
      for (int k = 1; k <= n; k++)
        for (int j = 1; j <= d; j++) {
          const int a = d * (k - 1) + j;
          gp[a] = h.nodes[e][k];
          gs[a] = Slot(type, j);
          ge[a] = eq[gp[a]][gs[a]];
        }
      for (int a = 1; a <= nd; a++) {
        if (ge[a] == 0) continue;
        for (int b = 1; b <= nd; b++) {
          if (ge[b] == 0) {
            F[ge[a]] -= K[a][b] * presc[gp[b]][gs[b]];
            continue;
          }
          if (ge[b] >= ge[a]) rows[ge[a]][ge[b]] += K[a][b];
        }
      }
      freed2(K);
    }
  }
  SparseRowMatrix Rows() const {
    SparseRowMatrix S;
    S.n = nEq;
    alloci1(&S.count, nEq);
    allocpi1(&S.cols, nEq);
    allocpd1(&S.vals, nEq);
    for (int i = 1; i <= nEq; i++) {
      S.count[i] = static_cast<int>(rows[i].size());
      alloci1(&S.cols[i], S.count[i]);
      allocd1(&S.vals[i], S.count[i]);
      int t = 0;
      for (const auto& [c, v] : rows[i]) {
        ++t;
        S.cols[i][t] = c;
        S.vals[i][t] = v;
      }
    }
    return S;
  }
  static void Release(SparseRowMatrix& S) {
    FreeSparseMatrixRows(S.n, S.count, S.cols, S.vals);
    freepd1(S.vals);
    freepi1(S.cols);
    freei1(S.count);
  }
  // Solution by profile Gaussian elimination (profile = true) or by the conjugate gradient.
  mutable int cgIterations = 0;
  std::vector<double> Solve(bool profile, const char* oc, double cgTol = 1e-12) const {
    SparseRowMatrix S = Rows();
    double* x;
    allocd1(&x, nEq);
    for (int i = 1; i <= nEq; i++) x[i] = F[i];
    double seconds;
    if (profile) {
      int* last;
      alloci1(&last, nEq);
      int64_t terms;
      double** A;
      Calc_NCSB_KFF(nEq, &terms, oc, last, &S, &A);
      FactorNCSB(nEq, &seconds, oc, last, A);
      SolveNCSB(nEq, &seconds, last, x, A);
      freeprofd2(A, nEq);
      freei1(last);
    } else {
      int iterations;
      double resid;
      SolveIterJacPreConjGrad(nEq, &iterations, &seconds, cgTol, &resid, "volde_shell_test", "", oc, S.count, S.cols,
                              x, S.vals);
      cgIterations = iterations;
    }
    Release(S);
    std::vector<double> u(x, x + nEq + 1);
    u[0] = 0.0;
    freed1(x);
    return u;
  }
  // Value of slot j of point p in the solution u.
  double U(const std::vector<double>& u, int p, int j) const { return eq[p][j] > 0 ? u[eq[p][j]] : presc[p][j]; }
};
