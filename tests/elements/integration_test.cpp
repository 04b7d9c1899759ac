#include <cmath>

#include "elements/kernel.h"
#include "elements/point_rules.h"
#include "test_util.h"

namespace {
double Monomial(int k) { return k % 2 ? 0.0 : 2.0 / (k + 1); }  // integral of x^k on [-1, 1]
double Fact(int n) { return n <= 1 ? 1.0 : n * Fact(n - 1); }
}  // namespace

TEST(Integration, GaussLegendreExactToDegree2nMinus1) {
  for (int n = 1; n <= 10; n++) {
    const double *a, *w;
    GetLineIntegrationRule(1, kIntGLEG, 0, n, &a, &w);
    for (int i = 2; i <= n; i++) EXPECT_LT(a[i - 1], a[i]);
    for (int i = 1; i <= n; i++) {
      EXPECT_EQ(a[i], -a[n + 1 - i]);
      EXPECT_EQ(w[i], w[n + 1 - i]);
    }
    for (int k = 0; k <= 2 * n - 1; k++) {
      double s = 0.0;
      for (int i = 1; i <= n; i++) s += w[i] * std::pow(a[i], k);
      EXPECT_NEAR(s, Monomial(k), 2e-14) << "n " << n << " k " << k;
    }
  }
  EXPECT_EQ(IntegrationRuleTable.abscissa[1][2][2], 0.577350269189626);
  EXPECT_EQ(IntegrationRuleTable.weight[1][5][3], 0.568888888888889);
  EXPECT_EQ(&IntegrationPointTable, &IntegrationRuleTable);
}

TEST(Integration, GaussLobattoExactToDegree2nMinus3) {
  for (int n = 2; n <= 10; n++) {
    const double *a, *w;
    GetLineIntegrationRule(1, kIntGLOB, 0, n, &a, &w);
    EXPECT_EQ(a[1], -1.0);
    EXPECT_EQ(a[n], 1.0);
    for (int i = 2; i <= n; i++) EXPECT_LT(a[i - 1], a[i]);
    for (int k = 0; k <= 2 * n - 3; k++) {
      double s = 0.0;
      for (int i = 1; i <= n; i++) s += w[i] * std::pow(a[i], k);
      EXPECT_NEAR(s, Monomial(k), 2e-14) << "n " << n << " k " << k;
    }
  }
}

TEST(Integration, TriangleRules) {
  const int degree[7] = {0, 1, 0, 2, 3, 0, 4};
  for (int n : {1, 3, 4, 6}) {
    const double *s1, *s2, *w;
    GetTriangIntegrationRule(1, kIntGLEG, 0, n, &s1, &s2, &w);
    double sum = 0.0;
    for (int i = 1; i <= n; i++) sum += w[i];
    EXPECT_NEAR(sum, 0.5, 1e-9) << n;  // the 6-point weights hold 11 digits
    for (int p = 0; p <= degree[n]; p++)
      for (int q = 0; p + q <= degree[n]; q++) {
        double s = 0.0;
        for (int i = 1; i <= n; i++) s += w[i] * std::pow(s1[i], p) * std::pow(s2[i], q);
        EXPECT_NEAR(s, Fact(p) * Fact(q) / Fact(p + q + 2), 1e-9) << "n " << n << " s1^" << p << " s2^" << q;
      }
  }
}

TEST(Integration, QuadrilateralPoints) {
  Mat S(100, 2);
  Vec W(100);
  // Pattern 0: 2 x 2 points whatever the counts say, s1 in the outer loop.
  ASSERT_EQ(CalcIntegrationPointsQuad(1, kIntGLEG, 0, 7, 0, S, W), 4);
  const double g = 0.577350269189626;
  const double want[5][2] = {{0, 0}, {-g, -g}, {-g, g}, {g, -g}, {g, g}};
  for (int k = 1; k <= 4; k++) {
    EXPECT_EQ(S[k][1], want[k][0]);
    EXPECT_EQ(S[k][2], want[k][1]);
    EXPECT_EQ(W[k], 1.0);
  }
  // A 3 x 2 pattern integrates s1^4 s2^3 + s1^2 s2^2 exactly.
  ASSERT_EQ(CalcIntegrationPointsQuad(1, kIntGLEG, 5, 3, 2, S, W), 6);
  double area = 0.0, f = 0.0;
  for (int k = 1; k <= 6; k++) {
    area += W[k];
    f += W[k] * (std::pow(S[k][1], 4) * std::pow(S[k][2], 3) + S[k][1] * S[k][1] * S[k][2] * S[k][2]);
  }
  EXPECT_NEAR(area, 4.0, 1e-14);
  EXPECT_NEAR(f, 4.0 / 9.0, 1e-14);
  EXPECT_EQ(S[2][1], S[1][1]);  // s2 varies fastest
}

TEST(IntegrationDeath, RulesOutsideTheTableAreRefused) {
  const double *a, *w, *b;
  const std::string ctx = "\nSelecting the integration rule of element n. 12\n   -> Integration pattern: 3\n";
  EXPECT_EXIT(GetLineIntegrationRule(12, 3, 3, 2, &a, &w), testing::ExitedWithCode(1),
              Lit(ctx + "   -> Integration type: _NCOTES (3)\n   -> Number of points: 2\n\nERROR:\n"
                        "Invalid integration type.\nIntegration type must be _GLEG or _GLOB.\n"));
  EXPECT_EXIT(GetLineIntegrationRule(12, 0, 3, 2, &a, &w), testing::ExitedWithCode(1),
              Lit("Integration type: (unknown) (0)"));
  const std::string count = "Invalid number of integration points.\n_GLEG rules have 1 to 10 points and _GLOB rules 2 to 10 points.";
  EXPECT_EXIT(GetLineIntegrationRule(12, kIntGLOB, 3, 1, &a, &w), testing::ExitedWithCode(1),
              Lit(ctx + "   -> Integration type: _GLOB (2)\n   -> Number of points: 1\n\nERROR:\n" + count));
  EXPECT_EXIT(GetLineIntegrationRule(12, kIntGLEG, 3, 11, &a, &w), testing::ExitedWithCode(1), Lit(count));
  EXPECT_EXIT(GetLineIntegrationRule(12, kIntGLEG, 3, 0, &a, &w), testing::ExitedWithCode(1), Lit(count));
  EXPECT_EXIT(GetTriangIntegrationRule(12, kIntGLEG, 3, 2, &a, &b, &w), testing::ExitedWithCode(1),
              Lit("Invalid number of integration points.\nTriangle rules have 1, 3, 4 or 6 points."));
  EXPECT_EXIT(GetTriangIntegrationRule(12, kIntGLOB, 3, 3, &a, &b, &w), testing::ExitedWithCode(1),
              Lit("Invalid integration type.\nTriangle integration type must be _GLEG."));
  Mat S(4, 2);
  Vec W(4);
  EXPECT_EXIT(CalcIntegrationPointsQuad(12, kIntGLOB, 4, 1, 2, S, W), testing::ExitedWithCode(1), Lit(count));
}

TEST(IntegrationDeath, IncompletePatterns) {
  CheckIntegrationPatternComplete(2, 3, 2, 0);
  EXPECT_EXIT(CheckIntegrationPatternComplete(1, 0, 2, 2), testing::ExitedWithCode(1),
              Lit("Integration pattern is incomplete.\nThe parameter _G_S1_k is missing."));
  EXPECT_EXIT(CheckIntegrationPatternComplete(2, 2, 0, 2), testing::ExitedWithCode(1),
              Lit("Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing."));
  EXPECT_EXIT(CheckIntegrationPatternComplete(3, 2, 2, 0), testing::ExitedWithCode(1),
              Lit("Integration pattern is incomplete.\nThe parameters _G_S1_k, _G_S2_k and/or _G_S3_k are missing."));
}

// The tensor-product walk: every point once, in the order asked for, with the weight as
// the element routines form it, w1 w2 w3 in that order.
TEST(Integration, TensorRuleWalksEveryPointInItsOrder) {
  for (int dim = 2; dim <= 3; dim++)
    for (RuleOrder order : {RuleOrder::kFirstFastest, RuleOrder::kLastFastest}) {
      const int c[4] = {0, 2, 3, 4};
      TensorRule r{dim, {0, 0, 0, 0}, {}, {}};
      for (int d = 1; d <= dim; d++) {
        r.c[d] = c[d];
        GetLineIntegrationRule(1, kIntGLEG, 0, c[d], &r.a[d], &r.w[d]);
      }
      const int n3 = dim == 3 ? c[3] : 1;
      int expected = 0;
      double sum = 0.0;
      ForEachRulePoint(r, order, [&](const RulePoint& p) {
        EXPECT_EQ(p.ip, ++expected);
        const int k = p.ip - 1;
        if (order == RuleOrder::kFirstFastest) {
          EXPECT_EQ(p.i[1], k % c[1] + 1);
          EXPECT_EQ(p.i[2], k / c[1] % c[2] + 1);
          EXPECT_EQ(p.i[3], dim == 3 ? k / (c[1] * c[2]) + 1 : 0);
        } else {
          EXPECT_EQ(p.i[3], dim == 3 ? k % n3 + 1 : 0);
          EXPECT_EQ(p.i[2], k / n3 % c[2] + 1);
          EXPECT_EQ(p.i[1], k / (n3 * c[2]) + 1);
        }
        double w = r.w[1][p.i[1]] * r.w[2][p.i[2]];
        if (dim == 3) w = w * r.w[3][p.i[3]];
        EXPECT_EQ(p.weight, w);
        for (int d = 1; d <= 3; d++) EXPECT_EQ(p.s[d], d <= dim ? r.a[d][p.i[d]] : 0.0);
        sum += p.weight;
      });
      EXPECT_EQ(expected, c[1] * c[2] * n3);
      EXPECT_NEAR(sum, dim == 3 ? 8.0 : 4.0, 1e-13);  // the measure of the parent element
    }
}
