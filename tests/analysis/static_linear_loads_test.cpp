// Linear static runs end to end under the loads that are integrated over elements:
// temperature changes (free and restrained bodies, a temperature difference across a
// cantilever) and face and internal loads, each checked against closed forms or against
// the equilibrium of the reactions.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "static_run.h"

namespace tw = testmodel;
using linmodel::Job;
using staticrun::kGauss;
using staticrun::kSolvers;
using staticrun::Outcome;
using staticrun::Record;
using staticrun::Solver;

namespace {

class LinearStaticLoads : public staticrun::LinearStaticRun {};

}  // namespace

// ---- temperature loads ------------------------------------------------------------------
// A body free to expand under a uniform temperature change moves by alpha dT times the
// distance from its fixed point and needs no reactions; fully restrained, its supports
// carry the force of the restrained expansion.

namespace {

constexpr double kAlphaT = 1.2e-5, kDeltaT = 50.0;

tw::LoadCase TemperatureCase(int first, int last, double dT) {
  tw::LoadCase lc;
  for (int e = first; e <= last; e++) lc.blocks["<TEMPERATURE_VARIATION>"].push_back(tw::TemperatureVariation(e, {dT}));
  return lc;
}

void SetMaterial(Job& j, double E, double nu) {
  j.model.blocks["<LINEAR_ISOTROPIC_MATERIALS>"] = {tw::LinIsoMaterial("heated", 0.0, kAlphaT, E, nu)};
}

// Bars along x2 from 0 to 3 in n members, Truss2D (type 1, in the x2-x3 plane) or
// Cable3D (type 6); point 1 held, the other points held across the bar; last point held
// along the bar too when `restrained`.
Job Bars(int type, int n, bool restrained, double EA) {
  Job j;
  SetMaterial(j, EA / 0.01, 0.3);
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("a", 0.01));
  const bool plane = type == 1;
  const std::string mask = plane ? linmodel::kPlaneMask : "111000";
  for (int k = 0; k <= n; k++) {
    const bool held = k == 0 || (restrained && k == n);
    const std::string fix = held ? mask : (plane ? "001000" : "101000");
    linmodel::AddPoint3D(j, 0.0, 3.0 * k / n, 0.0, mask, fix);
  }
  for (int e = 1; e <= n; e++) tw::AddElement(j.model, {e, e + 1});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, n, type, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  j.model.loadCases = {TemperatureCase(1, n, kDeltaT)};
  return j;
}

// A grid of m x m plane-stress squares of side 1 (points row by row from x2 = x3 = 0), or
// of m x m x m unit hexahedra; held as `fixity` says (index: grid coordinates).
template <typename Fixity>
Job PlaneGrid(int m, double E, double nu, double t, Fixity fixity) {
  Job j;
  SetMaterial(j, E, nu);
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", t));
  for (int r = 0; r <= m; r++)
    for (int c = 0; c <= m; c++) linmodel::AddPoint3D(j, 0.0, c, r, linmodel::kPlaneMask, fixity(c, r));
  auto pt = [m](int c, int r) { return r * (m + 1) + c + 1; };
  for (int r = 0; r < m; r++)
    for (int c = 0; c < m; c++) tw::AddElement(j.model, {pt(c, r), pt(c + 1, r), pt(c + 1, r + 1), pt(c, r + 1)});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, m * m, 10, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
  j.model.loadCases = {TemperatureCase(1, m * m, kDeltaT)};
  return j;
}

template <typename Fixity>
Job SolidGrid(int m, double E, double nu, Fixity fixity) {
  Job j;
  SetMaterial(j, E, nu);
  for (int z = 0; z <= m; z++)
    for (int y = 0; y <= m; y++)
      for (int x = 0; x <= m; x++) linmodel::AddPoint3D(j, x, y, z, "111000", fixity(x, y, z));
  auto pt = [m](int x, int y, int z) { return (z * (m + 1) + y) * (m + 1) + x + 1; };
  for (int z = 0; z < m; z++)
    for (int y = 0; y < m; y++)
      for (int x = 0; x < m; x++)
        tw::AddElement(j.model, {pt(x, y, z), pt(x + 1, y, z), pt(x + 1, y + 1, z), pt(x, y + 1, z), pt(x, y, z + 1),
                                 pt(x + 1, y, z + 1), pt(x + 1, y + 1, z + 1), pt(x, y + 1, z + 1)});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, m * m * m, 24, MAT_LIN_ISO, 1, 0, 0));
  j.model.loadCases = {TemperatureCase(1, m * m * m, kDeltaT)};
  return j;
}

}  // namespace

TEST_F(LinearStaticLoads, BodiesFreeToExpandAreNotStressed) {
  const double e = kAlphaT * kDeltaT;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    {
      Job job = Bars(1, 2, false, 1e4);
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      for (int p = 1; p <= 3; p++) EXPECT_CLOSE(r.U(p, 2), e * 1.5 * (p - 1), s, 3 * e);
      EXPECT_CLOSE(r.R(1, 2), 0.0, s, 1e4 * e);
    }
    {
      // Two plane-stress squares, point 1 held, point 4 held along x2, interior points moved.
      Job job = linmodel::TwoElementPlate(1000.0, 0.25, 0.1, -0.2, 0.3);
      SetMaterial(job, 1000.0, 0.25);
      job.model.loadCases = {TemperatureCase(1, 2, kDeltaT)};
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      const double x2[] = {0.0, 0.8, 2.0, 0.0, 1.3, 2.0}, x3[] = {0, 0, 0, 1, 1, 1};
      for (int p = 1; p <= 6; p++) {
        EXPECT_CLOSE(r.U(p, 2), e * x2[p - 1], s, 2 * e) << "point " << p;
        EXPECT_CLOSE(r.U(p, 3), e * x3[p - 1], s, 2 * e) << "point " << p;
      }
      EXPECT_CLOSE(r.R(1, 2), 0.0, s, 100 * e);
      EXPECT_CLOSE(r.R(1, 3), 0.0, s, 100 * e);
      EXPECT_CLOSE(r.R(4, 2), 0.0, s, 100 * e);
    }
    {
      // A 2 x 2 x 2 block of hexahedra held at three corners against rigid motion only.
      Job job = SolidGrid(2, 1000.0, 0.25, [](int x, int y, int z) -> std::string {
        if (z != 0) return "000000";
        if (x == 0 && y == 0) return "111000";
        if (x == 2 && y == 0) return "011000";
        if (x == 0 && y == 2) return "001000";
        return "000000";
      });
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      int p = 0;
      for (int z = 0; z <= 2; z++)
        for (int y = 0; y <= 2; y++)
          for (int x = 0; x <= 2; x++) {
            ++p;
            EXPECT_CLOSE(r.U(p, 1), e * x, s, 2 * e) << "point " << p;
            EXPECT_CLOSE(r.U(p, 2), e * y, s, 2 * e) << "point " << p;
            EXPECT_CLOSE(r.U(p, 3), e * z, s, 2 * e) << "point " << p;
          }
      EXPECT_CLOSE(r.R(1, 1), 0.0, s, 1000 * e);
      EXPECT_CLOSE(r.R(1, 3), 0.0, s, 1000 * e);
      EXPECT_CLOSE(r.R(7, 3), 0.0, s, 1000 * e);
    }
  }
}

// Every free equation is loaded by zero here (the restrained bodies are symmetric), which
// the conjugate gradient meets without an iteration: Gaussian elimination only.
TEST_F(LinearStaticLoads, RestrainedExpansionLoadsTheSupports) {
  const double e = kAlphaT * kDeltaT;
  for (const Solver& s : {kGauss}) {
    SCOPED_TRACE(s.name);
    // A bar and a cable held at both ends carry -E A alpha dT: the supports push inwards.
    for (int type : {1, 6}) {
      const double EA = 2e4;
      Job job = Bars(type, 2, true, EA);
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      EXPECT_CLOSE(r.R(1, 2), EA * e, s, EA * e) << "type " << type;
      EXPECT_CLOSE(r.R(3, 2), -EA * e, s, EA * e) << "type " << type;
      EXPECT_CLOSE(r.U(2, 2), 0.0, s, e);
    }
    {
      // A plane-stress plate held all round: E alpha t dT / (1 - nu) per unit length of edge.
      const double E = 1000.0, nu = 0.25, t = 0.1;
      Job job = PlaneGrid(2, E, nu, t, [](int c, int r) -> std::string {
        return (c == 1 && r == 1) ? "000000" : linmodel::kPlaneMask;
      });
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      const double perLength = E * kAlphaT * t * kDeltaT / (1 - nu);
      double right = 0.0, left = 0.0, top = 0.0;
      for (int k = 0; k <= 2; k++) {
        left += r.R(3 * k + 1, 2);
        right += r.R(3 * k + 3, 2);
        top += r.R(7 + k, 3);
      }
      EXPECT_CLOSE(left, 2 * perLength, s, perLength);
      EXPECT_CLOSE(right, -2 * perLength, s, perLength);
      EXPECT_CLOSE(top, -2 * perLength, s, perLength);
      EXPECT_CLOSE(r.U(5, 2), 0.0, s, e);
    }
    {
      // A block held all round: E alpha dT / (1 - 2 nu) per unit area of face.
      const double E = 1000.0, nu = 0.25;
      Job job = SolidGrid(2, E, nu, [](int x, int y, int z) -> std::string {
        return (x == 1 && y == 1 && z == 1) ? "000000" : "111000";
      });
      Outcome o = Run(job, s);
      ExpectSound(o, s, 1);
      if (o.dr.records.size() != 1) continue;
      Record r{o.dr.records[0], job.layout};
      const double perArea = E * kAlphaT * kDeltaT / (1 - 2 * nu);
      double face = 0.0;
      for (int z = 0; z <= 2; z++)
        for (int y = 0; y <= 2; y++) face += r.R((z * 3 + y) * 3 + 3, 1);
      EXPECT_CLOSE(face, -4 * perArea, s, perArea);
      EXPECT_CLOSE(r.U(14, 1), 0.0, s, e);
    }
  }
}

// A temperature difference dT across a cantilever of depth h bends it to the curvature
// alpha dT / h: tip rotation alpha dT L / h, deflection alpha dT L^2 / (2 h), no reactions.
TEST_F(LinearStaticLoads, DifferentialTemperatureBendsACantilever) {
  const double L = 3.0, h = 0.3, kappa = kAlphaT * kDeltaT / h;
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = linmodel::Cantilever(3, L, 2e5, 0.01, 1e-4);
    SetMaterial(job, 2e5, 0.3);
    tw::LoadCase lc;
    for (int e = 1; e <= 3; e++)
      lc.blocks["<DIFFERENTIAL_TEMPERATURE_VARIATION>"].push_back(tw::DiffTemperatureVariation(e, 0, {kDeltaT}));
    job.model.loadCases = {lc};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    const double tip = r.U(4, 4);
    EXPECT_CLOSE(std::fabs(tip), kappa * L, s, kappa * L);
    for (int k = 1; k <= 3; k++) {
      const double x = L * k / 3;
      EXPECT_CLOSE(r.U(k + 1, 4), tip * x / L, s, kappa * L);
      EXPECT_CLOSE(r.U(k + 1, 3), tip * x * x / (2 * L), s, kappa * L * L);
    }
    for (int d = 2; d <= 4; d++) EXPECT_CLOSE(r.R(1, d), 0.0, s, 2e5 * 1e-4 * kappa);
  }
}

// ---- face and internal loads ---------------------------------------------------------------

// A 2 x 2 x 2 block standing on its bottom face under a pressure on part of its top, a
// line load and a surface load inside it along auxiliary elements, and a point load inside
// an element: the reactions balance the loads, force and moment.
TEST_F(LinearStaticLoads, FaceAndInternalLoadsAreBalancedByTheReactions) {
  for (const Solver& s : kSolvers) {
    SCOPED_TRACE(s.name);
    Job job = SolidGrid(2, 1000.0, 0.25, [](int, int, int z) -> std::string { return z == 0 ? "111000" : "000000"; });
    job.model.loadCases.clear();
    // Auxiliary points (no dofs) and elements (no property): a line in element 4 and a
    // square in element 1.
    const int a = linmodel::AddPoint3D(job, 1.2, 1.3, 0.2, "000000");
    const int b = linmodel::AddPoint3D(job, 1.8, 1.6, 0.9, "000000");
    const int line = tw::AddElement(job.model, {a, b});
    std::vector<int32_t> square;
    for (const auto& p : std::vector<std::array<double, 2>>{{0.2, 0.2}, {0.8, 0.2}, {0.8, 0.8}, {0.2, 0.8}})
      square.push_back(linmodel::AddPoint3D(job, p[0], p[1], 0.5, "000000"));
    const int surf = tw::AddElement(job.model, square);
    const int P = linmodel::AddPoint3D(job, 1.5, 0.5, 1.5, "000000");
    tw::LoadCase lc;
    lc.blocks["<FACE_LOADS>"] = {tw::FaceLoad(8, 6, 'E', 3, 1, {-3.0})};  // element 8: x, y, z in [1, 2]
    lc.blocks["<INTERNAL_EDGE_LOADS>"] = {tw::InternalSurfLoad(4, line, 'G', 1, 1, {2.0, 4.0})};
    lc.blocks["<INTERNAL_FACE_LOADS>"] = {tw::InternalSurfLoad(1, surf, 'G', 2, 1, {5.0})};
    lc.blocks["<INTERNAL_POINT_LOADS>"] = {tw::InternalPointLoad(6, P, {1.0, 2.0, -4.0, 0.0, 0.0, 0.0})};
    job.model.loadCases = {lc};
    Outcome o = Run(job, s);
    ExpectSound(o, s, 1);
    if (o.dr.records.size() != 1) continue;
    Record r{o.dr.records[0], job.layout};
    const auto R = staticrun::ReactionResultant(r, job);
    // The loads: pressure -3 on the unit square at z = 2 centred (1.5, 1.5); the line load
    // from 2 to 4 along x1 over the segment a b of length L; 5 along x2 on 0.36 centred
    // (0.5, 0.5, 0.5); the point load at (1.5, 0.5, 1.5).
    const double L = std::sqrt(0.36 + 0.09 + 0.49), Q = 3.0 * L;
    // The line load's centre: its intensity weights the far end (4) twice the near one (2).
    const std::array<double, 3> c = {1.2 + 0.6 * 5.0 / 9.0, 1.3 + 0.3 * 5.0 / 9.0, 0.2 + 0.7 * 5.0 / 9.0};
    const double F[4] = {0.0, Q + 1.0, 1.8 + 2.0, -3.0 - 4.0};
    const double M[4] = {0.0,
                         // x2 F3 - x3 F2 of each load
                         1.5 * -3.0 - 0.5 * 1.8 + (0.5 * -4.0 - 1.5 * 2.0),
                         // x3 F1 - x1 F3
                         -1.5 * -3.0 + c[2] * Q + (1.5 * 1.0 - 1.5 * -4.0),
                         // x1 F2 - x2 F1
                         0.5 * 1.8 - c[1] * Q + (1.5 * 2.0 - 0.5 * 1.0)};
    for (int d = 1; d <= 3; d++) {
      EXPECT_CLOSE(R[d], -F[d], s, 10.0) << "force " << d;
      EXPECT_CLOSE(R[3 + d], -M[d], s, 10.0) << "moment " << d;
    }
  }
}
