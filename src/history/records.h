// Record routines of the models whose history records this build holds, gathered per
// slot of the table: the dispatchers and the history files call them through RecordOps.
#pragma once

#include <cstddef>
#include <cstdio>

struct MeshData;

// The family of one slot: a record's initial values (its owned vectors allocated),
// release of its vectors, copy into another record's own vectors, and its file form.
struct RecordOps {
  const char* tag;      // block tag of the model's file ("<NLMM121_HD>" ...)
  size_t size;          // bytes of one record in memory
  long fileBytes;       // bytes of one record in the file
  void (*init)(void* r);
  void (*release)(void* r);
  void (*copy)(void* dst, const void* src);
  void (*write)(FILE* fp, const void* r);
  void (*read)(FILE* fp, void* r);
  // Stops the run when a record read back from a file holds codes no model writes (null:
  // the record holds no such code).
  void (*checkCodes)(const void* r) = nullptr;
  // Starts the current record of an iteration again from the converged one, keeping what
  // the law must not lose within a step (null: a plain copy).
  void (*restoreInStep)(void* current, const void* converged) = nullptr;
};

// The family of record type R from its typed routines.
template <typename R, void (*Init)(R&), void (*Release)(R&), void (*Copy)(R&, const R&),
          void (*Write)(FILE*, const R&), void (*Read)(FILE*, R&)>
constexpr RecordOps Ops(const char* tag, long fileBytes) {
  return RecordOps{
      tag,
      sizeof(R),
      fileBytes,
      [](void* r) { Init(*static_cast<R*>(r)); },
      [](void* r) { Release(*static_cast<R*>(r)); },
      [](void* d, const void* s) { Copy(*static_cast<R*>(d), *static_cast<const R*>(s)); },
      [](FILE* fp, const void* r) { Write(fp, *static_cast<const R*>(r)); },
      [](FILE* fp, void* r) { Read(fp, *static_cast<R*>(r)); },
  };
}

// Routines of slot 0..36; null for a slot whose records are not part of this build.
const RecordOps* RecordOpsOfSlot(int slot);
// Routines of the smeared-crack slots (1, 2, 3, 4, 10, 11, 14); null for other slots.
const RecordOps* CrackRecordOps(int slot);
// Routines of the uniaxial, cyclic, interface, thermal and fracture slots (0, 20, 22..36
// but 21); null for any other slot.
const RecordOps* UniaxialRecordOpsOfSlot(int slot);
// Routines of the nonlinear spring kinds 2..4 ("_NLSMM101" .. "_NLSMM103").
const RecordOps* SpringRecordOps(int kind);
