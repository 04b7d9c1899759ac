// Cables of the steel laws _NLMM201 and _NLMM202 run end to end with both solvers: a
// two-cable hanger in the plane and a three-cable tripod in space whose joint is pulled
// down, unloaded a little and pulled again. Every cable has the same strain, so the
// reaction at the joint is the cables' count times the vertical share of A sigma, with
// sigma from the law driven along the same strain path at a lone point.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/material_driver.h"
#include "support/nonlinear_run.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

class SteelCableRun : public nonlinrun::RunFixture {};

struct Steel {
  int code;
  const char* block;
  std::vector<double> values;
};

// _NLMM201 hardening from the yield point (eps_y = eps_sh = 0.002, f_y 400, f_u 500 at
// 0.1, linear); _NLMM202 the cyclic steel of E 2e5 (f_y 400, hardening to 600).
const Steel kSteels[] = {
    {MAT_NLMM201, "<NLMM201>", {7.85, 1e-5, 0.002, 400, 0.002, 400, 0.1, 500, 1}},
    {MAT_NLMM202, "<NLMM202>", {7.85, 1e-5, 2e5, 5000, 0.002, 400, 0.01, 0, 0.1, 600}},
};

struct Rig {
  Job job;
  int joint, vertical, cables;
  double sine, length;  // vertical share and length of a cable
};

// The hanger (anchors (+-3, 4), joint at the origin: L 5, share 0.8) or the tripod
// (anchors on r = 3 at height 4) of unit area; the joint's vertical dof prescribed.
Rig SteelRig(bool space, const Steel& s) {
  Rig r{space ? linmodel::CableTripod3D(1.0, 3.0, 4.0) : linmodel::CableHanger2D(1.0), space ? 4 : 3, 3,
        space ? 3 : 2, 0.8, 5.0};
  Job& j = r.job;
  tw::AddRecord(j.model, s.block, tw::Rec().S("steel").Ds(s.values));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {
      tw::ElementProperty(1, r.cables, space ? 6 : 5, s.code, 1, GEOM_CS_AREA, 1)};
  linmodel::AddSupport(j, r.joint, "001000");
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0},
                                              {tw::PrescribedDisplacement(r.joint, r.vertical, -1.0)})};
  return r;
}

}  // namespace

TEST_F(SteelCableRun, JointForceIsTheLawsStressOfTheCableStrain) {
  // Joint moves: elastic, past yield, unloaded by a strain of 0.001, reloaded beyond.
  std::vector<double> d;
  for (int k = 1; k <= 10; k++) d.push_back(0.01 * k);
  for (double x : {0.09375, 0.0875, 0.1, 0.11, 0.125}) d.push_back(x);
  for (const Steel& s : kSteels)
    for (bool space : {false, true})
      for (const nonlinrun::Solver& solver : nonlinrun::kSolvers) {
        SCOPED_TRACE(std::string(s.block) + (space ? " tripod" : " hanger") +
                     (solver.algorithm == 1 ? " elimination" : " conjugate gradient"));
        Rig r = SteelRig(space, s);
        nonlinrun::Iterate(r.job.model.main, 1e-10, 30);
        nonlinrun::Factors(r.job.model, d);
        const resultfile::DisplReactFile dr = Run(r.job, solver, "cable");
        ASSERT_EQ(dr.records.size(), d.size());
        std::vector<matdriver::Step> path;
        for (double x : d) path.push_back({x * r.sine / r.length, 3});
        const std::vector<matdriver::Response> sigma = matdriver::DriveUniaxial(s.code, matdriver::Record(s.values), path);
        for (size_t k = 0; k < d.size(); k++) {
          // The support holds the joint down against the cables.
          const double expected = -r.cables * r.sine * sigma[k].stress;
          EXPECT_NEAR(nonlinrun::Reaction(dr.records[k], r.job, {r.joint}, r.vertical), expected,
                      1e-8 * std::fabs(expected) + 1e-9)
              << "joint " << d[k];
        }
        EXPECT_GT(sigma[9].stress, 400.0);                  // yielded
        EXPECT_LT(sigma[11].stress, sigma[10].stress - 100);  // unloaded elastically
      }
}
