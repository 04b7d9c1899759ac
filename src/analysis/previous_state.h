// The configuration of the last converged combination that the geometrically nonlinear
// elements work on: displacements and reactions of one record of <job>_dr.bin, and the
// point coordinates moved by them.
#pragma once

#include <cstdint>
#include <cstdio>

struct MeshData;
struct MainWorkArrays;
struct CombinationData;

// a_F (nF), a_P (nP) and R (nP) of state k, chosen by the analysis type and flags: a
// linear static run sums the factored load-case records of combination k (factors of
// magnitude at most 1e-8 skipped); a nonlinear static or transient run reads record k; a
// linear dynamic or modal-superposition run reads record k and then the four extra vectors
// (ReadDisplReactArrays). base: file position of the first record. Other combinations of
// type and flags: the internal error.
void CalcDisplReact(FILE* fp, int k, int nF, int nP, int64_t base, const MeshData* mesh, double* AF, double* AP,
                    double* BF, double* BP, double* aF, double* aP, double* R, const CombinationData* combinations);
// The extra vectors of a dynamic record in file order B_F, B_P, A_F, A_P.
void ReadDisplReactArrays(FILE* fp, int nF, int nP, double* AF, double* AP, double* BF, double* BP);
// X(i, j) = U(i, j) factor + X0(i, j), j = 1..3 (rotations not used).
void CalcUpdatedPointCoord(int nPoints, double factor, double** X0, double** X, double** U);

// Geometrically nonlinear runs: reads state k of <job>_dr.bin once and gives the point
// displacements U (global components, nPoints x 6, embedded-cable nodes interpolated) and
// the moved point coordinates X (nPoints x 3), both allocated by the caller.
void ReadPrevDispl_NLMG(int k, const char* job, const MeshData* mesh, const MainWorkArrays* w,
                        const CombinationData* combinations, double** U, double** X);
// The same of the state aF, aP in memory.
void CalcConfiguration_NLMG(const MeshData* mesh, const MainWorkArrays* w, const double* aF, const double* aP,
                            double** U, double** X);

// Set-up of a geometrically nonlinear run: every active element group must have
// geometrically nonlinear routines (a nonlinear material other than a material pattern).
void CheckGeometricElementGroups(const MeshData* mesh, const int* ElemPropIndex);
