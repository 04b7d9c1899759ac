// Degree-of-freedom codes and equation numbers of the points, and the point
// displacements from the solved free and prescribed vectors.
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "assembly/topology.h"
#include "elements/kernel.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void CalcPointDofCodes(int phase, const MeshData* mesh, const int* ElemPropIndex, char** PointDofCodes) {
  MarkElementDofs(mesh, ElemPropIndex, PointDofCodes);
  MarkPrescribedDofs(phase, mesh->nSupports, mesh->Supports, PointDofCodes);
}

void MarkElementDofs(const MeshData* mesh, const int* ElemPropIndex, char** PointDofCodes) {
  zeroc2(PointDofCodes, mesh->nPoints, 6);
  for (int e = 1; e <= mesh->nElements; e++) {
    if (ElemPropIndex[e] == 0) continue;
    const char* mask = GetElementTypeInfo(mesh->ElemProps[ElemPropIndex[e]].ElementType).dofMask;
    for (int k = 1; k <= mesh->ElemNodeCount[e]; k++) {
      char* codes = PointDofCodes[mesh->ElemNodes[e][k]];
      for (int d = 1; d <= 6; d++)
        if (mask[d] == '1') codes[d] = 'F';
    }
  }
}

void MarkPrescribedDofs(int phase, int n, const Support* records, char** PointDofCodes) {
  for (int r = 1; r <= n; r++) {
    const Support& s = records[r];
    if (s.FirstPhase > phase || phase > s.LastPhase) continue;
    for (int d = 1; d <= 6; d++)
      if (s.Fixity[d] == 1) PointDofCodes[s.Point][d] = 'P';
  }
}

void NumberFreeDofs(const MeshData* mesh, char** PointDofCodes, int** PointDofNumbers, int* nF, int* nP) {
  const int np = mesh->nPoints;
  zeroi2(PointDofNumbers, np, 6);
  int f = 0, q = 0;
  for (int p = 1; p <= np; p++)
    for (int d = 1; d <= 6; d++)
      if (PointDofCodes[p][d] == 'F') PointDofNumbers[p][d] = ++f;
  for (int p = 1; p <= np; p++)
    for (int d = 1; d <= 6; d++)
      if (PointDofCodes[p][d] == 'P') PointDofNumbers[p][d] = ++q;
  *nF = f;
  *nP = q;
}

namespace {

// y = R^T x (3 x 3).
void RotateBack(double** R, const double* x, double* y) {
  for (int j = 1; j <= 3; j++) y[j] = R[1][j] * x[1] + R[2][j] * x[2] + R[3][j] * x[3];
}

}  // namespace

void CalcPointDispl(int flag, const MeshData* mesh, char** PointDofCodes, int** PointDofNumbers, const double* aF,
                    const double* aP, const int* PointSpecialCS, const char* PointTypes, const int* ElemPropIndex,
                    const PointList* adjacency, double** U) {
  if (flag != 0 && flag != 1) InternalError(__FILE__, __LINE__);
  double** R;
  allocd2(&R, 3, 3);
  int* typeOf = nullptr;  // element type per element, built at the first coplanar point
  for (int p = 1; p <= mesh->nPoints; p++) {
    double v[7];
    for (int d = 1; d <= 6; d++) {
      const int num = PointDofNumbers[p][d];
      switch (PointDofCodes[p][d]) {
        case 'F': v[d] = aF[num]; break;
        case 'P': v[d] = aP[num]; break;
        case 0: v[d] = 0.0; break;
        default: InternalError(__FILE__, __LINE__);
      }
    }
    double* u = U[p];
    const char type = PointTypes[p];
    if (flag == 0 || (type == kPointGeneral && PointSpecialCS[p] == 0)) {
      for (int d = 1; d <= 6; d++) u[d] = v[d];
    } else if (type == kPointGeneral) {
      CalcMat_R_CoordSystem(mesh, PointSpecialCS[p], R);
      RotateBack(R, &v[0], &u[0]);
      RotateBack(R, &v[3], &u[3]);
    } else if (type == kPointMindlin || type == kPointAhmad) {
      if (PointSpecialCS[p] != 0 || std::fabs(v[6]) > kSmall) InternalError(__FILE__, __LINE__);
      if (typeOf == nullptr) {
        alloci1(&typeOf, mesh->nElements);
        for (int e = 1; e <= mesh->nElements; e++)
          typeOf[e] = ElemPropIndex[e] == 0 ? 0 : mesh->ElemProps[ElemPropIndex[e]].ElementType;
      }
      const PointList& adj = adjacency[p];
      int *elems, *nodes;
      alloci1(&elems, adj.count);
      alloci1(&nodes, adj.count);
      for (int i = 1; i <= adj.count; i++) {
        elems[i] = adj.items[i].element;
        nodes[i] = adj.items[i].node;
      }
      CalcMat_T_GCStoCCS_PointCore(p, adj.count, elems, nodes, typeOf, mesh->ElemNodeCount, mesh->ElemNodes, R,
                                   mesh->PointCoord);
      freei1(nodes);
      freei1(elems);
      for (int d = 1; d <= 3; d++) u[d] = v[d];
      RotateBack(R, &v[3], &u[3]);
    } else {
      InternalError(__FILE__, __LINE__);
    }
  }
  if (typeOf != nullptr) freei1(typeOf);
  freed2(R);
}

void CheckPointLinkDofs(const MeshData* mesh, char** PointDofCodes) {
  for (int k = 1; k <= mesh->nPointLinks; k++) {
    const InternalPointLink& l = mesh->PointLinks[k];
    for (int d = 1; d <= 6; d++) {
      if (l.Linked[d] != 1) continue;
      const int pts[2] = {l.Master, l.Slave};
      const char* roles[2] = {"   -> Point M (Master): %d\n", "   -> Point S (Slave): %d\n"};
      for (int s = 0; s < 2; s++) {
        if (PointDofCodes[pts[s]][d] == 'F') continue;
        std::fflush(stdout);
        std::fprintf(stderr,
                     "\nCalculating the Master/Slave tables:\n   -> Block name: <INTERNAL_POINT_LINKS>\n"
                     "   -> Internal point link counter: %d\n",
                     k);
        std::fprintf(stderr, roles[s], pts[s]);
        std::fprintf(stderr, "   -> Degree of freedom: %s\n", kDofNames[d]);
        errexit("The degrees of freedom involved in internal point links\nmust have stiffness contribution from "
                "at least one element and\nmust be nonprescribed.",
                0);
      }
    }
  }
}
