// Steady-state heat conduction run end to end with both solvers: bars of thermal
// hexahedra and plane quadrilaterals against the closed-form 1-D solutions (linear
// profile, parabola of a uniform heat source, series resistance of a convection face,
// face flux), the heat balance of the boundary heat fluxes, and the refusals of the
// set-up and load checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "elements/kernel.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "static_run.h"
#include "thermal_bar.h"

namespace tw = testmodel;
using staticrun::kGauss;
using staticrun::kJPCG;
using staticrun::Solver;

namespace {

// k in W/(m K), lengths in m over L (L = 1e3: the model in millimetres).
void BaseModel(tw::Model& m, double k, double L = 1.0) {
  m.main.analysisType = 5;
  m.main.nCombinations = 0;
  tw::AddRecord(m, "<THERMAL_ISOTROPIC_MATERIALS>",
                tw::Material("thermal", "ddd", {2400.0 / (L * L * L), k / L, 900.0}));
}

// Ten unit-section hexahedra along x1, k = 1.
ThermalBar HexaBar(double L = 1.0) {
  ThermalBar b;
  BaseModel(b.model, 1.0, L);
  AddHexaBar(b, 10, tw::ElementProperty(1, 10, _SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, 1, 0, 0));
  ScaleLengths(b, L);
  return b;
}

// Twenty quadrilaterals (10 along x2, 2 across) of width 0.5 and thickness 0.2, k = 2.
ThermalBar PlaneBar() {
  ThermalBar b;
  BaseModel(b.model, 2.0);
  for (int i = 0; i <= 10; i++)
    for (int j = 0; j <= 2; j++) {
      tw::AddPoint(b.model, 0.0, i / 10.0, 0.25 * j);
      b.x.push_back(i / 10.0);
      b.fixed.push_back(false);
    }
  double** S;
  allocd2(&S, 4, 2);
  CalcNatCoord(4, S);
  for (int i = 1; i <= 10; i++)
    for (int j = 1; j <= 2; j++) {
      std::vector<int32_t> nodes;
      for (int a = 1; a <= 4; a++)
        nodes.push_back(3 * (i - 1 + (S[a][1] > 0 ? 1 : 0)) + (j - 1 + (S[a][2] > 0 ? 1 : 0)) + 1);
      tw::AddElement(b.model, nodes);
    }
  freed2(S);
  b.nElements = 20;
  tw::AddRecord(b.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 0.2));
  tw::AddRecord(b.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, 20, _PLANE_STRESS_QUAD_THERMAL, MAT_THERMAL_ISO, 1, GEOM_LAM_THICK, 1));
  return b;
}

tw::LoadCase ThermalLoadCase(const std::map<std::string, std::vector<tw::Rec>>& blocks) {
  tw::LoadCase lc;
  lc.blocks = blocks;
  return lc;
}

// "<SURFACE_CONVECTION_HEAT_TRANSFER>" with h on face f of element e.
tw::Rec Convection(int e, int f, double h) { return tw::Rec().Is({0, 0, 0, e, f}).C(1).C(0).DList({h}); }
// "<SURFACE_FLUID_TEMPERATURE>": element, face, convection record, radiation record, values.
tw::Rec FluidTemperature(int e, int f, int conv, int rad, double T) {
  return tw::Rec().I(e).I(f).I(conv).I(rad).DList({T});
}

class ThermalSteadyRun : public staticrun::LinearStaticRun {
 protected:
  staticrun::Outcome Run(ThermalBar& b, const Solver& s) {
    b.model.main.storageTechnique = s.storage;
    b.model.main.linEqAlgorithm = s.algorithm;
    staticrun::Outcome o;
    o.run = RunThermalJob(dir_, "job1", b);
    o.dr = resultfile::ReadDisplReact(dir_ + "/job1_tq.bin", b.nF(), b.nP(), false, true);
    o.ep = resultfile::ReadLinearExecParams(dir_ + "/job1_ep.bin");
    return o;
  }
  // Runs a model that must be refused; returns its error stream.
  std::string Refused(ThermalBar& b, const Solver& s) {
    staticrun::Outcome o = Run(b, s);
    EXPECT_EQ(o.run.status, 1) << o.run.out;
    EXPECT_EQ(o.run.out.find("### Success ###"), std::string::npos);
    return o.run.err;
  }
};

struct Values {
  const ThermalBar& b;
  const resultfile::DisplReactRecord& r;
  double T(int p) const {
    const size_t i = static_cast<size_t>(b.Index(p));
    return b.fixed[p - 1] ? r.presc.at(i) : r.free.at(i);
  }
  double R(int p) const { return r.react.at(static_cast<size_t>(b.Index(p))); }
};

// In metres and in millimetres: the same temperatures and heat fluxes.
TEST_F(ThermalSteadyRun, HexahedronBarMatchesTheOneDimensionalSolutions) {
  for (const LengthUnit& unit : kLengthUnits)
    for (const Solver& s : staticrun::kSolvers) {
      SCOPED_TRACE(std::string(s.name) + ", " + unit.name);
      const double L = unit.L;
      // Both ends held: 100 and 0 (linear profile), then both 0 with a heat source q = 8
      // (T = q x (1 - x) / 2k = 4 x (1 - x)).
      ThermalBar b = HexaBar(L);
      b.Fix(true, true);
      std::vector<tw::Rec> held = b.Prescribe(0.0, 100.0);
      for (const tw::Rec& r : b.Prescribe(1.0, 0.0)) held.push_back(r);
      std::vector<tw::Rec> source;
      for (int e = 1; e <= b.nElements; e++) source.push_back(tw::Rec().I(e).D(8.0 / (L * L * L)));
      b.model.loadCases = {ThermalLoadCase({{"<PRESCRIBED_POINT_TEMPERATURES>", held}}),
                           ThermalLoadCase({{"<VOLUMETRIC_INTERNAL_HEAT_GENERATION>", source}})};
      const staticrun::Outcome o = Run(b, s);
      ExpectSound(o, s, 2);
      ASSERT_EQ(o.dr.records.size(), 2u);
      const Values linear{b, o.dr.records[0]}, heated{b, o.dr.records[1]};
      double inflow = 0.0, outflow = 0.0;
      for (int p = 1; p <= static_cast<int>(b.x.size()); p++) {
        const double x = b.x[p - 1];
        EXPECT_CLOSE(linear.T(p), 100.0 * (1.0 - x), s, 100.0) << "point " << p;
        EXPECT_CLOSE(heated.T(p), 4.0 * x * (1.0 - x), s, 1.0) << "point " << p;
        if (!b.fixed[p - 1]) continue;
        // k A dT / L = 100 over four nodes; the source's 8 leaves through both ends.
        EXPECT_CLOSE(linear.R(p), x == 0.0 ? 25.0 : -25.0, s, 100.0) << "point " << p;
        EXPECT_CLOSE(heated.R(p), -1.0, s, 10.0) << "point " << p;
        (x == 0.0 ? inflow : outflow) += linear.R(p);
      }
      EXPECT_CLOSE(inflow + outflow, 0.0, s, 100.0);
      EXPECT_CLOSE(heated.T(4 * 5 + 1), 1.0, s, 1.0);   // x = 0.5
      EXPECT_CLOSE(heated.T(4 * 2 + 2), 0.64, s, 1.0);  // x = 0.2
      EXPECT_GT(o.ep.iter.nTermsKPF, 0);
      EXPECT_GT(o.ep.iter.nTermsKPP, 0);
    }
}

// In metres and in millimetres: the same temperatures and heat fluxes.
TEST_F(ThermalSteadyRun, ConvectionAndFluxFacesMatchTheSeriesResistance) {
  for (const LengthUnit& unit : kLengthUnits)
    for (const Solver& s : staticrun::kSolvers) {
      SCOPED_TRACE(std::string(s.name) + ", " + unit.name);
      const double L = unit.L;
      // x = 0 held at 100, convection h = 1 to a fluid at 20 on the far face:
      // k (100 - T1) / L = h (T1 - 20) gives T1 = 60 and 40 through the bar.
      ThermalBar conv = HexaBar(L);
      conv.Fix(true, false);
      tw::AddRecord(conv.model, "<SURFACE_CONVECTION_HEAT_TRANSFER>", Convection(10, conv.endFace, 1.0 / (L * L)));
      conv.model.loadCases = {ThermalLoadCase({{"<PRESCRIBED_POINT_TEMPERATURES>", conv.Prescribe(0.0, 100.0)},
                                               {"<SURFACE_FLUID_TEMPERATURE>",
                                                {FluidTemperature(10, conv.endFace, 1, 0, 20.0)}}})};
      staticrun::Outcome o = Run(conv, s);
      ExpectSound(o, s, 1);
      ASSERT_EQ(o.dr.records.size(), 1u);
      const Values c{conv, o.dr.records[0]};
      for (int p = 1; p <= static_cast<int>(conv.x.size()); p++) {
        const double x = conv.x[p - 1];
        EXPECT_CLOSE(c.T(p), 100.0 - 40.0 * x, s, 100.0) << "point " << p;
        if (conv.fixed[p - 1]) {
          EXPECT_CLOSE(c.R(p), 10.0, s, 100.0) << "point " << p;
        }
      }
      // x = 0 held at 0, a flux q = 10 leaving through the far face: T1 = -q L / k.
      ThermalBar flux = HexaBar(L);
      flux.Fix(true, false);
      flux.model.loadCases = {ThermalLoadCase({{"<PRESCRIBED_POINT_TEMPERATURES>", flux.Prescribe(0.0, 0.0)},
                                               {"<SURFACE_HEAT_FLUX>",
                                                {tw::Rec().I(10).I(flux.endFace).DList({10.0 / (L * L)})}}})};
      o = Run(flux, s);
      ExpectSound(o, s, 1);
      ASSERT_EQ(o.dr.records.size(), 1u);
      const Values f{flux, o.dr.records[0]};
      for (int p = 1; p <= static_cast<int>(flux.x.size()); p++) {
        EXPECT_CLOSE(f.T(p), -10.0 * flux.x[p - 1], s, 10.0) << "point " << p;
        if (flux.fixed[p - 1]) {
          EXPECT_CLOSE(f.R(p), 2.5, s, 10.0) << "point " << p;
        }
      }
    }
}

TEST_F(ThermalSteadyRun, PlaneQuadrilateralStripConductsThroughItsSection) {
  for (const Solver& s : staticrun::kSolvers) {
    SCOPED_TRACE(s.name);
    ThermalBar b = PlaneBar();
    b.Fix(true, true);
    std::vector<tw::Rec> held = b.Prescribe(0.0, 100.0);
    for (const tw::Rec& r : b.Prescribe(1.0, 0.0)) held.push_back(r);
    b.model.loadCases = {ThermalLoadCase({{"<PRESCRIBED_POINT_TEMPERATURES>", held}})};
    const staticrun::Outcome o = Run(b, s);
    ExpectSound(o, s, 1);
    ASSERT_EQ(o.dr.records.size(), 1u);
    const Values v{b, o.dr.records[0]};
    double inflow = 0.0;
    for (int p = 1; p <= static_cast<int>(b.x.size()); p++) {
      EXPECT_CLOSE(v.T(p), 100.0 * (1.0 - b.x[p - 1]), s, 100.0) << "point " << p;
      if (b.fixed[p - 1] && b.x[p - 1] == 0.0) inflow += v.R(p);
    }
    // k t w dT / L = 2 x 0.2 x 0.5 x 100.
    EXPECT_CLOSE(inflow, 20.0, s, 20.0);
  }
}

TEST_F(ThermalSteadyRun, RefusedModels) {
  struct Case {
    const char* what;
    bool plane;
    void (*spoil)(ThermalBar&);
    std::vector<std::string> messages;  // for Gaussian elimination, then the conjugate gradient
  };
  const Case cases[] = {
      {"radiation in a steady run", false,
       [](ThermalBar& b) {
         b.Fix(true, true);
         tw::AddRecord(b.model, "<SURFACE_RADIATION_HEAT_TRANSFER>",
                       tw::Rec().Is({0, 0, 0, 10, b.endFace}).C(1).C(0).DList({0.8}).D(5.67e-8));
       },
       {"Surface radiation heat transfer needs the nonlinear thermal transient analysis."}},
      {"line heat flux", false,
       [](ThermalBar& b) {
         b.Fix(true, true);
         b.model.loadCases = {ThermalLoadCase({{"<LINE_HEAT_FLUX>", {tw::Rec().I(1).I(2).DList({1.0})}}})};
       },
       {"   -> Block name: <LINE_HEAT_FLUX>\n", "Line heat flux is not available."}},
      {"fluid record naming the convection of another face", false,
       [](ThermalBar& b) {
         b.Fix(true, false);
         tw::AddRecord(b.model, "<SURFACE_CONVECTION_HEAT_TRANSFER>", Convection(10, b.endFace, 1.0));
         b.model.loadCases = {ThermalLoadCase(
             {{"<SURFACE_FLUID_TEMPERATURE>", {FluidTemperature(10, b.endFace == 1 ? 2 : 1, 1, 0, 20.0)}}})};
       },
       {"The fluid temperature names a heat transfer record of another element face."}},
      {"prescribed temperature on a free point", false,
       [](ThermalBar& b) {
         b.Fix(true, false);
         b.model.loadCases = {
             ThermalLoadCase({{"<PRESCRIBED_POINT_TEMPERATURES>", {tw::Rec().I(44).I(1).D(5.0)}}})};
       },
       {"Treating the prescribed temperatures:\n   -> Load case: 1\n",
        "Prescribed point temperature in a boundary point that is not\ndeclared as prescribed in the "
        "<BOUNDARY_WITH_FIXED_TEMPERATURES> block."}},
      {"prescribed temperature given twice", false,
       [](ThermalBar& b) {
         b.Fix(true, false);
         b.model.loadCases = {ThermalLoadCase(
             {{"<PRESCRIBED_POINT_TEMPERATURES>", {tw::Rec().I(1).I(1).D(5.0), tw::Rec().I(1).I(1).D(5.0)}}})};
       },
       {"The prescribed temperature of this degree of freedom\nis given more than once."}},
      {"convection on a plane quadrilateral", true,
       [](ThermalBar& b) {
         b.Fix(true, true);
         tw::AddRecord(b.model, "<SURFACE_CONVECTION_HEAT_TRANSFER>", Convection(3, 2, 1.0));
       },
       {"   -> Block name: <SURFACE_CONVECTION_HEAT_TRANSFER>\n   -> Counter: 1\n   -> Element: 3\n",
        "Surface covection heat transfer cannot be applied to this element type."}},
      {"heat flux on a plane quadrilateral", true,
       [](ThermalBar& b) {
         b.Fix(true, true);
         b.model.loadCases = {ThermalLoadCase({{"<SURFACE_HEAT_FLUX>", {tw::Rec().I(4).I(1).DList({1.0})}}})};
       },
       {"   -> Block name: <SURFACE_HEAT_FLUX>\n   -> Counter: 1\n   -> Element: 4\n",
        "Surface heat flux cannot be applied to this element type."}},
      {"a truss in a thermal run", false,
       [](ThermalBar& b) {
         b.Fix(true, true);
         tw::AddElement(b.model, {1, 5});
         tw::AddRecord(b.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("a", 1.0));
         tw::AddRecord(b.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("s", 0.0, 0.0, 2e5, 0.3));
         tw::AddRecord(b.model, "<ELEMENT_PROPERTIES>",
                       tw::ElementProperty(11, 11, _TRUSS_3D, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
       },
       {"Element n. 11\n   -> Element type: _TRUSS_3D\n", "a thermal analysis takes only"}},
      {"two phases", false,
       [](ThermalBar& b) {
         b.Fix(true, true);
         b.model.main.nPhases = 2;
       },
       {"The n. of phases must be 1 when the options are the following:\n - thermal steady state analysis"}},
      {"heat source without any boundary", false,
       [](ThermalBar& b) {
         b.model.loadCases = {ThermalLoadCase({{"<VOLUMETRIC_INTERNAL_HEAT_GENERATION>", {tw::Rec().I(1).D(8.0)}}})};
       },
       {"pivot", "curvature"}},
  };
  for (const Case& c : cases) {
    for (const Solver& s : staticrun::kSolvers) {
      SCOPED_TRACE(std::string(c.what) + ", " + s.name);
      ThermalBar b = c.plane ? PlaneBar() : HexaBar();
      c.spoil(b);
      const std::string err = Refused(b, s);
      if (std::string(c.what) == "heat source without any boundary") {
        EXPECT_NE(err.find(s.algorithm == 1 ? c.messages[0] : c.messages[1]), std::string::npos) << err;
        continue;
      }
      for (const std::string& m : c.messages) EXPECT_NE(err.find(m), std::string::npos) << err;
      EXPECT_EQ(err.find("INTERNAL ERROR"), std::string::npos) << err;
    }
  }
}

}  // namespace
