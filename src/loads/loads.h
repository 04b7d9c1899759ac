// Load vectors: the global load vector of a load case (free and prescribed parts), the
// point loads and the transfer of slave loads to their masters, the element load
// vectors of edge loads, internal point loads and gravity with their rotation and
// assembly, the densities of the element materials, and the prescribed displacements of
// a load case.
//
// Element load vector (Fe): 6 entries per element node, node after node in the order of
// the element's node list: forces along x1, x2, x3, then moments about x1, x2, x3, in
// global axes (the moments of a coplanar shell node are in that point's coplanar axes).
// After RotateNodalLoadsSpecialCoordSys the six entries of a node that lies on a point
// with a special coordinate system are in that system's axes.
//
// Work arrays of the driver (all 1-based, read only here):
//   PointDofCodes[p][1..6]   'F' free, 'P' prescribed, anything else absent
//   PointDofNumbers[p][1..6] index into F_Free or F_Presc
//   ElemPropIndex[e]         "<ELEMENT_PROPERTIES>" record of the phase, 0 = inactive
//   PointCoordSys[p]         "<COORDINATE_SYSTEMS>" record, 0 = global axes
//   ElemHasSpecialCoordSys[e] 1 when a node of e has a special coordinate system
//   PointTypes[p]            'G' general, 'M' / 'A' coplanar point of Mindlin / Ahmad shells
//   PointElemAdjacency[p]    elements holding p, with p's local node number in each
// OutputControl is the 1-based array of the 68 output-control flags ('Y' = on).
#pragma once

#include "model/loadcase.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

// State of the nonlinear drivers, passed through unread.
struct Index_HD;
struct NLMM_HD;
struct ElemHDEntry;
// Mother elements of embedded cables (read by the temperature loads only).
struct EmbCableMotherRecord;

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

// ---- global load vector of a load case ----------------------------------------------

// Zeroes F_Free[1..nF] and F_Presc[1..nP] and adds, in this order, gravity, point
// loads, internal point, edge, internal edge, face and internal face loads, temperature
// and differential temperature variation; then prints both vectors under PRINT_VECT_F.
void Calc_F(int nF, int nP, int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
            const MeshData* Mesh, int** PointDofNumbers, const int* MotherElemIndex, const int* ElemPropIndex,
            const int* PointCoordSys, double* F_Free, double* F_Presc, char** PointDofCodes,
            const char* ElemHasSpecialCoordSys, const char* PointTypes, const PointList* PointElemAdjacency,
            const EmbCableMotherRecord* MotherElemRecords);
// The same for the nonlinear drivers: gravity by the behaviour code of each element
// group and the nonlinear temperature loop, which receive the driver's state.
void Calc_F_NL(int nF, int nP, int LoadCaseNumber, double TimeIncrement, double Time, Index_HD* IndexHD,
               const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh, NLMM_HD* MaterialHD,
               int** PointDofNumbers, ElemHDEntry* ElemHDTable, const int* MotherElemIndex, const int* ElemPropIndex,
               const int* PointCoordSys, double* F_Free, double* F_Presc, double** ElemNodalValues,
               char** PointDofCodes, const char* ElemHasSpecialCoordSys, const char* PointTypes,
               const PointList* PointElemAdjacency, const EmbCableMotherRecord* MotherElemRecords);
void PrintGlobalLoadVector(int nF, int nP, const char* OutputControl, double* F_Free, double* F_Presc);

// ---- element load vector: rotation and assembly --------------------------------------

// Adds the entries of Fe into F_Free / F_Presc by the dof codes of the element's points.
// Entries below 1e-8 in magnitude are skipped; an entry on an absent dof, or one that is
// not a finite number, stops the run with the block, counter and element lines.
void AssembElementLoadVector(int BlockIndex, int Counter, int Element, int ElementType, int LoadCaseNumber, int nNodes,
                             const char* LoadTypeWord, const MeshData* Mesh, int** PointDofNumbers, double* F_Free,
                             double* F_Presc, const double* Fe, char** PointDofCodes);
// Turns the six entries of every node on a point with a special coordinate system into
// that system's axes (rows = its three auxiliary vectors, as stored).
void RotateNodalLoadsSpecialCoordSys(int Element, int nNodes, const int* PointCoordSys, int** ElemNodes, double* Fe,
                                     const AuxiliaryVector* AuxVectors, const CoordinateSystem* CoordSystems);

// ---- point loads and slave-to-master transfer ----------------------------------------

void Calc_F_PointLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                      const MeshData* Mesh, int** PointDofNumbers, const int* ElemPropIndex, const int* PointCoordSys,
                      double* F_Free, double* F_Presc, char** PointDofCodes, const char* PointTypes,
                      const PointList* PointElemAdjacency);
// F over the free dofs: every linked dof of a slave point of "<INTERNAL_POINT_LINKS>"
// passes its value to the master's dof and is set to 0.0, record after record.
void Calc_F_FreeMasterSlave(const MeshData* Mesh, int** PointDofNumbers, double* F, char** PointDofCodes);

// ---- load-block loops -------------------------------------------------------------------
// Each block loop walks its records in order, skips records on elements inactive in the
// phase, and builds, rotates and assembles the element load vector. The gravity loops
// visit every active element when |g1| + |g2| + |g3| is at least 1e-12; the nonlinear one
// takes each element group by its behaviour code.

void Calc_F_IntPointLoad(
    int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
    int** PointDofNumbers, const int* ElemPropIndex, const int* PointCoordSys, double* F_Free, double* F_Presc,
    char** PointDofCodes, const char* ElemHasSpecialCoordSys, const char* PointTypes,
    const PointList* PointElemAdjacency);
void Calc_F_EdgeLoad(
    int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
    int** PointDofNumbers, const int* ElemPropIndex, const int* PointCoordSys, double* F_Free, double* F_Presc,
    char** PointDofCodes, const char* ElemHasSpecialCoordSys, const char* PointTypes,
    const PointList* PointElemAdjacency);
void Calc_F_IntEdgeLoad(
    int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
    int** PointDofNumbers, const int* ElemPropIndex, const int* PointCoordSys, double* F_Free, double* F_Presc,
    char** PointDofCodes, const char* ElemHasSpecialCoordSys, const char* PointTypes,
    const PointList* PointElemAdjacency);
void Calc_F_FaceLoad(
    int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
    int** PointDofNumbers, const int* ElemPropIndex, const int* PointCoordSys, double* F_Free, double* F_Presc,
    char** PointDofCodes, const char* ElemHasSpecialCoordSys, const char* PointTypes,
    const PointList* PointElemAdjacency);
void Calc_F_IntFaceLoad(
    int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
    int** PointDofNumbers, const int* ElemPropIndex, const int* PointCoordSys, double* F_Free, double* F_Presc,
    char** PointDofCodes, const char* ElemHasSpecialCoordSys, const char* PointTypes,
    const PointList* PointElemAdjacency);
void Calc_F_GravityLoad(
    int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
    int** PointDofNumbers, const int* ElemPropIndex, const int* PointCoordSys, double* F_Free, double* F_Presc,
    char** PointDofCodes, const char* ElemHasSpecialCoordSys, const char* PointTypes,
    const PointList* PointElemAdjacency);
void Calc_F_GravityLoad_NL(
    int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
    int** PointDofNumbers, const int* ElemPropIndex, const int* PointCoordSys, double* F_Free, double* F_Presc,
    char** PointDofCodes, const char* ElemHasSpecialCoordSys, const char* PointTypes,
    const PointList* PointElemAdjacency);

// ---- context lines of the element-load reports ---------------------------------------

// What an element load routine prints before its fatal message: an empty line, the
// heading, "   -> Load case: %d", "   -> Block name: %s", the counter line (when
// counterFormat is not null), "   -> Element: %d" and "   -> Element type: %s" (when
// typeKeyword is not null).
struct LoadReportContext {
  const char* heading;        // "Calculating the edge load contribution to the global load vector:\n"
  int loadCase;
  const char* block;          // "<EDGE_LOAD>"
  const char* counterFormat;  // "   -> Edge load counter: %d\n" or null
  int counter;
  int element;
  const char* typeKeyword;    // "_SOLID_HEXA" or null
};
void PrintLoadReportContext(const LoadReportContext& c);
LoadReportContext EdgeLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType);
LoadReportContext GravityReportContext(int LoadCaseNumber, int Element, int ElementType);
LoadReportContext IntPointLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType);

// Context lines, then `line` (one formatted line, or null), then the fatal message.
[[noreturn]] void RefuseLoad(const LoadReportContext& c, const char* line, const char* msg);

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
void GetLoadRulePointCounts(const LoadReportContext& c, const LoadCaseParameters* Params, const MeshData* Mesh,
                            int nDirs, int* counts);

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

// Internal point loads by element type (trusses and frames; the other families stop
// through the internal error until their routines are added). LoadCaseNumber 0 (the
// contact array's unit loads) is accepted for trusses and frames only.
void Calc_Fg_IntPointLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                          int PropIndex, const char* OutputControl, const MeshData* Mesh, const int* ElemPropIndex,
                          double* Fe, const char* PointTypes, const InternalPointLoad* IntPointLoads,
                          const PointList* PointElemAdjacency);

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

// Density of the element group's material: the linear loop knows "_LIN_ISO" and
// "_LIN_ORTHO" (0.0 for any other kind); the nonlinear loop every kind that has one
// (a material without a density stops the run with a worded message).
double CalcDensity(int PropIndex, const MeshData* Mesh);
double CalcDensity_NL(int PropIndex, const MeshData* Mesh);
// rho[k] = density of layer k = 1..L of layer pattern `LayerPatternNumber`.
void CalcLayerDensity(int L, int LayerPatternNumber, double* rho, const LayerPattern* LayerPatterns,
                      const LayerProperty* LayerProps, const MaterialRecord* LinIso, const MaterialRecord* LinOrtho,
                      const MaterialRecord* Nlmm101, const MaterialRecord* Nlmm104, const MaterialRecord* Nlmm121,
                      const MaterialRecord* Nlmm141, const MaterialRecord* Nlmm142);

// ---- prescribed displacements of a load case -------------------------------------------

// uP[1..nP] = the values of the "<PRESCRIBED_DISPLACEMENTS>" records (0.0 elsewhere).
void Calc_a_Presc(int nP, int LoadCaseNumber, const LoadCaseData* LoadCase, int** PointDofNumbers, double* uP,
                  char** PointDofCodes);
