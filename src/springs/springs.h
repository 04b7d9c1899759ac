// Springs on their host elements: point springs, internal point spring links, line
// springs along element edges and surface springs over element faces. Springs own no
// dofs: their stiffness is added into the matrix of the host element before the
// element's special-coordinate transform and scatter. A link also couples its two
// points; that block is added by the global assembly (CalcSpringLinkCouplingMat).
//
// Springs of the linear material "_LIN_SPRING" act in every mechanical analysis; springs
// of the nonlinear spring materials ("_NLSMM101" .. "_NLSMM103") only in materially
// nonlinear runs, where their tangent and internal forces come from the spring laws
// and the spring history records (one per point spring or link, one per sampling point
// of a line or surface spring).
#pragma once

#include "materials/history_data.h"
#include "numcore/numcore.h"

struct MeshData;

// The spring history of a nonlinear run: record numbers and the current records.
struct SpringHistory {
  const SpringIndex_HD* index;
  NLSMM_HD* table;
};

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
// A nonlinear link (hist not null) couples with its tangent kt in place of k.
void CalcSpringLinkCouplingMat(int link, const MeshData* mesh, const int* ElemPropIndex, const char* PointTypes,
                               const PointList* PointElemAdjacency, const SpringHistory* hist, double** K12);

// ---- nonlinear runs ---------------------------------------------------------------------------
// Tangent of the element's springs: the linear ones as above, the nonlinear ones from
// their laws in the state the last internal forces left.
void CalcStiffElementSprings_NL(int elem, int type, int nNodes, int property, const char* dofMask,
                                const char* OutputControl, const MeshData* mesh, const int* ElemPropIndex, double** K,
                                const char* ElemHasPointSpring, const char* ElemHasLineSpring,
                                const char* ElemHasSurfSpring, const char* ElemHasSpringLink, const char* PointTypes,
                                const PointList* PointElemAdjacency, const SpringTables* tables,
                                const SpringHistory* hist);
void CalcStiffPointSpring_NL(int elem, int nNodes, const char* dofMask, const MeshData* mesh, const int* ElemPropIndex,
                             double** K, const char* PointTypes, const PointList* PointElemAdjacency,
                             const SpringTables* tables, const SpringHistory* hist);
// The diagonal blocks kt v v^T of a nonlinear link at its point in this element (the
// coupling comes with CalcSpringLinkCouplingMat).
void CalcStiffIntPointSpringLink_NL(int elem, int nNodes, const char* dofMask, const MeshData* mesh,
                                    const int* ElemPropIndex, double** K, const char* PointTypes,
                                    const PointList* PointElemAdjacency, const SpringTables* tables,
                                    const SpringHistory* hist);
void CalcStiffLineSpring_NL(int elem, int nNodes, int type, const MeshData* mesh, double** K,
                            const SpringTables* tables, const SpringHistory* hist);
void CalcStiffSurfSpring_NL(int elem, int nNodes, int type, const char* OutputControl, const MeshData* mesh,
                            double** K, const SpringTables* tables, const SpringHistory* hist);
void CalcInt_Fg_PointSpring_NL(int elem, int nNodes, const char* dofMask, const MeshData* mesh,
                               const int* ElemPropIndex, const double* ue, double* fe, const char* PointTypes,
                               const PointList* PointElemAdjacency, const SpringTables* tables,
                               const SpringHistory* hist);
void CalcInt_Fg_IntPointSpringLink(int elem, int nNodes, const char* dofMask, const MeshData* mesh,
                                   const int* ElemPropIndex, double** U, double* fe, const char* PointTypes,
                                   const PointList* PointElemAdjacency, const SpringTables* tables,
                                   const SpringHistory* hist);
// Adds the internal equivalent nodal forces of the element's springs into fe (element
// dof order, global components) from the element displacements ue; U holds the
// displacements of every point (nPoints x 6, global components at special systems),
// read by the links. Nonlinear springs advance their current history records.
void CalcInt_Fg_Springs(int elem, int type, int nNodes, int property, const char* dofMask, const MeshData* mesh,
                        const int* ElemPropIndex, const double* ue, double** U, double* fe,
                        const char* ElemHasPointSpring, const char* ElemHasLineSpring, const char* ElemHasSurfSpring,
                        const char* ElemHasSpringLink, const char* PointTypes, const PointList* PointElemAdjacency,
                        const SpringTables* tables, const SpringHistory* hist);

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

// Nonlinear line and surface springs on their hosts (types 10, 20, 22, 24): with
// fe == null the tangent is added into K; otherwise the internal forces from ue into fe
// (the records advanced).
struct NonlinearSpringCall {
  const SpringHistory* hist;
  double** K;          // tangent
  const double* ue;    // internal forces: element displacements ...
  double* fe;          // ... and forces
  const char* OutputControl;
};
void LineSpringOnHost_NL(int elem, int spring, int nNodes, int type, const MeshData* mesh,
                         const NonlinearSpringCall& call);
void SurfSpringOnHost_NL(int elem, int spring, int nNodes, int type, const MeshData* mesh,
                         const NonlinearSpringCall& call);
// Current record `record` of nonlinear spring kind `kind`.
NLSMM_HDRecord& SpringHistoryRecord(const SpringHistory* hist, int kind, int record);
// The history record of sampling point j of nonlinear line (surface) spring `spring`.
NLSMM_HDRecord& LineSpringRecord(const SpringHistory* hist, const MeshData* mesh, int spring, int j);
NLSMM_HDRecord& SurfSpringRecord(const SpringHistory* hist, const MeshData* mesh, int spring, int j);

// ---- record checks shared by the set-up and the host routines --------------------------------
// Edge (line) or face (surface) node count of a host type with nNodes nodes; 0 when the
// type takes no such spring.
int LineSpringEdgeNodes(int type, int nNodes);
int SurfSpringFaceNodes(int type, int nNodes);
