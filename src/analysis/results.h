// Result files of the analysis drivers: tags, the equilibrium-path record and the
// writers of the record-by-record binary files.
//
// Every binary result file opens with its tag (a binary string) and, when the run ends
// normally, closes with the same name with a slash after the opening bracket. Values are
// little-endian int32 and double; a 1-based vector of n doubles takes 8n bytes (none for
// n = 0). The driver owns every file and vector; the writers only write, and every write
// is checked: a failed write, flush or seek stops the run.
//
//   <job>_dr.bin  records: int32 id, f64 x nF, f64 x nP, f64 x nP reactions
//                 (+ f64 x nF, nP, nF, nP in the dynamic drivers)
//   <job>_tq.bin  as _dr.bin with temperatures and boundary heat fluxes
//   <job>_if.bin  records: int32 combination, f64 x nF, f64 x nP internal forces
//   <job>_iq.bin  as _if.bin with internal heat forces
//   <job>_ep.bin  linear drivers: IterSummaryRecord, then one StepSummaryRecord per
//                 load case; nonlinear drivers: per converged combination a 12-byte
//                 header (int32 offset of the next entry, combination, iterations), the
//                 iteration records (Iter + Step, 64 bytes each) and the file form of the
//                 EquilibriumPathRecord
//   <job>_al.bin  f64 x nF, f64 x nP: the unscaled arc-length reference load increment
//   <job>_lcc.aux text line "LAST_CONVERGED_COMBINATION = %d ;"
#pragma once

#include <cstdint>
#include <cstdio>

#include "assembly/summary.h"

constexpr const char* kDisplReactSuffix = "_dr.bin";
constexpr const char* kTempHeatFluxSuffix = "_tq.bin";
constexpr const char* kInternalForcesSuffix = "_if.bin";
constexpr const char* kInternalHeatForcesSuffix = "_iq.bin";
constexpr const char* kExecParamsSuffix = "_ep.bin";
constexpr const char* kArcLengthDeltaFSuffix = "_al.bin";
constexpr const char* kLastConvergedSuffix = "_lcc.aux";

constexpr const char* kDisplReactOpenTag = "<DISPLACEMENTS_AND_REACTIONS>";
constexpr const char* kDisplReactCloseTag = "</DISPLACEMENTS_AND_REACTIONS>";
constexpr const char* kTempHeatFluxOpenTag = "<TEMPERATURES_AND_BOUNDARY_HEAT_FLUXES>";
constexpr const char* kTempHeatFluxCloseTag = "</TEMPERATURES_AND_BOUNDARY_HEAT_FLUXES>";
constexpr const char* kInternalForcesOpenTag = "<INTERNAL_EQUIVALENT_NODAL_FORCES>";
constexpr const char* kInternalForcesCloseTag = "</INTERNAL_EQUIVALENT_NODAL_FORCES>";
constexpr const char* kInternalHeatForcesOpenTag = "<INTERNAL_EQUIVALENT_NODAL_HEAT_FORCES>";
constexpr const char* kInternalHeatForcesCloseTag = "</INTERNAL_EQUIVALENT_NODAL_HEAT_FORCES>";
constexpr const char* kExecParamsOpenTag = "<EXECUTION_PARAMETERS>";
constexpr const char* kExecParamsCloseTag = "</EXECUTION_PARAMETERS>";
constexpr const char* kArcLengthDeltaFOpenTag = "<ARC_LENGTH_DELTA_F>";
constexpr const char* kArcLengthDeltaFCloseTag = "</ARC_LENGTH_DELTA_F>";
constexpr const char* kMaterialHDOpenTag = "<HISTORICAL_DATA_OF_NONLINEAR_MATERIAL_MODEL>";
constexpr const char* kMaterialHDCloseTag = "</HISTORICAL_DATA_OF_NONLINEAR_MATERIAL_MODEL>";
constexpr const char* kSpringHDOpenTag = "<HISTORICAL_DATA_OF_NONLINEAR_SPRING_MATERIAL_MODEL>";
constexpr const char* kSpringHDCloseTag = "</HISTORICAL_DATA_OF_NONLINEAR_SPRING_MATERIAL_MODEL>";

// Converged state of a combination. File form, packed: int32 n, f64 d1..d4, f64 x nF,
// f64 x nP (36 + 8(nF + nP) bytes).
struct EquilibriumPathRecord {
  int32_t n;     // iterations the combination needed
  double d1;     // arc-length radius / RADIUS_FACTOR
  double d2;     // wall-clock seconds of the combination
  double d3;     // arc-length load factor of the combination
  double d4;     // analysis time at the end of the combination
  double* extF;  // [nF] external load at the converged state, free dofs
  double* extP;  // [nP] the same, prescribed dofs
};

// ---- record writers --------------------------------------------------------------------
// One record of <job>_dr.bin or <job>_tq.bin; flushes the file.
void WriteDisplReact(FILE* fp, int id, int nF, int nP, const double* aF, const double* aP,
                     const double* R);
// The four vectors that follow a dynamic record of <job>_dr.bin: the second pair first
// (velocities vF, vP), then the first (accelerations aF, aP); flushes the file.
void WriteDynStepVectors(FILE* fp, int nF, int nP, const double* aF, const double* aP, const double* vF,
                         const double* vP);
// One record of <job>_if.bin or <job>_iq.bin; flushes the file.
void WriteInternalForces(FILE* fp, int nF, int nP, int id, const double* fF, const double* fP);

// Entry header of a nonlinear <job>_ep.bin: *position receives where the header begins,
// then three int32 zeros are written.
void WriteCombinationHeader(FILE* fp, long* position);
// Rewrites the header at position with the current end of the file (the start of the
// next entry), the combination and its number of iterations; returns to the end.
void PatchCombinationHeader(FILE* fp, int combination, int iterations, long position);

void ResetIterSummaryRecord(IterSummaryRecord* r);
void ResetStepSummaryRecord(StepSummaryRecord* r);
// 32 bytes each; the padding of the step record is written as zeros.
void WriteSummaryRecord(FILE* fp, const IterSummaryRecord* r);
void WriteSummaryRecord(FILE* fp, const StepSummaryRecord* r);

// ---- equilibrium-path record --------------------------------------------------------------
// n = -1, d1 = 0, d2 = -1, d3 = 1, d4 = 0; allocates extF (nF) and extP (nP), not cleared.
void InitEquilibriumPathRecord(int nF, int nP, EquilibriumPathRecord* r);
// n, d1 = a / b (0 when b is 0), d2, d3, d4, and copies of the two load vectors.
void FillEquilibriumPathRecord(int nF, int nP, int n, double a, double b, double d2, double d3,
                               double d4, EquilibriumPathRecord* r, const double* extF,
                               const double* extP);
void WriteEquilibriumPathRecord(FILE* fp, int nF, int nP, const EquilibriumPathRecord* r);
// Reads the file form; allocates the record's two vectors first.
void ReadEquilibriumPathRecord(FILE* fp, int nF, int nP, EquilibriumPathRecord* r);
// Releases extP, then extF.
void FreeEquilibriumPathVectors(EquilibriumPathRecord* r);

// ---- whole files ---------------------------------------------------------------------------
// Writes <job>_al.bin anew: tag, the free and prescribed reference increments, closing tag.
void WriteArcLengthDeltaF(int nF, int nP, const char* job, const double* dF, const double* dP);
// Warns of the material and spring history files of the job (<job><keyword>_HD.bin) that
// an earlier run left and this run does not rewrite: every kind whose count is 0 or whose
// count array is null (a run without history files).
void WarnUnwrittenHistoryFiles(const char* job, const int* NLMM_HD_Count, const int* NLSMM_HD_Count);
// Writes <job>_lcc.aux anew with the number of the last converged combination.
void WriteLastConvergedCombination(int combination, const char* job);

// The record file of a linear run (<job>_dr.bin, or <job>_tq.bin when thermal) and
// <job>_ep.bin, opened anew (echoed) with their opening tags.
void OpenLinearResultFiles(const char* job, bool thermal, FILE** fpRec, FILE** fpEP);
// Their closing tags and closes, <job>_ep.bin first.
void CloseLinearResultFiles(FILE* fpRec, FILE* fpEP, bool thermal);
// Closing tags and closes of a nonlinear mechanical run, in this order: _if; the spring
// history files of the slots 1..4 in use; the material history files of the codes 1..49
// in use (both tables released); _ep; _dr. A slot is in use when its count is above 0.
void CloseResultFiles_NL(FILE* fpDR, FILE* fpEP, FILE* fpIF, FILE** NLMM_HD_Files,
                         FILE** NLSMM_HD_Files, const int* NLMM_HD_Count,
                         const int* NLSMM_HD_Count);
// The same for a thermal run: _iq, the material history files, _ep, _tq.
void CloseThermalResultFiles(FILE* fpTQ, FILE* fpEP, FILE* fpIQ, FILE** NLMM_HD_Files,
                             const int* NLMM_HD_Count);
// Closes every open slot of a history-file table (1..49 materials, 1..4 springs) and
// releases the table.
void CloseNLMM_HDFiles(FILE** NLMM_HD_Files);
void CloseNLSMM_HDFiles(FILE** NLSMM_HD_Files);
