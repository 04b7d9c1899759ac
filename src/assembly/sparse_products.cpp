// Products, combinations and release of sparse row-list matrices.
#include <cmath>

#include "assembly/sparse_rows.h"
#include "numcore/numcore.h"

namespace {
// A sum of two terms at most this share of their magnitudes is the rounding residue of a
// cancellation.
constexpr double kResidueShare = 1e-14;
}  // namespace

void FreeSparseMatrixRows(int n, int* count, int** cols, double** vals) {
  for (int i = 1; i <= n; i++) {
    if (cols[i] != nullptr) freei1(cols[i]);
    if (vals[i] != nullptr) freed1(vals[i]);
    cols[i] = nullptr;
    vals[i] = nullptr;
    count[i] = 0;
  }
}

void AllocSparseRowMatrix(int n, SparseRowMatrix* A) {
  A->n = n;
  alloci1(&A->count, n);
  zeroi1(A->count, n);
  allocpi1(&A->cols, n);
  allocpd1(&A->vals, n);
  for (int i = 1; i <= n; i++) {
    A->cols[i] = nullptr;
    A->vals[i] = nullptr;
  }
}

void FreeSparseRowMatrix(SparseRowMatrix* A) {
  if (A->count == nullptr) return;  // never allocated, or released already
  FreeSparseMatrixRows(A->n, A->count, A->cols, A->vals);
  freepd1(A->vals);
  freepi1(A->cols);
  freei1(A->count);
  A->vals = nullptr;
  A->cols = nullptr;
  A->count = nullptr;
}

void SubtractSparseMatTransVecProduct(int nF, int nRows, const int* count, int** cols,
                                      const double* x, double* y, double** vals) {
  (void)nF;
  for (int i = 1; i <= nRows; i++) {
    const int* c = cols[i];
    const double* a = vals[i];
    const double xi = x[i];
    for (int t = 1; t <= count[i]; t++) y[c[t]] -= a[t] * xi;
  }
}

void CalcResidKaMinusF(int nP, const int* countKPF, const int* countKPP, int** colsKPF,
                       int** colsKPP, const double* aF, const double* aP, const double* FP,
                       double** valsKPF, double** valsKPP, double* RP) {
  for (int i = 1; i <= nP; i++) RP[i] = -FP[i];
  for (int i = 1; i <= nP; i++) {
    const int* c = colsKPF[i];
    const double* a = valsKPF[i];
    double s = 0.0;
    for (int t = 1; t <= countKPF[i]; t++) s += a[t] * aF[c[t]];
    RP[i] += s;
  }
  for (int i = 1; i <= nP; i++) {
    const int* c = colsKPP[i];
    const double* a = valsKPP[i];
    for (int t = 1; t <= countKPP[i]; t++) {
      RP[i] += a[t] * aP[c[t]];
      if (c[t] != i) RP[c[t]] += a[t] * aP[i];
    }
  }
}

void AddScaledSparseMatTransVecProduct(int n, double alpha, const int* count, int** cols,
                                       double** vals, const double* x, double* y) {
  if (alpha == 0.0) return;
  for (int i = 1; i <= n; i++) {
    const int* c = cols[i];
    const double* a = vals[i];
    const double xi = x[i];
    for (int t = 1; t <= count[i]; t++) y[c[t]] += alpha * a[t] * xi;
  }
}

void AddScaledSparseMatVecProduct(int n, double alpha, const int* count, int** cols,
                                  double** vals, const double* x, double* y) {
  if (alpha == 0.0) return;
  double* w;
  allocd1(&w, n);
  for (int i = 1; i <= n; i++) {
    const int* c = cols[i];
    const double* a = vals[i];
    double s = 0.0;
    for (int t = 1; t <= count[i]; t++) s += a[t] * x[c[t]];
    w[i] = s;
  }
  AddScaledVector(n, alpha, w, y);
  freed1(w);
}

// One pass over the upper triangle: the diagonal (first term of a row when present) once,
// every other term for its row and, mirrored, for its column.
void SymSparseMatVec(int n, const int* count, int** cols, double** vals, const double* x,
                     double* w) {
  for (int i = 1; i <= n; i++) w[i] = 0.0;
  for (int i = 1; i <= n; i++) {
    const int m = count[i];
    if (m == 0) continue;
    const int* c = cols[i];
    const double* a = vals[i];
    const double xi = x[i];
    double s = w[i];
    int t = 1;
    if (c[1] == i) {
      s += a[1] * xi;
      t = 2;
    }
    for (; t <= m; t++) {
      const int ct = c[t];
      s += a[t] * x[ct];
      w[ct] += a[t] * xi;
    }
    w[i] = s;
  }
}

void AddScaledSymSparseMatVecProduct(int n, double alpha, const int* count, int** cols,
                                     double** vals, const double* x, double* y) {
  if (alpha == 0.0) return;
  double* w;
  allocd1(&w, n);
  SymSparseMatVec(n, count, cols, vals, x, w);
  AddScaledVector(n, alpha, w, y);
  freed1(w);
}

void AddScaledVector(int n, double alpha, const double* x, double* y) {
  if (alpha == 0.0) return;
  if (alpha == 1.0) {
    for (int i = 1; i <= n; i++) y[i] += x[i];
  } else if (alpha == -1.0) {
    for (int i = 1; i <= n; i++) y[i] -= x[i];
  } else {
    for (int i = 1; i <= n; i++) y[i] += alpha * x[i];
  }
}

// Merging the two ascending column lists gives the same terms, in the same ascending
// order and with the same values, as scattering both rows into a dense work row, at a
// cost proportional to the stored terms instead of the number of columns. A term that is
// not a finite number would be dropped by the magnitude test and silently lost: it stops
// the run instead.
void CalcEffectiveMatrixSparse(int nCols, int nRows, double a, double b, const int* countA,
                               const int* countB, int* countE, int** colsA, int** colsB,
                               int** colsE, double** valsA, double** valsB, double** valsE) {
  int maxLen = 0;
  for (int i = 1; i <= nRows; i++)
    if (countA[i] + countB[i] > maxLen) maxLen = countA[i] + countB[i];
  int* cW;
  double* vW;
  alloci1(&cW, maxLen);
  allocd1(&vW, maxLen);
  for (int i = 1; i <= nRows; i++) {
    const int nA = countA[i], nB = countB[i];
    const int* cA = colsA[i];
    const int* cB = colsB[i];
    const double* vA = valsA[i];
    const double* vB = valsB[i];
    int n = 0, p = 1, q = 1;
    while (p <= nA || q <= nB) {
      int c;
      double v, parts;
      if (q > nB || (p <= nA && cA[p] < cB[q])) {
        c = cA[p];
        v = a * vA[p++];
        parts = std::fabs(v);
      } else if (p > nA || cB[q] < cA[p]) {
        c = cB[q];
        v = b * vB[q++];
        parts = std::fabs(v);
      } else {
        c = cA[p];
        const double x = a * vA[p++], y = b * vB[q++];
        v = x + y;
        parts = std::fabs(x) + std::fabs(y);
      }
      if (c < 1 || c > nCols) InternalError(__FILE__, __LINE__);
      if (!std::isfinite(v)) errexit("Effective matrix: a term is not a finite number.", 0);
      if (std::fabs(v) > kResidueShare * parts) {
        n++;
        cW[n] = c;
        vW[n] = v;
      }
    }
    alloci1(&colsE[i], n);
    allocd1(&valsE[i], n);
    for (int t = 1; t <= n; t++) {
      colsE[i][t] = cW[t];
      valsE[i][t] = vW[t];
    }
    countE[i] = n;
  }
  freed1(vW);
  freei1(cW);
}

void CouplingDiagonalScales(const SparseRowMatrix* K, double* s) {
  const int n = K->n;
  for (int i = 1; i <= n; i++) s[i] = 0.0;
  for (int i = 1; i <= n; i++) {
    const double dii = std::fabs(K->count[i] > 0 && K->cols[i][1] == i ? K->vals[i][1] : 0.0);
    for (int t = 1; t <= K->count[i]; t++) {
      const int j = K->cols[i][t];
      if (j == i) continue;
      const double djj = std::fabs(K->count[j] > 0 && K->cols[j][1] == j ? K->vals[j][1] : 0.0);
      const double v2 = K->vals[i][t] * K->vals[i][t];
      if (djj > 0.0) s[i] = std::fmax(s[i], v2 / djj);
      if (dii > 0.0) s[j] = std::fmax(s[j], v2 / dii);
    }
  }
}

void WarnOfDiagonal(double d, double s) {
  if (d < 0.0) warnmsg("Negative value in the main diagonal of the global stiffness matrix.", 0);
  if (d < 1e-8 * s || d < 0.0)
    warnmsg("Value in the main diagonal of the global stiffness matrix is too small.", 0);
}

void SymSparseMatAbsRowSums(int n, const int* count, int** cols, double** vals, const double* M, double* s) {
  for (int i = 1; i <= n; i++) s[i] = 0.0;
  for (int i = 1; i <= n; i++) {
    const int* c = cols[i];
    const double* a = vals[i];
    for (int t = 1; t <= count[i]; t++) {
      const double v = std::fabs(a[t]) * M[i] * M[c[t]];
      s[i] += v;
      if (c[t] != i) s[c[t]] += v;
    }
  }
}
