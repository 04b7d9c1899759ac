// Element kernel: element-type table, shape functions, edge and face node tables,
// integration rules, element geometry (Jacobians, normals, tangents), transformation
// matrices, element-matrix conventions and cross-section properties.
//
// Every vector and matrix is 1-based (numcore allocators); results go into storage that
// the caller allocates with the sizes stated here.
//
// Element-matrix conventions shared by every element routine:
// - ElemMat_N (d x n*d): N[i][(k-1)*d + i] = N_k, node-major, dofs interleaved.
// - ElemMat_B: one row per strain component, column (k-1)*d + i is dof i of node k.
//   Plane (d = 2): rows (eps_a, eps_b, gamma_ab) in the two in-plane coordinates of the
//   type's coordinate mask. Solid (d = 3): rows (eps11, eps22, eps33, gamma23, gamma13,
//   gamma12). Shear strains are engineering strains.
// - ElemMat_D: square, in the strain order of the matching B.
// - ElemMat_T: row i holds local axis i in global components: local = T * global, and a
//   global element matrix is T^T K_local T per nodal block.
#pragma once

#include <cstdint>

#include "materials/point_context.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

// ---- element-type table ------------------------------------------------------------

// One row of the element-type table. Masks keep a leading blank so that character k is
// coordinate k (coordMask, x1 x2 x3) or point dof k (dofMask, u1 u2 u3 r1 r2 r3).
struct ElementTypeRow {
  const char* keyword;
  const char* name;
  int32_t nFaces;
  int32_t nEdges;
  int32_t elemDim;
  int32_t spaceDim;
  int32_t dofsPerNode;
  const char* coordMask;
  const char* dofMask;
  int32_t flags;  // low byte: not a truss or frame; second byte: plane, axisymmetric, slab or shell
  int32_t shapeCode;  // 1 point, 2 line, 3 triangle, 4 quadrilateral, 5 tetrahedron, 6 hexahedron
};


constexpr int kNumElementTypes = _EMB_CABLE_3D;

// Indexed directly by the type code 0..32 (row 0 is the empty type).
extern const ElementTypeRow ElementTypeInfo[kNumElementTypes + 1];

// Checked access for codes that come from the data file: a code outside 0..32 stops the
// run with "Invalid element type code." instead of reading past the table.
const ElementTypeRow& GetElementTypeInfo(int typeCode);

// ---- shape functions ---------------------------------------------------------------
// Lines (2, 3 nodes) take s as one double; the other shapes take s[1..dim].
// First derivatives of quadrilaterals, triangles and hexahedra: n x dim, row = node.

void CalcShapeFuncLine(int n, double s, double* N);
void CalcShapeFuncDerivLine(int n, double s, double* dN);
void CalcShapeFuncDeriv2Line(int n, double s, double* d2N);

void CalcShapeFuncQuad(int n, double* N, const double* s);
void CalcShapeFuncDerivQuad(int n, double** dN, const double* s);
void CalcShapeFuncDeriv2Quad_ds1_ds1(int n, double* d2N, const double* s);
void CalcShapeFuncDeriv2Quad_ds1_ds2(int n, double* d2N, const double* s);
void CalcShapeFuncDeriv2Quad_ds2_ds2(int n, double* d2N, const double* s);

void CalcShapeFuncTriang(int n, double* N, const double* s);
void CalcShapeFuncDerivTriang(int n, double** dN, const double* s);

void CalcShapeFuncSolidHexa(int n, double* N, const double* s);
void CalcShapeFuncDerivSolidHexa(int n, double** dN, const double* s);

// S (n x 2): natural coordinates of the nodes of a 4-, 8- or 9-node quadrilateral.
void CalcNatCoord(int n, double** S);
// Natural coordinates S (n x 3) of the nodes of the 8- or 20-node hexahedron.
void CalcNatCoordSolidHexa(int n, double** S);

// ---- edge and face node tables -----------------------------------------------------

void CalcNodeEdgeQuad(int edge, int n, int* nodes);
void CalcNodeFaceEdgeQuad(int edge, int n, double* sign1, double* sign2, int* nodes);
void CalcNodeEdgeSolidHexa(int edge, int n, int* nodes);
// flag = 1 where the listed order runs clockwise seen from outside the element.
void CalcNodeFaceSolidHexa(int face, int n, unsigned char* flag, int* nodes);
// False (nothing written) when the edge is not one of the face's four edges.
bool CalcNodeFaceEdgeSolidHexa(int edge, int face, int n, double* sign1, double* sign2, int* nodes);

// ---- integration rules -------------------------------------------------------------

// The integration type codes of element properties and load cases (INTEG_GLEG ... of
// model/mesh.h), under the names of the rule tables.
enum IntegrationRuleType { kIntGLEG = INTEG_GLEG, kIntGLOB = INTEG_GLOB, kIntNCOTES = INTEG_NCOTES };

// Constant rule tables. Line rules: abscissa[type][n][i], weight[type][n][i] for
// n = 1..10 points on [-1, 1], i = 1 (most negative) .. n. Triangle rules:
// triS1/triS2/triWeight[type][n][i] for n = 1..6 points. Rows that hold no rule are zero;
// reach them only through the checked lookups below.
struct IntegrationRules {
  double abscissa[4][11][11];
  double weight[4][11][11];
  double triS1[4][7][7];
  double triS2[4][7][7];
  double triWeight[4][7][7];
};

extern const IntegrationRules IntegrationRuleTable;
// The same table under the name some element families use.
inline const IntegrationRules& IntegrationPointTable = IntegrationRuleTable;

// Checked lookups. elem and intPattern (0 = default rule) name the element and its
// integration pattern in the refusal messages. They return 1-based rows of the table.
// Line rule: type 1 with 1..10 points or type 2 with 2..10 points.
void GetLineIntegrationRule(int elem, int intType, int intPattern, int nPoints, const double** a,
                            const double** w);
// Triangle rule: type 1 with 1, 3, 4 or 6 points.
void GetTriangIntegrationRule(int elem, int intType, int intPattern, int nPoints, const double** s1,
                              const double** s2, const double** w);
// The counts a pattern record gives for nDirs natural directions (1..3); a count of 0 is
// a missing parameter: "Integration pattern is incomplete.\n..." with the parameter names.
void CheckIntegrationPatternComplete(int nDirs, int c1, int c2, int c3);
// Quadrilateral product rule: c1 x c2 points, S (c1*c2 x 2) and W[1..c1*c2], s1 in the
// outer loop; intPattern 0 means 2 x 2 whatever c1 and c2 hold. Returns the point count.
int CalcIntegrationPointsQuad(int elem, int intType, int intPattern, int c1, int c2, double** S, double* W);

// Point counts of an element's integration pattern along its nDirs natural directions
// (counts[1..nDirs]): defaultCount in every direction when the property names no
// "<NUMERICAL_INTEGRATION>" record, else its _G_S1_k, _G_S2_k, _G_S3_k. A count of 0
// stops the run with "Integration pattern is incomplete..." after the context line (one
// %d: elem) and the line naming the pattern.
void CalcElemIntegrationCounts(int elem, const char* context, int nDirs, int defaultCount, int property,
                               const NumericalIntegration* integrations, const ElementProperty* props, int* counts);
// The same for the triangle rule: defaultCount, or the record's triangle point count.
int CalcElemTriangIntegrationPoints(int elem, const char* context, int defaultCount, int property,
                                    const NumericalIntegration* integrations, const ElementProperty* props);

// ---- materially nonlinear continuum skeleton ------------------------------------------

struct Index_HD;
struct NLMM_HD;
// Plane quadrilateral (types 10, 13) or solid hexahedron (24) of nonlinear material: with
// Kg the tangent B^T D B, else the internal forces Fint of B^T sigma for the displacement
// increment du, which advances the point records. Points are counted s1 fastest, then s2,
// then s3; the material point of the element's kind gives D and sigma.
// With prevCoord (point coordinates of the last converged configuration, the layout of
// the mesh's point coordinates) the element is also geometrically nonlinear, in the
// kinematic description of the run, at the current iterate X0 + aTotal (the element's
// total displacements, null for none). The law works on the true (Cauchy) stress and the
// logarithmic strain ln U (F = R U) in the axes of the reference: the strain increment is
// ln U of the iterate less ln U of the iterate before du, and the stress the law returns
// is turned by R and pulled back to the second Piola-Kirchhoff stress S of the reference;
// B_L = B_L0 + B_NL, the forces B_L^T S and the tangent B_L^T D B_L + G^T S G. Total
// Lagrangian: on the initial geometry, the record holds the true stress in the material
// axes R^T sigma R. Updated Lagrangian: on the converged geometry, the record holds the
// true stress in the axes of the iterate: turned back before the update and on after it,
// so that a rigid rotation turns it with the body and a stretch is the law's alone.
// The history mode is the one the driver built the table hd for: the records restart from
// the converged state at every residual (du the whole increment since it) or carry on from
// the last iterate (du the last correction).
// step: the time step, the time at its end, the element's nodal temperatures and its
// nodal temperature variations (of the combination, and their increment since the last
// converged one), which the time-dependent material patterns of the solid read (none:
// time 0, no temperatures).
struct ContinuumStepState {
  double dt;
  double t;
  const double* nodeTemps;      // [1..n] or null
  const double* tempTotal;      // [1..n] or null
  const double* tempIncrement;  // [1..n] or null
};
void ContinuumElementNL(int type, int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                        const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                        const double* du, double** Kg, double* Fint, double** prevCoord = nullptr,
                        const ContinuumStepState* step = nullptr, const double* aTotal = nullptr);

// ---- kernels of geometric nonlinearity (dim 2: plane, strains 11 22 12; dim 3: solid,
// strains 11 22 33 23 13 12; engineering shears) ---------------------------------------
// dNdX (n x dim): derivatives on the reference geometry; U (n x dim): nodal displacements
// of a configuration from the reference, so that H = U^T dNdX and F = I + H.
// Displacement-dependent part of the Green strain matrix: (B_L0 + B_NL(H)) du is the
// increment of 1/2 (H + H^T + H^T H); all entries written.
void CalcMat_BNL_NLMG(double** BNL, double** dNdX, double** U, int n, int dim);
// G (dim^2 x dim n): the displacement gradient components of dof (k, i) in rows
// dim (i - 1) + 1 .. dim i; only those entries written.
void CalcMat_G_NLMG(int n, int dim, double** G, double** dNdX);
// T (dim x dim) of a stress vector; S (dim^2 x dim^2) with T in its diagonal blocks (only
// those written).
void StressVecToTensor(int dim, const double* sigma, double** T);
void CalcMat_S_NLMG(int dim, double** T, double** S);
// Pull-back S = det F F^-1 T(sigma) F^-T as a vector; a singular F is a fault of the
// iterate (IterateFault) named by the context line of the element and its sampling point.
void CalcStressPK2_NLMG(int dim, int n, double** dNdX, double** U, double* S, const double* sigma, int elem,
                        int point, const char* context);
// R (dim x dim) of the polar decomposition F = R V of the configuration U; a singular F
// stops the run as above.
void CalcPolarRotation_NLMG(int dim, int n, double** dNdX, double** U, double** R, int elem, int point,
                            const char* context);
// out = R T(in) R^T, or R^T T(in) R when back, as stress vectors.
void RotateStress_NLMG(int dim, double** R, bool back, const double* in, double* out);
// Green-Lagrange strain E = 1/2 (F^T F - I) of the configuration U on the reference of
// dNdX, in the strain order of the dimension.
void CalcGreenStrain_NLMG(int dim, int n, double** dNdX, double** U, double* E);
// Logarithmic strain ln U of F = R U of the configuration U on the reference of dNdX, in
// the axes of the reference, engineering shear; a singular F stops the run as above.
void CalcLogStrain_NLMG(int dim, int n, double** dNdX, double** U, double* eps, int elem, int point,
                        const char* context);
// DS (nc x nc) = dS/dE of the second Piola-Kirchhoff stress S = det U U^-1 sigma U^-1 of
// the true stress sigma in the axes of the reference, which follows ln U through the
// tangent D; what the kinematics add to D is made symmetric.
// A plane-stress sheet (thin given) scales S by its stretch across the sheet lambda =
// exp(e33), e33 = a ln J2 + b tr(sigma) (J2 the in-plane area ratio from the initial
// geometry), and adds the derivative of lambda.
struct SheetThinning {
  double lambda, a, b;
};
void CalcMat_DS_NLMG(int dim, int n, double** dNdX, double** U, const double* sigma, double** D, double** DS, int elem,
                     int point, const char* context, const SheetThinning* thin = nullptr);

// ---- element geometry --------------------------------------------------------------

// Context lines of element-level failures (one %d for the element number).
extern const char* const kCtxStiffness;  // "Calculating the stiffness matrix of element n. %d\n"
extern const char* const kCtxIntForces;  // "Calculating the internal equivalent nodal forces of element n. %d\n"

// X (n x d): the coordinates that the type's coordMask keeps, in the order x1, x2, x3.
// elemNodes[elem][k] is the point of node k; pointCoords[p][1..3] its coordinates.
void CalcMat_ElemNodeCoord(int elem, int typeCode, int n, int** elemNodes, double** X, double** pointCoords);
void CalcMat_ElemNodeCoordXYZ(int elem, int n, int** elemNodes, double** X, double** pointCoords);
void CalcLengthElement(int elem, double* L, int** elemNodes, double** pointCoords);

// Unit normal of a 4-, 8- or 9-node quadrilateral surface (X n x 3) at s[1..2]; dim must
// be 2. Unit tangent (d = 2 or 3) of a 2- or 3-node line (X n x d) at s.
void CalcVectNormalElem(int elem, int dim, int n, double* normal, const double* s, double** X);
void CalcVectTangentElem(int d, int elem, int n, double s, double* t, double** X);

// Area (quadrilaterals of types 10, 13, 20 and the mid-surface of 22) or volume (hexahedron, type 24) of the
// part of an element that the rows cracking with its integration point `point` cover (the
// whole element when it is linear), and the share of the point (of the region that
// cracks with it, CrackZoneWeight), in the element routines' point order; the crack band
// width at the start of the smeared-crack models. Another type is the internal error; a rule other
// than _GLEG and a null Jacobian stop the run.
void CalcElementSizeOfPoint(const MeshData* mesh, int element, int property, int point, double* elementSize,
                            double* pointSize);
// Natural width, along one direction of `count` points of weights w (1-based), of the
// region that cracks with point i of an element of dimension dim: the whole element (2)
// on a linear element, whose strain is constant along the direction; on a quadratic
// element (8 or 9 nodes in the plane, 20 in space) the point's own weight, but with
// three points the outer and the middle rows together. The share of a point above is built of it.
double CrackZoneWeight(int dim, int nNodes, int count, const double* w, int i);
// Natural width of the band of point i along one direction for Oliver's band at the point
// (the sub-element of a quadrilateral or hexahedron around it):
// with three points on a quadratic element, the width over which the opening of the
// cracking rows is the same (the outer row half the middle one's); CrackZoneWeight otherwise.
double CrackOpeningWeight(int dim, int nNodes, int count, const double* w, int i);
// The fraction of the element's width that a zone of natural widths zone[1..dim] covers:
// the geometric mean of zone[d] / 2 (1 on a linear element).
double CrackZoneFraction(int dim, const double* zone);
// Set-up: a warning naming every element group of quadratic elements whose crack model
// (or a crack layer) takes the constant band, and every group of quadratic plane or solid
// elements on a band of the cracking rows that holds an element prescribed at every node
// along one direction (its crack cannot localise in a row).
void WarnElementSizeCrackBands(const MeshData* mesh);
// Set-up: a group of 8- or 9-node quadrilaterals with 2 x 2 points or 20-node hexahedra
// with 2 x 2 x 2 points on a smeared-crack model is refused in words (zero-energy modes).
void CheckCrackElementRules(const MeshData* mesh);

// Oliver's crack band width of a hexahedron (8 or 20 nodes, X n x 3) for a crack of unit
// normal n: 1 / |sum_i phi_i gradN_i . n|, phi_i 0 on the nodes behind the crack plane
// through the centre, 1 on those ahead of it (1/2 on it); gradN (n x 3) the Cartesian
// shape-function derivatives.
double CalcCrBandWidthOliver(int nNodes, double** gradN, double** X, const double* normal);
// The same at the integration point of natural coordinates sp, with the derivatives of a
// sub-element of natural extent `extent` around the point (moved back inside the
// element); the context names the point in the messages of a degenerate sub-element.
struct OliverPointContext {
  int combination, iteration, element, point;
  const char* model;  // "_NLMM111"
};
double CalcCrBandWidthOliverIP(const OliverPointContext& at, int nNodes, const double* sp, double** X,
                               const double* normal, const double* extent);
// The same on a quadrilateral (4, 8 or 9 nodes, X n x 2) for a crack whose normal makes
// the angle theta with x; at the point level the step is measured on the sub-element.
double CalcCrBandWidthOliverQuad(int nNodes, double** gradN, double** X, double theta);
double CalcCrBandWidthOliverQuadIP(const OliverPointContext& at, int nNodes, const double* sp, double** X,
                                   double theta, const double* extent);
// The sub-element of a quadrilateral's point (natural extent around it): its Cartesian
// derivatives (n x 2) at the point and its nodes Y (n x 2).
void CalcSubElementQuad(const OliverPointContext& at, int nNodes, const double* sp, double** X,
                        const double* extent, double** gradN, double** Y);
// The Cartesian derivatives (n x 3) of that sub-element at the point.
void CalcSubElementGradN(const OliverPointContext& at, int nNodes, const double* sp, double** X,
                         const double* extent, double** gradN);

// Oliver's crack band of a crack point of a quadrilateral, band option 4 (the element) or
// 5 (the point's sub-element, of natural extent the point's weights): the geometry that
// the point's crack model measures a new crack on. Work arrays of the sub-element are
// the record's own.
struct QuadCrackBand {
  int option, nNodes;
  double centre[4];
  double **gSub, **ySub, *N0;
  CrackBandGeometry geometry;
};
void StartQuadCrackBand(int option, int nNodes, QuadCrackBand* b);
void FreeQuadCrackBand(QuadCrackBand* b);
// The geometry at the natural point s of weights w, from the nodal coordinates X (n x 2)
// and the Cartesian derivatives dNdx (n x 2) at s in the same axes; null for the other
// options.
const CrackBandGeometry* QuadCrackBandAt(QuadCrackBand* b, const OliverPointContext& at, double** X, double** dNdx,
                                         const double* s, const double* w);

// J (d x m) = X^T dN: J[a][b] = dx_a/ds_b.
void CalcMat_Jacobian(int n, int d, int m, double** X, double** dN, double** J);
// det J (m = d) or the area scale |a1 x a2| (d = 3, m = 2) of J (d x m) is null when it
// is negligible against the product of the column lengths of J (the largest value edges
// of those lengths can span), or when one column is negligible against the longest: a
// flat or collapsed element, measured by its shape and not by its size or the units.
bool JacobianIsNull(double det, int d, int m, double** J);
// det J with the null / negative / not invertible checks, Jinv (m x m); J is kept.
// context: a line with one %d written before the message (kCtxStiffness, ...).
double CalcInvJacobian(int elem, const char* context, int m, double** J, double** Jinv);
// dNdx (n x m) = dN Jinv.
void CalcCartesianDeriv(int n, int m, double** dN, double** Jinv, double** dNdx);
// The geometry of a sampling point from the shape derivatives dN (n x m) at it: J = X^T dN,
// its checked inverse (CalcInvJacobian) and dNdx = dN Jinv; returns det J.
double CalcPointCartesianDeriv(int elem, const char* context, int n, int m, double** X, double** dN, double** J,
                               double** Jinv, double** dNdx);
// The same with the caller's checked inverse, inverse(J, Jinv) returning det J: the parts of
// the slab and the loads name their own refusals.
template <typename Inverse>
double PointCartesianDerivWith(int n, int m, double** X, double** dN, double** J, double** Jinv, double** dNdx,
                               Inverse&& inverse) {
  CalcMat_Jacobian(n, m, m, X, dN, J);
  const double det = inverse(J, Jinv);
  CalcCartesianDeriv(n, m, dN, Jinv, dNdx);
  return det;
}
// |dx/ds| of a line (X n x d) at s; below 1e-8 "Jacobian norm is null: ...".
double CalcLineJacobianNorm(int elem, const char* context, int n, int d, double s, double** X);

// ---- matrices N, B, D --------------------------------------------------------------

void CalcMat_N_Mass(int d, int n, double** N, const double* values);
void CalcMat_B_Plane2D(int n, double** B, double** dNdx);
void CalcMat_B_Solid(int n, double** B, double** dNdx);
void CalcMat_De_PlaneStress(int n, int m, double nu, double E, double** D);
void CalcMat_De_PlaneStrain(int n, int m, double nu, double E, double** D);
void CalcMat_De_Axis(int n, int m, double nu, double E, double** D);
// The same from E (value 3) and nu (value 4) of the element's "<LINEAR_ISOTROPIC_MATERIALS>"
// record (linIso = that block); a property of another material kind, or elastic
// constants outside E > 0, -1 < nu < 0.5, stop the run with a data-file message.
void CalcMat_D_PlaneStress(int property, int n, int m, double** D, const MaterialRecord* linIso,
                           const ElementProperty* props);
void CalcMat_D_PlaneStrain(int property, int n, int m, double** D, const MaterialRecord* linIso,
                           const ElementProperty* props);
void CalcMat_D_Axis(int property, int n, int m, double** D, const MaterialRecord* linIso, const ElementProperty* props);

// ---- rotations ---------------------------------------------------------------------
// printFlag: the output-control entry that switches the print of T on ('Y').

void CalcMat_T_Line2D(int d, int elem, int typeCode, int n, char printFlag, double s, double** T, double** X);
void CalcMat_T_Line3D(int elem, int typeCode, char printFlag, int n, double s, double angle, double** T,
                      double** X);
void CalcMat_T_ElemNormal(int elem, int typeCode, int n, char printFlag, const double* s, double** T, double** X);

// Two-node members: nodal coordinates from the mesh, rotation at s = 0.
void CalcMat_R_Truss2D(int elem, char printFlag, int** elemNodes, double** R, double** pointCoords);
void CalcMat_R_Frame2D(int elem, char printFlag, int** elemNodes, double** R, double** pointCoords);
void CalcMat_R_Truss3D(int elem, char printFlag, int** elemNodes, double** R, double** pointCoords);
void CalcMat_R_Frame3D(int elem, double angle, char printFlag, int** elemNodes, double** R, double** pointCoords);

// Line elements with their own print flag, at the natural point s.
void CalcMat_T_Cable2D(int elem, int n, double s, char printFlag, double** T, double** X);
void CalcMat_T_InterfaceLine2D(int elem, int n, double s, char printFlag, double** T, double** X);
void CalcMat_T_EmbCable2D(int elem, int n, double s, char printFlag, double** T, double** X);
void CalcMat_T_Cable3D(int elem, int n, double s, char printFlag, double** T, double** X);
void CalcMat_T_TimoshenkoBeam3D(int elem, int n, double s, double angle, char printFlag, double** T, double** X);
void CalcMat_T_InterfaceLine3D(int elem, int n, double s, char printFlag, double** T, double** X);
void CalcMat_T_EmbCable3D(int elem, int n, double s, char printFlag, double** T, double** X);

// Rotation to the coplanar system of a point of quadrilateral shells: the point lies in
// the adjElems[1..nAdj] elements, as their local node adjLocalNodes[k]. elemTypeCode[e] is
// the type of element e's property record, 0 when it has none. Plain-array core of
// CalcMat_T_GCStoCCS_Point.
void CalcMat_T_GCStoCCS_PointCore(int point, int nAdj, const int* adjElems, const int* adjLocalNodes,
                                  const int* elemTypeCode, const int* elemNodeCount, int** elemNodes, double** T,
                                  double** pointCoords);
// The same from the run's tables: elemPropIndex[e] (0 = no property record in the
// phase), the point's list in pointElemAdjacency[point]. outputControl is not read.
void CalcMat_T_GCStoCCS_Point(int point, const char* outputControl, const int* elemPropIndex,
                              const int* elemNodeCount, int** elemNodes, double** T, double** pointCoords,
                              const PointList* pointElemAdjacency, const ElementProperty* props);

// ---- transformation of element matrices and small products -------------------------

// Every b x b block of M (nb blocks per side, N = nb*b) becomes T^T M_IJ T; then
// out (N x N) += M. M is overwritten.
void TransformAddElemMat(int b, int N, int nb, double** out, double** M, double** T);
void TransformMatTruss(int d, int N, int nb, double** out, double** M, double** R);
void TransformMatFrame2D(int d, int N, int b, int nb, double** out, double** M, double** R);
void TransformMatFrame3D(int d, int N, int b, int nb, double** out, double** M, double** R);
void TransformBeam3DMat(int d, int N, int b, int nb, double** out, double** M, double** R);

// The two small products of the element routines, told apart by name and argument
// order (the matrices come first in one, the sizes in the other):
// MatMatTMultSmall: C (m x n) = A (m x n) * B^T, B n x n. With A = nodal coordinates (one
//   row per node) and B = T it gives the nodal coordinates in local axes (X' = X T^T).
// MatTMatMultSmall: C (m x m) = A^T * B, A and B n x m (N^T N of mass matrices,
//   T^T A of the crack models).
void MatMatTMultSmall(int n, int m, double** A, double** C, double** B);
void MatTMatMultSmall(double** C, double** A, double** B, int n, int m);

// ---- element prints (standard output, only when the flag is 'Y') --------------------

void PrintElementStiffMat(int n, int elem, int typeCode, char printFlag, double** K);
void PrintElementMassMat(int n, int elem, int typeCode, char printFlag, double** M);
void PrintElementTMat(int n, int elem, int typeCode, char printFlag, double** T);

// ---- cross-section and thickness properties ----------------------------------------

enum GeomKind {
  kGeomPatt = GEOM_PATT,
  kGeomCsArea = GEOM_CS_AREA,
  kGeomCs2D = GEOM_CS_2D,
  kGeomCs3D = GEOM_CS_3D,
  kGeomLamThick = GEOM_LAM_THICK
};

// Record number of the value of each node 1..n of an element whose property names
// geometry kind `kind` and record `record`: kind == directKind gives `record` at every
// node; kind 1 ("_GEOM_PATT") gives entry k of the pattern (patternKind, patternCount
// entries patternRecords[1..]) for node k. Any other kind is an internal error. Record
// numbers outside 1..tableCount, a pattern shorter than n or a pattern of another kind
// stop the run. property names the element-property record in the messages.
void CalcNodeGeomRecords(int n, int property, int kind, int directKind, int record, int patternKind,
                         int patternCount, const int* patternRecords, int tableCount, int* nodeRecords);
// CalcNodeGeomRecords on the geometry that element property p (record number property)
// names: its kind and record, and its pattern among patterns when the kind is "_GEOM_PATT".
void CalcPropNodeGeomRecords(int n, int property, const ElementProperty& p, int directKind,
                             const GeometryPattern* patterns, int tableCount, int* nodeRecords);
// V[1..11][k] of node k from the eleven values rec[1..11] of a 3-D section record:
// V1 = 11, V2 = 1, V3 = 9, V4 = 10, V5 = 5, V6 = 6, V7 = 7, V8 = 8, V9 = 2, V10 = 3, V11 = 4.
void SetSection3DNodeValues(int k, const double* rec, double** V);
// Layer geometry at a point with shape values N[1..n]: nodalThick (nLayers x n, bottom
// layer first) -> thickness[i], zBottom/zMid/zTop[i] from -total/2 to +total/2, total.
void CalcLayerGeomFromNodal(int nLayers, int n, double** nodalThick, const double* N, double* total,
                            double* zBottom, double* zMid, double* zTop, double* thickness);

// Record-reading forms. property is the element's "<ELEMENT_PROPERTIES>" record; the
// record numbers it and the patterns hold were checked when the data file was read.
// A geometry kind the routine does not serve, or a pattern of another kind or with fewer
// entries than n, stops the run with a data-file message. With n < 1 nothing is written.
// values[1..n]: the area at each node ("_CS_AREA" or "_GEOM_PATT" of areas).
void CalcGeomProp_CS_AREA(int n, int property, double* values, const GeometryPattern* patterns,
                          const CrossSectionArea* areas, const ElementProperty* props);
// values[1..n]: the thickness at each node ("_LAM_THICK" or "_GEOM_PATT" of thicknesses).
void CalcGeomProp_THICKNESS(int n, int property, double* values, const GeometryPattern* patterns,
                            const LaminateThickness* thicknesses, const ElementProperty* props);
// V1..V11 [1..n]: the eleven values of the 3-D section of each node ("_CS_3D" or
// "_GEOM_PATT"), placed as SetSection3DNodeValues does.
void CalcGeomProp_CS_3D(int n, int property, double* V1, double* V2, double* V3, double* V4, double* V5, double* V6,
                        double* V7, double* V8, double* V9, double* V10, double* V11, const Frame3DSection* sections,
                        const GeometryPattern* patterns, const ElementProperty* props);
// Layers 1..nLayers of "<LAYER_PATTERNS>" record layerPattern at the point with shape
// values N[1..n]: as CalcLayerGeomFromNodal, each layer's nodal thicknesses read from its
// "<LAYER_PROPERTIES>" record ("_LAM_THICK" or "_GEOM_PATT").
void CalcLayerGeomProp(int nLayers, int layerPattern, int n, double* total, const double* N, double* zBottom,
                       double* zMid, double* zTop, double* thickness, const GeometryPattern* patterns,
                       const LaminateThickness* thicknesses, const LayerPattern* layerPatterns,
                       const LayerProperty* layerProps);

// ---- data faults found by element routines -----------------------------------------

// Where an element routine stands: the context lines written to the error stream before
// a data-file message, as a format with up to three %d filled with a, b, c (the format
// is expanded only when a fault is reported).
struct ElemFaultContext {
  const char* format;
  int a, b, c;
};

// Writes "\n", the context, "   -> Element type: %s\n" (typeCode > 0), the detail lines
// (may be null) and stops the run with msg.
[[noreturn]] void ElemDataFault(const ElemFaultContext& ctx, int typeCode, const char* detail, const char* msg);
// Node count n must be one of the non-zero a, b, c.
void CheckElemNodeCount(const ElemFaultContext& ctx, int typeCode, int n, int a, int b = 0, int c = 0);
// The property's material kind must be `required`.
void CheckElemMaterialKind(const ElemFaultContext& ctx, int typeCode, int kind, int required);
// The property's geometry kind must be one of the non-zero a, b.
void CheckElemGeometryKind(const ElemFaultContext& ctx, int typeCode, int kind, int a, int b = 0);
// The keyword of a geometry kind code ("_GEOM_PATT" ...; "_NONE" for 0).
const char* GeometryKindKeyword(int kind);
// The compatibility of every active element group (property record) with the analysis:
// its material kind must be one its element type takes, of linear behaviour in a linear
// analysis, a thermal kind in a thermal one; its geometry kind the one the type reads
// (or a pattern of it). A fault names the element group, its element type and kind.
void CheckElementGroups(const MeshData* mesh, const int* ElemPropIndex);
// Refuses an active 8- or 9-node quadrilateral (plane, slab, shell) or 20-node hexahedron
// that is folded or whose nodes are not in the element's order: each mid-side node within
// the middle half of its edge's chord, det J positive (against its mean) at the nodes and
// at the 2 x 2 and 3 x 3 Gauss points. The message names the element, its type and the
// expected order.
void CheckQuadraticElementShapes(const MeshData* mesh, const int* ElemPropIndex);
