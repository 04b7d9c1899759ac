#include <gtest/gtest.h>

#include "numcore/numcore.h"

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
  zeroprofd2(A, 4, last);
  A[2][2] = 1.0; A[2][3] = 2.0; A[4][4] = 3.0;
  EXPECT_EQ(&A[2][3], &A[2][2] + 1);
  EXPECT_EQ(A[2][3], 2.0);
  freeprofd2(A, 4);
  freei1(last);
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

TEST(MemoryDeath, NullFreeAndBadCount) {
  EXPECT_EXIT(freed1(nullptr), testing::ExitedWithCode(1),
              "\nERROR:\nfreed1: unexpected null pointer\n\n");
  EXPECT_EXIT({ double* v; allocd1(&v, -1); }, testing::ExitedWithCode(1), "Memory allocation failed");
  EXPECT_EXIT({ double** A; allocd2(&A, 1 << 30, 1 << 30); }, testing::ExitedWithCode(1),
              "Memory allocation failed");
}

TEST(ErrorsDeath, Layouts) {
  EXPECT_EXIT(errexit("boom", 12), testing::ExitedWithCode(1),
              "^\nERROR:\nboom\nLine n.       12\n\n$");
  EXPECT_EXIT(errexit("boom", 0), testing::ExitedWithCode(1), "^\nERROR:\nboom\n\n$");
  EXPECT_EXIT(InternalError("x.cpp", 7), testing::ExitedWithCode(1),
              "^\nINTERNAL ERROR\n   File: x.cpp\n   Line: 7\n\n");
  EXPECT_EXIT({ warnmsg("careful", 3); std::exit(0); }, testing::ExitedWithCode(0),
              "^\nWARNING:\ncareful\nLine n.        3\n$");
}
