// Writers of the binary result files, the summary and equilibrium-path records, the
// arc-length and last-combination files, and the closing of a run's result files.
#include <climits>
#include <cstdio>
#include <filesystem>
#include <string>

#include "analysis/results.h"
#include "history/history.h"
#include "model/fileio.h"
#include "model/material.h"
#include "numcore/numcore.h"

namespace {

// Flushes a result file. A failed flush leaves the stream's error indicator set, so
// CloseFile reports it with the file's name and stops the run.
void FlushResultFile(FILE* fp) {
  if (std::fflush(fp) != 0 || std::ferror(fp) != 0) {
    CloseFile(fp);
    InternalError(__FILE__, __LINE__);  // CloseFile returns only for a sound stream
  }
}

long TellResultFile(FILE* fp) {
  long p = std::ftell(fp);
  if (p < 0) errexit("Unable to find the position in a result file.", 0);
  return p;
}

void SeekResultFile(FILE* fp, long position) {
  if (std::fseek(fp, position, SEEK_SET) != 0) errexit("Unable to reposition a result file.", 0);
}

// History files of the slots in use receive their closing tag.
void CloseHistoryTags(FILE** files, const int* counts, int slots, const char* tag) {
  for (int k = 1; k <= slots; k++) {
    if (counts[k] <= 0) continue;
    if (files == nullptr || files[k] == nullptr) InternalError(__FILE__, __LINE__);
    WriteTag(tag, files[k]);
  }
}

void CloseHistoryFilesWith(FILE** files, int slots, void (*close)(FILE*)) {
  for (int k = 1; k <= slots; k++)
    if (files[k] != nullptr) {
      close(files[k]);
      files[k] = nullptr;
    }
  freepfile1(files);
}

void CloseHistoryFiles(FILE** files, int slots) { CloseHistoryFilesWith(files, slots, CloseFile); }

// A restarted run that ends earlier than the first leaves no stale blocks behind its tag.
void CloseHistoryFilesTruncated(FILE** files, int slots) {
  CloseHistoryFilesWith(files, slots, CloseFileTruncated);
}

}  // namespace

void WriteDisplReact(FILE* fp, int id, int nF, int nP, const double* aF, const double* aP,
                     const double* R) {
  WriteInt32(fp, id);
  WriteDoubles(fp, aF, nF);
  WriteDoubles(fp, aP, nP);
  WriteDoubles(fp, R, nP);
  FlushResultFile(fp);
}

void WriteDynStepVectors(FILE* fp, int nF, int nP, const double* aF, const double* aP, const double* vF,
                         const double* vP) {
  WriteDoubles(fp, vF, nF);
  WriteDoubles(fp, vP, nP);
  WriteDoubles(fp, aF, nF);
  WriteDoubles(fp, aP, nP);
  FlushResultFile(fp);
}

void WriteInternalForces(FILE* fp, int nF, int nP, int id, const double* fF, const double* fP) {
  WriteInt32(fp, id);
  WriteDoubles(fp, fF, nF);
  WriteDoubles(fp, fP, nP);
  FlushResultFile(fp);
}

void WriteCombinationHeader(FILE* fp, long* position) {
  *position = TellResultFile(fp);
  WriteInt32(fp, 0);
  WriteInt32(fp, 0);
  WriteInt32(fp, 0);
}

void PatchCombinationHeader(FILE* fp, int combination, int iterations, long position) {
  long end = TellResultFile(fp);
  // The entries are chained by 32-bit offsets: a file that outgrows them cannot be read back.
  if (end > INT32_MAX)
    errexit(
        "The execution-parameter file (_ep.bin) exceeds 2147483647 bytes:\n"
        "its entries can no longer be chained.",
        0);
  SeekResultFile(fp, position);
  WriteInt32(fp, static_cast<int32_t>(end));
  WriteInt32(fp, combination);
  WriteInt32(fp, iterations);
  SeekResultFile(fp, end);
}

void ResetIterSummaryRecord(IterSummaryRecord* r) {
  r->nTermsKFF = -1;
  r->nTermsKPF = -1;
  r->nTermsKPP = -1;
  r->nTermsNCSB = -1;
  r->assemblySeconds = -1.0;
  r->factorSeconds = -1.0;
}

void ResetStepSummaryRecord(StepSummaryRecord* r) {
  r->nIterJPCG = -1;
  r->padding = 0;
  r->residNormJPCG = -1.0;
  r->solveSeconds = -1.0;
  r->residualNorm = -1.0;
}

void WriteSummaryRecord(FILE* fp, const IterSummaryRecord* r) {
  WriteInt32(fp, r->nTermsKFF);
  WriteInt32(fp, r->nTermsKPF);
  WriteInt32(fp, r->nTermsKPP);
  WriteInt32(fp, r->nTermsNCSB);
  WriteDouble(fp, r->assemblySeconds);
  WriteDouble(fp, r->factorSeconds);
}

void WriteSummaryRecord(FILE* fp, const StepSummaryRecord* r) {
  WriteInt32(fp, r->nIterJPCG);
  WriteInt32(fp, 0);  // padding: zero, so that identical runs write identical files
  WriteDouble(fp, r->residNormJPCG);
  WriteDouble(fp, r->solveSeconds);
  WriteDouble(fp, r->residualNorm);
}

void InitEquilibriumPathRecord(int nF, int nP, EquilibriumPathRecord* r) {
  r->n = -1;
  r->d1 = 0.0;
  r->d2 = -1.0;
  r->d3 = 1.0;
  r->d4 = 0.0;
  allocd1(&r->extF, nF);
  allocd1(&r->extP, nP);
}

void FillEquilibriumPathRecord(int nF, int nP, int n, double a, double b, double d2, double d3,
                               double d4, EquilibriumPathRecord* r, const double* extF,
                               const double* extP) {
  r->n = n;
  // A radius factor of 0 leaves no radius to keep (d1 times the factor is what is read
  // back); 0 rather than a division by zero keeps the file free of NaN and infinity.
  r->d1 = b != 0.0 ? a / b : 0.0;
  r->d2 = d2;
  r->d3 = d3;
  r->d4 = d4;
  copyd1(r->extF, extF, nF);
  copyd1(r->extP, extP, nP);
}

void WriteEquilibriumPathRecord(FILE* fp, int nF, int nP, const EquilibriumPathRecord* r) {
  WriteInt32(fp, r->n);
  WriteDouble(fp, r->d1);
  WriteDouble(fp, r->d2);
  WriteDouble(fp, r->d3);
  WriteDouble(fp, r->d4);
  WriteDoubles(fp, r->extF, nF);
  WriteDoubles(fp, r->extP, nP);
}

void ReadEquilibriumPathRecord(FILE* fp, int nF, int nP, EquilibriumPathRecord* r) {
  allocd1(&r->extF, nF);
  allocd1(&r->extP, nP);
  r->n = ReadInt32(fp);
  r->d1 = ReadDouble(fp);
  r->d2 = ReadDouble(fp);
  r->d3 = ReadDouble(fp);
  r->d4 = ReadDouble(fp);
  ReadDoubles(fp, r->extF, nF);
  ReadDoubles(fp, r->extP, nP);
}

void FreeEquilibriumPathVectors(EquilibriumPathRecord* r) {
  freed1(r->extP);
  freed1(r->extF);
  r->extP = nullptr;
  r->extF = nullptr;
}

void WriteArcLengthDeltaF(int nF, int nP, const char* job, const double* dF, const double* dP) {
  FILE* fp;
  OpenFile(&fp, job, kArcLengthDeltaFSuffix, "wb", 'Y');
  WriteTag(kArcLengthDeltaFOpenTag, fp);
  WriteDoubles(fp, dF, nF);
  WriteDoubles(fp, dP, nP);
  WriteTag(kArcLengthDeltaFCloseTag, fp);
  CloseFile(fp);
}

void WarnUnwrittenHistoryFiles(const char* job, const int* NLMM_HD_Count, const int* NLSMM_HD_Count) {
  std::string list;
  const auto note = [&](int kinds, const char* const* keywords, const int* count) {
    for (int c = 1; c <= kinds; c++) {
      if (count != nullptr && count[c] > 0) continue;
      char suffix[kBinStringMax];
      HDFileSuffix(keywords[c], suffix);
      const std::string name = std::string(job) + suffix;
      std::error_code ec;
      if (std::filesystem::exists(name, ec)) list += "   " + name + "\n";
    }
  };
  note(kMaterialKinds, kMaterialKindKeywords, NLMM_HD_Count);
  note(kSpringMaterialKinds, kSpringMaterialKindKeywords, NLSMM_HD_Count);
  if (list.empty()) return;
  const std::string msg = "These history files of an earlier run of job " + std::string(job) +
                          " are not rewritten by this run:\n" + list +
                          "They do not belong to its results; remove them to avoid mixing runs.";
  warnmsg(msg.c_str(), 0);
}

void WriteLastConvergedCombination(int combination, const char* job) {
  FILE* fp;
  // Written under a temporary name and renamed: a run stopped in between leaves the
  // previous number whole.
  const std::string tmpSuffix = std::string(kLastConvergedSuffix) + ".tmp";
  OpenFile(&fp, job, tmpSuffix.c_str(), "w", 'N');
  std::fprintf(fp, "LAST_CONVERGED_COMBINATION = %d ;\n", combination);
  CloseFile(fp);  // a failed print leaves the error indicator set: CloseFile stops the run
  const std::string name = std::string(job) + kLastConvergedSuffix;
  std::error_code ec;
  std::filesystem::rename(name + ".tmp", name, ec);
  if (ec) {
    const std::string msg = "Unable to write to the following output file:\n" + name;
    errexit(msg.c_str(), 0);
  }
  // The log of the combination goes out with its restart point: a run killed later leaves
  // a log that reaches the combination the restart file names.
  std::fflush(stdout);
}

void OpenLinearResultFiles(const char* job, bool thermal, FILE** fpRec, FILE** fpEP) {
  OpenFile(fpRec, job, thermal ? kTempHeatFluxSuffix : kDisplReactSuffix, "wb", 'Y');
  OpenFile(fpEP, job, kExecParamsSuffix, "wb", 'Y');
  WriteTag(thermal ? kTempHeatFluxOpenTag : kDisplReactOpenTag, *fpRec);
  WriteTag(kExecParamsOpenTag, *fpEP);
}

void CloseLinearResultFiles(FILE* fpRec, FILE* fpEP, bool thermal) {
  WriteTag(kExecParamsCloseTag, fpEP);
  WriteTag(thermal ? kTempHeatFluxCloseTag : kDisplReactCloseTag, fpRec);
  CloseFile(fpEP);
  CloseFile(fpRec);
}

void CloseResultFiles_NL(FILE* fpDR, FILE* fpEP, FILE* fpIF, FILE** NLMM_HD_Files,
                         FILE** NLSMM_HD_Files, const int* NLMM_HD_Count,
                         const int* NLSMM_HD_Count) {
  WriteTag(kInternalForcesCloseTag, fpIF);
  CloseFileTruncated(fpIF);
  CloseHistoryTags(NLSMM_HD_Files, NLSMM_HD_Count, kSpringMaterialKinds, kSpringHDCloseTag);
  CloseHistoryFilesTruncated(NLSMM_HD_Files, kSpringMaterialKinds);
  CloseHistoryTags(NLMM_HD_Files, NLMM_HD_Count, kMaterialKinds, kMaterialHDCloseTag);
  CloseHistoryFilesTruncated(NLMM_HD_Files, kMaterialKinds);
  WriteTag(kExecParamsCloseTag, fpEP);
  CloseFileTruncated(fpEP);
  WriteTag(kDisplReactCloseTag, fpDR);
  CloseFileTruncated(fpDR);
}

void CloseThermalResultFiles(FILE* fpTQ, FILE* fpEP, FILE* fpIQ, FILE** NLMM_HD_Files,
                             const int* NLMM_HD_Count) {
  WriteTag(kInternalHeatForcesCloseTag, fpIQ);
  CloseFileTruncated(fpIQ);
  CloseHistoryTags(NLMM_HD_Files, NLMM_HD_Count, kMaterialKinds, kMaterialHDCloseTag);
  CloseHistoryFilesTruncated(NLMM_HD_Files, kMaterialKinds);
  WriteTag(kExecParamsCloseTag, fpEP);
  CloseFileTruncated(fpEP);
  WriteTag(kTempHeatFluxCloseTag, fpTQ);
  CloseFileTruncated(fpTQ);
}

void CloseNLMM_HDFiles(FILE** NLMM_HD_Files) { CloseHistoryFiles(NLMM_HD_Files, kMaterialKinds); }

void CloseNLSMM_HDFiles(FILE** NLSMM_HD_Files) {
  CloseHistoryFiles(NLSMM_HD_Files, kSpringMaterialKinds);
}
