// Point loads of a load case, expressed in the axes of each point's dofs, and the
// transfer of the loads of slave points to their masters.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "loads/load_kernel.h"

namespace {

void PointLoadContext(int LoadCaseNumber, int Record, int Point) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "Calculating the point load contribution to the global load vector:\n");
  std::fprintf(stderr, "   -> Load case: %d\n", LoadCaseNumber);
  std::fprintf(stderr, "   -> Block name: <POINT_LOAD>\n");
  std::fprintf(stderr, "   -> Point load counter: %d\n", Record);
  std::fprintf(stderr, "   -> Loaded point: %d\n", Point);
}

// Rotation from global axes to the coplanar axes of a point of quadrilateral shells,
// from the normals of the shells around it.
void CoplanarPointRotation(int Point, const MeshData* Mesh, const int* ElemPropIndex,
                           const PointList* PointElemAdjacency, double** T) {
  const PointList& adj = PointElemAdjacency[Point];
  int *elems, *nodes, *types;
  alloci1(&elems, adj.count);
  alloci1(&nodes, adj.count);
  alloci1(&types, Mesh->nElements);
  zeroi1(types, Mesh->nElements);
  for (int k = 1; k <= adj.count; k++) {
    const int Element = adj.items[k].element;
    elems[k] = Element;
    nodes[k] = adj.items[k].node;
    if (ElemPropIndex[Element] != 0) types[Element] = Mesh->ElemProps[ElemPropIndex[Element]].ElementType;
  }
  CalcMat_T_GCStoCCS_PointCore(Point, adj.count, elems, nodes, types, Mesh->ElemNodeCount, Mesh->ElemNodes, T,
                               Mesh->PointCoord);
  freei1(types);
  freei1(nodes);
  freei1(elems);
}

}  // namespace

void Calc_F_PointLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                      const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  int** PointDofNumbers = Work->PointDofNumbers;
  const int* ElemPropIndex = Work->ElemPropIndex;
  const int* PointCoordSys = Work->PointSpecialCS;
  char** PointDofCodes = Work->PointDofCodes;
  const char* PointTypes = Work->PointTypes;
  const PointList* PointElemAdjacency = Work->PointElemAdjacency;
  (void)OutputControl;
  if (LoadCase->nPointLoads < 1) return;
  double *L, *G, **R;
  allocd1(&L, 6);
  allocd1(&G, 6);
  allocd2(&R, 3, 3);
  for (int r = 1; r <= LoadCase->nPointLoads; r++) {
    const PointLoad& rec = LoadCase->PointLoads[r];
    const int p = rec.Point;
    if (p < 1 || p > Mesh->nPoints) {
      std::fflush(stdout);
      std::fprintf(stderr, "\nCalculating the point load contribution to the global load vector:\n");
      std::fprintf(stderr, "   -> Load case: %d\n", LoadCaseNumber);
      std::fprintf(stderr, "   -> Block name: <POINT_LOAD>\n");
      std::fprintf(stderr, "   -> Point load counter: %d\n", r);
      std::fprintf(stderr, "   -> Loaded point: %d\n", p);
      errexit("The specified point does not exist.", 0);
    }
    copyd1(L, rec.Load, 6);
    const char t = PointTypes[p];
    const int s = PointCoordSys[p];
    if (t == 'G' && s == 0) {
      copyd1(G, L, 6);
    } else if (t == 'G' && s > 0) {
      for (int i = 1; i <= 3; i++) setrowd2(R, Mesh->AuxVectors[Mesh->CoordSystems[s].AuxVector[i]].v, 3, i);
      multd2d1(G, R, L, 3, 3);
      multd2d1(G + 3, R, L + 3, 3, 3);
    } else if ((t == 'M' || t == 'A') && s == 0) {
      copyd1(G, L, 3);
      CoplanarPointRotation(p, Mesh, ElemPropIndex, PointElemAdjacency, R);
      multd2d1(G + 3, R, L + 3, 3, 3);
      if (std::fabs(G[6]) > kSmall) {
        PointLoadContext(LoadCaseNumber, r, p);
        errexit(
            "When a moment is applied to a coplanar point, the drill\ncomponent must be null.\n"
            "(Note: the drill degree of freedom is a rotation whose vector\nis normal to the coplanar elements.)\n"
            "When such a load needs to be applied to a coplanar point,\nan embedded frame beam must be added to "
            "convert the coplanar\npoint into a kink point.",
            0);
      }
    } else {
      InternalError(__FILE__, __LINE__);
    }
    for (int d = 1; d <= 6; d++) {
      const char c = PointDofCodes[p][d];
      const int m = PointDofNumbers[p][d];
      const bool finite = std::isfinite(G[d]);
      if (finite && c == 'F') {
        F_Free[m] += G[d];
      } else if (finite && c == 'P') {
        F_Presc[m] += G[d];
      } else if (!finite || std::fabs(G[d]) > kSmall) {
        PointLoadContext(LoadCaseNumber, r, p);
        std::fprintf(stderr, "   -> Degree of freedom: %s\n", DofKeywords[d]);
        std::fprintf(stderr, "   -> Load value: %18.10le\n", G[d]);
        if (!finite) errexit("The load value is not a finite number.", 0);
        errexit("The type of load is not compatible with the type\nof degree of freedom.", 0);
      }
    }
  }
  freed2(R);
  freed1(G);
  freed1(L);
}

void Calc_F_FreeMasterSlave(const MeshData* Mesh, int** PointDofNumbers, double* F, char** PointDofCodes) {
  for (int r = 1; r <= Mesh->nPointLinks; r++) {
    const InternalPointLink& link = Mesh->PointLinks[r];
    const int master = link.Master, slave = link.Slave;
    for (int d = 1; d <= 6; d++) {
      if (link.Linked[d] != 1) continue;
      if (PointDofCodes[master][d] != 'F') InternalError(__FILE__, __LINE__);
      if (PointDofCodes[slave][d] != 'F') InternalError(__FILE__, __LINE__);
      const int m = PointDofNumbers[master][d], s = PointDofNumbers[slave][d];
      F[m] = F[m] + F[s];
      F[s] = 0.0;
    }
  }
}

void Calc_a_FreeMasterSlave(const MeshData* mesh, int** PointDofNumbers, double* aF, char** PointDofCodes) {
  for (int k = 1; k <= mesh->nPointLinks; k++) {
    const InternalPointLink& link = mesh->PointLinks[k];
    for (int d = 1; d <= 6; d++) {
      if (link.Linked[d] != 1) continue;
      if (PointDofCodes[link.Master][d] != 'F' || PointDofCodes[link.Slave][d] != 'F')
        InternalError(__FILE__, __LINE__);
      aF[PointDofNumbers[link.Slave][d]] = aF[PointDofNumbers[link.Master][d]];
    }
  }
}
