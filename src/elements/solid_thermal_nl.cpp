// The thermal pair of a geometrically nonlinear hexahedron of nonlinear material: the
// element's temperature load is B^T D0 eps_T on the initial geometry, and its internal
// forces carry the same term for the total temperature variation, so that the two cancel
// exactly whatever the configuration and only the stress of the mechanical strain (the
// strain less the thermal one, taken by the material point) loads the element.
#include "elements/kernel.h"
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
  const double *a[4], *w[4];
  for (int d = 1; d <= 3; d++) GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[d], &a[d], &w[d]);
  const double alpha = CalcTempCoef_NL(mesh, prop);
  double **X, **dN, **dNdx, **J, **Jinv, **B, **D0, *N, *f;
  allocd2(&X, nNodes, 3);
  allocd2(&dN, nNodes, 3);
  allocd2(&dNdx, nNodes, 3);
  allocd2(&J, 3, 3);
  allocd2(&Jinv, 3, 3);
  allocd2(&B, 6, nDof);
  allocd2(&D0, 6, 6);
  allocd1(&N, nNodes);
  allocd1(&f, nDof);
  CalcMat_D_Solid_NL(mesh, prop, D0);
  CalcMat_ElemNodeCoord(elem, _SOLID_HEXA, nNodes, mesh->ElemNodes, X, mesh->PointCoord);
  zerod2(B, 6, nDof);
  for (int i3 = 1; i3 <= c[3]; i3++)
    for (int i2 = 1; i2 <= c[2]; i2++)
      for (int i1 = 1; i1 <= c[1]; i1++) {
        const double s[4] = {0.0, a[1][i1], a[2][i2], a[3][i3]};
        CalcShapeFuncSolidHexa(nNodes, N, s);
        CalcShapeFuncDerivSolidHexa(nNodes, dN, s);
        CalcMat_Jacobian(nNodes, 3, 3, X, dN, J);
        const double det = CalcInvJacobian(elem, kCtxIntForces, 3, J, Jinv);
        CalcCartesianDeriv(nNodes, 3, dN, Jinv, dNdx);
        CalcMat_B_Solid(nNodes, B, dNdx);
        const double epsT = alpha * dotd1(N, tempTotal, nNodes);
        double sT[7];
        for (int i = 1; i <= 6; i++) sT[i] = (D0[i][1] + D0[i][2] + D0[i][3]) * epsT;
        multtd2d1(f, B, sT, nDof, 6);
        const double fac = w[1][i1] * w[2][i2] * w[3][i3] * det;
        for (int k = 1; k <= nDof; k++) Fe[k] += fac * f[k];
      }
  freed1(f);
  freed1(N);
  freed2(D0);
  freed2(B);
  freed2(Jinv);
  freed2(J);
  freed2(dNdx);
  freed2(dN);
  freed2(X);
}
