// Stress of a cracked point of the solid crack models for a strain increment. The crack
// strain increment de of the active cracks must make the crack stresses of the laws,
// s + Dcr de, equal to the tractions of the concrete across the crack planes,
// T (sigma + Dco (dEps - T^T de)):
//   (Dcr + K0) de = a + t - s,  K0 = T Dco T^T, a = T Dco dEps, t = T sigma.
// Algorithm 1 solves it by Newton's method with the tangent crack matrix, algorithm 2 by
// fixed-point iterations with the secant crack matrix of the step.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "materials/crack/crack_models.h"
#include "model/fileio.h"
#include "numcore/numcore.h"

namespace {

constexpr double kTol = 1e-6;

// The system of one call, set up once.
struct System {
  const CrackParams& p;
  const PointContext& at;
  ActiveCracks& c;
  double** T;
  double** Dco;
  const double* dEps;
  double* sigma;
  int nc, ns, m;
  double **TDco, **K0, **D, **K;
  double *a, *t, *b;
  System(const CrackParams& p_, const PointContext& at_, ActiveCracks& c_, double** T_, double** Dco_,
         const double* dEps_, double* sigma_)
      : p(p_), at(at_), c(c_), T(T_), Dco(Dco_), dEps(dEps_), sigma(sigma_), nc(p_.model->nc), ns(p_.model->ns), m(nc * c_.n) {
    if (p.patternFault) InternalError(__FILE__, __LINE__);
    allocd2(&TDco, m, ns);
    allocd2(&K0, m, m);
    allocd2(&D, m, m);
    allocd2(&K, m, m);
    allocd1(&a, m);
    allocd1(&t, m);
    allocd1(&b, m);
    multd2d2(TDco, T, Dco, m, ns, ns);
    multd2td2(K0, TDco, T, m, ns, m);
    multd2d1(a, TDco, dEps, m, ns);
    multd2d1(t, T, sigma, m, ns);
  }
  ~System() {
    freed1(b);
    freed1(t);
    freed1(a);
    freed2(K);
    freed2(D);
    freed2(K0);
    freed2(TDco);
  }
  System(const System&) = delete;
  System& operator=(const System&) = delete;
};

bool Floors(const CrackParams& p) { return p.model->floorInIterations; }

// Total shear mode: the crack shear stresses become the secant stiffness times the total
// crack shear strain.
void ShearStressSec(const System& S) {
  if (S.p.shearMode != 2) return;
  for (int k = 1; k <= S.c.n; k++)
    for (int q = 2; q <= S.nc; q++) {
      const int j = S.nc * (k - 1) + q;
      S.c.s[j] = S.D[j][j] * S.c.e[j];
    }
}

// Two cracks at right angles without shear stiffness (|D| <= 1e-8 on both shear terms
// of the crack matrix D) leave their shear increments undetermined: row 2j of K ties
// them, x(2i) + x(2j) = 0, and b(2j) becomes 0 (b null: K only).
void ImposeOrthoCrShearConstraint(const System& S, double** D, double** K, double* b) {
  if (!S.p.model->orthoConstraint) return;
  int i, j;
  FindPerpendicularCrPair(S.c.n, &i, &j, S.c.angle);
  if (i == 0) return;
  const int si = S.nc * (i - 1) + 2, sj = S.nc * (j - 1) + 2;
  if (std::fabs(D[si][si]) > kSmall || std::fabs(D[sj][sj]) > kSmall) return;
  for (int q = 1; q <= S.m; q++) K[sj][q] = 0.0;
  K[sj][si] = 1.0;
  K[sj][sj] = 1.0;
  if (b != nullptr) b[sj] = 0.0;
}

// K = D + K0, b = a + t - s with the crack matrix in S.D.
void Assemble(System& S) {
  copyd2(S.K, S.K0, S.m, S.m);
  addd2(S.K, S.D, S.m, S.m);
  for (int j = 1; j <= S.m; j++) S.b[j] = S.a[j] + S.t[j] - S.c.s[j];
  ImposeOrthoCrShearConstraint(S, S.D, S.K, S.b);
}

// Secant matrix of the step de into S.D (floor and shear option included).
void SecantMatrix(System& S, const double* de, bool shearOption) {
  zerod2(S.D, S.m, S.m);
  Calc_Dcr_Sec(S.p, S.c, S.c.e, S.c.s, de, S.D);
  if (Floors(S.p)) ApplyMinCrStiff(S.p, S.c, 1, S.D);
  if (shearOption) ShearStressSec(S);
}

// r = (D + K0) de - b at the estimate de; leaves K and b of the estimate. Returns max |r|.
double Residual(System& S, const double* de, double* r) {
  SecantMatrix(S, de, true);
  Assemble(S);
  multd2d1(r, S.K, de, S.m, S.m);
  subd1(r, S.b, S.m);
  return maxabsd1(r, S.m);
}

// Solves K x = b on a copy of K.
bool Solve(System& S, double* x) {
  double** W;
  allocd2(&W, S.m, S.m);
  copyd2(W, S.K, S.m, S.m);
  const bool ok = linsolved2(W, x, S.b, S.m);
  freed2(W);
  return ok;
}

// Initial estimate with the tangent crack matrix at the start of the step.
void InitialEstimate(System& S, double* de) {
  zerod2(S.D, S.m, S.m);
  Calc_Dcr(S.p, S.c, S.c.e, S.c.e, S.c.s, S.D);
  if (Floors(S.p)) ApplyMinCrStiff(S.p, S.c, 1, S.D);
  ShearStressSec(S);
  Assemble(S);
  if (!Solve(S, de))
    MaterialPointFault(S.at,
                       "Calculate the initial delta crack strain vector to determinate\n"
                       "the delta stress from the current delta strain:\n",
                       S.p.model->name,
                       "Solving a system of nonlinear equations of the iterative algorithm 1.\n"
                       "The (Dcr + Tcr x Dco x TcrT) matrix is singular.\nIterative process could not be completed.");
}

// Newton correction at the total crack strains eHat: (K0 + Dt [+ derivative]) delta = -r.
bool NewtonCorrection(System& S, const double* eHat, const double* r, double* delta) {
  double **J, *mr;
  allocd2(&J, S.m, S.m);
  allocd1(&mr, S.m);
  zerod2(S.D, S.m, S.m);
  Calc_Dcr(S.p, S.c, eHat, S.c.e, S.c.s, S.D);
  if (Floors(S.p)) ApplyMinCrStiff(S.p, S.c, 1, S.D);
  copyd2(J, S.D, S.m, S.m);
  addd2(J, S.K0, S.m, S.m);
  if (S.p.shearLaw == 0 && !S.p.inPattern) CalcFirstDeriv_DcrII(S.p, S.c, eHat, S.c.e, J);
  // The tied row keeps its residual: the correction drives x(2i) + x(2j) to zero.
  ImposeOrthoCrShearConstraint(S, S.D, J, nullptr);
  for (int j = 1; j <= S.m; j++) mr[j] = -r[j];
  const bool ok = linsolved2(J, delta, mr, S.m);
  freed1(mr);
  freed2(J);
  return ok;
}

// Converged step: s += D de, e += de, sigma += Dco (dEps - T^T de). Returns the
// normalised residual max |T sigma - s| / ref of the new state.
double ConvergedUpdate(System& S, const double* de) {
  SecantMatrix(S, de, S.p.model->shearOptionInIncrement);
  double *ds, *ecr, *w, *r;
  allocd1(&ds, S.m);
  allocd1(&ecr, S.ns);
  allocd1(&w, S.ns);
  allocd1(&r, S.m);
  multd2d1(ds, S.D, de, S.m, S.m);
  addd1(S.c.s, ds, S.m);
  addd1(S.c.e, de, S.m);
  multtd2d1(ecr, S.T, de, S.ns, S.m);
  for (int i = 1; i <= S.ns; i++) ecr[i] = S.dEps[i] - ecr[i];
  multd2d1(w, S.Dco, ecr, S.ns, S.ns);
  addd1(S.sigma, w, S.ns);
  multd2d1(r, S.T, S.sigma, S.m, S.ns);
  subd1(r, S.c.s, S.m);
  const double rho = maxabsd1(r, S.m) / S.p.ref;
  freed1(r);
  freed1(w);
  freed1(ecr);
  freed1(ds);
  return rho;
}

// The update of a converged estimate can lose the residual under strains far beyond the
// law's range (a load many orders of magnitude too large): the point's fault says so.
[[noreturn]] void GrownUpdateFault(const System& S) {
  MaterialPointFault(S.at, "Calculating the delta stress from the current delta strain:\n", S.p.model->name,
                     "The internal stress equations did not converge: the residual of the\n"
                     "converged estimate grows in its update. The load step is far too large\n"
                     "for the crack model (check the load-case factors of the combination).");
}

void RaiseFlagged(const System& S, double* de) {
  for (int k = 1; k <= S.c.n; k++) {
    const int j = S.nc * (k - 1) + 1;
    if (S.c.status[k] == kCrInitiating && de[j] < kSmall) de[j] = kSmall;
  }
}

bool AnyFlagged(const ActiveCracks& c) {
  for (int k = 1; k <= c.n; k++)
    if (c.status[k] == kCrInitiating) return true;
  return false;
}

// The working arrays of one algorithm.
struct Vectors {
  int m;
  double *de, *r, *delta, *eHat;
  explicit Vectors(int m_) : m(m_) {
    for (double** v : {&de, &r, &delta, &eHat}) {
      allocd1(v, m);
      zerod1(*v, m);
    }
  }
  ~Vectors() {
    for (double* v : {eHat, delta, r, de}) freed1(v);
  }
  Vectors(const Vectors&) = delete;
  Vectors& operator=(const Vectors&) = delete;
};

void PassOneLimit(const PointContext& at, double resid) {
  char line[64];
  std::snprintf(line, sizeof line, "   -> Resid: %18.10le\n", resid);
  IterateFault(std::string("\nCalculating the crack strain and stress vectors and the stress\n"
                           "vector, using the delta strain vector (Algorithm 2):\n") +
                   PointContextLines(at) + line + "The maximum n. of iterations was reached without convergence.\n",
               "Execution cannot proceed.");
}

}  // namespace

void CalcCrTangentNewton(const CrackParams& p, const ActiveCracks& c, const double* eHat, double** J) {
  Calc_Dcr(p, c, eHat, c.e, c.s, J);
  if (Floors(p)) ApplyMinCrStiff(p, c, 1, J);
  if (p.shearLaw == 0 && !p.inPattern) CalcFirstDeriv_DcrII(p, c, eHat, c.e, J);
}

void CalcCrLawStress(const CrackParams& p, const ActiveCracks& c, const double* de, double* s) {
  const int nc = p.model->nc, m = nc * c.n;
  double** D;
  allocd2(&D, m, m);
  zerod2(D, m, m);
  Calc_Dcr_Sec(p, c, c.e, c.s, de, D);
  if (Floors(p)) ApplyMinCrStiff(p, c, 1, D);
  copyd1(s, c.s, m);
  if (p.shearMode == 2)
    for (int k = 1; k <= c.n; k++)
      for (int q = 2; q <= nc; q++) {
        const int j = nc * (k - 1) + q;
        s[j] = D[j][j] * c.e[j];
      }
  for (int i = 1; i <= m; i++)
    for (int j = 1; j <= m; j++) s[i] += D[i][j] * de[j];
  freed2(D);
}

bool CheckFlaggedCompAboveTol(int n, int nc, const int* status, const double* de) {
  for (int k = 1; k <= n; k++)
    if (status[k] == kCrInitiating && !(de[nc * (k - 1) + 1] >= kSmall)) return false;
  return true;
}

void ConvergenceAssumedLog(const PointContext& at, const char* line, double resid) {
  FILE* fp;
  OpenFile(&fp, "ConvergenceAssumed", ".lpt", "a", 'N');
  std::fprintf(fp, "-------------------------------------------------\n");
  std::fprintf(fp, "Combination: %d\n", at.combination);
  std::fprintf(fp, "Iteration: %d\n", at.iteration);
  std::fprintf(fp, "Element: %d\n", at.element);
  std::fprintf(fp, "Sampling point: %d\n", at.point);
  std::fprintf(fp, "\n");
  std::fprintf(fp, "%s", line);
  std::fprintf(fp, "     -> fResid: %-16.8le\n", resid);
  CloseFile(fp);
}

bool CalcDeltaStressIterAlgor01(const CrackParams& p, const PointContext& at, ActiveCracks& c, double** T,
                                double** Dco, const double* dEps, double* sigma) {
  System S(p, at, c, T, Dco, dEps, sigma);
  Vectors v(S.m);
  InitialEstimate(S, v.de);
  RaiseFlagged(S, v.de);
  copyd1(v.eHat, c.e, S.m);
  for (int i = 0;; i++) {
    if (Residual(S, v.de, v.r) / p.ref < kTol) break;
    if (i + 1 > 50) return false;
    const bool ok = NewtonCorrection(S, v.eHat, v.r, v.delta);
    if (!ok) return false;
    addd1(v.de, v.delta, S.m);
    RaiseFlagged(S, v.de);
    for (int j = 1; j <= S.m; j++)
      if (std::fabs(v.de[j]) > 10.0) v.de[j] = kSmall;
    for (int j = 1; j <= S.m; j++) v.eHat[j] = c.e[j] + v.de[j];
  }
  const double rho2 = ConvergedUpdate(S, v.de);
  if (rho2 <= kTol) return true;
  if (p.model->acceptSmallest && rho2 <= 1.01e-6) {
    ConvergenceAssumedLog(at, "Unbalanced stress - convergence assumed\n", rho2);
    return true;
  }
  GrownUpdateFault(S);
}

bool CalcDeltaStressIterAlgor02(const CrackParams& p, const PointContext& at, ActiveCracks& c, double** T,
                                double** Dco, const double* dEps, double* sigma, double* rhoMin, int pass,
                                char* validFlag, AcceptedResidual rec) {
  const bool two = p.model->acceptSmallest;
  if (pass != 0 && (pass != 1 || !two || rec.tolerance == nullptr)) InternalError(__FILE__, __LINE__);
  System S(p, at, c, T, Dco, dEps, sigma);
  Vectors v(S.m);
  InitialEstimate(S, v.de);
  double tol = kTol, rho = 0.0;
  if (!CheckFlaggedCompAboveTol(c.n, S.nc, c.status, v.de)) {
    *validFlag = 0;
    return false;
  }
  if (pass == 0) *rhoMin = 1e30;
  for (int i = 0;; i++) {
    const double resid = Residual(S, v.de, v.r);
    rho = resid / p.ref;
    if (pass == 0 && rho < *rhoMin) *rhoMin = rho;
    if (pass == 1 && rho == *rhoMin) {
      tol = rho;
      *rec.tolerance = rho;
      *rec.accepted = 1;
    }
    if (rho <= tol) break;
    if (i + 1 > 10000) {
      if (!two) {
        if (AnyFlagged(c)) return false;
        PassOneLimit(at, resid);
      }
      if (pass == 0) return false;
      if (AnyFlagged(c) && rho <= 0.1) InternalError(__FILE__, __LINE__);
      PassOneLimit(at, resid);
    }
    // Secant step: K and b of the estimate, left by the residual.
    if (!Solve(S, v.de))
      MaterialPointFault(at, "Calculating the delta stress from the current delta strain:\n", p.model->name,
                         "Solving a system of nonlinear equations of the iterative algorithm 2.\n"
                         "The (Dcr + Tcr x Dco x TcrT) matrix is singular.\nIterative process could not be "
                         "completed.");
    if (!CheckFlaggedCompAboveTol(c.n, S.nc, c.status, v.de)) {
      *validFlag = 0;
      return false;
    }
    if (maxabsd1(v.de, S.m) > 1e20) return false;
  }
  const double rho2 = ConvergedUpdate(S, v.de);
  if (rho2 > (pass == 0 ? tol : tol + 1e-8)) GrownUpdateFault(S);
  if (pass == 0) return true;
  ConvergenceAssumedLog(at, "Internal stress equation - convergence assumed\n", rho);
  if (rho > 1e-3) {
    char msg[256];
    std::snprintf(msg, sizeof msg,
                  "The crack strains were accepted with a residual above 0.1 %% of the reference stress:\n"
                  "   -> Combination: %d\n   -> Element: %d\n   -> Sampling point: %d\n   -> Resid: %-16.8le",
                  at.combination, at.element, at.point, rho);
    warnmsg(msg, 0);
  }
  return true;
}

namespace {
long solveCount = 0;
}  // namespace

long DeltaStressSolveCount() { return solveCount; }

bool CalcDeltaStress(const CrackParams& p, const PointContext& at, ActiveCracks& c, double** T, double** Dco,
                     const double* dEps, double* sigma, AcceptedResidual rec, char* algorithm) {
  solveCount++;
  *algorithm = 0;
  char validFlag = 1;
  // An increment below 1e-20 is none: the start state stands.
  const int ns = p.model->ns;
  if (maxabsd1(dEps, ns) < 1e-20) return true;
  if (c.n == 0) {
    double* ds;
    allocd1(&ds, ns);
    multd2d1(ds, Dco, dEps, ns, ns);
    addd1(sigma, ds, ns);
    freed1(ds);
    return true;
  }
  if (CalcDeltaStressIterAlgor01(p, at, c, T, Dco, dEps, sigma)) return true;
  double rhoMin = 1e30;
  if (CalcDeltaStressIterAlgor02(p, at, c, T, Dco, dEps, sigma, &rhoMin, 0, &validFlag, rec)) return true;
  if (p.model->acceptSmallest && validFlag == 1 &&
      CalcDeltaStressIterAlgor02(p, at, c, T, Dco, dEps, sigma, &rhoMin, 1, &validFlag, rec))
    return true;
  *algorithm = 1;
  return false;
}
