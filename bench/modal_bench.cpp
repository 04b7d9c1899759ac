// Lowest vibration modes of clamped solid cantilevers of cubic hexahedra of 0.1, E = 30e9,
// nu = 0.2, rho = 2500, on the profile path (Gaussian elimination and shift-invert
// Lanczos):
//   FirstTwentyModes: 540 x 6 x 8 cubes (54 x 0.6 x 0.8, 102 060 equations), 20 modes;
//   TenModes: 288 x 2 x 5 cubes (15 552 equations), 10 modes, the points numbered across
//     the bar (arg 0: a section after the other) and along it (arg 1: a line along the
//     bar after the other, whose data-file order has a profile as wide as the bar).
//
// Reports the seconds of the stiffness and mass assembly, of the profile-reducing order,
// of the factorisation (order included) and of the Lanczos run, with their shares of the
// whole, the profile terms and their megabytes, the peak resident memory, the frequencies
// and f1 against the Euler-Bernoulli cantilever bending in its weak plane,
// f1 = (1.875104^2 / (2 pi L^2)) sqrt(EI / rho A) (0.11514 Hz for the first bar).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>
#include <algorithm>

#include "assembly/assembly.h"
#include "assembly/summary.h"
#include "assembly/topology.h"
#include "dynamics/mass_damping.h"
#include "modal/vibration_modes.h"
#include "model/material.h"
#include "model/mesh.h"
#include "model/records.h"
#include "numcore/numcore.h"
#include "numcore/profile.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

constexpr double kCube = 0.1;

struct Cantilever {
  int kN1, kN2, kN3;  // cubes along x1, x2, x3
  bool along;         // points numbered along the bar, else a cross-section after the other
  MeshData mesh{};
  MainWorkArrays w{};
  int Point(int i, int j, int k) const {
    return along ? (k * (kN2 + 1) + j) * (kN1 + 1) + i + 1 : (i * (kN2 + 1) + j) * (kN3 + 1) + k + 1;
  }
  Cantilever(int n1, int n2, int n3, int modes, bool alongBar) : kN1(n1), kN2(n2), kN3(n3), along(alongBar) {
    MeshData& m = mesh;
    m.nPoints = (kN1 + 1) * (kN2 + 1) * (kN3 + 1);
    allocd2(&m.PointCoord, m.nPoints, 3);
    for (int i = 0; i <= kN1; i++)
      for (int j = 0; j <= kN2; j++)
        for (int k = 0; k <= kN3; k++) {
          double* x = m.PointCoord[Point(i, j, k)];
          x[1] = kCube * i;
          x[2] = kCube * j;
          x[3] = kCube * k;
        }
    m.nElements = kN1 * kN2 * kN3;
    alloci1(&m.ElemNodeCount, m.nElements);
    alloci2(&m.ElemNodes, m.nElements, 8);
    int e = 0;
    for (int i = 0; i < kN1; i++)
      for (int j = 0; j < kN2; j++)
        for (int k = 0; k < kN3; k++) {
          e++;
          m.ElemNodeCount[e] = 8;
          const int nodes[8] = {Point(i, j, k),         Point(i + 1, j, k),         Point(i + 1, j + 1, k),
                                Point(i, j + 1, k),     Point(i, j, k + 1),         Point(i + 1, j, k + 1),
                                Point(i + 1, j + 1, k + 1), Point(i, j + 1, k + 1)};
          for (int a = 0; a < 8; a++) m.ElemNodes[e][a + 1] = nodes[a];
        }
    m.nMaterials[MAT_LIN_ISO] = 1;
    AllocRecords(&m.Materials[MAT_LIN_ISO], 1);
    MaterialRecord& r = m.Materials[MAT_LIN_ISO][1];
    std::snprintf(r.Name, sizeof r.Name, "concrete");
    r.nValues = 4;
    const double v[5] = {0.0, 2500.0, 1e-5, 30e9, 0.2};
    for (int q = 1; q <= 4; q++) {
      r.Value[q] = v[q];
      r.ValueType[q] = 'd';
    }
    m.nElemProps = 1;
    AllocRecords(&m.ElemProps, 1);
    m.ElemProps[1] = ElementProperty{0, 1, 1, 1, m.nElements, _SOLID_HEXA, MAT_LIN_ISO, 1, 0, 0, 1, 0};
    const int nSection = (kN2 + 1) * (kN3 + 1);
    m.nSupports = nSection;
    AllocRecords(&m.Supports, nSection);
    for (int s = 1; s <= nSection; s++) {
      m.Supports[s].FirstPhase = m.Supports[s].LastPhase = 1;
      m.Supports[s].Point = Point(0, (s - 1) / (kN3 + 1), (s - 1) % (kN3 + 1));
      m.Supports[s].Fixity[1] = m.Supports[s].Fixity[2] = m.Supports[s].Fixity[3] = 1;
    }
    m.nFrequencyRanges = 1;
    AllocRecords(&m.FrequencyRanges, 1);
    m.FrequencyRanges[1] = FrequencyRange{0.0, modes, 0.0, 0.0};
    m.Main.AnalysisType = 3;
    m.Main.StorageTechnique = 1;
    m.Main.LinEqAlgorithm = 1;
    m.Dynamic.VibrationModeType = 1;
    InitializeMainWorkArrays(1, &m, &w);
  }
  ~Cantilever() {
    FreeMainWorkArrays(&w);
    FreeRecords(mesh.FrequencyRanges, mesh.nFrequencyRanges);
    FreeRecords(mesh.Supports, mesh.nSupports);
    FreeRecords(mesh.ElemProps, mesh.nElemProps);
    FreeRecords(mesh.Materials[MAT_LIN_ISO], 1);
    freei2(mesh.ElemNodes);
    freei1(mesh.ElemNodeCount);
    freed2(mesh.PointCoord);
  }
};

void LowestModes(benchmark::State& state, Cantilever& c) {
  const char flags[69] = {};
  for (auto _ : state) {
    SparseRowMatrix K, KPF, KPP, M, MPF, MPP;
    IterSummaryRecord summary{};
    int64_t a, b, d;
    const Clock::time_point t0 = Clock::now();
    AssembGlobalStiffMat(&a, &b, &d, "bench", flags, &summary, &c.mesh, &K, &KPF, &KPP, &c.w);
    AssembGlobalMassMat(flags, &c.mesh, &c.w, &M, &MPF, &MPP);
    const Clock::time_point t1 = Clock::now();
    // The order alone (the factorisation below computes it again).
    {
      std::vector<int> order(static_cast<size_t>(c.w.nF) + 1);
      ChooseProfileOrder(c.w.nF, K.count, K.cols, order.data());
    }
    const double orderSeconds = Seconds(t1, Clock::now());
    const Clock::time_point t1b = Clock::now();

    ModalInput in{nullptr, nullptr, "bench", flags, &c.mesh, &c.w};
    const int nF = c.w.nF;
    ModalFactorState st;
    InitModalFactorState(&st);
    if (FactorModalMatrix(kModalProfile, 0.0, K.count, K.cols, K.vals, nF, &st.f) != kModalFactorOk)
      errexit("Stiff matrix not positive definite", 0);
    st.shift = 0.0;
    const Clock::time_point t2 = Clock::now();
    int64_t terms = 0;
    for (int i = 1; i <= nF; i++) terms += st.f.last[i] - i + 1;

    int* perm;
    alloci1(&perm, nF);
    for (int i = 1; i <= nF; i++) perm[i] = i;
    VibrationModes v{};
    CalcEigenModes(&in, nF, 0, perm, 0, nullptr, nullptr, &K, &M, &st, &v);
    const Clock::time_point t3 = Clock::now();
    FreeModalFactorState(&st);
    CalcEigenModeErrors(nF, v.nModes, &K, &M, v.error, v.lambda, v.relError, v.Phi);

    double worst = 0.0;
    for (int k = 1; k <= v.nModes; k++) worst = std::fmax(worst, v.relError[k]);
    const double L = c.kN1 * kCube, depth = std::min(c.kN2, c.kN3) * kCube;
    const double fEB = 1.875104 * 1.875104 / (2.0 * M_PI * L * L) * std::sqrt(30e9 * depth * depth / 12.0 / 2500.0);
    const double f1 = std::sqrt(v.lambda[1]) / (2.0 * M_PI);
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    state.counters["equations"] = nF;
    state.counters["modes"] = v.nModes;
    state.counters["assembly_s"] = Seconds(t0, t1);
    state.counters["order_s"] = orderSeconds;
    state.counters["factor_s"] = Seconds(t1b, t2);
    state.counters["lanczos_s"] = Seconds(t2, t3);
    state.counters["profile_terms"] = static_cast<double>(terms);
    state.counters["profile_MB"] = terms * 8.0 / (1 << 20);
    state.counters["peak_MB"] = ru.ru_maxrss / 1024.0;
    state.counters["f1_Hz"] = f1;
    state.counters["f1_EB_Hz"] = fEB;
    state.counters["worst_rel_error"] = worst;
    const double assembly = Seconds(t0, t1), factor = Seconds(t1b, t2), lanczos = Seconds(t2, t3);
    const double total = assembly + factor + lanczos;
    std::printf("\n%d equations, points numbered %s: %.3f s = assembly %.3f s (%.0f %%) + factor %.3f s "
                "(%.0f %%; of it the order %.3f s) + Lanczos %.3f s (%.0f %%); profile %.1f MB\n",
                nF, c.along ? "along the bar" : "across the bar", total, assembly, 100 * assembly / total, factor,
                100 * factor / total, orderSeconds, lanczos, 100 * lanczos / total, terms * 8.0 / (1 << 20));
    std::printf("f1 = %.6f Hz (Euler-Bernoulli %.6f Hz); frequencies and sum |phi| per mode:\n", f1, fEB);
    for (int k = 1; k <= v.nModes; k++) {
      double sum = 0.0;
      for (int i = 1; i <= nF; i++) sum += std::fabs(v.Phi[i][k]);
      std::printf("  %2d %.15e Hz %.15e\n", k, std::sqrt(v.lambda[k]) / (2.0 * M_PI), sum);
    }

    FreeVibrationModes(&v);
    freei1(perm);
    FreeGlobalStiffMat(&M, &MPF, &MPP);
    FreeGlobalStiffMat(&K, &KPF, &KPP);
  }
}

void FirstTwentyModes(benchmark::State& state) {
  Cantilever c(540, 6, 8, 20, false);
  LowestModes(state, c);
}

void TenModes(benchmark::State& state) {
  Cantilever c(288, 2, 5, 10, state.range(0) == 1);
  LowestModes(state, c);
}

}  // namespace

BENCHMARK(TenModes)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(FirstTwentyModes)->Unit(benchmark::kSecond)->Iterations(1);
