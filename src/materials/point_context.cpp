// Fatal messages of the material laws with the context of their sampling point.
#include "materials/point_context.h"

#include <cmath>
#include <cstdio>
#include <string>

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
  PointFaultExit(c, msg);
}

void PointFaultExit(const PointContext& c, const char* msg) {
  double largest = 0.0;
  for (int i = 1; c.strainStep != nullptr && i <= c.nStrainStep; i++) {
    const double x = std::fabs(c.strainStep[i]);
    if (!(x <= largest)) largest = x;  // a NaN stays
  }
  if (!(largest > 1.0)) errexit(msg, 0);
  char note[240];
  std::snprintf(note, sizeof note,
                "\nThe strain increment of this iterate at the point reaches %.3g:\n"
                "the load step is far too large. Apply the load in smaller steps.",
                largest);
  errexit((std::string(msg) + note).c_str(), 0);
}
