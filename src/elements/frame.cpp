// Two-node Euler-Bernoulli beam-columns in the plane (_FRAME_2D) and in space
// (_FRAME_3D): stiffness and consistent mass with rotary inertia in closed form in the
// member's axes, rotated to global axes; the reading and force placement that the frame
// loads share.
#include <cmath>
#include <cstdio>

#include "elements/behaviour.h"
#include "elements/elements.h"
#include "elements/kernel.h"
#include "elements/members.h"
#include "materials/elastic.h"
#include "materials/material_point.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

void ReadMaterial(const ElemFaultContext& ctx, int type, const ElementProperty& p, const MaterialRecord* linIso,
                  FrameData* f) {
  CheckElemMaterialKind(ctx, type, p.MaterialKind, ElasticKindCode(kElasticIsotropic));
  const MaterialRecord& m = linIso[p.MaterialNumber];
  const IsotropicElastic c = IsotropicConstants(m);
  f->rho = MaterialDensity(p.MaterialKind, m);
  f->alpha = ExpansionCoefficient(p.MaterialKind, m, 1);
  f->E = c.E;
  f->G = f->E / (2.0 * (1.0 + c.nu));
}

}  // namespace

FrameData ReadFrame2D(const ElemFaultContext& ctx, Reading what, int elem, int property, int** elemNodes,
                      double** pointCoords, const Frame2DSection* sections, const MaterialRecord* linIso,
                      const ElementProperty* props) {
  FrameData f{};
  const ElementProperty& p = props[property];
  if (what == kWithMaterial) ReadMaterial(ctx, kFrame2D, p, linIso, &f);
  CheckElemGeometryKind(ctx, kFrame2D, p.GeometryKind, GEOM_CS_2D);
  const double* v = sections[p.GeometryNumber].v;
  f.A = v[1];
  f.I = v[3];
  f.h = v[4];
  if (elemNodes != nullptr) f.L = MemberLength(ctx, kFrame2D, elem, elemNodes, pointCoords);
  return f;
}

FrameData ReadFrame3D(const ElemFaultContext& ctx, Reading what, int elem, int property, int** elemNodes,
                      double** pointCoords, const Frame3DSection* sections, const MaterialRecord* linIso,
                      const ElementProperty* props) {
  FrameData f{};
  const ElementProperty& p = props[property];
  if (what == kWithMaterial) ReadMaterial(ctx, kFrame3D, p, linIso, &f);
  CheckElemGeometryKind(ctx, kFrame3D, p.GeometryKind, GEOM_CS_3D);
  const double* v = sections[p.GeometryNumber].v;
  f.A = v[1];
  f.J = v[4];
  f.I2 = v[5];
  f.I3 = v[6];
  f.h2 = v[9];
  f.h3 = v[10];
  f.angle = v[11];
  f.L = MemberLength(ctx, kFrame3D, elem, elemNodes, pointCoords);
  return f;
}

namespace {

// Bending of one plane: transverse dofs v1, v2 and rotations t1, t2 of the two nodes.
// s = +1 where the rotation is dv/dx (Frame2D, Frame3D axis-3 bending), -1 where it is
// -dw/dx (Frame3D axis-2 bending).
void SetBendingStiffness(double** K, int v1, int t1, int v2, int t2, double EI, double L, double s) {
  const double b = 12.0 * EI / (L * L * L), c = s * 6.0 * EI / (L * L), e = 4.0 * EI / L, f = 2.0 * EI / L;
  K[v1][v1] = K[v2][v2] = b;
  K[v1][v2] = K[v2][v1] = -b;
  K[v1][t1] = K[t1][v1] = K[v1][t2] = K[t2][v1] = c;
  K[t1][v2] = K[v2][t1] = K[v2][t2] = K[t2][v2] = -c;
  K[t1][t1] = K[t2][t2] = e;
  K[t1][t2] = K[t2][t1] = f;
}

// Consistent translational mass m = rho A L and rotary inertia r = rho I of one plane.
void SetBendingMass(double** M, int v1, int t1, int v2, int t2, double m, double r, double L, double s) {
  auto set = [M](int i, int j, double x) { M[i][j] = M[j][i] = x; };
  set(v1, v1, 13.0 * m / 35.0 + 6.0 * r / (5.0 * L));
  set(v2, v2, 13.0 * m / 35.0 + 6.0 * r / (5.0 * L));
  set(v1, t1, s * (11.0 * m * L / 210.0 + r / 10.0));
  set(v1, v2, 9.0 * m / 70.0 - 6.0 * r / (5.0 * L));
  set(v1, t2, s * (r / 10.0 - 13.0 * m * L / 420.0));
  set(t1, t1, m * L * L / 105.0 + 2.0 * r * L / 15.0);
  set(t2, t2, m * L * L / 105.0 + 2.0 * r * L / 15.0);
  set(t1, v2, s * (13.0 * m * L / 420.0 - r / 10.0));
  set(t1, t2, -m * L * L / 140.0 - r * L / 30.0);
  set(v2, t2, s * (-11.0 * m * L / 210.0 - r / 10.0));
}

void SetAxial(double** K, int i, int j, double diag, double off) {
  K[i][i] = K[j][j] = diag;
  K[i][j] = K[j][i] = off;
}

void LocalStiffness2D(const FrameData& f, double** K) {
  zerod2(K, 6, 6);
  SetAxial(K, 1, 4, f.E * f.A / f.L, -f.E * f.A / f.L);
  SetBendingStiffness(K, 2, 3, 5, 6, f.E * f.I, f.L, 1.0);
}

void LocalStiffness3D(const FrameData& f, double** K) {
  zerod2(K, 12, 12);
  SetAxial(K, 1, 7, f.E * f.A / f.L, -f.E * f.A / f.L);
  SetAxial(K, 4, 10, f.G * f.J / f.L, -f.G * f.J / f.L);
  SetBendingStiffness(K, 2, 6, 8, 12, f.E * f.I3, f.L, 1.0);
  SetBendingStiffness(K, 3, 5, 9, 11, f.E * f.I2, f.L, -1.0);
}

void LocalMass2D(const FrameData& f, double** M) {
  const double m = f.rho * f.A * f.L;
  zerod2(M, 6, 6);
  SetAxial(M, 1, 4, m / 3.0, m / 6.0);
  SetBendingMass(M, 2, 3, 5, 6, m, f.rho * f.I, f.L, 1.0);
}

void LocalMass3D(const FrameData& f, double** M) {
  const double m = f.rho * f.A * f.L;
  const double polar = f.rho * (f.I2 + f.I3) * f.L;
  zerod2(M, 12, 12);
  SetAxial(M, 1, 7, m / 3.0, m / 6.0);
  SetAxial(M, 4, 10, polar / 3.0, polar / 6.0);
  SetBendingMass(M, 2, 6, 8, 12, m, f.rho * f.I3, f.L, 1.0);
  SetBendingMass(M, 3, 5, 9, 11, m, f.rho * f.I2, f.L, -1.0);
}

// Global matrix of a Frame2D from its local one: what = 'K' stiffness, 'M' mass.
void GlobalFrame2D(char what, int N, int elem, int nNodes, int property, const char* outputControl,
                   const MeshData* mesh, double** out) {
  const ElemFaultContext ctx{what == 'K' ? kCtxStiffness : kCtxMass, elem, 0, 0};
  CheckElemNodeCount(ctx, kFrame2D, nNodes, 2);
  if (N != 6) InternalError(__FILE__, __LINE__);
  double **L, **R;
  allocd2(&L, 6, 6);
  allocd2(&R, 2, 2);
  CalcMat_R_Frame2D(elem, outputControl[OC_PRINT_MAT_T_FRAME_2D], mesh->ElemNodes, R, mesh->PointCoord);
  const FrameData f = ReadFrame2D(ctx, kWithMaterial, elem, property, mesh->ElemNodes, mesh->PointCoord,
                                  mesh->Frame2DSections, ElasticRecords(mesh, kElasticIsotropic), mesh->ElemProps);
  if (what == 'K')
    LocalStiffness2D(f, L);
  else
    LocalMass2D(f, L);
  zerod2(out, N, N);
  TransformMatFrame2D(2, N, 3, 2, out, L, R);
  if (what == 'K')
    PrintElementStiffMat(N, elem, kFrame2D, outputControl[OC_PRINT_MAT_KG_FRAME_2D], out);
  else
    PrintElementMassMat(N, elem, kFrame2D, outputControl[OC_PRINT_MAT_MG_FRAME_2D], out);
  freed2(R);
  freed2(L);
}

void GlobalFrame3D(char what, int N, int elem, int nNodes, int property, const char* outputControl,
                   const MeshData* mesh, double** out) {
  const ElemFaultContext ctx{what == 'K' ? kCtxStiffness : kCtxMass, elem, 0, 0};
  CheckElemNodeCount(ctx, kFrame3D, nNodes, 2);
  if (N != 12) InternalError(__FILE__, __LINE__);
  double **L, **R;
  allocd2(&L, 12, 12);
  allocd2(&R, 3, 3);
  const FrameData f = ReadFrame3D(ctx, kWithMaterial, elem, property, mesh->ElemNodes, mesh->PointCoord,
                                  mesh->Frame3DSections, ElasticRecords(mesh, kElasticIsotropic), mesh->ElemProps);
  CalcMat_R_Frame3D(elem, f.angle, outputControl[OC_PRINT_MAT_T_FRAME_3D], mesh->ElemNodes, R, mesh->PointCoord);
  if (what == 'K')
    LocalStiffness3D(f, L);
  else
    LocalMass3D(f, L);
  zerod2(out, N, N);
  TransformMatFrame3D(3, N, 6, 2, out, L, R);
  if (what == 'K')
    PrintElementStiffMat(N, elem, kFrame3D, outputControl[OC_PRINT_MAT_KG_FRAME_3D], out);
  else
    PrintElementMassMat(N, elem, kFrame3D, outputControl[OC_PRINT_MAT_MG_FRAME_3D], out);
  freed2(R);
  freed2(L);
}

}  // namespace

void PlaceFrame2D(double** R, const double* fl, double* F) {
  zerod1(F, 12);
  for (int node = 0; node < 2; node++) {
    const double f[3] = {0.0, fl[3 * node + 1], fl[3 * node + 2]};
    double g[3];
    multtd2d1(g, R, f, 2, 2);
    F[6 * node + 2] = g[1];
    F[6 * node + 3] = g[2];
    F[6 * node + 4] = fl[3 * node + 3];
  }
}

void PlaceFrame3D(double** R, const double* fl, double* F) {
  for (int b = 0; b < 4; b++) {
    double g[4];
    multtd2d1(g, R, fl + 3 * b, 3, 3);
    for (int i = 1; i <= 3; i++) F[3 * b + i] = g[i];
  }
}

void CalcStiffFrame2D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                      double** K) {
  GlobalFrame2D('K', N, elem, nNodes, property, outputControl, mesh, K);
}

void CalcStiffFrame3D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                      double** K) {
  GlobalFrame3D('K', N, elem, nNodes, property, outputControl, mesh, K);
}

void CalcMassMatFrame2D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                        double** M) {
  GlobalFrame2D('M', N, elem, nNodes, property, outputControl, mesh, M);
}

void CalcMassMatFrame3D(int N, int elem, int nNodes, int property, const char* outputControl, const MeshData* mesh,
                        double** M) {
  GlobalFrame3D('M', N, elem, nNodes, property, outputControl, mesh, M);
}

void CalcMat_Kl_Frame2D(int N, int elem, int property, int** elemNodes, double** Kl, double** pointCoords,
                        const Frame2DSection* sections, const MaterialRecord* linIso, const ElementProperty* props) {
  if (N != 6) InternalError(__FILE__, __LINE__);
  const ElemFaultContext ctx{kCtxStiffness, elem, 0, 0};
  LocalStiffness2D(ReadFrame2D(ctx, kWithMaterial, elem, property, elemNodes, pointCoords, sections, linIso, props),
                   Kl);
}

void CalcMat_Kl_Frame3D(int N, int elem, int property, int** elemNodes, double** Kl, double** pointCoords,
                        const Frame3DSection* sections, const MaterialRecord* linIso, const ElementProperty* props) {
  if (N != 12) InternalError(__FILE__, __LINE__);
  const ElemFaultContext ctx{kCtxStiffness, elem, 0, 0};
  LocalStiffness3D(ReadFrame3D(ctx, kWithMaterial, elem, property, elemNodes, pointCoords, sections, linIso, props),
                   Kl);
}

void CalcMat_Ml_Frame2D(int N, int elem, int property, int** elemNodes, double** Ml, double** pointCoords,
                        const Frame2DSection* sections, const MaterialRecord* linIso, const ElementProperty* props) {
  if (N != 6) InternalError(__FILE__, __LINE__);
  const ElemFaultContext ctx{kCtxMass, elem, 0, 0};
  LocalMass2D(ReadFrame2D(ctx, kWithMaterial, elem, property, elemNodes, pointCoords, sections, linIso, props), Ml);
}

void CalcMat_Ml_Frame3D(int N, int elem, int property, int** elemNodes, double** Ml, double** pointCoords,
                        const Frame3DSection* sections, const MaterialRecord* linIso, const ElementProperty* props) {
  if (N != 12) InternalError(__FILE__, __LINE__);
  const ElemFaultContext ctx{kCtxMass, elem, 0, 0};
  LocalMass3D(ReadFrame3D(ctx, kWithMaterial, elem, property, elemNodes, pointCoords, sections, linIso, props), Ml);
}
