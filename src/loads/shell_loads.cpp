// Edge and gravity loads of the Mindlin slab, the Mindlin shell and the Ahmad shell:
// equivalent nodal forces by integration with the load case's rule.
#include "loads/shell_loads.h"

#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

const char* IntTypeKeyword(int t) {
  switch (t) {
    case 0: return "_NONE";
    case 1: return "_GLEG";
    case 2: return "_GLOB";
    case 3: return "_NCOTES";
    default: return "(unknown)";
  }
}

// ---- edge loads ---------------------------------------------------------------------

struct EdgeCtx {
  int loadCase;
  int record;
  int elem;
  int typeCode;
};

void EdgeHead(const EdgeCtx& c) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "Calculating the edge load contribution to the global load vector:\n");
  std::fprintf(stderr, "   -> Load case: %d\n", c.loadCase);
  std::fprintf(stderr, "   -> Block name: <EDGE_LOAD>\n");
}

// Context with the record counter, the element and its type, then one optional detail line.
[[noreturn]] void EdgeFault(const EdgeCtx& c, const char* detail, const char* msg) {
  EdgeHead(c);
  std::fprintf(stderr, "   -> Edge load counter: %d\n", c.record);
  std::fprintf(stderr, "   -> Element: %d\n", c.elem);
  std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(c.typeCode).keyword);
  if (detail != nullptr) std::fprintf(stderr, "%s", detail);
  errexit(msg, 0);
}

// Rule of a load case along one natural coordinate: p points (3 without a pattern).
// A missing count, a type without rules or a count outside the table stops the run.
template <typename Fault>
void LoadRule(const LoadCaseParameters* P, const NumericalIntegration* integ, int dirs, int* p, const double** a,
              const double** w, Fault fault) {
  char line[700];
  if (P->IntegrationName == 0) {
    for (int d = 1; d <= dirs; d++) p[d] = 3;
  } else {
    const NumericalIntegration& r = integ[P->IntegrationName];
    bool missing = false;
    for (int d = 1; d <= dirs; d++) {
      p[d] = IntegPoints(r, 'G', d);
      if (p[d] == 0) missing = true;
    }
    if (missing) {
      std::snprintf(line, sizeof line, "   -> Specified integration name: %s\n", r.Name);
      const char* msg = dirs == 1   ? "Integration pattern is incomplete.\nThe parameter _G_S1_k is missing."
                        : dirs == 2 ? "Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing."
                                    : "Integration pattern is incomplete.\nThe parameters _G_S1_k, _G_S2_k and/or _G_S3_k are missing.";
      fault(line, msg);
    }
  }
  const int t = P->IntegrationType;
  for (int d = 1; d <= dirs; d++) {
    const bool ok = (t == kIntGLEG && p[d] >= 1 && p[d] <= 10) || (t == kIntGLOB && p[d] >= 2 && p[d] <= 10);
    if (!ok) {
      std::snprintf(line, sizeof line, "   -> Specified integration type : %s\n   -> Number of points: %d\n",
                    IntTypeKeyword(t), p[d]);
      fault(line, "The specified integration type is not compatible with specified type of load.");
    }
    a[d] = IntegrationRuleTable.abscissa[t][p[d]];
    w[d] = IntegrationRuleTable.weight[t][p[d]];
  }
}

// What the three surface families need besides the common inputs.
struct EdgeFamily {
  int typeCode;                 // _MINDLIN_SLAB_QUAD, _MINDLIN_SHELL_QUAD or _AHMAD_SHELL_QUAD
  const char* OutputControl;    // shells
  const char* PointTypes;       // shells
  const int* ElemPropIndex;     // Ahmad shell
  const int* ElemNodeCount;     // Ahmad shell
  const PointList* Adjacency;   // Ahmad shell
  const ElementProperty* Props; // Ahmad shell
};

void EdgeLoadQuad(const EdgeFamily& fam, int Size, int RecordNumber, int Element, int LoadCaseNumber, int nNodes,
                  const LoadCaseParameters* Params, int** ElemNodes, double* Fe, double** PointCoord,
                  const AuxiliaryVector* AuxVectors, const EdgeLoad* EdgeLoads,
                  const NumericalIntegration* Integrations) {
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const EdgeCtx ctx{LoadCaseNumber, RecordNumber, Element, fam.typeCode};
  auto fault = [&](const char* detail, const char* msg) { EdgeFault(ctx, detail, msg); };
  const EdgeLoad& rec = EdgeLoads[RecordNumber];
  const bool shell = fam.typeCode != _MINDLIN_SLAB_QUAD;
  char line[200];

  int m;
  switch (nNodes) {
    case 4: m = 2; break;
    case 8:
    case 9: m = 3; break;
    default: InternalError(__FILE__, __LINE__);
  }
  const int edge = rec.Edge;
  if (edge < 1 || edge > 4) {
    std::snprintf(line, sizeof line, "   -> Specified edge: %d\n", edge);
    fault(line, "The specified edge does not exist in the element.");
  }
  if (rec.ValueCount != 1 && rec.ValueCount != m) {
    std::snprintf(line, sizeof line, "   -> Number of values: %d\n", rec.ValueCount);
    fault(line, "The number of load values must be 1 or the number of nodes of the edge.");
  }
  if (rec.ForceKind != 1 && rec.ForceKind != 2) {
    std::snprintf(line, sizeof line, "   -> Type of generalized force: %d\n", static_cast<int>(rec.ForceKind));
    fault(line, "The specified type of generalized force is not valid.");
  }
  const bool dirOk = ((rec.DirKind == 'G' || rec.DirKind == 'E') && rec.DirCode >= 1 && rec.DirCode <= 3) ||
                     rec.DirKind == 'S';
  if (!dirOk) {
    std::snprintf(line, sizeof line, "   -> Direction: %c %d\n", rec.DirKind, rec.DirCode);
    fault(line, "The specified direction is not valid for this element.");
  }
  double q[4];
  for (int k = 1; k <= m; k++) q[k] = rec.Values[rec.ValueCount == 1 ? 1 : k];

  // Renumbered element (loaded edge first) for the surface normal of the shells.
  double sigN = 1.0, sigT = 1.0;
  int perm[10], en[4];
  double **Xr = nullptr, **Xe;
  if (shell) {
    CalcNodeFaceEdgeQuad(edge, nNodes, &sigN, &sigT, perm);
    allocd2(&Xr, nNodes, 3);
    for (int k = 1; k <= nNodes; k++)
      for (int j = 1; j <= 3; j++) Xr[k][j] = PointCoord[ElemNodes[Element][perm[k]]][j];
  }
  CalcNodeEdgeQuad(edge, nNodes, en);
  allocd2(&Xe, m, 3);
  for (int k = 1; k <= m; k++)
    for (int j = 1; j <= 3; j++) Xe[k][j] = PointCoord[ElemNodes[Element][en[k]]][j];

  int p[2];
  const double *a[2], *w[2];
  LoadRule(Params, Integrations, 1, p, a, w, fault);

  zerod1(Fe, Size);
  const int off = rec.ForceKind == 1 ? 0 : 3;
  for (int i = 1; i <= p[1]; i++) {
    const double s = a[1][i];
    double N[4], dN[4], g[4] = {0, 0, 0, 0};
    CalcShapeFuncLine(m, s, N);
    CalcShapeFuncDerivLine(m, s, dN);
    double qs = 0.0;
    for (int k = 1; k <= m; k++) {
      qs += N[k] * q[k];
      for (int j = 1; j <= 3; j++) g[j] += dN[k] * Xe[k][j];
    }
    const double J = normd1(g, 3);
    if (!(J >= kSmall)) {
      EdgeHead(ctx);
      std::fprintf(stderr, "   -> Edge load counter: %d\n", RecordNumber);
      std::fprintf(stderr, "   -> Element: %d\n", Element);
      std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(fam.typeCode).keyword);
      errexit("Jacobian norm is null:\nelement geometry and/or mesh connectivity must be changed.", 0);
    }
    double d[4] = {0, 0, 0, 0}, tan[4], nrm[4];
    for (int j = 1; j <= 3; j++) tan[j] = g[j] / J;
    switch (rec.DirKind) {
      case 'G':
        d[rec.DirCode] = 1.0;
        break;
      case 'S':
        copyd1(d, AuxVectors[rec.DirCode].v, 3);
        break;
      default:  // 'E'
        if (rec.DirCode == 1) {
          copyd1(d, tan, 3);
          break;
        }
        if (shell) {
          const double sn[3] = {0.0, s, -1.0};
          CalcVectNormalElem(Element, 2, nNodes, nrm, sn, Xr);
        } else {
          nrm[1] = nrm[2] = 0.0;
          nrm[3] = 1.0;
        }
        if (rec.DirCode == 2) {
          for (int j = 1; j <= 3; j++) d[j] = (shell ? sigN : 1.0) * nrm[j];
        } else {
          crossd1(d, nrm, tan);
          const double sig = shell ? sigT : (edge == 1 || edge == 3 ? 1.0 : -1.0);
          scaled1(d, 3, sig);
        }
        break;
    }
    const double f = w[1][i] * qs * J;
    for (int k = 1; k <= m; k++) {
      const int b = 6 * (en[k] - 1) + off;
      for (int j = 1; j <= 3; j++) Fe[b + j] += f * N[k] * d[j];
    }
  }

  if (!shell) {
    // The slab has the dofs u3, r1, r2 only.
    static const bool kPresent[7] = {false, false, false, true, true, true, false};
    for (int k = 1; k <= nNodes; k++)
      for (int j = 1; j <= 6; j++)
        if (!kPresent[j] && std::fabs(Fe[6 * (k - 1) + j]) > kSmall)
          fault(nullptr,
                "The load has a component along a degree of freedom that the\n"
                "element does not have: a slab edge load may only be a force\n"
                "along XG3 or a moment about XG1 or XG2.");
  } else if (rec.ForceKind == 2) {
    double **T, **X = nullptr;
    allocd2(&T, 3, 3);
    bool haveT = false;
    for (int k = 1; k <= m; k++) {
      const int pt = ElemNodes[Element][en[k]];
      if (fam.PointTypes[pt] == 'G') continue;
      if (fam.typeCode == _MINDLIN_SHELL_QUAD) {
        // Element axes at the centre, on the element's own node order.
        if (!haveT) {
          allocd2(&X, nNodes, 3);
          CalcMat_ElemNodeCoord(Element, _MINDLIN_SHELL_QUAD, nNodes, ElemNodes, X, PointCoord);
          const double s0[3] = {0.0, 0.0, 0.0};
          CalcMat_T_ElemNormal(Element, _MINDLIN_SHELL_QUAD, nNodes, fam.OutputControl[OC_PRINT_MAT_T_QUAD], s0, T, X);
          haveT = true;
        }
      } else {
        CalcMat_T_CoplanarPointAhmad(pt, fam.ElemPropIndex, fam.ElemNodeCount, ElemNodes, T, PointCoord,
                                     fam.Adjacency, fam.Props);
      }
      double* mom = &Fe[6 * (en[k] - 1) + 3];
      double mp[4];
      multd2d1(mp, T, mom, 3, 3);
      if (std::fabs(mp[3]) > kSmall) {
        EdgeHead(ctx);
        std::fprintf(stderr, "   -> Element: %d\n", Element);
        std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(fam.typeCode).keyword);
        std::fprintf(stderr, "   -> Loaded edge: %d\n", edge);
        std::fprintf(stderr, "   -> Type of generalized force: _MOM (Moment)\n");
        std::fprintf(stderr, "   -> Loaded edge point: %d", pt);
        errexit("When a moment is applied to a coplanar point, the drill\n"
                "component must be null.\n"
                "(Note: the drill degree of freedom is a rotation whose vector\n"
                "is normal to the coplanar elements.)\n"
                "When such a load needs to be applied to a coplanar point,\n"
                "an embedded frame beam must be added to convert the coplanar\n"
                "point into a kink point.",
                0);
      }
      copyd1(mom, mp, 3);
    }
    if (X != nullptr) freed2(X);
    freed2(T);
  }

  freed2(Xe);
  if (Xr != nullptr) freed2(Xr);
}

// ---- gravity loads ------------------------------------------------------------------

struct GravityCtx {
  int loadCase;
  int elem;
  int typeCode;
};

[[noreturn]] void GravityFault(const GravityCtx& c, const char* detail, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "Calculating the gravity load contribution to the global load vector:\n");
  std::fprintf(stderr, "   -> Load case: %d\n", c.loadCase);
  std::fprintf(stderr, "   -> Block name: <GRAVITY_LOAD>\n");
  std::fprintf(stderr, "   -> Element: %d\n", c.elem);
  std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(c.typeCode).keyword);
  if (detail != nullptr) std::fprintf(stderr, "%s", detail);
  errexit(msg, 0);
}

void CheckGravityDet(const GravityCtx& c, double d) {
  if (!(std::fabs(d) >= kSmall))
    GravityFault(c, nullptr, "Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed.");
  if (d < kSmall)
    GravityFault(c, nullptr,
                 "Jacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed.");
}

// Slab (type 18, coordinates x1 x2) and Mindlin shell (type 20, local coordinates):
// Fe[node a] += N_a h w w det J * f, f the load per unit volume in global axes.
void GravityPlate(const GravityCtx& ctx, int Size, int nNodes, int PropIndex, const LoadCaseParameters* Params,
                  double** X2, const double* f, double* Fe, const GeometryPattern* GeomPatterns,
                  const LaminateThickness* LamThicks, const NumericalIntegration* Integrations,
                  const ElementProperty* ElemProps) {
  double *t, *N, **dN, **J;
  allocd1(&t, nNodes);
  allocd1(&N, nNodes);
  allocd2(&dN, nNodes, 2);
  allocd2(&J, 2, 2);
  CalcShellNodeThickness(nNodes, PropIndex, t, GeomPatterns, LamThicks, ElemProps);
  int p[3];
  const double *a[3], *w[3];
  LoadRule(Params, Integrations, 2, p, a, w, [&](const char* detail, const char* msg) { GravityFault(ctx, detail, msg); });
  zerod1(Fe, Size);
  for (int i = 1; i <= p[1]; i++)
    for (int j = 1; j <= p[2]; j++) {
      const double s[3] = {0.0, a[1][i], a[2][j]};
      CalcShapeFuncQuad(nNodes, N, s);
      const double h = dotd1(N, t, nNodes);
      CalcShapeFuncDerivQuad(nNodes, dN, s);
      CalcMat_Jacobian(nNodes, 2, 2, X2, dN, J);
      const double d = detd2(J, 2);
      CheckGravityDet(ctx, d);
      const double scale = w[1][i] * w[2][j] * d * h;
      for (int k = 1; k <= nNodes; k++)
        for (int c = 1; c <= 3; c++) Fe[6 * (k - 1) + c] += N[k] * f[c] * scale;
    }
  freed2(J);
  freed2(dN);
  freed1(N);
  freed1(t);
}

}  // namespace

void Calc_Fg_EdgeLoadMindlinSlabQuad(int Size, int RecordNumber, int Element, int LoadCaseNumber, int nNodes,
                                     const LoadCaseParameters* Params, int** ElemNodes, double* Fe,
                                     double** PointCoord, const AuxiliaryVector* AuxVectors,
                                     const EdgeLoad* EdgeLoads, const NumericalIntegration* Integrations) {
  const EdgeFamily fam{_MINDLIN_SLAB_QUAD, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  EdgeLoadQuad(fam, Size, RecordNumber, Element, LoadCaseNumber, nNodes, Params, ElemNodes, Fe, PointCoord,
               AuxVectors, EdgeLoads, Integrations);
}

void Calc_Fg_EdgeLoadMindlinShellQuad(int Size, int RecordNumber, int Element, int LoadCaseNumber, int nNodes,
                                      const char* OutputControl, const LoadCaseParameters* Params, int** ElemNodes,
                                      double* Fe, double** PointCoord, const char* PointTypes,
                                      const AuxiliaryVector* AuxVectors, const EdgeLoad* EdgeLoads,
                                      const NumericalIntegration* Integrations) {
  const EdgeFamily fam{_MINDLIN_SHELL_QUAD, OutputControl, PointTypes, nullptr, nullptr, nullptr, nullptr};
  EdgeLoadQuad(fam, Size, RecordNumber, Element, LoadCaseNumber, nNodes, Params, ElemNodes, Fe, PointCoord,
               AuxVectors, EdgeLoads, Integrations);
}

void Calc_Fg_EdgeLoadAhmadShellQuad(int Size, int RecordNumber, int Element, int LoadCaseNumber, int nNodes,
                                    const char* OutputControl, const LoadCaseParameters* Params,
                                    const int* ElemPropIndex, const int* ElemNodeCount, int** ElemNodes, double* Fe,
                                    double** PointCoord, const char* PointTypes, const AuxiliaryVector* AuxVectors,
                                    const EdgeLoad* EdgeLoads, const PointList* PointElemAdjacency,
                                    const NumericalIntegration* Integrations, const ElementProperty* ElemProps) {
  const EdgeFamily fam{_AHMAD_SHELL_QUAD, OutputControl,      PointTypes, ElemPropIndex,
                       ElemNodeCount,     PointElemAdjacency, ElemProps};
  EdgeLoadQuad(fam, Size, RecordNumber, Element, LoadCaseNumber, nNodes, Params, ElemNodes, Fe, PointCoord,
               AuxVectors, EdgeLoads, Integrations);
}

void Calc_Fg_GravityLoadMindlinSlabQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                        double Density, const LoadCaseParameters* Params, int** ElemNodes, double* Fe,
                                        const double* GravityVector, double** PointCoord,
                                        const GeometryPattern* GeomPatterns, const LaminateThickness* LamThicks,
                                        const NumericalIntegration* Integrations, const ElementProperty* ElemProps) {
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  double** X;
  allocd2(&X, nNodes, 2);
  CalcMat_ElemNodeCoord(Element, _MINDLIN_SLAB_QUAD, nNodes, ElemNodes, X, PointCoord);
  double f[4];
  for (int c = 1; c <= 3; c++) f[c] = Density * GravityVector[c];
  GravityPlate(GravityCtx{LoadCaseNumber, Element, 18}, Size, nNodes, PropIndex, Params, X, f, Fe, GeomPatterns,
               LamThicks, Integrations, ElemProps);
  freed2(X);
}

void Calc_Fg_GravityLoadMindlinShellQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                         double Density, const char* OutputControl, const LoadCaseParameters* Params,
                                         int** ElemNodes, double* Fe, const double* GravityVector,
                                         double** PointCoord, const GeometryPattern* GeomPatterns,
                                         const LaminateThickness* LamThicks, const MaterialRecord* LinOrtho,
                                         const NumericalIntegration* Integrations, const ElementProperty* ElemProps) {
  (void)LinOrtho;
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  double **X, **Xl, **X2, **T;
  allocd2(&X, nNodes, 3);
  allocd2(&Xl, nNodes, 3);
  allocd2(&X2, nNodes, 2);
  allocd2(&T, 3, 3);
  CalcMat_ElemNodeCoord(Element, _MINDLIN_SHELL_QUAD, nNodes, ElemNodes, X, PointCoord);
  const double s0[3] = {0.0, 0.0, 0.0};
  CalcMat_T_ElemNormal(Element, _MINDLIN_SHELL_QUAD, nNodes, OutputControl[OC_PRINT_MAT_T_QUAD], s0, T, X);
  MatMatTMultSmall(3, nNodes, X, Xl, T);
  for (int k = 1; k <= nNodes; k++) {
    X2[k][1] = Xl[k][1];
    X2[k][2] = Xl[k][2];
  }
  // The load turned into the element axes and back: the area is measured in the plane of
  // the local axes 1 and 2.
  double g[4], r[4], f[4];
  for (int c = 1; c <= 3; c++) g[c] = Density * GravityVector[c];
  multd2d1(r, T, g, 3, 3);
  multtd2d1(f, T, r, 3, 3);
  GravityPlate(GravityCtx{LoadCaseNumber, Element, 20}, Size, nNodes, PropIndex, Params, X2, f, Fe, GeomPatterns,
               LamThicks, Integrations, ElemProps);
  freed2(T);
  freed2(X2);
  freed2(Xl);
  freed2(X);
}

void Calc_Fg_GravityLoadAhmadShellQuad(int Size, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                                       double Density, const char* OutputControl, const LoadCaseParameters* Params,
                                       const int* ElemPropIndex, const int* ElemNodeCount, int** ElemNodes,
                                       double* Fe, const double* GravityVector, double** PointCoord,
                                       const char* PointTypes, const GeometryPattern* GeomPatterns,
                                       const LaminateThickness* LamThicks, const PointList* PointElemAdjacency,
                                       const NumericalIntegration* Integrations, const ElementProperty* ElemProps) {
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const GravityCtx ctx{LoadCaseNumber, Element, 22};
  double **X, **dN, **J, ***V, *t, *N;
  allocd2(&X, nNodes, 3);
  allocd2(&dN, nNodes, 2);
  allocd2(&J, 3, 3);
  allocd3(&V, nNodes, 3, 3);
  allocd1(&t, nNodes);
  allocd1(&N, nNodes);
  CalcMat_ElemNodeCoord(Element, _AHMAD_SHELL_QUAD, nNodes, ElemNodes, X, PointCoord);
  CalcShellNodeThickness(nNodes, PropIndex, t, GeomPatterns, LamThicks, ElemProps);
  CalcMat_Tgn_AhmadShellQuad(Element, 3, nNodes, OutputControl, ElemPropIndex, ElemNodeCount, ElemNodes, V, X,
                             PointCoord, PointTypes, PointElemAdjacency, ElemProps);
  int p[4];
  const double *a[4], *w[4];
  LoadRule(Params, Integrations, 3, p, a, w, [&](const char* detail, const char* msg) { GravityFault(ctx, detail, msg); });
  double f[4];
  for (int c = 1; c <= 3; c++) f[c] = Density * GravityVector[c];
  zerod1(Fe, Size);
  for (int i = 1; i <= p[1]; i++)
    for (int j = 1; j <= p[2]; j++)
      for (int k = 1; k <= p[3]; k++) {
        const double s[4] = {0.0, a[1][i], a[2][j], a[3][k]};
        CalcShapeFuncQuad(nNodes, N, s);
        CalcShapeFuncDerivQuad(nNodes, dN, s);
        CalcMat_J_AhmadShell(3, nNodes, dN, J, N, s, V, X, t);
        const double d = detd2(J, 3);
        CheckGravityDet(ctx, d);
        const double scale = w[1][i] * w[2][j] * w[3][k] * d;
        for (int n = 1; n <= nNodes; n++)
          for (int c = 1; c <= 3; c++) Fe[6 * (n - 1) + c] += N[n] * f[c] * scale;
      }
  freed1(N);
  freed1(t);
  freed3(V);
  freed2(J);
  freed2(dN);
  freed2(X);
}
