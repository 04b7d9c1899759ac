// Uniaxial concrete laws of beam fibres: _NLMM298 (linear plus a power law in
// compression, permanent cracking and crushing) and _NLMM299 (a Sargin-type curve in
// compression, cracking decided afresh at every call). Both are tension positive,
// remember the most compressive strain reached, unload and reload on the secant to the
// origin, and leave the tangent of the last call in the record.
#pragma once

#include "materials/history_data.h"
#include "model/material.h"

// Stress at the total strain eps; updates the record (strain, stress, most compressive
// strain and its stress, tangent; the two flags of _NLMM298).
double CalcStress_NLMM298(const MaterialRecord& m, NLMM298_HD& r, double eps);
double CalcStress_NLMM299(const MaterialRecord& m, NLMM299_HD& r, double eps);

// The parameters of a "<NLMM299>" record that the curve divides by; a bad value stops
// the run with a message naming the block and the record.
void CheckParameters_NLMM299(const MaterialRecord& m, const char* block, int record);
