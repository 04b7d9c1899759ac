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

#include "model/loadcase.h"
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

// Gravity g[1..3] on density rho (given by the caller): F[1..12].
void Calc_Fg_GravityLoadTruss2D(int N, int elem, int nNodes, int property, double rho, const char* outputControl,
                                int** elemNodes, double* F, const double* g, double** pointCoords,
                                const CrossSectionArea* areas, const ElementProperty* props);
void Calc_Fg_GravityLoadTruss3D(int N, int elem, int nNodes, int property, double rho, const char* outputControl,
                                int** elemNodes, double* F, const double* g, double** pointCoords,
                                const CrossSectionArea* areas, const ElementProperty* props);
// The load dispatchers' form without the node count (a truss has two nodes).
inline void Calc_Fg_GravityLoadTruss3D(int N, int elem, int property, double rho, const char* outputControl,
                                       int** elemNodes, double* F, const double* g, double** pointCoords,
                                       const CrossSectionArea* areas, const ElementProperty* props) {
  Calc_Fg_GravityLoadTruss3D(N, elem, 2, property, rho, outputControl, elemNodes, F, g, pointCoords, areas, props);
}

// Uniform temperature variation of "<TEMPERATURE_VARIATION>" record `record` of load case
// `loadCase`: one value, or one per node (their mean acts on the member). F[1..12].
void Calc_Fg_TempVarTruss2D(int N, int elem, int loadCase, int nNodes, int property, int record,
                            const char* outputControl, int** elemNodes, double* F, double** pointCoords,
                            const CrossSectionArea* areas, const MaterialRecord* linIso, const ElementProperty* props,
                            const TemperatureVariationRecord* records);
void Calc_Fg_TempVarTruss3D(int N, int elem, int loadCase, int nNodes, int property, int record,
                            const char* outputControl, int** elemNodes, double* F, double** pointCoords,
                            const CrossSectionArea* areas, const MaterialRecord* linIso, const ElementProperty* props,
                            const TemperatureVariationRecord* records);

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

void Calc_Fg_GravityLoadFrame2D(int N, int elem, int nNodes, int property, double rho, const char* outputControl,
                                int** elemNodes, double* F, const double* g, double** pointCoords,
                                const Frame2DSection* sections, const ElementProperty* props);
void Calc_Fg_GravityLoadFrame3D(int N, int elem, int nNodes, int property, double rho, const char* outputControl,
                                int** elemNodes, double* F, const double* g, double** pointCoords,
                                const Frame3DSection* sections, const ElementProperty* props);
inline void Calc_Fg_GravityLoadFrame3D(int N, int elem, int property, double rho, const char* outputControl,
                                       int** elemNodes, double* F, const double* g, double** pointCoords,
                                       const Frame3DSection* sections, const ElementProperty* props) {
  Calc_Fg_GravityLoadFrame3D(N, elem, 2, property, rho, outputControl, elemNodes, F, g, pointCoords, sections, props);
}

// Uniform temperature variation: axial forces only.
void Calc_Fg_TempVarFrame2D(int N, int elem, int loadCase, int nNodes, int property, int record,
                            const char* outputControl, int** elemNodes, double* F, double** pointCoords,
                            const Frame2DSection* sections, const MaterialRecord* linIso, const ElementProperty* props,
                            const TemperatureVariationRecord* records);
void Calc_Fg_TempVarFrame3D(int N, int elem, int loadCase, int nNodes, int property, int record,
                            const char* outputControl, int** elemNodes, double* F, double** pointCoords,
                            const Frame3DSection* sections, const MaterialRecord* linIso, const ElementProperty* props,
                            const TemperatureVariationRecord* records);

// Temperature difference dT across the section depth ("<DIFFERENTIAL_TEMPERATURE_VARIATION>"
// record `record`): end moments of the thermal curvature alpha dT / h. Frame2D takes one
// value (or equal nodal values; its call carries no geometry for a varying curvature) and
// writes the moments at r1. Frame3D reads the record's direction (2 or 3: the local axis
// along which the temperature varies) and takes one value or one per node (linear
// variation, exact consistent forces).
void Calc_Fg_DiffTempVarFrame2D(int record, int N, int elem, int loadCase, int nNodes, int property, double* F,
                                const Frame2DSection* sections, const DiffTemperatureVariationRecord* records,
                                const MaterialRecord* linIso, const ElementProperty* props);
void Calc_Fg_DiffTempVarFrame3D(int record, int N, int elem, int loadCase, int nNodes, int property,
                                const char* outputControl, int** elemNodes, double* F, double** pointCoords,
                                const Frame3DSection* sections, const DiffTemperatureVariationRecord* records,
                                const MaterialRecord* linIso, const ElementProperty* props);

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
