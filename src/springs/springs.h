// Springs on their host elements: point springs, internal point spring links, line
// springs along element edges and surface springs over element faces. Springs own no
// dofs: their stiffness is added into the matrix of the host element before the
// element's special-coordinate transform and scatter. A link also couples its two
// points; that block is added by the global assembly (CalcSpringLinkCouplingMat).
//
// Only the linear spring material "_LIN_SPRING" acts here; a spring of a nonlinear
// spring material, or any spring in a nonlinear or transient analysis, is refused at
// set-up.
#pragma once

#include "numcore/numcore.h"

struct MeshData;

// Elements' own spring lists, compressed by element: the springs of element e are
// items[first[e] .. first[e + 1] - 1], in counter order.
struct ElementSpringList {
  int* first;  // [1..nElements + 1]
  int* items;  // [1..max(total, 1)]
};

// What the spring set-up found, kept for the assemblies of the phase.
struct SpringTables {
  int nElements;
  int nPoints;
  ElementSpringList point;     // point springs hosted by the element
  ElementSpringList line;      // line springs on the element
  ElementSpringList surf;      // surface springs on the element
  ElementSpringList link;      // links with the target or the reference point hosted here
  ElementSpringList coupling;  // links whose coupling block is added with this element
  ElementSpringList pointLinks;  // by point ([1..nPoints + 1]): the links that touch it
  int* pointHost;              // [point springs] host element
  int* linkTargetHost;         // [links]
  int* linkRefHost;            // [links]
  int* linkCouplingElem;       // [links] the later of the two hosts
};

// ---- shared rules ---------------------------------------------------------------------------
// Spring direction: 'G' the unit global axis `number`, 'S' auxiliary vector `number` as
// stored (not normalised). d[1..3].
void SpringDirection(const MeshData* mesh, char kind, int number, double* d);
// Positions of the spring's three components inside one node's dof block of an element
// type with DOF mask dofMask (leading blank, u1 u2 u3 r1 r2 r3), 0 where absent.
// dofType 1 translations, 2 rotations.
void SpringDofPositions(int dofType, const char* dofMask, int* m);

// ---- set-up -----------------------------------------------------------------------------------
// Hosts, flags and the per-element lists; refuses springs the run cannot take.
void CalcSpringAdjElements(int nElements, const MeshData* mesh, const int* ElemPropIndex, char* ElemHasPointSpring,
                           char* ElemHasLineSpring, char* ElemHasSurfSpring, char* ElemHasSpringLink,
                           const PointList* PointElemAdjacency, SpringTables* tables);
void FreeSpringTables(SpringTables* tables);
// First adjacent element of the spring's point whose type has every dof the spring
// acts on; stops the run when there is none.
int SearchPointSpringAdjElement(int spring, const MeshData* mesh, const int* ElemPropIndex,
                                const PointList* PointElemAdjacency);
int SearchIntPointSpringLinkAdjElement(int link, int point, const MeshData* mesh, const int* ElemPropIndex,
                                       const PointList* PointElemAdjacency);

// ---- linear stiffness ---------------------------------------------------------------------------
// Adds the springs of element `elem` into its matrix K (element dof order, global axes).
void CalcStiffElementSprings(int elem, int type, int nNodes, int property, const char* dofMask,
                             const char* OutputControl, const MeshData* mesh, const int* ElemPropIndex, double** K,
                             const char* ElemHasPointSpring, const char* ElemHasLineSpring,
                             const char* ElemHasSurfSpring, const char* ElemHasSpringLink, const char* PointTypes,
                             const PointList* PointElemAdjacency, const SpringTables* tables);
void CalcStiffPointSpring(int elem, int nNodes, const char* dofMask, const MeshData* mesh, const int* ElemPropIndex,
                          double** K, const char* PointTypes, const PointList* PointElemAdjacency,
                          const SpringTables* tables);
void CalcStiffIntPointSpringLink(int elem, int nNodes, const char* dofMask, const MeshData* mesh,
                                 const int* ElemPropIndex, double** K, const char* PointTypes,
                                 const PointList* PointElemAdjacency, const SpringTables* tables);
void CalcStiffLineSpring(int elem, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                         const int* ElemPropIndex, double** K, const char* PointTypes,
                         const PointList* PointElemAdjacency, const SpringTables* tables);
void CalcStiffSurfSpring(int elem, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                         double** K, const SpringTables* tables);
// Coupling of link `link` between its target point (node 1) and reference point (node 2)
// as a 12 x 12 matrix of two six-dof nodes: -k v_t v_r^T and its transpose, with v the
// spring direction turned into each point's coplanar frame where that applies.
void CalcSpringLinkCouplingMat(int link, const MeshData* mesh, const int* ElemPropIndex, const char* PointTypes,
                               const PointList* PointElemAdjacency, double** K12);

// ---- per-host routines (line springs: edge of the host; surface springs: face) -------------
struct LineSpringHostData {
  const char* OutputControl;
  const int* ElemPropIndex;
  const char* PointTypes;
  const PointList* PointElemAdjacency;
};
void CalcStiffLineSpringSolidHexa(int elem, int spring, int nNodes, const MeshData* mesh, double** K);
void CalcStiffLineSpringAhmadShellQuad(int elem, int spring, int nNodes, const LineSpringHostData& h,
                                       const MeshData* mesh, double** K);
void CalcStiffLineSpringMindlinShellQuad(int elem, int spring, int nNodes, const LineSpringHostData& h,
                                         const MeshData* mesh, double** K);
void CalcStiffLineSpringMindlinSlabQuad(int elem, int spring, int nNodes, const MeshData* mesh, double** K);
void CalcStiffLineSpringPlaneStressQuad(int elem, int spring, int nNodes, const MeshData* mesh, double** K);
void CalcStiffLineSpringPlaneStrainQuad(int elem, int spring, int nNodes, const MeshData* mesh, double** K);
void CalcStiffLineSpringTimoshenkoBeam3D(int elem, int spring, int nNodes, int property, const MeshData* mesh,
                                         double** K);
void CalcStiffSurfSpringSolidHexa(int elem, int spring, int nNodes, const char* OutputControl, const MeshData* mesh,
                                  double** K);
void CalcStiffSurfSpringAhmadShellQuad(int elem, int spring, int nNodes, const char* OutputControl,
                                       const MeshData* mesh, double** K);
void CalcStiffSurfSpringMindlinShellQuad(int elem, int spring, int nNodes, const char* OutputControl,
                                         const MeshData* mesh, double** K);
void CalcStiffSurfSpringMindlinSlabQuad(int elem, int spring, int nNodes, const char* OutputControl,
                                        const MeshData* mesh, double** K);
void CalcStiffSurfSpringPlaneStressQuad(int elem, int spring, int nNodes, const char* OutputControl,
                                        const MeshData* mesh, double** K);
void CalcStiffSurfSpringPlaneStrainQuad(int elem, int spring, int nNodes, const char* OutputControl,
                                        const MeshData* mesh, double** K);

// ---- record checks shared by the set-up and the host routines --------------------------------
// Edge (line) or face (surface) node count of a host type with nNodes nodes; 0 when the
// type takes no such spring.
int LineSpringEdgeNodes(int type, int nNodes);
int SurfSpringFaceNodes(int type, int nNodes);
