// Time integration of the uncoupled modal equations (Newmark's rule, or the Duhamel
// integral with the exact free vibration) and the static responses of the load cases
// used by the static correction and the mode-acceleration recovery.
#include <cmath>
#include <complex>

#include "loads/loads.h"
#include "modal/vibration_modes.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void IntegrateModalNewmark(int nSteps, int nModes, double beta, double gamma, double** acc, const double* xi,
                           double** q, double** f, const double* omega, const double* acc0, const double* q0,
                           const double* vel0, double** vel, const double* dt) {
  const double gb = gamma / beta;
  for (int i = 1; i <= nModes; i++) {
    const double c = 2.0 * xi[i] * omega[i], k = omega[i] * omega[i];
    double u = q0[i], v = vel0[i], a = acc0[i];
    for (int s = 1; s <= nSteps; s++) {
      const double h = dt[s];
      const double rhs = f[s][i] + u / (beta * h * h) + v / (beta * h) + (1.0 / (2.0 * beta) - 1.0) * a +
                         c * (gb * u / h + (gb - 1.0) * v + (gamma / (2.0 * beta) - 1.0) * h * a);
      const double kEff = 1.0 / (beta * h * h) + c * gb / h + k;
      const double uNew = rhs / kEff, du = uNew - u;
      const double vNew = gb * du / h + (1.0 - gb) * v + (1.0 - gamma / (2.0 * beta)) * h * a;
      const double aNew = du / (beta * h * h) - v / (beta * h) - (1.0 / (2.0 * beta) - 1.0) * a;
      u = uNew;
      v = vNew;
      a = aNew;
      q[s][i] = u;
      vel[s][i] = v;
      acc[s][i] = a;
    }
  }
}

// With the unit impulse response h(s) = e^{sigma s} sin(wd s) / wd = Im(e^{z s}) / wd,
// z = sigma + i wd, the trapezoidal sum Z_k = sum_j w_j f_j e^{z (t_k - tau_j)} obeys
//   Z_k = e^{z dt_k} Z_{k-1} + dt_k / 2 (e^{z dt_k} f_{k-1} + f_k),   Z_0 = 0,
// and gives the forced displacement Im(Z_k) / wd and velocity Im(z Z_k) / wd (h'(0) = 1).
void IntegrateModalDuhamel(int nSteps, int nModes, double** acc, const double* xi, double** q, double** f,
                           const double* omega, const double* acc0, const double* q0, const double* vel0,
                           double** vel, const double* dt) {
  for (int i = 1; i <= nModes; i++) {
    const double w = omega[i], x = xi[i];
    if (!(x >= 0.0 && x < 1.0 && w > 0.0)) InternalError(__FILE__, __LINE__);
    const double wd = w * std::sqrt(1.0 - x * x), sigma = -x * w;
    const std::complex<double> z(sigma, wd);
    const double c1 = q0[i], c2 = (vel0[i] + x * w * q0[i]) / wd;
    double fOld = acc0[i] + 2.0 * x * w * vel0[i] + w * w * q0[i];
    std::complex<double> Z(0.0, 0.0);
    double t = 0.0;
    for (int s = 1; s <= nSteps; s++) {
      const double h = dt[s];
      t += h;
      const std::complex<double> e = std::exp(z * h);
      Z = e * Z + 0.5 * h * (e * fOld + f[s][i]);
      fOld = f[s][i];
      const double decay = std::exp(sigma * t), cs = std::cos(wd * t), sn = std::sin(wd * t);
      const double u = decay * (c1 * cs + c2 * sn) + Z.imag() / wd;
      const double v = decay * ((sigma * c1 + wd * c2) * cs + (sigma * c2 - wd * c1) * sn) + (z * Z).imag() / wd;
      q[s][i] = u;
      vel[s][i] = v;
      // The equation of motion at t_k.
      acc[s][i] = f[s][i] - 2.0 * x * w * v - w * w * u;
    }
  }
}

void CalcStaticModalInit(const MeshData* mesh, int** PointDofNumbers, char** PointDofCodes, const SparseRowMatrix* K,
                         int nLC, double** F, double** S) {
  const int nF = K->n;
  ModalSolver s{};
  FactorModalMatrixOrStop(ModalSolverPathOf(mesh->Main.LinEqAlgorithm), mesh->Main.PrecondResidualDecay, K->count,
                          K->cols, K->vals, nF, "Stiff matrix not positive definite",
                          "Stiff Matrix not positive definite", &s);
  double* u;
  allocd1(&u, nF);
  for (int lc = 1; lc <= nLC; lc++) {
    SolveModalMatrix(&s, u, F[lc]);
    Calc_a_FreeMasterSlave(mesh, PointDofNumbers, u, PointDofCodes);
    setcold2(S, u, nF, lc);
  }
  freed1(u);
  FreeModalSolver(&s);
}
