// The global load vector of a load case: assembly by dof codes, rotation at points with
// a special coordinate system, point loads, the loops, slave loads moved to masters,
// the print, and the prescribed displacements.
#include "load_fixture.h"

namespace {

constexpr double kEps = 1e-12;

// Two points and a Frame2D between them; dof codes given per point.
struct TwoPoints {
  TestModel t;
  TwoPoints(const std::string& dofs1, const std::string& dofs2, int type = 3) {
    t.AddPoint(0, 0, 0);
    t.AddPoint(0, 2, 0);
    t.dofs = {dofs1, dofs2};
    const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
    t.AddElement({1, 2}, t.AddProp(type, MAT_LIN_ISO, mat));
  }
};

// ---- assembly and rotation ----

TEST(AssembElementLoadVector, EntriesGoToTheirFreeOrPrescribedEquation) {
  TwoPoints m("0FPF00", "0PFF00");
  m.t.Build();
  ASSERT_EQ(m.t.nF, 4);
  ASSERT_EQ(m.t.nP, 2);
  Vec Fe(12), FF(4), FP(2);
  const double v[13] = {0, 1e-9, 1.5, 2.5, 3.5, 0, 0, 0, 4.5, 5.5, 6.5, -9e-9, 0};
  copyd1(Fe, v, 12);
  for (int pass = 0; pass < 2; pass++)
    AssembElementLoadVector(LB_EDGE_LOADS, 1, 1, 3, 1, 2, "edge", &m.t.mesh, m.t.numbers, FF, FP, Fe, m.t.codes);
  EXPECT_EQ(FF[1], 3.0);
  EXPECT_EQ(FF[2], 7.0);
  EXPECT_EQ(FF[3], 11.0);
  EXPECT_EQ(FF[4], 13.0);
  EXPECT_EQ(FP[1], 5.0);
  EXPECT_EQ(FP[2], 9.0);
}

TEST(AssembElementLoadVectorDeathTest, LoadOnAnAbsentDof) {
  TwoPoints m("FFF000", "FFF000", 1);
  m.t.Build();
  Vec Fe(12), FF(6), FP(1);
  Fe[4] = 1e-9;  // dropped
  AssembElementLoadVector(LB_GRAVITY_LOAD, 0, 1, 1, 3, 2, "gravity", &m.t.mesh, m.t.numbers, FF, FP, Fe, m.t.codes);
  EXPECT_EQ(maxabsd1(FF, 6), 0.0);
  Fe[10] = 1e-8;  // a moment at node 2 of a truss
  EXPECT_EXIT(AssembElementLoadVector(LB_GRAVITY_LOAD, 0, 1, 1, 3, 2, "gravity", &m.t.mesh, m.t.numbers, FF, FP, Fe,
                                      m.t.codes),
              testing::ExitedWithCode(1),
              StderrIs("\nCalculating the gravity load contribution to the global load vector:\n"
                       "   -> Load case: 3\n   -> Block name: <GRAVITY_LOAD>\n   -> Element: 1\n"
                       "   -> Element type: _TRUSS_2D\n   -> Degree of freedom: _R1\n\nERROR:\n"
                       "The type of load is not compatible with the type\nof degree of freedom.\n\n"));
  Fe[10] = 0.0;
  Fe[8] = std::nan("");
  EXPECT_EXIT(AssembElementLoadVector(LB_INTERNAL_FACE_LOADS, 7, 1, 1, 3, 2, "internal face", &m.t.mesh, m.t.numbers,
                                      FF, FP, Fe, m.t.codes),
              testing::ExitedWithCode(1),
              StderrIs("\nCalculating the internal face load contribution to the global load vector:\n"
                       "   -> Load case: 3\n   -> Block name: <INTERNAL_FACE_LOADS>\n   -> Counter: 7\n"
                       "   -> Element: 1\n   -> Element type: _TRUSS_2D\n   -> Degree of freedom: _D2\n"
                       "   -> Load value: " +
                       std::string(18 - 3, ' ') + "nan\n\nERROR:\nThe load value is not a finite number.\n\n"));
}

TEST(RotateNodalLoadsSpecialCoordSys, NodesOnSpecialPointsTurnIntoTheirAxes) {
  TwoPoints m("FFFFFF", "FFFFFF");
  m.t.AddAux(0, 1, 0);
  m.t.AddAux(-1, 0, 0);
  m.t.AddAux(0, 0, 1);
  m.t.coordSys.push_back({1, 2, 3});
  m.t.pointCS = {0, 1};
  m.t.Build();
  Vec Fe(12);
  const double v[13] = {0, 1, 2, 3, 4, 5, 6, 1, 0, 0, 1, 0, 0};
  copyd1(Fe, v, 12);
  RotateNodalLoadsSpecialCoordSys(1, 2, m.t.cs, m.t.mesh.ElemNodes, Fe, m.t.mesh.AuxVectors, m.t.mesh.CoordSystems);
  const double expected[13] = {0, 1, 2, 3, 4, 5, 6, 0, -1, 0, 0, -1, 0};
  for (int k = 1; k <= 12; k++) EXPECT_EQ(Fe[k], expected[k]) << "entry " << k;
}

// ---- point loads ----

TEST(PointLoads, LoadsInTheAxesOfThePointsDofs) {
  TwoPoints m("FFFFFF", "FF0FFF");
  m.t.AddAux(0, 1, 0);
  m.t.AddAux(-1, 0, 0);
  m.t.AddAux(0, 0, 1);
  m.t.coordSys.push_back({1, 2, 3});
  m.t.pointCS = {1, 0};
  m.t.pointLoads.push_back({1, {1, 0, 0, 0, 0, 2}});
  m.t.pointLoads.push_back({1, {0, 0, 5, 0, 0, 0}});       // two records on a point add up
  m.t.pointLoads.push_back({2, {1e-12, 0, 1e-8, 0, 0, 0}});  // 1e-8 on the absent u3 is dropped
  m.t.Build();
  Vec FF(m.t.nF), FP(1);
  const MainWorkArrays mw = m.t.Work();
  Calc_F_PointLoad(1, m.t.oc, &m.t.lc, &m.t.mesh, &mw, FF, FP);
  EXPECT_EQ(FF[1], 0.0);
  EXPECT_EQ(FF[2], -1.0);  // the force along x1 lands on the second special axis
  EXPECT_EQ(FF[3], 5.0);
  EXPECT_EQ(FF[6], 2.0);
  EXPECT_EQ(FF[7], 1e-12);  // tiny loads on existing dofs are kept
}

TEST(PointLoadsDeathTest, LoadOnAnAbsentDofAboveTheTolerance) {
  TwoPoints m("FFFFFF", "FF0FFF");
  m.t.pointLoads.push_back({2, {0, 0, 2e-8, 0, 0, 0}});
  m.t.Build();
  Vec FF(m.t.nF), FP(1);
  const MainWorkArrays mw = m.t.Work();
  EXPECT_EXIT(Calc_F_PointLoad(4, m.t.oc, &m.t.lc, &m.t.mesh, &mw, FF, FP),
              testing::ExitedWithCode(1),
              StderrIs("\nCalculating the point load contribution to the global load vector:\n   -> Load case: 4\n"
                       "   -> Block name: <POINT_LOAD>\n   -> Point load counter: 1\n   -> Loaded point: 2\n"
                       "   -> Degree of freedom: _D3\n   -> Load value:   2.0000000000e-08\n\nERROR:\n"
                       "The type of load is not compatible with the type\nof degree of freedom.\n\n"));
}

// A Mindlin shell in the x2-x3 plane: its normal, the coplanar axis 3, is x1.
struct CoplanarShell {
  TestModel t;
  CoplanarShell() {
    for (auto& p : std::vector<std::array<double, 2>>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}) t.AddPoint(0, p[0], p[1]);
    const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
    t.AddElement({1, 2, 3, 4}, t.AddProp(20, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(0.1)));
    t.pointType = {'M', 'G', 'G', 'G'};
  }
};

TEST(PointLoads, CoplanarPointTakesItsMomentsInTheCoplanarAxes) {
  CoplanarShell s;
  s.t.pointLoads.push_back({1, {1, 2, 3, 1e-9, 5, 0}});
  s.t.Build();
  Vec FF(s.t.nF), FP(1);
  const MainWorkArrays sw = s.t.Work();
  Calc_F_PointLoad(1, s.t.oc, &s.t.lc, &s.t.mesh, &sw, FF, FP);
  // Coplanar axes: l1 = x2, l2 = x3, l3 = x1 (the normal); forces stay global.
  const double expected[7] = {0, 1, 2, 3, 5, 0, 1e-9};
  for (int d = 1; d <= 6; d++) EXPECT_NEAR(FF[d], expected[d], kEps) << "dof " << d;
}

TEST(PointLoadsDeathTest, DrillMomentAtACoplanarPoint) {
  CoplanarShell s;
  s.t.pointLoads.push_back({1, {0, 0, 0, 2e-8, 0, 0}});
  s.t.Build();
  Vec FF(s.t.nF), FP(1);
  const MainWorkArrays sw = s.t.Work();
  EXPECT_EXIT(Calc_F_PointLoad(1, s.t.oc, &s.t.lc, &s.t.mesh, &sw, FF, FP),
              testing::ExitedWithCode(1),
              StderrIs("\nCalculating the point load contribution to the global load vector:\n   -> Load case: 1\n"
                       "   -> Block name: <POINT_LOAD>\n   -> Point load counter: 1\n   -> Loaded point: 1\n\n"
                       "ERROR:\nWhen a moment is applied to a coplanar point, the drill\ncomponent must be null.\n"
                       "(Note: the drill degree of freedom is a rotation whose vector\nis normal to the coplanar "
                       "elements.)\nWhen such a load needs to be applied to a coplanar point,\nan embedded frame beam "
                       "must be added to convert the coplanar\npoint into a kink point.\n\n"));
}

TEST(FreeMasterSlave, SlaveLoadsMoveToTheirMasters) {
  TestModel t;
  for (int k = 0; k < 3; k++) t.AddPoint(k, 0, 0);
  t.dofs = {"FFF000", "FFF000", "FFF000"};
  t.links.push_back({1, 2});
  t.linkFlags.push_back("110000");
  t.links.push_back({3, 1});  // point 1 passes on what it received
  t.linkFlags.push_back("100000");
  t.Build();
  Vec F(9);
  for (int k = 1; k <= 9; k++) F[k] = k;
  Calc_F_FreeMasterSlave(&t.mesh, t.numbers, F, t.codes);
  const double expected[10] = {0, 0, 7, 3, 0, 0, 6, 12, 8, 9};
  for (int k = 1; k <= 9; k++) EXPECT_EQ(F[k], expected[k]) << "entry " << k;
}

// ---- the load vector of a load case ----

// Plane stress element with a free point load, an edge load and a prescribed support.
struct PlaneModel {
  TestModel t;
  PlaneModel() {
    for (auto& p : std::vector<std::array<double, 2>>{{0, 0}, {2, 0}, {2, 1}, {0, 1}}) t.AddPoint(0, p[0], p[1]);
    const int mat = t.AddMaterial(MAT_LIN_ISO, 10.0);
    t.AddElement({1, 2, 3, 4}, t.AddProp(10, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(1.0)));
    t.dofs = {"0PP000", "0FP000", "0FF000", "0FF000"};
  }
};

TEST(Calc_F, AddsEveryBlockAndForgetsThePreviousCall) {
  PlaneModel p;
  p.t.gravity = {0, 0, -1};                            // -5 on u3 of every node
  p.t.pointLoads.push_back({3, {0, 1, 2, 0, 0, 0}});   // point 3: u2 free 2, u3 free 3
  p.t.AddEdgeLoad(1, 2, 'G', 2, 1, {4.0});             // edge 2-3, L = 1: 2 on u2 of points 2, 3
  p.t.Build();
  Vec FF(p.t.nF), FP(p.t.nP);
  for (int call = 0; call < 2; call++) {
    filld1(FF, p.t.nF, 100.0);
    p.t.LoadVector(FF, FP);
    // free: u2@2, u2@3, u3@3, u2@4, u3@4; prescribed: u2@1, u3@1, u3@2
    const double free[6] = {0, 2, 3, -3, 0, -5};
    const double presc[4] = {0, 0, -5, -5};
    for (int k = 1; k <= 5; k++) EXPECT_NEAR(FF[k], free[k], kEps) << "free " << k;
    for (int k = 1; k <= 3; k++) EXPECT_NEAR(FP[k], presc[k], kEps) << "prescribed " << k;
  }
}

TEST(Calc_F, PrintsUnderItsFlags) {
  PlaneModel p;
  p.t.dofs = {"0FF000", "0FF000", "0FF000", "0FF000"};
  p.t.pointLoads.push_back({1, {0, 1.5, 0, 0, 0, 0}});
  p.t.Build();
  Vec FF(8), FP(1);
  p.t.oc[OC_PRINT_PROGRAM_FLOW_INFO] = 'Y';
  p.t.oc[OC_PRINT_VECT_F] = 'Y';
  testing::internal::CaptureStdout();
  MainWorkArrays w = p.t.Work();
  w.nF = 2;
  w.nP = 0;
  Calc_F(1, p.t.oc, &p.t.lc, &p.t.mesh, &w, FF, FP);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\nCalculating and assembling the load vector of each element\n"
            "\nGlobal load vector F (Free):\n\n       1   1.5000000000e+00\n       2   0.0000000000e+00\n"
            "\nGlobal load vector F (Presc):\n");
}

TEST(Calc_F, GravityBelowTheThresholdLooksAtNoElement) {
  // An element type without a gravity routine is reached only when the gravity is not null.
  TestModel t;
  for (int k = 0; k < 3; k++) t.AddPoint(0, k % 2, k / 2);
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({1, 2, 3}, t.AddProp(11, MAT_LIN_ISO, mat, kGeomLamThick, t.AddLamThick(1.0)));
  t.gravity = {0.5e-12, -0.4e-12, 0.0};
  t.Build();
  Vec FF(t.nF), FP(1);
  t.LoadVector(FF, FP);
  EXPECT_EQ(maxabsd1(FF, t.nF), 0.0);
  t.lc.Gravity[3] = 0.1e-12;  // exactly 1e-12 in all
  EXPECT_EXIT(t.LoadVector(FF, FP), testing::ExitedWithCode(1), kInternal);
}

TEST(Calc_F, TheWeightOfAMillimetreCubeInKilonewtonsAndMetres) {
  // 24 kN/m^3 on a 1 mm cube: 2.4e-8 kN in all, 3e-9 kN at each node, on its free or
  // prescribed dofs alike; none of it is lost for being small in these units.
  TestModel t;
  const double a = 1e-3;
  std::vector<int> nodes;
  for (int k = 0; k < 8; k++) nodes.push_back(t.AddPoint(a * ((k + 1) / 2 % 2), a * (k / 2 % 2), a * (k / 4)));
  t.AddElement(nodes, t.AddProp(24, MAT_LIN_ISO, t.AddMaterial(MAT_LIN_ISO, 2.4)));
  t.dofs = std::vector<std::string>(8, "FFF000");
  for (int k = 0; k < 4; k++) t.dofs[static_cast<size_t>(k)] = "PPP000";
  t.gravity = {0, 0, -10.0};
  t.Build();
  ASSERT_EQ(t.nF, 12);
  ASSERT_EQ(t.nP, 12);
  Vec FF(12), FP(12);
  t.LoadVector(FF, FP);
  double free = 0.0, presc = 0.0;
  for (int k = 1; k <= 12; k++) {
    free += FF[k];
    presc += FP[k];
  }
  EXPECT_NEAR(free, -1.2e-8, 1e-20);
  EXPECT_NEAR(presc, -1.2e-8, 1e-20);
}

TEST(Calc_F, InactiveElementsTakeNoLoad) {
  PlaneModel p;
  p.t.elementProp = {0};
  p.t.gravity = {0, 0, -1};
  p.t.AddEdgeLoad(1, 9, 'X', 9, 7, {1.0, 2.0, 3.0});  // would be refused on an active element
  p.t.Build();
  Vec FF(p.t.nF), FP(p.t.nP);
  p.t.LoadVector(FF, FP);
  EXPECT_EQ(maxabsd1(FF, p.t.nF), 0.0);
  EXPECT_EQ(maxabsd1(FP, p.t.nP), 0.0);
}

TEST(Calc_F, GravityTurnsAtPointsWithASpecialCoordinateSystem) {
  PlaneModel p;
  p.t.dofs = {"0FF000", "0FF000", "FFF000", "0FF000"};
  p.t.AddAux(0, 0, 1);
  p.t.AddAux(0, -1, 0);
  p.t.AddAux(1, 0, 0);
  p.t.coordSys.push_back({1, 2, 3});
  p.t.pointCS = {0, 0, 1, 0};
  p.t.gravity = {0, 0, -1};
  p.t.Build();
  Vec FF(9), FP(1);
  p.t.LoadVector(FF, FP);
  // Point 3 takes its -5 along x3 on its first special axis (the x3 direction).
  EXPECT_NEAR(FF[5], -5.0, kEps);
  EXPECT_NEAR(FF[6], 0.0, kEps);
  EXPECT_NEAR(FF[7], 0.0, kEps);
  EXPECT_NEAR(FF[2], -5.0, kEps);
}

TEST(Calc_FDeathTest, PlaneElementUnderAnOutOfPlaneGravity) {
  PlaneModel p;
  p.t.gravity = {1, 0, 0};
  p.t.Build();
  Vec FF(p.t.nF), FP(p.t.nP);
  EXPECT_EXIT(p.t.LoadVector(FF, FP), testing::ExitedWithCode(1),
              Lit("   -> Block name: <GRAVITY_LOAD>\n   -> Element: 1\n"
                                 "   -> Element type: _PLANE_STRESS_QUAD\n   -> Degree of freedom: _D1\n"));
}

TEST(Calc_FDeathTest, RecordOnAnElementThatDoesNotExist) {
  PlaneModel p;
  p.t.AddEdgeLoad(3, 1, 'G', 3, 1, {1.0});
  p.t.Build();
  Vec FF(p.t.nF), FP(p.t.nP);
  EXPECT_EXIT(p.t.LoadVector(FF, FP), testing::ExitedWithCode(1),
              StderrIs("\nCalculating the edge load contribution to the global load vector:\n   -> Load case: 1\n"
                       "   -> Block name: <EDGE_LOADS>\n   -> Counter: 1\n   -> Element: 3\n\nERROR:\n"
                       "The specified element does not exist.\n\n"));
}

// Self weight of a Frame3D member of length 2 along x2, A = 0.5, rho = 1, g = (0, 0, -1):
// q = 0.5 per unit length, end forces qL/2 = 0.5 down, end moments qL^2/12 of opposite sign.
TEST(Calc_F, FrameSelfWeight) {
  TestModel t;
  t.AddPoint(0, 0, 0);
  t.AddPoint(0, 2, 0);
  t.dofs = {"FFFFFF", "FFFFFF"};
  const int mat = t.AddMaterial(MAT_LIN_ISO, 1.0);
  t.AddElement({1, 2}, t.AddProp(4, MAT_LIN_ISO, mat, GEOM_CS_3D, t.AddFrame3D(0.5, 0.0)));
  t.gravity = {0, 0, -1};
  t.Build();
  Vec FF(t.nF), FP(1);
  t.LoadVector(FF, FP);
  EXPECT_NEAR(FF[t.numbers[1][3]], -0.5, kEps);
  EXPECT_NEAR(FF[t.numbers[2][3]], -0.5, kEps);
  EXPECT_NEAR(std::fabs(FF[t.numbers[1][4]]), 1.0 / 6.0, kEps);
  EXPECT_NEAR(FF[t.numbers[1][4]], -FF[t.numbers[2][4]], kEps);
  EXPECT_NEAR(FF[t.numbers[1][1]] + FF[t.numbers[1][2]] + FF[t.numbers[2][1]] + FF[t.numbers[2][2]], 0.0, kEps);
}

TEST(Calc_F_NL, LinearGroupsTakeTheLinearGravityRoutines) {
  PlaneModel p;
  p.t.dofs = {"0FF000", "0FF000", "0FF000", "0FF000"};
  p.t.gravity = {0, 0, -1};
  p.t.Build();
  Vec FF(8), FP(1);
  MainWorkArrays w = p.t.Work();
  w.nF = 8;
  w.nP = 0;
  Calc_F_NL(1, 0.0, 0.0, nullptr, p.t.oc, &p.t.lc, &p.t.mesh, nullptr, nullptr, &w, FF, FP, nullptr);
  for (int k = 2; k <= 8; k += 2) EXPECT_NEAR(FF[k], -5.0, kEps);
}

// ---- prescribed displacements ----

TEST(Calc_a_Presc, ValuesOnThePrescribedEquations) {
  TwoPoints m("PPFFFF", "FFFPFF");
  m.t.prescribed = {{2, 4, 0.25}, {1, 2, -1.5}};
  m.t.Build();
  Vec uP(3);
  filld1(uP, 3, 7.0);
  Calc_a_Presc(3, 1, &m.t.lc, m.t.numbers, uP, m.t.codes);
  EXPECT_EQ(uP[1], 0.0);
  EXPECT_EQ(uP[2], -1.5);
  EXPECT_EQ(uP[3], 0.25);
}

TEST(Calc_a_PrescDeathTest, ValueOnADofNotDeclaredPrescribed) {
  TwoPoints m("PPFFFF", "FFFPFF");
  m.t.prescribed = {{2, 3, 0.25}};
  m.t.Build();
  Vec uP(3);
  EXPECT_EXIT(Calc_a_Presc(3, 5, &m.t.lc, m.t.numbers, uP, m.t.codes), testing::ExitedWithCode(1),
              StderrIs("\nTreating the prescribed displacements:\n   -> Load case: 5\n   -> Point: 2\n"
                       "   -> Degree of freedom: _D3\n\nERROR:\nPrescribed displacement in a degree of freedom that is "
                       "not\ndeclared as prescribed in the <SUPPORTS> block.\n\n"));
}

TEST(Calc_a_PrescDeathTest, SecondValueForTheSameDof) {
  TwoPoints m("PPFFFF", "FFFPFF");
  m.t.prescribed = {{1, 1, 0.0}, {1, 1, 0.5}};
  m.t.Build();
  Vec uP(3);
  EXPECT_EXIT(Calc_a_Presc(3, 1, &m.t.lc, m.t.numbers, uP, m.t.codes), testing::ExitedWithCode(1),
              Lit("The prescribed displacement of this degree of freedom\nis given more than once."));
}

}  // namespace
