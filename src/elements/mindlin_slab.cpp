// Mindlin slab (type 18): a 4-, 8- or 9-node plate in the x1-x2 plane with the dofs w,
// theta1, theta2 per node; bending and transverse shear integrated with their own rules.
#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/point_rules.h"
#include "elements/shell_solid.h"
#include "materials/elastic.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

void CalcMat_B_MindlinSlab(int nNodes, char kind, double** B, double** dNdx, const double* N) {
  switch (kind) {
    case 'B':
      for (int k = 1; k <= nNodes; k++) {
        const int c = 3 * (k - 1);
        B[1][c + 3] = dNdx[k][1];
        B[2][c + 2] = -dNdx[k][2];
        B[3][c + 2] = -dNdx[k][1];
        B[3][c + 3] = dNdx[k][2];
      }
      return;
    case 'S':
      for (int k = 1; k <= nNodes; k++) {
        const int c = 3 * (k - 1);
        B[1][c + 1] = dNdx[k][2];
        B[1][c + 2] = -N[k];
        B[2][c + 1] = dNdx[k][1];
        B[2][c + 3] = N[k];
      }
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcMat_D_MindlinSlab(int propIndex, int nb, int ns, int nb2, int ns2, double** Db, double** Ds,
                           const MaterialRecord* linIso, const ElementProperty* props) {
  if (nb != 3 || ns != 2 || nb2 != 3 || ns2 != 2) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = props[propIndex];
  if (LinearElasticity(p.MaterialKind) != kElasticIsotropic) errexit("Mindlin slab element: invalid material type.", 0);
  const MaterialRecord& m = linIso[p.MaterialNumber];
  const double E = IsotropicConstants(m).E, nu = IsotropicConstants(m).nu;
  CalcPlateIsoD("Mindlin slab", E, nu, Db);
  zerod2(Ds, 2, 2);
  Ds[1][1] = Ds[2][2] = E / (2.4 * nu + 2.4);
}

void CalcStiffMindlinSlabQuad(int ndof, int elem, int nNodes, int propIndex, const char* OutputControl,
                              const MeshData* mesh, double** K) {
  if (ndof != 3 * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[propIndex];
  double **Bb, **Bs, **Db, **Ds, **DB, **dNds, **dNdx, **J, **Jinv, **X;
  double *N, *t;
  allocd2(&Bb, 3, ndof);
  allocd2(&Bs, 2, ndof);
  allocd2(&Db, 3, 3);
  allocd2(&Ds, 2, 2);
  allocd2(&DB, 3, ndof);
  allocd2(&dNds, nNodes, 2);
  allocd2(&dNdx, nNodes, 2);
  allocd2(&J, 2, 2);
  allocd2(&Jinv, 2, 2);
  allocd2(&X, nNodes, 2);
  allocd1(&N, nNodes);
  allocd1(&t, nNodes);

  CalcMat_D_MindlinSlab(propIndex, 3, 2, 3, 2, Db, Ds, ElasticRecords(mesh, kElasticIsotropic), mesh->ElemProps);
  CalcMat_ElemNodeCoord(elem, _MINDLIN_SLAB_QUAD, nNodes, mesh->ElemNodes, X, mesh->PointCoord);
  CalcShellNodeThickness(nNodes, propIndex, t, mesh->GeomPatterns, mesh->LamThicks, mesh->ElemProps);
  zerod2(Bb, 3, ndof);
  zerod2(Bs, 2, ndof);
  zerod2(K, ndof, ndof);

  // Point counts of the bending and shear rules along s1 and s2.
  int cb[3] = {0, 2, 2}, cs[3] = {0, 2, 2};
  if (p.IntegrationNumber != 0) {
    const NumericalIntegration& r = mesh->Integrations[p.IntegrationNumber];
    for (int d = 1; d <= 2; d++) {
      cb[d] = IntegPoints(r, 'B', d);
      cs[d] = IntegPoints(r, 'S', d);
    }
  }
  for (int part = 1; part <= 2; part++) {
    const int* c = part == 1 ? cb : cs;
    const TensorRule rule = ElementTensorRule(elem, p, 2, c);
    ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& pt) {
      CalcShapeFuncQuad(nNodes, N, pt.s);
      const double h = dotd1(N, t, nNodes);
      CalcShapeFuncDerivQuad(nNodes, dNds, pt.s);
      const double det = PointCartesianDerivWith(nNodes, 2, X, dNds, J, Jinv, dNdx, [&](double** Jm, double** Ji) {
        return CalcInvJacobianPart(elem, part == 1 ? "bending" : "shear", Jm, Ji);
      });
      if (part == 1) {
        CalcMat_B_MindlinSlab(nNodes, 'B', Bb, dNdx, N);
        AddScaledBtDB(3, ndof, pt.weight * h * h * h / 12.0 * det, Bb, Db, DB, K);
      } else {
        CalcMat_B_MindlinSlab(nNodes, 'S', Bs, dNdx, N);
        AddScaledBtDB(2, ndof, pt.weight * h * det, Bs, Ds, DB, K);
      }
    });
  }

  PrintElementStiffMat(ndof, elem, _MINDLIN_SLAB_QUAD, OutputControl[OC_PRINT_MAT_KG_MINDLIN_SLAB_QUAD], K);

  freed1(t);
  freed1(N);
  freed2(X);
  freed2(Jinv);
  freed2(J);
  freed2(dNdx);
  freed2(dNds);
  freed2(DB);
  freed2(Ds);
  freed2(Db);
  freed2(Bs);
  freed2(Bb);
}
