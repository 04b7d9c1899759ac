// Temperature loads. The strongest check is physical: the load of a uniform temperature
// change is the force that holds the free thermal expansion, so K u_free = F for the
// element's own stiffness K (no stress in a body free to expand), and a differential
// temperature bends a free member into the thermal curvature without reactions. Also the
// closed forms of plates, bars and cables, the thermal constants of each material kind,
// embedded cables, the loops and the element temperature variations of a combination.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "load_fixture.h"
#include "model/fileio.h"
#include "support/loaded_mesh.h"
#include "support/testfiles.h"

namespace {

constexpr double kEps = 1e-10;

int AddAt(TestModel& t, const std::vector<Vec3>& x, int prop) {
  std::vector<int> nodes;
  for (const Vec3& p : x) nodes.push_back(t.AddPoint(p[0], p[1], p[2]));
  return t.AddElement(nodes, prop);
}

Vec3 Unit(const Vec3& a) {
  const double l = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
  return {a[0] / l, a[1] / l, a[2] / l};
}
double Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The element's stiffness (element dofs, global axes) and its load vector on those dofs.
struct ElementCheck {
  double** K = nullptr;
  int n = 0;
  const char* mask = nullptr;
  int nNodes = 0;
  ElementCheck(TestModel& t, int e) {
    const int p = t.propIndex[e];
    nNodes = t.mesh.ElemNodeCount[e];
    mask = GetElementTypeInfo(t.mesh.ElemProps[p].ElementType).dofMask;
    Calc_Kg(e, nNodes, p, t.oc, &t.mesh, t.propIndex, &K, t.types, t.adj);
    n = ElemMatSize(t.mesh.ElemProps[p].ElementType, nNodes);
  }
  ~ElementCheck() { freed2(K); }
  // Element dof vector from 6 values per node.
  std::vector<double> Dofs(const std::vector<std::array<double, 6>>& perNode) const {
    std::vector<double> u;
    for (int a = 0; a < nNodes; a++)
      for (int d = 1; d <= 6; d++)
        if (mask[d] == '1') u.push_back(perNode[a][d - 1]);
    return u;
  }
  std::vector<double> Dofs(const double* Fe) const {
    std::vector<std::array<double, 6>> v(nNodes);
    for (int a = 0; a < nNodes; a++)
      for (int d = 0; d < 6; d++) v[a][d] = Fe[6 * a + 1 + d];
    return Dofs(v);
  }
  // max |K u - f| / max |f|.
  double Residual(const std::vector<double>& u, const std::vector<double>& f) const {
    double big = 0.0, r = 0.0;
    for (int i = 1; i <= n; i++) {
      double s = -f[i - 1];
      for (int j = 1; j <= n; j++) s += K[i][j] * u[j - 1];
      r = std::max(r, std::fabs(s));
      big = std::max(big, std::fabs(f[i - 1]));
    }
    EXPECT_GT(big, 0.0);
    return r / big;
  }
  // Solves K u = f with the listed element dofs (0-based) held at zero; returns u and
  // the largest |K u - f| over the held dofs (the reactions) relative to max |f|.
  std::vector<double> Solve(const std::vector<double>& f, const std::vector<int>& held, double* reaction) const {
    std::vector<int> freeDofs;
    for (int i = 0; i < n; i++)
      if (std::find(held.begin(), held.end(), i) == held.end()) freeDofs.push_back(i);
    const int m = static_cast<int>(freeDofs.size());
    double **A, *x, *b;
    allocd2(&A, m, m);
    allocd1(&x, m);
    allocd1(&b, m);
    for (int i = 1; i <= m; i++) {
      b[i] = f[freeDofs[i - 1]];
      for (int j = 1; j <= m; j++) A[i][j] = K[freeDofs[i - 1] + 1][freeDofs[j - 1] + 1];
    }
    EXPECT_TRUE(linsolved2(A, x, b, m));
    std::vector<double> u(n, 0.0);
    for (int i = 1; i <= m; i++) u[freeDofs[i - 1]] = x[i];
    freed1(b);
    freed1(x);
    freed2(A);
    double big = 0.0, r = 0.0;
    for (int i = 0; i < n; i++) big = std::max(big, std::fabs(f[i]));
    for (int i : held) {
      double s = -f[i];
      for (int j = 0; j < n; j++) s += K[i + 1][j + 1] * u[j];
      r = std::max(r, std::fabs(s));
    }
    *reaction = r / big;
    return u;
  }
};

// Translations of every node by the field g(x); rotations 0.
template <typename Field>
std::vector<std::array<double, 6>> NodeField(const TestModel& t, int e, Field g) {
  std::vector<std::array<double, 6>> v;
  for (int a = 1; a <= t.mesh.ElemNodeCount[e]; a++) {
    const double* x = t.mesh.PointCoord[t.mesh.ElemNodes[e][a]];
    const Vec3 u = g(Vec3{x[1], x[2], x[3]});
    v.push_back({u[0], u[1], u[2], 0.0, 0.0, 0.0});
  }
  return v;
}

const double kAlpha = 1.2e-5, kE = 2.0e5, kNu = 0.3, kDT = 40.0;

// A flat quadrilateral tilted in space (4, 8 or 9 nodes): origin o, in-plane axes a, b.
std::vector<Vec3> TiltedQuad(int n, const Vec3& o, const Vec3& a, const Vec3& b) {
  const double s[9][2] = {{0, 0}, {0.5, 0}, {1, 0}, {1, 0.5}, {1, 1}, {0.5, 1}, {0, 1}, {0, 0.5}, {0.5, 0.5}};
  const int order4[4] = {0, 2, 4, 6};
  std::vector<Vec3> x;
  for (int k = 0; k < n; k++) {
    const double* p = n == 4 ? s[order4[k]] : s[k];
    x.push_back({o[0] + p[0] * a[0] + p[1] * b[0], o[1] + p[0] * a[1] + p[1] * b[1], o[2] + p[0] * a[2] + p[1] * b[2]});
  }
  return x;
}

TEST(TempVar, ABodyFreeToExpandIsNotStressed) {
  const Vec3 a{2.0, 0.5, 1.0}, b{-0.3, 1.5, 0.4};  // a tilted shell plane
  struct Case {
    const char* what;
    int type;
    std::vector<Vec3> x;
    double scale;  // the free expansion: scale alpha dT x
  } cases[] = {
      {"plane stress, 8 nodes",
       10,
       {{0, 0, 0}, {0, 1.1, 0.1}, {0, 2, 0}, {0, 2.1, 0.9}, {0, 2.2, 2}, {0, 1, 2.1}, {0, -0.2, 1.8}, {0, 0, 1}},
       1.0},
      {"plane strain (restrained out of plane)",
       13,
       {{0, 0, 0}, {0, 2, 0.3}, {0, 1.8, 1.9}, {0, -0.2, 1.5}},
       1.0 + kNu},
      {"solid, 8 nodes",
       24,
       {{0, 0, 0}, {2, 0, 0.1}, {2.2, 1.8, 0}, {-0.1, 2, 0.2}, {0.1, 0, 2.1}, {2, 0.2, 2}, {2, 2, 2.3}, {0, 1.9, 1.8}},
       1.0},
      {"Mindlin shell, tilted", 20, TiltedQuad(9, {1, 2, 3}, a, b), 1.0},
      {"Ahmad shell, tilted", 22, TiltedQuad(8, {1, 2, 3}, a, b), 1.0},
      {"Timoshenko beam, curved", 8, {{0, 0, 0}, {1, 0.4, 0.2}, {2, 0.3, 0.5}}, 1.0},
      {"cable", 6, {{0, 0, 0}, {1, 2, 0.5}}, 1.0},
      {"cable in the plane", 5, {{0, 0, 0}, {0, 1, 2}}, 1.0},
      {"truss", 2, {{0, 0, 0}, {1, 2, 0.5}}, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestModel t;
    const int mat = t.AddLinIso(kAlpha, kE, kNu);
    // The stiffness and the load integrated with the same 2-point rules.
    const int rule = t.AddIntegUniform(2);
    t.integrationName = rule;
    int prop;
    switch (c.type) {
      case 8:
        prop = t.AddProp(8, MAT_LIN_ISO, mat, kGeomCs3D,
                         t.AddFrame3DValues({0.2, 0.8, 0.8, 1e-3, 2e-3, 3e-3, 0, 0, 0.3, 0.2, 0.4}));
        break;
      case 2:
      case 5:
      case 6: prop = t.AddProp(c.type, MAT_LIN_ISO, mat, kGeomCsArea, t.AddCsArea(0.3)); break;
      case 10:
      case 20:
      case 22: prop = t.AddProp(c.type, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(0.15)); break;
      default: prop = t.AddProp(c.type, MAT_LIN_ISO, mat);
    }
    t.props.back().IntegrationNumber = rule;
    AddAt(t, c.x, prop);
    const int n = static_cast<int>(c.x.size());
    t.tempVars.push_back({1, 0, {kDT}});
    t.tempVars.push_back({1, 0, std::vector<double>(n, kDT)});
    t.Build();
    Vec Fe(6 * n), Fn(6 * n);
    t.TempVarVector(1, Fe);
    t.TempVarVector(2, Fn);
    for (int k = 1; k <= 6 * n; k++) EXPECT_EQ(Fe[k], Fn[k]) << "one value or one per node";
    ElementCheck k(t, 1);
    const double s = c.scale * kAlpha * kDT;
    const auto u = k.Dofs(NodeField(t, 1, [&](const Vec3& x) { return Vec3{s * x[0], s * x[1], s * x[2]}; }));
    EXPECT_LT(k.Residual(u, k.Dofs(Fe)), 1e-10);
  }
}

TEST(TempVar, OrthotropicSolidsAndShellsExpandAlongTheirMaterialAxes) {
  const double a1 = 1e-5, a2 = 3e-5, a3 = 2e-5;
  {
    // Solid: the orthotropic axes are the global axes.
    TestModel t;
    const int mat = t.AddMaterialValues(
        MAT_LIN_ORTHO, {0, a1, a2, a3, 2e5, 1e5, 1.5e5, 4e4, 5e4, 6e4, 0.2, 0.25, 0.3, 0}, "dddddddddddddi");
    const int rule = t.AddIntegUniform(2);
    t.integrationName = rule;
    const int prop = t.AddProp(24, MAT_LIN_ORTHO, mat);
    t.props.back().IntegrationNumber = rule;
    AddAt(
        t,
        {{0, 0, 0}, {2, 0, 0.1}, {2.2, 1.8, 0}, {-0.1, 2, 0.2}, {0.1, 0, 2.1}, {2, 0.2, 2}, {2, 2, 2.3}, {0, 1.9, 1.8}},
        prop);
    t.tempVars.push_back({1, 0, {kDT}});
    t.Build();
    Vec Fe(48);
    t.TempVarVector(1, Fe);
    ElementCheck k(t, 1);
    const auto u = k.Dofs(NodeField(t, 1, [&](const Vec3& x) {
      return Vec3{a1 * kDT * x[0], a2 * kDT * x[1], a3 * kDT * x[2]};
    }));
    EXPECT_LT(k.Residual(u, k.Dofs(Fe)), 1e-10);
  }
  for (double phi : {0.0, 0.5, -1.2}) {
    // A tilted Mindlin shell whose material axis 1 lies in its plane at angle phi from the
    // element's axis L1 = e3 x normal.
    const Vec3 a{2.0, 0.5, 1.0}, b{-0.3, 1.5, 0.4};
    const Vec3 nrm = Unit(Cross(a, b)), L1 = Unit(Cross({0, 0, 1}, nrm)), L2 = Cross(nrm, L1);
    Vec3 m1, m2;
    for (int j = 0; j < 3; j++) {
      m1[j] = std::cos(phi) * L1[j] + std::sin(phi) * L2[j];
      m2[j] = -std::sin(phi) * L1[j] + std::cos(phi) * L2[j];
    }
    TestModel t;
    const int v1 = t.AddAux(m1[0], m1[1], m1[2]), v2 = t.AddAux(m2[0], m2[1], m2[2]);
    const int v3 = t.AddAux(nrm[0], nrm[1], nrm[2]);
    t.coordSys.push_back({v1, v2, v3});
    const int mat = t.AddMaterialValues(
        MAT_LIN_ORTHO, {0, a1, a2, a3, 2e5, 1e5, 1.5e5, 4e4, 5e4, 6e4, 0.2, 0.25, 0.3, 1}, "dddddddddddddi");
    const int rule = t.AddIntegUniform(2);
    t.integrationName = rule;
    const int prop = t.AddProp(20, MAT_LIN_ORTHO, mat, kGeomLamThick, t.AddLamThick(0.1));
    t.props.back().IntegrationNumber = rule;
    const Vec3 o{1, 2, 3};
    AddAt(t, TiltedQuad(4, o, a, b), prop);
    t.tempVars.push_back({1, 0, {kDT}});
    t.Build();
    Vec Fe(24);
    t.TempVarVector(1, Fe);
    ElementCheck k(t, 1);
    const auto u = k.Dofs(NodeField(t, 1, [&](const Vec3& x) {
      const Vec3 r{x[0] - o[0], x[1] - o[1], x[2] - o[2]};
      const double e1 = a1 * kDT * Dot(r, m1), e2 = a2 * kDT * Dot(r, m2);
      return Vec3{e1 * m1[0] + e2 * m2[0], e1 * m1[1] + e2 * m2[1], e1 * m1[2] + e2 * m2[2]};
    }));
    EXPECT_LT(k.Residual(u, k.Dofs(Fe)), 1e-10) << "phi " << phi;
  }
}

TEST(TempVar, ClosedFormsOfPlatesBarsAndCables) {
  // Rectangle 3 (x2) x 2 (x3), thickness 0.5, 2 x 2 rule: every node E alpha dT t b / (2(1 - nu))
  // along x2 and E alpha dT t a / (2(1 - nu)) along x3, away from the centre.
  for (int type : {10, 13}) {
    TestModel t;
    const int mat = t.AddLinIso(kAlpha, kE, kNu);
    const int prop = type == 10 ? t.AddProp(10, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(0.5))
                                : t.AddProp(13, MAT_LIN_ISO, mat);
    AddAt(t, {{0, 0, 0}, {0, 3, 0}, {0, 3, 2}, {0, 0, 2}}, prop);
    t.integrationName = t.AddInteg(2, 2, 0);
    t.tempVars.push_back({1, 0, {kDT}});
    t.Build();
    Vec Fe(24);
    t.TempVarVector(1, Fe);
    const double sigma = type == 10 ? kE * kAlpha * kDT / (1 - kNu) * 0.5 : kE * kAlpha * kDT / (1 - 2 * kNu);
    const double sx[4] = {-1, 1, 1, -1}, sy[4] = {-1, -1, 1, 1};
    for (int a = 0; a < 4; a++) {
      EXPECT_NEAR(Fe[6 * a + 2], sx[a] * sigma * 2 / 2, 1e-9);
      EXPECT_NEAR(Fe[6 * a + 3], sy[a] * sigma * 3 / 2, 1e-9);
      for (int d : {1, 4, 5, 6}) EXPECT_EQ(Fe[6 * a + d], 0.0);
    }
  }
  // Straight members along x1 with uniform dT: node 1 -E alpha dT A, node 2 +E alpha dT A,
  // whatever the rule. The "_NLMM201" cable takes the modulus of its elastic branch,
  // 400 / 0.002.
  struct Member {
    const char* what;
    int type;
    int kind;
    std::vector<double> values;
    double E;
  } members[] = {
      {"Timoshenko beam", 8, MAT_LIN_ISO, {0, kAlpha, kE, kNu}, kE},
      {"cable, linear", 6, MAT_LIN_ISO, {0, kAlpha, kE, kNu}, kE},
      {"cable, _NLMM201", 6, MAT_NLMM201, {0, kAlpha, 0.002, 400, 0, 0, 0, 0, 0}, 2e5},
      {"cable, _NLMM202", 6, MAT_NLMM202, {0, kAlpha, 1.5e5, 0, 0, 0, 0, 0, 0, 0}, 1.5e5},
  };
  for (const Member& m : members)
    for (int rule : {1, 2, 5}) {
      SCOPED_TRACE(m.what);
      TestModel t;
      const int mat = t.AddMaterialValues(m.kind, m.values);
      const int prop = m.type == 8 ? t.AddProp(8, m.kind, mat, kGeomCs3D, t.AddFrame3D(0.3, 0.7))
                                   : t.AddProp(m.type, m.kind, mat, kGeomCsArea, t.AddCsArea(0.3));
      AddAt(t, {{1, 2, 3}, {3.5, 2, 3}}, prop);
      t.integrationName = t.AddInteg(rule, 0, 0);
      t.tempVars.push_back({1, 0, {kDT}});
      t.Build();
      Vec Fe(12);
      t.TempVarVector(1, Fe);
      const double N = m.E * kAlpha * kDT * 0.3;
      const double expected[13] = {0, -N, 0, 0, 0, 0, 0, N, 0, 0, 0, 0, 0};
      for (int k = 1; k <= 12; k++) EXPECT_NEAR(Fe[k], expected[k], 1e-9 * N) << "entry " << k;
    }
  {
    // A cable of the x2-x3 plane loads components 2 and 3 only; nodal areas vary.
    TestModel t;
    const int mat = t.AddLinIso(kAlpha, kE, kNu);
    t.geomPatterns.push_back({GEOM_CS_AREA, {t.AddCsArea(0.2), t.AddCsArea(0.4)}});
    AddAt(t, {{0, 0, 0}, {0, 3, 4}}, t.AddProp(5, MAT_LIN_ISO, mat, kGeomPatt, 1));
    t.tempVars.push_back({1, 0, {kDT}});
    t.Build();
    Vec Fe(12);
    t.TempVarVector(1, Fe);
    const double N = kE * kAlpha * kDT * 0.3;  // the mean area
    const double expected[13] = {0, 0, -0.6 * N, -0.8 * N, 0, 0, 0, 0, 0.6 * N, 0.8 * N, 0, 0, 0};
    for (int k = 1; k <= 12; k++) EXPECT_NEAR(Fe[k], expected[k], 1e-9 * N) << "entry " << k;
  }
}

// Solves the single element fixed at the dofs `held` under its differential-temperature
// load; returns the element dofs u and checks that no reaction arises.
std::vector<double> FreeBending(TestModel& t, const std::vector<int>& held) {
  const int n = t.mesh.ElemNodeCount[1];
  Vec Fe(6 * n);
  t.DiffTempVarVector(1, Fe);
  ElementCheck k(t, 1);
  double reaction;
  const std::vector<double> u = k.Solve(k.Dofs(Fe), held, &reaction);
  EXPECT_LT(reaction, 1e-9) << "a member free to bend needs no reaction";
  return u;
}

// An "_NLMM201" elastic branch that ends at strain 0 gives no modulus: the load is refused.
TEST(TempVar, SteelLawWithoutElasticModulusIsRefused) {
  TestModel t;
  const int mat = t.AddMaterialValues(MAT_NLMM201, {0, kAlpha, 0.0, 400, 0, 0, 0, 0, 0});
  AddAt(t, {{1, 2, 3}, {3.5, 2, 3}}, t.AddProp(6, MAT_NLMM201, mat, kGeomCsArea, t.AddCsArea(0.3)));
  t.tempVars.push_back({1, 0, {kDT}});
  t.Build();
  Vec Fe(12);
  EXPECT_EXIT(t.TempVarVector(1, Fe), testing::ExitedWithCode(1),
              "The strain at the end of the elastic branch of the material is null");
}

TEST(DiffTempVar, FreeMembersTakeTheThermalCurvature) {
  const double L = 2.5, h = 0.4;
  const double kappa = kAlpha * kDT / h;
  {
    // A 3-node Timoshenko cantilever along x1, fixed at node 1: tip rotation alpha dT L / h
    // and deflection alpha dT L^2 / (2 h), for a temperature rising along local axis 2
    // or 3 (the section turned by 0.3 about the axis).
    for (int dir : {2, 3}) {
      TestModel t;
      const int mat = t.AddLinIso(kAlpha, kE, kNu);
      const double ang = 0.3;
      const int sec = t.AddFrame3DValues({0.2, 0.8, 0.8, 1e-3, 2e-3, 3e-3, 0, 0, h, h, ang});
      AddAt(t, {{0, 0, 0}, {L / 2, 0, 0}, {L, 0, 0}}, t.AddProp(8, MAT_LIN_ISO, mat, kGeomCs3D, sec));
      t.diffTempVars.push_back({1, dir, {kDT}});
      t.Build();
      const std::vector<double> u = FreeBending(t, {0, 1, 2, 3, 4, 5});
      // Local axis 2 (or 3) of the section turned by ang about x1.
      const Vec3 l2{0, std::cos(ang), std::sin(ang)}, l3{0, -std::sin(ang), std::cos(ang)};
      const Vec3 bendsAlong = dir == 2 ? l2 : l3;
      const Vec3 tipU{u[12], u[13], u[14]}, tipR{u[15], u[16], u[17]};
      EXPECT_NEAR(std::fabs(Dot(tipU, bendsAlong)), kappa * L * L / 2, 1e-9 * kappa * L * L);
      EXPECT_NEAR(std::fabs(Dot(tipR, Cross({1, 0, 0}, bendsAlong))), kappa * L, 1e-9 * kappa * L);
      // The hotter side (along +axis) lengthens: the tip turns away from it.
      EXPECT_LT(Dot(tipU, bendsAlong), 0.0);
    }
  }
  {
    // Frame3D and Timoshenko beam agree on the end moments of a uniform difference.
    for (int dir : {2, 3}) {
      Vec F4(12), F8(12);
      for (int type : {4, 8}) {
        TestModel t;
        const int mat = t.AddLinIso(kAlpha, kE, kNu);
        const int sec = t.AddFrame3DValues({0.2, 0.8, 0.8, 1e-3, 2e-3, 3e-3, 0, 0, h, 0.7 * h, 0.4});
        AddAt(t, {{1, 1, 0}, {2, 3, 1}}, t.AddProp(type, MAT_LIN_ISO, mat, kGeomCs3D, sec));
        t.diffTempVars.push_back({1, dir, {kDT}});
        t.Build();
        t.DiffTempVarVector(1, type == 4 ? F4.v : F8.v);
      }
      double scale = 0.0;
      for (int k = 1; k <= 12; k++) scale = std::max(scale, std::fabs(F4[k]));
      EXPECT_GT(scale, 0.0);
      for (int k = 1; k <= 12; k++) EXPECT_NEAR(F8[k], F4[k], 1e-9 * scale) << "direction " << dir << ", entry " << k;
    }
  }
  // A 9-node slab (x1-x2), Mindlin shell and Ahmad shell held at node 1 only: the plate
  // takes the dome w = kappa (x^2 + y^2) / 2 (up to the sign convention), stress free.
  for (int type : {18, 20, 22}) {
    SCOPED_TRACE(type);
    TestModel t;
    const int mat = t.AddLinIso(kAlpha, kE, kNu);
    const int rule = t.AddIntegUniform(3);
    t.integrationName = rule;
    const int prop = t.AddProp(type, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(h));
    t.props.back().IntegrationNumber = rule;
    AddAt(t, TiltedQuad(9, {0, 0, 0}, {L, 0, 0}, {0, 1.5, 0}), prop);
    t.diffTempVars.push_back({1, 0, {kDT}});
    t.Build();
    // Node 1 holds the plate; the shells' membrane and drill dofs (unloaded, without
    // bending stiffness) are held everywhere.
    const int per = type == 18 ? 3 : 6;
    std::vector<int> held;
    for (int d = 0; d < per; d++) held.push_back(d);
    if (type != 18)
      for (int a = 2; a <= 9; a++)
        for (int d : {0, 1, 5}) held.push_back(6 * (a - 1) + d);
    const std::vector<double> u = FreeBending(t, held);
    const int w = type == 18 ? 0 : 2;  // the deflection among the node's dofs
    auto dome = [&](int a) {
      const double* x = t.mesh.PointCoord[t.mesh.ElemNodes[1][a]];
      return kappa * (x[1] * x[1] + x[2] * x[2]) / 2;
    };
    const double sign = u[per * 4 + w] / dome(5);
    EXPECT_NEAR(std::fabs(sign), 1.0, 1e-9);
    for (int a = 1; a <= 9; a++) EXPECT_NEAR(u[per * (a - 1) + w], sign * dome(a), 1e-9 * kappa) << "node " << a;
  }
}

// ---- refusals ----------------------------------------------------------------------------

const std::string kTempContext =
    "\nCalculating the thermal load contribution to the global load vector:\n   -> Load case: 1\n"
    "   -> Block name: <TEMPERATURE_VARIATION>\n   -> Temp. var. counter: 1\n   -> Element: 1\n";
const char* const kNoThermalLaw =
    "The thermal expansion of the material type of the element\nis not defined for this type of element:\n"
    "the temperature load cannot be applied.";

TEST(TempVarDeathTest, MaterialsWithoutAThermalLawAndBadRecords) {
  struct Case {
    int type;
    int kind;
    std::vector<Vec3> x;
    const char* type_kw;
    const char* kind_kw;
  } cases[] = {
      {10, MAT_LIN_ORTHO, {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}}, "_PLANE_STRESS_QUAD", "_LIN_ORTHO"},
      {22, MAT_LIN_ORTHO, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, "_AHMAD_SHELL_QUAD", "_LIN_ORTHO"},
      {8, MAT_FIB_MESH, {{0, 0, 0}, {1, 0, 0}}, "_TIMOSHENKO_BEAM_3D", "_FIB_MESH"},
      {6, MAT_NLMM301, {{0, 0, 0}, {1, 0, 0}}, "_CABLE_3D", "_NLMM301"},
  };
  for (const Case& c : cases) {
    TestModel t;
    const int mat = t.AddMaterialValues(c.kind, {0, kAlpha, kE, kNu, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    AddAt(t, c.x, t.AddProp(c.type, c.kind, mat, kGeomLamThick, t.AddLamThick(0.1)));
    t.tempVars.push_back({1, 0, {kDT}});
    t.Build();
    Vec Fe(6 * static_cast<int>(c.x.size()));
    EXPECT_EXIT(t.TempVarVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(kTempContext + "   -> Element type: " + c.type_kw + "\n   -> Material type: " + c.kind_kw +
                         "\n\nERROR:\n" + kNoThermalLaw + "\n\n"))
        << c.type_kw;
  }
  {
    TestModel t;
    AddAt(t, {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}}, t.AddProp(13, MAT_LIN_ISO, t.AddLinIso(kAlpha, kE, kNu)));
    t.tempVars.push_back({1, 0, {1.0, 2.0}});
    t.Build();
    Vec Fe(24);
    EXPECT_EXIT(t.TempVarVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(kTempContext +
                         "   -> Element type: _PLANE_STRAIN_QUAD\n   -> Number of values: 2\n\nERROR:\n"
                         "The temperature variation must give one value,\nor one value per node of the element.\n\n"));
  }
  {
    TestModel t;
    AddAt(t, {{0, 0, 0}, {1, 0, 0}},
          t.AddProp(8, MAT_LIN_ISO, t.AddLinIso(kAlpha, kE, kNu), kGeomCs3D,
                    t.AddFrame3DValues({1, 1, 1, 1, 1, 1, 0, 0, 0.3, 0.0, 0})));
    t.diffTempVars.push_back({1, 1, {kDT}});
    t.diffTempVars.push_back({1, 3, {kDT}});
    t.Build();
    Vec Fe(12);
    const std::string ctx =
        "\nCalculating the thermal load contribution to the global load vector:\n   -> Load case: 1\n"
        "   -> Block name: <DIFFERENTIAL_TEMPERATURE_VARIATION>\n   -> Diff. temp. var. counter: ";
    EXPECT_EXIT(
        t.DiffTempVarVector(1, Fe), testing::ExitedWithCode(1),
        StderrIs(ctx + "1\n   -> Element: 1\n   -> Element type: _TIMOSHENKO_BEAM_3D\n   -> Direction: 1\n\nERROR:\n"
                       "The direction of a differential temperature variation\nmust be 2 or 3 (a local axis of the "
                       "section).\n\n"));
    EXPECT_EXIT(t.DiffTempVarVector(2, Fe), testing::ExitedWithCode(1),
                Lit("   -> Section depth: 0\n\nERROR:\nThe section depth must be positive for a differential "
                    "temperature variation.\n"));
  }
  {
    // A load case whose pattern lacks _G_S3_k on an Ahmad shell.
    TestModel t;
    AddAt(t, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
          t.AddProp(22, MAT_LIN_ISO, t.AddLinIso(kAlpha, kE, kNu), kGeomLamThick, t.AddLamThick(0.1)));
    t.integrationName = t.AddInteg(2, 2, 0);
    t.tempVars.push_back({1, 0, {kDT}});
    t.Build();
    Vec Fe(24);
    EXPECT_EXIT(t.TempVarVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(kTempContext +
                         "   -> Element type: _AHMAD_SHELL_QUAD\n   -> Specified integration name: rule1\n\nERROR:\n"
                         "Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k and/or _G_S3_k "
                         "are missing.\n\n"));
  }
}

TEST(TempVarDeathTest, ALoadCaseWithoutARuleIsRefusedRatherThanLoadingNothing) {
  // The rule tables hold only zero weights without an integration type or for Newton-Cotes.
  for (int type : {0, static_cast<int>(kIntNCOTES)}) {
    TestModel t;
    AddAt(t, {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}}, t.AddProp(13, MAT_LIN_ISO, t.AddLinIso(kAlpha, kE, kNu)));
    t.integrationType = type;
    t.tempVars.push_back({1, 0, {kDT}});
    t.Build();
    Vec Fe(24);
    EXPECT_EXIT(t.TempVarVector(1, Fe), testing::ExitedWithCode(1),
                StderrIs(kTempContext + "   -> Element type: _PLANE_STRAIN_QUAD\n   -> Specified integration type : " +
                         (type == 0 ? "_NONE" : "_NCOTES") +
                         "\n\nERROR:\nThe specified integration type is not compatible with specified type of load.\n\n"));
  }
}

// ---- loops ----------------------------------------------------------------------------------

TEST(TempVarLoop, EmbeddedCablesLoadTheirMotherElement) {
  // A straight cable along x1 at mid-height through a 2 x 1 x 1 hexahedron: its thermal
  // force E A alpha dT pushes the x1 = 2 face out and the x1 = 0 face in. The cable keeps
  // its own 3-point rule whatever the load case's rule.
  for (int caseRule : {1, 4}) {
    for (bool nonlinear : {false, true}) {
      TestModel t;
      const int solidMat = t.AddLinIso(0, 1000, 0.2);
      const int cableMat = nonlinear ? t.AddMaterialValues(MAT_NLMM201, {0, kAlpha, 0.002, 400, 0, 0, 0, 0, 0})
                                     : t.AddLinIso(kAlpha, kE, kNu);
      AddAt(t, {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 1}, {2, 1, 1}, {0, 1, 1}},
            t.AddProp(24, MAT_LIN_ISO, solidMat));
      const int cableRule = t.AddInteg(3, 0, 0);
      const int cprop = t.AddProp(32, nonlinear ? MAT_NLMM201 : MAT_LIN_ISO, cableMat, kGeomCsArea, t.AddCsArea(0.05));
      t.props.back().IntegrationNumber = cableRule;
      AddAt(t, {{0, 0.3, 0.6}, {2, 0.3, 0.6}}, cprop);
      t.integrationName = t.AddInteg(caseRule, 0, 0);
      t.locateMothers = true;
      t.dofs = std::vector<std::string>(10, "FFF000");
      t.tempVars.push_back({2, 0, {kDT}});
      t.Build();
      ASSERT_EQ(t.nMothers, 1);
      Vec F(t.nF), P(t.nP);
      const MainWorkArrays w = t.Work();
      if (nonlinear)
        Calc_F_TempVar_NL(1, 0.0, 0.0, nullptr, t.oc, &t.lc, &t.mesh, nullptr, nullptr, &w, F, P, nullptr);
      else
        t.LoadVector(F, P);
      const double N = (nonlinear ? 2e5 : kE) * kAlpha * kDT * 0.05;
      double pushed = 0.0, total = 0.0;
      for (int a = 1; a <= 8; a++) {
        const double f1 = F[3 * (a - 1) + 1];
        total += f1;
        if (a == 2 || a == 3 || a == 6 || a == 7) pushed += f1;
        EXPECT_NEAR(F[3 * (a - 1) + 2], 0.0, 1e-9 * N);
        EXPECT_NEAR(F[3 * (a - 1) + 3], 0.0, 1e-9 * N);
      }
      EXPECT_NEAR(pushed, N, 1e-9 * N);
      EXPECT_NEAR(total, 0.0, 1e-9 * N);
      for (int k = 25; k <= 30; k++) EXPECT_EQ(F[k], 0.0);  // the cable's own points take nothing
    }
  }
}

TEST(TempVarLoop, InactiveElementsAndTheBehaviourOfEachGroup) {
  TestModel t;
  const int mat = t.AddLinIso(kAlpha, kE, kNu);
  AddAt(t, {{0, 0, 0}, {2, 0, 0}}, t.AddProp(2, MAT_LIN_ISO, mat, kGeomCsArea, t.AddCsArea(0.5)));
  AddAt(t, {{0, 1, 0}, {2, 1, 0}}, 0);  // inactive: its wrong value count is never read
  t.tempVars.push_back({1, 0, {kDT}});
  t.tempVars.push_back({2, 0, {1.0, 2.0, 3.0}});
  t.Build();
  Vec F(t.nF), P(t.nP), G(t.nF), Q(t.nP);
  const MainWorkArrays w = t.Work();
  t.LoadVector(F, P);
  // A linear group in a nonlinear analysis takes the linear routine.
  Calc_F_TempVar_NL(1, 0.5, 1.0, nullptr, t.oc, &t.lc, &t.mesh, nullptr, nullptr, &w, G, Q, nullptr);
  const double N = kE * kAlpha * kDT * 0.5;
  EXPECT_NEAR(F[1], -N, 1e-9 * N);
  EXPECT_NEAR(F[7], N, 1e-9 * N);
  for (int k = 1; k <= t.nF; k++) EXPECT_EQ(G[k], F[k]);
}

TEST(TempVarLoopDeathTest, SlabsTakeNoUniformTemperatureAndNonlinearSolidsAreRefused) {
  {
    TestModel t;
    AddAt(t, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
          t.AddProp(18, MAT_LIN_ISO, t.AddLinIso(kAlpha, kE, kNu), kGeomLamThick, t.AddLamThick(0.1)));
    t.tempVars.push_back({1, 0, {kDT}});
    t.Build();
    Vec F(t.nF), P(t.nP);
    EXPECT_EXIT(t.LoadVector(F, P), testing::ExitedWithCode(1),
                testing::ContainsRegex("<TEMPERATURE_VARIATION>\n   -> Temp. var. counter: 1\n   -> Element: 1\n"
                                   "   -> Element type: _MINDLIN_SLAB_QUAD\n\nERROR:\nThis type of element does not "
                                   "take this type of load.\n"));
  }
  {
    TestModel t;
    AddAt(t, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
          t.AddProp(24, MAT_NLMM125, t.AddMaterialValues(MAT_NLMM125, {0, kAlpha})));
    t.tempVars.push_back({1, 0, {kDT}});
    t.Build();
    Vec F(t.nF), P(t.nP);
    const MainWorkArrays w = t.Work();
    EXPECT_EXIT(
        Calc_F_TempVar_NL(1, 0.0, 0.0, nullptr, t.oc, &t.lc, &t.mesh, nullptr, nullptr, &w, F, P, nullptr),
        testing::ExitedWithCode(1),
        testing::ContainsRegex("   -> Element type: _SOLID_HEXA\n\nERROR:\nA temperature variation cannot be applied "
                               "to a solid element\nwhose nonlinear material model takes no thermal strain.\n"));
  }
}

TEST(DiffTempVarLoop, AFrameCantileverThroughTheLoadVector) {
  // Frame2D members along x2, fixed at point 1: the load vector is the thermal end
  // moments E I alpha dT / h, which cancel at the shared point.
  TestModel t;
  const int mat = t.AddLinIso(kAlpha, kE, kNu);
  const int sec = t.AddFrame2D(0.02, 3e-4, 0.3);
  const int prop = t.AddProp(3, MAT_LIN_ISO, mat, kGeomCs2D, sec);
  t.AddPoint(0, 0, 0);
  t.AddPoint(0, 1, 0);
  t.AddPoint(0, 2, 0);
  t.AddElement({1, 2}, prop);
  t.AddElement({2, 3}, prop);
  t.dofs = {"0PPP00", "0FFF00", "0FFF00"};
  t.diffTempVars.push_back({1, 7, {kDT}});  // the plane member ignores the direction
  t.diffTempVars.push_back({2, 7, {kDT}});
  t.Build();
  Vec F(t.nF), P(t.nP);
  t.LoadVector(F, P);
  const double M = kE * 3e-4 * kAlpha * kDT / 0.3;
  EXPECT_NEAR(P[3], M, 1e-9 * M);
  EXPECT_NEAR(F[3], 0.0, 1e-9 * M);
  EXPECT_NEAR(F[6], -M, 1e-9 * M);
}

// ---- element temperature variation of a combination --------------------------------------

namespace tw = testmodel;

TEST(ElementTempVar, FactoredSumOfTheLoadCasesOfACombination) {
  tw::Model m;
  for (int p = 0; p < 6; p++) tw::AddPoint(m, p, 0, 0);
  tw::AddElement(m, {1, 2});
  tw::AddElement(m, {3, 4});
  tw::AddElement(m, {5, 6});
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0, kAlpha, kE, kNu));
  tw::AddRecord(m, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("a", 1.0));
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 3, 2, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  auto temp = [](int e, std::vector<double> v) { return tw::Rec().I(e).DList(v); };
  tw::LoadCase lc1, lc2, lc3;
  lc1.blocks["<TEMPERATURE_VARIATION>"] = {temp(1, {10.0}), temp(2, {1.0, 3.0}), temp(3, {1.0, 2.0, 3.0})};
  lc2.blocks["<TEMPERATURE_VARIATION>"] = {temp(1, {10.0}), temp(1, {0.0, 4.0})};
  lc3.blocks["<TEMPERATURE_VARIATION>"] = {temp(2, {100.0})};
  m.loadCases = {lc1, lc2, lc3};
  m.combinations.resize(3);
  const std::string job = TestJobName();
  MeshData mesh{};
  ReadMeshOfModel(job, m, &mesh);
  FILE* fp;
  OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
  ReadTag("<VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  MeshData skip{};
  ReadMesh(fp, &skip);
  FreeMesh(&skip);
  const long first = std::ftell(fp);
  // Element 3 is not active; load case 3's factor 9e-9 is below the threshold, 1e-8 is not.
  int* active;
  alloci1(&active, 3);
  active[1] = active[2] = 1;
  active[3] = 0;
  CombinationData comb[4] = {};
  LoadCaseFactor f1[3] = {{0, 0}, {1, 2.0}, {2, -0.5}}, f2[4] = {{0, 0}, {2, 1.0}, {2, 3.0}, {3, 9e-9}},
                 f3[2] = {{0, 0}, {3, 1e-8}};
  comb[1].nFactors = 2;
  comb[1].Factors = f1;
  comb[2].nFactors = 3;
  comb[2].Factors = f2;
  comb[3].nFactors = 1;
  comb[3].Factors = f3;
  double** tv;
  const int lengths[4] = {0, 2, 2, 2};
  allocragd2(&tv, 3, lengths);
  struct Expect {
    int comb;
    double v[4][3];
  } expect[] = {
      {1, {{}, {20 - 5, 20 - 5 - 2}, {2, 6}, {0, 0}}},
      {2, {{}, {30, 30 + 12}, {0, 0}, {0, 0}}},  // load case 2 named twice: the last factor counts
      {3, {{}, {0, 0}, {1e-6, 1e-6}, {0, 0}}},
      {7, {{}, {0, 0}, {1e-6, 1e-6}, {0, 0}}},  // past the last combination: the last one
  };
  for (const Expect& e : expect) {
    filld1(tv[1], 2, 99.0);
    CalcElementTempVar(fp, e.comb, 3, 3, first, &mesh, active, tv, comb);
    for (int el = 1; el <= 3; el++)
      for (int a = 1; a <= 2; a++) EXPECT_NEAR(tv[el][a], e.v[el][a - 1], 1e-12) << e.comb << " " << el << " " << a;
  }
  freeragd2(tv, 3);
  freei1(active);
  CloseFile(fp);
  FreeMesh(&mesh);
  std::remove((job + "_gl.bin").c_str());
}

}  // namespace
