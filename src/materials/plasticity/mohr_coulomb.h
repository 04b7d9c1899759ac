// Mohr-Coulomb return mapping of _NLMM124 in principal stresses (plane stress n = 3,
// plane strain n = 4, solid n = 6; model order).
//
// Isotropic elasticity keeps the principal axes of the trial stress, so the closest
// point of the surface is found among its planes in the principal space: one plane
// (the smooth part), two planes (an edge of the hexagonal pyramid, where two principal
// stresses are equal) or the apex p = c cot(phi). The planes are flat for a fixed c and
// phi, so each candidate is a small linear system, and the one that satisfies the
// Kuhn-Tucker conditions is the projection. The hardening parameter grows with the
// length of the plastic strain increment, kappa = kappa0 + |dEp|, solved for by a
// bracketed secant on kappa.
//
// A plane-stress point keeps s3 = 0 with its out-of-plane strain free: the planes cut by
// s3 = 0 are the six sides of a hexagon in the in-plane principal stresses (s3 = 0 may be
// the largest or the smallest principal stress), and the closest point in the norm of
// the plane-stress elasticity is a side or a corner of it. Its plastic strain has the
// out-of-plane component of the plane normals, which enters the length.
#pragma once

#include "materials/plasticity/frictional_parameters.h"

struct MohrCoulombReturn {
  double sigma[7];   // new stress, model order
  double dEpsP[7];   // plastic strain increment (engineering shears), model order
  double dLambda;    // sum of the plastic multipliers (0: elastic)
  double kappa;      // hardening parameter after the step
  double eq;         // equivalent stress of the criterion at the new stress
};

// Return of the trial stress (model order, n = 3, 4 or 6) from kappa0. False when no
// point of the surface satisfies the conditions (a material snap-back of a steep
// softening law), never a wrong stress.
bool ReturnMapping_MohrCoulomb_NLMM124(int n, const Nlmm124Material& p, const double* trial, double kappa0,
                                       MohrCoulombReturn* out);

// Consistent tangent (n x n, model order) of the return from the trial stress at the
// cohesion and friction angle of kappa; the hardening of c and phi does not enter.
void CalcMat_Dep_MohrCoulomb_NLMM124(int n, const Nlmm124Material& p, const double* trial, double kappa,
                                     double** Dep);

// The same tangent where the trial stress is not at hand (the first iteration of a
// combination, a record read back from the history file): the trial is taken as the
// stress plus dlambda D times the mean normal of the planes it lies on.
void CalcMat_Dep_MohrCoulombAtStress_NLMM124(int n, const Nlmm124Material& p, const double* stress, double kappa,
                                             double dLambda, double** Dep);
