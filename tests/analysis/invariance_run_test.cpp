// Invariances of nonlinear runs: a plasticity prism, a crack bar and an opening joint,
// each the same model in N and mm, in MN and m, in N and m and in kN and mm (every result
// scales exactly, with the same iterations), turned rigidly with every point in the
// model's own axes, mirrored and with its points numbered in another order: the same
// answers. Layered Mindlin and Ahmad shell strips, a linked fibre beam and two bars tied
// by a table-law spring, whose rotation and translation rows differ by the square of the
// length unit, in the four unit sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <regex>
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

namespace {

// Units of a model: lengths and forces in multiples of the millimetre and the newton;
// stresses in multiples of the N/mm2 (the same numbers in MN/m2, a million times more in
// N/m2, a thousand times less in kN/mm2).
struct Units {
  double L, F;
  double S() const { return F / (L * L); }
};
constexpr Units kNmm{1.0, 1.0};
constexpr Units kMNm{1e-3, 1e-6};
constexpr Units kNm{1e-3, 1.0};
constexpr Units kkNmm{1.0, 1e-3};

// A model in the abstract: points (in mm) with their dof mask and fixity, elements on
// them, the materials and properties for given units, and the pulls (point, dof, mm)
// of load case 1, applied by the factors of the combinations.
struct Pull {
  int point, dof;
  double value;
};
struct Subject {
  std::string name;
  std::vector<std::array<double, 3>> x;
  std::string mask;
  std::vector<std::string> fixity;
  std::vector<std::vector<int>> elements;
  std::function<void(tw::Model&, const Units&)> materials;
  std::vector<Pull> pulls;
  std::vector<double> factors;
  int mirrorAxis;  // the axis across which the model is mirrored (0-based)
  bool unitsOnly = false;  // run in the unit sets alone (not turned, mirrored or renumbered)
  std::vector<int> criteria = {1, 2, 3};  // the convergence norms it runs with
  // Records that name points (links, spring links), given the job's point numbers.
  std::function<void(tw::Model&, const Units&, const std::vector<int>&)> ties;
  int solver = 1;  // 1 Gaussian elimination, 2 the conjugate gradient
};

// A variant of a subject model: its units, a rigid turn (with every point in the turned axes),
// mirrored, and its points numbered in reverse order.
struct Variant {
  const char* name;
  Units units;
  bool turned, mirrored, renumbered;
};

// The job of a variant, and where each point of the subject model went.
struct Built {
  Job job;
  std::vector<int> number;  // subject point -> point number of the job
};

Built Build(const Subject& s, const Variant& v, const linmodel::Turn& turn, int criterion) {
  Built b;
  Job& j = b.job;
  j.model.main.title = s.name;
  nonlinrun::Iterate(j.model.main, 1e-9, 60);
  j.model.main.convergenceCriterion = criterion;
  j.model.main.storageTechnique = s.solver;
  j.model.main.linEqAlgorithm = s.solver;
  if (s.solver == 2) j.model.main.precondResidualDecay = 1e-13;
  s.materials(j.model, v.units);
  const int n = static_cast<int>(s.x.size());
  b.number.assign(n, 0);
  for (int k = 0; k < n; k++) {
    const int p = v.renumbered ? n - 1 - k : k;
    std::array<double, 3> x = s.x[p];
    if (v.mirrored) x[s.mirrorAxis] = -x[s.mirrorAxis];
    for (double& c : x) c *= v.units.L;
    b.number[p] = linmodel::AddPoint3D(j, x[0], x[1], x[2], s.mask, s.fixity[p]);
  }
  for (const std::vector<int>& e : s.elements) {
    std::vector<int32_t> nodes;
    for (int p : e) nodes.push_back(b.number[p]);
    // A mirror turns the element inside out: its nodes are taken in mirrored order.
    if (v.mirrored)
      for (size_t k = 0; k + 1 < nodes.size(); k += 2) std::swap(nodes[k], nodes[k + 1]);
    tw::AddElement(j.model, nodes);
  }
  if (s.ties) s.ties(j.model, v.units, b.number);
  std::vector<tw::Rec> moves;
  for (const Pull& p : s.pulls)
    moves.push_back(tw::PrescribedDisplacement(b.number[p.point], p.dof, p.value * v.units.L));
  j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, moves)};
  nonlinrun::Factors(j.model, s.factors);
  if (v.turned) linmodel::TurnWithItsAxes(j, turn);
  return b;
}

// ---- the three models ------------------------------------------------------------------

// A 100 mm cube of one hexahedron on rollers on the faces x = 0, y = 0, z = 0, its face
// x = 100 moved along x by the factors (mm).
Subject Cube(const std::string& name, const std::vector<double>& factors) {
  Subject s;
  s.name = name;
  s.mask = "111000";
  for (int K : {0, 1})
    for (int J : {0, 1})
      for (int I : {0, 1}) {
        s.x.push_back({100.0 * I, 100.0 * J, 100.0 * K});
        s.fixity.push_back(std::string("1") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000");
        if (I == 1) s.pulls.push_back({static_cast<int>(s.x.size()) - 1, 1, 1.0});
      }
  // Points (I, J, K) at I + 2 J + 4 K: bottom face counterclockwise, then the top.
  s.elements = {{0, 1, 3, 2, 4, 5, 7, 6}};
  s.factors = factors;
  s.mirrorAxis = 1;
  return s;
}

// Drucker-Prager plasticity (E 30000, nu 0.3, cohesion 10, no friction): the cube
// stretched through first yield (strain 6.7e-4) to 3e-3.
Subject PlasticityPrism() {
  Subject s = Cube("plasticity prism", {0.03, 0.06, 0.09, 0.15, 0.2, 0.3});
  s.materials = [](tw::Model& m, const Units& u) {
    tw::AddRecord(m, "<NLMM124>",
                  tw::Rec().S("plastic").Ds({0.0, 0.0, 0.3, 30000.0 * u.S()}).I(2).I(1).Ds({10.0 * u.S(), 1.0}).I(1)
                      .Ds({0.0, 0.0, 1.0}));
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 24, MAT_NLMM124, 1, 0, 0));
  };
  return s;
}

// The solid crack model of the crack bars (ft 3, Gf 0.1 N/mm, constant band 100 mm): the
// cube pulled through its peak far down the softening branch. The pull of 0.01 mm puts
// the stress exactly at the strength, and the turned model a rounding above or below it.
Subject CrackBar() {
  Subject s = Cube("crack bar", {0.005, 0.01, 0.012, 0.02, 0.03, 0.04, 0.05});
  s.materials = [](tw::Model& m, const Units& u) {
    // The crack bars' S1 record with its strengths and modulus in the units' stress.
    const double st = u.S();
    tw::AddRecord(m, "<NLMM111>",
                  tw::Rec().S("S1").Ds({0.0, 0.0, 0.0, 30000.0 * st, 3.0 * st, 3.0 * st}).I(1)
                      .Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0, 0.1 * u.F / u.L, 1.0}).I(0).Ds({0.0, 0.0, 0.0, 0.0}).I(1)
                      .D(0.2).I(1).Ds({0.0, 0.0}).I(1).I(1).D(100.0 * u.L).I(3).D(1.0));
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, 24, MAT_NLMM111, 1, 0, 0));
  };
  return s;
}

// Two plane-stress blocks 1000 x 100 mm (E 1e5, t 10 mm) joined along x3 = 100 by a
// line interface (kt = kn = 1e3 N/mm3, ft 3, w1 0.02, r1 0.3, w2 0.1, r2 0.1, wu 0.2 mm);
// the top held along x2 and lifted through the opening to 0.25 mm.
Subject OpeningJoint() {
  Subject s;
  s.name = "opening joint";
  s.mask = linmodel::kPlaneMask;
  const double h = 100.0, b = 1000.0;
  s.x = {{0, 0, 0}, {0, b, 0}, {0, b, h}, {0, 0, h}, {0, 0, h}, {0, b, h}, {0, b, 2 * h}, {0, 0, 2 * h}};
  s.fixity = {"011000", "011000", "000000", "000000", "000000", "000000", "011000", "011000"};
  s.elements = {{0, 1, 2, 3}, {4, 5, 6, 7}, {3, 2, 4, 5}};
  s.pulls = {{6, 3, 1.0}, {7, 3, 1.0}};
  s.factors = {0.002, 0.004, 0.01, 0.03, 0.06, 0.1, 0.15, 0.25};
  s.mirrorAxis = 1;
  s.materials = [](tw::Model& m, const Units& u) {
    const double k = 1e3 * u.F / (u.L * u.L * u.L), w = u.L;
    tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("block", 0.0, 0.0, 1e5 * u.S(), 0.0));
    tw::AddRecord(m, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 10.0 * u.L));
    tw::AddRecord(m, "<NLMM302>", tw::Rec().S("joint").Ds({k, k, 3.0 * u.S(), 0.02 * w, 0.3, 0.1 * w, 0.1, 0.2 * w}));
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, 10, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(3, 3, 27, MAT_NLMM302, 1, GEOM_LAM_THICK, 1));
  };
  return s;
}

// A strip of two 100 x 100 mm layered shells (type 20 Mindlin, 22 Ahmad), five layers of
// perfectly plastic concrete (E 30000, fc 30) 0.2 mm each, clamped at x1 = 0; the far end
// stretched along x1 to twice the tensile yield strain and lifted along x3 (bending and
// transverse shear with every rotation free: a 1 mm skin whose rotation rows lie far
// below its translation rows).
Subject LayeredStrip(int type) {
  Subject s;
  s.name = type == 20 ? "layered Mindlin strip" : "layered Ahmad strip";
  s.mask = linmodel::kSixMask;
  for (int J = 0; J <= 1; J++)
    for (int I = 0; I <= 2; I++) {
      s.x.push_back({100.0 * I, 100.0 * J, 0.0});
      s.fixity.push_back(I == 0 ? "111111" : I == 2 ? "101000" : "000000");
      if (I == 2) {
        s.pulls.push_back({static_cast<int>(s.x.size()) - 1, 1, 1.0});
        s.pulls.push_back({static_cast<int>(s.x.size()) - 1, 3, 1.0});
      }
    }
  s.elements = {{0, 1, 4, 3}, {1, 2, 5, 4}};
  s.factors = {0.05, 0.1, 0.14, 0.17, 0.2, 0.24, 0.3};
  s.mirrorAxis = 1;
  s.unitsOnly = true;
  s.materials = [type](tw::Model& m, const Units& u) {
    tw::AddRecord(m, "<NLMM121>",
                  tw::Rec().S("concrete").Ds({0.0, 0.0, 0.2, 30000.0 * u.S(), 30.0 * u.S(), 1.0, 1.0, 0.0}));
    tw::AddRecord(m, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("ply", 0.2 * u.L));
    tw::AddRecord(m, "<LAYER_PROPERTIES>", tw::Rec().S("concrete").I(MAT_NLMM121).I(1).I(GEOM_LAM_THICK).I(1));
    tw::AddRecord(m, "<LAYER_PATTERNS>", tw::Rec().S("slab").IList(std::vector<int32_t>(5, 1)));
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, type, MAT_LAY_PATT, 1, 0, 0));
  };
  return s;
}

// A cantilever of two 3-D fibre beams of 500 mm, its halves joined by a link of every
// dof between two points at mid-span; a 100 x 200 mm section of elastic-perfectly plastic
// steel fibres (E 200000, fy 300). The tip stretched by 0.5 mm and moved 10 mm across:
// the root section yields to about 1.5 times its first-yield curvature.
Subject LinkedFibreBeam() {
  Subject s;
  s.name = "linked fibre beam";
  s.mask = linmodel::kSixMask;
  s.x = {{0, 0, 0}, {500, 0, 0}, {500, 0, 0}, {1000, 0, 0}};
  s.fixity = {"111111", "000000", "000000", "101000"};
  s.elements = {{0, 1}, {2, 3}};
  s.pulls = {{3, 1, 0.5}, {3, 3, 10.0}};
  s.factors = {0.2, 0.4, 0.6, 0.8, 1.0};
  s.mirrorAxis = 1;
  s.unitsOnly = true;
  s.materials = [](tw::Model& m, const Units& u) {
    const double st = u.S(), h = 100.0 * u.L, b = 50.0 * u.L;
    tw::AddRecord(m, "<NUMERICAL_INTEGRATION>",
                  linmodel::IntegrationPattern("one point", {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}));
    tw::AddRecord(m, "<NLMM201>",
                  tw::Rec().S("steel").Ds({0.0, 1e-5, 0.0015, 300 * st, 0.0015, 300 * st, 0.5, 300 * st, 1}));
    tw::FibrousMesh fm;
    fm.sections = {{{-b, 0.0}, {b, 0.0}, {b, h}, {-b, h}, {-b, -h}, {b, -h}}};
    fm.elements = {{1, 2, 3, 4}, {5, 6, 2, 1}};
    fm.properties = {tw::Rec().Is({1, 1, 1, 2, MAT_NLMM201, 1, 1, 0})};
    m.fibrousMeshes.push_back(fm);
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, 8, MAT_FIB_MESH, 1, 0, 0, 1, 1));
  };
  s.ties = [](tw::Model& m, const Units&, const std::vector<int>& number) {
    tw::AddRecord(m, "<INTERNAL_POINT_LINKS>", tw::PointLink(number[1], number[2], "111111"));
  };
  return s;
}

// Two bars of 1000 mm (EA 1e5 N) along x1, A-B from the pulled end A and C-D from the
// support D, their free ends B and C tied by a table-law spring link ((0.1 mm, 50 N),
// (0.3, 90), (0.5, 95), both sides); A pulled through the first two segments of the law.
Subject TiedBars() {
  Subject s;
  s.name = "tied bars";
  s.mask = linmodel::kSpaceMask;
  s.x = {{0, 0, 0}, {1000, 0, 0}, {2000, 0, 0}, {3000, 0, 0}};
  s.fixity = {"111000", "011000", "011000", "111000"};
  s.elements = {{0, 1}, {2, 3}};
  s.pulls = {{0, 1, -1.0}};
  s.factors = {0.5, 1.0, 1.5, 2.0, 2.3};
  s.mirrorAxis = 1;
  s.unitsOnly = true;
  // Bars and law are straight between the break points: a step that stays on one segment
  // is exact in its first iteration, and the energy norm converges there only when the
  // new residual is exactly zero, which rounding decides (not a measure of the units).
  s.criteria = {1, 2};
  s.materials = [](tw::Model& m, const Units& u) {
    tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("bar", 0.0, 0.0, 1e3 * u.S(), 0.0));
    tw::AddRecord(m, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("a", 100.0 * u.L * u.L));
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, _TRUSS_3D, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
    tw::AddRecord(m, "<NLSMM103>", tw::Rec().S("table").I(0).I(3).D(0.1 * u.L).D(50 * u.F).D(0.3 * u.L).D(90 * u.F)
                                       .D(0.5 * u.L).D(95 * u.F));
  };
  s.ties = [](tw::Model& m, const Units&, const std::vector<int>& number) {
    tw::AddRecord(m, "<INTERNAL_POINT_SPRING_LINKS>",
                  tw::Rec().I(0).I(0).I(0).I(number[1]).I(number[2]).C('G').I(1).C(1).I(SPRMAT_NLSMM103).I(1));
  };
  return s;
}

class InvarianceRun : public nonlinrun::RunFixture {
 protected:
  void ExpectSameAnswers(const Subject& s);
};

}  // namespace

// Every variant against the model in N and mm: the displacements of every point (in mm,
// the mirrored component turned back) and the pulling force of every combination (in N)
// to 1e-9 of their largest value, and the iterations of every combination; on the
// displacement norm every variant, on the force and energy norms the units. (The opening
// joint past its ultimate opening carries no load; the force norm in N and mm once
// cycled there, and the energy norm in MN and m stopped after one iteration.)
void InvarianceRun::ExpectSameAnswers(const Subject& s) {
  const Variant variants[] = {
      {"N, mm", kNmm, false, false, false},     {"MN, m", kMNm, false, false, false},
      {"N, m", kNm, false, false, false},       {"kN, mm", kkNmm, false, false, false},
      {"turned, kN, mm", kkNmm, true, false, false},
      {"turned", kNmm, true, false, false},     {"mirrored", kNmm, false, true, false},
      {"renumbered", kNmm, false, false, true}, {"all at once", kMNm, true, true, true},
  };
  for (int criterion : s.criteria) {
    SCOPED_TRACE(s.name + ", criterion " + std::to_string(criterion));
    // Solids turn in space; the plane joint turns about the normal of its plane.
    const linmodel::Turn turn =
        s.mask == linmodel::kPlaneMask ? linmodel::Turn(0.0, 0.0, 0.7) : linmodel::Turn(0.5, -0.8, 0.3);
    struct Answer {
      std::vector<std::vector<double>> u;  // per combination, subject point x its dofs
      std::vector<int> rotation;           // per value: 1 for a rotation
      std::vector<double> force;  // per combination, per pulled dof
      std::vector<int> iterations;
    };
    std::vector<Answer> answers;
    std::vector<const Variant*> used;
    for (const Variant& v : variants) {
      if ((criterion != 1 || s.unitsOnly) && (v.turned || v.mirrored || v.renumbered)) continue;
      used.push_back(&v);
      SCOPED_TRACE(v.name);
      const Built b = Build(s, v, turn, criterion);
      const nonlinrun::Outcome o = RunOutcome(b.job.model, b.job.layout.nF, b.job.layout.nP, "variant");
      ASSERT_EQ(o.run.status, 0) << o.run.err;
      ASSERT_EQ(o.dr.records.size(), s.factors.size());
      Answer a;
      for (const resultfile::DisplReactRecord& r : o.dr.records) {
        std::vector<double> u;
        for (size_t p = 0; p < s.x.size(); p++)
          for (int d = 1; d <= 6; d++) {
            if (s.mask[d - 1] != '1') continue;
            // Rotations need no unit.
            double value = nonlinrun::U(r, b.job, b.number[p], d) / (d <= 3 ? v.units.L : 1.0);
            if (a.u.empty()) a.rotation.push_back(d > 3);
            if (v.mirrored && d - 1 == s.mirrorAxis) value = -value;
            u.push_back(value);
          }
        a.u.push_back(u);
        // The pulling force: the reactions of the pulled dofs, summed per dof.
        for (int d = 1; d <= 3; d++) {
          double f = 0.0;
          bool pulled = false;
          for (const Pull& p : s.pulls)
            if (p.dof == d) {
              f += nonlinrun::Reaction(r, b.job, {b.number[p.point]}, p.dof);
              pulled = true;
            }
          if (pulled) a.force.push_back(f / v.units.F);
        }
      }
      for (const resultfile::CombinationEntry& e : o.ep.entries) a.iterations.push_back(e.nIterations);
      answers.push_back(a);
    }
    const Answer& ref = answers[0];
    double uMax[2] = {0.0, 0.0}, fMax = 0.0;  // translations, rotations
    for (size_t c = 0; c < ref.u.size(); c++) {
      for (size_t i = 0; i < ref.u[c].size(); i++)
        uMax[ref.rotation[i]] = std::max(uMax[ref.rotation[i]], std::fabs(ref.u[c][i]));
    }
    for (double f : ref.force) fMax = std::max(fMax, std::fabs(f));
    for (size_t k = 1; k < answers.size(); k++) {
      SCOPED_TRACE(used[k]->name);
      const Answer& a = answers[k];
      EXPECT_EQ(a.iterations, ref.iterations);
      for (size_t i = 0; i < ref.force.size(); i++)
        EXPECT_NEAR(a.force[i], ref.force[i], 1e-9 * fMax) << "force " << i + 1 << " (per combination, per dof)";
      for (size_t c = 0; c < ref.u.size(); c++) {
        for (size_t i = 0; i < ref.u[c].size(); i++)
          EXPECT_NEAR(a.u[c][i], ref.u[c][i], 1e-9 * uMax[ref.rotation[i]])
              << "combination " << c + 1 << ", value " << i;
      }
    }
  }
}

TEST_F(InvarianceRun, UnitsTurnMirrorAndNumberingChangeNoAnswer) {
  for (const Subject& s : {PlasticityPrism(), CrackBar(), OpeningJoint()}) ExpectSameAnswers(s);
}

// Rotation rows of shells and beams against their translation rows, a slave point's
// link term and a spring's table law: the same answers in the four unit sets.
TEST_F(InvarianceRun, ShellsFibreBeamsLinksAndSpringsInAnyUnits) {
  for (const Subject& s : {LayeredStrip(20), LayeredStrip(22), LinkedFibreBeam(), TiedBars()}) ExpectSameAnswers(s);
}

// The conjugate gradient's stop and scaling in the four unit sets, on the layered Mindlin
// strip and on the linked fibre beam pulled back through zero stress into compression
// (the steel's unloading line, its side taken from the sign of the stress).
TEST_F(InvarianceRun, ConjugateGradientAndSteelReversalInAnyUnits) {
  Subject strip = LayeredStrip(20), beam = LinkedFibreBeam();
  strip.solver = beam.solver = 2;
  strip.name += ", conjugate gradient";
  beam.name += " reversed, conjugate gradient";
  beam.factors = {0.4, 0.8, 1.0, 0.6, 0.2, 0.0, -0.3};
  for (const Subject& s : {strip, beam}) ExpectSameAnswers(s);
}

// The three models in N and mm restarted after every combination, from the last but one
// down to the first: every result and history file and the iterations of the
// uninterrupted run, byte for byte, with both solvers; the plasticity prism and the crack
// bar also with the stiffness of each combination's second iteration kept into the next
// (strategy 4: the restart takes the stiffness held at its restart point).
TEST_F(InvarianceRun, RestartAfterEveryCombinationRepeatsTheUninterruptedRun) {
  const Variant base{"N, mm", kNmm, false, false, false};
  const linmodel::Turn none(0.0, 0.0, 0.0);
  struct Case {
    Subject s;
    const char* history;
    int strategy;
  };
  const Case cases[] = {{PlasticityPrism(), "_NLMM124_HD.bin", 1}, {CrackBar(), "_NLMM111_HD.bin", 1},
                        {OpeningJoint(), "_NLMM302_HD.bin", 1},    {PlasticityPrism(), "_NLMM124_HD.bin", 4},
                        {CrackBar(), "_NLMM111_HD.bin", 4}};
  for (const Case& c : cases)
    for (int solver : {1, 2}) {
      SCOPED_TRACE(c.s.name + (solver == 1 ? ", Gaussian elimination" : ", conjugate gradient") + ", strategy " +
                   std::to_string(c.strategy));
      Built b = Build(c.s, base, none, 1);
      tw::MainParams& m = b.job.model.main;
      m.iterativeAlgorithm = c.strategy;
      m.storageTechnique = solver;
      m.linEqAlgorithm = solver;
      m.precondResidualDecay = 1e-14;
      const int nF = b.job.layout.nF, nP = b.job.layout.nP;
      const nonlinrun::Outcome fresh = RunOutcome(b.job.model, nF, nP, "fresh");
      ASSERT_EQ(fresh.run.status, 0) << fresh.run.err;
      ASSERT_EQ(RunOutcome(b.job.model, nF, nP, "restarted").run.status, 0);
      const int n = static_cast<int>(c.s.factors.size());
      for (int r = n - 1; r >= 1; r--) {
        SCOPED_TRACE("restarted after combination " + std::to_string(r));
        m.nCombBeforeRestart = r;
        const nonlinrun::Outcome o = RunOutcome(b.job.model, nF, nP, "restarted");
        ASSERT_EQ(o.run.status, 0) << o.run.err;
        ExpectSameFiles("restarted", "fresh", {"_dr.bin", "_if.bin", "_lcc.aux", c.history});
        ASSERT_EQ(o.ep.entries.size(), fresh.ep.entries.size());
        for (size_t k = 0; k < o.ep.entries.size(); k++)
          EXPECT_EQ(o.ep.entries[k].nIterations, fresh.ep.entries[k].nIterations) << "combination " << k + 1;
        if (HasFailure()) return;
      }
    }
}

// Mechanisms in the four unit sets: the layered strips with their clamp free along x2
// (the whole strip slides) and the linked beam whose link leaves the torsion of the outer
// half free. Each is refused in words, with the same message and the same equation in
// every unit set (numbers that carry units masked).
TEST_F(InvarianceRun, MechanismsAreRefusedAlikeInAnyUnits) {
  Subject sliding20 = LayeredStrip(20), sliding22 = LayeredStrip(22), twisting = LinkedFibreBeam();
  sliding20.fixity[0] = sliding20.fixity[3] = sliding22.fixity[0] = sliding22.fixity[3] = "101111";
  twisting.ties = [](tw::Model& m, const Units&, const std::vector<int>& number) {
    tw::AddRecord(m, "<INTERNAL_POINT_LINKS>", tw::PointLink(number[1], number[2], "111011"));
  };
  const std::regex real("[-+]?[0-9]+\\.[0-9]+(e[-+]?[0-9]+)?");
  for (const Subject* s : {&sliding20, &sliding22, &twisting}) {
    SCOPED_TRACE(s->name);
    std::string first;
    for (const Units& u : {kNmm, kMNm, kNm, kkNmm}) {
      const Built b = Build(*s, {"units", u, false, false, false}, linmodel::Turn(0, 0, 0), 1);
      const nonlinrun::Outcome o = RunOutcome(b.job.model, b.job.layout.nF, b.job.layout.nP, "mechanism");
      EXPECT_EQ(o.run.status, 1) << o.run.err;
      EXPECT_TRUE(o.dr.records.empty());
      EXPECT_EQ(o.run.err.find("nternal error"), std::string::npos) << o.run.err;
      // The program's own words (a sanitizer's report of a fatal exit cut off).
      const std::string own = o.run.err.substr(0, o.run.err.find("\n====="));
      const std::string words = std::regex_replace(own, real, "#");
      EXPECT_NE(words.find("ERROR"), std::string::npos) << o.run.err;
      if (first.empty()) first = words;
      EXPECT_EQ(words, first) << "units " << u.L << " " << u.F;
    }
  }
}
