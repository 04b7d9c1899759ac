// 1-based record arrays of the data-file blocks.
//
// AllocRecords(&a, n): for n >= 1 one block of n + 1 cleared records (entry 0 is never
// used, so the handle is the block's own start and a[1..n] lie inside it: strings empty,
// numbers 0, owned pointers null); for n < 1 nothing is allocated and the handle is
// null, never dereferenced. FreeRecords(a, n) first releases what each record owns
// (ReleaseRecord overloads of the record types with owned vectors), then the block; a
// null block is accepted. One template serves every record shape.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "numcore/numcore.h"

template <typename T>
void AllocRecords(T** a, int n) {
  static_assert(std::is_trivially_copyable_v<T>, "records are plain data");
  if (n < 1) {
    *a = nullptr;
    return;
  }
  if (static_cast<uint64_t>(n) + 1 > SIZE_MAX / sizeof(T)) errexit("Memory allocation failed", 0);
  void* p = std::calloc(static_cast<size_t>(n) + 1, sizeof(T));
  if (p == nullptr) errexit("Memory allocation failed", 0);
  *a = static_cast<T*>(p);
}

// Records that own nothing release nothing.
template <typename T>
void ReleaseRecord(T&) {}

template <typename T>
void FreeRecords(T* a, int n) {
  if (a == nullptr) return;
  for (int i = n; i >= 1; i--) ReleaseRecord(a[i]);
  std::free(a);
}
