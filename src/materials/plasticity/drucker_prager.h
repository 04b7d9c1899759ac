// Frictional plasticity _NLMM124 for plane stress, plane strain and solid points: a
// Mohr-Coulomb surface or one of two Drucker-Prager cones in the invariants I1, J2, J3,
// with cohesion c(kappa) and friction angle phi(kappa), associated flow and a Newton
// return mapping in (s, dlambda, kappa) with the second derivatives of F.
//
// Model order of the stress: plane stress (sxx, syy, txy), n = 3; plane strain
// (szz, sxx, syy, txy), n = 4, so that the shear pairs with the out-of-plane stress; solid
// the six-vector (11, 22, 33, 23, 13, 12). The record keeps the element order
// (plane strain: sxx, syy, txy, szz).
#pragma once

#include "materials/history_data.h"
#include "materials/plasticity/frictional_parameters.h"
#include "materials/plasticity/invariants.h"
#include "materials/point_context.h"

// Equivalent stress and F (s = +1 for criterion 2, -1 for criterion 3). Mohr-Coulomb
// below J2 = 1e-8 unit^2 takes the Lode angle 0 (unit: the stress unit of the law, 1 in
// MPa, 1e6 in Pa).
void CalcDruckerPragerYieldFunc(double s, double I1, double J2, double c, double phi, double* eq, double* F);
void CalcMohrCoulombYieldFunc(double I1, double J2, double J3, double c, double phi, double* eq, double* F,
                              double unit = 1.0);

// dF/ds, d2F/ds2, dF/dkappa, d2F/dkappa2 and d2F/ds dkappa at the invariants v (n
// components), with c(kappa) and phi(kappa).
struct YieldDerivs {
  double* a;     // [n]
  double** A;    // [n][n]
  double* b;     // [n] d2F/ds dkappa
  double Fk, Fkk;
};
void AllocYieldDerivs(int n, YieldDerivs* d);
void FreeYieldDerivs(YieldDerivs* d);
// False below J2 = 1e-8 unit^2 (the apex of the cone, a hydrostatic state).
bool CalcYieldFuncDerivs_DruckerPrager_NLMM124(int n, double s, const StressInvariants& v, const KappaFunction& c,
                                               const KappaFunction& phi, YieldDerivs* d, double unit = 1.0);
bool CalcYieldFuncDerivs_MohrCoulomb_NLMM124(int n, const StressInvariants& v, const KappaFunction& c,
                                             const KappaFunction& phi, YieldDerivs* d, double unit = 1.0);

// Stress of a point in plane stress, plane strain or the solid after the strain increment
// dEps (3 components for plane stress and strain, 6 for the solid; element order);
// sigma receives the element-order stress (3 in-plane components for plane strain).
void CalcStress_NLMM124(const PointContext& ctx, StressState state, const MaterialRecord& mat, NLMM124_HD* r,
                        const double* dEps, double* sigma);
// Tangent (3 x 3 for plane stress and plane strain, 6 x 6 for the solid).
void CalcMat_D_NLMM124(const PointContext& ctx, StressState state, const MaterialRecord& mat, const NLMM124_HD* r,
                       double** Dep);
