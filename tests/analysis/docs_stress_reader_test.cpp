// The stresses that docs/volde_results.py prints from the history files of a nonlinear run,
// on the example of docs/example_models.py with four unconnected parts under uniform
// stress: a plane-stress wall and a hexahedron of smeared-crack concrete, a layered Mindlin
// shell of concrete and smeared bar layers, and a steel cable, each below cracking and
// yield, at half and at full load.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

// Per (history file, combination, "element E point K [layer L]") the named values of the line.
using Lines = std::map<std::string, std::map<std::string, double>>;

Lines ParseStressLines(const std::string& out, std::map<std::string, int>* linesPerBlock) {
  Lines lines;
  std::istringstream in(out);
  std::string line, block;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::vector<std::string> w;
    for (std::string t; f >> t;) w.push_back(t);
    if (w.size() == 3 && w[0].ends_with("_HD.bin") && w[1] == "combination") {
      block = w[0] + " " + w[2];
      continue;
    }
    if (w.empty() || w[0] != "element" || block.empty()) continue;
    // The place runs up to the first name that is not one of its words.
    size_t k = 0;
    std::string place;
    while (k + 1 < w.size() && (w[k] == "element" || w[k] == "point" || w[k] == "layer")) {
      place += (place.empty() ? "" : " ") + w[k] + " " + w[k + 1];
      k += 2;
    }
    std::map<std::string, double>& values = lines[block + " " + place];
    for (; k + 1 < w.size(); k += 2) values[w[k]] = std::stod(w[k + 1]);
    (*linesPerBlock)[block]++;
  }
  return lines;
}

// The components of `values` that carry a stress: the one named `main` equal to `expected`,
// every other stress zero (at the rounding of `expected`).
void ExpectUniaxial(const std::map<std::string, double>& values, const std::string& main, double expected,
                    const std::vector<std::string>& zeros, const std::string& where) {
  ASSERT_TRUE(values.count(main)) << where;
  EXPECT_NEAR(values.at(main), expected, 1e-12 * expected) << where;
  for (const std::string& z : zeros) {
    ASSERT_TRUE(values.count(z)) << where << " " << z;
    EXPECT_NEAR(values.at(z), 0.0, 1e-12 * expected) << where << " " << z;
  }
}

}  // namespace

// Closed forms: the wall s22 = q / t; the block s11 = p; the shell layers share the strain
// F / (E t_c + E_s t_s) of the membrane, the concrete layers sx = E times it, the bar layer
// s = E_s times it; the cable s = P / A. No point cracks. The lines name every point of
// each element's rule (2 x 2, 2 x 2 x 2, 3 x 3 with three layers, 2 along the cable). A
// file cut inside its second block (a run that stopped while writing it) gives its first
// block alone. The sample output of docs/result-files.md is what the reader prints.
TEST(Examples, DocsResultReaderPrintsTheStressesOfPlaneSolidShellAndBar) {
  const std::string python = FindPython3();
  if (python.empty()) GTEST_SKIP() << "python3 is not installed";
  const std::string dir = MakeScratchDirectory();
  const ChildResult written = RunProgram(python, {DocsPath("example_models.py")}, dir);
  ASSERT_EQ(written.status, 0) << written.err;
  const ChildResult run = RunProgram(VOLDE_EXE, {"stress_parts"}, dir);
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  // A job name longer than a short string: the run gives its lock file back all the same.
  EXPECT_FALSE(std::filesystem::exists(dir + "/stress_parts.lock"));
  const ChildResult py = RunProgram(python, {DocsPath("volde_results.py"), "stress_parts"}, dir);
  ASSERT_EQ(py.status, 0) << py.err;
  std::map<std::string, int> perBlock;
  const Lines lines = ParseStressLines(py.out, &perBlock);

  const double q = 300e3, t = 0.2, p = 1.5e6, F = 310e3, P = 1e4, A = 1e-4;
  const double Ec = 30e9, Es = 200e9, strain = F / (Ec * 0.2 + Es * 0.001);
  const std::vector<std::string> plane = {"s33", "s23"}, solid = {"s22", "s33", "s23", "s13", "s12"};
  for (int c = 1; c <= 2; c++) {
    const double f = 0.5 * c;
    const std::string comb = " " + std::to_string(c) + " ";
    EXPECT_EQ(perBlock["stress_parts_NLMM101_HD.bin " + std::to_string(c)], 4 + 9 * 2) << c;
    EXPECT_EQ(perBlock["stress_parts_NLMM102_HD.bin " + std::to_string(c)], 8) << c;
    EXPECT_EQ(perBlock["stress_parts_NLMM145_HD.bin " + std::to_string(c)], 9) << c;
    EXPECT_EQ(perBlock["stress_parts_NLMM201_HD.bin " + std::to_string(c)], 2) << c;
    auto at = [&](const std::string& file, const std::string& place) -> const std::map<std::string, double>& {
      static const std::map<std::string, double> none;
      const auto it = lines.find("stress_parts_" + file + "_HD.bin" + comb + place);
      EXPECT_NE(it, lines.end()) << file << comb << place;
      return it == lines.end() ? none : it->second;
    };
    for (int k = 1; k <= 4; k++) {
      const std::string place = "element 1 point " + std::to_string(k);
      ExpectUniaxial(at("NLMM101", place), "s22", f * q / t, plane, place);
      EXPECT_EQ(at("NLMM101", place).at("cracks"), 0.0) << place;
    }
    for (int k = 1; k <= 8; k++) {
      const std::string place = "element 2 point " + std::to_string(k);
      ExpectUniaxial(at("NLMM102", place), "s11", f * p, solid, place);
      EXPECT_EQ(at("NLMM102", place).at("cracks"), 0.0) << place;
    }
    for (int k = 1; k <= 9; k++) {
      const std::string point = "element 3 point " + std::to_string(k);
      for (int layer : {1, 3})
        ExpectUniaxial(at("NLMM101", point + " layer " + std::to_string(layer)), "sx", f * Ec * strain, {"sy", "sxy"},
                       point);
      ExpectUniaxial(at("NLMM145", point + " layer 2"), "s", f * Es * strain, {}, point);
    }
    for (int k = 1; k <= 2; k++)
      ExpectUniaxial(at("NLMM201", "element 4 point " + std::to_string(k)), "s", f * P / A, {}, "cable");
  }

  // The sample of docs/result-files.md: every line it shows is a line of the output.
  std::ifstream page(DocsPath("result-files.md"));
  const std::string text((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
  const size_t sample = text.find("```\nstress_parts_NLMM101_HD.bin combination 2\n");
  ASSERT_NE(sample, std::string::npos);
  std::istringstream shown(text.substr(sample + 4, text.find("```", sample + 4) - sample - 4));
  for (std::string line; std::getline(shown, line);) {
    if (line != "...") {
      EXPECT_NE(("\n" + py.out).find("\n" + line + "\n"), std::string::npos) << line;
    }
  }

  const std::string cut = dir + "/stress_parts_NLMM102_HD.bin";
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 100);
  const ChildResult stopped = RunProgram(python, {DocsPath("volde_results.py"), "stress_parts"}, dir);
  ASSERT_EQ(stopped.status, 0) << stopped.err;
  std::map<std::string, int> stoppedBlocks;
  ParseStressLines(stopped.out, &stoppedBlocks);
  EXPECT_EQ(stoppedBlocks["stress_parts_NLMM102_HD.bin 1"], 8);
  EXPECT_EQ(stoppedBlocks.count("stress_parts_NLMM102_HD.bin 2"), 0u);
  EXPECT_EQ(stoppedBlocks["stress_parts_NLMM101_HD.bin 2"], 22);
  RemoveDirectory(dir);
}
