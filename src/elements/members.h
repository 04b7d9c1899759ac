// What the two-node members (trusses and frames) share: the context lines of their
// data faults, the member length and the temperatures of a load record.
#pragma once

#include "elements/kernel.h"
#include "model/loadcase.h"

// Context lines (ElemFaultContext formats). Mass and gravity: %d = element; temperature
// loads: load case, record counter, element.
extern const char* const kCtxMass;
extern const char* const kCtxGravity;
extern const char* const kCtxTempVar;
extern const char* const kCtxDiffTempVar;

// Distance of nodes 1 and 2 in the coordinates of the type (x2, x3 for the plane types);
// coincident nodes stop the run ("too distorted").
double MemberLength(const ElemFaultContext& ctx, int typeCode, int elem, int** elemNodes, double** pointCoords);
// The uniform temperature variation acting on the member: the record's one value, or the
// mean of its two nodal values (the consistent load of a linear field on the member's
// linear axial displacement). Another value count stops the run.
double MemberTemperature(const ElemFaultContext& ctx, int typeCode, int elem, const TemperatureVariationRecord& r);
// The temperature differences at nodes 1 and 2 of a differential record (one value for
// both, or one per node).
void MemberDiffTemperatures(const ElemFaultContext& ctx, int typeCode, int elem,
                            const DiffTemperatureVariationRecord& r, double* dT1, double* dT2);
