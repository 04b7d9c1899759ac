// Assembly time of a geometrically nonlinear column of n eight-node hexahedra (n = 10, 100,
// 1000; section 1 x 1, element length 1, clamped at x1 = 0, an elastic Drucker-Prager
// solid) under an axial tip load of a tenth of its buckling load and a small lateral one,
// in three combinations with the full tangent: from the second combination on every element works on the converged
// configuration of the combination before. The execution-parameter file carries the
// wall-clock seconds of every assembly; the figure printed is the mean assembly time per
// element of the iterations of combinations 2 and 3, which stays flat when the converged
// configuration is read once per combination rather than per element.
//
// Usage: bench_geometric_column [volde executable] [scratch directory]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "run_job.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"
#include "support/result_readers.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

Job Column(int n) {
  linmodel::LatticeJob lj = linmodel::HexaBar(8, n, n, -0.5, -0.5, 1000.0, 0.0, 0.0, false,
                                              [](int I, int, int) { return I == 0 ? "111000" : "000000"; });
  Job j = lj.job;
  tw::AddRecord(j.model, "<NLMM124>",
                tw::Rec().S("elastic").Ds({0.0, 0.0, 0.0, 1000.0}).I(2).I(1).Ds({1e6, 1.0}).I(1).Ds({0.0, 0.0, 1.0}));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, n, 24, MAT_NLMM124, 1, 0, 0)};
  // A tenth of the buckling load pi^2 E I / (4 L^2), spread over the four tip corners.
  const double P = 0.1 * 9.8696044 * 1000.0 / 12.0 / (4.0 * n * n) / 4.0;
  std::vector<tw::Rec> loads;
  for (int J : {0, 2})
    for (int K : {0, 2}) loads.push_back(tw::PointLoad(lj.At(2 * n, J, K), {-P, 1e-3 * P, 0, 0, 0, 0}));
  j.model.loadCases = {linmodel::ElementLoads(loads)};
  j.model.main.materNonlinear = 1;
  j.model.main.geomNonlinear = 1;
  j.model.main.kinematicDescription = 1;
  j.model.main.convergenceCriterion = 2;
  j.model.main.tolerance = 1e-8;
  j.model.main.maxIterations = 50;
  j.model.main.iterativeAlgorithm = 1;
  nonlinrun::Factors(j.model, {0.5, 1.0, 1.0});
  return j;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string exe = std::filesystem::absolute(argc > 1 ? argv[1] : VOLDE_EXE).string();
  const std::string dir = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "volde_column").string();
  std::filesystem::create_directories(dir);
  std::printf("Geometrically nonlinear column of eight-node hexahedra: assembly seconds\n");
  for (int n : {10, 100, 1000}) {
    const std::string name = "column_" + std::to_string(n);
    const Job job = Column(n);
    if (!RunJob(exe, dir, name, job)) return 1;
    const resultfile::NonlinearExecParams ep =
        resultfile::ReadNonlinearExecParams(dir + "/" + name + "_ep.bin", job.layout.nF, job.layout.nP);
    double assembly = 0.0;
    int count = 0;
    for (size_t c = 1; c < ep.entries.size(); c++)
      for (const auto& i : ep.entries[c].iters) {
        assembly += i.assemblySeconds;
        count++;
      }
    if (count == 0) return 1;
    std::printf("%5d elements: %d assemblies, %.4f s each, %.3e s per element\n", n, count, assembly / count,
                assembly / count / n);
  }
  return 0;
}
