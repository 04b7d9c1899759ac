// The slot table: one row per history slot, owned by its material code, with the record
// routines of that code's file block and the start values the law's first call expects.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "history/history.h"
#include "history/records.h"
#include "model/material.h"
#include "support/crack_material.h"
#include "support/material_driver.h"

namespace {

constexpr const char* kInternal = "INTERNAL ERROR";

// The record's bytes in its history file.
std::vector<unsigned char> FileForm(const RecordOps& ops, const void* r) {
  FILE* fp = std::tmpfile();
  ops.write(fp, r);
  std::vector<unsigned char> b(static_cast<size_t>(std::ftell(fp)));
  std::rewind(fp);
  EXPECT_EQ(std::fread(b.data(), 1, b.size(), fp), b.size());
  std::fclose(fp);
  return b;
}

bool AllZero(const RecordOps& ops, const void* r) {
  for (unsigned char c : FileForm(ops, r))
    if (c != 0) return false;
  return true;
}

// Elastic, no crack, every crack slot with the band width, strength and energy of the record.
template <typename Cracks>
void ExpectUncracked(int status, const Cracks& c) {
  EXPECT_EQ(status, 1);
  EXPECT_EQ(c.nCr, 0);
  for (int k = 1; k <= 4; k++) {
    EXPECT_EQ(c.CrBandWidth[k], 100.0) << k;
    EXPECT_EQ(c.CrTensileStrength[k], 3.0) << k;
    EXPECT_EQ(c.CrStatus[k], 0) << k;
  }
}

}  // namespace

TEST(SlotTable, EveryRowHoldsTheRecordsOfItsSlotsCode) {
  for (int k = 0; k < kNlmmSlots; k++) {
    const SlotRow& row = SlotRowOf(k);
    SCOPED_TRACE(kMaterialKindKeywords[row.code]);
    EXPECT_EQ(row.slot, k);
    EXPECT_EQ(NlmmSlotOfCode(row.code), k);
    ASSERT_NE(row.ops, nullptr);
    EXPECT_EQ(std::string(row.ops->tag), "<" + std::string(kMaterialKindKeywords[row.code] + 1) + "_HD>");
  }
  EXPECT_DEATH(SlotRowOf(kNlmmSlots), kInternal);
  EXPECT_DEATH(SlotRowOf(-1), kInternal);
}

// Every slot on a table of one point: the record after its initial and start values.
TEST(SlotTable, StartValuesOfEverySlotOnAOnePointTable) {
  using matdriver::Record;
  const MaterialRecord plastic = Record({2.4, 0.0, 0.2, 30000, 30, 1, 1, 0});
  const MaterialRecord cyclicConcrete = [] {
    std::vector<double> v(15, 0.0);
    v[14] = 12.5;
    MaterialRecord m = Record(v);
    m.ValueType[14] = 'i';
    m.Value[14] = 1;  // the characteristic length of the record
    return m;
  }();
  const MaterialRecord iface = Record({0.5, 0.2, 0.1, 0.2, 0.5, 3.0, 1e3, 1e3});
  const MaterialRecord heat = Record({2400, 0, 2, 1000, 1, 1, 4000, 300, 0.05});
  const MaterialRecord none = Record({0.0});
  struct Case {
    int code;
    const MaterialRecord* m;
    std::function<void(const RecordOps&, void*)> expect;
  };
  auto zero = [](const RecordOps& ops, void* r) { EXPECT_TRUE(AllZero(ops, r)); };
  auto plasticity = [](double fc) {
    return [fc](const RecordOps&, void* v) {
      const NLMM121_HD& r = *static_cast<NLMM121_HD*>(v);
      EXPECT_EQ(r.PointStatus, 1);
      EXPECT_EQ(r.LoadingState, 1);
      EXPECT_EQ(r.YieldParam, fc);
      EXPECT_EQ(r.EqPlasticStrain, 0.0);
      EXPECT_EQ(r.Stress[1], 0.0);
      EXPECT_EQ(r.PlasticStrain[1], 0.0);
    };
  };
  auto rule1 = [](const RecordOps&, void* v) { EXPECT_EQ(*static_cast<int32_t*>(v), 1); };
  std::vector<CrackMat> cracks;
  for (int code : {MAT_NLMM101, MAT_NLMM102, MAT_NLMM104, MAT_NLMM111, MAT_NLMM141, MAT_NLMM142, MAT_NLMM151})
    cracks.push_back(CrackConcrete(code, 0.1));
  const std::vector<Case> cases = {
      {MAT_FRC_MIXFRACTURE_2D, &none, zero},
      {MAT_NLMM101, &cracks[0].m,
       [](const RecordOps&, void* v) {
         const NLMM101_HD& r = *static_cast<NLMM101_HD*>(v);
         ExpectUncracked(r.PointStatus, r);
       }},
      {MAT_NLMM102, &cracks[1].m,
       [](const RecordOps&, void* v) {
         const NLMM101_HD& r = *static_cast<NLMM101_HD*>(v);
         ExpectUncracked(r.PointStatus, r);
       }},
      {MAT_NLMM104, &cracks[2].m,
       [](const RecordOps&, void* v) {
         const NLMM104_HD& r = *static_cast<NLMM104_HD*>(v);
         ExpectUncracked(r.PointStatus, r.Cr);
       }},
      {MAT_NLMM111, &cracks[3].m,
       [](const RecordOps&, void* v) {
         const NLMM111_HD& r = *static_cast<NLMM111_HD*>(v);
         ExpectUncracked(r.PointStatus, r.Cr);
       }},
      {MAT_NLMM141, &cracks[4].m,
       [](const RecordOps&, void* v) {
         const NLMM141_HD& r = *static_cast<NLMM141_HD*>(v);
         ExpectUncracked(r.Pl.PointStatus, r);
         EXPECT_EQ(r.Pl.YieldParam, 30.0);
       }},
      {MAT_NLMM142, &cracks[5].m,
       [](const RecordOps&, void* v) {
         const NLMM142_HD& r = *static_cast<NLMM142_HD*>(v);
         ExpectUncracked(r.Pl.PointStatus, r.Cr);
         EXPECT_EQ(r.Pl.YieldParam, 30.0);
       }},
      {MAT_NLMM151, &cracks[6].m,
       [](const RecordOps&, void* v) {
         const NLMM151_HD& r = *static_cast<NLMM151_HD*>(v);
         ExpectUncracked(r.Pl.PointStatus, r.Cr);
         EXPECT_EQ(r.Pl.YieldParam, 30.0);
       }},
      {MAT_NLMM121, &plastic, plasticity(30.0)},
      {MAT_NLMM122, &plastic, plasticity(0.0)},  // the law takes fc from its record at every call
      {MAT_NLMM123, &plastic, plasticity(30.0)},
      {MAT_NLMM124, &plastic,
       [](const RecordOps&, void* v) {
         const NLMM124_HD& r = *static_cast<NLMM124_HD*>(v);
         EXPECT_EQ(r.PointStatus, 1);
         EXPECT_EQ(r.LoadingState, 1);
         EXPECT_EQ(r.Cohesion, 0.0);
         EXPECT_EQ(r.TrialSet, 0);
       }},
      {MAT_NLMM125, &plastic, plasticity(30.0)},
      {MAT_NLMM145, &none,
       [](const RecordOps&, void* v) {
         const NLMM145_HD& r = *static_cast<NLMM145_HD*>(v);
         EXPECT_EQ(r.RuleNumber, 1);
         EXPECT_EQ(r.StateWord, 1);
         EXPECT_EQ(r.Value[1], 0.0);
       }},
      {MAT_NLMM171, &none, zero},
      {MAT_NLMM172, &none, zero},
      {MAT_NLMM173, &none,
       [](const RecordOps&, void* v) {
         EXPECT_EQ(static_cast<NLMM173_HD*>(v)->FirstCallFlag, 1);
         EXPECT_EQ(static_cast<NLMM173_HD*>(v)->Age, 0.0);
       }},
      {MAT_NLMM174, &none,
       [](const RecordOps&, void* v) {
         EXPECT_EQ(static_cast<NLMM174_HD*>(v)->FirstStepFlag, 1);
         EXPECT_EQ(static_cast<NLMM174_HD*>(v)->UnitStrain[6][10], 0.0);
       }},
      {MAT_NLMM175, &none,
       [](const RecordOps&, void* v) {
         EXPECT_EQ(static_cast<NLMM175_HD*>(v)->FirstCallFlag, 1);
         EXPECT_EQ(static_cast<NLMM175_HD*>(v)->Time, 0.0);
       }},
      {MAT_NLMM201, &none,
       [](const RecordOps&, void* v) {
         const NLMM201_HD& r = *static_cast<NLMM201_HD*>(v);
         EXPECT_EQ(r.Branch, 1);  // elastic
         EXPECT_EQ(r.Status, 0);
         EXPECT_EQ(r.Strain, 0.0);
       }},
      {MAT_NLMM202, &none,
       [](const RecordOps&, void* v) { EXPECT_EQ(static_cast<NLMM145_HD*>(v)->RuleNumber, 1); }},
      {MAT_NLMM210, &none, rule1},
      {MAT_NLMM211, &cyclicConcrete,
       [](const RecordOps&, void* v) {
         const NLMM211_HD& r = *static_cast<NLMM211_HD*>(v);
         EXPECT_EQ(r.Real2[NLMM211_HD::kCharLength][1], 12.5);
         EXPECT_EQ(r.Real2[NLMM211_HD::kCharLength][2], 12.5);
         EXPECT_EQ(r.IntA[1], 1);
         EXPECT_EQ(r.IntC[1], 0);
       }},
      {MAT_NLMM220, &none, rule1},
      {MAT_NLMM298, &none, zero},
      {MAT_NLMM299, &none, zero},
      {MAT_NLMM301, &none, zero},
      {MAT_NLMM302, &iface,
       [](const RecordOps&, void* v) {
         const NLMM302_HD& r = *static_cast<NLMM302_HD*>(v);
         EXPECT_EQ(r.InUse, 1);
         EXPECT_EQ(r.Value[NLMM302_HD::kForce], 3.0);  // the tensile strength
       }},
      {MAT_NLMM303, &none, rule1},
      {MAT_NLMM305, &none, zero},
      {MAT_NLMM306, &none, [](const RecordOps&, void* v) { EXPECT_EQ(static_cast<NLMM304_HD*>(v)->S, 1); }},
      {MAT_NLMM320, &none, [](const RecordOps&, void* v) { EXPECT_EQ(static_cast<NLMM320_HD*>(v)->State, 1); }},
      {MAT_NLMM401, &heat, [](const RecordOps&, void* v) { EXPECT_EQ(static_cast<NLMM401_HD*>(v)->AlphaT, 0.05); }},
      {MAT_NLMM451, &none, zero},
      {MAT_NLMM501, &none, zero},
  };
  std::vector<bool> seen(kNlmmSlots, false);
  for (const Case& c : cases) {
    SCOPED_TRACE(kMaterialKindKeywords[c.code]);
    const int slot = NlmmSlotOfCode(c.code);
    seen[static_cast<size_t>(slot)] = true;
    int counts[kMaterialKinds + 1] = {};
    counts[c.code] = 1;
    NLMM_HD hd{};
    AllocNLMM_HD(1, &hd, counts);
    InitNLMM_HD(1, &hd, counts);
    const SlotRow& row = SlotRowOf(slot);
    void* r = static_cast<char*>(hd.Entry[2 * slot]) + row.ops->size;
    if (row.start != nullptr) {
      StartPlace at{nullptr, c.code, 1, c.m};
      at.element = at.point = 1;
      row.start(at, r);
    }
    c.expect(*row.ops, r);
    FreeNLMM_HD(1, &hd, counts);
  }
  // _NLMM146 and _NLMM304 carry no sampling point of their own: no element starts them.
  for (int code : {MAT_NLMM146, MAT_NLMM304}) {
    const int slot = NlmmSlotOfCode(code);
    seen[static_cast<size_t>(slot)] = true;
    StartPlace at{nullptr, code, 1, &none};
    ASSERT_NE(SlotRowOf(slot).start, nullptr);
    EXPECT_DEATH(SlotRowOf(slot).start(at, nullptr), kInternal) << code;
  }
  for (int k = 0; k < kNlmmSlots; k++) EXPECT_TRUE(seen[static_cast<size_t>(k)]) << "slot " << k;
}
