// Numcore profile factor-and-solve: the one Gaussian elimination of every symmetric
// profile store of the program (static, dynamic, thermal and modal), its solves and the
// product with the factored matrix.
//
// An ordered store holds the rows of a symmetric matrix in an internal, profile-reducing
// order. Behind the terms of its last row it carries a record, to which A[0] points:
// entry 0 the row count n, entries 1..n the equation held by each row, entries n+1..2n
// the reciprocal pivots once factorised, entry 2n+1 the smallest ratio of a pivot to the
// diagonal it came from. A store without the record (A[0] null, as allocprofd2 leaves
// it) is in the equations' own order. Outside the store every vector keeps the
// equations' numbering.
//
// The elimination runs on hardware_concurrency() threads, limited by the environment
// variable VOLDE_THREADS (1 = one thread). Every entry of the factor receives its updates
// in one fixed order, so the factor is the same to the last bit for any thread count and
// any instruction-set level.
#pragma once

#include <cstdint>

// ---- orders --------------------------------------------------------------------------
// Reverse Cuthill-McKee order of the graph of the leading n symmetric upper row lists
// (diagonal first), from a pseudo-peripheral start in each connected part, from the far
// level seen from it and from the other end of its pseudo-diameter, whichever has the
// smallest profile (the first on a tie); equations that share their neighbours stay
// together. eqOfRow[k] receives the equation placed at row k.
void ProfileReducingOrder(int n, const int* count, int* const* cols, int* eqOfRow);
// Number of terms of the profile store of the row lists in the order eqOfRow.
int64_t ProfileTerms(int n, const int* count, int* const* cols, const int* eqOfRow);
// The order a store takes: the equations' own, unless the profile-reducing order saves at
// least a quarter of its terms (a model numbered along its length keeps its factor, and
// its rounding, to the bit).
void ChooseProfileOrder(int n, const int* count, int* const* cols, int* eqOfRow);

// ---- ordered store -------------------------------------------------------------------
// Row ends of the store of the leading n row lists in the order eqOfRow (non-decreasing
// envelope: a row reaches at least as far as the row before); returns the term count.
int64_t OrderedProfileEnds(int n, const int* count, int* const* cols, const int* eqOfRow, int* last);
// Allocates the store for last with its record (order eqOfRow) and clears its terms.
void AllocOrderedProfile(double*** A, int n, const int* last, const int* eqOfRow);
// The store *A of an earlier factorisation (allocated for the row ends spareLast, or null)
// made ready as AllocOrderedProfile makes a new one: cleared and given the record of
// eqOfRow when its rows have the ends last, else released and a new one allocated. A store
// used again has its pages mapped already, which a large new one first costs.
void RenewOrderedProfile(double*** A, const int* spareLast, int n, const int* last, const int* eqOfRow);
// Copies the terms of the leading n row lists into the cleared store.
void CopyRowsToOrderedProfile(double** A, int n, const int* count, int* const* cols, double* const* vals);
// Equation of row k of a store (k itself without record).
int ProfileEquationOfRow(double** A, int n, int k);

// ---- elimination -----------------------------------------------------------------------
// Pivot rules: kPivotStiffness refuses a pivot that is not finite or not above 1e-13 times
// the magnitude of its own diagonal before elimination (a ratio, free of units: rows of
// translations and of rotations, in any units, are each measured against themselves);
// kPivotRelative refuses an empty matrix and a pivot not above 1e-8 times the largest
// magnitude of the matrix.
enum ProfilePivotRule { kPivotStiffness = 1, kPivotRelative = 2 };
// Why an elimination stopped (0: it did not).
enum ProfilePivotFailure {
  kPivotOk = 0,
  kPivotNotFinite = 1,
  kPivotBelowDiagonal = 2,
  kPivotBelowLargest = 4,
  kPivotEmptyMatrix = 5
};
struct ProfileFactorResult {
  int failure;       // ProfilePivotFailure
  int row;           // row of the refused pivot (0 when none)
  double minRatio;   // smallest |pivot| / |diagonal before elimination| of the rows done
};
// In-place elimination of the store; echo 'Y' draws the progress bar. level: the
// instruction-set level of the kernels (0 the highest available, else 1, 3 or 4; false
// untouched when the processor lacks it). threads: 0 for ProfileThreads(). On a refused
// pivot the store is partly reduced.
bool FactorProfile(double** A, int n, const int* last, int rule, char echo, int level, int threads,
                   ProfileFactorResult* result);
// Bytes the elimination moves between the store and its work rows: the terms of the
// earlier rows read for each block of rows, and the block's own rows read and written.
double ProfileFactorBytes(int n, const int* last);
// Threads of the elimination: hardware_concurrency(), at most VOLDE_THREADS; a value of
// VOLDE_THREADS that is not a whole number of at least 1 stops the run.
int ProfileThreads();

// ---- solves ----------------------------------------------------------------------------
// x = A^-1 x for a factorised store, x in the equations' numbering. Both passes go in
// steps of a fixed number of rows, so the rounding is the same on any thread count; on a
// large profile they run on ProfileThreads() threads.
void SolveProfile(double** A, int n, const int* last, double* x);
// SolveProfile on the given number of threads (0: as SolveProfile chooses).
void SolveProfileOnThreads(double** A, int n, const int* last, double* x, int threads);
// Several right-hand sides x[0 .. m-1] (each 1-based, in the equations' numbering)
// solved in place, a few in each pass over the factor; each solution is the same to the
// bit as SolveProfile's. threads as for SolveProfileOnThreads.
void SolveProfileMany(double** A, int n, const int* last, double* const* x, int m, int threads);
// y = A x from the factorised store (A = U^T D^-1 U), x and y in the equations' numbering.
void ProfileProduct(double** A, int n, const int* last, double* y, const double* x);
// Smallest pivot ratio recorded by the elimination of an ordered store.
double ProfileMinPivotRatio(double** A, int n);
