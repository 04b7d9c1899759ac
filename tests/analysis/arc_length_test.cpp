// Radius constraint of the arc-length control in process: the choice between the two
// roots when there is no direction to compare with.
#include "analysis/arc_length.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/mesh.h"

// One dof, constant radius after the first arc-length combination, with no increment so
// far (the cosine rule has no direction): a1 = 2, a2 = 2, a3 = 1 - 5 give the roots 1
// and -2, and the smaller change of the load factor is taken.
TEST(ArcLength, NullIncrementTakesTheSmallerRoot) {
  ArcLengthParameters al{};
  al.ConstantRadius = 1;
  al.RadiusFactor = 1.0;
  al.ForceDisplScaling = 1.0;
  EquilibriumPathRecord ep{};
  ep.d1 = std::sqrt(5.0);
  double eta = 1.0, r = 0.0;
  // 1-based vectors of one term.
  double daComb[2] = {0, 0}, daII[2] = {0, 1}, da[2] = {0, 0}, daI[2] = {0, 0}, dF[2] = {0, 1}, FF[2] = {0, 3};
  CalcArcLengthData(3, 2, 2, 1, 0, &ep, &r, &eta, nullptr, daComb, daII, da, daI, dF, nullptr, FF, nullptr, nullptr,
                    nullptr, &al);
  EXPECT_DOUBLE_EQ(r, std::sqrt(5.0));
  EXPECT_DOUBLE_EQ(eta, 2.0);
  EXPECT_DOUBLE_EQ(da[1], 1.0);
  EXPECT_DOUBLE_EQ(FF[1], 4.0);
}
