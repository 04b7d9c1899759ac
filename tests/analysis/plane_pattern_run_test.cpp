// Plane-stress quadrilaterals whose material is a pattern of the plane crack model
// _NLMM104 with the fracture model _FRC_MIXFRACTURE_2D: the crack model acts at the points
// on its own record, so a bar pulled to full opening follows the curve of the plain
// _NLMM104 bar and dissipates G_f A; other compositions are refused at set-up.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "crack_bars.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"

namespace tw = testmodel;
using crackbars::PlaneBar;
using crackbars::Steps;

namespace {

class PlanePatternRun : public nonlinrun::RunFixture {};

// The bar's element groups on pattern 1 (weaker crack material 2 at x = 0) and 2.
void OnPatterns(PlaneBar& bar, int nx) {
  tw::Model& m = bar.job.model;
  tw::AddRecord(m, "<FRC_MIXFRACTURE_2D>",
                tw::Rec().S("fibres").D(1).D(2).I(2).D(3).D(4).I(3).Ds({5, 6, 7, 8, 9, 10, 11}));
  for (int crack : {2, 1})  // pattern 1 on the weaker material of the first element
    tw::AddRecord(m, "<NLMM_PATTERNS>",
                  tw::Rec().S("frc").I(2).I(MAT_NLMM104).I(crack).I(MAT_FRC_MIXFRACTURE_2D).I(1));
  std::vector<tw::Rec> props = {tw::ElementProperty(1, 1, 10, MAT_NLMM_PATT, 1, GEOM_LAM_THICK, 1)};
  if (nx > 1) props.push_back(tw::ElementProperty(2, nx, 10, MAT_NLMM_PATT, 2, GEOM_LAM_THICK, 1));
  m.blocks["<ELEMENT_PROPERTIES>"] = props;
}

}  // namespace

TEST_F(PlanePatternRun, CrackModelWithItsFractureRecordFollowsThePlainBar) {
  // Softening: Gaussian elimination (the conjugate gradient needs a positive-definite
  // tangent).
  const std::vector<double> u = Steps(0.0, 0.2, 0.001);
  for (int law : {1, 2}) {
    SCOPED_TRACE("law " + std::to_string(law));
    PlaneBar plain(MAT_NLMM104, law, 1, 3.0, 1, u);
    const std::vector<double> ref = plain.Forces(Run(plain.job, "plain"));
    PlaneBar bar(MAT_NLMM104, law, 1, 3.0, 1, u);
    OnPatterns(bar, 1);
    const std::vector<double> f = bar.Forces(Run(bar.job, "pattern"));
    ASSERT_EQ(f.size(), u.size());
    ASSERT_EQ(ref.size(), u.size());
    for (size_t i = 0; i < u.size(); i++) EXPECT_NEAR(f[i], ref[i], 1e-6 * 30000.0) << u[i];
    EXPECT_NEAR(f[9], 30000.0, 1e-4);  // elastic up to ft A at 0.01 mm
    EXPECT_NEAR(crackbars::Work(u, f), 1000.0, 5.0);
    EXPECT_LT(std::fabs(f.back()), 0.5);
  }
}

TEST_F(PlanePatternRun, OtherCompositionsAreRefusedNamingTheGroup) {
  PlaneBar bar(MAT_NLMM104, 1, 1, 3.0, 1, {0.01});
  tw::Model& m = bar.job.model;
  tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("iso", 0.0, 0.0, 30000.0, 0.0));
  tw::AddRecord(m, "<NLMM_PATTERNS>", tw::Rec().S("two").I(2).I(MAT_NLMM104).I(1).I(MAT_LIN_ISO).I(1));
  m.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 10, MAT_NLMM_PATT, 1, GEOM_LAM_THICK, 1)};
  const ChildResult r = Start(bar.job, "refused");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("   -> Element property: 1\n   -> Material pattern: 1\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("a plane-stress quadrilateral takes _NLMM104 with _FRC_MIXFRACTURE_2D only."),
            std::string::npos)
      << r.err;
}

// Restart after the crack has opened: the files of the uninterrupted run, the fracture
// partner's history file among them.
TEST_F(PlanePatternRun, RestartGivesTheUninterruptedRun) {
  const std::vector<double> u = Steps(0.0, 0.06, 0.005);
  PlaneBar bar(MAT_NLMM104, 1, 1, 3.0, 1, u);
  OnPatterns(bar, 1);
  Run(bar.job, "fresh");
  Run(bar.job, "bar");
  bar.job.model.main.nCombBeforeRestart = 6;
  Run(bar.job, "bar");
  ExpectSameFiles("bar", "fresh", {"_dr.bin", "_if.bin", "_NLMM104_HD.bin", "_FRC_MIXFRACTURE_2D_HD.bin"});
  EXPECT_GT(Bytes("bar", "_FRC_MIXFRACTURE_2D_HD.bin").size(), 1000u);
}
