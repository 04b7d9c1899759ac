// Sampling-point driver for material laws: a strain path goes in, the stress and the
// tangent of every step come out, through the material point as the elements call it.
// The law issues add their paths (loading, unloading, reversals) as tables of steps.
#pragma once

#include <initializer_list>
#include <vector>

#include "materials/history_data.h"
#include "model/material.h"

struct RecordOps;

namespace matdriver {

// A material record of double values 1..n in file order (the name "MAT").
MaterialRecord Record(std::initializer_list<double> values);
MaterialRecord Record(const std::vector<double>& values);

// One step of a path: the total mechanical strain and the iteration number at which the
// point is evaluated.
struct Step {
  double strain;
  int iteration;
};

struct Response {
  double stress;
  double tangent;              // as the host assembles it (its tangent policy)
  double pointTangent = 0.0;   // the law's own tangent at the step
};

// The two hosts of a uniaxial law: a bar or cable (the total mechanical strain in, the
// bar's tangent policy) and a beam fibre (the increment on the strain its record keeps,
// the fibre's policy, whose first step is the path's first).
enum class Host { kBar, kFibre };

// Drives one uniaxial point of kind `code` along the path, step after step, from the
// start values of its record (the steel laws' elastic branch and rule 1).
std::vector<Response> DriveUniaxial(int code, const MaterialRecord& m, const std::vector<Step>& path,
                                    Host host = Host::kBar);

// Central finite-difference slope of the stress at step k: the path is replayed up to
// step k - 1 on a fresh point for each of strain +- h at step k.
double FiniteDifferenceSlope(int code, const MaterialRecord& m, const std::vector<Step>& path, size_t k, double h,
                             Host host = Host::kBar);

// Record values with the int32 positions marked (1-based, file order).
MaterialRecord RecordWithInts(std::initializer_list<double> values, std::initializer_list<int> intPositions);

// Do two records of the history slot hold the same values, field by field (arrays
// followed)?
bool SameRecord(int slot, const void* a, const void* b);

// One plane or solid sampling point of kind `code` on an element of type `type`, with
// its own history record (start values set) in a table of one record. As in history
// mode 1, every iteration of a step restarts the current record from the converged one,
// the record at the start of the step.
class ContinuumPoint {
 public:
  ContinuumPoint(int code, int type, const MaterialRecord& m);
  ~ContinuumPoint();
  ContinuumPoint(const ContinuumPoint&) = delete;
  ContinuumPoint& operator=(const ContinuumPoint&) = delete;

  int n() const { return n_; }
  // One increment dEps (n components, 0-based here); the components with free[i] set
  // are found by Newton's method, each call from a copy of the record at the start of
  // the increment, so that their stresses vanish. dEps receives the increment taken;
  // returns the stress (n components). False when Newton's method does not settle.
  std::vector<double> Step(std::vector<double>& dEps, const std::vector<bool>& free);
  // Steps of equal size that add up to total.
  std::vector<double> Path(const std::vector<double>& total, const std::vector<bool>& free, int steps);
  // Tangent of the point from its record (row-major n x n).
  std::vector<double> Tangent();
  // The stress the point's record holds, as the geometric stiffness of the plane element
  // (or, layer set, of a shell layer) reads it back.
  std::vector<double> RecordStress(bool layer = false);
  // Central differences of the update dEps +- h e_j from the record before the last
  // step, column by column (row-major n x n).
  std::vector<double> DifferenceTangent(const std::vector<double>& dEps, double h);
  // Stress after dEps from the saved record, the point's record left unchanged.
  std::vector<double> TrialStress(const std::vector<double>& dEps);
  // Largest stress magnitude left in a held component (1e-11 unless set; a law whose
  // return mapping stops at a looser tolerance needs more).
  void SetHeldTolerance(double t) { heldTolerance_ = t; }
  // The held components corrected with the tangent of the first step throughout, as
  // the initial-stiffness strategy of a run does.
  void KeepFirstTangent() { keepFirst_ = true; }
  // The point's current record (of the kind's type) and the converged one of the last
  // step (its start).
  template <typename R>
  R& Record() {
    return *static_cast<R*>(At(1));
  }
  template <typename R>
  R& Converged() {
    return *static_cast<R*>(At(2));
  }
  // Work of the stresses on the strains of the settled steps, sum of (s0 + s1)/2 . dEps.
  double Work() const { return work_; }

 private:
  void* At(int k);
  std::vector<double> Update(int target, const std::vector<double>& dEps);
  int code_, type_, slot_, n_;
  double heldTolerance_ = 1e-11;
  bool keepFirst_ = false;
  std::vector<double> first_;
  MaterialRecord mat_;
  const RecordOps* ops_;
  unsigned char* block_;  // records 1 (the point), 2 (converged at the step start), 3 (work)
  NLMM_HD hd_;
  std::vector<double> stress_;
  double work_ = 0.0;
};

}  // namespace matdriver
