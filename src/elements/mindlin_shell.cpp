// Flat Mindlin shell (type 20): plane-stress membrane, Reissner-Mindlin bending and
// transverse shear in the element axes of the normal at the centre, turned to global axes
// node block by node block; its consistent mass likewise.
#include <cmath>
#include <cstdio>

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

// Element axes T at the centre (rows: local axes), the nodal coordinates X2 (n x 2) in
// the element plane and, unless t is null, the nodal thicknesses t.
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

}  // namespace

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
        CalcMat_Jacobian(nNodes, 2, 2, X2, dNds, J);
        const double det = CalcInvJacobianPart(elem, kPart[part], J, Jinv);
        CalcCartesianDeriv(nNodes, 2, dNds, Jinv, dNdx);
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

// ---- layered shell of a materially nonlinear analysis ------------------------------------

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

namespace {

// Node by node out := T in (back: T^T in) on the translations and on the rotations of a
// general point; the rotations of a coplanar point ('M') are in element axes already.
void RotateShellNodeVectors(int elem, int nNodes, int** elemNodes, const char* PointTypes, double** T, bool back,
                            const double* in, double* out) {
  for (int k = 1; k <= nNodes; k++) {
    const char kind = PointTypes[elemNodes[elem][k]];
    if (kind != 'G' && kind != 'M') InternalError(__FILE__, __LINE__);
    for (int half = 0; half < 2; half++) {
      const int o = 6 * (k - 1) + 3 * half;
      for (int i = 1; i <= 3; i++) {
        if (half == 1 && kind == 'M') {
          out[o + i] = in[o + i];
          continue;
        }
        double v = 0.0;
        for (int j = 1; j <= 3; j++) v += (back ? T[j][i] : T[i][j]) * in[o + j];
        out[o + i] = v;
      }
    }
  }
}

// Only the total Lagrangian description is offered for the shell.
void CheckShellKinematicDescription(const MeshData* mesh) {
  const int k = mesh->Main.KinematicDescription;
  if (k == 2) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Calculating the stiffness matrix: _MindlinShellQuad_NLMG\n");
    errexit("This option (_UPDATED_LAGRANGIAN) is not avaiable. Please use for the\n KINEMATIC_DESCRIPTION the "
            "_TOTAL_LAGRANGIAN .",
            0);
  }
  if (k != 1) InternalError(__FILE__, __LINE__);
}

// Tangent stiffness (K != null) or internal forces (Fe != null, of the increment du and
// the total displacement u) of a layered shell. The layers are summed into section
// matrices or section forces at each point: the linear layers exactly through their
// thickness from the total displacement, the nonlinear layers at their middle surface
// from the strain increment, which advances their records.
void MindlinShellLayered(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                         const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                         const char* PointTypes, const double* du, const double* u, double** K, double* Fe,
                         bool geometric = false, const double* uNow = nullptr) {
  if (ndof != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const bool stiffness = K != nullptr;
  const char* context = stiffness ? kCtxStiffness : kCtxIntForces;
  if (geometric) CheckShellKinematicDescription(mesh);
  const ElementProperty& p = mesh->ElemProps[prop];
  int nL;
  const int pattern = LayeredShellPattern(ElemFaultContext{context, elem, 0, 0}, _MINDLIN_SHELL_QUAD, nNodes, prop,
                                          mesh, &nL);

  double **T, **X2, **dNds, **dNdx, **J, **Jinv, **B6, **Bs, **De, **Dse, **Dt, **Dst, **A6, **As, **DB;
  double *N, *zb, *zm, *zt, *h, *ul = nullptr, *dul = nullptr, *Fl = nullptr;
  // Large deflections: slopes matrix G, B_NL of the total (or converged) displacement and
  // of the one before the increment, and the membrane force matrix.
  double **G = nullptr, **BNL = nullptr, **BNL0 = nullptr, **Nm = nullptr, *ul0 = nullptr;
  allocd2(&T, 3, 3);
  allocd2(&X2, nNodes, 2);
  allocd2(&dNds, nNodes, 2);
  allocd2(&dNdx, nNodes, 2);
  allocd2(&J, 2, 2);
  allocd2(&Jinv, 2, 2);
  allocd2(&B6, 6, ndof);  // membrane rows 1..3 over curvature rows 4..6
  allocd2(&Bs, 2, ndof);
  allocd2(&De, 3, 3);
  allocd2(&Dse, 2, 2);
  allocd2(&Dt, 3, 3);
  allocd2(&Dst, 2, 2);
  allocd2(&A6, 6, 6);
  allocd2(&As, 2, 2);
  allocd2(&DB, 6, ndof);
  allocd1(&N, nNodes);
  allocd1(&zb, nL);
  allocd1(&zm, nL);
  allocd1(&zt, nL);
  allocd1(&h, nL);
  if (stiffness) {
    zerod2(K, ndof, ndof);
  } else {
    allocd1(&ul, ndof);
    allocd1(&dul, ndof);
    allocd1(&Fl, ndof);
    zerod1(Fl, ndof);
    zerod1(Fe, ndof);
  }
  ShellGeometry(elem, nNodes, prop, oc, mesh, T, X2, nullptr);
  if (!stiffness) {
    RotateShellNodeVectors(elem, nNodes, mesh->ElemNodes, PointTypes, T, false, u, ul);
    RotateShellNodeVectors(elem, nNodes, mesh->ElemNodes, PointTypes, T, false, du, dul);
  }
  if (geometric) {
    allocd2(&G, 2, ndof);
    allocd2(&BNL, 3, ndof);
    allocd2(&BNL0, 3, ndof);
    allocd2(&Nm, 2, 2);
    zerod2(G, 2, ndof);
    zerod2(BNL, 3, ndof);
    zerod2(BNL0, 3, ndof);
    if (stiffness) {
      // The tangent takes the slopes of the current iterate, as the forces do.
      allocd1(&ul, ndof);
      RotateShellNodeVectors(elem, nNodes, mesh->ElemNodes, PointTypes, T, false, uNow, ul);
    } else {
      allocd1(&ul0, ndof);
      for (int k = 1; k <= ndof; k++) ul0[k] = ul[k] - dul[k];
    }
  }
  // Oliver's band of the crack layers that measure it on the element.
  QuadCrackBand bands[2];
  StartQuadCrackBand(stiffness ? 0 : 4, nNodes, &bands[0]);
  StartQuadCrackBand(stiffness ? 0 : 5, nNodes, &bands[1]);
  double** Kl = nullptr;
  if (stiffness) {
    allocd2(&Kl, ndof, ndof);
    zerod2(Kl, ndof, ndof);
  }
  zerod2(B6, 6, ndof);
  zerod2(Bs, 2, ndof);

  int c[4];
  CalcElemIntegrationCounts(elem, context, 2, 3, prop, mesh->Integrations, mesh->ElemProps, c);
  const double *a1, *w1, *a2, *w2;
  GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[1], &a1, &w1);
  GetLineIntegrationRule(elem, p.IntegrationType, p.IntegrationNumber, c[2], &a2, &w2);
  // Rows of B6 as 3 x ndof views for the element's B builders.
  double* Bm[4] = {nullptr, B6[1], B6[2], B6[3]};
  double* Bb[4] = {nullptr, B6[4], B6[5], B6[6]};

  int ip = 0;
  for (int i2 = 1; i2 <= c[2]; i2++)
    for (int i1 = 1; i1 <= c[1]; i1++) {
      ip++;
      const double s[3] = {0.0, a1[i1], a2[i2]};
      CalcShapeFuncDerivQuad(nNodes, dNds, s);
      CalcMat_Jacobian(nNodes, 2, 2, X2, dNds, J);
      const double det = stiffness ? CalcInvJacobian(elem, context, 2, J, Jinv)
                                   : CalcInvJacobianPart(elem, "shear", J, Jinv, context);
      CalcShapeFuncQuad(nNodes, N, s);
      CalcCartesianDeriv(nNodes, 2, dNds, Jinv, dNdx);
      CalcMat_B_MindlinShell(nNodes, 'M', Bm, dNdx, N);
      CalcMat_B_MindlinShell(nNodes, 'B', Bb, dNdx, N);
      CalcMat_B_MindlinShell(nNodes, 'S', Bs, dNdx, N);
      double total;
      CalcLayerGeomProp(nL, pattern, nNodes, &total, N, zb, zm, zt, h, mesh->GeomPatterns, mesh->LamThicks,
                        mesh->LayerPatterns, mesh->LayerProps);
      const double wdet = w1[i1] * w2[i2] * det;
      if (geometric) {
        // Membrane rows over w: cleared here, B_NL after the linear strains.
        for (int k = 1; k <= nNodes; k++)
          for (int i = 1; i <= 3; i++) B6[i][6 * (k - 1) + 3] = 0.0;
        CalcMat_G_MindlinShellQuad_NLMG(G, dNdx, nNodes);
        CalcMat_BNL_MindlinShellQuad_NLMG(BNL, dNdx, G, ul, nNodes, ndof);
        if (!stiffness) CalcMat_BNL_MindlinShellQuad_NLMG(BNL0, dNdx, G, ul0, nNodes, ndof);
      }
      // Section strains (eps_m, chi; gamma) of the total displacement and of the increment.
      double e6[7] = {}, de6[7] = {}, g[3] = {}, S6[7] = {}, Q[3] = {};
      // Membrane strain of the slopes at the current iterate, for the membrane forces of
      // the linear layers.
      double eL[4] = {};
      if (!stiffness) {
        multd2d1(e6, B6, ul, 6, ndof);
        multd2d1(de6, B6, dul, 6, ndof);
        multd2d1(g, Bs, ul, 2, ndof);
      } else if (geometric) {
        multd2d1(e6, B6, ul, 6, ndof);
      }
      if (geometric) {
        // 1/2 (w,)^2 and its exact increment 1/2 (B_NL(a) + B_NL(a - da)) da.
        double t1[4], t2[4];
        multd2d1(eL, BNL, ul, 3, ndof);
        for (int i = 1; i <= 3; i++) eL[i] *= 0.5;
        if (!stiffness) {
          multd2d1(t1, BNL, dul, 3, ndof);
          multd2d1(t2, BNL0, dul, 3, ndof);
          for (int i = 1; i <= 3; i++) de6[i] += 0.5 * (t1[i] + t2[i]);
        }
        for (int i = 1; i <= 3; i++) e6[i] += eL[i];
        for (int k = 1; k <= nNodes; k++)
          for (int i = 1; i <= 3; i++) B6[i][6 * (k - 1) + 3] = BNL[i][6 * (k - 1) + 3];
        zerod2(Nm, 2, 2);
      }
      double Nmem[4] = {};
      zerod2(A6, 6, 6);
      zerod2(As, 2, 2);
      for (int l = 1; l <= nL; l++) {
        const int q = mesh->LayerPatterns[pattern].Layer[l];
        const int code = mesh->LayerProps[q].MaterialKind;
        const MaterialRecord& mat = MaterialOf(mesh, code, mesh->LayerProps[q].MaterialNumber);
        CalcMat_D_MindlinShell_NL(elem, q, code, 3, 2, 3, 2, De, Dse, T, mesh);
        const double hl = zt[l] - zb[l];
        const bool linear = LinearElasticity(code) != kElasticNone;
        // Through-thickness moments of the layer: exact for linear layers, at the middle
        // surface for the others.
        const double z1 = linear ? (zt[l] * zt[l] - zb[l] * zb[l]) / 2.0 : hl * zm[l];
        const double z2 =
            linear ? (zt[l] * zt[l] * zt[l] - zb[l] * zb[l] * zb[l]) / 3.0 : hl * zm[l] * zm[l];
        if (stiffness) {
          if (linear) {
            copyd2(Dt, De, 3, 3);
            copyd2(Dst, Dse, 2, 2);
          } else {
            const PointContext pc{ip, comb, elem, iter, l};
            const int r = LayerPointRecord(indexHD, elemToHD, elem, ip, l);
            ShellLayerTangent(code, pc, mat, hd, r, De, Dt);
            ShellLayerShearTangent(code, pc, mat, hd, r, Dse, Dst);
          }
          for (int i = 1; i <= 3; i++)
            for (int j = 1; j <= 3; j++) {
              A6[i][j] += Dt[i][j] * hl;
              A6[i][j + 3] += Dt[i][j] * z1;
              A6[i + 3][j] += Dt[i][j] * z1;
              A6[i + 3][j + 3] += Dt[i][j] * z2;
            }
          for (int i = 1; i <= 2; i++)
            for (int j = 1; j <= 2; j++) As[i][j] += Dst[i][j] * hl;
          if (geometric) {
            // Membrane force of the layer at the current iterate.
            double sl[4];
            if (linear) {
              double sm[4], sb[4];
              multd2d1(sm, De, e6, 3, 3);
              multd2d1(sb, De, e6 + 3, 3, 3);
              for (int i = 1; i <= 3; i++) sl[i] = sm[i] * hl + sb[i] * z1;
            } else {
              const int r = LayerPointRecord(indexHD, elemToHD, elem, ip, l);
              if (ShellLayerTotalStrain(code)) {
                double eps[4];
                for (int i = 1; i <= 3; i++) eps[i] = e6[i] + zm[l] * e6[i + 3];
                ShellLayerTotalRecordStress(code, hd, r, De, eps, sl);
              } else {
                ShellLayerRecordStress(code, mat, hd, r, sl);
              }
              for (int i = 1; i <= 3; i++) sl[i] *= hl;
            }
            for (int i = 1; i <= 3; i++) Nmem[i] += sl[i];
          }
        } else {
          double sig[4], tau[3];
          if (linear) {
            double sm[4], sb[4];
            multd2d1(sm, De, e6, 3, 3);
            multd2d1(sb, De, e6 + 3, 3, 3);
            multd2d1(tau, Dse, g, 2, 2);
            for (int i = 1; i <= 3; i++) {
              S6[i] += sm[i] * hl + sb[i] * z1;
              S6[i + 3] += sm[i] * z1 + sb[i] * z2;
            }
          } else {
            PointContext pc{ip, comb, elem, iter, l};
            const int r = LayerPointRecord(indexHD, elemToHD, elem, ip, l);
            const int oliver = LayerOliverOption(code, mat);
            if (oliver != 0) {
              const double wp[3] = {0.0, CrackZoneWeight(2, nNodes, c[1], w1, i1),
                                    CrackZoneWeight(2, nNodes, c[2], w2, i2)};
              pc.band = QuadCrackBandAt(&bands[oliver - 4],
                                        OliverPointContext{comb, iter, elem, ip, MaterialKindName(code)}, X2, dNdx, s,
                                        wp);
            }
            double deps[4];
            if (ShellLayerTotalStrain(code)) {
              // Elastic until failure, from the total strains.
              for (int i = 1; i <= 3; i++) deps[i] = e6[i] + zm[l] * e6[i + 3];
              ShellLayerTotalStress(code, pc, mat, hd, r, De, Dse, T, mesh, deps, g, sig, tau);
            } else {
              for (int i = 1; i <= 3; i++) deps[i] = de6[i] + zm[l] * de6[i + 3];
              ShellLayerStress(code, pc, mat, hd, r, De, deps, sig);
              ShellLayerShearStress(code, pc, mat, hd, r, Dse, g, tau);
            }
            for (int i = 1; i <= 3; i++) {
              S6[i] += sig[i] * hl;
              S6[i + 3] += sig[i] * hl * zm[l];
            }
          }
          for (int i = 1; i <= 2; i++) Q[i] += tau[i] * hl;
        }
      }
      if (stiffness) {
        AddScaledBtDB(6, ndof, wdet, B6, A6, DB, Kl);
        AddScaledBtDB(2, ndof, wdet, Bs, As, DB, Kl);
        if (geometric) {
          Nm[1][1] = Nmem[1];
          Nm[2][2] = Nmem[2];
          Nm[1][2] = Nm[2][1] = Nmem[3];
          AddScaledBtDB(2, ndof, wdet, G, Nm, DB, Kl);
        }
      } else {
        for (int k = 1; k <= ndof; k++) {
          double f = 0.0;
          for (int i = 1; i <= 6; i++) f += B6[i][k] * S6[i];
          for (int i = 1; i <= 2; i++) f += Bs[i][k] * Q[i];
          Fl[k] += wdet * f;
        }
      }
    }

  if (stiffness) {
    TransformElemMatMindlinShell(ndof, elem, nNodes, mesh->ElemNodes, K, Kl, T, PointTypes);
    PrintElementStiffMat(ndof, elem, _MINDLIN_SHELL_QUAD, oc[OC_PRINT_MAT_KG_MINDLIN_SHELL_QUAD], K);
    freed2(Kl);
  } else {
    RotateShellNodeVectors(elem, nNodes, mesh->ElemNodes, PointTypes, T, true, Fl, Fe);
    freed1(Fl);
    freed1(dul);
  }
  if (ul != nullptr) freed1(ul);
  FreeQuadCrackBand(&bands[1]);
  FreeQuadCrackBand(&bands[0]);
  if (geometric) {
    if (ul0 != nullptr) freed1(ul0);
    freed2(Nm);
    freed2(BNL0);
    freed2(BNL);
    freed2(G);
  }
  freed1(h);
  freed1(zt);
  freed1(zm);
  freed1(zb);
  freed1(N);
  freed2(DB);
  freed2(As);
  freed2(A6);
  freed2(Dst);
  freed2(Dt);
  freed2(Dse);
  freed2(De);
  freed2(Bs);
  freed2(B6);
  freed2(Jinv);
  freed2(J);
  freed2(dNdx);
  freed2(dNds);
  freed2(X2);
  freed2(T);
}

}  // namespace

void CalcStiffMindlinShellQuad_NL(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                  const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                  double** K, const char* PointTypes) {
  MindlinShellLayered(comb, ndof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD, PointTypes, nullptr,
                      nullptr, K, nullptr);
}

void CalcInt_Fg_MindlinShellQuad_NL(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                    const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                    const double* du, const double* u, double* Fe, const char* PointTypes) {
  MindlinShellLayered(comb, ndof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD, PointTypes, du, u,
                      nullptr, Fe);
}

void CalcMat_G_MindlinShellQuad_NLMG(double** G, double** dNdx, int nNodes) {
  for (int k = 1; k <= nNodes; k++) {
    G[1][6 * (k - 1) + 3] = dNdx[k][1];
    G[2][6 * (k - 1) + 3] = dNdx[k][2];
  }
}

void CalcMat_BNL_MindlinShellQuad_NLMG(double** BNL, double** dNdx, double** G, const double* a, int nNodes,
                                       int ndof) {
  double p[3];
  multd2d1(p, G, a, 2, ndof);
  for (int k = 1; k <= nNodes; k++) {
    const int c = 6 * (k - 1) + 3;
    BNL[1][c] = p[1] * dNdx[k][1];
    BNL[2][c] = p[2] * dNdx[k][2];
    BNL[3][c] = p[2] * dNdx[k][1] + p[1] * dNdx[k][2];
  }
}

void CalcStiffMindlinShellQuad_NLMG(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                    const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd,
                                    const int* elemToHD, double** K, const char* PointTypes, const double* a) {
  MindlinShellLayered(comb, ndof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD, PointTypes, nullptr,
                      nullptr, K, nullptr, true, a);
}

void CalcInt_Fg_MindlinShellQuad_NLMG(int comb, int ndof, int elem, int iter, int nNodes, int prop, const char* oc,
                                      const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd,
                                      const int* elemToHD, const double* du, const double* u, double* Fe,
                                      const char* PointTypes) {
  MindlinShellLayered(comb, ndof, elem, iter, nNodes, prop, oc, indexHD, mesh, hd, elemToHD, PointTypes, du, u,
                      nullptr, Fe, true, nullptr);
}
