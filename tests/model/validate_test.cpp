// The validation pass: one bad index or code at a time in an otherwise valid file.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "full_model.h"
#include "read_all.h"
#include "support/testfiles.h"

using testmodel::Model;
using testmodel::Rec;

namespace {

struct BadIndex {
  const char* what;
  std::function<void(Model&)> spoil;
  std::string stderrRegex;  // from the block line on
};

Rec Property1(int first, int last, int type, int matKind, int matNo, int geomKind, int geomNo, int integType,
              int integNo, int firstPhase = 1) {
  return Rec().Is({61, firstPhase, 2, first, last, type, matKind, matNo, geomKind, geomNo, integType, integNo});
}

std::string Fault(const std::string& block, int record, const std::string& message) {
  std::string r = "\nVerifying the data file\n(.*\n)?   -> Block name: " + block + "\n";
  if (record > 0) r += "   -> Record counter: " + std::to_string(record) + "\n";
  return r + "\nERROR:\n" + message + "\n\n$";
}

}  // namespace

// Placeholder property records of pre-processors (first phase 0, type 0, first element
// 0, first element after the last) never match an element: read and skipped, whatever
// their other fields hold.
TEST(Validation, InactivePlaceholderPropertiesAreSkipped) {
  std::string job = TestJobName();
  Model m = fullmodel::Build();
  auto& props = m.blocks["<ELEMENT_PROPERTIES>"];
  props.push_back(Rec().Is({0, 1, 1, 0, 0, 10, 99, 99, 99, 99, 99, 99}));
  props.push_back(Rec().Is({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  testmodel::WriteDataFile(job, m);
  ReadWholeDataFile(job);
  MeshData mesh;
  FILE* fp = ReadDataFileMesh(job, &mesh);
  for (int r = mesh.nElemProps - 1; r <= mesh.nElemProps; r++) EXPECT_FALSE(ElemPropIsActive(mesh.ElemProps[r]));
  for (int e = 1; e <= mesh.nElements; e++)
    EXPECT_NE(SearchElementType(e, mesh.nElemProps, mesh.ElemProps), 99) << e;
  CloseFile(fp);
  FreeMesh(&mesh);
}

TEST(ValidationDeath, OneBadIndexAtATime) {
  const std::string props = "<ELEMENT_PROPERTIES>";
  const BadIndex cases[] = {
      // element properties
      {"first element", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(-1, 1, 10, 1, 1, 5, 1, 1, 1); },
       Fault(props, 1, "Invalid first element number: -1 \\(valid: 1 to 3\\)\\.")},
      {"last element", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 4, 10, 1, 1, 5, 1, 1, 1); },
       Fault(props, 1, "Invalid last element number: 4 \\(valid: 1 to 3\\)\\.")},
      {"phase range",
       [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 10, 1, 1, 5, 1, 1, 1, 3); },
       Fault(props, 1, "Invalid phase range: 3 to 2 \\(the model has 1 phase\\(s\\)\\)\\.")},
      // A record that names elements but would hold none is refused, not skipped.
      {"phase range 0 to 0", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"].push_back(Rec().Is({0, 0, 0, 1, 3, 10, 1, 1, 5, 1, 1, 1})); },
       Fault(props, 3, "Invalid phase range: 0 to 0 \\(the model has 1 phase\\(s\\)\\)\\.")},
      {"phase beyond the model's", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"].push_back(Rec().Is({0, 2, 2, 1, 3, 10, 1, 1, 5, 1, 1, 1})); },
       Fault(props, 3, "Invalid phase range: 2 to 2 \\(the model has 1 phase\\(s\\)\\)\\.")},
      {"element type 0", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"].push_back(Rec().Is({0, 1, 1, 1, 3, 0, 1, 1, 5, 1, 1, 1})); },
       Fault(props, 3, "Invalid element type code: 0 \\(valid: 1 to 32\\)\\.")},
      {"reversed element range", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"].push_back(Rec().Is({0, 1, 1, 3, 1, 10, 1, 1, 5, 1, 1, 1})); },
       Fault(props, 3, "Invalid element range: 3 to 1\\.")},
      {"element type", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 33, 1, 1, 5, 1, 1, 1); },
       Fault(props, 1, "Invalid element type code: 33 \\(valid: 1 to 32\\)\\.")},
      {"element type -1", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, -1, 1, 1, 5, 1, 1, 1); },
       Fault(props, 1, "Invalid element type code: -1 \\(valid: 1 to 32\\)\\.")},
      {"material kind",
       [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 10, kMaterialKinds + 1, 1, 5, 1, 1, 1); },
       Fault(props, 1,
             "Invalid material kind code: " + std::to_string(kMaterialKinds + 1) + " \\(valid: 1 to " +
                 std::to_string(kMaterialKinds) + "\\)\\.")},
      {"material record", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 10, 1, 2, 5, 1, 1, 1); },
       Fault(props, 1, "Invalid material record number: 2 \\(valid: 1 to 1\\)\\.")},
      {"material of an empty block",
       [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 10, 3, 1, 5, 1, 1, 1); },
       Fault(props, 1, "Invalid material record number: 1 \\(there is none to refer to\\)\\.")},
      {"fibrous mesh record",
       [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 10, 48, 3, 5, 1, 1, 1); },
       Fault(props, 1, "Invalid material record number: 3 \\(valid: 1 to 2\\)\\.")},
      {"geometry kind", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 10, 1, 1, 6, 1, 1, 1); },
       Fault(props, 1, "Invalid geometry kind code: 6 \\(valid: 1 to 5\\)\\.")},
      {"geometry record", [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 10, 1, 1, 2, 3, 1, 1); },
       Fault(props, 1, "Invalid geometry record number: 3 \\(valid: 1 to 2\\)\\.")},
      {"geometry record without kind",
       [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 10, 1, 1, 0, 1, 1, 1); },
       Fault(props, 1, "Invalid geometry kind code: 0 \\(valid: 1 to 5\\)\\.")},
      {"integration type",
       [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 10, 1, 1, 5, 1, 4, 1); },
       Fault(props, 1, "Invalid integration type code: 4 \\(valid: 1 to 3\\)\\.")},
      {"integration record",
       [](Model& m) { m.blocks["<ELEMENT_PROPERTIES>"][0] = Property1(1, 1, 10, 1, 1, 5, 1, 1, 2); },
       Fault(props, 1, "Invalid integration record number: 2 \\(valid: 1 to 1\\)\\.")},
      // integration counts
      {"Gauss-Legendre count",
       [](Model& m) {
         auto c = fullmodel::IntegrationCounts();
         c[6] = 11;
         m.blocks["<NUMERICAL_INTEGRATION>"][0] = testmodel::NumericalIntegration("ni", c);
       },
       Fault("<NUMERICAL_INTEGRATION>", 1, "Invalid number of integration points: 11 \\(valid: 1 to 10\\)\\.")},
      {"negative count",
       [](Model& m) {
         auto c = fullmodel::IntegrationCounts();
         c[16] = -1;
         m.blocks["<NUMERICAL_INTEGRATION>"][0] = testmodel::NumericalIntegration("ni", c);
       },
       Fault("<NUMERICAL_INTEGRATION>", 1, "Invalid number of integration points: -1 \\(valid: 1 to 10\\)\\.")},
      {"triangle rule",
       [](Model& m) {
         auto c = fullmodel::IntegrationCounts();
         c[1] = 5;
         m.blocks["<NUMERICAL_INTEGRATION>"][0] = testmodel::NumericalIntegration("ni", c);
       },
       Fault("<NUMERICAL_INTEGRATION>", 1,
             "Invalid number of points of the triangle rule: 5 \\(valid: 1, 3, 4 or 6\\)\\.")},
      {"Gauss-Lobatto count",
       [](Model& m) {
         auto c = fullmodel::IntegrationCounts();
         c[3] = 1;
         m.blocks["<NUMERICAL_INTEGRATION>"][0] = testmodel::NumericalIntegration("ni", c);
         m.blocks["<ELEMENT_PROPERTIES>"][1] = Rec().Is({62, 1, 1, 2, 3, 2, 45, 1, 1, 1, 2, 1});
       },
       Fault(props, 2, "Integration pattern 1 \\(ni\\) gives 1 point:\n_GLOB rules have 2 to 10 points\\.")},
      // point numbers
      {"element node", [](Model& m) { m.elements[1][1] = 7; },
       Fault("<ELEMENT_NODES>", 2, "Invalid point number: 7 \\(valid: 1 to 6\\)\\.")},
      {"support", [](Model& m) { m.blocks["<SUPPORTS>"][1] = testmodel::Support(0, "111000"); },
       Fault("<SUPPORTS>", 2, "Invalid point number: 0 \\(valid: 1 to 6\\)\\.")},
      {"fixed temperature",
       [](Model& m) { m.blocks["<BOUNDARY_WITH_FIXED_TEMPERATURES>"][0] = testmodel::Support(9, "1"); },
       Fault("<BOUNDARY_WITH_FIXED_TEMPERATURES>", 1, "Invalid point number: 9 \\(valid: 1 to 6\\)\\.")},
      {"special coordinate system point",
       [](Model& m) { m.blocks["<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>"][0] = Rec().Is({0, 0, 0, 7, 1}); },
       Fault("<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", 1, "Invalid point number: 7 \\(valid: 1 to 6\\)\\.")},
      {"special coordinate system number",
       [](Model& m) { m.blocks["<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>"][0] = Rec().Is({0, 0, 0, 3, 2}); },
       Fault("<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", 1,
             "Invalid coordinate system number: 2 \\(valid: 1 to 1\\)\\.")},
      {"auxiliary vector of a coordinate system",
       [](Model& m) { m.blocks["<COORDINATE_SYSTEMS>"][0] = Rec().S("cs").I(1).I(4).I(1); },
       Fault("<COORDINATE_SYSTEMS>", 1, "Invalid auxiliary vector number: 4 \\(valid: 1 to 3\\)\\.")},
      // coordinate systems that are not a rotation
      {"coordinate system axis of length 2",
       [](Model& m) { m.blocks["<AUXILIARY_VECTORS>"][1] = testmodel::AuxiliaryVector("v2", 0, 1.2, 1.6); },
       Fault("<COORDINATE_SYSTEMS>", 1,
             "Coordinate system cs: axis 2 \\(auxiliary vector 2\\) has length 2, not 1\\.\n"
             "The axes of a coordinate system must be orthonormal\\.")},
      {"coordinate system with two equal axes",
       [](Model& m) { m.blocks["<COORDINATE_SYSTEMS>"][0] = Rec().S("cs").I(1).I(2).I(2); },
       Fault("<COORDINATE_SYSTEMS>", 1,
             "Coordinate system cs: axes 2 and 3 are not orthogonal \\(scalar product 1\\)\\.\n"
             "The axes of a coordinate system must be orthonormal\\.")},
      {"NaN auxiliary vector component",
       [](Model& m) { m.blocks["<AUXILIARY_VECTORS>"][0] = testmodel::AuxiliaryVector("v1", NAN, 0, 0); },
       Fault("<AUXILIARY_VECTORS>", 1, "Invalid auxiliary vector component: nan \\(not a finite number\\)\\.")},
      // flags
      {"support flag",
       [](Model& m) { m.blocks["<SUPPORTS>"][1] = testmodel::Support(2, "111000"); m.blocks["<SUPPORTS>"][1].bytes[20 + 1] = '1'; },
       Fault("<SUPPORTS>", 2, "Invalid support flag of dof 2: 49 \\(valid: 0 or 1\\)\\.")},
      {"link flag",
       [](Model& m) { m.blocks["<INTERNAL_POINT_LINKS>"][0].bytes[24 + 5] = 2; },
       Fault("<INTERNAL_POINT_LINKS>", 1, "Invalid link flag of dof 6: 2 \\(valid: 0 or 1\\)\\.")},
      // values the mechanics needs positive and finite
      {"modulus of elasticity 0",
       [](Model& m) { m.blocks["<LINEAR_ISOTROPIC_MATERIALS>"][0] = testmodel::LinIsoMaterial("c", 2.5e-9, 1e-5, 0, 0.2); },
       Fault("<LINEAR_ISOTROPIC_MATERIALS>", 1, "Invalid modulus of elasticity: 0 \\(it must be positive\\)\\.")},
      {"infinite material value",
       [](Model& m) { m.blocks["<LINEAR_ISOTROPIC_MATERIALS>"][0] = testmodel::LinIsoMaterial("c", INFINITY, 1e-5, 3e4, 0.2); },
       Fault("<LINEAR_ISOTROPIC_MATERIALS>", 1, "Invalid material value: inf \\(not a finite number\\)\\.")},
      // steel laws that would divide by zero
      {"monotonic steel without yield strain",
       [](Model& m) { m.blocks["<NLMM201>"].push_back(Rec().S("s").Ds({0, 1e-5, 0, 400, 0.01, 420, 0.1, 600, 2})); },
       Fault("<NLMM201>", 1, "Invalid yield strain: 0 \\(it must be positive\\)\\.")},
      {"cyclic steel without yield stress",
       [](Model& m) {
         m.blocks["<NLMM202>"].push_back(Rec().S("s").Ds({0, 1e-5, 2e5, 5e3, 0.002, 0, 0.01, 0, 0.1, 600}));
       },
       Fault("<NLMM202>", 1, "Invalid yield stress: 0 \\(it must be positive\\)\\.")},
      {"cyclic steel with fu = fy",
       [](Model& m) {
         m.blocks["<NLMM202>"].push_back(Rec().S("s").Ds({0, 1e-5, 2e5, 5e3, 0.002, 400, 0.01, 0, 0.1, 400}));
       },
       Fault("<NLMM202>", 1,
             "Invalid steel parameters: the hardening strain must differ from the yield strain, the ultimate stress from "
                 "the yield stress and the ultimate strain from the hardening strain\\.")},
      {"cyclic steel with eps_sh = eps_y",
       [](Model& m) {
         m.blocks["<NLMM202>"].push_back(Rec().S("s").Ds({0, 1e-5, 2e5, 5e3, 0.002, 400, 0.002, 0, 0.1, 600}));
       },
       Fault("<NLMM202>", 1,
             "Invalid steel parameters: the hardening strain must differ from the yield strain, the ultimate stress from "
                 "the yield stress and the ultimate strain from the hardening strain\\.")},
      // the plane cyclic concrete counts compression positive
      {"plane cyclic concrete with a positive tensile strength",
       [](Model& m) {
         m.blocks["<NLMM211>"].push_back(
             Rec().S("c").Ds({0, 1e-5, 0.2, 3e4, 0.002, 30, 0.01, 3, 0.1, 0.5, 0.4, 0.2, 0.1}).I(1).D(50));
       },
       Fault("<NLMM211>", 1,
             "Invalid tensile strength: 3 \\(it must be negative: this law counts compression positive\\)\\.")},
      {"area 0", [](Model& m) { m.blocks["<CROSS_SECTION_AREAS>"][0] = testmodel::CrossSectionArea("a", 0.0); },
       Fault("<CROSS_SECTION_AREAS>", 1, "Invalid cross-section area: 0 \\(it must be positive\\)\\.")},
      {"negative thickness", [](Model& m) { m.blocks["<LAMINATE_THICKNESSES>"][0] = testmodel::LaminateThickness("t", -0.2); },
       Fault("<LAMINATE_THICKNESSES>", 1, "Invalid thickness: -0.2 \\(it must be positive\\)\\.")},
      {"infinite section depth",
       [](Model& m) { m.blocks["<FRAME_2D_CROSS_SECTIONS>"][0] = testmodel::Frame2DSection("f2", {1, 0, 1, INFINITY}); },
       Fault("<FRAME_2D_CROSS_SECTIONS>", 1, "Invalid section depth: inf \\(not a finite number\\)\\.")},
      {"3-D section without torsion constant",
       [](Model& m) {
         m.blocks["<FRAME_3D_CROSS_SECTIONS>"][0] = testmodel::Frame3DSection("f3", {1, 0, 0, 0, 1, 1, 0, 0, 1, 1, 0});
       },
       Fault("<FRAME_3D_CROSS_SECTIONS>", 1, "Invalid torsion constant: 0 \\(it must be positive\\)\\.")},
      {"NaN point coordinate", [](Model& m) { m.blocks["<POINT_COORDINATES>"][1] = Rec().D(0).D(NAN).D(0); },
       Fault("<POINT_COORDINATES>", 2, "Invalid point coordinate: nan \\(not a finite number\\)\\.")},
      {"infinite point load", [](Model& m) { m.loadCases[0].blocks["<POINT_LOADS>"][0] = testmodel::PointLoad(1, {0, -INFINITY, 0, 0, 0, 0}); },
       Fault("<POINT_LOADS>", 1, "Invalid load value: -inf \\(not a finite number\\)\\.")},
      {"NaN prescribed displacement",
       [](Model& m) { m.loadCases[1].blocks["<PRESCRIBED_DISPLACEMENTS>"][0] = testmodel::PrescribedDisplacement(1, 2, NAN); },
       Fault("<PRESCRIBED_DISPLACEMENTS>", 1, "Invalid prescribed displacement: nan \\(not a finite number\\)\\.")},
      {"NaN gravity", [](Model& m) { m.loadCases[0].gravity[1] = NAN; },
       Fault("<GRAVITY_LOAD>", 0, "Invalid gravity component: nan \\(not a finite number\\)\\.")},
      {"NaN combination factor", [](Model& m) { m.combinations[1].factors[0].second = NAN; },
       Fault("<LOAD_CASE_FACTORS>", 1, "Invalid load case factor: nan \\(not a finite number\\)\\.")},
      // solver options
      {"residual decay 1",
       [](Model& m) { m.main.storageTechnique = 2; m.main.linEqAlgorithm = 2; m.main.precondResidualDecay = 1.0; },
       Fault("<MAIN_PARAMETERS>", 0, "Invalid PRECONDITIONED_RESIDUAL_DECAY: 1 \\(valid: above 0 and below 1\\)\\.")},
      {"residual decay NaN",
       [](Model& m) { m.main.storageTechnique = 2; m.main.linEqAlgorithm = 2; m.main.precondResidualDecay = NAN; },
       Fault("<MAIN_PARAMETERS>", 0, "Invalid PRECONDITIONED_RESIDUAL_DECAY: nan \\(valid: above 0 and below 1\\)\\.")},
      {"Lanczos for the eigenvalues of the stiffness matrix",
       [](Model& m) { m.main.analysisType = 1; m.main.stiffMatEigenValues = 1; m.main.eigenValueTechnique = 2; },
       Fault("<MAIN_PARAMETERS>", 0,
             "STIFFNESS_MATRIX_EIGEN_VALUE_CALCULATION_TECHNIQUE = _LANCZOS:\n"
             "the technique is not available for the eigenvalues of the stiffness matrix; use _JACOBI\\.")},
      {"thermal initial condition",
       [](Model& m) { m.blocks["<THERMAL_TRANSIENT_INITIAL_CONDITIONS>"][0] = Rec().I(7).D(1); },
       Fault("<THERMAL_TRANSIENT_INITIAL_CONDITIONS>", 1, "Invalid point number: 7 \\(valid: 1 to 6\\)\\.")},
      // links
      {"link master", [](Model& m) { m.blocks["<INTERNAL_POINT_LINKS>"][0] = testmodel::PointLink(7, 6, "1"); },
       Fault("<INTERNAL_POINT_LINKS>", 1, "Invalid master point number: 7 \\(valid: 1 to 6\\)\\.")},
      {"link slave", [](Model& m) { m.blocks["<INTERNAL_POINT_LINKS>"][0] = testmodel::PointLink(2, -6, "1"); },
       Fault("<INTERNAL_POINT_LINKS>", 1, "Invalid slave point number: -6 \\(valid: 1 to 6\\)\\.")},
      {"point linked to itself",
       [](Model& m) { m.blocks["<INTERNAL_POINT_LINKS>"].push_back(testmodel::PointLink(3, 3, "1")); },
       Fault("<INTERNAL_POINT_LINKS>", 2, "Point 3 cannot be linked to itself\\.")},
      {"slave of two masters",
       [](Model& m) { m.blocks["<INTERNAL_POINT_LINKS>"].push_back(testmodel::PointLink(3, 6, "001")); },
       Fault("<INTERNAL_POINT_LINKS>", 2, "Point 6 is linked as slave to two master points \\(2 and 3\\)\\.")},
      {"master that is a slave",
       [](Model& m) { m.blocks["<INTERNAL_POINT_LINKS>"].push_back(testmodel::PointLink(1, 2, "1")); },
       Fault("<INTERNAL_POINT_LINKS>", 1, "Master point 2 is itself the slave of point 1\\.")},
      // patterns
      {"pattern component kind",
       [](Model& m) { m.blocks["<NLMM_PATTERNS>"][0] = Rec().S("mp").I(2).I(1).I(1).I(45).I(1); },
       // Codes added at the end of the table extend the last range.
       Fault("<NLMM_PATTERNS>", 1, "Invalid material kind code: 45 \\(valid: 1 to 44 and 49( to [0-9]+)?\\)\\.")},
      {"pattern component record",
       [](Model& m) { m.blocks["<NLMM_PATTERNS>"][0] = Rec().S("mp").I(2).I(1).I(1).I(2).I(2); },
       Fault("<NLMM_PATTERNS>", 1, "Invalid material record number: 2 \\(valid: 1 to 1\\)\\.")},
      {"geometry pattern kind",
       [](Model& m) { m.blocks["<GEOMETRY_PATTERNS>"][0] = Rec().S("gp").I(1).IList({1}); },
       Fault("<GEOMETRY_PATTERNS>", 1, "Invalid geometry kind code of the pattern entries: 1 \\(valid: 2 to 5\\)\\.")},
      {"geometry pattern entry",
       [](Model& m) { m.blocks["<GEOMETRY_PATTERNS>"][0] = Rec().S("gp").I(2).IList({1, 3}); },
       Fault("<GEOMETRY_PATTERNS>", 1, "Invalid geometry record number: 3 \\(valid: 1 to 2\\)\\.")},
      {"layer geometry kind",
       [](Model& m) { m.blocks["<LAYER_PROPERTIES>"][0] = Rec().S("layer").I(1).I(1).I(2).I(1); },
       Fault("<LAYER_PROPERTIES>", 1, "Invalid geometry kind code: 2 \\(valid: 1 or 5\\)\\.")},
      {"layer material", [](Model& m) { m.blocks["<LAYER_PROPERTIES>"][0] = Rec().S("layer").I(1).I(0).I(5).I(1); },
       Fault("<LAYER_PROPERTIES>", 1, "Invalid material record number: 0 \\(valid: 1 to 1\\)\\.")},
      {"layer pattern entry", [](Model& m) { m.blocks["<LAYER_PATTERNS>"][0] = Rec().S("lp").IList({1, 2}); },
       Fault("<LAYER_PATTERNS>", 1, "Invalid layer property record number: 2 \\(valid: 1 to 1\\)\\.")},
      // springs
      {"spring link target",
       [](Model& m) { m.blocks["<INTERNAL_POINT_SPRING_LINKS>"][0] = Rec().Is({0, 0, 0, 0, 5}).C('S').I(2).C(1).I(1).I(2); },
       Fault("<INTERNAL_POINT_SPRING_LINKS>", 1, "Invalid target point number: 0 \\(valid: 1 to 6\\)\\.")},
      {"spring link direction",
       [](Model& m) { m.blocks["<INTERNAL_POINT_SPRING_LINKS>"][0] = Rec().Is({0, 0, 0, 4, 5}).C('S').I(4).C(1).I(1).I(2); },
       Fault("<INTERNAL_POINT_SPRING_LINKS>", 1, "Invalid auxiliary vector number: 4 \\(valid: 1 to 3\\)\\.")},
      {"spring link material kind",
       [](Model& m) { m.blocks["<INTERNAL_POINT_SPRING_LINKS>"][0] = Rec().Is({0, 0, 0, 4, 5}).C('G').I(1).C(1).I(5).I(1); },
       Fault("<INTERNAL_POINT_SPRING_LINKS>", 1, "Invalid spring material kind code: 5 \\(valid: 1 to 4\\)\\.")},
      {"spring link material",
       [](Model& m) { m.blocks["<INTERNAL_POINT_SPRING_LINKS>"][0] = Rec().Is({0, 0, 0, 4, 5}).C('G').I(1).C(1).I(1).I(3); },
       Fault("<INTERNAL_POINT_SPRING_LINKS>", 1, "Invalid spring material record number: 3 \\(valid: 1 to 2\\)\\.")},
      {"point spring point",
       [](Model& m) { m.blocks["<POINT_SPRINGS>"][0] = Rec().Is({0, 0, 0, 7}).C('G').I(3).C(2).C(2).I(1).I(2); },
       Fault("<POINT_SPRINGS>", 1, "Invalid point number: 7 \\(valid: 1 to 6\\)\\.")},
      {"point spring direction kind",
       [](Model& m) { m.blocks["<POINT_SPRINGS>"][0] = Rec().Is({0, 0, 0, 4}).C('X').I(3).C(2).C(2).I(1).I(2); },
       Fault("<POINT_SPRINGS>", 1, "Invalid direction kind: character code 88 \\(valid: G or S\\)\\.")},
      {"point spring axis",
       [](Model& m) { m.blocks["<POINT_SPRINGS>"][0] = Rec().Is({0, 0, 0, 4}).C('G').I(4).C(2).C(2).I(1).I(2); },
       Fault("<POINT_SPRINGS>", 1, "Invalid global axis: 4 \\(valid: 1 to 3\\)\\.")},
      {"point spring dof type",
       [](Model& m) { m.blocks["<POINT_SPRINGS>"][0] = Rec().Is({0, 0, 0, 4}).C('G').I(3).C(2).C(3).I(1).I(2); },
       Fault("<POINT_SPRINGS>", 1, "Invalid degree-of-freedom type: 3 \\(valid: 1 to 2\\)\\.")},
      {"line spring host",
       [](Model& m) {
         m.blocks["<LINE_SPRINGS>"][0] = Rec().Is({0, 0, 0, 4, 5, 6}).C('E').I(7).C(1).C(2).C(3).C(0).C(1).IList({1});
       },
       Fault("<LINE_SPRINGS>", 1, "Invalid host element number: 4 \\(valid: 1 to 3\\)\\.")},
      {"line spring material",
       [](Model& m) {
         m.blocks["<LINE_SPRINGS>"][0] = Rec().Is({0, 0, 0, 2, 5, 6}).C('E').I(7).C(1).C(2).C(3).C(0).C(1).IList({1, 3});
       },
       Fault("<LINE_SPRINGS>", 1, "Invalid spring material record number: 3 \\(valid: 1 to 2\\)\\.")},
      {"surface spring material kind",
       [](Model& m) {
         m.blocks["<SURFACE_SPRINGS>"][0] = Rec().Is({0, 0, 0, 1, 5}).C('G').I(2).C(1).C(2).C(0).C(0xFF).IList({1});
       },
       Fault("<SURFACE_SPRINGS>", 1, "Invalid spring material kind code: -1 \\(valid: 1 to 4\\)\\.")},
      // thermal boundary records
      {"convection element",
       [](Model& m) {
         m.blocks["<SURFACE_CONVECTION_HEAT_TRANSFER>"][0] = Rec().Is({0, 0, 0, 4, 5}).C(1).C(0).DList({1.5});
       },
       Fault("<SURFACE_CONVECTION_HEAT_TRANSFER>", 1, "Invalid element number: 4 \\(valid: 1 to 3\\)\\.")},
      {"convection face",
       [](Model& m) {
         m.blocks["<SURFACE_CONVECTION_HEAT_TRANSFER>"][0] = Rec().Is({0, 0, 0, 1, 7}).C(1).C(0).DList({1.5});
       },
       Fault("<SURFACE_CONVECTION_HEAT_TRANSFER>", 1, "Invalid face number: 7 \\(valid: 1 to 6\\)\\.")},
      {"radiation element",
       [](Model& m) {
         m.blocks["<SURFACE_RADIATION_HEAT_TRANSFER>"][0] = Rec().Is({0, 0, 0, 0, 3}).C(0).C(1).DList({0.5}).D(1);
       },
       Fault("<SURFACE_RADIATION_HEAT_TRANSFER>", 1, "Invalid element number: 0 \\(valid: 1 to 3\\)\\.")},
      {"radiation face",
       [](Model& m) {
         m.blocks["<SURFACE_RADIATION_HEAT_TRANSFER>"][0] = Rec().Is({0, 0, 0, 2, 0}).C(0).C(1).DList({0.5}).D(1);
       },
       Fault("<SURFACE_RADIATION_HEAT_TRANSFER>", 1, "Invalid face number: 0 \\(valid: 1 to 6\\)\\.")},
      // contacts
      {"point-to-point contact point",
       [](Model& m) { m.contactCases[0].pointToPoint[1] = Rec().I(4).I(7).I(1).D(0); },
       Fault("<POINT_TO_POINT_CONTACTS>", 2, "Invalid point number \\(S\\): 7 \\(valid: 1 to 6\\)\\.")},
      {"point-to-element contact element",
       [](Model& m) { m.contactCases[0].pointToElement[0] = Rec().I(6).I(4).I(1).I(2).D(0); },
       Fault("<POINT_TO_ELEMENT_CONTACTS>", 1, "Invalid element number: 4 \\(valid: 1 to 3\\)\\.")},
      {"point-to-element contact location",
       [](Model& m) { m.contactCases[0].pointToElement[0] = Rec().I(6).I(2).I(9).I(2).D(0); },
       Fault("<POINT_TO_ELEMENT_CONTACTS>", 1, "Invalid location point number: 9 \\(valid: 1 to 6\\)\\.")},
      {"contact dof", [](Model& m) { m.contactCases[0].pointToElement[0] = Rec().I(6).I(2).I(1).I(7).D(0); },
       Fault("<POINT_TO_ELEMENT_CONTACTS>", 1, "Invalid degree of freedom: 7 \\(valid: 1 to 6\\)\\.")},
      // load cases
      {"edge load element", [](Model& m) { m.loadCases[1].blocks["<EDGE_LOADS>"][0] = Rec().I(4).I(2).I(3).C('G').I(2).C(1).DList({1}); },
       Fault("<EDGE_LOADS>", 1, "Invalid element number: 4 \\(valid: 1 to 3\\)\\.")},
      {"point load point", [](Model& m) { m.loadCases[0].blocks["<POINT_LOADS>"][1] = testmodel::PointLoad(0, {}); },
       Fault("<POINT_LOADS>", 2, "Invalid point number: 0 \\(valid: 1 to 6\\)\\.")},
      {"internal point load point",
       [](Model& m) { m.loadCases[0].blocks["<INTERNAL_POINT_LOADS>"][0] = Rec().I(1).I(7).Ds({1, 2, 3, 4, 5, 6}); },
       Fault("<INTERNAL_POINT_LOADS>", 1, "Invalid auxiliary point number: 7 \\(valid: 1 to 6\\)\\.")},
      {"internal edge load auxiliary element",
       [](Model& m) { m.loadCases[0].blocks["<INTERNAL_EDGE_LOADS>"][0] = Rec().I(1).I(4).C('L').I(3).C(2).DList({}); },
       Fault("<INTERNAL_EDGE_LOADS>", 1, "Invalid auxiliary element number: 4 \\(valid: 1 to 3\\)\\.")},
      {"face load element", [](Model& m) { m.loadCases[0].blocks["<FACE_LOADS>"][0] = Rec().I(0).I(4).C('N').I(1).C(1).DList({}); },
       Fault("<FACE_LOADS>", 1, "Invalid element number: 0 \\(valid: 1 to 3\\)\\.")},
      {"temperature variation element",
       [](Model& m) { m.loadCases[0].blocks["<TEMPERATURE_VARIATION>"][0] = Rec().I(9).DList({1}); },
       Fault("<TEMPERATURE_VARIATION>", 1, "Invalid element number: 9 \\(valid: 1 to 3\\)\\.")},
      {"prescribed displacement dof",
       [](Model& m) { m.loadCases[0].blocks["<PRESCRIBED_DISPLACEMENTS>"][0] = testmodel::PrescribedDisplacement(1, 7, 0); },
       Fault("<PRESCRIBED_DISPLACEMENTS>", 1, "Invalid degree of freedom: 7 \\(valid: 1 to 6\\)\\.")},
      {"prescribed temperature dof",
       [](Model& m) { m.loadCases[0].blocks["<PRESCRIBED_POINT_TEMPERATURES>"] = {Rec().I(1).I(0).D(20)}; },
       Fault("<PRESCRIBED_POINT_TEMPERATURES>", 1, "Invalid degree of freedom: 0 \\(valid: 1 to 6\\)\\.")},
      {"heat generation element",
       [](Model& m) { m.loadCases[0].blocks["<VOLUMETRIC_INTERNAL_HEAT_GENERATION>"][0] = Rec().I(4).D(1); },
       Fault("<VOLUMETRIC_INTERNAL_HEAT_GENERATION>", 1, "Invalid element number: 4 \\(valid: 1 to 3\\)\\.")},
      {"load case integration pattern", [](Model& m) { m.loadCases[1].integrationName = 2; },
       Fault("<LOAD_CASE_PARAMETERS>", 0, "Invalid integration record number: 2 \\(valid: 1 to 1\\)\\.")},
      // combinations
      {"load case of a combination", [](Model& m) { m.combinations[1].factors[1].first = 3; },
       Fault("<LOAD_CASE_FACTORS>", 2, "Invalid load case number: 3 \\(valid: 1 to 2\\)\\.")},
      {"contact case of a combination", [](Model& m) { m.combinations[2].contactCases[0] = 0; },
       Fault("<CONTACT_CASES>", 1, "Invalid contact case number: 0 \\(valid: 1 to 2\\)\\.")},
  };
  std::string job = TestJobName();
  for (const BadIndex& c : cases) {
    Model m = fullmodel::Build();
    c.spoil(m);
    testmodel::WriteDataFile(job, m);
    EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1), c.stderrRegex) << c.what;
  }
}

TEST(ValidationDeath, ContextLinesNameTheLoadCaseAndCombination) {
  std::string job = TestJobName();
  Model m = fullmodel::Build();
  m.loadCases[1].blocks["<SURFACE_FLUID_TEMPERATURE>"][0] = Rec().I(5).I(3).I(0).I(0).DList({});
  testmodel::WriteDataFile(job, m);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1),
              "^\nVerifying the data file\n   -> Load case: 2\n   -> Block name: <SURFACE_FLUID_TEMPERATURE>\n"
              "   -> Record counter: 1\n\nERROR:\nInvalid element number: 5 \\(valid: 1 to 3\\)\\.\n\n$");
  m = fullmodel::Build();
  m.combinations[2].contactCases[1] = 3;
  testmodel::WriteDataFile(job, m);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1),
              "^\nVerifying the data file\n   -> Combination: 3\n   -> Block name: <CONTACT_CASES>\n"
              "   -> Record counter: 2\n\nERROR:\nInvalid contact case number: 3 \\(valid: 1 to 2\\)\\.\n\n$");
  m = fullmodel::Build();
  m.contactCases[1].pointToPoint = {Rec().I(0).I(1).I(1).D(0)};
  testmodel::WriteDataFile(job, m);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1),
              "^\nVerifying the data file\n   -> Contact case: 2\n   -> Block name: <POINT_TO_POINT_CONTACTS>\n"
              "   -> Record counter: 1\n\nERROR:\nInvalid point number \\(M\\): 0 \\(valid: 1 to 6\\)\\.\n\n$");
}
