// Internal edge and internal face loads: the nodal forces of the loaded element sum to
// the load's resultant and their moment about the origin equals the load's moment, for
// every host family; the auxiliary element's numbering does not change the sign of a
// load in a fixed direction; and the refusals of records the element cannot carry.
#include <cmath>

#include "load_fixture.h"

namespace {

// The inverse mapping stops its Newton iteration at residuals of 1e-8.
constexpr double kTol = 1e-7;

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

const std::vector<Vec3> kHexa = {{0, 0, 0},     {2, 0, 0.1}, {2.2, 1.8, 0}, {-0.1, 2, 0.2},
                                 {0.1, 0, 2.1}, {2, 0.2, 2}, {2, 2, 2.3},   {0, 1.9, 1.8}};

Vec3 Add(const Vec3& a, const Vec3& b, double f = 1.0) { return {a[0] + f * b[0], a[1] + f * b[1], a[2] + f * b[2]}; }
Vec3 Scale(const Vec3& a, double f) { return {f * a[0], f * a[1], f * a[2]}; }

// Resultant force and moment about the origin of a line load q (linear from q1 to q2)
// along the straight segment P1 P2 in direction d: a force (moment = false) or a
// distributed moment.
void LineLoadResultants(const Vec3& P1, const Vec3& P2, double q1, double q2, const Vec3& d, bool moment, Vec3* F,
                        Vec3* M) {
  const Vec3 D = Add(P2, P1, -1.0);
  const double L = std::sqrt(D[0] * D[0] + D[1] * D[1] + D[2] * D[2]);
  const double Q = L * (q1 + q2) / 2;
  // The integral of q x ds.
  const Vec3 qx = Scale(Add(Scale(Add(Scale(P1, 2), P2), q1), Add(P1, Scale(P2, 2)), q2), L / 6);
  if (moment) {
    *F = {0, 0, 0};
    *M = Scale(d, Q);
  } else {
    *F = Scale(d, Q);
    *M = Cross(qx, d);
  }
}

void ExpectResultants(const double* Fe, int n, const TestModel& t, const Vec3& F, const Vec3& M) {
  const Vec3 f = ForceSum(Fe, n);
  // Node coordinates in element order for the moment.
  double** X;
  allocd2(&X, n, 3);
  for (int a = 1; a <= n; a++)
    for (int j = 1; j <= 3; j++) X[a][j] = t.mesh.PointCoord[t.mesh.ElemNodes[1][a]][j];
  const Vec3 mm = MomentSum(Fe, n, X);
  freed2(X);
  for (int j = 0; j < 3; j++) {
    EXPECT_NEAR(f[j], F[j], kTol) << "force " << j + 1;
    EXPECT_NEAR(mm[j], M[j], kTol) << "moment " << j + 1;
  }
}

TEST(IntEdgeLoad, ResultantAndMomentInEveryHostFamily) {
  struct Case {
    const char* what;
    int type;
    std::vector<Vec3> host;
    Vec3 P1, P2;
    char kind;
    int code;  // 'G' axis
    Vec3 aux;  // 'S' vector
    int force;
  } cases[] = {
      {"solid, 'S' force", 24, kHexa, {0.3, 0.4, 0.5}, {1.7, 1.5, 1.6}, 'S', 1, {0.3, -2.0, 1.5}, 1},
      {"plane stress",
       10,
       {{0, 0, 0}, {0, 3, 0.4}, {0, 2.6, 2.2}, {0, -0.3, 1.7}},
       {0, 0.5, 0.3},
       {0, 2.0, 1.6},
       'S',
       1,
       {0, 1.0, -2.0},
       1},
      {"plane strain",
       13,
       {{0, 0, 0}, {0, 3, 0.4}, {0, 2.6, 2.2}, {0, -0.3, 1.7}},
       {0, 0.5, 0.3},
       {0, 2.0, 1.6},
       'G',
       3,
       {0, 0, 0},
       1},
      {"slab, force along x3",
       18,
       {{0, 0, 0}, {3, 0.4, 0}, {2.6, 2.2, 0}, {-0.3, 1.7, 0}},
       {0.5, 0.3, 0},
       {2.0, 1.6, 0},
       'G',
       3,
       {0, 0, 0},
       1},
      {"slab, moment",
       18,
       {{0, 0, 0}, {3, 0.4, 0}, {2.6, 2.2, 0}, {-0.3, 1.7, 0}},
       {0.5, 0.3, 0},
       {2.0, 1.6, 0},
       'S',
       1,
       {1.0, -0.5, 0.0},
       2},
      {"Mindlin shell",
       20,
       {{0, 0, 0}, {3, 0, 0}, {3, 2, 1}, {0, 2, 1}},
       {0.5, 0.4, 0.2},
       {2.5, 1.6, 0.8},
       'S',
       1,
       {1.0, 2.0, -1.0},
       1},
      {"Ahmad shell, moment",
       22,
       {{0, 0, 0}, {3, 0, 0}, {3, 2, 1}, {0, 2, 1}},
       {0.5, 0.4, 0.2},
       {2.5, 1.6, 0.8},
       'S',
       1,
       {1.0, 2.0, -1.0},
       2},
      {"Timoshenko beam",
       8,
       {{0, 0, 0}, {2, 1, 0.5}, {4, 2, 1}},
       {0.4, 0.2, 0.1},
       {3.0, 1.5, 0.75},
       'G',
       2,
       {0, 0, 0},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int rule : {2, 4}) {
      TestModel t;
      AddAt(t, c.host, Prop(t, c.type));
      const int aux = AddAt(t, {c.P1, c.P2}, 0);
      Vec3 d{0, 0, 0};
      int code = c.code;
      if (c.kind == 'S') {
        code = t.AddAux(c.aux[0], c.aux[1], c.aux[2]);
        d = c.aux;
      } else {
        d[c.code - 1] = 1.0;
      }
      t.integrationName = t.AddInteg(rule, 0, 0);
      t.intEdgeLoads.push_back({1, aux, c.kind, code, c.force, {1.5, 4.0}});
      t.Build();
      const int n = static_cast<int>(c.host.size());
      Vec Fe(6 * n);
      t.IntEdgeLoadVector(1, Fe);
      Vec3 F, M;
      LineLoadResultants(c.P1, c.P2, 1.5, 4.0, d, c.force == 2, &F, &M);
      ExpectResultants(Fe, n, t, F, M);
    }
  }
}

TEST(IntEdgeLoad, ThreeNodeLineAndTheDefaultRule) {
  // A straight 3-node auxiliary line with its middle point at mid-length and one value:
  // the total is q L whatever the rule.
  for (int type : {kIntGLEG, kIntGLOB}) {
    TestModel t;
    AddAt(t, kHexa, Prop(t, 24));
    const int aux = AddAt(t, {{0.2, 0.3, 0.4}, {0.9, 0.9, 1.0}, {1.6, 1.5, 1.6}}, 0);
    t.integrationType = type;
    t.intEdgeLoads.push_back({1, aux, 'G', 3, 1, {2.0}});
    t.Build();
    Vec Fe(48);
    t.IntEdgeLoadVector(1, Fe);
    const double L = std::sqrt(1.4 * 1.4 + 1.2 * 1.2 + 1.2 * 1.2);
    EXPECT_NEAR(ForceSum(Fe, 8)[2], 2.0 * L, 1e-7);
  }
}

// The resultants of a uniform load q over the flat quadrilateral P[0..3] (any shape),
// direction d: force q A d, moment (q A centroid) x d.
void QuadResultants(const std::vector<Vec3>& P, double q, const Vec3& d, Vec3* F, Vec3* M) {
  // Two triangles.
  Vec3 Ac{0, 0, 0};
  double A = 0.0;
  for (int k : {1, 2}) {
    const Vec3 e1 = Add(P[k], P[0], -1.0), e2 = Add(P[k + 1], P[0], -1.0);
    const Vec3 c = Cross(e1, e2);
    const double a = 0.5 * std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    const Vec3 g = Scale(Add(Add(P[0], P[k]), P[k + 1]), 1.0 / 3.0);
    Ac = Add(Ac, Scale(g, a));
    A += a;
  }
  *F = Scale(d, q * A);
  *M = Cross(Scale(Ac, q), d);
}

TEST(IntFaceLoad, ResultantAndMomentInEveryHostFamily) {
  struct Case {
    const char* what;
    int type;
    std::vector<Vec3> host;
    std::vector<Vec3> surf;
    Vec3 d;
  } cases[] = {
      {"solid (a tilted flat surface)",
       24,
       kHexa,
       {{0.3, 0.3, 0.69}, {1.6, 0.4, 0.96}, {1.5, 1.5, 1.05}, {0.4, 1.4, 0.82}},
       {0.3, -2.0, 1.5}},
      {"plane stress",
       10,
       {{0, 0, 0}, {0, 3, 0.4}, {0, 2.6, 2.2}, {0, -0.3, 1.7}},
       {{0, 0.5, 0.3}, {0, 2.0, 0.6}, {0, 1.8, 1.6}, {0, 0.4, 1.2}},
       {0, 1.0, -2.0}},
      {"slab",
       18,
       {{0, 0, 0}, {3, 0.4, 0}, {2.6, 2.2, 0}, {-0.3, 1.7, 0}},
       {{0.5, 0.3, 0}, {2.0, 0.6, 0}, {1.8, 1.6, 0}, {0.4, 1.2, 0}},
       {0, 0, -3.0}},
      {"Mindlin shell",
       20,
       {{0, 0, 0}, {3, 0, 0}, {3, 2, 1}, {0, 2, 1}},
       {{0.5, 0.4, 0.2}, {2.5, 0.4, 0.2}, {2.5, 1.6, 0.8}, {0.5, 1.6, 0.8}},
       {1.0, 2.0, -1.0}},
      {"Ahmad shell",
       22,
       {{0, 0, 0}, {3, 0, 0}, {3, 2, 1}, {0, 2, 1}},
       {{0.5, 0.4, 0.2}, {2.5, 0.4, 0.2}, {2.5, 1.6, 0.8}, {0.5, 1.6, 0.8}},
       {1.0, 2.0, -1.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Counterclockwise and clockwise numbering of the auxiliary surface give the same load.
    for (bool reversed : {false, true}) {
      TestModel t;
      AddAt(t, c.host, Prop(t, c.type));
      std::vector<Vec3> s = c.surf;
      if (reversed) std::swap(s[1], s[3]);
      const int aux = AddAt(t, s, 0);
      t.intFaceLoads.push_back({1, aux, 'S', t.AddAux(c.d[0], c.d[1], c.d[2]), 1, {2.5}});
      t.Build();
      const int n = static_cast<int>(c.host.size());
      Vec Fe(6 * n);
      t.IntFaceLoadVector(1, Fe);
      Vec3 F, M;
      QuadResultants(c.surf, 2.5, c.d, &F, &M);
      ExpectResultants(Fe, n, t, F, M);
    }
  }
}

TEST(IntFaceLoad, NormalDirectionAndMomentsOnSlabs) {
  {
    // 'E' 3: the auxiliary surface's own normal, which its numbering sets.
    TestModel t;
    AddAt(t, kHexa, Prop(t, 24));
    const int aux = AddAt(t, {{0.5, 0.5, 1}, {1.5, 0.5, 1}, {1.5, 1.5, 1}, {0.5, 1.5, 1}}, 0);
    t.intFaceLoads.push_back({1, aux, 'E', 3, 1, {2.0}});
    t.Build();
    Vec Fe(48);
    t.IntFaceLoadVector(1, Fe);
    const Vec3 f = ForceSum(Fe, 8);
    EXPECT_NEAR(f[0], 0.0, kTol);
    EXPECT_NEAR(f[1], 0.0, kTol);
    EXPECT_NEAR(f[2], 2.0, kTol);
  }
  {
    // A distributed moment about x1 on a slab reaches its rotations about x1.
    TestModel t;
    AddAt(t, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, Prop(t, 18));
    const int aux = AddAt(t, {{0.5, 0.5, 0}, {1.5, 0.5, 0}, {1.5, 1.5, 0}, {0.5, 1.5, 0}}, 0);
    t.intFaceLoads.push_back({1, aux, 'G', 1, 2, {3.0}});
    t.Build();
    Vec Fe(24);
    t.IntFaceLoadVector(1, Fe);
    for (int a = 1; a <= 4; a++) EXPECT_NEAR(Fe[6 * (a - 1) + 4], 0.75, kTol);
  }
}

std::string Context(const char* heading, const char* block, const char* counter, const char* type) {
  return std::string("\n") + heading + "   -> Load case: 1\n   -> Block name: " + block + "\n" + counter +
         "   -> Element: 1\n   -> Element type: " + type + "\n";
}

const char* const kEdgeHeading = "Calculating the internal edge load contribution to\nthe global load vector:\n";
const char* const kFaceHeading = "Calculating the internal face load contribution to\nthe global load vector:\n";

TEST(IntEdgeFaceLoadDeathTest, RecordsTheElementCannotCarry) {
  const std::vector<Vec3> plane = {{0, 0, 0}, {0, 2, 0}, {0, 2, 2}, {0, 0, 2}};
  {
    TestModel t;
    AddAt(t, plane, Prop(t, 10));
    const int line = AddAt(t, {{0, 0.5, 0.5}, {0, 1.5, 1.5}}, 0);
    t.intEdgeLoads.push_back({1, line, 'G', 2, 2, {0.0}});
    t.intEdgeLoads.push_back({1, line, 'G', 1, 1, {1.0}});
    t.intEdgeLoads.push_back({1, line, 'S', t.AddAux(1, 0, 0), 1, {1.0}});
    t.intEdgeLoads.push_back({1, line, 'G', 2, 1, {1.0, 2.0, 3.0}});
    t.Build();
    Vec Fe(24);
    EXPECT_EXIT(t.IntEdgeLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(Context(kEdgeHeading, "<INTERNAL_EDGE_LOADS>", "   -> Internal edge load counter: 1\n",
                                 "_PLANE_STRESS_QUAD") +
                         "   -> Auxiliary element with the load: 2\n"
                         "   -> Specified type of generalized force : _MOM\n\nERROR:\n"
                         "The specified type of generalized force is not valid.\n\n"));
    EXPECT_EXIT(t.IntEdgeLoadVector(2, Fe), testing::ExitedWithCode(1),
                StderrIs(Context(kEdgeHeading, "<INTERNAL_EDGE_LOADS>", "   -> Internal edge load counter: 2\n",
                                 "_PLANE_STRESS_QUAD") +
                         "   -> Auxiliary element with the load: 2\n   -> Specified direction vector: _XG1\n\nERROR:\n"
                         "The specified direction vector is not valid.\n\n"));
    EXPECT_EXIT(
        t.IntEdgeLoadVector(3, Fe), testing::ExitedWithCode(1),
        StderrIs("\nVerifying the <INTERNAL_EDGE_LOADS> block\n   -> Load case: 1\n"
                 "   -> Internal edge load counter: 3\n   -> Element: 1\n   -> Element type: _PLANE_STRESS_QUAD\n"
                 "   -> Load component: force - XG1\n\nERROR:\n"
                 "In this type of element the specified load component must be null.\n\n"));
    EXPECT_EXIT(t.IntEdgeLoadVector(4, Fe), testing::ExitedWithCode(1),
                Lit("The number of load values must be 1 or the number of nodes of the loaded line."));
  }
  {
    // A plane strain host names the direction refusal on its own first line.
    TestModel t;
    AddAt(t, plane, Prop(t, 13));
    const int line = AddAt(t, {{0, 0.5, 0.5}, {0, 1.5, 1.5}}, 0);
    t.intEdgeLoads.push_back({1, line, 'G', 1, 1, {1.0}});
    t.Build();
    Vec Fe(24);
    EXPECT_EXIT(t.IntEdgeLoadVector(1, Fe), testing::ExitedWithCode(1),
                Lit("\nCalculating the internal edge load contribution to\n\t\tthe global load vector:\n"));
  }
  {
    TestModel t;
    AddAt(t, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, Prop(t, 18));
    const int surf = AddAt(t, {{0.5, 0.5, 0}, {1.5, 0.5, 0}, {1.5, 1.5, 0}, {0.5, 1.5, 0}}, 0);
    const int outside = AddAt(t, {{0.5, 0.5, 0}, {2.5, 0.5, 0}, {2.5, 1.5, 0}, {0.5, 1.5, 0}}, 0);
    t.intFaceLoads.push_back({1, surf, 'G', 3, 2, {1.0}});
    t.intFaceLoads.push_back({1, outside, 'G', 3, 1, {1.0}});
    t.Build();
    Vec Fe(24);
    EXPECT_EXIT(
        t.IntFaceLoadVector(1, Fe), testing::ExitedWithCode(1),
        StderrIs("\nVerifying the <INTERNAL_FACE_LOADS> block\n   -> Load case: 1\n"
                 "   -> Internal face load counter: 1\n   -> Element: 1\n   -> Element type: _MINDLIN_SLAB_QUAD\n"
                 "   -> Load component: moment - XG3\n\nERROR:\n"
                 "In this type of element the specified load component must be null.\n\n"));
    EXPECT_EXIT(t.IntFaceLoadVector(2, Fe), testing::ExitedWithCode(1),
                StderrIs(Context(kFaceHeading, "<INTERNAL_FACE_LOADS>", "   -> Internal face load counter: 2\n",
                                 "_MINDLIN_SLAB_QUAD") +
                         "   -> Specified auxiliary point with the load: 10\n\nERROR:\n"
                         "The specified auxiliary point is not inside the element.\n\n"));
  }
  {
    // A shell host whose node 2 is a coplanar point: a distributed moment about the
    // normal reaches it as a drill moment.
    TestModel t;
    AddAt(t, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, Prop(t, 20));
    t.pointType = {'G', 'M', 'G', 'G'};
    const int surf = AddAt(t, {{0.5, 0.5, 0}, {1.5, 0.5, 0}, {1.5, 1.5, 0}, {0.5, 1.5, 0}}, 0);
    t.intFaceLoads.push_back({1, surf, 'G', 3, 2, {1.0}});
    t.intFaceLoads.push_back({1, surf, 'G', 1, 2, {1.0}});
    t.Build();
    Vec Fe(24);
    EXPECT_EXIT(t.IntFaceLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(Context(kFaceHeading, "<INTERNAL_FACE_LOADS>", "   -> Internal face load counter: 1\n",
                                 "_MINDLIN_SHELL_QUAD") +
                         "   -> Auxiliary point with the load: 5\n\nERROR:\n" + kDrillMomentMessage + "\n\n"));
    t.IntFaceLoadVector(2, Fe);
    double m1 = 0.0;
    for (int a = 1; a <= 4; a++) m1 += Fe[6 * (a - 1) + 4];
    EXPECT_NEAR(m1, 1.0, kTol);
  }
  {
    TestModel t;
    AddAt(t, kHexa, Prop(t, 24));
    const int line = AddAt(t, {{0.5, 0.5, 0.5}, {1.5, 1.5, 1.5}}, 0);
    t.integrationType = 0;
    t.intEdgeLoads.push_back({1, line, 'G', 3, 1, {1.0}});
    t.intFaceLoads.push_back({1, line, 'G', 3, 1, {1.0}});
    t.Build();
    Vec Fe(48);
    EXPECT_EXIT(t.IntEdgeLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(std::string("\n") + kEdgeHeading +
                         "   -> Load case: 1\n   -> Block name: <INTERNAL_EDGE_LOADS>\n"
                         "   -> Specified integration type : _NONE\n\nERROR:\n"
                         "The specified integration type is not compatible with specified type of load.\n\n"));
    EXPECT_EXIT(t.IntFaceLoadVector(1, Fe), testing::ExitedWithCode(1),
                Lit("   -> Block name: <INTERNAL_FACE_LOADS>\n   -> Specified integration type : _NONE\n"));
  }
}

TEST(IntEdgeFaceLoad, ThroughTheLoadVectorOfTheLoadCase) {
  // A line load inside a solid whose bottom nodes are prescribed: the free and the
  // prescribed parts together carry the whole load.
  TestModel t;
  AddAt(t, kHexa, Prop(t, 24));
  const int line = AddAt(t, {{0.5, 0.5, 0.5}, {1.5, 1.5, 1.5}}, 0);
  t.dofs = {"PPP000", "PPP000", "PPP000", "PPP000", "FFF000", "FFF000", "FFF000", "FFF000", "000000", "000000"};
  t.intEdgeLoads.push_back({1, line, 'G', 3, 1, {2.0}});
  t.Build();
  Vec F(t.nF), P(t.nP);
  t.LoadVector(F, P);
  double sum = 0.0;
  for (int k = 3; k <= t.nF; k += 3) sum += F[k];
  for (int k = 3; k <= t.nP; k += 3) sum += P[k];
  EXPECT_NEAR(sum, 2.0 * std::sqrt(3.0), kTol);
}

}  // namespace
