// The load path of a nonlinear whole-run job and what its records say by point: one
// combination per factor of load case 1, the iteration settings of a materially nonlinear
// run, and the displacements and reactions of a record (for any job with a `layout`).
// Free of the test framework, so that the whole-run benchmarks use it as well.
#pragma once

#include <cstddef>
#include <vector>

#include "support/datafile_writer.h"
#include "support/result_readers.h"

namespace nonlinrun {

// Combinations of load case 1 by the factors; load case `fixed` (when not 0) in every
// combination with factor 1, and alone in a first combination.
inline void Factors(testmodel::Model& m, const std::vector<double>& f, int fixed = 0) {
  m.combinations.clear();
  if (fixed != 0) {
    testmodel::Combination c;
    c.factors = {{fixed, 1.0}};
    m.combinations.push_back(c);
  }
  for (double x : f) {
    testmodel::Combination c;
    c.factors = {{1, x}};
    if (fixed != 0) c.factors.push_back({fixed, 1.0});
    m.combinations.push_back(c);
  }
}

// Materially nonlinear, converged on criterion 1 to `tolerance` within maxIterations.
inline void Iterate(testmodel::MainParams& m, double tolerance, int maxIterations, int pathBehavior = 1) {
  m.materNonlinear = 1;
  m.convergenceCriterion = 1;
  m.tolerance = tolerance;
  m.maxIterations = maxIterations;
  m.pathBehavior = pathBehavior;
}

// Displacement of dof d of point p, free or prescribed.
template <class Job>
double U(const resultfile::DisplReactRecord& r, const Job& j, int p, int d) {
  if (j.layout.Free(p, d) >= 0) return r.free.at(static_cast<size_t>(j.layout.Free(p, d)));
  return r.presc.at(static_cast<size_t>(j.layout.Presc(p, d)));
}

// Mean of the free dof d over the points.
template <class Job>
double Mean(const resultfile::DisplReactRecord& r, const Job& j, const std::vector<int>& points, int d) {
  double s = 0.0;
  for (int p : points) s += r.free.at(static_cast<size_t>(j.layout.Free(p, d)));
  return s / static_cast<double>(points.size());
}

// Sum of the reactions of dof d over the points.
template <class Job>
double Reaction(const resultfile::DisplReactRecord& r, const Job& j, const std::vector<int>& points, int d) {
  double s = 0.0;
  for (int p : points) s += r.react.at(static_cast<size_t>(j.layout.Presc(p, d)));
  return s;
}

}  // namespace nonlinrun
