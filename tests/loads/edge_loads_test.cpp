// Edge loads on plane, solid and Timoshenko beam elements: consistent nodal forces of
// uniform and linear intensities, the edge directions, and the refusals of records and
// integration rules that would give a wrong or vanishing load.
#include "load_fixture.h"

namespace {

constexpr double kEps = 1e-12;

// A plane stress quadrilateral in the x2-x3 plane from its corner (and mid-side) points
// given as (x2, x3) pairs.
int AddPlaneQuad(TestModel& t, const std::vector<std::array<double, 2>>& xy, int type = 10) {
  std::vector<int> nodes;
  for (auto& p : xy) nodes.push_back(t.AddPoint(0.0, p[0], p[1]));
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  const int prop = type == 10 ? t.AddProp(type, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(1.0))
                              : t.AddProp(type, MAT_LIN_ISO, mat);
  return t.AddElement(nodes, prop);
}

// Unit cube (or a box a x b x c) as an 8-node hexahedron.
int AddHexa(TestModel& t, double a = 1.0, double b = 1.0, double c = 1.0) {
  const double x[8][3] = {{0, 0, 0}, {a, 0, 0}, {a, b, 0}, {0, b, 0}, {0, 0, c}, {a, 0, c}, {a, b, c}, {0, b, c}};
  std::vector<int> nodes;
  for (auto& p : x) nodes.push_back(t.AddPoint(p[0], p[1], p[2]));
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  return t.AddElement(nodes, t.AddProp(24, MAT_LIN_ISO, mat));
}

TEST(EdgeLoad, ConsistentNodalForcesOfPlaneEdges) {
  struct Case {
    const char* what;
    std::vector<std::array<double, 2>> xy;
    int edge;
    std::vector<double> values;
    std::vector<std::pair<int, double>> expected;  // (node, force along x3)
  } cases[] = {
      {"2-node edge, L = 2, q = 5", {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, 1, {5.0}, {{1, 5.0}, {2, 5.0}}},
      {"3-node edge, L = 3, q = 6",
       {{0, 0}, {1.5, 0}, {3, 0}, {3, 1}, {3, 2}, {1.5, 2}, {0, 2}, {0, 1}},
       1,
       {6.0},
       {{1, 3.0}, {2, 12.0}, {3, 3.0}}},
      {"linear 0 -> 6 on a 2-node edge, L = 3", {{0, 0}, {3, 0}, {3, 1}, {0, 1}}, 1, {0.0, 6.0}, {{1, 3.0}, {2, 6.0}}},
      {"edge 3 runs from node 4 to node 3", {{0, 0}, {3, 0}, {3, 1}, {0, 1}}, 3, {0.0, 6.0}, {{4, 3.0}, {3, 6.0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int rule : {2, 3, 10}) {
      TestModel t;
      AddPlaneQuad(t, c.xy);
      t.integrationName = t.AddInteg(rule, 0, 0);
      t.AddEdgeLoad(1, c.edge, 'G', 3, 1, c.values);
      t.Build();
      const int n = static_cast<int>(c.xy.size());
      Vec Fe(6 * n);
      t.EdgeLoadVector(1, Fe);
      std::vector<double> expected(6 * n + 1, 0.0);
      for (auto& [node, f] : c.expected) expected[6 * (node - 1) + 3] = f;
      for (int k = 1; k <= 6 * n; k++) EXPECT_NEAR(Fe[k], expected[k], 1e-12) << "rule " << rule << ", entry " << k;
    }
  }
}

TEST(EdgeLoad, GaussLobattoRulesAndTheDefaultRule) {
  // Three Gauss-Lobatto points integrate the quadratic shares of a 3-node edge.
  for (int type : {kIntGLEG, kIntGLOB}) {
    TestModel t;
    AddPlaneQuad(t, {{0, 0}, {1.5, 0}, {3, 0}, {3, 1}, {3, 2}, {1.5, 2}, {0, 2}, {0, 1}}, 13);
    t.integrationType = type;  // no pattern: 3 points
    t.AddEdgeLoad(1, 1, 'G', 2, 1, {6.0});
    t.Build();
    Vec Fe(48);
    t.EdgeLoadVector(1, Fe);
    EXPECT_NEAR(Fe[2], 3.0, 1e-7);
    EXPECT_NEAR(Fe[8], 12.0, 1e-7);
    EXPECT_NEAR(Fe[14], 3.0, 1e-7);
  }
}

TEST(EdgeLoad, EdgeDirectionsOfPlaneElements) {
  // "_NT" lies in the model plane, normal to the edge: along increasing s2 on edges 1
  // and 3, along increasing s1 on edges 2 and 4; "_T" follows the edge's node order.
  struct Case {
    int edge, code;
    std::vector<std::pair<int, int>> entries;  // loaded (node, component)
  } cases[] = {
      {1, 3, {{1, 3}, {2, 3}}}, {2, 3, {{2, 2}, {3, 2}}}, {3, 3, {{4, 3}, {3, 3}}},
      {4, 3, {{1, 2}, {4, 2}}}, {1, 1, {{1, 2}, {2, 2}}}, {4, 1, {{1, 3}, {4, 3}}},
  };
  for (const Case& c : cases) {
    TestModel t;
    AddPlaneQuad(t, {{0, 0}, {2, 0}, {2, 2}, {0, 2}});
    t.AddEdgeLoad(1, c.edge, 'E', c.code, 1, {1.0});
    t.Build();
    Vec Fe(24);
    t.EdgeLoadVector(1, Fe);
    std::vector<double> expected(25, 0.0);
    for (auto& [node, comp] : c.entries) expected[6 * (node - 1) + comp] = 1.0;
    for (int k = 1; k <= 24; k++) EXPECT_NEAR(Fe[k], expected[k], kEps) << "edge " << c.edge << ", entry " << k;
  }
}

TEST(EdgeLoad, SolidEdgeAndFaceDirections) {
  struct Case {
    int face, edge;
    char kind;
    int code;
    std::vector<int> nodes;  // loaded nodes
    int component;
  } cases[] = {
      {1, 1, 'G', 3, {1, 2}, 3},
      {6, 9, 'E', 1, {5, 6}, 1},  // tangent: along x1
      {6, 9, 'E', 2, {5, 6}, 3},  // normal of the top face: +x3
      {6, 9, 'E', 3, {5, 6}, 2},  // in the top face, normal to the edge: +x2
      {2, 5, 'E', 1, {1, 5}, 3},  // edge 5 runs from node 1 to node 5
  };
  for (const Case& c : cases) {
    TestModel t;
    AddHexa(t);
    t.AddEdgeLoad(1, c.edge, c.kind, c.code, 1, {2.0}, c.face);
    t.Build();
    Vec Fe(48);
    t.EdgeLoadVector(1, Fe);
    std::vector<double> expected(49, 0.0);
    for (int node : c.nodes) expected[6 * (node - 1) + c.component] = 1.0;
    for (int k = 1; k <= 48; k++)
      EXPECT_NEAR(Fe[k], expected[k], kEps) << "face " << c.face << ", edge " << c.edge << ", entry " << k;
  }
}

TEST(EdgeLoad, TimoshenkoBeamGlobalLoadIgnoresTheSectionAngleLocalLoadTurnsWithIt) {
  for (double angle : {0.0, 0.7}) {
    TestModel t;
    t.AddPoint(0, 0, 0);
    t.AddPoint(2, 0, 0);
    const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
    t.AddElement({1, 2}, t.AddProp(8, MAT_LIN_ISO, mat, kGeomCs3D, t.AddFrame3D(1.0, angle)));
    t.AddEdgeLoad(1, 0, 'G', 3, 1, {3.0});
    t.AddEdgeLoad(1, 0, 'B', 2, 1, {3.0});
    t.AddEdgeLoad(1, 0, 'B', 1, 2, {3.0});  // distributed torque
    t.Build();
    Vec G(12), B(12), M(12);
    t.EdgeLoadVector(1, G);
    t.EdgeLoadVector(2, B);
    t.EdgeLoadVector(3, M);
    for (int a = 0; a < 2; a++) {
      EXPECT_NEAR(G[6 * a + 3], 3.0, kEps);
      EXPECT_NEAR(B[6 * a + 1], 0.0, kEps);
      EXPECT_NEAR(B[6 * a + 2], 3.0 * std::cos(angle), kEps);
      EXPECT_NEAR(B[6 * a + 3], 3.0 * std::sin(angle), kEps);
      EXPECT_NEAR(M[6 * a + 4], 3.0, kEps);
      EXPECT_NEAR(M[6 * a + 1], 0.0, kEps);
    }
  }
}

TEST(EdgeLoad, ThreeNodeTimoshenkoBeam) {
  TestModel t;
  t.AddPoint(0, 0, 0);
  t.AddPoint(0, 0, 1.5);
  t.AddPoint(0, 0, 3);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({1, 2, 3}, t.AddProp(8, MAT_LIN_ISO, mat, kGeomCs3D, t.AddFrame3D(1.0, 0.0)));
  t.AddEdgeLoad(1, 0, 'G', 1, 1, {6.0});
  t.Build();
  Vec Fe(18);
  t.EdgeLoadVector(1, Fe);
  EXPECT_NEAR(Fe[1], 3.0, kEps);
  EXPECT_NEAR(Fe[7], 12.0, kEps);
  EXPECT_NEAR(Fe[13], 3.0, kEps);
}

TEST(EdgeLoad, AuxiliaryVectorIsTakenAsStored) {
  TestModel t;
  AddPlaneQuad(t, {{0, 0}, {2, 0}, {2, 1}, {0, 1}});
  t.AddAux(0.0, 0.0, 2.0);
  t.AddEdgeLoad(1, 1, 'S', 1, 1, {5.0});
  t.Build();
  Vec Fe(24);
  t.EdgeLoadVector(1, Fe);
  EXPECT_NEAR(Fe[3], 10.0, kEps);
  EXPECT_NEAR(Fe[9], 10.0, kEps);
}

std::string Context(const char* type) {
  return std::string(
             "\nCalculating the edge load contribution to the global load vector:\n   -> Load case: 1\n"
             "   -> Block name: <EDGE_LOAD>\n   -> Edge load counter: 1\n   -> Element: 1\n   -> Element type: ") +
         type + "\n";
}

TEST(EdgeLoadDeathTest, SolidFaceMustContainTheEdge) {
  TestModel t;
  AddHexa(t);
  t.AddEdgeLoad(1, 9, 'G', 3, 1, {1.0}, 1);
  t.Build();
  Vec Fe(48);
  EXPECT_EXIT(t.EdgeLoadVector(1, Fe), testing::ExitedWithCode(1),
              StderrIs(Context("_SOLID_HEXA") +
                       "   -> Specified face: 1\n   -> Specified edge: 9\n\nERROR:\n"
                       "The specified face does not contain the specified edge.\n\n"));
}

TEST(EdgeLoadDeathTest, RecordsThatCannotBeAppliedAreRefused) {
  struct Case {
    int type, edge, face;
    char kind;
    int code, force;
    std::vector<double> values;
    std::string tail;
  } cases[] = {
      {10, 1, 0, 'G', 3, 2, {1.0}, "   -> Type of generalized force: _MOM (Moment)\n\nERROR:\nThe specified type of "
                                   "generalized force is not valid.\n\n"},
      {24, 1, 1, 'G', 3, 2, {1.0}, "   -> Type of generalized force: _MOM (Moment)\n\nERROR:\nThe specified type of "
                                   "generalized force is not valid.\n\n"},
      {10, 1, 0, 'E', 2, 1, {1.0}, "   -> Type of direction: E\n   -> Direction code: 2\n\nERROR:\nThe specified "
                                   "direction is not valid for this type of element.\n\n"},
      {10, 1, 0, 'G', 4, 1, {1.0}, "   -> Type of direction: G\n   -> Direction code: 4\n\nERROR:\nThe specified "
                                   "direction is not valid for this type of element.\n\n"},
      {10, 5, 0, 'G', 3, 1, {1.0}, "   -> Loaded edge: 5\n\nERROR:\nThe specified edge does not exist in the "
                                   "element.\n\n"},
      {24, 1, 7, 'G', 3, 1, {1.0}, "   -> Specified face: 7\n   -> Specified edge: 1\n\nERROR:\nThe specified face "
                                   "does not exist in the element.\n\n"},
      {10, 1, 0, 'G', 3, 1, {1.0, 2.0, 3.0}, "   -> Number of load values: 3\n   -> Number of nodes of the loaded line: "
                                             "2\n\nERROR:\nThe number of load values must be 1 or the number of nodes "
                                             "of the loaded line.\n\n"},
  };
  for (const Case& c : cases) {
    TestModel t;
    const char* type = c.type == 10 ? "_PLANE_STRESS_QUAD" : "_SOLID_HEXA";
    if (c.type == 10)
      AddPlaneQuad(t, {{0, 0}, {2, 0}, {2, 1}, {0, 1}});
    else
      AddHexa(t);
    t.AddEdgeLoad(1, c.edge, c.kind, c.code, c.force, c.values, c.face);
    t.Build();
    Vec Fe(48);
    EXPECT_EXIT(t.EdgeLoadVector(1, Fe), testing::ExitedWithCode(1), StderrIs(Context(type) + c.tail));
  }
}

TEST(EdgeLoadDeathTest, RulesThatWouldLoseTheLoadAreRefused) {
  struct Case {
    int type, points;  // points < 0: no pattern; 0: a pattern without _G_S1_k
    std::string tail;
  } cases[] = {
      {kIntNCOTES, -1, "   -> Specified integration type : _NCOTES\n\nERROR:\nThe specified integration type is not "
                       "compatible with specified type of load.\n\n"},
      {kIntGLOB, 1, "   -> Specified integration type : _GLOB\n   -> Number of integration points: 1\n\nERROR:\nThe "
                    "specified number of integration points is not available:\n_GLEG rules have 1 to 10 points and "
                    "_GLOB rules 2 to 10 points.\n\n"},
      {kIntGLEG, 11, "   -> Specified integration type : _GLEG\n   -> Number of integration points: 11\n\nERROR:\nThe "
                     "specified number of integration points is not available:\n_GLEG rules have 1 to 10 points and "
                     "_GLOB rules 2 to 10 points.\n\n"},
      {kIntGLEG, 0, "   -> Specified integration name: rule1\n\nERROR:\nIntegration pattern is incomplete.\nThe "
                    "parameter _G_S1_k is missing.\n\n"},
      {7, -1, "   -> Specified integration type : 7\n\nERROR:\nThe specified integration type is not compatible with "
              "specified type of load.\n\n"},
  };
  for (const Case& c : cases) {
    TestModel t;
    AddPlaneQuad(t, {{0, 0}, {2, 0}, {2, 1}, {0, 1}});
    t.integrationType = c.type;
    if (c.points >= 0) t.integrationName = t.AddInteg(c.points, 2, 2);
    t.AddEdgeLoad(1, 1, 'G', 3, 1, {1.0});
    t.Build();
    Vec Fe(24);
    EXPECT_EXIT(t.EdgeLoadVector(1, Fe), testing::ExitedWithCode(1), StderrIs(Context("_PLANE_STRESS_QUAD") + c.tail));
  }
}

TEST(EdgeLoadDeathTest, LoadCaseWithoutIntegrationTypeIsRefusedForEveryType) {
  TestModel t;
  t.AddPoint(0, 0, 0);
  t.AddPoint(0, 1, 0);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({1, 2}, t.AddProp(1, MAT_LIN_ISO, mat));
  t.integrationType = 0;
  t.AddEdgeLoad(1, 0, 'G', 3, 1, {1.0});
  t.Build();
  Vec Fe(12);
  EXPECT_EXIT(t.EdgeLoadVector(1, Fe), testing::ExitedWithCode(1),
              StderrIs("\nCalculating the edge load contribution to the global load vector:\n   -> Load case: 1\n"
                       "   -> Block name: <EDGE_LOADS>\n   -> Specified integration type : _NONE\n\nERROR:\n"
                       "The specified integration type is not compatible with specified type of load.\n\n"));
}

TEST(EdgeLoadDeathTest, ElementTypesWithoutEdgeLoadRoutine) {
  // Cables take no edge load.
  TestModel t;
  t.AddPoint(0, 0, 0);
  t.AddPoint(0, 1, 0);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({1, 2}, t.AddProp(5, MAT_LIN_ISO, mat));
  t.AddEdgeLoad(1, 1, 'G', 3, 1, {1.0});
  t.Build();
  Vec Fe(12);
  EXPECT_EXIT(t.EdgeLoadVector(1, Fe), testing::ExitedWithCode(1),
              testing::ContainsRegex("   -> Element type: _CABLE_2D\n\nERROR:\nThis type of element does not take this "
                                 "type of load.\n"));
}

// The dispatcher reaches the slab and shell routines: a uniform transverse load of 3 on
// an edge of length 1 sums to 3.
TEST(EdgeLoad, SlabAndShellsThroughTheDispatcher) {
  for (int type : {18, 20, 22}) {
    TestModel t;
    for (int k = 0; k < 4; k++) t.AddPoint(k % 2, k / 2, 0);
    const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
    t.AddElement({1, 2, 4, 3}, t.AddProp(type, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(0.1)));
    t.AddEdgeLoad(1, 1, 'G', 3, 1, {3.0});
    t.Build();
    Vec Fe(24);
    t.EdgeLoadVector(1, Fe);
    double sum = 0.0;
    for (int k = 1; k <= 4; k++) sum += Fe[6 * (k - 1) + 3];
    EXPECT_NEAR(sum, 3.0, 1e-12) << "type " << type;
  }
}

}  // namespace

// Slab and shell edge loads along an auxiliary vector that the model does not have are
// refused like those of every other element family (they were read outside the table).
TEST(EdgeLoadDeathTest, SlabAndShellEdgeLoadsAlongAMissingAuxiliaryVector) {
  for (int type : {18, 20, 22})
    for (int code : {0, 2}) {
      TestModel t;
      std::vector<int> nodes;
      for (auto& p : std::vector<std::array<double, 2>>{{0, 0}, {2, 0}, {2, 1}, {0, 1}})
        nodes.push_back(t.AddPoint(p[0], p[1], 0.0));
      const int mat = t.AddLinIso(0.0, 1000.0, 0.25);
      t.AddElement(nodes, t.AddProp(type, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(0.1)));
      t.AddAux(0.0, 0.0, 1.0);
      t.AddEdgeLoad(1, 1, 'S', code, 1, {1.0});
      t.Build();
      Vec Fe(24);
      EXPECT_EXIT(t.EdgeLoadVector(1, Fe), testing::ExitedWithCode(1),
                  StderrIs(Context(GetElementTypeInfo(type).keyword) + "   -> Specified auxiliary vector: " +
                           std::to_string(code) + "\n\nERROR:\nThe specified auxiliary vector does not exist.\n\n"))
          << type << " " << code;
    }
}
