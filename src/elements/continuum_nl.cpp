// Materially nonlinear continuum elements: the plane quadrilaterals (plane strain 13,
// plane stress 10) and the integration skeleton they share with the solid hexahedron.
// At every sampling point the material point gives the tangent D or advances its record
// by the strain increment and gives the stress; the element integrates B^T D B or B^T s.
#include <cmath>
#include <initializer_list>

#include "elements/behaviour.h"
#include "elements/elements.h"
#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "elements/shell_solid.h"
#include "history/history.h"
#include "materials/elastic.h"
#include "materials/material_point.h"
#include "materials/material_table.h"
#include "materials/continuum_point.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

// One call of the skeleton: the element, its kind and what is asked of it.
struct ContinuumCall {
  int type, comb, nDof, elem, iter, nNodes, prop;
  const Index_HD* indexHD;
  const MeshData* mesh;
  NLMM_HD* hd;
  const int* elemToHD;
  const ContinuumStepState* step;
  bool tangent;  // Kg, else the internal forces
  // The kind, from the type:
  bool solid = false, stress = false;  // hexahedron; plane stress quadrilateral (with a thickness)
  int dim = 0, nc = 0;                 // coordinates, strain components
  StressState state = kStateNone;      // what the material points are told
  const char* context = nullptr;       // context line of the messages
};

// The material at the points, identified once for the element: what the material point
// makes of the point's records (one kind, or a pattern composed there), and the kind whose
// law acts on the point's own record with its material record (a pattern's crack model).
struct ContinuumMaterial {
  int code;  // the element group's material code
  ContinuumPointMaterial point;
  int pointCode;
  const MaterialRecord* mat;
};

// The kinematic description of the call and what the history mode makes of the records.
struct ContinuumDescription {
  bool geometric;      // prevCoord given
  bool total;          // total Lagrangian, else updated
  bool fromConverged;  // the records restart from the converged state at every residual
};

// Point counts and line rules along s1, s2, s3 (s3 a single point of weight 1 in the plane).
struct PointRules {
  int c[4];
  const double* a[4];
  const double* w[4];
};

// Work arrays of every call; D, DB of the tangent, eps, fk of the forces, t of plane stress.
struct ContinuumWork {
  double **X, **dN, **dNdx, **J, **Jinv, **B, **D, **DB;
  double *N, *sigma, *eps, *fk, *t;
};

// Geometric work: nodal coordinates of the converged configuration, nodal displacements
// from the reference of the current iterate (u) and of the iterate before the increment
// (up); B_NL, G, stress tensor and matrix. A plane-stress sheet: its initial coordinates,
// det J of the reference at the point and the stretch across the sheet there.
struct GeometricWork {
  double **Xc, **u, **up, **BNL, **G, **T, **S, **SG, **Rot, **DS, **X0;
  double *pk2, *E;
  double det;
  SheetThinning thin;
};

// Temperature strains of the internal forces: the coefficient of the element group; the
// increment since the last converged state enters the records once, in every iteration
// when they restart from the converged state, in the first when they carry on.
struct ThermalTerms {
  bool thermal;    // a single-material solid that takes the thermal strain
  bool stepTemps;  // the increment of the temperatures enters this iteration
  double alpha;
  double** D0;     // elastic matrix of the thermal stress
};

// Oliver's crack band of a crack model: the element's centre, and at each point the
// derivatives of the element (option 4) or of the sub-element around the point (5); a
// quadrilateral measures the step of option 5 on the sub-element itself.
struct CrackBand {
  int band;
  double centre[4];
  double **gSub, **ySub;
  double* N0;
  CrackBandGeometry geometry;
};

// Everything one call works on, built step by step before the point loop.
struct ContinuumElement {
  ContinuumCall call;
  ContinuumMaterial material;
  ContinuumDescription kin;
  PointRules rules;
  ContinuumWork work;
  GeometricWork geo;
  ThermalTerms heat;
  CrackBand crack;
  int point;  // the sampling point being integrated
};

// A sampling point: its number in the record order, its rule indices, natural
// coordinates and integration factor.
struct ContinuumPoint {
  int ip;
  int i[4];
  double s[4];
  double f;
};

bool Banded(const CrackBand& b) { return b.band == 4 || b.band == 5; }

// The history mode the driver built the records for: 1 they restart from the converged
// state at every residual, the increment du being the whole one since then; 2 they carry
// on from the last iterate, du the last correction.
bool RecordsCarryOn(const NLMM_HD* hd) {
  switch (hd->PathBehavior) {
    case 1:
      return false;
    case 2:
      return true;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void IdentifyKind(ContinuumCall* e) {
  e->solid = e->type == _SOLID_HEXA;
  e->stress = e->type == _PLANE_STRESS_QUAD;
  e->dim = e->solid ? 3 : 2;
  e->state = StressStateOfType(e->type);
  e->nc = ContinuumComponents(e->state);
  e->context = e->tangent ? kCtxStiffness : kCtxIntForces;
  if (e->nDof != e->dim * e->nNodes) InternalError(__FILE__, __LINE__);
  if (!e->solid) CheckElemNodeCount(ElemFaultContext{e->context, e->elem, 0, 0}, e->type, e->nNodes, 4, 8, 9);
}

void IdentifyMaterial(const ContinuumCall& e, ContinuumMaterial* m) {
  ContinuumPointMaterialOf(e.mesh, e.prop, e.state, &m->point);
  m->code = m->point.code;
  m->pointCode = m->point.kind;
  m->mat = &ContinuumPointRecordOf(m->point);
}

void IdentifyDescription(const ContinuumCall& e, int code, double** prevCoord, ContinuumDescription* d) {
  d->geometric = prevCoord != nullptr;
  const int kinematic = e.mesh->Main.KinematicDescription;
  if (d->geometric) {
    // Material patterns and the kinds without a stress record have no geometric routine.
    if (!ContinuumKindGeometric(code, e.state)) InternalError(__FILE__, __LINE__);
    if (kinematic != 1 && kinematic != 2) InternalError(__FILE__, __LINE__);
  }
  d->total = d->geometric && kinematic == 1;
  // Only the geometric element reads it.
  d->fromConverged = !d->geometric || !RecordsCarryOn(e.hd);
}

// Point counts and rules: the same checked fetch as the linear elements.
void FetchPointRules(const ContinuumCall& e, PointRules* r) {
  static const double kOne[2] = {0.0, 1.0};
  static const double kZero[2] = {0.0, 0.0};
  const ElementProperty& p = e.mesh->ElemProps[e.prop];
  r->c[0] = 0;
  r->c[1] = r->c[2] = r->c[3] = 1;
  CalcElemIntegrationCounts(e.elem, e.context, e.dim, 2, e.prop, e.mesh->Integrations, e.mesh->ElemProps, r->c);
  r->a[0] = r->w[0] = nullptr;
  for (int d = 1; d <= 3; d++) {
    if (d <= e.dim) {
      GetLineIntegrationRule(e.elem, p.IntegrationType, p.IntegrationNumber, r->c[d], &r->a[d], &r->w[d]);
    } else {
      r->a[d] = kZero;
      r->w[d] = kOne;
    }
  }
}

// Allocates the work arrays, clears B and the result and reads the nodal coordinates.
void AllocContinuumWork(const ContinuumCall& e, double** Kg, double* Fint, ContinuumWork* w) {
  const int n = e.nNodes, dim = e.dim, nc = e.nc, nDof = e.nDof;
  for (double*** A : {&w->X, &w->dN, &w->dNdx}) allocd2(A, n, dim);
  for (double*** A : {&w->J, &w->Jinv}) allocd2(A, dim, dim);
  allocd2(&w->B, nc, nDof);
  allocd1(&w->N, n);
  allocd1(&w->sigma, nc);
  if (e.tangent) {
    allocd2(&w->D, nc, nc);
    allocd2(&w->DB, nc, nDof);
    zerod2(Kg, nDof, nDof);
  } else {
    allocd1(&w->eps, nc);
    allocd1(&w->fk, nDof);
    zerod1(Fint, nDof);
  }
  zerod2(w->B, nc, nDof);
  CalcMat_ElemNodeCoord(e.elem, e.type, n, e.mesh->ElemNodes, w->X, e.mesh->PointCoord);
}

// Total: displacements from the initial geometry. Updated: from the converged one, the
// reference, where the increment since then is du itself when the records restart from it.
void ReferenceDisplacements(const ContinuumCall& e, const ContinuumDescription& d, double** X, const double* du,
                            const double* aTotal, GeometricWork* g) {
  for (int k = 1; k <= e.nNodes; k++)
    for (int i = 1; i <= e.dim; i++) {
      const int j = e.dim * (k - 1) + i;
      const double a = aTotal != nullptr ? aTotal[j] : 0.0, dj = du != nullptr ? du[j] : 0.0;
      if (d.total) {
        g->u[k][i] = a;
      } else if (du != nullptr && d.fromConverged) {
        g->u[k][i] = dj;
      } else {
        g->u[k][i] = a - (g->Xc[k][i] - X[k][i]);
      }
      g->up[k][i] = g->u[k][i] - dj;
    }
}

// The updated description integrates on the converged configuration.
void SetUpGeometricWork(const ContinuumCall& e, const ContinuumDescription& d, double** prevCoord, const double* du,
                        const double* aTotal, ContinuumWork* w, GeometricWork* g) {
  const int n = e.nNodes, dim = e.dim, nc = e.nc, d2 = dim * dim;
  for (double*** A : {&g->Xc, &g->u, &g->up}) allocd2(A, n, dim);
  for (double*** A : {&g->T, &g->Rot}) allocd2(A, dim, dim);
  allocd2(&g->BNL, nc, e.nDof);
  for (double** v : {&g->pk2, &g->E}) allocd1(v, nc);
  CalcMat_ElemNodeCoord(e.elem, e.type, n, e.mesh->ElemNodes, g->Xc, prevCoord);
  ReferenceDisplacements(e, d, w->X, du, aTotal, g);
  g->X0 = nullptr;
  if (e.stress) {
    allocd2(&g->X0, n, dim);
    copyd2(g->X0, w->X, n, dim);
  }
  if (!d.total) copyd2(w->X, g->Xc, n, dim);
  if (e.tangent) {
    allocd2(&g->G, d2, e.nDof);
    allocd2(&g->S, d2, d2);
    allocd2(&g->SG, d2, e.nDof);
    allocd2(&g->DS, nc, nc);
    zerod2(g->G, d2, e.nDof);
    zerod2(g->S, d2, d2);
  }
}

void SetUpThermalTerms(const ContinuumCall& e, const ContinuumMaterial& m, const double* Fint, ThermalTerms* h) {
  const bool forces = Fint != nullptr && e.step != nullptr;
  const bool moment = m.point.readsMoment;
  h->thermal = forces && e.solid && !m.point.composed && e.step->tempTotal != nullptr &&
               SolidKindTakesThermalStrain(m.code);
  h->stepTemps = (moment || h->thermal) && (!RecordsCarryOn(e.hd) || e.iter == 1);
  h->alpha = forces && (moment || h->thermal) ? CalcTempCoef_NL(e.mesh, e.prop) : 0.0;
  h->D0 = nullptr;
  if (h->thermal) {
    allocd2(&h->D0, 6, 6);
    CalcMat_D_Solid_NL(e.mesh, e.prop, h->D0);
  }
}

// The temperature strains of a point from its variation dT and its increment dTs.
void TemperatureStrains(double alpha, double dT, double dTs, double* epsT, double* depsT) {
  for (int k = 1; k <= 6; k++) epsT[k] = depsT[k] = 0.0;
  for (int k = 1; k <= 3; k++) {
    epsT[k] = alpha * dT;
    depsT[k] = alpha * dTs;
  }
}

void SetUpCrackBand(const ContinuumCall& e, const ContinuumMaterial& m, ContinuumWork* w, CrackBand* b) {
  b->band = SolidCrackBandOption(m.pointCode, *m.mat);
  for (double& x : b->centre) x = 0.0;
  b->gSub = b->ySub = nullptr;
  b->N0 = nullptr;
  b->geometry = CrackBandGeometry{e.nNodes, w->X, b->centre, w->dNdx, 1.0};
  if (!Banded(*b)) return;
  const double origin[4] = {0.0, 0.0, 0.0, 0.0};
  if (e.solid)
    CalcShapeFuncSolidHexa(e.nNodes, w->N, origin);
  else
    CalcShapeFuncQuad(e.nNodes, w->N, origin);
  for (int i = 1; i <= e.nNodes; i++)
    for (int k = 1; k <= e.dim; k++) b->centre[k] += w->X[i][k] * w->N[i];
  if (b->band != 5) return;
  allocd2(&b->gSub, e.nNodes, e.dim);
  b->geometry.gradN = b->gSub;
  if (!e.solid) {
    allocd2(&b->ySub, e.nNodes, 2);
    allocd1(&b->N0, e.nNodes);
    copyd1(b->N0, w->N, e.nNodes);
    b->geometry.X = b->ySub;
  }
}

// The rows that crack with the point: the part of the element's width that option 4
// takes, the sub-element of option 5 around the point.
void PointCrackBand(ContinuumElement& el, const ContinuumPoint& pt) {
  const ContinuumCall& e = el.call;
  const PointRules& r = el.rules;
  CrackBand& b = el.crack;
  if (b.band != 4 && b.band != 5) return;
  const double extent[4] = {0.0, CrackZoneWeight(e.dim, e.nNodes, r.c[1], r.w[1], pt.i[1]),
                            CrackZoneWeight(e.dim, e.nNodes, r.c[2], r.w[2], pt.i[2]),
                            e.solid ? CrackZoneWeight(e.dim, e.nNodes, r.c[3], r.w[3], pt.i[3]) : 0.0};
  if (b.band == 4) {
    b.geometry.widthFraction = CrackZoneFraction(e.dim, extent);
    return;
  }
  const OliverPointContext at{e.comb, e.iter, e.elem, pt.ip, MaterialKindName(el.material.pointCode)};
  // The sub-element of option 5 spans the width over which the point's row opens as much
  // as the others (an outer row of three half the middle one's).
  const double opening[4] = {0.0, CrackOpeningWeight(e.dim, e.nNodes, r.c[1], r.w[1], pt.i[1]),
                             CrackOpeningWeight(e.dim, e.nNodes, r.c[2], r.w[2], pt.i[2]),
                             e.solid ? CrackOpeningWeight(e.dim, e.nNodes, r.c[3], r.w[3], pt.i[3]) : 0.0};
  if (e.solid) {
    CalcSubElementGradN(at, e.nNodes, pt.s, el.work.X, opening, b.gSub);
    return;
  }
  CalcSubElementQuad(at, e.nNodes, pt.s, el.work.X, opening, b.gSub, b.ySub);
  b.centre[1] = b.centre[2] = 0.0;
  for (int i = 1; i <= e.nNodes; i++)
    for (int k = 1; k <= 2; k++) b.centre[k] += b.ySub[i][k] * b.N0[i];
}

// Shape functions, Jacobian, Cartesian derivatives and B at the point (B_L0 + B_NL on a
// geometric element); returns det J.
double PointKinematics(ContinuumElement& el, const double* s) {
  const ContinuumCall& e = el.call;
  ContinuumWork& w = el.work;
  const int n = e.nNodes;
  if (e.solid) {
    CalcShapeFuncSolidHexa(n, w.N, s);
    CalcShapeFuncDerivSolidHexa(n, w.dN, s);
  } else {
    CalcShapeFuncQuad(n, w.N, s);
    CalcShapeFuncDerivQuad(n, w.dN, s);
  }
  const double det = CalcPointCartesianDeriv(e.elem, e.context, n, e.dim, w.X, w.dN, w.J, w.Jinv, w.dNdx);
  // B_L is the point's own: B_NL of the last point must not stay in it.
  if (el.kin.geometric) zerod2(w.B, e.nc, e.nDof);
  if (e.solid)
    CalcMat_B_Solid(n, w.B, w.dNdx);
  else
    CalcMat_B_Plane2D(n, w.B, w.dNdx);
  if (el.kin.geometric) {
    el.geo.det = det;
    CalcMat_BNL_NLMG(el.geo.BNL, w.dNdx, el.geo.u, n, e.dim);
    addd2(w.B, el.geo.BNL, e.nc, e.nDof);
  }
  return det;
}

double PointFactor(const ContinuumElement& el, const ContinuumPoint& pt, double det) {
  const PointRules& r = el.rules;
  double f = r.w[1][pt.i[1]] * r.w[2][pt.i[2]];
  if (el.call.solid) f *= r.w[3][pt.i[3]];
  if (el.call.stress) f *= dotd1(el.work.N, el.work.t, el.call.nNodes);
  return f * det;
}

// Fint += f B^T sigma.
void AddPointForces(const ContinuumCall& e, ContinuumWork& w, double f, double* Fint) {
  multtd2d1(w.fk, w.B, w.sigma, e.nDof, e.nc);
  for (int k = 1; k <= e.nDof; k++) Fint[k] += f * w.fk[k];
}

// The point's records in the order of the history index: its own, or one per component
// of a pattern.
void PointRecords(const ContinuumElement& el, int ip, int* records) {
  const ContinuumCall& e = el.call;
  if (el.material.point.composed)
    RecordsOfPatternPoint_HD(e.indexHD, e.elemToHD[e.elem], ip, kMaterialKinds, records);
  else
    records[1] = LinePointRecord(e.indexHD, e.elemToHD, e.elem, ip);
}

// Time and temperatures at the point, for a material that reads them (zero otherwise).
PatternMoment PointMoment(const ContinuumElement& el) {
  const ContinuumCall& e = el.call;
  const ContinuumWork& w = el.work;
  PatternMoment mo{0.0, 0.0, 0.0, 0.0, 0.0};
  if (e.step == nullptr || !el.material.point.readsMoment) return mo;
  mo.dt = e.step->dt;
  mo.t = e.step->t;
  if (e.step->nodeTemps != nullptr) mo.T = dotd1(w.N, e.step->nodeTemps, e.nNodes);
  if (e.step->tempTotal != nullptr) mo.dTtotal = dotd1(w.N, e.step->tempTotal, e.nNodes);
  if (e.step->tempIncrement != nullptr && el.heat.stepTemps) mo.dTstep = dotd1(w.N, e.step->tempIncrement, e.nNodes);
  return mo;
}

// Geometric stiffness of the stress the point holds at the current iterate: the true
// stress, in the material axes (total) or in the axes of the iterate (updated), pulled
// back to the reference.
void AddGeometricStiffness(ContinuumElement& el, double f, int record, double** Kg) {
  const ContinuumCall& e = el.call;
  const ContinuumMaterial& m = el.material;
  GeometricWork& g = el.geo;
  ContinuumRecordStress(m.pointCode, e.state, *m.mat, e.hd, record, el.work.sigma);
  if (el.kin.total) {
    CalcPolarRotation_NLMG(e.dim, e.nNodes, el.work.dNdx, g.u, g.Rot, e.elem, el.point, e.context);
    RotateStress_NLMG(e.dim, g.Rot, false, el.work.sigma, g.E);
    copyd1(el.work.sigma, g.E, e.nc);
  }
  CalcStressPK2_NLMG(e.dim, e.nNodes, el.work.dNdx, g.u, g.pk2, el.work.sigma, e.elem, el.point, e.context);
  if (e.stress)
    for (int k = 1; k <= e.nc; k++) g.pk2[k] *= g.thin.lambda;
  StressVecToTensor(e.dim, g.pk2, g.T);
  CalcMat_S_NLMG(e.dim, g.T, g.S);
  CalcMat_G_NLMG(e.nNodes, e.dim, g.G, el.work.dNdx);
  AddScaledBtDB(e.dim * e.dim, e.nDof, f, g.G, g.S, g.SG, Kg);
}

// Plane stress: the stretch across the sheet at the point, where the stress across it is
// zero, for the true in-plane stress sigma (any axes). Its log strain is the elastic
// -nu/E tr(sigma) and, for plastic flow that keeps the volume, minus the in-plane
// inelastic dilatation: e33 = -k ln J2 + (k (1 - nu) - nu)/E tr(sigma), k 1 or 0. J2, the
// area ratio from the initial geometry, is that of the iterate on the reference times that
// of the reference on the initial geometry (1 in the total description).
SheetThinning SheetStretch(ContinuumElement& el, const double* sigma) {
  const ContinuumCall& e = el.call;
  ContinuumWork& w = el.work;
  GeometricWork& g = el.geo;
  const SheetThinningLaw law = ContinuumSheetThinning(el.material.pointCode, *el.material.mat);
  double eps[4];
  CalcLogStrain_NLMG(2, e.nNodes, w.dNdx, g.u, eps, e.elem, el.point, e.context);
  double lnJ2 = eps[1] + eps[2];
  if (!el.kin.total) {
    double J0[3][3] = {};
    for (int k = 1; k <= e.nNodes; k++)
      for (int i = 1; i <= 2; i++)
        for (int j = 1; j <= 2; j++) J0[i][j] += w.dN[k][i] * g.X0[k][j];
    lnJ2 += std::log(g.det / (J0[1][1] * J0[2][2] - J0[1][2] * J0[2][1]));
  }
  const double k = law.plasticVolumeKept ? 1.0 : 0.0;
  SheetThinning t{1.0, -k, (k * (1.0 - law.nu) - law.nu) / law.E};
  t.lambda = std::exp(t.a * lnJ2 + t.b * (sigma[1] + sigma[2]));
  return t;
}

// Updated description: the law's tangent D, formed on the record in the axes of the
// iterate, turned into those of the reference by g.Rot: the column of a unit strain of the
// reference is the stress of D on that strain turned forward, turned back.
void TurnTangentToReference(ContinuumElement& el) {
  const ContinuumCall& e = el.call;
  ContinuumWork& w = el.work;
  GeometricWork& g = el.geo;
  const auto shear = [&e](int c) { return c > e.dim; };
  double turned[7][7];
  for (int k = 1; k <= e.nc; k++) {
    double unit[7] = {}, strain[7], stress[7] = {}, back[7];
    unit[k] = shear(k) ? 0.5 : 1.0;  // the tensor components of a unit engineering strain
    RotateStress_NLMG(e.dim, g.Rot, false, unit, strain);
    for (int c = 1; c <= e.nc; c++)
      if (shear(c)) strain[c] *= 2.0;
    for (int i = 1; i <= e.nc; i++)
      for (int j = 1; j <= e.nc; j++) stress[i] += w.D[i][j] * strain[j];
    RotateStress_NLMG(e.dim, g.Rot, true, stress, back);
    for (int i = 1; i <= e.nc; i++) turned[i][k] = back[i];
  }
  for (int i = 1; i <= e.nc; i++)
    for (int k = 1; k <= e.nc; k++) w.D[i][k] = turned[i][k];
}

void PointTangent(ContinuumElement& el, const ContinuumPoint& pt, const PointContext& at, const int* records,
                  double** Kg) {
  const ContinuumCall& e = el.call;
  ContinuumWork& w = el.work;
  ContinuumPointTangent(el.material.point, e.state, at, e.mesh, e.hd, records, PointMoment(el), w.D);
  if (!el.kin.geometric) {
    AddScaledBtDB(e.nc, e.nDof, pt.f, w.B, w.D, w.DB, Kg);
    return;
  }
  const int record = ContinuumPointLawRecord(el.material.point, records);
  // The law's tangent on ln U carried to dS/dE at the stress of the point, in the axes of
  // the reference.
  GeometricWork& g = el.geo;
  ContinuumRecordStress(el.material.pointCode, e.state, *el.material.mat, e.hd, record, w.sigma);
  if (!el.kin.total) {
    CalcPolarRotation_NLMG(e.dim, e.nNodes, w.dNdx, g.u, g.Rot, e.elem, el.point, e.context);
    RotateStress_NLMG(e.dim, g.Rot, true, w.sigma, g.E);
    copyd1(w.sigma, g.E, e.nc);
    TurnTangentToReference(el);
  }
  if (e.stress) g.thin = SheetStretch(el, w.sigma);
  CalcMat_DS_NLMG(e.dim, e.nNodes, w.dNdx, g.u, w.sigma, w.D, g.DS, e.elem, el.point, e.context,
                  e.stress ? &g.thin : nullptr);
  AddScaledBtDB(e.nc, e.nDof, pt.f, w.B, g.DS, w.DB, Kg);
  AddGeometricStiffness(el, pt.f, record, Kg);
}

// Updated description: the crack axes of the record, and the stress a plastic part works
// on, turned with its stress by the rotation g.Rot (back: by its transpose), so that fixed
// cracks turn with the material.
void TurnRecordAxes(ContinuumElement& el, int record, bool back) {
  const ContinuumCall& e = el.call;
  const int code = el.material.pointCode;
  ContinuumTurnRecordCracks(code, e.state, e.hd, record, el.geo.Rot, back);
  double* plastic = ContinuumRecordPlasticStress(code, e.state, e.hd, record);
  if (plastic == nullptr) return;
  double turned[7];
  RotateStress_NLMG(e.dim, el.geo.Rot, back, plastic, turned);
  copyd1(plastic, turned, e.nc);
}

// The law works on the true stress and the logarithmic strain in the axes of the
// reference, where the stress of the point is the rotated Cauchy stress: the strain
// increment is ln U of the iterate less ln U of the iterate before the increment (a
// stretch repeated or turned rigidly adds nothing, coaxial stretches add up exactly);
// the updated description first turns the record's stress back from the axes of the
// iterate before to those of the converged configuration (nothing to turn when the
// iterate before is the converged one).
void StrainIncrement(ContinuumElement& el, int record) {
  const ContinuumCall& e = el.call;
  const ContinuumMaterial& m = el.material;
  ContinuumWork& w = el.work;
  GeometricWork& g = el.geo;
  CalcLogStrain_NLMG(e.dim, e.nNodes, w.dNdx, g.u, w.eps, e.elem, el.point, e.context);
  CalcLogStrain_NLMG(e.dim, e.nNodes, w.dNdx, g.up, g.E, e.elem, el.point, e.context);
  for (int k = 1; k <= e.nc; k++) w.eps[k] -= g.E[k];
  if (!el.kin.total && !el.kin.fromConverged) {
    ContinuumRecordStress(m.pointCode, e.state, *m.mat, e.hd, record, w.sigma);
    CalcPolarRotation_NLMG(e.dim, e.nNodes, w.dNdx, g.up, g.Rot, e.elem, el.point, e.context);
    RotateStress_NLMG(e.dim, g.Rot, true, w.sigma, g.pk2);
    ContinuumSetRecordStress(m.pointCode, e.state, e.hd, record, g.pk2);
    TurnRecordAxes(el, record, true);
  }
}

// The true stress the law gave, turned to the axes of the iterate (the record of the
// updated description keeps it there) and pulled back to the second Piola-Kirchhoff
// stress of the reference that the forces integrate.
void PullBackStress(ContinuumElement& el, int record) {
  const ContinuumCall& e = el.call;
  const ContinuumMaterial& m = el.material;
  ContinuumWork& w = el.work;
  GeometricWork& g = el.geo;
  CalcPolarRotation_NLMG(e.dim, e.nNodes, w.dNdx, g.u, g.Rot, e.elem, el.point, e.context);
  RotateStress_NLMG(e.dim, g.Rot, false, w.sigma, g.E);
  if (!el.kin.total) {
    ContinuumSetRecordStress(m.pointCode, e.state, e.hd, record, g.E);
    TurnRecordAxes(el, record, false);
  }
  CalcStressPK2_NLMG(e.dim, e.nNodes, w.dNdx, g.u, w.sigma, g.E, e.elem, el.point, e.context);
  if (e.stress) {
    g.thin = SheetStretch(el, g.E);
    for (int k = 1; k <= e.nc; k++) w.sigma[k] *= g.thin.lambda;
  }
}

// Stress of a solid that takes the thermal strain of its temperature variations.
void ThermalPointStress(ContinuumElement& el, const PointContext& at, int record) {
  const ContinuumCall& e = el.call;
  const ThermalTerms& h = el.heat;
  ContinuumWork& w = el.work;
  double epsT[7], depsT[7];
  const double dT = dotd1(w.N, e.step->tempTotal, e.nNodes);
  const double dTstep = e.step->tempIncrement != nullptr ? dotd1(w.N, e.step->tempIncrement, e.nNodes) : 0.0;
  const double dTs = h.stepTemps ? dTstep : 0.0;
  TemperatureStrains(h.alpha, dT, dTs, epsT, depsT);
  if (el.kin.geometric) {
    // D0 epsT and the temperature load pair up on the initial geometry. The mechanical
    // strain is the logarithmic strain less that of the thermal stretch 1 + alpha dT,
    // the same in either reference, so that a free body heated far stays stress-free.
    zerod1(epsT, 6);
    const double now = std::log1p(h.alpha * dT), before = std::log1p(h.alpha * (dT - dTs));
    for (int k = 1; k <= 3; k++) depsT[k] = now - before;
  }
  SolidThermalStress(el.material.pointCode, at, *el.material.mat, e.hd, record, h.D0, w.eps, epsT, depsT, w.sigma);
}

void PointForces(ContinuumElement& el, const ContinuumPoint& pt, const PointContext& at, const int* records,
                 const double* du, double* Fint) {
  const ContinuumCall& e = el.call;
  ContinuumWork& w = el.work;
  const int record = ContinuumPointLawRecord(el.material.point, records);
  if (el.kin.geometric)
    StrainIncrement(el, record);
  else
    multd2d1(w.eps, w.B, du, e.nc, e.nDof);
  if (el.heat.thermal) {
    ThermalPointStress(el, at, record);
  } else {
    // A composition's thermal strains, with the coefficient of the element group.
    const PatternMoment mo = PointMoment(el);
    double epsT[7], depsT[7];
    TemperatureStrains(el.heat.alpha, mo.dTtotal, mo.dTstep, epsT, depsT);
    ContinuumPointStress(el.material.point, e.state, at, e.mesh, e.hd, records, mo, epsT, depsT, w.eps, w.sigma);
  }
  if (el.kin.geometric) PullBackStress(el, record);
  AddPointForces(e, w, pt.f, Fint);
}

// One sampling point: its kinematics and factor, then the material point of the element.
void IntegratePoint(ContinuumElement& el, const ContinuumPoint& pt0, const double* du, double** Kg, double* Fint) {
  const ContinuumCall& e = el.call;
  ContinuumPoint pt = pt0;
  el.point = pt.ip;
  const double det = PointKinematics(el, pt.s);
  pt.f = PointFactor(el, pt, det);
  PointContext at{pt.ip, e.comb, e.elem, e.iter, 0};
  if (Banded(el.crack)) {
    PointCrackBand(el, pt);
    at.band = &el.crack.geometry;
  }
  int records[kMaterialKinds + 1];
  PointRecords(el, pt.ip, records);
  if (Kg != nullptr)
    PointTangent(el, pt, at, records, Kg);
  else
    PointForces(el, pt, at, records, du, Fint);
}

// Points with s1 fastest, then s2, then s3: the order of the history records.
void IntegrateContinuum(ContinuumElement& el, const double* du, double** Kg, double* Fint) {
  const PointRules& r = el.rules;
  ContinuumPoint pt{};
  for (int i3 = 1; i3 <= (el.call.solid ? r.c[3] : 1); i3++)
    for (int i2 = 1; i2 <= r.c[2]; i2++)
      for (int i1 = 1; i1 <= r.c[1]; i1++) {
        pt.ip++;
        pt.i[1] = i1;
        pt.i[2] = i2;
        pt.i[3] = i3;
        pt.s[1] = r.a[1][i1];
        pt.s[2] = r.a[2][i2];
        pt.s[3] = r.a[3][i3];
        IntegratePoint(el, pt, du, Kg, Fint);
      }
}

void PrintContinuumStiffness(const ContinuumCall& e, const char* oc, double** Kg) {
  const int flag = e.type == _PLANE_STRAIN_QUAD   ? OC_PRINT_MAT_KG_PLANE_STRAIN_QUAD
                   : e.type == _PLANE_STRESS_QUAD ? OC_PRINT_MAT_KG_PLANE_STRESS_QUAD
                                                  : OC_PRINT_MAT_KG_SOLID_HEXA;
  PrintElementStiffMat(e.nDof, e.elem, e.type, oc[flag], Kg);
}

void FreeGeometricWork(bool tangent, GeometricWork* g) {
  if (tangent) {
    freed2(g->DS);
    freed2(g->SG);
    freed2(g->S);
    freed2(g->G);
  }
  for (double* v : {g->E, g->pk2}) freed1(v);
  for (double** A : {g->Rot, g->T, g->BNL, g->up, g->u, g->Xc}) freed2(A);
  if (g->X0 != nullptr) freed2(g->X0);
}

void FreeContinuumElement(ContinuumElement* el) {
  ContinuumWork& w = el->work;
  if (el->call.tangent) {
    freed2(w.DB);
    freed2(w.D);
  } else {
    freed1(w.fk);
    freed1(w.eps);
  }
  freed1(w.sigma);
  if (el->kin.geometric) FreeGeometricWork(el->call.tangent, &el->geo);
  if (w.t != nullptr) freed1(w.t);
  if (el->heat.D0 != nullptr) freed2(el->heat.D0);
  if (el->crack.gSub != nullptr) freed2(el->crack.gSub);
  if (el->crack.ySub != nullptr) {
    freed2(el->crack.ySub);
    freed1(el->crack.N0);
  }
  freed1(w.N);
  for (double** A : {w.B, w.Jinv, w.J, w.dNdx, w.dN, w.X}) freed2(A);
}

}  // namespace

void ContinuumElementNL(int type, int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                        const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                        const double* du, double** Kg, double* Fint, double** prevCoord,
                        const ContinuumStepState* step, const double* aTotal) {
  ContinuumElement el{};
  ContinuumCall& e = el.call;
  e = ContinuumCall{type, comb, nDof, elem, iter, nNodes, prop, indexHD, mesh, hd, elemToHD, step, Kg != nullptr};
  IdentifyKind(&e);
  IdentifyMaterial(e, &el.material);
  IdentifyDescription(e, el.material.code, prevCoord, &el.kin);
  FetchPointRules(e, &el.rules);
  AllocContinuumWork(e, Kg, Fint, &el.work);
  if (el.kin.geometric) SetUpGeometricWork(e, el.kin, prevCoord, du, aTotal, &el.work, &el.geo);
  if (e.stress) {
    allocd1(&el.work.t, nNodes);
    CalcGeomProp_THICKNESS(nNodes, prop, el.work.t, mesh->GeomPatterns, mesh->LamThicks, mesh->ElemProps);
  }
  SetUpThermalTerms(e, el.material, Fint, &el.heat);
  SetUpCrackBand(e, el.material, &el.work, &el.crack);
  IntegrateContinuum(el, du, Kg, Fint);
  if (Kg != nullptr) PrintContinuumStiffness(e, oc, Kg);
  FreeContinuumElement(&el);
}

void CalcStiffPlaneStrainQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                 double** Kg) {
  ContinuumElementNL(_PLANE_STRAIN_QUAD, comb, nDof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD,
                     nullptr, Kg, nullptr);
}

void CalcStiffPlaneStressQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                 double** Kg) {
  ContinuumElementNL(_PLANE_STRESS_QUAD, comb, nDof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD,
                     nullptr, Kg, nullptr);
}

void CalcInt_Fg_PlaneStrainQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   const double* du, double* Fint) {
  ContinuumElementNL(_PLANE_STRAIN_QUAD, comb, nDof, elem, iter, nNodes, prop, nullptr, indexHD, mesh, hd,
                     elemToHD, du, nullptr, Fint);
}

void CalcInt_Fg_PlaneStressQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   const double* du, double* Fint) {
  ContinuumElementNL(_PLANE_STRESS_QUAD, comb, nDof, elem, iter, nNodes, prop, nullptr, indexHD, mesh, hd,
                     elemToHD, du, nullptr, Fint);
}

void CalcStiffPlaneStressQuad_NLMG(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   double** prevCoord, const double* a, double** Kg) {
  ContinuumElementNL(_PLANE_STRESS_QUAD, comb, nDof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD,
                     nullptr, Kg, nullptr, prevCoord, nullptr, a);
}

void CalcInt_Fg_PlaneStressQuad_NLMG(int comb, int nDof, int elem, int iter, int nNodes, int prop,
                                     const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd,
                                     const int* elemToHD, double** prevCoord, const double* a, const double* du,
                                     double* Fint) {
  ContinuumElementNL(_PLANE_STRESS_QUAD, comb, nDof, elem, iter, nNodes, prop, nullptr, indexHD, mesh, hd,
                     elemToHD, du, nullptr, Fint, prevCoord, nullptr, a);
}

// ---- behaviour-row adapters ----
void PlaneStressQuadForces(const ElementCall& c, double* F) {
  CalcInt_Fg_PlaneStressQuad_NL(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.index, c.mesh,
                                c.table, c.elemToHD, c.da, F);
}
void PlaneStrainQuadForces(const ElementCall& c, double* F) {
  CalcInt_Fg_PlaneStrainQuad_NL(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.index, c.mesh,
                                c.table, c.elemToHD, c.da, F);
}
void PlaneStressQuadGeometricTangent(const ElementCall& c, double** K) {
  CalcStiffPlaneStressQuad_NLMG(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl,
                                c.index, c.mesh, c.table, c.elemToHD, c.prevCoord, c.a, K);
}
void PlaneStressQuadGeometricForces(const ElementCall& c, double* F) {
  CalcInt_Fg_PlaneStressQuad_NLMG(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.index, c.mesh,
                                  c.table, c.elemToHD, c.prevCoord, c.a, c.da, F);
}
