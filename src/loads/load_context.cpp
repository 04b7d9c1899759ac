// Report contexts of the element-load routines: the block keywords, the context lines
// printed before a refused load record, and the refusal itself.
#include <cstdio>

#include "elements/kernel.h"
#include "loads/load_kernel.h"

const char* const LoadBlockKeywords[17] = {"_NONE",
                                           "<GRAVITY_LOAD>",
                                           "<POINT_LOADS>",
                                           "<INTERNAL_POINT_LOADS>",
                                           "<EDGE_LOADS>",
                                           "<INTERNAL_EDGE_LOADS>",
                                           "<FACE_LOADS>",
                                           "<INTERNAL_FACE_LOADS>",
                                           "<TEMPERATURE_VARIATION>",
                                           "<DIFFERENTIAL_TEMPERATURE_VARIATION>",
                                           "<PRESCRIBED_DISPLACEMENTS>",
                                           "<INTERNAL_PRESCRIBED_RELATIVE_DISPLACEMENTS>",
                                           "<PRESCRIBED_POINT_TEMPERATURES>",
                                           "<SURFACE_HEAT_FLUX>",
                                           "<SURFACE_FLUID_TEMPERATURE>",
                                           "<VOLUMETRIC_INTERNAL_HEAT_GENERATION>",
                                           "<LINE_HEAT_FLUX>"};

const char* const DofKeywords[7] = {"_NONE", "_D1", "_D2", "_D3", "_R1", "_R2", "_R3"};

// ---- report context --------------------------------------------------------------------

void PrintLoadReportContext(const LoadReportContext& c) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "%s", c.heading);
  std::fprintf(stderr, "   -> Load case: %d\n", c.loadCase);
  std::fprintf(stderr, "   -> Block name: %s\n", c.block);
  if (c.counterFormat != nullptr) std::fprintf(stderr, c.counterFormat, c.counter);
  std::fprintf(stderr, "   -> Element: %d\n", c.element);
  if (c.afterElement != nullptr) std::fprintf(stderr, "%s", c.afterElement);
  if (c.typeKeyword != nullptr) std::fprintf(stderr, "   -> Element type: %s\n", c.typeKeyword);
}

namespace {

LoadReportContext MakeContext(const char* heading, int lc, const char* block, const char* counterFormat, int r,
                              int Element, int type) {
  return {heading, lc, block, counterFormat, r, Element, GetElementTypeInfo(type).keyword, nullptr};
}

}  // namespace

LoadReportContext EdgeLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the edge load contribution to the global load vector:\n", LoadCaseNumber,
                     "<EDGE_LOAD>", "   -> Edge load counter: %d\n", Record, Element, ElementType);
}

LoadReportContext GravityReportContext(int LoadCaseNumber, int Element, int ElementType) {
  return MakeContext("Calculating the gravity load contribution to the global load vector:\n", LoadCaseNumber,
                     "<GRAVITY_LOAD>", nullptr, 0, Element, ElementType);
}

LoadReportContext IntPointLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the internal point load contribution to\nthe global load vector:\n",
                     LoadCaseNumber, "<INTERNAL_POINT_LOADS>", "   -> Internal point load counter: %d\n", Record,
                     Element, ElementType);
}

LoadReportContext FaceLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the face load contribution to the global load vector:\n", LoadCaseNumber,
                     "<FACE_LOAD>", "   -> Face load counter: %d\n", Record, Element, ElementType);
}

LoadReportContext IntEdgeLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the internal edge load contribution to\nthe global load vector:\n", LoadCaseNumber,
                     "<INTERNAL_EDGE_LOADS>", "   -> Internal edge load counter: %d\n", Record, Element,
                     ElementType);
}

LoadReportContext IntFaceLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the internal face load contribution to\nthe global load vector:\n", LoadCaseNumber,
                     "<INTERNAL_FACE_LOADS>", "   -> Internal face load counter: %d\n", Record, Element,
                     ElementType);
}

LoadReportContext TempVarReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the thermal load contribution to the global load vector:\n", LoadCaseNumber,
                     "<TEMPERATURE_VARIATION>", "   -> Temp. var. counter: %d\n", Record, Element, ElementType);
}

LoadReportContext DiffTempVarReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the thermal load contribution to the global load vector:\n", LoadCaseNumber,
                     "<DIFFERENTIAL_TEMPERATURE_VARIATION>", "   -> Diff. temp. var. counter: %d\n", Record,
                     Element, ElementType);
}

// ---- refusal -----------------------------------------------------------------------------

void RefuseLoad(const LoadReportContext& c, const char* line, const char* msg) {
  PrintLoadReportContext(c);
  if (line != nullptr) std::fprintf(stderr, "%s", line);
  errexit(msg, 0);
}
