// Models of the dynamic runs: Truss2D oscillators and bars with their Rayleigh records,
// initial conditions and time steps.
#pragma once

#include <cmath>
#include <utility>
#include <vector>

#include "linear_model.h"
#include "model/material.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"

namespace dynmodel {

using linmodel::Job;

// Newmark's average-acceleration step turns the phase point (u, v / w) of an undamped
// oscillator by 2 atan(w dt / 2).
inline double NewmarkAngle(double w, double dt) { return 2.0 * std::atan(w * dt / 2.0); }

// A material (E, rho) with its Rayleigh record; returns its number.
inline int AddMaterial(Job& j, double E, double rho, double a0 = 0.0, double a1 = 0.0) {
  testmodel::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("bar", rho, 0.0, E, 0.3));
  const int mat = static_cast<int>(j.model.blocks["<LINEAR_ISOTROPIC_MATERIALS>"].size());
  testmodel::AddRecord(j.model, "<RAYLEIGH_DAMPING_FACTORS>", testmodel::Rec().I(MAT_LIN_ISO).I(mat).D(a0).D(a1));
  return mat;
}

// Truss2D bar of unit area between two points, of material mat.
inline void AddBar(Job& j, int p1, int p2, int mat) {
  const int e = testmodel::AddElement(j.model, {p1, p2});
  testmodel::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                       testmodel::ElementProperty(e, e, 1, MAT_LIN_ISO, mat, GEOM_CS_AREA, 1));
}

inline void InitialCondition(Job& j, int point, int dof, double u, double v, double a) {
  testmodel::AddRecord(j.model, "<DYNAMIC_INITIAL_CONDITIONS>", testmodel::Rec().I(point).I(dof).D(u).D(v).D(a));
}

// An oscillator along x2 at height x3: support point, then the mass point (held along x3)
// joined by a unit bar of E = k and rho = 3 (free-node mass rho A L / 3 = 1). Returns the
// mass point. Lengths are in m over L: L = 1e3 draws it in N, mm and t (E k / L^2,
// rho 3 / L^4, the mass in t = N s2/mm, with the area of NewJob(L)), the same oscillator.
inline int AddOscillator(Job& j, double x3, double k, double a0 = 0.0, double L = 1.0) {
  const int mat = AddMaterial(j, k / (L * L), 3.0 / (L * L * L * L), a0);
  const int s = linmodel::AddPoint2D(j, 0.0, x3 * L, linmodel::kPlaneMask, linmodel::kPlaneMask);
  const int p = linmodel::AddPoint2D(j, L, x3 * L, linmodel::kPlaneMask, "001000");
  AddBar(j, s, p, mat);
  return p;
}

// Area of the bars 1 m2 (L = 1e3: 1e6 mm2).
inline Job NewJob(double L = 1.0) {
  Job j;
  j.model.main.analysisType = 2;
  testmodel::AddRecord(j.model, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("unit", L * L));
  return j;
}

// nSteps combinations of duration dt, each with the given load-case factors.
inline void AddSteps(Job& j, int nSteps, double dt, const std::vector<std::pair<int32_t, double>>& factors = {{1, 1.0}},
              const std::vector<int32_t>& contacts = {}) {
  for (int s = 0; s < nSteps; s++) {
    testmodel::Combination c;
    c.duration = dt;
    c.factors = factors;
    c.contactCases = contacts;
    j.model.combinations.push_back(c);
  }
}

// The SDOF: k = 100, m = 1, u0 = 1, v0 = 0, a0 = -100, one empty load case (in N, m, kg;
// L = 1e3 in N, mm, t).
inline Job Sdof(double dt, int nSteps, double a0 = 0.0, double L = 1.0) {
  Job j = NewJob(L);
  const int p = AddOscillator(j, 0.0, 100.0, a0, L);
  InitialCondition(j, p, 2, L, 0.0, -100.0 * L);
  j.model.loadCases.push_back(linmodel::LoadCase({}));
  AddSteps(j, nSteps, dt);
  return j;
}

}  // namespace dynmodel
