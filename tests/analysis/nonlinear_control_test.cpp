// Newton-Raphson control pieces in process: the convergence norms at their edges, the
// stiffness-strategy predicates, the saved stiffness file and the solve history tags.
#include "analysis/nonlinear_control.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/static_nonlinear.h"
#include "assembly/assembly.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/testfiles.h"

namespace {

// Row lists from per-row (column, value) pairs; rows may be empty.
void Fill(SparseRowMatrix* K, const std::vector<std::vector<std::pair<int, double>>>& rows) {
  for (int i = 1; i <= K->n; i++) {
    const auto& r = rows[static_cast<size_t>(i - 1)];
    K->count[i] = static_cast<int>(r.size());
    if (r.empty()) continue;
    alloci1(&K->cols[i], K->count[i]);
    allocd1(&K->vals[i], K->count[i]);
    for (int k = 1; k <= K->count[i]; k++) {
      K->cols[i][k] = r[static_cast<size_t>(k - 1)].first;
      K->vals[i][k] = r[static_cast<size_t>(k - 1)].second;
    }
  }
}

void ExpectSame(const SparseRowMatrix& a, const SparseRowMatrix& b) {
  ASSERT_EQ(a.n, b.n);
  for (int i = 1; i <= a.n; i++) {
    ASSERT_EQ(a.count[i], b.count[i]) << i;
    for (int k = 1; k <= a.count[i]; k++) {
      EXPECT_EQ(a.cols[i][k], b.cols[i][k]);
      EXPECT_EQ(a.vals[i][k], b.vals[i][k]);
    }
  }
}

}  // namespace

// Rows with no terms write nothing and read back empty; every term comes back bit for bit.
TEST(StiffnessFile, RoundTripWithEmptyRows) {
  const std::string job = TestJobName();
  SparseRowMatrix KFF{}, KPF{}, KPP{};
  AllocSparseCounters(3, 2, &KFF, &KPF, &KPP);
  Fill(&KFF, {{{1, 4.0}, {3, -1.5}}, {}, {{3, 1.0 / 3.0}}});
  Fill(&KPF, {{}, {{1, 2.0}, {2, -7.0}, {3, 1e-300}}});
  Fill(&KPP, {{{1, 9.0}, {2, 0.5}}, {}});
  WriteGlobalStiffMat(3, 3, 2, 3, 2, &KFF, &KPF, &KPP, job.c_str());
  SparseRowMatrix A{}, B{}, C{};
  int64_t n1, n2, n3;
  ReadGlobalStiffMat(&n1, &n2, &n3, 3, 2, &A, &B, &C, job.c_str());
  EXPECT_EQ(n1, 3);
  EXPECT_EQ(n2, 3);
  EXPECT_EQ(n3, 2);
  ExpectSame(A, KFF);
  ExpectSame(B, KPF);
  ExpectSame(C, KPP);
  // 73 + 4 (nF + 2 nP) + 12 x 8 terms.
  FILE* fp = std::fopen((job + "_GSM.bin").c_str(), "rb");
  ASSERT_NE(fp, nullptr);
  std::fseek(fp, 0, SEEK_END);
  EXPECT_EQ(std::ftell(fp), 73 + 4 * (3 + 4) + 12 * 8);
  std::fclose(fp);
  FreeGlobalStiffMat(&A, &B, &C);
  FreeGlobalStiffMat(&KFF, &KPF, &KPP);
  std::remove((job + "_GSM.bin").c_str());
}

TEST(StiffnessStrategy, Predicates) {
  // Strategy 3 in combination 5, iteration 2 keeps the matrix of iteration 1.
  EXPECT_TRUE(GlobalStiffMatNeedsUpdate(5, 1, 3));
  EXPECT_FALSE(GlobalStiffMatNeedsUpdate(5, 2, 3));
  EXPECT_TRUE(GlobalStiffMatNeedsUpdate(7, 9, 1));
  EXPECT_FALSE(GlobalStiffMatNeedsUpdate(2, 1, 2));
  EXPECT_TRUE(GlobalStiffMatNeedsUpdate(1, 1, 4));
  EXPECT_FALSE(GlobalStiffMatNeedsUpdate(2, 1, 4));
  EXPECT_TRUE(GlobalStiffMatNeedsUpdate(2, 2, 4));
  EXPECT_TRUE(GlobalStiffMatNeedsUpdate(3, 2, 5));
  EXPECT_FALSE(GlobalStiffMatNeedsUpdate(3, 3, 5));
  for (int s = 1; s <= 5; s++) {
    EXPECT_TRUE(GlobalStiffMatNeedsToBeWritten(1, 1, s));
    EXPECT_FALSE(GlobalStiffMatNeedsToBeWritten(4, 1, s));
  }
  // Restart after 3: strategy 2 reads once, strategy 4 at every first iteration.
  EXPECT_TRUE(GlobalStiffMatNeedsToBeRead(4, 3, 1, 2));
  EXPECT_FALSE(GlobalStiffMatNeedsToBeRead(5, 3, 1, 2));
  EXPECT_TRUE(GlobalStiffMatNeedsToBeRead(5, 3, 1, 4));
  EXPECT_FALSE(GlobalStiffMatNeedsToBeRead(5, 3, 2, 4));
  EXPECT_FALSE(GlobalStiffMatNeedsToBeRead(1, 0, 1, 4));
  for (int s : {1, 3, 5}) EXPECT_FALSE(GlobalStiffMatNeedsToBeRead(4, 3, 1, s));
}

// Norms at their floors: a zero first correction converges, the energy reference never
// falls below 1e-8, a norm equal to the tolerance does not converge and a NaN never does.
TEST(ConvergenceCheck, NormEdges) {
  MeshData mesh{};
  double daF[3] = {0, 0, 0}, daP[2] = {0, 0}, FF[3] = {0, 0, 0}, FP[2] = {0, 0}, R[2] = {0, 0};
  double rF[3] = {0, 0, 0}, rP[2] = {0, 0};
  double ref = -1.0, norm = -1.0;
  mesh.Main.Tolerance = 1e-4;
  mesh.Main.ConvergenceCriterion = 1;
  EXPECT_TRUE(CheckConvergence(1, 2, 1, &ref, &norm, &mesh, daF, daP, FF, FP, R, rF, rP));
  EXPECT_EQ(norm, 0.0);
  EXPECT_EQ(ref, 1e-8);
  daF[1] = 3.0;
  daF[2] = 4.0;
  EXPECT_FALSE(CheckConvergence(1, 2, 1, &ref, &norm, &mesh, daF, daP, FF, FP, R, rF, rP));
  EXPECT_EQ(norm, 1.0);
  daF[1] = 3e-5;
  daF[2] = 4e-5;
  EXPECT_TRUE(CheckConvergence(2, 2, 1, &ref, &norm, &mesh, daF, daP, FF, FP, R, rF, rP));
  EXPECT_DOUBLE_EQ(norm, 1e-5);  // against the reference of iteration 1
  mesh.Main.Tolerance = norm;    // exactly the tolerance
  EXPECT_FALSE(CheckConvergence(2, 2, 1, &ref, &norm, &mesh, daF, daP, FF, FP, R, rF, rP));

  mesh.Main.ConvergenceCriterion = 3;
  daF[1] = 1e-9;
  daF[2] = 0.0;
  rF[1] = 1.0;
  EXPECT_FALSE(CheckConvergence(1, 2, 1, &ref, &norm, &mesh, daF, daP, FF, FP, R, rF, rP));
  EXPECT_EQ(ref, 1e-8);
  EXPECT_DOUBLE_EQ(norm, 0.1);

  mesh.Main.ConvergenceCriterion = 2;
  rF[1] = 1e-6;
  EXPECT_FALSE(CheckConvergence(1, 2, 1, &ref, &norm, &mesh, daF, daP, FF, FP, R, rF, rP));
  EXPECT_DOUBLE_EQ(norm, 1e-6 * 1e4);  // no load, no reaction: denominator 1e-8
  rF[1] = NAN;
  mesh.Main.Tolerance = 1e300;
  EXPECT_FALSE(CheckConvergence(1, 2, 1, &ref, &norm, &mesh, daF, daP, FF, FP, R, rF, rP));
}

TEST(SolveHistoryTag, ZeroPaddedToTheRunsWidths) {
  char tag[64];
  IterationHistoryTag("_", 7, 3, 12, 25, tag, static_cast<int>(sizeof tag));
  EXPECT_STREQ(tag, "_Comb07_Iter03");
  IterationHistoryTag("_AL1_", 7, 3, 120, 5, tag, static_cast<int>(sizeof tag));
  EXPECT_STREQ(tag, "_AL1_Comb007_Iter3");
}
