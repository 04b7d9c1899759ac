// Thermal elements: the plane quadrilateral (_PLANE_STRESS_QUAD_THERMAL, 4, 8 or 9
// nodes) and the hexahedron (_SOLID_HEXA_THERMAL, 8 or 20 nodes), one temperature dof
// per node. Conductivity matrix KCg = int B^T D B dV, transient (heat capacity) matrix
// KTg = int rho c N N^T dV; the plane element integrates over its thickness. Face
// matrices of convection and radiation, and the element heat loads.
//
// n is the order of the element matrix (the node count); matrices are 1-based, n x n,
// allocated by the caller and overwritten.
#pragma once

#include <functional>

#include "materials/history_data.h"
#include "model/loadcase.h"
#include "model/mesh.h"

// ---- element matrices ---------------------------------------------------------------
void CalcCondMatPlaneStressQuadThermal(int n, int elem, int nNodes, int property, const char* OutputControl,
                                       const MeshData* mesh, double** KCg);
void CalcTransientMatPlaneStressQuadThermal(int n, int elem, int nNodes, int property, const char* OutputControl,
                                            const MeshData* mesh, double** KTg);
void CalcCondMatSolidHexaThermal(int n, int elem, int nNodes, int property, const char* OutputControl,
                                 const MeshData* mesh, double** KCg);
void CalcTransientMatSolidHexaThermal(int n, int elem, int nNodes, int property, const char* OutputControl,
                                      const MeshData* mesh, double** KTg);
// Nonlinear materials (_NLMM401, _NLMM451): Te[1..n] the element's nodal temperatures;
// point p (s1 fastest) uses history record Index_HD(elemToHD[elem], p) of hd. With the
// temperatures Ten at the start of the step, KTg holds the capacity over the step, so
// that KTg (Te - Ten) is the heat the element stores in it.
void CalcCondMatSolidHexaThermal_NL(int comb, int n, int elem, int iter, int nNodes, int property,
                                    const char* OutputControl, const Index_HD* indexHD, const MeshData* mesh,
                                    NLMM_HD* hd, const int* elemToHD, double** KCg, const double* Te);
void CalcTransientMatSolidHexaThermal_NL(int comb, int n, int elem, int iter, int nNodes, int property,
                                         const char* OutputControl, const Index_HD* indexHD, const MeshData* mesh,
                                         NLMM_HD* hd, const int* elemToHD, double** KTg, const double* Te,
                                         const double* Ten = nullptr);

// ---- integration points shared with the element heat loads -------------------------
// Points of a thermal element (type 11 or 25, n nodes) under rule intType with c[1..d]
// points per direction, s1 fastest: fn(point, N, dN/dx, w det J), the plane element's
// weight times its thickness at the point. Jacobian failures write context (one %d: the
// element).
using ThermalPointFn = std::function<void(int point, const double* N, double** dNdx, double f)>;
void ForEachThermalPoint(const MeshData* mesh, int elem, int type, int n, int property, const int* c, int intType,
                         int intNumber, const char* context, const ThermalPointFn& fn);

// ---- behaviour rows of the thermal types ----------------------------------------------
// Per element type, the routines of the conduction and heat-capacity matrices, linear and of
// temperature-dependent materials, each a thin adapter over one call record; a type without
// one keeps a refusal in words.
struct ThermalElementCall {
  int element = 0;
  int nNodes = 0;
  int property = 0;
  const char* OutputControl = nullptr;
  const MeshData* mesh = nullptr;
  // Temperature-dependent materials: combination, iteration, records, and the element's
  // nodal temperatures (current, and at the start of the step for the capacity).
  int combination = 0;
  int iteration = 0;
  const Index_HD* indexHD = nullptr;
  NLMM_HD* hd = nullptr;
  const int* elemToHD = nullptr;
  const double* Te = nullptr;
  const double* Ten = nullptr;
};
using ThermalMatRoutine = void (*)(const ThermalElementCall& c, double** K);
struct ThermalMatCell {
  ThermalMatRoutine run;
  const char* refusal;
};
struct ThermalBehaviourRow {
  ThermalMatCell conduction;
  ThermalMatCell capacity;
  ThermalMatCell conductionNL;
  ThermalMatCell capacityNL;
};
// The row of a type code 0..32 (checked like the element-type table).
const ThermalBehaviourRow& ThermalBehaviourOf(int type);
// Runs a cell into K (nNodes x nNodes, allocated by the caller); an empty cell is a fault
// of the caller's checks: its words and the type go to the console, then the internal error.
void RunThermalMat(const ThermalMatCell& cell, int type, const ThermalElementCall& c, double** K);
