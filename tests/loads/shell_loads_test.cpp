// Edge and gravity loads of the Mindlin slab, the Mindlin shell and the Ahmad shell.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "loads/loads.h"
#include "support/hand_mesh.h"

namespace {

std::string Lit(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) r += '\\';
    r += c;
  }
  return r;
}

const double kS9[10][2] = {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};
const double kS4[5][2] = {{0, 0}, {-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

// Element of nn nodes on the rectangle [0, a] x [0, b] turned by Q (rows of Q: images
// of the axes as columns), straight sides.
int Rect(HandMesh& h, int nn, double a, double b, const double Q[4][4], int prop) {
  std::vector<int> list;
  for (int k = 1; k <= nn; k++) {
    const double* s = nn == 4 ? kS4[k] : kS9[k];
    const double x[3] = {a * (s[0] + 1) / 2, b * (s[1] + 1) / 2, 0.0};
    double y[3];
    for (int i = 0; i < 3; i++) y[i] = Q[i + 1][1] * x[0] + Q[i + 1][2] * x[1] + Q[i + 1][3] * x[2];
    list.push_back(h.AddPoint(y[0], y[1], y[2]));
  }
  return h.AddElement(list, prop);
}

const double kId[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

void TurnQ(double Q[4][4]) {
  const double a = 0.7, b = 0.4;
  const double Rz[4][4] = {{0, 0, 0, 0}, {0, std::cos(a), -std::sin(a), 0}, {0, std::sin(a), std::cos(a), 0}, {0, 0, 0, 1}};
  const double Rx[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, std::cos(b), -std::sin(b)}, {0, 0, std::sin(b), std::cos(b)}};
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) {
      Q[i][j] = 0.0;
      for (int k = 1; k <= 3; k++) Q[i][j] += Rx[i][k] * Rz[k][j];
    }
}

struct EdgeCase {
  std::vector<EdgeLoad> recs{EdgeLoad{}};
  std::vector<std::vector<double>> vals;
  LoadCaseParameters P{};
  EdgeCase() {
    P.IntegrationType = 1;
    vals.reserve(16);
  }
  int Add(int edge, char kind, int code, int force, const std::vector<double>& v) {
    EdgeLoad r{};
    r.Element = 1;
    r.Edge = edge;
    r.DirKind = kind;
    r.DirCode = code;
    r.ForceKind = static_cast<char>(force);
    vals.push_back(std::vector<double>{0.0});
    vals.back().insert(vals.back().end(), v.begin(), v.end());
    r.ValueCount = static_cast<int>(v.size());
    r.Values = vals.back().data();
    recs.push_back(r);
    return static_cast<int>(recs.size()) - 1;
  }
};

std::vector<double> Edge(HandMesh& h, EdgeCase& c, int rec, int e = 1) {
  const int type = h.props[h.elemProp[e]].ElementType, n = h.nodeCount[e];
  std::vector<double> Fe(6 * n + 1, 0.0);
  const auto& m = h.m;
  switch (type) {
    case 18:
      Calc_Fg_EdgeLoadMindlinSlabQuad(6 * n, rec, e, 3, n, &c.P, &m, Fe.data(), c.recs.data());
      break;
    case 20:
      Calc_Fg_EdgeLoadMindlinShellQuad(6 * n, rec, e, 3, n, Flags(), &c.P, &m, Fe.data(), h.PointTypes(),
                                       c.recs.data());
      break;
    default:
      Calc_Fg_EdgeLoadAhmadShellQuad(6 * n, rec, e, 3, n, Flags(), &c.P, &m, h.ElemPropIndex(), Fe.data(),
                                     h.PointTypes(), c.recs.data(), h.adj);
  }
  return Fe;
}

}  // namespace

TEST(ShellEdgeLoads, SlabForcesAndMoments) {
  HandMesh h;
  const int prop = h.AddProperty(18, MAT_LIN_ISO, h.AddIso(1, 0), GEOM_LAM_THICK, h.AddThickness(0.1));
  Rect(h, 4, 2.0, 3.0, kId, prop);
  h.Build();
  EdgeCase c;
  const int f3 = c.Add(1, 'G', 3, 1, {5.0});        // edge 1: nodes 1, 2, length 2
  const int nn = c.Add(1, 'E', 2, 1, {5.0});        // _NN = x3
  const int lin = c.Add(2, 'G', 3, 1, {0.0, 6.0});  // edge 2: nodes 2, 3, length 3
  const int mom = c.Add(1, 'E', 3, 2, {4.0});       // moment about _NT (+x2 on edge 1)
  const int aux = c.Add(4, 'S', h.AddAux(0, 0, -2.0), 1, {1.0});
  h.Build();
  for (int rec : {f3, nn}) {
    auto F = Edge(h, c, rec);
    EXPECT_NEAR(F[3], 5.0, 1e-14);
    EXPECT_NEAR(F[9], 5.0, 1e-14);
    EXPECT_NEAR(F[15] + F[21], 0.0, 1e-14);
  }
  auto F = Edge(h, c, lin);
  EXPECT_NEAR(F[9], 3.0, 1e-14);
  EXPECT_NEAR(F[15], 6.0, 1e-14);
  F = Edge(h, c, mom);
  EXPECT_NEAR(F[5], 4.0, 1e-14);
  EXPECT_NEAR(F[11], 4.0, 1e-14);
  EXPECT_NEAR(F[4], 0.0, 1e-14);
  F = Edge(h, c, aux);  // edge 4 (nodes 1, 4, length 3), vector of length 2 doubles the load
  EXPECT_NEAR(F[3], -3.0, 1e-14);
  EXPECT_NEAR(F[21], -3.0, 1e-14);
}

TEST(ShellEdgeLoads, ShellEdgeDirectionsOnAFlatElement) {
  HandMesh h;
  const int rule = h.AddIntegration({2, 0, 0});
  const int prop = h.AddProperty(20, MAT_LIN_ISO, h.AddIso(1, 0), GEOM_LAM_THICK, h.AddThickness(0.1));
  Rect(h, 8, 3.0, 2.0, kId, prop);
  h.Build();
  EdgeCase c;
  c.P.IntegrationName = rule;
  // Edge of 3 nodes, length 3, q = 6: 1, 4, 1 times q L / 6.
  const int r1 = c.Add(1, 'G', 3, 1, {6.0});
  auto F = Edge(h, c, r1);
  EXPECT_NEAR(F[3], 3.0, 1e-14);
  EXPECT_NEAR(F[9], 12.0, 1e-14);
  EXPECT_NEAR(F[15], 3.0, 1e-14);
  // _T, _NN, _NT on each edge: resultant direction of the edge load.
  const int edgeNode[5] = {0, 2, 4, 6, 8};  // mid-side node of each edge
  const double tan[5][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}};
  const double nt[5][3] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}};
  for (int edge = 1; edge <= 4; edge++) {
    const int b = 6 * (edgeNode[edge] - 1);
    F = Edge(h, c, c.Add(edge, 'E', 1, 1, {1.0}));
    for (int j = 0; j < 3; j++) EXPECT_NEAR(F[b + j + 1] / F[b + (edge % 2 ? 1 : 2)], tan[edge][j], 1e-14) << edge;
    F = Edge(h, c, c.Add(edge, 'E', 2, 1, {1.0}));
    EXPECT_GT(F[b + 3], 0.0) << edge;
    EXPECT_NEAR(F[b + 1], 0.0, 1e-14);
    F = Edge(h, c, c.Add(edge, 'E', 3, 1, {1.0}));
    for (int j = 0; j < 3; j++) EXPECT_NEAR(F[b + j + 1] / F[b + (edge % 2 ? 2 : 1)], nt[edge][j], 1e-14) << edge;
    EXPECT_GT(F[b + (edge % 2 ? 2 : 1)], 0.0) << edge;
  }
}

TEST(ShellEdgeLoads, MomentsAtCoplanarPointsLandInTheCoplanarAxes) {
  double Q[4][4];
  TurnQ(Q);
  for (int type : {20, 22}) {
    HandMesh h;
    const int prop = h.AddProperty(type, MAT_LIN_ISO, h.AddIso(1, 0), GEOM_LAM_THICK, h.AddThickness(0.1));
    Rect(h, 8, 3.0, 2.0, Q, prop);
    h.Build();  // one element: every point is coplanar
    ASSERT_EQ(h.pointTypes[1], type == 20 ? 'M' : 'A');
    // The coplanar axes of the flat element: rows Q e1 ... up to the triad rule of the
    // normal Q e3; recomputed here from the normal.
    double n3[4] = {0, Q[1][3], Q[2][3], Q[3][3]}, **T;
    allocd2(&T, 3, 3);
    CalcOrthonormalTriad(n3, T);
    EdgeCase c;
    for (int edge : {1, 3}) {
      // Uniform moment along the edge tangent, in global axes Q e1.
      const int r = c.Add(edge, 'E', 1, 2, {2.0});
      auto F = Edge(h, c, r);
      const int mid = edge == 1 ? 2 : 6;
      double m[4] = {0, 0, 0, 0};
      for (int j = 1; j <= 3; j++) m[j] = F[6 * (mid - 1) + 3 + j];
      // Expected: 4 q L / 6 = 4 along the edge tangent (+/- Q e1), expressed in T.
      const double sign = 1.0;  // edges 1 and 3 both run along +s1
      for (int i = 1; i <= 3; i++) {
        double e = 0.0;
        for (int j = 1; j <= 3; j++) e += T[i][j] * 4.0 * sign * Q[j][1];
        EXPECT_NEAR(m[i], e, 1e-13) << type << " edge " << edge << " comp " << i;
      }
      EXPECT_NEAR(m[3], 0.0, 1e-13);
    }
    // General points keep global moments.
    for (int p = 1; p <= h.nPoints(); p++) h.pointTypes[p] = 'G';
    auto F = Edge(h, c, c.Add(3, 'E', 1, 2, {2.0}));
    for (int j = 1; j <= 3; j++) EXPECT_NEAR(F[6 * 5 + 3 + j], 4.0 * Q[j][1], 1e-13);
    freed2(T);
  }
}

TEST(ShellEdgeLoadsDeath, RefusedRecords) {
  HandMesh h;
  const int rule = h.AddIntegration({0, 2, 0});
  const int prop = h.AddProperty(20, MAT_LIN_ISO, h.AddIso(1, 0), GEOM_LAM_THICK, h.AddThickness(0.1));
  const int slab = h.AddProperty(18, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1);
  Rect(h, 8, 3.0, 2.0, kId, prop);
  Rect(h, 4, 3.0, 2.0, kId, slab);
  // Element 3: edge 1 collapsed onto one point.
  const int p = h.AddPoint(0, 0, 0);
  h.AddElement({p, p, h.AddPoint(1, 1, 0), h.AddPoint(0, 1, 0)}, slab);
  h.Build();
  EdgeCase c;
  const std::string head =
      "\nCalculating the edge load contribution to the global load vector:\n   -> Load case: 3\n"
      "   -> Block name: <EDGE_LOAD>\n";
  const int drill = c.Add(1, 'E', 2, 2, {1.0});
  EXPECT_EXIT(Edge(h, c, drill), testing::ExitedWithCode(1),
              Lit(head + "   -> Element: 1\n   -> Element type: _MINDLIN_SHELL_QUAD\n   -> Loaded edge: 1\n"
                         "   -> Type of generalized force: _MOM (Moment)\n   -> Loaded edge point: 1\nERROR:\n"
                         "When a moment is applied to a coplanar point, the drill\ncomponent must be null.\n"));
  const int count2 = c.Add(1, 'G', 3, 1, {1.0, 2.0});
  // Records added inside a death test stay in its child: the counters below count the
  // records of the parent.
  EXPECT_EXIT(Edge(h, c, count2), testing::ExitedWithCode(1),
              Lit("   -> Edge load counter: 2\n   -> Element: 1\n   -> Element type: _MINDLIN_SHELL_QUAD\n"
                  "   -> Number of values: 2\n\nERROR:\nThe number of load values must be 1 or the number of nodes "
                  "of the edge.\n"));
  EXPECT_EXIT(Edge(h, c, c.Add(5, 'G', 3, 1, {1.0})), testing::ExitedWithCode(1),
              Lit("   -> Specified edge: 5\n\nERROR:\nThe specified edge does not exist in the element.\n"));
  EXPECT_EXIT(Edge(h, c, c.Add(1, 'G', 3, 3, {1.0})), testing::ExitedWithCode(1),
              Lit("\nERROR:\nThe specified type of generalized force is not valid.\n"));
  EXPECT_EXIT(Edge(h, c, c.Add(1, 'B', 1, 1, {1.0})), testing::ExitedWithCode(1),
              Lit("\nERROR:\nThe specified direction is not valid for this element.\n"));
  const int x1 = c.Add(1, 'G', 1, 1, {1.0});
  EXPECT_EXIT(Edge(h, c, x1, 2), testing::ExitedWithCode(1),
              Lit("   -> Element: 2\n   -> Element type: _MINDLIN_SLAB_QUAD\n\nERROR:\nThe load has a component "
                  "along a degree of freedom that the\nelement does not have"));
  EXPECT_EXIT(Edge(h, c, c.Add(1, 'G', 3, 1, {1.0}), 3), testing::ExitedWithCode(1),
              Lit(head + "   -> Edge load counter: 4\n   -> Element: 3\n   -> Element type: _MINDLIN_SLAB_QUAD\n\n"
                         "ERROR:\nJacobian norm is null:\nelement geometry and/or mesh connectivity must be changed.\n"));
  c.P.IntegrationName = rule;
  EXPECT_EXIT(Edge(h, c, c.Add(1, 'G', 3, 1, {1.0})), testing::ExitedWithCode(1),
              Lit("   -> Specified integration name: RULE1\n\nERROR:\nIntegration pattern is incomplete.\n"
                  "The parameter _G_S1_k is missing.\n"));
  c.P.IntegrationName = 0;
  c.P.IntegrationType = 3;
  EXPECT_EXIT(Edge(h, c, c.Add(1, 'G', 3, 1, {1.0})), testing::ExitedWithCode(1),
              Lit("   -> Specified integration type : _NCOTES\n\nERROR:\n"
                  "The specified integration type is not compatible with specified type of load.\n"));
}

// ---- gravity ----------------------------------------------------------------------------

namespace {

std::vector<double> Gravity(HandMesh& h, int e, double rho, const double* g, const LoadCaseParameters& P) {
  const int type = h.props[h.elemProp[e]].ElementType, n = h.nodeCount[e], prop = h.elemProp[e];
  std::vector<double> Fe(6 * n + 1, 0.0);
  const auto& m = h.m;
  switch (type) {
    case 18:
      Calc_Fg_GravityLoadMindlinSlabQuad(6 * n, e, 2, n, prop, rho, &P, &m, Fe.data(), g);
      break;
    case 20:
      Calc_Fg_GravityLoadMindlinShellQuad(6 * n, e, 2, n, prop, rho, Flags(), &P, &m, Fe.data(), g);
      break;
    default:
      Calc_Fg_GravityLoadAhmadShellQuad(6 * n, e, 2, n, prop, rho, Flags(), &P, &m, h.ElemPropIndex(), Fe.data(), g,
                                        h.PointTypes(), h.adj);
  }
  return Fe;
}

LoadCaseParameters Gleg(int name = 0) {
  LoadCaseParameters P{};
  P.IntegrationType = 1;
  P.IntegrationName = name;
  return P;
}

}  // namespace

TEST(ShellGravity, SlabRectangleSharesTheWeightEqually) {
  HandMesh h;
  const int prop = h.AddProperty(18, MAT_LIN_ISO, h.AddIso(1, 0), GEOM_LAM_THICK, h.AddThickness(0.2));
  const int e = Rect(h, 4, 2.0, 1.0, kId, prop);
  h.Build();
  const double g[4] = {0, 0, 0, -10.0};
  const auto F = Gravity(h, e, 25.0, g, Gleg());
  for (int k = 0; k < 4; k++)
    for (int j = 1; j <= 6; j++) EXPECT_NEAR(F[6 * k + j], j == 3 ? -25.0 : 0.0, 1e-12);
}

TEST(ShellGravity, TurnedShellsCarryTheSameNodalForces) {
  // rho g times the integral of N_a h over the true area, whatever the orientation; the
  // Ahmad shell integrates the same over its volume.
  double Q[4][4];
  TurnQ(Q);
  HandMesh h;
  const int t1 = h.AddThickness(0.1), t2 = h.AddThickness(0.2), t3 = h.AddThickness(0.3);
  const int pat = h.AddThicknessPattern({t1, t2, t3, t3, t3, t2, t1, t1, t2});
  const int rule = h.AddIntegration({3, 4, 2});
  int e[5];
  for (int type : {20, 22}) {
    const int prop = h.AddProperty(type, MAT_LIN_ISO, h.AddIso(1, 0), GEOM_PATT, pat);
    e[type == 20 ? 1 : 3] = Rect(h, 9, 3.0, 2.0, kId, prop);
    e[type == 20 ? 2 : 4] = Rect(h, 9, 3.0, 2.0, Q, prop);
  }
  h.Build();
  const double g[4] = {0, 1.0, -2.0, -9.81};
  for (int name : {0, rule}) {
    std::vector<double> F[5];
    for (int k = 1; k <= 4; k++) F[k] = Gravity(h, e[k], 7.0, g, Gleg(name));
    double total[4] = {0, 0, 0, 0};
    for (int a = 0; a < 9; a++)
      for (int c = 1; c <= 3; c++) {
        for (int k = 2; k <= 4; k++) EXPECT_NEAR(F[k][6 * a + c], F[1][6 * a + c], 1e-12) << k;
        EXPECT_EQ(F[1][6 * a + c + 3], 0.0);
        total[c] += F[1][6 * a + c];
      }
    // Thickness from 0.1 to 0.3 along x1 on the 3 x 2 rectangle: mean 0.2, volume 1.2.
    for (int c = 1; c <= 3; c++) EXPECT_NEAR(total[c], 7.0 * g[c] * 1.2, 1e-12);
  }
}

TEST(ShellGravityDeath, PatternsJacobiansAndRules) {
  HandMesh h;
  const int half = h.AddIntegration({3, 0, 3}), third = h.AddIntegration({3, 3, 0}), one = h.AddIntegration({1, 1, 1});
  const int th = h.AddThickness(0.1);
  const int slab = h.AddProperty(18, MAT_LIN_ISO, h.AddIso(1, 0), GEOM_LAM_THICK, th);
  const int ahmad = h.AddProperty(22, MAT_LIN_ISO, 1, GEOM_LAM_THICK, th);
  const double M[4][4] = {{0, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  const int eSlab = Rect(h, 4, 2.0, 1.0, kId, slab);
  const int eMirror = Rect(h, 4, 2.0, 1.0, M, slab);
  const int eAhmad = Rect(h, 8, 2.0, 1.0, kId, ahmad);
  h.Build();
  const double g[4] = {0, 0, 0, -1.0};
  const std::string head =
      "\nCalculating the gravity load contribution to the global load vector:\n   -> Load case: 2\n"
      "   -> Block name: <GRAVITY_LOAD>\n";
  EXPECT_EXIT(Gravity(h, eSlab, 1.0, g, Gleg(half)), testing::ExitedWithCode(1),
              Lit(head + "   -> Element: 1\n   -> Element type: _MINDLIN_SLAB_QUAD\n"
                         "   -> Specified integration name: RULE1\n\nERROR:\nIntegration pattern is incomplete.\n"
                         "The parameters _G_S1_k and/or _G_S2_k are missing.\n"));
  EXPECT_EXIT(Gravity(h, eAhmad, 1.0, g, Gleg(third)), testing::ExitedWithCode(1),
              Lit("   -> Element type: _AHMAD_SHELL_QUAD\n   -> Specified integration name: RULE2\n\nERROR:\n"
                  "Integration pattern is incomplete.\nThe parameters _G_S1_k, _G_S2_k and/or _G_S3_k are missing.\n"));
  EXPECT_EXIT(Gravity(h, eMirror, 1.0, g, Gleg()), testing::ExitedWithCode(1),
              Lit(head + "   -> Element: 2\n   -> Element type: _MINDLIN_SLAB_QUAD\n\nERROR:\n"
                         "Jacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed.\n"));
  LoadCaseParameters none{}, lobatto1 = Gleg(one);
  lobatto1.IntegrationType = 2;
  EXPECT_EXIT(Gravity(h, eSlab, 1.0, g, none), testing::ExitedWithCode(1),
              Lit("   -> Specified integration type : _NONE\n\nERROR:\n"
                  "The specified integration type is not compatible with specified type of load.\n"));
  EXPECT_EXIT(Gravity(h, eAhmad, 1.0, g, lobatto1), testing::ExitedWithCode(1),
              Lit("   -> Specified integration type : _GLOB\n   -> Number of integration points: 1\n\nERROR:\n"));
}
