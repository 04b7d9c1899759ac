// Steps of the Newton-Raphson loop shared by the nonlinear static and thermal drivers.
#include "analysis/newton_steps.h"

#include <cstdio>

#include "analysis/interrupt.h"
#include "analysis/nonlinear_control.h"
#include "analysis/results.h"
#include "analysis/static_nonlinear.h"
#include "history/history.h"
#include "model/fileio.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

StiffnessMoves StiffnessMovesOf(int c, int r, int it, int strategy) {
  StiffnessMoves m;
  m.update = GlobalStiffMatNeedsUpdate(c, it, strategy);
  // No strategy reads in an iteration that assembles.
  m.read = !m.update && GlobalStiffMatNeedsToBeRead(c, r, it, strategy);
  m.write = m.update && GlobalStiffMatNeedsToBeWritten(c, it, strategy);
  m.hold = m.update && strategy == 4;
  return m;
}

bool UpdateGlobalMatrices(const StiffnessMoves& moves, int solver, int nF, const char* OutputControl,
                          const GlobalMatrixSteps& steps, NewtonMatrixState* ms, FILE* fpEP) {
  const bool replaced = moves.update || moves.read;
  if (replaced && ms->held) {
    steps.release();
    ms->held = false;
  }
  if (moves.update) {
    ResetIterSummaryRecord(&ms->iter);
    steps.assemble(&ms->iter);
    if (moves.write) steps.write();
    if (moves.hold) {
      if (!steps.hold) InternalError(__FILE__, __LINE__);
      steps.hold();
    }
  } else if (moves.read) {
    ResetIterSummaryRecord(&ms->iter);
    int64_t n[3] = {0, 0, 0};
    steps.read(n);
    ms->iter.nTermsKFF = static_cast<int32_t>(n[0]);
    ms->iter.nTermsKPF = static_cast<int32_t>(n[1]);
    ms->iter.nTermsKPP = static_cast<int32_t>(n[2]);
  }
  if (replaced) {
    SparseRowMatrix* K = steps.solved();
    ms->held = true;
    const bool renew = ms->prepared;
    // A preparation that a singular tangent stops in an iterate holds its arrays all the
    // same: they are released with the solver.
    ms->prepared = true;
    if (renew)
      RenewLinearSolver(solver, nF, OutputControl, K, &ms->iter, &ms->solverStep);
    else
      PrepareLinearSolver(solver, nF, OutputControl, K, &ms->iter, &ms->solverStep);
  }
  // Every strategy assembles or reads in the first iteration a run makes.
  if (!ms->prepared) InternalError(__FILE__, __LINE__);
  // After the factorisation: the record carries this iteration's profile fields.
  WriteSummaryRecord(fpEP, &ms->iter);
  return replaced;
}

void ReleaseGlobalMatrices(const std::function<void()>& release, NewtonMatrixState* ms) {
  if (ms->prepared) ReleaseLinearSolver(&ms->solverStep);
  if (ms->held) release();
  ms->prepared = ms->held = false;
}

double BeginCombination(int c, const NonlinearWorkArrays* nl, double* increment, FILE* fpEP, long* header) {
  std::printf("\n");
  std::printf("## Combination number = %d\n", c);
  const double start = WallSeconds();
  WriteCombinationHeader(fpEP, header);
  if (nl->PathBehavior == 1) zerod1(increment, nl->nF);
  return start;
}

void ReportIterationNorm(double norm, StepSummaryRecord* step, FILE* fpEP) {
  step->residualNorm = norm;
  std::printf("Residual norm = %20.12le\n", norm);
  WriteSummaryRecord(fpEP, step);
}

void RestoreIterateHistory(NonlinearWorkArrays* nl) {
  if (nl->PathBehavior != 1) return;
  RestoreInStepNLMM_HD(&nl->Table, nl->NLMM_HD_Count);
  RestoreNLSMM_HD(&nl->SpringTable, nl->NLSMM_HD_Count);
}

void AcceptCombination(const ConvergedCombination& cc, const MeshData* mesh, const char* job,
                       const NonlinearResultFiles* files, NonlinearWorkArrays* nl) {
  const int nF = nl->nF, nP = nl->nP;
  const double elapsed = WallSeconds() - cc.start;
  FillEquilibriumPathRecord(nF, nP, cc.it, cc.radius, mesh->ArcLength.RadiusFactor, elapsed, cc.eta, cc.t, &nl->EP,
                            nl->extF, nl->extP);
  WriteDisplReact(files->fpDR, cc.c, nF, nP, nl->aF, nl->aP, nl->R);
  WriteEquilibriumPathRecord(files->fpEP, nF, nP, &nl->EP);
  PatchCombinationHeader(files->fpEP, cc.c, cc.it, cc.header);
  WriteNLMM_HD(files->hdFiles, &nl->Table, nl->NLMM_HD_Count);
  if (files->shdFiles != nullptr) WriteNLSMM_HD(files->shdFiles, &nl->SpringTable, nl->NLSMM_HD_Count);
  WriteInternalForces(files->fpIF, nF, nP, cc.c, nl->fIntF, nl->fIntP);
  FlushFile(files->fpEP);
  FlushFile(files->fpIF);
  FlushHistoryFiles(files->hdFiles, nl->NLMM_HD_Count, kMaterialKinds);
  if (files->shdFiles != nullptr) FlushHistoryFiles(files->shdFiles, nl->NLSMM_HD_Count, kSpringMaterialKinds);
  WriteRestartRecord(cc.c, job, files->fpDR, files->fpEP, files->fpIF, files->hdFiles, files->shdFiles, nl);
  WriteLastConvergedCombination(cc.c, job);
  RecordWritten(RunUnit::kCombination, cc.c, job);
  if (nl->PathBehavior == 1) AcceptHistory(nl);
}
