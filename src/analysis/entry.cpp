// Program run: start-up, dispatch to the analysis driver, shut-down.
#include "analysis/entry.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "analysis/drivers.h"
#include "analysis/interrupt.h"
#include "analysis/results.h"
#include "model/banner.h"
#include "model/loadcase.h"
#include "model/params.h"
#include "model/validate.h"
#include "numcore/numcore.h"

void PrintBanner() {
  std::printf("\n");
  for (const char* line : kBanner) std::printf("%s\n", line);
}

namespace {

const char* const kUsage =
    "Usage: volde jobname\n"
    "       volde -h | --help\n"
    "\n"
    "Runs the job jobname: reads its data file jobname_gl.bin and, when present, its output\n"
    "control jobname_ctrl.dat, and writes the result files jobname_*.bin beside them (a job\n"
    "name with a directory runs there). A name given as jobname_gl.bin is taken as jobname;\n"
    "without a name the program asks for it. One run of a job at a time in a directory:\n"
    "a running job holds jobname.lock. Ctrl-C (SIGINT) or SIGTERM ends the run after the\n"
    "combination, time step or load case in progress and names the last one written, from\n"
    "which a nonlinear run can restart. The files and units are described in docs/.\n";

bool HelpAsked(int argc, char** argv) {
  return argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0);
}

void PrintUsage() { std::fputs(kUsage, stdout); }

// A name given as the data file's name ("portal_gl.bin") is the job's name ("portal").
void DropDataFileSuffix(char* job) {
  const size_t n = std::strlen(job), k = std::strlen(kDataFileSuffix);
  if (n >= k && std::strcmp(job + n - k, kDataFileSuffix) == 0) {
    job[n - k] = '\0';
    std::printf("\n");
    std::printf("The data file %s%s is that of job %s.\n", job, kDataFileSuffix, job);
  }
}

// A name without a file part ("" or "dir/") names no job.
void RefuseEmptyJobName(const char* job) {
  if (job[0] == '\0' || job[std::strlen(job) - 1] == '/') errexit("The job name is empty.\nUsage: volde jobname", 0);
}

}  // namespace

void TakeJobName(int argc, char** argv, char* job) {
  if (argc > 2) errexit("Usage: volde jobname", 0);
  if (argc == 2) {
    if (argv[1][0] == '-') {
      const std::string msg = std::string("Unknown option: ") + argv[1] + "\nUsage: volde jobname";
      errexit(msg.c_str(), 0);
    }
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
    DropDataFileSuffix(job);
    RefuseEmptyJobName(job);
    std::printf("\n");
    std::printf("Job name = %s\n", job);
    return;
  }
  askjobname(job);
  DropDataFileSuffix(job);
  RefuseEmptyJobName(job);
}

void StartUp(const char* job, char* OutputControl, FILE** fp, MeshData* mesh, long* posAfterMesh) {
  // A mistyped job name is told as the missing data file, not first as a missing control file.
  if (FILE* probe = std::fopen((std::string(job) + kDataFileSuffix).c_str(), "rb"); probe != nullptr)
    std::fclose(probe);
  else
    OpenFile(fp, job, kDataFileSuffix, "rb", 'N');
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

namespace {

// Drivers that keep material history files (their set-up names the stale ones itself).
bool KeepsHistoryFiles(int driver) {
  switch (driver) {
    case DRIVER_STATIC_MNL_NCSB:
    case DRIVER_STATIC_MNL_JPCG:
    case DRIVER_STATIC_MGNL_NCSB:
    case DRIVER_STATIC_MGNL_JPCG:
    case DRIVER_THERMAL_TRANSIENT_NL_NCSB:
    case DRIVER_THERMAL_TRANSIENT_NL_JPCG:
    case DRIVER_TRANSIENT_MNL_NCSB:
    case DRIVER_TRANSIENT_MNL_JPCG:
      return true;
    case DRIVER_STATIC_LIN_NCSB:
    case DRIVER_STATIC_LIN_JPCG:
    case DRIVER_DYNAMIC_LIN_NCSB:
    case DRIVER_DYNAMIC_LIN_JPCG:
    case DRIVER_MODAL_ANALYSIS:
    case DRIVER_MODAL_SUPERPOSITION:
    case DRIVER_THERMAL_STEADY_NCSB:
    case DRIVER_THERMAL_STEADY_JPCG:
    case DRIVER_THERMAL_TRANSIENT_LIN_NCSB:
    case DRIVER_THERMAL_TRANSIENT_LIN_JPCG:
      return false;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

// Drivers that end on an interrupt between records; the modal analysis has no records to
// stop between and ends at once.
bool StopsBetweenRecords(int driver) { return driver != DRIVER_MODAL_ANALYSIS; }

}  // namespace

int RunVolde(int argc, char** argv) {
  char job[kJobNameSize];
  char OutputControl[kOutputControlSize];
  FILE* fp;
  MeshData mesh;
  long posAfterMesh;
  if (HelpAsked(argc, argv)) {
    PrintUsage();
    return 0;
  }
  PrintBanner();
  TakeJobName(argc, argv, job);
  LockJob(job);
  CatchInterrupts();
  StartUp(job, OutputControl, &fp, &mesh, &posAfterMesh);
  int driver = SelectAnalysisDriver(&mesh.Main);
  ValidateAnalysisOptions(&mesh, driver);
  if (!KeepsHistoryFiles(driver)) WarnUnwrittenHistoryFiles(job, nullptr, nullptr);
  EndIfInterruptedBeforeAnalysis();
  if (!StopsBetweenRecords(driver)) ReleaseInterrupts();
  RunAnalysisDriver(driver, fp, posAfterMesh, job, OutputControl, &mesh);
  ShutDown(fp, &mesh);
  return 0;
}
