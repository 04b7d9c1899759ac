// Mother elements of embedded cables: the search of the element that holds every node
// of a cable, and the natural coordinates of the cable's integration points inside it.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "elements/kernel.h"
#include "elements/locate.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

constexpr int kMaxIter = 10000;
constexpr double kBoxTol = 1e-5;
constexpr double kInsideTol = 1.00001;
constexpr const char* kStepFailTail =
    "\nERROR:\nIterative process could not be completed.\nData file must be checked (element\n"
    "geometry and/or mesh connectivity).";

bool LocatesByGeneral(int type) {
  return type == _PLANE_STRESS_QUAD || type == _PLANE_STRAIN_QUAD || type == _SOLID_HEXA;
}
bool LocatesBySurface(int type) { return type == _MINDLIN_SHELL_QUAD || type == _AHMAD_SHELL_QUAD; }

double MaxAbs(const double* s, int n) {
  double m = 0.0;
  for (int j = 1; j <= n; j++) m = std::fmax(m, std::fabs(s[j]));
  return m;
}

// Natural coordinates of x in the element (General for 10, 13, 24; surface projection
// for 20 and 22, whose third coordinate, if any, stays at the mid-surface). s holds 3.
bool LocateInElement(int type, int dim, int nNodes, const char* failMsg, double* s, double** X, const double* x) {
  s[1] = s[2] = s[3] = 0.0;
  if (LocatesByGeneral(type)) return Calc_x_to_s_General(type, kMaxIter, dim, nNodes, failMsg, s, X, x);
  if (LocatesBySurface(type)) {
    double dist;
    return Calc_x_to_s_Quad(dim, kMaxIter, 2, nNodes, failMsg, &dist, s, X, x);
  }
  InternalError(__FILE__, __LINE__);
}

}  // namespace

int MotherNatDim(int motherType) {
  switch (motherType) {
    case _PLANE_STRESS_QUAD:
    case _PLANE_STRAIN_QUAD:
    case _MINDLIN_SHELL_QUAD:
      return 2;
    case _AHMAD_SHELL_QUAD:
    case _SOLID_HEXA:
      return 3;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

int EmbCableIntegrationPoints(const ElementProperty& cableProp, const NumericalIntegration* integrations) {
  if (cableProp.IntegrationNumber == 0) return 2;
  const int c1 = Integ_G_S1(integrations[cableProp.IntegrationNumber]);
  CheckIntegrationPatternComplete(1, c1, 0, 0);
  return c1;
}

void CalcElemBoundingBox(int dim, int nNodes, double** X, double* max, double* min) {
  for (int j = 1; j <= dim; j++) {
    max[j] = -1e30;
    min[j] = 1e30;
  }
  for (int k = 1; k <= nNodes; k++)
    for (int j = 1; j <= dim; j++) {
      if (X[k][j] > max[j]) max[j] = X[k][j];
      if (X[k][j] < min[j]) min[j] = X[k][j];
    }
}

bool PointsAreInsideBoundingBox(int dim, int nPoints, double** P, const double* max, const double* min) {
  for (int i = 1; i <= nPoints; i++)
    for (int j = 1; j <= dim; j++)
      if (min[j] - P[i][j] > kBoxTol || P[i][j] - max[j] > kBoxTol) return false;
  return true;
}

bool ElementIsMotherElement(int dim, int cable, int cableType, int candidate, int candidateType, int nCableNodes,
                            int nCandidateNodes, const int32_t* elemNodeCount, int32_t** elemNodes, double** Xcable,
                            double** Xcandidate, double** pointCoords) {
  (void)cableType;
  (void)elemNodeCount;
  (void)elemNodes;
  (void)pointCoords;
  if (!LocatesByGeneral(candidateType) && !LocatesBySurface(candidateType)) return false;
  char failMsg[1024];
  std::snprintf(failMsg, sizeof failMsg,
                "Finding the mother element of element n. %d (embedded cable):\n"
                "   -> Checking potential mother element: %d%s",
                cable, candidate, kStepFailTail);
  for (int i = 1; i <= nCableNodes; i++) {
    double s[4];
    if (!LocateInElement(candidateType, dim, nCandidateNodes, failMsg, s, Xcandidate, Xcable[i])) {
      std::fflush(stdout);
      std::fprintf(stderr,
                   "\nFinding the mother element of element n. %d (embedded cable):\n"
                   "   -> Checking potential mother element: %d\n",
                   cable, candidate);
      errexit(
          "Iterative process to solve the system of\nnonlinear equations did not converge.\n"
          "Data file must be checked (element\ngeometry and/or mesh connectivity).",
          0);
    }
    if (MaxAbs(s, 3) > kInsideTol) return false;
  }
  return true;
}

void CalcMotherElementEmbCable(int dim, int cable, int cableType, int nCableNodes, int* mother,
                               const MeshData* mesh, const int* propIdx, double** Xcable) {
  const char* cableMask = GetElementTypeInfo(cableType).coordMask;
  double max[4], min[4];
  *mother = 0;
  for (int e = 1; e <= mesh->nElements; e++) {
    if (propIdx[e] == 0 || e == cable) continue;
    const int type = mesh->ElemProps[propIdx[e]].ElementType;
    if (std::strcmp(GetElementTypeInfo(type).coordMask, cableMask) != 0) InternalError(__FILE__, __LINE__);
    const int n = mesh->ElemNodeCount[e];
    double** X;
    allocd2(&X, n, dim);
    CalcMat_ElemNodeCoord(e, type, n, mesh->ElemNodes, X, mesh->PointCoord);
    CalcElemBoundingBox(dim, n, X, max, min);
    bool found = false;
    if (PointsAreInsideBoundingBox(dim, nCableNodes, Xcable, max, min))
      found = ElementIsMotherElement(dim, cable, cableType, e, type, nCableNodes, n, mesh->ElemNodeCount,
                                     mesh->ElemNodes, Xcable, X, mesh->PointCoord);
    freed2(X);
    if (found) {
      *mother = e;
      return;
    }
  }
}

void CalcNatCoordMotherElementEmbCable(int cable, int mother, int slot, int motherSeq, int cableProp, int motherProp,
                                       const int32_t* elemNodeCount, int32_t** elemNodes, double** pointCoords,
                                       EmbCableMotherRecord* records, const NumericalIntegration* integrations,
                                       const ElementProperty* props) {
  const ElementProperty& cp = props[cableProp];
  const int cableType = cp.ElementType;
  const int motherType = props[motherProp].ElementType;
  const int dim = GetElementTypeInfo(cableType).spaceDim;
  const int nNat = MotherNatDim(motherType);
  const int nc = elemNodeCount[cable];
  const int nm = elemNodeCount[mother];
  double **Xc, **Xm, *N;
  allocd2(&Xc, nc, dim);
  allocd2(&Xm, nm, dim);
  allocd1(&N, nc);
  CalcMat_ElemNodeCoord(cable, cableType, nc, elemNodes, Xc, pointCoords);
  CalcMat_ElemNodeCoord(mother, motherType, nm, elemNodes, Xm, pointCoords);

  const int nIP = EmbCableIntegrationPoints(cp, integrations);
  const double *a, *w;
  GetLineIntegrationRule(cable, cp.IntegrationType, cp.IntegrationNumber, nIP, &a, &w);
  double*& out = records[motherSeq].natCoords[slot];
  allocd1(&out, nIP * nNat);

  for (int ip = 1; ip <= nIP; ip++) {
    double x[4], s[4];
    CalcShapeFuncLine(nc, a[ip], N);
    multtd2d1(x, Xc, N, dim, nc);
    char context[512];
    std::snprintf(context, sizeof context,
                  "Calculating the natural coordinates in the mother element\nof an embedded cable integration point\n"
                  "   -> Mother element: %d\n   -> Embedded cable: %d\n   -> Integration point: %d\n",
                  mother, cable, ip);
    char failMsg[1024];
    std::snprintf(failMsg, sizeof failMsg, "%s%s", context, kStepFailTail);
    const bool ok = LocateInElement(motherType, dim, nm, failMsg, s, Xm, x);
    if (!ok || MaxAbs(s, 3) > kInsideTol) {
      std::fflush(stdout);
      std::fprintf(stderr, "\n%s", context);
      if (!ok)
        errexit("The iterative process did not converge.\nData file must be checked (element geometry\n"
                "and/or mesh connectivity).",
                0);
      errexit("The solution of the iterative process corresponds\nto an integration point outside the mother "
              "element.\nData file must be checked (element geometry\nand/or mesh connectivity).",
              0);
    }
    for (int j = 1; j <= nNat; j++) out[(ip - 1) * nNat + j] = s[j];
  }
  freed1(N);
  freed2(Xm);
  freed2(Xc);
}
