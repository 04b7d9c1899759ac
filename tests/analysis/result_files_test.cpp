// Result files written by the program's writers and read back by the test-side readers,
// which decode the documented byte layout on their own.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/results.h"
#include "model/fileio.h"
#include "model/material.h"
#include "numcore/numcore.h"
#include "support/result_readers.h"
#include "support/testfiles.h"

namespace {

// A 1-based vector of n distinct values (entry k = base + k / 8 + k).
struct Vec {
  double* v = nullptr;
  int n = 0;
  Vec(int n_, double base) : n(n_) {
    allocd1(&v, n);
    for (int k = 1; k <= n; k++) v[k] = base + k / 8.0 + k;
  }
  ~Vec() { freed1(v); }
  std::vector<double> Std() const { return std::vector<double>(v + 1, v + 1 + n); }
};

std::string FileOf(const std::string& job, const char* suffix) { return job + suffix; }

size_t FileSize(const std::string& path) { return resultfile::ReadFileBytes(path).size(); }

}  // namespace

// Records of <job>_dr.bin for several sizes, including no free or no prescribed dofs.
TEST(ResultFiles, DisplacementRecordsRoundTrip) {
  struct Case {
    int nF, nP, nRecords;
  };
  for (Case c : {Case{5, 3, 3}, Case{0, 2, 2}, Case{4, 0, 1}, Case{0, 0, 2}, Case{6, 2, 0}}) {
    SCOPED_TRACE(testing::Message() << "nF " << c.nF << " nP " << c.nP);
    std::string job = TestJobName();
    FILE* fp;
    OpenFile(&fp, job.c_str(), kDisplReactSuffix, "wb", 'N');
    WriteTag(kDisplReactOpenTag, fp);
    std::vector<Vec*> vecs;
    for (int r = 1; r <= c.nRecords; r++) {
      vecs.push_back(new Vec(c.nF, 100.0 * r));
      vecs.push_back(new Vec(c.nP, -10.0 * r));
      vecs.push_back(new Vec(c.nP, 1e6 * r));
      Vec* const* v = &vecs[vecs.size() - 3];
      WriteDisplReact(fp, 10 + r, c.nF, c.nP, v[0]->v, v[1]->v, v[2]->v);
      // Each record is flushed: the file already holds it while still open.
      EXPECT_EQ(FileSize(FileOf(job, kDisplReactSuffix)),
                34u + static_cast<size_t>(r) * (4 + 8 * (c.nF + 2 * c.nP)));
    }
    WriteTag(kDisplReactCloseTag, fp);
    CloseFile(fp);

    const size_t R = 4 + 8 * static_cast<size_t>(c.nF + 2 * c.nP);
    EXPECT_EQ(FileSize(FileOf(job, kDisplReactSuffix)), 34 + c.nRecords * R + 35);
    resultfile::DisplReactFile f =
        resultfile::ReadDisplReact(FileOf(job, kDisplReactSuffix), c.nF, c.nP);
    ASSERT_EQ(f.error, "");
    EXPECT_TRUE(f.closed);
    ASSERT_EQ(f.records.size(), static_cast<size_t>(c.nRecords));
    for (int r = 0; r < c.nRecords; r++) {
      EXPECT_EQ(f.records[r].id, 11 + r);
      EXPECT_EQ(f.records[r].free, vecs[3 * r]->Std());
      EXPECT_EQ(f.records[r].presc, vecs[3 * r + 1]->Std());
      EXPECT_EQ(f.records[r].react, vecs[3 * r + 2]->Std());
    }
    for (Vec* v : vecs) delete v;
  }
}

// <job>_tq.bin has the records of <job>_dr.bin under its own tags; <job>_if.bin and
// <job>_iq.bin hold (id, free, prescribed) records.
TEST(ResultFiles, TemperatureAndInternalForceRecordsRoundTrip) {
  std::string job = TestJobName();
  const int nF = 3, nP = 2;
  Vec t(nF, 20.0), tp(nP, 5.0), q(nP, -3.0), fF(nF, 7.0), fP(nP, -7.0);

  FILE* fp;
  OpenFile(&fp, job.c_str(), kTempHeatFluxSuffix, "wb", 'N');
  WriteTag(kTempHeatFluxOpenTag, fp);
  WriteDisplReact(fp, 4, nF, nP, t.v, tp.v, q.v);
  WriteTag(kTempHeatFluxCloseTag, fp);
  CloseFile(fp);
  EXPECT_EQ(FileSize(FileOf(job, kTempHeatFluxSuffix)), 44u + 4 + 8 * 7 + 45);
  resultfile::DisplReactFile tq =
      resultfile::ReadDisplReact(FileOf(job, kTempHeatFluxSuffix), nF, nP, false, true);
  ASSERT_EQ(tq.error, "");
  EXPECT_TRUE(tq.closed);
  ASSERT_EQ(tq.records.size(), 1u);
  EXPECT_EQ(tq.records[0].id, 4);
  EXPECT_EQ(tq.records[0].free, t.Std());
  EXPECT_EQ(tq.records[0].presc, tp.Std());
  EXPECT_EQ(tq.records[0].react, q.Std());

  for (bool thermal : {false, true}) {
    const char* suffix = thermal ? kInternalHeatForcesSuffix : kInternalForcesSuffix;
    OpenFile(&fp, job.c_str(), suffix, "wb", 'N');
    WriteTag(thermal ? kInternalHeatForcesOpenTag : kInternalForcesOpenTag, fp);
    WriteInternalForces(fp, nF, nP, 1, fF.v, fP.v);
    EXPECT_EQ(FileSize(FileOf(job, suffix)), (thermal ? 44u : 39u) + 4 + 8 * 5);
    WriteInternalForces(fp, nF, nP, 2, t.v, q.v);
    WriteTag(thermal ? kInternalHeatForcesCloseTag : kInternalForcesCloseTag, fp);
    CloseFile(fp);
    EXPECT_EQ(FileSize(FileOf(job, suffix)), (thermal ? 44u + 45u : 39u + 40u) + 2 * (4 + 8 * 5));
    resultfile::InternalForcesFile f =
        resultfile::ReadInternalForces(FileOf(job, suffix), nF, nP, thermal);
    ASSERT_EQ(f.error, "");
    EXPECT_TRUE(f.closed);
    ASSERT_EQ(f.records.size(), 2u);
    EXPECT_EQ(f.records[0].id, 1);
    EXPECT_EQ(f.records[0].free, fF.Std());
    EXPECT_EQ(f.records[0].presc, fP.Std());
    EXPECT_EQ(f.records[1].id, 2);
    EXPECT_EQ(f.records[1].free, t.Std());
    EXPECT_EQ(f.records[1].presc, q.Std());
  }
}

// The linear layout of <job>_ep.bin: one assembly record, one solve record per load case.
// Reset values are -1; the padding of a solve record is written as zeros whatever the
// memory holds, so two identical runs write identical files.
TEST(ResultFiles, LinearExecutionParametersRoundTrip) {
  std::string job = TestJobName();
  IterSummaryRecord it;
  ResetIterSummaryRecord(&it);
  EXPECT_EQ(it.nTermsKFF, -1);
  EXPECT_EQ(it.nTermsNCSB, -1);
  EXPECT_EQ(it.assemblySeconds, -1.0);
  EXPECT_EQ(it.factorSeconds, -1.0);
  it.nTermsKFF = 120;
  it.nTermsKPF = 31;
  it.nTermsKPP = 6;
  it.nTermsNCSB = 250;
  it.assemblySeconds = 2.0;

  FILE* fp;
  OpenFile(&fp, job.c_str(), kExecParamsSuffix, "wb", 'N');
  WriteTag(kExecParamsOpenTag, fp);
  WriteSummaryRecord(fp, &it);
  StepSummaryRecord st;
  for (int lc = 1; lc <= 3; lc++) {
    ResetStepSummaryRecord(&st);
    st.padding = 0x5A5A5A5A;
    if (lc == 2) {
      st.nIterJPCG = 17;
      st.residNormJPCG = 3.5e-11;
      st.solveSeconds = 1.0;
    }
    WriteSummaryRecord(fp, &st);
  }
  WriteTag(kExecParamsCloseTag, fp);
  CloseFile(fp);

  EXPECT_EQ(FileSize(FileOf(job, kExecParamsSuffix)), 27u + 32 + 3 * 32 + 28);
  resultfile::LinearExecParams f = resultfile::ReadLinearExecParams(FileOf(job, kExecParamsSuffix));
  ASSERT_EQ(f.error, "");
  EXPECT_TRUE(f.closed);
  EXPECT_EQ(f.iter.nTermsKFF, 120);
  EXPECT_EQ(f.iter.nTermsKPF, 31);
  EXPECT_EQ(f.iter.nTermsKPP, 6);
  EXPECT_EQ(f.iter.nTermsNCSB, 250);
  EXPECT_EQ(f.iter.assemblySeconds, 2.0);
  EXPECT_EQ(f.iter.factorSeconds, -1.0);
  ASSERT_EQ(f.steps.size(), 3u);
  for (int k = 0; k < 3; k++) {
    SCOPED_TRACE(k);
    EXPECT_EQ(f.steps[k].padding, 0u);
    EXPECT_EQ(f.steps[k].nIterJPCG, k == 1 ? 17 : -1);
    EXPECT_EQ(f.steps[k].residNormJPCG, k == 1 ? 3.5e-11 : -1.0);
    EXPECT_EQ(f.steps[k].solveSeconds, k == 1 ? 1.0 : -1.0);
    EXPECT_EQ(f.steps[k].residualNorm, -1.0);
  }
}

// The nonlinear layout: chained entries whose headers are patched after convergence,
// and a last combination that never converged, left with a zero header and no closing tag.
TEST(ResultFiles, NonlinearExecutionParametersChainAndUnconvergedTail) {
  std::string job = TestJobName();
  const int nF = 4, nP = 2;
  FILE* fp;
  OpenFile(&fp, job.c_str(), kExecParamsSuffix, "wb", 'N');
  WriteTag(kExecParamsOpenTag, fp);

  EquilibriumPathRecord path;
  InitEquilibriumPathRecord(nF, nP, &path);
  EXPECT_EQ(path.n, -1);
  EXPECT_EQ(path.d1, 0.0);
  EXPECT_EQ(path.d2, -1.0);
  EXPECT_EQ(path.d3, 1.0);
  EXPECT_EQ(path.d4, 0.0);

  const int iterations[3] = {1, 3, 2};
  std::vector<long> headers;
  for (int c = 1; c <= 3; c++) {
    long pos;
    WriteCombinationHeader(fp, &pos);
    headers.push_back(pos);
    for (int it = 1; it <= iterations[c - 1]; it++) {
      IterSummaryRecord ir;
      ResetIterSummaryRecord(&ir);
      ir.nTermsKFF = 100 * c + it;
      StepSummaryRecord sr;
      ResetStepSummaryRecord(&sr);
      sr.residualNorm = std::pow(10.0, -it);
      WriteSummaryRecord(fp, &ir);
      WriteSummaryRecord(fp, &sr);
    }
    if (c == 3) break;  // combination 3 never converges
    Vec extF(nF, 10.0 * c), extP(nP, -1.0 * c);
    FillEquilibriumPathRecord(nF, nP, iterations[c - 1], 0.5 * c, 2.0, 3.0, 0.25 * c, 1.5 * c,
                              &path, extF.v, extP.v);
    WriteEquilibriumPathRecord(fp, nF, nP, &path);
    PatchCombinationHeader(fp, c, iterations[c - 1], pos);
  }
  FreeEquilibriumPathVectors(&path);
  CloseFile(fp);

  resultfile::NonlinearExecParams f =
      resultfile::ReadNonlinearExecParams(FileOf(job, kExecParamsSuffix), nF, nP);
  ASSERT_EQ(f.error, "");
  EXPECT_FALSE(f.closed);
  ASSERT_EQ(f.entries.size(), 3u);
  const int64_t epBytes = 36 + 8 * (nF + nP);
  EXPECT_EQ(f.entries[0].offset, 27);
  EXPECT_EQ(f.entries[0].next, 27 + 12 + 64 * 1 + epBytes);  // one iteration: 64 bytes of records
  for (int c = 1; c <= 2; c++) {
    const resultfile::CombinationEntry& e = f.entries[c - 1];
    SCOPED_TRACE(c);
    EXPECT_EQ(e.offset, headers[c - 1]);
    EXPECT_TRUE(e.converged);
    EXPECT_EQ(e.combination, c);
    EXPECT_EQ(e.nIterations, iterations[c - 1]);
    ASSERT_EQ(e.iters.size(), static_cast<size_t>(iterations[c - 1]));
    for (int it = 1; it <= iterations[c - 1]; it++) {
      EXPECT_EQ(e.iters[it - 1].nTermsKFF, 100 * c + it);
      EXPECT_EQ(e.steps[it - 1].residualNorm, std::pow(10.0, -it));
      EXPECT_EQ(e.steps[it - 1].padding, 0u);
    }
    EXPECT_EQ(e.path.n, iterations[c - 1]);
    EXPECT_EQ(e.path.d1, 0.25 * c);
    EXPECT_EQ(e.path.d2, 3.0);
    EXPECT_EQ(e.path.d3, 0.25 * c);
    EXPECT_EQ(e.path.d4, 1.5 * c);
    Vec extF(nF, 10.0 * c), extP(nP, -1.0 * c);
    EXPECT_EQ(e.path.extF, extF.Std());
    EXPECT_EQ(e.path.extP, extP.Std());
  }
  EXPECT_EQ(f.entries[1].offset, f.entries[0].next);
  EXPECT_EQ(f.entries[2].offset, f.entries[1].next);
  EXPECT_FALSE(f.entries[2].converged);
  EXPECT_EQ(f.entries[2].iters.size(), 2u);
  EXPECT_EQ(f.entries[2].iters[1].nTermsKFF, 302);
}

// The program reads its own equilibrium-path records back (restart); a zero radius factor
// leaves d1 at 0 instead of a division by zero.
TEST(ResultFiles, EquilibriumPathRecordReadBack) {
  std::string job = TestJobName();
  const int nF = 3, nP = 1;
  Vec extF(nF, 1.0), extP(nP, 2.0);
  EquilibriumPathRecord w;
  InitEquilibriumPathRecord(nF, nP, &w);
  FillEquilibriumPathRecord(nF, nP, 4, 0.0, 0.0, 9.0, 0.0, 12.5, &w, extF.v, extP.v);
  EXPECT_EQ(w.d1, 0.0);
  FillEquilibriumPathRecord(nF, nP, 4, 0.3, 0.0, 9.0, 0.0, 12.5, &w, extF.v, extP.v);
  EXPECT_EQ(w.d1, 0.0);
  FillEquilibriumPathRecord(nF, nP, 4, 0.3, 1.5, 9.0, 0.0, 12.5, &w, extF.v, extP.v);
  EXPECT_DOUBLE_EQ(w.d1, 0.2);

  FILE* fp;
  OpenFile(&fp, job.c_str(), kExecParamsSuffix, "wb", 'N');
  WriteEquilibriumPathRecord(fp, nF, nP, &w);
  CloseFile(fp);
  EXPECT_EQ(FileSize(FileOf(job, kExecParamsSuffix)), 36u + 8 * 4);

  OpenFile(&fp, job.c_str(), kExecParamsSuffix, "rb", 'N');
  EquilibriumPathRecord r;
  ReadEquilibriumPathRecord(fp, nF, nP, &r);
  CloseFile(fp);
  EXPECT_EQ(r.n, 4);
  EXPECT_EQ(r.d1, w.d1);
  EXPECT_EQ(r.d2, 9.0);
  EXPECT_EQ(r.d3, 0.0);
  EXPECT_EQ(r.d4, 12.5);
  for (int k = 1; k <= nF; k++) EXPECT_EQ(r.extF[k], extF.v[k]);
  EXPECT_EQ(r.extP[1], extP.v[1]);
  FreeEquilibriumPathVectors(&r);

  // A record cut short is a damaged file, named by its suffix.
  EXPECT_EXIT(
      {
        FILE* in;
        OpenFile(&in, job.c_str(), kExecParamsSuffix, "rb", 'N');
        EquilibriumPathRecord big;
        ReadEquilibriumPathRecord(in, nF + 1, nP, &big);
      },
      testing::ExitedWithCode(1), "^\nERROR:\n" + InvalidFileRegex(job + kExecParamsSuffix) + "\n\n$");
  FreeEquilibriumPathVectors(&w);
}

// <job>_al.bin and <job>_lcc.aux are rewritten whole at every write.
TEST(ResultFiles, ArcLengthAndLastCombinationFilesAreRewritten) {
  std::string job = TestJobName();
  Vec dF(5, 1.0), dP(2, -4.0), eF(3, 8.0), eP(1, -9.0);
  WriteArcLengthDeltaF(5, 2, job.c_str(), dF.v, dP.v);
  EXPECT_EQ(FileSize(FileOf(job, kArcLengthDeltaFSuffix)), 25u + 8 * 7 + 26);
  WriteArcLengthDeltaF(3, 1, job.c_str(), eF.v, eP.v);
  EXPECT_EQ(FileSize(FileOf(job, kArcLengthDeltaFSuffix)), 25u + 8 * 4 + 26);
  resultfile::ArcLengthDeltaF al =
      resultfile::ReadArcLengthDeltaF(FileOf(job, kArcLengthDeltaFSuffix), 3, 1);
  ASSERT_EQ(al.error, "");
  EXPECT_TRUE(al.closed);
  EXPECT_EQ(al.free, eF.Std());
  EXPECT_EQ(al.presc, eP.Std());

  WriteLastConvergedCombination(12, job.c_str());
  WriteLastConvergedCombination(7, job.c_str());
  std::vector<uint8_t> text = resultfile::ReadFileBytes(FileOf(job, kLastConvergedSuffix));
  EXPECT_EQ(std::string(text.begin(), text.end()), "LAST_CONVERGED_COMBINATION = 7 ;\n");
}

// Closing a nonlinear run: every file in use gets its closing tag; a history slot whose
// count is 0 is closed without one.
TEST(ResultFiles, ClosingANonlinearRunWritesEveryClosingTag) {
  std::string job = TestJobName();
  FILE *dr, *ep, *iff;
  OpenFile(&dr, job.c_str(), kDisplReactSuffix, "wb", 'N');
  OpenFile(&ep, job.c_str(), kExecParamsSuffix, "wb", 'N');
  OpenFile(&iff, job.c_str(), kInternalForcesSuffix, "wb", 'N');
  WriteTag(kDisplReactOpenTag, dr);
  WriteTag(kExecParamsOpenTag, ep);
  WriteTag(kInternalForcesOpenTag, iff);
  FILE** mat;
  FILE** spr;
  allocpfile1(&mat, kMaterialKinds);
  allocpfile1(&spr, 4);
  zeroi1(mat, kMaterialKinds);
  zeroi1(spr, 4);
  int matCount[kMaterialKinds + 1] = {};
  int sprCount[5] = {};
  OpenFile(&mat[3], job.c_str(), "_NLMM003_HD.bin", "wb", 'N');
  OpenFile(&mat[49], job.c_str(), "_NLMM049_HD.bin", "wb", 'N');
  OpenFile(&mat[7], job.c_str(), "_NLMM007_HD.bin", "wb", 'N');  // open, but no records
  OpenFile(&spr[2], job.c_str(), "_NLSMM002_HD.bin", "wb", 'N');
  matCount[3] = 5;
  matCount[49] = 1;
  sprCount[2] = 2;
  CloseResultFiles_NL(dr, ep, iff, mat, spr, matCount, sprCount);

  auto endsWith = [&](const std::string& suffix, const std::string& tag) {
    std::vector<uint8_t> b = resultfile::ReadFileBytes(job + suffix);
    std::string s(b.begin(), b.end());
    return s.size() >= tag.size() + 1 && s.compare(s.size() - tag.size() - 1, tag.size(), tag) == 0;
  };
  EXPECT_TRUE(endsWith(kDisplReactSuffix, kDisplReactCloseTag));
  EXPECT_TRUE(endsWith(kExecParamsSuffix, kExecParamsCloseTag));
  EXPECT_TRUE(endsWith(kInternalForcesSuffix, kInternalForcesCloseTag));
  EXPECT_TRUE(endsWith("_NLMM003_HD.bin", kMaterialHDCloseTag));
  EXPECT_TRUE(endsWith("_NLMM049_HD.bin", kMaterialHDCloseTag));
  EXPECT_TRUE(endsWith("_NLSMM002_HD.bin", kSpringHDCloseTag));
  EXPECT_EQ(FileSize(job + "_NLMM007_HD.bin"), 0u);
  resultfile::DisplReactFile f = resultfile::ReadDisplReact(FileOf(job, kDisplReactSuffix), 3, 3);
  EXPECT_EQ(f.error, "");
  EXPECT_TRUE(f.closed);
  EXPECT_TRUE(f.records.empty());
}

TEST(ResultFiles, ClosingAThermalRunWritesEveryClosingTag) {
  std::string job = TestJobName();
  FILE *tq, *ep, *iq;
  OpenFile(&tq, job.c_str(), kTempHeatFluxSuffix, "wb", 'N');
  OpenFile(&ep, job.c_str(), kExecParamsSuffix, "wb", 'N');
  OpenFile(&iq, job.c_str(), kInternalHeatForcesSuffix, "wb", 'N');
  WriteTag(kTempHeatFluxOpenTag, tq);
  WriteTag(kExecParamsOpenTag, ep);
  WriteTag(kInternalHeatForcesOpenTag, iq);
  FILE** mat;
  allocpfile1(&mat, kMaterialKinds);
  zeroi1(mat, kMaterialKinds);
  int matCount[kMaterialKinds + 1] = {};
  OpenFile(&mat[49], job.c_str(), "_NLMM049_HD.bin", "wb", 'N');
  matCount[49] = 3;
  CloseThermalResultFiles(tq, ep, iq, mat, matCount);
  resultfile::DisplReactFile f =
      resultfile::ReadDisplReact(FileOf(job, kTempHeatFluxSuffix), 1, 1, false, true);
  EXPECT_EQ(f.error, "");
  EXPECT_TRUE(f.closed);
  resultfile::InternalForcesFile q =
      resultfile::ReadInternalForces(FileOf(job, kInternalHeatForcesSuffix), 1, 1, true);
  EXPECT_EQ(q.error, "");
  EXPECT_TRUE(q.closed);
  std::vector<uint8_t> b = resultfile::ReadFileBytes(FileOf(job, kExecParamsSuffix));
  EXPECT_EQ(b.size(), 27u + 28u);
  std::vector<uint8_t> h = resultfile::ReadFileBytes(job + "_NLMM049_HD.bin");
  EXPECT_EQ(h.size(), std::string(kMaterialHDCloseTag).size() + 5);
}

// Every result write is checked: a full device stops the run with the output-file message
// instead of a run that ends in success with a truncated file.
TEST(ResultFiles, FailedWritesStopTheRun) {
  const char* msg = "^\nERROR:\nUnable to write to the following output file:\n/dev/full\n\n$";
  double v[3] = {0.0, 1.0, 2.0};
  EXPECT_EXIT(
      {
        FILE* fp;
        OpenFile(&fp, "/dev/full", "", "wb", 'N');
        WriteDisplReact(fp, 1, 2, 0, v, v, v);
      },
      testing::ExitedWithCode(1), msg);
  EXPECT_EXIT(
      {
        FILE* fp;
        OpenFile(&fp, "/dev/full", "", "wb", 'N');
        WriteInternalForces(fp, 1, 1, 1, v, v);
      },
      testing::ExitedWithCode(1), msg);
  EXPECT_EXIT(
      {
        FILE* fp;
        OpenFile(&fp, "/dev/full", "", "wb", 'N');
        StepSummaryRecord s;
        ResetStepSummaryRecord(&s);
        WriteSummaryRecord(fp, &s);
        CloseFile(fp);
      },
      testing::ExitedWithCode(1), msg);
}

// Entry headers chain by 32-bit offsets; a file past 2^31 - 1 bytes cannot be chained and
// stops the run rather than writing a wrapped offset.
TEST(ResultFiles, HeaderOffsetBeyond32BitsIsRefused) {
  std::string job = TestJobName();
  EXPECT_EXIT(
      {
        FILE* fp;
        OpenFile(&fp, job.c_str(), kExecParamsSuffix, "wb", 'N');
        long pos;
        WriteCombinationHeader(fp, &pos);
        std::fseek(fp, static_cast<long>(INT32_MAX) + 1, SEEK_SET);
        PatchCombinationHeader(fp, 1, 1, pos);
      },
      testing::ExitedWithCode(1), "exceeds 2147483647 bytes");
}
