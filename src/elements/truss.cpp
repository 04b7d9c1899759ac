// Two-node pin-jointed bars in the plane (_TRUSS_2D) and in space (_TRUSS_3D): stiffness
// and consistent mass in closed form in the member's axes, rotated to global axes; the
// reading, rotation and force placement that the truss loads share.
#include <cstdio>

#include "elements/behaviour.h"
#include "elements/elements.h"
#include "elements/kernel.h"
#include "elements/members.h"
#include "materials/elastic.h"
#include "materials/material_point.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

int TrussType(int d) { return d == 2 ? _TRUSS_2D : _TRUSS_3D; }

void ReadTruss(const ElemFaultContext& ctx, int d, int elem, int property, bool withMaterial, int** elemNodes,
               double** pointCoords, const CrossSectionArea* areas, const MaterialRecord* linIso,
               const ElementProperty* props, TrussData* t) {
  const ElementProperty& p = props[property];
  const int type = TrussType(d);
  if (withMaterial) {
    CheckElemMaterialKind(ctx, type, p.MaterialKind, ElasticKindCode(kElasticIsotropic));
    const MaterialRecord& m = linIso[p.MaterialNumber];
    t->rho = MaterialDensity(p.MaterialKind, m);
    t->alpha = ExpansionCoefficient(p.MaterialKind, m, 1);
    t->E = IsotropicConstants(m).E;
  } else {
    t->rho = t->alpha = t->E = 0.0;
  }
  CheckElemGeometryKind(ctx, type, p.GeometryKind, GEOM_CS_AREA);
  t->A = areas[p.GeometryNumber].Area;
  t->L = MemberLength(ctx, type, elem, elemNodes, pointCoords);
}

void CalcRotationTruss(int d, int elem, const char* outputControl, int** elemNodes, double** R, double** pointCoords) {
  if (d == 2)
    CalcMat_R_Truss2D(elem, outputControl[OC_PRINT_MAT_T_TRUSS_2D], elemNodes, R, pointCoords);
  else
    CalcMat_R_Truss3D(elem, outputControl[OC_PRINT_MAT_T_TRUSS_3D], elemNodes, R, pointCoords);
}

namespace {

void LocalStiffness(const ElemFaultContext& ctx, int d, int N, int elem, int property, int** elemNodes, double** Kl,
                    double** pointCoords, const CrossSectionArea* areas, const MaterialRecord* linIso,
                    const ElementProperty* props) {
  if (N != 2 * d) InternalError(__FILE__, __LINE__);
  TrussData t;
  ReadTruss(ctx, d, elem, property, true, elemNodes, pointCoords, areas, linIso, props, &t);
  const double k = t.E * t.A / t.L;
  zerod2(Kl, N, N);
  Kl[1][1] = Kl[1 + d][1 + d] = k;
  Kl[1][1 + d] = Kl[1 + d][1] = -k;
}

// m/6 [[2I, I], [I, 2I]]: the same translational mass in every direction.
void LocalMass(const ElemFaultContext& ctx, int d, int N, int elem, int property, int** elemNodes, double** Ml,
               double** pointCoords, const CrossSectionArea* areas, const MaterialRecord* linIso,
               const ElementProperty* props) {
  if (N != 2 * d) InternalError(__FILE__, __LINE__);
  TrussData t;
  ReadTruss(ctx, d, elem, property, true, elemNodes, pointCoords, areas, linIso, props, &t);
  const double m = t.rho * t.A * t.L;
  zerod2(Ml, N, N);
  for (int i = 1; i <= d; i++) {
    Ml[i][i] = Ml[i + d][i + d] = m / 3.0;
    Ml[i][i + d] = Ml[i + d][i] = m / 6.0;
  }
}

// Global matrix of a truss from its local one: what = 'K' stiffness, 'M' mass.
void GlobalTruss(char what, int d, int N, int elem, int nNodes, int property, const char* outputControl,
                 const MeshData* mesh, double** out) {
  const int type = TrussType(d);
  const ElemFaultContext ctx{what == 'K' ? kCtxStiffness : kCtxMass, elem, 0, 0};
  CheckElemNodeCount(ctx, type, nNodes, 2);
  double **L, **R;
  allocd2(&L, N, N);
  allocd2(&R, d, d);
  CalcRotationTruss(d, elem, outputControl, mesh->ElemNodes, R, mesh->PointCoord);
  (what == 'K' ? LocalStiffness : LocalMass)(ctx, d, N, elem, property, mesh->ElemNodes, L, mesh->PointCoord,
                                               mesh->CsAreas, ElasticRecords(mesh, kElasticIsotropic), mesh->ElemProps);
  zerod2(out, N, N);
  TransformMatTruss(d, N, 2, out, L, R);
  if (what == 'K')
    PrintElementStiffMat(N, elem, type, outputControl[d == 2 ? OC_PRINT_MAT_KG_TRUSS_2D : OC_PRINT_MAT_KG_TRUSS_3D],
                         out);
  else
    PrintElementMassMat(N, elem, type, outputControl[d == 2 ? OC_PRINT_MAT_MG_TRUSS_2D : OC_PRINT_MAT_MG_TRUSS_3D],
                        out);
  freed2(R);
  freed2(L);
}

}  // namespace

void PlaceTrussForces(int d, double** R, const double* fl1, const double* fl2, double* F) {
  double g[4];
  const int first = d == 2 ? 2 : 1;
  multtd2d1(g, R, fl1, d, d);
  for (int i = 1; i <= d; i++) F[first - 1 + i] = g[i];
  multtd2d1(g, R, fl2, d, d);
  for (int i = 1; i <= d; i++) F[6 + first - 1 + i] = g[i];
}

void CalcStiffTruss2D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                      double** K) {
  GlobalTruss('K', 2, N, elem, nNodes, property, outputControl, mesh, K);
}

void CalcStiffTruss3D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                      double** K) {
  GlobalTruss('K', 3, N, elem, nNodes, property, outputControl, mesh, K);
}

void CalcMassMatTruss2D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                        double** M) {
  GlobalTruss('M', 2, N, elem, nNodes, property, outputControl, mesh, M);
}

void CalcMassMatTruss3D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                        double** M) {
  GlobalTruss('M', 3, N, elem, nNodes, property, outputControl, mesh, M);
}

void CalcMat_Kl_Truss2D(int N, int elem, int property, int** elemNodes, double** Kl, double** pointCoords,
                        const CrossSectionArea* areas, const MaterialRecord* linIso, const ElementProperty* props) {
  LocalStiffness(ElemFaultContext{kCtxStiffness, elem, 0, 0}, 2, N, elem, property, elemNodes, Kl, pointCoords, areas,
                 linIso, props);
}

void CalcMat_Kl_Truss3D(int N, int elem, int property, int** elemNodes, double** Kl, double** pointCoords,
                        const CrossSectionArea* areas, const MaterialRecord* linIso, const ElementProperty* props) {
  LocalStiffness(ElemFaultContext{kCtxStiffness, elem, 0, 0}, 3, N, elem, property, elemNodes, Kl, pointCoords, areas,
                 linIso, props);
}

void CalcMat_Ml_Truss2D(int N, int elem, int property, int** elemNodes, double** Ml, double** pointCoords,
                        const CrossSectionArea* areas, const MaterialRecord* linIso, const ElementProperty* props) {
  LocalMass(ElemFaultContext{kCtxMass, elem, 0, 0}, 2, N, elem, property, elemNodes, Ml, pointCoords, areas, linIso,
            props);
}

void CalcMat_Ml_Truss3D(int N, int elem, int property, int** elemNodes, double** Ml, double** pointCoords,
                        const CrossSectionArea* areas, const MaterialRecord* linIso, const ElementProperty* props) {
  LocalMass(ElemFaultContext{kCtxMass, elem, 0, 0}, 3, N, elem, property, elemNodes, Ml, pointCoords, areas, linIso,
            props);
}
