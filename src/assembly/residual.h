// The nonlinear side of the assembly: the tangent stiffness of an element group by its
// behaviour code, the global tangent stiffness, and the residual forces (applied less
// internal equivalent nodal forces) after each Newton-Raphson solve.
//
// Element vectors are ordered node by node, within a node by the dofs of the element
// type's dof mask. Point displacement matrices are nPoints x 6 in equation components
// (special coordinate systems not rotated back).
#pragma once

#include <cstdint>

#include "assembly/sparse_rows.h"
#include "assembly/topology.h"
#include "materials/history_data.h"

struct MeshData;
struct IterSummaryRecord;

// The state of a Newton-Raphson iteration that the nonlinear element routines read.
struct NonlinearElementState {
  int Combination;
  int Iteration;
  double TimeStep;
  double Time;
  Index_HD* Index;
  NLMM_HD* Table;         // current copy advanced by the internal forces
  const int* ElemToHD;
  double** ElemTempVar;   // [e][node] temperature variation of the combination
  double** ElemNodeTemps; // [e][node] element-node temperatures
  const SpringIndex_HD* SpringIndex;  // records of the nonlinear springs
  NLSMM_HD* SpringTable;  // current copy advanced by the spring internal forces
  // Geometrically nonlinear runs: the configuration of the last converged combination,
  // point coordinates (nPoints x 3) and point displacements in global components
  // (nPoints x 6); null in combination 1, where it is the initial one.
  double** PrevPointCoord;
  double** PrevPointDispl;
  // [e][node] increment of the temperature variation since the last converged
  // combination (the thermal strain increment of time-dependent concrete); may be null.
  double** ElemTempIncrement = nullptr;
  // Geometrically nonlinear runs: the point displacements of the current iterate (nPoints
  // x 6, equation components) that the tangent is taken at; null: none.
  double** PointDispl = nullptr;
};

// Tangent stiffness of an element with behaviour 'M': allocates *K (n x n).
void Calc_Kg_NL(int element, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                const MainWorkArrays* w, const NonlinearElementState* s, double*** K);
// Tangent stiffness of an element with behaviour 'N' (geometric element routines).
void Calc_Kg_NLMG(int element, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                  const MainWorkArrays* w, const NonlinearElementState* s, double*** K);
// Adds the cables embedded in mother element `mother`, each by its own behaviour code.
void CalcStiffEmbCable_NL(int mother, int n, const char* OutputControl, const MeshData* mesh,
                          const MainWorkArrays* w, const NonlinearElementState* s, double** K);

// Global tangent stiffness of a nonlinear run (same row lists as the linear assembly).
void AssembGlobalStiffMat_NL(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, const char* job,
                             const char* OutputControl, IterSummaryRecord* summary, const MeshData* mesh,
                             SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP,
                             const MainWorkArrays* w, const NonlinearElementState* s);

// The element's nodal displacements in element dof order from a point matrix U; with
// rotate != 0 the nodes with a special coordinate system are turned to global components.
void CalcElemNodalDispl(int element, int type, int nNodes, int rotate, const MeshData* mesh,
                        const MainWorkArrays* w, double** U, double* ae);
// Turns an element vector from global to special components at its special-system nodes.
void RotateElemVectorSpecialCS(int element, int type, int nNodes, const MeshData* mesh, const MainWorkArrays* w,
                               double* fe);
// Adds the element vector into IF (free dofs) and IP (prescribed dofs); a non-finite
// value stops the run naming the element.
void AssembInt_Fg(int element, int type, int nNodes, const MeshData* mesh, const MainWorkArrays* w, double* IF,
                  double* IP, const double* fe);

// Internal forces IF, IP (zeroed first) of every active element from the point
// displacements of the combination increment (Uincr) and the totals (Utot), by the
// behaviour code of its group. Slave forces stay at the slaves (the caller moves them).
void CalcInternalForces(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                        const NonlinearElementState* s, double** Uincr, double** Utot, double* IF, double* IP);
