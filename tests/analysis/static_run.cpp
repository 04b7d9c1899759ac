#include "static_run.h"

namespace tw = testmodel;

namespace staticrun {

std::array<double, 7> ReactionResultant(const Record& r, const linmodel::Job& job, bool rotations) {
  std::array<double, 7> s{};
  for (int p = 1; p <= static_cast<int>(job.layout.codes.size()); p++) {
    const auto& x = job.coords.at(static_cast<size_t>(p - 1));
    double f[4] = {0.0, 0.0, 0.0, 0.0};
    for (int d = 1; d <= 3; d++)
      if (job.layout.Presc(p, d) >= 0) f[d] = r.R(p, d);
    for (int d = 1; d <= 3; d++) s[d] += f[d];
    s[4] += x[1] * f[3] - x[2] * f[2];
    s[5] += x[2] * f[1] - x[0] * f[3];
    s[6] += x[0] * f[2] - x[1] * f[1];
    if (!rotations) continue;
    for (int d = 4; d <= 6; d++)
      if (job.layout.Presc(p, d) >= 0) s[d] += r.R(p, d);
  }
  return s;
}

Outcome LinearStaticRun::Run(linmodel::Job job, const Solver& s, const std::string& ctrl) {
  job.model.main.storageTechnique = s.storage;
  job.model.main.linEqAlgorithm = s.algorithm;
  tw::WriteDataFile(dir_ + "/job1", job.model);
  WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n" + ctrl + "</OUTPUT_CONTROL>\n");
  Outcome o;
  o.run = RunProgram(VOLDE_EXE, {"job1"}, dir_);
  o.dr = resultfile::ReadDisplReact(dir_ + "/job1_dr.bin", job.layout.nF, job.layout.nP);
  o.ep = resultfile::ReadLinearExecParams(dir_ + "/job1_ep.bin");
  return o;
}

void LinearStaticRun::ExpectSound(const Outcome& o, const Solver& s, int nLoadCases) {
  EXPECT_EQ(o.run.status, 0) << o.run.err;
  EXPECT_EQ(o.run.err, "");
  EXPECT_NE(o.run.out.find("\nEnd of volde\n\n### Success ###\n"), std::string::npos) << o.run.out;
  size_t at = 0;
  for (int lc = 1; lc <= nLoadCases; lc++) {
    at = o.run.out.find("\nLoad case: " + std::to_string(lc) + "\n", at);
    EXPECT_NE(at, std::string::npos) << "load case " << lc;
  }
  EXPECT_EQ(o.dr.error, "");
  EXPECT_TRUE(o.dr.closed);
  EXPECT_EQ(o.ep.error, "");
  EXPECT_TRUE(o.ep.closed);
  ASSERT_EQ(o.dr.records.size(), static_cast<size_t>(nLoadCases));
  for (int lc = 1; lc <= nLoadCases; lc++) EXPECT_EQ(o.dr.records[lc - 1].id, lc);
  EXPECT_GT(o.ep.iter.nTermsKFF, 0);
  EXPECT_GE(o.ep.iter.assemblySeconds, 0.0);
  if (s.algorithm == 1) {
    EXPECT_GE(o.ep.iter.nTermsNCSB, o.ep.iter.nTermsKFF);
    EXPECT_GE(o.ep.iter.factorSeconds, 0.0);
  } else {
    EXPECT_EQ(o.ep.iter.nTermsNCSB, -1);
    EXPECT_EQ(o.ep.iter.factorSeconds, -1.0);
  }
  ASSERT_EQ(o.ep.steps.size(), static_cast<size_t>(nLoadCases));
  for (const resultfile::StepSummary& st : o.ep.steps) {
    EXPECT_EQ(st.padding, 0u);
    EXPECT_GE(st.solveSeconds, 0.0);
    EXPECT_EQ(st.residualNorm, -1.0);
    if (s.algorithm == 1) {
      EXPECT_EQ(st.nIterJPCG, -1);
      EXPECT_EQ(st.residNormJPCG, -1.0);
    } else {
      EXPECT_GE(st.nIterJPCG, 1);
      EXPECT_GE(st.residNormJPCG, 0.0);
    }
  }
}

}  // namespace staticrun
