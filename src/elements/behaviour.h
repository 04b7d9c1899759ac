// Element behaviour rows: per element type, the routines that give its stiffness, mass,
// tangent, internal forces and the geometrically nonlinear tangent and forces, each reached
// through one call record. The rows stand beside the element-type table
// (`src/elements/element_types.cpp`); each cell is a thin adapter: one of the shared
// adapters below over the routines of a common shape, or its own in its element's file next
// to the routine it calls. A type without a routine keeps a refusal in words in its cell.
#pragma once

#include "elements/kernel.h"

struct EmbCableMotherRecord;
struct Index_HD;
struct NLMM_HD;

// One call of an element routine: the element, its node count and property record, the
// output control and the mesh, the work arrays the shells read, and the state of a
// nonlinear run (records of the combination and iteration, temperatures, configuration).
struct ElementCall {
  int element = 0;
  int nNodes = 0;
  int property = 0;
  int n = 0;  // element dofs: dofs per node x nodes
  const char* OutputControl = nullptr;
  const MeshData* mesh = nullptr;
  // Work arrays.
  const int* ElemPropIndex = nullptr;
  const char* PointTypes = nullptr;
  const PointList* PointElemAdjacency = nullptr;
  // State of a nonlinear run.
  int combination = 0;
  int iteration = 0;
  const Index_HD* index = nullptr;
  NLMM_HD* table = nullptr;
  const int* elemToHD = nullptr;
  double timeStep = 0.0;
  double time = 0.0;
  double** ElemTempVar = nullptr;        // [e][node] temperature variation of the combination
  double** ElemNodeTemps = nullptr;      // [e][node] temperatures
  double** ElemTempIncrement = nullptr;  // [e][node] increment of the variation since the last converged one
  double** prevCoord = nullptr;          // point coordinates of the last converged configuration
  const double* a = nullptr;             // element displacements: total (forces), current iterate (geometric tangent)
  const double* da = nullptr;            // element displacements of the combination increment
  // An embedded cable on its mother element: the mother, the cable's slot in the mother's
  // record and that record's sequence number, the mother's type and node count; n, a and da
  // are then the mother's. mother 0: the cable's own call, which adds nothing.
  int mother = 0;
  int slot = 0;
  int motherSeq = 0;
  int motherType = 0;
  int nMotherNodes = 0;
  const EmbCableMotherRecord* motherRecords = nullptr;
};

// The record of a linear call: element, nodes, property, dofs, output control, mesh and the
// work arrays; the state of a nonlinear run stays empty.
ElementCall LinearElementCall(int element, int nNodes, int property, int n, const char* OutputControl,
                              const MeshData* mesh, const int* ElemPropIndex, const char* PointTypes,
                              const PointList* PointElemAdjacency);

using ElemMatRoutine = void (*)(const ElementCall& c, double** K);
using ElemVecRoutine = void (*)(const ElementCall& c, double* F);

// A cell: its routine, or null and the words of the refusal.
struct ElemMatCell {
  ElemMatRoutine run;
  const char* refusal;
};
struct ElemVecCell {
  ElemVecRoutine run;
  const char* refusal;
};

struct ElementBehaviourRow {
  ElemMatCell stiffness;         // linear stiffness (and F = K a of a linear group in a nonlinear run)
  ElemMatCell mass;              // consistent mass of the dynamic and modal analyses
  ElemMatCell tangent;           // tangent of a nonlinear material ('M')
  ElemVecCell forces;            // internal forces of a nonlinear material ('M'), advancing its records
  ElemMatCell geometricTangent;  // tangent of a geometrically nonlinear run ('N')
  ElemVecCell geometricForces;   // internal forces of a geometrically nonlinear run ('N')
};

// Indexed by the type code 0..32, like the element-type table.
extern const ElementBehaviourRow ElementBehaviour[kNumElementTypes + 1];

// The row of a type code (checked like `GetElementTypeInfo`).
const ElementBehaviourRow& ElementBehaviourOf(int type);

// Run a cell into K or F (the caller allocates and zeroes them). An empty cell is a fault of
// the caller, whose checks refuse such a type before: its words and the element type go to
// the console and the run stops with the internal error.
void RunElemMat(const ElemMatCell& cell, int type, const ElementCall& c, double** K);
void RunElemVec(const ElemVecCell& cell, int type, const ElementCall& c, double* F);

// ---- the adapters ----------------------------------------------------------------------
// The routines of one shape share an adapter: the linear matrices (stiffness, mass), the
// tangents of a nonlinear material and the internal forces from the increment and the total.
using LinearElemRoutine = void (*)(int n, int elem, int nNodes, int property, const char* OutputControl,
                                   const MeshData* mesh, double** K);
using TangentElemRoutine = void (*)(int comb, int n, int elem, int iter, int nNodes, int property,
                                    const char* OutputControl, const Index_HD* index, const MeshData* mesh,
                                    NLMM_HD* table, const int* elemToHD, double** K);
using ForcesElemRoutine = void (*)(int comb, int n, int elem, int iter, int nNodes, int property,
                                   const char* OutputControl, const Index_HD* index, const MeshData* mesh,
                                   NLMM_HD* table, const int* elemToHD, const double* da, const double* a, double* F);

template <LinearElemRoutine routine>
void LinearCell(const ElementCall& c, double** K) {
  routine(c.n, c.element, c.nNodes, c.property, c.OutputControl, c.mesh, K);
}
template <TangentElemRoutine routine>
void TangentCell(const ElementCall& c, double** K) {
  routine(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl, c.index, c.mesh, c.table,
          c.elemToHD, K);
}
template <ForcesElemRoutine routine>
void ForcesCell(const ElementCall& c, double* F) {
  routine(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl, c.index, c.mesh, c.table,
          c.elemToHD, c.da, c.a, F);
}

// The other adapters, by element file.
// cable.cpp
void Cable2DForces(const ElementCall& c, double* F);
void Cable3DForces(const ElementCall& c, double* F);
// continuum_nl.cpp
void PlaneStressQuadForces(const ElementCall& c, double* F);
void PlaneStrainQuadForces(const ElementCall& c, double* F);
void PlaneStressQuadGeometricTangent(const ElementCall& c, double** K);
void PlaneStressQuadGeometricForces(const ElementCall& c, double* F);
// mindlin_shell.cpp, mindlin_shell_layered.cpp
void MindlinShellQuadStiffness(const ElementCall& c, double** K);
void MindlinShellQuadMass(const ElementCall& c, double** M);
void MindlinShellQuadTangent(const ElementCall& c, double** K);
void MindlinShellQuadForces(const ElementCall& c, double* F);
void MindlinShellQuadGeometricTangent(const ElementCall& c, double** K);
void MindlinShellQuadGeometricForces(const ElementCall& c, double* F);
// ahmad_shell.cpp
void AhmadShellQuadStiffness(const ElementCall& c, double** K);
void AhmadShellQuadMass(const ElementCall& c, double** M);
void AhmadShellQuadTangent(const ElementCall& c, double** K);
void AhmadShellQuadForces(const ElementCall& c, double* F);
// solid_hexa.cpp, solid_hexa_nl.cpp
void SolidHexaTangent(const ElementCall& c, double** K);
void SolidHexaForces(const ElementCall& c, double* F);
void SolidHexaGeometricTangent(const ElementCall& c, double** K);
void SolidHexaGeometricForces(const ElementCall& c, double* F);
// embedded_cable.cpp: an embedded cable has no dofs of its own; its matrices and forces go
// on its mother element's dofs (its own call adds nothing). In a geometrically nonlinear run
// it keeps its materially nonlinear routines.
void EmbCable2DStiffness(const ElementCall& c, double** K);
void EmbCable3DStiffness(const ElementCall& c, double** K);
void EmbCable2DTangent(const ElementCall& c, double** K);
void EmbCable3DTangent(const ElementCall& c, double** K);
void EmbCable2DForces(const ElementCall& c, double* F);
void EmbCable3DForces(const ElementCall& c, double* F);
