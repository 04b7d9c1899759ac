// The eighteen analysis drivers. main calls exactly one of them with the data file
// standing at the first "<LOAD_CASE>" block; each returns with the file standing at the
// "<COMBINATION>" blocks. The drivers that read the load cases again themselves also
// receive the position after "<MESH>" and seek back to where they found the file.
#pragma once

#include <cstdio>

#include "assembly/linear_solver.h"
#include "assembly/sparse_rows.h"
#include "assembly/summary.h"
#include "model/mesh.h"

// Linear static (static_linear.cpp): numbering, assembly, then per load case its load
// vector, settlements, solve, slave dofs, reactions; one record per load case in
// <job>_dr.bin, the assembly record and one solve record per load case in <job>_ep.bin.
void MainStaticLinGaussElimNCSB(FILE* fp, const char* job, const char* OutputControl,
                                MeshData* mesh);
void MainStaticLinIterJacPreConjGrad(FILE* fp, const char* job, const char* OutputControl,
                                     MeshData* mesh);
// History tag of the conjugate-gradient solve of load case lc: "_LCase" and lc with at
// least as many digits, zero-padded, as nCombinations has (12 combinations: "_LCase07").
void LoadCaseHistoryTag(int lc, int nCombinations, char* tag, int size);
// The two halves of a linear driver's load case around its own steps on the solution:
// F := F - KPF^T aP and KFF aF = F solved in place (F becomes aF); then the values at the
// prescribed dofs R = KPF aF + KPP aP - FP (named `what` in the finiteness check), one
// record (lc, aF, aP, R) in fpRec and the solve record in fpEP.
void SolveLoadCase(int lc, LinearSolverStep* solverStep, const MeshData* mesh, const char* job,
                   const char* OutputControl, SparseRowMatrix* KFF, const SparseRowMatrix* KPF, const double* aP,
                   double* F, StepSummaryRecord* step);
void WriteLoadCaseRecord(int lc, int nF, int nP, const SparseRowMatrix* KPF, const SparseRowMatrix* KPP,
                         const double* aF, const double* aP, const double* FP, const char* what, FILE* fpRec,
                         FILE* fpEP, const StepSummaryRecord* step);

// Materially (and geometrically) nonlinear static (static_nonlinear.cpp): combination by
// combination, Newton-Raphson iterations on the load increment; per converged combination
// one record in <job>_dr.bin and <job>_if.bin, one entry in <job>_ep.bin, one block per
// history file and <job>_lcc.aux, from which a run can restart.
void MainStaticMaterNonlinGaussElimNCSB(FILE* fp, long posAfterMesh, const char* job,
                                        const char* OutputControl, MeshData* mesh);
void MainStaticMaterNonlinIterJacPreConjGrad(FILE* fp, long posAfterMesh, const char* job,
                                             const char* OutputControl, MeshData* mesh);
void MainStaticMaterGeomNonlinGaussElimNCSB(FILE* fp, long posAfterMesh, const char* job,
                                            const char* OutputControl, MeshData* mesh);
void MainStaticMaterGeomNonlinIterJacPreConjGrad(FILE* fp, long posAfterMesh, const char* job,
                                                 const char* OutputControl, MeshData* mesh);

// Linear dynamic.
void MainDynamicLinGaussElimNCSB(FILE* fp, const char* job, const char* OutputControl,
                                 MeshData* mesh);
void MainDynamicLinIterJacPreConjGrad(FILE* fp, const char* job, const char* OutputControl,
                                      MeshData* mesh);

// History tag of the conjugate-gradient solve of time step c: "_Comb" and c zero-padded
// to the digits of nCombinations ("_Comb07" of 12).
void StepHistoryTag(int c, int nCombinations, char* tag, int size);
// Refuses a step duration that is not positive and finite, naming the combination and
// the analysis ("dynamic analysis", "thermal transient analysis").
struct CombinationData;
void CheckStepDurations(const char* analysis, const MeshData* mesh, const CombinationData* comb);

// Modal analysis (modal.cpp): K and M assembled once, the vibration modes (eigenvectors,
// continuing from the modes selected in earlier mode files of the job, or Ritz vectors),
// their participation ratios and errors in <job>_vm.bin and <job>_vm.dat; <job>_ep.bin
// holds only its two tags. Modal superposition.
void MainLinModalAnalysis(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh);
void MainLinModalSuperposition(FILE* fp, const char* job, const char* OutputControl,
                               MeshData* mesh);

// Thermal steady state (thermal_steady.cpp): temperature numbering, conductivity matrix,
// then per load case its heat loads, prescribed temperatures, solve and boundary heat
// fluxes; one record per load case in <job>_tq.bin, the assembly record and one solve
// record per load case in <job>_ep.bin.
void MainThermalSteadyLinGaussElimNCSB(FILE* fp, const char* job, const char* OutputControl,
                                       MeshData* mesh);
void MainThermalSteadyLinIterJacPreConjGrad(FILE* fp, const char* job, const char* OutputControl,
                                            MeshData* mesh);

// Thermal transient (thermal_transient.cpp): one time step per combination by the
// generalised trapezoidal rule; per step one record of temperatures and boundary heat
// fluxes in <job>_tq.bin. The linear drivers assemble KC and KT once and rebuild the
// effective matrix whenever the step duration changes; the nonlinear ones iterate each
// step by Newton-Raphson and, like the nonlinear static drivers, write <job>_iq.bin, the
// history files and <job>_lcc.aux after every converged step, from which a run restarts.
void MainThermalTransientLinGaussElimNCSB(FILE* fp, const char* job, const char* OutputControl,
                                          MeshData* mesh);
void MainThermalTransientLinIterJacPreConjGrad(FILE* fp, const char* job, const char* OutputControl,
                                               MeshData* mesh);
void MainThermalTransientNonlinGaussElimNCSB(FILE* fp, long posAfterMesh, const char* job,
                                             const char* OutputControl, MeshData* mesh);
void MainThermalTransientNonlinIterJacPreConjGrad(FILE* fp, long posAfterMesh, const char* job,
                                                  const char* OutputControl, MeshData* mesh);

// Transient (time-dependent, materially nonlinear).
void MainTransientMaterNonlinGaussElimNCSB(FILE* fp, long posAfterMesh, const char* job,
                                           const char* OutputControl, MeshData* mesh);
void MainTransientMaterNonlinIterJacPreConjGrad(FILE* fp, long posAfterMesh, const char* job,
                                                const char* OutputControl, MeshData* mesh);
