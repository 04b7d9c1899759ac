// Element geometry: nodal coordinates, member length, unit normals and tangents, and the
// Jacobian of the isoparametric map with the shared messages for degenerate elements.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "numcore/numcore.h"

const char* const kCtxStiffness = "Calculating the stiffness matrix of element n. %d\n";
const char* const kCtxIntForces = "Calculating the internal equivalent nodal forces of element n. %d\n";

namespace {

[[noreturn]] void ElementFailure(const char* context, int elem, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, context, elem);
  errexit(msg, 0);
}

}  // namespace

void CalcMat_ElemNodeCoord(int elem, int typeCode, int n, int** elemNodes, double** X, double** pointCoords) {
  const char* mask = GetElementTypeInfo(typeCode).coordMask;
  for (int k = 1; k <= n; k++) {
    const double* x = pointCoords[elemNodes[elem][k]];
    int c = 0;
    for (int j = 1; j <= 3; j++)
      if (mask[j] == '1') X[k][++c] = x[j];
  }
}

void CalcMat_ElemNodeCoordXYZ(int elem, int n, int** elemNodes, double** X, double** pointCoords) {
  for (int k = 1; k <= n; k++) {
    const double* x = pointCoords[elemNodes[elem][k]];
    for (int j = 1; j <= 3; j++) X[k][j] = x[j];
  }
}

void CalcLengthElement(int elem, double* L, int** elemNodes, double** pointCoords) {
  const double* a = pointCoords[elemNodes[elem][1]];
  const double* b = pointCoords[elemNodes[elem][2]];
  double d[4];
  for (int j = 1; j <= 3; j++) d[j] = b[j] - a[j];
  *L = normd1(d, 3);
}

bool JacobianIsNull(double det, int d, int m, double** J) {
  double product = 1.0, shortest = 0.0, longest = 0.0;
  for (int b = 1; b <= m; b++) {
    double sq = 0.0;
    for (int a = 1; a <= d; a++) sq += J[a][b] * J[a][b];
    const double len = std::sqrt(sq);
    product *= len;
    if (b == 1 || len < shortest) shortest = len;
    if (len > longest) longest = len;
  }
  // Written so that a NaN determinant and coincident nodes (a zero product) are null too;
  // an edge direction of rounding length against the longest one is collapsed.
  return !(std::fabs(det) > kSmall * product) || !(shortest > kSmall * longest);
}

void CalcVectNormalElem(int elem, int dim, int n, double* normal, const double* s, double** X) {
  if (dim != 2) InternalError(__FILE__, __LINE__);
  double **dN, **J;
  allocd2(&dN, n, 2);
  allocd2(&J, 3, 2);
  CalcShapeFuncDerivQuad(n, dN, s);
  multtd2d2(J, X, dN, 3, n, 2);
  double g1[4], g2[4];
  getcold2(g1, J, 3, 1);
  getcold2(g2, J, 3, 2);
  crossd1(normal, g1, g2);
  const double norm = normd1(normal, 3);
  const bool null = JacobianIsNull(norm, 3, 2, J);
  freed2(J);
  freed2(dN);
  if (null)
    ElementFailure("Calculating the vector that is normal to the element n. %d\n", elem,
                   "The element is too distorted and must be changed.");
  for (int i = 1; i <= 3; i++) normal[i] /= norm;  // a small element's normal is short, not null
}

void CalcVectTangentElem(int d, int elem, int n, double s, double* t, double** X) {
  if (d != 2 && d != 3) InternalError(__FILE__, __LINE__);
  double* dN;
  allocd1(&dN, n);
  CalcShapeFuncDerivLine(n, s, dN);
  multtd2d1(t, X, dN, d, n);
  freed1(dN);
  if (!(normd1(t, d) >= kSmall))
    ElementFailure("Calculating the vector that is tangent to the element n. %d\n", elem,
                   "The element is too distorted and must be changed.");
  normalized1(t, d);
}

void CalcMat_Jacobian(int n, int d, int m, double** X, double** dN, double** J) { multtd2d2(J, X, dN, d, n, m); }

double CalcInvJacobian(int elem, const char* context, int m, double** J, double** Jinv) {
  if (m < 1 || m > 3) InternalError(__FILE__, __LINE__);
  const double det = detd2(J, m);
  if (JacobianIsNull(det, m, m, J))
    ElementFailure(context, elem,
                   "Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed.");
  if (det < 0.0)
    ElementFailure(context, elem,
                   "Jacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed.");
  // The inversion works on a copy: J stays available to the caller.
  double buf[4][4];
  double* W[4] = {nullptr, buf[1], buf[2], buf[3]};
  copyd2(W, J, m, m);
  if (!invertd2(Jinv, W, m))
    ElementFailure(context, elem,
                   "Unable to invert the Jacobian matrix:\nelement geometry and/or mesh connectivity must be changed.");
  return det;
}

void CalcCartesianDeriv(int n, int m, double** dN, double** Jinv, double** dNdx) { multd2d2(dNdx, dN, Jinv, n, m, m); }

double CalcPointCartesianDeriv(int elem, const char* context, int n, int m, double** X, double** dN, double** J,
                               double** Jinv, double** dNdx) {
  return PointCartesianDerivWith(n, m, X, dN, J, Jinv, dNdx, [&](double** Jm, double** Ji) {
    return CalcInvJacobian(elem, context, m, Jm, Ji);
  });
}

double CalcLineJacobianNorm(int elem, const char* context, int n, int d, double s, double** X) {
  if (d < 1 || d > 3 || n < 2 || n > 3) InternalError(__FILE__, __LINE__);
  double dN[4], g[4];
  CalcShapeFuncDerivLine(n, s, dN);
  multtd2d1(g, X, dN, d, n);
  const double norm = normd1(g, d);
  if (!(norm >= kSmall))
    ElementFailure(context, elem,
                   "Jacobian norm is null:\nelement geometry and/or mesh connectivity must be changed.");
  return norm;
}
