#include <cstring>

#include "elements/kernel.h"
#include "test_util.h"

namespace {
int Ones(const char* mask) {
  int c = 0;
  for (const char* p = mask + 1; *p; p++) c += *p == '1';
  return c;
}
}  // namespace

TEST(ElementTypes, RowsAreConsistent) {
  for (int code = 0; code <= kNumElementTypes; code++) {
    const ElementTypeRow& r = ElementTypeInfo[code];
    SCOPED_TRACE(r.keyword);
    ASSERT_EQ(std::strlen(r.coordMask), 4u);
    ASSERT_EQ(std::strlen(r.dofMask), 7u);
    EXPECT_EQ(r.coordMask[0], ' ');
    EXPECT_EQ(r.dofMask[0], ' ');
    // Node dofs are the flagged point dofs; the geometry uses the flagged coordinates.
    EXPECT_EQ(Ones(r.dofMask), r.dofsPerNode);
    EXPECT_EQ(Ones(r.coordMask), r.spaceDim);
    EXPECT_EQ((r.flags & 0xff) == 0, code <= 4);
    EXPECT_EQ((r.flags >> 8) & 0xff, (code >= 9 && code <= 22) ? 1 : 0);
    EXPECT_EQ(&GetElementTypeInfo(code), &r);
  }
}

TEST(ElementTypes, SelectedRows) {
  struct Row {
    int code;
    const char* keyword;
    const char* name;
    int faces, edges, elemDim, spaceDim, dofs;
    const char* coord;
    const char* dof;
    int shape;
  } rows[] = {
      {1, "_TRUSS_2D", "Truss2D", 0, 1, 1, 2, 2, " 011", " 011000", 2},
      {4, "_FRAME_3D", "Frame3D", 0, 1, 1, 3, 6, " 111", " 111111", 2},
      {11, "_PLANE_STRESS_QUAD_THERMAL", "PlaneStressQuadThermal", 1, 4, 2, 2, 1, " 011", " 100000", 4},
      {15, "_AXIS_TRIANG", "AxisTriang", 1, 3, 2, 2, 2, " 011", " 011000", 2},
      {18, "_MINDLIN_SLAB_QUAD", "MindlinSlabQuad", 1, 4, 2, 2, 3, " 110", " 001110", 4},
      {22, "_AHMAD_SHELL_QUAD", "AhmadShellQuad", 1, 4, 3, 3, 6, " 111", " 111111", 4},
      {24, "_SOLID_HEXA", "SolidHexa", 6, 12, 3, 3, 3, " 111", " 111000", 6},
      {29, "_INTERFACE_TRIANG", "InterfaceTriang", 1, 4, 2, 3, 3, " 111", " 111000", 3},
      {32, "_EMB_CABLE_3D", "EmbCable3D", 0, 1, 1, 3, 0, " 111", " 000000", 2},
  };
  for (const Row& w : rows) {
    const ElementTypeRow& r = ElementTypeInfo[w.code];
    SCOPED_TRACE(w.keyword);
    EXPECT_STREQ(r.keyword, w.keyword);
    EXPECT_STREQ(r.name, w.name);
    EXPECT_EQ(r.nFaces, w.faces);
    EXPECT_EQ(r.nEdges, w.edges);
    EXPECT_EQ(r.elemDim, w.elemDim);
    EXPECT_EQ(r.spaceDim, w.spaceDim);
    EXPECT_EQ(r.dofsPerNode, w.dofs);
    EXPECT_STREQ(r.coordMask, w.coord);
    EXPECT_STREQ(r.dofMask, w.dof);
    EXPECT_EQ(r.shapeCode, w.shape);
  }
  EXPECT_STREQ(ElementTypeInfo[0].keyword, "_NONE");
}

TEST(ElementTypesDeath, CodeOutsideTable) {
  EXPECT_EXIT(GetElementTypeInfo(33), testing::ExitedWithCode(1),
              Lit("Element type code: 33\n\nERROR:\nInvalid element type code.\nElement type codes run from 1 to 32."));
  EXPECT_EXIT(GetElementTypeInfo(-1), testing::ExitedWithCode(1), "Invalid element type code.");
}
