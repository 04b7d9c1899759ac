// The plane crack models with concrete plasticity: _NLMM142 (the cracks of _NLMM104 and
// the concrete surface of the solid elasto-plastic crack model on the plane stress, with
// the compressive damage of its stress) and _NLMM141 (the cracks of _NLMM101 and the
// Owen-Figueiras plasticity of _NLMM121). A point yields and hardens while uncracked,
// cracks in tension, and once cracked solves its cracks and its plasticity together
// (elastoplastic_crack.h).
//
// Point status: 1 elastic, 2 cracked, 3 plastic, 4 plastic and cracked.
#pragma once

#include "materials/crack/plane_cracks.h"
#include "materials/history_data.h"
#include "materials/plasticity/concrete_plasticity.h"
#include "materials/plasticity/owen_figueiras.h"
#include "materials/point_context.h"
#include "model/material.h"

// Pre-check of an uncracked point: the plastic update of the step gives a stress whose
// major principal stress is at most the tensile strength (the answer is then false and
// *u holds the update); a larger one, or a point with cracks, answers true. The checks
// only read the record.
bool CheckUncrackedState_NLMM142(const PointContext& at, const MaterialRecord& m, const NLMM142_HD& r,
                                 double** Dco, const double* dEps, ConcreteMapping* u);
bool CheckUncrackedState_NLMM141(const PointContext& at, const MaterialRecord& m, const NLMM141_HD& r,
                                 double** Dco, const double* dEps, OwenFigMapping* u);
// Writes the plastic update of a point the pre-check kept uncracked: its stress (the
// crack-model stress of _NLMM142, the stress of _NLMM141), its plastic state and the
// point status.
void StoreUncrackedState_NLMM142(const ConcreteMapping& u, NLMM142_HD& r);
void StoreUncrackedState_NLMM141(const OwenFigMapping& u, NLMM141_HD& r);

// Stress update of a point that has cracks or starts one: the increment is cut at every
// crack event; cracks and plasticity are solved together once the point has yielded.
void CalcStressCrConcrete_NLMM142(const PointContext& at, const MaterialRecord& m, NLMM142_HD& r, double** De,
                                  const double* dEps);
void CalcStressCrConcrete_NLMM141(const PointContext& at, const MaterialRecord& m, NLMM141_HD& r, double** De,
                                  const double* dEps);
// Stress (3) after the strain increment dEps, De the elastic matrix of the element.
// _NLMM142 hands on (and keeps as the record's stress) its crack-model stress with the
// compressive part damaged by kappa.
void CalcStress_NLMM142(const PointContext& at, const MaterialRecord& m, NLMM142_HD& r, double** De,
                        const double* dEps, double* stress);
void CalcStress_NLMM141(const PointContext& at, const MaterialRecord& m, NLMM141_HD& r, double** De,
                        const double* dEps, double* stress);

// Cracked reduction of the base matrix Dbase (De or an elasto-plastic tangent) by the
// record's active cracks (the tangent floors of each model); Dbase when none.
void CalcMat_Decr_NLMM142(const PointContext& at, const MaterialRecord& m, const NLMM142_HD& r, double** Dbase,
                          double** D);
void CalcMat_Decr_NLMM141(const PointContext& at, const MaterialRecord& m, const NLMM141_HD& r, double** Dbase,
                          double** D);
// Elasto-plastic tangents of the record's plastic state: _NLMM142 first order while the
// compressive damage is exactly 0, else consistent with the damage; _NLMM141 consistent.
// De when the last step had no plastic flow.
void CalcMat_Dep_NLMM142(const PointContext& at, const MaterialRecord& m, const NLMM142_HD& r, double** Dco,
                         double** D);
void CalcMat_Dep_NLMM141(const PointContext& at, const MaterialRecord& m, const NLMM141_HD& r, double** Dco,
                         double** D);
// Tangent D (3 x 3) by the point status.
void CalcMat_D_NLMM142(const PointContext& at, const MaterialRecord& m, const NLMM142_HD& r, double** Dco, double** D);
void CalcMat_D_NLMM141(const PointContext& at, const MaterialRecord& m, const NLMM141_HD& r, double** Dco, double** D);
// Transverse shear of a shell point: tangent and stress of the total strain g (2), Ds
// the elastic matrix; statuses 1 and 3 uncracked, 2 and 4 cracked (CalcMat_Ds_OP).
void CalcMat_Ds_NLMM142(const MaterialRecord& m, const NLMM142_HD& r, double** Ds, double** D);
void CalcShearStress_OP_NLMM142(const MaterialRecord& m, NLMM142_HD& r, double** Ds, const double* g, double* tau);
