// Optional prints of element matrices, switched on by their output-control flag.
#include <cstdio>

#include "elements/kernel.h"
#include "numcore/numcore.h"

namespace {

// Comma-separated rows without row or column numbers, each value as "%18.10le".
void PrintMatCSV(double** A, int n) { printd2(A, n, n, stdout, "CSV", "NoNumbers", "", 1, 'E', 18, 10); }

void PrintElementMat(const char* title, int n, int elem, int typeCode, double** A) {
  std::printf("\n");
  std::printf(title, GetElementTypeInfo(typeCode).keyword);
  std::printf("Element n. %d\n", elem);
  if (n >= 1) PrintMatCSV(A, n);
}

}  // namespace

void PrintElementStiffMat(int n, int elem, int typeCode, char printFlag, double** K) {
  if (printFlag != 'Y') return;
  PrintElementMat("Stiffness matrix Kg (%s):\n", n, elem, typeCode, K);
}

void PrintElementMassMat(int n, int elem, int typeCode, char printFlag, double** M) {
  if (printFlag != 'Y') return;
  PrintElementMat("Mass matrix Mg (%s):\n", n, elem, typeCode, M);
}

void PrintElementTMat(int n, int elem, int typeCode, char printFlag, double** T) {
  if (printFlag != 'Y') return;
  std::printf("\n");
  std::printf("Transformation matrix T");
  if (typeCode != 0) std::printf(" (%s)", GetElementTypeInfo(typeCode).keyword);
  std::printf(":\n");
  std::printf("Element n. %d\n", elem);
  if (n >= 1) PrintMatCSV(T, n);
}
