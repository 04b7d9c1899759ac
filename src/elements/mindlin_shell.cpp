// Flat Mindlin shell (type 20): plane-stress membrane, Reissner-Mindlin bending and
// transverse shear in the element axes of the normal at the centre, turned to global axes
// node block by node block; its consistent mass likewise; and the layer matrices of the
// layered shell, whose element routine is in mindlin_shell_layered.cpp.
#include <cmath>
#include <cstdio>

#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/members.h"
#include "elements/shell_solid.h"
#include "materials/elastic.h"
#include "materials/material_point.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

void CalcMat_B_MindlinShell(int nNodes, char kind, double** B, double** dNdx, const double* N) {
  if (kind != 'M' && kind != 'B' && kind != 'S') InternalError(__FILE__, __LINE__);
  for (int k = 1; k <= nNodes; k++) {
    const int c = 6 * (k - 1);  // u v w theta_x theta_y theta_z at c+1 .. c+6
    const double dx = dNdx[k][1], dy = dNdx[k][2];
    switch (kind) {
      case 'M':
        B[1][c + 1] = dx;
        B[2][c + 2] = dy;
        B[3][c + 1] = dy;
        B[3][c + 2] = dx;
        break;
      case 'B':
        B[1][c + 5] = dx;
        B[2][c + 4] = -dy;
        B[3][c + 4] = -dx;
        B[3][c + 5] = dy;
        break;
      default:  // 'S'
        B[1][c + 3] = dy;
        B[1][c + 4] = -N[k];
        B[2][c + 3] = dx;
        B[2][c + 5] = N[k];
        break;
    }
  }
}

void CalcMat_D_MindlinShellIso(int nD, int nDs, int nD2, int nDs2, double E, double nu, double** D, double** Ds) {
  if (nD != 3 || nDs != 2 || nD2 != 3 || nDs2 != 2) InternalError(__FILE__, __LINE__);
  CalcPlateIsoD("Mindlin shell", E, nu, D);
  zerod2(Ds, 2, 2);
  Ds[1][1] = Ds[2][2] = E / (2.4 * nu + 2.4);
}

void CalcMat_T_MatAxes(double alpha, double** Tm, double** Ts) {
  const double c = std::cos(alpha), s = std::sin(alpha);
  Tm[1][1] = c * c;
  Tm[1][2] = s * s;
  Tm[1][3] = s * c;
  Tm[2][1] = s * s;
  Tm[2][2] = c * c;
  Tm[2][3] = -s * c;
  Tm[3][1] = -2.0 * s * c;
  Tm[3][2] = 2.0 * s * c;
  Tm[3][3] = c * c - s * s;
  // (gamma_2z, gamma_1z) of the material axes from (gamma_yz, gamma_xz).
  Ts[1][1] = c;
  Ts[1][2] = -s;
  Ts[2][1] = s;
  Ts[2][2] = c;
}

void CalcMat_D_MindlinShellOrtho(int coordSys, int elem, int nD, int nDs, int nD2, int nDs2, double E1, double E2,
                                 double nu12, double nu21, double G12, double Gb, double Ga, const char* name,
                                 double** D, double** Ds, double** T, const AuxiliaryVector* auxVectors,
                                 const CoordinateSystem* coordSystems) {
  if (nD != 3 || nDs != 2 || nD2 != 3 || nDs2 != 2) InternalError(__FILE__, __LINE__);
  double alpha;
  CalcMat_D_MatCoordSys(coordSys, elem, name, &alpha, T, auxVectors, coordSystems);
  double **Tm, **Ts, **Dmat, **Dsmat;
  allocd2(&Tm, 3, 3);
  allocd2(&Ts, 2, 2);
  allocd2(&Dmat, 3, 3);
  allocd2(&Dsmat, 2, 2);
  CalcMat_T_MatAxes(alpha, Tm, Ts);
  const double d = 1.0 - nu12 * nu21;
  if (!(std::fabs(d) > kSmall)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Calculating the elasticity matrix of element n. %d\n", elem);
    std::fprintf(stderr, "Specified material: %s\n", name);
    errexit("The interaction between Poisson's coefficients is null.\nThe Poisson's coefficients value must be changed.",
            0);
  }
  zerod2(Dmat, 3, 3);
  Dmat[1][1] = E1 / d;
  Dmat[1][2] = Dmat[2][1] = nu12 * E2 / d;
  Dmat[2][2] = E2 / d;
  Dmat[3][3] = G12;
  btabd2(D, Dmat, Tm, 3, 3);
  zerod2(Dsmat, 2, 2);
  Dsmat[1][1] = Ga * 5.0 / 6.0;
  Dsmat[2][2] = Gb * 5.0 / 6.0;
  btabd2(Ds, Dsmat, Ts, 2, 2);
  freed2(Dsmat);
  freed2(Dmat);
  freed2(Ts);
  freed2(Tm);
}

namespace {

// D and Ds of orthotropic constants c in the element axes T, after the moduli check.
void OrthotropicShellD(int elem, const char* name, const LayerElastic& c, double** D, double** Ds, double** T,
                       const AuxiliaryVector* auxVectors, const CoordinateSystem* coordSystems) {
  if (!(std::fabs(c.E1) > kSmall) || !(std::fabs(c.E2) > kSmall)) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Calculating the elasticity matrix of element n. %d\n", elem);
    std::fprintf(stderr, "Specified material: %s\n", name);
    errexit("Young's modulus value must be changed.", 0);
  }
  CalcMat_D_MindlinShellOrtho(c.coordSystem, elem, 3, 2, 3, 2, c.E1, c.E2, c.nu12, c.nu12 * c.E2 / c.E1, c.G12, c.Gb,
                              c.Ga, name, D, Ds, T, auxVectors, coordSystems);
}

// The material axes of an orthotropic material must come from an existing coordinate
// system.
void CheckMaterialAxesRecord(int elem, const char* name, int cs, int nCoordSystems) {
  if (cs >= 1 && cs <= nCoordSystems) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "Calculating the elasticity matrix of element n. %d\n", elem);
  std::fprintf(stderr, "Specified material: %s\n", name);
  errexit("The orthotropic material must name an existing coordinate system\n"
          "(<COORDINATE_SYSTEMS> record) for its material axes.",
          0);
}

}  // namespace

void CalcMat_D_MindlinShell(int elem, int propIndex, int nD, int nDs, int nD2, int nDs2, double** D, double** Ds,
                            double** T, const AuxiliaryVector* auxVectors, const CoordinateSystem* coordSystems,
                            const MaterialRecord* linIso, const MaterialRecord* linOrtho,
                            const ElementProperty* props) {
  const ElementProperty& p = props[propIndex];
  switch (LinearElasticity(p.MaterialKind)) {
    case kElasticIsotropic: {
      const MaterialRecord& m = linIso[p.MaterialNumber];
      CalcMat_D_MindlinShellIso(nD, nDs, nD2, nDs2, IsotropicConstants(m).E, IsotropicConstants(m).nu, D, Ds);
      return;
    }
    case kElasticOrthotropic: {
      const MaterialRecord& m = linOrtho[p.MaterialNumber];
      OrthotropicShellD(elem, m.Name, LayerElasticConstants(MAT_LIN_ORTHO, m), D, Ds, T, auxVectors, coordSystems);
      return;
    }
    default:
      errexit("Mindlin shell element: invalid material type.", 0);
  }
}

namespace {

// B (3 x 3 block at r0, c0 of M) := L * B or B * R (3 x 3, in place).
void PreMul3(double** M, double** L, int r0, int c0) {
  double t[3][3];
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) {
      double s = 0.0;
      for (int k = 0; k < 3; k++) s += L[i + 1][k + 1] * M[r0 + k][c0 + j];
      t[i][j] = s;
    }
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) M[r0 + i][c0 + j] = t[i][j];
}

void PostMul3(double** M, double** R, int r0, int c0) {
  double t[3][3];
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) {
      double s = 0.0;
      for (int k = 0; k < 3; k++) s += M[r0 + i][c0 + k] * R[k + 1][j + 1];
      t[i][j] = s;
    }
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) M[r0 + i][c0 + j] = t[i][j];
}

}  // namespace

void ShellGeometry(int elem, int nNodes, int propIndex, const char* OutputControl, const MeshData* mesh, double** T,
                   double** X2, double* t) {
  double **X, **Xl;
  allocd2(&X, nNodes, 3);
  allocd2(&Xl, nNodes, 3);
  CalcMat_ElemNodeCoord(elem, _MINDLIN_SHELL_QUAD, nNodes, mesh->ElemNodes, X, mesh->PointCoord);
  if (t != nullptr) CalcShellNodeThickness(nNodes, propIndex, t, mesh->GeomPatterns, mesh->LamThicks, mesh->ElemProps);
  const double s0[3] = {0.0, 0.0, 0.0};
  CalcMat_T_ElemNormal(elem, _MINDLIN_SHELL_QUAD, nNodes, OutputControl[OC_PRINT_MAT_T_QUAD], s0, T, X);
  MatMatTMultSmall(3, nNodes, X, Xl, T);
  for (int k = 1; k <= nNodes; k++) {
    X2[k][1] = Xl[k][1];
    X2[k][2] = Xl[k][2];
  }
  freed2(Xl);
  freed2(X);
}

void TransformElemMatMindlinShell(int ndof, int elem, int nNodes, int** elemNodes, double** Kg, double** Kl,
                                  double** T, const char* PointTypes) {
  if (ndof != 6 * nNodes) InternalError(__FILE__, __LINE__);
  copyd2(Kg, Kl, ndof, ndof);
  double Tt_[4][4];
  double* Tt[4] = {nullptr, Tt_[1], Tt_[2], Tt_[3]};
  transpd2(Tt, T, 3, 3);
  const int nb = 2 * nNodes;
  // Blocks 2k-1 (translations of node k) and 2k (rotations, turned only at 'G' points).
  auto turned = [&](int b) { return b % 2 == 1 || PointTypes[elemNodes[elem][(b + 1) / 2]] == 'G'; };
  for (int I = 1; I <= nb; I++) {
    if (!turned(I)) continue;
    for (int J = 1; J <= nb; J++) PreMul3(Kg, Tt, 3 * (I - 1) + 1, 3 * (J - 1) + 1);
  }
  for (int J = 1; J <= nb; J++) {
    if (!turned(J)) continue;
    for (int I = 1; I <= nb; I++) PostMul3(Kg, T, 3 * (I - 1) + 1, 3 * (J - 1) + 1);
  }
}

void CalcStiffMindlinShellQuad(int ndof, int elem, int nNodes, int propIndex, const char* OutputControl,
                               const MeshData* mesh, double** K, const char* PointTypes) {
  if (ndof != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[propIndex];
  double **Bm, **Bb, **Bs, **D, **Ds, **DB, **dNds, **dNdx, **J, **Jinv, **Kl, **T, **X2;
  double *N, *t;
  allocd2(&Bm, 3, ndof);
  allocd2(&Bb, 3, ndof);
  allocd2(&Bs, 2, ndof);
  allocd2(&D, 3, 3);
  allocd2(&Ds, 2, 2);
  allocd2(&DB, 3, ndof);
  allocd2(&dNds, nNodes, 2);
  allocd2(&dNdx, nNodes, 2);
  allocd2(&J, 2, 2);
  allocd2(&Jinv, 2, 2);
  allocd2(&Kl, ndof, ndof);
  allocd2(&T, 3, 3);
  allocd2(&X2, nNodes, 2);
  allocd1(&N, nNodes);
  allocd1(&t, nNodes);

  ShellGeometry(elem, nNodes, propIndex, OutputControl, mesh, T, X2, t);
  if (LinearElasticity(mesh->ElemProps[propIndex].MaterialKind) == kElasticOrthotropic) {
    const MaterialRecord& m = ElasticRecords(mesh, kElasticOrthotropic)[p.MaterialNumber];
    CheckMaterialAxesRecord(elem, m.Name, OrthotropicCoordSystem(m), mesh->nCoordSystems);
  }
  CalcMat_D_MindlinShell(elem, propIndex, 3, 2, 3, 2, D, Ds, T, mesh->AuxVectors, mesh->CoordSystems,
                         ElasticRecords(mesh, kElasticIsotropic), ElasticRecords(mesh, kElasticOrthotropic),
                         mesh->ElemProps);
  zerod2(Bm, 3, ndof);
  zerod2(Bb, 3, ndof);
  zerod2(Bs, 2, ndof);
  zerod2(Kl, ndof, ndof);

  // Point counts of the membrane, bending and shear rules along s1 and s2.
  int c[4][3] = {{0, 0, 0}, {0, 2, 2}, {0, 2, 2}, {0, 2, 2}};
  static const char kPattern[4] = {0, 'M', 'B', 'S'};
  static const char* const kPart[4] = {nullptr, "membrane", "bending", "shear"};
  if (p.IntegrationNumber != 0) {
    const NumericalIntegration& r = mesh->Integrations[p.IntegrationNumber];
    for (int part = 1; part <= 3; part++)
      for (int d = 1; d <= 2; d++) c[part][d] = IntegPoints(r, kPattern[part], d);
  }
  for (int part = 1; part <= 3; part++) {
    const double *a1, *w1, *a2, *w2;
    GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[part][1], &a1, &w1);
    GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[part][2], &a2, &w2);
    for (int i = 1; i <= c[part][1]; i++)
      for (int j = 1; j <= c[part][2]; j++) {
        const double s[3] = {0.0, a1[i], a2[j]};
        CalcShapeFuncQuad(nNodes, N, s);
        const double h = dotd1(N, t, nNodes);
        CalcShapeFuncDerivQuad(nNodes, dNds, s);
        const double det = PointCartesianDerivWith(nNodes, 2, X2, dNds, J, Jinv, dNdx, [&](double** Jm, double** Ji) {
          return CalcInvJacobianPart(elem, kPart[part], Jm, Ji);
        });
        const double w = w1[i] * w2[j] * det;
        switch (part) {
          case 1:
            CalcMat_B_MindlinShell(nNodes, 'M', Bm, dNdx, N);
            AddScaledBtDB(3, ndof, w * h, Bm, D, DB, Kl);
            break;
          case 2:
            CalcMat_B_MindlinShell(nNodes, 'B', Bb, dNdx, N);
            AddScaledBtDB(3, ndof, w * h * h * h / 12.0, Bb, D, DB, Kl);
            break;
          default:
            CalcMat_B_MindlinShell(nNodes, 'S', Bs, dNdx, N);
            AddScaledBtDB(2, ndof, w * h, Bs, Ds, DB, Kl);
            break;
        }
      }
  }

  TransformElemMatMindlinShell(ndof, elem, nNodes, mesh->ElemNodes, K, Kl, T, PointTypes);
  PrintElementStiffMat(ndof, elem, _MINDLIN_SHELL_QUAD, OutputControl[OC_PRINT_MAT_KG_MINDLIN_SHELL_QUAD], K);

  freed1(t);
  freed1(N);
  freed2(X2);
  freed2(T);
  freed2(Kl);
  freed2(Jinv);
  freed2(J);
  freed2(dNdx);
  freed2(dNds);
  freed2(DB);
  freed2(Ds);
  freed2(D);
  freed2(Bs);
  freed2(Bb);
  freed2(Bm);
}

void CalcMassMatMindlinShellQuad(int ndof, int elem, int nNodes, int propIndex, const char* OutputControl,
                                 const MeshData* mesh, double** M, const char* PointTypes) {
  if (ndof != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[propIndex];
  const double rho = ElemMaterialDensity(elem, _MINDLIN_SHELL_QUAD, propIndex, mesh);
  double **dNds, **J, **Jinv, **Ml, **T, **X2;
  double *N, *t;
  allocd2(&dNds, nNodes, 2);
  allocd2(&J, 2, 2);
  allocd2(&Jinv, 2, 2);
  allocd2(&Ml, ndof, ndof);
  allocd2(&T, 3, 3);
  allocd2(&X2, nNodes, 2);
  allocd1(&N, nNodes);
  allocd1(&t, nNodes);

  ShellGeometry(elem, nNodes, propIndex, OutputControl, mesh, T, X2, t);
  zerod2(Ml, ndof, ndof);
  int c[4];
  CalcElemIntegrationCounts(elem, kCtxMass, 2, 2, propIndex, mesh->Integrations, mesh->ElemProps, c);
  const double *a1, *w1, *a2, *w2;
  GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[1], &a1, &w1);
  GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[2], &a2, &w2);
  for (int i = 1; i <= c[1]; i++)
    for (int j = 1; j <= c[2]; j++) {
      const double s[3] = {0.0, a1[i], a2[j]};
      CalcShapeFuncQuad(nNodes, N, s);
      const double h = dotd1(N, t, nNodes);
      CalcShapeFuncDerivQuad(nNodes, dNds, s);
      CalcMat_Jacobian(nNodes, 2, 2, X2, dNds, J);
      const double w = w1[i] * w2[j] * CalcInvJacobian(elem, kCtxMass, 2, J, Jinv);
      // Point inertia: translations, rotations about x' and y', none about the normal.
      const double Dm[7] = {0.0, rho * h, rho * h, rho * h, rho * h * h * h / 12.0, rho * h * h * h / 12.0, 0.0};
      for (int k = 1; k <= nNodes; k++)
        for (int l = 1; l <= nNodes; l++)
          for (int d = 1; d <= 5; d++) Ml[6 * (k - 1) + d][6 * (l - 1) + d] += w * N[k] * N[l] * Dm[d];
    }

  TransformElemMatMindlinShell(ndof, elem, nNodes, mesh->ElemNodes, M, Ml, T, PointTypes);
  PrintElementMassMat(ndof, elem, _MINDLIN_SHELL_QUAD, OutputControl[OC_PRINT_MAT_MG_MINDLIN_SHELL_QUAD], M);

  freed1(t);
  freed1(N);
  freed2(X2);
  freed2(T);
  freed2(Ml);
  freed2(Jinv);
  freed2(J);
  freed2(dNds);
}

// ---- layers of the layered shell of a nonlinear analysis --------------------------------

void CalcMat_D_MindlinShell_NL(int elem, int layerProp, int kind, int nD, int nDs, int nD2, int nDs2, double** De,
                               double** Dse, double** T, const MeshData* mesh) {
  if (nD != 3 || nDs != 2 || nD2 != 3 || nDs2 != 2) InternalError(__FILE__, __LINE__);
  const LayerProperty& lp = mesh->LayerProps[layerProp];
  if (lp.MaterialKind != kind) InternalError(__FILE__, __LINE__);
  const MaterialRecord& m = MaterialOf(mesh, kind, lp.MaterialNumber);
  const LayerElastic c = LayerElasticConstants(kind, m);
  switch (c.form) {
    case kLayerIsotropic:
      CalcMat_D_MindlinShellIso(3, 2, 3, 2, c.E, c.nu, De, Dse);
      return;
    case kLayerOrthotropic:
      CheckMaterialAxesRecord(elem, m.Name, c.coordSystem, mesh->nCoordSystems);
      OrthotropicShellD(elem, m.Name, c, De, Dse, T, mesh->AuxVectors, mesh->CoordSystems);
      return;
    case kLayerBar: {
      // Uniaxial stiffness along the bar: E v^T v with v the strain of the bar direction.
      const double a = c.barAngle * 3.14159265358979323846 / 180.0;
      const double v[4] = {0.0, std::cos(a) * std::cos(a), std::sin(a) * std::sin(a), std::sin(a) * std::cos(a)};
      for (int i = 1; i <= 3; i++)
        for (int j = 1; j <= 3; j++) De[i][j] = c.E * v[i] * v[j];
      zerod2(Dse, 2, 2);
      return;
    }
  }
  InternalError(__FILE__, __LINE__);
}

// ---- behaviour-row adapters ----
void MindlinShellQuadStiffness(const ElementCall& c, double** K) {
  CalcStiffMindlinShellQuad(c.n, c.element, c.nNodes, c.property, c.OutputControl, c.mesh, K, c.PointTypes);
}
void MindlinShellQuadMass(const ElementCall& c, double** K) {
  CalcMassMatMindlinShellQuad(c.n, c.element, c.nNodes, c.property, c.OutputControl, c.mesh, K, c.PointTypes);
}
