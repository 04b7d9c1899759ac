// Face loads on plane, slab, shell and solid elements: the resultant of a uniform pressure
// in every orientation, the consistent shares of 4- and 8-node faces, the outward normal
// of every solid face, distorted faces, coplanar shell moments and the refusals.
#include <cmath>

#include "load_fixture.h"

namespace {

constexpr double kEps = 1e-11;

// Rotation about x, then y, then z (angles in radians): x' = R x.
Mat3 Rotation(double ax, double ay, double az) {
  const double cx = std::cos(ax), sx = std::sin(ax), cy = std::cos(ay), sy = std::sin(ay), cz = std::cos(az),
               sz = std::sin(az);
  const Mat3 Rx{{{1, 0, 0}, {0, cx, -sx}, {0, sx, cx}}};
  const Mat3 Ry{{{cy, 0, sy}, {0, 1, 0}, {-sy, 0, cy}}};
  const Mat3 Rz{{{cz, -sz, 0}, {sz, cz, 0}, {0, 0, 1}}};
  return Mul(Rz, Mul(Ry, Rx));
}

// Node positions of a 4- or 8-node a x b rectangle in its own (x, y) plane, counterclockwise.
std::vector<Vec3> Rectangle(double a, double b, int n) {
  if (n == 4) return {{0, 0, 0}, {a, 0, 0}, {a, b, 0}, {0, b, 0}};
  return {{0, 0, 0}, {a / 2, 0, 0}, {a, 0, 0}, {a, b / 2, 0}, {a, b, 0}, {a / 2, b, 0}, {0, b, 0}, {0, b / 2, 0}};
}

int AddElementAt(TestModel& t, const std::vector<Vec3>& x, int prop) {
  std::vector<int> nodes;
  for (const Vec3& p : x) nodes.push_back(t.AddPoint(p[0], p[1], p[2]));
  return t.AddElement(nodes, prop);
}

int ShellProp(TestModel& t, int type) {
  return t.AddProp(type, MAT_LIN_ISO, t.AddLinIso(1e-5, 1000.0, 0.25), kGeomLamThick, t.AddLamThick(0.1));
}

// The box a x b x c as an 8-node hexahedron turned by R.
int AddBox(TestModel& t, const Mat3& R, double a, double b, double c) {
  const std::vector<Vec3> x = {{0, 0, 0}, {a, 0, 0}, {a, b, 0}, {0, b, 0}, {0, 0, c}, {a, 0, c}, {a, b, c}, {0, b, c}};
  std::vector<Vec3> y;
  for (const Vec3& p : x) y.push_back(Apply(R, p, {0.3, -0.2, 0.7}));
  return AddElementAt(t, y, t.AddProp(24, MAT_LIN_ISO, t.AddLinIso(1e-5, 1000.0, 0.25)));
}

const Mat3 kOrientations[] = {Rotation(0, 0, 0),        Rotation(M_PI / 2, 0, 0), Rotation(0, M_PI / 2, 0),
                              Rotation(0.3, -0.7, 1.1), Rotation(2.5, 0.4, -2.0), Rotation(M_PI, 0, 0.2)};

void ExpectVec(const Vec3& got, const Vec3& want, double tol, const char* what) {
  for (int j = 0; j < 3; j++) EXPECT_NEAR(got[j], want[j], tol) << what << ", component " << j + 1;
}

TEST(FaceLoad, UniformPressureOnShellsSumsToPressureTimesAreaAlongTheNormal) {
  for (int type : {20, 22})
    for (int n : {4, 8})
      for (const Mat3& R : kOrientations) {
        TestModel t;
        std::vector<Vec3> x;
        for (const Vec3& p : Rectangle(2.0, 1.5, n)) x.push_back(Apply(R, p, {1.0, 2.0, -1.0}));
        AddElementAt(t, x, ShellProp(t, type));
        t.faceLoads.push_back({1, 0, 'E', 3, 1, {4.0}});
        t.faceLoads.push_back({1, 0, 'G', 2, 1, {4.0}});
        t.Build();
        Vec Fe(6 * n), Fg(6 * n);
        t.FaceLoadVector(1, Fe);
        t.FaceLoadVector(2, Fg);
        const Vec3 normal = Apply(R, {0, 0, 1});
        const double pA = 4.0 * 3.0;
        ExpectVec(ForceSum(Fe, n), {pA * normal[0], pA * normal[1], pA * normal[2]}, kEps, "normal pressure");
        ExpectVec(ForceSum(Fg, n), {0.0, pA, 0.0}, kEps, "global direction");
        for (int k = 1; k <= 6 * n; k++)
          if ((k - 1) % 6 >= 3) {
            EXPECT_EQ(Fe[k], 0.0);
          }
      }
}

TEST(FaceLoad, PlaneAndSlabElementsInTheirPlaneInEveryOrientation) {
  for (double angle : {0.0, 0.6, 2.0, -2.8}) {
    const Mat3 inPlaneX1 = Rotation(angle, 0, 0);  // turns within the x2-x3 plane
    const Mat3 inPlaneX3 = Rotation(0, 0, angle);  // within the x1-x2 plane
    for (int type : {10, 13}) {
      TestModel t;
      std::vector<Vec3> x;
      // The rectangle drawn in the x2-x3 plane, counterclockwise about x1.
      for (const Vec3& p : Rectangle(2.0, 1.5, 4)) x.push_back(Apply(inPlaneX1, {0.0, p[0], p[1]}));
      const int prop = type == 10 ? t.AddProp(10, MAT_LIN_ISO, t.AddLinIso(0, 1, 0), kGeomLamThick, t.AddLamThick(1))
                                  : t.AddProp(13, MAT_LIN_ISO, t.AddLinIso(0, 1, 0));
      AddElementAt(t, x, prop);
      const int s = t.AddAux(0.0, 3.0, -4.0);
      t.faceLoads.push_back({1, 0, 'S', s, 1, {2.0}});
      t.Build();
      Vec Fe(24);
      t.FaceLoadVector(1, Fe);
      ExpectVec(ForceSum(Fe, 4), {0.0, 2.0 * 3.0 * 3.0, -2.0 * 3.0 * 4.0}, kEps, "plane");
    }
    TestModel t;
    std::vector<Vec3> x;
    for (const Vec3& p : Rectangle(2.0, 1.5, 8)) x.push_back(Apply(inPlaneX3, p));
    AddElementAt(t, x, ShellProp(t, 18));
    t.faceLoads.push_back({1, 0, 'E', 3, 1, {-5.0}});
    t.faceLoads.push_back({1, 0, 'G', 1, 2, {2.0}});  // a moment per unit area about x1
    t.Build();
    Vec Fe(48), Fm(48);
    t.FaceLoadVector(1, Fe);
    t.FaceLoadVector(2, Fm);
    ExpectVec(ForceSum(Fe, 8), {0.0, 0.0, -15.0}, kEps, "slab pressure");
    double m1 = 0.0;
    for (int a = 1; a <= 8; a++) m1 += Fm[6 * (a - 1) + 4];
    EXPECT_NEAR(m1, 6.0, kEps);
  }
}

TEST(FaceLoad, ConsistentSharesOfFourAndEightNodeRectangles) {
  for (int rule : {2, 3, 5}) {
    TestModel t;
    AddElementAt(t, Rectangle(3.0, 2.0, 4), ShellProp(t, 20));
    AddElementAt(t, Rectangle(3.0, 2.0, 8), ShellProp(t, 20));
    t.integrationName = t.AddInteg(rule, rule, 0);
    t.faceLoads.push_back({1, 0, 'G', 3, 1, {2.0}});
    t.faceLoads.push_back({2, 0, 'G', 3, 1, {2.0}});
    t.Build();
    Vec F4(24), F8(48);
    t.FaceLoadVector(1, F4);
    t.FaceLoadVector(2, F8);
    const double qA = 12.0;
    for (int a = 1; a <= 4; a++) EXPECT_NEAR(F4[6 * (a - 1) + 3], qA / 4, kEps);
    for (int a = 1; a <= 8; a++) EXPECT_NEAR(F8[6 * (a - 1) + 3], a % 2 == 1 ? -qA / 12 : qA / 3, kEps) << a;
  }
}

// Nine-node a x b rectangle (corners and mid-sides counterclockwise, then the centre).
std::vector<Vec3> Rectangle9(double a, double b) {
  std::vector<Vec3> x = Rectangle(a, b, 8);
  x.push_back({a / 2, b / 2, 0});
  return x;
}

TEST(FaceLoad, NineNodeElementsCarryTheWholeResultantAndItsMomentAboutACorner) {
  // q = q0 + q1 x over the a x b rectangle (x along its first side): the resultant
  // Q = int q dA along the load direction d and the moment about the first corner
  // (int q r dA) x d. The centre node takes 16/36 of a uniform load.
  const double a = 2.0, b = 1.5, q0 = 3.0, q1 = 0.8;
  struct Case {
    int type;
    Mat3 R;           // local rectangle axes to global
    char kind;        // load direction
    int code;
  };
  const Mat3 planeX23{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}};  // rectangle drawn in the x2-x3 plane
  const Case cases[] = {{10, planeX23, 'G', 3},        {13, planeX23, 'G', 2},
                        {18, Rotation(0, 0, 0.4), 'E', 3}, {20, kOrientations[3], 'E', 3},
                        {22, kOrientations[4], 'E', 3},    {20, kOrientations[0], 'G', 1}};
  const Vec3 corner{1.0, -2.0, 0.5};
  for (const Case& cs : cases)
    for (bool linear : {false, true}) {
      TestModel t;
      const std::vector<Vec3> local = Rectangle9(a, b);
      std::vector<Vec3> x;
      // Plane elements live in the x2-x3 plane through the origin's x1.
      const Vec3 shift = (cs.type == 10 || cs.type == 13) ? Vec3{0.0, corner[1], corner[2]} : corner;
      for (const Vec3& p : local) x.push_back(Apply(cs.R, p, shift));
      int prop;
      if (cs.type == 10)
        prop = t.AddProp(10, MAT_LIN_ISO, t.AddLinIso(0, 1, 0), kGeomLamThick, t.AddLamThick(1));
      else if (cs.type == 13)
        prop = t.AddProp(13, MAT_LIN_ISO, t.AddLinIso(0, 1, 0));
      else
        prop = ShellProp(t, cs.type);
      AddElementAt(t, x, prop);
      std::vector<double> values;
      for (const Vec3& p : local) values.push_back(q0 + (linear ? q1 * p[0] : 0.0));
      t.faceLoads.push_back({1, 0, cs.kind, cs.code, 1, values});
      t.Build();
      Vec Fe(54);
      t.FaceLoadVector(1, Fe);

      const double Q = q0 * a * b + (linear ? q1 * a * a * b / 2 : 0.0);
      const double Ix = q0 * a * a * b / 2 + (linear ? q1 * a * a * a * b / 3 : 0.0);  // int q x dA
      const double Iy = q0 * a * b * b / 2 + (linear ? q1 * a * a * b * b / 4 : 0.0);  // int q y dA
      Vec3 d{0, 0, 0};
      if (cs.kind == 'E')
        d = Apply(cs.R, {0, 0, 1});
      else
        d[cs.code - 1] = 1.0;
      const Vec3 e1 = Apply(cs.R, {1, 0, 0}), e2 = Apply(cs.R, {0, 1, 0});
      const Vec3 qr{Ix * e1[0] + Iy * e2[0], Ix * e1[1] + Iy * e2[1], Ix * e1[2] + Iy * e2[2]};
      const Vec3 M = Cross(qr, d);
      const char* what = linear ? "linear load" : "uniform load";
      SCOPED_TRACE(::testing::Message() << "type " << cs.type << ", " << what);
      ExpectVec(ForceSum(Fe, 9), {Q * d[0], Q * d[1], Q * d[2]}, 1e-10, "resultant");
      Vec3 m{0, 0, 0};
      for (int k = 1; k <= 9; k++) {
        const double* f = Fe + 6 * (k - 1);
        Vec3 r;
        for (int j = 0; j < 3; j++) r[j] = x[k - 1][j] - shift[j];
        const Vec3 rf = Cross(r, {f[1], f[2], f[3]});
        for (int j = 0; j < 3; j++) m[j] += rf[j] + f[4 + j];
      }
      ExpectVec(m, M, 1e-10, "moment about the first corner");
      if (!linear) {
        EXPECT_NEAR(Fe[6 * 8 + 1] * d[0] + Fe[6 * 8 + 2] * d[1] + Fe[6 * 8 + 3] * d[2], 16.0 / 36 * Q, 1e-10);
      }
    }
}

TEST(FaceLoad, EverySolidFaceIsPushedOutwardByAPositivePressure) {
  const Vec3 outward[7] = {{0, 0, 0}, {0, 0, -1}, {0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}};
  const double a = 2.0, b = 1.5, c = 0.5;
  const double area[7] = {0, a * b, a * c, b * c, a * c, b * c, a * b};
  for (const Mat3& R : kOrientations) {
    TestModel t;
    AddBox(t, R, a, b, c);
    for (int face = 1; face <= 6; face++) t.faceLoads.push_back({1, face, 'E', 3, 1, {3.0}});
    t.Build();
    Vec3 closed{0, 0, 0};
    for (int face = 1; face <= 6; face++) {
      Vec Fe(48);
      t.FaceLoadVector(face, Fe);
      const Vec3 sum = ForceSum(Fe, 8), n = Apply(R, outward[face]);
      const double pA = 3.0 * area[face];
      ExpectVec(sum, {pA * n[0], pA * n[1], pA * n[2]}, kEps, "face");
      for (int j = 0; j < 3; j++) closed[j] += sum[j];
    }
    ExpectVec(closed, {0, 0, 0}, kEps, "closed surface");
  }
}

TEST(FaceLoad, FaceValuesFollowTheFaceNodesWhateverTheReversal) {
  // Face 1 (nodes 1, 2, 3, 4) is reversed to run outward; its values stay with their nodes.
  TestModel t;
  AddBox(t, Rotation(0, 0, 0), 1.0, 1.0, 1.0);
  t.faceLoads.push_back({1, 1, 'G', 3, 1, {4.0, 0.0, 0.0, 0.0}});
  t.Build();
  Vec Fe(48);
  t.FaceLoadVector(1, Fe);
  // A bilinear intensity peaking at node 1 of a unit square gives it 4/9 of q, its two
  // neighbours 2/9 and the opposite corner 1/9.
  EXPECT_NEAR(Fe[3], 4.0 / 9.0, kEps);
  EXPECT_NEAR(Fe[9], 4.0 * 2.0 / 36.0, kEps);
  EXPECT_NEAR(Fe[15], 4.0 * 1.0 / 36.0, kEps);
  EXPECT_NEAR(Fe[21], 4.0 * 2.0 / 36.0, kEps);
}

// The resultant of a uniform pressure on a curved face is the pressure times the face's
// vector area, which only its boundary fixes: (1/2) of the loop integral of x cross dx.
Vec3 VectorAreaOfBoundary(const std::vector<Vec3>& edgeNodes /* 8 face nodes, outward order */) {
  Vec3 s{0, 0, 0};
  const double g[5] = {-0.906179845938664, -0.538469310105683, 0.0, 0.538469310105683, 0.906179845938664};
  const double w[5] = {0.236926885056189, 0.478628670499366, 0.568888888888889, 0.478628670499366, 0.236926885056189};
  for (int e = 0; e < 4; e++) {
    const Vec3& p0 = edgeNodes[2 * e];
    const Vec3& p1 = edgeNodes[2 * e + 1];
    const Vec3& p2 = edgeNodes[(2 * e + 2) % 8];
    for (int i = 0; i < 5; i++) {
      const double u = g[i];
      const double N0 = u * (u - 1) / 2, N1 = 1 - u * u, N2 = u * (u + 1) / 2;
      const double d0 = u - 0.5, d1 = -2 * u, d2 = u + 0.5;
      Vec3 x{}, dx{};
      for (int j = 0; j < 3; j++) {
        x[j] = N0 * p0[j] + N1 * p1[j] + N2 * p2[j];
        dx[j] = d0 * p0[j] + d1 * p1[j] + d2 * p2[j];
      }
      const Vec3 c = Cross(x, dx);
      for (int j = 0; j < 3; j++) s[j] += 0.5 * w[i] * c[j];
    }
  }
  return s;
}

TEST(FaceLoad, DistortedSolidFacesCarryThePressureTimesTheirVectorArea) {
  // A 20-node brick whose top face (face 6: nodes 13..20) is warped and curved.
  std::vector<Vec3> x = {{0, 0, 0},       {1, 0, 0},       {2, 0, 0},       {2, 1, 0},        {2, 2, 0},
                         {1, 2, 0},       {0, 2, 0},       {0, 1, 0},       {0, 0, 1},        {2, 0, 1},
                         {2, 2, 1},       {0, 2, 1},       {0, 0, 2.1},     {1.1, -0.2, 2.3}, {2.2, 0.1, 2.0},
                         {2.3, 1.0, 2.6}, {2.0, 2.1, 2.4}, {1.0, 2.3, 2.2}, {-0.1, 2.0, 1.9}, {0.2, 1.1, 2.5}};
  TestModel t;
  AddElementAt(t, x, t.AddProp(24, MAT_LIN_ISO, t.AddLinIso(0, 1, 0)));
  t.integrationName = t.AddInteg(3, 3, 0);
  t.faceLoads.push_back({1, 6, 'E', 3, 1, {-2.5}});
  t.Build();
  Vec Fe(120);
  t.FaceLoadVector(1, Fe);
  std::vector<Vec3> face(x.begin() + 12, x.end());  // face 6 runs outward as listed
  const Vec3 A = VectorAreaOfBoundary(face);
  ExpectVec(ForceSum(Fe, 20), {-2.5 * A[0], -2.5 * A[1], -2.5 * A[2]}, 1e-10, "curved face");
  EXPECT_GT(A[2], 4.0);  // the face is far from flat, yet its outward normal points up
}

TEST(FaceLoad, ShellMomentsAtCoplanarPointsGoToTheirAxes) {
  for (int type : {20, 22}) {
    TestModel t;
    const Mat3 R = Rotation(0.4, 0.3, 0.0);
    std::vector<Vec3> x;
    for (const Vec3& p : Rectangle(2.0, 1.0, 4)) x.push_back(Apply(R, p));
    AddElementAt(t, x, ShellProp(t, type));
    t.pointType = {type == 20 ? 'M' : 'A', 'G', 'G', 'G'};
    t.faceLoads.push_back({1, 5, 'E', 1, 2, {3.0}});  // moment about the in-plane axis L1
    t.faceLoads.push_back({1, 5, 'E', 3, 2, {3.0}});  // about the normal: a drill moment
    t.Build();
    Vec Fe(24);
    t.FaceLoadVector(1, Fe);
    // Node 1 keeps its share (6 / 4 = 1.5 about L1) in its coplanar axes; node 2 in global.
    EXPECT_NEAR(Fe[4], 1.5, kEps);
    EXPECT_NEAR(Fe[5], 0.0, kEps);
    EXPECT_NEAR(Fe[6], 0.0, kEps);
    // L1 = e3 x normal, normalised.
    const Vec3 normal = Apply(R, {0, 0, 1});
    Vec3 L1 = Cross({0, 0, 1}, normal);
    const double len = std::sqrt(L1[0] * L1[0] + L1[1] * L1[1] + L1[2] * L1[2]);
    for (int j = 0; j < 3; j++) EXPECT_NEAR(Fe[10 + j], 1.5 * L1[j] / len, kEps);
    const std::string type_kw = type == 20 ? "_MINDLIN_SHELL_QUAD" : "_AHMAD_SHELL_QUAD";
    EXPECT_EXIT(t.FaceLoadVector(2, Fe), testing::ExitedWithCode(1),
                StderrIs("\nCalculating the face load contribution to the global load vector:\n"
                         "   -> Load case: 1\n   -> Block name: <FACE_LOAD>\n   -> Element: 1\n"
                         "   -> Element type: " +
                         type_kw +
                         "\n   -> Loaded face: 5\n   -> Type of generalized force: _MOM (Moment)\n"
                         "   -> Loaded face point: 1\nERROR:\n" +
                         kDrillMomentMessage + "\n\n"));
  }
}

const std::string kFaceContext =
    "\nCalculating the face load contribution to the global load vector:\n   -> Load case: 1\n"
    "   -> Block name: <FACE_LOAD>\n   -> Face load counter: 1\n   -> Element: 1\n";

TEST(FaceLoadDeathTest, RefusedRecordsAndGeometry) {
  {
    // A plane element numbered clockwise in its plane; the same nodes as a shell pass.
    TestModel t;
    AddElementAt(t, {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, t.AddProp(13, MAT_LIN_ISO, t.AddLinIso(0, 1, 0)));
    AddElementAt(t, {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}}, ShellProp(t, 20));
    t.faceLoads.push_back({1, 0, 'G', 2, 1, {1.0}});
    t.faceLoads.push_back({2, 0, 'G', 2, 1, {1.0}});
    t.Build();
    Vec Fe(24);
    EXPECT_EXIT(
        t.FaceLoadVector(1, Fe), testing::ExitedWithCode(1),
        StderrIs(kFaceContext + "   -> Element type: _PLANE_STRAIN_QUAD\n\nERROR:\nJacobian determinant is negative:\n"
                                "element geometry and/or mesh connectivity must be changed.\n\n"));
    t.FaceLoadVector(2, Fe);
    EXPECT_NEAR(ForceSum(Fe, 4)[1], 1.0, kEps);
  }
  {
    TestModel t;
    AddElementAt(t, Rectangle(1, 1, 8), ShellProp(t, 20));
    t.faceLoads.push_back({1, 0, 'G', 3, 1, {1.0, 2.0, 3.0, 4.0}});
    t.Build();
    Vec Fe(48);
    EXPECT_EXIT(t.FaceLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(kFaceContext +
                         "   -> Element type: _MINDLIN_SHELL_QUAD\n   -> Number of load values: 4\n"
                         "   -> Number of nodes of the loaded surface: 8\n\nERROR:\nThe number of load values must "
                         "be 1 or the number of nodes of the loaded surface.\n\n"));
  }
  {
    TestModel t;
    AddElementAt(t, Rectangle(1, 1, 4), ShellProp(t, 22));
    t.integrationName = t.AddInteg(2, 0, 0);
    t.faceLoads.push_back({1, 0, 'G', 3, 1, {1.0}});
    t.Build();
    Vec Fe(24);
    EXPECT_EXIT(t.FaceLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(kFaceContext +
                         "   -> Element type: _AHMAD_SHELL_QUAD\n   -> Specified integration name: rule1\n\nERROR:\n"
                         "Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing.\n\n"));
  }
  {
    TestModel t;
    AddBox(t, Rotation(0, 0, 0), 1, 1, 1);
    t.faceLoads.push_back({1, 7, 'E', 3, 1, {1.0}});
    t.faceLoads.push_back({1, 2, 'E', 3, 2, {1.0}});
    t.faceLoads.push_back({1, 2, 'E', 4, 1, {1.0}});
    t.Build();
    Vec Fe(48);
    EXPECT_EXIT(t.FaceLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(kFaceContext + "   -> Element type: _SOLID_HEXA\n   -> Specified face: 7\n\nERROR:\n"
                                        "The specified face does not exist in the element.\n\n"));
    EXPECT_EXIT(t.FaceLoadVector(2, Fe), testing::ExitedWithCode(1),
                Lit("The specified type of generalized force is not valid."));
    EXPECT_EXIT(t.FaceLoadVector(3, Fe), testing::ExitedWithCode(1),
                Lit("   -> Type of direction: E\n   -> Direction code: 4\n"));
  }
  {
    TestModel t;
    AddBox(t, Rotation(0, 0, 0), 1, 1, 1);
    t.integrationType = 0;
    t.faceLoads.push_back({1, 1, 'E', 3, 1, {1.0}});
    t.Build();
    Vec Fe(48);
    EXPECT_EXIT(t.FaceLoadVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs("\nCalculating the face load contribution to the global load vector:\n"
                         "   -> Load case: 1\n   -> Block name: <FACE_LOADS>\n"
                         "   -> Specified integration type : _NONE\n\nERROR:\n"
                         "The specified integration type is not compatible with specified type of load.\n\n"));
  }
}

TEST(FaceLoad, ThroughTheLoadVectorOfTheLoadCase) {
  // A unit cube standing on its bottom face, pressed down on its top: the four top nodes
  // take a quarter each, in the free equations.
  TestModel t;
  AddBox(t, Rotation(0, 0, 0), 1, 1, 1);
  t.dofs = {"PPP000", "PPP000", "PPP000", "PPP000", "FFF000", "FFF000", "FFF000", "FFF000"};
  t.faceLoads.push_back({1, 6, 'E', 3, 1, {-8.0}});
  t.Build();
  Vec F(t.nF), P(t.nP);
  t.LoadVector(F, P);
  for (int a = 1; a <= 4; a++) {
    EXPECT_NEAR(F[3 * (a - 1) + 3], -2.0, kEps);
    EXPECT_NEAR(F[3 * (a - 1) + 1], 0.0, kEps);
  }
  for (int k = 1; k <= t.nP; k++) EXPECT_EQ(P[k], 0.0);
}

}  // namespace
