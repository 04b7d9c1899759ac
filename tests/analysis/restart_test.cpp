// Restart of a nonlinear run: result and history files made by the writers for three
// converged combinations, the state of combination 2 read back, the files positioned
// just after it, and the refusals of restart points outside the run.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "analysis/restart.h"
#include "analysis/results.h"
#include "history/history.h"
#include "history/history_fixture.h"
#include "model/fileio.h"
#include "support/datafile_writer.h"
#include "support/result_readers.h"
#include "support/testfiles.h"

namespace {

constexpr int nF = 3, nP = 2, nPoints = 2;

// Distinct values of combination c, vector v, entry i.
double Val(int c, int v, int i) { return c * 1000.0 + v * 10.0 + i + 0.125 * c; }

std::vector<double> Vec(int c, int v, int n) {
  std::vector<double> x(n + 1, 0.0);
  for (int i = 1; i <= n; i++) x[i] = Val(c, v, i);
  return x;
}

// A model with one _NLMM121 quad (4 records) and the files of three converged
// combinations written by the drivers' writers, closed as a run closes them.
struct RestartRun {
  HistModel h;
  std::string job = TestJobName();
  std::vector<uint8_t> block2;  // history block of combination 2

  explicit RestartRun(char arcLength = 0, int nCombinations = 3, double loadFactor = 1.0) {
    const int c121 = h.AddConcrete(h.mats121, 30.0);
    h.AddElement(h.AddProp(10, MAT_NLMM121, c121, 0));
    h.Wire();
    h.m.Main.nCombinations = nCombinations;
    h.m.Main.ArcLength = arcLength;
    h.m.ArcLength.LoadFactor = loadFactor;
    NonlinearWorkArrays w;
    InitializeNonlinearAnalysis(0, nPoints, nF, nP, 0, job.c_str(), &h.m, h.elemProp.data(), &w);
    FILE *dr, *ep, *fi, **hd, **shd;
    OpenResultFiles_NL(&dr, &ep, &fi, &hd, &shd, 0, nF, nP, 0, w.NLMM_HD_Count, w.NLSMM_HD_Count, job.c_str());
    NLMM121_HD* a = NLMM_HDCurrent<NLMM121_HD>(&w.Table, NlmmSlotOfCode(MAT_NLMM121));
    IterSummaryRecord it;
    StepSummaryRecord st;
    ResetIterSummaryRecord(&it);
    ResetStepSummaryRecord(&st);
    for (int c = 1; c <= 3; c++) {
      long pos;
      WriteCombinationHeader(ep, &pos);
      for (int i = 1; i <= c; i++) {  // c iterations
        WriteSummaryRecord(ep, &it);
        WriteSummaryRecord(ep, &st);
      }
      for (int k = 1; k <= 4; k++) {
        a[k].PointStatus = c;
        a[k].Stress[1 + k % 3] = Val(c, 8, k);
        a[k].EqPlasticStrain = Val(c, 9, k);
      }
      std::vector<double> eF = Vec(c, 4, nF), eP = Vec(c, 5, nP);
      FillEquilibriumPathRecord(nF, nP, c, Val(c, 6, 1), 2.0, Val(c, 6, 2), Val(c, 6, 3), Val(c, 6, 4), &w.EP,
                                eF.data(), eP.data());
      WriteDisplReact(dr, c, nF, nP, Vec(c, 1, nF).data(), Vec(c, 2, nP).data(), Vec(c, 3, nP).data());
      WriteEquilibriumPathRecord(ep, nF, nP, &w.EP);
      PatchCombinationHeader(ep, c, c, pos);
      WriteNLMM_HD(hd, &w.Table, w.NLMM_HD_Count);
      WriteInternalForces(fi, nF, nP, c, Vec(c, 7, nF).data(), Vec(c, 8, nP).data());
      WriteRestartRecord(c, job.c_str(), dr, ep, fi, hd, shd, &w);
      WriteLastConvergedCombination(c, job.c_str());
    }
    CloseResultFiles_NL(dr, ep, fi, hd, shd, w.NLMM_HD_Count, w.NLSMM_HD_Count);
    FreeNonlinearWorkArrays(&w);
    if (arcLength == 1) WriteArcLengthDeltaF(nF, nP, job.c_str(), Vec(9, 1, nF).data(), Vec(9, 2, nP).data());
  }
};

int64_t Pos(FILE* fp) { return std::ftell(fp); }

}  // namespace

TEST(Restart, StateOfCombinationTwoComesBackBitForBit) {
  RestartRun run;
  NonlinearWorkArrays w;
  InitializeNonlinearAnalysis(2, nPoints, nF, nP, 0, run.job.c_str(), &run.h.m, run.h.elemProp.data(), &w);
  for (int i = 1; i <= nF; i++) {
    EXPECT_EQ(w.aF[i], Val(2, 1, i));
    EXPECT_EQ(w.extF[i], Val(2, 4, i));
    EXPECT_EQ(w.EP.extF[i], Val(2, 4, i));
    EXPECT_EQ(w.fIntF[i], Val(2, 7, i));
    EXPECT_EQ(w.rF[i], Val(2, 4, i) - Val(2, 7, i));  // F - I, not F + I
    EXPECT_EQ(w.dFref[i], 0.0);
  }
  for (int i = 1; i <= nP; i++) {
    EXPECT_EQ(w.aP[i], Val(2, 2, i));
    EXPECT_EQ(w.R[i], Val(2, 3, i));
    EXPECT_EQ(w.extP[i], Val(2, 5, i));
    EXPECT_EQ(w.fIntP[i], Val(2, 8, i));
    EXPECT_EQ(w.rP[i], (Val(2, 5, i) + Val(2, 3, i)) - Val(2, 8, i));
  }
  EXPECT_EQ(w.EP.n, 2);
  EXPECT_EQ(w.EP.d1, Val(2, 6, 1) / 2.0);
  EXPECT_EQ(w.EP.d2, Val(2, 6, 2));
  EXPECT_EQ(w.EP.d3, Val(2, 6, 3));
  EXPECT_EQ(w.EP.d4, Val(2, 6, 4));
  const int slot = NlmmSlotOfCode(MAT_NLMM121);
  const NLMM121_HD* cur = NLMM_HDCurrent<NLMM121_HD>(&w.Table, slot);
  const NLMM121_HD* conv = NLMM_HDConverged<NLMM121_HD>(&w.Table, slot);
  ASSERT_EQ(w.NLMM_HD_Count[MAT_NLMM121], 4);
  for (int k = 1; k <= 4; k++) {
    EXPECT_EQ(cur[k].PointStatus, 2);
    EXPECT_EQ(cur[k].Stress[1 + k % 3], Val(2, 8, k));
    EXPECT_EQ(cur[k].EqPlasticStrain, Val(2, 9, k));
    EXPECT_EQ(cur[k].YieldParam, 30.0);  // read back, not set again
    EXPECT_EQ(conv[k].PointStatus, cur[k].PointStatus);
    EXPECT_EQ(conv[k].EqPlasticStrain, cur[k].EqPlasticStrain);
    for (int j = 1; j <= 3; j++) EXPECT_EQ(conv[k].Stress[j], cur[k].Stress[j]);
    EXPECT_NE(conv[k].Stress, cur[k].Stress);
  }
  const std::vector<uint8_t> lcc = resultfile::ReadFileBytes(run.job + "_lcc.aux");
  EXPECT_EQ(std::string(lcc.begin(), lcc.end()), "LAST_CONVERGED_COMBINATION = 2 ;\n");

  // The result files are left just after combination 2.
  FILE *dr, *ep, *fi, **hd, **shd;
  OpenResultFiles_NL(&dr, &ep, &fi, &hd, &shd, 2, nF, nP, 0, w.NLMM_HD_Count, w.NLSMM_HD_Count, run.job.c_str());
  const int64_t R = 4 + 8 * (nF + 2 * nP);
  EXPECT_EQ(Pos(dr), 34 + 2 * R);
  EXPECT_EQ(Pos(fi), 39 + 2 * (4 + 8 * (nF + nP)));
  EXPECT_EQ(Pos(hd[MAT_NLMM121]), 50 + 2 * 473);
  // _ep.bin: the header of the third entry follows, naming combination 3.
  const int64_t ep3 = Pos(ep);
  EXPECT_EQ(ep3, 27 + (12 + 64 * 1 + 36 + 8 * (nF + nP)) + (12 + 64 * 2 + 36 + 8 * (nF + nP)));
  ReadInt32(ep);
  EXPECT_EQ(ReadInt32(ep), 3);
  CloseFile(dr);
  CloseFile(ep);
  CloseFile(fi);
  CloseNLMM_HDFiles(hd);
  CloseNLSMM_HDFiles(shd);
  FreeNonlinearWorkArrays(&w);
}

TEST(Restart, ArcLengthReferenceLoadOnlyWhenTheArcLengthPhaseHadBegun) {
  {
    // Arc length off: no _al.bin is looked for, whatever the combination count.
    RestartRun run(0, 2);
    NonlinearWorkArrays w;
    InitializeNonlinearAnalysis(3, nPoints, nF, nP, 0, run.job.c_str(), &run.h.m, run.h.elemProp.data(), &w);
    for (int i = 1; i <= nF; i++) EXPECT_EQ(w.dFref[i], 0.0);
    FreeNonlinearWorkArrays(&w);
  }
  RestartRun run(1, 2, 0.5);
  NonlinearWorkArrays w;
  InitializeNonlinearAnalysis(2, nPoints, nF, nP, 0, run.job.c_str(), &run.h.m, run.h.elemProp.data(), &w);
  for (int i = 1; i <= nF; i++) EXPECT_EQ(w.dFref[i], Val(9, 1, i) * 0.5);
  for (int i = 1; i <= nP; i++) EXPECT_EQ(w.dPref[i], Val(9, 2, i) * 0.5);
  FreeNonlinearWorkArrays(&w);
}

TEST(RestartDeath, RestartPointsOutsideTheRun) {
  RestartRun run;
  {
    NonlinearWorkArrays w;
    InitializeNonlinearAnalysis(3, nPoints, nF, nP, 0, run.job.c_str(), &run.h.m, run.h.elemProp.data(), &w);
    EXPECT_EQ(NLMM_HDCurrent<NLMM121_HD>(&w.Table, NlmmSlotOfCode(MAT_NLMM121))[1].PointStatus, 3);
    FreeNonlinearWorkArrays(&w);
  }
  auto restart = [&](int r) {
    NonlinearWorkArrays w;
    InitializeNonlinearAnalysis(r, nPoints, nF, nP, 0, run.job.c_str(), &run.h.m, run.h.elemProp.data(), &w);
  };
  EXPECT_EXIT(restart(4), testing::ExitedWithCode(1),
              "Restarting problem:\n   -> N. of combinations before restart = 4\n"
              "   -> Last converged combination = 3\n.*cannot exceed\nthe last converged combination.");
  EXPECT_EXIT(restart(-1), testing::ExitedWithCode(1),
              "Restarting problem:\n   -> N. of combinations before restart = -1\n"
              "   -> Last converged combination = 3\n.*cannot be negative");
}

TEST(RestartDeath, DamagedHistoryBlockTagNamesItsFile) {
  RestartRun run;
  const std::string path = run.job + "_NLMM121_HD.bin";
  FILE* fp = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(fp, nullptr);
  std::fseek(fp, 50 + 473 + 8 + 4 + 1, SEEK_SET);  // tag of block 2
  std::fputc('X', fp);
  std::fclose(fp);
  auto restart = [&](int r) {
    NonlinearWorkArrays w;
    InitializeNonlinearAnalysis(r, nPoints, nF, nP, 0, run.job.c_str(), &run.h.m, run.h.elemProp.data(), &w);
    FreeNonlinearWorkArrays(&w);
  };
  // The skip follows the block ends and never reads a skipped tag, but the bytes of block
  // 2 fail their checksum all the same.
  EXPECT_EXIT(restart(3), testing::ExitedWithCode(1),
              "-> File: [^\n]*_NLMM121_HD.bin\n   -> Its bytes of combination 2 fail their checksum.\n.*" +
                  InvalidFileRegex(run.job + "_NLMM121_HD.bin"));
  EXPECT_EXIT(restart(2), testing::ExitedWithCode(1), InvalidFileRegex(run.job + "_NLMM121_HD.bin"));
  restart(1);
}

// Any byte of the files up to the restart point that differs from what the run wrote is
// refused, naming the file, also where every structural check passes: a value inside a
// record, a history value, the restart state itself. Bytes after the restart point are
// not read and do not matter.
TEST(RestartDeath, FlippedBytesUpToTheRestartPointAreRefusedNamingTheFile) {
  RestartRun run;
  auto restart = [&](int r) {
    NonlinearWorkArrays w;
    InitializeNonlinearAnalysis(r, nPoints, nF, nP, 0, run.job.c_str(), &run.h.m, run.h.elemProp.data(), &w);
    FreeNonlinearWorkArrays(&w);
  };
  const long R = 4 + 8 * (nF + 2 * nP), Q = 4 + 8 * (nF + nP);
  const long entry1 = 27 + 12 + 64 + 36 + 8 * (nF + nP);
  struct Case {
    const char* suffix;
    long at;
    int combination;  // whose bytes hold it
  };
  const Case cases[] = {
      {"_dr.bin", 34 + 4 + 8, 1},                // a displacement of combination 1
      {"_dr.bin", 34 + R + 4 + 8 * nF + 3, 2},   // a prescribed displacement of combination 2
      {"_if.bin", 39 + Q + 4 + 1, 2},            // an internal force
      {"_ep.bin", entry1 + 12 + 128 + 4 + 2, 2},  // the path record's d1 (two iterations)
      {"_ep.bin", 27 + 12 + 5, 1},               // a summary record
      {"_NLMM121_HD.bin", 50 + 473 + 100, 2},    // a history value of block 2
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.suffix) + " " + std::to_string(c.at));
    const std::string path = run.job + c.suffix;
    const std::vector<uint8_t> good = resultfile::ReadFileBytes(path);
    std::vector<uint8_t> bad = good;
    bad.at(static_cast<size_t>(c.at)) ^= 0x01;
    testmodel::WriteBytes(path, bad);
    const std::string named = "-> File: [^\n]*" + std::string(c.suffix) + "\n   -> Its bytes of combination " +
                              std::to_string(c.combination) + " fail their checksum.\n.*" + InvalidFileRegex(path);
    EXPECT_EXIT(restart(2), testing::ExitedWithCode(1), named);
    if (c.combination == 2) {
      restart(1);
      WriteLastConvergedCombination(3, run.job.c_str());
    }
    testmodel::WriteBytes(path, good);
  }
  // The restart state: its header and its records carry their own checksums.
  const std::string rs = run.job + "_rs.bin";
  const std::vector<uint8_t> good = resultfile::ReadFileBytes(rs);
  for (size_t at : {size_t{20}, good.size() - 10}) {
    std::vector<uint8_t> bad = good;
    bad.at(at) ^= 0x10;
    testmodel::WriteBytes(rs, bad);
    EXPECT_EXIT(restart(3), testing::ExitedWithCode(1), "-> File: [^\n]*_rs.bin\n.*" + InvalidFileRegex(rs));
  }
  testmodel::WriteBytes(rs, good);
  restart(3);
  // A model block that differs from the earlier run's is named.
  run.h.m.BlockCrc[MB_ELEMENT_PROPERTIES] ^= 1u;
  EXPECT_EXIT(restart(2), testing::ExitedWithCode(1),
              "Restarting problem:\n   -> Block: <ELEMENT_PROPERTIES>\n\nERROR:\nThis block of the data file differs");
}

// A finished run ends every file with its closing tag; bytes appended after it are
// refused naming the file, whatever their number. A run that was stopped leaves its
// files without the tag, and restarts.
TEST(RestartDeath, BytesAfterTheClosingTagAreRefusedNamingTheFile) {
  RestartRun run;
  auto restart = [&]() {
    NonlinearWorkArrays w;
    InitializeNonlinearAnalysis(2, nPoints, nF, nP, 0, run.job.c_str(), &run.h.m, run.h.elemProp.data(), &w);
    FreeNonlinearWorkArrays(&w);
  };
  const long R = 4 + 8 * (nF + 2 * nP), Q = 4 + 8 * (nF + nP);
  struct Case {
    const char* suffix;
    const char* closeTag;  // null for the text file
  };
  const Case cases[] = {{"_dr.bin", kDisplReactCloseTag},
                        {"_if.bin", kInternalForcesCloseTag},
                        {"_NLMM121_HD.bin", kMaterialHDCloseTag},
                        {"_ep.bin", kExecParamsCloseTag},
                        {"_lcc.aux", nullptr}};
  for (const Case& c : cases) {
    const std::string path = run.job + c.suffix;
    const std::vector<uint8_t> good = resultfile::ReadFileBytes(path);
    // One byte, a whole record of either record file, and the length of the tag itself.
    for (long n : {1L, R, Q, static_cast<long>(c.closeTag != nullptr ? 5 + std::strlen(c.closeTag) : 2)}) {
      SCOPED_TRACE(std::string(c.suffix) + " +" + std::to_string(n));
      std::vector<uint8_t> bad = good;
      bad.resize(bad.size() + static_cast<size_t>(n), 'x');
      testmodel::WriteBytes(path, bad);
      EXPECT_EXIT(restart(), testing::ExitedWithCode(1),
                  "Restarting problem:\n   -> File: [^\n]*" + std::string(c.suffix) +
                      "\n   -> It holds bytes after its closing tag.\n\nERROR:\nThe files of the earlier run do not "
                      "belong to this model \\(or are damaged\\)");
    }
    if (c.closeTag != nullptr) {  // the files of a stopped run
      std::vector<uint8_t> open = good;
      open.resize(open.size() - 5 - std::strlen(c.closeTag));
      testmodel::WriteBytes(path, open);
      restart();
    }
    testmodel::WriteBytes(path, good);
  }
  // Blanks after the text file's closing semicolon are no bytes of its own.
  WriteTextFile(run.job + "_lcc.aux", "LAST_CONVERGED_COMBINATION = 3 ;\n \t\n");
  restart();
}

TEST(RestartDeath, DamagedResultFilesNameTheirFile) {
  RestartRun run;
  auto restart = [&]() {
    NonlinearWorkArrays w;
    InitializeNonlinearAnalysis(2, nPoints, nF, nP, 0, run.job.c_str(), &run.h.m, run.h.elemProp.data(), &w);
  };
  // Damages one file at byte `at`, restarts in a child, and restores the file.
  auto damaged = [&](const char* suffix, long at, const std::string& expected) {
    const std::string path = run.job + suffix;
    const std::vector<uint8_t> good = resultfile::ReadFileBytes(path);
    std::vector<uint8_t> bad = good;
    if (at < 0)
      bad.resize(bad.size() + at);  // cut short
    else
      bad.at(at) ^= 0x7f;
    testmodel::WriteBytes(path, bad);
    EXPECT_EXIT(restart(), testing::ExitedWithCode(1), expected) << suffix << " " << at;
    testmodel::WriteBytes(path, good);
  };
  const long R = 4 + 8 * (nF + 2 * nP);
  damaged("_dr.bin", 34 + R, InvalidFileRegex(run.job + "_dr.bin"));       // id of record 2
  damaged("_if.bin", 39 + 4 + 8 * (nF + nP), InvalidFileRegex(run.job + "_if.bin"));
  const long entry2 = 27 + 12 + 64 + 36 + 8 * (nF + nP);
  damaged("_ep.bin", entry2 + 4, "_ep.bin\n   -> Its entries do not fit this model's numbers of free and prescribed "
                                 "dofs.\n\nERROR:\nThe files of the earlier run do not belong to this model");  // combination of entry 2
  damaged("_NLMM121_HD.bin", 50 + 473 + 8 + 5, InvalidFileRegex(run.job + "_NLMM121_HD.bin"));  // tag of block 2
  // A lost block end: the chain of blocks sends the skip outside the file.
  damaged("_NLMM121_HD.bin", 50 + 7, InvalidFileRegex(run.job + "_NLMM121_HD.bin"));
  // An edited last-converged file: the message names it.
  WriteTextFile(run.job + "_lcc.aux", "LAST_CONVERGED = 3 ;\n");
  EXPECT_EXIT(restart(), testing::ExitedWithCode(1), "Reading file: [^\n]*_lcc.aux\n\nERROR:\nExpecting the following word");
  WriteTextFile(run.job + "_lcc.aux", "");
  EXPECT_EXIT(restart(), testing::ExitedWithCode(1), "Reading file: [^\n]*_lcc.aux\n\nERROR:\nUnexpected end of file");
}
