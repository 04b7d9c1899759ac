// Time-dependent concrete end to end: one unit-cube hexahedron of the solid crack
// material (E 30000 unless said, nu 0, tensile strength 3, never reached) combined with
// creep, shrinkage, ageing and heating, in transient runs with both solvers. Creep at
// constant stress follows the Kelvin chain exactly; an ageing chain follows the scalar
// exponential algorithm; a held strain relaxes to the standard-solid limit; free
// shrinkage moves the cube, restrained shrinkage loads the support; young concrete is
// softer; a restart writes what the uninterrupted run writes.
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

namespace {

constexpr int kTransient = 7;

tw::Rec Crack(double E, double alpha = 0.0, double nu = 0.0) {
  return tw::Rec().S("concrete").Ds({0.0, alpha, nu, E, 3.0, 3.0}).I(1)
      .Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0, 1.0, 1.0}).I(0).Ds({0.0, 0.0, 0.0, 0.0}).I(1).D(0.2).I(1)
      .Ds({0.0, 0.0}).I(1).I(1).D(100.0).I(3).D(1.0);
}

// Kelvin units (tau, k0, k1, k2, k3), modulus factor f, start time t0.
struct Unit {
  double tau, k0, k1, k2, k3;
};
tw::Rec Chain(const std::vector<Unit>& units, double f, double t0) {
  tw::Rec r;
  r.S("creep").I(0).I(0).I(static_cast<int32_t>(units.size()));
  for (const Unit& u : units) r.D(u.tau);
  r.D(f).D(t0);
  for (const Unit& u : units) r.Ds({u.k0, u.k1, u.k2, u.k3});
  return r;
}

// Shrinkage of class-2 cement, h0 100, drying from 7 days, fcm 38, RH 60; third flag.
tw::Rec Shrinkage(int third = 2) {
  return tw::Rec().S("shrinkage").C(1).C(1).C(static_cast<char>(third)).Ds({0.0, 0.0, 7.0, 100.0, 38.0, 60.0})
      .I(2).D(0.0).I(0).D(0.0).I(0);
}

// Maturity: age law 0 (the age itself), stiffness ageing law 1, cement type 2.
tw::Rec Maturity() { return tw::Rec().S("maturity").I(0).D(4e4).I(1).I(2).I(0).D(0.7).D(8.314); }

tw::Rec Pattern(const std::vector<std::pair<int, int>>& members) {
  tw::Rec r;
  r.S("pattern").I(static_cast<int32_t>(members.size()));
  for (auto [kind, number] : members) r.I(kind).I(number);
  return r;
}

// The cube on rollers at x = 0, y = 0, z = 0 (restrained: also at x = 1); the end face
// x = 1 carries the stress sigma[k] (or, held, the strain heldStrain) in combination k
// of duration durations[k].
struct Cube {
  linmodel::LatticeJob lj;
  std::vector<int> end;
  explicit Cube(bool restrained)
      : lj(linmodel::HexaBar(8, 1, 1.0, 0.0, 0.0, 30000.0, 0.0, 0.0, false, [restrained](int I, int J, int K) {
          return std::string(I == 0 || (restrained && I == 2) ? "1" : "0") + (J == 0 ? "1" : "0") +
                 (K == 0 ? "1" : "0") + "000";
        })) {
    for (int J : {0, 2})
      for (int K : {0, 2}) end.push_back(lj.At(2, J, K));
    Job& j = lj.job;
    j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, MAT_NLMM_PATT, 1, 0, 0)};
    j.model.main.materNonlinear = 1;
    j.model.main.analysisType = kTransient;
    j.model.main.tolerance = 1e-10;
    j.model.main.maxIterations = 30;
    j.model.blocks["<THERMAL_TRANSIENT_INITIAL_CONDITIONS>"] = {tw::Rec().I(1).D(20.0)};
  }
  Job& job() { return lj.job; }
  // Stresses sigma[k] on the end face (force sigma / 4 at each of its points).
  // The forces are global components: a turned cube takes its axis as `along`.
  void Stresses(const std::vector<double>& sigma, const std::vector<double>& durations,
                std::array<double, 3> along = {1.0, 0.0, 0.0}) {
    Job& j = lj.job;
    j.model.loadCases.clear();
    j.model.combinations.clear();
    for (size_t k = 0; k < sigma.size(); k++) {
      std::vector<tw::Rec> loads;
      const double f = sigma[k] / 4.0;
      for (int p : end) loads.push_back(tw::PointLoad(p, {f * along[0], f * along[1], f * along[2], 0, 0, 0}));
      j.model.loadCases.push_back(linmodel::ElementLoads(loads));
      tw::Combination c;
      c.factors = {{static_cast<int32_t>(k + 1), 1.0}};
      c.duration = durations[k];
      j.model.combinations.push_back(c);
    }
  }
  // The end face moved by u in every combination.
  void Held(double u, const std::vector<double>& durations) {
    Job& j = lj.job;
    std::vector<tw::Rec> moves;
    for (int p : end) moves.push_back(tw::PrescribedDisplacement(p, 1, u));
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, moves)};
    j.model.combinations.clear();
    for (double d : durations) {
      tw::Combination c;
      c.factors = {{1, 1.0}};
      c.duration = d;
      j.model.combinations.push_back(c);
    }
  }
};

std::vector<double> Doubling(double first, int n) {
  std::vector<double> d = {first};
  for (int k = 0; k < n; k++) d.push_back(std::pow(2.0, k));
  return d;
}

class TimeDependentRun : public nonlinrun::RunFixture {
 protected:
  ChildResult Run(const Job& j, const std::string& name, int storage = 1) { return Start(j, {storage, storage}, name); }
  // Mean x-displacement of the free end face, and the sum of its x reactions.
  static double EndStrain(const Cube& c, const resultfile::DisplReactRecord& r) {
    return nonlinrun::Mean(r, c.lj.job, c.end, 1);
  }
  static double EndReaction(const Cube& c, const resultfile::DisplReactRecord& r) {
    return nonlinrun::Reaction(r, c.lj.job, c.end, 1);
  }
};

// Two units: tau 5 with 1/E1 = 0.5/E, tau 50 with 1/E2 = 1.2 x 1.25/E.
const std::vector<Unit> kTwoUnits = {{5.0, 1.0, 0.0, 0.0, 0.5}, {50.0, 1.0, 0.0, 0.0, 1.25}};

}  // namespace

TEST_F(TimeDependentRun, CreepAtConstantStressFollowsTheChainExactly) {
  const double E = 30000.0, sigma = -10.0;
  const std::vector<double> durations = Doubling(28.0, 8);  // t = 28, 29, 31, ..., 283
  for (int storage : {1, 2}) {
    SCOPED_TRACE(storage);
    Cube c(false);
    tw::AddRecord(c.job().model, "<NLMM111>", Crack(E));
    tw::AddRecord(c.job().model, "<NLMM174>", Chain(kTwoUnits, 1.0, 28.0));
    tw::AddRecord(c.job().model, "<NLMM_PATTERNS>", Pattern({{MAT_NLMM111, 1}, {MAT_NLMM174, 1}}));
    c.Stresses(std::vector<double>(durations.size(), sigma), durations);
    const ChildResult r = Run(c.job(), "creep", storage);
    ASSERT_EQ(r.status, 0) << r.err;
    const resultfile::DisplReactFile dr = Results(c.job(), "creep");
    ASSERT_EQ(dr.records.size(), durations.size());
    double t = 0.0;
    for (size_t k = 0; k < durations.size(); k++) {
      t += durations[k];
      const double tc = t - 28.0;
      const double expect = sigma / E * (1.0 + 0.5 * (1.0 - std::exp(-tc / 5.0)) + 1.5 * (1.0 - std::exp(-tc / 50.0)));
      EXPECT_NEAR(EndStrain(c, dr.records[k]), expect, 1e-9 * std::fabs(expect)) << "t = " << t;
    }
    EXPECT_NEAR(EndStrain(c, dr.records[0]), -3.333333e-4, 1e-10);
    EXPECT_NEAR(EndStrain(c, dr.records[3]), -5.242214e-4, 1e-10);
    EXPECT_NEAR(EndStrain(c, dr.records[8]), -9.969516e-4, 1e-10);
    // The tangent is the effective modulus of the step: the second solve of a step leaves
    // no residual. (The first solve is off: the creep load of the step acts on the
    // predictor, while the forces of the converged state cancel it.)
    const resultfile::NonlinearExecParams ep =
        resultfile::ReadNonlinearExecParams(dir_ + "/creep_ep.bin", c.job().layout.nF, c.job().layout.nP);
    for (const resultfile::CombinationEntry& e : ep.entries) EXPECT_LE(e.nIterations, 3) << e.combination;
  }
}

// Creep is a property of the material, not of the frame: the same cube turned in space
// (every point in the cube's own axes, so that supports, loads and results keep their
// components) creeps by the same amounts, and with nu = 0.2 the lateral creep strain is
// -nu times the axial one, as the elastic strain is. The chain's closed form at constant
// stress holds for every case, with the iterations of the axis-aligned bar; likewise for a
// 4 mm cube drawn in metres (elements of 2 mm, det J 1e-9), its loads scaled to the same
// stress.
TEST_F(TimeDependentRun, CreepIsTheSameInAnyFrameAndContractsTheCrossSectionByNu) {
  const double E = 30000.0, sigma = -10.0;
  const std::vector<double> durations = Doubling(28.0, 8);
  struct Case {
    double nu;
    bool turned;
    int storage;
    double size = 1.0;  // side of the cube
  };
  for (const Case& k : {Case{0.0, true, 1}, Case{0.2, false, 2}, Case{0.2, true, 1}, Case{0.2, true, 2},
                        Case{0.2, true, 1, 4e-3}}) {
    SCOPED_TRACE(testing::Message() << "nu " << k.nu << (k.turned ? " turned" : "") << " storage " << k.storage
                                    << " size " << k.size);
    Cube c(false);
    tw::AddRecord(c.job().model, "<NLMM111>", Crack(E, 0.0, k.nu));
    tw::AddRecord(c.job().model, "<NLMM174>", Chain(kTwoUnits, 1.0, 28.0));
    tw::AddRecord(c.job().model, "<NLMM_PATTERNS>", Pattern({{MAT_NLMM111, 1}, {MAT_NLMM174, 1}}));
    const linmodel::Turn q(k.turned ? 0.5 : 0.0, k.turned ? -0.8 : 0.0);
    const double L = k.size;
    c.Stresses(std::vector<double>(durations.size(), sigma * L * L), durations, q.Of({1.0, 0.0, 0.0}));
    linmodel::MovePoints(c.job(), [L](const std::array<double, 3>& x) {
      return std::array<double, 3>{L * x[0], L * x[1], L * x[2]};
    });
    if (k.turned) linmodel::TurnWithItsAxes(c.job(), q);
    const ChildResult r = Run(c.job(), "skew", k.storage);
    ASSERT_EQ(r.status, 0) << r.err;
    const resultfile::DisplReactFile dr = Results(c.job(), "skew");
    ASSERT_EQ(dr.records.size(), durations.size());
    const std::vector<int> side = {c.lj.At(0, 2, 0), c.lj.At(0, 2, 2), c.lj.At(2, 2, 0), c.lj.At(2, 2, 2)};
    double t = 0.0;
    for (size_t s = 0; s < durations.size(); s++) {
      t += durations[s];
      const double tc = t - 28.0;
      const double axial =
          sigma / E * (1.0 + 0.5 * (1.0 - std::exp(-tc / 5.0)) + 1.5 * (1.0 - std::exp(-tc / 50.0)));
      EXPECT_NEAR(EndStrain(c, dr.records[s]) / L, axial, 1e-9 * std::fabs(axial)) << "t = " << t;
      EXPECT_NEAR(nonlinrun::Mean(dr.records[s], c.job(), side, 2) / L, -k.nu * axial, 1e-9 * std::fabs(axial))
          << "t = " << t;
      // No shear: the far corner moves as the bar's axes say.
      EXPECT_NEAR(nonlinrun::Mean(dr.records[s], c.job(), {c.lj.At(2, 2, 2)}, 3) / L, -k.nu * axial,
                  1e-9 * std::fabs(axial));
    }
    const resultfile::NonlinearExecParams ep =
        resultfile::ReadNonlinearExecParams(dir_ + "/skew_ep.bin", c.job().layout.nF, c.job().layout.nP);
    for (const resultfile::CombinationEntry& e : ep.entries) EXPECT_LE(e.nIterations, 3) << e.combination;
  }
}

TEST_F(TimeDependentRun, CreepMembersInAnyOrderAndBeforeTheStartAsPlainCrackModel) {
  const std::vector<double> durations = Doubling(28.0, 4);
  const std::vector<double> sigma = {-10.0, -10.0, -5.0, -5.0, -10.0};
  auto job = [&](const std::vector<std::pair<int, int>>& members, double t0, bool plain) {
    Cube c(false);
    tw::AddRecord(c.job().model, "<NLMM111>", Crack(30000.0));
    tw::AddRecord(c.job().model, "<NLMM174>", Chain(kTwoUnits, 1.0, t0));
    tw::AddRecord(c.job().model, "<NLMM_PATTERNS>", Pattern(members));
    if (plain) c.job().model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, MAT_NLMM111, 1, 0, 0)};
    c.Stresses(sigma, durations);
    return c.job();
  };
  ASSERT_EQ(Run(job({{MAT_NLMM111, 1}, {MAT_NLMM174, 1}}, 28.0, false), "a").status, 0);
  ASSERT_EQ(Run(job({{MAT_NLMM174, 1}, {MAT_NLMM111, 1}}, 28.0, false), "b").status, 0);
  EXPECT_EQ(Bytes("a", "_dr.bin"), Bytes("b", "_dr.bin"));
  EXPECT_EQ(Bytes("a", "_NLMM174_HD.bin"), Bytes("b", "_NLMM174_HD.bin"));
  // Creep starting after the last combination: the plain crack model's results.
  ASSERT_EQ(Run(job({{MAT_NLMM111, 1}, {MAT_NLMM174, 1}}, 1000.0, false), "late").status, 0);
  ASSERT_EQ(Run(job({}, 0.0, true), "plain").status, 0);
  // The reactions of a creeping pattern are those of the converged forces.
  const Job plain = job({}, 0.0, true);
  const resultfile::DisplReactFile a = Results(plain, "late"), b = Results(plain, "plain");
  ASSERT_EQ(a.records.size(), b.records.size());
  for (size_t k = 0; k < a.records.size(); k++) {
    EXPECT_EQ(a.records[k].free, b.records[k].free) << k;
    for (size_t i = 0; i < a.records[k].react.size(); i++)
      EXPECT_NEAR(a.records[k].react[i], b.records[k].react[i], 1e-12) << k;
  }
  EXPECT_EQ(Bytes("late", "_if.bin"), Bytes("plain", "_if.bin"));
  EXPECT_EQ(Bytes("late", "_NLMM111_HD.bin"), Bytes("plain", "_NLMM111_HD.bin"));
}

TEST_F(TimeDependentRun, AgeingChainFollowsTheScalarExponentialAlgorithm) {
  const double E = 30000.0;
  const std::vector<Unit> units = {{5.0, 1.0, 0.5, 0.3, 0.5}, {50.0, 1.0, 0.5, 0.3, 1.25}};
  const std::vector<double> durations = Doubling(28.0, 5);
  const std::vector<double> sigma = {-5.0, -5.0, -10.0, -10.0, 0.0, 0.0};
  // The recursion of the exponential algorithm for one stress component.
  auto moduli = [&](double t, double* Ej) {
    for (size_t j = 0; j < units.size(); j++) {
      const Unit& u = units[j];
      double c = u.k0 * std::pow(units[0].tau / 0.002, u.k1) * (u.k3 / E) * std::pow(10.0, j * u.k1) *
                 std::pow(t, -u.k2);
      if (j + 1 == units.size()) c *= 1.2;
      Ej[j] = 1.0 / c;
    }
  };
  std::vector<double> expect;
  double eps = 0.0, t = 0.0, G[2], Ej[2];
  for (size_t k = 0; k < sigma.size(); k++) {
    const double dt = durations[k], tPrev = t;
    t += dt;
    if (k == 0) {
      eps = sigma[0] / E;
      moduli(t, Ej);
      for (int j = 0; j < 2; j++) G[j] = sigma[0] / Ej[j];
    } else {
      moduli(0.5 * (tPrev + t), Ej);
      const double ds = sigma[k] - sigma[k - 1];
      double compliance = 1.0 / E, creep = 0.0;
      for (int j = 0; j < 2; j++) {
        const double x = std::exp(-dt / units[j].tau), lambda = units[j].tau * (1.0 - x) / dt;
        compliance += (1.0 - lambda) / Ej[j];
        creep += (1.0 - x) * G[j];
        G[j] = x * G[j] + lambda * ds / Ej[j];
      }
      eps += ds * compliance + creep;
    }
    expect.push_back(eps);
  }
  for (int storage : {1, 2}) {
    SCOPED_TRACE(storage);
    Cube c(false);
    tw::AddRecord(c.job().model, "<NLMM111>", Crack(E));
    tw::AddRecord(c.job().model, "<NLMM174>", Chain(units, 1.0, 28.0));
    tw::AddRecord(c.job().model, "<NLMM_PATTERNS>", Pattern({{MAT_NLMM111, 1}, {MAT_NLMM174, 1}}));
    c.Stresses(sigma, durations);
    const ChildResult r = Run(c.job(), "ageing", storage);
    ASSERT_EQ(r.status, 0) << r.err;
    const resultfile::DisplReactFile dr = Results(c.job(), "ageing");
    ASSERT_EQ(dr.records.size(), sigma.size());
    for (size_t k = 0; k < sigma.size(); k++)
      EXPECT_NEAR(EndStrain(c, dr.records[k]), expect[k], 1e-10 * std::fabs(expect[2])) << k;
  }
}

TEST_F(TimeDependentRun, HeldStrainRelaxesToTheStandardSolidLimit) {
  // One unit with E / E1 = 1.5 and tau 10: sigma = -12 - 18 exp(-0.25 t').
  Cube c(true);
  tw::AddRecord(c.job().model, "<NLMM111>", Crack(30000.0));
  tw::AddRecord(c.job().model, "<NLMM174>", Chain({{10.0, 1.0, 0.0, 0.0, 1.25}}, 1.0, 28.0));
  tw::AddRecord(c.job().model, "<NLMM_PATTERNS>", Pattern({{MAT_NLMM111, 1}, {MAT_NLMM174, 1}}));
  std::vector<double> durations = {28.0};
  for (int k = 0; k < 60; k++) durations.push_back(1.0);
  c.Held(-1e-3, durations);
  // Every dof that the creep loads is prescribed: the reactions are those of the
  // converged forces, not of the first solve of a combination.
  for (int storage : {1, 2}) {
    SCOPED_TRACE(storage);
    const ChildResult r = Run(c.job(), "relax", storage);
    ASSERT_EQ(r.status, 0) << r.err;
    const resultfile::DisplReactFile dr = Results(c.job(), "relax");
    ASSERT_EQ(dr.records.size(), durations.size());
    EXPECT_NEAR(EndReaction(c, dr.records[0]), -30.0, 1e-9);
    EXPECT_NEAR(EndReaction(c, dr.records[10]), -13.4775, 0.002 * 13.4775);
    EXPECT_NEAR(EndReaction(c, dr.records[60]), -12.0, 1e-3);
    // The stress falls monotonically towards the limit.
    for (size_t k = 1; k < durations.size(); k++)
      EXPECT_GT(EndReaction(c, dr.records[k]), EndReaction(c, dr.records[k - 1])) << k;
  }
}

// Both shrinkage laws on the cube: the free cube shrinks by the law's strain with no
// reactions, the restrained one carries E times it.
// _NLMM171: drying -1.779186e-4 plus autogenous -3.468539e-5 at 35 days.
// _NLMM172 (fc 30, w 180, drying from 7 days at RH 60, ks 1, v/s 50, alpha 1 and 1.2, kt
// and tau_sh computed; autogenous from day 1, tau_a 10, eps_a 1e-4 at RH 60): at 100 days
// drying -3.430909e-5 and autogenous -1e-4 (0.99 - 0.6) sqrt(tanh(9.9)); at 7 days the
// autogenous part alone.
TEST_F(TimeDependentRun, ShrinkageMovesAFreeCubeAndLoadsARestrainedOne) {
  struct Law {
    int code;
    const char* block;
    tw::Rec record;
    std::vector<double> durations;
    double first, last;  // free strain after the first (NaN: not checked) and the last combination
  };
  const double auto100 = 1e-4 * 0.39 * std::sqrt(std::tanh(9.9));
  const Law laws[] = {
      {MAT_NLMM171, "<NLMM171>", Shrinkage(), {7.0, 14.0, 14.0}, std::nan(""), -2.126040e-4},
      {MAT_NLMM172, "<NLMM172>",
       tw::Rec().S("shrinkage").C(1).C(1).C(2).C(2)
           .Ds({0.0, 0.0, 0.0, 30.0, 180.0, 0.0, 0.0}).I(0).D(0.0).I(0)
           .Ds({0.0, 7.0, 60.0, 1.0, 50.0, 1.0, 1.2}).I(2).D(0.0).I(2).D(0.0).I(0)
           .Ds({0.0, 1.0, 10.0, 1e-4, 60.0}),
       {7.0, 43.0, 50.0}, -1e-4 * 0.39 * std::sqrt(std::tanh(0.6)), -3.430909e-5 - auto100},
  };
  for (const Law& law : laws)
    for (bool restrained : {false, true}) {
      SCOPED_TRACE(std::string(law.block) + (restrained ? " restrained" : " free"));
      Cube c(restrained);
      tw::AddRecord(c.job().model, "<NLMM111>", Crack(10000.0));
      tw::AddRecord(c.job().model, law.block, law.record);
      tw::AddRecord(c.job().model, "<NLMM_PATTERNS>", Pattern({{law.code, 1}, {MAT_NLMM111, 1}}));
      c.Stresses({0.0, 0.0, 0.0}, law.durations);
      for (int storage : {1, 2}) {
        const ChildResult r = Run(c.job(), "shrink", storage);
        ASSERT_EQ(r.status, 0) << r.err;
        const resultfile::DisplReactFile dr = Results(c.job(), "shrink");
        ASSERT_EQ(dr.records.size(), 3u);
        if (!restrained) {
          if (!std::isnan(law.first)) {
            EXPECT_NEAR(EndStrain(c, dr.records[0]), law.first, 1e-10);
          }
          EXPECT_NEAR(EndStrain(c, dr.records[2]), law.last, 1e-10);
          for (double v : dr.records[2].react) EXPECT_NEAR(v, 0.0, 1e-9);
        } else {
          EXPECT_NEAR(EndReaction(c, dr.records[2]), 10000.0 * -law.last, 1e-6);
        }
      }
    }
}

TEST_F(TimeDependentRun, YoungConcreteIsSofter) {
  // Age 7 days, cement type 2: E(7) = exp(0.3 x 0.25 (1 - 2)) E = 0.927743 E, so that
  // the strain is -3.592947e-4.
  Cube c(false);
  tw::AddRecord(c.job().model, "<NLMM111>", Crack(30000.0));
  tw::AddRecord(c.job().model, "<NLMM173>", Maturity());
  tw::AddRecord(c.job().model, "<NLMM_PATTERNS>", Pattern({{MAT_NLMM111, 1}, {MAT_NLMM173, 1}}));
  c.Stresses({-10.0}, {7.0});
  for (int storage : {1, 2}) {
    const ChildResult r = Run(c.job(), "young", storage);
    ASSERT_EQ(r.status, 0) << r.err;
    const resultfile::DisplReactFile dr = Results(c.job(), "young");
    ASSERT_EQ(dr.records.size(), 1u);
    const double expect = -10.0 / (std::exp(-0.075) * 30000.0);
    EXPECT_NEAR(EndStrain(c, dr.records[0]), expect, 1e-12 * std::fabs(expect));
    EXPECT_NEAR(expect, -3.592947e-4, 1e-10);
  }
}

TEST_F(TimeDependentRun, HeatedConcreteTakesTheModulusAndCoefficientOfItsTemperature) {
  // From 20 to 500 degrees: E(500) = 200/550 E and alpha(500) = 1e-5, not the record's
  // 1.2e-5; restrained along x1, free laterally.
  const double E = 10000.0, dT = 480.0, E500 = 200.0 / 550.0 * E, alpha500 = 1e-5;
  Cube c(true);
  Job& j = c.job();
  tw::AddRecord(j.model, "<NLMM111>", Crack(E, 1.2e-5));
  tw::AddRecord(j.model, "<NLMM175>", tw::Rec().S("heat").Is({0, 1, 0, 1, 0, 0, 0}));
  tw::AddRecord(j.model, "<NLMM_PATTERNS>", Pattern({{MAT_NLMM175, 1}, {MAT_NLMM111, 1}}));
  // The load's points are the element's 2 x 2 x 2.
  j.model.blocks["<NUMERICAL_INTEGRATION>"] = {linmodel::IntegrationPattern("g2", {2, 2, 2})};
  std::vector<tw::Rec> initial;
  for (int p = 1; p <= 8; p++) initial.push_back(tw::Rec().I(p).D(20.0));
  j.model.blocks["<THERMAL_TRANSIENT_INITIAL_CONDITIONS>"] = initial;
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {tw::TemperatureVariation(1, {dT})})};
  j.model.loadCases[0].integrationName = 1;
  tw::Combination comb;
  comb.factors = {{1, 1.0}};
  j.model.combinations = {comb};
  for (int storage : {1, 2}) {
    SCOPED_TRACE(storage);
    const ChildResult r = Run(j, "heat", storage);
    ASSERT_EQ(r.status, 0) << r.err;
    const resultfile::DisplReactFile dr = Results(j, "heat");
    ASSERT_EQ(dr.records.size(), 1u);
    EXPECT_NEAR(EndReaction(c, dr.records[0]), -E500 * alpha500 * dT, 1e-9);
    EXPECT_NEAR(E500 * alpha500 * dT, 17.4545, 1e-4);
    EXPECT_NEAR(dr.records[0].free.at(static_cast<size_t>(j.layout.Free(c.lj.At(2, 2, 2), 2))), alpha500 * dT,
                1e-12);
  }
  // A load of other points than the element's is refused.
  j.model.loadCases[0].integrationName = 0;
  const ChildResult r = Run(j, "rule");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("must be the same as the n. of integration points used for the corresponding element"),
            std::string::npos)
      << r.err;
}

TEST_F(TimeDependentRun, RestartWritesWhatTheUninterruptedRunWrites) {
  // Shrinkage, ageing and creep together over 8 loaded combinations.
  Cube c(false);
  tw::AddRecord(c.job().model, "<NLMM111>", Crack(30000.0));
  tw::AddRecord(c.job().model, "<NLMM171>", Shrinkage());
  tw::AddRecord(c.job().model, "<NLMM173>", Maturity());
  tw::AddRecord(c.job().model, "<NLMM174>", Chain(kTwoUnits, 1.0, 14.0));
  tw::AddRecord(c.job().model, "<NLMM_PATTERNS>",
                Pattern({{MAT_NLMM111, 1}, {MAT_NLMM171, 1}, {MAT_NLMM173, 1}, {MAT_NLMM174, 1}}));
  c.Stresses({-2.0, -4.0, -6.0, -6.0, -8.0, -8.0, -4.0, -4.0}, {7.0, 7.0, 3.0, 4.0, 7.0, 14.0, 14.0, 28.0});
  ASSERT_EQ(Run(c.job(), "fresh").status, 0);
  ASSERT_EQ(Run(c.job(), "again").status, 0);
  Job restart = c.job();
  restart.model.main.nCombBeforeRestart = 4;
  const ChildResult r = Run(restart, "again");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("## Combination number = 4"), std::string::npos);
  ExpectSameFiles("again", "fresh",
                  {"_dr.bin", "_if.bin", "_NLMM111_HD.bin", "_NLMM171_HD.bin", "_NLMM173_HD.bin", "_NLMM174_HD.bin"});
  // The creep of the later combinations shows: the strain grows under held stress.
  const resultfile::DisplReactFile dr = Results(c.job(), "fresh");
  ASSERT_EQ(dr.records.size(), 8u);
  EXPECT_LT(EndStrain(c, dr.records[5]), EndStrain(c, dr.records[4]));
}

TEST_F(TimeDependentRun, PatternsTheSolidCannotTakeAreRefusedAtSetUp) {
  struct Case {
    std::vector<std::pair<int, int>> members;
    int pathBehavior;
    int third;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{{MAT_NLMM111, 1}, {MAT_NLMM174, 1}, {MAT_NLMM174, 1}}, 1, 2,
       "   -> Material model: _NLMM174\n\nERROR:\nA material model occurs twice in the material pattern."},
      {{{MAT_NLMM111, 1}, {MAT_NLMM171, 1}}, 1, 1, "The third flag of _NLMM171 is not available for solid elements."},
      {{{MAT_NLMM111, 1}, {MAT_NLMM175, 1}, {MAT_NLMM173, 1}}, 1, 2, "is not an admitted composition"},
      {{{MAT_LIN_ISO, 1}, {MAT_NLMM174, 1}}, 1, 2, "built on _LIN_ISO or _NLMM104"},
      {{{MAT_NLMM111, 1}, {MAT_NLMM174, 1}}, 2, 2, "which PATH_BEHAVIOR 2 does not keep."},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.message);
    Cube c(false);
    tw::AddRecord(c.job().model, "<NLMM111>", Crack(30000.0));
    tw::AddRecord(c.job().model, "<NLMM171>", Shrinkage(k.third));
    tw::AddRecord(c.job().model, "<NLMM173>", Maturity());
    tw::AddRecord(c.job().model, "<NLMM174>", Chain(kTwoUnits, 1.0, 28.0));
    tw::AddRecord(c.job().model, "<NLMM175>", tw::Rec().S("heat").Is({0, 1, 0, 1, 0, 0, 0}));
    tw::AddRecord(c.job().model, "<NLMM_PATTERNS>", Pattern(k.members));
    c.job().model.main.pathBehavior = k.pathBehavior;
    c.Stresses({-10.0}, {28.0});
    const ChildResult r = Run(c.job(), "refused");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("   -> Element property: 1\n   -> Material pattern: 1\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(k.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("## Combination number"), std::string::npos);
  }
}
