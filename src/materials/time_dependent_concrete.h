// Concrete whose properties and free strains depend on age and temperature: the
// shrinkage laws of _NLMM171 (drying and autogenous, CEB-FIP type) and _NLMM172 (ACI /
// Bazant type), the maturity model _NLMM173 (equivalent age and the properties at that
// age), the temperature model _NLMM175 (properties as functions of the temperature), the
// Kelvin chain of the creep model, and the admitted material-pattern compositions.
//
// Ages and times in days, temperatures in degrees Celsius, strengths in MPa. Free-strain
// outputs are 1-based vectors of n >= 3 components: the laws write the same value into
// the normal components 1 to 3 and leave the others as the caller set them.
//
// _NLMM173 and _NLMM175 act on the solid crack material (_NLMM111) of the point: they
// overwrite its elastic and fracture parameters in the shared record (the caller keeps
// the values to put back) and raise the strength and fracture energy of the crack slots
// that have not formed a crack.
#pragma once

#include "materials/history_data.h"
#include "model/material.h"

// ---- shrinkage -------------------------------------------------------------------------
// Coefficient kh of the notional size h0 (mm) of _NLMM171 and of the relative humidity
// RH (per cent) of _NLMM172 (-0.2 at saturation: swelling).
double CalcNotionalSizeCoef_NLMM171(double h0);
double CalcHumidityCoef_NLMM172(double RH);

// Drying part, autogenous part (each zero unless switched on in the record by its flag
// and started) and their sum at age t, into eps[1..3].
void CalcDryShrinkStrain_NLMM171(const MaterialRecord& m, int n, double t, double* eps);
void CalcAutoShrinkStrain_NLMM171(const MaterialRecord& m, int n, double t, double* eps);
void CalcShrinkStrain_NLMM171(const MaterialRecord& m, int n, double t, double* eps);
void CalcDryShrinkStrain_NLMM172(const MaterialRecord& m, int n, double t, double* eps);
void CalcAutoShrinkStrain_NLMM172(const MaterialRecord& m, int n, double t, double* eps);
void CalcShrinkStrain_NLMM172(const MaterialRecord& m, int n, double t, double* eps);

// ---- maturity and temperature ----------------------------------------------------------
// Properties of the crack material at the equivalent age: stores t in the record,
// advances its equivalent age over dt at temperature T, and from the 28-day values
// writes Young's modulus, fcm, fctm and Gf into the record h and into the crack material
// `crack`, and the tensile strength and fracture energy into the crack slots of cr that
// have not cracked (all four at the first call).
void CalcConcPropAtEquivAge_NLMM173(MaterialRecord& crack, const MaterialRecord& m173, double E28, double fcm28,
                                    double fctm28, double Gf28, double dt, double T, double t, CrackPart111& cr,
                                    NLMM173_HD& h);
// Properties of the crack material at temperature T from their 20 degree values (unit
// weight rho20, Poisson's ratio nu20, expansion coefficient alpha20), by the laws of
// m175; into h, the crack material and the uncracked crack slots as above. The
// expansion coefficient of law 1 is written into the crack material too.
void CalcTempDependentConcProp_NLMM175(MaterialRecord& crack, const MaterialRecord& m175, double E20, double fc20,
                                       double fct20, double Gf20, double rho20, double nu20, double T,
                                       double alpha20, double time, CrackPart111& cr, NLMM175_HD& h);

// ---- Kelvin chain (N units, arrays 1-based) --------------------------------------------
// Effective modulus over a step dt of the exponential algorithm:
// 1 / (1/E0 + sum (1 - lambda_u)/E_u), lambda_u = (tau_u/dt)(1 - exp(-dt/tau_u)), and
// lambda_u = 1 for dt = 0 (instantaneous loading); N < 1 gives E0.
double CalcKelvinEffectiveModulus(int N, double E0, double dt, const double* E, const double* tau);
// Unit moduli of the creep law: 1/E_u = k0 (c/0.002)^k1 (k3/a) 10^((u-1) k1) b^-k2, the
// compliance of the last unit times 1.2; k holds (k0, k1, k2, k3) of unit u at 4u-3..4u.
// The creep routine passes a modulus as a, the mid-step age as b and tau_1 as c.
void CalcKelvinChainModuli(int N, double a, double b, double c, double* E, const double* k);
// deps[i] += sum_u (1 - exp(-dt/tau_u)) G[i][u] for i = 1..n, then deps := -f deps.
void CalcKelvinCreepStrainIncr(int N, int n, double f, double dt, double** G, double* deps, const double* tau);

// ---- material patterns -----------------------------------------------------------------
constexpr int kPattCompositions = 24;
// Zeroes the 24 x 49 table and puts 1.0 in row r at the column of every material code
// of admitted composition r.
void CalcPossibleNLMMPattComposition(double** table);
