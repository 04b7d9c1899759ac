// Where a material law is evaluated: the run's position that its fatal messages name.
#pragma once

#include <string>

// The element around a solid point, for Oliver's crack band of a crack that forms there:
// nodal coordinates X (n x 3), the centre x_c = X^T N(0) and the Cartesian derivatives
// (n x 3) of the element at the point, or of the sub-element around it; the fraction of
// the element's width that the rows cracking with the point cover (below 1 on quadratic
// elements: the band of the element's size shrinks to them; 1 for the sub-element).
struct CrackBandGeometry {
  int nNodes;
  double** X;
  const double* centre;
  double** gradN;
  double widthFraction;
};

struct PointContext {
  int point;        // sampling point
  int combination;
  int element;
  int iteration;
  int layer;        // 0: not a layer of a shell
  const CrackBandGeometry* band = nullptr;  // null when the element gives none
  // The strain increment of the iterate at the point (nStrainStep components) while a
  // stress law runs on it; null elsewhere.
  const double* strainStep = nullptr;
  int nStrainStep = 0;
  // The point's record at the start of the step (the converged copy, when every iterate
  // restarts from it) while the tangent of a crack model is taken; null elsewhere.
  const void* stepStart = nullptr;
};

// Error stream: the combination, iteration, element, sampling point and layer (above 0
// only) lines of the point.
void PrintPointContext(const PointContext& c);
// Those lines as text; with an empty line and the step line before them and the model
// line after, the context of MaterialPointFault.
std::string PointContextLines(const PointContext& c);
std::string PointFaultContext(const PointContext& c, const char* step, const char* model);

// Error stream: an empty line, the step line (printed as given), the combination,
// iteration, element, sampling point, layer (above 0 only) and the model line
// ("   -> Nonlinear material model: <model>"); then the run ends with msg. A fault of an
// iterate: a driver that holds an IterateFaultScope takes the iterate back instead.
[[noreturn]] void MaterialPointFault(const PointContext& c, const char* step, const char* model, const char* msg);
// msg, with a note that the load step is far too large when the point's strain increment
// is not finite or passes 1 in a component (no law of small strains takes that in one step).
std::string WithLoadStepNote(const PointContext& c, const char* msg);
// A fault of an iterate at the point (context already printed): msg with that note.
[[noreturn]] void PointFaultExit(const PointContext& c, const char* msg);
