// Layered Mindlin shell of a nonlinear analysis (type 20 on a layer pattern). At each
// point of the element's rule the layers are summed into section matrices (tangent) or
// section forces: the linear layers exactly through their thickness from the total
// displacement, the nonlinear layers at their middle surface from the strain increment,
// which advances their records. With large deflections (total Lagrangian) the membrane
// strains gain the squares of the slopes and the tangent the stress stiffness of the
// membrane forces.
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "materials/material_point.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

// One call: the element, what is asked of it and its layer stack (shared with the Ahmad shell).
using LayeredCall = LayerStackCall;

// Work arrays of every call. T the element axes, X2 the nodes in the element plane; B6
// the membrane rows 1..3 over the curvature rows 4..6, Bs the transverse shear; De, Dse a
// layer's elastic matrices, Dt, Dst its tangents; A6, As the section matrices; z and h
// the layers' bottom, middle, top and thickness at the point. Kl, ul, dul, Fl: tangent,
// displacements and forces in element axes.
struct LayeredWork {
  double **T, **X2, **dNds, **dNdx, **J, **Jinv, **B6, **Bs, **De, **Dse, **Dt, **Dst, **A6, **As, **DB;
  double *N, *zb, *zm, *zt, *h;
  double** Kl = nullptr;
  double *ul = nullptr, *dul = nullptr, *Fl = nullptr;
};

// Large deflections: the slopes matrix G, B_NL of the total (or current) displacement
// and of the one before the increment (ul0), and the membrane force matrix.
struct SlopeWork {
  double **G = nullptr, **BNL = nullptr, **BNL0 = nullptr, **Nm = nullptr;
  double* ul0 = nullptr;
};

// Everything one call works on, built before the point loop. The bands are Oliver's of
// the crack layers that measure it on the element (options 4 and 5).
struct LayeredShell {
  LayeredCall call;
  LayeredWork work;
  SlopeWork slope;
  LayeredRules rules;
  QuadCrackBand bands[2];
};

// A sampling point: its number in the record order, its rule indices, natural
// coordinates and integration factor; the section strains (eps_m, chi; gamma) of the
// total displacement and of the increment, the section forces (N, M; Q) and the membrane
// forces of the stress stiffness.
struct SectionPoint {
  int ip, i1, i2;
  double s[3];
  double wdet = 0.0;
  double e6[7] = {}, de6[7] = {}, g[3] = {};
  double S6[7] = {}, Q[3] = {}, Nmem[4] = {};
};

// A layer at the point: its "<LAYER_PROPERTIES>" record q, material and thickness moments
// (exact for linear layers, at the middle surface for the others).
struct LayerSlice {
  int l, q, code;
  const MaterialRecord* mat;
  bool linear;
  double hl, z1, z2;
};

// Node by node out := T in (back: T^T in) on the translations and on the rotations of a
// general point; the rotations of a coplanar point ('M') are in element axes already.
void RotateShellNodeVectors(int elem, int nNodes, int** elemNodes, const char* PointTypes, double** T, bool back,
                            const double* in, double* out) {
  for (int k = 1; k <= nNodes; k++) {
    const char kind = PointTypes[elemNodes[elem][k]];
    if (kind != 'G' && kind != 'M') InternalError(__FILE__, __LINE__);
    for (int half = 0; half < 2; half++) {
      const int o = 6 * (k - 1) + 3 * half;
      for (int i = 1; i <= 3; i++) {
        if (half == 1 && kind == 'M') {
          out[o + i] = in[o + i];
          continue;
        }
        double v = 0.0;
        for (int j = 1; j <= 3; j++) v += (back ? T[j][i] : T[i][j]) * in[o + j];
        out[o + i] = v;
      }
    }
  }
}

// Only the total Lagrangian description is offered for the shell.
void CheckShellKinematicDescription(const MeshData* mesh) {
  const int k = mesh->Main.KinematicDescription;
  if (k == 2) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Calculating the stiffness matrix: _MindlinShellQuad_NLMG\n");
    errexit("This option (_UPDATED_LAGRANGIAN) is not avaiable. Please use for the\n KINEMATIC_DESCRIPTION the "
            "_TOTAL_LAGRANGIAN .",
            0);
  }
  if (k != 1) InternalError(__FILE__, __LINE__);
}

void AllocLayeredWork(const LayeredCall& c, double** K, double* Fe, LayeredWork* w) {
  const int n = c.nNodes, ndof = c.ndof, nL = c.nL;
  for (double*** a : {&w->T, &w->De, &w->Dt}) allocd2(a, 3, 3);
  for (double*** a : {&w->J, &w->Jinv, &w->Dse, &w->Dst, &w->As}) allocd2(a, 2, 2);
  for (double*** a : {&w->X2, &w->dNds, &w->dNdx}) allocd2(a, n, 2);
  allocd2(&w->B6, 6, ndof);
  allocd2(&w->Bs, 2, ndof);
  allocd2(&w->A6, 6, 6);
  allocd2(&w->DB, 6, ndof);
  allocd1(&w->N, n);
  for (double** a : {&w->zb, &w->zm, &w->zt, &w->h}) allocd1(a, nL);
  if (c.stiffness) {
    zerod2(K, ndof, ndof);
    allocd2(&w->Kl, ndof, ndof);
    zerod2(w->Kl, ndof, ndof);
  } else {
    for (double** a : {&w->ul, &w->dul, &w->Fl}) allocd1(a, ndof);
    zerod1(w->Fl, ndof);
    zerod1(Fe, ndof);
  }
  zerod2(w->B6, 6, ndof);
  zerod2(w->Bs, 2, ndof);
}

// The displacements of the forces in element axes: the total u and the increment du.
void ElementAxesDisplacements(const LayeredCall& c, const double* du, const double* u, LayeredWork* w) {
  if (c.stiffness) return;
  RotateShellNodeVectors(c.elem, c.nNodes, c.mesh->ElemNodes, c.PointTypes, w->T, false, u, w->ul);
  RotateShellNodeVectors(c.elem, c.nNodes, c.mesh->ElemNodes, c.PointTypes, w->T, false, du, w->dul);
}

// Large deflections: the tangent takes the slopes of the current iterate uNow, as the
// forces do; the forces take the displacement before the increment as well.
void SetUpSlopes(const LayeredCall& c, const double* uNow, LayeredWork* w, SlopeWork* g) {
  const int ndof = c.ndof;
  allocd2(&g->G, 2, ndof);
  allocd2(&g->BNL, 3, ndof);
  allocd2(&g->BNL0, 3, ndof);
  allocd2(&g->Nm, 2, 2);
  zerod2(g->G, 2, ndof);
  zerod2(g->BNL, 3, ndof);
  zerod2(g->BNL0, 3, ndof);
  if (c.stiffness) {
    allocd1(&w->ul, ndof);
    RotateShellNodeVectors(c.elem, c.nNodes, c.mesh->ElemNodes, c.PointTypes, w->T, false, uNow, w->ul);
  } else {
    allocd1(&g->ul0, ndof);
    for (int k = 1; k <= ndof; k++) g->ul0[k] = w->ul[k] - w->dul[k];
  }
}

// Shape functions, Jacobian, the B rows and the layer positions at the point.
void PointKinematics(LayeredShell& el, SectionPoint* pt) {
  const LayeredCall& c = el.call;
  LayeredWork& w = el.work;
  const int n = c.nNodes;
  CalcShapeFuncDerivQuad(n, w.dNds, pt->s);
  const double det = PointCartesianDerivWith(n, 2, w.X2, w.dNds, w.J, w.Jinv, w.dNdx, [&](double** Jm, double** Ji) {
    return c.stiffness ? CalcInvJacobian(c.elem, c.context, 2, Jm, Ji)
                       : CalcInvJacobianPart(c.elem, "shear", Jm, Ji, c.context);
  });
  CalcShapeFuncQuad(n, w.N, pt->s);
  // Rows of B6 as 3 x ndof views for the element's B builders.
  double* Bm[4] = {nullptr, w.B6[1], w.B6[2], w.B6[3]};
  double* Bb[4] = {nullptr, w.B6[4], w.B6[5], w.B6[6]};
  CalcMat_B_MindlinShell(n, 'M', Bm, w.dNdx, w.N);
  CalcMat_B_MindlinShell(n, 'B', Bb, w.dNdx, w.N);
  CalcMat_B_MindlinShell(n, 'S', w.Bs, w.dNdx, w.N);
  double total;
  CalcLayerGeomProp(c.nL, c.pattern, n, &total, w.N, w.zb, w.zm, w.zt, w.h, c.mesh->GeomPatterns,
                    c.mesh->LamThicks, c.mesh->LayerPatterns, c.mesh->LayerProps);
  pt->wdet = el.rules.w1[pt->i1] * el.rules.w2[pt->i2] * det;
}

// Large deflections: the membrane rows over w are cleared for the linear strains, and G
// and B_NL built from the slopes.
void SlopeRows(LayeredShell& el) {
  const LayeredCall& c = el.call;
  LayeredWork& w = el.work;
  SlopeWork& g = el.slope;
  for (int k = 1; k <= c.nNodes; k++)
    for (int i = 1; i <= 3; i++) w.B6[i][6 * (k - 1) + 3] = 0.0;
  CalcMat_G_MindlinShellQuad_NLMG(g.G, w.dNdx, c.nNodes);
  CalcMat_BNL_MindlinShellQuad_NLMG(g.BNL, w.dNdx, g.G, w.ul, c.nNodes, c.ndof);
  if (!c.stiffness) CalcMat_BNL_MindlinShellQuad_NLMG(g.BNL0, w.dNdx, g.G, g.ul0, c.nNodes, c.ndof);
}

// The membrane strains of the slopes on the initial element axes hold for slopes up to
// 0.1: a rigid turn by theta leaves a membrane strain of -theta^4/8, 1.25e-5 at 0.1 (an
// eighth of the cracking strain of concrete), and a strip bent to the slope theta deflects
// theta^2/12 more than the elastica. An iterate beyond that stops the run.
void CheckSlope(const LayeredCall& c, const LayeredWork& w, const SlopeWork& g, const SectionPoint& pt) {
  constexpr double kSlopeLimit = 0.1;
  double p[3];
  multd2d1(p, g.G, w.ul, 2, c.ndof);  // the slopes (w,1, w,2) of the iterate
  const double slope = std::sqrt(p[1] * p[1] + p[2] * p[2]);
  if (slope <= kSlopeLimit) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, c.context, c.elem);
  std::fprintf(stderr, "   -> Element type: _MINDLIN_SHELL_QUAD\n");
  std::fprintf(stderr, "   -> Combination: %d\n", c.comb);
  std::fprintf(stderr, "   -> Iteration: %d\n", c.iter);
  std::fprintf(stderr, "   -> Sampling point: %d\n", pt.ip);
  std::fprintf(stderr, "   -> Slope of the deflection: %.4g\n", slope);
  errexit("The deflection of the shell turns it beyond a slope of 0.1, the range of its\n"
          "large-deflection strains (the membrane strains of the slopes on the initial element\n"
          "axes): the results would be wrong. Model the member with hexahedra.",
          0);
}

// Large deflections: the membrane strain 1/2 (w,)^2 of the current iterate joins e6, its
// exact increment 1/2 (B_NL(a) + B_NL(a - da)) da joins de6, and the membrane rows over w
// become those of B_NL.
void SlopeStrains(LayeredShell& el, SectionPoint* pt) {
  const LayeredCall& c = el.call;
  LayeredWork& w = el.work;
  SlopeWork& g = el.slope;
  double eL[4] = {}, t1[4], t2[4];
  multd2d1(eL, g.BNL, w.ul, 3, c.ndof);
  for (int i = 1; i <= 3; i++) eL[i] *= 0.5;
  if (!c.stiffness) {
    CheckSlope(c, w, g, *pt);
    multd2d1(t1, g.BNL, w.dul, 3, c.ndof);
    multd2d1(t2, g.BNL0, w.dul, 3, c.ndof);
    for (int i = 1; i <= 3; i++) pt->de6[i] += 0.5 * (t1[i] + t2[i]);
  }
  for (int i = 1; i <= 3; i++) pt->e6[i] += eL[i];
  for (int k = 1; k <= c.nNodes; k++)
    for (int i = 1; i <= 3; i++) w.B6[i][6 * (k - 1) + 3] = g.BNL[i][6 * (k - 1) + 3];
  zerod2(g.Nm, 2, 2);
}

// Section strains of the total displacement and of the increment (the tangent needs
// those of the current iterate only with large deflections).
void SectionStrains(LayeredShell& el, SectionPoint* pt) {
  const LayeredCall& c = el.call;
  LayeredWork& w = el.work;
  if (!c.stiffness) {
    multd2d1(pt->e6, w.B6, w.ul, 6, c.ndof);
    multd2d1(pt->de6, w.B6, w.dul, 6, c.ndof);
    multd2d1(pt->g, w.Bs, w.ul, 2, c.ndof);
  } else if (c.geometric) {
    multd2d1(pt->e6, w.B6, w.ul, 6, c.ndof);
  }
  if (c.geometric) SlopeStrains(el, pt);
}

// Layer l at the point, with its elastic matrices De, Dse in element axes.
LayerSlice SliceOf(LayeredShell& el, int l) {
  const LayeredCall& c = el.call;
  LayeredWork& w = el.work;
  LayerSlice s;
  s.l = l;
  s.q = c.mesh->LayerPatterns[c.pattern].Layer[l];
  s.code = c.mesh->LayerProps[s.q].MaterialKind;
  s.mat = &MaterialOf(c.mesh, s.code, c.mesh->LayerProps[s.q].MaterialNumber);
  CalcMat_D_MindlinShell_NL(c.elem, s.q, s.code, 3, 2, 3, 2, w.De, w.Dse, w.T, c.mesh);
  const double *zb = w.zb, *zm = w.zm, *zt = w.zt;
  s.hl = zt[l] - zb[l];
  s.linear = LinearElasticity(s.code) != kElasticNone;
  s.z1 = s.linear ? (zt[l] * zt[l] - zb[l] * zb[l]) / 2.0 : s.hl * zm[l];
  s.z2 = s.linear ? (zt[l] * zt[l] * zt[l] - zb[l] * zb[l] * zb[l]) / 3.0 : s.hl * zm[l] * zm[l];
  return s;
}

// Membrane force of a layer at the current iterate, for the stress stiffness.
void AddLayerMembraneForce(LayeredShell& el, const SectionPoint& pt, const LayerSlice& s, double* Nmem) {
  const LayeredCall& c = el.call;
  LayeredWork& w = el.work;
  double sl[4];
  if (s.linear) {
    double sm[4], sb[4];
    multd2d1(sm, w.De, pt.e6, 3, 3);
    multd2d1(sb, w.De, pt.e6 + 3, 3, 3);
    for (int i = 1; i <= 3; i++) sl[i] = sm[i] * s.hl + sb[i] * s.z1;
  } else {
    const int r = LayerPointRecord(c.indexHD, c.elemToHD, c.elem, pt.ip, s.l);
    if (ShellLayerTotalStrain(s.code)) {
      double eps[4];
      for (int i = 1; i <= 3; i++) eps[i] = pt.e6[i] + w.zm[s.l] * pt.e6[i + 3];
      ShellLayerTotalRecordStress(s.code, c.hd, r, w.De, eps, sl);
    } else {
      ShellLayerRecordStress(s.code, *s.mat, c.hd, r, sl);
    }
    for (int i = 1; i <= 3; i++) sl[i] *= s.hl;
  }
  for (int i = 1; i <= 3; i++) Nmem[i] += sl[i];
}

// The layer's tangent into the section matrices A6 and As.
void AddLayerTangent(LayeredShell& el, SectionPoint* pt, const LayerSlice& s) {
  const LayeredCall& c = el.call;
  LayeredWork& w = el.work;
  if (s.linear) {
    copyd2(w.Dt, w.De, 3, 3);
    copyd2(w.Dst, w.Dse, 2, 2);
  } else {
    const PointContext pc{pt->ip, c.comb, c.elem, c.iter, s.l};
    const int r = LayerPointRecord(c.indexHD, c.elemToHD, c.elem, pt->ip, s.l);
    ShellLayerTangent(s.code, pc, *s.mat, c.hd, r, w.De, w.Dt);
    ShellLayerShearTangent(s.code, pc, *s.mat, c.hd, r, w.Dse, w.Dst);
  }
  for (int i = 1; i <= 3; i++)
    for (int j = 1; j <= 3; j++) {
      w.A6[i][j] += w.Dt[i][j] * s.hl;
      w.A6[i][j + 3] += w.Dt[i][j] * s.z1;
      w.A6[i + 3][j] += w.Dt[i][j] * s.z1;
      w.A6[i + 3][j + 3] += w.Dt[i][j] * s.z2;
    }
  for (int i = 1; i <= 2; i++)
    for (int j = 1; j <= 2; j++) w.As[i][j] += w.Dst[i][j] * s.hl;
  if (c.geometric) AddLayerMembraneForce(el, *pt, s, pt->Nmem);
}

// Oliver's crack band at the point, for a crack layer that measures it on the element.
const CrackBandGeometry* LayerCrackBand(LayeredShell& el, const SectionPoint& pt, const LayerSlice& s) {
  const LayeredCall& c = el.call;
  const int oliver = LayerOliverOption(s.code, *s.mat);
  if (oliver == 0) return nullptr;
  const LayeredRules& r = el.rules;
  const double wp[3] = {0.0, CrackZoneWeight(2, c.nNodes, r.c[1], r.w1, pt.i1),
                        CrackZoneWeight(2, c.nNodes, r.c[2], r.w2, pt.i2)};
  return QuadCrackBandAt(&el.bands[oliver - 4],
                         OliverPointContext{c.comb, c.iter, c.elem, pt.ip, MaterialKindName(s.code)}, el.work.X2,
                         el.work.dNdx, pt.s, wp);
}

// Stresses of a nonlinear layer at its middle surface: elastic until failure from the
// total strains, or the record advanced by the strain increment.
void NonlinearLayerStress(LayeredShell& el, const SectionPoint& pt, const LayerSlice& s, double* sig, double* tau) {
  const LayeredCall& c = el.call;
  LayeredWork& w = el.work;
  PointContext pc{pt.ip, c.comb, c.elem, c.iter, s.l};
  const int r = LayerPointRecord(c.indexHD, c.elemToHD, c.elem, pt.ip, s.l);
  pc.band = LayerCrackBand(el, pt, s);
  double deps[4];
  if (ShellLayerTotalStrain(s.code)) {
    for (int i = 1; i <= 3; i++) deps[i] = pt.e6[i] + w.zm[s.l] * pt.e6[i + 3];
    ShellLayerTotalStress(s.code, pc, *s.mat, c.hd, r, w.De, w.Dse, w.T, c.mesh, deps, pt.g, sig, tau);
  } else {
    for (int i = 1; i <= 3; i++) deps[i] = pt.de6[i] + w.zm[s.l] * pt.de6[i + 3];
    ShellLayerStress(s.code, pc, *s.mat, c.hd, r, w.De, deps, sig);
    ShellLayerShearStress(s.code, pc, *s.mat, c.hd, r, w.Dse, pt.g, tau);
  }
}

// The layer's stresses into the section forces S6 and Q.
void AddLayerForces(LayeredShell& el, SectionPoint* pt, const LayerSlice& s) {
  LayeredWork& w = el.work;
  double sig[4], tau[3];
  if (s.linear) {
    double sm[4], sb[4];
    multd2d1(sm, w.De, pt->e6, 3, 3);
    multd2d1(sb, w.De, pt->e6 + 3, 3, 3);
    multd2d1(tau, w.Dse, pt->g, 2, 2);
    for (int i = 1; i <= 3; i++) {
      pt->S6[i] += sm[i] * s.hl + sb[i] * s.z1;
      pt->S6[i + 3] += sm[i] * s.z1 + sb[i] * s.z2;
    }
  } else {
    NonlinearLayerStress(el, *pt, s, sig, tau);
    for (int i = 1; i <= 3; i++) {
      pt->S6[i] += sig[i] * s.hl;
      pt->S6[i + 3] += sig[i] * s.hl * w.zm[s.l];
    }
  }
  for (int i = 1; i <= 2; i++) pt->Q[i] += tau[i] * s.hl;
}

// B^T A B of the section matrices, with G^T N G of the membrane forces.
void AddPointStiffness(LayeredShell& el, const SectionPoint& pt) {
  const int ndof = el.call.ndof;
  LayeredWork& w = el.work;
  AddScaledBtDB(6, ndof, pt.wdet, w.B6, w.A6, w.DB, w.Kl);
  AddScaledBtDB(2, ndof, pt.wdet, w.Bs, w.As, w.DB, w.Kl);
  if (!el.call.geometric) return;
  double** Nm = el.slope.Nm;
  Nm[1][1] = pt.Nmem[1];
  Nm[2][2] = pt.Nmem[2];
  Nm[1][2] = Nm[2][1] = pt.Nmem[3];
  AddScaledBtDB(2, ndof, pt.wdet, el.slope.G, Nm, w.DB, w.Kl);
}

// B^T (N, M; Q) of the section forces.
void AddPointForces(LayeredShell& el, const SectionPoint& pt) {
  LayeredWork& w = el.work;
  for (int k = 1; k <= el.call.ndof; k++) {
    double f = 0.0;
    for (int i = 1; i <= 6; i++) f += w.B6[i][k] * pt.S6[i];
    for (int i = 1; i <= 2; i++) f += w.Bs[i][k] * pt.Q[i];
    w.Fl[k] += pt.wdet * f;
  }
}

void IntegratePoint(LayeredShell& el, SectionPoint* pt) {
  PointKinematics(el, pt);
  if (el.call.geometric) SlopeRows(el);
  SectionStrains(el, pt);
  zerod2(el.work.A6, 6, 6);
  zerod2(el.work.As, 2, 2);
  for (int l = 1; l <= el.call.nL; l++) {
    const LayerSlice s = SliceOf(el, l);
    if (el.call.stiffness)
      AddLayerTangent(el, pt, s);
    else
      AddLayerForces(el, pt, s);
  }
  if (el.call.stiffness)
    AddPointStiffness(el, *pt);
  else
    AddPointForces(el, *pt);
}

// The points in record order, s1 fastest.
void IntegrateLayered(LayeredShell& el) {
  const LayeredRules& r = el.rules;
  int ip = 0;
  for (int i2 = 1; i2 <= r.c[2]; i2++)
    for (int i1 = 1; i1 <= r.c[1]; i1++) {
      SectionPoint pt{++ip, i1, i2, {0.0, r.a1[i1], r.a2[i2]}};
      IntegratePoint(el, &pt);
    }
}

// The tangent or the forces turned to global axes.
void FinishLayered(LayeredShell& el, double** K, double* Fe) {
  const LayeredCall& c = el.call;
  LayeredWork& w = el.work;
  if (c.stiffness) {
    TransformElemMatMindlinShell(c.ndof, c.elem, c.nNodes, c.mesh->ElemNodes, K, w.Kl, w.T, c.PointTypes);
    PrintElementStiffMat(c.ndof, c.elem, _MINDLIN_SHELL_QUAD, c.oc[OC_PRINT_MAT_KG_MINDLIN_SHELL_QUAD], K);
  } else {
    RotateShellNodeVectors(c.elem, c.nNodes, c.mesh->ElemNodes, c.PointTypes, w.T, true, w.Fl, Fe);
  }
}

void FreeLayeredShell(LayeredShell* el) {
  LayeredWork& w = el->work;
  SlopeWork& g = el->slope;
  for (double* a : {w.ul, w.dul, w.Fl, g.ul0, w.N, w.zb, w.zm, w.zt, w.h})
    if (a != nullptr) freed1(a);
  for (double** a : {w.Kl, g.G, g.BNL, g.BNL0, g.Nm})
    if (a != nullptr) freed2(a);
  for (double** a : {w.T, w.X2, w.dNds, w.dNdx, w.J, w.Jinv, w.B6, w.Bs, w.De, w.Dse, w.Dt, w.Dst, w.A6, w.As, w.DB})
    freed2(a);
  FreeQuadCrackBand(&el->bands[1]);
  FreeQuadCrackBand(&el->bands[0]);
}

// Tangent stiffness (K != null) or internal forces (Fe != null, of the increment du and
// the total displacement u) of a layered shell; with large deflections the tangent takes
// the slopes of the current iterate uNow.
void MindlinShellLayered(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                         const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                         const char* PointTypes, const double* du, const double* u, double** K, double* Fe,
                         bool geometric = false, const double* uNow = nullptr) {
  if (ndof != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const bool stiffness = K != nullptr;
  LayeredShell el{};
  el.call = LayeredCall{comb,     ndof,       elem,      iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD,
                        PointTypes, stiffness, geometric, stiffness ? kCtxStiffness : kCtxIntForces};
  if (geometric) CheckShellKinematicDescription(mesh);
  FindLayerStack(&el.call, _MINDLIN_SHELL_QUAD);
  AllocLayeredWork(el.call, K, Fe, &el.work);
  ShellGeometry(elem, nNodes, prop, oc, mesh, el.work.T, el.work.X2, nullptr);
  ElementAxesDisplacements(el.call, du, u, &el.work);
  if (geometric) SetUpSlopes(el.call, uNow, &el.work, &el.slope);
  StartQuadCrackBand(stiffness ? 0 : 4, nNodes, &el.bands[0]);
  StartQuadCrackBand(stiffness ? 0 : 5, nNodes, &el.bands[1]);
  FetchLayeredRules(el.call, &el.rules);
  IntegrateLayered(el);
  FinishLayered(el, K, Fe);
  FreeLayeredShell(&el);
}

}  // namespace

void CalcStiffMindlinShellQuad_NL(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                  const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                  double** K, const char* PointTypes) {
  MindlinShellLayered(comb, ndof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD, PointTypes, nullptr,
                      nullptr, K, nullptr);
}

void CalcInt_Fg_MindlinShellQuad_NL(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                    const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                    const double* du, const double* u, double* Fe, const char* PointTypes) {
  MindlinShellLayered(comb, ndof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD, PointTypes, du, u,
                      nullptr, Fe);
}

void CalcMat_G_MindlinShellQuad_NLMG(double** G, double** dNdx, int nNodes) {
  for (int k = 1; k <= nNodes; k++) {
    G[1][6 * (k - 1) + 3] = dNdx[k][1];
    G[2][6 * (k - 1) + 3] = dNdx[k][2];
  }
}

void CalcMat_BNL_MindlinShellQuad_NLMG(double** BNL, double** dNdx, double** G, const double* a, int nNodes,
                                       int ndof) {
  double p[3];
  multd2d1(p, G, a, 2, ndof);
  for (int k = 1; k <= nNodes; k++) {
    const int c = 6 * (k - 1) + 3;
    BNL[1][c] = p[1] * dNdx[k][1];
    BNL[2][c] = p[2] * dNdx[k][2];
    BNL[3][c] = p[2] * dNdx[k][1] + p[1] * dNdx[k][2];
  }
}

void CalcStiffMindlinShellQuad_NLMG(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                    const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd,
                                    const int* elemToHD, double** K, const char* PointTypes, const double* a) {
  MindlinShellLayered(comb, ndof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD, PointTypes, nullptr,
                      nullptr, K, nullptr, true, a);
}

void CalcInt_Fg_MindlinShellQuad_NLMG(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                      const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd,
                                      const int* elemToHD, const double* du, const double* u, double* Fe,
                                      const char* PointTypes) {
  MindlinShellLayered(comb, ndof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD, PointTypes, du, u,
                      nullptr, Fe, true, nullptr);
}

// ---- behaviour-row adapters ----
void MindlinShellQuadTangent(const ElementCall& c, double** K) {
  CalcStiffMindlinShellQuad_NL(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl,
                               c.index, c.mesh, c.table, c.elemToHD, K, c.PointTypes);
}
void MindlinShellQuadForces(const ElementCall& c, double* F) {
  CalcInt_Fg_MindlinShellQuad_NL(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl,
                                 c.index, c.mesh, c.table, c.elemToHD, c.da, c.a, F, c.PointTypes);
}
void MindlinShellQuadGeometricTangent(const ElementCall& c, double** K) {
  CalcStiffMindlinShellQuad_NLMG(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl,
                                 c.index, c.mesh, c.table, c.elemToHD, K, c.PointTypes, c.a);
}
void MindlinShellQuadGeometricForces(const ElementCall& c, double* F) {
  CalcInt_Fg_MindlinShellQuad_NLMG(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl,
                                   c.index, c.mesh, c.table, c.elemToHD, c.da, c.a, F, c.PointTypes);
}
