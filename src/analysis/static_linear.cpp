// Linear static analysis: one global stiffness, one solve per load case, one record of
// displacements and reactions per load case. The two drivers differ only in the solver:
// Gaussian elimination on the profile copy of KFF (factorised once) or the
// Jacobi-preconditioned conjugate gradient on the row lists (run per load case).
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "analysis/drivers.h"
#include "analysis/results.h"
#include "analysis/solution_control.h"
#include "analysis/summary.h"
#include "assembly/assembly.h"
#include "assembly/solution_check.h"
#include "assembly/solvers.h"
#include "assembly/sparse_rows.h"
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

enum LinearSolver { SOLVER_GAUSS_ELIM_NCSB = 1, SOLVER_ITER_JPCG = 2 };

int32_t ClampToInt32(int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX)); }

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

  // Profile copy of KFF, factorised once for every load case. The elimination empties
  // KFF's row lists: a copy is kept for the check of every solution.
  int* last = nullptr;
  double** A = nullptr;
  SparseRowMatrix Kcheck = KFF;
  switch (solver) {
    case SOLVER_GAUSS_ELIM_NCSB: {
      CopySparseRows(&KFF, &Kcheck);
      alloci1(&last, nF);
      zeroi1(last, nF);
      int64_t nTermsNCSB;
      Calc_NCSB_KFF(nF, &nTermsNCSB, OutputControl, last, &KFF, &A);
      iter.nTermsNCSB = ClampToInt32(nTermsNCSB);
      FactorNCSB(nF, &iter.factorSeconds, OutputControl, last, A);
      CheckConditionNCSB(nF, &Kcheck, last, A);
      break;
    }
    case SOLVER_ITER_JPCG:
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }

  FILE* fpDR;
  FILE* fpEP;
  OpenFile(&fpDR, job, kDisplReactSuffix, "wb", 'Y');
  OpenFile(&fpEP, job, kExecParamsSuffix, "wb", 'Y');
  WriteTag(kDisplReactOpenTag, fpDR);
  WriteTag(kExecParamsOpenTag, fpEP);
  WriteSummaryRecord(fpEP, &iter);

  double* F;       // free-dof loads, overwritten by the free displacements
  double* FPresc;  // prescribed-dof loads
  double* rhs;     // the free-dof right-hand side, kept for the check of the solution
  allocd1(&F, nF);
  allocd1(&rhs, nF);
  allocd1(&FPresc, nP);

  for (int lc = 1; lc <= mesh->Main.nLoadCases; lc++) {
    std::printf("\n");
    std::printf("Load case: %d\n", lc);
    StepSummaryRecord step;
    ResetStepSummaryRecord(&step);

    LoadCaseData data;
    ReadLoadCase(fp, lc, mesh, &data);
    Calc_F(nF, nP, lc, OutputControl, &data, mesh, w.PointDofNumbers, w.MotherElemIndex, w.ElemPropIndex,
           w.PointSpecialCS, F, FPresc, w.PointDofCodes, w.ElemHasSpecialCSNode, w.PointTypes,
           w.PointElemAdjacency, w.EmbCableMotherRecord);
    Calc_F_FreeMasterSlave(mesh, w.PointDofNumbers, F, w.PointDofCodes);

    double* aP;
    allocd1(&aP, nP);
    Calc_a_Presc(nP, lc, &data, w.PointDofNumbers, aP, w.PointDofCodes);

    // Settlements load the free dofs through the coupling terms: F := F - KPF^T aP.
    SubtractSparseMatTransVecProduct(nF, nP, KPF.count, KPF.cols, aP, F, KPF.vals);
    copyd1(rhs, F, nF);

    switch (solver) {
      case SOLVER_GAUSS_ELIM_NCSB:
        SolveNCSB(nF, &step.solveSeconds, last, F, A);
        break;
      case SOLVER_ITER_JPCG: {
        char tag[64];
        LoadCaseHistoryTag(lc, mesh->Main.nCombinations, tag, static_cast<int>(sizeof tag));
        int iterations;
        SolveIterJacPreConjGrad(nF, &iterations, &step.solveSeconds, mesh->Main.PrecondResidualDecay,
                                &step.residNormJPCG, job, tag, OutputControl, KFF.count, KFF.cols, F, KFF.vals);
        step.nIterJPCG = iterations;
        break;
      }
      default:
        InternalError(__FILE__, __LINE__);
    }
    CheckSolution(nF, Kcheck.count, Kcheck.cols, Kcheck.vals, rhs, F,
                  solver == SOLVER_ITER_JPCG ? mesh->Main.PrecondResidualDecay : 0.0);
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

  WriteTag(kExecParamsCloseTag, fpEP);
  WriteTag(kDisplReactCloseTag, fpDR);
  CloseFile(fpEP);
  CloseFile(fpDR);

  freed1(F);
  freed1(rhs);
  freed1(FPresc);
  if (solver == SOLVER_GAUSS_ELIM_NCSB) FreeSparseRowsCopy(&Kcheck);
  if (A != nullptr) freeprofd2(A, nF);
  if (last != nullptr) freei1(last);
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
