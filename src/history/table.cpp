// The history-data table: allocation, initial and start values, restore and accept,
// release, and the per-model history files.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "history/history.h"
#include "history/records.h"
#include "materials/material_table.h"
#include "model/fileio.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

// A history block whose length is not that of this model's records: another model's
// file, or a damaged one.
[[noreturn]] void HistoryBlockMismatch(const char* suffix) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nRestarting problem:\n   -> History file: jobname%s\n", suffix);
  errexit("The history file does not hold the records of this model's history slots:\n"
          "a restart needs the unchanged model of the run that wrote it.",
          0);
}

}  // namespace

namespace {

// Slots in dispatch order: 1..36, then 0.
int SlotAt(int j) { return j < kNlmmSlots - 1 ? j + 1 : 0; }

int CountOfSlot(const int* counts, int slot) { return counts[NlmmCodeOfSlot(slot)]; }

// f(slot, material code, record count) for every slot in use, in dispatch order.
template <typename F>
void ForSlotsInUse(const int* counts, F f) {
  for (int j = 0; j < kNlmmSlots; j++) {
    const int k = SlotAt(j), code = NlmmCodeOfSlot(k);
    if (counts[code] >= 1) f(k, code, counts[code]);
  }
}

FILE* FileOf(FILE** files, int code) {
  if (files == nullptr || files[code] == nullptr) InternalError(__FILE__, __LINE__);
  return files[code];
}

const RecordOps& OpsOf(int slot) { return *SlotRowOf(slot).ops; }

// Record k of a 1-based array of records of ops.size bytes.
void* At(void* a, const RecordOps& ops, int k) { return static_cast<char*>(a) + static_cast<size_t>(k) * ops.size; }

// 1-based array of n records, each by the size of its own type (the block minus one
// record, as the guarded allocators keep their vectors); null for n < 1.
void* AllocArray(const RecordOps& ops, int n) {
  if (n < 1) return nullptr;
  void* a = std::calloc(static_cast<size_t>(n), ops.size);
  if (a == nullptr) errexit("Memory allocation failed", 0);
  return static_cast<char*>(a) - ops.size;
}

void InitArray(const RecordOps& ops, void* a, int n) {
  for (int k = 1; k <= n; k++) ops.init(At(a, ops, k));
}

void FreeArray(const RecordOps& ops, void*& a, int n) {
  if (a == nullptr) return;
  for (int k = n; k >= 1; k--) ops.release(At(a, ops, k));
  std::free(At(a, ops, 1));
  a = nullptr;
}

// Destination first, as every copy routine of the program.
void CopyArray(const RecordOps& ops, int n, void* dst, void* src) {
  for (int k = 1; k <= n; k++) ops.copy(At(dst, ops, k), At(src, ops, k));
}

// The sampling point whose record is started.
struct PointAt {
  int element, property, point, layer;
  ElementSizeFn sizes;
  int nPoints;  // sampling points of the element (the point's record row)
};

// Start values of record `rec` of the point's material (number within its kind), by the
// row of its slot.
void StartValuesOfCode(int code, int material, int rec, const MeshData* mesh, NLMM_HD* hd, const PointAt& p) {
  if (rec == 0) return;
  const int slot = NlmmSlotOfCode(code);
  const SlotRow& row = SlotRowOf(slot);
  void* a = hd->Entry[2 * slot];
  if (a == nullptr) InternalError(__FILE__, __LINE__);
  if (row.start == nullptr) return;
  StartPlace at{mesh, code, material};
  at.element = p.element;
  at.property = p.property;
  at.point = p.point;
  at.layer = p.layer;
  at.nPoints = p.nPoints;
  at.sizes = p.sizes;
  row.start(at, At(a, *row.ops, rec));
}

}  // namespace

void CheckHistoryModelsBuilt(const int* NLMM_HD_Count, const int* NLSMM_HD_Count) {
  for (int c = 1; c <= kMaterialKinds; c++) {
    const int slot = NlmmSlotOfCode(c);
    if (NLMM_HD_Count[c] > 0 && slot < 0) InternalError(__FILE__, __LINE__);
  }
  // Every spring kind has its record; the linear kind none.
  if (NLSMM_HD_Count[SPRMAT_LIN_SPRING] != 0) InternalError(__FILE__, __LINE__);
}

long NLMM_HDRecordBytes(int slot) { return OpsOf(slot).fileBytes; }

void AllocNLMM_HD(int mode, NLMM_HD* hd, const int* NLMM_HD_Count) {
  *hd = NLMM_HD{};
  hd->PathBehavior = mode;
  ForSlotsInUse(NLMM_HD_Count, [&](int k, int, int n) {
    hd->Entry[2 * k] = AllocArray(OpsOf(k), n);
    if (mode == 1) hd->Entry[2 * k + 1] = AllocArray(OpsOf(k), n);
  });
}

void InitNLMM_HD(int mode, NLMM_HD* hd, const int* NLMM_HD_Count) {
  ForSlotsInUse(NLMM_HD_Count, [&](int k, int, int n) {
    InitArray(OpsOf(k), hd->Entry[2 * k], n);
    if (mode == 1) InitArray(OpsOf(k), hd->Entry[2 * k + 1], n);
  });
}

void CopyNLMM_HD(int flag, NLMM_HD* hd, const int* NLMM_HD_Count) {
  ForSlotsInUse(NLMM_HD_Count, [&](int k, int, int n) {
    void* cur = hd->Entry[2 * k];
    void* conv = hd->Entry[2 * k + 1];
    if (cur == nullptr || conv == nullptr) InternalError(__FILE__, __LINE__);
    if (flag != 0)
      CopyArray(OpsOf(k), n, conv, cur);
    else
      CopyArray(OpsOf(k), n, cur, conv);
  });
}

void RestoreInStepNLMM_HD(NLMM_HD* hd, const int* NLMM_HD_Count) {
  ForSlotsInUse(NLMM_HD_Count, [&](int k, int, int n) {
    const RecordOps& ops = OpsOf(k);
    void* cur = hd->Entry[2 * k];
    void* conv = hd->Entry[2 * k + 1];
    if (cur == nullptr || conv == nullptr) InternalError(__FILE__, __LINE__);
    if (ops.restoreInStep == nullptr) {
      CopyArray(ops, n, cur, conv);
      return;
    }
    for (int r = 1; r <= n; r++) ops.restoreInStep(At(cur, ops, r), At(conv, ops, r));
  });
}

void FreeNLMM_HD(int mode, NLMM_HD* hd, const int* NLMM_HD_Count) {
  for (int j = kNlmmSlots - 1; j >= 0; j--) {
    const int k = SlotAt(j), n = CountOfSlot(NLMM_HD_Count, k);
    if (n < 1) continue;
    FreeArray(OpsOf(k), hd->Entry[2 * k], n);
    if (mode == 1) FreeArray(OpsOf(k), hd->Entry[2 * k + 1], n);
  }
}

void SF_NLMM_HD(int mode, const Index_HD* index, const MeshData* mesh, const int* ElemPropIndex,
                const int* ElemToHD, NLMM_HD* hd, const int* NLMM_HD_Count, ElementSizeFn sizes) {
  for (int e = 1; e <= mesh->nElements; e++) {
    if (ElemPropIndex[e] == 0) continue;
    const ElementProperty& p = mesh->ElemProps[ElemPropIndex[e]];
    const int code = p.MaterialKind;
    switch (HistoryUseOwn(code, p.ElementType)) {
      case kHistoryNoRecord: continue;
      case kHistoryRecord: break;
      default: InternalError(__FILE__, __LINE__);
    }
    const int i = ElemToHD[e];
    if (i == 0) InternalError(__FILE__, __LINE__);
    switch (CompositionOf(code)) {
      case kCompositionNone:
        for (int k = 1; k <= index->SingleSlots[i]; k++)
          StartValuesOfCode(code, p.MaterialNumber, RecordOfSingle_HD(index, i, k), mesh, hd,
                            PointAt{e, ElemPropIndex[e], k, 0, sizes, index->SingleSlots[i]});
        break;
      case kCompositionLayers: {
        const LayerPattern& lp = mesh->LayerPatterns[p.MaterialNumber];
        for (int k = 1; k <= index->LayeredSlots[i]; k++)
          for (int L = 1; L <= lp.nLayers; L++) {
            const LayerProperty& lay = mesh->LayerProps[lp.Layer[L]];
            StartValuesOfCode(lay.MaterialKind, lay.MaterialNumber, RecordOfLayer_HD(index, i, k, L), mesh, hd,
                              PointAt{e, ElemPropIndex[e], k, L, sizes, index->LayeredSlots[i]});
          }
        break;
      }
      case kCompositionNlmmPattern: {
        const MaterialPattern& mp = mesh->NlmmPatterns[p.MaterialNumber];
        for (int k = 1; k <= index->PatternSlots[i]; k++)
          for (int c = 1; c <= mp.nComponents; c++)
            StartValuesOfCode(mp.Kind[c], mp.Number[c], RecordOfComponent_HD(index, i, k, c), mesh, hd,
                              PointAt{e, ElemPropIndex[e], k, 0, sizes, index->PatternSlots[i]});
        break;
      }
      case kCompositionFibrousMesh: {
        // The fibrous elements in the order the index counts them: property record after
        // record; sub-points a fibrous element does not use keep record 0, and so do
        // linear fibres.
        const FibrousMesh& fm = mesh->FibrousMeshes[p.MaterialNumber];
        for (int k = 1; k <= index->FibrousSlots[i]; k++) {
          int fibre = 0;
          for (int g = 1; g <= fm.nProperties; g++) {
            const FibrousElementProperty& grp = fm.Properties[g];
            if (grp.v[3] == 0) continue;
            for (int f = grp.v[3]; f <= grp.v[4]; f++) {
              fibre++;
              for (int q = 1; q <= index->FibrousSubPoints[i]; q++)
                StartValuesOfCode(grp.v[5], grp.v[6], RecordOfFibre_HD(index, i, k, fibre, q), mesh, hd,
                                  PointAt{e, ElemPropIndex[e], k, 0, sizes, index->FibrousSlots[i]});
            }
          }
        }
        break;
      }
      default: InternalError(__FILE__, __LINE__);
    }
  }
  if (mode == 1) CopyNLMM_HD(1, hd, NLMM_HD_Count);
}

void HDFileSuffix(const char* keyword, char* suffix) {
  const int n = std::snprintf(suffix, kBinStringMax, "%s_HD.bin", keyword);
  if (n < 0 || n >= kBinStringMax) InternalError(__FILE__, __LINE__);
}

void WriteNLMM_HD(FILE** files, NLMM_HD* hd, const int* NLMM_HD_Count) {
  ForSlotsInUse(NLMM_HD_Count, [&](int k, int code, int n) {
    const RecordOps& ops = OpsOf(k);
    FILE* fp = FileOf(files, code);
    const int64_t start = TellFile(fp);
    WriteInt64(fp, 0);
    WriteString(ops.tag, kBinStringMax, fp);
    for (int r = 1; r <= n; r++) ops.write(fp, At(hd->Entry[2 * k], ops, r));
    const int64_t end = TellFile(fp);
    SeekFile(fp, start);
    WriteInt64(fp, end);
    SeekFile(fp, end);
  });
}

void ReadNLMM_HD(FILE** files, int mode, NLMM_HD* hd, const int* NLMM_HD_Count) {
  *hd = NLMM_HD{};
  hd->PathBehavior = mode;
  ForSlotsInUse(NLMM_HD_Count, [&](int k, int code, int n) {
    const RecordOps& ops = OpsOf(k);
    FILE* fp = FileOf(files, code);
    char suffix[kBinStringMax];
    HDFileSuffix(MaterialKindName(code), suffix);
    const int64_t end = ReadInt64(fp);
    ReadTag(ops.tag, fp, suffix);
    void* cur = hd->Entry[2 * k] = AllocArray(ops, n);
    InitArray(ops, cur, n);
    for (int r = 1; r <= n; r++) ops.read(fp, At(cur, ops, r));
    // The block holds exactly the records of this model's history slots.
    if (TellFile(fp) != end) HistoryBlockMismatch(suffix);
    if (mode == 1) {
      void* conv = hd->Entry[2 * k + 1] = AllocArray(ops, n);
      InitArray(ops, conv, n);
      CopyArray(ops, n, conv, cur);
    }
  });
}

void CheckNLMM_HDCodes(const NLMM_HD* hd, const int* NLMM_HD_Count) {
  ForSlotsInUse(NLMM_HD_Count, [&](int k, int, int n) {
    const RecordOps& ops = OpsOf(k);
    if (ops.checkCodes == nullptr) return;
    for (int r = 1; r <= n; r++) ops.checkCodes(At(hd->Entry[2 * k], ops, r));
  });
}

// ---- spring table ---------------------------------------------------------------------------

namespace {

// f(kind, record count) for the nonlinear spring kinds in use, 2..4.
template <typename F>
void ForSpringKindsInUse(const int* counts, F f) {
  for (int c = SPRMAT_NLSMM101; c <= SPRMAT_NLSMM103; c++)
    if (counts[c] >= 1) f(c, counts[c]);
}

NLSMM_HDRecord*& SpringEntry(NLSMM_HD* hd, int kind, bool converged) {
  return hd->Entry[2 * (kind - SPRMAT_NLSMM101) + (converged ? 1 : 0)];
}

void* SpringArrayRef(NLSMM_HD* hd, int kind, bool converged) { return SpringEntry(hd, kind, converged); }

void SetState1(NLSMM_HD* hd, int kind, int record) {
  NLSMM_HDRecord* a = SpringEntry(hd, kind, false);
  if (a == nullptr || record < 1) InternalError(__FILE__, __LINE__);
  a[record].InUse = 1;
}

}  // namespace

NLSMM_HDRecord* NLSMM_HDCurrent(NLSMM_HD* hd, int kind) { return SpringEntry(hd, kind, false); }

void AllocNLSMM_HD(int mode, NLSMM_HD* hd, const int* NLSMM_HD_Count) {
  *hd = NLSMM_HD{};
  ForSpringKindsInUse(NLSMM_HD_Count, [&](int c, int n) {
    const RecordOps& ops = *SpringRecordOps(c);
    SpringEntry(hd, c, false) = static_cast<NLSMM_HDRecord*>(AllocArray(ops, n));
    if (mode == 1) SpringEntry(hd, c, true) = static_cast<NLSMM_HDRecord*>(AllocArray(ops, n));
  });
}

void InitNLSMM_HD(int mode, NLSMM_HD* hd, const int* NLSMM_HD_Count) {
  ForSpringKindsInUse(NLSMM_HD_Count, [&](int c, int n) {
    InitArray(*SpringRecordOps(c), SpringEntry(hd, c, false), n);
    if (mode == 1) InitArray(*SpringRecordOps(c), SpringEntry(hd, c, true), n);
  });
}

void SF_NLSMM_HD(int mode, const SpringIndex_HD* index, const MeshData* mesh, NLSMM_HD* hd,
                 const int* NLSMM_HD_Count) {
  for (int j = 1; j <= mesh->nPointSprings; j++)
    if (index->PointToHD[j] != 0)
      SetState1(hd, mesh->PointSprings[j].SpringMaterialKind, index->PointRecord[index->PointToHD[j]]);
  for (int j = 1; j <= mesh->nLineSprings; j++) {
    const int i = index->LineToHD[j];
    if (i == 0) continue;
    for (int k = 1; k <= index->LineSlots[i]; k++)
      SetState1(hd, mesh->LineSprings[j].SpringMaterialKind, index->LineRecord[i][k]);
  }
  for (int j = 1; j <= mesh->nSurfSprings; j++) {
    const int i = index->SurfToHD[j];
    if (i == 0) continue;
    for (int k = 1; k <= index->SurfSlots[i]; k++)
      SetState1(hd, mesh->SurfSprings[j].SpringMaterialKind, index->SurfRecord[i][k]);
  }
  for (int j = 1; j <= mesh->nSpringLinks; j++)
    if (index->LinkToHD[j] != 0)
      SetState1(hd, mesh->SpringLinks[j].SpringMaterialKind, index->LinkRecord[index->LinkToHD[j]]);
  if (mode == 1) CopyNLSMM_HD(1, hd, NLSMM_HD_Count);
}

void CopyNLSMM_HD(int flag, NLSMM_HD* hd, const int* NLSMM_HD_Count) {
  ForSpringKindsInUse(NLSMM_HD_Count, [&](int c, int n) {
    void* cur = SpringArrayRef(hd, c, false);
    void* conv = SpringArrayRef(hd, c, true);
    if (cur == nullptr || conv == nullptr) InternalError(__FILE__, __LINE__);
    if (flag != 0)
      CopyArray(*SpringRecordOps(c), n, conv, cur);
    else
      CopyArray(*SpringRecordOps(c), n, cur, conv);
  });
}

void FreeNLSMM_HD(int mode, NLSMM_HD* hd, const int* NLSMM_HD_Count) {
  for (int c = SPRMAT_NLSMM103; c >= SPRMAT_NLSMM101; c--) {
    const int n = NLSMM_HD_Count[c];
    if (n < 1) continue;
    const bool copies[2] = {false, true};
    for (const bool converged : copies) {
      if (converged && mode != 1) continue;
      void* a = SpringEntry(hd, c, converged);
      FreeArray(*SpringRecordOps(c), a, n);
      SpringEntry(hd, c, converged) = nullptr;
    }
  }
}

void WriteNLSMM_HD(FILE** files, NLSMM_HD* hd, const int* NLSMM_HD_Count) {
  ForSpringKindsInUse(NLSMM_HD_Count, [&](int c, int n) {
    const RecordOps& ops = *SpringRecordOps(c);
    FILE* fp = FileOf(files, c);
    const int64_t start = TellFile(fp);
    // The block end is a 32-bit offset: refuse a block that would end beyond it.
    const int64_t end = start + 4 + 4 + static_cast<int64_t>(std::strlen(ops.tag)) + 1 +
                        static_cast<int64_t>(n) * ops.fileBytes;
    if (end > INT32_MAX) {
      char suffix[kBinStringMax];
      HDFileSuffix(kSpringMaterialKindKeywords[c], suffix);
      std::fflush(stdout);
      std::fprintf(stderr, "\nWriting the historical data of the nonlinear springs\n   -> File: %s\n", suffix);
      errexit("The spring history file would exceed 2147483647 bytes:\nits block positions cannot be recorded.", 0);
    }
    WriteInt32(fp, 0);
    WriteString(ops.tag, kBinStringMax, fp);
    for (int r = 1; r <= n; r++) ops.write(fp, At(SpringEntry(hd, c, false), ops, r));
    if (TellFile(fp) != end) InternalError(__FILE__, __LINE__);
    SeekFile(fp, start);
    WriteInt32(fp, static_cast<int32_t>(end));
    SeekFile(fp, end);
  });
}

void ReadNLSMM_HD(FILE** files, int mode, NLSMM_HD* hd, const int* NLSMM_HD_Count) {
  *hd = NLSMM_HD{};
  ForSpringKindsInUse(NLSMM_HD_Count, [&](int c, int n) {
    const RecordOps& ops = *SpringRecordOps(c);
    FILE* fp = FileOf(files, c);
    char suffix[kBinStringMax];
    HDFileSuffix(kSpringMaterialKindKeywords[c], suffix);
    const int64_t end = ReadInt32(fp);
    ReadTag(ops.tag, fp, suffix);
    void* cur = AllocArray(ops, n);
    SpringEntry(hd, c, false) = static_cast<NLSMM_HDRecord*>(cur);
    InitArray(ops, cur, n);
    for (int r = 1; r <= n; r++) ops.read(fp, At(cur, ops, r));
    if (TellFile(fp) != end) HistoryBlockMismatch(suffix);
    if (mode == 1) {
      void* conv = AllocArray(ops, n);
      SpringEntry(hd, c, true) = static_cast<NLSMM_HDRecord*>(conv);
      InitArray(ops, conv, n);
      CopyArray(ops, n, conv, cur);
    }
  });
}
