// Linear dynamic analysis: one time step per combination, Newmark's rule with the alpha
// weighting of Hilber, Hughes and Taylor. K, M and C are assembled once; the effective
// matrix is built (and, with Gaussian elimination, partitioned for the contact ties and
// factorised) whenever the step duration changes. Each step writes the displacements,
// reactions, velocities and accelerations to <job>_dr.bin.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "analysis/drivers.h"
#include "analysis/entry.h"
#include "analysis/interrupt.h"
#include "analysis/results.h"
#include "analysis/solution_control.h"
#include "assembly/assembly.h"
#include "assembly/linear_solver.h"
#include "assembly/solution_check.h"
#include "assembly/solvers.h"
#include "assembly/sparse_rows.h"
#include "assembly/summary.h"
#include "assembly/topology.h"
#include "dynamics/contact.h"
#include "dynamics/mass_damping.h"
#include "dynamics/newmark.h"
#include "loads/loads.h"
#include "model/fileio.h"
#include "model/loadcase.h"
#include "numcore/numcore.h"

namespace {

// The set-up check of the time integration: BETA and every step duration must be positive.
void CheckTimeIntegration(const MeshData* mesh, const CombinationData* comb) {
  CheckNewmarkBeta(mesh->Dynamic.Beta);
  CheckStepDurations("dynamic analysis", mesh, comb);
  // The mass term of the effective matrix, 1 / (BETA dt^2), must be a number: a step or a
  // BETA so small that it overflows is refused here, not taken for loads too large.
  for (int c = 1; c <= mesh->Main.nCombinations; c++) {
    const double dt = comb[c].Params.StepDuration, beta = mesh->Dynamic.Beta;
    if (std::isfinite(1.0 / (beta * dt * dt))) continue;
    std::fflush(stdout);
    std::fprintf(stderr, "\nVerifying the combinations of the dynamic analysis\n   -> Combination: %d\n", c);
    std::fprintf(stderr, "   -> STEP_DURATION: %g\n   -> BETA: %g\n", dt, beta);
    errexit("The step duration and BETA are too small: 1 / (BETA x STEP_DURATION^2)\nexceeds the range of the numbers.", 0);
  }
}

// Loads and prescribed displacements of combination c at the new time level: the load
// cases of factor magnitude 1e-8 or more, each read, computed and added in turn.
void CombinationLoads(FILE* fp, int c, const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                      const CombinationSet* set, DynState* n) {
  const int nF = w->nF, nP = w->nP;
  SumCombinationLoads(fp, c, mesh, set, nF, nP,
                      [&](int lc, double f, const LoadCaseData* data, double* FF, double* FP, double* uP) {
                        Calc_F(lc, OutputControl, data, mesh, w, FF, FP);
                        Calc_a_Presc(nP, lc, data, w->PointDofNumbers, uP, w->PointDofCodes);
                        scaled1(FF, nF, f);
                        scaled1(FP, nP, f);
                        scaled1(uP, nP, f);
                      },
                      n->FF, n->FP, n->uP);
}

// Everything a linear dynamic run holds from its set-up to its end.
struct DynamicRun {
  int solver = 0;
  FILE* fp = nullptr;
  const char* job = nullptr;
  const char* OutputControl = nullptr;
  MeshData* mesh = nullptr;
  IterSummaryRecord iter{};
  CombinationSet set{};
  const CombinationData* comb = nullptr;
  MainWorkArrays w{};
  int nF = 0, nP = 0;
  ContactDofs cd{};
  GlobalMatParts K{}, M{}, C{};
  FILE *fpDR = nullptr, *fpEP = nullptr;
  DynState o{}, n{};
  double *Fbar = nullptr, *lambda = nullptr, *lambdaNew = nullptr;
  double alpha = 0.0, beta = 0.0, gamma = 0.0;
  // The effective matrix of the step duration in hand and its solver.
  SparseRowMatrix EFF{};
  PartitionedContactMatrix pm{};
  ContactArrays ca{};
  LinearSolverStep cg{};
  bool cgReady = false;
  double a[6] = {};
  double dtPrev = -1.0;
  double contactSeconds = 0.0;
};

// The checks of the run, the combinations, the contact dofs, K, M and C, the result
// files and the initial state.
void SetUpDynamicRun(int solver, FILE* fp, const char* job, const char* OutputControl, MeshData* mesh,
                     DynamicRun* r) {
  const MainParameters& m = mesh->Main;
  RequireSinglePhase(mesh, "dynamic linear analysis");
  if (m.nCombinations == 0) errexit("The n. of combinations cannot be null.", 0);
  if (m.nLoadCases == 0) InternalError(__FILE__, __LINE__);
  if (solver == SOLVER_ITER_JPCG && m.nContactCases != 0)
    errexit("Contact cases of the dynamic analysis need the Gaussian elimination.\n"
            "Choose _GAUSS_ELIM_NCSB (SYSTEM_LIN_EQ_ALGORITHM) in <MAIN_PARAMETERS>.",
            0);
  r->solver = solver;
  r->fp = fp;
  r->job = job;
  r->OutputControl = OutputControl;
  r->mesh = mesh;

  ResetIterSummaryRecord(&r->iter);
  OpenCombinationSet(fp, mesh, &r->set);
  r->comb = r->set.comb;
  CheckTimeIntegration(mesh, r->comb);

  InitializeMainWorkArrays(1, mesh, &r->w);
  r->nF = r->w.nF;
  r->nP = r->w.nP;
  CalcContactAuxData(mesh, &r->w, m.nCombinations, r->comb, &r->cd);

  int64_t nTermsKFF, nTermsKPF, nTermsKPP;
  AssembGlobalStiffMat(&nTermsKFF, &nTermsKPF, &nTermsKPP, job, OutputControl, &r->iter, mesh, &r->K.FF, &r->K.PF,
                       &r->K.PP, &r->w);
  AssembGlobalMassMat(OutputControl, mesh, &r->w, &r->M.FF, &r->M.PF, &r->M.PP);
  AssembGlobalDampingMat(OutputControl, mesh, &r->w, &r->C.FF, &r->C.PF, &r->C.PP);

  OpenLinearResultFiles(job, false, &r->fpDR, &r->fpEP);

  const int nF = r->nF, nP = r->nP;
  DynState& o = r->o;
  AllocDynState(nF, nP, &o);
  AllocDynState(nF, nP, &r->n);
  Calc_Init_Cond(nF, nP, mesh, &r->w, &o);
  // The reactions of the initial state (no loads, supports at rest): the alpha-weighted
  // reactions of the first step build on them.
  AddScaledSparseMatVecProduct(nP, 1.0, r->M.PF.count, r->M.PF.cols, r->M.PF.vals, o.aF, o.R);
  AddScaledSparseMatVecProduct(nP, 1.0, r->C.PF.count, r->C.PF.cols, r->C.PF.vals, o.vF, o.R);
  AddScaledSparseMatVecProduct(nP, 1.0, r->K.PF.count, r->K.PF.cols, r->K.PF.vals, o.uF, o.R);
  CopyDynState(nF, nP, &o, &r->n);
  allocd1(&r->Fbar, nF);
  allocd1(&r->lambda, r->cd.nX);
  allocd1(&r->lambdaNew, r->cd.nX);
  zerod1(r->lambda, r->cd.nX);
  zerod1(r->lambdaNew, r->cd.nX);

  const DynamicAnalysisParameters& dp = mesh->Dynamic;
  r->alpha = dp.Alpha;
  r->beta = dp.Beta;
  r->gamma = dp.Gamma;
}

// The effective matrix of the step duration dt, partitioned for the contact ties and
// factorised (Gaussian elimination) or prepared for the conjugate gradient.
void PrepareEffectiveMatrix(double dt, DynamicRun* r) {
  if (r->cgReady) ReleaseLinearSolver(&r->cg);
  r->cgReady = false;
  FreeSparseRowMatrix(&r->EFF);
  CalcNewmarkConst(r->beta, r->gamma, dt, r->a);
  AllocSparseRowMatrix(r->nF, &r->EFF);
  CalcDynEffMat(r->nF, r->alpha, r->OutputControl, r->a, &r->C.FF, &r->EFF, &r->K.FF, &r->M.FF);
  if (r->solver == SOLVER_GAUSS_ELIM_NCSB) {
    Calc_KII_KIX_KXX(r->OutputControl, &r->cd, &r->EFF, &r->pm);
    r->iter.nTermsNCSB = static_cast<int32_t>(r->pm.nTermsKII > INT32_MAX ? INT32_MAX : r->pm.nTermsKII);
    FactorNCSB(r->cd.nI, &r->iter.factorSeconds, r->OutputControl, r->pm.last, r->pm.KII);
  } else {
    PrepareLinearSolver(SOLVER_ITER_JPCG, r->nF, r->OutputControl, &r->EFF, &r->iter, &r->cg);
    r->cgReady = true;
  }
  r->dtPrev = dt;
}

// The loads of combination c, the velocities and accelerations of the prescribed dofs,
// the contact ties and the effective load vector of the step.
void StepLoads(int c, double dt, DynamicRun* r) {
  DynState &o = r->o, &n = r->n;
  CombinationLoads(r->fp, c, r->OutputControl, r->mesh, &r->w, &r->set, &n);
  for (int i = 1; i <= r->nP; i++) {
    n.vP[i] = (n.uP[i] - o.uP[i]) / dt;
    n.aP[i] = (n.vP[i] - o.vP[i]) / dt;
  }
  // The ties of the step follow the prescribed displacements at its end.
  if (r->solver == SOLVER_GAUSS_ELIM_NCSB && r->cd.nX > 0)
    CalcContactArray(&r->comb[c], r->alpha, r->OutputControl, r->mesh, &r->w, &r->cd, n.uP, &r->ca);
  Calc_F_FreeMasterSlave(r->mesh, r->w.PointDofNumbers, n.FF, r->w.PointDofCodes);
  Calc_F_Overbar_Free_Dyn(r->nF, r->nP, r->alpha, r->a, &r->M, &r->C, &r->K, &o, &n, &r->cd, &r->ca, r->lambda,
                          r->Fbar);
}

// The free displacements of step c: the partitioned contact solve, or the conjugate
// gradient with its summary record.
void SolveStep(int c, DynamicRun* r) {
  if (r->solver == SOLVER_GAUSS_ELIM_NCSB) {
    SolvePartitionedContact(c, &r->cd, &r->ca, &r->pm, r->Fbar, r->n.uF, r->lambdaNew, &r->contactSeconds);
  } else {
    StepSummaryRecord step;
    ResetStepSummaryRecord(&step);
    char tag[64];
    StepHistoryTag(c, r->mesh->Main.nCombinations, tag, static_cast<int>(sizeof tag));
    SolveLinearSystem(&r->cg, r->mesh->Main.PrecondResidualDecay, r->job, tag, r->OutputControl, &r->EFF, r->Fbar,
                      &step);
    copyd1(r->n.uF, r->Fbar, r->nF);
    WriteSummaryRecord(r->fpEP, &step);
  }
}

void ShutDownDynamicRun(DynamicRun* r) {
  const int nF = r->nF, nP = r->nP;
  if (r->cgReady) ReleaseLinearSolver(&r->cg);
  FreeSparseRowMatrix(&r->EFF);
  CloseLinearResultFiles(r->fpDR, r->fpEP, false);

  freed1(r->lambdaNew);
  freed1(r->lambda);
  freed1(r->Fbar);
  FreeDynState(&r->n);
  FreeDynState(&r->o);
  FreeGlobalStiffMat(nF, nP, &r->C.FF, &r->C.PF, &r->C.PP);
  FreeGlobalStiffMat(nF, nP, &r->M.FF, &r->M.PF, &r->M.PP);
  FreeGlobalStiffMat(nF, nP, &r->K.FF, &r->K.PF, &r->K.PP);
  FreeDynArrays(&r->cd, &r->ca, &r->pm);
  FreeMainWorkArrays(&r->w);
  CloseCombinationSet(r->fp, r->mesh, &r->set);
}

void MainDynamicLin(int solver, FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  DynamicRun r;
  SetUpDynamicRun(solver, fp, job, OutputControl, mesh, &r);
  for (int c = 1; c <= mesh->Main.nCombinations; c++) {
    const double dt = r.comb[c].Params.StepDuration;
    if (dt != r.dtPrev) PrepareEffectiveMatrix(dt, &r);
    if (c == 1) WriteSummaryRecord(r.fpEP, &r.iter);
    StepLoads(c, dt, &r);
    SolveStep(c, &r);
    Calc_a_FreeMasterSlave(mesh, r.w.PointDofNumbers, r.n.uF, r.w.PointDofCodes);
    UpdateVelocAccel(r.nF, r.beta, r.gamma, dt, r.n.aF, r.o.aF, r.n.vF, r.o.vF, r.n.uF, r.o.uF);
    CloseDynamicStep(c, r.nF, r.nP, r.alpha, &r.M, &r.C, &r.K, r.fpDR, job, &r.o, &r.n);
    copyd1(r.lambda, r.lambdaNew, r.cd.nX);
  }
  ShutDownDynamicRun(&r);
}

}  // namespace

void CloseDynamicStep(int step, int nF, int nP, double alpha, const GlobalMatParts* M, const GlobalMatParts* C,
                      const GlobalMatParts* K, FILE* fpDR, const char* job, DynState* o, DynState* n) {
  CalcDynReact(nF, nP, alpha, M, C, K, o, n);
  CheckFiniteResults(nF, n->uF, "displacement");
  CheckFiniteResults(nP, n->R, "reaction");
  WriteDisplReact(fpDR, step, nF, nP, n->uF, n->uP, n->R);
  WriteDynStepVectors(fpDR, nF, nP, n->aF, n->aP, n->vF, n->vP);
  RecordWritten(RunUnit::kStep, step, job);
  CopyDynState(nF, nP, n, o);
}

void StepHistoryTag(int c, int nCombinations, char* tag, int size) {
  char digits[16];
  const int width = std::snprintf(digits, sizeof digits, "%d", nCombinations);
  if (std::snprintf(tag, static_cast<size_t>(size), "_Comb%*.*d", width, width, c) >= size)
    InternalError(__FILE__, __LINE__);
}

void CheckStepDurations(const char* analysis, const MeshData* mesh, const CombinationData* comb) {
  for (int c = 1; c <= mesh->Main.nCombinations; c++) {
    const double dt = comb[c].Params.StepDuration;
    if (dt > 0.0 && std::isfinite(dt)) continue;
    std::fflush(stdout);
    std::fprintf(stderr, "\nVerifying the combinations of the %s\n   -> Combination: %d\n", analysis, c);
    std::fprintf(stderr, "   -> STEP_DURATION: %g\n", dt);
    char msg[256];
    std::snprintf(msg, sizeof msg, "The step duration of a combination of the %s\nmust be positive.", analysis);
    errexit(msg, 0);
  }
}

void MainDynamicLinGaussElimNCSB(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainDynamicLin(SOLVER_GAUSS_ELIM_NCSB, fp, job, OutputControl, mesh);
}

void MainDynamicLinIterJacPreConjGrad(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainDynamicLin(SOLVER_ITER_JPCG, fp, job, OutputControl, mesh);
}
