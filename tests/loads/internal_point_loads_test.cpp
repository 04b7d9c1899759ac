// Internal point loads located by inverse mapping: the nodal shares are the shape
// functions at the point, for plane, slab, solid, beam and shell elements; points outside
// the element or off its reference surface, unsupported load components and drill
// moments at coplanar points are refused.
#include <cmath>

#include "load_fixture.h"

namespace {

constexpr double kEps = 1e-10;

int AddAt(TestModel& t, const std::vector<Vec3>& x, int prop) {
  std::vector<int> nodes;
  for (const Vec3& p : x) nodes.push_back(t.AddPoint(p[0], p[1], p[2]));
  return t.AddElement(nodes, prop);
}

int Prop(TestModel& t, int type) {
  const int mat = t.AddLinIso(1e-5, 1000.0, 0.25);
  if (type == 10 || type == 18 || type == 20 || type == 22)
    return t.AddProp(type, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(0.2));
  if (type == 8) return t.AddProp(8, MAT_LIN_ISO, mat, kGeomCs3D, t.AddFrame3D(1.0, 0.0));
  return t.AddProp(type, MAT_LIN_ISO, mat);
}

// x(s) of a quadrilateral (X in the rows, n nodes) and of a hexahedron.
Vec3 MapQuad(const std::vector<Vec3>& X, double s1, double s2, double* N) {
  const int n = static_cast<int>(X.size());
  const double s[3] = {0.0, s1, s2};
  CalcShapeFuncQuad(n, N, s);
  Vec3 x{0, 0, 0};
  for (int a = 1; a <= n; a++)
    for (int j = 0; j < 3; j++) x[j] += N[a] * X[a - 1][j];
  return x;
}

Vec3 MapHexa(const std::vector<Vec3>& X, const double* s, double* N) {
  const int n = static_cast<int>(X.size());
  CalcShapeFuncSolidHexa(n, N, s);
  Vec3 x{0, 0, 0};
  for (int a = 1; a <= n; a++)
    for (int j = 0; j < 3; j++) x[j] += N[a] * X[a - 1][j];
  return x;
}

const std::vector<Vec3> kDistortedQuadX23 = {{0, 0, 0}, {0, 3, 0.4}, {0, 2.6, 2.2}, {0, -0.3, 1.7}};
const std::vector<Vec3> kDistortedQuadX12 = {{0, 0, 0}, {3, 0.4, 0}, {2.6, 2.2, 0}, {-0.3, 1.7, 0}};
const std::vector<Vec3> kWarpedShell = {{0, 0, 0}, {3, 0.4, 0.5}, {2.6, 2.2, -0.3}, {-0.3, 1.7, 0.8}};

TEST(IntPointLoad, SharesAreTheShapeFunctionsAtThePoint) {
  struct Case {
    const char* what;
    int type;
    const std::vector<Vec3>* X;
    std::array<double, 6> load;
    const char* carried;  // the components each node takes
  } cases[] = {
      {"plane stress", 10, &kDistortedQuadX23, {0, 3, -2, 0, 0, 0}, "011000"},
      {"plane strain", 13, &kDistortedQuadX23, {0, 3, -2, 0, 0, 0}, "011000"},
      {"slab", 18, &kDistortedQuadX12, {0, 0, 5, 1, -2, 0}, "001110"},
      {"Mindlin shell", 20, &kWarpedShell, {1, 2, 3, 4, 5, 6}, "111111"},
      {"Ahmad shell", 22, &kWarpedShell, {1, 2, 3, 4, 5, 6}, "111111"},
  };
  const double where[][2] = {{0.3, -0.55}, {-1.0, 0.2}, {0.1, 0.1}, {1.0, 1.0}};
  for (const Case& c : cases)
    for (const auto& s : where) {
      SCOPED_TRACE(c.what);
      TestModel t;
      AddAt(t, *c.X, Prop(t, c.type));
      double N[5];
      const Vec3 x = MapQuad(*c.X, s[0], s[1], N);
      const int P = t.AddPoint(x[0], x[1], x[2]);
      t.intPointLoads.push_back({{1, P}, c.load});
      t.Build();
      Vec Fe(24);
      t.IntPointLoadVector(1, Fe);
      for (int a = 1; a <= 4; a++)
        for (int d = 1; d <= 6; d++)
          // The shells stop the nearest-point iteration when its gradient is below 1e-8.
          EXPECT_NEAR(Fe[6 * (a - 1) + d], c.carried[d - 1] == '1' ? N[a] * c.load[d - 1] : 0.0,
                      c.type >= 20 ? 5e-8 : kEps)
              << "node " << a << " dof " << d << " at " << s[0] << ", " << s[1];
    }
}

TEST(IntPointLoad, EightNodeCentreAndHexahedra) {
  {
    // The centre of an 8-node quadrilateral: corners -1/4, mid-sides 1/2.
    TestModel t;
    AddAt(t, {{0, 0, 0}, {0, 1, 0}, {0, 2, 0}, {0, 2, 1}, {0, 2, 2}, {0, 1, 2}, {0, 0, 2}, {0, 0, 1}}, Prop(t, 10));
    t.intPointLoads.push_back({{1, t.AddPoint(0, 1, 1)}, {0, 0, 8, 0, 0, 0}});
    t.Build();
    Vec Fe(48);
    t.IntPointLoadVector(1, Fe);
    for (int a = 1; a <= 8; a++) EXPECT_NEAR(Fe[6 * (a - 1) + 3], a % 2 == 1 ? -2.0 : 4.0, kEps);
  }
  const std::vector<Vec3> hexa = {{0, 0, 0},     {2, 0, 0.1}, {2.2, 1.8, 0}, {-0.1, 2, 0.2},
                                  {0.1, 0, 2.1}, {2, 0.2, 2}, {2, 2, 2.3},   {0, 1.9, 1.8}};
  const double where[2][4] = {{0, 0.2, -0.7, 0.45}, {0, 1.0, 1.0, -1.0}};
  for (const auto& s : where) {
    TestModel t;
    AddAt(t, hexa, Prop(t, 24));
    double N[9];
    const Vec3 x = MapHexa(hexa, s, N);
    // A moment of 1e-8 is taken as null.
    t.intPointLoads.push_back({{1, t.AddPoint(x[0], x[1], x[2])}, {1, -2, 3, 1e-8, 0, -1e-8}});
    t.Build();
    Vec Fe(48);
    t.IntPointLoadVector(1, Fe);
    for (int a = 1; a <= 8; a++) {
      EXPECT_NEAR(Fe[6 * (a - 1) + 1], N[a], kEps);
      EXPECT_NEAR(Fe[6 * (a - 1) + 2], -2 * N[a], kEps);
      EXPECT_NEAR(Fe[6 * (a - 1) + 3], 3 * N[a], kEps);
      for (int d = 4; d <= 6; d++) EXPECT_EQ(Fe[6 * (a - 1) + d], 0.0);
    }
  }
}

TEST(IntPointLoad, TimoshenkoBeamPointOnItsAxis) {
  // A curved 3-node beam; the point at s = 0.4 of its axis.
  const std::vector<Vec3> X = {{0, 0, 0}, {1, 0.3, 0.1}, {2, 0, 0}};
  TestModel t;
  AddAt(t, X, Prop(t, 8));
  double N[4];
  CalcShapeFuncLine(3, 0.4, N);
  Vec3 x{0, 0, 0};
  for (int a = 1; a <= 3; a++)
    for (int j = 0; j < 3; j++) x[j] += N[a] * X[a - 1][j];
  t.intPointLoads.push_back({{1, t.AddPoint(x[0], x[1], x[2])}, {1, 2, 3, 4, 5, 6}});
  t.Build();
  Vec Fe(18);
  t.IntPointLoadVector(1, Fe);
  for (int a = 1; a <= 3; a++)
    for (int d = 1; d <= 6; d++) EXPECT_NEAR(Fe[6 * (a - 1) + d], N[a] * d, 5e-8);  // the iteration's own limit
}

const std::string IntPointContext(const char* type, int record = 1) {
  return std::string(
             "\nCalculating the internal point load contribution to\nthe global load vector:\n   -> Load case: 1\n"
             "   -> Block name: <INTERNAL_POINT_LOADS>\n   -> Internal point load counter: ") +
         std::to_string(record) + "\n   -> Element: 1\n   -> Element type: " + type + "\n";
}

TEST(IntPointLoadDeathTest, PointsOutsideTheElementOrOffItsSurface) {
  struct Case {
    const char* what;
    int type;
    std::vector<Vec3> X;
    Vec3 point;
  } cases[] = {
      {"_PLANE_STRESS_QUAD", 10, {{0, 0, 0}, {0, 2, 0}, {0, 2, 2}, {0, 0, 2}}, {0, 2.0002, 1}},
      {"_SOLID_HEXA",
       24,
       {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {0, 0, 2}, {2, 0, 2}, {2, 2, 2}, {0, 2, 2}},
       {1, 1, -0.001}},
      {"_MINDLIN_SHELL_QUAD", 20, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {1, 1, 1e-6}},
      {"_AHMAD_SHELL_QUAD", 22, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {1, 1, 1e-6}},
      {"_TIMOSHENKO_BEAM_3D", 8, {{0, 0, 0}, {2, 0, 0}}, {1, 1e-6, 0}},
  };
  for (const Case& c : cases) {
    TestModel t;
    AddAt(t, c.X, Prop(t, c.type));
    const int P = t.AddPoint(c.point[0], c.point[1], c.point[2]);
    t.intPointLoads.push_back({{1, P}, {0, 1, 1, 0, 0, 0}});
    t.Build();
    Vec Fe(6 * static_cast<int>(c.X.size()));
    char line[96];
    std::snprintf(line, sizeof line, "   -> Specified auxiliary point with the load: %d\n", P);
    EXPECT_EXIT(t.IntPointLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(IntPointContext(c.what) + line +
                         "\nERROR:\nThe specified auxiliary point is not inside the element.\n\n"))
        << c.what;
  }
  // On the boundary within the tolerance: inside.
  TestModel t;
  AddAt(t, {{0, 0, 0}, {0, 2, 0}, {0, 2, 2}, {0, 0, 2}}, Prop(t, 10));
  t.intPointLoads.push_back({{1, t.AddPoint(0, 2.000005, 1)}, {0, 0, 4, 0, 0, 0}});
  t.Build();
  Vec Fe(24);
  t.IntPointLoadVector(1, Fe);
  EXPECT_NEAR(ForceSum(Fe, 4)[2], 4.0, kEps);
}

TEST(IntPointLoadDeathTest, ComponentsTheElementDoesNotCarryAreRefused) {
  struct Case {
    int type;
    std::vector<Vec3> X;
    std::array<double, 6> load;
    const char* type_kw;
    const char* label;
  } cases[] = {
      {10, {{0, 0, 0}, {0, 2, 0}, {0, 2, 2}, {0, 0, 2}}, {2e-8, 1, 1, 0, 0, 0}, "_PLANE_STRESS_QUAD", "force - XG1"},
      {13, {{0, 0, 0}, {0, 2, 0}, {0, 2, 2}, {0, 0, 2}}, {0, 1, 1, 0, 0, 3}, "_PLANE_STRAIN_QUAD", "moment - XG3"},
      {18, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {0, 0, 1, 1, 1, 1}, "_MINDLIN_SLAB_QUAD", "moment - XG3"},
      {18, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {0, 4, 1, 0, 0, 0}, "_MINDLIN_SLAB_QUAD", "force - XG2"},
      {1, {{0, 0, 0}, {0, 2, 0}}, {0, 1, 1, 7, 0, 0}, "_TRUSS_2D", "moment - XG1"},
      {3, {{0, 0, 0}, {0, 2, 0}}, {5, 1, 1, 0, 0, 0}, "_FRAME_2D", "force - XG1"},
  };
  for (const Case& c : cases) {
    TestModel t;
    const int mat = t.AddLinIso(0, 1, 0);
    int prop;
    if (c.type == 1)
      prop = t.AddProp(1, MAT_LIN_ISO, mat, kGeomCsArea, t.AddCsArea(1.0));
    else if (c.type == 3)
      prop = t.AddProp(3, MAT_LIN_ISO, mat, kGeomCs2D, t.AddFrame2D(1, 1, 1));
    else
      prop = Prop(t, c.type);
    AddAt(t, c.X, prop);
    t.intPointLoads.push_back({{1, t.AddPoint(0, 1, 1)}, c.load});
    t.Build();
    Vec Fe(6 * static_cast<int>(c.X.size()));
    EXPECT_EXIT(t.IntPointLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(std::string("\nVerifying the <INTERNAL_POINT_LOADS> block\n   -> Load case: 1\n"
                                     "   -> Internal point load counter: 1\n   -> Element: 1\n   -> Element type: ") +
                         c.type_kw + "\n   -> Load component: " + c.label +
                         "\n\nERROR:\nIn this type of element the specified load component must be null.\n\n"))
        << c.type_kw;
  }
}

TEST(IntPointLoadDeathTest, SolidMomentsAndCoplanarDrillMoments) {
  {
    TestModel t;
    AddAt(t, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}, {0, 0, 2}, {2, 0, 2}, {2, 2, 2}, {0, 2, 2}}, Prop(t, 24));
    t.intPointLoads.push_back({{1, t.AddPoint(1, 1, 1)}, {0, 0, 1, 0, 2e-8, 0}});
    t.Build();
    Vec Fe(48);
    EXPECT_EXIT(t.IntPointLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(IntPointContext("_SOLID_HEXA") +
                         "   -> Auxiliary point with the load: 9\n   -> Specified moment - XG1: 0.000000\n"
                         "   -> Specified moment - XG2: 0.000000\n   -> Specified moment - XG3: 0.000000\n"
                         "\nERROR:\nThe specified moment component(s) must be null.\n\n"));
  }
  for (int type : {20, 22}) {
    TestModel t;
    AddAt(t, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, Prop(t, type));
    t.pointType = {'G', 'G', type == 20 ? 'M' : 'A', 'G'};
    t.intPointLoads.push_back({{1, t.AddPoint(1.5, 1.5, 0)}, {0, 0, 1, 2, -3, 0}});    // in-plane moments pass
    t.intPointLoads.push_back({{1, t.AddPoint(1.5, 1.5, 0)}, {0, 0, 1, 0, 0, 1e-3}});  // drill at node 3
    t.Build();
    Vec Fe(24);
    t.IntPointLoadVector(1, Fe);
    // At (1.5, 1.5) node 3 takes 9/16 of the load; its moments stay in the coplanar
    // axes, which are the global axes for a shell in the x1-x2 plane.
    EXPECT_NEAR(Fe[13 + 3], 9.0 / 16.0 * 2.0, kEps);
    EXPECT_NEAR(Fe[13 + 4], 9.0 / 16.0 * -3.0, kEps);
    EXPECT_EXIT(t.IntPointLoadVector(2, Fe), testing::ExitedWithCode(1),
                StderrIs(IntPointContext(type == 20 ? "_MINDLIN_SHELL_QUAD" : "_AHMAD_SHELL_QUAD", 2) +
                         "   -> Auxiliary point with the load: 6\n\nERROR:\n" + kDrillMomentMessage + "\n\n"));
  }
}

TEST(IntPointLoadDeathTest, TheContactCallTakesTrussesAndFramesOnly) {
  TestModel t;
  AddAt(t, {{0, 0, 0}, {2, 0, 0}}, Prop(t, 8));
  t.intPointLoads.push_back({{1, t.AddPoint(1, 0, 0)}, {1, 0, 0, 0, 0, 0}});
  t.Build();
  Vec Fe(12);
  t.IntPointLoadVector(1, Fe);
  EXPECT_NEAR(Fe[1] + Fe[7], 1.0, kEps);
  EXPECT_EXIT(t.IntPointLoadVector(1, Fe, 0), testing::ExitedWithCode(1), kInternal);
}

}  // namespace
