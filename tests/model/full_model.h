// A small valid model with records in every mesh block, distinct values in every field,
// two load cases with records in every load block and three combinations. The round
// trip tests read it back field by field; the validation tests spoil one index at a time.
#pragma once

#include "support/datafile_writer.h"

namespace fullmodel {

using testmodel::Model;
using testmodel::Rec;

// Integration pattern: int32 1 unused, 2 triangle points, 3-17 the G, M, B, S, T counts
// along s1, s2, s3, 18-21 unused.
inline std::array<int32_t, 21> IntegrationCounts() {
  return {-5, 3, 2, 3, 4, 5, 6, 7, 8, 9, 10, 2, 3, 4, 5, 6, 7, 101, 102, 103, 104};
}

inline Model Build() {
  Model m;
  m.main.title = "full model";
  for (int p = 1; p <= 6; p++) testmodel::AddPoint(m, 1.5 * p, -2.25 * p, 0.125 * p);
  testmodel::AddElement(m, {1, 2, 3, 4});
  testmodel::AddElement(m, {2, 5});
  testmodel::AddElement(m, {});  // an element without nodes
  testmodel::AddRecord(m, "<GROUP_NAMES>", Rec().S("g1"));
  testmodel::AddRecord(m, "<GROUP_NAMES>", Rec().S("group two"));
  testmodel::AddRecord(m, "<AUXILIARY_VECTORS>", testmodel::AuxiliaryVector("v1", 1, 0, 0));
  testmodel::AddRecord(m, "<AUXILIARY_VECTORS>", testmodel::AuxiliaryVector("v2", 0, 0.6, 0.8));
  testmodel::AddRecord(m, "<AUXILIARY_VECTORS>", testmodel::AuxiliaryVector("v3", 0, -0.8, 0.6));
  testmodel::AddRecord(m, "<COORDINATE_SYSTEMS>", Rec().S("cs").I(1).I(2).I(3));
  testmodel::AddRecord(m, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", Rec().I(7).I(8).I(9).I(3).I(1));
  testmodel::AddRecord(m, "<SUPPORTS>", Rec().I(11).I(1).I(2).I(1).I(12).C(1).C(0).C(1).C(0).C(1).C(1));
  testmodel::AddRecord(m, "<SUPPORTS>", testmodel::Support(6, "000111", 2, 3));
  testmodel::AddRecord(m, "<BOUNDARY_WITH_FIXED_TEMPERATURES>", Rec().I(1).I(1).I(1).I(5).I(2).C(1).C(0).C(0).C(0).C(0).C(0));
  testmodel::AddRecord(m, "<INTERNAL_POINT_LINKS>", Rec().I(21).I(22).I(23).I(2).I(6).I(24).C(1).C(1).C(0).C(0).C(0).C(1));
  testmodel::AddRecord(m, "<INTERNAL_POINT_SPRING_LINKS>", Rec().I(31).I(32).I(33).I(4).I(5).C('S').I(2).C(1).I(1).I(2));
  testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("concrete", 2.5e-9, 1e-5, 3e4, 0.2));
  testmodel::AddRecord(m, "<LINEAR_ORTHOTROPIC_MATERIALS>",
                       testmodel::Material("ortho", "dddddddddddddi", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
  testmodel::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", Rec().S("k1").D(100.0));
  testmodel::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", Rec().S("k2").D(200.0));
  testmodel::AddRecord(m, "<NLMM_PATTERNS>", Rec().S("mp").I(2).I(1).I(1).I(2).I(1));
  testmodel::AddRecord(m, "<RAYLEIGH_DAMPING_FACTORS>", Rec().I(41).I(42).D(0.01).D(0.02));
  testmodel::AddRecord(m, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("a1", 10.0));
  testmodel::AddRecord(m, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("a2", 20.0));
  testmodel::AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", testmodel::Frame2DSection("f2", {1.1, 1.2, 1.3, 1.4}));
  testmodel::AddRecord(m, "<FRAME_3D_CROSS_SECTIONS>",
                       testmodel::Frame3DSection("f3", {2.1, 2.2, 2.3, 2.4, 2.5, 2.6, 2.7, 2.8, 2.9, 2.10, 2.11}));
  testmodel::AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("t", 0.3));
  testmodel::AddRecord(m, "<GEOMETRY_PATTERNS>", Rec().S("gp").I(2).IList({1, 2, 1}));
  testmodel::AddRecord(m, "<FIBROUS_PATTERNS>", Rec().S("fp").Count(2).S("fm1").S("fm2"));
  testmodel::AddRecord(m, "<LAYER_PROPERTIES>", Rec().S("layer").I(1).I(1).I(5).I(1));
  testmodel::AddRecord(m, "<LAYER_PATTERNS>", Rec().S("lp").IList({1, 1}));
  testmodel::AddRecord(m, "<NUMERICAL_INTEGRATION>", testmodel::NumericalIntegration("ni", IntegrationCounts()));
  testmodel::FibrousMesh f1;
  f1.name = "fm1";
  f1.angles = {10.0, 20.0, 30.0};
  f1.sections = {{{0.1, 0.2}, {0.3, 0.4}, {0.5, 0.6}}, {{0.7, 0.8}}};
  f1.elements = {{11, 12}, {13, 14, 15}};
  f1.properties = {Rec().Is({51, 52, 53, 54, 55, 56, 57, 58})};
  m.fibrousMeshes.push_back(f1);
  testmodel::FibrousMesh f2;
  f2.name = "fm2";
  m.fibrousMeshes.push_back(f2);
  // type 10 plane stress quads, 2 truss-like elements with areas
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>", Rec().Is({61, 1, 2, 1, 1, 10, 1, 1, 5, 1, 1, 1}));
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>", Rec().Is({62, 1, 1, 2, 3, 2, 45, 1, 1, 1, 2, 0}));
  testmodel::AddRecord(m, "<POINT_SPRINGS>", testmodel::PointSpring(4, 'G', 3, 2, 1, 2, 2));
  testmodel::AddRecord(m, "<LINE_SPRINGS>",
                       Rec().I(81).I(82).I(83).I(2).I(5).I(6).C('E').I(7).C(1).C(2).C(3).C(0xFF).C(1).IList({1, 2}));
  testmodel::AddRecord(m, "<SURFACE_SPRINGS>",
                       Rec().I(91).I(92).I(93).I(1).I(5).C('G').I(2).C(1).C(2).C(0xFE).C(1).IList({2}));
  testmodel::AddRecord(m, "<SURFACE_CONVECTION_HEAT_TRANSFER>",
                       Rec().Is({101, 102, 103, 1, 5}).C(1).C(0).DList({1.5, 2.5, 3.5}));
  testmodel::AddRecord(m, "<SURFACE_RADIATION_HEAT_TRANSFER>",
                       Rec().Is({111, 112, 113, 2, 3}).C(0).C(1).DList({4.5, 5.5}).D(5.67e-8));
  testmodel::ContactCase c1;
  c1.title = "contact one";
  c1.group = 7;
  c1.pointToPoint = {Rec().I(1).I(2).I(3).D(0.001), Rec().I(4).I(5).I(1).D(0.002)};
  c1.pointToElement = {Rec().I(6).I(2).I(1).I(2).D(0.003)};
  m.contactCases.push_back(c1);
  testmodel::ContactCase c2;
  c2.title = "contact two";
  m.contactCases.push_back(c2);
  m.discontinuities = {Rec().I(121).I(122).I(123).I(124).C(1).C(0xFF).C(3).C(4)};
  m.discLists1 = {{1, 2}, {}, {3}};
  m.discLists2 = {{}, {4, 5, 6}, {}};
  m.arcLength.displActive = 1;
  m.arcLength.displPoint = 3;
  m.arcLength.displDof = 2;
  testmodel::AddRecord(m, "<DYNAMIC_INITIAL_CONDITIONS>", Rec().I(5).I(2).D(0.1).D(0.2).D(0.3));
  testmodel::AddRecord(m, "<FREQUENCY_RANGES>", Rec().D(1.0).I(141).D(2.0).D(3.0));
  testmodel::AddRecord(m, "<RITZ_GENERATING_LOAD_CASES>", Rec().I(1).I(152));
  testmodel::AddRecord(m, "<RITZ_GENERATING_LOAD_CASES>", Rec().I(2).I(154));
  m.participatingMassRatios = {1, 1, 0};
  testmodel::AddRecord(m, "<STATIC_PARTICIPATION_RATIOS>", Rec().I(2));
  testmodel::AddRecord(m, "<STATIC_PARTICIPATION_RATIOS>", Rec().I(1));
  testmodel::AddRecord(m, "<DYNAMIC_PARTICIPATION_RATIOS>", Rec().I(2));
  testmodel::AddRecord(m, "<MODAL_DAMPING_RATIOS>", Rec().I(1).D(0.05));
  testmodel::AddRecord(m, "<MODAL_DAMPING_RATIOS>", Rec().I(3).D(0.07));
  testmodel::AddRecord(m, "<THERMAL_TRANSIENT_INITIAL_CONDITIONS>", Rec().I(2).D(20.5));

  // Load cases: every list block with one record (two point loads in the first).
  for (int k = 1; k <= 2; k++) {
    testmodel::LoadCase lc;
    lc.title = "load case " + std::to_string(k);
    lc.group = 10 + k;
    lc.integrationType = 1;
    lc.integrationName = k - 1;
    lc.gravity = {0.0, -9.81 * k, 0.5};
    auto& b = lc.blocks;
    b["<POINT_LOADS>"] = {testmodel::PointLoad(3, {1, 2, 3, 4, 5, 6.0 * k})};
    if (k == 1) b["<POINT_LOADS>"].push_back(testmodel::PointLoad(4, {-1, -2, -3, -4, -5, -6}));
    b["<INTERNAL_POINT_LOADS>"] = {testmodel::InternalPointLoad(1, 6, {7, 8, 9, 10, 11, 12})};
    b["<EDGE_LOADS>"] = {testmodel::EdgeLoad(1, 2, 3, 'G', 2, 1, {1.0, 2.0})};
    b["<INTERNAL_EDGE_LOADS>"] = {testmodel::InternalSurfLoad(1, 2, 'L', 3, 2, {3.0})};
    b["<FACE_LOADS>"] = {testmodel::FaceLoad(1, 4, 'N', 1, 1, {})};
    b["<INTERNAL_FACE_LOADS>"] = {Rec().I(1).I(3).C('G').I(1).C(1).DList({4.0, 5.0, 6.0})};
    b["<TEMPERATURE_VARIATION>"] = {testmodel::TemperatureVariation(2, {15.0, 16.0})};
    b["<DIFFERENTIAL_TEMPERATURE_VARIATION>"] = {testmodel::DiffTemperatureVariation(1, 3, {-5.0})};
    b["<PRESCRIBED_DISPLACEMENTS>"] = {testmodel::PrescribedDisplacement(1, 3, -0.01 * k)};
    b["<INTERNAL_PRESCRIBED_RELATIVE_DISPLACEMENTS>"] = {Rec().I(161).I(162).I(163).D(0.004)};
    b["<PRESCRIBED_POINT_TEMPERATURES>"] = {Rec().I(5).I(1).D(100.0)};
    b["<SURFACE_HEAT_FLUX>"] = {Rec().I(1).I(2).DList({7.0, 8.0})};
    b["<SURFACE_FLUID_TEMPERATURE>"] = {Rec().I(1).I(3).I(171).I(172).DList({9.0})};
    b["<LINE_HEAT_FLUX>"] = {Rec().I(181).I(182).DList({10.0, 11.0, 12.0})};
    b["<VOLUMETRIC_INTERNAL_HEAT_GENERATION>"] = {Rec().I(2).D(13.0)};
    m.loadCases.push_back(lc);
  }
  for (int c = 1; c <= 3; c++) {
    testmodel::Combination comb;
    comb.title = "combination " + std::to_string(c);
    comb.group = 20 + c;
    comb.phase = 1;
    comb.duration = 0.5 * c;
    if (c >= 2) comb.factors = {{1, 1.0}, {2, -0.5 * c}};
    if (c == 3) comb.contactCases = {2, 1};
    m.combinations.push_back(comb);
  }
  return m;
}

}  // namespace fullmodel
