// The stress of geometric runs at finite strain, end to end: the laws work on the true
// stress and the logarithmic strain in the material axes, so a stretch held or turned
// rigidly keeps its force, a stretch reached in any number of combinations gives one
// force, both descriptions agree, and a yield stress bounds the true stress: a von Mises
// cube pulled far carries sigma_y times its current section.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
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
using nonlinrun::kSolvers;
using nonlinrun::Reaction;
using nonlinrun::Solver;

namespace {

class GeometricStressRun : public nonlinrun::RunFixture {};

// _NLMM124 with Poisson's ratio nu, modulus E, thermal coefficient alpha: a von Mises cone
// of cohesion c (sigma_y = 2 c), perfectly plastic.
tw::Rec VonMises(double E, double nu, double c, double alpha = 0.0) {
  return tw::Rec().S("steel").Ds({0.0, alpha, nu, E}).I(2).I(1).Ds({c, 1.0}).I(1).Ds({0.0, 0.0, 1.0});
}

// The unit cube of one 8-node hexahedron, points at the lattice (I, J, K) = 2 x.
struct UnitCube {
  linmodel::LatticeJob lj;
  explicit UnitCube(const linmodel::LatticeFixity& fixity, const tw::Rec& material)
      : lj(linmodel::HexaBar(8, 1, 1.0, 0.0, 0.0, 1000.0, 0.0, 0.0, false, fixity)) {
    tw::AddRecord(lj.job.model, "<NLMM124>", material);
    lj.job.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, MAT_NLMM124, 1, 0, 0)};
  }
  std::vector<int> Face(int I) const {
    std::vector<int> f;
    for (int J : {0, 2})
      for (int K : {0, 2}) f.push_back(lj.At(I, J, K));
    return f;
  }
};

void Geometric(Job& j, int kinematic) {
  j.model.main.geomNonlinear = 1;
  j.model.main.kinematicDescription = kinematic;
}

}  // namespace

// Every point of an elastic cube (E 1000, nu 0.3) prescribed: a uniaxial stretch
// 1 + eps along x1 (sides held) in combination 1, then held in 3 more combinations, or
// turned rigidly about x3 by 90 degrees over 10 or 40. The force on the face x1 = 1,
// turned back into the material axes, is (lambda + 2 mu) ln(1 + eps) in every combination
// to 1e-9, in both descriptions and both path behaviours; the force across it stays nil.
TEST_F(GeometricStressRun, HeldOrTurnedStretchKeepsItsForce) {
  const double E = 1000.0, nu = 0.3, lame = E * nu / ((1 + nu) * (1 - 2 * nu)), mu = E / (2 * (1 + nu));
  const struct Path {
    int turns;
    double angle;
  } kPaths[] = {{3, 0.0}, {10, 90.0}, {40, 90.0}};
  for (double eps : {1e-3, 1e-2})
    for (const Path& path : kPaths)
      for (int kinematic : {1, 2})
        for (int behaviour : {1, 2}) {
          SCOPED_TRACE(testing::Message() << "eps " << eps << " turns " << path.turns << " angle " << path.angle
                                          << " kinematic " << kinematic << " path behaviour " << behaviour);
          UnitCube cube([](int, int, int) { return "111000"; }, VonMises(E, nu, 1e15));
          Job& j = cube.lj.job;
          j.model.loadCases.clear();
          j.model.combinations.clear();
          for (int k = 0; k <= path.turns; k++) {
            const double a = path.angle * std::atan(1.0) / 45.0 * k / path.turns, c = std::cos(a), s = std::sin(a);
            std::vector<tw::Rec> moves;
            for (int I : {0, 2})
              for (int J : {0, 2})
                for (int K : {0, 2}) {
                  const double X = I / 2.0, Y = J / 2.0, x = (1.0 + eps) * X;
                  const int p = cube.lj.At(I, J, K);
                  moves.push_back(tw::PrescribedDisplacement(p, 1, c * x - s * Y - X));
                  moves.push_back(tw::PrescribedDisplacement(p, 2, s * x + c * Y - Y));
                  moves.push_back(tw::PrescribedDisplacement(p, 3, 0.0));
                }
            j.model.loadCases.push_back(linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, moves));
            tw::Combination comb;
            comb.factors = {{k + 1, 1.0}};
            j.model.combinations.push_back(comb);
          }
          nonlinrun::Iterate(j.model.main, 1e-12, 10, behaviour);
          Geometric(j, kinematic);
          const resultfile::DisplReactFile dr = Run(j, kSolvers[0], "turned");
          ASSERT_EQ(dr.records.size(), static_cast<size_t>(path.turns + 1));
          const double expected = (lame + 2 * mu) * std::log1p(eps);
          const std::vector<int> face = cube.Face(2);
          for (int k = 0; k <= path.turns; k++) {
            const double a = path.angle * std::atan(1.0) / 45.0 * k / path.turns;
            const double f1 = Reaction(dr.records[static_cast<size_t>(k)], j, face, 1);
            const double f2 = Reaction(dr.records[static_cast<size_t>(k)], j, face, 2);
            EXPECT_NEAR(std::cos(a) * f1 + std::sin(a) * f2, expected, 1e-9 * expected) << k;
            EXPECT_NEAR(-std::sin(a) * f1 + std::cos(a) * f2, 0.0, 1e-9 * expected) << k;
          }
        }
}

namespace {

// A plane-stress square 1 x 1 (t 1) of one 4-node quadrilateral (E 1000, nu 0.3, elastic
// _NLMM124): the edge at 0 on rollers, the other edge pulled along x2 to 1 + e in n equal
// combinations.
struct PulledSquare {
  Job job;
  std::vector<int> end;
  PulledSquare(const tw::Rec& material, double e, int n) {
    job.model.main.title = "pulled square";
    tw::AddRecord(job.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 1.0));
    int at[2][2];
    for (int J = 0; J <= 1; J++)
      for (int I = 0; I <= 1; I++)
        at[I][J] = linmodel::AddPoint2D(job, 1.0 * I, 1.0 * J, linmodel::kPlaneMask,
                                        I == 0 && J == 0 ? "011000" : "010000");
    tw::AddElement(job.model, {at[0][0], at[1][0], at[1][1], at[0][1]});
    tw::AddRecord(job.model, "<NLMM124>", material);
    tw::AddRecord(job.model, "<ELEMENT_PROPERTIES>",
                  tw::ElementProperty(1, 1, 10, MAT_NLMM124, 1, GEOM_LAM_THICK, 1));
    end = {at[1][0], at[1][1]};
    std::vector<tw::Rec> pulls;
    for (int p : end) pulls.push_back(tw::PrescribedDisplacement(p, 2, e));
    job.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
    std::vector<double> f;
    for (int k = 1; k <= n; k++) f.push_back(static_cast<double>(k) / n);
    nonlinrun::Factors(job.model, f);
    nonlinrun::Iterate(job.model.main, 1e-12, 30);
  }
};

}  // namespace

// The sheet and the cube on rollers (free lateral faces) pulled to 10 % in 1, 5 and 50
// combinations, elastic (E 1000, nu 0.3) and von Mises (E 200000, nu 0.3, sigma_y 250):
// the true stress on the current section, which thins across the sheet as across the
// cube. Elastic: E ln(1.1) on the section 1.1^(-2 nu); von Mises: sigma_y on the section
// A0 / 1.1 of the plastic flow at constant volume swelled by the elastic (1 - 2 nu)
// sigma_y / E. Every count of combinations and both descriptions give one force to 1e-6,
// the sheet the cube's to 1e-6.
TEST_F(GeometricStressRun, StretchGivesOneForceInAnyNumberOfSteps) {
  const struct Material {
    double E, c, expected;
  } kMaterials[] = {{1000.0, 1e15, 1000.0 * std::log(1.1) * std::pow(1.1, -0.6)},
                    {200000.0, 125.0, 250.0 / 1.1 * std::exp(0.4 * 250.0 / 200000.0)}};
  const auto rollers = [](int I, int J, int K) {
    return std::string(I == 0 || I == 2 ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
  };
  for (const Material& m : kMaterials)
    for (int kinematic : {1, 2})
      for (int n : {1, 5, 50}) {
        SCOPED_TRACE(testing::Message() << "E " << m.E << " kinematic " << kinematic << " combinations " << n);
        PulledSquare sq(VonMises(m.E, 0.3, m.c), 0.1, n);
        Geometric(sq.job, kinematic);
        const resultfile::DisplReactFile dr = Run(sq.job, kSolvers[0], "square");
        ASSERT_EQ(dr.records.size(), static_cast<size_t>(n));
        const double sheet = Reaction(dr.records.back(), sq.job, sq.end, 2);
        EXPECT_NEAR(sheet, m.expected, 1e-6 * m.expected);
        UnitCube cube(rollers, VonMises(m.E, 0.3, m.c));
        Job& j = cube.lj.job;
        std::vector<tw::Rec> pulls;
        for (int p : cube.Face(2)) pulls.push_back(tw::PrescribedDisplacement(p, 1, 0.1));
        j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
        std::vector<double> f;
        for (int k = 1; k <= n; k++) f.push_back(static_cast<double>(k) / n);
        nonlinrun::Factors(j.model, f);
        nonlinrun::Iterate(j.model.main, 1e-12, 30);
        Geometric(j, kinematic);
        const resultfile::DisplReactFile dc = Run(j, kSolvers[0], "cube");
        ASSERT_EQ(dc.records.size(), static_cast<size_t>(n));
        EXPECT_NEAR(Reaction(dc.records.back(), j, cube.Face(2), 1), sheet, 1e-6 * m.expected);
      }
}

// The cube held along x1 (free to swell sideways; E 1000, nu 0.3, alpha 1e-4), heated by
// 400 (a thermal strain of 4 %) and cooled to 100 (1 %): both descriptions end at the
// uniaxial -E ln(1.01) on the current section 1.01^(2 (1 + nu)), within 1e-3 of E times the
// largest thermal strain, and agree with each other as closely.
TEST_F(GeometricStressRun, HeatedAndCooledHeldCubeAgreesBetweenDescriptions) {
  const double E = 1000.0, nu = 0.3;
  const double expected = -E * std::log(1.01) * std::pow(1.01, 2 * (1 + nu));
  double ends[2] = {};
  for (int kinematic : {1, 2}) {
    SCOPED_TRACE(kinematic);
    UnitCube cube(
        [](int I, int J, int K) {
          return std::string(I == 0 || I == 2 ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
        },
        VonMises(E, nu, 1e15, 1e-4));
    Job& j = cube.lj.job;
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {tw::TemperatureVariation(1, {1.0})})};
    nonlinrun::Factors(j.model, {400.0, 100.0});
    nonlinrun::Iterate(j.model.main, 1e-10, 30);
    Geometric(j, kinematic);
    const resultfile::DisplReactFile dr = Run(j, kSolvers[0], "heated");
    ASSERT_EQ(dr.records.size(), 2u);
    ends[kinematic - 1] = Reaction(dr.records.back(), j, cube.Face(2), 1);
    EXPECT_NEAR(ends[kinematic - 1], expected, 1e-3 * E * 0.04);
  }
  EXPECT_NEAR(ends[0], ends[1], 1e-3 * E * 0.04);
}

// A unit cube of von Mises steel (E 200000, nu 0.3, sigma_y 250, perfectly plastic) on
// rollers, pulled along x1 to 10 % in 20 combinations: at every combination the force is
// sigma_y A0 / (1 + e) within 0.5 %, the true stress at yield on the section that the
// plastic flow, at constant volume, narrows; both descriptions, both solvers.
TEST_F(GeometricStressRun, VonMisesCubeYieldsOnTheTrueStress) {
  for (int kinematic : {1, 2})
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(testing::Message() << "kinematic " << kinematic << " solver " << s.algorithm);
      UnitCube cube(
          [](int I, int J, int K) {
            return std::string(I == 0 || I == 2 ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
          },
          VonMises(200000.0, 0.3, 125.0));
      Job& j = cube.lj.job;
      std::vector<tw::Rec> pulls;
      for (int p : cube.Face(2)) pulls.push_back(tw::PrescribedDisplacement(p, 1, 0.1));
      j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
      std::vector<double> f;
      for (int k = 1; k <= 20; k++) f.push_back(k / 20.0);
      nonlinrun::Factors(j.model, f);
      nonlinrun::Iterate(j.model.main, 1e-8, 50);
      Geometric(j, kinematic);
      const resultfile::DisplReactFile dr = Run(j, s, "steel");
      ASSERT_EQ(dr.records.size(), f.size());
      for (size_t k = 0; k < f.size(); k++) {
        const double expected = 250.0 / (1.0 + 0.1 * f[k]);
        EXPECT_NEAR(Reaction(dr.records[k], j, cube.Face(2), 1), expected, 5e-3 * expected) << k;
      }
    }
}

// A softening von Mises cube (E 200000, nu 0.3, cohesion 125 falling by exp(-kappa/0.02))
// with every point prescribed: a uniaxial stretch 1 + eps along the direction d in the
// x1-x2 plane (deformation I + eps d d), eps to 2 % in 8 combinations, along x1 and at
// 45 degrees to the mesh axes, in small strain and in the total and updated
// descriptions. The true stress sigma = P F^T / J, P from the forces on the faces x1 = 1
// and x2 = 1: the difference of the normal and transverse stresses, d.sigma.d - t.sigma.t,
// is the same along both directions to 1e-6 in every combination, and softens.
TEST_F(GeometricStressRun, SofteningStretchAlongAnyAxisCarriesOneStress) {
  const double eps = 0.02;
  const int n = 8;
  const tw::Rec softening =
      tw::Rec().S("softening steel").Ds({0.0, 0.0, 0.3, 200000.0}).I(2).I(2).Ds({125.0, 0.02}).I(1).Ds({0.0, 0.0, 1.0});
  for (int kinematic : {0, 1, 2}) {
    std::vector<double> along[2];
    for (int turned : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "kinematic " << kinematic << (turned ? " at 45 degrees" : " along x1"));
      const double b = turned ? std::atan(1.0) : 0.0, d[2] = {std::cos(b), std::sin(b)}, t[2] = {-d[1], d[0]};
      UnitCube cube([](int, int, int) { return "111000"; }, softening);
      Job& j = cube.lj.job;
      std::vector<tw::Rec> moves;
      for (int I : {0, 2})
        for (int J : {0, 2})
          for (int K : {0, 2}) {
            const double X = I / 2.0, Y = J / 2.0, along_d = eps * (d[0] * X + d[1] * Y);
            const int p = cube.lj.At(I, J, K);
            moves.push_back(tw::PrescribedDisplacement(p, 1, along_d * d[0]));
            moves.push_back(tw::PrescribedDisplacement(p, 2, along_d * d[1]));
            moves.push_back(tw::PrescribedDisplacement(p, 3, 0.0));
          }
      j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, moves)};
      std::vector<double> f;
      for (int k = 1; k <= n; k++) f.push_back(static_cast<double>(k) / n);
      nonlinrun::Factors(j.model, f);
      nonlinrun::Iterate(j.model.main, 1e-12, 30);
      if (kinematic > 0) Geometric(j, kinematic);
      const resultfile::DisplReactFile dr = Run(j, kSolvers[0], "stretch");
      ASSERT_EQ(dr.records.size(), f.size());
      std::vector<int> faceY;
      for (int I : {0, 2})
        for (int K : {0, 2}) faceY.push_back(cube.lj.At(I, 2, K));
      for (size_t k = 0; k < f.size(); k++) {
        // First Piola-Kirchhoff columns P e1, P e2 (unit faces) and the deformation.
        const double e = kinematic > 0 ? eps * f[k] : 0.0;
        const double P[2][2] = {{Reaction(dr.records[k], j, cube.Face(2), 1), Reaction(dr.records[k], j, faceY, 1)},
                                {Reaction(dr.records[k], j, cube.Face(2), 2), Reaction(dr.records[k], j, faceY, 2)}};
        const double F[2][2] = {{1 + e * d[0] * d[0], e * d[0] * d[1]}, {e * d[1] * d[0], 1 + e * d[1] * d[1]}};
        const double J = F[0][0] * F[1][1] - F[0][1] * F[1][0];
        double s[2][2] = {};
        for (int a = 0; a < 2; a++)
          for (int c = 0; c < 2; c++)
            for (int K = 0; K < 2; K++) s[a][c] += P[a][K] * F[c][K] / J;
        double diff = 0.0;
        for (int a = 0; a < 2; a++)
          for (int c = 0; c < 2; c++) diff += (d[a] * d[c] - t[a] * t[c]) * s[a][c];
        along[turned].push_back(diff);
      }
    }
    SCOPED_TRACE(testing::Message() << "kinematic " << kinematic);
    ASSERT_EQ(along[0].size(), along[1].size());
    for (size_t k = 0; k < along[0].size(); k++)
      EXPECT_NEAR(along[1][k], along[0][k], 1e-6 * along[0][k]) << "combination " << k + 1;
    EXPECT_LT(along[0].back(), 0.8 * 250.0) << "the cohesion must soften";
  }
}

// A von Mises cube (E 200000, nu 0.3, sigma_y 250, perfectly plastic) with every point
// prescribed in simple shear, x1 = X1 + gamma X2, to gamma = 1 in 10 and 100 equal
// combinations. The true stress sigma = P F^T (J = 1), P from the forces on the faces
// x1 = 1, x2 = 1 and x3 = 1. Both descriptions flow at the shear yield stress 250 / sqrt(3)
// (within 0.5 %) with sigma11 = -sigma22 and sigma33 nil; their normal stresses part:
//   total   (plastic strain kept in the initial axes): 13.35 and 8.92 (8.49 at 1000),
//   updated (turned with the material):                 7.48 and 0.99 (0.34 at 1000),
// pinned within 2 %. An established program gives 9.95, 1.32 and 0.46 on the same cube
// (and sigma22 = sigma33 = -sigma11 / 2). The figures of the README; the full table
// (with 1000 combinations, about 15 s) runs with VOLDE_SIMPLE_SHEAR_TABLE set.
TEST_F(GeometricStressRun, SimpleShearNormalStressesOfBothDescriptions) {
  const struct Case {
    int kinematic, n;
    double normal;
  } kCases[] = {{1, 10, 13.3486}, {1, 100, 8.9184}, {1, 1000, 8.4851},
                {2, 10, 7.4778},  {2, 100, 0.9925}, {2, 1000, 0.3430}};
  const bool full = std::getenv("VOLDE_SIMPLE_SHEAR_TABLE") != nullptr;
  const double tau = 250.0 / std::sqrt(3.0);
  for (const Case& c : kCases) {
    if (c.n > 100 && !full) continue;
    SCOPED_TRACE(testing::Message() << "kinematic " << c.kinematic << " combinations " << c.n);
    UnitCube cube([](int, int, int) { return "111000"; }, VonMises(200000.0, 0.3, 125.0));
    Job& j = cube.lj.job;
    std::vector<tw::Rec> moves;
    for (int I : {0, 2})
      for (int J : {0, 2})
        for (int K : {0, 2}) {
          const int p = cube.lj.At(I, J, K);
          moves.push_back(tw::PrescribedDisplacement(p, 1, J / 2.0));
          moves.push_back(tw::PrescribedDisplacement(p, 2, 0.0));
          moves.push_back(tw::PrescribedDisplacement(p, 3, 0.0));
        }
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, moves)};
    std::vector<double> f;
    for (int k = 1; k <= c.n; k++) f.push_back(static_cast<double>(k) / c.n);
    nonlinrun::Factors(j.model, f);
    nonlinrun::Iterate(j.model.main, 1e-10, 30);
    Geometric(j, c.kinematic);
    const resultfile::DisplReactFile dr = Run(j, kSolvers[0], "shear");
    ASSERT_EQ(dr.records.size(), f.size());
    std::vector<int> faceY, faceZ;
    for (int I : {0, 2})
      for (int K : {0, 2}) {
        faceY.push_back(cube.lj.At(I, 2, K));
        faceZ.push_back(cube.lj.At(I, K, 2));
      }
    const auto& r = dr.records.back();
    const double P11 = Reaction(r, j, cube.Face(2), 1), P12 = Reaction(r, j, faceY, 1);
    const double P21 = Reaction(r, j, cube.Face(2), 2), P22 = Reaction(r, j, faceY, 2);
    const double s11 = P11 + P12, s22 = P22, s12 = P12, s21 = P21 + P22;
    EXPECT_NEAR(s12, tau, 5e-3 * tau);
    EXPECT_NEAR(s21, s12, 1e-6 * tau);
    EXPECT_NEAR(s11, c.normal, 0.02 * c.normal);
    EXPECT_NEAR(s22, -s11, 1e-6 * tau);
    EXPECT_NEAR(Reaction(r, j, faceZ, 3), 0.0, 1e-6 * tau);
  }
}
