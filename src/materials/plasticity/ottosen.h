// Four-parameter Ottosen criterion of concrete (_NLMM122, _NLMM123).
//
// With k = fct/fc: alpha = 1/(9 k^1.4), beta = 1/(3.7 k^1.1), c1 = 1/(0.7 k^0.9),
// c2 = 1 - 6.8 (k - 0.07)^2; lambda(theta) = c1 cos(arccos(c2 cos 3theta)/3) where
// cos 3theta >= 0, c1 cos(pi/3 - arccos(-c2 cos 3theta)/3) otherwise.
// Equivalent stress seq = A + sqrt(A^2 + alpha J2), A = B/2, B = lambda sqrt(J2) + beta I1;
// the same surface written against sY: G = sqrt(alpha J2 + B sY) - sY.
#pragma once

#include "materials/plasticity/invariants.h"

struct OttosenParams {
  double fc, fct, k, alpha, beta, c1, c2;
};
// fc, fct > 0 (|fc| < 1e-8 is the internal error).
OttosenParams CalcOttosenParams(double fc, double fct);

// lambda at the invariants; a state without a deviator (J2 < VanishingJ2(fc)) takes
// cos 3theta = 0.
double CalcLambdaOtt(const OttosenParams& p, double J2, double J3);
// dlambda/dsigma and d2lambda/dsigma2 (J2 >= VanishingJ2(fc)).
void CalcDerivLambdaOtt(int n, const OttosenParams& p, const StressInvariants& v, double* dl);
void CalcDeriv2LambdaOtt(int n, const OttosenParams& p, const StressInvariants& v, double** d2l);

// Equivalent stress at the invariants (lambda given).
double CalcOttosenYieldFunc(const OttosenParams& p, double I1, double J2, double lambda);

// Every derivative of the criterion at a stress: the G form at sY and the equivalent
// stress form. Needs a deviator (J2 >= VanishingJ2(fc)) and R = alpha J2 + B sY > 0 (OttosenRegular).
struct OttosenDerivs {
  double lambda, B, R, seq;
  double* dl;      // [n] dlambda/dsigma
  double** d2l;    // [n][n]
  double* dG;      // dG/dsigma
  double** d2G;    // d2G/dsigma2
  double* m1;      // d(dG/dsigma)/dsY
  double* m2;      // d(dG/dsY)/dsigma
  double g1, g2;   // dG/dsY, d2G/dsY2
  double* dseq;    // dseq/dsigma
  double** d2seq;  // d2seq/dsigma2
};
void AllocOttosenDerivs(int n, OttosenDerivs* d);
void FreeOttosenDerivs(OttosenDerivs* d);
bool OttosenRegular(const OttosenParams& p, const StressInvariants& v, double sY);
void CalcOttosenDerivs(int n, const OttosenParams& p, const StressInvariants& v, double sY, OttosenDerivs* d);
// G = sqrt(alpha J2 + B sY) - sY; a state with a negative radicand lies inside: -sY.
double CalcYieldFunc_NLMM122(const OttosenParams& p, const StressInvariants& v, double sY);
