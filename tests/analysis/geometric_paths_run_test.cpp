// Geometric runs of the reinforced-concrete models end to end: plane-stress columns of
// the cyclic concrete _NLMM211 and of three families of smeared bars _NLMM145 (at 0, 60
// and 120 degrees an isotropic sheet with Poisson's ratio 1/3) take, within their elastic
// range, the second-order path of the elastic isotropic column in as many iterations, and
// a plane-stress tie with an embedded cable of nonlinear steel carries the cable's forces
// as the materially nonlinear run does.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "crack_bars.h"
#include "element_models.h"
#include "geometric_columns.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/result_readers.h"
#include "support/process.h"

namespace tw = testmodel;
using linmodel::Job;
using nonlinrun::kSolvers;
using nonlinrun::Solver;

namespace {

class GeometricPathsRun : public nonlinrun::RunFixture {};

// E 1000, nu 1/3: the elastic Drucker-Prager solid; the cyclic concrete with f_c 30 and
// f_t 3 (strains scaled to E), linear up to a strain of 0.003 in tension and 0.0094 in
// compression; bars (E 1000, f_y 1e6) whose skeleton is straight at these strains.
tw::Rec Isotropic() {
  return tw::Rec().S("elastic").Ds({0.0, 0.0, 1.0 / 3.0, 1000.0}).I(2).I(1).Ds({1e6, 1.0}).I(1).Ds({0.0, 0.0, 1.0});
}
tw::Rec Concrete() {
  return tw::Rec()
      .S("concrete")
      .Ds({0.0, 0.0, 1.0 / 3.0, 1000.0, 0.06, 30.0, 0.3, -3.0, 0.1, 0.5, 0.4, 0.2, 0.05})
      .I(1)
      .D(1.0);
}
tw::Rec Bars(double theta) {
  return tw::Rec().S("bars").Ds({0.0, 0.0, 1000.0, 10.0, 1000.0, 1e6, 2000.0, 0.0, 5000.0, 2e6, theta});
}

// The column of geomcolumns with the bars at 0 degrees on its elements and two more
// families, at 60 and 120 degrees, on copies of them.
geomcolumns::Column BarColumn() {
  geomcolumns::Column c = geomcolumns::QuadColumn(MAT_NLMM145, Bars(0.0));
  tw::Model& m = c.job.model;
  const std::vector<std::vector<int32_t>> sheet = m.elements;
  for (int family = 2; family <= 3; family++) {
    tw::AddRecord(m, "<NLMM145>", Bars(60.0 * (family - 1)));
    const int first = static_cast<int>(m.elements.size()) + 1;
    for (const auto& e : sheet) tw::AddElement(m, e);
    tw::AddRecord(m, "<ELEMENT_PROPERTIES>",
                  tw::ElementProperty(first, first + 9, 10, MAT_NLMM145, family, GEOM_LAM_THICK, 1, 1, 1));
  }
  return c;
}

}  // namespace

// The cantilever column of ten 8-node quadrilaterals (L 10, section 1 x 1) under 0.25 of
// the buckling load and a small lateral load, 20 rising steps and 15 repeats, both
// descriptions and both solvers: the concrete column and the sheet of bars follow the
// elastic column combination by combination, in as many iterations, so that the geometric
// stiffness takes their stresses as it takes those of the plasticity records (the bars in
// the total description; the updated one refuses them).
TEST_F(GeometricPathsRun, PlaneColumnsOfConcreteAndOfBarsTakeTheElasticPath) {
  using namespace geomcolumns;
  for (int kinematic : {1, 2})
    for (const Solver& s : kSolvers) {
      Column ref = QuadColumn(MAT_NLMM124, Isotropic());
      Nonlinear(ref.job, kinematic, ColumnFactors());
      const resultfile::DisplReactFile r = Run(ref.job, s, "elastic");
      ASSERT_EQ(r.records.size(), 35u);
      const resultfile::NonlinearExecParams epr =
          resultfile::ReadNonlinearExecParams(Path("_ep.bin", "elastic"), ref.job.layout.nF, ref.job.layout.nP);
      // The lateral deflection grows by more than the first-order 4/3 of the amplification.
      EXPECT_GT(Mean(r.records.back(), ref.job, ref.tip, ref.lateral), 1.3 * Mean(r.records[0], ref.job, ref.tip,
                                                                                     ref.lateral) * 20.0);
      for (bool bars : {false, true}) {
        SCOPED_TRACE(testing::Message() << (bars ? "bars" : "concrete") << " kinematic " << kinematic << " solver "
                                        << s.algorithm);
        Column c = bars ? BarColumn() : QuadColumn(MAT_NLMM211, Concrete());
        Nonlinear(c.job, kinematic, ColumnFactors());
        if (bars && kinematic == 2) {
          // The bars keep their directions in the initial axes: the total description only.
          const ChildResult refused = Start(c.job, s, "column");
          EXPECT_EQ(refused.status, 1);
          EXPECT_NE(refused.err.find("choose _TOTAL_LAGRANGIAN for the KINEMATIC_DESCRIPTION."), std::string::npos)
              << refused.err;
          continue;
        }
        const resultfile::DisplReactFile dr = Run(c.job, s, "column");
        ASSERT_EQ(dr.records.size(), 35u);
        // The isotropic sheet thins across by nu/E of its stress, the bars keep their
        // section: their column parts from it by the order of the strain (5e-4 of it).
        for (size_t k = 0; k < 35; k++)
          for (int d : {c.lateral, c.axial}) {
            const double elastic = Mean(r.records[k], ref.job, ref.tip, d);
            EXPECT_NEAR(Mean(dr.records[k], c.job, c.tip, d), elastic, bars ? 1e-3 * std::fabs(elastic) : 1e-10) << k;
          }
        const resultfile::NonlinearExecParams ep =
            resultfile::ReadNonlinearExecParams(Path("_ep.bin", "column"), c.job.layout.nF, c.job.layout.nP);
        ASSERT_EQ(ep.entries.size(), epr.entries.size());
        // The conjugate gradients solve each iteration to their own tolerance, and the bars
        // go their own path by the thinning, either of which may move the last iteration of
        // a combination by one.
        const int slack = s.algorithm == 2 || bars ? 1 : 0;
        for (size_t k = 0; k < ep.entries.size(); k++)
          EXPECT_LE(std::abs(ep.entries[k].nIterations - epr.entries[k].nIterations), slack) << k;
      }
    }
}

namespace {

// A tie 2 long and 1 x 1 in section of two elements of the elastic solid (E 1000, nu 0):
// plane-stress quadrilaterals along x2 (t 1) with a 2-D embedded cable, or hexahedra
// along x1 with a 3-D one, on its axis in two elements of _NLMM201 steel (E 20000, f_y 2,
// hardening to 2.1 at twice the yield strain, A 0.05); the end at 0 held along the axis
// (and against rigid motion), the other end moved by the combination's factor.
struct CableTie {
  Job job;
  std::vector<int> end;
  int axis;
  CableTie(bool hexa, const std::vector<double>& u) {
    const tw::Rec elastic =
        tw::Rec().S("elastic").Ds({0.0, 0.0, 0.0, 1000.0}).I(2).I(1).Ds({1e6, 1.0}).I(1).Ds({0.0, 0.0, 1.0});
    std::vector<tw::Rec> pulls;
    if (hexa) {
      const linmodel::LatticeFixity rollers = [](int I, int J, int K) {
        return std::string(I == 0 || I == 4 ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
      };
      linmodel::LatticeJob lj = linmodel::HexaBar(8, 2, 2.0, -0.5, -0.5, 1000.0, 0.0, 0.0, false, rollers);
      job = lj.job;
      axis = 1;
      for (int J : {0, 2})
        for (int K : {0, 2}) end.push_back(lj.At(4, J, K));
    } else {
      job.model.main.title = "tie with an embedded cable";
      tw::AddRecord(job.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 1.0));
      int at[3][2];
      for (int J = 0; J <= 1; J++)
        for (int I = 0; I <= 2; I++)
          at[I][J] = linmodel::AddPoint2D(job, 1.0 * I, J - 0.5, linmodel::kPlaneMask,
                                          I == 0 && J == 0 ? "011000" : I == 1 ? "000000" : "010000");
      for (int I = 0; I < 2; I++) tw::AddElement(job.model, {at[I][0], at[I + 1][0], at[I + 1][1], at[I][1]});
      axis = 2;
      end = {at[2][0], at[2][1]};
    }
    Job& j = job;
    tw::AddRecord(j.model, "<NLMM124>", elastic);
    tw::AddRecord(j.model, "<NLMM201>", tw::Rec().S("strand").Ds({0.0, 1e-5, 1e-4, 2.0, 2e-4, 2.1, 0.1, 3.0, 2.0}));
    tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("strand", 0.05));
    int cable[3];
    for (int I = 0; I <= 2; I++)
      cable[I] = hexa ? linmodel::AddPoint3D(j, 1.0 * I, 0.0, 0.0, "000000")
                      : linmodel::AddPoint2D(j, 1.0 * I, 0.0, "000000");
    const int first = static_cast<int>(j.model.elements.size()) + 1;
    for (int I = 0; I < 2; I++) tw::AddElement(j.model, {cable[I], cable[I + 1]});
    j.model.blocks["<ELEMENT_PROPERTIES>"] = {
        hexa ? tw::ElementProperty(1, 2, 24, MAT_NLMM124, 1, 0, 0)
             : tw::ElementProperty(1, 2, 10, MAT_NLMM124, 1, GEOM_LAM_THICK, 1),
        tw::ElementProperty(first, first + 1, hexa ? 32 : 31, MAT_NLMM201, 1, GEOM_CS_AREA, 1)};
    for (int p : end) pulls.push_back(tw::PrescribedDisplacement(p, axis, 1.0));
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
    nonlinrun::Factors(j.model, u);
    nonlinrun::Iterate(j.model.main, 1e-10, 50);
  }
  double Force(const resultfile::DisplReactRecord& r) const { return nonlinrun::Reaction(r, job, end, axis); }
};

}  // namespace

// Pulled to a strain of 4e-4 and back to 1e-4 in 14 steps: the cable yields and hardens
// beside the concrete's E A eps, unloads elastically and keeps its plastic strain; the
// geometric runs, both descriptions and both solvers, carry the force of the materially
// nonlinear run within 1e-3 of its largest value (the geometric effect on the concrete is
// 1.5 eps).
TEST_F(GeometricPathsRun, EmbeddedCableCarriesItsForcesInAGeometricRun) {
  std::vector<double> u;
  for (int k = 1; k <= 8; k++) u.push_back(0.0008 * k / 8);
  for (int k = 1; k <= 6; k++) u.push_back(0.0008 - 0.0006 * k / 6);
  for (bool hexa : {false, true}) {
    SCOPED_TRACE(hexa ? "hexahedra, 3-D cable" : "quadrilaterals, 2-D cable");
    CableTie tie(hexa, u);
    const resultfile::DisplReactFile ref = Run(tie.job, kSolvers[0], "material");
    ASSERT_EQ(ref.records.size(), u.size());
    // Elastic at first: E_c A eps + E_s A_s eps; at the top the cable, past the start of
    // its hardening, adds a little more than A f_sh = 0.105; unloaded by 3e-4 it has lost
    // E_s A_s 3e-4 = 0.3, so it is in compression.
    EXPECT_NEAR(tie.Force(ref.records[0]), 1000.0 * 5e-5 + 20000.0 * 0.05 * 5e-5, 1e-9);
    const double top = tie.Force(ref.records[7]);
    EXPECT_GT(top, 0.4 + 0.05 * 2.1);
    EXPECT_LT(top, 0.4 + 0.05 * 2.2);
    EXPECT_LT(tie.Force(ref.records.back()), 1000.0 * 1e-4);
    for (int kinematic : {1, 2})
      for (const Solver& s : kSolvers) {
        SCOPED_TRACE(testing::Message() << "kinematic " << kinematic << " solver " << s.algorithm);
        Job g = tie.job;
        g.model.main.geomNonlinear = 1;
        g.model.main.kinematicDescription = kinematic;
        const resultfile::DisplReactFile dr = Run(g, s, "geometric");
        ASSERT_EQ(dr.records.size(), u.size());
        for (size_t k = 0; k < u.size(); k++)
          EXPECT_NEAR(tie.Force(dr.records[k]), tie.Force(ref.records[k]), 1e-3 * top) << k;
      }
  }
}
// A cable of nonlinear steel and a plane-strain quadrilateral of a crack model have no
// geometrically nonlinear formulation: the set-up refuses them in words, naming the group
// and its type, before any work.
TEST_F(GeometricPathsRun, TypesWithoutAGeometricFormulationAreRefused) {
  Job cable = linmodel::CableHanger2D(1e4);
  tw::AddRecord(cable.model, "<NLMM201>",
                tw::Rec().S("strand").Ds({0.0, 1e-5, 1e-2, 100.0, 2e-2, 110, 0.1, 300.0, 2.0}));
  cable.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 2, 5, MAT_NLMM201, 1, GEOM_CS_AREA, 1)};
  cable.model.loadCases = {linmodel::ElementLoads({tw::PointLoad(3, {0, 0, -5, 0, 0, 0})})};
  geomcolumns::Column strain = geomcolumns::QuadColumn(MAT_NLMM104, crackbars::P1(MAT_NLMM104, 1, 3.0, 1, 1000.0, 1.0));
  strain.job.model.blocks["<ELEMENT_PROPERTIES>"] = {
      tw::ElementProperty(1, 10, 13, MAT_NLMM104, 1, GEOM_LAM_THICK, 1, 1, 1)};
  const struct {
    Job* job;
    const char* type;
  } cases[] = {{&cable, "_CABLE_2D"}, {&strain.job, "_PLANE_STRAIN_QUAD"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    Job& j = *c.job;
    nonlinrun::Factors(j.model, {1.0});
    nonlinrun::Iterate(j.model.main, 1e-8, 50);
    j.model.main.geomNonlinear = 1;
    j.model.main.kinematicDescription = 1;
    const ChildResult r = Start(j, "refused");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(std::string("   -> Element property: 1\n   -> Element type: ") + c.type + "\n\nERROR:\n"
                         "This type of element has no geometrically nonlinear formulation: a geometrically\n"
                         "nonlinear analysis takes plane-stress quadrilaterals, solid hexahedra, Mindlin shells\n"
                         "and embedded cables."),
              std::string::npos)
        << r.err;
  }
}
