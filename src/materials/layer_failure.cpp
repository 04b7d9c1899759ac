// Tsai-Wu failure check of a shell layer in its material axes.
#include "materials/layer_failure.h"

#include <cmath>
#include <initializer_list>

#include "materials/elastic.h"
#include "model/validate.h"
#include "numcore/numcore.h"

Nlmm501Material Nlmm501Parameters(const MaterialRecord& m) {
  return {MatInt(m, 10), MatValue(m, 11), MatValue(m, 12), MatValue(m, 13), MatValue(m, 14), MatValue(m, 15)};
}

void CheckParameters_NLMM501(const MaterialRecord& m, const char* block, int record) {
  const Nlmm501Material p = Nlmm501Parameters(m);
  const struct {
    const char* name;
    double v;
  } strengths[] = {{"Xt", p.Xt}, {"Xc", p.Xc}, {"Yt", p.Yt}, {"Yc", p.Yc}, {"S", p.S}};
  for (const auto& s : strengths)
    if (!(s.v > kSmall)) DataFault(nullptr, block, record, "The strength %s must be positive: %g.", s.name, s.v);
  // The layer's plane-stress matrix: moduli positive, and 1 - nu12 nu21 > 0 with
  // nu21 = nu12 E2/E1.
  const LayerElastic c = LayerElasticConstants(MAT_NLMM501, m);
  const struct {
    const char* name;
    double v;
  } moduli[] = {{"E1", c.E1}, {"E2", c.E2}, {"G12", c.G12}, {"G23", c.Ga}, {"G13", c.Gb}};
  for (const auto& e : moduli)
    if (!(e.v > 0.0)) DataFault(nullptr, block, record, "The elastic constant %s must be positive: %g.", e.name, e.v);
  if (!(c.nu12 * c.nu12 * c.E2 / c.E1 < 1.0))
    DataFault(nullptr, block, record,
              "The Poisson's ratio nu12 = %g with E1 = %g and E2 = %g leaves no stiffness: nu12^2 E2/E1 must be "
              "below 1.",
              c.nu12, c.E1, c.E2);
}

namespace {

// Rounding share of the index's terms below which an index above 0 counts as on the limit.
constexpr double kOnTheLimit = 1e-12;

}  // namespace

int CalcStress_NLMM501(int elem, const MaterialRecord& mat, NLMM301_HD* r, double** T, const double* sigma,
                       const AuxiliaryVector* auxVectors, const CoordinateSystem* coordSystems) {
  const Nlmm501Material p = Nlmm501Parameters(mat);
  double theta;
  CalcMat_D_MatCoordSys(p.coordSystem, elem, coordSystems[p.coordSystem].Name, &theta, T, auxVectors, coordSystems);
  double **Ts, **R, s[4];
  allocd2(&Ts, 3, 3);
  allocd2(&R, 2, 2);
  CalcMat_T_MatCoordSys(theta, Ts, R);
  multd2d1(s, Ts, sigma, 3, 3);
  freed2(R);
  freed2(Ts);
  for (double v : {p.Xc, p.Xt, p.Yc, p.Yt, p.S})
    if (!(v > 0.0)) InternalError(__FILE__, __LINE__);
  const double F11 = 1.0 / (p.Xt * p.Xc), F22 = 1.0 / (p.Yt * p.Yc), F12 = -0.5 * std::sqrt(F11 * F22);
  const double F1 = 1.0 / p.Xt - 1.0 / p.Xc, F2 = 1.0 / p.Yt - 1.0 / p.Yc, F66 = 1.0 / (p.S * p.S);
  const double terms[] = {F1 * s[1], F2 * s[2], F11 * s[1] * s[1], F22 * s[2] * s[2], F66 * s[3] * s[3],
                          2.0 * F12 * s[1] * s[2]};
  double sum = 0.0, size = 1.0;
  for (double t : terms) {
    sum += t;
    size += std::fabs(t);
  }
  double f = sum - 1.0;
  // A stress on the limit to rounding is not past it (index 0): a strain exactly on the
  // limit gives one state whichever way the last digits of the solution fall.
  if (f > 0.0 && f <= kOnTheLimit * size) f = 0.0;
  // Failure is permanent: a record that holds a failed state (index above 0) stays failed
  // whatever the stress now, and keeps the largest index reached.
  const double before = r->Value[NLMM301_HD::kFailureIndex501];
  const bool failed = f > 0.0 || before > 0.0;
  r->Value[NLMM301_HD::kFailureIndex501] = before > 0.0 ? std::fmax(before, f) : f;
  for (int i = 1; i <= 3; i++) r->Value[NLMM301_HD::kStress501 + i - 1] = failed ? 0.0 : s[i];
  return failed ? 1 : 0;
}
