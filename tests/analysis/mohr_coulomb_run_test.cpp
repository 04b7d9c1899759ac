// Mohr-Coulomb plasticity of hexahedra end to end: homogeneous plane-strain paths that
// drive the points onto the edges and the apex of the surface, and a quarter plate with
// a hole pulled to its limit load, against the von Mises cone of the same mesh and the
// net-section load.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/material_driver.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"

namespace tw = testmodel;
using linmodel::Job;
using nonlinrun::kSolvers;
using nonlinrun::Reaction;
using nonlinrun::Solver;

namespace {

constexpr double kPi = 3.14159265358979323846;

tw::Rec Frictional(double E, double nu, double c0, double phi, int criterion) {
  return tw::Rec().S("plastic").Ds({0.0, 0.0, nu, E}).I(criterion).I(1).Ds({c0, 1.0}).I(1).Ds({phi, phi, 1.0});
}

MaterialRecord PointRecord(double E, double nu, double c0, double phi) {
  return matdriver::RecordWithInts({0.0, 0.0, nu, E, 1.0, 1.0, c0, 1.0, 1.0, phi, phi, 1.0}, {5, 6, 9});
}

class MohrCoulombRun : public nonlinrun::RunFixture {};

}  // namespace

TEST_F(MohrCoulombRun, PlaneStrainPathsOfOneHexahedronFinishOnTheSurface) {
  // A unit 20-node hexahedron, u3 = 0 everywhere, the faces x1 = 1 and x2 = 1 moved by
  // u1 = f and u2 = ratio f: every point follows the strain (f, ratio f, 0). The end
  // faces carry the stress of the same strain path at one material point.
  const double E = 1000.0, nu = 0.3, c = 10.0;
  std::vector<double> factors;
  for (int k = 1; k <= 10; k++) factors.push_back(0.006 * k);
  for (double phi : {0.0, kPi / 6.0})
    for (double ratio : {-0.3, -0.1, 0.2, 0.5}) {
      linmodel::LatticeJob lj = linmodel::HexaBar(20, 1, 1.0, 0.0, 0.0, E, nu, 0.0, false, [](int I, int J, int) {
        std::string f = "001000";
        if (I == 0 || I == 2) f[0] = '1';
        if (J == 0 || J == 2) f[1] = '1';
        return f;
      });
      Job& j = lj.job;
      j.model.blocks.erase("<LINEAR_ISOTROPIC_MATERIALS>");
      tw::AddRecord(j.model, "<NLMM124>", Frictional(E, nu, c, phi, 1));
      j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, MAT_NLMM124, 1, 0, 0)};
      std::vector<tw::Rec> moves;
      std::vector<int> xFace, yFace;
      for (const auto& [ijk, p] : lj.at) {
        if (ijk[0] == 2) {
          moves.push_back(tw::PrescribedDisplacement(p, 1, 1.0));
          xFace.push_back(p);
        }
        if (ijk[1] == 2) {
          moves.push_back(tw::PrescribedDisplacement(p, 2, ratio));
          yFace.push_back(p);
        }
      }
      j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, moves)};
      nonlinrun::Factors(j.model, factors);
      nonlinrun::Iterate(j.model.main, 1e-9, 60);
      // The same path at one point.
      matdriver::ContinuumPoint point(MAT_NLMM124, _SOLID_HEXA, PointRecord(E, nu, c, phi));
      std::vector<std::vector<double>> stress;
      for (size_t k = 0; k < factors.size(); k++) {
        std::vector<double> de{0.006, 0.006 * ratio, 0, 0, 0, 0};
        stress.push_back(point.Step(de, std::vector<bool>(6, false)));
      }
      for (const Solver& s : kSolvers) {
        SCOPED_TRACE("phi " + std::to_string(phi) + " ratio " + std::to_string(ratio) + " solver " +
                     std::to_string(s.algorithm));
        const resultfile::DisplReactFile dr = Run(j, s, "hexa");
        ASSERT_EQ(dr.records.size(), factors.size());
        for (size_t k = 0; k < factors.size(); k++) {
          EXPECT_NEAR(Reaction(dr.records[k], j, xFace, 1), stress[k][0], 1e-7 * c) << k;
          EXPECT_NEAR(Reaction(dr.records[k], j, yFace, 2), stress[k][1], 1e-7 * c) << k;
        }
      }
      if (phi == 0.0 && ratio == -0.3) {
        // Restarted after combination 5, on an edge: the uninterrupted run.
        Run(j, kSolvers[0], "fresh");
        Run(j, kSolvers[0], "hexa");
        j.model.main.nCombBeforeRestart = 5;
        Run(j, kSolvers[0], "hexa");
        ExpectSameFiles("hexa", "fresh", {"_dr.bin", "_if.bin", "_NLMM124_HD.bin"});
      }
      // The last point state lies on the surface: no principal stress difference beyond
      // it, the largest on it (plastic flow at every step past first yield).
      const double sp = std::sin(phi), k0 = c * std::cos(phi);
      EXPECT_EQ(point.Record<NLMM124_HD>().LoadingState, 2);
      const double* r = point.Record<NLMM124_HD>().Stress;
      std::array<double, 3> pr;
      {
        const double m = 0.5 * (r[1] + r[2]), d = std::hypot(0.5 * (r[1] - r[2]), r[6]);
        pr = {m + d, m - d, r[3]};
        std::sort(pr.begin(), pr.end());
      }
      EXPECT_NEAR(0.5 * ((pr[2] - pr[0]) + (pr[2] + pr[0]) * sp), k0, 1e-9 * c) << phi << " " << ratio;
    }
}

namespace {

// Quarter of a square plate 2W x 2W with a central hole of radius R, one layer of
// 20-node hexahedra of thickness t: the angle of the hole split into 2m elements (m per
// side of the square), nr elements from the hole to the outer sides. Symmetry: u1 = 0
// on x1 = 0, u2 = 0 on x2 = 0, u3 = 0 on the face x3 = 0; the side x2 = W is pulled by
// u2 = factor. Keeps the points of the side x2 = 0 (the net section).
struct Plate {
  Job job;
  std::vector<int> section;
};

Plate HolePlate(int criterion, double c, double phi, double W, double R, double t, int m, int nr) {
  Plate pl;
  Job& j = pl.job;
  j.model.main.title = "plate with a hole";
  tw::AddRecord(j.model, "<NLMM124>", Frictional(1000.0, 0.3, c, phi, criterion));
  // Lattice A = 0..4m round the hole, B = 0..2nr outwards, K = 0..2 through the thickness.
  std::map<std::array<int, 3>, int> at;
  std::vector<tw::Rec> pulls;
  for (int A = 0; A <= 4 * m; A++)
    for (int B = 0; B <= 2 * nr; B++)
      for (int K = 0; K <= 2; K++) {
        if (A % 2 + B % 2 + K % 2 > 1) continue;
        const double s = A / (2.0 * m), th = s * kPi / 4.0, rho = B / (2.0 * nr);
        const double qx = s <= 1.0 ? W : W * (2.0 - s), qy = s <= 1.0 ? W * s : W;
        const double x = R * std::cos(th) + rho * (qx - R * std::cos(th));
        const double y = R * std::sin(th) + rho * (qy - R * std::sin(th));
        const bool top = B == 2 * nr && A >= 2 * m;
        std::string f = "000000";
        if (A == 4 * m) f[0] = '1';
        if (A == 0 || top) f[1] = '1';
        if (K == 0) f[2] = '1';
        const int p = linmodel::AddPoint3D(j, x, y, K * t / 2.0, linmodel::kSpaceMask, f);
        at[{A, B, K}] = p;
        if (A == 0) pl.section.push_back(p);
        if (top) pulls.push_back(tw::PrescribedDisplacement(p, 2, 1.0));
      }
  int ne = 0;
  for (int a = 0; a < 2 * m; a++)
    for (int b = 0; b < nr; b++) {
      std::vector<int32_t> nodes;
      // Local axes: outwards, round the hole, through the thickness.
      for (const auto& o : linmodel::kHexa20) nodes.push_back(at.at({2 * a + 1 + o[1], 2 * b + 1 + o[0], 1 + o[2]}));
      tw::AddElement(j.model, nodes);
      ne++;
    }
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, ne, 24, MAT_NLMM124, 1, 0, 0));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
  return pl;
}

}  // namespace

TEST_F(MohrCoulombRun, PlateWithAHoleHoldsTheNetSectionLoad) {
  // Tensile strength 20 for Tresca (Mohr-Coulomb, phi = 0, c = 10), Mohr-Coulomb with
  // phi = 30 degrees (c = 20 (1 + sin phi) / (2 cos phi)) and the von Mises cone (c = 10).
  // In plane stress with s11 >= 0 neither Mohr-Coulomb surface lets s22 pass 20, so the
  // net section (W - R) t carries at most 20 (10 - 3) 1 = 140; the cone may carry a
  // little more where s11 > 0.
  const double W = 10.0, R = 3.0, t = 1.0, limit = 20.0 * (W - R) * t, phi30 = kPi / 6.0;
  struct Case {
    int criterion;
    double c, phi, tolerance;
  };
  const Case cases[] = {{1, 10.0, 0.0, 0.01},
                        {1, 10.0 * (1.0 + std::sin(phi30)) / std::cos(phi30), phi30, 0.01},
                        {2, 10.0, 0.0, 0.05}};
  std::vector<double> factors;
  for (int k = 1; k <= 16; k++) factors.push_back(0.03 * k);
  for (const Solver& s : kSolvers) {
    std::vector<double> force[3];
    for (int i = 0; i < 3; i++) {
      const Case& c = cases[i];
      SCOPED_TRACE(std::to_string(i) + " solver " + std::to_string(s.algorithm));
      Plate pl = HolePlate(c.criterion, c.c, c.phi, W, R, t, 3, 4);
      nonlinrun::Factors(pl.job.model, factors);
      nonlinrun::Iterate(pl.job.model.main, 1e-9, 60);
      const resultfile::DisplReactFile dr = Run(pl.job, s, "plate" + std::to_string(i));
      ASSERT_EQ(dr.records.size(), factors.size());
      for (const auto& r : dr.records) force[i].push_back(-Reaction(r, pl.job, pl.section, 2));
      // A plateau: the last five steps within 0.5 % of each other, near the limit.
      const std::vector<double>& f = force[i];
      for (size_t k = f.size() - 5; k < f.size(); k++) {
        EXPECT_NEAR(f[k], f.back(), 5e-3 * limit) << k;
        EXPECT_NEAR(f[k], limit, c.tolerance * limit) << k;
      }
    }
    // Tresca never above von Mises.
    for (size_t k = 0; k < factors.size(); k++) EXPECT_LE(force[0][k], force[2][k] * (1.0 + 1e-9)) << k;
  }
}
