// Temperature loads of plane elements, the 3-D Timoshenko beam, cables and embedded
// cables: the nodal forces that hold the free thermal strain, f = integral of
// B^T D eps_T, and the differential temperature of the beam (a thermal curvature
// against its bending stiffness).
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "elements/locate.h"
#include "loads/load_kernel.h"
#include "materials/elastic.h"
#include "materials/material_point.h"
#include "model/outputcontrol.h"

namespace {


// The 3-D section values of each node: S[j][k] = value j (1..11) of node k's section.
void BeamNodeSections(const MeshData* m, int PropIndex, int n, double** S) {
  int* recs;
  alloci1(&recs, n);
  ElementNodeGeomRecords(m, PropIndex, n, kGeomCs3D, m->nFrame3DSections, recs);
  for (int k = 1; k <= n; k++)
    for (int j = 1; j <= 11; j++) S[j][k] = m->Frame3DSections[recs[k]].v[j];
  freei1(recs);
}

// ---- plane stress and plane strain ----

void TempVarPlane(int type, int nComp, int Element, int lc, int n, int PropIndex, int r,
                  const LoadCaseParameters* params, const MeshData* m, double* Fe,
                  const TemperatureVariationRecord* recs) {
  const LoadReportContext c = TempVarReportContext(lc, r, Element, type);
  if (n != 4 && n != 8 && n != 9) InternalError(__FILE__, __LINE__);
  if (nComp != 6 * n) InternalError(__FILE__, __LINE__);
  ThermalMaterial tm;
  GetThermalMaterial(c, PropIndex, m, KindsOfElementType(type, kBehaviourLinear).code, &tm);
  const bool stress = type == _PLANE_STRESS_QUAD;
  const int nD = stress ? 3 : 4;  // plane strain: the restrained out-of-plane strain is the fourth
  double **D, **B, *t, *f;
  ThermalIsoWork iw;
  OpenThermalIsoWork(n, 2, &iw);
  allocd2(&D, nD, nD);
  allocd2(&B, 3, 2 * n);
  allocd1(&t, n);
  allocd1(&f, 2 * n);
  if (stress)
    CalcMat_D_PlaneStress(PropIndex, 3, 3, D, ElasticRecords(m, kElasticIsotropic), m->ElemProps);
  else
    CalcMat_D_Axis(PropIndex, 4, 4, D, ElasticRecords(m, kElasticIsotropic), m->ElemProps);
  CalcMat_ElemNodeCoord(Element, type, n, m->ElemNodes, iw.X, m->PointCoord);
  PlaneNodalThickness(m, PropIndex, n, stress, t);
  TempVarNodalValues(c, recs[r].ValueCount, recs[r].Values, n, iw.dT);
  const TensorRule rule = GetLoadTensorRule(c, params, m, 2);
  zerod2(B, 3, 2 * n);
  zerod1(Fe, nComp);
  double eps[5], sig[5];
  ForEachRulePoint(rule, RuleOrder::kLastFastest, [&](const RulePoint& pt) {
    CalcShapeFuncQuad(n, iw.N, pt.s);
    const double ts = dotd1(iw.N, t, n);
    const double et = tm.alpha[1] * dotd1(iw.N, iw.dT, n);
    eps[1] = eps[2] = et;
    eps[3] = 0.0;
    eps[4] = et;
    const double det = LoadQuadCartesianDeriv(c, n, pt.s, iw.X, iw.dN, iw.J, iw.Jinv, iw.dNdx);
    CalcMat_B_Plane2D(n, B, iw.dNdx);
    multd2d1(sig, D, eps, nD, nD);
    multtd2d1(f, B, sig, 2 * n, 3);
    const double fac = pt.weight * ts * det;
    for (int a = 1; a <= n; a++) {
      Fe[6 * (a - 1) + 2] += f[2 * a - 1] * fac;
      Fe[6 * (a - 1) + 3] += f[2 * a] * fac;
    }
  });
  freed1(f);
  CloseThermalIsoWork(&iw);
  freed1(t);
  freed2(B);
  freed2(D);
}

// ---- cables ----

void TempVarCable(int d, int nComp, int Element, int lc, int n, int PropIndex, int r, const char* OutputControl,
                  const LoadCaseParameters* params, const MeshData* m, double* Fe,
                  const TemperatureVariationRecord* recs) {
  const int type = d == 3 ? _CABLE_3D : _CABLE_2D;
  const LoadReportContext c = TempVarReportContext(lc, r, Element, type);
  if (n != 2 && n != 3) InternalError(__FILE__, __LINE__);
  if (nComp != 6 * n) InternalError(__FILE__, __LINE__);
  ThermalMaterial tm;
  GetThermalMaterial(c, PropIndex, m, KindsOfElementType(type, kBehaviourNone).code, &tm);
  double **X, **T, *A, *dT, *N, *dN, *tan;
  allocd2(&X, n, d);
  allocd2(&T, d, d);
  allocd1(&A, n);
  allocd1(&dT, n);
  allocd1(&N, n);
  allocd1(&dN, n);
  allocd1(&tan, d);
  CalcMat_ElemNodeCoord(Element, type, n, m->ElemNodes, X, m->PointCoord);
  CalcNodalAreasLine(n, PropIndex, m, A);
  TempVarNodalValues(c, recs[r].ValueCount, recs[r].Values, n, dT);
  int counts[2];
  const double *a, *w;
  GetLoadCaseLineRule(c, params, m, counts, &a, &w);
  zerod1(Fe, nComp);
  for (int i = 1; i <= counts[1]; i++) {
    const double s = a[i];
    CalcShapeFuncLine(n, s, N);
    const double L = LoadLineJacobianNorm(c, n, d, s, X, dN, tan);
    // Axial force of the restrained thermal strain times the strain row dN/dx.
    const double axial = tm.E * tm.alpha[1] * dotd1(N, dT, n) * w[i] * L * dotd1(N, A, n);
    if (d == 3)
      CalcMat_T_Cable3D(Element, n, s, OutputControl[OC_PRINT_MAT_T_CABLE_3D], T, X);
    else
      CalcMat_T_Cable2D(Element, n, s, OutputControl[OC_PRINT_MAT_T_CABLE_2D], T, X);
    for (int k = 1; k <= n; k++) {
      const double fk = dN[k] / L * axial;  // along local axis 1
      const int base = 6 * (k - 1) + (d == 3 ? 0 : 1);
      for (int j = 1; j <= d; j++) Fe[base + j] += T[1][j] * fk;
    }
  }
  freed1(tan);
  freed1(dN);
  freed1(N);
  freed1(dT);
  freed1(A);
  freed2(T);
  freed2(X);
}

// ---- embedded cables ----

void TempVarEmbCable(bool nonlinear, int nComp, int cable, int mother, int slot, int lc, int motherSeq, int motherType,
                     int nc, int nm, int PropIndex, int r, const char* OutputControl, const MeshData* m, double* Fe,
                     const EmbCableMotherRecord* records, const TemperatureVariationRecord* recs) {
  LoadReportContext c = TempVarReportContext(lc, r, cable, _EMB_CABLE_3D);
  c.typeKeyword = "EMB_CABLE_3D";
  if (motherType != _SOLID_HEXA) InternalError(__FILE__, __LINE__);
  if (nc != 2 && nc != 3) InternalError(__FILE__, __LINE__);
  const ElementTypeRow& mt = GetElementTypeInfo(motherType);
  const int nNat = mt.elemDim, g = mt.dofsPerNode, nCols = g * nm;
  if (nComp != 6 * nm || m->ElemNodeCount[mother] != nm || m->ElemNodeCount[cable] != nc)
    InternalError(__FILE__, __LINE__);
  const EmbCableMotherRecord& rec = records[motherSeq];
  if (slot < 1 || slot > rec.nCables || rec.cables[slot] != cable) InternalError(__FILE__, __LINE__);
  ThermalMaterial tm;
  const MaterialBehaviour behaviour = nonlinear ? kBehaviourNonlinear : kBehaviourLinear;
  GetThermalMaterial(c, PropIndex, m, KindsOfElementType(_EMB_CABLE_3D, behaviour).code, &tm);
  // The mother's natural coordinates are stored at the points of the cable's own rule:
  // integrate at those points with that rule's weights.
  const ElementProperty& cp = m->ElemProps[PropIndex];
  const int nIP = EmbCableIntegrationPoints(cp, m->Integrations);
  const double *a, *w;
  GetLineIntegrationRule(cable, cp.IntegrationType, cp.IntegrationNumber, nIP, &a, &w);
  double **Xc, **Xm, **T, *A, *dT, *N, *dN, *tan, *b;
  allocd2(&Xc, nc, 3);
  allocd2(&Xm, nm, 3);
  allocd2(&T, 3, 3);
  allocd1(&A, nc);
  allocd1(&dT, nc);
  allocd1(&N, nc);
  allocd1(&dN, nc);
  allocd1(&tan, 3);
  allocd1(&b, nCols);
  CalcMat_ElemNodeCoord(cable, _EMB_CABLE_3D, nc, m->ElemNodes, Xc, m->PointCoord);
  CalcMat_ElemNodeCoord(mother, motherType, nm, m->ElemNodes, Xm, m->PointCoord);
  CalcNodalAreasLine(nc, PropIndex, m, A);
  TempVarNodalValues(c, recs[r].ValueCount, recs[r].Values, nc, dT);
  zerod1(Fe, nComp);
  for (int k = 1; k <= nIP; k++) {
    const double s = a[k];
    CalcShapeFuncLine(nc, s, N);
    const double L = LoadLineJacobianNorm(c, nc, 3, s, Xc, dN, tan);
    CalcMat_T_EmbCable3D(cable, nc, s, OutputControl[OC_PRINT_MAT_T_EMB_CABLE_3D], T, Xc);
    const double* sm = rec.natCoords[slot] + (k - 1) * nNat;
    CalcMat_B_EmbCable3D(nCols, cable, mother, nNat, nm, motherType, 11, b, sm, T, Xm);
    const double axial = tm.E * tm.alpha[1] * dotd1(N, dT, nc) * w[k] * L * dotd1(N, A, nc);
    for (int i = 1; i <= nm; i++)
      for (int j = 1; j <= g; j++) Fe[6 * (i - 1) + j] += b[g * (i - 1) + j] * axial;
  }
  freed1(b);
  freed1(tan);
  freed1(dN);
  freed1(N);
  freed1(dT);
  freed1(A);
  freed2(T);
  freed2(Xm);
  freed2(Xc);
}

}  // namespace

void Calc_Fg_TempVarPlaneStressQuad(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                                    int RecordIndex, const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                    const TemperatureVariationRecord* TempVarRecords) {
  TempVarPlane(_PLANE_STRESS_QUAD, nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, Params, Mesh, Fe,
               TempVarRecords);
}

void Calc_Fg_TempVarPlaneStrainQuad(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                                    int RecordIndex, const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                    const TemperatureVariationRecord* TempVarRecords) {
  TempVarPlane(_PLANE_STRAIN_QUAD, nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, Params, Mesh, Fe,
               TempVarRecords);
}

void Calc_Fg_TempVarCable2D(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex, int RecordIndex,
                            const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                            double* Fe, const TemperatureVariationRecord* TempVarRecords) {
  TempVarCable(2, nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl, Params, Mesh, Fe,
               TempVarRecords);
}

void Calc_Fg_TempVarCable3D(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex, int RecordIndex,
                            const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                            double* Fe, const TemperatureVariationRecord* TempVarRecords) {
  TempVarCable(3, nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl, Params, Mesh, Fe,
               TempVarRecords);
}

void Calc_Fg_TempVarEmbCable3D(int nComp, int Cable, int Mother, int CablePosition, int LoadCaseNumber,
                               int MotherRecord, int MotherType, int CableNodeCount, int MotherNodeCount,
                               int CablePropIndex, int RecordIndex, const char* OutputControl,
                               const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                               const EmbCableMotherRecord* MotherElemRecords,
                               const TemperatureVariationRecord* TempVarRecords) {
  (void)Params;
  TempVarEmbCable(false, nComp, Cable, Mother, CablePosition, LoadCaseNumber, MotherRecord, MotherType, CableNodeCount,
                  MotherNodeCount, CablePropIndex, RecordIndex, OutputControl, Mesh, Fe, MotherElemRecords,
                  TempVarRecords);
}

void Calc_Fg_TempVarEmbCable3D_NL(int nComp, int Cable, int Mother, int CablePosition, int LoadCaseNumber,
                                  int MotherRecord, int MotherType, int CableNodeCount, int MotherNodeCount,
                                  int CablePropIndex, int RecordIndex, const char* OutputControl,
                                  const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                  const EmbCableMotherRecord* MotherElemRecords,
                                  const TemperatureVariationRecord* TempVarRecords) {
  (void)Params;
  TempVarEmbCable(true, nComp, Cable, Mother, CablePosition, LoadCaseNumber, MotherRecord, MotherType, CableNodeCount,
                  MotherNodeCount, CablePropIndex, RecordIndex, OutputControl, Mesh, Fe, MotherElemRecords,
                  TempVarRecords);
}

// ---- 3-D Timoshenko beam ----

void Calc_Fg_TempVarTimoshenkoBeam3D(int nComp, int Element, int LoadCaseNumber, int NodeCount, int PropIndex,
                                     int RecordIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                     const MeshData* Mesh, double* Fe,
                                     const TemperatureVariationRecord* TempVarRecords) {
  const LoadReportContext c = TempVarReportContext(LoadCaseNumber, RecordIndex, Element, _TIMOSHENKO_BEAM_3D);
  const int n = NodeCount;
  if (n != 2 && n != 3) InternalError(__FILE__, __LINE__);
  if (nComp != 6 * n) InternalError(__FILE__, __LINE__);
  ThermalMaterial tm;
  GetThermalMaterial(c, PropIndex, Mesh, KindsOfElementType(_TIMOSHENKO_BEAM_3D, kBehaviourLinear).code, &tm);
  double **X, **S, **T, *dT, *N, *dN, *tan;
  allocd2(&X, n, 3);
  allocd2(&S, 11, n);
  allocd2(&T, 3, 3);
  allocd1(&dT, n);
  allocd1(&N, n);
  allocd1(&dN, n);
  allocd1(&tan, 3);
  CalcMat_ElemNodeCoord(Element, _TIMOSHENKO_BEAM_3D, n, Mesh->ElemNodes, X, Mesh->PointCoord);
  BeamNodeSections(Mesh, PropIndex, n, S);
  TempVarNodalValues(c, TempVarRecords[RecordIndex].ValueCount, TempVarRecords[RecordIndex].Values, n, dT);
  int counts[2];
  const double *a, *w;
  GetLoadCaseLineRule(c, Params, Mesh, counts, &a, &w);
  zerod1(Fe, nComp);
  for (int i = 1; i <= counts[1]; i++) {
    const double L = BeamLoadPoint(c, Element, n, a[i], S[11], X, OutputControl, N, dN, tan, T);
    const double area = dotd1(N, S[1], n);
    const double axial = tm.E * tm.alpha[1] * dotd1(N, dT, n) * w[i] * L * area;
    for (int k = 1; k <= n; k++)
      for (int j = 1; j <= 3; j++) Fe[6 * (k - 1) + j] += T[1][j] * dN[k] / L * axial;
  }
  freed1(tan);
  freed1(dN);
  freed1(N);
  freed1(dT);
  freed2(T);
  freed2(S);
  freed2(X);
}

void Calc_Fg_DiffTempVarTimoshenkoBeam3D(int RecordIndex, int nComp, int Element, int LoadCaseNumber, int NodeCount,
                                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                                         const MeshData* Mesh, double* Fe,
                                         const DiffTemperatureVariationRecord* DiffTempVarRecords) {
  const LoadReportContext c = DiffTempVarReportContext(LoadCaseNumber, RecordIndex, Element, _TIMOSHENKO_BEAM_3D);
  const DiffTemperatureVariationRecord& rec = DiffTempVarRecords[RecordIndex];
  const int n = NodeCount;
  if (n != 2 && n != 3) InternalError(__FILE__, __LINE__);
  if (nComp != 6 * n) InternalError(__FILE__, __LINE__);
  ThermalMaterial tm;
  GetThermalMaterial(c, PropIndex, Mesh, KindsOfElementType(_TIMOSHENKO_BEAM_3D, kBehaviourLinear).code, &tm);
  char line[96];
  if (rec.Direction != 2 && rec.Direction != 3) {
    std::snprintf(line, sizeof line, "   -> Direction: %d\n", rec.Direction);
    RefuseLoad(c, line,
               "The direction of a differential temperature variation\nmust be 2 or 3 (a local axis of the section).");
  }
  double **X, **S, **T, **B, *dT, *N, *dN, *g, *tan, *f;
  allocd2(&X, n, 3);
  allocd2(&S, 11, n);
  allocd2(&T, 3, 3);
  allocd2(&B, 2, 6 * n);
  allocd1(&dT, n);
  allocd1(&N, n);
  allocd1(&dN, n);
  allocd1(&g, n);
  allocd1(&tan, 3);
  allocd1(&f, 6 * n);
  CalcMat_ElemNodeCoord(Element, _TIMOSHENKO_BEAM_3D, n, Mesh->ElemNodes, X, Mesh->PointCoord);
  BeamNodeSections(Mesh, PropIndex, n, S);
  // The depth across which the temperature differs: value 9 (along local axis 2) or 10.
  const int depth = rec.Direction == 2 ? 9 : 10;
  for (int k = 1; k <= n; k++)
    if (!(S[depth][k] >= kSmall)) {
      std::snprintf(line, sizeof line, "   -> Section depth: %g\n", S[depth][k]);
      RefuseLoad(c, line, "The section depth must be positive for a differential temperature variation.");
    }
  TempVarNodalValues(c, rec.ValueCount, rec.Values, n, dT);
  int counts[2];
  const double *a, *w;
  GetLoadCaseLineRule(c, Params, Mesh, counts, &a, &w);
  zerod2(B, 2, 6 * n);
  zerod1(Fe, nComp);
  double kappa[3], m[3], ml[4], mg[4];
  for (int i = 1; i <= counts[1]; i++) {
    const double L = BeamLoadPoint(c, Element, n, a[i], S[11], X, OutputControl, N, dN, tan, T);
    const double ts = tm.alpha[1] * dotd1(N, dT, n) / dotd1(N, S[depth], n);
    // A temperature rising along local axis 2 bends about axis 3 (row 2 of the bending
    // strains), one rising along axis 3 about axis 2 (row 1).
    kappa[1] = rec.Direction == 3 ? ts : 0.0;
    kappa[2] = rec.Direction == 2 ? -ts : 0.0;
    for (int k = 1; k <= n; k++) g[k] = dN[k] / L;
    CalcMat_B_TimoshenkoBeam3D(n, 'B', 0.0, 0.0, B, g, N);
    m[1] = tm.E * dotd1(N, S[5], n) * kappa[1];
    m[2] = tm.E * dotd1(N, S[6], n) * kappa[2];
    multtd2d1(f, B, m, 6 * n, 2);
    for (int k = 1; k <= n; k++) {
      for (int j = 1; j <= 3; j++) ml[j] = f[6 * (k - 1) + 3 + j] * w[i] * L;
      multtd2d1(mg, T, ml, 3, 3);
      for (int j = 1; j <= 3; j++) Fe[6 * (k - 1) + 3 + j] += mg[j];
    }
  }
  freed1(f);
  freed1(tan);
  freed1(g);
  freed1(dN);
  freed1(N);
  freed1(dT);
  freed2(B);
  freed2(T);
  freed2(S);
  freed2(X);
}
