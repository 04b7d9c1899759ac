// Cable elements: Cable2D (type 5, d = 2 dofs per node, in the x2-x3 plane) and Cable3D
// (type 6, d = 3). Straight or curved bars of 2 or 3 nodes that carry axial force only:
// strain, area and local axes are taken at each integration point along the line.
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

constexpr int kCableNodeCounts[3] = {0, 2, 3};

// What tells the two cable types apart.
struct CableType {
  int d;
  int typeCode;
  int flagKg;
  int flagT;
};
constexpr CableType kCable2D{2, _CABLE_2D, OC_PRINT_MAT_KG_CABLE_2D, OC_PRINT_MAT_T_CABLE_2D};
constexpr CableType kCable3D{3, _CABLE_3D, OC_PRINT_MAT_KG_CABLE_3D, OC_PRINT_MAT_T_CABLE_3D};

// Geometry, integration rule and work arrays of one call.
struct CableWork {
  int nNodes, nDof, nIP;
  const double* abscissa;
  const double* weight;
  double *N, *dN, *g, *tan, *b, *A;
  double **X, **T, **Kl;
};

void OpenCable(const CableType& c, int nDof, int elem, int nNodes, int prop, const char* context,
               const MeshData* mesh, CableWork* w) {
  CheckNodeCountLineElem(elem, c.typeCode, nNodes, context, 2, kCableNodeCounts);
  if (nDof != c.d * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[prop];
  w->nNodes = nNodes;
  w->nDof = nDof;
  w->nIP = CalcNumIntPointsLine(elem, context, prop, 'G', mesh);
  GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, w->nIP, &w->abscissa, &w->weight);
  allocd1(&w->N, nNodes);
  allocd1(&w->dN, nNodes);
  allocd1(&w->g, nNodes);
  allocd1(&w->tan, c.d);
  allocd1(&w->b, nDof);
  allocd1(&w->A, nNodes);
  allocd2(&w->X, nNodes, c.d);
  allocd2(&w->T, c.d, c.d);
  allocd2(&w->Kl, nDof, nDof);
  CalcMat_ElemNodeCoord(elem, c.typeCode, nNodes, mesh->ElemNodes, w->X, mesh->PointCoord);
  CalcNodalAreasLine(nNodes, prop, mesh, w->A);
  zerod1(w->b, nDof);
}

void CloseCable(CableWork* w) {
  freed2(w->Kl);
  freed2(w->T);
  freed2(w->X);
  freed1(w->A);
  freed1(w->b);
  freed1(w->tan);
  freed1(w->g);
  freed1(w->dN);
  freed1(w->N);
}

// Kinematics at integration point ip: N, the area A(s), the axial strain row b in local
// axes and the local axes T; returns the Jacobian |dx/ds|.
double CablePoint(const CableType& c, int elem, int ip, const char* context, const char* oc, CableWork* w,
                  double* As) {
  const double s = w->abscissa[ip];
  const int n = w->nNodes;
  CalcShapeFuncLine(n, s, w->N);
  CalcShapeFuncDerivLine(n, s, w->dN);
  *As = dotd1(w->N, w->A, n);
  multtd2d1(w->tan, w->X, w->dN, c.d, n);
  const double J = normd1(w->tan, c.d);
  if (!(J >= kSmall)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, context, elem);
    errexit("Jacobian norm is null:\nelement geometry and/or mesh connectivity must be changed.", 0);
  }
  for (int i = 1; i <= n; i++) w->g[i] = w->dN[i] / J;
  if (c.d == 3) {
    ScatterNodalValuesCable3D(n, w->b, w->g);
    CalcMat_T_Cable3D(elem, n, s, oc[c.flagT], w->T, w->X);
  } else {
    ScatterNodalValuesCable2D(n, w->b, w->g);
    CalcMat_T_Cable2D(elem, n, s, oc[c.flagT], w->T, w->X);
  }
  return J;
}

// Adds (factor) b b^T, turned to global axes node block by node block, to Kg.
void AddAxialStiffness(const CableType& c, double factor, CableWork* w, double** Kg) {
  outerd1(w->Kl, w->b, w->b, w->nDof, w->nDof);
  scaled2(w->Kl, w->nDof, w->nDof, factor);
  TransformAddElemMat(c.d, w->nDof, w->nNodes, Kg, w->Kl, w->T);
}

void StiffCable(const CableType& c, int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                double** Kg) {
  const ElementProperty& p = mesh->ElemProps[prop];
  if (p.MaterialKind != LinearKindOfType(c.typeCode)) InternalError(__FILE__, __LINE__);
  const double E = UniaxialInitialModulus(p.MaterialKind, MaterialOf(mesh, p.MaterialKind, p.MaterialNumber));
  CableWork w;
  OpenCable(c, nDof, elem, nNodes, prop, kCtxStiffness, mesh, &w);
  zerod2(Kg, nDof, nDof);
  for (int ip = 1; ip <= w.nIP; ip++) {
    double A;
    const double J = CablePoint(c, elem, ip, kCtxStiffness, oc, &w, &A);
    AddAxialStiffness(c, A * E * w.weight[ip] * J, &w, Kg);
  }
  PrintElementStiffMat(nDof, elem, c.typeCode, oc[c.flagKg], Kg);
  CloseCable(&w);
}

void StiffCableNL(const CableType& c, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                  const MeshData* mesh, const Index_HD* indexHD, NLMM_HD* hd, const int* elemToHD, double** Kg) {
  const ElementProperty& p = mesh->ElemProps[prop];
  CableWork w;
  OpenCable(c, nDof, elem, nNodes, prop, kCtxStiffness, mesh, &w);
  zerod2(Kg, nDof, nDof);
  for (int ip = 1; ip <= w.nIP; ip++) {
    double A;
    const double J = CablePoint(c, elem, ip, kCtxStiffness, oc, &w, &A);
    // The kind is examined at every point, so an unsupported one stops at the first.
    if (!NonlinearKindAllowed(p.MaterialKind, c.typeCode)) InternalError(__FILE__, __LINE__);
    const double Et = UniaxialTangent(p.MaterialKind, iter, MaterialOf(mesh, p.MaterialKind, p.MaterialNumber), hd,
                                      LinePointRecord(indexHD, elemToHD, elem, ip));
    AddAxialStiffness(c, Et * A * w.weight[ip] * J, &w, Kg);
  }
  PrintElementStiffMat(nDof, elem, c.typeCode, oc[c.flagKg], Kg);
  CloseCable(&w);
}

void IntForcesCableNL(const CableType& c, int nDof, int elem, int nNodes, int prop, const char* oc,
                      const MeshData* mesh, const Index_HD* indexHD, NLMM_HD* hd, const int* elemToHD,
                      const double* elemDispl, double** elemTempVar, double* Fint) {
  const ElementProperty& p = mesh->ElemProps[prop];
  const int kind = p.MaterialKind;
  if (!NonlinearKindAllowed(kind, c.typeCode)) InternalError(__FILE__, __LINE__);
  const MaterialRecord& mat = MaterialOf(mesh, kind, p.MaterialNumber);
  const double alpha = ExpansionCoefficient(kind, mat, 1);
  const double E0 = UniaxialInitialModulus(kind, mat);
  CableWork w;
  OpenCable(c, nDof, elem, nNodes, prop, kCtxIntForces, mesh, &w);
  double* ul;
  allocd1(&ul, nDof);
  zerod1(Fint, nDof);
  const double* dT = elemTempVar[elem];
  for (int ip = 1; ip <= w.nIP; ip++) {
    double A;
    const double J = CablePoint(c, elem, ip, kCtxIntForces, oc, &w, &A);
    for (int i = 1; i <= nNodes; i++) multd2d1(ul + (i - 1) * c.d, w.T, elemDispl + (i - 1) * c.d, c.d, c.d);
    const double eps = dotd1(w.b, ul, nDof);
    const double epsTh = alpha * dotd1(w.N, dT, nNodes);
    // The record keeps the mechanical strain, the one the law compares the next call with.
    const double sigma =
        UniaxialStress(kind, mat, eps - epsTh, hd, LinePointRecord(indexHD, elemToHD, elem, ip)) + E0 * epsTh;
    const double f = sigma * A * w.weight[ip] * J;
    for (int i = 1; i <= nNodes; i++) {
      double fg[4];
      double fli[4];
      for (int k = 1; k <= c.d; k++) fli[k] = w.b[(i - 1) * c.d + k] * f;
      multtd2d1(fg, w.T, fli, c.d, c.d);
      for (int k = 1; k <= c.d; k++) Fint[(i - 1) * c.d + k] += fg[k];
    }
  }
  freed1(ul);
  CloseCable(&w);
}

}  // namespace

void ScatterNodalValuesCable2D(int nNodes, double* b, const double* g) {
  for (int i = 1; i <= nNodes; i++) b[2 * (i - 1) + 1] = g[i];
}

void ScatterNodalValuesCable3D(int nNodes, double* b, const double* g) {
  for (int i = 1; i <= nNodes; i++) b[3 * (i - 1) + 1] = g[i];
}

void CalcStiffCable2D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh, double** Kg) {
  StiffCable(kCable2D, nDof, elem, nNodes, prop, oc, mesh, Kg);
}

void CalcStiffCable3D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh, double** Kg) {
  StiffCable(kCable3D, nDof, elem, nNodes, prop, oc, mesh, Kg);
}

void CalcStiffCable2D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                         const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                         double** Kg) {
  (void)comb;
  StiffCableNL(kCable2D, nDof, elem, iter, nNodes, prop, oc, mesh, indexHD, nlmmHD, elemToHD, Kg);
}

void CalcStiffCable3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                         const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                         double** Kg) {
  (void)comb;
  StiffCableNL(kCable3D, nDof, elem, iter, nNodes, prop, oc, mesh, indexHD, nlmmHD, elemToHD, Kg);
}

void CalcInt_Fg_Cable2D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                           const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                           const double* elemDispl, double** elemTempVar, double* Fint) {
  (void)comb;
  (void)iter;
  IntForcesCableNL(kCable2D, nDof, elem, nNodes, prop, oc, mesh, indexHD, nlmmHD, elemToHD, elemDispl, elemTempVar,
                   Fint);
}

void CalcInt_Fg_Cable3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                           const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* nlmmHD, const int* elemToHD,
                           const double* elemDispl, double** elemTempVar, double* Fint) {
  (void)comb;
  (void)iter;
  IntForcesCableNL(kCable3D, nDof, elem, nNodes, prop, oc, mesh, indexHD, nlmmHD, elemToHD, elemDispl, elemTempVar,
                   Fint);
}

// ---- behaviour-row adapters ----
void Cable2DForces(const ElementCall& c, double* F) {
  CalcInt_Fg_Cable2D_NL(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl, c.index,
                        c.mesh, c.table, c.elemToHD, c.a, c.ElemTempVar, F);
}
void Cable3DForces(const ElementCall& c, double* F) {
  CalcInt_Fg_Cable3D_NL(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl, c.index,
                        c.mesh, c.table, c.elemToHD, c.a, c.ElemTempVar, F);
}
