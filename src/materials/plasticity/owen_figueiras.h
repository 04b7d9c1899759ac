// Owen-Figueiras plasticity of plane-stress concrete (_NLMM121): the yield surface
// F = sqrt(s'Ps) + q's - h(kappa) in (s11, s22, s12), associated flow scaled in biaxial
// compression, hardening by the equivalent plastic strain kappa (an elliptic rise from
// alpha0 fc to fc at the peak plastic strain, then the CEB-FIP93 curve), a backward-Euler
// return mapping by Newton's method and its consistent tangent.
#pragma once

#include "materials/history_data.h"
#include "materials/point_context.h"
#include "model/material.h"

// Values of an _NLMM121 record (file order): nu 3, E 4, fc 5, eps_c1 6, alpha0 7. The
// plane crack model with Owen-Figueiras plasticity (_NLMM141) has the same plasticity
// with its values at slots 66 to 70 and the CEB-FIP93 branches of the crack models.
struct Nlmm121Material {
  double nu, E, fc, epsc1, alpha0;
  const char* name = "_NLMM121";
  int secondBranchSteps = 1000;
};
Nlmm121Material Nlmm121Parameters(const MaterialRecord& m);
Nlmm121Material Nlmm141Parameters(const MaterialRecord& m);

// Set-up check of a record: E > 0, fc > 0 and eps_c1 > fc/E (a positive peak plastic
// strain); a fault stops the run naming block and record.
void CheckParameters_NLMM121(const MaterialRecord& m, const char* block, int record);

// P (3 x 3) and q of the Owen-Figueiras surface.
void CalcMat_P_OwenFig(double** P);
void SetOwenFigYieldParam(double* q);
// F with the initial yield stress alpha0 fc, and with h(kappa).
double CalcInitOwenFigYieldFunc_NLMM121(const Nlmm121Material& c, const double* s);
double CalcOwenFigYieldFunc_NLMM121(const Nlmm121Material& c, double kappa, const double* s);
// Flow vector a = Ps/sqrt(s'Ps) + q (q alone when s'Ps < 1e-8) and its derivative
// A = da/ds (zero when s'Ps < 1e-8).
void CalcDerivOwenFigYieldFunc(int n, double* a, const double* s);
void CalcOwenFigTangentTerm(int n, double** A, const double* s);
// h(kappa) and H = dh/dkappa.
double CalcHardFunc_NLMM121(const Nlmm121Material& c, double kappa);
double CalcHardModulus_NLMM121(const Nlmm121Material& c, double kappa);
// Factor m on the plastic flow (1 unless both principal stresses lie below -fc/100)
// and g = dm/ds.
void CalcBiaxialHardFactor_NLMM121(const Nlmm121Material& c, int n, double* m, double* g, const double* s);

// Result of an update: the step's dkappa (= dlambda), kappa, h and plastic strain.
struct OwenFigMapping {
  double dKappa, kappa, h;
  double sigma[4];
  double dEpsP[4];
};
// Return mapping from the stress `start` and kappa0 over dEps; false when the Newton
// iterations fail (a singular Jacobian ends the run).
bool ReturnMappingAlgor_OwenFig(const PointContext& ctx, const Nlmm121Material& c, const double* start, double kappa0,
                                double** D, const double* dEps, OwenFigMapping* out);
// Elastic while F of the trial stress at alpha0 fc stays at most fc/100 (a point with no
// plastic history), else the return mapping; a failure ends the run.
void CalcStressElastoPlasticModel_OwenFig(const PointContext& ctx, const Nlmm121Material& c, const double* start,
                                          double kappa0, double** D, const double* dEps, OwenFigMapping* u);
// Acceptance into the record: dkappa 0 only sets the loading state.
void UpdateElastoPlasticModel_NLMM121(int n, const OwenFigMapping& u, NLMM121_HD* r);
// Consistent tangent of the record's state: D on an elastic step, else
// H - (m/d)(Ha)(a^T H), H = (D^-1 + dkappa m A)^-1, d = m a^T H a + h'.
void CalcMat_Dep_OwenFig(const PointContext& ctx, const Nlmm121Material& c, const NLMM121_HD* r, double** D,
                         double** Dep);

// Stress of a point after the strain increment dEps (n = 3): the record's total strain,
// stress, step flag, dkappa, kappa, h and plastic strain are updated.
void CalcStress_NLMM121(const PointContext& ctx, const MaterialRecord& mat, int n, NLMM121_HD* r, double** D,
                        const double* dEps, double* sigma);
// Consistent tangent from the record (D on an elastic step).
void CalcMat_D_NLMM121(const PointContext& ctx, const MaterialRecord& mat, int n, const NLMM121_HD* r, double** D,
                       double** Dep);
