#include "support/material_driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

#include "history/history.h"
#include "history/records.h"
#include "materials/material_point.h"
#include "materials/uniaxial/uniaxial_law.h"
#include "numcore/numcore.h"

namespace matdriver {

MaterialRecord Record(std::initializer_list<double> values) { return Record(std::vector<double>(values)); }

MaterialRecord Record(const std::vector<double>& values) {
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

// One sampling point in a table of one record, with the history's initial and start values.
struct PointStore {
  NLMM_HD hd{};
  const UniaxialLaw* law;
  const RecordOps* ops = nullptr;
  unsigned char* block = nullptr;
  explicit PointStore(int code) : law(UniaxialLawOf(code)) {
    if (law == nullptr) ADD_FAILURE() << "no uniaxial law " << code;
    if (law == nullptr || law->recordSize == 0) return;
    const int slot = NlmmSlotOfCode(code);
    ops = RecordOpsOfSlot(slot);
    block = static_cast<unsigned char*>(std::calloc(2, ops->size));
    ops->init(block + ops->size);
    hd.Entry[2 * slot] = block;
    // The start values read no material value of a uniaxial law.
    if (const auto start = SlotRowOf(slot).start) start(StartPlace{nullptr, code, 1}, block + ops->size);
  }
  ~PointStore() {
    if (block != nullptr) ops->release(block + ops->size);
    std::free(block);
  }
  PointStore(const PointStore&) = delete;
  PointStore& operator=(const PointStore&) = delete;
};

}  // namespace

std::vector<Response> DriveUniaxial(int code, const MaterialRecord& m, const std::vector<Step>& path, Host host) {
  PointStore point(code);
  std::vector<Response> out;
  const PointContext at{1, 1, 1, 1, 0};
  double previous = 0.0;
  for (const Step& s : path) {
    Response r{};
    if (host == Host::kBar) {
      r.stress = UniaxialStress(code, m, s.strain, &point.hd, 1);
      r.tangent = UniaxialTangent(code, s.iteration, m, &point.hd, 1);
    } else {
      r.stress = FibreStress(code, at, m, &point.hd, 1, s.strain, s.strain - previous);
      r.tangent = FibreTangent(code, out.empty(), m, &point.hd, 1);
    }
    previous = s.strain;
    r.pointTangent = point.law != nullptr && point.law->tangent != nullptr
                         ? point.law->tangent(m, UniaxialRecord(*point.law, &point.hd, 1))
                         : UniaxialInitialModulus(code, m);
    out.push_back(r);
  }
  return out;
}

double FiniteDifferenceSlope(int code, const MaterialRecord& m, const std::vector<Step>& path, size_t k, double h,
                             Host host) {
  double sigma[2];
  for (int side = 0; side < 2; side++) {
    std::vector<Step> p(path.begin(), path.begin() + static_cast<long>(k) + 1);
    p[k].strain += side == 0 ? h : -h;
    sigma[side] = DriveUniaxial(code, m, p, host).back().stress;
  }
  return (sigma[0] - sigma[1]) / (2.0 * h);
}

MaterialRecord RecordWithInts(std::initializer_list<double> values, std::initializer_list<int> intPositions) {
  MaterialRecord r = Record(values);
  for (int k : intPositions) r.ValueType[k] = 'i';
  return r;
}

bool SameRecord(int slot, const void* a, const void* b) {
  const RecordOps* ops = RecordOpsOfSlot(slot);
  std::string bytes[2];
  const void* r[2] = {a, b};
  for (int k = 0; k < 2; k++) {
    FILE* fp = std::tmpfile();
    ops->write(fp, r[k]);
    const long n = std::ftell(fp);
    std::rewind(fp);
    bytes[k].resize(static_cast<size_t>(n));
    const size_t got = std::fread(bytes[k].data(), 1, bytes[k].size(), fp);
    std::fclose(fp);
    if (got != bytes[k].size()) return false;
  }
  return bytes[0] == bytes[1];
}

namespace {

// Newton correction of the free strains f: K_ff x = -r with the tangent t.
// Newton correction of the free strains whose stress r is not yet held (|r| >= held):
// a component already at zero stays out. A perfectly plastic edge leaves the tangent
// without stiffness in some directions, where the flow is not unique: a diagonal shift
// of 1e-9 of the largest term takes the shortest correction there.
bool FreeCorrection(const std::vector<double>& t, int n, const std::vector<int>& free, const std::vector<double>& r,
                    std::vector<double>& dEps, double held) {
  std::vector<int> f;
  for (int i : free)
    if (std::fabs(r[i]) >= held) f.push_back(i);
  const int k = static_cast<int>(f.size());
  if (k == 0) return true;
  double** K;
  double x[7], b[7];
  allocd2(&K, k, k);
  for (int a = 0; a < k; a++) {
    for (int c = 0; c < k; c++) K[a + 1][c + 1] = t[f[a] * n + f[c]];
    b[a + 1] = -r[f[a]];
  }
  double big = 0.0;
  for (int a = 1; a <= k; a++) big = std::max(big, std::fabs(K[a][a]));
  for (int a = 1; a <= k; a++) K[a][a] += 1e-9 * big;
  const bool ok = linsolved2(K, x, b, k);
  freed2(K);
  for (int a = 0; ok && a < k; a++) dEps[f[a]] += x[a + 1];
  return ok;
}

}  // namespace

ContinuumPoint::ContinuumPoint(int code, int type, const MaterialRecord& m)
    : code_(code), type_(type), slot_(NlmmSlotOfCode(code)), n_(ContinuumComponents(StressStateOfType(type))), mat_(m) {
  ops_ = RecordOpsOfSlot(slot_);
  block_ = static_cast<unsigned char*>(std::calloc(4, ops_->size));
  for (int k = 1; k <= 3; k++) ops_->init(At(k));
  // Start values of the slot, on an element and a point of unit size.
  if (const auto start = SlotRowOf(slot_).start) {
    StartPlace at{nullptr, code, 1, &mat_};
    at.element = at.point = 1;
    at.sizes = [](const MeshData*, int, int, int, double* element, double* point) { *element = *point = 1.0; };
    start(at, At(1));
  }
  stress_.assign(static_cast<size_t>(n_), 0.0);
  ops_->copy(At(2), At(1));
  hd_ = NLMM_HD{};
  hd_.Entry[2 * slot_] = block_;
  // History mode 1: the converged copy (record 2, the start of the step) as record 1.
  hd_.Entry[2 * slot_ + 1] = block_ + ops_->size;
  hd_.PathBehavior = 1;
}

ContinuumPoint::~ContinuumPoint() {
  for (int k = 1; k <= 3; k++) ops_->release(At(k));
  std::free(block_);
}

void* ContinuumPoint::At(int k) { return block_ + static_cast<size_t>(k) * ops_->size; }

std::vector<double> ContinuumPoint::Update(int target, const std::vector<double>& dEps) {
  ops_->copy(At(target), At(2));
  double de[7], s[7];
  for (int i = 1; i <= n_; i++) de[i] = dEps[i - 1];
  ContinuumStress(code_, StressStateOfType(type_), PointContext{1, 1, 1, 1, 0}, mat_, &hd_, target, de, s);
  return std::vector<double>(s + 1, s + 1 + n_);
}

std::vector<double> ContinuumPoint::TrialStress(const std::vector<double>& dEps) { return Update(3, dEps); }

std::vector<double> ContinuumPoint::Tangent() {
  double** D;
  allocd2(&D, n_, n_);
  // The tangent of the state that the last update left, as a later iteration of a
  // combination takes it (iteration 2).
  ContinuumTangent(code_, StressStateOfType(type_), PointContext{1, 1, 1, 2, 0}, mat_, &hd_, 1, D);
  std::vector<double> t;
  for (int i = 1; i <= n_; i++)
    for (int j = 1; j <= n_; j++) t.push_back(D[i][j]);
  freed2(D);
  return t;
}

std::vector<double> ContinuumPoint::RecordStress(bool layer) {
  double s[7] = {};
  if (layer)
    ShellLayerRecordStress(code_, mat_, &hd_, 1, s);
  else
    ContinuumRecordStress(code_, StressStateOfType(type_), mat_, &hd_, 1, s);
  return std::vector<double>(s + 1, s + 1 + (layer ? 3 : n_));
}

std::vector<double> ContinuumPoint::Step(std::vector<double>& dEps, const std::vector<bool>& free) {
  ops_->copy(At(2), At(1));
  std::vector<int> f;
  for (int i = 0; i < n_; i++)
    if (free[i]) f.push_back(i);
  // Predictor: the free strains that the tangent of the start state gives.
  if (keepFirst_ && first_.empty()) first_ = Tangent();
  if (!f.empty()) {
    const std::vector<double> t = keepFirst_ ? first_ : Tangent();
    std::vector<double> r(n_, 0.0);
    for (int i = 0; i < n_; i++)
      for (int j = 0; j < n_; j++) r[i] += t[i * n_ + j] * dEps[j];
    FreeCorrection(t, n_, f, r, dEps, 0.0);
  }
  std::vector<double> s;
  for (int it = 0; it < 200; it++) {
    s = Update(1, dEps);
    double worst = 0.0;
    for (int i : f) worst = std::max(worst, std::fabs(s[i]));
    if (worst < heldTolerance_) {
      for (int i = 0; i < n_; i++) work_ += 0.5 * (stress_[i] + s[i]) * dEps[i];
      stress_ = s;
      return s;
    }
    if (!FreeCorrection(keepFirst_ ? first_ : Tangent(), n_, f, s, dEps, heldTolerance_)) break;
  }
  ADD_FAILURE() << "the held stress components did not vanish: " << s[f.empty() ? 0 : f[0]] << " " << s[0];
  return s;
}

std::vector<double> ContinuumPoint::Path(const std::vector<double>& total, const std::vector<bool>& free, int steps) {
  std::vector<double> s;
  for (int k = 0; k < steps; k++) {
    std::vector<double> de(n_);
    for (int i = 0; i < n_; i++) de[i] = free[i] ? 0.0 : total[i] / steps;
    s = Step(de, free);
  }
  return s;
}

std::vector<double> ContinuumPoint::DifferenceTangent(const std::vector<double>& dEps, double h) {
  std::vector<double> t(static_cast<size_t>(n_ * n_));
  for (int j = 0; j < n_; j++) {
    std::vector<double> p = dEps, m = dEps;
    p[j] += h;
    m[j] -= h;
    const std::vector<double> sp = Update(3, p), sm = Update(3, m);
    for (int i = 0; i < n_; i++) t[i * n_ + j] = (sp[i] - sm[i]) / (2.0 * h);
  }
  return t;
}

}  // namespace matdriver
