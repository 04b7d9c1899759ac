// Conjugate gradient (Luenberger form) on KFF, preconditioned by its diagonal.
//
// Scaled system: A y = M F with A = M KFF M, M = diag(1 / sqrt(d_i)) and a = M y; r is the
// gradient A y - M F, p the descent direction. The product with KFF takes the upper-
// triangle row lists directly.
#include <cmath>
#include <cstdio>

#include "assembly/solvers.h"
#include "numcore/numcore.h"
#include "model/fileio.h"
#include "model/outputcontrol.h"

// s[i] = sum over j of |M_i K_ij M_j| for the symmetric K stored as its upper triangle.
static void SymSparseMatAbsRowSums(int n, const int* count, int** cols, double** vals,
                                   const double* M, double* s) {
  for (int i = 1; i <= n; i++) s[i] = 0.0;
  for (int i = 1; i <= n; i++) {
    const int* c = cols[i];
    const double* a = vals[i];
    for (int t = 1; t <= count[i]; t++) {
      const double v = std::fabs(a[t]) * M[i] * M[c[t]];
      s[i] += v;
      if (c[t] != i) s[c[t]] += v;
    }
  }
}

static void PrintDashes(int n) {
  for (int i = 0; i < n; i++) std::putchar('-');
  std::putchar('\n');
}

void SolveIterJacPreConjGrad(int nF, int* iterations, double* seconds, double tol,
                             double* residNorm, const char* job, const char* tag,
                             const char* OutputControl, const int* count, int** cols,
                             double* rhs, double** vals) {
  double wall0, cpu0, wall1, cpu1;
  gettimes(&wall0, &cpu0);
  const bool info = OutputControl[OC_PRINT_ITERATIVE_JPCG_INFO] == 'Y';
  if (info) std::printf("\nConjugate gradient method (Luenberger version) with preconditioning\n");
  if (!(tol >= 0.0)) InternalError(__FILE__, __LINE__);

  FILE* hist = nullptr;
  if (OutputControl[OC_EXPORT_ITERATIVE_JPCG_HIST] == 'Y') {
    char suffix[512];
    if (std::snprintf(suffix, sizeof suffix, "%s_ih.g2d", tag) >= static_cast<int>(sizeof suffix))
      errexit("The name of the iteration history file is too long.", 0);
    OpenFile(&hist, job, suffix, "w", 'Y');
  }

  double *M, *r, *p, *w, *q;
  allocd1(&M, nF);
  allocd1(&r, nF);
  allocd1(&p, nF);
  allocd1(&w, nF);
  allocd1(&q, nF);

  for (int i = 1; i <= nF; i++) {
    if (count[i] == 0) {
      M[i] = 1.0;
      continue;
    }
    if (cols[i][1] != i) errexit("Null value in the main diagonal of the global stiffness matrix.", 0);
    double d = vals[i][1];
    if (d < 0.0) {
      warnmsg("Negative value in the main diagonal of the global stiffness matrix.", 0);
      d = -d;
    }
    if (d < 1e-8) {
      warnmsg("Value in the main diagonal of the global stiffness matrix is too small.\n"
              "Value changed to 1.0e-8", 0);
      d = 1e-8;
    }
    M[i] = 1.0 / std::sqrt(d);
  }

  double* y = rhs;  // the solution in scaled variables lives in the right-hand side storage
  for (int i = 1; i <= nF; i++) {
    const double mf = M[i] * rhs[i];
    r[i] = -mf;
    p[i] = mf;
    y[i] = 0.0;
  }
  const double norm0 = normd1(r, nF);
  double bound = tol * norm0;
  if (bound < 1e-14) bound = 1e-14;
  if (info) {
    std::printf("\nPreconditioned residual norm (initial solution) = %11.3le\n", norm0);
    PrintDashes(67);
    std::printf("\n");
  }
  if (hist != nullptr) std::fprintf(hist, "%10d %14.6le\n", 0, norm0);
  if (!std::isfinite(norm0))
    errexit("Conjugate gradient method failed:\n"
            "the right-hand side holds a value that is not a finite number.", 0);

  // Rounding level of the curvature: the infinity norm of the scaled matrix M KFF M bounds
  // its largest eigenvalue; a Rayleigh quotient p.A.p / p.p below 1e-12 of it is rounding
  // noise, the matrix being singular (or too ill-conditioned for the method).
  SymSparseMatAbsRowSums(nF, count, cols, vals, M, q);
  double normA = 0.0;
  for (int i = 1; i <= nF; i++)
    if (q[i] > normA) normA = q[i];

  // The iteration count is capped: on a singular or indefinite matrix the residual may
  // never reach the bound.
  const long long cap = 10LL * nF > 1000 ? 10LL * nF : 1000;
  double norm = norm0;
  int k = 0;
  while (!(norm <= bound)) {
    if (k >= cap) {
      char msg[512];
      std::snprintf(msg, sizeof msg,
                    "Conjugate gradient method failed to converge in %d iterations\n"
                    "(preconditioned residual norm = %.3le, required = %.3le).\n"
                    "The global stiffness matrix (KFF) may be singular or too ill-conditioned.",
                    k, norm, bound);
      errexit(msg, 0);
    }
    k++;
    double pp = 0.0;
    for (int i = 1; i <= nF; i++) {
      w[i] = M[i] * p[i];
      pp += p[i] * p[i];
    }
    SymSparseMatVec(nF, count, cols, vals, w, q);
    const double d = dotd1(w, q, nF);
    if (!(d > 1e-12 * normA * pp) || !std::isfinite(d)) {
      char msg[512];
      std::snprintf(msg, sizeof msg,
                    "Conjugate gradient method failed at iteration %d:\n"
                    "the curvature %.3le of the search direction is null, negative, not finite\n"
                    "or at the level of rounding errors.\n"
                    "The global stiffness matrix (KFF) is not positive definite\n"
                    "(singular, indefinite or too ill-conditioned).",
                    k, d);
      errexit(msg, 0);
    }
    const double alpha = -dotd1(r, p, nF) / d;
    for (int i = 1; i <= nF; i++) y[i] += alpha * p[i];
    for (int i = 1; i <= nF; i++) r[i] += alpha * (M[i] * q[i]);
    norm = normd1(r, nF);
    if (info && (k <= 100 || k % 10 == 0 || norm <= bound))
      std::printf("Iter. %10d => Prec. residual norm = %11.3le (%11.3le)\n", k, norm, bound);
    if (hist != nullptr) std::fprintf(hist, "%10d %14.6le\n", k, norm);
    if (!std::isfinite(norm)) {
      char msg[512];
      std::snprintf(msg, sizeof msg,
                    "Conjugate gradient method failed at iteration %d:\n"
                    "the residual norm is not a finite number.", k);
      errexit(msg, 0);
    }
    if (norm <= bound) break;
    // Next conjugate direction. No periodic restart to steepest descent: on slender shell
    // and plate models (scaled condition numbers of 1e7 and more) a restart every nF
    // iterations stalls the method far above any useful tolerance.
    double s = 0.0;
    for (int i = 1; i <= nF; i++) s += r[i] * M[i] * q[i];
    const double beta = s / d;
    for (int i = 1; i <= nF; i++) p[i] = beta * p[i] - r[i];
  }

  if (info) std::printf("\nN. of iterations = %10d\n", k);
  for (int i = 1; i <= nF; i++) rhs[i] = M[i] * y[i];
  freed1(q);
  freed1(w);
  freed1(p);
  freed1(r);
  freed1(M);
  if (hist != nullptr) std::fclose(hist);
  gettimes(&wall1, &cpu1);
  *iterations = k;
  *seconds = wall1 - wall0;
  *residNorm = norm;
}
