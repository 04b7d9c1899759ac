// Frames: rigid-body modes, cantilever deflections, consistent mass, gravity and
// temperature loads against closed-form results, and the data the element refuses.
#include <array>
#include <cmath>
#include <vector>

#include "elements/elements.h"
#include "loads/load_kernel.h"
#include "model_fixture.h"
#include "test_util.h"

using testmodel::AddRecord;

namespace {

constexpr double kE = 200e9, kRho = 7850.0, kAlpha = 1.2e-5;

// Frame2D section: A, -, I, h.
testmodel::Model Frame2DModel(const double a[3], const double b[3], double A, double I, double h) {
  testmodel::Model m = MemberModel(a, b, 3, MAT_LIN_ISO, GEOM_CS_2D);
  AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("steel", kRho, kAlpha, kE, 0.3));
  AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", testmodel::Frame2DSection("beam", {A, 0.0, I, h}));
  return m;
}

struct Section3D {
  double A = 0.01, J = 2e-4, I2 = 1e-4, I3 = 2e-4, h2 = 0.3, h3 = 0.5, angle = 0.0;
};

testmodel::Model Frame3DModel(const double a[3], const double b[3], const Section3D& s) {
  testmodel::Model m = MemberModel(a, b, 4, MAT_LIN_ISO, GEOM_CS_3D);
  AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("steel", kRho, kAlpha, kE, 0.3));
  AddRecord(m, "<FRAME_3D_CROSS_SECTIONS>",
            testmodel::Frame3DSection("beam", {s.A, 0.5, 0.6, s.J, s.I2, s.I3, 0.7, 0.8, s.h2, s.h3, s.angle}));
  return m;
}

struct Dtr {
  DiffTemperatureVariationRecord r[2] = {};
  Dtr(int direction, const std::vector<double>& v) {
    r[1].Element = 1;
    r[1].Direction = direction;
    r[1].ValueCount = static_cast<int>(v.size());
    allocd1(&r[1].Values, r[1].ValueCount);
    for (size_t i = 0; i < v.size(); i++) r[1].Values[i + 1] = v[i];
  }
  ~Dtr() { freed1(r[1].Values); }
};

double MaxAbs(double** K, int N) {
  double m = 0;
  for (int i = 1; i <= N; i++)
    for (int j = 1; j <= N; j++) m = std::fmax(m, std::fabs(K[i][j]));
  return m;
}

const double kMembers[][2][3] = {
    {{0, 0, 0}, {0, 3, 0}},
    {{1, 2, -1}, {4, -0.5, 2.2}},
    {{0, 1, 1}, {0, 1, 5}},   // along x3
    {{2, 0, 3}, {2, 0, -1}},  // along -x3
};

}  // namespace

TEST(Frame, StiffnessAnnihilatesRigidBodyModes) {
  for (const auto& mem : kMembers) {
    const double* a = mem[0];
    const double* b = mem[1];
    {
      LoadedMesh lm(Frame2DModel(a, b, 0.01, 1e-4, 0.3));
      Mat K(6, 6);
      CalcStiffFrame2D(6, 1, 2, 1, lm.oc, &lm.mesh, K);
      EXPECT_TRUE(IsSymmetricRel(K, 6));
      const double tol = 1e-9 * MaxAbs(K, 6);
      // Translations along x2 and x3, rotation about x1 through the origin.
      for (int mode = 1; mode <= 3; mode++) {
        double u[7];
        for (int node = 0; node < 2; node++) {
          const double* x = node == 0 ? a : b;
          double* un = u + 3 * node;
          un[1] = mode == 1 ? 1.0 : mode == 3 ? -x[2] : 0.0;
          un[2] = mode == 2 ? 1.0 : mode == 3 ? x[1] : 0.0;
          un[3] = mode == 3 ? 1.0 : 0.0;
        }
        double Ku[7];
        multd2d1(Ku, K, u, 6, 6);
        for (int i = 1; i <= 6; i++) EXPECT_NEAR(Ku[i], 0.0, tol) << "mode " << mode;
      }
    }
    for (double angle : {0.0, 0.7, -2.0}) {
      Section3D s;
      s.angle = angle;
      LoadedMesh lm(Frame3DModel(a, b, s));
      Mat K(12, 12);
      CalcStiffFrame3D(12, 1, 2, 1, lm.oc, &lm.mesh, K);
      EXPECT_TRUE(IsSymmetricRel(K, 12));
      const double tol = 1e-9 * MaxAbs(K, 12);
      for (int mode = 1; mode <= 6; mode++) {
        double w[4] = {0, 0, 0, 0}, u[13];
        for (int node = 0; node < 2; node++) {
          const double x[4] = {0, (node ? b : a)[0], (node ? b : a)[1], (node ? b : a)[2]};
          double* un = u + 6 * node;
          for (int i = 1; i <= 6; i++) un[i] = 0.0;
          if (mode <= 3) {
            un[mode] = 1.0;
          } else {
            w[1] = w[2] = w[3] = 0.0;
            w[mode - 3] = 1.0;
            double r[4];
            crossd1(r, w, x);
            for (int i = 1; i <= 3; i++) {
              un[i] = r[i];
              un[3 + i] = w[i];
            }
          }
        }
        double Ku[13];
        multd2d1(Ku, K, u, 12, 12);
        for (int i = 1; i <= 12; i++) EXPECT_NEAR(Ku[i], 0.0, tol) << "mode " << mode << " angle " << angle;
      }
    }
  }
}

TEST(Frame, Frame2DCantileverDeflections) {
  const double A = 0.01, I = 1e-4, L = 3.0, P = 10e3;
  // Along x2, then inclined by 30 degrees in the (x2, x3) plane.
  for (double phi : {0.0, M_PI / 6}) {
    const double c = std::cos(phi), s = std::sin(phi);
    const double a[3] = {0, 1, 2}, b[3] = {0, 1 + L * c, 2 + L * s};
    LoadedMesh lm(Frame2DModel(a, b, A, I, 0.3));
    Mat K(6, 6);
    CalcStiffFrame2D(6, 1, 2, 1, lm.oc, &lm.mesh, K);
    // Transverse tip load P along the normal (-s, c): deflection and rotation.
    std::vector<double> u = SolveSubsystem(K, {4, 5, 6}, {-s * P, c * P, 0.0});
    EXPECT_NEAR(-s * u[0] + c * u[1], P * L * L * L / (3 * kE * I), 1e-12);
    EXPECT_NEAR(c * u[0] + s * u[1], 0.0, 1e-15);
    EXPECT_NEAR(u[2], P * L * L / (2 * kE * I), 1e-12);
    EXPECT_NEAR(P * L * L * L / (3 * kE * I), 4.5e-3, 1e-15);
    // Axial tip load.
    u = SolveSubsystem(K, {4, 5, 6}, {c * P, s * P, 0.0});
    EXPECT_NEAR(c * u[0] + s * u[1], 1.5e-5, 1e-15);
    EXPECT_NEAR(u[2], 0.0, 1e-15);
  }
}

TEST(Frame, Frame3DCantileverTwistAndBendingInBothPlanes) {
  const double L = 3.0, P = 10e3, T = 1e3;
  const double a[3] = {0, 0, 0}, b[3] = {L, 0, 0};
  const std::vector<int> tip = {7, 8, 9, 10, 11, 12};
  for (double angle : {0.0, M_PI / 2}) {
    Section3D s;
    s.angle = angle;
    LoadedMesh lm(Frame3DModel(a, b, s));
    Mat K(12, 12);
    CalcStiffFrame3D(12, 1, 2, 1, lm.oc, &lm.mesh, K);
    // Torque: twist T L / (G J) with G = E / 2.6.
    std::vector<double> u = SolveSubsystem(K, tip, {0, 0, 0, T, 0, 0});
    EXPECT_NEAR(u[3], 1.95e-4, 1e-15);
    // Section turned by pi/2: I2 and I3 change roles.
    const double Ix2 = angle == 0.0 ? s.I3 : s.I2;  // bending with deflection along x2
    const double Ix3 = angle == 0.0 ? s.I2 : s.I3;  // along x3
    u = SolveSubsystem(K, tip, {0, P, 0, 0, 0, 0});
    EXPECT_NEAR(u[1], P * L * L * L / (3 * kE * Ix2), 1e-12);
    EXPECT_NEAR(u[5], P * L * L / (2 * kE * Ix2), 1e-12);
    EXPECT_NEAR(u[2], 0.0, 1e-15);
    u = SolveSubsystem(K, tip, {0, 0, P, 0, 0, 0});
    EXPECT_NEAR(u[2], P * L * L * L / (3 * kE * Ix3), 1e-12);
    EXPECT_NEAR(u[4], -P * L * L / (2 * kE * Ix3), 1e-12);
    EXPECT_NEAR(u[1], 0.0, 1e-15);
  }
}

TEST(Frame, ConsistentMassMovesRhoALInEveryDirection) {
  const double A = 0.01, I = 1e-4;
  for (const auto& mem : kMembers) {
    LoadedMesh lm2(Frame2DModel(mem[0], mem[1], A, I, 0.3));
    Mat M(6, 6);
    CalcMassMatFrame2D(6, 1, 2, 1, lm2.oc, &lm2.mesh, M);
    const double L2 = std::hypot(mem[1][1] - mem[0][1], mem[1][2] - mem[0][2]);
    EXPECT_TRUE(IsSymmetricRel(M, 6));
    for (int k = 1; k <= 2; k++)
      EXPECT_NEAR(M[k][k] + M[k + 3][k + 3] + 2 * M[k][k + 3], kRho * A * L2, 1e-10 * kRho * A * L2);

    Section3D s;
    s.angle = 0.4;
    LoadedMesh lm3(Frame3DModel(mem[0], mem[1], s));
    Mat M3(12, 12);
    CalcMassMatFrame3D(12, 1, 2, 1, lm3.oc, &lm3.mesh, M3);
    const double L3 = std::hypot(mem[1][0] - mem[0][0], mem[1][1] - mem[0][1], mem[1][2] - mem[0][2]);
    EXPECT_TRUE(IsSymmetricRel(M3, 12));
    for (int k = 1; k <= 3; k++)
      EXPECT_NEAR(M3[k][k] + M3[k + 6][k + 6] + 2 * M3[k][k + 6], kRho * s.A * L3, 1e-10 * kRho * s.A * L3);
  }
  // Along x1: the rigid twist carries the polar inertia rho (I2 + I3) L.
  Section3D s;
  const double a[3] = {0, 0, 0}, b[3] = {2, 0, 0};
  LoadedMesh lm(Frame3DModel(a, b, s));
  Mat M(12, 12);
  CalcMassMatFrame3D(12, 1, 2, 1, lm.oc, &lm.mesh, M);
  EXPECT_NEAR(M[4][4] + M[10][10] + 2 * M[4][10], kRho * (s.I2 + s.I3) * 2, 1e-12);
  // Rotary inertia: the 2-D matrix of the textbook, entry (2,3) = 11mL/210 + rho I/10.
  const double c[3] = {0, 0, 0}, e[3] = {0, 2, 0};
  LoadedMesh lm2(Frame2DModel(c, e, A, I, 0.3));
  Mat M2(6, 6);
  CalcMassMatFrame2D(6, 1, 2, 1, lm2.oc, &lm2.mesh, M2);
  const double m = kRho * A * 2;
  EXPECT_NEAR(M2[2][3], 11 * m * 2 / 210 + kRho * I / 10, 1e-12);
  EXPECT_NEAR(M2[3][6], -m * 4 / 140 - kRho * I * 2 / 30, 1e-12);
}

TEST(Frame, GravityNodalForcesAndEndMoments) {
  const double A = 0.01, L = 3.0, q = 770.085;  // rho A g
  const double g[4] = {0, 0, 0, -9.81};
  EXPECT_NEAR(kRho * A * 9.81, q, 1e-9);
  {
    const double a[3] = {0, 0, 0}, b[3] = {0, L, 0};
    LoadedMesh lm(Frame2DModel(a, b, A, 1e-4, 0.3));
    Vec F(12);
    filld1(F, 12, 99.0);
    Calc_Fg_GravityLoadFrame2D(12, 1, 2, 1, kRho, lm.oc, lm->ElemNodes, F, g, lm->PointCoord, lm->Frame2DSections,
                               lm->ElemProps);
    const double expect[13] = {0, 0, 0, -q * L / 2, -q * L * L / 12, 0, 0, 0, 0, -q * L / 2, q * L * L / 12, 0, 0};
    for (int i = 1; i <= 12; i++) EXPECT_NEAR(F[i], expect[i], 1e-9) << i;
  }
  {
    const double a[3] = {0, 0, 0}, b[3] = {L, 0, 0};
    LoadedMesh lm(Frame3DModel(a, b, Section3D{}));
    Vec F(12);
    Calc_Fg_GravityLoadFrame3D(12, 1, 1, kRho, lm.oc, lm->ElemNodes, F, g, lm->PointCoord, lm->Frame3DSections,
                               lm->ElemProps);
    const double expect[13] = {0, 0, 0, -q * L / 2, 0, q * L * L / 12, 0, 0, 0, -q * L / 2, 0, -q * L * L / 12, 0};
    for (int i = 1; i <= 12; i++) EXPECT_NEAR(F[i], expect[i], 1e-9) << i;
  }
  // An inclined, turned member: the nodal forces and moments are statically equivalent to
  // the weight acting at mid-length.
  const double a[3] = {1, 2, -1}, b[3] = {4, -0.5, 2.2}, g3[4] = {0, 1.0, -2.0, -9.81};
  Section3D s;
  s.angle = 0.9;
  LoadedMesh lm(Frame3DModel(a, b, s));
  Vec F(12);
  Calc_Fg_GravityLoadFrame3D(12, 1, 2, 1, kRho, lm.oc, lm->ElemNodes, F, g3, lm->PointCoord, lm->Frame3DSections,
                             lm->ElemProps);
  const double Ln = std::hypot(b[0] - a[0], b[1] - a[1], b[2] - a[2]);
  double W[4], arm[4], mW[4], arm2[4], m2[4];
  for (int i = 1; i <= 3; i++) {
    W[i] = kRho * s.A * Ln * g3[i];
    arm[i] = (b[i - 1] - a[i - 1]) / 2;
    arm2[i] = b[i - 1] - a[i - 1];
    EXPECT_NEAR(F[i] + F[6 + i], W[i], 1e-9 * std::fabs(kRho * s.A * Ln * 9.81));
  }
  crossd1(mW, arm, W);
  const double f2[4] = {0, F[7], F[8], F[9]};
  crossd1(m2, arm2, f2);
  for (int i = 1; i <= 3; i++) EXPECT_NEAR(F[3 + i] + F[9 + i] + m2[i], mW[i], 1e-8 * kRho * s.A * Ln * Ln * 9.81);
}

TEST(Frame, UniformTemperatureGivesAxialForcesOnly) {
  const double A = 0.01, dT = 30.0, N0 = kE * kAlpha * A * dT;
  const double a[3] = {0, 1, 1}, b[3] = {0, 4, 5};  // axis (0.6, 0.8) in (x2, x3)
  TemperatureVariationRecord rec[2] = {};
  rec[1].Element = 1;
  rec[1].ValueCount = 2;
  allocd1(&rec[1].Values, 2);
  rec[1].Values[1] = 10.0;
  rec[1].Values[2] = 50.0;  // mean 30
  LoadedMesh lm(Frame2DModel(a, b, A, 1e-4, 0.3));
  Vec F(12);
  filld1(F, 12, 99.0);
  Calc_Fg_TempVarFrame2D(12, 1, 1, 2, 1, 1, lm.oc, lm->ElemNodes, F, lm->PointCoord, lm->Frame2DSections,
                         lm->Materials[MAT_LIN_ISO], lm->ElemProps, rec);
  const double expect[13] = {0, 0, -0.6 * N0, -0.8 * N0, 0, 0, 0, 0, 0.6 * N0, 0.8 * N0, 0, 0, 0};
  for (int i = 1; i <= 12; i++) EXPECT_NEAR(F[i], expect[i], 1e-9 * N0) << i;
  LoadedMesh lm3(Frame3DModel(a, b, Section3D{}));
  Calc_Fg_TempVarFrame3D(12, 1, 1, 2, 1, 1, lm3.oc, lm3->ElemNodes, F, lm3->PointCoord, lm3->Frame3DSections,
                         lm3->Materials[MAT_LIN_ISO], lm3->ElemProps, rec);
  const double expect3[13] = {0, 0, -0.6 * N0, -0.8 * N0, 0, 0, 0, 0, 0.6 * N0, 0.8 * N0, 0, 0, 0};
  for (int i = 1; i <= 12; i++) EXPECT_NEAR(F[i], expect3[i], 1e-9 * N0) << i;
  freed1(rec[1].Values);
}

TEST(Frame, DifferentialTemperatureBendsTheFreeMemberExactly) {
  const double I = 1e-4, h = 0.4, dT = 20.0, L = 3.0;
  {
    const double a[3] = {0, 0, 0}, b[3] = {0, 2, 1};
    LoadedMesh lm(Frame2DModel(a, b, 0.01, I, h));
    for (const std::vector<double>& v : {std::vector<double>{dT}, std::vector<double>{dT, dT}}) {
      Dtr rec(7, v);  // the direction is not read in the plane
      Vec F(12);
      filld1(F, 12, 99.0);
      Calc_Fg_DiffTempVarFrame2D(1, 12, 1, 2, 2, 1, F, lm->Frame2DSections, rec.r, lm->Materials[MAT_LIN_ISO],
                                 lm->ElemProps);
      const double M = kE * I * kAlpha * dT / h;
      for (int i = 1; i <= 12; i++) EXPECT_NEAR(F[i], i == 4 ? M : i == 10 ? -M : 0.0, 1e-9 * M) << i;
    }
  }
  // Cantilever along x1 under a temperature difference varying linearly from dT1 to dT2:
  // the Hermite member reproduces the exact free deflection of the thermal curvature.
  const double a[3] = {0, 0, 0}, b[3] = {L, 0, 0}, dT1 = 10.0, dT2 = 40.0;
  Section3D s;
  LoadedMesh lm(Frame3DModel(a, b, s));
  Mat K(12, 12);
  CalcStiffFrame3D(12, 1, 2, 1, lm.oc, &lm.mesh, K);
  const std::vector<int> tip = {7, 8, 9, 10, 11, 12};
  for (int dir : {2, 3}) {
    Dtr rec(dir, {dT1, dT2});
    Vec F(12);
    Calc_Fg_DiffTempVarFrame3D(1, 12, 1, 1, 2, 1, lm.oc, lm->ElemNodes, F, lm->PointCoord, lm->Frame3DSections, rec.r,
                               lm->Materials[MAT_LIN_ISO], lm->ElemProps);
    // The warmer face (+local axis dir) lengthens: the member bends away from it.
    const double h = dir == 2 ? s.h2 : s.h3;
    const double tipDefl = -kAlpha / h * L * L * (dT1 / 3 + dT2 / 6);
    const double tipRot = kAlpha / h * L * (dT1 + dT2) / 2;
    std::vector<double> u = SolveSubsystem(K, tip, {F[7], F[8], F[9], F[10], F[11], F[12]});
    if (dir == 2) {
      EXPECT_NEAR(u[1], tipDefl, 1e-12);
      EXPECT_NEAR(u[5], -tipRot, 1e-12);
      EXPECT_NEAR(u[2], 0.0, 1e-15);
    } else {
      EXPECT_NEAR(u[2], tipDefl, 1e-12);
      EXPECT_NEAR(u[4], tipRot, 1e-12);
      EXPECT_NEAR(u[1], 0.0, 1e-15);
    }
    EXPECT_NEAR(u[0], 0.0, 1e-15);
    // Self-equilibrated: no net force.
    for (int i = 1; i <= 3; i++) EXPECT_NEAR(F[i] + F[6 + i], 0.0, 1e-6);
  }
}

TEST(FrameDeath, RefusesDataItCannotUse) {
  const double a[3] = {0, 0, 0}, b[3] = {0, 3, 0};
  Mat K(12, 12);
  Vec F(12);
  {
    testmodel::Model m = Frame2DModel(a, b, 0.01, 1e-4, 0.3);
    m.elements[0] = {2};
    LoadedMesh lm(m);
    EXPECT_EXIT(CalcStiffFrame2D(3, 1, 1, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs("\nCalculating the stiffness matrix of element n. 1\n   -> Element type: _FRAME_2D\n"
                         "   -> Number of nodes: 1\n\nERROR:\nThis type of element requires 2 nodes.\n\n"));
  }
  {
    testmodel::Model m = MemberModel(a, b, 4, MAT_LIN_ISO, GEOM_CS_2D);
    AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("steel", kRho, kAlpha, kE, 0.3));
    AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", testmodel::Frame2DSection("beam", {1, 0, 1, 1}));
    LoadedMesh lm(m);
    EXPECT_EXIT(CalcStiffFrame3D(12, 1, 2, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs("\nCalculating the stiffness matrix of element n. 1\n   -> Element type: _FRAME_3D\n"
                         "   -> Geometry kind: _CS_2D\n\nERROR:\n"
                         "This type of element requires a geometry of kind _CS_3D.\n\n"));
    const double g[4] = {0, 0, 0, -9.81};
    EXPECT_EXIT(
        Calc_Fg_GravityLoadFrame3D(12, 1, 1, kRho, lm.oc, lm->ElemNodes, F, g, lm->PointCoord, nullptr, lm->ElemProps),
        testing::ExitedWithCode(1),
        StderrIs("\nCalculating the gravity load contribution to the global load vector:\n"
                 "   -> Block name: <GRAVITY_LOAD>\n   -> Element: 1\n   -> Element type: _FRAME_3D\n"
                 "   -> Geometry kind: _CS_2D\n\nERROR:\n"
                 "This type of element requires a geometry of kind _CS_3D.\n\n"));
  }
  {
    testmodel::Model m = MemberModel(a, b, 3, MAT_LIN_ORTHO, GEOM_CS_2D);
    testmodel::Rec ortho = testmodel::Rec().S("wood");
    for (int i = 0; i < 13; i++) ortho.D(1.0);
    AddRecord(m, "<LINEAR_ORTHOTROPIC_MATERIALS>", ortho.I(0));
    AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", testmodel::Frame2DSection("beam", {1, 0, 1, 1}));
    LoadedMesh lm(m);
    EXPECT_EXIT(CalcMassMatFrame2D(6, 1, 2, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs("\nCalculating the mass matrix of element n. 1\n   -> Element type: _FRAME_2D\n"
                         "   -> Material kind: _LIN_ORTHO\n\nERROR:\n"
                         "This type of element requires a material of kind _LIN_ISO.\n\n"));
  }
  const std::string diff2 =
      "\nCalculating the thermal load contribution to the global load vector:\n   -> Load case: 5\n"
      "   -> Block name: <DIFFERENTIAL_TEMPERATURE_VARIATION>\n   -> Diff. temp. var. counter: 1\n"
      "   -> Element: 1\n   -> Element type: _FRAME_2D\n";
  {
    LoadedMesh lm(Frame2DModel(a, b, 0.01, 1e-4, 0.0));
    Dtr rec(2, {10.0});
    EXPECT_EXIT(Calc_Fg_DiffTempVarFrame2D(1, 12, 1, 5, 2, 1, F, lm->Frame2DSections, rec.r, lm->Materials[MAT_LIN_ISO],
                                           lm->ElemProps),
                testing::ExitedWithCode(1),
                StderrIs(diff2 + "   -> Section depth: 0\n\nERROR:\n"
                                 "The section depth must be positive for a differential temperature variation.\n\n"));
    Dtr varying(2, {10.0, 20.0});
    EXPECT_EXIT(Calc_Fg_DiffTempVarFrame2D(1, 12, 1, 5, 2, 1, F, lm->Frame2DSections, varying.r,
                                           lm->Materials[MAT_LIN_ISO], lm->ElemProps),
                testing::ExitedWithCode(1),
                StderrIs(diff2 + "\nERROR:\nThis type of element takes one differential temperature\n"
                                 "variation for the whole element.\n\n"));
  }
  {
    LoadedMesh lm(Frame3DModel(a, b, Section3D{}));
    Dtr rec(1, {10.0});
    EXPECT_EXIT(Calc_Fg_DiffTempVarFrame3D(1, 12, 1, 5, 2, 1, lm.oc, lm->ElemNodes, F, lm->PointCoord,
                                           lm->Frame3DSections, rec.r, lm->Materials[MAT_LIN_ISO], lm->ElemProps),
                testing::ExitedWithCode(1),
                Lit("   -> Element type: _FRAME_3D\n   -> Direction: 1\n\nERROR:\n"
                    "The direction of a differential temperature variation\nmust be 2 or 3"));
  }
}
