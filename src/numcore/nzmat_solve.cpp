// Profile Gaussian elimination of symmetric matrices and triangular solves with a
// row-list upper factor.
#include <cmath>

#include "numcore/numcore.h"
#include "numcore/profile.h"
#include "numcore/sparse.h"

namespace {

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

}  // namespace

// The elimination of every profile store (profile.h), with the pivot tolerance relative
// to the largest stored term.
bool N6_NZmat_gauss_elim_quiet(const int* last, double** P, int n) {
  ProfileFactorResult r;
  FactorProfile(P, n, last, kPivotRelative, 'N', 0, 0, &r);
  return r.failure == kPivotOk;
}

bool N6_NZmat_gauss_elim(const int* last, double** P, int n) {
  ProfileFactorResult r;
  FactorProfile(P, n, last, kPivotRelative, 'N', 0, 0, &r);
  switch (r.failure) {
    case kPivotOk:
      return true;
    case kPivotEmptyMatrix:
      errexit("Gaussian elimination failed - Empty matrix.", 0);
    case kPivotBelowLargest:
      errexit("Gaussian elimination failed - pivot is too small.", 0);
    default:
      InternalError(__FILE__, __LINE__);
  }
}

// In the store's own row order: x = D^-1 L^-1 b, each x[i] scaled by its pivot's
// reciprocal before it is spread down the column.
bool N6_NZmat_profile_forward_solve(const int* last, double** P, double* x, const double* b,
                                    int n) {
  for (int i = 1; i <= n; i++) x[i] = b[i];
  for (int i = 1; i <= n; i++) {
    x[i] = x[i] * (1.0 / P[i][i]);
    for (int j = i + 1; j <= last[i]; j++) x[j] -= P[i][j] * x[i];
  }
  return true;
}

bool N6_NZmat_gauss_solve(const int* last, double** P, double* x, const double* b, int n) {
  if (x != b)
    for (int i = 1; i <= n; i++) x[i] = b[i];
  SolveProfile(P, n, last, x);
  return true;
}

void N6_NZmat_factored_y_equals_A_x(double* y, const int* last, double** P, const double* x,
                                    int n) {
  ProfileProduct(P, n, last, y, x);
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
