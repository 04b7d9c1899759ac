// Edge loads and gravity loads of the Mindlin slab (type 18), the Mindlin shell (type 20)
// and the Ahmad shell (type 22).
//
// Each routine fills all Size = 6 nNodes entries of the element load vector Fe (per node
// u1 u2 u3 r1 r2 r3, global axes; the moments of a coplanar shell node in that point's
// coplanar axes), integrating with the rule of the load case (INTEGRATION_TYPE and the
// general counts of the INTEGRATION_NAME pattern; 3 points per direction without a
// pattern). RecordNumber is the 1-based position of the record in EdgeLoads. The
// dispatchers have checked the direction code of an auxiliary-vector direction ('S')
// against the "<AUXILIARY_VECTORS>" block.
#pragma once

#include "model/loadcase.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void Calc_Fg_EdgeLoadMindlinSlabQuad(int Size, int RecordNumber, int Element, int LoadCaseNumber, int nNodes,
                                     const LoadCaseParameters* Params, int** ElemNodes, double* Fe,
                                     double** PointCoord, const AuxiliaryVector* AuxVectors,
                                     const EdgeLoad* EdgeLoads, const NumericalIntegration* Integrations);

void Calc_Fg_EdgeLoadMindlinShellQuad(int Size, int RecordNumber, int Element, int LoadCaseNumber, int nNodes,
                                      const char* OutputControl, const LoadCaseParameters* Params, int** ElemNodes,
                                      double* Fe, double** PointCoord, const char* PointTypes,
                                      const AuxiliaryVector* AuxVectors, const EdgeLoad* EdgeLoads,
                                      const NumericalIntegration* Integrations);

void Calc_Fg_EdgeLoadAhmadShellQuad(int Size, int RecordNumber, int Element, int LoadCaseNumber, int nNodes,
                                    const char* OutputControl, const LoadCaseParameters* Params,
                                    const int* ElemPropIndex, const int* ElemNodeCount, int** ElemNodes, double* Fe,
                                    double** PointCoord, const char* PointTypes, const AuxiliaryVector* AuxVectors,
                                    const EdgeLoad* EdgeLoads, const PointList* PointElemAdjacency,
                                    const NumericalIntegration* Integrations, const ElementProperty* ElemProps);

void Calc_Fg_GravityLoadMindlinSlabQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                        double Density, const LoadCaseParameters* Params, int** ElemNodes, double* Fe,
                                        const double* GravityVector, double** PointCoord,
                                        const GeometryPattern* GeomPatterns, const LaminateThickness* LamThicks,
                                        const NumericalIntegration* Integrations, const ElementProperty* ElemProps);

void Calc_Fg_GravityLoadMindlinShellQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                         double Density, const char* OutputControl, const LoadCaseParameters* Params,
                                         int** ElemNodes, double* Fe, const double* GravityVector,
                                         double** PointCoord, const GeometryPattern* GeomPatterns,
                                         const LaminateThickness* LamThicks, const MaterialRecord* LinOrtho,
                                         const NumericalIntegration* Integrations, const ElementProperty* ElemProps);

void Calc_Fg_GravityLoadAhmadShellQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                       double Density, const char* OutputControl, const LoadCaseParameters* Params,
                                       const int* ElemPropIndex, const int* ElemNodeCount, int** ElemNodes,
                                       double* Fe, const double* GravityVector, double** PointCoord,
                                       const char* PointTypes, const GeometryPattern* GeomPatterns,
                                       const LaminateThickness* LamThicks, const PointList* PointElemAdjacency,
                                       const NumericalIntegration* Integrations, const ElementProperty* ElemProps);
