// Temperature loads of the slab, the Mindlin and Ahmad shells and the solid hexahedron:
// a uniform temperature variation against the membrane (solid: the 3-D) elasticity, and
// a differential temperature across the thickness as a thermal curvature against the
// bending stiffness (the Ahmad shell: a thermal strain varying linearly through the
// thickness).
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "history/history.h"
#include "loads/load_kernel.h"
#include "materials/elastic.h"
#include "materials/material_point.h"
#include "materials/solid_pattern.h"
#include "model/outputcontrol.h"

namespace {


void NodalThickness(const MeshData* m, int PropIndex, int n, double* t) {
  CalcShellNodeThickness(n, PropIndex, t, m->GeomPatterns, m->LamThicks, m->ElemProps);
}

void CheckThickness(const LoadReportContext& c, double h) {
  if (h >= kSmall) return;
  char line[64];
  std::snprintf(line, sizeof line, "   -> Thickness: %g\n", h);
  RefuseLoad(c, line, "The thickness of the element must be positive\nfor a differential temperature variation.");
}

// Thermal strain per unit temperature in the element axes of a Mindlin shell: the same
// alpha in both directions, or the orthotropic alpha1, alpha2 of the material axes turned
// to the element axes (T: rows = element axes).
void ShellThermalStrain(const ThermalMaterial& tm, int Element, int PropIndex, const MeshData* m, double** T,
                        double* eps) {
  if (ExpansionCount(tm.kind) != 3) {
    eps[1] = eps[2] = tm.alpha[1];
    eps[3] = 0.0;
    return;
  }
  const MaterialRecord& rec = MaterialOf(m, tm.kind, m->ElemProps[PropIndex].MaterialNumber);
  double angle;
  CalcMat_D_MatCoordSys(OrthotropicCoordSystem(rec), Element, rec.Name, &angle, T, m->AuxVectors, m->CoordSystems);
  const double c = std::cos(angle), s = std::sin(angle), a1 = tm.alpha[1], a2 = tm.alpha[2];
  eps[1] = c * c * a1 + s * s * a2;
  eps[2] = s * s * a1 + c * c * a2;
  eps[3] = 2.0 * s * c * (a1 - a2);
}

// Common data of the Mindlin shell routines: element axes T (at the centre), nodal
// coordinates in those axes (first two columns), D in the element axes, thicknesses.
struct MindlinShellData {
  double **X, **Xl, **T, **D, **Ds, *t;
};

void OpenMindlinShell(int Element, int n, int PropIndex, const char* OutputControl, const MeshData* m,
                      MindlinShellData* s) {
  allocd2(&s->X, n, 3);
  allocd2(&s->Xl, n, 3);
  allocd2(&s->T, 3, 3);
  allocd2(&s->D, 3, 3);
  allocd2(&s->Ds, 2, 2);
  allocd1(&s->t, n);
  CalcMat_ElemNodeCoordXYZ(Element, n, m->ElemNodes, s->X, m->PointCoord);
  const double s0[3] = {0.0, 0.0, 0.0};
  CalcMat_T_ElemNormal(Element, _MINDLIN_SHELL_QUAD, n, OutputControl[OC_PRINT_MAT_T_QUAD], s0, s->T, s->X);
  MatMatTMultSmall(3, n, s->X, s->Xl, s->T);
  CalcMat_D_MindlinShell(Element, PropIndex, 3, 2, 3, 2, s->D, s->Ds, s->T, m->AuxVectors, m->CoordSystems,
                         ElasticRecords(m, kElasticIsotropic), ElasticRecords(m, kElasticOrthotropic), m->ElemProps);
  NodalThickness(m, PropIndex, n, s->t);
}

void CloseMindlinShell(MindlinShellData* s) {
  freed1(s->t);
  freed2(s->Ds);
  freed2(s->D);
  freed2(s->T);
  freed2(s->Xl);
  freed2(s->X);
}

// part 'M': membrane forces of a uniform temperature; part 'B': bending moments of a
// differential one.
void MindlinShellThermal(char part, int nComp, int Element, int lc, int n, int PropIndex, int r,
                         const char* OutputControl, const LoadCaseParameters* params, const MeshData* m, double* Fe,
                         const char* PointTypes, int valueCount, const double* values) {
  const LoadReportContext c = part == 'M' ? TempVarReportContext(lc, r, Element, _MINDLIN_SHELL_QUAD)
                                          : DiffTempVarReportContext(lc, r, Element, _MINDLIN_SHELL_QUAD);
  if (n != 4 && n != 8 && n != 9) InternalError(__FILE__, __LINE__);
  if (nComp != 6 * n) InternalError(__FILE__, __LINE__);
  ThermalMaterial tm;
  GetThermalMaterial(c, PropIndex, m, KindsOfElementType(_MINDLIN_SHELL_QUAD, kBehaviourLinear).code, &tm);
  MindlinShellData sd;
  OpenMindlinShell(Element, n, PropIndex, OutputControl, m, &sd);
  double eps1[4];
  ShellThermalStrain(tm, Element, PropIndex, m, sd.T, eps1);
  double **B, *f;
  ThermalIsoWork iw;
  OpenThermalIsoWork(n, 2, &iw);
  allocd2(&B, 3, 6 * n);
  allocd1(&f, 6 * n);
  for (int a = 1; a <= n; a++) {
    iw.X[a][1] = sd.Xl[a][1];
    iw.X[a][2] = sd.Xl[a][2];
  }
  TempVarNodalValues(c, valueCount, values, n, iw.dT);
  const TensorRule rule = GetLoadTensorRule(c, params, m, 2);
  zerod2(B, 3, 6 * n);
  zerod1(Fe, nComp);
  double eps[4], sig[4], v[4], vg[4];
  ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& pt) {
    CalcShapeFuncQuad(n, iw.N, pt.s);
    const double h = dotd1(iw.N, sd.t, n);
    const double dTs = dotd1(iw.N, iw.dT, n);
    double fac;
    const double det = LoadQuadCartesianDeriv(c, n, pt.s, iw.X, iw.dN, iw.J, iw.Jinv, iw.dNdx);
    CalcMat_B_MindlinShell(n, part, B, iw.dNdx, iw.N);
    if (part == 'M') {
      for (int k = 1; k <= 3; k++) eps[k] = eps1[k] * dTs;
      fac = pt.weight * h * det;
    } else {
      CheckThickness(c, h);
      for (int k = 1; k <= 3; k++) eps[k] = eps1[k] * dTs / h;  // curvatures
      fac = pt.weight * det * h * h * h / 12.0;
    }
    multd2d1(sig, sd.D, eps, 3, 3);
    multtd2d1(f, B, sig, 6 * n, 3);
    for (int a = 1; a <= n; a++) {
      const int off = part == 'M' ? 0 : 3;
      for (int k = 1; k <= 3; k++) v[k] = f[6 * (a - 1) + off + k] * fac;
      // Element axes to global; the rotations of a coplanar point stay in its axes.
      if (part == 'B' && PointTypes[m->ElemNodes[Element][a]] != 'G')
        copyd1(vg, v, 3);
      else
        multtd2d1(vg, sd.T, v, 3, 3);
      for (int k = 1; k <= 3; k++) Fe[6 * (a - 1) + off + k] += vg[k];
    }
  });
  freed1(f);
  CloseThermalIsoWork(&iw);
  freed2(B);
  CloseMindlinShell(&sd);
}

// Ahmad shell: 'U' a uniform temperature (membrane strain alpha dT), 'D' a differential
// one (strain alpha dT z / h through the thickness).
void AhmadShellThermal(char kind, int nComp, int Element, int lc, int n, int PropIndex, int r,
                       const char* OutputControl, const LoadCaseParameters* params, const int* ElemPropIndex,
                       const MeshData* m, double* Fe, const char* PointTypes, const PointList* adj, int valueCount,
                       const double* values) {
  const bool diff = kind == 'D';
  const LoadReportContext c = diff ? DiffTempVarReportContext(lc, r, Element, _AHMAD_SHELL_QUAD)
                                   : TempVarReportContext(lc, r, Element, _AHMAD_SHELL_QUAD);
  if (n != 4 && n != 8 && n != 9) InternalError(__FILE__, __LINE__);
  if (nComp != 6 * n) InternalError(__FILE__, __LINE__);
  const int ndof = 6 * n, n3 = 18 * n;
  ThermalMaterial tm;
  GetThermalMaterial(c, PropIndex, m, KindsOfElementType(_AHMAD_SHELL_QUAD, kBehaviourLinear).code, &tm);
  double **Dm, **Ds, **X, **dN, **J, **Jinv, **G, **theta, **B, ***Tgn, *t, *N, *dT, *f;
  allocd2(&Dm, 3, 3);
  allocd2(&Ds, 2, 2);
  allocd2(&X, n, 3);
  allocd2(&dN, n, 2);
  allocd2(&J, 3, 3);
  allocd2(&Jinv, 3, 3);
  allocd2(&G, 3, n3);
  allocd2(&theta, 3, 3);
  allocd2(&B, 3, ndof);
  allocd3(&Tgn, n, 3, 3);
  allocd1(&t, n);
  allocd1(&N, n);
  allocd1(&dT, n);
  allocd1(&f, ndof);
  CalcMat_D_AhmadShell(PropIndex, 3, 2, 3, 2, Dm, Ds, ElasticRecords(m, kElasticIsotropic), m->ElemProps);
  CalcMat_ElemNodeCoord(Element, _AHMAD_SHELL_QUAD, n, m->ElemNodes, X, m->PointCoord);
  NodalThickness(m, PropIndex, n, t);
  CalcMat_Tgn_AhmadShellQuad(Element, 3, n, OutputControl, ElemPropIndex, m->ElemNodeCount, m->ElemNodes, Tgn, X,
                             m->PointCoord, PointTypes, adj, m->ElemProps);
  TempVarNodalValues(c, valueCount, values, n, dT);
  const TensorRule rule = GetLoadTensorRule(
      c, params, m, 3,
      diff ? "Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing."
           : "Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k and/or _G_S3_k are missing.");
  zerod2(B, 3, ndof);
  zerod1(Fe, nComp);
  double eps[4], sig[4];
  ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& p) {
    CalcShapeFuncQuad(n, N, p.s);
    CalcShapeFuncDerivQuad(n, dN, p.s);
    const double dTs = dotd1(N, dT, n);
    CalcMat_J_AhmadShell(3, n, dN, J, N, p.s, Tgn, X, t);
    const double det = LoadJacobianInverse(c, 3, J, Jinv, diff);
    CalcMat_du_ds_AhmadShell(Element, n3, 3, ndof, 6, 3, n, m->ElemNodes, dN, G, N, p.s, Tgn, t, PointTypes);
    CalcMat_T_ElemNormal(Element, _AHMAD_SHELL_QUAD, n, OutputControl[OC_PRINT_MAT_T_QUAD], p.s, theta, X);
    CalcMat_B_AhmadShell(3, ndof, n3, 1, 6, 6, 3, n, 3, 'M', B, G, theta, Jinv);
    double fac = p.weight * det;
    double e0 = tm.alpha[1] * dTs;
    if (diff) {
      const double h = dotd1(N, t, n);
      CheckThickness(c, h);
      e0 /= h;
      fac *= p.s[3] * h * 0.5;  // the distance from the middle surface
    }
    eps[1] = eps[2] = e0;
    eps[3] = 0.0;
    multd2d1(sig, Dm, eps, 3, 3);
    multtd2d1(f, B, sig, ndof, 3);
    for (int k = 1; k <= ndof; k++) Fe[k] += f[k] * fac;
  });
  freed1(f);
  freed1(dT);
  freed1(N);
  freed1(t);
  freed3(Tgn);
  freed2(B);
  freed2(theta);
  freed2(G);
  freed2(Jinv);
  freed2(J);
  freed2(dN);
  freed2(X);
  freed2(Ds);
  freed2(Dm);
}

}  // namespace

void Calc_Fg_TempVarMindlinShellQuad(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                                     int RecordIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                     const MeshData* Mesh, double* Fe,
                                     const TemperatureVariationRecord* TempVarRecords) {
  const TemperatureVariationRecord& rec = TempVarRecords[RecordIndex];
  MindlinShellThermal('M', nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl, Params,
                      Mesh, Fe, nullptr, rec.ValueCount, rec.Values);
}

void Calc_Fg_DiffTempVarMindlinShellQuad(int RecordIndex, int nComp, int Element, int LoadCaseNumber, int NodeCount,
                                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, double* Fe, const char* PointTypes,
                                         const DiffTemperatureVariationRecord* DiffTempVarRecords) {
  const DiffTemperatureVariationRecord& rec = DiffTempVarRecords[RecordIndex];
  MindlinShellThermal('B', nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl, Params,
                      Mesh, Fe, PointTypes, rec.ValueCount, rec.Values);
}

void Calc_Fg_TempVarAhmadShellQuad(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                                   int RecordIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                   const int* ElemPropIndex, const MeshData* Mesh, double* Fe, const char* PointTypes,
                                   const PointList* PointElemAdjacency,
                                   const TemperatureVariationRecord* TempVarRecords) {
  const TemperatureVariationRecord& rec = TempVarRecords[RecordIndex];
  AhmadShellThermal('U', nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl, Params,
                    ElemPropIndex, Mesh, Fe, PointTypes, PointElemAdjacency, rec.ValueCount, rec.Values);
}

void Calc_Fg_DiffTempVarAhmadShellQuad(int RecordIndex, int nComp, int Element, int LoadCaseNumber, int NodeCount,
                                       int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                       const int* ElemPropIndex, const MeshData* Mesh, double* Fe,
                                       const char* PointTypes, const PointList* PointElemAdjacency,
                                       const DiffTemperatureVariationRecord* DiffTempVarRecords) {
  const DiffTemperatureVariationRecord& rec = DiffTempVarRecords[RecordIndex];
  AhmadShellThermal('D', nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl, Params,
                    ElemPropIndex, Mesh, Fe, PointTypes, PointElemAdjacency, rec.ValueCount, rec.Values);
}

void Calc_Fg_DiffTempVarMindlinSlabQuad(int RecordIndex, int nComp, int Element, int LoadCaseNumber, int NodeCount,
                                        int PropIndex, const LoadCaseParameters* Params, const MeshData* Mesh,
                                        double* Fe, const DiffTemperatureVariationRecord* DiffTempVarRecords) {
  const LoadReportContext c = DiffTempVarReportContext(LoadCaseNumber, RecordIndex, Element, _MINDLIN_SLAB_QUAD);
  const DiffTemperatureVariationRecord& rec = DiffTempVarRecords[RecordIndex];
  const int n = NodeCount;
  if (n != 4 && n != 8 && n != 9) InternalError(__FILE__, __LINE__);
  if (nComp != 6 * n) InternalError(__FILE__, __LINE__);
  ThermalMaterial tm;
  GetThermalMaterial(c, PropIndex, Mesh, KindsOfElementType(_MINDLIN_SLAB_QUAD, kBehaviourLinear).code, &tm);
  double **Db, **Ds, **B, *t, *f;
  ThermalIsoWork iw;
  OpenThermalIsoWork(n, 2, &iw);
  allocd2(&Db, 3, 3);
  allocd2(&Ds, 2, 2);
  allocd2(&B, 3, 3 * n);
  allocd1(&t, n);
  allocd1(&f, 3 * n);
  CalcMat_D_MindlinSlab(PropIndex, 3, 2, 3, 2, Db, Ds, ElasticRecords(Mesh, kElasticIsotropic), Mesh->ElemProps);
  CalcMat_ElemNodeCoord(Element, _MINDLIN_SLAB_QUAD, n, Mesh->ElemNodes, iw.X, Mesh->PointCoord);
  NodalThickness(Mesh, PropIndex, n, t);
  TempVarNodalValues(c, rec.ValueCount, rec.Values, n, iw.dT);
  const TensorRule rule = GetLoadTensorRule(c, Params, Mesh, 2);
  zerod2(B, 3, 3 * n);
  zerod1(Fe, nComp);
  double kappa[4], m[4];
  ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& pt) {
    CalcShapeFuncQuad(n, iw.N, pt.s);
    const double h = dotd1(iw.N, t, n);
    CheckThickness(c, h);
    kappa[1] = kappa[2] = tm.alpha[1] * dotd1(iw.N, iw.dT, n) / h;
    kappa[3] = 0.0;
    const double det = LoadQuadCartesianDeriv(c, n, pt.s, iw.X, iw.dN, iw.J, iw.Jinv, iw.dNdx);
    CalcMat_B_MindlinSlab(n, 'B', B, iw.dNdx, iw.N);
    multd2d1(m, Db, kappa, 3, 3);
    multtd2d1(f, B, m, 3 * n, 3);
    const double fac = pt.weight * det * h * h * h / 12.0;
    for (int a = 1; a <= n; a++)
      for (int k = 1; k <= 3; k++) Fe[6 * (a - 1) + 2 + k] += f[3 * (a - 1) + k] * fac;
  });
  freed1(f);
  CloseThermalIsoWork(&iw);
  freed1(t);
  freed2(B);
  freed2(Ds);
  freed2(Db);
}

namespace {

// The points of a solid temperature load, s1 fastest and s3 slowest, counted from 1:
// eps0 = (alpha1 dT, alpha2 dT, alpha3 dT, 0, 0, 0), and fe += B^T D eps0 w det J with the
// matrix D = at(ip, N, dT, eps0), which may also change eps0. Fe (6 per node) is cleared
// first; B (6 x 3n) and f (3n) are work.
template <class PointMatrix>
void SolidThermalLoadPoints(const LoadReportContext& c, int n, const TensorRule& rule, const double* alpha,
                            ThermalIsoWork* iw, double** B, double* f, double* Fe, PointMatrix at) {
  zerod2(B, 6, 3 * n);
  zerod1(Fe, 6 * n);
  double eps[7], sig[7];
  ForEachRulePoint(rule, RuleOrder::kFirstFastest, [&](const RulePoint& p) {
    CalcShapeFuncSolidHexa(n, iw->N, p.s);
    const double dTs = dotd1(iw->N, iw->dT, n);
    for (int l = 1; l <= 3; l++) {
      eps[l] = alpha[l] * dTs;
      eps[l + 3] = 0.0;
    }
    CalcShapeFuncDerivSolidHexa(n, iw->dN, p.s);
    const double det = PointCartesianDerivWith(
        n, 3, iw->X, iw->dN, iw->J, iw->Jinv, iw->dNdx,
        [&](double** Jm, double** Ji) { return LoadJacobianInverse(c, 3, Jm, Ji); });
    CalcMat_B_Solid(n, B, iw->dNdx);
    double** D = at(p.ip, iw->N, dTs, eps);
    multd2d1(sig, D, eps, 6, 6);
    multtd2d1(f, B, sig, 3 * n, 6);
    const double fac = p.weight * det;
    for (int l = 1; l <= n; l++)
      for (int d = 1; d <= 3; d++) Fe[6 * (l - 1) + d] += f[3 * (l - 1) + d] * fac;
  });
}

}  // namespace

namespace {

// The load of a solid of uniform expansion coefficients alpha[1..3] and elastic matrix D
// on the rule of the load case.
void SolidThermalLoad(const LoadReportContext& c, int Element, int n, const LoadCaseParameters* Params,
                      const MeshData* Mesh, const TemperatureVariationRecord& rec, const double* alpha, double** D,
                      double* Fe) {
  double **B, *f;
  ThermalIsoWork iw;
  OpenThermalIsoWork(n, 3, &iw);
  allocd2(&B, 6, 3 * n);
  allocd1(&f, 3 * n);
  CalcMat_ElemNodeCoord(Element, _SOLID_HEXA, n, Mesh->ElemNodes, iw.X, Mesh->PointCoord);
  TempVarNodalValues(c, rec.ValueCount, rec.Values, n, iw.dT);
  const TensorRule rule = GetLoadTensorRule(c, Params, Mesh, 3);
  SolidThermalLoadPoints(c, n, rule, alpha, &iw, B, f, Fe, [D](int, double*, double, double*) { return D; });
  freed1(f);
  CloseThermalIsoWork(&iw);
  freed2(B);
}

}  // namespace

void Calc_Fg_TempVarSolidHexa(int nVec, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int RecordIndex,
                              const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                              const TemperatureVariationRecord* TempVarRecords) {
  const LoadReportContext c = TempVarReportContext(LoadCaseNumber, RecordIndex, Element, _SOLID_HEXA);
  const int n = nNodes;
  if (n != 8 && n != 20) InternalError(__FILE__, __LINE__);
  if (nVec != 6 * n) InternalError(__FILE__, __LINE__);
  ThermalMaterial tm;
  GetThermalMaterial(c, PropIndex, Mesh, KindsOfElementType(_SOLID_HEXA, kBehaviourLinear).code, &tm);
  double** D;
  allocd2(&D, 6, 6);
  CalcMat_D_Solid(Element, PropIndex, 6, 6, D, ElasticRecords(Mesh, kElasticIsotropic),
                  ElasticRecords(Mesh, kElasticOrthotropic), Mesh->ElemProps);
  SolidThermalLoad(c, Element, n, Params, Mesh, TempVarRecords[RecordIndex], tm.alpha, D, Fe);
  freed2(D);
}

namespace {

// A solid whose material is a time-dependent pattern: the load of its own points, the
// elastic matrix of the pattern's crack material, and at each point what the pattern
// makes of D and of the thermal strain (the temperature-dependent coefficient, the
// modulus at the age or temperature of the point, the effective modulus of creep).
void TempVarSolidPattern(int nVec, int Element, int LoadCaseNumber, int nNodes, int PropIndex, int RecordIndex,
                         double dt, double t, const Index_HD* IndexHD, const LoadCaseParameters* Params,
                         const MeshData* Mesh, NLMM_HD* MaterialHD, const int* ElemToHD, double* Fe,
                         double** NodeTemps, const TemperatureVariationRecord* TempVarRecords) {
  const LoadReportContext c = TempVarReportContext(LoadCaseNumber, RecordIndex, Element, _SOLID_HEXA);
  const TemperatureVariationRecord& rec = TempVarRecords[RecordIndex];
  const int n = nNodes;
  if (n != 8 && n != 20) InternalError(__FILE__, __LINE__);
  if (nVec != 6 * n) InternalError(__FILE__, __LINE__);
  const SolidPattern pat = SolidPatternOf(Mesh, PropIndex);
  const double alpha = CalcTempCoef_NL(Mesh, PropIndex);
  int counts[4];
  GetLoadRulePointCounts(c, Params, Mesh, 3, counts);
  // The load's points must be the element's, whose history records they read.
  const ElementProperty& p = Mesh->ElemProps[PropIndex];
  int own[4] = {0, 2, 2, 2};
  if (p.IntegrationNumber != 0)
    for (int d = 1; d <= 3; d++) own[d] = IntegPoints(Mesh->Integrations[p.IntegrationNumber], 'G', d);
  if (counts[1] != own[1] || counts[2] != own[2] || counts[3] != own[3])
    RefuseLoad(c, nullptr,
               "For the current load case, the n. of integration points in each direction \nmust be the same as the "
               "n. of integration points used for the corresponding element stiffness matrix.");
  if (Params->IntegrationType != p.IntegrationType)
    RefuseLoad(c, nullptr,
               "For the current load case, the integration type\nmust be the same as the integration type used for "
               "the corresponding element stiffness matrix.");
  TensorRule rule{3, {0, counts[1], counts[2], counts[3]}, {}, {}};
  for (int d = 1; d <= 3; d++) GetLoadLineRule(c, Params->IntegrationType, counts[d], &rule.a[d], &rule.w[d]);
  double **D0, **D, **B, *f;
  ThermalIsoWork iw;
  OpenThermalIsoWork(n, 3, &iw);
  allocd2(&D0, 6, 6);
  allocd2(&D, 6, 6);
  allocd2(&B, 6, 3 * n);
  allocd1(&f, 3 * n);
  const MaterialRecord& crack = SolidPatternCrackMaterial(Mesh, pat);
  CalcMat_De_Iso3D(6, 6, MatValue(crack, 3), MatValue(crack, 4), D0);
  CalcMat_ElemNodeCoord(Element, _SOLID_HEXA, n, Mesh->ElemNodes, iw.X, Mesh->PointCoord);
  TempVarNodalValues(c, rec.ValueCount, rec.Values, n, iw.dT);
  const double* T = NodeTemps != nullptr ? NodeTemps[Element] : nullptr;
  const double alphas[4] = {0.0, alpha, alpha, alpha};
  int records[kMaterialKinds + 1];
  SolidThermalLoadPoints(c, n, rule, alphas, &iw, B, f, Fe, [&](int ip, double* N, double dTs, double* eps) {
    RecordsOfPatternPoint_HD(IndexHD, ElemToHD[Element], ip, kMaterialKinds, records);
    const SolidPatternPoint r = SolidPatternRecords(pat, MaterialHD, records);
    const PatternMoment mo{dt, t, T != nullptr ? dotd1(N, T, n) : 0.0, dTs, 0.0};
    copyd2(D, D0, 6, 6);
    SolidPatternThermalLoad(pat, PointContext{ip, 0, Element, 0, 0}, Mesh, r, mo, D, eps);
    return D;
  });
  freed1(f);
  CloseThermalIsoWork(&iw);
  freed2(B);
  freed2(D);
  freed2(D0);
}

}  // namespace

void Calc_Fg_TempVarSolidHexa_NL(int nVec, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                 int RecordIndex, double dt, double t, Index_HD* IndexHD,
                                 const LoadCaseParameters* Params, const MeshData* Mesh, NLMM_HD* MaterialHD,
                                 const int* ElemToHD, int**, double* Fe, double** NodeTemps, double**,
                                 const NumericalIntegration*, const ElementProperty*,
                                 const TemperatureVariationRecord* TempVarRecords) {
  switch (CalcBehaviorType(PropIndex, &Mesh->Main, Mesh->ElemProps)) {
    case 'L':
    case 'G':
      // A linear group answers with K a: the load of the linear element lets it expand freely.
      Calc_Fg_TempVarSolidHexa(nVec, Element, LoadCaseNumber, nNodes, PropIndex, RecordIndex, Params, Mesh, Fe,
                               TempVarRecords);
      return;
    case 'M':
    case 'N':
      // Time-dependent concrete takes the thermal strain out of its crack model's strain
      // (geometric runs refuse material patterns at their set-up).
      if (PropertyIsMaterialPattern(Mesh, PropIndex)) {
        if (ElemToHD == nullptr) InternalError(__FILE__, __LINE__);
        TempVarSolidPattern(nVec, Element, LoadCaseNumber, nNodes, PropIndex, RecordIndex, dt, t, IndexHD, Params,
                            Mesh, MaterialHD, ElemToHD, Fe, NodeTemps, TempVarRecords);
        return;
      }
      // The crack and plasticity models take the mechanical strain, the strain less the
      // thermal one, and their internal forces carry the stress of the thermal strain
      // through the elastic matrix, which this load balances: the elastic matrix of the
      // material, never its cracked or plastic tangent; in a geometric run both on the
      // initial geometry.
      if (SolidKindTakesThermalStrain(Mesh->ElemProps[PropIndex].MaterialKind)) {
        const int n = nNodes;
        if (n != 8 && n != 20) InternalError(__FILE__, __LINE__);
        if (nVec != 6 * n) InternalError(__FILE__, __LINE__);
        const double alpha = CalcTempCoef_NL(Mesh, PropIndex);
        const double alphas[4] = {0.0, alpha, alpha, alpha};
        double** D;
        allocd2(&D, 6, 6);
        CalcMat_D_Solid_NL(Mesh, PropIndex, D);
        SolidThermalLoad(TempVarReportContext(LoadCaseNumber, RecordIndex, Element, _SOLID_HEXA), Element, n,
                         Params, Mesh, TempVarRecords[RecordIndex], alphas, D, Fe);
        freed2(D);
        return;
      }
      // The other laws take no thermal strain: the load would press the element without
      // letting it expand.
      RefuseLoad(TempVarReportContext(LoadCaseNumber, RecordIndex, Element, _SOLID_HEXA), nullptr,
                 "A temperature variation cannot be applied to a solid element\n"
                 "whose nonlinear material model takes no thermal strain.");
    default:
      InternalError(__FILE__, __LINE__);
  }
}
