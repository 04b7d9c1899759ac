// Running the built program on a linear static model: the two solvers, the run in a
// scratch directory, the checks every sound run passes, the values of one load case by
// point and dof, and the resultant of the reactions for the equilibrium checks.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "linear_model.h"
#include "support/datafile_writer.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace staticrun {

struct Solver {
  int storage, algorithm;
  const char* name;
  double tol;  // relative accuracy expected of the results
};

inline constexpr Solver kGauss = {1, 1, "Gaussian elimination", 1e-10};
inline constexpr Solver kJPCG = {2, 2, "conjugate gradient", 1e-8};
inline constexpr Solver kSolvers[] = {kGauss, kJPCG};

struct Outcome {
  ChildResult run;
  resultfile::DisplReactFile dr;
  resultfile::LinearExecParams ep;
};

// Values of one load case's record by point and dof.
struct Record {
  const resultfile::DisplReactRecord& r;
  const linmodel::Layout& l;
  double U(int p, int d) const {
    if (l.Free(p, d) >= 0) return r.free.at(static_cast<size_t>(l.Free(p, d)));
    if (l.Presc(p, d) >= 0) return r.presc.at(static_cast<size_t>(l.Presc(p, d)));
    ADD_FAILURE() << "point " << p << " has no dof " << d;
    return NAN;
  }
  double R(int p, int d) const {
    if (l.Presc(p, d) >= 0) return r.react.at(static_cast<size_t>(l.Presc(p, d)));
    ADD_FAILURE() << "point " << p << " dof " << d << " is not prescribed";
    return NAN;
  }
  // Length of the translation of point p.
  double Translation(int p) const { return std::sqrt(U(p, 1) * U(p, 1) + U(p, 2) * U(p, 2) + U(p, 3) * U(p, 3)); }
};

// Resultant of the reactions: force [1..3] and moment [4..6] about the origin. Reaction
// forces are taken as global components and moments are taken only where the point's
// rotations are global (pass rotations = false where they are not).
std::array<double, 7> ReactionResultant(const Record& r, const linmodel::Job& job, bool rotations = true);

class LinearStaticRun : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }

  Outcome Run(linmodel::Job job, const Solver& s, const std::string& ctrl = "");
  // A run that ended in success with one record per load case, in order, and the
  // summary records each solver fills.
  static void ExpectSound(const Outcome& o, const Solver& s, int nLoadCases);

  std::string dir_;
};

}  // namespace staticrun

// |actual - expected| within the solver's relative accuracy of a reference magnitude.
#define EXPECT_CLOSE(actual, expected, s, scale) EXPECT_NEAR(actual, expected, (s).tol * (scale))
