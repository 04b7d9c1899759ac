// History data of the nonlinear material and spring models: the per-model tables of
// per-sampling-point state records and the index that maps elements, sampling points,
// layers, fibres and pattern components to their records.
//
// The types live here, in materials, because the element routines and the load
// routines hand them to the material point (materials < elements < loads); the history
// index, table and files (allocation, start values, copy, read and write) come in
// src/history/, which ranks above materials and below elements.
//
// Every element, assembly and load routine takes these types by these names; no
// routine passes history data as void**.
#pragma once

#include <cstdint>

// Model slots of the material table: slot k = 0..36 (slot 0 the fracture model).
constexpr int kNlmmSlots = 37;

// Slot of material code 1..49, or -1 for the codes without history records (the linear
// and thermal codes, _NLMM105 and the composition codes).
int NlmmSlotOfCode(int code);

// History data of the nonlinear material models: per slot k a pair of 1-based record
// arrays, Entry[2k] the current (trial) copy, Entry[2k + 1] the last converged copy
// (unset unless the history-data mode is 1). The record type of each slot belongs to
// its model (NLMM101_HD ...; _NLMM202 uses the NLMM145_HD layout).
struct NLMM_HD {
  void* Entry[2 * kNlmmSlots];
};

// History record of a nonlinear spring sampling point.
struct NLSMM_HDRecord {
  int32_t State;  // 1 loading on the envelope, 2 unloading, 3 reloading, 4 inactive
  double LastDispl;
  double LastForce;
  double MaxDispl;
};

// History data of the nonlinear spring models: per spring material code c = 2..4 a
// pair, Entry[2(c - 2)] current and Entry[2(c - 2) + 1] last converged (1-based arrays).
struct NLSMM_HD {
  NLSMM_HDRecord* Entry[6];
};

// History-data index of a nonlinear run: record numbers of every sampling point in the
// record array of its model, by element kind (1-based arrays, rows from the counts).
struct Index_HD {
  // Single-material elements: Single[e][k], k the sampling point in the element's order.
  int32_t nSingle;
  int32_t* SingleSlots;
  int32_t** Single;
  // Layered elements: Layered[e][k][L].
  int32_t nLayered;
  int32_t* LayeredSlots;
  int32_t* LayeredLayers;
  int32_t*** Layered;
  // Fibrous elements: Fibrous[e][ip][f][p], fibre f, sub-point p.
  int32_t nFibrous;
  int32_t* FibrousSlots;
  int32_t* FibrousFibres;
  int32_t* FibrousSubPoints;
  int32_t**** Fibrous;
  // Material-pattern elements: Pattern[e][k][c], component c.
  int32_t nPattern;
  int32_t* PatternSlots;
  int32_t* PatternComponents;
  int32_t*** Pattern;
  // Embedded discontinuity records: Discontinuity[d][k].
  int32_t nDiscontinuity;
  int32_t* DiscontinuitySlots;
  int32_t** Discontinuity;
};
