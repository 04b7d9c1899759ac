// Inverse isoparametric mapping: the natural coordinates of a global point by Newton's
// method, for elements whose natural space fills the global space (General), for
// quadrilateral surfaces in space and for lines (nearest point, Quad and Line).
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "elements/kernel.h"
#include "elements/locate.h"
#include "numcore/numcore.h"

namespace {

constexpr double kStart = 0.1;
constexpr double kConvTol = 1e-8;
constexpr double kDivergence = 1e8;

// A Newton step that cannot be formed ends the run with the caller's text.
[[noreturn]] void StepFailure(const char* failMsg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n%s\n\n", failMsg);
  std::exit(1);
}

// NaN counts as not converged.
bool ResidualConverged(const double* r, int n) {
  for (int i = 1; i <= n; i++)
    if (!(std::fabs(r[i]) < kConvTol)) return false;
  return true;
}

bool Diverged(const double* s, int n) {
  for (int i = 1; i <= n; i++)
    if (std::fabs(s[i]) > kDivergence) return true;
  return false;
}

// Quadrilateral or hexahedron functions of the General variant, by type code.
bool GeneralUsesQuad(int typeCode, const char* file, int line) {
  switch (typeCode) {
    case _PLANE_STRESS_QUAD:
    case _PLANE_STRAIN_QUAD:
    case _MINDLIN_SLAB_QUAD:
    case _MINDLIN_SHELL_QUAD:
      return true;
    case _SOLID_HEXA:
      return false;
    default:
      InternalError(file, line);
  }
}

// x = X^T N (dim entries).
void MapPoint(int dim, int nNodes, double** X, const double* N, double* x) { multtd2d1(x, X, N, dim, nNodes); }

}  // namespace

// ---- General --------------------------------------------------------------------------

void CalcResid_x_to_s_General(int typeCode, int n, int nNodes, double* r, const double* s, double** X,
                              const double* x_t) {
  const bool quad = GeneralUsesQuad(typeCode, __FILE__, __LINE__);
  double* N;
  allocd1(&N, nNodes);
  if (quad)
    CalcShapeFuncQuad(nNodes, N, s);
  else
    CalcShapeFuncSolidHexa(nNodes, N, s);
  MapPoint(n, nNodes, X, N, r);
  for (int i = 1; i <= n; i++) r[i] -= x_t[i];
  freed1(N);
}

void Calc_Delta_s_x_to_s_General(int typeCode, int n, int nNodes, const char* failMsg, double* ds, const double* r,
                                 const double* s, double** X) {
  const bool quad = GeneralUsesQuad(typeCode, __FILE__, __LINE__);
  double **dN, **J, *rhs;
  allocd2(&dN, nNodes, n);
  allocd2(&J, n, n);
  allocd1(&rhs, n);
  if (quad)
    CalcShapeFuncDerivQuad(nNodes, dN, s);
  else
    CalcShapeFuncDerivSolidHexa(nNodes, dN, s);
  CalcMat_Jacobian(nNodes, n, n, X, dN, J);
  for (int i = 1; i <= n; i++) rhs[i] = -r[i];
  const bool ok = linsolved2(J, ds, rhs, n);
  freed1(rhs);
  freed2(J);
  freed2(dN);
  if (!ok) StepFailure(failMsg);
}

bool Calc_x_to_s_General(int typeCode, int maxIter, int n, int nNodes, const char* failMsg, double* s, double** X,
                         const double* x_t) {
  bool success = true;
  double *r, *ds;
  allocd1(&r, n);
  allocd1(&ds, n);
  for (int i = 1; i <= n; i++) s[i] = kStart;
  for (int k = 0;;) {
    CalcResid_x_to_s_General(typeCode, n, nNodes, r, s, X, x_t);
    if (ResidualConverged(r, n)) break;
    if (++k > maxIter) {
      success = false;
      break;
    }
    Calc_Delta_s_x_to_s_General(typeCode, n, nNodes, failMsg, ds, r, s, X);
    for (int i = 1; i <= n; i++) s[i] += ds[i];
    if (Diverged(s, n)) {
      success = false;
      break;
    }
  }
  freed1(ds);
  freed1(r);
  return success;
}

// ---- Quad: nearest point of a quadrilateral surface -------------------------------------

// r = J^T (x(s) - x_t).
void CalcResid_x_to_s_Quad(int dim, int nNodes, double* r, const double* s, double** X, const double* x_t) {
  double *N, **dN, **J, *e;
  allocd1(&N, nNodes);
  allocd2(&dN, nNodes, 2);
  allocd2(&J, dim, 2);
  allocd1(&e, dim);
  CalcShapeFuncQuad(nNodes, N, s);
  CalcShapeFuncDerivQuad(nNodes, dN, s);
  MapPoint(dim, nNodes, X, N, e);
  for (int i = 1; i <= dim; i++) e[i] -= x_t[i];
  CalcMat_Jacobian(nNodes, dim, 2, X, dN, J);
  multtd2d1(r, J, e, 2, dim);
  freed1(e);
  freed2(J);
  freed2(dN);
  freed1(N);
}

// Newton step on the stationarity of |x(s) - x_t|^2 / 2: H ds = -r with
// H = J^T J + (x_,ab . e). r is negated in place.
void Calc_Delta_s_x_to_s_Quad(int dim, int nNodes, const char* failMsg, double* ds, double* r, const double* s,
                              double** X, const double* x_t) {
  double *N, **dN, **J, *e, *d11, *d12, *d22, *x11, *x12, *x22, **H;
  allocd1(&N, nNodes);
  allocd2(&dN, nNodes, 2);
  allocd2(&J, dim, 2);
  allocd1(&e, dim);
  allocd1(&d11, nNodes);
  allocd1(&d12, nNodes);
  allocd1(&d22, nNodes);
  allocd1(&x11, dim);
  allocd1(&x12, dim);
  allocd1(&x22, dim);
  allocd2(&H, 2, 2);
  CalcShapeFuncQuad(nNodes, N, s);
  CalcShapeFuncDerivQuad(nNodes, dN, s);
  CalcShapeFuncDeriv2Quad_ds1_ds1(nNodes, d11, s);
  CalcShapeFuncDeriv2Quad_ds1_ds2(nNodes, d12, s);
  CalcShapeFuncDeriv2Quad_ds2_ds2(nNodes, d22, s);
  MapPoint(dim, nNodes, X, N, e);
  for (int i = 1; i <= dim; i++) e[i] -= x_t[i];
  CalcMat_Jacobian(nNodes, dim, 2, X, dN, J);
  MapPoint(dim, nNodes, X, d11, x11);
  MapPoint(dim, nNodes, X, d12, x12);
  MapPoint(dim, nNodes, X, d22, x22);
  multtd2d2(H, J, J, 2, dim, 2);
  H[1][1] += dotd1(x11, e, dim);
  H[1][2] += dotd1(x12, e, dim);
  H[2][2] += dotd1(x22, e, dim);
  H[2][1] = H[1][2];
  for (int i = 1; i <= 2; i++) r[i] = -r[i];
  const bool ok = linsolved2(H, ds, r, 2);
  freed2(H);
  freed1(x22);
  freed1(x12);
  freed1(x11);
  freed1(d22);
  freed1(d12);
  freed1(d11);
  freed1(e);
  freed2(J);
  freed2(dN);
  freed1(N);
  if (!ok) StepFailure(failMsg);
}

double CalcDist_x_to_s_Quad(int dim, int nNodes, const double* s, double** X, const double* x_t) {
  double *N, *e;
  allocd1(&N, nNodes);
  allocd1(&e, dim);
  CalcShapeFuncQuad(nNodes, N, s);
  MapPoint(dim, nNodes, X, N, e);
  for (int i = 1; i <= dim; i++) e[i] -= x_t[i];
  const double dist = normd1(e, dim);
  freed1(e);
  freed1(N);
  return dist;
}

bool Calc_x_to_s_Quad(int dim, int maxIter, int n, int nNodes, const char* failMsg, double* dist, double* s,
                      double** X, const double* x_t) {
  if (n != 2) InternalError(__FILE__, __LINE__);
  bool success = true;
  double r[3], ds[3];
  s[1] = s[2] = kStart;
  for (int k = 0;;) {
    CalcResid_x_to_s_Quad(dim, nNodes, r, s, X, x_t);
    if (ResidualConverged(r, 2)) break;
    if (++k > maxIter) {
      success = false;
      break;
    }
    Calc_Delta_s_x_to_s_Quad(dim, nNodes, failMsg, ds, r, s, X, x_t);
    s[1] += ds[1];
    s[2] += ds[2];
    if (Diverged(s, 2)) {
      success = false;
      break;
    }
  }
  *dist = CalcDist_x_to_s_Quad(dim, nNodes, s, X, x_t);
  return success;
}

// ---- Line: nearest point of a curve -----------------------------------------------------

namespace {

// Point, tangent and second derivative of the curve at s.
void LineGeometry(int dim, int nNodes, double s, double** X, double* x, double* t, double* xss) {
  double *N, *dN, *d2N;
  allocd1(&N, nNodes);
  allocd1(&dN, nNodes);
  allocd1(&d2N, nNodes);
  CalcShapeFuncLine(nNodes, s, N);
  CalcShapeFuncDerivLine(nNodes, s, dN);
  CalcShapeFuncDeriv2Line(nNodes, s, d2N);
  MapPoint(dim, nNodes, X, N, x);
  MapPoint(dim, nNodes, X, dN, t);
  MapPoint(dim, nNodes, X, d2N, xss);
  freed1(d2N);
  freed1(dN);
  freed1(N);
}

}  // namespace

// r = t . (x(s) - x_t).
double CalcResid_x_to_s_Line(int dim, int nNodes, double s, double** X, const double* x_t) {
  double x[4], t[4], xss[4];
  if (dim < 1 || dim > 3) InternalError(__FILE__, __LINE__);
  LineGeometry(dim, nNodes, s, X, x, t, xss);
  double r = 0.0;
  for (int i = 1; i <= dim; i++) r += t[i] * (x[i] - x_t[i]);
  return r;
}

double Calc_Delta_s_x_to_s_Line(int dim, int nNodes, const char* failMsg, double r, double s, double** X,
                                const double* x_t) {
  double x[4], t[4], xss[4];
  if (dim < 1 || dim > 3) InternalError(__FILE__, __LINE__);
  LineGeometry(dim, nNodes, s, X, x, t, xss);
  double h = 0.0;
  for (int i = 1; i <= dim; i++) h += t[i] * t[i] + xss[i] * (x[i] - x_t[i]);
  if (!(std::fabs(h) >= kConvTol)) StepFailure(failMsg);
  return -r / h;
}

double CalcDist_x_to_s_Line(int dim, int nNodes, double s, double** X, const double* x_t) {
  double x[4], t[4], xss[4];
  if (dim < 1 || dim > 3) InternalError(__FILE__, __LINE__);
  LineGeometry(dim, nNodes, s, X, x, t, xss);
  for (int i = 1; i <= dim; i++) x[i] -= x_t[i];
  return normd1(x, dim);
}

bool Calc_x_to_s_Line(int dim, int maxIter, int nNodes, double* s, double* dist, const char* failMsg, double** X,
                      const double* x_t) {
  bool success = true;
  double sv = kStart;
  for (int k = 0;;) {
    const double r = CalcResid_x_to_s_Line(dim, nNodes, sv, X, x_t);
    if (std::fabs(r) < kConvTol) break;
    if (++k > maxIter) {
      success = false;
      break;
    }
    sv += Calc_Delta_s_x_to_s_Line(dim, nNodes, failMsg, r, sv, X, x_t);
    if (std::fabs(sv) > kDivergence) {
      success = false;
      break;
    }
  }
  *dist = CalcDist_x_to_s_Line(dim, nNodes, sv, X, x_t);
  *s = sv;
  return success;
}
