// Uniaxial steel laws of cables, embedded cables and beam fibres: the Menegotto-Pinto
// branch and its parameter fit, the monotonic steel with elastic unloading (_NLMM201)
// and the cyclic steel with its ten reversal rules (_NLMM202, shared by _NLMM145).
#pragma once

#include "materials/history_data.h"
#include "model/material.h"

// ---- Menegotto-Pinto branch --------------------------------------------------------------
// Stress and tangent at eps of the branch from the reversal point (eps_r, sig_r).
void CalcStressMenegottoPinto(double E0, double Esec, double sigma0, double b, double R, double eps, double eps_r,
                              double sig_r, double* tangent, double* stress);
// Residual g(x) of the fit.
double CalcGeomSeriesResidual(double x, double E0, double Et, double Esec, double R);
// sigma0 and b of the branch that reaches (eps_t, sig_t) with the tangent Et.
void CalcMenegottoPintoParams(double Et, double E0, double Esec, double eps_t, double eps_r, double sig_r, double R,
                              double c, double* sigma0, double* b);

// ---- _NLMM201 ----------------------------------------------------------------------------
// Envelope at the strain magnitude x >= 0.
double CalcStressLoad_NLMM201(const MaterialRecord& m, double x);
// Stress at the mechanical strain eps; updates the whole record.
double CalcStress_NLMM201(const MaterialRecord& m, NLMM201_HD& r, double eps);
// Tangent of the record's branch.
double CalcMat_D_NLMM201(const MaterialRecord& m, const NLMM201_HD& r);

// ---- _NLMM202 ----------------------------------------------------------------------------
// Parameters of the cyclic steel: E, Esh, eps_y, fy, eps_sh, (unused), eps_u, fu from
// value `first` of the record on (3 for "<NLMM202>").
// branchPastTarget: rules 5 and 6 keep drawing their branch past its target (the bars of
// _NLMM145); the dispatch moves the point to the skeleton on the next call either way.
struct CyclicSteel {
  double E, Esh, ey, fy, esh, eu, fu, P;
  bool branchPastTarget;
};
CyclicSteel CyclicSteelOf(const MaterialRecord& m, int first);
// Stress and tangent at the strain eps; updates the record (rule, points, last state).
void CalcStress_NLMM202(const CyclicSteel& s, NLMM145_HD& r, double eps, double* stress, double* tangent);

// ---- _NLMM145 ----------------------------------------------------------------------------
// Bars at the angle of value 11 (degrees, in the element's x-y plane) with the parameters
// of _NLMM202 from value 3 on. Stress sigma (1..n, n >= 3; 0 beyond the third place) of
// the point after the strain increment dEps (eps_x, eps_y, gamma_xy, ...); the bar
// tangent out; the record holds the bar strain and stress.
void CalcStress_NLMM145(const MaterialRecord& m, int n, NLMM145_HD& r, const double* dEps, double* sigma,
                        double* tangent);
// The point's stress vector (1..n) of the bar stress the record holds.
void RecordStress_NLMM145(const MaterialRecord& m, int n, const NLMM145_HD& r, double* sigma);
// The steel values of a _NLMM145 record, checked once at set-up: E, the yield strain and
// stress positive, the hardening modulus not negative, the hardening and ultimate strains
// and the ultimate stress beyond the yield point.
void CheckParameters_NLMM145(const MaterialRecord& m, const char* block, int record);
// The bars' elastic stiffness E t^T t (n x n, zero beyond the third row and column).
void CalcMat_D_NLMM145(const MaterialRecord& m, int n, double** D);
