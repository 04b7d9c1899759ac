// Time stepping of transient heat conduction: effective matrix, right-hand side,
// boundary heat fluxes and the equilibrium start of a run.
#include "thermal/thermal_transient.h"

#include <cstdio>

#include "assembly/residual.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

// y += a (KT_PF xF + KT_PP xP) + b (KC_PF xF + KC_PP xP): a combination of the
// prescribed rows of the two matrices (KT_PP and KC_PP symmetric, upper triangles stored).
void AddPrescribedRows(int nP, double a, double b, const ThermalMatrices* K, const double* xF, const double* xP,
                       double* y) {
  AddScaledSparseMatVecProduct(nP, a, K->KTPF.count, K->KTPF.cols, K->KTPF.vals, xF, y);
  AddScaledSymSparseMatVecProduct(nP, a, K->KTPP.count, K->KTPP.cols, K->KTPP.vals, xP, y);
  AddScaledSparseMatVecProduct(nP, b, K->KCPF.count, K->KCPF.cols, K->KCPF.vals, xF, y);
  AddScaledSymSparseMatVecProduct(nP, b, K->KCPP.count, K->KCPP.cols, K->KCPP.vals, xP, y);
}

}  // namespace

void CalcThermalEffMat(int nF, double dt, double alpha, const char* OutputControl, SparseRowMatrix* EFF,
                       const SparseRowMatrix* KTFF, const SparseRowMatrix* KCFF) {
  AllocSparseRowMatrix(nF, EFF);
  CalcEffectiveMatrixSparse(nF, nF, 1.0, dt * alpha, KTFF->count, KCFF->count, EFF->count, KTFF->cols, KCFF->cols,
                            EFF->cols, KTFF->vals, KCFF->vals, EFF->vals);
  if (OutputControl[OC_PRINT_MAT_E] == 'Y') PrintSparseMat(nF, "-- EFF:", "E", EFF->count, EFF->cols, EFF->vals);
}

void CalcThermalStepVectors(int nF, int nP, double dt, double alpha, const ThermalMatrices* K, const double* TFn,
                            const double* TPn1, const double* TPn, const double* FFn1, const double* FFn, double* b) {
  const double wOld = (1.0 - alpha) * dt, wNew = alpha * dt;
  zerod1(b, nF);
  AddScaledSymSparseMatVecProduct(nF, 1.0, K->KTFF.count, K->KTFF.cols, K->KTFF.vals, TFn, b);
  AddScaledSymSparseMatVecProduct(nF, -wOld, K->KCFF.count, K->KCFF.cols, K->KCFF.vals, TFn, b);
  // Prescribed temperatures couple into the free rows through the transposed PF blocks.
  AddScaledSparseMatTransVecProduct(nP, 1.0, K->KTPF.count, K->KTPF.cols, K->KTPF.vals, TPn, b);
  AddScaledSparseMatTransVecProduct(nP, -1.0, K->KTPF.count, K->KTPF.cols, K->KTPF.vals, TPn1, b);
  AddScaledSparseMatTransVecProduct(nP, -wOld, K->KCPF.count, K->KCPF.cols, K->KCPF.vals, TPn, b);
  AddScaledSparseMatTransVecProduct(nP, -wNew, K->KCPF.count, K->KCPF.cols, K->KCPF.vals, TPn1, b);
  AddScaledVector(nF, wNew, FFn1, b);
  AddScaledVector(nF, wOld, FFn, b);
}

bool EndOfStepHeatFlux(int method, double alpha) { return method == 1 || !(alpha >= 0.5); }

void CalcThermalResidFromMatrices(int nF, int nP, double alpha, double dt, const ThermalMatrices* K,
                                  const ThermalStepLevels* v, const double* TF, const double* TP, double* fF,
                                  double* fP, double* qF, double* qP, double* rF, double* rP) {
  // y_F += a (KT_FF xF + KT_PF^T xP) + b (KC_FF xF + KC_PF^T xP), y_P alike by the P rows.
  const auto apply = [&](double a, double b, const double* xF, const double* xP, double* yF, double* yP) {
    AddScaledSymSparseMatVecProduct(nF, a, K->KTFF.count, K->KTFF.cols, K->KTFF.vals, xF, yF);
    AddScaledSparseMatTransVecProduct(nP, a, K->KTPF.count, K->KTPF.cols, K->KTPF.vals, xP, yF);
    AddScaledSymSparseMatVecProduct(nF, b, K->KCFF.count, K->KCFF.cols, K->KCFF.vals, xF, yF);
    AddScaledSparseMatTransVecProduct(nP, b, K->KCPF.count, K->KCPF.cols, K->KCPF.vals, xP, yF);
    AddPrescribedRows(nP, a, b, K, xF, xP, yP);
  };
  zerod1(fF, nF);
  zerod1(fP, nP);
  zerod1(qF, nF);
  zerod1(qP, nP);
  apply(1.0, -(1.0 - alpha) * dt, v->TFn, v->TPn, fF, fP);
  apply(1.0, alpha * dt, TF, TP, qF, qP);
  CloseThermalResid(nF, nP, alpha, dt, v, fF, fP, qF, qP, rF, rP);
}

void CalcBoundaryHeatFlux(int nF, int nP, int method, double alpha, double dt, const ThermalMatrices* K,
                          const double* TFn1, const double* TFn, const double* TPn1, const double* TPn,
                          const double* FPn1, const double* FPn, const double* Rn, double* Rn1) {
  zerod1(Rn1, nP);
  double *dF, *dP;
  allocd1(&dF, nF);
  allocd1(&dP, nP);
  for (int i = 1; i <= nF; i++) dF[i] = TFn1[i] - TFn[i];
  for (int i = 1; i <= nP; i++) dP[i] = TPn1[i] - TPn[i];
  if (!EndOfStepHeatFlux(method, alpha)) {
    const double c = (1.0 - alpha) / alpha;
    AddPrescribedRows(nP, 1.0 / (alpha * dt), 0.0, K, dF, dP, Rn1);
    AddPrescribedRows(nP, 0.0, 1.0, K, TFn1, TPn1, Rn1);
    AddPrescribedRows(nP, 0.0, c, K, TFn, TPn, Rn1);
    AddScaledVector(nP, -1.0, FPn1, Rn1);
    AddScaledVector(nP, -c, FPn, Rn1);
    AddScaledVector(nP, -c, Rn, Rn1);
  } else {
    AddPrescribedRows(nP, 1.0 / dt, 0.0, K, dF, dP, Rn1);
    AddPrescribedRows(nP, 0.0, 1.0, K, TFn1, TPn1, Rn1);
    AddScaledVector(nP, -1.0, FPn1, Rn1);
  }
  freed1(dP);
  freed1(dF);
}

void CalcThermalTransientInitCond(const char* OutputControl, const MeshData* mesh, const ThermalWorkArrays* t,
                                  const ThermalStepState* s, double* qF0, double* R0, double* TF0, double* TP0) {
  const MainWorkArrays* w = &t->w;
  zerod1(qF0, w->nF);
  zerod1(R0, w->nP);
  zerod1(TF0, w->nF);
  zerod1(TP0, w->nP);
  if (mesh->nThermalInitial == 0) return;
  for (int r = 1; r <= mesh->nThermalInitial; r++) {
    const int p = mesh->ThermalInitial[r].Point;
    const double T = mesh->ThermalInitial[r].Value;
    switch (w->PointDofCodes[p][1]) {
      case 'F': TF0[w->PointDofNumbers[p][1]] = T; break;
      case 'P': TP0[w->PointDofNumbers[p][1]] = T; break;
      default:
        std::fflush(stdout);
        std::fprintf(stderr,
                     "\nTreating the thermal transient initial conditions:\n"
                     "   -> Block name: <THERMAL_TRANSIENT_INITIAL_CONDITIONS>\n   -> Counter: %d\n"
                     "   -> Point: %d\n",
                     r, p);
        errexit("An initial temperature is given at a point without temperature\n"
                "(a point of no active thermal element and not prescribed).",
                0);
    }
  }
  double** Tpoint;
  allocd2(&Tpoint, mesh->nPoints, 6);
  CalcPointTemp(mesh, w->PointDofNumbers, TF0, TP0, Tpoint, w->PointDofCodes);
  double Te[21], fe[21];
  for (int e = 1; e <= mesh->nElements; e++) {
    const int property = w->ElemPropIndex[e];
    if (property == 0) continue;
    const int type = mesh->ElemProps[property].ElementType;
    const int nNodes = mesh->ElemNodeCount[e];
    if (nNodes > 20) InternalError(__FILE__, __LINE__);
    GatherElementDofValues(e, type, nNodes, mesh->ElemNodes, Tpoint, Te);
    double** K;
    CalcElemCondMat(e, nNodes, property, OutputControl, mesh, t, s, Te, &K);
    for (int i = 1; i <= nNodes; i++) {
      fe[i] = 0.0;
      for (int j = 1; j <= nNodes; j++) fe[i] += K[i][j] * Te[j];
    }
    freed2(K);
    AssembInt_Fg(e, type, nNodes, mesh, w, qF0, R0, fe);
  }
  freed2(Tpoint);
}

void StartFromLoadsAtT0(int nF, int nP, const double* FF1, const double* FP1, double* FF0, double* FP0, double* R0) {
  copyd1(FF0, FF1, nF);
  copyd1(FP0, FP1, nP);
  AddScaledVector(nP, -1.0, FP1, R0);
}
