// Every uniaxial law through both of its hosts, the bar and the beam fibre: the same
// stresses along loading, unloading and reversed paths, a tangent that matches the slope
// of the stress, and the two tangent policies.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "materials/material_point.h"
#include "materials/uniaxial/uniaxial_law.h"
#include "support/material_driver.h"

namespace {

using matdriver::Host;

struct LawCase {
  int code;
  MaterialRecord m;
  // Strains (tension positive) of a loading path past the elastic range, of an unloading
  // after it, and of a reversal through zero; the slope is checked at each path's end.
  std::vector<double> load, unload, reverse;
  // Paths (bit 1 load, 2 unload, 4 reverse) whose stored tangent is not the slope by the
  // law's own choice.
  int notSlope = 0;
};

std::vector<LawCase> Cases() {
  const MaterialRecord k220 = matdriver::RecordWithInts(
      {2.0, 2.4, 1e-5, 30000, 0.002, 30, 0, -5000, 0.0035, 20, 0.0, 0.002, 38, 0, 0, 0}, {1});
  return {
      {MAT_LIN_ISO, matdriver::Record({7.85e-9, 1.2e-5, 2e5, 0.3}), {0.001}, {0.002, 0.001}, {0.002, -0.001}},
      {MAT_NLMM201, matdriver::Record({7.85e-9, 1.2e-5, 0.002, 400, 0.01, 420, 0.1, 600, 2}),
       {0.0005, 0.02, 0.03},
       {0.02, 0.03, 0.029},
       {0.02, 0.03, -0.01}},
      {MAT_NLMM202, matdriver::Record({7.85e-9, 1.2e-5, 200000, 5000, 0.002, 400, 0.01, 0, 0.1, 600}),
       {0.001, 0.015, 0.02},
       {0.015, 0.02, 0.0195},
       {0.015, 0.02, -0.005},
       2},  // the stored tangent of a reversal branch is not the branch's slope
      {MAT_NLMM210, matdriver::Record({2.4, 1e-5, 30000, 0.002, 30, 0.004, -0.00015, -3, -0.0006}),
       {-0.0005, -0.001, -0.0015},
       {-0.001, -0.0015, -0.0013},
       {-0.001, -0.0015, 0.0001}},
      {MAT_NLMM220, k220, {-0.0005, -0.001, -0.0015}, {-0.001, -0.0015, -0.0013}, {-0.001, -0.0015, 0.0001}},
      {MAT_NLMM298, matdriver::Record({2.4, 1e-5, 30000, 3, 30, 0.0035, 2e5, 1.5}),
       {-0.0005, -0.001},
       {-0.0005, -0.001, -0.0007},
       {-0.0005, -0.001, 0.00005}},
      {MAT_NLMM299, matdriver::Record({2.4, 1e-5, 30000, 3, 30, 0.002, 0.0035}),
       {-0.0005, -0.001},
       {-0.0005, -0.001, -0.0007},
       {-0.0005, -0.001, 0.00005},
       1},  // the initial modulus on the compression curve, a stable tangent
  };
}

std::vector<matdriver::Step> Path(const std::vector<double>& strains) {
  std::vector<matdriver::Step> p;
  for (double e : strains) p.push_back({e, 3});
  return p;
}

TEST(UniaxialContract, EveryLawGivesTheSameStressThroughBothHostsAndItsTangentIsTheSlope) {
  const std::vector<LawCase> cases = Cases();
  std::set<int> covered;
  for (const LawCase& c : cases) {
    covered.insert(c.code);
    const UniaxialLaw* law = UniaxialLawOf(c.code);
    ASSERT_NE(law, nullptr) << c.code;
    const double E0 = UniaxialInitialModulus(c.code, c.m);
    const char* names[3] = {"load", "unload", "reverse"};
    const std::vector<double>* paths[3] = {&c.load, &c.unload, &c.reverse};
    for (int k = 0; k < 3; k++) {
      SCOPED_TRACE(testing::Message() << MaterialKindName(c.code) << " " << names[k]);
      const std::vector<matdriver::Step> p = Path(*paths[k]);
      const auto bar = matdriver::DriveUniaxial(c.code, c.m, p, Host::kBar);
      const auto fibre = matdriver::DriveUniaxial(c.code, c.m, p, Host::kFibre);
      for (size_t i = 0; i < p.size(); i++) {
        EXPECT_NEAR(bar[i].stress, fibre[i].stress, 1e-12 * E0 * std::fabs(p[i].strain)) << i;
        EXPECT_NEAR(bar[i].pointTangent, fibre[i].pointTangent, 1e-9 * E0) << i;
      }
      const size_t last = p.size() - 1;
      for (Host h : {Host::kBar, Host::kFibre}) {
        const double slope = matdriver::FiniteDifferenceSlope(c.code, c.m, p, last, 1e-8, h);
        if ((c.notSlope & (1 << k)) == 0) {
          EXPECT_NEAR(bar[last].pointTangent, slope, 1e-5 * E0);
        }
      }
      // The policies: the bar takes the law's tangent from its third iteration on, the
      // fibre after its first step, kept off zero by its share.
      EXPECT_EQ(bar[last].tangent, law->source == kTangentElastic ? E0 : bar[last].pointTangent);
      EXPECT_EQ(fibre[0].tangent, law->source == kTangentOfBranch ? fibre[0].pointTangent : E0);
      EXPECT_EQ(fibre[last].tangent, std::max(fibre[last].pointTangent, law->fibreShare * E0));
    }
  }
  for (const int* code = UniaxialLawCodes(); *code != 0; code++) EXPECT_EQ(covered.count(*code), 1u) << *code;
}

TEST(UniaxialContract, TheBarTakesTheInitialModulusInItsFirstTwoIterations) {
  for (const LawCase& c : Cases()) {
    if (UniaxialLawOf(c.code)->source != kTangentStored) continue;
    const double E0 = UniaxialInitialModulus(c.code, c.m);
    std::vector<matdriver::Step> p = Path(c.load);
    for (int it : {1, 2}) {
      p.back().iteration = it;
      EXPECT_EQ(matdriver::DriveUniaxial(c.code, c.m, p, Host::kBar).back().tangent, E0) << c.code;
    }
  }
}

}  // namespace
