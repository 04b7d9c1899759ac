// Hand-built slab and shell elements for the load tests: a rectangle of 4 or 9 nodes
// turned by a rotation.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "load_fixture.h"
#include "support/hand_mesh.h"

namespace shell_fixture {

inline const double kS9[10][2] = {{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};
inline const double kS4[5][2] = {{0, 0}, {-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

// Element of nn nodes on the rectangle [0, a] x [0, b] turned by Q (rows of Q: images
// of the axes as columns), straight sides.
inline int Rect(HandMesh& h, int nn, double a, double b, const double Q[4][4], int prop) {
  std::vector<int> list;
  for (int k = 1; k <= nn; k++) {
    const double* s = nn == 4 ? kS4[k] : kS9[k];
    const double x[3] = {a * (s[0] + 1) / 2, b * (s[1] + 1) / 2, 0.0};
    double y[3];
    for (int i = 0; i < 3; i++) y[i] = Q[i + 1][1] * x[0] + Q[i + 1][2] * x[1] + Q[i + 1][3] * x[2];
    list.push_back(h.AddPoint(y[0], y[1], y[2]));
  }
  return h.AddElement(list, prop);
}

inline const double kId[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

inline void TurnQ(double Q[4][4]) {
  const double a = 0.7, b = 0.4;
  const double Rz[4][4] = {{0, 0, 0, 0}, {0, std::cos(a), -std::sin(a), 0}, {0, std::sin(a), std::cos(a), 0}, {0, 0, 0, 1}};
  const double Rx[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, std::cos(b), -std::sin(b)}, {0, 0, std::sin(b), std::cos(b)}};
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) {
      Q[i][j] = 0.0;
      for (int k = 1; k <= 3; k++) Q[i][j] += Rx[i][k] * Rz[k][j];
    }
}

}  // namespace shell_fixture

using shell_fixture::kId;
using shell_fixture::Rect;
using shell_fixture::TurnQ;
