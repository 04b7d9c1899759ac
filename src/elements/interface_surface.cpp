// Surface interface element InterfaceQuad (type 30, 3 dofs per node): two quadrilateral
// faces of 4, 8 or 9 nodes each; the relative displacement of the faces is turned into
// the local axes of the mid-surface (two in-plane directions and the normal) at every
// integration point and the traction is integrated over the mid-surface area.
#include <cstdio>

#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "materials/material_point.h"
#include "model/material.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

constexpr int kSurfType = _INTERFACE_QUAD;
constexpr int kSurfNodeCounts[4] = {0, 8, 16, 18};

// Geometry, integration points and work arrays of one call.
struct SurfWork {
  int m, nDof, nIP;
  double **S, *W;   // points (nIP x 2) and weights, s1 outer, s2 inner
  double **X, **dN, **Jm, **B, **T, **k;
  double *N;
};

void OpenSurf(int nDof, int elem, int nNodes, int prop, const char* context, const MeshData* mesh, SurfWork* w) {
  CheckNodeCountLineElem(elem, kSurfType, nNodes, context, 3, kSurfNodeCounts);
  if (nDof != 3 * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[prop];
  w->m = nNodes / 2;
  w->nDof = nDof;
  int c1 = 2, c2 = 2;
  if (p.IntegrationNumber != 0) {
    const NumericalIntegration& r = mesh->Integrations[p.IntegrationNumber];
    c1 = Integ_G_S1(r);
    c2 = Integ_G_S2(r);
    if (c1 == 0 || c2 == 0) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n");
      std::fprintf(stderr, context, elem);
      std::fprintf(stderr, "   -> Specified integration name: %s\n", r.Name);
      errexit("Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing.", 0);
    }
  }
  allocd2(&w->S, c1 * c2, 2);
  allocd1(&w->W, c1 * c2);
  w->nIP = CalcIntegrationPointsQuad(elem, p.IntegrationType, p.IntegrationNumber, c1, c2, w->S, w->W);
  allocd2(&w->X, w->m, 3);
  allocd2(&w->dN, w->m, 2);
  allocd2(&w->Jm, 3, 2);
  allocd2(&w->B, 3, nDof);
  allocd2(&w->T, 3, 3);
  allocd2(&w->k, nDof, nDof);
  allocd1(&w->N, w->m);
  CalcMidCoordInterface(elem, kSurfType, w->m, mesh, w->X);
}

void CloseSurf(SurfWork* w) {
  freed1(w->N);
  freed2(w->k);
  freed2(w->T);
  freed2(w->B);
  freed2(w->Jm);
  freed2(w->dN);
  freed2(w->X);
  freed1(w->W);
  freed2(w->S);
}

// Kinematics at point ip: N, B, T; returns the area scale |a1 x a2| times the weight.
double SurfPoint(int elem, int ip, const char* context, const char* oc, SurfWork* w) {
  const double* s = w->S[ip];
  CalcShapeFuncQuad(w->m, w->N, s);
  CalcShapeFuncDerivQuad(w->m, w->dN, s);
  multtd2d2(w->Jm, w->X, w->dN, 3, w->m, 2);
  double a1[4], a2[4], a[4];
  getcold2(a1, w->Jm, 3, 1);
  getcold2(a2, w->Jm, 3, 2);
  crossd1(a, a1, a2);
  const double area = normd1(a, 3);
  if (JacobianIsNull(area, 3, 2, w->Jm)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, context, elem);
    errexit("Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed.", 0);
  }
  CalcMat_B_Interface3D(w->m, w->B, w->N);
  CalcMat_T_ElemNormal(elem, kSurfType, w->m, oc[OC_PRINT_MAT_T_QUAD], s, w->T, w->X);
  return w->W[ip] * area;
}

// Kg += f B^T D B of the current point, turned to global axes node block by node block.
void AddPointStiffness(double f, double** D, int nNodes, SurfWork* w, double** Kg) {
  btabd2(w->k, D, w->B, 3, w->nDof);
  scaled2(w->k, w->nDof, w->nDof, f);
  TransformAddElemMat(3, w->nDof, nNodes, Kg, w->k, w->T);
}

}  // namespace

void CalcStiffInterfaceQuad(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                            double** Kg) {
  double** D;
  allocd2(&D, 3, 3);
  CalcMat_D_InterfaceSurf(prop, 3, 3, D, mesh->Materials[LinearKindOfType(kSurfType)], mesh->ElemProps);
  SurfWork w;
  OpenSurf(nDof, elem, nNodes, prop, kCtxStiffness, mesh, &w);
  zerod2(Kg, nDof, nDof);
  for (int ip = 1; ip <= w.nIP; ip++) {
    const double f = SurfPoint(elem, ip, kCtxStiffness, oc, &w);
    AddPointStiffness(f, D, nNodes, &w, Kg);
  }
  PrintElementStiffMat(nDof, elem, kSurfType, oc[OC_PRINT_MAT_KG_INTERFACE_QUAD], Kg);
  CloseSurf(&w);
  freed2(D);
}

void CalcStiffInterfaceQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                               const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                               double** Kg) {
  const ElementProperty& p = mesh->ElemProps[prop];
  const int kind = p.MaterialKind;
  if (!NonlinearKindAllowed(kind, kSurfType)) InternalError(__FILE__, __LINE__);
  const MaterialRecord& mat = MaterialOf(mesh, kind, p.MaterialNumber);
  double** D;
  allocd2(&D, 3, 3);
  SurfWork w;
  OpenSurf(nDof, elem, nNodes, prop, kCtxStiffness, mesh, &w);
  zerod2(Kg, nDof, nDof);
  for (int ip = 1; ip <= w.nIP; ip++) {
    const double f = SurfPoint(elem, ip, kCtxStiffness, oc, &w);
    const PointContext at{ip, comb, elem, iter, 0};
    InterfaceTangent(kind, kStateInterfaceSurface, at, mat, nlmmHD, LinePointRecord(indexHD, elemToHD, elem, ip), D);
    AddPointStiffness(f, D, nNodes, &w, Kg);
  }
  PrintElementStiffMat(nDof, elem, kSurfType, oc[OC_PRINT_MAT_KG_INTERFACE_QUAD], Kg);
  CloseSurf(&w);
  freed2(D);
}

void CalcInt_Fg_InterfaceQuad_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                                 const double* elemDisplIncr, const double* elemDispl, double* Fint) {
  const ElementProperty& p = mesh->ElemProps[prop];
  const int kind = p.MaterialKind;
  if (!NonlinearKindAllowed(kind, kSurfType)) InternalError(__FILE__, __LINE__);
  const MaterialRecord& mat = MaterialOf(mesh, kind, p.MaterialNumber);
  SurfWork w;
  OpenSurf(nDof, elem, nNodes, prop, kCtxIntForces, mesh, &w);
  double* f;
  allocd1(&f, nDof);
  zerod1(Fint, nDof);
  for (int ip = 1; ip <= w.nIP; ip++) {
    const double scale = SurfPoint(elem, ip, kCtxIntForces, oc, &w);
    double rel[4], dw[4], wl[4], sigma[4], fl[4], fg[4];
    multd2d1(rel, w.B, elemDisplIncr, 3, nDof);
    multd2d1(dw, w.T, rel, 3, 3);
    multd2d1(rel, w.B, elemDispl, 3, nDof);
    multd2d1(wl, w.T, rel, 3, 3);
    const PointContext at{ip, comb, elem, iter, 0};
    InterfaceTraction(kind, kStateInterfaceSurface, at, mat, nlmmHD, LinePointRecord(indexHD, elemToHD, elem, ip), dw, wl, sigma);
    multtd2d1(f, w.B, sigma, nDof, 3);
    for (int i = 1; i <= nNodes; i++) {
      for (int c = 1; c <= 3; c++) fl[c] = f[3 * (i - 1) + c];
      multtd2d1(fg, w.T, fl, 3, 3);
      for (int c = 1; c <= 3; c++) Fint[3 * (i - 1) + c] += scale * fg[c];
    }
  }
  freed1(f);
  CloseSurf(&w);
}
