// Solid hexahedron (type 24, 8 or 20 nodes): linear stiffness and consistent mass.
#include <cstdio>

#include "elements/kernel.h"
#include "elements/members.h"
#include "elements/shell_solid.h"
#include "materials/elastic.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

void CalcStiffSolidHexa(int nDofs, int elem, int nNodes, int propIndex, const char* OutputControl,
                        const MeshData* mesh, double** Kg) {
  if (nDofs != 3 * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[propIndex];
  double **B, **D, **DB, **dNds, **dNdx, **X, **J, **Jinv;
  allocd2(&B, 6, nDofs);
  allocd2(&D, 6, 6);
  allocd2(&DB, 6, nDofs);
  allocd2(&dNds, nNodes, 3);
  allocd2(&dNdx, nNodes, 3);
  allocd2(&X, nNodes, 3);
  allocd2(&J, 3, 3);
  allocd2(&Jinv, 3, 3);

  CalcMat_D_Solid(elem, propIndex, 6, 6, D, ElasticRecords(mesh, kElasticIsotropic),
                  ElasticRecords(mesh, kElasticOrthotropic), mesh->ElemProps);
  CalcMat_ElemNodeCoord(elem, _SOLID_HEXA, nNodes, mesh->ElemNodes, X, mesh->PointCoord);
  zerod2(B, 6, nDofs);
  zerod2(Kg, nDofs, nDofs);

  int c[4] = {0, 2, 2, 2};
  if (p.IntegrationNumber != 0) {
    const NumericalIntegration& r = mesh->Integrations[p.IntegrationNumber];
    c[1] = Integ_G_S1(r);
    c[2] = Integ_G_S2(r);
    c[3] = Integ_G_S3(r);
  }
  const double *a[4], *w[4];
  for (int d = 1; d <= 3; d++) GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[d], &a[d], &w[d]);

  double s[4];
  for (int i = 1; i <= c[1]; i++)
    for (int j = 1; j <= c[2]; j++)
      for (int k = 1; k <= c[3]; k++) {
        s[1] = a[1][i];
        s[2] = a[2][j];
        s[3] = a[3][k];
        CalcShapeFuncDerivSolidHexa(nNodes, dNds, s);
        CalcMat_Jacobian(nNodes, 3, 3, X, dNds, J);
        const double det = CalcInvJacobian(elem, kCtxStiffness, 3, J, Jinv);
        CalcCartesianDeriv(nNodes, 3, dNds, Jinv, dNdx);
        CalcMat_B_Solid(nNodes, B, dNdx);
        AddScaledBtDB(6, nDofs, w[1][i] * w[2][j] * w[3][k] * det, B, D, DB, Kg);
      }

  PrintElementStiffMat(nDofs, elem, _SOLID_HEXA, OutputControl[OC_PRINT_MAT_KG_SOLID_HEXA], Kg);

  freed2(Jinv);
  freed2(J);
  freed2(X);
  freed2(dNdx);
  freed2(dNds);
  freed2(DB);
  freed2(D);
  freed2(B);
}

void CalcMassMatSolidHexa(int nDofs, int elem, int nNodes, int propIndex, const char* OutputControl,
                          const MeshData* mesh, double** M) {
  if (nDofs != 3 * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[propIndex];
  const double rho = ElemMaterialDensity(elem, _SOLID_HEXA, propIndex, mesh);
  double **Nm, **NtN, **dNds, **X, **J, **Jinv;
  double* N;
  allocd2(&Nm, 3, nDofs);
  allocd2(&NtN, nDofs, nDofs);
  allocd2(&dNds, nNodes, 3);
  allocd2(&X, nNodes, 3);
  allocd2(&J, 3, 3);
  allocd2(&Jinv, 3, 3);
  allocd1(&N, nNodes);
  CalcMat_ElemNodeCoord(elem, _SOLID_HEXA, nNodes, mesh->ElemNodes, X, mesh->PointCoord);
  zerod2(Nm, 3, nDofs);
  zerod2(M, nDofs, nDofs);
  int c[4];
  CalcElemIntegrationCounts(elem, kCtxMass, 3, 2, propIndex, mesh->Integrations, mesh->ElemProps, c);
  const double *a[4], *w[4];
  for (int d = 1; d <= 3; d++) GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[d], &a[d], &w[d]);
  for (int i = 1; i <= c[1]; i++)
    for (int j = 1; j <= c[2]; j++)
      for (int k = 1; k <= c[3]; k++) {
        const double s[4] = {0.0, a[1][i], a[2][j], a[3][k]};
        CalcShapeFuncSolidHexa(nNodes, N, s);
        CalcShapeFuncDerivSolidHexa(nNodes, dNds, s);
        CalcMat_Jacobian(nNodes, 3, 3, X, dNds, J);
        const double det = CalcInvJacobian(elem, kCtxMass, 3, J, Jinv);
        CalcMat_N_Mass(3, nNodes, Nm, N);
        MatTMatMultSmall(NtN, Nm, Nm, 3, nDofs);
        const double f = w[1][i] * w[2][j] * w[3][k] * det;
        scaled2(NtN, nDofs, nDofs, f);
        addd2(M, NtN, nDofs, nDofs);
      }
  scaled2(M, nDofs, nDofs, rho);
  PrintElementMassMat(nDofs, elem, _SOLID_HEXA, OutputControl[OC_PRINT_MAT_MG_SOLID_HEXA], M);
  freed1(N);
  freed2(Jinv);
  freed2(J);
  freed2(X);
  freed2(dNds);
  freed2(NtN);
  freed2(Nm);
}
