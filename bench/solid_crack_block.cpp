// A block of 10 x 10 x 10 eight-node hexahedra of the smeared-crack model _NLMM111
// (100 mm cube, E 30000, nu 0.2, ft 3, Gf 0.1, law 1, Oliver's band), whose layer of
// elements at x = 0 is weaker (ft 2.7), on rollers on the three faces through the origin,
// its face x = 100 pulled to 0.2 mm in 50 combinations: the weak layer cracks and opens
// fully while the rest unloads.
//
// The job runs inside this process, so that the crack models' counters can be read: it
// prints the seconds per combination (from the execution-parameter file) and the mean
// number of delta-stress solves per crack update of a sampling point.
//
// Usage: bench_solid_crack_block [scratch directory]
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "crack_run.h"
#include "element_models.h"
#include "hexa_grid.h"
#include "linear_model.h"
#include "model/material.h"
#include "support/datafile_writer.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

constexpr int kN = 10;
constexpr int kSteps = 50;

tw::Rec Concrete(double ft) {
  return tw::Rec().S("concrete").Ds({0.0, 0.0, 0.2, 30000.0, 3.0, ft}).I(1)
      .Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0, 0.1, 1.0}).I(0).Ds({0.0, 0.0, 0.0, 0.0}).I(1).D(0.2).I(1)
      .Ds({0.0, 0.0}).I(1).I(4).D(10.0).I(3).D(1.0);
}

Job Block() {
  Job j;
  j.model.main.title = "block with a weak layer";
  j.model.main.storageTechnique = 1;
  j.model.main.linEqAlgorithm = 1;
  const HexaGrid g = AddHexaGrid(j, kN, 100.0, [](int I, int J, int K) {
    std::string f = "000000";
    if (I == 0 || I == kN) f[0] = '1';
    if (J == 0) f[1] = '1';
    if (K == 0) f[2] = '1';
    return f;
  });
  std::vector<tw::Rec> pulls;
  for (int J = 0; J <= kN; J++)
    for (int K = 0; K <= kN; K++) pulls.push_back(tw::PrescribedDisplacement(g.At(kN, J, K), 1, 1.0));
  // Elements are numbered with the x index slowest: the first kN^2 form the layer at x = 0.
  const int nE = kN * kN * kN, nLayer = kN * kN;
  tw::AddRecord(j.model, "<NLMM111>", Concrete(3.0));
  tw::AddRecord(j.model, "<NLMM111>", Concrete(2.7));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, nLayer, 24, MAT_NLMM111, 2, 0, 0),
                                            tw::ElementProperty(nLayer + 1, nE, 24, MAT_NLMM111, 1, 0, 0)};
  PulledToFullOpening(j, pulls, 0.2, kSteps);
  return j;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "volde_crack_block").string();
  const Job job = Block();
  CrackRunFigures f;
  if (!RunCrackJobHere(dir, "block", job, &f)) return 1;
  std::fprintf(stderr,
               "Block of %d x %d x %d hexahedra, weak layer pulled to full opening in %d combinations:\n"
               "  %d combinations, %d iterations, %.3f s per combination\n"
               "  %ld crack updates of a sampling point, %.2f delta-stress solves per update\n",
               kN, kN, kN, kSteps, f.combinations, f.iterations, f.secondsPerCombination, f.updates,
               f.solvesPerUpdate);
  return 0;
}
