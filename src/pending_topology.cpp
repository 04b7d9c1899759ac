// Temporary stand-ins, replaced when the real modules land.
#include "pending_topology.h"

#include <cstdio>

#include "model/mesh.h"
#include "numcore/numcore.h"

#define VOLDE_PENDING_STIFF(name)                                                                                \
  void name(int, int, int, int, const char*, const MeshData*, double**) { InternalError(__FILE__, __LINE__); }

VOLDE_PENDING_STIFF(CalcStiffMindlinSlabQuad)
VOLDE_PENDING_STIFF(CalcStiffSolidHexa)

#undef VOLDE_PENDING_STIFF

void CalcStiffMindlinShellQuad(int, int, int, int, const char*, const MeshData*, double**, const char*) {
  InternalError(__FILE__, __LINE__);
}

void CalcStiffAhmadShellQuad(int, int, int, int, const char*, const MeshData*, const int*, double**, const char*,
                             const PointList*) {
  InternalError(__FILE__, __LINE__);
}
