// Slot-to-value map of the material records (C alignment of the file layout).
#include <gtest/gtest.h>

#include "materials/material_slots.h"

TEST(MaterialSlots, CrackModelSpotValues) {
  struct Case {
    int code, slot, word, value;
  };
  const Case cases[] = {
      {MAT_NLMM104, 64, 1, 1},  {MAT_NLMM104, 67, 1, 4},  {MAT_NLMM104, 70, 1, 7},  {MAT_NLMM104, 71, 1, 8},
      {MAT_NLMM104, 81, 1, 19}, {MAT_NLMM104, 81, 2, 20}, {MAT_NLMM104, 86, 2, 26}, {MAT_NLMM104, 89, 1, 29},
      {MAT_NLMM142, 95, 2, 35}, {MAT_NLMM142, 78, 1, 15}, {MAT_NLMM142, 79, 1, 16}, {MAT_NLMM142, 86, 1, 23},
      // _NLMM101: shear-retention kind and beta at 77 / 78; band option 79 second word.
      {MAT_NLMM101, 77, 1, 14}, {MAT_NLMM101, 78, 1, 15}, {MAT_NLMM101, 79, 2, 17}, {MAT_NLMM101, 82, 1, 20},
      {MAT_NLMM141, 80, 1, 17}, {MAT_NLMM141, 81, 1, 18}, {MAT_NLMM141, 82, 2, 20}, {MAT_NLMM141, 85, 1, 23},
      {MAT_NLMM111, 89, 2, 27}, {MAT_NLMM111, 92, 1, 30}, {MAT_NLMM111, 84, 1, 21}, {MAT_NLMM111, 88, 1, 25},
      {MAT_NLMM151, 98, 2, 36}, {MAT_NLMM151, 99, 1, 37}, {MAT_NLMM151, 101, 1, 39},
      {MAT_NLMM102, 75, 1, 12}, {MAT_NLMM102, 80, 1, 18}, {MAT_NLMM102, 81, 1, 19}, {MAT_NLMM102, 83, 1, 21},
      // No value: the second word of a double, the padding after a lone int32, before
      // the record, past its end.
      {MAT_NLMM104, 67, 2, 0},  {MAT_NLMM104, 70, 2, 0},  {MAT_NLMM104, 63, 1, 0},  {MAT_NLMM104, 97, 1, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MaterialValueOfSlot(c.code, c.slot, c.word), c.value) << c.code << " " << c.slot << " " << c.word;
}
