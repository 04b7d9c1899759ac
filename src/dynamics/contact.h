// Contact cases of the linear dynamic analysis. Chosen free dofs ("contacting", class
// X) are tied, step by step, to the displacement of a point or of a point inside an
// element plus a gap; every other free dof is of class I. The effective matrix is split
// into KII (profile store), KIX and KXX, and each step solves
//   [ KII   KIX   A ] [u_I]   [F_I]
//   [ KIX^T KXX   D ] [u_X] = [F_X]
//   [ A^T   D^T   B ] [ l ]   [ h  ]
// whose last rows are the ties u_X = G_I^T u_I + G_P^T u_P + g, scaled by (1 + ALPHA).
// A tie that no active case of the step sets is inactive: its force is zero and its dof
// follows its own equation.
#pragma once

#include <cstdint>

#include "assembly/sparse_rows.h"
#include "assembly/topology.h"

struct MeshData;
struct CombinationData;

// Classes of the free dofs, fixed for the run.
struct ContactDofs {
  int nF, nI, nX;
  char* FreeDofClass;  // [nF] 'I' or 'X'
  int* IndexMap;       // [nF] position among the dofs of its class
  int* IList;          // [nI] free equations of class I, ascending
  int* XList;          // [nX] free equations of class X, ascending
};

// Interaction arrays of a step (dense, 1-based).
struct ContactArrays {
  int nI, nX, nP;
  double** GI;   // nI x nX
  double** GP;   // nP x nX
  double* g;     // [nX] gaps
  double** A;    // nI x nX: (1 + ALPHA) G_I
  double** B;    // nX x nX: zero
  double* h;     // [nX]: -(1 + ALPHA)(g + G_P^T u_P)
  double** D;    // nX x nX: -(1 + ALPHA) I
  char* active;  // [nX] 1 when an active case ties the dof
  int64_t version;  // grows whenever A or the active ties change
};

// The effective matrix split by class; KII factorised by the caller (FactorNCSB).
struct PartitionedContactMatrix {
  int nI, nX;
  int64_t nTermsKII;
  int* last;      // [nI] profile of KII
  double** KII;   // profile store (null until built)
  double** KIX;   // nI x nX
  double** KXX;   // nX x nX, both triangles
  // Kept while the factorisation and the ties are unchanged: KII^-1 KIX and KII^-1 A
  // (nI x nX) and the reduced dense matrix (2 nX square).
  bool reduced;
  int64_t reducedVersion;
  double** ZX;
  double** ZA;
  double** S;
};

// Classification, once before the time loop (combinations 1..nCombinations).
void CalcContactAuxData(const MeshData* mesh, const MainWorkArrays* w, int nCombinations,
                        const CombinationData* combinations, ContactDofs* cd);
// Interaction arrays of the step of combination comb; uP holds the prescribed
// displacements at the end of the step. Allocates the arrays on the first call.
void CalcContactArray(const CombinationData* comb, double alpha, const char* OutputControl,
                      const MeshData* mesh, const MainWorkArrays* w, const ContactDofs* cd, const double* uP,
                      ContactArrays* ca);
// Splits EFF (upper-triangle row lists, unchanged) into KII, KIX and KXX after checking
// the diagonal of every non-empty row. Replaces what pm held.
void Calc_KII_KIX_KXX(const char* OutputControl, const ContactDofs* cd, const SparseRowMatrix* EFF,
                      PartitionedContactMatrix* pm);
// Solves the step (timed; the wall-clock seconds are added to *timer): F (nF, effective
// force) gives uF (nF) and the contact forces lambda (nX). A singular tie system stops
// the run naming the combination.
void SolvePartitionedContact(int combination, const ContactDofs* cd, const ContactArrays* ca,
                             PartitionedContactMatrix* pm, const double* F, double* uF, double* lambda,
                             double* timer);
// Releases what the three records hold (each may be null).
void FreeDynArrays(ContactDofs* cd, ContactArrays* ca, PartitionedContactMatrix* pm);
