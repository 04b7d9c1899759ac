// Nested index arrays: level by level allocation, release in reverse.
#include "model/indexarrays.h"

#include <cstdint>
#include <cstdlib>

#include "numcore/numcore.h"

namespace {

// A 1-based vector of n entries (one leading entry, so the handle is the block's start);
// null for n < 1.
template <typename T>
T* IndexVector(int n) {
  if (n < 1) return nullptr;
  void* p = std::malloc((static_cast<size_t>(n) + 1) * sizeof(T));
  if (p == nullptr) errexit("Memory allocation failed", 0);
  return static_cast<T*>(p);
}

}  // namespace

void BuildIndexArrays(int**** out, int n, const int* len1, const int* len2) {
  int*** a = IndexVector<int**>(n);
  for (int i = 1; i <= n; i++) a[i] = IndexVector<int*>(len1[i]);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= len1[i]; j++) a[i][j] = IndexVector<int>(len2[i]);
  *out = a;
}

void BuildNestedIndexArrays(int***** out, int n, const int* len1, const int* len2, const int* len3) {
  int**** a = IndexVector<int***>(n);
  for (int i = 1; i <= n; i++) a[i] = IndexVector<int**>(len1[i]);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= len1[i]; j++) a[i][j] = IndexVector<int*>(len2[i]);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= len1[i]; j++)
      for (int k = 1; k <= len2[i]; k++) a[i][j][k] = IndexVector<int>(len3[i]);
  *out = a;
}

void FreeNestedIndexArrays(int*** out, int n, const int* len1) {
  if (out == nullptr) return;
  for (int i = n; i >= 1; i--)
    for (int j = len1[i]; j >= 1; j--) std::free(out[i][j]);
  for (int i = n; i >= 1; i--) std::free(out[i]);
  std::free(out);
}

void FreeNestedIndexArrays2(int**** out, int n, const int* len1, const int* len2) {
  if (out == nullptr) return;
  for (int i = n; i >= 1; i--)
    for (int j = len1[i]; j >= 1; j--)
      for (int k = len2[i]; k >= 1; k--) std::free(out[i][j][k]);
  for (int i = n; i >= 1; i--)
    for (int j = len1[i]; j >= 1; j--) std::free(out[i][j]);
  for (int i = n; i >= 1; i--) std::free(out[i]);
  std::free(out);
}
