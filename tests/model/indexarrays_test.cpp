// Nested index arrays: shapes, empty rows and release (leaks show under the sanitizer).
#include <gtest/gtest.h>

#include "model/indexarrays.h"

TEST(IndexArrays, TwoLevelsWithEmptyRows) {
  const int n = 3;
  int len1[n + 1] = {0, 2, 0, 3};
  int len2[n + 1] = {0, 4, 5, -1};
  int*** a;
  BuildIndexArrays(&a, n, len1, len2);
  EXPECT_EQ(a[2], nullptr);        // no handles for an empty row
  EXPECT_EQ(a[3][1], nullptr);     // nor a block for a length below 1
  for (int j = 1; j <= 2; j++)
    for (int k = 1; k <= 4; k++) a[1][j][k] = 10 * j + k;
  EXPECT_EQ(a[1][2][4], 24);
  EXPECT_NE(a[1][1], a[1][2]);
  FreeNestedIndexArrays(a, n, len1);
}

TEST(IndexArrays, ThreeLevels) {
  const int n = 2;
  int len1[n + 1] = {0, 2, 1};
  int len2[n + 1] = {0, 3, 0};
  int len3[n + 1] = {0, 2, 7};
  int**** a;
  BuildNestedIndexArrays(&a, n, len1, len2, len3);
  for (int j = 1; j <= 2; j++)
    for (int k = 1; k <= 3; k++)
      for (int m = 1; m <= 2; m++) a[1][j][k][m] = 100 * j + 10 * k + m;
  EXPECT_EQ(a[1][2][3][2], 232);
  EXPECT_EQ(a[2][1], nullptr);
  FreeNestedIndexArrays2(a, n, len1, len2);
}

TEST(IndexArrays, NothingForNoRows) {
  int*** a;
  BuildIndexArrays(&a, 0, nullptr, nullptr);
  EXPECT_EQ(a, nullptr);
  FreeNestedIndexArrays(a, 0, nullptr);
  int**** b;
  BuildNestedIndexArrays(&b, 0, nullptr, nullptr, nullptr);
  FreeNestedIndexArrays2(b, 0, nullptr, nullptr);
}
