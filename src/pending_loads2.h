// Temporary stand-ins, replaced when the real modules land.
//
// Kernels of the slab, shell and solid elements and the nonlinear solid temperature load
// that the temperature loads call. Each stand-in stops the run through the internal
// error when it is reached.
#pragma once

#include "model/loadcase.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

struct Index_HD;
struct NLMM_HD;
struct ElemHDEntry;

// Solid hexahedron: D (6 x 6) of the element's "_LIN_ISO" or "_LIN_ORTHO" material.
void CalcMat_D_Solid(int elem, int propIndex, int nRows, int nCols, double** D, const MaterialRecord* linIso,
                     const MaterialRecord* linOrtho, const ElementProperty* props);

// Mindlin slab: bending rows 'B' (3 x 3n) and the plane-stress matrix without t^3/12.
void CalcMat_B_MindlinSlab(int nNodes, char kind, double** B, double** dNdx, const double* N);
void CalcMat_D_MindlinSlab(int propIndex, int nb, int ns, int nb2, int ns2, double** Db, double** Ds,
                           const MaterialRecord* linIso, const ElementProperty* props);

// Mindlin shell: membrane 'M' and bending 'B' rows (3 x 6n, element axes) and the
// in-plane matrix per unit thickness in the element axes T.
void CalcMat_B_MindlinShell(int nNodes, char kind, double** B, double** dNdx, const double* N);
void CalcMat_D_MindlinShell(int elem, int propIndex, int nD, int nDs, int nD2, int nDs2, double** D, double** Ds,
                            double** T, const AuxiliaryVector* auxVectors, const CoordinateSystem* coordSystems,
                            const MaterialRecord* linIso, const MaterialRecord* linOrtho, const ElementProperty* props);
// Angle from the element's local axis 1 to material axis 1 of coordinate system coordSys.
void CalcMat_D_MatCoordSys(int coordSys, int elem, const char* name, double* angle, double** T,
                           const AuxiliaryVector* auxVectors, const CoordinateSystem* coordSystems);

// Ahmad shell kernels.
void CalcMat_Tgn_AhmadShellQuad(int elem, int d3, int nn, const char* OutputControl, const int* ElemPropIndex,
                                const int* ElemNodeCount, int** ElemNodes, double*** Tgn, double** X,
                                double** PointCoord, const char* PointTypes, const PointList* PointElementList,
                                const ElementProperty* props);
void CalcMat_J_AhmadShell(int d3, int nn, double** dNds, double** J, const double* N, const double* s, double*** Tgn,
                          double** X, const double* t);
void CalcMat_du_ds_AhmadShell(int elem, int n3ndof, int d3, int ndof, int dofsPerNode, int d3b, int nn, int** ElemNodes,
                              double** dNds, double** G, const double* N, const double* s, double*** Tgn,
                              const double* t, const char* PointTypes);
void CalcMat_B_AhmadShell(int d3, int ndof, int n3ndof, int f, int l, int stride, int d3b, int nn, int m, char mode,
                          double** B, double** G, double** theta, double** Jinv);
void CalcMat_D_AhmadShell(int propIndex, int nDm, int nDs, int nDm2, int nDs2, double** Dm, double** Ds,
                          const MaterialRecord* linIso, const ElementProperty* props);

// Temperature load of a solid of a materially nonlinear element group.
void Calc_Fg_TempVarSolidHexa_NL(int nVec, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int RecordIndex,
                                 double TimeIncrement, double Time, Index_HD* IndexHD, const LoadCaseParameters* Params,
                                 const MeshData* Mesh, NLMM_HD* MaterialHD, ElemHDEntry* ElemHDTable, int** ElemNodes,
                                 double* Fe, double** ElemNodalValues, double** PointCoord,
                                 const NumericalIntegration* Integrations, const ElementProperty* ElemProps,
                                 const TemperatureVariationRecord* TempVarRecords);
