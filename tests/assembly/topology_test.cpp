#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assembly/topology.h"
#include "elements/locate.h"
#include "topology_fixture.h"

namespace {

// Plane mesh in (x2, x3): a quadrilateral 1-2-3-4, a 2-D frame 2-5 and a 2-D truss 5-6.
tw::Model MixedPlaneModel() {
  tw::Model m = BaseModel();
  tw::AddPoint(m, 0, 0, 0);
  tw::AddPoint(m, 0, 1, 0);
  tw::AddPoint(m, 0, 1, 1);
  tw::AddPoint(m, 0, 0, 1);
  tw::AddPoint(m, 0, 2, 0);
  tw::AddPoint(m, 0, 2, 1);
  tw::AddElement(m, {1, 2, 3, 4});
  tw::AddElement(m, {2, 5});
  tw::AddElement(m, {5, 6});
  AddProperty(m, 1, 1, 10);
  AddProperty(m, 2, 2, 3);
  AddProperty(m, 3, 3, 1);
  return m;
}

// Two 4-node Mindlin shells sharing the edge 2-3: the first in the plane x3 = 0, the
// second folded up about that edge by `degrees`; `flip` numbers the second clockwise.
tw::Model TwoShells(double degrees, int secondType = 20, bool flip = false) {
  tw::Model m = BaseModel();
  const double h = std::tan(degrees * M_PI / 180.0);
  tw::AddPoint(m, 0, 0, 0);
  tw::AddPoint(m, 1, 0, 0);
  tw::AddPoint(m, 1, 1, 0);
  tw::AddPoint(m, 0, 1, 0);
  tw::AddPoint(m, 2, 0, h);
  tw::AddPoint(m, 2, 1, h);
  tw::AddElement(m, {1, 2, 3, 4});
  if (flip)
    tw::AddElement(m, {2, 3, 6, 5});
  else
    tw::AddElement(m, {2, 5, 6, 3});
  AddProperty(m, 1, 1, 20);
  AddProperty(m, 2, 2, secondType);
  return m;
}

}  // namespace

TEST(DofNumbering, MixedPlaneMesh) {
  tw::Model m = MixedPlaneModel();
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(1, "000100"));  // a dof no element uses
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(6, "011000"));
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(3, "011000", 2, 2));  // another phase
  Built b(m);
  const char* expected[7] = {"", ".FFP..", ".FFF..", ".FF...", ".FF...", ".FFF..", ".PP..."};
  for (int p = 1; p <= 6; p++) EXPECT_EQ(b.Codes(p), expected[p]) << "point " << p;
  EXPECT_EQ(b.w.nF, 12);
  EXPECT_EQ(b.w.nP, 3);
  // Free equations 1..12, then prescribed 1..3, each in point order.
  const int numbers[7][7] = {{0}, {0, 0, 1, 2, 1, 0, 0},   {0, 0, 3, 4, 5, 0, 0},    {0, 0, 6, 7, 0, 0, 0},
                                 {0, 0, 8, 9, 0, 0, 0},       {0, 0, 10, 11, 12, 0, 0}, {0, 0, 2, 3, 0, 0, 0}};
  for (int p = 1; p <= 6; p++)
    for (int d = 1; d <= 6; d++) EXPECT_EQ(b.w.PointDofNumbers[p][d], numbers[p][d]) << p << "," << d;
  EXPECT_EQ(b.w.nDrillPoints, 0);
  EXPECT_EQ(b.w.nMotherElems, 0);
  for (int p = 1; p <= 6; p++) EXPECT_EQ(b.w.PointTypes[p], 'G');
}

TEST(DofNumbering, FreeThenPrescribedInPointOrder) {
  // Points 1..3 with free dofs 1 and 2, point 2 also with prescribed dof 3.
  MeshData mesh{};
  mesh.nPoints = 3;
  char** codes;
  int** numbers;
  allocc2(&codes, 3, 6);
  alloci2(&numbers, 3, 6);
  zeroc2(codes, 3, 6);
  for (int p = 1; p <= 3; p++) codes[p][1] = codes[p][2] = 'F';
  codes[2][3] = 'P';
  int nF, nP;
  NumberFreeDofs(&mesh, codes, numbers, &nF, &nP);
  EXPECT_EQ(nF, 6);
  EXPECT_EQ(nP, 1);
  for (int p = 1; p <= 3; p++) {
    EXPECT_EQ(numbers[p][1], 2 * p - 1);
    EXPECT_EQ(numbers[p][2], 2 * p);
  }
  EXPECT_EQ(numbers[2][3], 1);
  EXPECT_EQ(numbers[1][3], 0);
  freei2(numbers);
  freec2(codes);
}

TEST(Topology, PhasesSelectActiveElementsAndLaterRecordsOverride) {
  tw::Model m = MixedPlaneModel();
  m.main.nPhases = 2;
  // Phase 2: only the truss, with a second record that overrides the first.
  m.blocks["<ELEMENT_PROPERTIES>"][0] = tw::ElementProperty(1, 2, 10, 1, 1, 5, 1, 1, 0, 1, 1);
  m.blocks["<ELEMENT_PROPERTIES>"][1] = tw::ElementProperty(3, 3, 2, 1, 1, 2, 1, 1, 0, 1, 2);
  m.blocks["<ELEMENT_PROPERTIES>"][2] = tw::ElementProperty(3, 3, 1, 1, 1, 2, 1, 1, 0, 2, 2);
  Built b(m, 2);
  EXPECT_EQ(b.w.ElemPropIndex[1], 0);
  EXPECT_EQ(b.w.ElemPropIndex[2], 0);
  EXPECT_EQ(b.w.ElemPropIndex[3], 3);
  for (int p = 1; p <= 4; p++) {
    EXPECT_EQ(b.w.PointElemAdjacency[p].count, 0);
    EXPECT_EQ(b.Codes(p), "......");
  }
  EXPECT_EQ(b.Codes(5), ".FF...");  // the 2-D truss of the last record
  EXPECT_EQ(b.w.nF, 4);
}

TEST(Topology, AdjacencyInElementThenNodeOrder) {
  tw::Model m = MixedPlaneModel();
  tw::AddElement(m, {5, 2, 5});  // a 3-node cable that names point 5 twice
  AddProperty(m, 4, 4, 5);
  Built b(m);
  const PointList& p5 = b.w.PointElemAdjacency[5];
  ASSERT_EQ(p5.count, 4);
  const int pairs[5][2] = {{0, 0}, {2, 2}, {3, 1}, {4, 1}, {4, 3}};
  for (int i = 1; i <= 4; i++) {
    EXPECT_EQ(p5.items[i].element, pairs[i][0]);
    EXPECT_EQ(p5.items[i].node, pairs[i][1]);
  }
  EXPECT_EQ(b.w.PointElemAdjacency[2].count, 3);
}

TEST(Topology, SpecialCoordinateSystems) {
  tw::Model m = MixedPlaneModel();
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(1, 0, 0));
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(0, 0.6, 0.8));
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(0, -0.8, 0.6));
  tw::AddRecord(m, "<COORDINATE_SYSTEMS>", CoordSystem(1, 2, 3));
  tw::AddRecord(m, "<COORDINATE_SYSTEMS>", CoordSystem(1, 3, 2));
  tw::AddRecord(m, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", SpecialCsPoint(6, 1));
  tw::AddRecord(m, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", SpecialCsPoint(6, 2));  // the first one wins
  Built b(m);
  EXPECT_EQ(b.w.PointSpecialCS[6], 1);
  EXPECT_EQ(b.w.PointSpecialCS[5], 0);
  EXPECT_EQ(b.w.ElemHasSpecialCSNode[1], 0);
  EXPECT_EQ(b.w.ElemHasSpecialCSNode[2], 0);
  EXPECT_EQ(b.w.ElemHasSpecialCSNode[3], 1);

  // Point displacements: equation components as they are (flag 0); global components
  // rotated back (flag 1): u_global = R^T u_special.
  std::vector<double> aF(b.w.nF + 1), aP(b.w.nP + 1);
  for (int i = 1; i <= b.w.nF; i++) aF[i] = 0.1 * i;
  aF[b.w.PointDofNumbers[6][2]] = 2.0;
  aF[b.w.PointDofNumbers[6][3]] = -1.0;
  double** U;
  allocd2(&U, 6, 6);
  CalcPointDispl(0, &b.mesh, b.w.PointDofCodes, b.w.PointDofNumbers, aF.data(), aP.data(), b.w.PointSpecialCS,
                 b.w.PointTypes, b.w.ElemPropIndex, b.w.PointElemAdjacency, U);
  EXPECT_EQ(U[6][2], 2.0);
  EXPECT_EQ(U[6][3], -1.0);
  CalcPointDispl(1, &b.mesh, b.w.PointDofCodes, b.w.PointDofNumbers, aF.data(), aP.data(), b.w.PointSpecialCS,
                 b.w.PointTypes, b.w.ElemPropIndex, b.w.PointElemAdjacency, U);
  EXPECT_EQ(U[6][1], 0.0);
  EXPECT_NEAR(U[6][2], 0.6 * 2.0 + 0.8 * 1.0, 1e-15);
  EXPECT_NEAR(U[6][3], 0.8 * 2.0 - 0.6 * 1.0, 1e-15);
  for (int d = 4; d <= 6; d++) EXPECT_EQ(U[6][d], 0.0);
  EXPECT_EQ(U[5][4], aF[b.w.PointDofNumbers[5][4]]);  // general point: unchanged
  freed2(U);
}

TEST(PointTypes, CoplanarWithinOneDegreeKinkBeyond) {
  {
    Built b(TwoShells(0.5), 1, "_05");
    for (int p = 1; p <= 6; p++) EXPECT_EQ(b.w.PointTypes[p], 'M') << p;
    EXPECT_EQ(b.w.nDrillPoints, 6);
    EXPECT_EQ(b.Codes(2), "FFFFFF");  // the drill dof exists; the assembly holds it
  }
  {
    Built b(TwoShells(2.0), 1, "_2");
    EXPECT_EQ(b.w.PointTypes[2], 'G');
    EXPECT_EQ(b.w.PointTypes[3], 'G');
    EXPECT_EQ(b.w.PointTypes[1], 'M');  // a single shell is coplanar
    EXPECT_EQ(b.w.nDrillPoints, 4);
  }
  {
    tw::Model m = TwoShells(0.0, 22);
    m.blocks["<ELEMENT_PROPERTIES>"][0] = tw::ElementProperty(1, 2, 22, 1, 1, 5, 1);
    Built b(m, 1, "_ahmad");
    for (int p = 1; p <= 6; p++) EXPECT_EQ(b.w.PointTypes[p], 'A') << p;
  }
  {
    // A 3-D frame along the shared edge makes its points general.
    tw::Model m = TwoShells(0.0);
    tw::AddElement(m, {2, 3});
    AddProperty(m, 3, 3, 4);
    Built b(m, 1, "_frame");
    EXPECT_EQ(b.w.PointTypes[2], 'G');
    EXPECT_EQ(b.w.PointTypes[3], 'G');
    EXPECT_EQ(b.w.PointTypes[4], 'M');
    EXPECT_EQ(b.w.nDrillPoints, 4);
  }
}

TEST(PointTypes, CoplanarRotationsBackToGlobal) {
  // One shell in a tilted plane: every point is coplanar; its rotations are given in
  // the point's tangent system, the drill rotation is zero.
  tw::Model m = BaseModel();
  tw::AddPoint(m, 0, 0, 0);
  tw::AddPoint(m, 1, 0, 0.5);
  tw::AddPoint(m, 1, 1, 1.0);
  tw::AddPoint(m, 0, 1, 0.5);
  tw::AddElement(m, {1, 2, 3, 4});
  AddProperty(m, 1, 1, 20);
  Built b(m);
  std::vector<double> aF(b.w.nF + 1, 0.0), aP(1, 0.0);
  aF[b.w.PointDofNumbers[3][4]] = 0.3;
  aF[b.w.PointDofNumbers[3][5]] = -0.4;
  aF[b.w.PointDofNumbers[3][1]] = 7.0;
  double** U;
  allocd2(&U, 4, 6);
  CalcPointDispl(1, &b.mesh, b.w.PointDofCodes, b.w.PointDofNumbers, aF.data(), aP.data(), b.w.PointSpecialCS,
                 b.w.PointTypes, b.w.ElemPropIndex, b.w.PointElemAdjacency, U);
  const double n[4] = {0, -0.5 / std::sqrt(1.5), -0.5 / std::sqrt(1.5), 1.0 / std::sqrt(1.5)};
  EXPECT_EQ(U[3][1], 7.0);
  const double along = U[3][4] * n[1] + U[3][5] * n[2] + U[3][6] * n[3];
  EXPECT_NEAR(along, 0.0, 1e-15);  // no rotation about the normal
  EXPECT_NEAR(std::sqrt(U[3][4] * U[3][4] + U[3][5] * U[3][5] + U[3][6] * U[3][6]), 0.5, 1e-15);
  // A drill value beyond 1e-8 cannot come from valid data.
  aF[b.w.PointDofNumbers[3][6]] = 1e-6;
  EXPECT_EXIT(CalcPointDispl(1, &b.mesh, b.w.PointDofCodes, b.w.PointDofNumbers, aF.data(), aP.data(),
                             b.w.PointSpecialCS, b.w.PointTypes, b.w.ElemPropIndex, b.w.PointElemAdjacency, U),
              testing::ExitedWithCode(1), "INTERNAL ERROR");
  freed2(U);
}

TEST(TopologyDeath, ShellPointFaults) {
  const std::string flipped =
      "\nPoint n. 2\n\nERROR:\nIn this coplanar point, some shell elements are numbered\nclockwise and the others "
      "are numbered anticlockwise.\nIn coplanar points, all adjacent elements must have their\nnodes numbered in a "
      "consistent manner.\nThe mesh must be changed.\n\n";
  EXPECT_EXIT(Built b(TwoShells(0.0, 20, true)), testing::ExitedWithCode(1), Whole(flipped));
  const std::string mixed =
      "\nPoint n. 2\n\nERROR:\nIn a coplanar point, Mindlin shell elements and Ahmad\nshell elements cannot "
      "coexist.\nThe mesh must be changed.\n\n";
  EXPECT_EXIT(Built b(TwoShells(0.0, 22)), testing::ExitedWithCode(1), Whole(mixed));
  tw::Model m = TwoShells(0.0);
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(1, 0, 0));
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(0, 1, 0));
  tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(0, 0, 1));
  tw::AddRecord(m, "<COORDINATE_SYSTEMS>", CoordSystem(1, 2, 3));
  tw::AddRecord(m, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", SpecialCsPoint(4, 1));
  const std::string special =
      "\nChecking point n. 4\nSpecial coordinate system n. 1\n\nERROR:\nA special coordinate system cannot be "
      "specified in a coplanar point.\nWhen a special coordinate system needs to be specified in a coplanar\npoint, "
      "an embedded frame beam must be added to convert the coplanar\npoint into a kink point.\n\n";
  EXPECT_EXIT(Built b(m), testing::ExitedWithCode(1), Whole(special));
}

TEST(TopologyDeath, UnavailableRecordsAreRefused) {
  tw::Model m = MixedPlaneModel();
  m.discontinuities.push_back(tw::Rec().I(1).I(0).I(0).I(0).C(0).C(0).C(0).C(0));
  EXPECT_EXIT(Built b(m), testing::ExitedWithCode(1),
              Whole("\n   -> Block name: <LINE_EMBEDDED_STRONG_DISCONTINUITY>\n\nERROR:\nLine-embedded strong "
                    "discontinuities are not available.\nThe <LINE_EMBEDDED_STRONG_DISCONTINUITY> block must be "
                    "empty.\n\n"));
  tw::Model s = MixedPlaneModel();
  tw::AddRecord(s, "<LINE_SPRINGS>",
                tw::Rec().I(0).I(0).I(0).I(3).I(0).I(0).C(0).I(0).C(0).C(0).C(0).C(0).C(2).IList({}));
  EXPECT_EXIT(Built b(s), testing::ExitedWithCode(1),
              Whole("\nVerifying the data file\n   -> Block name: <LINE_SPRINGS>\n   -> Record counter: 1\n\nERROR:\n"
                    "Springs of nonlinear spring materials need a materially nonlinear analysis.\n\n"));
}

// ---- mother elements of embedded cables ----------------------------------------------

namespace {

// Two plane quadrilaterals side by side in (x2, x3): element 1 over [0, 1] x [0, 1],
// element 2 over [1, 2] x [0, 1]; one 2-D embedded cable (element 3) from a to b.
tw::Model CableModel(double a2, double a3, double b2, double b3) {
  tw::Model m = BaseModel();
  tw::AddPoint(m, 0, 0, 0);
  tw::AddPoint(m, 0, 1, 0);
  tw::AddPoint(m, 0, 1, 1);
  tw::AddPoint(m, 0, 0, 1);
  tw::AddPoint(m, 0, 2, 0);
  tw::AddPoint(m, 0, 2, 1);
  tw::AddPoint(m, 0, a2, a3);
  tw::AddPoint(m, 0, b2, b3);
  tw::AddElement(m, {1, 2, 3, 4});
  tw::AddElement(m, {2, 5, 6, 3});
  tw::AddElement(m, {7, 8});
  AddProperty(m, 1, 2, 10);
  AddProperty(m, 3, 3, 31);
  return m;
}

}  // namespace

TEST(MotherElements, CableInsideOneElement) {
  Built b(CableModel(1.2, 0.25, 1.8, 0.75));
  ASSERT_EQ(b.w.nMotherElems, 1);
  EXPECT_EQ(b.w.MotherElemIndex[1], 0);
  EXPECT_EQ(b.w.MotherElemIndex[2], 1);
  EXPECT_EQ(b.w.MotherElemIndex[3], 0);
  const EmbCableMotherRecord& r = b.w.EmbCableMotherRecord[1];
  ASSERT_EQ(r.nCables, 1);
  EXPECT_EQ(r.cables[1], 3);
  // Two Gauss points at 1.5 -+ 0.3/sqrt(3) along x2, 0.5 -+ 0.25/sqrt(3) along x3:
  // natural coordinates (2 (x2 - 1.5), 2 (x3 - 0.5)) in element 2.
  const double g = 1.0 / std::sqrt(3.0);
  const double expected[5] = {0, -0.6 * g, -0.5 * g, 0.6 * g, 0.5 * g};
  for (int k = 1; k <= 4; k++) EXPECT_NEAR(r.natCoords[1][k], expected[k], 1e-9) << k;
  // Cable nodes have no dofs of their own.
  EXPECT_EQ(b.Codes(7), "......");
  EXPECT_EQ(b.w.nF, 12);
}

TEST(MotherElements, NodeOnSharedEdgeGoesToLowerElement) {
  tw::Model m = CableModel(1.0, 0.2, 1.0, 0.8);
  // A second cable, inside element 2 only, listed after the first in element 2's record.
  tw::AddPoint(m, 0, 1.5, 0.5);
  tw::AddPoint(m, 0, 1.9, 0.5);
  tw::AddElement(m, {9, 10});
  AddProperty(m, 4, 4, 31);
  Built b(m);
  ASSERT_EQ(b.w.nMotherElems, 2);
  EXPECT_EQ(b.w.MotherElemIndex[1], 1);
  EXPECT_EQ(b.w.MotherElemIndex[2], 2);
  EXPECT_EQ(b.w.EmbCableMotherRecord[1].cables[1], 3);
  EXPECT_EQ(b.w.EmbCableMotherRecord[2].cables[1], 4);
  EXPECT_NEAR(b.w.EmbCableMotherRecord[1].natCoords[1][1], 1.0, 1e-9);
}

TEST(MotherElements, HexahedronAndShellMothers) {
  // 3-D cable in a unit brick.
  tw::Model m = BaseModel();
  const double c[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (const auto& p : c) tw::AddPoint(m, p[0], p[1], p[2]);
  tw::AddPoint(m, 0.25, 0.5, 0.5);
  tw::AddPoint(m, 0.75, 0.5, 0.5);
  tw::AddElement(m, {1, 2, 3, 4, 5, 6, 7, 8});
  tw::AddElement(m, {9, 10});
  AddProperty(m, 1, 1, 24);
  AddProperty(m, 2, 2, 32);
  Built b(m, 1, "_hexa");
  ASSERT_EQ(b.w.nMotherElems, 1);
  const double* s = b.w.EmbCableMotherRecord[1].natCoords[1];
  const double g = 0.5 / std::sqrt(3.0);
  EXPECT_NEAR(s[1], -g, 1e-9);
  EXPECT_NEAR(s[2], 0.0, 1e-9);
  EXPECT_NEAR(s[3], 0.0, 1e-9);
  EXPECT_NEAR(s[4], g, 1e-9);

  // 3-D cable off the mid-surface of a warped Mindlin shell (z = 0.1 x y), inside its
  // bounding box: located by its projection on the surface.
  tw::Model sh = BaseModel();
  tw::AddPoint(sh, 0, 0, 0);
  tw::AddPoint(sh, 2, 0, 0);
  tw::AddPoint(sh, 2, 2, 0.4);
  tw::AddPoint(sh, 0, 2, 0);
  tw::AddPoint(sh, 0.5, 1.0, 0.12);
  tw::AddPoint(sh, 1.5, 1.0, 0.2);
  tw::AddElement(sh, {1, 2, 3, 4});
  tw::AddElement(sh, {5, 6});
  AddProperty(sh, 1, 1, 20);
  AddProperty(sh, 2, 2, 32);
  Built bs(sh, 1, "_shell");
  ASSERT_EQ(bs.w.nMotherElems, 1);
  for (int k = 1; k <= 4; k++) EXPECT_LT(std::fabs(bs.w.EmbCableMotherRecord[1].natCoords[1][k]), 1.0);
}

TEST(MotherElementsDeath, CableCrossingTwoElementsHasNoMother) {
  EXPECT_EXIT(Built b(CableModel(0.5, 0.5, 1.5, 0.5)), testing::ExitedWithCode(1),
              Whole("\nElement n. 3 (embedded cable) needs a mother element.\nA mother element could not be "
                    "found.\n\nERROR:\nData file must be checked (element\ngeometry and/or mesh connectivity).\n\n"));
  // Just outside the bounding box of every element: no Newton iteration, no mother.
  EXPECT_EXIT(Built b(CableModel(1.2, 0.5, 1.8, 1.00002)), testing::ExitedWithCode(1), "needs a mother element");
  // Inside the bounding box of a tapered element but outside the element itself.
  tw::Model m = BaseModel();
  tw::AddPoint(m, 0, 0, 0);
  tw::AddPoint(m, 0, 1, 0);
  tw::AddPoint(m, 0, 0.2, 1);
  tw::AddPoint(m, 0, 0, 1);
  tw::AddPoint(m, 0, 0.1, 0.1);
  tw::AddPoint(m, 0, 0.9, 0.9);
  tw::AddElement(m, {1, 2, 3, 4});
  tw::AddElement(m, {5, 6});
  AddProperty(m, 1, 1, 10);
  AddProperty(m, 2, 2, 31);
  EXPECT_EXIT(Built b(m), testing::ExitedWithCode(1), "Element n. 2 \\(embedded cable\\) needs a mother element");
}

TEST(MotherElements, WithinToleranceOfTheBoxAndTheElement) {
  // 1.000004 lies within 1e-5 of the box and within 1.00001 in natural coordinates.
  Built b(CableModel(1.2, 0.5, 1.8, 1.000004));
  EXPECT_EQ(b.w.nMotherElems, 1);
  EXPECT_EQ(b.w.MotherElemIndex[2], 1);
}
