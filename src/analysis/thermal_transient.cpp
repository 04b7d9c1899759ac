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
#include "analysis/newton_steps.h"
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
  ThermalStepLoads(fp, 1, OutputControl, mesh, &t, &set, &n);
  StartFromLoadsAtT0(nF, nP, n.FF, n.FP, o.FF, o.FP, o.R);
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
      CheckThermalStepStable(c, dt, alpha, nF, &K.KTFF, &K.KCFF);
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


// Thermal loads of the load cases of combination c at the current temperatures of s (the
// radiation follows them) into FF, FP, and the combination's prescribed temperatures.
void CombinationThermalLoads_NL(FILE* fp, int c, const char* OutputControl, const MeshData* mesh,
                                const ThermalWorkArrays* t, const CombinationSet* set, const ThermalStepState* s,
                                double* FF, double* FP, double* TPstep) {
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
}

// The same with the heat of hydration of the step.
void ThermalStepLoads_NL(FILE* fp, int c, const char* OutputControl, const MeshData* mesh, const ThermalWorkArrays* t,
                         const CombinationSet* set, const ThermalStepState* s, double* FF, double* FP,
                         double* TPstep) {
  CombinationThermalLoads_NL(fp, c, OutputControl, mesh, t, set, s, FF, FP, TPstep);
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
  RestoreIterateHistory(nl);
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

// What the steps of a nonlinear thermal transient run share.
struct ThermalRun : DriverInput {
  CombinationSet set;
  long firstLoadCase;  // file position of load case 1
  ThermalWorkArrays t;
  NonlinearWorkArrays nl;
  NonlinearResultFiles files;  // <job>_tq.bin, <job>_ep.bin, <job>_iq.bin, history files
  int nF, nP;
  int r;         // combinations before the restart
  int first;     // first combination of the run
  double alpha;  // THERMAL_THETA
  // Below alpha = 1/2 and for the forward rule the prescribed rows are no equations of the
  // iteration: their fluxes follow from the end-of-step balance once the step converged.
  bool endFlux;
  bool constant, linear;  // see ThermalMatricesConstancy
  // Current state in nl: temperatures aF, aP, fluxes R, the step's load extF, extP,
  // internal heat forces fIntF, fIntP, residual rF, rP.
  double *TF, *TP, *R, *FF, *FP;
  double* dT;      // correction of the iteration
  double* dTstep;  // temperature increment of the step
  double* xP;      // change of the prescribed temperatures in this iteration
  double* dR;      // flux correction of the iteration
  double* TPstep;  // prescribed temperatures of the combination
  double *fF, *fP;  // external side of the residual
  double* noP;      // zero prescribed-row residual
  ThermalLevel o;   // the state at the start of the step
  FaceFluidTemperatures fluid;
  ThermalStepState s;
  // The global matrices and the effective matrix of the solves.
  ThermalMatrices K;
  SparseRowMatrix EFF;
  int64_t nC[3], nT[3];  // terms of the matrices held
  NewtonMatrixState matrices;
  double dtFactor;  // step length of the factor held
  double dtEff;     // step length of the effective matrix to build
  // A restart reading the saved matrices back builds the factor of the step length the
  // uninterrupted run held (a strategy that does not update at a change of step keeps
  // the factor of an earlier length).
  double restartFactorStep;
  // The combination.
  int c;
  double dt;
  double start;  // wall-clock start
  long header;   // its header in <job>_ep.bin
  ThermalStepLevels levels;
  // The iteration.
  int it;
  StepSummaryRecord step;
};

GlobalMatrixSteps ThermalMatrixSteps(ThermalRun* run);

// The driver's vectors over the work vectors of the set-up, and its own.
void SetUpThermalRunVectors(ThermalRun* run) {
  NonlinearWorkArrays& nl = run->nl;
  run->TF = nl.aF;
  run->TP = nl.aP;
  run->R = nl.R;
  run->FF = nl.extF;
  run->FP = nl.extP;
  run->dT = nl.workF[1];
  run->dTstep = nl.workF[2];
  run->xP = nl.workP[1];
  run->dR = nl.workP[2];
  run->TPstep = nl.workP[3];
  allocd1(&run->fF, run->nF);
  allocd1(&run->fP, run->nP);
  allocd1(&run->noP, run->nP);
  zerod1(run->noP, run->nP);
  AllocLevel(run->nF, run->nP, &run->o);
}

// Set-up: combinations, numbering, history data and result files, the initial state or
// the state of the restart point.
void SetUpThermalRun(const DriverInput& in, long posAfterMesh, ThermalRun* run) {
  FILE* fp = in.fp;
  MeshData* mesh = in.mesh;
  const MainParameters& m = mesh->Main;
  if (m.nLoadCases == 0) InternalError(__FILE__, __LINE__);
  *run = ThermalRun{};
  static_cast<DriverInput&>(*run) = in;
  run->r = m.nCombBeforeRestart;

  SeekFile(fp, posAfterMesh);
  OpenCombinationSet(fp, mesh, &run->set);
  run->firstLoadCase = run->set.positions[1];
  CheckStepDurations("thermal transient analysis", mesh, run->set.comb);
  InitializeThermalWorkArrays(1, mesh, &run->t);
  run->nF = run->t.w.nF;
  run->nP = run->t.w.nP;

  NonlinearWorkArrays& nl = run->nl;
  InitializeNonlinearThermalAnalysis(run->r, mesh->nPoints, run->nF, run->nP, in.job, mesh, run->t.w.ElemPropIndex,
                                     &nl);
  CheckNonlinearThermalRun(mesh, nl.NLMM_HD_Count);
  NonlinearResultFiles& f = run->files;
  OpenThermalResultFiles(&f.fpDR, &f.fpEP, &f.fpIF, &f.hdFiles, run->r, run->nF, run->nP, nl.NLMM_HD_Count, in.job);
  SetUpThermalRunVectors(run);
  run->endFlux = EndOfStepHeatFlux(m.ThermalSteppingMethod, m.ThermalTheta);

  run->alpha = m.ThermalTheta;
  run->first = run->r + 1;
  CalcElementSurfFluidTemp(fp, run->first, run->firstLoadCase, mesh, run->t.w.ElemPropIndex, run->set.comb,
                           &run->fluid);
  ThermalLevel& o = run->o;
  run->s = ThermalStepState{run->first, 0, 0.0, o.TF, o.TP, &nl.Index, &nl.Table, nl.ElemToHD, &run->fluid};
  ThermalLevel current{run->TF, run->TP, run->FF, run->FP, run->R};
  if (run->r == 0) {
    CalcThermalTransientInitCond(in.OutputControl, mesh, &run->t, &run->s, o.FF, o.R, o.TF, o.TP);
    // The loads of the load cases at t0 and at the initial field; the heat of hydration
    // is a release over a step and has no value before the first one.
    CombinationThermalLoads_NL(fp, run->first, in.OutputControl, mesh, &run->t, &run->set, &run->s, run->FF, run->FP,
                               run->TPstep);
    StartFromLoadsAtT0(run->nF, run->nP, run->FF, run->FP, o.FF, o.FP, o.R);
    CopyLevel(run->nF, run->nP, &o, &current);
  } else {
    CopyLevel(run->nF, run->nP, &current, &o);
  }

  ResetIterSummaryRecord(&run->matrices.iter);
  ThermalMatricesConstancy(mesh, &run->t, &run->constant, &run->linear);
  run->dtFactor = -1.0;
  run->restartFactorStep = run->r > 0 ? nl.Restart.factorStep : 0.0;
  // The uninterrupted run of matrices that cannot change takes the first residual of the
  // next step from the matrices it holds: a restart holds them too.
  if (run->r > 0 && run->linear) {
    IterSummaryRecord iter;
    ThermalMatrixSteps(run).assemble(&iter);
    run->matrices.held = true;
  }
}

// Load increment: the start of step c, its fluid temperatures, loads and prescribed
// temperatures, and the residual at the temperatures of the step start.
void BeginThermalStep(ThermalRun* run) {
  NonlinearWorkArrays& nl = run->nl;
  const int c = run->c;
  run->start = BeginCombination(c, &nl, run->dTstep, run->files.fpEP, &run->header);
  run->dt = run->set.comb[c].Params.StepDuration;
  if (c != run->first) {
    FreeElementSurfFluidTemp(&run->fluid);
    CalcElementSurfFluidTemp(run->fp, c, run->firstLoadCase, run->mesh, run->t.w.ElemPropIndex, run->set.comb,
                             &run->fluid);
  }
  run->s = ThermalStepState{c, 0, run->dt, run->TF, run->TP, &nl.Index, &nl.Table, nl.ElemToHD, &run->fluid};
  const ThermalLevel& o = run->o;
  run->levels = ThermalStepLevels{o.TF, o.TP, o.FF, o.FP, o.R, run->FF, run->FP, run->R};

  ThermalStepLoads_NL(run->fp, c, run->OutputControl, run->mesh, &run->t, &run->set, &run->s, run->FF, run->FP,
                      run->TPstep);
  for (int i = 1; i <= run->nP; i++) run->xP[i] = run->TPstep[i] - run->TP[i];
  ThermalResid(run->linear && run->matrices.held, run->OutputControl, run->mesh, &run->t, &run->s, run->alpha,
               &run->levels, &run->K, run->fF, run->fP, &nl);
}

// The conductivity and capacity matrices of the run and their effective matrix as the
// stiffness update moves them.
GlobalMatrixSteps ThermalMatrixSteps(ThermalRun* run) {
  ThermalRun& u = *run;
  GlobalMatrixSteps steps;
  steps.release = [&u] {
    FreeSparseMatPair(u.nF, u.EFF.count, u.EFF.cols, u.EFF.vals);
    FreeGlobalStiffMat(u.nF, u.nP, &u.K.KTFF, &u.K.KTPF, &u.K.KTPP);
    FreeGlobalStiffMat(u.nF, u.nP, &u.K.KCFF, &u.K.KCPF, &u.K.KCPP);
  };
  steps.assemble = [&u](IterSummaryRecord* iter) {
    AssembGlobalCondMat_NL(&u.nC[0], &u.nC[1], &u.nC[2], u.OutputControl, iter, u.mesh, &u.t, &u.s, &u.K.KCFF,
                           &u.K.KCPF, &u.K.KCPP);
    AssembGlobalTransientMat_NL(&u.nT[0], &u.nT[1], &u.nT[2], u.OutputControl, iter, u.mesh, &u.t, &u.s, &u.K.KTFF,
                                &u.K.KTPF, &u.K.KTPP);
  };
  steps.write = [&u] {
    WriteGlobalCondMat(u.nC[0], u.nC[1], u.nC[2], u.nF, u.nP, &u.K, u.job);
    WriteGlobalTransientMat(u.nT[0], u.nT[1], u.nT[2], u.nF, u.nP, &u.K, u.job);
  };
  steps.hold = [&u] {
    WriteHeldMatrices(u.c, u.job, [&u](FILE* fp) { WriteThermalMatsStream(fp, u.nC, u.nT, u.nF, u.nP, &u.K); },
                      &u.nl);
  };
  steps.read = [&u](int64_t n[3]) {
    // Strategy 4: the matrices held at the end of the restart point, else the saved first.
    const bool held = u.mesh->Main.IterativeAlgorithm == 4 &&
                      ReadHeldMatrices(u.r, u.job, [&u](FILE* fp) { ReadThermalMatsStream(fp, u.nC, u.nT, u.nF, u.nP, &u.K); });
    if (!held) {
      ReadGlobalCondMat(&u.nC[0], &u.nC[1], &u.nC[2], u.nF, u.nP, &u.K, u.job);
      ReadGlobalTransientMat(&u.nT[0], &u.nT[1], &u.nT[2], u.nF, u.nP, &u.K, u.job);
    }
    for (int k = 0; k < 3; k++) n[k] = u.nT[k];
  };
  steps.solved = [&u] {
    // The matrices at the temperatures of the step: the limit follows them.
    CheckThermalStepStable(u.c, u.dt, u.alpha, u.nF, &u.K.KTFF, &u.K.KCFF);
    CalcThermalEffMat(u.nF, u.dtEff, u.alpha, u.OutputControl, &u.EFF, &u.K.KTFF, &u.K.KCFF);
    return &u.EFF;
  };
  return steps;
}

// Iterate, first part: the matrices of the iteration (assembled, read or kept).
void UpdateThermalMatrices(ThermalRun* run) {
  run->s.iteration = run->it;
  const GlobalMatrixSteps steps = ThermalMatrixSteps(run);
  StiffnessMoves moves = StiffnessMovesOf(run->c, run->r, run->it, run->mesh->Main.IterativeAlgorithm);
  const NewtonMatrixState& ms = run->matrices;
  if ((moves.update || moves.read) && run->constant && ms.prepared && ms.held && run->dt == run->dtFactor) {
    // The matrices held are those the update would give: they are kept, and saved where
    // the strategy saves them.
    if (moves.write) steps.write();
    moves = StiffnessMoves{false, false, false, false};
  }
  run->dtEff = run->dt;
  if (moves.read && run->c == run->first && run->restartFactorStep > 0.0) run->dtEff = run->restartFactorStep;
  if (UpdateGlobalMatrices(moves, run->solver, run->nF, run->OutputControl, steps, &run->matrices, run->files.fpEP))
    run->dtFactor = run->dtEff;
}

// Iterate, second part: the correction of the iteration and the temperatures and fluxes
// updated by it.
void SolveThermalIteration(ThermalRun* run) {
  NonlinearWorkArrays& nl = run->nl;
  const MainParameters& m = run->mesh->Main;
  const int nF = run->nF, nP = run->nP;
  copyd1(run->dT, nl.rF, nF);
  CalcThermalEffLoadTerms(nF, nP, run->alpha, run->dt, &run->K, run->xP, run->dT);
  ResetStepSummaryRecord(&run->step);
  char tag[64];
  IterationHistoryTag("_", run->c, run->it, m.nCombinations, m.MaxIterations, tag, static_cast<int>(sizeof tag));
  SolveLinearSystem(&run->matrices.solverStep, m.PrecondResidualDecay, run->job, tag, run->OutputControl, &run->EFF,
                    run->dT, &run->step);
  CalcBoundaryHeatFlux_NL(nF, nP, m.ThermalSteppingMethod, run->alpha, run->dt, &run->K, run->dT, run->xP, nl.rP,
                          run->dR);
  AddScaledVector(nP, 1.0, run->xP, run->TP);
  UpdateTempBoundaryHeatFlux(nF, nP, nl.PathBehavior, run->TF, run->dTstep, run->dT, run->dR, run->R);
}

// Iterate, last part, and the convergence check: the history data restored
// (path-independent), the loads and residual at the new temperatures, the heat force norm.
bool CheckThermalIteration(ThermalRun* run) {
  NonlinearWorkArrays& nl = run->nl;
  RestoreIterateHistory(&nl);
  ThermalStepLoads_NL(run->fp, run->c, run->OutputControl, run->mesh, &run->t, &run->set, &run->s, run->FF, run->FP,
                      run->TPstep);
  ThermalResid(run->linear && run->matrices.held, run->OutputControl, run->mesh, &run->t, &run->s, run->alpha,
               &run->levels, &run->K, run->fF, run->fP, &nl);
  double ratio;
  const bool converged = CheckThermalConvergence(run->mesh, run->nF, run->nP, run->fF, run->fP, nl.fIntF, nl.fIntP,
                                                 nl.rF, run->endFlux ? run->noP : nl.rP, &ratio);
  ReportIterationNorm(ratio, &run->step, run->files.fpEP);
  if (converged) return true;
  if (run->it == 1) zerod1(run->xP, run->nP);
  return false;
}

// Write and accept: the converged step into the result and history files, its state the
// start of the next step.
void AcceptThermalStep(ThermalRun* run) {
  NonlinearWorkArrays& nl = run->nl;
  if (run->endFlux)
    EndOfStepFluxes_NL(run->fp, run->c, run->OutputControl, run->mesh, &run->t, &run->set, &run->s, &run->levels, &nl,
                       run->FF, run->FP, run->TPstep, run->R);
  CheckFiniteResults(run->nP, run->R, "boundary heat flux");
  nl.Restart.factorStep = run->dtFactor;
  const ConvergedCombination cc{run->c, run->it, run->header, run->start, 0.0, nl.EP.d3, nl.EP.d4};
  AcceptCombination(cc, run->mesh, run->job, &run->files, &nl);
  const ThermalLevel converged{run->TF, run->TP, run->FF, run->FP, run->R};
  CopyLevel(run->nF, run->nP, &converged, &run->o);
}

// Shut-down: matrices, files and arrays released, the data file back at the combinations.
void ShutDownThermalRun(ThermalRun* run) {
  ReleaseGlobalMatrices(ThermalMatrixSteps(run).release, &run->matrices);
  FreeElementSurfFluidTemp(&run->fluid);
  FreeLevel(&run->o);
  freed1(run->noP);
  freed1(run->fP);
  freed1(run->fF);
  const NonlinearResultFiles& f = run->files;
  CloseThermalResultFiles(f.fpDR, f.fpEP, f.fpIF, f.hdFiles, run->nl.NLMM_HD_Count);
  FreeNonlinearWorkArrays(&run->nl);
  FreeThermalWorkArrays(&run->t);
  CloseCombinationSet(run->fp, run->mesh, &run->set);
}

void MainThermalTransientNonlin(int solver, FILE* fp, long posAfterMesh, const char* job, const char* OutputControl,
                                MeshData* mesh) {
  ThermalRun run;
  SetUpThermalRun(DriverInput{solver, fp, job, OutputControl, mesh}, posAfterMesh, &run);
  const int maxIterations = mesh->Main.MaxIterations;
  for (run.c = run.first; run.c <= mesh->Main.nCombinations; run.c++) {
    BeginThermalStep(&run);
    // Newton-Raphson iterations.
    for (run.it = 1;; run.it++) {
      if (run.it > maxIterations) IterationLimitReached(run.c, maxIterations, run.files.fpEP);
      UpdateThermalMatrices(&run);
      SolveThermalIteration(&run);
      if (CheckThermalIteration(&run)) break;
    }
    AcceptThermalStep(&run);
  }
  ShutDownThermalRun(&run);
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
