// History data of a nonlinear run: the index that numbers the records of every
// sampling point, the table of record arrays with its dispatchers, and the per-model
// history files.
//
// Index: every element with a property record whose material has history data gets a
// running number within its kind (single material, layered, fibrous, material pattern)
// and, per sampling point (and layer, component, fibre and sub-point), a record number
// in the array of its model: the counters run over the whole mesh, element after
// element, point after point (s1 fastest), and inside a point layer after layer,
// component after component or fibre after fibre. NLMM_HD_Count[code] (1..49) is the
// number of records of each model.
//
// History file of a model in use, <job><keyword>_HD.bin: the heading
// "<HISTORICAL_DATA_OF_NONLINEAR_MATERIAL_MODEL>", then one block per converged
// combination: the 64-bit byte offset of the block's end, the model's tag
// ("<NLMM121_HD>" ...), the records 1..count field by field.
#pragma once

#include <cstdio>

#include "materials/history_data.h"

struct MeshData;
struct ElementProperty;
struct FibrousMesh;
struct NumericalIntegration;

// ---- index -------------------------------------------------------------------------------
// Allocates and fills the element-to-index map (per element its running number within
// its kind, 0 without history data) after checking every element type against its
// material; stores the number of indexed elements of each kind.
void CalcElementToIndex_HD(Index_HD* index, const MeshData* mesh, const int* ElemPropIndex, int** ElemToHD);
// Slot counts per indexed element: layers, components, fibres and sub-points.
void CalcSizingDataIndex_HD(Index_HD* index, const MeshData* mesh, const int* ElemPropIndex, const int* ElemToHD);
void AllocIndex_HD(Index_HD* index);
void FreeIndex_HD(Index_HD* index);
// Numbers every slot; NLMM_HD_Count[1..49] receives the record count of every model.
void CalcIndex_HD(Index_HD* index, const MeshData* mesh, const int* ElemPropIndex, const int* ElemToHD,
                  int* NLMM_HD_Count);
// Integration points of the property's rule for one use ('B', 'G', 'M', 'S', 'T').
int CalcN_nIP(const ElementProperty& prop, char kind, const MeshData* mesh);
// Largest sub-point count of the fibre groups of a fibrous mesh.
int CalcN_nIP_Fiber(const FibrousMesh& fm, const MeshData* mesh);
// Sampling points per layer of a layered shell: the 3 x 3 default or c1 c2 of its rule.
int LayeredShellPoints(const ElementProperty& prop, const MeshData* mesh);

// A 1-based array of n int rows of the given lengths (null rows for lengths below 1).
void AllocJaggedIntArray(int*** a, int n, const int* len);
void FreeJaggedIntArray(int** a, int n);

// Record numbers of slot k (and layer, component, fibre, sub-point) of the element whose
// map value is i; a slot outside the sized rows is the internal error.
int RecordOfSingle_HD(const Index_HD* index, int i, int k);
int RecordOfLayer_HD(const Index_HD* index, int i, int k, int layer);
int RecordOfComponent_HD(const Index_HD* index, int i, int k, int component);
int RecordOfFibre_HD(const Index_HD* index, int i, int k, int fibre, int subPoint);
// The records of every component of a pattern at slot k, in the pattern's order, into
// records[1..]; returns their count (above `capacity`: the internal error).
int RecordsOfPatternPoint_HD(const Index_HD* index, int i, int k, int capacity, int* records);

// Spring side: running numbers of the springs with a nonlinear spring material, their
// slot counts, the index arrays, and the record numbers (spring counts [1..4]).
void CalcSpringToSpringIndex_HD(SpringIndex_HD* s, const MeshData* mesh);
// Slots of a nonlinear line (surface) spring: the _G_S1_k (times _G_S2_k) count of its
// integration pattern, 3 (3 x 3) without one (hosts and patterns checked by the spring
// set-up).
void CalcSizingDataSpringIndex_HD(SpringIndex_HD* s, const MeshData* mesh, const int* ElemPropIndex);
void AllocIndexArrays_HD(SpringIndex_HD* s);
void CalcSpringIndex_HD(SpringIndex_HD* s, const MeshData* mesh, int* NLSMM_HD_Count);
void FreeSpringIndex_HD(SpringIndex_HD* s);

// Refuses, through the internal error, record counts of models whose records are not
// part of this build.
void CheckHistoryModelsBuilt(const int* NLMM_HD_Count, const int* NLSMM_HD_Count);

// ---- table -------------------------------------------------------------------------------
// Slots 1..36, then 0. Mode 1: a current and a converged copy; otherwise the current only.
// The table keeps the mode for the element routines.
void AllocNLMM_HD(int mode, NLMM_HD* hd, const int* NLMM_HD_Count);
void InitNLMM_HD(int mode, NLMM_HD* hd, const int* NLMM_HD_Count);
// Area (plane elements, shells at their mid-surface) or volume (solids) of an element
// and the share of its sampling point `point` (the element routines' point order), for
// the start values that need them (the crack band of the smeared-crack models).
using ElementSizeFn = void (*)(const MeshData* mesh, int element, int property, int point, double* elementSize,
                               double* pointSize);
// Element-dependent start values; in mode 1 then accepted as the converged state. sizes
// may be null when no start value needs an element size.
void SF_NLMM_HD(int mode, const Index_HD* index, const MeshData* mesh, const int* ElemPropIndex,
                const int* ElemToHD, NLMM_HD* hd, const int* NLMM_HD_Count, ElementSizeFn sizes = nullptr);
// flag != 0: current onto converged (accept); flag 0: converged onto current (restore).
// The drivers use the two named moves below.
void CopyNLMM_HD(int flag, NLMM_HD* hd, const int* NLMM_HD_Count);
// The current state becomes the converged one (a converged combination).
inline void AcceptNLMM_HD(NLMM_HD* hd, const int* NLMM_HD_Count) { CopyNLMM_HD(1, hd, NLMM_HD_Count); }
// The current copy starts again from the converged state (an iteration, a failed step).
inline void RestoreNLMM_HD(NLMM_HD* hd, const int* NLMM_HD_Count) { CopyNLMM_HD(0, hd, NLMM_HD_Count); }
// The current copy starts the next iteration of a step from the converged state, each
// record keeping what its law holds for the whole step (a failed layer stays failed).
void RestoreInStepNLMM_HD(NLMM_HD* hd, const int* NLMM_HD_Count);
// Releases slot 0, then 36 down to 1 (the converged copies too in mode 1).
void FreeNLMM_HD(int mode, NLMM_HD* hd, const int* NLMM_HD_Count);

// Current (converged) 1-based array of a slot, typed by its record; null without records.
template <typename R>
R* NLMM_HDCurrent(NLMM_HD* hd, int slot) {
  return static_cast<R*>(hd->Entry[2 * slot]);
}
template <typename R>
R* NLMM_HDConverged(NLMM_HD* hd, int slot) {
  return static_cast<R*>(hd->Entry[2 * slot + 1]);
}

// Bytes one record of the slot takes in its history file.
long NLMM_HDRecordBytes(int slot);

// ---- files -------------------------------------------------------------------------------
// Appends one block per model in use to its file (files[1..49] by material code).
void WriteNLMM_HD(FILE** files, NLMM_HD* hd, const int* NLMM_HD_Count);
// Restart: reads the block at which every file in use stands into the current copy
// (allocated here) and, in mode 1, makes the converged copy equal to it; keeps the mode.
void ReadNLMM_HD(FILE** files, int mode, NLMM_HD* hd, const int* NLMM_HD_Count);
// The codes of every current record read back (crack counts and states): a record that no
// model writes stops the run (a damaged or foreign history file at restart).
void CheckNLMM_HDCodes(const NLMM_HD* hd, const int* NLMM_HD_Count);
// File suffix of a material or spring kind: "<keyword>_HD.bin" (kBinStringMax bytes).
void HDFileSuffix(const char* keyword, char* suffix);

// ---- spring table -----------------------------------------------------------------------
// Per nonlinear spring kind c = 2..4 the current array (and the converged one in mode 1)
// of NLSMM_HD_Count[c] records; every record starts at state 0 and three zeros.
void AllocNLSMM_HD(int mode, NLSMM_HD* hd, const int* NLSMM_HD_Count);
void InitNLSMM_HD(int mode, NLSMM_HD* hd, const int* NLSMM_HD_Count);
// Loading state 1 in every slot of every nonlinear spring; in mode 1 then accepted.
void SF_NLSMM_HD(int mode, const SpringIndex_HD* index, const MeshData* mesh, NLSMM_HD* hd,
                 const int* NLSMM_HD_Count);
// flag != 0: current onto converged; flag 0: converged onto current.
void CopyNLSMM_HD(int flag, NLSMM_HD* hd, const int* NLSMM_HD_Count);
inline void AcceptNLSMM_HD(NLSMM_HD* hd, const int* NLSMM_HD_Count) { CopyNLSMM_HD(1, hd, NLSMM_HD_Count); }
inline void RestoreNLSMM_HD(NLSMM_HD* hd, const int* NLSMM_HD_Count) { CopyNLSMM_HD(0, hd, NLSMM_HD_Count); }
void FreeNLSMM_HD(int mode, NLSMM_HD* hd, const int* NLSMM_HD_Count);
// Current record array of kind c (null without records).
NLSMM_HDRecord* NLSMM_HDCurrent(NLSMM_HD* hd, int kind);
// History file of a spring kind in use: the heading
// "<HISTORICAL_DATA_OF_NONLINEAR_SPRING_MATERIAL_MODEL>", then per converged combination
// the 32-bit byte offset of the block's end, the kind's tag ("<NLSMM101_HD>" ...) and the
// records. A file that would pass 2^31 - 1 bytes stops the run.
void WriteNLSMM_HD(FILE** files, NLSMM_HD* hd, const int* NLSMM_HD_Count);
void ReadNLSMM_HD(FILE** files, int mode, NLSMM_HD* hd, const int* NLSMM_HD_Count);
