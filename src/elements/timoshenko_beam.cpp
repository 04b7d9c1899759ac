// 3-D Timoshenko beam (type 8): shear-deformable space beam of 2 or 3 nodes with 6 dofs
// per node (u1 u2 u3 theta1 theta2 theta3). The linear stiffness is integrated along the
// axis in four separate loops, one per deformation mode (axial, shear, torsion, bending),
// each with the point count of its own sub-pattern.
#include <cstdio>

#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "materials/elastic.h"
#include "model/material.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

constexpr int kBeamType = _TIMOSHENKO_BEAM_3D;
constexpr int kBeamNodeCounts[3] = {0, 2, 3};

// S[j][k]: value j (1..11) of the "<FRAME_3D_CROSS_SECTIONS>" record of node k, in the
// record's own order (1 area, 2 and 3 shear-area factors, 4 torsion constant, 5 and 6
// second moments, 7 and 8 shear coordinates a and b, 11 section angle).
void NodalSections3D(int n, int prop, const MeshData* mesh, double** S) {
  const ElementProperty& p = mesh->ElemProps[prop];
  int* rec;
  alloci1(&rec, n);
  CalcPropNodeGeomRecords(n, prop, p, kGeomCs3D, mesh->GeomPatterns, mesh->nFrame3DSections, rec);
  for (int k = 1; k <= n; k++)
    for (int j = 1; j <= 11; j++) S[j][k] = mesh->Frame3DSections[rec[k]].v[j];
  freei1(rec);
}

// One deformation mode: its strain-matrix kind, its rows, its sub-pattern letter and the
// message of a null Jacobian.
struct BeamMode {
  char kind;
  int rows;
  char pattern;
  const char* nullJacobian;
};

constexpr BeamMode kModes[5] = {
    {' ', 0, ' ', nullptr},
    {'A', 1, 'M', "Jacobian norm (axial) is null:\nelement geometry and/or mesh connectivity must be changed."},
    {'S', 2, 'S', "Jacobian norm (shear) is null:\nelement geometry and/or mesh connectivity must be changed."},
    {'T', 1, 'T', "Jacobian norm (torsional) is null:\nelement geometry and/or mesh connectivity must be changed."},
    {'B', 2, 'B', "Jacobian norm (bending) is null:\nelement geometry and/or mesh connectivity must be changed."},
};

}  // namespace

void CalcMat_B_TimoshenkoBeam3D(int nNodes, char kind, double a, double b, double** B, const double* g,
                                const double* N) {
  if (kind != 'A' && kind != 'S' && kind != 'T' && kind != 'B') InternalError(__FILE__, __LINE__);
  for (int i = 1; i <= nNodes; i++) {
    const int c = 6 * (i - 1);
    switch (kind) {
      case 'A':
        B[1][c + 1] = g[i];
        break;
      case 'S':
        B[1][c + 2] = g[i];
        B[1][c + 4] = b * g[i];
        B[1][c + 6] = -N[i];
        B[2][c + 3] = g[i];
        B[2][c + 4] = -a * g[i];
        B[2][c + 5] = N[i];
        break;
      case 'T':
        B[1][c + 4] = g[i];
        break;
      case 'B':
        B[1][c + 5] = g[i];
        B[2][c + 6] = g[i];
        break;
      default:
        InternalError(__FILE__, __LINE__);
    }
  }
}

void CalcStiffTimoshenkoBeam3D(int nDof, int elem, int nNodes, int prop, const char* oc, const MeshData* mesh,
                               double** Kg) {
  CheckNodeCountLineElem(elem, kBeamType, nNodes, kCtxStiffness, 2, kBeamNodeCounts);
  if (nDof != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[prop];
  if (LinearElasticity(p.MaterialKind) != kElasticIsotropic) InternalError(__FILE__, __LINE__);
  const MaterialRecord& mat = MaterialOf(mesh, p.MaterialKind, p.MaterialNumber);
  const IsotropicElastic c = IsotropicConstants(mat);
  const double E = c.E;
  const double G = E / (2.0 * (1.0 + c.nu));

  int nIP[5];
  for (int mode = 1; mode <= 4; mode++)
    nIP[mode] = CalcNumIntPointsLine(elem, kCtxStiffness, prop, kModes[mode].pattern, mesh);

  double **X, **S, **T, **D, **Kl;
  double *N, *dN, *g, *tan, sv[12];
  allocd2(&X, nNodes, 3);
  allocd2(&S, 11, nNodes);
  allocd2(&T, 3, 3);
  allocd2(&D, 2, 2);
  allocd2(&Kl, nDof, nDof);
  allocd1(&N, nNodes);
  allocd1(&dN, nNodes);
  allocd1(&g, nNodes);
  allocd1(&tan, 3);
  double** B[5];
  for (int mode = 1; mode <= 4; mode++) {
    allocd2(&B[mode], kModes[mode].rows, nDof);
    zerod2(B[mode], kModes[mode].rows, nDof);
  }
  CalcMat_ElemNodeCoord(elem, kBeamType, nNodes, mesh->ElemNodes, X, mesh->PointCoord);
  NodalSections3D(nNodes, prop, mesh, S);
  zerod2(Kg, nDof, nDof);

  for (int mode = 1; mode <= 4; mode++) {
    const BeamMode& md = kModes[mode];
    const double *abscissa, *weight;
    GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, nIP[mode], &abscissa, &weight);
    for (int ip = 1; ip <= nIP[mode]; ip++) {
      const double s = abscissa[ip];
      CalcShapeFuncLine(nNodes, s, N);
      CalcShapeFuncDerivLine(nNodes, s, dN);
      for (int j = 1; j <= 11; j++) sv[j] = dotd1(N, S[j], nNodes);
      multtd2d1(tan, X, dN, 3, nNodes);
      const double J = normd1(tan, 3);
      if (!(J >= kSmall)) {
        std::fflush(stdout);
        std::fprintf(stderr, "\n");
        std::fprintf(stderr, kCtxStiffness, elem);
        errexit(md.nullJacobian, 0);
      }
      for (int i = 1; i <= nNodes; i++) g[i] = dN[i] / J;
      zerod2(D, 2, 2);
      switch (md.kind) {
        case 'A':
          CalcMat_B_TimoshenkoBeam3D(nNodes, 'A', 0.0, 0.0, B[mode], g, N);
          D[1][1] = E * sv[1];
          break;
        case 'S':
          CalcMat_B_TimoshenkoBeam3D(nNodes, 'S', sv[7], sv[8], B[mode], g, N);
          D[1][1] = G * sv[2] * sv[1];
          D[2][2] = G * sv[3] * sv[1];
          break;
        case 'T':
          CalcMat_B_TimoshenkoBeam3D(nNodes, 'T', 0.0, 0.0, B[mode], g, N);
          D[1][1] = G * sv[4];
          break;
        case 'B':
          CalcMat_B_TimoshenkoBeam3D(nNodes, 'B', 0.0, 0.0, B[mode], g, N);
          D[1][1] = E * sv[5];
          D[2][2] = E * sv[6];
          break;
        default:
          InternalError(__FILE__, __LINE__);
      }
      btabd2(Kl, D, B[mode], md.rows, nDof);
      scaled2(Kl, nDof, nDof, weight[ip] * J);
      CalcMat_T_TimoshenkoBeam3D(elem, nNodes, s, sv[11], oc[OC_PRINT_MAT_T_TIMOSHENKO_BEAM_3D], T, X);
      TransformBeam3DMat(3, nDof, 6, nNodes, Kg, Kl, T);
    }
  }
  PrintElementStiffMat(nDof, elem, kBeamType, oc[OC_PRINT_MAT_KG_TIMOSHENKO_BEAM_3D], Kg);

  for (int mode = 4; mode >= 1; mode--) freed2(B[mode]);
  freed1(tan);
  freed1(g);
  freed1(dN);
  freed1(N);
  freed2(Kl);
  freed2(D);
  freed2(T);
  freed2(S);
  freed2(X);
}
