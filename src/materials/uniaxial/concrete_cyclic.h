// Rule-based cyclic concrete: the closed curves the laws are built from (envelope,
// transition curve, unloading parameters, secant search, elastic threshold) and the
// fibre laws _NLMM210 (compression and tension envelopes, cracking, spalling) and
// _NLMM220 (compression only, two envelope shapes). Every quantity here is in the
// compression-positive frame: tensile strains and stresses are negative numbers.
#pragma once

#include <functional>

#include "materials/history_data.h"
#include "materials/point_context.h"
#include "model/material.h"
#include "numcore/numcore.h"

// ---- curves ---------------------------------------------------------------------------------

// Normalised envelope y(x) (stress / strength at strain / strain at strength x >= 0) of
// initial slope n and shape r (r == 1: the logarithmic form), and its slope z, the
// tangent over the initial modulus.
double CalcEnvelopeY_NLMM211(double n, double r, double x);
double CalcEnvelopeZ_NLMM211(double n, double r, double x);
// Shape parameter of the envelope, f_c in MPa.
inline double EnvelopeShape(double fc) { return fc / 5.2 - 1.9; }

// Power-law curve from (eps0, s0) with slope E0 to (epsF, sF) with slope EF, at eps. A
// curve whose secant equals its start slope, or whose power falls out of use, is the
// straight line. _NLMM210 and _NLMM211 take the line once |epsF - eps0|^R <= 1e-20;
// _NLMM220 keeps the power.
void CalcTransitionCurve_NLMM210(double EF, double E0, double epsF, double eps0, double sF, double s0, double eps,
                                 double* stress, double* tangent);
void CalcTransitionCurve_NLMM211(double EF, double E0, double epsF, double eps0, double sF, double s0, double eps,
                                 double* stress, double* tangent);
void CalcTransitionCurve_NLMM220(double EF, double E0, double epsF, double eps0, double sF, double s0, double eps,
                                 double* stress, double* tangent);

// Unloading branch from a point (eps_un, s_un) of the compression envelope.
struct UnloadParams {
  double Esec;  // secant to the plastic strain
  double Epl;   // slope at the plastic strain
  double ds;    // stress lost on reloading to eps_un
  double de;    // strain past eps_un where reloading meets the envelope
  double epl;   // plastic strain
  double snew;  // stress on reloading at eps_un
  double Enew;  // reloading secant from the plastic strain
  double ere;   // return strain on the envelope
};
// Beam fibres (_NLMM210) and plane layers (_NLMM211) differ in two constants and in the
// reloading secant when eps_un - eps_pl vanishes (0 and E_c).
enum class UnloadVariant { kFibre210, kPlane211 };
UnloadParams CompressionUnloadParams(UnloadVariant v, double Ec, double ec, double eun, double sun);

// Secant search: from the start (eps0, s0), march along the envelope in steps of the
// first trial distance while the secant is steeper than Ec, then bisect to the point
// whose secant is Ec (to 1e-8 relative). eps and s hold the trial envelope point on
// entry and the point found on return. A NaN secant is the internal error.
void EnvelopeSecantSearch(const std::function<double(double)>& envelope, double Ec, double eps0, double s0,
                          double* eps, double* s);

// Strain magnitude where the line Ec e leaves the envelope f y(e / e_f) (e_f the strain at
// strength, f the strength, both magnitudes); 1e-5 for a null strain at strength.
double ElasticThreshold(double Ec, double n, double r, double ef, double f);

// ---- _NLMM210 --------------------------------------------------------------------------------

// Parameters of a "<NLMM210>" record, compression positive (the tensile ones negative).
struct Concrete210 {
  double Ec, ec, fc, ecr, et, ft, ecrk;
  double r, nC, nT;   // shape, initial slopes of the compression and tension envelopes
  double thrC, thrT;  // elastic thresholds of the two envelopes
};
Concrete210 Concrete210Of(const MaterialRecord& m);

UnloadParams CalcUnloadParamsComp_NLMM210(const Concrete210& c, const NLMM210_HD& r);
// The point of the tension envelope (shift of the record) reached from (eps0, s0) with
// the secant Ec; (eps, s) the trial point in, the point found out.
void CalcGeneralFunction_NLMM210(const Concrete210& c, const NLMM210_HD& r, double eps0, double s0, double* eps,
                                 double* s);
// Elastic thresholds of the compression and tension envelopes (strain magnitudes, the
// tension one measured from the record's shift).
void CheckERule1_NLMM210(const Concrete210& c, const NLMM210_HD& r, double* threshold);
void CheckERule2_NLMM210(const Concrete210& c, const NLMM210_HD& r, double* threshold);

// Stress (tension positive) and tangent of the fibre at the total strain eps (tension
// positive); updates the record. A strain beyond +-0.232 stops the run.
void CalcStress_NLMM210(const PointContext& at, const MaterialRecord& m, NLMM210_HD& r, double eps, double* stress,
                        double* tangent);
// ---- _NLMM211 (one principal direction of a plane layer) ---------------------------------------

// What a plane direction adds to the fibre's parameters (Concrete210 holds E, eps_c, f_c,
// eps_cr, the cracking strain f_t/E and f_t, the shape and the compression slope): the
// strain c_lin = f_c/(3.2 E) where the peak curve starts, the trilinear softening's break
// points and ultimate crack strain (negative), and the direction's branch code and
// cracked flag, updated by the rules; peakCurve is set when the compression envelope
// used its curve to the peak.
struct Layer211 {
  double clin, xi1, alpha1, xi2, alpha2, eu;
  int branch, cracked;
  bool peakCurve;
};
// The fibre's rules on one direction's record r (laid out as NLMM210_HD, the tension
// shift kept 0) with the plane variant's envelopes, unloading constants and reversals;
// eps and the stress tension positive.
void CalcStressDirection_NLMM211(const PointContext& at, const Concrete210& c, Layer211& l, NLMM210_HD& r,
                                 double eps, double* stress, double* tangent);

// The plane point (tension positive, engineering shear): adds the strain increment dEps
// (3) to the record's total strain and returns the in-plane stress sigma (3); De is the
// caller's elastic matrix, the answer while both directions stay linear.
void CalcStress_NLMM211(const PointContext& at, const MaterialRecord& m, NLMM211_HD& r, double** De,
                        const double* dEps, double* sigma);
// One principal direction (1 or 2) at the equivalent strain eps: stress and tangent.
void CalcStress_0_NLMM211(const PointContext& at, const MaterialRecord& m, int dir, NLMM211_HD& r, double eps,
                          double* stress, double* tangent);
// The point's matrix: De until the first nonlinear call, then the tangent of the rotating
// cracks (the directions' branch slopes through the rates of their equivalent strains,
// the shear term (s1 - s2) / (2 (e1 - e2)) of the turning axes) rotated to the element
// axes. Falling and flat branches and a shear term not above 0 keep a trace of the
// elastic terms unless `falling` is set (the derivative of the stress update itself).
void CalcMat_D_NLMM211(const MaterialRecord& m, const NLMM211_HD& r, double** De, double** D, bool falling = false);
// Principal strains e1 >= e2 and the angle of e1 (in (-pi/2, pi/2]) of (exx, eyy, gxy).
void CalcPrincStrain_NLMM211(double exx, double eyy, double gxy, double* e1, double* e2, double* theta);
// Strain rotation (engineering shear) into axes at theta.
void CalcTransMat_NLMM211(double theta, double** T);
// Unit-modulus plane-stress matrix of nu.
void CalcPoissonMat_NLMM211(double nu, double** M);
// Ultimate crack strain (negative) of the trilinear softening with fracture energy Gf over
// the band h; the area under the curve is Gf / h.
double CalcUltCrNormalStrainTrilinear_NLMM211(double ft, double E, double Gf, double h, double xi1, double alpha1,
                                              double xi2, double alpha2);

// The shape r of a "<NLMM210>" or "<NLMM211>" record (f_c at the given slot) must not be
// negative, and the moduli and strains the curves divide by must be set.
void CheckParameters_NLMM210(const MaterialRecord& m, const char* block, int record);
void CheckParameters_NLMM211(const MaterialRecord& m, const char* block, int record);

// One row of a cyclic law's rule table: while the strain moves in `direction` (+1 toward
// compression, -1 toward tension; a zero increment included; 0 always) the rule carries on;
// otherwise the reversal moves the unloading points (update), stores the previous
// strain at value `strain` and the previous point at `points` (0: none) and hands over
// to `next`.
struct ReversalRow {
  int rule, direction, next;
  bool update;
  int strain;
  int points[2];
};
// The row of `rule`; a rule the table does not hold is the internal error.
template <int N>
const ReversalRow& FindReversalRow(const ReversalRow (&rows)[N], int rule) {
  for (const ReversalRow& r : rows)
    if (r.rule == rule) return r;
  InternalError(__FILE__, __LINE__);
}

// The strain limit of the cyclic concrete laws: the stress-state trace naming the model,
// then the run stops.
[[noreturn]] void CyclicConcreteStrainLimit(const PointContext& at, const char* model);

// ---- _NLMM220 --------------------------------------------------------------------------------

UnloadParams CalcUnloadParamsComp_NLMM220(const MaterialRecord& m, double eun, double sun);
void CalcStress_NLMM220(const PointContext& at, const MaterialRecord& m, NLMM220_HD& r, double eps, double* stress,
                        double* tangent);
// Envelope type 1 or 2, and the strengths and strains the curves divide by.
void CheckParameters_NLMM220(const MaterialRecord& m, const char* block, int record);
