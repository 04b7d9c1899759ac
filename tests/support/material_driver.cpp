#include "support/material_driver.h"

#include <cstring>

#include "materials/material_point.h"

namespace matdriver {

MaterialRecord Record(std::initializer_list<double> values) {
  MaterialRecord r;
  std::memset(&r, 0, sizeof r);
  std::strcpy(r.Name, "MAT");
  for (double v : values) {
    r.nValues++;
    r.Value[r.nValues] = v;
    r.ValueType[r.nValues] = 'd';
  }
  return r;
}

std::vector<Response> DriveUniaxial(int code, const MaterialRecord& m, const std::vector<Step>& path) {
  std::vector<Response> out;
  for (const Step& s : path) {
    const double sigma = UniaxialStress(code, m, s.strain, 0.0);
    out.push_back({sigma, UniaxialTangent(code, s.iteration, m)});
  }
  return out;
}

double FiniteDifferenceSlope(int code, const MaterialRecord& m, const std::vector<Step>& path, size_t k, double h) {
  double sigma[2];
  for (int side = 0; side < 2; side++) {
    std::vector<Step> p(path.begin(), path.begin() + static_cast<long>(k) + 1);
    p[k].strain += side == 0 ? h : -h;
    sigma[side] = DriveUniaxial(code, m, p).back().stress;
  }
  return (sigma[0] - sigma[1]) / (2.0 * h);
}

}  // namespace matdriver
