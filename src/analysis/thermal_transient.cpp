// Transient heat conduction: one time step per combination by the generalised
// trapezoidal rule (KT + alpha dt KC) T_{n+1} = (KT - (1 - alpha) dt KC) T_n + loads.
// The linear drivers assemble KC and KT once and rebuild (and, with Gaussian elimination,
// refactorise) the effective matrix whenever the step duration differs from the previous
// step's. The nonlinear drivers (conductivity, heat capacity and heat of hydration that
// follow the temperatures and the degree of hydration) iterate each step by
// Newton-Raphson on the same effective matrix, rebuilt, saved and read back as the
// stiffness-update strategy says, and can restart after any converged step. Each step
// writes its temperatures and boundary heat fluxes to <job>_tq.bin.
//
// The Gaussian-elimination and conjugate-gradient variants differ only in the solver.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "analysis/drivers.h"
#include "analysis/entry.h"
#include "analysis/interrupt.h"
#include "analysis/nonlinear_control.h"
#include "analysis/restart.h"
#include "analysis/static_nonlinear.h"
#include "analysis/results.h"
#include "analysis/solution_control.h"
#include "assembly/assembly.h"
#include "assembly/linear_solver.h"
#include "assembly/solution_check.h"
#include "assembly/sparse_rows.h"
#include "assembly/summary.h"
#include "model/fileio.h"
#include "model/loadcase.h"
#include "history/history.h"
#include "materials/thermal_constancy.h"
#include "materials/thermal_materials.h"
#include "model/material.h"
#include "numcore/numcore.h"
#include "thermal/thermal_global.h"
#include "thermal/thermal_transient.h"

namespace {

// The thermal state at one time level.
struct ThermalLevel {
  double *TF, *TP;  // temperatures of the free and prescribed dofs
  double *FF, *FP;  // thermal loads
  double* R;        // boundary heat fluxes
};

void AllocLevel(int nF, int nP, ThermalLevel* s) {
  allocd1(&s->TF, nF);
  allocd1(&s->FF, nF);
  allocd1(&s->TP, nP);
  allocd1(&s->FP, nP);
  allocd1(&s->R, nP);
  zerod1(s->TF, nF);
  zerod1(s->FF, nF);
  zerod1(s->TP, nP);
  zerod1(s->FP, nP);
  zerod1(s->R, nP);
}

void FreeLevel(ThermalLevel* s) {
  double* v[] = {s->TF, s->TP, s->FF, s->FP, s->R};
  for (double* p : v) freed1(p);
}

void CopyLevel(int nF, int nP, const ThermalLevel* from, ThermalLevel* to) {
  copyd1(to->TF, from->TF, nF);
  copyd1(to->TP, from->TP, nP);
  copyd1(to->FF, from->FF, nF);
  copyd1(to->FP, from->FP, nP);
  copyd1(to->R, from->R, nP);
}

// Thermal loads and prescribed temperatures of combination c.
void ThermalStepLoads(FILE* fp, int c, const char* OutputControl, const MeshData* mesh, const ThermalWorkArrays* t,
                      const CombinationSet* set, ThermalLevel* n) {
  const int nF = t->w.nF, nP = t->w.nP;
  SumCombinationLoads(fp, c, mesh, set, nF, nP,
                      [&](int lc, double f, const LoadCaseData* data, double* FF, double* FP, double* TP) {
                        AssembThermalLoadVector(nF, nP, lc, OutputControl, data, mesh, t, FF, FP);
                        Calc_T_Presc(nP, lc, data, t->w.PointDofNumbers, TP, t->w.PointDofCodes);
                        scaled1(FF, nF, f);
                        scaled1(FP, nP, f);
                        scaled1(TP, nP, f);
                      },
                      n->FF, n->FP, n->TP);
}

void MainThermalTransientLin(int solver, FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  const MainParameters& m = mesh->Main;
  if (m.nPhases != 1)
    errexit("The n. of phases must be 1 when the options are the following:\n - thermal transient analysis", 0);
  if (m.nCombinations == 0) errexit("The n. of combinations cannot be null.", 0);
  if (m.nLoadCases == 0) InternalError(__FILE__, __LINE__);

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);
  CombinationSet set;
  OpenCombinationSet(fp, mesh, &set);
  const CombinationData* comb = set.comb;
  CheckStepDurations("thermal transient analysis", mesh, comb);

  ThermalWorkArrays t;
  InitializeThermalWorkArrays(1, mesh, &t);
  const int nF = t.w.nF, nP = t.w.nP;
  ThermalMatrices K;
  int64_t nTermsFF, nTermsPF, nTermsPP;
  AssembGlobalCondMat(&nTermsFF, &nTermsPF, &nTermsPP, OutputControl, &iter, mesh, &t, &K.KCFF, &K.KCPF, &K.KCPP);
  AssembGlobalTransientMat(&nTermsFF, &nTermsPF, &nTermsPP, OutputControl, &iter, mesh, &t, &K.KTFF, &K.KTPF,
                           &K.KTPP);

  FILE *fpTQ, *fpEP;
  OpenLinearResultFiles(job, true, &fpTQ, &fpEP);

  ThermalLevel o, n;
  AllocLevel(nF, nP, &o);
  AllocLevel(nF, nP, &n);
  CalcThermalTransientInitCond(OutputControl, mesh, &t, nullptr, o.FF, o.R, o.TF, o.TP);
  double* b;
  allocd1(&b, nF);

  const double alpha = m.ThermalTheta;
  SparseRowMatrix EFF{};
  LinearSolverStep solverStep{};
  double dtPrev = -1.0;
  for (int c = 1; c <= m.nCombinations; c++) {
    const double dt = comb[c].Params.StepDuration;
    if (dt != dtPrev) {
      if (c > 1) {
        ReleaseLinearSolver(&solverStep);
        FreeSparseMatPair(nF, EFF.count, EFF.cols, EFF.vals);
      }
      CalcThermalEffMat(nF, dt, alpha, OutputControl, &EFF, &K.KTFF, &K.KCFF);
      PrepareLinearSolver(solver, nF, OutputControl, &EFF, &iter, &solverStep);
      dtPrev = dt;
    }
    // Later rebuilds of the effective matrix are not recorded.
    if (c == 1) WriteSummaryRecord(fpEP, &iter);

    ThermalStepLoads(fp, c, OutputControl, mesh, &t, &set, &n);
    CalcThermalStepVectors(nF, nP, dt, alpha, &K, o.TF, n.TP, o.TP, n.FF, o.FF, b);
    StepSummaryRecord step;
    ResetStepSummaryRecord(&step);
    char tag[64];
    StepHistoryTag(c, m.nCombinations, tag, static_cast<int>(sizeof tag));
    SolveLinearSystem(&solverStep, m.PrecondResidualDecay, job, tag, OutputControl, &EFF, b, &step);
    copyd1(n.TF, b, nF);
    CalcBoundaryHeatFlux(nF, nP, m.ThermalSteppingMethod, alpha, dt, &K, n.TF, o.TF, n.TP, o.TP, n.FP, o.FP, o.R,
                         n.R);
    CheckFiniteResults(nP, n.R, "boundary heat flux");
    WriteDisplReact(fpTQ, c, nF, nP, n.TF, n.TP, n.R);
    if (solver == SOLVER_ITER_JPCG) WriteSummaryRecord(fpEP, &step);
    RecordWritten(RunUnit::kStep, c, job);
    CopyLevel(nF, nP, &n, &o);
  }

  ReleaseLinearSolver(&solverStep);
  FreeSparseMatPair(nF, EFF.count, EFF.cols, EFF.vals);
  CloseLinearResultFiles(fpTQ, fpEP, true);
  freed1(b);
  FreeLevel(&n);
  FreeLevel(&o);
  FreeGlobalStiffMat(nF, nP, &K.KTFF, &K.KTPF, &K.KTPP);
  FreeGlobalStiffMat(nF, nP, &K.KCFF, &K.KCPF, &K.KCPP);
  FreeThermalWorkArrays(&t);
  CloseCombinationSet(fp, mesh, &set);
}


// Thermal loads of combination c at the current temperatures of s (radiation and heat of
// hydration follow them) into FF, FP, and the combination's prescribed temperatures.
void ThermalStepLoads_NL(FILE* fp, int c, const char* OutputControl, const MeshData* mesh, const ThermalWorkArrays* t,
                         const CombinationSet* set, const ThermalStepState* s, double* FF, double* FP,
                         double* TPstep) {
  const int nF = t->w.nF, nP = t->w.nP;
  double** Tpoint;
  allocd2(&Tpoint, mesh->nPoints, 6);
  CalcPointTemp(mesh, t->w.PointDofNumbers, s->TF, s->TP, Tpoint, t->w.PointDofCodes);
  SumCombinationLoads(fp, c, mesh, set, nF, nP,
                      [&](int lc, double f, const LoadCaseData* data, double* Fq, double* FqP, double* TP) {
                        // The factor enters the radiation law: the loads come scaled.
                        AssembThermalLoadVector_NL(nF, nP, lc, f, OutputControl, data, mesh, t, Tpoint, Fq, FqP);
                        Calc_T_Presc(nP, lc, data, t->w.PointDofNumbers, TP, t->w.PointDofCodes);
                        scaled1(TP, nP, f);
                      },
                      FF, FP, TPstep);
  freed2(Tpoint);
  Calc_Fq_VolumetricIntHeatGeneration_NL(OutputControl, mesh, t, s, FF, FP);
}

// Can the matrices of the run change at one step length? Not when every element conducts
// and stores heat with constant properties and no face radiates (*constant): the factor
// of a step length then serves every iteration and step of that length. When moreover
// every element is linear (*linear), no history data follow the temperatures and the
// residual comes from the global matrices.
void ThermalMatricesConstancy(const MeshData* mesh, const ThermalWorkArrays* t, bool* constant, bool* linear) {
  *constant = *linear = true;
  for (int e = 1; e <= mesh->nElements; e++) {
    const int property = t->w.ElemPropIndex[e];
    if (property == 0) continue;
    if (t->RadiationFlags[e]) *constant = false;
    if (CalcBehaviorType(property, &mesh->Main, mesh->ElemProps) != 'L') {
      *linear = false;
      if (!ThermalMaterialIsConstant(property, mesh)) *constant = false;
    }
  }
  *linear = *linear && *constant;
}

// The residual of the step: from the global matrices held when they are those of the
// temperatures (fromMatrices), else element by element.
void ThermalResid(bool fromMatrices, const char* OutputControl, const MeshData* mesh, const ThermalWorkArrays* t,
                  const ThermalStepState* s, double alpha, const ThermalStepLevels* levels, const ThermalMatrices* K,
                  double* fF, double* fP, NonlinearWorkArrays* nl) {
  if (fromMatrices)
    CalcThermalResidFromMatrices(t->w.nF, t->w.nP, alpha, s->dt, K, levels, s->TF, s->TP, fF, fP, nl->fIntF,
                                 nl->fIntP, nl->rF, nl->rP);
  else
    CalcThermalResid(OutputControl, mesh, t, s, alpha, levels, fF, fP, nl->fIntF, nl->fIntP, nl->rF, nl->rP);
}

// The refusals of a nonlinear thermal run that the data can cause.
void CheckNonlinearThermalRun(const MeshData* mesh, const int* NLMM_HD_Count) {
  const MainParameters& m = mesh->Main;
  if (m.ConvergenceCriterion != 2) {
    std::fflush(stdout);
    std::fprintf(stderr, "\nVerifying the <MAIN_PARAMETERS> block\n   -> CONVERGENCE_CRITERION: %d\n",
                 m.ConvergenceCriterion);
    errexit("The nonlinear thermal transient analysis converges on the heat\nforce norm only: choose _FORCE_NORM.", 0);
  }
  if (m.PathBehavior == 2 && HydratingConcreteInUse(NLMM_HD_Count)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\nVerifying the <MAIN_PARAMETERS> block\n   -> PATH_BEHAVIOR: _DEPENDENT\n");
    errexit("The degree of hydration of _NLMM401 advances once per step only\n"
            "with PATH_BEHAVIOR _INDEPENDENT.",
            0);
  }
}

// The boundary heat fluxes of a converged step from the end-of-step balance
// R = (KT(T) (T - T_n) + dt KC(T) T) / dt - F^P at the prescribed rows: the residual of
// the backward rule (alpha = 1) with zero fluxes is -dt R. The history data and the loads
// are evaluated as in the iteration's last residual, at the same temperatures.
void EndOfStepFluxes_NL(FILE* fp, int c, const char* OutputControl, const MeshData* mesh, const ThermalWorkArrays* t,
                        const CombinationSet* set, const ThermalStepState* s, const ThermalStepLevels* levels,
                        NonlinearWorkArrays* nl, double* FF, double* FP, double* TPstep, double* R) {
  const int nF = t->w.nF, nP = t->w.nP;
  double *fF, *fP, *qF, *qP, *rF, *rP, *zero;
  allocd1(&fF, nF);
  allocd1(&qF, nF);
  allocd1(&rF, nF);
  allocd1(&fP, nP);
  allocd1(&qP, nP);
  allocd1(&rP, nP);
  allocd1(&zero, nP);
  zerod1(zero, nP);
  if (nl->PathBehavior == 1) RestoreNLMM_HD(&nl->Table, nl->NLMM_HD_Count);
  ThermalStepLoads_NL(fp, c, OutputControl, mesh, t, set, s, FF, FP, TPstep);
  ThermalStepLevels backward = *levels;
  backward.R = zero;
  backward.Rn = zero;
  CalcThermalResid(OutputControl, mesh, t, s, 1.0, &backward, fF, fP, qF, qP, rF, rP);
  for (int i = 1; i <= nP; i++) R[i] = -rP[i] / s->dt;
  freed1(zero);
  freed1(rP);
  freed1(qP);
  freed1(fP);
  freed1(rF);
  freed1(qF);
  freed1(fF);
}

void MainThermalTransientNonlin(int solver, FILE* fp, long posAfterMesh, const char* job, const char* OutputControl,
                                MeshData* mesh) {
  const MainParameters& m = mesh->Main;
  if (m.nLoadCases == 0) InternalError(__FILE__, __LINE__);
  const int r = m.nCombBeforeRestart;

  // Set-up.
  SeekFile(fp, posAfterMesh);
  CombinationSet set;
  OpenCombinationSet(fp, mesh, &set);
  const CombinationData* comb = set.comb;
  const long firstLoadCase = set.positions[1];
  CheckStepDurations("thermal transient analysis", mesh, comb);
  ThermalWorkArrays t;
  InitializeThermalWorkArrays(1, mesh, &t);
  const int nF = t.w.nF, nP = t.w.nP;

  NonlinearWorkArrays nl;
  InitializeNonlinearThermalAnalysis(r, mesh->nPoints, nF, nP, job, mesh, t.w.ElemPropIndex, &nl);
  CheckNonlinearThermalRun(mesh, nl.NLMM_HD_Count);
  FILE *fpTQ, *fpEP, *fpIQ;
  FILE** hdFiles;
  OpenThermalResultFiles(&fpTQ, &fpEP, &fpIQ, &hdFiles, r, nF, nP, nl.NLMM_HD_Count, job);

  // Current state in nl: temperatures aF, aP, fluxes R, the step's load extF, extP,
  // internal heat forces fIntF, fIntP, residual rF, rP.
  double *TF = nl.aF, *TP = nl.aP, *R = nl.R, *FF = nl.extF, *FP = nl.extP;
  double* dT = nl.workF[1];      // correction of the iteration
  double* dTstep = nl.workF[2];  // temperature increment of the step
  double* xP = nl.workP[1];      // change of the prescribed temperatures in this iteration
  double* dR = nl.workP[2];      // flux correction of the iteration
  double* TPstep = nl.workP[3];  // prescribed temperatures of the combination
  double *fF, *fP;               // external side of the residual
  allocd1(&fF, nF);
  allocd1(&fP, nP);
  // Below alpha = 1/2 and for the forward rule the prescribed rows are no equations of the
  // iteration: their fluxes follow from the end-of-step balance once the step converged.
  const bool endFlux = EndOfStepHeatFlux(m.ThermalSteppingMethod, m.ThermalTheta);
  double* noP;  // zero prescribed-row residual
  allocd1(&noP, nP);
  zerod1(noP, nP);
  ThermalLevel o;
  AllocLevel(nF, nP, &o);

  const double alpha = m.ThermalTheta;
  const int first = r + 1;
  FaceFluidTemperatures fluid{};
  CalcElementSurfFluidTemp(fp, first, firstLoadCase, mesh, t.w.ElemPropIndex, comb, &fluid);
  ThermalStepState s{first, 0, 0.0, o.TF, o.TP, &nl.Index, &nl.Table, nl.ElemToHD, &fluid};
  CalcThermalTransientInitCond(OutputControl, mesh, &t, &s, o.FF, o.R, o.TF, o.TP);
  if (r == 0) {
    copyd1(TF, o.TF, nF);
    copyd1(TP, o.TP, nP);
    copyd1(R, o.R, nP);
    copyd1(FF, o.FF, nF);
    copyd1(FP, o.FP, nP);
  } else {
    const ThermalLevel restored{TF, TP, FF, FP, R};
    CopyLevel(nF, nP, &restored, &o);
  }

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);
  ThermalMatrices K{};
  SparseRowMatrix EFF{};
  bool held = false;
  LinearSolverStep solverStep{};
  bool prepared = false;
  bool constant, linear;
  ThermalMatricesConstancy(mesh, &t, &constant, &linear);
  double dtFactor = -1.0;  // step length of the factor held
  int64_t nC[3] = {0, 0, 0}, nT[3] = {0, 0, 0};  // terms of the matrices held

  for (int c = first; c <= m.nCombinations; c++) {
    std::printf("\n");
    std::printf("## Combination number = %d\n", c);
    const double start = WallSeconds();
    long header;
    WriteCombinationHeader(fpEP, &header);
    if (nl.PathBehavior == 1) zerod1(dTstep, nF);
    const double dt = comb[c].Params.StepDuration;
    if (c != first) {
      FreeElementSurfFluidTemp(&fluid);
      CalcElementSurfFluidTemp(fp, c, firstLoadCase, mesh, t.w.ElemPropIndex, comb, &fluid);
    }
    s = ThermalStepState{c, 0, dt, TF, TP, &nl.Index, &nl.Table, nl.ElemToHD, &fluid};
    const ThermalStepLevels levels{o.TF, o.TP, o.FF, o.FP, o.R, FF, FP, R};

    ThermalStepLoads_NL(fp, c, OutputControl, mesh, &t, &set, &s, FF, FP, TPstep);
    for (int i = 1; i <= nP; i++) xP[i] = TPstep[i] - TP[i];
    ThermalResid(linear && held, OutputControl, mesh, &t, &s, alpha, &levels, &K, fF, fP, &nl);

    int it = 1;
    for (;; it++) {
      if (it > m.MaxIterations) IterationLimitReached(c, m.MaxIterations, fpEP);
      s.iteration = it;
      bool update = GlobalStiffMatNeedsUpdate(c, it, m.IterativeAlgorithm);
      bool read = !update && GlobalStiffMatNeedsToBeRead(c, r, it, m.IterativeAlgorithm);
      if ((update || read) && constant && prepared && held && dt == dtFactor) {
        // The matrices held are those the update would give: they are kept, and saved
        // where the strategy saves them.
        if (update && GlobalStiffMatNeedsToBeWritten(c, it, m.IterativeAlgorithm)) {
          WriteGlobalCondMat(nC[0], nC[1], nC[2], nF, nP, &K, job);
          WriteGlobalTransientMat(nT[0], nT[1], nT[2], nF, nP, &K, job);
        }
        update = read = false;
      }
      if ((update || read) && held) {
        FreeSparseMatPair(nF, EFF.count, EFF.cols, EFF.vals);
        FreeGlobalStiffMat(nF, nP, &K.KTFF, &K.KTPF, &K.KTPP);
        FreeGlobalStiffMat(nF, nP, &K.KCFF, &K.KCPF, &K.KCPP);
        held = false;
      }
      if (update) {
        ResetIterSummaryRecord(&iter);
        AssembGlobalCondMat_NL(&nC[0], &nC[1], &nC[2], OutputControl, &iter, mesh, &t, &s, &K.KCFF, &K.KCPF, &K.KCPP);
        AssembGlobalTransientMat_NL(&nT[0], &nT[1], &nT[2], OutputControl, &iter, mesh, &t, &s, &K.KTFF, &K.KTPF,
                                    &K.KTPP);
        if (GlobalStiffMatNeedsToBeWritten(c, it, m.IterativeAlgorithm)) {
          WriteGlobalCondMat(nC[0], nC[1], nC[2], nF, nP, &K, job);
          WriteGlobalTransientMat(nT[0], nT[1], nT[2], nF, nP, &K, job);
        }
      } else if (read) {
        ResetIterSummaryRecord(&iter);
        ReadGlobalCondMat(&nC[0], &nC[1], &nC[2], nF, nP, &K, job);
        ReadGlobalTransientMat(&nT[0], &nT[1], &nT[2], nF, nP, &K, job);
        iter.nTermsKFF = static_cast<int32_t>(nT[0]);
        iter.nTermsKPF = static_cast<int32_t>(nT[1]);
        iter.nTermsKPP = static_cast<int32_t>(nT[2]);
      }
      if (update || read) {
        CalcThermalEffMat(nF, dt, alpha, OutputControl, &EFF, &K.KTFF, &K.KCFF);
        held = true;
        if (prepared) ReleaseLinearSolver(&solverStep);
        PrepareLinearSolver(solver, nF, OutputControl, &EFF, &iter, &solverStep);
        prepared = true;
        dtFactor = dt;
      }
      // Every strategy assembles or reads in the first iteration a run makes.
      if (!prepared) InternalError(__FILE__, __LINE__);
      // After the factorisation: the record carries this iteration's profile fields.
      WriteSummaryRecord(fpEP, &iter);

      copyd1(dT, nl.rF, nF);
      CalcThermalEffLoadTerms(nF, nP, alpha, dt, &K, xP, dT);
      StepSummaryRecord step;
      ResetStepSummaryRecord(&step);
      char tag[64];
      IterationHistoryTag("_", c, it, m.nCombinations, m.MaxIterations, tag, static_cast<int>(sizeof tag));
      SolveLinearSystem(&solverStep, m.PrecondResidualDecay, job, tag, OutputControl, &EFF, dT, &step);
      CalcBoundaryHeatFlux_NL(nF, nP, m.ThermalSteppingMethod, alpha, dt, &K, dT, xP, nl.rP, dR);
      AddScaledVector(nP, 1.0, xP, TP);
      UpdateTempBoundaryHeatFlux(nF, nP, nl.PathBehavior, TF, dTstep, dT, dR, R);

      // The history data of the step start again from the converged state.
      if (nl.PathBehavior == 1) RestoreNLMM_HD(&nl.Table, nl.NLMM_HD_Count);
      ThermalStepLoads_NL(fp, c, OutputControl, mesh, &t, &set, &s, FF, FP, TPstep);
      ThermalResid(linear && held, OutputControl, mesh, &t, &s, alpha, &levels, &K, fF, fP, &nl);

      double ratio;
      const bool converged =
          CheckThermalConvergence(mesh, nF, nP, fF, fP, nl.fIntF, nl.fIntP, nl.rF, endFlux ? noP : nl.rP, &ratio);
      step.residualNorm = ratio;
      std::printf("Residual norm = %20.12le\n", ratio);
      WriteSummaryRecord(fpEP, &step);
      if (converged) break;
      if (it == 1) zerod1(xP, nP);
    }

    if (endFlux) EndOfStepFluxes_NL(fp, c, OutputControl, mesh, &t, &set, &s, &levels, &nl, FF, FP, TPstep, R);

    // The converged step: result records, history data, restart point.
    const double elapsed = WallSeconds() - start;
    FillEquilibriumPathRecord(nF, nP, it, 0.0, mesh->ArcLength.RadiusFactor, elapsed, nl.EP.d3, nl.EP.d4, &nl.EP, FF,
                              FP);
    CheckFiniteResults(nP, R, "boundary heat flux");
    WriteDisplReact(fpTQ, c, nF, nP, TF, TP, R);
    WriteEquilibriumPathRecord(fpEP, nF, nP, &nl.EP);
    PatchCombinationHeader(fpEP, c, it, header);
    WriteNLMM_HD(hdFiles, &nl.Table, nl.NLMM_HD_Count);
    WriteInternalForces(fpIQ, nF, nP, c, nl.fIntF, nl.fIntP);
    FlushFile(fpTQ);
    FlushFile(fpEP);
    FlushFile(fpIQ);
    FlushHistoryFiles(hdFiles, nl.NLMM_HD_Count, kMaterialKinds);
    WriteLastConvergedCombination(c, job);
    RecordWritten(RunUnit::kCombination, c, job);
    if (nl.PathBehavior == 1) AcceptNLMM_HD(&nl.Table, nl.NLMM_HD_Count);
    const ThermalLevel converged{TF, TP, FF, FP, R};
    CopyLevel(nF, nP, &converged, &o);
  }

  // Shut-down.
  if (prepared) ReleaseLinearSolver(&solverStep);
  if (held) {
    FreeSparseMatPair(nF, EFF.count, EFF.cols, EFF.vals);
    FreeGlobalStiffMat(nF, nP, &K.KTFF, &K.KTPF, &K.KTPP);
    FreeGlobalStiffMat(nF, nP, &K.KCFF, &K.KCPF, &K.KCPP);
  }
  FreeElementSurfFluidTemp(&fluid);
  FreeLevel(&o);
  freed1(noP);
  freed1(fP);
  freed1(fF);
  CloseThermalResultFiles(fpTQ, fpEP, fpIQ, hdFiles, nl.NLMM_HD_Count);
  FreeNonlinearWorkArrays(&nl);
  FreeThermalWorkArrays(&t);
  CloseCombinationSet(fp, mesh, &set);
}

}  // namespace

void MainThermalTransientLinGaussElimNCSB(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainThermalTransientLin(SOLVER_GAUSS_ELIM_NCSB, fp, job, OutputControl, mesh);
}

void MainThermalTransientLinIterJacPreConjGrad(FILE* fp, const char* job, const char* OutputControl,
                                               MeshData* mesh) {
  MainThermalTransientLin(SOLVER_ITER_JPCG, fp, job, OutputControl, mesh);
}

void MainThermalTransientNonlinGaussElimNCSB(FILE* fp, long posAfterMesh, const char* job, const char* OutputControl,
                                             MeshData* mesh) {
  MainThermalTransientNonlin(SOLVER_GAUSS_ELIM_NCSB, fp, posAfterMesh, job, OutputControl, mesh);
}

void MainThermalTransientNonlinIterJacPreConjGrad(FILE* fp, long posAfterMesh, const char* job,
                                                  const char* OutputControl, MeshData* mesh) {
  MainThermalTransientNonlin(SOLVER_ITER_JPCG, fp, posAfterMesh, job, OutputControl, mesh);
}
