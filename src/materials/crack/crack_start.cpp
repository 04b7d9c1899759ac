// Start values of the smeared-crack records.
#include "materials/crack/crack_start.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "materials/crack/softening.h"
#include "materials/crack/crack_models.h"
#include "materials/material_slots.h"
#include "model/validate.h"
#include "numcore/numcore.h"

namespace {

// Parameter slots of one crack model (0: the model has none).
struct CrackSlots {
  int code;
  int dim;                      // 2 plane, 3 solid
  int nLaws;
  int maxOption;                // band options 1..maxOption accepted
  bool check;                   // critical fracture energy checked (options 1 to 3)
  int ft, law, gf;
  int bandSlot, bandWord, bandConst, maxCracks, angle;
  int shearSlot, shearWord;     // shear-softening switch
  int kindSlot, kindWord, beta; // shear-retention kind and factor
  int shearStrength, gfII;
  bool plastic;                 // compressive plasticity: fc 68, eps_c1 69 (and Gc 71 with damage)
  bool damage;
  int exponent;                 // exponent p of the new-crack energy
};

// _NLMM142 takes no Oliver band (its update has none): options 1 to 3.
constexpr CrackSlots kSlots[] = {
    {MAT_NLMM101, 2, kThreeLaws, 3, true, 69, 70, 75, 79, 2, 80, 81, 82, 0, 0, 77, 1, 78, 0, 0, false, false, 76},
    {MAT_NLMM102, 3, kThreeLaws, 3, true, 69, 70, 75, 80, 1, 81, 82, 83, 0, 0, 0, 0, 0, 0, 0, false, false, 76},
    {MAT_NLMM104, 2, kFourLaws, 5, true, 69, 70, 77, 86, 2, 87, 88, 89, 81, 1, 81, 2, 82, 84, 85, false, false, 80},
    {MAT_NLMM111, 3, kFourLaws, 5, true, 69, 70, 77, 89, 2, 90, 91, 92, 79, 1, 84, 1, 85, 87, 88, false, false, 78},
    {MAT_NLMM141, 2, kThreeLaws, 3, false, 72, 73, 78, 82, 2, 83, 84, 85, 0, 0, 80, 1, 81, 0, 0, true, false, 79},
    {MAT_NLMM142, 2, kFourLaws, 3, true, 78, 79, 86, 95, 2, 96, 97, 98, 90, 1, 90, 2, 91, 93, 94, true, true, 89},
    {MAT_NLMM151, 3, kFourLaws, 3, true, 78, 79, 86, 98, 2, 99, 100, 101, 88, 1, 93, 1, 94, 96, 97, true, true, 87},
};

const CrackSlots& SlotsOf(int code) {
  for (const CrackSlots& s : kSlots)
    if (s.code == code) return s;
  InternalError(__FILE__, __LINE__);
}

double V(const MaterialRecord& m, const CrackSlots& s, int slot) { return MatSlotValue(m, s.code, slot); }
int I(const MaterialRecord& m, const CrackSlots& s, int slot, int word) { return MatSlotInt(m, s.code, slot, word); }

void PlaceLines(const CrackPointPlace& at) {
  std::fprintf(stderr, "   -> Element: %d\n", at.element);
  std::fprintf(stderr, "   -> Sampling point: %d\n", at.point);
  if (at.layer > 0) std::fprintf(stderr, "   -> Layer: %d\n", at.layer);
}

// A material value that the crack model cannot work with: the point, the material and
// the message.
[[noreturn]] void Refuse(const MaterialRecord& m, const CrackPointPlace& at, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nCheck the crack model parameters:\n   -> Material: %s\n", m.Name);
  PlaceLines(at);
  errexit(msg, 0);
}

CrackLawShape ShapeOf(const MaterialRecord& m, const CrackSlots& s) {
  const int a = s.law + 1;
  CrackLawShape sh{V(m, s, a), V(m, s, a + 1), V(m, s, a + 2), V(m, s, a + 3), 0.0, 0.0};
  if (s.nLaws == kFourLaws) {
    sh.xi3 = V(m, s, a + 4);
    sh.alpha3 = V(m, s, a + 5);
  }
  return sh;
}

// Values every crack record starts from.
struct CrackStart {
  double h;          // band width of every slot (0 for Oliver's band, set at crack initiation)
  double gf, ft, angle;
  double shearStiffness;
};

CrackStart Start(const MaterialRecord& m, const CrackSlots& s, const CrackPointPlace& at) {
  CrackStart c{};
  const int option = I(m, s, s.bandSlot, s.bandWord);
  if (option < 1 || option > s.maxOption) Refuse(m, at, "Invalid crack band option.");
  const int maxCracks = I(m, s, s.maxCracks, 1);
  if (maxCracks < 1 || maxCracks > 4) Refuse(m, at, "The maximum number of cracks must lie between 1 and 4.");
  const double root = s.dim == 2 ? 0.5 : 1.0 / 3.0;
  switch (option) {
    case 1:
      c.h = V(m, s, s.bandConst);
      if (!(c.h > 0.0)) Refuse(m, at, "The constant crack band width must be greater than zero.");
      break;
    case 2: c.h = std::pow(at.elementSize, root); break;
    case 3: c.h = std::pow(at.pointSize, root); break;
    default: c.h = 0.0; break;  // Oliver's band: worked out when the crack forms
  }
  if (option <= 3 && !(c.h > 0.0)) InternalError(__FILE__, __LINE__);
  c.gf = V(m, s, s.gf);
  c.ft = V(m, s, s.ft);
  c.angle = V(m, s, s.angle);
  const double E = V(m, s, 67);
  const int law = I(m, s, s.law, 1);
  if (law < 1 || law > s.nLaws) InternalError(__FILE__, __LINE__);

  // Shear retention: a constant factor beta must leave the crack a finite, positive stiffness.
  if (s.kindSlot != 0) {
    const int kind = I(m, s, s.kindSlot, s.kindWord);
    const double beta = V(m, s, s.beta);
    const bool softening = s.shearSlot != 0 && I(m, s, s.shearSlot, s.shearWord) != 0;
    if ((kind == 1 || softening) && !(beta >= 0.0 && beta < 1.0))
      Refuse(m, at, "The shear retention factor must lie in [0, 1).");
    if (softening) {
      if (kind != 1) InternalError(__FILE__, __LINE__);
      c.shearStiffness = beta / (1.0 - beta) * E / (2.0 * (1.0 + V(m, s, 66)));
    }
  }

  if (s.plastic) {
    // The compressive peak must lie beyond the elastic strain fc / E (kappa_p > 0) ...
    const double fc = V(m, s, 68), kp = V(m, s, 69) - fc / E;
    if (!(kp > 0.0))
      Refuse(m, at, "The strain at the compressive peak must be greater than the compressive strength divided by the Young's modulus.");
    // ... and the compressive softening must end beyond it.
    if (s.damage) {
      const double ku = 3.1 * V(m, s, 71) / (c.h * fc) - (11.0 / 48.0) * kp;
      if (!(ku > kp))
        Refuse(m, at, "The compressive fracture energy is too small for the crack band width: the ultimate hardening parameter must be greater than the peak one.");
    }
  }

  if (s.check && option <= 3) {
    const double crit = CriticalFractureField(s.nLaws, law, ShapeOf(m, s), c.ft, c.h, E);
    if (c.gf < crit) {
      std::fflush(stdout);
      std::fprintf(stderr, "\nCheck the fracture energy value:\n");
      PlaceLines(at);
      std::fprintf(stderr, "   -> Fracture energy: %10.8lf\n", c.gf);
      std::fprintf(stderr, "   -> Critical fracture energy: %10.8lf", crit);
      errexit("The fracture energy should be greater than the critical fracture energy.", 0);
    }
  }
  return c;
}

}  // namespace

double CalcCritic_Gf_NLMM111(const MaterialRecord& m, double ft, double h) {
  const CrackSlots& s = SlotsOf(MAT_NLMM111);
  const int law = I(m, s, s.law, 1);
  if (law < 1 || law > s.nLaws) InternalError(__FILE__, __LINE__);
  return CriticalFractureField(s.nLaws, law, ShapeOf(m, s), ft, h, V(m, s, 67));
}

namespace {

void Fill4(double* v, double x) {
  for (int i = 1; i <= 4; i++) v[i] = x;
}
void Zero4(int32_t* v) {
  for (int i = 1; i <= 4; i++) v[i] = 0;
}

void StartPlane101(const MaterialRecord& m, const CrackPointPlace& at, NLMM101_HD* r, int code) {
  const CrackStart c = Start(m, SlotsOf(code), at);
  r->PointStatus = 1;
  r->CrThresholdAngle = c.angle;
  Zero4(r->CrStatus);
  Fill4(r->CrBandWidth, c.h);
  Fill4(r->CrGf, c.gf);
  Fill4(r->CrTensileStrength, c.ft);
}

void StartCrack104(const MaterialRecord& m, const CrackSlots& s, const CrackStart& c, CrackPart104& r) {
  r.CrThresholdAngle = c.angle;
  Zero4(r.CrStatus);
  Zero4(r.CrAuxStatus);
  Fill4(r.CrBandWidth, c.h);
  Fill4(r.CrGf, c.gf);
  Fill4(r.CrGfInitial, c.gf);
  Fill4(r.CrGfII, V(m, s, s.gfII));
  Fill4(r.CrTensileStrength, c.ft);
  Fill4(r.CrShearStiffness, c.shearStiffness);
  Fill4(r.CrShearStrength, V(m, s, s.shearStrength));
  r.PointTolerance = 1e-6;
  r.PointFlagA = r.PointFlagB = 1;
  r.PointByteA = r.PointByteB = 1;
  r.PointByteC = 0;
}

void StartCrack111(const MaterialRecord& m, const CrackSlots& s, const CrackStart& c, CrackPart111& r) {
  r.CrThresholdAngle = c.angle;
  Zero4(r.CrStatus);
  Zero4(r.CrAuxStatus);
  Zero4(r.CrAuxStatus2);
  Fill4(r.CrBandWidth, c.h);
  Fill4(r.CrGf, c.gf);
  Fill4(r.CrGfII, V(m, s, s.gfII));
  Fill4(r.CrTensileStrength, c.ft);
  Fill4(r.CrShearStiffness, c.shearStiffness);
  Fill4(r.CrShearStiffness2, c.shearStiffness);
  Fill4(r.CrShearStrength, V(m, s, s.shearStrength));
  Fill4(r.CrShearStrength2, V(m, s, s.shearStrength));
  r.PointTolerance = 1e-6;
  r.PointByteC = 0;
}

void StartPlastic(const MaterialRecord& m, const CrackSlots& s, CrackPlasticPart& p) {
  p.PointStatus = 1;
  p.PlasticState = 1;
  p.YieldParam = V(m, s, 68);
}

// The corner nodes at the ends of each mid-side node's edge (0 for a corner), in the node
// order of the 8- and 9-node quadrilaterals and of the 20-node hexahedron; null for the
// linear elements.
const int (*MidSideEnds(int dim, int nNodes))[2] {
  static constexpr int kQuad[10][2] = {{0, 0}, {0, 0}, {1, 3}, {0, 0}, {3, 5}, {0, 0},
                                       {5, 7}, {0, 0}, {7, 1}, {0, 0}};
  static constexpr int kHexa[21][2] = {{0, 0},   {0, 0},   {1, 3},   {0, 0},   {3, 5},   {0, 0},   {5, 7},
                                       {0, 0},   {7, 1},   {1, 13},  {3, 15},  {5, 17},  {7, 19},  {0, 0},
                                       {13, 15}, {0, 0},   {15, 17}, {0, 0},   {17, 19}, {0, 0},   {19, 13}};
  if (dim == 2 && (nNodes == 8 || nNodes == 9)) return kQuad;
  if (dim == 3 && nNodes == 20) return kHexa;
  return nullptr;
}

}  // namespace

int CrackBandOption(int code, const MaterialRecord& m) {
  const CrackSlots& s = SlotsOf(code);
  return I(m, s, s.bandSlot, s.bandWord);
}

double CrackBandOliver(int nNodes, int dim, double** gradN, double** X, const double* centre, const double* normal) {
  // Signed distance of each node from the crack plane through the centre.
  double* d;
  allocd1(&d, nNodes);
  double dmin = 0.0, dmax = 0.0;
  for (int i = 1; i <= nNodes; i++) {
    d[i] = 0.0;
    for (int k = 1; k <= dim; k++) d[i] += (X[i][k] - centre[k]) * normal[k];
    dmin = std::min(dmin, d[i]);
    dmax = std::max(dmax, d[i]);
  }
  if (dmax - dmin < kSmall) InternalError(__FILE__, __LINE__);
  // The step from 0 on the nodes behind the crack to 1 on those ahead of it (1/2 on the
  // plane), differentiated along the normal: the width of the element across the crack.
  // (A ramp over the nodes' distances would give the element's projected extent, 1.3
  // times the width of a parallelogram leaning by 0.3 and crossed along its axis.)
  // On a quadratic element the step is that of its corners: a mid-side node takes the
  // mean of its edge's ends (the centre of a 9-node quadrilateral the mean of the four
  // corners), so that the field is the linear element's and its slope the same at every
  // point. (Mid-side nodes stepped by their own side leave a ridge along the edges of a
  // leaning element, whose slope at a point may vanish or turn: a band without bound.)
  const double onPlane = 1e-8 * (dmax - dmin);
  const auto step = [&](int i) { return d[i] > onPlane ? 1.0 : d[i] < -onPlane ? 0.0 : 0.5; };
  const int(*ends)[2] = MidSideEnds(dim, nNodes);
  double S = 0.0;
  for (int i = 1; i <= nNodes; i++) {
    double phi = step(i);
    if (ends != nullptr && ends[i][0] != 0) phi = 0.5 * (step(ends[i][0]) + step(ends[i][1]));
    if (dim == 2 && nNodes == 9 && i == 9) phi = 0.25 * (step(1) + step(3) + step(5) + step(7));
    for (int k = 1; k <= dim; k++) S += phi * gradN[i][k] * normal[k];
  }
  freed1(d);
  if (std::fabs(S) < kSmall) InternalError(__FILE__, __LINE__);
  return 1.0 / std::fabs(S);
}

int CrackBandOptionCount(int code) { return SlotsOf(code).maxOption; }

bool CrackStartNeedsSize(int code, const MaterialRecord& m) {
  const int option = CrackBandOption(code, m);
  return option == 2 || option == 3;
}

void SF_NLMM101_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM101_HD* r) {
  StartPlane101(m, at, r, MAT_NLMM101);
}

void SF_NLMM102_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM101_HD* r) {
  StartPlane101(m, at, r, MAT_NLMM102);
}

void SF_NLMM104_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM104_HD* r) {
  const CrackSlots& s = SlotsOf(MAT_NLMM104);
  const CrackStart c = Start(m, s, at);
  r->PointStatus = 1;
  StartCrack104(m, s, c, r->Cr);
}

void SF_NLMM111_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM111_HD* r) {
  const CrackSlots& s = SlotsOf(MAT_NLMM111);
  const CrackStart c = Start(m, s, at);
  r->PointStatus = 1;
  StartCrack111(m, s, c, r->Cr);
}

void SF_NLMM141_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM141_HD* r) {
  const CrackSlots& s = SlotsOf(MAT_NLMM141);
  const CrackStart c = Start(m, s, at);
  r->Pl.PointStatus = 1;
  r->Pl.LoadingState = 1;
  r->Pl.YieldParam = V(m, s, 68);
  r->CrThresholdAngle = c.angle;
  Zero4(r->CrStatus);
  Fill4(r->CrBandWidth, c.h);
  Fill4(r->CrGf, c.gf);
  Fill4(r->CrTensileStrength, c.ft);
}

void SF_NLMM142_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM142_HD* r) {
  const CrackSlots& s = SlotsOf(MAT_NLMM142);
  const CrackStart c = Start(m, s, at);
  StartPlastic(m, s, r->Pl);
  StartCrack104(m, s, c, r->Cr);
}

void SF_NLMM151_HD(const MaterialRecord& m, const CrackPointPlace& at, NLMM151_HD* r) {
  const CrackSlots& s = SlotsOf(MAT_NLMM151);
  const CrackStart c = Start(m, s, at);
  StartPlastic(m, s, r->Pl);
  StartCrack111(m, s, c, r->Cr);
}

// ---- crack initiation of the solid models ----------------------------------------------------

double Calc_Gf_NewCrInit(const MaterialRecord& m, const double* normal, const CrackView& v, double angle) {
  const CrackSlots& s = SlotsOf(v.model->code);
  const int law = I(m, s, s.law, 1);
  const int maxCracks = I(m, s, s.maxCracks, 1);
  const int n = *v.nCr;
  if (n < 0 || n >= 4) InternalError(__FILE__, __LINE__);
  const int k = n >= 1 ? n : 1;  // the reference crack: the last one formed
  double theta = 0.0;
  if (n >= 1 && s.dim == 3) theta = CrackAngleBetween3D(normal, v.dir[k]);
  if (n >= 1 && s.dim == 2) theta = CrackAngleBetween2D(angle, v.angleRows != nullptr ? v.angleRows[k][1] : v.angleVec[k]);
  return NewCrackFractureField(s.nLaws, law, ShapeOf(m, s), n, maxCracks, v.ft[k], v.gf[k], v.h[k], v.epsMax[k],
                               theta, V(m, s, s.exponent), v.ft[n + 1], v.h[n + 1], V(m, s, 67));
}

void InitializeCr(const MaterialRecord& m, double gf, const double* normal, double sigmaN, CrackView& v,
                  double angle) {
  const CrackSlots& s = SlotsOf(v.model->code);
  const int n = *v.nCr + 1;
  if (n > I(m, s, s.maxCracks, 1) || n >= 5) InternalError(__FILE__, __LINE__);
  *v.nCr = n;
  if (v.dir != nullptr)
    for (int k = 1; k <= 3; k++) v.dir[n][k] = normal[k];
  if (v.twist != nullptr) v.twist[n] = 0.0;
  if (v.angleRows != nullptr) v.angleRows[n][1] = angle;
  if (v.angleVec != nullptr) v.angleVec[n] = angle;
  v.status[n] = 1;
  v.epsMax[n] = 0.0;
  v.gf[n] = gf;
  if (v.gfInitial != nullptr) v.gfInitial[n] = gf;
  v.s[v.model->nc * (n - 1) + 1] = sigmaN;
  // Shear components loading on the stiff branch, no crack shear strain yet.
  if (v.shear1 != nullptr) {
    v.shear1[n] = 1;
    v.g1[n] = 0.0;
  }
  if (v.shear2 != nullptr) {
    v.shear2[n] = 1;
    v.g2[n] = 0.0;
  }
}

double Calc_Gf_NewCrInit_NLMM102(const MaterialRecord& m, const double* normal, const NLMM101_HD& r) {
  return Calc_Gf_NewCrInit(m, normal, CrackViewOf(const_cast<NLMM101_HD&>(r)));
}

double Calc_Gf_NewCrInit_NLMM111(const MaterialRecord& m, const double* normal, const NLMM111_HD& r) {
  return Calc_Gf_NewCrInit(m, normal, CrackViewOf(const_cast<NLMM111_HD&>(r)));
}

double Calc_Gf_NewCrInit_NLMM151(const MaterialRecord& m, const double* normal, const NLMM151_HD& r) {
  CrackView v = CrackPartView(const_cast<CrackPart111&>(r.Cr));
  v.model = &kModel151;
  return Calc_Gf_NewCrInit(m, normal, v);
}

void InitializeCr_NLMM102(const MaterialRecord& m, double gf, const double* normal, double sigmaN, NLMM101_HD* r) {
  CrackView v = CrackViewOf(*r);
  InitializeCr(m, gf, normal, sigmaN, v);
}

void InitializeCr_NLMM111(const MaterialRecord& m, double gf, const double* normal, double sigmaN, NLMM111_HD* r) {
  CrackView v = CrackViewOf(*r);
  InitializeCr(m, gf, normal, sigmaN, v);
}

void InitializeCr_NLMM151(const MaterialRecord& m, double gf, const double* normal, double sigmaN, NLMM151_HD* r) {
  CrackView v = CrackPartView(r->Cr);
  v.model = &kModel151;
  InitializeCr(m, gf, normal, sigmaN, v);
}

// ---- crack initiation of the plane models ----------------------------------------------------

namespace {

CrackView PlanePartView(const SolidCrackModel& model, const CrackPart104& r) {
  CrackView v = CrackPartView(const_cast<CrackPart104&>(r));
  v.model = &model;
  return v;
}

}  // namespace

double Calc_Gf_NewCrInit_NLMM101(const MaterialRecord& m, double angle, const NLMM101_HD& r) {
  return Calc_Gf_NewCrInit(m, nullptr, CrackViewOf(const_cast<NLMM101_HD&>(r), kModel101), angle);
}

double Calc_Gf_NewCrInit_NLMM104(const MaterialRecord& m, double angle, const NLMM104_HD& r) {
  return Calc_Gf_NewCrInit(m, nullptr, PlanePartView(kModel104, r.Cr), angle);
}

double Calc_Gf_NewCrInit_NLMM142(const MaterialRecord& m, double angle, const NLMM142_HD& r) {
  return Calc_Gf_NewCrInit(m, nullptr, PlanePartView(kModel142, r.Cr), angle);
}

double Calc_Gf_NewCrInit_NLMM141(const MaterialRecord& m, double angle, const NLMM141_HD& r) {
  return Calc_Gf_NewCrInit(m, nullptr, CrackViewOf(const_cast<NLMM141_HD&>(r)), angle);
}

void InitializeCr_NLMM101(const MaterialRecord& m, double gf, double angle, double sigmaN, NLMM101_HD* r) {
  CrackView v = CrackViewOf(*r, kModel101);
  InitializeCr(m, gf, nullptr, sigmaN, v, angle);
}

void InitializeCr_NLMM141(const MaterialRecord& m, double gf, double angle, double sigmaN, NLMM141_HD* r) {
  CrackView v = CrackViewOf(*r);
  InitializeCr(m, gf, nullptr, sigmaN, v, angle);
}

void InitializeCr_NLMM104(const MaterialRecord& m, double gf, double angle, double sigmaN, NLMM104_HD* r) {
  CrackView v = PlanePartView(kModel104, r->Cr);
  InitializeCr(m, gf, nullptr, sigmaN, v, angle);
}

void InitializeCr_NLMM142(const MaterialRecord& m, double gf, double angle, double sigmaN, NLMM142_HD* r) {
  CrackView v = PlanePartView(kModel142, r->Cr);
  InitializeCr(m, gf, nullptr, sigmaN, v, angle);
}

namespace {

const SolidCrackModel& CrackModelOf(int code) {
  for (const SolidCrackModel* m : {&kModel101, &kModel102, &kModel104, &kModel111, &kModel141, &kModel142, &kModel151})
    if (m->code == code) return *m;
  InternalError(__FILE__, __LINE__);
}

// The break points of a piecewise law: 0 < xi_1 < xi_2 (< xi_3) < 1, every alpha in 0..1.
void CheckLawShape(int law, const CrackLawShape& sh, const char* what, const char* block, int record) {
  if (law == kLawCornelissen) return;
  const int n = law == kLawQuadrilinear ? 3 : 2;
  const double xi[4] = {0.0, sh.xi1, sh.xi2, sh.xi3}, alpha[4] = {1.0, sh.alpha1, sh.alpha2, sh.alpha3};
  for (int k = 1; k <= n; k++) {
    if (!(xi[k] > xi[k - 1] && xi[k] < 1.0))
      DataFault(nullptr, block, record,
                "Invalid shape of the %s: the strain ratios must increase strictly between 0 and 1 (ratio %d: %g).",
                what, k, xi[k]);
    if (!(alpha[k] >= 0.0 && alpha[k] <= 1.0))
      DataFault(nullptr, block, record, "Invalid shape of the %s: the stress ratios must lie in 0..1 (ratio %d: %g).",
                what, k, alpha[k]);
  }
}

}  // namespace

void CheckParameters_Crack(int code, const MaterialRecord& m, const char* block, int record) {
  const CrackSlots& s = SlotsOf(code);
  const SolidCrackModel& model = CrackModelOf(code);
  const CrackParams p = CrackParamsOf(model, m);
  if (!(p.E > 0.0)) DataFault(nullptr, block, record, "The modulus of elasticity must be positive: %g.", p.E);
  if (!(p.nu > -1.0 && p.nu < 0.5))
    DataFault(nullptr, block, record, "The Poisson's ratio must lie between -1 and 0.5: %g.", p.nu);
  if (!(V(m, s, s.ft) > 0.0))
    DataFault(nullptr, block, record, "The tensile strength must be positive: %g.", V(m, s, s.ft));
  // The cracking strain ft/E of concrete is of the order 1e-4 in any units; one or more is
  // no material (and leaves the softening laws' energies out of range).
  if (!(V(m, s, s.ft) / p.E <= 1.0))
    DataFault(nullptr, block, record,
              "The tensile strength over the modulus of elasticity must be at most 1: %g\n(ft = %g, E = %g).",
              V(m, s, s.ft) / p.E, V(m, s, s.ft), p.E);
  if (!(V(m, s, s.gf) > 0.0))
    DataFault(nullptr, block, record, "The fracture energy must be positive: %g.", V(m, s, s.gf));
  if (p.law < 1 || p.law > s.nLaws)
    DataFault(nullptr, block, record, "Invalid softening law code: %d (valid: 1 to %d).", p.law, s.nLaws);
  CheckLawShape(p.law, p.shape, "softening law", block, record);
  if (p.retention < 1 || p.retention > 4)
    DataFault(nullptr, block, record, "Invalid shear retention law code: %d (valid: 1 to 4).", p.retention);
  if ((p.retention == 1 || p.shearLaw >= 1) && !(p.beta >= 0.0 && p.beta < 1.0))
    DataFault(nullptr, block, record, "The shear retention factor must lie in [0, 1): %g.", p.beta);
  if (model.shearLaw != 0) {
    const int top = model.linearShearOnly ? 1 : 3;
    if (p.shearLaw < 0 || p.shearLaw > top)
      DataFault(nullptr, block, record, "Invalid crack shear softening law code: %d (valid: 0 to %d).", p.shearLaw,
                top);
    if (p.shearLaw >= 1 && p.retention != 1)
      DataFault(nullptr, block, record, "Crack shear softening needs the constant shear retention law (code 1).");
    if (p.shearLaw == 2) CheckLawShape(kLawTrilinear, p.shearShape, "shear softening law", block, record);
    if (p.shearLaw >= 1 && s.gfII != 0 && !(V(m, s, s.gfII) > 0.0))
      DataFault(nullptr, block, record, "The mode-II fracture energy must be positive: %g.", V(m, s, s.gfII));
    if (p.shearLaw >= 1 && s.shearStrength != 0 && !(V(m, s, s.shearStrength) > 0.0))
      DataFault(nullptr, block, record, "The crack shear strength must be positive: %g.", V(m, s, s.shearStrength));
  }
  // The transverse shear law of a cracked shell layer (values 30 to 36 of the plane kinds).
  if (code == MAT_NLMM104 || code == MAT_NLMM142) {
    const int kind = MatSlotInt(m, code, code == MAT_NLMM104 ? 90 : 99, 1);
    if (kind < 0 || kind > 3)
      DataFault(nullptr, block, record, "Invalid transverse shear law: %d (valid: 0 to 3).", kind);
  }
  if (model.shearMode != 0 && (p.shearMode < 1 || p.shearMode > 2))
    DataFault(nullptr, block, record, "Invalid crack shear stress option: %d (valid: 1 or 2).", p.shearMode);
  const int option = I(m, s, s.bandSlot, s.bandWord);
  if (option < 1 || option > s.maxOption)
    DataFault(nullptr, block, record, "Invalid crack band option: %d (valid: 1 to %d).", option, s.maxOption);
  if (option == 1 && !(V(m, s, s.bandConst) > 0.0))
    DataFault(nullptr, block, record, "The constant crack band width must be positive: %g.", V(m, s, s.bandConst));
  const int maxCracks = I(m, s, s.maxCracks, 1);
  if (maxCracks < 1 || maxCracks > 4)
    DataFault(nullptr, block, record, "Invalid maximum number of cracks: %d (valid: 1 to 4).", maxCracks);
  // The closing check of the cracks has no form for its option 2.
  if (model.closeOption != 0 && MatSlotInt(m, code, model.closeOption, model.closeOptionWord) == 2)
    DataFault(nullptr, block, record, "Invalid option of the crack-closing check: 2 (the option is not available).");
}
