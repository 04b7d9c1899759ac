#include <gtest/gtest.h>

#include "numcore/numcore.h"
#include "support/process.h"

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's allocator: whether p is a block it handed out and that is not
// released.
extern "C" int __sanitizer_get_ownership(const volatile void* p);
#endif

TEST(Memory, MatrixRowsAreContiguous) {
  double** A;
  allocd2(&A, 3, 4);
  EXPECT_EQ(A[2], A[1] + 4);
  EXPECT_EQ(&A[3][4], &A[1][1] + 11);
  zerod2(A, 3, 4);
  A[3][4] = 7.0;
  EXPECT_EQ(A[1][1 + 11], 7.0);
  freed2(A);
}

TEST(Memory, ProfileRowsAddressedByColumn) {
  int* last;
  alloci1(&last, 4);
  last[1] = 3; last[2] = 3; last[3] = 4; last[4] = 4;
  double** A;
  allocprofd2(&A, 4, last);
  // Fill exactly the stored entries (ASan checks each lies inside its row block), then
  // clear them: rows of 3, 2, 2 and 1 entries.
  int stored = 0;
  for (int i = 1; i <= 4; i++)
    for (int j = i; j <= last[i]; j++) A[i][j] = ++stored;
  EXPECT_EQ(stored, 8);
  EXPECT_EQ(&A[2][3], &A[2][2] + 1);
  EXPECT_EQ(A[2][3], 5.0);
  zeroprofd2(A, 4, last);
  for (int i = 1; i <= 4; i++)
    for (int j = i; j <= last[i]; j++) EXPECT_EQ(A[i][j], 0.0);
  freeprofd2(A, 4);
  freei1(last);
}

TEST(Memory, ThreeIndexLayout) {
  double*** B;
  allocd3(&B, 2, 3, 4);
  EXPECT_EQ(&B[1][2][1], &B[1][1][1] + 4);
  EXPECT_EQ(&B[2][1][1], &B[1][1][1] + 12);
  EXPECT_EQ(&B[2][3][4], &B[1][1][1] + 23);
  zerod3(B, 2, 3, 4);
  EXPECT_EQ(B[2][3][4], 0.0);
  freed3(B);
}

// The composite releases free everything their records own (LeakSanitizer checks).
TEST(Memory, CompositeReleases) {
  PointList* lists;
  AllocPointLists(&lists, 3);
  for (int i = 1; i <= 3; i++) {
    AllocPointListItems(&lists[i], i - 1);
    for (int k = 1; k <= lists[i].count; k++) lists[i].items[k] = PointElemPair{10 * i, k};
  }
  EXPECT_EQ(sizeof(PointElemPair), 8u);
  EXPECT_EQ(lists[3].items[2].element, 30);
  FreePointLists(lists, 3);

  PointVecSet* set;
  AllocPointVecSet(&set, 2);
  for (int i = 1; i <= 2; i++) {
    set[i].k = i;
    alloci1(&set[i].ints, 2);
    allocpd1(&set[i].vecs, i);
    for (int j = 1; j <= i; j++) allocd1(&set[i].vecs[j], 3);
  }
  FreePointVecSet(2, set);

  int *a, *b, *c, **rows;
  alloci1(&a, 3); alloci1(&b, 3); alloci1(&c, 3);
  allocpi1(&rows, 3);
  rows[1] = nullptr; alloci1(&rows[2], 4); rows[3] = nullptr;
  FreeSparseMat(3, a, rows, b, c);

  int len[4] = {0, 2, 0, 5};
  double** R;
  allocragd2(&R, 3, len);
  zeroragd2(R, 3, len);
  EXPECT_EQ(R[3][5], 0.0);
  freeragd2(R, 3);
}

TEST(Memory, ZeroCountsAllocate) {
  double* v;
  allocd1(&v, 0);
  zerod1(v, 0);
  freed1(v);
  double** A;
  allocd2(&A, 0, 5);
  freed2(A);
  double*** B;
  allocd3(&B, 2, 0, 3);
  freed3(B);
}

namespace {

// A routine of an iterate: its work arrays in a frame; it hands `kept` to its caller and
// fails when told to, its vector `v` still held.
void FramedRoutine(bool fail, double** kept, double** v, double*** A) {
  const WorkArrayFrame work;
  allocd1(kept, 4);
  allocd1(v, 8);
  allocd2(A, 3, 5);
  double* done;
  allocd1(&done, 2);  // released before the fault: not released again
  freed1(done);
  if (fail) IterateFault("\nwhere\n", "what");
  freed2(*A);
  freed1(*v);
}

bool Held(const void* p) {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_ownership(p) != 0;
#else
  (void)p;
  return true;
#endif
}

}  // namespace

// A fault of an iterate that unwinds through frames releases the blocks each frame
// allocated and still holds, rows and data of a matrix alike; a frame closed normally
// leaves its caller what it handed over; blocks of outer frames, and blocks released
// inside, are not touched.
TEST(Memory, WorkArrayFramesReleaseWhatAFaultLeaves) {
#if !defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "needs the address sanitizer's ownership query";
#endif
  const IterateFaultScope scope;
  double *outside, *kept = nullptr, *v = nullptr, **A = nullptr, *outer = nullptr, *early = nullptr;
  allocd1(&outside, 3);
  {
    const WorkArrayFrame frame;
    FramedRoutine(false, &kept, &v, &A);
  }
  ASSERT_TRUE(Held(kept));  // the caller's now
  kept[4] = 1.0;
  freed1(kept);
  bool caught = false;
  try {
    const WorkArrayFrame frame;
    allocd1(&outer, 6);
    allocd1(&early, 6);
    freed1(outside);  // a block of no frame, released inside one
    {
      const WorkArrayFrame inner;
      freed1(early);  // a block of the outer frame, released in the inner one
      FramedRoutine(true, &kept, &v, &A);
    }
  } catch (const IterateFailure& f) {
    caught = true;
    EXPECT_EQ(f.context + f.message, "\nwhere\nwhat");
  }
  ASSERT_TRUE(caught);
  for (const void* p : {static_cast<const void*>(kept), static_cast<const void*>(v), static_cast<const void*>(A),
                        static_cast<const void*>(outer)})
    EXPECT_FALSE(Held(p));
  // Frames nest again after the fault: a block allocated outside them stays.
  double* after;
  allocd1(&after, 2);
  { const WorkArrayFrame frame; }
  EXPECT_TRUE(Held(after));
  freed1(after);
}

TEST(MemoryDeath, NullFreeAndBadCount) {
  EXPECT_EXIT(freed1(nullptr), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nfreed1: unexpected null pointer\n\n"));
  EXPECT_EXIT(freepfile1(nullptr), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nfreepfile1: unexpected null pointer\n\n"));
  EXPECT_EXIT({ double* rows[2] = {}; freed2(rows); }, testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nfreed2: unexpected null pointer\n\n"));
  EXPECT_EXIT({ double** planes[2] = {}; freed3(planes); }, testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nfreed3: unexpected null pointer\n\n"));
  const std::string failed = "\nERROR:\nMemory allocation failed\n\n";
  EXPECT_EXIT({ double* v; allocd1(&v, -1); }, testing::ExitedWithCode(1), StderrIs(failed));
  EXPECT_EXIT({ int** A; alloci2(&A, 3, -2); }, testing::ExitedWithCode(1), StderrIs(failed));
  // 2^60 doubles: the byte count exceeds any object size.
  EXPECT_EXIT({ double** A; allocd2(&A, 1 << 30, 1 << 30); }, testing::ExitedWithCode(1), StderrIs(failed));
  EXPECT_EXIT({ double*** B; allocd3(&B, 1 << 20, 1 << 20, 1 << 30); }, testing::ExitedWithCode(1),
              StderrIs(failed));  // 2^70 entries: the product overflows 64 bits
  // Row 2 ending at column 0, two columns before its diagonal, has a negative length.
  EXPECT_EXIT({ static const int last[3] = {}; double** A; allocprofd2(&A, 2, last); }, testing::ExitedWithCode(1),
              StderrIs(failed));
}

TEST(ErrorsDeath, Layouts) {
  EXPECT_EXIT(errexit("boom", 12), testing::ExitedWithCode(1), StderrIs("\nERROR:\nboom\nLine n.       12\n\n"));
  EXPECT_EXIT(errexit("two\nlines", 0), testing::ExitedWithCode(1), StderrIs("\nERROR:\ntwo\nlines\n\n"));
  EXPECT_EXIT(interror("lib.cpp", 70), testing::ExitedWithCode(1),
              StderrIs("\nINTERNAL ERROR\n   File: lib.cpp\n   Line: 70\n\n"));
  EXPECT_EXIT(InternalError("x.cpp", 7), testing::ExitedWithCode(1),
              StderrIs("\nINTERNAL ERROR\n   File: x.cpp\n   Line: 7\n\n"
                       "The program reached a state that valid data cannot reach.\n"
                       "Please report this fault together with the data file of the run.\n\n"));
  EXPECT_EXIT({ warnmsg("careful", 3); warnmsg("no line", 0); std::exit(0); }, testing::ExitedWithCode(0),
              StderrIs("\nWARNING:\ncareful\nLine n.        3\n\nWARNING:\nno line\n"));
}
