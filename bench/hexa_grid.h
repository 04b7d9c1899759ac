// A box lattice of n1 x n2 x n3 eight-node hexahedra for the whole-run benchmarks: the
// points (the x index slowest, then y, then z) with the supports the caller gives each,
// and the elements in the same order, so that the first n2 n3 form the layer at x = 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "linear_model.h"
#include "support/datafile_writer.h"

struct HexaGrid {
  int n1 = 0, n2 = 0, n3 = 0;
  std::vector<int> points;
  int At(int I, int J, int K) const { return points[static_cast<size_t>((I * (n2 + 1) + J) * (n3 + 1) + K)]; }
};

// The lattice over [0, a1] x [0, a2] x [0, a3] with n1 x n2 x n3 elements. point(x1, x2,
// x3, I, J, K) adds a point and returns its number; the elements follow.
inline HexaGrid AddHexaBox(testmodel::Model& m, int n1, int n2, int n3, double a1, double a2, double a3,
                           const std::function<int(double, double, double, int, int, int)>& point) {
  HexaGrid g;
  g.n1 = n1;
  g.n2 = n2;
  g.n3 = n3;
  for (int I = 0; I <= n1; I++)
    for (int J = 0; J <= n2; J++)
      for (int K = 0; K <= n3; K++) g.points.push_back(point(a1 * I / n1, a2 * J / n2, a3 * K / n3, I, J, K));
  const int corner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (int a = 0; a < n1; a++)
    for (int b = 0; b < n2; b++)
      for (int c = 0; c < n3; c++) {
        std::vector<int32_t> nodes;
        for (const auto& s : corner) nodes.push_back(g.At(a + s[0], b + s[1], c + s[2]));
        testmodel::AddElement(m, nodes);
      }
  return g;
}

// The box of structural points; fixity(I, J, K) is the support string of a point.
inline HexaGrid AddHexaBox(linmodel::Job& j, int n1, int n2, int n3, double a1, double a2, double a3,
                           const std::function<std::string(int, int, int)>& fixity) {
  return AddHexaBox(j.model, n1, n2, n3, a1, a2, a3, [&](double x1, double x2, double x3, int I, int J, int K) {
    return linmodel::AddPoint3D(j, x1, x2, x3, linmodel::kSpaceMask, fixity(I, J, K));
  });
}

// The cube over [0, size]^3 in n x n x n elements.
inline HexaGrid AddHexaGrid(linmodel::Job& j, int n, double size,
                            const std::function<std::string(int, int, int)>& fixity) {
  return AddHexaBox(j, n, n, n, size, size, size, fixity);
}
