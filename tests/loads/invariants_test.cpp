// Three invariants over every element type and load kind built here: the nodal forces
// (and moments) are in equilibrium with the applied load, a rigid rotation of the model
// rotates the nodal forces and moments with it, and the same element drawn in metres
// instead of millimetres (lengths times 1e-3) carries the same load in the new units,
// however small its Jacobian determinant.
#include <functional>

#include "load_fixture.h"

namespace {

Mat3 RotAbout(int axis, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  const int a = (axis + 1) % 3, b = (axis + 2) % 3;
  Mat3 R{};
  R[axis][axis] = 1.0;
  R[a][a] = c;
  R[a][b] = -s;
  R[b][a] = s;
  R[b][b] = c;
  return R;
}

// Resultant force and moment about the origin of a load per unit length along the
// straight line A -> B, intensity linear from q1 to q2 in direction v (a force, or a
// moment vector when `moment`): fine Simpson rule.
std::pair<Vec3, Vec3> LineResultant(const Vec3& A, const Vec3& B, double q1, double q2, const Vec3& v, bool moment) {
  const int n = 2000;
  double L = 0.0;
  for (int j = 0; j < 3; j++) L += (B[j] - A[j]) * (B[j] - A[j]);
  L = std::sqrt(L);
  Vec3 F{0, 0, 0}, M{0, 0, 0};
  for (int i = 0; i <= n; i++) {
    const double xi = double(i) / n, w = (i == 0 || i == n) ? 1.0 : (i % 2 ? 4.0 : 2.0);
    const double q = q1 + (q2 - q1) * xi, f = w * q * L / (3.0 * n);
    Vec3 x;
    for (int j = 0; j < 3; j++) x[j] = A[j] + xi * (B[j] - A[j]);
    const Vec3 xv = Cross(x, v);
    for (int j = 0; j < 3; j++) {
      if (moment) {
        M[j] += f * v[j];
      } else {
        F[j] += f * v[j];
        M[j] += f * xv[j];
      }
    }
  }
  return {F, M};
}

struct Case {
  std::string name;
  bool planar;  // a model of the x2-x3 plane: rotations about x1 only
  int n;        // nodes of the element
  std::function<void(TestModel&, const Mat3&)> build;
  std::function<void(TestModel&, double*)> compute;
  bool resultant;  // the applied resultant below is given
  Vec3 force, moment;
  // Lengths times f give nodal forces times f^power and nodal moments times f^(power + 1)
  // (the load is a measure of the element: volume 3, area 2, length 1); -1: not checked.
  int power = -1;
};

int Member(TestModel& t, const Mat3& Q, int type, const Vec3& A, const Vec3& B, double angle = 0.3) {
  const Vec3 a = Apply(Q, A), b = Apply(Q, B);
  const int p1 = t.AddPoint(a[0], a[1], a[2]), p2 = t.AddPoint(b[0], b[1], b[2]);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  const int prop = (type == 4 || type == 8) ? t.AddProp(type, MAT_LIN_ISO, mat, kGeomCs3D, t.AddFrame3D(0.5, angle))
                                            : t.AddProp(type, MAT_LIN_ISO, mat);
  return t.AddElement({p1, p2}, prop);
}

void AddElementFrom(TestModel& t, const Mat3& Q, const std::vector<Vec3>& x, int type) {
  std::vector<int> nodes;
  for (auto& p : x) {
    const Vec3 y = Apply(Q, p);
    nodes.push_back(t.AddPoint(y[0], y[1], y[2]));
  }
  const int mat = t.AddMaterial(MAT_LIN_ISO, 2.5);
  int prop;
  if (type == 10)
    prop = t.AddProp(type, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(0.3));
  else if (type == 8)
    prop = t.AddProp(type, MAT_LIN_ISO, mat, kGeomCs3D, t.AddFrame3D(0.5, 0.2));
  else
    prop = t.AddProp(type, MAT_LIN_ISO, mat);
  t.AddElement(nodes, prop);
}

void AuxRotated(TestModel& t, const Mat3& Q, const Vec3& v) {
  const Vec3 w = Apply(Q, v);
  t.AddAux(w[0], w[1], w[2]);
}

auto EdgeVector = [](TestModel& t, double* Fe) { t.EdgeLoadVector(1, Fe); };
auto PointVector = [](TestModel& t, double* Fe) { t.IntPointLoadVector(1, Fe); };
auto GravityVec = [](TestModel& t, double* Fe) { t.GravityVector(1, Fe); };

// Edge load along a member (types 1 to 4, 8) in the direction of an auxiliary vector.
Case MemberEdgeCase(const std::string& name, int type, bool planar, Vec3 A, Vec3 B, Vec3 v, double q1, double q2,
                    bool moment) {
  const auto [F, M] = LineResultant(A, B, q1, q2, v, moment);
  return {name, planar, 2,
          [=](TestModel& t, const Mat3& Q) {
            Member(t, Q, type, A, B);
            AuxRotated(t, Q, v);
            t.AddEdgeLoad(1, 0, 'S', 1, moment ? 2 : 1, {q1, q2});
          },
          EdgeVector, true, F, M};
}

Case MemberPointCase(const std::string& name, int type, bool planar, Vec3 A, Vec3 B, double xi,
                     std::array<double, 6> load) {
  Vec3 P, f{load[0], load[1], load[2]}, m{load[3], load[4], load[5]};
  for (int j = 0; j < 3; j++) P[j] = A[j] + xi * (B[j] - A[j]);
  Vec3 M = Cross(P, f);
  for (int j = 0; j < 3; j++) M[j] += m[j];
  return {name, planar, 2,
          [=](TestModel& t, const Mat3& Q) {
            Member(t, Q, type, A, B);
            const Vec3 p = Apply(Q, P), fq = Apply(Q, f), mq = Apply(Q, m);
            const int aux = t.AddPoint(p[0], p[1], p[2]);
            t.intPointLoads.push_back({{1, aux}, {fq[0], fq[1], fq[2], mq[0], mq[1], mq[2]}});
          },
          PointVector, true, f, M};
}

Case GravityCase(const std::string& name, int type, bool planar, std::vector<Vec3> x, double volume, Vec3 centroid,
                 Vec3 g, double rho = 2.5) {
  Vec3 F, M;
  for (int j = 0; j < 3; j++) F[j] = rho * volume * g[j];
  M = Cross(centroid, F);
  return {name, planar, static_cast<int>(x.size()),
          [=](TestModel& t, const Mat3& Q) {
            AddElementFrom(t, Q, x, type);
            t.gravity = Apply(Q, g);
          },
          GravityVec, true, F, M, type == 24 ? 3 : (type == 8 ? 1 : 2)};
}

// Edge load on a continuum or beam element (any direction kind); resultant optional.
Case ContinuumEdgeCase(const std::string& name, int type, bool planar, std::vector<Vec3> x, int face, int edge,
                       char kind, int code, std::vector<double> q, Vec3 v, bool resultant, Vec3 F = {}, Vec3 M = {},
                       int force = 1) {
  return {name, planar, static_cast<int>(x.size()),
          [=](TestModel& t, const Mat3& Q) {
            AddElementFrom(t, Q, x, type);
            AuxRotated(t, Q, v);
            t.AddEdgeLoad(1, edge, kind, code, force, q, face);
          },
          EdgeVector, resultant, F, M, force == 1 ? 1 : 0};
}

std::vector<Case> Cases() {
  std::vector<Case> cs;
  const Vec3 A2{0, 1, 2}, B2{0, 3, -1};  // in the x2-x3 plane
  const Vec3 A3{1, 2, 3}, B3{2, -1, 4.5};
  // members: edge loads
  cs.push_back(MemberEdgeCase("truss 2-D edge", 1, true, A2, B2, {0, 0.6, 0.8}, 2, 5, false));
  cs.push_back(MemberEdgeCase("truss 3-D edge", 2, false, A3, B3, {0.3, -0.4, 0.5}, 2, 5, false));
  cs.push_back(MemberEdgeCase("frame 2-D edge force", 3, true, A2, B2, {0, -0.6, 1.2}, -1, 4, false));
  cs.push_back(MemberEdgeCase("frame 2-D edge moment", 3, true, A2, B2, {-1, 0, 0}, 3, -2, true));
  cs.push_back(MemberEdgeCase("frame 3-D edge force", 4, false, A3, B3, {0.3, -0.4, 0.5}, 2, -5, false));
  cs.push_back(MemberEdgeCase("frame 3-D edge moment", 4, false, A3, B3, {0.3, -0.4, 0.5}, 2, -5, true));
  cs.push_back(MemberEdgeCase("Timoshenko beam edge force", 8, false, A3, B3, {0.3, -0.4, 0.5}, 2, -5, false));
  cs.push_back(MemberEdgeCase("Timoshenko beam edge moment", 8, false, A3, B3, {0.3, -0.4, 0.5}, 2, -5, true));
  {
    // Local-axis loads of the 2-D members turn with the member.
    Case c = MemberEdgeCase("frame 2-D edge, local axis 2", 3, true, A2, B2, {0, 0, 0}, 2, 1, false);
    c.build = [=](TestModel& t, const Mat3& Q) {
      Member(t, Q, 3, A2, B2);
      t.AddEdgeLoad(1, 0, 'B', 2, 1, {2, 1});
    };
    c.resultant = false;
    cs.push_back(c);
  }
  // members: internal point loads
  cs.push_back(MemberPointCase("truss 2-D point", 1, true, A2, B2, 0.3, {0, 2, -3, 0, 0, 0}));
  cs.push_back(MemberPointCase("truss 3-D point", 2, false, A3, B3, 0.3, {1, 2, -3, 0, 0, 0}));
  cs.push_back(MemberPointCase("frame 2-D point", 3, true, A2, B2, 0.7, {0, 2, -3, 1.5, 0, 0}));
  cs.push_back(MemberPointCase("frame 3-D point", 4, false, A3, B3, 0.7, {1, 2, -3, 1.5, -0.5, 2}));
  // continuum edges
  const std::vector<Vec3> quad{{0, 0, 0}, {0, 3, 0.5}, {0, 2.5, 2}, {0, 0.5, 1.5}};
  const std::vector<Vec3> quad8{{0, 0, 0}, {0, 1.5, 0}, {0, 3, 0},   {0, 3, 1},
                                {0, 3, 2}, {0, 1.5, 2}, {0, 0, 2},   {0, 0, 1}};
  for (int type : {10, 13}) {
    const std::string tn = type == 10 ? "plane stress" : "plane strain";
    const Vec3 v{0, 0.6, -0.8};
    auto [F, M] = LineResultant(quad[1], quad[2], 2, 5, v, false);
    cs.push_back(ContinuumEdgeCase(tn + " edge 2, auxiliary vector", type, true, quad, 0, 2, 'S', 1, {2, 5}, v, true,
                                   F, M));
    for (int edge = 1; edge <= 4; edge++)
      for (int code : {1, 3})
        cs.push_back(ContinuumEdgeCase(tn + " edge " + std::to_string(edge) + " code " + std::to_string(code), type,
                                       true, quad, 0, edge, 'E', code, {1, 3}, v, false));
    // 3-node edge 3 (nodes 7, 6, 5) with three values: Simpson's rule is exact.
    auto [F3, M3] = LineResultant(quad8[6], quad8[4], 1, 1, v, false);
    cs.push_back(ContinuumEdgeCase(tn + " 8-node edge", type, true, quad8, 0, 3, 'S', 1, {1.0}, v, true, F3, M3));
  }
  const std::vector<Vec3> hexa{{0, 0, 0},       {2, 0.2, 0},   {2.2, 1.8, 0.1}, {-0.1, 1.5, 0},
                               {0.1, 0.1, 1.2}, {1.9, 0, 1.0}, {2.1, 2, 1.3},   {0, 1.6, 1.1}};
  {
    const Vec3 v{0.3, -0.4, 0.5};
    auto [F, M] = LineResultant(hexa[1], hexa[5], 2, -1, v, false);
    cs.push_back(ContinuumEdgeCase("solid edge 6, auxiliary vector", 24, false, hexa, 3, 6, 'S', 1, {2, -1}, v, true,
                                   F, M));
    const int faceEdge[][2] = {{1, 1}, {1, 4}, {2, 9}, {3, 10}, {4, 11}, {5, 12}, {6, 10}, {5, 8}};
    for (auto& fe : faceEdge)
      for (int code : {1, 2, 3})
        cs.push_back(ContinuumEdgeCase("solid face " + std::to_string(fe[0]) + " edge " + std::to_string(fe[1]) +
                                           " code " + std::to_string(code),
                                       24, false, hexa, fe[0], fe[1], 'E', code, {1.5}, v, false));
  }
  {
    // 3-node Timoshenko beam, curved: rotation only; straight: Simpson is exact.
    const Vec3 v{0.3, -0.4, 0.5};
    cs.push_back(ContinuumEdgeCase("curved Timoshenko beam", 8, false, {{0, 0, 0}, {1, 0.3, 0.1}, {2, 0, 0.5}}, 0, 0,
                                   'S', 1, {1, 2, 4}, v, false));
    cs.push_back(ContinuumEdgeCase("curved Timoshenko beam, moment", 8, false, {{0, 0, 0}, {1, 0.3, 0.1}, {2, 0, 0.5}},
                                   0, 0, 'S', 1, {1, 2, 4}, v, false, {}, {}, 2));
  }
  // gravity
  const Vec3 g{0.4, -1.0, -9.0}, gp{0.0, -1.0, -9.0};
  cs.push_back(GravityCase("plane stress gravity", 10, true, {{0, 0, 0}, {0, 3, 0}, {0, 2, 2}, {0, 1, 2}}, 4.0 * 0.3,
                           {0, 1.5, 5.0 / 6.0}, gp));
  cs.push_back(GravityCase("plane strain gravity", 13, true, {{0, 0, 0}, {0, 3, 0}, {0, 2, 2}, {0, 1, 2}}, 4.0,
                           {0, 1.5, 5.0 / 6.0}, gp));
  cs.push_back(GravityCase("solid gravity, frustum", 24, false,
                           {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0},
                            {-0.5, -0.5, 1}, {0.5, -0.5, 1}, {0.5, 0.5, 1}, {-0.5, 0.5, 1}},
                           7.0 / 3.0, {0, 0, 11.0 / 28.0}, g));
  {
    std::vector<Vec3> box20;
    const double c[20][3] = {{-1, -1, -1}, {0, -1, -1}, {1, -1, -1}, {1, 0, -1}, {1, 1, -1}, {0, 1, -1}, {-1, 1, -1},
                             {-1, 0, -1},  {-1, -1, 0}, {1, -1, 0},  {1, 1, 0},  {-1, 1, 0}, {-1, -1, 1}, {0, -1, 1},
                             {1, -1, 1},   {1, 0, 1},   {1, 1, 1},   {0, 1, 1},  {-1, 1, 1}, {-1, 0, 1}};
    for (auto& p : c) box20.push_back({2.0 + p[0], 1.0 + 0.5 * p[1], 0.75 * p[2]});
    cs.push_back(GravityCase("solid gravity, 20 nodes", 24, false, box20, 2.0 * 1.0 * 1.5, {2.0, 1.0, 0.0}, g));
  }
  {
    // A uniform temperature rise of a free solid: self-equilibrated nodal forces of E alpha
    // dT over the faces (an area); a uniform pressure on a face of the solid.
    auto solid = [=](TestModel& t, const Mat3& Q) {
      std::vector<int> nodes;
      for (auto& p : hexa) {
        const Vec3 y = Apply(Q, p);
        nodes.push_back(t.AddPoint(y[0], y[1], y[2]));
      }
      const int prop = t.AddProp(24, MAT_LIN_ISO, t.AddLinIso(1e-5, 30000.0, 0.2));
      t.props.back().IntegrationNumber = t.AddIntegUniform(2);
      t.AddElement(nodes, prop);
    };
    cs.push_back({"solid temperature", false, 8,
                  [=](TestModel& t, const Mat3& Q) {
                    solid(t, Q);
                    t.tempVars.push_back({1, 0, {20.0}});
                  },
                  [](TestModel& t, double* Fe) { t.TempVarVector(1, Fe); }, true, Vec3{}, Vec3{}, 2});
    cs.push_back({"solid face pressure", false, 8,
                  [=](TestModel& t, const Mat3& Q) {
                    solid(t, Q);
                    t.faceLoads.push_back({1, 2, 'E', 3, 1, {4.0}});
                  },
                  [](TestModel& t, double* Fe) { t.FaceLoadVector(1, Fe); }, false, Vec3{}, Vec3{}, 2});
  }
  cs.push_back(GravityCase("Timoshenko beam gravity", 8, false, {{1, 2, 3}, {2, -1, 4.5}}, 0.5 * 3.5,
                           {1.5, 0.5, 3.75}, g));
  cs.push_back(GravityCase("3-node Timoshenko beam gravity", 8, false, {{1, 2, 3}, {1.5, 0.5, 3.75}, {2, -1, 4.5}},
                           0.5 * 3.5, {1.5, 0.5, 3.75}, g));
  return cs;
}

TEST(LoadInvariants, NodalLoadsBalanceTheAppliedLoadAndTurnWithTheModel) {
  const Mat3 I = RotAbout(0, 0.0);
  const Mat3 planarQ = RotAbout(0, 0.9);
  const Mat3 spaceQ = Mul(RotAbout(2, 0.7), Mul(RotAbout(1, -1.1), RotAbout(0, 0.4)));
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const int size = 6 * c.n;
    Vec Fe(size), Fr(size);
    TestModel t0;
    c.build(t0, I);
    t0.Build();
    c.compute(t0, Fe);
    const double scale = std::max(1.0, maxabsd1(Fe, size));
    if (c.resultant) {
      const Vec3 F = ForceSum(Fe, c.n), M = MomentSum(Fe, c.n, t0.mesh.PointCoord);
      for (int j = 0; j < 3; j++) {
        EXPECT_NEAR(F[j], c.force[j], 1e-9 * scale) << "force " << j + 1;
        EXPECT_NEAR(M[j], c.moment[j], 1e-9 * scale * 10) << "moment " << j + 1;
      }
    }
    const Mat3& Q = c.planar ? planarQ : spaceQ;
    TestModel t1;
    c.build(t1, Q);
    t1.Build();
    c.compute(t1, Fr);
    for (int a = 0; a < c.n; a++)
      for (int part = 0; part < 2; part++) {
        const int base = 6 * a + 3 * part;
        const Vec3 v{Fe[base + 1], Fe[base + 2], Fe[base + 3]};
        const Vec3 w = Apply(Q, v);
        for (int j = 0; j < 3; j++)
          EXPECT_NEAR(Fr[base + 1 + j], w[j], 1e-9 * scale) << "node " << a + 1 << ", entry " << 3 * part + j + 1;
      }
  }
}

TEST(LoadInvariants, AnElementDrawnInMetresCarriesTheLoadOfTheOneInMillimetres) {
  // A 2 mm solid in metres has det J ~ 1e-9: it is no null element.
  const Mat3 I = RotAbout(0, 0.0);
  const double f = 1e-3;
  for (const Case& c : Cases()) {
    if (c.power < 0) continue;
    SCOPED_TRACE(c.name);
    const int size = 6 * c.n;
    Vec Fe(size), Fs(size);
    for (int scaled = 0; scaled < 2; scaled++) {
      TestModel t;
      c.build(t, I);
      if (scaled == 1)
        for (Vec3& p : t.points)
          for (double& x : p) x *= f;
      t.Build();
      c.compute(t, scaled == 1 ? Fs : Fe);
    }
    const double scale = std::max(1.0, maxabsd1(Fe, size));
    for (int a = 0; a < c.n; a++)
      for (int part = 0; part < 2; part++) {
        const double r = std::pow(f, c.power + part);
        for (int j = 1; j <= 3; j++) {
          const int k = 6 * a + 3 * part + j;
          EXPECT_NEAR(Fs[k] / r, Fe[k], 1e-9 * scale) << "node " << a + 1 << ", entry " << 3 * part + j;
        }
      }
  }
}

}  // namespace
