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
// ... and whether the start values need the element's size.
bool CrackStartNeedsSize(int code, const MaterialRecord& m);

void SF_NLMM101_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM101_HD* r);
void SF_NLMM102_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM101_HD* r);
void SF_NLMM104_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM104_HD* r);
void SF_NLMM111_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM111_HD* r);
void SF_NLMM141_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM141_HD* r);
void SF_NLMM142_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM142_HD* r);
void SF_NLMM151_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM151_HD* r);
