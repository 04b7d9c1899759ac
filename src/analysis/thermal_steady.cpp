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
  if (mesh->Main.nPhases != 1)
    errexit("The n. of phases must be 1 when the options are the following:\n - thermal steady state analysis", 0);

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);

  ThermalWorkArrays t;
  InitializeThermalWorkArrays(1, mesh, &t);
  const int nF = t.w.nF;
  const int nP = t.w.nP;

  SparseRowMatrix KFF, KPF, KPP;
  int64_t nTermsKFF, nTermsKPF, nTermsKPP;
  AssembGlobalCondMat(&nTermsKFF, &nTermsKPF, &nTermsKPP, OutputControl, &iter, mesh, &t, &KFF, &KPF, &KPP);

  LinearSolverStep solverStep;
  PrepareLinearSolver(solver, nF, OutputControl, &KFF, &iter, &solverStep);

  FILE* fpTQ;
  FILE* fpEP;
  OpenLinearResultFiles(job, true, &fpTQ, &fpEP);
  WriteSummaryRecord(fpEP, &iter);

  double* Q;       // free-dof heat loads, overwritten by the free temperatures
  double* QPresc;  // prescribed-dof heat loads
  allocd1(&Q, nF);
  allocd1(&QPresc, nP);

  for (int lc = 1; lc <= mesh->Main.nLoadCases; lc++) {
    std::printf("\n");
    std::printf("Load case: %d\n", lc);
    StepSummaryRecord step;
    ResetStepSummaryRecord(&step);

    LoadCaseData data;
    ReadLoadCase(fp, lc, mesh, &data);
    AssembThermalLoadVector(nF, nP, lc, OutputControl, &data, mesh, &t, Q, QPresc);

    double* TP;
    allocd1(&TP, nP);
    Calc_T_Presc(nP, lc, &data, t.w.PointDofNumbers, TP, t.w.PointDofCodes);

    SolveLoadCase(lc, &solverStep, mesh, job, OutputControl, &KFF, &KPF, TP, Q, &step);
    WriteLoadCaseRecord(lc, nF, nP, &KPF, &KPP, Q, TP, QPresc, "boundary heat flux", fpTQ, fpEP, &step);
    RecordWritten(RunUnit::kLoadCase, lc, job);

    freed1(TP);
    FreeLoadCase(&data);
  }

  CloseLinearResultFiles(fpTQ, fpEP, true);

  freed1(Q);
  freed1(QPresc);
  ReleaseLinearSolver(&solverStep);
  FreeGlobalStiffMat(nF, nP, &KFF, &KPF, &KPP);
  FreeThermalWorkArrays(&t);
}

}  // namespace

void MainThermalSteadyLinGaussElimNCSB(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainThermalSteadyLin(SOLVER_GAUSS_ELIM_NCSB, fp, job, OutputControl, mesh);
}

void MainThermalSteadyLinIterJacPreConjGrad(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainThermalSteadyLin(SOLVER_ITER_JPCG, fp, job, OutputControl, mesh);
}
