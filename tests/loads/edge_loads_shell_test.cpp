// Edge loads of the Mindlin slab, the Mindlin shell and the Ahmad shell.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "loads/load_kernel.h"
#include "shell_fixture.h"
#include "support/hand_mesh.h"

namespace {

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
  c.P.IntegrationName = 99;
  EXPECT_EXIT(Edge(h, c, c.Add(1, 'G', 3, 1, {1.0})), testing::ExitedWithCode(1),
              Lit("   -> Specified integration pattern: 99\n\nERROR:\nThe specified integration pattern does not exist.\n"));
  c.P.IntegrationName = 0;
  c.P.IntegrationType = 3;
  EXPECT_EXIT(Edge(h, c, c.Add(1, 'G', 3, 1, {1.0})), testing::ExitedWithCode(1),
              Lit("   -> Specified integration type : _NCOTES\n\nERROR:\n"
                  "The specified integration type is not compatible with specified type of load.\n"));
}
