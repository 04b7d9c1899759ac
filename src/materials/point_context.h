// Where a material law is evaluated: the run's position that its fatal messages name.
#pragma once

struct PointContext {
  int point;        // sampling point
  int combination;
  int element;
  int iteration;
  int layer;        // 0: not a layer of a shell
};

// Error stream: the combination, iteration, element, sampling point and layer (above 0
// only) lines of the point.
void PrintPointContext(const PointContext& c);

// Error stream: an empty line, the step line (printed as given), the combination,
// iteration, element, sampling point, layer (above 0 only) and the model line
// ("   -> Nonlinear material model: <model>"); then the run ends with msg.
[[noreturn]] void MaterialPointFault(const PointContext& c, const char* step, const char* model, const char* msg);
