// Gravity load vectors of plane, solid and Timoshenko beam elements: the integral of
// N_a rho g over the element with the load case's rule, forces in global axes, moments 0;
// the quadrilateral integral serves the slabs and shells too.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "loads/load_kernel.h"
#include "model/outputcontrol.h"

void GravityPlate(const LoadReportContext& ctx, int Size, int nNodes, const double* t, const LoadCaseParameters* Params,
                  const MeshData* Mesh, double** X2, const double* f, double* Fe) {
  double *N, **dN, **J;
  allocd1(&N, nNodes);
  allocd2(&dN, nNodes, 2);
  allocd2(&J, 2, 2);
  const TensorRule rule = GetLoadTensorRule(ctx, Params, Mesh, 2);
  zerod1(Fe, Size);
  ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& pt) {
    CalcShapeFuncQuad(nNodes, N, pt.s);
    const double h = t != nullptr ? dotd1(N, t, nNodes) : 1.0;
    CalcShapeFuncDerivQuad(nNodes, dN, pt.s);
    CalcMat_Jacobian(nNodes, 2, 2, X2, dN, J);
    const double d = detd2(J, 2);
    CheckLoadDeterminant(ctx, d, 2, J);
    const double scale = pt.weight * d * h;
    for (int k = 1; k <= nNodes; k++)
      for (int c = 1; c <= 3; c++) Fe[6 * (k - 1) + c] += N[k] * f[c] * scale;
  });
  freed2(J);
  freed2(dN);
  freed1(N);
}

namespace {

void GravityPlaneQuad(int type, int Size, int Element, int lc, int n, int PropIndex, double rho,
                      const LoadCaseParameters* params, const MeshData* m, double* Fe, const double* g) {
  const LoadReportContext c = GravityReportContext(lc, Element, type);
  if (Size != 6 * n) InternalError(__FILE__, __LINE__);
  double **X, *t;
  allocd2(&X, n, 2);
  allocd1(&t, n);
  CalcMat_ElemNodeCoord(Element, type, n, m->ElemNodes, X, m->PointCoord);
  double rg[4];
  for (int j = 1; j <= 3; j++) rg[j] = rho * g[j];
  // Plane strain: per unit thickness.
  const bool stress = type == _PLANE_STRESS_QUAD;
  if (stress) PlaneNodalThickness(m, PropIndex, n, true, t);
  GravityPlate(c, Size, n, stress ? t : nullptr, params, m, X, rg, Fe);
  freed1(t);
  freed2(X);
}

}  // namespace

void Calc_Fg_GravityLoadPlaneStressQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                        double Density, const LoadCaseParameters* Params, const MeshData* Mesh,
                                        double* Fe, const double* GravityVector) {
  GravityPlaneQuad(_PLANE_STRESS_QUAD, Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, Params, Mesh, Fe,
                   GravityVector);
}

void Calc_Fg_GravityLoadPlaneStrainQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                        double Density, const LoadCaseParameters* Params, const MeshData* Mesh,
                                        double* Fe, const double* GravityVector) {
  GravityPlaneQuad(_PLANE_STRAIN_QUAD, Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, Params, Mesh, Fe,
                   GravityVector);
}

void Calc_Fg_GravityLoadSolidHexa(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                  double Density, const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                  const double* GravityVector) {
  (void)PropIndex;
  const LoadReportContext c = GravityReportContext(LoadCaseNumber, Element, _SOLID_HEXA);
  const int n = nNodes;
  if (Size != 6 * n) InternalError(__FILE__, __LINE__);
  HexaPointWork hw;
  OpenHexaPointWork(Element, n, Mesh, &hw);
  double rg[4];
  for (int j = 1; j <= 3; j++) rg[j] = Density * GravityVector[j];
  const TensorRule rule = GetLoadTensorRule(c, Params, Mesh, 3);
  zerod1(Fe, Size);
  ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& p) {
    HexaPointJacobian(p.s, &hw);
    const double det = detd2(hw.J, 3);
    CheckLoadDeterminant(c, det, 3, hw.J);
    const double fac = p.weight * det;
    for (int b = 1; b <= n; b++)
      for (int q = 1; q <= 3; q++) Fe[6 * (b - 1) + q] += hw.N[b] * rg[q] * fac;
  });
  CloseHexaPointWork(&hw);
}

void Calc_Fg_GravityLoadTimoshenkoBeam3D(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                         double Density, const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, double* Fe, const double* GravityVector) {
  const LoadReportContext c = GravityReportContext(LoadCaseNumber, Element, _TIMOSHENKO_BEAM_3D);
  const int n = nNodes;
  if (n != 2 && n != 3) InternalError(__FILE__, __LINE__);
  if (Size != 6 * n) InternalError(__FILE__, __LINE__);
  double **X, **T;
  allocd2(&X, n, 3);
  allocd2(&T, 3, 3);
  CalcMat_ElemNodeCoord(Element, _TIMOSHENKO_BEAM_3D, n, Mesh->ElemNodes, X, Mesh->PointCoord);
  double area[4], alpha[4];
  int recs[4];
  ElementNodeGeomRecords(Mesh, PropIndex, n, kGeomCs3D, Mesh->nFrame3DSections, recs);
  for (int k = 1; k <= n; k++) {
    area[k] = Mesh->Frame3DSections[recs[k]].v[1];
    alpha[k] = Mesh->Frame3DSections[recs[k]].v[11];
  }
  double rg[4];
  for (int j = 1; j <= 3; j++) rg[j] = Density * GravityVector[j];
  int counts[2];
  const double *a, *w;
  GetLoadCaseLineRule(c, Params, Mesh, counts, &a, &w);
  zerod1(Fe, Size);
  double N[4], dN[4], x1[4], r[4], gl[4];
  for (int i = 1; i <= counts[1]; i++) {
    const double L = BeamLoadPoint(c, Element, n, a[i], alpha, X, OutputControl, N, dN, x1, T);
    const double A = dotd1(N, area, n);
    multd2d1(r, T, rg, 3, 3);   // load in the beam axes at the point
    multtd2d1(gl, T, r, 3, 3);  // and back to global axes
    const double fac = w[i] * L * A;
    for (int b = 1; b <= n; b++)
      for (int q = 1; q <= 3; q++) Fe[6 * (b - 1) + q] += N[b] * gl[q] * fac;
  }
  freed2(T);
  freed2(X);
}
