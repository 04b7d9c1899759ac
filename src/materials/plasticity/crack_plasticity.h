// Concrete plasticity of the solid elasto-plastic crack model _NLMM151: the meridian
// surface of concrete_surface.h with the fixed coefficients (levels alpha + 0.5 and
// alpha + 0.6), hardening along the CEB-FIP93 curve from r0 fc (law 1, an elliptic rise
// to fc at kappa_p = eps_c1 - fc/E, then the falling curve) or a parabola to fc and a
// slowly rising plateau (law 2), a backward-Euler return mapping in (sigma, kappa,
// dlambda), the first-order and consistent tangents, and the scalar damage of the
// compressive principal part of the stress beyond the peak.
//
// The stress is the solid's 6-vector xx, yy, zz, yz, xz, xy (n = 6); the plane model with
// concrete plasticity (_NLMM142) runs the same surface and hardening on the plane-stress
// 3-vector xx, yy, xy (n = 3) from its own record. The plastic state is read
// from the point record (CrackPlasticPart) but written only by the callers.
#pragma once

#include "materials/history_data.h"
#include "materials/plasticity/ceb_fip93.h"
#include "materials/plasticity/concrete_plasticity.h"
#include "materials/plasticity/concrete_surface.h"
#include "materials/point_context.h"
#include "model/material.h"

// Slots of the record (the same in _NLMM151 and _NLMM142): nu 66, E 67, fc 68, eps_c1
// 69, r0 70, Gc 71, law 72 (int32), h1 .. h5 73 to 77.
struct CrackPlasticMaterial {
  int code;          // MAT_NLMM151 or MAT_NLMM142
  const char* name;  // for the messages
  int n;             // stress components: 6 or 3
  double nu, E, fc, epsc1, r0, Gc;
  double h[6];
  CebFip93Material curve;
  MeridianRadii mer;
};
// The plastic part of a _NLMM142 or _NLMM151 record (initial yield ratio, compression
// curve and hardening law) at the set-up of a run, refused in words.
void CheckParameters_CrackPlasticity(int code, const MaterialRecord& m, const char* block, int record);
CrackPlasticMaterial CrackPlasticParameters(const MaterialRecord& m, int code = MAT_NLMM151);

// Hardening function k(kappa) and modulus H = dk/dkappa (for _NLMM142 |E| or |r0 - 1|
// below 1e-8 is the internal error).
double CalcHardFunc_NLMM151(const CrackPlasticMaterial& c, double kappa);
double CalcHardModulus_NLMM151(const CrackPlasticMaterial& c, double kappa);

// Yield function, its derivatives and the hardening at (sigma, kappa): F, k (sY), H,
// a = dF/dsigma, A, dF/dk (g1), d2F/dk2 (g2) and d2F/dsigma dk (m1 = m2). False when the
// derivatives are undefined there (R <= 0 or J2 < VanishingJ2(fc)); F and k are always set.
bool CalcReturnMappingTerms_NLMM151(const CrackPlasticMaterial& c, int n, const double* s, double kappa, bool derivs,
                                    SurfacePoint* p);
// Initial yield test at k0 = r0 fc: F = R(k0)/k0^2 - 1 (> 0 outside).
double CalcInitYieldFunc_NLMM151(const CrackPlasticMaterial& c, int n, const double* s, double* k0);
// Is sigma outside the surface of hardening value k on its far side, where F is
// negative (BeyondSurface_NLMM151)?
bool CalcBeyondSurface_NLMM151(const CrackPlasticMaterial& c, int n, const double* s, double k);
// F at (sigma, k).
double CalcYieldFuncAt_NLMM151(const CrackPlasticMaterial& c, int n, const double* s, double k);

// Return mapping from the start stress `start` and kappa0 over dEps; tolerance 1e-6 of
// the whole step, 1e-4 of a sub-increment. On success out holds sigma, dlambda, kappa,
// k and the plastic strain increment; an elastic trial state returns the trial stress,
// dlambda 0 and kappa0 and leaves out->sY and out->dEpsP as given. False when the Newton
// iterations fail.
bool ReturnMappingAlgor_NLMM151(const PointContext& ctx, const CrackPlasticMaterial& c, int n, double** De,
                                const double* start, const double* dEps, double kappa0, double tol,
                                ConcreteMapping* out);

// Hc = (De^-1 + dlambda A)^-1.
void CalcMat_H_NLMM151(const PointContext& ctx, int n, double** De, double** A, double dLambda, double** Hc,
                       const char* model = "_NLMM151");
// Tangents (c.n x c.n) at the effective stress s of the record's plastic state (De when
// the last update had no plastic flow).
void CalcMat_Dep_NLMM151_1stOrder(const PointContext& ctx, const CrackPlasticMaterial& c, const CrackPlasticPart& r,
                                  double bandWidth, const double* s, double** De, double** Dep);
void CalcMat_Depd_NLMM151(const PointContext& ctx, const CrackPlasticMaterial& c, const CrackPlasticPart& r,
                          double bandWidth, const double* s, double** De, double** Dep);

// Spectral split of an effective stress (c.n components): the tensile part, the
// undamaged compressive part and the damage d at kappa (crack band h), and the damaged
// stress. A principal-stress failure ends the run.
struct StressDecomposition {
  double d;
  double tensile[7], compressive[7], stress[7];
};
// Rate beta of d = 1 - exp(-beta (kappa - kappa_p)) and kappa_p.
void CompressiveDamageRate(const CrackPlasticMaterial& c, double bandWidth, double* beta, double* kappaP);
StressDecomposition DecomposeStress_NLMM151(const CrackPlasticMaterial& c, double bandWidth, double kappa,
                                            const double* effective);
