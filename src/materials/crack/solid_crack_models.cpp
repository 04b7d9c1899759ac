// Entry points of the solid smeared-crack models _NLMM111 and _NLMM102: the tangent of
// the sampling point and its stress update. An uncracked point stays elastic until its
// largest principal stress exceeds the tensile strength.
#include "materials/crack/solid_cracks.h"
#include "materials/material_slots.h"
#include "numcore/numcore.h"

namespace {

// The uncracked check of both models; deltaStress null where the record keeps none.
bool UncrackedCheck(const SolidCrackModel& model, const PointContext& at, const MaterialRecord& m, int nCr,
                    double* stress, double* deltaStress, double** Dco, const double* dEps) {
  if (nCr > 0) return true;
  double ds[7], trial[7], values[4];
  multd2d1(ds, Dco, dEps, 6, 6);
  for (int i = 1; i <= 6; i++) trial[i] = stress[i] + ds[i];
  double** dir;
  allocd2(&dir, 3, 3);
  const bool ok = CalcPrincipalStresses3D(dir, values, trial);
  freed2(dir);
  if (!ok)
    MaterialPointFault(at, "Calculating the principal stresses:\n", model.name,
                       "Unable to calculate the principal stresses.");
  // A principal stress equal to the strength stays elastic.
  if (values[3] > MatSlotValue(m, model.code, model.ft)) return true;
  copyd1(stress, trial, 6);
  if (deltaStress != nullptr) copyd1(deltaStress, ds, 6);
  return false;
}

}  // namespace

void CalcMat_Decr_NLMM111(const PointContext& at, const MaterialRecord& m, const CrackPart111& r, double** Dco,
                          double** D) {
  CalcMat_DecrOfRecord(kModel111, at, m, r, CalcNumActiveCr_NLMM111(r), AssignActCrData_NLMM111, Dco, D);
}

void CalcMat_Decr_NLMM102(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r, double** Dco,
                          double** D) {
  CalcMat_DecrOfRecord(kModel102, at, m, r, CalcNumActiveCr_NLMM102(r), AssignActCrData_NLMM102, Dco, D);
}

void CalcMat_D_NLMM111(const PointContext& at, const MaterialRecord& m, const NLMM111_HD& r, double** Dco,
                       double** D) {
  switch (r.PointStatus) {
    case 1: copyd2(D, Dco, 6, 6); return;
    case 2: CalcMat_Decr_NLMM111(at, m, r.Cr, Dco, D); return;
    default: InternalError(__FILE__, __LINE__);
  }
}

void CalcMat_D_NLMM102(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r, double** Dco,
                       double** D) {
  switch (r.PointStatus) {
    case 1: copyd2(D, Dco, 6, 6); return;
    case 2: CalcMat_Decr_NLMM102(at, m, r, Dco, D); return;
    default: InternalError(__FILE__, __LINE__);
  }
}

bool CheckUncrackedElastic_NLMM111(const PointContext& at, const MaterialRecord& m, NLMM111_HD& r, double** Dco,
                                   const double* dEps) {
  return UncrackedCheck(kModel111, at, m, r.Cr.nCr, r.Stress, r.StrainAux, Dco, dEps);
}

bool CheckUncrackedElastic_NLMM102(const PointContext& at, const MaterialRecord& m, NLMM101_HD& r, double** Dco,
                                   const double* dEps) {
  return UncrackedCheck(kModel102, at, m, r.nCr, r.Stress, nullptr, Dco, dEps);
}

void CalcStressCrModel_NLMM111(const PointContext&, const MaterialRecord&, NLMM111_HD&, double**, const double*) {
  // Crack initiation, status changes and their transition points come with their issue.
  InternalError(__FILE__, __LINE__);
}

void CalcStressCrModel_NLMM102(const PointContext&, const MaterialRecord&, NLMM101_HD&, double**, const double*) {
  InternalError(__FILE__, __LINE__);
}

void CalcStress_NLMM111(const PointContext& at, const MaterialRecord& m, NLMM111_HD& r, double** Dco,
                        const double* dEps, double* stress) {
  addd1(r.Strain, dEps, 6);
  if (CheckUncrackedElastic_NLMM111(at, m, r, Dco, dEps)) CalcStressCrModel_NLMM111(at, m, r, Dco, dEps);
  copyd1(stress, r.Stress, 6);
}

void CalcStress_NLMM102(const PointContext& at, const MaterialRecord& m, NLMM101_HD& r, double** Dco,
                        const double* dEps, double* stress) {
  addd1(r.Strain, dEps, 6);
  if (CheckUncrackedElastic_NLMM102(at, m, r, Dco, dEps)) CalcStressCrModel_NLMM102(at, m, r, Dco, dEps);
  copyd1(stress, r.Stress, 6);
}
