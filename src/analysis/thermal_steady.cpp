// Steady-state heat conduction: one conductivity matrix KC, one solve per load case of
// KC_FF T_F = Q_F - KC_PF^T T_P, and per load case one record of temperatures and
// boundary heat fluxes R_P = KC_PF T_F + KC_PP T_P - Q_P. The two drivers differ only in
// the solver: Gaussian elimination on the profile copy of KC_FF (factorised once) or the
// Jacobi-preconditioned conjugate gradient on the row lists (run per load case).
#include <cstdint>
#include <cstdio>

#include "analysis/drivers.h"
#include "analysis/interrupt.h"
#include "analysis/results.h"
#include "analysis/solution_control.h"
#include "assembly/linear_solver.h"
#include "assembly/solution_check.h"
#include "assembly/sparse_rows.h"
#include "assembly/summary.h"
#include "model/fileio.h"
#include "model/loadcase.h"
#include "numcore/numcore.h"
#include "thermal/thermal_global.h"

namespace {

void MainThermalSteadyLin(int solver, FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  RequireSinglePhase(mesh, "thermal steady state analysis");

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);

  ThermalWorkArrays t;
  InitializeThermalWorkArrays(1, mesh, &t);

  GlobalMatParts K;
  int64_t nTermsKFF, nTermsKPF, nTermsKPP;
  AssembGlobalCondMat(&nTermsKFF, &nTermsKPF, &nTermsKPP, OutputControl, &iter, mesh, &t, &K.FF, &K.PF, &K.PP);

  const LinearField field{true, "boundary heat flux", &t.w};
  RunLinearLoadCases(field, solver, fp, job, OutputControl, mesh, &K, &iter,
                     [&](int lc, const LoadCaseData* data, double* Q, double* QPresc, double* TP) {
                       AssembThermalLoadVector(t.w.nF, t.w.nP, lc, OutputControl, data, mesh, &t, Q, QPresc);
                       Calc_T_Presc(t.w.nP, lc, data, t.w.PointDofNumbers, TP, t.w.PointDofCodes);
                     });
  FreeThermalWorkArrays(&t);
}

}  // namespace

void MainThermalSteadyLinGaussElimNCSB(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainThermalSteadyLin(SOLVER_GAUSS_ELIM_NCSB, fp, job, OutputControl, mesh);
}

void MainThermalSteadyLinIterJacPreConjGrad(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainThermalSteadyLin(SOLVER_ITER_JPCG, fp, job, OutputControl, mesh);
}
