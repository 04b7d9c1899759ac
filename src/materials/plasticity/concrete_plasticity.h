// Concrete plasticity of plane and solid points: _NLMM123 (Ottosen criterion, plane
// stress, plane strain, solid), _NLMM122 (the Ottosen criterion as G = sqrt(alpha J2 +
// B sY) - sY, solid only) and _NLMM125 (the meridian surface of concrete_surface.h).
// Isotropic elasticity, hardening and softening along the CEB-FIP93 curve in the
// equivalent plastic strain kappa, associated flow and a backward-Euler return mapping
// solved by Newton's method in (sigma, kappa, dlambda) together.
//
// Model order of the stress as in drucker_prager.h: plane stress n = 3, plane strain
// n = 4 (szz first), solid n = 6. The record (NLMM121_HD) keeps the element order.
#pragma once

#include <functional>
#include <vector>

#include "materials/history_data.h"
#include "materials/plasticity/ceb_fip93.h"
#include "materials/plasticity/concrete_surface.h"
#include "materials/plasticity/ottosen.h"
#include "materials/point_context.h"
#include "model/material.h"
#include "model/stress_state.h"

// Values of the records (file order): nu 3, E 4, fc 5, fct 6 (not used by _NLMM125),
// eps_c1 7, alpha0 8; _NLMM123 and _NLMM125 the hardening law 9 (int32); _NLMM125 the
// meridian values 10 to 14.
struct ConcretePlasticMaterial {
  int code;  // MAT_NLMM122, MAT_NLMM123 or MAT_NLMM125
  double nu, E, fc, alpha0;
  double tolerance;        // of the return mapping: 0.0001 (_NLMM122), 0.001
  CebFip93Material curve;  // _NLMM122: law 1 always, alpha0 not part of its curve
  OttosenParams ott;       // _NLMM122, _NLMM123
  MeridianRadii mer;       // _NLMM125
};
ConcretePlasticMaterial ConcretePlasticParameters(int code, const MaterialRecord& m);

// Set-up check of a record: E > 0, fc > 0, eps_c1 > fc/E; fct > 0 (_NLMM122,
// _NLMM123); _NLMM123 and _NLMM125 also alpha0 >= 0, |alpha0 - 1| >= 1e-8 and law 1 or 2.
void CheckParameters_ConcretePlasticity(int code, const MaterialRecord& m, const char* block, int record);

// The yield condition at a stress (model order) and kappa.
struct SurfacePoint {
  double F;       // residual: seq - sY (_NLMM123) or G
  double eq;      // seq (_NLMM123) or G + sY
  double sY, H;   // hardening function and modulus at kappa
  double g1, g2;  // dG/dsY, d2G/dsY2
  double* a;      // [n] dF/dsigma
  double** A;     // [n][n] d2F/dsigma2
  double* m1;     // d(dG/dsigma)/dsY
  double* m2;     // d(dG/dsY)/dsigma
};
// F alone (derivs false) or with every derivative; false where the derivatives are
// undefined (no deviator, J2 < VanishingJ2(fc), or outside the domain of the square root of G).
bool EvaluateConcreteSurface(const ConcretePlasticMaterial& c, int n, const double* s, double kappa, bool derivs,
                             SurfacePoint* p);
void AllocSurfacePoint(int n, SurfacePoint* p);
void FreeSurfacePoint(SurfacePoint* p);
// First-yield test of a trial stress at the initial yield stress alpha0 fc.
bool ConcreteFirstYield(const ConcretePlasticMaterial& c, int n, const double* s);

// Result of a return mapping (model order).
struct ConcreteMapping {
  double dLambda, kappa, sY;
  double sigma[7];
  double dEpsP[7];
};
// out := the mapped state: stress s, kappa, sY and the plastic strain dLambda a.
void StoreMapping(int n, const double* s, const double* a, double dLambda, double kappa, double sY,
                  ConcreteMapping* out);
// Backward-Euler return mapping from the last stress and kappa0 over dEps (model
// order); false on failure. rk, when given, receives the signed residual rk of every
// pass.
bool ReturnMappingAlgor_Concrete(const PointContext& ctx, const ConcretePlasticMaterial& c, int n, double** De,
                                 const double* last, const double* dEps, double kappa0, ConcreteMapping* out,
                                 std::vector<double>* rk = nullptr);

// A return mapping that failed on a whole increment, run again over `count` equal parts
// of it (each `factor` times dEps), each from the stress and kappa that the one before
// left: the last stress, kappa and yield stress, the sums of the plastic multiplier and
// plastic strain increments. `map` maps one part (start stress, increment, start kappa)
// into its result, whose sY holds the start yield stress on entry. False at the first
// part that fails (*failed its number, from 1).
using PartMapping = std::function<bool(const double* start, const double* de, double kappa, ConcreteMapping* u)>;
bool ReturnMappingSubIncrements(int n, const double* start, const double* dEps, double kappa0, int count,
                                double factor, const PartMapping& map, ConcreteMapping* out, int* failed);

// Stress of a point in plane stress, plane strain or the solid (_NLMM122 the solid only)
// after the strain increment dEps (3 components for plane stress and strain, 6 for the solid);
// sigma receives the element-order stress.
void CalcStress_ConcretePlasticity(const PointContext& ctx, int code, StressState state, const MaterialRecord& m,
                                   NLMM121_HD* r, const double* dEps, double* sigma);
// Tangent in model order from the record (De in model order).
void CalcMat_Dep_Concrete(const PointContext& ctx, const ConcretePlasticMaterial& c, int n, const NLMM121_HD* r,
                          double** De, double** D);
// Tangent from the record: 3 x 3 for plane stress and plane strain, 6 x 6 for the solid.
void CalcMat_D_ConcretePlasticity(const PointContext& ctx, int code, StressState state, const MaterialRecord& m,
                                  const NLMM121_HD* r, double** D);

// Point status 3 once kappa is above 0.
void SetPointStatusPlastic(NLMM121_HD* r);
void SetPointStatusPlastic_NLMM124(NLMM124_HD* r);
