// Linear stiffness of the isoparametric plane elements: plane-strain and plane-stress
// quadrilaterals (4, 8, 9 nodes) and the plane-stress triangle (3, 6 nodes),
// K = sum over the integration points of B^T D B t det J w.
#include "elements/behaviour.h"
#include "elements/elements.h"
#include "elements/kernel.h"
#include "materials/elastic.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

constexpr int kPlaneStressTriang = _PLANE_STRESS_TRIANG;
constexpr int kPlaneStressQuad = _PLANE_STRESS_QUAD;
constexpr int kPlaneStrainQuad = _PLANE_STRAIN_QUAD;

void StiffPlane(int type, int N, int elem, int n, int property, const char* outputControl, const MeshData* mesh,
                double** K) {
  const bool triangle = type == kPlaneStressTriang;
  const bool stress = type != kPlaneStrainQuad;
  const ElemFaultContext ctx{kCtxStiffness, elem, 0, 0};
  if (triangle)
    CheckElemNodeCount(ctx, type, n, 3, 6);
  else
    CheckElemNodeCount(ctx, type, n, 4, 8, 9);
  if (N != 2 * n) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[property];
  CheckElemMaterialKind(ctx, type, p.MaterialKind, ElasticKindCode(kElasticIsotropic));
  if (stress) CheckElemGeometryKind(ctx, type, p.GeometryKind, GEOM_LAM_THICK, GEOM_PATT);

  // Integration points and weights.
  double **S, *W;
  int nPts;
  if (triangle) {
    nPts = CalcElemTriangIntegrationPoints(elem, kCtxStiffness, 3, property, mesh->Integrations, mesh->ElemProps);
    const double *s1, *s2, *w;
    GetTriangIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, nPts, &s1, &s2, &w);
    allocd2(&S, nPts, 2);
    allocd1(&W, nPts);
    for (int q = 1; q <= nPts; q++) {
      S[q][1] = s1[q];
      S[q][2] = s2[q];
      W[q] = w[q];
    }
  } else {
    int c[3];
    CalcElemIntegrationCounts(elem, kCtxStiffness, 2, 2, property, mesh->Integrations, mesh->ElemProps, c);
    allocd2(&S, c[1] * c[2], 2);
    allocd1(&W, c[1] * c[2]);
    nPts = CalcIntegrationPointsQuad(elem, p.IntegrationType, p.IntegrationNumber, c[1], c[2], S, W);
  }

  double **D, **X, **dN, **J, **Jinv, **dNdx, **B, **k, *Nv, *t;
  allocd2(&D, 3, 3);
  allocd2(&X, n, 2);
  allocd2(&dN, n, 2);
  allocd2(&J, 2, 2);
  allocd2(&Jinv, 2, 2);
  allocd2(&dNdx, n, 2);
  allocd2(&B, 3, N);
  allocd2(&k, N, N);
  allocd1(&Nv, n);
  allocd1(&t, n);
  if (stress)
    CalcMat_D_PlaneStress(property, 3, 3, D, ElasticRecords(mesh, kElasticIsotropic), mesh->ElemProps);
  else
    CalcMat_D_PlaneStrain(property, 3, 3, D, ElasticRecords(mesh, kElasticIsotropic), mesh->ElemProps);
  CalcMat_ElemNodeCoord(elem, type, n, mesh->ElemNodes, X, mesh->PointCoord);
  if (stress) CalcGeomProp_THICKNESS(n, property, t, mesh->GeomPatterns, mesh->LamThicks, mesh->ElemProps);
  zerod2(B, 3, N);
  zerod2(K, N, N);

  for (int q = 1; q <= nPts; q++) {
    if (triangle) {
      CalcShapeFuncTriang(n, Nv, S[q]);
      CalcShapeFuncDerivTriang(n, dN, S[q]);
    } else {
      CalcShapeFuncQuad(n, Nv, S[q]);
      CalcShapeFuncDerivQuad(n, dN, S[q]);
    }
    const double thick = stress ? dotd1(Nv, t, n) : 1.0;
    const double det = CalcPointCartesianDeriv(elem, kCtxStiffness, n, 2, X, dN, J, Jinv, dNdx);
    CalcMat_B_Plane2D(n, B, dNdx);
    btabd2(k, D, B, 3, N);
    scaled2(k, N, N, W[q] * thick * det);
    addd2(K, k, N, N);
  }

  const int flag = type == kPlaneStrainQuad   ? OC_PRINT_MAT_KG_PLANE_STRAIN_QUAD
                   : type == kPlaneStressQuad ? OC_PRINT_MAT_KG_PLANE_STRESS_QUAD
                                              : OC_PRINT_MAT_KG_PLANE_STRESS_TRIANG;
  PrintElementStiffMat(N, elem, type, outputControl[flag], K);

  freed1(t);
  freed1(Nv);
  freed2(k);
  freed2(B);
  freed2(dNdx);
  freed2(Jinv);
  freed2(J);
  freed2(dN);
  freed2(X);
  freed2(D);
  freed1(W);
  freed2(S);
}

}  // namespace

void CalcStiffPlaneStrainQuad(int N, int elem, int nNodes, int property, const char* outputControl,
                              const MeshData* mesh, double** K) {
  StiffPlane(kPlaneStrainQuad, N, elem, nNodes, property, outputControl, mesh, K);
}

void CalcStiffPlaneStressQuad(int N, int elem, int nNodes, int property, const char* outputControl,
                              const MeshData* mesh, double** K) {
  StiffPlane(kPlaneStressQuad, N, elem, nNodes, property, outputControl, mesh, K);
}

void CalcStiffPlaneStressTriang(int N, int elem, int nNodes, int property, const char* outputControl,
                                const MeshData* mesh, double** K) {
  StiffPlane(kPlaneStressTriang, N, elem, nNodes, property, outputControl, mesh, K);
}
