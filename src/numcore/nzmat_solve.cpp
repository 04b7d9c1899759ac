// Profile Gaussian elimination of symmetric matrices and triangular solves with a
// row-list upper factor.
#include <cmath>

#include "numcore/numcore.h"
#include "numcore/sparse.h"

namespace {

// The elimination updates row j from pivot row i over columns j..last[i]; that stays
// inside row j only when the profile is well formed: i <= last[i] <= n, non-decreasing.
void CheckProfile(const int* last, int n) {
  for (int i = 1; i <= n; i++) {
    if (last[i] < i || last[i] > n) InternalError(__FILE__, __LINE__);
    if (i > 1 && last[i] < last[i - 1]) InternalError(__FILE__, __LINE__);
  }
}

// Diagonal check shared by the triangular solves: false after a warning.
bool DiagonalUsable(const int* count, int** col, double** val, int i) {
  if (count[i] == 0) {
    warnmsg("Empty row: null value in the diagonal of the matrix.", 0);
    return false;
  }
  if (count[i] < 0) interror(__FILE__, __LINE__);
  if (col[i][1] != i || !(std::fabs(val[i][1]) >= kSmall)) {
    warnmsg("Null value in the diagonal of the matrix.", 0);
    return false;
  }
  return true;
}

// Symmetric elimination on the upper profile: row i, once reduced, updates every row j
// it reaches with the multiplier l(j, i) = u(i, j)/d(i); the lower triangle is never
// stored. The pivot tolerance is relative to the largest stored term. 0 when done, else
// the failure (the store is then partly reduced).
const int kElimDone = 0;
const int kElimEmpty = 1;
const int kElimSmallPivot = 2;
int Eliminate(const int* last, double** P, int n) {
  if (n >= 1) CheckProfile(last, n);
  double m = 0.0;
  for (int i = 1; i <= n; i++)
    for (int j = i; j <= last[i]; j++)
      if (std::fabs(P[i][j]) > m) m = std::fabs(P[i][j]);
  if (n < 1 || m == 0.0) return kElimEmpty;
  double t = 1e-8 * m;
  for (int i = 1; i <= n; i++) {
    double d = P[i][i];
    // Written so that a NaN pivot is refused too.
    if (!(std::fabs(d) > t)) return kElimSmallPivot;
    for (int j = i + 1; j <= last[i]; j++) {
      double f = P[i][j] / d;
      if (f == 0.0) continue;
      for (int k = j; k <= last[i]; k++) P[j][k] -= f * P[i][k];
    }
  }
  return kElimDone;
}

}  // namespace

bool N6_NZmat_gauss_elim_quiet(const int* last, double** P, int n) {
  return Eliminate(last, P, n) == kElimDone;
}

bool N6_NZmat_gauss_elim(const int* last, double** P, int n) {
  switch (Eliminate(last, P, n)) {
    case kElimDone:
      return true;
    case kElimEmpty:
      errexit("Gaussian elimination failed - Empty matrix.", 0);
    case kElimSmallPivot:
      errexit("Gaussian elimination failed - pivot is too small.", 0);
    default:
      InternalError(__FILE__, __LINE__);
  }
}

bool N6_NZmat_profile_forward_solve(const int* last, double** P, double* x, const double* b,
                                    int n) {
  for (int i = 1; i <= n; i++) x[i] = b[i];
  for (int i = 1; i <= n; i++) {
    x[i] = x[i] / P[i][i];
    for (int j = i + 1; j <= last[i]; j++) x[j] -= P[i][j] * x[i];
  }
  return true;
}

// Forward: x = D^-1 L^-1 b (each x[i] divided by its pivot before it is spread down the
// column); backward: L^T x = that, where L^T(i, j) = u(i, j)/d(i).
bool N6_NZmat_gauss_solve(const int* last, double** P, double* x, const double* b, int n) {
  N6_NZmat_profile_forward_solve(last, P, x, b, n);
  for (int i = n - 1; i >= 1; i--)
    for (int j = i + 1; j <= last[i]; j++) x[i] -= P[i][j] * x[j] / P[i][i];
  return true;
}

// A = U^T D^-1 U: t = D^-1 U x, then y = U^T t.
void N6_NZmat_factored_y_equals_A_x(double* y, const int* last, double** P, const double* x,
                                    int n) {
  double* t;
  allocd1(&t, n);
  for (int i = 1; i <= n; i++) {
    double s = 0.0;
    for (int j = i; j <= last[i]; j++) s += P[i][j] * x[j];
    t[i] = s / P[i][i];
  }
  zerod1(y, n);
  for (int i = 1; i <= n; i++)
    for (int j = i; j <= last[i]; j++) y[j] += P[i][j] * t[i];
  freed1(t);
}

// Forward substitution with U^T, column by column of U^T (= row by row of U).
bool N6_NZTrmat_solve_uT_x_equals_b(const int* count, int** col, double** val, double* x,
                                    const double* b, int n) {
  for (int i = 1; i <= n; i++) x[i] = b[i];
  for (int i = 1; i <= n; i++) {
    if (!DiagonalUsable(count, col, val, i)) return false;
    x[i] = x[i] / val[i][1];
    for (int k = 2; k <= count[i]; k++) x[col[i][k]] -= val[i][k] * x[i];
  }
  return true;
}

// Back substitution with U; x and b may be the same vector.
bool N6_NZTrmat_solve_u_x_equals_b(const int* count, int** col, double** val, double* x,
                                   const double* b, int n) {
  for (int i = n; i >= 1; i--) {
    if (!DiagonalUsable(count, col, val, i)) return false;
    double s = b[i];
    for (int k = 2; k <= count[i]; k++) s -= val[i][k] * x[col[i][k]];
    x[i] = s / val[i][1];
  }
  return true;
}
