// Temporary stand-ins, replaced when the real modules land.
//
// Element stiffness routines of the shell and solid elements (each stops
// through the internal error), and the spring set-up and spring stiffness of the
// springs subsystem (a model without spring records passes; spring records are refused
// as not available).
#pragma once

struct MeshData;
struct PointList;

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

