// Solid hexahedron (type 24) of nonlinear material: tangent stiffness and internal
// forces on the continuum skeleton of the plane elements, 6 strain components.
#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "materials/material_point.h"
#include "model/mesh.h"

void CalcStiffSolidHexa_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                           const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                           double** Kg, double dt, double t, const double* nodeTemps) {
  const ContinuumStepState step{dt, t, nodeTemps, nullptr, nullptr};
  ContinuumElementNL(_SOLID_HEXA, comb, nDof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD, nullptr,
                     Kg, nullptr, nullptr, &step);
}

void CalcInt_Fg_SolidHexa_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const Index_HD* indexHD,
                             const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, const double* du, double* Fe,
                             double dt, double t, const double* nodeTemps, const double* tempTotal,
                             const double* tempIncrement) {
  const ContinuumStepState step{dt, t, nodeTemps, tempTotal, tempIncrement};
  ContinuumElementNL(_SOLID_HEXA, comb, nDof, elem, iter, nNodes, prop, nullptr, indexHD, mesh, hd, elemToHD, du,
                     nullptr, Fe, nullptr, &step);
}

// Geometrically nonlinear: prevCoord holds the point coordinates of the last converged
// configuration (the initial ones in combination 1), a the element's displacements at the
// current iterate. The kinds that take a thermal strain in the materially nonlinear solid
// take it here too.
void CalcStiffSolidHexa_NLMG(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                             const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                             double** prevCoord, const double* a, double** Kg) {
  ContinuumElementNL(_SOLID_HEXA, comb, nDof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD, nullptr,
                     Kg, nullptr, prevCoord, nullptr, a);
}

void CalcInt_Fg_SolidHexa_NLMG(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                               const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                               double** prevCoord, const double* a, const double* du, double* Fe,
                               const double* tempTotal, const double* tempIncrement) {
  const ContinuumStepState step{0.0, 0.0, nullptr, tempTotal, tempIncrement};
  ContinuumElementNL(_SOLID_HEXA, comb, nDof, elem, iter, nNodes, prop, nullptr, indexHD, mesh, hd, elemToHD, du,
                     nullptr, Fe, prevCoord, &step, a);
  if (tempTotal != nullptr && SolidKindTakesThermalStrain(mesh->ElemProps[prop].MaterialKind))
    AddThermalStressForces_SolidHexa_NLMG(elem, nNodes, prop, mesh, tempTotal, Fe);
}

// ---- behaviour-row adapters ----
// The solid reads the time step, the time and its nodal temperatures (the time-dependent
// patterns) and takes the thermal strains of its temperature variations.
namespace {
const double* RowOf(double** v, int e) { return v != nullptr ? v[e] : nullptr; }
}  // namespace

void SolidHexaTangent(const ElementCall& c, double** K) {
  CalcStiffSolidHexa_NL(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl, c.index,
                        c.mesh, c.table, c.elemToHD, K, c.timeStep, c.time, RowOf(c.ElemNodeTemps, c.element));
}
void SolidHexaForces(const ElementCall& c, double* F) {
  CalcInt_Fg_SolidHexa_NL(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.index, c.mesh, c.table,
                          c.elemToHD, c.da, F, c.timeStep, c.time, RowOf(c.ElemNodeTemps, c.element),
                          RowOf(c.ElemTempVar, c.element), RowOf(c.ElemTempIncrement, c.element));
}
void SolidHexaGeometricTangent(const ElementCall& c, double** K) {
  CalcStiffSolidHexa_NLMG(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl, c.index,
                          c.mesh, c.table, c.elemToHD, c.prevCoord, c.a, K);
}
void SolidHexaGeometricForces(const ElementCall& c, double* F) {
  CalcInt_Fg_SolidHexa_NLMG(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.index, c.mesh, c.table,
                            c.elemToHD, c.prevCoord, c.a, c.da, F, RowOf(c.ElemTempVar, c.element),
                            RowOf(c.ElemTempIncrement, c.element));
}
