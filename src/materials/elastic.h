// Linear elasticity of three-dimensional solids (isotropic and orthotropic, strain order
// 11, 22, 33, 23, 31, 12 with engineering shear strains) and the in-plane angle between a
// material coordinate system and an element's local axes.
#pragma once

#include "materials/material_table.h"
#include "model/mesh.h"

// D (6 x 6) = isotropic elasticity matrix. A Poisson's coefficient outside (-1, 0.5)
// stops the run ("Poisson's coefficient must be greater than -1 and less than 0.5...").
void CalcMat_De_Iso3D(int nRows, int nCols, double nu, double E, double** D);

// D (6 x 6) = inverse of the orthotropic compliance in the axes 1, 2, 3, with
// nu21 = nu12 E2/E1, nu32 = nu23 E3/E2, nu13 = nu31 E1/E3; D44 = G23, D55 = G13, D66 = G12.
// A null Young's modulus or a null Poisson interaction term stops the run; elem names
// the element in the context line.
void CalcMat_De_Ortho3D(int elem, int nRows, int nCols, double nu12, double nu23, double nu31, double G12,
                        double G23, double G13, double E1, double E2, double E3, double** D);

// Isotropic elasticity of a continuum point in the order of the plasticity models:
// n = 3 plane stress (sxx, syy, txy); n = 4 plane strain (szz, sxx, syy, txy), the
// normal block of the solid and the shear modulus; n = 6 the solid (CalcMat_De_Iso3D).
void CalcMat_De_IsoModel(int n, double nu, double E, double** D);

// Ainv = inverse of the n x n matrix A, A kept (invertd2 on a copy scaled to unit
// size); false when singular.
bool InvertKeeping(double** Ainv, double** A, int n);
// x = J^-1 b of a return-mapping system whose first nStress unknowns are stresses (E
// the modulus that turns them into strains), by linsolved2 after scaling the rows and
// then the columns of J to unit size; J and b are overwritten.
bool SolveRowScaled(double** J, double* x, double* b, int n, int nStress, double E);
// The power of 1000 that brings a strength into [1, 1000]: 1 for strengths of MPa size
// (N, mm), 1e6 in Pa, 1e3 in kPa, 1e-3 in kN/mm^2; 1 for a strength that is not a positive
// number. Absolute guards and tolerances of stress size scale with it, so that a law in
// MPa keeps its numbers and one in other units takes the same steps.
double StressUnitOf(double strength);

// Angle (radians) from the element's local axis 1 to material axis 1, measured towards
// local axis 2. T (3 x 3): rows = the element's local axes in global components. The
// coordinate system's axes are the auxiliary vectors it names; its axis 3 must be the
// element normal (either sense), else the run stops with the coplanarity message.
// name is printed in the context line.
void CalcMat_D_MatCoordSys(int coordSys, int elem, const char* name, double* angle, double** T,
                           const AuxiliaryVector* auxVectors, const CoordinateSystem* coordSystems);

// Ts (3 x 3) turns an in-plane stress (s11, s22, s12) of the element axes into the
// material axes at the angle theta from element axis 1 to material axis 1; R (2 x 2)
// turns in-plane vectors.
void CalcMat_T_MatCoordSys(double theta, double** Ts, double** R);

// D (6 x 6) of a solid point of the element's linear isotropic (1) or orthotropic (2)
// material; the orthotropic axes are the global axes. Any other material kind stops the
// run with "Solid element: invalid material type.".
void CalcMat_D_Solid(int elem, int propIndex, int nRows, int nCols, double** D, const MaterialRecord* linIso,
                     const MaterialRecord* linOrtho, const ElementProperty* props);

// Constants of a linear isotropic record (density 1, expansion coefficient 2, then E 3
// and nu 4).
struct IsotropicElastic {
  double E;
  double nu;
};
IsotropicElastic IsotropicConstants(const MaterialRecord& m);

// Constants of a linear orthotropic record: density, three expansion coefficients, then
// E1 E2 E3 (5-7), G23 G31 G12 (8-10), nu23 nu31 nu12 (11-13); value 14 the coordinate
// system of the material axes (OrthotropicCoordSystem).
struct OrthotropicElastic {
  double E1, E2, E3;
  double G23, G31, G12;
  double nu23, nu31, nu12;
};
OrthotropicElastic OrthotropicConstants(const MaterialRecord& m);
int OrthotropicCoordSystem(const MaterialRecord& m);

// The mesh's record block of a linear elasticity (the block the elasticity routines of
// the linear elements index by material number).
const MaterialRecord* ElasticRecords(const MeshData* mesh, ElasticSymmetry s);

// Linear interfaces, D diagonal from the interface record of the element's property:
// 2-D line diag(second, first) on (sliding, opening); 3-D line diag(third, first,
// second); surface diag(second, third, first) on (in-plane e1, in-plane e2, normal).
// A property of another material kind is the internal error.
void CalcMat_D_InterfaceLine2D(int prop, int n, int m, double** D, const MaterialRecord* interfaceProps,
                               const ElementProperty* elemProps);
void CalcMat_D_InterfaceLine3D(int prop, int n, int m, double** D, const MaterialRecord* interfaceProps,
                               const ElementProperty* elemProps);
void CalcMat_D_InterfaceSurf(int prop, int n, int m, double** D, const MaterialRecord* interfaceProps,
                             const ElementProperty* elemProps);

// Isotropic elasticity of the nonlinear material models, E and nu the first two model
// parameters of the element's record (after density and expansion coefficient).
// Plane strain: codes of NLMM101, 104, 121, 123, 124, 125, 141, 142. Plane stress: the
// same and NLMM211, and NLMM145 and 146 (E their first parameter, nu = 0). Any other code
// is the internal error. De is 3 x 3 (sxx, syy, txy).
void CalcMat_D_PlaneStrain_NL(const MeshData* mesh, int prop, double** De);
// The same of given nu and E: plane stress, or plane strain (3 x 3, sxx, syy, txy).
void CalcMat_De_Plane(bool planeStress, double nu, double E, double** De);
void CalcMat_D_PlaneStress_NL(const MeshData* mesh, int prop, double** De);
// Plane stress De of an NLMM pattern component; only NLMM104 components are accepted.
void CalcMat_D_PlaneStress_NLMM_PATT(const MeshData* mesh, int componentCode, int componentNumber, double** De);
// D (6 x 6) of a solid of NLMM102, 111, 122, 123, 124, 125 or 151.
void CalcMat_D_Solid_NL(const MeshData* mesh, int prop, double** D);
// D (6 x 6) and the unit-modulus compliance C (strain = C sigma / E) of a pattern
// component of the linear isotropic or NLMM111 block.
void CalcMat_D_Solid_NLMM_PATT(const MeshData* mesh, int componentCode, int componentNumber, double** D);
void CalcMat_C_Solid_NLMM_PATT(const MeshData* mesh, int componentCode, int componentNumber, double** C);
// Thermal expansion coefficient of the element's nonlinear material: the record's second
// value for LIN_ISO, NLMM102, 111, 122-125 and 151; for an NLMM pattern that of its last
// component of the linear isotropic, NLMM104 or NLMM111 block (0 when none).
double CalcTempCoef_NL(const MeshData* mesh, int prop);

// Elastic constants of a layer of a layered shell, by the layer's material kind: the
// linear isotropic and orthotropic kinds as their records give them; the isotropic
// nonlinear models (NLMM101, 104, 121, 141, 142, 211: nu and E their first two model
// parameters, values 3 and 4); the bar layer NLMM145 (E value 3, bar angle in degrees
// value 11); the orthotropic layer-failure model NLMM501 (E1, E2, Ga, Gb, G12, nu12
// values 4 to 9, its coordinate system value 10). Any other kind is the internal error.
enum LayerElasticForm { kLayerIsotropic, kLayerOrthotropic, kLayerBar };
struct LayerElastic {
  LayerElasticForm form;
  double E, nu;        // isotropic; the bar's modulus
  double barAngle;     // bar: degrees from element axis 1 towards axis 2
  double E1, E2, G12;  // orthotropic, in the material axes
  double Ga, Gb;       // transverse shear moduli acting on gamma_2z and gamma_1z
  double nu12;
  int coordSystem;     // orthotropic: the "<COORDINATE_SYSTEMS>" record of the axes
};
LayerElastic LayerElasticConstants(int code, const MaterialRecord& m);
