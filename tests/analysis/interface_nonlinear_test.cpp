// Nonlinear runs of line and surface interfaces end to end: a bar pulled out of its
// bond in the plane and in space, a joint opened until it separates (the work of the
// pull equals the fracture energy), shear boxes whose strength grows with the pressure
// on them and with the slip path, joints sheared and opened to full plastic softening
// (the work equals the softening work), and a cyclic slip history restarted part way.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"

namespace tw = testmodel;
using linmodel::Job;
using nonlinrun::Factors;
using nonlinrun::kSolvers;
using nonlinrun::Reaction;
using nonlinrun::Solver;
using nonlinrun::U;

namespace {

void Nonlinear(Job& j) { nonlinrun::Iterate(j.model.main, 1e-9, 200); }

class InterfaceRun : public nonlinrun::RunFixture {};

constexpr int kN = 20;  // elements along the bar

// A bar of length 1 along the first in-plane axis in kN two-node elements (EA = 1e4),
// bonded to fixed points beside it by kN line interfaces of the bond law `bond`. The
// bar's end at x = 1 is pulled by load case 1 (a unit displacement). Bar points are
// bar[0..kN] in order of x.
Job PullOut(bool space, int bondKind, const std::string& bondTag, const tw::Rec& bond, std::vector<int>* bar) {
  Job j;
  j.model.main.title = "pull-out";
  const double area = space ? std::acos(-1.0) : 1.0;
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("bar", 0.0, 0.0, 1e4 / area, 0.0));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("bar", area));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("width", 1.0));
  tw::AddRecord(j.model, bondTag, bond);
  const char* mask = space ? linmodel::kSpaceMask : linmodel::kPlaneMask;
  std::vector<int> fixed;
  for (int i = 0; i <= kN; i++) {
    const double x = static_cast<double>(i) / kN;
    if (space) {
      fixed.push_back(linmodel::AddPoint3D(j, x, 0, 0, mask, "111000"));
      bar->push_back(linmodel::AddPoint3D(j, x, 0, 0, mask, i == kN ? "111000" : "011000"));
    } else {
      fixed.push_back(linmodel::AddPoint2D(j, x, 0, mask, "011000"));
      bar->push_back(linmodel::AddPoint2D(j, x, 0, mask, i == kN ? "010000" : "000000"));
    }
  }
  for (int i = 0; i < kN; i++) tw::AddElement(j.model, {(*bar)[i], (*bar)[i + 1]});
  for (int i = 0; i < kN; i++) tw::AddElement(j.model, {fixed[i], fixed[i + 1], (*bar)[i], (*bar)[i + 1]});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, kN, space ? 2 : 1, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  // The bar in space bonds along its perimeter, from its section; in the plane the
  // interface takes the width.
  tw::AddRecord(
      j.model, "<ELEMENT_PROPERTIES>",
      tw::ElementProperty(kN + 1, 2 * kN, space ? 28 : 27, bondKind, 1, space ? GEOM_CS_AREA : GEOM_LAM_THICK, 1));
  j.model.loadCases = {
      linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, {tw::PrescribedDisplacement(bar->back(), space ? 1 : 2, 1.0)})};
  return j;
}

}  // namespace

TEST_F(InterfaceRun, BarPulledOutOfItsBondInThePlane) {
  // s1 0.01, s2 0.02, tau_max 5, alpha = beta = 0: a bond stiffness k = 500 up to s1,
  // then 5 whatever the slip; kn 1e4 across the line.
  const tw::Rec bond = tw::Rec().S("bond").Ds({0.01, 0.02, 5.0, 0.0, 0.0, 1e4});
  std::vector<int> bar;
  Job j = PullOut(false, MAT_NLMM301, "<NLMM301>", bond, &bar);
  Nonlinear(j);
  const double omega = std::sqrt(500.0 / 1e4);
  const double stiffness = 1e4 * omega * std::tanh(omega);
  EXPECT_NEAR(stiffness, 491.830, 1e-3);
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.algorithm);
    Factors(j.model, {0.001});
    resultfile::DisplReactFile dr = Run(j, s, "elastic");
    if (dr.records.size() == 1) {
      EXPECT_NEAR(Reaction(dr.records[0], j, {bar.back()}, 2) / 0.001, stiffness, 1e-3 * stiffness);
    }
    Factors(j.model, {0.02, 0.04, 0.06, 0.08, 0.1});
    dr = Run(j, s, "slipped");
    if (dr.records.size() != 5) continue;
    const auto& r = dr.records.back();
    EXPECT_NEAR(Reaction(r, j, {bar.back()}, 2), 5.0, 1e-6);
    for (int i = 0; i <= kN; i++) {
      const double x = static_cast<double>(i) / kN;
      EXPECT_NEAR(U(r, j, bar[i], 2), 0.1 - 5.0 * (1 - x * x) / 2e4, 1e-9) << x;
    }
  }
}

TEST_F(InterfaceRun, BarPulledOutOfItsCyclicBond) {
  // tau_1 2 on the plateau from s1 0.01 to s2 0.5. In space the bar of area pi bonds
  // along its perimeter 2 pi; in the plane along the width 1. Values in the file's
  // order: alpha, s1, s2, tau_1, s3, tau_f, K_un, the opening stiffness and two spare
  // values.
  const tw::Rec bond = tw::Rec().S("cyclic bond").Ds({0.4, 0.01, 0.5, 2.0, 1.0, 0.5, 200.0, 1e4, 0.0, 0.0});
  for (bool space : {true, false}) {
    std::vector<int> bar;
    Job j = PullOut(space, MAT_NLMM303, "<NLMM303>", bond, &bar);
    Nonlinear(j);
    j.model.main.tolerance = 1e-8;
    Factors(j.model, {0.02, 0.04, 0.06, 0.08, 0.1});
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(std::to_string(space) + " " + std::to_string(s.algorithm));
      const resultfile::DisplReactFile dr = Run(j, s, "cyclic");
      if (dr.records.size() != 5) continue;
      const double perimeter = space ? 2.0 * std::acos(-1.0) : 1.0;
      EXPECT_NEAR(Reaction(dr.records.back(), j, {bar.back()}, space ? 1 : 2), 2.0 * perimeter, 1e-5);
    }
  }
}

namespace {

// Two plane-stress blocks 1 x 0.1 (E, nu 0, t 1) joined along x3 = 0.1 by a joint of the
// law below; the top of the upper block is held along x2 and lifted by load case 1 (a
// unit displacement). a4, a3 and b1, b2 are the joint's lower and upper points.
constexpr double kJointFt = 3, kJointW1 = 0.02, kJointR1 = 0.3, kJointW2 = 0.1, kJointR2 = 0.1, kJointWu = 0.2,
                 kJointKn = 1e6;
struct OpeningJoint {
  Job j;
  int a3, a4, b1, b2, b3, b4;
};
OpeningJoint JointModel(double E) {
  OpeningJoint o;
  Job& j = o.j;
  j.model.main.title = "opening joint";
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("block", 0.0, 0.0, E, 0.0));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 1.0));
  // The file's order: kt, kn, ft, w1, r1, w2, r2, wu.
  tw::AddRecord(j.model, "<NLMM302>", tw::Rec().S("joint").Ds({1e6, kJointKn, kJointFt, kJointW1, kJointR1, kJointW2,
                                                                 kJointR2, kJointWu}));
  const char* m = linmodel::kPlaneMask;
  const int a1 = linmodel::AddPoint2D(j, 0, 0, m, "011000"), a2 = linmodel::AddPoint2D(j, 1, 0, m, "011000");
  o.a3 = linmodel::AddPoint2D(j, 1, 0.1, m);
  o.a4 = linmodel::AddPoint2D(j, 0, 0.1, m);
  o.b1 = linmodel::AddPoint2D(j, 0, 0.1, m);
  o.b2 = linmodel::AddPoint2D(j, 1, 0.1, m);
  o.b3 = linmodel::AddPoint2D(j, 1, 0.2, m, "011000");
  o.b4 = linmodel::AddPoint2D(j, 0, 0.2, m, "011000");
  tw::AddElement(j.model, {a1, a2, o.a3, o.a4});
  tw::AddElement(j.model, {o.b1, o.b2, o.b3, o.b4});
  tw::AddElement(j.model, {o.a4, o.a3, o.b1, o.b2});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, 10, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(3, 3, 27, MAT_NLMM302, 1, GEOM_LAM_THICK, 1));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0},
                                              {tw::PrescribedDisplacement(o.b3, 3, 1.0),
                                               tw::PrescribedDisplacement(o.b4, 3, 1.0)})};
  return o;
}

}  // namespace

TEST_F(InterfaceRun, AJointOfAKindWithoutALawIsRefusedAtSetUp) {
  // _NLMM304 has its record but no law: the group is refused in words before any work.
  OpeningJoint o = JointModel(1e7);
  std::vector<double> v(18, 1.0);
  tw::AddRecord(o.j.model, "<NLMM304>", tw::Rec().S("pairs").Ds(v).S("second"));
  o.j.model.blocks["<ELEMENT_PROPERTIES>"][1] = tw::ElementProperty(3, 3, 27, MAT_NLMM304, 1, GEOM_LAM_THICK, 1);
  Nonlinear(o.j);
  Factors(o.j.model, {1e-6});
  const ChildResult r = Start(o.j, "nolaw");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.find("INTERNAL ERROR"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Element group (element property record n. 2)"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("The material kind _NLMM304 has no stress-strain law: no element can be computed with it."),
            std::string::npos)
      << r.err;
}

TEST_F(InterfaceRun, JointOpenedToSeparationDissipatesItsFractureEnergy) {
  // The blocks of E 1e7, lifted to 1.2 wu in 400 steps after a first one to just below
  // the tensile strength.
  const double ft = kJointFt, w1 = kJointW1, r1 = kJointR1, w2 = kJointW2, r2 = kJointR2, wu = kJointWu,
               kn = kJointKn;
  OpeningJoint o = JointModel(1e7);
  Job& j = o.j;
  const int a3 = o.a3, a4 = o.a4, b1 = o.b1, b2 = o.b2, b3 = o.b3, b4 = o.b4;
  Nonlinear(j);
  constexpr int kSteps = 400;
  std::vector<double> lift = {3e-6};
  for (int k = 1; k <= kSteps; k++) lift.push_back(1.2 * wu * k / kSteps);
  Factors(j.model, lift);
  const auto curve = [&](double w) {
    if (kn * w <= ft) return kn * w;
    if (w < w1) return ft + (r1 - 1) * ft * w / w1;
    if (w < w2) return r1 * ft + (r2 - r1) * ft * (w - w1) / (w2 - w1);
    if (w <= wu) return r2 * ft * (1 - (w - w2) / (wu - w2));
    return 0.0;
  };
  const double Gf = ft * ((1 + r1) * w1 + (r1 + r2) * (w2 - w1) + r2 * (wu - w2)) / 2;
  EXPECT_NEAR(Gf, 0.102, 1e-12);
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.algorithm);
    const resultfile::DisplReactFile dr = Run(j, s, "joint");
    if (dr.records.size() != lift.size()) continue;
    double work = 0.0, last = 0.0, before = 0.0;
    for (size_t k = 0; k < lift.size(); k++) {
      const auto& r = dr.records[k];
      const double R = Reaction(r, j, {b3, b4}, 3);
      const double w = U(r, j, b1, 3) - U(r, j, a4, 3);
      EXPECT_NEAR(U(r, j, b2, 3) - U(r, j, a3, 3), w, 1e-12);
      EXPECT_NEAR(R, curve(w), 1e-6) << k;
      work += (R + last) / 2 * (lift[k] - before);
      last = R;
      before = lift[k];
    }
    EXPECT_NEAR(work, Gf, 0.005 * Gf);
    EXPECT_NEAR(last, 0.0, 1e-7);
  }
}

// The same joint lifted past its ultimate opening on the force norm: once it has
// separated, neither load nor reaction nor internal force is left, and the residual of the
// blocks (the rounding of E u, near 1e-10) is measured against the largest force of the
// run, the joint's strength, so that every separated step converges at once.
TEST_F(InterfaceRun, SeparatedJointConvergesOnTheForceNorm) {
  OpeningJoint o = JointModel(1e7);
  Job& j = o.j;
  nonlinrun::Iterate(j.model.main, 1e-6, 50);
  j.model.main.convergenceCriterion = 2;
  std::vector<double> lift = {3e-6};
  for (int k = 1; k <= 60; k++) lift.push_back(1.5 * kJointWu * k / 60);
  Factors(j.model, lift);
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.algorithm);
    nonlinrun::UseSolver(j.model.main, s);
    const nonlinrun::Outcome out = RunOutcome(j.model, j.layout.nF, j.layout.nP, "separated");
    ASSERT_EQ(out.run.status, 0) << out.run.err;
    ASSERT_EQ(out.dr.records.size(), lift.size());
    ASSERT_EQ(out.ep.entries.size(), lift.size());
    for (size_t k = 0; k < lift.size(); k++) {
      if (lift[k] <= 1.01 * kJointWu) continue;
      EXPECT_NEAR(Reaction(out.dr.records[k], j, {o.b3, o.b4}, 3), 0.0, 1e-8) << k;
      EXPECT_LE(out.ep.entries[k].nIterations, 2) << k;
    }
  }
}

namespace {

// A block on an interface over fixed points, its top moved along `dir` by load case 1
// and pressed by q = 2 (load case 2). Plane: a block 1 x 0.1 (t 1) on a line interface;
// its top held along x2 and, for an opening (dir 3), along x3. The block is flat, so that
// the moment of the shear leaves the whole joint pressed. Space: a plate 1 x 1 x 0.1 on a
// surface interface, its top held along x1 and x2 and, for an opening, x3.
struct Box {
  Job job;
  std::vector<int> top;  // the moved points
  int joint;             // a block point on the joint
};

Box PlaneBox(double E, const std::string& tag, const tw::Rec& law, int kind, int dir) {
  Box b;
  Job& j = b.job;
  j.model.main.title = "shear box";
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("block", 0.0, 0.0, E, 0.0));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 1.0));
  tw::AddRecord(j.model, tag, law);
  const char* m = linmodel::kPlaneMask;
  const char* held = dir == 3 ? "011000" : "010000";
  const int f1 = linmodel::AddPoint2D(j, 0, 0, m, "011000"), f2 = linmodel::AddPoint2D(j, 1, 0, m, "011000");
  const int b1 = linmodel::AddPoint2D(j, 0, 0, m), b2 = linmodel::AddPoint2D(j, 1, 0, m);
  const int b3 = linmodel::AddPoint2D(j, 1, 0.1, m, held), b4 = linmodel::AddPoint2D(j, 0, 0.1, m, held);
  tw::AddElement(j.model, {b1, b2, b3, b4});
  tw::AddElement(j.model, {f1, f2, b1, b2});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 10, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(2, 2, 27, kind, 1, GEOM_LAM_THICK, 1));
  j.model.loadCases = {
      linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0},
                             {tw::PrescribedDisplacement(b3, dir, 1.0), tw::PrescribedDisplacement(b4, dir, 1.0)}),
      linmodel::ElementLoads({tw::PointLoad(b3, {0, 0, -1, 0, 0, 0}), tw::PointLoad(b4, {0, 0, -1, 0, 0, 0})})};
  b.top = {b3, b4};
  b.joint = b1;
  return b;
}

Box SpaceBox(double E, const std::string& tag, const tw::Rec& law, int kind, int dir) {
  const char* held = dir == 3 ? "111000" : "110000";
  linmodel::LatticeJob lj = linmodel::HexaBar(8, 1, 1.0, 0.0, 0.0, E, 0.0, 0.0, false,
                                              [held](int, int, int K) { return K == 2 ? held : "000000"; });
  Box b;
  b.job = lj.job;
  Job& j = b.job;
  linmodel::MovePoints(j, [](const std::array<double, 3>& x) {
    return std::array<double, 3>{x[0], x[1], 0.1 * x[2]};
  });
  tw::AddRecord(j.model, tag, law);
  std::vector<int> fixed;
  const int corners[4][2] = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
  for (const auto& c : corners)
    fixed.push_back(linmodel::AddPoint3D(j, c[0] / 2.0, c[1] / 2.0, 0, linmodel::kSpaceMask, "111000"));
  std::vector<int32_t> nodes(fixed.begin(), fixed.end());
  for (const auto& c : corners) nodes.push_back(lj.At(c[0], c[1], 0));
  tw::AddElement(j.model, nodes);
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(2, 2, 30, kind, 1, 0, 0));
  std::vector<tw::Rec> moves, loads;
  for (const auto& c : corners) {
    b.top.push_back(lj.At(c[0], c[1], 2));
    moves.push_back(tw::PrescribedDisplacement(b.top.back(), dir, 1.0));
    loads.push_back(tw::PointLoad(b.top.back(), {0, 0, -0.5, 0, 0, 0}));
  }
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, moves), linmodel::ElementLoads(loads)};
  b.joint = lj.At(0, 0, 0);
  return b;
}

// Work of the reactions of the moved points along dir over the combinations, by the
// trapezoid rule on the factors of load case 1.
double Work(const resultfile::DisplReactFile& dr, const Box& b, const std::vector<double>& f, size_t first, int dir) {
  double work = 0.0, last = 0.0, before = 0.0;
  for (size_t k = 0; k < f.size(); k++) {
    const double R = Reaction(dr.records[first + k], b.job, b.top, dir);
    work += (R + last) / 2 * (f[k] - before);
    last = R;
    before = f[k];
  }
  return work;
}

}  // namespace

TEST_F(InterfaceRun, ShearBoxCarriesCohesionPlusFrictionOfItsPressure) {
  // tau_0 1, tan(phi) 0.5, s_lin 0.001, s_peak 0.002, alpha = beta = 0: under q = 2 the
  // strength is 1 + 0.5 * 2 = 2 on every slip past s_lin.
  const tw::Rec bond = tw::Rec().S("joint").Ds({0.001, 0.002, 1.0, std::atan(0.5), 0.0, 0.0, 1e5});
  const std::vector<double> shear = {0.0005, 0.001, 0.002, 0.005, 0.01, 0.02};
  for (bool space : {false, true}) {
    Box b = space ? SpaceBox(1e4, "<NLMM305>", bond, MAT_NLMM305, 1) : PlaneBox(1e4, "<NLMM305>", bond, MAT_NLMM305, 2);
    Job& j = b.job;
    Nonlinear(j);
    Factors(j.model, shear, 2);
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(std::to_string(space) + " " + std::to_string(s.algorithm));
      const resultfile::DisplReactFile dr = Run(j, s, "box");
      if (dr.records.size() != shear.size() + 1) continue;
      const int dir = space ? 1 : 2;
      EXPECT_NEAR(Reaction(dr.records[0], j, b.top, dir), 0.0, 1e-9);  // pressed only
      EXPECT_NEAR(Reaction(dr.records.back(), j, b.top, dir), 2.0, 1e-6);
      EXPECT_NEAR(Reaction(dr.records[dr.records.size() - 2], j, b.top, dir), 2.0, 1e-6);
      if (space) { EXPECT_NEAR(Reaction(dr.records.back(), j, b.top, 2), 0.0, 1e-6); }
    }
  }
}

TEST_F(InterfaceRun, ShearBoxFrictionGrowsAndFallsWithTheSlipPath) {
  // s1 0.01, s2 0.02, tau_c 1, alpha = beta = 0, k_mu 2, mu_p 0.6, a_p 1, r_mu 0.5, K_n
  // 1e6: along a monotonic slip the path is the slip, and the shear force per unit area
  // is tau_c + q mu(slip). A stiff block, so that the joint slips as the top moves.
  const tw::Rec law = tw::Rec().S("friction").Ds({0.01, 0.02, 1.0, 0.0, 0.0, 2.0, 0.6, 1.0, 0.5, 1e6}).S("box");
  const std::vector<double> slip = {0.1, 0.5, 1, 2, 3};
  const double expected[] = {1.342353, 2.02, 2.2, 1.872727, 1.6};
  for (bool space : {false, true}) {
    Box b = space ? SpaceBox(1e7, "<NLMM306>", law, MAT_NLMM306, 1) : PlaneBox(1e7, "<NLMM306>", law, MAT_NLMM306, 2);
    Job& j = b.job;
    Nonlinear(j);
    Factors(j.model, slip, 2);
    const int dir = space ? 1 : 2;
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(std::to_string(space) + " " + std::to_string(s.algorithm));
      const resultfile::DisplReactFile dr = Run(j, s, "friction");
      if (dr.records.size() != slip.size() + 1) continue;
      EXPECT_NEAR(Reaction(dr.records[0], j, b.top, dir), 0.0, 1e-9);
      for (size_t k = 0; k < slip.size(); k++) {
        EXPECT_NEAR(U(dr.records[k + 1], j, b.joint, dir), slip[k], 1e-6);
        EXPECT_NEAR(Reaction(dr.records[k + 1], j, b.top, dir), expected[k], 1e-4) << slip[k];
      }
    }
  }
}

TEST_F(InterfaceRun, CyclicSlipHistoryRestartedGivesTheUninterruptedRun) {
  const tw::Rec law = tw::Rec().S("friction").Ds({0.01, 0.02, 1.0, 0.4, 0.3, 2.0, 0.6, 1.0, 0.5, 1e6}).S("cyclic");
  Box b = PlaneBox(1e7, "<NLMM306>", law, MAT_NLMM306, 2);
  Job& j = b.job;
  Nonlinear(j);
  Factors(j.model, {0.05, 0.02, 0.035, 0.025, -0.04, -0.01, -0.03, 0.06, 0.1}, 2);
  Run(j, kSolvers[0], "fresh");
  Run(j, kSolvers[0], "cyclic");
  j.model.main.nCombBeforeRestart = 4;
  const resultfile::DisplReactFile dr = Run(j, kSolvers[0], "cyclic");
  ExpectSameFiles("cyclic", "fresh", {"_dr.bin", "_NLMM306_HD.bin"});
  // Out to 0.1 past every earlier slip: back on the envelope, whose strength follows the
  // whole path.
  if (dr.records.size() == 10) {
    const double shear = Reaction(dr.records.back(), j, b.top, 2);
    EXPECT_GT(shear, 1.0);
    EXPECT_LT(shear, 2.2);
  }
}

TEST_F(InterfaceRun, JointShearedToFullSofteningDissipatesTheSofteningWork) {
  // Kind 1: c_0 1, kappa_c 0.05, alpha_c 2, K_s 1e4, K_2 1e6, N 1. kappa grows by tau
  // times the plastic slip, so the work of the shear force is kappa_c per unit area.
  const tw::Rec law = tw::Rec().S("joint").I(1).Ds(
      {0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0.05, 1e4, 1e6, 1e6, 1});
  Box b = PlaneBox(1e4, "<NLMM320>", law, MAT_NLMM320, 2);
  Job& j = b.job;
  Nonlinear(j);
  std::vector<double> f;
  for (int k = 1; k <= 400; k++) f.push_back(0.6 * k / 400);
  Factors(j.model, f, 2);
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.algorithm);
    const resultfile::DisplReactFile dr = Run(j, s, "sheared");
    if (dr.records.size() != f.size() + 1) continue;
    EXPECT_NEAR(Work(dr, b, f, 1, 2), 0.05, 0.0005);
    EXPECT_NEAR(Reaction(dr.records.back(), j, b.top, 2), 0.0, 1e-3);
  }
}

TEST_F(InterfaceRun, JointOpenedToFullPlasticSofteningDissipatesTheTensileWork) {
  // Kind 2: chi_0 1, c_0 = c_g0 2, tanphi 0.5, tanpsi 0.2, kappa_chi 0.05, kappa_c 0.5. In
  // tension the work increment is sigma . du_p and the tensile strength is gone at
  // kappa_chi: the work of the pull is kappa_chi per unit area. (alpha_chi 4 brings the
  // strength down within the lift; stiffnesses 1e3 keep each trial state near the
  // surface.)
  const tw::Rec law = tw::Rec().S("joint").I(2).Ds(
      {1, 2, 2, 1, 0.5, 0.2, 0.5, 0.2, 4, 0, 0, 0.05, 0.5, 1e3, 1e3, 1e3, 1});
  std::vector<double> f;
  for (int k = 1; k <= 400; k++) f.push_back(0.2 * k / 400);
  for (bool space : {false, true}) {
    Box b = space ? SpaceBox(1e7, "<NLMM320>", law, MAT_NLMM320, 3) : PlaneBox(1e7, "<NLMM320>", law, MAT_NLMM320, 3);
    Job& j = b.job;
    Nonlinear(j);
    Factors(j.model, f);
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(std::to_string(space) + " " + std::to_string(s.algorithm));
      const resultfile::DisplReactFile dr = Run(j, s, "opened");
      if (dr.records.size() != f.size()) continue;
      EXPECT_NEAR(Work(dr, b, f, 0, 3), 0.05, 0.0005);
      EXPECT_NEAR(Reaction(dr.records.back(), j, b.top, 3), 0.0, 2e-3);  // 0.2 % of chi_0 left
    }
  }
}
