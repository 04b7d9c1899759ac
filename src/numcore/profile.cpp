// The profile factor-and-solve shared by every driver: orders, the ordered store, the
// blocked elimination on all cores, the solves and the factored product (profile.h).
#include "numcore/profile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <barrier>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "numcore/numcore.h"

namespace {

// Symmetric adjacency of the free equations (both triangles, no diagonal), 0-based CSR
// over 1-based equations: the neighbours of e are adj[start[e] .. start[e+1]-1].
struct Graph {
  std::vector<int64_t> start;
  std::vector<int> adj;
  std::vector<int> degree;  // of every node: the neighbours of one of its equations
};

int Degree(const Graph& g, int e) { return g.degree[e]; }

// Consecutive equations with the same neighbours (each other included), such as the dofs
// of one point of a solid, form one node of the quotient graph; the order is sought on
// that graph, a few times smaller, with the degrees of the equations.
// node[e] is the node of equation e; the equations of node s are first[s]..first[s+1]-1.
struct Quotient {
  Graph g;
  std::vector<int> node, first;
};

// The quotient graph straight from the upper rows (diagonal first). Equations a and
// b = a + 1 share their neighbours when row a is a, b and then row b, and every earlier row
// that reaches a reaches b too (the terms of a column in earlier rows: one more for b).
Quotient BuildQuotient(int n, const int* count, int* const* cols) {
  Quotient q;
  std::vector<char> apart(static_cast<size_t>(n) + 2, 0);  // some earlier row reaches c but not c + 1
  std::vector<int> lower(static_cast<size_t>(n) + 2, 0);   // terms of column c in earlier rows
  for (int i = 1; i <= n; i++)
    for (int t = 1; t <= count[i]; t++) {
      const int c = cols[i][t];
      if (c == i) continue;
      if (c < 1 || c > n) InternalError(__FILE__, __LINE__);
      if (c < i) {  // not an upper row: its equations keep to themselves
        apart[c] = apart[i] = 1;
        if (c > 1) apart[c - 1] = 1;
        if (i > 1) apart[i - 1] = 1;
        continue;
      }
      lower[c]++;
      if (t == count[i] || cols[i][t + 1] != c + 1) apart[c] = 1;
    }
  const auto same = [&](int a) {
    const int b = a + 1;
    if (apart[a] || lower[b] != lower[a] + 1 || count[a] != count[b] + 1 || count[b] < 1) return false;
    if (cols[a][1] != a) return false;
    for (int t = 1; t <= count[b]; t++)
      if (cols[a][t + 1] != cols[b][t]) return false;
    return true;
  };
  q.node.assign(static_cast<size_t>(n) + 1, 0);
  q.first.assign(1, 0);
  int nodes = 0;
  for (int e = 1; e <= n; e++) {
    if (e == 1 || !same(e - 1)) {
      nodes++;
      q.first.push_back(e);
    }
    q.node[e] = nodes;
  }
  q.first.push_back(n + 1);  // first[nodes + 1]
  // Each edge once, from the row of the earlier node's first equation, then both ways.
  std::vector<int> mark(static_cast<size_t>(nodes) + 1, 0), from, to;
  std::vector<int64_t> deg(static_cast<size_t>(nodes) + 2, 0);
  from.reserve(static_cast<size_t>(nodes) * 16);
  to.reserve(static_cast<size_t>(nodes) * 16);
  for (int s = 1; s <= nodes; s++) {
    const int e = q.first[s];
    for (int t = 1; t <= count[e]; t++) {
      const int u = q.node[cols[e][t]];
      if (u == s || mark[u] == s) continue;
      mark[u] = s;
      from.push_back(s);
      to.push_back(u);
      deg[s]++;
      deg[u]++;
    }
  }
  q.g.start.assign(static_cast<size_t>(nodes) + 2, 0);
  for (int s = 1; s <= nodes; s++) q.g.start[s + 1] = q.g.start[s] + deg[s];
  q.g.adj.resize(static_cast<size_t>(q.g.start[nodes + 1]));
  std::vector<int64_t> pos(q.g.start.begin(), q.g.start.end());
  for (size_t k = 0; k < from.size(); k++) {
    q.g.adj[pos[from[k]]++] = to[k];
    q.g.adj[pos[to[k]]++] = from[k];
  }
  // Degrees of the equations, so that the order follows the one of the equations' graph.
  q.g.degree.assign(static_cast<size_t>(nodes) + 1, 0);
  for (int s = 1; s <= nodes; s++) {
    int d = q.first[s + 1] - q.first[s] - 1;
    for (int64_t k = q.g.start[s]; k < q.g.start[s + 1]; k++) d += q.first[q.g.adj[k] + 1] - q.first[q.g.adj[k]];
    q.g.degree[s] = d;
  }
  return q;
}

void FindStarts(const Graph& g, int seed, std::vector<int>& mark, int& stamp, std::vector<char>& done, int* root,
                int* other, std::vector<int>* far);
void NumberFrom(const Graph& g, const std::vector<int>& roots, std::vector<char>& numbered, std::vector<int>& order);

// Profile terms of the equations' store when the nodes take the rows in the order
// nodeOrder (each node its equations in a row), from the quotient graph alone: the
// equations of a node share their neighbours, so every row of a node reaches the last row
// of the node's last neighbour.
int64_t QuotientProfileTerms(const Quotient& q, const std::vector<int>& nodeOrder) {
  std::vector<int> lastRow(q.first.size(), 0);
  int row = 0;
  for (int s : nodeOrder) lastRow[s] = row += q.first[s + 1] - q.first[s];
  int64_t terms = 0;
  int env = 0;
  row = 0;
  for (int s : nodeOrder) {
    int reach = lastRow[s];
    for (int64_t k = q.g.start[s]; k < q.g.start[s + 1]; k++) reach = std::max(reach, lastRow[q.g.adj[k]]);
    env = std::max(env, reach);
    for (; row < lastRow[s]; row++) terms += env - row;  // row + 1 .. env
  }
  return terms;
}

// ProfileReducingOrder, also giving the profile terms of the order and, in *given, those
// of the equations' own order.
int64_t ReducingOrder(int n, const int* count, int* const* cols, int* eqOfRow, int64_t* given) {
  const Quotient q = BuildQuotient(n, count, cols);
  const Graph& g = q.g;
  const int nodes = static_cast<int>(q.first.size()) - 2;
  // The starts of every connected part, in the order of their least node.
  std::vector<int> mark(static_cast<size_t>(nodes) + 1, 0), roots, others;
  std::vector<std::vector<int>> fars;
  std::vector<char> done(static_cast<size_t>(nodes) + 1, 0);
  int stamp = 0;
  for (int seed = 1; seed <= nodes; seed++)
    if (!done[seed]) {
      roots.push_back(0);
      others.push_back(0);
      fars.emplace_back();
      FindStarts(g, seed, mark, stamp, done, &roots.back(), &others.back(), &fars.back());
    }
  // From the pseudo-peripheral node, from the far level and from the other end.
  std::vector<int> best, order;
  int64_t bestTerms = -1;
  for (int start = 0; start < 3; start++) {
    std::vector<char> numbered(static_cast<size_t>(nodes) + 1, 0);
    order.clear();
    for (size_t c = 0; c < roots.size(); c++)
      NumberFrom(g, start == 1 ? fars[c] : std::vector<int>{start == 0 ? roots[c] : others[c]}, numbered, order);
    if (static_cast<int>(order.size()) != nodes) InternalError(__FILE__, __LINE__);
    // Reversed: the profile of the reversed order is never larger and usually smaller.
    std::reverse(order.begin(), order.end());
    const int64_t terms = QuotientProfileTerms(q, order);
    if (bestTerms < 0 || terms < bestTerms) {
      bestTerms = terms;
      best.swap(order);
    }
  }
  // The equations of a node in descending order, as the reversal leaves them.
  int k = 0;
  for (int s : best)
    for (int e = q.first[s + 1] - 1; e >= q.first[s]; e--) eqOfRow[++k] = e;
  if (k != n) InternalError(__FILE__, __LINE__);
  for (int s = 1; s <= nodes; s++) order[static_cast<size_t>(s - 1)] = s;
  *given = QuotientProfileTerms(q, order);
  return bestTerms;
}

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

// Starts of the Cuthill-McKee order of the component of seed, whose nodes are marked in
// done: *root a pseudo-peripheral node (from the least-degree node of the component, move
// to the least-degree node of the deepest level while the depth grows), *other the
// least-degree node of root's deepest level (the other end of the pseudo-diameter), far
// the whole deepest level seen from the node of largest degree in root's deepest level;
// on a block of solid elements that is a face of the block and the levels are its layers.
void FindStarts(const Graph& g, int seed, std::vector<int>& mark, int& stamp, std::vector<char>& done, int* root,
                int* other, std::vector<int>* far) {
  std::vector<int> seq, lastLevel, seq2, last2;
  *root = seed;
  LevelStructure(g, {seed}, mark, ++stamp, seq, lastLevel);
  for (int e : seq) {
    done[e] = 1;
    if (Degree(g, e) < Degree(g, *root)) *root = e;
  }
  int levels = LevelStructure(g, {*root}, mark, ++stamp, seq, lastLevel);
  for (int pass = 0; pass < 16; pass++) {
    int cand = lastLevel.front();
    for (int e : lastLevel)
      if (Degree(g, e) < Degree(g, cand)) cand = e;
    const int l2 = LevelStructure(g, {cand}, mark, ++stamp, seq2, last2);
    if (l2 <= levels) break;
    *root = cand;
    levels = l2;
    seq.swap(seq2);
    lastLevel.swap(last2);
  }
  int wide = lastLevel.front();
  *other = lastLevel.front();
  for (int e : lastLevel) {
    if (Degree(g, e) > Degree(g, wide)) wide = e;
    if (Degree(g, e) < Degree(g, *other)) *other = e;
  }
  LevelStructure(g, {wide}, mark, ++stamp, seq2, *far);
}

// Cuthill-McKee numbering from roots over their component, appended to order: level by
// level, the neighbours of each node in ascending degree (ties by number). numbered marks
// the nodes done.
void NumberFrom(const Graph& g, const std::vector<int>& roots, std::vector<char>& numbered, std::vector<int>& order) {
  const size_t begin = order.size();
  for (int r : roots) {
    order.push_back(r);
    numbered[r] = 1;
  }
  for (size_t q = begin; q < order.size(); q++) {
    const int e = order[q];
    const size_t from = order.size();
    for (int64_t k = g.start[e]; k < g.start[e + 1]; k++) {
      const int f = g.adj[k];
      if (numbered[f]) continue;
      numbered[f] = 1;
      order.push_back(f);
    }
    std::sort(order.begin() + static_cast<int64_t>(from), order.end(), [&g](int a, int b) {
      const int da = Degree(g, a), db = Degree(g, b);
      return da != db ? da < db : a < b;
    });
  }
}

}  // namespace

void ProfileReducingOrder(int n, const int* count, int* const* cols, int* eqOfRow) {
  int64_t given;
  if (n >= 1) ReducingOrder(n, count, cols, eqOfRow, &given);
}

int64_t ProfileTerms(int n, const int* count, int* const* cols, const int* eqOfRow) {
  if (n < 1) return 0;
  std::vector<int> rowOfEq(static_cast<size_t>(n) + 1), reach(static_cast<size_t>(n) + 1);
  for (int k = 1; k <= n; k++) rowOfEq[eqOfRow[k]] = k;
  for (int k = 1; k <= n; k++) reach[k] = k;
  for (int i = 1; i <= n; i++)
    for (int t = 1; t <= count[i]; t++) {
      const int a = rowOfEq[i], b = rowOfEq[cols[i][t]];
      const int lo = std::min(a, b), hi = std::max(a, b);
      if (hi > reach[lo]) reach[lo] = hi;
    }
  int64_t terms = 0;
  int env = 0;
  for (int k = 1; k <= n; k++) {
    env = std::max(env, reach[k]);
    terms += env - k + 1;
  }
  return terms;
}

void ChooseProfileOrder(int n, const int* count, int* const* cols, int* eqOfRow) {
  if (n < 1) return;
  std::vector<int> order(static_cast<size_t>(n) + 1);
  int64_t given;
  const int64_t reduced = ReducingOrder(n, count, cols, order.data(), &given);
  const bool renumber = 4 * reduced < 3 * given;
  for (int k = 1; k <= n; k++) eqOfRow[k] = renumber ? order[k] : k;
}

int64_t OrderedProfileEnds(int n, const int* count, int* const* cols, const int* eqOfRow, int* last) {
  std::vector<int> rowOfEq(static_cast<size_t>(n) + 1, 0);
  for (int k = 1; k <= n; k++) {
    const int e = eqOfRow[k];
    if (e < 1 || e > n || rowOfEq[e] != 0) InternalError(__FILE__, __LINE__);
    rowOfEq[e] = k;
  }
  for (int k = 1; k <= n; k++) last[k] = k;
  for (int i = 1; i <= n; i++) {
    if (count[i] < 0) InternalError(__FILE__, __LINE__);
    for (int t = 1; t <= count[i]; t++) {
      const int c = cols[i][t];
      if (c < i || c > n) InternalError(__FILE__, __LINE__);
      const int a = rowOfEq[i], b = rowOfEq[c];
      const int lo = std::min(a, b), hi = std::max(a, b);
      if (hi > last[lo]) last[lo] = hi;
    }
  }
  int64_t terms = 0;
  for (int k = 1; k <= n; k++) {
    if (k > 1 && last[k - 1] > last[k]) last[k] = last[k - 1];
    terms += last[k] - k + 1;
  }
  return terms;
}

namespace {

// Terms of the row lists from which the copy into the store runs on threads.
constexpr int64_t kThreadedCopyTerms = 1 << 20;

// Entries of the record: n, the order, the reciprocal pivots and the smallest ratio.
int64_t RecordLength(int n) { return 2 * static_cast<int64_t>(n) + 2; }

// fn(from, to) on threads for a large store, each taking the rows from..to-1 of about
// equal terms.
template <typename Fn>
void ForRowsOnThreads(int n, const int* last, const Fn& fn) {
  int64_t terms = 0;
  for (int i = 1; i <= n; i++) terms += last[i] - i + 1;
  const int T = terms < (int64_t{1} << 22) ? 1 : ProfileThreads();
  std::vector<int> from(static_cast<size_t>(T) + 1, n + 1);
  from[0] = 1;
  int64_t sum = 0;
  for (int i = 1, t = 1; i <= n && t < T; i++) {
    sum += last[i] - i + 1;
    if (sum * T >= terms * t) from[static_cast<size_t>(t++)] = i + 1;
  }
  const auto part = [&](int t) { fn(from[static_cast<size_t>(t)], from[static_cast<size_t>(t) + 1]); };
  std::vector<std::thread> pool;
  for (int t = 1; t < T; t++) pool.emplace_back(part, t);
  part(0);
  for (std::thread& th : pool) th.join();
}

// The first write into each page of a cleared store, on threads for a large one: the
// system clears a page when it is first touched, and a page first read would be mapped
// twice, as the shared zero page and again when written. One write of a zero a page (the
// rows lie one after another) changes nothing.
void TouchProfileOnThreads(double** A, int n, const int* last) {
  constexpr int kPageTerms = 512;  // 4 kB
  ForRowsOnThreads(n, last, [&](int from, int to) {
    for (int i = from; i < to; i++) {
      for (int k = i; k <= last[i]; k += kPageTerms) A[i][k] = 0.0;
      A[i][last[i]] = 0.0;
    }
  });
}

double* Record(double** A, int n) {
  double* record = A[0];
  if (record != nullptr && record[0] != n) InternalError(__FILE__, __LINE__);
  return record;
}

}  // namespace

namespace {

// The record of a store for last: n, the order eqOfRow, no pivots yet.
void WriteRecord(double** A, int n, const int* last, const int* eqOfRow) {
  double* record = &A[n][last[n] + 1];
  record[0] = n;
  for (int k = 1; k <= n; k++) {
    record[k] = eqOfRow[k];
    record[n + k] = 0.0;
  }
  record[2 * n + 1] = 0.0;
  A[0] = record;
}

}  // namespace

void AllocOrderedProfile(double*** A, int n, const int* last, const int* eqOfRow) {
  if (n < 1) {
    allocprofd2(A, n, last);
    return;
  }
  // The last row is allocated longer by the record.
  std::vector<int> ends(last, last + n + 1);
  const int64_t tail = RecordLength(n);
  if (ends[n] > INT32_MAX - tail) errexit("Memory allocation failed", 0);
  ends[n] += static_cast<int>(tail);
  allocprofd2(A, n, ends.data());  // cleared
  TouchProfileOnThreads(*A, n, last);
  WriteRecord(*A, n, last, eqOfRow);
}

void RenewOrderedProfile(double*** A, const int* spareLast, int n, const int* last, const int* eqOfRow) {
  if (*A != nullptr && n >= 1 && spareLast != nullptr && std::equal(last + 1, last + n + 1, spareLast + 1)) {
    double** S = *A;
    ForRowsOnThreads(n, last, [&](int from, int to) {
      for (int i = from; i < to; i++) std::memset(&S[i][i], 0, sizeof(double) * static_cast<size_t>(last[i] - i + 1));
    });
    WriteRecord(S, n, last, eqOfRow);
    return;
  }
  if (*A != nullptr) freeprofd2(*A, n);
  *A = nullptr;
  AllocOrderedProfile(A, n, last, eqOfRow);
}

void CopyRowsToOrderedProfile(double** A, int n, const int* count, int* const* cols, double* const* vals) {
  std::vector<int> rowOfEq(static_cast<size_t>(n) + 1);
  for (int k = 1; k <= n; k++) rowOfEq[ProfileEquationOfRow(A, n, k)] = k;
  // The store's pages come as zero pages on their first touch: a large copy is split by
  // the rows of the store it writes, so that the threads share the faults. Each thread
  // reads all terms in the same order and writes those of its rows.
  int64_t entries = 0;
  for (int i = 1; i <= n; i++) entries += count[i];
  const int T = entries < kThreadedCopyTerms ? 1 : ProfileThreads();
  const auto copy = [&](int tid) {
    const int lo = static_cast<int>(static_cast<int64_t>(n) * tid / T) + 1;
    const int hi = static_cast<int>(static_cast<int64_t>(n) * (tid + 1) / T);
    for (int i = 1; i <= n; i++) {
      const int a = rowOfEq[i];
      for (int t = 1; t <= count[i]; t++) {
        const int b = rowOfEq[cols[i][t]];
        const int row = std::min(a, b);
        if (row >= lo && row <= hi) A[row][std::max(a, b)] = vals[i][t];
      }
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < T; t++) pool.emplace_back(copy, t);
  copy(0);
  for (std::thread& th : pool) th.join();
}

int ProfileEquationOfRow(double** A, int n, int k) {
  const double* record = Record(A, n);
  return record == nullptr ? k : static_cast<int>(record[k]);
}

double ProfileMinPivotRatio(double** A, int n) {
  const double* record = Record(A, n);
  if (record == nullptr) InternalError(__FILE__, __LINE__);
  return record[2 * n + 1];
}

int ProfileThreads() {
  int threads = static_cast<int>(std::thread::hardware_concurrency());
  if (threads < 1) threads = 1;
  const char* limit = std::getenv("VOLDE_THREADS");
  if (limit != nullptr) {
    char* end;
    const long v = std::strtol(limit, &end, 10);
    if (end == limit || *end != '\0' || v < 1 || v > 4096)
      errexit("The environment variable VOLDE_THREADS must be a whole number of at least 1.", 0);
    if (v < threads) threads = static_cast<int>(v);
  }
  return threads;
}

namespace {

// 8 doubles handled as one value: every operation acts lane by lane, so the compiler
// may use any vector width and every lane still sees the same sequence of roundings.
typedef double V8 __attribute__((vector_size(64)));
// The same, placed at any double of a row.
typedef double V8u __attribute__((vector_size(64), aligned(8), may_alias));
#define LOAD8(p) (*reinterpret_cast<const V8u*>(p))
#define STORE8(p) (*reinterpret_cast<V8u*>(p))

constexpr int kMicroRows = 4;   // rows updated together by the register kernel
constexpr int kBlockRows = 256;  // rows of one elimination block (a multiple of kMicroRows)
constexpr int kChunk = 32;      // columns of one register tile
constexpr int kAhead = 12;      // rows fetched ahead when earlier rows are read
constexpr int kSourceRun = 96;  // earlier rows packed at a time (a strip of 24 kB)
// Profile terms below which one thread does the whole elimination (threads would only
// cost their start).
constexpr int64_t kThreadedTerms = 200000;
// Work of a block (multiply-subtract pairs) that one more thread needs to pay for itself.
constexpr double kPairsPerThread = 1e6;
// kPivotStiffness: a pivot not above this fraction of the diagonal it came from has lost
// all but the last few digits of that diagonal to the elimination: a null row or a
// mechanism, in any units.
constexpr double kPivotLoss = 1e-13;

// Register kernel: the kMicroRows rows of w (stride ld) receive over kChunk = 32 columns
// the updates of n source rows, given as a packed strip (32 terms per source) and their
// multipliers (kMicroRows per source), in the order of the sources:
// w[t][k] = w[t][k] - m[i][t] * s[i][k]. Each entry sees its updates one after another,
// exactly as the row-by-row elimination applies them.
__attribute__((always_inline)) inline void TileBody(double* w, int64_t ld, const double* strip, int n,
                                                    const double* m) {
  double* w0 = w;
  double* w1 = w0 + ld;
  double* w2 = w1 + ld;
  double* w3 = w2 + ld;
  V8 a0 = LOAD8(w0), b0 = LOAD8(w0 + 8), c0 = LOAD8(w0 + 16), d0 = LOAD8(w0 + 24);
  V8 a1 = LOAD8(w1), b1 = LOAD8(w1 + 8), c1 = LOAD8(w1 + 16), d1 = LOAD8(w1 + 24);
  V8 a2 = LOAD8(w2), b2 = LOAD8(w2 + 8), c2 = LOAD8(w2 + 16), d2 = LOAD8(w2 + 24);
  V8 a3 = LOAD8(w3), b3 = LOAD8(w3 + 8), c3 = LOAD8(w3 + 16), d3 = LOAD8(w3 + 24);
  for (int i = 0; i < n; i++) {
    const double* s = strip + static_cast<int64_t>(i) * kChunk;
    const V8 s0 = LOAD8(s), s1 = LOAD8(s + 8), s2 = LOAD8(s + 16), s3 = LOAD8(s + 24);
    const double* mi = m + static_cast<int64_t>(i) * kMicroRows;
    const double m0 = mi[0], m1 = mi[1], m2 = mi[2], m3 = mi[3];
    a0 = a0 - m0 * s0; b0 = b0 - m0 * s1; c0 = c0 - m0 * s2; d0 = d0 - m0 * s3;
    a1 = a1 - m1 * s0; b1 = b1 - m1 * s1; c1 = c1 - m1 * s2; d1 = d1 - m1 * s3;
    a2 = a2 - m2 * s0; b2 = b2 - m2 * s1; c2 = c2 - m2 * s2; d2 = d2 - m2 * s3;
    a3 = a3 - m3 * s0; b3 = b3 - m3 * s1; c3 = c3 - m3 * s2; d3 = d3 - m3 * s3;
  }
  STORE8(w0) = a0; STORE8(w0 + 8) = b0; STORE8(w0 + 16) = c0; STORE8(w0 + 24) = d0;
  STORE8(w1) = a1; STORE8(w1 + 8) = b1; STORE8(w1 + 16) = c1; STORE8(w1 + 24) = d1;
  STORE8(w2) = a2; STORE8(w2 + 8) = b2; STORE8(w2 + 16) = c2; STORE8(w2 + 24) = d2;
  STORE8(w3) = a3; STORE8(w3 + 8) = b3; STORE8(w3 + 16) = c3; STORE8(w3 + 24) = d3;
}

// Row update r[k] -= m s[k], k = 0..n-1.
__attribute__((always_inline)) inline void RowBody(double* r, const double* s, double m, int n) {
  int k = 0;
  for (; k + 8 <= n; k += 8) STORE8(r + k) = LOAD8(r + k) - m * LOAD8(s + k);
  for (; k < n; k++) r[k] -= m * s[k];
}

// Right-hand sides taken in one pass over the factor.
constexpr int kRhsBatch = 4;

// b_c[j] = b_c[j] - u[j] f_c for j = from..to and the M right-hand sides c. Every stored
// term takes part: the factor was formed with all of them, and a threshold on their size
// would depend on the units (a model in small units lost real terms and failed its
// solution check).
template <int M>
__attribute__((always_inline)) inline void ReduceBody(const double* u, const double* f, double* const* b, int from,
                                                      int to) {
  int j = from;
  for (; j + 7 <= to; j += 8) {
    const V8 uj = LOAD8(u + j);
    for (int c = 0; c < M; c++) STORE8(b[c] + j) = LOAD8(b[c] + j) - uj * f[c];
  }
  for (; j <= to; j++)
    for (int c = 0; c < M; c++) b[c][j] = b[c][j] - u[j] * f[c];
}

// out_c = sum of u[j] b_c[j], j = from..to, in a fixed order: term from + q + 8r goes to
// partial sum q (ascending r), and the eight partial sums are added in a fixed tree; each
// right-hand side the same as summed alone.
template <int M>
__attribute__((always_inline)) inline void DotBody(const double* u, double* const* b, int from, int to, double* out) {
  V8 s[M];
  for (int c = 0; c < M; c++) s[c] = V8{0, 0, 0, 0, 0, 0, 0, 0};
  int j = from;
  for (; j + 7 <= to; j += 8) {
    const V8 uj = LOAD8(u + j);
    for (int c = 0; c < M; c++) s[c] = s[c] + uj * LOAD8(b[c] + j);
  }
  for (int c = 0; c < M; c++) {
    double t[8];
    std::memcpy(t, &s[c], sizeof t);
    for (int k = j, q = 0; k <= to; k++, q++) t[q] = t[q] + u[k] * b[c][k];
    out[c] = ((t[0] + t[1]) + (t[2] + t[3])) + ((t[4] + t[5]) + (t[6] + t[7]));
  }
}

// Multipliers of one earlier row for the rows of a block: m = r[t] / p where the row
// reaches row t of the block (t < reach) and r[t] is not zero, else zero; in the groups of
// kMicroRows rows, each a stride apart. Division is correctly rounded lane by lane.
typedef double V4 __attribute__((vector_size(32)));
typedef double V4u __attribute__((vector_size(32), aligned(8), may_alias));
typedef int64_t V4m __attribute__((vector_size(32)));
static_assert(kMicroRows == 4, "one group of multipliers is one 4-wide vector");
__attribute__((always_inline)) inline void MultBody(const double* r, double p, int reach, double* m, int64_t stride) {
  int t = 0;
  for (; t + kMicroRows <= reach; t += kMicroRows) {
    const V4 v = *reinterpret_cast<const V4u*>(r + t);
    const V4 q = v / p;
    *reinterpret_cast<V4u*>(m + t / kMicroRows * stride) = reinterpret_cast<V4>(reinterpret_cast<V4m>(q) & (v != 0.0));
  }
  for (; t < kBlockRows; t++) m[t / kMicroRows * stride + t % kMicroRows] = t < reach && r[t] != 0.0 ? r[t] / p : 0.0;
}

// The kernels compiled for each instruction-set level; lane-by-lane operations give the
// same bits at every level. (Compiled for the base level, an 8-wide sum lives on the
// stack and the solves run at a third of their speed.)
struct Kernels {
  void (*tile)(double*, int64_t, const double*, int, const double*);
  void (*row)(double*, const double*, double, int);
  void (*mults)(const double*, double, int, double*, int64_t);
  // For 1 .. kRhsBatch right-hand sides.
  void (*reduce[kRhsBatch])(const double*, const double*, double* const*, int, int);
  void (*dot[kRhsBatch])(const double*, double* const*, int, int, double*);
};

#define VOLDE_KERNELS_AT(SUFFIX, ATTR)                                                                   \
  ATTR void Tile##SUFFIX(double* w, int64_t ld, const double* s, int n, const double* m) {               \
    TileBody(w, ld, s, n, m);                                                                           \
  }                                                                                                     \
  ATTR void Row##SUFFIX(double* r, const double* s, double m, int n) { RowBody(r, s, m, n); }            \
  ATTR void Mults##SUFFIX(const double* r, double p, int reach, double* m, int64_t stride) {            \
    MultBody(r, p, reach, m, stride);                                                                   \
  }                                                                                                     \
  template <int M>                                                                                      \
  ATTR void Reduce##SUFFIX(const double* u, const double* f, double* const* b, int from, int to) {       \
    ReduceBody<M>(u, f, b, from, to);                                                                   \
  }                                                                                                     \
  template <int M>                                                                                      \
  ATTR void Dot##SUFFIX(const double* u, double* const* b, int from, int to, double* out) {              \
    DotBody<M>(u, b, from, to, out);                                                                    \
  }
#define VOLDE_KERNEL_ROW(SUFFIX)                                                                        \
  Kernels {                                                                                             \
    Tile##SUFFIX, Row##SUFFIX, Mults##SUFFIX,                                                           \
        {Reduce##SUFFIX<1>, Reduce##SUFFIX<2>, Reduce##SUFFIX<3>, Reduce##SUFFIX<4>},                   \
        {Dot##SUFFIX<1>, Dot##SUFFIX<2>, Dot##SUFFIX<3>, Dot##SUFFIX<4>}                                \
  }
static_assert(kRhsBatch == 4, "one kernel of each width in the rows below");

VOLDE_KERNELS_AT(V4, __attribute__((target("arch=x86-64-v4"))))
VOLDE_KERNELS_AT(V3, __attribute__((target("arch=x86-64-v3"))))
VOLDE_KERNELS_AT(V1, )
#undef VOLDE_KERNELS_AT

bool KernelsAtLevel(int level, Kernels* k) {
  __builtin_cpu_init();
  switch (level) {
    case 0:
      if (KernelsAtLevel(4, k)) return true;
      if (KernelsAtLevel(3, k)) return true;
      return KernelsAtLevel(1, k);
    case 1:
      *k = VOLDE_KERNEL_ROW(V1);
      return true;
    case 3:
      *k = VOLDE_KERNEL_ROW(V3);
      return __builtin_cpu_supports("x86-64-v3");
    case 4:
      *k = VOLDE_KERNEL_ROW(V4);
      return __builtin_cpu_supports("x86-64-v4");
    default:
      InternalError(__FILE__, __LINE__);
  }
}
#undef VOLDE_KERNEL_ROW

// The highest level's kernels, for the solves.
const Kernels& BestKernels() {
  static const Kernels best = [] {
    Kernels k;
    KernelsAtLevel(0, &k);
    return k;
  }();
  return best;
}

// What the threads of one elimination share. The blocks of kBlockRows rows are taken in
// turn; inside a block the threads split independent columns:
//   A: the block's rows are loaded into the work rows and the multipliers of the earlier
//      rows that reach the block are formed (split by rows);
//   B: every 32 columns of the block receive the updates of all earlier rows, in
//      ascending order, through the register kernel (split by column tiles);
//   C: the block's triangle is eliminated row by row and the pivots tested (one thread);
//   D: the columns right of the triangle receive the updates of the block's own rows, in
//      ascending order, through the register kernel, and go back to the store (split by
//      column tiles).
// Each earlier row read in step B serves all kBlockRows rows of the block: the block's
// height sets the arithmetic done per byte brought from memory, which is what lets the
// elimination scale with the cores.
// A term outside a row's profile enters as a zero: m * 0 subtracted leaves an entry as
// it is. Every entry receives the same updates in the same order as in the row-by-row
// elimination, whichever thread computes it.
struct Elimination {
  double** A;
  int n;
  const int* last;
  int rule;
  bool show;
  int threads;
  Kernels kern;
  double largest;             // largest magnitude of the matrix before elimination
  std::vector<double> diag;    // diagonal before elimination
  std::vector<int> first;      // first row that reaches column k
  std::vector<double> work;    // the block's rows
  std::vector<double> mult;    // multipliers of the earlier rows
  std::vector<double> own;     // multipliers of the block's rows among themselves
  std::vector<double> tri;     // one column tile of the block's triangle
  std::vector<double> pivot;   // pivots of the block's rows
  std::vector<std::vector<double>> strips;
  int64_t ld;                  // stride of the work rows (largest block)
  double* rpiv;                // reciprocal pivots (record), or null
  ProfileFactorResult result;
  // Next column tile of steps B and D: a thread takes the next free tile when it is done
  // with one, so a thread held up by the rest of the machine holds up no one.
  std::atomic<int> nextB{0}, nextD{0};
};

// Geometry of the block that starts at row j0.
struct Block {
  int j0, nb, c1, ilo, nsrc;
};

Block BlockAt(const Elimination& E, int j0) {
  Block b;
  b.j0 = j0;
  b.nb = std::min(kBlockRows, E.n - j0 + 1);
  b.c1 = E.last[j0 + b.nb - 1];
  b.ilo = E.first[j0];
  b.nsrc = j0 - b.ilo;
  return b;
}

// Step C: the block's triangle (columns j0 .. j0 + nb - 1) in tiles of kChunk columns,
// copied into tri (kChunk terms a row). In a tile, the rows that reach it with their
// diagonal (rows 0 .. rows - 1 of the block) are finished in ascending order: a group of
// kMicroRows rows takes the updates of the finished rows above it through the register
// kernel (the rows above are the strip, their multipliers in own), then those of the rows
// of its own group above each row. A finished row whose diagonal lies in the tile is
// tested as a pivot; each finished row gives its multipliers for the rows whose diagonal
// lies in the tile (own) and goes to the store. An entry takes its updates in ascending
// order, as in the row-by-row elimination.
void EliminateTriangle(Elimination& E, int j0, int nb) {
  const int64_t ld = E.ld;
  const int cEnd = j0 + nb - 1;
  const int step = E.n / 30 + 1;
  double* tri = E.tri.data();
  std::fill(E.own.begin(), E.own.end(), 0.0);
  const auto own = [&E](int t, int u) -> double& {
    return E.own[static_cast<size_t>(u / kMicroRows * kMicroRows) * kBlockRows + t * kMicroRows + u % kMicroRows];
  };
  for (int k0 = j0; k0 <= cEnd; k0 += kChunk) {
    const int k1 = std::min(cEnd, k0 + kChunk - 1);
    const int rows = k1 - j0 + 1;
    // Rows of the tile's groups; columns past the triangle enter as zeros and stay there.
    for (int u = 0; u < std::min(kBlockRows, (rows + kMicroRows - 1) / kMicroRows * kMicroRows); u++) {
      double* tu = tri + static_cast<size_t>(u) * kChunk;
      const double* wu = &E.work[static_cast<size_t>(u * ld + (k0 - j0))];
      for (int k = 0; k < kChunk; k++) tu[k] = k0 + k <= k1 ? wu[k] : 0.0;
    }
    for (int g = 0; g < rows; g += kMicroRows) {
      if (g > 0) E.kern.tile(tri + static_cast<size_t>(g) * kChunk, kChunk, tri, g, &own(0, g));
      for (int u = g; u < std::min(rows, g + kMicroRows); u++) {
        double* tu = tri + static_cast<size_t>(u) * kChunk;
        for (int t = g; t < u; t++)
          if (own(t, u) != 0.0) E.kern.row(tu, tri + static_cast<size_t>(t) * kChunk, own(t, u), kChunk);
        const int i = j0 + u;
        if (i >= k0) {  // the pivot
          if (E.show && E.n > 900 && (i - 1) % step == 0) {
            std::printf("*");
            std::fflush(stdout);
          }
          const double p = tu[i - k0];
          const double a = std::fabs(p);
          int failure = kPivotOk;
          if (E.rule == kPivotStiffness) {
            if (!std::isfinite(p)) failure = kPivotNotFinite;
            else if (!(a > kPivotLoss * std::fabs(E.diag[i]))) failure = kPivotBelowDiagonal;
          } else if (!(a > kSmall * E.largest)) {
            failure = kPivotBelowLargest;
          }
          if (failure != kPivotOk) {
            E.result = {failure, i, E.result.minRatio};
            return;
          }
          const double d = std::fabs(E.diag[i]);
          const double ratio = d > 0.0 ? a / d : 0.0;
          if (ratio < E.result.minRatio) E.result.minRatio = ratio;
          if (E.rpiv != nullptr) E.rpiv[i] = 1.0 / p;
          E.pivot[static_cast<size_t>(u)] = p;
        }
        for (int v = std::max(u + 1, k0 - j0); v < rows; v++) {
          const double a = tu[j0 + v - k0];
          if (a != 0.0) own(u, v) = a / E.pivot[static_cast<size_t>(u)];
        }
        for (int k = std::max(k0, i); k <= std::min(k1, E.last[i]); k++) E.A[i][k] = tu[k - k0];
      }
    }
  }
}

void EliminateOnThread(Elimination& E, int tid, std::barrier<>& sync) {
  const int T = E.threads;
  double** A = E.A;
  const int* last = E.last;
  const int64_t ld = E.ld;
  std::vector<double>& strip = E.strips[static_cast<size_t>(tid)];
  for (int j0 = 1; j0 <= E.n; j0 += kBlockRows) {
    const Block b = BlockAt(E, j0);
    const int nb = b.nb, c1 = b.c1, ilo = b.ilo, nsrc = b.nsrc;
    double* work = E.work.data();
    auto W = [&](int t, int k) -> double& { return work[static_cast<size_t>(t * ld + (k - j0))]; };
    auto M = [&](int t, int i) -> double& {
      return E.mult[(static_cast<size_t>(t / kMicroRows) * nsrc + (i - ilo)) * kMicroRows + t % kMicroRows];
    };
    // A: work rows and multipliers m = A[i][j] / A[i][i] (zero where row i does not reach
    // row j), kMicroRows per source in each group.
    for (int t = tid; t < kBlockRows; t += T) {
      double* row = &work[static_cast<size_t>(t * ld)];
      std::fill(row, row + (c1 - j0 + 1 + kChunk), 0.0);
      if (t < nb)
        for (int k = j0 + t; k <= last[j0 + t]; k++) W(t, k) = A[j0 + t][k];
    }
    // Each thread takes one run of sources: neighbouring sources share the cache lines of
    // the multipliers.
    for (int i = ilo + static_cast<int>(static_cast<int64_t>(nsrc) * tid / T),
             iEnd = ilo + static_cast<int>(static_cast<int64_t>(nsrc) * (tid + 1) / T);
         i < iEnd; i++) {
      const double* ri = A[i];
      E.kern.mults(ri + j0, ri[i], std::min(nb, last[i] - j0 + 1), &M(0, i), static_cast<int64_t>(nsrc) * kMicroRows);
    }
    sync.arrive_and_wait();
    // B: the updates of the earlier rows, 32 columns at a time. Sources lo..j0-1 reach
    // column c; a source that ends inside the tile, and the columns past c1 of the last
    // tile, are packed as zeros, which change nothing. The sources go in runs of
    // kSourceRun, whose packed strip stays in the first-level cache while every group of
    // rows of the block takes its updates; an entry still takes them in ascending order.
    if (nsrc > 0) {
      const int tiles = (c1 - j0) / kChunk + 1;
      for (int q = E.nextB++; q < tiles; q = E.nextB++) {
        const int c = j0 + q * kChunk;
        for (int s0 = std::max(E.first[c], ilo); s0 < j0; s0 += kSourceRun) {
          const int s1 = std::min(j0, s0 + kSourceRun);
          for (int i = s0; i < s1; i++) {
            const double* ri = A[i];
            if (i + kAhead < j0) {  // the rows lie apart in memory: fetch ahead of the copy
              __builtin_prefetch(A[i + kAhead] + c);
              __builtin_prefetch(A[i + kAhead] + c + 8);
              __builtin_prefetch(A[i + kAhead] + c + 16);
              __builtin_prefetch(A[i + kAhead] + c + 24);
            }
            double* si = strip.data() + static_cast<size_t>(i - s0) * kChunk;
            const int reach = std::min(last[i] - c + 1, kChunk);
            for (int r = 0; r < reach; r++) si[r] = ri[c + r];
            for (int r = std::max(reach, 0); r < kChunk; r++) si[r] = 0.0;
          }
          for (int g = 0; g < nb; g += kMicroRows) E.kern.tile(&W(g, c), ld, strip.data(), s1 - s0, &M(g, s0));
        }
      }
    }
    sync.arrive_and_wait();
    // C: the triangle of the block with the pivot tests (one thread).
    const int cEnd = j0 + nb - 1;  // last column of the triangle
    if (tid == 0) {
      E.nextB = 0;  // every thread is past step B and waits for step D
      E.nextD = 0;
      EliminateTriangle(E, j0, nb);
    }
    sync.arrive_and_wait();
    if (E.result.failure != kPivotOk) return;
    // D: the columns right of the triangle, 32 at a time. In each tile the groups of
    // kMicroRows rows are taken in turn: a group receives through the register kernel the
    // updates of all rows of the block above it, whose finished terms in the tile are
    // packed in the strip, then those of the rows of the group above each row; an entry
    // takes them in ascending order as in the row-by-row elimination.
    const int wide = c1 - cEnd;
    if (wide > 0) {
      const int tiles = (wide - 1) / kChunk + 1;
      for (int q = E.nextD++; q < tiles; q = E.nextD++) {
        const int k0 = cEnd + 1 + q * kChunk;
        for (int g = 0; g < nb; g += kMicroRows) {
          if (g > 0) E.kern.tile(&W(g, k0), ld, strip.data(), g, &E.own[static_cast<size_t>(g) * kBlockRows]);
          for (int u = g; u < std::min(nb, g + kMicroRows); u++) {
            double* wu = &W(u, k0);
            for (int t = g; t < u; t++) {
              const double m = E.own[static_cast<size_t>(g) * kBlockRows + t * kMicroRows + u - g];
              if (m != 0.0) E.kern.row(wu, &W(t, k0), m, kChunk);
            }
            std::memcpy(strip.data() + static_cast<size_t>(u) * kChunk, wu, sizeof(double) * kChunk);
            const int end = std::min(last[j0 + u], k0 + kChunk - 1);
            for (int k = k0; k <= end; k++) A[j0 + u][k] = W(u, k);
          }
        }
      }
    }
    sync.arrive_and_wait();
  }
}

}  // namespace

bool FactorProfile(double** A, int n, const int* last, int rule, char echo, int level, int threads,
                   ProfileFactorResult* result) {
  Elimination E;
  if (!KernelsAtLevel(level, &E.kern)) return false;
  *result = {kPivotOk, 0, HUGE_VAL};
  E.result = *result;
  if (rule != kPivotStiffness && rule != kPivotRelative) InternalError(__FILE__, __LINE__);
  for (int i = 1; i <= n; i++)
    if (last[i] < i || last[i] > n || (i > 1 && last[i] < last[i - 1])) InternalError(__FILE__, __LINE__);
  E.A = A;
  E.n = n;
  E.last = last;
  E.rule = rule;
  E.show = echo == 'Y';
  double* record = n >= 1 ? Record(A, n) : nullptr;
  E.rpiv = record != nullptr ? record + n : nullptr;

  // The diagonal before elimination and, for the relative pivot test, the largest
  // magnitude of the matrix (a pass over the whole store, which the stiffness test spares).
  E.diag.assign(static_cast<size_t>(n) + 1, 0.0);
  E.largest = 0.0;
  for (int i = 1; i <= n; i++) {
    E.diag[i] = A[i][i];
    if (rule == kPivotRelative)
      for (int j = i; j <= last[i]; j++) E.largest = std::max(E.largest, std::fabs(A[i][j]));
  }
  if (rule == kPivotRelative && (n < 1 || E.largest == 0.0)) {
    *result = {kPivotEmptyMatrix, 0, 0.0};
    return true;
  }
  if (E.show) std::printf("|------------------------------|\n|");

  // first[k]: the first row that reaches column k (non-decreasing in k).
  E.first.assign(static_cast<size_t>(n) + 2, 0);
  for (int i = 1, k = 1; i <= n; i++)
    for (; k <= last[i]; k++) E.first[k] = i;
  for (int k = 1; k <= n; k++)
    if (E.first[k] < 1 || E.first[k] > k) InternalError(__FILE__, __LINE__);

  // Sizes of the largest block.
  int64_t ld = kChunk, nsrcMax = 0, terms = 0;
  for (int j0 = 1; j0 <= n; j0 += kBlockRows) {
    const Block b = BlockAt(E, j0);
    ld = std::max<int64_t>(ld, b.c1 - j0 + 1 + kChunk);  // room for a last, partly used tile
    nsrcMax = std::max<int64_t>(nsrcMax, b.nsrc);
  }
  double work = 0.0;  // multiply-subtract pairs of the elimination, about
  for (int i = 1; i <= n; i++) {
    terms += last[i] - i + 1;
    work += static_cast<double>(last[i] - i) * (last[i] - i) / 2;
  }
  E.ld = ld;
  int T = threads;
  if (T <= 0) {
    // Every block costs its threads four meetings: a block of less work than about a
    // million pairs per thread is better done by fewer threads.
    const double perBlock = work / ((n - 1) / kBlockRows + 1);
    T = static_cast<int>(std::min<double>(ProfileThreads(), std::max(1.0, perBlock / kPairsPerThread)));
  }
  if (terms < kThreadedTerms) T = 1;
  T = static_cast<int>(std::min<int64_t>(T, std::max<int64_t>(1, (ld - kChunk) / (4 * kChunk))));
  E.threads = T;
  E.work.assign(static_cast<size_t>(ld) * kBlockRows, 0.0);
  E.mult.assign(static_cast<size_t>(std::max<int64_t>(nsrcMax, 1)) * kBlockRows, 0.0);
  E.own.assign(static_cast<size_t>(kBlockRows) * kBlockRows, 0.0);
  E.tri.assign(static_cast<size_t>(kBlockRows) * kChunk, 0.0);
  E.pivot.assign(static_cast<size_t>(kBlockRows), 0.0);
  E.strips.assign(static_cast<size_t>(T),
                  std::vector<double>(static_cast<size_t>(std::max(kSourceRun, kBlockRows)) * kChunk));

  std::barrier<> sync(T);
  std::vector<std::thread> pool;
  for (int t = 1; t < T; t++) pool.emplace_back([&E, &sync, t] { EliminateOnThread(E, t, sync); });
  EliminateOnThread(E, 0, sync);
  for (std::thread& th : pool) th.join();

  if (E.show) {
    if (n > 900)
      std::printf("|\n");
    else
      std::printf("******************************|\n");
  }
  if (record != nullptr) record[2 * n + 1] = E.result.minRatio;
  *result = E.result;
  return true;
}

double ProfileFactorBytes(int n, const int* last) {
  double terms = 0.0;
  for (int j0 = 1, i = 1; j0 <= n; j0 += kBlockRows) {
    const int j1 = std::min(n, j0 + kBlockRows - 1), c1 = last[j1];
    while (last[i] < j0) i++;  // the first row that reaches the block
    for (int k = i; k < j0; k++) terms += std::min(last[k], c1) - j0 + 1;
    for (int k = j0; k <= j1; k++) terms += 2.0 * (last[k] - k + 1);
  }
  return 8.0 * terms;
}

namespace {

void ReduceRow(const double* u, double f, double* b, int from, int to) { BestKernels().reduce[0](u, &f, &b, from, to); }
double RowDot(const double* u, double* b, int from, int to) {
  double s;
  BestKernels().dot[0](u, &b, from, to, &s);
  return s;
}

// The reciprocal pivots of U: those of the record, else computed into own.
const double* ReciprocalPivots(double** U, int n, std::vector<double>& own) {
  const double* record = Record(U, n);
  if (record != nullptr) return record + n;
  own.resize(static_cast<size_t>(n) + 1);
  for (int i = 1; i <= n; i++) own[i] = 1.0 / U[i][i];
  return own.data();
}

// Rows of one step of the forward reduction and of the back substitution, columns of the
// forward step and rows of the back step handed to a thread at a time, rows fetched ahead
// in a forward piece, and the profile terms from which the threads pay for their meetings.
constexpr int kSolveRows = 256;
constexpr int kSolveColumns = 128;
constexpr int kSolveGroup = 8;
constexpr int kSolveAhead = 4;
constexpr int64_t kThreadedSolveTerms = 4000000;

// First row of the last step of kSolveRows rows (the steps do not depend on the threads).
int LastSolveStep(int n) { return (n - 1) / kSolveRows * kSolveRows + 1; }

// The right-hand sides b[0 .. m-1] (1 <= m <= kRhsBatch, each 1-based) of one pass over
// the factor U with the reciprocal pivots r; every row of U read serves all of them.
struct SolvePass {
  double** U;
  const int* last;
  const double* r;
  double* const* b;
  int m;
  const Kernels& kern;

  // f = b(i) r(i), the multipliers of row i; then row i reduces columns from..to.
  void Multipliers(int i, double* f) const {
    for (int c = 0; c < m; c++) f[c] = b[c][i] * r[i];
  }
  void Reduce(int i, const double* f, int from, int to) const { kern.reduce[m - 1](U[i], f, b, from, to); }
  // Sum of the terms of row i right of the step that ends at row r1, which depend only on
  // values of earlier steps (zero for a row that ends inside its step).
  void Outer(int i, int r1, double* outer) const {
    if (last[i] > r1)
      kern.dot[m - 1](U[i], b, r1 + 1, last[i], outer);
    else
      for (int c = 0; c < m; c++) outer[c] = 0.0;
  }
  // Row i of the back substitution in the step that ends at row r1: the terms of the row
  // inside the step (i + 1 .. r1) and the outer sum. A row that ends inside its step is
  // summed as one. Being fixed by the steps alone, the rounding is the same on any thread
  // count.
  void Back(int i, int r1, const double* outer) const {
    double inner[kRhsBatch];
    kern.dot[m - 1](U[i], b, i + 1, std::min(last[i], r1), inner);
    for (int c = 0; c < m; c++)
      b[c][i] = (last[i] > r1 ? b[c][i] - (inner[c] + outer[c]) : b[c][i] - inner[c]) * r[i];
  }
};

// Waits until stage p's serial part is done. A serial part takes tens of microseconds,
// less than the system takes to wake a sleeping thread: the thread spins for a while
// before it sleeps.
void AwaitStage(const std::atomic<int>& ready, int p) {
  constexpr auto kSpin = std::chrono::microseconds(200);
  const auto until = std::chrono::steady_clock::now() + kSpin;
  while (ready.load(std::memory_order_acquire) < p) {
    for (int k = 0; k < 32; k++) {
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    if (std::chrono::steady_clock::now() > until) {
      for (int seen = ready.load(std::memory_order_acquire); seen < p; seen = ready.load(std::memory_order_acquire))
        ready.wait(seen, std::memory_order_acquire);
      return;
    }
  }
}

// Forward reduction and back substitution on T threads, kSolveRows rows a step, as a
// chain of stages: each stage has a serial part, done by the thread that finished the
// stage before, then pieces that any thread takes as it comes free (no thread waits for a
// thread that holds no piece, which a busy machine would hold up).
// Forward step s (stage s): the serial part reduces the columns of the rows' own triangle,
// which gives their multipliers; the pieces are the columns right of it, kSolveColumns at
// a time: b[j] takes the updates of the rows in ascending order as in the one-thread sweep.
// Back step s, from the last step up (stage 2S - 1 - s): the serial part solves the
// triangle of the step below; the pieces are the sums of the step's rows right of the
// step, kSolveGroup rows at a time. The last stage solves the first step's triangle.
void SolveOnThreads(const SolvePass& P, int n, int T) {
  const int S = (n - 1) / kSolveRows + 1;  // steps
  const int m = P.m;
  const int* last = P.last;
  const auto rows = [n](int s, int* r0, int* r1) {
    *r0 = s * kSolveRows + 1;
    *r1 = std::min(n, *r0 + kSolveRows - 1);
  };
  // Multipliers and outer sums of row i at i * m.
  std::vector<double> f((static_cast<size_t>(n) + 1) * m), outer((static_cast<size_t>(n) + 1) * m);
  const auto at = [m](std::vector<double>& v, int i) { return v.data() + static_cast<size_t>(i) * m; };
  std::vector<int> first(2 * static_cast<size_t>(S) + 2, 0);  // first piece of each stage
  for (int p = 0; p <= 2 * S; p++) {
    int r0, r1, pieces = 0;
    if (p < S) {
      rows(p, &r0, &r1);
      pieces = (last[r1] - r1 + kSolveColumns - 1) / kSolveColumns;
    } else if (p < 2 * S) {
      rows(2 * S - 1 - p, &r0, &r1);
      pieces = (r1 - r0) / kSolveGroup + 1;
    }
    first[p + 1] = first[p] + pieces;
  }
  const auto serial = [&](int p) {
    int r0, r1;
    if (p < S) {
      rows(p, &r0, &r1);
      for (int i = r0; i <= r1; i++) {
        P.Multipliers(i, at(f, i));
        P.Reduce(i, at(f, i), i + 1, std::min(last[i], r1));
      }
    } else if (p > S) {
      rows(2 * S - p, &r0, &r1);  // the step below the one of stage p
      for (int i = r1; i >= r0; i--) P.Back(i, r1, at(outer, i));
    }
  };
  const auto piece = [&](int p, int q) {
    int r0, r1;
    if (p < S) {
      rows(p, &r0, &r1);
      const int k0 = r1 + 1 + q * kSolveColumns, k1 = std::min(last[r1], k0 + kSolveColumns - 1);
      // A piece reads a short run of each row: the runs of the rows a few ahead are
      // fetched while this one is reduced.
      for (int i = r0; i <= r1; i++) {
        if (i + kSolveAhead <= r1)
          for (int k = k0; k <= std::min(last[i + kSolveAhead], k1); k += 8) __builtin_prefetch(P.U[i + kSolveAhead] + k);
        P.Reduce(i, at(f, i), k0, std::min(last[i], k1));
      }
    } else {
      rows(2 * S - 1 - p, &r0, &r1);
      for (int i = r0 + q * kSolveGroup; i <= std::min(r1, r0 + q * kSolveGroup + kSolveGroup - 1); i++)
        P.Outer(i, r1, at(outer, i));
    }
  };
  std::atomic<int> ready{-1};  // the last stage whose serial part is done
  std::atomic<int> ticket{0};
  std::vector<std::atomic<int>> done(2 * static_cast<size_t>(S) + 1);
  for (std::atomic<int>& d : done) d = 0;
  // Serial parts from stage p on, while the stages have no pieces.
  const auto chain = [&](int p) {
    for (;; p++) {
      serial(p);
      ready.store(p, std::memory_order_release);
      ready.notify_all();
      if (p == 2 * S || first[p + 1] > first[p]) return;
    }
  };
  const int total = first[2 * S + 1];
  const auto work = [&](int tid) {
    if (tid == 0) chain(0);
    for (int t = ticket++, p = 0; t < total; t = ticket++) {
      while (t >= first[p + 1]) p++;
      AwaitStage(ready, p);
      piece(p, t - first[p]);
      if (done[p].fetch_add(1, std::memory_order_acq_rel) + 1 == first[p + 1] - first[p]) chain(p + 1);
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < T; t++) pool.emplace_back(work, t);
  work(0);
  for (std::thread& th : pool) th.join();
}

// Solution in the store's own order: forward reduction with the multipliers
// U[i][j] / U[i][i] (upper row, by symmetry), back substitution, on threads when the
// profile is large; every division is a product with the reciprocal pivot.
void SolveInStoreOrder(const SolvePass& P, int n, int threads) {
  int T = threads;
  if (T <= 0) {
    int64_t terms = 0;
    for (int i = 1; i <= n; i++) terms += P.last[i] - i + 1;
    T = terms >= kThreadedSolveTerms ? ProfileThreads() : 1;
  }
  if (T > 1) {
    SolveOnThreads(P, n, T);
    return;
  }
  double f[kRhsBatch], outer[kRhsBatch];
  for (int i = 1; i <= n; i++) {
    P.Multipliers(i, f);
    P.Reduce(i, f, i + 1, P.last[i]);
  }
  for (int r0 = LastSolveStep(n); r0 >= 1; r0 -= kSolveRows) {
    const int r1 = std::min(n, r0 + kSolveRows - 1);
    for (int i = r1; i >= r0; i--) {
      P.Outer(i, r1, outer);
      P.Back(i, r1, outer);
    }
  }
}

// x[0 .. m-1] solved kRhsBatch at a time, moved into the store's order where it has one
// (unless given in it).
void SolveMany(double** A, int n, const int* last, double* const* x, int m, int threads, bool givenInStoreOrder) {
  if (n < 1 || m < 1) return;
  std::vector<double> own;
  const double* r = ReciprocalPivots(A, n, own);
  const double* record = givenInStoreOrder ? nullptr : Record(A, n);
  const Kernels& kern = BestKernels();
  std::vector<std::vector<double>> ordered(record != nullptr ? static_cast<size_t>(kRhsBatch) : 0,
                                           std::vector<double>(static_cast<size_t>(n) + 1));
  for (int c0 = 0; c0 < m; c0 += kRhsBatch) {
    const int mb = std::min(kRhsBatch, m - c0);
    double* b[kRhsBatch];
    for (int c = 0; c < mb; c++) {
      b[c] = record != nullptr ? ordered[static_cast<size_t>(c)].data() : x[c0 + c];
      if (record != nullptr)
        for (int k = 1; k <= n; k++) b[c][k] = x[c0 + c][static_cast<int>(record[k])];
    }
    SolveInStoreOrder(SolvePass{A, last, r, b, mb, kern}, n, threads);
    if (record != nullptr)
      for (int c = 0; c < mb; c++)
        for (int k = 1; k <= n; k++) x[c0 + c][static_cast<int>(record[k])] = b[c][k];
  }
}

}  // namespace

void solveprofd2(double** U, double* b, int n, const int* last) { SolveMany(U, n, last, &b, 1, 0, true); }

void SolveProfileOnThreads(double** A, int n, const int* last, double* x, int threads) {
  SolveMany(A, n, last, &x, 1, threads, false);
}

void SolveProfile(double** A, int n, const int* last, double* x) { SolveProfileOnThreads(A, n, last, x, 0); }

void SolveProfileMany(double** A, int n, const int* last, double* const* x, int m, int threads) {
  SolveMany(A, n, last, x, m, threads, false);
}

void ProfileProduct(double** A, int n, const int* last, double* y, const double* x) {
  if (n < 1) return;
  std::vector<double> own;
  const double* r = ReciprocalPivots(A, n, own);
  const double* record = Record(A, n);
  std::vector<double> xs(static_cast<size_t>(n) + 1), t(static_cast<size_t>(n) + 1), ys(static_cast<size_t>(n) + 1, 0.0);
  for (int k = 1; k <= n; k++) xs[k] = x[record != nullptr ? static_cast<int>(record[k]) : k];
  // t = D^-1 U x, then y = U^T t.
  for (int i = 1; i <= n; i++) t[i] = RowDot(A[i], xs.data(), i, last[i]) * r[i];
  for (int i = 1; i <= n; i++) ReduceRow(A[i], -t[i], ys.data(), i, last[i]);
  for (int k = 1; k <= n; k++) y[record != nullptr ? static_cast<int>(record[k]) : k] = ys[k];
}
