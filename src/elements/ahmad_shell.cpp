// Ahmad shell (type 22): a degenerate solid swept along nodal directors. Geometry and
// layer kernels shared by every Ahmad shell routine, the linear stiffness and the
// consistent mass.
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/members.h"
#include "elements/point_rules.h"
#include "elements/shell_solid.h"
#include "materials/elastic.h"
#include "materials/material_point.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

// Phi (3 x 3): change of the director of node i per unit rotation dof, from rows V1, V2
// of the nodal axes: 'G' global rotation vector, 'A' rotations about V1, V2, V3.
void NodeDirectorMap(char kind, double** V, double Phi[4][4]) {
  switch (kind) {
    case 'G':
      for (int a = 1; a <= 3; a++)
        for (int b = 1; b <= 3; b++) Phi[a][b] = V[1][a] * V[2][b] - V[2][a] * V[1][b];
      return;
    case 'A':
      for (int a = 1; a <= 3; a++) {
        Phi[a][1] = -V[2][a];
        Phi[a][2] = V[1][a];
        Phi[a][3] = 0.0;
      }
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

// Thickness of layer property q at each node (tau[1..nn]).
void LayerNodeThickness(int q, int nn, double* tau, const GeometryPattern* geomPatterns,
                        const LaminateThickness* lamThicks, const LayerProperty* layerProps) {
  const LayerProperty& lp = layerProps[q];
  switch (lp.GeometryKind) {
    case GEOM_PATT: {
      const GeometryPattern& g = geomPatterns[lp.GeometryNumber];
      if (g.Kind != GEOM_LAM_THICK || g.nEntries < nn) {
        std::fflush(stdout);
        std::fprintf(stderr, "\n");
        std::fprintf(stderr, "Reading the thickness of layer property record n. %d\n", q);
        errexit("The geometry pattern of the layer must list one _LAM_THICK\nrecord for every element node.", 0);
      }
      for (int i = 1; i <= nn; i++) tau[i] = lamThicks[g.Record[i]].Thickness;
      return;
    }
    case GEOM_LAM_THICK:
      for (int i = 1; i <= nn; i++) tau[i] = lamThicks[lp.GeometryNumber].Thickness;
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

}  // namespace

void CalcMat_T_CoplanarPointAhmad(int point, const int* ElemPropIndex, const int* ElemNodeCount, int** ElemNodes,
                                  double** T, double** PointCoord, const PointList* PointElementList,
                                  const ElementProperty* props) {
  const PointList& list = PointElementList[point];
  double sum[4] = {0.0, 0.0, 0.0, 0.0};
  int nShells = 0;
  for (int k = 1; k <= list.count; k++) {
    const int e = list.items[k].element;
    const int local = list.items[k].node;
    const int pi = ElemPropIndex[e];
    if (pi == 0) InternalError(__FILE__, __LINE__);
    if (props[pi].ElementType != _AHMAD_SHELL_QUAD) continue;
    const int n = ElemNodeCount[e];
    if (local < 1 || local > n) InternalError(__FILE__, __LINE__);
    double normal[4];
    CalcShellNodeNormal(e, _AHMAD_SHELL_QUAD, n, local, ElemNodes, PointCoord, normal);
    addd1(sum, normal, 3);
    nShells++;
  }
  if (nShells == 0) InternalError(__FILE__, __LINE__);
  normalized1(sum, 3);
  CalcOrthonormalTriad(sum, T);
}

void CalcMat_Tgn_AhmadShellQuad(int elem, int d3, int nn, const char* OutputControl, const int* ElemPropIndex,
                                const int* ElemNodeCount, int** ElemNodes, double*** Tgn, double** X,
                                double** PointCoord, const char* PointTypes, const PointList* PointElementList,
                                const ElementProperty* props) {
  if (d3 != 3) InternalError(__FILE__, __LINE__);
  double** S;
  allocd2(&S, nn, 2);
  CalcNatCoord(nn, S);
  for (int i = 1; i <= nn; i++) {
    zerod2(Tgn[i], 3, 3);
    const int p = ElemNodes[elem][i];
    switch (PointTypes[p]) {
      case 'A':
        CalcMat_T_CoplanarPointAhmad(p, ElemPropIndex, ElemNodeCount, ElemNodes, Tgn[i], PointCoord,
                                     PointElementList, props);
        break;
      case 'G': {
        const double s[3] = {0.0, S[i][1], S[i][2]};
        CalcMat_T_ElemNormal(elem, 0, nn, OutputControl[OC_PRINT_MAT_T_QUAD], s, Tgn[i], X);
        break;
      }
      default:
        InternalError(__FILE__, __LINE__);
    }
    if (OutputControl[OC_PRINT_MAT_TNG_AHMAD_SHELL_QUAD] == 'Y') {
      std::printf("\n");
      std::printf("Transformation matrix T (_AHMAD_SHELL_QUAD):\n");
      std::printf("Element n. %d\tNode n. %d\n", elem, i);
      printd2(Tgn[i], 3, 3, stdout, "CSV", "NoNumbers", "", 1, 'E', 18, 10);
    }
  }
  freed2(S);
}

void CalcMat_J_AhmadShell(int d3, int nn, double** dNds, double** J, const double* N, const double* s,
                          double*** Tgn, double** X, const double* t) {
  if (d3 != 3) InternalError(__FILE__, __LINE__);
  zerod2(J, 3, 3);
  for (int i = 1; i <= nn; i++) {
    double** V = Tgn[i];
    const double h = 0.5 * t[i];
    for (int a = 1; a <= 3; a++) {
      const double x = X[i][a] + s[3] * h * V[3][a];
      J[a][1] += dNds[i][1] * x;
      J[a][2] += dNds[i][2] * x;
      J[a][3] += N[i] * h * V[3][a];
    }
  }
}

void CalcMat_du_ds_AhmadShell(int elem, int n3ndof, int d3, int ndof, int dofsPerNode, int d3b, int nn,
                              int** ElemNodes, double** dNds, double** G, const double* N, const double* s,
                              double*** Tgn, const double* t, const char* PointTypes) {
  if (d3 != 3 || d3b != 3 || dofsPerNode != 6 || ndof != 6 * nn || n3ndof != 3 * ndof)
    InternalError(__FILE__, __LINE__);
  zerod2(G, 3, n3ndof);
  double Phi[4][4];
  for (int i = 1; i <= nn; i++) {
    const int b = 6 * (i - 1);
    NodeDirectorMap(PointTypes[ElemNodes[elem][i]], Tgn[i], Phi);
    for (int k = 1; k <= 3; k++) {
      const int off = (k - 1) * ndof + b;
      const double ck = k < 3 ? s[3] * dNds[i][k] : N[i];
      for (int a = 1; a <= 3; a++) {
        if (k < 3) G[a][off + a] = dNds[i][k];
        for (int j = 4; j <= 6; j++) G[a][off + j] = 0.5 * ck * t[i] * Phi[a][j - 3];
      }
    }
  }
}

void CalcMat_B_AhmadShell(int d3, int ndof, int n3ndof, int f, int l, int stride, int d3b, int nn, int m, char mode,
                          double** B, double** G, double** theta, double** Jinv) {
  if (d3 != 3 || d3b != 3 || n3ndof != 3 * ndof) InternalError(__FILE__, __LINE__);
  if (mode != 'M' && mode != 'S') InternalError(__FILE__, __LINE__);
  // C[k][m] = ds_k / dx'_m
  double C[4][4];
  for (int k = 1; k <= 3; k++)
    for (int q = 1; q <= 3; q++) C[k][q] = Jinv[k][1] * theta[q][1] + Jinv[k][2] * theta[q][2] + Jinv[k][3] * theta[q][3];
  // dU[a][q]: derivative of the lamina component a along x'_q per unit value of column c.
  auto derivs = [&](int c, double dU[4][4]) {
    double A[4][4];  // A[a][k] = theta_a . G(:, k, c)
    for (int k = 1; k <= 3; k++) {
      const int col = (k - 1) * ndof + c;
      for (int a = 1; a <= 3; a++) A[a][k] = theta[a][1] * G[1][col] + theta[a][2] * G[2][col] + theta[a][3] * G[3][col];
    }
    for (int a = 1; a <= 3; a++)
      for (int q = 1; q <= 3; q++) dU[a][q] = A[a][1] * C[1][q] + A[a][2] * C[2][q] + A[a][3] * C[3][q];
  };
  double dU[4][4];
  if (mode == 'M') {
    for (int g = 1; g <= nn; g++)
      for (int c = f + stride * (g - 1); c <= l + stride * (g - 1); c++) {
        derivs(c, dU);
        for (int r = 1; r <= m; r++) {
          switch (r) {
            case 1: B[r][c] = dU[1][1]; break;
            case 2: B[r][c] = dU[2][2]; break;
            case 3: B[r][c] = dU[2][1] + dU[1][2]; break;
            default: B[r][c] = 0.0; break;
          }
        }
      }
    return;
  }
  for (int c = 1; c <= ndof; c++) {
    derivs(c, dU);
    for (int r = 1; r <= m; r++) {
      switch (r) {
        case 1: B[r][c] = dU[3][2] + dU[2][3]; break;
        case 2: B[r][c] = dU[1][3] + dU[3][1]; break;
        default: B[r][c] = 0.0; break;
      }
    }
  }
}

void CalcMat_D_AhmadShell(int propIndex, int nDm, int nDs, int nDm2, int nDs2, double** Dm, double** Ds,
                          const MaterialRecord* linIso, const ElementProperty* props) {
  if (nDm != 3 || nDs != 2 || nDm2 != 3 || nDs2 != 2) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = props[propIndex];
  if (LinearElasticity(p.MaterialKind) != kElasticIsotropic) errexit("Ahmad shell element: invalid material type.", 0);
  const MaterialRecord& m = linIso[p.MaterialNumber];
  const double E = IsotropicConstants(m).E, nu = IsotropicConstants(m).nu;
  CalcPlateIsoD("Ahmad shell", E, nu, Dm);
  zerod2(Ds, 2, 2);
  Ds[1][1] = Ds[2][2] = E / (2.4 * (1.0 + nu));
}

void CalcMat_N_AhmadShell(int elem, int d3, int ndof, int dofsPerNode, int d3b, int nn, int** ElemNodes,
                          double** Nmat, const double* N, const double* s, double*** Tgn, const double* t,
                          const char* PointTypes) {
  if (d3 != 3 || d3b != 3 || dofsPerNode != 6 || ndof != 6 * nn) InternalError(__FILE__, __LINE__);
  zerod2(Nmat, 3, ndof);
  double Phi[4][4];
  for (int i = 1; i <= nn; i++) {
    const int b = 6 * (i - 1);
    NodeDirectorMap(PointTypes[ElemNodes[elem][i]], Tgn[i], Phi);
    for (int a = 1; a <= 3; a++) {
      Nmat[a][b + a] = N[i];
      for (int j = 1; j <= 3; j++) Nmat[a][b + 3 + j] = 0.5 * t[i] * N[i] * s[3] * Phi[a][j];
    }
  }
}

void CalcNodeElementThick_Layered(int nL, int layerPattern, int nn, double* t, const GeometryPattern* geomPatterns,
                                  const LaminateThickness* lamThicks, const LayerPattern* layerPatterns,
                                  const LayerProperty* layerProps) {
  double* tau;
  allocd1(&tau, nn);
  for (int L = 1; L <= nL; L++) {
    LayerNodeThickness(layerPatterns[layerPattern].Layer[L], nn, tau, geomPatterns, lamThicks, layerProps);
    addd1(t, tau, nn);
  }
  freed1(tau);
}

void CalcLayerGeomProp_Ahmad(int nL, int layerPattern, int nn, double* T, const double* N, double* z, double* tL,
                             const GeometryPattern* geomPatterns, const LaminateThickness* lamThicks,
                             const LayerPattern* layerPatterns, const LayerProperty* layerProps) {
  double* tau;
  allocd1(&tau, nn);
  *T = 0.0;
  for (int L = 1; L <= nL; L++) {
    LayerNodeThickness(layerPatterns[layerPattern].Layer[L], nn, tau, geomPatterns, lamThicks, layerProps);
    tL[L] = dotd1(N, tau, nn);
    *T += tL[L];
  }
  double S = 0.0;
  for (int L = 1; L <= nL; L++) {
    S += tL[L];
    z[L] = S - tL[L] / 2.0 - *T / 2.0;
  }
  freed1(tau);
}

void CalcStiffAhmadShellQuad(int ndof, int elem, int nn, int propIndex, const char* OutputControl,
                             const MeshData* mesh, const int* ElemPropIndex, double** K, const char* PointTypes,
                             const PointList* PointElementList) {
  if (ndof != 6 * nn) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[propIndex];
  const int n3 = 3 * ndof;
  double **Dm, **Ds, **X, **dNds, **J, **Jinv, **G, **theta, **B, **DB;
  double ***Tgn, *t, *N;
  allocd2(&Dm, 3, 3);
  allocd2(&Ds, 2, 2);
  allocd2(&X, nn, 3);
  allocd2(&dNds, nn, 2);
  allocd2(&J, 3, 3);
  allocd2(&Jinv, 3, 3);
  allocd2(&G, 3, n3);
  allocd2(&theta, 3, 3);
  allocd2(&B, 3, ndof);
  allocd2(&DB, 3, ndof);
  allocd3(&Tgn, nn, 3, 3);
  allocd1(&t, nn);
  allocd1(&N, nn);

  CalcMat_D_AhmadShell(propIndex, 3, 2, 3, 2, Dm, Ds, ElasticRecords(mesh, kElasticIsotropic), mesh->ElemProps);
  CalcMat_ElemNodeCoord(elem, _AHMAD_SHELL_QUAD, nn, mesh->ElemNodes, X, mesh->PointCoord);
  CalcShellNodeThickness(nn, propIndex, t, mesh->GeomPatterns, mesh->LamThicks, mesh->ElemProps);
  CalcMat_Tgn_AhmadShellQuad(elem, 3, nn, OutputControl, ElemPropIndex, mesh->ElemNodeCount, mesh->ElemNodes, Tgn,
                             X, mesh->PointCoord, PointTypes, PointElementList, mesh->ElemProps);
  zerod2(K, ndof, ndof);

  // Membrane-bending rule (the M counts, which must equal the B counts) and shear rule.
  int cmb[4] = {0, 2, 2, 2}, cs[4] = {0, 2, 2, 2};
  if (p.IntegrationNumber != 0) {
    const NumericalIntegration& r = mesh->Integrations[p.IntegrationNumber];
    bool same = true;
    for (int d = 1; d <= 3; d++) {
      cmb[d] = IntegPoints(r, 'M', d);
      cs[d] = IntegPoints(r, 'S', d);
      if (IntegPoints(r, 'B', d) != cmb[d]) same = false;
    }
    if (!same) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n");
      std::fprintf(stderr, kCtxStiffness, elem);
      std::fprintf(stderr, "N. of integration points to evaluate the membrane stiffness matrix: %d\n",
                   IntegPoints(r, 'M', 1));
      std::fprintf(stderr, "N. of integration points to evaluate the bending stiffness matrix:. %d\n",
                   IntegPoints(r, 'B', 1));
      errexit("The n. of integration points for evaluating the membrane\nand bending stiffness components must be "
              "equal.",
              0);
    }
  }

  for (int part = 1; part <= 2; part++) {
    const int* c = part == 1 ? cmb : cs;
    const TensorRule rule = ElementTensorRule(elem, p, 3, c);
    zerod2(B, 3, ndof);
    ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& q) {
      CalcShapeFuncQuad(nn, N, q.s);
      CalcShapeFuncDerivQuad(nn, dNds, q.s);
      CalcMat_J_AhmadShell(3, nn, dNds, J, N, q.s, Tgn, X, t);
      const double d = CalcInvJacobian(elem, kCtxStiffness, 3, J, Jinv);
      CalcMat_du_ds_AhmadShell(elem, n3, 3, ndof, 6, 3, nn, mesh->ElemNodes, dNds, G, N, q.s, Tgn, t, PointTypes);
      CalcMat_T_ElemNormal(elem, _AHMAD_SHELL_QUAD, nn, OutputControl[OC_PRINT_MAT_T_QUAD], q.s, theta, X);
      if (part == 1) {
        CalcMat_B_AhmadShell(3, ndof, n3, 1, 6, 6, 3, nn, 3, 'M', B, G, theta, Jinv);
        AddScaledBtDB(3, ndof, q.weight * d, B, Dm, DB, K);
      } else {
        CalcMat_B_AhmadShell(3, ndof, n3, 1, 6, 6, 3, nn, 2, 'S', B, G, theta, Jinv);
        AddScaledBtDB(2, ndof, q.weight * d, B, Ds, DB, K);
      }
    });
  }

  PrintElementStiffMat(ndof, elem, _AHMAD_SHELL_QUAD, OutputControl[OC_PRINT_MAT_KG_AHMAD_SHELL_QUAD], K);

  freed1(N);
  freed1(t);
  freed3(Tgn);
  freed2(DB);
  freed2(B);
  freed2(theta);
  freed2(G);
  freed2(Jinv);
  freed2(J);
  freed2(dNds);
  freed2(X);
  freed2(Ds);
  freed2(Dm);
}

void CalcMassMatAhmadShellQuad(int ndof, int elem, int nn, int propIndex, const char* OutputControl,
                               const MeshData* mesh, const int* ElemPropIndex, double** M, const char* PointTypes,
                               const PointList* PointElementList) {
  if (ndof != 6 * nn) InternalError(__FILE__, __LINE__);
  const ElementProperty& p = mesh->ElemProps[propIndex];
  const double rho = ElemMaterialDensity(elem, _AHMAD_SHELL_QUAD, propIndex, mesh);
  double **X, **dNds, **J, **Jinv, **Nm, **NtN;
  double ***Tgn, *t, *N;
  allocd2(&X, nn, 3);
  allocd2(&dNds, nn, 2);
  allocd2(&J, 3, 3);
  allocd2(&Jinv, 3, 3);
  allocd2(&Nm, 3, ndof);
  allocd2(&NtN, ndof, ndof);
  allocd3(&Tgn, nn, 3, 3);
  allocd1(&t, nn);
  allocd1(&N, nn);

  CalcMat_ElemNodeCoord(elem, _AHMAD_SHELL_QUAD, nn, mesh->ElemNodes, X, mesh->PointCoord);
  CalcShellNodeThickness(nn, propIndex, t, mesh->GeomPatterns, mesh->LamThicks, mesh->ElemProps);
  CalcMat_Tgn_AhmadShellQuad(elem, 3, nn, OutputControl, ElemPropIndex, mesh->ElemNodeCount, mesh->ElemNodes, Tgn,
                             X, mesh->PointCoord, PointTypes, PointElementList, mesh->ElemProps);
  zerod2(M, ndof, ndof);
  int c[4];
  CalcElemIntegrationCounts(elem, kCtxMass, 3, 2, propIndex, mesh->Integrations, mesh->ElemProps, c);
  ForEachRulePoint(ElementTensorRule(elem, p, 3, c), RuleOrder::kLastFastest, [&](const RulePoint& q) {
    CalcShapeFuncQuad(nn, N, q.s);
    CalcShapeFuncDerivQuad(nn, dNds, q.s);
    CalcMat_J_AhmadShell(3, nn, dNds, J, N, q.s, Tgn, X, t);
    const double f = q.weight * CalcInvJacobian(elem, kCtxMass, 3, J, Jinv);
    CalcMat_N_AhmadShell(elem, 3, ndof, 6, 3, nn, mesh->ElemNodes, Nm, N, q.s, Tgn, t, PointTypes);
    MatTMatMultSmall(NtN, Nm, Nm, 3, ndof);
    scaled2(NtN, ndof, ndof, f);
    addd2(M, NtN, ndof, ndof);
  });
  scaled2(M, ndof, ndof, rho);
  PrintElementMassMat(ndof, elem, _AHMAD_SHELL_QUAD, OutputControl[OC_PRINT_MAT_MG_AHMAD_SHELL_QUAD], M);

  freed1(N);
  freed1(t);
  freed3(Tgn);
  freed2(NtN);
  freed2(Nm);
  freed2(Jinv);
  freed2(J);
  freed2(dNds);
  freed2(X);
}

// ---- layered shell of a materially nonlinear analysis ------------------------------------

double CalcInplaneDet_AhmadShell(int elem, int nn, char printFlag, const double* s, const double* N, double** dNds,
                                 double** X, double*** Tgn, const double* t, double** theta, double** XlOut,
                                 double** JlOut) {
  double **Xl = XlOut, **Jl = JlOut, ***Tl;
  if (XlOut == nullptr) allocd2(&Xl, nn, 3);
  if (JlOut == nullptr) allocd2(&Jl, 3, 3);
  allocd3(&Tl, nn, 3, 3);
  CalcMat_T_ElemNormal(elem, _AHMAD_SHELL_QUAD, nn, printFlag, s, theta, X);
  MatMatTMultSmall(3, nn, X, Xl, theta);
  for (int i = 1; i <= nn; i++) MatMatTMultSmall(3, 3, Tgn[i], Tl[i], theta);
  CalcMat_J_AhmadShell(3, nn, dNds, Jl, N, s, Tl, Xl, t);
  const double d2 = Jl[1][1] * Jl[2][2] - Jl[1][2] * Jl[2][1];
  freed3(Tl);
  if (JlOut == nullptr) freed2(Jl);
  if (XlOut == nullptr) freed2(Xl);
  return d2;
}

void CalcNodeData_AhmadShellLayered(int elem, int nn, int pattern, int nL, const char* OutputControl,
                                    const int* ElemPropIndex, const char* PointTypes,
                                    const PointList* PointElementList, const MeshData* mesh, double** X,
                                    double*** Tgn, double* t) {
  zerod1(t, nn);
  CalcNodeElementThick_Layered(nL, pattern, nn, t, mesh->GeomPatterns, mesh->LamThicks, mesh->LayerPatterns,
                               mesh->LayerProps);
  CalcMat_ElemNodeCoord(elem, _AHMAD_SHELL_QUAD, nn, mesh->ElemNodes, X, mesh->PointCoord);
  CalcMat_Tgn_AhmadShellQuad(elem, 3, nn, OutputControl, ElemPropIndex, mesh->ElemNodeCount, mesh->ElemNodes, Tgn, X,
                             mesh->PointCoord, PointTypes, PointElementList, mesh->ElemProps);
}

namespace {

[[noreturn]] void AhmadLayerFault(const char* context, int elem, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, context, elem);
  errexit(msg, 0);
}

// Messages of the Jacobian checks: stiffness (both passes), forces membrane-bending pass,
// forces transverse-shear pass.
struct AhmadJacobianTexts {
  const char* null;
  const char* negative;
  const char* invert;
};
constexpr AhmadJacobianTexts kStiffTexts = {
    "Jacobian determinant is null:\n\t\t\telement geometry and/or mesh connectivity must be changed.",
    "Jacobian determinant is negative:\n\t\t\telement geometry and/or mesh connectivity must be changed.",
    "Unable to invert the Jacobian matrix:\n\t\t\telement geometry and/or mesh connectivity must be changed."};
constexpr AhmadJacobianTexts kForceTexts[3] = {
    {nullptr, nullptr, nullptr},
    {"Inplane Jacobian determinant is null:\n\t\t\telement geometry and/or mesh connectivity must be changed.",
     "Inplane Jacobian determinant is negative:\n\t\t\telement geometry and/or mesh connectivity must be changed.",
     "Unable to invert the Jacobian matrix:\n\t\t\t\telement geometry and/or mesh connectivity must be changed."},
    {"Inplane Jacobian determinant is null:\n\t\t\t\telement geometry and/or mesh connectivity must be changed.",
     "Inplane Jacobian determinant is negative:\n\t\t\t\telement geometry and/or mesh connectivity must be "
     "changed.",
     "Unable to invert the Jacobian matrix:\n\t\t\t\telement geometry and/or mesh connectivity must be changed."}};

// One call of the layered Ahmad shell: the element, what is asked of it, its layer stack
// and its work arrays. X, Tgn, t the nodes, their directors and thicknesses; z, tL the
// layers' middle and thickness at the in-plane point; Xl, Jl, J2inv, dNdxl the lamina-axes
// geometry of the point for Oliver's band of the crack layers.
struct AhmadLayered {
  LayerStackCall call;
  const double *da, *a;
  double** K;
  double* F;
  int n3 = 0;
  double **X{}, **dNds{}, **J{}, **Jinv{}, **Jw{}, **G{}, **theta{}, **B{}, **DB{}, **De{}, **Dse{}, **Dt{}, **Xl{},
      **Jl{}, **J2inv{}, **dNdxl{};
  double ***Tgn{}, *t{}, *N{}, *z{}, *tL{};
  QuadCrackBand bands[2]{};
  LayeredRules rules{};
};

// A sampling point: pass (1 membrane-bending, 2 transverse shear), rule indices, number
// in the record order, layer; its natural coordinates and the in-plane determinant.
struct AhmadPoint {
  int pass, m, i1, i2, ip, L;
  double s2d[3], s[4];
  double d2;
};

void AllocAhmadLayered(AhmadLayered& el) {
  const LayerStackCall& c = el.call;
  const int nn = c.nNodes, ndof = c.ndof, nL = c.nL;
  allocd2(&el.X, nn, 3);
  allocd2(&el.dNds, nn, 2);
  allocd2(&el.J, 3, 3);
  allocd2(&el.Jinv, 3, 3);
  allocd2(&el.Jw, 3, 3);
  allocd2(&el.G, 3, el.n3);
  allocd2(&el.theta, 3, 3);
  allocd2(&el.B, 3, ndof);
  allocd2(&el.DB, 3, ndof);
  allocd2(&el.De, 3, 3);
  allocd2(&el.Dse, 2, 2);
  allocd2(&el.Dt, 3, 3);
  allocd2(&el.Xl, nn, 3);
  allocd2(&el.Jl, 3, 3);
  allocd2(&el.J2inv, 2, 2);
  allocd2(&el.dNdxl, nn, 2);
  StartQuadCrackBand(c.stiffness ? 0 : 4, nn, &el.bands[0]);
  StartQuadCrackBand(c.stiffness ? 0 : 5, nn, &el.bands[1]);
  allocd3(&el.Tgn, nn, 3, 3);
  allocd1(&el.t, nn);
  allocd1(&el.N, nn);
  allocd1(&el.z, nL);
  allocd1(&el.tL, nL);
}

void FreeAhmadLayered(AhmadLayered& el) {
  for (double* v : {el.tL, el.z, el.N, el.t}) freed1(v);
  freed3(el.Tgn);
  FreeQuadCrackBand(&el.bands[1]);
  FreeQuadCrackBand(&el.bands[0]);
  for (double** A : {el.dNdxl, el.J2inv, el.Jl, el.Xl, el.Dt, el.Dse, el.De, el.DB, el.B, el.theta, el.G, el.Jw,
                     el.Jinv, el.J, el.dNds, el.X})
    freed2(A);
}

// Jacobians, the displacement derivatives G and the lamina axes at the point of layer L.
void AhmadLayerGeometry(AhmadLayered& el, const AhmadPoint& pt, const AhmadJacobianTexts& msg, double* d2) {
  const LayerStackCall& c = el.call;
  *d2 = CalcInplaneDet_AhmadShell(c.elem, c.nNodes, c.oc[OC_PRINT_MAT_T_QUAD], pt.s, el.N, el.dNds, el.X, el.Tgn,
                                  el.t, el.theta, el.Xl, el.Jl);
  if (JacobianIsNull(*d2, 2, 2, el.Jl)) AhmadLayerFault(c.context, c.elem, msg.null);
  if (*d2 < 0.0) AhmadLayerFault(c.context, c.elem, msg.negative);
  CalcMat_J_AhmadShell(3, c.nNodes, el.dNds, el.J, el.N, pt.s, el.Tgn, el.X, el.t);
  copyd2(el.Jw, el.J, 3, 3);
  if (!invertd2(el.Jinv, el.Jw, 3)) AhmadLayerFault(c.context, c.elem, msg.invert);
  CalcMat_du_ds_AhmadShell(c.elem, el.n3, 3, c.ndof, 6, 3, c.nNodes, c.mesh->ElemNodes, el.dNds, el.G, el.N, pt.s,
                           el.Tgn, el.t, c.PointTypes);
}

// Oliver's band at the point, for a crack layer that measures it on the element: dN/dx'
// of the in-plane block of the lamina-axes Jacobian.
const CrackBandGeometry* AhmadLayerBand(AhmadLayered& el, const AhmadPoint& pt, int oliver, int code,
                                        const AhmadJacobianTexts& msg) {
  const LayerStackCall& c = el.call;
  for (int i = 1; i <= 2; i++)
    for (int j = 1; j <= 2; j++) el.Jw[i][j] = el.Jl[i][j];
  if (!invertd2(el.J2inv, el.Jw, 2)) AhmadLayerFault(c.context, c.elem, msg.invert);
  CalcCartesianDeriv(c.nNodes, 2, el.dNds, el.J2inv, el.dNdxl);
  const double wp[3] = {0.0, CrackZoneWeight(2, c.nNodes, el.rules.c[1], el.rules.w1, pt.i1),
                        CrackZoneWeight(2, c.nNodes, el.rules.c[2], el.rules.w2, pt.i2)};
  const OliverPointContext at{c.comb, c.iter, c.elem, pt.ip, MaterialKindName(code)};
  return QuadCrackBandAt(&el.bands[oliver - 4], at, el.Xl, el.dNdxl, pt.s2d, wp);
}

// The layer's tangent (K) or its stresses into the forces (F): linear layers and the
// transverse shear from the total displacement, the in-plane input of the nonlinear laws
// from the increment.
void AhmadLayerContribution(AhmadLayered& el, const AhmadPoint& pt, const PointContext& pc, int code,
                            const MaterialRecord& mat, bool linear, int r, double w) {
  const LayerStackCall& c = el.call;
  const int m = pt.m;
  double** Del = pt.pass == 1 ? el.De : el.Dse;
  if (c.stiffness) {
    if (linear)
      copyd2(el.Dt, Del, m, m);
    else if (pt.pass == 1)
      ShellLayerTangent(code, pc, mat, c.hd, r, el.De, el.Dt);
    else
      ShellLayerShearTangent(code, pc, mat, c.hd, r, el.Dse, el.Dt);
    AddScaledBtDB(m, c.ndof, w, el.B, el.Dt, el.DB, el.K);
    return;
  }
  double e[4], sig[4];
  multd2d1(e, el.B, linear || pt.pass == 2 ? el.a : el.da, m, c.ndof);
  if (linear)
    multd2d1(sig, Del, e, m, m);
  else if (pt.pass == 1)
    ShellLayerStress(code, pc, mat, c.hd, r, el.De, e, sig);
  else
    ShellLayerShearStress(code, pc, mat, c.hd, r, el.Dse, e, sig);
  for (int k = 1; k <= c.ndof; k++) {
    double f = 0.0;
    for (int i = 1; i <= m; i++) f += el.B[i][k] * sig[i];
    el.F[k] += w * f;
  }
}

// Layer L at the in-plane point of the pass.
void AhmadLayerPoint(AhmadLayered& el, AhmadPoint& pt, double T, const AhmadJacobianTexts& msg) {
  const LayerStackCall& c = el.call;
  const int L = pt.L;
  if (!(std::fabs(T) >= kSmall)) LayerThicknessFault(c.context, c.elem, pt.ip, L);
  pt.s[0] = 0.0;
  pt.s[1] = pt.s2d[1];
  pt.s[2] = pt.s2d[2];
  pt.s[3] = 2.0 * el.z[L] / T;
  AhmadLayerGeometry(el, pt, msg, &pt.d2);
  const int q = c.mesh->LayerPatterns[c.pattern].Layer[L];
  const int code = c.mesh->LayerProps[q].MaterialKind;
  const MaterialRecord& mat = MaterialOf(c.mesh, code, c.mesh->LayerProps[q].MaterialNumber);
  CalcMat_D_MindlinShell_NL(c.elem, q, code, 3, 2, 3, 2, el.De, el.Dse, el.theta, c.mesh);
  CalcMat_B_AhmadShell(3, c.ndof, el.n3, 1, 6, 6, 3, c.nNodes, pt.m, pt.pass == 1 ? 'M' : 'S', el.B, el.G, el.theta,
                       el.Jinv);
  const double w = el.rules.w1[pt.i1] * el.rules.w2[pt.i2] * pt.d2 * el.tL[L];
  const bool linear = LinearElasticity(code) != kElasticNone;
  PointContext pc{pt.ip, c.comb, c.elem, c.iter, L};
  const int r = linear ? 0 : LayerPointRecord(c.indexHD, c.elemToHD, c.elem, pt.ip, L);
  const int oliver = LayerOliverOption(code, mat);
  if (!c.stiffness && pt.pass == 1 && oliver != 0) pc.band = AhmadLayerBand(el, pt, oliver, code, msg);
  AhmadLayerContribution(el, pt, pc, code, mat, linear, r, w);
}

// One pass over the in-plane points in record order (s1 fastest) and their layers.
void AhmadLayeredPass(AhmadLayered& el, int pass) {
  const LayerStackCall& c = el.call;
  const AhmadJacobianTexts& msg = c.stiffness ? kStiffTexts : kForceTexts[pass];
  zerod2(el.B, 3, c.ndof);
  int ip = 0;
  for (int i2 = 1; i2 <= el.rules.c[2]; i2++)
    for (int i1 = 1; i1 <= el.rules.c[1]; i1++) {
      AhmadPoint pt{pass, pass == 1 ? 3 : 2, i1, i2, ++ip, 0, {0.0, el.rules.a1[i1], el.rules.a2[i2]}, {}, 0.0};
      CalcShapeFuncQuad(c.nNodes, el.N, pt.s2d);
      CalcShapeFuncDerivQuad(c.nNodes, el.dNds, pt.s2d);
      double T;
      CalcLayerGeomProp_Ahmad(c.nL, c.pattern, c.nNodes, &T, el.N, el.z, el.tL, c.mesh->GeomPatterns,
                              c.mesh->LamThicks, c.mesh->LayerPatterns, c.mesh->LayerProps);
      for (pt.L = 1; pt.L <= c.nL; pt.L++) AhmadLayerPoint(el, pt, T, msg);
    }
}

// Tangent stiffness (K != null) or internal forces (F != null, of the increment da and the
// total displacement a) of a layered Ahmad shell: a membrane-bending pass, then a
// transverse-shear pass over the same sampling points (in-plane point p, layer L).
void AhmadShellLayered(int comb, int ndof, int elem, int iter, int nn, int prop, const char* oc,
                       const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                       const int* ElemPropIndex, const char* PointTypes, const PointList* PointElementList,
                       const double* da, const double* a, double** K, double* F) {
  if (ndof != 6 * nn) InternalError(__FILE__, __LINE__);
  const bool stiffness = K != nullptr;
  AhmadLayered el{{comb, ndof, elem, iter, nn, prop, oc, indexHD, mesh, hd, elemToHD, PointTypes, stiffness, false,
                   stiffness ? kCtxStiffness : kCtxIntForces},
                  da, a, K, F};
  FindLayerStack(&el.call, _AHMAD_SHELL_QUAD);
  el.n3 = 3 * ndof;
  AllocAhmadLayered(el);
  CalcNodeData_AhmadShellLayered(elem, nn, el.call.pattern, el.call.nL, oc, ElemPropIndex, PointTypes,
                                 PointElementList, mesh, el.X, el.Tgn, el.t);
  if (stiffness)
    zerod2(K, ndof, ndof);
  else
    zerod1(F, ndof);
  FetchLayeredRules(el.call, &el.rules);
  for (int pass = 1; pass <= 2; pass++) AhmadLayeredPass(el, pass);
  if (stiffness) PrintElementStiffMat(ndof, elem, _AHMAD_SHELL_QUAD, oc[OC_PRINT_MAT_KG_AHMAD_SHELL_QUAD], K);
  FreeAhmadLayered(el);
}

}  // namespace

void CalcStiffAhmadShellQuad_NL(int comb, int ndof, int elem, int iter, int nn, int prop, const char* oc,
                                const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                const int* ElemPropIndex, double** K, const char* PointTypes,
                                const PointList* PointElementList) {
  AhmadShellLayered(comb, ndof, elem, iter, nn, prop, oc, indexHD, mesh, hd, elemToHD, ElemPropIndex, PointTypes,
                    PointElementList, nullptr, nullptr, K, nullptr);
}

void CalcInt_Fg_AhmadShellQuad_NL(int comb, int ndof, int elem, int iter, int nn, int prop, const char* oc,
                                  const Index_HD* indexHD, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD,
                                  const int* ElemPropIndex, const double* da, const double* a, double* F,
                                  const char* PointTypes, const PointList* PointElementList) {
  AhmadShellLayered(comb, ndof, elem, iter, nn, prop, oc, indexHD, mesh, hd, elemToHD, ElemPropIndex, PointTypes,
                    PointElementList, da, a, nullptr, F);
}

// ---- behaviour-row adapters ----
void AhmadShellQuadStiffness(const ElementCall& c, double** K) {
  CalcStiffAhmadShellQuad(c.n, c.element, c.nNodes, c.property, c.OutputControl, c.mesh, c.ElemPropIndex, K,
                          c.PointTypes, c.PointElemAdjacency);
}
void AhmadShellQuadMass(const ElementCall& c, double** K) {
  CalcMassMatAhmadShellQuad(c.n, c.element, c.nNodes, c.property, c.OutputControl, c.mesh, c.ElemPropIndex, K,
                            c.PointTypes, c.PointElemAdjacency);
}
void AhmadShellQuadTangent(const ElementCall& c, double** K) {
  CalcStiffAhmadShellQuad_NL(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl, c.index,
                             c.mesh, c.table, c.elemToHD, c.ElemPropIndex, K, c.PointTypes, c.PointElemAdjacency);
}
void AhmadShellQuadForces(const ElementCall& c, double* F) {
  CalcInt_Fg_AhmadShellQuad_NL(c.combination, c.n, c.element, c.iteration, c.nNodes, c.property, c.OutputControl,
                               c.index, c.mesh, c.table, c.elemToHD, c.ElemPropIndex, c.da, c.a, F, c.PointTypes,
                               c.PointElemAdjacency);
}
