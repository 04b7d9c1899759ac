// Mesh topology and degree-of-freedom numbering of one phase: which property record
// holds each element, which elements touch each point, the dof codes and equation
// numbers, the point types (general or coplanar shell point), the special coordinate
// systems, the mother elements of embedded cables and the per-element spring flags.
//
// Dof d = 1..6 of a point: translations 1, 2, 3 and rotations 1, 2, 3. Code 0 = the dof
// does not exist, 'F' free, 'P' prescribed. Free equations 1..nF and prescribed
// equations 1..nP follow point order, then dof order.
#pragma once

#include "elements/locate.h"
#include "numcore/numcore.h"
#include "springs/springs.h"

struct MeshData;
struct Support;

// Point types.
constexpr char kPointGeneral = 'G';
constexpr char kPointMindlin = 'M';  // coplanar point of Mindlin shells
constexpr char kPointAhmad = 'A';    // coplanar point of Ahmad shells

// The per-phase arrays of a mechanical driver, all 1-based, built by
// InitializeMainWorkArrays and released by FreeMainWorkArrays.
struct MainWorkArrays {
  int nElements;
  int nPoints;
  int* ElemPropIndex;                 // [e] property record of the element, 0 = inactive
  PointList* PointElemAdjacency;      // [p] {element, local node} pairs, element order
  char** PointDofCodes;               // [p][d]
  int** PointDofNumbers;              // [p][d] equation number, 0 for a missing dof
  char* PointTypes;                   // [p] 'G', 'M' or 'A'
  int* PointSpecialCS;                // [p] "<COORDINATE_SYSTEMS>" record, 0 = global axes
  char* ElemHasSpecialCSNode;         // [e] 1 when a node has a special system
  int* MotherElemIndex;               // [e] sequence number of a mother element, else 0
  struct EmbCableMotherRecord* EmbCableMotherRecord;  // [1..nMotherElems]
  char* ElemHasStrongDisc;            // [e]
  char* ElemHasPointSpring;           // [e] the four spring flags
  char* ElemHasLineSpring;
  char* ElemHasSurfSpring;
  char* ElemHasSpringLink;
  SpringTables Springs;               // hosts and per-element spring lists
  int nF;
  int nP;
  int nDrillPoints;
  int nMotherElems;
};

// Builds the whole set for the phase, checking the mesh on the way.
void InitializeMainWorkArrays(int phase, const MeshData* mesh, MainWorkArrays* w);
void FreeMainWorkArrays(MainWorkArrays* w);

// ---- the steps ---------------------------------------------------------------------------
void CalcElemPropIndex(int phase, const MeshData* mesh, int* ElemPropIndex);
// Stops the run at the first active element whose type has no element routines, or that
// is a layered shell in a materially linear analysis, naming the element and its type.
void CheckElementTypesAvailable(const MeshData* mesh, const int* ElemPropIndex);
// Allocates the adjacency lists of the active elements' points.
void CalcPointElemAdjacency(const MeshData* mesh, const int* ElemPropIndex, PointList** adjacency);
// Point types from the normals of the adjacent shell quadrilaterals; returns nDrillPoints.
int CalcPointType(const MeshData* mesh, const int* ElemPropIndex, const PointList* adjacency, char* PointTypes);
// Refuses a special coordinate system at a coplanar point.
void CheckSpecialCSCoplanarPoints(const MeshData* mesh, const char* PointTypes);
void CalcPointSpecialCS(const MeshData* mesh, int* PointSpecialCS);
void CalcElemHasSpecialCSNode(const MeshData* mesh, const PointList* adjacency, char* ElemHasSpecialCSNode);
// Mother elements of the active embedded cables: MotherElemIndex, the records and the
// natural coordinates of the cables' integration points. Returns nMotherElems.
int CalcMotherElements(const MeshData* mesh, const int* ElemPropIndex, int* MotherElemIndex,
                       struct EmbCableMotherRecord** records);
void FreeMotherRecords(int nMotherElems, struct EmbCableMotherRecord* records);
// Refuses "<LINE_EMBEDDED_STRONG_DISCONTINUITY>" records (no element fills their
// equations) after clearing the flags.
void CalcStrongDiscontinuities(const MeshData* mesh, char* ElemHasStrongDisc);
// The same refusal for every analysis, thermal ones included: a discontinuity record
// has no element in any of them.
void RefuseStrongDiscontinuities(const MeshData* mesh);

// ---- numbering ---------------------------------------------------------------------------
void CalcPointDofCodes(int phase, const MeshData* mesh, const int* ElemPropIndex, char** PointDofCodes);
// Clears the codes, then 'F' on the dofs of the type masks of the active elements' nodes.
void MarkElementDofs(const MeshData* mesh, const int* ElemPropIndex, char** PointDofCodes);
// 'P' on the flagged dofs of the records (supports or fixed temperatures) whose phase
// range holds the phase, whether an element uses the point or not.
void MarkPrescribedDofs(int phase, int n, const Support* records, char** PointDofCodes);
// Every linked dof of "<INTERNAL_POINT_LINKS>" must be a free dof of both points: a dof
// that no element of the point has, or a supported one, is refused naming the record.
void CheckPointLinkDofs(const MeshData* mesh, char** PointDofCodes);
void NumberFreeDofs(const MeshData* mesh, char** PointDofCodes, int** PointDofNumbers, int* nF, int* nP);
// Point displacements (nPoints x 6) from the free and prescribed solution vectors.
// flag 0: equation components; flag 1: global components (special and coplanar systems
// rotated back).
void CalcPointDispl(int flag, const MeshData* mesh, char** PointDofCodes, int** PointDofNumbers, const double* aF,
                    const double* aP, const int* PointSpecialCS, const char* PointTypes, const int* ElemPropIndex,
                    const PointList* adjacency, double** U);

// Rotation R (3 x 3) of "<COORDINATE_SYSTEMS>" record cs: row k = auxiliary vector k.
void CalcMat_R_CoordSystem(const MeshData* mesh, int cs, double** R);
