// Models of the vibration-mode tests: a model described with the data-file writer, read
// back with its load-case positions kept, its work arrays, and its assembled stiffness
// and mass; the modes computed in process on them.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/entry.h"
#include "analysis/solution_control.h"
#include "assembly/assembly.h"
#include "assembly/summary.h"
#include "assembly/topology_fixture.h"
#include "dynamics/mass_damping.h"
#include "modal/vibration_modes.h"
#include "model/fileio.h"
#include "numcore/numcore.h"
#include "support/output_flags.h"

extern bool gSkipLeakCheck;

// The model read back, K and M assembled, the data file open at its load cases.
struct ModalModel {
  std::string job;
  MeshData mesh{};
  MainWorkArrays w{};
  FILE* fp = nullptr;
  long* positions = nullptr;
  SparseRowMatrix K{}, KPF{}, KPP{}, M{}, MPF{}, MPP{};
  Flags oc;
  ModalInput in{};

  explicit ModalModel(const tw::Model& m, const std::string& tag = "") {
    job = TestJobName(tag);
    tw::WriteDataFile(job, m);
    OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
    ReadTag("<VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
    ReadMesh(fp, &mesh);
    allocl1(&positions, mesh.Main.nLoadCases);
    LocateLoadCases(fp, &mesh, positions);
    InitializeMainWorkArrays(1, &mesh, &w);
    IterSummaryRecord summary{};
    int64_t a, b, c;
    testing::internal::CaptureStdout();
    AssembGlobalStiffMat(&a, &b, &c, job.c_str(), oc, &summary, &mesh, &K, &KPF, &KPP, &w);
    AssembGlobalMassMat(oc, &mesh, &w, &M, &MPF, &MPP);
    testing::internal::GetCapturedStdout();
    in = ModalInput{fp, positions, job.c_str(), oc, &mesh, &w};
  }
  ~ModalModel() {
    FreeGlobalStiffMat(&M, &MPF, &MPP);
    FreeGlobalStiffMat(&K, &KPF, &KPP);
    FreeMainWorkArrays(&w);
    freel1(positions);
    CloseFile(fp);
    FreeMesh(&mesh);
    std::remove((job + "_gl.bin").c_str());
  }
  ModalModel(const ModalModel&) = delete;
  ModalModel& operator=(const ModalModel&) = delete;

  // The modes of the model (console output swallowed).
  void Modes(VibrationModes* v, int nInHand = 0, const double* lambda = nullptr, double** Phi = nullptr) {
    testing::internal::CaptureStdout();
    CalcVibrationModes(&in, &K, &M, nInHand, lambda, Phi, false, v);
    testing::internal::GetCapturedStdout();
  }

  // y = A x with A symmetric in upper row-list form.
  static std::vector<double> Product(const SparseRowMatrix& A, const std::vector<double>& x) {
    std::vector<double> y(x.size(), 0.0);
    for (int i = 1; i <= A.n; i++)
      for (int t = 1; t <= A.count[i]; t++) {
        const int j = A.cols[i][t];
        y[i] += A.vals[i][t] * x[j];
        if (j != i) y[j] += A.vals[i][t] * x[i];
      }
    return y;
  }
  static std::vector<double> Column(const VibrationModes& v, int j) {
    std::vector<double> x(v.nF + 1, 0.0);
    for (int i = 1; i <= v.nF; i++) x[i] = v.Phi[i][j];
    return x;
  }
  // Largest deviation of Phi^T M Phi from the identity.
  double MassOrthonormality(const VibrationModes& v) const {
    double worst = 0.0;
    for (int a = 1; a <= v.nModes; a++) {
      const std::vector<double> ma = Product(M, Column(v, a));
      for (int b = 1; b <= v.nModes; b++) {
        const std::vector<double> xb = Column(v, b);
        double s = 0.0;
        for (int i = 1; i <= v.nF; i++) s += ma[i] * xb[i];
        worst = std::fmax(worst, std::fabs(s - (a == b ? 1.0 : 0.0)));
      }
    }
    return worst;
  }
};

// Modal analysis parameters: eigenvectors (1) or Ritz vectors (2), the linear-equation
// algorithm.
inline void ModalParameters(tw::Model& m, int modeType, int algorithm) {
  m.main.analysisType = 3;
  m.main.linEqAlgorithm = algorithm;
  m.main.storageTechnique = algorithm == 1 ? 1 : 2;
  m.main.precondResidualDecay = 1e-13;
  m.dynamic.vibrationModeType = modeType;
}

inline void AddRange(tw::Model& m, double shift, int count, double upper = 0.0, double last = 0.0) {
  tw::AddRecord(m, "<FREQUENCY_RANGES>", tw::Rec().D(shift).I(count).D(upper).D(last));
}

// Hexahedral bar along x1: n cubes of h x 0.1 x 0.1, u2 = u3 = 0 everywhere, u1 = 0 at
// x1 = 0, E = rho = 1, nu = 0. Point of station k (0..n), corner j (0..3): 4k + j + 1.
inline tw::Model HexaBar(int n, double h, int modeType, int algorithm) {
  tw::Model m;
  ModalParameters(m, modeType, algorithm);
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("m", 1.0, 0.0, 1.0, 0.0));
  const double yz[4][2] = {{0, 0}, {0.1, 0}, {0.1, 0.1}, {0, 0.1}};
  for (int k = 0; k <= n; k++)
    for (const auto& c : yz) {
      const int p = tw::AddPoint(m, h * k, c[0], c[1]);
      tw::AddRecord(m, "<SUPPORTS>", tw::Support(p, k == 0 ? "111000" : "011000"));
    }
  auto P = [](int k, int j) { return 4 * k + j + 1; };
  for (int k = 0; k < n; k++)
    tw::AddElement(m, {P(k, 0), P(k + 1, 0), P(k + 1, 1), P(k, 1), P(k, 3), P(k + 1, 3), P(k + 1, 2), P(k, 2)});
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, n, _SOLID_HEXA, 1, 1, 0, 0));
  return m;
}

// Eigenvalue k of a fixed-free chain of n consistent-mass bar elements of length h
// (E = rho = 1): half of a fixed-fixed chain of 2n.
inline double ChainEigenvalue(int k, int n, double h) {
  const double t = (2.0 * k - 1.0) * M_PI / (2.0 * n);
  return 6.0 / (h * h) * (1.0 - std::cos(t)) / (2.0 + std::cos(t));
}

// Truss bar along x1 of the given element lengths (E = rho = A = 1), u2 = u3 = 0; the
// supports of the first and last point as fixity strings.
inline tw::Model TrussBar(const std::vector<double>& lengths, int modeType, int algorithm, const std::string& first,
                          const std::string& last) {
  tw::Model m;
  ModalParameters(m, modeType, algorithm);
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("m", 1.0, 0.0, 1.0, 0.0));
  tw::AddRecord(m, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("a", 1.0));
  double x = 0.0;
  const int n = static_cast<int>(lengths.size());
  for (int k = 0; k <= n; k++) {
    const int p = tw::AddPoint(m, x, 0, 0);
    const std::string s = k == 0 ? first : k == n ? last : "011000";
    tw::AddRecord(m, "<SUPPORTS>", tw::Support(p, s));
    if (k < n) x += lengths[k];
  }
  for (int k = 1; k <= n; k++) tw::AddElement(m, {k, k + 1});
  AddProperty(m, 1, n, _TRUSS_3D);
  return m;
}

// A load case of point loads in x1 (point, value) and gravity.
inline tw::LoadCase LoadCase(const std::vector<std::pair<int, double>>& loads, std::array<double, 3> gravity = {}) {
  tw::LoadCase lc;
  lc.gravity = gravity;
  for (const auto& [p, f] : loads) lc.blocks["<POINT_LOADS>"].push_back(tw::PointLoad(p, {f, 0, 0, 0, 0, 0}));
  return lc;
}

// Hexahedral bar of 20 cubes with a tip load (load case 1, static ratios) and gravity
// along x1 (load case 2, dynamic ratios).
inline tw::Model LoadedHexaBar(int path, int modes) {
  tw::Model m = HexaBar(20, 0.05, 1, path);
  AddRange(m, 0.0, modes);
  std::vector<std::pair<int, double>> tip;
  for (int j = 1; j <= 4; j++) tip.push_back({4 * 20 + j, 0.25});
  m.loadCases.push_back(LoadCase(tip));
  m.loadCases.push_back(LoadCase({}, {1.0, 0.0, 0.0}));
  tw::AddRecord(m, "<STATIC_PARTICIPATION_RATIOS>", tw::Rec().I(1));
  tw::AddRecord(m, "<DYNAMIC_PARTICIPATION_RATIOS>", tw::Rec().I(2));
  return m;
}

// A truss bar of ten elements over x1 = 0..1 cut at mid-length into two chains (points
// 1..6 and 7..12, points 6 and 7 coinciding) whose facing points are joined by an
// internal point link in x1; fixed at x1 = 0, three modes wanted.
inline tw::Model LinkedChains(int algorithm) {
  tw::Model m;
  ModalParameters(m, 1, algorithm);
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("m", 1.0, 0.0, 1.0, 0.0));
  tw::AddRecord(m, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("a", 1.0));
  for (int c = 0; c < 2; c++)
    for (int k = 0; k <= 5; k++) {
      const int p = tw::AddPoint(m, 0.5 * c + 0.1 * k, 0, 0);
      tw::AddRecord(m, "<SUPPORTS>", tw::Support(p, p == 1 ? "111000" : "011000"));
    }
  for (int k = 1; k <= 5; k++) tw::AddElement(m, {k, k + 1});
  for (int k = 7; k <= 11; k++) tw::AddElement(m, {k, k + 1});
  AddProperty(m, 1, 10, _TRUSS_3D);
  tw::AddRecord(m, "<INTERNAL_POINT_LINKS>", tw::PointLink(6, 7, "100000"));
  AddRange(m, 0.0, 3);
  return m;
}
