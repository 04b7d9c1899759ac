// The solid elasto-plastic crack model: entry points, the uncracked elasto-plastic
// update, the compressive damage split, and the stress update of a cracked point, whose
// pass step solves the cracks and the plasticity together (a Newton iteration on crack
// strains, stress, kappa and dlambda; a staggered iteration when that fails).
#include "materials/crack/elastoplastic_crack.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "materials/elastic.h"
#include "materials/material_slots.h"
#include "materials/plasticity/owen_figueiras.h"
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

// Both principal stresses of a plane stress (xx, yy, xy) at or above 0; a failing
// eigenvalue routine ends the run.
bool TensionTension(const double* s) {
  Matrix S(2, 2), V(2, 2);
  double lambda[3];
  S.a[1][1] = s[1];
  S.a[2][2] = s[2];
  S.a[1][2] = S.a[2][1] = s[3];
  int nrot;
  double offmax;
  if (!eigjacobi(S.a, 2, lambda, V.a, &nrot, &offmax)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\nTo see if the stress zone is in Tension-Tension stress zone :\n");
    errexit("Unable to calculate the principal stresses / directions.", 0);
  }
  return lambda[1] >= 0.0 && lambda[2] >= 0.0;
}

// Sub-increments of a return mapping that failed on the whole step, each mapped to the
// sub-increment tolerance 1e-4; false at the failing one (*failed its number).
bool SubIncrements(const PointContext& at, const CrackPlasticMaterial& c, double** Dco, const double* start,
                   const double* dEps, double kappa0, int count, double factor, ConcreteMapping* out, int* failed) {
  const PartMapping part = [&](const double* s, const double* de, double kappa, ConcreteMapping* u) {
    return ReturnMappingAlgor_NLMM151(at, c, c.n, Dco, s, de, kappa, 1e-4, u);
  };
  return ReturnMappingSubIncrements(c.n, start, dEps, kappa0, count, factor, part, out, failed);
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
  const int n = c.n;
  zerod1(out->dEpsP, n);
  out->sY = pl.YieldStress;
  const double kappa0 = pl.EqPlasticStrain;
  int failed = 0;
  if (kappa0 > 0.0) {
    if (ReturnMappingAlgor_NLMM151(at, c, n, Dco, start, dEps, kappa0, 1e-6, out)) return;
    if (SubIncrements(at, c, Dco, start, dEps, kappa0, 400, 0.0025, out, &failed)) return;
    MaterialPointFault(at,
                       "Return Mapping procedure\nCalculating the delta stress vector using\n"
                       "\t\t\t\tthe return mapping algorithm:\n",
                       c.name, kNotConverged);
  }
  double trial[7], k0;
  multd2d1(trial, Dco, dEps, n, n);
  addd1(trial, start, n);
  const auto elastic = [&] {
    copyd1(out->sigma, trial, n);
    out->dLambda = 0.0;
    out->kappa = 0.0;
  };
  const double F = CalcInitYieldFunc_NLMM151(c, n, trial, &k0);
  if (F <= 0.0 && !CalcBeyondSurface_NLMM151(c, n, trial, k0)) return elastic();
  if (ReturnMappingAlgor_NLMM151(at, c, n, Dco, start, dEps, kappa0, 1e-6, out)) return;
  // The plane model leaves a trial state in biaxial tension to the cracks.
  if (c.code == MAT_NLMM142 && TensionTension(trial)) return elastic();
  if (SubIncrements(at, c, Dco, start, dEps, kappa0, 700, 0.0014285714285714286, out, &failed)) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\nReturn Mapping procedure\nCalculating the delta stress vector using \n"
                       "\t\t\t\t\t\tthe return mapping algorithm:\n");
  std::fprintf(stderr, "   -> Combination: %d\n   -> Iteration: %d\n   -> iSubIncrement: %d\n", at.combination,
               at.iteration, failed);
  std::fprintf(stderr, "   -> Element: %d\n   -> Sampling point: %d\n", at.element, at.point);
  if (c.code == MAT_NLMM142)
    std::printf("fZaziYieldFunction_Init = %15.5le\n", F);
  else
    std::printf("Initial yield function value = %15.5le\n", F);
  std::fflush(stdout);
  std::fprintf(stderr, "   -> Nonlinear material model: %s\n", c.name);
  PointFaultExit(at, kNotConverged);
}

void StorePlasticState_NLMM151(const ConcreteMapping& u, CrackPlasticPart* pl, int n) {
  if (u.dLambda == 0.0) {
    pl->PlasticState = 1;
    return;
  }
  pl->PlasticState = 2;
  addd1(pl->PlasticStrain, u.dEpsP, n);
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

bool CheckUncrackedElastoPlastic_NLMM151(const PointContext& at, const MaterialRecord& m, const NLMM151_HD& r,
                                         double** Dco, const double* dEps, ConcreteMapping* u) {
  if (r.Cr.nCr != 0) return true;
  const CrackPlasticMaterial c = CrackPlasticParameters(m);
  *u = ConcreteMapping{};
  CalcStressElastoPlasticModel_NLMM151(at, c, Dco, r.Pl, r.Pl.PlasticStress, dEps, u);
  double values[4];
  Matrix dir(3, 3);
  if (!CalcPrincipalStresses3D(dir.a, values, u->sigma))
    MaterialPointFault(at, "Calculating the principal stresses:\n", kModel, "Unable to calculate the principal stresses.");
  return values[3] > MatSlotValue(m, MAT_NLMM151, 78);
}

void StoreUncrackedPlastic_NLMM151(const ConcreteMapping& u, int nCr, CrackPlasticPart* pl, int n) {
  copyd1(pl->PlasticStress, u.sigma, n);
  StorePlasticState_NLMM151(u, pl, n);
  UpdateSampPointStatus_NLMM151(&pl->PointStatus, nCr, pl->EqPlasticStrain);
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
  ConcreteMapping u;
  if (CheckUncrackedElastoPlastic_NLMM151(at, m, r, Dco, dEps, &u))
    CalcStressCrModel_NLMM151(at, m, r, Dco, dEps);
  else
    StoreUncrackedPlastic_NLMM151(u, r.Cr.nCr, &r.Pl);
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
  CalcMat_Tcr_3D(nA, T.a, c.dir, c.twist);
  double share[13];
  const auto view = [](NLMM151_HD& x) { return CrackViewOf(x); };
  const auto strain = [](const NLMM151_HD& x) -> const double* { return x.Pl.Strain; };
  CalcMat_Decr(CrackParamsOf(kModel151, m), at, c, T.a, Dbase, D,
               StepCrackShares<NLMM151_HD>(at, r, Dbase, share, view, strain));
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
  TangentByStatus(6, r.Pl.PointStatus, at, m, r, Dco, D, ElastoPlasticMatrix, CalcMat_Decr_NLMM151);
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

double Kappa0(const CrackView& v) {
  if (v.plastic != nullptr) return v.plastic->EqPlasticStrain;
  if (v.owenFig != nullptr) return v.owenFig->EqPlasticStrain;
  InternalError(__FILE__, __LINE__);
}

// The plastic update of the model's uncracked continuum from the view's stress over d.
void PlasticUpdate(const CrackEventContext& x, const CrackView& v, const double* d, CrackSolve& s) {
  const int n = v.model->ns;
  ConcreteMapping u{};
  if (v.model->code == MAT_NLMM141) {
    OwenFigMapping o{};
    CalcStressElastoPlasticModel_OwenFig(x.at, Nlmm141Parameters(x.m), v.stress, v.owenFig->EqPlasticStrain, x.Dco,
                                         d, &o);
    u.dLambda = o.dKappa;
    u.sY = o.h;
    u.kappa = o.kappa;
    copyd1(u.sigma, o.sigma, n);
    copyd1(u.dEpsP, o.dEpsP, n);
  } else {
    CalcStressElastoPlasticModel_NLMM151(x.at, CrackPlasticParameters(x.m, v.model->code), x.Dco, *v.plastic,
                                         v.stress, d, &u);
  }
  copyd1(s.sigma, u.sigma, n);
  s.dLambda = u.dLambda;
  s.sY = u.sY;
  s.kappa = u.kappa;
  copyd1(s.dEpsP, u.dEpsP, n);
}

// Yield value of the model at (sigma, kappa); fc for a stress on the far side of the
// concrete surface.
double YieldAt(const CrackEventContext& x, int code, const double* sigma, double kappa) {
  if (code == MAT_NLMM141) return CalcOwenFigYieldFunc_NLMM121(Nlmm141Parameters(x.m), kappa, sigma);
  const CrackPlasticMaterial c = CrackPlasticParameters(x.m, code);
  const double h = CalcHardFunc_NLMM151(c, kappa);
  return CalcBeyondSurface_NLMM151(c, c.n, sigma, h) ? c.fc : CalcYieldFuncAt_NLMM151(c, c.n, sigma, h);
}

// After a crack-only step of a point with no plastic history: does the end stress call
// for the combined update? (_NLMM142 leaves biaxial tension to the cracks; _NLMM141
// yields above fc/100 of its initial surface.)
bool YieldsAfterCrackStep(const CrackEventContext& x, int code, const double* sigma) {
  switch (code) {
    case MAT_NLMM141: {
      const Nlmm121Material c = Nlmm141Parameters(x.m);
      return CalcInitOwenFigYieldFunc_NLMM121(c, sigma) > c.fc / 100.0;
    }
    case MAT_NLMM142:
      if (TensionTension(sigma)) return false;
      [[fallthrough]];
    case MAT_NLMM151: {
      double k0;
      const CrackPlasticMaterial c = CrackPlasticParameters(x.m, code);
      return CalcInitYieldFunc_NLMM151(c, c.n, sigma, &k0) > 0.0 || CalcBeyondSurface_NLMM151(c, c.n, sigma, k0);
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

bool CalcDeltaStressCrModelPlastic(const CrackEventContext& x, const CrackView& v, CrackSolve& s, const double* dEps,
                                   char* code) {
  *code = 0;
  ClearPlastic(s);
  const int model = v.model->code;
  if (s.c.n == 0) {
    PlasticUpdate(x, v, dEps, s);
    return true;
  }
  if (Kappa0(v) <= 0.0) {
    if (!CrackStep(x, v, s, dEps)) {
      *code = 1;
      return false;
    }
    if (!YieldsAfterCrackStep(x, model, s.sigma)) return true;
  }
  const bool ok = model == MAT_NLMM141 ? CalcStressElastoPlasticCrModelAlgor01_NLMM141(x, v, s, dEps)
                                       : CalcStressElastoPlasticCrModelAlgor01_NLMM151(x, v, s, dEps);
  if (ok || CalcDeltaStressCrPlastic(x, v, s, dEps)) return true;
  *code = 3;
  return false;
}

void UpdateCrModelStatePlastic(const CrackEventContext& /*x*/, CrackView& v, const CrackSolve& s) {
  const int n = v.model->ns;
  if (v.owenFig != nullptr) {
    OwenFigMapping u{};
    u.dKappa = s.dLambda;
    u.h = s.sY;
    u.kappa = s.kappa;
    copyd1(u.dEpsP, s.dEpsP, n);
    UpdateElastoPlasticModel_NLMM121(n, u, v.owenFig);
    UpdateSampPointStatus_NLMM151(v.pointStatus, *v.nCr, v.owenFig->EqPlasticStrain);
    return;
  }
  ConcreteMapping u{};
  u.dLambda = s.dLambda;
  u.sY = s.sY;
  u.kappa = s.kappa;
  copyd1(u.dEpsP, s.dEpsP, n);
  StorePlasticState_NLMM151(u, v.plastic, n);
  UpdateSampPointStatus_NLMM151(v.pointStatus, *v.nCr, v.plastic->EqPlasticStrain);
}

void CalcStressCrModel_NLMM151(const PointContext& at, const MaterialRecord& m, NLMM151_HD& r, double** Dco,
                               const double* dEps) {
  CrackView v = CrackViewOf(r);
  CrackEventContext x = CrackEventContextOf(kModel151, at, m, Dco);
  x.plasticStep = CalcDeltaStressCrModelPlastic;
  x.plasticStore = UpdateCrModelStatePlastic;
  CalcStressCrModel(x, v, dEps);
}

namespace {

// After a converged combined update: the crack stresses of the laws, the equilibrium
// across the cracks and the result in s. False for a step that ends unloading
// (dlambda < 0): the staggered iteration then decides.
bool AcceptCombined(const CrackEventContext& x, CrackSolve& s, const double* de, double* tLaw, const double* sigma,
                    double dLambda, double fc) {
  if (dLambda < 0.0) return false;
  const int m = x.p.model->nc * s.c.n, ns = x.p.model->ns;
  CalcCrLawStress(x.p, s.c, de, tLaw);
  copyd1(s.c.s, tLaw, m);
  addd1(s.c.e, de, m);
  Vector Ts(m);
  multd2d1(Ts.a, s.T, sigma, m, ns);
  for (int j = 1; j <= m; j++)
    if (std::fabs(Ts.a[j] - s.c.s[j]) / fc > 1e-6) InternalError(__FILE__, __LINE__);
  copyd1(s.sigma, sigma, ns);
  s.dLambda = dLambda;
  return true;
}

// The yield value left after convergence above limit x fc: the point on the console,
// then the internal error.
void CheckFinalYield(const CrackEventContext& x, double F, double fc, double limit) {
  if (F / fc <= limit) return;
  std::fflush(stdout);
  std::printf("\n%s", kCrackPlasticStep);
  std::printf("   -> Combination: %d\n   -> Iteration: %d\n   -> Element: %d\n   -> Sampling point: %d\n",
              x.at.combination, x.at.iteration, x.at.element, x.at.point);
  if (x.at.layer > 0) std::printf("   -> Layer: %d\n", x.at.layer);
  std::printf("   -> Yield function value: %30.22lf\n", F);
  InternalError(__FILE__, __LINE__);
}

// Crack and strain rows of the combined Jacobian: the crack block, -T and T^T, and the
// right-hand side of the crack residual; returns max |crack law - traction|.
double CrackRows(const CrackEventContext& x, const CrackSolve& s, const double* eStart, const double* de,
                 const double* tLaw, const double* sigma, Matrix& J, double* rhs, bool assemble) {
  const int m = x.p.model->nc * s.c.n, ns = x.p.model->ns;
  Vector Ts(m);
  multd2d1(Ts.a, s.T, sigma, m, ns);
  double rcr = 0.0;
  for (int j = 1; j <= m; j++) {
    rhs[j] = -(tLaw[j] - Ts.a[j]);
    rcr = std::fmax(rcr, std::fabs(tLaw[j] - Ts.a[j]));
  }
  if (!assemble) return rcr;
  Matrix Dcr(m, m);
  Vector eHat(m);
  for (int j = 1; j <= m; j++) eHat.a[j] = eStart[j] + de[j];
  CalcCrTangentNewton(x.p, s.c, eHat.a, Dcr.a);
  for (int a = 1; a <= m; a++) {
    for (int b = 1; b <= m; b++) J.a[a][b] = Dcr.a[a][b];
    for (int k = 1; k <= ns; k++) {
      J.a[a][m + k] = -s.T[a][k];
      J.a[m + k][a] = s.T[a][k];
    }
  }
  return rcr;
}

// Strain residual Ce (sigma - sigma0) - (dEps - T^T de) + plastic strain increment.
void StrainResidual(const CrackEventContext& x, const CrackSolve& s, double** Ce, const double* sigma,
                    const double* sigma0, const double* dEps, const double* de, const double* dEpsP, double* re) {
  const int m = x.p.model->nc * s.c.n, ns = x.p.model->ns;
  double d[7] = {}, ecr[7] = {};
  for (int k = 1; k <= ns; k++) d[k] = sigma[k] - sigma0[k];
  multd2d1(re, Ce, d, ns, ns);
  multtd2d1(ecr, s.T, de, ns, m);
  for (int k = 1; k <= ns; k++) re[k] += -(dEps[k] - ecr[k]) + dEpsP[k];
}

// The Newton step of a combined update: unknowns crack strains (1..m), stresses
// (m+1..m+ns) and the plastic ones; the crack rows and the yield row (N) are stresses.
// Stresses are solved in the unit S of the strength: a strength of MPa size solves as it
// stands, one in Pa or kN/mm^2 as the same numbers in MPa (the solver's absolute pivot
// guard and the terms below 1e-8 that it skips then see the same system).
bool SolveCombined(Matrix& J, double* x, double* rhs, int N, int m, int ns, double fc) {
  const double S = StressUnitOf(fc);
  if (S != 1.0) {
    for (int i = 1; i <= N; i++)
      for (int k = m + 1; k <= m + ns; k++) J.a[i][k] *= S;
    for (int i = 1; i <= N; i++) {
      if (i > m && i < N) continue;
      for (int k = 1; k <= N; k++) J.a[i][k] /= S;
      rhs[i] /= S;
    }
  }
  if (!linsolved2(J.a, x, rhs, N)) return false;
  for (int k = m + 1; k <= m + ns; k++) x[k] *= S;
  return true;
}

// Has a combined Newton iteration settled? Its residuals (relative to the strength and to
// the strain fc/E) below 1e-6, and then the steps go on while they still halve them, to
// the rounding, so that the state is the root and not where the iteration stopped.
// previous < 0 until the tolerance is first met.
bool Settled(double err, double* previous, int* polish) {
  if (!(err < 1e-6)) return false;
  if (*previous >= 0.0 && !(err < 0.5 * *previous)) return true;
  *previous = err;
  return err < 1e-15 || ++*polish > 10;
}

// Every initiating crack keeps a normal crack strain increment of at least 1e-8.
void FloorInitiating(const CrackEventContext& x, const CrackSolve& s, double* de) {
  const int nc = x.p.model->nc;
  for (int k = 1; k <= s.c.n; k++) {
    const int j = nc * (k - 1) + 1;
    if (s.c.status[k] == kCrInitiating && de[j] < kSmall) de[j] = kSmall;
  }
}

// The start of a combined update (s packed from the view): Ce = De^-1, the crack-only
// first guess with its crack-strain increment de and law stresses, the start stress
// sigma0 and kappa0; N = crack components + stress components + plastic unknowns.
struct Combined {
  int ns, m, N;
  Matrix C;
  Vector eStart, de, tLaw, x1, rhs;
  double sigma0[7] = {}, sigma[7] = {}, kappa0 = 0.0;
  Combined(const CrackEventContext& x, const CrackView& v, const CrackSolve& s, const char* name, int plastic)
      : ns(x.p.model->ns), m(x.p.model->nc * s.c.n), N(m + ns + plastic), C(ns, ns), eStart(m), de(m), tLaw(m),
        x1(N), rhs(N) {
    if (!InvertKeeping(C.a, x.Dco, ns))
      MaterialPointFault(x.at, kCrackPlasticStep, name, "Unable to invert the elasticity matrix (De).");
    copyd1(eStart.a, s.eRef, m);
    copyd1(sigma0, v.stress, ns);
    kappa0 = Kappa0(v);
  }
  bool Guess(const CrackEventContext& x, const CrackView& v, CrackSolve& s, const double* dEps) {
    if (!CrackStep(x, v, s, dEps)) return false;
    for (int j = 1; j <= m; j++) de.a[j] = s.c.e[j] - eStart.a[j];
    copyd1(tLaw.a, s.c.s, m);
    copyd1(sigma, s.sigma, ns);
    return true;
  }
};

}  // namespace

bool CalcStressElastoPlasticCrModelAlgor01_NLMM151(const CrackEventContext& x, const CrackView& v, CrackSolve& s,
                                                   const double* dEps) {
  const CrackPlasticMaterial c = CrackPlasticParameters(x.m, x.p.model->code);
  const double fc = c.fc;
  s.Set(v);
  Combined w(x, v, s, c.name, 2);
  if (!w.Guess(x, v, s, dEps)) return false;
  const int ns = w.ns, m = w.m, N = w.N;
  Matrix& C = w.C;
  Vector &eStart = w.eStart, &de = w.de, &tLaw = w.tLaw, &x1 = w.x1, &rhs = w.rhs;
  double* sigma0 = w.sigma0;
  double* sigma = w.sigma;
  const double kappa0 = w.kappa0;
  double kappa = kappa0, dLambda = 0.0;
  const double strainScale = c.fc / c.E;
  double previous = -1.0;
  int polish = 0;
  Terms t;
  SurfacePoint& p = t.p;
  Matrix J(N, N);
  double re[7], dp[7];
  for (int i = 0;; i++) {
    const bool regular = CalcReturnMappingTerms_NLMM151(c, ns, sigma, kappa, true, &p);
    if (i == 0) {
      // No plastic flow: the crack-only guess stands with the start kappa.
      if (p.F < 0.0 && !CalcBeyondSurface_NLMM151(c, ns, sigma, p.sY)) {
        s.kappa = kappa0;
        s.sY = CalcHardFunc_NLMM151(c, kappa0);
        return true;
      }
      // The crack strains and stresses go back to the start of the step.
      s.Set(v);
    }
    if (!regular) return false;
    // Residuals: crack laws against the tractions, strains, hardening, yield.
    if (i > 0) CalcCrLawStress(x.p, s.c, de.a, tLaw.a);
    for (int k = 1; k <= ns; k++) dp[k] = dLambda * p.a[k];
    StrainResidual(x, s, C.a, sigma, sigma0, dEps, de.a, dp, re);
    const double rh = -(kappa - kappa0) - dLambda * p.g1;
    zerod2(J.a, N, N);
    const double rcr = CrackRows(x, s, eStart.a, de.a, tLaw.a, sigma, J, rhs.a, false);
    const double err = std::max({rcr / fc, maxabsd1(re, ns) / strainScale, std::fabs(rh) / strainScale,
                                 std::fabs(p.F) / fc});
    if (Settled(err, &previous, &polish)) break;
    if (i + 1 > 500) return false;
    // Newton step in (crack strains, sigma, kappa, dlambda).
    CrackRows(x, s, eStart.a, de.a, tLaw.a, sigma, J, rhs.a, true);
    const int S0 = m, K = m + ns + 1, L = m + ns + 2;
    for (int k = 1; k <= ns; k++) {
      for (int l = 1; l <= ns; l++) J.a[S0 + k][S0 + l] = C.a[k][l] + dLambda * p.A[k][l];
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
    if (!SolveCombined(J, x1.a, rhs.a, N, m, ns, fc)) return false;
    for (int j = 1; j <= m; j++) de.a[j] += x1.a[j];
    FloorInitiating(x, s, de.a);
    for (int k = 1; k <= ns; k++) sigma[k] += x1.a[S0 + k];
    kappa += x1.a[K];
    dLambda += x1.a[L];
    if (kappa < kappa0) kappa = kappa0;
    if (!(maxabsd1(sigma, ns) <= 1e8 * fc) || !(std::fabs(kappa) <= 1e8)) return false;
  }
  if (!AcceptCombined(x, s, de.a, tLaw.a, sigma, dLambda, fc)) return false;
  s.kappa = kappa;
  s.sY = CalcHardFunc_NLMM151(c, kappa);
  for (int k = 1; k <= ns; k++) s.dEpsP[k] = dLambda * p.a[k];
  CheckFinalYield(x, p.F, fc, 0.002);
  return true;
}

bool CalcStressElastoPlasticCrModelAlgor01_NLMM141(const CrackEventContext& x, const CrackView& v, CrackSolve& s,
                                                   const double* dEps) {
  const Nlmm121Material c = Nlmm141Parameters(x.m);
  const double fc = c.fc;
  if (x.p.model->ns != 3) InternalError(__FILE__, __LINE__);
  s.Set(v);
  Combined w(x, v, s, c.name, 1);
  if (!w.Guess(x, v, s, dEps)) return false;
  const int ns = w.ns, m = w.m, N = w.N;
  Matrix& C = w.C;
  Matrix M(ns, ns);
  Vector &eStart = w.eStart, &de = w.de, &tLaw = w.tLaw, &x1 = w.x1, &rhs = w.rhs;
  double* sigma0 = w.sigma0;
  double* sigma = w.sigma;
  const double kappa0 = w.kappa0;
  double kappa = kappa0;
  const double strainScale = c.fc / c.E;
  double previous = -1.0;
  int polish = 0;
  Matrix J(N, N);
  double re[7], a[4], g[4], dp[7], k = 1.0, F = 0.0;
  for (int i = 0;; i++) {
    // The single plastic unknown is kappa: dlambda = kappa - kappa0.
    const double dLambda = kappa - kappa0;
    CalcDerivOwenFigYieldFunc(ns, a, sigma);
    CalcBiaxialHardFactor_NLMM121(c, ns, &k, g, sigma);
    F = CalcOwenFigYieldFunc_NLMM121(c, kappa, sigma);
    if (i == 0) {
      if (F < 0.0) {
        s.kappa = kappa0;
        s.sY = CalcHardFunc_NLMM121(c, kappa0);
        return true;
      }
      s.Set(v);
    }
    if (i > 0) CalcCrLawStress(x.p, s.c, de.a, tLaw.a);
    for (int q = 1; q <= ns; q++) dp[q] = dLambda * k * a[q];
    StrainResidual(x, s, C.a, sigma, sigma0, dEps, de.a, dp, re);
    zerod2(J.a, N, N);
    const double rcr = CrackRows(x, s, eStart.a, de.a, tLaw.a, sigma, J, rhs.a, false);
    const double err = std::max({rcr / fc, maxabsd1(re, ns) / strainScale, std::fabs(F) / fc});
    if (Settled(err, &previous, &polish)) break;
    if (i + 1 > 500) return false;
    // Newton step in (crack strains, sigma, kappa).
    CrackRows(x, s, eStart.a, de.a, tLaw.a, sigma, J, rhs.a, true);
    CalcOwenFigTangentTerm(ns, M.a, sigma);
    const int S0 = m, K = m + ns + 1;
    for (int q = 1; q <= ns; q++) {
      for (int l = 1; l <= ns; l++) J.a[S0 + q][S0 + l] = C.a[q][l] + dLambda * (k * M.a[q][l] + a[q] * g[l]);
      J.a[S0 + q][K] = k * a[q];
      J.a[K][S0 + q] = a[q];
      rhs.a[S0 + q] = -re[q];
    }
    J.a[K][K] = -CalcHardModulus_NLMM121(c, kappa);
    rhs.a[K] = -F;
    if (!SolveCombined(J, x1.a, rhs.a, N, m, ns, fc)) return false;
    for (int j = 1; j <= m; j++) de.a[j] += x1.a[j];
    FloorInitiating(x, s, de.a);
    for (int q = 1; q <= ns; q++) sigma[q] += x1.a[S0 + q];
    kappa += x1.a[K];
    if (kappa < kappa0) kappa = kappa0;
    if (!(maxabsd1(sigma, ns) <= 1e8 * fc) || !(std::fabs(kappa) <= 1e8)) return false;
  }
  const double dLambda = kappa - kappa0;
  if (!AcceptCombined(x, s, de.a, tLaw.a, sigma, dLambda, fc)) return false;
  s.kappa = kappa;
  s.sY = CalcHardFunc_NLMM121(c, kappa);
  for (int q = 1; q <= ns; q++) s.dEpsP[q] = dLambda * k * a[q];
  CheckFinalYield(x, F, fc, 1e-6);
  return true;
}

bool CalcDeltaStressCrPlastic(const CrackEventContext& x, const CrackView& v, CrackSolve& s, const double* dEps) {
  const int code = v.model->code, ns = v.model->ns;
  const double fc = MatSlotValue(x.m, code, 68);
  ClearPlastic(s);
  s.kappa = Kappa0(v);
  for (int cycle = 0;; cycle++) {
    double d[7];
    for (int k = 1; k <= ns; k++) d[k] = dEps[k] - s.dEpsP[k];
    if (!CrackStep(x, v, s, d)) return false;
    if (YieldAt(x, code, s.sigma, s.kappa) / fc < 1e-6) return true;
    if (cycle + 1 > 1000) return false;
    // Plastic step on the strain the cracks leave to the concrete.
    const int m = v.model->nc * s.c.n;
    Vector de(m);
    for (int j = 1; j <= m; j++) de.a[j] = s.c.e[j] - s.eRef[j];
    double ecr[7], dp[7];
    multtd2d1(ecr, s.T, de.a, ns, m);
    for (int k = 1; k <= ns; k++) dp[k] = dEps[k] - ecr[k];
    PlasticUpdate(x, v, dp, s);
  }
}
