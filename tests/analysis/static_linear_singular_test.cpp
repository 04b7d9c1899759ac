// Models whose stiffness matrix is singular stop with a worded message with both solvers,
// in SI units and in unit stiffness; sound models solve alike whatever the units of the
// stiffness; slender models converge with the conjugate gradient.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "static_run.h"

namespace tw = testmodel;
using linmodel::Job;
using staticrun::kGauss;
using staticrun::kJPCG;
using staticrun::kSolvers;
using staticrun::Outcome;
using staticrun::Record;
using staticrun::Solver;

namespace {

class SingularModels : public staticrun::LinearStaticRun {
 protected:
  // The run stops with status 1 and a worded error (never the internal error) and
  // writes no displacement record.
  void ExpectRefused(const Outcome& o, const std::string& words) {
    EXPECT_EQ(o.run.status, 1) << o.run.out;
    EXPECT_NE(o.run.err.find("\nERROR:\n"), std::string::npos) << o.run.err;
    EXPECT_NE(o.run.err.find(words), std::string::npos) << o.run.err;
    EXPECT_EQ(o.run.err.find("nternal"), std::string::npos) << o.run.err;
    EXPECT_EQ(o.run.out.find("### Success ###"), std::string::npos);
    EXPECT_TRUE(o.dr.records.empty());
  }
};

// Four Truss2D bars forming a skewed parallelogram without a diagonal, a pin at point 1,
// a roller (x3 held) at point 2, a horizontal load of 1000 at point 4: a mechanism.
Job Parallelogram(double E, double A) {
  Job j;
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("bar", 0.0, 0.0, E, 0.3));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("bar", A));
  linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kPlaneMask, linmodel::kPlaneMask);
  linmodel::AddPoint2D(j, 4.0, 0.0, linmodel::kPlaneMask, "001000");
  linmodel::AddPoint2D(j, 5.0, 3.0, linmodel::kPlaneMask);
  linmodel::AddPoint2D(j, 1.0, 3.0, linmodel::kPlaneMask);
  tw::AddElement(j.model, {1, 2});
  tw::AddElement(j.model, {2, 3});
  tw::AddElement(j.model, {3, 4});
  tw::AddElement(j.model, {4, 1});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 4, 1, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  j.model.loadCases = {linmodel::LoadCase({tw::PointLoad(4, {0.0, 1000.0, 0.0, 0, 0, 0})})};
  return j;
}

// One Frame3D member along (1, 2, 2) / 3 pinned at both ends (translations held, rotations
// free): it spins freely about its axis. Loaded by a bending moment at its second end.
Job PinnedMember(double E, double scale) {
  Job j;
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0.0, 0.0, E, 0.3));
  tw::AddRecord(j.model, "<FRAME_3D_CROSS_SECTIONS>",
                tw::Frame3DSection("beam", {0.01 * scale, 0, 0, 2e-4 * scale, 1e-4 * scale, 2e-4 * scale, 0, 0, 0.3,
                                            0.5, 0}));
  linmodel::AddPoint3D(j, 0.0, 0.0, 0.0, linmodel::kSixMask, "111000");
  linmodel::AddPoint3D(j, 1.0, 2.0, 2.0, linmodel::kSixMask, "111000");
  tw::AddElement(j.model, {1, 2});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 4, MAT_LIN_ISO, 1, GEOM_CS_3D, 1));
  j.model.loadCases = {linmodel::LoadCase({tw::PointLoad(2, {0, 0, 0, 0.0, 2.0 * E * 1e-9, -2.0 * E * 1e-9})})};
  return j;
}

// A Frame3D cantilever along x1 with a null torsion constant: its free end has no
// stiffness about the member axis.
Job CantileverWithoutTorsion(double E) {
  Job j;
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0.0, 0.0, E, 0.3));
  tw::AddRecord(j.model, "<FRAME_3D_CROSS_SECTIONS>",
                tw::Frame3DSection("beam", {0.01, 0, 0, 0.0, 1e-4, 2e-4, 0, 0, 0.3, 0.5, 0}));
  linmodel::AddPoint3D(j, 0.0, 0.0, 0.0, linmodel::kSixMask, linmodel::kSixMask);
  linmodel::AddPoint3D(j, 3.0, 0.0, 0.0, linmodel::kSixMask);
  tw::AddElement(j.model, {1, 2});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 4, MAT_LIN_ISO, 1, GEOM_CS_3D, 1));
  j.model.loadCases = {linmodel::LoadCase({tw::PointLoad(2, {0, 0, -1000.0, 0, 0, 0})})};
  return j;
}

// The two-bar truss without its supports, pulled apart by a balanced pair of loads.
Job FreeTruss(double EA) {
  Job j;
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("bar", 0.0, 0.0, EA, 0.3));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("unit", 1.0));
  linmodel::AddPoint2D(j, -3.0, 0.0, linmodel::kPlaneMask);
  linmodel::AddPoint2D(j, 3.0, 0.0, linmodel::kPlaneMask);
  linmodel::AddPoint2D(j, 0.0, 4.0, linmodel::kPlaneMask);
  tw::AddElement(j.model, {1, 3});
  tw::AddElement(j.model, {2, 3});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, 1, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  j.model.loadCases = {linmodel::LoadCase(
      {tw::PointLoad(1, {0, -3e-6 * EA, -4e-6 * EA, 0, 0, 0}), tw::PointLoad(3, {0, 3e-6 * EA, 4e-6 * EA, 0, 0, 0})})};
  return j;
}

// A bar pinned at point 1 leads to a triangle of bars; the bar has no property record, so
// the triangle floats free: a rigid motion that the sound support does not reach.
Job TriangleBehindABarWithoutProperty() {
  Job j;
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("bar", 0.0, 0.0, 2e11, 0.3));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("a", 1e-3));
  linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kPlaneMask, "011000");
  linmodel::AddPoint2D(j, 1.0, 0.0, linmodel::kPlaneMask);
  linmodel::AddPoint2D(j, 2.0, 0.0, linmodel::kPlaneMask);
  linmodel::AddPoint2D(j, 1.5, 1.0, linmodel::kPlaneMask);
  for (const std::vector<int32_t>& bar : {std::vector<int32_t>{1, 2}, {2, 3}, {3, 4}, {4, 2}}) tw::AddElement(j.model, bar);
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(2, 4, 1, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  j.model.loadCases = {linmodel::LoadCase({tw::PointLoad(3, {0, 1e3, 0, 0, 0, 0})})};
  return j;
}

}  // namespace

TEST_F(SingularModels, MechanismsAndFreeRigidMotionsStopWithBothSolversInAnyUnits) {
  struct Case {
    const char* name;
    Job job;
    const char* words;  // of the message that must stop the run
  };
  const Case cases[] = {
      {"free truss, SI", FreeTruss(2e9), "The supports do not stop every rigid motion of the model"},
      {"free truss, unit stiffness", FreeTruss(1.0), "The supports do not stop every rigid motion of the model"},
      {"pinned member, SI", PinnedMember(2e11, 1.0), "The supports do not stop every rigid motion of the model"},
      {"pinned member, unit stiffness", PinnedMember(1.0, 1e4),
       "The supports do not stop every rigid motion of the model"},
      {"parallelogram, SI", Parallelogram(2e11, 0.01), "singular"},
      {"element without a property record", TriangleBehindABarWithoutProperty(),
       "Or the element property records are incomplete: 1 element(s) have no\nrecord in <ELEMENT_PROPERTIES> for "
       "this phase and take no part (the first:\nelement n. 1)."},
      {"parallelogram, unit stiffness", Parallelogram(1.0, 1.0), ""},
      // A null torsion constant is refused when the data file is read.
      {"no torsion stiffness, SI", CantileverWithoutTorsion(2e11), "Invalid torsion constant"},
      {"no torsion stiffness, unit stiffness", CantileverWithoutTorsion(1.0), "Invalid torsion constant"},
  };
  for (const Solver& s : kSolvers)
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(s.name) + ", " + c.name);
      ExpectRefused(Run(c.job, s), c.words);
    }
}

// The parallelogram in SI units: the load is not in the range of K, and within a few
// iterations the conjugate gradient meets a search direction of rounding-level curvature.
TEST_F(SingularModels, ParallelogramMechanismInSIUnitsStopsTheConjugateGradient) {
  const auto t0 = std::chrono::steady_clock::now();
  Outcome o = Run(Parallelogram(2e11, 0.01), kJPCG);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  ExpectRefused(o, "Conjugate gradient method failed at iteration");
  EXPECT_LT(seconds, 30.0);
}

// The two-bar truss with E A = 2e9 and with E A = 2e3: the displacements scale by 1e6,
// the reactions are the same.
TEST_F(SingularModels, ASoundModelSolvesAlikeInSIUnitsAndWithItsStiffnessScaledBy1e6) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job si = linmodel::TwoBarTruss(2e9), scaled = linmodel::TwoBarTruss(2e3);
    for (Job* j : {&si, &scaled})
      j->model.loadCases = {linmodel::LoadCase({tw::PointLoad(3, {0.0, 300.0, -1000.0, 0, 0, 0})})};
    Outcome a = Run(si, s);
    ExpectSound(a, s, 1);
    Outcome b = Run(scaled, s);
    ExpectSound(b, s, 1);
    if (a.dr.records.size() != 1 || b.dr.records.size() != 1) continue;
    Record ra{a.dr.records[0], si.layout}, rb{b.dr.records[0], scaled.layout};
    for (int d = 2; d <= 3; d++) EXPECT_NEAR(rb.U(3, d) / (1e6 * ra.U(3, d)), 1.0, 1e-8) << d;
    for (int p = 1; p <= 2; p++)
      for (int d = 2; d <= 3; d++) EXPECT_NEAR(rb.R(p, d), ra.R(p, d), 1e-8 * 1000.0) << p << " " << d;
  }
}

// A cantilever of 400 Frame2D members (1,203 equations) needs more than ten conjugate-
// gradient iterations per equation, and its residual stays above the initial one for
// about five per equation: the method converges to the elimination's answer, P L^3 / 3EI
// at the tip.
TEST_F(SingularModels, SlenderFrameCantileverConvergesWithTheConjugateGradient) {
  const double L = 10.0, E = 2e11, A = 0.01, I = 1e-6, P = 100.0;
  Job job = linmodel::Cantilever(400, L, E, A, I);
  job.model.loadCases = {linmodel::LoadCase({tw::PointLoad(401, {0, 0.0, P, 0, 0, 0})})};
  Outcome g = Run(job, kGauss);
  ExpectSound(g, kGauss, 1);
  Outcome c = Run(job, kJPCG);
  ExpectSound(c, kJPCG, 1);
  if (g.dr.records.size() != 1 || c.dr.records.size() != 1) return;
  EXPECT_GT(c.ep.steps[0].nIterJPCG, 10 * 1203);
  const double tip = P * L * L * L / (3 * E * I);
  EXPECT_NEAR(Record({g.dr.records[0], job.layout}).U(401, 3) / tip, 1.0, 1e-5);  // rounding: kappa eps
  EXPECT_NEAR(Record({c.dr.records[0], job.layout}).U(401, 3) / tip, 1.0, 1e-4);
}

// A finite load of 1e308 on a soft truss overflows the displacements: the run stops with a
// worded message and no result record holds a non-finite number.
TEST_F(SingularModels, OverflowingSolutionsAreRefused) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = linmodel::TwoBarTruss(1e-3);
    job.model.loadCases = {linmodel::LoadCase({tw::PointLoad(3, {0.0, 1e308, -1e308, 0, 0, 0})})};
    ExpectRefused(Run(job, s), "not a finite number");
  }
}
