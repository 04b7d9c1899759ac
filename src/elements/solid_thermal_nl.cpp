// The thermal pair of a geometrically nonlinear hexahedron of nonlinear material: the
// element's temperature load is B^T D0 eps_T on the initial geometry, and its internal
// forces carry the same term for the total temperature variation, so that the two cancel
// exactly whatever the configuration and only the stress of the mechanical strain (the
// strain less the thermal one, taken by the material point) loads the element.
#include "elements/kernel.h"
#include "elements/point_rules.h"
#include "elements/shell_solid.h"
#include "materials/elastic.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void AddThermalStressForces_SolidHexa_NLMG(int elem, int nNodes, int prop, const MeshData* mesh,
                                           const double* tempTotal, double* Fe) {
  const int nDof = 3 * nNodes;
  const ElementProperty& p = mesh->ElemProps[prop];
  // The element's own rule, as its internal forces and its temperature load take it.
  int c[4] = {0, 1, 1, 1};
  CalcElemIntegrationCounts(elem, kCtxIntForces, 3, 2, prop, mesh->Integrations, mesh->ElemProps, c);
  const TensorRule rule = ElementTensorRule(elem, p, 3, c);
  const double alpha = CalcTempCoef_NL(mesh, prop);
  double **D0, *f;
  allocd2(&D0, 6, 6);
  allocd1(&f, nDof);
  HexaPointWork hw;
  OpenHexaPointWork(elem, nNodes, mesh, &hw);
  CalcMat_D_Solid_NL(mesh, prop, D0);
  ForEachRulePoint(rule, RuleOrder::kFirstFastest, [&](const RulePoint& q) {
    const double det = HexaPointB(elem, kCtxIntForces, q.s, &hw);
    const double epsT = alpha * dotd1(hw.N, tempTotal, nNodes);
    double sT[7];
    for (int i = 1; i <= 6; i++) sT[i] = (D0[i][1] + D0[i][2] + D0[i][3]) * epsT;
    multtd2d1(f, hw.B, sT, nDof, 6);
    const double fac = q.weight * det;
    for (int k = 1; k <= nDof; k++) Fe[k] += fac * f[k];
  });
  CloseHexaPointWork(&hw);
  freed1(f);
  freed2(D0);
}
