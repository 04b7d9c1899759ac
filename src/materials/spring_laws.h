// Nonlinear spring laws "_NLSMM101" (curved envelope with a plateau, elastic unloading),
// "_NLSMM102" (three points and a power curve, linear unloading) and "_NLSMM103"
// (nonlinear elastic table of points). Each turns the displacement d of a spring along
// its direction into a force F (point springs and links) or a force per unit length or
// area (line and surface springs) and gives the tangent for the next assembly.
//
// The orientation factor s decides on which side a spring acts: it acts while s d <= 0;
// s = 0 makes it act on both sides.
//
// History record (NLSMM_HDRecord): InUse holds the loading state, 1 on the envelope,
// 2 unloading, 3 reloading, 4 inactive (the spring's idle side); Value by
// NLSMM_HDRecord::Field: the displacement of the last force evaluation, the force it
// returned and the displacement of the last evaluation on the envelope.
#pragma once

#include "materials/history_data.h"
#include "model/material.h"

struct MeshData;

// How a spring reads its orientation: point springs and line or surface springs take the
// orientation code of their record, links only the material's mapping.
enum SpringFamily { kSpringPoint, kSpringBed, kSpringLink };

// Orientation factor (-1, +1 or 0) of a spring of nonlinear kind 2..4 with orientation
// code `code`; combinations refused at set-up end in the internal error.
double SpringOrientationFactor(int kind, const MaterialRecord& m, int code, SpringFamily family);
// Force at displacement d; the record's state, last displacement, force and envelope
// displacement are updated.
double SpringLawForce(int kind, const MaterialRecord& m, double s, double d, NLSMM_HDRecord& r);
// Tangent from the record as the last force evaluation left it (the record is unchanged).
double SpringLawTangent(int kind, const MaterialRecord& m, double s, const NLSMM_HDRecord& r);

// Envelopes, for the checks of the curves.
double CalcSpringForceLoad_NLSMM101(const MaterialRecord& m, double x);
double CalcSpringForceLoad_NLSMM102(const MaterialRecord& m, double x);
double CalcSpringUnloStiff_NLSMM102(const MaterialRecord& m);
double CalcSpringForceLoad_NLSMM103(const MaterialRecord& m, double x);

// Set-up: stops the run, naming block and record, on spring material parameters the laws
// cannot take, and on springs whose orientation code a law would read as other than 1
// or 2, whose kind a link cannot take, or whose dof type a nonlinear point spring cannot
// take.
void CheckSpringMaterials(const MeshData* mesh);
