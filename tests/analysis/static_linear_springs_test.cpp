// Linear static runs with springs, end to end with both solvers: point springs, spring
// links between two points, line springs (a beam on an elastic foundation) and surface
// springs (a block and a slab on an elastic bed), against closed forms and equilibrium.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "element_models.h"
#include "model/material.h"
#include "model/mesh.h"
#include "static_run.h"

namespace tw = testmodel;
using linmodel::Job;
using staticrun::kSolvers;
using staticrun::Outcome;
using staticrun::Record;
using staticrun::Solver;

namespace {

class LinearStaticSprings : public staticrun::LinearStaticRun {};

tw::Rec LinearSpring(double k) { return tw::Rec().S("k").D(k); }

// "<INTERNAL_POINT_SPRING_LINKS>": target, reference, direction, dof type, material.
tw::Rec SpringLink(int target, int ref, char dirKind, int dir, int dofType, int material) {
  return tw::Rec().I(0).I(0).I(0).I(target).I(ref).C(dirKind).I(dir).C(dofType).I(SPRMAT_LIN_SPRING).I(material);
}

// "<LINE_SPRINGS>": host, face, edge, direction, orientation 1, dof type, rule, materials.
tw::Rec LineSpringRec(int elem, int face, int edge, char dirKind, int dir, int dofType,
                      const std::vector<int32_t>& materials, int integType = 1, int pattern = 0) {
  return tw::Rec().I(0).I(0).I(0).I(elem).I(face).I(edge).C(dirKind).I(dir).C(1).C(dofType).C(integType).C(pattern)
      .C(SPRMAT_LIN_SPRING).IList(materials);
}

// "<SURFACE_SPRINGS>": host, face, direction, orientation 1, rule, materials.
tw::Rec SurfSpringRec(int elem, int face, char dirKind, int dir, const std::vector<int32_t>& materials,
                      int integType = 1, int pattern = 0) {
  return tw::Rec().I(0).I(0).I(0).I(elem).I(face).C(dirKind).I(dir).C(1).C(integType).C(pattern)
      .C(SPRMAT_LIN_SPRING).IList(materials);
}

// Truss3D bars along x1 of EA/L = EA over unit length: (from, to) pairs of points.
void AddBars(Job& j, double EA, const std::vector<std::array<int, 2>>& bars) {
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("bar", 0.0, 0.0, EA, 0.0));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("unit", 1.0));
  for (const auto& b : bars) tw::AddElement(j.model, {b[0], b[1]});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, static_cast<int>(bars.size()), _TRUSS_3D, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
}

}  // namespace

// A bar of EA/L = 1000 carries F = 4 at its free end, which also rests on a spring of
// k = 3000 along the bar: u = F / (EA/L + k) = 0.001 and the bar's support takes 1.
TEST_F(LinearStaticSprings, PointSpringAtTheFreeEndOfABar) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job;
    linmodel::AddPoint3D(job, 0, 0, 0, linmodel::kSpaceMask, "111000");
    linmodel::AddPoint3D(job, 1, 0, 0, linmodel::kSpaceMask, "011000");
    AddBars(job, 1000.0, {{1, 2}});
    tw::AddRecord(job.model, "<LINEAR_SPRING_MATERIALS>", LinearSpring(3000.0));
    tw::AddRecord(job.model, "<POINT_SPRINGS>", tw::PointSpring(2, 'G', 1, 1, SPRMAT_LIN_SPRING, 1));
    job.model.loadCases = {linmodel::LoadCase({tw::PointLoad(2, {4, 0, 0, 0, 0, 0})})};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    EXPECT_CLOSE(r.U(2, 1), 0.001, s, 0.001);
    EXPECT_CLOSE(r.R(1, 1), -1.0, s, 1.0);
  }
}

// Two bars of EA/L = 1, fixed at P1 and P3, with free ends A = P2 and B = P4 tied by a
// link k = 1 along the bars; F = 1 at A. u_A + (u_A - u_B) = 1, u_B - (u_A - u_B) = 0
// give u_A = 2/3, u_B = 1/3, and the supports take 2/3 and 1/3. A link acting as two
// springs to ground would give 1/2 and 0. The same with the link's points swapped, with
// B in axes turned by 90 degrees about x3 (its results in those axes: u'_2 = -u_1), and
// with B held, where the link carries half of F into B's reaction, and with the link
// tied to a slave S of B (u1 linked) that carries an unloaded bar to a free point.
TEST_F(LinearStaticSprings, LinkTiesTwoPoints) {
  enum Variant { kPlain, kSwapped, kTurnedAxes, kHeld, kSlave };
  const char* names[] = {"plain", "reference point first", "B in turned axes", "B held", "link to a slave of B"};
  for (const Solver& s : kSolvers)
    for (Variant v : {kPlain, kSwapped, kTurnedAxes, kHeld, kSlave}) {
      SCOPED_TRACE(std::string(s.name) + ", " + names[v]);
      Job job;
      linmodel::AddPoint3D(job, 0, 0, 0, linmodel::kSpaceMask, "111000");
      linmodel::AddPoint3D(job, 1, 0, 0, linmodel::kSpaceMask, "011000");
      linmodel::AddPoint3D(job, 3, 0, 0, linmodel::kSpaceMask, "111000");
      linmodel::AddPoint3D(job, 2, 0, 0, linmodel::kSpaceMask,
                           v == kHeld ? "111000" : v == kTurnedAxes ? "101000" : "011000");
      if (v == kTurnedAxes)
        linmodel::SetPointCoordSystem(job, 4, linmodel::AddCoordSystem(job, {{{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}}));
      if (v == kSlave) {
        linmodel::AddPoint3D(job, 2, 0, 0, linmodel::kSpaceMask, "011000");    // S = P5
        linmodel::AddPoint3D(job, 2.5, 0, 0, linmodel::kSpaceMask, "011000");  // P6
        tw::AddRecord(job.model, "<INTERNAL_POINT_LINKS>", tw::PointLink(4, 5, "100000"));
        AddBars(job, 1.0, {{1, 2}, {3, 4}, {5, 6}});
      } else {
        AddBars(job, 1.0, {{1, 2}, {3, 4}});
      }
      tw::AddRecord(job.model, "<LINEAR_SPRING_MATERIALS>", LinearSpring(1.0));
      tw::AddRecord(job.model, "<INTERNAL_POINT_SPRING_LINKS>",
                    v == kSwapped ? SpringLink(4, 2, 'G', 1, 1, 1)
                                  : SpringLink(2, v == kSlave ? 5 : 4, 'G', 1, 1, 1));
      job.model.loadCases = {linmodel::LoadCase({tw::PointLoad(2, {1, 0, 0, 0, 0, 0})})};
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      if (v == kHeld) {
        EXPECT_CLOSE(r.U(2, 1), 0.5, s, 1.0);
        EXPECT_CLOSE(r.R(1, 1), -0.5, s, 1.0);
        EXPECT_CLOSE(r.R(4, 1), -0.5, s, 1.0);
        EXPECT_CLOSE(r.R(3, 1), 0.0, s, 1.0);
        continue;
      }
      EXPECT_CLOSE(r.U(2, 1), 2.0 / 3.0, s, 1.0);
      if (v == kTurnedAxes) {
        EXPECT_CLOSE(r.U(4, 2), -1.0 / 3.0, s, 1.0);
      } else {
        EXPECT_CLOSE(r.U(4, 1), 1.0 / 3.0, s, 1.0);
      }
      if (v == kSlave) {
        EXPECT_CLOSE(r.U(6, 1), 1.0 / 3.0, s, 1.0);
      }
      EXPECT_CLOSE(r.R(1, 1), -2.0 / 3.0, s, 1.0);
      EXPECT_CLOSE(r.R(3, 1), -1.0 / 3.0, s, 1.0);
    }
}

namespace {

// TimoshenkoBeam3D along x1 from 0 to L in n two-node elements, EI = 1000 (E = 1000,
// I = 1), shear factors 1000 with a one-point shear rule, all motions but u3 and r2
// held; a line spring "_XG3" of k per length on every element.
Job WinklerBeam(int n, double L, double k) {
  Job j;
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("beam", 0.0, 0.0, 1000.0, 0.0));
  tw::AddRecord(j.model, "<FRAME_3D_CROSS_SECTIONS>",
                tw::Frame3DSection("section", {1.0, 1000.0, 1000.0, 1.0, 1.0, 1.0, 0, 0, 0, 0, 0}));
  tw::AddRecord(j.model, "<NUMERICAL_INTEGRATION>",
                linmodel::IntegrationPattern("reduced shear", {2, 0, 0}, {2, 0, 0}, {2, 0, 0}, {1, 0, 0}, {2, 0, 0}));
  for (int i = 0; i <= n; i++) linmodel::AddPoint3D(j, L * i / n, 0, 0, linmodel::kSixMask, "110101");
  for (int e = 1; e <= n; e++) tw::AddElement(j.model, {e, e + 1});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, n, _TIMOSHENKO_BEAM_3D, MAT_LIN_ISO, 1, GEOM_CS_3D, 1, 1, 1));
  tw::AddRecord(j.model, "<LINEAR_SPRING_MATERIALS>", LinearSpring(k));
  for (int e = 1; e <= n; e++) tw::AddRecord(j.model, "<LINE_SPRINGS>", LineSpringRec(e, 0, 0, 'G', 3, 1, {1}));
  return j;
}

}  // namespace

// A free beam on a Winkler bed under a uniform member load q settles q/k at every node,
// without bending; the springs carry the load (no reaction along x3).
TEST_F(LinearStaticSprings, WinklerBeamUnderUniformLoadSettlesUniformly) {
  const double q = 5.0, k = 100.0;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = WinklerBeam(6, 3.0, k);
    tw::LoadCase lc;
    for (int e = 1; e <= 6; e++) lc.blocks["<EDGE_LOADS>"].push_back(tw::EdgeLoad(e, 0, 0, 'G', 3, 1, {q}));
    job.model.loadCases = {lc};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    for (int p = 1; p <= 7; p++) {
      EXPECT_CLOSE(r.U(p, 3), q / k, s, 1.0) << "point " << p;
      EXPECT_CLOSE(r.U(p, 5), 0.0, s, 1.0) << "point " << p;
    }
  }
}

// A long beam on a Winkler bed under a point load P at mid-length: w(x) = w0 e^(-bx)
// (cos bx + sin bx), w0 = P b / (2k), b = (k / 4EI)^(1/4); bL/2 = 5.96 makes the beam
// practically infinite. w vanishes at x = 3 pi / (4b) = 5.9255.
TEST_F(LinearStaticSprings, LongWinklerBeamUnderPointLoad) {
  const double P = 10.0, k = 100.0, EI = 1000.0, L = 30.0;
  const int n = 300, mid = n / 2 + 1;
  const double beta = std::pow(k / (4.0 * EI), 0.25);
  const double w0 = P * beta / (2.0 * k);
  EXPECT_NEAR(beta, 0.397635, 1e-6);
  EXPECT_NEAR(w0, 0.0198818, 1e-7);
  EXPECT_NEAR(3.0 * std::numbers::pi / (4.0 * beta), 5.9255, 1e-4);
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = WinklerBeam(n, L, k);
    job.model.loadCases = {linmodel::LoadCase({tw::PointLoad(mid, {0, 0, P, 0, 0, 0})})};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    EXPECT_NEAR(r.U(mid, 3), w0, 0.005 * w0);
    // Up to x = 10 (bx = 4) the free ends, at bx = 5.96, do not show.
    for (int p = mid; p <= mid + 100; p += 5) {
      const double x = L * (p - mid) / n;
      const double w = w0 * std::exp(-beta * x) * (std::cos(beta * x) + std::sin(beta * x));
      EXPECT_NEAR(r.U(p, 3), w, 0.005 * w0) << "x = " << x;
      EXPECT_NEAR(r.U(2 * mid - p, 3), r.U(p, 3), 1e-6 * w0) << "symmetry at x = " << x;
    }
  }
}

// One hexahedron 1 x 1 x h (E = 1000, nu = 0) on lateral rollers, resting on a surface
// spring of k_s per area under its bottom face, pressed by p on its top face: the bottom
// settles p / k_s, the top p / k_s + p h / E, exactly.
TEST_F(LinearStaticSprings, BlockOnAnElasticBed) {
  const double p = 10.0, ks = 1000.0, h = 2.0, E = 1000.0;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job;
    const double xy[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (double z : {0.0, h})
      for (const auto& c : xy) linmodel::AddPoint3D(job, c[0], c[1], z, linmodel::kSpaceMask, "110000");
    tw::AddRecord(job.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("block", 0.0, 0.0, E, 0.0));
    tw::AddElement(job.model, {1, 2, 3, 4, 5, 6, 7, 8});
    tw::AddRecord(job.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, _SOLID_HEXA, MAT_LIN_ISO, 1, 0, 0));
    tw::AddRecord(job.model, "<LINEAR_SPRING_MATERIALS>", LinearSpring(ks));
    tw::AddRecord(job.model, "<SURFACE_SPRINGS>", SurfSpringRec(1, 1, 'G', 3, {1}));
    std::vector<tw::Rec> loads;
    for (int t = 5; t <= 8; t++) loads.push_back(tw::PointLoad(t, {0, 0, -p / 4, 0, 0, 0}));
    job.model.loadCases = {linmodel::LoadCase(loads)};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    for (int b = 1; b <= 4; b++) EXPECT_CLOSE(r.U(b, 3), -p / ks, s, 1.0) << "bottom point " << b;
    for (int t = 5; t <= 8; t++) EXPECT_CLOSE(r.U(t, 3), -p / ks - p * h / E, s, 1.0) << "top point " << t;
  }
}

// A Mindlin slab of 2 x 2 eight-node elements on a surface spring k under a uniform
// pressure q, free edges: every node settles q / k.
TEST_F(LinearStaticSprings, SlabOnAnElasticBedSettlesUniformly) {
  const double q = 3.0, k = 50.0;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    linmodel::LatticeJob lj = linmodel::QuadMesh(
        _MINDLIN_SLAB_QUAD, 8, 2, 2, [](double u, double v) { return std::array<double, 3>{2.0 * u, 2.0 * v, 0.0}; },
        1000.0, 0.2, 0.0, 0.2, [](int, int, int) { return std::string("000000"); });
    tw::AddRecord(lj.job.model, "<LINEAR_SPRING_MATERIALS>", LinearSpring(k));
    tw::LoadCase lc;
    for (int e = 1; e <= 4; e++) {
      tw::AddRecord(lj.job.model, "<SURFACE_SPRINGS>", SurfSpringRec(e, 0, 'G', 3, {1}));
      lc.blocks["<FACE_LOADS>"].push_back(tw::FaceLoad(e, 0, 'G', 3, 1, {q}));
    }
    lj.job.model.loadCases = {lc};
    Outcome o = Run(lj.job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], lj.job.layout};
    for (const auto& [at, point] : lj.at) {
      EXPECT_CLOSE(r.U(point, 3), q / k, s, 1.0) << "point " << point;
      EXPECT_CLOSE(r.U(point, 4), 0.0, s, 1.0) << "point " << point;
    }
  }
}
