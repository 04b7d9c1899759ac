// Profile (NCSB) copy of KFF, its in-place Gaussian elimination and the solve, on the
// profile factor-and-solve of numcore (profile.h).
//
// The free equations are renumbered inside the profile store by a profile-reducing order
// (reverse Cuthill-McKee), taken only when its profile is at least a quarter smaller than
// that of the data file's order. The store carries that order in its record; everything
// outside the store keeps the data file's numbering.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <vector>

#include "assembly/solvers.h"
#include "numcore/numcore.h"
#include "numcore/profile.h"
#include "model/fileio.h"
#include "model/outputcontrol.h"

void CopyKFFToNCSB(int nF, int64_t* nTerms, const char* OutputControl, int* last,
                   SparseRowMatrix* KFF, double*** A, const int* eqOfRow, const int* spareLast) {
  if (KFF->n != nF) InternalError(__FILE__, __LINE__);
  const int* count = KFF->count;
  int** cols = KFF->cols;
  for (int i = 1; i <= nF; i++) {
    if (count[i] < 0) InternalError(__FILE__, __LINE__);
    if (count[i] == 0) continue;
    if (cols[i][1] != i) errexit("Null value in the main diagonal of the global stiffness matrix.", 0);
  }
  std::vector<double> scale(static_cast<size_t>(nF) + 1);
  CouplingDiagonalScales(KFF, scale.data());
  for (int i = 1; i <= nF; i++)
    if (count[i] > 0) WarnOfDiagonal(KFF->vals[i][1], scale[i]);
  const int64_t terms = OrderedProfileEnds(nF, count, cols, eqOfRow, last);
  *nTerms = terms;
  if (OutputControl[OC_PRINT_GAUSS_ELIM_INFO] == 'Y') {
    std::printf("\nN. of rows in the nonconstant width semi-banded matrix (KFF) = %d\n", nF);
    std::printf("\nN. of terms in the nonconstant width semi-banded matrix (KFF) = %" PRId64 "\n",
                terms);
  }
  if (spareLast != nullptr)
    RenewOrderedProfile(A, spareLast, nF, last, eqOfRow);
  else
    AllocOrderedProfile(A, nF, last, eqOfRow);
  CopyRowsToOrderedProfile(*A, nF, count, cols, KFF->vals);
  FreeSparseMatrixRows(nF, KFF->count, KFF->cols, KFF->vals);
}

namespace {

// The order of the last sparsity pattern copied: a nonlinear, dynamic or thermal transient
// run factorises matrices of one pattern again and again, and the order depends on the
// pattern alone (so that a restarted run takes the order of the uninterrupted one).
struct OrderMemo {
  int n = -1;
  std::vector<int> count;   // terms of each row in the graph [1..n]
  std::vector<int> cols;    // their columns, row after row, behind one unused entry
  std::vector<int> order;
};

OrderMemo& Memo() {
  static OrderMemo memo;
  return memo;
}

// The pattern of KFF (its upper terms) into (count, cols); true when it equals the one
// before.
bool CouplingGraph(const SparseRowMatrix* K, std::vector<int>& count, std::vector<int>& cols,
                   const OrderMemo& before) {
  const int n = K->n;
  count.assign(static_cast<size_t>(n) + 1, 0);
  cols.assign(1, 0);
  cols.reserve(before.cols.size());
  bool same = before.n == n;
  for (int i = 1; i <= n; i++) {
    for (int t = 1; t <= K->count[i]; t++) {
      const int c = K->cols[i][t];
      if (c < i || c > n) continue;  // refused by the copy
      if (same && (cols.size() >= before.cols.size() || before.cols[cols.size()] != c)) same = false;
      cols.push_back(c);
      count[i]++;
    }
    if (same && count[i] != before.count[i]) same = false;
  }
  return same && cols.size() == before.cols.size();
}

}  // namespace

void Calc_NCSB_KFF(int nF, int64_t* nTerms, const char* OutputControl, int* last,
                   SparseRowMatrix* KFF, double*** A, const int* spareLast) {
  if (KFF->n != nF) InternalError(__FILE__, __LINE__);
  OrderMemo& m = Memo();
  std::vector<int> count, cols;
  if (!CouplingGraph(KFF, count, cols, m)) {
    m.n = nF;
    m.count.swap(count);
    m.cols.swap(cols);
    std::vector<int*> rows(static_cast<size_t>(nF) + 1, nullptr);
    for (int i = 1, p = 0; i <= nF; p += m.count[i], i++) rows[i] = m.cols.data() + p;  // 1-based rows
    m.order.assign(static_cast<size_t>(nF) + 1, 0);
    double wall0, cpu0, wall1, cpu1;
    gettimes(&wall0, &cpu0);
    ChooseProfileOrder(nF, m.count.data(), rows.data(), m.order.data());
    gettimes(&wall1, &cpu1);
    if (OutputControl[OC_PRINT_GAUSS_ELIM_INFO] == 'Y') std::printf("\nProfile-reducing order: %.6f s\n", wall1 - wall0);
  }
  CopyKFFToNCSB(nF, nTerms, OutputControl, last, KFF, A, m.order.data(), spareLast);
}

namespace {

[[noreturn]] void PivotFailure(const char* why, int equation) {
  char msg[256];
  std::snprintf(msg, sizeof msg, "Gaussian elimination failed - pivot (p) is %s\nEquation n. %d", why,
                equation);
  errexit(msg, 0);
}

void Eliminate(double** A, int nF, const int* last, char echo, const int* eqOfRow, int level, bool* available) {
  ProfileFactorResult r;
  *available = FactorProfile(A, nF, last, kPivotStiffness, echo, level, 0, &r);
  if (!*available || r.failure == kPivotOk) return;
  const int eq = eqOfRow != nullptr ? eqOfRow[r.row] : ProfileEquationOfRow(A, nF, r.row);
  switch (r.failure) {
    case kPivotNotFinite:
      PivotFailure("not a finite number.", eq);
    case kPivotBelowDiagonal:
      PivotFailure("too small.\nabs(p) <= 1.0e-13 times its diagonal term before elimination (singular matrix)", eq);
    default:
      InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

void GaussElimNCSB(double** A, int nF, const int* last, char echo, const int* eqOfRow) {
  bool available;
  Eliminate(A, nF, last, echo, eqOfRow, 0, &available);
}

bool GaussElimNCSBAtLevel(double** A, int nF, const int* last, int level) {
  bool available;
  Eliminate(A, nF, last, 'N', nullptr, level, &available);
  return available;
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
  SolveNCSBMany(nF, seconds, last, &rhs, 1, A);
}

void SolveNCSBMany(int nF, double* seconds, const int* last, double* const* rhs, int m, double** A) {
  double wall0, cpu0, wall1, cpu1;
  gettimes(&wall0, &cpu0);
  SolveProfileMany(A, nF, last, rhs, m, 0);
  gettimes(&wall1, &cpu1);
  *seconds = wall1 - wall0;
}
