// Newmark time stepping with the Hilber-Hughes-Taylor alpha weighting: the constants,
// the effective matrix EFF = a0 M + (1 + ALPHA)(a1 C + K), the initial conditions, the
// effective force of the free dofs, the velocity and acceleration update and the
// reactions of the prescribed dofs. The step satisfies
//   M a_{n+1} + (1 + ALPHA)(C v + K u)_{n+1} - ALPHA (C v + K u)_n
//     = (1 + ALPHA) F_{n+1} - ALPHA F_n
// with Newmark's relations between u, v and a; ALPHA = 0 is the plain Newmark rule.
// Vectors are 1-based over the free (nF) or the prescribed (nP) dofs.
#pragma once

#include "assembly/sparse_rows.h"
#include "assembly/topology.h"

struct MeshData;
struct ContactDofs;
struct ContactArrays;

// One time level of the step state.
struct DynState {
  double *uF, *vF, *aF, *FF;  // [nF]
  double *uP, *vP, *aP, *FP;  // [nP]
  double* R;                  // [nP] reactions
};

// Allocates (not cleared), releases and copies the nine vectors of a state.
void AllocDynState(int nF, int nP, DynState* s);
void FreeDynState(DynState* s);
void CopyDynState(int nF, int nP, const DynState* from, DynState* to);

// a[0..5] = a0..a5 of the step dt.
void CalcNewmarkConst(double beta, double gamma, double dt, double a[6]);
// EFF (count vector and row vectors allocated by the caller, rows empty) receives
// a0 M + (1 + ALPHA) a1 C + (1 + ALPHA) K over the free dofs.
void CalcDynEffMat(int nF, double alpha, const char* OutputControl, const double a[6], const SparseRowMatrix* C,
                   SparseRowMatrix* EFF, const SparseRowMatrix* K, const SparseRowMatrix* M);
// Zeroes the state and sets the free dofs of "<DYNAMIC_INITIAL_CONDITIONS>". A prescribed
// dof and a second record for the same dof stop the run; an absent dof is skipped.
void Calc_Init_Cond(int nF, int nP, const MeshData* mesh, const MainWorkArrays* w, DynState* s);
// Effective force Fbar (nF) of the step from the old state o and the new loads and
// prescribed motion of n; with contact ties (cd and ca non-null) the previous contact
// forces lambda (nX) enter the I and X rows.
void Calc_F_Overbar_Free_Dyn(int nF, int nP, double alpha, const double a[6], const GlobalMatParts* M,
                             const GlobalMatParts* C, const GlobalMatParts* K, const DynState* o, const DynState* n,
                             const ContactDofs* cd, const ContactArrays* ca, const double* lambda, double* Fbar);
// Newmark velocities and accelerations of the free dofs at n+1.
void UpdateVelocAccel(int nF, double beta, double gamma, double dt, double* aNew, const double* aOld, double* vNew,
                      const double* vOld, const double* uNew, const double* uOld);
// Reactions R of the prescribed dofs at n+1 (the alpha-weighted equation of the
// prescribed rows).
void CalcDynReact(int nF, int nP, double alpha, const GlobalMatParts* M, const GlobalMatParts* C,
                  const GlobalMatParts* K, const DynState* o, DynState* n);
