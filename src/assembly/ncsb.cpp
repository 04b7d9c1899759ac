// Profile (NCSB) copy of KFF, its in-place Gaussian elimination and the solve.
#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "assembly/solvers.h"
#include "numcore/numcore.h"
#include "model/fileio.h"
#include "model/outputcontrol.h"

void Calc_NCSB_KFF(int nF, int64_t* nTerms, const char* OutputControl, int* last,
                   SparseRowMatrix* KFF, double*** A) {
  if (KFF->n != nF) InternalError(__FILE__, __LINE__);
  const int* count = KFF->count;
  int** cols = KFF->cols;
  double** vals = KFF->vals;

  zeroi1(last, nF);
  for (int i = 1; i <= nF; i++) {
    if (count[i] < 0) InternalError(__FILE__, __LINE__);
    if (count[i] == 0) continue;
    if (cols[i][1] != i) errexit("Null value in the main diagonal of the global stiffness matrix.", 0);
    const double d = vals[i][1];
    if (d < 0.0) warnmsg("Negative value in the main diagonal of the global stiffness matrix.", 0);
    if (d < 1e-8) warnmsg("Value in the main diagonal of the global stiffness matrix is too small.", 0);
    last[i] = cols[i][count[i]];
  }

  // Non-decreasing envelope: row j > i must hold every column that row i reaches, so
  // that the elimination of row i finds its target columns in row j.
  if (nF >= 1 && last[1] < 1) last[1] = 1;
  for (int i = 2; i <= nF; i++) {
    int l = last[i];
    if (last[i - 1] > l) l = last[i - 1];
    if (i > l) l = i;
    last[i] = l;
  }
  int64_t terms = 0;
  for (int i = 1; i <= nF; i++) {
    if (last[i] > nF) InternalError(__FILE__, __LINE__);
    terms += last[i] - i + 1;
  }
  *nTerms = terms;

  if (OutputControl[OC_PRINT_GAUSS_ELIM_INFO] == 'Y') {
    std::printf("\nN. of rows in the nonconstant width semi-banded matrix (KFF) = %d\n", nF);
    std::printf("\nN. of terms in the nonconstant width semi-banded matrix (KFF) = %" PRId64 "\n",
                terms);
  }

  allocprofd2(A, nF, last);
  zeroprofd2(*A, nF, last);
  for (int i = 1; i <= nF; i++) {
    double* row = (*A)[i];
    for (int t = 1; t <= count[i]; t++) {
      const int c = cols[i][t];
      if (c < i || c > last[i]) InternalError(__FILE__, __LINE__);
      row[c] = vals[i][t];
    }
  }
  FreeSparseMatrixRows(nF, KFF->count, KFF->cols, KFF->vals);
}

// Row update r[k] -= m s[k] over the contiguous columns k = first..lastCol. Loads of a
// group of four precede its stores so that the compiler packs the group into vector
// operations even at its cheapest vectorisation setting.
static inline void RowUpdate(double* r, const double* s, double m, int first, int lastCol) {
  int k = first;
  for (; k + 3 <= lastCol; k += 4) {
    const double s0 = s[k], s1 = s[k + 1], s2 = s[k + 2], s3 = s[k + 3];
    const double r0 = r[k], r1 = r[k + 1], r2 = r[k + 2], r3 = r[k + 3];
    r[k] = r0 - m * s0;
    r[k + 1] = r1 - m * s1;
    r[k + 2] = r2 - m * s2;
    r[k + 3] = r3 - m * s3;
  }
  for (; k <= lastCol; k++) r[k] -= m * s[k];
}

void GaussElimNCSB(double** A, int nF, const int* last, char echo) {
  const bool show = echo == 'Y';
  const int step = nF / 30 + 1;
  if (show) std::printf("|------------------------------|\n|");
  for (int i = 1; i <= nF; i++) {
    if (show && nF > 900 && (i - 1) % step == 0) {
      std::printf("*");
      std::fflush(stdout);
    }
    const double* ri = A[i];
    const double p = ri[i];
    if (!std::isfinite(p))
      errexit("Gaussian elimination failed - pivot (p) is not a finite number.", 0);
    if (std::fabs(p) < 1e-8)
      errexit("Gaussian elimination failed - pivot (p) is too small.\nabs(p) < 1.0e-8", 0);
    const int li = last[i];
    for (int j = i + 1; j <= li; j++) {
      const double aij = ri[j];
      if (aij == 0.0) continue;
      RowUpdate(A[j], ri, aij / p, j, li);
    }
  }
  if (show) {
    if (nF > 900)
      std::printf("|\n");
    else
      std::printf("******************************|\n");
  }
}

void FactorNCSB(int nF, double* seconds, const char* OutputControl, const int* last,
                double** A) {
  double wall0, cpu0, wall1, cpu1;
  gettimes(&wall0, &cpu0);
  const char echo = OutputControl[OC_PRINT_GAUSS_ELIM_INFO];
  if (echo == 'Y') std::printf("\nGaussian elimination:\n");
  GaussElimNCSB(A, nF, last, echo);
  gettimes(&wall1, &cpu1);
  *seconds = wall1 - wall0;
}

void SolveNCSB(int nF, double* seconds, const int* last, double* rhs, double** A) {
  double wall0, cpu0, wall1, cpu1;
  gettimes(&wall0, &cpu0);
  solveprofd2(A, rhs, nF, last);
  gettimes(&wall1, &cpu1);
  *seconds = wall1 - wall0;
}
