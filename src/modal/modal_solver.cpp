// Factor-and-solve of the symmetric matrices of the modal analysis: the profile Gaussian
// elimination of every driver, or the conjugate gradient preconditioned with the incomplete Cholesky
// factor (the Jacobi factor when that fails).
#include <cmath>
#include <cstdio>

#include "modal/vibration_modes.h"
#include "numcore/numcore.h"
#include "numcore/profile.h"
#include "numcore/sparse.h"

namespace {

// No column of the leading n rows may lie beyond n: those rows form the problem alone.
void CheckLeadingRows(const int* Acount, int** Acol, int n) {
  for (int i = 1; i <= n; i++) {
    if (Acount[i] < 1 || Acol[i][1] != i) InternalError(__FILE__, __LINE__);
    if (Acol[i][Acount[i]] > n) InternalError(__FILE__, __LINE__);
  }
}

// U = diag(sqrt(A_ii)); false when a diagonal is below 1e-8.
bool JacobiFactor(double** Aval, int n, ModalSolver* s) {
  for (int i = 1; i <= n; i++) {
    if (!(Aval[i][1] >= kSmall)) return false;
    freei1(s->Ucol[i]);
    freed1(s->Uval[i]);
    alloci1(&s->Ucol[i], 1);
    allocd1(&s->Uval[i], 1);
    s->Ucol[i][1] = i;
    s->Uval[i][1] = std::sqrt(Aval[i][1]);
    s->Ucount[i] = 1;
  }
  return true;
}

}  // namespace

int ModalSolverPathOf(int LinEqAlgorithm) {
  switch (LinEqAlgorithm) {
    case 1:
      return kModalProfile;
    case 2:
    case 3:
      return kModalIterative;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

int FactorModalMatrix(int path, double tol, const int* Acount, int** Acol, double** Aval, int n, ModalSolver* s) {
  FreeModalSolver(s);
  CheckLeadingRows(Acount, Acol, n);
  s->n = n;
  s->tol = tol;
  switch (path) {
    case kModalProfile: {
      s->path = kModalProfile;
      // The profile store in the order every driver's store takes (profile.h).
      alloci1(&s->last, n);
      int* order;
      alloci1(&order, n);
      ChooseProfileOrder(n, Acount, Acol, order);
      OrderedProfileEnds(n, Acount, Acol, order, s->last);
      AllocOrderedProfile(&s->P, n, s->last, order);
      CopyRowsToOrderedProfile(s->P, n, Acount, Acol, Aval);
      freei1(order);
      return N6_NZmat_gauss_elim_quiet(s->last, s->P, n) ? kModalFactorOk : kModalFactorSingular;
    }
    case kModalIterative: {
      s->path = kModalIterative;
      s->Acount = Acount;
      s->Acol = Acol;
      s->Aval = Aval;
      N6_NZmat_alloc_empty(&s->Ucount, &s->Ucol, &s->Uval, n);
      int failrow;
      double failpivot;
      if (N6_NZmat_icf(s->Ucount, s->Ucol, s->Uval, Acount, Acol, Aval, n, 0.0, 'N', 0.0, &failrow, &failpivot))
        return kModalFactorOk;
      std::printf("ICF Preconditioner failed.\n");
      std::printf("Changing to Jacobi proconditioner.\n");
      return JacobiFactor(Aval, n, s) ? kModalFactorOk : kModalFactorNullDiagonal;
    }
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void FactorModalMatrixOrStop(int path, double tol, const int* Acount, int** Acol, double** Aval, int n,
                             const char* singular, const char* nullDiagonal, ModalSolver* s) {
  switch (FactorModalMatrix(path, tol, Acount, Acol, Aval, n, s)) {
    case kModalFactorOk:
      return;
    case kModalFactorSingular:
      errexit(singular, 0);
    case kModalFactorNullDiagonal:
      errexit(nullDiagonal, 0);
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void SolveModalMatrix(const ModalSolver* s, double* x, const double* b) {
  switch (s->path) {
    case kModalProfile:
      N6_NZmat_gauss_solve(s->last, s->P, x, b, s->n);
      return;
    case kModalIterative: {
      int its;
      if (!N6_NZmat_pcg_solve(s->Acount, s->Acol, s->Aval, s->Ucount, s->Ucol, s->Uval, x, b, s->n, s->tol, &its))
        errexit("The preconditioned conjugate gradient failed:\nthe linear system could not be solved.", 0);
      return;
    }
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void ModalMatrixProduct(const ModalSolver* s, double* y, const double* x) {
  switch (s->path) {
    case kModalProfile:
      N6_NZmat_factored_y_equals_A_x(y, s->last, s->P, x, s->n);
      return;
    case kModalIterative:
      N6_NZSymmat_y_equals_A_x(y, s->Acount, s->Acol, s->Aval, x, s->n);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void FreeModalSolver(ModalSolver* s) {
  if (s->path == kModalProfile) {
    freeprofd2(s->P, s->n);
    freei1(s->last);
  } else if (s->path == kModalIterative) {
    N6_NZmat_free(s->Ucount, s->Ucol, s->Uval, s->n);
  }
  *s = ModalSolver{};
}
