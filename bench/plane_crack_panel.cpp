// A panel of 40 x 40 four-node plane-stress quadrilaterals of the smeared-crack model
// _NLMM104 (100 x 100 mm, 10 mm thick, E 30000, nu 0.2, ft 3, Gf 0.1, law 1, Oliver's
// band), whose column of elements at x = 0 is weaker (ft 2.7): the edge x = 0 held along
// x, the edge x = 100 pulled to 0.2 mm in 50 combinations. The weak column cracks and
// opens fully while the rest unloads.
//
// The job runs inside this process, so that the crack models' counters can be read: it
// prints the seconds per combination (from the execution-parameter file), the mean
// number of delta-stress solves per crack update of a sampling point and the share of
// the run spent in the re-checks of crack events.
//
// Usage: bench_plane_crack_panel [scratch directory]
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "crack_run.h"
#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

constexpr int kN = 40;
constexpr int kSteps = 50;

tw::Rec Concrete(double ft) {
  return tw::Rec().S("concrete").Ds({0.0, 0.0, 0.2, 30000.0, 3.0, ft}).I(1)
      .Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0, 0.1}).I(0).I(1).Ds({0.0, 0.0}).I(0).I(1).D(0.2).I(1)
      .Ds({0.0, 0.0}).I(1).I(4).D(2.5).I(2).D(1.0).I(0).Ds({0.0, 0.0, 0.0, 0.0, 0.0, 0.0});
}

Job Panel() {
  Job j;
  j.model.main.title = "panel with a weak column";
  j.model.main.storageTechnique = 1;
  j.model.main.linEqAlgorithm = 1;
  const double a = 100.0 / kN;
  std::vector<int> at((kN + 1) * (kN + 1));
  std::vector<tw::Rec> pulls;
  for (int I = 0; I <= kN; I++)
    for (int J = 0; J <= kN; J++) {
      std::string f = "000000";
      if (I == 0 || I == kN) f[1] = '1';
      if (I == 0 && J == 0) f[2] = '1';
      const int p = linmodel::AddPoint2D(j, a * I, a * J, linmodel::kPlaneMask, f);
      at[static_cast<size_t>(I * (kN + 1) + J)] = p;
      if (I == kN) pulls.push_back(tw::PrescribedDisplacement(p, 2, 1.0));
    }
  // Elements with the x index slowest: the first kN form the column at x = 0.
  for (int I = 0; I < kN; I++)
    for (int J = 0; J < kN; J++) {
      const auto P = [&](int di, int dj) { return at[static_cast<size_t>((I + di) * (kN + 1) + J + dj)]; };
      tw::AddElement(j.model, {P(0, 0), P(1, 0), P(1, 1), P(0, 1)});
    }
  tw::AddRecord(j.model, "<NLMM104>", Concrete(3.0));
  tw::AddRecord(j.model, "<NLMM104>", Concrete(2.7));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 10.0));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, kN, 10, MAT_NLMM104, 2, GEOM_LAM_THICK, 1),
                                            tw::ElementProperty(kN + 1, kN * kN, 10, MAT_NLMM104, 1, GEOM_LAM_THICK, 1)};
  PulledToFullOpening(j, pulls, 0.2, kSteps);
  return j;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "volde_crack_panel").string();
  const Job job = Panel();
  CrackRunFigures f;
  if (!RunCrackJobHere(dir, "panel", job, &f)) return 1;
  std::fprintf(stderr,
               "Panel of %d x %d quadrilaterals, weak column pulled to full opening in %d combinations:\n"
               "  %d combinations, %d iterations, %.3f s per combination\n"
               "  %ld crack updates of a sampling point, %.2f delta-stress solves per update\n"
               "  %.3f s in re-checks of crack events, %.1f %% of the run\n",
               kN, kN, kSteps, f.combinations, f.iterations, f.secondsPerCombination, f.updates, f.solvesPerUpdate,
               f.recheckSeconds, f.seconds > 0.0 ? 100.0 * f.recheckSeconds / f.seconds : 0.0);
  return 0;
}
