// Small dense linear algebra on 1-based vectors and row-pointer matrices.
#include "numcore/numcore.h"

#include <cmath>
#include <utility>

void copyd1(double* y, const double* x, int n) {
  for (int i = 1; i <= n; i++) y[i] = x[i];
}
void addd1(double* y, const double* x, int n) {
  for (int i = 1; i <= n; i++) y[i] += x[i];
}
void subd1(double* y, const double* x, int n) {
  for (int i = 1; i <= n; i++) y[i] -= x[i];
}
void scaled1(double* x, int n, double s) {
  for (int i = 1; i <= n; i++) x[i] *= s;
}
void filld1(double* x, int n, double value) {
  for (int i = 1; i <= n; i++) x[i] = value;
}
double dotd1(const double* a, const double* b, int n) {
  double s = 0.0;
  for (int i = 1; i <= n; i++) s += a[i] * b[i];
  return s;
}
double normd1(const double* x, int n) { return std::sqrt(dotd1(x, x, n)); }
double maxabsd1(const double* x, int n) {
  double m = 0.0;
  for (int i = 1; i <= n; i++)
    if (std::fabs(x[i]) > m) m = std::fabs(x[i]);
  return m;
}
void normalized1(double* x, int n) {
  double norm = normd1(x, n);
  if (!(norm >= kSmall)) errexit("A null vector cannot be normalized.", 0);
  for (int i = 1; i <= n; i++) x[i] /= norm;
}
void crossd1(double* c, const double* a, const double* b) {
  c[1] = a[2] * b[3] - a[3] * b[2];
  c[2] = a[3] * b[1] - a[1] * b[3];
  c[3] = a[1] * b[2] - a[2] * b[1];
}
void CalcOrthonormalTriad(const double* g, double** T) {
  const bool onAxis = std::fabs(g[1]) < kSmall && std::fabs(g[2]) < kSmall;
  if (onAxis && std::fabs(g[3] - 1.0) < kSmall) {
    zerod2(T, 3, 3);
    setdiagd2(T, 3, 3, 1.0);
    return;
  }
  if (onAxis && std::fabs(g[3] + 1.0) < kSmall) {
    zerod2(T, 3, 3);
    T[1][1] = 1.0;
    T[2][2] = -1.0;
    T[3][3] = -1.0;
    return;
  }
  const double e3[4] = {0.0, 0.0, 0.0, 1.0};
  double t1[4], t2[4];
  crossd1(t1, e3, g);
  normalized1(t1, 3);
  crossd1(t2, g, t1);
  setrowd2(T, t1, 3, 1);
  setrowd2(T, t2, 3, 2);
  setrowd2(T, g, 3, 3);
}

bool equald1(const double* a, const double* b, int n) {
  for (int i = 1; i <= n; i++)
    if (!(std::fabs(a[i] - b[i]) <= 1e-8)) return false;
  return true;
}

void copyd2(double** B, double** A, int n, int m) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) B[i][j] = A[i][j];
}
void addd2(double** B, double** A, int n, int m) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) B[i][j] += A[i][j];
}
void subd2(double** A, double** B, int n, int m) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) A[i][j] -= B[i][j];
}
void scaled2(double** A, int n, int m, double s) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) A[i][j] *= s;
}
void transpd2(double** B, double** A, int n, int m) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) B[j][i] = A[i][j];
}
void transpsqd2(double** A, int n) {
  for (int i = 1; i <= n; i++)
    for (int j = i + 1; j <= n; j++) {
      double t = A[i][j];
      A[i][j] = A[j][i];
      A[j][i] = t;
    }
}
void setdiagd2(double** A, int n, int m, double value) {
  int k = n < m ? n : m;
  for (int i = 1; i <= k; i++) A[i][i] = value;
}
void setrowd2(double** A, const double* x, int n, int row) {
  for (int j = 1; j <= n; j++) A[row][j] = x[j];
}
void getrowd2(double* x, double** A, int n, int row) {
  for (int j = 1; j <= n; j++) x[j] = A[row][j];
}
void setcold2(double** A, const double* x, int n, int col) {
  for (int i = 1; i <= n; i++) A[i][col] = x[i];
}
void getcold2(double* x, double** A, int n, int col) {
  for (int i = 1; i <= n; i++) x[i] = A[i][col];
}
void setsubd2(double** B, double** A, int n, int m, int r0, int c0) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) B[r0 + i - 1][c0 + j - 1] = A[i][j];
}
void getsubd2(double** B, double** A, int n, int m, int r0, int c0) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) B[i][j] = A[r0 + i - 1][c0 + j - 1];
}
void outerd1(double** B, const double* a, const double* b, int n, int m) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) B[i][j] = a[i] * b[j];
}
bool issymd2(double** A, int n) {
  for (int i = 1; i <= n; i++)
    for (int j = i + 1; j <= n; j++)
      if (!(std::fabs(A[i][j] - A[j][i]) <= 1e-8)) return false;
  return true;
}

void multd2d1(double* y, double** A, const double* x, int n, int m) {
  for (int i = 1; i <= n; i++) {
    double s = 0.0;
    const double* a = A[i];
    for (int j = 1; j <= m; j++) s += a[j] * x[j];
    y[i] = s;
  }
}
void multtd2d1(double* y, double** A, const double* x, int m, int n) {
  for (int j = 1; j <= m; j++) {
    double s = 0.0;
    for (int i = 1; i <= n; i++) s += A[i][j] * x[i];
    y[j] = s;
  }
}
void multd1d2(double* y, const double* x, double** A, int n, int m) {
  for (int j = 1; j <= m; j++) {
    double s = 0.0;
    for (int i = 1; i <= n; i++) s += x[i] * A[i][j];
    y[j] = s;
  }
}
double bilind2(const double* x, double** A, const double* y, int n, int m) {
  double s = 0.0;
  for (int i = 1; i <= n; i++) {
    double r = 0.0;
    for (int j = 1; j <= m; j++) r += A[i][j] * y[j];
    s += x[i] * r;
  }
  return s;
}
namespace {

// out(i, j) = sum over l = 1..k of a(i, l) b(l, j), i = 1..n, j = 1..m: the one product
// loop behind every transposed or not form below (a and b read their operands).
template <class A, class B, class Out>
void ProductLoop(int n, int k, int m, A a, B b, Out out) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) {
      double s = 0.0;
      for (int l = 1; l <= k; l++) s += a(i, l) * b(l, j);
      out(i, j, s);
    }
}

}  // namespace

void multd2d2(double** C, double** A, double** B, int n, int k, int m) {
  ProductLoop(
      n, k, m, [A](int i, int l) { return A[i][l]; }, [B](int l, int j) { return B[l][j]; },
      [C](int i, int j, double s) { C[i][j] = s; });
}
void multd2td2(double** C, double** A, double** B, int n, int k, int m) {
  ProductLoop(
      n, k, m, [A](int i, int l) { return A[i][l]; }, [B](int l, int j) { return B[j][l]; },
      [C](int i, int j, double s) { C[i][j] = s; });
}
void multtd2d2(double** C, double** A, double** B, int n, int k, int m) {
  ProductLoop(
      n, k, m, [A](int i, int l) { return A[l][i]; }, [B](int l, int j) { return B[l][j]; },
      [C](int i, int j, double s) { C[i][j] = s; });
}
namespace {

// C = L A L^T (order `outer`, A of order `inner`) with L = B^T (transposed) or L = B:
// T = L A first, then C = T L^T.
void Congruence(double** C, double** A, double** B, int outer, int inner, bool transposed) {
  auto L = [B, transposed](int i, int p) { return transposed ? B[p][i] : B[i][p]; };
  double** T;
  allocd2(&T, outer, inner);
  ProductLoop(
      outer, inner, inner, L, [A](int p, int l) { return A[p][l]; },
      [T](int i, int l, double s) { T[i][l] = s; });
  ProductLoop(
      outer, inner, outer, [T](int i, int l) { return T[i][l]; }, [&L](int l, int j) { return L(j, l); },
      [C](int i, int j, double s) { C[i][j] = s; });
  freed2(T);
}

}  // namespace

void btabd2(double** C, double** A, double** B, int n, int m) { Congruence(C, A, B, m, n, true); }
void babtd2(double** C, double** A, double** B, int n, int m) { Congruence(C, A, B, n, m, false); }
namespace {

// The n x n block of A at (r0, c0) replaced by L S or S L, S a copy of the block.
void MultiplySubmatrix(double** A, double** B, int n, int r0, int c0, bool pre) {
  double** T;
  allocd2(&T, n, n);
  getsubd2(T, A, n, n, r0, c0);
  double** L = pre ? B : T;
  double** R = pre ? T : B;
  ProductLoop(
      n, n, n, [L](int i, int l) { return L[i][l]; }, [R](int l, int j) { return R[l][j]; },
      [A, r0, c0](int i, int j, double s) { A[r0 + i - 1][c0 + j - 1] = s; });
  freed2(T);
}

}  // namespace

void premulsubd2(double** A, double** B, int n, int r0, int c0) { MultiplySubmatrix(A, B, n, r0, c0, true); }
void postmulsubd2(double** A, double** B, int n, int r0, int c0) { MultiplySubmatrix(A, B, n, r0, c0, false); }

double detd2(double** A, int m) {
  switch (m) {
    case 1:
      return A[1][1];
    case 2:
      return A[1][1] * A[2][2] - A[1][2] * A[2][1];
    case 3:
      return A[1][1] * (A[2][2] * A[3][3] - A[3][2] * A[2][3]) -
             A[1][2] * (A[2][1] * A[3][3] - A[2][3] * A[3][1]) +
             A[1][3] * (A[2][1] * A[3][2] - A[2][2] * A[3][1]);
    default:
      errexit("m must be 1, 2 or 3", 0);
  }
}

// Gaussian elimination with partial pivoting (first of equal magnitudes wins), then
// back substitution. A and B are overwritten; on a refused pivot X is cleared.
bool GaussSolve(double** A, double** X, double** B, int n, int m) {
  if (n < 1 || m < 1) return true;
  // The pivot test measures cancellation: each term of A carries the sum of the
  // magnitudes that were added into it (G), and a pivot that lost all but 1e-8 of it is
  // refused; a multiplier of at most 1e-8 is skipped. A row or a column in other units
  // scales a term and its G alike, so a Jacobian in metres or a compliance in pascals is
  // solved as the same one in millimetres or MPa, and a singular matrix is refused at
  // the same column in any units.
  double local[8 * 8 + 1];
  double* G = local;
  if (n > 8) allocd1(&G, n * n);
  auto g = [G, n](int i, int j) -> double& { return G[(i - 1) * n + j]; };
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) g(i, j) = std::fabs(A[i][j]);
  bool ok = true;
  for (int k = 1; k <= n && ok; k++) {
    int p = k;
    double big = -1.0;
    for (int i = k; i <= n; i++)
      if (std::fabs(A[i][k]) > big) {
        big = std::fabs(A[i][k]);
        p = i;
      }
    if (p != k) {
      // Swap the entries, not the row pointers, so the matrices keep their layout.
      for (int j = 1; j <= n; j++) std::swap(A[p][j], A[k][j]);
      for (int j = 1; j <= n; j++) std::swap(g(p, j), g(k, j));
      for (int j = 1; j <= m; j++) std::swap(B[p][j], B[k][j]);
    }
    if (!(big >= kSmall * g(k, k)) || big == 0.0 || !std::isfinite(big)) {
      ok = false;
      break;
    }
    for (int i = k + 1; i <= n; i++) {
      double f = -A[i][k] / A[k][k];
      if (!(std::fabs(f) > kSmall)) continue;
      const double af = std::fabs(f);
      for (int j = k + 1; j <= n; j++) {
        A[i][j] += f * A[k][j];
        g(i, j) += af * g(k, j);
      }
      for (int j = 1; j <= m; j++) B[i][j] += f * B[k][j];
    }
  }
  if (G != local) freed1(G);
  if (!ok) {
    zerod2(X, n, m);
    return false;
  }
  for (int c = 1; c <= m; c++)
    for (int i = n; i >= 1; i--) {
      double s = 0.0;
      for (int j = i + 1; j <= n; j++) s += A[i][j] * X[j][c];
      X[i][c] = (B[i][c] - s) / A[i][i];
    }
  return true;
}

bool linsolved2(double** A, double* x, const double* b, int n) {
  if (n < 1) return true;
  double** Bm;
  double** Xm;
  allocd2(&Bm, n, 1);
  allocd2(&Xm, n, 1);
  setcold2(Bm, b, n, 1);
  bool ok = GaussSolve(A, Xm, Bm, n, 1);
  getcold2(x, Xm, n, 1);
  freed2(Xm);
  freed2(Bm);
  return ok;
}

bool invertd2(double** Ainv, double** A, int n) {
  if (n < 1) return true;
  double** I;
  allocd2(&I, n, n);
  zerod2(I, n, n);
  setdiagd2(I, n, n, 1.0);
  bool ok = GaussSolve(A, Ainv, I, n, n);
  freed2(I);
  return ok;
}
