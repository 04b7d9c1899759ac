// Data faults that element routines find in what the data file gives them: node counts,
// material and geometry kinds the element cannot use.
#include <cstdio>

#include "elements/kernel.h"
#include "model/material.h"
#include "numcore/numcore.h"

namespace {

const char* MaterialKindKeyword(int kind) {
  if (kind < 0 || kind > kMaterialKinds) return "(unknown)";
  return kMaterialKindKeywords[kind];
}

}  // namespace

const char* GeometryKindKeyword(int kind) {
  switch (kind) {
    case 0:
      return "_NONE";
    case GEOM_PATT:
      return "_GEOM_PATT";
    case GEOM_CS_AREA:
      return "_CS_AREA";
    case GEOM_CS_2D:
      return "_CS_2D";
    case GEOM_CS_3D:
      return "_CS_3D";
    case GEOM_LAM_THICK:
      return "_LAM_THICK";
    default:
      return "(unknown)";
  }
}

void ElemDataFault(const ElemFaultContext& ctx, int typeCode, const char* detail, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, ctx.format, ctx.a, ctx.b, ctx.c);
  if (typeCode > 0) std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(typeCode).keyword);
  if (detail != nullptr) std::fputs(detail, stderr);
  errexit(msg, 0);
}

void CheckElemNodeCount(const ElemFaultContext& ctx, int typeCode, int n, int a, int b, int c) {
  if (n == a || (b != 0 && n == b) || (c != 0 && n == c)) return;
  char detail[64], msg[128];
  std::snprintf(detail, sizeof detail, "   -> Number of nodes: %d\n", n);
  if (c != 0)
    std::snprintf(msg, sizeof msg, "This type of element requires %d, %d or %d nodes.", a, b, c);
  else if (b != 0)
    std::snprintf(msg, sizeof msg, "This type of element requires %d or %d nodes.", a, b);
  else
    std::snprintf(msg, sizeof msg, "This type of element requires %d nodes.", a);
  ElemDataFault(ctx, typeCode, detail, msg);
}

void CheckElemMaterialKind(const ElemFaultContext& ctx, int typeCode, int kind, int required) {
  if (kind == required) return;
  char detail[96], msg[128];
  std::snprintf(detail, sizeof detail, "   -> Material kind: %s\n", MaterialKindKeyword(kind));
  std::snprintf(msg, sizeof msg, "This type of element requires a material of kind %s.", MaterialKindKeyword(required));
  ElemDataFault(ctx, typeCode, detail, msg);
}

void CheckElemGeometryKind(const ElemFaultContext& ctx, int typeCode, int kind, int a, int b) {
  if (kind == a || (b != 0 && kind == b)) return;
  char detail[96], msg[128];
  std::snprintf(detail, sizeof detail, "   -> Geometry kind: %s\n", GeometryKindKeyword(kind));
  if (b != 0)
    std::snprintf(msg, sizeof msg, "This type of element requires a geometry of kind %s or %s.", GeometryKindKeyword(a),
                  GeometryKindKeyword(b));
  else
    std::snprintf(msg, sizeof msg, "This type of element requires a geometry of kind %s.", GeometryKindKeyword(a));
  ElemDataFault(ctx, typeCode, detail, msg);
}
