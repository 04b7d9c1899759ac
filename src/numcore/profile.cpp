// Solution with a symmetric profile store that the Gaussian elimination has reduced in
// place: row i holds the reduced row from the pivot U[i][i] to column last[i].
#include "numcore/numcore.h"

#include <cmath>

namespace {

// 8 doubles handled as one value: every operation acts lane by lane, so any vector width
// gives the same roundings.
typedef double V8 __attribute__((vector_size(64)));
// The same, placed at any double of a row.
typedef double V8u __attribute__((vector_size(64), aligned(8), may_alias));
#define LOAD8(p) (*reinterpret_cast<const V8u*>(p))
#define STORE8(p) (*reinterpret_cast<V8u*>(p))


// b[j] = b[j] - (u[j]/d) bi for j = from..to. Every stored term takes part: the factor
// was formed with all of them, and a threshold on their size would depend on the units
// (a model in small units lost real terms and failed its solution check).
void ReduceRow(const double* u, double d, double bi, double* b, int from, int to) {
  int j = from;
  for (; j + 7 <= to; j += 8) STORE8(b + j) = LOAD8(b + j) - (LOAD8(u + j) / d) * bi;
  for (; j <= to; j++) b[j] = b[j] - (u[j] / d) * bi;
}

// Sum of u[j] b[j], j = from..to, in a fixed order: term from + q + 8r goes to partial
// sum q (ascending r), and the eight partial sums are added in a fixed tree.
double RowDot(const double* u, const double* b, int from, int to) {
  V8 s = {0, 0, 0, 0, 0, 0, 0, 0};
  int j = from;
  for (; j + 7 <= to; j += 8) s = s + LOAD8(u + j) * LOAD8(b + j);
  double t[8];
  __builtin_memcpy(t, &s, sizeof t);
  for (int q = 0; j <= to; j++, q++) t[q] = t[q] + u[j] * b[j];
  return ((t[0] + t[1]) + (t[2] + t[3])) + ((t[4] + t[5]) + (t[6] + t[7]));
}

}  // namespace

void solveprofd2(double** U, double* b, int n, const int* last) {
  if (n < 1) return;
  // Forward reduction: the multiplier of row j at step i is U[i][j]/U[i][i], read from
  // the upper row (symmetry).
  for (int i = 1; i <= n; i++) ReduceRow(U[i], U[i][i], b[i], b, i + 1, last[i]);
  // Back substitution: every stored term is used.
  for (int i = n; i >= 1; i--) b[i] = (b[i] - RowDot(U[i], b, i + 1, last[i])) / U[i][i];
}

