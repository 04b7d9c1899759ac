#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "numcore/eigensolvers.h"
#include "numcore/numcore.h"
#include "numcore/sparse.h"
#include "sparse_fixtures.h"

namespace {

// A generalised problem K x = lambda M x held both ways: the reduced profile store of K
// for the direct solver, K and its incomplete Cholesky factor for the other.
struct Pencil {
  int n;
  RowList K, M, U;
  int* last;
  double** P;
  double** Kd;  // dense copies for the checks
  double** Md;
};

Pencil MakePencil(double** K, double** M, int n) {
  Pencil p;
  p.n = n;
  p.K = UpperFromDense(K, n);
  p.M = UpperFromDense(M, n);
  alloci1(&p.last, n);
  for (int i = 1; i <= n; i++) p.last[i] = i;
  allocprofd2(&p.P, n, p.last);
  N6_NZmat_to_profile(p.last, p.P, p.K.count, p.K.col, p.K.val, n);
  N6_NZmat_gauss_elim(p.last, p.P, n);
  p.U.n = n;
  N6_NZmat_alloc_empty(&p.U.count, &p.U.col, &p.U.val, n);
  int fr;
  double fp;
  EXPECT_TRUE(N6_NZmat_icf(p.U.count, p.U.col, p.U.val, p.K.count, p.K.col, p.K.val, n, 0.0,
                           'N', 0.0, &fr, &fp));
  allocd2(&p.Kd, n, n);
  allocd2(&p.Md, n, n);
  copyd2(p.Kd, K, n, n);
  copyd2(p.Md, M, n, n);
  return p;
}

void FreePencil(Pencil* p) {
  freed2(p->Md);
  freed2(p->Kd);
  FreeRowList(&p->U);
  freeprofd2(p->P, p->n);
  freei1(p->last);
  FreeRowList(&p->M);
  FreeRowList(&p->K);
}

struct Modes {
  int found = 0;
  bool ok = false;
  double* lambda;
  double** X;
  int nev;
};

Modes Alloc(int n, int nev) {
  Modes m;
  m.nev = nev;
  allocd1(&m.lambda, nev);
  allocd2(&m.X, n, nev);
  return m;
}
void FreeModes(Modes* m) {
  freed2(m->X);
  freed1(m->lambda);
}

const double kTol = 1e-10;

Modes Direct(Pencil& p, int nev, double sigma = 1e40, int nc = 0, double** C = nullptr,
             int maxrestarts = 10, double tol = kTol) {
  Modes m = Alloc(p.n, nev);
  m.ok = N6_Lanczos_direct(p.last, p.P, p.M.count, p.M.col, p.M.val, p.n, nev, sigma, m.lambda,
                           m.X, &m.found, nc, C, maxrestarts, tol);
  return m;
}

Modes Pcg(Pencil& p, int nev, double sigma = 1e40, int nc = 0, double** C = nullptr,
          int maxrestarts = 10, std::string* console = nullptr) {
  Modes m = Alloc(p.n, nev);
  testing::internal::CaptureStdout();
  m.ok = N6_Lanczos_pcg(p.K.count, p.K.col, p.K.val, p.U.count, p.U.col, p.U.val, p.M.count,
                        p.M.col, p.M.val, p.n, nev, sigma, m.lambda, m.X, &m.found, nc, C,
                        maxrestarts, kTol, 1e-13);
  std::string out = testing::internal::GetCapturedStdout();
  if (console != nullptr) *console = out;
  return m;
}

// Every mode satisfies K x = lambda M x (relative residual) and X^T M X = I.
void ExpectModes(const Pencil& p, const Modes& m, double restol = 1e-8) {
  int n = p.n;
  std::vector<double> kx(n + 1), mx(n + 1);
  for (int a = 1; a <= m.found; a++) {
    std::vector<double> x(n + 1);
    for (int i = 1; i <= n; i++) x[i] = m.X[i][a];
    multd2d1(kx.data(), p.Kd, x.data(), n, n);
    multd2d1(mx.data(), p.Md, x.data(), n, n);
    double r = 0.0, s = 0.0;
    for (int i = 1; i <= n; i++) {
      r += std::pow(kx[i] - m.lambda[a] * mx[i], 2);
      s += kx[i] * kx[i];
    }
    EXPECT_LT(std::sqrt(r / s), restol) << "mode " << a;
    for (int b = 1; b <= m.found; b++) {
      double xmx = 0.0;
      for (int i = 1; i <= n; i++) xmx += m.X[i][b] * mx[i];
      EXPECT_NEAR(xmx, a == b ? 1.0 : 0.0, 1e-9) << a << "," << b;
    }
  }
}

void Identity(double** A, int n) {
  zerod2(A, n, n);
  setdiagd2(A, n, n, 1.0);
}

const double E = 200e9, RHO = 7850, AREA = 1e-4, LEN = 3.0;

}  // namespace

TEST(Lanczos, StartSequenceIsFixed) {
  EXPECT_EQ(N6_Lanczos_random(0.5), std::sqrt(-1000.0 * std::log(0.5)) - 26.0);
  double x = 0.5;
  for (int i = 0; i < 1000; i++) {
    x = N6_Lanczos_random(x);
    ASSERT_GE(x, 0.0);
    ASSERT_LT(x, 1.0);
  }
}

TEST(Lanczos, TwoByTwoBothSolvers) {
  double **K, **M;
  allocd2(&K, 2, 2);
  allocd2(&M, 2, 2);
  K[1][1] = 2;
  K[1][2] = K[2][1] = -1;
  K[2][2] = 1;
  Identity(M, 2);
  Pencil p = MakePencil(K, M, 2);
  Modes d = Direct(p, 2), g = Pcg(p, 2);
  for (Modes* m : {&d, &g}) {
    EXPECT_TRUE(m->ok);
    ASSERT_EQ(m->found, 2);
    EXPECT_NEAR(m->lambda[1], (3.0 - std::sqrt(5.0)) / 2.0, 1e-12);
    EXPECT_NEAR(m->lambda[2], (3.0 + std::sqrt(5.0)) / 2.0, 1e-12);
    EXPECT_NEAR(m->lambda[1], 0.381966, 1e-6);
    EXPECT_NEAR(m->lambda[2], 2.618034, 1e-6);
    ExpectModes(p, *m, 1e-12);
    FreeModes(m);
  }
  // More modes asked than the order: all there are.
  Modes all = Direct(p, 5);
  EXPECT_TRUE(all.ok);
  EXPECT_EQ(all.found, 2);
  FreeModes(&all);
  FreePencil(&p);
  freed2(M);
  freed2(K);
}

// A fixed-free bar of 20 consistent-mass truss elements: the first frequency is within
// 0.1% of (pi/2) sqrt(E/rho)/L, and every eigenvalue equals the discrete closed form.
TEST(Lanczos, TrussBarFirstFrequencyAndDiscreteSpectrum) {
  const int ne = 20;
  double **K, **M;
  allocd2(&K, ne, ne);
  allocd2(&M, ne, ne);
  BarMatricesDense(K, M, ne, E, RHO, AREA, LEN);
  Pencil p = MakePencil(K, M, ne);
  Modes d = Direct(p, 5);
  std::string console;
  Modes g = Pcg(p, 5, 1e40, 0, nullptr, 10, &console);
  double omega1 = M_PI / 2.0 * std::sqrt(E / RHO) / LEN;
  EXPECT_NEAR(omega1, 2642.89, 0.01);
  for (Modes* m : {&d, &g}) {
    EXPECT_TRUE(m->ok);
    ASSERT_EQ(m->found, 5);
    EXPECT_NEAR(std::sqrt(m->lambda[1]), omega1, 1e-3 * omega1);
    for (int j = 1; j <= 5; j++) {
      double want = BarEigenvalue(j, ne, E, RHO, LEN);
      EXPECT_NEAR(m->lambda[j], want, 1e-10 * want) << j;
    }
    ExpectModes(p, *m);
  }
  // The two variants agree, vectors up to sign.
  for (int j = 1; j <= 5; j++) {
    double sgn = d.X[ne][j] * g.X[ne][j] > 0 ? 1.0 : -1.0;
    for (int i = 1; i <= ne; i++) EXPECT_NEAR(d.X[i][j], sgn * g.X[i][j], 1e-8);
  }
  EXPECT_NE(console.find("Lanczos iteration 1 ...\n"), std::string::npos);
  EXPECT_NE(console.find("Lanczos iteration finished: Alpha = "), std::string::npos);
  FreeModes(&g);
  FreeModes(&d);
  FreePencil(&p);
  freed2(M);
  freed2(K);
}

// Modes sought M-orthogonal to the first two: the next three come out.
TEST(Lanczos, ConstraintVectorsAreRespected) {
  const int ne = 20;
  double **K, **M, **C;
  allocd2(&K, ne, ne);
  allocd2(&M, ne, ne);
  BarMatricesDense(K, M, ne, E, RHO, AREA, LEN);
  Pencil p = MakePencil(K, M, ne);
  Modes first = Direct(p, 2);
  ASSERT_EQ(first.found, 2);
  allocd2(&C, ne, 2);
  for (int i = 1; i <= ne; i++)
    for (int j = 1; j <= 2; j++) C[i][j] = first.X[i][j];
  Modes d = Direct(p, 3, 1e40, 2, C), g = Pcg(p, 3, 1e40, 2, C);
  for (Modes* m : {&d, &g}) {
    EXPECT_TRUE(m->ok);
    ASSERT_EQ(m->found, 3);
    for (int j = 1; j <= 3; j++) {
      double want = BarEigenvalue(j + 2, ne, E, RHO, LEN);
      EXPECT_NEAR(m->lambda[j], want, 1e-10 * want);
      for (int c = 1; c <= 2; c++) {
        double s = 0.0;
        for (int a = 1; a <= ne; a++)
          for (int b = 1; b <= ne; b++) s += C[a][c] * M[a][b] * m->X[b][j];
        EXPECT_NEAR(s, 0.0, 1e-10);
      }
    }
    ExpectModes(p, *m);
  }
  FreeModes(&g);
  FreeModes(&d);

  // Constraints spanning the whole space: nothing is left to find (no endless refill).
  double** Cfull;
  allocd2(&Cfull, 2, 2);
  double** I2;
  allocd2(&I2, 2, 2);
  Identity(I2, 2);
  Identity(Cfull, 2);
  Pencil q = MakePencil(I2, I2, 2);
  Modes none = Direct(q, 2, 1e40, 2, Cfull);
  EXPECT_TRUE(none.ok);
  EXPECT_EQ(none.found, 0);
  FreeModes(&none);
  none = Direct(q, 0);  // no mode asked
  EXPECT_TRUE(none.ok);
  EXPECT_EQ(none.found, 0);
  FreeModes(&none);
  FreePencil(&q);
  freed2(I2);
  freed2(Cfull);
  FreeModes(&first);
  freed2(C);
  FreePencil(&p);
  freed2(M);
  freed2(K);
}

// The same models with the stiffness scaled by 1e-6 (a model in other units, or a very
// flexible one): the same modes, eigenvalues scaled. A test of |alpha| in absolute
// eigenvalue units would refuse both (|alpha| ~ 1/lambda far above 10).
TEST(Lanczos, StiffnessScaledBy1eMinus6FindsSameModes) {
  const int ne = 20;
  double **K, **M, **Ks;
  allocd2(&K, ne, ne);
  allocd2(&M, ne, ne);
  allocd2(&Ks, ne, ne);
  BarMatricesDense(K, M, ne, E, RHO, AREA, LEN);
  copyd2(Ks, K, ne, ne);
  scaled2(Ks, ne, ne, 1e-6);
  Pencil p = MakePencil(K, M, ne), ps = MakePencil(Ks, M, ne);
  Modes ref = Direct(p, 4), d = Direct(ps, 4), g = Pcg(ps, 4);
  for (Modes* m : {&d, &g}) {
    EXPECT_TRUE(m->ok);
    ASSERT_EQ(m->found, 4);
    for (int j = 1; j <= 4; j++) {
      EXPECT_NEAR(m->lambda[j], 1e-6 * ref.lambda[j], 1e-10 * 1e-6 * ref.lambda[j]);
      double sgn = ref.X[ne][j] * m->X[ne][j] > 0 ? 1.0 : -1.0;
      for (int i = 1; i <= ne; i++) EXPECT_NEAR(m->X[i][j], sgn * ref.X[i][j], 1e-8);
    }
  }
  FreeModes(&g);
  FreeModes(&d);
  FreeModes(&ref);
  FreePencil(&ps);
  FreePencil(&p);

  double **K2, **I2;
  allocd2(&K2, 2, 2);
  allocd2(&I2, 2, 2);
  K2[1][1] = 2e-6;
  K2[1][2] = K2[2][1] = -1e-6;
  K2[2][2] = 1e-6;
  Identity(I2, 2);
  Pencil q = MakePencil(K2, I2, 2);
  Modes m2 = Direct(q, 2);
  EXPECT_TRUE(m2.ok);
  ASSERT_EQ(m2.found, 2);
  EXPECT_NEAR(m2.lambda[1], 0.381966011250105e-6, 1e-18);
  EXPECT_NEAR(m2.lambda[2], 2.618033988749895e-6, 1e-18);
  FreeModes(&m2);
  FreePencil(&q);
  freed2(I2);
  freed2(K2);
  freed2(Ks);
  freed2(M);
  freed2(K);
}

// A shifted matrix that is singular to working accuracy (an eigenvalue 1e-14 against a
// spectrum of order 1) passes the elimination, whose pivots are both near 1e-7, but the
// step refuses it.
TEST(Lanczos, ShiftTooCloseToEigenvalueIsRefused) {
  double **K, **I2;
  allocd2(&K, 2, 2);
  allocd2(&I2, 2, 2);
  double eps = 1e-14, s2 = 1e-7, c2 = 1.0 - s2;
  K[1][1] = eps * c2 + s2;
  K[2][2] = eps * s2 + c2;
  K[1][2] = K[2][1] = (1.0 - eps) * std::sqrt(s2 * c2);
  Identity(I2, 2);
  Pencil q = MakePencil(K, I2, 2);
  testing::internal::CaptureStderr();
  Modes m = Direct(q, 1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(m.ok);
  EXPECT_EQ(m.found, 0);
  EXPECT_EQ(err, "\nWARNING:\nThe shift is too close to an eigenvalue.\n");
  FreeModes(&m);
  FreePencil(&q);
  freed2(I2);
  freed2(K);
}

// A repeated eigenvalue: a single start vector spans only one copy, the second comes
// from a new start vector once the first Krylov space is used up.
TEST(Lanczos, RepeatedEigenvalueIsFoundTwice) {
  const int n = 6;
  double **K, **I6;
  allocd2(&K, n, n);
  allocd2(&I6, n, n);
  Identity(I6, n);
  zerod2(K, n, n);
  const double diag[n + 1] = {0, 3.0, 1.0, 5.0, 1.0, 2.0, 4.0};
  for (int i = 1; i <= n; i++) K[i][i] = diag[i];
  Pencil p = MakePencil(K, I6, n);
  for (double tol : {1e-6, 1e-12}) {
    Modes m = Direct(p, 3, 1e40, 0, nullptr, 10, tol);
    EXPECT_TRUE(m.ok);
    ASSERT_EQ(m.found, 3);
    EXPECT_NEAR(m.lambda[1], 1.0, 1e-12);
    EXPECT_NEAR(m.lambda[2], 1.0, 1e-12);
    EXPECT_NEAR(m.lambda[3], 2.0, 1e-12);
    ExpectModes(p, m, 1e-10);
    FreeModes(&m);
  }
  FreePencil(&p);
  freed2(I6);
  freed2(K);
}

// A membrane of 20 x 20 free points (400 dofs, more than the 100 Lanczos vectors):
// the lowest 45 modes need restarts; many eigenvalues are double. Both solvers against
// the closed form.
TEST(Lanczos, MembraneWithRestartsAndDoubleEigenvalues) {
  const int N = 20, n = N * N, nev = 45;
  double **K, **I;
  allocd2(&K, n, n);
  allocd2(&I, n, n);
  GridLaplacianDense(K, N);
  Identity(I, n);
  std::vector<double> want;
  for (int a = 1; a <= N; a++)
    for (int b = 1; b <= N; b++)
      want.push_back(4.0 - 2.0 * std::cos(a * M_PI / (N + 1)) - 2.0 * std::cos(b * M_PI / (N + 1)));
  std::sort(want.begin(), want.end());
  Pencil p = MakePencil(K, I, n);
  std::string console;
  Modes d = Direct(p, nev), g = Pcg(p, nev, 1e40, 0, nullptr, 10, &console);
  for (Modes* m : {&d, &g}) {
    EXPECT_TRUE(m->ok);
    ASSERT_EQ(m->found, nev);
    for (int j = 1; j <= nev; j++) EXPECT_NEAR(m->lambda[j], want[j - 1], 1e-9) << j;
    ExpectModes(p, *m);
  }
  // More steps than vectors: the run went through restarts.
  EXPECT_NE(console.find("Lanczos iteration 101 ...\n"), std::string::npos);
  FreeModes(&g);
  FreeModes(&d);

  // Without restarts allowed the run reports it, with the pairs it has.
  Modes r = Direct(p, nev, 1e40, 0, nullptr, 0, 1e-14);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.found, nev);
  FreeModes(&r);
  FreePencil(&p);
  freed2(I);
  freed2(K);
}

// The bound sigma: only eigenvalues below it are kept at a restart.
TEST(Lanczos, BoundKeepsOnlyEigenvaluesBelowIt) {
  const int ne = 150;
  double **K, **M;
  allocd2(&K, ne, ne);
  allocd2(&M, ne, ne);
  BarMatricesDense(K, M, ne, E, RHO, AREA, LEN);
  Pencil p = MakePencil(K, M, ne);
  double l3 = BarEigenvalue(3, ne, E, RHO, LEN), l4 = BarEigenvalue(4, ne, E, RHO, LEN);
  Modes all = Direct(p, 8);
  EXPECT_TRUE(all.ok);
  ASSERT_EQ(all.found, 8);
  for (int j = 1; j <= 8; j++) {
    double want = BarEigenvalue(j, ne, E, RHO, LEN);
    EXPECT_NEAR(all.lambda[j], want, 1e-9 * want);
  }
  Modes below = Direct(p, 8, 0.5 * (l3 + l4));
  EXPECT_TRUE(below.ok);
  ASSERT_EQ(below.found, 3);
  for (int j = 1; j <= 3; j++) EXPECT_NEAR(below.lambda[j], all.lambda[j], 1e-9 * all.lambda[j]);
  Modes none = Direct(p, 8, 0.5 * all.lambda[1]);
  EXPECT_TRUE(none.ok);
  EXPECT_EQ(none.found, 0);
  FreeModes(&none);
  FreeModes(&below);
  FreeModes(&all);
  FreePencil(&p);
  freed2(M);
  freed2(K);
}

// A failed triangular solve in the preconditioner stops the run instead of going on
// with a wrong vector.
TEST(Lanczos, FailedPreconditionerStopsPcgRun) {
  const int ne = 6;
  double **K, **M;
  allocd2(&K, ne, ne);
  allocd2(&M, ne, ne);
  BarMatricesDense(K, M, ne, E, RHO, AREA, LEN);
  Pencil p = MakePencil(K, M, ne);
  p.U.val[3][1] = 0.0;
  testing::internal::CaptureStderr();
  Modes g = Pcg(p, 2);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(g.ok);
  EXPECT_EQ(g.found, 0);
  EXPECT_EQ(err, "\nWARNING:\nNull value in the diagonal of the matrix.\n");
  FreeModes(&g);
  FreePencil(&p);
  freed2(M);
  freed2(K);
}

TEST(Lanczos, NullMassIsRefused) {
  double **K, **M;
  allocd2(&K, 2, 2);
  allocd2(&M, 2, 2);
  Identity(K, 2);
  zerod2(M, 2, 2);
  Pencil p = MakePencil(K, M, 2);
  testing::internal::CaptureStderr();
  Modes m = Direct(p, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nWARNING:\nNull or negative mass norm of a Lanczos vector.\n");
  EXPECT_FALSE(m.ok);
  EXPECT_EQ(m.found, 0);
  FreeModes(&m);
  FreePencil(&p);
  freed2(M);
  freed2(K);
}
