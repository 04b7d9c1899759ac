// Gravity loads: element vectors against rho g times the volume shares, the loops over
// the elements, the densities of the materials, and the rules that are refused.
#include "load_fixture.h"

namespace {

constexpr double kEps = 1e-12;

int AddPlane(TestModel& t, int type, const std::vector<std::array<double, 2>>& xy, double rho, double thick = 1.0) {
  std::vector<int> nodes;
  for (auto& p : xy) nodes.push_back(t.AddPoint(0.0, p[0], p[1]));
  const int mat = t.AddMaterial(MAT_LIN_ISO, rho);
  const int prop = type == 10 ? t.AddProp(type, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(thick))
                              : t.AddProp(type, MAT_LIN_ISO, mat);
  return t.AddElement(nodes, prop);
}

int AddHexa(TestModel& t, const std::vector<Vec3>& x, double rho) {
  std::vector<int> nodes;
  for (auto& p : x) nodes.push_back(t.AddPoint(p[0], p[1], p[2]));
  const int mat = t.AddMaterial(MAT_LIN_ISO, rho);
  return t.AddElement(nodes, t.AddProp(24, MAT_LIN_ISO, mat));
}

std::vector<Vec3> Box(double a, double b, double c) {
  return {{0, 0, 0}, {a, 0, 0}, {a, b, 0}, {0, b, 0}, {0, 0, c}, {a, 0, c}, {a, b, c}, {0, b, c}};
}

TEST(Gravity, PlaneElementsShareTheWeightEqually) {
  // 2 x 1 element, t = 0.2, rho = 25, g = (0, 0, -10): 100 in all, -25 per node.
  for (int type : {10, 13}) {
    TestModel t;
    AddPlane(t, type, {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, 25.0, 0.2);
    t.gravity = {0, 0, -10};
    t.Build();
    Vec Fe(24);
    t.GravityVector(1, Fe);
    const double perNode = type == 10 ? -25.0 : -125.0;  // plane strain: per unit thickness
    for (int a = 0; a < 4; a++)
      for (int k = 1; k <= 6; k++) EXPECT_NEAR(Fe[6 * a + k], k == 3 ? perNode : 0.0, kEps) << "type " << type;
  }
}

TEST(Gravity, HexahedronSharesTheWeightEqually) {
  TestModel t;
  AddHexa(t, Box(2, 1, 1), 2.0);
  t.gravity = {0, 0, -9.81};
  t.Build();
  Vec Fe(48);
  t.GravityVector(1, Fe);
  for (int a = 0; a < 8; a++)
    for (int k = 1; k <= 6; k++) EXPECT_NEAR(Fe[6 * a + k], k == 3 ? -4.905 : 0.0, kEps);
}

TEST(Gravity, DistortedElementsCarryTheirWholeWeight) {
  // A frustum of a pyramid: bases 2 x 2 and 1 x 1, height 1, V = (4 + 1 + 2) / 3.
  const double rho = 3.0;
  const Vec3 g{0.5, -1.0, -9.0};
  {
    TestModel t;
    AddHexa(t, {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0},
                {-0.5, -0.5, 1}, {0.5, -0.5, 1}, {0.5, 0.5, 1}, {-0.5, 0.5, 1}},
            rho);
    t.gravity = g;
    t.Build();
    Vec Fe(48);
    t.GravityVector(1, Fe);
    const Vec3 s = ForceSum(Fe, 8);
    for (int j = 0; j < 3; j++) EXPECT_NEAR(s[j], rho * g[j] * 7.0 / 3.0, 1e-12);
  }
  {
    // A trapezoid with parallel sides 3 and 1, height 2 (area 4), in the x2-x3 plane.
    TestModel t;
    AddPlane(t, 10, {{0, 0}, {3, 0}, {2, 2}, {1, 2}}, rho, 0.5);
    t.gravity = {0.0, g[1], g[2]};
    t.Build();
    Vec Fe(24);
    t.GravityVector(1, Fe);
    const Vec3 s = ForceSum(Fe, 4);
    EXPECT_NEAR(s[1], rho * g[1] * 4.0 * 0.5, 1e-12);
    EXPECT_NEAR(s[2], rho * g[2] * 4.0 * 0.5, 1e-12);
  }
}

TEST(Gravity, ThicknessByNodeThroughAGeometryPattern) {
  // Thickness 1 at nodes 1 and 4, 3 at nodes 2 and 3 on a 2 x 1 element: the mean is 2.
  TestModel t;
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  const int t1 = t.AddLamThick(1.0), t3 = t.AddLamThick(3.0);
  t.geomPatterns.push_back({kGeomLamThick, {t1, t3, t3, t1}});
  for (auto& p : std::vector<std::array<double, 2>>{{0, 0}, {2, 0}, {2, 1}, {0, 1}}) t.AddPoint(0, p[0], p[1]);
  t.AddElement({1, 2, 3, 4}, t.AddProp(10, MAT_LIN_ISO, mat, kGeomPatt, 1));
  t.gravity = {0, 0, -1};
  t.Build();
  Vec Fe(24);
  t.GravityVector(1, Fe);
  EXPECT_NEAR(ForceSum(Fe, 4)[2], -4.0, kEps);
  // h = 1 + x2: node 2 takes the integral of N_2 h, 7/6; node 1 takes 5/6.
  EXPECT_NEAR(Fe[9], -7.0 / 6.0, kEps);
  EXPECT_NEAR(Fe[3], -5.0 / 6.0, kEps);
}

TEST(Gravity, TimoshenkoBeamWhateverTheSectionAngle) {
  for (double angle : {0.0, 1.1}) {
    TestModel t;
    t.AddPoint(0, 0, 0);
    t.AddPoint(3, 0, 0);
    const int mat = t.AddMaterial(MAT_LIN_ISO, 2.0);
    t.AddElement({1, 2}, t.AddProp(8, MAT_LIN_ISO, mat, kGeomCs3D, t.AddFrame3D(0.5, angle)));
    t.gravity = {0, 0, -1};
    t.Build();
    Vec Fe(12);
    t.GravityVector(1, Fe);
    for (int k = 1; k <= 12; k++) EXPECT_NEAR(Fe[k], (k == 3 || k == 9) ? -1.5 : 0.0, kEps) << "angle " << angle;
  }
}

TEST(Gravity, CablesAndInterfacesTakeNone) {
  for (int type : {5, 6, 27, 28, 32}) {
    TestModel t;
    t.AddPoint(0, 0, 0);
    t.AddPoint(1, 0, 0);
    const int mat = t.AddMaterial(MAT_LIN_ISO, 7.0);
    t.AddElement({1, 2}, t.AddProp(type, MAT_LIN_ISO, mat));
    t.gravity = {0, 0, -10};
    t.Build();
    Vec Fe(12);
    filld1(Fe, 12, 99.0);
    t.GravityVector(1, Fe);
    for (int k = 1; k <= 12; k++) EXPECT_EQ(Fe[k], 0.0);
  }
}

std::string Context(const char* type) {
  return std::string(
             "\nCalculating the gravity load contribution to the global load vector:\n   -> Load case: 1\n"
             "   -> Block name: <GRAVITY_LOAD>\n   -> Element: 1\n   -> Element type: ") +
         type + "\n";
}

TEST(GravityDeathTest, RulesThatWouldLoseTheWeightAreRefused) {
  struct Case {
    int type, pattern[3];
    bool named;
    std::string tail;
  } cases[] = {
      {0, {0, 0, 0}, false, "   -> Specified integration type : _NONE\n\nERROR:\nThe specified integration type is not "
                            "compatible with specified type of load.\n\n"},
      {kIntNCOTES, {0, 0, 0}, false, "   -> Specified integration type : _NCOTES\n\nERROR:\nThe specified integration "
                                     "type is not compatible with specified type of load.\n\n"},
      {kIntGLOB, {1, 1, 1}, true, "   -> Specified integration type : _GLOB\n   -> Number of integration points: "
                                  "1\n\nERROR:\nThe specified number of integration points is not available:\n_GLEG "
                                  "rules have 1 to 10 points and _GLOB rules 2 to 10 points.\n\n"},
      {kIntGLEG, {2, 2, 0}, true, "   -> Specified integration name: rule1\n\nERROR:\nIntegration pattern is "
                                  "incomplete.\nThe parameters _G_S1_k, _G_S2_k and/or _G_S3_k are missing.\n\n"},
  };
  for (const Case& c : cases) {
    TestModel t;
    AddHexa(t, Box(1, 1, 1), 1.0);
    t.integrationType = c.type;
    if (c.named) t.integrationName = t.AddInteg(c.pattern[0], c.pattern[1], c.pattern[2]);
    t.gravity = {0, 0, -1};
    t.Build();
    Vec Fe(48);
    EXPECT_EXIT(t.GravityVector(1, Fe), testing::ExitedWithCode(1), StderrIs(Context("_SOLID_HEXA") + c.tail));
  }
}

TEST(GravityDeathTest, PlanePatternNeedsTwoCountsTheBeamOne) {
  TestModel t;
  AddPlane(t, 13, {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, 1.0);
  t.AddPoint(5, 0, 0);
  t.AddPoint(6, 0, 0);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({5, 6}, t.AddProp(8, MAT_LIN_ISO, mat, kGeomCs3D, t.AddFrame3D(1.0, 0.0)));
  t.integrationName = t.AddInteg(2, 0, 0);
  t.gravity = {0, 0, -1};
  t.Build();
  Vec Fe(24);
  t.GravityVector(2, Fe);  // the beam reads _G_S1_k only
  EXPECT_NEAR(Fe[3] + Fe[9], -1.0, kEps);
  EXPECT_EXIT(t.GravityVector(1, Fe), testing::ExitedWithCode(1),
              StderrIs(Context("_PLANE_STRAIN_QUAD") +
                       "   -> Specified integration name: rule1\n\nERROR:\nIntegration pattern is incomplete.\n"
                       "The parameters _G_S1_k and/or _G_S2_k are missing.\n\n"));
}

TEST(GravityDeathTest, ClockwiseNumberingIsANegativeJacobian) {
  TestModel t;
  AddPlane(t, 10, {{0, 0}, {0, 1}, {2, 1}, {2, 0}}, 1.0);
  t.gravity = {0, 0, -1};
  t.Build();
  Vec Fe(24);
  EXPECT_EXIT(t.GravityVector(1, Fe), testing::ExitedWithCode(1),
              StderrIs(Context("_PLANE_STRESS_QUAD") +
                       "\nERROR:\nJacobian determinant is negative:\nelement geometry and/or mesh connectivity must "
                       "be changed.\n\n"));
}

TEST(GravityDeathTest, TypesWithoutGravityRoutine) {
  // Triangles have no gravity routine.
  TestModel t;
  for (int k = 0; k < 3; k++) t.AddPoint(k % 2, k / 2, 0);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({1, 2, 3}, t.AddProp(11, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(1.0)));
  t.gravity = {0, 0, -1};
  t.Build();
  Vec Fe(18);
  EXPECT_EXIT(t.GravityVector(1, Fe), testing::ExitedWithCode(1), kInternal);
}

// The dispatcher reaches the slab and shell routines: a unit square plate of thickness 0.5
// and density 2 under g = (0, 0, -1) weighs 1.
TEST(Gravity, SlabAndShellsThroughTheDispatcher) {
  for (int type : {18, 20, 22}) {
    TestModel t;
    for (int k = 0; k < 4; k++) t.AddPoint(k % 2, k / 2, 0);
    const int mat = t.AddMaterial(MAT_LIN_ISO, 2.0);
    t.AddElement({1, 2, 4, 3}, t.AddProp(type, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(0.5)));
    t.gravity = {0, 0, -1};
    t.Build();
    Vec Fe(24);
    t.GravityVector(1, Fe);
    double sum = 0.0;
    for (int k = 1; k <= 4; k++) sum += Fe[6 * (k - 1) + 3];
    EXPECT_NEAR(sum, -1.0, 1e-12) << "type " << type;
  }
}

// ---- densities ----

TEST(Density, LinearLoopKnowsTheLinearMaterialsOnly) {
  TestModel t;
  const int iso = t.AddMaterial(MAT_LIN_ISO, 2.5);
  const int ortho = t.AddMaterial(MAT_LIN_ORTHO, 1.5);
  const int nl = t.AddMaterial(MAT_NLMM101, 2.4);
  t.AddProp(10, MAT_LIN_ISO, iso);
  t.AddProp(10, MAT_LIN_ORTHO, ortho);
  t.AddProp(10, MAT_NLMM101, nl);
  t.Build();
  EXPECT_EQ(CalcDensity(1, &t.mesh), 2.5);
  EXPECT_EQ(CalcDensity(2, &t.mesh), 1.5);
  EXPECT_EQ(CalcDensity(3, &t.mesh), 0.0);
  EXPECT_EQ(CalcDensity_NL(3, &t.mesh), 2.4);
}

TEST(Density, NonlinearLoopTakesThePatternsDensityComponent) {
  TestModel t;
  const int a = t.AddMaterial(MAT_NLMM101, 9.0);
  const int b = t.AddMaterial(MAT_NLMM104, 2.2);
  const int c = t.AddMaterial(MAT_LIN_ISO, 7.0);
  t.nlmmPatterns.push_back({{MAT_NLMM101, MAT_NLMM104, MAT_LIN_ISO}, {a, b, c}});
  t.AddProp(10, MAT_NLMM_PATT, 1);
  t.AddProp(27, MAT_NLMM301, 1);
  t.AddMaterial(MAT_NLMM301, 5.0);
  t.Build();
  EXPECT_EQ(CalcDensity_NL(1, &t.mesh), 2.2);  // _NLMM101 components are passed over
  EXPECT_EQ(CalcDensity_NL(2, &t.mesh), 0.0);  // interface materials weigh nothing
}

TEST(DensityDeathTest, MaterialsWithoutDensityAreRefusedWithAMessage) {
  TestModel t;
  t.AddProp(10, MAT_NLMM125, t.AddMaterial(MAT_NLMM125, 1.0));
  const int a = t.AddMaterial(MAT_NLMM101, 9.0);
  t.nlmmPatterns.push_back({{MAT_NLMM101}, {a}});
  t.AddProp(10, MAT_NLMM_PATT, 1);
  t.Build();
  EXPECT_EXIT(CalcDensity_NL(1, &t.mesh), testing::ExitedWithCode(1),
              StderrIs("\nCalculating the density of the material of element property record n. 1\n"
                       "   -> Material type: _NLMM125\n\nERROR:\nThe material type of the element has no density:\n"
                       "the gravity load cannot be applied.\n\n"));
  EXPECT_EXIT(CalcDensity_NL(2, &t.mesh), testing::ExitedWithCode(1),
              Lit("No component of the material pattern gives the density"));
}

TEST(Density, LayerDensities) {
  TestModel t;
  const int a = t.AddMaterial(MAT_LIN_ISO, 2.0), b = t.AddMaterial(MAT_NLMM101, 3.0);
  t.Build();
  LayerProperty* props;
  AllocRecords(&props, 2);
  props[1].MaterialKind = MAT_NLMM101;
  props[1].MaterialNumber = b;
  props[2].MaterialKind = MAT_LIN_ISO;
  props[2].MaterialNumber = a;
  LayerPattern* pats;
  AllocRecords(&pats, 1);
  pats[1].nLayers = 3;
  alloci1(&pats[1].Layer, 3);
  pats[1].Layer[1] = 1;
  pats[1].Layer[2] = 2;
  pats[1].Layer[3] = 1;
  Vec rho(3);
  t.mesh.LayerProps = props;
  t.mesh.LayerPatterns = pats;
  CalcLayerDensity(3, 1, rho, &t.mesh);
  t.mesh.LayerProps = nullptr;
  t.mesh.LayerPatterns = nullptr;
  EXPECT_EQ(rho[1], 3.0);
  EXPECT_EQ(rho[2], 2.0);
  EXPECT_EQ(rho[3], 3.0);
  FreeRecords(pats, 1);
  FreeRecords(props, 2);
}

}  // namespace
