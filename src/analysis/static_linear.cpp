// Linear static analysis: one global stiffness, one solve per load case, one record of
// displacements and reactions per load case. The two drivers differ only in the solver:
// Gaussian elimination on the profile copy of KFF (factorised once) or the
// Jacobi-preconditioned conjugate gradient on the row lists (run per load case).
#include <cstdint>
#include <cstdio>

#include "analysis/drivers.h"
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

void LoadCaseHistoryTag(int lc, int nCombinations, char* tag, int size) {
  char digits[16];
  const int width = std::snprintf(digits, sizeof digits, "%d", nCombinations);
  if (std::snprintf(tag, static_cast<size_t>(size), "_LCase%*.*d", width, width, lc) >= size)
    InternalError(__FILE__, __LINE__);
}

namespace {

void MainStaticLin(int solver, FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  if (mesh->Main.nPhases != 1)
    errexit("The n. of phases must be 1 when the options are the following:\n - static linear analysis", 0);

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);

  MainWorkArrays w;
  InitializeMainWorkArrays(1, mesh, &w);
  const int nF = w.nF;
  const int nP = w.nP;

  SparseRowMatrix KFF, KPF, KPP;
  int64_t nTermsKFF, nTermsKPF, nTermsKPP;
  AssembGlobalStiffMat(&nTermsKFF, &nTermsKPF, &nTermsKPP, job, OutputControl, &iter, mesh, &KFF, &KPF, &KPP, &w);
  CheckRigidMotionsStopped(mesh, &w, &KFF);

  // Factorised once for every load case (Gaussian elimination); the conjugate gradient
  // runs per load case on KFF.
  LinearSolverStep solverStep;
  PrepareLinearSolver(solver, nF, OutputControl, &KFF, &iter, &solverStep);

  FILE* fpDR;
  FILE* fpEP;
  OpenLinearResultFiles(job, false, &fpDR, &fpEP);
  WriteSummaryRecord(fpEP, &iter);

  double* F;       // free-dof loads, overwritten by the free displacements
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
    Calc_F(lc, OutputControl, &data, mesh, &w, F, FPresc);
    Calc_F_FreeMasterSlave(mesh, w.PointDofNumbers, F, w.PointDofCodes);

    double* aP;
    allocd1(&aP, nP);
    Calc_a_Presc(nP, lc, &data, w.PointDofNumbers, aP, w.PointDofCodes);

    // Settlements load the free dofs through the coupling terms: F := F - KPF^T aP.
    SubtractSparseMatTransVecProduct(nF, nP, KPF.count, KPF.cols, aP, F, KPF.vals);

    char tag[64];
    LoadCaseHistoryTag(lc, mesh->Main.nCombinations, tag, static_cast<int>(sizeof tag));
    SolveLinearSystem(&solverStep, mesh->Main.PrecondResidualDecay, job, tag, OutputControl, &KFF, F, &step);
    Calc_a_FreeMasterSlave(mesh, w.PointDofNumbers, F, w.PointDofCodes);

    double* R;
    allocd1(&R, nP);
    CalcResidKaMinusF(nP, KPF.count, KPP.count, KPF.cols, KPP.cols, F, aP, FPresc, KPF.vals, KPP.vals, R);
    CheckFiniteResults(nP, R, "reaction");
    WriteDisplReact(fpDR, lc, nF, nP, F, aP, R);

    freed1(R);
    freed1(aP);
    FreeLoadCase(&data);
    WriteSummaryRecord(fpEP, &step);
  }

  CloseLinearResultFiles(fpDR, fpEP, false);

  freed1(F);
  freed1(FPresc);
  ReleaseLinearSolver(&solverStep);
  FreeGlobalStiffMat(nF, nP, &KFF, &KPF, &KPP);
  FreeMainWorkArrays(&w);
}

}  // namespace

void MainStaticLinGaussElimNCSB(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainStaticLin(SOLVER_GAUSS_ELIM_NCSB, fp, job, OutputControl, mesh);
}

void MainStaticLinIterJacPreConjGrad(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  MainStaticLin(SOLVER_ITER_JPCG, fp, job, OutputControl, mesh);
}
