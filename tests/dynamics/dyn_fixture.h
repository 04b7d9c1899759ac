// Models of the mass, damping and contact tests: one-element and small models described
// with the data-file writer and read back with their work arrays, global row lists held
// until the end of the scope, and dense copies of them.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assembly/assembly.h"
#include "assembly/topology_fixture.h"
#include "dynamics/mass_damping.h"
#include "model/material.h"
#include "numcore/numcore.h"
#include "support/output_flags.h"

// Three global row lists (FF, PF, PP), released at the end of the scope.
struct GlobalMats {
  SparseRowMatrix FF{}, PF{}, PP{};
  ~GlobalMats() {
    if (FF.count != nullptr) FreeGlobalStiffMat(&FF, &PF, &PP);
  }
};

// Dense symmetric n x n copy of an upper-triangle row list, 0-based row-major.
inline std::vector<double> DenseSym(const SparseRowMatrix& S) {
  const int n = S.n;
  std::vector<double> D(static_cast<size_t>(n) * n, 0.0);
  for (int i = 1; i <= n; i++)
    for (int t = 1; t <= S.count[i]; t++) {
      const int j = S.cols[i][t];
      D[(i - 1) * n + (j - 1)] = S.vals[i][t];
      D[(j - 1) * n + (i - 1)] = S.vals[i][t];
    }
  return D;
}

// Model with one linear isotropic material of density rho (E = 1000, nu = 0.25), area A,
// thickness h, frame sections of area A.
inline tw::Model MassModel(double rho, double A, double h) {
  tw::Model m;
  m.main.analysisType = 2;
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("m", rho, 0.0, 1000.0, 0.25));
  tw::AddRecord(m, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("a", A));
  tw::AddRecord(m, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", h));
  tw::AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", tw::Frame2DSection("f2", {A, 0.0, 1.0, 1.0}));
  tw::AddRecord(m, "<FRAME_3D_CROSS_SECTIONS>",
                tw::Frame3DSection("f3", {A, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.0}));
  return m;
}

// Element mass of element e through the dispatch (dense, 0-based row-major).
inline std::vector<double> ElemMass(const Built& b, int e, int* n, const char* PointTypes = nullptr) {
  const int prop = b.w.ElemPropIndex[e];
  const int nNodes = b.mesh.ElemNodeCount[e];
  double** M;
  Flags oc;
  MainWorkArrays w = b.w;  // shallow: the point types may be the caller's
  if (PointTypes != nullptr) w.PointTypes = const_cast<char*>(PointTypes);
  Calc_Mg(e, nNodes, prop, oc, &b.mesh, &w, &M);
  *n = ElemMatSize(b.mesh.ElemProps[prop].ElementType, nNodes);
  std::vector<double> v(static_cast<size_t>(*n) * *n);
  for (int r = 1; r <= *n; r++)
    for (int c = 1; c <= *n; c++) v[(r - 1) * *n + (c - 1)] = M[r][c];
  freed2(M);
  return v;
}
