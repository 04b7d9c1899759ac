// The material point: the one place that turns a material kind code into behaviour.
// Elements and loads hand it the kind and the record of their sampling point; it answers
// with densities, expansion coefficients, moduli, tangents and stresses, and it updates
// the point's history record. Codes whose law is not built yet end here in the internal
// error.
#pragma once

#include "materials/history_data.h"
#include "materials/crack/crack_start.h"
#include "materials/material_table.h"
#include "materials/point_context.h"
#include "model/material.h"

// ---- values of the records ----------------------------------------------------------------

// How an element of the kind finds the density for its self weight.
enum DensityRule {
  kDensityOwn,         // the record's density
  kDensityNone,        // interfaces: no self weight, nothing asked
  kDensityOfLayers,    // layered shells: the densities of their layers
  kDensityOfComponent, // material patterns: the first component kind that has a density
  kDensityMissing,     // the kind holds no density
};
DensityRule MaterialDensityRule(int code);
// Density of a record of a kind that has one (the internal error otherwise).
double MaterialDensity(int code, const MaterialRecord& m);
bool MaterialHasDensity(int code);
// Component kinds of a material pattern that give the pattern's density (_LIN_ISO,
// _NLMM104, _NLMM111); any code is accepted.
bool PatternComponentHasDensity(int code);
// Index 1..7 of the kind among the kinds a shell layer may take its density from, in the
// order _LIN_ISO, _LIN_ORTHO, _NLMM101, _NLMM104, _NLMM121, _NLMM141, _NLMM142; 0 for
// the other kinds.
int LayerDensityKindIndex(int code);

// Coefficient of thermal expansion j (1..3; an isotropic kind gives the same for every
// j) of a kind that has one; the internal error otherwise.
double ExpansionCoefficient(int code, const MaterialRecord& m, int j);
// Number of distinct coefficients: 1 isotropic, 3 orthotropic, 0 none.
int ExpansionCount(int code);

// ---- uniaxial points (bars, cables, beam fibres) ----------------------------------------

// False when the initial modulus is a stress over a null strain (the end of the elastic
// branch of the monotonic steel law at strain 0).
bool UniaxialModulusDefined(int code, const MaterialRecord& m);
// Initial (elastic) modulus of a uniaxial kind: value 3 of the linear isotropic and the
// cyclic steel records, value 4 over value 3 of the monotonic steel record.
double UniaxialInitialModulus(int code, const MaterialRecord& m);
// Tangent modulus of the point at iteration `iteration` of the combination; the
// nonlinear kinds read record `record` of the current copy of their slot in hd.
double UniaxialTangent(int code, int iteration, const MaterialRecord& m, NLMM_HD* hd, int record);
// Stress of the point for the mechanical strain epsMech; the nonlinear kinds update
// their record, which keeps the mechanical strain.
double UniaxialStress(int code, const MaterialRecord& m, double epsMech, NLMM_HD* hd, int record);

// ---- beam fibres ----------------------------------------------------------------------
// Fibres of a fibrous mesh: the linear kind and the laws _NLMM201, _NLMM202, _NLMM210,
// _NLMM220, _NLMM298, _NLMM299 (any other kind: the internal error). `record` is the
// fibre's record in the current copy of its slot (0 for the linear kind).

// Axial modulus of the section tangent; firstStep: combination 1, iteration 1.
double FibreTangent(int code, bool firstStep, const MaterialRecord& m, NLMM_HD* hd, int record);
// Shear modulus: E / (2 (1 + nu)) of the linear kind, the initial modulus / 2.4 of a law.
double FibreShearModulus(int code, const MaterialRecord& m);
// Axial stress: the linear kind from the total strain; a law from the strain stored in
// its record plus the increment, the record updated. `at` names the fibre's axial point
// in the fatal messages of the laws.
double FibreStress(int code, const PointContext& at, const MaterialRecord& m, NLMM_HD* hd, int record,
                   double epsTotal, double dEps);

// ---- interface points -------------------------------------------------------------------

// Tangent D (d x d, local axes) of an interface point in state `state` from its record
// `record` in the current copy of hd (the bond laws only read it).
void InterfaceTangent(int code, StressState state, const PointContext& at, const MaterialRecord& m, NLMM_HD* hd, int record,
                      double** D);
// Traction sigma (local axes) of the point: the bond laws take the total relative
// displacement w, the plasticity law the increment dw; each updates the point's record.
void InterfaceTraction(int code, StressState state, const PointContext& at, const MaterialRecord& m, NLMM_HD* hd, int record,
                       const double* dw, const double* w, double* sigma);
// Does a line interface in state `state` with the kind bond a bar, so that its width is
// the perimeter of the bar's section rather than the section's width?
bool InterfaceBondsBar(int code, StressState state);

// ---- set-up ----------------------------------------------------------------------------------

struct MeshData;
// The parameters of every record of the nonlinear kinds in use (NLMM_HD_Count[code] > 0)
// that the laws divide by or take roots of; a bad value stops the run with a message
// naming the block, the record and the parameter.
void CheckNonlinearMaterialParameters(const MeshData* mesh, const int* NLMM_HD_Count);

// ---- plane and solid points ---------------------------------------------------------------

// Stress components of a point in state `state` as the element holds them: 3 in plane
// stress and plane strain (sxx, syy, txy, the out-of-plane stress kept in the point's
// record), 6 in the solid. Other states: the internal error.
int ContinuumComponents(StressState state);

// Stress sigma (ContinuumComponents(state) components, engineering shear strains) of the
// point after the strain increment dEps; the law updates the point's record `record` in
// the current copy of the table hd.
void ContinuumStress(int code, StressState state, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                     const double* dEps, double* sigma);
// Does a solid point of kind `code` take a thermal strain? The smeared-crack
// models (_NLMM102, _NLMM111) and the plasticity models (_NLMM122, _NLMM123, _NLMM124,
// _NLMM151) do; any other kind does not.
bool SolidKindTakesThermalStrain(int code);
// Stress of such a solid point whose strain increment dEps holds the thermal strain
// increment depsT: the law takes the mechanical increment dEps - depsT, and sigma adds
// D0 epsT, the stress of the whole thermal strain through the elastic D0, which balances
// the equivalent load of the temperature variation; the total strain of a crack record
// also takes depsT. Any other kind: the internal error.
void SolidThermalStress(int code, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                        double** D0, const double* dEps, const double* epsT, const double* depsT, double* sigma);
// Tangent D (n x n) of the point from its record.
void ContinuumTangent(int code, StressState state, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                      double** D);
// Does the geometrically nonlinear element (plane stress, solid) take a point of kind
// `code` in state `state`? Material patterns and the other kinds do not.
bool ContinuumKindGeometric(int code, StressState state);
// How a plane-stress sheet of kind `code` thins at large strain: the elastic constants of
// its strain across the sheet, -nu/E tr(sigma), and whether its inelastic strain is
// plastic flow that keeps the volume (then it thins the sheet by its in-plane dilatation;
// crack openings and bars do not).
struct SheetThinningLaw {
  double E, nu;
  bool plasticVolumeKept;
};
SheetThinningLaw ContinuumSheetThinning(int code, const MaterialRecord& m);
// Does that kind take the updated Lagrangian description? The smeared bars keep their
// directions in the initial element axes, which only the total description follows.
bool ContinuumKindUpdatedLagrangian(int code);
// In-plane stress (3) held in the current record of a nonlinear shell layer of material
// m: the kinds NLMM101, 104, 121, 141, 142, 145 and 211 (the others: the internal error).
void ShellLayerRecordStress(int code, const MaterialRecord& m, NLMM_HD* hd, int record, double* sigma);
// The stress vector held in the point's current record (ContinuumComponents(state) values)
// of a kind the geometrically nonlinear element takes, of material m.
void ContinuumRecordStress(int code, StressState state, const MaterialRecord& m, NLMM_HD* hd, int record, double* sigma);
// Writes that stress vector: the stress carried to another configuration of the point
// (the smeared bars keep theirs along their directions).
void ContinuumSetRecordStress(int code, StressState state, NLMM_HD* hd, int record, const double* sigma);
// Turns the crack axes of the record with the rigid rotation R of the point (back: by
// R^T), as its stress is turned in the updated description, so that fixed cracks turn
// with the material; the plane cyclic concrete turns its total strain and principal angle.
// Other records without crack axes are left.
void ContinuumTurnRecordCracks(int code, StressState state, NLMM_HD* hd, int record, double** R, bool back);
// The stress the plastic part of a crack-plasticity model works on (turned with the
// record's stress); null for the other kinds.
double* ContinuumRecordPlasticStress(int code, StressState state, NLMM_HD* hd, int record);

// Do the start values of the history record of a plane or solid point of kind `code` (the
// smeared-crack models) need the area or volume of the element and of the point's share?
bool PointStartNeedsElementSize(int code, const MaterialRecord& m);
// The crack band option of a smeared-crack kind (1 _CONSTANT .. 5 _OLIVER_IP); 0 for the
// other kinds.
int CrackBandOptionOfKind(int code, const MaterialRecord& m);
// The band options a smeared-crack kind takes: 1 to this (3 or 5).
int CrackBandOptionsOfKind(int code);

// ---- layers of the layered shells ----------------------------------------------------------

// Does a layered shell (state: the Mindlin shell's layer or the Ahmad shell's) take a
// layer of kind `code`? Both take the linear isotropic and orthotropic kinds and NLMM101,
// 104, 121, 141 and 142; the Mindlin shell also NLMM145, 211 and 501.
bool ShellLayerKindServed(int code, StressState state);
// In-plane tangent Dt (3 x 3, element or lamina axes) of a nonlinear layer point from its
// record `record` of the current copy in hd; De is the layer's elastic matrix there.
void ShellLayerTangent(int code, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                       double** De, double** Dt);
// Transverse-shear tangent Dst (2 x 2) of the point from its elastic Dse.
void ShellLayerShearTangent(int code, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                            double** Dse, double** Dst);
// In-plane stress sigma (3) after the strain increment dEps; the law updates the record.
void ShellLayerStress(int code, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                      double** De, const double* dEps, double* sigma);
// Transverse shear stress tau (2) of the total transverse shear strain gamma.
void ShellLayerShearStress(int code, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                           double** Dse, const double* gamma, double* tau);
// Does a layer of kind `code` stay elastic until a failure check of its total strains
// (_NLMM501) instead of taking the strain increment?
bool ShellLayerTotalStrain(int code);
// Stresses of such a layer from its total strains: sigma = De eps (3) and tau = Dse gamma
// (2), both zero once the failure check in the material axes (element axes T) fails; the
// record receives the material-axes stress and the failure index.
void ShellLayerTotalStress(int code, const PointContext& ctx, const MaterialRecord& m, NLMM_HD* hd, int record,
                           double** De, double** Dse, double** T, const MeshData* mesh, const double* eps,
                           const double* gamma, double* sigma, double* tau);
// In-plane stress of such a layer for the geometric stiffness, read-only: De eps, zero
// when its record holds a failure.
void ShellLayerTotalRecordStress(int code, NLMM_HD* hd, int record, double** De, const double* eps, double* sigma);
// Crack band option of the record of a crack model whose new cracks take Oliver's band
// (the solid models and _NLMM104; 4 and 5: Oliver's band, for which the element hands
// the point its geometry); 0 for the other kinds.
int SolidCrackBandOption(int code, const MaterialRecord& m);
