// Newton-Raphson solution control shared by the nonlinear drivers: the residual forces,
// the displacement update, the convergence norms, the stiffness-update strategies and
// the saved global stiffness file <job>_GSM.bin.
#pragma once

#include <cstdint>
#include <cstdio>

#include "assembly/residual.h"
#include "assembly/sparse_rows.h"
#include "assembly/topology.h"

struct MeshData;

constexpr const char* kGlobalStiffSuffix = "_GSM.bin";
constexpr const char* kGlobalStiffOpenTag = "<GLOBAL_STIFFNESS_MATRIX>";
constexpr const char* kGlobalStiffCloseTag = "</GLOBAL_STIFFNESS_MATRIX>";

// Internal forces IF, IP of every element (slave forces moved to their masters) and the
// out-of-balance forces ResF = FF - IF, ResP = FP + RP - IP.
void CalcResid(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
               const NonlinearElementState* s, const double* FF, const double* FP, const double* RP, double** Uincr,
               double** Utot, double* IF, double* IP, double* ResF, double* ResP);

// PATH_BEHAVIOR 1: daF += da; 2: daF := da. Then aF += da and R += dR.
void UpdateDisplReact(int nF, int nP, int PathBehavior, double* aF, double* daF, const double* da,
                      const double* dR, double* R);

// The scales of the model that the convergence norms are measured against: the total
// displacements aF, aP and the internal forces IF, IP of the iteration, and runForce2, the
// largest squared internal-force norm of the run's converged combinations.
struct ConvergenceScale {
  const double* aF;
  const double* aP;
  const double* IF;
  const double* IP;
  double runForce2;
};

// Sum of squares of v[1..n].
double SquaredNorm(const double* v, int n);

// The norm of the iteration by CONVERGENCE_CRITERION: 1 the correction against the first
// correction of the combination, 2 the residual against the largest force of the model
// (loads and reactions, internal forces, the run's largest converged internal forces),
// 3 the residual work against that of iteration 1. The references of 1 and 3 never fall
// so low that a correction below 1e-12 of the total displacement (a residual work below
// 1e-24 of the force times the displacement) fails the tolerance: that is the rounding of
// a step that changes nothing. No reference depends on the units. Converged when the norm is
// below TOLERANCE_IN_EACH_COMBINATION (a NaN never converges; a model without force or
// displacement converges when its norm's numerator is zero).
bool CheckConvergence(int iteration, int nF, int nP, double* reference, double* norm, const MeshData* mesh,
                      const double* daF, const double* daP, const double* FF, const double* FP, const double* R,
                      const double* rF, const double* rP, const ConvergenceScale& scale);

// Stiffness-update strategies 1..5 (ITERATIVE_ALGORITHM); c is the absolute combination.
bool GlobalStiffMatNeedsUpdate(int c, int it, int strategy);
bool GlobalStiffMatNeedsToBeWritten(int c, int it, int strategy);
bool GlobalStiffMatNeedsToBeRead(int c, int r, int it, int strategy);

// <job>_GSM.bin: the three term counts, the row counts, then per matrix all column rows
// and all value rows. The reader allocates the three matrices (nF, nP, nP rows) and
// refuses a file whose rows do not fit the current numbering.
void WriteGlobalStiffMat(int64_t nTermsKFF, int64_t nTermsKPF, int64_t nTermsKPP, int nF, int nP,
                         const SparseRowMatrix* KFF, const SparseRowMatrix* KPF, const SparseRowMatrix* KPP,
                         const char* job);
void ReadGlobalStiffMat(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, int nF, int nP,
                        SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP, const char* job);
// The same layout as a record of an open stream (the held-matrix file).
void WriteGlobalStiffMatStream(FILE* fp, int64_t nTermsKFF, int64_t nTermsKPF, int64_t nTermsKPP, int nF, int nP,
                               const SparseRowMatrix* KFF, const SparseRowMatrix* KPF, const SparseRowMatrix* KPP);
void ReadGlobalStiffMatStream(FILE* fp, int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, int nF, int nP,
                              SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP);
