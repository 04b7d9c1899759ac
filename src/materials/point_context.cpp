// Fatal messages of the material laws with the context of their sampling point.
#include "materials/point_context.h"

#include <cstdio>

#include "numcore/numcore.h"

void PrintPointContext(const PointContext& c) {
  std::fprintf(stderr, "   -> Combination: %d\n", c.combination);
  std::fprintf(stderr, "   -> Iteration: %d\n", c.iteration);
  std::fprintf(stderr, "   -> Element: %d\n", c.element);
  std::fprintf(stderr, "   -> Sampling point: %d\n", c.point);
  if (c.layer > 0) std::fprintf(stderr, "   -> Layer: %d\n", c.layer);
}

void MaterialPointFault(const PointContext& c, const char* step, const char* model, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n%s", step);
  PrintPointContext(c);
  std::fprintf(stderr, "   -> Nonlinear material model: %s\n", model);
  errexit(msg, 0);
}
