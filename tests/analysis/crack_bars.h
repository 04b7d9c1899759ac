// Bars of the smeared-crack models for whole runs: a row of hexahedra of the solid models
// or of plane-stress quadrilaterals of the plane ones, pulled at one end in steps of
// prescribed displacement, with the material records S1 (solid) and P1 (plane).
// Material S1: E 30000, nu 0, ft = reference stress = 3, Gf 0.1, law 1 (0.1, 0.5, 0.4,
// 0.2), beta 0.2, h 100, threshold angle 1 rad, at most 3 cracks; bar 100 x 100 x 100 mm.
// E, the constant band h and Gf may be set for other fixtures.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "element_models.h"
#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_job.h"
#include "support/result_readers.h"

namespace crackbars {

namespace tw = testmodel;
using linmodel::Job;

constexpr double kArea = 1e4;

inline tw::Rec S1(int code, double ft, int option, double E = 30000.0, double h = 100.0, double gf = 0.1) {
  // The elasto-plastic model: C1 (fc 30, eps_c1 0.0022, r0 0.3, Gc 15, law 1, h1 = 0)
  // and the crack part of S1.
  if (code == MAT_NLMM151)
    return tw::Rec().S("C1").Ds({0.0, 0.0, 0.0, E, 30.0, 0.0022, 0.3, 15.0}).I(1)
        .Ds({0.0, 0.0, 0.0, 0.0, 0.0, ft}).I(1).Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0, gf, 1.0}).I(0)
        .Ds({0.0, 0.0, 0.0, 0.0}).I(1).D(0.2).I(1).Ds({0.0, 0.0}).I(1).I(option).D(h).I(3).D(1.0);
  if (code == MAT_NLMM111)
    return tw::Rec().S("S1").Ds({0.0, 0.0, 0.0, E, 3.0, ft}).I(1)
        .Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0, gf, 1.0}).I(0).Ds({0.0, 0.0, 0.0, 0.0}).I(1).D(0.2).I(1)
        .Ds({0.0, 0.0}).I(1).I(option).D(h).I(3).D(1.0);
  return tw::Rec().S("S1").Ds({0.0, 0.0, 0.0, E, 3.0, ft}).I(1).Ds({0.1, 0.5, 0.4, 0.2, gf, 1.0}).I(1)
      .D(0.2).I(1).I(1).I(option).D(h).I(3).D(1.0);
}

// One combination of the end displacement u_k per step k; Newton-Raphson to 1e-9.
inline void PulledInSteps(Job& j, const std::vector<double>& displacements) {
  nonlinrun::Factors(j.model, displacements);
  nonlinrun::Iterate(j.model.main, 1e-9, 60);
  j.model.main.storageTechnique = 1;
  j.model.main.linEqAlgorithm = 1;
}

// Sum of the reactions of the points `end` along dof `dof` in every combination.
inline std::vector<double> EndForces(const resultfile::DisplReactFile& dr, const Job& j, const std::vector<int>& end,
                              int dof) {
  std::vector<double> f;
  for (const auto& r : dr.records) f.push_back(nonlinrun::Reaction(r, j, end, dof));
  return f;
}

// Bar of nx hexahedra of nn (8 or 20) nodes along x over 100 mm, section `side` x `side`
// (100 mm unless given), on rollers on the faces x = 0, y = 0, z = 0; the end face moved
// by u_k = displacements[k] in combination k. The element at x = 0 may take a weaker
// material (ft0); pattern3: the 3 x 3 x 3 rule.
struct Bar {
  linmodel::LatticeJob lj;
  std::vector<int> end;
  Bar(int code, int nx, double ft0, int option, const std::vector<double>& displacements, int nn = 8,
      bool pattern3 = false, double side = 100.0)
      : lj(linmodel::HexaBar(nn, nx, 100.0, 0.0, 0.0, 30000.0, 0.0, 0.0, pattern3, [nx](int I, int J, int K) {
          return std::string(I == 0 || I == 2 * nx ? "1" : "0") + (J == 0 ? "1" : "0") + (K == 0 ? "1" : "0") + "000";
        })) {
    Job& j = lj.job;
    linmodel::MovePoints(j, [side](const std::array<double, 3>& x) {
      return std::array<double, 3>{x[0], side * x[1], side * x[2]};
    });
    const char* block = code == MAT_NLMM111 ? "<NLMM111>" : code == MAT_NLMM151 ? "<NLMM151>" : "<NLMM102>";
    tw::AddRecord(j.model, block, S1(code, 3.0, option));
    tw::AddRecord(j.model, block, S1(code, ft0, option));
    const int integ = pattern3 ? 1 : 0;
    std::vector<tw::Rec> props = {tw::ElementProperty(1, 1, 24, code, 2, 0, 0, 1, integ)};
    if (nx > 1) props.push_back(tw::ElementProperty(2, nx, 24, code, 1, 0, 0, 1, integ));
    j.model.blocks["<ELEMENT_PROPERTIES>"] = props;
    std::vector<tw::Rec> pulls;
    for (int J = 0; J <= 2; J++)
      for (int K = 0; K <= 2; K++)
        if (lj.at.count({2 * nx, J, K}) != 0) {
          end.push_back(lj.At(2 * nx, J, K));
          pulls.push_back(tw::PrescribedDisplacement(end.back(), 1, 1.0));
        }
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
    PulledInSteps(j, displacements);
  }
  // Axial force of every combination from the reactions of the end face.
  std::vector<double> Forces(const resultfile::DisplReactFile& dr) const { return EndForces(dr, lj.job, end, 1); }
};

// The plane models with the values of S1 (at most 2 cracks) and softening law `law`:
// trilinear (0.1, 0.5, 0.4, 0.2), Cornelissen, quadrilinear (0.1, 0.6, 0.3, 0.35, 0.6, 0.1).
// The models with plasticity take C1 (fc 30 the reference stress, eps_c1 0.0022, r0 0.3,
// Gc 15, hardening law 1, h1 = 0) before the crack part.
inline tw::Rec P1(int code, int law, double ft, int option, double E = 30000.0, double h = 100.0, double beta = 0.2) {
  const std::vector<double> shape = law == 4 ? std::vector<double>{0.1, 0.6, 0.3, 0.35, 0.6, 0.1}
                                             : std::vector<double>{0.1, 0.5, 0.4, 0.2, 0.0, 0.0};
  tw::Rec r = tw::Rec().S("P1").Ds({0.0, 0.0, 0.0, E, 3.0, ft}).I(law);
  if (code == MAT_NLMM142)
    r = tw::Rec().S("C1").Ds({0.0, 0.0, 0.0, E, 30.0, 0.0022, 0.3, 15.0}).I(1)
        .Ds({0.0, 0.0, 0.0, 0.0, 0.0, ft}).I(law);
  if (code == MAT_NLMM141)
    r = tw::Rec().S("C1").Ds({0.0, 0.0, 0.0, E, 30.0, 0.0022, 0.3, 0.0, ft}).I(law);
  if (code == MAT_NLMM101 || code == MAT_NLMM141)
    return r.Ds({shape[0], shape[1], shape[2], shape[3], 0.1, 1.0}).I(1).D(beta).I(1).I(option).D(h).I(2).D(1.0);
  return r.Ds(shape).D(0.1).I(0).I(1).Ds({0.0, 0.0}).I(0).I(1).D(beta).I(1).Ds({0.0, 0.0}).I(1).I(option).D(h)
      .I(2).D(1.0).I(0).Ds({0.0, 0.0, 0.0, 0.0, 0.0, 0.0});
}

inline const char* PlaneBlock(int code) {
  return code == MAT_NLMM104   ? "<NLMM104>"
         : code == MAT_NLMM142 ? "<NLMM142>"
         : code == MAT_NLMM141 ? "<NLMM141>"
                               : "<NLMM101>";
}

// nx quadrilaterals of nn (4, 8 or 9) nodes in a row over the lattice node(I, J),
// I = 0..m nx, J = 0..m (m = 1 for 4 nodes, 2 for the quadratic elements).
template <class Node>
void AddElementRow(Job& j, int nx, int nn, const Node& node) {
  const int m = nn == 4 ? 1 : 2;
  for (int e = 0; e < nx; e++) {
    const int I = m * e;
    if (nn == 4) {
      tw::AddElement(j.model, {node(I, 0), node(I + 1, 0), node(I + 1, 1), node(I, 1)});
      continue;
    }
    std::vector<int> n = {node(I, 0),     node(I + 1, 0), node(I + 2, 0), node(I + 2, 1),
                          node(I + 2, 2), node(I + 1, 2), node(I, 2),     node(I, 1)};
    if (nn == 9) n.push_back(node(I + 1, 1));
    tw::AddElement(j.model, n);
  }
}

// Plane-stress bar of nx quadrilaterals of nn (4, 8 or 9) nodes along x over 100 mm,
// `depth` deep (100 mm unless given) and 100 mm thick: the edge x = 0 held along x (its lower point along y
// too), the edge x = 100 moved by u_k in combination k; the element at x = 0 may take a
// weaker material (ft0). rule: points per direction (0: the default two).
struct PlaneBar {
  Job job;
  std::vector<int> end;
  PlaneBar(int code, int law, int nx, double ft0, int option, const std::vector<double>& displacements, int nn = 4,
           int rule = 0, double depth = 100.0) {
    Job& j = job;
    const char* block = PlaneBlock(code);
    tw::AddRecord(j.model, block, P1(code, law, 3.0, option));
    tw::AddRecord(j.model, block, P1(code, law, ft0, option));
    tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 100.0));
    // Lattice I = 0..m nx, J = 0..m (m = 1 for 4 nodes, 2 for the quadratic elements).
    const int m = nn == 4 ? 1 : 2;
    std::vector<std::vector<int>> at(static_cast<size_t>(m * nx + 1), std::vector<int>(static_cast<size_t>(m + 1), 0));
    for (int I = 0; I <= m * nx; I++)
      for (int J = 0; J <= m; J++) {
        if (nn == 8 && I % 2 == 1 && J == 1) continue;  // no centre node
        const bool held = I == 0 || I == m * nx;
        const char* fix = I == 0 && J == 0 ? "011000" : held ? "010000" : "000000";
        at[static_cast<size_t>(I)][static_cast<size_t>(J)] =
            linmodel::AddPoint2D(j, 100.0 * I / (m * nx), depth * J / m, linmodel::kPlaneMask, fix);
      }
    const auto node = [&](int I, int J) { return at[static_cast<size_t>(I)][static_cast<size_t>(J)]; };
    AddElementRow(j, nx, nn, node);
    if (rule > 0) tw::AddRecord(j.model, "<NUMERICAL_INTEGRATION>", linmodel::IntegrationPattern("r", {rule, rule, 0}));
    const int integ = rule > 0 ? 1 : 0;
    std::vector<tw::Rec> props = {tw::ElementProperty(1, 1, 10, code, 2, GEOM_LAM_THICK, 1, 1, integ)};
    if (nx > 1) props.push_back(tw::ElementProperty(2, nx, 10, code, 1, GEOM_LAM_THICK, 1, 1, integ));
    j.model.blocks["<ELEMENT_PROPERTIES>"] = props;
    std::vector<tw::Rec> pulls;
    for (int J = 0; J <= m; J++)
      if (node(m * nx, J) != 0) {
        end.push_back(node(m * nx, J));
        pulls.push_back(tw::PrescribedDisplacement(end.back(), 2, 1.0));
      }
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
    PulledInSteps(j, displacements);
  }
  std::vector<double> Forces(const resultfile::DisplReactFile& dr) const { return EndForces(dr, job, end, 2); }
};

// Layered shell bar (type 20 Mindlin or 22 Ahmad) of nx elements of nn (4 or 9) nodes in
// the x1-x2 plane: 100 mm along x1, `depth` deep, nL equal layers of the P1 material (100 mm
// in all), w and every rotation held; the edge x1 = 0 held along x1 (its lower point along
// x2 too), the edge x1 = 100 moved along x1 by u_k in combination k. The element at x1 = 0
// takes the weaker material (ft0).
struct ShellBar {
  Job job;
  std::vector<int> end;
  ShellBar(int type, int code, int nx, double ft0, int option, const std::vector<double>& displacements, int nn = 9,
           int nL = 2, double depth = 100.0) {
    Job& j = job;
    const char* block = PlaneBlock(code);
    const double side = 100.0 / nx;
    tw::AddRecord(j.model, block, P1(code, 1, 3.0, option, 30000.0, side));
    tw::AddRecord(j.model, block, P1(code, 1, ft0, option, 30000.0, side));
    tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", 100.0 / nL));
    for (int q = 1; q <= 2; q++) {
      tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("concrete").I(code).I(q).I(GEOM_LAM_THICK).I(1));
      tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("stack").IList(std::vector<int32_t>(nL, q)));
    }
    const int m = nn == 4 ? 1 : 2;
    std::vector<std::vector<int>> at(static_cast<size_t>(m * nx + 1), std::vector<int>(static_cast<size_t>(m + 1), 0));
    for (int I = 0; I <= m * nx; I++)
      for (int J = 0; J <= m; J++) {
        const char* fix = I == 0 && J == 0 ? "111111" : I == 0 || I == m * nx ? "101111" : "001111";
        at[static_cast<size_t>(I)][static_cast<size_t>(J)] =
            linmodel::AddPoint3D(j, 100.0 * I / (m * nx), depth * J / m, 0.0, linmodel::kSixMask, fix);
      }
    const auto node = [&](int I, int J) { return at[static_cast<size_t>(I)][static_cast<size_t>(J)]; };
    AddElementRow(j, nx, nn, node);
    std::vector<tw::Rec> props = {tw::ElementProperty(1, 1, type, MAT_LAY_PATT, 2, 0, 0)};
    if (nx > 1) props.push_back(tw::ElementProperty(2, nx, type, MAT_LAY_PATT, 1, 0, 0));
    j.model.blocks["<ELEMENT_PROPERTIES>"] = props;
    std::vector<tw::Rec> pulls;
    for (int J = 0; J <= m; J++) {
      end.push_back(node(m * nx, J));
      pulls.push_back(tw::PrescribedDisplacement(end.back(), 1, 1.0));
    }
    j.model.loadCases = {linmodel::ElementLoads({}, {}, {}, {}, {0, 0, 0}, pulls)};
    PulledInSteps(j, displacements);
  }
  std::vector<double> Forces(const resultfile::DisplReactFile& dr) const { return EndForces(dr, job, end, 1); }
};

inline std::vector<double> Steps(double from, double to, double step) {
  std::vector<double> u;
  const int n = static_cast<int>(std::lround(std::fabs(to - from) / step));
  for (int i = 1; i <= n; i++) u.push_back(from + (to - from) * i / n);
  return u;
}

inline double Work(const std::vector<double>& u, const std::vector<double>& f) {
  double w = 0.0, u0 = 0.0, f0 = 0.0;
  for (size_t i = 0; i < u.size(); i++) {
    w += 0.5 * (f[i] + f0) * (u[i] - u0);
    u0 = u[i];
    f0 = f[i];
  }
  return w;
}

// The energy dissipated on the way: the work of the end force less what the bar gives
// back unloading along the secant to the origin (the open cracks close secantly).
inline double Dissipated(const std::vector<double>& u, const std::vector<double>& f) {
  return Work(u, f) - 0.5 * f.back() * u.back();
}

inline size_t IndexOf(const std::vector<double>& u, double x, size_t from = 0) {
  for (size_t i = from; i < u.size(); i++)
    if (std::fabs(u[i] - x) < 1e-9) return i;
  ADD_FAILURE() << "no combination at " << x;
  return 0;
}

}  // namespace crackbars
