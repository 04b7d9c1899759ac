// Where the time of whole runs goes, on the profile factor-and-solve:
//   1. a cantilever of von Mises hexahedra (Drucker-Prager with phi = 0, sigma_y = 20,
//      E = 1000) 120 x 4 x 10 elements (12 x 0.4 x 1.0, 19 800 equations), its tip pushed
//      down in 20 steps past the plastic moment under the full Newton iteration: seconds,
//      iterations, and the share of the profile-reducing order and the condition estimate
//      (both printed by the program under PRINT_GAUSS_ELIM_INFO) in the run;
//   2. a 25^3 cube of thermal hexahedra (_THERMAL_ISO) heated at one face, 50 backward-
//      Euler steps, with the linear and with the nonlinear driver on the same data;
//   3. the linear punched cube (cube_job.h) at n = 30 (and 40 with the argument "40")
//      with VOLDE_THREADS = 1, 2, 4, 8: factorisation and run seconds, speed-up, profile
//      megabytes.
// Wall-clock seconds; other programs on the machine make them noisy.
//
// Usage: bench_speed_runs [volde executable] [scratch directory] [40]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cube_job.h"
#include "hexa_grid.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "run_job.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"
#include "support/result_readers.h"

namespace tw = testmodel;

namespace {

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// Sum and count of the seconds the program printed after `label` in <name>.out.
void PrintedSeconds(const std::string& out, const std::string& label, double* sum, int* count) {
  std::ifstream in(out);
  std::string line;
  *sum = 0.0;
  *count = 0;
  while (std::getline(in, line))
    if (line.rfind(label, 0) == 0) {
      *sum += std::stod(line.substr(label.size()));
      ++*count;
    }
}

void PlasticBar(const std::string& exe, const std::string& dir) {
  constexpr int n1 = 120, n2 = 4, n3 = 10;
  linmodel::Job j;
  j.model.main.title = "plastic cantilever";
  j.model.main.storageTechnique = 1;
  j.model.main.linEqAlgorithm = 1;
  const HexaGrid g = AddHexaBox(j, n1, n2, n3, 12.0, 0.4, 1.0,
                                [](int I, int, int) {
                                  return std::string(I == 0 ? "111000" : I == n1 ? "001000" : "000000");
                                });
  tw::AddRecord(j.model, "<NLMM124>",
                tw::Rec().S("plastic").Ds({0.0, 0.0, 0.3, 1000.0}).I(2).I(1).Ds({10.0, 1.0}).I(1).Ds({0.0, 0.0, 1.0}));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, n1 * n2 * n3, 24, MAT_NLMM124, 1, 0, 0)};
  j.model.main.materNonlinear = 1;
  j.model.main.convergenceCriterion = 2;
  j.model.main.tolerance = 1e-6;
  j.model.main.maxIterations = 60;
  // Tip points pushed down; first yield at a tip deflection of about 1.9.
  std::vector<tw::Rec> pushes;
  for (int J = 0; J <= n2; J++)
    for (int K = 0; K <= n3; K++) pushes.push_back(tw::PrescribedDisplacement(g.At(n1, J, K), 3, -1.0));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pushes)};
  std::vector<double> f;
  for (int s = 1; s <= 20; s++) f.push_back(0.3 * s);
  nonlinrun::Factors(j.model, f);
  const double t0 = Now();
  if (!RunJob(exe, dir, "bar", j, "PRINT_GAUSS_ELIM_INFO = _Y ;\n")) return;
  const double total = Now() - t0;
  const auto ep = resultfile::ReadNonlinearExecParams(dir + "/bar_ep.bin", j.layout.nF, j.layout.nP);
  double assembly = 0, factor = 0, solve = 0;
  int iterations = 0, terms = 0;
  std::string perStep;
  for (const auto& e : ep.entries) {
    for (const auto& i : e.iters) {
      assembly += std::max(0.0, i.assemblySeconds);
      factor += std::max(0.0, i.factorSeconds);
      terms = i.nTermsNCSB;
    }
    for (const auto& s : e.steps) solve += s.solveSeconds;
    iterations += e.nIterations;
    perStep += " " + std::to_string(e.nIterations);
  }
  double order, estimate;
  int nOrder, nEstimate;
  PrintedSeconds(dir + "/bar.out", "Profile-reducing order: ", &order, &nOrder);
  PrintedSeconds(dir + "/bar.out", "Condition estimate: ", &estimate, &nEstimate);
  const auto dr = resultfile::ReadDisplReact(dir + "/bar_dr.bin", j.layout.nF, j.layout.nP);
  double reaction = 0.0;
  if (!dr.records.empty())
    for (int J = 0; J <= n2; J++)
      for (int K = 0; K <= n3; K++)
        reaction += dr.records.back().react.at(static_cast<size_t>(j.layout.Presc(g.At(n1, J, K), 3)));
  std::printf("Plastic bar (%d equations, profile %.1f MB): %.2f s, %d iterations (per step:%s)\n", j.layout.nF,
              terms * 8.0 / (1 << 20), total, iterations, perStep.c_str());
  std::printf("  assembly %.2f s, factorisation %.2f s, solves %.2f s; order %.3f s (%d), condition estimate %.3f s "
              "(%d): %.2f %% of the run\n",
              assembly, factor, solve, order, nOrder, estimate, nEstimate, 100.0 * (order + estimate) / total);
  std::printf("  tip force at the last step %.10e\n", reaction);
}

void ThermalCube(const std::string& exe, const std::string& dir) {
  const int n = 25;
  double seconds[2] = {0, 0};
  std::vector<double> last[2];
  for (int nonlinear : {0, 1}) {
    tw::Model m;
    m.main.analysisType = 6;
    m.main.storageTechnique = 1;
    m.main.linEqAlgorithm = 1;
    m.main.thermalTheta = 1.0;
    m.main.thermalSteppingMethod = 2;
    if (nonlinear) {
      m.main.materNonlinear = 1;
      m.main.convergenceCriterion = 2;
      m.main.tolerance = 1e-8;
      m.main.maxIterations = 30;
    }
    tw::AddRecord(m, "<THERMAL_ISOTROPIC_MATERIALS>", tw::Material("concrete", "ddd", {2400.0, 2.0, 880.0}));
    std::vector<tw::Rec> held;
    AddHexaBox(m, n, n, n, 1.0, 1.0, 1.0, [&](double x1, double x2, double x3, int I, int, int) {
      const int p = tw::AddPoint(m, x1, x2, x3);
      if (I == 0) {
        tw::AddRecord(m, "<BOUNDARY_WITH_FIXED_TEMPERATURES>", tw::Support(p, "100000"));
        held.push_back(tw::Rec().I(p).I(1).D(100.0));
      }
      return p;
    });
    m.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, n * n * n, _SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, 1, 0, 0)};
    tw::LoadCase lc;
    lc.blocks = {{"<PRESCRIBED_POINT_TEMPERATURES>", held}};
    m.loadCases = {lc};
    for (int s = 0; s < 50; s++) {
      tw::Combination c;
      c.duration = 3600.0;
      c.factors = {{1, 1.0}};
      m.combinations.push_back(c);
    }
    const std::string name = nonlinear ? "heat_nl" : "heat_lin";
    const double t0 = Now();
    if (!RunModel(exe, dir, name, m)) return;
    seconds[nonlinear] = Now() - t0;
    const int nP = (n + 1) * (n + 1), nF = (n + 1) * (n + 1) * (n + 1) - nP;
    const auto tq = resultfile::ReadDisplReact(dir + "/" + name + "_tq.bin", nF, nP, false, true);
    if (!tq.records.empty()) last[nonlinear] = tq.records.back().free;
  }
  double diff = 0.0;
  for (size_t i = 0; i < last[0].size() && i < last[1].size(); i++) diff = std::max(diff, std::fabs(last[0][i] - last[1][i]));
  std::printf("Thermal transient, 25^3 cube, 50 steps: linear driver %.2f s, nonlinear driver %.2f s (%.2f x); "
              "largest difference of the last temperatures %.3e\n",
              seconds[0], seconds[1], seconds[1] / seconds[0], diff);
}

void CubeThreads(const std::string& exe, const std::string& dir, int n) {
  const linmodel::Job j = PunchedCube(n, false, 1);
  double base = 0.0, baseFactor = 0.0;
  for (int threads : {1, 2, 4, 8}) {
    const std::string name = "cube" + std::to_string(n) + "_t" + std::to_string(threads);
    const double t0 = Now();
    if (!RunJob(exe, dir, name, j, "", "VOLDE_THREADS=" + std::to_string(threads))) return;
    const double total = Now() - t0;
    const auto le = resultfile::ReadLinearExecParams(dir + "/" + name + "_ep.bin");
    if (threads == 1) {
      base = total;
      baseFactor = le.iter.factorSeconds;
    }
    std::printf("Cube n = %d (%d equations, profile %.0f MB), %d thread%s: run %.2f s (speed-up %.2f), "
                "factorisation %.2f s (speed-up %.2f)\n",
                n, j.layout.nF, le.iter.nTermsNCSB * 8.0 / (1 << 20), threads, threads > 1 ? "s" : "", total,
                base / total, le.iter.factorSeconds, baseFactor / le.iter.factorSeconds);
    std::fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string exe = std::filesystem::absolute(argc > 1 ? argv[1] : VOLDE_EXE).string();
  const std::string dir = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "volde_speed").string();
  std::filesystem::create_directories(dir);
  const std::string only = argc > 3 ? argv[3] : "";
  if (only.empty() || only == "bar") PlasticBar(exe, dir);
  if (only.empty() || only == "thermal") ThermalCube(exe, dir);
  if (only.empty() || only == "cube") CubeThreads(exe, dir, 30);
  if (only == "40") CubeThreads(exe, dir, 40);
  return 0;
}
