// CEB-FIP93 hardening of the concrete plasticity models. The hardening parameter kappa
// is the plastic strain of a point of the uniaxial compression curve, kappa = eps - s/E;
// the yield stress sY(kappa) is the stress of the curve there. Every quantity is a
// magnitude, positive in compression.
//
// First branch (rising curve and the falling curve up to eps_lim):
//   s = fc (r eta - eta^2)/(1 + (r - 2) eta),  eta = eps/eps_c1,  r = E eps_c1/fc;
// second branch (beyond eps_lim, where the curve passes fc/2): s = fc/(p eps^2 + q eps).
// The models differ only in the Newton step limit of the second branch and in the
// plateau of the perfectly plastic law: both are parameters of the family.
#pragma once

// Hardening laws of the material records.
enum HardeningLaw { kHardeningCebFip93 = 1, kHardeningPerfectPlastic = 2 };

struct CebFip93Material {
  double E;
  double fc;
  double epsc1;   // strain at the compressive peak
  double alpha0;  // initial yield stress over fc
  int law;        // HardeningLaw
};

struct CebFip93Variant {
  int secondBranchSteps;  // Newton steps allowed on the second branch
  // Law 2 beyond the peak: 0 keeps sY = fc with the small modulus E 1e-8; a positive
  // length lets sY rise by fc over that plastic strain.
  double plateauLength;
  // Law 1 up to the peak: false the curve itself from sY(0) = 0; true a quarter ellipse
  // sY = alpha0 fc + (1 - alpha0) fc sqrt(2 kappa/kappa_p - (kappa/kappa_p)^2).
  bool ellipticRise = false;
};
// The plane and solid plasticity models of this subsystem.
constexpr CebFip93Variant kCebFip93Plasticity{1000, 0.0};
// The concrete plasticity of the solid elasto-plastic crack model.
constexpr CebFip93Variant kCebFip93CrackPlasticity{50, 10000.0, true};

// Coefficients of the branches at kappa.
struct CebFip93Aux {
  double r_epsc1, inv_epsc1sq, rm2_epsc1;  // r/eps_c1, 1/eps_c1^2, (r - 2)/eps_c1
  double p, q;                             // second branch
  double A, B, C, dB, dC;                  // first branch: A s^2 + B s + C = 0, B' C'
};

// eps_lim (where the falling curve reaches fc/2) and kappa_lim = eps_lim - fc/(2E).
void CalcStrainLim_CEB_FIP93(double E, double fc, double* kappaLim, double* epsLim, double epsc1);
// Whether the curve of (E, fc, eps_c1) and the initial yield ratio alpha0 has the finite,
// non-degenerate branches that the hardening law works with (secant modulus, strain
// limit, parabola of the first branch); values near the range of the numbers fail.
bool CebFip93CurveUsable(double E, double fc, double epsc1, double alpha0);
// The compression curve of a concrete record at the set-up of a run, refused in words
// naming block and record: E and fc positive, fc/E a strain of concrete (1e-6 to 1),
// eps_c1 beyond fc/E, the hardening law 1 or 2 where the record has one (law > 0 asks
// for the check), and the curve evaluable with alpha0.
void CheckCompressionCurve(double E, double fc, double epsc1, double alpha0, int law, bool hasLaw, const char* block,
                           int record);
CebFip93Aux CalcAuxParam_CEB_FIP93(double E, double fc, double kappa, double epsLim, double epsc1);
void CalcHardFuncFirstBranch_CEB_FIP93(double E, double fc, double kappa, double* sY, double epsLim, double epsc1);
// False when Newton's method fails (the result is then still checked for range).
bool CalcHardFuncSecondBranch_CEB_FIP93(double E, double fc, double kappa, double* sY, double epsLim, double epsc1,
                                        int maxSteps);
void CalcHardModulusFirstBranch_CEB_FIP93(double E, double fc, double kappa, double* H, double epsLim, double epsc1);
void CalcHardModulusSecondBranch_CEB_FIP93(double E, double fc, double kappa, double* H, double epsLim, double epsc1,
                                           int maxSteps);

// The curve beyond the peak plastic strain kappa_p = eps_c1 - fc/E (law 1): first
// branch below kappa_lim, second from it on.
double CebFip93Softening(const CebFip93Material& m, double kappa, int maxSteps);
double CebFip93SofteningModulus(const CebFip93Material& m, double kappa, int maxSteps);

// sY(kappa) and H = dsY/dkappa of law 1 (the curve from kappa = 0) or law 2 (a
// parabola from alpha0 fc up to fc at kappa_p, then the plateau).
double CalcHardFunc_CEB_FIP93(const CebFip93Material& m, double kappa, const CebFip93Variant& v);
double CalcHardModulus_CEB_FIP93(const CebFip93Material& m, double kappa, const CebFip93Variant& v);
