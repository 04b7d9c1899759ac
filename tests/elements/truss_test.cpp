// Trusses: closed-form stiffness, consistent mass, gravity and temperature loads, and the
// data the element refuses.
#include <cmath>
#include <vector>

#include "elements/elements.h"
#include "loads/load_kernel.h"
#include "model_fixture.h"
#include "test_util.h"

using testmodel::AddRecord;

namespace {

// A truss model: type 1 or 2, material (rho, alpha, E, nu = 0.3), area A.
testmodel::Model TrussModel(int type, const double a[3], const double b[3], double rho, double alpha, double E,
                            double A) {
  testmodel::Model m = MemberModel(a, b, type, MAT_LIN_ISO, GEOM_CS_AREA);
  AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("steel", rho, alpha, E, 0.3));
  AddRecord(m, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("bar", A));
  return m;
}

// One "<TEMPERATURE_VARIATION>" record (entry 1) on element 1.
struct TempRecord {
  TemperatureVariationRecord r[2] = {};
  explicit TempRecord(const std::vector<double>& v) {
    r[1].Element = 1;
    r[1].ValueCount = static_cast<int>(v.size());
    allocd1(&r[1].Values, r[1].ValueCount);
    for (size_t i = 0; i < v.size(); i++) r[1].Values[i + 1] = v[i];
  }
  ~TempRecord() { freed1(r[1].Values); }
};

// Unit axis from a to b in the element's coordinates (d = 2: x2, x3).
void Axis(int d, const double a[3], const double b[3], double* t, double* L) {
  double s = 0;
  for (int i = 1; i <= d; i++) {
    t[i] = b[i - 1 + 3 - d] - a[i - 1 + 3 - d];
    s += t[i] * t[i];
  }
  *L = std::sqrt(s);
  for (int i = 1; i <= d; i++) t[i] /= *L;
}

struct TrussCase {
  int type;
  double a[3], b[3];
};

const TrussCase kTrussCases[] = {
    {1, {0, 0, 0}, {0, 3, 4}},                                       // the 3-4-5 bar of the plane
    {1, {7, 1, 2}, {-2, -1, 2.5}},                                   // x1 ignored in the plane
    {2, {0, 0, 0}, {1, 2, 2}},        {2, {1, -1, 3}, {1, -1, -2}},  // along -x3
    {2, {0.5, 2, -1}, {3, -1, 0.25}},
};

}  // namespace

TEST(Truss, StiffnessIsEAOverLTimesAxisProducts) {
  for (const TrussCase& c : kTrussCases) {
    SCOPED_TRACE(c.type * 100 + c.b[1]);
    const double E = 25.0 / 1.3, A = 1.3;  // EA = 25
    LoadedMesh lm(TrussModel(c.type, c.a, c.b, 1.0, 0.0, E, A));
    const int d = c.type == 1 ? 2 : 3, N = 2 * d;
    Mat K(N, N);
    (c.type == 1 ? CalcStiffTruss2D : CalcStiffTruss3D)(N, 1, 2, 1, lm.oc, &lm.mesh, K);
    double t[4], L;
    Axis(d, c.a, c.b, t, &L);
    for (int i = 1; i <= N; i++)
      for (int j = 1; j <= N; j++) {
        const int ii = (i - 1) % d + 1, jj = (j - 1) % d + 1;
        const double sign = ((i - 1) / d == (j - 1) / d) ? 1.0 : -1.0;
        EXPECT_NEAR(K[i][j], sign * 25.0 / L * t[ii] * t[jj], 1e-13) << i << "," << j;
      }
  }
  // The 3-4-5 bar in the plane: (1/5) [[9, 12], [12, 16]] blocks.
  LoadedMesh lm(TrussModel(1, kTrussCases[0].a, kTrussCases[0].b, 1.0, 0.0, 25.0, 1.0));
  Mat K(4, 4);
  CalcStiffTruss2D(4, 1, 2, 1, lm.oc, &lm.mesh, K);
  const double expect[4][4] = {{9, 12, -9, -12}, {12, 16, -12, -16}, {-9, -12, 9, 12}, {-12, -16, 12, 16}};
  for (int i = 1; i <= 4; i++)
    for (int j = 1; j <= 4; j++) EXPECT_NEAR(K[i][j], expect[i - 1][j - 1] / 5.0, 1e-14);
}

TEST(Truss, ConsistentMassMovesRhoALInEveryDirection) {
  const double rho = 7850.0, A = 0.02;
  for (const TrussCase& c : kTrussCases) {
    LoadedMesh lm(TrussModel(c.type, c.a, c.b, rho, 0.0, 2e11, A));
    const int d = c.type == 1 ? 2 : 3, N = 2 * d;
    Mat M(N, N);
    (c.type == 1 ? CalcMassMatTruss2D : CalcMassMatTruss3D)(N, 1, 2, 1, lm.oc, &lm.mesh, M);
    double t[4], L;
    Axis(d, c.a, c.b, t, &L);
    EXPECT_TRUE(IsSymmetricRel(M, N));
    for (int k = 1; k <= d; k++) {
      double sum = 0;
      for (int i = k; i <= N; i += d)
        for (int j = k; j <= N; j += d) sum += M[i][j];
      EXPECT_NEAR(sum, rho * A * L, 1e-10 * rho * A * L) << "direction " << k;
    }
    // Rotating the bar does not change its mass: (m/6) [[2I, I], [I, 2I]].
    EXPECT_NEAR(M[1][1], rho * A * L / 3, 1e-12 * rho * A * L);
    EXPECT_NEAR(M[1][1 + d], rho * A * L / 6, 1e-12 * rho * A * L);
    EXPECT_NEAR(M[1][2], 0.0, 1e-12 * rho * A * L);
  }
}

TEST(Truss, GravityGivesHalfTheWeightAtEachNode) {
  // Horizontal Truss3D along x1 under g = (0, 0, -9.81): -rho A L 9.81 / 2 at 3 and 9.
  const double a[3] = {0, 0, 0}, b[3] = {4, 0, 0}, rho = 7850, A = 0.01;
  LoadedMesh lm(TrussModel(2, a, b, rho, 0.0, 2e11, A));
  const double g[4] = {0, 0, 0, -9.81};
  Vec F(12);
  filld1(F, 12, 99.0);
  Calc_Fg_GravityLoadTruss3D(12, 1, 1, rho, lm.oc, lm->ElemNodes, F, g, lm->PointCoord, lm->CsAreas, lm->ElemProps);
  for (int i = 1; i <= 12; i++) {
    const double expect = (i == 3 || i == 9) ? -rho * A * 4 * 9.81 / 2 : 0.0;
    EXPECT_NEAR(F[i], expect, 1e-9) << i;
  }
  // An inclined Truss2D: the weight in (x2, x3), half at each node; x1 gravity ignored.
  const double c[3] = {0, 1, 2}, e[3] = {0, 4, 6};
  LoadedMesh lm2(TrussModel(1, c, e, rho, 0.0, 2e11, A));
  const double g2[4] = {0, 5.0, 1.5, -9.81};
  Calc_Fg_GravityLoadTruss2D(12, 1, 2, 1, rho, lm2.oc, lm2->ElemNodes, F, g2, lm2->PointCoord, lm2->CsAreas,
                             lm2->ElemProps);
  const double W = rho * A * 5.0;
  const double expect[13] = {0, 0, W * 1.5 / 2, -W * 9.81 / 2, 0, 0, 0, 0, W * 1.5 / 2, -W * 9.81 / 2, 0, 0, 0};
  for (int i = 1; i <= 12; i++) EXPECT_NEAR(F[i], expect[i], 1e-9) << i;
}

TEST(Truss, TemperatureRisePushesTheNodesApart) {
  const double E = 2e11, alpha = 1.2e-5, A = 0.003, dT = 25.0;
  const double N0 = E * alpha * A * dT;
  for (const TrussCase& c : kTrussCases) {
    LoadedMesh lm(TrussModel(c.type, c.a, c.b, 1.0, alpha, E, A));
    const int d = c.type == 1 ? 2 : 3;
    double t[4], L;
    Axis(d, c.a, c.b, t, &L);
    // One value, or two nodal values whose mean is dT.
    for (const std::vector<double>& values : {std::vector<double>{dT}, std::vector<double>{dT - 10, dT + 10}}) {
      TempRecord rec(values);
      Vec F(12);
      filld1(F, 12, 99.0);
      (c.type == 1 ? Calc_Fg_TempVarTruss2D : Calc_Fg_TempVarTruss3D)(12, 1, 3, 2, 1, 1, lm.oc, lm->ElemNodes, F,
                                                                      lm->PointCoord, lm->CsAreas,
                                                                      lm->Materials[MAT_LIN_ISO], lm->ElemProps, rec.r);
      const int first = d == 2 ? 2 : 1;
      for (int i = 1; i <= 12; i++) {
        double expect = 0.0;
        if (i >= first && i < first + d) expect = -N0 * t[i - first + 1];
        if (i >= 6 + first && i < 6 + first + d) expect = N0 * t[i - 6 - first + 1];
        EXPECT_NEAR(F[i], expect, 1e-9 * N0) << i;
      }
    }
  }
}

TEST(TrussDeath, RefusesDataItCannotUse) {
  const double a[3] = {0, 0, 0}, b[3] = {0, 3, 4};
  const std::string stiff = "\nCalculating the stiffness matrix of element n. 1\n   -> Element type: _TRUSS_2D\n";
  Mat K(6, 6);
  {
    // Three nodes: the third would get no stiffness.
    testmodel::Model m = TrussModel(1, a, b, 1, 0, 1, 1);
    testmodel::AddPoint(m, 0, 6, 8);
    m.elements[0] = {1, 2, 3};
    LoadedMesh lm(m);
    EXPECT_EXIT(CalcStiffTruss2D(6, 1, 3, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs(stiff + "   -> Number of nodes: 3\n\nERROR:\nThis type of element requires 2 nodes.\n\n"));
  }
  {
    testmodel::Model m = MemberModel(a, b, 1, MAT_NLMM121, GEOM_CS_AREA);
    AddRecord(m, "<NLMM121>", testmodel::Rec().S("concrete").Ds({1, 2, 3, 4, 5, 6, 7, 8}));
    AddRecord(m, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("bar", 1));
    LoadedMesh lm(m);
    EXPECT_EXIT(CalcStiffTruss2D(4, 1, 2, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs(stiff + "   -> Material kind: _NLMM121\n\nERROR:\n"
                                 "This type of element requires a material of kind _LIN_ISO.\n\n"));
  }
  {
    testmodel::Model m = MemberModel(a, b, 2, MAT_LIN_ISO, GEOM_CS_2D);
    AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("steel", 1, 0, 1, 0.3));
    AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", testmodel::Frame2DSection("beam", {1, 0, 1, 1}));
    LoadedMesh lm(m);
    EXPECT_EXIT(CalcMassMatTruss3D(6, 1, 2, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs("\nCalculating the mass matrix of element n. 1\n   -> Element type: _TRUSS_3D\n"
                         "   -> Geometry kind: _CS_2D\n\nERROR:\n"
                         "This type of element requires a geometry of kind _CS_AREA.\n\n"));
  }
  {
    LoadedMesh lm(TrussModel(1, a, a, 1, 0, 1, 1));  // coincident nodes
    EXPECT_EXIT(CalcStiffTruss2D(4, 1, 2, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                Lit("Calculating the vector that is tangent to the element n. 1\n\nERROR:\n"
                    "The element is too distorted and must be changed."));
    TempRecord rec({1, 2, 3});
    Vec F(12);
    const double c[3] = {0, 1, 1};
    LoadedMesh lm2(TrussModel(1, a, c, 1, 1, 1, 1));
    EXPECT_EXIT(Calc_Fg_TempVarTruss2D(12, 1, 4, 2, 1, 1, lm2.oc, lm2->ElemNodes, F, lm2->PointCoord, lm2->CsAreas,
                                       lm2->Materials[MAT_LIN_ISO], lm2->ElemProps, rec.r),
                testing::ExitedWithCode(1),
                StderrIs("\nCalculating the thermal load contribution to the global load vector:\n"
                         "   -> Load case: 4\n   -> Block name: <TEMPERATURE_VARIATION>\n"
                         "   -> Temp. var. counter: 1\n   -> Element: 1\n   -> Element type: _TRUSS_2D\n"
                         "   -> Number of values: 3\n\nERROR:\nThe temperature variation must give one value,\n"
                         "or one value per node of the element.\n\n"));
  }
}

TEST(ElementPrints, EachMatrixUnderItsOwnFlag) {
  const double a[3] = {0, 0, 0}, b[3] = {0, 3, 4};
  struct Case {
    int flag;
    bool mass;
    const char* header;
  };
  // Truss2D stiffness prints K under flag 41 and its rotation under flag 62; mass under 49.
  const Case cases[] = {{OC_PRINT_MAT_KG_TRUSS_2D, false, "Stiffness matrix Kg (_TRUSS_2D):\nElement n. 1\n"},
                        {OC_PRINT_MAT_T_TRUSS_2D, false, "Transformation matrix T (_TRUSS_2D):\nElement n. 1\n"},
                        {OC_PRINT_MAT_MG_TRUSS_2D, true, "Mass matrix Mg (_TRUSS_2D):\nElement n. 1\n"}};
  for (const Case& c : cases) {
    LoadedMesh lm(TrussModel(1, a, b, 1, 0, 25, 1));
    lm.oc[c.flag] = 'Y';
    Mat K(4, 4);
    testing::internal::CaptureStdout();
    (c.mass ? CalcMassMatTruss2D : CalcStiffTruss2D)(4, 1, 2, 1, lm.oc, &lm.mesh, K);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(c.header), std::string::npos) << out;
    EXPECT_EQ(out.find("Element n."), out.rfind("Element n.")) << "printed once: " << out;
  }
  LoadedMesh lm(TrussModel(1, a, b, 1, 0, 25, 1));
  Mat K(4, 4);
  testing::internal::CaptureStdout();
  CalcStiffTruss2D(4, 1, 2, 1, lm.oc, &lm.mesh, K);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
