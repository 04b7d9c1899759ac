// Kernels of geometric nonlinearity shared by the plane-stress quadrilateral (dim 2) and
// the solid hexahedron (dim 3): the displacement-dependent Green strain matrix, the
// gradient matrix G and the stress matrix of the geometric stiffness G^T S G, the pull-back
// of a stress to the second Piola-Kirchhoff stress, the Green strain of a configuration and
// the rotation of its deformation gradient that carries a stress between configurations.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "numcore/numcore.h"

namespace {

// Tensor indices (a, b) of strain component c: (11, 22, 12) in the plane and
// (11, 22, 33, 23, 13, 12) in the solid.
void ComponentPair(int dim, int c, int* a, int* b) {
  static const int k2[4][2] = {{0, 0}, {1, 1}, {2, 2}, {1, 2}};
  static const int k3[7][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {2, 3}, {1, 3}, {1, 2}};
  if (dim == 2) {
    *a = k2[c][0];
    *b = k2[c][1];
  } else if (dim == 3) {
    *a = k3[c][0];
    *b = k3[c][1];
  } else {
    InternalError(__FILE__, __LINE__);
  }
}

int Components(int dim) { return dim == 2 ? 3 : 6; }

// H = U^T dNdX (dim x dim, 1-based) of the nodal displacements U from the reference: taken
// from the displacements, not from the moved coordinates, so that small strains keep their
// digits; F = I + H.
void DisplacementGradient(int dim, int n, double** dNdX, double** U, double H[4][4]) {
  for (int i = 1; i <= dim; i++)
    for (int j = 1; j <= dim; j++) {
      double s = 0.0;
      for (int k = 1; k <= n; k++) s += U[k][i] * dNdX[k][j];
      H[i][j] = s;
    }
}

void DeformationGradient(int dim, int n, double** dNdX, double** U, double F[4][4]) {
  DisplacementGradient(dim, n, dNdX, U, F);
  for (int i = 1; i <= dim; i++) F[i][i] += 1.0;
}

[[noreturn]] void SingularGradient(int elem, const char* context) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, context, elem);
  errexit("The deformation gradient of the element is singular:\n"
          "the element is inverted or collapsed.",
          0);
}

}  // namespace

void CalcMat_BNL_NLMG(double** BNL, double** dNdX, double** U, int n, int dim) {
  double H[4][4];
  DisplacementGradient(dim, n, dNdX, U, H);
  const int nc = Components(dim);
  for (int k = 1; k <= n; k++)
    for (int i = 1; i <= dim; i++) {
      const int col = dim * (k - 1) + i;
      for (int c = 1; c <= nc; c++) {
        int a, b;
        ComponentPair(dim, c, &a, &b);
        // d(H^T H)_ab of dH_i. = dN_k: H_ia N_k,b + H_ib N_k,a (once on the diagonal).
        BNL[c][col] = a == b ? H[i][a] * dNdX[k][b] : H[i][a] * dNdX[k][b] + H[i][b] * dNdX[k][a];
      }
    }
}

void CalcMat_G_NLMG(int n, int dim, double** G, double** dNdX) {
  for (int k = 1; k <= n; k++)
    for (int i = 1; i <= dim; i++)
      for (int j = 1; j <= dim; j++) G[dim * (i - 1) + j][dim * (k - 1) + i] = dNdX[k][j];
}

void StressVecToTensor(int dim, const double* sigma, double** T) {
  for (int c = 1; c <= Components(dim); c++) {
    int a, b;
    ComponentPair(dim, c, &a, &b);
    T[a][b] = sigma[c];
    T[b][a] = sigma[c];
  }
}

void CalcMat_S_NLMG(int dim, double** T, double** S) {
  for (int blk = 0; blk < dim; blk++)
    for (int a = 1; a <= dim; a++)
      for (int b = 1; b <= dim; b++) S[blk * dim + a][blk * dim + b] = T[a][b];
}

void CalcStressPK2_NLMG(int dim, int n, double** dNdX, double** U, double* S, const double* sigma, int elem,
                        const char* context) {
  double Fa[4][4];
  DeformationGradient(dim, n, dNdX, U, Fa);
  double **F, **Fi, **T, **P;
  allocd2(&F, dim, dim);
  allocd2(&Fi, dim, dim);
  allocd2(&T, dim, dim);
  allocd2(&P, dim, dim);
  for (int i = 1; i <= dim; i++)
    for (int j = 1; j <= dim; j++) F[i][j] = Fa[i][j];
  const double J = detd2(F, dim);
  if (!(J > 1e-8) || !invertd2(Fi, F, dim)) SingularGradient(elem, context);
  StressVecToTensor(dim, sigma, T);
  // P = J F^-1 T F^-T.
  for (int i = 1; i <= dim; i++)
    for (int j = 1; j <= dim; j++) {
      double s = 0.0;
      for (int a = 1; a <= dim; a++)
        for (int b = 1; b <= dim; b++) s += Fi[i][a] * T[a][b] * Fi[j][b];
      P[i][j] = J * s;
    }
  for (int c = 1; c <= Components(dim); c++) {
    int a, b;
    ComponentPair(dim, c, &a, &b);
    S[c] = P[a][b];
  }
  freed2(P);
  freed2(T);
  freed2(Fi);
  freed2(F);
}

void CalcGreenStrain_NLMG(int dim, int n, double** dNdX, double** U, double* E) {
  double H[4][4];
  DisplacementGradient(dim, n, dNdX, U, H);
  for (int c = 1; c <= Components(dim); c++) {
    int a, b;
    ComponentPair(dim, c, &a, &b);
    // 1/2 (H + H^T + H^T H)_ab, engineering shear off the diagonal.
    double s = H[a][b] + H[b][a];
    for (int k = 1; k <= dim; k++) s += H[k][a] * H[k][b];
    E[c] = a == b ? 0.5 * s : s;
  }
}

void CalcPolarRotation_NLMG(int dim, int n, double** dNdX, double** U, double** R, int elem, const char* context) {
  double F[4][4];
  DeformationGradient(dim, n, dNdX, U, F);
  if (dim == 2) {
    // The rotation of F = R U in the plane in closed form.
    const double a = F[1][1] + F[2][2], b = F[2][1] - F[1][2], r = std::hypot(a, b);
    if (!(r > 1e-8)) SingularGradient(elem, context);
    R[1][1] = R[2][2] = a / r;
    R[2][1] = b / r;
    R[1][2] = -b / r;
    return;
  }
  // Newton's iteration R <- (R + R^-T) / 2 from R = F, quadratic near a rotation.
  double** Ri;
  allocd2(&Ri, dim, dim);
  for (int i = 1; i <= dim; i++)
    for (int j = 1; j <= dim; j++) R[i][j] = F[i][j];
  if (!(detd2(R, dim) > 1e-8)) SingularGradient(elem, context);
  for (int it = 1; it <= 60; it++) {
    double **C, change = 0.0;
    allocd2(&C, dim, dim);
    copyd2(C, R, dim, dim);
    if (!invertd2(Ri, C, dim)) SingularGradient(elem, context);
    freed2(C);
    for (int i = 1; i <= dim; i++)
      for (int j = 1; j <= dim; j++) {
        const double v = 0.5 * (R[i][j] + Ri[j][i]);
        change = std::max(change, std::fabs(v - R[i][j]));
        R[i][j] = v;
      }
    if (change < 1e-15) break;
  }
  freed2(Ri);
}

void RotateStress_NLMG(int dim, double** R, bool back, const double* in, double* out) {
  double T[4][4] = {}, P[4][4] = {};
  for (int c = 1; c <= Components(dim); c++) {
    int a, b;
    ComponentPair(dim, c, &a, &b);
    T[a][b] = T[b][a] = in[c];
  }
  // back: R^T T R, else R T R^T.
  for (int i = 1; i <= dim; i++)
    for (int j = 1; j <= dim; j++)
      for (int a = 1; a <= dim; a++)
        for (int b = 1; b <= dim; b++)
          P[i][j] += back ? R[a][i] * T[a][b] * R[b][j] : R[i][a] * T[a][b] * R[j][b];
  for (int c = 1; c <= Components(dim); c++) {
    int a, b;
    ComponentPair(dim, c, &a, &b);
    out[c] = P[a][b];
  }
}
