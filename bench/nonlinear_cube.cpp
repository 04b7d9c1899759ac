// A cube of 20 x 20 x 20 eight-node hexahedra (9261 points, about 27 000 equations) with
// the Drucker-Prager model (phi = 0, c0 = 10, so sigma_y = 20 at E = 1000), rollers on the
// three faces through the origin and a punch pushed into the corner quarter of the opposite
// face x1 = 1 by 0.01, 0.02 and 0.03: the plastic zone spreads from under the punch.
//
// The program is run on the cube as a linear static job and as a nonlinear static job under
// the full tangent (strategy 1), each with Gaussian elimination and with conjugate
// gradients. The execution-parameter file of each run carries the wall-clock seconds of
// every assembly, factorisation and solve, and of every combination; the residual (internal
// forces, history update), the condition estimate after each factorisation and the
// result files take the rest of a combination. Prints the seconds per iteration.
//
// Usage: bench_nonlinear_cube [volde executable] [scratch directory]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "element_models.h"
#include "cube_job.h"
#include "linear_model.h"
#include "model/material.h"
#include "run_job.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"
#include "support/result_readers.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

constexpr int kN = 20;

}  // namespace

int main(int argc, char** argv) {
  const std::string exe = std::filesystem::absolute(argc > 1 ? argv[1] : VOLDE_EXE).string();
  const std::string dir = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "volde_cube").string();
  std::filesystem::create_directories(dir);
  std::printf("Cube of %d x %d x %d eight-node hexahedra; seconds\n", kN, kN, kN);
  for (int algorithm : {1, 2}) {
    const char* solver = algorithm == 1 ? "Gaussian elimination" : "conjugate gradients";
    const std::string lin = std::string("cube_lin_") + std::to_string(algorithm);
    if (!RunJob(exe, dir, lin, PunchedCube(kN, false, algorithm))) return 1;
    const resultfile::LinearExecParams le = resultfile::ReadLinearExecParams(dir + "/" + lin + "_ep.bin");
    std::printf("%s, linear: assembly %.3f, factorisation %.3f, solve %.3f\n", solver, le.iter.assemblySeconds,
                std::max(0.0, le.iter.factorSeconds), le.steps.empty() ? 0.0 : le.steps[0].solveSeconds);

    const std::string nl = std::string("cube_nl_") + std::to_string(algorithm);
    const Job job = PunchedCube(kN, true, algorithm);
    if (!RunJob(exe, dir, nl, job)) return 1;
    const resultfile::NonlinearExecParams ep =
        resultfile::ReadNonlinearExecParams(dir + "/" + nl + "_ep.bin", job.layout.nF, job.layout.nP);
    double assembly = 0, factor = 0, solve = 0, total = 0;
    int iterations = 0;
    for (const auto& e : ep.entries) {
      // A field the run did not fill (no factorisation under conjugate gradients) is -1.
      for (const auto& i : e.iters) {
        assembly += std::max(0.0, i.assemblySeconds);
        factor += std::max(0.0, i.factorSeconds);
      }
      for (const auto& s : e.steps) solve += s.solveSeconds;
      iterations += e.nIterations;
      total += e.path.d2;
    }
    if (iterations == 0) return 1;
    const double n = iterations;
    std::printf(
        "%s, nonlinear (%d combinations, %d iterations), per iteration: assembly %.3f, factorisation %.3f, "
        "solve %.3f, residual and the rest %.3f\n",
        solver, static_cast<int>(ep.entries.size()), iterations, assembly / n, factor / n, solve / n,
        (total - assembly - factor - solve) / n);
  }
  return 0;
}
