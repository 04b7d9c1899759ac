// Kernels of geometric nonlinearity shared by the plane-stress quadrilateral (dim 2) and
// the solid hexahedron (dim 3): the displacement-dependent Green strain matrix, the
// gradient matrix G and the stress matrix of the geometric stiffness G^T S G, the pull-back
// of a stress to the second Piola-Kirchhoff stress, the Green and logarithmic strains of a
// configuration and the rotation of its deformation gradient that carries a stress between
// configurations.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

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

// A fault of the iterate: a smaller step may leave the element whole. Named by the
// context line of the element and the sampling point, as a material point's fault.
[[noreturn]] void SingularGradient(int elem, int point, const char* context) {
  char line[160], at[48];
  std::snprintf(line, sizeof line, context, elem);
  std::snprintf(at, sizeof at, "   -> Sampling point: %d\n", point);
  IterateFault("\n" + std::string(line) + at,
               "The deformation gradient of the element is singular:\n"
               "the element is inverted or collapsed.");
}

// Eigenvalues lam and orthonormal eigenvectors (columns of V) of the symmetric dim x dim A
// by cyclic Jacobi rotations, to the last digit whatever the size of A.
void SymmetricEigen(int dim, double A[4][4], double lam[4], double V[4][4]) {
  for (int i = 1; i <= dim; i++)
    for (int j = 1; j <= dim; j++) V[i][j] = i == j ? 1.0 : 0.0;
  for (int sweep = 0; sweep < 60; sweep++) {
    double off = 0.0, diag = 0.0;
    for (int i = 1; i <= dim; i++) {
      diag += A[i][i] * A[i][i];
      for (int j = i + 1; j <= dim; j++) off += A[i][j] * A[i][j];
    }
    if (off == 0.0 || off <= 1e-36 * diag) break;
    for (int p = 1; p < dim; p++)
      for (int q = p + 1; q <= dim; q++) {
        if (A[p][q] == 0.0) continue;
        const double theta = (A[q][q] - A[p][p]) / (2.0 * A[p][q]);
        const double t = std::fabs(theta) > 1e150 ? 0.5 / theta
                                                  : (theta >= 0.0 ? 1.0 : -1.0) /
                                                        (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
        const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
        for (int k = 1; k <= dim; k++) {
          const double kp = A[k][p], kq = A[k][q];
          A[k][p] = c * kp - s * kq;
          A[k][q] = s * kp + c * kq;
        }
        for (int k = 1; k <= dim; k++) {
          const double pk = A[p][k], qk = A[q][k];
          A[p][k] = c * pk - s * qk;
          A[q][k] = s * pk + c * qk;
        }
        for (int k = 1; k <= dim; k++) {
          const double kp = V[k][p], kq = V[k][q];
          V[k][p] = c * kp - s * kq;
          V[k][q] = s * kp + c * kq;
        }
      }
  }
  for (int i = 1; i <= dim; i++) lam[i] = A[i][i];
}

// C - I = H + H^T + H^T H of the displacement gradient H: the digits of small strains kept.
void RightCauchyGreenLessI(int dim, int n, double** dNdX, double** U, double A[4][4]) {
  double H[4][4];
  DisplacementGradient(dim, n, dNdX, U, H);
  for (int a = 1; a <= dim; a++)
    for (int b = 1; b <= dim; b++) {
      double s = H[a][b] + H[b][a];
      for (int k = 1; k <= dim; k++) s += H[k][a] * H[k][b];
      A[a][b] = s;
    }
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
                        int point, const char* context) {
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
  if (!(J > 1e-8) || !invertd2(Fi, F, dim)) SingularGradient(elem, point, context);
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

void CalcLogStrain_NLMG(int dim, int n, double** dNdX, double** U, double* eps, int elem, int point,
                        const char* context) {
  // C - I = H + H^T + H^T H from the displacements keeps the digits of small strains; its
  // eigenvalues e give the principal stretches sqrt(1 + e), ln U = sum 1/2 ln(1 + e) n n^T.
  double A[4][4] = {}, V[4][4], lam[4];
  RightCauchyGreenLessI(dim, n, dNdX, U, A);
  SymmetricEigen(dim, A, lam, V);
  double f[4];
  for (int i = 1; i <= dim; i++) {
    if (!(lam[i] > -1.0 + 1e-12)) SingularGradient(elem, point, context);
    f[i] = 0.5 * std::log1p(lam[i]);
  }
  for (int c = 1; c <= Components(dim); c++) {
    int a, b;
    ComponentPair(dim, c, &a, &b);
    double s = 0.0;
    for (int i = 1; i <= dim; i++) s += f[i] * V[a][i] * V[b][i];
    eps[c] = a == b ? s : 2.0 * s;
  }
}

void CalcMat_DS_NLMG(int dim, int n, double** dNdX, double** U, const double* sigma, double** D, double** DS, int elem,
                     int point, const char* context, const SheetThinning* thin) {
  // In the principal axes V of C = U^2 (eigenvalues c = 1 + e): J = prod sqrt(c), U^-1 =
  // diag(c^-1/2); the derivatives of ln U = 1/2 ln C and of U^-1 by C take, off the
  // diagonal, the divided differences of their functions of c.
  double A[4][4] = {}, V[4][4], e[4];
  RightCauchyGreenLessI(dim, n, dNdX, U, A);
  SymmetricEigen(dim, A, e, V);
  double c[4], r[4], ui[4], J = 1.0, tf[4][4], tg[4][4];
  for (int i = 1; i <= dim; i++) {
    c[i] = 1.0 + e[i];
    if (!(c[i] > 1e-12)) SingularGradient(elem, point, context);
    r[i] = std::sqrt(c[i]);
    ui[i] = 1.0 / r[i];
    J *= r[i];
  }
  for (int i = 1; i <= dim; i++)
    for (int j = 1; j <= dim; j++) {
      tg[i][j] = -1.0 / (r[i] * r[j] * (r[i] + r[j]));
      if (i == j) {
        tf[i][j] = 0.5 / c[i];
        continue;
      }
      const double x = (e[i] - e[j]) / c[j];
      tf[i][j] = std::fabs(x) < 1e-6 ? 0.5 * (1.0 - x / 2.0 + x * x / 3.0) / c[j] : 0.5 * std::log1p(x) / (e[i] - e[j]);
    }
  // Turns a tensor into the principal axes (back: out of them).
  const auto turn = [dim, &V](const double in[4][4], double out[4][4], bool back) {
    for (int i = 1; i <= dim; i++)
      for (int j = 1; j <= dim; j++) {
        double s = 0.0;
        for (int a = 1; a <= dim; a++)
          for (int b = 1; b <= dim; b++) s += back ? V[i][a] * in[a][b] * V[j][b] : V[a][i] * in[a][b] * V[b][j];
        out[i][j] = s;
      }
  };
  const int nc = Components(dim);
  double T[4][4] = {}, Tp[4][4];
  for (int k = 1; k <= nc; k++) {
    int a, b;
    ComponentPair(dim, k, &a, &b);
    T[a][b] = T[b][a] = sigma[k];
  }
  turn(T, Tp, false);
  for (int k = 1; k <= nc; k++) {
    int a, b;
    ComponentPair(dim, k, &a, &b);
    // dC = 2 dE of a unit strain component (engineering shear: dE_ab = 1/2).
    double dC[4][4] = {}, dCp[4][4], dLp[4][4] = {}, dL[4][4], dT[4][4] = {}, dTp[4][4], dUp[4][4] = {}, dSp[4][4],
           dS[4][4];
    dC[a][b] = dC[b][a] = a == b ? 2.0 : 1.0;
    turn(dC, dCp, false);
    double dJ = 0.0;
    for (int i = 1; i <= dim; i++) {
      dJ += 0.5 * J * dCp[i][i] / c[i];
      for (int j = 1; j <= dim; j++) {
        dLp[i][j] = tf[i][j] * dCp[i][j];
        dUp[i][j] = tg[i][j] * dCp[i][j];
      }
    }
    turn(dLp, dL, true);
    double dl[7], ds[7];
    for (int m = 1; m <= nc; m++) {
      int p, q;
      ComponentPair(dim, m, &p, &q);
      dl[m] = p == q ? dL[p][q] : 2.0 * dL[p][q];
    }
    for (int m = 1; m <= nc; m++) {
      double s = 0.0;
      for (int q = 1; q <= nc; q++) s += D[m][q] * dl[q];
      ds[m] = s;
    }
    for (int m = 1; m <= nc; m++) {
      int p, q;
      ComponentPair(dim, m, &p, &q);
      dT[p][q] = dT[q][p] = ds[m];
    }
    turn(dT, dTp, false);
    for (int i = 1; i <= dim; i++)
      for (int j = 1; j <= dim; j++) {
        double s = dJ * ui[i] * Tp[i][j] * ui[j] + J * ui[i] * dTp[i][j] * ui[j];
        for (int m = 1; m <= dim; m++) s += J * (dUp[i][m] * Tp[m][j] * ui[j] + ui[i] * Tp[i][m] * dUp[m][j]);
        dSp[i][j] = s;
      }
    if (thin != nullptr) {
      // d ln J2 = tr d ln U; the sheet's S is lambda S2, d lambda = lambda d e33.
      const double de33 = thin->a * (dl[1] + dl[2]) + thin->b * (ds[1] + ds[2]);
      for (int i = 1; i <= dim; i++)
        for (int j = 1; j <= dim; j++) dSp[i][j] += de33 * J * ui[i] * Tp[i][j] * ui[j];
    }
    turn(dSp, dS, true);
    for (int m = 1; m <= nc; m++) {
      int p, q;
      ComponentPair(dim, m, &p, &q);
      DS[m][k] = dS[p][q];
    }
  }
  // The solvers take a symmetric matrix: the symmetric part of what the kinematics add.
  for (int i = 1; i <= nc; i++)
    for (int j = i + 1; j <= nc; j++) {
      const double add = 0.5 * ((DS[i][j] - D[i][j]) + (DS[j][i] - D[j][i]));
      DS[i][j] = D[i][j] + add;
      DS[j][i] = D[j][i] + add;
    }
  if (thin != nullptr)
    for (int i = 1; i <= nc; i++)
      for (int j = 1; j <= nc; j++) DS[i][j] *= thin->lambda;
}

void CalcPolarRotation_NLMG(int dim, int n, double** dNdX, double** U, double** R, int elem, int point,
                            const char* context) {
  double F[4][4];
  DeformationGradient(dim, n, dNdX, U, F);
  if (dim == 2) {
    // The rotation of F = R U in the plane in closed form.
    const double a = F[1][1] + F[2][2], b = F[2][1] - F[1][2], r = std::hypot(a, b);
    if (!(r > 1e-8)) SingularGradient(elem, point, context);
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
  if (!(detd2(R, dim) > 1e-8)) SingularGradient(elem, point, context);
  for (int it = 1; it <= 60; it++) {
    double **C, change = 0.0;
    allocd2(&C, dim, dim);
    copyd2(C, R, dim, dim);
    if (!invertd2(Ri, C, dim)) SingularGradient(elem, point, context);
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
