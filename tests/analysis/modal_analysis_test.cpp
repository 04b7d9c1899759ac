// Modal analyses run end to end by the built program: the hexahedral bar against the
// discrete closed form, its report, mode file and matrix exports read back; the next run
// of the job continuing from the selected modes or replacing files that do not belong
// to the model; participation sums; both solve paths; a shell with massless drills; the
// refusals of the driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "modal/modal_fixture.h"
#include "model/banner.h"
#include "numcore/numcore.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace {

const double kBarLambda[] = {0, 2.4686697084, 22.309535092, 62.481754102, 123.97764358, 208.31199821, 317.54715271};

// Lowest eigenvalues of K x = lambda M x for dense K and M (M positive definite):
// L L^T = M, then the eigenvalues of L^-1 K L^-T by Jacobi rotations, ascending.
std::vector<double> DenseEigenvalues(std::vector<std::vector<double>> K, std::vector<std::vector<double>> M) {
  const int n = static_cast<int>(K.size()) - 1;
  for (int j = 1; j <= n; j++) {
    for (int k = 1; k < j; k++) M[j][j] -= M[j][k] * M[j][k];
    M[j][j] = std::sqrt(M[j][j]);
    for (int i = j + 1; i <= n; i++) {
      for (int k = 1; k < j; k++) M[i][j] -= M[i][k] * M[j][k];
      M[i][j] /= M[j][j];
    }
  }
  // K := L^-1 K (columns), then K := K L^-T (rows).
  for (int c = 1; c <= n; c++)
    for (int i = 1; i <= n; i++) {
      for (int k = 1; k < i; k++) K[i][c] -= M[i][k] * K[k][c];
      K[i][c] /= M[i][i];
    }
  for (int r = 1; r <= n; r++)
    for (int i = 1; i <= n; i++) {
      for (int k = 1; k < i; k++) K[r][i] -= M[i][k] * K[r][k];
      K[r][i] /= M[i][i];
    }
  double **A, **V, *lambda;
  allocd2(&A, n, n);
  allocd2(&V, n, n);
  allocd1(&lambda, n);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) A[i][j] = 0.5 * (K[i][j] + K[j][i]);
  int nrot;
  double offmax;
  EXPECT_TRUE(eigjacobi(A, n, lambda, V, &nrot, &offmax));
  std::vector<double> out(lambda + 1, lambda + n + 1);
  std::sort(out.begin(), out.end());
  freed1(lambda);
  freed2(V);
  freed2(A);
  return out;
}

// The dense symmetric matrix of an exported row list (upper triangle stored).
std::vector<std::vector<double>> Dense(const resultfile::SparseMatFile& f) {
  std::vector<std::vector<double>> A(f.n + 1, std::vector<double>(f.n + 1, 0.0));
  for (int i = 1; i <= f.n; i++)
    for (const auto& [j, v] : f.rows[i - 1]) A[i][j] = A[j][i] = v;
  return A;
}

// Frame2D cantilever along x2 of ten elements over L = 1 with EI = rho A = 1.
tw::Model FrameCantilever(int algorithm) {
  tw::Model m;
  ModalParameters(m, 1, algorithm);
  m.main.precondResidualDecay = 1e-12;
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("m", 1.0, 0.0, 1e6, 0.25));
  tw::AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", tw::Frame2DSection("f2", {1.0, 0.0, 1e-6, 0.1}));
  for (int k = 0; k <= 10; k++) tw::AddPoint(m, 0, 0.1 * k, 0);
  for (int k = 1; k <= 10; k++) tw::AddElement(m, {k, k + 1});
  AddProperty(m, 1, 10, _FRAME_2D);
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(1, "011100"));
  AddRange(m, 0.0, 3);
  return m;
}

class ModalRun : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }

  ChildResult Run(const tw::Model& m) {
    tw::WriteDataFile(dir_ + "/job1", m);
    WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
    return RunProgram(VOLDE_EXE, {"job1"}, dir_);
  }
  // A run that ended in success without a word on the error stream.
  ChildResult RunSound(const tw::Model& m) {
    ChildResult r = Run(m);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("### Success ###"), std::string::npos);
    return r;
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  resultfile::VibrationModesFile Modes() const {
    resultfile::VibrationModesFile f = resultfile::ReadVibrationModes(Path("job1_vm.bin"));
    EXPECT_EQ(f.error, "");
    return f;
  }

  std::string dir_;
};

}  // namespace

// The bar of 20 cubes, three modes: the report, the mode file and the exported matrices
// agree with each other and with the discrete closed form.
TEST_F(ModalRun, HexahedralBarWritesReportModesAndMatrices) {
  const ChildResult r = RunSound([] {
    tw::Model m = HexaBar(20, 0.05, 1, 1);
    AddRange(m, 0.0, 3);
    return m;
  }());
  EXPECT_NE(r.out.find("\nFiles job1_vm.dat and job1_vm.bin not found.\nCreating new files job1_vm.dat and "
                       "job1_vm.bin.\n"),
            std::string::npos)
      << r.out;

  const resultfile::VibrationModesFile f = Modes();
  const int nF = 80;
  ASSERT_EQ(f.nModes, 3);
  EXPECT_EQ(f.nF, nF);
  EXPECT_EQ(f.nP, 4 * 21 * 2 + 4);
  EXPECT_EQ(resultfile::ReadFileBytes(Path("job1_vm.bin")).size(), 22u + 12u + 3u * (28u + 8u * nF));

  const resultfile::ModeReport rep = resultfile::ReadModeReport(Path("job1_vm.dat"));
  ASSERT_EQ(rep.error, "");
  for (int k = 0; k < kBannerLines; k++) EXPECT_EQ(rep.lines.at(k), std::string("#") + kBanner[k]);
  const std::string date = rep.lines.at(13);
  EXPECT_EQ(rep.lines.at(12), "");
  EXPECT_EQ(date.substr(0, 8), "#\"Date: ");
  EXPECT_EQ(date.size(), 8u + 24u + 1u) << date;  // "Thu Dec 10 03:05:06 2026"
  EXPECT_EQ(date.back(), '"');
  EXPECT_EQ(rep.lines.at(15), "#\"Job Name: job1\"");
  EXPECT_EQ(rep.lines.at(17), "#\"Title: test model\"");
  EXPECT_EQ(rep.lines.at(19), "<SELECTED_VIBRATION_MODES>");
  EXPECT_EQ(rep.count, 3);
  ASSERT_EQ(rep.selected.size(), 3u);
  EXPECT_EQ(rep.selected[0].lambda, 2.4686697084);
  EXPECT_EQ(rep.selected[0].omega, 1.57120009);
  EXPECT_EQ(rep.selected[0].f, 0.25006426);
  for (int k = 1; k <= 3; k++) {
    const resultfile::VibrationModeRecord& m = f.records[k - 1];
    const resultfile::ModeReport::Selected& s = rep.selected[k - 1];
    EXPECT_EQ(m.counter, k);
    EXPECT_EQ(s.counter, k);
    EXPECT_NEAR(m.lambda, kBarLambda[k], 1e-9 * kBarLambda[k]);
    EXPECT_NEAR(s.lambda, m.lambda, 5.1e-11);
    EXPECT_NEAR(s.omega, std::sqrt(m.lambda), 5.1e-9);
    EXPECT_NEAR(s.f, std::sqrt(m.lambda) / (2.0 * M_PI), 5.1e-9);
    EXPECT_NEAR(s.error, m.error, 5e-7 * m.error);
    EXPECT_NEAR(s.relError, m.relError, 5e-7 * m.relError);
    EXPECT_LT(m.relError, 1e-9);
  }

  // K and M rebuilt from the exports have the same lowest eigenvalues, and the modes read
  // back are M-orthonormal.
  const resultfile::SparseMatFile Kf = resultfile::ReadSparseMatBin(Path("StiffMat.bin"));
  const resultfile::SparseMatFile Mf = resultfile::ReadSparseMatBin(Path("MassMat.bin"));
  for (const auto* A : {&Kf, &Mf}) {
    ASSERT_EQ(A->error, "");
    EXPECT_EQ(A->flag, 1);
    ASSERT_EQ(A->n, nF);
    for (int i = 1; i <= nF; i++) {
      ASSERT_FALSE(A->rows[i - 1].empty());
      EXPECT_EQ(A->rows[i - 1][0].first, i);
      for (size_t t = 1; t < A->rows[i - 1].size(); t++) EXPECT_GT(A->rows[i - 1][t].first, A->rows[i - 1][t - 1].first);
    }
  }
  const std::vector<std::vector<double>> M = Dense(Mf);
  const std::vector<double> lambda = DenseEigenvalues(Dense(Kf), M);
  for (int k = 1; k <= 3; k++) EXPECT_NEAR(lambda[k - 1], f.records[k - 1].lambda, 1e-9 * kBarLambda[k]);
  for (int a = 0; a < 3; a++)
    for (int b = 0; b < 3; b++) {
      double s = 0.0;
      for (int i = 1; i <= nF; i++)
        for (int j = 1; j <= nF; j++) s += f.records[a].phi[i - 1] * M[i][j] * f.records[b].phi[j - 1];
      EXPECT_NEAR(s, a == b ? 1.0 : 0.0, 1e-9) << a << " " << b;
    }

  // The execution parameters hold their two tags only.
  const std::vector<uint8_t> ep = resultfile::ReadFileBytes(Path("job1_ep.bin"));
  EXPECT_EQ(ep, resultfile::TagsOnlyBytes({"<EXECUTION_PARAMETERS>", "</EXECUTION_PARAMETERS>"}));
}

// The next run of the job: the selected modes are taken bit for bit and only the rest
// computed; a report edited to other counters gives those modes; files of the model with
// another E, or a report naming a counter twice, are replaced with a warning.
TEST_F(ModalRun, NextRunContinuesFromTheSelectedModes) {
  auto Bar = [](int modes, double E = 1.0) {
    tw::Model m = HexaBar(20, 0.05, 1, 1);
    m.blocks["<LINEAR_ISOTROPIC_MATERIALS>"][0] = tw::LinIsoMaterial("m", 1.0, 0.0, E, 0.0);
    AddRange(m, 0.0, modes);
    return m;
  };
  const std::string exist = "\nFiles job1_vm.dat and job1_vm.bin exist.\nVerifying their content:\n";
  auto Same = [](const resultfile::VibrationModeRecord& a, const resultfile::VibrationModeRecord& b) {
    EXPECT_EQ(a.lambda, b.lambda);
    EXPECT_EQ(a.error, b.error);
    EXPECT_EQ(a.relError, b.relError);
    EXPECT_EQ(a.phi, b.phi);
  };
  {
    SCOPED_TRACE("same job again");
    RunSound(Bar(3));
    const resultfile::VibrationModesFile first = Modes();
    const ChildResult r = RunSound(Bar(3));
    EXPECT_NE(r.out.find(exist), std::string::npos) << r.out;
    const resultfile::VibrationModesFile second = Modes();
    ASSERT_EQ(second.nModes, 6);
    for (int k = 1; k <= 3; k++) Same(second.records[k - 1], first.records[k - 1]);
    for (int k = 1; k <= 6; k++) {
      EXPECT_EQ(second.records[k - 1].counter, k);
      EXPECT_NEAR(second.records[k - 1].lambda, kBarLambda[k], 1e-9 * kBarLambda[k]) << k;
      EXPECT_NEAR(second.records[k - 1].lambda, ChainEigenvalue(k, 20, 0.05), 1e-9 * kBarLambda[k]) << k;
    }
  }
  {
    SCOPED_TRACE("edited selection");
    RunSound(Bar(10));
    const resultfile::VibrationModesFile first = Modes();
    resultfile::EditSelectedModes(Path("job1_vm.dat"), {5, 2, 9});
    RunSound(Bar(1));
    const resultfile::VibrationModesFile second = Modes();
    ASSERT_EQ(second.nModes, 4);
    EXPECT_NEAR(second.records[0].lambda, kBarLambda[1], 1e-9 * kBarLambda[1]);
    Same(second.records[1], first.records[1]);
    Same(second.records[2], first.records[4]);
    Same(second.records[3], first.records[8]);
  }
  struct Case {
    const char* name;
    double E;
    std::vector<int> counters;
    const char* message;
  };
  const Case cases[] = {{"another E", 2.0, {1, 2, 3}, "not in repect with the problem."},
                        {"counter twice", 1.0, {2, 1, 2}, "not related."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(Path("job1_vm.bin").c_str());
    std::remove(Path("job1_vm.dat").c_str());
    RunSound(Bar(3));
    resultfile::EditSelectedModes(Path("job1_vm.dat"), c.counters);
    const ChildResult r = Run(Bar(3, c.E));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, std::string("\nWARNING:\nFiles job1_vm.dat and job1_vm.bin ") + c.message +
                         "\nCreating new files job1_vm.dat and job1_vm.bin.\n");
    const resultfile::VibrationModesFile f = Modes();
    ASSERT_EQ(f.nModes, 3);
    for (int k = 1; k <= 3; k++) EXPECT_NEAR(f.records[k - 1].lambda, c.E * kBarLambda[k], 1e-9 * c.E * kBarLambda[k]);
  }
}

// With every mode of the bar the static ratios of a tip load and the dynamic ratios of
// gravity each sum to 1.
TEST_F(ModalRun, ParticipationRatiosOfAllModesSumToOne) {
  RunSound(LoadedHexaBar(1, 1000));
  const resultfile::ModeReport rep = resultfile::ReadModeReport(Path("job1_vm.dat"));
  ASSERT_EQ(rep.error, "");
  EXPECT_EQ(rep.count, 80);
  for (const char* block : {"STATIC_PARTICIPATION_RATIO_LOAD_CASE_1", "DYNAMIC_PARTICIPATION_RATIO_LOAD_CASE_2"}) {
    SCOPED_TRACE(block);
    ASSERT_EQ(rep.ratios.count(block), 1u);
    const std::vector<resultfile::ModeReport::Ratio>& rows = rep.ratios.at(block);
    ASSERT_EQ(rows.size(), 80u);
    double sum = 0.0;
    for (size_t k = 0; k < rows.size(); k++) {
      EXPECT_EQ(rows[k].mode, static_cast<int>(k) + 1);
      EXPECT_EQ(rows[k].sumText, "1.00000000");
      sum += rows[k].ratio;
    }
    EXPECT_NEAR(sum, 1.0, 1e-6);
  }
  EXPECT_GT(rep.ratios.at("STATIC_PARTICIPATION_RATIO_LOAD_CASE_1")[0].ratio, 0.8);
}

// The profile and the preconditioned paths give the cantilever the same frequencies.
TEST_F(ModalRun, FrameCantileverAlikeOnBothSolvePaths) {
  RunSound(FrameCantilever(1));
  const resultfile::VibrationModesFile gauss = Modes();
  std::remove(Path("job1_vm.bin").c_str());
  std::remove(Path("job1_vm.dat").c_str());
  RunSound(FrameCantilever(3));
  const resultfile::VibrationModesFile pcg = Modes();
  ASSERT_EQ(gauss.nModes, 3);
  ASSERT_EQ(pcg.nModes, 3);
  const double beta[] = {1.875104069, 4.694091133, 7.854757438};
  for (int k = 0; k < 3; k++) {
    EXPECT_NEAR(pcg.records[k].lambda / gauss.records[k].lambda, 1.0, 1e-8) << k;
    EXPECT_NEAR(gauss.records[k].lambda / std::pow(beta[k], 4), 1.0, 1e-3) << k;
  }
}

// A steel cantilever 10 x 1 x 1 mm of ten cubes, clamped at one end, in N, mm and tonnes
// (its mass terms near 1e-9) and in mN, mm and kg: the same vibration modes on both
// solve paths. Without density no mode exists, and the run says so and fails.
TEST_F(ModalRun, MicroCantileverHasTheSameModesInAnyUnits) {
  auto cantilever = [](double E, double rho, int algorithm) {
    tw::Model m;
    ModalParameters(m, 1, algorithm);
    tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", rho, 0.0, E, 0.3));
    const double yz[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int k = 0; k <= 10; k++)
      for (const auto& c : yz) {
        const int p = tw::AddPoint(m, k, c[0], c[1]);
        if (k == 0) tw::AddRecord(m, "<SUPPORTS>", tw::Support(p, "111000"));
      }
    auto P = [](int k, int j) { return 4 * k + j + 1; };
    for (int k = 0; k < 10; k++)
      tw::AddElement(m, {P(k, 0), P(k + 1, 0), P(k + 1, 1), P(k, 1), P(k, 3), P(k + 1, 3), P(k + 1, 2), P(k, 2)});
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 10, _SOLID_HEXA, 1, 1, 0, 0));
    AddRange(m, 0.0, 5);
    return m;
  };
  std::vector<resultfile::VibrationModesFile> runs;
  for (int algorithm : {1, 3})
    for (bool tonnes : {true, false}) {
      SCOPED_TRACE(std::to_string(algorithm) + (tonnes ? " t" : " kg"));
      RunSound(tonnes ? cantilever(210000.0, 7.8e-9, algorithm) : cantilever(2.1e8, 7.8e-6, algorithm));
      runs.push_back(Modes());
      std::remove(Path("job1_vm.bin").c_str());
      std::remove(Path("job1_vm.dat").c_str());
    }
  for (const resultfile::VibrationModesFile& f : runs) {
    ASSERT_EQ(f.nModes, 5);
    for (int k = 0; k < 5; k++) EXPECT_NEAR(f.records[k].lambda / runs[0].records[k].lambda, 1.0, 1e-8) << k;
  }
  // The first mode bends: one layer of eight-node cubes is stiffer than the beam
  // (1.875^4 E I / (rho A L^4)), but not twice as stiff.
  const double beam = std::pow(1.875104069, 4) * 210000.0 / 12.0 / (7.8e-9 * 1e4);
  EXPECT_GT(runs[0].records[0].lambda, beam);
  EXPECT_LT(runs[0].records[0].lambda, 2.0 * beam);

  const ChildResult r = Run(cantilever(210000.0, 0.0, 1));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No vibration mode was found"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("### Success ###"), std::string::npos);
}

// A flat Mindlin shell plate clamped along one edge (its drills are free dofs without
// mass) with a dynamic participation load case, and the linked chains of a truss bar
// (slave dofs): each run succeeds and the next run of the job accepts its files.
TEST_F(ModalRun, OwnFilesAcceptedWithMasslessDrillsAndSlaveDofs) {
  tw::Model shell;
  ModalParameters(shell, 1, 1);
  tw::AddRecord(shell, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("m", 2.5, 0.0, 1000.0, 0.2));
  tw::AddRecord(shell, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 0.1));
  for (int j = 0; j <= 2; j++)
    for (int i = 0; i <= 2; i++) {
      const int p = tw::AddPoint(shell, 0.5 * i, 0.5 * j, 0.0);
      if (i == 0) tw::AddRecord(shell, "<SUPPORTS>", tw::Support(p, "111111"));
    }
  for (int j = 0; j < 2; j++)
    for (int i = 0; i < 2; i++) {
      const int a = 3 * j + i + 1;
      tw::AddElement(shell, {a, a + 1, a + 4, a + 3});
    }
  int kind, record;
  GeometryFor(_MINDLIN_SHELL_QUAD, &kind, &record);
  tw::AddRecord(shell, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 4, _MINDLIN_SHELL_QUAD, 1, 1, kind, record));
  shell.loadCases.push_back(LoadCase({}, {0.0, 0.0, -1.0}));
  tw::AddRecord(shell, "<DYNAMIC_PARTICIPATION_RATIOS>", tw::Rec().I(1));
  AddRange(shell, 0.0, 4);
  struct Case {
    const char* name;
    tw::Model model;
    int modes;
  };
  const Case cases[] = {{"shell", shell, 4}, {"linked chains", LinkedChains(1), 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(Path("job1_vm.bin").c_str());
    std::remove(Path("job1_vm.dat").c_str());
    RunSound(c.model);
    const resultfile::VibrationModesFile first = Modes();
    ASSERT_EQ(first.nModes, c.modes);
    const ChildResult r = RunSound(c.model);
    EXPECT_NE(r.out.find("exist.\nVerifying their content:\n"), std::string::npos) << r.out;
    const resultfile::VibrationModesFile second = Modes();
    ASSERT_EQ(second.nModes, 2 * c.modes);
    for (int k = 0; k < c.modes; k++) EXPECT_EQ(second.records[k].phi, first.records[k].phi) << k;
    const resultfile::ModeReport rep = resultfile::ReadModeReport(Path("job1_vm.dat"));
    ASSERT_EQ(rep.error, "");
    EXPECT_EQ(rep.count, 2 * c.modes);
  }
}

// A Ritz-vector job: one vector from a tip load on a fixed-free truss bar is u = x, of
// Rayleigh quotient 3. No matrix is exported and no earlier file is looked at; the restart
// state holds the mode file's checksum.
TEST_F(ModalRun, RitzJobNeitherExportsNorReusesFiles) {
  tw::Model m = TrussBar(std::vector<double>(20, 0.05), 2, 1, "111000", "011000");
  m.loadCases.push_back(LoadCase({{21, 1.0}}));
  tw::AddRecord(m, "<RITZ_GENERATING_LOAD_CASES>", tw::Rec().I(1).I(1));
  for (int run = 1; run <= 2; run++) {
    SCOPED_TRACE(run);
    const ChildResult r = RunSound(m);
    EXPECT_EQ(r.out.find("job1_vm.dat and job1_vm.bin"), std::string::npos) << r.out;
    const resultfile::VibrationModesFile f = Modes();
    ASSERT_EQ(f.nModes, 1);
    EXPECT_NEAR(f.records[0].lambda, 3.0, 1e-12);
    EXPECT_EQ(ListDirectory(dir_), (std::vector<std::string>{"job1_ctrl.dat", "job1_ep.bin", "job1_gl.bin",
                                                             "job1_rs.bin", "job1_vm.bin", "job1_vm.dat"}));
  }
}

// What the driver refuses before any assembly.
TEST_F(ModalRun, RefusalsOfTheDriver) {
  struct Case {
    const char* name;
    int modeType;
    void (*edit)(tw::Model&);
    const char* err;
  };
  const Case cases[] = {
      {"Ritz vectors without load cases", 2, [](tw::Model&) {},
       "\nERROR:\nRitz vectors are generated from load cases:\n"
       "a modal analysis with _RITZ_VECTOR needs at least one load case.\n\n"},
      {"participating mass ratios", 1, [](tw::Model& m) { m.participatingMassRatios = {1, 0, 0}; },
       "\n   -> Block name: <PARTICIPATING_MASS_RATIOS>\n   -> Direction: XG1\n\nERROR:\n"
       "Participating mass ratios are not available:\n"
       "use <DYNAMIC_PARTICIPATION_RATIOS> with a gravity load case instead.\n\n"},
      {"two phases", 1, [](tw::Model& m) { m.main.nPhases = 2; },
       "\nERROR:\nThe n. of phases must be 1 when the options are the following:\n - modal linear analysis\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tw::Model m = HexaBar(2, 0.5, c.modeType, 1);
    AddRange(m, 0.0, 1);
    c.edit(m);
    const ChildResult r = Run(m);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out.find("Calculating and assembling"), std::string::npos);
    EXPECT_FALSE(resultfile::ReadFileBytes(Path("job1_vm.bin")).size() > 0);
  }
}
