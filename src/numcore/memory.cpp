// Guarded allocation, clearing and release of 1-based arrays.
//
// Every block is allocated with one extra leading entry, so a vector handle is the
// block's own start and entries 1..n lie inside it. Matrices keep one contiguous
// row-major data block; row i points (i-1)*m entries after the data block's start, so
// A[i][j] is data[(i-1)*m + j]. The profile store is the one exception: its rows are
// addressed by absolute column and are shifted back by i-1 entries (see allocprofd2).
#include "numcore/numcore.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>
#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

[[noreturn]] void AllocFailed() { errexit("Memory allocation failed", 0); }

// The blocks of the open work-array frames of this thread, innermost last; the lists of
// closed frames keep their room for the next ones.
thread_local std::vector<std::vector<void*>> tFrames;
thread_local int tOpenFrames = 0;

void* Recorded(void* p) {
  if (tOpenFrames > 0) tFrames[tOpenFrames - 1].push_back(p);
  return p;
}

// Every block of the guarded allocators is released here: struck from the frame that
// recorded it (searched from the innermost frame and its latest block), then freed.
void ReleaseBlock(void* p) {
  for (int f = tOpenFrames - 1; f >= 0; f--) {
    std::vector<void*>& blocks = tFrames[f];
    for (size_t k = blocks.size(); k-- > 0;)
      if (blocks[k] == p) {
        blocks[k] = blocks.back();
        blocks.pop_back();
        std::free(p);
        return;
      }
  }
  std::free(p);
}

// Number of entries to request for a count: n + 1 (leading entry), n = 0 counted as 1.
int64_t EntriesFor(int64_t n) {
  if (n < 0 || n == INT64_MAX) AllocFailed();
  return (n == 0 ? 1 : n) + 1;
}

int64_t Product(int64_t a, int64_t b) {
  if (a < 0 || b < 0) AllocFailed();
  if (a != 0 && b > INT64_MAX / a) AllocFailed();
  return a * b;
}

// Entries of a block of n items of T, the byte count checked: no object may exceed
// PTRDIFF_MAX bytes.
template <typename T>
int64_t CheckedEntries(int64_t n) {
  int64_t entries = EntriesFor(n);
  if (entries > static_cast<int64_t>(PTRDIFF_MAX / sizeof(T))) AllocFailed();
  return entries;
}

template <typename T>
T* AllocBlock(int64_t n) {
  int64_t entries = CheckedEntries<T>(n);
  void* p = std::malloc(static_cast<size_t>(entries) * sizeof(T));
  if (p == nullptr) AllocFailed();
  return static_cast<T*>(Recorded(p));
}

// A cleared block: the system hands out large blocks as zero pages, cleared when first
// touched and by the thread that touches them.
template <typename T>
T* AllocClearedBlock(int64_t n) {
  int64_t entries = CheckedEntries<T>(n);
  void* p = std::calloc(static_cast<size_t>(entries), sizeof(T));
  if (p == nullptr) AllocFailed();
  return static_cast<T*>(Recorded(p));
}

template <typename T>
void Alloc1(T** v, int n) { *v = AllocBlock<T>(n); }

template <typename T>
void Free1(T* v, const char* msg) {
  if (v == nullptr) errexit(msg, 0);
  ReleaseBlock(v);
}

template <typename T>
void Alloc2(T*** A, int n, int m) {
  const int64_t nm = Product(n, m);
  CheckedEntries<T>(nm);  // refuse an impossible size before anything is allocated
  T** rows = AllocBlock<T*>(n);
  T* data = AllocBlock<T>(nm);
  for (int i = 1; i <= n; i++) rows[i] = data + static_cast<int64_t>(i - 1) * m;
  if (n < 1) rows[1] = data;  // a 0 x m matrix still owns its (single-entry) data block
  *A = rows;
}

template <typename T>
void Free2(T** A, const char* msg) {
  if (A == nullptr || A[1] == nullptr) errexit(msg, 0);
  ReleaseBlock(A[1]);
  ReleaseBlock(A);
}

template <typename T>
void Zero1(T* v, int n) {
  for (int i = 1; i <= n; i++) v[i] = T{};
}

}  // namespace

void allocc1(char** v, int n) { Alloc1(v, n); }
void alloci1(int** v, int n) { Alloc1(v, n); }
void allocl1(long** v, int n) { Alloc1(v, n); }
void allocd1(double** v, int n) { Alloc1(v, n); }
void allocpd1(double*** v, int n) { Alloc1(v, n); }
void allocpi1(int*** v, int n) { Alloc1(v, n); }
void allocpfile1(FILE*** v, int n) { Alloc1(v, n); }

void allocc2(char*** A, int n, int m) { Alloc2(A, n, m); }
void alloci2(int*** A, int n, int m) { Alloc2(A, n, m); }
void allocd2(double*** A, int n, int m) { Alloc2(A, n, m); }

void allocd3(double**** A, int n, int m, int p) {
  const int64_t nm = Product(n, m);
  const int64_t nmp = Product(nm, p);
  CheckedEntries<double*>(nm);
  CheckedEntries<double>(nmp);
  double*** planes = AllocBlock<double**>(n);
  double** rows = AllocBlock<double*>(nm);
  double* data = AllocBlock<double>(nmp);
  for (int i = 1; i <= n; i++) {
    planes[i] = rows + static_cast<int64_t>(i - 1) * m;
    for (int j = 1; j <= m; j++)
      planes[i][j] = data + (static_cast<int64_t>(i - 1) * m + (j - 1)) * p;
  }
  // Keep the blocks reachable for release even when a count is 0.
  if (n < 1) planes[1] = rows;
  if (n < 1 || m < 1) planes[1][1] = data;
  *A = planes;
}

void allocragi2(int*** A, int n, const int* len) {
  allocpi1(A, n);
  for (int i = 1; i <= n; i++) alloci1(&(*A)[i], len[i]);
}

void allocragd2(double*** A, int n, const int* len) {
  allocpd1(A, n);
  for (int i = 1; i <= n; i++) allocd1(&(*A)[i], len[i]);
}

// Profile rows are addressed by absolute column: row i holds columns i..last[i], and
// A[i][i] must be the first stored entry. The row pointer is therefore the block's start
// moved back by i - 1 entries. This is the one place where a handle points outside its
// block; the shift is done on the address as an integer so that no out-of-range pointer
// arithmetic is performed, and every access through it lands inside the block.
static double* ShiftRow(double* block, int64_t back) {
  return reinterpret_cast<double*>(reinterpret_cast<uintptr_t>(block) -
                                   static_cast<uintptr_t>(back) * sizeof(double));
}

// A store of gigabytes is mapped page by page on its first touch: with 4 kB pages that is
// a fault every 512 terms and a miss of the address cache on most rows the elimination and
// the solves read. Where the system offers 2 MB pages on request, the block asks for them
// (whole 2 MB pieces inside it; the contents are the same zeros).
static void AskLargePages(void* block, int64_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr uintptr_t kLarge = uintptr_t{1} << 21;
  if (bytes < 32 * static_cast<int64_t>(kLarge)) return;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kLarge - 1) & ~(kLarge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + static_cast<uintptr_t>(bytes)) & ~(kLarge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);  // a refusal changes nothing
#else
  (void)block;
  (void)bytes;
#endif
}

// Under the address sanitizer every row is a block of its own, so that a read past a
// row's end is caught; otherwise the rows lie one after another in one block, each behind
// an unused entry, which the system gives as zero pages without a clearing pass.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kProfileRowBlocks = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kProfileRowBlocks = true;
#else
constexpr bool kProfileRowBlocks = false;
#endif
#else
constexpr bool kProfileRowBlocks = false;
#endif

void allocprofd2(double*** A, int n, const int* last) {
  // Entries of row i in the one block: its terms (at least one) and its unused entry.
  const auto span = [last](int i) { return std::max<int64_t>(static_cast<int64_t>(last[i]) - i + 1, 1) + 1; };
  int64_t total = 0;
  for (int i = 1; i <= n; i++) {
    if (static_cast<int64_t>(last[i]) - i + 1 < 0) AllocFailed();
    total += span(i);
  }
  allocpd1(A, n);
  (*A)[0] = nullptr;  // no order record (profile.h)
  if (kProfileRowBlocks) {
    for (int i = 1; i <= n; i++) {
      double* row = AllocClearedBlock<double>(static_cast<int64_t>(last[i]) - i + 1);
      (*A)[i] = ShiftRow(row, i - 1);
    }
    return;
  }
  if (n < 1) return;
  double* block = AllocClearedBlock<double>(total - 1);  // row 1 takes the block's leading entry
  AskLargePages(block, total * static_cast<int64_t>(sizeof(double)));
  int64_t at = 0;
  for (int i = 1; i <= n; i++) {
    (*A)[i] = ShiftRow(block + at, i - 1);
    at += span(i);
  }
}

void freec1(char* v) { Free1(v, "freec1: unexpected null pointer"); }
void freei1(int* v) { Free1(v, "freei1: unexpected null pointer"); }
void freel1(long* v) { Free1(v, "freel1: unexpected null pointer"); }
void freed1(double* v) { Free1(v, "freed1: unexpected null pointer"); }
void freepd1(double** v) { Free1(v, "freepd1: unexpected null pointer"); }
void freepi1(int** v) { Free1(v, "freepi1: unexpected null pointer"); }
void freepfile1(FILE** v) { Free1(v, "freepfile1: unexpected null pointer"); }

void freec2(char** A) { Free2(A, "freec2: unexpected null pointer"); }
void freei2(int** A) { Free2(A, "freei2: unexpected null pointer"); }
void freed2(double** A) { Free2(A, "freed2: unexpected null pointer"); }

void freed3(double*** A) {
  const char* msg = "freed3: unexpected null pointer";
  if (A == nullptr || A[1] == nullptr || A[1][1] == nullptr) errexit(msg, 0);
  ReleaseBlock(A[1][1]);
  ReleaseBlock(A[1]);
  ReleaseBlock(A);
}

void freeragi2(int** A, int n) {
  if (A == nullptr) errexit("freepi1: unexpected null pointer", 0);
  for (int i = n; i >= 1; i--) freei1(A[i]);
  freepi1(A);
}

void freeragd2(double** A, int n) {
  if (A == nullptr) errexit("freepd1: unexpected null pointer", 0);
  for (int i = n; i >= 1; i--) freed1(A[i]);
  freepd1(A);
}

void freeprofd2(double** A, int n) {
  if (A == nullptr) errexit("freepd1: unexpected null pointer", 0);
  for (int i = kProfileRowBlocks ? n : std::min(n, 1); i >= 1; i--) {
    if (A[i] == nullptr) errexit("freed1: unexpected null pointer", 0);
    freed1(reinterpret_cast<double*>(reinterpret_cast<uintptr_t>(A[i]) +
                                     static_cast<uintptr_t>(i - 1) * sizeof(double)));
  }
  freepd1(A);
}

void zeroc1(char* v, int n) { Zero1(v, n); }
void zeroi1(int* v, int n) { Zero1(v, n); }
void zeroi1(long* v, int n) { Zero1(v, n); }
void zeroi1(double** v, int n) { Zero1(v, n); }
void zeroi1(int** v, int n) { Zero1(v, n); }
void zeroi1(FILE** v, int n) { Zero1(v, n); }
void zerod1(double* v, int n) { Zero1(v, n); }

void zeroc2(char** A, int n, int m) {
  for (int i = 1; i <= n; i++) Zero1(A[i], m);
}
void zeroi2(int** A, int n, int m) {
  for (int i = 1; i <= n; i++) Zero1(A[i], m);
}
void zerod2(double** A, int n, int m) {
  for (int i = 1; i <= n; i++) Zero1(A[i], m);
}
void zerod3(double*** A, int n, int m, int p) {
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++) Zero1(A[i][j], p);
}
void zeroragd2(double** A, int n, const int* len) {
  for (int i = 1; i <= n; i++) Zero1(A[i], len[i]);
}
void zeroprofd2(double** A, int n, const int* last) {
  for (int i = 1; i <= n; i++)
    for (int j = i; j <= last[i]; j++) A[i][j] = 0.0;
}

WorkArrayFrame::WorkArrayFrame() : unwinding_(std::uncaught_exceptions()) {
  if (static_cast<int>(tFrames.size()) == tOpenFrames) tFrames.emplace_back();
  tFrames[tOpenFrames].clear();
  tOpenFrames++;
}

WorkArrayFrame::~WorkArrayFrame() {
  std::vector<void*>& blocks = tFrames[tOpenFrames - 1];
  tOpenFrames--;
  if (std::uncaught_exceptions() > unwinding_)
    for (size_t k = blocks.size(); k-- > 0;) std::free(blocks[k]);
  blocks.clear();
}

void AllocPointLists(PointList** list, int n) {
  PointList* v = AllocBlock<PointList>(n);
  for (int i = 1; i <= n; i++) v[i] = PointList{0, nullptr};
  *list = v;
}

void AllocPointListItems(PointList* rec, int count) {
  rec->items = AllocBlock<PointElemPair>(count);
  rec->count = count;
}

void AllocPointVecSet(PointVecSet** set, int n) {
  PointVecSet* v = AllocBlock<PointVecSet>(n);
  for (int i = 1; i <= n; i++) v[i] = PointVecSet{0, nullptr, nullptr};
  *set = v;
}

void FreePointLists(PointList* list, int n) {
  for (int i = n; i >= 1; i--) ReleaseBlock(list[i].items);
  ReleaseBlock(list);
}

void FreePointVecSet(int n, PointVecSet* set) {
  for (int i = n; i >= 1; i--) {
    for (int j = 1; j <= set[i].k; j++) freed1(set[i].vecs[j]);
    freepd1(set[i].vecs);
    freei1(set[i].ints);
  }
  ReleaseBlock(set);
}

void FreeSparseMat(int n, int* a, int** rows, int* b, int* c) {
  freei1(a);
  for (int i = n; i >= 1; i--)
    if (rows[i] != nullptr) freei1(rows[i]);
  freepi1(rows);
  freei1(b);
  freei1(c);
}
