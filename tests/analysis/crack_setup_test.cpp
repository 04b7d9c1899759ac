// Set-up of a nonlinear run with a smeared-crack model: every sampling point of a
// hexahedron gets its record, its band width from the element and its checked fracture
// energy.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/restart.h"
#include "history/history.h"
#include "support/crack_material.h"
#include "support/hand_mesh.h"
#include "support/testfiles.h"

namespace {

// One 100 mm cube of _NLMM111 (2 x 2 x 2 points), band option `option`; a corner moved
// by `skew` distorts it.
void SetUpCube(double gf, int option, double skew = 0.0) {
  HandMesh h;
  const int prop = h.AddProperty(_SOLID_HEXA, MAT_NLMM111, 1, 0, 0);
  std::vector<int> n;
  for (double z : {0.0, 100.0})
    for (auto [x, y] : {std::pair{0.0, 0.0}, {100.0, 0.0}, {100.0, 100.0}, {0.0, 100.0}})
      n.push_back(h.AddPoint(x, y, z));
  h.pts[n[6]] = {0.0, 100.0 + skew, 100.0 + skew, 100.0 + skew};
  const int e = h.AddElement(n, prop);
  std::vector<MaterialRecord> mats{MaterialRecord{}, CrackConcrete(MAT_NLMM111, gf, option).m};
  h.Build();
  h.m.nMaterials[MAT_NLMM111] = 1;
  h.m.Materials[MAT_NLMM111] = mats.data();
  h.m.Main.PathBehavior = 1;
  NonlinearWorkArrays w;
  const std::string job = TestJobName();
  InitializeNonlinearAnalysis(0, h.nPoints(), 24, 0, 0, job.c_str(), &h.m, h.elemProp.data(), &w);
  ASSERT_EQ(w.NLMM_HD_Count[MAT_NLMM111], 8);
  const int slot = NlmmSlotOfCode(MAT_NLMM111);
  const NLMM111_HD* cur = NLMM_HDCurrent<NLMM111_HD>(&w.Table, slot);
  const NLMM111_HD* conv = NLMM_HDConverged<NLMM111_HD>(&w.Table, slot);
  for (int k = 1; k <= 8; k++) {
    double v, s;
    CalcElementSizeOfPoint(&h.m, e, prop, k, &v, &s);
    const double band = option == 2 ? std::cbrt(v) : std::cbrt(s);
    EXPECT_EQ(cur[k].PointStatus, 1);
    EXPECT_NEAR(cur[k].Cr.CrBandWidth[1], band, 1e-12) << k;
    EXPECT_EQ(conv[k].Cr.CrBandWidth[4], cur[k].Cr.CrBandWidth[4]);
    EXPECT_EQ(cur[k].Cr.CrGf[2], gf);
    if (skew == 0.0) {
      EXPECT_NEAR(band, 100.0, 1e-9);  // every point of the cube cracks with the others
    }
  }
  FreeNonlinearWorkArrays(&w);
}

}  // namespace

// Gf,crit = 1.2 * 3^2 * 100 / 30000 = 0.036 with the band of the whole cube.
TEST(CrackSetUp, OneHexahedronOfNlmm111) {
  SetUpCube(0.037, 2);
  SetUpCube(0.1, 3);
  SetUpCube(0.1, 3, 30.0);  // distorted: each point its own share
  EXPECT_EXIT(SetUpCube(0.035, 2), testing::ExitedWithCode(1),
              "Check the fracture energy value:\n   -> Element: 1\n   -> Sampling point: 1\n"
              "   -> Fracture energy: 0.03500000\n   -> Critical fracture energy: 0.03600000\nERROR:\n"
              "The fracture energy should be greater than the critical fracture energy.");
}
