// The solid elasto-plastic crack model: entry points, the uncracked elasto-plastic
// update, the compressive damage split, and the stress update of a cracked point, whose
// pass step solves the cracks and the plasticity together (a Newton iteration on crack
// strains, stress, kappa and dlambda; a staggered iteration when that fails).
#include "materials/crack/elastoplastic_crack.h"

#include <cmath>
#include <cstdio>

#include "materials/elastic.h"
#include "materials/material_slots.h"
#include "numcore/numcore.h"

namespace {

constexpr const char* kModel = "_NLMM151";
constexpr const char* kNotConverged = "The iterative algorithm did not converge.";
constexpr const char* kCrackPlasticStep = "Calculate the stress state using a elasto-plastic smeared crack model:\n";

struct Matrix {
  double** a;
  Matrix(int n, int m) {
    allocd2(&a, n, m);
    zerod2(a, n, m);
  }
  ~Matrix() { freed2(a); }
  Matrix(const Matrix&) = delete;
  Matrix& operator=(const Matrix&) = delete;
};

struct Vector {
  double* a;
  explicit Vector(int n) {
    allocd1(&a, n);
    zerod1(a, n);
  }
  ~Vector() { freed1(a); }
  Vector(const Vector&) = delete;
  Vector& operator=(const Vector&) = delete;
};

struct Terms {
  SurfacePoint p{};
  Terms() { AllocSurfacePoint(6, &p); }
  ~Terms() { FreeSurfacePoint(&p); }
  Terms(const Terms&) = delete;
  Terms& operator=(const Terms&) = delete;
};

double BandWidth(const NLMM151_HD& r) { return r.Cr.CrBandWidth[1]; }

// Sub-increments of a return mapping that failed on the whole step; false at the
// failing one (*failed its number).
bool SubIncrements(const PointContext& at, const CrackPlasticMaterial& c, double** Dco, const double* start,
                   const double* dEps, double kappa0, int count, double factor, ConcreteMapping* out, int* failed) {
  double de[7], s[7];
  for (int i = 1; i <= 6; i++) de[i] = factor * dEps[i];
  copyd1(s, start, 6);
  double kappa = kappa0, dLambda = 0.0, sY = out->sY;
  zerod1(out->dEpsP, 6);
  for (int k = 1; k <= count; k++) {
    ConcreteMapping u{};
    u.sY = sY;
    if (!ReturnMappingAlgor_NLMM151(at, c, 6, Dco, s, de, kappa, 1e-4, &u)) {
      *failed = k;
      return false;
    }
    copyd1(s, u.sigma, 6);
    dLambda += u.dLambda;
    kappa = u.kappa;
    sY = u.sY;
    if (u.dLambda != 0.0) addd1(out->dEpsP, u.dEpsP, 6);
  }
  copyd1(out->sigma, s, 6);
  out->dLambda = dLambda;
  out->kappa = kappa;
  out->sY = sY;
  return true;
}

}  // namespace

CrackView CrackViewOf(NLMM151_HD& r) {
  CrackView v = CrackPartView(r.Cr);
  v.model = &kModel151;
  v.pointStatus = &r.Pl.PointStatus;
  v.stress = r.Pl.PlasticStress;
  v.plastic = &r.Pl;
  return v;
}

// ---- uncracked point --------------------------------------------------------------------------

void CalcStressElastoPlasticModel_NLMM151(const PointContext& at, const CrackPlasticMaterial& c, double** Dco,
                                          const CrackPlasticPart& pl, const double* start, const double* dEps,
                                          ConcreteMapping* out) {
  zerod1(out->dEpsP, 6);
  out->sY = pl.YieldStress;
  const double kappa0 = pl.EqPlasticStrain;
  int failed = 0;
  if (kappa0 > 0.0) {
    if (ReturnMappingAlgor_NLMM151(at, c, 6, Dco, start, dEps, kappa0, 1e-6, out)) return;
    if (SubIncrements(at, c, Dco, start, dEps, kappa0, 400, 0.0025, out, &failed)) return;
    MaterialPointFault(at,
                       "Return Mapping procedure\nCalculating the delta stress vector using\n"
                       "\t\t\t\tthe return mapping algorithm:\n",
                       kModel, kNotConverged);
  }
  double trial[7], k0;
  multd2d1(trial, Dco, dEps, 6, 6);
  addd1(trial, start, 6);
  const double F = CalcInitYieldFunc_NLMM151(c, 6, trial, &k0);
  if (F <= 0.0) {
    copyd1(out->sigma, trial, 6);
    out->dLambda = 0.0;
    out->kappa = 0.0;
    return;
  }
  if (ReturnMappingAlgor_NLMM151(at, c, 6, Dco, start, dEps, kappa0, 1e-6, out)) return;
  if (SubIncrements(at, c, Dco, start, dEps, kappa0, 700, 0.0014285714285714286, out, &failed)) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\nReturn Mapping procedure\nCalculating the delta stress vector using \n"
                       "\t\t\t\t\t\tthe return mapping algorithm:\n");
  std::fprintf(stderr, "   -> Combination: %d\n   -> Iteration: %d\n   -> iSubIncrement: %d\n", at.combination,
               at.iteration, failed);
  std::fprintf(stderr, "   -> Element: %d\n   -> Sampling point: %d\n", at.element, at.point);
  std::printf("Initial yield function value = %15.5le\n", F);
  std::fflush(stdout);
  std::fprintf(stderr, "   -> Nonlinear material model: %s\n", kModel);
  errexit(kNotConverged, 0);
}

void StorePlasticState_NLMM151(const ConcreteMapping& u, CrackPlasticPart* pl) {
  if (u.dLambda == 0.0) {
    pl->PlasticState = 1;
    return;
  }
  pl->PlasticState = 2;
  addd1(pl->PlasticStrain, u.dEpsP, 6);
  pl->DeltaLambda = u.dLambda;
  pl->EqPlasticStrain = u.kappa;
  pl->YieldStress = u.sY;
}

void UpdateSampPointStatus_NLMM151(int32_t* status, int nCr, double kappa) {
  if (*status == 4) return;
  const bool cracked = nCr > 0, plastic = kappa > 0.0;
  if (cracked && plastic)
    *status = 4;
  else if (cracked)
    *status = 2;
  else if (plastic)
    *status = 3;
}

bool CheckUncrackedElastoPlastic_NLMM151(const PointContext& at, const MaterialRecord& m, NLMM151_HD& r, double** Dco,
                                         const double* dEps) {
  if (r.Cr.nCr != 0) return true;
  const CrackPlasticMaterial c = CrackPlasticParameters(m);
  ConcreteMapping u{};
  CalcStressElastoPlasticModel_NLMM151(at, c, Dco, r.Pl, r.Pl.PlasticStress, dEps, &u);
  double values[4];
  Matrix dir(3, 3);
  if (!CalcPrincipalStresses3D(dir.a, values, u.sigma))
    MaterialPointFault(at, "Calculating the principal stresses:\n", kModel, "Unable to calculate the principal stresses.");
  if (values[3] > MatSlotValue(m, MAT_NLMM151, 78)) return true;
  copyd1(r.Pl.PlasticStress, u.sigma, 6);
  StorePlasticState_NLMM151(u, &r.Pl);
  UpdateSampPointStatus_NLMM151(&r.Pl.PointStatus, r.Cr.nCr, r.Pl.EqPlasticStrain);
  return false;
}

void CalcStressTensorDecomposition_NLMM151(const CrackPlasticMaterial& c, NLMM151_HD& r, double* stress) {
  const StressDecomposition d = DecomposeStress_NLMM151(c, BandWidth(r), r.Pl.EqPlasticStrain, r.Pl.PlasticStress);
  copyd1(r.Pl.PlasticVectorB, d.tensile, 6);
  for (int i = 1; i <= 6; i++) r.Pl.PlasticVectorA[i] = (1.0 - d.d) * d.compressive[i];
  r.Pl.CompressiveDamage = d.d;
  copyd1(stress, d.stress, 6);
}

void CalcStress_NLMM151(const PointContext& at, const MaterialRecord& m, NLMM151_HD& r, double** Dco,
                        const double* dEps, double* stress) {
  addd1(r.Pl.Strain, dEps, 6);
  if (CheckUncrackedElastoPlastic_NLMM151(at, m, r, Dco, dEps)) CalcStressCrModel_NLMM151(at, m, r, Dco, dEps);
  CalcStressTensorDecomposition_NLMM151(CrackPlasticParameters(m), r, stress);
  copyd1(r.Pl.Stress, stress, 6);
}

// ---- tangent ----------------------------------------------------------------------------------

void CalcMat_Decr_NLMM151(const PointContext& at, const MaterialRecord& m, const NLMM151_HD& r, double** Dbase,
                          double** D) {
  const CrackView v = CrackViewOf(const_cast<NLMM151_HD&>(r));
  const int nA = CalcNumActiveCr(v);
  if (nA == 0) {
    copyd2(D, Dbase, 6, 6);
    return;
  }
  ActiveCracks c;
  AssignActCrData(nA, v, &c);
  Matrix T(3 * nA, 6);
  CalcMat_Tcr_3D(nA, T.a, c.dir);
  CalcMat_Decr(CrackParamsOf(kModel151, m), at, c, T.a, Dbase, D);
  FreeActiveCracks(&c);
}

namespace {

// Elasto-plastic matrix of the record's effective stress: first order while the
// compressive damage is nil, else the consistent tangent with the damage term.
void ElastoPlasticMatrix(const PointContext& at, const MaterialRecord& m, const NLMM151_HD& r, double** Dco,
                         double** Dep) {
  const CrackPlasticMaterial c = CrackPlasticParameters(m);
  double s[7];
  copyd1(s, r.Pl.PlasticStress, 6);
  if (r.Pl.CompressiveDamage == 0.0)
    CalcMat_Dep_NLMM151_1stOrder(at, c, r.Pl, BandWidth(r), s, Dco, Dep);
  else
    CalcMat_Depd_NLMM151(at, c, r.Pl, BandWidth(r), s, Dco, Dep);
}

}  // namespace

void CalcMat_D_NLMM151(const PointContext& at, const MaterialRecord& m, const NLMM151_HD& r, double** Dco, double** D) {
  switch (r.Pl.PointStatus) {
    case 1: copyd2(D, Dco, 6, 6); return;
    case 2: CalcMat_Decr_NLMM151(at, m, r, Dco, D); return;
    case 3: ElastoPlasticMatrix(at, m, r, Dco, D); return;
    case 4: {
      Matrix Dep(6, 6);
      ElastoPlasticMatrix(at, m, r, Dco, Dep.a);
      CalcMat_Decr_NLMM151(at, m, r, Dep.a, D);
      return;
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

// ---- cracked point ----------------------------------------------------------------------------

namespace {

// The crack algorithms on s, packed from the view, for dEps.
bool CrackStep(const CrackEventContext& x, const CrackView& v, CrackSolve& s, const double* dEps) {
  s.Set(v);
  char code = 0;
  return CalcDeltaStress(x.p, x.at, s.c, s.T, x.Dco, dEps, s.sigma, AcceptedResidual{v.tolerance, v.accepted}, &code);
}

void ClearPlastic(CrackSolve& s) {
  s.dLambda = s.sY = s.kappa = 0.0;
  zerod1(s.dEpsP, 6);
}

// The delta-stress step of a pass.
bool CalcDeltaStress_NLMM151(const CrackEventContext& x, const CrackView& v, CrackSolve& s, const double* dEps,
                             char* code) {
  *code = 0;
  ClearPlastic(s);
  const CrackPlasticPart& pl = *v.plastic;
  if (s.c.n == 0) {
    ConcreteMapping u{};
    CalcStressElastoPlasticModel_NLMM151(x.at, CrackPlasticParameters(x.m), x.Dco, pl, v.stress, dEps, &u);
    copyd1(s.sigma, u.sigma, 6);
    s.dLambda = u.dLambda;
    s.sY = u.sY;
    s.kappa = u.kappa;
    copyd1(s.dEpsP, u.dEpsP, 6);
    return true;
  }
  if (pl.EqPlasticStrain <= 0.0) {
    if (!CrackStep(x, v, s, dEps)) {
      *code = 1;
      return false;
    }
    double k0;
    if (CalcInitYieldFunc_NLMM151(CrackPlasticParameters(x.m), 6, s.sigma, &k0) <= 0.0) return true;
  }
  if (CalcStressElastoPlasticCrModelAlgor01_NLMM151(x, v, s, dEps)) return true;
  if (CalcStressElastoPlasticCrModelAlgor02_NLMM151(x, v, s, dEps)) return true;
  *code = 3;
  return false;
}

void UpdateCrModelState_NLMM151(const CrackEventContext& /*x*/, CrackView& v, const CrackSolve& s) {
  ConcreteMapping u{};
  u.dLambda = s.dLambda;
  u.sY = s.sY;
  u.kappa = s.kappa;
  copyd1(u.dEpsP, s.dEpsP, 6);
  StorePlasticState_NLMM151(u, v.plastic);
  UpdateSampPointStatus_NLMM151(v.pointStatus, *v.nCr, v.plastic->EqPlasticStrain);
}

}  // namespace

void CalcStressCrModel_NLMM151(const PointContext& at, const MaterialRecord& m, NLMM151_HD& r, double** Dco,
                               const double* dEps) {
  CrackView v = CrackViewOf(r);
  CrackEventContext x = CrackEventContextOf(kModel151, at, m, Dco);
  x.plasticStep = CalcDeltaStress_NLMM151;
  x.plasticStore = UpdateCrModelState_NLMM151;
  CalcStressCrModel(x, v, dEps);
}

bool CalcStressElastoPlasticCrModelAlgor01_NLMM151(const CrackEventContext& x, const CrackView& v, CrackSolve& s,
                                                   const double* dEps) {
  const CrackPlasticMaterial c = CrackPlasticParameters(x.m);
  const double fc = c.fc;
  Matrix C(6, 6);
  if (!InvertKeeping(C.a, x.Dco, 6))
    MaterialPointFault(x.at, kCrackPlasticStep, kModel, "Unable to invert the elasticity matrix (De).");
  s.Set(v);
  const int m = 3 * s.c.n, N = m + 8;
  Vector eStart(m), de(m), tLaw(m), Ts(m), x1(N), rhs(N);
  copyd1(eStart.a, s.eRef, m);
  double sigma0[7];
  copyd1(sigma0, v.stress, 6);
  if (!CrackStep(x, v, s, dEps)) return false;
  for (int j = 1; j <= m; j++) de.a[j] = s.c.e[j] - eStart.a[j];
  copyd1(tLaw.a, s.c.s, m);
  double sigma[7];
  copyd1(sigma, s.sigma, 6);
  const double kappa0 = v.plastic->EqPlasticStrain;
  double kappa = kappa0, dLambda = 0.0;
  Terms t;
  SurfacePoint& p = t.p;
  Matrix J(N, N);
  double re[7], ecr[7];
  for (int i = 0;; i++) {
    const bool regular = CalcReturnMappingTerms_NLMM151(c, 6, sigma, kappa, true, &p);
    if (i == 0) {
      if (p.F < 0.0) return true;
      // The crack strains and stresses go back to the start of the step.
      s.Set(v);
    }
    if (!regular) return false;
    // Residuals: crack laws against the tractions, strains, hardening, yield.
    if (i > 0) CalcCrLawStress(x.p, s.c, de.a, tLaw.a);
    multd2d1(Ts.a, s.T, sigma, m, 6);
    multtd2d1(ecr, s.T, de.a, 6, m);
    double d[7];
    for (int k = 1; k <= 6; k++) d[k] = sigma[k] - sigma0[k];
    multd2d1(re, C.a, d, 6, 6);
    for (int k = 1; k <= 6; k++) re[k] += -(dEps[k] - ecr[k]) + dLambda * p.a[k];
    double rcr = 0.0;
    for (int j = 1; j <= m; j++) {
      rhs.a[j] = -(tLaw.a[j] - Ts.a[j]);
      rcr = std::fmax(rcr, std::fabs(tLaw.a[j] - Ts.a[j]));
    }
    const double rh = -(kappa - kappa0) - dLambda * p.g1;
    if (rcr / fc < 1e-6 && maxabsd1(re, 6) / 0.0022 < 1e-6 && std::fabs(rh) < 1e-6 && std::fabs(p.F) / fc < 1e-6)
      break;
    if (i + 1 > 500) return false;
    // Newton step in (crack strains, sigma, kappa, dlambda).
    zerod2(J.a, N, N);
    Matrix Dcr(m, m);
    Vector eHat(m);
    for (int j = 1; j <= m; j++) eHat.a[j] = eStart.a[j] + de.a[j];
    CalcCrTangentNewton(x.p, s.c, eHat.a, Dcr.a);
    const int S0 = m, K = m + 7, L = m + 8;
    for (int a = 1; a <= m; a++) {
      for (int b = 1; b <= m; b++) J.a[a][b] = Dcr.a[a][b];
      for (int k = 1; k <= 6; k++) {
        J.a[a][S0 + k] = -s.T[a][k];
        J.a[S0 + k][a] = s.T[a][k];
      }
    }
    for (int k = 1; k <= 6; k++) {
      for (int l = 1; l <= 6; l++) J.a[S0 + k][S0 + l] = C.a[k][l] + dLambda * p.A[k][l];
      J.a[S0 + k][K] = dLambda * p.H * p.m1[k];
      J.a[S0 + k][L] = p.a[k];
      J.a[K][S0 + k] = -dLambda * p.m2[k];
      J.a[L][S0 + k] = p.a[k];
      rhs.a[S0 + k] = -re[k];
    }
    J.a[K][K] = -1.0 - dLambda * p.H * p.g2;
    J.a[K][L] = -p.g1;
    J.a[L][K] = p.g1 * p.H;
    rhs.a[K] = -rh;
    rhs.a[L] = -p.F;
    if (!linsolved2(J.a, x1.a, rhs.a, N)) return false;
    for (int j = 1; j <= m; j++) de.a[j] += x1.a[j];
    for (int k = 1; k <= s.c.n; k++) {
      const int j = 3 * k - 2;
      if (s.c.status[k] == kCrInitiating && de.a[j] < kSmall) de.a[j] = kSmall;
    }
    for (int k = 1; k <= 6; k++) sigma[k] += x1.a[S0 + k];
    kappa += x1.a[K];
    dLambda += x1.a[L];
    if (kappa < kappa0) kappa = kappa0;
    if (!(maxabsd1(sigma, 6) <= 1e8) || !(std::fabs(kappa) <= 1e8)) return false;
  }
  // A step that ends on unloading is no plastic step: the staggered iteration decides.
  if (dLambda < 0.0) return false;
  CalcCrLawStress(x.p, s.c, de.a, tLaw.a);
  copyd1(s.c.s, tLaw.a, m);
  addd1(s.c.e, de.a, m);
  multd2d1(Ts.a, s.T, sigma, m, 6);
  for (int j = 1; j <= m; j++)
    if (std::fabs(Ts.a[j] - s.c.s[j]) / fc > 1e-6) InternalError(__FILE__, __LINE__);
  copyd1(s.sigma, sigma, 6);
  s.dLambda = dLambda;
  s.kappa = kappa;
  s.sY = CalcHardFunc_NLMM151(c, kappa);
  for (int k = 1; k <= 6; k++) s.dEpsP[k] = dLambda * p.a[k];
  if (p.F / fc > 0.002) {
    std::fflush(stdout);
    std::printf("\n%s", kCrackPlasticStep);
    std::printf("   -> Combination: %d\n   -> Iteration: %d\n   -> Element: %d\n   -> Sampling point: %d\n",
                x.at.combination, x.at.iteration, x.at.element, x.at.point);
    if (x.at.layer > 0) std::printf("   -> Layer: %d\n", x.at.layer);
    std::printf("   -> Yield function value: %30.22lf\n", p.F);
    InternalError(__FILE__, __LINE__);
  }
  return true;
}

bool CalcStressElastoPlasticCrModelAlgor02_NLMM151(const CrackEventContext& x, const CrackView& v, CrackSolve& s,
                                                   const double* dEps) {
  const CrackPlasticMaterial c = CrackPlasticParameters(x.m);
  ClearPlastic(s);
  s.kappa = v.plastic->EqPlasticStrain;
  for (int cycle = 0;; cycle++) {
    double d[7];
    for (int k = 1; k <= 6; k++) d[k] = dEps[k] - s.dEpsP[k];
    if (!CrackStep(x, v, s, d)) return false;
    const double F = CalcYieldFuncAt_NLMM151(c, 6, s.sigma, CalcHardFunc_NLMM151(c, s.kappa));
    if (F / c.fc < 1e-6) return true;
    if (cycle + 1 > 1000) return false;
    // Plastic step on the strain the cracks leave to the concrete.
    const int m = 3 * s.c.n;
    Vector de(m);
    for (int j = 1; j <= m; j++) de.a[j] = s.c.e[j] - s.eRef[j];
    double ecr[7], dp[7];
    multtd2d1(ecr, s.T, de.a, 6, m);
    for (int k = 1; k <= 6; k++) dp[k] = dEps[k] - ecr[k];
    ConcreteMapping u{};
    CalcStressElastoPlasticModel_NLMM151(x.at, c, x.Dco, *v.plastic, v.stress, dp, &u);
    s.dLambda = u.dLambda;
    s.sY = u.sY;
    s.kappa = u.kappa;
    copyd1(s.dEpsP, u.dEpsP, 6);
  }
}
