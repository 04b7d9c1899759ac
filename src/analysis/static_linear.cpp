// Linear static analysis: one global stiffness, one solve per load case, one record of
// displacements and reactions per load case. The two drivers differ only in the solver:
// Gaussian elimination on the profile copy of KFF (factorised once) or the
// Jacobi-preconditioned conjugate gradient on the row lists (run per load case).
#include <cstdint>
#include <cstdio>

#include "analysis/drivers.h"
#include "analysis/interrupt.h"
#include "analysis/results.h"
#include "analysis/solution_control.h"
#include "assembly/assembly.h"
#include "assembly/linear_solver.h"
#include "assembly/solution_check.h"
#include "assembly/sparse_rows.h"
#include "assembly/summary.h"
#include "assembly/topology.h"
#include "loads/loads.h"
#include "model/fileio.h"
#include "model/loadcase.h"
#include "numcore/numcore.h"

void RequireSinglePhase(const MeshData* mesh, const char* analysis) {
  if (mesh->Main.nPhases == 1) return;
  char msg[160];
  std::snprintf(msg, sizeof msg, "The n. of phases must be 1 when the options are the following:\n - %s", analysis);
  errexit(msg, 0);
}

void LoadCaseHistoryTag(int lc, int nCombinations, char* tag, int size) {
  char digits[16];
  const int width = std::snprintf(digits, sizeof digits, "%d", nCombinations);
  if (std::snprintf(tag, static_cast<size_t>(size), "_LCase%*.*d", width, width, lc) >= size)
    InternalError(__FILE__, __LINE__);
}

namespace {

// The two halves of a load case around its own steps on the solution: F := F - KPF^T aP
// and KFF aF = F solved in place (F becomes aF); then the values at the prescribed dofs
// R = KPF aF + KPP aP - FP (named `what` in the finiteness check), one record (lc, aF,
// aP, R) in fpRec and the solve record in fpEP.
void SolveLoadCase(int lc, LinearSolverStep* solverStep, const MeshData* mesh, const char* job,
                   const char* OutputControl, SparseRowMatrix* KFF, const SparseRowMatrix* KPF, const double* aP,
                   double* F, StepSummaryRecord* step) {
  // Prescribed values load the free dofs through the coupling terms: F := F - KPF^T aP.
  SubtractSparseMatTransVecProduct(KFF->n, KPF->n, KPF->count, KPF->cols, aP, F, KPF->vals);
  char tag[64];
  LoadCaseHistoryTag(lc, mesh->Main.nCombinations, tag, static_cast<int>(sizeof tag));
  SolveLinearSystem(solverStep, mesh->Main.PrecondResidualDecay, job, tag, OutputControl, KFF, F, step);
}

void WriteLoadCaseRecord(int lc, int nF, int nP, const SparseRowMatrix* KPF, const SparseRowMatrix* KPP,
                         const double* aF, const double* aP, const double* FP, const char* what, FILE* fpRec,
                         FILE* fpEP, const StepSummaryRecord* step) {
  double* R;
  allocd1(&R, nP);
  CalcResidKaMinusF(nP, KPF->count, KPP->count, KPF->cols, KPP->cols, aF, aP, FP, KPF->vals, KPP->vals, R);
  CheckFiniteResults(nP, R, what);
  WriteDisplReact(fpRec, lc, nF, nP, aF, aP, R);
  freed1(R);
  WriteSummaryRecord(fpEP, step);
}

void MainStaticLin(int solver, FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  RequireSinglePhase(mesh, "static linear analysis");

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);

  MainWorkArrays w;
  InitializeMainWorkArrays(1, mesh, &w);

  GlobalMatParts K;
  int64_t nTermsKFF, nTermsKPF, nTermsKPP;
  AssembGlobalStiffMat(&nTermsKFF, &nTermsKPF, &nTermsKPP, job, OutputControl, &iter, mesh, &K.FF, &K.PF, &K.PP,
                       &w);
  CheckRigidMotionsStopped(mesh, &w, &K.FF);

  const LinearField field{false, "reaction", &w};
  RunLinearLoadCases(field, solver, fp, job, OutputControl, mesh, &K, &iter,
                     [&](int lc, const LoadCaseData* data, double* F, double* FPresc, double* aP) {
                       Calc_F(lc, OutputControl, data, mesh, &w, F, FPresc);
                       Calc_F_FreeMasterSlave(mesh, w.PointDofNumbers, F, w.PointDofCodes);
                       Calc_a_Presc(w.nP, lc, data, w.PointDofNumbers, aP, w.PointDofCodes);
                     });
  FreeMainWorkArrays(&w);
}

}  // namespace

void RunLinearLoadCases(const LinearField& field, int solver, FILE* fp, const char* job, const char* OutputControl,
                        MeshData* mesh, GlobalMatParts* K, IterSummaryRecord* iter, const LinearLoads& loads) {
  const MainWorkArrays& w = *field.w;
  const int nF = w.nF;
  const int nP = w.nP;

  // Factorised once for every load case (Gaussian elimination); the conjugate gradient
  // runs per load case on KFF.
  LinearSolverStep solverStep;
  PrepareLinearSolver(solver, nF, OutputControl, &K->FF, iter, &solverStep);

  FILE* fpRec;
  FILE* fpEP;
  OpenLinearResultFiles(job, field.thermal, &fpRec, &fpEP);
  WriteSummaryRecord(fpEP, iter);

  double* F;       // free-dof loads, overwritten by the free unknowns
  double* FPresc;  // prescribed-dof loads
  allocd1(&F, nF);
  allocd1(&FPresc, nP);

  for (int lc = 1; lc <= mesh->Main.nLoadCases; lc++) {
    std::printf("\n");
    std::printf("Load case: %d\n", lc);
    StepSummaryRecord step;
    ResetStepSummaryRecord(&step);

    LoadCaseData data;
    ReadLoadCase(fp, lc, mesh, &data);
    double* aP;
    allocd1(&aP, nP);
    loads(lc, &data, F, FPresc, aP);

    SolveLoadCase(lc, &solverStep, mesh, job, OutputControl, &K->FF, &K->PF, aP, F, &step);
    // Slave dofs follow their masters (structural fields only).
    if (!field.thermal) Calc_a_FreeMasterSlave(mesh, w.PointDofNumbers, F, w.PointDofCodes);
    WriteLoadCaseRecord(lc, nF, nP, &K->PF, &K->PP, F, aP, FPresc, field.reactionName, fpRec, fpEP, &step);
    RecordWritten(RunUnit::kLoadCase, lc, job);

    freed1(aP);
    FreeLoadCase(&data);
  }

  CloseLinearResultFiles(fpRec, fpEP, field.thermal);

  freed1(F);
  freed1(FPresc);
  ReleaseLinearSolver(&solverStep);
  FreeGlobalStiffMat(nF, nP, &K->FF, &K->PF, &K->PP);
}

void MainStaticLinGaussElimNCSB(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainStaticLin(SOLVER_GAUSS_ELIM_NCSB, fp, job, OutputControl, mesh);
}

void MainStaticLinIterJacPreConjGrad(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainStaticLin(SOLVER_ITER_JPCG, fp, job, OutputControl, mesh);
}
