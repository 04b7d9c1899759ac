// Spring history table: accept and restore between the two copies, the file blocks with
// their 32-bit end offsets read back into both copies, a wrong tag, and a file that
// would outgrow its offsets.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "history/history.h"
#include "model/material.h"
#include "model/fileio.h"
#include "support/datafile_writer.h"
#include "support/result_readers.h"
#include "support/testfiles.h"

namespace {

// Counts of a table with two _NLSMM101 records and one _NLSMM103 record.
struct SpringCounts {
  int c[kSpringMaterialKinds + 1] = {0, 0, 2, 0, 1};
};

std::string Suffix(int kind) {
  char s[kBinStringMax];
  HDFileSuffix(kSpringMaterialKindKeywords[kind], s);
  return s;
}

// Files of the kinds in use.
struct SpringFiles {
  FILE* f[kSpringMaterialKinds + 1] = {};
  SpringFiles(const std::string& job, const int* counts, const char* mode) {
    for (int c = 1; c <= kSpringMaterialKinds; c++)
      if (counts[c] > 0) OpenFile(&f[c], job.c_str(), Suffix(c).c_str(), mode, 'N');
  }
  ~SpringFiles() {
    for (FILE* fp : f)
      if (fp != nullptr) CloseFile(fp);
  }
};

// A table of the counts, every record at its initial values.
NLSMM_HD NewTable(int mode, const int* counts) {
  NLSMM_HD hd{};
  AllocNLSMM_HD(mode, &hd, counts);
  InitNLSMM_HD(mode, &hd, counts);
  return hd;
}

void Fill(NLSMM_HD* hd, double base) {
  for (int kind : {SPRMAT_NLSMM101, SPRMAT_NLSMM103}) {
    NLSMM_HDRecord* a = NLSMM_HDCurrent(hd, kind);
    for (int r = 1; r <= (kind == SPRMAT_NLSMM101 ? 2 : 1); r++) {
      a[r].InUse = r + kind;
      for (int v = 1; v <= 3; v++) a[r].Value[v] = base + 10 * kind + r + 0.1 * v;
    }
  }
}

}  // namespace

// Restoring brings back the accepted state; accepting keeps the current one.
TEST(SpringHistoryTable, AcceptAndRestore) {
  SpringCounts n;
  NLSMM_HD hd = NewTable(1, n.c);
  Fill(&hd, 1.0);
  AcceptNLSMM_HD(&hd, n.c);
  Fill(&hd, 2.0);
  RestoreNLSMM_HD(&hd, n.c);
  EXPECT_EQ(NLSMM_HDCurrent(&hd, SPRMAT_NLSMM101)[2].Value[3], 1.0 + 20 + 2 + 0.3);
  EXPECT_EQ(NLSMM_HDCurrent(&hd, SPRMAT_NLSMM103)[1].InUse, 5);
  EXPECT_EQ(NLSMM_HDCurrent(&hd, SPRMAT_NLSMM102), nullptr);
  FreeNLSMM_HD(1, &hd, n.c);
}

// Two blocks per file: each block opens with the int32 offset of the next, then the tag,
// then per record the state and three reals (28 bytes). The second block reads back into
// both copies.
TEST(SpringHistoryFiles, BlocksRoundTrip) {
  SpringCounts n;
  const std::string job = TestJobName();
  NLSMM_HD hd = NewTable(2, n.c);
  {
    SpringFiles f(job, n.c, "wb");
    Fill(&hd, 1.0);
    WriteNLSMM_HD(f.f, &hd, n.c);
    Fill(&hd, 2.0);
    WriteNLSMM_HD(f.f, &hd, n.c);
  }
  FreeNLSMM_HD(2, &hd, n.c);
  const std::vector<uint8_t> b = resultfile::ReadFileBytes(job + "_NLSMM101_HD.bin");
  const size_t block = 4 + 4 + std::strlen("<NLSMM101_HD>") + 1 + 2 * 28;
  ASSERT_EQ(b.size(), 2 * block);
  int32_t end1, end2;
  std::memcpy(&end1, b.data(), 4);
  std::memcpy(&end2, b.data() + block, 4);
  EXPECT_EQ(end1, static_cast<int32_t>(block));
  EXPECT_EQ(end2, static_cast<int32_t>(2 * block));

  SpringFiles f(job, n.c, "rb");
  for (int c : {SPRMAT_NLSMM101, SPRMAT_NLSMM103}) SeekFile(f.f[c], ReadInt32(f.f[c]));
  ReadNLSMM_HD(f.f, 1, &hd, n.c);
  NLSMM_HD expected{};
  AllocNLSMM_HD(2, &expected, n.c);
  Fill(&expected, 2.0);
  // The converged copy holds what was read: scribble over the current one and restore.
  Fill(&hd, 9.0);
  RestoreNLSMM_HD(&hd, n.c);
  for (int kind : {SPRMAT_NLSMM101, SPRMAT_NLSMM103}) {
    for (int r = 1; r <= n.c[kind]; r++) {
      const NLSMM_HDRecord& got = NLSMM_HDCurrent(&hd, kind)[r];
      const NLSMM_HDRecord& want = NLSMM_HDCurrent(&expected, kind)[r];
      EXPECT_EQ(got.InUse, want.InUse);
      for (int v = 1; v <= 3; v++) EXPECT_EQ(got.Value[v], want.Value[v]) << kind << " " << r << " " << v;
    }
  }
  FreeNLSMM_HD(2, &expected, n.c);
  FreeNLSMM_HD(1, &hd, n.c);
}

TEST(SpringHistoryFilesDeath, WrongTagNamesTheFile) {
  SpringCounts n;
  n.c[SPRMAT_NLSMM103] = 0;
  const std::string job = TestJobName();
  NLSMM_HD hd = NewTable(2, n.c);
  {
    SpringFiles f(job, n.c, "wb");
    WriteNLSMM_HD(f.f, &hd, n.c);
  }
  FreeNLSMM_HD(2, &hd, n.c);
  std::vector<uint8_t> b = resultfile::ReadFileBytes(job + "_NLSMM101_HD.bin");
  b[4 + 4 + 7] = '2';  // "<NLSMM102_HD>"
  testmodel::WriteBytes(job + "_NLSMM101_HD.bin", b);
  EXPECT_EXIT(
      {
        SpringFiles f(job, n.c, "rb");
        NLSMM_HD r{};
        ReadNLSMM_HD(f.f, 2, &r, n.c);
      },
      testing::ExitedWithCode(1), InvalidFileRegex(job + "_NLSMM101_HD.bin"));
}

// A block that would end past 2^31 - 1 bytes cannot record its offset: the run stops
// before writing it.
TEST(SpringHistoryFilesDeath, FileBeyondItsOffsetsStops) {
  SpringCounts n;
  const std::string job = TestJobName();
  NLSMM_HD hd = NewTable(2, n.c);
  EXPECT_EXIT(
      {
        SpringFiles f(job, n.c, "wb");
        SeekFile(f.f[SPRMAT_NLSMM101], INT32_MAX - 60);
        WriteNLSMM_HD(f.f, &hd, n.c);
      },
      testing::ExitedWithCode(1),
      "   -> File: _NLSMM101_HD\\.bin\n\nERROR:\nThe spring history file would exceed 2147483647 bytes");
  FreeNLSMM_HD(2, &hd, n.c);
}
