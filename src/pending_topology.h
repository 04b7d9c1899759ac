// Temporary stand-ins, replaced when the real modules land.
//
// Element stiffness routines of the element, line-element and shell helpers (each stops
// through the internal error), and the spring set-up and spring stiffness of the
// springs subsystem (a model without spring records passes; spring records are refused
// as not available).
#pragma once

struct MeshData;
struct PointList;
struct EmbCableMotherRecord;

// Linear element stiffness: (matrix size, element, nodes, property record, output-control
// flags, mesh, K) in element dof order and global components.
void CalcStiffMindlinSlabQuad(int N, int elem, int nNodes, int property, const char* OutputControl,
                              const MeshData* mesh, double** K);
void CalcStiffMindlinShellQuad(int N, int elem, int nNodes, int property, const char* OutputControl,
                               const MeshData* mesh, double** K, const char* PointTypes);
void CalcStiffAhmadShellQuad(int N, int elem, int nNodes, int property, const char* OutputControl,
                             const MeshData* mesh, const int* ElemPropIndex, double** K, const char* PointTypes,
                             const PointList* PointElemAdjacency);
void CalcStiffSolidHexa(int N, int elem, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                        double** K);

// Embedded cable stiffness on the mother element's dofs (nCols x nCols, overwritten).
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
