// Fatal messages of the material laws with the context of their sampling point.
#include "materials/point_context.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "numcore/numcore.h"

std::string PointContextLines(const PointContext& c) {
  char line[96];
  std::string s;
  const auto add = [&](const char* name, int v) {
    std::snprintf(line, sizeof line, "   -> %s: %d\n", name, v);
    s += line;
  };
  add("Combination", c.combination);
  add("Iteration", c.iteration);
  add("Element", c.element);
  add("Sampling point", c.point);
  if (c.layer > 0) add("Layer", c.layer);
  return s;
}

void PrintPointContext(const PointContext& c) { std::fputs(PointContextLines(c).c_str(), stderr); }

std::string PointFaultContext(const PointContext& c, const char* step, const char* model) {
  return "\n" + std::string(step) + PointContextLines(c) + "   -> Nonlinear material model: " + model + "\n";
}

// msg, and when the point's strain increment is not finite or passes 1 in a component, a
// note that the load step is far too large.
std::string WithLoadStepNote(const PointContext& c, const char* msg) {
  double largest = 0.0;
  for (int i = 1; c.strainStep != nullptr && i <= c.nStrainStep; i++) {
    const double x = std::fabs(c.strainStep[i]);
    if (!(x <= largest)) largest = x;  // a NaN stays
  }
  if (!(largest > 1.0)) return msg;
  char note[240];
  std::snprintf(note, sizeof note,
                "\nThe strain increment of this iterate at the point reaches %.3g:\n"
                "the load step is far too large. Apply the load in smaller steps.",
                largest);
  return std::string(msg) + note;
}

void MaterialPointFault(const PointContext& c, const char* step, const char* model, const char* msg) {
  IterateFault(PointFaultContext(c, step, model), WithLoadStepNote(c, msg).c_str());
}

void PointFaultExit(const PointContext& c, const char* msg) { IterateFault("", WithLoadStepNote(c, msg).c_str()); }
