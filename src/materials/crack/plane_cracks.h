// Fixed smeared cracks of the plane concrete models _NLMM104, _NLMM101, _NLMM142 and
// _NLMM141: the members of the crack family with a scalar crack angle (the angle of the
// crack normal from x), two components per crack (normal, shear: crack j at 2j-1, 2j)
// and the in-plane stress (xx, yy, xy). The crack matrices, the cracked tangent and the
// stress of a cracked point for a strain increment are the family's pieces
// (crack_models.h) run on the descriptions kModel104, kModel101, kModel142, kModel141;
// this file adds what only the plane members have: their records, the crack axes of an
// angle, the transverse shear of cracked shells and the compressive damage of _NLMM142.
#pragma once

#include "materials/crack/crack_models.h"

// ---- active cracks of the plane records ---------------------------------------------------
// _NLMM104 and _NLMM142 share the crack part CrackPart104.
int CalcNumActiveCr_NLMM104(const CrackPart104& r);
int CalcNumActiveCr_NLMM101(const NLMM101_HD& r);
int CalcNumActiveCr_NLMM141(const NLMM141_HD& r);
void AssignActCrData_NLMM104(int nA, const CrackPart104& r, ActiveCracks* c);
void AssignActCrData_NLMM101(int nA, const NLMM101_HD& r, ActiveCracks* c);
void AssignActCrData_NLMM141(int nA, const NLMM141_HD& r, ActiveCracks* c);

// Cracked tangent (3 x 3) of the active cracks of the record (Dco when none); share: the
// shares of the crack components (NewCrackShares), null for 1.
void CalcMat_Decr_NLMM104(const PointContext& at, const MaterialRecord& m, const CrackPart104& r, double** Dco,
                          double** D, const double* share = nullptr);
void CalcMat_Decr_NLMM101(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r, double** Dco,
                          double** D);

// ---- entry points of the sampling point ----------------------------------------------------
// Tangent (3 x 3) by the point status: De while uncracked, the cracked tangent after.
void CalcMat_D_NLMM104(const PointContext& at, const MaterialRecord& m, const NLMM104_HD& r, double** De,
                       double** D);
void CalcMat_D_NLMM101(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r, double** De,
                       double** D);
// True when the crack update must run (the point has cracks, closed ones included, or the
// largest principal stress of its trial stress exceeds the tensile strength); else
// *trial holds the elastic update, which the entry point stores (StoreUncrackedTrial).
// The checks only read the record.
bool CheckUncrackedState_NLMM104(const PointContext& at, const MaterialRecord& m, const NLMM104_HD& r,
                                 double** De, const double* dEps, UncrackedTrial* trial);
bool CheckUncrackedState_NLMM101(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r,
                                 double** De, const double* dEps, UncrackedTrial* trial);
// Stress update of a point with cracks: the increment is cut at every crack event; the
// 51st event of one increment ends the run.
void CalcStressCrConcrete_NLMM104(const PointContext& at, const MaterialRecord& m, NLMM104_HD& r, double** De,
                                  const double* dEps);
void CalcStressCrConcrete_NLMM101(const PointContext& at, const MaterialRecord& m, NLMM101_HD& r, double** De,
                                  const double* dEps);
// Stress (3) after the strain increment dEps, De the elastic matrix of the element.
void CalcStress_NLMM104(const PointContext& at, const MaterialRecord& m, NLMM104_HD& r, double** De,
                        const double* dEps, double* stress);
void CalcStress_NLMM101(const PointContext& at, const MaterialRecord& m, NLMM101_HD& r, double** De,
                        const double* dEps, double* stress);
// Transverse shear of a shell point: tangent and stress of the total strain g (2), Ds
// the elastic matrix; the record keeps the strain and the stress.
void CalcMat_Ds_NLMM104(const MaterialRecord& m, const NLMM104_HD& r, double** Ds, double** D);
void CalcShearStress_OP_NLMM104(const MaterialRecord& m, NLMM104_HD& r, double** Ds, const double* g, double* tau);

// ---- transverse shear of cracked shells (_NLMM104, _NLMM142) --------------------------------
// Each of the two transverse shear components of a cracked point cracks in shear when
// its elastic stress reaches the transverse shear strength, then softens by the
// transverse shear law of the material (1 linear, 2 trilinear, 3 Cornelissen) and
// unloads and reloads on the secant to the origin. code: MAT_NLMM104 or MAT_NLMM142.
// Record: PointFlagA/B the status of component 1/2 (1 uncracked, 2 softening,
// 3 unloading, 4 reloading, 5 exhausted), PointByteA/B 1 until it cracks, PointValue
// 1-3 (4-6) its cracking stress, cracking strain and envelope strain, PointVectorA the
// last transverse strain; the band width of the first crack.
// Stress of the total transverse strain g (2); the record's component states advance.
void CalcShearStressCr_OP(int code, const MaterialRecord& m, CrackPart104& r, double** Ds, const double* g,
                          double* tau);
// Diagonal tangent (2 x 2) of the record's states.
void CalcMat_Dscr(int code, const MaterialRecord& m, const CrackPart104& r, double** Ds, double** D);
// The shell point's entries, by its in-plane point status (_NLMM104: 1 uncracked, 2
// cracked; _NLMM142: 1 and 3 uncracked, 2 and 4 cracked; another status of a material
// with a transverse law is refused): uncracked, or without a transverse law, Ds and
// tau = Ds g; cracked, the two above. The stress entry keeps g and tau in the record.
void CalcMat_Ds_OP(int code, const MaterialRecord& m, int status, const CrackPart104& r, double** Ds, double** D);
void CalcShearStress_OP(int code, const MaterialRecord& m, int status, CrackPart104& r, double** Ds, const double* g,
                        double* tau);
// Secant of the envelope at gMax of a component that cracked at (tauP, gP).
double Calc_Dscr_UnloRelo(int code, const MaterialRecord& m, double h, double tauP, double gP, double gMax);

// ---- compressive damage of _NLMM142 ------------------------------------------------------------
// The stress of the crack model sigma (3) split into its tensile part (positive principal
// stresses) and its compressive part; the compressive part is damaged by
// d = 1 - exp(-b (kappa - kappa0)) of the hardening value kappa of the record. out:
// minus the compressive part before damage, stress the final stress. The record keeps
// the tensile part (PlasticVectorA), the damaged compressive part (PlasticVectorB) and d.
void CalcStressTensorDecomposition_NLMM142(const MaterialRecord& m, const double* sigma, double* minus,
                                           double* stress, NLMM142_HD& r);
// The damage law of the compressive part: kappa0, the ultimate kappa and the rate b.
struct CompressiveDamageLaw {
  double kappa0, kappaU, b;
};
CompressiveDamageLaw CompressiveDamageOf(const MaterialRecord& m, double h);
