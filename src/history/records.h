// Record routines of the models whose history records this build holds, gathered per
// slot of the table: the dispatchers and the history files call them through RecordOps.
#pragma once

#include <cstddef>
#include <cstdio>

#include "history/history.h"

struct MeshData;
struct MaterialRecord;

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

// The sampling point whose record takes its start values: the material record (from the
// mesh by kind and number, or given), and the element, point and layer for the laws whose
// start values hang on the element's size.
struct StartPlace {
  const MeshData* mesh;  // null when `record` is given and no start value reads the element
  int code, material;    // material kind and number within it
  const MaterialRecord* record = nullptr;
  int element = 0, property = 0, point = 0, layer = 0;
  int nPoints = 0;              // sampling points of the element
  ElementSizeFn sizes = nullptr;  // for the crack band options that read the sizes
  const MaterialRecord& Material() const;
};

// One row per history slot: the material code that owns it, its records' routines and
// their start values (null: the initial values are the start values).
struct SlotRow {
  int slot;
  int code;
  const RecordOps* ops;
  void (*start)(const StartPlace& at, void* record);
};

// Row of slot 0..36; any other slot is the internal error.
const SlotRow& SlotRowOf(int slot);
// Routines of slot 0..36.
inline const RecordOps* RecordOpsOfSlot(int slot) { return SlotRowOf(slot).ops; }
// Routines of the nonlinear spring kinds 2..4 ("_NLSMM101" .. "_NLSMM103").
const RecordOps* SpringRecordOps(int kind);
