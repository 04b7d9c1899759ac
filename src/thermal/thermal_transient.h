// Time stepping of transient heat conduction: the generalised trapezoidal rule
//   (KT + alpha dt KC) T_{n+1} = (KT - (1 - alpha) dt KC) T_n + dt (alpha F_{n+1} + (1 - alpha) F_n)
// on the free equations, with the prescribed temperatures moved to the right-hand side,
// and the boundary heat fluxes R at the prescribed dofs that keep the prescribed rows in
// balance. alpha = 1 is the backward rule, 1/2 Crank-Nicolson, 0 the forward rule.
#pragma once

#include <cstdint>

#include "assembly/sparse_rows.h"
#include "model/mesh.h"
#include "thermal/thermal_global.h"

// The two global thermal matrices of a run, each in its three row-list blocks.
struct ThermalMatrices {
  SparseRowMatrix KCFF, KCPF, KCPP;  // conductivity (with convection)
  SparseRowMatrix KTFF, KTPF, KTPP;  // heat capacity
};

// EFF = KTFF + alpha dt KCFF into newly allocated row lists (terms of magnitude 1e-8 or
// less dropped), printed under "-- EFF:" when asked. Released with FreeSparseMatPair.
void CalcThermalEffMat(int nF, double dt, double alpha, const char* OutputControl, SparseRowMatrix* EFF,
                       const SparseRowMatrix* KTFF, const SparseRowMatrix* KCFF);

// The stable limit of the step of the rule below alpha = 1/2: a mode of KC x = lambda KT x
// (free rows) is multiplied each step by (1 - (1 - alpha) lambda dt) / (1 + alpha lambda dt),
// below -1 (a growing oscillation) once dt > 2 / ((1 - 2 alpha) lambda_max). lambda_max is
// estimated from below by the Rayleigh quotient of an inverse iteration, so the limit
// returned is never shorter than the true one; 0 when a free temperature has no heat
// capacity (lambda_max unbounded). For alpha >= 1/2 the rule is stable at any step: the
// largest double.
double ThermalStableStep(int nF, double alpha, const SparseRowMatrix* KTFF, const SparseRowMatrix* KCFF);
// Stops the run when the step dt of combination c is longer than that limit, naming the
// step and the limit: the temperatures of such a step grow without bound.
void CheckThermalStepStable(int c, double dt, double alpha, int nF, const SparseRowMatrix* KTFF,
                            const SparseRowMatrix* KCFF);

// Right-hand side b[1..nF] of the free equations of a step.
void CalcThermalStepVectors(int nF, int nP, double dt, double alpha, const ThermalMatrices* K, const double* TFn,
                            const double* TPn1, const double* TPn, const double* FFn1, const double* FFn, double* b);

// Whether the boundary heat fluxes of a step come from the end-of-step balance instead of
// the trapezoidal recurrence: for the forward rule (method 1 or alpha = 0) the recurrence
// has no R_{n+1} term, and below alpha = 1/2 it multiplies every error of R_n by
// c = (1 - alpha)/alpha > 1 each step.
bool EndOfStepHeatFlux(int method, double alpha);
// Boundary heat fluxes R_{n+1}[1..nP] at the end of a step. Otherwise than for
// EndOfStepHeatFlux, the trapezoidal recurrence
//   R_{n+1} = (KT_P dT/(alpha dt) + KC_P (T_{n+1} + c T_n) - F_{n+1} - c F_n - c R_n, c = (1 - alpha)/alpha;
// else the end-of-step balance R_{n+1} = KT_P dT/dt + KC_P T_{n+1} - F_{n+1} (the two agree
// in any steady state and at alpha = 1). KT_P x stands for KT_PF x^F + KT_PP x^P.
void CalcBoundaryHeatFlux(int nF, int nP, int method, double alpha, double dt, const ThermalMatrices* K,
                          const double* TFn1, const double* TFn, const double* TPn1, const double* TPn,
                          const double* FPn1, const double* FPn, const double* Rn, double* Rn1);

// Start of a transient run from "<THERMAL_TRANSIENT_INITIAL_CONDITIONS>": T^F_0, T^P_0 from
// the records (zero elsewhere), and the conduction heat forces of that field (element
// conductivity and convection matrices times the element temperatures) on the free rows
// (qF0) and the prescribed rows (R0). All four vectors are cleared first. s null: linear
// element routines; else by behaviour code. The drivers start the rule from the loads at
// t0 (StartFromLoadsAtT0), not from qF0: a previous load equal to the conduction forces
// holds the initial field for (1 - alpha) dt and leaves the trapezoidal rule first order.
void CalcThermalTransientInitCond(const char* OutputControl, const MeshData* mesh, const ThermalWorkArrays* t,
                                  const ThermalStepState* s, double* qF0, double* R0, double* TF0, double* TP0);
// The previous level of the first step: the loads at t0, those of the first combination
// (FF1, FP1, evaluated at the initial field), become F^F_0 and F^P_0, and the boundary heat
// fluxes R_0 = q^P_0 - F^P_0 balance the conduction of the initial field on the prescribed
// rows (R0 enters holding q^P_0; F^P_0 + R_0 stays q^P_0). The initial rate of the free
// temperatures then follows the field's own balance KT dT/dt = F_0 - KC T_0, as the rule
// needs for second order; the backward rule (alpha = 1) does not use level 0.
void StartFromLoadsAtT0(int nF, int nP, const double* FF1, const double* FP1, double* FF0, double* FP0, double* R0);

// ---- Newton-Raphson iterations of a step with temperature-dependent materials ------------
// The two time levels of a step: start temperatures, loads and fluxes (n) and the
// current iterate (n + 1).
struct ThermalStepLevels {
  const double *TFn, *TPn;  // temperatures at the start of the step
  const double *FFn, *FPn;  // thermal load of the previous step
  const double* Rn;         // boundary heat fluxes at the start
  const double *FF, *FP;    // thermal load of the step at the current temperatures
  const double* R;          // current boundary heat fluxes
};

// The step's load terms dt (alpha F_{n+1} + (1 - alpha) F_n) (prescribed rows: F + R at
// both levels) added to the external side f, and r = f - q.
void CloseThermalResid(int nF, int nP, double alpha, double dt, const ThermalStepLevels* v, double* fF, double* fP,
                       const double* qF, const double* qP, double* rF, double* rP);
// Residual of the step at the current temperatures of s (history data current):
//   external f = sum_e (KT_e - (1 - alpha) dt KC_e(T_n)) T_n,e + dt (alpha F_{n+1} + (1 - alpha) F_n)
//                (prescribed rows: F^P + R at both levels),
//   internal q = sum_e (KT_e + alpha dt KC_e(T)) T_e,  r = f - q,
// so that r holds -KT (T - T_n): the heat stored over the step, independent of the origin
// of the temperature scale. KT takes at each point the secant of the enthalpy from T_n to
// T (Calc_KTg_NL), which stores exactly the enthalpy change and, through a capacity peak,
// leaves the residual monotone in T with the capacity at T as its derivative.
void CalcThermalResid(const char* OutputControl, const MeshData* mesh, const ThermalWorkArrays* t,
                      const ThermalStepState* s, double alpha, const ThermalStepLevels* v, double* fF, double* fP,
                      double* qF, double* qP, double* rF, double* rP);
// The same residual from the global matrices K of the step (KT + alpha dt KC with the
// prescribed rows), for a run whose matrices do not follow the temperatures (no history
// data to update): equal to CalcThermalResid up to the rounding of the sums. TF, TP are
// the current temperatures.
void CalcThermalResidFromMatrices(int nF, int nP, double alpha, double dt, const ThermalMatrices* K,
                                  const ThermalStepLevels* v, const double* TF, const double* TP, double* fF,
                                  double* fP, double* qF, double* qP, double* rF, double* rP);
// ratio = |r| / max(|f|, |q|) over the free and prescribed parts (f the heat loads, q the
// internal heat forces); converged when the ratio is below TOLERANCE_IN_EACH_COMBINATION.
// Only the force norm applies here.
bool CheckThermalConvergence(const MeshData* mesh, int nF, int nP, const double* fF, const double* fP,
                             const double* qF, const double* qP, const double* rF, const double* rP, double* ratio);
// y -= (KT_PF + alpha dt KC_PF)^T x: prescribed-dof changes loading the free equations.
void CalcThermalEffLoadTerms(int nF, int nP, double alpha, double dt, const ThermalMatrices* K, const double* x,
                             double* y);
// R = ((KT_PF + alpha dt KC_PF) xF + (KT_PP + alpha dt KC_PP) xP - g) / (alpha dt);
// zero where EndOfStepHeatFlux holds: the driver then takes R from the end-of-step balance
// once the temperatures have converged.
void CalcBoundaryHeatFlux_NL(int nF, int nP, int method, double alpha, double dt, const ThermalMatrices* K,
                             const double* xF, const double* xP, const double* g, double* R);
// TF += dT, R += dR; the step increment dTstep accumulates dT (mode 1) or is replaced by
// it (mode 2).
void UpdateTempBoundaryHeatFlux(int nF, int nP, int mode, double* TF, double* dTstep, const double* dT,
                                const double* dR, double* R);

// ---- saved matrices: <job>_GCM.bin (KC) and <job>_GTM.bin (KT) ----------------------------
void WriteGlobalCondMat(int64_t nTermsFF, int64_t nTermsPF, int64_t nTermsPP, int nF, int nP,
                        const ThermalMatrices* K, const char* job);
void WriteGlobalTransientMat(int64_t nTermsFF, int64_t nTermsPF, int64_t nTermsPP, int nF, int nP,
                             const ThermalMatrices* K, const char* job);
// Allocate and read the blocks; a wrong tag: "Invalid binary file (jobname_GCM.bin)".
void ReadGlobalCondMat(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, int nF, int nP, ThermalMatrices* K,
                       const char* job);
void ReadGlobalTransientMat(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, int nF, int nP,
                            ThermalMatrices* K, const char* job);
// Both matrices, conductivity then transient, as one record of an open stream (the
// held-matrix file).
void WriteThermalMatsStream(FILE* fp, const int64_t nC[3], const int64_t nT[3], int nF, int nP,
                            const ThermalMatrices* K);
void ReadThermalMatsStream(FILE* fp, int64_t nC[3], int64_t nT[3], int nF, int nP, ThermalMatrices* K);
