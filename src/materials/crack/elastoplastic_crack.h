// The solid elasto-plastic crack model _NLMM151: the fixed smeared cracks of _NLMM111
// and the concrete plasticity of crack_plasticity.h act on one effective stress; the
// stress handed to the element is the effective stress with its compressive principal
// part reduced by the compressive damage d(kappa).
//
// Point status: 1 elastic, 2 cracked, 3 plastic, 4 plastic and cracked.
#pragma once

#include "materials/crack/solid_cracks.h"
#include "materials/plasticity/crack_plasticity.h"

CrackView CrackViewOf(NLMM151_HD& r);

// Stress update of a point for the strain increment dEps (Dco the elastic matrix of the
// concrete); stress receives the damaged stress.
void CalcStress_NLMM151(const PointContext& at, const MaterialRecord& m, NLMM151_HD& r, double** Dco,
                        const double* dEps, double* stress);
// Tangent D (6 x 6) of the point by its status.
void CalcMat_D_NLMM151(const PointContext& at, const MaterialRecord& m, const NLMM151_HD& r, double** Dco, double** D);

// True when the crack update must run: the point has cracks, or the largest principal
// stress of its elasto-plastic update exceeds the tensile strength (the update is then
// dropped); else the update is stored.
bool CheckUncrackedElastoPlastic_NLMM151(const PointContext& at, const MaterialRecord& m, NLMM151_HD& r, double** Dco,
                                         const double* dEps);
void CalcStressCrModel_NLMM151(const PointContext& at, const MaterialRecord& m, NLMM151_HD& r, double** Dco,
                               const double* dEps);

// Elasto-plastic update of an uncracked solid from the stress `start` and the plastic
// state pl over dEps: the whole step, else 400 (a yielded point) or 700 (first yield)
// sub-increments; a failing sub-increment ends the run. out->dEpsP is zero on the
// elastic path.
void CalcStressElastoPlasticModel_NLMM151(const PointContext& at, const CrackPlasticMaterial& c, double** Dco,
                                          const CrackPlasticPart& pl, const double* start, const double* dEps,
                                          ConcreteMapping* out);
// Plastic state of an accepted update (dlambda 0: only the flag) and the point status.
void StorePlasticState_NLMM151(const ConcreteMapping& u, CrackPlasticPart* pl);
void UpdateSampPointStatus_NLMM151(int32_t* status, int nCr, double kappa);
// Fields 3, 6, 7 and 8 of the record from its effective stress; returns the damaged
// stress in stress.
void CalcStressTensorDecomposition_NLMM151(const CrackPlasticMaterial& c, NLMM151_HD& r, double* stress);

// Cracked tangent of the active cracks applied to the base matrix Dbase (Dco or the
// elasto-plastic matrix).
void CalcMat_Decr_NLMM151(const PointContext& at, const MaterialRecord& m, const NLMM151_HD& r, double** Dbase,
                          double** D);

// The two coupled crack-plasticity algorithms of a pass: the Newton iteration on crack
// strains, stress, kappa and dlambda, and the staggered iteration. s carries the result.
bool CalcStressElastoPlasticCrModelAlgor01_NLMM151(const CrackEventContext& x, const CrackView& v, CrackSolve& s,
                                                   const double* dEps);
bool CalcStressElastoPlasticCrModelAlgor02_NLMM151(const CrackEventContext& x, const CrackView& v, CrackSolve& s,
                                                   const double* dEps);
