// Rayleigh damping C = a0 M + a1 K of the assembled matrices, the set-up refusals of a
// dynamic run, and the first bending frequencies of beams from K and M against the
// closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assembly/summary.h"
#include "dyn_fixture.h"

namespace {

// Frame2D beam along x2 of n elements over length L (E = 1000, A = 1, I = Ival, rho),
// with supports given as fixity strings for the first and last point.
tw::Model Beam(int n, double L, double Ival, double rho, const std::string& first, const std::string& last) {
  tw::Model m;
  m.main.analysisType = 2;
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("m", rho, 0.0, 1000.0, 0.25));
  tw::AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", tw::Frame2DSection("f2", {1.0, 0.0, Ival, 0.1}));
  for (int k = 0; k <= n; k++) tw::AddPoint(m, 0, L * k / n, 0);
  for (int k = 1; k <= n; k++) tw::AddElement(m, {k, k + 1});
  AddProperty(m, 1, n, _FRAME_2D);
  if (!first.empty()) tw::AddRecord(m, "<SUPPORTS>", tw::Support(1, first));
  if (!last.empty()) tw::AddRecord(m, "<SUPPORTS>", tw::Support(n + 1, last));
  return m;
}

void Stiffness(const Built& b, GlobalMats* K) {
  Flags oc;
  IterSummaryRecord summary{};
  int64_t a, c, d;
  testing::internal::CaptureStdout();
  AssembGlobalStiffMat(&a, &c, &d, "job", oc, &summary, &b.mesh, &K->FF, &K->PF, &K->PP, &b.w);
  testing::internal::GetCapturedStdout();
}

void Mass(const Built& b, GlobalMats* M) {
  Flags oc;
  testing::internal::CaptureStdout();
  AssembGlobalMassMat(oc, &b.mesh, &b.w, &M->FF, &M->PF, &M->PP);
  testing::internal::GetCapturedStdout();
}

// Smallest eigenvalue of K x = lambda M x (dense, M positive definite): Cholesky of M,
// then the Jacobi eigenvalues of L^-1 K L^-T.
double SmallestEigenvalue(const std::vector<double>& K, const std::vector<double>& M, int n) {
  std::vector<double> L(static_cast<size_t>(n) * n, 0.0);
  for (int j = 0; j < n; j++) {
    double s = M[j * n + j];
    for (int k = 0; k < j; k++) s -= L[j * n + k] * L[j * n + k];
    L[j * n + j] = std::sqrt(s);
    for (int i = j + 1; i < n; i++) {
      double t = M[i * n + j];
      for (int k = 0; k < j; k++) t -= L[i * n + k] * L[j * n + k];
      L[i * n + j] = t / L[j * n + j];
    }
  }
  // Y = L^-1 K, then C = Y L^-T (C = L^-1 (L^-1 K)^T as K is symmetric).
  auto forward = [&](std::vector<double>& X) {  // X := L^-1 X, column by column
    for (int c = 0; c < n; c++)
      for (int i = 0; i < n; i++) {
        double s = X[i * n + c];
        for (int k = 0; k < i; k++) s -= L[i * n + k] * X[k * n + c];
        X[i * n + c] = s / L[i * n + i];
      }
  };
  std::vector<double> Y = K;
  forward(Y);
  std::vector<double> Yt(Y.size());
  for (int i = 0; i < n; i++)
    for (int j = 0; j < n; j++) Yt[i * n + j] = Y[j * n + i];
  forward(Yt);
  double **C, **V, *lambda;
  allocd2(&C, n, n);
  allocd2(&V, n, n);
  allocd1(&lambda, n);
  for (int i = 0; i < n; i++)
    for (int j = 0; j < n; j++) C[i + 1][j + 1] = 0.5 * (Yt[i * n + j] + Yt[j * n + i]);
  int nrot;
  double offmax;
  EXPECT_TRUE(eigjacobi(C, n, lambda, V, &nrot, &offmax));
  double low = lambda[1];
  for (int i = 2; i <= n; i++) low = std::min(low, lambda[i]);
  freed1(lambda);
  freed2(V);
  freed2(C);
  return low;
}

}  // namespace

TEST(BeamFrequency, FirstBendingFrequencyOfCantileverAndSimpleSpan) {
  // The frame mass carries the rotary inertia rho I: a slender beam gives the
  // Euler-Bernoulli frequency, a stocky simple span the Rayleigh-beam one,
  // omega^2 = EI k^4 / (rho A (1 + k^2 I / A)) with k = pi / L.
  const double L = 10.0, rho = 2.0, E = 1000.0;
  struct Case {
    const char* name;
    double I;
    std::string first, last;
    double coefficient;  // omega_1 = coefficient^2 sqrt(EI / (rho A L^4))
    bool rotary;
  };
  const Case cases[] = {{"cantilever", 1e-4, "011100", "", 1.8751040687, false},
                        {"simply supported", 1e-4, "011000", "001000", M_PI, false},
                        {"stocky simple span", 0.01, "011000", "001000", M_PI, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Built b(Beam(12, L, c.I, rho, c.first, c.last), 1, std::string(c.name, 5));
    GlobalMats K, M;
    Stiffness(b, &K);
    Mass(b, &M);
    const double w1 = std::sqrt(SmallestEigenvalue(DenseSym(K.FF), DenseSym(M.FF), b.w.nF));
    double exact = c.coefficient * c.coefficient * std::sqrt(E * c.I / (rho * 1.0 * std::pow(L, 4)));
    if (c.rotary) exact /= std::sqrt(1.0 + M_PI * M_PI / (L * L) * c.I);
    EXPECT_NEAR(w1 / exact, 1.0, 2e-5);
  }
}

TEST(RayleighDamping, AssembledDampingIsA0MPlusA1KAndTheLaterRecordWins) {
  tw::Model m = Beam(3, 6.0, 0.02, 1.5, "011100", "");
  tw::AddRecord(m, "<RAYLEIGH_DAMPING_FACTORS>", tw::Rec().I(1).I(1).D(9.0).D(9.0));
  tw::AddRecord(m, "<RAYLEIGH_DAMPING_FACTORS>", tw::Rec().I(2).I(1).D(7.0).D(7.0));  // another kind
  tw::AddRecord(m, "<RAYLEIGH_DAMPING_FACTORS>", tw::Rec().I(1).I(1).D(0.3).D(0.02));
  Built b(m);
  GlobalMats K, M, C;
  Stiffness(b, &K);
  Mass(b, &M);
  Flags oc;
  testing::internal::CaptureStdout();
  AssembGlobalDampingMat(oc, &b.mesh, &b.w, &C.FF, &C.PF, &C.PP);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nCalculating and assembling the damping matrix of each element\n");
  const std::vector<double> k = DenseSym(K.FF), mm = DenseSym(M.FF), c = DenseSym(C.FF);
  double scale = 0.0;
  for (double v : k) scale = std::max(scale, std::fabs(v));
  for (size_t t = 0; t < c.size(); t++) EXPECT_NEAR(c[t], 0.3 * mm[t] + 0.02 * k[t], 1e-14 * scale) << t;
  EXPECT_GT(C.PF.count[1], 0);  // the prescribed rows are assembled too
}

TEST(RayleighDamping, NullFactorsGiveAZeroMatrixStillAssembledAndPrinted) {
  tw::Model m = Beam(2, 4.0, 0.02, 1.5, "011100", "");
  tw::AddRecord(m, "<RAYLEIGH_DAMPING_FACTORS>", tw::Rec().I(1).I(1).D(0.0).D(0.0));
  Built b(m);
  GlobalMats C;
  Flags oc({OC_PRINT_MAT_C});
  testing::internal::CaptureStdout();
  AssembGlobalDampingMat(oc, &b.mesh, &b.w, &C.FF, &C.PF, &C.PP);
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(C.FF.n, b.w.nF);
  for (int i = 1; i <= C.FF.n; i++) EXPECT_EQ(C.FF.count[i], 0);
  EXPECT_NE(out.find("-- CFF:"), std::string::npos);
  EXPECT_NE(out.find("-- CPF:"), std::string::npos);
  EXPECT_NE(out.find("-- CPP:"), std::string::npos);
}

TEST(DynamicSetUpDeath, MissingRayleighRecordAndTypeWithoutMass) {
  {
    Built b(Beam(2, 4.0, 0.02, 1.5, "011100", ""), 1, "noray");
    GlobalMats C;
    Flags oc;
    EXPECT_EXIT(AssembGlobalDampingMat(oc, &b.mesh, &b.w, &C.FF, &C.PF, &C.PP), testing::ExitedWithCode(1),
                Whole("\nVerifying the elements of the dynamic analysis\n   -> Element: 1\n"
                      "   -> Element type: _FRAME_2D\n   -> Material type: _LIN_ISO\n   -> Material: 1\n\nERROR:\n"
                      "The material of the element has no <RAYLEIGH_DAMPING_FACTORS> record.\n\n"));
  }
  {
    tw::Model m = MassModel(1.0, 1.0, 0.1);
    for (const auto& p : std::vector<std::array<double, 2>>{{0, 0}, {1, 0}, {1, 1}, {0, 1}}) tw::AddPoint(m, 0, p[0], p[1]);
    tw::AddElement(m, {1, 2, 3, 4});
    AddProperty(m, 1, 1, _PLANE_STRESS_QUAD);
    Built b(m, 1, "plane");
    GlobalMats M;
    Flags oc;
    EXPECT_EXIT(AssembGlobalMassMat(oc, &b.mesh, &b.w, &M.FF, &M.PF, &M.PP), testing::ExitedWithCode(1),
                Whole("\nVerifying the elements of the dynamic analysis\n   -> Element: 1\n"
                      "   -> Element type: _PLANE_STRESS_QUAD\n   -> Material type: _LIN_ISO\n   -> Material: 1\n"
                      "\nERROR:\nThe dynamic and modal analyses accept only the element types\n_TRUSS_2D, _TRUSS_3D, "
                      "_FRAME_2D, _FRAME_3D, _MINDLIN_SHELL_QUAD,\n_AHMAD_SHELL_QUAD and _SOLID_HEXA.\n\n"));
  }
}

TEST(RayleighDamping, SpringLinksAddNoMassOrDampingAndCloseTheirRows) {
  // Two Frame3D bars tied by a rotational spring link between points 2 and 3.
  tw::Model m = MassModel(2.0, 0.5, 1.0);
  for (int i = 0; i < 4; i++) tw::AddPoint(m, i, 0, 0);
  tw::AddElement(m, {1, 2});
  tw::AddElement(m, {3, 4});
  AddProperty(m, 1, 2, _FRAME_3D);
  tw::AddRecord(m, "<LINEAR_SPRING_MATERIALS>", tw::Rec().S("k").D(4.0));
  tw::AddRecord(m, "<INTERNAL_POINT_SPRING_LINKS>",
                tw::Rec().I(0).I(0).I(0).I(2).I(3).C('G').I(3).C(2).I(SPRMAT_LIN_SPRING).I(1));
  tw::AddRecord(m, "<RAYLEIGH_DAMPING_FACTORS>", tw::Rec().I(1).I(1).D(0.5).D(0.0));
  Built b(m);
  GlobalMats M, C;
  Mass(b, &M);
  Flags oc;
  testing::internal::CaptureStdout();
  AssembGlobalDampingMat(oc, &b.mesh, &b.w, &C.FF, &C.PF, &C.PP);
  testing::internal::GetCapturedStdout();
  const std::vector<double> mm = DenseSym(M.FF), c = DenseSym(C.FF);
  const int n = b.w.nF;
  for (int d = 1; d <= 6; d++)
    for (int e = 1; e <= 6; e++) {
      const int i = b.w.PointDofNumbers[2][d] - 1, j = b.w.PointDofNumbers[3][e] - 1;
      EXPECT_EQ(mm[i * n + j], 0.0) << d << e;
      EXPECT_EQ(c[i * n + j], 0.0) << d << e;
    }
  for (size_t t = 0; t < c.size(); t++) EXPECT_NEAR(c[t], 0.5 * mm[t], 1e-15) << t;
  double total = 0.0;  // rigid translation along x2: both bars, rho A L each
  for (int p = 1; p <= 4; p++)
    for (int q = 1; q <= 4; q++) total += mm[(b.w.PointDofNumbers[p][2] - 1) * n + b.w.PointDofNumbers[q][2] - 1];
  EXPECT_NEAR(total, 2.0 * 2.0 * 0.5 * 1.0, 1e-14);
}
