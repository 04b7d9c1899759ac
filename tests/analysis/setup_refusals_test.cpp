// Ordinary data the linear road has no routines for, refused by the program with a
// worded message that names the element, its type and the load: element types without
// element routines, loads the element type does not take, node lists no element type
// takes, embedded cables in elements that cannot carry them, layered shells in a
// linear analysis.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;

namespace {

void PutInt(tw::Rec& r, size_t at, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int k = 0; k < 4; k++) r.bytes[at + k] = static_cast<uint8_t>(u >> (8 * k));
}

// Byte offsets in an "<ELEMENT_PROPERTIES>" record.
constexpr size_t kLastElement = 16, kElementType = 20, kMaterialKind = 24, kMaterialNumber = 28;

// The two-element plate cut into four plane-stress triangles.
tw::Model Triangles() {
  linmodel::Job j = linmodel::TwoElementPlate(1000.0, 0.25, 0.1);
  j.model.elements = {{1, 2, 5}, {1, 5, 4}, {2, 3, 6}, {2, 6, 5}};
  tw::Rec& p = j.model.blocks["<ELEMENT_PROPERTIES>"][0];
  PutInt(p, kLastElement, 4);
  PutInt(p, kElementType, 9);
  j.model.loadCases = {linmodel::LoadCase({tw::PointLoad(3, {0, 1, 0, 0, 0, 0})})};
  return j.model;
}

// One 8-node shell of type 20 (Mindlin) or a plate in the x2-x3 plane, with a point load.
tw::Model MindlinShell() {
  linmodel::LatticeJob lj = linmodel::QuadMesh(
      20, 8, 1, 1, [](double u, double v) { return std::array<double, 3>{u, v, 0.0}; }, 1000.0, 0.3, 1.0, 0.1,
      [](int I, int, int) { return I == 0 ? std::string("111111") : std::string("000000"); });
  lj.job.model.loadCases = {linmodel::LoadCase({tw::PointLoad(lj.At(2, 2), {0, 0, -1, 0, 0, 0})})};
  return lj.job.model;
}

// Adds an embedded cable of type 31 or 32 between two new points.
void AddEmbeddedCable(tw::Model& m, int type, std::array<double, 3> a, std::array<double, 3> b) {
  const int p = tw::AddPoint(m, a[0], a[1], a[2]);
  const int q = tw::AddPoint(m, b[0], b[1], b[2]);
  const int e = tw::AddElement(m, {p, q});
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("strand", 0.0, 1e-5, 2e5, 0.3));
  tw::AddRecord(m, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("strand", 1e-4));
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(e, e, type, MAT_LIN_ISO,
                                    static_cast<int>(m.blocks["<LINEAR_ISOTROPIC_MATERIALS>"].size()), GEOM_CS_AREA,
                                    static_cast<int>(m.blocks["<CROSS_SECTION_AREAS>"].size())));
}

struct Case {
  const char* what;
  std::function<tw::Model()> model;
  std::vector<std::string> stderrHas;  // texts the error stream must hold
};

}  // namespace

class SetUpRefusals : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }
  std::string dir_;
  ChildLeakCheckOff leaks_;
};

TEST_F(SetUpRefusals, WordedMessagesNameTheElementTypeAndLoad) {
  const std::string noLoad = "\nERROR:\nThis type of element does not take this type of load.\n";
  const Case cases[] = {
      {"element type without routines",
       [] {
         tw::Model m = Triangles();
         PutInt(m.blocks["<ELEMENT_PROPERTIES>"][0], kElementType, 12);
         return m;
       },
       {"\nElement n. 1\n   -> Element type: _PLANE_STRAIN_TRIANG\n\nERROR:\n"
        "This type of element is not available yet in a mechanical analysis.\n"}},
      {"triangles under gravity",
       [] {
         tw::Model m = Triangles();
         m.loadCases[0].gravity = {0, 0, -9.81};
         return m;
       },
       {"   -> Element: 1\n", "_PLANE_STRESS_TRIANG", noLoad}},
      {"triangle with an edge load",
       [] {
         tw::Model m = Triangles();
         m.loadCases[0].blocks["<EDGE_LOADS>"] = {tw::EdgeLoad(3, 0, 1, 'G', 2, 1, {1.0})};
         return m;
       },
       {"<EDGE_LOAD>", "   -> Element: 3\n", "_PLANE_STRESS_TRIANG", noLoad}},
      {"triangle with a face load",
       [] {
         tw::Model m = Triangles();
         m.loadCases[0].blocks["<FACE_LOADS>"] = {tw::FaceLoad(2, 0, 'G', 3, 1, {1.0})};
         return m;
       },
       {"<FACE_LOAD>", "   -> Element: 2\n", "_PLANE_STRESS_TRIANG", noLoad}},
      {"triangle with a temperature variation",
       [] {
         tw::Model m = Triangles();
         m.loadCases[0].blocks["<TEMPERATURE_VARIATION>"] = {tw::TemperatureVariation(4, {10.0})};
         return m;
       },
       {"<TEMPERATURE_VARIATION>", "   -> Element: 4\n", "_PLANE_STRESS_TRIANG", noLoad}},
      {"a node list of 200,000 points",
       [] {
         tw::Model m = Triangles();
         m.elements[0] = std::vector<int32_t>(200000, 1);
         return m;
       },
       {"   -> Block name: <ELEMENT_NODES>\n   -> Record counter: 1\n\nERROR:\n"
        "Element n. 1 has 200000 nodes: an element has at most 20 nodes.\n"}},
      {"a node count its type does not take",
       [] {
         tw::Model m = Triangles();
         m.elements[1] = {1, 5, 4, 2};
         return m;
       },
       {"   -> Record counter: 2\n\nERROR:\nElement n. 2 has 4 nodes: its type (code 9) takes 3 or 6 nodes.\n"}},
      {"3-D embedded cable in a Mindlin shell",
       [] {
         tw::Model m = MindlinShell();
         AddEmbeddedCable(m, 32, {0.25, 0.5, 0.0}, {0.75, 0.5, 0.0});
         return m;
       },
       {"   -> Mother element: 1\n   -> Mother element type: _MINDLIN_SHELL_QUAD\n",
        "\nERROR:\nThis type of element cannot be the mother element of an embedded cable:\n"}},
      {"2-D embedded cable with a temperature variation",
       [] {
         tw::Model m = linmodel::TwoElementPlate(1000.0, 0.25, 0.1).model;
         AddEmbeddedCable(m, 31, {0.0, 0.25, 0.5}, {0.0, 0.75, 0.5});
         m.loadCases = {linmodel::LoadCase({tw::PointLoad(3, {0, 1, 0, 0, 0, 0})})};
         m.loadCases[0].blocks["<TEMPERATURE_VARIATION>"] = {tw::TemperatureVariation(3, {10.0})};
         return m;
       },
       {"<TEMPERATURE_VARIATION>", "   -> Element: 3\n", "_EMB_CABLE_2D", noLoad}},
      {"layered shell in a linear analysis",
       [] {
         tw::Model m = MindlinShell();
         tw::AddRecord(m, "<LAYER_PROPERTIES>", tw::Rec().S("layer").I(MAT_LIN_ISO).I(1).I(GEOM_LAM_THICK).I(1));
         tw::AddRecord(m, "<LAYER_PATTERNS>", tw::Rec().S("layers").IList({1, 1}));
         tw::Rec& p = m.blocks["<ELEMENT_PROPERTIES>"][0];
         PutInt(p, kMaterialKind, MAT_LAY_PATT);
         PutInt(p, kMaterialNumber, 1);
         return m;
       },
       {"\nElement n. 1\n   -> Element type: _MINDLIN_SHELL_QUAD\n\nERROR:\n"
        "Layered shells (material kind _LAY_PATT) need a materially nonlinear analysis.\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tw::WriteDataFile(dir_ + "/job1", c.model());
    const ChildResult r = RunProgram(VOLDE_EXE, {"job1"}, dir_);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err.find("INTERNAL ERROR"), std::string::npos) << r.err;
    for (const std::string& text : c.stderrHas) EXPECT_NE(r.err.find(text), std::string::npos) << text << "\n" << r.err;
  }
}
