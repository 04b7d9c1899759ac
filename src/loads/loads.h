// Load vectors as the analysis drivers use them: the global load vector of a load case
// (free and prescribed parts), the transfer of slave loads to their masters, the
// prescribed displacements of a load case and the element temperature variations of a
// combination. The element routines and the shared services are in loads/load_kernel.h.
//
// Work: the driver's MainWorkArrays of the phase (assembly/topology.h), read only here;
// F_Free[1..nF] and F_Presc[1..nP] by its equation numbers. Loose work arrays:
//   PointDofCodes[p][1..6]   'F' free, 'P' prescribed, anything else absent
//   PointDofNumbers[p][1..6] index into F_Free or F_Presc
//   ElemPropIndex[e]         "<ELEMENT_PROPERTIES>" record of the phase, 0 = inactive
// OutputControl is the 1-based array of the 68 output-control flags ('Y' = on).
#pragma once

#include <cstdio>

#include "assembly/topology.h"
#include "model/loadcase.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

// State of the nonlinear drivers, passed through unread.
struct Index_HD;
struct NLMM_HD;
// ---- global load vector of a load case ----------------------------------------------

// Zeroes F_Free[1..nF] and F_Presc[1..nP] (the counts of Work) and adds, in this order,
// gravity, point loads, internal point, edge, internal edge, face and internal face
// loads, temperature and differential temperature variation; then prints both vectors
// under PRINT_VECT_F.
void Calc_F(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
            const MainWorkArrays* Work, double* F_Free, double* F_Presc);
// The same for the nonlinear drivers: gravity by the behaviour code of each element
// group and the nonlinear temperature loop, which receive the driver's state.
void Calc_F_NL(int LoadCaseNumber, double TimeIncrement, double Time, Index_HD* IndexHD, const char* OutputControl,
               const LoadCaseData* LoadCase, const MeshData* Mesh, NLMM_HD* MaterialHD, const int* ElemToHD,
               const MainWorkArrays* Work, double* F_Free, double* F_Presc, double** ElemNodalValues);
// Shrinkage and creep loads of a combination of a transient run, added unscaled into
// F_Free and F_Presc: the elements whose material is a time-dependent pattern, each
// vector from the point histories as the last converged combination left them (the
// current copy; the ageing records of the step are written again as the forces will).
// dt, t: the combination's step and end time; ElemNodeTemps[e][node] the element-node
// temperatures (may be null: 0).
void Calc_F_ShrinkLoad_NL(double dt, double t, const Index_HD* IndexHD, const MeshData* Mesh, NLMM_HD* MaterialHD,
                          const int* ElemToHD, const MainWorkArrays* Work, double* F_Free, double* F_Presc,
                          double** ElemNodeTemps);
void Calc_F_CreepLoad_NL(double dt, double t, const Index_HD* IndexHD, const MeshData* Mesh, NLMM_HD* MaterialHD,
                         const int* ElemToHD, const MainWorkArrays* Work, double* F_Free, double* F_Presc,
                         double** ElemNodeTemps);
void PrintGlobalLoadVector(int nF, int nP, const char* OutputControl, double* F_Free, double* F_Presc);

// F over the free dofs: every linked dof of a slave point of "<INTERNAL_POINT_LINKS>"
// passes its value to the master's dof and is set to 0.0, record after record.
void Calc_F_FreeMasterSlave(const MeshData* Mesh, int** PointDofNumbers, double* F, char** PointDofCodes);

// The converse for a free-dof solution: for every internal point link (block order) and
// every dof whose link flag is 1, the slave's free equation takes the value of the
// master's: a[slave] := a[master]. Both dofs must be free.
void Calc_a_FreeMasterSlave(const MeshData* mesh, int** PointDofNumbers, double* aF, char** PointDofCodes);

// ---- prescribed displacements of a load case -------------------------------------------

// uP[1..nP] = the values of the "<PRESCRIBED_DISPLACEMENTS>" records (0.0 elsewhere).
void Calc_a_Presc(int nP, int LoadCaseNumber, const LoadCaseData* LoadCase, int** PointDofNumbers, double* uP,
                  char** PointDofCodes);

// ---- element temperature variations of a combination ----------------------------------

// Temperature variation of every node of every element for a combination:
// ElementTempVar[e][1..node count of e] = sum over the combination's load cases whose
// factor has a magnitude of at least 1e-8 of factor x the load case's values (records on
// inactive elements skipped). Every load case is read from FirstLoadCasePosition on; the
// combination number is bounded by NumberOfCombinations.
void CalcElementTempVar(FILE* DataFile, int CombinationNumber, int NumberOfCombinations, int NumberOfLoadCases,
                        long FirstLoadCasePosition, const MeshData* Mesh, const int* ElemPropIndex,
                        double** ElementTempVar, const CombinationData* Combinations);
