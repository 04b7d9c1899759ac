// Member models of the truss, frame and section tests, read back through LoadedMesh.
#pragma once

#include "support/datafile_writer.h"
#include "support/loaded_mesh.h"
#include "support/process.h"

// A two-node member from a to b (points 1 and 2) with one property record of the given
// type, material (kind, record) and geometry (kind, record); materials and sections are
// added by the caller.
inline testmodel::Model MemberModel(const double a[3], const double b[3], int type, int matKind, int geomKind) {
  testmodel::Model m;
  testmodel::AddPoint(m, a[0], a[1], a[2]);
  testmodel::AddPoint(m, b[0], b[1], b[2]);
  testmodel::AddElement(m, {1, 2});
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, type, matKind, 1, geomKind, 1));
  return m;
}
