// Linear static runs of solids, slabs and shells end to end, with both solvers: the
// program's results against closed forms and reference values, and the reactions
// against the loads.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "element_models.h"
#include "static_run.h"

namespace tw = testmodel;
using linmodel::Job;
using linmodel::LatticeJob;
using linmodel::Turn;
using staticrun::kSolvers;
using staticrun::Outcome;
using staticrun::Record;
using staticrun::Solver;

namespace {

class LinearStaticShellSolid : public staticrun::LinearStaticRun {};

tw::LoadCase Gravity(double g1, double g2, double g3) {
  tw::LoadCase lc;
  lc.gravity = {g1, g2, g3};
  return lc;
}

}  // namespace

// ---- solids ------------------------------------------------------------------------

// Bar L = 10, A = 1, E = 1000, nu = 0.25 of two 8-node hexahedra, held at x1 = 0 just
// enough to let it contract, end traction 1 as four point loads 0.25: the linear field
// u1 = 1e-3 x1, u2 = -2.5e-4 x2, u3 = -2.5e-4 x3 at every point (elongation 0.01).
TEST_F(LinearStaticShellSolid, BarOfHexahedraInTension) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    LatticeJob lj = linmodel::HexaBar(8, 2, 10.0, 0.0, 0.0, 1000.0, 0.25, 0.0, false, [](int I, int J, int K) {
      return I == 0 ? std::string("1") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000" : std::string("000000");
    });
    std::vector<tw::Rec> loads;
    for (int J : {0, 2})
      for (int K : {0, 2}) loads.push_back(tw::PointLoad(lj.At(4, J, K), {0.25, 0, 0, 0, 0, 0}));
    lj.job.model.loadCases = {linmodel::LoadCase(loads)};
    Outcome o = Run(lj.job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], lj.job.layout};
    for (const auto& [key, p] : lj.at) {
      const auto& x = lj.job.coords[static_cast<size_t>(p - 1)];
      EXPECT_CLOSE(r.U(p, 1), 1e-3 * x[0], s, 0.01) << "point " << p;
      EXPECT_CLOSE(r.U(p, 2), -2.5e-4 * x[1], s, 0.01) << "point " << p;
      EXPECT_CLOSE(r.U(p, 3), -2.5e-4 * x[2], s, 0.01) << "point " << p;
    }
    EXPECT_CLOSE(r.U(lj.At(4, 2, 2), 1), 0.01, s, 0.01);
    for (int J : {0, 2})
      for (int K : {0, 2}) EXPECT_CLOSE(r.R(lj.At(0, J, K), 1), -0.25, s, 1.0);
    // The load: force (1, 0, 0) with moment (0, 0.5, -0.5) about the origin.
    const auto m = staticrun::ReactionResultant(r, lj.job);
    const double applied[7] = {0, 1.0, 0, 0, 0, 0.5, -0.5};
    for (int d = 1; d <= 6; d++) EXPECT_CLOSE(m[d] + applied[d], 0.0, s, 10.0) << "component " << d;
  }
}

// The same bar turned in space by Q, with the points of both end faces in the coordinate
// system of the bar (rows Q e1, Q e2, Q e3): the supports act along the bar's axes and
// those points' results are in them.
// 1. Tip loads 0.25 Q e1 given in global components: the linear field of the bar at
//    every point, in the bar's axes at the end faces and in global axes between them.
// 2. Self weight along the bar (gravity Q e1, density 1): the fixed end carries 10 along
//    the axis, and by reciprocity with load case 1 the mean axial movement of the tip
//    nodes is g L^2 / 2E = 0.05 exactly (the weight times the field of case 1).
TEST_F(LinearStaticShellSolid, TurnedBarOfHexahedraWithSupportsInItsOwnAxes) {
  const Turn q(0.5, -0.8);
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    LatticeJob lj = linmodel::HexaBar(8, 2, 10.0, 0.0, 0.0, 1000.0, 0.25, 1.0, false, [](int I, int J, int K) {
      return I == 0 ? std::string("1") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000" : std::string("000000");
    });
    linmodel::MovePoints(lj.job, [&q](const std::array<double, 3>& x) { return q.Of(x); });
    std::array<std::array<double, 3>, 3> axes;
    for (int i = 0; i < 3; i++)
      for (int c = 0; c < 3; c++) axes[i][c] = q.Q[c][i];
    const int cs = linmodel::AddCoordSystem(lj.job, axes);
    std::vector<tw::Rec> loads;
    for (const auto& [key, p] : lj.at) {
      if (key[0] != 0 && key[0] != 4) continue;
      linmodel::SetPointCoordSystem(lj.job, p, cs);
      if (key[0] == 4)
        loads.push_back(tw::PointLoad(p, {0.25 * q.Q[0][0], 0.25 * q.Q[1][0], 0.25 * q.Q[2][0], 0, 0, 0}));
    }
    lj.job.model.loadCases = {linmodel::LoadCase(loads), Gravity(q.Q[0][0], q.Q[1][0], q.Q[2][0])};
    Outcome o = Run(lj.job, s);
    ExpectSound(o, s, 2);
    if (o.dr.records.size() != 2) continue;
    Record r{o.dr.records[0], lj.job.layout};
    for (const auto& [key, p] : lj.at) {
      const double local[3] = {1e-3 * 2.5 * key[0], -2.5e-4 * key[1] / 2.0, -2.5e-4 * key[2] / 2.0};
      for (int d = 1; d <= 3; d++) {
        double expected = local[d - 1];
        if (key[0] == 2) expected = q.Q[d - 1][0] * local[0] + q.Q[d - 1][1] * local[1] + q.Q[d - 1][2] * local[2];
        EXPECT_CLOSE(r.U(p, d), expected, s, 0.01) << "point " << p << " dof " << d;
      }
      if (key[0] == 0) {
        EXPECT_CLOSE(r.R(p, 1), -0.25, s, 1.0) << "point " << p;
        for (int d = 2; d <= 3; d++)
          if (key[d - 1] == 0) {
            EXPECT_CLOSE(r.R(p, d), 0.0, s, 1.0) << "point " << p;
          }
      }
    }
    Record g{o.dr.records[1], lj.job.layout};
    double sum[4] = {0, 0, 0, 0}, tip = 0.0;
    for (const auto& [key, p] : lj.at) {
      if (key[0] == 4) tip += g.U(p, 1) / 4;
      if (key[0] != 0) continue;
      for (int d = 1; d <= 3; d++)
        if (lj.job.layout.Presc(p, d) >= 0) sum[d] += g.R(p, d);
    }
    EXPECT_CLOSE(sum[1], -10.0, s, 10.0);
    EXPECT_CLOSE(sum[2], 0.0, s, 10.0);
    EXPECT_CLOSE(sum[3], 0.0, s, 10.0);
    EXPECT_CLOSE(tip, 0.05, s, 0.05);
  }
}

// Cantilever 10 x 1 x 1 of two 20-node hexahedra, E = 1000, nu = 0, density 1, 3 x 3 x 3
// rule, clamped at x1 = 0.
// 1. Bent by the end traction t1 = -12 x2 (M = 1 about x3), given as its consistent nodal
//    forces on the 8 face nodes: -eta/6 at the corners, -2 eta/3 at the midside nodes of
//    the edges x2 = +-1/2 (eta = 2 x2), nothing at the two others. The quadratic field
//    u1 = -k x1 x2, u2 = k x1^2 / 2 (k = M / EI = 0.012) is exact: tip deflection 0.6
//    and rotation 0.12.
// 2. Hanging under gravity 1 along x1: u1 = (L x1 - x1^2 / 2) / E, exact too (0.05 at the
//    tip), the clamp carrying the weight 10.
TEST_F(LinearStaticShellSolid, TwentyNodeCantileverInPureBendingAndHanging) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    LatticeJob lj = linmodel::HexaBar(20, 2, 10.0, -0.5, -0.5, 1000.0, 0.0, 1.0, true,
                                      [](int I, int, int) { return std::string(I == 0 ? "111000" : "000000"); });
    std::vector<tw::Rec> loads;
    for (int J : {0, 2}) {
      const double eta = J - 1.0;
      for (int K = 0; K <= 2; K++)
        loads.push_back(tw::PointLoad(lj.At(4, J, K), {K == 1 ? -2 * eta / 3 : -eta / 6, 0, 0, 0, 0, 0}));
    }
    lj.job.model.loadCases = {linmodel::LoadCase(loads), Gravity(1.0, 0.0, 0.0)};
    Outcome o = Run(lj.job, s);
    ExpectSound(o, s, 2);
    if (o.dr.records.size() != 2) continue;
    Record r{o.dr.records[0], lj.job.layout};
    Record g{o.dr.records[1], lj.job.layout};
    const double k = 0.012;
    for (const auto& [key, p] : lj.at) {
      const double x = lj.job.coords[static_cast<size_t>(p - 1)][0], y = lj.job.coords[static_cast<size_t>(p - 1)][1];
      EXPECT_CLOSE(r.U(p, 1), -k * x * y, s, 0.6) << "point " << p;
      EXPECT_CLOSE(r.U(p, 2), k * x * x / 2, s, 0.6) << "point " << p;
      EXPECT_CLOSE(r.U(p, 3), 0.0, s, 0.6) << "point " << p;
      EXPECT_CLOSE(g.U(p, 1), (10.0 * x - x * x / 2) / 1000.0, s, 0.05) << "point " << p;
      EXPECT_CLOSE(g.U(p, 2), 0.0, s, 0.05) << "point " << p;
      EXPECT_CLOSE(g.U(p, 3), 0.0, s, 0.05) << "point " << p;
    }
    EXPECT_CLOSE(r.U(lj.At(4, 1, 0), 2), 0.6, s, 0.6);
    EXPECT_CLOSE(r.U(lj.At(4, 2, 1), 1) - r.U(lj.At(4, 0, 1), 1), -0.12, s, 0.6);
    EXPECT_CLOSE(g.U(lj.At(4, 1, 0), 1), 0.05, s, 0.05);
    // The clamp holds the moment: no net force, moment -1 about x3; and the weight 10
    // acting at (5, 0, 0).
    const auto m = staticrun::ReactionResultant(r, lj.job);
    for (int d = 1; d <= 6; d++) EXPECT_CLOSE(m[d], d == 6 ? -1.0 : 0.0, s, 10.0) << "component " << d;
    const auto mg = staticrun::ReactionResultant(g, lj.job);
    for (int d = 1; d <= 6; d++) EXPECT_CLOSE(mg[d], d == 1 ? -10.0 : 0.0, s, 10.0) << "component " << d;
  }
}

// The same cantilever bent by the same moment given as a linear face traction: a
// "<FACE_LOADS>" record on the free end face with one intensity per face node, -12 x2
// per unit area. The record is written along global x1 or along the face's outward
// normal, at the tip x1 = 10 (face 3 of element 2, s1 = +1) or, with the clamp moved to
// x1 = 10, at x1 = 0 (face 5 of element 1, s1 = -1, whose node order the program
// reverses). Along x1 the traction at x1 = 0 is +12 x2; along the outward normal it is
// -12 x2 on both ends. Either way the free end deflects by 0.6 and turns by 0.12
// (u1 at x2 = 1/2 minus u1 at x2 = -1/2: -0.12 at x1 = 10, +0.12 at x1 = 0), and the
// clamp holds the moment -1 (tip at 10) or +1 (tip at 0) about x3.
TEST_F(LinearStaticShellSolid, TwentyNodeCantileverBentByAFaceTraction) {
  // Element-local nodes of the faces s1 = +1 and s1 = -1, in the order of the face's
  // quadrilateral; the intensities are given in this order.
  const std::vector<int> face3 = {3, 4, 5, 11, 17, 16, 15, 10};
  const std::vector<int> face5 = {1, 8, 7, 12, 19, 20, 13, 9};
  struct Case {
    bool tipAtZero;
    char dirKind;
    int dirCode;
    double sign;  // intensity = sign * 12 x2
    const char* name;
  };
  const Case cases[] = {{false, 'G', 1, -1.0, "tip x1 = 10, along x1"},
                        {false, 'E', 3, -1.0, "tip x1 = 10, along the normal"},
                        {true, 'G', 1, 1.0, "tip x1 = 0, along x1"},
                        {true, 'E', 3, -1.0, "tip x1 = 0, along the normal"}};
  const double k = 0.012;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const Solver& s : kSolvers) {
      SCOPED_TRACE(s.name);
      const int clampI = c.tipAtZero ? 4 : 0, tipI = 4 - clampI;
      LatticeJob lj = linmodel::HexaBar(20, 2, 10.0, -0.5, -0.5, 1000.0, 0.0, 1.0, true, [clampI](int I, int, int) {
        return std::string(I == clampI ? "111000" : "000000");
      });
      const int element = c.tipAtZero ? 1 : 2, face = c.tipAtZero ? 5 : 3;
      std::vector<double> q;
      for (int local : c.tipAtZero ? face5 : face3) {
        const int p = lj.job.model.elements[static_cast<size_t>(element - 1)][static_cast<size_t>(local - 1)];
        const auto& x = lj.job.coords[static_cast<size_t>(p - 1)];
        EXPECT_DOUBLE_EQ(x[0], 5.0 * tipI / 2) << "node " << local << " lies off the loaded face";
        q.push_back(c.sign * 12.0 * x[1]);
      }
      tw::LoadCase lc;
      lc.blocks["<FACE_LOADS>"] = {tw::FaceLoad(element, face, c.dirKind, c.dirCode, 1, q)};
      lj.job.model.loadCases = {lc};
      Outcome o = Run(lj.job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], lj.job.layout};
      // Distance from the clamp, and the field of the original test in it.
      const double x0 = 5.0 * clampI / 2, dir = c.tipAtZero ? -1.0 : 1.0;
      for (const auto& [key, p] : lj.at) {
        const double a = dir * (lj.job.coords[static_cast<size_t>(p - 1)][0] - x0);
        const double y = lj.job.coords[static_cast<size_t>(p - 1)][1];
        EXPECT_CLOSE(r.U(p, 1), -dir * k * a * y, s, 0.6) << "point " << p;
        EXPECT_CLOSE(r.U(p, 2), k * a * a / 2, s, 0.6) << "point " << p;
        EXPECT_CLOSE(r.U(p, 3), 0.0, s, 0.6) << "point " << p;
      }
      EXPECT_CLOSE(r.U(lj.At(tipI, 1, 0), 2), 0.6, s, 0.6);
      EXPECT_CLOSE(r.U(lj.At(tipI, 2, 1), 1) - r.U(lj.At(tipI, 0, 1), 1), -dir * 0.12, s, 0.6);
      // The load is a couple of moment dir about x3: the reactions balance it.
      const auto m = staticrun::ReactionResultant(r, lj.job);
      for (int d = 1; d <= 6; d++) EXPECT_CLOSE(m[d], d == 6 ? -dir : 0.0, s, 10.0) << "component " << d;
    }
  }
}

// ---- plates ------------------------------------------------------------------------

// Simply supported square plate a = 1, q = 1, D = 1, nu = 0.3 (hard support), quarter
// model of 8 x 8 elements, the load as gravity with density * thickness = 1. Centre
// deflection 0.0040624 (t = 0.01) and 0.0042729 (t = 0.1): slab and Mindlin shell within
// 0.5%, Ahmad shell within 1%. The supports carry the load q a^2 / 4 and its moment.
TEST_F(LinearStaticShellSolid, SimplySupportedSquarePlate) {
  struct Case {
    int type, nn;
    double t, ref, tol;
  };
  const Case cases[] = {{18, 8, 0.01, 0.0040624, 0.005}, {18, 8, 0.1, 0.0042729, 0.005},
                        {20, 8, 0.01, 0.0040624, 0.005}, {20, 9, 0.1, 0.0042729, 0.005},
                        {22, 9, 0.01, 0.0040624, 0.01},  {22, 9, 0.1, 0.0042729, 0.01}};
  for (const Solver& s : kSolvers)
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(s.name) + ", type " + std::to_string(c.type) + ", " + std::to_string(c.nn) +
                   " nodes, t = " + std::to_string(c.t));
      const double nu = 0.3, E = 12.0 * (1 - nu * nu) / (c.t * c.t * c.t);
      const bool slab = c.type == 18;
      LatticeJob lj = linmodel::QuadMesh(
          c.type, c.nn, 8, 8,
          [](double u, double v) {
            return std::array<double, 3>{0.5 * u, 0.5 * v, 0.0};
          },
          E, nu, 1.0 / c.t, c.t,
          [slab](int I, int J, int) {
            std::string mask = slab ? "000000" : "110000";  // the membrane carries nothing
            if (I == 0) mask[2] = mask[3] = '1';            // x1 = 0: w and the rotation about x1
            if (J == 0) mask[2] = mask[4] = '1';            // x2 = 0: w and the rotation about x2
            if (I == 16) mask[4] = '1';                     // symmetry planes
            if (J == 16) mask[3] = '1';
            return mask;
          });
      lj.job.model.loadCases = {Gravity(0.0, 0.0, -1.0)};
      Outcome o = Run(lj.job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], lj.job.layout};
      const double w = -r.U(lj.At(16, 16), 3);
      EXPECT_NEAR(w / c.ref, 1.0, c.tol) << w;
      // Load 0.25 down at (0.25, 0.25): moment (-0.0625, 0.0625, 0) about the origin.
      const auto m = staticrun::ReactionResultant(r, lj.job);
      const double applied[7] = {0, 0, 0, -0.25, -0.0625, 0.0625, 0};
      for (int d = 1; d <= 6; d++) EXPECT_NEAR(m[d] + applied[d], 0.0, 1e-7) << "component " << d;
    }
}

// ---- shells ------------------------------------------------------------------------

namespace {

// Cantilever strip L = 10, b = 1, t = 0.1, E = 1.2e6, nu = 0 (EI = 100) in 10 x 1 shell
// elements of nn nodes, clamped at x1 = 0, the whole model turned by Q; the tip side is
// edge `tipEdge` of the elements (their node lists start at another corner). Load cases:
// 1. tip load 1 along Q e3 shared 1/6, 2/3, 1/6 by the tip nodes;
// 2. edge moment 1 per unit width about Q e2 (auxiliary vector 1) on the tip edge;
// 3. the same moment as point moments 1/6, 2/3, 1/6 at the tip nodes.
struct StripJob {
  LatticeJob lj;
  int tipEdge;
};

StripJob Strip(const Turn& q, int type, int nn, int firstCorner) {
  StripJob sj{
      linmodel::QuadMesh(
          type, nn, 10, 1,
          [&q](double u, double v) {
            const double x[3] = {10.0 * u, v - 0.5, 0.0};
            std::array<double, 3> y{};
            for (int i = 0; i < 3; i++) y[i] = q.Q[i][0] * x[0] + q.Q[i][1] * x[1] + q.Q[i][2] * x[2];
            return y;
          },
          1.2e6, 0.0, 0.0, 0.1, [](int I, int, int) { return std::string(I == 0 ? "111111" : "000000"); }, firstCorner),
      (5 - firstCorner) % 4 + 1};
  LatticeJob& lj = sj.lj;
  tw::AddRecord(lj.job.model, "<AUXILIARY_VECTORS>", tw::AuxiliaryVector("width", q.Q[0][1], q.Q[1][1], q.Q[2][1]));
  const double share[3] = {1.0 / 6, 2.0 / 3, 1.0 / 6};
  std::vector<tw::Rec> forces, moments;
  for (int J = 0; J <= 2; J++) {
    const double f = share[J];
    forces.push_back(tw::PointLoad(lj.At(20, J), {f * q.Q[0][2], f * q.Q[1][2], f * q.Q[2][2], 0, 0, 0}));
    moments.push_back(tw::PointLoad(lj.At(20, J), {0, 0, 0, f * q.Q[0][1], f * q.Q[1][1], f * q.Q[2][1]}));
  }
  lj.job.model.loadCases = {linmodel::LoadCase(forces),
                            linmodel::LoadCase({}, {tw::EdgeLoad(10, 0, sj.tipEdge, 'S', 1, 2, {1.0})}),
                            linmodel::LoadCase(moments)};
  return sj;
}

}  // namespace

// Tip load: deflection 3.3335 within 0.5%. Tip moment: pure bending, the tip deflects by
// M L^2 / 2EI = 0.5 against Q e3 and turns by M L / EI = 0.1 about Q e2, whichever edge
// of the elements carries the edge moment; point moments give the same. Turned in space
// the strip moves by the same lengths along the turned directions. The clamp holds the
// load (and, unturned, its moment). Rotations of the shell points are in the point's
// axes (the normal third): only their length and the drill rotation are checked.
TEST_F(LinearStaticShellSolid, CantileverStripOfShellsAndTheSameStripTurned) {
  const Turn plain(0.0, 0.0), turned(0.5, -0.8);
  struct Case {
    int type, nn, firstCorner;
  };
  const Case cases[] = {{20, 8, 0}, {20, 8, 1}, {20, 8, 2}, {20, 8, 3}, {22, 9, 0}, {22, 9, 2}};
  for (const Solver& s : kSolvers)
    for (const Case& c : cases) {
      double length[2];
      for (int k = 0; k < 2; k++) {
        const Turn& q = k == 0 ? plain : turned;
        StripJob sj = Strip(q, c.type, c.nn, c.firstCorner);
        SCOPED_TRACE(std::string(s.name) + ", type " + std::to_string(c.type) + ", tip edge " +
                     std::to_string(sj.tipEdge) + (k == 0 ? ", plain" : ", turned"));
        const Job& job = sj.lj.job;
        Outcome o = Run(job, s);
        ExpectSound(o, s, 3);
        if (o.dr.records.size() != 3) return;
        const int tip = sj.lj.At(20, 1);
        auto along = [&](const Record& r, int axis) {
          return r.U(tip, 1) * q.Q[0][axis] + r.U(tip, 2) * q.Q[1][axis] + r.U(tip, 3) * q.Q[2][axis];
        };
        Record r1{o.dr.records[0], job.layout};
        length[k] = r1.Translation(tip);
        EXPECT_NEAR(along(r1, 2) / 3.3335, 1.0, 0.005) << along(r1, 2);
        EXPECT_NEAR(along(r1, 2) / length[k], 1.0, 1e-9);
        const auto m1 = staticrun::ReactionResultant(r1, job, k == 0);
        for (int d = 1; d <= 3; d++) EXPECT_NEAR(m1[d] + q.Q[d - 1][2], 0.0, 1e-8) << "component " << d;
        if (k == 0) {
          EXPECT_NEAR(m1[5] - 10.0, 0.0, 1e-7);  // the tip load's moment about x2 is -10
          EXPECT_NEAR(m1[4], 0.0, 1e-7);
          EXPECT_NEAR(m1[6], 0.0, 1e-7);
        }
        for (int lc = 2; lc <= 3; lc++) {
          SCOPED_TRACE("load case " + std::to_string(lc));
          Record r{o.dr.records[static_cast<size_t>(lc - 1)], job.layout};
          EXPECT_NEAR(along(r, 2), -0.5, 1e-6);
          EXPECT_NEAR(along(r, 0), 0.0, 1e-6);
          EXPECT_NEAR(along(r, 1), 0.0, 1e-6);
          const double turn = std::sqrt(r.U(tip, 4) * r.U(tip, 4) + r.U(tip, 5) * r.U(tip, 5));
          EXPECT_NEAR(turn, 0.1, 1e-7);
          EXPECT_NEAR(r.U(tip, 6), 0.0, 1e-9);
          const auto m = staticrun::ReactionResultant(r, job, k == 0);
          for (int d = 1; d <= 3; d++) EXPECT_NEAR(m[d], 0.0, 1e-8) << "component " << d;
          if (k == 0) {
            for (int d = 4; d <= 6; d++) EXPECT_NEAR(m[d], d == 5 ? -1.0 : 0.0, 1e-8) << "component " << d;
          }
        }
      }
      EXPECT_NEAR(length[1] / length[0], 1.0, 1e-8);
    }
}

// A thin strip (L = 10, b = 1, t = 0.01, EI = 100) of 20 x 1 eight-node Mindlin shells
// turned in space: 600 equations whose scaled condition calls for about ten conjugate-
// gradient iterations per equation. The method converges to the elimination's answer.
TEST_F(LinearStaticShellSolid, ThinTurnedStripConvergesWithTheConjugateGradient) {
  const Turn q(0.5, -0.8);
  const double t = 0.01, E = 1200.0 / (t * t * t);
  LatticeJob lj = linmodel::QuadMesh(
      20, 8, 20, 1,
      [&q](double u, double v) {
        const double x[3] = {10.0 * u, v - 0.5, 0.0};
        std::array<double, 3> y{};
        for (int i = 0; i < 3; i++) y[i] = q.Q[i][0] * x[0] + q.Q[i][1] * x[1] + q.Q[i][2] * x[2];
        return y;
      },
      E, 0.0, 0.0, t, [](int I, int, int) { return std::string(I == 0 ? "111111" : "000000"); });
  const double share[3] = {1.0 / 6, 2.0 / 3, 1.0 / 6};
  std::vector<tw::Rec> forces;
  for (int J = 0; J <= 2; J++)
    forces.push_back(tw::PointLoad(lj.At(40, J), {share[J] * q.Q[0][2], share[J] * q.Q[1][2], share[J] * q.Q[2][2],
                                                  0, 0, 0}));
  lj.job.model.loadCases = {linmodel::LoadCase(forces)};
  ASSERT_EQ(lj.job.layout.nF, 600);
  Outcome g = Run(lj.job, staticrun::kGauss);
  ExpectSound(g, staticrun::kGauss, 1);
  Outcome c = Run(lj.job, staticrun::kJPCG);
  ExpectSound(c, staticrun::kJPCG, 1);
  if (g.dr.records.size() != 1 || c.dr.records.size() != 1) return;
  const int tip = lj.At(40, 1);
  Record rg{g.dr.records[0], lj.job.layout}, rc{c.dr.records[0], lj.job.layout};
  EXPECT_NEAR(rg.Translation(tip) / (1000.0 / 300.0), 1.0, 0.005);
  EXPECT_NEAR(rc.Translation(tip) / rg.Translation(tip), 1.0, 1e-6);
}

// The strip of 8-node Mindlin shells with a TimoshenkoBeam3D stiffener of EI = 100 along
// each long edge (E = 1.2e6, A = 0.01, I2 = I3 = 100 / E, shear factors 10): the edge
// points join shells and beams and take global axes, the middle points stay coplanar.
// 1. Tip moment about Q e2 shared as the bending stiffnesses share it: 1 per unit width
//    on the shells' tip edge and 1 on each stiffener's tip point. Every point follows the
//    uniform curvature k = 3 / 300 exactly: the deflection k x^2 / 2 against Q e3 and
//    the turn k x about Q e2.
// 2. Tip load 1 on the shells' tip edge: the section bends as one beam of EI = 300 and
//    kGA = 5e4 + 1.2e5, 1000 / 900 + 10 / 1.7e5; the load reaches the stiffeners through
//    the shells near the tip, which changes the tip deflection by less than 1e-4 of it.
TEST_F(LinearStaticShellSolid, StripWithBeamStiffenersAlongItsEdges) {
  const Turn plain(0.0, 0.0), turned(0.5, -0.8);
  const double EI = 100.0, E = 1.2e6, k = 0.01;
  for (const Solver& s : kSolvers)
    for (int n = 0; n < 2; n++) {
      const Turn& q = n == 0 ? plain : turned;
      SCOPED_TRACE(std::string(s.name) + (n == 0 ? ", plain" : ", turned"));
      StripJob sj = Strip(q, 20, 8, 0);
      LatticeJob& lj = sj.lj;
      for (int J : {0, 2}) {
        std::vector<int> line;
        for (int I = 0; I <= 20; I++) line.push_back(lj.At(I, J));
        linmodel::AddTimoshenkoBeamLine(lj.job, line, E, 0.0, {0.01, 10.0, 10.0, 1e-4, EI / E, EI / E, 0, 0, 0, 0, 0});
      }
      std::vector<tw::Rec> stiffenerMoments;
      for (int J : {0, 2})
        stiffenerMoments.push_back(tw::PointLoad(lj.At(20, J), {0, 0, 0, q.Q[0][1], q.Q[1][1], q.Q[2][1]}));
      lj.job.model.loadCases = {
          linmodel::LoadCase(stiffenerMoments, {tw::EdgeLoad(10, 0, sj.tipEdge, 'S', 1, 2, {1.0})}),
          linmodel::LoadCase({}, {tw::EdgeLoad(10, 0, sj.tipEdge, 'G', 3, 1, {1.0})})};
      if (n == 1)
        lj.job.model.loadCases[1] =
            linmodel::LoadCase({}, {tw::EdgeLoad(10, 0, sj.tipEdge, 'E', 2, 1, {1.0})});  // the shell normal, Q e3
      const Job& job = lj.job;
      Outcome o = Run(job, s);
      ExpectSound(o, s, 2);
      if (o.dr.records.size() != 2) continue;
      Record r1{o.dr.records[0], job.layout};
      Record r2{o.dr.records[1], job.layout};
      for (const auto& [key, p] : lj.at) {
        const double x = key[0] / 2.0;
        double u[3] = {0, 0, 0}, w2 = 0.0;
        for (int i = 0; i < 3; i++) {
          for (int d = 1; d <= 3; d++) u[i] += r1.U(p, d) * q.Q[d - 1][i];
          w2 += r2.U(p, i + 1) * q.Q[i][2];
        }
        EXPECT_NEAR(u[2], -k * x * x / 2, 1e-8) << "point " << p;
        EXPECT_NEAR(u[0], 0.0, 1e-8) << "point " << p;
        EXPECT_NEAR(u[1], 0.0, 1e-8) << "point " << p;
        EXPECT_NEAR(std::sqrt(r1.U(p, 4) * r1.U(p, 4) + r1.U(p, 5) * r1.U(p, 5) + r1.U(p, 6) * r1.U(p, 6)), k * x, 1e-9)
            << "point " << p;
        if (key[1] != 1) {  // global axes: the turn is about Q e2
          const double about = r1.U(p, 4) * q.Q[0][1] + r1.U(p, 5) * q.Q[1][1] + r1.U(p, 6) * q.Q[2][1];
          EXPECT_NEAR(about, k * x, 1e-9) << "point " << p;
        }
        if (key[0] == 20) {
          EXPECT_NEAR(w2 / (1000.0 / 900.0 + 10.0 / 1.7e5), 1.0, 1e-4) << w2;
        }
      }
      const auto m1 = staticrun::ReactionResultant(r1, job, n == 0);
      const auto m2 = staticrun::ReactionResultant(r2, job, n == 0);
      for (int d = 1; d <= 3; d++) {
        EXPECT_NEAR(m1[d], 0.0, 1e-8) << "component " << d;
        EXPECT_NEAR(m2[d] + q.Q[d - 1][2], 0.0, 1e-8) << "component " << d;
      }
      if (n == 0) {
        EXPECT_NEAR(m1[5], -3.0, 1e-8);
      }
    }
}

// An equal angle of two shell legs, 1 wide and 0.1 thick, 4 long (E = 1000, nu = 0), in
// 4 x 2 elements: the leg in the x1-x3 plane (x3 from 1 down to 0), the fold along x1,
// the leg in the x1-x2 plane (x2 from 0 to 1). Clamped at x1 = 0, loaded at the tip by the
// end traction sigma = E (a + b x2 + c x3), given as edge loads along x1 with their
// nodal intensities and, for the stress across the thickness, edge moments. The field
// u1 = x1 (a + b x2 + c x3), u2 = -b x1^2 / 2, u3 = -c x1^2 / 2 is exact; the fold points,
// shared by the two legs, take global axes and there turn by (0, c x1, -b x1).
TEST_F(LinearStaticShellSolid, AngleOfShellsUnderALinearEndTraction) {
  const double E = 1000.0, t = 0.1, L = 4.0, a = 1e-3, b = 2e-3, c = -1.5e-3;
  struct Case {
    int type, nn;
  };
  for (const Solver& s : kSolvers)
    for (const Case& cs : {Case{20, 8}, Case{22, 9}}) {
      SCOPED_TRACE(std::string(s.name) + ", type " + std::to_string(cs.type));
      LatticeJob lj = linmodel::QuadMesh(
          cs.type, cs.nn, 4, 2,
          [L](double u, double v) {
            return v <= 0.5 ? std::array<double, 3>{L * u, 0.0, 1.0 - 2 * v}
                            : std::array<double, 3>{L * u, 2 * v - 1.0, 0.0};
          },
          E, 0.0, 0.0, t, [](int I, int, int) { return std::string(I == 0 ? "111111" : "000000"); });
      auto stress = [&](int p) {
        const auto& x = lj.job.coords[static_cast<size_t>(p - 1)];
        return E * (a + b * x[1] + c * x[2]);
      };
      std::vector<tw::Rec> edges;
      for (int leg = 0; leg < 2; leg++) {
        std::vector<double> q;
        for (int J = 2 * leg; J <= 2 * leg + 2; J++) q.push_back(stress(lj.At(8, J)) * t);
        edges.push_back(tw::EdgeLoad(3 * 2 + leg + 1, 0, 2, 'G', 1, 1, q));
      }
      // The stress across each leg's thickness: moments per unit length E t^3 / 12 times
      // the leg's curvature, -b about x3 on the leg x2 = 0, c about x2 on the leg x3 = 0.
      edges.push_back(tw::EdgeLoad(7, 0, 2, 'G', 3, 2, {-E * t * t * t / 12 * b}));
      edges.push_back(tw::EdgeLoad(8, 0, 2, 'G', 2, 2, {E * t * t * t / 12 * c}));
      lj.job.model.loadCases = {linmodel::LoadCase({}, edges)};
      Outcome o = Run(lj.job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], lj.job.layout};
      for (const auto& [key, p] : lj.at) {
        const auto& x = lj.job.coords[static_cast<size_t>(p - 1)];
        EXPECT_CLOSE(r.U(p, 1), x[0] * (a + b * x[1] + c * x[2]), s, 0.02) << "point " << p;
        EXPECT_CLOSE(r.U(p, 2), -b * x[0] * x[0] / 2, s, 0.02) << "point " << p;
        EXPECT_CLOSE(r.U(p, 3), -c * x[0] * x[0] / 2, s, 0.02) << "point " << p;
        if (key[1] != 2) continue;
        EXPECT_CLOSE(r.U(p, 4), 0.0, s, 0.01) << "point " << p;
        EXPECT_CLOSE(r.U(p, 5), c * x[0], s, 0.01) << "point " << p;
        EXPECT_CLOSE(r.U(p, 6), -b * x[0], s, 0.01) << "point " << p;
      }
      // The clamp holds the end force E t (2a + (b + c) / 2) along x1.
      const auto m = staticrun::ReactionResultant(r, lj.job, false);
      EXPECT_CLOSE(m[1], -E * t * (2 * a + (b + c) / 2), s, 1.0);
      EXPECT_CLOSE(m[2], 0.0, s, 1.0);
      EXPECT_CLOSE(m[3], 0.0, s, 1.0);
    }
}

// Scordelis-Lo roof R = 25, L = 50, 40 degrees, t = 0.25, E = 4.32e8, nu = 0, self weight
// 90 per unit area, on rigid diaphragms; quarter model of 8 x 8 nine-node Ahmad shells
// from the diaphragm (x1 = 0) to midspan (x1 = 25) and from the crown to the free edge.
// Midspan free-edge vertical displacement 0.3024 within 3%; the diaphragm carries the
// weight of the quarter, 90 R (40 degrees) 25.
TEST_F(LinearStaticShellSolid, ScordelisLoRoofOfAhmadShells) {
  const double R = 25.0, phi0 = 40.0 * std::numbers::pi / 180.0, t = 0.25;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    LatticeJob lj = linmodel::QuadMesh(
        22, 9, 8, 8,
        [&](double u, double v) {
          return std::array<double, 3>{25.0 * u, R * std::sin(phi0 * v), R * std::cos(phi0 * v)};
        },
        4.32e8, 0.0, 90.0 / t, t,
        [](int I, int J, int) {
          // Translations in global axes, rotations in the point's axes: V1 along x1, V2
          // along the arc.
          std::string mask = "000000";
          if (I == 0) mask[1] = mask[2] = '1';   // diaphragm: u2 = u3 = 0
          if (I == 16) mask[0] = mask[4] = '1';  // midspan symmetry: u1, rotation about V2
          if (J == 0) mask[1] = mask[3] = '1';   // crown symmetry: u2, rotation about V1
          return mask;
        });
    lj.job.model.loadCases = {Gravity(0.0, 0.0, -1.0)};
    Outcome o = Run(lj.job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], lj.job.layout};
    const double w = -r.U(lj.At(16, 16), 3);
    EXPECT_NEAR(w / 0.3024, 1.0, 0.03) << w;
    const auto m = staticrun::ReactionResultant(r, lj.job, false);
    const double weight = 90.0 * R * phi0 * 25.0;
    EXPECT_NEAR((m[3] - weight) / weight, 0.0, 1e-5) << m[3];
    EXPECT_NEAR(m[1] / weight, 0.0, 1e-9);
  }
}
