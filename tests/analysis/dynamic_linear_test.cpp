// Linear dynamic runs end to end: Truss2D oscillators and bars integrated in time by the
// built program, the result files read back and held to closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dynamic_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

using namespace dynmodel;

struct Solver {
  int storage, algorithm;
  const char* name;
};
constexpr Solver kGauss = {1, 1, "Gaussian elimination"};
constexpr Solver kJPCG = {2, 2, "conjugate gradient"};
constexpr Solver kSolvers[] = {kGauss, kJPCG};

struct Outcome {
  ChildResult run;
  resultfile::DisplReactFile dr;
  resultfile::LinearExecParams ep;
  size_t drBytes = 0, epBytes = 0;
};

class LinearDynamic : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }

  Outcome Run(Job j, const Solver& s) {
    j.model.main.storageTechnique = s.storage;
    j.model.main.linEqAlgorithm = s.algorithm;
    j.model.main.precondResidualDecay = 1e-14;
    tw::WriteDataFile(dir_ + "/job1", j.model);
    WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
    Outcome o;
    o.run = RunProgram(VOLDE_EXE, {"job1"}, dir_);
    o.dr = resultfile::ReadDisplReact(dir_ + "/job1_dr.bin", j.layout.nF, j.layout.nP, true);
    o.ep = resultfile::ReadLinearExecParams(dir_ + "/job1_ep.bin");
    o.drBytes = resultfile::ReadFileBytes(dir_ + "/job1_dr.bin").size();
    o.epBytes = resultfile::ReadFileBytes(dir_ + "/job1_ep.bin").size();
    return o;
  }

  // A run that ended in success with one record per step and its summary records.
  static void ExpectSound(const Outcome& o, const Solver& s, int nSteps) {
    ASSERT_EQ(o.run.status, 0) << o.run.err;
    EXPECT_EQ(o.run.err, "");
    EXPECT_EQ(o.dr.error, "");
    EXPECT_TRUE(o.dr.closed);
    EXPECT_EQ(o.ep.error, "");
    EXPECT_TRUE(o.ep.closed);
    ASSERT_EQ(o.dr.records.size(), static_cast<size_t>(nSteps));
    for (int c = 1; c <= nSteps; c++) EXPECT_EQ(o.dr.records[c - 1].id, c);
    EXPECT_EQ(o.ep.steps.size(), s.algorithm == 1 ? 0u : static_cast<size_t>(nSteps));
  }

  std::string ErrorOf(Job j, const Solver& s = kGauss) {
    Outcome o = Run(std::move(j), s);
    EXPECT_EQ(o.run.status, 1);
    return o.run.err;
  }

  std::string dir_;
};

// Velocities and accelerations of a record.
const std::vector<double>& VF(const resultfile::DisplReactRecord& r) { return r.dynF1; }
const std::vector<double>& VP(const resultfile::DisplReactRecord& r) { return r.dynP1; }
const std::vector<double>& AF(const resultfile::DisplReactRecord& r) { return r.dynF2; }
const std::vector<double>& AP(const resultfile::DisplReactRecord& r) { return r.dynP2; }

// In N, m, kg and in N, mm, t (L = 1e3): displacements, velocities and accelerations
// times L, the same reactions.
TEST_F(LinearDynamic, SdofFollowsTheNewmarkClosedFormAndKeepsItsEnergy) {
  for (const double L : {1.0, 1e3})
      for (const Solver& s : kSolvers) {
        SCOPED_TRACE(std::string(s.name) + (L == 1.0 ? ", N, m, kg" : ", N, mm, t"));
        Job j = Sdof(0.01, 100, 0.0, L);
        const Outcome o = Run(j, s);
        ExpectSound(o, s, 100);
        if (o.dr.records.size() != 100) continue;
        const int u = j.layout.Free(2, 2), r = j.layout.Presc(1, 2);
        const double th = NewmarkAngle(10.0, 0.01);
        for (int n = 1; n <= 100; n++) {
          const auto& rec = o.dr.records[n - 1];
          const double un = rec.free[u] / L, vn = VF(rec)[u] / L, an = AF(rec)[u] / L;
          EXPECT_NEAR(un, std::cos(n * th), 1e-10) << n;
          EXPECT_NEAR(an, -100.0 * un, 1e-8) << n;
          EXPECT_NEAR(0.5 * vn * vn + 50.0 * un * un, 50.0, 1e-12 * 50.0) << n;
          // Reaction of the support: MPF a + KPF u = 0.5 a - 100 u.
          EXPECT_NEAR(rec.react[r], -150.0 * un, 1e-8) << n;
        }
        EXPECT_NEAR(o.dr.records[99].free[u] / L, -0.8435691509, 1e-10);
        EXPECT_NEAR(o.dr.records[99].react[r], 126.5353726, 1e-6);
        // Record size 4 + 8(nF + 2 nP) + 16(nF + nP) after the opening tag.
        const size_t R = 4 + 8 * (1 + 2 * 3) + 16 * (1 + 3);
        EXPECT_EQ(o.drBytes, (4 + 29 + 1) + 100 * R + (4 + 30 + 1));
      }
  }

  TEST_F(LinearDynamic, ChangedStepDurationRebuildsTheEffectiveMatrixAndWritesOneSummary) {
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(s.name);
      Job j = Sdof(0.01, 50);
      AddSteps(j, 50, 0.02);
      const Outcome o = Run(j, s);
      ExpectSound(o, s, 100);
      if (o.dr.records.size() != 100) continue;
      const int u = j.layout.Free(2, 2);
      const double th1 = NewmarkAngle(10.0, 0.01), th2 = NewmarkAngle(10.0, 0.02);
      EXPECT_NEAR(o.dr.records[49].free[u], std::cos(50 * th1), 1e-10);
      EXPECT_NEAR(o.dr.records[99].free[u], std::cos(50 * th1 + 50 * th2), 1e-10);
      // One IterSummaryRecord (32 bytes) between the tags; the conjugate gradient adds a
      // StepSummaryRecord per step.
      const size_t steps = s.algorithm == 1 ? 0 : 100;
      EXPECT_EQ(o.epBytes, (4 + 22 + 1) + 32 + 32 * steps + (4 + 23 + 1));
    }
}

// In N, m, kg and in N, mm, t the same motion (times 1e3) to 1e-9.
TEST_F(LinearDynamic, RayleighDampedSdofDecaysAsTheExactSolution) {
  const double xi = 0.05, w = 10.0, wd = w * std::sqrt(1.0 - xi * xi);
  const double exact = std::exp(-xi * w) * (std::cos(wd) + xi / std::sqrt(1.0 - xi * xi) * std::sin(wd));
  EXPECT_NEAR(exact, -0.5292088, 1e-7);
  std::vector<double> metres;
  for (const double L : {1.0, 1e3}) {
    SCOPED_TRACE(L == 1.0 ? "N, m, kg" : "N, mm, t");
    Job j = Sdof(0.001, 1000, 1.0, L);
    const Outcome o = Run(j, kGauss);
    ExpectSound(o, kGauss, 1000);
    if (o.dr.records.size() != 1000) return;
    const int u = j.layout.Free(2, 2), r = j.layout.Presc(1, 2);
    EXPECT_NEAR(o.dr.records[999].free[u] / L, exact, 1e-4);
    std::vector<double> values;  // u / L and the reaction of every step
    for (const auto& rec : o.dr.records) {
      values.push_back(rec.free[u] / L);
      values.push_back(rec.react[r]);
    }
    if (L == 1.0) metres = values;
    else
      for (size_t i = 0; i < values.size(); i++) EXPECT_NEAR(values[i], metres[i], 1e-9 * (i % 2 ? 150.0 : 1.0)) << i;
  }
}

// The HHT equation of one SDOF step, solved in the test for u_{n+1}.
double HhtSdof(double alpha, double gamma, double beta, double k, double dt, int nSteps) {
  double u = 1.0, v = 0.0, a = -k;
  const double a0 = 1.0 / (beta * dt * dt), a2 = 1.0 / (beta * dt), a3 = 1.0 / (2.0 * beta) - 1.0;
  for (int n = 0; n < nSteps; n++) {
    // m a1 + (1 + alpha) k u1 - alpha k u = 0, a1 = a0 (u1 - u) - a2 v - a3 a.
    const double u1 = (a0 * u + a2 * v + a3 * a + alpha * k * u) / (a0 + (1.0 + alpha) * k);
    const double a1 = a0 * (u1 - u) - a2 * v - a3 * a;
    v = v + dt * ((1.0 - gamma) * a + gamma * a1);
    u = u1;
    a = a1;
  }
  return u;
}

TEST_F(LinearDynamic, HhtStepDampsTheHighFrequencies) {
  const double alpha = -0.1, gamma = 0.6, beta = 0.3025;
  EXPECT_NEAR(HhtSdof(alpha, gamma, beta, 100.0, 0.01, 100), -0.8446129760, 1e-9);
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job j = Sdof(0.01, 100);
    j.model.dynamic.alpha = alpha;
    j.model.dynamic.gamma = gamma;
    j.model.dynamic.beta = beta;
    const Outcome o = Run(j, s);
    ExpectSound(o, s, 100);
    if (o.dr.records.size() != 100) continue;
    const int u = j.layout.Free(2, 2);
    EXPECT_NEAR(o.dr.records[99].free[u], -0.8446129760, 1e-9);
    // The prescribed row of the alpha-weighted equation, from the initial state on
    // (u0 = 1, reaction 0.5 a0 - 100 u0 = -150):
    // (1 + alpha) R_{n+1} - alpha R_n = 0.5 a_{n+1} - 100 ((1 + alpha) u_{n+1} - alpha u_n).
    const int r = j.layout.Presc(1, 2);
    double uOld = 1.0, rOld = -150.0;
    for (const auto& rec : o.dr.records) {
      const double un = rec.free[u], rn = rec.react[r];
      EXPECT_NEAR((1 + alpha) * rn - alpha * rOld, 0.5 * AF(rec)[u] - 100.0 * ((1 + alpha) * un - alpha * uOld), 1e-8);
      uOld = un;
      rOld = rn;
    }
    for (const auto& rec : o.dr.records) {
      const double un = rec.free[u], vn = VF(rec)[u];
      EXPECT_LT(0.5 * vn * vn + 50.0 * un * un, 50.0);
    }
  }
  // A stiff oscillator (w dt = 1000): the alpha method removes it, Newmark keeps it.
  for (const double a : {alpha, 0.0}) {
    Job j = NewJob();
    const int p = AddOscillator(j, 0.0, 1e6);
    InitialCondition(j, p, 2, 1.0, 0.0, -1e6);
    j.model.loadCases.push_back(linmodel::LoadCase({}));
    AddSteps(j, 60, 1.0);
    j.model.dynamic.alpha = a;
    j.model.dynamic.gamma = a == 0.0 ? 0.5 : gamma;
    j.model.dynamic.beta = a == 0.0 ? 0.25 : beta;
    const Outcome o = Run(j, kGauss);
    ExpectSound(o, kGauss, 60);
    if (o.dr.records.size() != 60) continue;
    const double u60 = o.dr.records[59].free[j.layout.Free(p, 2)];
    if (a == 0.0)
      EXPECT_NEAR(u60, 0.9713381, 1e-6);
    else
      EXPECT_LT(std::fabs(u60), 1e-3);
  }
}

// In N, m, kg and in N, mm, t (L = 1e3, E / L^2, rho / L^4); the energies in N m.
TEST_F(LinearDynamic, BarEnergyGrowsByTheWorkOfTheLoad) {
  for (const double L : {1.0, 1e3})
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(std::string(s.name) + (L == 1.0 ? ", N, m, kg" : ", N, mm, t"));
      Job j = NewJob(L);
      const int mat = AddMaterial(j, 1.0 / (L * L), 1.0 / (L * L * L * L));
      const int n = 20;
      linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kPlaneMask, linmodel::kPlaneMask);
      for (int k = 1; k <= n; k++) {
        linmodel::AddPoint2D(j, k * L, 0.0, linmodel::kPlaneMask, "001000");
        AddBar(j, k, k + 1, mat);
      }
      j.model.loadCases.push_back(linmodel::LoadCase({tw::PointLoad(n + 1, {0, 1, 0, 0, 0, 0})}));
      AddSteps(j, 200, 0.01);
      const Outcome o = Run(j, s);
      ExpectSound(o, s, 200);
      if (o.dr.records.size() != 200) continue;
      // Free dof k (0-based) is x2 of point k + 2; element matrices M = [2 1; 1 2] / 6,
      // K = [1 -1; -1 1] in N, m, kg; point 1 is held.
      auto energy = [&](const std::vector<double>& u, const std::vector<double>& v) {
        auto at = [L](const std::vector<double>& x, int p) { return p == 1 ? 0.0 : x[static_cast<size_t>(p - 2)] / L; };
        double e = 0.0;
        for (int k = 1; k <= n; k++) {
          const double v1 = at(v, k), v2 = at(v, k + 1), u1 = at(u, k), u2 = at(u, k + 1);
          e += 0.5 * (2 * v1 * v1 + 2 * v1 * v2 + 2 * v2 * v2) / 6.0 + 0.5 * (u2 - u1) * (u2 - u1);
        }
        return e;
      };
      std::vector<double> u0(n, 0.0), v0(n, 0.0);
      double e0 = 0.0, eMax = 0.0;
      for (const auto& rec : o.dr.records) eMax = std::fmax(eMax, energy(rec.free, VF(rec)));
      ASSERT_GT(eMax, 0.0);
      for (int step = 1; step <= 200; step++) {
        const auto& rec = o.dr.records[step - 1];
        const double e1 = energy(rec.free, VF(rec));
        const double Fold = step == 1 ? 0.0 : 1.0;  // no load before the first step
        const double work = 0.5 * (Fold + 1.0) * (rec.free[n - 1] - u0[n - 1]) / L;
        EXPECT_NEAR(e1 - e0, work, 1e-10 * eMax) << step;
        e0 = e1;
        u0 = rec.free;
      }
    }
}

TEST_F(LinearDynamic, PrescribedJumpGivesFiniteDifferenceVelocityAndAcceleration) {
  const double d = 0.01, dt = 0.01;
  Job j = Sdof(dt, 0);
  // Load case 2 moves the support by d; load case 3 would stop the run if it were read
  // (a settlement of a free dof): its factor 1e-9 leaves it unread.
  j.model.loadCases.push_back(linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(1, 2, d)}));
  j.model.loadCases.push_back(linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(2, 2, 1.0)}));
  AddSteps(j, 2, dt, {{1, 1.0}, {3, 1e-9}});
  AddSteps(j, 3, dt, {{2, 1.0}, {3, -1e-9}});
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    const Outcome o = Run(j, s);
    ExpectSound(o, s, 5);
    if (o.dr.records.size() != 5) continue;
    const int p = j.layout.Presc(1, 2);
    EXPECT_EQ(o.dr.records[1].presc[p], 0.0);
    EXPECT_EQ(VP(o.dr.records[1])[p], 0.0);
    EXPECT_EQ(o.dr.records[2].presc[p], d);
    EXPECT_NEAR(VP(o.dr.records[2])[p], d / dt, 1e-12);
    EXPECT_NEAR(AP(o.dr.records[2])[p], d / (dt * dt), 1e-9);
    EXPECT_NEAR(VP(o.dr.records[3])[p], 0.0, 1e-12);
    EXPECT_NEAR(AP(o.dr.records[3])[p], -d / (dt * dt), 1e-9);
    EXPECT_NEAR(AP(o.dr.records[4])[p], 0.0, 1e-9);
    // The reaction closes the prescribed row: R = MPF a + MPP aP + KPF u + KPP uP.
    const int u = j.layout.Free(2, 2);
    for (const auto& rec : o.dr.records)
      EXPECT_NEAR(rec.react[p], 0.5 * AF(rec)[u] + AP(rec)[p] - 100.0 * rec.free[u] + 100.0 * rec.presc[p], 1e-8);
  }
}

TEST_F(LinearDynamic, TiedOscillatorsMoveTogetherAtTheCombinedFrequency) {
  Job j = NewJob();
  const int p1 = AddOscillator(j, 0.0, 100.0);
  const int p2 = AddOscillator(j, 2.0, 500.0);
  InitialCondition(j, p1, 2, 1.0, 0.0, -300.0);
  InitialCondition(j, p2, 2, 1.0, 0.0, -300.0);
  tw::ContactCase cc;
  cc.pointToPoint.push_back(tw::Rec().I(p1).I(p2).I(2).D(0.0));
  j.model.contactCases.push_back(cc);
  j.model.loadCases.push_back(linmodel::LoadCase({}));
  AddSteps(j, 40, 0.01, {{1, 1.0}}, {1});
  const Outcome o = Run(j, kGauss);
  ExpectSound(o, kGauss, 40);
  ASSERT_EQ(o.dr.records.size(), 40u);
  const double th = NewmarkAngle(std::sqrt(300.0), 0.01);
  for (int n = 1; n <= 40; n++) {
    const auto& rec = o.dr.records[n - 1];
    EXPECT_NEAR(rec.free[j.layout.Free(p1, 2)], std::cos(n * th), 1e-10) << n;
    EXPECT_NEAR(rec.free[j.layout.Free(p2, 2)], std::cos(n * th), 1e-10) << n;
  }
  EXPECT_NEAR(o.dr.records[39].free[j.layout.Free(p2, 2)], 0.8093363882, 1e-10);
  // The conjugate-gradient driver refuses contact cases.
  const std::string err = ErrorOf(j, kJPCG);
  EXPECT_NE(err.find("Contact cases of the dynamic analysis need the Gaussian elimination."), std::string::npos)
      << err;
}

TEST_F(LinearDynamic, TieToAPrescribedPointFollowsItsMotionPlusTheGap) {
  const double g = 0.05;
  Job j = NewJob();
  const int p = AddOscillator(j, 0.0, 100.0);
  tw::ContactCase cc;
  cc.pointToPoint.push_back(tw::Rec().I(1).I(p).I(2).D(g));
  j.model.contactCases.push_back(cc);
  j.model.loadCases.push_back(linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(1, 2, 0.01)}));
  for (int s = 1; s <= 6; s++) AddSteps(j, 1, 0.01, {{1, 0.5 * s}}, {1});
  const Outcome o = Run(j, kGauss);
  ExpectSound(o, kGauss, 6);
  ASSERT_EQ(o.dr.records.size(), 6u);
  for (int s = 1; s <= 6; s++) {
    const auto& rec = o.dr.records[s - 1];
    EXPECT_NEAR(rec.presc[j.layout.Presc(1, 2)], 0.005 * s, 1e-15);
    EXPECT_NEAR(rec.free[j.layout.Free(p, 2)], 0.005 * s + g, 1e-12) << s;
  }
}

TEST_F(LinearDynamic, RefusesUnsoundTimeIntegrationAndInitialConditions) {
  {
    Job j = Sdof(0.01, 3);
    j.model.dynamic.beta = 0.0;
    const std::string err = ErrorOf(j);
    EXPECT_NE(err.find("The parameter BETA of the time integration must be positive."), std::string::npos) << err;
  }
  {
    Job j = Sdof(0.01, 3);
    j.model.combinations[1].duration = 0.0;
    const std::string err = ErrorOf(j, kJPCG);
    EXPECT_NE(err.find("   -> Combination: 2\n"), std::string::npos) << err;
    EXPECT_NE(err.find("The step duration of a combination of the dynamic analysis\nmust be positive."),
              std::string::npos)
        << err;
  }
  {
    Job j = Sdof(0.01, 3);
    InitialCondition(j, 3, 2, 1.0, 0.0, 0.0);
    const std::string err = ErrorOf(j);
    EXPECT_NE(err.find("Invalid point number: 3 (valid: 1 to 2)."), std::string::npos) << err;
  }
  {
    Job j = Sdof(0.01, 3);
    InitialCondition(j, 2, 7, 1.0, 0.0, 0.0);
    const std::string err = ErrorOf(j);
    EXPECT_NE(err.find("Invalid degree of freedom: 7 (valid: 1 to 6)."), std::string::npos) << err;
  }
  {
    Job j = Sdof(0.01, 3);
    InitialCondition(j, 2, 2, 0.0, 0.0, 0.0);
    const std::string err = ErrorOf(j);
    EXPECT_NE(err.find("A degree of freedom has more than one record in\nthe block <DYNAMIC_INITIAL_CONDITIONS>."),
              std::string::npos)
        << err;
  }
  {
    Job j = Sdof(0.01, 3);
    InitialCondition(j, 1, 2, 1.0, 0.0, 0.0);
    const std::string err = ErrorOf(j);
    EXPECT_NE(err.find("Dynamic initial conditions of prescribed degrees of freedom"), std::string::npos) << err;
  }
}

}  // namespace
