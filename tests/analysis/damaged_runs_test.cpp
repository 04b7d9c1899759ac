// Damaged models of the nonlinear, thermal, dynamic and modal drivers, run through the
// program: one field at a time of a small valid model of each driver (records, codes,
// counts, law parameters, controls, combinations) is spoilt. Every run must end in
// "### Success ###" with finite results or in a worded error: never in a signal, a
// sanitizer report, a hang or the internal error.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "crack_bars.h"
#include "damage_set.h"
#include "dynamic_models.h"
#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "modal/modal_fixture.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"
#include "thermal_bar.h"

namespace tw = testmodel;
using damage::Damage;

namespace {

using Edit = std::function<void(tw::Model&)>;

// Named changes of the option blocks.
void Add(std::vector<Damage>& out, const std::string& what, Edit e) { out.push_back({what, std::move(e)}); }

// The Newton-Raphson controls every nonlinear driver reads.
void IterationDamages(std::vector<Damage>& out) {
  for (int32_t v : {0, -1, 6, INT32_MIN}) {
    Add(out, "ITERATIVE_ALGORITHM " + std::to_string(v), [v](tw::Model& m) { m.main.iterativeAlgorithm = v; });
    Add(out, "PATH_BEHAVIOR " + std::to_string(v), [v](tw::Model& m) { m.main.pathBehavior = v; });
    Add(out, "CONVERGENCE_CRITERION " + std::to_string(v), [v](tw::Model& m) { m.main.convergenceCriterion = v; });
    Add(out, "NUMBER_OF_PHASES " + std::to_string(v), [v](tw::Model& m) { m.main.nPhases = v; });
  }
  for (int32_t v : {0, -1})
    Add(out, "MAXIMUM_NUMBER_OF_ITERATIONS " + std::to_string(v), [v](tw::Model& m) { m.main.maxIterations = v; });
  for (double v : {0.0, -1e-4, double(NAN)})
    Add(out, "TOLERANCE " + std::to_string(v), [v](tw::Model& m) { m.main.tolerance = v; });
  for (int32_t v : {-1, 1, 99})
    Add(out, "restart after " + std::to_string(v), [v](tw::Model& m) { m.main.nCombBeforeRestart = v; });
  Add(out, "NUMBER_OF_PHASES 2^31-1", [](tw::Model& m) { m.main.nPhases = INT32_MAX; });
  Add(out, "unbalanced forces flag 2", [](tw::Model& m) { m.main.addUnbalancedForces = 2; });
  Add(out, "geometric flag", [](tw::Model& m) { m.main.geomNonlinear = 1; });
  Add(out, "geometric, kinematic description 0", [](tw::Model& m) {
    m.main.geomNonlinear = 1;
    m.main.kinematicDescription = 0;
  });
  for (int32_t v : {-1, 0, INT32_MAX})
    Add(out, "NUMBER_OF_LOAD_CASES " + std::to_string(v), [v](tw::Model& m) {
      m.autoCounts = false;
      m.main.nLoadCases = v;
      m.main.nCombinations = static_cast<int32_t>(m.combinations.size());
      m.main.nContactCases = static_cast<int32_t>(m.contactCases.size());
    });
}

void StaticDamages(std::vector<Damage>& out) {
  for (int v : {2, 17, 255})
    Add(out, "ARC_LENGTH " + std::to_string(v), [v](tw::Model& m) { m.main.arcLength = static_cast<int8_t>(v); });
  for (int32_t v : {-1, 0})
    Add(out, "arc length, at most " + std::to_string(v) + " combinations", [v](tw::Model& m) {
      m.main.arcLength = 1;
      m.main.maxArcLengthCombinations = v;
    });
  Add(out, "arc length, radius factor 0", [](tw::Model& m) {
    m.main.arcLength = 1;
    m.main.maxArcLengthCombinations = 2;
    m.arcLength.radiusFactor = 0.0;
  });
}

void ThermalDamages(std::vector<Damage>& out) {
  for (int32_t v : {0, -1, 6, 99})
    Add(out, "thermal time-stepping method " + std::to_string(v),
        [v](tw::Model& m) { m.main.thermalSteppingMethod = v; });
  for (double v : {-0.5, 1.5, double(NAN)})
    Add(out, "thermal theta " + std::to_string(v), [v](tw::Model& m) { m.main.thermalTheta = v; });
}

void DynamicDamages(std::vector<Damage>& out) {
  for (int32_t v : {0, -1, 3, 4, 99})
    Add(out, "TIME_STEPPING_METHOD " + std::to_string(v), [v](tw::Model& m) { m.dynamic.timeSteppingMethod = v; });
  for (double v : {-0.1, 0.4, 1e300})
    Add(out, "GAMMA " + std::to_string(v), [v](tw::Model& m) { m.dynamic.gamma = v; });
  for (double v : {0.0, -0.25, 1e-300})
    Add(out, "BETA " + std::to_string(v), [v](tw::Model& m) { m.dynamic.beta = v; });
  for (double v : {-0.5, 0.5})
    Add(out, "ALPHA " + std::to_string(v), [v](tw::Model& m) { m.dynamic.alpha = v; });
  for (double v : {-1.5, -1e-3})
    Add(out, "DEFAULT_MODAL_DAMPING_RATIO " + std::to_string(v),
        [v](tw::Model& m) { m.dynamic.defaultModalDampingRatio = v; });
  Add(out, "negative modal damping ratio",
      [](tw::Model& m) { tw::AddRecord(m, "<MODAL_DAMPING_RATIOS>", tw::Rec().I(1).D(-0.2)); });
  Add(out, "negative Rayleigh factor", [](tw::Model& m) { m.dynamic.rayleighA1 = -0.01; });
}

void ModalDamages(std::vector<Damage>& out) {
  for (int32_t v : {0, 3, -1})
    Add(out, "TYPE_OF_VIBRATION_MODES " + std::to_string(v), [v](tw::Model& m) { m.dynamic.vibrationModeType = v; });
  Add(out, "frequency range of -1 modes", [](tw::Model& m) { AddRange(m, 0.0, -1); });
}

// A model of one driver, the changes of its options, and what its runs leave.
struct Family {
  const char* name;
  std::function<tw::Model()> build;
  std::function<void(std::vector<Damage>&)> options;
  damage::Expect expect;
};

// Plane-stress and solid bars of smeared-crack concrete (with or without compressive
// plasticity) pulled in two steps.
tw::Model Pulled(tw::Model m) {
  m.main.maxIterations = 30;
  m.main.tolerance = 1e-6;
  return m;
}
tw::Model PlaneCrackBar(int code) { return Pulled(crackbars::PlaneBar(code, 1, 1, 3.0, 1, {0.005, 0.02}).job.model); }
tw::Model SolidCrackBar(int code) { return Pulled(crackbars::Bar(code, 1, 3.0, 1, {0.005, 0.02}).lj.job.model); }

// The cable hanger of yielding _NLMM201 steel under a growing joint load.
tw::Model SteelCables() {
  tw::Model m = linmodel::CableHanger2D(1e4).model;
  tw::AddRecord(m, "<NLMM201>", tw::Rec().S("steel").Ds({7.85, 1e-5, 0.0015, 300, 0.0015, 300, 0.5, 300, 1}));
  m.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 2, _CABLE_2D, MAT_NLMM201, 1, GEOM_CS_AREA, 1)};
  m.loadCases = {linmodel::LoadCase({tw::PointLoad(3, {0, 0, -5, 0, 0, 0})})};
  nonlinrun::Factors(m, {0.5, 1.0});
  nonlinrun::Iterate(m.main, 1e-8, 30);
  return m;
}

// The held thermal bar, nonlinear runs iterating on the force norm.
tw::Model ThermalBarModel(bool nonlinear) {
  tw::Model model = HeldThermalBar({2.4, 1.5, 0.9});
  tw::MainParams& m = model.main;
  m.materNonlinear = nonlinear ? 1 : 0;
  m.convergenceCriterion = 2;
  m.tolerance = 1e-8;
  m.maxIterations = 10;
  m.precondResidualDecay = 1e-14;
  return model;
}

tw::Model Oscillator() {
  linmodel::Job j = dynmodel::Sdof(0.01, 4);
  return j.model;
}

tw::Model ModalCantilever() {
  tw::Model m;
  ModalParameters(m, 1, 1);
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("m", 1.0, 0.0, 1e6, 0.25));
  tw::AddRecord(m, "<FRAME_2D_CROSS_SECTIONS>", tw::Frame2DSection("f2", {1.0, 0.0, 1e-6, 0.1}));
  for (int k = 0; k <= 4; k++) tw::AddPoint(m, 0, 0.25 * k, 0);
  for (int k = 1; k <= 4; k++) tw::AddElement(m, {k, k + 1});
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 4, _FRAME_2D, MAT_LIN_ISO, 1, GEOM_CS_2D, 1));
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(1, "011100"));
  AddRange(m, 0.0, 2);
  m.loadCases = {linmodel::LoadCase({tw::PointLoad(5, {0, 0, -1, 0, 0, 0})})};
  return m;
}

// The modal superposition of the cantilever's two modes under its tip load.
tw::Model Superposition() {
  tw::Model m = ModalCantilever();
  m.main.analysisType = 4;
  m.dynamic.timeSteppingMethod = 2;
  m.dynamic.modalSuperpositionProcedure = 1;
  m.dynamic.defaultModalDampingRatio = 0.05;
  for (int s = 0; s < 3; s++) {
    tw::Combination c;
    c.duration = 0.01;
    c.factors = {{1, 1.0}};
    m.combinations.push_back(c);
  }
  return m;
}

void NonlinearStatic(std::vector<Damage>& out) {
  IterationDamages(out);
  StaticDamages(out);
}

// The geometric runs of cables are another part's: the flag is left as it is.
void NonlinearCables(std::vector<Damage>& out) {
  NonlinearStatic(out);
  std::erase_if(out, [](const Damage& d) { return d.what.rfind("geometric", 0) == 0; });
}

void NonlinearThermal(std::vector<Damage>& out) {
  IterationDamages(out);
  ThermalDamages(out);
}

// The superposition reads the modes of the cantilever's modal analysis.
void RunModes(const std::string& dir) {
  tw::WriteDataFile(dir + "/job1", ModalCantilever());
  WriteTextFile(dir + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  const ChildResult r = RunProgram(VOLDE_EXE, {"job1"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
}

const damage::Expect kMechanical{}, kThermal{"_tq.bin", true, {}}, kModes{"", false, {}},
    kSuperposed{"_dr.bin", false, RunModes};

const Family kFamilies[] = {
    {"nonlinear plane crack bar", [] { return PlaneCrackBar(MAT_NLMM101); }, NonlinearStatic, kMechanical},
    {"nonlinear solid crack bar", [] { return SolidCrackBar(MAT_NLMM102); }, NonlinearStatic, kMechanical},
    {"nonlinear plastic plane crack bar", [] { return PlaneCrackBar(MAT_NLMM142); }, NonlinearStatic, kMechanical},
    {"nonlinear plastic solid crack bar", [] { return SolidCrackBar(MAT_NLMM151); }, NonlinearStatic, kMechanical},
    {"nonlinear steel cables", SteelCables, NonlinearCables, kMechanical},
    {"linear thermal transient bar", [] { return ThermalBarModel(false); }, ThermalDamages, kThermal},
    {"nonlinear thermal transient bar", [] { return ThermalBarModel(true); }, NonlinearThermal, kThermal},
    {"dynamic oscillator", Oscillator, DynamicDamages, kMechanical},
    {"modal cantilever", ModalCantilever, ModalDamages, kModes},
    {"modal superposition", Superposition, DynamicDamages, kSuperposed},
};

}  // namespace

class DamagedRuns : public testing::TestWithParam<int> {};

TEST_P(DamagedRuns, EndInSuccessWithFiniteResultsOrInAWordedError) {
  const Family& f = kFamilies[GetParam()];
  const tw::Model base = f.build();
  std::vector<Damage> damages = damage::FieldDamages(base);
  if (!base.combinations.empty())
    for (Damage& d : damage::CombinationDamages(base)) damages.push_back(std::move(d));
  f.options(damages);
  EXPECT_GT(damage::RunDamages(f.name, base, damages, f.expect), 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, DamagedRuns, testing::Range(0, static_cast<int>(std::size(kFamilies))));

// The files a restart reads, damaged one at a time (a flipped byte, a cut end) or taken
// from another job: each restart ends in "### Success ###" with finite results or in a
// worded error.
TEST(DamagedRestartFiles, EndInSuccessWithFiniteResultsOrInAWordedError) {
  tw::Model m = PlaneCrackBar(MAT_NLMM101);
  nonlinrun::Factors(m, {0.005, 0.01, 0.02});
  const std::string dir = MakeScratchDirectory();
  tw::WriteDataFile(dir + "/job1", m);
  WriteTextFile(dir + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  const ChildResult fresh = RunProgram(VOLDE_EXE, {"job1"}, dir);
  ASSERT_EQ(fresh.status, 0) << fresh.err;
  m.main.nCombBeforeRestart = 2;
  tw::WriteDataFile(dir + "/job1", m);
  const ChildLeakCheckOff leaks;
  const damage::Expect e;
  const char* const suffixes[] = {"_dr.bin", "_if.bin", "_ep.bin", "_NLMM101_HD.bin", "_lcc.aux"};
  std::map<std::string, std::vector<uint8_t>> sound;
  for (const char* s : suffixes) {
    sound[s] = resultfile::ReadFileBytes(dir + "/job1" + s);
    ASSERT_FALSE(sound[s].empty()) << s;
  }
  for (const char* suffix : suffixes) {
    const std::string path = dir + "/job1" + suffix;
    const std::vector<uint8_t>& good = sound[suffix];
    for (int k = 0; k <= 8; k++) {
      std::vector<uint8_t> bad = good;
      std::string what;
      if (k == 8) {
        bad.resize(bad.size() > 9 ? bad.size() - 9 : 0);
        what = "cut short";
      } else {
        const size_t at = (bad.size() - 1) * static_cast<size_t>(k) / 7;
        bad[at] ^= 0x5a;
        what = "byte " + std::to_string(at) + " flipped";
      }
      testmodel::WriteBytes(path, bad);
      const ChildResult r = RunProgram("/usr/bin/timeout", {"60", VOLDE_EXE, "job1"}, dir);
      EXPECT_EQ(damage::Judge(r, dir, e), "") << suffix << ": " << what << "\n" << r.err;
      // Every run rewrites the files from the restart point on: the sound ones come back.
      for (const char* s : suffixes) testmodel::WriteBytes(dir + "/job1" + s, sound[s]);
    }
  }
  RemoveDirectory(dir);
}
