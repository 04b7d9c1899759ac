#include "support/element_driver.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "numcore/numcore.h"

namespace elemdrv {

Matrix::Matrix(int size) : n(size) {
  allocd2(&a, n, n);
  zerod2(a, n, n);
}
Matrix::~Matrix() { freed2(a); }
Vector::Vector(int size) : n(size) {
  allocd1(&v, n);
  zerod1(v, n);
}
Vector::~Vector() { freed1(v); }

ElementUnderTest ThroughRow(int type, const ElementCall& c, int dim, Nodes nodes, std::function<void()> restore) {
  ElementUnderTest e;
  e.n = c.n;
  e.dim = dim;
  e.nodes = std::move(nodes);
  const ElementBehaviourRow& row = ElementBehaviourOf(type);
  e.tangent = [type, c, &row](double** K) { RunElemMat(row.tangent, type, c, K); };
  e.force = [type, c, &row](const double* du, double* F) {
    ElementCall d = c;
    d.da = du;
    RunElemVec(row.forces, type, d, F);
  };
  e.restore = std::move(restore);
  return e;
}

double MaxAbs(double** K, int n) {
  double m = 0.0;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) m = std::max(m, std::fabs(K[i][j]));
  return m;
}

double TangentDifferenceError(const ElementUnderTest& e, double* du, double** K, double h) {
  Vector Fp(e.n), Fm(e.n);
  double worst = 0.0;
  for (int k = 1; k <= e.n; k++) {
    const double keep = du[k];
    e.restore();
    du[k] = keep + h;
    e.force(du, Fp.v);
    e.restore();
    du[k] = keep - h;
    e.force(du, Fm.v);
    du[k] = keep;
    for (int i = 1; i <= e.n; i++) worst = std::max(worst, std::fabs((Fp.v[i] - Fm.v[i]) / (2 * h) - K[i][k]));
  }
  e.restore();
  return worst;
}

std::vector<std::vector<double>> RigidBodyModes(const ElementUnderTest& e) {
  const size_t n = static_cast<size_t>(e.n) + 1, d = static_cast<size_t>(e.dim);
  std::vector<std::vector<double>> modes;
  for (size_t c = 1; c <= d; c++) {
    std::vector<double> r(n, 0.0);
    for (size_t a = 0; a < e.nodes.size(); a++) r[a * d + c] = 1.0;
    modes.push_back(r);
  }
  // Rotations about the axes normal to each pair of components (i, j): u_i = -x_j, u_j = x_i.
  const size_t pairs[3][2] = {{1, 2}, {2, 3}, {1, 3}};
  for (int p = 0; p < (d == 2 ? 1 : 3); p++) {
    std::vector<double> r(n, 0.0);
    const size_t i = pairs[p][0], j = pairs[p][1];
    double big = 0.0;
    for (size_t a = 0; a < e.nodes.size(); a++) {
      r[a * d + i] = -e.nodes[a][j - 1];
      r[a * d + j] = e.nodes[a][i - 1];
      big = std::max({big, std::fabs(e.nodes[a][i - 1]), std::fabs(e.nodes[a][j - 1])});
    }
    for (double& x : r) x /= big;
    modes.push_back(r);
  }
  return modes;
}

double RigidBodyResidual(const ElementUnderTest& e, double** K) {
  double worst = 0.0;
  for (const std::vector<double>& r : RigidBodyModes(e))
    for (int i = 1; i <= e.n; i++) {
      double s = 0.0;
      for (int j = 1; j <= e.n; j++) s += K[i][j] * r[static_cast<size_t>(j)];
      worst = std::max(worst, std::fabs(s));
    }
  return worst;
}

void LinearField(const ElementUnderTest& e, const double A[4][4], double* u) {
  for (size_t a = 0; a < e.nodes.size(); a++)
    for (int i = 1; i <= e.dim; i++) {
      double v = 0.0;
      for (int j = 1; j <= e.dim; j++) v += A[i][j] * e.nodes[a][static_cast<size_t>(j - 1)];
      u[static_cast<int>(a) * e.dim + i] = v;
    }
}

std::array<double, 6> Resultant(const ElementUnderTest& e, const double* F) {
  std::array<double, 6> R{};
  for (size_t a = 0; a < e.nodes.size(); a++) {
    const double* f = F + static_cast<int>(a) * e.dim;  // f[1..dim]
    const auto& x = e.nodes[a];
    for (int i = 1; i <= e.dim; i++) R[static_cast<size_t>(i - 1)] += f[i];
    if (e.dim == 2) {
      R[3] += x[0] * f[2] - x[1] * f[1];
    } else {
      R[3] += x[1] * f[3] - x[2] * f[2];
      R[4] += x[2] * f[1] - x[0] * f[3];
      R[5] += x[0] * f[2] - x[1] * f[1];
    }
  }
  return R;
}

}  // namespace elemdrv
