// Transient analysis end to end: a plastic hexahedral bar pulled in time steps of their
// own durations. The time reaches the sum of the durations, a restart resumes it and
// writes what the uninterrupted run writes, a rate-independent material gives the
// static run's results, and the set-up refuses what has no time step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/static_nonlinear.h"
#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

constexpr int kStatic = 1, kTransient = 7;

// One hexahedron of the cone law (E 1000, nu 0.3, sigma_y 20) on rollers, its end face
// pulled to the given strains in steps of the given durations; the points of the end
// face into *end.
Job PulledBar(const std::vector<double>& strains, const std::vector<double>& durations,
              std::vector<int>* end = nullptr) {
  linmodel::LatticeJob lj = linmodel::HexaBar(8, 1, 1.0, 0.0, 0.0, 1000.0, 0.3, 0.0, false, [](int I, int J, int K) {
    return std::string(I == 0 || I == 2 ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
  });
  Job j = lj.job;
  tw::AddRecord(j.model, "<NLMM124>",
                tw::Rec().S("plastic").Ds({0.0, 0.0, 0.3, 1000.0}).I(2).I(1).Ds({10.0, 1.0}).I(1).Ds({0.0, 0.0, 1.0}));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, MAT_NLMM124, 1, 0, 0)};
  std::vector<tw::Rec> pulls;
  for (int J : {0, 2})
    for (int K : {0, 2}) {
      pulls.push_back(tw::PrescribedDisplacement(lj.At(2, J, K), 1, 1.0));
      if (end != nullptr) end->push_back(lj.At(2, J, K));
    }
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
  j.model.combinations.clear();
  for (size_t k = 0; k < strains.size(); k++) {
    tw::Combination c;
    c.factors = {{1, strains[k]}};
    c.duration = durations[k];
    j.model.combinations.push_back(c);
  }
  j.model.main.materNonlinear = 1;
  j.model.main.analysisType = kTransient;
  j.model.main.tolerance = 1e-9;
  j.model.main.maxIterations = 60;
  // Initial temperatures take no part in the mechanics of this material.
  j.model.blocks["<THERMAL_TRANSIENT_INITIAL_CONDITIONS>"] = {tw::Rec().I(1).D(20.0), tw::Rec().I(3).D(35.0)};
  return j;
}

class TransientRun : public nonlinrun::RunFixture {
 protected:
  ChildResult Run(const Job& j, const std::string& name, int storage = 1) { return Start(j, {storage, storage}, name); }
};

const std::vector<double> kStrains = {0.005, 0.019, 0.03};
const std::vector<double> kDurations = {1.0, 2.0, 4.0};

}  // namespace

TEST_F(TransientRun, TimeAdvancesByTheStepDurationsAndARestartResumesIt) {
  for (int storage : {1, 2}) {
    SCOPED_TRACE(storage);
    std::vector<int> end;
    const Job j = PulledBar(kStrains, kDurations, &end);
    const ChildResult fresh = Run(j, "fresh", storage);
    ASSERT_EQ(fresh.status, 0) << fresh.err;
    EXPECT_NE(fresh.out.find("### Success ###"), std::string::npos);
    const resultfile::NonlinearExecParams ep = resultfile::ReadNonlinearExecParams(dir_ + "/fresh_ep.bin",
                                                                                    j.layout.nF, j.layout.nP);
    ASSERT_EQ(ep.error, "");
    ASSERT_EQ(ep.entries.size(), 3u);
    const double times[] = {1.0, 3.0, 7.0};
    for (size_t k = 0; k < 3; k++) EXPECT_EQ(ep.entries[k].path.d4, times[k]) << k;
    // The end carries A min(E eps, sigma_y): the bar yields in the last step.
    const resultfile::DisplReactFile dr = resultfile::ReadDisplReact(dir_ + "/fresh_dr.bin", j.layout.nF, j.layout.nP);
    ASSERT_EQ(dr.records.size(), 3u);
    const double forces[] = {5.0, 19.0, 20.0};
    for (size_t k = 0; k < 3; k++) {
      double sum = 0.0;
      for (int p : end) sum += dr.records[k].react.at(static_cast<size_t>(j.layout.Presc(p, 1)));
      EXPECT_NEAR(sum, forces[k], 1e-6) << k;
    }

    // The same job run to its end, then restarted after combination 2.
    ASSERT_EQ(Run(j, "bar", storage).status, 0);
    Job restart = j;
    restart.model.main.nCombBeforeRestart = 2;
    const ChildResult r = Run(restart, "bar", storage);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("## Combination number = 3"), std::string::npos);
    EXPECT_EQ(r.out.find("## Combination number = 2"), std::string::npos);
    ExpectSameFiles("bar", "fresh", {"_dr.bin", "_if.bin", "_NLMM124_HD.bin"});
    const resultfile::NonlinearExecParams again = resultfile::ReadNonlinearExecParams(dir_ + "/bar_ep.bin",
                                                                                      j.layout.nF, j.layout.nP);
    ASSERT_EQ(again.entries.size(), 3u);
    for (size_t k = 0; k < 3; k++) {
      EXPECT_EQ(again.entries[k].path.d4, times[k]) << k;
      EXPECT_EQ(again.entries[k].path.extF, ep.entries[k].path.extF) << k;
      EXPECT_EQ(again.entries[k].nIterations, ep.entries[k].nIterations) << k;
    }
  }
}

TEST_F(TransientRun, RateIndependentMaterialGivesTheStaticResults) {
  Job j = PulledBar(kStrains, kDurations);
  ASSERT_EQ(Run(j, "transient").status, 0);
  j.model.main.analysisType = kStatic;
  j.model.blocks.erase("<THERMAL_TRANSIENT_INITIAL_CONDITIONS>");
  ASSERT_EQ(Run(j, "static").status, 0);
  ExpectSameFiles("transient", "static", {"_dr.bin", "_if.bin", "_NLMM124_HD.bin"});
  // The static run keeps its time at 0.
  const resultfile::NonlinearExecParams ep = resultfile::ReadNonlinearExecParams(dir_ + "/static_ep.bin", j.layout.nF,
                                                                                  j.layout.nP);
  ASSERT_EQ(ep.entries.size(), 3u);
  for (const resultfile::CombinationEntry& e : ep.entries) EXPECT_EQ(e.path.d4, 0.0);
}

TEST_F(TransientRun, StepsWithoutADurationAreRefused) {
  {
    // A step back in time, named by its combination; a zero step is instantaneous loading.
    const ChildResult r = Run(PulledBar(kStrains, {1.0, 0.0, -0.5}), "back");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("   -> Combination: 3\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("The step duration of a combination cannot be negative."), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("### Success ###"), std::string::npos);
    EXPECT_EQ(r.out.find("## Combination number"), std::string::npos);
    ASSERT_EQ(Run(PulledBar(kStrains, {1.0, 0.0, 0.5}), "zero").status, 0);
  }
  {
    // Arc length: its extra combinations have no duration.
    Job j = PulledBar(kStrains, kDurations);
    j.model.main.arcLength = 1;
    j.model.main.maxArcLengthCombinations = 3;
    const ChildResult r = Run(j, "arc");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Arc-length is unavailable in a transient analysis:\nits extra combinations have no step "
                         "duration.\nPlease remove the arc-length option in the data file."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out.find("### Success ###"), std::string::npos);
  }
}

TEST(TransientSetUp, InitialTemperaturesOfTheElementNodes) {
  // Three quadrilaterals over points 1..8; element 3 takes no part in the phase. Point 2
  // has two records (the later wins), point 7 one; the other nodes start at 0.
  MeshData m{};
  m.nElements = 3;
  int32_t counts[4] = {0, 4, 4, 4};
  int32_t n1[5] = {0, 1, 2, 5, 4}, n2[5] = {0, 2, 3, 6, 5}, n3[5] = {0, 6, 7, 8, 5};
  int32_t* nodes[4] = {nullptr, n1, n2, n3};
  m.ElemNodeCount = counts;
  m.ElemNodes = nodes;
  PointValue ic[4] = {{0, 0.0}, {2, 10.0}, {7, 30.0}, {2, 15.0}};
  m.nThermalInitial = 3;
  m.ThermalInitial = ic;
  const int active[4] = {0, 1, 1, 0};
  double** T0;
  allocragd2(&T0, 3, counts);
  for (int e = 1; e <= 3; e++)
    for (int k = 1; k <= 4; k++) T0[e][k] = -1.0;
  CalcElementInitialTemp(&m, active, T0);
  const double expect1[5] = {0, 0.0, 15.0, 0.0, 0.0}, expect2[5] = {0, 15.0, 0.0, 0.0, 0.0};
  for (int k = 1; k <= 4; k++) {
    EXPECT_EQ(T0[1][k], expect1[k]) << k;
    EXPECT_EQ(T0[2][k], expect2[k]) << k;
    EXPECT_EQ(T0[3][k], -1.0) << k;  // not taking part: left alone
  }
  freeragd2(T0, 3);
}
