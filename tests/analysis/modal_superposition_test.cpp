// Modal superposition runs end to end: each job first runs its modal analysis, then the
// superposition of the selected modes; the records are held to closed forms and to the
// direct dynamic run of the same model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "dynamic_models.h"
#include "linear_model.h"
#include "model/params.h"
#include "support/datafile_writer.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace {

using namespace dynmodel;
namespace tw = testmodel;
using linmodel::Job;

enum Integrator { kNewmark = 2, kDuhamel = 3 };
enum Procedure { kNormal = 1, kScm = 2, kMam = 3 };

struct Outcome {
  ChildResult run;
  resultfile::DisplReactFile dr;
};

const std::vector<double>& VF(const resultfile::DisplReactRecord& r) { return r.dynF1; }
const std::vector<double>& AF(const resultfile::DisplReactRecord& r) { return r.dynF2; }

// Superposition options: integrator, procedure, default damping ratio (or the global
// Rayleigh factors when it is not given).
void Options(Job& j, int integrator, int procedure, double ratio, double a0 = kValueNotGiven,
             double a1 = kValueNotGiven) {
  j.model.dynamic.timeSteppingMethod = integrator;
  j.model.dynamic.modalSuperpositionProcedure = procedure;
  j.model.dynamic.defaultModalDampingRatio = ratio;
  j.model.dynamic.rayleighA0 = a0;
  j.model.dynamic.rayleighA1 = a1;
}

// Fixed-free bar of n Truss2D elements along x2 over L = 1 (E = rho = A = 1, no Rayleigh
// damping of its own unless given); free dof k is x2 of point k + 1.
Job Bar(int n, double a0 = 0.0, double a1 = 0.0) {
  Job j = NewJob();
  const int mat = AddMaterial(j, 1.0, 1.0, a0, a1);
  linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kPlaneMask, linmodel::kPlaneMask);
  for (int k = 1; k <= n; k++) {
    linmodel::AddPoint2D(j, static_cast<double>(k) / n, 0.0, linmodel::kPlaneMask, "001000");
    AddBar(j, k, k + 1, mat);
  }
  return j;
}

class ModalSuperposition : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }

  ChildResult Write(Job& j, int type) {
    j.model.main.analysisType = type;
    j.model.main.storageTechnique = 1;
    j.model.main.linEqAlgorithm = 1;
    tw::WriteDataFile(dir_ + "/job1", j.model);
    WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
    return RunProgram(VOLDE_EXE, {"job1"}, dir_);
  }
  // The modal analysis of the job: its lowest nModes modes.
  void Modes(Job j, int nModes) {
    tw::AddRecord(j.model, "<FREQUENCY_RANGES>", tw::Rec().D(0.0).I(nModes).D(0.0).D(0.0));
    const ChildResult r = Write(j, 3);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  Outcome Run(Job j, int type = 4) {
    Outcome o;
    o.run = Write(j, type);
    o.dr = resultfile::ReadDisplReact(dir_ + "/job1_dr.bin", j.layout.nF, j.layout.nP, true);
    return o;
  }
  // A superposition that succeeded with one record per step.
  Outcome RunSound(const Job& j, int type = 4) {
    Outcome o = Run(j, type);
    EXPECT_EQ(o.run.status, 0) << o.run.err;
    EXPECT_EQ(o.dr.error, "");
    EXPECT_TRUE(o.dr.closed);
    EXPECT_EQ(o.dr.records.size(), j.model.combinations.size());
    return o;
  }

  std::string dir_;
};

constexpr const char* kRatioWarning =
    "\nWARNING:\nDamping properties defined by damping ratios:\nThe damping matrix is ignored in the calculation of "
    "reactions.\n";

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
  return n;
}

}  // namespace

// The undamped oscillator by Newmark's rule turns as the direct run does; the files carry
// the dynamic records and the execution parameters only their two tags.
TEST_F(ModalSuperposition, UndampedOscillatorByNewmarkAsTheDirectRun) {
  Job j = Sdof(0.01, 100);
  Modes(j, 1);
  Options(j, kNewmark, kNormal, 0.0);
  const Outcome o = RunSound(j);
  ASSERT_EQ(o.dr.records.size(), 100u);
  EXPECT_EQ(Count(o.run.err, kRatioWarning), 1u) << o.run.err;
  const int u = j.layout.Free(2, 2), r = j.layout.Presc(1, 2);
  const double th = NewmarkAngle(10.0, 0.01);
  for (int n = 1; n <= 100; n++) {
    const auto& rec = o.dr.records[n - 1];
    EXPECT_EQ(rec.id, n);
    EXPECT_NEAR(rec.free[u], std::cos(n * th), 1e-10) << n;
    EXPECT_NEAR(AF(rec)[u], -100.0 * rec.free[u], 1e-8) << n;
    EXPECT_NEAR(rec.react[r], -150.0 * rec.free[u], 1e-8) << n;
  }
  EXPECT_NEAR(o.dr.records[99].free[u], -0.8435691509, 1e-10);
  EXPECT_EQ(resultfile::ReadFileBytes(dir_ + "/job1_ep.bin"),
            resultfile::TagsOnlyBytes({"<EXECUTION_PARAMETERS>", "</EXECUTION_PARAMETERS>"}));
}

// With every mode and C = A0 M + A1 K, Newmark's rule commutes with the modal basis: the
// superposition is the direct run, under each recovery procedure, also while the support
// moves (its inertia and damping loads enter the modes, not the static part).
TEST_F(ModalSuperposition, FullBasisEqualsTheDirectRun) {
  const int n = 20;
  Job j = Bar(n, 0.5, 0.001);
  j.model.loadCases.push_back(linmodel::LoadCase({tw::PointLoad(n + 1, {0, 1, 0, 0, 0, 0})}));
  j.model.loadCases.push_back(linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(1, 2, 0.01)}));
  for (int k = 2; k <= n + 1; k++) InitialCondition(j, k, 2, 0.01 * (k - 1), 0.0, 0.0);
  for (int s = 1; s <= 100; s++) AddSteps(j, 1, s % 3 == 0 ? 0.02 : 0.01, {{1, 1.0}, {2, std::sin(0.2 * s)}});
  Modes(j, n);
  const Outcome direct = RunSound(j, 2);
  ASSERT_EQ(direct.dr.records.size(), 100u);
  for (int procedure : {kNormal, kScm, kMam}) {
    SCOPED_TRACE(procedure);
    Options(j, kNewmark, procedure, kValueNotGiven, 0.5, 0.001);
    const Outcome o = RunSound(j);
    ASSERT_EQ(o.dr.records.size(), 100u);
    EXPECT_EQ(o.run.err, "");
    const double tol = procedure == kNormal ? 1e-8 : 1e-9;
    for (int s = 0; s < 100; s++) {
      const auto& a = o.dr.records[s];
      const auto& b = direct.dr.records[s];
      for (int i = 0; i < n; i++) {
        EXPECT_NEAR(a.free[i], b.free[i], tol) << s << " " << i;
        EXPECT_NEAR(VF(a)[i], VF(b)[i], 1e-8) << s << " " << i;
        EXPECT_NEAR(AF(a)[i], AF(b)[i], 1e-8) << s << " " << i;
      }
      for (size_t i = 0; i < a.react.size(); i++) EXPECT_NEAR(a.react[i], b.react[i], 1e-8) << s << " " << i;
    }
  }
}

// Free damped vibration by the Duhamel integral: only the exact free part remains. Rayleigh
// damping of the same ratio gives the same motion, and then its force in the reactions.
TEST_F(ModalSuperposition, DuhamelFreeVibrationIsExact) {
  const double xi = 0.05, w = 10.0, wd = w * std::sqrt(1.0 - xi * xi);
  auto exact = [&](double t) {
    return std::exp(-xi * w * t) * (std::cos(wd * t) + xi / std::sqrt(1.0 - xi * xi) * std::sin(wd * t));
  };
  EXPECT_NEAR(exact(1.0), -0.5292088189, 1e-10);
  Job j = Sdof(0.01, 100);
  Modes(j, 1);
  const int u = j.layout.Free(2, 2), r = j.layout.Presc(1, 2);
  for (const bool rayleigh : {false, true}) {
    SCOPED_TRACE(rayleigh ? "Rayleigh factors" : "damping ratio");
    if (rayleigh)
      Options(j, kDuhamel, kNormal, kValueNotGiven, 1.0, 0.0);
    else
      Options(j, kDuhamel, kNormal, xi);
    const Outcome o = RunSound(j);
    ASSERT_EQ(o.dr.records.size(), 100u);
    EXPECT_EQ(Count(o.run.err, kRatioWarning), rayleigh ? 0u : 1u);
    for (int n = 1; n <= 100; n++) {
      const auto& rec = o.dr.records[n - 1];
      EXPECT_NEAR(rec.free[u], exact(0.01 * n), 1e-10) << n;
      // Reaction of the support: MPF a + CPF v + KPF u, CPF = A0 MPF = 0.5 with Rayleigh
      // damping, none with damping ratios.
      const double damping = rayleigh ? 0.5 * VF(rec)[u] : 0.0;
      EXPECT_NEAR(rec.react[r], 0.5 * AF(rec)[u] + damping - 100.0 * rec.free[u], 1e-9) << n;
      EXPECT_NEAR(AF(rec)[u], -2.0 * xi * w * VF(rec)[u] - w * w * rec.free[u], 1e-9) << n;
    }
    EXPECT_NEAR(o.dr.records[99].free[u], -0.5292088189, 1e-10);
  }
}

// A load applied at the first step rises over it: the trapezoidal Duhamel sum follows the
// exact response to that ramp, also with alternating step lengths.
TEST_F(ModalSuperposition, DuhamelStepLoadFollowsTheRamp) {
  const double w = 10.0, F = 2.0, dt = 0.01;
  auto ramp = [&](double t) {
    return F / (w * w) * (1.0 - (std::sin(w * t) - std::sin(w * (t - dt))) / (w * dt));
  };
  for (const bool alternating : {false, true}) {
    SCOPED_TRACE(alternating ? "alternating steps" : "equal steps");
    Job j = NewJob();
    const int p = AddOscillator(j, 0.0, 100.0);
    j.model.loadCases.push_back(linmodel::LoadCase({tw::PointLoad(p, {0, F, 0, 0, 0, 0})}));
    AddSteps(j, 1, dt);
    double t = dt;
    std::vector<double> times{t};
    for (int s = 2; t < 1.0 - 1e-12; s++) {
      const double h = alternating && s % 2 == 1 ? 0.02 : 0.01;
      AddSteps(j, 1, h);
      t += h;
      times.push_back(t);
    }
    Modes(j, 1);
    Options(j, kDuhamel, kNormal, 0.0);
    const Outcome o = RunSound(j);
    ASSERT_EQ(o.dr.records.size(), times.size());
    const double bound = (alternating ? 0.004 : 0.002) * F / (w * w);
    double worst = 0.0;
    for (size_t s = 0; s < times.size(); s++) {
      const double e = std::fabs(o.dr.records[s].free[j.layout.Free(p, 2)] - ramp(times[s]));
      EXPECT_LE(e, bound) << times[s];
      worst = std::fmax(worst, e);
    }
    EXPECT_GT(worst, 0.0);
  }
}

// One mode of the bar under a slowly raised tip load: the plain sum gives the static
// participation of that mode, the static correction and the mode acceleration the whole
// static displacement FL/EA.
TEST_F(ModalSuperposition, TruncatedBasisNeedsTheStaticCorrection) {
  const int n = 20;
  Job j = Bar(n);
  j.model.loadCases.push_back(linmodel::LoadCase({tw::PointLoad(n + 1, {0, 1, 0, 0, 0, 0})}));
  for (int s = 1; s <= 200; s++) AddSteps(j, 1, 1.0, {{1, s <= 100 ? s / 100.0 : 1.0}});
  Modes(j, 1);
  const struct {
    int procedure;
    double tip, tol;
  } cases[] = {{kNormal, 0.8109862643, 1e-4}, {kScm, 1.0, 1e-3}, {kMam, 1.0, 1e-3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.procedure);
    Options(j, kNewmark, c.procedure, 0.05);
    const Outcome o = RunSound(j);
    ASSERT_EQ(o.dr.records.size(), 200u);
    EXPECT_NEAR(o.dr.records[199].free[n - 1], c.tip, c.tol);
    // With the whole static response the reaction balances the load at rest.
    if (c.procedure != kNormal) {
      EXPECT_NEAR(o.dr.records[199].react[j.layout.Presc(1, 2)], -1.0, 1e-3);
    }
  }
}

// What the driver refuses, each with its words.
TEST_F(ModalSuperposition, Refusals) {
  struct Case {
    const char* name;
    bool modes;
    void (*edit)(Job&);
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"no mode files",
       false,
       [](Job&) {},
       {"Files job1_vm.dat and job1_vm.bin not found.\nRun modal analysis first."}},
      {"mode files of another model", true,
       [](Job& j) {
         j.model.blocks["<LINEAR_ISOTROPIC_MATERIALS>"][0] = tw::LinIsoMaterial("bar", 3.0, 0.0, 200.0, 0.3);
       },
       {"not in repect with the problem.\nRun modal analysis first."}},
      {"damping record of no mode", true,
       [](Job& j) { tw::AddRecord(j.model, "<MODAL_DAMPING_RATIOS>", tw::Rec().I(2).D(0.1)); },
       {"   -> Block name: <MODAL_DAMPING_RATIOS>\n   -> Record: 1\n   -> Mode: 2\n",
        "A modal damping ratio names a vibration mode that was not selected:\nthe modes run from 1 to 1."}},
      {"ratio 1 with Duhamel", true, [](Job& j) { Options(j, kDuhamel, kNormal, 1.0); },
       {"   -> Mode: 1\n   -> Square angular frequency: 100\n   -> Damping ratio: 1\n",
        "The Duhamel integral needs in every mode a positive square angular\n"
        "frequency and a damping ratio not below 0 and below 1."}},
      {"alpha method", true, [](Job& j) { j.model.dynamic.timeSteppingMethod = 1; },
       {"   -> TIME_STEPPING_METHOD: 1\n", "or _DUHAMEL (TIME_STEPPING_METHOD)."}},
      {"procedure 4", true, [](Job& j) { j.model.dynamic.modalSuperpositionProcedure = 4; },
       {"MODAL_SUPERPOSITION_PROCEDURE must be _NORMAL, _SCM or _MAM."}},
      {"no damping", true, [](Job& j) { Options(j, kNewmark, kNormal, kValueNotGiven, 0.5, kValueNotGiven); },
       {"The modal damping needs DEFAULT_MODAL_DAMPING_RATIO or both\n"}},
      {"zero step duration", true, [](Job& j) { j.model.combinations[2].duration = 0.0; },
       {"   -> Combination: 3\n", "The step duration of a combination of the dynamic analysis\nmust be positive."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveDirectory(dir_);
    dir_ = MakeScratchDirectory();
    Job j = Sdof(0.01, 5);
    if (c.modes) Modes(j, 1);
    Options(j, kNewmark, kNormal, 0.0);
    c.edit(j);
    const Outcome o = Run(j);
    EXPECT_EQ(o.run.status, 1);
    for (const std::string& w : c.words) EXPECT_NE(o.run.err.find(w), std::string::npos) << o.run.err;
    EXPECT_EQ(o.run.err.find("INTERNAL ERROR"), std::string::npos) << o.run.err;
    EXPECT_TRUE(o.dr.records.empty());
  }
}

// The mode file carries its checksum in the restart-state file of the modal analysis: a
// damaged byte (the lowest of the mode's frequency) or a missing checksum stops the
// superposition naming the file; a modal analysis that finds them warns in the same words
// and writes new files, which the superposition then takes.
TEST_F(ModalSuperposition, DamagedModeFileIsRefused) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> damage;
    const char* words;
  };
  const Case cases[] = {
      {"damaged byte",
       [](const std::string& dir) {
         std::vector<uint8_t> b = resultfile::ReadFileBytes(dir + "/job1_vm.bin");
         // The one mode of one free dof ends the file: frequency, two errors, the entry.
         b[b.size() - 32] ^= 0x01;
         tw::WriteBytes(dir + "/job1_vm.bin", b);
       },
       "File job1_vm.bin cannot be used:\nIt fails its checksum: it is damaged or was changed after the modal\n"
       "analysis wrote it.\n"},
      {"no checksum", [](const std::string& dir) { std::remove((dir + "/job1_rs.bin").c_str()); },
       "File job1_vm.bin cannot be used:\nIt has no checksum: the restart-state file of its run is missing.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveDirectory(dir_);
    dir_ = MakeScratchDirectory();
    Job j = Sdof(0.01, 5);
    Modes(j, 1);
    Options(j, kNewmark, kNormal, 0.0);
    c.damage(dir_);
    const Outcome o = Run(j);
    EXPECT_EQ(o.run.status, 1);
    EXPECT_NE(o.run.err.find(std::string("\nERROR:\n") + c.words + "Run modal analysis first."), std::string::npos)
        << o.run.err;
    EXPECT_TRUE(o.dr.records.empty());
    // A modal analysis does not take them (still as damaged): it warns and writes new files.
    Job again = j;
    tw::AddRecord(again.model, "<FREQUENCY_RANGES>", tw::Rec().D(0.0).I(1).D(0.0).D(0.0));
    const ChildResult r = Write(again, 3);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(std::string("\nWARNING:\n") + c.words + "Creating new files"), std::string::npos) << r.err;
    RunSound(j);
  }
}
