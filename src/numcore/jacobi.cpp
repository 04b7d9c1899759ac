// Eigenvalues and eigenvectors of a small dense symmetric matrix by the classical Jacobi
// method: each step annihilates the largest off-diagonal term of the upper triangle with
// one plane rotation.
#include "numcore/numcore.h"

#include <climits>
#include <cmath>
#include <cstdint>

bool eigjacobi(double** A, int n, double* lambda, double** V, int* nrot, double* offmax) {
  *nrot = 0;
  *offmax = 0.0;
  if (n < 1) return true;
  if (n == 1) {
    lambda[1] = A[1][1];
    V[1][1] = 1.0;
    return true;
  }
  // Every tolerance is a share of the matrix's largest term, so that a stress tensor in
  // pascals, in MPa or in kN/mm^2 takes the same rotations; the symmetry test allows
  // 1e-8 of it.
  double scale = 0.0;
  bool finite = true;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      const double a = std::fabs(A[i][j]);
      if (std::isfinite(a)) scale = std::fmax(scale, a);
      else finite = false;
    }
  for (int i = 1; i <= n - 1; i++)
    for (int j = i + 1; j <= n; j++)
      if (!(std::fabs(A[i][j] - A[j][i]) <= kSmall * scale))
        errexit("Matrix is not symmetric. Unable to calculate the eigen values.", 0);
  // A diagonal term that is not a finite number has no eigenvalue.
  if (!finite) {
    warnmsg("Max. n. of iterations reached; iterative process failed.", 0);
    return false;
  }
  // Rotations go on down to 1e-12 of the largest term: directions to that accuracy.
  const double tol = 1e-12 * scale;

  // Only the upper triangle (j >= i) is used from here on.
  for (int i = 2; i <= n; i++)
    for (int j = 1; j < i; j++) A[i][j] = 0.0;
  zerod2(V, n, n);
  setdiagd2(V, n, n, 1.0);

  // n*n*1000 overflows int from n = 1466 on: count in 64 bits.
  const int64_t limit = static_cast<int64_t>(n) * n * 1000;
  int64_t count = 0;
  double big = 0.0;
  bool converged = false;
  for (;;) {
    int p = 1, q = 2;
    bool nan = false;
    big = -1.0;
    for (int i = 1; i <= n - 1; i++)
      for (int j = i + 1; j <= n; j++) {
        const double a = std::fabs(A[i][j]);
        if (std::isnan(a)) nan = true;
        if (a > big) {
          big = a;
          p = i;
          q = j;
        }
      }
    // A term that is not a number (from infinite input) can never be annihilated.
    if (nan) break;
    if (big < tol || big == 0.0) {
      converged = true;
      break;
    }
    count++;
    if (count > limit) break;

    const double d = A[q][q] - A[p][p];
    // A quarter turn for equal diagonal terms leaves |d|/2 off the diagonal: below tol.
    const double theta = std::fabs(d) > tol ? 0.5 * std::atan(2.0 * A[p][q] / d) : 0.7853981633974475;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const double app = A[p][p], aqq = A[q][q], apq = A[p][q];
    A[p][p] = c * c * app + s * s * aqq - 2.0 * s * c * apq;
    A[q][q] = s * s * app + c * c * aqq + 2.0 * s * c * apq;
    A[p][q] = 0.0;
    // Each k touches its own pair of terms only, so the old values are held in scalars.
    for (int k = 1; k <= p - 1; k++) {
      const double akp = A[k][p], akq = A[k][q];
      A[k][p] = c * akp - s * akq;
      A[k][q] = s * akp + c * akq;
    }
    for (int k = p + 1; k <= q - 1; k++) {
      const double apk = A[p][k], akq = A[k][q];
      A[p][k] = c * apk - s * akq;
      A[k][q] = c * akq + s * apk;
    }
    for (int k = q + 1; k <= n; k++) {
      const double apk = A[p][k], aqk = A[q][k];
      A[p][k] = c * apk - s * aqk;
      A[q][k] = s * apk + c * aqk;
    }
    for (int k = 1; k <= n; k++) {
      const double vkp = V[k][p], vkq = V[k][q];
      V[k][p] = c * vkp - s * vkq;
      V[k][q] = s * vkp + c * vkq;
    }
  }

  *nrot = count > INT_MAX ? INT_MAX : static_cast<int>(count);
  *offmax = big;
  // Infinite input ends in NaN on the diagonal: that is no eigenvalue.
  for (int i = 1; i <= n && converged; i++)
    if (std::isnan(A[i][i])) converged = false;
  if (!converged) {
    warnmsg("Max. n. of iterations reached; iterative process failed.", 0);
    return false;
  }

  for (int i = 1; i <= n; i++) lambda[i] = A[i][i];
  // Selection sort, ascending; the eigenvector columns follow their eigenvalues.
  for (int i = 1; i <= n - 1; i++) {
    int k = i;
    for (int j = i + 1; j <= n; j++)
      if (lambda[j] < lambda[k]) k = j;
    if (k != i) {
      const double t = lambda[i];
      lambda[i] = lambda[k];
      lambda[k] = t;
      for (int r = 1; r <= n; r++) {
        const double v = V[r][i];
        V[r][i] = V[r][k];
        V[r][k] = v;
      }
    }
  }
  return true;
}
