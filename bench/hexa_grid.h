// A cube lattice of n x n x n eight-node hexahedra for the whole-run benchmarks: the
// points (the x index slowest, then y, then z) with the supports the caller gives each,
// and the elements in the same order, so that the first n^2 form the layer at x = 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "linear_model.h"
#include "support/datafile_writer.h"

struct HexaGrid {
  int n = 0;
  std::vector<int> points;
  int At(int I, int J, int K) const { return points[static_cast<size_t>((I * (n + 1) + J) * (n + 1) + K)]; }
};

// The lattice over [0, size]^3; fixity(I, J, K) is the support string of a point.
inline HexaGrid AddHexaGrid(linmodel::Job& j, int n, double size,
                            const std::function<std::string(int, int, int)>& fixity) {
  HexaGrid g;
  g.n = n;
  for (int I = 0; I <= n; I++)
    for (int J = 0; J <= n; J++)
      for (int K = 0; K <= n; K++)
        g.points.push_back(linmodel::AddPoint3D(j, size * I / n, size * J / n, size * K / n, linmodel::kSpaceMask,
                                                fixity(I, J, K)));
  const int corner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (int a = 0; a < n; a++)
    for (int b = 0; b < n; b++)
      for (int c = 0; c < n; c++) {
        std::vector<int32_t> nodes;
        for (const auto& s : corner) nodes.push_back(g.At(a + s[0], b + s[1], c + s[2]));
        testmodel::AddElement(j.model, nodes);
      }
  return g;
}
