// One contract for the uniaxial laws of bars, cables and beam fibres. A law answers one
// question, the stress and tangent of its point at a new total strain, and keeps its
// history in the point's record; the hosts differ only in the strain they hand it and in
// how they turn the record into the tangent they assemble (their tangent policies).
#pragma once

#include <cstddef>

#include "materials/history_data.h"
#include "materials/point_context.h"
#include "model/material.h"

// The point's answer at a strain.
struct UniaxialPoint {
  double stress;
  double tangent;
};

// Where the tangent of a point comes from.
enum UniaxialTangentSource {
  kTangentElastic,  // the initial modulus throughout (no record)
  kTangentOfBranch, // the branch the record is on gives it exactly, whatever the host
  kTangentStored,   // the tangent of the last evaluation, which the host's policy tempers
};

struct UniaxialLaw {
  int code;
  UniaxialTangentSource source;
  // Share of the initial modulus below which the fibre's policy does not let a stored
  // tangent fall (a cracked or yielded section stays solvable).
  double fibreShare;
  size_t recordSize;  // bytes of one record of the law's slot (0: no record)
  // Mechanical strain of the last evaluation, the base of a fibre's next increment.
  double (*strain)(const void* record);
  // Stress and tangent at the total mechanical strain eps; updates the record. `at`
  // names the point in the law's fatal messages.
  UniaxialPoint (*update)(const PointContext& at, const MaterialRecord& m, void* record, double eps);
  // Tangent the record gives (its branch, or the one stored by the last evaluation).
  double (*tangent)(const MaterialRecord& m, const void* record);
};

// A law's row from its typed routines over record type R.
template <typename R, double (*Strain)(const R&),
          UniaxialPoint (*Update)(const PointContext&, const MaterialRecord&, R&, double),
          double (*Tangent)(const MaterialRecord&, const R&)>
constexpr UniaxialLaw UniaxialLawRow(int code, UniaxialTangentSource source, double fibreShare) {
  return UniaxialLaw{
      code,
      source,
      fibreShare,
      sizeof(R),
      [](const void* r) { return Strain(*static_cast<const R*>(r)); },
      [](const PointContext& at, const MaterialRecord& m, void* r, double eps) {
        return Update(at, m, *static_cast<R*>(r), eps);
      },
      [](const MaterialRecord& m, const void* r) { return Tangent(m, *static_cast<const R*>(r)); },
  };
}

// Strain and tangent of the last evaluation, as the records keep them: in named fields
// (Strain, Tangent) or at the places kStrain and kTan of their values.
template <typename R>
double FieldStrain(const R& r) {
  return r.Strain;
}
template <typename R>
double FieldTangent(const MaterialRecord&, const R& r) {
  return r.Tangent;
}
template <typename R>
double ValueStrain(const R& r) {
  return r.Value[R::kStrain];
}
template <typename R>
double ValueTangent(const MaterialRecord&, const R& r) {
  return r.Value[R::kTan];
}

// The update of a law that gives its stress and tangent through pointers.
template <typename R, void (*Law)(const PointContext&, const MaterialRecord&, R&, double, double*, double*)>
UniaxialPoint PointOfLaw(const PointContext& at, const MaterialRecord& m, R& r, double eps) {
  UniaxialPoint p;
  Law(at, m, r, eps, &p.stress, &p.tangent);
  return p;
}

// The rows, each beside its law.
extern const UniaxialLaw kUniaxialLinear;  // _LIN_ISO
extern const UniaxialLaw kUniaxial201;
extern const UniaxialLaw kUniaxial202;
extern const UniaxialLaw kUniaxial210;
extern const UniaxialLaw kUniaxial220;
extern const UniaxialLaw kUniaxial298;
extern const UniaxialLaw kUniaxial299;

// Row of a uniaxial code; null for a code that has no uniaxial law.
const UniaxialLaw* UniaxialLawOf(int code);
// Codes with a uniaxial law, zero-ended, in code order.
const int* UniaxialLawCodes();

// Record `record` of the current copy of the law's slot in hd (the internal error without one).
void* UniaxialRecord(const UniaxialLaw& law, NLMM_HD* hd, int record);

// The two tangent policies, from the initial modulus E0; the record is read only when the
// policy needs it.
// The bar's: the first two iterations of a combination take E0, later ones the stored
// tangent.
double BarTangentPolicy(const UniaxialLaw& law, double E0, int iteration, const MaterialRecord& m, NLMM_HD* hd,
                        int record);
// The fibre's: E0 in the first step of the run, later the stored tangent kept off zero
// (fibreShare x E0).
double FibreTangentPolicy(const UniaxialLaw& law, double E0, bool firstStep, const MaterialRecord& m, NLMM_HD* hd,
                          int record);
