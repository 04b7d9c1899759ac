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

namespace {

// One sampling point with the start values of the steel records (record 1 of each).
struct PointStore {
  NLMM_HD hd{};
  NLMM201_HD r201[2]{};
  NLMM145_HD r145[2]{};
  explicit PointStore(int code) {
    r201[1].Branch = 1;
    r145[1].RuleNumber = r145[1].StateWord = 1;
    const int slot = NlmmSlotOfCode(code);
    if (code == MAT_NLMM201) hd.Entry[2 * slot] = r201;
    if (code == MAT_NLMM202) hd.Entry[2 * slot] = r145;
  }
};

}  // namespace

std::vector<Response> DriveUniaxial(int code, const MaterialRecord& m, const std::vector<Step>& path) {
  PointStore point(code);
  std::vector<Response> out;
  for (const Step& s : path) {
    const double sigma = UniaxialStress(code, m, s.strain, &point.hd, 1);
    out.push_back({sigma, UniaxialTangent(code, s.iteration, m, &point.hd, 1)});
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
