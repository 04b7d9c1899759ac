// Nonlinear static runs end to end on elastic models: the Newton-Raphson loop must give
// the linear solution, converge as each norm says, write its result files record by
// record, save and reuse the global stiffness, stop at the iteration limit with usable
// files, and restart to the same bytes as a run without interruption.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;
using linmodel::Job;

namespace {

struct Solver {
  int storage, algorithm;
  const char* name;
  double tol;
};
constexpr Solver kGauss = {1, 1, "Gaussian elimination", 1e-12};
constexpr Solver kJPCG = {2, 2, "conjugate gradient", 1e-9};
constexpr Solver kSolvers[] = {kGauss, kJPCG};

using nonlinrun::Outcome;

using linmodel::ElementLoads;

// Materially nonlinear run of the model's load cases: combination k takes load case k
// with factor 1 (optionally a last combination repeating the previous one).
void MakeNonlinear(Job& j, int criterion, double tolerance, bool repeatLast) {
  tw::MainParams& m = j.model.main;
  m.materNonlinear = 1;
  m.convergenceCriterion = criterion;
  m.tolerance = tolerance;
  m.maxIterations = 10;
  j.model.combinations.clear();
  const int n = static_cast<int>(j.model.loadCases.size());
  for (int lc = 1; lc <= n; lc++) {
    tw::Combination c;
    c.factors = {{lc, 1.0}};
    j.model.combinations.push_back(c);
  }
  if (repeatLast) j.model.combinations.push_back(j.model.combinations.back());
}

void SetFactors(Job& j, const std::vector<double>& factors) { nonlinrun::Factors(j.model, factors); }

class NonlinearStatic : public nonlinrun::RunFixture {
 protected:
  Outcome Run(Job job, const Solver& s, const std::string& ctrl = "", const std::string& name = "job1") {
    job.model.main.storageTechnique = s.storage;
    job.model.main.linEqAlgorithm = s.algorithm;
    return RunOutcome(job.model, job.layout.nF, job.layout.nP, name, ctrl);
  }

  resultfile::DisplReactFile RunLinear(Job job) {
    job.model.main.storageTechnique = 1;
    job.model.main.linEqAlgorithm = 1;
    ChildResult r = Start(job.model, "lin");
    EXPECT_EQ(r.status, 0) << r.err;
    return resultfile::ReadDisplReact(Path("_dr.bin", "lin"), job.layout.nF, job.layout.nP);
  }

  static void ExpectSuccess(const Outcome& o, size_t nCombinations) {
    EXPECT_EQ(o.run.status, 0) << o.run.err;
    EXPECT_EQ(o.run.err, "");
    EXPECT_EQ(o.dr.error, "");
    EXPECT_TRUE(o.dr.closed);
    EXPECT_EQ(o.ep.error, "");
    EXPECT_TRUE(o.ep.closed);
    EXPECT_EQ(o.iff.error, "");
    EXPECT_TRUE(o.iff.closed);
    EXPECT_EQ(o.dr.records.size(), nCombinations);
    EXPECT_EQ(o.ep.entries.size(), nCombinations);
    EXPECT_EQ(o.iff.records.size(), nCombinations);
  }
};

std::string ReadTextFile(const std::string& path) {
  const std::vector<uint8_t> b = resultfile::ReadFileBytes(path);
  return std::string(b.begin(), b.end());
}

double MaxAbs(const std::vector<double>& v) {
  double m = 0.0;
  for (double x : v) m = std::max(m, std::fabs(x));
  return m;
}

void ExpectVectorsNear(const std::vector<double>& a, const std::vector<double>& b, double rel, const char* what) {
  ASSERT_EQ(a.size(), b.size()) << what;
  const double scale = std::max(MaxAbs(b), 1e-30);
  for (size_t i = 0; i < a.size(); i++) EXPECT_NEAR(a[i], b[i], rel * scale) << what << " " << i;
}

struct Family {
  const char* name;
  std::function<Job()> build;
};

Job WithLoads(Job j, std::vector<tw::LoadCase> lcs) {
  j.model.loadCases = std::move(lcs);
  return j;
}

Job Shell(int type) {
  const bool slab = type == 18;
  linmodel::LatticeJob lj = linmodel::QuadMesh(
      type, 8, 1, 1, [](double u, double v) { return std::array<double, 3>{u, v, 0.0}; }, 1000.0, 0.3, 1.0, 0.1,
      [slab](int I, int, int) { return I == 0 ? std::string(slab ? "001110" : "111111") : std::string("000000"); });
  return WithLoads(lj.job, {ElementLoads({tw::PointLoad(lj.At(2, 2), {0, 0, -1, 0, 0, 0})},
                                  {tw::EdgeLoad(1, 0, 2, 'G', 3, 1, {-1.0})}, {tw::FaceLoad(1, 0, 'G', 3, 1, {-1.0})},
                                  {}, {0, 0, -1})});
}

// A Truss2D apex whose dofs refer to axes turned by 30 degrees.
Job RotatedApexTruss() {
  Job j = linmodel::TwoBarTruss(2e5);
  const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
  const int cs = linmodel::AddCoordSystem(j, {{{1, 0, 0}, {0, c, s}, {0, -s, c}}});
  linmodel::SetPointCoordSystem(j, 3, cs);
  return WithLoads(j, {ElementLoads({tw::PointLoad(3, {0, 10, -20, 0, 0, 0})})});
}

// Two coincident points tied by an internal point link in a cantilever.
Job LinkedCantilever() {
  Job j;
  linmodel::AddFrame2DMaterial(j, 200e9, 0.01, 1e-4);
  linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kFrame2DMask, linmodel::kFrame2DMask);
  linmodel::AddPoint2D(j, 1.5, 0.0, linmodel::kFrame2DMask);
  linmodel::AddPoint2D(j, 1.5, 0.0, linmodel::kFrame2DMask);
  linmodel::AddPoint2D(j, 3.0, 0.0, linmodel::kFrame2DMask);
  tw::AddElement(j.model, {1, 2});
  tw::AddElement(j.model, {3, 4});
  linmodel::AddFrame2DProperty(j, 1, 2);
  tw::AddRecord(j.model, "<INTERNAL_POINT_LINKS>", tw::PointLink(2, 3, "011100"));
  return WithLoads(j, {ElementLoads({tw::PointLoad(3, {0, 0, 10e3, 0, 0, 0})}),
                       ElementLoads({tw::PointLoad(4, {0, 5e3, 0, 0, 0, 0})})});
}

// A fixed-fixed member whose ends settle in turn.
Job SettlingMember() {
  Job j = linmodel::Cantilever(2, 3.0, 1e6, 1.0, 1e-3);
  linmodel::AddSupport(j, 3, linmodel::kFrame2DMask);
  return WithLoads(j, {ElementLoads({}, {}, {}, {}, {0, 0, 0}, {tw::PrescribedDisplacement(3, 3, 0.01)}),
                       ElementLoads({tw::PointLoad(2, {0, 0, -1e3, 0, 0, 0})}, {}, {}, {}, {0, 0, 0},
                                    {tw::PrescribedDisplacement(1, 3, 0.01)})});
}

const Family kFamilies[] = {
    {"Truss2D",
     [] {
       return WithLoads(linmodel::TwoBarTruss(2e5),
                        {ElementLoads({tw::PointLoad(3, {0, 10, -20, 0, 0, 0})}, {}, {},
                                      {tw::TemperatureVariation(1, {5.0})}, {0, 0, -9.81})});
     }},
    {"Frame2D",
     [] {
       return WithLoads(linmodel::Cantilever(2, 2.0, 3e4, 0.1, 1e-3),
                        {ElementLoads({tw::PointLoad(3, {0, 1, -2, 0.5, 0, 0})},
                                      {tw::EdgeLoad(1, 0, 0, 'G', 3, 1, {-1.0})}, {}, {}, {0, 0, -9.81})});
     }},
    {"Cable2D",
     [] {
       return WithLoads(linmodel::CableHanger2D(1e4), {ElementLoads({tw::PointLoad(3, {0, 0, -5, 0, 0, 0})})});
     }},
    {"Cable3D",
     [] {
       return WithLoads(
           linmodel::CableTripod3D(1e4, 3.0, 4.0),
           {ElementLoads({tw::PointLoad(4, {1, 0, -5, 0, 0, 0})}, {}, {}, {tw::TemperatureVariation(2, {10.0})})});
     }},
    {"TimoshenkoBeam3D",
     [] {
       return WithLoads(linmodel::TimoshenkoCantilever(2, 2, 1),
                        {ElementLoads({tw::PointLoad(3, {0, 0, -1, 0, 0, 0})},
                                      {tw::EdgeLoad(1, 0, 0, 'G', 3, 1, {-1.0})}, {}, {}, {0, 0, -1})});
     }},
    {"PlaneStressQuad",
     [] {
       return WithLoads(
           linmodel::TwoElementPlate(1000.0, 0.25, 0.1),
           {ElementLoads({tw::PointLoad(3, {0, 1, 0, 0, 0, 0})}, {tw::EdgeLoad(2, 0, 2, 'G', 2, 1, {1.0})},
                         {tw::FaceLoad(1, 0, 'G', 3, 1, {-1.0})}, {tw::TemperatureVariation(2, {5.0})}, {0, 0, -1})});
     }},
    {"SolidHexa",
     [] {
       linmodel::LatticeJob lj = linmodel::HexaBar(8, 1, 2.0, 0.0, 0.0, 1000.0, 0.25, 1.0, false, [](int I, int, int) {
         return I == 0 ? std::string("111000") : std::string("000000");
       });
       return WithLoads(lj.job, {ElementLoads({tw::PointLoad(lj.At(2, 2, 2), {0, 0, -1, 0, 0, 0})}, {},
                                              {tw::FaceLoad(1, 6, 'G', 3, 1, {-1.0})},
                                              {tw::TemperatureVariation(1, {5.0})}, {0, 0, -1})});
     }},
    {"MindlinSlabQuad", [] { return Shell(18); }},
    {"MindlinShellQuad", [] { return Shell(20); }},
    {"AhmadShellQuad", [] { return Shell(22); }},
    {"SpecialCoordinateSystem", RotatedApexTruss},
    {"PointLink", LinkedCantilever},
    {"Settlement", SettlingMember},
};

}  // namespace

// Every element family with linear materials, run nonlinearly with one factor-1
// combination per load case: the displacements and reactions of the linear run, the
// iteration counts each norm gives, and a repeated combination converged at once.
TEST_F(NonlinearStatic, ElasticModelsGiveTheLinearSolution) {
  struct Norm {
    int criterion;
    double tolerance;
  };
  const Norm kNorms[] = {{1, 1e-6}, {2, 1e-8}, {3, 1e-8}};
  for (const Family& f : kFamilies) {
    SCOPED_TRACE(f.name);
    const Job base = f.build();
    const resultfile::DisplReactFile lin = RunLinear(base);
    const size_t nLC = base.model.loadCases.size();
    ASSERT_EQ(lin.records.size(), nLC);
    for (const Solver& s : kSolvers) {
      for (const Norm& n : kNorms) {
        SCOPED_TRACE(std::string(s.name) + ", criterion " + std::to_string(n.criterion));
        Job job = base;
        MakeNonlinear(job, n.criterion, n.tolerance, true);
        const Outcome o = Run(job, s);
        ExpectSuccess(o, nLC + 1);
        if (o.dr.records.size() != nLC + 1 || o.ep.entries.size() != nLC + 1) continue;
        const double tol = s.algorithm == 1 ? 1e-10 : 1e-8;
        for (size_t k = 0; k <= nLC; k++) {
          const resultfile::DisplReactRecord& a = o.dr.records[k];
          const resultfile::DisplReactRecord& b = lin.records[std::min(k, nLC - 1)];
          EXPECT_EQ(a.id, static_cast<int>(k + 1));
          ExpectVectorsNear(a.free, b.free, tol, "free displacement");
          ExpectVectorsNear(a.presc, b.presc, tol, "prescribed displacement");
          ExpectVectorsNear(a.react, b.react, tol, "reaction");
          const resultfile::CombinationEntry& e = o.ep.entries[k];
          if (k == nLC) {
            EXPECT_EQ(e.nIterations, 1) << "the repeated combination";
            continue;
          }
          if (n.criterion == 1) {
            EXPECT_EQ(e.nIterations, 2);
            if (!e.steps.empty() && s.algorithm == 1) {
              EXPECT_LT(e.steps.back().residualNorm, 1e-10);
            }
          } else if (n.criterion == 2) {
            EXPECT_EQ(e.nIterations, 1);
          } else {
            EXPECT_LE(e.nIterations, 2);
          }
        }
      }
    }
  }
}

namespace {

// Frame2D cantilever of one element, tip load 10 kN.
Job TipLoadedCantilever(const std::vector<double>& factors) {
  Job j = linmodel::Cantilever(1, 3.0, 200e9, 0.01, 1e-4);
  j.model.loadCases = {ElementLoads({tw::PointLoad(2, {0, 0, 10e3, 0, 0, 0})})};
  MakeNonlinear(j, 2, 1e-8, false);
  SetFactors(j, factors);
  return j;
}

}  // namespace

// Factors 0.5, 1, 1 on the tip load: the closed-form deflections under every stiffness
// strategy, both solvers and both path behaviours, with the file sizes of the three
// combinations.
TEST_F(NonlinearStatic, CantileverUnderEveryStrategy) {
  const double expected[] = {2.25e-3, 4.5e-3, 4.5e-3};
  for (const Solver& s : kSolvers) {
    for (int strategy = 1; strategy <= 10; strategy++) {
      const int path = strategy > 5 ? 2 : 1;
      SCOPED_TRACE(std::string(s.name) + ", strategy " + std::to_string((strategy - 1) % 5 + 1) + ", path " +
                   std::to_string(path));
      Job job = TipLoadedCantilever({0.5, 1.0, 1.0});
      job.model.main.iterativeAlgorithm = (strategy - 1) % 5 + 1;
      job.model.main.pathBehavior = path;
      const Outcome o = Run(job, s);
      ExpectSuccess(o, 3);
      if (o.dr.records.size() != 3) continue;
      const int tip = job.layout.Free(2, 3);
      for (int k = 0; k < 3; k++) EXPECT_NEAR(o.dr.records[k].free.at(tip), expected[k], s.tol * 4.5e-3) << k;
      EXPECT_EQ(std::filesystem::file_size(Path("_dr.bin")), 297u);
      EXPECT_EQ(std::filesystem::file_size(Path("_ep.bin")), 535u);
      EXPECT_EQ(std::filesystem::file_size(Path("_GSM.bin")), 265u);
      const std::vector<uint8_t> gsm = resultfile::ReadFileBytes(Path("_GSM.bin"));
      ASSERT_GE(gsm.size(), 42u);
      auto i32 = [&](size_t at) {
        return static_cast<int32_t>(gsm[at] | gsm[at + 1] << 8 | gsm[at + 2] << 16 | uint32_t(gsm[at + 3]) << 24);
      };
      // Axial terms apart from bending: KFF 1 + 3, KPF 1 + 4, KPP 1 + 3.
      EXPECT_EQ(i32(30), 4);
      EXPECT_EQ(i32(34), 5);
      EXPECT_EQ(i32(38), 4);
    }
  }
}

namespace {

// The parts of two _ep.bin files that do not carry clock readings.
void ExpectSameExecParams(const resultfile::NonlinearExecParams& a, const resultfile::NonlinearExecParams& b) {
  EXPECT_EQ(a.error, b.error);
  EXPECT_EQ(a.closed, b.closed);
  ASSERT_EQ(a.entries.size(), b.entries.size());
  for (size_t k = 0; k < a.entries.size(); k++) {
    SCOPED_TRACE("entry " + std::to_string(k + 1));
    const resultfile::CombinationEntry &x = a.entries[k], &y = b.entries[k];
    EXPECT_EQ(x.offset, y.offset);
    EXPECT_EQ(x.next, y.next);
    EXPECT_EQ(x.combination, y.combination);
    EXPECT_EQ(x.nIterations, y.nIterations);
    ASSERT_EQ(x.iters.size(), y.iters.size());
    ASSERT_EQ(x.steps.size(), y.steps.size());
    for (size_t i = 0; i < x.iters.size(); i++) {
      EXPECT_EQ(x.iters[i].nTermsKFF, y.iters[i].nTermsKFF);
      EXPECT_EQ(x.iters[i].nTermsKPF, y.iters[i].nTermsKPF);
      EXPECT_EQ(x.iters[i].nTermsKPP, y.iters[i].nTermsKPP);
      EXPECT_EQ(x.iters[i].nTermsNCSB, y.iters[i].nTermsNCSB);
      EXPECT_EQ(x.steps[i].nIterJPCG, y.steps[i].nIterJPCG);
      EXPECT_EQ(x.steps[i].residNormJPCG, y.steps[i].residNormJPCG);
      EXPECT_EQ(x.steps[i].residualNorm, y.steps[i].residualNorm);
    }
    EXPECT_EQ(x.path.n, y.path.n);
    EXPECT_EQ(x.path.d1, y.path.d1);
    EXPECT_EQ(x.path.d3, y.path.d3);
    EXPECT_EQ(x.path.d4, y.path.d4);
    EXPECT_EQ(x.path.extF, y.path.extF);
    EXPECT_EQ(x.path.extP, y.path.extP);
  }
}

}  // namespace

// Iteration limit 1 under the displacement norm with factors 0, 1: combination 1 has no
// correction (norm 0) and converges; combination 2 stops the run with its files usable
// for a restart. Restarted after combination 1 with limit 5, the run ends with the files
// of a run made with limit 5 from the start.
TEST_F(NonlinearStatic, IterationLimitThenRestart) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = TipLoadedCantilever({0.0, 1.0});
    job.model.main.convergenceCriterion = 1;
    job.model.main.tolerance = 1e-6;
    job.model.main.maxIterations = 1;
    Outcome o = Run(job, s);
    EXPECT_EQ(o.run.status, 1);
    EXPECT_NE(o.run.err.find("Main Newton-Raphson algorithm:\n   -> Combination: 2\n   -> Iteration: 1\n"
                             "The maximum n. of iterations was reached without convergence.\n"),
              std::string::npos)
        << o.run.err;
    EXPECT_NE(o.run.err.find("Execution cannot proceed."), std::string::npos) << o.run.err;
    ASSERT_EQ(o.dr.records.size(), 1u);
    EXPECT_FALSE(o.dr.closed);
    EXPECT_EQ(ReadTextFile(Path("_lcc.aux")), "LAST_CONVERGED_COMBINATION = 1 ;\n");
    EXPECT_FALSE(std::filesystem::exists(Path("_lcc.aux.tmp")));  // renamed into place
    ASSERT_EQ(o.ep.entries.size(), 2u) << o.ep.error;
    EXPECT_TRUE(o.ep.entries[0].converged);
    EXPECT_EQ(o.ep.entries[0].steps.at(0).residualNorm, 0.0);
    const std::vector<uint8_t> ep = resultfile::ReadFileBytes(Path("_ep.bin"));
    const size_t zeroHeader = static_cast<size_t>(o.ep.entries[0].next);
    ASSERT_EQ(ep.size(), zeroHeader + 12 + 64);
    for (size_t k = zeroHeader; k < zeroHeader + 12; k++) EXPECT_EQ(ep[k], 0) << k;

    job.model.main.maxIterations = 5;
    job.model.main.nCombBeforeRestart = 1;
    const Outcome restarted = Run(job, s);
    ExpectSuccess(restarted, 2);
    job.model.main.nCombBeforeRestart = 0;
    const Outcome fresh = Run(job, s, "", "fresh");
    ExpectSuccess(fresh, 2);
    ExpectSameFiles("job1", "fresh", {"_dr.bin", "_if.bin", "_lcc.aux"});
    ExpectSameExecParams(restarted.ep, fresh.ep);
  }
}

// The restart script of the docs (docs/set_main_parameters.py) sets the restart point in
// the data file: its file is the writer's file of the job with that point, and the restart
// writes the files of the uninterrupted run. The result reader of the docs then prints
// the displacements, reactions and internal forces of every combination as the test-side
// readers read them.
TEST_F(NonlinearStatic, DocsRestartScriptAndResultReader) {
  const std::string python = FindPython3();
  if (python.empty()) GTEST_SKIP() << "python3 is not installed";
  Job job = TipLoadedCantilever({0.2, 0.4, 0.6, 0.8});
  ExpectSuccess(Run(job, kGauss, "", "fresh"), 4);
  ExpectSuccess(Run(job, kGauss), 4);
  const std::string dir = std::filesystem::path(Path("_gl.bin")).parent_path().string();
  const ChildResult set = RunProgram(
      python, {DocsPath("set_main_parameters.py"), "job1", "NUMBER_OF_COMBINATIONS_BEFORE_RESTART=2"}, dir);
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_NE(set.out.find("\nNUMBER_OF_COMBINATIONS_BEFORE_RESTART = 2\n"), std::string::npos) << set.out;
  job.model.main.storageTechnique = kGauss.storage;
  job.model.main.linEqAlgorithm = kGauss.algorithm;
  job.model.main.nCombBeforeRestart = 2;
  EXPECT_EQ(Bytes("job1", "_gl.bin"), tw::EncodeDataFile(job.model));
  const ChildResult restarted = RunProgram(VOLDE_EXE, {"job1"}, dir);
  ASSERT_EQ(restarted.status, 0) << restarted.err;
  ExpectSameFiles("job1", "fresh", {"_dr.bin", "_if.bin", "_lcc.aux"});

  const ChildResult py = RunProgram(python, {DocsPath("volde_results.py"), "job1"}, dir);
  ASSERT_EQ(py.status, 0) << py.err;
  const linmodel::Layout& l = job.layout;
  const resultfile::DisplReactFile dr = resultfile::ReadDisplReact(Path("_dr.bin"), l.nF, l.nP);
  const resultfile::InternalForcesFile iff = resultfile::ReadInternalForces(Path("_if.bin"), l.nF, l.nP);
  ASSERT_EQ(dr.records.size(), 4u);
  ASSERT_EQ(iff.records.size(), 4u);
  const char* const names[] = {"", "u1", "u2", "u3", "r1", "r2", "r3"};
  char line[160];
  std::string expected;
  for (const resultfile::DisplReactRecord& rec : dr.records) {
    expected += "job1_dr.bin record " + std::to_string(rec.id) + "\n";
    for (int p = 1; p <= static_cast<int>(l.codes.size()); p++)
      for (int d = 1; d <= 6; d++) {
        if (l.Free(p, d) >= 0) {
          std::snprintf(line, sizeof line, "%d %s %.17g\n", p, names[d], rec.free[static_cast<size_t>(l.Free(p, d))]);
          expected += line;
        }
        if (l.Presc(p, d) >= 0) {
          std::snprintf(line, sizeof line, "%d %s %.17g reaction %.17g\n", p, names[d],
                        rec.presc[static_cast<size_t>(l.Presc(p, d))], rec.react[static_cast<size_t>(l.Presc(p, d))]);
          expected += line;
        }
      }
  }
  for (const resultfile::InternalForcesRecord& rec : iff.records) {
    expected += "job1_if.bin record " + std::to_string(rec.id) + "\n";
    for (int p = 1; p <= static_cast<int>(l.codes.size()); p++)
      for (int d = 1; d <= 6; d++) {
        const bool free = l.Free(p, d) >= 0, presc = l.Presc(p, d) >= 0;
        if (!free && !presc) continue;
        std::snprintf(line, sizeof line, "%d %s %.17g\n", p, names[d],
                      free ? rec.free[static_cast<size_t>(l.Free(p, d))] : rec.presc[static_cast<size_t>(l.Presc(p, d))]);
        expected += line;
      }
  }
  EXPECT_EQ(py.out, expected);
}

// Six combinations 0.2 .. 1.2 with the unbalanced forces carried over, restarted after
// combination 3: the same files as the uninterrupted run under the strategies whose
// restart rule keeps the stiffness of the uninterrupted run, with both solvers. Strategy
// 2 reads the saved stiffness at combination 4 and converges there at once; strategy 4
// the stiffness held at the end of combination 3.
TEST_F(NonlinearStatic, RestartGivesTheUninterruptedRun) {
  const std::vector<double> factors = {0.2, 0.4, 0.6, 0.8, 1.0, 1.2};
  for (const Solver& s : kSolvers) {
    for (int strategy : {1, 2, 3, 4, 5}) {
      SCOPED_TRACE(std::string(s.name) + ", strategy " + std::to_string(strategy));
      Job job = TipLoadedCantilever(factors);
      job.model.main.iterativeAlgorithm = strategy;
      job.model.main.addUnbalancedForces = 1;
      const Outcome fresh = Run(job, s, "", "fresh");
      ExpectSuccess(fresh, 6);
      ExpectSuccess(Run(job, s), 6);
      job.model.main.nCombBeforeRestart = 3;
      const Outcome restarted = Run(job, s);
      ExpectSuccess(restarted, 6);
      ExpectSameFiles("job1", "fresh", {"_dr.bin", "_if.bin", "_lcc.aux"});
      ExpectSameExecParams(restarted.ep, fresh.ep);
      if (restarted.ep.entries.size() == 6) {
        EXPECT_EQ(restarted.ep.entries[3].nIterations, 1);
      }
    }
  }
}

// A finished run of six combinations restarted after combination 3 with the data cut to
// four: no record of combinations 5 and 6 survives in any file.
TEST_F(NonlinearStatic, ShorterRestartLeavesNoStaleRecords) {
  Job job = TipLoadedCantilever({0.2, 0.4, 0.6, 0.8, 1.0, 1.2});
  ExpectSuccess(Run(job, kGauss), 6);
  SetFactors(job, {0.2, 0.4, 0.6, 0.8});
  const Outcome fresh = Run(job, kGauss, "", "fresh");
  ExpectSuccess(fresh, 4);
  job.model.main.nCombBeforeRestart = 3;
  const Outcome restarted = Run(job, kGauss);
  ExpectSuccess(restarted, 4);
  ExpectSameFiles("job1", "fresh", {"_dr.bin", "_if.bin", "_lcc.aux"});
  ExpectSameExecParams(restarted.ep, fresh.ep);
  EXPECT_EQ(std::filesystem::file_size(Path("_ep.bin")), std::filesystem::file_size(Path("_ep.bin", "fresh")));
}

// A restart continues the state of the model that wrote the files: the model changed (a
// support record removed, so one dof turns from prescribed to free while the total stays)
// or the files of another job are refused, not continued.
TEST_F(NonlinearStatic, RestartOfAnotherModelIsRefused) {
  const auto build = [](int n, bool held) {
    Job j = linmodel::Cantilever(n, 3.0, 200e9, 0.01, 1e-4);
    if (held) linmodel::AddSupport(j, n + 1, "010000");
    j.model.loadCases = {ElementLoads({tw::PointLoad(n + 1, {0, 0, 10e3, 0, 0, 0})})};
    MakeNonlinear(j, 2, 1e-8, false);
    SetFactors(j, {0.5, 1.0, 1.5});
    return j;
  };
  const std::string refusal =
      "\nERROR:\nThe files of the earlier run do not belong to this model (or are damaged):\n"
      "a restart needs the unchanged model of the run that wrote them.\n";
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    ExpectSuccess(Run(build(2, true), s), 3);
    Job changed = build(2, false);
    changed.model.main.nCombBeforeRestart = 1;
    const Outcome r = Run(changed, s);
    EXPECT_EQ(r.run.status, 1);
    EXPECT_NE(r.run.err.find(refusal), std::string::npos) << r.run.err;
    // The files of a longer cantilever under the name of this job.
    ExpectSuccess(Run(build(3, false), s, "", "other"), 3);
    for (const char* suffix : {"_dr.bin", "_if.bin", "_ep.bin", "_lcc.aux"})
      testmodel::WriteBytes(Path(suffix), resultfile::ReadFileBytes(Path(suffix, "other")));
    const Outcome o = Run(changed, s);
    EXPECT_EQ(o.run.status, 1);
    EXPECT_NE(o.run.err.find(refusal), std::string::npos) << o.run.err;
  }
}

// The restart state holds the model's blocks: a changed modulus, area or support (with
// the same numbers of dofs, so every record still fits) is refused naming the block. The
// unchanged model with combinations added beyond the restart point is accepted and gives
// the files of the run that had them from the start, byte for byte.
TEST_F(NonlinearStatic, RestartOfAChangedModelRefusedAddedCombinationsAccepted) {
  const auto build = [](const std::vector<double>& factors) {
    Job j = linmodel::Cantilever(2, 3.0, 200e9, 0.01, 1e-4);
    linmodel::AddSupport(j, 3, "010000");
    j.model.loadCases = {ElementLoads({tw::PointLoad(3, {0, 0, 10e3, 0, 0, 0})})};
    MakeNonlinear(j, 2, 1e-8, false);
    SetFactors(j, factors);
    return j;
  };
  struct Change {
    const char* block;
    std::function<void(Job&)> edit;
  };
  const Change changes[] = {
      {"<LINEAR_ISOTROPIC_MATERIALS>",
       [](Job& j) { j.model.blocks["<LINEAR_ISOTROPIC_MATERIALS>"][0] = tw::LinIsoMaterial("steel", 0.0, 0.0, 210e9, 0.3); }},
      {"<FRAME_2D_CROSS_SECTIONS>",
       [](Job& j) { j.model.blocks["<FRAME_2D_CROSS_SECTIONS>"][0] = tw::Frame2DSection("section", {0.02, 0.0, 1e-4, 0.3}); }},
      {"<SUPPORTS>", [](Job& j) { j.model.blocks["<SUPPORTS>"].back() = tw::Support(3, "001000"); }},
  };
  for (const Solver& s : kSolvers)
    for (const Change& c : changes) {
      SCOPED_TRACE(std::string(s.name) + " " + c.block);
      ExpectSuccess(Run(build({0.5, 1.0, 1.5}), s), 3);
      Job changed = build({0.5, 1.0, 1.5});
      c.edit(changed);
      changed.model.main.nCombBeforeRestart = 1;
      const Outcome o = Run(changed, s);
      EXPECT_EQ(o.run.status, 1);
      EXPECT_NE(o.run.err.find(std::string("Restarting problem:\n   -> Block: ") + c.block +
                               "\n\nERROR:\nThis block of the data file differs"),
                std::string::npos)
          << o.run.err;
    }
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    const std::vector<double> five = {0.5, 1.0, 1.5, 2.0, 2.5};
    const Outcome whole = Run(build(five), s, "", "whole");
    ExpectSuccess(whole, 5);
    ExpectSuccess(Run(build({0.5, 1.0, 1.5}), s), 3);
    Job more = build(five);
    more.model.main.nCombBeforeRestart = 3;
    const Outcome o = Run(more, s);
    ExpectSuccess(o, 5);
    for (const char* suffix : {"_dr.bin", "_if.bin", "_lcc.aux"})
      EXPECT_EQ(resultfile::ReadFileBytes(Path(suffix)), resultfile::ReadFileBytes(Path(suffix, "whole"))) << suffix;
    ExpectSameExecParams(o.ep, whole.ep);
  }
}

// The saved stiffness read back by a restart refuses columns and counts that do not fit
// the numbering.
TEST_F(NonlinearStatic, DamagedStiffnessFileRefused) {
  struct Damage {
    const char* what;
    size_t at;  // byte of an int32 in the file of the tip-loaded cantilever
    int32_t value;
  };
  // Layout: tag 30, counts 30..41, row counts 42..77, KFF columns from 78 (rows of 1, 3
  // and 2 terms... as assembled), the KPF block after the KFF values.
  const Damage kDamages[] = {
      {"KFF term count", 30, 5},
      {"row count", 42, 2},
      {"KFF column past nF", 78, 4},
      {"KFF row not at its diagonal", 78, 2},
  };
  for (const Damage& d : kDamages) {
    SCOPED_TRACE(d.what);
    Job job = TipLoadedCantilever({0.5, 1.0});
    job.model.main.iterativeAlgorithm = 2;
    ExpectSuccess(Run(job, kGauss), 2);
    std::vector<uint8_t> bytes = resultfile::ReadFileBytes(Path("_GSM.bin"));
    ASSERT_GT(bytes.size(), d.at + 4);
    for (int k = 0; k < 4; k++) bytes[d.at + k] = static_cast<uint8_t>(static_cast<uint32_t>(d.value) >> (8 * k));
    {
      FILE* fp = std::fopen(Path("_GSM.bin").c_str(), "wb");
      ASSERT_NE(fp, nullptr);
      std::fwrite(bytes.data(), 1, bytes.size(), fp);
      std::fclose(fp);
    }
    job.model.main.nCombBeforeRestart = 1;
    const Outcome o = Run(job, kGauss);
    EXPECT_EQ(o.run.status, 1);
    EXPECT_NE(o.run.err.find(InvalidFileMessage("job1_GSM.bin")), std::string::npos) << o.run.err;
  }
}

// Every conjugate-gradient solve writes its history file, tagged by combination and
// iteration zero-padded to the widths of the last combination and the iteration limit.
TEST_F(NonlinearStatic, ConjugateGradientHistoryPerSolve) {
  Job job = TipLoadedCantilever({0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 1.1, 1.2});
  job.model.main.convergenceCriterion = 1;
  job.model.main.tolerance = 1e-6;
  job.model.main.maxIterations = 25;
  const Outcome o = Run(job, kJPCG, "EXPORT_ITERATIVE_JPCG_HIST = _Y ;\n");
  ExpectSuccess(o, 12);
  for (int c = 1; c <= 12; c++)
    for (int it = 1; it <= 2; it++) {
      char name[64];
      std::snprintf(name, sizeof name, "job1_Comb%02d_Iter%02d_ih.g2d", c, it);
      EXPECT_TRUE(std::filesystem::exists(dir_ + "/" + name)) << name;
    }
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/job1_Comb01_Iter03_ih.g2d"));
}

// With the geometric flag, a group of linear material has no element routine to go to.
TEST_F(NonlinearStatic, GeometricFlagOnLinearGroupIsRefusedAtSetUp) {
  Job job = TipLoadedCantilever({1.0});
  job.model.main.geomNonlinear = 1;
  const Outcome o = Run(job, kGauss);
  EXPECT_EQ(o.run.status, 1);
  EXPECT_NE(o.run.err.find("   -> Element property: 1\n\nERROR:\nA geometrically nonlinear analysis needs a "
                           "nonlinear material\nin every element group."),
            std::string::npos)
      << o.run.err;
}

// The factors of a combination: below 1e-8 a load case is left out, at 1e-8 it counts; a
// load case named twice keeps its last factor.
TEST_F(NonlinearStatic, LoadIncrementFactors) {
  Job job = TipLoadedCantilever({1.0});
  job.model.combinations.clear();
  for (const std::vector<std::pair<int32_t, double>>& f :
       std::vector<std::vector<std::pair<int32_t, double>>>{{{1, 1e-9}}, {{1, 1e-8}}, {{1, 0.3}, {1, 0.7}}}) {
    tw::Combination c;
    c.factors = f;
    job.model.combinations.push_back(c);
  }
  const Outcome o = Run(job, kGauss);
  ExpectSuccess(o, 3);
  ASSERT_EQ(o.dr.records.size(), 3u);
  const int tip = job.layout.Free(2, 3);
  EXPECT_EQ(o.dr.records[0].free.at(tip), 0.0);
  EXPECT_NEAR(o.dr.records[1].free.at(tip), 4.5e-11, 1e-22);
  EXPECT_NEAR(o.dr.records[2].free.at(tip), 0.7 * 4.5e-3, 1e-15);
  ASSERT_EQ(o.ep.entries.size(), 3u);
  EXPECT_EQ(o.ep.entries[1].path.extF.at(tip), 1e-8 * 10e3);
}

// The first arc-length combination needs a load variation on the free dofs and no
// prescribed displacement increment.
TEST_F(NonlinearStatic, ArcLengthRefusals) {
  struct Case {
    const char* what;
    double factor;
    bool settlement;
    const char* text;
  };
  const Case kCases[] = {
      {"no load variation", 0.0, false,
       "No variation of the force vector in free dofs.\nArc-length is unavailable in these circunstances.\n"
       "Please remove the arc-length option in the data file."},
      {"settlement", 1.0, true,
       "The prescribed displacement vector must be null.\nArc-length is unavailable in these circunstances.\n"
       "Please remove the arc-length option in the data file."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Job job = TipLoadedCantilever({c.factor});
    if (c.settlement)
      job.model.loadCases[0].blocks["<PRESCRIBED_DISPLACEMENTS>"] = {tw::PrescribedDisplacement(1, 3, 1e-3)};
    job.model.main.arcLength = 1;
    job.model.main.maxArcLengthCombinations = 3;
    const Outcome o = Run(job, kGauss);
    EXPECT_EQ(o.run.status, 1);
    EXPECT_NE(o.run.err.find(std::string("\nERROR:\n") + c.text), std::string::npos) << o.run.err;
  }
}

// ---- arc-length control ------------------------------------------------------------------

namespace {

// The tip-loaded cantilever under arc length from combination n: the tip deflection
// controlled by 0.9e-3 per combination.
Job TipControlled(const std::vector<double>& factors, int maxArc, double loadFactor) {
  Job j = TipLoadedCantilever(factors);
  j.model.main.arcLength = 1;
  j.model.main.maxArcLengthCombinations = maxArc;
  tw::ArcLengthParams& al = j.model.arcLength;
  al.loadFactor = loadFactor;
  al.displActive = 1;
  al.displPoint = 2;
  al.displDof = 3;
  al.displIncrement = 0.9e-3;
  return j;
}

// Truss2D bars along x2 from a fixed point 1 with u3 held, EA = 1000, load 10 along x2 at
// the last point.
Job AxialBar(int nElements) {
  Job j;
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("bar", 0.0, 0.0, 1000.0, 0.3));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("unit", 1.0));
  linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kPlaneMask, "011000");
  for (int e = 1; e <= nElements; e++) {
    linmodel::AddPoint2D(j, e, 0.0, linmodel::kPlaneMask, "001000");
    tw::AddElement(j.model, {e, e + 1});
  }
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, nElements, 1, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  j.model.loadCases = {ElementLoads({tw::PointLoad(nElements + 1, {0, 10, 0, 0, 0, 0})})};
  MakeNonlinear(j, 2, 1e-8, false);
  SetFactors(j, {1.0});
  j.model.main.arcLength = 1;
  j.model.main.maxArcLengthCombinations = 4;
  return j;
}

}  // namespace

// Displacement control of the tip: eta = 0.9e-3 / 4.5e-3 = 0.2 with one iteration per
// combination, the tip load and reactions in equilibrium with it. With LOAD_FACTOR 2 the
// converged states are the same; combination 1 corrects eta in iteration 2.
TEST_F(NonlinearStatic, ArcLengthDisplacementControl) {
  for (const Solver& s : kSolvers)
    for (int path = 1; path <= 2; path++)
      for (double lf : {1.0, 2.0}) {
        SCOPED_TRACE(std::string(s.name) + ", path " + std::to_string(path) + ", load factor " + std::to_string(lf));
        Job job = TipControlled({1.0}, 5, lf);
        job.model.main.pathBehavior = path;
        const Outcome o = Run(job, s);
        ExpectSuccess(o, 5);
        if (o.dr.records.size() != 5 || o.ep.entries.size() != 5) continue;
        const int tip = job.layout.Free(2, 3);
        const int shear = job.layout.Presc(1, 3), moment = job.layout.Presc(1, 4);
        for (int k = 1; k <= 5; k++) {
          SCOPED_TRACE("combination " + std::to_string(k));
          const resultfile::CombinationEntry& e = o.ep.entries[k - 1];
          const resultfile::DisplReactRecord& d = o.dr.records[k - 1];
          EXPECT_EQ(e.nIterations, lf == 2.0 && k == 1 ? 2 : 1);
          EXPECT_NEAR(e.path.d3, lf == 1.0 ? 0.2 : (k == 1 ? 0.6 : 0.1), 1e-9);
          EXPECT_EQ(e.path.d1, 0.0);
          EXPECT_NEAR(d.free.at(tip), 0.9e-3 * k, s.tol * 4.5e-3);
          EXPECT_NEAR(e.path.extF.at(tip), 2000.0 * k, 1e-6 * k);
          EXPECT_NEAR(d.react.at(shear), -2000.0 * k, 1e-6 * k);
          EXPECT_NEAR(d.react.at(moment), -6000.0 * k, 1e-6 * k);
        }
        const std::vector<uint8_t> al = resultfile::ReadFileBytes(Path("_al.bin"));
        ASSERT_EQ(al.size(), 25u + 8u * (job.layout.nF + job.layout.nP) + 26u);
        double dFtip;
        std::memcpy(&dFtip, al.data() + 25 + 8 * tip, 8);
        EXPECT_EQ(dFtip, 10e3);
      }
}

// Factors 0.25 .. 1 with at most 10 arc-length combinations: the run ends at 13, the
// reference increment 2.5 kN is applied with eta = 0.9e-3 / 1.125e-3 = 0.8 from 4 on.
TEST_F(NonlinearStatic, ArcLengthRunLength) {
  const Job job = TipControlled({0.25, 0.5, 0.75, 1.0}, 10, 1.0);
  const Outcome o = Run(job, kGauss);
  ExpectSuccess(o, 13);
  ASSERT_EQ(o.dr.records.size(), 13u);
  ASSERT_EQ(o.ep.entries.size(), 13u);
  const int tip = job.layout.Free(2, 3);
  for (int k = 1; k <= 13; k++) {
    SCOPED_TRACE("combination " + std::to_string(k));
    EXPECT_EQ(o.ep.entries[k - 1].combination, k);
    EXPECT_NEAR(o.ep.entries[k - 1].path.d3, k < 4 ? 0.0 : 0.8, 1e-12);
  }
  EXPECT_NEAR(o.dr.records[3].free.at(tip), 4.275e-3, 1e-14);
  EXPECT_NEAR(o.ep.entries[3].path.extF.at(tip), 9.5e3, 1e-8);
  EXPECT_NEAR(o.dr.records[12].free.at(tip), 12.375e-3, 1e-14);
  EXPECT_NEAR(o.ep.entries[12].path.extF.at(tip), 27.5e3, 1e-8);
}

// Relative control of _D2 between points 2 and 3 of a two-bar line: eta = 0.002 / 0.01.
// A load of 5 on the support, scaled by eta as well, goes straight into its reaction
// from iteration 1 on.
TEST_F(NonlinearStatic, ArcLengthRelativeControl) {
  for (const Solver& s : kSolvers)
    for (double support : {0.0, 5.0}) {
      SCOPED_TRACE(std::string(s.name) + ", support load " + std::to_string(support));
      Job job = AxialBar(2);
      if (support != 0.0)
        job.model.loadCases = {
            ElementLoads({tw::PointLoad(3, {0, 10, 0, 0, 0, 0}), tw::PointLoad(1, {0, support, 0, 0, 0, 0})})};
      tw::ArcLengthParams& al = job.model.arcLength;
      al.relActive = 1;
      al.relPointA = 2;
      al.relPointB = 3;
      al.displDof = 2;
      al.relIncrement = 0.002;
      const Outcome o = Run(job, s);
      ExpectSuccess(o, 4);
      if (o.dr.records.size() != 4 || o.ep.entries.size() != 4) continue;
      for (int k = 1; k <= 4; k++) {
        SCOPED_TRACE("combination " + std::to_string(k));
        EXPECT_EQ(o.ep.entries[k - 1].nIterations, 1);
        EXPECT_NEAR(o.ep.entries[k - 1].path.d3, 0.2, 1e-9);
        EXPECT_NEAR(o.ep.entries[k - 1].path.extF.at(job.layout.Free(3, 2)), 2.0 * k, 1e-9);
        EXPECT_NEAR(o.dr.records[k - 1].free.at(job.layout.Free(2, 2)), 0.002 * k, 1e-11);
        EXPECT_NEAR(o.dr.records[k - 1].free.at(job.layout.Free(3, 2)), 0.004 * k, 1e-11);
        EXPECT_NEAR(o.dr.records[k - 1].react.at(job.layout.Presc(1, 2)), -(2.0 + 0.2 * support) * k, 1e-9);
      }
    }
}

// Constant radius: the first arc-length combination ignores its iteration-1 test, the
// roots 0 and -2 go to 0 by the cosine rule; every later combination repeats the radius
// with eta = 1.
TEST_F(NonlinearStatic, ArcLengthConstantRadius) {
  for (const Solver& s : kSolvers)
    for (int path = 1; path <= 2; path++)
      for (double rf : {1.0, 0.5}) {
        SCOPED_TRACE(std::string(s.name) + ", path " + std::to_string(path) + ", RF " + std::to_string(rf));
        Job job = AxialBar(1);
        job.model.main.pathBehavior = path;
        job.model.arcLength.constantRadius = 1;
        job.model.arcLength.radiusFactor = rf;
        job.model.arcLength.forceDisplScaling = 1e-3;
        const Outcome o = Run(job, s);
        ExpectSuccess(o, 4);
        if (o.dr.records.size() != 4 || o.ep.entries.size() != 4) continue;
        for (int k = 1; k <= 4; k++) {
          SCOPED_TRACE("combination " + std::to_string(k));
          const resultfile::CombinationEntry& e = o.ep.entries[k - 1];
          EXPECT_EQ(e.nIterations, k == 1 ? 2 : 1);
          EXPECT_NEAR(e.path.d3, 1.0, 1e-9);
          EXPECT_NEAR(e.path.d1, std::sqrt(2.0) * 0.01 / rf, 1e-12);
          EXPECT_NEAR(e.path.extF.at(job.layout.Free(2, 2)), 10.0 * k, 1e-8);
          EXPECT_NEAR(o.dr.records[k - 1].free.at(job.layout.Free(2, 2)), 0.01 * k, 1e-11);
        }
      }
}

// Refusals of the control dof and of the radius factor, with their context lines.
TEST_F(NonlinearStatic, ArcLengthRefusedControls) {
  using Edit = std::function<void(tw::ArcLengthParams&)>;
  struct Case {
    const char* what;
    int barElements;  // 0: the tip-controlled cantilever
    Edit edit;
    const char* context;
    const char* text;
  };
  const char* kApply = "\nApply arc-length eta:\n";
  const char* kValid = "The displacement control dof must be a valid dof.";
  const Case kCases[] = {
      {"prescribed control dof", 0, [](tw::ArcLengthParams& a) { a.displPoint = 1; }, kApply,
       "The displacement control dof must be a free dof."},
      {"rotation of a truss point", 1,
       [](tw::ArcLengthParams& a) { a.displActive = 1, a.displPoint = 2, a.displDof = 4, a.displIncrement = 1e-3; },
       kApply, kValid},
      {"control point past the last", 0, [](tw::ArcLengthParams& a) { a.displPoint = 3; }, kApply, kValid},
      {"dof 7", 0, [](tw::ArcLengthParams& a) { a.displDof = 7; }, kApply, kValid},
      {"relative control point 0", 2,
       [](tw::ArcLengthParams& a) { a.relActive = 1, a.relPointA = 0, a.relPointB = 3, a.displDof = 2; }, kApply,
       "The relative displacement control dof must be a valid dof."},
      {"axial tip dof does not move", 0, [](tw::ArcLengthParams& a) { a.displDof = 2; },
       "\nApply arc-length eta:\nIn the control dof the iteration displacement is null.\n",
       "Unable to determine the eta factor."},
      {"radius factor 0", 1, [](tw::ArcLengthParams& a) { a.radiusFactor = 0.0; }, "",
       "The arc-length radius factor must be positive."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    Job job = c.barElements == 0 ? TipControlled({1.0}, 3, 1.0) : AxialBar(c.barElements);
    c.edit(job.model.arcLength);
    const Outcome o = Run(job, kGauss);
    EXPECT_EQ(o.run.status, 1);
    EXPECT_NE(o.run.err.find(std::string(c.context) + "\nERROR:\n" + c.text), std::string::npos) << o.run.err;
    EXPECT_EQ(o.run.err.find("valid data cannot reach"), std::string::npos) << o.run.err;
  }
}

// The LOAD_FACTOR 2 run restarted after combination 3 (inside the arc-length phase, the
// reference increment read back and scaled) ends as the uninterrupted run; so does the
// constant-radius run, its radius read back from d1.
TEST_F(NonlinearStatic, ArcLengthRestart) {
  for (const Solver& s : kSolvers)
    for (bool radius : {false, true}) {
      SCOPED_TRACE(std::string(s.name) + (radius ? ", constant radius" : ", displacement control"));
      Job job = TipControlled({1.0}, 5, 2.0);
      if (radius) {
        job = AxialBar(1);
        job.model.main.maxArcLengthCombinations = 5;
        job.model.arcLength.constantRadius = 1;
        job.model.arcLength.forceDisplScaling = 1e-3;
      }
      const Outcome fresh = Run(job, s, "", "fresh");
      ExpectSuccess(fresh, 5);
      ExpectSuccess(Run(job, s), 5);
      job.model.main.nCombBeforeRestart = 3;
      const Outcome restarted = Run(job, s);
      ExpectSuccess(restarted, 5);
      ExpectSameFiles("job1", "fresh", {"_dr.bin", "_if.bin", "_lcc.aux", "_al.bin"});
      ExpectSameExecParams(restarted.ep, fresh.ep);
    }
}

// Conjugate-gradient histories of the arc-length solves: the corrected main solve and
// the reference solve of iteration 2 carry their own tags.
TEST_F(NonlinearStatic, ArcLengthConjugateGradientHistories) {
  Job job = TipControlled({1.0}, 5, 2.0);
  job.model.main.maxIterations = 9;
  const Outcome o = Run(job, kJPCG, "EXPORT_ITERATIVE_JPCG_HIST = _Y ;\n");
  ExpectSuccess(o, 5);
  for (const char* name : {"job1_Comb1_Iter1_ih.g2d", "job1_AL1_Comb1_Iter2_ih.g2d", "job1_AL2_Comb1_Iter2_ih.g2d"})
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/" + name)) << name;
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/job1_Comb1_Iter2_ih.g2d"));
}
