// Eigenvectors by shifted Lanczos per frequency range on assembled models against the
// closed forms of bars and beams, with both linear-equation paths; frequency ranges
// that find new modes only; the refusals of the eigen solve.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "modal_fixture.h"

namespace {

const int kPaths[] = {1, 3};

// Frame2D cantilever along x2 of n elements over L = 1 (E = 1e6, I = 1e-6, A = rho = 1:
// EI = rho A = 1).
tw::Model Cantilever(int n, int algorithm) {
  tw::Model m;
  ModalParameters(m, 1, algorithm);
  // Axial and bending stiffness 1e6 apart: the conjugate gradient stops at rounding level.
  m.main.precondResidualDecay = 1e-10;
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("m", 1.0, 0.0, 1e6, 0.25));
  tw::AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", tw::Frame2DSection("f2", {1.0, 0.0, 1e-6, 0.1}));
  for (int k = 0; k <= n; k++) tw::AddPoint(m, 0, 1.0 * k / n, 0);
  for (int k = 1; k <= n; k++) tw::AddElement(m, {k, k + 1});
  AddProperty(m, 1, n, _FRAME_2D);
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(1, "011100"));
  return m;
}

}  // namespace

// The fixed-free hexahedral bar is a chain of 20 consistent-mass bar elements: the first
// eigenvalues equal the discrete closed form, each mode has a tiny error and the modes
// are M-orthonormal.
TEST(VibrationModes, HexahedralBarMatchesTheDiscreteChain) {
  const double want[] = {0, 2.4686697084, 22.309535092, 62.481754102};
  for (int k = 1; k <= 3; k++) EXPECT_NEAR(ChainEigenvalue(k, 20, 0.05), want[k], 1e-9 * want[k]);
  for (int path : kPaths) {
    SCOPED_TRACE(path);
    tw::Model m = HexaBar(20, 0.05, 1, path);
    AddRange(m, 0.0, 3);
    ModalModel mm(m, std::to_string(path));
    VibrationModes v{};
    mm.Modes(&v);
    ASSERT_EQ(v.nModes, 3);
    for (int k = 1; k <= 3; k++) {
      EXPECT_NEAR(v.lambda[k], want[k], 1e-9 * want[k]) << k;
      EXPECT_LT(v.relError[k], 1e-9) << k;
    }
    EXPECT_LT(mm.MassOrthonormality(v), 1e-9);
    FreeVibrationModes(&v);
  }
}

// EI = rho A = L = 1: lambda = beta^4 for the cantilever's beta L = 1.875104, 4.694091,
// 7.854757; ten elements come within 1e-5, 1e-4 and 1e-3.
TEST(VibrationModes, FrameCantileverMatchesEulerBernoulli) {
  const double beta[] = {0, 1.875104069, 4.694091133, 7.854757438};
  const double tol[] = {0, 1e-5, 1e-4, 1e-3};
  for (int path : kPaths) {
    SCOPED_TRACE(path);
    tw::Model m = Cantilever(10, path);
    AddRange(m, 0.0, 3);
    ModalModel mm(m, std::to_string(path));
    VibrationModes v{};
    mm.Modes(&v);
    ASSERT_EQ(v.nModes, 3);
    for (int k = 1; k <= 3; k++) EXPECT_NEAR(v.lambda[k] / std::pow(beta[k], 4), 1.0, tol[k]) << k;
    EXPECT_LT(mm.MassOrthonormality(v), 1e-9);
    FreeVibrationModes(&v);
  }
}

// A request of at least nR modes gives exactly the nR modes of the problem; a second
// range, with or without a shift, finds the next modes and never the same ones again.
TEST(VibrationModes, RangesFindNewModesOnly) {
  struct Case {
    const char* name;
    int path;
    double shift2;
  };
  const Case cases[] = {{"profile", 1, 0.0}, {"profile shifted", 1, 10.0}, {"iterative", 3, 0.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tw::Model m = HexaBar(6, 1.0 / 6.0, 1, c.path);
    AddRange(m, 0.0, 2);
    AddRange(m, c.shift2, 2);
    ModalModel mm(m, std::string(c.name, 4) + std::to_string(c.shift2 != 0.0));
    VibrationModes v{};
    mm.Modes(&v);
    ASSERT_EQ(v.nModes, 4);
    for (int k = 1; k <= 4; k++) EXPECT_NEAR(v.lambda[k], ChainEigenvalue(k, 6, 1.0 / 6.0), 1e-9 * v.lambda[k]) << k;
    EXPECT_LT(mm.MassOrthonormality(v), 1e-9);
    FreeVibrationModes(&v);
  }
  for (int path : kPaths) {
    SCOPED_TRACE(path);
    tw::Model m = HexaBar(2, 0.5, 1, path);
    AddRange(m, 0.0, 100);
    ModalModel mm(m, "all" + std::to_string(path));
    VibrationModes v{};
    mm.Modes(&v);
    EXPECT_EQ(v.nModes, mm.w.nF);
    EXPECT_EQ(mm.w.nF, 8);
    EXPECT_LT(mm.MassOrthonormality(v), 1e-9);
    for (int k = 2; k <= v.nModes; k++) EXPECT_GT(v.lambda[k], v.lambda[k - 1] * (1.0 - 1e-12));
    FreeVibrationModes(&v);
  }
}

// A shift on an eigenvalue makes the shifted matrix singular; the iterative path takes
// no shift.
TEST(VibrationModes, SingularShiftAndShiftOnIterativePathAreRefused) {
  {
    tw::Model m = HexaBar(20, 0.05, 1, 1);
    AddRange(m, 2.4686697084, 2);
    ModalModel mm(m, "singular");
    VibrationModes v{};
    EXPECT_EXIT(
        {
          gSkipLeakCheck = true;
          mm.Modes(&v);
        },
        testing::ExitedWithCode(1), Whole("Shift = 2.468670\n\nERROR:\nShifted matrix is singular. Choose different shift\n\n"));
  }
  {
    tw::Model m = HexaBar(4, 0.25, 1, 3);
    AddRange(m, 5.0, 2);
    ModalModel mm(m, "iterative");
    VibrationModes v{};
    EXPECT_EXIT(
        {
          gSkipLeakCheck = true;
          mm.Modes(&v);
        },
        testing::ExitedWithCode(1),
        Whole("\nShift = 5.000000\n\nERROR:\nThe iterative solver of the modal analysis cannot take a shift:\n"
              "give every frequency range the shift 0.0 or choose _GAUSS_ELIM.\n\n"));
  }
}

// The modes in hand (from the mode files) lead the result and the ranges add new ones.
TEST(VibrationModes, ModesInHandAreKeptAndNotFoundAgain) {
  tw::Model m = HexaBar(6, 1.0 / 6.0, 1, 1);
  AddRange(m, 0.0, 2);
  ModalModel first(m, "first");
  VibrationModes a{};
  first.Modes(&a);
  ASSERT_EQ(a.nModes, 2);
  ModalModel second(m, "second");
  VibrationModes b{};
  second.Modes(&b, 2, a.lambda, a.Phi);
  ASSERT_EQ(b.nModes, 4);
  for (int k = 1; k <= 4; k++) EXPECT_NEAR(b.lambda[k], ChainEigenvalue(k, 6, 1.0 / 6.0), 1e-9 * b.lambda[k]) << k;
  for (int i = 1; i <= b.nF; i++) EXPECT_EQ(b.Phi[i][1], a.Phi[i][1]);
  EXPECT_LT(second.MassOrthonormality(b), 1e-9);
  FreeVibrationModes(&b);
  FreeVibrationModes(&a);
}
