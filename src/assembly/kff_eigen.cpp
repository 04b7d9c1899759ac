// Eigenvalues and eigenvectors of KFF for diagnosing a stiffness matrix (for instance
// one close to singular): a dense symmetric copy solved by the Jacobi method and written
// to <job>_KFF_ev.bin.
#include <cstdio>

#include "assembly/assembly.h"
#include "model/fileio.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void CalcEigenValue_KFF(int nF, const char* job, const MeshData* mesh, const int* count, int** cols, double** vals) {
  double **A, **V, *lambda;
  allocd2(&A, nF, nF);
  allocd2(&V, nF, nF);
  allocd1(&lambda, nF);
  zerod2(A, nF, nF);
  // Symmetric copy of the upper-triangle rows.
  for (int i = 1; i <= nF; i++)
    for (int k = 1; k <= count[i]; k++) {
      const int j = cols[i][k];
      if (j < i) continue;
      A[i][j] = vals[i][k];
      A[j][i] = vals[i][k];
    }
  std::printf("\nCalculating the eigen values and eigen vectors of the matrix KFF\n");
  if (mesh->Main.EigenValueTechnique != 1) InternalError(__FILE__, __LINE__);
  int nrot;
  double offmax;
  int m = nF;
  if (!eigjacobi(A, nF, lambda, V, &nrot, &offmax)) {
    warnmsg("Unable to calculate the eigen values and eigen\nvectors of the matrix KFF.", 0);
    m = 0;
  }
  FILE* fp;
  OpenFile(&fp, job, "_KFF_ev.bin", "wb", 'Y');
  WriteTag("<KFF_EIGEN_VALUES_VECTORS>", fp);
  WriteInt32(fp, m);
  if (m > 0) {
    WriteDoubles(fp, lambda, m);
    for (int i = 1; i <= m; i++) WriteDoubles(fp, V[i], nF);
  }
  WriteTag("</KFF_EIGEN_VALUES_VECTORS>", fp);
  CloseFile(fp);
  freed1(lambda);
  freed2(V);
  freed2(A);
}
