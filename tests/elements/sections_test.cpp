// Section and thickness properties and the other kernel routines that read their data
// from the model records: geometry records of the nodes, layer geometry, elasticity
// matrices of a material record, integration counts of a pattern record and the coplanar
// rotation of a shell point.
#include <cmath>

#include "elements/kernel.h"
#include "materials/elastic.h"
#include "model_fixture.h"
#include "test_util.h"

using testmodel::AddRecord;
using testmodel::Rec;

namespace {

// Element 1 (4 nodes) with one property of type `type` and geometry (kind, record); one
// linear isotropic material; areas 0.1, 0.2, 0.3; thicknesses 0.1, 0.3, 0.5; 3-D
// sections whose value j of record r is 100 r + j; geometry patterns: 1 areas (3, 1, 2,
// 1), 2 thicknesses (2, 2, 2, 2), 3 thicknesses (1, 2, 3, 3), 4 3-D sections (2, 1, 1,
// 2), 5 areas with two entries only.
testmodel::Model SectionModel(int type, int geomKind, int geomNumber) {
  testmodel::Model m;
  for (int p = 0; p < 4; p++) testmodel::AddPoint(m, p, 0, 0);
  testmodel::AddElement(m, {1, 2, 3, 4});
  AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("m", 1, 0, 1, 0));
  for (int r = 1; r <= 3; r++) {
    AddRecord(m, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("a", 0.1 * r));
    AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("t", 0.2 * r - 0.1));
    std::array<double, 11> v;
    for (int j = 1; j <= 11; j++) v[j - 1] = 100 * r + j;
    AddRecord(m, "<FRAME_3D_CROSS_SECTIONS>", testmodel::Frame3DSection("s", v));
  }
  AddRecord(m, "<GEOMETRY_PATTERNS>", Rec().S("areas").I(GEOM_CS_AREA).IList({3, 1, 2, 1}));
  AddRecord(m, "<GEOMETRY_PATTERNS>", Rec().S("even").I(GEOM_LAM_THICK).IList({2, 2, 2, 2}));
  AddRecord(m, "<GEOMETRY_PATTERNS>", Rec().S("tapered").I(GEOM_LAM_THICK).IList({1, 2, 3, 3}));
  AddRecord(m, "<GEOMETRY_PATTERNS>", Rec().S("sections").I(GEOM_CS_3D).IList({2, 1, 1, 2}));
  AddRecord(m, "<GEOMETRY_PATTERNS>", Rec().S("short").I(GEOM_CS_AREA).IList({1, 2}));
  AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, type, MAT_LIN_ISO, 1, geomKind, geomNumber));
  return m;
}

// A laminate 0.4 thick of layers 0.1 and 0.3 about the mid-surface: total, first
// thickness and the bottom, middle and top of both layers.
void ExpectLayers01And03(double total, const double* t, const double* zb, const double* zm, const double* zt) {
  EXPECT_NEAR(total, 0.4, 1e-15);
  EXPECT_NEAR(t[1], 0.1, 1e-15);
  EXPECT_NEAR(zb[1], -0.2, 1e-15);
  EXPECT_NEAR(zm[1], -0.15, 1e-15);
  EXPECT_NEAR(zt[1], -0.1, 1e-15);
  EXPECT_NEAR(zb[2], -0.1, 1e-15);
  EXPECT_NEAR(zm[2], 0.05, 1e-15);
  EXPECT_NEAR(zt[2], 0.2, 1e-15);
}

}  // namespace

TEST(Records, NodalAreasThicknessesAndSections) {
  double v[5];
  {
    LoadedMesh lm(SectionModel(2, GEOM_CS_AREA, 2));
    CalcGeomProp_CS_AREA(2, 1, v, lm->GeomPatterns, lm->CsAreas, lm->ElemProps);
    EXPECT_DOUBLE_EQ(v[1], 0.2);
    EXPECT_DOUBLE_EQ(v[2], 0.2);
  }
  {
    LoadedMesh lm(SectionModel(10, GEOM_PATT, 1));  // pattern of areas 3, 1, 2, 1
    CalcGeomProp_CS_AREA(4, 1, v, lm->GeomPatterns, lm->CsAreas, lm->ElemProps);
    const double expect[5] = {0, 0.3, 0.1, 0.2, 0.1};
    for (int k = 1; k <= 4; k++) EXPECT_DOUBLE_EQ(v[k], expect[k]);
  }
  {
    LoadedMesh lm(SectionModel(10, GEOM_LAM_THICK, 3));
    CalcGeomProp_THICKNESS(4, 1, v, lm->GeomPatterns, lm->LamThicks, lm->ElemProps);
    for (int k = 1; k <= 4; k++) EXPECT_DOUBLE_EQ(v[k], 0.5);
  }
  {
    // Nodal thicknesses 0.1, 0.3, 0.5, 0.5: the mean at the centre of the quadrilateral.
    LoadedMesh lm(SectionModel(10, GEOM_PATT, 3));
    CalcGeomProp_THICKNESS(4, 1, v, lm->GeomPatterns, lm->LamThicks, lm->ElemProps);
    double N[5];
    const double centre[3] = {0, 0, 0};
    CalcShapeFuncQuad(4, N, centre);
    EXPECT_NEAR(dotd1(N, v, 4), (0.1 + 0.3 + 0.5 + 0.5) / 4, 1e-15);
  }
  for (int kind : {GEOM_CS_3D, GEOM_PATT}) {
    LoadedMesh lm(SectionModel(8, kind, kind == GEOM_PATT ? 4 : 3));
    Mat V(11, 4);
    CalcGeomProp_CS_3D(4, 1, V[1], V[2], V[3], V[4], V[5], V[6], V[7], V[8], V[9], V[10], V[11], lm->Frame3DSections,
                       lm->GeomPatterns, lm->ElemProps);
    const int rec[5] = {0, 2, 1, 1, 2};
    // V1 the angle (value 11), V2 the area (1), V3, V4 the depths (9, 10), V5, V6 the
    // second moments (5, 6), V7, V8 (7, 8), V9, V10 (2, 3), V11 the torsion constant (4).
    const int from[12] = {0, 11, 1, 9, 10, 5, 6, 7, 8, 2, 3, 4};
    for (int j = 1; j <= 11; j++)
      for (int k = 1; k <= 4; k++) EXPECT_EQ(V[j][k], 100 * (kind == GEOM_PATT ? rec[k] : 3) + from[j]);
  }
}

TEST(Records, LayerGeometryThroughTheLaminate) {
  testmodel::Model m = SectionModel(20, GEOM_LAM_THICK, 1);
  // Layer 1: thickness record 1 (0.1); layer 2: pattern 2 of records 2 (0.3 at every node).
  AddRecord(m, "<LAYER_PROPERTIES>", Rec().S("bottom").I(MAT_LIN_ISO).I(1).I(GEOM_LAM_THICK).I(1));
  AddRecord(m, "<LAYER_PROPERTIES>", Rec().S("top").I(MAT_LIN_ISO).I(1).I(GEOM_PATT).I(2));
  AddRecord(m, "<LAYER_PROPERTIES>", Rec().S("tapered").I(MAT_LIN_ISO).I(1).I(GEOM_PATT).I(3));
  AddRecord(m, "<LAYER_PATTERNS>", Rec().S("two").IList({1, 2}));
  AddRecord(m, "<LAYER_PATTERNS>", Rec().S("one").IList({3}));
  LoadedMesh lm(m);
  double N[5], total, zb[3], zm[3], zt[3], t[3];
  const double s[3] = {0, 0.3, -0.6};
  CalcShapeFuncQuad(4, N, s);
  CalcLayerGeomProp(2, 1, 4, &total, N, zb, zm, zt, t, lm->GeomPatterns, lm->LamThicks, lm->LayerPatterns,
                    lm->LayerProps);
  ExpectLayers01And03(total, t, zb, zm, zt);
  EXPECT_NEAR(t[2], 0.3, 1e-15);
  // A tapered layer interpolates its nodal thicknesses 0.1, 0.3, 0.5, 0.5.
  CalcLayerGeomProp(1, 2, 4, &total, N, zb, zm, zt, t, lm->GeomPatterns, lm->LamThicks, lm->LayerPatterns,
                    lm->LayerProps);
  EXPECT_NEAR(total, N[1] * 0.1 + N[2] * 0.3 + (N[3] + N[4]) * 0.5, 1e-15);
  EXPECT_NEAR(zb[1], -total / 2, 1e-15);
}

TEST(RecordsDeath, GeometryTheElementCannotUse) {
  double v[5];
  const std::string ctx = "\nReading the geometric properties of element property record n. 1\n";
  {
    LoadedMesh lm(SectionModel(1, GEOM_LAM_THICK, 1));
    EXPECT_EXIT(CalcGeomProp_CS_AREA(2, 1, v, lm->GeomPatterns, lm->CsAreas, lm->ElemProps), testing::ExitedWithCode(1),
                StderrIs(ctx + "   -> Element type: _TRUSS_2D\n   -> Geometry kind: _LAM_THICK\n\nERROR:\n"
                               "This type of element requires a geometry of kind _CS_AREA or _GEOM_PATT.\n\n"));
  }
  {
    LoadedMesh lm(SectionModel(10, GEOM_PATT, 1));  // a pattern of areas
    EXPECT_EXIT(CalcGeomProp_THICKNESS(4, 1, v, lm->GeomPatterns, lm->LamThicks, lm->ElemProps),
                testing::ExitedWithCode(1),
                StderrIs(ctx + "   -> Element type: _PLANE_STRESS_QUAD\n   -> Geometry pattern: areas\n"
                               "   -> Kind of its records: _CS_AREA\n\nERROR:\n"
                               "The geometry pattern must refer to records of kind _LAM_THICK.\n\n"));
  }
  {
    LoadedMesh lm(SectionModel(10, GEOM_PATT, 5));  // two entries for four nodes
    EXPECT_EXIT(CalcGeomProp_CS_AREA(4, 1, v, lm->GeomPatterns, lm->CsAreas, lm->ElemProps), testing::ExitedWithCode(1),
                Lit("The geometry pattern has fewer entries than the element has nodes."));
  }
}

TEST(Records, ElasticityMatricesFromTheMaterialRecord) {
  testmodel::Model m = SectionModel(10, GEOM_LAM_THICK, 1);  // E = 1, nu = 0
  AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("concrete", 2400, 1e-5, 30e3, 0.2));
  AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, 13, MAT_LIN_ISO, 2, 0, 0));
  AddRecord(m, "<NLMM121>", Rec().S("plastic").Ds({1, 2, 3, 4, 5, 6, 7, 8}));
  AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, 13, MAT_NLMM121, 1, 0, 0));
  LoadedMesh lm(m);
  Mat D(3, 3), D4(4, 4);
  CalcMat_D_PlaneStress(1, 3, 3, D, lm->Materials[MAT_LIN_ISO], lm->ElemProps);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_EQ(D[i][j], i != j ? 0.0 : i == 3 ? 0.5 : 1.0);
  // Plane strain and axisymmetry: sigma = D eps against Hooke's law with the out-of-plane
  // strain zero (plane strain) or given (hoop strain).
  CalcMat_D_PlaneStrain(2, 3, 3, D, lm->Materials[MAT_LIN_ISO], lm->ElemProps);
  const double E = 30e3, nu = 0.2, lam = E * nu / ((1 + nu) * (1 - 2 * nu)), G = E / (2 * (1 + nu));
  const double eps[4] = {0, 1e-3, -2e-4, 5e-4};
  double sig[4];
  multd2d1(sig, D, eps, 3, 3);
  EXPECT_NEAR(sig[1], lam * (eps[1] + eps[2]) + 2 * G * eps[1], 1e-12);
  EXPECT_NEAR(sig[2], lam * (eps[1] + eps[2]) + 2 * G * eps[2], 1e-12);
  EXPECT_NEAR(sig[3], G * eps[3], 1e-12);
  CalcMat_D_Axis(2, 4, 4, D4, lm->Materials[MAT_LIN_ISO], lm->ElemProps);
  const double e4[5] = {0, 1e-3, -2e-4, 5e-4, 3e-4};
  double s4[5];
  multd2d1(s4, D4, e4, 4, 4);
  const double tr = e4[1] + e4[2] + e4[4];
  EXPECT_NEAR(s4[1], lam * tr + 2 * G * e4[1], 1e-12);
  EXPECT_NEAR(s4[4], lam * tr + 2 * G * e4[4], 1e-12);
  EXPECT_NEAR(s4[3], G * e4[3], 1e-12);
  EXPECT_EXIT(CalcMat_D_PlaneStrain(3, 3, 3, D, lm->Materials[MAT_LIN_ISO], lm->ElemProps), testing::ExitedWithCode(1),
              StderrIs("\nReading the material of element property record n. 3\n"
                       "   -> Element type: _PLANE_STRAIN_QUAD\n   -> Material kind: _NLMM121\n\nERROR:\n"
                       "This type of element requires a material of kind _LIN_ISO.\n\n"));
}

TEST(Records, IntegrationCountsOfAPattern) {
  testmodel::Model m = SectionModel(24, 0, 0);
  std::array<int32_t, 21> full{}, partial{};
  full[2] = 3;
  full[3] = 4;
  full[4] = 5;
  full[1] = 6;
  partial[2] = 2;
  partial[3] = 2;
  AddRecord(m, "<NUMERICAL_INTEGRATION>", testmodel::NumericalIntegration("full", full));
  AddRecord(m, "<NUMERICAL_INTEGRATION>", testmodel::NumericalIntegration("flat", partial));
  AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, 24, MAT_LIN_ISO, 1, 0, 0, 1, 1));
  AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, 24, MAT_LIN_ISO, 1, 0, 0, 1, 2));
  LoadedMesh lm(m);
  int c[4];
  CalcElemIntegrationCounts(7, kCtxStiffness, 3, 2, 1, lm->Integrations, lm->ElemProps, c);
  EXPECT_EQ(c[1], 2);
  EXPECT_EQ(c[3], 2);
  CalcElemIntegrationCounts(7, kCtxStiffness, 3, 2, 2, lm->Integrations, lm->ElemProps, c);
  EXPECT_EQ(c[1], 3);
  EXPECT_EQ(c[2], 4);
  EXPECT_EQ(c[3], 5);
  EXPECT_EQ(CalcElemTriangIntegrationPoints(7, kCtxStiffness, 3, 1, lm->Integrations, lm->ElemProps), 3);
  EXPECT_EQ(CalcElemTriangIntegrationPoints(7, kCtxStiffness, 3, 2, lm->Integrations, lm->ElemProps), 6);
  CalcElemIntegrationCounts(7, kCtxStiffness, 2, 2, 3, lm->Integrations, lm->ElemProps, c);
  EXPECT_EQ(c[2], 2);
  EXPECT_EXIT(CalcElemIntegrationCounts(7, kCtxIntForces, 3, 2, 3, lm->Integrations, lm->ElemProps, c),
              testing::ExitedWithCode(1),
              StderrIs("\nCalculating the internal equivalent nodal forces of element n. 7\n"
                       "   -> Specified integration name: flat\n\nERROR:\nIntegration pattern is incomplete.\n"
                       "The parameters _G_S1_k, _G_S2_k and/or _G_S3_k are missing.\n\n"));
}

namespace {

// Two quadrilateral shells meeting along x1 = 1 at a kink: element 1 flat in (x1, x2),
// element 2 rising along x1. Point 2 = (1, 0, 0) is node 2 of element 1 and node 1 of
// element 2.
struct KinkedShells {
  double** coords;
  int** nodes;
  int nodeCount[3] = {0, 4, 4};
  int propIndex[3] = {0, 1, 2};
  ElementProperty props[3] = {};
  PointList* adjacency;
  KinkedShells(int type1, int type2) {
    allocd2(&coords, 6, 3);
    const double x[7][3] = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 1}, {2, 1, 1}};
    for (int p = 1; p <= 6; p++)
      for (int j = 1; j <= 3; j++) coords[p][j] = x[p][j - 1];
    alloci2(&nodes, 2, 4);
    const int e[3][4] = {{0}, {1, 2, 3, 4}, {2, 5, 6, 3}};
    for (int k = 1; k <= 4; k++) {
      nodes[1][k] = e[1][k - 1];
      nodes[2][k] = e[2][k - 1];
    }
    props[1].ElementType = type1;
    props[2].ElementType = type2;
    AllocPointLists(&adjacency, 6);
    AllocPointListItems(&adjacency[2], 2);
    adjacency[2].items[1] = {1, 2};
    adjacency[2].items[2] = {2, 1};
  }
  ~KinkedShells() {
    FreePointLists(adjacency, 6);
    freei2(nodes);
    freed2(coords);
  }
  void Rotation(double** T) {
    const char oc[kOutputControlSize] = {};
    CalcMat_T_GCStoCCS_Point(2, oc, propIndex, nodeCount, nodes, T, coords, adjacency, props);
  }
};

}  // namespace

TEST(Records, CoplanarRotationOfAShellPoint) {
  Mat T(3, 3);
  {
    // Two Ahmad shells: the normal is the mean of (0, 0, 1) and (-1, 0, 1)/sqrt 2.
    KinkedShells k(22, 22);
    k.Rotation(T);
    const double r = 1 / std::sqrt(2.0), n[4] = {0, -r, 0, 1 + r}, len = std::hypot(n[1], n[3]);
    for (int j = 1; j <= 3; j++) EXPECT_NEAR(T[3][j], n[j] / len, 1e-15);
    Mat TTt(3, 3);
    multd2td2(TTt, T, T, 3, 3, 3);
    for (int i = 1; i <= 3; i++)
      for (int j = 1; j <= 3; j++) EXPECT_NEAR(TTt[i][j], i == j ? 1.0 : 0.0, 1e-15);
  }
  {
    // A Mindlin shell met first decides alone: the flat element's axes.
    KinkedShells k(20, 22);
    k.Rotation(T);
    for (int i = 1; i <= 3; i++)
      for (int j = 1; j <= 3; j++) EXPECT_NEAR(T[i][j], i == j ? 1.0 : 0.0, 1e-15);
  }
  {
    // An element of the point without a property record in the phase.
    KinkedShells k(22, 22);
    k.propIndex[2] = 0;
    EXPECT_EXIT(k.Rotation(T), testing::ExitedWithCode(1), kInternal);
  }
}

TEST(Sections, NodeRecordsDirectAndByPattern) {
  int rec[5] = {0, 0, 0, 0, 0};
  CalcNodeGeomRecords(4, 1, kGeomCsArea, kGeomCsArea, 3, 0, 0, nullptr, 3, rec);
  for (int k = 1; k <= 4; k++) EXPECT_EQ(rec[k], 3);
  const int pattern[5] = {0, 2, 1, 3, 1};
  CalcNodeGeomRecords(4, 1, kGeomPatt, kGeomLamThick, 7, kGeomLamThick, 4, pattern, 3, rec);
  for (int k = 1; k <= 4; k++) EXPECT_EQ(rec[k], pattern[k]);
  // Varying thicknesses: at the centre of a 4-node quadrilateral the value is their mean.
  const double table[4] = {0, 0.2, 0.3, 0.5};
  double t[5], N[5];
  for (int k = 1; k <= 4; k++) t[k] = table[rec[k]];
  const double c[3] = {0, 0, 0};
  CalcShapeFuncQuad(4, N, c);
  EXPECT_NEAR(dotd1(N, t, 4), (0.3 + 0.2 + 0.5 + 0.2) / 4, 1e-15);
}

TEST(Sections, Section3DValuesInElementOrder) {
  double rec[12];
  for (int j = 1; j <= 11; j++) rec[j] = 100 + j;
  Mat V(11, 2);
  int nodeRec[3];
  CalcNodeGeomRecords(2, 1, kGeomCs3D, kGeomCs3D, 1, 0, 0, nullptr, 1, nodeRec);
  for (int k = 1; k <= 2; k++) {
    EXPECT_EQ(nodeRec[k], 1);
    SetSection3DNodeValues(k, rec, V);
  }
  const int from[12] = {0, 11, 1, 9, 10, 5, 6, 7, 8, 2, 3, 4};
  for (int j = 1; j <= 11; j++)
    for (int k = 1; k <= 2; k++) EXPECT_EQ(V[j][k], 100 + from[j]);
}

TEST(Sections, LayerGeometry) {
  Mat th(2, 4);
  for (int k = 1; k <= 4; k++) {
    th[1][k] = 0.1;
    th[2][k] = 0.3;
  }
  double N[5] = {0, 0.1, 0.2, 0.3, 0.4}, total = 0, zb[3], zm[3], zt[3], t[3];
  CalcLayerGeomFromNodal(2, 4, th, N, &total, zb, zm, zt, t);
  ExpectLayers01And03(total, t, zb, zm, zt);
}

TEST(SectionsDeath, RecordsOutsideTheirTables) {
  int rec[5];
  const int pattern[5] = {0, 2, 1, 4, 1};
  EXPECT_EXIT(CalcNodeGeomRecords(4, 6, kGeomCs2D, kGeomCsArea, 1, 0, 0, nullptr, 3, rec), testing::ExitedWithCode(1),
              "element property record n. 6\n   -> Record: 1\n\nERROR:\nThe element property refers to geometric "
              "records of a kind this type of element\ncannot take.");
  EXPECT_EXIT(CalcNodeGeomRecords(4, 6, kGeomCsArea, kGeomCsArea, 4, 0, 0, nullptr, 3, rec),
              testing::ExitedWithCode(1),
              Lit("\nReading the geometric properties of element property record n. 6\n   -> Record: 4\n\nERROR:\n"
                  "The element property refers to a geometric record that does not exist.\n"));
  EXPECT_EXIT(CalcNodeGeomRecords(4, 6, kGeomPatt, kGeomCsArea, 2, kGeomCsArea, 4, pattern, 3, rec),
              testing::ExitedWithCode(1),
              Lit("   -> Record: 4\n\nERROR:\nThe geometry pattern refers to a geometric record that does not exist."));
  EXPECT_EXIT(CalcNodeGeomRecords(4, 6, kGeomPatt, kGeomCsArea, 2, kGeomCsArea, 3, pattern, 9, rec),
              testing::ExitedWithCode(1), Lit("The geometry pattern has fewer entries than the element has nodes."));
  EXPECT_EXIT(CalcNodeGeomRecords(4, 6, kGeomPatt, kGeomCsArea, 2, kGeomLamThick, 4, pattern, 9, rec),
              testing::ExitedWithCode(1), Lit("The geometry pattern refers to records of another geometric kind."));
}

// The elastic matrices of the nonlinear models equal the linear ones of the same E and nu;
// the unit-modulus compliance inverts the solid matrix; the expansion coefficient is the
// record's second value.
TEST(Records, NonlinearElasticityMatricesEqualTheLinearOnes) {
  testmodel::Model m = SectionModel(10, GEOM_LAM_THICK, 1);
  AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("concrete", 2400, 1e-5, 30e3, 0.2));
  AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, 13, MAT_LIN_ISO, 2, 0, 0));
  AddRecord(m, "<NLMM121>", Rec().S("concrete").Ds({2400, 1e-5, 0.2, 30e3, 30, 0.0022, 0.3, 0}));
  AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, 13, MAT_NLMM121, 1, 0, 0));
  AddRecord(m, "<NLMM124>", Rec().S("plastic").Ds({2400, 1.2e-5, 0.2, 30e3}).I(2).I(1).Ds({10.0, 1.0}).I(1).Ds({0.0, 0.0, 1.0}));
  AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, 24, MAT_NLMM124, 1, 0, 0));
  LoadedMesh lm(m);
  const MeshData* mesh = &lm.mesh;
  Mat D(3, 3), Dnl(3, 3), D6(6, 6), D6nl(6, 6), C(6, 6);
  CalcMat_D_PlaneStress(2, 3, 3, D, lm->Materials[MAT_LIN_ISO], lm->ElemProps);
  CalcMat_D_PlaneStress_NL(mesh, 3, Dnl);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_NEAR(Dnl[i][j], D[i][j], 1e-12 * 30e3);
  CalcMat_D_PlaneStrain(2, 3, 3, D, lm->Materials[MAT_LIN_ISO], lm->ElemProps);
  CalcMat_D_PlaneStrain_NL(mesh, 3, Dnl);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) EXPECT_NEAR(Dnl[i][j], D[i][j], 1e-12 * 30e3);
  CalcMat_D_Solid(1, 2, 6, 6, D6, lm->Materials[MAT_LIN_ISO], lm->Materials[MAT_LIN_ORTHO], lm->ElemProps);
  CalcMat_D_Solid_NL(mesh, 4, D6nl);
  Mat D6p(6, 6);
  CalcMat_D_Solid_NLMM_PATT(mesh, MAT_LIN_ISO, 2, D6p);
  CalcMat_C_Solid_NLMM_PATT(mesh, MAT_LIN_ISO, 2, C);
  for (int i = 1; i <= 6; i++)
    for (int j = 1; j <= 6; j++) {
      EXPECT_NEAR(D6nl[i][j], D6[i][j], 1e-12 * 30e3);
      EXPECT_NEAR(D6p[i][j], D6[i][j], 1e-12 * 30e3);
      double dc = 0.0;
      for (int k = 1; k <= 6; k++) dc += D6[i][k] * C[k][j];
      EXPECT_NEAR(dc, i == j ? 30e3 : 0.0, 1e-9);
    }
  EXPECT_EQ(CalcTempCoef_NL(mesh, 4), 1.2e-5);
  EXPECT_EQ(CalcTempCoef_NL(mesh, 2), 1e-5);
  EXPECT_EXIT(CalcMat_D_Solid_NL(mesh, 3, D6nl), testing::ExitedWithCode(1), "");  // NLMM121 is a plane model
}
