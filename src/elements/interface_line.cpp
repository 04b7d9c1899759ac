// Line interface elements: InterfaceLine2D (type 27, d = 2, in the x2-x3 plane) and
// InterfaceLine3D (type 28, d = 3). Two faces of 2 or 3 nodes each; the strain is the
// relative displacement of the faces, the stress the traction across them, integrated
// along the mid-line with its width.
#include <cstdio>

#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "materials/material_table.h"
#include "model/material.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

constexpr int kInterfaceLineNodeCounts[3] = {0, 4, 6};

void StiffInterfaceLine(int d, int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                        double** Kg) {
  const int typeCode = d == 2 ? _INTERFACE_LINE_2D : _INTERFACE_LINE_3D;
  CheckNodeCountLineElem(elem, typeCode, nNodes, kCtxStiffness, 2, kInterfaceLineNodeCounts);
  if (nDof != d * nNodes) InternalError(__FILE__, __LINE__);
  const int m = nNodes / 2;
  double **D, **B, **k, **X, **T;
  double *N, *dN, *t, *J;
  allocd2(&D, d, d);
  if (d == 2)
    CalcMat_D_InterfaceLine2D(prop, 2, 2, D, mesh->Materials[LinearKindOfType(_INTERFACE_LINE_2D)], mesh->ElemProps);
  else
    CalcMat_D_InterfaceLine3D(prop, 3, 3, D, mesh->Materials[LinearKindOfType(_INTERFACE_LINE_3D)], mesh->ElemProps);

  const ElementProperty& p = mesh->ElemProps[prop];
  const int nIP = CalcNumIntPointsLine(elem, kCtxStiffness, prop, 'G', mesh);
  const double *abscissa, *weight;
  GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, nIP, &abscissa, &weight);

  allocd2(&B, d, nDof);
  allocd2(&k, nDof, nDof);
  allocd2(&X, m, d);
  allocd2(&T, d, d);
  allocd1(&N, m);
  allocd1(&dN, m);
  allocd1(&t, m);
  allocd1(&J, d);
  CalcMidCoordInterface(elem, typeCode, m, mesh, X);
  CalcWidthsInterfaceLine(m, prop, mesh, t);
  zerod2(Kg, nDof, nDof);
  zerod2(B, d, nDof);
  for (int ip = 1; ip <= nIP; ip++) {
    const double s = abscissa[ip];
    CalcShapeFuncLine(m, s, N);
    CalcShapeFuncDerivLine(m, s, dN);
    const double ts = dotd1(N, t, m);
    multtd2d1(J, X, dN, d, m);
    const double normJ = normd1(J, d);
    if (!(normJ >= kSmall)) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n");
      std::fprintf(stderr, kCtxStiffness, elem);
      errexit("Jacobian norm is null:\nelement geometry and/or mesh connectivity must be changed.", 0);
    }
    if (d == 2)
      CalcMat_B_Interface2D(m, B, N);
    else
      CalcMat_B_Interface3D(m, B, N);
    btabd2(k, D, B, d, nDof);
    scaled2(k, nDof, nDof, weight[ip] * normJ * ts);
    if (d == 2)
      CalcMat_T_InterfaceLine2D(elem, m, s, oc[OC_PRINT_MAT_T_INTERFACE_LINE_2D], T, X);
    else
      CalcMat_T_InterfaceLine3D(elem, m, s, oc[OC_PRINT_MAT_T_INTERFACE_LINE_3D], T, X);
    TransformAddElemMat(d, nDof, nNodes, Kg, k, T);
  }
  const int flagKg = d == 2 ? OC_PRINT_MAT_KG_INTERFACE_LINE_2D : OC_PRINT_MAT_KG_INTERFACE_LINE_3D;
  PrintElementStiffMat(nDof, elem, typeCode, oc[flagKg], Kg);
  freed1(J);
  freed1(t);
  freed1(dN);
  freed1(N);
  freed2(T);
  freed2(X);
  freed2(k);
  freed2(B);
  freed2(D);
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

void CalcStiffInterfaceLine2D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                              double** Kg) {
  StiffInterfaceLine(2, nDof, elem, nNodes, prop, oc, mesh, Kg);
}

void CalcStiffInterfaceLine3D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                              double** Kg) {
  StiffInterfaceLine(3, nDof, elem, nNodes, prop, oc, mesh, Kg);
}
