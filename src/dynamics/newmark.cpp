// Newmark and alpha-method time step of the linear dynamic analysis.
#include "dynamics/newmark.h"

#include <cstdio>

#include "dynamics/contact.h"
#include "loads/load_kernel.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

void AllocDynState(int nF, int nP, DynState* s) {
  allocd1(&s->uF, nF);
  allocd1(&s->vF, nF);
  allocd1(&s->aF, nF);
  allocd1(&s->FF, nF);
  allocd1(&s->uP, nP);
  allocd1(&s->vP, nP);
  allocd1(&s->aP, nP);
  allocd1(&s->FP, nP);
  allocd1(&s->R, nP);
}

void FreeDynState(DynState* s) {
  double* v[] = {s->uF, s->vF, s->aF, s->FF, s->uP, s->vP, s->aP, s->FP, s->R};
  for (double* p : v) freed1(p);
}

void CopyDynState(int nF, int nP, const DynState* from, DynState* to) {
  copyd1(to->uF, from->uF, nF);
  copyd1(to->vF, from->vF, nF);
  copyd1(to->aF, from->aF, nF);
  copyd1(to->FF, from->FF, nF);
  copyd1(to->uP, from->uP, nP);
  copyd1(to->vP, from->vP, nP);
  copyd1(to->aP, from->aP, nP);
  copyd1(to->FP, from->FP, nP);
  copyd1(to->R, from->R, nP);
}

void CalcNewmarkConst(double beta, double gamma, double dt, double a[6]) {
  a[0] = 1.0 / (beta * dt * dt);
  a[1] = gamma / (beta * dt);
  a[2] = 1.0 / (beta * dt);
  a[3] = 1.0 / (2.0 * beta) - 1.0;
  a[4] = gamma / beta - 1.0;
  a[5] = dt * (gamma / (2.0 * beta) - 1.0);
}

void CalcDynEffMat(int nF, double alpha, const char* OutputControl, const double a[6], const SparseRowMatrix* C,
                   SparseRowMatrix* EFF, const SparseRowMatrix* K, const SparseRowMatrix* M) {
  SparseRowMatrix T;
  AllocSparseRowMatrix(nF, &T);
  CalcEffectiveMatrixSparse(nF, nF, a[0], (1.0 + alpha) * a[1], M->count, C->count, T.count, M->cols, C->cols,
                            T.cols, M->vals, C->vals, T.vals);
  CalcEffectiveMatrixSparse(nF, nF, 1.0, 1.0 + alpha, T.count, K->count, EFF->count, T.cols, K->cols, EFF->cols,
                            T.vals, K->vals, EFF->vals);
  FreeSparseRowMatrix(&T);
  if (OutputControl[OC_PRINT_MAT_E] == 'Y') PrintSparseMat(nF, "-- EFF:", "E", EFF->count, EFF->cols, EFF->vals);
}

void Calc_Init_Cond(int nF, int nP, const MeshData* mesh, const MainWorkArrays* w, DynState* s) {
  zerod1(s->uF, nF);
  zerod1(s->vF, nF);
  zerod1(s->aF, nF);
  zerod1(s->FF, nF);
  zerod1(s->uP, nP);
  zerod1(s->vP, nP);
  zerod1(s->aP, nP);
  zerod1(s->FP, nP);
  zerod1(s->R, nP);
  char* seen;
  allocc1(&seen, nF);
  for (int i = 1; i <= nF; i++) seen[i] = 0;
  for (int r = 1; r <= mesh->nInitialConditions; r++) {
    const DynamicInitialCondition& ic = mesh->InitialConditions[r];
    const int p = ic.Int1, d = ic.Int2;
    if (p < 1 || p > mesh->nPoints || d < 1 || d > 6) InternalError(__FILE__, __LINE__);
    const char code = w->PointDofCodes[p][d];
    if (code != 'P' && code != 'F') continue;
    if (code == 'P' || seen[w->PointDofNumbers[p][d]]) {
      std::fflush(stdout);
      std::fprintf(stderr, "\nTreating the dynamic initial conditions:\n   -> Point: %d\n", p);
      std::fprintf(stderr, "   -> Degree of freedom: %s\n", DofKeywords[d]);
      freec1(seen);
      if (code == 'P')
        errexit("Dynamic initial conditions of prescribed degrees of freedom\nare not available. "
                "See block <DYNAMIC_INITIAL_CONDITIONS>.",
                0);
      errexit("A degree of freedom has more than one record in\nthe block <DYNAMIC_INITIAL_CONDITIONS>.", 0);
    }
    const int eq = w->PointDofNumbers[p][d];
    seen[eq] = 1;
    s->uF[eq] = ic.v[1];
    s->vF[eq] = ic.v[2];
    s->aF[eq] = ic.v[3];
  }
  freec1(seen);
}

void Calc_F_Overbar_Free_Dyn(int nF, int nP, double alpha, const double a[6], const GlobalMatParts* M,
                             const GlobalMatParts* C, const GlobalMatParts* K, const DynState* o, const DynState* n,
                             const ContactDofs* cd, const ContactArrays* ca, const double* lambda, double* Fbar) {
  const double b = 1.0 + alpha;
  double *x, *y;
  allocd1(&x, nF);
  allocd1(&y, nP);
  for (int i = 1; i <= nF; i++) Fbar[i] = b * n->FF[i] - alpha * o->FF[i];
  // Inertia of the old state and of the prescribed acceleration.
  for (int i = 1; i <= nF; i++) x[i] = a[0] * o->uF[i] + a[2] * o->vF[i] + a[3] * o->aF[i];
  AddScaledSymSparseMatVecProduct(nF, 1.0, M->FF.count, M->FF.cols, M->FF.vals, x, Fbar);
  AddScaledSparseMatTransVecProduct(nP, -1.0, M->PF.count, M->PF.cols, M->PF.vals, n->aP, Fbar);
  // Damping.
  for (int i = 1; i <= nF; i++) x[i] = b * (a[1] * o->uF[i] + a[4] * o->vF[i] + a[5] * o->aF[i]) + alpha * o->vF[i];
  AddScaledSymSparseMatVecProduct(nF, 1.0, C->FF.count, C->FF.cols, C->FF.vals, x, Fbar);
  for (int i = 1; i <= nP; i++) y[i] = b * n->vP[i] - alpha * o->vP[i];
  AddScaledSparseMatTransVecProduct(nP, -1.0, C->PF.count, C->PF.cols, C->PF.vals, y, Fbar);
  // Stiffness.
  for (int i = 1; i <= nP; i++) y[i] = b * n->uP[i] - alpha * o->uP[i];
  AddScaledSparseMatTransVecProduct(nP, -1.0, K->PF.count, K->PF.cols, K->PF.vals, y, Fbar);
  AddScaledSymSparseMatVecProduct(nF, alpha, K->FF.count, K->FF.cols, K->FF.vals, o->uF, Fbar);
  freed1(y);
  freed1(x);
  if (cd == nullptr || cd->nX == 0) return;
  for (int i = 1; i <= nF; i++)
    if (cd->FreeDofClass[i] != 'I' && cd->FreeDofClass[i] != 'X') InternalError(__FILE__, __LINE__);
  for (int j = 1; j <= cd->nX; j++) {
    if (lambda[j] == 0.0) continue;
    for (int i = 1; i <= cd->nI; i++) Fbar[cd->IList[i]] += alpha * ca->GI[i][j] * lambda[j];
    Fbar[cd->XList[j]] -= alpha * lambda[j];
  }
}

void UpdateVelocAccel(int nF, double beta, double gamma, double dt, double* aNew, const double* aOld, double* vNew,
                      const double* vOld, const double* uNew, const double* uOld) {
  for (int i = 1; i <= nF; i++) {
    const double du = uNew[i] - uOld[i];
    vNew[i] = gamma / (beta * dt) * du + (1.0 - gamma / beta) * vOld[i] + (1.0 - gamma / (2.0 * beta)) * dt * aOld[i];
    aNew[i] = 1.0 / (beta * dt * dt) * du - 1.0 / (beta * dt) * vOld[i] - (1.0 / (2.0 * beta) - 1.0) * aOld[i];
  }
}

void CalcDynReact(int nF, int nP, double alpha, const GlobalMatParts* M, const GlobalMatParts* C,
                  const GlobalMatParts* K, const DynState* o, DynState* n) {
  const double d1 = alpha / (1.0 + alpha), d2 = 1.0 / (1.0 + alpha);
  double *xF, *xP;
  allocd1(&xF, nF);
  allocd1(&xP, nP);
  double* R = n->R;
  for (int i = 1; i <= nP; i++) R[i] = d1 * o->R[i] - n->FP[i] + d1 * o->FP[i];
  AddScaledSparseMatVecProduct(nP, d2, M->PF.count, M->PF.cols, M->PF.vals, n->aF, R);
  AddScaledSymSparseMatVecProduct(nP, d2, M->PP.count, M->PP.cols, M->PP.vals, n->aP, R);
  const GlobalMatParts* parts[2] = {C, K};
  const double* newF[2] = {n->vF, n->uF};
  const double* oldF[2] = {o->vF, o->uF};
  const double* newP[2] = {n->vP, n->uP};
  const double* oldP[2] = {o->vP, o->uP};
  for (int k = 0; k < 2; k++) {
    for (int i = 1; i <= nF; i++) xF[i] = newF[k][i] - d1 * oldF[k][i];
    for (int i = 1; i <= nP; i++) xP[i] = newP[k][i] - d1 * oldP[k][i];
    AddScaledSparseMatVecProduct(nP, 1.0, parts[k]->PF.count, parts[k]->PF.cols, parts[k]->PF.vals, xF, R);
    AddScaledSymSparseMatVecProduct(nP, 1.0, parts[k]->PP.count, parts[k]->PP.cols, parts[k]->PP.vals, xP, R);
  }
  freed1(xP);
  freed1(xF);
}
