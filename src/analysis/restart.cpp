// Set-up of a nonlinear run, restart from a converged combination, the readers and seek
// routines of the result files, and the release of the run's work arrays.
#include "analysis/restart.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "analysis/nonlinear_control.h"

#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "history/history.h"
#include "materials/material_point.h"
#include "materials/solid_pattern.h"
#include "model/fileio.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

double* ZeroVec(int n) {
  double* v;
  allocd1(&v, n);
  zerod1(v, n);
  return v;
}

void CheckId(FILE* fp, int k, const char* suffix) {
  if (ReadInt32(fp) != k) InvalidBinaryFile(suffix);
}

void OpenHDFiles(FILE*** files, int slots, const int* counts, const char* const* keywords, const char* job,
                 const char* mode) {
  allocpfile1(files, slots);
  for (int k = 1; k <= slots; k++) {
    (*files)[k] = nullptr;
    if (counts[k] <= 0) continue;
    char suffix[kBinStringMax];
    HDFileSuffix(keywords[k], suffix);
    OpenFile(&(*files)[k], job, suffix, mode, 'Y');
  }
}

// History files in use: the heading checked, then n blocks skipped.
void PositionHDFiles(FILE** files, int slots, const int* counts, const char* heading, int n, bool spring) {
  const char* const* keywords = spring ? kSpringMaterialKindKeywords : kMaterialKindKeywords;
  for (int k = 1; k <= slots; k++)
    if (counts[k] > 0) {
      char suffix[kBinStringMax];
      HDFileSuffix(keywords[k], suffix);
      ReadTag(heading, files[k], suffix);
    }
  if (spring)
    SkipNLSMM_HDRecords(files, n, counts);
  else
    SkipNLMM_HDRecords(files, n, counts);
}

}  // namespace

// ---- readers and seek routines ------------------------------------------------------------

void SeekDisplReactRecord(FILE* fp, int k, int nF, int nP, int64_t base, int dynFlag) {
  int64_t size = 4 + 8 * (static_cast<int64_t>(nF) + 2 * static_cast<int64_t>(nP));
  if (dynFlag != 0) size += 16 * (static_cast<int64_t>(nF) + nP);
  SeekFile(fp, base + k * size);
}

namespace {

void ReadRecord3Vec(FILE* fp, const char* suffix, int k, int nF, int nP, int64_t base, int dynFlag, double* aF,
                    double* aP, double* R) {
  SeekDisplReactRecord(fp, k - 1, nF, nP, base, dynFlag);
  CheckId(fp, k, suffix);
  ReadDoubles(fp, aF, nF);
  ReadDoubles(fp, aP, nP);
  ReadDoubles(fp, R, nP);
}

void ReadRecord2Vec(FILE* fp, const char* suffix, int k, int nF, int nP, int64_t base, double* fF, double* fP) {
  SeekResultRecord2Vec(fp, k - 1, nF, nP, base);
  CheckId(fp, k, suffix);
  ReadDoubles(fp, fF, nF);
  ReadDoubles(fp, fP, nP);
}

}  // namespace

void ReadDisplReactRecord(FILE* fp, int k, int nF, int nP, int64_t base, int dynFlag, double* aF, double* aP,
                          double* R) {
  ReadRecord3Vec(fp, kDisplReactSuffix, k, nF, nP, base, dynFlag, aF, aP, R);
}

void ReadTempBoundaryHeatFluxRecord(FILE* fp, int k, int nF, int nP, int64_t base, double* TF, double* TP,
                                    double* R) {
  ReadRecord3Vec(fp, kTempHeatFluxSuffix, k, nF, nP, base, 0, TF, TP, R);
}

void ReadIntHeatForceRecord(FILE* fp, int k, int nF, int nP, int64_t base, double* qF, double* qP) {
  ReadRecord2Vec(fp, kInternalHeatForcesSuffix, k, nF, nP, base, qF, qP);
}

void SeekResultRecord2Vec(FILE* fp, int k, int a, int b, int64_t base) {
  SeekFile(fp, base + k * (4 + 8 * (static_cast<int64_t>(a) + b)));
}

void SeekResultRecord3Vec(FILE* fp, int k, int a, int b, int64_t base) {
  SeekFile(fp, base + k * (4 + 8 * (static_cast<int64_t>(a) + 2 * static_cast<int64_t>(b))));
}

void ReadInternalForcesRecord(FILE* fp, int k, int nF, int nP, int64_t base, double* fF, double* fP) {
  ReadRecord2Vec(fp, kInternalForcesSuffix, k, nF, nP, base, fF, fP);
}

void ReadEquilibriumPathFileRecord(FILE* fp, int c, int nF, int nP, EquilibriumPathRecord* r) {
  ReadInt32(fp);  // offset of the next entry
  CheckId(fp, c, kExecParamsSuffix);
  const int32_t iterations = ReadInt32(fp);
  if (iterations < 0) InvalidBinaryFile(kExecParamsSuffix);
  SeekFile(fp, TellFile(fp) + 64 * static_cast<int64_t>(iterations));
  ReadEquilibriumPathRecord(fp, nF, nP, r);
}

void SkipFileRecords(FILE* fp, int n) {
  for (int k = 1; k <= n; k++) SeekFile(fp, ReadInt32(fp));
}

void SkipFilePositionRecords(FILE* fp, int n) {
  for (int k = 1; k <= n; k++) SeekFile(fp, ReadInt64(fp));
}

void SkipNLMM_HDRecords(FILE** files, int n, const int* NLMM_HD_Count) {
  for (int c = 1; c <= kMaterialKinds; c++)
    if (NLMM_HD_Count[c] > 0) SkipFilePositionRecords(files[c], n);
}

void SkipNLSMM_HDRecords(FILE** files, int n, const int* NLSMM_HD_Count) {
  for (int c = 1; c <= kSpringMaterialKinds; c++)
    if (NLSMM_HD_Count[c] > 0) SkipFileRecords(files[c], n);
}

void OpenNLMM_HDFiles(FILE*** files, const int* NLMM_HD_Count, const char* job, const char* mode) {
  OpenHDFiles(files, kMaterialKinds, NLMM_HD_Count, kMaterialKindKeywords, job, mode);
}

void OpenNLSMM_HDFiles(FILE*** files, const int* NLSMM_HD_Count, const char* job, const char* mode) {
  OpenHDFiles(files, kSpringMaterialKinds, NLSMM_HD_Count, kSpringMaterialKindKeywords, job, mode);
}

void ReadArcLengthDeltaF(int nF, int nP, const char* job, double* dF, double* dP) {
  FILE* fp;
  OpenFile(&fp, job, kArcLengthDeltaFSuffix, "rb", 'Y');
  ReadTag(kArcLengthDeltaFOpenTag, fp, kArcLengthDeltaFSuffix);
  ReadDoubles(fp, dF, nF);
  ReadDoubles(fp, dP, nP);
  ReadTag(kArcLengthDeltaFCloseTag, fp, kArcLengthDeltaFSuffix);
  CloseFile(fp);
}

namespace {

// A restart reads the files of an earlier run; files of another model or job, or damaged
// ones, stop it here.
[[noreturn]] void RestartMismatch(const char* job, const char* suffix, const char* what) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nRestarting problem:\n   -> File: %s%s\n   -> %s\n", job, suffix, what);
  errexit("The files of the earlier run do not belong to this model (or are damaged):\n"
          "a restart needs the unchanged model of the run that wrote them.",
          0);
}

constexpr const char* kBytesAfterClose = "It holds bytes after its closing tag.";

// A finished run ends each file with its closing tag; a stopped one leaves it without,
// perhaps in the middle of a record. Walks the records from `at` (`next` gives where the
// following one starts) and refuses bytes after a closing tag.
template <class Next>
void RefuseBytesAfterCloseTag(FILE* fp, const char* job, const char* suffix, const char* closeTag, int64_t at,
                              Next next) {
  const int64_t len = static_cast<int64_t>(std::strlen(closeTag));
  SeekFile(fp, at);
  const int64_t end = at + BytesLeft(fp);
  std::string word(static_cast<size_t>(len) + 1, '\0');
  while (end - at >= 8) {
    SeekFile(fp, at);
    if (end - at >= len + 5 && ReadInt32(fp) == len && std::fread(word.data(), 1, word.size(), fp) == word.size() &&
        word.compare(0, static_cast<size_t>(len), closeTag) == 0 && word.back() == '\0') {
      if (end - at > len + 5) RestartMismatch(job, suffix, kBytesAfterClose);
      return;
    }
    SeekFile(fp, at);
    const int64_t n = next(fp, at);
    if (n <= at || n > end) return;  // a record cut short by a stopped run
    at = n;
  }
}

// The history files of the kinds in use, whose entries and blocks carry their own
// lengths: nothing after a closing tag.
template <class Next>
void RefuseBytesAfterHDCloseTags(FILE** files, int kinds, const int* count, const char* const* keywords,
                                 const char* job, const char* openTag, const char* closeTag, Next next) {
  for (int k = 1; k <= kinds; k++)
    if (count[k] > 0) {
      char suffix[kBinStringMax];
      HDFileSuffix(keywords[k], suffix);
      RefuseBytesAfterCloseTag(files[k], job, suffix, closeTag, 5 + static_cast<int64_t>(std::strlen(openTag)), next);
    }
}

}  // namespace

void ReadLastConvergedCombination(int* combination, const char* job) {
  FILE* fp;
  OpenFile(&fp, job, kLastConvergedSuffix, "r", 'N');
  const std::string name = std::string(job) + kLastConvergedSuffix;
  SetTokenizerFile(name.c_str());
  int line = 1, wordline = 0;
  expectword(fp, &line, &wordline, "LAST_CONVERGED_COMBINATION");
  expectchar(fp, &line, &wordline, '=');
  *combination = readintge1(fp, &line, &wordline);
  expectchar(fp, &line, &wordline, ';');
  for (int ch = std::fgetc(fp); ch != EOF; ch = std::fgetc(fp))
    if (!std::isspace(ch)) RestartMismatch(job, kLastConvergedSuffix, kBytesAfterClose);
  SetTokenizerFile(nullptr);
  CloseFile(fp);
}

// ---- set-up ------------------------------------------------------------------------------

namespace {

// The record files of a nonlinear run: displacements and internal forces, or
// temperatures and internal heat forces.
struct RunFiles {
  bool thermal;
  const char *recSuffix, *recOpenTag, *recCloseTag;
  const char *forceSuffix, *forceOpenTag, *forceCloseTag;
};

const RunFiles kMechanicalFiles{false, kDisplReactSuffix, kDisplReactOpenTag, kDisplReactCloseTag,
                                kInternalForcesSuffix, kInternalForcesOpenTag, kInternalForcesCloseTag};
const RunFiles kThermalFiles{true, kTempHeatFluxSuffix, kTempHeatFluxOpenTag, kTempHeatFluxCloseTag,
                             kInternalHeatForcesSuffix, kInternalHeatForcesOpenTag, kInternalHeatForcesCloseTag};

// The whole records of `size` bytes that a result file holds after its opening tag (the
// file standing just after it), with or without the closing tag a finished run adds.
int64_t WholeRecords(FILE* fp, const char* job, const char* suffix, int64_t size, const char* closeTag) {
  const int64_t base = TellFile(fp);
  RefuseBytesAfterCloseTag(fp, job, suffix, closeTag, base, [size](FILE*, int64_t at) { return at + size; });
  SeekFile(fp, base);
  const int64_t body = BytesLeft(fp);
  const int64_t close = 5 + static_cast<int64_t>(std::strlen(closeTag));
  if (body >= close && (body - close) % size == 0) return (body - close) / size;
  if (body >= 0 && body % size == 0) return body / size;
  RestartMismatch(job, suffix, "Its size fits no whole number of records of this model.");
}

// Entries 1..n of the execution-parameter file, each checked against this model's counts
// (its combination number and the length its free and prescribed vectors give); leaves
// the file at entry n.
void CheckExecParamsEntries(FILE* fp, const char* job, int n, int nF, int nP) {
  int64_t start = TellFile(fp);
  for (int c = 1; c <= n; c++) {
    start = TellFile(fp);
    const int64_t next = ReadInt32(fp);
    const int32_t id = ReadInt32(fp), iterations = ReadInt32(fp);
    const int64_t length = 12 + 64 * static_cast<int64_t>(iterations) + 36 + 8 * (static_cast<int64_t>(nF) + nP);
    if (id != c || iterations < 0 || next != start + length)
      RestartMismatch(job, kExecParamsSuffix, "Its entries do not fit this model's numbers of free and prescribed dofs.");
    SeekFile(fp, next);
  }
  SeekFile(fp, start);
}

void InitializeRun(const RunFiles& f, int r, int nPoints, int nF, int nP, int dynFlag, const char* job,
                   const MeshData* mesh, const int* ElemPropIndex, NonlinearWorkArrays* w) {
  *w = NonlinearWorkArrays{};
  w->nF = nF;
  w->nP = nP;
  w->nPoints = nPoints;
  const int mode = w->PathBehavior = mesh->Main.PathBehavior;

  w->aF = ZeroVec(nF);
  w->aP = ZeroVec(nP);
  w->R = ZeroVec(nP);
  w->fIntF = ZeroVec(nF);
  w->fIntP = ZeroVec(nP);
  w->extF = ZeroVec(nF);
  w->extP = ZeroVec(nP);
  w->rF = ZeroVec(nF);
  w->rP = ZeroVec(nP);
  w->dFref = ZeroVec(nF);
  w->dPref = ZeroVec(nP);
  w->aFPrev = ZeroVec(nF);
  for (int j = 1; j <= 4; j++) {
    w->workF[j] = ZeroVec(nF);
    w->workP[j] = ZeroVec(nP);
  }
  allocd2(&w->PointValues, nPoints, 6);
  zerod2(w->PointValues, nPoints, 6);

  // The fibre sections must number their fibres as the history index does.
  CheckFibrousMeshes(mesh, ElemPropIndex);
  CalcElementToIndex_HD(&w->Index, mesh, ElemPropIndex, &w->ElemToHD);
  CalcSizingDataIndex_HD(&w->Index, mesh, ElemPropIndex, w->ElemToHD);
  AllocIndex_HD(&w->Index);
  alloci1(&w->NLMM_HD_Count, kMaterialKinds);
  CalcIndex_HD(&w->Index, mesh, ElemPropIndex, w->ElemToHD, w->NLMM_HD_Count);
  CalcSpringToSpringIndex_HD(&w->SpringIndex, mesh);
  CalcSizingDataSpringIndex_HD(&w->SpringIndex, mesh, ElemPropIndex);
  AllocIndexArrays_HD(&w->SpringIndex);
  alloci1(&w->NLSMM_HD_Count, kSpringMaterialKinds);
  CalcSpringIndex_HD(&w->SpringIndex, mesh, w->NLSMM_HD_Count);
  CheckNonlinearMaterialParameters(mesh, w->NLMM_HD_Count);
  CheckSolidPatterns(mesh, ElemPropIndex, mode);
  CheckHistoryModelsBuilt(w->NLMM_HD_Count, w->NLSMM_HD_Count);
  CheckCrackElementRules(mesh);
  if (r == 0) WarnElementSizeCrackBands(mesh);

  if (r == 0) {
    BeginRestartState(f.thermal, 0, job, mesh, w);
    InitEquilibriumPathRecord(nF, nP, &w->EP);
    AllocNLMM_HD(mode, &w->Table, w->NLMM_HD_Count);
    InitNLMM_HD(mode, &w->Table, w->NLMM_HD_Count);
    SF_NLMM_HD(mode, &w->Index, mesh, ElemPropIndex, w->ElemToHD, &w->Table, w->NLMM_HD_Count,
               CalcElementSizeOfPoint);
    AllocNLSMM_HD(mode, &w->SpringTable, w->NLSMM_HD_Count);
    InitNLSMM_HD(mode, &w->SpringTable, w->NLSMM_HD_Count);
    SF_NLSMM_HD(mode, &w->SpringIndex, mesh, &w->SpringTable, w->NLSMM_HD_Count);
    return;
  }

  FILE *fpRec, *fpEP, *fpForce;
  FILE **hd, **shd = nullptr;
  OpenFile(&fpRec, job, f.recSuffix, "rb", 'Y');
  OpenFile(&fpEP, job, kExecParamsSuffix, "rb", 'Y');
  OpenFile(&fpForce, job, f.forceSuffix, "rb", 'Y');
  OpenNLMM_HDFiles(&hd, w->NLMM_HD_Count, job, "rb");
  if (!f.thermal) OpenNLSMM_HDFiles(&shd, w->NLSMM_HD_Count, job, "rb");

  int last;
  ReadLastConvergedCombination(&last, job);
  if (r > last || r < 0) {
    std::fflush(stdout);
    std::fprintf(stderr, "\nRestarting problem:\n");
    std::fprintf(stderr, "   -> N. of combinations before restart = %d\n", r);
    std::fprintf(stderr, "   -> Last converged combination = %d\n", last);
    if (r < 0) errexit("The n. of combinations before restart cannot be negative.", 0);
    errexit("The n. of combinations before restart cannot exceed\nthe last converged combination.", 0);
  }

  ReadTag(f.recOpenTag, fpRec, f.recSuffix);
  const int64_t recBase = TellFile(fpRec);
  // The record and force files hold whole records of this model's sizes, as many in one
  // as in the other, and every converged combination.
  const int64_t recSize =
      4 + 8 * (static_cast<int64_t>(nF) + 2 * static_cast<int64_t>(nP)) + (dynFlag != 0 ? 16 * (static_cast<int64_t>(nF) + nP) : 0);
  const int64_t nRecords = WholeRecords(fpRec, job, f.recSuffix, recSize, f.recCloseTag);
  ReadTag(f.forceOpenTag, fpForce, f.forceSuffix);
  const int64_t forceBase = TellFile(fpForce);
  const int64_t nForces =
      WholeRecords(fpForce, job, f.forceSuffix, 4 + 8 * (static_cast<int64_t>(nF) + nP), f.forceCloseTag);
  if (nRecords != nForces || nRecords < last)
    RestartMismatch(job, f.recSuffix, "Its records do not fit this model's numbers of free and prescribed dofs.");
  // The displacements one combination earlier give the direction of the last step.
  if (!f.thermal && r >= 2) ReadRecord3Vec(fpRec, f.recSuffix, r - 1, nF, nP, recBase, dynFlag, w->aFPrev, w->aP, w->R);
  ReadRecord3Vec(fpRec, f.recSuffix, r, nF, nP, recBase, dynFlag, w->aF, w->aP, w->R);

  ReadTag(kExecParamsOpenTag, fpEP, kExecParamsSuffix);
  const int64_t epBase = TellFile(fpEP);
  CheckExecParamsEntries(fpEP, job, r, nF, nP);
  ReadEquilibriumPathFileRecord(fpEP, r, nF, nP, &w->EP);
  copyd1(w->extF, w->EP.extF, nF);
  copyd1(w->extP, w->EP.extP, nP);

  // The force scale of the convergence norms: the largest converged internal forces of
  // the run so far, as the uninterrupted run holds it.
  if (!f.thermal)
    for (int k = 1; k < r; k++) {
      ReadRecord2Vec(fpForce, f.forceSuffix, k, nF, nP, forceBase, w->fIntF, w->fIntP);
      AddConvergedForceScale(w);
    }
  ReadRecord2Vec(fpForce, f.forceSuffix, r, nF, nP, forceBase, w->fIntF, w->fIntP);
  if (!f.thermal) AddConvergedForceScale(w);

  // A thermal run restarts from its temperatures, fluxes and the step's load alone; the
  // residual of the next step is built from them.
  if (!f.thermal) {
    // Residual of the converged state: external load less internal forces, the reactions
    // on the prescribed side.
    for (int i = 1; i <= nF; i++) w->rF[i] = w->extF[i] - w->fIntF[i];
    for (int i = 1; i <= nP; i++) w->rP[i] = (w->extP[i] + w->R[i]) - w->fIntP[i];
  }

  // The arc-length phase had begun: its reference load, scaled as the load increment does.
  if (!f.thermal && mesh->Main.ArcLength == 1 && r >= mesh->Main.nCombinations) {
    ReadArcLengthDeltaF(nF, nP, job, w->dFref, w->dPref);
    const double lf = mesh->ArcLength.LoadFactor;
    if (lf != 1.0) {
      for (int i = 1; i <= nF; i++) w->dFref[i] *= lf;
      for (int i = 1; i <= nP; i++) w->dPref[i] *= lf;
    }
  }

  PositionHDFiles(hd, kMaterialKinds, w->NLMM_HD_Count, kMaterialHDOpenTag, r - 1, false);
  ReadNLMM_HD(hd, mode, &w->Table, w->NLMM_HD_Count);
  CheckNLMM_HDCodes(&w->Table, w->NLMM_HD_Count);
  if (shd != nullptr) {
    PositionHDFiles(shd, kSpringMaterialKinds, w->NLSMM_HD_Count, kSpringHDOpenTag, r - 1, true);
    ReadNLSMM_HD(shd, mode, &w->SpringTable, w->NLSMM_HD_Count);
    RefuseBytesAfterHDCloseTags(shd, kSpringMaterialKinds, w->NLSMM_HD_Count, kSpringMaterialKindKeywords, job,
                                kSpringHDOpenTag, kSpringHDCloseTag,
                                [](FILE* fp, int64_t) { return static_cast<int64_t>(ReadInt32(fp)); });
    CloseNLSMM_HDFiles(shd);
  }
  RefuseBytesAfterCloseTag(fpEP, job, kExecParamsSuffix, kExecParamsCloseTag, epBase,
                           [](FILE* fp, int64_t) { return static_cast<int64_t>(ReadInt32(fp)); });
  RefuseBytesAfterHDCloseTags(hd, kMaterialKinds, w->NLMM_HD_Count, kMaterialKindKeywords, job, kMaterialHDOpenTag,
                              kMaterialHDCloseTag, [](FILE* fp, int64_t) { return ReadInt64(fp); });
  CloseNLMM_HDFiles(hd);
  CloseFile(fpForce);
  CloseFile(fpRec);
  CloseFile(fpEP);
  // The model and every byte read above, against the restart state of the earlier run.
  BeginRestartState(f.thermal, r, job, mesh, w);
  WriteLastConvergedCombination(r, job);
}

void OpenRunFiles(const RunFiles& f, FILE** fpRec, FILE** fpEP, FILE** fpForce, FILE*** NLMM_HD_Files,
                  FILE*** NLSMM_HD_Files, int r, int nF, int nP, int dynFlag, const int* NLMM_HD_Count,
                  const int* NLSMM_HD_Count, const char* job) {
  const bool fresh = r == 0;
  const char* mode = fresh ? "wb" : "r+b";
  OpenFile(fpRec, job, f.recSuffix, mode, 'Y');
  if (fresh) {
    WriteTag(f.recOpenTag, *fpRec);
  } else {
    ReadTag(f.recOpenTag, *fpRec, f.recSuffix);
    SeekDisplReactRecord(*fpRec, r, nF, nP, TellFile(*fpRec), dynFlag);
  }
  OpenFile(fpEP, job, kExecParamsSuffix, mode, 'Y');
  if (fresh) {
    WriteTag(kExecParamsOpenTag, *fpEP);
  } else {
    ReadTag(kExecParamsOpenTag, *fpEP, kExecParamsSuffix);
    SkipFileRecords(*fpEP, r);
  }
  WarnUnwrittenHistoryFiles(job, NLMM_HD_Count, NLSMM_HD_Files != nullptr ? NLSMM_HD_Count : nullptr);
  OpenNLMM_HDFiles(NLMM_HD_Files, NLMM_HD_Count, job, mode);
  if (NLSMM_HD_Files != nullptr) OpenNLSMM_HDFiles(NLSMM_HD_Files, NLSMM_HD_Count, job, mode);
  if (fresh) {
    for (int c = 1; c <= kMaterialKinds; c++)
      if (NLMM_HD_Count[c] > 0) WriteTag(kMaterialHDOpenTag, (*NLMM_HD_Files)[c]);
    if (NLSMM_HD_Files != nullptr)
      for (int c = 1; c <= kSpringMaterialKinds; c++)
        if (NLSMM_HD_Count[c] > 0) WriteTag(kSpringHDOpenTag, (*NLSMM_HD_Files)[c]);
  } else {
    PositionHDFiles(*NLMM_HD_Files, kMaterialKinds, NLMM_HD_Count, kMaterialHDOpenTag, r, false);
    if (NLSMM_HD_Files != nullptr)
      PositionHDFiles(*NLSMM_HD_Files, kSpringMaterialKinds, NLSMM_HD_Count, kSpringHDOpenTag, r, true);
  }
  OpenFile(fpForce, job, f.forceSuffix, mode, 'Y');
  if (fresh) {
    WriteTag(f.forceOpenTag, *fpForce);
  } else {
    ReadTag(f.forceOpenTag, *fpForce, f.forceSuffix);
    SeekResultRecord2Vec(*fpForce, r, nF, nP, TellFile(*fpForce));
  }
}

}  // namespace

void AcceptHistory(NonlinearWorkArrays* w) {
  AcceptNLMM_HD(&w->Table, w->NLMM_HD_Count);
  AcceptNLSMM_HD(&w->SpringTable, w->NLSMM_HD_Count);
}

void RestoreHistory(NonlinearWorkArrays* w) {
  RestoreNLMM_HD(&w->Table, w->NLMM_HD_Count);
  RestoreNLSMM_HD(&w->SpringTable, w->NLSMM_HD_Count);
}

void AddConvergedForceScale(NonlinearWorkArrays* w) {
  const double s = SquaredNorm(w->fIntF, w->nF) + SquaredNorm(w->fIntP, w->nP);
  if (s > w->forceScale2) w->forceScale2 = s;
}

void InitializeNonlinearAnalysis(int r, int nPoints, int nF, int nP, int dynFlag, const char* job,
                                 const MeshData* mesh, const int* ElemPropIndex, NonlinearWorkArrays* w) {
  InitializeRun(kMechanicalFiles, r, nPoints, nF, nP, dynFlag, job, mesh, ElemPropIndex, w);
}

void InitializeNonlinearThermalAnalysis(int r, int nPoints, int nF, int nP, const char* job, const MeshData* mesh,
                                        const int* ElemPropIndex, NonlinearWorkArrays* w) {
  InitializeRun(kThermalFiles, r, nPoints, nF, nP, 0, job, mesh, ElemPropIndex, w);
}

void OpenResultFiles_NL(FILE** fpDR, FILE** fpEP, FILE** fpIF, FILE*** NLMM_HD_Files, FILE*** NLSMM_HD_Files,
                        int r, int nF, int nP, int dynFlag, const int* NLMM_HD_Count, const int* NLSMM_HD_Count,
                        const char* job) {
  OpenRunFiles(kMechanicalFiles, fpDR, fpEP, fpIF, NLMM_HD_Files, NLSMM_HD_Files, r, nF, nP, dynFlag, NLMM_HD_Count,
               NLSMM_HD_Count, job);
}

void OpenThermalResultFiles(FILE** fpTQ, FILE** fpEP, FILE** fpIQ, FILE*** NLMM_HD_Files, int r, int nF, int nP,
                            const int* NLMM_HD_Count, const char* job) {
  OpenRunFiles(kThermalFiles, fpTQ, fpEP, fpIQ, NLMM_HD_Files, nullptr, r, nF, nP, 0, NLMM_HD_Count, nullptr, job);
}

void FreeNonlinearWorkArrays(NonlinearWorkArrays* w) {
  FreeNLSMM_HD(w->PathBehavior, &w->SpringTable, w->NLSMM_HD_Count);
  FreeNLMM_HD(w->PathBehavior, &w->Table, w->NLMM_HD_Count);
  FreeIndex_HD(&w->Index);
  freei1(w->ElemToHD);
  freei1(w->NLMM_HD_Count);
  FreeSpringIndex_HD(&w->SpringIndex);
  freei1(w->NLSMM_HD_Count);
  if (w->EP.extF != nullptr) FreeEquilibriumPathVectors(&w->EP);
  freed2(w->PointValues);
  for (int j = 4; j >= 1; j--) {
    freed1(w->workP[j]);
    freed1(w->workF[j]);
  }
  double* v[] = {w->aFPrev, w->dPref, w->dFref, w->rP, w->rF, w->extP, w->extF, w->fIntP, w->fIntF, w->R, w->aP, w->aF};
  for (double* p : v) freed1(p);
  *w = NonlinearWorkArrays{};
}
