// Profile (NCSB) copy of KFF, its in-place Gaussian elimination and the solve.
//
// The free equations are renumbered inside the profile store by a profile-reducing order
// (reverse Cuthill-McKee), taken only when its profile is at least a quarter smaller than
// that of the data file's order. The store made by Calc_NCSB_KFF carries that order behind the terms of
// its last row; A[0] points to it (entry 0 the row count, entries 1..n the equation of
// each row). Everything outside the store keeps the data file's numbering.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <vector>

#include "assembly/solvers.h"
#include "numcore/numcore.h"
#include "model/fileio.h"
#include "model/outputcontrol.h"

namespace {

// Symmetric adjacency of the free equations (both triangles, no diagonal), 0-based CSR
// over 1-based equations: the neighbours of e are adj[start[e] .. start[e+1]-1].
struct Graph {
  std::vector<int64_t> start;
  std::vector<int> adj;
};

Graph BuildGraph(int n, const int* count, int* const* cols) {
  Graph g;
  std::vector<int64_t> deg(static_cast<size_t>(n) + 2, 0);
  for (int i = 1; i <= n; i++)
    for (int t = 1; t <= count[i]; t++) {
      const int c = cols[i][t];
      if (c == i) continue;
      if (c < 1 || c > n) InternalError(__FILE__, __LINE__);
      deg[i]++;
      deg[c]++;
    }
  g.start.assign(static_cast<size_t>(n) + 2, 0);
  for (int e = 1; e <= n; e++) g.start[e + 1] = g.start[e] + deg[e];
  g.adj.resize(static_cast<size_t>(g.start[n + 1]));
  std::vector<int64_t> pos(g.start.begin(), g.start.end());
  for (int i = 1; i <= n; i++)
    for (int t = 1; t <= count[i]; t++) {
      const int c = cols[i][t];
      if (c == i) continue;
      g.adj[pos[i]++] = c;
      g.adj[pos[c]++] = i;
    }
  return g;
}

int Degree(const Graph& g, int e) { return static_cast<int>(g.start[e + 1] - g.start[e]); }

// Breadth-first level structure from the equations of roots over the unnumbered part of
// their component; returns the number of levels, the visited equations in visit order in
// seq and, in lastLevel, the equations of the deepest level.
int LevelStructure(const Graph& g, const std::vector<int>& roots, std::vector<int>& mark, int stamp,
                   std::vector<int>& seq, std::vector<int>& lastLevel) {
  seq.clear();
  for (int r : roots) {
    seq.push_back(r);
    mark[r] = stamp;
  }
  size_t levelBegin = 0;
  int levels = 0;
  while (levelBegin < seq.size()) {
    const size_t levelEnd = seq.size();
    levels++;
    for (size_t q = levelBegin; q < levelEnd; q++) {
      const int e = seq[q];
      for (int64_t k = g.start[e]; k < g.start[e + 1]; k++) {
        const int f = g.adj[k];
        if (mark[f] != stamp && mark[f] >= 0) {
          mark[f] = stamp;
          seq.push_back(f);
        }
      }
    }
    if (seq.size() == levelEnd)
      lastLevel.assign(seq.begin() + static_cast<int64_t>(levelBegin),
                       seq.begin() + static_cast<int64_t>(levelEnd));
    levelBegin = levelEnd;
  }
  return levels;
}

// Cuthill-McKee order of the component of seed, appended to order. fromFarLevel = false:
// from a pseudo-peripheral equation (from the least-degree equation of the component,
// move to the least-degree equation of the deepest level while the depth grows).
// fromFarLevel = true: from the whole deepest level seen from the equation of largest
// degree in that equation's deepest level; on a block of solid elements this is a face
// of the block and the levels are its layers.
void CuthillMcKee(const Graph& g, int seed, bool fromFarLevel, std::vector<int>& mark, int& stamp,
                  std::vector<int>& order) {
  std::vector<int> seq, lastLevel, seq2, last2;
  int root = seed;
  LevelStructure(g, {root}, mark, ++stamp, seq, lastLevel);
  for (int e : seq)
    if (Degree(g, e) < Degree(g, root)) root = e;
  int levels = LevelStructure(g, {root}, mark, ++stamp, seq, lastLevel);
  for (int pass = 0; pass < 16; pass++) {
    int cand = lastLevel.front();
    for (int e : lastLevel)
      if (Degree(g, e) < Degree(g, cand)) cand = e;
    const int l2 = LevelStructure(g, {cand}, mark, ++stamp, seq2, last2);
    if (l2 <= levels) break;
    root = cand;
    levels = l2;
    seq.swap(seq2);
    lastLevel.swap(last2);
  }
  std::vector<int> roots{root};
  if (fromFarLevel) {
    int wide = lastLevel.front();
    for (int e : lastLevel)
      if (Degree(g, e) > Degree(g, wide)) wide = e;
    LevelStructure(g, {wide}, mark, ++stamp, seq2, roots);
  }
  // Numbering level by level; the neighbours of each equation in ascending degree (ties by
  // number).
  const size_t begin = order.size();
  for (int r : roots) {
    order.push_back(r);
    mark[r] = -1;
  }
  for (size_t q = begin; q < order.size(); q++) {
    const int e = order[q];
    const size_t from = order.size();
    for (int64_t k = g.start[e]; k < g.start[e + 1]; k++) {
      const int f = g.adj[k];
      if (mark[f] < 0) continue;
      mark[f] = -1;
      order.push_back(f);
    }
    std::sort(order.begin() + static_cast<int64_t>(from), order.end(), [&g](int a, int b) {
      const int da = Degree(g, a), db = Degree(g, b);
      return da != db ? da < db : a < b;
    });
  }
}

}  // namespace

void ProfileReducingOrder(int nF, const int* count, int* const* cols, int* eqOfRow) {
  if (nF < 1) return;
  const Graph g = BuildGraph(nF, count, cols);
  std::vector<int> best, order;
  int64_t bestTerms = -1;
  for (bool fromFarLevel : {false, true}) {
    // mark: -1 numbered, otherwise the stamp of the last search that reached the equation.
    std::vector<int> mark(static_cast<size_t>(nF) + 1, 0);
    int stamp = 0;
    order.clear();
    for (int seed = 1; seed <= nF; seed++)
      if (mark[seed] >= 0) CuthillMcKee(g, seed, fromFarLevel, mark, stamp, order);
    if (static_cast<int>(order.size()) != nF) InternalError(__FILE__, __LINE__);
    // Reversed: the profile of the reversed order is never larger and usually smaller.
    std::vector<int> reversed(static_cast<size_t>(nF) + 1, 0);
    for (int k = 1; k <= nF; k++) reversed[k] = order[static_cast<size_t>(nF - k)];
    const int64_t terms = ProfileTerms(nF, count, cols, reversed.data());
    if (bestTerms < 0 || terms < bestTerms) {
      bestTerms = terms;
      best.swap(reversed);
    }
  }
  for (int k = 1; k <= nF; k++) eqOfRow[k] = best[k];
}

int64_t ProfileTerms(int nF, const int* count, int* const* cols, const int* eqOfRow) {
  if (nF < 1) return 0;
  std::vector<int> rowOfEq(static_cast<size_t>(nF) + 1), reach(static_cast<size_t>(nF) + 1);
  for (int k = 1; k <= nF; k++) rowOfEq[eqOfRow[k]] = k;
  for (int k = 1; k <= nF; k++) reach[k] = k;
  for (int i = 1; i <= nF; i++)
    for (int t = 1; t <= count[i]; t++) {
      const int a = rowOfEq[i], b = rowOfEq[cols[i][t]];
      const int lo = std::min(a, b), hi = std::max(a, b);
      if (hi > reach[lo]) reach[lo] = hi;
    }
  int64_t terms = 0;
  int env = 0;
  for (int k = 1; k <= nF; k++) {
    env = std::max(env, reach[k]);
    terms += env - k + 1;
  }
  return terms;
}

void CopyKFFToNCSB(int nF, int64_t* nTerms, const char* OutputControl, int* last,
                   SparseRowMatrix* KFF, double*** A, const int* eqOfRow) {
  if (KFF->n != nF) InternalError(__FILE__, __LINE__);
  const int* count = KFF->count;
  int** cols = KFF->cols;
  double** vals = KFF->vals;

  std::vector<int> rowOfEq(static_cast<size_t>(nF) + 1, 0);
  for (int k = 1; k <= nF; k++) {
    const int e = eqOfRow[k];
    if (e < 1 || e > nF || rowOfEq[e] != 0) InternalError(__FILE__, __LINE__);
    rowOfEq[e] = k;
  }

  zeroi1(last, nF);
  for (int i = 1; i <= nF; i++) {
    if (count[i] < 0) InternalError(__FILE__, __LINE__);
    if (count[i] == 0) continue;
    if (cols[i][1] != i) errexit("Null value in the main diagonal of the global stiffness matrix.", 0);
    const double d = vals[i][1];
    if (d < 0.0) warnmsg("Negative value in the main diagonal of the global stiffness matrix.", 0);
    if (d < kSmall) warnmsg("Value in the main diagonal of the global stiffness matrix is too small.", 0);
    for (int t = 1; t <= count[i]; t++) {
      const int c = cols[i][t];
      if (c < i || c > nF) InternalError(__FILE__, __LINE__);
      const int a = rowOfEq[i], b = rowOfEq[c];
      const int lo = std::min(a, b), hi = std::max(a, b);
      if (hi > last[lo]) last[lo] = hi;
    }
  }

  // Non-decreasing envelope: row j > i must hold every column that row i reaches, so
  // that the elimination of row i finds its target columns in row j.
  if (nF >= 1 && last[1] < 1) last[1] = 1;
  for (int i = 2; i <= nF; i++) {
    int l = last[i];
    if (last[i - 1] > l) l = last[i - 1];
    if (i > l) l = i;
    last[i] = l;
  }
  int64_t terms = 0;
  for (int i = 1; i <= nF; i++) {
    if (last[i] > nF) InternalError(__FILE__, __LINE__);
    terms += last[i] - i + 1;
  }
  *nTerms = terms;

  if (OutputControl[OC_PRINT_GAUSS_ELIM_INFO] == 'Y') {
    std::printf("\nN. of rows in the nonconstant width semi-banded matrix (KFF) = %d\n", nF);
    std::printf("\nN. of terms in the nonconstant width semi-banded matrix (KFF) = %" PRId64 "\n",
                terms);
  }

  // The last row is allocated longer by the order record (row count and nF equations).
  if (nF >= 1) {
    const int tail = nF + 1;
    if (last[nF] > INT32_MAX - tail) errexit("Memory allocation failed", 0);
    last[nF] += tail;
    allocprofd2(A, nF, last);
    last[nF] -= tail;
    double* record = &(*A)[nF][nF + 1];
    record[0] = nF;
    for (int k = 1; k <= nF; k++) record[k] = eqOfRow[k];
    (*A)[0] = record;
  } else {
    allocprofd2(A, nF, last);
  }
  zeroprofd2(*A, nF, last);
  for (int i = 1; i <= nF; i++) {
    const int a = rowOfEq[i];
    for (int t = 1; t <= count[i]; t++) {
      const int b = rowOfEq[cols[i][t]];
      (*A)[std::min(a, b)][std::max(a, b)] = vals[i][t];
    }
  }
  FreeSparseMatrixRows(nF, KFF->count, KFF->cols, KFF->vals);
}

void Calc_NCSB_KFF(int nF, int64_t* nTerms, const char* OutputControl, int* last,
                   SparseRowMatrix* KFF, double*** A) {
  if (KFF->n != nF) InternalError(__FILE__, __LINE__);
  std::vector<int> identity(static_cast<size_t>(nF) + 1), order(static_cast<size_t>(nF) + 1);
  for (int k = 1; k <= nF; k++) identity[k] = k;
  ProfileReducingOrder(nF, KFF->count, KFF->cols, order.data());
  // The data file's order is kept unless the new one saves at least a quarter of the
  // profile: a model numbered along its length keeps its factor, and its rounding, to the
  // bit, and only poorly numbered meshes are renumbered.
  const int64_t given = ProfileTerms(nF, KFF->count, KFF->cols, identity.data());
  const int64_t reduced = ProfileTerms(nF, KFF->count, KFF->cols, order.data());
  const bool renumber = 4 * reduced < 3 * given;
  CopyKFFToNCSB(nF, nTerms, OutputControl, last, KFF, A, renumber ? order.data() : identity.data());
}

namespace {

// The order record of a store made by Calc_NCSB_KFF (see the head of this file).
const double* OrderRecord(double** A, int nF) {
  const double* record = A[0];
  if (record == nullptr || record[0] != nF) InternalError(__FILE__, __LINE__);
  return record;
}

// 8 doubles handled as one value: every operation acts lane by lane, so the compiler
// may use any vector width and every lane still sees the same sequence of roundings.
typedef double V8 __attribute__((vector_size(64)));
// The same, placed at any double of a row.
typedef double V8u __attribute__((vector_size(64), aligned(8), may_alias));
#define LOAD8(p) (*reinterpret_cast<const V8u*>(p))
#define STORE8(p) (*reinterpret_cast<V8u*>(p))


constexpr int kMicroRows = 4;   // rows updated together by the register kernel
constexpr int kBlockRows = 64;  // rows of one elimination block (a multiple of kMicroRows)
constexpr int kChunk = 16;      // columns of one register tile
constexpr int kAhead = 12;      // rows fetched ahead when earlier rows are read

// Register kernel: the kMicroRows rows of w (stride ld) receive over 16 columns the
// updates of n source rows, given as a packed strip (16 terms per source) and their
// multipliers (kMicroRows per source), in the order of the sources:
// w[t][k] = w[t][k] - m[i][t] * s[i][k]. Each entry sees its updates one after another,
// exactly as the row-by-row elimination applies them.
__attribute__((always_inline)) inline void TileBody(double* w, int64_t ld, const double* strip, int n,
                                                    const double* m) {
  double* w0 = w;
  double* w1 = w0 + ld;
  double* w2 = w1 + ld;
  double* w3 = w2 + ld;
  V8 a0 = LOAD8(w0), b0 = LOAD8(w0 + 8);
  V8 a1 = LOAD8(w1), b1 = LOAD8(w1 + 8);
  V8 a2 = LOAD8(w2), b2 = LOAD8(w2 + 8);
  V8 a3 = LOAD8(w3), b3 = LOAD8(w3 + 8);
  for (int i = 0; i < n; i++) {
    const double* s = strip + static_cast<int64_t>(i) * kChunk;
    const V8 s0 = LOAD8(s), s1 = LOAD8(s + 8);
    const double* mi = m + static_cast<int64_t>(i) * kMicroRows;
    const double m0 = mi[0], m1 = mi[1], m2 = mi[2], m3 = mi[3];
    a0 = a0 - m0 * s0; b0 = b0 - m0 * s1;
    a1 = a1 - m1 * s0; b1 = b1 - m1 * s1;
    a2 = a2 - m2 * s0; b2 = b2 - m2 * s1;
    a3 = a3 - m3 * s0; b3 = b3 - m3 * s1;
  }
  STORE8(w0) = a0; STORE8(w0 + 8) = b0;
  STORE8(w1) = a1; STORE8(w1 + 8) = b1;
  STORE8(w2) = a2; STORE8(w2 + 8) = b2;
  STORE8(w3) = a3; STORE8(w3 + 8) = b3;
}

// Row update r[k] -= m s[k], k = 0..n-1.
__attribute__((always_inline)) inline void RowBody(double* r, const double* s, double m, int n) {
  int k = 0;
  for (; k + 8 <= n; k += 8) STORE8(r + k) = LOAD8(r + k) - m * LOAD8(s + k);
  for (; k < n; k++) r[k] -= m * s[k];
}

// The two kernels compiled for each instruction-set level; lane-by-lane operations give
// the same bits at every level.
struct Kernels {
  void (*tile)(double*, int64_t, const double*, int, const double*);
  void (*row)(double*, const double*, double, int);
};

__attribute__((target("arch=x86-64-v4"))) void TileV4(double* w, int64_t ld, const double* s, int n,
                                                        const double* m) {
  TileBody(w, ld, s, n, m);
}
__attribute__((target("arch=x86-64-v4"))) void RowV4(double* r, const double* s, double m, int n) {
  RowBody(r, s, m, n);
}
__attribute__((target("arch=x86-64-v3"))) void TileV3(double* w, int64_t ld, const double* s, int n,
                                                        const double* m) {
  TileBody(w, ld, s, n, m);
}
__attribute__((target("arch=x86-64-v3"))) void RowV3(double* r, const double* s, double m, int n) {
  RowBody(r, s, m, n);
}
void TileV1(double* w, int64_t ld, const double* s, int n, const double* m) { TileBody(w, ld, s, n, m); }
void RowV1(double* r, const double* s, double m, int n) { RowBody(r, s, m, n); }

bool KernelsAtLevel(int level, Kernels* k) {
  __builtin_cpu_init();
  switch (level) {
    case 1:
      *k = {TileV1, RowV1};
      return true;
    case 3:
      *k = {TileV3, RowV3};
      return __builtin_cpu_supports("x86-64-v3");
    case 4:
      *k = {TileV4, RowV4};
      return __builtin_cpu_supports("x86-64-v4");
    default:
      InternalError(__FILE__, __LINE__);
  }
}

[[noreturn]] void PivotFailure(const char* why, int equation) {
  char msg[256];
  std::snprintf(msg, sizeof msg, "Gaussian elimination failed - pivot (p) is %s\nEquation n. %d", why,
                equation);
  errexit(msg, 0);
}

}  // namespace

// Left-looking blocked form of the row-by-row elimination: a block of rows first receives
// the updates of every earlier row, in ascending order, through the register kernel (the
// earlier rows' terms of each 16 columns packed once for all the block's rows; a term
// outside a row's profile enters as a zero, and m * 0 subtracted leaves an entry as it
// is); then the
// rows of the block are eliminated among themselves. Every entry gets the same updates in
// the same order as in the row-by-row form, so the factor is the same to the last bit on
// every machine.
static void Eliminate(double** A, int nF, const int* last, char echo, const int* eqOfRow,
                      const Kernels& kern) {
  const bool show = echo == 'Y';
  const int step = nF / 30 + 1;
  if (show) std::printf("|------------------------------|\n|");

  // Largest magnitude of each row of the matrix before elimination (both triangles).
  std::vector<double> rowMax(static_cast<size_t>(nF) + 1, 0.0);
  for (int i = 1; i <= nF; i++)
    for (int j = i; j <= last[i]; j++) {
      const double v = std::fabs(A[i][j]);
      if (v > rowMax[i]) rowMax[i] = v;
      if (v > rowMax[j]) rowMax[j] = v;
    }
  // first[k]: the first row that reaches column k (non-decreasing in k).
  std::vector<int> first(static_cast<size_t>(nF) + 2, 0);
  for (int i = 1, k = 1; i <= nF; i++)
    for (; k <= last[i]; k++) first[k] = i;
  for (int k = 1; k <= nF; k++)
    if (first[k] < 1 || first[k] > k) InternalError(__FILE__, __LINE__);

  std::vector<double> work, mult, strip;
  for (int j0 = 1; j0 <= nF; j0 += kBlockRows) {
    const int nb = std::min(kBlockRows, nF - j0 + 1);
    const int c1 = last[j0 + nb - 1];
    const int64_t ld = c1 - j0 + 1 + kChunk;  // room for a last, partly used tile
    // work[t * ld + (k - j0)]: row j0 + t, column k.
    work.assign(static_cast<size_t>(ld) * kBlockRows, 0.0);
    auto W = [&](int t, int k) -> double& { return work[static_cast<size_t>(t * ld + (k - j0))]; };
    for (int t = 0; t < nb; t++)
      for (int k = j0 + t; k <= last[j0 + t]; k++) W(t, k) = A[j0 + t][k];
    // Earlier rows that reach the block, and their multipliers m = A[i][j] / A[i][i]
    // (zero where row i does not reach row j), kMicroRows per source in each group.
    const int ilo = first[j0];
    const int nsrc = j0 - ilo;
    if (nsrc > 0) {
      mult.assign(static_cast<size_t>(nsrc) * kBlockRows, 0.0);
      auto M = [&](int t, int i) -> double& {
        return mult[(static_cast<size_t>(t / kMicroRows) * nsrc + (i - ilo)) * kMicroRows + t % kMicroRows];
      };
      for (int i = ilo; i < j0; i++) {
        const double* ri = A[i];
        if (i + kAhead < j0)
          for (int t = 0; t < nb; t += 8) __builtin_prefetch(A[i + kAhead] + j0 + t);
        for (int t = 0; t < nb && j0 + t <= last[i]; t++)
          if (ri[j0 + t] != 0.0) M(t, i) = ri[j0 + t] / ri[i];
      }
      strip.resize(static_cast<size_t>(nsrc) * kChunk);
      for (int c = j0; c <= c1; c += kChunk) {
        // Sources lo..j0-1 reach column c; a source that ends inside the tile, and the
        // columns past c1 of the last tile, are packed as zeros, which change nothing.
        const int lo = std::max(first[c], ilo);
        if (lo >= j0) continue;
        for (int i = lo; i < j0; i++) {
          const double* ri = A[i];
          if (i + kAhead < j0) {  // the rows lie apart in memory: fetch ahead of the copy
            __builtin_prefetch(A[i + kAhead] + c);
            __builtin_prefetch(A[i + kAhead] + c + 8);
          }
          double* si = strip.data() + static_cast<size_t>(i - lo) * kChunk;
          const int reach = std::min(last[i] - c + 1, kChunk);
          for (int q = 0; q < reach; q++) si[q] = ri[c + q];
          for (int q = reach; q < kChunk; q++) si[q] = 0.0;
        }
        for (int g = 0; g < nb; g += kMicroRows)
          kern.tile(&W(g, c), ld, strip.data(), j0 - lo, &M(g, lo));
      }
    }
    // Elimination inside the block, row by row.
    for (int t = 0; t < nb; t++) {
      const int i = j0 + t;
      if (show && nF > 900 && (i - 1) % step == 0) {
        std::printf("*");
        std::fflush(stdout);
      }
      const double p = W(t, i);
      const int eq = eqOfRow != nullptr ? eqOfRow[i] : i;
      if (!std::isfinite(p)) PivotFailure("not a finite number.", eq);
      if (std::fabs(p) < kSmall) PivotFailure("too small.\nabs(p) < 1.0e-8", eq);
      if (std::fabs(p) < 1e-12 * rowMax[i])
        PivotFailure("too small.\nabs(p) < 1.0e-12 times the largest term of its row (singular matrix)", eq);
      const int li = last[i];
      for (int u = t + 1; u < nb; u++) {
        const double aiu = W(t, j0 + u);
        if (aiu == 0.0) continue;
        kern.row(&W(u, j0 + u), &W(t, j0 + u), aiu / p, li - (j0 + u) + 1);
      }
      for (int k = i; k <= li; k++) A[i][k] = W(t, k);
    }
  }
  if (show) {
    if (nF > 900)
      std::printf("|\n");
    else
      std::printf("******************************|\n");
  }
}

void GaussElimNCSB(double** A, int nF, const int* last, char echo, const int* eqOfRow) {
  Kernels k;
  if (!KernelsAtLevel(4, &k) && !KernelsAtLevel(3, &k)) KernelsAtLevel(1, &k);
  Eliminate(A, nF, last, echo, eqOfRow, k);
}

bool GaussElimNCSBAtLevel(double** A, int nF, const int* last, int level) {
  Kernels k;
  if (!KernelsAtLevel(level, &k)) return false;
  Eliminate(A, nF, last, 'N', nullptr, k);
  return true;
}

void FactorNCSB(int nF, double* seconds, const char* OutputControl, const int* last,
                double** A) {
  double wall0, cpu0, wall1, cpu1;
  gettimes(&wall0, &cpu0);
  const char echo = OutputControl[OC_PRINT_GAUSS_ELIM_INFO];
  if (echo == 'Y') std::printf("\nGaussian elimination:\n");
  std::vector<int> eqOfRow(static_cast<size_t>(nF) + 1, 0);
  if (nF >= 1) {
    const double* record = OrderRecord(A, nF);
    for (int k = 1; k <= nF; k++) eqOfRow[k] = static_cast<int>(record[k]);
  }
  GaussElimNCSB(A, nF, last, echo, eqOfRow.data());
  gettimes(&wall1, &cpu1);
  *seconds = wall1 - wall0;
}

void SolveNCSB(int nF, double* seconds, const int* last, double* rhs, double** A) {
  double wall0, cpu0, wall1, cpu1;
  gettimes(&wall0, &cpu0);
  if (nF >= 1) {
    const double* record = OrderRecord(A, nF);
    double* b;
    allocd1(&b, nF);
    for (int k = 1; k <= nF; k++) b[k] = rhs[static_cast<int>(record[k])];
    solveprofd2(A, b, nF, last);
    for (int k = 1; k <= nF; k++) rhs[static_cast<int>(record[k])] = b[k];
    freed1(b);
  }
  gettimes(&wall1, &cpu1);
  *seconds = wall1 - wall0;
}
