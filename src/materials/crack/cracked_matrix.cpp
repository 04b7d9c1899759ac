// The cracked point of the solid crack models: the model descriptions, the parameters of
// a record, the active cracks packed out of the point record, the crack axes T, the
// angle of a direction with the existing cracks, the principal stresses and the cracked
// tangent D = Dco (I - T^T A).
#include <algorithm>
#include <cmath>

#include "materials/crack/plane_cracks.h"
#include "materials/material_slots.h"
#include "numcore/numcore.h"

// The elasto-plastic models keep the crack parameters further on (nine slots in both
// families, three in the simple plane one); the reference stress stays at slot 68.
const SolidCrackModel kModel111 = {
    .code = MAT_NLMM111, .name = "_NLMM111",
    .nc = 3, .ns = 6, .nLaws = kFourLaws,
    .nu = 66, .E = 67, .ref = 68, .ft = 69, .law = 70, .gf = 77,
    .shearLaw = 79, .retention = 84, .retentionWord = 1, .beta = 85, .shearMode = 86, .shearModeWord = 1,
    .residualNormal = false, .floor = kFloorModes,
    .shearOptionInIncrement = true, .acceptSmallest = true, .floorInIterations = true,
    .orthoConstraint = false, .patternCheck = false, .linearShearOnly = false,
    .maxCracks = 91, .closeOption = 89, .closeOptionWord = 1, .band = 89, .bandWord = 2,
    .thresholds = true, .gfUpdate = 0, .bandAtInit = true, .newCrackChoice = kChoiceAtTransitions,
};
const SolidCrackModel kModel102 = {
    .code = MAT_NLMM102, .name = "_NLMM102",
    .nc = 3, .ns = 6, .nLaws = kThreeLaws,
    .nu = 66, .E = 67, .ref = 68, .ft = 69, .law = 70, .gf = 75,
    .shearLaw = 0, .retention = 77, .retentionWord = 1, .beta = 78, .shearMode = 79, .shearModeWord = 1,
    .residualNormal = true, .floor = kFloorPlain,
    .shearOptionInIncrement = false, .acceptSmallest = false, .floorInIterations = false,
    .orthoConstraint = false, .patternCheck = false, .linearShearOnly = false,
    .maxCracks = 82, .closeOption = 79, .closeOptionWord = 2, .band = 80, .bandWord = 1,
    .thresholds = false, .gfUpdate = 0, .bandAtInit = true, .newCrackChoice = kChoiceAtTransitions,
};
const SolidCrackModel kModel151 = {
    .code = MAT_NLMM151, .name = "_NLMM151",
    .nc = 3, .ns = 6, .nLaws = kFourLaws,
    .nu = 66, .E = 67, .ref = 68, .ft = 78, .law = 79, .gf = 86,
    .shearLaw = 88, .retention = 93, .retentionWord = 1, .beta = 94, .shearMode = 95, .shearModeWord = 1,
    .residualNormal = false, .floor = kFloorModes,
    .shearOptionInIncrement = true, .acceptSmallest = true, .floorInIterations = true,
    .orthoConstraint = false, .patternCheck = false, .linearShearOnly = false,
    .maxCracks = 100, .closeOption = 98, .closeOptionWord = 1, .band = 98, .bandWord = 2,
    .thresholds = true, .gfUpdate = 0, .bandAtInit = true, .newCrackChoice = kChoiceAtTransitions,
};
const SolidCrackModel kModel104 = {
    .code = MAT_NLMM104, .name = "_NLMM104",
    .nc = 2, .ns = 3, .nLaws = kFourLaws,
    .nu = 66, .E = 67, .ref = 68, .ft = 69, .law = 70, .gf = 77,
    .shearLaw = 81, .retention = 81, .retentionWord = 2, .beta = 82, .shearMode = 83, .shearModeWord = 1,
    .residualNormal = false, .floor = kFloorModes,
    .shearOptionInIncrement = true, .acceptSmallest = true, .floorInIterations = true,
    .orthoConstraint = false, .patternCheck = true, .linearShearOnly = true,
    .maxCracks = 88, .closeOption = 86, .closeOptionWord = 1, .band = 86, .bandWord = 2,
    .thresholds = true, .gfUpdate = 78, .bandAtInit = true, .newCrackChoice = kChoiceAtEnd,
};
const SolidCrackModel kModel142 = {
    .code = MAT_NLMM142, .name = "_NLMM142",
    .nc = 2, .ns = 3, .nLaws = kFourLaws,
    .nu = 66, .E = 67, .ref = 68, .ft = 78, .law = 79, .gf = 86,
    .shearLaw = 90, .retention = 90, .retentionWord = 2, .beta = 91, .shearMode = 92, .shearModeWord = 1,
    .residualNormal = false, .floor = kFloorModesShearOnly,
    .shearOptionInIncrement = true, .acceptSmallest = true, .floorInIterations = true,
    .orthoConstraint = false, .patternCheck = false, .linearShearOnly = true,
    .maxCracks = 97, .closeOption = 95, .closeOptionWord = 1, .band = 95, .bandWord = 2,
    .thresholds = true, .gfUpdate = 87, .bandAtInit = false, .newCrackChoice = kChoiceAtEnd,
};
const SolidCrackModel kModel101 = {
    .code = MAT_NLMM101, .name = "_NLMM101",
    .nc = 2, .ns = 3, .nLaws = kThreeLaws,
    .nu = 66, .E = 67, .ref = 68, .ft = 69, .law = 70, .gf = 75,
    .shearLaw = 0, .retention = 77, .retentionWord = 1, .beta = 78, .shearMode = 0, .shearModeWord = 1,
    .residualNormal = false, .floor = kFloorModes,
    .shearOptionInIncrement = false, .acceptSmallest = false, .floorInIterations = false,
    .orthoConstraint = true, .patternCheck = false, .linearShearOnly = false,
    .maxCracks = 81, .closeOption = 79, .closeOptionWord = 1, .band = 79, .bandWord = 2,
    .thresholds = false, .gfUpdate = 0, .bandAtInit = false, .newCrackChoice = kChoiceByFactors,
};
const SolidCrackModel kModel141 = {
    .code = MAT_NLMM141, .name = "_NLMM141",
    .nc = 2, .ns = 3, .nLaws = kThreeLaws,
    .nu = 66, .E = 67, .ref = 68, .ft = 72, .law = 73, .gf = 78,
    .shearLaw = 0, .retention = 80, .retentionWord = 1, .beta = 81, .shearMode = 0, .shearModeWord = 1,
    .residualNormal = false, .floor = kFloorOrthoPair,
    .shearOptionInIncrement = false, .acceptSmallest = false, .floorInIterations = false,
    .orthoConstraint = true, .patternCheck = false, .linearShearOnly = false,
    .maxCracks = 84, .closeOption = 82, .closeOptionWord = 1, .band = 82, .bandWord = 2,
    .thresholds = false, .gfUpdate = 0, .bandAtInit = false, .newCrackChoice = kChoiceByFactors,
};

CrackParams CrackParamsOf(const SolidCrackModel& model, const MaterialRecord& m) {
  const auto V = [&](int slot) { return MatSlotValue(m, model.code, slot); };
  const auto I = [&](int slot, int word) { return MatSlotInt(m, model.code, slot, word); };
  CrackParams p{};
  p.model = &model;
  p.E = V(model.E);
  p.nu = V(model.nu);
  p.G = p.E / (2.0 * (1.0 + p.nu));
  p.ref = V(model.ref);
  p.Emin = std::max(p.E * 1e-6, kSmall);
  p.Gmin = std::max(p.G * 1e-6, kSmall);
  p.law = I(model.law, 1);
  const int a = model.law + 1;
  p.shape = {V(a), V(a + 1), V(a + 2), V(a + 3), 0.0, 0.0};
  if (model.nLaws == kFourLaws) {
    p.shape.xi3 = V(a + 4);
    p.shape.alpha3 = V(a + 5);
  }
  p.retention = I(model.retention, model.retentionWord);
  p.beta = V(model.beta);
  if (model.shearLaw != 0) {
    p.shearLaw = I(model.shearLaw, 1);
    if (!model.linearShearOnly) {
      const int b = model.shearLaw + 1;
      p.shearShape = {V(b), V(b + 1), V(b + 2), V(b + 3), 0.0, 0.0};
    }
  }
  // Without a shear option the crack shear stress is incremental.
  p.shearMode = model.shearMode != 0 ? I(model.shearMode, model.shearModeWord) : 1;
  // The elements link a pattern component to its pattern before they call it.
  p.inPattern = model.patternCheck && m.LinkOwnerCode == MAT_NLMM_PATT;
  p.patternFault = p.inPattern && m.LinkComposition != 12;
  return p;
}

// ---- active cracks ---------------------------------------------------------------------------

namespace {

// Arrays of n active cracks with nc components each.
void AllocActiveCracks(int n, int nc, ActiveCracks* c) {
  *c = ActiveCracks{};
  c->n = n;
  for (int** v : {&c->status, &c->shear1, &c->shear2}) alloci1(v, n);
  for (double** v : {&c->ft, &c->gf, &c->gfII, &c->h, &c->tau1, &c->tau2, &c->k1, &c->k2, &c->epsMax, &c->gMax1,
                     &c->gMax2}) {
    allocd1(v, n);
    zerod1(*v, n);
  }
  allocd2(&c->dir, n, 3);
  allocd1(&c->twist, n);
  zerod1(c->twist, n);
  allocd1(&c->angle, n);
  zerod1(c->angle, n);
  allocd1(&c->e, nc * n);
  allocd1(&c->s, nc * n);
}

// The crack part that all record kinds share: a solid record gives the normals (dir),
// a plane one the angles (angleRows, column 1, or angleVec).
struct CrackFields {
  int nc;
  int nCr;
  const int32_t* status;
  double** dir;
  const double *ft, *gf, *h, *epsMax, *e, *s;
  double** angleRows;
  const double* angleVec;
};

// Packs the common fields; returns the record's crack numbers of the active cracks.
void PackCommon(int nA, const CrackFields& r, ActiveCracks* c, int* from) {
  if (nA > 0 && r.nCr < 1) InternalError(__FILE__, __LINE__);
  const int nc = r.nc;
  AllocActiveCracks(nA, nc, c);
  int j = 0;
  for (int k = 1; k <= r.nCr; k++) {
    if (r.status[k] == kCrClosed) continue;
    if (++j > nA) InternalError(__FILE__, __LINE__);
    from[j] = k;
    c->status[j] = r.status[k];
    c->shear1[j] = c->shear2[j] = kShLoadingStiff;
    c->ft[j] = r.ft[k];
    c->gf[j] = r.gf[k];
    c->h[j] = r.h[k];
    c->epsMax[j] = r.epsMax[k];
    if (r.dir != nullptr)
      for (int d = 1; d <= 3; d++) c->dir[j][d] = r.dir[k][d];
    if (r.angleRows != nullptr) c->angle[j] = r.angleRows[k][1];
    if (r.angleVec != nullptr) c->angle[j] = r.angleVec[k];
    for (int d = 1; d <= nc; d++) {
      c->e[nc * (j - 1) + d] = r.e[nc * (k - 1) + d];
      c->s[nc * (j - 1) + d] = r.s[nc * (k - 1) + d];
    }
  }
  if (j != nA) InternalError(__FILE__, __LINE__);
}

int CountActive(int nCr, const int32_t* status) {
  if (nCr < 0 || nCr > 4) InternalError(__FILE__, __LINE__);
  int n = 0;
  for (int k = 1; k <= nCr; k++)
    if (status[k] != kCrClosed) n++;
  return n;
}

}  // namespace

void FreeActiveCracks(ActiveCracks* c) {
  for (int* v : {c->status, c->shear1, c->shear2}) freei1(v);
  for (double* v : {c->ft, c->gf, c->gfII, c->h, c->tau1, c->tau2, c->k1, c->k2, c->epsMax, c->gMax1, c->gMax2, c->e,
                    c->s, c->angle, c->twist})
    freed1(v);
  freed2(c->dir);
  *c = ActiveCracks{};
}

int CalcNumActiveCr_NLMM111(const CrackPart111& r) { return CountActive(r.nCr, r.CrStatus); }
int CalcNumActiveCr_NLMM102(const NLMM101_HD& r) { return CountActive(r.nCr, r.CrStatus); }

namespace {

// The crack fields every crack record keeps under the same names.
template <class R>
CrackView BaseView(const SolidCrackModel& model, R& r) {
  CrackView v{};
  v.model = &model;
  v.nCr = &r.nCr;
  v.angle = &r.CrThresholdAngle;
  v.status = r.CrStatus;
  v.h = r.CrBandWidth;
  v.gf = r.CrGf;
  v.ft = r.CrTensileStrength;
  v.e = r.CrStrain;
  v.s = r.CrStress;
  return v;
}

// The crack fields of the simple records (_NLMM101/_NLMM102 and _NLMM141).
template <class R>
CrackView SimpleView(const SolidCrackModel& model, R& r) {
  CrackView v = BaseView(model, r);
  v.epsMax = r.CrStrainMax;
  return v;
}

}  // namespace

// The crack fields of the solid part shared by _NLMM111 and _NLMM151.
CrackView CrackPartView(CrackPart111& r) {
  CrackView v = BaseView(kModel111, r);
  v.shear1 = r.CrAuxStatus;
  v.shear2 = r.CrAuxStatus2;
  v.dir = r.CrDirection;
  v.twist = r.CrAux[CrackPart111::kAuxTwist];
  v.gfII = r.CrGfII;
  v.k1 = r.CrShearStiffness;
  v.k2 = r.CrShearStiffness2;
  v.tau1 = r.CrShearStrength;
  v.tau2 = r.CrShearStrength2;
  v.reop = r.CrAux[CrackPart111::kAuxReopThreshold];
  v.close = r.CrAux[CrackPart111::kAuxCloseThreshold];
  v.epsMax = r.CrAux[CrackPart111::kAuxStrainMax];
  v.g1 = r.CrAux[CrackPart111::kAuxShearStrainMax1];
  v.g2 = r.CrAux[CrackPart111::kAuxShearStrainMax2];
  v.tolerance = &r.PointTolerance;
  v.accepted = &r.PointByteC;
  return v;
}

CrackView CrackViewOf(NLMM111_HD& r) {
  CrackView v = CrackPartView(r.Cr);
  v.model = &kModel111;
  v.pointStatus = &r.PointStatus;
  v.stress = r.Stress;
  v.deltaStress = r.StrainAux;
  return v;
}

CrackView CrackViewOf(NLMM101_HD& r, const SolidCrackModel& model) {
  CrackView v = SimpleView(model, r);
  v.pointStatus = &r.PointStatus;
  v.stress = r.Stress;
  // The record keeps the normals of a solid model or the angles of a plane one.
  if (model.ns == 6) v.dir = r.CrDirection;
  else v.angleRows = r.CrAngle;
  return v;
}

// The crack fields of the plane part shared by _NLMM104 and _NLMM142: one shear
// component per crack.
CrackView CrackPartView(CrackPart104& r) {
  CrackView v = SimpleView(kModel104, r);
  v.shear1 = r.CrAuxStatus;
  v.angleRows = r.CrAngle;
  v.gfInitial = r.CrGfInitial;
  v.gfII = r.CrGfII;
  v.k1 = r.CrShearStiffness;
  v.tau1 = r.CrShearStrength;
  v.reop = r.CrReopThreshold;
  v.close = r.CrCloseThreshold;
  v.g1 = r.CrShearStrainMax;
  v.maxSliding = r.CrMaxSliding;
  v.tolerance = &r.PointTolerance;
  v.accepted = &r.PointByteC;
  return v;
}

CrackView CrackViewOf(NLMM104_HD& r) {
  CrackView v = CrackPartView(r.Cr);
  v.pointStatus = &r.PointStatus;
  v.stress = r.Stress;
  return v;
}

CrackView CrackViewOf(NLMM142_HD& r) {
  CrackView v = CrackPartView(r.Cr);
  v.model = &kModel142;
  v.pointStatus = &r.Pl.PointStatus;
  // The cracks and the plasticity act on the stress before the compressive damage.
  v.stress = r.Pl.PlasticStress;
  v.plastic = &r.Pl;
  return v;
}

CrackView CrackViewOf(NLMM141_HD& r) {
  CrackView v = SimpleView(kModel141, r);
  v.pointStatus = &r.Pl.PointStatus;
  v.stress = r.Pl.Stress;
  v.angleVec = r.CrAngleVector;
  v.owenFig = &r.Pl;
  return v;
}

void AssignActCrData(int nA, const CrackView& v, ActiveCracks* c) {
  int from[5] = {0, 0, 0, 0, 0};
  PackCommon(nA, {v.model->nc, *v.nCr, v.status, v.dir, v.ft, v.gf, v.h, v.epsMax, v.e, v.s, v.angleRows, v.angleVec},
             c, from);
  for (int j = 1; j <= nA; j++) {
    const int k = from[j];
    if (v.twist != nullptr) c->twist[j] = v.twist[k];
    if (v.shear1 != nullptr) {
      c->shear1[j] = v.shear1[k];
      c->gfII[j] = v.gfII[k];
      c->tau1[j] = v.tau1[k];
      c->k1[j] = v.k1[k];
      c->gMax1[j] = v.g1[k];
    }
    if (v.shear2 != nullptr) {  // the second shear component of a solid crack
      c->shear2[j] = v.shear2[k];
      c->tau2[j] = v.tau2[k];
      c->k2[j] = v.k2[k];
      c->gMax2[j] = v.g2[k];
    }
  }
}

int CalcNumActiveCr(const CrackView& v) { return CountActive(*v.nCr, v.status); }

void AssignActCrData_NLMM111(int nA, const CrackPart111& r, ActiveCracks* c) {
  AssignActCrData(nA, CrackPartView(const_cast<CrackPart111&>(r)), c);
}

void AssignActCrData_NLMM102(int nA, const NLMM101_HD& r, ActiveCracks* c) {
  AssignActCrData(nA, CrackViewOf(const_cast<NLMM101_HD&>(r)), c);
}

// ---- plane records ----------------------------------------------------------------------------

int CalcNumActiveCr_NLMM104(const CrackPart104& r) { return CountActive(r.nCr, r.CrStatus); }
int CalcNumActiveCr_NLMM101(const NLMM101_HD& r) { return CountActive(r.nCr, r.CrStatus); }
int CalcNumActiveCr_NLMM141(const NLMM141_HD& r) { return CountActive(r.nCr, r.CrStatus); }

void AssignActCrData_NLMM104(int nA, const CrackPart104& r, ActiveCracks* c) {
  AssignActCrData(nA, CrackPartView(const_cast<CrackPart104&>(r)), c);
}

void AssignActCrData_NLMM101(int nA, const NLMM101_HD& r, ActiveCracks* c) {
  AssignActCrData(nA, CrackViewOf(const_cast<NLMM101_HD&>(r), kModel101), c);
}

void AssignActCrData_NLMM141(int nA, const NLMM141_HD& r, ActiveCracks* c) {
  AssignActCrData(nA, CrackViewOf(const_cast<NLMM141_HD&>(r)), c);
}

// ---- crack axes and angles ----------------------------------------------------------------

void CrackAxes3D(const double* n, double twist, double** L) {
  CalcOrthonormalTriad(n, L);
  if (twist == 0.0) return;
  const double c = std::cos(twist), s = std::sin(twist);
  for (int i = 1; i <= 3; i++) {
    const double t = L[1][i];
    L[1][i] = c * t + s * L[2][i];
    L[2][i] = c * L[2][i] - s * t;
  }
}

void CalcMat_Tcr_3D(int nA, double** T, double** dir, const double* twist) {
  double** L;
  allocd2(&L, 3, 3);
  for (int j = 1; j <= nA; j++) {
    CrackAxes3D(dir[j], twist != nullptr ? twist[j] : 0.0, L);
    const double* t = L[1];
    const double* s = L[2];
    const double* n = L[3];
    const double* rows[3] = {n, t, s};
    for (int q = 0; q < 3; q++) {
      const double* a = rows[q];
      double* row = T[3 * (j - 1) + q + 1];
      row[1] = a[1] * n[1];
      row[2] = a[2] * n[2];
      row[3] = a[3] * n[3];
      row[4] = a[2] * n[3] + a[3] * n[2];
      row[5] = a[1] * n[3] + a[3] * n[1];
      row[6] = a[1] * n[2] + a[2] * n[1];
    }
  }
  freed2(L);
}

double CalcDeltaCrAngle(const double* d, int nCr, double** dir) {
  if (nCr < 1) InternalError(__FILE__, __LINE__);
  double best = 8.0 * std::atan(1.0);
  for (int k = 1; k <= nCr; k++) {
    const double a = CrackAngleBetween3D(d, dir[k]);
    if (a < best) best = a;
  }
  if (!(best >= 0.0 && best <= 2.0 * std::atan(1.0))) InternalError(__FILE__, __LINE__);
  return best;
}

double CalcDeltaCrAngle_NLMM111(const double* d, const NLMM111_HD& r) {
  return CalcDeltaCrAngle(d, r.Cr.nCr, r.Cr.CrDirection);
}
double CalcDeltaCrAngle_NLMM102(const double* d, const NLMM101_HD& r) {
  return CalcDeltaCrAngle(d, r.nCr, r.CrDirection);
}
double CalcDeltaCrAngle_NLMM151(const double* d, const NLMM151_HD& r) {
  return CalcDeltaCrAngle(d, r.Cr.nCr, r.Cr.CrDirection);
}

bool CalcPrincipalStresses3D(double** dir, double* values, const double* stress) {
  double** S;
  allocd2(&S, 3, 3);
  S[1][1] = stress[1];
  S[2][2] = stress[2];
  S[3][3] = stress[3];
  S[2][3] = S[3][2] = stress[4];
  S[1][3] = S[3][1] = stress[5];
  S[1][2] = S[2][1] = stress[6];
  zerod1(values, 3);
  int nrot = 0;
  double offmax = 0.0;
  const bool ok = eigjacobi(S, 3, values, dir, &nrot, &offmax);
  freed2(S);
  if (dir[2][3] < 0.0)
    for (int i = 1; i <= 3; i++) dir[i][3] = -dir[i][3];
  return ok;
}

// ---- cracked tangent --------------------------------------------------------------------------

void CalcMat_TcrT_A(const PointContext& at, const SolidCrackModel& model, int n, double** X, double** Dco,
                    double** Dcr, double** T) {
  double** A;
  allocd2(&A, n, model.ns);
  CalcMat_A(at, model, n, Dco, Dcr, T, A);
  multtd2d2(X, T, A, model.ns, n, model.ns);
  freed2(A);
}

void CalcMat_Decr(const CrackParams& p, const PointContext& at, const ActiveCracks& c, double** T, double** Dco,
                  double** D, const double* share) {
  const int ns = p.model->ns;
  if (c.n == 0) {
    copyd2(D, Dco, ns, ns);
    return;
  }
  const int n = p.model->nc * c.n;
  double **Dcr, **X;
  allocd2(&Dcr, n, n);
  allocd2(&X, ns, ns);
  zerod2(Dcr, n, n);
  if (p.patternFault) InternalError(__FILE__, __LINE__);
  Calc_Dcr(p, c, c.e, c.e, c.s, Dcr);
  ApplyMinCrStiff(p, c, 0, Dcr);
  if (share == nullptr) {
    CalcMat_TcrT_A(at, *p.model, n, X, Dco, Dcr, T);
  } else {
    double** A;
    allocd2(&A, n, ns);
    CalcMat_A(at, *p.model, n, Dco, Dcr, T, A);
    for (int i = 1; i <= n; i++)
      for (int k = 1; k <= ns; k++) A[i][k] *= share[i];
    multtd2d2(X, T, A, ns, n, ns);
    freed2(A);
  }
  // D = Dco (I - X)
  scaled2(X, ns, ns, -1.0);
  for (int i = 1; i <= ns; i++) X[i][i] += 1.0;
  multd2d2(D, Dco, X, ns, ns, ns);
  freed2(X);
  freed2(Dcr);
}

void CalcMat_DecrOfCracks(const CrackParams& p, const PointContext& at, const ActiveCracks& c, double** Dco,
                          double** D, const double* share) {
  if (c.n == 0) {
    copyd2(D, Dco, p.model->ns, p.model->ns);
    return;
  }
  double** T;
  allocd2(&T, p.model->nc * c.n, p.model->ns);
  CalcMat_TcrOfCracks(*p.model, c, T);
  CalcMat_Decr(p, at, c, T, Dco, D, share);
  freed2(T);
}

void CalcMat_TcrOfCracks(const SolidCrackModel& model, const ActiveCracks& c, double** T) {
  if (model.nc == 2)
    CalcMat_Tcr(c.n, T, c.angle);
  else
    CalcMat_Tcr_3D(c.n, T, c.dir, c.twist);
}

bool NewCrackShares(const CrackView& now, const CrackView& start, const double* strain, double** Dco,
                    double* share) {
  const int nc = now.model->nc, ns = now.model->ns;
  if (*start.nCr > *now.nCr) InternalError(__FILE__, __LINE__);
  if (*start.nCr == *now.nCr) return false;
  double** T;
  allocd2(&T, nc, ns);
  bool born = false;
  for (int k = 1, j = 0; k <= *now.nCr; k++) {
    if (now.status[k] == kCrClosed) continue;
    j++;
    for (int q = 1; q <= nc; q++) share[nc * (j - 1) + q] = 1.0;
    if (k <= *start.nCr) continue;
    // Normal traction along the step's elastic path: tn(t) = T1 (sigma0 + t Dco dEps),
    // T1 the crack's normal row (the views' arrays shifted to hold crack k at 1).
    if (nc == 2) {
      const double angle[2] = {0.0, now.angleRows != nullptr ? now.angleRows[k][1] : now.angleVec[k]};
      CalcMat_Tcr(1, T, angle);
    } else {
      CalcMat_Tcr_3D(1, T, now.dir + (k - 1), now.twist != nullptr ? now.twist + (k - 1) : nullptr);
    }
    double t0 = 0.0, rate = 0.0;
    for (int i = 1; i <= ns; i++) {
      t0 += T[1][i] * start.stress[i];
      for (int l = 1; l <= ns; l++) rate += T[1][i] * Dco[i][l] * strain[l];
    }
    const double t = rate > 0.0 ? std::clamp((now.ft[k] - t0) / rate, 0.0, 1.0) : 0.0;
    for (int q = 2; q <= nc; q++) share[nc * (j - 1) + q] = 1.0 - t;
    born = true;
  }
  freed2(T);
  return born;
}

const double* StepCrackShares(const CrackView& now, const double* strainNow, const CrackView& start,
                              const double* strainStart, double** Dco, double* share) {
  double d[7];
  for (int i = 1; i <= now.model->ns; i++) d[i] = strainNow[i] - strainStart[i];
  return NewCrackShares(now, start, d, Dco, share) ? share : nullptr;
}
