// Program run: start-up, dispatch to the analysis driver, shut-down.
#include "analysis/entry.h"

#include <cstdio>
#include <cstring>

#include "analysis/drivers.h"
#include "model/banner.h"
#include "model/loadcase.h"
#include "model/params.h"
#include "model/validate.h"
#include "numcore/numcore.h"

void PrintBanner() {
  std::printf("\n");
  for (const char* line : kBanner) std::printf("%s\n", line);
}

void TakeJobName(int argc, char** argv, char* job) {
  if (argc > 2) errexit("Usage: volde jobname", 0);
  if (argc == 2) {
    // Every result file is named by the job name and a suffix: a name that leaves no room
    // for the longest suffix would be cut or overrun.
    if (std::strlen(argv[1]) > static_cast<size_t>(kJobNameMax)) {
      char msg[160];
      std::snprintf(msg, sizeof msg,
                    "The job name is too long: it may hold at most %d characters.\n"
                    "Usage: volde jobname",
                    kJobNameMax);
      errexit(msg, 0);
    }
    std::strcpy(job, argv[1]);
    std::printf("\n");
    std::printf("Job name = %s\n", job);
    return;
  }
  askjobname(job);
}

void StartUp(const char* job, char* OutputControl, FILE** fp, MeshData* mesh, long* posAfterMesh) {
  ImportOutputControl(job, OutputControl);
  OpenFile(fp, job, kDataFileSuffix, "rb", 'Y');
  ReadTag(kDataFileOpenTag, *fp, kDataFileSuffix);
  ReadMesh(*fp, mesh);
  *posAfterMesh = std::ftell(*fp);
  if (*posAfterMesh < 0) InvalidBinaryFile(kDataFileSuffix);
}

void RunAnalysisDriver(int driver, FILE* fp, long posAfterMesh, const char* job,
                       const char* OutputControl, MeshData* mesh) {
  switch (driver) {
    case DRIVER_STATIC_LIN_NCSB:
      MainStaticLinGaussElimNCSB(fp, job, OutputControl, mesh);
      break;
    case DRIVER_STATIC_LIN_JPCG:
      MainStaticLinIterJacPreConjGrad(fp, job, OutputControl, mesh);
      break;
    case DRIVER_STATIC_MNL_NCSB:
      MainStaticMaterNonlinGaussElimNCSB(fp, posAfterMesh, job, OutputControl, mesh);
      break;
    case DRIVER_STATIC_MNL_JPCG:
      MainStaticMaterNonlinIterJacPreConjGrad(fp, posAfterMesh, job, OutputControl, mesh);
      break;
    case DRIVER_STATIC_MGNL_NCSB:
      MainStaticMaterGeomNonlinGaussElimNCSB(fp, posAfterMesh, job, OutputControl, mesh);
      break;
    case DRIVER_STATIC_MGNL_JPCG:
      MainStaticMaterGeomNonlinIterJacPreConjGrad(fp, posAfterMesh, job, OutputControl, mesh);
      break;
    case DRIVER_DYNAMIC_LIN_NCSB:
      MainDynamicLinGaussElimNCSB(fp, job, OutputControl, mesh);
      break;
    case DRIVER_DYNAMIC_LIN_JPCG:
      MainDynamicLinIterJacPreConjGrad(fp, job, OutputControl, mesh);
      break;
    case DRIVER_MODAL_ANALYSIS:
      MainLinModalAnalysis(fp, job, OutputControl, mesh);
      break;
    case DRIVER_MODAL_SUPERPOSITION:
      MainLinModalSuperposition(fp, job, OutputControl, mesh);
      break;
    case DRIVER_THERMAL_STEADY_NCSB:
      MainThermalSteadyLinGaussElimNCSB(fp, job, OutputControl, mesh);
      break;
    case DRIVER_THERMAL_STEADY_JPCG:
      MainThermalSteadyLinIterJacPreConjGrad(fp, job, OutputControl, mesh);
      break;
    case DRIVER_THERMAL_TRANSIENT_LIN_NCSB:
      MainThermalTransientLinGaussElimNCSB(fp, job, OutputControl, mesh);
      break;
    case DRIVER_THERMAL_TRANSIENT_LIN_JPCG:
      MainThermalTransientLinIterJacPreConjGrad(fp, job, OutputControl, mesh);
      break;
    case DRIVER_THERMAL_TRANSIENT_NL_NCSB:
      MainThermalTransientNonlinGaussElimNCSB(fp, posAfterMesh, job, OutputControl, mesh);
      break;
    case DRIVER_THERMAL_TRANSIENT_NL_JPCG:
      MainThermalTransientNonlinIterJacPreConjGrad(fp, posAfterMesh, job, OutputControl, mesh);
      break;
    case DRIVER_TRANSIENT_MNL_NCSB:
      MainTransientMaterNonlinGaussElimNCSB(fp, posAfterMesh, job, OutputControl, mesh);
      break;
    case DRIVER_TRANSIENT_MNL_JPCG:
      MainTransientMaterNonlinIterJacPreConjGrad(fp, posAfterMesh, job, OutputControl, mesh);
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void ShutDown(FILE* fp, MeshData* mesh) {
  CombinationData* combinations;
  ReadCombinations(fp, mesh, &combinations);
  FreeCombinations(combinations, mesh->Main.nCombinations);
  ReadTag(kDataFileCloseTag, fp, kDataFileSuffix);
  CloseFile(fp);
  FreeMesh(mesh);
  std::printf("\n");
  std::printf("End of volde\n");
  std::printf("\n");
  std::printf("### Success ###\n");
  std::printf("\n");
}

int RunVolde(int argc, char** argv) {
  char job[kJobNameSize];
  char OutputControl[kOutputControlSize];
  FILE* fp;
  MeshData mesh;
  long posAfterMesh;
  PrintBanner();
  TakeJobName(argc, argv, job);
  StartUp(job, OutputControl, &fp, &mesh, &posAfterMesh);
  int driver = SelectAnalysisDriver(&mesh.Main);
  ValidateAnalysisOptions(&mesh, driver);
  RunAnalysisDriver(driver, fp, posAfterMesh, job, OutputControl, &mesh);
  ShutDown(fp, &mesh);
  return 0;
}

void LocateLoadCases(FILE* fp, const MeshData* mesh, long* positions) {
  for (int lc = 1; lc <= mesh->Main.nLoadCases; lc++) {
    positions[lc] = std::ftell(fp);
    if (positions[lc] < 0) InvalidBinaryFile(kDataFileSuffix);
    LoadCaseData data;
    ReadLoadCase(fp, lc, mesh, &data);
    FreeLoadCase(&data);
  }
}
