// History-data table and files: start values, restore and accept, the two modes, the
// file form of every record family, block chaining and the refusal of damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/results.h"
#include "history/history_fixture.h"
#include "model/fileio.h"
#include "support/datafile_writer.h"
#include "support/result_readers.h"
#include "support/testfiles.h"

namespace {

// Material codes whose records this build holds, with their record bytes in the file.
struct Family {
  int code;
  const char* tag;
  long bytes;
};
const Family kFamilies[] = {
    {MAT_NLMM121, "<NLMM121_HD>", 112}, {MAT_NLMM122, "<NLMM122_HD>", 184}, {MAT_NLMM123, "<NLMM123_HD>", 184},
    {MAT_NLMM124, "<NLMM124_HD>", 192}, {MAT_NLMM125, "<NLMM125_HD>", 184}, {MAT_NLMM145, "<NLMM145_HD>", 352},
    {MAT_NLMM146, "<NLMM146_HD>", 424}, {MAT_NLMM171, "<NLMM171_HD>", 648}, {MAT_NLMM172, "<NLMM172_HD>", 424},
    {MAT_NLMM173, "<NLMM173_HD>", 49},  {MAT_NLMM174, "<NLMM174_HD>", 537}, {MAT_NLMM175, "<NLMM175_HD>", 73},
    {MAT_NLMM202, "<NLMM202_HD>", 352},
    // The smeared-crack records.
    {MAT_NLMM101, "<NLMM101_HD>", 400}, {MAT_NLMM102, "<NLMM102_HD>", 576}, {MAT_NLMM104, "<NLMM104_HD>", 835},
    {MAT_NLMM111, "<NLMM111_HD>", 1049}, {MAT_NLMM141, "<NLMM141_HD>", 460}, {MAT_NLMM142, "<NLMM142_HD>", 975},
    {MAT_NLMM151, "<NLMM151_HD>", 1237},
    {MAT_NLMM201, "<NLMM201_HD>", 92},  {MAT_NLMM210, "<NLMM210_HD>", 168}, {MAT_NLMM211, "<NLMM211_HD>", 512},
    {MAT_NLMM220, "<NLMM220_HD>", 184}, {MAT_NLMM298, "<NLMM298_HD>", 42},  {MAT_NLMM299, "<NLMM299_HD>", 40},
    {MAT_NLMM301, "<NLMM301_HD>", 32},  {MAT_NLMM302, "<NLMM302_HD>", 28},  {MAT_NLMM303, "<NLMM303_HD>", 212},
    {MAT_NLMM304, "<NLMM304_HD>", 676}, {MAT_NLMM305, "<NLMM305_HD>", 88},  {MAT_NLMM306, "<NLMM306_HD>", 676},
    {MAT_NLMM320, "<NLMM320_HD>", 92},  {MAT_NLMM401, "<NLMM401_HD>", 24},  {MAT_NLMM451, "<NLMM451_HD>", 32},
    {MAT_NLMM501, "<NLMM501_HD>", 32},  {MAT_FRC_MIXFRACTURE_2D, "<FRC_MIXFRACTURE_2D_HD>", 492},
};

std::string Suffix(int code) {
  char s[kBinStringMax];
  HDFileSuffix(kMaterialKindKeywords[code], s);
  return s;
}

int64_t Int64At(const std::vector<uint8_t>& b, size_t at) {
  uint64_t v = 0;
  for (int k = 7; k >= 0; k--) v = (v << 8) | b.at(at + k);
  return static_cast<int64_t>(v);
}

// Opens the history files of the codes in use (files[1..49]), as the drivers do.
struct HDFiles {
  FILE* f[kMaterialKinds + 1] = {};
  HDFiles(const std::string& job, const int* counts, const char* mode) {
    for (int c = 1; c <= kMaterialKinds; c++)
      if (counts[c] > 0) OpenFile(&f[c], job.c_str(), Suffix(c).c_str(), mode, 'N');
  }
  void Close() {
    for (FILE*& fp : f)
      if (fp != nullptr) {
        CloseFile(fp);
        fp = nullptr;
      }
  }
  ~HDFiles() { Close(); }
};

// Full table of a built model: allocated, initialised and given its start values.
struct HistTable {
  HistModel& h;
  int mode;
  NLMM_HD hd{};
  HistTable(HistModel& model, int m, bool startValues = true) : h(model), mode(m) {
    AllocNLMM_HD(mode, &hd, h.counts);
    InitNLMM_HD(mode, &hd, h.counts);
    if (startValues) SF_NLMM_HD(mode, &h.index, &h.m, h.elemProp.data(), h.elemToHD, &hd, h.counts);
  }
  ~HistTable() { FreeNLMM_HD(mode, &hd, h.counts); }
  NLMM121_HD* Cur121() { return NLMM_HDCurrent<NLMM121_HD>(&hd, NlmmSlotOfCode(MAT_NLMM121)); }
  NLMM121_HD* Conv121() { return NLMM_HDConverged<NLMM121_HD>(&hd, NlmmSlotOfCode(MAT_NLMM121)); }
};

}  // namespace

TEST(HistoryTable, StartValuesOfThePlasticityRecords) {
  HistModel h;
  BuildNumberingModel(h, 31.5);
  {
    HistTable t(h, 2, false);
    for (int r = 1; r <= 10; r++) {
      EXPECT_EQ(t.Cur121()[r].PointStatus, 0);
      EXPECT_EQ(t.Cur121()[r].LoadingState, 0);
    }
  }
  HistTable t(h, 2);
  for (int r = 1; r <= 10; r++) {
    EXPECT_EQ(t.Cur121()[r].PointStatus, 1);
    EXPECT_EQ(t.Cur121()[r].LoadingState, 1);
    EXPECT_EQ(t.Cur121()[r].YieldParam, 31.5);
    for (int j = 1; j <= 3; j++) EXPECT_EQ(t.Cur121()[r].PlasticStrain[j], 0.0);
  }
  const NLMM124_HD* dp = NLMM_HDCurrent<NLMM124_HD>(&t.hd, NlmmSlotOfCode(MAT_NLMM124));
  for (int r = 1; r <= 8; r++) EXPECT_EQ(dp[r].PointStatus * 10 + dp[r].LoadingState, 11);
}

TEST(HistoryTable, Nlmm122KeepsItsInitialValues) {
  HistModel h;
  h.AddElement(h.AddProp(24, MAT_NLMM122, 1, 0));
  h.Build();
  HistTable t(h, 1);
  const NLMM121_HD* a = NLMM_HDCurrent<NLMM121_HD>(&t.hd, NlmmSlotOfCode(MAT_NLMM122));
  ASSERT_EQ(h.counts[MAT_NLMM122], 8);
  for (int r = 1; r <= 8; r++) {
    EXPECT_EQ(a[r].PointStatus, 1);
    EXPECT_EQ(a[r].LoadingState, 1);
    EXPECT_EQ(a[r].YieldParam, 0.0);
    for (int j = 1; j <= 6; j++) EXPECT_EQ(a[r].Strain[j], 0.0);  // six components
  }
}

TEST(HistoryTable, RestoreGivesBackTheConvergedRecordsByteForByte) {
  HistModel h;
  BuildNumberingModel(h);
  HistTable t(h, 1);
  const std::string job = TestJobName();
  {
    HDFiles f(job + "_a", h.counts, "wb");
    WriteNLMM_HD(f.f, &t.hd, h.counts);
  }
  // Trial updates of the current copy only.
  for (int r = 1; r <= 10; r++) {
    t.Cur121()[r].PointStatus = 3;
    t.Cur121()[r].Stress[2] = -7.0 * r;
    t.Cur121()[r].EqPlasticStrain = 1e-3;
  }
  NLMM_HDCurrent<NLMM124_HD>(&t.hd, NlmmSlotOfCode(MAT_NLMM124))[8].Cohesion = 2.5;
  EXPECT_EQ(t.Conv121()[1].PointStatus, 1);  // the copies share no vector
  EXPECT_EQ(t.Conv121()[1].Stress[2], 0.0);
  RestoreNLMM_HD(&t.hd, h.counts);
  {
    HDFiles f(job + "_b", h.counts, "wb");
    WriteNLMM_HD(f.f, &t.hd, h.counts);
  }
  for (int c : {MAT_NLMM121, MAT_NLMM124}) {
    const std::vector<uint8_t> a = resultfile::ReadFileBytes(job + "_a" + Suffix(c)), b = resultfile::ReadFileBytes(job + "_b" + Suffix(c));
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, b) << c;
  }
  // Accept: a new trial state becomes the converged one.
  t.Cur121()[4].YieldStress = 12.0;
  AcceptNLMM_HD(&t.hd, h.counts);
  EXPECT_EQ(t.Conv121()[4].YieldStress, 12.0);
}

// Between the iterations of a step a failed _NLMM501 layer keeps its failure; every other
// record, the bond slip's of the same layout among them, starts again from the converged
// one, and so does every record when a failed step is taken back.
TEST(HistoryTable, FailedLayerKeepsItsFailureThroughTheIterationsOfAStep) {
  int counts[kMaterialKinds + 1] = {};
  counts[MAT_NLMM501] = counts[MAT_NLMM301] = 2;
  NLMM_HD hd{};
  AllocNLMM_HD(1, &hd, counts);
  InitNLMM_HD(1, &hd, counts);
  NLMM301_HD* layer = NLMM_HDCurrent<NLMM301_HD>(&hd, kSlot501);
  NLMM301_HD* bond = NLMM_HDCurrent<NLMM301_HD>(&hd, kSlot301);
  auto trial = [&] {
    layer[1].Value[NLMM301_HD::kFailureIndex501] = 0.25;  // failed at this iterate
    layer[2].Value[NLMM301_HD::kStress501] = 7.0;
    layer[2].Value[NLMM301_HD::kFailureIndex501] = -0.5;  // intact
    bond[1].Value[NLMM301_HD::kStressAtMax301] = 2.0;
  };
  trial();
  RestoreInStepNLMM_HD(&hd, counts);
  EXPECT_EQ(layer[1].Value[NLMM301_HD::kFailureIndex501], 0.25);
  EXPECT_EQ(layer[2].Value[NLMM301_HD::kStress501], 0.0);
  EXPECT_EQ(layer[2].Value[NLMM301_HD::kFailureIndex501], 0.0);
  EXPECT_EQ(bond[1].Value[NLMM301_HD::kStressAtMax301], 0.0);
  trial();
  RestoreNLMM_HD(&hd, counts);
  EXPECT_EQ(layer[1].Value[NLMM301_HD::kFailureIndex501], 0.0);
  // Accepted, the failure is the converged state's.
  trial();
  AcceptNLMM_HD(&hd, counts);
  RestoreNLMM_HD(&hd, counts);
  EXPECT_EQ(layer[1].Value[NLMM301_HD::kFailureIndex501], 0.25);
  FreeNLMM_HD(1, &hd, counts);
}

TEST(HistoryTable, ModeTwoHasTheCurrentCopyOnly) {
  HistModel h;
  BuildNumberingModel(h);
  HistTable t(h, 2);
  for (int k = 0; k < kNlmmSlots; k++) {
    EXPECT_EQ(t.hd.Entry[2 * k + 1], nullptr) << k;
    const bool used = k == NlmmSlotOfCode(MAT_NLMM121) || k == NlmmSlotOfCode(MAT_NLMM124);
    EXPECT_EQ(t.hd.Entry[2 * k] != nullptr, used) << k;
  }
}

TEST(HistoryFiles, BlocksOfFourOwenFigueirasRecordsChainTheirEnds) {
  HistModel h;
  const int c = h.AddConcrete(h.mats121, 30.0);
  h.AddElement(h.AddProp(10, MAT_NLMM121, c, 0));
  h.Build();
  ASSERT_EQ(h.counts[MAT_NLMM121], 4);
  HistTable t(h, 1);
  const std::string job = TestJobName();
  {
    HDFiles f(job, h.counts, "wb");
    WriteTag(kMaterialHDOpenTag, f.f[MAT_NLMM121]);
    for (int b = 0; b < 3; b++) WriteNLMM_HD(f.f, &t.hd, h.counts);
  }
  const std::vector<uint8_t> bytes = resultfile::ReadFileBytes(job + "_NLMM121_HD.bin");
  ASSERT_EQ(bytes.size(), 1469u);  // 50-byte heading, blocks of 8 + 17 + 4 x 112
  EXPECT_EQ(Int64At(bytes, 50), 523);
  EXPECT_EQ(Int64At(bytes, 523), 996);
  EXPECT_EQ(Int64At(bytes, 996), 1469);
  // First record of a block: status 1, three strains, three stresses, loading state 1.
  EXPECT_EQ(bytes[50 + 8 + 17], 1);
  EXPECT_EQ(bytes[50 + 8 + 17 + 4 + 48], 1);
}

TEST(HistoryFiles, RecordBytesOfEveryFamily) {
  int counts[kMaterialKinds + 1] = {};
  for (const Family& f : kFamilies) counts[f.code] = 2;
  NLMM_HD hd{};
  AllocNLMM_HD(1, &hd, counts);
  InitNLMM_HD(1, &hd, counts);
  const std::string job = TestJobName();
  {
    HDFiles files(job, counts, "wb");
    WriteNLMM_HD(files.f, &hd, counts);
  }
  for (const Family& f : kFamilies) {
    const std::vector<uint8_t> b = resultfile::ReadFileBytes(job + Suffix(f.code));
    const size_t tagBytes = 4 + std::strlen(f.tag) + 1;
    EXPECT_EQ(b.size(), 8 + tagBytes + 2 * f.bytes) << f.tag;
    EXPECT_EQ(Int64At(b, 0), static_cast<int64_t>(b.size())) << f.tag;
    EXPECT_EQ(NLMM_HDRecordBytes(NlmmSlotOfCode(f.code)), f.bytes);
  }
  FreeNLMM_HD(1, &hd, counts);
}

// Record images of distinct 4-byte words (each a finite double with its neighbour) are
// read into the table and written back: every field lands in a place of its own.
TEST(HistoryFiles, DistinctFieldValuesComeBackEachInItsOwnField) {
  int counts[kMaterialKinds + 1] = {};
  for (const Family& f : kFamilies) counts[f.code] = 3;
  const std::string job = TestJobName();
  std::vector<std::vector<uint8_t>> images;
  {
    HDFiles files(job + "_in", counts, "wb");
    for (const Family& f : kFamilies) {
      std::vector<uint8_t> img;
      for (int w = 0; static_cast<long>(img.size()) < 3 * f.bytes; w++) {
        const uint8_t b[4] = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(f.code), 0x40};
        img.insert(img.end(), b, b + 4);
      }
      // Three records of f.bytes each (the flag records end off the word grid).
      img.resize(3 * f.bytes);
      FILE* fp = files.f[f.code];
      WriteTag(kMaterialHDOpenTag, fp);
      const int64_t end = 50 + 8 + 4 + static_cast<int64_t>(std::strlen(f.tag)) + 1 + 3 * f.bytes;
      for (int k = 0; k < 8; k++) WriteByte(fp, static_cast<char>(end >> (8 * k)));
      WriteTag(f.tag, fp);
      for (uint8_t x : img) WriteByte(fp, static_cast<char>(x));
      images.push_back(img);
    }
  }
  NLMM_HD hd{};
  {
    HDFiles in(job + "_in", counts, "rb");
    for (const Family& f : kFamilies) ReadTag(kMaterialHDOpenTag, in.f[f.code], Suffix(f.code).c_str());
    ReadNLMM_HD(in.f, 1, &hd, counts);
  }
  // The table keeps the mode it was read in, for the element routines.
  EXPECT_EQ(hd.PathBehavior, 1);
  // The read made the converged copy equal to the current one: restoring from it changes
  // nothing, and the current state is written back.
  RestoreNLMM_HD(&hd, counts);
  {
    HDFiles out(job + "_out", counts, "wb");
    WriteNLMM_HD(out.f, &hd, counts);
  }
  size_t i = 0;
  for (const Family& f : kFamilies) {
    const std::vector<uint8_t> b = resultfile::ReadFileBytes(job + "_out" + Suffix(f.code));
    const size_t head = 8 + 4 + std::strlen(f.tag) + 1;
    ASSERT_EQ(b.size(), head + images[i].size()) << f.tag;
    EXPECT_TRUE(std::equal(images[i].begin(), images[i].end(), b.begin() + head)) << f.tag;
    i++;
  }
  // The temperature-dependent record in its named fields, in file order.
  const NLMM175_HD* t = NLMM_HDCurrent<NLMM175_HD>(&hd, NlmmSlotOfCode(MAT_NLMM175));
  const double* fields[] = {&t[2].Time,         &t[2].Temperature,     &t[2].UnitWeight,
                            &t[2].PoissonRatio, &t[2].ThermalExpansion, &t[2].YoungModulus,
                            &t[2].TensileStrength, &t[2].CompressiveStrength, &t[2].FractureEnergy};
  const std::vector<uint8_t>& img = images[11];
  for (int k = 0; k < 9; k++) {
    double expected;
    std::memcpy(&expected, img.data() + 73 + 8 * k, 8);
    EXPECT_EQ(*fields[k], expected) << k;
  }
  EXPECT_EQ(static_cast<uint8_t>(t[2].FirstCallFlag), img[73 + 72]);
  // A plane crack record: the crack angles are column 1 of CrAngle, column 2 (not in the
  // file) reads as 0; the last byte is PointByteC, the crack count follows the stresses.
  const NLMM104_HD* c = NLMM_HDCurrent<NLMM104_HD>(&hd, NlmmSlotOfCode(MAT_NLMM104));
  const std::vector<uint8_t>& ci = images[15];
  int32_t n;
  std::memcpy(&n, ci.data() + 835 + 52, 4);
  EXPECT_EQ(c[2].Cr.nCr, n);
  for (int i = 1; i <= 4; i++) {
    double a;
    std::memcpy(&a, ci.data() + 835 + 64 + 16 + 16 + 32 + 8 * (i - 1), 8);
    EXPECT_EQ(c[2].Cr.CrAngle[i][1], a);
    EXPECT_EQ(c[2].Cr.CrAngle[i][2], 0.0);
  }
  EXPECT_EQ(static_cast<uint8_t>(c[2].Cr.PointByteC), ci[2 * 835 - 1]);
  FreeNLMM_HD(1, &hd, counts);
}

TEST(HistoryFilesDeath, WrongTagAndShortFileNameTheModelFile) {
  HistModel h;
  const int c = h.AddConcrete(h.mats121, 30.0);
  h.AddElement(h.AddProp(10, MAT_NLMM121, c, 0));
  h.Build();
  HistTable t(h, 2);
  const std::string job = TestJobName();
  {
    HDFiles f(job, h.counts, "wb");
    WriteNLMM_HD(f.f, &t.hd, h.counts);
  }
  std::vector<uint8_t> b = resultfile::ReadFileBytes(job + "_NLMM121_HD.bin");
  auto readBack = [&](const std::vector<uint8_t>& bytes) {
    testmodel::WriteBytes(job + "_NLMM121_HD.bin", bytes);
    HDFiles f(job, h.counts, "rb");
    NLMM_HD hd{};
    ReadNLMM_HD(f.f, 2, &hd, h.counts);
  };
  std::vector<uint8_t> wrongTag = b;
  wrongTag[8 + 4 + 5] = '9';  // "<NLMM921_HD>"
  EXPECT_EXIT(readBack(wrongTag), testing::ExitedWithCode(1), InvalidFileRegex(job + "_NLMM121_HD.bin"));
  std::vector<uint8_t> shortFile(b.begin(), b.end() - 1);
  EXPECT_EXIT(readBack(shortFile), testing::ExitedWithCode(1), InvalidFileRegex(job + "_NLMM121_HD.bin"));
}

TEST(HistoryTableDeath, ModelsWithoutRecordsInThisBuildAreRefused) {
  int counts[kMaterialKinds + 1] = {};
  int springs[kSpringMaterialKinds + 1] = {};
  CheckHistoryModelsBuilt(counts, springs);
  for (int code : {MAT_NLMM105}) {
    counts[code] = 1;
    EXPECT_DEATH(CheckHistoryModelsBuilt(counts, springs), kInternal) << code;
    counts[code] = 0;
  }
  springs[SPRMAT_NLSMM101] = springs[SPRMAT_NLSMM103] = 1;
  CheckHistoryModelsBuilt(counts, springs);
  springs[SPRMAT_LIN_SPRING] = 1;  // the linear spring keeps no record
  EXPECT_DEATH(CheckHistoryModelsBuilt(counts, springs), kInternal);
}

TEST(HistoryTableDeath, Nlmm146HasNoStartValues) {
  HistModel h;
  h.AddElement(h.AddProp(10, MAT_NLMM146, 1, 0));
  h.Build();
  EXPECT_DEATH(HistTable(h, 2), kInternal);
}

TEST(HistoryTable, StartValuesOfThePatternComponents) {
  HistModel h;
  MaterialPattern mp{};
  int32_t kinds[4] = {0, MAT_NLMM175, MAT_LIN_ISO, MAT_NLMM174};
  int32_t numbers[4] = {0, 1, 1, 1};
  mp.nComponents = 3;
  mp.Kind = kinds;
  mp.Number = numbers;
  MaterialPattern patterns[2] = {MaterialPattern{}, mp};
  h.AddElement(h.AddProp(24, MAT_NLMM_PATT, 1, 0));
  h.Wire();
  h.m.nNlmmPatterns = 1;
  h.m.NlmmPatterns = patterns;
  h.Build();
  {
    HistTable t(h, 1, false);
    EXPECT_EQ(NLMM_HDCurrent<NLMM174_HD>(&t.hd, NlmmSlotOfCode(MAT_NLMM174))[3].FirstStepFlag, 0);
  }
  HistTable t(h, 1);
  for (int r = 1; r <= 8; r++) {
    // The first-step flags are set in both copies: the start state is the converged one.
    EXPECT_EQ(NLMM_HDCurrent<NLMM174_HD>(&t.hd, NlmmSlotOfCode(MAT_NLMM174))[r].FirstStepFlag, 1);
    EXPECT_EQ(NLMM_HDConverged<NLMM174_HD>(&t.hd, NlmmSlotOfCode(MAT_NLMM174))[r].FirstStepFlag, 1);
    EXPECT_EQ(NLMM_HDCurrent<NLMM175_HD>(&t.hd, NlmmSlotOfCode(MAT_NLMM175))[r].FirstCallFlag, 1);
    EXPECT_EQ(NLMM_HDConverged<NLMM175_HD>(&t.hd, NlmmSlotOfCode(MAT_NLMM175))[r].Temperature, 0.0);
  }
}
