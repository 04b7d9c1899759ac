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
  // Restart after 3: strategies 2 and 4 read once, the matrices held at the restart point.
  EXPECT_TRUE(GlobalStiffMatNeedsToBeRead(4, 3, 1, 2));
  EXPECT_FALSE(GlobalStiffMatNeedsToBeRead(5, 3, 1, 2));
  EXPECT_TRUE(GlobalStiffMatNeedsToBeRead(4, 3, 1, 4));
  EXPECT_FALSE(GlobalStiffMatNeedsToBeRead(5, 3, 1, 4));
  EXPECT_FALSE(GlobalStiffMatNeedsToBeRead(5, 3, 2, 4));
  EXPECT_FALSE(GlobalStiffMatNeedsToBeRead(1, 0, 1, 4));
  for (int s : {1, 3, 5}) EXPECT_FALSE(GlobalStiffMatNeedsToBeRead(4, 3, 1, s));
}

// The three norms against the model's own scales: a zero first correction converges, the
// displacement norm measures against the first correction, a norm equal to the tolerance
// does not converge and a NaN never does; the same state in other units (every length
// times 1e-3, every force times 1e-6) gives the same norms, where a fixed floor would
// have made the smaller model's test absolute; and a model whose load has fallen to zero
// measures its residual against the largest force of the run.
TEST(ConvergenceCheck, NormsAreRatiosOfTheModelsOwnScales) {
  MeshData mesh{};
  mesh.Main.Tolerance = 1e-4;
  struct State {
    double daF[3], daP[2], FF[3], FP[2], R[2], rF[3], rP[2], aF[3], aP[2], IF[3], IP[2];
    double run;
  };
  auto check = [&](int criterion, int iteration, double* ref, const State& s, double* norm) {
    mesh.Main.ConvergenceCriterion = criterion;
    const ConvergenceScale scale{s.aF, s.aP, s.IF, s.IP, s.run};
    return CheckConvergence(iteration, 2, 1, ref, norm, &mesh, s.daF, s.daP, s.FF, s.FP, s.R, s.rF, s.rP, scale);
  };
  State zero{};
  double ref = -1.0, norm = -1.0;
  EXPECT_TRUE(check(1, 1, &ref, zero, &norm));
  EXPECT_EQ(norm, 0.0);
  EXPECT_TRUE(check(2, 1, &ref, zero, &norm));
  EXPECT_EQ(norm, 0.0);

  // A loaded state: first correction (3, 4 | 0), then (3e-5, 4e-5 | 0).
  State a{{0, 3.0, 4.0}, {0, 0.0}, {0, 10.0, 0.0}, {0, 0.0}, {0, -10.0}, {0, 2e-3, 0.0}, {0, 0.0},
          {0, 3.0, 4.0}, {0, 0.0}, {0, 10.0, 0.0}, {0, -10.0}, 0.0};
  EXPECT_FALSE(check(1, 1, &ref, a, &norm));
  EXPECT_EQ(norm, 1.0);
  State b = a;
  b.daF[1] = 3e-5;
  b.daF[2] = 4e-5;
  EXPECT_TRUE(check(1, 2, &ref, b, &norm));
  EXPECT_DOUBLE_EQ(norm, 1e-5);
  mesh.Main.Tolerance = norm;
  EXPECT_FALSE(check(1, 2, &ref, b, &norm));
  mesh.Main.Tolerance = 1e-4;

  // Units: lengths 1e-3, forces 1e-6 of the above; every norm the same.
  auto scaled = [](State s) {
    for (int i = 1; i <= 2; i++) {
      s.daF[i] *= 1e-3, s.aF[i] *= 1e-3;
      s.FF[i] *= 1e-6, s.rF[i] *= 1e-6, s.IF[i] *= 1e-6;
    }
    s.daP[1] *= 1e-3, s.aP[1] *= 1e-3;
    s.FP[1] *= 1e-6, s.R[1] *= 1e-6, s.rP[1] *= 1e-6, s.IP[1] *= 1e-6;
    s.run *= 1e-12;
    return s;
  };
  for (int criterion : {1, 2, 3}) {
    SCOPED_TRACE(criterion);
    double r1 = 0.0, r2 = 0.0, n1 = 0.0, n2 = 0.0;
    check(criterion, 1, &r1, a, &n1);
    check(criterion, 2, &r1, b, &n1);
    check(criterion, 1, &r2, scaled(a), &n2);
    check(criterion, 2, &r2, scaled(b), &n2);
    EXPECT_NEAR(n2, n1, 1e-12 * n1);
  }

  // A step that changes nothing in a displaced model (|a| = 5, force 10 sqrt 2): its
  // rounding-sized first correction is measured against 1e-12 / tolerance of the total
  // displacement, and its work against 1e-24 / tolerance of force times displacement.
  State c = a;
  c.daF[1] = 5e-17;
  c.daF[2] = 0.0;
  c.rF[1] = 1e-15;
  EXPECT_TRUE(check(1, 1, &ref, c, &norm));
  EXPECT_DOUBLE_EQ(ref, 1e-16 * 25.0);
  EXPECT_DOUBLE_EQ(norm, 1e-9);
  EXPECT_TRUE(check(3, 1, &ref, c, &norm));
  EXPECT_DOUBLE_EQ(ref, 1e-20 * 5.0 * std::sqrt(200.0));

  // Unloaded after a peak: no load, no reaction, internal forces at rounding level; the
  // run's largest converged internal forces (1e4 squared) are the scale.
  State d{};
  d.rF[1] = 1e-10;
  d.IF[1] = 1e-10;
  d.run = 1e8;
  EXPECT_TRUE(check(2, 1, &ref, d, &norm));
  EXPECT_DOUBLE_EQ(norm, 1e-14);
  d.rF[1] = NAN;
  mesh.Main.Tolerance = 1e300;
  EXPECT_FALSE(check(2, 1, &ref, d, &norm));
}

TEST(SolveHistoryTag, ZeroPaddedToTheRunsWidths) {
  char tag[64];
  IterationHistoryTag("_", 7, 3, 12, 25, tag, static_cast<int>(sizeof tag));
  EXPECT_STREQ(tag, "_Comb07_Iter03");
  IterationHistoryTag("_AL1_", 7, 3, 120, 5, tag, static_cast<int>(sizeof tag));
  EXPECT_STREQ(tag, "_AL1_Comb007_Iter3");
}
