// Temperature variations on hexahedra of the nonlinear solid models, end to end: the
// models take the mechanical strain (the strain less alpha dT), so a free cube heated or
// cooled moves by alpha dT L with neither reactions nor stresses; a cube held along x1
// carries E alpha dT A while elastic, a plastic one no more than its yield force, and a
// crack model cooled until it cracks follows the tension curve of the pulled bar in
// terms of the thermal strain. Both solvers, both path behaviours; geometric runs too.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"

namespace tw = testmodel;
using linmodel::Job;
using nonlinrun::kSolvers;
using nonlinrun::Reaction;
using nonlinrun::Solver;

namespace {

// The crack part shared by _NLMM111, _NLMM102 and _NLMM151: ft 3, Gf 0.1, law 1
// (0.1, 0.5, 0.4, 0.2), beta 0.2, band option 1 with h 100, at most 3 cracks.
tw::Rec CrackPart(tw::Rec r, int code) {
  if (code == MAT_NLMM102) return r.I(1).Ds({0.1, 0.5, 0.4, 0.2, 0.1, 1.0}).I(1).D(0.2).I(1).I(1).I(1).D(100.0).I(3).D(1.0);
  return r.I(1).Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0, 0.1, 1.0}).I(0).Ds({0.0, 0.0, 0.0, 0.0}).I(1).D(0.2).I(1)
      .Ds({0.0, 0.0}).I(1).I(1).D(100.0).I(3).D(1.0);
}

// A record of kind `code` with E 30000 (1000 for _NLMM124), Poisson's ratio nu and
// thermal expansion coefficient alpha: the crack models with ft 3; the concrete
// plasticity models with fc 30, fct 3, eps_c1 0.0022, alpha0 0.3 (first yield in
// uniaxial compression near 9); _NLMM124 a von Mises cone with c0 10 (sigma_y 20).
tw::Rec Material(int code, double nu, double alpha) {
  switch (code) {
    case MAT_NLMM111:
    case MAT_NLMM102: return CrackPart(tw::Rec().S("S1").Ds({0.0, alpha, nu, 30000.0, 3.0, 3.0}), code);
    case MAT_NLMM151:
      return CrackPart(tw::Rec().S("C1").Ds({0.0, alpha, nu, 30000.0, 30.0, 0.0022, 0.3, 15.0}).I(1)
                           .Ds({0.0, 0.0, 0.0, 0.0, 0.0, 3.0}),
                       code);
    case MAT_NLMM122: return tw::Rec().S("concrete").Ds({0.0, alpha, nu, 30000.0, 30.0, 3.0, 0.0022, 0.3});
    case MAT_NLMM123: return tw::Rec().S("concrete").Ds({0.0, alpha, nu, 30000.0, 30.0, 3.0, 0.0022, 0.3}).I(1);
    default: return tw::Rec().S("plastic").Ds({0.0, alpha, nu, 1000.0}).I(2).I(1).Ds({10.0, 1.0}).I(1)
                 .Ds({0.0, 0.0, 1.0});
  }
}

const char* Block(int code) {
  switch (code) {
    case MAT_NLMM111: return "<NLMM111>";
    case MAT_NLMM102: return "<NLMM102>";
    case MAT_NLMM151: return "<NLMM151>";
    case MAT_NLMM122: return "<NLMM122>";
    case MAT_NLMM123: return "<NLMM123>";
    default: return "<NLMM124>";
  }
}

const char* HistorySuffix(int code) {
  switch (code) {
    case MAT_NLMM111: return "_NLMM111_HD.bin";
    case MAT_NLMM102: return "_NLMM102_HD.bin";
    case MAT_NLMM151: return "_NLMM151_HD.bin";
    case MAT_NLMM122: return "_NLMM122_HD.bin";
    case MAT_NLMM123: return "_NLMM123_HD.bin";
    default: return "_NLMM124_HD.bin";
  }
}

// One cube of side L of kind `code` on rollers at x1 = 0, x2 = 0, x3 = 0 (held: also at
// x1 = L); load case 1 the temperature variation 1 of the element, combination k its
// factor dT[k].
struct Cube {
  linmodel::LatticeJob lj;
  std::vector<int> end;
  Cube(int code, double L, double nu, double alpha, bool held, const std::vector<double>& dT)
      : lj(linmodel::HexaBar(8, 1, 1.0, 0.0, 0.0, 30000.0, nu, 0.0, false, [held](int I, int J, int K) {
          return std::string(I == 0 || (held && I == 2) ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") +
                 "000";
        })) {
    Job& j = lj.job;
    linmodel::MovePoints(j, [L](const std::array<double, 3>& x) {
      return std::array<double, 3>{L * x[0], L * x[1], L * x[2]};
    });
    for (int J : {0, 2})
      for (int K : {0, 2}) end.push_back(lj.At(2, J, K));
    tw::AddRecord(j.model, Block(code), Material(code, nu, alpha));
    j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, code, 1, 0, 0)};
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {tw::TemperatureVariation(1, {1.0})})};
    nonlinrun::Factors(j.model, dT);
    nonlinrun::Iterate(j.model.main, 1e-9, 100);
  }
};

// The stresses (6 per point) of every record of every combination block of a history
// file of the solid models, whose records all start with the point status, the strain
// and the stress.
std::vector<std::vector<std::vector<double>>> ReadPointStresses(const std::string& path, int nRecords) {
  const std::vector<uint8_t> b = resultfile::ReadFileBytes(path);
  std::vector<std::vector<std::vector<double>>> blocks;
  if (b.empty()) {
    ADD_FAILURE() << "no history file " << path;
    return blocks;
  }
  resultfile::Cursor c{b, 0, ""};
  c.Str("heading");
  const size_t closing = 4 + std::strlen("</HISTORICAL_DATA_OF_NONLINEAR_MATERIAL_MODEL>") + 1;
  while (c.error.empty() && c.pos + closing < b.size()) {
    const size_t at = c.pos;
    const size_t end = static_cast<size_t>(c.I64("block end"));
    c.Str("block tag");
    const size_t first = c.pos;
    if (end <= first || (end - first) % static_cast<size_t>(nRecords) != 0) {
      ADD_FAILURE() << "history block at " << at;
      return blocks;
    }
    const size_t size = (end - first) / static_cast<size_t>(nRecords);
    std::vector<std::vector<double>> points;
    for (int r = 0; r < nRecords; r++) {
      c.pos = first + static_cast<size_t>(r) * size + 4 + 48;
      points.push_back(c.F64s(6, "point stress"));
    }
    blocks.push_back(points);
    c.pos = end;
  }
  EXPECT_EQ(c.error, "") << path;
  return blocks;
}

class SolidTemperatureRun : public nonlinrun::RunFixture {};

constexpr int kModels[] = {MAT_NLMM111, MAT_NLMM102, MAT_NLMM151, MAT_NLMM122, MAT_NLMM123, MAT_NLMM124};

}  // namespace

// A unit cube on rollers heated by 20 and cooled to -5 (alpha 1e-5, nu 0.2): the far
// corner moves by alpha dT along each axis, the supports take nothing, and no point holds
// a stress. A plastic cube heated far past the temperature at which a pressed cube would
// yield stays free of stress as well.
TEST_F(SolidTemperatureRun, FreeCubeExpandsWithoutReactionsOrStresses) {
  struct Case {
    int code;
    double alpha;
    std::vector<double> dT;
  };
  std::vector<Case> cases;
  for (int code : kModels) cases.push_back({code, 1e-5, {20.0, -5.0}});
  cases.push_back({MAT_NLMM124, 1e-4, {100.0, 400.0, -300.0}});
  for (const Case& c : cases)
    for (int pb : {1, 2})
      for (const Solver& s : kSolvers) {
        SCOPED_TRACE(testing::Message() << c.code << " alpha " << c.alpha << " path " << pb << " solver "
                                        << s.algorithm);
        Cube cube(c.code, 1.0, 0.2, c.alpha, false, c.dT);
        Job& j = cube.lj.job;
        j.model.main.pathBehavior = pb;
        const resultfile::DisplReactFile dr = Run(j, s, "free");
        if (dr.records.size() != c.dT.size()) continue;
        const auto stresses = ReadPointStresses(dir_ + "/free" + HistorySuffix(c.code), 8);
        ASSERT_EQ(stresses.size(), c.dT.size());
        const int corner = cube.lj.At(2, 2, 2);
        for (size_t k = 0; k < c.dT.size(); k++) {
          const double e = c.alpha * c.dT[k];
          for (int d = 1; d <= 3; d++)
            EXPECT_NEAR(dr.records[k].free.at(static_cast<size_t>(j.layout.Free(corner, d))), e, 1e-12) << k;
          for (double r : dr.records[k].react) EXPECT_NEAR(r, 0.0, 1e-9) << k;
          for (const auto& point : stresses[k])
            for (double x : point) EXPECT_NEAR(x, 0.0, 1e-9) << k;
        }
      }
}

// The unit cube held along x1 (nu 0.2, free to swell sideways), heated by 20 and cooled
// to -5 (-0.5 for the concrete plasticity models, which yield in tension near 0.33): the
// held face carries -E alpha dT A, uniaxial, every model elastic.
TEST_F(SolidTemperatureRun, HeldCubeCarriesTheElasticThermalForce) {
  for (int code : kModels) {
    const bool concrete = code == MAT_NLMM122 || code == MAT_NLMM123;
    const std::vector<double> dT = {20.0, concrete ? -0.5 : -5.0};
    for (int pb : {1, 2})
      for (const Solver& s : kSolvers) {
        SCOPED_TRACE(testing::Message() << code << " path " << pb << " solver " << s.algorithm);
        Cube cube(code, 1.0, 0.2, 1e-5, true, dT);
        Job& j = cube.lj.job;
        j.model.main.pathBehavior = pb;
        const resultfile::DisplReactFile dr = Run(j, s, "held");
        if (dr.records.size() != dT.size()) continue;
        const double E = code == MAT_NLMM124 ? 1000.0 : 30000.0;
        const auto stresses = ReadPointStresses(dir_ + "/held" + HistorySuffix(code), 8);
        ASSERT_EQ(stresses.size(), dT.size());
        for (size_t k = 0; k < dT.size(); k++) {
          const double sigma = -E * 1e-5 * dT[k];
          EXPECT_NEAR(Reaction(dr.records[k], j, cube.end, 1), sigma, 1e-9 * E);
          // The face x1 = 0 takes the opposite force; nothing acts sideways.
          std::vector<int> start;
          for (int J : {0, 2})
            for (int K : {0, 2}) start.push_back(cube.lj.At(0, J, K));
          EXPECT_NEAR(Reaction(dr.records[k], j, start, 1), -sigma, 1e-9 * E);
          for (const auto& point : stresses[k]) {
            EXPECT_NEAR(point[0], sigma, 1e-9 * E);
            for (int c = 1; c < 6; c++) EXPECT_NEAR(point[static_cast<size_t>(c)], 0.0, 1e-9 * E);
          }
        }
      }
  }
}

// The held cube of the von Mises model (E 1000, sigma_y 20, alpha 1e-4) heated to 400:
// the force grows as E alpha dT to the yield force 20 (at dT 200) and stays there; cooled
// back it unloads elastically from the yield force.
TEST_F(SolidTemperatureRun, HeldPlasticCubeStopsAtTheYieldForce) {
  const std::vector<double> dT = {100.0, 199.0, 201.0, 300.0, 400.0, 300.0, 250.0};
  const std::vector<double> force = {-10.0, -19.9, -20.0, -20.0, -20.0, -10.0, -5.0};
  for (int pb : {1, 2})
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(testing::Message() << "path " << pb << " solver " << s.algorithm);
      Cube cube(MAT_NLMM124, 1.0, 0.3, 1e-4, true, dT);
      Job& j = cube.lj.job;
      j.model.main.pathBehavior = pb;
      const resultfile::DisplReactFile dr = Run(j, s, "plastic");
      if (dr.records.size() != dT.size()) continue;
      const auto stresses = ReadPointStresses(dir_ + "/plastic_NLMM124_HD.bin", 8);
      ASSERT_EQ(stresses.size(), dT.size());
      for (size_t k = 0; k < dT.size(); k++) {
        EXPECT_NEAR(Reaction(dr.records[k], j, cube.end, 1), force[k], 1e-6) << dT[k];
        // Uniaxial at every point: no pressure from the restrained expansion.
        for (const auto& point : stresses[k]) {
          EXPECT_NEAR(point[0], force[k], 1e-6) << dT[k];
          for (int c = 1; c < 6; c++) EXPECT_NEAR(point[static_cast<size_t>(c)], 0.0, 1e-6) << dT[k];
        }
      }
    }
}

// The 100 mm cube of the crack model held along x1 (nu 0, alpha 1e-5) and cooled in steps
// of 1 degree: its force is that of the cube pulled by u = -alpha dT L, the crack band
// curve of the pulled bar (peak ft A = 30000 N at dT = -10, law 1 after it).
TEST_F(SolidTemperatureRun, HeldCrackCubeCooledFollowsTheTensionCurve) {
  std::vector<double> dT;
  for (int k = 1; k <= 60; k++) dT.push_back(-static_cast<double>(k));
  for (int code : {MAT_NLMM111, MAT_NLMM151}) {
    SCOPED_TRACE(code);
    Cube cooled(code, 100.0, 0.0, 1e-5, true, dT);
    Job pulled = cooled.lj.job;
    std::vector<tw::Rec> pulls;
    for (int p : cooled.end) pulls.push_back(tw::PrescribedDisplacement(p, 1, -1e-3));
    pulled.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
    // The elasto-plastic model solves its cracks to 1e-6 fc (0.3 N on the section).
    const double tol = code == MAT_NLMM151 ? 0.3 : 0.05;
    std::vector<std::vector<double>> curves;
    for (const Solver& s : kSolvers) {
      const resultfile::DisplReactFile a = Run(cooled.lj.job, s, "cooled");
      const resultfile::DisplReactFile b = Run(pulled, s, "pulled");
      if (a.records.size() != dT.size() || b.records.size() != dT.size()) continue;
      std::vector<double> f;
      for (size_t k = 0; k < dT.size(); k++) {
        f.push_back(Reaction(a.records[k], cooled.lj.job, cooled.end, 1));
        EXPECT_NEAR(f.back(), Reaction(b.records[k], pulled, cooled.end, 1), tol) << dT[k];
      }
      EXPECT_NEAR(f[9], 30000.0, 1e-4);
      EXPECT_NEAR(f[14], 21562.5, tol);
      EXPECT_NEAR(f[29], 12413.79, tol);
      EXPECT_NEAR(f[49], 7758.62, tol);
      curves.push_back(f);
    }
    if (curves.size() == 2) {
      for (size_t k = 0; k < dT.size(); k++) EXPECT_NEAR(curves[0][k], curves[1][k], tol) << dT[k];
    }
    if (code != MAT_NLMM111 || curves.empty()) continue;
    // PATH_BEHAVIOR 2 carries the records on from iteration to iteration: the thermal
    // strain of a step enters them once, for the plain model and for a material pattern
    // of the crack model with a temperature model that keeps it at 20 degrees (loaded on
    // the element's own 2 x 2 x 2 points).
    for (bool pattern : {false, true})
      for (int pb : {1, 2}) {
        if (!pattern && pb == 1) continue;
        SCOPED_TRACE(testing::Message() << "pattern " << pattern << " path " << pb);
        Job j = cooled.lj.job;
        j.model.main.pathBehavior = pb;
        if (pattern) {
          // The temperature model with every property at its 20 degree value.
          tw::AddRecord(j.model, "<NLMM175>", tw::Rec().S("heat").Is({0, 0, 0, 0, 0, 0, 0}));
          tw::AddRecord(j.model, "<NLMM_PATTERNS>",
                        tw::Rec().S("pattern").I(2).I(MAT_NLMM175).I(1).I(MAT_NLMM111).I(1));
          j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, MAT_NLMM_PATT, 1, 0, 0)};
          j.model.blocks["<NUMERICAL_INTEGRATION>"] = {linmodel::IntegrationPattern("g2", {2, 2, 2})};
          j.model.loadCases[0].integrationName = 1;
        }
        const resultfile::DisplReactFile a = Run(j, kSolvers[0], "variant");
        if (a.records.size() != dT.size()) continue;
        for (size_t k = 0; k < dT.size(); k++)
          EXPECT_NEAR(Reaction(a.records[k], j, cooled.end, 1), curves[0][k], tol) << dT[k];
      }
  }
}

// Geometrically nonlinear runs, total and updated Lagrangian, both solvers (path behaviour
// 2 on the crack model): the models take the strain less the thermal one there too, and
// the stress of the thermal strain in the internal forces pairs with the temperature load
// on the initial geometry. The free cube heated by 20 and cooled to -5 (alpha 1e-5, nu
// 0.2) moves by alpha dT L within the geometric effect (1e-3 of the largest alpha dT)
// with neither reactions nor stresses; the cube held along x1 carries E alpha dT A within
// the same 1e-3 of E times the largest alpha dT (the updated description sums Green strain
// increments, which differ from the stretch at second order in each step), uniaxial
// (cooled to -0.5 only for the concrete plasticity models, which yield in tension near
// 0.33).
TEST_F(SolidTemperatureRun, GeometricRunTakesTheThermalStrain) {
  for (int code : kModels)
    for (int kinematic : {1, 2})
      for (const Solver& s : kSolvers)
        for (bool held : {false, true}) {
          const bool concrete = code == MAT_NLMM122 || code == MAT_NLMM123;
          const std::vector<double> steps = {20.0, held && concrete ? -0.5 : -5.0};
          SCOPED_TRACE(testing::Message() << code << " kinematic " << kinematic << " solver " << s.algorithm
                                          << (held ? " held" : " free"));
          Cube cube(code, 1.0, 0.2, 1e-5, held, steps);
          Job& j = cube.lj.job;
          j.model.main.geomNonlinear = 1;
          j.model.main.kinematicDescription = kinematic;
          if (code == MAT_NLMM111 && s.algorithm == 1) j.model.main.pathBehavior = 2;
          const resultfile::DisplReactFile dr = Run(j, s, "geometric");
          if (dr.records.size() != steps.size()) continue;
          const double E = code == MAT_NLMM124 ? 1000.0 : 30000.0;
          const auto stresses = ReadPointStresses(dir_ + "/geometric" + HistorySuffix(code), 8);
          ASSERT_EQ(stresses.size(), steps.size());
          const int corner = cube.lj.At(2, 2, 2);
          for (size_t k = 0; k < steps.size(); k++) {
            const double e = 1e-5 * steps[k], sigma = held ? -E * e : 0.0;
            const double tol = 1e-3 * E * 2e-4;
            if (held) {
              EXPECT_NEAR(Reaction(dr.records[k], j, cube.end, 1), sigma, tol) << k;
            } else {
              // The updated description measures each step's strain on the expanded cube.
              for (int d = 1; d <= 3; d++)
                EXPECT_NEAR(dr.records[k].free.at(static_cast<size_t>(j.layout.Free(corner, d))), e, 1e-3 * 2e-4)
                    << k;
              for (double r : dr.records[k].react) EXPECT_NEAR(r, 0.0, 1e-9) << k;
            }
            for (const auto& point : stresses[k]) {
              EXPECT_NEAR(point[0], sigma, tol) << k;
              for (int c = 1; c < 6; c++) EXPECT_NEAR(point[static_cast<size_t>(c)], 0.0, tol) << k;
            }
          }
        }
}

// A free cube of the von Mises model heated far (alpha 1e-4, dT 400 then 100: strains of
// 4 % and 1 %) in both descriptions: a uniformly heated free body stays free of stress and
// reactions, and it swells by alpha dT L, the thermal stretch, over a heating and cooling
// path.
TEST_F(SolidTemperatureRun, GeometricRunKeepsAFreeCubeFreeOfStressAtLargeThermalStrain) {
  const std::vector<double> dT = {200.0, 400.0, 100.0};
  for (int kinematic : {1, 2}) {
    SCOPED_TRACE(kinematic);
    Cube cube(MAT_NLMM124, 1.0, 0.3, 1e-4, false, dT);
    Job& j = cube.lj.job;
    j.model.main.geomNonlinear = 1;
    j.model.main.kinematicDescription = kinematic;
    const resultfile::DisplReactFile dr = Run(j, kSolvers[0], "hot");
    if (dr.records.size() != dT.size()) continue;
    const auto stresses = ReadPointStresses(dir_ + "/hot_NLMM124_HD.bin", 8);
    ASSERT_EQ(stresses.size(), dT.size());
    const int corner = cube.lj.At(2, 2, 2);
    for (size_t k = 0; k < dT.size(); k++) {
      for (double r : dr.records[k].react) EXPECT_NEAR(r, 0.0, 1e-9) << k;
      for (const auto& point : stresses[k])
        for (double x : point) EXPECT_NEAR(x, 0.0, 1e-9) << k;
      const double e = 1e-4 * dT[k];
      for (int d = 1; d <= 3; d++)
        EXPECT_NEAR(dr.records[k].free.at(static_cast<size_t>(j.layout.Free(corner, d))), e, 1e-9) << k;
    }
  }
}

// The held crack cube in a geometric run, heated, cooled until it cracks and warmed again,
// stopped after combination 3 and restarted: the files of the run without a stop.
TEST_F(SolidTemperatureRun, GeometricRunRestartsToTheUninterruptedRun) {
  Cube cube(MAT_NLMM111, 100.0, 0.0, 1e-5, true, {10.0, -5.0, -12.0, -20.0, -8.0, 4.0});
  Job& j = cube.lj.job;
  j.model.main.geomNonlinear = 1;
  j.model.main.kinematicDescription = 1;
  ExpectRestartGivesTheUninterruptedRun(j, kSolvers[0], 3, {"_dr.bin", "_if.bin", "_NLMM111_HD.bin"});
}
