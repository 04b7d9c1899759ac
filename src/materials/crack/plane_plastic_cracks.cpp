// Plane crack models with concrete plasticity: the pre-check of an uncracked point and
// the tangent by the point status.
#include "materials/crack/plane_plastic_cracks.h"

#include "materials/crack/elastoplastic_crack.h"
#include "materials/material_slots.h"
#include "materials/plasticity/owen_figueiras.h"
#include "numcore/numcore.h"

namespace {

double MajorPrincipal(const double* s) {
  double angle, major, minor;
  CalcPrincipalStresses2D(&angle, &major, &minor, s);
  return major;
}

}  // namespace

bool CheckUncrackedState_NLMM142(const PointContext& at, const MaterialRecord& m, const NLMM142_HD& r,
                                 double** Dco, const double* dEps, ConcreteMapping* u) {
  if (r.Cr.nCr != 0) return true;
  const CrackPlasticMaterial c = CrackPlasticParameters(m, MAT_NLMM142);
  *u = ConcreteMapping{};
  CalcStressElastoPlasticModel_NLMM151(at, c, Dco, r.Pl, r.Pl.PlasticStress, dEps, u);
  // Not "major > ft": a NaN stress goes to the crack update too.
  return !(MajorPrincipal(u->sigma) <= MatSlotValue(m, MAT_NLMM142, kModel142.ft));
}

bool CheckUncrackedState_NLMM141(const PointContext& at, const MaterialRecord& m, const NLMM141_HD& r,
                                 double** Dco, const double* dEps, OwenFigMapping* u) {
  if (r.nCr != 0) return true;
  *u = OwenFigMapping{};
  CalcStressElastoPlasticModel_OwenFig(at, Nlmm141Parameters(m), r.Pl.Stress, r.Pl.EqPlasticStrain, Dco, dEps, u);
  return !(MajorPrincipal(u->sigma) <= MatSlotValue(m, MAT_NLMM141, kModel141.ft));
}

void StoreUncrackedState_NLMM142(const ConcreteMapping& u, NLMM142_HD& r) {
  StoreUncrackedPlastic_NLMM151(u, r.Cr.nCr, &r.Pl, 3);
}

void StoreUncrackedState_NLMM141(const OwenFigMapping& u, NLMM141_HD& r) {
  copyd1(r.Pl.Stress, u.sigma, 3);
  UpdateElastoPlasticModel_NLMM121(3, u, &r.Pl);
  UpdateSampPointStatus_NLMM151(&r.Pl.PointStatus, r.nCr, r.Pl.EqPlasticStrain);
}

namespace {

void CalcStressCrPlastic(const SolidCrackModel& model, const PointContext& at, const MaterialRecord& m, CrackView v,
                         double** De, const double* dEps) {
  CrackEventContext x = CrackEventContextOf(model, at, m, De);
  x.plasticStep = CalcDeltaStressCrModelPlastic;
  x.plasticStore = UpdateCrModelStatePlastic;
  CalcStressCrModel(x, v, dEps);
}

}  // namespace

void CalcStressCrConcrete_NLMM142(const PointContext& at, const MaterialRecord& m, NLMM142_HD& r, double** De,
                                  const double* dEps) {
  CalcStressCrPlastic(kModel142, at, m, CrackViewOf(r), De, dEps);
}

void CalcStressCrConcrete_NLMM141(const PointContext& at, const MaterialRecord& m, NLMM141_HD& r, double** De,
                                  const double* dEps) {
  CalcStressCrPlastic(kModel141, at, m, CrackViewOf(r), De, dEps);
}

void CalcStress_NLMM142(const PointContext& at, const MaterialRecord& m, NLMM142_HD& r, double** De,
                        const double* dEps, double* stress) {
  addd1(r.Pl.Strain, dEps, 3);
  ConcreteMapping u;
  if (CheckUncrackedState_NLMM142(at, m, r, De, dEps, &u))
    CalcStressCrConcrete_NLMM142(at, m, r, De, dEps);
  else
    StoreUncrackedState_NLMM142(u, r);
  double minus[4];
  CalcStressTensorDecomposition_NLMM142(m, r.Pl.PlasticStress, minus, stress, r);
  copyd1(r.Pl.Stress, stress, 3);
}

void CalcStress_NLMM141(const PointContext& at, const MaterialRecord& m, NLMM141_HD& r, double** De,
                        const double* dEps, double* stress) {
  addd1(r.Pl.Strain, dEps, 3);
  OwenFigMapping u;
  if (CheckUncrackedState_NLMM141(at, m, r, De, dEps, &u))
    CalcStressCrConcrete_NLMM141(at, m, r, De, dEps);
  else
    StoreUncrackedState_NLMM141(u, r);
  copyd1(stress, r.Pl.Stress, 3);
}

void CalcMat_Decr_NLMM142(const PointContext& at, const MaterialRecord& m, const NLMM142_HD& r, double** Dbase,
                          double** D) {
  double share[13];
  const auto view = [](NLMM142_HD& x) { return CrackViewOf(x); };
  const auto strain = [](const NLMM142_HD& x) -> const double* { return x.Pl.Strain; };
  CalcMat_DecrOfRecord(kModel142, at, m, r.Cr, CalcNumActiveCr_NLMM104(r.Cr), AssignActCrData_NLMM104, Dbase, D,
                       StepCrackShares<NLMM142_HD>(at, r, Dbase, share, view, strain));
}

void CalcMat_Decr_NLMM141(const PointContext& at, const MaterialRecord& m, const NLMM141_HD& r, double** Dbase,
                          double** D) {
  double share[13];
  const auto view = [](NLMM141_HD& x) { return CrackViewOf(x); };
  const auto strain = [](const NLMM141_HD& x) -> const double* { return x.Pl.Strain; };
  CalcMat_DecrOfRecord(kModel141, at, m, r, CalcNumActiveCr_NLMM141(r), AssignActCrData_NLMM141, Dbase, D,
                       StepCrackShares<NLMM141_HD>(at, r, Dbase, share, view, strain));
}

void CalcMat_Dep_NLMM142(const PointContext& at, const MaterialRecord& m, const NLMM142_HD& r, double** Dco,
                         double** D) {
  const CrackPlasticMaterial c = CrackPlasticParameters(m, MAT_NLMM142);
  if (r.Pl.CompressiveDamage == 0.0)
    CalcMat_Dep_NLMM151_1stOrder(at, c, r.Pl, r.Cr.CrBandWidth[1], r.Pl.PlasticStress, Dco, D);
  else
    CalcMat_Depd_NLMM151(at, c, r.Pl, r.Cr.CrBandWidth[1], r.Pl.PlasticStress, Dco, D);
}

void CalcMat_Dep_NLMM141(const PointContext& at, const MaterialRecord& m, const NLMM141_HD& r, double** Dco,
                         double** D) {
  CalcMat_Dep_OwenFig(at, Nlmm141Parameters(m), &r.Pl, Dco, D);
}

void CalcMat_D_NLMM142(const PointContext& at, const MaterialRecord& m, const NLMM142_HD& r, double** Dco, double** D) {
  TangentByStatus(3, r.Pl.PointStatus, at, m, r, Dco, D, CalcMat_Dep_NLMM142, CalcMat_Decr_NLMM142);
}

void CalcMat_D_NLMM141(const PointContext& at, const MaterialRecord& m, const NLMM141_HD& r, double** Dco, double** D) {
  TangentByStatus(3, r.Pl.PointStatus, at, m, r, Dco, D, CalcMat_Dep_NLMM141, CalcMat_Decr_NLMM141);
}

void CalcMat_Ds_NLMM142(const MaterialRecord& m, const NLMM142_HD& r, double** Ds, double** D) {
  CalcMat_Ds_OP(MAT_NLMM142, m, r.Pl.PointStatus, r.Cr, Ds, D);
}

void CalcShearStress_OP_NLMM142(const MaterialRecord& m, NLMM142_HD& r, double** Ds, const double* g, double* tau) {
  CalcShearStress_OP(MAT_NLMM142, m, r.Pl.PointStatus, r.Cr, Ds, g, tau);
}
