// Rotation of an element load vector into the special coordinate systems of its points
// and its assembly into the free and prescribed parts of the global load vector.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "loads/load_kernel.h"

void AssembElementLoadVector(int BlockIndex, int Counter, int Element, int ElementType, int LoadCaseNumber, int nNodes,
                             const char* LoadTypeWord, const MeshData* Mesh, int** PointDofNumbers, double* F_Free,
                             double* F_Presc, const double* Fe, char** PointDofCodes) {
  if (BlockIndex < 0 || BlockIndex > 16) InternalError(__FILE__, __LINE__);
  int k = 0;
  for (int i = 1; i <= nNodes; i++) {
    const int p = Mesh->ElemNodes[Element][i];
    for (int d = 1; d <= 6; d++) {
      k++;
      const double v = Fe[k];
      const char c = PointDofCodes[p][d];
      const bool finite = std::isfinite(v);
      // Every term of a dof the point has counts, however small in the units of the model;
      // on a dof it does not have, a term below 1e-8 is the rounding of a turn into axes.
      if (finite && c == 'F') {
        F_Free[PointDofNumbers[p][d]] += v;
        continue;
      }
      if (finite && c == 'P') {
        F_Presc[PointDofNumbers[p][d]] += v;
        continue;
      }
      if (std::fabs(v) < kSmall) continue;
      char heading[512];
      std::snprintf(heading, sizeof heading, "Calculating the %s load contribution to the global load vector:\n",
                    LoadTypeWord);
      std::fflush(stdout);
      std::fprintf(stderr, "\n");
      std::fprintf(stderr, "%s", heading);
      std::fprintf(stderr, "   -> Load case: %d\n", LoadCaseNumber);
      std::fprintf(stderr, "   -> Block name: %s\n", LoadBlockKeywords[BlockIndex]);
      if (Counter > 0) std::fprintf(stderr, "   -> Counter: %d\n", Counter);
      std::fprintf(stderr, "   -> Element: %d\n", Element);
      std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(ElementType).keyword);
      std::fprintf(stderr, "   -> Degree of freedom: %s\n", DofKeywords[d]);
      if (!finite) {
        std::fprintf(stderr, "   -> Load value: %18.10le\n", v);
        errexit("The load value is not a finite number.", 0);
      }
      errexit("The type of load is not compatible with the type\nof degree of freedom.", 0);
    }
  }
}

void RotateNodalLoadsSpecialCoordSys(int Element, int nNodes, const int* PointCoordSys, int** ElemNodes, double* Fe,
                                     const AuxiliaryVector* AuxVectors, const CoordinateSystem* CoordSystems) {
  double *t, **R;
  allocd1(&t, 6);
  allocd2(&R, 6, 6);
  for (int i = 1; i <= nNodes; i++) {
    const int p = ElemNodes[Element][i];
    const int s = PointCoordSys[p];
    if (s == 0) continue;
    zerod2(R, 6, 6);
    for (int r = 1; r <= 3; r++) {
      const double* v = AuxVectors[CoordSystems[s].AuxVector[r]].v;
      for (int c = 1; c <= 3; c++) R[r][c] = R[r + 3][c + 3] = v[c];
    }
    double* node = Fe + 6 * (i - 1);  // node[1..6]
    copyd1(t, node, 6);
    multd2d1(node, R, t, 6, 6);
  }
  freed2(R);
  freed1(t);
}

void AddElementLoadVector(int BlockIndex, int Counter, int Element, int ElementType, int LoadCaseNumber, int nNodes,
                          const char* LoadTypeWord, const MeshData* Mesh, const MainWorkArrays* Work, double* Fe,
                          double* F_Free, double* F_Presc) {
  if (Work->ElemHasSpecialCSNode[Element])
    RotateNodalLoadsSpecialCoordSys(Element, nNodes, Work->PointSpecialCS, Mesh->ElemNodes, Fe, Mesh->AuxVectors,
                                    Mesh->CoordSystems);
  AssembElementLoadVector(BlockIndex, Counter, Element, ElementType, LoadCaseNumber, nNodes, LoadTypeWord, Mesh,
                          Work->PointDofNumbers, F_Free, F_Presc, Fe, Work->PointDofCodes);
}
