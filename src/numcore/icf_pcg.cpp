// Incomplete Cholesky factorisation of symmetric row-list matrices and the conjugate
// gradient preconditioned with the factor.
#include <climits>
#include <cmath>
#include <cstdint>

#include "numcore/numcore.h"
#include "numcore/sparse.h"

namespace {

// Rows k < j whose factor row holds column j, in the order they were added (ascending).
struct ColumnLists {
  int** rows;
  int* len;
  int* cap;
};

void AppendRow(ColumnLists* L, int j, int k) {
  if (L->len[j] == L->cap[j]) {
    int newcap = L->cap[j] * 2;
    int* grown;
    alloci1(&grown, newcap);
    for (int t = 1; t <= L->len[j]; t++) grown[t] = L->rows[j][t];
    freei1(L->rows[j]);
    L->rows[j] = grown;
    L->cap[j] = newcap;
  }
  L->len[j]++;
  L->rows[j][L->len[j]] = k;
}

// New fill below this fraction of the largest term of A is dropped ('N').
constexpr double kIcfDrop = 1e-4;
// A pivot not above this fraction of the largest term of A is lost in rounding.
constexpr double kIcfPivot = 1e-14;

void ReleaseList(ColumnLists* L, int j) {
  if (L->rows[j] != nullptr) freei1(L->rows[j]);
  L->rows[j] = nullptr;
  L->len[j] = 0;
  L->cap[j] = 0;
}

// z = (U^T U)^-1 r through t.
bool Precondition(const int* Ucount, int** Ucol, double** Uval, double* z, const double* r,
                  double* t, int n) {
  if (!N6_NZTrmat_solve_uT_x_equals_b(Ucount, Ucol, Uval, t, r, n)) return false;
  return N6_NZTrmat_solve_u_x_equals_b(Ucount, Ucol, Uval, z, t, n);
}

}  // namespace

// Left-looking, row by row: row i of A (with the shift on the diagonal) is loaded into a
// dense work row, the earlier factor rows that reach column i are subtracted (each
// consumed term by term through its own pointer, so no row is searched), and the
// result is kept on the pattern of A plus the fill-in that is not below tau.
bool N6_NZmat_icf(int* Ucount, int** Ucol, double** Uval,
                  const int* Acount, int** Acol, double** Aval,
                  int n, double shift, char flag, double tau, int* failrow, double* failpivot) {
  *failrow = 0;
  *failpivot = 0.0;
  if (n < 1) return true;

  // Both thresholds are fractions of the largest term, so that a model gets the same
  // factor (scaled) in any units.
  double amax = 0.0;
  for (int i = 1; i <= n; i++)
    for (int k = 1; k <= Acount[i]; k++)
      if (std::fabs(Aval[i][k]) > amax) amax = std::fabs(Aval[i][k]);
  if (flag == 'N') tau = kIcfDrop * amax;

  double* w;
  int* inA;  // column flag: part of the pattern of A in the current row
  int *next, *keep;
  ColumnLists lists;
  allocd1(&w, n);
  zerod1(w, n);
  alloci1(&inA, n);
  zeroi1(inA, n);
  alloci1(&next, n);
  alloci1(&keep, n);
  allocpi1(&lists.rows, n);
  alloci1(&lists.len, n);
  alloci1(&lists.cap, n);
  for (int j = 1; j <= n; j++) {
    alloci1(&lists.rows[j], 2);
    lists.len[j] = 0;
    lists.cap[j] = 2;
  }

  bool ok = true;
  int reach = 0;
  for (int i = 1; i <= n; i++) {
    int ca = Acount[i];
    if (ca < 1 || Acol[i][1] != i || Acol[i][ca] > n) InternalError(__FILE__, __LINE__);
    w[i] = Aval[i][1] + shift;
    inA[i] = 1;
    for (int k = 2; k <= ca; k++) {
      w[Acol[i][k]] = Aval[i][k];
      inA[Acol[i][k]] = 1;
    }
    if (Acol[i][ca] > reach) reach = Acol[i][ca];

    for (int t = 1; t <= lists.len[i]; t++) {
      int kr = lists.rows[i][t];
      int p = next[kr];
      if (p > Ucount[kr] || Ucol[kr][p] != i) InternalError(__FILE__, __LINE__);
      double f = Uval[kr][p];
      for (int q = p; q <= Ucount[kr]; q++) w[Ucol[kr][q]] -= Uval[kr][q] * f;
      next[kr] = p + 1;
    }

    int nk = 1;
    keep[1] = i;
    inA[i] = 0;
    for (int j = i + 1; j <= reach; j++) {
      if (inA[j] || std::fabs(w[j]) >= tau)
        keep[++nk] = j;
      else
        w[j] = 0.0;
      inA[j] = 0;
    }

    // Written so that a NaN pivot fails too.
    if (!(w[i] > kIcfPivot * amax)) {
      *failrow = i;
      *failpivot = w[i];
      ok = false;
      break;
    }

    freei1(Ucol[i]);
    freed1(Uval[i]);
    alloci1(&Ucol[i], nk);
    allocd1(&Uval[i], nk);
    double d = std::sqrt(w[i]);
    Ucol[i][1] = i;
    Uval[i][1] = d;
    w[i] = 0.0;
    for (int t = 2; t <= nk; t++) {
      int j = keep[t];
      Ucol[i][t] = j;
      Uval[i][t] = w[j] / d;
      w[j] = 0.0;
      AppendRow(&lists, j, i);
    }
    Ucount[i] = nk;
    next[i] = 2;
    ReleaseList(&lists, i);
  }

  for (int j = 1; j <= n; j++) ReleaseList(&lists, j);
  freei1(lists.cap);
  freei1(lists.len);
  freepi1(lists.rows);
  freei1(keep);
  freei1(next);
  freei1(inA);
  freed1(w);
  return ok;
}

int N6_PcgIterationLimit(int n) {
  int64_t limit = 10 * static_cast<int64_t>(n) + 1000;
  return limit > INT_MAX ? INT_MAX : static_cast<int>(limit);
}

bool N6_NZmat_pcg_solve(const int* Acount, int** Acol, double** Aval,
                        const int* Ucount, int** Ucol, double** Uval,
                        double* x, const double* b, int n, double tol, int* iterations) {
  double *p, *q, *r, *z, *t;
  allocd1(&p, n);
  allocd1(&q, n);
  allocd1(&r, n);
  allocd1(&z, n);
  allocd1(&t, n);

  int its = 0;
  zerod1(x, n);
  copyd1(r, b, n);
  bool ok = Precondition(Ucount, Ucol, Uval, z, r, t, n);
  double rho = ok ? dotd1(r, z, n) : 0.0;
  if (ok && !std::isfinite(rho)) {
    warnmsg("Conjugate gradient stopped: the matrix is not positive definite.", 0);
    ok = false;
  }
  double stop = tol * tol * rho;
  int limit = N6_PcgIterationLimit(n);
  if (ok) copyd1(p, z, n);

  while (ok && rho > stop) {
    if (its >= limit) {
      warnmsg("Conjugate gradient stopped: iteration limit reached.", 0);
      ok = false;
      break;
    }
    its++;
    N6_NZSymmat_y_equals_A_x(q, Acount, Acol, Aval, p, n);
    double pq = dotd1(p, q, n);
    // The curvature along the search direction must be positive and finite.
    if (!(pq > 0.0) || !std::isfinite(pq)) {
      warnmsg("Conjugate gradient stopped: the matrix is not positive definite.", 0);
      ok = false;
      break;
    }
    double alpha = rho / pq;
    for (int i = 1; i <= n; i++) x[i] += alpha * p[i];
    if (its % 50 == 0) {
      // The true residual, so that the recurrence does not drift.
      N6_NZSymmat_y_equals_A_x(t, Acount, Acol, Aval, x, n);
      for (int i = 1; i <= n; i++) r[i] = b[i] - t[i];
    } else {
      for (int i = 1; i <= n; i++) r[i] -= alpha * q[i];
    }
    if (!Precondition(Ucount, Ucol, Uval, z, r, t, n)) {
      ok = false;
      break;
    }
    double rhonew = dotd1(r, z, n);
    if (!std::isfinite(rhonew)) {
      warnmsg("Conjugate gradient stopped: the matrix is not positive definite.", 0);
      ok = false;
      break;
    }
    double beta = rhonew / rho;
    for (int i = 1; i <= n; i++) p[i] = z[i] + beta * p[i];
    rho = rhonew;
  }

  freed1(t);
  freed1(z);
  freed1(r);
  freed1(q);
  freed1(p);
  *iterations = its;
  return ok;
}
