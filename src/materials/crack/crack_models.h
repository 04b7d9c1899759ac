// Fixed smeared cracks of the solid concrete models: elastic concrete in series with up
// to four cracks per sampling point, each with a unit normal in global axes and three
// crack components (normal, shear 1, shear 2). The pieces here work on a fixed set of
// cracks: the crack stiffness terms, the cracked tangent
//   D = Dco - Dco T^T (Dcr + T Dco T^T)^-1 T Dco,
// and the stress of a cracked point for a strain increment (Newton and secant iterations
// on the crack strains). Each piece is written once over the description of a model
// (SolidCrackModel), so that the members of the family differ only in that description;
// the plane members (plane_cracks.h, plane_plastic_cracks.h) run on the same pieces with
// two crack components and three stress components.
//
// Vectors of stress and strain: xx, yy, zz, yz, xz, xy with engineering shear strains;
// crack vectors: crack j at 3j-2 (normal), 3j-1, 3j (shears). All arrays 1-based. The
// pieces take the sizes from the model description (nc components per crack, ns stress
// components), so that a model with another layout is one more description.
#pragma once

#include <functional>

#include "materials/crack/softening.h"
#include "materials/history_data.h"
#include "materials/point_context.h"
#include "model/material.h"

// CrStatus codes of a crack and the states of a crack shear component.
enum CrackStatusCode { kCrInitiating = 1, kCrOpening, kCrClosing, kCrClosed, kCrReopening, kCrFullyOpen };
enum CrackShearState { kShLoadingStiff = 1, kShLoadingSoft, kShUnloading, kShReloading, kShFreeSliding };

// What tells one crack model from another: its sizes, where its parameters stand in its
// record and how its crack matrices and iterations behave. The solid models have three
// components per crack and six stress components; a plane member has two and three.
struct SolidCrackModel {
  int code;           // material kind
  const char* name;   // "_NLMM111", for the messages
  int nc, ns;         // components per crack, stress components
  int nLaws;          // softening laws 1..nLaws
  int nu, E, ref, ft, law, gf;  // parameter slots; the shape parameters follow the law slot
  int shearLaw;       // slot of the crack shear softening law; 0: the model has none
  int retention, retentionWord, beta;
  int shearMode, shearModeWord;
  // The crack normal law continues beyond the ultimate strain with the slope -Emin, and
  // a crack with no normal stiffness left gets -Emin instead of 0.
  bool residualNormal;
  // Floors of the crack stiffnesses (CrackFloorKind).
  int floor;
  // The total-shear option also rewrites the crack shear stresses of the converged step.
  bool shearOptionInIncrement;
  // Delta-stress iterations: a second pass of the secant iterations that accepts the
  // smallest residual, and the notes of accepted residuals.
  bool acceptSmallest;
  // The iterations floor their crack matrices (mode 1).
  bool floorInIterations;
  // Plane members. Two cracks at right angles whose shear stiffnesses have both vanished
  // share their shear: the iterations make their shear increments equal and opposite.
  bool orthoConstraint;
  // Inside a material pattern only the composition with the fracture model is known,
  // and the Newton matrix then goes without the derivative of the retention stiffness.
  bool patternCheck;
  // Crack shear softening knows the linear law only.
  bool linearShearOnly;
  // Crack events: most cracks of a point, the closing-check option and the crack band
  // option (slot, word).
  int maxCracks, closeOption, closeOptionWord, band, bandWord;
  // Reopening stresses and closing strains as moving thresholds, re-checks of reopenings
  // and closings, shear states of the crack shear components. Without them a crack
  // closes at a null crack strain and reopens at a stress ratio.
  bool thresholds;
  // Fracture-energy update of a crack sliding in shear: slot of the update option (first
  // integer) and of the ultimate-sliding option (second integer); the given ultimate
  // sliding follows. 0: the model has none.
  int gfUpdate;
  // A new crack takes Oliver's band of its own direction (band options 4 and 5).
  bool bandAtInit;
  // How a point with cracks chooses between the strength and the angle transitions of a
  // new crack (NewCrackChoice).
  int newCrackChoice;
};

// The strength transition f1 and the angle transition f2 of a new crack at a point with
// cracks: the later one, provided the stress state confirms it (the angle at f1 beyond
// the threshold, the strength exceeded at f2), else no new crack in the pass; the states
// at f1 and f2 themselves, or the state at the end of the increment for both; or the
// later one without conditions.
enum NewCrackChoice { kChoiceAtTransitions = 1, kChoiceAtEnd, kChoiceByFactors };

// Floors of the crack matrix: a plain floor in the secant matrix and the tangent, shear
// terms of a crack together; two modes on the caller's demand (mode 0 the tangent,
// mode 1 signed, for the iterations); the same with a mode 1 that touches the shear
// terms only; the tangent floors of the plane plastic crack model (negative terms to 0,
// the shear floor for a single crack or for the last pair at right angles).
enum CrackFloorKind { kFloorPlain = 1, kFloorModes, kFloorModesShearOnly, kFloorOrthoPair };

extern const SolidCrackModel kModel111;  // full model: laws 1 to 4, shear softening
extern const SolidCrackModel kModel102;  // simple model: laws 1 to 3, residual stiffness
extern const SolidCrackModel kModel151;  // crack part of the elasto-plastic model
// The plane members: two components per crack (normal, shear), three stress components.
extern const SolidCrackModel kModel104;  // full plane model: laws 1 to 4, shear softening
extern const SolidCrackModel kModel101;  // simple plane model: laws 1 to 3, retention only
extern const SolidCrackModel kModel142;  // crack part of the plane model with concrete plasticity
extern const SolidCrackModel kModel141;  // crack part of the plane model with Owen-Figueiras plasticity

// The parameters of one record, read once per call.
struct CrackParams {
  const SolidCrackModel* model;
  double E, nu, G, ref;
  double Emin, Gmin;   // floors of the crack normal and shear stiffness
  int law;
  CrackLawShape shape;
  int retention;       // 1 constant, 2 linear, 3 quadratic, 4 cubic
  double beta;
  int shearLaw;        // 0 none, 1 linear, 2 trilinear, 3 Cornelissen
  CrackLawShape shearShape;
  int shearMode;       // 1 incremental, 2 total
  bool inPattern;      // a component of a material pattern
  bool patternFault;   // ... whose composition the crack pieces do not know
};
CrackParams CrackParamsOf(const SolidCrackModel& model, const MaterialRecord& m);

// The active cracks of a point (status not _CLOSED), packed in crack order: crack j of
// the arrays is the j-th active crack of the record.
struct ActiveCracks {
  int n;
  int *status, *shear1, *shear2;     // shear states (1 in the models without shear softening)
  double *ft, *gf, *gfII, *h;        // initiation stress, fracture energy, mode-II energy, band
  double** dir;                      // n x 3, row j the unit normal (solid)
  double* twist;                     // turn of the tangent axes about the normal (solid), or null
  double* angle;                     // angle of the normal from x (plane)
  double *tau1, *tau2, *k1, *k2;     // peak shear stresses and shear stiffnesses before softening
  double *epsMax, *gMax1, *gMax2;    // largest crack normal strain, crack shear strains kept
  double *e, *s;                     // crack strains and stresses, nc n each
};
void FreeActiveCracks(ActiveCracks* c);

// ---- counting, packing, crack axes -------------------------------------------------------
int CalcNumActiveCr_NLMM111(const CrackPart111& r);
int CalcNumActiveCr_NLMM102(const NLMM101_HD& r);
// Allocates and fills c for the nA active cracks of the record; nA must be the count.
void AssignActCrData_NLMM111(int nA, const CrackPart111& r, ActiveCracks* c);
void AssignActCrData_NLMM102(int nA, const NLMM101_HD& r, ActiveCracks* c);

// Axes of a solid crack, rows t, s, n of L (3 x 3): the tangents CalcOrthonormalTriad
// gives the normal n, turned about it by the angle twist.
void CrackAxes3D(const double* n, double twist, double** L);
// T (3nA x 6) of the crack normals dir (nA x 3) and the turns twist[1..nA] of their
// tangents (null: none): rows (normal, t, s) per crack with the axes of CrackAxes3D;
// T maps a stress onto the crack tractions.
void CalcMat_Tcr_3D(int nA, double** T, double** dir, const double* twist);
// T (2n x 3) of the crack angles angle[1..n] of a plane model: row 2i-1 maps
// (sxx, syy, sxy) to the normal stress of crack i, row 2i to its shear stress; T^T maps
// the crack strains back (engineering shear).
void CalcMat_Tcr(int n, double** T, const double* angle);

// T (nc n x ns) of the packed cracks c: the normals of a solid model, the angles of a
// plane one.
void CalcMat_TcrOfCracks(const SolidCrackModel& model, const ActiveCracks& c, double** T);

// Smallest angle in [0, pi/2] between the unit direction d and the normals of the nCr
// cracks in dir (rows 1..nCr); no crack is the internal error.
double CalcDeltaCrAngle(const double* d, int nCr, double** dir);
double CalcDeltaCrAngle_NLMM111(const double* d, const NLMM111_HD& r);
double CalcDeltaCrAngle_NLMM102(const double* d, const NLMM101_HD& r);
double CalcDeltaCrAngle_NLMM151(const double* d, const NLMM151_HD& r);

// Principal stresses of a stress 6-vector: values ascending, column i of dir the unit
// direction of value i, the direction of the largest with a y component >= 0. False
// when the Jacobi rotations do not settle.
bool CalcPrincipalStresses3D(double** dir, double* values, const double* stress);

// ---- crack stiffness terms ----------------------------------------------------------------
// Crack i (1..n of c) of the model's law; eps, gamma crack strains.
double CrUltStrain(const CrackParams& p, const ActiveCracks& c, int i);
double CrNormalStress(const CrackParams& p, const ActiveCracks& c, int i, double eps);
double Calc_DcrI_Soft(const CrackParams& p, const ActiveCracks& c, int i, double eps);
double Calc_DcrI_CloseReop(const CrackParams& p, const ActiveCracks& c, int i, double epsMax);
double Calc_DcrI_SecSoft(const CrackParams& p, const ActiveCracks& c, int i, double eps, double dEps,
                         double sigmaStart);
// Shear retention stiffness at crack normal strain eps and its derivative by eps at
// eps + dEps (the two arguments summed, as the Newton matrix asks for it).
double Calc_DcrII(const CrackParams& p, const ActiveCracks& c, int i, double eps);
double Calc_dDcrII_dDeltaCrStrain(const CrackParams& p, const ActiveCracks& c, int i, double eps, double dEps);
// Shear softening of component k (1, 2) of crack i: ultimate strain, stress on the
// envelope at |gamma| >= gamma0, its slope, the secant through the envelope at gMax and
// the chord of a step.
double CrShearUltStrain(const CrackParams& p, const ActiveCracks& c, int i, int k);
double CrShearStress(const CrackParams& p, const ActiveCracks& c, int i, int k, double gamma);
double Calc_DcrII_Soft(const CrackParams& p, const ActiveCracks& c, int i, int k, double gamma);
double Calc_DcrII_UnloRelo(const CrackParams& p, const ActiveCracks& c, int i, int k, double gMax);
double Calc_DcrII_SecSoft(const CrackParams& p, const ActiveCracks& c, int i, int k, double absGamma,
                          double dGamma, double tauStart, bool negative);

// Tangent crack matrix (diagonal of the 3n x 3n Dcr, zeroed by the caller) at the crack
// strains e against the reference strains eRef (the start of the step; e itself for the
// tangent of the point); s the crack stresses of the reference state.
void Calc_Dcr(const CrackParams& p, const ActiveCracks& c, const double* e, const double* eRef, const double* s,
              double** Dcr);
// Secant crack matrix of a step from (e, s) by the crack strain increment de.
void Calc_Dcr_Sec(const CrackParams& p, const ActiveCracks& c, const double* e, const double* s, const double* de,
                  double** Dcr);
// Floor of the diagonal of the active cracks c: mode 0 a plain floor at Emin, Gmin;
// mode 1 a magnitude below the floor becomes -Emin (normal; not for kFloorModesShearOnly)
// and -Gmin or, without shear softening, +Gmin (shear). The models without floor modes
// have one floor of their kind (mode ignored).
void ApplyMinCrStiff(const CrackParams& p, const ActiveCracks& c, int mode, double** Dcr);
// The last pair i < j of the n crack angles that stand at right angles (within 1e-8),
// scanning i and then j upwards; (0, 0) when none.
void FindPerpendicularCrPair(int n, int* i, int* j, const double* angle);
// Adds the derivative of the shear retention stiffness by the crack normal strain to
// the Newton matrix J at the crack strains eHat (start of the step e).
void CalcFirstDeriv_DcrII(const CrackParams& p, const ActiveCracks& c, const double* eHat, const double* e,
                          double** J);

// A (n x ns) = (Dcr + T Dco T^T)^-1 T Dco for n crack components; a singular matrix ends
// the run with the point.
void CalcMat_A(const PointContext& at, const SolidCrackModel& model, int n, double** Dco, double** Dcr, double** T,
               double** A);
// X (ns x ns) = T^T A.
void CalcMat_TcrT_A(const PointContext& at, const SolidCrackModel& model, int n, double** X, double** Dco,
                    double** Dcr, double** T);
// Cracked tangent of the point's active cracks with their axes T (Dco when none):
// D = Dco (I - T^T S A), S the diagonal of `share` over the crack components (null: 1).
void CalcMat_Decr(const CrackParams& p, const PointContext& at, const ActiveCracks& c, double** T, double** Dco,
                  double** D, const double* share = nullptr);
// The same with the axes of the cracks c (normals of a solid model, angles of a plane one).
void CalcMat_DecrOfCracks(const CrackParams& p, const PointContext& at, const ActiveCracks& c, double** Dco,
                          double** D, const double* share = nullptr);
// Cracked tangent of a record whose nA active cracks `pack` gives out.
template <class R>
void CalcMat_DecrOfRecord(const SolidCrackModel& model, const PointContext& at, const MaterialRecord& m, const R& r,
                          int nA, void (*pack)(int, const R&, ActiveCracks*), double** Dco, double** D,
                          const double* share = nullptr) {
  ActiveCracks c{};
  if (nA > 0) pack(nA, r, &c);
  CalcMat_DecrOfCracks(CrackParamsOf(model, m), at, c, Dco, D, share);
  if (nA > 0) FreeActiveCracks(&c);
}

// ---- delta stress ---------------------------------------------------------------------------
// The stress of the cracked point for the strain increment dEps: sigma (6) and the
// active crack strains and stresses c.e, c.s go from the start of the increment to its
// end; the point record is not written (but the second pass of the secant iterations
// keeps its residual in `tolerance` and sets `accepted`; null for a model without it).
// True on success; *algorithm is 1 when every algorithm failed.
struct AcceptedResidual {
  double* tolerance;
  char* accepted;
};
bool CalcDeltaStress(const CrackParams& p, const PointContext& at, ActiveCracks& c, double** T, double** Dco,
                     const double* dEps, double* sigma, AcceptedResidual rec, char* algorithm);
// Numbers of delta-stress solves and of crack updates of the process so far (for the
// benchmarks).
long DeltaStressSolveCount();
long CrackUpdateCount();
// Seconds spent in the re-checks of crack events so far (for the benchmarks).
double CrackRecheckSeconds();
// Newton iterations with the tangent crack matrix.
bool CalcDeltaStressIterAlgor01(const CrackParams& p, const PointContext& at, ActiveCracks& c, double** T,
                                double** Dco, const double* dEps, double* sigma);
// Secant iterations, pass 0 or 1 (the models without a second pass take pass 0);
// rhoMin carries the smallest residual of pass 0 into pass 1; validFlag is cleared when
// a flagged crack's normal increment falls below 1e-8.
bool CalcDeltaStressIterAlgor02(const CrackParams& p, const PointContext& at, ActiveCracks& c, double** T,
                                double** Dco, const double* dEps, double* sigma, double* rhoMin, int pass,
                                char* validFlag, AcceptedResidual rec);
// Newton matrix of the crack laws at the total crack strains eHat (start c.e, c.s): the
// tangent crack matrix with its floor and, without shear softening, the derivative of
// the shear retention stiffness; added into J (zeroed by the caller).
void CalcCrTangentNewton(const CrackParams& p, const ActiveCracks& c, const double* eHat, double** J);
// Crack stresses of the laws after the crack strain increment de from the start state
// (c.e, c.s): the start stresses (the shear ones rewritten in the total shear mode) plus
// the secant crack matrix of the step times de.
void CalcCrLawStress(const CrackParams& p, const ActiveCracks& c, const double* de, double* s);
// Every _INITIATING crack's normal component of de (nc components per crack) is at
// least 1e-8.
bool CheckFlaggedCompAboveTol(int n, int nc, const int* status, const double* de);
// Appends a note on an accepted residual to "ConvergenceAssumed.lpt" in the working
// directory.
void ConvergenceAssumedLog(const PointContext& at, const char* line, double resid);

// ---- entry points of the sampling point -----------------------------------------------------
// Tangent D (6 x 6) from the point's record; Dco the elastic matrix of the concrete.
void CalcMat_D_NLMM111(const PointContext& at, const MaterialRecord& m, const NLMM111_HD& r, double** Dco,
                       double** D);
void CalcMat_D_NLMM102(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r, double** Dco,
                       double** D);
void CalcMat_Decr_NLMM111(const PointContext& at, const MaterialRecord& m, const CrackPart111& r, double** Dco,
                          double** D, const double* share = nullptr);
void CalcMat_Decr_NLMM102(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r, double** Dco,
                          double** D);
// Stress update for the strain increment dEps: the strain is added, an uncracked point
// that stays at or below its tensile strength is updated elastically, any other goes to
// the crack update. stress receives the record's new stress.
void CalcStress_NLMM111(const PointContext& at, const MaterialRecord& m, NLMM111_HD& r, double** Dco,
                        const double* dEps, double* stress);
void CalcStress_NLMM102(const PointContext& at, const MaterialRecord& m, NLMM101_HD& r, double** Dco,
                        const double* dEps, double* stress);
// Elastic trial of an uncracked point over a strain increment (ns components, 1-based):
// the stress it would take and the stress increment De dEps.
struct UncrackedTrial {
  double stress[7];
  double delta[7];
};
// True when the crack update must run (the point has cracks, or its trial stress
// exceeds the tensile strength); else the point stays elastic and *trial holds the
// update, for the caller to store. The checks only read the record.
bool CheckUncrackedElastic_NLMM111(const PointContext& at, const MaterialRecord& m, const NLMM111_HD& r,
                                   double** Dco, const double* dEps, UncrackedTrial* trial);
bool CheckUncrackedElastic_NLMM102(const PointContext& at, const MaterialRecord& m, const NLMM101_HD& r,
                                   double** Dco, const double* dEps, UncrackedTrial* trial);
// Writes the elastic trial of a point that stays uncracked: the trial stress into stress
// (ns), its increment into deltaStress where the record keeps one (_NLMM111).
void StoreUncrackedTrial(const UncrackedTrial& trial, int ns, double* stress, double* deltaStress = nullptr);
// Stress update of a point that has cracks or starts one: the increment is cut at each
// crack event (a new crack, a reopening, a closing) and the rest carried on.
void CalcStressCrModel_NLMM111(const PointContext& at, const MaterialRecord& m, NLMM111_HD& r, double** Dco,
                               const double* dEps);
void CalcStressCrModel_NLMM102(const PointContext& at, const MaterialRecord& m, NLMM101_HD& r, double** Dco,
                               const double* dEps);

// ---- crack events -----------------------------------------------------------------------------
// The fields of a point record that the crack events read and write, for every member of
// the family (null where a model keeps no such field).
struct CrackView {
  const SolidCrackModel* model;
  int32_t* pointStatus;
  double *stress, *deltaStress;
  int32_t* nCr;
  double* angle;                 // threshold angle
  int32_t *status, *shear1, *shear2;
  double** dir;                  // normals of a solid model
  double* twist;                 // ... the turn of their tangent axes, in the models that keep it
  double** angleRows;            // angles of a plane model (column 1), or
  double* angleVec;              // ... a plain vector of them
  double *h, *gf, *gfInitial, *gfII, *ft, *k1, *k2, *tau1, *tau2;
  double *reop, *close, *epsMax, *g1, *g2;
  double* maxSliding;            // largest shear sliding of a plane crack (fracture-energy update)
  double *e, *s;
  double* tolerance;
  char* accepted;
  CrackPlasticPart* plastic;     // the plastic state of the elasto-plastic models, else null
  NLMM121_HD* owenFig;           // ... of the plane model with Owen-Figueiras plasticity
};
CrackView CrackViewOf(NLMM111_HD& r);
// The simple record of the solid model (_NLMM102) or of the plane one (_NLMM101).
CrackView CrackViewOf(NLMM101_HD& r, const SolidCrackModel& model = kModel102);
CrackView CrackViewOf(NLMM104_HD& r);
CrackView CrackViewOf(NLMM142_HD& r);
CrackView CrackViewOf(NLMM141_HD& r);
// The crack fields only (of _NLMM111 and of _NLMM104; a caller of _NLMM151 or _NLMM142
// sets the model).
CrackView CrackPartView(CrackPart111& r);
CrackView CrackPartView(CrackPart104& r);
int CalcNumActiveCr(const CrackView& v);
// Fracture-energy field of the crack about to form with unit normal `normal` (solid) or
// the angle `angle` of its normal from x (plane; normal null), and the crack appended to
// the view (the typed routines of the record kinds call these).
double Calc_Gf_NewCrInit(const MaterialRecord& m, const double* normal, const CrackView& v, double angle = 0.0);
void InitializeCr(const MaterialRecord& m, double gf, const double* normal, double sigmaN, CrackView& v,
                  double angle = 0.0);
void AssignActCrData(int nA, const CrackView& v, ActiveCracks* c);
// A crack born inside the step: the update takes the step elastic up to the crack's
// start, at the fraction t where the crack's normal traction reaches its initiation
// stress, and cracked after it; in shear the stress grows by t G + (1 - t) G_cr over the
// step. The tangent of such a point gives the crack's shear components the share 1 - t
// (the normal ones keep 1: the normal slope of the whole step is the crack's). now: the
// point's view after the step, start: before it, strain: the step's strain increment,
// Dco the base matrix of the step. Fills `share` (12) for the active crack components of
// `now` and returns true when a crack was born; false (share untouched) otherwise.
bool NewCrackShares(const CrackView& now, const CrackView& start, const double* strain, double** Dco,
                    double* share);
// The shares of the record's crack components in the tangent when at.stepStart holds the
// point's record (of the same type) at the start of the step and a crack was born in it
// (NewCrackShares, over the strain of the step from the two records' strains); null
// otherwise. share: 12 entries of the caller.
const double* StepCrackShares(const CrackView& now, const double* strainNow, const CrackView& start,
                              const double* strainStart, double** Dco, double* share);
template <class R>
const double* StepCrackShares(const PointContext& at, const R& r, double** Dco, double* share,
                              CrackView (*view)(R&), const double* (*strain)(const R&)) {
  if (at.stepStart == nullptr) return nullptr;
  R& start = *static_cast<R*>(const_cast<void*>(at.stepStart));
  const CrackView v = view(const_cast<R&>(r)), v0 = view(start);
  return StepCrackShares(v, strain(r), v0, strain(start), Dco, share);
}

struct CrackSolve;

// Everything a crack event routine needs besides the record.
struct CrackEventContext {
  CrackParams p;
  PointContext at;
  const MaterialRecord& m;
  double** Dco;
  int maxCracks;
  // The elasto-plastic model: its delta-stress step in place of the crack solve (code 1
  // or 3 on failure), and the storage of the plastic state and point status of a pass.
  bool (*plasticStep)(const CrackEventContext& x, const CrackView& v, CrackSolve& s, const double* dEps,
                      char* code) = nullptr;
  void (*plasticStore)(const CrackEventContext& x, CrackView& v, const CrackSolve& s) = nullptr;
};
CrackEventContext CrackEventContextOf(const SolidCrackModel& model, const PointContext& at, const MaterialRecord& m,
                                      double** Dco);

// The active cracks of a view (AssignActCrData) and their axes, the start copy of their
// crack strains, and the stress that the delta-stress solve turns into the new one.
struct CrackSolve {
  ActiveCracks c{};
  double** T = nullptr;
  double* eRef = nullptr;
  double sigma[7] = {0, 0, 0, 0, 0, 0, 0};
  // The plastic part of the elasto-plastic step: dlambda, k, kappa, plastic strain.
  double dLambda = 0.0, sY = 0.0, kappa = 0.0;
  double dEpsP[7] = {0, 0, 0, 0, 0, 0, 0};
  CrackSolve() = default;
  ~CrackSolve();
  CrackSolve(const CrackSolve&) = delete;
  CrackSolve& operator=(const CrackSolve&) = delete;
  // Packs the view's active cracks and takes its stress; solves for dEps from there.
  void Set(const CrackView& v);
  bool Run(const CrackEventContext& x, const CrackView& v, const double* dEps, char* algorithm = nullptr);
};

// Detection results of one increment and the per-crack flags (closing by active
// position, reopening by crack number; ratio: the reopening stress ratios of the simple
// model), all 1-based of four entries.
struct CrackEvents {
  bool newCrack = false, reopening = false, closing = false;
  char closeFlag[5] = {0, 0, 0, 0, 0};
  char reopFlag[5] = {0, 0, 0, 0, 0};
  double ratio[5] = {0, 0, 0, 0, 0};
};
// The event that the update step applies: kind 1 new crack, 2 reopening, 3 closing;
// criterion 1 tensile strength, 2 angle; apply off: the end of the increment, no event.
struct CrackChange {
  double k = 1.1;
  int kind = 0, criterion = 0;
  bool apply = false;
};

// Principal stresses of a stress 6-vector (CalcPrincipalStresses3D), a failure stopping
// the run with the point; and the tractions t = T sigma (nc n) on the planes of all n
// cracks.
void CalcPrincipalStressesAt(const CrackEventContext& x, const double* stress, double* values, double** dir);
void CalcCrTractions(const CrackView& v, const double* stress, double* t);

// The direction of a crack: the unit normal of a solid crack, the angle of the normal
// from x of a plane one.
struct CrackDir {
  double n[4] = {0.0, 0.0, 0.0, 0.0};
  double angle = 0.0;
};
// Smallest angle in [0, pi/2] between d and the cracks of the view; no crack is the
// internal error.
double CalcDeltaCrAngleOf(const CrackView& v, const CrackDir& d);
// Principal stresses of a stress of the model: m values ascending in v[1..m] (three of a
// solid, two of a plane stress, the latter in closed form); Dir(i) the direction of value
// i. The minor direction of a plane stress stands at a right angle to the major one:
// +pi/2 from a major angle at most 0, -pi/2 from a positive one.
struct PrincipalStresses {
  int m;
  double v[4] = {0.0, 0.0, 0.0, 0.0};
  double** d = nullptr;
  double a[4] = {0.0, 0.0, 0.0, 0.0};
  PrincipalStresses(const CrackEventContext& x, const double* stress);
  ~PrincipalStresses();
  PrincipalStresses(const PrincipalStresses&) = delete;
  PrincipalStresses& operator=(const PrincipalStresses&) = delete;
  double Largest() const { return v[m]; }
  CrackDir Dir(int i) const;
};

bool CheckNewCrInit(const CrackEventContext& x, CrackView& v, const double* stress);
bool CheckCrReop(const CrackEventContext& x, CrackView& v, const double* stress, CrackEvents& ev);
bool CheckCrClose(const CrackEventContext& x, const CrackView& v, const double* e, CrackEvents& ev);
// The crack update of a view with the model of x.
void CalcStressCrModel(const CrackEventContext& x, CrackView& v, const double* dEps);
// The three detectors on the state of s (stress and active crack strains); true when any.
bool CheckChangeCrStatus(const CrackEventContext& x, CrackView& v, const CrackSolve& s, CrackEvents& ev);
// Commits the state of s (the end of the increment or the transition point) to the
// record, with the event of ch.
void UpdateCrModelState(const CrackEventContext& x, CrackView& v, CrackSolve& s, CrackEvents& ev,
                        const CrackChange& ch);
// Fracture energy of the active cracks (crack numbers active[1..nA]) that slid further in
// shear: Gf = max(Gf0 (1 - w / su)^n, the critical value of the law), w the sliding,
// su the ultimate sliding, n the update option (1, 2, 3); the first crack whose sliding
// did not grow ends the update. Models without the update do nothing.
void Update_Gf(const CrackEventContext& x, CrackView& v, const int* active, int nA);
// Does the event ch, applied at ch.k of dEps, stand once the rest of the increment is
// solved? Works on a private copy of the record.
bool CheckCrEventReallyOccur(const CrackEventContext& x, const CrackView& v, const double* dEps, const CrackEvents& ev,
                             const CrackChange& ch);
// The simple model's guard of the angle criterion: false when the direction of the
// largest principal stress after dEps stands within one degree of a right angle to the
// existing cracks.
bool CheckNewCrInitDirection(const CrackEventContext& x, const CrackView& v, const double* dEps);
// The earliest event of the increment dEps flagged in ev, confirmed by its re-check.
// endStress: the stress after the whole of dEps with the present cracks.
CrackChange CalcTransPointChangeCrStatus(const CrackEventContext& x, const CrackView& v, const double* dEps,
                                         const double* endStress, const CrackEvents& ev);

// The earliest of the events flagged in flagged[1..3] (kind 1 new crack, 2 reopening,
// 3 closing) at the factors at[1..3], a tie going to the lower kind; confirm re-checks
// the choice, and a rejected kind is struck off and the rest ranked again. Kind 0 and no
// change when none stands; a chosen factor outside [0, 1] is the internal error.
CrackChange PickCrackChange(const bool* flagged, const double* at, int criterion,
                            const std::function<bool(const CrackChange&)>& confirm);

// ---- transition points -------------------------------------------------------------------------
// Fraction k of dEps at which the event condition holds: Newton's method with a central
// difference (algorithm 1), then bisection (algorithm 2). False when neither finds k in
// [0, 1]; *k the last value. ratio: the reopening ratios (simple model).
bool CalcTransPointNewCrInit(const CrackEventContext& x, const CrackView& v, const double* dEps, int criterion,
                             double* k);
bool CalcTransPointCrReop(const CrackEventContext& x, const CrackView& v, const double* dEps, int crack,
                          const double* ratio, double* k);
bool CalcTransPointCrClose(const CrackEventContext& x, const CrackView& v, const double* dEps, int active, int crack,
                           double* k);
// One search by itself: event 1 new crack (arg the criterion), 2 reopening, 3 closing
// (arg the active position); algorithm 1 or 2.
bool CalcTransPointIterAlgor(int event, int algorithm, const CrackEventContext& x, const CrackView& v,
                             const double* dEps, int arg, int crack, const double* ratio, double* k);
