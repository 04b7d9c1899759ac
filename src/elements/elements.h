// Element routines of the first families: trusses (_TRUSS_2D, _TRUSS_3D), frames
// (_FRAME_2D, _FRAME_3D) and the linear plane stress and plane strain elements
// (_PLANE_STRESS_TRIANG, _PLANE_STRESS_QUAD, _PLANE_STRAIN_QUAD).
//
// Common arguments: N the size of the result (matrices: dofs per node x nodes; load
// vectors: 6 x nodes, point layout of 6 dofs per node), elem the element, nNodes its node
// count, property its "<ELEMENT_PROPERTIES>" record, outputControl the 68 print flags
// [1..68], elemNodes / pointCoords the node lists and point coordinates of MeshData.
// Matrices are returned in global axes and element dof order; every routine overwrites
// its result. Data the element cannot use (node count, material kind, geometry kind,
// temperature value count) stops the run with a data-file message.
//
// Materials: "<LINEAR_ISOTROPIC_MATERIALS>" (kind _LIN_ISO), values 1 density, 2 thermal
// expansion coefficient, 3 Young's modulus, 4 Poisson's ratio. Sections: trusses
// "<CROSS_SECTION_AREAS>" (_CS_AREA); Frame2D "<FRAME_2D_CROSS_SECTIONS>" (_CS_2D: A, -,
// I, depth h); Frame3D "<FRAME_3D_CROSS_SECTIONS>" (_CS_3D: A 1, J 4, I2 5, I3 6, depth
// along local axis 2 9, along local axis 3 10, section angle 11 in radians).
#pragma once

#include "model/mesh.h"

// ---- trusses -------------------------------------------------------------------------
// Local axis 1 runs from node 1 to node 2. Matrices: d = 2 (u2, u3) or 3 (u1, u2, u3)
// dofs per node.

void CalcStiffTruss2D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                      double** K);
void CalcStiffTruss3D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                      double** K);
void CalcMassMatTruss2D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                        double** M);
void CalcMassMatTruss3D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                        double** M);

// Local matrices (element axes).
void CalcMat_Kl_Truss2D(int N, int elem, int property, int** elemNodes, double** Kl, double** pointCoords,
                        const CrossSectionArea* areas, const MaterialRecord* linIso, const ElementProperty* props);
void CalcMat_Kl_Truss3D(int N, int elem, int property, int** elemNodes, double** Kl, double** pointCoords,
                        const CrossSectionArea* areas, const MaterialRecord* linIso, const ElementProperty* props);
void CalcMat_Ml_Truss2D(int N, int elem, int property, int** elemNodes, double** Ml, double** pointCoords,
                        const CrossSectionArea* areas, const MaterialRecord* linIso, const ElementProperty* props);
void CalcMat_Ml_Truss3D(int N, int elem, int property, int** elemNodes, double** Ml, double** pointCoords,
                        const CrossSectionArea* areas, const MaterialRecord* linIso, const ElementProperty* props);

// ---- frames --------------------------------------------------------------------------
// Euler-Bernoulli members. Local dofs per node: Frame2D (u, v, theta), Frame3D (u1, u2,
// u3, r1, r2, r3); global dofs: Frame2D (u2, u3, r1), Frame3D all six.

void CalcStiffFrame2D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                      double** K);
void CalcStiffFrame3D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                      double** K);
// Consistent mass with rotary inertia.
void CalcMassMatFrame2D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                        double** M);
void CalcMassMatFrame3D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                        double** M);

void CalcMat_Kl_Frame2D(int N, int elem, int property, int** elemNodes, double** Kl, double** pointCoords,
                        const Frame2DSection* sections, const MaterialRecord* linIso, const ElementProperty* props);
void CalcMat_Kl_Frame3D(int N, int elem, int property, int** elemNodes, double** Kl, double** pointCoords,
                        const Frame3DSection* sections, const MaterialRecord* linIso, const ElementProperty* props);
void CalcMat_Ml_Frame2D(int N, int elem, int property, int** elemNodes, double** Ml, double** pointCoords,
                        const Frame2DSection* sections, const MaterialRecord* linIso, const ElementProperty* props);
void CalcMat_Ml_Frame3D(int N, int elem, int property, int** elemNodes, double** Ml, double** pointCoords,
                        const Frame3DSection* sections, const MaterialRecord* linIso, const ElementProperty* props);

// ---- plane stress and plane strain, linear -------------------------------------------
// K = integral of B^T D B (times the thickness interpolated from the nodal thicknesses for
// plane stress, unit thickness for plane strain) over the element, in (x2, x3), 2 dofs
// per node. Quadrilaterals (4, 8, 9 nodes): the property's rule, default 2 x 2;
// triangles (3, 6 nodes): default 3 points.

void CalcStiffPlaneStrainQuad(int N, int elem, int nNodes, int property, const char* outputControl,
                              const MeshData* mesh, double** K);
void CalcStiffPlaneStressQuad(int N, int elem, int nNodes, int property, const char* outputControl,
                              const MeshData* mesh, double** K);
void CalcStiffPlaneStressTriang(int N, int elem, int nNodes, int property, const char* outputControl,
                                const MeshData* mesh, double** K);

// Plane quadrilaterals of nonlinear material: tangent Kg and internal forces Fint of the
// displacement increment du (which advances the sampling points' history records).
struct Index_HD;
struct NLMM_HD;
void CalcStiffPlaneStrainQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                 double** Kg);
void CalcStiffPlaneStressQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                 double** Kg);
void CalcInt_Fg_PlaneStrainQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   const double* du, double* Fint);
void CalcInt_Fg_PlaneStressQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   const double* du, double* Fint);
// Geometrically nonlinear plane-stress quadrilateral (behaviour 'N'): prevCoord
// (nPoints x 3) the point coordinates of the last converged configuration, a the element's
// total displacements at the current iterate (null: none), du their increment.
void CalcStiffPlaneStressQuad_NLMG(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   double** prevCoord, const double* a, double** Kg);
void CalcInt_Fg_PlaneStressQuad_NLMG(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                                     const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd,
                                     const int* elemToHD, double** prevCoord, const double* a, const double* du,
                                     double* Fint);
