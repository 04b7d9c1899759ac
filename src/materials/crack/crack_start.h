// Start values of the smeared-crack records: point status, threshold angle, crack band
// width of every crack slot, fracture energy checked against the critical one, and the
// per-crack material values.
#pragma once

#include "materials/history_data.h"
#include "model/material.h"

// The sampling point whose record is started: element, point and layer (0 without
// layers) for the messages; the element's area (plane) or volume (solid) and the share
// of the point, read by band options 2 and 3 only.
struct CrackPointPlace {
  int element, point, layer;
  double elementSize, pointSize;
};

// Crack-band option of the record (1 constant, 2 root of the element size, 3 root of the
// point's share, 4 and 5 Oliver's band at the element / point level) ...
int CrackBandOption(int code, const MaterialRecord& m);
// ... the options the kind takes (1 to 3, or to 5 where its cracks take Oliver's band) ...
int CrackBandOptionCount(int code);
// ... and whether the start values need the element's size.
bool CrackStartNeedsSize(int code, const MaterialRecord& m);

// Oliver's crack band width for a crack of unit normal `normal`: 1 / |sum_i phi_i
// gradN_i . normal|, phi_i 0 on the nodes behind the crack plane through the centre, 1 on
// those ahead of it and 1/2 on the plane (X, gradN n x dim, dim 3 for a solid
// and 2 for a plane element; 1-based).
double CrackBandOliver(int nNodes, int dim, double** gradN, double** X, const double* centre, const double* normal);

// Smallest fracture energy (for law 3 the ultimate-strain field) that the softening law
// of the _NLMM111 material m admits without snap-back for strength ft over band width h,
// with the Young's modulus the record holds.
double CalcCritic_Gf_NLMM111(const MaterialRecord& m, double ft, double h);

// The codes and values of the crack part of a record of a smeared-crack model (code
// _NLMM101, 102, 104, 111, 141, 142 or 151), checked once at set-up: Young's modulus,
// strength and fracture energy positive, softening law, its shape, shear-retention and
// shear-softening laws, shear option, crack band option and width, most cracks.
void CheckParameters_Crack(int code, const MaterialRecord& m, const char* block, int record);

void SF_NLMM101_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM101_HD* r);
void SF_NLMM102_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM101_HD* r);
void SF_NLMM104_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM104_HD* r);
void SF_NLMM111_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM111_HD* r);
void SF_NLMM141_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM141_HD* r);
void SF_NLMM142_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM142_HD* r);
void SF_NLMM151_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM151_HD* r);

// ---- crack initiation of the solid models ------------------------------------------------
// Fracture-energy field of the crack about to form with unit normal `normal` (1-based):
// with no crack yet the field of slot 1; else crack nCr's field less what it consumed,
// given back by (theta / (pi/2))^p of the angle theta between the two cracks; raised to
// the critical value of slot nCr+1, whose tensile strength and band width are in place.
double Calc_Gf_NewCrInit_NLMM102(const MaterialRecord& m, const double* normal, const NLMM101_HD& r);
double Calc_Gf_NewCrInit_NLMM111(const MaterialRecord& m, const double* normal, const NLMM111_HD& r);
double Calc_Gf_NewCrInit_NLMM151(const MaterialRecord& m, const double* normal, const NLMM151_HD& r);
// Appends the crack: direction, status _INITIATING, energy gf, crack normal stress
// sigmaN; more cracks than the material allows is the internal error.
void InitializeCr_NLMM102(const MaterialRecord& m, double gf, const double* normal, double sigmaN, NLMM101_HD* r);
void InitializeCr_NLMM111(const MaterialRecord& m, double gf, const double* normal, double sigmaN, NLMM111_HD* r);
void InitializeCr_NLMM151(const MaterialRecord& m, double gf, const double* normal, double sigmaN, NLMM151_HD* r);

// ---- crack initiation of the plane models ------------------------------------------------
// The same with the crack given by the angle of its normal from x: the angle between two
// cracks is |a - b|, or pi minus it above pi/2.
double Calc_Gf_NewCrInit_NLMM101(const MaterialRecord& m, double angle, const NLMM101_HD& r);
double Calc_Gf_NewCrInit_NLMM104(const MaterialRecord& m, double angle, const NLMM104_HD& r);
double Calc_Gf_NewCrInit_NLMM141(const MaterialRecord& m, double angle, const NLMM141_HD& r);
double Calc_Gf_NewCrInit_NLMM142(const MaterialRecord& m, double angle, const NLMM142_HD& r);
// Appends the crack (_NLMM104 and _NLMM142 also start its second energy field and its
// crack shear state).
void InitializeCr_NLMM101(const MaterialRecord& m, double gf, double angle, double sigmaN, NLMM101_HD* r);
void InitializeCr_NLMM104(const MaterialRecord& m, double gf, double angle, double sigmaN, NLMM104_HD* r);
void InitializeCr_NLMM141(const MaterialRecord& m, double gf, double angle, double sigmaN, NLMM141_HD* r);
void InitializeCr_NLMM142(const MaterialRecord& m, double gf, double angle, double sigmaN, NLMM142_HD* r);
