// Kernel of the load vectors, for the load files only: the block loops, the element
// load routines by load kind and element type, the report contexts and refusals shared
// by every routine, the integration rules taken from the load case, and the rotation
// and assembly of an element load vector.
//
// Element load vector (Fe): 6 entries per element node, node after node in the order of
// the element's node list: forces along x1, x2, x3, then moments about x1, x2, x3, in
// global axes (the moments of a coplanar shell node are in that point's coplanar axes).
// After RotateNodalLoadsSpecialCoordSys the six entries of a node that lies on a point
// with a special coordinate system are in that system's axes.
//
// The block loops take the driver's MainWorkArrays (Work); the element routines and the
// services take its arrays one by one (all 1-based, read only here):
//   PointDofCodes[p][1..6]   'F' free, 'P' prescribed, anything else absent
//   PointDofNumbers[p][1..6] index into F_Free or F_Presc
//   ElemPropIndex[e]         "<ELEMENT_PROPERTIES>" record of the phase, 0 = inactive
//   PointCoordSys[p]         "<COORDINATE_SYSTEMS>" record, 0 = global axes (PointSpecialCS)
//   ElemHasSpecialCoordSys[e] 1 when a node of e has a special coordinate system
//                            (ElemHasSpecialCSNode)
//   PointTypes[p]            'G' general, 'M' / 'A' coplanar point of Mindlin / Ahmad shells
//   PointElemAdjacency[p]    elements holding p, with p's local node number in each
// OutputControl is the 1-based array of the 68 output-control flags ('Y' = on).
#pragma once

#include <cstdio>

#include "elements/kernel.h"
#include "elements/point_rules.h"
#include "loads/loads.h"
#include "model/loadcase.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

// Names of the load-case blocks (index 0..16) and of the six dofs (index 0..6) in reports.
extern const char* const LoadBlockKeywords[17];
extern const char* const DofKeywords[7];

enum LoadBlockIndex {
  LB_NONE = 0,
  LB_GRAVITY_LOAD = 1,
  LB_POINT_LOADS = 2,
  LB_INTERNAL_POINT_LOADS = 3,
  LB_EDGE_LOADS = 4,
  LB_INTERNAL_EDGE_LOADS = 5,
  LB_FACE_LOADS = 6,
  LB_INTERNAL_FACE_LOADS = 7,
  LB_TEMPERATURE_VARIATION = 8,
  LB_DIFFERENTIAL_TEMPERATURE_VARIATION = 9
};

// ---- element load vector: rotation and assembly --------------------------------------

// Adds the entries of Fe into F_Free / F_Presc by the dof codes of the element's points.
// Entries below 1e-8 in magnitude are skipped; an entry on an absent dof, or one that is
// not a finite number, stops the run with the block, counter and element lines.
void AssembElementLoadVector(int BlockIndex, int Counter, int Element, int ElementType, int LoadCaseNumber, int nNodes,
                             const char* LoadTypeWord, const MeshData* Mesh, int** PointDofNumbers, double* F_Free,
                             double* F_Presc, const double* Fe, char** PointDofCodes);
// Both steps for element e of the driver's arrays Work: RotateNodalLoadsSpecialCoordSys
// when a node of e has a special coordinate system, then AssembElementLoadVector.
void AddElementLoadVector(int BlockIndex, int Counter, int Element, int ElementType, int LoadCaseNumber, int nNodes,
                          const char* LoadTypeWord, const MeshData* Mesh, const MainWorkArrays* Work, double* Fe,
                          double* F_Free, double* F_Presc);
// Turns the six entries of every node on a point with a special coordinate system into
// that system's axes (rows = its three auxiliary vectors, as stored).
void RotateNodalLoadsSpecialCoordSys(int Element, int nNodes, const int* PointCoordSys, int** ElemNodes, double* Fe,
                                     const AuxiliaryVector* AuxVectors, const CoordinateSystem* CoordSystems);

// ---- point loads -----------------------------------------------------------------------

void Calc_F_PointLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                      const MainWorkArrays* Work, double* F_Free, double* F_Presc);

// ---- load-block loops -------------------------------------------------------------------
// Each block loop walks its records in order, skips records on elements inactive in the
// phase, and builds, rotates and assembles the element load vector. The gravity loops
// visit every active element when |g1| + |g2| + |g3| is at least 1e-12; the nonlinear one
// takes each element group by its behaviour code.

void Calc_F_IntPointLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                         const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc);
void Calc_F_EdgeLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                     const MainWorkArrays* Work, double* F_Free, double* F_Presc);
void Calc_F_IntEdgeLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc);
void Calc_F_FaceLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                     const MainWorkArrays* Work, double* F_Free, double* F_Presc);
void Calc_F_IntFaceLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc);
void Calc_F_GravityLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc);
void Calc_F_GravityLoad_NL(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                           const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc);

// ---- context lines of the element-load reports ---------------------------------------

// What an element load routine prints before its fatal message: an empty line, the
// heading, "   -> Load case: %d", "   -> Block name: %s", the counter line (when
// counterFormat is not null), "   -> Element: %d", the line afterElement (when not null)
// and "   -> Element type: %s" (when typeKeyword is not null).
struct LoadReportContext {
  const char* heading;        // "Calculating the edge load contribution to the global load vector:\n"
  int loadCase;
  const char* block;          // "<EDGE_LOAD>"
  const char* counterFormat;  // "   -> Edge load counter: %d\n" or null
  int counter;
  int element;
  const char* typeKeyword;    // "_SOLID_HEXA" or null
  const char* afterElement;   // a whole line owned by the caller, or null
};
void PrintLoadReportContext(const LoadReportContext& c);
LoadReportContext EdgeLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType);
LoadReportContext GravityReportContext(int LoadCaseNumber, int Element, int ElementType);
LoadReportContext IntPointLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType);
LoadReportContext FaceLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType);
// "Calculating the internal edge (face) load contribution to\nthe global load vector:".
LoadReportContext IntEdgeLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType);
LoadReportContext IntFaceLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType);
// "Calculating the thermal load contribution to the global load vector:" with the
// "<TEMPERATURE_VARIATION>" ("Temp. var. counter") or the differential block.
LoadReportContext TempVarReportContext(int LoadCaseNumber, int Record, int Element, int ElementType);
LoadReportContext DiffTempVarReportContext(int LoadCaseNumber, int Record, int Element, int ElementType);

// Context lines, then `line` (one formatted line, or null), then the fatal message.
[[noreturn]] void RefuseLoad(const LoadReportContext& c, const char* line, const char* msg);
// Refuses a load on an element type that has no routine for it (the context names the
// element, its type and the load block).
[[noreturn]] void RefuseLoadOnElementType(const LoadReportContext& c);

// Checks of an edge-load record before its fields are used (each refusal prints the
// context lines and the offending field):
// q[1..m] = the intensities at the m nodes of the loaded line (1 value or m values).
void EdgeLoadIntensities(const LoadReportContext& c, const EdgeLoad& rec, int m, double* q);
// 0 for a force per unit length ("_FORC"), 3 for a moment per unit length ("_MOM");
// forcesOnly refuses "_MOM" on elements whose nodes take no moments.
int EdgeLoadForceOffset(const LoadReportContext& c, const EdgeLoad& rec, bool forcesOnly);
// g[1..3] for the kinds 'G' (global axis 1..3) and 'S' (auxiliary vector as stored).
void EdgeLoadGlobalDirection(const LoadReportContext& c, const EdgeLoad& rec, const MeshData* Mesh, double* g);
// A direction kind or code that the element does not accept.
[[noreturn]] void RefuseEdgeLoadDirection(const LoadReportContext& c, const EdgeLoad& rec);

// The same checks for any record: LoadNodalValues gives q[1..m] from one value or m
// values ("The number of load values must be 1 or the number of nodes of the loaded
// <what>."); LoadForceOffset 0 or 3 by the generalized-force kind; LoadGlobalDirection
// g[1..3] of kind 'G' (axis 1..3) or 'S' (auxiliary vector as stored); a kind other than
// 'G' and 'S', or a code outside its range, is refused with RefuseLoadDirection.
void LoadNodalValues(const LoadReportContext& c, int valueCount, const double* values, int m, const char* what,
                     double* q);
// q[1..n] from one value for all nodes or one value per node; false for any other count.
bool SpreadNodalValues(int valueCount, const double* values, int n, double* q);
int LoadForceOffset(const LoadReportContext& c, char forceKind, bool forcesOnly);
void LoadGlobalDirection(const LoadReportContext& c, char kind, int code, const MeshData* Mesh, double* g);
// Direction d of a face load at s: for kind 'E' row `code` of the element axes T at s of
// the surface with nodes X3 (nNodes x 3, axes of type TypeForT), else LoadGlobalDirection.
void SurfaceLoadDirection(const LoadReportContext& c, char kind, int code, int Element, int TypeForT, int nNodes,
                          char PrintT, const double* s, double** X3, const MeshData* Mesh, double** T, double* d);
// |dx/ds| at s of a line of n nodes X (n x d): dN[1..n] and the tangent tan[1..d] are
// left for the caller; below 1e-8 "Jacobian norm is null: ..." after the context lines.
double LoadLineJacobianNorm(const LoadReportContext& c, int n, int d, double s, double** X, double* dN, double* tan);
// At s of an n-node 3-D Timoshenko beam of nodes X (n x 3): the shape functions N, the
// Jacobian norm (returned; dN and tan as LoadLineJacobianNorm leaves them) and the beam
// axes T (3 x 3) at the point, of the section angle interpolated from angle[1..n].
double BeamLoadPoint(const LoadReportContext& c, int Element, int n, double s, const double* angle, double** X,
                     const char* OutputControl, double* N, double* dN, double* tan, double** T);
// Area factor |g1 x g2| of a surface in 3-D from its Jacobian J (3 x 2).
double SurfaceAreaFactor(double** J);
[[noreturn]] void RefuseLoadDirection(const LoadReportContext& c, char kind, int code);
// A load component that the element type does not carry (|value| above 1e-8 on a dof of
// the type's dof mask that is '0'): "Verifying the <block> block", the load case, the
// counter line, the element and its type, "   -> Load component: force - XG1" ...
// and "In this type of element the specified load component must be null.".
void CheckLoadComponents(const char* block, const char* counterFormat, int LoadCaseNumber, int Record, int Element,
                         int ElementType, const double* load);

// det J of an m x m Jacobian (m = 2 or 3): "Jacobian determinant is null" when it is null
// against the lengths of J's columns (JacobianIsNull: an element of any size in any
// unit passes), "... negative" below 0, then Jinv (unless null) with "Unable to invert the
// Jacobian matrix"; each refusal after the context lines. tabbed puts a tab before the
// second line of the messages.
double LoadJacobianInverse(const LoadReportContext& c, int m, double** J, double** Jinv, bool tabbed = false);
// The null and negative refusals of LoadJacobianInverse for det = det J (m x m).
void CheckLoadDeterminant(const LoadReportContext& c, double det, int m, double** J, bool tabbed = false);
// Gravity of a quadrilateral (plane element, slab, shell in its element axes X2, n x 2):
// Fe[node a] += N_a h w det J f, h interpolated from the nodal values t (thicknesses or
// masses per unit area; 1 where t is null), f the load per unit of them in global axes.
void GravityPlate(const LoadReportContext& ctx, int Size, int nNodes, const double* t, const LoadCaseParameters* Params,
                  const MeshData* Mesh, double** X2, const double* f, double* Fe);

// Natural coordinates s and shape values N[1..nNodes] of global point `point` inside
// element e of type 8, 10, 13, 18, 20, 22 or 24, found by the inverse mapping of the
// family (the line for the beam, the nearest surface point for the shells, the element's
// own space otherwise; at most 10000 Newton steps). failText goes to the inverse mapping
// (printed when a step is singular). No convergence, a natural coordinate above 1.00001
// in magnitude, or (beam, shells) a distance above 1e-8 from the axis or reference
// surface stop the run after the context lines and the point line. lineMessage selects
// the beam's wording of the non-convergence message.
void LocateLoadPoint(const LoadReportContext& c, const char* failText, int point, int ElementType, int Element,
                     int nNodes, const MeshData* Mesh, bool lineMessage, double* s, double* N);
// The text handed to the inverse mapping: heading, load case, block and counter of c,
// then "\nERROR:\nIterative process could not be completed.\n...". buf holds 512 chars.
void InverseMappingFailureText(const LoadReportContext& c, char* buf);
// T (3 x 3): global axes to the coplanar axes of node `node` of shell element e: the
// element's own axes at its centre (type 20) or the coplanar system of the node's
// point (type 22).
void ShellCoplanarRotation(int Element, int ElementType, int nNodes, int node, const char* OutputControl,
                           const MeshData* Mesh, const int* ElemPropIndex, const PointList* PointElemAdjacency,
                           double** T);
// Adds the loads Fa (6 per point: forces, moments, global axes) of the points
// auxPoints[1..nAux] into the element vector Fe of the element that holds them: each
// point located as LocateLoadPoint does, each node taking its shape function's share of
// the components the type carries; the moments that reach a coplanar shell node turn to
// that point's coplanar axes (a drill part is refused).
void CarryAuxPointLoads(const LoadReportContext& c, int nAux, const int* auxPoints, const double* Fa,
                        int ElementType, int Element, int nNodes, const char* OutputControl, const MeshData* Mesh,
                        const int* ElemPropIndex, const char* PointTypes, const PointList* PointElemAdjacency,
                        double* Fe);
// The drill refusal of a moment at a coplanar point.
extern const char* const kDrillMomentMessage;

// Record number, per element node 1..nNodes, of the element's cross-section or thickness
// table (DirectKind: kGeomCs3D, kGeomLamThick ...), given once for the element or node by
// node through a geometry pattern; TableCount = the records of that table.
void ElementNodeGeomRecords(const MeshData* Mesh, int PropIndex, int nNodes, int DirectKind, int TableCount,
                            int* NodeRecords);

// Line rule of an integrated element load, from the load case's INTEGRATION_TYPE and the
// point count. Type 0, "_NCOTES", unknown types and counts outside the table (1..10
// "_GLEG", 2..10 "_GLOB") stop with the context lines: such a rule would integrate the
// load to nothing. a and w receive rows of IntegrationRuleTable (entries 1..nPoints).
void GetLoadLineRule(const LoadReportContext& c, int IntegrationType, int nPoints, const double** a, const double** w);
// Point counts along s1..s(nDirs) of the load case's rule: 3 each without a pattern,
// otherwise the pattern's _G_S1_k.. counts. A pattern number outside the block, or a
// count of 0 ("Integration pattern is incomplete."), stops with the context lines.
// incompleteMsg replaces the standard message of a missing count.
void GetLoadRulePointCounts(const LoadReportContext& c, const LoadCaseParameters* Params, const MeshData* Mesh,
                            int nDirs, int* counts, const char* incompleteMsg = nullptr);
// The rule over s1..s(dim) of a surface or a volume: the counts as GetLoadRulePointCounts
// gives them (incompleteMsg as there) and the line rules as GetLoadLineRule gives them.
TensorRule GetLoadTensorRule(const LoadReportContext& c, const LoadCaseParameters* Params, const MeshData* Mesh,
                             int dim, const char* incompleteMsg = nullptr);
// The rule along s1 of a line: counts[1] as GetLoadRulePointCounts gives it and the line
// rule a, w as GetLoadLineRule gives it.
void GetLoadCaseLineRule(const LoadReportContext& c, const LoadCaseParameters* Params, const MeshData* Mesh,
                         int* counts, const double** a, const double** w);
// Thickness at the nodes of a plane element: the nodes' "_LAM_THICK" records in plane
// stress, 1.0 (per unit thickness) otherwise.
void PlaneNodalThickness(const MeshData* Mesh, int PropIndex, int nNodes, bool PlaneStress, double* t);
// At s of an n-node quadrilateral with plane nodal coordinates X (n x 2): dN (n x 2), J,
// Jinv and the Cartesian derivatives dNdx (n x 2); returns det J (refusals as
// LoadJacobianInverse).
double LoadQuadCartesianDeriv(const LoadReportContext& c, int n, const double* s, double** X, double** dN, double** J,
                              double** Jinv, double** dNdx);

// ---- truss and frame edge and internal point loads -------------------------------------
// Closed forms in the member's local axes, turned to global axes. The local vectors hold
// 2 (Truss2D), 3 (Frame2D) or 6 (Truss3D, Frame3D) entries per node.

void Calc_Fg_EdgeLoadTruss2D(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                             const char* OutputControl, const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads);
void Calc_Fg_EdgeLoadTruss3D(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                             const char* OutputControl, const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads);
void Calc_Fg_EdgeLoadFrame2D(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                             const char* OutputControl, const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads);
void Calc_Fg_EdgeLoadFrame3D(int Size, int Record, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                             const char* OutputControl, const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads);
void Calc_Fl_EdgeLoadTruss2D(int Record, int Element, int LoadCaseNumber, int nNodes, const char* OutputControl,
                             const MeshData* Mesh, double* Fl, const EdgeLoad* EdgeLoads);
void Calc_Fl_EdgeLoadTruss3D(int Record, int Element, int LoadCaseNumber, int nNodes, const char* OutputControl,
                             const MeshData* Mesh, double* Fl, const EdgeLoad* EdgeLoads);
void Calc_Fl_EdgeLoadFrame2D(int Record, int Element, int LoadCaseNumber, int nNodes, const char* OutputControl,
                             const MeshData* Mesh, double* Fl, const EdgeLoad* EdgeLoads);
void Calc_Fl_EdgeLoadFrame3D(int Record, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                             const char* OutputControl, const MeshData* Mesh, double* Fl, const EdgeLoad* EdgeLoads);

void Calc_Fg_IntPointLoadTruss2D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                 const char* OutputControl, const MeshData* Mesh, double* Fe,
                                 const InternalPointLoad* IntPointLoads);
void Calc_Fg_IntPointLoadTruss3D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                 const char* OutputControl, const MeshData* Mesh, double* Fe,
                                 const InternalPointLoad* IntPointLoads);
void Calc_Fg_IntPointLoadFrame2D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                 const char* OutputControl, const MeshData* Mesh, double* Fe,
                                 const InternalPointLoad* IntPointLoads);
void Calc_Fg_IntPointLoadFrame3D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes, int PropIndex,
                                 const char* OutputControl, const MeshData* Mesh, double* Fe,
                                 const InternalPointLoad* IntPointLoads);
void Calc_Fl_IntPointLoadTruss2D(int Element, int Record, int LoadCaseNumber, int nNodes, const char* OutputControl,
                                 const MeshData* Mesh, double* Fl, const InternalPointLoad* IntPointLoads);
void Calc_Fl_IntPointLoadTruss3D(int Element, int Record, int LoadCaseNumber, int nNodes, const char* OutputControl,
                                 const MeshData* Mesh, double* Fl, const InternalPointLoad* IntPointLoads);
void Calc_Fl_IntPointLoadFrame2D(int Element, int Record, int LoadCaseNumber, int nNodes, const char* OutputControl,
                                 const MeshData* Mesh, double* Fl, const InternalPointLoad* IntPointLoads);
void Calc_Fl_IntPointLoadFrame3D(int Element, int Record, int LoadCaseNumber, int nNodes, int PropIndex,
                                 const char* OutputControl, const MeshData* Mesh, double* Fl,
                                 const InternalPointLoad* IntPointLoads);

// ---- gravity and temperature loads of trusses and frames ---------------------------------
// Closed forms in the member's axes turned to global axes, Fe[1..Size], Size = 12 (6 per
// node). Node lists and point coordinates as in MeshData; Record is the record of the
// load case's block. Data the member cannot use stops the run with the context lines
// below (ElemFaultContext formats: gravity %d = element; temperature loads: load case,
// record counter, element).
extern const char* const kCtxGravity;
extern const char* const kCtxTempVar;
extern const char* const kCtxDiffTempVar;

// Gravity g[1..3] on density rho (given by the caller).
void Calc_Fg_GravityLoadTruss2D(int Size, int Element, int nNodes, int PropIndex, double rho, const char* OutputControl,
                                int** ElemNodes, double* Fe, const double* g, double** PointCoord,
                                const CrossSectionArea* areas, const ElementProperty* ElemProps);
void Calc_Fg_GravityLoadTruss3D(int Size, int Element, int nNodes, int PropIndex, double rho, const char* OutputControl,
                                int** ElemNodes, double* Fe, const double* g, double** PointCoord,
                                const CrossSectionArea* areas, const ElementProperty* ElemProps);
// The load dispatchers' form without the node count (a truss has two nodes).
inline void Calc_Fg_GravityLoadTruss3D(int Size, int Element, int PropIndex, double rho, const char* OutputControl,
                                       int** ElemNodes, double* Fe, const double* g, double** PointCoord,
                                       const CrossSectionArea* areas, const ElementProperty* ElemProps) {
  Calc_Fg_GravityLoadTruss3D(Size, Element, 2, PropIndex, rho, OutputControl, ElemNodes, Fe, g, PointCoord, areas,
                             ElemProps);
}

// Uniform temperature variation of "<TEMPERATURE_VARIATION>" record Record of the load
// case: one value, or one per node (their mean acts on the member).
void Calc_Fg_TempVarTruss2D(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int Record,
                            const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                            const CrossSectionArea* areas, const MaterialRecord* LinIso,
                            const ElementProperty* ElemProps, const TemperatureVariationRecord* records);
void Calc_Fg_TempVarTruss3D(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int Record,
                            const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                            const CrossSectionArea* areas, const MaterialRecord* LinIso,
                            const ElementProperty* ElemProps, const TemperatureVariationRecord* records);

void Calc_Fg_GravityLoadFrame2D(int Size, int Element, int nNodes, int PropIndex, double rho, const char* OutputControl,
                                int** ElemNodes, double* Fe, const double* g, double** PointCoord,
                                const Frame2DSection* sections, const ElementProperty* ElemProps);
void Calc_Fg_GravityLoadFrame3D(int Size, int Element, int nNodes, int PropIndex, double rho, const char* OutputControl,
                                int** ElemNodes, double* Fe, const double* g, double** PointCoord,
                                const Frame3DSection* sections, const ElementProperty* ElemProps);
inline void Calc_Fg_GravityLoadFrame3D(int Size, int Element, int PropIndex, double rho, const char* OutputControl,
                                       int** ElemNodes, double* Fe, const double* g, double** PointCoord,
                                       const Frame3DSection* sections, const ElementProperty* ElemProps) {
  Calc_Fg_GravityLoadFrame3D(Size, Element, 2, PropIndex, rho, OutputControl, ElemNodes, Fe, g, PointCoord, sections,
                             ElemProps);
}

// Uniform temperature variation: axial forces only.
void Calc_Fg_TempVarFrame2D(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int Record,
                            const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                            const Frame2DSection* sections, const MaterialRecord* LinIso,
                            const ElementProperty* ElemProps, const TemperatureVariationRecord* records);
void Calc_Fg_TempVarFrame3D(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int Record,
                            const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                            const Frame3DSection* sections, const MaterialRecord* LinIso,
                            const ElementProperty* ElemProps, const TemperatureVariationRecord* records);

// Temperature difference dT across the section depth ("<DIFFERENTIAL_TEMPERATURE_VARIATION>"
// record Record): end moments of the thermal curvature alpha dT / h. Frame2D takes one
// value (or equal nodal values; its call carries no geometry for a varying curvature) and
// writes the moments at r1. Frame3D reads the record's direction (2 or 3: the local axis
// along which the temperature varies) and takes one value or one per node (linear
// variation, exact consistent forces).
void Calc_Fg_DiffTempVarFrame2D(int Record, int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                double* Fe, const Frame2DSection* sections,
                                const DiffTemperatureVariationRecord* records, const MaterialRecord* LinIso,
                                const ElementProperty* ElemProps);
void Calc_Fg_DiffTempVarFrame3D(int Record, int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                const char* OutputControl, int** ElemNodes, double* Fe, double** PointCoord,
                                const Frame3DSection* sections, const DiffTemperatureVariationRecord* records,
                                const MaterialRecord* LinIso, const ElementProperty* ElemProps);

// The uniform temperature variation acting on a member: the record's one value, or the
// mean of its two nodal values (the consistent load of a linear field on the member's
// linear axial displacement). Another value count stops the run.
double MemberTemperature(const ElemFaultContext& ctx, int typeCode, int Element, const TemperatureVariationRecord& r);
// The temperature differences at nodes 1 and 2 of a differential record (one value for
// both, or one per node).
void MemberDiffTemperatures(const ElemFaultContext& ctx, int typeCode, int Element,
                            const DiffTemperatureVariationRecord& r, double* dT1, double* dT2);

// ---- internal point loads -----------------------------------------------------------------
// By element type. A load component on a dof that the element type does not have is
// refused. LoadCaseNumber 0 (the contact array's unit loads) is accepted for trusses
// and frames only. The other families locate the auxiliary point by inverse mapping
// (inside within 1.00001 in natural coordinates; on the axis or reference surface within
// 1e-8 for the beam and the shells) and give each node its shape function's share.
void Calc_Fg_IntPointLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                          int PropIndex, const char* OutputControl, const MeshData* Mesh, const int* ElemPropIndex,
                          double* Fe, const char* PointTypes, const InternalPointLoad* IntPointLoads,
                          const PointList* PointElemAdjacency);
void Calc_Fg_IntPointLoadPlaneStressQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const MeshData* Mesh, double* Fe, const InternalPointLoad* IntPointLoads);
void Calc_Fg_IntPointLoadPlaneStrainQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const MeshData* Mesh, double* Fe, const InternalPointLoad* IntPointLoads);
void Calc_Fg_IntPointLoadMindlinSlabQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const MeshData* Mesh, double* Fe, const InternalPointLoad* IntPointLoads);
void Calc_Fg_IntPointLoadSolidHexa(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                   const MeshData* Mesh, double* Fe, const InternalPointLoad* IntPointLoads);
void Calc_Fg_IntPointLoadTimoshenkoBeam3D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                          const MeshData* Mesh, double* Fe, const InternalPointLoad* IntPointLoads);
void Calc_Fg_IntPointLoadMindlinShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                          const char* OutputControl, const MeshData* Mesh, double* Fe,
                                          const char* PointTypes, const InternalPointLoad* IntPointLoads);
void Calc_Fg_IntPointLoadAhmadShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const MeshData* Mesh, double* Fe,
                                        const char* PointTypes, const int* ElemPropIndex,
                                        const InternalPointLoad* IntPointLoads, const PointList* PointElemAdjacency);

// ---- internal edge and internal face loads ----------------------------------------------------
// The load per unit length (area) of an auxiliary line (surface) element is integrated
// into loads at its points, which reach the element's nodes as internal point loads. The
// element vector Fe is zeroed by the caller; the routines add to it. Members for the
// Timoshenko beam (edge only), plane, slab, shell and solid elements.
void Calc_Fg_IntEdgeLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                         const InternalEdgeLoad* IntEdgeLoads, const PointList* PointElemAdjacency);
void Calc_Fg_IntFaceLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                         const InternalFaceLoad* IntFaceLoads, const PointList* PointElemAdjacency);
void Calc_Fg_IntEdgeLoadTimoshenkoBeam3D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                         const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                         const PointList* PointElemAdjacency);
void Calc_Fg_IntEdgeLoadPlaneStressQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                        const PointList* PointElemAdjacency);
void Calc_Fg_IntEdgeLoadPlaneStrainQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                        const PointList* PointElemAdjacency);
void Calc_Fg_IntEdgeLoadMindlinSlabQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                        const PointList* PointElemAdjacency);
void Calc_Fg_IntEdgeLoadMindlinShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                         const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                         const PointList* PointElemAdjacency);
void Calc_Fg_IntEdgeLoadAhmadShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                       const char* OutputControl, const LoadCaseParameters* Params,
                                       const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                       const char* PointTypes, const InternalEdgeLoad* IntEdgeLoads,
                                       const PointList* PointElemAdjacency);
void Calc_Fg_IntEdgeLoadSolidHexa(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                  const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                  const int* ElemPropIndex, double* Fe, const char* PointTypes,
                                  const InternalEdgeLoad* IntEdgeLoads, const PointList* PointElemAdjacency);
void Calc_Fg_IntFaceLoadPlaneStressQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalFaceLoad* IntFaceLoads,
                                        const PointList* PointElemAdjacency);
void Calc_Fg_IntFaceLoadPlaneStrainQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalFaceLoad* IntFaceLoads,
                                        const PointList* PointElemAdjacency);
void Calc_Fg_IntFaceLoadMindlinSlabQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                        const char* OutputControl, const LoadCaseParameters* Params,
                                        const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                        const char* PointTypes, const InternalFaceLoad* IntFaceLoads,
                                        const PointList* PointElemAdjacency);
void Calc_Fg_IntFaceLoadMindlinShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                         const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                         const char* PointTypes, const InternalFaceLoad* IntFaceLoads,
                                         const PointList* PointElemAdjacency);
void Calc_Fg_IntFaceLoadAhmadShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                       const char* OutputControl, const LoadCaseParameters* Params,
                                       const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                       const char* PointTypes, const InternalFaceLoad* IntFaceLoads,
                                       const PointList* PointElemAdjacency);
void Calc_Fg_IntFaceLoadSolidHexa(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                  const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                  const int* ElemPropIndex, double* Fe, const char* PointTypes,
                                  const InternalFaceLoad* IntFaceLoads, const PointList* PointElemAdjacency);

// ---- face loads -----------------------------------------------------------------------------
// A force (slabs and shells: or a moment) per unit area over a plane, slab or shell
// element or a face of a solid hexahedron, integrated with the load case's rule; kinds
// of direction 'G', 'S' and 'E' (rows of the surface's local axes, third the normal).
// A load case without INTEGRATION_TYPE is refused for every type.
void Calc_Fg_FaceLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                      int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                      const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                      const FaceLoad* FaceLoads, const PointList* PointElemAdjacency);
void Calc_Fg_FaceLoadPlaneStressQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                     const char* OutputControl, const LoadCaseParameters* Params,
                                     const MeshData* Mesh, double* Fe, const FaceLoad* FaceLoads);
void Calc_Fg_FaceLoadPlaneStrainQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                     const char* OutputControl, const LoadCaseParameters* Params,
                                     const MeshData* Mesh, double* Fe, const FaceLoad* FaceLoads);
void Calc_Fg_FaceLoadMindlinSlabQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                     const char* OutputControl, const LoadCaseParameters* Params,
                                     const MeshData* Mesh, double* Fe, const FaceLoad* FaceLoads);
void Calc_Fg_FaceLoadMindlinShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                      const char* OutputControl, const LoadCaseParameters* Params,
                                      const MeshData* Mesh, double* Fe, const char* PointTypes,
                                      const FaceLoad* FaceLoads);
void Calc_Fg_FaceLoadAhmadShellQuad(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                    const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                    double* Fe, const char* PointTypes, const int* ElemPropIndex,
                                    const FaceLoad* FaceLoads, const PointList* PointElemAdjacency);
void Calc_Fg_FaceLoadSolidHexa(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                               const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                               double* Fe, const FaceLoad* FaceLoads);

// ---- edge loads -----------------------------------------------------------------------

// By element type; a load case without INTEGRATION_TYPE is refused for every type.
void Calc_Fg_EdgeLoad(int Size, int Record, int Element, int ElementType, int LoadCaseNumber, int nNodes,
                      int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                      const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                      const EdgeLoad* EdgeLoads, const PointList* PointElemAdjacency);
void Calc_Fg_EdgeLoadPlaneStressQuad(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                     const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                     const EdgeLoad* EdgeLoads);
void Calc_Fg_EdgeLoadPlaneStrainQuad(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                     const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                     const EdgeLoad* EdgeLoads);
void Calc_Fg_EdgeLoadSolidHexa(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                               const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                               const EdgeLoad* EdgeLoads);
void Calc_Fg_EdgeLoadTimoshenkoBeam3D(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                      int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                      const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads);
// Mindlin slab (type 18), Mindlin shell (type 20) and Ahmad shell (type 22): all 6 nNodes
// entries of Fe (the moments of a coplanar shell node in that point's coplanar axes).
// The dispatcher has checked the code of an auxiliary-vector direction ('S').
void Calc_Fg_EdgeLoadMindlinSlabQuad(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                     const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                     const EdgeLoad* EdgeLoads);
void Calc_Fg_EdgeLoadMindlinShellQuad(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                      const char* OutputControl, const LoadCaseParameters* Params,
                                      const MeshData* Mesh, double* Fe, const char* PointTypes,
                                      const EdgeLoad* EdgeLoads);
void Calc_Fg_EdgeLoadAhmadShellQuad(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                    const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                    const int* ElemPropIndex, double* Fe, const char* PointTypes,
                                    const EdgeLoad* EdgeLoads, const PointList* PointElemAdjacency);

// ---- gravity ------------------------------------------------------------------------------

void Calc_Fg_GravityLoad(int Size, int Element, int ElementType, int LoadCaseNumber, int nNodes, int PropIndex,
                         double Density, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const double* GravityVector,
                         const char* PointTypes, const PointList* PointElemAdjacency);
void Calc_Fg_GravityLoad_NL(int Size, int Element, int ElementType, int LoadCaseNumber, int nNodes, int PropIndex,
                            double Density, const char* OutputControl, const LoadCaseData* LoadCase,
                            const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                            const PointList* PointElemAdjacency);
void Calc_Fg_GravityLoadPlaneStressQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                        double Density, const LoadCaseParameters* Params, const MeshData* Mesh,
                                        double* Fe, const double* GravityVector);
void Calc_Fg_GravityLoadPlaneStrainQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                        double Density, const LoadCaseParameters* Params, const MeshData* Mesh,
                                        double* Fe, const double* GravityVector);
void Calc_Fg_GravityLoadSolidHexa(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                  double Density, const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                  const double* GravityVector);
void Calc_Fg_GravityLoadTimoshenkoBeam3D(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                         double Density, const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, double* Fe, const double* GravityVector);
void Calc_Fg_GravityLoadMindlinSlabQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                        double Density, const LoadCaseParameters* Params, const MeshData* Mesh,
                                        double* Fe, const double* GravityVector);
void Calc_Fg_GravityLoadMindlinShellQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                         double Density, const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, double* Fe, const double* GravityVector);
void Calc_Fg_GravityLoadAhmadShellQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                       double Density, const char* OutputControl, const LoadCaseParameters* Params,
                                       const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                       const double* GravityVector, const char* PointTypes,
                                       const PointList* PointElemAdjacency);

// Layered Mindlin and Ahmad shells of a nonlinear analysis (material kind _LAY_PATT): the
// layers summed at every point of the load case's two-dimensional rule, each with the
// density of its own material (CalcLayerDensity) and its thickness there.
void Calc_Fg_GravityLoadMindlinShellQuad_NL(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                            const char* OutputControl, const LoadCaseParameters* Params,
                                            const MeshData* Mesh, double* Fe, const double* GravityVector);
void Calc_Fg_GravityLoadAhmadShellQuad_NL(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                          const char* OutputControl, const LoadCaseParameters* Params,
                                          const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                          const double* GravityVector, const char* PointTypes,
                                          const PointList* PointElemAdjacency);

// Density of the element group's material: the linear loop knows "_LIN_ISO" and
// "_LIN_ORTHO" (0.0 for any other kind); the nonlinear loop every kind that has one
// (a material without a density stops the run with a worded message).
double CalcDensity(int PropIndex, const MeshData* Mesh);
double CalcDensity_NL(int PropIndex, const MeshData* Mesh);
// rho[k] = density of layer k = 1..L of layer pattern `LayerPatternNumber`; a layer
// kind without a density for the gravity load stops the run naming pattern and layer.
void CalcLayerDensity(int L, int LayerPatternNumber, double* rho, const MeshData* Mesh);

// ---- temperature loads -------------------------------------------------------------------------
// "<TEMPERATURE_VARIATION>": a temperature change uniform over the thickness or section,
// one value or one per node; the equivalent nodal forces of the restrained free thermal
// strain, f = integral of B^T D eps_T. "<DIFFERENTIAL_TEMPERATURE_VARIATION>": a
// difference dT between the faces of a beam, slab or shell, a thermal curvature
// alpha dT / depth. Integrated elements take the load case's rule (3 points per
// direction without a pattern), except the embedded cable, which integrates at the
// stored points of its own rule.

// The loops: per record, skipped when the element is inactive; an embedded cable loads
// its mother element. The nonlinear loop takes the element group's behaviour code: 'L'
// and 'G' the linear routines, 'M' and 'N' the nonlinear ones.
void Calc_F_TempVar(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                    const MainWorkArrays* Work, double* F_Free, double* F_Presc);
void Calc_F_TempVar_NL(int LoadCaseNumber, double TimeIncrement, double Time, Index_HD* IndexHD,
                       const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                       NLMM_HD* MaterialHD, const int* ElemToHD, const MainWorkArrays* Work, double* F_Free,
                       double* F_Presc, double** ElemNodalValues);
void Calc_F_DiffTempVar(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc);

// Dispatchers by element type (nComp = 6 NodeCount; RecordIndex = the record's position
// in its block).
void Calc_Fg_TempVar(int nComp, int Element, int ElementType, int LoadCaseNumber, int NodeCount, int PropIndex,
                     int RecordIndex, const char* OutputControl, const LoadCaseParameters* Params,
                     const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                     const PointList* PointElemAdjacency, const TemperatureVariationRecord* TempVarRecords);
void Calc_Fg_TempVar_NL(int nComp, int Element, int ElementType, int LoadCaseNumber, int NodeCount, int PropIndex,
                        int RecordIndex, double TimeIncrement, double Time, Index_HD* IndexHD,
                        const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                        NLMM_HD* MaterialHD, const int* ElemToHD, const int* ElemPropIndex, double* Fe,
                        double** ElemNodalValues, const char* PointTypes, const PointList* PointElemAdjacency,
                        const TemperatureVariationRecord* TempVarRecords);
// Embedded cable (type 32) on the dofs of its mother element: nComp = 6 MotherNodeCount,
// CablePosition = its slot in the mother's record MotherRecord.
void Calc_Fg_TempVarEmbCable(int nComp, int Cable, int Mother, int ElementType, int CablePosition, int LoadCaseNumber,
                             int MotherRecord, int MotherType, int CableNodeCount, int MotherNodeCount,
                             int CablePropIndex, int RecordIndex, const char* OutputControl,
                             const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                             const EmbCableMotherRecord* MotherElemRecords,
                             const TemperatureVariationRecord* TempVarRecords);
void Calc_Fg_TempVarEmbCable_NL(int nComp, int Cable, int Mother, int ElementType, int CablePosition,
                                int LoadCaseNumber, int MotherRecord, int MotherType, int CableNodeCount,
                                int MotherNodeCount, int CablePropIndex, int RecordIndex, const char* OutputControl,
                                const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                const EmbCableMotherRecord* MotherElemRecords,
                                const TemperatureVariationRecord* TempVarRecords);
void Calc_Fg_DiffTempVar(int RecordIndex, int nComp, int Element, int ElementType, int LoadCaseNumber, int NodeCount,
                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                         const DiffTemperatureVariationRecord* DiffTempVarRecords,
                         const PointList* PointElemAdjacency);

// Element routines of a uniform temperature variation. Each fills all 6 NodeCount
// entries of Fe in global axes.
void Calc_Fg_TempVarPlaneStressQuad(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                                    int RecordIndex, const LoadCaseParameters* Params, const MeshData* Mesh,
                                    double* Fe, const TemperatureVariationRecord* TempVarRecords);
void Calc_Fg_TempVarPlaneStrainQuad(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                                    int RecordIndex, const LoadCaseParameters* Params, const MeshData* Mesh,
                                    double* Fe, const TemperatureVariationRecord* TempVarRecords);
void Calc_Fg_TempVarMindlinShellQuad(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                                     int RecordIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                     const MeshData* Mesh, double* Fe,
                                     const TemperatureVariationRecord* TempVarRecords);
void Calc_Fg_TempVarAhmadShellQuad(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                                   int RecordIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                   const int* ElemPropIndex, const MeshData* Mesh, double* Fe,
                                   const char* PointTypes, const PointList* PointElemAdjacency,
                                   const TemperatureVariationRecord* TempVarRecords);
void Calc_Fg_TempVarTimoshenkoBeam3D(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                                     int RecordIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                     const MeshData* Mesh, double* Fe,
                                     const TemperatureVariationRecord* TempVarRecords);
void Calc_Fg_TempVarCable2D(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                            int RecordIndex, const char* OutputControl, const LoadCaseParameters* Params,
                            const MeshData* Mesh, double* Fe, const TemperatureVariationRecord* TempVarRecords);
void Calc_Fg_TempVarCable3D(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                            int RecordIndex, const char* OutputControl, const LoadCaseParameters* Params,
                            const MeshData* Mesh, double* Fe, const TemperatureVariationRecord* TempVarRecords);
// Linear solid: isotropic (alpha, alpha, alpha) or orthotropic (alpha1, alpha2, alpha3
// along x1, x2, x3) thermal strain against the element's elasticity matrix.
void Calc_Fg_TempVarSolidHexa(int nVec, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int RecordIndex,
                              const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                              const TemperatureVariationRecord* TempVarRecords);
// Creep and shrinkage loads of one element (6 entries per node, translations filled):
// by element type, a plane-stress quadrilateral gives none, a solid hexahedron (8 or 20
// nodes) the sum over its points of B^T s w det J, s the total creep stress of the step
// or D times the total shrinkage strain at the step's end.
void Calc_Fg_CreepLoad_NL(int nDofs, int elem, int type, int nNodes, int prop, double dt, double t,
                          const Index_HD* index, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, double* Fg,
                          double** nodeTemps);
void Calc_Fg_ShrinkLoad_NL(int nDofs, int elem, int type, int nNodes, int prop, double dt, double t,
                           const Index_HD* index, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, double* Fg,
                           double** nodeTemps);
void Calc_Fg_CreepSolidHexa_NL(int nDofs, int elem, int nNodes, int prop, double dt, double t, const Index_HD* index,
                               const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, double* Fg,
                               double** nodeTemps);
void Calc_Fg_ShrinkSolidHexa_NL(int nDofs, int elem, int nNodes, int prop, double dt, double t, const Index_HD* index,
                                const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, double* Fg,
                                double** nodeTemps);
// Solid of a nonlinear run: a linear group takes the linear load; a time-dependent
// material pattern the load of its points at the step (dt, t, the element-node
// temperatures ElemNodalValues, the point records through IndexHD and ElemToHD); any
// other nonlinear material is refused with a message, since its laws carry no thermal
// strain.
void Calc_Fg_TempVarSolidHexa_NL(int nVec, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                 int RecordIndex, double TimeIncrement, double Time, Index_HD* IndexHD,
                                 const LoadCaseParameters* Params, const MeshData* Mesh, NLMM_HD* MaterialHD,
                                 const int* ElemToHD, int** ElemNodes, double* Fe, double** ElemNodalValues,
                                 double** PointCoord, const NumericalIntegration* Integrations,
                                 const ElementProperty* ElemProps, const TemperatureVariationRecord* TempVarRecords);
// Embedded cables: "_LIN_ISO" (linear routine) or "_NLMM201" / "_NLMM202" (nonlinear).
void Calc_Fg_TempVarEmbCable3D(int nComp, int Cable, int Mother, int CablePosition, int LoadCaseNumber,
                               int MotherRecord, int MotherType, int CableNodeCount, int MotherNodeCount,
                               int CablePropIndex, int RecordIndex, const char* OutputControl,
                               const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                               const EmbCableMotherRecord* MotherElemRecords,
                               const TemperatureVariationRecord* TempVarRecords);
void Calc_Fg_TempVarEmbCable3D_NL(int nComp, int Cable, int Mother, int CablePosition, int LoadCaseNumber,
                                  int MotherRecord, int MotherType, int CableNodeCount, int MotherNodeCount,
                                  int CablePropIndex, int RecordIndex, const char* OutputControl,
                                  const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                  const EmbCableMotherRecord* MotherElemRecords,
                                  const TemperatureVariationRecord* TempVarRecords);

// Element routines of a differential temperature variation (moments only).
void Calc_Fg_DiffTempVarTimoshenkoBeam3D(int RecordIndex, int nComp, int Element, int LoadCaseNumber, int NodeCount,
                                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, double* Fe,
                                         const DiffTemperatureVariationRecord* DiffTempVarRecords);
void Calc_Fg_DiffTempVarMindlinSlabQuad(int RecordIndex, int nComp, int Element, int LoadCaseNumber, int NodeCount,
                                        int PropIndex, const LoadCaseParameters* Params, const MeshData* Mesh,
                                        double* Fe, const DiffTemperatureVariationRecord* DiffTempVarRecords);
void Calc_Fg_DiffTempVarMindlinShellQuad(int RecordIndex, int nComp, int Element, int LoadCaseNumber, int NodeCount,
                                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, double* Fe, const char* PointTypes,
                                         const DiffTemperatureVariationRecord* DiffTempVarRecords);
void Calc_Fg_DiffTempVarAhmadShellQuad(int RecordIndex, int nComp, int Element, int LoadCaseNumber, int NodeCount,
                                       int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                       const int* ElemPropIndex, const MeshData* Mesh, double* Fe,
                                       const char* PointTypes, const PointList* PointElemAdjacency,
                                       const DiffTemperatureVariationRecord* DiffTempVarRecords);

// Shared by the temperature routines. The thermal constants of the element's material,
// read only for the kinds listed in kinds[] (ended by 0): "_LIN_ISO" alpha = value 2,
// E = value 3; "_LIN_ORTHO" alpha1..3 = values 2..4; "_NLMM201" alpha = value 2, E = value
// 4 / value 3; "_NLMM202" alpha = value 2, E = value 3. Another kind is refused with the
// context lines and the material type.
struct ThermalMaterial {
  int kind;
  double alpha[4];  // [1..3]; the same three for isotropic kinds
  double E;         // 0 for "_LIN_ORTHO"
};
void GetThermalMaterial(const LoadReportContext& c, int PropIndex, const MeshData* Mesh, const int* kinds,
                        ThermalMaterial* t);
// dT[1..n] from one value or one value per node.
void TempVarNodalValues(const LoadReportContext& c, int valueCount, const double* values, int n, double* dT);
// Work arrays of an isoparametric element of n nodes integrated over dim natural
// coordinates: nodal coordinates X (n x dim), dN and dNdx (n x dim), J and Jinv
// (dim x dim), shape values N and nodal temperatures dT (n).
struct ThermalIsoWork {
  double **X, **dN, **J, **Jinv, **dNdx, *N, *dT;
};
void OpenThermalIsoWork(int n, int dim, ThermalIsoWork* w);
void CloseThermalIsoWork(ThermalIsoWork* w);
