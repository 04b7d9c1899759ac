// Solution with a symmetric profile store that the Gaussian elimination has reduced in
// place: row i holds the reduced row from the pivot U[i][i] to column last[i].
#include "numcore/numcore.h"

#include <cmath>

void solveprofd2(double** U, double* b, int n, const int* last) {
  if (n < 1) return;
  // Forward reduction: the multiplier of row j at step i is U[i][j]/U[i][i], read from
  // the upper row (symmetry); terms of magnitude 1e-8 or less count as zero.
  for (int i = 1; i <= n; i++) {
    const double* u = U[i];
    const double d = u[i];
    const double bi = b[i];
    for (int j = i + 1; j <= last[i]; j++)
      if (std::fabs(u[j]) > kSmall) b[j] = b[j] - (u[j] / d) * bi;
  }
  // Back substitution: every stored term is used.
  for (int i = n; i >= 1; i--) {
    const double* u = U[i];
    double s = 0.0;
    for (int j = i + 1; j <= last[i]; j++) s += u[j] * b[j];
    b[i] = (b[i] - s) / u[i];
  }
}
