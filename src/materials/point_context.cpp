// Fatal messages of the material laws with the context of their sampling point.
#include "materials/point_context.h"

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

void MaterialPointFault(const PointContext& c, const char* step, const char* model, const char* msg) {
  IterateFault(PointFaultContext(c, step, model), msg);
}
