// Residual check of the solutions of KFF a = F.
//
// The check works in the Jacobi-scaled variables of the conjugate gradient: with
// D = diag(1 / sqrt(|K_ii|)), the scaled matrix D K D has a unit diagonal, y = D^-1 a and
// the scaled residual is D (K a - F). Every term of the test then scales alike when the
// stiffness or the loads change units, so the test is independent of the units.
#include "assembly/solution_check.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

#include "assembly/solvers.h"
#include "assembly/topology.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void CopySparseRows(const SparseRowMatrix* K, SparseRowMatrix* copy) {
  const int n = K->n;
  copy->n = n;
  alloci1(&copy->count, n);
  for (int i = 1; i <= n; i++) copy->count[i] = K->count[i];
  allocragi2(&copy->cols, n, copy->count);
  allocragd2(&copy->vals, n, copy->count);
  for (int i = 1; i <= n; i++)
    for (int t = 1; t <= K->count[i]; t++) {
      copy->cols[i][t] = K->cols[i][t];
      copy->vals[i][t] = K->vals[i][t];
    }
}

void FreeSparseRowsCopy(SparseRowMatrix* copy) {
  freeragd2(copy->vals, copy->n);
  freeragi2(copy->cols, copy->n);
  freei1(copy->count);
  copy->vals = nullptr;
  copy->cols = nullptr;
  copy->count = nullptr;
}

namespace {

// The first of v[1..n] that is not finite, 0 when all are.
int FirstNonFinite(int n, const double* v) {
  for (int i = 1; i <= n; i++)
    if (!std::isfinite(v[i])) return i;
  return 0;
}

// Jacobi scale of the symmetric row lists: D[i] = 1 / sqrt(|K_ii|), 1 for a missing or
// null diagonal.
void JacobiScale(int n, const int* count, int** cols, double** vals, double* D) {
  for (int i = 1; i <= n; i++) {
    const double d = count[i] > 0 && cols[i][1] == i ? std::fabs(vals[i][1]) : 0.0;
    D[i] = d > 0.0 ? 1.0 / std::sqrt(d) : 1.0;
  }
}

// The stop of a singular or ill-conditioned system: the quantity measured, its value,
// the kind of bound and the bound.
[[noreturn]] void RefuseSingularSystem(const char* quantity, double value, const char* bound, double limit) {
  char msg[400];
  std::snprintf(msg, sizeof msg,
                "The system of equations is singular or ill-conditioned: the %s is %.3le\n(%s %.3le).", quantity,
                value, bound, limit);
  // In a Newton iterate: a tangent that a smaller step may leave regular.
  IterateFault("", msg);
}

}  // namespace

void CheckFiniteResults(int n, const double* v, const char* what) {
  if (const int i = FirstNonFinite(n, v); i != 0) {
    char msg[320];
    std::snprintf(msg, sizeof msg,
                  "The %s of equation %d is not a finite number:\n"
                  "the loads or the prescribed displacements are too large for the model.",
                  what, i);
    errexit(msg, 0);
  }
}

void CheckSolution(int n, const int* count, int** cols, double** vals, const double* F,
                   const double* a, double decay) {
  if (const int i = FirstNonFinite(n, a); i != 0) {
    char msg[320];
    std::snprintf(msg, sizeof msg,
                  "The solution of the system of equations is not a finite number (equation %d):\n"
                  "the system is singular or ill-conditioned, or the loads are too large.",
                  i);
    IterateFault("", msg);
  }
  double *D, *r;
  allocd1(&D, n);
  allocd1(&r, n);
  JacobiScale(n, count, cols, vals, D);
  // r = K a (F subtracted below) and the infinity norm of D K D (its largest absolute
  // row sum).
  SymSparseMatVec(n, count, cols, vals, a, r);
  double normK = 0.0, normY = 0.0, normF = 0.0, normF2 = 0.0, normR = 0.0;
  double* rowSum;
  allocd1(&rowSum, n);
  SymSparseMatAbsRowSums(n, count, cols, vals, D, rowSum);
  for (int i = 1; i <= n; i++) {
    normK = std::fmax(normK, rowSum[i]);
    normY = std::fmax(normY, std::fabs(a[i]) / D[i]);
    normF = std::fmax(normF, std::fabs(D[i] * F[i]));
    normF2 += (D[i] * F[i]) * (D[i] * F[i]);
    normR = std::fmax(normR, std::fabs(D[i] * (r[i] - F[i])));
  }
  freed1(rowSum);
  freed1(r);
  freed1(D);
  // Rounding level. A solution that is exact up to rounding satisfies (K + dK) a = F with
  // |dK| a few units of the rounding eps times the terms summed along a row of the
  // elimination (at most n of them, each below 1 in the scaled matrix), and the product
  // K a adds the same order: ||r|| <= c eps (||K|| ||y|| + ||F||). The linear growth with
  // n is the worst case; rounding errors add up like a random walk in practice, so
  // c = 10 n (at least 1000) leaves a wide margin while a failed or overflowed solution
  // stands orders of magnitude above it.
  const double c = n > 100 ? 10.0 * n : 1000.0;
  double allowed = c * DBL_EPSILON * (normK * normY + normF);
  // An iterative solver stops at a residual decay (the conjugate gradient at
  // decay ||D F||_2 in the 2-norm, which bounds the infinity norm); its updated residual
  // may drift from the true one: a factor 10 is allowed for that.
  if (decay > 0.0) allowed += 10.0 * decay * std::sqrt(normF2);
  if (!(normR <= allowed))
    RefuseSingularSystem("residual of the solution", normR, "Jacobi-scaled infinity norm; rounding level", allowed);
}

namespace {

// Motion m (1..3 translation along x_m, 4..6 rotation about x_(m-3) through c, scaled by
// 1 / size so that every motion moves the model by lengths of order 1) at the free
// dofs: v[1..nF], components in the point's axes. Returns false when some point's
// rotations are in axes of their own (a rotation then cannot be written).
bool RigidMotion(int m, const MeshData* mesh, const MainWorkArrays* w, const double* c, double size, double* v) {
  for (int i = 1; i <= w->nF; i++) v[i] = 0.0;
  double t[4] = {0, 0, 0, 0}, th[4] = {0, 0, 0, 0};
  if (m <= 3)
    t[m] = 1.0;
  else
    th[m - 3] = 1.0 / size;
  for (int p = 1; p <= mesh->nPoints; p++) {
    const char* code = w->PointDofCodes[p];
    const double* x = mesh->PointCoord[p];
    double g[7];  // u1 u2 u3 r1 r2 r3 in global axes
    double r[4] = {0, x[1] - c[1], x[2] - c[2], x[3] - c[3]};
    double cr[4];
    crossd1(cr, th, r);
    for (int j = 1; j <= 3; j++) {
      g[j] = t[j] + cr[j];
      g[3 + j] = th[j];
    }
    if (w->PointTypes[p] != kPointGeneral) {
      if (m > 3 && (code[4] == 'F' || code[5] == 'F')) return false;
      g[6] = 0.0;  // the drill row stands alone
    }
    const int cs = w->PointSpecialCS[p];
    if (cs != 0) {
      double q[7];
      for (int k = 1; k <= 3; k++) {
        const double* axis = mesh->AuxVectors[mesh->CoordSystems[cs].AuxVector[k]].v;
        q[k] = dotd1(axis, g, 3);
        q[3 + k] = dotd1(axis, g + 3, 3);
      }
      copyd1(g, q, 6);
    }
    for (int d = 1; d <= 6; d++)
      if (code[d] == 'F') v[w->PointDofNumbers[p][d]] = g[d];
  }
  // Slave dofs stand alone: their elements act on the master's equations.
  for (int k = 1; k <= mesh->nPointLinks; k++) {
    const InternalPointLink& l = mesh->PointLinks[k];
    for (int d = 1; d <= 6; d++)
      if (l.Linked[d] == 1 && w->PointDofCodes[l.Slave][d] == 'F') v[w->PointDofNumbers[l.Slave][d]] = 0.0;
  }
  return true;
}

}  // namespace

void CheckRigidMotionsStopped(const MeshData* mesh, const MainWorkArrays* w, const SparseRowMatrix* KFF) {
  const int n = w->nF;
  if (n == 0 || mesh->nPoints == 0) return;
  // Centre and size of the model.
  double c[4] = {0, 0, 0, 0}, lo[4], hi[4];
  for (int j = 1; j <= 3; j++) lo[j] = hi[j] = mesh->PointCoord[1][j];
  for (int p = 1; p <= mesh->nPoints; p++)
    for (int j = 1; j <= 3; j++) {
      lo[j] = std::fmin(lo[j], mesh->PointCoord[p][j]);
      hi[j] = std::fmax(hi[j], mesh->PointCoord[p][j]);
    }
  double size = 0.0;
  for (int j = 1; j <= 3; j++) {
    c[j] = 0.5 * (lo[j] + hi[j]);
    size = std::fmax(size, hi[j] - lo[j]);
  }
  if (!(size > 0.0)) size = 1.0;
  double* D;
  allocd1(&D, n);
  JacobiScale(n, KFF->count, KFF->cols, KFF->vals, D);
  int longest = 1;
  for (int i = 1; i <= n; i++) {
    D[i] = 1.0 / (D[i] * D[i]);  // the diagonal itself
    if (KFF->count[i] > longest) longest = KFF->count[i];
  }
  // Basis of the motions, orthonormal in the weight diag(K): W^T D W = I.
  double** W;
  allocd2(&W, 6, n);
  int k = 0;
  for (int m = 1; m <= 6; m++) {
    double* v = W[k + 1];
    if (!RigidMotion(m, mesh, w, c, size, v)) continue;
    double norm0 = 0.0;
    for (int i = 1; i <= n; i++) norm0 += D[i] * v[i] * v[i];
    for (int pass = 0; pass < 2; pass++)
      for (int b = 1; b <= k; b++) {
        double s = 0.0;
        for (int i = 1; i <= n; i++) s += D[i] * W[b][i] * v[i];
        for (int i = 1; i <= n; i++) v[i] -= s * W[b][i];
      }
    double norm = 0.0;
    for (int i = 1; i <= n; i++) norm += D[i] * v[i] * v[i];
    // A motion held by the supports at every free dof, or one the others already span.
    if (!(norm > 1e-16 * norm0) || !(norm > 0.0)) continue;
    scaled1(v, n, 1.0 / std::sqrt(norm));
    k++;
  }
  double min = 0.0;
  if (k > 0) {
    double *Kw, **G, **V, *lambda;
    allocd1(&Kw, n);
    allocd2(&G, k, k);
    allocd2(&V, k, k);
    allocd1(&lambda, k);
    for (int a = 1; a <= k; a++) {
      SymSparseMatVec(n, KFF->count, KFF->cols, KFF->vals, W[a], Kw);
      for (int b = 1; b <= k; b++) G[b][a] = dotd1(W[b], Kw, n);
    }
    for (int a = 1; a <= k; a++)
      for (int b = a + 1; b <= k; b++) G[a][b] = G[b][a] = 0.5 * (G[a][b] + G[b][a]);
    int nrot;
    double offmax;
    // Without convergence of the eigenvalues (already warned) the test is not made.
    min = eigjacobi(G, k, lambda, V, &nrot, &offmax) ? lambda[1] : HUGE_VAL;
    freed1(lambda);
    freed2(V);
    freed2(G);
    freed1(Kw);
  }
  freed2(W);
  freed1(D);
  // min is the smallest strain energy of a rigid motion over its measure in diag(K).
  // A motion the supports leave free has an energy at the rounding level of the product,
  // a few eps per term of a row; a stopped one at least of the order 1 / N^3 for a chain
  // of N members held at one end (4e-9 for 400 frame members). 100 eps per term of the
  // longest row separates the two with margin.
  const double bound = 100.0 * 2 * longest * DBL_EPSILON;
  if (k > 0 && !(min > bound)) {
    char msg[640];
    int n = std::snprintf(msg, sizeof msg,
                          "The supports do not stop every rigid motion of the model: the global\n"
                          "stiffness matrix (KFF) is singular (relative strain energy of the free\n"
                          "motion %.3le). Supports must be added or changed.",
                          min);
    // An element that no property record covers adds no stiffness: a mesh cut by it moves
    // freely although its supports are sound.
    int without = 0, first = 0;
    for (int e = 1; e <= mesh->nElements; e++)
      if (w->ElemPropIndex[e] == 0 && ++without == 1) first = e;
    if (without > 0 && n > 0 && n < static_cast<int>(sizeof msg))
      std::snprintf(msg + n, sizeof msg - static_cast<size_t>(n),
                    "\nOr the element property records are incomplete: %d element(s) have no\n"
                    "record in <ELEMENT_PROPERTIES> for this phase and take no part (the first:\n"
                    "element n. %d).",
                    without, first);
    errexit(msg, 0);
  }
}

namespace {

// y = B^-1 x for the Jacobi-scaled B = D K D: y = D^-1 K^-1 D^-1 x (x overwritten by y),
// for the m vectors x[0 .. m-1] in one pass.
void SolveScaled(int n, const int* last, double** A, const double* D, double* const* x, int m) {
  for (int c = 0; c < m; c++)
    for (int i = 1; i <= n; i++) x[c][i] /= D[i];
  double seconds;
  SolveNCSBMany(n, &seconds, last, x, m, A);
  for (int c = 0; c < m; c++)
    for (int i = 1; i <= n; i++) x[c][i] /= D[i];
}

double Norm1(int n, const double* x) {
  double s = 0.0;
  for (int i = 1; i <= n; i++) s += std::fabs(x[i]);
  return s;
}

}  // namespace

void CheckConditionNCSB(int n, const SparseRowMatrix* K, const int* last, double** A) {
  if (n == 0) return;
  double *D, *x, *y, *rowSum;
  allocd1(&D, n);
  allocd1(&x, n);
  allocd1(&y, n);
  allocd1(&rowSum, n);
  JacobiScale(n, K->count, K->cols, K->vals, D);
  SymSparseMatAbsRowSums(n, K->count, K->cols, K->vals, D, rowSum);
  double normB = 0.0;
  for (int i = 1; i <= n; i++) normB = std::fmax(normB, rowSum[i]);
  // Hager's estimate of ||B^-1||_1 (B symmetric): at most two steps of the gradient
  // search over the unit 1-norm ball, then Higham's alternating test vector. Two steps
  // find the growth of a singular system (the first solve already meets its noise pivot);
  // more would tighten a lower bound that is tested against a limit orders of magnitude
  // away, at the price of a profile solve each, after every factorisation.
  // The alternating vector does not depend on the search: it goes with the first solve.
  double *z, *w;
  allocd1(&z, n);
  allocd1(&w, n);
  for (int i = 1; i <= n; i++) w[i] = (i % 2 == 1 ? 1.0 : -1.0) * (1.0 + (n > 1 ? (i - 1.0) / (n - 1.0) : 0.0));
  for (int i = 1; i <= n; i++) x[i] = 1.0 / n;
  double est = 0.0;
  for (int step = 1; step <= 2; step++) {
    copyd1(y, x, n);
    double* first[2] = {y, w};
    SolveScaled(n, last, A, D, first, step == 1 ? 2 : 1);
    const double norm = Norm1(n, y);
    if (!std::isfinite(norm)) {
      est = HUGE_VAL;
      break;
    }
    if (!(norm > est)) break;  // no gain
    est = norm;
    for (int i = 1; i <= n; i++) z[i] = y[i] >= 0.0 ? 1.0 : -1.0;
    SolveScaled(n, last, A, D, &z, 1);
    int j = 1;
    for (int i = 2; i <= n; i++)
      if (std::fabs(z[i]) > std::fabs(z[j])) j = i;
    if (!(std::fabs(z[j]) > dotd1(z, x, n))) break;  // a local maximum
    for (int i = 1; i <= n; i++) x[i] = i == j ? 1.0 : 0.0;
  }
  freed1(z);
  copyd1(x, w, n);
  freed1(w);
  const double alt = 2.0 * Norm1(n, x) / (3.0 * n);
  est = std::isfinite(alt) ? std::fmax(est, alt) : HUGE_VAL;
  freed1(rowSum);
  freed1(y);
  freed1(x);
  freed1(D);
  // Above 1 / (10 eps) (4.5e14) rounding may leave no correct digit in the solution; a
  // mechanism's rounding-noise pivot gives 4e16 (four Truss2D bars), while the slender
  // models that solve stay well below (a 400-member Frame2D cantilever 2.5e11, a thin
  // shell strip of 600 equations 4e10).
  const double limit = 1.0 / (10.0 * DBL_EPSILON);
  const double kappa = normB * est;
  if (!(kappa <= limit))
    RefuseSingularSystem("estimated condition number of the Jacobi-scaled stiffness matrix", kappa, "limit", limit);
  // Well below the limit the solution keeps its digits, but so ill-conditioned a matrix
  // is most often a model with a spurious mode (reduced integration, a nearly free part)
  // that dominates the displacements: said once per run.
  static bool warned = false;
  constexpr double kWarning = 1e12;
  if (kappa > kWarning && !warned) {
    warned = true;
    char msg[320];
    std::snprintf(msg, sizeof msg,
                  "The stiffness matrix is ill-conditioned: the estimated condition number of the\n"
                  "Jacobi-scaled matrix is %.3e (refused above %.3e). A spurious mode (a\n"
                  "reduced integration rule, a nearly unsupported part) may dominate the results.",
                  kappa, limit);
    warnmsg(msg, 0);
  }
}
