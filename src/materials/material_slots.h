// Parameter slots of the material records. The models name a parameter by its slot in
// the record as a C structure lays it out: the 8-byte fields after the name numbered
// from 64, an int32 taking the first or the second four bytes of its slot (a lone int32
// fills its slot, two int32 in a row share one). MaterialRecord keeps the values in file
// order instead; these routines map a slot to its value by the kind's file layout.
#pragma once

#include <cstdint>

#include "model/material.h"

// First slot number of a record.
constexpr int kFirstMaterialSlot = 64;

// Value position (1-based, file order) of word 1 or 2 of `slot` in a record of kind
// `code`; 0 when no scalar value starts there.
int MaterialValueOfSlot(int code, int slot, int word);

// The double at `slot` and the int32 at word 1 or 2 of `slot`; a slot the kind does not
// hold is the internal error.
double MatSlotValue(const MaterialRecord& m, int code, int slot);
int32_t MatSlotInt(const MaterialRecord& m, int code, int slot, int word);
// Overwrites the double at `slot` (the age and temperature models move a crack
// material's properties for the time of one point).
void SetMatSlotValue(MaterialRecord& m, int code, int slot, double v);
