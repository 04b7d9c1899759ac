// Edge and internal point loads of trusses and frames against the closed forms of the
// fixed-end reactions.
#include "load_fixture.h"

namespace {

constexpr double kEps = 1e-12;

// A Frame2D (or Truss2D) member along x2 from the origin, local axis 2 = x3.
struct Member2D {
  TestModel t;
  explicit Member2D(double L, int type = 3) {
    t.AddPoint(0, 0, 0);
    t.AddPoint(0, L, 0);
    const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
    t.AddElement({1, 2}, t.AddProp(type, MAT_LIN_ISO, mat));
  }
};

struct Frame2DCase {
  const char* what;
  double L;
  char kind;
  int code, force;
  std::vector<double> values;
  double F1, F2, M1, M2;  // transverse forces (u3) and end moments (r1)
};

TEST(Frame2DEdgeLoad, ClosedFormsOfDistributedLoads) {
  const Frame2DCase cases[] = {
      {"uniform q = 10", 2.0, 'B', 2, 1, {10.0}, 10.0, 10.0, 10.0 / 3.0, -10.0 / 3.0},
      {"uniform q = 10 along x3", 2.0, 'G', 3, 1, {10.0}, 10.0, 10.0, 10.0 / 3.0, -10.0 / 3.0},
      {"triangular 0 -> 6", 2.0, 'B', 2, 1, {0.0, 6.0}, 1.8, 4.2, 0.8, -1.2},
      {"distributed moment 6 -> 0", 2.0, 'B', 3, 2, {6.0, 0.0}, -3.0, 3.0, 1.0, -1.0},
      {"uniform distributed moment", 2.0, 'B', 3, 2, {4.0}, -4.0, 4.0, 0.0, 0.0},
      {"moment about -x1", 2.0, 'S', 1, 2, {6.0, 0.0}, 3.0, -3.0, -1.0, 1.0},
  };
  for (const Frame2DCase& c : cases) {
    SCOPED_TRACE(c.what);
    Member2D m(c.L);
    m.t.AddAux(-1.0, 0.0, 0.0);
    m.t.AddEdgeLoad(1, 0, c.kind, c.code, c.force, c.values);
    m.t.Build();
    Vec Fe(12);
    m.t.EdgeLoadVector(1, Fe);
    EXPECT_NEAR(Fe[3], c.F1, kEps);
    EXPECT_NEAR(Fe[9], c.F2, kEps);
    EXPECT_NEAR(Fe[4], c.M1, kEps);
    EXPECT_NEAR(Fe[10], c.M2, kEps);
    for (int k : {1, 2, 5, 6, 7, 8, 11, 12}) EXPECT_EQ(Fe[k], 0.0) << "entry " << k;
  }
}

TEST(Frame2DIntPointLoad, ClosedFormsOfConcentratedLoads) {
  struct Case {
    const char* what;
    double L, a;
    std::array<double, 6> load;
    double F1, F2, M1, M2;
  } cases[] = {
      {"force 8 at a = 1 on L = 4", 4.0, 1.0, {0, 0, 8, 0, 0, 0}, 6.75, 1.25, 4.5, -1.5},
      {"force at mid-span", 4.0, 2.0, {0, 0, 8, 0, 0, 0}, 4.0, 4.0, 4.0, -4.0},
      {"force at node 1", 4.0, 0.0, {0, 0, 8, 0, 0, 0}, 8.0, 0.0, 0.0, 0.0},
      {"moment at mid-span", 4.0, 2.0, {0, 0, 0, 8, 0, 0}, -3.0, 3.0, -2.0, -2.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Member2D m(c.L);
    const int P = m.t.AddPoint(0, c.a, 0);
    m.t.intPointLoads.push_back({{1, P}, c.load});
    m.t.Build();
    Vec Fe(12);
    m.t.IntPointLoadVector(1, Fe);
    EXPECT_NEAR(Fe[3], c.F1, kEps);
    EXPECT_NEAR(Fe[9], c.F2, kEps);
    EXPECT_NEAR(Fe[4], c.M1, kEps);
    EXPECT_NEAR(Fe[10], c.M2, kEps);
  }
}

// A linearly varying distributed moment equals the sum of many concentrated moments,
// each taken with the point-moment formulas (midpoint rule; error of order h^2).
TEST(Frame2DEdgeLoad, DistributedMomentIsTheSumOfPointMoments) {
  const double L = 3.0, m1 = 6.0, m2 = -2.0, c = 0.6, s = 0.8;  // member turned in the x2-x3 plane
  const int segments = 800;
  TestModel t;
  t.AddPoint(0, 0, 0);
  t.AddPoint(0, L * c, L * s);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({1, 2}, t.AddProp(3, MAT_LIN_ISO, mat));
  t.AddEdgeLoad(1, 0, 'B', 3, 2, {m1, m2});
  const double h = L / segments;
  for (int i = 0; i < segments; i++) {
    const double x = (i + 0.5) * h;
    const int P = t.AddPoint(0, x * c, x * s);
    t.intPointLoads.push_back({{1, P}, {0, 0, 0, (m1 + (m2 - m1) * x / L) * h, 0, 0}});
  }
  t.Build();
  Vec Fe(12), sum(12), Fp(12);
  t.EdgeLoadVector(1, Fe);
  for (int r = 1; r <= segments; r++) {
    t.IntPointLoadVector(r, Fp);
    addd1(sum, Fp, 12);
  }
  for (int k = 1; k <= 12; k++) EXPECT_NEAR(Fe[k], sum[k], 1e-4) << "entry " << k;
  // The end moments are those of a work-consistent load: M1 = L (m1 - m2) / 12.
  EXPECT_NEAR(Fe[4], L * (m1 - m2) / 12.0, kEps);
  EXPECT_NEAR(Fe[10], L * (m2 - m1) / 12.0, kEps);
}

// The same for a Frame3D under a moment vector of any direction: bending about both
// local axes and torsion.
TEST(Frame3DEdgeLoad, DistributedMomentIsTheSumOfPointMoments) {
  const double m1 = 5.0, m2 = -1.0;
  const int segments = 800;
  TestModel t;
  t.AddPoint(0.5, -1.0, 2.0);
  t.AddPoint(2.5, 0.0, 4.0);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({1, 2}, t.AddProp(4, MAT_LIN_ISO, mat, kGeomCs3D, t.AddFrame3D(1.0, 0.4)));
  const Vec3 v{0.3, -0.5, 0.8};
  t.AddAux(v[0], v[1], v[2]);
  t.AddEdgeLoad(1, 0, 'S', 1, 2, {m1, m2});
  const double L = 3.0, h = L / segments;
  for (int i = 0; i < segments; i++) {
    const double x = (i + 0.5) * h, q = (m1 + (m2 - m1) * x / L) * h;
    const int P = t.AddPoint(0.5 + 2.0 * x / L, -1.0 + 1.0 * x / L, 2.0 + 2.0 * x / L);
    t.intPointLoads.push_back({{1, P}, {0, 0, 0, q * v[0], q * v[1], q * v[2]}});
  }
  t.Build();
  Vec Fe(12), sum(12), Fp(12);
  t.EdgeLoadVector(1, Fe);
  for (int r = 1; r <= segments; r++) {
    t.IntPointLoadVector(r, Fp);
    addd1(sum, Fp, 12);
  }
  for (int k = 1; k <= 12; k++) EXPECT_NEAR(Fe[k], sum[k], 1e-4) << "entry " << k;
}

TEST(Frame3DEdgeLoad, UniformLoadAlongLocalAxis3) {
  // Member along x1 with section angle 0: local axes 2 = x2, 3 = x3.
  TestModel t;
  t.AddPoint(0, 0, 0);
  t.AddPoint(2, 0, 0);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({1, 2}, t.AddProp(4, MAT_LIN_ISO, mat, kGeomCs3D, t.AddFrame3D(1.0, 0.0)));
  t.AddEdgeLoad(1, 0, 'B', 3, 1, {12.0});
  t.Build();
  Vec Fe(12);
  t.EdgeLoadVector(1, Fe);
  const double expected[13] = {0, 0, 0, 12, 0, -4, 0, 0, 0, 12, 0, 4, 0};
  for (int k = 1; k <= 12; k++) EXPECT_NEAR(Fe[k], expected[k], kEps) << "entry " << k;
}

TEST(TrussLoads, ForcesOnlyAndShares) {
  // Uniform transverse load: q L / 2 at each node, no moment.
  Member2D m(3.0, 1);
  m.t.AddEdgeLoad(1, 0, 'G', 3, 1, {4.0});
  const int P = m.t.AddPoint(0, 1.0, 0);
  m.t.intPointLoads.push_back({{1, P}, {0, 3, 6, 0, 0, 0}});
  m.t.Build();
  Vec Fe(12), Fp(12);
  m.t.EdgeLoadVector(1, Fe);
  m.t.IntPointLoadVector(1, Fp);
  const double edge[13] = {0, 0, 0, 6, 0, 0, 0, 0, 0, 6, 0, 0, 0};
  const double point[13] = {0, 0, 2, 4, 0, 0, 0, 0, 1, 2, 0, 0, 0};
  for (int k = 1; k <= 12; k++) {
    EXPECT_NEAR(Fe[k], edge[k], kEps) << "entry " << k;
    EXPECT_NEAR(Fp[k], point[k], kEps) << "entry " << k;
  }
}

const char* const kIntPointContext =
    "\nCalculating the internal point load contribution to\nthe global load vector:\n   -> Load case: 1\n"
    "   -> Block name: <INTERNAL_POINT_LOADS>\n   -> Internal point load counter: 1\n   -> Element: 1\n"
    "   -> Element type: _FRAME_2D\n   -> Specified auxiliary point with the load: 3\n";

TEST(Frame2DIntPointLoadDeathTest, PointOutsideTheMemberIsRefused) {
  const Vec3 where[] = {{0, 2.5, 0}, {0, -0.1, 0}, {0, 1.0, 0.1}};
  for (const Vec3& x : where) {
    Member2D m(2.0);
    m.t.AddPoint(x[0], x[1], x[2]);
    m.t.intPointLoads.push_back({{1, 3}, {0, 0, 8, 0, 0, 0}});
    m.t.Build();
    Vec Fe(12);
    EXPECT_EXIT(m.t.IntPointLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(std::string(kIntPointContext) +
                         "\nERROR:\nThe specified auxiliary point is not inside the element.\n\n"));
  }
}

TEST(Frame2DIntPointLoad, PointWithinTheToleranceOfAnEndGoesToThatNode) {
  Member2D m(2.0);
  m.t.AddPoint(0, 2.0 + 5e-9, 0);
  m.t.intPointLoads.push_back({{1, 3}, {0, 0, 8, 0, 0, 0}});
  m.t.Build();
  Vec Fe(12);
  m.t.IntPointLoadVector(1, Fe);
  EXPECT_NEAR(Fe[9], 8.0, kEps);
  EXPECT_NEAR(Fe[3], 0.0, kEps);
  EXPECT_NEAR(Fe[4], 0.0, kEps);
  EXPECT_NEAR(Fe[10], 0.0, kEps);
}

TEST(IntPointLoadDeathTest, ContactCallsAcceptOnlyTrussesAndFrames) {
  TestModel t;
  for (int k = 0; k < 4; k++) t.AddPoint(0, k % 2, k / 2);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({1, 2, 4, 3}, t.AddProp(10, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(1.0)));
  t.intPointLoads.push_back({{1, 1}, {0, 1, 0, 0, 0, 0}});
  t.Build();
  Vec Fe(24);
  EXPECT_EXIT(t.IntPointLoadVector(1, Fe, 0), testing::ExitedWithCode(1), kInternal);
}

std::string EdgeContext(const char* type) {
  return std::string(
             "\nCalculating the edge load contribution to the global load vector:\n   -> Load case: 1\n"
             "   -> Block name: <EDGE_LOAD>\n   -> Edge load counter: 1\n   -> Element: 1\n   -> Element type: ") +
         type + "\n";
}

TEST(MemberEdgeLoadDeathTest, RecordsAreCheckedBeforeUse) {
  struct Case {
    int type;
    char kind;
    int code, force;
    std::vector<double> values;
    std::string expected;
  } cases[] = {
      {1, 'G', 3, 2, {1.0}, EdgeContext("_TRUSS_2D") +
                                "   -> Type of generalized force: _MOM (Moment)\n\nERROR:\n"
                                "The specified type of generalized force is not valid.\n\n"},
      {3, 'G', 3, 3, {1.0}, EdgeContext("_FRAME_2D") +
                                "   -> Type of generalized force: 3\n\nERROR:\n"
                                "The specified type of generalized force is not valid.\n\n"},
      {3, 'B', 2, 1, {1.0, 2.0, 3.0}, EdgeContext("_FRAME_2D") +
                                          "   -> Number of load values: 3\n   -> Number of nodes of the loaded line: 2\n"
                                          "\nERROR:\nThe number of load values must be 1 or the number of nodes of the "
                                          "loaded line.\n\n"},
      {3, 'G', 1, 1, {1.0}, EdgeContext("_FRAME_2D") +
                                "   -> Type of direction: G\n   -> Direction code: 1\n\nERROR:\n"
                                "The specified direction is not valid for this type of element.\n\n"},
      {3, 'B', 2, 2, {1.0}, EdgeContext("_FRAME_2D") +
                                "   -> Type of direction: B\n   -> Direction code: 2\n\nERROR:\n"
                                "The specified direction is not valid for this type of element.\n\n"},
      {1, 'E', 1, 1, {1.0}, EdgeContext("_TRUSS_2D") +
                                "   -> Type of direction: E\n   -> Direction code: 1\n\nERROR:\n"
                                "The specified direction is not valid for this type of element.\n\n"},
      {1, 'S', 1, 1, {1.0}, EdgeContext("_TRUSS_2D") +
                                "   -> Type of direction: S\n   -> Direction code: 1\n\nERROR:\n"
                                "The specified direction is not valid for this type of element.\n\n"},
      {3, 'S', 4, 1, {1.0}, EdgeContext("_FRAME_2D") +
                                "   -> Specified auxiliary vector: 4\n\nERROR:\n"
                                "The specified auxiliary vector does not exist.\n\n"},
  };
  for (const Case& c : cases) {
    Member2D m(2.0, c.type);
    m.t.AddAux(0.5, 0.0, 1.0);  // leaves the plane of the 2-D members
    m.t.AddEdgeLoad(1, 0, c.kind, c.code, c.force, c.values);
    m.t.Build();
    Vec Fe(12);
    EXPECT_EXIT(m.t.EdgeLoadVector(1, Fe), testing::ExitedWithCode(1), StderrIs(c.expected));
  }
}

}  // namespace
