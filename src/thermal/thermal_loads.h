// Element heat loads of a load case: surface heat flux, fluid temperature with
// convection or radiation on hexahedron faces, volumetric heat generation, and the heat
// of hydration of _NLMM401 elements. fe[1..n] (n = 6 x nodes) receives the heat force of
// element node a at entry 6 (a - 1) + 1; the sign and load factor are the caller's
// (except the radiation factor, which enters the fourth-power law).
#pragma once

#include "materials/history_data.h"
#include "model/loadcase.h"
#include "model/mesh.h"

void Calc_Fqg_SurfHeatFlux(int n, int elem, int type, int lc, int nNodes, int k, const LoadCaseParameters* params,
                           const MeshData* mesh, double* fe, const SurfaceHeatFlux* records);
void Calc_Fqg_SurfFluidTemp(int n, int elem, int type, int lc, int nNodes, int conv, int k,
                            const LoadCaseParameters* params, const MeshData* mesh, double* fe,
                            const SurfaceFluidTemperature* records);
void Calc_Fqg_SurfRadFluidTemp(int n, int elem, int type, int lc, int nNodes, int k, int rad, double factor,
                               const LoadCaseParameters* params, const MeshData* mesh, const double* Te, double* fe,
                               const SurfaceFluidTemperature* records);
void Calc_Fqg_VolumetricIntHeatGeneration(int n, int elem, int type, int lc, int nNodes, int property, int k,
                                          const LoadCaseParameters* params, const MeshData* mesh, double* fe,
                                          const VolumetricHeatGeneration* records);
// Heat of hydration over the step dt; Te[1..nNodes] the element's nodal temperatures.
void Calc_Fqg_VolumetricIntHeatGenerationSolidHexaThermal_NL(int comb, int n, int elem, int iter, int nNodes,
                                                            int property, double dt, const Index_HD* indexHD,
                                                            const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                                            double* fe, const double* Te);
