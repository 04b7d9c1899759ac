// Springs on their host elements: set-up and linear stiffness.
#include "springs/springs.h"

#include <cstdio>

#include "model/mesh.h"
#include "numcore/numcore.h"

// No spring can be attached yet: a model without spring records gets cleared flags, a
// model with any is refused before a single number is computed.
void CalcSpringAdjElements(int nElements, const MeshData* mesh, const int*, char* ElemHasPointSpring,
                           char* ElemHasLineSpring, char* ElemHasSurfSpring, char* ElemHasSpringLink,
                           const PointList*) {
  zeroc1(ElemHasPointSpring, nElements);
  zeroc1(ElemHasLineSpring, nElements);
  zeroc1(ElemHasSurfSpring, nElements);
  zeroc1(ElemHasSpringLink, nElements);
  const char* block = nullptr;
  if (mesh->nSpringLinks > 0) block = "<INTERNAL_POINT_SPRING_LINKS>";
  else if (mesh->nPointSprings > 0) block = "<POINT_SPRINGS>";
  else if (mesh->nLineSprings > 0) block = "<LINE_SPRINGS>";
  else if (mesh->nSurfSprings > 0) block = "<SURFACE_SPRINGS>";
  if (block == nullptr) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\n   -> Block name: %s\n", block);
  errexit("Springs are not available yet.\nThe spring blocks of the data file must be empty.", 0);
}

void CalcStiffElementSprings(int elem, int, int, int, const char*, const char*, const MeshData*, const int*, double**,
                             const char* ElemHasPointSpring, const char* ElemHasLineSpring,
                             const char* ElemHasSurfSpring, const char* ElemHasSpringLink, const char*,
                             const PointList*) {
  if (ElemHasPointSpring[elem] || ElemHasLineSpring[elem] || ElemHasSurfSpring[elem] || ElemHasSpringLink[elem])
    InternalError(__FILE__, __LINE__);
}
