// Steps of the Newton-Raphson loop that the nonlinear static (and transient) drivers and
// the nonlinear thermal transient drivers share: the start of a combination, the
// stiffness update of an iteration with the solver form of its matrix, the report of the
// iteration's norm, and the writing and acceptance of a converged combination.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

#include "analysis/restart.h"
#include "assembly/linear_solver.h"
#include "assembly/sparse_rows.h"
#include "assembly/summary.h"

struct MeshData;

// What a nonlinear driver runs on; its run record starts with it.
struct DriverInput {
  int solver;  // SOLVER_GAUSS_ELIM_NCSB or SOLVER_ITER_JPCG
  FILE* fp;    // the data file
  const char* job;
  const char* OutputControl;
  MeshData* mesh;
};

// The result files of a nonlinear run.
struct NonlinearResultFiles {
  FILE* fpDR;       // <job>_dr.bin (thermal: <job>_tq.bin)
  FILE* fpEP;       // <job>_ep.bin
  FILE* fpIF;       // <job>_if.bin (thermal: <job>_iq.bin)
  FILE** hdFiles;   // material history files
  FILE** shdFiles;  // spring history files; null in a thermal run
};

// The global matrices as the iterations carry them from one to the next.
struct NewtonMatrixState {
  IterSummaryRecord iter;       // record of the last assembly or read
  LinearSolverStep solverStep;  // solver form of the matrix of the solves
  bool held;                    // the global matrices are held
  bool prepared;                // their solver form is built
};

// What the stiffness-update strategy does in an iteration: assemble the matrices anew
// (update) and save them (write), or read back the saved ones (read); hold: the assembled
// matrices may be kept into the next combination (strategy 4) and go to the held-matrix
// file, from which a restart takes those of its restart point.
struct StiffnessMoves {
  bool update, read, write, hold;
};
// The moves of iteration it of combination c in a run restarted after combination r.
StiffnessMoves StiffnessMovesOf(int c, int r, int it, int strategy);

// A driver's own work on its global matrices.
struct GlobalMatrixSteps {
  std::function<void()> release;                     // frees the matrices held
  std::function<void(IterSummaryRecord*)> assemble;  // assembles them, filling the record
  std::function<void()> write;                       // saves them
  std::function<void()> hold;                        // saves them as the held ones
  std::function<void(int64_t nTerms[3])> read;       // reads them back: the term counts
  std::function<SparseRowMatrix*()> solved;          // the matrix of the solves, once built
};

// The stiffness update of an iteration: after an update or a read the matrices held are
// released and replaced (the assembled ones saved where the moves say) and the solver
// form rebuilt; then the iteration record goes to fpEP. Returns whether the matrices were
// replaced.
bool UpdateGlobalMatrices(const StiffnessMoves& moves, int solver, int nF, const char* OutputControl,
                          const GlobalMatrixSteps& steps, NewtonMatrixState* ms, FILE* fpEP);
// Releases the solver form and, with release, the matrices held.
void ReleaseGlobalMatrices(const std::function<void()>& release, NewtonMatrixState* ms);

// Start of combination c: its heading, the header of its entry in fpEP (position in
// *header) and, with path-independent history, a zero increment of the combination
// (increment[1..nF]). Returns the wall-clock start.
double BeginCombination(int c, const NonlinearWorkArrays* nl, double* increment, FILE* fpEP, long* header);

// The residual norm of an iteration: into the step record, printed, the record to fpEP.
void ReportIterationNorm(double norm, StepSummaryRecord* step, FILE* fpEP);

// With path-independent history the residual starts again from the converged state.
void RestoreIterateHistory(NonlinearWorkArrays* nl);

// A converged combination as its records describe it.
struct ConvergedCombination {
  int c;          // combination
  int it;         // iterations it took
  long header;    // position of its header in <job>_ep.bin
  double start;   // wall-clock start
  double radius;  // arc-length radius (0 without arc length)
  double eta;     // load factor of the equilibrium-path record
  double t;       // analysis time at its end
};
// The converged combination into the result files (displacements or temperatures,
// equilibrium path, history data, internal forces), every file flushed, then the restart
// point <job>_lcc.aux; with path-independent history the current history data become
// the converged ones.
void AcceptCombination(const ConvergedCombination& cc, const MeshData* mesh, const char* job,
                       const NonlinearResultFiles* files, NonlinearWorkArrays* nl);
