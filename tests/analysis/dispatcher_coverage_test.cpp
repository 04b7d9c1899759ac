// Every element type of the element-type table against every dispatcher a run reaches:
// a model of one element of the type, run through the linear driver (point load, then
// gravity), the materially nonlinear driver, the geometrically nonlinear driver (with
// a nonlinear material) and the vibration modes (the mass), must end in success or in a
// worded refusal; the internal error, a signal or a sanitizer report means some
// dispatcher on the road lacks a case for the type.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "assembly/assembly.h"
#include "dynamics/mass_damping.h"
#include "elements/kernel.h"
#include "materials/material_table.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"
#include "support/run_program.h"

namespace tw = testmodel;

namespace {

// The node count a one-element model of the type takes, and the geometry record it carries.
struct TypeModel {
  int nodes;
  int geometry;  // 0: none
};

TypeModel ModelOfType(int type) {
  switch (type) {
    case _TRUSS_2D: case _TRUSS_3D: case _CABLE_2D: case _CABLE_3D: case _EMB_CABLE_2D: case _EMB_CABLE_3D:
      return {2, GEOM_CS_AREA};
    case _FRAME_2D: case _TIMOSHENKO_BEAM_2D: return {2, GEOM_CS_2D};
    case _FRAME_3D: case _TIMOSHENKO_BEAM_3D: return {2, GEOM_CS_3D};
    case _INTERFACE_POINT: return {2, 0};
    case _INTERFACE_LINE_2D: case _INTERFACE_LINE_3D: return {4, GEOM_LAM_THICK};
    case _INTERFACE_TRIANG: return {6, 0};
    case _INTERFACE_QUAD: return {8, 0};
    case _SOLID_TETRA: return {4, 0};
    case _SOLID_HEXA: case _SOLID_HEXA_THERMAL: return {8, 0};
    case _AXIS_LINE: return {2, GEOM_LAM_THICK};
    default: break;
  }
  // Surfaces: plane, axisymmetric, slab and shell triangles and quadrilaterals.
  return {GetElementTypeInfo(type).shapeCode == 3 ? 3 : 4, GEOM_LAM_THICK};
}

// Corner positions of the element's shape in (a, b, c); an interface repeats its face
// for its second side.
std::vector<std::array<double, 3>> Corners(int type, int nodes) {
  static const std::array<double, 3> kLine[] = {{0, 0, 0}, {1, 0, 0}};
  static const std::array<double, 3> kTriangle[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  static const std::array<double, 3> kQuad[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  static const std::array<double, 3> kTetra[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  static const std::array<double, 3> kHexa[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                                {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  const std::array<double, 3>* shape = kLine;
  int n = 2;
  switch (GetElementTypeInfo(type).shapeCode) {
    case 3: shape = kTriangle, n = 3; break;
    case 4: shape = kQuad, n = 4; break;
    case 5: shape = kTetra, n = 4; break;
    case 6: shape = kHexa, n = 8; break;
    case 1: n = 1; break;
    default: break;
  }
  std::vector<std::array<double, 3>> c;
  for (int k = 0; k < nodes; k++) c.push_back(shape[k % n]);
  return c;
}

// The linear interface properties of an interface type (normal, then tangential
// stiffnesses); null for the types that take the linear isotropic material.
const char* InterfaceTag(int type) {
  switch (type) {
    case _INTERFACE_LINE_2D: return "<LINEAR_INTERFACE_LINE_2D_PROPERTIES>";
    case _INTERFACE_LINE_3D: return "<LINEAR_INTERFACE_LINE_3D_PROPERTIES>";
    case _INTERFACE_QUAD: return "<LINEAR_INTERFACE_SURFACE_PROPERTIES>";
    default: return nullptr;
  }
}

// One element of the type, every node but the last fixed in every dof, the last free in
// its first dof only (along a line element's axis) and loaded there; or, with gravity,
// under the element's weight.
tw::Model OneElement(int type, bool gravity) {
  const ElementTypeRow& row = GetElementTypeInfo(type);
  const std::string coordMask = std::string(row.coordMask).substr(1), dofMask = std::string(row.dofMask).substr(1);
  const TypeModel tm = ModelOfType(type);
  linmodel::Job j;
  std::vector<int32_t> nodes;
  const std::vector<std::array<double, 3>> corners = Corners(type, tm.nodes);
  for (size_t k = 0; k < corners.size(); k++) {
    // The shape's coordinates on the axes the type uses, in order.
    std::array<double, 3> x{0, 0, 0};
    size_t next = 0;
    for (size_t axis = 0; axis < 3; axis++)
      if (coordMask[axis] == '1') x[axis] = corners[k][next++];
    const bool last = k + 1 == corners.size();
    std::string fixity = dofMask;
    if (last) fixity[fixity.find('1') == std::string::npos ? 0 : fixity.find('1')] = '0';
    nodes.push_back(linmodel::AddPoint3D(j, x[0], x[1], x[2], dofMask, fixity));
  }
  tw::AddElement(j.model, nodes);
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("material", 1.0, 1e-5, 1000.0, 0.2));
  switch (tm.geometry) {
    case GEOM_CS_AREA: tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("area", 0.01)); break;
    case GEOM_CS_2D:
      tw::AddRecord(j.model, "<FRAME_2D_CROSS_SECTIONS>", tw::Frame2DSection("section", {0.01, 0.0, 1e-4, 0.3}));
      break;
    case GEOM_CS_3D:
      tw::AddRecord(j.model, "<FRAME_3D_CROSS_SECTIONS>",
                    tw::Frame3DSection("section", {0.01, 1.2, 1.2, 2e-4, 1e-4, 1e-4, 0, 0, 0, 0, 0}));
      break;
    case GEOM_LAM_THICK: tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 0.1)); break;
    default: break;
  }
  int material = MAT_LIN_ISO;
  if (const char* tag = InterfaceTag(type)) {
    const bool line2D = type == _INTERFACE_LINE_2D;
    tw::AddRecord(j.model, tag, tw::Rec().S("interface").Ds(line2D ? std::vector<double>{1000, 100}
                                                                    : std::vector<double>{1000, 500, 100}));
    material = line2D ? MAT_LIN_INT_LINE_2D : type == _INTERFACE_LINE_3D ? MAT_LIN_INT_LINE_3D : MAT_LIN_INT_SURF;
  }
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, 1, type, material, 1, tm.geometry, tm.geometry != 0 ? 1 : 0));
  std::array<double, 6> load{};
  const size_t loaded = dofMask.find('1');
  if (loaded != std::string::npos) load[loaded] = 1.0;
  j.model.loadCases = {gravity ? linmodel::LoadCase({}) : linmodel::LoadCase({tw::PointLoad(nodes.back(), load)})};
  if (gravity) j.model.loadCases[0].gravity = {0.0, -9.81, -9.81};
  return j.model;
}

void PutInt(tw::Rec& r, size_t at, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int k = 0; k < 4; k++) r.bytes[at + k] = static_cast<uint8_t>(u >> (8 * k));
}
// Byte offset of the material kind in an "<ELEMENT_PROPERTIES>" record.
constexpr size_t kMaterialKind = 24;

// The element on a Drucker-Prager concrete that stays elastic (cohesion far above any
// stress) in place of the isotropic material.
void OnConcrete(tw::Model& m) {
  m.blocks.erase("<LINEAR_ISOTROPIC_MATERIALS>");
  tw::AddRecord(m, "<NLMM124>",
                tw::Rec().S("concrete").Ds({1.0, 1e-5, 0.2, 1000.0}).I(2).I(1).Ds({1e6, 1.0}).I(1).Ds({0, 0, 1.0}));
  PutInt(m.blocks["<ELEMENT_PROPERTIES>"][0], kMaterialKind, MAT_NLMM124);
}

enum class Road { kLinear, kLinearGravity, kMaterNonlinear, kGeomNonlinear, kModes };

tw::Model OnRoad(int type, Road road) {
  tw::Model m = OneElement(type, road == Road::kLinearGravity);
  if (road == Road::kMaterNonlinear || road == Road::kGeomNonlinear) {
    nonlinrun::Factors(m, {0.5, 1.0});
    nonlinrun::Iterate(m.main, 1e-6, 20);
  }
  if (road == Road::kGeomNonlinear) m.main.geomNonlinear = 1;
  // The geometric road takes nonlinear materials only: the concrete where the type takes it.
  if (road == Road::kGeomNonlinear && MaterialKindAllowed(MAT_NLMM124, type)) OnConcrete(m);
  // The lowest vibration mode, by Gaussian elimination.
  if (road == Road::kModes) {
    m.main.analysisType = 3;
    m.main.storageTechnique = m.main.linEqAlgorithm = 1;
    m.loadCases.clear();
    tw::AddRecord(m, "<FREQUENCY_RANGES>", tw::Rec().D(0.0).I(1).D(0.0).D(0.0));
  }
  return m;
}

class DispatcherCoverage : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }
  std::string dir_;
};

// The program's last words: the line after its final "ERROR:", else its last line.
std::string LastWords(const ChildResult& r) {
  const std::string& s = r.err;
  const size_t at = s.rfind("ERROR:\n");
  size_t from = at != std::string::npos ? at + 7 : s.find_last_not_of('\n');
  if (at == std::string::npos) from = from == std::string::npos ? 0 : s.rfind('\n', from) + 1;
  if (from > s.size()) from = 0;
  return s.substr(from, s.find('\n', from) - from);
}

TEST_F(DispatcherCoverage, EveryElementTypeIsHandledOrRefusedInWordsOnEveryRoad) {
  const std::pair<Road, const char*> roads[] = {{Road::kLinear, "linear"},
                                                {Road::kLinearGravity, "linear, gravity"},
                                                {Road::kMaterNonlinear, "materially nonlinear"},
                                                {Road::kGeomNonlinear, "geometrically nonlinear"},
                                                {Road::kModes, "vibration modes"}};
  for (int type = 1; type <= kNumElementTypes; type++) {
    for (const auto& [road, name] : roads) {
      SCOPED_TRACE(std::string(ElementTypeInfo[type].keyword) + " on the " + name + " road");
      const std::string job = "t" + std::to_string(type) + "r" + std::to_string(static_cast<int>(road));
      tw::WriteDataFile(dir_ + "/" + job, OnRoad(type, road));
      const ChildResult r = RunProgram(VOLDE_EXE, {job}, dir_);
      EXPECT_TRUE(r.status == 0 || r.status == 1) << "status " << r.status << "\n" << r.err;
      EXPECT_EQ(r.err.find("INTERNAL ERROR"), std::string::npos) << r.err;
      // Memory still held at an error exit is no fault; any other sanitizer report is.
      EXPECT_EQ(r.err.find("ERROR: AddressSanitizer"), std::string::npos) << r.err;
      EXPECT_EQ(r.err.find("runtime error:"), std::string::npos) << r.err;
      if (r.status == 1) {
        EXPECT_FALSE(LastWords(r).empty()) << "a refusal without words";
      }
      // The data-file checks know every type of the table.
      EXPECT_EQ(r.err.find("Invalid element type code"), std::string::npos) << r.err;
      // A type with element routines runs to the end under its point load; an embedded
      // cable needs a host element and is refused alone.
      const bool embedded = type == _EMB_CABLE_2D || type == _EMB_CABLE_3D;
      if ((road == Road::kLinear || road == Road::kMaterNonlinear) && ElementTypeHasStiffness(type) && !embedded) {
        EXPECT_EQ(r.status, 0) << r.err;
      }
      if (road == Road::kGeomNonlinear && (type == _PLANE_STRESS_QUAD || type == _SOLID_HEXA)) {
        EXPECT_EQ(r.status, 0) << r.err;
      }
      if (road == Road::kModes && ElementTypeHasMass(type)) {
        EXPECT_EQ(r.status, 0) << r.err;
      }
      if (!ElementTypeHasStiffness(type)) {
        EXPECT_EQ(r.status, 1);
      }
    }
  }
}

// A material kind the element type does not take is refused in words at set-up: an
// interface element on the linear isotropic material (not its interface properties)
// reached the internal error in the interface's elasticity matrix, a Mindlin shell on the
// Drucker-Prager concrete of the plane and solid elements in the history index.
TEST_F(DispatcherCoverage, MaterialKindTheTypeDoesNotTakeIsRefusedInWords) {
  {
    tw::Model m = OnRoad(_MINDLIN_SHELL_QUAD, Road::kGeomNonlinear);
    OnConcrete(m);
    tw::WriteDataFile(dir_ + "/shell", m);
    const ChildResult r = RunProgram(VOLDE_EXE, {"shell"}, dir_);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("INTERNAL ERROR"), std::string::npos) << r.err;
  }
  for (int type : {_INTERFACE_LINE_2D, _INTERFACE_LINE_3D, _INTERFACE_QUAD}) {
    tw::Model m = OnRoad(type, Road::kLinear);
    m.blocks.erase("<LINEAR_INTERFACE_LINE_2D_PROPERTIES>");
    m.blocks.erase("<LINEAR_INTERFACE_LINE_3D_PROPERTIES>");
    m.blocks.erase("<LINEAR_INTERFACE_SURFACE_PROPERTIES>");
    PutInt(m.blocks["<ELEMENT_PROPERTIES>"][0], kMaterialKind, MAT_LIN_ISO);
    tw::WriteDataFile(dir_ + "/job", m);
    const ChildResult r = RunProgram(VOLDE_EXE, {"job"}, dir_);
    EXPECT_EQ(r.status, 1) << ElementTypeInfo[type].keyword;
    EXPECT_EQ(r.err.find("INTERNAL ERROR"), std::string::npos) << ElementTypeInfo[type].keyword << "\n" << r.err;
  }
}

}  // namespace
