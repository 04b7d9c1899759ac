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
#include "modal/modal.h"
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

}  // namespace

void MainLinModalSuperposition(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  const MainParameters& m = mesh->Main;
  const DynamicAnalysisParameters& dp = mesh->Dynamic;
  RequireSinglePhase(mesh, "modal superposition linear analysis");
  if (m.nCombinations == 0) errexit("The n. of combinations cannot be null.", 0);
  if (m.nLoadCases == 0) InternalError(__FILE__, __LINE__);
  CheckOptions(dp);

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);
  CombinationSet set;
  OpenCombinationSet(fp, mesh, &set);
  const long* positions = set.positions;
  const CombinationData* comb = set.comb;
  if (dp.TimeSteppingMethod == kNewmark) CheckNewmarkBeta(dp.Beta);
  CheckStepDurations("dynamic analysis", mesh, comb);

  MainWorkArrays w;
  InitializeMainWorkArrays(1, mesh, &w);
  const int nF = w.nF, nP = w.nP, nLC = m.nLoadCases, nSteps = m.nCombinations;
  GlobalMatParts K, M, C;
  int64_t nTermsKFF, nTermsKPF, nTermsKPP;
  AssembGlobalStiffMat(&nTermsKFF, &nTermsKPF, &nTermsKPP, job, OutputControl, &iter, mesh, &K.FF, &K.PF, &K.PP,
                       &w);
  AssembGlobalMassMat(OutputControl, mesh, &w, &M.FF, &M.PF, &M.PP);

  FILE *fpDR, *fpEP;
  OpenLinearResultFiles(job, false, &fpDR, &fpEP);

  // The modes, checked with the slave diagonals of K at 0.0 as when they were computed.
  int nModes;
  double *lambda, **Phi;
  RemoveStiffSlaveDof(mesh, w.PointDofNumbers, &K.FF, w.PointDofCodes);
  CheckFilesJobName_vm(job, nF, nP, &nModes, mesh, &K.FF, &M.FF, ModeFileDamage(job, mesh), &lambda, &Phi);
  RestoreStiffSlaveDof(mesh, w.PointDofNumbers, &K.FF, w.PointDofCodes);
  if (nModes == 0) {
    const std::string msg =
        std::string("File ") + job + kModeReportSuffix + " selects no vibration mode.\nRun modal analysis first.";
    errexit(msg.c_str(), 0);
  }

  double *omega, *xi;
  allocd1(&omega, nModes);
  allocd1(&xi, nModes);
  AllocEmpty(nF, &C.FF);
  AllocEmpty(nP, &C.PF);
  AllocEmpty(nP, &C.PP);
  const bool ratios = ModalDampingRatios(mesh, nModes, xi);
  for (int j = 1; j <= nModes; j++) {
    omega[j] = lambda[j] >= 0.0 ? std::sqrt(lambda[j]) : 0.0;
    // A mode without frequency takes no ratio from A0 = 0 (a nonzero A0 gives it an
    // infinite one, which the mode checks refuse).
    if (!ratios)
      xi[j] = (dp.RayleighA0 == 0.0 ? 0.0 : dp.RayleighA0 / (2.0 * omega[j])) + dp.RayleighA1 * omega[j] / 2.0;
  }
  CheckModes(nModes, lambda, xi, dp);
  if (!ratios) RayleighDamping(nP, dp.RayleighA0, dp.RayleighA1, &M, &K, &C);

  LoadCaseTable L;
  ComputeLoadCases(fp, positions, OutputControl, mesh, &w, &K, &L);
  const int procedure = dp.ModalSuperpositionProcedure;
  double** S = nullptr;
  if (procedure != kNormal) {
    allocd2(&S, nF, nLC);
    CalcStaticModalInit(mesh, w.PointDofNumbers, w.PointDofCodes, &K.FF, nLC, L.F, S);
  }

  // Modal initial values: (M phi_j) . u0, v0, a0.
  DynState o, n;
  AllocDynState(nF, nP, &o);
  AllocDynState(nF, nP, &n);
  Calc_Init_Cond(nF, nP, mesh, &w, &o);
  CopyDynState(nF, nP, &o, &n);
  double *q0, *v0, *a0, *x, *Fin, *f;
  allocd1(&q0, nModes);
  allocd1(&v0, nModes);
  allocd1(&a0, nModes);
  allocd1(&x, nF);
  allocd1(&Fin, nF);
  allocd1(&f, nLC);
  for (int j = 1; j <= nModes; j++) {
    double* phi = x;
    getcold2(phi, Phi, nF, j);
    double* mphi = Fin;
    zerod1(mphi, nF);
    AddScaledSymSparseMatVecProduct(nF, 1.0, M.FF.count, M.FF.cols, M.FF.vals, phi, mphi);
    q0[j] = dotd1(mphi, o.uF, nF);
    v0[j] = dotd1(mphi, o.vF, nF);
    a0[j] = dotd1(mphi, o.aF, nF);
  }

  // Modal forces of every step.
  double *dt, **q, **Y, **V, **A;
  allocd1(&dt, nSteps);
  allocd2(&q, nSteps, nModes);
  allocd2(&Y, nSteps, nModes);
  allocd2(&V, nSteps, nModes);
  allocd2(&A, nSteps, nModes);
  DynState* prev = &o;
  DynState* next = &n;
  for (int s = 1; s <= nSteps; s++) {
    dt[s] = comb[s].Params.StepDuration;
    StepFactors(comb[s], nLC, f);
    StepLoads(L, f, dt[s], mesh, &w, &M, &C, prev, next, Fin);
    AddScaledVector(nF, 1.0, Fin, next->FF);
    for (int j = 1; j <= nModes; j++) q[s][j] = ModeDot(Phi, nF, j, next->FF);
    DynState* t = prev;
    prev = next;
    next = t;
  }

  if (dp.TimeSteppingMethod == kNewmark)
    IntegrateModalNewmark(nSteps, nModes, dp.Beta, dp.Gamma, A, xi, Y, q, omega, a0, q0, v0, V, dt);
  else
    IntegrateModalDuhamel(nSteps, nModes, A, xi, Y, q, omega, a0, q0, v0, V, dt);

  // Recovery, step by step, from the initial state again.
  Calc_Init_Cond(nF, nP, mesh, &w, &o);
  CopyDynState(nF, nP, &o, &n);
  for (int s = 1; s <= nSteps; s++) {
    StepFactors(comb[s], nLC, f);
    StepLoads(L, f, dt[s], mesh, &w, &M, &C, &o, &n, Fin);
    zerod1(n.uF, nF);
    zerod1(n.vF, nF);
    zerod1(n.aF, nF);
    if (procedure != kNormal)
      for (int lc = 1; lc <= nLC; lc++) {
        if (f[lc] == 0.0) continue;
        getcold2(x, S, nF, lc);
        AddScaledVector(nF, f[lc], x, n.uF);
      }
    for (int j = 1; j <= nModes; j++) {
      double c;
      switch (procedure) {
        case kNormal:
          c = Y[s][j];
          break;
        case kStaticCorrection:
          c = Y[s][j] - ModeDot(Phi, nF, j, n.FF) / lambda[j];
          break;
        case kModeAcceleration:
          // The support-motion loads are left to the modes, as in the static
          // correction: their static part is put back mode by mode.
          c = -(A[s][j] / lambda[j] + 2.0 * xi[j] * V[s][j] / omega[j]) + ModeDot(Phi, nF, j, Fin) / lambda[j];
          break;
        default:
          InternalError(__FILE__, __LINE__);
      }
      AddMode(Phi, nF, j, c, n.uF);
      AddMode(Phi, nF, j, V[s][j], n.vF);
      AddMode(Phi, nF, j, A[s][j], n.aF);
    }
    // The modal integrators are plain Newmark and Duhamel: no alpha weighting.
    CloseDynamicStep(s, nF, nP, 0.0, &M, &C, &K, fpDR, job, &o, &n);
  }
  CloseLinearResultFiles(fpDR, fpEP, false);

  freed2(A);
  freed2(V);
  freed2(Y);
  freed2(q);
  freed1(dt);
  freed1(f);
  freed1(Fin);
  freed1(x);
  freed1(a0);
  freed1(v0);
  freed1(q0);
  FreeDynState(&n);
  FreeDynState(&o);
  if (S != nullptr) freed2(S);
  FreeLoadCases(&L);
  FreeParts(&C);
  freed1(xi);
  freed1(omega);
  freed2(Phi);
  freed1(lambda);
  FreeGlobalStiffMat(nF, nP, &M.FF, &M.PF, &M.PP);
  FreeGlobalStiffMat(nF, nP, &K.FF, &K.PF, &K.PP);
  FreeMainWorkArrays(&w);
  CloseCombinationSet(fp, mesh, &set);
}
