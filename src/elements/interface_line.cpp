// Line interface elements: InterfaceLine2D (type 27, d = 2, in the x2-x3 plane) and
// InterfaceLine3D (type 28, d = 3). Two faces of 2 or 3 nodes each; the strain is the
// relative displacement of the faces, the stress the traction across them, integrated
// along the mid-line with its width.
#include <cmath>
#include <cstdio>

#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "materials/material_point.h"
#include "materials/material_table.h"
#include "model/material.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

constexpr int kInterfaceLineNodeCounts[3] = {0, 4, 6};

// Kinematics of the point s of the mid-line: N, dN/ds, B and the local axes T; returns
// the norm of the Jacobian, after the check that the mid-line is not collapsed there.
double InterfaceLinePoint(int d, int elem, int m, double s, const char* context, const char* oc, double** X, double* N,
                          double* dN, double* J, double** B, double** T) {
  CalcShapeFuncLine(m, s, N);
  CalcShapeFuncDerivLine(m, s, dN);
  multtd2d1(J, X, dN, d, m);
  const double normJ = normd1(J, d);
  if (!(normJ >= kSmall)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, context, elem);
    errexit("Jacobian norm is null:\nelement geometry and/or mesh connectivity must be changed.", 0);
  }
  if (d == 2) {
    CalcMat_B_Interface2D(m, B, N);
    CalcMat_T_InterfaceLine2D(elem, m, s, oc == nullptr ? 'N' : oc[OC_PRINT_MAT_T_INTERFACE_LINE_2D], T, X);
  } else {
    CalcMat_B_Interface3D(m, B, N);
    CalcMat_T_InterfaceLine3D(elem, m, s, oc == nullptr ? 'N' : oc[OC_PRINT_MAT_T_INTERFACE_LINE_3D], T, X);
  }
  return normJ;
}

// B (d x 2dm): -N_i I for node i, +N_i I for node m + i.
void FillInterfaceB(int d, int m, double** B, const double* N) {
  for (int i = 1; i <= m; i++)
    for (int c = 1; c <= d; c++) {
      B[c][d * (i - 1) + c] = -N[i];
      B[c][d * m + d * (i - 1) + c] = N[i];
    }
}

}  // namespace

void CalcMat_B_Interface2D(int m, double** B, const double* N) {
  zerod2(B, 2, 4 * m);
  FillInterfaceB(2, m, B, N);
}

void CalcMat_B_Interface3D(int m, double** B, const double* N) {
  zerod2(B, 3, 6 * m);
  FillInterfaceB(3, m, B, N);
}

void CalcMidCoordInterface(int elem, int typeCode, int m, const MeshData* mesh, double** X) {
  const char* mask = GetElementTypeInfo(typeCode).coordMask;
  const int* nodes = mesh->ElemNodes[elem];
  for (int i = 1; i <= m; i++) {
    const double* a = mesh->PointCoord[nodes[i]];
    const double* b = mesh->PointCoord[nodes[m + i]];
    int c = 0;
    for (int j = 1; j <= 3; j++)
      if (mask[j] == '1') {
        c++;
        X[i][c] = (a[j] + b[j]) / 2.0;
      }
  }
}

void CalcWidthsInterfaceLine(int m, int prop, const MeshData* mesh, double* t) {
  const ElementProperty& p = mesh->ElemProps[prop];
  const int n = 2 * m;
  int* rec;
  alloci1(&rec, n);
  CalcPropNodeGeomRecords(n, prop, p, kGeomLamThick, mesh->GeomPatterns, mesh->nLamThicks, rec);
  for (int i = 1; i <= m; i++)
    t[i] = (mesh->LamThicks[rec[i]].Thickness + mesh->LamThicks[rec[m + i]].Thickness) / 2.0;
  freei1(rec);
}

namespace {

// What the loop over the points of a line interface computes besides the linear
// stiffness: the tangent stiffness or the internal forces of a nonlinear model, at a
// point of the run (the increment du and the total displacements u for the forces).
struct NonlinearCall {
  int comb, iter;
  const Index_HD* indexHD;
  NLMM_HD* hd;
  const int* elemToHD;
  const double* du;
  const double* u;
};

// Stiffness (Kg given: linear when nl is null, else the tangent) or internal forces
// (Fint given) of a line interface. The point's width is the section's, or for a bar
// bonded along the line the perimeter 2 sqrt(pi A) of its circular section.
void InterfaceLineLoop(int d, int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                       const NonlinearCall* nl, double** Kg, double* Fint) {
  const int typeCode = d == 2 ? _INTERFACE_LINE_2D : _INTERFACE_LINE_3D;
  const char* context = Kg != nullptr ? kCtxStiffness : kCtxIntForces;
  CheckNodeCountLineElem(elem, typeCode, nNodes, context, 2, kInterfaceLineNodeCounts);
  if (nDof != d * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[prop];
  const int kind = p.MaterialKind;
  double** D;
  allocd2(&D, d, d);
  const MaterialRecord* mat = nullptr;
  if (nl == nullptr) {
    // The linear record first: a wrong kind stops before anything else.
    if (d == 2)
      CalcMat_D_InterfaceLine2D(prop, 2, 2, D, mesh->Materials[LinearKindOfType(typeCode)], mesh->ElemProps);
    else
      CalcMat_D_InterfaceLine3D(prop, 3, 3, D, mesh->Materials[LinearKindOfType(typeCode)], mesh->ElemProps);
  } else {
    if (!NonlinearKindAllowed(kind, typeCode)) InternalError(__FILE__, __LINE__);
    mat = &MaterialOf(mesh, kind, p.MaterialNumber);
  }
  const StressState state = StressStateOfType(typeCode);
  const bool bar = nl != nullptr && InterfaceBondsBar(kind, state);
  const int m = nNodes / 2;
  const int nIP = CalcNumIntPointsLine(elem, context, prop, 'G', mesh);
  const double *abscissa, *weight;
  GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, nIP, &abscissa, &weight);

  double **B, **k = nullptr, **X, **T;
  double *N, *dN, *t, *J, *f = nullptr;
  allocd2(&B, d, nDof);
  allocd2(&X, m, d);
  allocd2(&T, d, d);
  allocd1(&N, m);
  allocd1(&dN, m);
  allocd1(&t, m);
  allocd1(&J, d);
  CalcMidCoordInterface(elem, typeCode, m, mesh, X);
  if (bar)
    CalcGeomProp_CS_AREA(m, prop, t, mesh->GeomPatterns, mesh->CsAreas, mesh->ElemProps);
  else
    CalcWidthsInterfaceLine(m, prop, mesh, t);
  if (Kg != nullptr) {
    allocd2(&k, nDof, nDof);
    zerod2(Kg, nDof, nDof);
  } else {
    allocd1(&f, nDof);
    zerod1(Fint, nDof);
  }
  for (int ip = 1; ip <= nIP; ip++) {
    const double s = abscissa[ip];
    const double normJ = InterfaceLinePoint(d, elem, m, s, context, oc, X, N, dN, J, B, T);
    const double ts = bar ? 2.0 * std::sqrt(std::acos(-1.0) * dotd1(N, t, m)) : dotd1(N, t, m);
    const double scale = weight[ip] * normJ * ts;
    int record = 0;
    PointContext at{ip, 0, elem, 0, 0};
    if (nl != nullptr) {
      at.combination = nl->comb;
      at.iteration = nl->iter;
      record = LinePointRecord(nl->indexHD, nl->elemToHD, elem, ip);
    }
    if (Kg != nullptr) {
      if (nl != nullptr) InterfaceTangent(kind, state, at, *mat, nl->hd, record, D);
      btabd2(k, D, B, d, nDof);
      scaled2(k, nDof, nDof, scale);
      TransformAddElemMat(d, nDof, nNodes, Kg, k, T);
    } else {
      double rel[4], dw[4], w[4], sigma[4], fl[4], fg[4];
      multd2d1(rel, B, nl->du, d, nDof);
      multd2d1(dw, T, rel, d, d);
      multd2d1(rel, B, nl->u, d, nDof);
      multd2d1(w, T, rel, d, d);
      InterfaceTraction(kind, state, at, *mat, nl->hd, record, dw, w, sigma);
      multtd2d1(f, B, sigma, nDof, d);
      for (int i = 1; i <= nNodes; i++) {
        for (int c = 1; c <= d; c++) fl[c] = f[d * (i - 1) + c];
        multtd2d1(fg, T, fl, d, d);
        for (int c = 1; c <= d; c++) Fint[d * (i - 1) + c] += scale * fg[c];
      }
    }
  }
  if (Kg != nullptr) {
    PrintElementStiffMat(nDof, elem, typeCode,
                         oc[d == 2 ? OC_PRINT_MAT_KG_INTERFACE_LINE_2D : OC_PRINT_MAT_KG_INTERFACE_LINE_3D], Kg);
    freed2(k);
  } else {
    freed1(f);
  }
  freed1(J);
  freed1(t);
  freed1(dN);
  freed1(N);
  freed2(T);
  freed2(X);
  freed2(B);
  freed2(D);
}

}  // namespace

void CalcStiffInterfaceLine2D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                              double** Kg) {
  InterfaceLineLoop(2, nDof, elem, nNodes, prop, oc, mesh, nullptr, Kg, nullptr);
}

void CalcStiffInterfaceLine3D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                              double** Kg) {
  InterfaceLineLoop(3, nDof, elem, nNodes, prop, oc, mesh, nullptr, Kg, nullptr);
}

void CalcStiffInterfaceLine2D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                 double** Kg) {
  const NonlinearCall nl{comb, iter, indexHD, hd, elemToHD, nullptr, nullptr};
  InterfaceLineLoop(2, nDof, elem, nNodes, prop, oc, mesh, &nl, Kg, nullptr);
}

void CalcStiffInterfaceLine3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                 const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                 double** Kg) {
  const NonlinearCall nl{comb, iter, indexHD, hd, elemToHD, nullptr, nullptr};
  InterfaceLineLoop(3, nDof, elem, nNodes, prop, oc, mesh, &nl, Kg, nullptr);
}

void CalcInt_Fg_InterfaceLine2D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   const double* elemDisplIncr, const double* elemDispl, double* Fint) {
  const NonlinearCall nl{comb, iter, indexHD, hd, elemToHD, elemDisplIncr, elemDispl};
  InterfaceLineLoop(2, nDof, elem, nNodes, prop, oc, mesh, &nl, nullptr, Fint);
}

void CalcInt_Fg_InterfaceLine3D_NL(int comb, int nDof, int elem, int iter, int nNodes, int prop, const char* oc,
                                   const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                   const double* elemDisplIncr, const double* elemDispl, double* Fint) {
  const NonlinearCall nl{comb, iter, indexHD, hd, elemToHD, elemDisplIncr, elemDispl};
  InterfaceLineLoop(3, nDof, elem, nNodes, prop, oc, mesh, &nl, nullptr, Fint);
}
