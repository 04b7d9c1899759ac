// Springs on their host elements. Point, line and surface springs and internal point
// spring links are not available yet: a model without spring records passes through the
// set-up, a model with any is refused before a number is computed.
#pragma once

struct MeshData;
struct PointList;

// Springs: host elements and per-element flags (set-up), and the linear stiffness of the
// springs an element carries, added into its matrix.
void CalcSpringAdjElements(int nElements, const MeshData* mesh, const int* ElemPropIndex, char* ElemHasPointSpring,
                           char* ElemHasLineSpring, char* ElemHasSurfSpring, char* ElemHasSpringLink,
                           const PointList* PointElemAdjacency);
void CalcStiffElementSprings(int elem, int type, int nNodes, int property, const char* dofMask,
                             const char* OutputControl, const MeshData* mesh, const int* ElemPropIndex, double** K,
                             const char* ElemHasPointSpring, const char* ElemHasLineSpring,
                             const char* ElemHasSurfSpring, const char* ElemHasSpringLink, const char* PointTypes,
                             const PointList* PointElemAdjacency);
