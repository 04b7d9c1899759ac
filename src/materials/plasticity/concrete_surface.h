// Pressure-sensitive concrete yield surface shared by _NLMM125, _NLMM142 and _NLMM151.
//
// In the normalised Haigh-Westergaard coordinates xi = I1/(sqrt3 sY) and
// rho = sqrt(2 J2)/sY the meridian at the Lode angle theta is the parabola
// xi = a + b rho + c rho^2. b and c follow from the elliptic radius r(theta) of two
// hydrostatic levels, each with a tensile (theta = 0) and a compressive (theta = pi/3)
// meridian radius. With X = I1/(sqrt3 a) - (sqrt2 b/a) sqrt(J2) and
// R = X sY - (2c/a) J2 the yield function is G = sqrt(R) - sY.
//
// Stress vectors, invariants and their derivatives as in invariants.h (n = 3, 4, 6).
#pragma once

#include "materials/plasticity/invariants.h"
#include "model/material.h"

// A deviator whose J2 lies below 1e-11 fc^2 (sqrt J2 about 3e-6 of the strength) counts
// as none: it has no Lode angle and no gradient. Relative to the strength, the same
// state in any unit of stress.
inline double VanishingJ2(double fc) { return 1e-11 * fc * fc; }

// Lode angle of cos 3theta = (3 sqrt3/2) J3/J2^1.5 (clamped to [-1, 1]), at least 1e-4.
double CalcLodeAngle(double J2, double J3);
// The same kept within [1e-4, pi/3 - 1e-4]: the meridian states (uniaxial compression,
// uniaxial tension, equal biaxial compression) then have finite derivatives.
double CalcLodeAngle_NLMM125(double J2, double J3);

// Elliptic radius between rt (theta = 0) and rc (theta = pi/3), with its first and
// second derivatives in theta.
struct EllipticRadius {
  double r, dr, d2r;
};
EllipticRadius CalcEllipticRadius(double theta, double rt, double rc);

// Tensile and compressive meridian radii of the two levels (entries 1 and 2).
struct MeridianRadii {
  double rt[3], rc[3];
};
// _NLMM151 and _NLMM142 with h[1..5] the values h1 .. h5 of the record: h1 = 0 the
// fixed radii of the levels xi = -0.5 and -0.6,
// otherwise the tensile meridian scaled through the equal biaxial compressive strength
// fbc (at least T = 2 h1 h2 h3 h4 h5).
MeridianRadii CalcMeridianParam_NLMM151(double fc, const double* h);
double CalcMinBiaxialComprStrength_NLMM151(const double* h);
double CalcAnaliticValueBiaxialComprStrength_NLMM151(double fc, const double* h);
double CalcBiaxialComprStrengthParam_NLMM151(double fc, const double* h);
// _NLMM125: the levels xi = -2 and -4; value 10 of the record (the first meridian value)
// 0 keeps the fixed radii, otherwise values 10 to 14 set the tensile meridian through
// the biaxial compressive strength.
MeridianRadii CalcMeridianParam_NLMM125(const MaterialRecord& m);
double CalcAnaliticValueBiaxialComprStrength_NLMM125(const MaterialRecord& m);

// dtheta/dsigma = -sqrt3/(2 |sin 3theta|) (dJ3/J2^1.5 - 1.5 J3 dJ2/J2^2.5); 0 on a
// meridian (|sin 3theta| < 1e-8).
void CalcDerivLodeAngle(int n, const StressInvariants& v, double theta, double* dTheta);
// d2theta/dsigma2 (n x n).
void CalcDerivEllipticRadiusDerivSigma(int n, const StressInvariants& v, double theta, const double* dTheta,
                                       double** d2Theta);
// dr/dsigma of both levels.
void CalcDerivEllipticRadius(int n, const MeridianRadii& m, double theta, const double* dTheta, double* dr1,
                             double* dr2);
// d2r/dsigma2 = r'' dtheta dtheta^T + r' d2theta of both levels.
void CalcDeriv2LodeYieldFunc(int n, const MeridianRadii& m, double theta, const double* dTheta, double** d2Theta,
                             double** d2r1, double** d2r2);

// Meridian coefficients a (constant), b, c at the Lode angle of a stress, with the stress
// derivatives of b and c.
struct MeridianCoefs {
  double a, b, c;
  double *db, *dc;      // [n]
  double **d2b, **d2c;  // [n][n]
};
void AllocMeridianCoefs(int n, MeridianCoefs* m);
void FreeMeridianCoefs(MeridianCoefs* m);
// _NLMM125 (a = 0.1732, the meridian through xi = -2 at r1 and xi = -4 at r2) at the
// invariants v (J2 >= VanishingJ2(fc)).
void CalcMeridianCoefs_NLMM125(int n, const MeridianRadii& r, const StressInvariants& v, double fc, MeridianCoefs* m);
// _NLMM151 (a = alpha, the levels alpha + 0.5 at r1 and alpha + 0.6 at r2); below
// J2 = 1e-16 fc^2 the Lode angle is its floor and the terms through it are left out, as
// they are on a meridian.
double CalcLodeAngle_NLMM151(double J2, double J3, double fc);
void CalcMeridianCoefs_NLMM151(int n, const MeridianRadii& r, const StressInvariants& v, double fc, MeridianCoefs* m);
// Initial yield function of _NLMM125 at sY0: R(sY0)/sY0^2 - 1.
double CalcInitYieldFunc_NLMM125(double I1, double J2, double c, double b, double a, double sY0);

// G at the invariants and sY. A state with R <= 0 lies inside the surface: G = -sY.
double CalcYieldFunc_NLMM151(double I1, double J2, double c, double b, double a, double sY);
// Along the ray t sigma the initial yield value t X/sY - t^2 (2c/a) J2/sY^2 - 1 of a
// quadratic surface rises to a peak and falls again: a stress past the peak and past
// the surface there gives a negative value (or R <= 0) although it lies outside. True
// for such a stress.
bool BeyondSurface_NLMM151(double I1, double J2, double c, double b, double a, double sY);
// The derivatives need R > 0 and a deviator (J2 >= VanishingJ2(fc)).
bool ConcreteSurfaceRegular(const StressInvariants& v, const MeridianCoefs& m, double sY, double fc);
// dG/dsigma.
void CalcDerivYieldFuncStress(int n, const StressInvariants& v, const MeridianCoefs& m, double sY, double* a);
// dG/dsY and d2G/dsY2.
double CalcDerivHardYieldFunc(const StressInvariants& v, const MeridianCoefs& m, double sY);
double CalcDeriv2HardYieldFunc_NLMM151(const StressInvariants& v, const MeridianCoefs& m, double sY);
// d2G/dsigma dsY (n-vector).
void CalcYieldFuncHelper(int n, const StressInvariants& v, const MeridianCoefs& m, double sY, double* g);
// d2G/dsigma2 (n x n), the terms through b(theta) and c(theta) included.
void CalcDeriv2YieldFunc_NLMM151(int n, const StressInvariants& v, const MeridianCoefs& m, double sY, double** A);

// Residuals of the backward-Euler return mapping at (sigma, kappa, dlambda):
// rs = Ce (sigma - trial) + dlambda a, rF = F, rk = -dkappa - dlambda dF/dsY.
void CalcReturnMappingUpdate(int n, const double* sigma, const double* trial, double** Ce, const double* a,
                             double F, double dLambda, double dKappa, double dFdsY, double* rs, double* rF,
                             double* rk);
void CopyVecWrapper(int n, double* to, const double* from);
