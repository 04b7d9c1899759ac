// Embedded cables: a cable in a unit plane-stress square (its own stiffness, the combined
// axial stiffness, the forces of F = K a), the strain along the cable from linear fields
// in distorted plane and solid mothers, the tangent of the cyclic steel law in the first
// iterations, the displacements of cable nodes, and the refusals.
#include <cmath>
#include <numbers>

#include "line_fixture.h"

using namespace linefix;

namespace {

constexpr int kQuad = 10, kHexa = 24, kEmb2D = 31, kEmb3D = 32;
const double g = 1.0 / std::sqrt(3.0);

// Mother element 1 and cable element 2; the cable's material is record 2 of its kind.
struct EmbCase {
  int motherType = kQuad;
  std::vector<std::array<double, 3>> motherPoints;
  std::vector<std::array<double, 3>> cablePoints;
  double Es = 1.0, As = 1.0;
  int cableKind = MAT_LIN_ISO;
  // Values 3.. of the cable's "<NLMM201>" record (record 2): eps_y, f_y, eps_sh, f_sh, eps_u, f_u, p.
  std::vector<double> steel201{2.0, 2.0, 0, 0, 0, 0, 0};
};

Model EmbModel(const EmbCase& c) {
  Model m;
  std::vector<int32_t> mother, cable;
  for (const auto& p : c.motherPoints) mother.push_back(testmodel::AddPoint(m, p[0], p[1], p[2]));
  for (const auto& p : c.cablePoints) cable.push_back(testmodel::AddPoint(m, p[0], p[1], p[2]));
  testmodel::AddElement(m, mother);
  testmodel::AddElement(m, cable);
  testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("concrete", 0, 0, 1.0, 0.0));
  testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("steel", 0, 1e-5, c.Es, 0.3));
  testmodel::AddRecord(m, "<NLMM201>", Rec().S("steel 201").Ds({0, 1e-5, 2.0, 2.0 * c.Es, 0, 0, 0, 0, 0}));
  std::vector<double> steel{0, 1e-5};
  steel.insert(steel.end(), c.steel201.begin(), c.steel201.end());
  if (c.steel201[1] == 2.0) steel[3] = 2.0 * c.Es;
  testmodel::AddRecord(m, "<NLMM201>", Rec().S("steel 201").Ds(steel));
  testmodel::AddRecord(m, "<NLMM202>", Rec().S("steel 202").Ds({0, 1e-5, c.Es, 0.01 * c.Es, 0.002, 0.002 * c.Es, 0.01, 0, 0.1, 0.003 * c.Es}));
  testmodel::AddRecord(m, "<NLMM202>", Rec().S("steel 202").Ds({0, 1e-5, c.Es, 0.01 * c.Es, 0.002, 0.002 * c.Es, 0.01, 0, 0.1, 0.003 * c.Es}));
  testmodel::AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("t", 1.0));
  testmodel::AddRecord(m, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("As", c.As));
  if (c.motherType == kQuad)
    testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>",
                         testmodel::ElementProperty(1, 1, kQuad, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
  else
    testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, kHexa, MAT_LIN_ISO, 1, 0, 0));
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>",
                       testmodel::ElementProperty(2, 2, c.motherType == kQuad ? kEmb2D : kEmb3D, c.cableKind, 2,
                                                  GEOM_CS_AREA, 1));
  return m;
}

// One mother record holding cable 2 with the mother's natural coordinates of its two
// integration points.
struct MotherRecords {
  EmbCableMotherRecord rec[2];
  int cables[2] = {0, 2};
  double coords[7];
  double* slots[2];
  MotherRecords(const std::vector<double>& natCoords) {
    for (size_t k = 0; k < natCoords.size(); k++) coords[k + 1] = natCoords[k];
    slots[1] = coords;
    rec[1].nCables = 1;
    rec[1].cables = cables;
    rec[1].natCoords = slots;
  }
  operator const EmbCableMotherRecord*() const { return rec; }
};

const std::vector<std::array<double, 3>> kUnitSquare = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}};

// Plane-stress stiffness of a 4-node quadrilateral (t = 1) from the kernel's B and D
// with the 2 x 2 Gauss rule; X in (x2, x3).
void QuadStiffness(double** X, double E, double nu, double** K) {
  Mat D(3, 3), B(3, 8), dN(4, 2), J(2, 2), Jinv(2, 2), dNdx(4, 2), k(8, 8);
  CalcMat_De_PlaneStress(3, 3, nu, E, D);
  zerod2(K, 8, 8);
  for (double s1 : {-g, g})
    for (double s2 : {-g, g}) {
      const double s[3] = {0, s1, s2};
      CalcShapeFuncDerivQuad(4, dN, s);
      CalcMat_Jacobian(4, 2, 2, X, dN, J);
      const double det = CalcInvJacobian(1, kCtxStiffness, 2, J, Jinv);
      CalcCartesianDeriv(4, 2, dN, Jinv, dNdx);
      zerod2(B, 3, 8);
      CalcMat_B_Plane2D(4, B, dNdx);
      btabd2(k, D, B, 3, 8);
      scaled2(k, 8, 8, det);
      addd2(K, k, 8, 8);
    }
}

}  // namespace

TEST(EmbCable, CableAlongX2InAUnitPlaneStressSquare) {
  // E = 1, nu = 0, t = 1 square with a cable EsAs = 1 along x2 at mid-height: the cable
  // adds b b^T with b = -0.5, 0.5, 0.5, -0.5 on the x2 dofs; the pair is twice as stiff
  // as the square alone, so a unit pull stretches it by 0.5.
  EmbCase c;
  c.motherPoints = kUnitSquare;
  c.cablePoints = {{0, 0, 0.5}, {0, 1, 0.5}};
  LoadedMesh mesh(EmbModel(c));
  MotherRecords recs({-g, 0.0, g, 0.0});
  Flags oc;
  Mat Kc(8, 8);
  CalcStiffEmbCable2D(8, 2, 1, 1, 1, kQuad, 4, 2, oc, mesh, Kc, recs);
  const double b[9] = {0, -0.5, 0, 0.5, 0, 0.5, 0, -0.5, 0};
  for (int i = 1; i <= 8; i++)
    for (int j = 1; j <= 8; j++) EXPECT_NEAR(Kc[i][j], b[i] * b[j], 1e-14);

  Mat X(4, 2), Kq(8, 8);
  CalcMat_ElemNodeCoord(1, kQuad, 4, mesh->ElemNodes, X, mesh->PointCoord);
  QuadStiffness(X, 1.0, 0.0, Kq);
  const std::vector<double> f = {0, 0, 0, 0.5, 0, 0.5, 0, 0, 0};
  const std::vector<int> fixed = {1, 2, 7};  // x2 of the left edge, x3 of node 1
  Dense alone(4, 2), both(4, 2);
  alone.Add({1, 2, 3, 4}, Kq);
  both.Add({1, 2, 3, 4}, Kq);
  both.Add({1, 2, 3, 4}, Kc);
  const std::vector<double> u1 = alone.Solve(f, fixed), u2 = both.Solve(f, fixed);
  EXPECT_NEAR(u1[3], 1.0, 1e-12);
  EXPECT_NEAR(u1[5], 1.0, 1e-12);
  EXPECT_NEAR(u2[3], 0.5, 1e-12);
  EXPECT_NEAR(u2[5], 0.5, 1e-12);

  // F = K a: the cable strained by 0.5 carries 0.5, pulling the right nodes by 0.25 each.
  Vec a(8), F(8);
  for (int i = 1; i <= 8; i++) a[i] = u2[i];
  CalcInt_Fg_EmbCable2D(8, 1, 2, 1, 1, kQuad, 4, 2, oc, mesh, a, F, recs);
  const double expected[9] = {0, -0.25, 0, 0.25, 0, 0.25, 0, -0.25, 0};
  for (int i = 1; i <= 8; i++) EXPECT_NEAR(F[i], expected[i], 1e-12);
}

TEST(EmbCable, StrainRowGivesTheStrainAlongTheCableOfALinearField) {
  // u = G x in a distorted mother: b . a = t^T G t at any point, for any direction (45
  // degrees in 2-D among them: v = (1/2, 1/2, 1/2)).
  const double G2[3][3] = {{0, 0, 0}, {0, 2e-3, -1e-3}, {0, 4e-3, 3e-3}};
  Mat Xq(4, 2), T2(2, 2);
  const double xq[5][2] = {{0, 0}, {0, 0}, {2.0, 0.2}, {2.3, 1.7}, {-0.2, 1.4}};
  for (int k = 1; k <= 4; k++) Xq[k][1] = xq[k][0], Xq[k][2] = xq[k][1];
  Vec a2(8), b2(8);
  for (int k = 1; k <= 4; k++)
    for (int i = 1; i <= 2; i++) a2[2 * (k - 1) + i] = G2[i][1] * Xq[k][1] + G2[i][2] * Xq[k][2];
  const double sm2[3] = {0, 0.3, -0.6};
  for (double angle : {0.0, std::numbers::pi / 4, 1.0, 2.5}) {
    const double t[3] = {0, std::cos(angle), std::sin(angle)};
    T2[1][1] = t[1], T2[1][2] = t[2], T2[2][1] = -t[2], T2[2][2] = t[1];
    CalcMat_B_EmbCable2D(2, 8, 2, 1, 4, kQuad, b2, sm2, T2, Xq);
    double expected = 0.0;
    for (int i = 1; i <= 2; i++)
      for (int j = 1; j <= 2; j++) expected += t[i] * G2[i][j] * t[j];
    EXPECT_NEAR(dotd1(b2, a2, 8), expected, 1e-15) << "angle " << angle;
  }

  const double G3[4][4] = {{0, 0, 0, 0}, {0, 1e-3, 2e-3, -1e-3}, {0, 3e-3, -2e-3, 5e-4}, {0, -4e-3, 1e-3, 2e-3}};
  const double corners[9][3] = {{0, 0, 0},     {0, 0, 0},    {2, 0.1, 0},   {2.2, 1.9, 0.1}, {-0.1, 2, 0},
                                {0.1, 0, 1.5}, {2, 0, 1.7},  {2.1, 2, 1.6}, {0, 2.1, 1.4}};
  Mat Xh(8, 3), T3(3, 3);
  for (int k = 1; k <= 8; k++)
    for (int i = 1; i <= 3; i++) Xh[k][i] = corners[k][i - 1];
  Vec a3(24), b3(24);
  for (int k = 1; k <= 8; k++)
    for (int i = 1; i <= 3; i++) {
      double s = 0.0;
      for (int j = 1; j <= 3; j++) s += G3[i][j] * Xh[k][j];
      a3[3 * (k - 1) + i] = s;
    }
  const double sm3[4] = {0, -0.2, 0.4, 0.7};
  for (const std::array<double, 3>& dir : {std::array<double, 3>{1, 0, 0}, {1, 2, 2}, {-1, 0.5, 3}}) {
    const double n = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    const double t[4] = {0, dir[0] / n, dir[1] / n, dir[2] / n};
    for (int j = 1; j <= 3; j++) T3[1][j] = t[j];
    CalcMat_B_EmbCable3D(24, 2, 1, 3, 8, kHexa, 11, b3, sm3, T3, Xh);
    double expected = 0.0;
    for (int i = 1; i <= 3; i++)
      for (int j = 1; j <= 3; j++) expected += t[i] * G3[i][j] * t[j];
    EXPECT_NEAR(dotd1(b3, a3, 24), expected, 1e-15);
  }
}

TEST(EmbCable, CableAlongX1InAUnitCube) {
  // EsAs = 3 along x1 through the centre of a cube of side L: u1 = eps x1 stores
  // EsAs eps^2 L, and the matrix is 3 / L b b^T with b = +-0.25 on the x1 dofs. A 2 mm
  // cube in metres (det J of the mother 1e-9) is no null element.
  for (double L : {1.0, 2e-3}) {
    SCOPED_TRACE(L);
    EmbCase c;
    c.motherType = kHexa;
    c.motherPoints = {{0, 0, 0}, {L, 0, 0}, {L, L, 0}, {0, L, 0}, {0, 0, L}, {L, 0, L}, {L, L, L}, {0, L, L}};
    c.cablePoints = {{0, 0.5 * L, 0.5 * L}, {L, 0.5 * L, 0.5 * L}};
    c.As = 3.0;
    LoadedMesh mesh(EmbModel(c));
    MotherRecords recs({-g, 0, 0, g, 0, 0});
    Flags oc;
    Mat K(24, 24);
    CalcStiffEmbCable3D(24, 2, 1, 1, 1, kHexa, 8, 2, oc, mesh, K, recs);
    Vec u(24);
    for (int k = 0; k < 8; k++) u[3 * k + 1] = 1e-3 * c.motherPoints[k][0];
    double energy = 0.0;
    for (int i = 1; i <= 24; i++)
      for (int j = 1; j <= 24; j++) energy += u[i] * K[i][j] * u[j];
    EXPECT_NEAR(energy, 3.0 * 1e-6 * L, 1e-18);
    for (int k = 0; k < 8; k++) EXPECT_NEAR(K[3 * k + 1][3 * k + 1] * L, 3.0 * 0.0625, 1e-14);
    EXPECT_NEAR(K[2][2], 0.0, 1e-15 / L);
  }
}

TEST(EmbCable, CyclicSteelTangentIsTheInitialModulusInTheFirstTwoIterations) {
  EmbCase c;
  c.motherPoints = kUnitSquare;
  c.cablePoints = {{0, 0.1, 0.2}, {0, 0.9, 0.7}};
  c.Es = 200.0;
  c.As = 0.01;
  LoadedMesh linMesh(EmbModel(c));
  c.cableKind = MAT_NLMM202;
  LoadedMesh nlMesh(EmbModel(c));
  // Natural coordinates of the cable's Gauss points in the unit square: s = 2x - 1.
  std::vector<double> nat;
  for (double s : {-g, g}) {
    const double x2 = 0.1 + 0.8 * (1 + s) / 2, x3 = 0.2 + 0.5 * (1 + s) / 2;
    nat.push_back(2 * x2 - 1);
    nat.push_back(2 * x3 - 1);
  }
  MotherRecords recs(nat);
  Flags oc;
  Mat Klin(8, 8), K(8, 8);
  CalcStiffEmbCable2D(8, 2, 1, 1, 1, kQuad, 4, 2, oc, linMesh, Klin, recs);
  for (int iter = 1; iter <= 2; iter++) {
    CalcStiffEmbCable2D_NL(1, 8, 2, 1, 1, iter, 1, kQuad, 4, 2, oc, nullptr, nlMesh, nullptr, nullptr, K, recs);
    EXPECT_LT(MaxDiff(K, Klin, 8, 8), 1e-14 * MaxAbs(Klin, 8, 8));
  }
  EXPECT_GT(MaxAbs(Klin, 8, 8), 0.1);
}

TEST(EmbCable, NodesWithTheirOwnDofsKeepTheirDisplacements) {
  // Both cable nodes are points that carry dofs (here: of a frame): nothing is located
  // or written.
  EmbCase c;
  c.motherPoints = kUnitSquare;
  c.cablePoints = {{0, 0.2, 0.5}, {0, 0.8, 0.5}};
  LoadedMesh mesh(EmbModel(c));
  MotherRecords recs({-g, 0.0, g, 0.0});
  int motherSeq[3] = {0, 1, 0}, propIdx[3] = {0, 1, 2};
  Mat u(6, 6);
  int** present;
  char** codes;
  alloci2(&present, 6, 6);
  allocc2(&codes, 6, 6);
  zeroi2(present, 6, 6);
  zeroc2(codes, 6, 6);
  for (int p = 1; p <= 6; p++)
    for (int i = 1; i <= 6; i++) u[p][i] = 10 * p + i;
  codes[5][2] = codes[6][1] = 'F';
  CalcPointDisplEmbCable(mesh, present, motherSeq, propIdx, u, codes, recs);
  for (int p = 1; p <= 6; p++)
    for (int i = 1; i <= 6; i++) {
      EXPECT_EQ(u[p][i], 10 * p + i);
      EXPECT_EQ(present[p][i], 0);
    }
  freec2(codes);
  freei2(present);
}

// Cable nodes without dofs of their own follow the mother element: located through the
// inverse mapping, they reproduce a linear displacement field exactly.
TEST(EmbCable, DoflessCableNodesInterpolateALinearField) {
  EmbCase c;
  c.motherPoints = {{0, 0, 0}, {0, 2, 0.1}, {0, 2.2, 1.5}, {0, -0.1, 1.2}};
  c.cablePoints = {{0, 0.3, 0.4}, {0, 1.6, 0.9}};
  LoadedMesh mesh(EmbModel(c));
  MotherRecords recs({0, 0, 0, 0});
  int motherSeq[3] = {0, 1, 0}, propIdx[3] = {0, 1, 2};
  Mat u(6, 6);
  int** present;
  char** codes;
  alloci2(&present, 6, 6);
  allocc2(&codes, 6, 6);
  zeroi2(present, 6, 6);
  zeroc2(codes, 6, 6);
  // u_i = c_i + G_i2 x2 + G_i3 x3 on the mother's nodes, for all six components.
  auto field = [](int i, double x2, double x3) { return 0.1 * i + 1e-3 * i * x2 - 2e-3 * x3 * (i % 3 + 1); };
  for (int p = 1; p <= 4; p++) {
    codes[p][2] = codes[p][3] = 'F';
    for (int i = 1; i <= 6; i++) u[p][i] = field(i, mesh->PointCoord[p][2], mesh->PointCoord[p][3]);
  }
  CalcPointDisplEmbCable(mesh, present, motherSeq, propIdx, u, codes, recs);
  for (int p = 5; p <= 6; p++) {
    for (int i = 1; i <= 6; i++) EXPECT_NEAR(u[p][i], field(i, mesh->PointCoord[p][2], mesh->PointCoord[p][3]), 1e-12);
    EXPECT_EQ(present[p][1], 0);
    EXPECT_EQ(present[p][2], 1);
    EXPECT_EQ(present[p][3], 1);
  }
  freec2(codes);
  freei2(present);
}

TEST(EmbCable, PrintsUnderItsOwnFlags) {
  // The cable's stiffness once, under the cable's number; its local axes at every point.
  EmbCase c;
  c.motherPoints = kUnitSquare;
  c.cablePoints = {{0, 0, 0.5}, {0, 1, 0.5}};
  LoadedMesh mesh(EmbModel(c));
  MotherRecords recs({-g, 0.0, g, 0.0});
  Mat K(8, 8);
  Flags oc;
  oc.f[OC_PRINT_MAT_KG_EMB_CABLE_2D] = 'Y';
  std::string out = Printed([&] { CalcStiffEmbCable2D(8, 2, 1, 1, 1, kQuad, 4, 2, oc, mesh, K, recs); });
  EXPECT_EQ(Occurrences(out, "Stiffness matrix Kg (_EMB_CABLE_2D):\nElement n. 2\n"), 1);
  EXPECT_EQ(Occurrences(out, "Transformation matrix"), 0);
  Flags ot;
  ot.f[OC_PRINT_MAT_T_EMB_CABLE_2D] = 'Y';
  out = Printed([&] { CalcStiffEmbCable2D(8, 2, 1, 1, 1, kQuad, 4, 2, ot, mesh, K, recs); });
  EXPECT_EQ(Occurrences(out, "Transformation matrix T (_EMB_CABLE_2D):\nElement n. 2\n"), 2);
  EXPECT_EQ(Occurrences(out, "Stiffness matrix"), 0);
}

TEST(EmbCableDeath, RefusesWhatItCannotCompute) {
  Flags oc;
  Mat K(24, 24);
  Vec a(24), F(24);
  Mat dT(2, 2);
  MotherRecords recs({-g, 0.0, g, 0.0});
  {
    // A mother numbered clockwise.
    EmbCase c;
    c.motherPoints = {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}};
    c.cablePoints = {{0, 0.5, 0}, {0, 0.5, 1}};
    LoadedMesh mesh(EmbModel(c));
    EXPECT_EXIT(CalcStiffEmbCable2D(8, 2, 1, 1, 1, kQuad, 4, 2, oc, mesh, K, recs), testing::ExitedWithCode(1),
                Lit("\nCalculating the matrix B of the embedded cable n. 2\nusing the matrix B of the mother element "
                    "n. 1 .\nERROR:\nJacobian determinant of the mother element is negative:\n"
                    "element geometry and/or mesh connectivity must be changed.\n"));
  }
  EmbCase c;
  c.motherPoints = kUnitSquare;
  c.cablePoints = {{0, 0.5, 0.5}, {0, 0.5, 0.5}};
  {
    LoadedMesh mesh(EmbModel(c));
    EXPECT_EXIT(CalcStiffEmbCable2D(8, 2, 1, 1, 1, kQuad, 4, 2, oc, mesh, K, recs), testing::ExitedWithCode(1),
                Lit("\nCalculating the contribution of the embedded cable n. 2\nto the mother element n. 1 stiffness "
                    "matrix.\nERROR:\nJacobian vector norm is null:\n"
                    "element geometry and/or mesh connectivity must be changed.\n"));
  }
  c.cablePoints = {{0, 0, 0.5}, {0, 1, 0.5}};
  {
    // A mother type without a strain row for this cable is refused in words; a slot that
    // holds another cable is a fault of the program.
    LoadedMesh mesh(EmbModel(c));
    EXPECT_EXIT(CalcStiffEmbCable2D(12, 2, 1, 1, 1, 20, 4, 2, oc, mesh, K, recs), testing::ExitedWithCode(1),
                testing::ContainsRegex("   -> Mother element type: _MINDLIN_SHELL_QUAD\nERROR:\nThis type of element "
                                       "cannot be the mother element of an embedded cable:\n"));
    EXPECT_EXIT(CalcStiffEmbCable2D(8, 1, 1, 1, 1, kQuad, 4, 2, oc, mesh, K, recs), testing::ExitedWithCode(1),
                kInternal);
    // The linear material in the nonlinear routines.
    EXPECT_EXIT(CalcStiffEmbCable2D_NL(1, 8, 2, 1, 1, 1, 1, kQuad, 4, 2, oc, nullptr, mesh, nullptr, nullptr, K, recs),
                testing::ExitedWithCode(1), kInternal);
  }
  for (int kind : {MAT_NLMM201, MAT_NLMM202}) {
    // The steel laws are not part of this build.
    EmbCase s = c;
    s.cableKind = kind;
    LoadedMesh mesh(EmbModel(s), std::to_string(kind));
    EXPECT_EXIT(CalcStiffEmbCable2D_NL(1, 8, 2, 1, 1, 3, 1, kQuad, 4, 2, oc, nullptr, mesh, nullptr, nullptr, K, recs),
                testing::ExitedWithCode(1), kInternal);
    EXPECT_EXIT(
        CalcInt_Fg_EmbCable2D_NL(1, 8, 2, 1, 1, 1, 1, kQuad, 4, 2, oc, nullptr, mesh, nullptr, nullptr, a, F, recs),
        testing::ExitedWithCode(1), kInternal);
  }
}

// A steel bar along x2 at mid-height of the unit square, stretched by u2 = d on the right
// edge: the right nodes take half the bar force each, A_s f_y once it has yielded, and the
// tangent is the slope of that force.
TEST(EmbCable, YieldedSteelBarCarriesAreaTimesYieldStress) {
  EmbCase c;
  c.motherPoints = kUnitSquare;
  c.cablePoints = {{0, 0, 0.5}, {0, 1, 0.5}};
  c.As = 0.01;
  c.cableKind = MAT_NLMM201;
  c.steel201 = {0.002, 400, 0.004, 420, 0.1, 600, 2};
  std::vector<double> nat;
  for (double s : {-g, g}) {
    nat.push_back(s);
    nat.push_back(0.0);
  }
  MotherRecords recs(nat);
  Flags oc;
  auto run = [&](const std::vector<double>& path, double* F, double** K) {
    LoadedMesh mesh(EmbModel(c), "steel");
    MeshHistory h(mesh, {0, 1, 2});
    Vec a(8);
    for (double d : path) {
      a.v[3] = a.v[5] = d;  // nodes 2 and 3 (x2 = 1), u2
      CalcInt_Fg_EmbCable2D_NL(1, 8, 2, 1, 1, 3, 1, kQuad, 4, 2, oc, &h.index, mesh, &h.hd, h.elemToHD, a.v, F, recs);
    }
    if (K != nullptr)
      CalcStiffEmbCable2D_NL(1, 8, 2, 1, 1, 3, 1, kQuad, 4, 2, oc, &h.index, mesh, &h.hd, h.elemToHD, K, recs);
  };
  Vec F(8), Fp(8), Fm(8);
  Mat K(8, 8);
  run({0.001, 0.002}, F.v, nullptr);
  EXPECT_NEAR(F.v[3] + F.v[5], 0.01 * 400, 1e-9);
  EXPECT_NEAR(F.v[3], F.v[5], 1e-12);
  EXPECT_NEAR(F.v[1] + F.v[3] + F.v[5] + F.v[7], 0.0, 1e-12);
  for (const std::vector<double>& path : {std::vector<double>{0.001, 0.003}, {0.001, 0.01, 0.03}, {0.03, 0.029}}) {
    run(path, F.v, K.a);
    std::vector<double> p = path;
    const double h = 1e-8;
    p.back() += h;
    run(p, Fp.v, nullptr);
    p.back() -= 2 * h;
    run(p, Fm.v, nullptr);
    // d(F3 + F5)/d(d) against the tangent's right-edge block.
    const double fd = (Fp.v[3] + Fp.v[5] - Fm.v[3] - Fm.v[5]) / (2 * h);
    const double kt = K.a[3][3] + K.a[3][5] + K.a[5][3] + K.a[5][5];
    EXPECT_NEAR(kt, fd, 1e-4 * std::fabs(fd)) << path.back();
  }
  // The cyclic steel (E 200000, fy 400) at yield: A_s fy / 2^0.1.
  c.cableKind = MAT_NLMM202;
  c.Es = 200000;
  run({0.001, 0.002}, F.v, nullptr);
  EXPECT_NEAR(F.v[3] + F.v[5], 3.7321320, 1e-7);
}
