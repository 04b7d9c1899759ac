// Slave dofs of internal point links in the modal problem: their stiffness diagonals, and
// the permutation that moves them behind the dofs of the reduced problem.
#include <algorithm>
#include <vector>

#include "loads/loads.h"
#include "modal/vibration_modes.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

void SetSlaveDiagonals(const MeshData* mesh, int** PointDofNumbers, SparseRowMatrix* K, char** PointDofCodes,
                       double value) {
  for (int k = 1; k <= mesh->nPointLinks; k++) {
    const InternalPointLink& link = mesh->PointLinks[k];
    for (int d = 1; d <= 6; d++) {
      if (link.Linked[d] != 1) continue;
      if (PointDofCodes[link.Slave][d] != 'F') InternalError(__FILE__, __LINE__);
      const int i = PointDofNumbers[link.Slave][d];
      if (K->count[i] < 1 || K->cols[i][1] != i) InternalError(__FILE__, __LINE__);
      K->vals[i][1] = value;
    }
  }
}

// Rebuilds the rows of A under the permutation: term (i, j) goes to (perm[i], perm[j]),
// kept in the row of the smaller of the two; each new row sorted by column.
void PermuteRows(SparseRowMatrix* A, const int* perm) {
  const int n = A->n;
  int* count;
  alloci1(&count, n);
  zeroi1(count, n);
  for (int i = 1; i <= n; i++)
    for (int t = 1; t <= A->count[i]; t++) count[std::min(perm[i], perm[A->cols[i][t]])]++;
  int** cols;
  double** vals;
  allocpi1(&cols, n);
  allocpd1(&vals, n);
  for (int r = 1; r <= n; r++) {
    alloci1(&cols[r], count[r]);
    allocd1(&vals[r], count[r]);
    count[r] = 0;
  }
  for (int i = 1; i <= n; i++)
    for (int t = 1; t <= A->count[i]; t++) {
      const int a = perm[i], b = perm[A->cols[i][t]];
      const int r = std::min(a, b);
      count[r]++;
      cols[r][count[r]] = std::max(a, b);
      vals[r][count[r]] = A->vals[i][t];
    }
  std::vector<int> order;
  std::vector<int> c;
  std::vector<double> v;
  for (int r = 1; r <= n; r++) {
    const int m = count[r];
    order.resize(m);
    for (int k = 0; k < m; k++) order[k] = k + 1;
    std::sort(order.begin(), order.end(), [&](int x, int y) { return cols[r][x] < cols[r][y]; });
    c.resize(m);
    v.resize(m);
    for (int k = 0; k < m; k++) {
      c[k] = cols[r][order[k]];
      v[k] = vals[r][order[k]];
    }
    for (int k = 0; k < m; k++) {
      if (k > 0 && c[k] == c[k - 1]) InternalError(__FILE__, __LINE__);
      cols[r][k + 1] = c[k];
      vals[r][k + 1] = v[k];
    }
  }
  FreeSparseRowMatrix(A);
  A->count = count;
  A->cols = cols;
  A->vals = vals;
}

}  // namespace

void RemoveStiffSlaveDof(const MeshData* mesh, int** PointDofNumbers, SparseRowMatrix* K, char** PointDofCodes) {
  SetSlaveDiagonals(mesh, PointDofNumbers, K, PointDofCodes, 0.0);
}

void RestoreStiffSlaveDof(const MeshData* mesh, int** PointDofNumbers, SparseRowMatrix* K, char** PointDofCodes) {
  SetSlaveDiagonals(mesh, PointDofNumbers, K, PointDofCodes, 1e6);
}

void RemoveSlaveDof(int nF, int* nS, const MeshData* mesh, SparseRowMatrix* K, SparseRowMatrix* M, int** perm,
                    int** PointDofNumbers, int** invperm, char** PointDofCodes) {
  alloci1(perm, nF);
  alloci1(invperm, nF);
  for (int i = 1; i <= nF; i++) (*perm)[i] = (*invperm)[i] = i;
  *nS = 0;
  if (mesh->nPointLinks == 0) return;

  // The slave equations are those that take another equation's value from their master
  // (the stiffness assembly has already refused links of dofs that are not free).
  double* eq;
  allocd1(&eq, nF);
  for (int i = 1; i <= nF; i++) eq[i] = i;
  Calc_a_FreeMasterSlave(mesh, PointDofNumbers, eq, PointDofCodes);
  std::vector<int> slaves;
  for (int i = 1; i <= nF; i++)
    if (eq[i] != i) slaves.push_back(i);
  freed1(eq);
  *nS = static_cast<int>(slaves.size());
  if (*nS == 0) return;

  // The k-th slave (ascending) goes to nF - k + 1; every other dof moves up by the
  // number of slaves before it.
  int below = 0;
  size_t next = 0;
  for (int i = 1; i <= nF; i++) {
    if (next < slaves.size() && slaves[next] == i) {
      next++;
      (*perm)[i] = nF - static_cast<int>(next) + 1;
      below++;
    } else {
      (*perm)[i] = i - below;
    }
  }
  for (int i = 1; i <= nF; i++) (*invperm)[(*perm)[i]] = i;
  ReorderSparseMatPair(nF, 1, K, M, *perm);
}

void ReorderVector(int n, int nS, const int* perm, double* v) {
  if (nS == 0) return;
  double* t;
  allocd1(&t, n);
  for (int i = 1; i <= n; i++) t[perm[i]] = v[i];
  copyd1(v, t, n);
  freed1(t);
}

void ReorderSparseMatPair(int n, int flag, SparseRowMatrix* K, SparseRowMatrix* M, const int* perm) {
  if (flag == 0) return;
  if (K->n != n || M->n != n) InternalError(__FILE__, __LINE__);
  PermuteRows(K, perm);
  PermuteRows(M, perm);
}
