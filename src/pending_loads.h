// Temporary stand-ins, replaced when the real modules land.
//
// Routines of the element, assembly and later load modules that the load vectors call.
// Each stand-in stops the run through the internal error when it is reached; the
// temperature loops do so only when their block holds records, so that load cases
// without temperature loads run to the end.
#pragma once

#include "loads/loads.h"
#include "model/loadcase.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

// Temperature loops of a load case.
void Calc_F_TempVar(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                    int** PointDofNumbers, const int* MotherElemIndex, const int* ElemPropIndex,
                    const int* PointCoordSys, double* F_Free, double* F_Presc, char** PointDofCodes,
                    const char* ElemHasSpecialCoordSys, const char* PointTypes, const PointList* PointElemAdjacency,
                    const EmbCableMotherRecord* MotherElemRecords);
void Calc_F_TempVar_NL(int LoadCaseNumber, double TimeIncrement, double Time, Index_HD* IndexHD,
                       const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                       NLMM_HD* MaterialHD, int** PointDofNumbers, ElemHDEntry* ElemHDTable,
                       const int* MotherElemIndex, const int* ElemPropIndex, const int* PointCoordSys, double* F_Free,
                       double* F_Presc, double** ElemNodalValues, char** PointDofCodes,
                       const char* ElemHasSpecialCoordSys, const char* PointTypes,
                       const PointList* PointElemAdjacency, const EmbCableMotherRecord* MotherElemRecords);
void Calc_F_DiffTempVar(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, int** PointDofNumbers, const int* ElemPropIndex,
                        const int* PointCoordSys, double* F_Free, double* F_Presc, char** PointDofCodes,
                        const char* ElemHasSpecialCoordSys, const char* PointTypes,
                        const PointList* PointElemAdjacency);

// Face, internal edge and internal face loads by element type.
void Calc_Fg_FaceLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                      int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                      const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                      const FaceLoad* FaceLoads, const PointList* PointElemAdjacency);
void Calc_Fg_IntEdgeLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                         const InternalEdgeLoad* IntEdgeLoads, const PointList* PointElemAdjacency);
void Calc_Fg_IntFaceLoad(int Size, int Element, int ElementType, int Record, int LoadCaseNumber, int nNodes,
                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                         const InternalFaceLoad* IntFaceLoads, const PointList* PointElemAdjacency);
