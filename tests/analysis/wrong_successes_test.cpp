// Data that once ran to "### Success ###" with a wrong or empty result, refused now with a
// worded message that names the block, record or combination: singular tangents in the
// conjugate gradient, negative damping, unstable time integration, unusable material
// parameters, counts and flags out of range.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "crack_bars.h"
#include "dynamic_models.h"
#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "model/params.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"
#include "support/run_program.h"
#include "support/testfiles.h"
#include "thermal_bar.h"

namespace tw = testmodel;

namespace {

// A Truss2D bar along x2 in a materially nonlinear run, held at its first point, pulled
// at the other: the transverse dof of the free end has no stiffness.
tw::Model Bar(bool held) {
  linmodel::Job j;
  linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kPlaneMask, held ? "011000" : "000000");
  linmodel::AddPoint2D(j, 1.0, 0.0, linmodel::kPlaneMask, held ? "000000" : "010000");
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0.0, 1e-5, 2e5, 0.3));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("bar", 1.0));
  tw::AddElement(j.model, {1, 2});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, _TRUSS_2D, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  j.model.loadCases = {held ? linmodel::LoadCase({tw::PointLoad(2, {0, 0.1, 0, 0, 0, 0})})
                            : linmodel::LoadCase({}, {}, {tw::PrescribedDisplacement(2, 2, 1e-4)})};
  nonlinrun::Factors(j.model, {0.5, 1.0});
  nonlinrun::Iterate(j.model.main, 1e-8, 20);
  j.model.main.storageTechnique = j.model.main.linEqAlgorithm = 2;
  return j.model;
}

tw::Model Oscillator() { return dynmodel::Sdof(0.01, 4).model; }

struct Case {
  const char* what;
  std::function<tw::Model()> model;
  std::vector<std::string> stderrHas;  // texts the error stream must hold
};

tw::Model With(tw::Model m, const std::function<void(tw::Model&)>& edit) {
  edit(m);
  return m;
}

// The model with `p` as its only element property record.
tw::Model WithProperty(tw::Model m, const tw::Rec& p) {
  m.blocks["<ELEMENT_PROPERTIES>"] = {p};
  return m;
}

const std::string kMain = "   -> Block name: <MAIN_PARAMETERS>\n\nERROR:\n";
const std::string kDynamic = "   -> Block name: <DYNAMIC_ANALYSIS_PARAMETERS>\n\nERROR:\n";

}  // namespace

class WrongSuccesses : public testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDirectory(); }
  void TearDown() override { RemoveDirectory(dir_); }
  void Expect(const Case& c) {
    SCOPED_TRACE(c.what);
    tw::WriteDataFile(dir_ + "/job1", c.model());
    WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
    const ChildResult r = RunProgram(VOLDE_EXE, {"job1"}, dir_);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.out.find("### Success ###"), std::string::npos);
    EXPECT_EQ(r.err.find("INTERNAL ERROR"), std::string::npos) << r.err;
    for (const std::string& text : c.stderrHas) EXPECT_NE(r.err.find(text), std::string::npos) << text << "\n" << r.err;
  }
  std::string dir_;
  ChildLeakCheckOff leaks_;
};

TEST_F(WrongSuccesses, SingularTangentsOfTheConjugateGradient) {
  // The sound bar (its free end held across) runs; without that support the tangent has
  // a null row, and without any support a rigid motion.
  tw::WriteDataFile(dir_ + "/job1", With(Bar(true), [](tw::Model& m) {
                      tw::AddRecord(m, "<SUPPORTS>", tw::Support(2, "001000"));
                    }));
  const ChildResult sound = RunProgram(VOLDE_EXE, {"job1"}, dir_);
  ASSERT_EQ(sound.status, 0) << sound.err;
  const Case cases[] = {
      {"null row", [] { return Bar(true); }, {"\nERROR:\n", "stiffness matrix (KFF)"}},
      {"no support", [] { return Bar(false); }, {"\nERROR:\nThe supports do not stop every rigid motion"}},
  };
  for (const Case& c : cases) Expect(c);
}

TEST_F(WrongSuccesses, OptionsCountsAndMaterialValuesOutOfRange) {
  const auto nonlinear = [](std::function<void(tw::Model&)> e) {
    return [e] {
      return With(Bar(true), [&e](tw::Model& m) {
        tw::AddRecord(m, "<SUPPORTS>", tw::Support(2, "001000"));
        e(m);
      });
    };
  };
  const auto dynamic = [](std::function<void(tw::Model&)> e) { return [e] { return With(Oscillator(), e); }; };
  const auto thermal = [](std::vector<double> material, std::function<void(tw::Model&)> e) {
    return [material, e] { return With(HeldThermalBar(material), e); };
  };
  const std::vector<double> concrete = {2.4, 1.5, 0.9};
  const Case cases[] = {
      // Negative damping feeds energy into the structure.
      {"negative default damping ratio", dynamic([](tw::Model& m) { m.dynamic.defaultModalDampingRatio = -1.5; }),
       {kDynamic + "Invalid DEFAULT_MODAL_DAMPING_RATIO: -1.5 (negative damping is not admissible)."}},
      {"negative modal damping ratio",
       dynamic([](tw::Model& m) { tw::AddRecord(m, "<MODAL_DAMPING_RATIOS>", tw::Rec().I(1).D(-0.2)); }),
       {"   -> Block name: <MODAL_DAMPING_RATIOS>\n   -> Record counter: 1\n\nERROR:\nInvalid damping ratio: -0.2"}},
      // Time integration that is not stable, method codes that nothing reads.
      {"Newmark gamma below 1/2", dynamic([](tw::Model& m) { m.dynamic.gamma = -0.1; }),
       {kDynamic + "Invalid GAMMA: -0.1 (it must be 1/2 or more)."}},
      {"alpha outside the alpha method", dynamic([](tw::Model& m) { m.dynamic.alpha = 0.5; }),
       {kDynamic + "Invalid ALPHA: 0.5 (valid: -1/3 to 0)."}},
      {"dynamic method 4", dynamic([](tw::Model& m) { m.dynamic.timeSteppingMethod = 4; }),
       {kDynamic + "Invalid TIME_STEPPING_METHOD: 4 (valid: 1 to 2)."}},
      {"thermal theta below 0", thermal(concrete, [](tw::Model& m) { m.main.thermalTheta = -0.5; }),
       {kMain + "Invalid time-integration parameter of the thermal time stepping: -0.5 (valid: 0 to 1)."}},
      {"thermal method 6", thermal(concrete, [](tw::Model& m) { m.main.thermalSteppingMethod = 6; }),
       {kMain + "Invalid THERMAL_TRANSIENT_TIME_STEPPING_METHOD: 6 (valid: 1 to 5)."}},
      // Material values that turn the physics round.
      {"negative specific heat", thermal({2.4, 1.5, -0.9}, [](tw::Model&) {}),
       {"<THERMAL_ISOTROPIC_MATERIALS>\n   -> Record counter: 1\n\nERROR:\nInvalid specific heat: -0.9"}},
      {"negative density", thermal({-2.4, 1.5, 0.9}, [](tw::Model&) {}),
       {"<THERMAL_ISOTROPIC_MATERIALS>\n   -> Record counter: 1\n\nERROR:\nInvalid density: -2.4"}},
      // Counts and flags of the nonlinear controls.
      {"arc length with -1 combinations", nonlinear([](tw::Model& m) {
         m.main.arcLength = 1;
         m.main.maxArcLengthCombinations = -1;
       }),
       {kMain + "Invalid MAXIMUM_NUMBER_OF_ARC_LENGTH_COMBINATIONS: -1 (with ARC_LENGTH it must be 1 or more)."}},
      {"arc-length flag 17", nonlinear([](tw::Model& m) { m.main.arcLength = 17; }),
       {kMain + "Invalid ARC_LENGTH flag: 17 (valid: 0 to 1)."}},
      // The flag is a byte: 255 is named as 255.
      {"arc-length flag 255", nonlinear([](tw::Model& m) { m.main.arcLength = static_cast<int8_t>(-1); }),
       {kMain + "Invalid ARC_LENGTH flag: 255 (valid: 0 to 1)."}},
      {"two phases", nonlinear([](tw::Model& m) { m.main.nPhases = 2; }),
       {kMain + "Invalid NUMBER_OF_PHASES: 2 (only one phase is available)."}},
      {"iteration limit 0", nonlinear([](tw::Model& m) { m.main.maxIterations = 0; }),
       {kMain + "Invalid MAXIMUM_NUMBER_OF_ITERATIONS_IN_EACH_COMBINATION: 0 (it must be 1 or more)."}},
      {"tolerance 0", nonlinear([](tw::Model& m) { m.main.tolerance = 0.0; }),
       {kMain + "Invalid TOLERANCE_IN_EACH_COMBINATION: 0 (it must be positive)."}},
      {"convergence criterion 4", nonlinear([](tw::Model& m) { m.main.convergenceCriterion = 4; }),
       {kMain + "Invalid CONVERGENCE_CRITERION: 4 (valid: 1 to 3)."}},
      {"path behaviour 3", nonlinear([](tw::Model& m) { m.main.pathBehavior = 3; }),
       {kMain + "Invalid PATH_BEHAVIOR: 3 (valid: 1 to 2)."}},
      {"iterative algorithm 0", nonlinear([](tw::Model& m) { m.main.iterativeAlgorithm = 0; }),
       {kMain + "Invalid ITERATIVE_ALGORITHM: 0 (valid: 1 to 5)."}},
      {"combination of phase 2 in a linear run", [] {
         tw::Model m = Oscillator();
         m.main.analysisType = 1;
         m.combinations[1].phase = 2;
         return m;
       },
       {"   -> Combination: 2\n   -> Block name: <COMBINATION_PARAMETERS>\n\nERROR:\nInvalid phase number: 2"}},
      {"a frequency range of -1 modes", [] {
         tw::Model m = Oscillator();
         m.main.analysisType = 3;
         tw::AddRecord(m, "<FREQUENCY_RANGES>", tw::Rec().D(0.0).I(-1).D(0.0).D(0.0));
         return m;
       },
       {"<FREQUENCY_RANGES>\n   -> Record counter: 1\n\nERROR:\nInvalid number of modes: -1"}},
      {"a count of load cases of 2^31-1", [] {
         tw::Model m = Oscillator();
         m.autoCounts = false;
         m.main.nLoadCases = INT32_MAX;
         m.main.nCombinations = static_cast<int32_t>(m.combinations.size());
         return m;
       },
       {kMain + "Invalid NUMBER_OF_LOAD_CASES: 2147483647 (the data file is too short to hold them)."}},
  };
  for (const Case& c : cases) Expect(c);
}

// The steel of smeared bars and the shrinkage law: values that made the steel drop out
// or the shrinkage strain explode.
TEST_F(WrongSuccesses, SteelAndShrinkageParameters) {
  const auto bars = [](std::vector<double> v) {
    return [v] {
      crackbars::PlaneBar b(MAT_NLMM101, 1, 1, 3.0, 1, {0.005});
      tw::AddRecord(b.job.model, "<NLMM145>", tw::Rec().S("bars").Ds(v));
      b.job.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 10, MAT_NLMM145, 1, GEOM_LAM_THICK, 1)};
      return b.job.model;
    };
  };
  const auto shrinkage = [](int at, double x) {
    return [at, x] {
      std::vector<double> v = {0.0, 0.0, 7.0, 100.0, 38.0, 60.0};
      v[static_cast<size_t>(at)] = x;
      tw::Model m = Oscillator();
      tw::AddRecord(m, "<NLMM171>", tw::Rec().S("shrinkage").C(1).C(1).C(2).Ds(v).I(2).D(0.0).I(0).D(0.0).I(0));
      return m;
    };
  };
  const std::string steel = "   -> Block name: <NLMM145>\n   -> Record counter: 1\n\nERROR:\n";
  const std::string shrink = "   -> Block name: <NLMM171>\n   -> Record counter: 1\n\nERROR:\n";
  const Case cases[] = {
      {"negative steel modulus", bars({7.85e-9, 1.2e-5, -2e5, 5000, 0.002, 400, 0.02, 0, 0.1, 600, 0}),
       {steel + "The modulus of elasticity of the steel must be positive: -200000."}},
      {"negative yield stress", bars({7.85e-9, 1.2e-5, 2e5, 5000, 0.002, -400, 0.02, 0, 0.1, 600, 0}),
       {steel + "The yield stress of the steel must be positive: -400."}},
      {"relative humidity 1e6", shrinkage(5, 1e6), {shrink + "Invalid relative humidity: 1e+06 (valid: 0 to 100 percent)."}},
      {"negative relative humidity", shrinkage(5, -10.0), {shrink + "Invalid relative humidity: -10"}},
      {"mean strength 0", shrinkage(4, 0.0), {shrink + "Invalid mean compressive strength: 0 (it must be positive)."}},
      {"notional size 0", shrinkage(3, 0.0), {shrink + "Invalid notional size h0: 0 (it must be positive)."}},
      {"drying from -1", shrinkage(2, -1.0), {shrink + "Invalid start of drying: -1 (it must not be negative)."}},
  };
  for (const Case& c : cases) Expect(c);
}

// One table of element type x material kind x analysis, checked at set-up: a group the
// element routines could not serve is refused naming the group, its type and its kind,
// never left to a dispatcher's internal error.
TEST_F(WrongSuccesses, ElementGroupsTheAnalysisCannotServe) {
  const auto group = [](int type, const char* kind) {
    return std::string("Element group (element property record n. 1)\n   -> Element type: ") +
           (type == _TRUSS_2D ? "_TRUSS_2D" : type == _CABLE_2D ? "_CABLE_2D" : type == _SOLID_HEXA ? "_SOLID_HEXA"
                                                                : type == _PLANE_STRESS_QUAD ? "_PLANE_STRESS_QUAD"
                                                                                               : "_SOLID_HEXA_THERMAL") +
           "\n   -> Elements: " + "1 to " + (type == _CABLE_2D ? "2" : type == _SOLID_HEXA_THERMAL ? "2" : "1") +
           "\n   -> Material kind: " + kind + "\n";
  };
  const tw::Rec steel = tw::Rec().S("steel").Ds({7.85, 1e-5, 0.0015, 300, 0.0015, 300, 0.5, 300, 1});
  const Case cases[] = {
      {"Truss2D of _NLMM201 steel", [&] {
         tw::Model m = Bar(true);
         tw::AddRecord(m, "<NLMM201>", steel);
         return WithProperty(m, tw::ElementProperty(1, 1, _TRUSS_2D, MAT_NLMM201, 1, GEOM_CS_AREA, 1));
       },
       {group(_TRUSS_2D, "_NLMM201"), "\nERROR:\nThis type of element cannot take this material kind.\n"}},
      {"cables of _NLMM201 steel in a linear run", [&] {
         tw::Model m = linmodel::CableHanger2D(1e4).model;
         m.loadCases = {linmodel::LoadCase({tw::PointLoad(3, {0, 0, -5, 0, 0, 0})})};
         tw::AddRecord(m, "<NLMM201>", steel);
         return WithProperty(m, tw::ElementProperty(1, 2, _CABLE_2D, MAT_NLMM201, 1, GEOM_CS_AREA, 1));
       },
       {group(_CABLE_2D, "_NLMM201"), "\nERROR:\nA nonlinear material needs a materially nonlinear analysis\n"}},
      {"a shrinkage law as a solid's own material", [] {
         crackbars::Bar b(MAT_NLMM102, 1, 3.0, 1, {0.005});
         tw::AddRecord(b.lj.job.model, "<NLMM171>",
                       tw::Rec().S("shrinkage").C(1).C(1).C(2).Ds({0.0, 0.0, 7.0, 100.0, 38.0, 60.0}).I(2).D(0.0).I(0)
                           .D(0.0).I(0));
         return WithProperty(b.lj.job.model, tw::ElementProperty(1, 1, _SOLID_HEXA, MAT_NLMM171, 1, 0, 0));
       },
       {group(_SOLID_HEXA, "_NLMM171"), "\nERROR:\nThis material kind is a part of a material pattern (_NLMM_PATT) only.\n"}},
      {"a plane-stress quadrilateral of _NLMM146, a kind without a stress-strain law", [] {
         crackbars::PlaneBar b(MAT_NLMM101, 1, 1, 3.0, 1, {0.005});
         tw::AddRecord(b.job.model, "<NLMM146>", tw::Rec().S("m146").Ds({2.4e-9, 1e-5, 30000, 1, 2, 3, 4, 5, 6}).I(1).D(1));
         return WithProperty(b.job.model, tw::ElementProperty(1, 1, _PLANE_STRESS_QUAD, MAT_NLMM146, 1, GEOM_LAM_THICK, 1));
       },
       {group(_PLANE_STRESS_QUAD, "_NLMM146"),
        "\nERROR:\nThe material kind _NLMM146 has no stress-strain law: no element can be computed with it.\n"}},
      {"a plane-stress quadrilateral of a pattern other than _NLMM104 with _FRC_MIXFRACTURE_2D", [] {
         crackbars::PlaneBar b(MAT_NLMM104, 1, 1, 3.0, 1, {0.005});
         tw::AddRecord(b.job.model, "<NLMM_PATTERNS>", tw::Rec().S("pattern").I(1).I(MAT_NLMM104).I(1));
         return WithProperty(b.job.model, tw::ElementProperty(1, 1, _PLANE_STRESS_QUAD, MAT_NLMM_PATT, 1, GEOM_LAM_THICK, 1));
       },
       {"   -> Element property: 1\n   -> Material pattern: 1\n",
        "a plane-stress quadrilateral takes _NLMM104 with _FRC_MIXFRACTURE_2D only.\n"}},
      {"a material pattern with a component it cannot take", [] {
         crackbars::Bar b(MAT_NLMM102, 1, 3.0, 1, {0.005});
         tw::AddRecord(b.lj.job.model, "<NLMM_PATTERNS>", tw::Rec().S("pattern").I(1).I(MAT_NLMM102).I(1));
         return WithProperty(b.lj.job.model, tw::ElementProperty(1, 1, _SOLID_HEXA, MAT_NLMM_PATT, 1, 0, 0));
       },
       {group(_SOLID_HEXA, "_NLMM_PATT"), "\nERROR:\nA material pattern cannot take a component of material kind _NLMM102.\n"}},
      {"a mechanical material in a thermal run", [] {
         tw::Model m = HeldThermalBar({2.4, 1.5, 0.9});
         tw::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("concrete", 0.0, 1e-5, 3e4, 0.2));
         return WithProperty(m, tw::ElementProperty(1, 2, _SOLID_HEXA_THERMAL, MAT_LIN_ISO, 1, 0, 0));
       },
       {group(_SOLID_HEXA_THERMAL, "_LIN_ISO"), "\nERROR:\nA thermal analysis takes only thermal materials"}},
      {"a truss of a thickness", [] {
         tw::Model m = Bar(true);
         tw::AddRecord(m, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 1.0));
         return WithProperty(m, tw::ElementProperty(1, 1, _TRUSS_2D, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
       },
       {"   -> Geometry kind: _LAM_THICK\n\nERROR:\nThis type of element takes geometric properties of kind _CS_AREA"}},
      // A link of a dof the master point has not, and an internal point load on a cable.
      {"a link of a rotation between truss points", [] {
         tw::Model m = Bar(true);
         tw::AddRecord(m, "<SUPPORTS>", tw::Support(2, "001000"));
         const int p = tw::AddPoint(m, 0.0, 2.0, 0.0);
         tw::AddElement(m, {2, p});
         m.blocks["<ELEMENT_PROPERTIES>"][0] = tw::ElementProperty(1, 2, _TRUSS_2D, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1);
         tw::AddRecord(m, "<INTERNAL_POINT_LINKS>", tw::PointLink(2, p, "000100"));
         return m;
       },
       {"   -> Internal point link counter: 1\n   -> Point M (Master): 2\n   -> Degree of freedom: _R1\n\nERROR:\n"
        "The degrees of freedom involved in internal point links\nmust have stiffness contribution"}},
      // The mother of an embedded cable is sought in the cable's own coordinates.
      {"a 2-D embedded cable beside a Mindlin slab", [] {
         tw::Model m = Bar(true);
         tw::AddRecord(m, "<SUPPORTS>", tw::Support(2, "001000"));
         std::vector<int32_t> quad;
         for (const auto& xy : {std::pair{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}})
           quad.push_back(tw::AddPoint(m, xy.first, xy.second, 0.0));
         tw::AddElement(m, quad);
         tw::AddElement(m, {quad[0], quad[2]});
         tw::AddRecord(m, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 0.2));
         tw::AddRecord(m, "<ELEMENT_PROPERTIES>",
                       tw::ElementProperty(2, 2, _MINDLIN_SLAB_QUAD, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
         tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(3, 3, _EMB_CABLE_2D, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
         return m;
       },
       {"Element group (element property record n. 2)\n   -> Element type: _MINDLIN_SLAB_QUAD\n",
        "\nERROR:\nThis type of element cannot host the embedded cables of type _EMB_CABLE_2D (element property "
        "record n. 3):\nits coordinates are not those of the cables.\n"}},
      {"an internal point load on a cable", [] {
         tw::Model m = linmodel::CableHanger2D(1e4).model;
         m.loadCases = {linmodel::LoadCase({tw::PointLoad(3, {0, 0, -5, 0, 0, 0})})};
         m.loadCases[0].blocks["<INTERNAL_POINT_LOADS>"] = {tw::InternalPointLoad(1, 3, {0, 0, -1, 0, 0, 0})};
         return m;
       },
       {"<INTERNAL_POINT_LOADS>", "_CABLE_2D", "\nERROR:\nThis type of element does not take this type of load.\n"}},
  };
  for (const Case& c : cases) Expect(c);
}

// A matrix so ill-conditioned that a spurious mode may dominate is solved, with a warning
// that names its condition estimate: a soft bar (E A = 1) in series with a stiff one
// (E A = 1e12) gives an estimate of about 2e12.
TEST_F(WrongSuccesses, IllConditionedMatrixIsSolvedWithAWarning) {
  linmodel::Job j;
  linmodel::AddPoint2D(j, 0.0, 0.0, linmodel::kPlaneMask, "011000");
  linmodel::AddPoint2D(j, 1.0, 0.0, linmodel::kPlaneMask, "001000");
  linmodel::AddPoint2D(j, 2.0, 0.0, linmodel::kPlaneMask, "001000");
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("soft", 0.0, 0.0, 1.0, 0.0));
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("stiff", 0.0, 0.0, 1e12, 0.0));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("bar", 1.0));
  tw::AddElement(j.model, {1, 2});
  tw::AddElement(j.model, {2, 3});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, _TRUSS_2D, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(2, 2, _TRUSS_2D, MAT_LIN_ISO, 2, GEOM_CS_AREA, 1));
  j.model.loadCases = {linmodel::LoadCase({tw::PointLoad(3, {0, 1, 0, 0, 0, 0})})};
  tw::WriteDataFile(dir_ + "/job1", j.model);
  WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  const ChildResult r = RunProgram(VOLDE_EXE, {"job1"}, dir_);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("### Success ###"), std::string::npos);
  EXPECT_NE(r.err.find("WARNING:\nThe stiffness matrix is ill-conditioned: the estimated condition number"),
            std::string::npos)
      << r.err;
  // The well-conditioned bar of two equal members solves without it.
  j.model.blocks["<ELEMENT_PROPERTIES>"][1] = tw::ElementProperty(2, 2, _TRUSS_2D, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1);
  tw::WriteDataFile(dir_ + "/job1", j.model);
  const ChildResult sound = RunProgram(VOLDE_EXE, {"job1"}, dir_);
  EXPECT_EQ(sound.status, 0) << sound.err;
  EXPECT_EQ(sound.err.find("ill-conditioned"), std::string::npos) << sound.err;
}

// A value the analysis does not read is not blamed: the run goes on, and one warning names
// the value. The analyses that read it refuse it. A superposition first runs the modal
// analysis of its model, with the value still sound.
TEST_F(WrongSuccesses, AValueTheAnalysisDoesNotReadIsNamedInAWarning) {
  struct Row {
    const char* what;
    int type;  // of the run under test
    int stepping;
    std::function<void(tw::Model&)> edit;
    std::string said;  // the line of the notice, or the refusal
  };
  const std::string dyn = "of <DYNAMIC_ANALYSIS_PARAMETERS>: ";
  const std::string bound = "upper bound of <FREQUENCY_RANGES> record 1: -10\n";
  const auto negativeBound = [](tw::Model& m) {
    m.blocks["<FREQUENCY_RANGES>"][0] = tw::Rec().D(0.0).I(1).D(-10.0).D(0.0);
  };
  const int kDirect = ANALYSIS_DYNAMIC, kModal = ANALYSIS_MODAL_ANALYSIS, kSuper = ANALYSIS_MODAL_SUPERPOSITION;
  const Row unread[] = {
      {"arc-length flag 255", kDirect, 2, [](tw::Model& m) { m.main.arcLength = static_cast<int8_t>(-1); },
       "ARC_LENGTH flag: 255 (valid: 0 to 1)\n"},
      {"gamma with Duhamel", kSuper, 3, [](tw::Model& m) { m.dynamic.gamma = 0.3; }, "GAMMA " + dyn + "0.3\n"},
      {"beta with Duhamel", kSuper, 3, [](tw::Model& m) { m.dynamic.beta = -0.25; }, "BETA " + dyn + "-0.25\n"},
      {"alpha with Duhamel", kSuper, 3, [](tw::Model& m) { m.dynamic.alpha = 0.5; }, "ALPHA " + dyn + "0.5\n"},
      {"alpha with the modal Newmark step", kSuper, 2, [](tw::Model& m) { m.dynamic.alpha = -0.5; },
       "ALPHA " + dyn + "-0.5\n"},
      {"residual decay with Gaussian elimination", kDirect, 2, [](tw::Model& m) { m.main.precondResidualDecay = 1.5; },
       "PRECONDITIONED_RESIDUAL_DECAY of <MAIN_PARAMETERS>: 1.5\n"},
      {"negative upper bound in a direct run", kDirect, 2, negativeBound, bound},
      {"negative upper bound in a superposition", kSuper, 3, negativeBound, bound},
  };
  const auto run = [this](const Row& row) {
    tw::Model m = Oscillator();
    m.dynamic.timeSteppingMethod = row.stepping;
    m.dynamic.defaultModalDampingRatio = 0.0;
    tw::AddRecord(m, "<FREQUENCY_RANGES>", tw::Rec().D(0.0).I(1).D(0.0).D(0.0));
    WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
    if (row.type == ANALYSIS_MODAL_SUPERPOSITION) {
      tw::Model modal = m;
      modal.main.analysisType = ANALYSIS_MODAL_ANALYSIS;
      tw::WriteDataFile(dir_ + "/job1", modal);
      const ChildResult modes = RunProgram(VOLDE_EXE, {"job1"}, dir_);
      EXPECT_EQ(modes.status, 0) << modes.err;
    }
    m.main.analysisType = row.type;
    row.edit(m);
    tw::WriteDataFile(dir_ + "/job1", m);
    return RunProgram(VOLDE_EXE, {"job1"}, dir_);
  };
  for (const Row& row : unread) {
    SCOPED_TRACE(row.what);
    const ChildResult r = run(row);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("### Success ###"), std::string::npos);
    EXPECT_NE(r.err.find("Values out of range that this analysis does not read:\n   -> " + row.said +
                         "\nWARNING:\nThey are left as they are; the run goes on.\n"),
              std::string::npos)
        << r.err;
  }
  // The same values where they are read.
  const Row read[] = {
      {"beta with the modal Newmark step", kSuper, 2, [](tw::Model& m) { m.dynamic.beta = -0.25; },
       "   -> BETA: -0.25\n\nERROR:\nThe parameter BETA of the time integration must be positive.\n"},
      {"alpha of the direct run", kDirect, 1, [](tw::Model& m) { m.dynamic.alpha = 0.5; },
       kDynamic + "Invalid ALPHA: 0.5 (valid: -1/3 to 0)."},
      {"residual decay of the conjugate gradient", kDirect, 2,
       [](tw::Model& m) {
         m.main.storageTechnique = m.main.linEqAlgorithm = 2;
         m.main.precondResidualDecay = 1.5;
       },
       kMain + "Invalid PRECONDITIONED_RESIDUAL_DECAY: 1.5 (valid: above 0 and below 1)."},
      {"negative upper bound of the eigenvectors", kModal, 2, negativeBound,
       "<FREQUENCY_RANGES>\n   -> Record counter: 1\n\nERROR:\nInvalid upper bound: -10 (it cannot be negative).\n"},
  };
  for (const Row& row : read) {
    SCOPED_TRACE(row.what);
    const ChildResult r = run(row);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(row.said), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("does not read"), std::string::npos) << r.err;
  }
}

// A strong-discontinuity record has no element in any analysis: every one of them refuses
// it in the same words, the thermal ones as the mechanical ones.
TEST_F(WrongSuccesses, StrongDiscontinuityIsRefusedAlikeInEveryAnalysis) {
  const auto withDiscontinuity = [](std::function<tw::Model()> make) {
    return [make] {
      tw::Model m = make();
      m.discontinuities.push_back(tw::Rec().I(1).I(0).I(0).I(0).C(0).C(0).C(0).C(0));
      return m;
    };
  };
  const auto thermal = [](int type, int nonlinear) {
    return [type, nonlinear] {
      tw::Model m = HeldThermalBar({2.4, 1.5, 0.9});
      m.main.analysisType = type;
      m.main.materNonlinear = static_cast<int8_t>(nonlinear);
      return m;
    };
  };
  const auto oscillator = [](int type) {
    return [type] {
      tw::Model m = Oscillator();
      m.main.analysisType = type;
      if (type == ANALYSIS_MODAL_ANALYSIS) tw::AddRecord(m, "<FREQUENCY_RANGES>", tw::Rec().D(0.0).I(1).D(0.0).D(0.0));
      return m;
    };
  };
  const std::vector<std::string> refusal = {
      "\n   -> Block name: <LINE_EMBEDDED_STRONG_DISCONTINUITY>\n\nERROR:\nLine-embedded strong discontinuities are "
      "not available.\nThe <LINE_EMBEDDED_STRONG_DISCONTINUITY> block must be empty.\n"};
  const Case cases[] = {
      {"thermal steady state", withDiscontinuity(thermal(ANALYSIS_THERMAL_STEADY_STATE, 0)), refusal},
      {"linear thermal transient", withDiscontinuity(thermal(ANALYSIS_THERMAL_TRANSIENT, 0)), refusal},
      {"nonlinear thermal transient", withDiscontinuity(thermal(ANALYSIS_THERMAL_TRANSIENT, 1)), refusal},
      {"materially nonlinear static", withDiscontinuity([] {
         return With(Bar(true), [](tw::Model& m) { tw::AddRecord(m, "<SUPPORTS>", tw::Support(2, "001000")); });
       }),
       refusal},
      {"linear dynamic", withDiscontinuity(oscillator(ANALYSIS_DYNAMIC)), refusal},
      {"modal analysis", withDiscontinuity(oscillator(ANALYSIS_MODAL_ANALYSIS)), refusal},
  };
  for (const Case& c : cases) Expect(c);
}

// A load step far beyond anything the material can take in one iterate: the law's
// failure says so, the numbers of the fault as they were.
TEST_F(WrongSuccesses, AnAbsurdLoadStepIsNamedInTheMaterialFault) {
  const auto concreteCube = [](double factor) {
    return [factor] {
      linmodel::LatticeJob lj = linmodel::HexaBar(8, 1, 1, 0.0, 0.0, 30000.0, 0.2, 0.0, false, [](int I, int J, int K) {
        return std::string(I == 0 || I == 2 ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
      });
      tw::Model m = lj.job.model;
      std::vector<tw::Rec> shortening;
      for (int J : {0, 2})
        for (int K : {0, 2}) shortening.push_back(tw::PrescribedDisplacement(lj.At(2, J, K), 1, -1.0));
      m.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, shortening)};
      tw::AddRecord(m, "<NLMM122>", tw::Rec().S("concrete").Ds({0.0, 0.0, 0.2, 30000.0, 30.0, 3.0, 0.0022, 0.3}));
      m.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 1, 24, MAT_NLMM122, 1, 0, 0)};
      nonlinrun::Iterate(m.main, 1e-6, 100);
      nonlinrun::Factors(m, {factor});
      return m;
    };
  };
  // Each combination is divided down to 1/1024 of its increment before the run ends: the
  // strain named is that of the last, smallest part.
  const std::string tooLarge = "the load step is far too large. Apply the load in smaller steps.\n";
  const std::string kFloor = "Combination 1: divided down to 1/1024 of its increment, it still fails there.\n";
  const Case cases[] = {
      {"solid crack pulled by a factor of 1e300",
       [] { return crackbars::Bar(MAT_NLMM102, 1, 3.0, 1, {1e300}).lj.job.model; },
       {"Calculating the transiton point corresponding to new crack initiation\n",
        "ERROR:\nThe iterative process to did not converge.\nThe strain increment of this iterate at the point "
        "reaches 9.77e+294:\n" + tooLarge + kFloor}},
      {"plane crack pulled by a factor of 1e300",
       [] { return crackbars::PlaneBar(MAT_NLMM101, 1, 1, 3.0, 1, {1e300}).job.model; },
       {"ERROR:\nThe iterative process to did not converge.\nThe strain increment", tooLarge}},
      {"crack plasticity pushed by a factor of -1e6",
       [] { return crackbars::PlaneBar(MAT_NLMM141, 1, 1, 3.0, 1, {-1e6}).job.model; },
       {"ERROR:\nThe iterative algorithm did not converge.\nThe strain increment of this iterate at the point reaches "
        "9.77:\n" + tooLarge + kFloor}},
      {"concrete plasticity shortened by a factor of 1e6", concreteCube(1e6),
       {"   -> Nonlinear material model: _NLMM122\n\nERROR:\nThe iterative algorithm did not converge.\nThe strain "
        "increment of this iterate at the point reaches 977:\n" + tooLarge + kFloor}},
      {"elasto-plastic solid crack shortened by a factor of -1e6",
       [] { return crackbars::Bar(MAT_NLMM151, 1, 3.0, 1, {-1e6}).lj.job.model; }, {tooLarge}},
  };
  for (const Case& c : cases) Expect(c);
}

// A constant crack band of 1e-9 is positive data: the crack then hardly softens (its
// ultimate strain 2 Gf / (ft h) is enormous) and the bar holds its tensile strength once
// cracked, where the softening law's checks stopped the run in the internal error.
TEST_F(WrongSuccesses, AVeryThinCrackBandHoldsTheStrength) {
  crackbars::Bar b(MAT_NLMM102, 1, 3.0, 1, {0.005, 0.02, 0.04});
  b.lj.job.model.blocks["<NLMM102>"] = {crackbars::S1(MAT_NLMM102, 3.0, 1, 30000.0, 1e-9),
                                        crackbars::S1(MAT_NLMM102, 3.0, 1, 30000.0, 1e-9)};
  tw::WriteDataFile(dir_ + "/job1", b.lj.job.model);
  WriteTextFile(dir_ + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  const ChildResult r = RunProgram(VOLDE_EXE, {"job1"}, dir_);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<double> f =
      b.Forces(resultfile::ReadDisplReact(dir_ + "/job1_dr.bin", b.lj.job.layout.nF, b.lj.job.layout.nP));
  ASSERT_EQ(f.size(), 3u);
  for (double x : {f[1], f[2]}) EXPECT_NEAR(x, 3.0 * crackbars::kArea, 0.01 * 3.0 * crackbars::kArea);
}
