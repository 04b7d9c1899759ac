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

void MainDynamicLin(int solver, FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  const MainParameters& m = mesh->Main;
  RequireSinglePhase(mesh, "dynamic linear analysis");
  if (m.nCombinations == 0) errexit("The n. of combinations cannot be null.", 0);
  if (m.nLoadCases == 0) InternalError(__FILE__, __LINE__);
  if (solver == SOLVER_ITER_JPCG && m.nContactCases != 0)
    errexit("Contact cases of the dynamic analysis need the Gaussian elimination.\n"
            "Choose _GAUSS_ELIM_NCSB (SYSTEM_LIN_EQ_ALGORITHM) in <MAIN_PARAMETERS>.",
            0);

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);
  CombinationSet set;
  OpenCombinationSet(fp, mesh, &set);
  const CombinationData* comb = set.comb;
  CheckTimeIntegration(mesh, comb);

  MainWorkArrays w;
  InitializeMainWorkArrays(1, mesh, &w);
  const int nF = w.nF, nP = w.nP;
  ContactDofs cd{};
  CalcContactAuxData(mesh, &w, m.nCombinations, comb, &cd);

  GlobalMatParts K, M, C;
  int64_t nTermsKFF, nTermsKPF, nTermsKPP;
  AssembGlobalStiffMat(&nTermsKFF, &nTermsKPF, &nTermsKPP, job, OutputControl, &iter, mesh, &K.FF, &K.PF, &K.PP,
                       &w);
  AssembGlobalMassMat(OutputControl, mesh, &w, &M.FF, &M.PF, &M.PP);
  AssembGlobalDampingMat(OutputControl, mesh, &w, &C.FF, &C.PF, &C.PP);

  FILE *fpDR, *fpEP;
  OpenLinearResultFiles(job, false, &fpDR, &fpEP);

  DynState o, n;
  AllocDynState(nF, nP, &o);
  AllocDynState(nF, nP, &n);
  Calc_Init_Cond(nF, nP, mesh, &w, &o);
  // The reactions of the initial state (no loads, supports at rest): the alpha-weighted
  // reactions of the first step build on them.
  AddScaledSparseMatVecProduct(nP, 1.0, M.PF.count, M.PF.cols, M.PF.vals, o.aF, o.R);
  AddScaledSparseMatVecProduct(nP, 1.0, C.PF.count, C.PF.cols, C.PF.vals, o.vF, o.R);
  AddScaledSparseMatVecProduct(nP, 1.0, K.PF.count, K.PF.cols, K.PF.vals, o.uF, o.R);
  CopyDynState(nF, nP, &o, &n);
  double *Fbar, *lambda, *lambdaNew;
  allocd1(&Fbar, nF);
  allocd1(&lambda, cd.nX);
  allocd1(&lambdaNew, cd.nX);
  zerod1(lambda, cd.nX);
  zerod1(lambdaNew, cd.nX);

  const DynamicAnalysisParameters& dp = mesh->Dynamic;
  const double alpha = dp.Alpha, beta = dp.Beta, gamma = dp.Gamma;
  SparseRowMatrix EFF{};
  PartitionedContactMatrix pm{};
  ContactArrays ca{};
  LinearSolverStep cg{};
  bool cgReady = false;
  double a[6];
  double dtPrev = -1.0;
  double contactSeconds = 0.0;

  for (int c = 1; c <= m.nCombinations; c++) {
    const double dt = comb[c].Params.StepDuration;
    if (dt != dtPrev) {
      if (cgReady) ReleaseLinearSolver(&cg);
      cgReady = false;
      FreeSparseRowMatrix(&EFF);
      CalcNewmarkConst(beta, gamma, dt, a);
      AllocSparseRowMatrix(nF, &EFF);
      CalcDynEffMat(nF, alpha, OutputControl, a, &C.FF, &EFF, &K.FF, &M.FF);
      if (solver == SOLVER_GAUSS_ELIM_NCSB) {
        Calc_KII_KIX_KXX(OutputControl, &cd, &EFF, &pm);
        iter.nTermsNCSB = static_cast<int32_t>(pm.nTermsKII > INT32_MAX ? INT32_MAX : pm.nTermsKII);
        FactorNCSB(cd.nI, &iter.factorSeconds, OutputControl, pm.last, pm.KII);
      } else {
        PrepareLinearSolver(SOLVER_ITER_JPCG, nF, OutputControl, &EFF, &iter, &cg);
        cgReady = true;
      }
      dtPrev = dt;
    }
    if (c == 1) WriteSummaryRecord(fpEP, &iter);

    CombinationLoads(fp, c, OutputControl, mesh, &w, &set, &n);
    for (int i = 1; i <= nP; i++) {
      n.vP[i] = (n.uP[i] - o.uP[i]) / dt;
      n.aP[i] = (n.vP[i] - o.vP[i]) / dt;
    }
    // The ties of the step follow the prescribed displacements at its end.
    if (solver == SOLVER_GAUSS_ELIM_NCSB && cd.nX > 0) CalcContactArray(&comb[c], alpha, OutputControl, mesh, &w, &cd, n.uP, &ca);
    Calc_F_FreeMasterSlave(mesh, w.PointDofNumbers, n.FF, w.PointDofCodes);
    Calc_F_Overbar_Free_Dyn(nF, nP, alpha, a, &M, &C, &K, &o, &n, &cd, &ca, lambda, Fbar);

    if (solver == SOLVER_GAUSS_ELIM_NCSB) {
      SolvePartitionedContact(c, &cd, &ca, &pm, Fbar, n.uF, lambdaNew, &contactSeconds);
    } else {
      StepSummaryRecord step;
      ResetStepSummaryRecord(&step);
      char tag[64];
      StepHistoryTag(c, m.nCombinations, tag, static_cast<int>(sizeof tag));
      SolveLinearSystem(&cg, m.PrecondResidualDecay, job, tag, OutputControl, &EFF, Fbar, &step);
      copyd1(n.uF, Fbar, nF);
      WriteSummaryRecord(fpEP, &step);
    }
    Calc_a_FreeMasterSlave(mesh, w.PointDofNumbers, n.uF, w.PointDofCodes);
    UpdateVelocAccel(nF, beta, gamma, dt, n.aF, o.aF, n.vF, o.vF, n.uF, o.uF);
    CloseDynamicStep(c, nF, nP, alpha, &M, &C, &K, fpDR, job, &o, &n);
    copyd1(lambda, lambdaNew, cd.nX);
  }

  if (cgReady) ReleaseLinearSolver(&cg);
  FreeSparseRowMatrix(&EFF);
  CloseLinearResultFiles(fpDR, fpEP, false);

  freed1(lambdaNew);
  freed1(lambda);
  freed1(Fbar);
  FreeDynState(&n);
  FreeDynState(&o);
  FreeGlobalStiffMat(nF, nP, &C.FF, &C.PF, &C.PP);
  FreeGlobalStiffMat(nF, nP, &M.FF, &M.PF, &M.PP);
  FreeGlobalStiffMat(nF, nP, &K.FF, &K.PF, &K.PP);
  FreeDynArrays(&cd, &ca, &pm);
  FreeMainWorkArrays(&w);
  CloseCombinationSet(fp, mesh, &set);
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
