// Dense symmetric eigen solver (Householder reduction to tridiagonal form, then the QL
// algorithm with implicit shifts), sorting of eigenpairs by magnitude, and one implicit
// shifted QR sweep on a symmetric tridiagonal matrix.
#include <cmath>

#include "numcore/eigensolvers.h"
#include "numcore/numcore.h"

namespace {

// Plane rotation (c, s) with -s a + c b = 0, computed without overflow; identity for a
// zero pair.
void GivensPair(double a, double b, double* c, double* s) {
  double r = std::hypot(a, b);
  if (r == 0.0) {
    *c = 1.0;
    *s = 0.0;
  } else {
    *c = a / r;
    *s = b / r;
  }
}

}  // namespace

void N6_Symmat_eigen(double** T, double* lambda, double** V, int n) {
  if (n == 0) return;
  double* e;
  allocd1(&e, n);
  zerod1(e, n);
  copyd2(V, T, n, n);
  N6_Symmat_tridiag(V, lambda, e, n);
  N6_Tridiag_ql(lambda, e, V, n);
  freed1(e);
}

// Householder tridiagonalisation. For each row i from the last up to the third, a
// reflection H = I - u u^T / h built from the part of row i left of the diagonal (scaled
// by the sum of its magnitudes to avoid under- and overflow) annihilates that row and
// column except for the sub-diagonal term, and the reflection is applied to the leading
// (i-1) x (i-1) block as a symmetric rank-two update. Only the lower triangle of V is
// used as working storage; u/h is kept in the upper triangle and u in row i, so that the
// product of the reflections can be accumulated afterwards, from the smallest
// reflection outwards, into V itself. On return d holds the diagonal, e[i] the coupling
// of rows i-1 and i (e[1] = 0) and V the orthogonal Q with A = Q T Q^T.
void N6_Symmat_tridiag(double** V, double* d, double* e, int n) {
  for (int i = n; i >= 2; i--) {
    int l = i - 1;
    double h = 0.0;
    if (l > 1) {
      double scale = 0.0;
      for (int k = 1; k <= l; k++) scale += std::fabs(V[i][k]);
      if (scale == 0.0) {
        e[i] = V[i][l];  // row already reduced: no reflection
      } else {
        for (int k = 1; k <= l; k++) {
          V[i][k] /= scale;
          h += V[i][k] * V[i][k];
        }
        double f = V[i][l];
        double g = f >= 0.0 ? -std::sqrt(h) : std::sqrt(h);
        e[i] = scale * g;
        h -= f * g;
        V[i][l] = f - g;  // row i now holds u
        f = 0.0;
        for (int j = 1; j <= l; j++) {
          V[j][i] = V[i][j] / h;  // u/h, for the accumulation
          // p = A u / h, using the lower triangle of the leading block
          g = 0.0;
          for (int k = 1; k <= j; k++) g += V[j][k] * V[i][k];
          for (int k = j + 1; k <= l; k++) g += V[k][j] * V[i][k];
          e[j] = g / h;
          f += e[j] * V[i][j];
        }
        // q = p - (u^T p / 2h) u; A := A - q u^T - u q^T
        double hh = f / (h + h);
        for (int j = 1; j <= l; j++) {
          f = V[i][j];
          g = e[j] - hh * f;
          e[j] = g;
          for (int k = 1; k <= j; k++) V[j][k] -= f * e[k] + g * V[i][k];
        }
      }
    } else {
      e[i] = V[i][l];
    }
    d[i] = h;  // h = 0 marks a row without reflection
  }
  d[1] = 0.0;
  e[1] = 0.0;
  // Accumulate Q: apply each reflection to the identity block already built.
  for (int i = 1; i <= n; i++) {
    int l = i - 1;
    if (d[i] != 0.0) {
      for (int j = 1; j <= l; j++) {
        double g = 0.0;
        for (int k = 1; k <= l; k++) g += V[i][k] * V[k][j];
        for (int k = 1; k <= l; k++) V[k][j] -= g * V[k][i];
      }
    }
    d[i] = V[i][i];
    V[i][i] = 1.0;
    for (int j = 1; j <= l; j++) {
      V[j][i] = 0.0;
      V[i][j] = 0.0;
    }
  }
}

// QL iteration with implicit shifts. For each leading index l, look for the first
// negligible coupling e[m] (m >= l) that splits the matrix; while the block l..m is
// not split at l, shift by the eigenvalue of the leading 2 x 2 block nearest to d[l]
// (the shift is taken out of the whole remaining diagonal and accumulated in f) and
// sweep plane rotations from the bottom of the block (m-1) up to l, which chases the
// coupling towards zero; every rotation is applied to columns i and i+1 of V too.
// Convergence is cubic in practice, so no iteration limit is kept.
void N6_Tridiag_ql(double* d, double* e, double** V, int n) {
  for (int i = 2; i <= n; i++) e[i - 1] = e[i];
  if (n >= 1) e[n] = 0.0;
  double f = 0.0;
  double tst = 0.0;
  for (int l = 1; l <= n; l++) {
    double t = 1e-15 * (std::fabs(d[l]) + std::fabs(e[l]));
    if (t > tst) tst = t;
    int m = l;
    while (m < n && std::fabs(e[m]) > tst) m++;
    if (m > l) {
      do {
        double g = d[l];
        double p = (d[l + 1] - g) / (2.0 * e[l]);
        double r = std::hypot(p, 1.0);
        double pr = p >= 0.0 ? p + r : p - r;
        d[l] = e[l] / pr;
        d[l + 1] = e[l] * pr;
        double dl1 = d[l + 1];
        double h = g - d[l];
        for (int i = l + 2; i <= n; i++) d[i] -= h;
        f += h;
        // QL sweep
        p = d[m];
        double c = 1.0, c2 = 1.0, c3 = 1.0;
        double el1 = e[l + 1];
        double s = 0.0, s2 = 0.0;
        for (int i = m - 1; i >= l; i--) {
          c3 = c2;
          c2 = c;
          s2 = s;
          g = c * e[i];
          h = c * p;
          r = std::hypot(p, e[i]);
          e[i + 1] = s * r;
          s = e[i] / r;
          c = p / r;
          p = c * d[i] - s * g;
          d[i + 1] = h + s * (c * g + s * d[i]);
          for (int k = 1; k <= n; k++) {
            double vh = V[k][i + 1];
            V[k][i + 1] = s * V[k][i] + c * vh;
            V[k][i] = c * V[k][i] - s * vh;
          }
        }
        p = -s * s2 * c3 * el1 * e[l] / dl1;
        e[l] = s * p;
        d[l] = c * p;
      } while (std::fabs(e[l]) > tst);
    }
    d[l] += f;
  }
}

// Selection by ascending magnitude; of equal magnitudes the first keeps its place.
void N6_sort_eigenpairs(double* lambda, double** V, int n, int m) {
  for (int i = 1; i < m; i++) {
    int kmin = i;
    for (int k = i + 1; k <= m; k++)
      if (std::fabs(lambda[k]) < std::fabs(lambda[kmin])) kmin = k;
    if (kmin == i) continue;
    double t = lambda[i];
    lambda[i] = lambda[kmin];
    lambda[kmin] = t;
    for (int r = 1; r <= n; r++) {
      t = V[r][i];
      V[r][i] = V[r][kmin];
      V[r][kmin] = t;
    }
  }
}

// One implicit QR sweep: the first rotation is the one a QR step of T - mu I would
// start with; it puts a bulge below the sub-diagonal, and each following rotation on
// rows and columns (i, i+1) pushes the bulge one row down until it leaves the block.
// T is stored full and symmetric; T' = Q^T T Q with Q the product of the rotations,
// which are also applied to the columns of W. With mu an eigenvalue of the block the
// last coupling T(kk, kk-1) vanishes (up to rounding).
void N6_Tridiag_shifted_qr_step(double** T, double** W, double mu, int kk, int k) {
  if (kk < 2) return;
  double x = T[1][1] - mu;
  double z = T[2][1];
  for (int i = 1; i <= kk - 1; i++) {
    double c, s;
    GivensPair(x, z, &c, &s);
    int lo = i > 1 ? i - 1 : 1;
    int hi = i + 2 < kk ? i + 2 : kk;
    for (int r = lo; r <= hi; r++) {  // columns i, i+1
      double a = T[r][i], b = T[r][i + 1];
      T[r][i] = c * a + s * b;
      T[r][i + 1] = c * b - s * a;
    }
    for (int q = lo; q <= hi; q++) {  // rows i, i+1
      double a = T[i][q], b = T[i + 1][q];
      T[i][q] = c * a + s * b;
      T[i + 1][q] = c * b - s * a;
    }
    T[i][i + 1] = T[i + 1][i];  // the two orders of update differ by rounding only here
    if (i > 1) {  // the bulge annihilated by this rotation
      T[i + 1][i - 1] = 0.0;
      T[i - 1][i + 1] = 0.0;
    }
    for (int r = 1; r <= k; r++) {
      double a = W[r][i], b = W[r][i + 1];
      W[r][i] = c * a + s * b;
      W[r][i + 1] = c * b - s * a;
    }
    if (i + 2 <= kk) {
      x = T[i + 1][i];
      z = T[i + 2][i];
    }
  }
}
