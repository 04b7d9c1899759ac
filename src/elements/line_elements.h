// Line and interface element families: cables (2-D and 3-D), the 3-D Timoshenko beam,
// line interfaces (2-D and 3-D), the quadrilateral surface interface and cables embedded
// in a mother element.
//
// Conventions of every routine here:
// - Results are in global axes and element dof order (node by node, the dofs of the
//   type's dof mask); the caller supplies the result, which is overwritten.
// - prop is the 1-based index of the element's "<ELEMENT_PROPERTIES>" record; oc is the
//   output-control flag array (entries 1..68).
// - Nonlinear routines take the history-data index and the current copy of the history
//   table of the run (entry 2k the current records of model slot k), with the
//   element-to-slot vector; the material laws they call are reached through their
//   codes and refuse through the internal error while a law is not part of the build.
// - Element-level failures write "\n" and a context line naming the element to the error
//   stream, then stop through errexit without a line number.
#pragma once

#include "elements/locate.h"
#include "materials/elastic.h"

struct MeshData;
struct MaterialRecord;
struct ElementProperty;
struct Index_HD;
struct NLMM_HD;

// ---- shared by the line families -------------------------------------------------------

// Stops the run when nNodes is not one of valid[1..nValid]: context line, then
// "Element n. %d (%s) has %d nodes.\nThis element type takes ... nodes.".
void CheckNodeCountLineElem(int elem, int typeCode, int nNodes, const char* context, int nValid, const int* valid);
// Point count along s1 of sub-pattern `pattern` ('G', 'M', 'S', 'T' or 'B') of the
// element's integration record, 2 when the property names none. A count of 0 stops the
// run with "Integration pattern is incomplete.\nThe parameter _X_S1_k is missing.".
int CalcNumIntPointsLine(int elem, const char* context, int prop, char pattern, const MeshData* mesh);
// A[1..n]: cross-section area at each node ("_CS_AREA" record or a geometry pattern of them).
void CalcNodalAreasLine(int n, int prop, const MeshData* mesh, double* A);
// History record of integration point ip of element elem: entry ip of the element's row
// of the index (the row from the element-to-slot vector); 0 without an index (the laws
// that need a record refuse it), the internal error for an element without a row.
int LinePointRecord(const Index_HD* indexHD, const int* elemToHD, int elem, int ip);

// ---- cables (type 5 Cable2D, d = 2; type 6 Cable3D, d = 3) -------------------------------

// b[d(i-1)+1] = g[i], i = 1..nNodes; the other entries of b are not touched.
void ScatterNodalValuesCable2D(int nNodes, double* b, const double* g);
void ScatterNodalValuesCable3D(int nNodes, double* b, const double* g);

void CalcStiffCable2D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh, double** Kg);
void CalcStiffCable3D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh, double** Kg);
void CalcStiffCable2D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                         const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                         double** Kg);
void CalcStiffCable3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                         const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                         double** Kg);
// elemDispl: total nodal displacements (nDof); elemTempVar[elem][1..nNodes]: nodal
// temperature variations.
void CalcInt_Fg_Cable2D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                           const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                           const double* elemDispl, double** elemTempVar, double* Fint);
void CalcInt_Fg_Cable3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                           const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                           const double* elemDispl, double** elemTempVar, double* Fint);

// ---- 3-D Timoshenko beam (type 8, 6 dofs per node) -------------------------------------

// Nonzero entries of the strain matrix of one deformation mode (B zeroed by the caller,
// nDof = 6 nNodes columns): kind 'A' axial (1 row), 'S' shear (2 rows, with the section
// coordinates a and b), 'T' torsion (1 row), 'B' bending (2 rows). g = dN/dx along the
// arc length and N the shape values at the point.
void CalcMat_B_TimoshenkoBeam3D(int nNodes, char kind, double a, double b, double** B, const double* g,
                                const double* N);
void CalcStiffTimoshenkoBeam3D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                               double** Kg);

// Fibre sections (property of material kind _FIB_MESH: its record number is the
// "<FIBROUS_MESHES>" record). Section coordinates y, z run along local axes 2 and 3.

// map[1..nFE]: the property record of each fibrous element for the phase (a later
// record overrides an earlier one), 0 for none.
void CalcFibrousElemPropIndex(int fibrousMesh, int phase, const MeshData* mesh, int* map);
// X (nN x 2): the section coordinates of the fibrous element's nodes in one
// cross-section's point table.
void CalcMat_FibrousElemNodeCoord(int fibrousElement, int nN, int** nodeLists, double** X, double** sectionPoints);
// Angle, areas and positions (nNodes x nFibres) of node 1 copied to nodes 2..nNodes.
void CopyFirstCrossSection(int nFibres, int nNodes, double* angles, double** A, double** Y, double** Z);

// The fibres of one beam element: fibrous elements with a property for phase 1 in
// element order, p1 x p2 fibres each (s2 count outer, s1 inner); per beam node n the
// area and position of every fibre (node n has cross-section n, or every node the first
// when the mesh has fewer cross-sections than the element nodes) and the L2-L3 angle of
// the local axes 2, 3 (the unit of the "<FRAME_3D_CROSS_SECTIONS>" angle).
struct FibreSection {
  int nNodes, nFE, nFibres;
  int* prop;   // [1..nFE] property record, 0 without one
  int* count;  // [1..nFE] fibres
  // [1..nFibres]: material kind and record, rank of the fibrous element among those with
  // a property, point number inside it.
  int *kind, *number, *rank, *point;
  double **A, **Y, **Z;  // nNodes x nFibres
  double* angle;         // [1..nNodes]
};
// forces: the context lines of the internal-force routine. A degenerate fibrous element
// stops the run.
void OpenFibreSection(int elem, int nNodes, int prop, bool forces, const MeshData* mesh, FibreSection* s);
void CloseFibreSection(FibreSection* s);
// Set-up of a nonlinear run: every fibrous mesh that an active type-8 element uses
// (property ranges, fibre materials, node counts and numbers, integration, record order,
// cross-sections per element node); a fault stops the run with a data-file message.
void CheckFibrousMeshes(const MeshData* mesh, const int* ElemPropIndex);

// Tangent stiffness (Kg nDof x nDof, global axes) from the fibres' moduli: the stored
// tangents of their records, the initial moduli in iteration 1 of combination 1.
void CalcStiffTimoshenkoBeam3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                  const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD,
                                  const int* elemToHD, double** Kg);
// Section resultants R[1..3] at axial point ip from the fibre values A_f, y_f, z_f at
// the point. Kind 'A': strains (axial strain, d(theta2)/dx, d(theta3)/dx), total and
// increment, give (axial force, moment with d(theta2)/dx, moment with d(theta3)/dx)
// through the fibres' laws, which advance their records. Kind 'S': the total (g12, g13,
// twist) give (shear forces along local axes 2 and 3, torque), elastic. Combination,
// element and iteration serve the fatal messages of the laws.
void CalcStressTimoshenkoBeam3D_NL(char kind, int ip, int comb, int elem, int iter, const FibreSection& s,
                                   const double* Af, const double* yf, const double* zf, const double* eTotal,
                                   const double* eIncrement, const Index_HD* indexHD, const MeshData* mesh,
                                   NLMM_HD* nlmmHD, const int* elemToHD, double* R);
// Internal forces (Fint nDof, global axes) of the total nodal displacements and of the
// increment not yet in the fibres' records (both nDof, global axes).
void CalcInt_Fg_TimoshenkoBeam3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                    const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD,
                                    const int* elemToHD, const double* displIncrement, const double* displTotal,
                                    double* Fint);

// ---- line interfaces (type 27 InterfaceLine2D, d = 2; type 28 InterfaceLine3D, d = 3) ----
// Nodes 1..m on the first face, m+1..2m on the second (node m+i faces node i).

// D (d x d) of the linear interface record: CalcMat_D_InterfaceLine2D/3D (materials/elastic.h).
// B (d x 2dm): -N_i I on the first face, +N_i I on the second (relative displacement).
void CalcMat_B_Interface2D(int m, double** B, const double* N);
void CalcMat_B_Interface3D(int m, double** B, const double* N);
// X (m x d): mid-line (mid-surface) coordinates, the means of the facing node pairs, in
// the coordinates of the type's coordinate mask.
void CalcMidCoordInterface(int elem, int typeCode, int m, const MeshData* mesh, double** X);
// t[1..m]: width at the mid-line nodes, the mean of the facing nodes' laminate
// thicknesses (section kind "_GEOM_PATT" or "_LAM_THICK").
void CalcWidthsInterfaceLine(int m, int prop, const MeshData* mesh, double* t);
void CalcStiffInterfaceLine2D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                              double** Kg);
void CalcStiffInterfaceLine3D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                              double** Kg);

// Tangent stiffness and internal forces with a nonlinear interface model (the bond laws
// in 2-D; in 3-D the cyclic bond of a bar, whose width is its perimeter).
void CalcStiffInterfaceLine2D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                 double** Kg);
void CalcStiffInterfaceLine3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                 double** Kg);
void CalcInt_Fg_InterfaceLine2D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   const double* elemDisplIncr, const double* elemDispl, double* Fint);
void CalcInt_Fg_InterfaceLine3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   const double* elemDisplIncr, const double* elemDispl, double* Fint);

// ---- surface interface (type 30 InterfaceQuad, 4, 8 or 9 nodes per face) -----------------

// D of the linear interface record: CalcMat_D_InterfaceSurf (materials/elastic.h).
void CalcStiffInterfaceQuad(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                            double** Kg);
void CalcStiffInterfaceQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                               const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                               double** Kg);
void CalcInt_Fg_InterfaceQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                                 const double* elemDisplIncr, const double* elemDispl, double* Fint);

// ---- embedded cables (type 31 EmbCable2D in mothers 10, 13; type 32 EmbCable3D in 24) ----
// Every matrix and vector is on the mother element's dof vector (nCols entries, the
// mother's element dof order). records[motherSeq].natCoords[slot] holds the mother's
// natural coordinates of the cable's integration points.

// b[1..nCols]: axial strain along the cable at the mother's natural point sm, from the
// mother's strain field; T the cable's local axes at the point, Xm the mother's nodal
// coordinates.
void CalcMat_B_EmbCable2D(int dim, int nCols, int cable, int mother, int nMotherNodes, int motherType, double* b,
                          const double* sm, double** T, double** Xm);
void CalcMat_B_EmbCable3D(int nCols, int cable, int mother, int nNat, int nMotherNodes, int motherType,
                          int selector, double* b, const double* sm, double** T, double** Xm);
void CalcStiffEmbCable2D(int nCols, int cable, int mother, int slot, int motherSeq, int motherType, int nMotherNodes,
                         int cableProp, const char* oc, const MeshData* mesh, double** K,
                         const EmbCableMotherRecord* records);
void CalcStiffEmbCable3D(int nCols, int cable, int mother, int slot, int motherSeq, int motherType, int nMotherNodes,
                         int cableProp, const char* oc, const MeshData* mesh, double** K,
                         const EmbCableMotherRecord* records);
// F = K a with the linear stiffness; a is the mother's total displacement vector.
void CalcInt_Fg_EmbCable2D(int nCols, int slot, int cable, int mother, int motherSeq, int motherType,
                           int nMotherNodes, int cableProp, const char* oc, const MeshData* mesh, const double* a,
                           double* F, const EmbCableMotherRecord* records);
void CalcInt_Fg_EmbCable3D(int nCols, int slot, int cable, int mother, int motherSeq, int motherType,
                           int nMotherNodes, int cableProp, const char* oc, const MeshData* mesh, const double* a,
                           double* F, const EmbCableMotherRecord* records);
void CalcStiffEmbCable2D_NL(int comb, int nCols, int cable, int mother, int slot, int iter, int motherSeq,
                            int motherType, int nMotherNodes, int cableProp, const char* oc, const Index_HD* indexHD,
                            const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD, double** K,
                            const EmbCableMotherRecord* records);
void CalcStiffEmbCable3D_NL(int comb, int nCols, int cable, int mother, int slot, int iter, int motherSeq,
                            int motherType, int nMotherNodes, int cableProp, const char* oc, const Index_HD* indexHD,
                            const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD, double** K,
                            const EmbCableMotherRecord* records);
void CalcInt_Fg_EmbCable2D_NL(int comb, int nCols, int cable, int mother, int slot, int iter, int motherSeq,
                              int motherType, int nMotherNodes, int cableProp, const char* oc,
                              const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                              const double* a, double* F, const EmbCableMotherRecord* records);
void CalcInt_Fg_EmbCable3D_NL(int comb, int nCols, int cable, int mother, int slot, int iter, int motherSeq,
                              int motherType, int nMotherNodes, int cableProp, const char* oc,
                              const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                              double** elemTempVar, const double* a, double* F, const EmbCableMotherRecord* records);
// Displacements of the cable nodes that have no dofs of their own, interpolated from
// their mother element: pointDispl[p][1..6] and present[p][...] (int flags) are written
// for those points. motherSeq[e] is e's mother sequence number (0: no mother), propIdx[e]
// its property record (0: inactive), pointDofCodes[p][1..6] the dof codes.
void CalcPointDisplEmbCable(const MeshData* mesh, int** present, const int* motherSeq, const int* propIdx,
                            double** pointDispl, char** pointDofCodes, const EmbCableMotherRecord* records);
