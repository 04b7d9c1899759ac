// The stress a geometric stiffness reads back from the record of a smeared-crack point:
// after a crack has opened and softened, or a model with plasticity has been crushed past
// its peak, the record holds the stress of the point that the last update returned (not
// the stress of the plastic continuum), for the plane and solid elements and for the shell
// layers alike.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/crack_material.h"
#include "history/records.h"
#include "materials/material_point.h"
#include "model/mesh.h"

namespace {

// A table of one started record of the kind's slot, as the history table holds it.
struct OnePointTable {
  const RecordOps& ops;
  unsigned char* block;
  NLMM_HD hd{};
  explicit OnePointTable(const CrackMat& c)
      : ops(*RecordOpsOfSlot(NlmmSlotOfCode(c.code))),
        block(static_cast<unsigned char*>(std::calloc(2, ops.size))) {
    ops.init(block + ops.size);
    StartCrackPoint(c.code, c.m, block + ops.size, CrackPointPlace{1, 1, 0, 1.0, 1.0});
    hd.Entry[2 * NlmmSlotOfCode(c.code)] = block;
  }
  ~OnePointTable() {
    ops.release(block + ops.size);
    std::free(block);
  }
  OnePointTable(const OnePointTable&) = delete;
  OnePointTable& operator=(const OnePointTable&) = delete;
};

// The concrete of the crack tests with constant shear retention 0.2 at the model's slots
// (and, for the models with plasticity, r0 0.3, Gc 15 and hardening law 1).
CrackMat Retained(int code) {
  CrackMat c = CrackConcrete(code, 0.1);
  switch (code) {
    case MAT_NLMM101: c.Set(77, 1).Set(78, 0.2); break;
    case MAT_NLMM102: c.Set(77, 1).Set(78, 0.2).Set(79, 1, 1); break;
    case MAT_NLMM104: c.Set(81, 0, 1).Set(81, 1, 2).Set(82, 0.2).Set(83, 1); break;
    case MAT_NLMM111: c.Set(84, 1).Set(85, 0.2).Set(86, 1); break;
    case MAT_NLMM141: c.Set(70, 0.3).Set(71, 15.0).Set(80, 1).Set(81, 0.2); break;
    case MAT_NLMM142:
      c.Set(70, 0.3).Set(71, 15.0).Set(72, 1, 1).Set(73, 0.0).Set(90, 0, 1).Set(90, 1, 2).Set(91, 0.2).Set(92, 1);
      break;
    default: c.Set(70, 0.3).Set(71, 15.0).Set(72, 1).Set(93, 1).Set(94, 0.2).Set(95, 1);
  }
  return c;
}

}  // namespace

TEST(CrackRecordStress, RecordHoldsTheStressOfTheLastUpdate) {
  // Stretched along x1 to three times the cracking strain ft / E in ten steps, the other
  // strains held: the crack opens across x1 and softens (band h 100, Gf 0.1). The models
  // with plasticity also shortened past their peak, where the compressive damage parts
  // the stress of the point from that of the plastic continuum.
  struct Case {
    int code, type;
    bool layer;
    double dEps;
    int steps;
    double lo, hi;  // bounds of the stress s11 reached
  };
  const Case cases[] = {
      {MAT_NLMM101, _PLANE_STRESS_QUAD, true, 3e-5, 10, 0.5, 2.9},
      {MAT_NLMM104, _PLANE_STRESS_QUAD, true, 3e-5, 10, 0.5, 2.9},
      {MAT_NLMM141, _PLANE_STRESS_QUAD, true, 3e-5, 10, 0.5, 2.9},
      {MAT_NLMM142, _PLANE_STRESS_QUAD, true, 3e-5, 10, 0.5, 2.9},
      {MAT_NLMM142, _PLANE_STRESS_QUAD, true, -1e-4, 30, -33.0, -25.0},
      {MAT_NLMM102, _SOLID_HEXA, false, 3e-5, 10, 0.5, 2.9},
      {MAT_NLMM111, _SOLID_HEXA, false, 3e-5, 10, 0.5, 2.9},
      {MAT_NLMM151, _SOLID_HEXA, false, 3e-5, 10, 0.5, 2.9},
      {MAT_NLMM151, _SOLID_HEXA, false, -1e-4, 45, -100.0, -94.0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(MaterialKindName(k.code)) + (k.dEps > 0.0 ? " pulled" : " shortened"));
    const CrackMat c = Retained(k.code);
    OnePointTable t(c);
    const int n = ContinuumComponents(StressStateOfType(k.type));
    double dEps[7] = {0.0, k.dEps, 0.0, 0.0, 0.0, 0.0, 0.0}, sigma[7] = {}, read[7] = {};
    for (int step = 1; step <= k.steps; step++)
      ContinuumStress(k.code, StressStateOfType(k.type), PointContext{1, step, 1, 1, 0}, c.m, &t.hd, 1, dEps, sigma);
    EXPECT_GT(sigma[1], k.lo);
    EXPECT_LT(sigma[1], k.hi);
    ContinuumRecordStress(k.code, StressStateOfType(k.type), c.m, &t.hd, 1, read);
    for (int i = 1; i <= n; i++) EXPECT_EQ(read[i], sigma[i]) << i;
    if (k.layer) {
      double layer[4] = {};
      ShellLayerRecordStress(k.code, c.m, &t.hd, 1, layer);
      for (int i = 1; i <= 3; i++) EXPECT_EQ(layer[i], sigma[i]) << i;
    }
  }
}

TEST(CrackRecordStressDeath, KindsOutsideTheElementAreRefused) {
  // A solid model on a plane element, and a layer of a solid model.
  const CrackMat c = CrackConcrete(MAT_NLMM111, 0.1);
  OnePointTable t(c);
  double read[7];
  EXPECT_DEATH(ContinuumRecordStress(MAT_NLMM111, kStatePlaneStress, c.m, &t.hd, 1, read), "INTERNAL ERROR");
  EXPECT_DEATH(ShellLayerRecordStress(MAT_NLMM111, c.m, &t.hd, 1, read), "INTERNAL ERROR");
}
