// Temporary stand-ins, replaced when the real modules land.
//
// The temperature load of a solid hexahedron of a materially nonlinear element group,
// which comes with the nonlinear solid. The stand-in stops the run through the internal
// error when it is reached.
#pragma once

#include "model/loadcase.h"
#include "model/mesh.h"

struct Index_HD;
struct NLMM_HD;
struct ElemHDEntry;

void Calc_Fg_TempVarSolidHexa_NL(int nVec, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                 int RecordIndex, double TimeIncrement, double Time, Index_HD* IndexHD,
                                 const LoadCaseParameters* Params, const MeshData* Mesh, NLMM_HD* MaterialHD,
                                 ElemHDEntry* ElemHDTable, int** ElemNodes, double* Fe, double** ElemNodalValues,
                                 double** PointCoord, const NumericalIntegration* Integrations,
                                 const ElementProperty* ElemProps, const TemperatureVariationRecord* TempVarRecords);
