// Vibration modes of the linear structure, K phi = lambda M phi over the free dofs
// (lambda = omega^2): shifted Lanczos eigenvectors per frequency range or load-dependent
// Ritz vectors, the slave dofs of internal point links moved out of the problem, the
// static and dynamic participation ratios of chosen load cases and the error of each
// mode.
//
// K and M are the free-dof row lists KFF and MFF (upper triangle, diagonal first). The
// slave dofs (linked dofs of the slave points) are permuted to the last nS equations, so
// that the leading nR = nF - nS rows form the reduced problem; a mode is solved over those
// rows and its slave entries take their masters' values afterwards.
//
// Order of a run (CalcVibrationModes does steps 2 to 4):
//   1. assemble K and M; for eigenvectors take the modes in hand from the mode files;
//   2. RemoveSlaveDof, SolveStiffLoadCasesDot;
//   3. (eigenvectors: export of the permuted K and M) CalcEigenModes or SolveStiffLoadCases;
//   4. CompleteVibrationModes: sort, undo the permutation, slave values, participation
//      ratios, errors with the slave diagonals of K set to 0.0;
//   5. the mode files.
#pragma once

#include <cstdio>

#include "assembly/sparse_rows.h"
#include "assembly/topology.h"

struct MeshData;

// Where the modal routines take their load cases from: the open data file and the
// position of every "<LOAD_CASE>" block.
struct ModalInput {
  FILE* DataFile;
  const long* LoadCasePositions;  // [1..NUMBER_OF_LOAD_CASES]
  const char* job;
  const char* OutputControl;
  const MeshData* mesh;
  const MainWorkArrays* w;
};

// F[1..nF] = the free-dof load vector of load case lc, slave loads moved to their masters.
void ModalLoadVector(const ModalInput* in, int lc, double* F);

// ---- factor-and-solve of a symmetric row-list matrix -----------------------------------
// SYSTEM_LIN_EQ_ALGORITHM 1: profile Gaussian elimination; 2 and 3: conjugate gradient
// preconditioned with the incomplete Cholesky factor (the Jacobi factor when that fails).
enum ModalSolverPath { kModalProfile = 1, kModalIterative = 3 };
// Result of a factorisation.
enum ModalFactorResult { kModalFactorOk = 0, kModalFactorSingular = 1, kModalFactorNullDiagonal = 2 };

struct ModalSolver {
  int path;    // ModalSolverPath, 0 = nothing factorised
  int n;
  int* last;   // profile store (path 1)
  double** P;
  const int* Acount;  // the matrix itself (path 3), held by the caller
  int** Acol;
  double** Aval;
  int* Ucount;  // preconditioner factor (path 3)
  int** Ucol;
  double** Uval;
  double tol;   // conjugate-gradient tolerance (PRECONDITIONED_RESIDUAL_DECAY)
};

// The path of SYSTEM_LIN_EQ_ALGORITHM (1 profile, 2 and 3 iterative; else internal error).
int ModalSolverPathOf(int LinEqAlgorithm);
// Factorises the leading n rows of A (no column beyond n). Path 1 reports a failed
// elimination as kModalFactorSingular without a word; path 3 prints the change to the
// Jacobi preconditioner when the incomplete factor fails and reports a diagonal below
// 1e-8 as kModalFactorNullDiagonal. A previous factor in s is released first.
int FactorModalMatrix(int path, double tol, const int* Acount, int** Acol, double** Aval, int n, ModalSolver* s);
// The same, stopping the run with the caller's texts on failure.
void FactorModalMatrixOrStop(int path, double tol, const int* Acount, int** Acol, double** Aval, int n,
                             const char* singular, const char* nullDiagonal, ModalSolver* s);
// x = A^-1 b (x and b distinct). A conjugate gradient that fails stops the run.
void SolveModalMatrix(const ModalSolver* s, double* x, const double* b);
// y = A x from what the solver holds.
void ModalMatrixProduct(const ModalSolver* s, double* y, const double* x);
void FreeModalSolver(ModalSolver* s);

// ---- slave dofs ----------------------------------------------------------------------
// Diagonal of every linked slave dof in KFF set to 0.0, respectively to 1e6.
void RemoveStiffSlaveDof(const MeshData* mesh, int** PointDofNumbers, SparseRowMatrix* K, char** PointDofCodes);
void RestoreStiffSlaveDof(const MeshData* mesh, int** PointDofNumbers, SparseRowMatrix* K, char** PointDofCodes);
// Builds the permutation (perm[old] = new) that moves the nS slave dofs to the end
// keeping the order of the others, and its inverse, and permutes K and M. With no
// links nS = 0 and nothing changes. perm and invperm are allocated here (nF entries).
void RemoveSlaveDof(int nF, int* nS, const MeshData* mesh, SparseRowMatrix* K, SparseRowMatrix* M, int** perm,
                    int** PointDofNumbers, int** invperm, char** PointDofCodes);
// new[perm[i]] = old[i], in place; nothing when nS is 0.
void ReorderVector(int n, int nS, const int* perm, double* v);
// Applies the permutation to both matrices (rows moved, columns renumbered, terms kept in
// the upper triangle); nothing when flag is 0.
void ReorderSparseMatPair(int n, int flag, SparseRowMatrix* K, SparseRowMatrix* M, const int* perm);

// ---- the modal problem -----------------------------------------------------------------
// The factorisation in hand and its shift (kValueNotGiven: none), and the store of the
// shifted matrix.
struct ModalFactorState {
  double shift;
  ModalSolver f;
  SparseRowMatrix shifted;  // rows of K - shift M, allocated when first needed
};
void InitModalFactorState(ModalFactorState* st);
void FreeModalFactorState(ModalFactorState* st);

// Modes, eigenvalues, errors and participation ratios of a run. Phi is nF x capacity;
// the ratios are [mode][position in the load-case list].
struct VibrationModes {
  int nF;
  int capacity;
  int nModes;
  double* lambda;
  double** Phi;
  double* error;
  double* relError;
  double* s;              // F^T K^-1 F per static load case
  double** staticRatio;
  double* staticSum;
  double** dynamicRatio;
  double* dynamicSum;
};
void FreeVibrationModes(VibrationModes* v);

// Factorises the reduced K when static participation ratios are asked (the shift in hand
// becomes 0.0) and computes s_L = F_L^T K^-1 F_L for each listed load case.
void SolveStiffLoadCasesDot(const ModalInput* in, int nF, int nS, const int* perm, const SparseRowMatrix* K,
                            ModalFactorState* st, VibrationModes* v);
// Eigenvectors by shifted Lanczos over the frequency ranges, after the nInHand modes in
// hand (original dof order; lambdaInHand, PhiInHand nF x nInHand). Allocates the result
// arrays of v; the modes come out in the permuted dof order.
void CalcEigenModes(const ModalInput* in, int nF, int nS, const int* perm, int nInHand, const double* lambdaInHand,
                    double** PhiInHand, const SparseRowMatrix* K, const SparseRowMatrix* M, ModalFactorState* st,
                    VibrationModes* v);
// Ritz vectors of the generating load cases and their eigenpairs in the space they span
// (permuted dof order). Allocates the result arrays of v.
void SolveStiffLoadCases(const ModalInput* in, int nF, int nS, const int* perm, const SparseRowMatrix* K,
                         const SparseRowMatrix* M, ModalFactorState* st, VibrationModes* v);
// The generation kernel: up to count vectors from the load vector f (permuted, nF
// entries), appended to the M-orthonormal columns X[1..nR][1..*nKept].
void CalcRitzVectors(const ModalSolver* Kf, const SparseRowMatrix* M, int nR, const double* f, int count,
                     double** X, int* nKept, int capacity);

// Sorts the modes by |lambda|, puts them back in the original dof order with the slaves'
// values from their masters, restores the order of K and M, computes the participation
// ratios and, with the slave diagonals of K at 0.0, the errors.
void CompleteVibrationModes(const ModalInput* in, int nS, const int* invperm, SparseRowMatrix* K, SparseRowMatrix* M,
                            VibrationModes* v);
// Participating mass ratios are not available: a request stops the run.
void CalcParticipMassRatio(const MeshData* mesh);
// Static ratios (d^2 / lambda_i) / s_L with d = phi_i^T F_L.
void CalcModalLoadCases(const ModalInput* in, VibrationModes* v);
// Dynamic ratios d^2 / (F^T M^-1 F); the massless free dofs take the largest diagonal of
// M in a copy of M used for this solve only, and a zero load.
void SolveMassLoadCases(const ModalInput* in, const SparseRowMatrix* M, VibrationModes* v);
// error_i = |lambda_i M phi_i - K phi_i|, relative error_i = error_i / |K phi_i|.
void CalcEigenModeErrors(int nF, int nModes, const SparseRowMatrix* K, const SparseRowMatrix* M, double* error,
                         const double* lambda, double* relError, double** Phi);

// Steps 2 to 4 of the run on the assembled K and M (K with its slave diagonals at 1e6):
// eigenvectors (TYPE_OF_VIBRATION_MODES 1) or Ritz vectors (2); for eigenvectors, with
// exportMatrices, the permuted K and M go to "StiffMat.bin" and "MassMat.bin" in the
// working directory before the solve. K leaves with its slave diagonals at 0.0, M as
// assembled.
void CalcVibrationModes(const ModalInput* in, SparseRowMatrix* K, SparseRowMatrix* M, int nInHand,
                        const double* lambdaInHand, double** PhiInHand, bool exportMatrices, VibrationModes* v);

// ---- vibration-mode files ------------------------------------------------------------
// <job>_vm.bin: the tag, int32 nModes, nF, nP, then per mode int32 counter (1, 2, ...),
// f64 lambda, error, relative error and the nF mode entries; no closing tag.
// <job>_vm.dat: the report; its selected block lists the counters a later run takes.
constexpr const char* kModeFileSuffix = "_vm.bin";
constexpr const char* kModeReportSuffix = "_vm.dat";
constexpr const char* kVibrationModesTag = "<VIBRATION_MODES>";
constexpr const char* kSelectedModesTag = "<SELECTED_VIBRATION_MODES>";
constexpr const char* kSelectedModesCloseTag = "</SELECTED_VIBRATION_MODES>";

// Writes the whole binary file on fp, flushed after each mode.
void WriteVibrationModes(FILE* fp, int nF, int nP, int nModes, const double* lambda, const double* error,
                         const double* relError, double** Phi);
// Writes the report: banner, date, job, title, the selected block (lambda, omega, f, the
// errors) and one block per static and dynamic participation load case.
void WriteVibrationModesText(FILE* fp, const char* job, const MeshData* mesh, const VibrationModes* v);
// A symmetric row-list matrix to the named file in the working directory: u8 flag,
// int32 n, per row int32 count and (int32 column, f64 value) pairs.
void WriteSparseMatBin(int n, const int* count, int** cols, double** vals, char flag, const char* fileName);
// The modes selected in the report of an earlier run, taken from <job>_vm.bin when both
// files exist, match nF and nP, name existing counters once each and reproduce their
// stored errors exactly on the present K (slave diagonals at 0.0) and M. Otherwise a
// modal analysis says why and goes on with no modes, a superposition stops; so does a
// binary file whose checksum fails (damage: what is wrong, in words; null when sound). *lambda
// (nModes) and *Phi (nF x nModes, ascending counters) are allocated when nModes > 0,
// else left null.
void CheckFilesJobName_vm(const char* job, int nF, int nP, int* nModes, const MeshData* mesh, const SparseRowMatrix* K,
                          const SparseRowMatrix* M, const char* damage, double** lambda, double*** Phi);

// ---- modal superposition -------------------------------------------------------------
// Every mode i obeys q'' + 2 xi_i w_i q' + w_i^2 q = f_i(t). Step k (1..nSteps) has the
// length dt[k] and ends at t_k = dt[1] + ... + dt[k]; f[k][i] is the modal force at t_k;
// q, vel and acc [k][i] receive the state at t_k. The start state is (q0, vel0, acc0).

// Newmark's rule with BETA and GAMMA, each step with its own length.
void IntegrateModalNewmark(int nSteps, int nModes, double beta, double gamma, double** acc, const double* xi,
                           double** q, double** f, const double* omega, const double* acc0, const double* q0,
                           const double* vel0, double** vel, const double* dt);
// Exact free vibration from the start state plus the Duhamel integral of the force by the
// trapezoidal rule over the step ends, the force at t = 0 being acc0 + 2 xi w vel0 +
// w^2 q0; the sums are carried from step to step. Every xi must lie in [0, 1) and every
// omega be positive (the caller checks).
void IntegrateModalDuhamel(int nSteps, int nModes, double** acc, const double* xi, double** q, double** f,
                           const double* omega, const double* acc0, const double* q0, const double* vel0,
                           double** vel, const double* dt);
// Static responses S[1..nF][lc] = KFF^-1 F[lc] of the free-dof load vectors F[lc][1..nF]
// (lc = 1..nLC, slave loads already on their masters), the slaves given their masters'
// values. KFF is factorised by SYSTEM_LIN_EQ_ALGORITHM; a failure stops the run.
void CalcStaticModalInit(const MeshData* mesh, int** PointDofNumbers, char** PointDofCodes, const SparseRowMatrix* K,
                         int nLC, double** F, double** S);
