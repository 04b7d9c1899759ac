// Completeness of the record copies: for every record family of the history table and of
// the nonlinear springs, a record whose every byte of the file form is set (through the
// family's own read) is copied into a record holding other values, and the file form of
// the copy must equal that of the source. A field that a hand-written copy forgets keeps
// the destination's bytes and shows in the comparison; the test knows no struct but the
// two whose copy keeps fields by design.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "history/records.h"
#include "materials/history_data.h"
#include "model/material.h"

namespace {

using Bytes = std::vector<unsigned char>;

// File image number `seed`: bytes 1..110 from a hash of the position, so that no double
// is infinite or NaN (its top byte stays below 0x7F) and no two nearby fields agree. Image
// 1 differs from image 0 in every byte.
Bytes Image(long n, int seed) {
  Bytes b(static_cast<size_t>(n));
  for (long i = 0; i < n; i++) {
    const unsigned long h = (static_cast<unsigned long>(i) * 2654435761UL) >> 7;
    const int v = static_cast<int>(h % 110);
    b[static_cast<size_t>(i)] = static_cast<unsigned char>(1 + (v + seed) % 110);
  }
  return b;
}

// A record of the family in its own storage, its vectors owned through init / release.
struct Rec {
  const RecordOps& ops;
  std::vector<unsigned char> mem;
  explicit Rec(const RecordOps& o) : ops(o), mem(o.size) { ops.init(mem.data()); }
  ~Rec() { ops.release(mem.data()); }
  Rec(const Rec&) = delete;
  Rec& operator=(const Rec&) = delete;
  void* p() { return mem.data(); }
  void Read(Bytes b) {
    FILE* fp = fmemopen(b.data(), b.size(), "rb");
    ASSERT_NE(fp, nullptr);
    ops.read(fp, p());
    fclose(fp);
  }
  Bytes Write() const {
    char* buf = nullptr;
    size_t len = 0;
    FILE* fp = open_memstream(&buf, &len);
    if (fp == nullptr) return {};
    ops.write(fp, mem.data());
    fclose(fp);
    Bytes out(buf, buf + len);
    free(buf);
    return out;
  }
};

struct Family {
  std::string name;
  const RecordOps* ops;
  int slot;  // table slot, or -kind for a spring family
};

std::vector<Family> AllFamilies() {
  std::vector<Family> f;
  for (int s = 0; s < kNlmmSlots; s++)
    if (const RecordOps* o = RecordOpsOfSlot(s)) f.push_back({"slot " + std::to_string(s), o, s});
  for (int k = SPRMAT_NLSMM101; k <= SPRMAT_NLSMM103; k++)
    f.push_back({"spring kind " + std::to_string(k), SpringRecordOps(k), -k});
  return f;
}

// The fields a copy keeps by design take the destination's value in the expected record.
void KeptByDesign(const Family& f, void* expected, const void* dst) {
  if (f.slot == 0) {  // _FRC_MIXFRACTURE_2D: E4..E6 and K stay with the destination
    auto& e = *static_cast<FRC_MIXFRACTURE_2D_HD*>(expected);
    const auto& d = *static_cast<const FRC_MIXFRACTURE_2D_HD*>(dst);
    for (int j = 4; j <= 6; j++)
      for (int i = 1; i <= 8; i++) e.E[j][i] = d.E[j][i];
    e.K = d.K;
  } else if (f.slot == 30 || f.slot == 32) {  // _NLMM304 / _NLMM306: R5 stays
    static_cast<NLMM304_HD*>(expected)->R5 = static_cast<const NLMM304_HD*>(dst)->R5;
  }
}

void CheckFamily(const Family& f) {
  SCOPED_TRACE(f.name + " " + f.ops->tag);
  const Bytes a = Image(f.ops->fileBytes, 0), b = Image(f.ops->fileBytes, 1);

  Rec src(*f.ops), dst(*f.ops), expected(*f.ops);
  src.Read(a);
  dst.Read(b);
  expected.Read(a);
  // The file form reads and writes every byte it holds, and only those.
  ASSERT_EQ(src.Write(), a) << "the file form does not round-trip";
  ASSERT_EQ(dst.Write(), b);

  f.ops->copy(dst.p(), src.p());
  KeptByDesign(f, expected.p(), dst.p());
  const Bytes copied = dst.Write(), want = expected.Write();
  ASSERT_EQ(copied.size(), want.size());
  for (size_t i = 0; i < want.size(); i++)
    ASSERT_EQ(copied[i], want[i]) << "byte " << i << " of the file form not copied";

  // A copy into a fresh record (initial values only) gives the same bytes.
  Rec fresh(*f.ops), expectedFresh(*f.ops);
  f.ops->copy(fresh.p(), src.p());
  expectedFresh.Read(a);
  KeptByDesign(f, expectedFresh.p(), fresh.p());
  EXPECT_EQ(fresh.Write(), expectedFresh.Write());
}

TEST(RecordCopy, EveryFamilyCopiesEveryFieldOfItsFileForm) {
  const std::vector<Family> families = AllFamilies();
  // Every slot of the table holds records in this build, and three spring kinds.
  EXPECT_EQ(families.size(), static_cast<size_t>(kNlmmSlots + 3));
  for (const Family& f : families) {
    ASSERT_NE(f.ops, nullptr) << f.name;
    CheckFamily(f);
  }
}

}  // namespace
