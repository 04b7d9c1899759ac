// Bond-slip and interface laws of the interface elements: the monotonic bond-slip law
// with secant unloading (_NLMM301), the interface that cracks and softens in tension
// (_NLMM302), the cyclic bond-slip law with energy damage (_NLMM303), the bond-slip
// law whose strength grows with compression (_NLMM305), the cyclic bond and friction
// law whose strength grows with compression and slip path (_NLMM306) and the softening
// interface plasticity (_NLMM320). Relative displacements and tractions are in the local
// axes of the point: the slips first, the opening last.
#pragma once

#include "materials/history_data.h"
#include "materials/point_context.h"
#include "model/material.h"
#include "model/stress_state.h"

// ---- _NLMM301 ------------------------------------------------------------------------------
struct BondSlip301 {
  double s1, s2, tauMax, alpha, beta, kn;
};
BondSlip301 Nlmm301Of(const MaterialRecord& m);
// sigma = (tau, kn w) at w = (slip, opening); the record keeps the slip, the stress and
// the largest slip with its stress.
void CalcStress_NLMM301(const MaterialRecord& m, NLMM301_HD& r, const double* w, double* sigma);
// 2 x 2 tangent at the record's slip.
void CalcMat_D_NLMM301(const MaterialRecord& m, const NLMM301_HD& r, double** D);
void CheckParameters_NLMM301(const MaterialRecord& m, const char* block, int record);

// ---- _NLMM302 ------------------------------------------------------------------------------
struct SoftInterface302 {
  double r1, r2, w1, w2, wu, ft, kt, kn;
};
SoftInterface302 Nlmm302Of(const MaterialRecord& m);
// Normal stress of the trilinear softening curve at the opening w >= 0.
double CalcNormalStressSoft_NLMM302(const SoftInterface302& c, double w);
// Normal stress on the secant through the origin and the softening point at wMax.
double CalcNormalStressSec_NLMM302(const SoftInterface302& c, double w, double wMax);
// sigma = (shear, normal) at w = (slip, opening); the record keeps the state (1 uncracked,
// 2 softening, 3 unloading, 4 closed, 5 reloading, 6 separated), the opening, the normal
// stress and the opening of the last softening point.
void CalcStress_NLMM302(const MaterialRecord& m, NLMM302_HD& r, const double* w, double* sigma);
void CalcMat_D_NLMM302(const MaterialRecord& m, const NLMM302_HD& r, double** D);
void CheckParameters_NLMM302(const MaterialRecord& m, const char* block, int record);

// ---- _NLMM303 ------------------------------------------------------------------------------
struct CyclicBond303 {
  double alpha, tauF, s1, s2, s3, tau1, kUn;
};
CyclicBond303 Nlmm303Of(const MaterialRecord& m);
// Sliding stiffness of the first iteration of a run (peak stress over s1) and the
// stiffness across the line of the plane element.
double Nlmm303InitialStiffness(const MaterialRecord& m);
double Nlmm303SlidingStiffness2D(const MaterialRecord& m);
double Nlmm303OpeningStiffness(const MaterialRecord& m);
// Bond stress at the slip s from the point's record; returns tau and the secant tau / s
// (left unchanged when s is 0) and stores the secant in the record.
void CalcStress_NLMM303(const PointContext& at, const MaterialRecord& m, NLMM303_HD& r, double s, double* tau,
                        double* secant);
void CheckParameters_NLMM303(const MaterialRecord& m, const char* block, int record);

// Slip directions of a bond point: 1 on the line in the plane, 2 on the surface; any other
// state is the internal error.
int SlipDirections(StressState s);

// ---- _NLMM305 ------------------------------------------------------------------------------
struct FrictionBond305 {
  double sLin, sPeak, tau0, phi, alpha, beta, kn;
};
FrictionBond305 Nlmm305Of(const MaterialRecord& m);
// The line in the plane (w = (s, w_n)) or the surface (w = (s1, s2, w_n)); any other
// state is the internal error.
void CalcStress_NLMM305(const MaterialRecord& m, StressState state, NLMM305_HD& r, const double* w, double* sigma);
void CalcMat_D_NLMM305(const MaterialRecord& m, StressState state, const NLMM305_HD& r, double** D);
void CheckParameters_NLMM305(const MaterialRecord& m, const char* block, int record);

// ---- _NLMM306 ------------------------------------------------------------------------------
struct CyclicFriction306 {
  double s1, s2, tauC, alpha, beta, kMu, muP, aP, rMu, kn;
};
CyclicFriction306 Nlmm306Of(const MaterialRecord& m);
// Friction coefficient after the accumulated slip path a: rises with slope k_mu to mu_p at
// a_p, then falls to r_mu mu_p and stays there.
double FrictionCoefficient_NLMM306(const CyclicFriction306& c, double a);
// The line in the plane (w = (s, w_n)) or the surface (w = (s1, s2, w_n)); any other
// state is the internal error. A failed fit of a reversal branch appends a note to the warning file
// named after the record's second text.
void CalcStress_NLMM306(const PointContext& at, const MaterialRecord& m, StressState state, NLMM304_HD& r,
                        const double* w, double* sigma);
// Diagonal tangent: the shear tangents the last stress evaluation stored, then K_n.
void CalcMat_D_NLMM306(const MaterialRecord& m, StressState state, const NLMM304_HD& r, double** D);
// tau_0 and b of the reversal branch from (s_r, tau_r) that reaches s_t with the tangent
// K_t; false when no fit is found (the branch is then the secant line).
bool CalcCurveParams_NLMM306(double Kt, double Eu, double Esec, double st, double sr, double taur, double R, double c,
                             double* tau0, double* b);
// Curvature exponent of the branch of rule 3..10: the rule's value, raised above c, capped
// at 25 in rules 3, 4, 7, 9 and 10.
double BranchExponent_NLMM306(int rule, double s1, double xi, double c);
void CheckParameters_NLMM306(const MaterialRecord& m, const char* block, int record);

// ---- _NLMM320 ------------------------------------------------------------------------------
struct InterfacePlasticity320 {
  int kind;  // 1 shear law, 2 hyperbolic Mohr-Coulomb surface
  double chi0, c0, cg0, sigmaU, tanPhi0, tanPsi0, tanPhiR, tanPsi;
  double alphaChi, alphaC, alphaPhi, kappaChi, kappaC, Ks, K2, K3, N;
};
InterfacePlasticity320 Nlmm320Of(const MaterialRecord& m);
// Shear strength of kind 1 at the softening variable kappa and its slope.
double ShearStrength_NLMM320(const InterfacePlasticity320& c, double kappa, double* slope);
// Stress after the increment dw (n = 2 or 3 components, 1-based) from the state in the
// record, which takes the new state; on the lines in the plane and in space and on the
// surface.
void CalcStress_NLMM320(const PointContext& at, const MaterialRecord& m, StressState state, int n, NLMM320_HD& r,
                        const double* dw, double* sigma);
void CalcMat_D_NLMM320(const PointContext& at, const MaterialRecord& m, StressState state, int n, const NLMM320_HD& r,
                       double** D);
void CheckParameters_NLMM320(const MaterialRecord& m, const char* block, int record);
