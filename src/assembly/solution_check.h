// Verification of every solution of the free equations KFF a = F, shared by the direct
// and the iterative solver, and the copy of KFF's row lists that the check needs once the
// profile elimination has consumed them.
#pragma once

#include "assembly/sparse_rows.h"

struct MeshData;
struct MainWorkArrays;

// Copies the row lists of K (count, columns and values) into *copy, whose vectors are
// newly allocated; FreeSparseRowsCopy releases them.
void CopySparseRows(const SparseRowMatrix* K, SparseRowMatrix* copy);
void FreeSparseRowsCopy(SparseRowMatrix* copy);

// Stops the run when the solution a of K a = F (K symmetric, upper-triangle row lists of
// order n) holds a value that is not finite or leaves a residual K a - F above the
// rounding level of the product and of the solver. decay is the relative decay of the
// Jacobi-scaled residual the solver stops at (the conjugate gradient's), 0 for a direct
// solver.
void CheckSolution(int n, const int* count, int** cols, double** vals, const double* F,
                   const double* a, double decay);

// Stops the run when one of v[1..n] is not finite; what names the quantity ("reaction").
void CheckFiniteResults(int n, const double* v, const char* what);

// Stops the run when a rigid motion of the model is not stopped by the supports (no
// supports, a member free to spin about the line through its pins): such a motion is a
// null vector of KFF, which the conjugate gradient does not see when the loads are in
// equilibrium. Translations are tested in every model, rotations where every point's
// rotations are in global axes or a special system (not at coplanar shell points).
// Links and drill rows take no part in the motions.
void CheckRigidMotionsStopped(const MeshData* mesh, const MainWorkArrays* w, const SparseRowMatrix* KFF);

// Stops the run when the factored profile A (from FactorNCSB, with last) belongs to a
// singular or ill-conditioned matrix: the 1-norm condition number of the Jacobi-scaled
// K (row lists as kept for the check, order n), estimated with a few solves by the
// factors, above 1 / (10 eps). An elimination without pivoting accepts a rounding-noise
// pivot of a mechanism and returns a solution whose residual is as small as a sound one's.
void CheckConditionNCSB(int n, const SparseRowMatrix* K, const int* last, double** A);
