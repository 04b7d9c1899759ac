// Geometric nonlinearity with the smeared-crack models end to end: bars pulled to full
// opening follow the crack curve of the materially nonlinear run, the strains being small,
// in both kinematic descriptions; a slender column of a crack material, compressed within
// its elastic range, reaches the second-order deflection of the elastic column.
#include <gtest/gtest.h>

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
