// A bar of thermal elements from x = 0 to 1 for the heat-conduction runs: the points with
// their coordinate along the bar, which of them are held, and the hexahedron bar builder.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "elements/kernel.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/datafile_writer.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;

// A bar along one axis from 0 to 1 of thermal elements; per point its coordinate along
// the bar and whether its temperature is prescribed.
struct ThermalBar {
  tw::Model model;
  std::vector<double> x;     // index 0 = point 1
  std::vector<bool> fixed;   // index 0 = point 1
  int nElements = 0;
  int endFace = 0;           // face of every hexahedron at its larger x1
  int nF() const { return static_cast<int>(std::count(fixed.begin(), fixed.end(), false)); }
  int nP() const { return static_cast<int>(fixed.size()) - nF(); }
  // 0-based position of point p (1-based) in its vector.
  int Index(int p) const {
    int k = 0;
    for (int q = 1; q < p; q++) k += fixed[q - 1] == fixed[p - 1] ? 1 : 0;
    return k;
  }
  void Fix(bool atStart, bool atEnd) {
    for (size_t i = 0; i < x.size(); i++)
      if ((atStart && x[i] == 0.0) || (atEnd && x[i] == 1.0)) {
        fixed[i] = true;
        tw::AddRecord(model, "<BOUNDARY_WITH_FIXED_TEMPERATURES>", tw::Support(static_cast<int>(i) + 1, "100000"));
      }
  }
  // "<PRESCRIBED_POINT_TEMPERATURES>" of every fixed point at x.
  std::vector<tw::Rec> Prescribe(double at, double T) const {
    std::vector<tw::Rec> r;
    for (size_t i = 0; i < x.size(); i++)
      if (fixed[i] && x[i] == at) r.push_back(tw::Rec().I(static_cast<int>(i) + 1).I(1).D(T));
    return r;
  }
};

// n unit-section hexahedra along x1 from 0 to 1 (points 4 per station), all of the
// element property prop.
inline void AddHexaBar(ThermalBar& b, int n, const tw::Rec& prop) {
  for (int i = 0; i <= n; i++)
    for (int j = 0; j < 4; j++) {
      tw::AddPoint(b.model, static_cast<double>(i) / n, j & 1, j >> 1);
      b.x.push_back(static_cast<double>(i) / n);
      b.fixed.push_back(false);
    }
  double** S;
  allocd2(&S, 8, 3);
  CalcNatCoordSolidHexa(8, S);
  for (int e = 1; e <= n; e++) {
    std::vector<int32_t> nodes;
    for (int a = 1; a <= 8; a++) {
      const int station = e - 1 + (S[a][1] > 0 ? 1 : 0);
      nodes.push_back(4 * station + (S[a][2] > 0 ? 1 : 0) + (S[a][3] > 0 ? 2 : 0) + 1);
    }
    tw::AddElement(b.model, nodes);
  }
  for (int f = 1; f <= 6 && b.endFace == 0; f++) {
    unsigned char flag = 0;
    int list[9];
    CalcNodeFaceSolidHexa(f, 8, &flag, list);
    bool end = true;
    for (int k = 1; k <= 4; k++) end = end && S[list[k]][1] > 0;
    if (end) b.endFace = f;
  }
  freed2(S);
  b.nElements = n;
  tw::AddRecord(b.model, "<ELEMENT_PROPERTIES>", prop);
}


// Length units of a thermal run in W, s and degrees: metres (L = 1) or millimetres
// (L = 1e3), where a conductivity is k / L, rho c is rho c / L^3, a heat flux or a
// convection coefficient is q / L^2 and a volumetric heat is Q / L^3; temperatures, times
// and the boundary heat fluxes (W) are the same numbers.
struct LengthUnit {
  const char* name;
  double L;
};
inline constexpr LengthUnit kLengthUnits[] = {{"W, m, s", 1.0}, {"W, mm, s", 1e3}};

// Every point coordinate of the bar times L (x keeps the coordinate along the unit bar).
inline void ScaleLengths(ThermalBar& b, double L) {
  for (tw::Rec& r : b.model.blocks["<POINT_COORDINATES>"]) {
    double x[3];
    std::memcpy(x, r.bytes.data(), sizeof x);
    r = tw::Rec().D(L * x[0]).D(L * x[1]).D(L * x[2]);
  }
}

// One combination of load case 1 (factor 1) per step duration.
inline void AddSteps(ThermalBar& b, const std::vector<double>& steps) {
  for (double dt : steps) {
    tw::Combination c;
    c.duration = dt;
    c.factors = {{1, 1.0}};
    b.model.combinations.push_back(c);
  }
}

// Two hexahedra of the thermal material `material` (rho, k, c), the start of the bar held
// at 20 by load case 1, two steps of 0.5: the small transient model of the refusal tests.
inline tw::Model HeldThermalBar(const std::vector<double>& material) {
  ThermalBar b;
  b.model.main.analysisType = 6;
  tw::AddRecord(b.model, "<THERMAL_ISOTROPIC_MATERIALS>", tw::Material("concrete", "ddd", material));
  AddHexaBar(b, 2, tw::ElementProperty(1, 2, _SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, 1, 0, 0));
  b.Fix(true, false);
  b.model.loadCases = {tw::LoadCase{}};
  b.model.loadCases[0].blocks["<PRESCRIBED_POINT_TEMPERATURES>"] = b.Prescribe(0.0, 20.0);
  AddSteps(b, {0.5, 0.5});
  return b.model;
}

// Writes <dir>/<name>_gl.bin of the bar's model with an empty output control and runs the
// program on it.
inline ChildResult RunThermalJob(const std::string& dir, const std::string& name, const ThermalBar& b) {
  tw::WriteDataFile(dir + "/" + name, b.model);
  WriteTextFile(dir + "/" + name + "_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  return RunProgram(VOLDE_EXE, {name}, dir);
}
