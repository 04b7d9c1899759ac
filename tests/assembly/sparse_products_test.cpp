// Products, combinations and the prescribed-displacement road on row-list matrices.
#include <gtest/gtest.h>

#include <algorithm>

#include "assembly/solvers.h"
#include "sparse_fixture.h"

namespace {

Dense RandomRect(int n, int m, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> val(-2.0, 2.0);
  std::uniform_int_distribution<int> pick(0, 2);
  Dense R(n, m);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= m; j++)
      if (pick(gen) == 0) R(i, j) = val(gen);
  return R;
}

std::vector<double> RandomVec(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> val(-1.0, 1.0);
  std::vector<double> v(n + 1, 0.0);
  for (int i = 1; i <= n; i++) v[i] = val(gen);
  return v;
}

}  // namespace

TEST(SparseProducts, AgreeWithDenseProducts) {
  const int nP = 7, nF = 11;
  Dense R = RandomRect(nP, nF, 5u);
  SparseRowMatrix S = MakeRows(R, false);
  const std::vector<double> xF = RandomVec(nF, 6u), xP = RandomVec(nP, 7u);
  const std::vector<double> yF0 = RandomVec(nF, 8u), yP0 = RandomVec(nP, 9u);
  const double alpha = -0.75;

  std::vector<double> y = yP0;
  AddScaledSparseMatVecProduct(nP, alpha, S.count, S.cols, S.vals, xF.data(), y.data());
  for (int i = 1; i <= nP; i++) {
    double s = 0.0;
    for (int j = 1; j <= nF; j++) s += R(i, j) * xF[j];
    EXPECT_NEAR(y[i], yP0[i] + alpha * s, 1e-14) << "A x, row " << i;
  }
  std::vector<double> yt = yF0, ys = yF0;
  AddScaledSparseMatTransVecProduct(nP, alpha, S.count, S.cols, S.vals, xP.data(), yt.data());
  SubtractSparseMatTransVecProduct(nF, nP, S.count, S.cols, xP.data(), ys.data(), S.vals);
  for (int j = 1; j <= nF; j++) {
    double s = 0.0;
    for (int i = 1; i <= nP; i++) s += R(i, j) * xP[i];
    EXPECT_NEAR(yt[j], yF0[j] + alpha * s, 1e-14) << "A^T x, column " << j;
    EXPECT_NEAR(ys[j], yF0[j] - s, 1e-14) << "-A^T x, column " << j;
  }
  FreeRows(&S);

  // Symmetric upper-triangle store, with a row whose diagonal is absent and an empty row.
  Dense K = RandomSPD(nF, 4, 10u);
  K(3, 3) = 0.0;
  for (int j = 1; j <= nF; j++) K(6, j) = K(j, 6) = 0.0;
  K(2, 5) = K(5, 2) = 0.5;
  SparseRowMatrix U = MakeRows(K, true);
  std::vector<double> z = yF0;
  AddScaledSymSparseMatVecProduct(nF, alpha, U.count, U.cols, U.vals, xF.data(), z.data());
  for (int i = 1; i <= nF; i++) {
    double s = 0.0;
    for (int j = 1; j <= nF; j++) s += K(i, j) * xF[j];
    EXPECT_NEAR(z[i], yF0[i] + alpha * s, 1e-13) << "sym A x, row " << i;
  }

  // alpha exactly 0 does nothing, whatever x holds.
  std::vector<double> nanx(nF + 1, std::nan(""));
  z = yF0;
  AddScaledSymSparseMatVecProduct(nF, 0.0, U.count, U.cols, U.vals, nanx.data(), z.data());
  AddScaledSparseMatTransVecProduct(nF, 0.0, U.count, U.cols, U.vals, nanx.data(), z.data());
  AddScaledSparseMatVecProduct(nF, 0.0, U.count, U.cols, U.vals, nanx.data(), z.data());
  AddScaledVector(nF, 0.0, nanx.data(), z.data());
  EXPECT_EQ(z, yF0);
  FreeRows(&U);
}

TEST(SparseProducts, AddScaledVector) {
  for (double alpha : {1.0, -1.0, 2.5}) {
    double x[4] = {0.0, 1.0, -2.0, 0.125};
    double y[4] = {0.0, 3.0, 4.0, 5.0};
    AddScaledVector(3, alpha, x, y);
    EXPECT_EQ(y[1], 3.0 + alpha * 1.0);
    EXPECT_EQ(y[2], 4.0 - alpha * 2.0);
    EXPECT_EQ(y[3], 5.0 + alpha * 0.125);
  }
}

// E = a A + b B: union of the patterns in ascending order; a term is dropped when null (an
// exact cancellation) or the rounding residue of its parts, in any units: terms of 1e-8
// and far below are kept, a cancellation of 0.1 + 0.2 - 0.3 is dropped.
TEST(SparseProducts, EffectiveMatrix) {
  for (double unit : {1e-9, 1.0, 1e9}) {
    SCOPED_TRACE(unit);
    SparseRowMatrix A = MakeRowsFromLists({
        {{1, 2.0 * unit}, {3, 1.0 * unit}},
        {{2, 1e-8 * unit}, {4, (0.1 + 0.2) * unit}},
        {{4, 1e-20 * unit}},
        {},
    });
    SparseRowMatrix B = MakeRowsFromLists({
        {{2, 4.0 * unit}, {3, 0.5 * unit}, {5, 1.0 * unit}},
        {{4, 0.15 * unit}},
        {{1, 3.0 * unit}},
        {},
    });
    SparseRowMatrix E = MakeRowsFromLists({{}, {}, {}, {}});
    CalcEffectiveMatrixSparse(5, 4, 2.0, -4.0, A.count, B.count, E.count, A.cols, B.cols, E.cols,
                              A.vals, B.vals, E.vals);
    ASSERT_EQ(E.count[1], 3);  // 2 + (-4) 0.5 at column 3: an exact cancellation
    EXPECT_EQ(E.cols[1][1], 1); EXPECT_EQ(E.vals[1][1], 4.0 * unit);
    EXPECT_EQ(E.cols[1][2], 2); EXPECT_EQ(E.vals[1][2], -16.0 * unit);
    EXPECT_EQ(E.cols[1][3], 5); EXPECT_EQ(E.vals[1][3], -4.0 * unit);
    ASSERT_EQ(E.count[2], 1);  // 2 (0.1 + 0.2) - 4 (0.15): rounding residue, dropped
    EXPECT_EQ(E.cols[2][1], 2); EXPECT_EQ(E.vals[2][1], 2e-8 * unit);
    EXPECT_EQ(E.count[4], 0);
    ASSERT_EQ(E.count[3], 2);
    EXPECT_EQ(E.cols[3][1], 1); EXPECT_EQ(E.vals[3][1], -12.0 * unit);
    EXPECT_EQ(E.cols[3][2], 4); EXPECT_EQ(E.vals[3][2], 2.0 * (1e-20 * unit));
    FreeRows(&E);
    FreeRows(&B);
    FreeRows(&A);
  }
}

// A matrix made empty takes the lists of a combination; released, it is left without
// vectors, and releasing it again (or one never made) does nothing.
TEST(SparseProducts, EmptyMatrixTakesCombinationAndIsReleasedOnce) {
  SparseRowMatrix A = MakeRowsFromLists({{{1, 2.0}, {2, 1.0}}, {{2, 3.0}}});
  SparseRowMatrix E;
  AllocSparseRowMatrix(2, &E);
  EXPECT_EQ(E.n, 2);
  for (int i = 1; i <= 2; i++) {
    EXPECT_EQ(E.count[i], 0);
    EXPECT_EQ(E.cols[i], nullptr);
    EXPECT_EQ(E.vals[i], nullptr);
  }
  CalcEffectiveMatrixSparse(2, 2, 1.0, 1.0, A.count, A.count, E.count, A.cols, A.cols, E.cols, A.vals, A.vals,
                            E.vals);
  ASSERT_EQ(E.count[1], 2);
  EXPECT_EQ(E.vals[1][1], 4.0);
  EXPECT_EQ(E.vals[2][1], 6.0);
  FreeSparseRowMatrix(&E);
  EXPECT_EQ(E.count, nullptr);
  EXPECT_EQ(E.cols, nullptr);
  EXPECT_EQ(E.vals, nullptr);
  FreeSparseRowMatrix(&E);
  SparseRowMatrix never{};
  FreeSparseRowMatrix(&never);
  FreeRows(&A);
}

TEST(SparseProductsDeathTest, EffectiveMatrixRefusesNonFiniteTerms) {
  SparseRowMatrix A = MakeRowsFromLists({{{1, std::nan("")}}});
  SparseRowMatrix B = MakeRowsFromLists({{{1, 1.0}}});
  SparseRowMatrix E = MakeRowsFromLists({{}});
  EXPECT_EXIT(CalcEffectiveMatrixSparse(1, 1, 1.0, 1.0, A.count, B.count, E.count, A.cols, B.cols,
                                        E.cols, A.vals, B.vals, E.vals),
              testing::ExitedWithCode(1),
              "^\nERROR:\nEffective matrix: a term is not a finite number\\.\n\n$");
  FreeRows(&E);
  FreeRows(&B);
  FreeRows(&A);
}

// A bar of springs k1 (1-2), k2 (2-3), k3 (3-4) with a parallel spring k4 (1-4); node 1 is
// held, node 4 pulled by delta; an external force F_P acts at the prescribed dofs. The
// series path carries N = delta / (1/k1 + 1/k2 + 1/k3), the parallel spring k4 delta, and
// the reactions are R_1 = -N - k4 delta - F_1, R_4 = N + k4 delta - F_4. Both solvers.
TEST(SparseProducts, PrescribedDisplacementAndReactions) {
  const double k1 = 200.0, k2 = 50.0, k3 = 125.0, k4 = 30.0, delta = 0.02;
  // free dofs: nodes 2, 3; prescribed dofs: nodes 1, 4
  Dense KFF(2, 2), KPF(2, 2), KPP(2, 2);
  KFF(1, 1) = k1 + k2; KFF(1, 2) = KFF(2, 1) = -k2; KFF(2, 2) = k2 + k3;
  KPF(1, 1) = -k1; KPF(2, 2) = -k3;
  KPP(1, 1) = k1 + k4; KPP(1, 2) = KPP(2, 1) = -k4; KPP(2, 2) = k3 + k4;
  const double N = delta / (1 / k1 + 1 / k2 + 1 / k3);
  const double aP[3] = {0.0, 0.0, delta};
  const double FP[3] = {0.0, 0.5, -0.25};
  for (int solver = 0; solver < 2; solver++) {
    SparseRowMatrix F = MakeRows(KFF, true), PF = MakeRows(KPF, false), PP = MakeRows(KPP, true);
    double a[3] = {0.0, 0.0, 0.0};
    SubtractSparseMatTransVecProduct(2, 2, PF.count, PF.cols, aP, a, PF.vals);
    const std::string flags = Flags();
    if (solver == 0) {
      int* last;
      alloci1(&last, 2);
      double** A;
      int64_t terms;
      double t;
      Calc_NCSB_KFF(2, &terms, flags.c_str(), last, &F, &A);
      FactorNCSB(2, &t, flags.c_str(), last, A);
      SolveNCSB(2, &t, last, a, A);
      freeprofd2(A, 2);
      freei1(last);
    } else {
      int it;
      double t, norm;
      SolveIterJacPreConjGrad(2, &it, &t, 1e-14, &norm, "bar", "", flags.c_str(), F.count, F.cols,
                              a, F.vals);
    }
    EXPECT_NEAR(a[1], N / k1, 1e-15) << "solver " << solver;
    EXPECT_NEAR(a[2], N / k1 + N / k2, 1e-15) << "solver " << solver;
    double R[3];
    CalcResidKaMinusF(2, PF.count, PP.count, PF.cols, PP.cols, a, aP, FP, PF.vals, PP.vals, R);
    EXPECT_NEAR(R[1], -N - k4 * delta - FP[1], 1e-12) << "solver " << solver;
    EXPECT_NEAR(R[2], N + k4 * delta - FP[2], 1e-12) << "solver " << solver;
    FreeRows(&PP);
    FreeRows(&PF);
    FreeRows(&F);
  }
}
