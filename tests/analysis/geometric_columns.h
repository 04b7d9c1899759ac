// Second-order cantilever columns for geometrically nonlinear whole runs: ten 20-node
// hexahedra or ten 8-node plane-stress quadrilaterals, clamped at one end, a compressive
// tip load of a quarter of the buckling load and a small lateral one. The material is an
// elastic Drucker-Prager solid unless another nonlinear kind is given. Also cantilevers of
// any mesh of hexahedra or plane-stress quadrilaterals under tip forces (Member).
#pragma once

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "materials/material_table.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"
#include "support/result_readers.h"

namespace geomcolumns {

namespace tw = testmodel;
using linmodel::Job;

// The data-file block of the records of a nonlinear kind, "<NLMM124>" for _NLMM124.
inline std::string MaterialBlock(int kind) { return std::string("<") + (MaterialKindName(kind) + 1) + ">"; }

inline void Nonlinear(Job& j, int kinematic, const std::vector<double>& factors) {
  nonlinrun::Iterate(j.model.main, 1e-9, 50);
  j.model.main.geomNonlinear = 1;
  j.model.main.kinematicDescription = kinematic;
  j.model.main.storageTechnique = 1;
  j.model.main.linEqAlgorithm = 1;
  nonlinrun::Factors(j.model, factors);
}

// 20 rising steps to 1, then 15 repeats.
inline std::vector<double> ColumnFactors() {
  std::vector<double> f;
  for (int k = 1; k <= 20; k++) f.push_back(k / 20.0);
  for (int k = 1; k <= 15; k++) f.push_back(1.0);
  return f;
}

// Cantilever L = 10, section 1 x 1, E = 1000, nu = 0, an elastic Drucker-Prager solid; tip
// loads P = 0.25 Pcr along the axis (compression) and H across it.
constexpr double kP = 0.514042, kH = 0.001;
constexpr double kDelta = 0.0053155, kShortening = 0.0051404;

inline tw::Rec ElasticNlmm124() {
  return tw::Rec().S("elastic").Ds({0.0, 0.0, 0.0, 1000.0}).I(2).I(1).Ds({1e6, 1.0}).I(1).Ds({0.0, 0.0, 1.0});
}

struct Column {
  Job job;
  std::vector<int> tip;  // points of the tip face or edge
  int axial, lateral;    // their dofs
};

// Ten 20-node hexahedra with the 3 x 3 x 3 rule along x1, clamped at x1 = 0; the tip
// loads as the consistent forces of uniform tractions on the 8-node face.
inline Column HexaColumn(int kind = MAT_NLMM124, const tw::Rec& material = ElasticNlmm124()) {
  linmodel::LatticeJob lj = linmodel::HexaBar(20, 10, 10.0, -0.5, -0.5, 1000.0, 0.0, 0.0, true,
                                              [](int I, int, int) { return I == 0 ? "111000" : "000000"; });
  Column c{lj.job, {}, 1, 2};
  tw::AddRecord(c.job.model, MaterialBlock(kind), material);
  c.job.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 10, 24, kind, 1, 0, 0, 1, 1)};
  std::vector<tw::Rec> loads;
  for (int J = 0; J <= 2; J++)
    for (int K = 0; K <= 2; K++) {
      if (lj.at.count({20, J, K}) == 0) continue;
      const double w = (J != 1 && K != 1) ? -1.0 / 12.0 : 1.0 / 3.0;
      c.tip.push_back(lj.At(20, J, K));
      loads.push_back(tw::PointLoad(c.tip.back(), {-kP * w, kH * w, 0, 0, 0, 0}));
    }
  c.job.model.loadCases = {linmodel::ElementLoads(loads)};
  return c;
}

// Ten 8-node plane-stress quadrilaterals (thickness 1, 3 x 3 rule) along x2, clamped at
// x2 = 0; the tip loads as the consistent forces of uniform tractions on the 3-node edge.
inline Column QuadColumn(int kind = MAT_NLMM124, const tw::Rec& material = ElasticNlmm124()) {
  Column c;
  Job& j = c.job;
  j.model.main.title = "plane-stress column";
  tw::AddRecord(j.model, MaterialBlock(kind), material);
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 1.0));
  tw::AddRecord(j.model, "<NUMERICAL_INTEGRATION>", linmodel::IntegrationPattern("3x3", {3, 3, 0}));
  int at[21][3] = {};
  for (int I = 0; I <= 20; I++)
    for (int J = 0; J <= 2; J++) {
      if (I % 2 == 1 && J == 1) continue;
      at[I][J] = linmodel::AddPoint2D(j, 0.5 * I, -0.5 + 0.5 * J, linmodel::kPlaneMask, I == 0 ? "011000" : "000000");
    }
  for (int a = 0; a < 10; a++) {
    const int I = 2 * a;
    tw::AddElement(j.model, {at[I][0], at[I + 1][0], at[I + 2][0], at[I + 2][1], at[I + 2][2], at[I + 1][2],
                             at[I][2], at[I][1]});
  }
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(1, 10, 10, kind, 1, GEOM_LAM_THICK, 1, 1, 1));
  std::vector<tw::Rec> loads;
  for (int J = 0; J <= 2; J++) {
    const double w = J == 1 ? 2.0 / 3.0 : 1.0 / 6.0;
    c.tip.push_back(at[20][J]);
    loads.push_back(tw::PointLoad(at[20][J], {0, -kP * w, kH * w, 0, 0, 0}));
  }
  j.model.loadCases = {linmodel::ElementLoads(loads)};
  c.axial = 2;
  c.lateral = 3;
  return c;
}

// A straight cantilever of elastic material along its first coordinate, clamped at 0:
// hexahedra (nn 8 or 20, n elements along, across and through, square section b x b) or a
// wall of 8-node plane-stress quadrilaterals (n[0] x n[1], height b, thickness t = b), an
// elastic Drucker-Prager solid E, nu that never yields. Load case 1 puts the forces
// (axial, lateral) on the tip as the consistent forces of uniform tractions.
struct Member {
  Job job;
  std::vector<int> tip;  // points of the tip face or edge
  int axial, lateral;    // their dofs
};

inline tw::Rec ElasticSolid(double E, double nu) {
  return tw::Rec().S("elastic").Ds({0.0, 0.0, nu, E}).I(2).I(1).Ds({1e30, 1.0}).I(1).Ds({0.0, 0.0, 1.0});
}

inline Member CantileverMember(bool hexa, int nn, std::array<int, 3> n, double L, double b, double E, double nu,
                               double axial, double lateral) {
  Member m;
  Job& j = m.job;
  std::map<int, double> w;  // tip point -> share of the tip forces
  if (hexa) {
    linmodel::LatticeJob lj = linmodel::HexaBlock(nn, n, {L, b, b}, -b / 2, -b / 2, E, nu, 0.0, nn == 20,
                                                  [](int I, int, int) { return I == 0 ? "111000" : "000000"; });
    j = lj.job;
    tw::AddRecord(j.model, MaterialBlock(MAT_NLMM124), ElasticSolid(E, nu));
    j.model.blocks["<ELEMENT_PROPERTIES>"] = {
        tw::ElementProperty(1, n[0] * n[1] * n[2], 24, MAT_NLMM124, 1, 0, 0, 1, nn == 20 ? 1 : 0)};
    // Face nodes of the serendipity (corners -1/12, midsides 1/3) or bilinear face.
    const double share = 1.0 / (n[1] * n[2]);
    for (int b1 = 0; b1 < n[1]; b1++)
      for (int c1 = 0; c1 < n[2]; c1++)
        for (int J = 0; J <= 2; J++)
          for (int K = 0; K <= 2; K++) {
            const bool corner = J != 1 && K != 1;
            if ((nn == 8 && !corner) || (J == 1 && K == 1)) continue;
            const double f = nn == 8 ? 0.25 : (corner ? -1.0 / 12.0 : 1.0 / 3.0);
            w[lj.At(2 * n[0], 2 * b1 + J, 2 * c1 + K)] += f * share;
          }
    m.axial = 1;
    m.lateral = 2;
  } else {
    j.model.main.title = "plane-stress wall";
    tw::AddRecord(j.model, MaterialBlock(MAT_NLMM124), ElasticSolid(E, nu));
    tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", b));
    tw::AddRecord(j.model, "<NUMERICAL_INTEGRATION>", linmodel::IntegrationPattern("3x3", {3, 3, 0}));
    std::map<std::pair<int, int>, int> at;
    for (int I = 0; I <= 2 * n[0]; I++)
      for (int J = 0; J <= 2 * n[1]; J++) {
        if (I % 2 == 1 && J % 2 == 1) continue;
        at[{I, J}] = linmodel::AddPoint2D(j, L * I / (2.0 * n[0]), -b / 2 + b * J / (2.0 * n[1]),
                                          linmodel::kPlaneMask, I == 0 ? "011000" : "000000");
      }
    for (int a = 0; a < n[0]; a++)
      for (int c = 0; c < n[1]; c++) {
        const int I = 2 * a, J = 2 * c;
        tw::AddElement(j.model, {at[{I, J}], at[{I + 1, J}], at[{I + 2, J}], at[{I + 2, J + 1}], at[{I + 2, J + 2}],
                                 at[{I + 1, J + 2}], at[{I, J + 2}], at[{I, J + 1}]});
        if (a == n[0] - 1)
          for (int k = 0; k <= 2; k++) w[at[{2 * n[0], J + k}]] += (k == 1 ? 2.0 / 3.0 : 1.0 / 6.0) / n[1];
      }
    tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                  tw::ElementProperty(1, n[0] * n[1], 10, MAT_NLMM124, 1, GEOM_LAM_THICK, 1, 1, 1));
    m.axial = 2;
    m.lateral = 3;
  }
  std::vector<tw::Rec> loads;
  for (const auto& [p, f] : w) {
    std::array<double, 6> load = {0, 0, 0, 0, 0, 0};
    load[static_cast<size_t>(m.axial - 1)] = axial * f;
    load[static_cast<size_t>(m.lateral - 1)] = lateral * f;
    m.tip.push_back(p);
    loads.push_back(tw::PointLoad(p, load));
  }
  j.model.loadCases = {linmodel::ElementLoads(loads)};
  return m;
}

using nonlinrun::Mean;

}  // namespace geomcolumns
