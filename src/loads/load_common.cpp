// Checks and services shared by the element-load routines: nodal intensities, kinds of
// generalized force and direction (and their forms for edge-load records), load
// components an element cannot carry, Jacobian checks, the location of a load point
// inside an element and the coplanar axes of shell nodes.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/locate.h"
#include "loads/load_kernel.h"
#include "model/outputcontrol.h"

namespace {

constexpr double kInsideBound = 1.00001;
constexpr int kMaxIterations = 10000;

const char* const kComponentLabels[7] = {"",
                                         "   -> Load component: force - XG1",
                                         "   -> Load component: force - XG2",
                                         "   -> Load component: force - XG3",
                                         "   -> Load component: moment - XG1",
                                         "   -> Load component: moment - XG2",
                                         "   -> Load component: moment - XG3"};

}  // namespace

const char* const kDrillMomentMessage =
    "When a moment is applied to a coplanar point, the drill\ncomponent must be null.\n(Note: the drill degree of "
    "freedom is a rotation whose vector\nis normal to the coplanar elements.)\nWhen such a load needs to be applied "
    "to a coplanar point,\nan embedded frame beam must be added to convert the coplanar\npoint into a kink point.";

bool SpreadNodalValues(int valueCount, const double* values, int n, double* q) {
  if (valueCount == 1) {
    for (int k = 1; k <= n; k++) q[k] = values[1];
    return true;
  }
  if (valueCount == n && n > 0) {
    for (int k = 1; k <= n; k++) q[k] = values[k];
    return true;
  }
  return false;
}

void LoadNodalValues(const LoadReportContext& c, int valueCount, const double* values, int m, const char* what,
                     double* q) {
  if (SpreadNodalValues(valueCount, values, m, q)) return;
  char line[192], msg[128];
  std::snprintf(line, sizeof line, "   -> Number of load values: %d\n   -> Number of nodes of the loaded %s: %d\n",
                valueCount, what, m);
  std::snprintf(msg, sizeof msg, "The number of load values must be 1 or the number of nodes of the loaded %s.", what);
  RefuseLoad(c, line, msg);
}

void RefuseLoadOnElementType(const LoadReportContext& c) {
  RefuseLoad(c, nullptr, "This type of element does not take this type of load.");
}

int LoadForceOffset(const LoadReportContext& c, char forceKind, bool forcesOnly) {
  if (forceKind == 1) return 0;
  if (forceKind == 2 && !forcesOnly) return 3;
  char line[96];
  if (forceKind == 2)
    std::snprintf(line, sizeof line, "   -> Type of generalized force: _MOM (Moment)\n");
  else
    std::snprintf(line, sizeof line, "   -> Type of generalized force: %d\n", forceKind);
  RefuseLoad(c, line, "The specified type of generalized force is not valid.");
}

void LoadGlobalDirection(const LoadReportContext& c, char kind, int code, const MeshData* Mesh, double* g) {
  if (kind == 'G') {
    if (code < 1 || code > 3) RefuseLoadDirection(c, kind, code);
    for (int j = 1; j <= 3; j++) g[j] = j == code ? 1.0 : 0.0;
    return;
  }
  if (kind == 'S') {
    if (code < 1 || code > Mesh->nAuxVectors) {
      char line[96];
      std::snprintf(line, sizeof line, "   -> Specified auxiliary vector: %d\n", code);
      RefuseLoad(c, line, "The specified auxiliary vector does not exist.");
    }
    copyd1(g, Mesh->AuxVectors[code].v, 3);
    return;
  }
  RefuseLoadDirection(c, kind, code);
}

void SurfaceLoadDirection(const LoadReportContext& c, char kind, int code, int Element, int TypeForT, int nNodes,
                          char PrintT, const double* s, double** X3, const MeshData* Mesh, double** T, double* d) {
  if (kind == 'E') {
    CalcMat_T_ElemNormal(Element, TypeForT, nNodes, PrintT, s, T, X3);
    getrowd2(d, T, 3, code);
  } else {
    LoadGlobalDirection(c, kind, code, Mesh, d);
  }
}

double LoadLineJacobianNorm(const LoadReportContext& c, int n, int d, double s, double** X, double* dN, double* tan) {
  CalcShapeFuncDerivLine(n, s, dN);
  multtd2d1(tan, X, dN, d, n);
  const double norm = normd1(tan, d);
  if (!(norm >= kSmall))
    RefuseLoad(c, nullptr, "Jacobian norm is null:\nelement geometry and/or mesh connectivity must be changed.");
  return norm;
}

double BeamLoadPoint(const LoadReportContext& c, int Element, int n, double s, const double* angle, double** X,
                     const char* OutputControl, double* N, double* dN, double* tan, double** T) {
  CalcShapeFuncLine(n, s, N);
  const double J = LoadLineJacobianNorm(c, n, 3, s, X, dN, tan);
  CalcMat_T_TimoshenkoBeam3D(Element, n, s, dotd1(N, angle, n), OutputControl[OC_PRINT_MAT_T_TIMOSHENKO_BEAM_3D], T,
                             X);
  return J;
}

double SurfaceAreaFactor(double** J) {
  double g1[4], g2[4], nv[4];
  getcold2(g1, J, 3, 1);
  getcold2(g2, J, 3, 2);
  crossd1(nv, g1, g2);
  return normd1(nv, 3);
}

void RefuseLoadDirection(const LoadReportContext& c, char kind, int code) {
  const unsigned char k = static_cast<unsigned char>(kind);
  char line[160];
  if (k >= 32 && k < 127)
    std::snprintf(line, sizeof line, "   -> Type of direction: %c\n   -> Direction code: %d\n", k, code);
  else
    std::snprintf(line, sizeof line, "   -> Type of direction: character code %d\n   -> Direction code: %d\n", k, code);
  RefuseLoad(c, line, "The specified direction is not valid for this type of element.");
}

void CheckLoadComponents(const char* block, const char* counterFormat, int LoadCaseNumber, int Record, int Element,
                         int ElementType, const double* load) {
  const ElementTypeRow& t = GetElementTypeInfo(ElementType);
  for (int d = 1; d <= 6; d++) {
    if (t.dofMask[d] == '1' || std::fabs(load[d]) <= kSmall) continue;
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "Verifying the %s block\n", block);
    std::fprintf(stderr, "   -> Load case: %d\n", LoadCaseNumber);
    std::fprintf(stderr, counterFormat, Record);
    std::fprintf(stderr, "   -> Element: %d\n", Element);
    std::fprintf(stderr, "   -> Element type: %s\n", t.keyword);
    std::fprintf(stderr, "%s\n", kComponentLabels[d]);
    errexit("In this type of element the specified load component must be null.", 0);
  }
}

double LoadJacobianInverse(const LoadReportContext& c, int m, double** J, double** Jinv, bool tabbed) {
  if (m != 2 && m != 3) InternalError(__FILE__, __LINE__);
  const double det = detd2(J, m);
  CheckLoadDeterminant(c, det, m, J, tabbed);
  if (Jinv == nullptr) return det;
  double buf[4][4];
  double* W[4] = {nullptr, buf[1], buf[2], buf[3]};
  copyd2(W, J, m, m);
  if (!invertd2(Jinv, W, m))
    RefuseLoad(c, nullptr,
               tabbed ? "Unable to invert the Jacobian matrix:\n\telement geometry and/or mesh connectivity must be "
                        "changed."
                      : "Unable to invert the Jacobian matrix:\nelement geometry and/or mesh connectivity must be "
                        "changed.");
  return det;
}

void CheckLoadDeterminant(const LoadReportContext& c, double det, int m, double** J, bool tabbed) {
  if (JacobianIsNull(det, m, m, J))
    RefuseLoad(c, nullptr,
               tabbed ? "Jacobian determinant is null:\n\telement geometry and/or mesh connectivity must be changed."
                      : "Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed.");
  if (det < 0.0)
    RefuseLoad(c, nullptr,
               tabbed
                   ? "Jacobian determinant is negative:\n\telement geometry and/or mesh connectivity must be changed."
                   : "Jacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed.");
}

void InverseMappingFailureText(const LoadReportContext& c, char* buf) {
  char counter[96];
  std::snprintf(counter, sizeof counter, c.counterFormat, c.counter);
  std::snprintf(buf, 512,
                "%s   -> Load case: %d\n   -> Block name: %s\n%s\nERROR:\nIterative process could not be completed.\n"
                "Data file must be checked (mesh geometry and/or\nlocation of the internal point load).",
                c.heading, c.loadCase, c.block, counter);
}

void LocateLoadPoint(const LoadReportContext& c, const char* failText, int point, int ElementType, int Element,
                     int nNodes, const MeshData* Mesh, bool lineMessage, double* s, double* N) {
  const ElementTypeRow& t = GetElementTypeInfo(ElementType);
  char line[96];
  if (point < 1 || point > Mesh->nPoints) {
    std::snprintf(line, sizeof line, "   -> Specified auxiliary point with the load: %d\n", point);
    RefuseLoad(c, line, "The specified auxiliary point does not exist.");
  }
  double x[4];
  int d = 0;
  for (int j = 1; j <= 3; j++)
    if (t.coordMask[j] == '1') x[++d] = Mesh->PointCoord[point][j];
  double** X;
  allocd2(&X, nNodes, d);
  CalcMat_ElemNodeCoord(Element, ElementType, nNodes, Mesh->ElemNodes, X, Mesh->PointCoord);
  bool converged;
  bool onSurface = true;
  int nNat;
  switch (ElementType) {
    case _TIMOSHENKO_BEAM_3D: {
      double s1 = 0.0, dist = 0.0;
      converged = Calc_x_to_s_Line(3, kMaxIterations, nNodes, &s1, &dist, failText, X, x);
      s[1] = s1;
      nNat = 1;
      onSurface = dist <= kSmall;
      break;
    }
    case _MINDLIN_SHELL_QUAD:
    case _AHMAD_SHELL_QUAD: {
      double dist = 0.0;
      converged = Calc_x_to_s_Quad(3, kMaxIterations, 2, nNodes, failText, &dist, s, X, x);
      nNat = 2;
      onSurface = dist <= kSmall;
      break;
    }
    case _PLANE_STRESS_QUAD:
    case _PLANE_STRAIN_QUAD:
    case _MINDLIN_SLAB_QUAD:
      converged = Calc_x_to_s_General(ElementType, kMaxIterations, 2, nNodes, failText, s, X, x);
      nNat = 2;
      break;
    case _SOLID_HEXA:
      converged = Calc_x_to_s_General(ElementType, kMaxIterations, 3, nNodes, failText, s, X, x);
      nNat = 3;
      break;
    default: InternalError(__FILE__, __LINE__);
  }
  freed2(X);
  if (!converged) {
    std::snprintf(line, sizeof line, "   -> Auxiliary point with the load: %d\n", point);
    RefuseLoad(c, line,
               lineMessage ? "Iterative process to solve a\nnonlinear equation did not converge.\nData file must be "
                             "checked (mesh geometry and/or\nlocation of the internal point load)."
                           : "Iterative process to solve the system of\nnonlinear equations did not converge.\nData "
                             "file must be checked (mesh geometry and/or\nlocation of the internal point load).");
  }
  bool inside = onSurface;
  for (int i = 1; i <= nNat; i++)
    if (!(std::fabs(s[i]) <= kInsideBound)) inside = false;
  if (!inside) {
    std::snprintf(line, sizeof line, "   -> Specified auxiliary point with the load: %d\n", point);
    RefuseLoad(c, line, "The specified auxiliary point is not inside the element.");
  }
  switch (nNat) {
    case 1: CalcShapeFuncLine(nNodes, s[1], N); break;
    case 2: CalcShapeFuncQuad(nNodes, N, s); break;
    default: CalcShapeFuncSolidHexa(nNodes, N, s); break;
  }
}

void ShellCoplanarRotation(int Element, int ElementType, int nNodes, int node, const char* OutputControl,
                           const MeshData* Mesh, const int* ElemPropIndex, const PointList* PointElemAdjacency,
                           double** T) {
  if (ElementType == _MINDLIN_SHELL_QUAD) {
    double** X;
    allocd2(&X, nNodes, 3);
    CalcMat_ElemNodeCoordXYZ(Element, nNodes, Mesh->ElemNodes, X, Mesh->PointCoord);
    const double s[3] = {0.0, 0.0, 0.0};
    CalcMat_T_ElemNormal(Element, _MINDLIN_SHELL_QUAD, nNodes, OutputControl[OC_PRINT_MAT_T_QUAD], s, T, X);
    freed2(X);
    return;
  }
  if (ElementType == _AHMAD_SHELL_QUAD) {
    CalcMat_T_GCStoCCS_Point(Mesh->ElemNodes[Element][node], OutputControl, ElemPropIndex, Mesh->ElemNodeCount,
                             Mesh->ElemNodes, T, Mesh->PointCoord, PointElemAdjacency, Mesh->ElemProps);
    return;
  }
  InternalError(__FILE__, __LINE__);
}

void CarryAuxPointLoads(const LoadReportContext& c, int nAux, const int* auxPoints, const double* Fa, int ElementType,
                        int Element, int nNodes, const char* OutputControl, const MeshData* Mesh,
                        const int* ElemPropIndex, const char* PointTypes, const PointList* PointElemAdjacency,
                        double* Fe) {
  const char* mask = GetElementTypeInfo(ElementType).dofMask;
  const bool shell = ElementType == _MINDLIN_SHELL_QUAD || ElementType == _AHMAD_SHELL_QUAD;
  char failText[512], line[96];
  InverseMappingFailureText(c, failText);
  double s[4], m[4], mp[4], *N, **T;
  allocd1(&N, nNodes);
  allocd2(&T, 3, 3);
  for (int k = 1; k <= nAux; k++) {
    const int p = auxPoints[k];
    const double* f = Fa + 6 * (k - 1);  // f[1..6]
    LocateLoadPoint(c, failText, p, ElementType, Element, nNodes, Mesh, false, s, N);
    for (int j = 1; j <= nNodes; j++) {
      double* node = Fe + 6 * (j - 1);
      const bool coplanar = shell && PointTypes[Mesh->ElemNodes[Element][j]] != 'G';
      for (int d = 1; d <= 6; d++)
        if (mask[d] == '1' && !(coplanar && d > 3)) node[d] += N[j] * f[d];
      if (!coplanar) continue;
      // The share of a coplanar node: its moments in the point's coplanar axes.
      for (int d = 1; d <= 3; d++) m[d] = N[j] * f[3 + d];
      ShellCoplanarRotation(Element, ElementType, nNodes, j, OutputControl, Mesh, ElemPropIndex, PointElemAdjacency, T);
      multd2d1(mp, T, m, 3, 3);
      if (std::fabs(mp[3]) > kSmall) {
        std::snprintf(line, sizeof line, "   -> Auxiliary point with the load: %d\n", p);
        RefuseLoad(c, line, kDrillMomentMessage);
      }
      for (int d = 1; d <= 3; d++) node[3 + d] += mp[d];
    }
  }
  freed2(T);
  freed1(N);
}

// ---- checks of edge-load records ---------------------------------------------------------

void EdgeLoadIntensities(const LoadReportContext& c, const EdgeLoad& rec, int m, double* q) {
  LoadNodalValues(c, rec.ValueCount, rec.Values, m, "line", q);
}

int EdgeLoadForceOffset(const LoadReportContext& c, const EdgeLoad& rec, bool forcesOnly) {
  return LoadForceOffset(c, rec.ForceKind, forcesOnly);
}

void EdgeLoadGlobalDirection(const LoadReportContext& c, const EdgeLoad& rec, const MeshData* Mesh, double* g) {
  LoadGlobalDirection(c, rec.DirKind, rec.DirCode, Mesh, g);
}

void RefuseEdgeLoadDirection(const LoadReportContext& c, const EdgeLoad& rec) {
  RefuseLoadDirection(c, rec.DirKind, rec.DirCode);
}
