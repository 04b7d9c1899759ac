// Set-up of a materially nonlinear run and its restart after a converged combination r:
// the driver's state vectors, the history-data index and table, and the result files
// positioned just after combination r.
//
// A restart reads back from the files of the earlier run: the displacements, prescribed
// displacements and reactions of record r of <job>_dr.bin, the equilibrium-path record of
// entry r of <job>_ep.bin (its external load), the internal forces of record r of
// <job>_if.bin (and the largest of records 1 to r), the arc-length reference load (<job>_al.bin, only once the arc-length
// phase has begun) and block r of every history file; the residual is rebuilt from them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

#include "analysis/results.h"
#include "materials/history_data.h"

struct MeshData;

// The restart state of a run (<job>_rs.bin): its result and history files, and per file
// the end of the last converged combination written and the CRC-32 of its bytes (whole
// files: size, -1 when absent, and the CRC-32 of the file).
constexpr int kRestartFilesMax = 64;
struct RestartState {
  int nFiles;
  char suffix[kRestartFilesMax][40];
  int32_t kind[kRestartFilesMax];
  int64_t end[kRestartFilesMax];
  uint32_t crc[kRestartFilesMax];
  int64_t recordsAt;  // position of the record of combination 1 in <job>_rs.bin
  // A value of the driver carried with each record: the step length of the factor the
  // thermal driver holds (0 elsewhere).
  double factorStep;
  // The held-matrix file: where the record of the combination under way starts, and
  // whether the combination has written one.
  int64_t heldAt, heldEnd;
  bool heldWritten;
};

// State of a nonlinear driver that the set-up allocates (vectors 1-based, zeroed).
struct NonlinearWorkArrays {
  int nF, nP, nPoints;
  int PathBehavior;            // history-data mode: 1 current and converged copies
  double *aF, *aP, *R;         // displacements (free, prescribed) and reactions
  double *fIntF, *fIntP;       // internal equivalent nodal forces
  double forceScale2;          // largest squared norm of the converged internal forces
  double *extF, *extP;         // external load
  double *rF, *rP;             // residual
  double *dFref, *dPref;       // reference load increment of the arc-length method
  double* aFPrev;              // displacements of the converged combination before the last
  double* workF[5];            // [1..4] further work vectors of nF
  double* workP[5];            // [1..4] further work vectors of nP
  double** PointValues;        // nPoints x 6
  EquilibriumPathRecord EP;
  Index_HD Index;
  int* ElemToHD;               // [element] running number within its kind, 0 = none
  SpringIndex_HD SpringIndex;
  NLMM_HD Table;
  NLSMM_HD SpringTable;
  int* NLMM_HD_Count;          // [1..49]
  int* NLSMM_HD_Count;         // [1..4]
  RestartState Restart;
};

// The two moves of the history data between its copies, for both tables: the current
// state becomes the converged one, or the current copy starts again from the converged
// state. Only the drivers make them.
void AcceptHistory(NonlinearWorkArrays* w);
void RestoreHistory(NonlinearWorkArrays* w);

// The set-up of a run (r = 0) or of a restart after combination r; dynFlag != 0 when the
// _dr.bin records carry the four vectors of the dynamic drivers.
void InitializeNonlinearAnalysis(int r, int nPoints, int nF, int nP, int dynFlag, const char* job,
                                 const MeshData* mesh, const int* ElemPropIndex, NonlinearWorkArrays* w);
// Opens the result files: new ("wb", headings written) or, on restart, "r+b" with every
// file just after combination r.
void OpenResultFiles_NL(FILE** fpDR, FILE** fpEP, FILE** fpIF, FILE*** NLMM_HD_Files, FILE*** NLSMM_HD_Files,
                        int r, int nF, int nP, int dynFlag, const int* NLMM_HD_Count, const int* NLSMM_HD_Count,
                        const char* job);
// The same for a nonlinear thermal run: aF, aP, R are the free and prescribed
// temperatures and boundary heat fluxes, fIntF, fIntP the internal heat forces, extF,
// extP the thermal load of the step; on restart after combination r they come from
// record r of <job>_tq.bin, entry r of <job>_ep.bin and record r of <job>_iq.bin (checked),
// and the residual is left to the driver.
void InitializeNonlinearThermalAnalysis(int r, int nPoints, int nF, int nP, const char* job, const MeshData* mesh,
                                        const int* ElemPropIndex, NonlinearWorkArrays* w);
// <job>_tq.bin, <job>_ep.bin, the material history files and <job>_iq.bin, new or
// positioned just after combination r.
void OpenThermalResultFiles(FILE** fpTQ, FILE** fpEP, FILE** fpIQ, FILE*** NLMM_HD_Files, int r, int nF, int nP,
                            const int* NLMM_HD_Count, const char* job);
// The restart state, called by the set-up once the history counts are known: a new run
// (r = 0) writes <job>_rs.bin with the checksums of the model blocks; a restart after
// combination r refuses in words a model whose blocks of points, supports, materials,
// sections, elements, properties, springs or heat transfer differ from those of the
// earlier run, and any result, history, arc-length or saved-matrix file whose bytes up to
// combination r fail their checksum, naming it.
void BeginRestartState(bool thermal, int r, const char* job, const MeshData* mesh, NonlinearWorkArrays* w);
// After every file of converged combination c is written (the streams of the run): the
// end and checksum of what c added to each file into record c of <job>_rs.bin, which then
// ends there.
void WriteRestartRecord(int c, const char* job, FILE* fpRec, FILE* fpEP, FILE* fpForce, FILE** hd, FILE** shd,
                        NonlinearWorkArrays* w);
// The matrices a driver holds at the end of each converged combination, in <job>_HSM.bin
// (listed in the restart state): per combination an int32 combination and an int32 flag,
// and after a flag 1 an int64 byte count and the matrices in their saved layout; flag 0
// when the combination kept the matrices of the one before. A driver whose matrices must
// survive a restart (the stiffness kept from one combination into the next) writes them
// whenever it replaces them; WriteRestartRecord closes the record of the combination.
void WriteHeldMatrices(int c, const char* job, const std::function<void(FILE*)>& write, NonlinearWorkArrays* w);
// The matrices held at the end of combination r (r >= 1), read by `read` from an open
// stream; false when no combination up to r wrote any.
bool ReadHeldMatrices(int r, const char* job, const std::function<void(FILE*)>& read);
// The vibration modes of a modal analysis: <job>_rs.bin with the model blocks and the
// checksum of the whole <job>_vm.bin, written after it; a later run that takes the modes
// asks for the damage first: null when the file is the one the analysis wrote for this
// model, else what is wrong, in words.
void WriteModeFileState(const char* job, const MeshData* mesh);
const char* ModeFileDamage(const char* job, const MeshData* mesh);
// forceScale2 takes the internal forces of the converged combination (fIntF, fIntP).
void AddConvergedForceScale(NonlinearWorkArrays* w);
// Releases what InitializeNonlinearAnalysis allocated.
void FreeNonlinearWorkArrays(NonlinearWorkArrays* w);

// ---- readers and seek routines ------------------------------------------------------------
void ReadDisplReactRecord(FILE* fp, int k, int nF, int nP, int64_t base, int dynFlag, double* aF, double* aP,
                          double* R);
void SeekDisplReactRecord(FILE* fp, int k, int nF, int nP, int64_t base, int dynFlag);
// Record k of <job>_tq.bin and <job>_iq.bin (its number checked) from the end of the tag.
void ReadTempBoundaryHeatFluxRecord(FILE* fp, int k, int nF, int nP, int64_t base, double* TF, double* TP,
                                    double* R);
void ReadIntHeatForceRecord(FILE* fp, int k, int nF, int nP, int64_t base, double* qF, double* qP);
void ReadInternalForcesRecord(FILE* fp, int k, int nF, int nP, int64_t base, double* fF, double* fP);
void SeekResultRecord2Vec(FILE* fp, int k, int a, int b, int64_t base);
void SeekResultRecord3Vec(FILE* fp, int k, int a, int b, int64_t base);
// From an entry header of <job>_ep.bin: the entry of combination c, its record read.
void ReadEquilibriumPathFileRecord(FILE* fp, int c, int nF, int nP, EquilibriumPathRecord* r);
// n times: an int32 offset, then a move there (the entry chain of _ep.bin).
void SkipFileRecords(FILE* fp, int n);
// n times: a 64-bit block end, then a move there (material history files).
void SkipFilePositionRecords(FILE* fp, int n);
void SkipNLMM_HDRecords(FILE** files, int n, const int* NLMM_HD_Count);
void SkipNLSMM_HDRecords(FILE** files, int n, const int* NLSMM_HD_Count);
void OpenNLMM_HDFiles(FILE*** files, const int* NLMM_HD_Count, const char* job, const char* mode);
void OpenNLSMM_HDFiles(FILE*** files, const int* NLSMM_HD_Count, const char* job, const char* mode);
void ReadArcLengthDeltaF(int nF, int nP, const char* job, double* dF, double* dP);
void ReadLastConvergedCombination(int* combination, const char* job);
