// The vibration-mode files: <job>_vm.bin with every mode, the report <job>_vm.dat whose
// selected block a later run reads back, the check that the files in hand belong to the
// present model, and the export of the free-dof stiffness and mass matrices.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "modal/vibration_modes.h"
#include "model/banner.h"
#include "model/fileio.h"
#include "model/mesh.h"
#include "model/params.h"
#include "numcore/numcore.h"

namespace {

const double kTwoPi = 6.283185307179586;

bool FileExists(const std::string& name) {
  FILE* f = std::fopen(name.c_str(), "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

std::string Format(const char* format, const std::string& a, const std::string& b) {
  std::vector<char> buf(std::strlen(format) + a.size() + b.size() + 1);
  std::snprintf(buf.data(), buf.size(), format, a.c_str(), b.c_str());
  return std::string(buf.data());
}

// Files that cannot serve: a modal analysis says so (a console note when they are
// missing, a warning otherwise) and creates new ones; a superposition cannot go on.
void CannotUseFiles(int analysisType, const std::string& msg, bool missing, const std::string& report,
                    const std::string& binary) {
  if (analysisType == ANALYSIS_MODAL_SUPERPOSITION) errexit((msg + "Run modal analysis first.").c_str(), 0);
  const std::string creating = Format("Creating new files %s and %s.", report, binary);
  if (missing) {
    std::printf("\n");
    std::printf("%s%s\n", msg.c_str(), creating.c_str());
  } else {
    warnmsg((msg + creating).c_str(), 0);
  }
}

void WriteRatioBlock(FILE* fp, const char* kind, const char* word, int lc, int nModes, double** ratio, int L,
                     double sum) {
  std::fprintf(fp, "<%s_PARTICIPATION_RATIO_LOAD_CASE_%d>\n", kind, lc);
  std::fprintf(fp, "## Content of each column:\n");
  std::fprintf(fp, "#  A -> Vibration mode\n");
  std::fprintf(fp, "#  B -> Modal %s participation ratio\n", word);
  std::fprintf(fp, "#  C -> Sum of the modal %s participation ratios\n", word);
  std::fprintf(fp, "#      A                 B              ");
  std::fprintf(fp, "   C\n");
  for (int i = 1; i <= nModes; i++) std::fprintf(fp, "%8d  %16.8lf  %16.8lf ;\n", i, ratio[i][L], sum);
  std::fprintf(fp, "</%s_PARTICIPATION_RATIO_LOAD_CASE_%d>\n\n", kind, lc);
}

}  // namespace

void WriteVibrationModes(FILE* fp, int nF, int nP, int nModes, const double* lambda, const double* error,
                         const double* relError, double** Phi) {
  WriteTag(kVibrationModesTag, fp);
  WriteInt32(fp, nModes);
  WriteInt32(fp, nF);
  WriteInt32(fp, nP);
  double* t;
  allocd1(&t, nF);
  for (int j = 1; j <= nModes; j++) {
    WriteInt32(fp, j);
    WriteDouble(fp, lambda[j]);
    WriteDouble(fp, error[j]);
    WriteDouble(fp, relError[j]);
    getcold2(t, Phi, nF, j);
    WriteDoubles(fp, t, nF);
    FlushFile(fp);
  }
  freed1(t);
}

void WriteVibrationModesText(FILE* fp, const char* job, const MeshData* mesh, const VibrationModes* v) {
  for (const char* line : kBanner) std::fprintf(fp, "#%s\n", line);
  const std::time_t now = std::time(nullptr);
  const char* calendar = std::ctime(&now);
  std::string date = calendar != nullptr ? calendar : "";
  if (!date.empty() && date.back() == '\n') date.pop_back();
  // A title is a comment line of the report: no character of it may end the line.
  char title[kBinStringMax];
  std::snprintf(title, sizeof title, "%s", mesh->Main.MainTitle);
  maskbadchars(title);
  std::fprintf(fp, "\n#\"Date: %s\"\n\n", date.c_str());
  std::fprintf(fp, "#\"Job Name: %s\"\n\n", job);
  std::fprintf(fp, "#\"Title: %s\"\n\n", title);

  std::fprintf(fp, "%s\n", kSelectedModesTag);
  std::fprintf(fp, "## Vibration modes\n");
  std::fprintf(fp, "   COUNT = %d ;\n\n", v->nModes);
  std::fprintf(fp, "## Content of each column:\n");
  std::fprintf(fp, "#  A -> Counter (correspondence with file jobname_vm.bin)\n");
  std::fprintf(fp, "#  B -> Square angular frequency (rad^2/s^2)\n");
  std::fprintf(fp, "#  C -> Angular frequency (rad/s)\n");
  std::fprintf(fp, "#  D -> Frequency (Hz)\n");
  std::fprintf(fp, "#  E -> Error\n");
  std::fprintf(fp, "#  F -> Relative error\n");
  std::fprintf(fp, "#      A                               B              ");
  std::fprintf(fp, "   C                 D                 E             ");
  std::fprintf(fp, "    F\n");
  for (int i = 1; i <= v->nModes; i++) {
    const double omega = std::sqrt(v->lambda[i]);
    std::fprintf(fp, "%8d  %30.10lf  %16.8lf  %16.8lf  %16e  %16e ;\n", i, v->lambda[i], omega, omega / kTwoPi,
                 v->error[i], v->relError[i]);
  }
  std::fprintf(fp, "%s\n\n", kSelectedModesCloseTag);

  for (int L = 1; L <= mesh->nStaticParticipation; L++)
    WriteRatioBlock(fp, "STATIC", "static", mesh->StaticParticipation[L], v->nModes, v->staticRatio, L,
                    v->staticSum[L]);
  for (int L = 1; L <= mesh->nDynamicParticipation; L++)
    WriteRatioBlock(fp, "DYNAMIC", "dynamic", mesh->DynamicParticipation[L], v->nModes, v->dynamicRatio, L,
                    v->dynamicSum[L]);
}

void WriteSparseMatBin(int n, const int* count, int** cols, double** vals, char flag, const char* fileName) {
  FILE* fp;
  OpenFile(&fp, "", fileName, "wb", 'N');
  WriteByte(fp, flag);
  WriteInt32(fp, n);
  for (int i = 1; i <= n; i++) {
    WriteInt32(fp, count[i]);
    for (int t = 1; t <= count[i]; t++) {
      WriteInt32(fp, cols[i][t]);
      WriteDouble(fp, vals[i][t]);
    }
  }
  CloseFile(fp);
}

void CheckFilesJobName_vm(const char* job, int nF, int nP, int* nModes, const MeshData* mesh, const SparseRowMatrix* K,
                          const SparseRowMatrix* M, const char* damage, double** lambda, double*** Phi) {
  const int type = mesh->Main.AnalysisType;
  if (type != ANALYSIS_MODAL_ANALYSIS && type != ANALYSIS_MODAL_SUPERPOSITION) InternalError(__FILE__, __LINE__);
  *nModes = 0;
  *lambda = nullptr;
  *Phi = nullptr;
  const std::string report = std::string(job) + kModeReportSuffix;
  const std::string binary = std::string(job) + kModeFileSuffix;
  const bool haveReport = FileExists(report), haveBinary = FileExists(binary);
  if (!haveReport && !haveBinary) {
    CannotUseFiles(type, Format("Files %s and %s not found.\n", report, binary), true, report, binary);
    return;
  }
  if (!haveReport || !haveBinary) {
    CannotUseFiles(type, Format("File %s not found.\n", haveReport ? binary : report, ""), true, report, binary);
    return;
  }

  if (damage != nullptr) {
    CannotUseFiles(type, Format("File %s cannot be used:\n", binary, "") + damage, false, report, binary);
    return;
  }
  std::printf("\n");
  std::printf("Files %s and %s exist.\n", report.c_str(), binary.c_str());
  std::printf("Verifying their content:\n");
  FILE *fpDat, *fpBin;
  OpenFile(&fpDat, job, kModeReportSuffix, "r", 'N');
  OpenFile(&fpBin, job, kModeFileSuffix, "rb", 'N');
  SetTokenizerFile(report.c_str());
  int line = 1, wordline = 0;
  expectword(fpDat, &line, &wordline, kSelectedModesTag);
  expectword(fpDat, &line, &wordline, "COUNT");
  expectchar(fpDat, &line, &wordline, '=');
  const int c = readintge0(fpDat, &line, &wordline);
  expectchar(fpDat, &line, &wordline, ';');
  ReadTag(kVibrationModesTag, fpBin, kModeFileSuffix);
  const int nModesBin = ReadInt32(fpBin);
  const int nFBin = ReadInt32(fpBin);
  const int nPBin = ReadInt32(fpBin);
  if (nFBin != nF || nPBin != nP) {
    SetTokenizerFile(nullptr);
    CloseFile(fpBin);
    CloseFile(fpDat);
    CannotUseFiles(type, Format("Files %s and %s do not correspond to the geometry\nof the structure.\n", report, binary),
                   false, report, binary);
    return;
  }
  const int64_t recordBytes = 28 + 8 * static_cast<int64_t>(nF);
  CheckCount(fpBin, nModesBin, recordBytes);

  std::vector<int> counters;
  for (int k = 1; k <= c; k++) {
    counters.push_back(readintge1(fpDat, &line, &wordline));
    for (int r = 1; r <= 5; r++) readreal(fpDat, &line, &wordline);
    expectchar(fpDat, &line, &wordline, ';');
  }
  expectword(fpDat, &line, &wordline, kSelectedModesCloseTag);
  SetTokenizerFile(nullptr);
  CloseFile(fpDat);
  // An edited list may name a counter twice: the file cannot go back to a record it has
  // passed, so a repeated counter is as foreign as one beyond the file.
  std::sort(counters.begin(), counters.end());
  bool related = true;
  for (size_t k = 0; k < counters.size(); k++)
    if (counters[k] > nModesBin || (k > 0 && counters[k] == counters[k - 1])) related = false;
  if (!related) {
    CloseFile(fpBin);
    CannotUseFiles(type, Format("Files %s and %s not related.\n", report, binary), false, report, binary);
    return;
  }

  double *lam, *err, *rel, *errNow, *relNow, **phi, *t;
  allocd1(&lam, c);
  allocd1(&err, c);
  allocd1(&rel, c);
  allocd1(&errNow, c);
  allocd1(&relNow, c);
  allocd2(&phi, nF, c);
  allocd1(&t, nF);
  const int64_t first = TellFile(fpBin);
  for (int k = 1; k <= c; k++) {
    SeekFile(fpBin, first + (counters[k - 1] - 1) * recordBytes);
    if (ReadInt32(fpBin) != counters[k - 1]) InvalidBinaryFile(fpBin);
    lam[k] = ReadDouble(fpBin);
    err[k] = ReadDouble(fpBin);
    rel[k] = ReadDouble(fpBin);
    ReadDoubles(fpBin, t, nF);
    setcold2(phi, t, nF, k);
  }
  freed1(t);
  CloseFile(fpBin);

  // The stored errors were computed by this same routine on the same matrices: a mode of
  // the present model reproduces them bit for bit.
  CalcEigenModeErrors(nF, c, K, M, errNow, lam, relNow, phi);
  bool same = true;
  for (int k = 1; k <= c; k++)
    if (!(errNow[k] == err[k] && relNow[k] == rel[k])) same = false;
  freed1(relNow);
  freed1(errNow);
  freed1(rel);
  freed1(err);
  if (!same || c == 0) {
    freed2(phi);
    freed1(lam);
    if (c == 0) return;
    CannotUseFiles(type, Format("Files %s and %s not in repect with the problem.\n", report, binary), false, report,
                   binary);
    return;
  }
  *nModes = c;
  *lambda = lam;
  *Phi = phi;
}
