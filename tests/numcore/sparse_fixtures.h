// Test-side builders of row-list matrices (symmetric upper form) and a few physical
// models with closed-form spectra.
#pragma once

#include <cmath>

#include "numcore/numcore.h"
#include "numcore/sparse.h"

struct RowList {
  int* count;
  int** col;
  double** val;
  int n;
};

// Rows of the upper triangle of the dense symmetric A: the diagonal always, the other
// terms when non-zero.
inline RowList UpperFromDense(double** A, int n) {
  RowList R;
  R.n = n;
  N6_NZmat_alloc_empty(&R.count, &R.col, &R.val, n);
  for (int i = 1; i <= n; i++) {
    int c = 1;
    for (int j = i + 1; j <= n; j++)
      if (A[i][j] != 0.0) c++;
    freei1(R.col[i]);
    freed1(R.val[i]);
    alloci1(&R.col[i], c);
    allocd1(&R.val[i], c);
    R.count[i] = c;
    R.col[i][1] = i;
    R.val[i][1] = A[i][i];
    int k = 1;
    for (int j = i + 1; j <= n; j++)
      if (A[i][j] != 0.0) {
        k++;
        R.col[i][k] = j;
        R.val[i][k] = A[i][j];
      }
  }
  return R;
}

// General rows: every non-zero term of A.
inline RowList GeneralFromDense(double** A, int n) {
  RowList R;
  R.n = n;
  N6_NZmat_alloc_empty(&R.count, &R.col, &R.val, n);
  for (int i = 1; i <= n; i++) {
    int c = 0;
    for (int j = 1; j <= n; j++)
      if (A[i][j] != 0.0) c++;
    freei1(R.col[i]);
    freed1(R.val[i]);
    alloci1(&R.col[i], c);
    allocd1(&R.val[i], c);
    R.count[i] = c;
    int k = 0;
    for (int j = 1; j <= n; j++)
      if (A[i][j] != 0.0) {
        k++;
        R.col[i][k] = j;
        R.val[i][k] = A[i][j];
      }
  }
  return R;
}

inline void FreeRowList(RowList* R) { N6_NZmat_free(R->count, R->col, R->val, R->n); }

// Dense n x n from row lists; symmetric adds the mirrored terms.
inline void DenseFromRows(double** A, const RowList& R, bool symmetric) {
  zerod2(A, R.n, R.n);
  for (int i = 1; i <= R.n; i++)
    for (int k = 1; k <= R.count[i]; k++) {
      A[i][R.col[i][k]] = R.val[i][k];
      if (symmetric) A[R.col[i][k]][i] = R.val[i][k];
    }
}

// Fixed-free bar of ne two-node truss elements (length L, area A): dofs 1..ne are the
// axial displacements of nodes 1..ne, node 0 is fixed. Dense stiffness and consistent
// mass.
inline void BarMatricesDense(double** K, double** M, int ne, double E, double rho, double A,
                             double L) {
  double h = L / ne;
  double k = E * A / h;
  double m = rho * A * h / 6.0;
  zerod2(K, ne, ne);
  zerod2(M, ne, ne);
  for (int e = 1; e <= ne; e++) {
    int a = e - 1, b = e;  // element nodes; node 0 carries no dof
    if (a >= 1) {
      K[a][a] += k;
      M[a][a] += 2 * m;
      K[a][b] -= k;
      K[b][a] -= k;
      M[a][b] += m;
      M[b][a] += m;
    }
    K[b][b] += k;
    M[b][b] += 2 * m;
  }
}

// Eigenvalue j of that bar model in closed form: its modes are sin(i theta) with
// theta = (2j-1) pi / (2 ne), and lambda = 6 E/(rho h^2) (1 - cos theta)/(2 + cos theta).
inline double BarEigenvalue(int j, int ne, double E, double rho, double L) {
  double h = L / ne;
  double th = (2.0 * j - 1.0) * M_PI / (2.0 * ne);
  return 6.0 * E / (rho * h * h) * (1.0 - std::cos(th)) / (2.0 + std::cos(th));
}

// 5-point Laplacian of an N x N grid with fixed edges (a stretched membrane, unit
// tension and spacing); eigenvalues 4 - 2cos(a pi/(N+1)) - 2cos(b pi/(N+1)).
inline void GridLaplacianDense(double** K, int N) {
  int n = N * N;
  zerod2(K, n, n);
  for (int a = 1; a <= N; a++)
    for (int b = 1; b <= N; b++) {
      int i = (a - 1) * N + b;
      K[i][i] = 4.0;
      if (b < N) K[i][i + 1] = K[i + 1][i] = -1.0;
      if (a < N) K[i][i + N] = K[i + N][i] = -1.0;
    }
}
