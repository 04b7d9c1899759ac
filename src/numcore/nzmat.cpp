// Row-list sparse matrices: allocation, symmetric product, linear combination and
// conversion to the profile store.
#include <cstdint>

#include "numcore/numcore.h"
#include "numcore/sparse.h"

namespace {

// Replaces row i by fresh vectors of len entries (len 0 keeps one usable entry).
void ResizeRow(int* count, int** col, double** val, int i, int len) {
  freei1(col[i]);
  freed1(val[i]);
  alloci1(&col[i], len);
  allocd1(&val[i], len);
  count[i] = 0;
}

// Profile rows are addressed by absolute column: the handle of row i is its block
// moved back by i - 1 entries (the allocator's own layout), done on the address as an
// integer so that no out-of-range pointer arithmetic is performed.
double* ProfileRowBlock(double* row, int i) {
  return reinterpret_cast<double*>(reinterpret_cast<uintptr_t>(row) +
                                   static_cast<uintptr_t>(i - 1) * sizeof(double));
}
double* ProfileRowHandle(double* block, int i) {
  return reinterpret_cast<double*>(reinterpret_cast<uintptr_t>(block) -
                                   static_cast<uintptr_t>(i - 1) * sizeof(double));
}

void CheckSymmetricRow(const int* count, int** col, int i) {
  if (count[i] < 1 || col[i][1] != i) InternalError(__FILE__, __LINE__);
}

// Copies row i of A scaled by s into row i of C, every term kept.
void CopyScaledRow(int* Ccount, int** Ccol, double** Cval, const int* Acount, int** Acol,
                   double** Aval, int i, double s) {
  ResizeRow(Ccount, Ccol, Cval, i, Acount[i]);
  for (int k = 1; k <= Acount[i]; k++) {
    Ccol[i][k] = Acol[i][k];
    Cval[i][k] = s * Aval[i][k];
  }
  Ccount[i] = Acount[i];
}

// Merges the ascending rows of A and B from their term 'from' on into the work lists,
// after 'kept' terms already there; exact zeros are dropped. Returns the new count.
int MergeRows(int* wc, double* wv, int kept, const int* Acount, int** Acol, double** Aval,
              const int* Bcount, int** Bcol, double** Bval, int i, int from, double a,
              double b) {
  int ka = from, kb = from;
  int na = Acount[i], nb = Bcount[i];
  while (ka <= na || kb <= nb) {
    int c;
    double v;
    if (kb > nb || (ka <= na && Acol[i][ka] < Bcol[i][kb])) {
      c = Acol[i][ka];
      v = a * Aval[i][ka];
      ka++;
    } else if (ka > na || Bcol[i][kb] < Acol[i][ka]) {
      c = Bcol[i][kb];
      v = b * Bval[i][kb];
      kb++;
    } else {
      c = Acol[i][ka];
      v = a * Aval[i][ka] + b * Bval[i][kb];
      ka++;
      kb++;
    }
    if (v != 0.0) {  // exact cancellations are dropped (a NaN is kept, not hidden)
      kept++;
      wc[kept] = c;
      wv[kept] = v;
    }
  }
  return kept;
}

// Work length of a merge: the longest possible merged row.
int MergeWorkLength(const int* Acount, int** Acol, const int* Bcount, int** Bcol, int n) {
  int maxsum = 0, maxcol = 0;
  for (int i = 1; i <= n; i++) {
    if (Acount[i] < 0 || Bcount[i] < 0) InternalError(__FILE__, __LINE__);
    if (Acount[i] + Bcount[i] > maxsum) maxsum = Acount[i] + Bcount[i];
    if (Acount[i] > 0 && Acol[i][Acount[i]] > maxcol) maxcol = Acol[i][Acount[i]];
    if (Bcount[i] > 0 && Bcol[i][Bcount[i]] > maxcol) maxcol = Bcol[i][Bcount[i]];
  }
  return maxsum < maxcol ? maxsum : maxcol;
}

void StoreMerged(int* Ccount, int** Ccol, double** Cval, int i, const int* wc,
                 const double* wv, int kept) {
  ResizeRow(Ccount, Ccol, Cval, i, kept);
  for (int k = 1; k <= kept; k++) {
    Ccol[i][k] = wc[k];
    Cval[i][k] = wv[k];
  }
  Ccount[i] = kept;
}

// C = aA + bB for a and b not both zero: a scaled copy of one matrix where the other's
// factor is zero, else the merged rows. diagonalFirst: every row of A and B starts with
// its diagonal term, which C keeps even where it sums to zero.
void CombineRows(int* Ccount, int** Ccol, double** Cval, const int* Acount, int** Acol, double** Aval,
                 const int* Bcount, int** Bcol, double** Bval, int n, double a, double b, bool diagonalFirst) {
  if (a == 0.0 || b == 0.0) {
    for (int i = 1; i <= n; i++) {
      if (b == 0.0)
        CopyScaledRow(Ccount, Ccol, Cval, Acount, Acol, Aval, i, a);
      else
        CopyScaledRow(Ccount, Ccol, Cval, Bcount, Bcol, Bval, i, b);
    }
    return;
  }
  int len = MergeWorkLength(Acount, Acol, Bcount, Bcol, n);
  int* wc;
  double* wv;
  alloci1(&wc, len);
  allocd1(&wv, len);
  for (int i = 1; i <= n; i++) {
    int kept;
    if (diagonalFirst) {
      CheckSymmetricRow(Acount, Acol, i);
      CheckSymmetricRow(Bcount, Bcol, i);
      wc[1] = i;
      wv[1] = a * Aval[i][1] + b * Bval[i][1];
      kept = MergeRows(wc, wv, 1, Acount, Acol, Aval, Bcount, Bcol, Bval, i, 2, a, b);
    } else {
      kept = MergeRows(wc, wv, 0, Acount, Acol, Aval, Bcount, Bcol, Bval, i, 1, a, b);
    }
    StoreMerged(Ccount, Ccol, Cval, i, wc, wv, kept);
  }
  freed1(wv);
  freei1(wc);
}

}  // namespace

void N6_NZmat_alloc_empty(int** count, int*** col, double*** val, int n) {
  alloci1(count, n);
  allocpi1(col, n);
  allocpd1(val, n);
  for (int i = 1; i <= n; i++) {
    (*count)[i] = 0;
    alloci1(&(*col)[i], 1);
    allocd1(&(*val)[i], 1);
  }
}

void N6_NZmat_alloc_diagonal(int** count, int*** col, double*** val, int n) {
  N6_NZmat_alloc_empty(count, col, val, n);
  for (int i = 1; i <= n; i++) {
    (*count)[i] = 1;
    (*col)[i][1] = i;
    (*val)[i][1] = 0.0;
  }
}

void N6_NZmat_free(int* count, int** col, double** val, int n) {
  for (int i = 1; i <= n; i++) {
    freei1(col[i]);
    freed1(val[i]);
  }
  freepi1(col);
  freepd1(val);
  freei1(count);
}

// Each off-diagonal term (i, j) of the upper form acts twice: as (i, j) and as (j, i).
void N6_NZSymmat_y_equals_A_x(double* y, const int* count, int** col, double** val,
                              const double* x, int n) {
  zerod1(y, n);
  for (int i = 1; i <= n; i++) {
    if (count[i] < 1) InternalError(__FILE__, __LINE__);
    double xi = x[i];
    double s = val[i][1] * xi;
    for (int k = 2; k <= count[i]; k++) {
      int j = col[i][k];
      s += val[i][k] * x[j];
      y[j] += val[i][k] * xi;
    }
    y[i] += s;
  }
}

void N6_NZmat_C_equals_aA_plus_bB(int* Ccount, int** Ccol, double** Cval,
                                  const int* Acount, int** Acol, double** Aval,
                                  const int* Bcount, int** Bcol, double** Bval,
                                  int n, double a, double b) {
  if (a == 0.0 && b == 0.0) {
    for (int i = 1; i <= n; i++) ResizeRow(Ccount, Ccol, Cval, i, 0);
    return;
  }
  CombineRows(Ccount, Ccol, Cval, Acount, Acol, Aval, Bcount, Bcol, Bval, n, a, b, false);
}

void N6_NZmat_C_equals_aA_plus_bB_2(int* Ccount, int** Ccol, double** Cval,
                                    const int* Acount, int** Acol, double** Aval,
                                    const int* Bcount, int** Bcol, double** Bval,
                                    int n, double a, double b) {
  if (a == 0.0 && b == 0.0) {
    for (int i = 1; i <= n; i++) {
      ResizeRow(Ccount, Ccol, Cval, i, 1);
      Ccol[i][1] = i;
      Cval[i][1] = 0.0;
      Ccount[i] = 1;
    }
    return;
  }
  CombineRows(Ccount, Ccol, Cval, Acount, Acol, Aval, Bcount, Bcol, Bval, n, a, b, true);
}

// last[i] is the running maximum of the rows' last columns, so every row's profile
// reaches at least as far as the row before (which the elimination relies on).
void N6_NZmat_to_profile(int* last, double** P, const int* count, int** col, double** val,
                         int n) {
  int running = 0;
  for (int i = 1; i <= n; i++) {
    CheckSymmetricRow(count, col, i);
    if (col[i][count[i]] > n) InternalError(__FILE__, __LINE__);
    if (col[i][count[i]] > running) running = col[i][count[i]];
    last[i] = running;
    freed1(ProfileRowBlock(P[i], i));
    double* block;
    allocd1(&block, last[i] - i + 1);
    P[i] = ProfileRowHandle(block, i);
    for (int j = i; j <= last[i]; j++) P[i][j] = 0.0;
    for (int k = 1; k <= count[i]; k++) P[i][col[i][k]] = val[i][k];
  }
}
