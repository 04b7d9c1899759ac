// Parameters of the frictional plasticity _NLMM124, shared by its Drucker-Prager cones
// and its Mohr-Coulomb surface: the record's values, their check, and the cohesion and
// friction angle as functions of the hardening parameter kappa.
#pragma once

#include "model/material.h"

enum Nlmm124Criterion { kMohrCoulomb = 1, kDruckerPragerOuter = 2, kDruckerPragerInner = 3 };
enum Nlmm124Law { kLawConstant = 1, kLawExponential = 2, kLawGaussian = 3 };

// Values of an _NLMM124 record (file order): nu 3, E 4, criterion 5 and cohesion law 6
// (int32), c0 7, kappa_c 8, friction law 9 (int32), phi0 10, phi1 11, kappa_phi 12.
struct Nlmm124Material {
  double nu, E;
  int criterion, cohesionLaw;
  double c0, kappaC;
  int frictionLaw;
  double phi0, phi1, kappaPhi;
};
Nlmm124Material Nlmm124Parameters(const MaterialRecord& m);

// Set-up check of a record: criterion and laws 1..3, c0 > 0, kappa_c > 0 and
// kappa_phi > 0 where law 2 or 3 uses them, 0 <= phi0, phi1 < pi/2.
void CheckParameters_NLMM124(const MaterialRecord& m, const char* block, int record);

// A function of kappa with its first two derivatives.
struct KappaFunction {
  double f, df, d2f;
};
KappaFunction CalcCohesionFunc_NLMM124(const Nlmm124Material& p, double kappa);
KappaFunction CalcFricAngleFunc_NLMM124(const Nlmm124Material& p, double kappa);
