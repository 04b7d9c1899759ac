// Newton-Raphson iterations of a transient thermal step with temperature-dependent
// materials: residual, convergence, the coupling of prescribed temperatures, the boundary
// heat flux correction, and the saved conductivity and heat-capacity matrices.
#include <cmath>
#include <cstdio>

#include "assembly/matrix_file.h"
#include "assembly/residual.h"
#include "numcore/numcore.h"
#include "thermal/thermal_transient.h"

namespace {

const MatrixFileKind kCondFile{"_GCM.bin", "<GLOBAL_CONDUCTIVITY_MATRIX>", "</GLOBAL_CONDUCTIVITY_MATRIX>"};
const MatrixFileKind kTransientFile{"_GTM.bin", "<GLOBAL_TRANSIENT_MATRIX>", "</GLOBAL_TRANSIENT_MATRIX>"};

// y = A x for an n x n element matrix.
void ElemMatVec(int n, double** A, const double* x, double* y) {
  for (int i = 1; i <= n; i++) {
    double sum = 0.0;
    for (int j = 1; j <= n; j++) sum += A[i][j] * x[j];
    y[i] = sum;
  }
}

double SumOfSquares(int n, const double* v) {
  double s = 0.0;
  for (int i = 1; i <= n; i++) s += v[i] * v[i];
  return s;
}

}  // namespace

void CloseThermalResid(int nF, int nP, double alpha, double dt, const ThermalStepLevels* v, double* fF, double* fP,
                       const double* qF, const double* qP, double* rF, double* rP) {
  for (int i = 1; i <= nF; i++) fF[i] += alpha * dt * v->FF[i] + (1.0 - alpha) * dt * v->FFn[i];
  for (int i = 1; i <= nP; i++)
    fP[i] += alpha * dt * (v->FP[i] + v->R[i]) + (1.0 - alpha) * dt * (v->FPn[i] + v->Rn[i]);
  for (int i = 1; i <= nF; i++) rF[i] = fF[i] - qF[i];
  for (int i = 1; i <= nP; i++) rP[i] = fP[i] - qP[i];
}

void CalcThermalResid(const char* OutputControl, const MeshData* mesh, const ThermalWorkArrays* t,
                      const ThermalStepState* s, double alpha, const ThermalStepLevels* v, double* fF, double* fP,
                      double* qF, double* qP, double* rF, double* rP) {
  const MainWorkArrays* w = &t->w;
  const int nF = w->nF, nP = w->nP;
  const double dt = s->dt;
  zerod1(fF, nF);
  zerod1(fP, nP);
  zerod1(qF, nF);
  zerod1(qP, nP);
  double **Tcur, **Tstart;
  allocd2(&Tcur, mesh->nPoints, 6);
  allocd2(&Tstart, mesh->nPoints, 6);
  CalcPointTemp(mesh, w->PointDofNumbers, s->TF, s->TP, Tcur, w->PointDofCodes);
  CalcPointTemp(mesh, w->PointDofNumbers, v->TFn, v->TPn, Tstart, w->PointDofCodes);
  double Te[21], Ten[21], a[21], b[21], fe[21];
  for (int e = 1; e <= mesh->nElements; e++) {
    const int property = w->ElemPropIndex[e];
    if (property == 0) continue;
    const int type = mesh->ElemProps[property].ElementType;
    const int n = mesh->ElemNodeCount[e];
    if (n > 20) InternalError(__FILE__, __LINE__);
    GatherElementDofValues(e, type, n, mesh->ElemNodes, Tcur, Te);
    GatherElementDofValues(e, type, n, mesh->ElemNodes, Tstart, Ten);
    double **KT, **KCn, **KC;
    // The heat stored over the step, KT (T - T_n), from the enthalpy: exact whatever the
    // capacity does between the two temperatures.
    CalcElemTransientMat(e, n, property, OutputControl, mesh, s, Te, &KT, Ten);
    CalcElemCondMat(e, n, property, OutputControl, mesh, t, s, Ten, &KCn);
    CalcElemCondMat(e, n, property, OutputControl, mesh, t, s, Te, &KC);
    // External: (KT - (1 - alpha) dt KC(T_n)) T_n.
    ElemMatVec(n, KT, Ten, a);
    ElemMatVec(n, KCn, Ten, b);
    for (int i = 1; i <= n; i++) fe[i] = a[i] - (1.0 - alpha) * dt * b[i];
    AssembInt_Fg(e, type, n, mesh, w, fF, fP, fe);
    // Internal: (KT + alpha dt KC(T)) T.
    ElemMatVec(n, KT, Te, a);
    ElemMatVec(n, KC, Te, b);
    for (int i = 1; i <= n; i++) fe[i] = a[i] + alpha * dt * b[i];
    AssembInt_Fg(e, type, n, mesh, w, qF, qP, fe);
    freed2(KC);
    freed2(KCn);
    freed2(KT);
  }
  freed2(Tstart);
  freed2(Tcur);
  CloseThermalResid(nF, nP, alpha, dt, v, fF, fP, qF, qP, rF, rP);
}

bool CheckThermalConvergence(const MeshData* mesh, int nF, int nP, const double* fF, const double* fP,
                             const double* qF, const double* qP, const double* rF, const double* rP, double* ratio) {
  if (mesh->Main.ConvergenceCriterion != 2) InternalError(__FILE__, __LINE__);
  const double sr = SumOfSquares(nF, rF) + SumOfSquares(nP, rP);
  // The reference is the larger of the heat loads and the internal heat forces: a step
  // whose loads vanish still has a scale, and no unit of heat changes the ratio.
  double sf = SumOfSquares(nF, fF) + SumOfSquares(nP, fP);
  const double sq = SumOfSquares(nF, qF) + SumOfSquares(nP, qP);
  if (sr < 0.0 || sf < 0.0 || sq < 0.0) InternalError(__FILE__, __LINE__);
  if (sq > sf) sf = sq;
  if (sf > 0.0)
    *ratio = std::sqrt(sr) / std::sqrt(sf);
  else
    *ratio = sr == 0.0 ? 0.0 : HUGE_VAL;
  // A NaN ratio never converges.
  return *ratio < mesh->Main.Tolerance;
}

void CalcThermalEffLoadTerms(int nF, int nP, double alpha, double dt, const ThermalMatrices* K, const double* x,
                             double* y) {
  (void)nF;
  AddScaledSparseMatTransVecProduct(nP, -1.0, K->KTPF.count, K->KTPF.cols, K->KTPF.vals, x, y);
  AddScaledSparseMatTransVecProduct(nP, -alpha * dt, K->KCPF.count, K->KCPF.cols, K->KCPF.vals, x, y);
}

void CalcBoundaryHeatFlux_NL(int nF, int nP, int method, double alpha, double dt, const ThermalMatrices* K,
                             const double* xF, const double* xP, const double* g, double* R) {
  (void)nF;
  zerod1(R, nP);
  if (EndOfStepHeatFlux(method, alpha)) return;
  const double c = alpha * dt;
  AddScaledSparseMatVecProduct(nP, 1.0 / c, K->KTPF.count, K->KTPF.cols, K->KTPF.vals, xF, R);
  AddScaledSymSparseMatVecProduct(nP, 1.0 / c, K->KTPP.count, K->KTPP.cols, K->KTPP.vals, xP, R);
  AddScaledSparseMatVecProduct(nP, 1.0, K->KCPF.count, K->KCPF.cols, K->KCPF.vals, xF, R);
  AddScaledSymSparseMatVecProduct(nP, 1.0, K->KCPP.count, K->KCPP.cols, K->KCPP.vals, xP, R);
  AddScaledVector(nP, -1.0 / c, g, R);
}

void UpdateTempBoundaryHeatFlux(int nF, int nP, int mode, double* TF, double* dTstep, const double* dT,
                                const double* dR, double* R) {
  switch (mode) {
    case 1: AddScaledVector(nF, 1.0, dT, dTstep); break;
    case 2: copyd1(dTstep, dT, nF); break;
    default: InternalError(__FILE__, __LINE__);
  }
  AddScaledVector(nF, 1.0, dT, TF);
  AddScaledVector(nP, 1.0, dR, R);
}

void WriteGlobalCondMat(int64_t nTermsFF, int64_t nTermsPF, int64_t nTermsPP, int nF, int nP,
                        const ThermalMatrices* K, const char* job) {
  WriteGlobalMatFile(kCondFile, nTermsFF, nTermsPF, nTermsPP, nF, nP, &K->KCFF, &K->KCPF, &K->KCPP, job);
}

void WriteGlobalTransientMat(int64_t nTermsFF, int64_t nTermsPF, int64_t nTermsPP, int nF, int nP,
                             const ThermalMatrices* K, const char* job) {
  WriteGlobalMatFile(kTransientFile, nTermsFF, nTermsPF, nTermsPP, nF, nP, &K->KTFF, &K->KTPF, &K->KTPP, job);
}

void ReadGlobalCondMat(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, int nF, int nP, ThermalMatrices* K,
                       const char* job) {
  ReadGlobalMatFile(kCondFile, nTermsFF, nTermsPF, nTermsPP, nF, nP, &K->KCFF, &K->KCPF, &K->KCPP, job);
}

void ReadGlobalTransientMat(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, int nF, int nP,
                            ThermalMatrices* K, const char* job) {
  ReadGlobalMatFile(kTransientFile, nTermsFF, nTermsPF, nTermsPP, nF, nP, &K->KTFF, &K->KTPF, &K->KTPP, job);
}

void WriteThermalMatsStream(FILE* fp, const int64_t nC[3], const int64_t nT[3], int nF, int nP,
                            const ThermalMatrices* K) {
  WriteGlobalMatStream(fp, kCondFile, nC[0], nC[1], nC[2], nF, nP, &K->KCFF, &K->KCPF, &K->KCPP);
  WriteGlobalMatStream(fp, kTransientFile, nT[0], nT[1], nT[2], nF, nP, &K->KTFF, &K->KTPF, &K->KTPP);
}

void ReadThermalMatsStream(FILE* fp, int64_t nC[3], int64_t nT[3], int nF, int nP, ThermalMatrices* K) {
  ReadGlobalMatStream(fp, kCondFile, &nC[0], &nC[1], &nC[2], nF, nP, &K->KCFF, &K->KCPF, &K->KCPP);
  ReadGlobalMatStream(fp, kTransientFile, &nT[0], &nT[1], &nT[2], nF, nP, &K->KTFF, &K->KTPF, &K->KTPP);
}
