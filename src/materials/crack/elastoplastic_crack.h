// The solid elasto-plastic crack model _NLMM151: the fixed smeared cracks of _NLMM111
// and the concrete plasticity of crack_plasticity.h act on one effective stress; the
// stress handed to the element is the effective stress with its compressive principal
// part reduced by the compressive damage d(kappa).
//
// Point status: 1 elastic, 2 cracked, 3 plastic, 4 plastic and cracked.
#pragma once

#include "materials/crack/crack_models.h"
#include "materials/plasticity/crack_plasticity.h"
#include "numcore/numcore.h"

CrackView CrackViewOf(NLMM151_HD& r);

// Stress update of a point for the strain increment dEps (Dco the elastic matrix of the
// concrete); stress receives the damaged stress.
void CalcStress_NLMM151(const PointContext& at, const MaterialRecord& m, NLMM151_HD& r, double** Dco,
                        const double* dEps, double* stress);
// Tangent D (6 x 6) of the point by its status.
void CalcMat_D_NLMM151(const PointContext& at, const MaterialRecord& m, const NLMM151_HD& r, double** Dco, double** D);

// True when the crack update must run: the point has cracks, or the largest principal
// stress of its elasto-plastic update exceeds the tensile strength; else *u holds the
// update, for the caller to store. The check only reads the record.
bool CheckUncrackedElastoPlastic_NLMM151(const PointContext& at, const MaterialRecord& m, const NLMM151_HD& r,
                                         double** Dco, const double* dEps, ConcreteMapping* u);
void CalcStressCrModel_NLMM151(const PointContext& at, const MaterialRecord& m, NLMM151_HD& r, double** Dco,
                               const double* dEps);

// Elasto-plastic update of an uncracked point (c.n components: the solid, or the plane
// model _NLMM142) from the stress `start` and the plastic state pl over dEps: the whole
// step, else 400 (a yielded point) or 700 (first yield) sub-increments; a failing
// sub-increment ends the run. A plane point at first yield whose return mapping fails
// while its trial stress is in biaxial tension stays elastic. out->dEpsP is zero on the
// elastic path.
void CalcStressElastoPlasticModel_NLMM151(const PointContext& at, const CrackPlasticMaterial& c, double** Dco,
                                          const CrackPlasticPart& pl, const double* start, const double* dEps,
                                          ConcreteMapping* out);
// Plastic state of an accepted update (dlambda 0: only the flag) and the point status
// (the plane models keep the same status rule).
void StorePlasticState_NLMM151(const ConcreteMapping& u, CrackPlasticPart* pl, int n = 6);
void UpdateSampPointStatus_NLMM151(int32_t* status, int nCr, double kappa);
// Writes the update of a point that the uncracked check kept (n components): its stress
// as the plastic continuum's stress, its plastic state and the point status.
void StoreUncrackedPlastic_NLMM151(const ConcreteMapping& u, int nCr, CrackPlasticPart* pl, int n = 6);
// Fields 3, 6, 7 and 8 of the record from its effective stress; returns the damaged
// stress in stress.
void CalcStressTensorDecomposition_NLMM151(const CrackPlasticMaterial& c, NLMM151_HD& r, double* stress);

// Tangent (n x n) of a point of a crack model with plasticity by its status: De (1), the
// cracked matrix (2), the elasto-plastic one (3), or the latter reduced by the cracks (4).
template <class R>
void TangentByStatus(int n, int status, const PointContext& at, const MaterialRecord& m, const R& r, double** De,
                     double** D, void (*dep)(const PointContext&, const MaterialRecord&, const R&, double**, double**),
                     void (*decr)(const PointContext&, const MaterialRecord&, const R&, double**, double**)) {
  switch (status) {
    case 1: copyd2(D, De, n, n); return;
    case 2: decr(at, m, r, De, D); return;
    case 3: dep(at, m, r, De, D); return;
    case 4: {
      double** Dep;
      allocd2(&Dep, n, n);
      dep(at, m, r, De, Dep);
      decr(at, m, r, Dep, D);
      freed2(Dep);
      return;
    }
    default: InternalError(__FILE__, __LINE__);
  }
}

// Cracked tangent of the active cracks applied to the base matrix Dbase (Dco or the
// elasto-plastic matrix).
void CalcMat_Decr_NLMM151(const PointContext& at, const MaterialRecord& m, const NLMM151_HD& r, double** Dbase,
                          double** D);

// ---- cracked points of the models with plasticity (_NLMM151, _NLMM142, _NLMM141) -------------
// The delta-stress step of a pass (the plasticStep of the crack events): no active crack,
// the plastic update; a point with plastic history, the combined update, else the
// staggered loop (code 3 when both fail); otherwise the crack algorithms (code 1) and,
// when the end stress yields, the combined update. s carries the result.
bool CalcDeltaStressCrModelPlastic(const CrackEventContext& x, const CrackView& v, CrackSolve& s, const double* dEps,
                                   char* code);
// Storage of the plastic part of a pass and the point status (the plasticStore).
void UpdateCrModelStatePlastic(const CrackEventContext& x, CrackView& v, const CrackSolve& s);
// Newton iteration on the crack strains, stress, kappa and dlambda of the concrete
// surface (_NLMM151, _NLMM142; a crack-only first guess; failure also for a step that
// converges to dlambda < 0), and on crack strains, stress and kappa of the Owen-Figueiras
// surface (_NLMM141, dlambda = kappa - kappa0).
bool CalcStressElastoPlasticCrModelAlgor01_NLMM151(const CrackEventContext& x, const CrackView& v, CrackSolve& s,
                                                   const double* dEps);
bool CalcStressElastoPlasticCrModelAlgor01_NLMM141(const CrackEventContext& x, const CrackView& v, CrackSolve& s,
                                                   const double* dEps);
// Staggered loop: cracks on the strain less the plastic strain, plasticity on the strain
// the cracks leave, until the yield value falls below 1e-6 fc (at most 1000 cycles).
bool CalcDeltaStressCrPlastic(const CrackEventContext& x, const CrackView& v, CrackSolve& s, const double* dEps);
