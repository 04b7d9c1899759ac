// The eighteen analysis drivers. main calls exactly one of them with the data file
// standing at the first "<LOAD_CASE>" block; each returns with the file standing at the
// "<COMBINATION>" blocks. The drivers that read the load cases again themselves also
// receive the position after "<MESH>" and seek back to where they found the file.
#pragma once

#include <cstdio>
#include <functional>

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
// The linear drivers run one phase only: another count stops the run naming the analysis
// ("static linear analysis", ...).
void RequireSinglePhase(const MeshData* mesh, const char* analysis);
// History tag of the conjugate-gradient solve of load case lc: "_LCase" and lc with at
// least as many digits, zero-padded, as nCombinations has (12 combinations: "_LCase07").
void LoadCaseHistoryTag(int lc, int nCombinations, char* tag, int size);
// The load cases of a linear driver, structural or thermal, once its global matrix K is
// assembled: the solver prepared on K.FF, the result files opened, then per load case its
// loads, the solve (slave dofs following their masters in a structural field), the values
// at the prescribed dofs R = KPF aF + KPP aP - FP, one record (lc, aF, aP, R) in
// <job>_dr.bin or <job>_tq.bin and the solve record in <job>_ep.bin; K is released at the
// end. loads(lc, data, F, FP, aP) gives the load case's loads over the free and the
// prescribed dofs and the prescribed values.
struct LoadCaseData;
struct MainWorkArrays;
struct LinearField {
  bool thermal;              // temperatures (<job>_tq.bin) or displacements (<job>_dr.bin)
  const char* reactionName;  // the values at the prescribed dofs, as the finiteness check names them
  const MainWorkArrays* w;
};
using LinearLoads = std::function<void(int lc, const LoadCaseData* data, double* F, double* FP, double* aP)>;
void RunLinearLoadCases(const LinearField& field, int solver, FILE* fp, const char* job, const char* OutputControl,
                        MeshData* mesh, GlobalMatParts* K, IterSummaryRecord* iter, const LinearLoads& loads);

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

// The end of a dynamic time step once its free displacements, velocities and accelerations
// stand in n: the reactions (alpha-weighted against the previous state o), the finiteness
// checks, one record of the step in <job>_dr.bin, and n becomes the previous state.
struct DynState;
void CloseDynamicStep(int step, int nF, int nP, double alpha, const GlobalMatParts* M, const GlobalMatParts* C,
                      const GlobalMatParts* K, FILE* fpDR, const char* job, DynState* o, DynState* n);
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
// holds only its two tags.
void MainLinModalAnalysis(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh);
// Modal superposition (modal_superposition.cpp): the modes selected by an earlier modal
// analysis of the job, each modal equation integrated over all combinations (time steps)
// by Newmark's rule or the Duhamel integral, displacements recovered by the normal sum,
// the static correction or the mode acceleration; per step one dynamic record in
// <job>_dr.bin as the linear dynamic drivers write it; <job>_ep.bin holds its two tags.
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

// Transient (static_nonlinear.cpp): the materially nonlinear static loop in time; each
// combination is a time step of its step duration, the time reaches the sum of the
// durations, and the element-node temperatures are the initial temperatures of
// "<THERMAL_TRANSIENT_INITIAL_CONDITIONS>" plus the combination's temperature variation.
// A negative step duration and arc length are refused at set-up.
void MainTransientMaterNonlinGaussElimNCSB(FILE* fp, long posAfterMesh, const char* job,
                                           const char* OutputControl, MeshData* mesh);
void MainTransientMaterNonlinIterJacPreConjGrad(FILE* fp, long posAfterMesh, const char* job,
                                                const char* OutputControl, MeshData* mesh);
