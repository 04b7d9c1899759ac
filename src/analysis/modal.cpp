// Modal analysis: the linear stiffness and mass assembled once, the vibration modes
// (eigenvectors, continuing from the modes that earlier mode files of the job hold, or
// load-dependent Ritz vectors) with their participation ratios and errors, written to
// <job>_vm.bin and the report <job>_vm.dat.
#include <cstdint>
#include <cstdio>

#include "analysis/drivers.h"
#include "analysis/entry.h"
#include "analysis/restart.h"
#include "analysis/results.h"
#include "analysis/solution_control.h"
#include "assembly/assembly.h"
#include "assembly/sparse_rows.h"
#include "assembly/summary.h"
#include "assembly/topology.h"
#include "dynamics/mass_damping.h"
#include "modal/vibration_modes.h"
#include "model/fileio.h"
#include "numcore/numcore.h"

void MainLinModalAnalysis(FILE* fp, const char* job, const char* OutputControl, MeshData* mesh) {
  const MainParameters& m = mesh->Main;
  const bool eigenVectors = mesh->Dynamic.VibrationModeType == 1;
  RequireSinglePhase(mesh, "modal linear analysis");
  if (mesh->Dynamic.VibrationModeType == 2 && m.nLoadCases == 0)
    errexit("Ritz vectors are generated from load cases:\n"
            "a modal analysis with _RITZ_VECTOR needs at least one load case.",
            0);
  CalcParticipMassRatio(mesh);

  IterSummaryRecord iter;
  ResetIterSummaryRecord(&iter);
  long* positions;
  allocl1(&positions, m.nLoadCases);
  LocateLoadCases(fp, mesh, positions);
  const int64_t combinationsStart = TellFile(fp);

  MainWorkArrays w;
  InitializeMainWorkArrays(1, mesh, &w);
  const int nF = w.nF, nP = w.nP;
  SparseRowMatrix KFF, KPF, KPP, MFF, MPF, MPP;
  int64_t nTermsKFF, nTermsKPF, nTermsKPP;
  AssembGlobalStiffMat(&nTermsKFF, &nTermsKPF, &nTermsKPP, job, OutputControl, &iter, mesh, &KFF, &KPF, &KPP, &w);
  // Every free row of MFF has its diagonal (0.0 at a massless dof).
  AssembGlobalMassMat(OutputControl, mesh, &w, &MFF, &MPF, &MPP);

  // The modes of earlier files, checked with the slave diagonals of K at 0.0 as when
  // their errors were computed.
  int nInHand = 0;
  double* lambdaInHand = nullptr;
  double** PhiInHand = nullptr;
  if (eigenVectors) {
    RemoveStiffSlaveDof(mesh, w.PointDofNumbers, &KFF, w.PointDofCodes);
    CheckFilesJobName_vm(job, nF, nP, &nInHand, mesh, &KFF, &MFF, ModeFileDamage(job, mesh), &lambdaInHand, &PhiInHand);
    RestoreStiffSlaveDof(mesh, w.PointDofNumbers, &KFF, w.PointDofCodes);
  }

  const ModalInput in{fp, positions, job, OutputControl, mesh, &w};
  VibrationModes v{};
  CalcVibrationModes(&in, &KFF, &MFF, nInHand, lambdaInHand, PhiInHand, true, &v);
  if (PhiInHand != nullptr) {
    freed2(PhiInHand);
    freed1(lambdaInHand);
  }

  FILE *fpBin, *fpDat;
  OpenFile(&fpBin, job, kModeFileSuffix, "wb", 'Y');
  OpenFile(&fpDat, job, kModeReportSuffix, "w", 'Y');
  WriteVibrationModesText(fpDat, job, mesh, &v);
  WriteVibrationModes(fpBin, nF, nP, v.nModes, v.lambda, v.error, v.relError, v.Phi);
  CloseFile(fpDat);
  CloseFile(fpBin);
  WriteModeFileState(job, mesh);

  FreeVibrationModes(&v);
  FreeGlobalStiffMat(nF, nP, &MFF, &MPF, &MPP);
  FreeGlobalStiffMat(nF, nP, &KFF, &KPF, &KPP);
  FreeMainWorkArrays(&w);
  freel1(positions);
  SeekFile(fp, combinationsStart);

  FILE* fpEP;
  OpenFile(&fpEP, job, kExecParamsSuffix, "wb", 'Y');
  WriteTag(kExecParamsOpenTag, fpEP);
  WriteTag(kExecParamsCloseTag, fpEP);
  CloseFile(fpEP);
}
