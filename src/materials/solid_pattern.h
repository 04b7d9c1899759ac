// Time-dependent concrete at a point of the solid hexahedron: a material pattern whose
// base is the solid crack model _NLMM111, with at most one shrinkage law (_NLMM171 or
// _NLMM172), the maturity model _NLMM173, the Kelvin-chain creep model _NLMM174, or the
// temperature model _NLMM175 alone.
//
// The element identifies the composition once (SolidPatternOf) and hands each point its
// component records. The named steps (age update, temperature update, D rebuilt, creep
// modulus, shrinkage strain increment, Kelvin unit strains) are shared by the tangent,
// the internal forces and the creep, shrinkage and temperature loads. The age and
// temperature updates act on a copy of the crack material, so the record in the model
// always holds its input values.
#pragma once

#include "materials/history_data.h"
#include "materials/point_context.h"
#include "model/material.h"

struct MeshData;

// The composition of a pattern: its row in the table of admitted compositions (13 to
// 24 for the solid) and, by material code, the component's record number and position
// in the pattern (0 where the code is absent).
struct SolidPattern {
  int row;
  int nComponents;
  int number[kMaterialKinds + 1];
  int position[kMaterialKinds + 1];
};

// Why the solid cannot take "<NLMM_PATTERNS>" record `pattern` (null when it can): a
// repeated material code, a member set matching no admitted composition, a composition
// on a linear or plane base, or a shrinkage flag the solid does not take.
const char* SolidPatternFault(const MeshData* mesh, int pattern);
// Set-up check of every solid and plane stress element group whose material is a
// pattern: a fault stops the run naming the element property and the pattern; so does a
// pattern with ageing or creep when the run keeps no converged history copy
// (pathBehavior 2).
void CheckSolidPatterns(const MeshData* mesh, const int* ElemPropIndex, int pathBehavior);
// The composition of the pattern of element property `prop` (the internal error where
// the set-up check would have refused it).
SolidPattern SolidPatternOf(const MeshData* mesh, int prop);
// The pattern of a plane stress quadrilateral: _NLMM104 with the fracture model
// _FRC_MIXFRACTURE_2D. The crack model acts at the point on its own record (the member at
// crackPosition); the fracture member's record is carried along.
struct PlanePattern {
  int crackPosition;
  int crackNumber;
  int fractureNumber;
};
// The pattern of element property `prop` of a plane stress quadrilateral (the internal
// error where the set-up check would have refused it).
PlanePattern PlanePatternOf(const MeshData* mesh, int prop);
int PlanePatternCrackKind();
// The crack model's record as the pattern hands it to the model: a copy carrying the link
// to its fracture partner (partner number, owner _NLMM_PATT, composition 12).
MaterialRecord PlanePatternCrackMaterial(const MeshData* mesh, const PlanePattern& p);
// Do the active elements (ElemPropIndex) hold a pattern that creeps or shrinks, and so
// load the model with its material state?
bool SolidPatternsLoadTheModel(const MeshData* mesh, const int* ElemPropIndex);
// Is element property `prop` a material pattern (on the solid: a time-dependent one)?
bool PropertyIsMaterialPattern(const MeshData* mesh, int prop);

// The history records of one point: current copies, and the converged copies of the
// ageing and creep records (null without a converged table).
struct SolidPatternPoint {
  NLMM111_HD* h111 = nullptr;
  NLMM171_HD* h171 = nullptr;
  NLMM172_HD* h172 = nullptr;
  NLMM173_HD* h173 = nullptr;
  NLMM173_HD* c173 = nullptr;
  NLMM174_HD* h174 = nullptr;
  NLMM174_HD* c174 = nullptr;
  NLMM175_HD* h175 = nullptr;
};
// records[c] is the point's record number of component c (1..nComponents).
SolidPatternPoint SolidPatternRecords(const SolidPattern& p, NLMM_HD* hd, const int* records);

// The moment of a point: time step dt, time t at the end of the step, temperature T at
// the point, and the total and step temperature variations (for the thermal strains).
struct PatternMoment {
  double dt;
  double t;
  double T;
  double dTtotal;
  double dTstep;
};

// Internal forces: the stress sigma (6) of the point after the strain increment deps,
// the thermal strains of the element (epsT total, depsT of the step, built with the
// coefficient of the element group) taken off and added back as D epsT; the shrinkage
// strain likewise. Advances the point's records.
void SolidPatternStress(const SolidPattern& p, const PointContext& at, const MeshData* mesh,
                        const SolidPatternPoint& r, const PatternMoment& mo, const double* epsT,
                        const double* depsT, const double* deps, double* sigma);
// Tangent D (6 x 6) of the point.
void SolidPatternTangent(const SolidPattern& p, const PointContext& at, const MeshData* mesh,
                         const SolidPatternPoint& r, const PatternMoment& mo, double** D);
// Creep load: the total creep stress sc (6) of the point for the step; false where the
// point gives none (no creep member, before the creep start, or the chain not started).
bool SolidPatternCreepStress(const SolidPattern& p, const PointContext& at, const MeshData* mesh,
                             const SolidPatternPoint& r, const PatternMoment& mo, double* sc);
// Shrinkage load: D epsSh (6) of the total shrinkage strain of the point at the step's
// end; false where the point has no shrinkage member.
bool SolidPatternShrinkStress(const SolidPattern& p, const PointContext& at, const MeshData* mesh,
                              const SolidPatternPoint& r, const PatternMoment& mo, double* s);
// Temperature load: the matrix D (6 x 6, entered as the element's set-up matrix) and the
// thermal strain eps0 (6, entered with the coefficient of the element group) of the
// point.
void SolidPatternThermalLoad(const SolidPattern& p, const PointContext& at, const MeshData* mesh,
                             const SolidPatternPoint& r, const PatternMoment& mo, double** D, double* eps0);

// ---- named steps (exposed for their tests) ------------------------------------------------
// Shrinkage strain increment since the record's last update: the switched-on parts at
// age t less the parts the record holds, which then take the values at t.
void CalcShrinkStrainIncr_NLMM171(const MaterialRecord& m, int n, double t, NLMM171_HD& h, double* deps);
void CalcShrinkStrainIncr_NLMM172(const MaterialRecord& m, int n, double t, NLMM172_HD& h, double* deps);
// Kelvin unit strains at the first creep step: G_ij = (C sigma111)_i / E_j; and their
// advance over dt: G_ij = x_j G_ij + (1 - x_j) tau_j / (E_j dt) (C dsigma111)_i,
// x_j = exp(-dt / tau_j), the factor (1 - x_j) tau_j / dt taken as 1 at dt = 0.
void InitKelvinUnitStrains(int m, int nc, const NLMM111_HD& h111, NLMM174_HD& h174, double** C, const double* E);
void UpdateKelvinUnitStrains(int m, int nc, double dt, const NLMM111_HD& h111, NLMM174_HD& h174, double** C,
                             const double* E, const double* tau);

// The kind and the record of the pattern's crack material (its Oliver band option).
int SolidPatternCrackKind();
const MaterialRecord& SolidPatternCrackMaterial(const MeshData* mesh, const SolidPattern& p);
