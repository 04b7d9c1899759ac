// Equation solvers on stiffness matrices of regular meshes: a plane-stress plate of
// bilinear quadrilaterals and a solid bar of trilinear hexahedra, both clamped at one end
// and loaded at the other, at about 10 000, 50 000 and 200 000 equations.
//
// NCSB: profile copy, factorisation (its time and floating-point rate, counting the
// operations actually done: zero multipliers are skipped) and one solve.
// JPCG: iterations and time of one solve to a relative tolerance of 1e-8.
// Both report the relative residual |K a - F| / |F| of the solution.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "assembly/solvers.h"
#include "numcore/numcore.h"
#include "numcore/profile.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// Processor seconds of every thread of the process so far. On a machine shared with other
// programs the wall-clock seconds of a thread count are noisy; the processor seconds show
// whether the threads do more work than one thread (waiting on memory counts as work).
double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// ---- element stiffness matrices (unit element size) --------------------------------------

// Plane-stress bilinear quadrilateral, 2 x 2 Gauss points, nodes (0,0) (1,0) (1,1) (0,1).
std::vector<double> QuadStiffness(double E, double nu, double t) {
  const double c = E / (1 - nu * nu);
  const double D[3][3] = {{c, c * nu, 0}, {c * nu, c, 0}, {0, 0, c * (1 - nu) / 2}};
  const double xi[4] = {-1, 1, 1, -1}, eta[4] = {-1, -1, 1, 1};
  const double g = 1 / std::sqrt(3.0);
  std::vector<double> K(64, 0.0);
  for (int gp = 0; gp < 4; gp++) {
    const double s = (gp & 1) ? g : -g, r = (gp & 2) ? g : -g;
    double B[3][8] = {};
    for (int a = 0; a < 4; a++) {
      // x = (1 + xi) / 2: d/dx = 2 d/dxi
      const double dx = 2 * 0.25 * xi[a] * (1 + eta[a] * r);
      const double dy = 2 * 0.25 * eta[a] * (1 + xi[a] * s);
      B[0][2 * a] = dx;
      B[1][2 * a + 1] = dy;
      B[2][2 * a] = dy;
      B[2][2 * a + 1] = dx;
    }
    const double w = t * 0.25;  // Gauss weights 1, Jacobian determinant 1/4
    for (int i = 0; i < 8; i++)
      for (int j = 0; j < 8; j++) {
        double s2 = 0;
        for (int p = 0; p < 3; p++)
          for (int q = 0; q < 3; q++) s2 += B[p][i] * D[p][q] * B[q][j];
        K[i * 8 + j] += w * s2;
      }
  }
  return K;
}

// Trilinear hexahedron, 2 x 2 x 2 Gauss points, node a at corner (a&1, (a>>1)&1, (a>>2)&1).
std::vector<double> HexaStiffness(double E, double nu) {
  const double l = E * nu / ((1 + nu) * (1 - 2 * nu)), m = E / (2 * (1 + nu));
  double D[6][6] = {};
  for (int i = 0; i < 3; i++) {
    for (int j = 0; j < 3; j++) D[i][j] = l;
    D[i][i] = l + 2 * m;
    D[i + 3][i + 3] = m;
  }
  const double g = 1 / std::sqrt(3.0);
  std::vector<double> K(576, 0.0);
  for (int gp = 0; gp < 8; gp++) {
    const double p[3] = {(gp & 1) ? g : -g, (gp & 2) ? g : -g, (gp & 4) ? g : -g};
    double B[6][24] = {};
    for (int a = 0; a < 8; a++) {
      const double c[3] = {(a & 1) ? 1.0 : -1.0, (a & 2) ? 1.0 : -1.0, (a & 4) ? 1.0 : -1.0};
      double d[3];
      for (int k = 0; k < 3; k++) {
        d[k] = 2 * 0.125 * c[k];
        for (int o = 0; o < 3; o++)
          if (o != k) d[k] *= 1 + c[o] * p[o];
      }
      B[0][3 * a] = d[0];
      B[1][3 * a + 1] = d[1];
      B[2][3 * a + 2] = d[2];
      B[3][3 * a] = d[1]; B[3][3 * a + 1] = d[0];
      B[4][3 * a + 1] = d[2]; B[4][3 * a + 2] = d[1];
      B[5][3 * a] = d[2]; B[5][3 * a + 2] = d[0];
    }
    const double w = 0.125;  // Jacobian determinant 1/8
    for (int i = 0; i < 24; i++)
      for (int j = 0; j < 24; j++) {
        double s = 0;
        for (int r = 0; r < 6; r++)
          for (int q = 0; q < 6; q++) s += B[r][i] * D[r][q] * B[q][j];
        K[i * 24 + j] += w * s;
      }
  }
  return K;
}

// ---- structured mesh and assembly of KFF -------------------------------------------------

struct Problem {
  int nF = 0;
  SparseRowMatrix K{};
  std::vector<double> F;  // 1-based
};

// Nodes of a structured grid (n[0] x n[1] x n[2] nodes, x slowest so that the profile
// follows the cross-section, or in a random order with shuffled); nodes at x = 0 are
// clamped.
Problem Build(int dim, int nx, int ny, int nz, bool shuffled = false) {
  const int nn[3] = {nx + 1, ny + 1, dim == 3 ? nz + 1 : 1};
  const int nd = dim;  // dofs per node
  auto node = [&](int i, int j, int k) { return (i * nn[1] + j) * nn[2] + k; };
  const int nNodes = nn[0] * nn[1] * nn[2];
  std::vector<int> eq(static_cast<size_t>(nNodes) * nd, 0);
  Problem P;
  std::vector<int> order;
  for (int i = 1; i < nn[0]; i++)
    for (int j = 0; j < nn[1]; j++)
      for (int k = 0; k < nn[2]; k++) order.push_back(node(i, j, k));
  if (shuffled) std::shuffle(order.begin(), order.end(), std::mt19937(12345));
  for (int v : order)
    for (int d = 0; d < nd; d++) eq[v * nd + d] = ++P.nF;
  const int n = P.nF;
  P.K.n = n;
  alloci1(&P.K.count, n);
  allocpi1(&P.K.cols, n);
  allocpd1(&P.K.vals, n);
  // Row patterns: the free dofs of the node and its grid neighbours, columns >= row.
  std::vector<int> cols;
  for (int i = 1; i < nn[0]; i++)
    for (int j = 0; j < nn[1]; j++)
      for (int k = 0; k < nn[2]; k++)
        for (int d = 0; d < nd; d++) {
          const int row = eq[node(i, j, k) * nd + d];
          cols.clear();
          for (int di = -1; di <= 1; di++)
            for (int dj = -1; dj <= 1; dj++)
              for (int dk = (dim == 3 ? -1 : 0); dk <= (dim == 3 ? 1 : 0); dk++) {
                const int a = i + di, b = j + dj, c = k + dk;
                if (a < 0 || a >= nn[0] || b < 0 || b >= nn[1] || c < 0 || c >= nn[2]) continue;
                for (int d2 = 0; d2 < nd; d2++) {
                  const int col = eq[node(a, b, c) * nd + d2];
                  if (col >= row) cols.push_back(col);
                }
              }
          std::sort(cols.begin(), cols.end());
          const int m = static_cast<int>(cols.size());
          P.K.count[row] = m;
          alloci1(&P.K.cols[row], m);
          allocd1(&P.K.vals[row], m);
          for (int t = 1; t <= m; t++) {
            P.K.cols[row][t] = cols[t - 1];
            P.K.vals[row][t] = 0.0;
          }
        }
  // Element matrices, added term by term.
  const std::vector<double> Ke = dim == 2 ? QuadStiffness(30000.0, 0.2, 0.2) : HexaStiffness(30000.0, 0.2);
  const int nen = dim == 2 ? 4 : 8, ne = nen * nd;
  std::vector<int> loc(ne);
  for (int i = 0; i < nx; i++)
    for (int j = 0; j < ny; j++)
      for (int k = 0; k < (dim == 3 ? nz : 1); k++) {
        for (int a = 0; a < nen; a++) {
          int ni, nj, nk = k;
          if (dim == 2) {
            const int ci[4] = {0, 1, 1, 0}, cj[4] = {0, 0, 1, 1};
            ni = i + ci[a]; nj = j + cj[a];
          } else {
            ni = i + (a & 1); nj = j + ((a >> 1) & 1); nk = k + ((a >> 2) & 1);
          }
          for (int d = 0; d < nd; d++) loc[a * nd + d] = eq[node(ni, nj, nk) * nd + d];
        }
        for (int p = 0; p < ne; p++) {
          const int I = loc[p];
          if (I == 0) continue;
          for (int q = 0; q < ne; q++) {
            const int J = loc[q];
            if (J < I) continue;
            int t = 1;
            while (P.K.cols[I][t] != J) t++;
            P.K.vals[I][t] += Ke[p * ne + q];
          }
        }
      }
  // Transverse load spread over the free end.
  P.F.assign(n + 1, 0.0);
  const int i = nn[0] - 1;
  for (int j = 0; j < nn[1]; j++)
    for (int k = 0; k < nn[2]; k++) P.F[eq[node(i, j, k) * nd + 1]] = -1.0;
  return P;
}

// Plate of 4:1 aspect (ny elements across), or solid bar of c x c elements across, for
// about keqs thousand equations.
Problem Make(int kind, int keqs) {
  const int size = keqs <= 10 ? 0 : keqs <= 50 ? 1 : 2;
  if (kind == 0) {
    const int ny = size == 0 ? 35 : size == 1 ? 79 : 158;
    return Build(2, 4 * ny, ny, 0);
  }
  const int c = size == 0 ? 6 : size == 1 ? 9 : 12;
  const int nx = size == 0 ? 67 : size == 1 ? 166 : 394;
  return Build(3, nx, c, c);
}

void Release(Problem* P) {
  FreeSparseMatrixRows(P->K.n, P->K.count, P->K.cols, P->K.vals);
  freepd1(P->K.vals);
  freepi1(P->K.cols);
  freei1(P->K.count);
}

double RelResidual(const Problem& P, const std::vector<double>& a) {
  std::vector<double> w(P.nF + 1);
  SymSparseMatVec(P.nF, P.K.count, P.K.cols, P.K.vals, a.data(), w.data());
  double e = 0, f = 0;
  for (int i = 1; i <= P.nF; i++) {
    e += (w[i] - P.F[i]) * (w[i] - P.F[i]);
    f += P.F[i] * P.F[i];
  }
  return std::sqrt(e / f);
}

int64_t StoredTerms(const Problem& P) {
  int64_t s = 0;
  for (int i = 1; i <= P.nF; i++) s += P.K.count[i];
  return s;
}

const std::string kFlags(69, 'N');

// ---- the n x n x n cube of hexahedra, points in layer order or in a random order -------
//
// Printed per run: equations, stored profile terms, the seconds of the order and profile
// copy (Calc_NCSB_KFF), of the factorisation and of one solve, and the factorisation rate
// in GFLOP/s with flops = sum over the columns j of h_j^2, h_j being the number of terms
// of column j above the diagonal in the profile (each of the about h_j^2 / 2 updates of
// column j is one multiplication and one subtraction). JPCG: tolerance 1e-8.
void BM_Cube(benchmark::State& state, bool shuffled, bool profile) {
  const int nc = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Problem P = Build(3, nc, nc, nc, shuffled);
    const int n = P.nF;
    std::vector<double> a = P.F;
    double total = 0.0;
    if (profile) {
      Problem Q = Build(3, nc, nc, nc, shuffled);
      int* last;
      alloci1(&last, n);
      double** A;
      int64_t terms;
      const auto t0 = Clock::now();
      Calc_NCSB_KFF(n, &terms, kFlags.c_str(), last, &Q.K, &A);
      const auto t1 = Clock::now();
      double tFactor, tSolve;
      FactorNCSB(n, &tFactor, kFlags.c_str(), last, A);
      const auto t2 = Clock::now();
      SolveNCSB(n, &tSolve, last, a.data(), A);
      const auto t3 = Clock::now();
      double flops = 0.0;
      for (int i = 1, j = 1; j <= n; j++) {
        while (last[i] < j) i++;
        flops += static_cast<double>(j - i) * (j - i);
      }
      total = Seconds(t0, t3);
      state.counters["eqs"] = n;
      state.counters["terms"] = static_cast<double>(terms);
      state.counters["order_copy_s"] = Seconds(t0, t1);
      state.counters["factor_s"] = Seconds(t1, t2);
      state.counters["solve_s"] = Seconds(t2, t3);
      state.counters["GFLOP/s"] = flops / Seconds(t1, t2) * 1e-9;
      std::printf("NCSB cube n=%d %s: eqs %d terms %lld order+copy %.3f s factor %.3f s solve %.3f s "
                  "total %.3f s %.2f GFLOP/s\n",
                  nc, shuffled ? "random" : "layer", n, static_cast<long long>(terms), Seconds(t0, t1),
                  Seconds(t1, t2), Seconds(t2, t3), total, flops / Seconds(t1, t2) * 1e-9);
      freeprofd2(A, n);
      freei1(last);
      Release(&Q);
    } else {
      int iterations;
      double seconds, norm;
      const auto t0 = Clock::now();
      SolveIterJacPreConjGrad(n, &iterations, &seconds, 1e-8, &norm, "bench", "", kFlags.c_str(), P.K.count,
                              P.K.cols, a.data(), P.K.vals);
      total = Seconds(t0, Clock::now());
      state.counters["eqs"] = n;
      state.counters["terms"] = static_cast<double>(StoredTerms(P));
      state.counters["iterations"] = iterations;
      std::printf("JPCG cube n=%d %s: eqs %d KFF terms %lld iterations %d total %.3f s\n", nc,
                  shuffled ? "random" : "layer", n, static_cast<long long>(StoredTerms(P)), iterations, total);
    }
    std::fflush(stdout);
    state.SetIterationTime(total);
    state.counters["total_s"] = total;
    state.counters["rel_resid"] = RelResidual(P, a);
    Release(&P);
  }
}

void CubeSizes(benchmark::internal::Benchmark* b) {
  b->Arg(10)->Arg(14)->Arg(20)->Arg(30)->ArgName("n");
  b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

void BM_NCSB(benchmark::State& state, int kind) {
  const int size = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Problem P = Make(kind, size);
    Problem Q = Make(kind, size);  // Calc_NCSB_KFF empties the row lists it copies
    const int n = P.nF;
    int* last;
    alloci1(&last, n);
    double** A;
    int64_t terms;
    Calc_NCSB_KFF(n, &terms, kFlags.c_str(), last, &Q.K, &A);
    const auto t0 = Clock::now();
    GaussElimNCSB(A, n, last, 'N');
    const auto t1 = Clock::now();
    std::vector<double> a = P.F;
    double tSolve;
    const auto t2 = Clock::now();
    SolveNCSB(n, &tSolve, last, a.data(), A);
    const auto t3 = Clock::now();
    // Operations done: per non-zero multiplier one division and 2 (last[i] - j + 1) for
    // the row update (a zero factor term is exactly a skipped multiplier).
    double flops = 0;
    for (int i = 1; i <= n; i++)
      for (int j = i + 1; j <= last[i]; j++)
        if (A[i][j] != 0.0) flops += 1 + 2.0 * (last[i] - j + 1);
    state.SetIterationTime(Seconds(t0, t1));
    state.counters["eqs"] = n;
    state.counters["profile_terms"] = static_cast<double>(terms);
    state.counters["factor_s"] = Seconds(t0, t1);
    state.counters["GFlop/s"] = flops / Seconds(t0, t1) * 1e-9;
    state.counters["solve_s"] = Seconds(t2, t3);
    state.counters["rel_resid"] = RelResidual(P, a);
    freeprofd2(A, n);
    freei1(last);
    Release(&Q);
    Release(&P);
  }
}

void BM_JPCG(benchmark::State& state, int kind) {
  const int size = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Problem P = Make(kind, size);
    std::vector<double> a = P.F;
    int iterations;
    double seconds, norm;
    const auto t0 = Clock::now();
    SolveIterJacPreConjGrad(P.nF, &iterations, &seconds, 1e-8, &norm, "bench", "", kFlags.c_str(),
                            P.K.count, P.K.cols, a.data(), P.K.vals);
    const auto t1 = Clock::now();
    state.SetIterationTime(Seconds(t0, t1));
    state.counters["eqs"] = P.nF;
    state.counters["KFF_terms"] = static_cast<double>(StoredTerms(P));
    state.counters["iterations"] = iterations;
    state.counters["cg_s"] = Seconds(t0, t1);
    state.counters["ms/iter"] = 1e3 * Seconds(t0, t1) / iterations;
    state.counters["rel_resid"] = RelResidual(P, a);
    Release(&P);
  }
}

// The n x n x n cube (layer order) factorised and solved on 1, 2, 4 and 8 threads
// (VOLDE_THREADS): seconds, GFLOP/s (flops as in BM_Cube) and the rate at which the
// elimination moves the store's bytes (ProfileFactorBytes), one solve (forward and back on
// threads), the speed-ups over one thread, whether the factor and the solution are the
// same to the last bit (checksums of their bytes), and four right-hand sides solved in one
// pass (in single solves' time; the first the same to the bit as the single solve).
void BM_CubeThreads(benchmark::State& state) {
  const int nc = static_cast<int>(state.range(0));
  for (auto _ : state) {
    double base = 0.0, baseFactor = 0.0, baseSolve = 0.0, total = 0.0;
    uint64_t baseSum = 0, baseSolutionSum = 0;
    for (int threads : {1, 2, 4, 8}) {
      setenv("VOLDE_THREADS", std::to_string(threads).c_str(), 1);
      Problem P = Build(3, nc, nc, nc, false);
      const int n = P.nF;
      std::vector<double> a = P.F;
      int* last;
      alloci1(&last, n);
      double** A;
      int64_t terms;
      Calc_NCSB_KFF(n, &terms, kFlags.c_str(), last, &P.K, &A);
      double tFactor, tSolve;
      const double cpu0 = CpuSeconds();
      FactorNCSB(n, &tFactor, kFlags.c_str(), last, A);
      const double cpuFactor = CpuSeconds() - cpu0;
      SolveNCSB(n, &tSolve, last, a.data(), A);
      // Four right-hand sides (the load and three scaled copies) in one pass.
      std::vector<std::vector<double>> four(4, P.F);
      std::vector<double*> fourp;
      for (int c = 0; c < 4; c++) {
        for (double& v : four[static_cast<size_t>(c)]) v *= 1.0 + c;
        fourp.push_back(four[static_cast<size_t>(c)].data());
      }
      double tFour;
      SolveNCSBMany(n, &tFour, last, fourp.data(), 4, A);
      const bool fourSame = std::memcmp(four[0].data() + 1, a.data() + 1, sizeof(double) * n) == 0;
      double flops = 0.0;
      for (int i = 1, j = 1; j <= n; j++) {
        while (last[i] < j) i++;
        flops += static_cast<double>(j - i) * (j - i);
      }
      const auto mix = [](uint64_t sum, const double& v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return sum * 1099511628211ull + bits;
      };
      uint64_t sum = 0, solutionSum = 0;
      for (int i = 1; i <= n; i++)
        for (int j = i; j <= last[i]; j++) sum = mix(sum, A[i][j]);
      for (int i = 1; i <= n; i++) solutionSum = mix(solutionSum, a[i]);
      if (threads == 1) {
        base = tFactor + tSolve;
        baseFactor = tFactor;
        baseSolve = tSolve;
        baseSum = sum;
        baseSolutionSum = solutionSum;
      }
      total = tFactor + tSolve;
      std::printf("NCSB cube n=%d, %d thread%s: factor %.3f s (processor %.3f s) %.2f GFLOP/s %.2f GB/s "
                  "(speed-up %.2f), solve %.3f s (speed-up %.2f), factor+solve %.3f s (speed-up %.2f), factor %s, "
                  "solution %s; 4 right-hand sides in one pass %.3f s (%.2f single solves, first %s)\n",
                  nc, threads, threads > 1 ? "s" : "", tFactor, cpuFactor, flops / tFactor * 1e-9,
                  ProfileFactorBytes(n, last) / tFactor * 1e-9, baseFactor / tFactor, tSolve, baseSolve / tSolve,
                  total, base / total, sum == baseSum ? "the same to the bit" : "DIFFERS",
                  solutionSum == baseSolutionSum ? "the same to the bit" : "DIFFERS", tFour, tFour / tSolve,
                  fourSame ? "the same to the bit" : "DIFFERS");
      std::fflush(stdout);
      freeprofd2(A, n);
      freei1(last);
      Release(&P);
    }
    unsetenv("VOLDE_THREADS");
    state.SetIterationTime(total);
  }
}

// Argument: about how many thousand equations.
void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10)->Arg(50)->Arg(200)->ArgName("keqs");
  b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK_CAPTURE(BM_NCSB, plate, 0)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_NCSB, solid, 1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_JPCG, plate, 0)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_JPCG, solid, 1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Cube, ncsb_layer, false, true)->Apply(CubeSizes);
BENCHMARK_CAPTURE(BM_Cube, ncsb_random, true, true)->Apply(CubeSizes);
BENCHMARK_CAPTURE(BM_Cube, jpcg_layer, false, false)->Apply(CubeSizes);
BENCHMARK_CAPTURE(BM_Cube, jpcg_random, true, false)->Apply(CubeSizes);
BENCHMARK(BM_CubeThreads)->Arg(20)->Arg(30)->ArgName("n")->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
