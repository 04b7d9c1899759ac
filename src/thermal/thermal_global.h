// Global thermal arrays of a thermal run: the temperature dofs (dof 1 of the points of
// the thermal elements, free or prescribed), the conductivity matrix KC and the heat
// capacity (transient) matrix KT in the row lists (FF, PF, PP), and the thermal load
// vectors and prescribed temperatures of a load case.
//
// Only _PLANE_STRESS_QUAD_THERMAL (11) and _SOLID_HEXA_THERMAL (25) carry temperatures;
// their element matrices have one row per node. Face convection and radiation exist on
// the hexahedron only.
#pragma once

#include <cstdint>
#include <cstdio>

#include "assembly/sparse_rows.h"
#include "assembly/summary.h"
#include "assembly/topology.h"
#include "materials/history_data.h"
#include "model/loadcase.h"
#include "model/mesh.h"
#include "thermal/thermal_faces.h"

// ---- set-up -------------------------------------------------------------------------------
// The numbering of a thermal run. w holds what the row-list assembly reads (ElemPropIndex,
// PointElemAdjacency, PointDofCodes, PointDofNumbers, PointTypes, nF, nP); its structural
// members (special systems, cables, springs) stay empty.
struct ThermalWorkArrays {
  MainWorkArrays w;
  char* ConvectionFlags;  // [e] 1 when a "<SURFACE_CONVECTION_HEAT_TRANSFER>" record names e
  char* RadiationFlags;   // [e] 1 when a "<SURFACE_RADIATION_HEAT_TRANSFER>" record names e
};

// Active elements of the phase (thermal types only), adjacency, dof codes and numbers,
// point types, convection and radiation flags.
void InitializeThermalWorkArrays(int phase, const MeshData* mesh, ThermalWorkArrays* t);
void FreeThermalWorkArrays(ThermalWorkArrays* t);

// Refuses an active element of a type without temperature dofs, naming it and its type.
void CheckThermalElementTypes(const MeshData* mesh, const int* ElemPropIndex);
// 'F' on the masked dofs of the nodes of the active elements, then 'P' on the flagged
// dofs of the "<BOUNDARY_WITH_FIXED_TEMPERATURES>" records of the phase.
void CalcThermalDofCodes(int phase, const MeshData* mesh, const int* ElemPropIndex, char** PointDofCodes);
// Flags of the elements named by the face records. A record on an element without a
// property in the phase is refused; radiation records are refused unless the run is a
// nonlinear thermal transient.
void CalcConvectionElementFlags(const MeshData* mesh, const int* ElemPropIndex, char* flags);
void CalcRadiationElementFlags(const MeshData* mesh, const int* ElemPropIndex, char* flags);

// Point-temperature table T[p][1..6]: the free temperature TF of a free dof, the
// prescribed one TP of a prescribed dof, else 0.
void CalcPointTemp(const MeshData* mesh, int** PointDofNumbers, const double* TF, const double* TP, double** T,
                   char** PointDofCodes);
// The values of element e's nodes (element order) on the dofs of the type's mask: one
// per node for the thermal types. v[1..] receives them.
void GatherElementDofValues(int e, int type, int nNodes, int** ElemNodes, double** pointValues, double* v);

// ---- element matrices -------------------------------------------------------------------
// Allocate *K (nNodes x nNodes) and fill it by element type: 11 and 25 (linear), 25 only
// (nonlinear materials; Te[1..nNodes] the nodal temperatures).
void Calc_KCg(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh, double*** K);
void Calc_KTg(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh, double*** K);

// State of a nonlinear thermal step: what the nonlinear element routines read.
struct ThermalStepState {
  int combination;
  int iteration;
  double dt;                           // step duration of the combination
  const double* TF;                    // [nF] current temperatures of the free dofs
  const double* TP;                    // [nP] of the prescribed dofs
  const Index_HD* indexHD;
  NLMM_HD* hd;                         // current history data
  const int* elemToHD;
  const FaceFluidTemperatures* fluid;  // fluid temperatures of the combination (radiation)
};

void Calc_KCg_NL(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                 const ThermalStepState* s, const double* Te, double*** K);
// KTg at Te; with the temperatures Ten at the start of the step, the capacity over the
// step (the secant of the enthalpy), so that KTg (Te - Ten) is the heat stored in it.
void Calc_KTg_NL(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                 const ThermalStepState* s, const double* Te, double*** K, const double* Ten = nullptr);
// Adds the convection matrix of every convection record of e (n x n).
void CalcSurfConvHeatTransferMat(int e, int n, int property, const char* OutputControl, const MeshData* mesh,
                                 double** K);
// Convection when e's convection flag is set, radiation (at Te) when its radiation flag is.
void CalcSurfHeatTransferMat_NL(int e, int n, int property, const char* OutputControl, const MeshData* mesh,
                                const ThermalWorkArrays* t, const ThermalStepState* s, const double* Te, double** K);

// Element conductivity matrix (with its convection and, in a nonlinear run, radiation
// terms) or heat-capacity matrix by the behaviour code of its group: 'L' linear routines,
// 'M' nonlinear ones at Te; s null: linear routines throughout. Allocates *K.
void CalcElemCondMat(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                     const ThermalWorkArrays* t, const ThermalStepState* s, const double* Te, double*** K);
void CalcElemTransientMat(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                          const ThermalStepState* s, const double* Te, double*** K, const double* Ten = nullptr);

// ---- global matrices ----------------------------------------------------------------------
// KC (with the convection matrices) or KT of the active elements into newly allocated row
// lists; nTerms* the stored terms after compaction. The conductivity routines store
// their counts and assembly time into summary in steady-state and transient runs, the
// transient-matrix routines in transient runs (after KC's).
void AssembGlobalCondMat(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, const char* OutputControl,
                         IterSummaryRecord* summary, const MeshData* mesh, const ThermalWorkArrays* t,
                         SparseRowMatrix* KCFF, SparseRowMatrix* KCPF, SparseRowMatrix* KCPP);
void AssembGlobalTransientMat(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, const char* OutputControl,
                              IterSummaryRecord* summary, const MeshData* mesh, const ThermalWorkArrays* t,
                              SparseRowMatrix* KTFF, SparseRowMatrix* KTPF, SparseRowMatrix* KTPP);
// Nonlinear materials: by the behaviour code of each element, 'L' as the linear routines
// (KC: with its radiation matrix when flagged), 'M' at the current temperatures of s.
void AssembGlobalCondMat_NL(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, const char* OutputControl,
                            IterSummaryRecord* summary, const MeshData* mesh, const ThermalWorkArrays* t,
                            const ThermalStepState* s, SparseRowMatrix* KCFF, SparseRowMatrix* KCPF,
                            SparseRowMatrix* KCPP);
void AssembGlobalTransientMat_NL(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, const char* OutputControl,
                                 IterSummaryRecord* summary, const MeshData* mesh, const ThermalWorkArrays* t,
                                 const ThermalStepState* s, SparseRowMatrix* KTFF, SparseRowMatrix* KTPF,
                                 SparseRowMatrix* KTPP);
// Frees every row's lists, then the three vectors (n rows).
void FreeSparseMatPair(int n, int* count, int** cols, double** vals);

// ---- loads and prescribed temperatures ----------------------------------------------------
// factors[1..nLoadCases] of combination c (a later pair for a load case replaces an earlier).
void CalcCombLoadCaseFactors(int c, int nLoadCases, double* factors, const CombinationData* combinations);
// Thermal load vector of one load case: heat generation, face heat flux (Fq = -int N q dA:
// a positive flux leaves the body) and the convection part of the fluid temperatures.
void AssembThermalLoadVector(int nF, int nP, int lc, const char* OutputControl, const LoadCaseData* data,
                             const MeshData* mesh, const ThermalWorkArrays* t, double* FqF, double* FqP);
// The same times factor, then the radiation part of the fluid temperatures at the
// point-temperature table Tpoint (the factor enters the radiation law).
void AssembThermalLoadVector_NL(int nF, int nP, int lc, double factor, const char* OutputControl,
                                const LoadCaseData* data, const MeshData* mesh, const ThermalWorkArrays* t,
                                double** Tpoint, double* FqF, double* FqP);
// Heat of hydration of the 'M' elements over the step of s, added into FqF, FqP.
void Calc_Fq_VolumetricIntHeatGeneration_NL(const char* OutputControl, const MeshData* mesh,
                                            const ThermalWorkArrays* t, const ThermalStepState* s, double* FqF,
                                            double* FqP);
// Adds element vector fe (6 per node) by the dof codes; |v| < 1e-8 skipped.
void Assemb_FQg(int e, int nNodes, int** ElemNodes, int** PointDofNumbers, double* FqF, double* FqP, const double* fe,
                char** PointDofCodes);
void PrintThermalLoadVector(int nF, int nP, const char* OutputControl, double* FqF, double* FqP);
// TP[1..nP] of the "<PRESCRIBED_POINT_TEMPERATURES>" records of a load case.
void Calc_T_Presc(int nP, int lc, const LoadCaseData* data, int** PointDofNumbers, double* TP, char** PointDofCodes);

// Fluid temperatures of combination c (the last one beyond the count): per face of the
// hexahedra the sum over the load cases with |factor| > 1e-8 of factor times the record's
// values; the load cases are read from firstLoadCase on. fluid->T (nElements x 6 x 9)
// is allocated here.
void CalcElementSurfFluidTemp(FILE* fp, int c, long firstLoadCase, const MeshData* mesh, const int* ElemPropIndex,
                              const CombinationData* combinations, FaceFluidTemperatures* fluid);
void FreeElementSurfFluidTemp(FaceFluidTemperatures* fluid);
