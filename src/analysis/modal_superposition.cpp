// Modal superposition: a linear dynamic analysis in the basis of the vibration modes that
// an earlier modal analysis of the job selected. The modal equations are uncoupled by
// the modal damping (ratios per mode, or Rayleigh damping A0 M + A1 K), integrated over
// all combinations (one time step each) at once, and the displacements are recovered by
// the plain modal sum, the static correction or the mode-acceleration method; the
// reactions close the prescribed rows as in the direct dynamic analysis.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "analysis/drivers.h"
#include "analysis/entry.h"
#include "analysis/interrupt.h"
#include "analysis/restart.h"
#include "analysis/results.h"
#include "analysis/solution_control.h"
#include "assembly/assembly.h"
#include "assembly/solution_check.h"
#include "assembly/sparse_rows.h"
#include "assembly/summary.h"
#include "assembly/topology.h"
#include "dynamics/mass_damping.h"
#include "dynamics/newmark.h"
#include "loads/loads.h"
#include "modal/vibration_modes.h"
#include "model/fileio.h"
#include "model/loadcase.h"
#include "model/params.h"
#include "numcore/numcore.h"
#include "numcore/sparse.h"

namespace {

enum { kNewmark = 2, kDuhamel = 3 };
enum { kNormal = 1, kStaticCorrection = 2, kModeAcceleration = 3 };

void ParameterFault(const char* name, double value, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nVerifying the <DYNAMIC_ANALYSIS_PARAMETERS> block\n   -> %s: %g\n", name, value);
  errexit(msg, 0);
}

// The options of the integration, the recovery and the damping.
void CheckOptions(const DynamicAnalysisParameters& dp) {
  if (dp.TimeSteppingMethod != kNewmark && dp.TimeSteppingMethod != kDuhamel)
    ParameterFault("TIME_STEPPING_METHOD", dp.TimeSteppingMethod,
                   "The modal superposition integrates the modal equations by _NEWMARK\n"
                   "or _DUHAMEL (TIME_STEPPING_METHOD).");
  if (dp.ModalSuperpositionProcedure < kNormal || dp.ModalSuperpositionProcedure > kModeAcceleration)
    ParameterFault("MODAL_SUPERPOSITION_PROCEDURE", dp.ModalSuperpositionProcedure,
                   "MODAL_SUPERPOSITION_PROCEDURE must be _NORMAL, _SCM or _MAM.");
  if (dp.DefaultModalDampingRatio == kValueNotGiven &&
      (dp.RayleighA0 == kValueNotGiven || dp.RayleighA1 == kValueNotGiven)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\nVerifying the <DYNAMIC_ANALYSIS_PARAMETERS> block\n");
    errexit("The modal damping needs DEFAULT_MODAL_DAMPING_RATIO or both\n"
            "GLOBAL_RAYLEIGH_DAMPING_FACTOR_A0 and GLOBAL_RAYLEIGH_DAMPING_FACTOR_A1.",
            0);
  }
}

void ModeFault(int j, double lambda, double xi, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nVerifying the vibration modes of the modal superposition\n   -> Mode: %d\n", j);
  std::fprintf(stderr, "   -> Square angular frequency: %g\n   -> Damping ratio: %g\n", lambda, xi);
  errexit(msg, 0);
}

// Every mode must give the chosen integrator and recovery finite numbers.
void CheckModes(int nModes, const double* lambda, const double* xi, const DynamicAnalysisParameters& dp) {
  for (int j = 1; j <= nModes; j++) {
    if (!(lambda[j] >= 0.0))
      ModeFault(j, lambda[j], xi[j], "A vibration mode has a negative square angular frequency.");
    if (!std::isfinite(xi[j]))
      ModeFault(j, lambda[j], xi[j],
                "The damping ratio of a vibration mode is not a finite number\n"
                "(Rayleigh damping of a mode without frequency).");
    if (dp.TimeSteppingMethod == kDuhamel && !(lambda[j] > 0.0 && xi[j] >= 0.0 && xi[j] < 1.0))
      ModeFault(j, lambda[j], xi[j],
                "The Duhamel integral needs in every mode a positive square angular\n"
                "frequency and a damping ratio not below 0 and below 1.");
    if (dp.ModalSuperpositionProcedure != kNormal && !(lambda[j] > 0.0))
      ModeFault(j, lambda[j], xi[j],
                "The static correction and the mode acceleration divide by the square\n"
                "angular frequency: every mode must have a positive one.");
  }
}

// Ratios of the data; false when the Rayleigh factors govern.
bool ModalDampingRatios(const MeshData* mesh, int nModes, double* xi) {
  const double ratio = mesh->Dynamic.DefaultModalDampingRatio;
  if (ratio == kValueNotGiven) return false;
  warnmsg("Damping properties defined by damping ratios:\n"
          "The damping matrix is ignored in the calculation of reactions.",
          0);
  for (int j = 1; j <= nModes; j++) xi[j] = ratio;
  for (int r = 1; r <= mesh->nModalDampingRatios; r++) {
    const LoadCaseFactor& d = mesh->ModalDampingRatios[r];
    if (d.Number < 1 || d.Number > nModes) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n   -> Block name: <MODAL_DAMPING_RATIOS>\n   -> Record: %d\n   -> Mode: %d\n", r,
                   d.Number);
      const std::string msg =
          "A modal damping ratio names a vibration mode that was not selected:\nthe modes run from 1 to " +
          std::to_string(nModes) + ".";
      errexit(msg.c_str(), 0);
    }
    xi[d.Number] = d.Factor;
  }
  return true;
}

// C = A0 M + A1 K over the prescribed rows, the only ones the reactions and the support
// loads use; the free part stays empty.
void RayleighDamping(int nP, double a0, double a1, const GlobalMatParts* M, const GlobalMatParts* K,
                     GlobalMatParts* C) {
  N6_NZmat_C_equals_aA_plus_bB(C->PF.count, C->PF.cols, C->PF.vals, M->PF.count, M->PF.cols, M->PF.vals, K->PF.count,
                               K->PF.cols, K->PF.vals, nP, a0, a1);
  // Plain row merges: a prescribed row need not hold its diagonal.
  N6_NZmat_C_equals_aA_plus_bB(C->PP.count, C->PP.cols, C->PP.vals, M->PP.count, M->PP.cols, M->PP.vals, K->PP.count,
                               K->PP.cols, K->PP.vals, nP, a0, a1);
}

void AllocEmpty(int n, SparseRowMatrix* A) {
  A->n = n;
  N6_NZmat_alloc_empty(&A->count, &A->cols, &A->vals, n);
}

void FreeParts(GlobalMatParts* C) {
  for (SparseRowMatrix* A : {&C->FF, &C->PF, &C->PP}) N6_NZmat_free(A->count, A->cols, A->vals, A->n);
}

// The vectors of every load case, computed once: free loads less KPF^T uP (slave loads
// on their masters), prescribed-dof loads and prescribed displacements.
struct LoadCaseTable {
  int nLC;
  double **F, **FP, **uP;  // [lc][1..nF or nP]
};

void ComputeLoadCases(FILE* fp, const long* positions, const char* OutputControl, const MeshData* mesh,
                      const MainWorkArrays* w, const GlobalMatParts* K, LoadCaseTable* L) {
  const int nF = w->nF, nP = w->nP, nLC = mesh->Main.nLoadCases;
  L->nLC = nLC;
  allocd2(&L->F, nLC, nF);
  allocd2(&L->FP, nLC, nP);
  allocd2(&L->uP, nLC, nP);
  for (int lc = 1; lc <= nLC; lc++) {
    SeekFile(fp, positions[lc]);
    LoadCaseData data;
    ReadLoadCase(fp, lc, mesh, &data);
    Calc_F(lc, OutputControl, &data, mesh, w, L->F[lc], L->FP[lc]);
    Calc_a_Presc(nP, lc, &data, w->PointDofNumbers, L->uP[lc], w->PointDofCodes);
    FreeLoadCase(&data);
    AddScaledSparseMatTransVecProduct(nP, -1.0, K->PF.count, K->PF.cols, K->PF.vals, L->uP[lc], L->F[lc]);
    Calc_F_FreeMasterSlave(mesh, w->PointDofNumbers, L->F[lc], w->PointDofCodes);
  }
}

void FreeLoadCases(LoadCaseTable* L) {
  freed2(L->uP);
  freed2(L->FP);
  freed2(L->F);
}

// Load-case factors of combination c; a factor below 1e-8 in magnitude counts as 0.
void StepFactors(const CombinationData& c, int nLC, double* f) {
  zerod1(f, nLC);
  for (int k = 1; k <= c.nFactors; k++) {
    const int lc = c.Factors[k].Number;
    if (lc < 1 || lc > nLC) InternalError(__FILE__, __LINE__);
    f[lc] = c.Factors[k].Factor;
  }
  for (int lc = 1; lc <= nLC; lc++)
    if (!(std::fabs(f[lc]) >= 1e-8)) f[lc] = 0.0;
}

// Loads and prescribed motion of a step of length dt at the new level n, from the old
// level o: the factored sums of the load cases, the prescribed velocity and acceleration
// by differences. Fin receives the free-dof loads of the support motion,
// -MPF^T aP - CPF^T vP, slave loads on their masters.
void StepLoads(const LoadCaseTable& L, const double* f, double dt, const MeshData* mesh, const MainWorkArrays* w,
               const GlobalMatParts* M, const GlobalMatParts* C, const DynState* o, DynState* n, double* Fin) {
  const int nF = w->nF, nP = w->nP;
  zerod1(n->FF, nF);
  zerod1(n->FP, nP);
  zerod1(n->uP, nP);
  for (int lc = 1; lc <= L.nLC; lc++) {
    if (f[lc] == 0.0) continue;
    AddScaledVector(nF, f[lc], L.F[lc], n->FF);
    AddScaledVector(nP, f[lc], L.FP[lc], n->FP);
    AddScaledVector(nP, f[lc], L.uP[lc], n->uP);
  }
  for (int i = 1; i <= nP; i++) {
    n->vP[i] = (n->uP[i] - o->uP[i]) / dt;
    n->aP[i] = (n->vP[i] - o->vP[i]) / dt;
  }
  zerod1(Fin, nF);
  AddScaledSparseMatTransVecProduct(nP, -1.0, M->PF.count, M->PF.cols, M->PF.vals, n->aP, Fin);
  AddScaledSparseMatTransVecProduct(nP, -1.0, C->PF.count, C->PF.cols, C->PF.vals, n->vP, Fin);
  Calc_F_FreeMasterSlave(mesh, w->PointDofNumbers, Fin, w->PointDofCodes);
}

double ModeDot(double** Phi, int nF, int j, const double* x) {
  double d = 0.0;
  for (int i = 1; i <= nF; i++) d += Phi[i][j] * x[i];
  return d;
}

void AddMode(double** Phi, int nF, int j, double c, double* x) {
  for (int i = 1; i <= nF; i++) x[i] += c * Phi[i][j];
}

// Everything a modal superposition holds from its set-up to its end.
struct ModalRun {
  FILE* fp = nullptr;
  const char* job = nullptr;
  const char* OutputControl = nullptr;
  MeshData* mesh = nullptr;
  CombinationSet set{};
  const CombinationData* comb = nullptr;
  MainWorkArrays w{};
  int nF = 0, nP = 0, nLC = 0, nSteps = 0;
  GlobalMatParts K{}, M{}, C{};
  FILE *fpDR = nullptr, *fpEP = nullptr;
  // The modes: square angular frequencies, shapes (nF x nModes), angular frequencies and
  // damping ratios.
  int nModes = 0;
  double *lambda = nullptr, **Phi = nullptr, *omega = nullptr, *xi = nullptr;
  LoadCaseTable L{};
  double** S = nullptr;  // static displacements of the load cases (static correction, mode acceleration)
  DynState o{}, n{};
  double *q0 = nullptr, *v0 = nullptr, *a0 = nullptr, *x = nullptr, *Fin = nullptr, *f = nullptr;
  // Per step: duration, modal forces, modal displacements, velocities, accelerations.
  double *dt = nullptr, **q = nullptr, **Y = nullptr, **V = nullptr, **A = nullptr;
};

// The checks of the run, the combinations, K, M and the result files.
void SetUpModalRun(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh, ModalRun* r) {
  const MainParameters& m = mesh->Main;
  const DynamicAnalysisParameters& dp = mesh->Dynamic;
  RequireSinglePhase(mesh, "modal superposition linear analysis");
  if (m.nCombinations == 0) errexit("The n. of combinations cannot be null.", 0);
  if (m.nLoadCases == 0) InternalError(__FILE__, __LINE__);
  CheckOptions(dp);
  r->fp = fp;
  r->job = job;
  r->OutputControl = OutputControl;
  r->mesh = mesh;

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);
  OpenCombinationSet(fp, mesh, &r->set);
  r->comb = r->set.comb;
  if (dp.TimeSteppingMethod == kNewmark) CheckNewmarkBeta(dp.Beta);
  CheckStepDurations("dynamic analysis", mesh, r->comb);

  InitializeMainWorkArrays(1, mesh, &r->w);
  r->nF = r->w.nF;
  r->nP = r->w.nP;
  r->nLC = m.nLoadCases;
  r->nSteps = m.nCombinations;
  int64_t nTermsKFF, nTermsKPF, nTermsKPP;
  AssembGlobalStiffMat(&nTermsKFF, &nTermsKPF, &nTermsKPP, job, OutputControl, &iter, mesh, &r->K.FF, &r->K.PF,
                       &r->K.PP, &r->w);
  AssembGlobalMassMat(OutputControl, mesh, &r->w, &r->M.FF, &r->M.PF, &r->M.PP);

  OpenLinearResultFiles(job, false, &r->fpDR, &r->fpEP);
}

// The modes of the mode files, checked with the slave diagonals of K at 0.0 as when they
// were computed, their damping ratios (data ratios or Rayleigh) and the damping matrix
// of the reactions.
void TakeModes(ModalRun* r) {
  const MeshData* mesh = r->mesh;
  const DynamicAnalysisParameters& dp = mesh->Dynamic;
  MainWorkArrays& w = r->w;
  RemoveStiffSlaveDof(mesh, w.PointDofNumbers, &r->K.FF, w.PointDofCodes);
  CheckFilesJobName_vm(r->job, r->nF, r->nP, &r->nModes, mesh, &r->K.FF, &r->M.FF, ModeFileDamage(r->job, mesh),
                       &r->lambda, &r->Phi);
  RestoreStiffSlaveDof(mesh, w.PointDofNumbers, &r->K.FF, w.PointDofCodes);
  if (r->nModes == 0) {
    const std::string msg =
        std::string("File ") + r->job + kModeReportSuffix + " selects no vibration mode.\nRun modal analysis first.";
    errexit(msg.c_str(), 0);
  }

  const int nModes = r->nModes;
  allocd1(&r->omega, nModes);
  allocd1(&r->xi, nModes);
  AllocEmpty(r->nF, &r->C.FF);
  AllocEmpty(r->nP, &r->C.PF);
  AllocEmpty(r->nP, &r->C.PP);
  const bool ratios = ModalDampingRatios(mesh, nModes, r->xi);
  for (int j = 1; j <= nModes; j++) {
    r->omega[j] = r->lambda[j] >= 0.0 ? std::sqrt(r->lambda[j]) : 0.0;
    // A mode without frequency takes no ratio from A0 = 0 (a nonzero A0 gives it an
    // infinite one, which the mode checks refuse).
    if (!ratios)
      r->xi[j] = (dp.RayleighA0 == 0.0 ? 0.0 : dp.RayleighA0 / (2.0 * r->omega[j])) + dp.RayleighA1 * r->omega[j] / 2.0;
  }
  CheckModes(nModes, r->lambda, r->xi, dp);
  if (!ratios) RayleighDamping(r->nP, dp.RayleighA0, dp.RayleighA1, &r->M, &r->K, &r->C);
}

// The load-case vectors, their static displacements where the recovery needs them, the
// initial state and its modal values (M phi_j) . u0, v0, a0.
void ModalInitialValues(ModalRun* r) {
  const int nF = r->nF, nP = r->nP, nLC = r->nLC, nModes = r->nModes;
  ComputeLoadCases(r->fp, r->set.positions, r->OutputControl, r->mesh, &r->w, &r->K, &r->L);
  if (r->mesh->Dynamic.ModalSuperpositionProcedure != kNormal) {
    allocd2(&r->S, nF, nLC);
    CalcStaticModalInit(r->mesh, r->w.PointDofNumbers, r->w.PointDofCodes, &r->K.FF, nLC, r->L.F, r->S);
  }

  AllocDynState(nF, nP, &r->o);
  AllocDynState(nF, nP, &r->n);
  Calc_Init_Cond(nF, nP, r->mesh, &r->w, &r->o);
  CopyDynState(nF, nP, &r->o, &r->n);
  allocd1(&r->q0, nModes);
  allocd1(&r->v0, nModes);
  allocd1(&r->a0, nModes);
  allocd1(&r->x, nF);
  allocd1(&r->Fin, nF);
  allocd1(&r->f, nLC);
  for (int j = 1; j <= nModes; j++) {
    double* phi = r->x;
    getcold2(phi, r->Phi, nF, j);
    double* mphi = r->Fin;
    zerod1(mphi, nF);
    AddScaledSymSparseMatVecProduct(nF, 1.0, r->M.FF.count, r->M.FF.cols, r->M.FF.vals, phi, mphi);
    r->q0[j] = dotd1(mphi, r->o.uF, nF);
    r->v0[j] = dotd1(mphi, r->o.vF, nF);
    r->a0[j] = dotd1(mphi, r->o.aF, nF);
  }
}

// The modal forces of every step, and the modal equations integrated over all steps.
void IntegrateModes(ModalRun* r) {
  const int nF = r->nF, nModes = r->nModes, nSteps = r->nSteps;
  const DynamicAnalysisParameters& dp = r->mesh->Dynamic;
  allocd1(&r->dt, nSteps);
  allocd2(&r->q, nSteps, nModes);
  allocd2(&r->Y, nSteps, nModes);
  allocd2(&r->V, nSteps, nModes);
  allocd2(&r->A, nSteps, nModes);
  DynState* prev = &r->o;
  DynState* next = &r->n;
  for (int s = 1; s <= nSteps; s++) {
    r->dt[s] = r->comb[s].Params.StepDuration;
    StepFactors(r->comb[s], r->nLC, r->f);
    StepLoads(r->L, r->f, r->dt[s], r->mesh, &r->w, &r->M, &r->C, prev, next, r->Fin);
    AddScaledVector(nF, 1.0, r->Fin, next->FF);
    for (int j = 1; j <= nModes; j++) r->q[s][j] = ModeDot(r->Phi, nF, j, next->FF);
    DynState* t = prev;
    prev = next;
    next = t;
  }

  if (dp.TimeSteppingMethod == kNewmark)
    IntegrateModalNewmark(nSteps, nModes, dp.Beta, dp.Gamma, r->A, r->xi, r->Y, r->q, r->omega, r->a0, r->q0, r->v0,
                          r->V, r->dt);
  else
    IntegrateModalDuhamel(nSteps, nModes, r->A, r->xi, r->Y, r->q, r->omega, r->a0, r->q0, r->v0, r->V, r->dt);
}

// The displacement weight of mode j at step s: the modal displacement (plain sum), less
// its static part (static correction), or from the inertia and damping forces (mode
// acceleration).
double RecoveryWeight(const ModalRun& r, int s, int j) {
  switch (r.mesh->Dynamic.ModalSuperpositionProcedure) {
    case kNormal: return r.Y[s][j];
    case kStaticCorrection: return r.Y[s][j] - ModeDot(r.Phi, r.nF, j, r.n.FF) / r.lambda[j];
    case kModeAcceleration:
      // The support-motion loads are left to the modes, as in the static
      // correction: their static part is put back mode by mode.
      return -(r.A[s][j] / r.lambda[j] + 2.0 * r.xi[j] * r.V[s][j] / r.omega[j]) +
             ModeDot(r.Phi, r.nF, j, r.Fin) / r.lambda[j];
    default: InternalError(__FILE__, __LINE__);
  }
}

// Recovery, step by step from the initial state again: displacements, velocities and
// accelerations from the modes, then the reactions and the step's results.
void RecoverSteps(ModalRun* r) {
  const int nF = r->nF, nP = r->nP;
  DynState &o = r->o, &n = r->n;
  Calc_Init_Cond(nF, nP, r->mesh, &r->w, &o);
  CopyDynState(nF, nP, &o, &n);
  for (int s = 1; s <= r->nSteps; s++) {
    StepFactors(r->comb[s], r->nLC, r->f);
    StepLoads(r->L, r->f, r->dt[s], r->mesh, &r->w, &r->M, &r->C, &o, &n, r->Fin);
    zerod1(n.uF, nF);
    zerod1(n.vF, nF);
    zerod1(n.aF, nF);
    if (r->mesh->Dynamic.ModalSuperpositionProcedure != kNormal)
      for (int lc = 1; lc <= r->nLC; lc++) {
        if (r->f[lc] == 0.0) continue;
        getcold2(r->x, r->S, nF, lc);
        AddScaledVector(nF, r->f[lc], r->x, n.uF);
      }
    for (int j = 1; j <= r->nModes; j++) {
      AddMode(r->Phi, nF, j, RecoveryWeight(*r, s, j), n.uF);
      AddMode(r->Phi, nF, j, r->V[s][j], n.vF);
      AddMode(r->Phi, nF, j, r->A[s][j], n.aF);
    }
    // The modal integrators are plain Newmark and Duhamel: no alpha weighting.
    CloseDynamicStep(s, nF, nP, 0.0, &r->M, &r->C, &r->K, r->fpDR, r->job, &o, &n);
  }
}

void ShutDownModalRun(ModalRun* r) {
  CloseLinearResultFiles(r->fpDR, r->fpEP, false);
  freed2(r->A);
  freed2(r->V);
  freed2(r->Y);
  freed2(r->q);
  freed1(r->dt);
  freed1(r->f);
  freed1(r->Fin);
  freed1(r->x);
  freed1(r->a0);
  freed1(r->v0);
  freed1(r->q0);
  FreeDynState(&r->n);
  FreeDynState(&r->o);
  if (r->S != nullptr) freed2(r->S);
  FreeLoadCases(&r->L);
  FreeParts(&r->C);
  freed1(r->xi);
  freed1(r->omega);
  freed2(r->Phi);
  freed1(r->lambda);
  FreeGlobalStiffMat(r->nF, r->nP, &r->M.FF, &r->M.PF, &r->M.PP);
  FreeGlobalStiffMat(r->nF, r->nP, &r->K.FF, &r->K.PF, &r->K.PP);
  FreeMainWorkArrays(&r->w);
  CloseCombinationSet(r->fp, r->mesh, &r->set);
}

}  // namespace

void MainLinModalSuperposition(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  ModalRun r;
  SetUpModalRun(fp, job, OutputControl, mesh, &r);
  TakeModes(&r);
  ModalInitialValues(&r);
  IntegrateModes(&r);
  RecoverSteps(&r);
  ShutDownModalRun(&r);
}
