// Data faults that element routines find in what the data file gives them: node counts,
// material and geometry kinds the element cannot use.
#include <cstdio>
#include <cstring>
#include <vector>

#include "elements/kernel.h"
#include "materials/material_table.h"
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

namespace {

// The geometry kind that an element type reads through a direct record or a geometry
// pattern: cross-section areas, sections of 3-D beams, thicknesses (0: the type's own
// routines check it, or it reads none).
int GeometryKindOfType(int type) {
  switch (type) {
    case _TRUSS_2D: case _TRUSS_3D: case _CABLE_2D: case _CABLE_3D: case _EMB_CABLE_2D: case _EMB_CABLE_3D:
      return GEOM_CS_AREA;
    case _TIMOSHENKO_BEAM_3D: return GEOM_CS_3D;
    case _PLANE_STRESS_TRIANG: case _PLANE_STRESS_QUAD: case _PLANE_STRESS_QUAD_THERMAL: case _MINDLIN_SLAB_QUAD:
    case _MINDLIN_SHELL_QUAD: case _AHMAD_SHELL_QUAD:
      return GEOM_LAM_THICK;
    default: return 0;
  }
}

[[noreturn]] void GroupFault(const MeshData* mesh, int r, const char* msg) {
  const ElementProperty& p = mesh->ElemProps[r];
  char detail[256];
  std::snprintf(detail, sizeof detail, "   -> Elements: %d to %d\n   -> Material kind: %s\n   -> Geometry kind: %s\n",
                p.FirstElement, p.LastElement, MaterialKindKeyword(p.MaterialKind),
                GeometryKindKeyword(p.GeometryKind));
  ElemDataFault(ElemFaultContext{"Element group (element property record n. %d)\n", r, 0, 0}, p.ElementType, detail,
                msg);
}

// The mother of an embedded cable is sought among the elements in the cable's own
// coordinates: a model with an embedded cable takes no element of other coordinates
// (a 2-D cable in the x2-x3 plane and a slab in the x1-x2 plane, a 3-D element).
void CheckEmbeddedCableHosts(const MeshData* mesh, const int* ElemPropIndex) {
  int cableGroup = 0;
  for (int e = 1; e <= mesh->nElements && cableGroup == 0; e++) {
    const int r = ElemPropIndex[e];
    if (r == 0) continue;
    const int type = mesh->ElemProps[r].ElementType;
    if (type == _EMB_CABLE_2D || type == _EMB_CABLE_3D) cableGroup = r;
  }
  if (cableGroup == 0) return;
  const int cableType = mesh->ElemProps[cableGroup].ElementType;
  const char* mask = GetElementTypeInfo(cableType).coordMask;
  for (int e = 1; e <= mesh->nElements; e++) {
    const int r = ElemPropIndex[e];
    if (r == 0 || std::strcmp(GetElementTypeInfo(mesh->ElemProps[r].ElementType).coordMask, mask) == 0) continue;
    char msg[256];
    std::snprintf(msg, sizeof msg,
                  "This type of element cannot host the embedded cables of type %s (element property record "
                  "n. %d):\nits coordinates are not those of the cables.",
                  GetElementTypeInfo(cableType).keyword, cableGroup);
    GroupFault(mesh, r, msg);
  }
}

}  // namespace

void CheckElementGroups(const MeshData* mesh, const int* ElemPropIndex) {
  const MainParameters& m = mesh->Main;
  const bool thermal = m.AnalysisType == ANALYSIS_THERMAL_STEADY_STATE || m.AnalysisType == ANALYSIS_THERMAL_TRANSIENT;
  const bool nonlinear = m.MaterNonlinear == 1;
  // Each group that holds an active element, once.
  std::vector<char> seen(static_cast<size_t>(mesh->nElemProps) + 1, 0);
  for (int e = 1; e <= mesh->nElements; e++) {
    const int r = ElemPropIndex[e];
    if (r == 0 || seen[r] != 0) continue;
    seen[r] = 1;
    const ElementProperty& p = mesh->ElemProps[r];
    const int kind = p.MaterialKind, type = p.ElementType;
    // The geometric set-up refuses material patterns with its own message.
    if (m.GeomNonlinear == 1 && CompositionOf(kind) == kCompositionNlmmPattern) continue;
    const char* refusal = ElementKindRefusal(kind, type, thermal, nonlinear);
    if (refusal != nullptr) GroupFault(mesh, r, refusal);
    // The parts of a pattern or of a layered section must be kinds such a composition takes.
    const MaterialComposition composition = CompositionOf(kind);
    if (composition == kCompositionNlmmPattern) {
      const MaterialPattern& mp = mesh->NlmmPatterns[p.MaterialNumber];
      for (int k = 1; k <= mp.nComponents; k++)
        if (HistoryUseInComposition(composition, mp.Kind[k]) == kHistoryRefused) {
          char msg[128];
          std::snprintf(msg, sizeof msg, "A material pattern cannot take a component of material kind %s.",
                        MaterialKindKeyword(mp.Kind[k]));
          GroupFault(mesh, r, msg);
        }
    }
    if (composition == kCompositionLayers) {
      const LayerPattern& lp = mesh->LayerPatterns[p.MaterialNumber];
      for (int k = 1; k <= lp.nLayers; k++)
        if (HistoryUseInComposition(composition, mesh->LayerProps[lp.Layer[k]].MaterialKind) == kHistoryRefused) {
          char msg[128];
          std::snprintf(msg, sizeof msg, "A layered shell cannot take a layer of material kind %s (layer property record %d).",
                        MaterialKindKeyword(mesh->LayerProps[lp.Layer[k]].MaterialKind), lp.Layer[k]);
          GroupFault(mesh, r, msg);
        }
    }
    // Layered shells and fibre meshes take their geometry from their layers and fibres.
    const int g = CompositionOf(kind) == kCompositionNone ? GeometryKindOfType(type) : 0;
    if (g != 0 && p.GeometryKind != g && p.GeometryKind != GEOM_PATT) {
      char msg[160];
      std::snprintf(msg, sizeof msg, "This type of element takes geometric properties of kind %s (or %s).",
                    GeometryKindKeyword(g), GeometryKindKeyword(GEOM_PATT));
      GroupFault(mesh, r, msg);
    }
  }
  CheckEmbeddedCableHosts(mesh, ElemPropIndex);
}
