// The run of the modal problem around the solvers: load vectors, the static solves of
// the participation ratios, the completion of the modes (order, slave values), the
// static and dynamic participation ratios and the errors of the modes.
#include <cmath>
#include <cstdio>

#include "loads/loads.h"
#include "modal/vibration_modes.h"
#include "model/fileio.h"
#include "model/loadcase.h"
#include "model/mesh.h"
#include "model/params.h"
#include "numcore/eigensolvers.h"
#include "numcore/numcore.h"
#include "numcore/sparse.h"

namespace {

double ModeDot(double** Phi, int nF, int mode, const double* F) {
  double d = 0.0;
  for (int i = 1; i <= nF; i++) d += Phi[i][mode] * F[i];
  return d;
}

}  // namespace

void ModalLoadVector(const ModalInput* in, int lc, double* F) {
  const MeshData* mesh = in->mesh;
  if (lc < 1 || lc > mesh->Main.nLoadCases) InternalError(__FILE__, __LINE__);
  SeekFile(in->DataFile, in->LoadCasePositions[lc]);
  LoadCaseData data;
  ReadLoadCase(in->DataFile, lc, mesh, &data);
  double* FP;
  allocd1(&FP, in->w->nP);
  Calc_F(lc, in->OutputControl, &data, mesh, in->w, F, FP);
  freed1(FP);
  FreeLoadCase(&data);
  Calc_F_FreeMasterSlave(mesh, in->w->PointDofNumbers, F, in->w->PointDofCodes);
}

void SolveStiffLoadCasesDot(const ModalInput* in, int nF, int nS, const int* perm, const SparseRowMatrix* K,
                            ModalFactorState* st, VibrationModes* v) {
  const MeshData* mesh = in->mesh;
  const int nL = mesh->nStaticParticipation, nR = nF - nS;
  st->shift = kValueNotGiven;
  allocd1(&v->s, nL);
  zerod1(v->s, nL);
  if (nL == 0) return;
  FactorModalMatrixOrStop(ModalSolverPathOf(mesh->Main.LinEqAlgorithm), mesh->Main.PrecondResidualDecay, K->count,
                          K->cols, K->vals, nR, "Stiff matrix not positive definite",
                          "Stiff Matrix not positive definite", &st->f);
  st->shift = 0.0;
  double *F, *y;
  allocd1(&F, nF);
  allocd1(&y, nR);
  for (int L = 1; L <= nL; L++) {
    ModalLoadVector(in, mesh->StaticParticipation[L], F);
    ReorderVector(nF, nS, perm, F);
    SolveModalMatrix(&st->f, y, F);
    v->s[L] = dotd1(F, y, nR);
  }
  freed1(y);
  freed1(F);
}

void CalcParticipMassRatio(const MeshData* mesh) {
  for (int k = 1; k <= 3; k++)
    if (mesh->ParticipatingMassRatios[k] == 1) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n   -> Block name: <PARTICIPATING_MASS_RATIOS>\n   -> Direction: XG%d\n", k);
      errexit("Participating mass ratios are not available:\n"
              "use <DYNAMIC_PARTICIPATION_RATIOS> with a gravity load case instead.",
              0);
    }
}

void CalcModalLoadCases(const ModalInput* in, VibrationModes* v) {
  const MeshData* mesh = in->mesh;
  const int nL = mesh->nStaticParticipation, nF = v->nF;
  allocd2(&v->staticRatio, v->capacity, nL);
  allocd1(&v->staticSum, nL);
  zerod1(v->staticSum, nL);
  double* F;
  allocd1(&F, nF);
  for (int L = 1; L <= nL; L++) {
    ModalLoadVector(in, mesh->StaticParticipation[L], F);
    for (int i = 1; i <= v->nModes; i++) {
      const double d = ModeDot(v->Phi, nF, i, F);
      // A null load has no static response to share among the modes.
      const double r = v->s[L] == 0.0 ? 0.0 : (d * d / v->lambda[i]) / v->s[L];
      v->staticRatio[i][L] = r;
      v->staticSum[L] += r;
    }
  }
  freed1(F);
}

void SolveMassLoadCases(const ModalInput* in, const SparseRowMatrix* M, VibrationModes* v) {
  const MeshData* mesh = in->mesh;
  const int nL = mesh->nDynamicParticipation, nF = v->nF;
  allocd2(&v->dynamicRatio, v->capacity, nL);
  allocd1(&v->dynamicSum, nL);
  zerod1(v->dynamicSum, nL);
  if (nL == 0) return;

  // A copy of M in which every massless free dof has a diagonal; M itself stays as
  // assembled, for the errors of the modes.
  SparseRowMatrix Mc{};
  Mc.n = nF;
  N6_NZmat_alloc_empty(&Mc.count, &Mc.cols, &Mc.vals, nF);
  N6_NZmat_C_equals_aA_plus_bB_2(Mc.count, Mc.cols, Mc.vals, M->count, M->cols, M->vals, M->count, M->cols, M->vals,
                                 nF, 1.0, 0.0);
  // A massless row is a lone zero diagonal, decoupled from the others and loaded by
  // nothing: the value it takes leaves the solve unchanged. It takes the largest mass
  // diagonal, so that the pivot test of the elimination, relative to the largest term,
  // keeps the scale of the masses (a fixed 1000.0 would refuse every mass below 1e-5).
  char* massless;
  allocc1(&massless, nF);
  double diagonal = 0.0;
  for (int i = 1; i <= nF; i++) {
    if (Mc.count[i] < 1 || Mc.cols[i][1] != i) InternalError(__FILE__, __LINE__);
    diagonal = std::fmax(diagonal, Mc.vals[i][1]);
  }
  if (!(diagonal > 0.0)) diagonal = 1.0;
  for (int i = 1; i <= nF; i++) {
    massless[i] = Mc.vals[i][1] == 0.0;
    if (massless[i]) Mc.vals[i][1] = diagonal;
  }
  ModalSolver f{};
  FactorModalMatrixOrStop(ModalSolverPathOf(mesh->Main.LinEqAlgorithm), mesh->Main.PrecondResidualDecay, Mc.count,
                          Mc.cols, Mc.vals, nF, "Mass matrix is singular.", "Mass matrix is not positive definite.", &f);

  double *F, *y;
  allocd1(&F, nF);
  allocd1(&y, nF);
  for (int L = 1; L <= nL; L++) {
    ModalLoadVector(in, mesh->DynamicParticipation[L], F);
    for (int i = 1; i <= nF; i++)
      if (massless[i]) F[i] = 0.0;
    SolveModalMatrix(&f, y, F);
    Calc_a_FreeMasterSlave(mesh, in->w->PointDofNumbers, y, in->w->PointDofCodes);
    const double s = dotd1(F, y, nF);
    for (int i = 1; i <= v->nModes; i++) {
      const double d = ModeDot(v->Phi, nF, i, F);
      const double r = s == 0.0 ? 0.0 : d * d / s;
      v->dynamicRatio[i][L] = r;
      v->dynamicSum[L] += r;
    }
  }
  freed1(y);
  freed1(F);
  FreeModalSolver(&f);
  freec1(massless);
  N6_NZmat_free(Mc.count, Mc.cols, Mc.vals, nF);
}

void CalcEigenModeErrors(int nF, int nModes, const SparseRowMatrix* K, const SparseRowMatrix* M, double* error,
                         const double* lambda, double* relError, double** Phi) {
  double *x, *y1, *y2;
  allocd1(&x, nF);
  allocd1(&y1, nF);
  allocd1(&y2, nF);
  for (int i = 1; i <= nModes; i++) {
    getcold2(x, Phi, nF, i);
    N6_NZSymmat_y_equals_A_x(y1, K->count, K->cols, K->vals, x, nF);
    N6_NZSymmat_y_equals_A_x(y2, M->count, M->cols, M->vals, x, nF);
    double e = 0.0;
    for (int k = 1; k <= nF; k++) {
      const double d = lambda[i] * y2[k] - y1[k];
      e += d * d;
    }
    error[i] = std::sqrt(e);
    relError[i] = error[i] / normd1(y1, nF);
  }
  freed1(y2);
  freed1(y1);
  freed1(x);
}

void CompleteVibrationModes(const ModalInput* in, int nS, const int* invperm, SparseRowMatrix* K, SparseRowMatrix* M,
                            VibrationModes* v) {
  const MeshData* mesh = in->mesh;
  const MainWorkArrays* w = in->w;
  const int nF = v->nF;
  N6_sort_eigenpairs(v->lambda, v->Phi, nF, v->nModes);
  double* t;
  allocd1(&t, nF);
  for (int j = 1; j <= v->nModes; j++) {
    getcold2(t, v->Phi, nF, j);
    ReorderVector(nF, nS, invperm, t);
    Calc_a_FreeMasterSlave(mesh, w->PointDofNumbers, t, w->PointDofCodes);
    setcold2(v->Phi, t, nF, j);
  }
  freed1(t);
  ReorderSparseMatPair(nF, nS != 0, K, M, invperm);
  CalcParticipMassRatio(mesh);
  CalcModalLoadCases(in, v);
  SolveMassLoadCases(in, M, v);
  RemoveStiffSlaveDof(mesh, w->PointDofNumbers, K, w->PointDofCodes);
  CalcEigenModeErrors(nF, v->nModes, K, M, v->error, v->lambda, v->relError, v->Phi);
}

void CalcVibrationModes(const ModalInput* in, SparseRowMatrix* K, SparseRowMatrix* M, int nInHand,
                        const double* lambdaInHand, double** PhiInHand, bool exportMatrices, VibrationModes* v) {
  const MeshData* mesh = in->mesh;
  const MainWorkArrays* w = in->w;
  // Refused before any work is done.
  CalcParticipMassRatio(mesh);
  const int nF = K->n;
  int nS, *perm, *invperm;
  RemoveSlaveDof(nF, &nS, mesh, K, M, &perm, w->PointDofNumbers, &invperm, w->PointDofCodes);
  ModalFactorState st;
  InitModalFactorState(&st);
  SolveStiffLoadCasesDot(in, nF, nS, perm, K, &st, v);
  switch (mesh->Dynamic.VibrationModeType) {
    case 1:
      if (exportMatrices) {
        WriteSparseMatBin(nF, K->count, K->cols, K->vals, 1, "StiffMat.bin");
        WriteSparseMatBin(nF, M->count, M->cols, M->vals, 1, "MassMat.bin");
      }
      CalcEigenModes(in, nF, nS, perm, nInHand, lambdaInHand, PhiInHand, K, M, &st, v);
      break;
    case 2:
      if (nInHand != 0) InternalError(__FILE__, __LINE__);
      SolveStiffLoadCases(in, nF, nS, perm, K, M, &st, v);
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
  FreeModalFactorState(&st);
  CompleteVibrationModes(in, nS, invperm, K, M, v);
  freei1(invperm);
  freei1(perm);
}
