// Solid hexahedron (type 24, 8 or 20 nodes): linear stiffness and consistent mass.
#include <cstdio>

#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/members.h"
#include "elements/point_rules.h"
#include "elements/shell_solid.h"
#include "materials/elastic.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

void OpenHexaPointWork(int elem, int n, const MeshData* mesh, HexaPointWork* w) {
  w->n = n;
  allocd2(&w->X, n, 3);
  allocd2(&w->dN, n, 3);
  allocd2(&w->dNdx, n, 3);
  allocd2(&w->J, 3, 3);
  allocd2(&w->Jinv, 3, 3);
  allocd2(&w->B, 6, 3 * n);
  allocd1(&w->N, n);
  CalcMat_ElemNodeCoord(elem, _SOLID_HEXA, n, mesh->ElemNodes, w->X, mesh->PointCoord);
  zerod2(w->B, 6, 3 * n);
}

void CloseHexaPointWork(HexaPointWork* w) {
  freed1(w->N);
  freed2(w->B);
  freed2(w->Jinv);
  freed2(w->J);
  freed2(w->dNdx);
  freed2(w->dN);
  freed2(w->X);
}

void HexaPointJacobian(const double* s, HexaPointWork* w) {
  CalcShapeFuncSolidHexa(w->n, w->N, s);
  CalcShapeFuncDerivSolidHexa(w->n, w->dN, s);
  CalcMat_Jacobian(w->n, 3, 3, w->X, w->dN, w->J);
}

double HexaPointB(int elem, const char* context, const double* s, HexaPointWork* w) {
  return HexaPointGeometry(s, w, [&](double** J, double** Jinv) { return CalcInvJacobian(elem, context, 3, J, Jinv); });
}

void CalcStiffSolidHexa(int nDofs, int elem, int nNodes, int propIndex, const char* OutputControl,
                        const MeshData* mesh, double** Kg) {
  if (nDofs != 3 * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[propIndex];
  double **D, **DB;
  allocd2(&D, 6, 6);
  allocd2(&DB, 6, nDofs);
  HexaPointWork hw;
  OpenHexaPointWork(elem, nNodes, mesh, &hw);

  CalcMat_D_Solid(elem, propIndex, 6, 6, D, ElasticRecords(mesh, kElasticIsotropic),
                  ElasticRecords(mesh, kElasticOrthotropic), mesh->ElemProps);
  zerod2(Kg, nDofs, nDofs);

  int c[4] = {0, 2, 2, 2};
  if (p.IntegrationNumber != 0) {
    const NumericalIntegration& r = mesh->Integrations[p.IntegrationNumber];
    c[1] = Integ_G_S1(r);
    c[2] = Integ_G_S2(r);
    c[3] = Integ_G_S3(r);
  }
  ForEachRulePoint(ElementTensorRule(elem, p, 3, c), RuleOrder::kLastFastest, [&](const RulePoint& q) {
    const double det = HexaPointB(elem, kCtxStiffness, q.s, &hw);
    AddScaledBtDB(6, nDofs, q.weight * det, hw.B, D, DB, Kg);
  });

  PrintElementStiffMat(nDofs, elem, _SOLID_HEXA, OutputControl[OC_PRINT_MAT_KG_SOLID_HEXA], Kg);

  CloseHexaPointWork(&hw);
  freed2(DB);
  freed2(D);
}

void CalcMassMatSolidHexa(int nDofs, int elem, int nNodes, int propIndex, const char* OutputControl,
                          const MeshData* mesh, double** M) {
  if (nDofs != 3 * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[propIndex];
  const double rho = ElemMaterialDensity(elem, _SOLID_HEXA, propIndex, mesh);
  double **Nm, **NtN;
  allocd2(&Nm, 3, nDofs);
  allocd2(&NtN, nDofs, nDofs);
  HexaPointWork hw;
  OpenHexaPointWork(elem, nNodes, mesh, &hw);
  zerod2(Nm, 3, nDofs);
  zerod2(M, nDofs, nDofs);
  int c[4];
  CalcElemIntegrationCounts(elem, kCtxMass, 3, 2, propIndex, mesh->Integrations, mesh->ElemProps, c);
  ForEachRulePoint(ElementTensorRule(elem, p, 3, c), RuleOrder::kLastFastest, [&](const RulePoint& q) {
    HexaPointJacobian(q.s, &hw);
    const double det = CalcInvJacobian(elem, kCtxMass, 3, hw.J, hw.Jinv);
    CalcMat_N_Mass(3, nNodes, Nm, hw.N);
    MatTMatMultSmall(NtN, Nm, Nm, 3, nDofs);
    scaled2(NtN, nDofs, nDofs, q.weight * det);
    addd2(M, NtN, nDofs, nDofs);
  });
  scaled2(M, nDofs, nDofs, rho);
  PrintElementMassMat(nDofs, elem, _SOLID_HEXA, OutputControl[OC_PRINT_MAT_MG_SOLID_HEXA], M);
  CloseHexaPointWork(&hw);
  freed2(NtN);
  freed2(Nm);
}
