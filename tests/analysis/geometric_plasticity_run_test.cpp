// Geometric runs of the concrete plasticity models end to end: Owen-Figueiras plane stress
// (_NLMM121), the Ottosen surfaces (_NLMM122 solid, _NLMM123 plane stress and solid) and
// the meridian surface (_NLMM125 plane stress and solid). Within their elastic range their
// columns take the second-order path of the elastic column in as many iterations; a short
// stocky member pushed past yield carries the forces of the materially nonlinear run while
// its displacements stay small.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "element_models.h"
#include "geometric_columns.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"

namespace tw = testmodel;
using linmodel::Job;
using nonlinrun::kSolvers;
using nonlinrun::Solver;

namespace {

class GeometricPlasticityRun : public nonlinrun::RunFixture {};

// A record of the model `kind`: nu 0, modulus E, f_c 30 with f_ct 3, the compressive peak
// at eps_c1, initial yield at alpha0 f_c = 9, the CEB-FIP93 hardening law and the default
// meridians.
tw::Rec Concrete(int kind, double E, double epsc1) {
  if (kind == MAT_NLMM121) return tw::Rec().S("concrete").Ds({0.0, 0.0, 0.0, E, 30.0, epsc1, 0.3, 0.0});
  tw::Rec r = tw::Rec().S("concrete").Ds({0.0, 0.0, 0.0, E, 30.0, 3.0, epsc1, 0.3});
  if (kind != MAT_NLMM122) r.I(1);
  if (kind == MAT_NLMM125) r.Ds({0.0, 0.0, 0.0, 0.0, 0.0});
  return r;
}

// Every element type each model takes in a geometric run.
const struct Case {
  int kind;
  bool hexa;
} kCases[] = {{MAT_NLMM121, false}, {MAT_NLMM122, true}, {MAT_NLMM123, false},
              {MAT_NLMM123, true},  {MAT_NLMM125, false}, {MAT_NLMM125, true}};

std::string Name(const Case& c) {
  return std::string(MaterialKindName(c.kind)) + (c.hexa ? " hexahedra" : " plane stress");
}

// A member 2 long, 1 x 1 in section, E 30000 (peak strain 0.0022): two 8-node hexahedra
// along x1 or two 8-node plane-stress quadrilaterals (t 1) along x2, the end at 0
// clamped, the other end shortened by 2e-4 (a strain of 1e-4) and pushed across by 0.1
// per unit factor.
struct StockyMember {
  Job job;
  std::vector<int> base, tip;
  int axial, lateral;
  StockyMember(const Case& c, const std::vector<double>& factors) {
    std::vector<std::pair<int, double>> across;  // tip point, share of the lateral force
    if (c.hexa) {
      const linmodel::LatticeFixity fixity = [](int I, int, int) {
        return I == 0 ? "111000" : I == 4 ? "100000" : "000000";
      };
      linmodel::LatticeJob lj = linmodel::HexaBar(8, 2, 2.0, -0.5, -0.5, 30000.0, 0.0, 0.0, false, fixity);
      job = lj.job;
      for (int J = 0; J <= 2; J++)
        for (int K = 0; K <= 2; K++) {
          if (lj.at.count({4, J, K}) == 0) continue;
          base.push_back(lj.At(0, J, K));
          tip.push_back(lj.At(4, J, K));
          across.push_back({tip.back(), 0.25});
        }
      job.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 2, 24, c.kind, 1, 0, 0)};
      axial = 1;
      lateral = 2;
    } else {
      job.model.main.title = "stocky plane-stress member";
      tw::AddRecord(job.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 1.0));
      tw::AddRecord(job.model, "<NUMERICAL_INTEGRATION>", linmodel::IntegrationPattern("3x3", {3, 3, 0}));
      int at[5][3] = {};
      for (int I = 0; I <= 4; I++)
        for (int J = 0; J <= 2; J++) {
          if (I % 2 == 1 && J == 1) continue;
          at[I][J] = linmodel::AddPoint2D(job, 0.5 * I, -0.5 + 0.5 * J, linmodel::kPlaneMask,
                                          I == 0 ? "011000" : I == 4 ? "010000" : "000000");
        }
      for (int I : {0, 2})
        tw::AddElement(job.model, {at[I][0], at[I + 1][0], at[I + 2][0], at[I + 2][1], at[I + 2][2], at[I + 1][2],
                                   at[I][2], at[I][1]});
      tw::AddRecord(job.model, "<ELEMENT_PROPERTIES>",
                    tw::ElementProperty(1, 2, 10, c.kind, 1, GEOM_LAM_THICK, 1, 1, 1));
      for (int J = 0; J <= 2; J++) {
        base.push_back(at[0][J]);
        tip.push_back(at[4][J]);
        across.push_back({tip.back(), J == 1 ? 2.0 / 3.0 : 1.0 / 6.0});
      }
      axial = 2;
      lateral = 3;
    }
    tw::AddRecord(job.model, geomcolumns::MaterialBlock(c.kind), Concrete(c.kind, 30000.0, 0.0022));
    std::vector<tw::Rec> pushes, shortening;
    for (const auto& [p, w] : across) {
      std::array<double, 6> f = {0, 0, 0, 0, 0, 0};
      f[static_cast<size_t>(lateral - 1)] = 0.1 * w;
      pushes.push_back(tw::PointLoad(p, f));
      shortening.push_back(tw::PrescribedDisplacement(p, axial, -2e-4));
    }
    job.model.loadCases = {linmodel::ElementLoads(pushes, {}, {}, {}, {0, 0, 0}, shortening)};
    nonlinrun::Factors(job.model, factors);
    nonlinrun::Iterate(job.model.main, 1e-4, 50);
  }
};

}  // namespace

// The cantilever columns of geomcolumns (ten 8-node quadrilaterals or ten 20-node
// hexahedra, L 10, section 1 x 1, E 1000, nu 0) under a quarter of the buckling load and a
// small lateral load, 4 rising steps and a repeat, both descriptions and both solvers:
// a column of each model, whose stresses stay far below its initial yield stress 9, follows
// the elastic column combination by combination to 1e-9, in as many iterations (within one
// with the conjugate gradients, whose inexact solves may move the last iteration).
TEST_F(GeometricPlasticityRun, ElasticColumnsTakeTheSecondOrderPath) {
  using namespace geomcolumns;
  const std::vector<double> factors = {0.25, 0.5, 0.75, 1.0, 1.0};
  const size_t n = factors.size();
  for (int kinematic : {1, 2})
    for (const Solver& s : kSolvers)
      for (bool hexa : {false, true}) {
        Column ref = hexa ? HexaColumn() : QuadColumn();
        Nonlinear(ref.job, kinematic, factors);
        const resultfile::DisplReactFile r = Run(ref.job, s, "elastic");
        ASSERT_EQ(r.records.size(), n);
        const resultfile::NonlinearExecParams epr =
            resultfile::ReadNonlinearExecParams(Path("_ep.bin", "elastic"), ref.job.layout.nF, ref.job.layout.nP);
        // Amplified by 1 / (1 - 1/4) against 1 / (1 - 1/16) at the first step.
        EXPECT_GT(Mean(r.records.back(), ref.job, ref.tip, ref.lateral),
                  1.2 * 4.0 * Mean(r.records[0], ref.job, ref.tip, ref.lateral));
        for (const Case& c : kCases) {
          if (c.hexa != hexa) continue;
          SCOPED_TRACE(testing::Message() << Name(c) << " kinematic " << kinematic << " solver " << s.algorithm);
          const tw::Rec material = Concrete(c.kind, 1000.0, 0.06);
          Column col = hexa ? HexaColumn(c.kind, material) : QuadColumn(c.kind, material);
          Nonlinear(col.job, kinematic, factors);
          const resultfile::DisplReactFile dr = Run(col.job, s, "column");
          ASSERT_EQ(dr.records.size(), n);
          for (size_t k = 0; k < n; k++)
            for (int d : {col.lateral, col.axial})
              EXPECT_NEAR(Mean(dr.records[k], col.job, col.tip, d), Mean(r.records[k], ref.job, ref.tip, d), 1e-9)
                  << k;
          const resultfile::NonlinearExecParams ep =
              resultfile::ReadNonlinearExecParams(Path("_ep.bin", "column"), col.job.layout.nF, col.job.layout.nP);
          ASSERT_EQ(ep.entries.size(), epr.entries.size());
          const int slack = s.algorithm == 2 ? 1 : 0;
          for (size_t k = 0; k < ep.entries.size(); k++)
            EXPECT_LE(std::abs(ep.entries[k].nIterations - epr.entries[k].nIterations), slack) << k;
        }
      }
}

// The stocky member shortened to a strain of 5e-4 in four steps from 2e-4 (5/3 of the
// strain of initial yield in uniaxial compression), with the lateral push: the materially
// nonlinear run starts elastic (E A eps) and yields (its force falls below E A eps); the geometric
// runs, both descriptions, Gaussian elimination, carry the same shortening force and base
// reactions within 1e-3 of the largest shortening force (the geometric effect is of the
// order of the strain). The residual tolerance is 1e-4 for all: the return mapping of
// _NLMM122 keeps its state at a relative residual of 1e-4, which bounds what the
// equilibrium iterations can reach.
TEST_F(GeometricPlasticityRun, StockyMemberPastYieldCarriesTheMaterialRunForces) {
  const std::vector<double> factors = {2, 3, 4, 5};
  for (const Case& c : kCases) {
    SCOPED_TRACE(Name(c));
    StockyMember m(c, factors);
    const resultfile::DisplReactFile ref = Run(m.job, kSolvers[0], "material");
    ASSERT_EQ(ref.records.size(), factors.size());
    const double first = nonlinrun::Reaction(ref.records[0], m.job, m.tip, m.axial);
    const double last = nonlinrun::Reaction(ref.records.back(), m.job, m.tip, m.axial);
    EXPECT_NEAR(first, -30000.0 * 2e-4, 1e-6);
    EXPECT_GT(last, -0.97 * 30000.0 * 5e-4);
    double largest = 0.0;
    for (const auto& rec : ref.records) largest = std::max(largest, -nonlinrun::Reaction(rec, m.job, m.tip, m.axial));
    for (int kinematic : {1, 2}) {
      SCOPED_TRACE(testing::Message() << "kinematic " << kinematic);
      Job g = m.job;
      g.model.main.geomNonlinear = 1;
      g.model.main.kinematicDescription = kinematic;
      const resultfile::DisplReactFile dr = Run(g, kSolvers[0], "geometric");
      ASSERT_EQ(dr.records.size(), factors.size());
      for (size_t k = 0; k < factors.size(); k++) {
        EXPECT_NEAR(nonlinrun::Reaction(dr.records[k], g, m.tip, m.axial),
                    nonlinrun::Reaction(ref.records[k], m.job, m.tip, m.axial), 1e-3 * largest)
            << k;
        for (int d : {m.axial, m.lateral})
          EXPECT_NEAR(nonlinrun::Reaction(dr.records[k], g, m.base, d),
                      nonlinrun::Reaction(ref.records[k], m.job, m.base, d), 1e-3 * largest)
              << k << " dof " << d;
      }
    }
  }
}
