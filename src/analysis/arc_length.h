// Arc-length control of the nonlinear drivers: the load factor eta of the reference load
// increment, chosen by a displacement, relative-displacement or radius constraint.
#pragma once

#include "analysis/results.h"

struct ArcLengthParameters;
struct MeshData;

// The radius constraint keeps d1 = r / RADIUS_FACTOR between combinations: refused at
// set-up when the factor is not positive. A control point or dof outside the model is
// refused with the constraint's message before any dof table is read.
void CheckArcLengthParameters(const MeshData* mesh);

// Iteration 1, da the response to the full reference increment dF, dP: eta from the
// constraint, then F := F - (1 - eta) dF (also the prescribed-dof residual rP) and
// da := eta da. An early return of the radius constraint sets eta := 1. With a constant
// radius after the first arc-length combination r := RF d1.
// Under the radius constraint the step goes the way of daPrev, the converged displacement
// increment of the previous combination: where the response to the reference increment
// points back (a softening branch under the tangent stiffness), eta is negative and the
// load falls, so the path goes on past a limit point instead of turning back.
void ApplyArcLengthEta(int c, int nCombinations, int nF, int nP, int nPoints, const EquilibriumPathRecord* EP,
                       double* eta, double* r, int** PointDofNumbers, double* da, const double* dF, const double* dP,
                       double* FF, double* FP, double* rP, char** PointDofCodes, const ArcLengthParameters* al,
                       const double* daPrev);

// Iterations it >= 2: the change of eta that keeps the constraint, applied to eta, the
// loads and the correction da := daI + dlambda daII. daComb is the displacement increment
// of the combination before this iteration.
void CalcArcLengthData(int c, int nCombinations, int it, int nF, int nP, const EquilibriumPathRecord* EP, double* r,
                       double* eta, int** PointDofNumbers, const double* daComb, const double* daII, double* da,
                       const double* daI, const double* dF, const double* dP, double* FF, double* FP, double* rP,
                       char** PointDofCodes, const ArcLengthParameters* al);
