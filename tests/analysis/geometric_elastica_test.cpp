// Large rotations, whole runs: a slender cantilever under a tip load of fixed direction
// raised to P L^2 / EI = 5 follows the large-deflection elastica, as a plane-stress wall
// and as hexahedra, in both kinematic descriptions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "geometric_columns.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"

using namespace geomcolumns;

namespace {

class GeometricElastica : public nonlinrun::RunFixture {};

// Tip deflection and shortening of the elastica, over L, at P L^2 / EI = 1, 2 and 5.
struct ElasticaPoint {
  double load, w, u;
};
constexpr ElasticaPoint kElastica[] = {{1.0, 0.3017, 0.0564}, {2.0, 0.4935, 0.1606}, {5.0, 0.7138, 0.3876}};

}  // namespace

// L = 1, square section h = 0.02 (L / h = 50, so that the strains stay below 5 % and the
// section's shear is negligible), E = 2.1e11, nu = 0 (no clamping of the contraction at
// the root, which the line theory does not know); 16 elements along, one across; ten
// equal combinations to P L^2 / EI = 5 (turning the tip by 70 degrees), each in at most 9
// full Newton iterations (the true stress on the logarithmic strain has no potential: the
// solvers take the symmetric part of its tangent): at 1, 2 and 5 the tip follows the
// elastica within 1 %.
TEST_F(GeometricElastica, SlenderCantileverFollowsTheElastica) {
  constexpr double L = 1.0, h = 0.02, E = 2.1e11;
  const double EI = E * h * h * h * h / 12.0, P5 = 5.0 * EI / (L * L);
  for (bool hexa : {false, true})
    for (int kinematic : {1, 2}) {
      SCOPED_TRACE(std::string(hexa ? "20-node hexahedra" : "plane-stress wall") + (kinematic == 1 ? " TL" : " UL"));
      Member m = CantileverMember(hexa, hexa ? 20 : 8, {16, 1, 1}, L, h, E, 0.0, 0.0, P5);
      std::vector<double> f;
      for (int k = 1; k <= 10; k++) f.push_back(k / 10.0);
      Nonlinear(m.job, kinematic, f);
      m.job.model.main.convergenceCriterion = 2;
      m.job.model.main.maxIterations = 15;
      const resultfile::DisplReactFile dr = Run(m.job, "elastica");
      if (dr.records.size() != 10) continue;
      for (const ElasticaPoint& e : kElastica) {
        const auto& r = dr.records[static_cast<size_t>(std::lround(e.load * 2.0)) - 1];
        const double w = Mean(r, m.job, m.tip, m.lateral) / L, u = -Mean(r, m.job, m.tip, m.axial) / L;
        EXPECT_NEAR(w, e.w, 0.01 * e.w) << e.load;
        EXPECT_NEAR(u, e.u, 0.01 * e.u) << e.load;
      }
      const resultfile::NonlinearExecParams ep =
          resultfile::ReadNonlinearExecParams(Path("_ep.bin", "elastica"), m.job.layout.nF, m.job.layout.nP);
      for (const auto& x : ep.entries) EXPECT_LE(x.nIterations, 9);
    }
}
