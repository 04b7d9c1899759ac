// Thermal elements built by hand: unit cube and square elements with thermal materials,
// and the history arrays of a single nonlinear thermal element.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "elements/kernel.h"
#include "materials/history_data.h"
#include "support/hand_mesh.h"

inline MaterialRecord ThermalRecord(const std::vector<double>& v, const char* types) {
  MaterialRecord r{};
  std::snprintf(r.Name, sizeof r.Name, "TH");
  r.nValues = static_cast<int>(v.size());
  for (int k = 1; k <= r.nValues; k++) {
    r.Value[k] = v[k - 1];
    r.ValueType[k] = types[k - 1];
  }
  return r;
}

struct ThermalMesh {
  HandMesh h;
  std::vector<MaterialRecord> iso{MaterialRecord{}}, m401{MaterialRecord{}}, m451{MaterialRecord{}};
  std::vector<double*> tableRows;
  std::vector<std::array<double, 3>> table;

  // rho, k, c
  int AddThermalIso(double rho, double k, double c) {
    iso.push_back(ThermalRecord({rho, k, c}, "ddd"));
    return static_cast<int>(iso.size()) - 1;
  }
  // rho, S, k, c, p5, p6, Ea, p8, p9, n, R with the table rows (AlphaT_i, f_i).
  int Add401(std::vector<double> v, const std::vector<std::array<double, 2>>& rows) {
    MaterialRecord r = ThermalRecord(v, "didddddddid");
    table.assign(1, {0, 0, 0});
    for (const auto& row : rows) table.push_back({0, row[0], row[1]});
    r.ListLen = static_cast<int>(rows.size());
    r.Value[10] = r.ListLen;
    m401.push_back(r);
    return static_cast<int>(m401.size()) - 1;
  }
  int Add451(const std::vector<double>& v) {
    m451.push_back(ThermalRecord(v, "iddidid" "d"));
    return static_cast<int>(m451.size()) - 1;
  }
  // Element of n nodes at the natural node positions mapped by f (s in [-1, 1]^d).
  template <class F>
  int AddHexa(int n, int prop, F f) {
    double** S;
    allocd2(&S, n, 3);
    CalcNatCoordSolidHexa(n, S);
    std::vector<int> list;
    for (int a = 1; a <= n; a++) {
      const auto x = f((S[a][1] + 1) / 2, (S[a][2] + 1) / 2, (S[a][3] + 1) / 2);
      list.push_back(h.AddPoint(x[0], x[1], x[2]));
    }
    freed2(S);
    return h.AddElement(list, prop);
  }
  int AddUnitHexa(int n, int prop) {
    return AddHexa(n, prop, [](double x, double y, double z) { return std::array<double, 3>{x, y, z}; });
  }
  // Unit square quadrilateral in the x2-x3 plane.
  int AddUnitQuad(int n, int prop) {
    double** S;
    allocd2(&S, n, 2);
    CalcNatCoord(n, S);
    std::vector<int> list;
    for (int a = 1; a <= n; a++) list.push_back(h.AddPoint(0.0, (S[a][1] + 1) / 2, (S[a][2] + 1) / 2));
    freed2(S);
    return h.AddElement(list, prop);
  }
  MeshData* Build() {
    h.Build();
    MeshData& m = h.m;
    m.nMaterials[MAT_THERMAL_ISO] = static_cast<int>(iso.size()) - 1;
    m.Materials[MAT_THERMAL_ISO] = iso.data();
    tableRows.assign(table.size(), nullptr);
    for (size_t i = 1; i < table.size(); i++) tableRows[i] = table[i].data();
    for (size_t i = 1; i < m401.size(); i++) m401[i].Table = tableRows.data();
    m.nMaterials[MAT_NLMM401] = static_cast<int>(m401.size()) - 1;
    m.Materials[MAT_NLMM401] = m401.data();
    m.nMaterials[MAT_NLMM451] = static_cast<int>(m451.size()) - 1;
    m.Materials[MAT_NLMM451] = m451.data();
    return &m;
  }
};

// History of one nonlinear element (map value 1) with nPoints records numbered 1..n.
struct ThermalHistory {
  std::vector<NLMM401_HD> r401;
  std::vector<NLMM301_HD> r451;
  std::vector<int32_t> slots{0, 0}, rows;
  std::vector<int32_t*> single{nullptr, nullptr};
  std::vector<int> elemToHD{0, 1};
  Index_HD index{};
  NLMM_HD hd{};
  ThermalHistory(int nPoints, double alphaT) : r401(nPoints + 1), r451(nPoints + 1), rows(nPoints + 1) {
    for (auto& r : r401) r = NLMM401_HD{alphaT, 0.0, 0.0};
    for (auto& r : r451) r = NLMM301_HD{};
    for (int k = 1; k <= nPoints; k++) rows[k] = k;
    slots[1] = nPoints;
    single[1] = rows.data();
    index.nSingle = 1;
    index.SingleSlots = slots.data();
    index.Single = single.data();
    hd.Entry[2 * NlmmSlotOfCode(MAT_NLMM401)] = r401.data();
    hd.Entry[2 * NlmmSlotOfCode(MAT_NLMM451)] = r451.data();
  }
};

// An n x n element matrix, zeroed, with its sums.
struct ElemMat {
  double** a;
  int n;
  explicit ElemMat(int n_) : n(n_) {
    allocd2(&a, n, n);
    zerod2(a, n, n);
  }
  ~ElemMat() { freed2(a); }
  ElemMat(const ElemMat&) = delete;
  ElemMat& operator=(const ElemMat&) = delete;
  double RowSum(int i) const {
    double s = 0;
    for (int j = 1; j <= n; j++) s += a[i][j];
    return s;
  }
  double Sum() const {
    double s = 0;
    for (int i = 1; i <= n; i++) s += RowSum(i);
    return s;
  }
};

// Closed-form unit-cube matrices from the 1-D factors.
inline double UnitKC(const double* a, const double* b) {  // natural node coords in {-1, 1}
  double k[3], m[3];
  for (int i = 0; i < 3; i++) {
    const bool same = a[i] == b[i];
    k[i] = same ? 1.0 : -1.0;
    m[i] = same ? 1.0 / 3.0 : 1.0 / 6.0;
  }
  return k[0] * m[1] * m[2] + m[0] * k[1] * m[2] + m[0] * m[1] * k[2];
}
inline double UnitKT(const double* a, const double* b) {
  double v = 1.0;
  for (int i = 0; i < 3; i++) v *= a[i] == b[i] ? 1.0 / 3.0 : 1.0 / 6.0;
  return v;
}
