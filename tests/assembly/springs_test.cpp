// Springs on their host elements: host search, the spring terms that reach an element's
// matrix (point springs, line springs along an edge, surface springs over a face), the
// coupling block of a link, and the refusals of the set-up and of the host routines.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "assembly/assembly.h"
#include "history/history.h"
#include "model/material.h"
#include "springs/springs.h"
#include "support/output_flags.h"
#include "topology_fixture.h"

extern bool gSkipLeakCheck;

namespace {

using Matrix = std::vector<std::vector<double>>;

tw::Rec LinearSpring(double k) { return tw::Rec().S("k").D(k); }

tw::Rec LineSpringRec(int elem, int face, int edge, char dirKind, int dir, int dofType,
                      const std::vector<int32_t>& materials, int integType = 1, int pattern = 0, int kind = 1) {
  return tw::Rec().I(0).I(0).I(0).I(elem).I(face).I(edge).C(dirKind).I(dir).C(1).C(dofType).C(integType).C(pattern)
      .C(kind).IList(materials);
}

tw::Rec SurfSpringRec(int elem, int face, char dirKind, int dir, const std::vector<int32_t>& materials,
                      int integType = 1, int pattern = 0) {
  return tw::Rec().I(0).I(0).I(0).I(elem).I(face).C(dirKind).I(dir).C(1).C(integType).C(pattern).C(1).IList(materials);
}

// Spring laws: k, Fp, a and the unloading type; the three-point law with F = 10, 12, 4
// and n = 2; the table law's points.
tw::Rec Law101(double k, double Fp, double a, int unloading = 2) {
  return tw::Rec().S("law").D(k).D(Fp).D(a).I(unloading);
}
tw::Rec Law102(int mapping, double d1, double d2, double d3) {
  return tw::Rec().S("law").I(mapping).D(d1).D(10).D(d2).D(12).D(d3).D(4).D(2);
}
tw::Rec Law103(int mapping, const std::vector<std::pair<double, double>>& points) {
  tw::Rec r = tw::Rec().S("law").I(mapping).I(static_cast<int32_t>(points.size()));
  for (const auto& [x, y] : points) r.D(x).D(y);
  return r;
}

tw::Rec SpringLink(int target, int ref, char dirKind, int dir, int dofType) {
  return tw::Rec().I(0).I(0).I(0).I(target).I(ref).C(dirKind).I(dir).C(dofType).I(SPRMAT_LIN_SPRING).I(1);
}

// One hexahedron [0, L] x [0, 1] x [0, 1], points 1..8 in element node order.
tw::Model Hexa(double L = 1.0) {
  tw::Model m = BaseModel();
  const double xy[4][2] = {{0, 0}, {L, 0}, {L, 1}, {0, 1}};
  for (double z : {0.0, 1.0})
    for (const auto& c : xy) tw::AddPoint(m, c[0], c[1], z);
  tw::AddElement(m, {1, 2, 3, 4, 5, 6, 7, 8});
  AddProperty(m, 1, 1, _SOLID_HEXA);
  return m;
}

// The spring terms of element e: its whole linear matrix less its own stiffness.
Matrix SpringTerms(const Built& b, int e) {
  const Flags oc;
  int n;
  double **K, **K0;
  CalcElemStiffLinear(e, oc, &b.mesh, &b.w, &n, &K);
  Calc_Kg(e, b.mesh.ElemNodeCount[e], b.w.ElemPropIndex[e], oc, &b.mesh, b.w.ElemPropIndex, &K0, b.w.PointTypes,
          b.w.PointElemAdjacency);
  Matrix d(static_cast<size_t>(n + 1), std::vector<double>(static_cast<size_t>(n + 1), 0.0));
  for (int r = 1; r <= n; r++)
    for (int c = 1; c <= n; c++) d[r][c] = K[r][c] - K0[r][c];
  freed2(K);
  freed2(K0);
  return d;
}

// Every term of d is `expected(r, c)` within a relative `tol`.
void ExpectTerms(const Matrix& d, const std::function<double(int, int)>& expected, double scale, double tol = 1e-12) {
  for (size_t r = 1; r < d.size(); r++)
    for (size_t c = 1; c < d.size(); c++)
      EXPECT_NEAR(d[r][c], expected(static_cast<int>(r), static_cast<int>(c)), tol * scale) << r << ", " << c;
}

// The element matrix of element 1 stops the run with a message matching `regex`.
void ExpectElementMatrixStops(const tw::Model& m, const std::string& tag, const char* regex) {
  EXPECT_EXIT(
      {
        gSkipLeakCheck = true;
        Built b(m, 1, tag);
        SpringTerms(b, 1);
      },
      testing::ExitedWithCode(1), regex);
}

}  // namespace

// A point shared by a plane stress quadrilateral (element 1, dofs u2 u3) and a hexahedron
// (element 2): a spring along x3 goes to the first element of the point's list, a spring
// along x1 to the hexahedron only. The auxiliary vector (1, 1, 0) is used as stored: k
// in the upper-left 2 x 2 corner of the node's block.
TEST(SpringHosts, FirstCompatibleElementInAdjacencyOrder) {
  tw::Model m = BaseModel();
  const double xyz[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (const auto& x : xyz) tw::AddPoint(m, x[0], x[1], x[2]);
  tw::AddElement(m, {1, 4, 8, 5});  // the face x1 = 0, counterclockwise in (x2, x3)
  tw::AddElement(m, {1, 2, 3, 4, 5, 6, 7, 8});
  AddProperty(m, 1, 1, _PLANE_STRESS_QUAD);
  AddProperty(m, 2, 2, _SOLID_HEXA);
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", tw::AuxiliaryVector("diagonal", 1.0, 1.0, 0.0));
  tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(7.0));
  tw::AddRecord(m, "<POINT_SPRINGS>", tw::PointSpring(1, 'G', 3, 1, SPRMAT_LIN_SPRING, 1));
  tw::AddRecord(m, "<POINT_SPRINGS>", tw::PointSpring(1, 'G', 1, 1, SPRMAT_LIN_SPRING, 1));
  tw::AddRecord(m, "<POINT_SPRINGS>", tw::PointSpring(2, 'S', 1, 1, SPRMAT_LIN_SPRING, 1));
  Built b(m);
  EXPECT_EQ(b.w.Springs.pointHost[1], 1);
  EXPECT_EQ(b.w.Springs.pointHost[2], 2);
  EXPECT_EQ(b.w.Springs.pointHost[3], 2);
  EXPECT_EQ(b.w.ElemHasPointSpring[1], 1);
  EXPECT_EQ(b.w.ElemHasPointSpring[2], 1);
  // Plane element: the spring along x3 on u3 (its second dof) of node 1.
  ExpectTerms(SpringTerms(b, 1), [](int r, int c) { return r == 2 && c == 2 ? 7.0 : 0.0; }, 7.0);
  // Hexahedron: u1 of node 1; the diagonal spring on u1, u2 of node 2.
  ExpectTerms(SpringTerms(b, 2), [](int r, int c) {
    if (r == 1 && c == 1) return 7.0;
    return r >= 4 && r <= 5 && c >= 4 && c <= 5 ? 7.0 : 0.0;
  }, 7.0);
}

TEST(SpringHostsDeathTest, RotationalSpringOnASlabOnlyPoint) {
  tw::Model m = BaseModel();
  for (const auto& x : std::vector<std::array<double, 2>>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}) tw::AddPoint(m, x[0], x[1], 0);
  tw::AddElement(m, {1, 2, 3, 4});
  AddProperty(m, 1, 1, _MINDLIN_SLAB_QUAD);
  tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(1.0));
  tw::AddRecord(m, "<POINT_SPRINGS>", tw::PointSpring(3, 'G', 3, 2, SPRMAT_LIN_SPRING, 1));
  EXPECT_EXIT((gSkipLeakCheck = true, Built(m)), testing::ExitedWithCode(1),
              "Verifying the <POINT_SPRINGS> block\n   -> Point spring counter: 1\n   -> Point: 3\n\nERROR:\n"
              "Unable to find an adjacent element compatible with the point spring\\.");
}

// A rotational spring normal to two coplanar Mindlin shells has a drill part and is
// refused; at the kink of two shells at 30 degrees it is taken.
TEST(SpringHostsDeathTest, RotationalSpringAtCoplanarAndKinkPoints) {
  auto shells = [](double h) {
    tw::Model m = BaseModel();
    for (const auto& x : std::vector<std::array<double, 3>>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, h},
                                                            {2, 1, h}})
      tw::AddPoint(m, x[0], x[1], x[2]);
    tw::AddElement(m, {1, 2, 3, 4});
    tw::AddElement(m, {2, 5, 6, 3});
    AddProperty(m, 1, 2, _MINDLIN_SHELL_QUAD);
    tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(5.0));
    tw::AddRecord(m, "<POINT_SPRINGS>", tw::PointSpring(2, 'G', 3, 2, SPRMAT_LIN_SPRING, 1));
    return m;
  };
  {
    Built b(shells(std::tan(30.0 * M_PI / 180.0)), 1, "_kink");
    ASSERT_EQ(b.w.PointTypes[2], 'G');
    ExpectTerms(SpringTerms(b, 1), [](int r, int c) { return r == 12 && c == 12 ? 5.0 : 0.0; }, 5.0);
  }
  ExpectElementMatrixStops(
      shells(0.0), "_flat",
      "   -> Block name: <POINT_SPRINGS>\n   -> Point spring counter: 1\n   -> Point number: 2\n\nERROR:\n"
      "When a rotational spring is applied to a coplanar point,\nthe drill component must be null\\.");
}

// A link couples its target and reference points by -k d d^T; a rotational link along
// x3 acts on r3 (dof 6 of each point), not on u3.
TEST(SpringLinks, CouplingBlockActsOnTheLinkedDofs) {
  tw::Model m = BaseModel();
  for (int i = 0; i < 4; i++) tw::AddPoint(m, i, 0, 0);
  tw::AddElement(m, {1, 2});
  tw::AddElement(m, {3, 4});
  AddProperty(m, 1, 2, _FRAME_3D);
  tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(4.0));
  tw::AddRecord(m, "<INTERNAL_POINT_SPRING_LINKS>", SpringLink(2, 3, 'G', 3, 2));
  Built b(m);
  EXPECT_EQ(b.w.Springs.linkTargetHost[1], 1);
  EXPECT_EQ(b.w.Springs.linkRefHost[1], 2);
  EXPECT_EQ(b.w.Springs.linkCouplingElem[1], 2);
  double** K12;
  allocd2(&K12, 12, 12);
  CalcSpringLinkCouplingMat(1, &b.mesh, b.w.ElemPropIndex, b.w.PointTypes, b.w.PointElemAdjacency, nullptr, K12);
  for (int r = 1; r <= 12; r++)
    for (int c = 1; c <= 12; c++)
      EXPECT_EQ(K12[r][c], (r == 6 && c == 12) || (r == 12 && c == 6) ? -4.0 : 0.0) << r << ", " << c;
  freed2(K12);
  // Each host takes k on r3 of its own point.
  ExpectTerms(SpringTerms(b, 1), [](int r, int c) { return r == 12 && c == 12 ? 4.0 : 0.0; }, 4.0);
  ExpectTerms(SpringTerms(b, 2), [](int r, int c) { return r == 6 && c == 6 ? 4.0 : 0.0; }, 4.0);
}

// Edge (0,0,0)-(L,0,0) of a hexahedron (face 1, edge 1) with a spring along x1: the
// consistent pattern kL/3, kL/6 on u1 of nodes 1 and 2 (dofs 1 and 4), nothing else;
// the same from three Gauss-Lobatto points (weights 1/3, 4/3, 1/3, tabulated to eight
// digits), from the reversed direction, and four times it from a direction vector of
// length 2.
TEST(LineSprings, HexaEdgeAlongTheSpring) {
  const double L = 2.5, k = 3.0;
  struct Case {
    const char* what;
    char dirKind;
    int dir, integType, pattern;
    double factor;
  };
  const Case cases[] = {{"_XG1, default rule", 'G', 1, 1, 0, 1.0},
                        {"_XG1, three Gauss-Lobatto points", 'G', 1, 2, 1, 1.0},
                        {"reversed vector", 'S', 1, 1, 0, 1.0},
                        {"vector of length 2", 'S', 2, 1, 0, 4.0},
                        {"edge tangent", 'E', 1, 1, 0, 1.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tw::Model m = Hexa(L);
    tw::AddRecord(m, "<NUMERICAL_INTEGRATION>", tw::NumericalIntegration("three", {0, 0, 3}));
    tw::AddRecord(m, "<AUXILIARY_VECTORS>", tw::AuxiliaryVector("reversed", -1.0, 0.0, 0.0));
    tw::AddRecord(m, "<AUXILIARY_VECTORS>", tw::AuxiliaryVector("long", 2.0, 0.0, 0.0));
    tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(k));
    tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(1, 1, 1, c.dirKind, c.dir, 1, {1}, c.integType, c.pattern));
    Built b(m);
    const double f = c.factor * k * L;
    ExpectTerms(SpringTerms(b, 1), [f](int r, int cc) {
      if ((r == 1 || r == 4) && (cc == 1 || cc == 4)) return r == cc ? f / 3.0 : f / 6.0;
      return 0.0;
    }, f, c.integType == 2 ? 1e-8 : 1e-12);
  }
}

// A unit face with a spring along x3 under the default 3 x 3 rule: k (4, 2, 1) / 36 for
// a node with itself, an edge neighbour and the diagonal node, on u3. Face 1 (reversed
// node list) and face 6 give the same pattern on their own nodes.
TEST(SurfaceSprings, UnitHexaFaceConsistentPattern) {
  const double k = 36.0;
  for (int face : {1, 6}) {
    SCOPED_TRACE("face " + std::to_string(face));
    tw::Model m = Hexa();
    tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(k));
    tw::AddRecord(m, "<SURFACE_SPRINGS>", SurfSpringRec(1, face, 'G', 3, {1}));
    Built b(m);
    const int first = face == 1 ? 1 : 5;  // the face's nodes first..first + 3, in a cycle
    ExpectTerms(SpringTerms(b, 1), [first](int r, int c) {
      if (r % 3 != 0 || c % 3 != 0) return 0.0;
      const int i = r / 3 - first, j = c / 3 - first;
      if (i < 0 || i > 3 || j < 0 || j > 3) return 0.0;
      const int gap = (j - i + 4) % 4;
      return gap == 0 ? 4.0 : gap == 2 ? 1.0 : 2.0;
    }, k);
  }
}

// A slab surface spring acts on the deflection with N_i only: the vector (0, 0, 5) acts
// like (0, 0, 1); "_XG1" is refused.
TEST(SurfaceSprings, SlabTakesTheDeflectionOnly) {
  tw::Model m = BaseModel();
  for (const auto& x : std::vector<std::array<double, 2>>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}) tw::AddPoint(m, x[0], x[1], 0);
  tw::AddElement(m, {1, 2, 3, 4});
  AddProperty(m, 1, 1, _MINDLIN_SLAB_QUAD);
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", tw::AuxiliaryVector("up", 0.0, 0.0, 5.0));
  tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(36.0));
  tw::AddRecord(m, "<SURFACE_SPRINGS>", SurfSpringRec(1, 0, 'S', 1, {1}));
  {
    Built b(m);
    ExpectTerms(SpringTerms(b, 1), [](int r, int c) {
      if ((r - 1) % 3 != 0 || (c - 1) % 3 != 0) return 0.0;
      const int gap = ((c - r) / 3 + 4) % 4;
      return gap == 0 ? 4.0 : gap == 2 ? 1.0 : 2.0;
    }, 36.0);
  }
  m.blocks["<SURFACE_SPRINGS>"] = {SurfSpringRec(1, 0, 'G', 1, {1})};
  ExpectElementMatrixStops(
      m, "_xg1",
      "   -> Element type: _MINDLIN_SLAB_QUAD\n   -> Specified type of direction: _XG1\n\nERROR:\n"
      "The specified type of direction is\nincompatible with the element type\\.");
}

// Field checks at set-up: each a worded stop naming the block and the record.
TEST(SpringSetUpDeathTest, RecordsTheRunCannotTake) {
  struct Case {
    const char* what;
    std::function<void(tw::Model&)> edit;
    const char* stderrRegex;
  };
  const Case cases[] = {
      {"spring law in a linear analysis",
       [](tw::Model& m) {
         tw::AddRecord(m, "<NLSMM101>", Law101(1, 1, 1));
         tw::AddRecord(m, "<POINT_SPRINGS>", tw::PointSpring(2, 'G', 1, 1, SPRMAT_NLSMM101, 1));
       },
       "   -> Block name: <POINT_SPRINGS>\n   -> Record counter: 1\n\nERROR:\nSprings of nonlinear spring materials "
       "need a materially nonlinear analysis\\."},
      {"peak shape factor with a zero divisor",
       [](tw::Model& m) { tw::AddRecord(m, "<NLSMM101>", Law101(1000, 10, 2)); },
       "   -> Block name: <NLSMM101>\n   -> Record counter: 1\n\nERROR:\nThe shape factor must lie in \\[0, 2\\): 2\\."},
      {"negative shape factor", [](tw::Model& m) { tw::AddRecord(m, "<NLSMM101>", Law101(1000, 10, -0.5)); },
       "The shape factor must lie in \\[0, 2\\): -0\\.5\\."},
      {"null initial stiffness", [](tw::Model& m) { tw::AddRecord(m, "<NLSMM101>", Law101(0, 10, 1)); },
       "The initial stiffness must be positive: 0\\."},
      {"negative plateau", [](tw::Model& m) { tw::AddRecord(m, "<NLSMM101>", Law101(1000, -1, 1)); },
       "The plateau force must be positive: -1\\."},
      {"unloading type", [](tw::Model& m) { tw::AddRecord(m, "<NLSMM101>", Law101(1000, 10, 1, 3)); },
       "Invalid unloading and reloading type: 3"},
      {"three points out of order",
       [](tw::Model& m) { tw::AddRecord(m, "<NLSMM102>", Law102(1, 0.002, 0.001, 0.01)); },
       "   -> Block name: <NLSMM102>\n   -> Record counter: 1\n\nERROR:\nThe displacements must not decrease"},
      {"null first displacement", [](tw::Model& m) { tw::AddRecord(m, "<NLSMM102>", Law102(1, 0.0, 0.002, 0.01)); },
       "The first displacement must be positive: 0\\."},
      {"mapping of the three-point law",
       [](tw::Model& m) { tw::AddRecord(m, "<NLSMM102>", Law102(0, 0.001, 0.002, 0.01)); },
       "Invalid orientation mapping: 0 \\(valid: 1 or 2\\)\\."},
      {"table without points", [](tw::Model& m) { tw::AddRecord(m, "<NLSMM103>", Law103(0, {})); },
       "   -> Block name: <NLSMM103>\n   -> Record counter: 1\n\nERROR:\nThe table needs at least one point: 0\\."},
      {"table starting at the origin",
       [](tw::Model& m) { tw::AddRecord(m, "<NLSMM103>", Law103(0, {{0.0, 1.0}, {1.0, 2.0}})); },
       "The first abscissa must be positive: 0\\."},
      {"table abscissae repeated",
       [](tw::Model& m) { tw::AddRecord(m, "<NLSMM103>", Law103(0, {{1.0, 1.0}, {1.0, 2.0}})); },
       "The abscissae must increase strictly: point 2"},
      {"mapping of the table law", [](tw::Model& m) { tw::AddRecord(m, "<NLSMM103>", Law103(3, {{1.0, 1.0}})); },
       "Invalid orientation mapping: 3 \\(valid: 0 to 2\\)\\."},
      {"orientation code the law reads",
       [](tw::Model& m) {
         m.main.materNonlinear = 1;
         tw::AddRecord(m, "<NLSMM103>", Law103(1, {{1.0, 1.0}}));
         tw::AddRecord(m, "<POINT_SPRINGS>", tw::PointSpring(2, 'G', 1, 1, SPRMAT_NLSMM103, 1, 3));
       },
       "   -> Block name: <POINT_SPRINGS>\n   -> Record counter: 1\n\nERROR:\nInvalid orientation code: 3 "
       "\\(valid: 1 or 2\\)\\."},
      {"rotational spring law",
       [](tw::Model& m) {
         m.main.materNonlinear = 1;
         tw::AddRecord(m, "<NLSMM102>", Law102(1, 0.001, 0.002, 0.01));
         tw::AddRecord(m, "<POINT_SPRINGS>", tw::PointSpring(2, 'G', 1, 2, SPRMAT_NLSMM102, 1));
       },
       "   -> Spring material type: _NLSMM102\n   -> Specified type of degree of freedom: _ROT \\(rotational\\)\n\n"
       "ERROR:\nFor this nonlinear spring material model \\(_NLSMM102\\) the \nspecified type of degree o freedom "
       "must be: _TRANS \\(Translational\\)\\."},
      {"link of a one-sided law",
       [](tw::Model& m) {
         m.main.materNonlinear = 1;
         tw::AddRecord(m, "<NLSMM101>", Law101(1000, 10, 1));
         tw::AddRecord(m, "<INTERNAL_POINT_SPRING_LINKS>",
                       tw::Rec().I(0).I(0).I(0).I(1).I(2).C('G').I(1).C(1).I(SPRMAT_NLSMM101).I(1));
       },
       "   -> Block name: <INTERNAL_POINT_SPRING_LINKS>\n   -> Record counter: 1\n\nERROR:\nInternal point spring "
       "links take the spring materials _LIN_SPRING and _NLSMM103 only: _NLSMM101\\."},
      {"spring law on a beam",
       [](tw::Model& m) {
         m.main.materNonlinear = 1;
         tw::AddPoint(m, 5, 0, 0);
         tw::AddElement(m, {2, 9});
         AddProperty(m, 2, 2, _TIMOSHENKO_BEAM_3D);
         tw::AddRecord(m, "<NLSMM103>", Law103(0, {{1.0, 1.0}}));
         tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(2, 0, 0, 'G', 3, 1, {1}, 1, 0, SPRMAT_NLSMM103));
       },
       "Calculating the nonlinear material line spring contribution\nto the global stiffness matrix:\n"
       "   -> Block name: <LINE_SPRINGS>\n   -> Counter: 1\n   -> Element: 2\n\nERROR:\nNonlinear material line "
       "springs cannot be applied to this element type\\."},
      {"edge not on the face",
       [](tw::Model& m) { tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(1, 6, 1, 'G', 1, 1, {1})); },
       "The specified face does not contain the specified edge\\."},
      {"edge number",
       [](tw::Model& m) { tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(1, 1, 13, 'G', 1, 1, {1})); },
       "Verifying the <LINE_SPRINGS> block\n   -> Line spring counter: 1\n\nERROR:\nInvalid edge number: 13"},
      {"direction index",
       [](tw::Model& m) { tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(1, 1, 1, 'G', 4, 1, {1})); },
       "Invalid direction index: 4 \\(valid: 1 to 3\\)\\."},
      {"auxiliary vector",
       [](tw::Model& m) { tw::AddRecord(m, "<SURFACE_SPRINGS>", SurfSpringRec(1, 1, 'S', 2, {1})); },
       "Verifying the <SURFACE_SPRINGS> block\n   -> Surface spring counter: 1\n\nERROR:\n"
       "Invalid auxiliary vector number: 2"},
      {"dof type",
       [](tw::Model& m) { tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(1, 1, 1, 'G', 1, 3, {1})); },
       "Invalid degree-of-freedom type: 3"},
      {"pattern number read as a signed byte",
       [](tw::Model& m) { tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(1, 1, 1, 'G', 1, 1, {1}, 1, 200)); },
       "Invalid integration pattern number: -56"},
      {"material count",
       [](tw::Model& m) { tw::AddRecord(m, "<SURFACE_SPRINGS>", SurfSpringRec(1, 1, 'G', 3, {1, 1})); },
       "Invalid n\\. of spring materials: 2 \\(valid: 1 or 4"},
      {"one Gauss-Lobatto point",
       [](tw::Model& m) {
         tw::AddRecord(m, "<NUMERICAL_INTEGRATION>", tw::NumericalIntegration("one", {0, 0, 1, 1}));
         tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(1, 1, 1, 'G', 1, 1, {1}, 2, 1));
       },
       "   -> Specified integration name: one\n\nERROR:\nIntegration pattern is incomplete\\."},
      {"Newton-Cotes rule",
       [](tw::Model& m) { tw::AddRecord(m, "<SURFACE_SPRINGS>", SurfSpringRec(1, 1, 'G', 3, {1}, 3, 0)); },
       "Integration pattern is incomplete\\.\nThe parameters _G_S1_k and/or _G_S2_k are missing\\."},
      {"host without a surface spring routine",
       [](tw::Model& m) {
         tw::AddPoint(m, 5, 0, 0);
         tw::AddElement(m, {2, 9});
         AddProperty(m, 2, 2, _TIMOSHENKO_BEAM_3D);
         tw::AddRecord(m, "<SURFACE_SPRINGS>", SurfSpringRec(2, 0, 'G', 3, {1}));
       },
       "Surface spring cannot be applied to this element type\\."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tw::Model m = Hexa();
    tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(1.0));
    c.edit(m);
    EXPECT_EXIT((gSkipLeakCheck = true, Built(m)), testing::ExitedWithCode(1), c.stderrRegex);
  }
}

// Every host family: a unit settlement (or rotation about the edge) along the spring's
// direction stores k times the edge length (face area) in the spring terms, and a
// motion across the direction stores nothing. Elements are unit squares (x1-x2 plane;
// x2-x3 plane for the plane elements), the beam a unit member along x1.
TEST(SpringHosts, EveryHostFamilyCarriesItsSpring) {
  struct Case {
    const char* what;
    int type, nNodes;
    bool line;
    char dirKind;
    int dir, dofType;
    int along, across;  // dof (position in the node's block) moved by 1 at every node; 0 = none
  };
  const Case cases[] = {
      {"Ahmad shell, line _XG3", _AHMAD_SHELL_QUAD, 4, true, 'G', 3, 1, 3, 1},
      {"Ahmad shell 8 nodes, line _NN", _AHMAD_SHELL_QUAD, 8, true, 'E', 2, 1, 3, 2},
      {"Mindlin shell, line _XG2", _MINDLIN_SHELL_QUAD, 4, true, 'G', 2, 1, 2, 3},
      {"Mindlin slab, line _XG3", _MINDLIN_SLAB_QUAD, 4, true, 'G', 3, 1, 1, 3},
      {"Mindlin slab 9 nodes, rotation about the edge", _MINDLIN_SLAB_QUAD, 9, true, 'E', 1, 2, 2, 3},
      {"plane stress, line _XG2", _PLANE_STRESS_QUAD, 4, true, 'G', 2, 1, 1, 2},
      {"plane strain, line _NT", _PLANE_STRAIN_QUAD, 4, true, 'E', 3, 1, 2, 1},
      {"Timoshenko beam, line _XG2", _TIMOSHENKO_BEAM_3D, 2, true, 'G', 2, 1, 2, 3},
      {"Timoshenko beam 3 nodes, torsion spring _L1", _TIMOSHENKO_BEAM_3D, 3, true, 'B', 1, 2, 4, 5},
      {"Ahmad shell, surface _N", _AHMAD_SHELL_QUAD, 4, false, 'E', 3, 1, 3, 1},
      {"Mindlin shell 9 nodes, surface _XG1", _MINDLIN_SHELL_QUAD, 9, false, 'G', 1, 1, 1, 2},
      {"plane stress, surface _XG3", _PLANE_STRESS_QUAD, 4, false, 'G', 3, 1, 2, 1},
      {"plane strain 8 nodes, surface _XG2", _PLANE_STRAIN_QUAD, 8, false, 'G', 2, 1, 1, 2},
  };
  const double k = 6.0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tw::Model m = BaseModel();
    const bool plane = c.type == _PLANE_STRESS_QUAD || c.type == _PLANE_STRAIN_QUAD;
    if (c.type == _TIMOSHENKO_BEAM_3D) {
      for (int i = 0; i < c.nNodes; i++) tw::AddPoint(m, static_cast<double>(i) / (c.nNodes - 1), 0, 0);
      tw::AddElement(m, c.nNodes == 2 ? std::vector<int32_t>{1, 2} : std::vector<int32_t>{1, 2, 3});
    } else {
      // Quadrilateral nodes: corners, then mid-sides, then the centre.
      const double s[9][2] = {{0, 0}, {0.5, 0}, {1, 0}, {1, 0.5}, {1, 1}, {0.5, 1}, {0, 1}, {0, 0.5}, {0.5, 0.5}};
      const int order4[4] = {0, 2, 4, 6};
      std::vector<int32_t> nodes;
      for (int i = 0; i < c.nNodes; i++) {
        const auto& x = s[c.nNodes == 4 ? order4[i] : i];
        if (plane)
          tw::AddPoint(m, 0, x[0], x[1]);
        else
          tw::AddPoint(m, x[0], x[1], 0);
        nodes.push_back(i + 1);
      }
      tw::AddElement(m, nodes);
    }
    AddProperty(m, 1, 1, c.type);
    tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(k));
    if (c.line)
      tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(1, 0, 1, c.dirKind, c.dir, c.dofType, {1}));
    else
      tw::AddRecord(m, "<SURFACE_SPRINGS>", SurfSpringRec(1, 0, c.dirKind, c.dir, {1}));
    Built b(m, 1, std::to_string(&c - cases));
    const Matrix d = SpringTerms(b, 1);
    const int nd = GetElementTypeInfo(c.type).dofsPerNode;
    auto energy = [&](int dof, int dof2) {
      double e = 0.0;
      for (int i = 0; i < c.nNodes; i++)
        for (int j = 0; j < c.nNodes; j++) e += d[static_cast<size_t>(i * nd + dof)][static_cast<size_t>(j * nd + dof2)];
      return e;
    };
    EXPECT_NEAR(energy(c.along, c.along), k, 1e-10 * k);
    EXPECT_NEAR(energy(c.across, c.across), 0.0, 1e-10 * k);
    EXPECT_NEAR(energy(c.along, c.across), 0.0, 1e-10 * k);
  }
}

// With the host's print flag on, a surface spring prints its own matrix and the
// element's matrix after the addition; other hosts' flags print nothing.
TEST(SurfaceSprings, PrintFlagOfTheHost) {
  tw::Model m = Hexa();
  tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(36.0));
  tw::AddRecord(m, "<SURFACE_SPRINGS>", SurfSpringRec(1, 1, 'G', 3, {1}));
  Built b(m);
  for (int flag : {OC_PRINT_MAT_KG_SURF_SPRING_SOLID_HEXA, OC_PRINT_MAT_KG_SURF_SPRING_AHMAD_SHELL_QUAD}) {
    const Flags oc{flag};
    int n;
    double** K;
    testing::internal::CaptureStdout();
    CalcElemStiffLinear(1, oc, &b.mesh, &b.w, &n, &K);
    const std::string out = testing::internal::GetCapturedStdout();
    freed2(K);
    if (flag != OC_PRINT_MAT_KG_SURF_SPRING_SOLID_HEXA) {
      EXPECT_EQ(out, "");
      continue;
    }
    const size_t a = out.find("Surface spring stiffness matrix (_SOLID_HEXA):\nElement n. 1\n");
    const size_t c = out.find("\nStiffness matrix Kg with surface spring stiffness (_SOLID_HEXA):\nElement n. 1\n");
    EXPECT_NE(a, std::string::npos) << out;
    EXPECT_NE(c, std::string::npos) << out;
    EXPECT_LT(a, c);
  }
}

// A 20-node hexahedron (unit cube): surface springs on the bottom face (listed against
// the outward normal, so reordered) and the top face, one material per face node with
// k = 1 + x1 of the node: a unit settlement stores the integral of k over the face, 1.5,
// and a settlement x1 against a unit one the integral of k x1, 5/6 (3/4 if the values
// were mirrored with the node order). A line spring on the 3-node edge 1 along x1
// stores k L = 2 (k = 2).
TEST(SurfaceSprings, QuadraticHexaFacesAndEdge) {
  const double c[21][3] = {{0, 0, 0}, {0, 0, 0}, {.5, 0, 0}, {1, 0, 0}, {1, .5, 0}, {1, 1, 0}, {.5, 1, 0}, {0, 1, 0},
                           {0, .5, 0}, {0, 0, .5}, {1, 0, .5}, {1, 1, .5}, {0, 1, .5}, {0, 0, 1}, {.5, 0, 1},
                           {1, 0, 1}, {1, .5, 1}, {1, 1, 1}, {.5, 1, 1}, {0, 1, 1}, {0, .5, 1}};
  const int listed[2][9] = {{0, 1, 2, 3, 4, 5, 6, 7, 8}, {0, 13, 14, 15, 16, 17, 18, 19, 20}};
  for (int f = 0; f < 2; f++) {
    const int face = f == 0 ? 1 : 6;
    SCOPED_TRACE("face " + std::to_string(face));
    tw::Model m = BaseModel();
    std::vector<int32_t> nodes;
    for (int i = 1; i <= 20; i++) {
      tw::AddPoint(m, c[i][0], c[i][1], c[i][2]);
      nodes.push_back(i);
    }
    tw::AddElement(m, nodes);
    AddProperty(m, 1, 1, _SOLID_HEXA);
    std::vector<int32_t> materials;
    for (int i = 1; i <= 8; i++) {
      tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(1.0 + c[listed[f][i]][0]));
      materials.push_back(i);
    }
    tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", LinearSpring(2.0));
    tw::AddRecord(m, "<SURFACE_SPRINGS>", SurfSpringRec(1, face, 'G', 3, materials));
    Built b(m, 1, std::to_string(face));
    const Matrix d = SpringTerms(b, 1);
    double e = 0.0, ex = 0.0;
    for (int i = 1; i <= 8; i++)
      for (int j = 1; j <= 8; j++) {
        const double dij = d[static_cast<size_t>(3 * listed[f][i])][static_cast<size_t>(3 * listed[f][j])];
        e += dij;
        ex += dij * c[listed[f][i]][0];
      }
    EXPECT_NEAR(e, 1.5, 1e-12);
    EXPECT_NEAR(ex, 5.0 / 6.0, 1e-12);
    if (face != 1) continue;
    m.blocks["<SURFACE_SPRINGS>"].clear();
    tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(1, 1, 1, 'G', 1, 1, {9}));
    Built bl(m, 1, "_line");
    const Matrix dl = SpringTerms(bl, 1);
    double el = 0.0;
    for (int i : {1, 2, 3})
      for (int j : {1, 2, 3}) el += dl[static_cast<size_t>(3 * i - 2)][static_cast<size_t>(3 * j - 2)];
    EXPECT_NEAR(el, 2.0, 1e-12);
  }
}

// ---- nonlinear line and surface springs ---------------------------------------------------

namespace {

// The spring history of a built model as the nonlinear set-up makes it (mode 1).
struct SpringHistoryOf {
  SpringIndex_HD index{};
  NLSMM_HD table{};
  int counts[kSpringMaterialKinds + 1] = {};
  SpringHistory hist{};
  explicit SpringHistoryOf(const Built& b) {
    CalcSpringToSpringIndex_HD(&index, &b.mesh);
    CalcSizingDataSpringIndex_HD(&index, &b.mesh, b.w.ElemPropIndex);
    AllocIndexArrays_HD(&index);
    CalcSpringIndex_HD(&index, &b.mesh, counts);
    AllocNLSMM_HD(1, &table, counts);
    InitNLSMM_HD(1, &table, counts);
    SF_NLSMM_HD(1, &index, &b.mesh, &table, counts);
    hist = SpringHistory{&index, &table};
  }
  ~SpringHistoryOf() {
    FreeNLSMM_HD(1, &table, counts);
    FreeSpringIndex_HD(&index);
  }
};

Matrix ToMatrix(double** K, int n) {
  Matrix d(static_cast<size_t>(n + 1), std::vector<double>(static_cast<size_t>(n + 1), 0.0));
  for (int r = 1; r <= n; r++)
    for (int c = 1; c <= n; c++) d[r][c] = K[r][c];
  return d;
}

}  // namespace

// An _NLSMM101 line spring (k = 1000) on a hexahedron edge along x1, in its first branch,
// gives the matrix of the linear spring k = 1000 on that edge; a motion of the edge nodes
// by 1e-4 along the spring gives internal forces equal to that matrix times it.
TEST(NonlinearSpringHosts, LineSpringInItsFirstBranchIsTheLinearSpring) {
  const int n = 24;
  tw::Model lin = Hexa(2.0);
  tw::AddRecord(lin, "<LINEAR_SPRING_MATERIALS>", LinearSpring(1000.0));
  tw::AddRecord(lin, "<LINE_SPRINGS>", LineSpringRec(1, 1, 1, 'G', 1, 1, {1}));
  const Matrix expected = SpringTerms(Built(lin, 1, "lin"), 1);

  tw::Model m = Hexa(2.0);
  m.main.materNonlinear = 1;
  tw::AddRecord(m, "<NLSMM101>", Law101(1000, 10, 1));
  tw::AddRecord(m, "<LINE_SPRINGS>", LineSpringRec(1, 1, 1, 'G', 1, 1, {1}, 1, 0, SPRMAT_NLSMM101));
  Built b(m, 1, "nl");
  SpringHistoryOf h(b);
  EXPECT_EQ(h.counts[SPRMAT_NLSMM101], 3);  // the default rule's three points
  double** K;
  allocd2(&K, n, n);
  zerod2(K, n, n);
  CalcStiffLineSpring_NL(1, 8, _SOLID_HEXA, &b.mesh, K, &b.w.Springs, &h.hist);
  ExpectTerms(ToMatrix(K, n), [&](int r, int c) { return expected[r][c]; }, 1000.0);
  freed2(K);

  // Edge 1 of face 1 joins nodes 1 and 2: both move along x1 (orientation code 1: the
  // spring acts while u >= 0).
  std::vector<double> ue(n + 1, 0.0), fe(n + 1, 0.0);
  ue[1] = ue[4] = 1e-4;
  const std::string noFlags(8, '\0');
  CalcInt_Fg_Springs(1, _SOLID_HEXA, 8, b.w.ElemPropIndex[1], GetElementTypeInfo(_SOLID_HEXA).dofMask, &b.mesh,
                     b.w.ElemPropIndex, ue.data(), nullptr, fe.data(), noFlags.c_str(), b.w.ElemHasLineSpring,
                     noFlags.c_str(), noFlags.c_str(), b.w.PointTypes, b.w.PointElemAdjacency, &b.w.Springs, &h.hist);
  for (int r = 1; r <= n; r++) {
    double sum = 0.0;
    for (int c = 1; c <= n; c++) sum += expected[r][c] * ue[c];
    EXPECT_NEAR(fe[r], sum, 1e-12) << r;
  }
}

// A surface spring with a 2 x 3 rule on a unit plane-stress square along _L1 (the u2
// dofs): record (i - 1) 3 + j serves sampling point (s1_i, s2_j). With a table law whose
// segment k has slope 1000 k and record k left on segment k, the tangent is
// sum_ij 1000 ((i - 1) 3 + j) w_i w_j |J| N N^T.
TEST(NonlinearSpringHosts, SurfacePatternRecordsFollowTheSamplingPoints) {
  tw::Model m = BaseModel();
  m.main.materNonlinear = 1;
  const double x[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (const auto& p : x) tw::AddPoint(m, 0, p[0], p[1]);
  tw::AddElement(m, {1, 2, 3, 4});
  AddProperty(m, 1, 1, _PLANE_STRESS_QUAD);
  tw::AddRecord(m, "<NUMERICAL_INTEGRATION>", tw::NumericalIntegration("p23", {0, 0, 2, 3}));
  std::vector<std::pair<double, double>> table;
  double y = 0.0;
  for (int k = 1; k <= 6; k++) table.push_back({0.001 * k, y += k});
  tw::AddRecord(m, "<NLSMM103>", Law103(0, table));
  tw::AddRecord(m, "<SURFACE_SPRINGS>",
                tw::Rec().I(0).I(0).I(0).I(1).I(0).C('E').I(1).C(1).C(1).C(1).C(SPRMAT_NLSMM103).IList({1}));
  Built b(m);
  SpringHistoryOf h(b);
  ASSERT_EQ(h.counts[SPRMAT_NLSMM103], 6);
  ASSERT_EQ(h.index.SurfSlots[1], 6);
  NLSMM_HDRecord* rec = NLSMM_HDCurrent(&h.table, SPRMAT_NLSMM103);
  for (int k = 1; k <= 6; k++) {
    EXPECT_EQ(h.index.SurfRecord[1][k], k);
    rec[k].Value[NLSMM_HDRecord::kDisplacement] = 0.001 * (k - 0.5);
  }
  const int n = 8;
  double** K;
  allocd2(&K, n, n);
  zerod2(K, n, n);
  CalcStiffSurfSpring_NL(1, 4, _PLANE_STRESS_QUAD, nullptr, &b.mesh, K, &b.w.Springs, &h.hist);
  const double* a1 = IntegrationRuleTable.abscissa[kIntGLEG][2];
  const double* w1 = IntegrationRuleTable.weight[kIntGLEG][2];
  const double* a2 = IntegrationRuleTable.abscissa[kIntGLEG][3];
  const double* w2 = IntegrationRuleTable.weight[kIntGLEG][3];
  const double corner[5][2] = {{0, 0}, {-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  auto N = [&](int a, double s, double t) { return (1 + corner[a][0] * s) * (1 + corner[a][1] * t) / 4; };
  ExpectTerms(
      ToMatrix(K, n),
      [&](int r, int c) {
        if (r % 2 == 0 || c % 2 == 0) return 0.0;  // the u3 dofs
        const int na = (r + 1) / 2, nb = (c + 1) / 2;
        double sum = 0.0;
        for (int i = 1; i <= 2; i++)
          for (int j = 1; j <= 3; j++)
            sum += 1000.0 * ((i - 1) * 3 + j) * w1[i] * w2[j] * 0.25 * N(na, a1[i], a2[j]) * N(nb, a1[i], a2[j]);
        return sum;
      },
      1000.0, 1e-10);
  freed2(K);
}

// Directions a nonlinear spring cannot take on its host stop the tangent with the host's
// message, after the title of the nonlinear step.
TEST(NonlinearSpringHostsDeath, DirectionsTheLawsCannotTake) {
  struct Case {
    const char* what;
    int type;
    tw::Rec spring;
    const char* block;
    const char* regex;
  };
  auto line = [](char kind, int dir, int dofType) {
    return LineSpringRec(1, 0, 1, kind, dir, dofType, {1}, 1, 0, SPRMAT_NLSMM103);
  };
  auto surf = [](char kind, int dir) {
    return tw::Rec().I(0).I(0).I(0).I(1).I(0).C(kind).I(dir).C(1).C(1).C(0).C(SPRMAT_NLSMM103).IList({1});
  };
  const Case cases[] = {
      {"shell edge along the edge", _MINDLIN_SHELL_QUAD, line('E', 1, 1), "<LINE_SPRINGS>",
       "Calculating the nonlinear material line spring contribution\nto the global stiffness matrix:\n"
       "(.|\n)*The specified type of direction must be normal\nto the edge and normal to the face\\."},
      {"shell edge rotation", _AHMAD_SHELL_QUAD, line('E', 2, 2), "<LINE_SPRINGS>",
       "For nonlinear material line spring the \nspecified type of degree o freedom must be: _TRANS"},
      {"plane edge along a global axis", _PLANE_STRESS_QUAD, line('G', 2, 1), "<LINE_SPRINGS>",
       "   -> Material type: _NLSMM103\n\nERROR:\nThe specified type of direction is\nincompatible with the "
       "element type and material type\\."},
      {"plane face normal", _PLANE_STRESS_QUAD, surf('E', 3), "<SURFACE_SPRINGS>",
       "Calculating the nonlinear material surface spring contribution(.|\n)*The specified type of direction "
       "is\nincompatible with the element type\\."},
      {"shell face along a global axis", _AHMAD_SHELL_QUAD, surf('G', 3), "<SURFACE_SPRINGS>",
       "The specified type of direction must be normal\nto the midle surface of the shell\\."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tw::Model m = BaseModel();
    m.main.materNonlinear = 1;
    const double x[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& p : x) c.type == _PLANE_STRESS_QUAD ? tw::AddPoint(m, 0, p[0], p[1]) : tw::AddPoint(m, p[0], p[1], 0);
    tw::AddElement(m, {1, 2, 3, 4});
    AddProperty(m, 1, 1, c.type);
    tw::AddRecord(m, "<NLSMM103>", Law103(0, {{0.001, 5}}));
    tw::AddRecord(m, c.block, c.spring);
    EXPECT_EXIT(
        {
          gSkipLeakCheck = true;
          Built b(m, 1, std::to_string(&c - cases));
          SpringHistoryOf h(b);
          const int n = GetElementTypeInfo(c.type).dofsPerNode * 4;
          double** K;
          allocd2(&K, n, n);
          CalcStiffElementSprings_NL(1, c.type, 4, b.w.ElemPropIndex[1], GetElementTypeInfo(c.type).dofMask, nullptr,
                                     &b.mesh, b.w.ElemPropIndex, K, b.w.ElemHasPointSpring, b.w.ElemHasLineSpring,
                                     b.w.ElemHasSurfSpring, b.w.ElemHasSpringLink, b.w.PointTypes,
                                     b.w.PointElemAdjacency, &b.w.Springs, &h.hist);
        },
        testing::ExitedWithCode(1), c.regex);
  }
}
