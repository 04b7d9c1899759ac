// Time stepping of transient heat conduction: effective matrix, right-hand side,
// boundary heat fluxes and the equilibrium start of a run.
#include "thermal/thermal_transient.h"

#include <cmath>
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

// x^T A x, A symmetric stored as its upper triangle; w a work vector.
double QuadraticForm(int n, const SparseRowMatrix* A, const double* x, double* w) {
  SymSparseMatVec(n, A->count, A->cols, A->vals, x, w);
  double s = 0.0;
  for (int i = 1; i <= n; i++) s += x[i] * w[i];
  return s;
}

// y = A^-1 b by the Jacobi-preconditioned conjugate gradient, A symmetric positive
// definite with a positive diagonal (a capacity matrix: well conditioned, a few dozen
// iterations); false when the iterations do not reduce the residual by 1e-12.
bool CapacitySolve(int n, const SparseRowMatrix* A, const double* b, double* y) {
  double *r, *z, *p, *q;
  allocd1(&r, n);
  allocd1(&z, n);
  allocd1(&p, n);
  allocd1(&q, n);
  double rz = 0.0, b2 = 0.0;
  for (int i = 1; i <= n; i++) {
    y[i] = 0.0;
    r[i] = b[i];
    z[i] = r[i] / A->vals[i][1];
    p[i] = z[i];
    rz += r[i] * z[i];
    b2 += b[i] * b[i];
  }
  bool ok = b2 == 0.0;
  for (int it = 1; it <= 10 * n + 100 && !ok; it++) {
    SymSparseMatVec(n, A->count, A->cols, A->vals, p, q);
    double pq = 0.0;
    for (int i = 1; i <= n; i++) pq += p[i] * q[i];
    if (!(pq > 0.0)) break;
    const double a = rz / pq;
    double r2 = 0.0, rzNew = 0.0;
    for (int i = 1; i <= n; i++) {
      y[i] += a * p[i];
      r[i] -= a * q[i];
      z[i] = r[i] / A->vals[i][1];
      r2 += r[i] * r[i];
      rzNew += r[i] * z[i];
    }
    ok = r2 <= 1e-24 * b2;
    for (int i = 1; i <= n; i++) p[i] = z[i] + rzNew / rz * p[i];
    rz = rzNew;
  }
  freed1(q);
  freed1(p);
  freed1(z);
  freed1(r);
  return ok;
}

}  // namespace

double ThermalStableStep(int nF, double alpha, const SparseRowMatrix* KTFF, const SparseRowMatrix* KCFF) {
  constexpr double kUnbounded = 1.7976931348623157e308;
  if (alpha >= 0.5 || nF == 0) return kUnbounded;
  for (int i = 1; i <= nF; i++)
    if (KTFF->count[i] == 0 || KTFF->cols[i][1] != i || !(KTFF->vals[i][1] > 0.0)) return 0.0;
  double *x, *w, *y;
  allocd1(&x, nF);
  allocd1(&w, nF);
  allocd1(&y, nF);
  // A start with a part in every mode, the sawtooth ones above all.
  for (int i = 1; i <= nF; i++) x[i] = (i % 2 == 0 ? 1.0 : -1.0) * (1.0 + 0.1 * (i % 7));
  double lambda = 0.0;
  bool capacityOk = true;
  for (int it = 1; it <= 300; it++) {
    const double c = QuadraticForm(nF, KCFF, x, w), t = QuadraticForm(nF, KTFF, x, y);
    if (!(t > 0.0)) {
      capacityOk = false;
      break;
    }
    const double next = c / t;
    const bool settled = it > 3 && std::fabs(next - lambda) <= 1e-7 * std::fabs(next);
    lambda = std::fmax(lambda, next);
    if (settled) break;
    // x := KT^-1 KC x, scaled to unit largest entry.
    SymSparseMatVec(nF, KCFF->count, KCFF->cols, KCFF->vals, x, w);
    if (!CapacitySolve(nF, KTFF, w, y)) {
      capacityOk = false;
      break;
    }
    double big = 0.0;
    for (int i = 1; i <= nF; i++) big = std::fmax(big, std::fabs(y[i]));
    if (!(big > 0.0) || !std::isfinite(big)) break;
    for (int i = 1; i <= nF; i++) x[i] = y[i] / big;
  }
  freed1(y);
  freed1(w);
  freed1(x);
  if (!capacityOk) return 0.0;
  if (!(lambda > 0.0)) return kUnbounded;  // no conduction: nothing to grow
  return 2.0 / ((1.0 - 2.0 * alpha) * lambda);
}

void CheckThermalStepStable(int c, double dt, double alpha, int nF, const SparseRowMatrix* KTFF,
                            const SparseRowMatrix* KCFF) {
  const double limit = ThermalStableStep(nF, alpha, KTFF, KCFF);
  if (dt <= limit) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\nVerifying the combinations of the thermal transient analysis\n   -> Combination: %d\n", c);
  char msg[600];
  std::snprintf(msg, sizeof msg,
                "The step duration %.6le of a combination of the thermal transient analysis\n"
                "is longer than the stable limit %.6le of the time rule with THERMAL_THETA = %g.\n"
                "Below THERMAL_THETA = 0.5 the rule is stable only for steps up to\n"
                "2 / ((1 - 2 THERMAL_THETA) lambda_max), lambda_max the largest ratio of conduction\n"
                "to heat capacity of the mesh; a longer step makes the temperatures oscillate and\n"
                "grow without bound. Shorten the steps or take THERMAL_THETA >= 0.5.",
                dt, limit, alpha);
  errexit(msg, 0);
}

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
