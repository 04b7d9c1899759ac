// Test models of the topology and assembly tests: a model is described with the
// data-file writer, written and read back, and its work arrays built as a run does.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "assembly/topology.h"
#include "elements/kernel.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/loaded_mesh.h"
#include "support/testfiles.h"

namespace tw = testmodel;

// Geometry records every model carries: area 1 (trusses, cables), thickness 1 (plates,
// shells), a 2-D and a 3-D frame section, and one linear isotropic material.
inline tw::Model BaseModel() {
  tw::Model m;
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0.0, 1e-5, 200.0, 0.3));
  tw::AddRecord(m, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("a", 1.0));
  tw::AddRecord(m, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 1.0));
  tw::AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", tw::Frame2DSection("f2", {1.0, 1.0, 1.0, 1.0}));
  tw::AddRecord(m, "<FRAME_3D_CROSS_SECTIONS>",
                tw::Frame3DSection("f3", {1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.0}));
  return m;
}

// Geometry kind and record that suit an element type in BaseModel.
inline void GeometryFor(int type, int* kind, int* record) {
  *record = 1;
  switch (type) {
    case _TRUSS_2D: case _TRUSS_3D: case _CABLE_2D: case _CABLE_3D: case _EMB_CABLE_2D: case _EMB_CABLE_3D:
      *kind = kGeomCsArea;
      return;
    case _FRAME_2D: *kind = kGeomCs2D; return;
    case _FRAME_3D: case _TIMOSHENKO_BEAM_3D: *kind = kGeomCs3D; return;
    case _SOLID_HEXA: *kind = 0; *record = 0; return;
    default: *kind = kGeomLamThick; return;
  }
}

// Elements first..last of one type, linear isotropic, in phases p1..p2.
inline void AddProperty(tw::Model& m, int first, int last, int type, int p1 = 1, int p2 = 1) {
  int kind, record;
  GeometryFor(type, &kind, &record);
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(first, last, type, 1, 1, kind, record, 1, 0, p1, p2));
}

inline tw::Rec AuxVector(double a, double b, double c) { return tw::Rec().S("v").D(a).D(b).D(c); }
inline tw::Rec CoordSystem(int a, int b, int c) { return tw::Rec().S("cs").I(a).I(b).I(c); }
inline tw::Rec SpecialCsPoint(int point, int cs) { return tw::Rec().I(0).I(0).I(0).I(point).I(cs); }

// A model read back and its work arrays for a phase; released at the end of the scope.
struct Built {
  MeshData mesh;
  MainWorkArrays w;
  Built(const tw::Model& m, int phase = 1, const std::string& tag = "") {
    ReadMeshOfModel(TestJobName(tag), m, &mesh);
    InitializeMainWorkArrays(phase, &mesh, &w);
  }
  ~Built() {
    FreeMainWorkArrays(&w);
    FreeMesh(&mesh);
  }
  Built(const Built&) = delete;
  Built& operator=(const Built&) = delete;
  // The six dof codes of a point as text: '.' for a missing dof.
  std::string Codes(int p) const {
    std::string s;
    for (int d = 1; d <= 6; d++) s += w.PointDofCodes[p][d] == 0 ? '.' : w.PointDofCodes[p][d];
    return s;
  }
};

// A literal regular expression for the whole error-stream text.
inline std::string Whole(const std::string& s) {
  std::string r = "^";
  for (char c : s) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) r += '\\';
    r += c;
  }
  return r + "$";
}
