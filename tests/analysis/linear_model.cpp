#include "linear_model.h"

#include <cmath>

#include "model/material.h"
#include "model/mesh.h"

namespace tw = testmodel;

namespace linmodel {

int Layout::Index(int point, int dof, char kind) const {
  int k = 0;
  for (int p = 1; p <= static_cast<int>(codes.size()); p++)
    for (int d = 1; d <= 6; d++) {
      const char c = codes[p - 1][d - 1];
      if (p == point && d == dof) return c == kind ? k : -1;
      if (c == kind) k++;
    }
  return -1;
}

namespace {

void Recount(Layout& l) {
  l.nF = l.nP = 0;
  for (const std::string& s : l.codes)
    for (char c : s) {
      if (c == 'F') l.nF++;
      if (c == 'P') l.nP++;
    }
}

}  // namespace

void AddLayoutPoint(Layout& l, const std::string& mask, const std::string& fixity) {
  std::string codes(6, '.');
  for (int d = 0; d < 6; d++) {
    if (mask[d] == '1') codes[d] = 'F';
    if (fixity[d] == '1') codes[d] = 'P';
  }
  l.codes.push_back(codes);
  Recount(l);
}

int AddPoint2D(Job& j, double x2, double x3, const std::string& mask, const std::string& fixity) {
  return AddPoint3D(j, 0.0, x2, x3, mask, fixity);
}

int AddPoint3D(Job& j, double x1, double x2, double x3, const std::string& mask, const std::string& fixity) {
  AddLayoutPoint(j.layout, mask, fixity);
  j.coords.push_back({x1, x2, x3});
  const int p = tw::AddPoint(j.model, x1, x2, x3);
  if (fixity != "000000") tw::AddRecord(j.model, "<SUPPORTS>", tw::Support(p, fixity));
  return p;
}

void AddSupport(Job& j, int point, const std::string& fixity) {
  tw::AddRecord(j.model, "<SUPPORTS>", tw::Support(point, fixity));
  std::string& codes = j.layout.codes[point - 1];
  for (int d = 0; d < 6; d++)
    if (fixity[d] == '1') codes[d] = 'P';
  Recount(j.layout);
}

void MovePoints(Job& j, const std::function<std::array<double, 3>(const std::array<double, 3>&)>& f) {
  std::vector<tw::Rec>& recs = j.model.blocks["<POINT_COORDINATES>"];
  for (size_t p = 0; p < j.coords.size(); p++) {
    j.coords[p] = f(j.coords[p]);
    recs.at(p) = tw::Rec().D(j.coords[p][0]).D(j.coords[p][1]).D(j.coords[p][2]);
  }
}

int AddCoordSystem(Job& j, const std::array<std::array<double, 3>, 3>& axes) {
  std::vector<tw::Rec>& vectors = j.model.blocks["<AUXILIARY_VECTORS>"];
  tw::Rec cs = tw::Rec().S("axes");
  for (const auto& a : axes) {
    vectors.push_back(tw::AuxiliaryVector("axis", a[0], a[1], a[2]));
    cs.I(static_cast<int32_t>(vectors.size()));
  }
  tw::AddRecord(j.model, "<COORDINATE_SYSTEMS>", cs);
  return static_cast<int>(j.model.blocks["<COORDINATE_SYSTEMS>"].size());
}

void SetPointCoordSystem(Job& j, int point, int system) {
  tw::AddRecord(j.model, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", tw::Rec().I(0).I(0).I(0).I(point).I(system));
}

Turn::Turn(double a, double b, double c) {
  const double Rz[3][3] = {{std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}};
  const double Ry[3][3] = {{std::cos(b), 0, std::sin(b)}, {0, 1, 0}, {-std::sin(b), 0, std::cos(b)}};
  const double Rx[3][3] = {{1, 0, 0}, {0, std::cos(c), -std::sin(c)}, {0, std::sin(c), std::cos(c)}};
  double ZY[3][3];
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) {
      ZY[i][j] = 0.0;
      for (int k = 0; k < 3; k++) ZY[i][j] += Rz[i][k] * Ry[k][j];
    }
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) {
      Q[i][j] = 0.0;
      for (int k = 0; k < 3; k++) Q[i][j] += ZY[i][k] * Rx[k][j];
    }
}

std::array<double, 3> Turn::Of(const std::array<double, 3>& x) const {
  std::array<double, 3> y{};
  for (int i = 0; i < 3; i++) y[i] = Q[i][0] * x[0] + Q[i][1] * x[1] + Q[i][2] * x[2];
  return y;
}

void TurnWithItsAxes(Job& j, const Turn& q) {
  MovePoints(j, [&q](const std::array<double, 3>& x) { return q.Of(x); });
  std::array<std::array<double, 3>, 3> axes;
  for (int i = 0; i < 3; i++)
    for (int c = 0; c < 3; c++) axes[i][c] = q.Q[c][i];
  const int cs = AddCoordSystem(j, axes);
  for (size_t p = 1; p <= j.coords.size(); p++) SetPointCoordSystem(j, static_cast<int>(p), cs);
}

void AddFrame2DMaterial(Job& j, double E, double A, double I) {
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("steel", 0.0, 0.0, E, 0.3));
  tw::AddRecord(j.model, "<FRAME_2D_CROSS_SECTIONS>", tw::Frame2DSection("section", {A, 0.0, I, 0.3}));
}

void AddFrame2DProperty(Job& j, int first, int last) {
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(first, last, 3, MAT_LIN_ISO, 1, GEOM_CS_2D, 1));
}

tw::LoadCase LoadCase(const std::vector<tw::Rec>& pointLoads, const std::vector<tw::Rec>& edgeLoads,
                      const std::vector<tw::Rec>& settlements) {
  tw::LoadCase lc;
  if (!pointLoads.empty()) lc.blocks["<POINT_LOADS>"] = pointLoads;
  if (!edgeLoads.empty()) lc.blocks["<EDGE_LOADS>"] = edgeLoads;
  if (!settlements.empty()) lc.blocks["<PRESCRIBED_DISPLACEMENTS>"] = settlements;
  return lc;
}

Job Beam(int n, double L, double E, double A, double I) {
  Job j;
  j.model.main.title = "Frame2D beam";
  AddFrame2DMaterial(j, E, A, I);
  AddPoint2D(j, 0.0, 0.0, kFrame2DMask);
  for (int k = 1; k <= n; k++) {
    AddPoint2D(j, L * k / n, 0.0, kFrame2DMask);
    tw::AddElement(j.model, {k, k + 1});
  }
  AddFrame2DProperty(j, 1, n);
  return j;
}

Job Cantilever(int n, double L, double E, double A, double I) {
  Job j = Beam(n, L, E, A, I);
  j.model.main.title = "Frame2D cantilever";
  AddSupport(j, 1, kFrame2DMask);
  return j;
}

Job TwoBarTruss(double EA) {
  Job j;
  j.model.main.title = "two-bar truss";
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("bar", 0.0, 0.0, EA, 0.3));
  tw::AddRecord(j.model, "<CROSS_SECTION_AREAS>", tw::CrossSectionArea("unit", 1.0));
  AddPoint2D(j, -3.0, 0.0, kPlaneMask, kPlaneMask);
  AddPoint2D(j, 3.0, 0.0, kPlaneMask, kPlaneMask);
  AddPoint2D(j, 0.0, 4.0, kPlaneMask);
  tw::AddElement(j.model, {1, 3});
  tw::AddElement(j.model, {2, 3});
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 2, 1, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
  return j;
}

namespace {

void AddPlaneMaterial(Job& j, double E, double nu, double t) {
  tw::AddRecord(j.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("plate", 0.0, 0.0, E, nu));
  tw::AddRecord(j.model, "<LAMINATE_THICKNESSES>", tw::LaminateThickness("t", t));
}

// Plane-stress quadrilaterals (type 10, default integration).
void AddPlaneProperty(Job& j, int first, int last) {
  tw::AddRecord(j.model, "<ELEMENT_PROPERTIES>",
                tw::ElementProperty(first, last, 10, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1));
}

}  // namespace

Job TwoElementPlate(double E, double nu, double t, double shift2, double shift5) {
  Job j;
  j.model.main.title = "plane-stress plate in tension";
  AddPlaneMaterial(j, E, nu, t);
  AddPoint2D(j, 0.0, 0.0, kPlaneMask, "011000");
  AddPoint2D(j, 1.0 + shift2, 0.0, kPlaneMask);
  AddPoint2D(j, 2.0, 0.0, kPlaneMask);
  AddPoint2D(j, 0.0, 1.0, kPlaneMask, "010000");
  AddPoint2D(j, 1.0 + shift5, 1.0, kPlaneMask);
  AddPoint2D(j, 2.0, 1.0, kPlaneMask);
  // Counterclockwise about x1.
  tw::AddElement(j.model, {1, 2, 5, 4});
  tw::AddElement(j.model, {2, 3, 6, 5});
  AddPlaneProperty(j, 1, 2);
  return j;
}

Job Portal(int n, double H, double B, double E, double A, double I) {
  Job j;
  j.model.main.title = "Frame2D portal";
  AddFrame2DMaterial(j, E, A, I);
  AddPoint2D(j, 0.0, 0.0, kFrame2DMask, kFrame2DMask);
  for (int k = 1; k <= n; k++) AddPoint2D(j, 0.0, H * k / n, kFrame2DMask);
  for (int k = 1; k <= n; k++) AddPoint2D(j, B * k / n, H, kFrame2DMask);
  for (int k = 1; k <= n; k++)
    AddPoint2D(j, B, H - H * k / n, kFrame2DMask, k == n ? kFrame2DMask : "000000");
  for (int e = 1; e <= 3 * n; e++) tw::AddElement(j.model, {e, e + 1});
  AddFrame2DProperty(j, 1, 3 * n);
  return j;
}

Job PlaneWall(int nx, int ny, double L, double D, double E, double nu, double t) {
  Job j;
  j.model.main.title = "plane-stress cantilever wall";
  AddPlaneMaterial(j, E, nu, t);
  for (int r = 0; r <= ny; r++)
    for (int c = 0; c <= nx; c++) AddPoint2D(j, L * c / nx, D * r / ny, kPlaneMask, c == 0 ? "011000" : "000000");
  auto point = [nx](int c, int r) { return r * (nx + 1) + c + 1; };
  for (int r = 0; r < ny; r++)
    for (int c = 0; c < nx; c++)
      tw::AddElement(j.model, {point(c, r), point(c + 1, r), point(c + 1, r + 1), point(c, r + 1)});
  AddPlaneProperty(j, 1, nx * ny);
  return j;
}

}  // namespace linmodel
