// Participation ratios against the closed forms of the bar, load-dependent Ritz vectors,
// slave dofs of internal point links, massless dofs, and the refusals of the modal data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "modal_fixture.h"

namespace {

const int kPaths[] = {1, 3};

}  // namespace

// Tip load: the static ratio of mode 1 is near 8/pi^2; gravity: the dynamic (effective
// mass) ratios of modes 1 and 2. With every mode both sums are 1, as sum phi phi^T /
// lambda = K^-1 and sum phi phi^T = M^-1.
TEST(ParticipationRatios, HexahedralBarAgainstClosedForms) {
  for (int path : kPaths) {
    SCOPED_TRACE(path);
    {
      ModalModel mm(LoadedHexaBar(path, 2), "two" + std::to_string(path));
      VibrationModes v{};
      mm.Modes(&v);
      ASSERT_EQ(v.nModes, 2);
      EXPECT_NEAR(v.staticRatio[1][1], 0.8109862643, 1e-9);
      EXPECT_NEAR(8.0 / (M_PI * M_PI), 0.8105695, 1e-7);
      EXPECT_NEAR(v.dynamicRatio[1][1], 0.8224400690, 1e-9);
      EXPECT_NEAR(v.dynamicRatio[2][1], 0.0913795099, 1e-9);
      EXPECT_NEAR(v.dynamicSum[1], v.dynamicRatio[1][1] + v.dynamicRatio[2][1], 1e-15);
      FreeVibrationModes(&v);
    }
    ModalModel mm(LoadedHexaBar(path, 1000), "all" + std::to_string(path));
    VibrationModes v{};
    mm.Modes(&v);
    ASSERT_EQ(v.nModes, 80);
    EXPECT_NEAR(v.staticSum[1], 1.0, 1e-9);
    EXPECT_NEAR(v.dynamicSum[1], 1.0, 1e-9);
    FreeVibrationModes(&v);
  }
}

// One Ritz vector from a tip load on a fixed-free truss bar is u = x: its Rayleigh
// quotient is int u'^2 / int u^2 = 3. A load at the middle of a fixed-fixed bar of four
// elements generates the two symmetric modes only (the third vector is dependent and
// dropped), at any load magnitude.
TEST(RitzVectors, RayleighQuotientAndDependentVectorDropped) {
  for (int path : kPaths) {
    SCOPED_TRACE(path);
    {
      tw::Model m = TrussBar(std::vector<double>(20, 0.05), 2, path, "111000", "011000");
      m.loadCases.push_back(LoadCase({{21, 1.0}}));
      tw::AddRecord(m, "<RITZ_GENERATING_LOAD_CASES>", tw::Rec().I(1).I(1));
      ModalModel mm(m, "tip" + std::to_string(path));
      VibrationModes v{};
      mm.Modes(&v);
      ASSERT_EQ(v.nModes, 1);
      EXPECT_NEAR(v.lambda[1], 3.0, 1e-12);
      for (int i = 1; i <= 20; i++) EXPECT_NEAR(v.Phi[i][1] / v.Phi[20][1], i / 20.0, 1e-12);
      EXPECT_LT(mm.MassOrthonormality(v), 1e-12);
      FreeVibrationModes(&v);
    }
    for (double load : {1.0, 1e-9}) {
      tw::Model m = TrussBar(std::vector<double>(4, 0.25), 2, path, "111000", "111000");
      m.loadCases.push_back(LoadCase({{3, load}}));
      tw::AddRecord(m, "<RITZ_GENERATING_LOAD_CASES>", tw::Rec().I(1).I(3));
      ModalModel mm(m, "sym" + std::to_string(path) + std::to_string(load == 1.0));
      VibrationModes v{};
      mm.Modes(&v);
      ASSERT_EQ(v.nModes, 2) << load;
      EXPECT_NEAR(v.lambda[1], 10.386642005, 1e-8);
      EXPECT_NEAR(v.lambda[2], 126.756215138, 1e-7);
      EXPECT_LT(mm.MassOrthonormality(v), 1e-12);
      FreeVibrationModes(&v);
    }
  }
}

// A bar cut at mid-length into two chains whose facing points are joined by an internal
// point link vibrates as the whole bar; the slave's mode entries are the master's.
TEST(VibrationModes, LinkedChainsVibrateAsTheWholeBar) {
  for (int path : kPaths) {
    SCOPED_TRACE(path);
    tw::Model m = LinkedChains(path);
    ModalModel mm(m, std::to_string(path));
    VibrationModes v{};
    mm.Modes(&v);
    ASSERT_EQ(v.nModes, 3);
    for (int k = 1; k <= 3; k++) EXPECT_NEAR(v.lambda[k], ChainEigenvalue(k, 10, 0.1), 1e-9 * v.lambda[k]) << k;
    const int master = mm.w.PointDofNumbers[6][1], slave = mm.w.PointDofNumbers[7][1];
    for (int k = 1; k <= 3; k++) {
      EXPECT_EQ(v.Phi[slave][k], v.Phi[master][k]);
      EXPECT_LT(v.relError[k], 1e-9);
    }
    EXPECT_LT(mm.MassOrthonormality(v), 1e-9);
    FreeVibrationModes(&v);
  }
}

// A free dof without mass (the end point of a massless truss hung on the bar's tip): the
// dynamic ratios are computed, also when every mass is below 1e-5, and the errors are
// those of M as assembled.
TEST(ParticipationRatios, MasslessDofKeepsTheAssembledMassForTheErrors) {
  for (int path : kPaths)
    for (double rho : {1.0, 1e-4}) {
      SCOPED_TRACE(path);
      SCOPED_TRACE(rho);
      tw::Model m = TrussBar(std::vector<double>(5, 0.2), 1, path, "111000", "011000");
      m.blocks["<LINEAR_ISOTROPIC_MATERIALS>"][0] = tw::LinIsoMaterial("m", rho, 0.0, 1.0, 0.0);
      tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("light", 0.0, 0.0, 1.0, 0.0));
      tw::AddPoint(m, 1.2, 0, 0);
      tw::AddRecord(m, "<SUPPORTS>", tw::Support(7, "011000"));
      tw::AddElement(m, {6, 7});
      int kind, record;
      GeometryFor(_TRUSS_3D, &kind, &record);
      tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(6, 6, _TRUSS_3D, 1, 2, kind, record));
      m.loadCases.push_back(LoadCase({}, {1.0, 0.0, 0.0}));
      tw::AddRecord(m, "<DYNAMIC_PARTICIPATION_RATIOS>", tw::Rec().I(1));
      AddRange(m, 0.0, 2);
      ModalModel mm(m, std::to_string(path) + (rho == 1.0 ? "" : "light"));
      const int massless = mm.w.PointDofNumbers[7][1];
      ASSERT_EQ(mm.M.vals[massless][1], 0.0);
      VibrationModes v{};
      mm.Modes(&v);
      ASSERT_EQ(v.nModes, 2);
      EXPECT_EQ(mm.M.vals[massless][1], 0.0);
      EXPECT_NE(v.Phi[massless][1], 0.0);
      EXPECT_GT(v.dynamicRatio[1][1], 0.5);
      EXPECT_LT(v.dynamicSum[1], 1.0);
      double error[3], rel[3];
      CalcEigenModeErrors(v.nF, 2, &mm.K, &mm.M, error, v.lambda, rel, v.Phi);
      for (int k = 1; k <= 2; k++) {
        EXPECT_EQ(v.error[k], error[k]);
        EXPECT_EQ(v.relError[k], rel[k]);
        EXPECT_LT(rel[k], 1e-9);
      }
      FreeVibrationModes(&v);
    }
}

// Refusals from the data: a participating mass ratio request, a linked dof that is not
// free, and load-case numbers of the modal lists outside 1..NUMBER_OF_LOAD_CASES (checked
// when read).
TEST(ModalData, RequestsTheAnalysisCannotServeAreRefused) {
  {
    tw::Model m = HexaBar(2, 0.5, 1, 1);
    AddRange(m, 0.0, 1);
    m.participatingMassRatios = {0, 1, 0};
    ModalModel mm(m);
    VibrationModes v{};
    EXPECT_EXIT(mm.Modes(&v), testing::ExitedWithCode(1),
                Whole("\n   -> Block name: <PARTICIPATING_MASS_RATIOS>\n   -> Direction: XG2\n\nERROR:\n"
                      "Participating mass ratios are not available:\n"
                      "use <DYNAMIC_PARTICIPATION_RATIOS> with a gravity load case instead.\n\n"));
  }
  {
    // A linked dof that is prescribed: the assembly of K refuses it before the modes.
    tw::Model m = TrussBar(std::vector<double>(2, 0.5), 1, 1, "111000", "011000");
    tw::AddPoint(m, 1.0, 0, 0);
    tw::AddRecord(m, "<SUPPORTS>", tw::Support(4, "111000"));
    tw::AddRecord(m, "<INTERNAL_POINT_LINKS>", tw::PointLink(3, 4, "100000"));
    EXPECT_EXIT(ModalModel mm(m, "link"), testing::ExitedWithCode(1), "must be nonprescribed\\.");
  }
  const char* blocks[] = {"<RITZ_GENERATING_LOAD_CASES>", "<STATIC_PARTICIPATION_RATIOS>",
                          "<DYNAMIC_PARTICIPATION_RATIOS>"};
  for (const char* block : blocks) {
    SCOPED_TRACE(block);
    tw::Model m = HexaBar(2, 0.5, 2, 1);
    m.loadCases.push_back(LoadCase({{9, 1.0}}));
    tw::AddRecord(m, block, std::string(block) == blocks[0] ? tw::Rec().I(2).I(1) : tw::Rec().I(2));
    MeshData mesh;
    EXPECT_EXIT(ReadMeshOfModel(TestJobName(), m, &mesh), testing::ExitedWithCode(1),
                "Invalid load case number: 2 \\(valid: 1 to 1\\)\\.");
  }
}
