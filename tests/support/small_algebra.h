// The 3 x 3 algebra of the tests that turn, shift or measure a model: vectors,
// matrices, their products and rotations.
#pragma once

#include <array>
#include <cmath>

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<Vec3, 3>;

inline Mat3 Mul(const Mat3& A, const Mat3& B) {
  Mat3 C{};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++)
      for (int k = 0; k < 3; k++) C[i][j] += A[i][k] * B[k][j];
  return C;
}

// R x + shift.
inline Vec3 Apply(const Mat3& R, const Vec3& x, const Vec3& shift = {0, 0, 0}) {
  Vec3 y{};
  for (int i = 0; i < 3; i++) y[i] = R[i][0] * x[0] + R[i][1] * x[1] + R[i][2] * x[2] + shift[i];
  return y;
}

inline Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Rotation by the angle a about the unit axis n.
inline Mat3 Turn(const Vec3& n, double a) {
  const double c = std::cos(a), s = std::sin(a);
  const Mat3 K = {{{0.0, -n[2], n[1]}, {n[2], 0.0, -n[0]}, {-n[1], n[0], 0.0}}};
  Mat3 R{};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) R[i][j] = (i == j ? c : 0.0) + s * K[i][j] + (1.0 - c) * n[i] * n[j];
  return R;
}
