// The profile elimination renumbers the free equations of a poorly numbered model inside
// its store: a solid block whose points are numbered at random gives, end to end, the same
// displacements and reactions point by point as the block numbered layer by layer, and a
// mechanism numbered at random still stops with the pivot message. The elimination on
// several threads writes the same result file as on one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "element_models.h"
#include "model/material.h"
#include "static_run.h"

namespace tw = testmodel;
using linmodel::Job;
using staticrun::Outcome;
using staticrun::Record;

namespace {

class NCSBOrderRun : public staticrun::LinearStaticRun {};

// Cube of m x m x m 8-node hexahedra of side 2 (E = 3e10, nu = 0.2), the points on x1 = 0
// held by `fixity`, loads on the points of x1 = 2 varying over the face. The points are
// numbered layer by layer along x1 or, with seed != 0, in a random order; at[{I, J, K}]
// gives the number of the lattice point.
struct Cube {
  Job job;
  std::map<std::array<int, 3>, int> at;
};

Cube MakeCube(int m, unsigned seed, const std::string& fixity, bool flap = false) {
  Cube c;
  Job& j = c.job;
  j.model.main.title = "cube of hexahedra";
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("concrete", 0.0, 0.0, 3e10, 0.2));
  std::vector<std::array<int, 3>> lattice;
  for (int I = 0; I <= m; I++)
    for (int J = 0; J <= m; J++)
      for (int K = 0; K <= m; K++) lattice.push_back({I, J, K});
  if (flap)  // a row of elements on the far top edge, hinged to the cube along that edge
    for (int J = 0; J <= m; J++) {
      lattice.push_back({m + 1, J, m});
      lattice.push_back({m, J, m + 1});
      lattice.push_back({m + 1, J, m + 1});
    }
  if (seed != 0) std::shuffle(lattice.begin(), lattice.end(), std::mt19937(seed));
  for (const auto& x : lattice)
    c.at[x] = linmodel::AddPoint3D(j, 2.0 * x[0] / m, 2.0 * x[1] / m, 2.0 * x[2] / m, linmodel::kSpaceMask,
                                   x[0] == 0 ? fixity : "000000");
  const int corner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (int I = 0; I < m; I++)
    for (int J = 0; J < m; J++)
      for (int K = 0; K < m; K++) {
        std::vector<int32_t> nodes;
        for (const auto& d : corner) nodes.push_back(c.at.at({I + d[0], J + d[1], K + d[2]}));
        tw::AddElement(j.model, nodes);
      }
  int nElem = m * m * m;
  if (flap)
    for (int J = 0; J < m; J++, nElem++) {
      std::vector<int32_t> nodes;
      for (const auto& d : corner) nodes.push_back(c.at.at({m + d[0], J + d[1], m + d[2]}));
      tw::AddElement(j.model, nodes);
    }
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, nElem, 24, MAT_LIN_ISO, 1, 0, 0, 1, 0));
  std::vector<tw::Rec> pull, shear;
  for (int J = 0; J <= m; J++)
    for (int K = 0; K <= m; K++) {
      const int p = c.at.at({m, J, K});
      pull.push_back(tw::PointLoad(p, {1e5 * (1.0 + 0.1 * J), 0, 0, 0, 0, 0}));
      shear.push_back(tw::PointLoad(p, {0, 2e4 * (1.0 - 0.05 * K), -3e4, 0, 0, 0}));
    }
  j.model.loadCases = {linmodel::LoadCase(pull), linmodel::LoadCase(shear)};
  return c;
}

}  // namespace

TEST_F(NCSBOrderRun, RandomlyNumberedCubeGivesTheResultsOfTheLayeredOne) {
  const int m = 4;
  const Cube layered = MakeCube(m, 0, "111000");
  const Outcome ref = Run(layered.job, staticrun::kGauss);
  staticrun::LinearStaticRun::ExpectSound(ref, staticrun::kGauss, 2);
  for (unsigned seed : {5u, 17u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const Cube shuffled = MakeCube(m, seed, "111000");
    const Outcome o = Run(shuffled.job, staticrun::kGauss);
    staticrun::LinearStaticRun::ExpectSound(o, staticrun::kGauss, 2);
    if (o.dr.records.size() != 2 || ref.dr.records.size() != 2) continue;
    // The store of the shuffled copy is no larger than a tenth above the layered one.
    EXPECT_LE(o.ep.iter.nTermsNCSB, 1.1 * ref.ep.iter.nTermsNCSB);
    for (int lc = 0; lc < 2; lc++) {
      const Record a{ref.dr.records[lc], layered.job.layout}, b{o.dr.records[lc], shuffled.job.layout};
      double umax = 0.0, rmax = 0.0;
      for (const auto& [x, p] : layered.at)
        for (int d = 1; d <= 3; d++) {
          umax = std::max(umax, std::fabs(a.U(p, d)));
          if (x[0] == 0) rmax = std::max(rmax, std::fabs(a.R(p, d)));
        }
      ASSERT_GT(umax, 0.0);
      for (const auto& [x, p] : layered.at) {
        const int q = shuffled.at.at(x);
        for (int d = 1; d <= 3; d++) {
          EXPECT_NEAR(b.U(q, d), a.U(p, d), 1e-10 * umax) << "case " << lc + 1 << " point " << x[0] << x[1] << x[2];
          if (x[0] == 0) {
            EXPECT_NEAR(b.R(q, d), a.R(p, d), 1e-10 * rmax) << "case " << lc + 1;
          }
        }
      }
    }
  }
}

// A row of elements joined to the clamped block along one edge only turns freely about
// that edge: a mechanism. Renumbered, the elimination meets the rounding-level pivot of
// the hinge (tiny against its own diagonal) and stops, naming an equation of the data
// file.
TEST_F(NCSBOrderRun, RandomlyNumberedMechanismStopsAtThePivot) {
  const Cube c = MakeCube(3, 9u, "111000", true);
  const Outcome o = Run(c.job, staticrun::kGauss);
  EXPECT_EQ(o.run.status, 1);
  EXPECT_EQ(o.run.out.find("### Success ###"), std::string::npos);
  const std::string head = "\nERROR:\nGaussian elimination failed - pivot (p) is too small.\nabs(p) <= 1.0e-13";
  EXPECT_NE(o.run.err.find(head), std::string::npos) << o.run.err;
  const size_t at = o.run.err.find("\nEquation n. ");
  ASSERT_NE(at, std::string::npos) << o.run.err;
  const int eq = std::stoi(o.run.err.substr(at + 13));
  EXPECT_GE(eq, 1);
  EXPECT_LE(eq, c.job.layout.nF);
}

// The elimination splits the columns of its blocks among threads without changing a bit:
// the displacement file of a cube whose blocks are wide enough for several threads is the
// same byte for byte with VOLDE_THREADS = 1, 2, 3 and 8. A thread count that is not a whole
// number of at least 1 is refused.
TEST_F(NCSBOrderRun, ResultFileIsTheSameForAnyThreadCount) {
  const Cube c = MakeCube(10, 0, "111000");
  std::vector<std::string> bytes;
  for (const char* threads : {"1", "2", "3", "8"}) {
    setenv("VOLDE_THREADS", threads, 1);
    const Outcome o = Run(c.job, staticrun::kGauss);
    staticrun::LinearStaticRun::ExpectSound(o, staticrun::kGauss, 2);
    std::ifstream in(dir_ + "/job1_dr.bin", std::ios::binary);
    bytes.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  setenv("VOLDE_THREADS", "0", 1);
  const Outcome refused = Run(c.job, staticrun::kGauss);
  unsetenv("VOLDE_THREADS");
  ASSERT_GT(bytes[0].size(), 1000u);
  for (size_t k = 1; k < bytes.size(); k++) EXPECT_TRUE(bytes[k] == bytes[0]) << k;
  EXPECT_EQ(refused.run.status, 1);
  EXPECT_NE(refused.run.err.find("VOLDE_THREADS must be a whole number of at least 1."), std::string::npos)
      << refused.run.err;
}
