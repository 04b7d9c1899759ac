// Small linear static models for the end-to-end runs and the examples: each model comes
// with the dof layout the run must number (point order, then dof order; free and
// prescribed dofs numbered separately), so that a test can find a point's values in the
// result vectors.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "support/datafile_writer.h"

namespace linmodel {

// Dof layout: per point six characters, 'F' free, 'P' prescribed, '.' absent.
struct Layout {
  std::vector<std::string> codes;  // index 0 = point 1
  int nF = 0, nP = 0;
  // 0-based position of (point, dof) in the free or prescribed vector; -1 when the dof
  // is not of that kind.
  int Free(int point, int dof) const { return Index(point, dof, 'F'); }
  int Presc(int point, int dof) const { return Index(point, dof, 'P'); }
  int Index(int point, int dof, char kind) const;
};

// A point whose elements give it the dofs of `mask` ("011100" for a Frame2D point) and
// whose support fixes the dofs of `fixity`.
void AddLayoutPoint(Layout& l, const std::string& mask, const std::string& fixity = "000000");

struct Job {
  testmodel::Model model;
  Layout layout;
  std::vector<std::array<double, 3>> coords;  // index 0 = point 1
};

// Points in the x2-x3 plane (x1 = 0), where the 2-D elements lie.
int AddPoint2D(Job& j, double x2, double x3, const std::string& mask, const std::string& fixity = "000000");
// A point in space.
int AddPoint3D(Job& j, double x1, double x2, double x3, const std::string& mask,
               const std::string& fixity = "000000");
void AddSupport(Job& j, int point, const std::string& fixity);
// Moves every point x to f(x).
void MovePoints(Job& j, const std::function<std::array<double, 3>(const std::array<double, 3>&)>& f);
// A coordinate system whose axes (rows, global components) are three new auxiliary
// vectors; returns its number. The point's dofs, supports and results then refer to it.
int AddCoordSystem(Job& j, const std::array<std::array<double, 3>, 3>& axes);
void SetPointCoordSystem(Job& j, int point, int system);

// Rows of Q = Rz(a) Ry(b) Rx(c), a turn in space.
struct Turn {
  double Q[3][3];
  Turn(double a, double b, double c = 0.0);
  std::array<double, 3> Of(const std::array<double, 3>& x) const;
};
// The job turned rigidly by q, every point in the coordinate system of the turned axes
// (rows Q e1, Q e2, Q e3): supports, prescribed displacements and results keep their
// components; point loads are global components and must be turned by the caller.
void TurnWithItsAxes(Job& j, const Turn& q);

constexpr const char* kFrame2DMask = "011100";
constexpr const char* kPlaneMask = "011000";

// Frame2D members of one linear isotropic material and one section (A, I).
void AddFrame2DMaterial(Job& j, double E, double A, double I);
// Elements first..last are Frame2D members of the material and section above.
void AddFrame2DProperty(Job& j, int first, int last);

// A load case with point loads, edge loads and prescribed displacements.
testmodel::LoadCase LoadCase(const std::vector<testmodel::Rec>& pointLoads,
                             const std::vector<testmodel::Rec>& edgeLoads = {},
                             const std::vector<testmodel::Rec>& settlements = {});

// Frame2D beam along x2 of length L in n elements, points 1..n + 1, no support.
Job Beam(int n, double L, double E, double A, double I);
// Frame2D cantilever along x2 of length L in n elements, fixed at point 1, tip point n + 1.
Job Cantilever(int n, double L, double E, double A, double I);
// Two Truss2D bars from supports (-3, 0) and (3, 0) to the apex (0, 4), points 1, 2, 3.
Job TwoBarTruss(double EA);
// Plane-stress plate 2 x 1 (x2 from 0 to 2, x3 from 0 to 1) in two square elements:
// points 1..3 along the bottom, 4..6 along the top; point 1 fixed, point 4 held along x2.
// shift2 moves the bottom interior point 2 and shift5 the top interior point 5 along x2.
Job TwoElementPlate(double E, double nu, double t, double shift2 = 0.0, double shift5 = 0.0);
// Frame2D portal: columns of height H at x2 = 0 and x2 = B with fixed bases, a beam
// between their tops; columns and beam in n elements each.
Job Portal(int n, double H, double B, double E, double A, double I);
// Plane-stress cantilever wall of length L and depth D in nx x ny square-ish elements,
// clamped along x2 = 0.
Job PlaneWall(int nx, int ny, double L, double D, double E, double nu, double t);

}  // namespace linmodel
