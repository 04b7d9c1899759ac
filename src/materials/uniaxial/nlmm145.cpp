// Smeared steel bars _NLMM145: a layer of bars in one direction of a plane-stress or
// shell point. The point's strain is projected onto the bars, the cyclic steel rules
// give the bar stress, and the bar stress goes back into the point's stress vector.
#include <cmath>

#include "materials/uniaxial/steel.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

// Direction vector t = (c^2, s^2, s c) of the bars at the angle of value 11 (degrees).
void BarDirection(const MaterialRecord& m, double t[4]) {
  const double a = MatValue(m, 11) * 3.141592653589793 / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  t[1] = c * c;
  t[2] = s * s;
  t[3] = s * c;
}

}  // namespace

void CalcStress_NLMM145(const MaterialRecord& m, int n, NLMM145_HD& r, const double* dEps, double* sigma,
                        double* tangent) {
  if (n < 3) InternalError(__FILE__, __LINE__);
  double t[4];
  BarDirection(m, t);
  // The first row of the strain rotation is t: the bar strain increment.
  const double deBar = t[1] * dEps[1] + t[2] * dEps[2] + t[3] * dEps[3];
  CyclicSteel s = CyclicSteelOf(m, 3);
  s.branchPastTarget = true;
  double stress;
  CalcStress_NLMM202(s, r, r.Value[NLMM145_HD::kStrain] + deBar, &stress, tangent);
  RecordStress_NLMM145(m, n, r, sigma);
}

void RecordStress_NLMM145(const MaterialRecord& m, int n, const NLMM145_HD& r, double* sigma) {
  if (n < 3) InternalError(__FILE__, __LINE__);
  double t[4];
  BarDirection(m, t);
  // The bar stress along t as a stress tensor: sigma_ij = s t_i t_j, in the order of t.
  zerod1(sigma, n);
  for (int k = 1; k <= 3; k++) sigma[k] = r.Value[NLMM145_HD::kStress] * t[k];
}

void CalcMat_D_NLMM145(const MaterialRecord& m, int n, double** D) {
  if (n < 3) InternalError(__FILE__, __LINE__);
  double t[4];
  BarDirection(m, t);
  const double E = MatValue(m, 3);
  zerod2(D, n, n);
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) D[i][j] = E * t[i] * t[j];
}

void CheckParameters_NLMM145(const MaterialRecord& m, const char* block, int record) {
  const CyclicSteel s = CyclicSteelOf(m, 3);
  if (!(s.E > 0.0)) DataFault(nullptr, block, record, "The modulus of elasticity of the steel must be positive: %g.", s.E);
  if (!(s.Esh >= 0.0))
    DataFault(nullptr, block, record, "The hardening modulus of the steel cannot be negative: %g.", s.Esh);
  if (!(s.ey > 0.0)) DataFault(nullptr, block, record, "The yield strain of the steel must be positive: %g.", s.ey);
  if (!(s.fy > 0.0)) DataFault(nullptr, block, record, "The yield stress of the steel must be positive: %g.", s.fy);
  if (!(s.esh > s.ey && s.eu > s.esh && s.fu > s.fy))
    DataFault(nullptr, block, record,
              "Invalid steel parameters: the hardening strain must exceed the yield strain, the ultimate strain the "
              "hardening strain and the ultimate stress the yield stress.");
}
