// The restart state of a nonlinear run, <job>_rs.bin: the checksums of the model blocks a
// restart may not change, and after every converged combination the end and CRC-32 of the
// bytes that combination added to each result and history file (and the whole-file
// checksums of the arc-length reference load and the saved matrices). A restart after
// combination r compares the model with the one of the earlier run and every file's bytes
// up to combination r with what that run wrote, and refuses in words, naming the block or
// the file, before it uses any of them.
//
// Layout (little-endian): string "<RESTART_STATE>"; int32 number of model blocks, then
// per block its uint32 CRC-32; int32 number of files, then per file its suffix (string)
// and int32 kind (1 written record by record, 2 rewritten whole); uint32 CRC-32 of the
// bytes from the block count to here. Then one record per converged combination: int32
// combination, f64 the driver's value (RestartState::factorStep), per file int64 end (whole files: size, -1 when absent) and uint32 CRC-32 of
// the bytes since the previous end (whole files: of the file), uint32 CRC-32 of the record
// before it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "analysis/nonlinear_control.h"
#include "analysis/restart.h"
#include "analysis/results.h"
#include "modal/vibration_modes.h"
#include "history/history.h"
#include "model/fileio.h"
#include "model/material.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

constexpr const char* kRestartStateSuffix = "_rs.bin";
constexpr const char* kRestartStateTag = "<RESTART_STATE>";
// The blocks of the model proper: points, axes, supports, links, materials, patterns,
// sections, elements and their properties, springs, heat transfer, contacts.
constexpr int kFirstModelBlock = MB_GROUP_NAMES, kLastModelBlock = MB_LINE_EMBEDDED_STRONG_DISCONTINUITY;
constexpr int kModelBlocks = kLastModelBlock - kFirstModelBlock + 1;
// Kind 3: written record by record like kind 1, but closed between writes (the held
// matrices).
constexpr int32_t kRecordFile = 1, kWholeFile = 2, kClosedRecordFile = 3;
constexpr const char* kHeldMatricesSuffix = "_HSM.bin";

void AddFile(RestartState* s, const char* suffix, int32_t kind) {
  if (s->nFiles >= kRestartFilesMax || std::strlen(suffix) >= sizeof s->suffix[0]) InternalError(__FILE__, __LINE__);
  std::snprintf(s->suffix[s->nFiles], sizeof s->suffix[0], "%s", suffix);
  s->kind[s->nFiles] = kind;
  s->end[s->nFiles] = kind == kWholeFile ? -1 : 0;
  s->crc[s->nFiles] = 0;
  s->nFiles++;
}

// The files of the run in a fixed order: the record, execution-parameter and force files,
// the history files of the kinds in use, then the whole files.
void ListFiles(bool thermal, const int* NLMM_HD_Count, const int* NLSMM_HD_Count, RestartState* s) {
  s->nFiles = 0;
  AddFile(s, thermal ? kTempHeatFluxSuffix : kDisplReactSuffix, kRecordFile);
  AddFile(s, kExecParamsSuffix, kRecordFile);
  AddFile(s, thermal ? kInternalHeatForcesSuffix : kInternalForcesSuffix, kRecordFile);
  char suffix[kBinStringMax];
  for (int k = 1; k <= kMaterialKinds; k++)
    if (NLMM_HD_Count[k] > 0) {
      HDFileSuffix(kMaterialKindKeywords[k], suffix);
      AddFile(s, suffix, kRecordFile);
    }
  if (!thermal)
    for (int k = 1; k <= kSpringMaterialKinds; k++)
      if (NLSMM_HD_Count[k] > 0) {
        HDFileSuffix(kSpringMaterialKindKeywords[k], suffix);
        AddFile(s, suffix, kRecordFile);
      }
  AddFile(s, kHeldMatricesSuffix, kClosedRecordFile);
  if (thermal) {
    AddFile(s, "_GCM.bin", kWholeFile);
    AddFile(s, "_GTM.bin", kWholeFile);
  } else {
    AddFile(s, kArcLengthDeltaFSuffix, kWholeFile);
    AddFile(s, kGlobalStiffSuffix, kWholeFile);
  }
}

int64_t RecordSize(const RestartState* s) { return 4 + 8 + 12 * static_cast<int64_t>(s->nFiles) + 4; }

std::vector<unsigned char> HeaderBytes(const MeshData* mesh, const RestartState* s) {
  std::vector<unsigned char> b;
  const auto put32 = [&b](uint32_t v) {
    for (int k = 0; k < 4; k++) b.push_back(static_cast<unsigned char>(v >> (8 * k)));
  };
  put32(kModelBlocks);
  for (int k = kFirstModelBlock; k <= kLastModelBlock; k++) put32(mesh->BlockCrc[k]);
  put32(static_cast<uint32_t>(s->nFiles));
  for (int f = 0; f < s->nFiles; f++) {
    const uint32_t n = static_cast<uint32_t>(std::strlen(s->suffix[f]));
    put32(n);
    for (uint32_t k = 0; k <= n; k++) b.push_back(static_cast<unsigned char>(s->suffix[f][k]));
    put32(static_cast<uint32_t>(s->kind[f]));
  }
  put32(Crc32(0, b.data(), b.size()));
  return b;
}

std::vector<unsigned char> RecordBytes(int c, const RestartState* s) {
  std::vector<unsigned char> b;
  const auto put = [&b](uint64_t v, int bytes) {
    for (int k = 0; k < bytes; k++) b.push_back(static_cast<unsigned char>(v >> (8 * k)));
  };
  put(static_cast<uint32_t>(c), 4);
  uint64_t v;
  std::memcpy(&v, &s->factorStep, 8);
  put(v, 8);
  for (int f = 0; f < s->nFiles; f++) {
    put(static_cast<uint64_t>(s->end[f]), 8);
    put(s->crc[f], 4);
  }
  put(Crc32(0, b.data(), b.size()), 4);
  return b;
}

uint64_t Decode(const unsigned char* p, int bytes) {
  uint64_t v = 0;
  for (int k = bytes - 1; k >= 0; k--) v = (v << 8) | p[k];
  return v;
}

void WriteRaw(FILE* fp, const std::vector<unsigned char>& b) {
  for (unsigned char x : b) WriteByte(fp, static_cast<char>(x));
}

// A file of the earlier run that is damaged, or was changed after the run wrote it.
[[noreturn]] void DamagedFile(const char* job, const char* suffix, const char* what) {
  std::fflush(stdout);
  std::fprintf(stderr,
               "\nRestarting problem:\n   -> File: %s%s\n   -> %s\n"
               "   -> The file is damaged or was changed after the run wrote it.\n",
               job, suffix, what);
  FILE* fp;
  OpenFile(&fp, job, suffix, "rb", 'N');
  InvalidBinaryFile(fp);
}

// CRC-32 of a whole file, or end -1 when it does not exist.
void WholeFileCrc(const char* job, const char* suffix, int64_t* end, uint32_t* crc) {
  const std::string name = std::string(job) + suffix;
  std::error_code ec;
  *end = -1;
  *crc = 0;
  if (!std::filesystem::exists(name, ec)) return;
  FILE* fp;
  OpenFile(&fp, job, suffix, "rb", 'N');
  const int64_t size = BytesLeft(fp);
  if (!FileRangeCrc32(fp, 0, size, crc)) InvalidBinaryFile(fp);
  *end = size;
  CloseFile(fp);
}

// The record of combination c in the held-matrix file, from s->heldAt (replacing what an
// earlier iteration of c wrote there): the matrices of `write`, or flag 0 without it.
void WriteHeldRecord(int c, const char* job, const std::function<void(FILE*)>* write, RestartState* s) {
  FILE* fp;
  OpenFile(&fp, job, kHeldMatricesSuffix, "r+b", 'N');
  SeekFile(fp, s->heldAt);
  WriteInt32(fp, c);
  WriteInt32(fp, write != nullptr ? 1 : 0);
  if (write != nullptr) {
    const int64_t countAt = TellFile(fp);
    WriteInt64(fp, 0);
    (*write)(fp);
    const int64_t end = TellFile(fp);
    SeekFile(fp, countAt);
    WriteInt64(fp, end - countAt - 8);
    SeekFile(fp, end);
  }
  s->heldEnd = TellFile(fp);
  CloseFileTruncated(fp);
}

}  // namespace

void BeginRestartState(bool thermal, int r, const char* job, const MeshData* mesh, NonlinearWorkArrays* w) {
  RestartState* s = &w->Restart;
  ListFiles(thermal, w->NLMM_HD_Count, w->NLSMM_HD_Count, s);
  const std::vector<unsigned char> header = HeaderBytes(mesh, s);
  FILE* fp;
  if (r == 0) {
    OpenFile(&fp, job, kRestartStateSuffix, "wb", 'Y');
    WriteTag(kRestartStateTag, fp);
    s->recordsAt = TellFile(fp) + static_cast<int64_t>(header.size());
    WriteRaw(fp, header);
    CloseFileTruncated(fp);
    OpenFile(&fp, job, kHeldMatricesSuffix, "wb", 'N');
    CloseFile(fp);
    s->heldAt = 0;
    s->heldWritten = false;
    return;
  }

  OpenFile(&fp, job, kRestartStateSuffix, "rb", 'Y');
  ReadTag(kRestartStateTag, fp, kRestartStateSuffix);
  const int64_t at = TellFile(fp);
  std::vector<unsigned char> all(static_cast<size_t>(std::max<int64_t>(BytesLeft(fp), 0)));
  if (std::fread(all.data(), 1, all.size(), fp) != all.size()) InvalidBinaryFile(fp);
  CloseFile(fp);
  // The stored header, walked within its bounds.
  size_t n = 0;
  bool sound = true;
  const auto take = [&](size_t bytes) {
    const size_t p = n;
    if (all.size() - n < bytes) sound = false;
    n = sound ? n + bytes : n;
    return sound ? Decode(&all[p], static_cast<int>(std::min<size_t>(bytes, 8))) : 0;
  };
  sound = take(4) == kModelBlocks;
  const size_t blocksAt = n;
  take(4 * static_cast<size_t>(kModelBlocks));
  const uint64_t nFiles = take(4);
  if (nFiles > static_cast<uint64_t>(kRestartFilesMax)) sound = false;
  for (uint64_t f = 0; sound && f < nFiles; f++) {
    const uint64_t length = take(4);
    if (length >= sizeof s->suffix[0]) sound = false;
    take(static_cast<size_t>(length) + 1);
    take(4);
  }
  const size_t crcAt = n;
  const uint64_t crc = take(4);
  if (!sound || Crc32(0, all.data(), crcAt) != crc) DamagedFile(job, kRestartStateSuffix, "Its header fails its checksum.");
  // The model: each block as the earlier run read it.
  for (int k = kFirstModelBlock; k <= kLastModelBlock; k++)
    if (Decode(&all[blocksAt + 4 * static_cast<size_t>(k - kFirstModelBlock)], 4) != mesh->BlockCrc[k]) {
      std::fflush(stdout);
      std::fprintf(stderr, "\nRestarting problem:\n   -> Block: %s\n", kMeshBlockTags[k]);
      errexit("This block of the data file differs from the one of the run that wrote\n"
              "the restart files: a restart continues the same model (points, supports,\n"
              "materials, sections, elements and their properties, springs, heat transfer)\n"
              "and may change only the load cases, the combinations and the solution controls.",
              0);
    }
  if (n != header.size() || !std::equal(header.begin(), header.end(), all.begin()))
    DamagedFile(job, kRestartStateSuffix, "Its list of result and history files is not this run's.");
  s->recordsAt = at + static_cast<int64_t>(header.size());

  // Records 1..r, each checked, and the bytes of every file up to combination r.
  const size_t size = static_cast<size_t>(RecordSize(s));
  std::vector<FILE*> files(static_cast<size_t>(s->nFiles), nullptr);
  for (int f = 0; f < s->nFiles; f++)
    if (s->kind[f] != kWholeFile) OpenFile(&files[static_cast<size_t>(f)], job, s->suffix[f], "rb", 'N');
  for (int c = 1; c <= r; c++) {
    const size_t from = header.size() + static_cast<size_t>(c - 1) * size;
    if (all.size() < from + size) DamagedFile(job, kRestartStateSuffix, "It ends before the record of the restart point.");
    const unsigned char* rec = &all[from];
    if (Crc32(0, rec, size - 4) != Decode(&rec[size - 4], 4) || Decode(rec, 4) != static_cast<uint64_t>(c))
      DamagedFile(job, kRestartStateSuffix, "A record fails its checksum.");
    const uint64_t v = Decode(&rec[4], 8);
    std::memcpy(&s->factorStep, &v, 8);
    for (int f = 0; f < s->nFiles; f++) {
      const unsigned char* p = &rec[12 + 12 * static_cast<size_t>(f)];
      const int64_t end = static_cast<int64_t>(Decode(p, 8));
      const uint32_t crc = static_cast<uint32_t>(Decode(p + 8, 4));
      if (s->kind[f] != kWholeFile) {
        uint32_t got;
        if (!FileRangeCrc32(files[static_cast<size_t>(f)], s->end[f], end, &got))
          DamagedFile(job, s->suffix[f], "It ends before the data of the restart point.");
        if (got != crc) {
          char what[128];
          std::snprintf(what, sizeof what, "Its bytes of combination %d fail their checksum.", c);
          DamagedFile(job, s->suffix[f], what);
        }
      }
      s->end[f] = end;
      s->crc[f] = crc;
    }
  }
  for (FILE* f : files)
    if (f != nullptr) CloseFile(f);
  s->heldWritten = false;
  s->heldAt = 0;
  for (int f = 0; f < s->nFiles; f++)
    if (s->kind[f] == kClosedRecordFile) s->heldAt = s->end[f];
  // The whole files as they stood at the restart point; one missing is left to its reader.
  for (int f = 0; f < s->nFiles; f++)
    if (s->kind[f] == kWholeFile && s->end[f] >= 0) {
      int64_t end;
      uint32_t crc;
      WholeFileCrc(job, s->suffix[f], &end, &crc);
      if (end >= 0 && (end != s->end[f] || crc != s->crc[f]))
        DamagedFile(job, s->suffix[f], "It differs from the file of the restart point (checksum).");
    }
}

void WriteRestartRecord(int c, const char* job, FILE* fpRec, FILE* fpEP, FILE* fpForce, FILE** hd, FILE** shd,
                        NonlinearWorkArrays* w) {
  RestartState* s = &w->Restart;
  if (s->nFiles == 0) return;  // no restart state begun
  std::vector<FILE*> streams = {fpRec, fpEP, fpForce};
  for (int k = 1; k <= kMaterialKinds; k++)
    if (w->NLMM_HD_Count[k] > 0) streams.push_back(hd[k]);
  if (shd != nullptr)
    for (int k = 1; k <= kSpringMaterialKinds; k++)
      if (w->NLSMM_HD_Count[k] > 0) streams.push_back(shd[k]);
  for (int f = 0; f < s->nFiles; f++) {
    if (s->kind[f] == kWholeFile) {
      // The saved matrices are written in combination 1 only; the arc-length reference
      // load whenever the phase begins.
      const bool matrix = std::strcmp(s->suffix[f], kArcLengthDeltaFSuffix) != 0;
      if (!matrix || c == 1) WholeFileCrc(job, s->suffix[f], &s->end[f], &s->crc[f]);
      continue;
    }
    int64_t end;
    if (s->kind[f] == kClosedRecordFile) {
      // A combination that replaced no matrix says so.
      if (!s->heldWritten) WriteHeldRecord(c, job, nullptr, s);
      end = s->heldAt = s->heldEnd;
      s->heldWritten = false;
    } else {
      if (static_cast<size_t>(f) >= streams.size()) InternalError(__FILE__, __LINE__);
      FILE* out = streams[static_cast<size_t>(f)];
      FlushFile(out);
      end = TellFile(out);
    }
    FILE* in;
    OpenFile(&in, job, s->suffix[f], "rb", 'N');
    if (!FileRangeCrc32(in, s->end[f], end, &s->crc[f])) InvalidBinaryFile(in);
    CloseFile(in);
    s->end[f] = end;
  }
  const std::vector<unsigned char> rec = RecordBytes(c, s);
  FILE* fp;
  OpenFile(&fp, job, kRestartStateSuffix, "r+b", 'N');
  SeekFile(fp, s->recordsAt + (c - 1) * RecordSize(s));
  WriteRaw(fp, rec);
  CloseFileTruncated(fp);
}

void WriteHeldMatrices(int c, const char* job, const std::function<void(FILE*)>& write, NonlinearWorkArrays* w) {
  RestartState* s = &w->Restart;
  if (s->nFiles == 0) return;
  WriteHeldRecord(c, job, &write, s);
  s->heldWritten = true;
}

bool ReadHeldMatrices(int r, const char* job, const std::function<void(FILE*)>& read) {
  FILE* fp;
  OpenFile(&fp, job, kHeldMatricesSuffix, "rb", 'N');
  // The file was checked against the restart state up to combination r: its records are
  // sound; the walk stops at the end of combination r.
  int64_t at = -1;
  for (int c = 1; c <= r; c++) {
    if (ReadInt32(fp) != c) InvalidBinaryFile(fp);
    const int32_t flag = ReadInt32(fp);
    if (flag == 0) continue;
    if (flag != 1) InvalidBinaryFile(fp);
    const int64_t bytes = ReadInt64(fp);
    if (bytes < 0 || bytes > BytesLeft(fp)) InvalidBinaryFile(fp);
    at = TellFile(fp);
    SeekFile(fp, at + bytes);
  }
  if (at >= 0) {
    SeekFile(fp, at);
    read(fp);
  }
  CloseFile(fp);
  return at >= 0;
}

void WriteModeFileState(const char* job, const MeshData* mesh) {
  RestartState s{};
  AddFile(&s, kModeFileSuffix, kWholeFile);
  WholeFileCrc(job, kModeFileSuffix, &s.end[0], &s.crc[0]);
  FILE* fp;
  OpenFile(&fp, job, kRestartStateSuffix, "wb", 'Y');
  WriteTag(kRestartStateTag, fp);
  WriteRaw(fp, HeaderBytes(mesh, &s));
  WriteRaw(fp, RecordBytes(1, &s));
  CloseFileTruncated(fp);
}

const char* ModeFileDamage(const char* job, const MeshData* mesh) {
  RestartState s{};
  AddFile(&s, kModeFileSuffix, kWholeFile);
  const std::vector<unsigned char> header = HeaderBytes(mesh, &s);
  const std::string name = std::string(job) + kRestartStateSuffix;
  std::error_code ec;
  if (!std::filesystem::exists(name, ec)) return "It has no checksum: the restart-state file of its run is missing.\n";
  FILE* fp;
  OpenFile(&fp, job, kRestartStateSuffix, "rb", 'N');
  ReadTag(kRestartStateTag, fp, kRestartStateSuffix);
  std::vector<unsigned char> all(static_cast<size_t>(std::max<int64_t>(BytesLeft(fp), 0)));
  if (std::fread(all.data(), 1, all.size(), fp) != all.size()) InvalidBinaryFile(fp);
  CloseFile(fp);
  const size_t tag = 0;
  const size_t record = static_cast<size_t>(RecordSize(&s));
  // The model blocks are not compared: the modes themselves show whether they are this
  // model's (their stored errors are reproduced on its matrices).
  const size_t list = 4 + 4 * static_cast<size_t>(kModelBlocks), crcAt = header.size() - 4;
  if (all.size() != tag + header.size() + record ||
      !std::equal(header.begin() + static_cast<long>(list), header.begin() + static_cast<long>(crcAt),
                  all.begin() + static_cast<long>(tag + list)) ||
      Crc32(0, &all[tag], crcAt) != Decode(&all[tag + crcAt], 4))
    return "It has no checksum: the restart-state file is of another run or damaged.\n";
  const unsigned char* rec = &all[tag + header.size()];
  int64_t end;
  uint32_t crc;
  WholeFileCrc(job, kModeFileSuffix, &end, &crc);
  if (Crc32(0, rec, record - 4) != Decode(&rec[record - 4], 4) || Decode(rec, 4) != 1 ||
      static_cast<int64_t>(Decode(&rec[12], 8)) != end || Decode(&rec[20], 4) != crc)
    return "It fails its checksum: it is damaged or was changed after the modal\nanalysis wrote it.\n";
  return nullptr;
}
