// Gravity loads of the Mindlin slab, the Mindlin shell and the Ahmad shell, and of the
// layered shells of nonlinear analyses: equivalent nodal forces by integration with the
// load case's rule.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "loads/load_kernel.h"
#include "materials/material_table.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

// Mindlin shell: GravityPlate in the element axes of the centre, the load per unit of the
// nodal values t given in global axes.
void GravityMindlinShell(const LoadReportContext& ctx, int Size, int Element, int nNodes, const char* OutputControl,
                         const LoadCaseParameters* Params, const MeshData* Mesh, const double* t, const double* load,
                         double* Fe) {
  double **X2, **T;
  allocd2(&X2, nNodes, 2);
  allocd2(&T, 3, 3);
  ShellGeometry(Element, nNodes, 0, OutputControl, Mesh, T, X2, nullptr);
  // The load turned into the element axes and back: the area is measured in the plane of
  // the local axes 1 and 2.
  double r[4], f[4];
  multd2d1(r, T, load, 3, 3);
  multtd2d1(f, T, r, 3, 3);
  GravityPlate(ctx, Size, nNodes, t, Params, Mesh, X2, f, Fe);
  freed2(T);
  freed2(X2);
}

}  // namespace

void Calc_Fg_GravityLoadMindlinSlabQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                        double Density, const LoadCaseParameters* Params, const MeshData* Mesh,
                                        double* Fe, const double* GravityVector) {
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  double** X;
  double* t;
  allocd2(&X, nNodes, 2);
  allocd1(&t, nNodes);
  CalcMat_ElemNodeCoord(Element, _MINDLIN_SLAB_QUAD, nNodes, Mesh->ElemNodes, X, Mesh->PointCoord);
  CalcShellNodeThickness(nNodes, PropIndex, t, Mesh->GeomPatterns, Mesh->LamThicks, Mesh->ElemProps);
  double f[4];
  for (int c = 1; c <= 3; c++) f[c] = Density * GravityVector[c];
  GravityPlate(GravityReportContext(LoadCaseNumber, Element, _MINDLIN_SLAB_QUAD), Size, nNodes, t, Params, Mesh, X, f,
               Fe);
  freed1(t);
  freed2(X);
}

void Calc_Fg_GravityLoadMindlinShellQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                         double Density, const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, double* Fe, const double* GravityVector) {
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  double* t;
  allocd1(&t, nNodes);
  CalcShellNodeThickness(nNodes, PropIndex, t, Mesh->GeomPatterns, Mesh->LamThicks, Mesh->ElemProps);
  double g[4];
  for (int c = 1; c <= 3; c++) g[c] = Density * GravityVector[c];
  GravityMindlinShell(GravityReportContext(LoadCaseNumber, Element, _MINDLIN_SHELL_QUAD), Size, Element, nNodes,
                      OutputControl, Params, Mesh, t, g, Fe);
  freed1(t);
}

void Calc_Fg_GravityLoadAhmadShellQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                       double Density, const char* OutputControl, const LoadCaseParameters* Params,
                                       const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                       const double* GravityVector, const char* PointTypes,
                                       const PointList* PointElemAdjacency) {
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const LoadReportContext ctx = GravityReportContext(LoadCaseNumber, Element, _AHMAD_SHELL_QUAD);
  int** ElemNodes = Mesh->ElemNodes;
  double** PointCoord = Mesh->PointCoord;
  const ElementProperty* ElemProps = Mesh->ElemProps;
  double **X, **dN, **J, ***V, *t, *N;
  allocd2(&X, nNodes, 3);
  allocd2(&dN, nNodes, 2);
  allocd2(&J, 3, 3);
  allocd3(&V, nNodes, 3, 3);
  allocd1(&t, nNodes);
  allocd1(&N, nNodes);
  CalcMat_ElemNodeCoord(Element, _AHMAD_SHELL_QUAD, nNodes, ElemNodes, X, PointCoord);
  CalcShellNodeThickness(nNodes, PropIndex, t, Mesh->GeomPatterns, Mesh->LamThicks, ElemProps);
  CalcMat_Tgn_AhmadShellQuad(Element, 3, nNodes, OutputControl, ElemPropIndex, Mesh->ElemNodeCount, ElemNodes, V, X,
                             PointCoord, PointTypes, PointElemAdjacency, ElemProps);
  const TensorRule rule = GetLoadTensorRule(ctx, Params, Mesh, 3);
  double f[4];
  for (int c = 1; c <= 3; c++) f[c] = Density * GravityVector[c];
  zerod1(Fe, Size);
  ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& p) {
    CalcShapeFuncQuad(nNodes, N, p.s);
    CalcShapeFuncDerivQuad(nNodes, dN, p.s);
    CalcMat_J_AhmadShell(3, nNodes, dN, J, N, p.s, V, X, t);
    const double d = detd2(J, 3);
    CheckLoadDeterminant(ctx, d, 3, J);
    const double scale = p.weight * d;
    for (int n = 1; n <= nNodes; n++)
      for (int c = 1; c <= 3; c++) Fe[6 * (n - 1) + c] += N[n] * f[c] * scale;
  });
  freed1(N);
  freed1(t);
  freed3(V);
  freed2(J);
  freed2(dN);
  freed2(X);
}

// ---- layered shells --------------------------------------------------------------------------

namespace {

constexpr const char* kCtxLayerGravity = "Calculating the gravity load of element n. %d\n";

// Densities rho[1..L] of the layers of the element's layer pattern, after the material
// kind check.
int LayeredGravitySetup(int Element, int ElementType, int PropIndex, const MeshData* Mesh, double** rho) {
  const ElementProperty& p = Mesh->ElemProps[PropIndex];
  CheckElemMaterialKind(ElemFaultContext{kCtxLayerGravity, Element, 0, 0}, ElementType, p.MaterialKind, MAT_LAY_PATT);
  const int L = Mesh->LayerPatterns[p.MaterialNumber].nLayers;
  allocd1(rho, L);
  CalcLayerDensity(L, p.MaterialNumber, *rho, Mesh);
  return L;
}

}  // namespace

void Calc_Fg_GravityLoadMindlinShellQuad_NL(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                            const char* OutputControl, const LoadCaseParameters* Params,
                                            const MeshData* Mesh, double* Fe, const double* GravityVector) {
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  double* rho;
  const int L = LayeredGravitySetup(Element, _MINDLIN_SHELL_QUAD, PropIndex, Mesh, &rho);
  const int P = Mesh->ElemProps[PropIndex].MaterialNumber;
  // The stack is one mass per unit area mu = sum rho_k h_k, linear in the layer
  // thicknesses: its nodal values interpolate it exactly.
  double *mu, *N, *zb, *zm, *zt, *h;
  allocd1(&mu, nNodes);
  allocd1(&N, nNodes);
  allocd1(&zb, L);
  allocd1(&zm, L);
  allocd1(&zt, L);
  allocd1(&h, L);
  for (int a = 1; a <= nNodes; a++) {
    mu[a] = 0.0;
    if (L == 0) continue;
    for (int b = 1; b <= nNodes; b++) N[b] = b == a ? 1.0 : 0.0;
    double total;
    CalcLayerGeomProp(L, P, nNodes, &total, N, zb, zm, zt, h, Mesh->GeomPatterns, Mesh->LamThicks,
                      Mesh->LayerPatterns, Mesh->LayerProps);
    for (int k = 1; k <= L; k++) mu[a] += rho[k] * h[k];
  }
  GravityMindlinShell(GravityReportContext(LoadCaseNumber, Element, _MINDLIN_SHELL_QUAD), Size, Element, nNodes,
                      OutputControl, Params, Mesh, mu, GravityVector, Fe);
  freed1(h);
  freed1(zt);
  freed1(zm);
  freed1(zb);
  freed1(N);
  freed1(mu);
  freed1(rho);
}

void Calc_Fg_GravityLoadAhmadShellQuad_NL(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                          const char* OutputControl, const LoadCaseParameters* Params,
                                          const MeshData* Mesh, const int* ElemPropIndex, double* Fe,
                                          const double* GravityVector, const char* PointTypes,
                                          const PointList* PointElemAdjacency) {
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const LoadReportContext ctx = GravityReportContext(LoadCaseNumber, Element, _AHMAD_SHELL_QUAD);
  double* rho;
  const int L = LayeredGravitySetup(Element, _AHMAD_SHELL_QUAD, PropIndex, Mesh, &rho);
  const int P = Mesh->ElemProps[PropIndex].MaterialNumber;
  double **X, **dN, **theta, **Jl, ***V, *t, *N, *z, *tL;
  allocd2(&X, nNodes, 3);
  allocd2(&dN, nNodes, 2);
  allocd2(&theta, 3, 3);
  allocd2(&Jl, 3, 3);
  allocd3(&V, nNodes, 3, 3);
  allocd1(&t, nNodes);
  allocd1(&N, nNodes);
  allocd1(&z, L);
  allocd1(&tL, L);
  CalcNodeData_AhmadShellLayered(Element, nNodes, P, L, OutputControl, ElemPropIndex, PointTypes, PointElemAdjacency,
                                 Mesh, X, V, t);
  int p[3];
  const double *a[3], *w[3];
  GetLoadRulePointCounts(ctx, Params, Mesh, 2, p,
                         "Integration pattern is incomplete.\nThe parameters _G_S1_k, _G_S2_k and/or _G_S2_k are "
                         "missing.");
  for (int d = 1; d <= 2; d++) GetLoadLineRule(ctx, Params->IntegrationType, p[d], &a[d], &w[d]);
  zerod1(Fe, Size);
  // Each layer weighs with the area factor of its own middle surface.
  int q = 0;
  for (int i = 1; i <= p[1]; i++)
    for (int j = 1; j <= p[2]; j++) {
      q++;
      const double s2[3] = {0.0, a[1][i], a[2][j]};
      CalcShapeFuncQuad(nNodes, N, s2);
      CalcShapeFuncDerivQuad(nNodes, dN, s2);
      double h = 0.0;
      if (L > 0)
        CalcLayerGeomProp_Ahmad(L, P, nNodes, &h, N, z, tL, Mesh->GeomPatterns, Mesh->LamThicks, Mesh->LayerPatterns,
                                Mesh->LayerProps);
      for (int k = 1; k <= L; k++) {
        if (!(std::fabs(h) >= kSmall)) LayerThicknessFault(kCtxLayerGravity, Element, q, k);
        const double s[4] = {0.0, a[1][i], a[2][j], 2.0 * z[k] / h};
        const double d =
            CalcInplaneDet_AhmadShell(Element, nNodes, OutputControl[OC_PRINT_MAT_T_QUAD], s, N, dN, X, V, t, theta,
                                      nullptr, Jl);
        const char* fault = nullptr;
        if (JacobianIsNull(d, 2, 2, Jl))
          fault = "Jacobian determinant is null:\n element geometry and/or mesh connectivity must be changed.";
        else if (d < 0.0)
          fault = "Jacobian determinant is negative:\n element geometry and/or mesh connectivity must be changed.";
        if (fault != nullptr) {
          std::fflush(stdout);
          std::fprintf(stderr, "\n");
          std::fprintf(stderr, kCtxLayerGravity, Element);
          errexit(fault, 0);
        }
        const double scale = w[1][i] * w[2][j] * d * tL[k] * rho[k];
        for (int n = 1; n <= nNodes; n++)
          for (int c = 1; c <= 3; c++) Fe[6 * (n - 1) + c] += N[n] * GravityVector[c] * scale;
      }
    }
  freed1(tL);
  freed1(z);
  freed1(N);
  freed1(t);
  freed3(V);
  freed2(Jl);
  freed2(theta);
  freed2(dN);
  freed2(X);
  freed1(rho);
}
