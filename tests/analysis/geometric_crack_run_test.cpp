// Geometric nonlinearity with the smeared-crack models end to end: bars pulled to full
// opening follow the crack curve of the materially nonlinear run, the strains being small,
// in both kinematic descriptions; a slender column of a crack material, compressed within
// its elastic range, reaches the second-order deflection of the elastic column.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "crack_bars.h"
#include "geometric_columns.h"
#include "linear_model.h"
#include "materials/material_table.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"
#include "support/small_algebra.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

class GeometricCrackRun : public nonlinrun::RunFixture {};

void Geometric(Job& j, int kinematic) {
  j.model.main.geomNonlinear = 1;
  j.model.main.kinematicDescription = kinematic;
}

}  // namespace

// The 100 mm bar of one element, pulled in steps of 0.002 mm to 0.2 mm (strains below
// 0.002): at every step, through the peak, the softening branch and full opening, the
// geometric run carries the force of the materially nonlinear run within the geometric
// effect, 1.6 times the strain times ft A (the nominal force of the Green strain on the
// stretched bar, (1 + e) E (e + e^2 / 2) A, exceeds E e A by 3/2 of the strain), and spends
// the same work Gf A.
TEST_F(GeometricCrackRun, PulledBarsFollowTheCrackCurveOfTheMaterialRun) {
  const std::vector<double> u = crackbars::Steps(0.0, 0.2, 0.002);
  for (int code : {MAT_NLMM111, MAT_NLMM102, MAT_NLMM151, MAT_NLMM104, MAT_NLMM101, MAT_NLMM142, MAT_NLMM141}) {
    SCOPED_TRACE(MaterialKindName(code));
    const bool solid = code == MAT_NLMM111 || code == MAT_NLMM102 || code == MAT_NLMM151;
    crackbars::Bar bar(solid ? code : MAT_NLMM111, 1, 3.0, 1, u);
    crackbars::PlaneBar plane(solid ? MAT_NLMM104 : code, 1, 1, 3.0, 1, u);
    Job& job = solid ? bar.lj.job : plane.job;
    const auto forces = [&](const resultfile::DisplReactFile& dr) {
      return solid ? bar.Forces(dr) : plane.Forces(dr);
    };
    const std::vector<double> ref = forces(Run(job, "material"));
    ASSERT_EQ(ref.size(), u.size());
    for (int kinematic : {1, 2}) {
      SCOPED_TRACE(kinematic == 1 ? "TL" : "UL");
      Job g = job;
      Geometric(g, kinematic);
      const std::vector<double> f = forces(Run(g, "geometric"));
      if (f.size() != u.size()) continue;
      for (size_t i = 0; i < u.size(); i++) EXPECT_NEAR(f[i], ref[i], 1.6 * u[i] / 100.0 * 30000.0) << u[i];
      for (size_t i = crackbars::IndexOf(u, 0.14); i < u.size(); i++) EXPECT_LT(std::fabs(f[i]), 0.5) << u[i];
      EXPECT_NEAR(crackbars::Work(u, f), crackbars::Work(u, ref), 0.5);
    }
  }
}

// The cantilever column of the elastic geometric runs, of _NLMM111 hexahedra and _NLMM104
// quadrilaterals (E 1000, nu 0, ft 3, band 1) against the elastic Drucker-Prager column:
// compressed everywhere, so uncracked, it reaches the second-order tip deflection and
// shortening, combination by combination, in as many iterations: the geometric stiffness
// takes the stress of the crack records as it takes that of the plasticity records.
TEST_F(GeometricCrackRun, CompressedColumnReachesTheSecondOrderDeflection) {
  using namespace geomcolumns;
  for (bool hexa : {true, false})
    for (int kinematic : {1, 2}) {
      SCOPED_TRACE(std::string(hexa ? "_NLMM111 hexahedra" : "_NLMM104 quadrilaterals") +
                   (kinematic == 1 ? " TL" : " UL"));
      Column ref = hexa ? HexaColumn() : QuadColumn();
      Column c = hexa ? HexaColumn(MAT_NLMM111, crackbars::S1(MAT_NLMM111, 3.0, 1, 1000.0, 1.0))
                      : QuadColumn(MAT_NLMM104, crackbars::P1(MAT_NLMM104, 1, 3.0, 1, 1000.0, 1.0));
      Nonlinear(ref.job, kinematic, ColumnFactors());
      Nonlinear(c.job, kinematic, ColumnFactors());
      const resultfile::DisplReactFile r = Run(ref.job, "plastic"), dr = Run(c.job, "cracked");
      if (dr.records.size() != 35 || r.records.size() != 35) continue;
      EXPECT_NEAR(Mean(dr.records.back(), c.job, c.tip, c.lateral), kDelta, 0.01 * kDelta);
      EXPECT_NEAR(-Mean(dr.records.back(), c.job, c.tip, c.axial), kShortening, 0.01 * kShortening);
      for (size_t k = 0; k < 35; k++)
        for (int d : {c.lateral, c.axial})
          EXPECT_NEAR(Mean(dr.records[k], c.job, c.tip, d), Mean(r.records[k], c.job, c.tip, d), 1e-9) << k;
      const auto ep = [&](const char* name) {
        return resultfile::ReadNonlinearExecParams(dir_ + "/" + name + "_ep.bin", c.job.layout.nF, c.job.layout.nP);
      };
      const resultfile::NonlinearExecParams a = ep("cracked"), b = ep("plastic");
      ASSERT_EQ(a.entries.size(), b.entries.size());
      for (size_t k = 0; k < a.entries.size(); k++) EXPECT_EQ(a.entries[k].nIterations, b.entries[k].nIterations) << k;
    }
}

namespace {

// A load case of the prescribed displacements `moves` and a combination of it alone.
void AddCombinationOfMoves(Job& job, const std::vector<tw::Rec>& moves) {
  job.model.loadCases.push_back(linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, moves));
  tw::Combination comb;
  comb.factors = {{static_cast<int>(job.model.loadCases.size()), 1.0}};
  job.model.combinations.push_back(comb);
}

// A square of one plane-stress quadrilateral (100 x 100, t 100) or a cube of one
// hexahedron (100 mm), every point prescribed: stretched along its material x to e1 in 5
// combinations, turned rigidly by 90 degrees about the normal of the plane (x3 of the
// cube) over 10, then stretched to e2 along the turned material x in 3 more.
struct TurnedCrackedBlock {
  struct Node {
    int p;
    double X, Y;
  };
  Job job;
  std::vector<Node> nodes;
  std::vector<double> angle;
  int d1, d2;  // the in-plane dofs of the turn: x1, x2 of the cube, x2, x3 of the square
  TurnedCrackedBlock(int code, int kinematic, double e1, double e2) {
    const bool solid = code == MAT_NLMM111 || code == MAT_NLMM102;
    d1 = solid ? 1 : 2;
    d2 = d1 + 1;
    if (solid) {
      linmodel::LatticeJob lj(linmodel::HexaBar(8, 1, 100.0, 0.0, 0.0, 30000.0, 0.0, 0.0, false,
                                                [](int, int, int) { return "111000"; }));
      job = lj.job;
      linmodel::MovePoints(job, [](const std::array<double, 3>& x) {
        return std::array<double, 3>{x[0], 100.0 * x[1], 100.0 * x[2]};
      });
      tw::AddRecord(job.model, code == MAT_NLMM111 ? "<NLMM111>" : "<NLMM102>", crackbars::S1(code, 3.0, 1));
      job.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, code, 1, 0, 0, 1, 0)};
      for (int I : {0, 2})
        for (int J : {0, 2})
          for (int K : {0, 2}) nodes.push_back({lj.At(I, J, K), 50.0 * I, 50.0 * J});
    } else {
      if (code == MAT_NLMM211)
        tw::AddRecord(job.model, "<NLMM211>",
                      tw::Rec()
                          .S("concrete")
                          .Ds({0.0, 0.0, 0.2, 30000.0, 0.002, 30.0, 0.0035, -3.0, 0.1, 0.5, 0.4, 0.2, 0.05})
                          .I(1)
                          .D(1.0));
      else
        tw::AddRecord(job.model, code == MAT_NLMM104 ? "<NLMM104>" : "<NLMM101>", crackbars::P1(code, 1, 3.0, 1));
      tw::AddRecord(job.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 100.0));
      int at[2][2];
      for (int J = 0; J <= 1; J++)
        for (int I = 0; I <= 1; I++) {
          at[I][J] = linmodel::AddPoint2D(job, 100.0 * I, 100.0 * J, linmodel::kPlaneMask, "011000");
          nodes.push_back({at[I][J], 100.0 * I, 100.0 * J});
        }
      tw::AddElement(job.model, {at[0][0], at[1][0], at[1][1], at[0][1]});
      tw::AddRecord(job.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 10, code, 1, GEOM_LAM_THICK, 1));
    }
    std::vector<double> stretch;
    const double quarter = 2.0 * std::atan(1.0);
    for (int k = 1; k <= 5; k++) stretch.push_back(e1 * k / 5), angle.push_back(0.0);
    for (int k = 1; k <= 10; k++) stretch.push_back(e1), angle.push_back(quarter * k / 10);
    for (int k = 1; k <= 3; k++) stretch.push_back(e1 + (e2 - e1) * k / 3), angle.push_back(quarter);
    job.model.loadCases.clear();
    job.model.combinations.clear();
    for (size_t k = 0; k < stretch.size(); k++) {
      const double c = std::cos(angle[k]), s = std::sin(angle[k]);
      std::vector<tw::Rec> moves;
      for (const Node& n : nodes) {
        const double x = (1.0 + stretch[k]) * n.X;
        moves.push_back(tw::PrescribedDisplacement(n.p, d1, c * x - s * n.Y - n.X));
        moves.push_back(tw::PrescribedDisplacement(n.p, d2, s * x + c * n.Y - n.Y));
        if (solid) moves.push_back(tw::PrescribedDisplacement(n.p, 3, 0.0));
      }
      AddCombinationOfMoves(job, moves);
    }
    nonlinrun::Iterate(job.model.main, 1e-9, 60);
    Geometric(job, kinematic);
  }
  // The force on the far face along the turned material x in every combination.
  std::vector<double> Forces(const resultfile::DisplReactFile& dr) const {
    std::vector<int> far;
    for (const Node& n : nodes)
      if (n.X > 50.0) far.push_back(n.p);
    std::vector<double> f;
    for (size_t k = 0; k < dr.records.size(); k++)
      f.push_back(std::cos(angle[k]) * nonlinrun::Reaction(dr.records[k], job, far, d1) +
                  std::sin(angle[k]) * nonlinrun::Reaction(dr.records[k], job, far, d2));
    return f;
  }
};

}  // namespace

// A block cracked across its material x, turned rigidly by 90 degrees and pulled further:
// the crack turns with the material in the updated description as it stays in the
// material axes of the total one, so the block softens along the same curve in both
// (the crack not turned would stand across the new x and the turn alone would unload
// it); a restart in the middle of the turn gives the uninterrupted run byte for byte.
TEST_F(GeometricCrackRun, CrackTurnedWithTheBlockKeepsItsPlaceAgainstTheMaterial) {
  for (int code : {MAT_NLMM104, MAT_NLMM101, MAT_NLMM111, MAT_NLMM102}) {
    SCOPED_TRACE(MaterialKindName(code));
    const TurnedCrackedBlock total(code, 1, 2e-4, 3e-4), updated(code, 2, 2e-4, 3e-4);
    const std::vector<double> tl = total.Forces(Run(total.job, "total"));
    const std::vector<double> ul = updated.Forces(Run(updated.job, "updated"));
    ASSERT_EQ(tl.size(), 18u);
    ASSERT_EQ(ul.size(), 18u);
    for (size_t k = 0; k < tl.size(); k++) EXPECT_NEAR(ul[k], tl[k], 1e-6 * 3.0 * 1e4) << k;
    // Cracked before the turn, softening on along the turned material x after it.
    EXPECT_LT(tl[14], 0.6 * 3.0 * 1e4);
    EXPECT_LT(tl[17], tl[14] - 1000.0);
    if (code == MAT_NLMM104 || code == MAT_NLMM111) {
      const char* history = code == MAT_NLMM104 ? "_NLMM104_HD.bin" : "_NLMM111_HD.bin";
      ExpectRestartGivesTheUninterruptedRun(updated.job, nonlinrun::kSolvers[0], 10, {"_dr.bin", "_if.bin", history});
    }
  }
}

// The plane cyclic concrete, which works on its total strain, cracked by the stretch and
// turned rigidly: its force along the turned material x stays that of the end of the
// stretch through the turn, in both descriptions, and the descriptions agree on the pull
// after it (the strain not turned with the stress lets the force fall to a quarter at 90
// degrees). The law takes the principal angle of equal normal strains on a floor of 1e-8
// of their difference, which costs the updated description 2e-9 of the force past 45
// degrees; the total description keeps it to the last digits. A restart in the middle of
// the turn gives the uninterrupted run byte for byte.
TEST_F(GeometricCrackRun, TurnedPlaneConcreteKeepsItsForce) {
  const TurnedCrackedBlock total(MAT_NLMM211, 1, 2e-4, 3e-4), updated(MAT_NLMM211, 2, 2e-4, 3e-4);
  const std::vector<double> tl = total.Forces(Run(total.job, "total"));
  const std::vector<double> ul = updated.Forces(Run(updated.job, "updated"));
  ASSERT_EQ(tl.size(), 18u);
  ASSERT_EQ(ul.size(), 18u);
  // Cracked: below the force of the elastic stretch.
  EXPECT_LT(tl[4], 0.9 * 30000.0 / (1.0 - 0.04) * 2e-4 * 1e4);
  for (size_t k = 5; k < 15; k++) {
    EXPECT_NEAR(tl[k], tl[4], 1e-9 * std::fabs(tl[4])) << k;
    EXPECT_NEAR(ul[k], ul[4], 1e-8 * std::fabs(tl[4])) << k;
  }
  for (size_t k = 0; k < tl.size(); k++) EXPECT_NEAR(ul[k], tl[k], 1e-6 * 3.0 * 1e4) << k;
  ExpectRestartGivesTheUninterruptedRun(updated.job, nonlinrun::kSolvers[0], 10,
                                        {"_dr.bin", "_if.bin", "_NLMM211_HD.bin"});
}

namespace {

// A cube of one hexahedron (100 mm, E 30000, nu 0, ft 3) of _NLMM111 with crack shear
// softening (linear law, peak 0.3, G_II 0.05), every point prescribed x = R F X: cracked
// across its material x by a stretch e1 (5 combinations), slid along material y past the
// shear peak (3), turned rigidly about the axis (1, 2, 3) by 120 degrees (10), then
// stretched on and slid along material z and back along y (4).
struct TurnedShearedCube {
  Job job;
  std::vector<std::pair<int, std::array<double, 3>>> nodes;
  std::vector<Mat3> turn;
  TurnedShearedCube(int kinematic) {
    linmodel::LatticeJob lj(linmodel::HexaBar(8, 1, 100.0, 0.0, 0.0, 30000.0, 0.0, 0.0, false,
                                              [](int, int, int) { return "111000"; }));
    job = lj.job;
    linmodel::MovePoints(job, [](const std::array<double, 3>& x) {
      return std::array<double, 3>{x[0], 100.0 * x[1], 100.0 * x[2]};
    });
    tw::AddRecord(job.model, "<NLMM111>",
                  tw::Rec().S("S1").Ds({0.0, 0.0, 0.0, 30000.0, 3.0, 3.0}).I(1)
                      .Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0, 0.1, 1.0}).I(1).Ds({0.0, 0.0, 0.0, 0.0}).I(1).D(0.2).I(1)
                      .Ds({0.3, 0.05}).I(1).I(1).D(100.0).I(3).D(1.0));
    job.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, MAT_NLMM111, 1, 0, 0, 1, 0)};
    for (int I : {0, 2})
      for (int J : {0, 2})
        for (int K : {0, 2}) nodes.push_back({lj.At(I, J, K), {50.0 * I, 50.0 * J, 50.0 * K}});
    struct Step {
      double e, gy, gz, turn;
    };
    std::vector<Step> steps;
    const double third = 8.0 * std::atan(1.0) / 3.0;
    for (int k = 1; k <= 5; k++) steps.push_back({2e-4 * k / 5, 0.0, 0.0, 0.0});
    for (int k = 1; k <= 3; k++) steps.push_back({2e-4, 1e-4 * k, 0.0, 0.0});
    for (int k = 1; k <= 10; k++) steps.push_back({2e-4, 3e-4, 0.0, third * k / 10});
    for (int k = 1; k <= 4; k++) steps.push_back({2e-4 + 5e-5 * k, 3e-4 - 1.5e-4 * k, 1e-4 * k, third});
    const double l = std::sqrt(14.0);
    job.model.loadCases.clear();
    job.model.combinations.clear();
    for (size_t k = 0; k < steps.size(); k++) {
      const Step& s = steps[k];
      turn.push_back(Turn({1.0 / l, 2.0 / l, 3.0 / l}, s.turn));
      const Mat3 F = {{{1.0 + s.e, 0.0, 0.0}, {s.gy, 1.0, 0.0}, {s.gz, 0.0, 1.0}}};
      const Mat3 RF = Mul(turn.back(), F);
      std::vector<tw::Rec> moves;
      for (const auto& [p, X] : nodes)
        for (int i = 0; i < 3; i++)
          moves.push_back(tw::PrescribedDisplacement(p, i + 1, RF[i][0] * X[0] + RF[i][1] * X[1] + RF[i][2] * X[2] - X[i]));
      AddCombinationOfMoves(job, moves);
    }
    nonlinrun::Iterate(job.model.main, 1e-9, 60);
    Geometric(job, kinematic);
  }
  // The force on the far face in the material axes (turned back by R^T), per combination.
  std::vector<std::array<double, 3>> Forces(const resultfile::DisplReactFile& dr) const {
    std::vector<int> far;
    for (const auto& [p, X] : nodes)
      if (X[0] > 50.0) far.push_back(p);
    std::vector<std::array<double, 3>> f;
    for (size_t k = 0; k < dr.records.size(); k++) {
      double g[3];
      for (int i = 0; i < 3; i++) g[i] = nonlinrun::Reaction(dr.records[k], job, far, i + 1);
      std::array<double, 3> m{};
      for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) m[i] += turn[k][j][i] * g[j];
      f.push_back(m);
    }
    return f;
  }
};

}  // namespace

// A crack slid past its shear peak along one tangent keeps that history on its material
// direction when the block turns about a general axis: after the turn the slid component
// unloads on its secant to zero force at zero slide and the other one rises to the fresh
// peak 0.3 A, in both descriptions; the updated description gives the forces of the total
// one to 1e-6 ft A (they differ by 6e-4 N, the second order of the strain of a step; with
// the tangent axes re-derived from the turned normal the shear forces after the turn were
// off by up to 1200 N). A restart in the middle of the turn gives the uninterrupted run
// byte for byte in both descriptions.
TEST_F(GeometricCrackRun, CrackSlidAndTurnedAboutAGeneralAxisKeepsItsShearHistory) {
  const TurnedShearedCube total(1), updated(2);
  const auto tl = total.Forces(Run(total.job, "total"));
  const auto ul = updated.Forces(Run(updated.job, "updated"));
  ASSERT_EQ(tl.size(), 22u);
  ASSERT_EQ(ul.size(), 22u);
  for (size_t k = 0; k < tl.size(); k++)
    for (int i = 0; i < 3; i++) EXPECT_NEAR(ul[k][i], tl[k][i], 1e-6 * 3.0 * 1e4) << k << " " << i;
  EXPECT_NEAR(tl[5][1], 3000.0, 1.0);   // the shear peak along y
  EXPECT_LT(tl[7][1], tl[5][1] - 150.0);  // softened past it
  EXPECT_NEAR(tl[18][2], 3000.0, 1.0);  // the fresh peak along z after the turn
  EXPECT_NEAR(tl[19][1], 0.0, 1e-3);    // the slid component back to zero on its secant
  for (const TurnedShearedCube* c : {&total, &updated})
    ExpectRestartGivesTheUninterruptedRun(c->job, nonlinrun::kSolvers[0], 12, {"_dr.bin", "_if.bin", "_NLMM111_HD.bin"});
}
