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

// One line of the history file; a failed write stops the run (CloseFile names the file).
static void WriteHistoryLine(FILE* hist, int k, double norm) {
  if (std::fprintf(hist, "%10d %14.6le\n", k, norm) < 0) CloseFile(hist);
}

static void PrintDashes(int n) {
  for (int i = 0; i < n; i++) std::putchar('-');
  std::putchar('\n');
}

// The history file <job><tag>_ih.g2d of the residual norms, when the control file asks
// for it; else null.
static FILE* OpenIterationHistory(const char* job, const char* tag, const char* OutputControl) {
  FILE* hist = nullptr;
  if (OutputControl[OC_EXPORT_ITERATIVE_JPCG_HIST] == 'Y') {
    char suffix[512];
    if (std::snprintf(suffix, sizeof suffix, "%s_ih.g2d", tag) >= static_cast<int>(sizeof suffix))
      errexit("The name of the iteration history file is too long.", 0);
    OpenFile(&hist, job, suffix, "w", 'Y');
  }
  return hist;
}

// M[i] = 1 / sqrt(|KFF_ii|), the Jacobi scaling; an empty row or a null diagonal stops
// the run, a negative one is warned of.
static void JacobiScaling(int nF, const int* count, int** cols, double** vals, double* M) {
  for (int i = 1; i <= nF; i++) {
    // An empty row leaves its unknown free to take any value: the matrix is singular.
    if (count[i] == 0) errexit("Null row in the global stiffness matrix (KFF)", 0);
    if (cols[i][1] != i) errexit("Null value in the main diagonal of the global stiffness matrix.", 0);
    double d = vals[i][1];
    if (d < 0.0) {
      warnmsg("Negative value in the main diagonal of the global stiffness matrix.", 0);
      d = -d;
    }
    // No floor: the scaling by the diagonal itself makes the iterations the same in any
    // units, and a kept diagonal is never null (the assembly drops null terms).
    if (d == 0.0) errexit("Null value in the main diagonal of the global stiffness matrix.", 0);
    M[i] = 1.0 / std::sqrt(d);
  }
}

// A search direction of no positive curvature: the matrix is not positive definite.
static void CurvatureFault(int k, double d) {
  char msg[768];
  std::snprintf(msg, sizeof msg,
                "Conjugate gradient method failed at iteration %d:\n"
                "the curvature %.3le of the search direction is null, negative, not finite\n"
                "or at the level of rounding errors.\n"
                "The global stiffness matrix (KFF) is not positive definite\n"
                "(singular, indefinite or too ill-conditioned).\n"
                "A softening tangent makes it indefinite: Gaussian elimination, or a\n"
                "stiffness-update strategy that keeps a positive-definite matrix (for\n"
                "instance the initial stiffness of _NEWTON_RAPHSON_MOD_1), can solve it.",
                k, d);
  errexit(msg, 0);
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

  FILE* hist = OpenIterationHistory(job, tag, OutputControl);

  double *M, *r, *p, *w, *q;
  allocd1(&M, nF);
  allocd1(&r, nF);
  allocd1(&p, nF);
  allocd1(&w, nF);
  allocd1(&q, nF);

  JacobiScaling(nF, count, cols, vals, M);

  double* y = rhs;  // the solution in scaled variables lives in the right-hand side storage
  for (int i = 1; i <= nF; i++) {
    const double mf = M[i] * rhs[i];
    r[i] = -mf;
    p[i] = mf;
    y[i] = 0.0;
  }
  const double norm0 = normd1(r, nF);
  // No absolute floor: a null right-hand side stops at once (0 <= 0), any other at its own
  // share of the initial residual, in any units.
  const double bound = tol * norm0;
  if (info) {
    std::printf("\nPreconditioned residual norm (initial solution) = %11.3le\n", norm0);
    PrintDashes(67);
    std::printf("\n");
  }
  if (hist != nullptr) WriteHistoryLine(hist, 0, norm0);
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

  // Stagnation test. Slender well-posed models need 10 to 15 nF iterations and their
  // residual is far from monotonic: a 400-member cantilever and a thin shell strip stay
  // above their initial residual for 5 to 10 nF iterations (while the energy
  // 1/2 y.A.y - y.M F falls), and later go up to 5 nF iterations without a new smallest
  // residual. Progress is a new smallest residual or a fall of the energy by more than
  // 1e-12 of its value since the last progress; the run stops after max(10 nF, 1000)
  // iterations without progress (a bound the rounding errors make unreachable) or after
  // max(100 nF, 10000) iterations. An inconsistent singular system lowers the energy
  // without bound: the curvature test or the limit stops it.
  const long long window = 10LL * nF > 1000 ? 10LL * nF : 1000;
  const long long hardLimit = 100LL * nF > 10000 ? 100LL * nF : 10000;
  double norm = norm0, best = norm0, energy = 0.0, energyAtProgress = 0.0;
  long long progressIter = 0;
  int k = 0;
  while (!(norm <= bound)) {
    if (k - progressIter >= window || k >= hardLimit) {
      char msg[512];
      std::snprintf(msg, sizeof msg,
                    "Conjugate gradient method did not reach the required residual decay in %d iterations\n"
                    "(reached %.3le, required %.3le); Gaussian elimination may solve this model.",
                    k, norm0 > 0.0 ? best / norm0 : best, norm0 > 0.0 ? bound / norm0 : bound);
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
      CurvatureFault(k, d);
    }
    const double rp = dotd1(r, p, nF);
    const double alpha = -rp / d;
    energy -= 0.5 * rp * rp / d;
    for (int i = 1; i <= nF; i++) y[i] += alpha * p[i];
    for (int i = 1; i <= nF; i++) r[i] += alpha * (M[i] * q[i]);
    norm = normd1(r, nF);
    if (info && (k <= 100 || k % 10 == 0 || norm <= bound))
      std::printf("Iter. %10d => Prec. residual norm = %11.3le (%11.3le)\n", k, norm, bound);
    if (hist != nullptr) WriteHistoryLine(hist, k, norm);
    if (!std::isfinite(norm)) {
      char msg[512];
      std::snprintf(msg, sizeof msg,
                    "Conjugate gradient method failed at iteration %d:\n"
                    "the residual norm is not a finite number.", k);
      errexit(msg, 0);
    }
    if (norm <= bound) break;
    if (norm < best || energyAtProgress - energy > 1e-12 * std::fabs(energy)) {
      best = std::fmin(best, norm);
      progressIter = k;
      energyAtProgress = energy;
    }
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
  if (hist != nullptr) CloseFile(hist);
  gettimes(&wall1, &cpu1);
  *iterations = k;
  *seconds = wall1 - wall0;
  *residNorm = norm;
}
