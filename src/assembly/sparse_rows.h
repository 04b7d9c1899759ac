// Sparse row-list matrices (KFF, KPF, KPP) and the products built on them.
//
// A row-list matrix has n rows; per row i: count[i] stored terms, the 1-based column list
// cols[i][1..count[i]] in strictly ascending order and the values vals[i][1..count[i]].
// KFF and KPP keep the upper triangle (columns >= row), so a non-empty row starts with its
// diagonal; KPF keeps every free column of its prescribed rows. A row never touched has
// count 0 and null lists.
#pragma once

struct SparseRowMatrix {
  int n;         // number of rows
  int* count;    // [n] stored terms per row
  int** cols;    // [n] column lists
  double** vals; // [n] value lists
};

// The three parts of a global matrix (K, M, C or a conductivity): free-free,
// prescribed-free and prescribed-prescribed.
struct GlobalMatParts {
  SparseRowMatrix FF, PF, PP;
};

// Releases the column and value lists of every row (nulling them) and zeroes the counts;
// the count vector and the two row vectors stay.
void FreeSparseMatrixRows(int n, int* count, int** cols, double** vals);

// A matrix of n empty rows: zero counts and null lists.
void AllocSparseRowMatrix(int n, SparseRowMatrix* A);

// Releases the lists of every row and the three row vectors, nulling the vectors; a
// matrix without a count vector (never allocated, or released) is left as it is.
void FreeSparseRowMatrix(SparseRowMatrix* A);

// y[c] -= a x[i] for every stored term a at (i, c) of the nRows rows: y -= A^T x.
void SubtractSparseMatTransVecProduct(int nF, int nRows, const int* count, int** cols,
                                      const double* x, double* y, double** vals);

// Reactions at the prescribed dofs: R_P = KPF a_F + KPP a_P - F_P, KPP symmetric (upper).
void CalcResidKaMinusF(int nP, const int* countKPF, const int* countKPP, int** colsKPF,
                       int** colsKPP, const double* aF, const double* aP, const double* FP,
                       double** valsKPF, double** valsKPP, double* RP);

// y[c] += alpha a x[i] for every stored term: y += alpha A^T x.
void AddScaledSparseMatTransVecProduct(int n, double alpha, const int* count, int** cols,
                                       double** vals, const double* x, double* y);

// y += alpha A x (A of n rows).
void AddScaledSparseMatVecProduct(int n, double alpha, const int* count, int** cols,
                                  double** vals, const double* x, double* y);

// y += alpha A x, A symmetric of order n stored as its upper triangle.
void AddScaledSymSparseMatVecProduct(int n, double alpha, const int* count, int** cols,
                                     double** vals, const double* x, double* y);

// w = A x, A symmetric of order n stored as its upper triangle, in one pass over the
// stored terms (each off-diagonal term serves its row and its column).
void SymSparseMatVec(int n, const int* count, int** cols, double** vals, const double* x,
                     double* w);

// s[i] = sum over j of |M_i A_ij M_j|, A symmetric of order n stored as its upper
// triangle, M a diagonal scaling.
void SymSparseMatAbsRowSums(int n, const int* count, int** cols, double** vals, const double* M, double* s);

// s[i] = the largest K_ij^2 / |K_jj| over the off-diagonal terms of row i (0 if none), K
// symmetric of order n stored as its upper triangle with each row's diagonal first. A
// positive definite matrix has K_ii >= s[i]; the measure is the same in any units.
void CouplingDiagonalScales(const SparseRowMatrix* K, double* s);

// The warnings of a diagonal term K_ii before a factorisation: negative, and too small
// (below 1e-8 of what its couplings s_i ask of a positive definite matrix).
void WarnOfDiagonal(double d, double s);

// y += alpha x.
void AddScaledVector(int n, double alpha, const double* x, double* y);

// E = a A + b B row by row over nRows rows of nCols columns; a term is dropped when null or
// when it is the rounding residue of its two parts (|value| <= 1e-14 (|a A_ij| + |b B_ij|)),
// in any units; E's lists are newly allocated (E's previous lists must be released).
void CalcEffectiveMatrixSparse(int nCols, int nRows, double a, double b, const int* countA,
                               const int* countB, int* countE, int** colsA, int** colsB,
                               int** colsE, double** valsA, double** valsB, double** valsE);
