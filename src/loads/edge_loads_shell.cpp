// Edge loads of the Mindlin slab, the Mindlin shell and the Ahmad shell: equivalent
// nodal forces by integration with the load case's rule.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "loads/load_kernel.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

// What the three surface families need besides the common inputs.
struct EdgeFamily {
  int typeCode;                 // _MINDLIN_SLAB_QUAD, _MINDLIN_SHELL_QUAD or _AHMAD_SHELL_QUAD
  const char* OutputControl;    // shells
  const char* PointTypes;       // shells
  const int* ElemPropIndex;     // Ahmad shell
  const PointList* Adjacency;   // Ahmad shell
};

// The record's edge, number of values, kind of force and direction.
void CheckEdgeLoadRecord(const LoadReportContext& ctx, const EdgeLoad& rec, int m) {
  auto fault = [&](const char* detail, const char* msg) { RefuseLoad(ctx, detail, msg); };
  char line[200];
  if (rec.Edge < 1 || rec.Edge > 4) {
    std::snprintf(line, sizeof line, "   -> Specified edge: %d\n", rec.Edge);
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
}

// The slab has the dofs u3, r1, r2 only: a load on another dof is refused.
void CheckSlabEdgeLoadDofs(const LoadReportContext& ctx, int nNodes, const double* Fe) {
  static const bool kPresent[7] = {false, false, false, true, true, true, false};
  for (int k = 1; k <= nNodes; k++)
    for (int j = 1; j <= 6; j++)
      if (!kPresent[j] && std::fabs(Fe[6 * (k - 1) + j]) > kSmall)
        RefuseLoad(ctx, nullptr,
                   "The load has a component along a degree of freedom that the\n"
                   "element does not have: a slab edge load may only be a force\n"
                   "along XG3 or a moment about XG1 or XG2.");
}

// Edge moments of a shell turned to the axes of each point that is not a global-axes point
// (element axes of the Mindlin shell, coplanar axes of the Ahmad shell); a drilling
// component is refused.
void ShellEdgeMomentsToPointAxes(const EdgeFamily& fam, const LoadReportContext& ctx, int Element, int nNodes, int m,
                                 int edge, const int* en, const MeshData* Mesh, double* Fe) {
  int** ElemNodes = Mesh->ElemNodes;
  double** PointCoord = Mesh->PointCoord;
  char line[200];
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
      CalcMat_T_CoplanarPointAhmad(pt, fam.ElemPropIndex, Mesh->ElemNodeCount, ElemNodes, T, PointCoord,
                                   fam.Adjacency, Mesh->ElemProps);
    }
    double* mom = &Fe[6 * (en[k] - 1) + 3];
    double mp[4];
    multd2d1(mp, T, mom, 3, 3);
    if (std::fabs(mp[3]) > kSmall) {
      LoadReportContext drill = ctx;
      drill.counterFormat = nullptr;
      std::snprintf(line, sizeof line,
                    "   -> Loaded edge: %d\n   -> Type of generalized force: _MOM (Moment)\n"
                    "   -> Loaded edge point: %d",
                    edge, pt);
      RefuseLoad(drill, line, kDrillMomentMessage);
    }
    copyd1(mom, mp, 3);
  }
  if (X != nullptr) freed2(X);
  freed2(T);
}

void EdgeLoadQuad(const EdgeFamily& fam, int Size, int RecordNumber, int Element, int LoadCaseNumber, int nNodes,
                  const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads) {
  if (Size != 6 * nNodes) InternalError(__FILE__, __LINE__);
  int** ElemNodes = Mesh->ElemNodes;
  double** PointCoord = Mesh->PointCoord;
  const LoadReportContext ctx = EdgeLoadReportContext(LoadCaseNumber, RecordNumber, Element, fam.typeCode);
  auto fault = [&](const char* detail, const char* msg) { RefuseLoad(ctx, detail, msg); };
  const EdgeLoad& rec = EdgeLoads[RecordNumber];
  const bool shell = fam.typeCode != _MINDLIN_SLAB_QUAD;

  int m;
  switch (nNodes) {
    case 4: m = 2; break;
    case 8:
    case 9: m = 3; break;
    default: InternalError(__FILE__, __LINE__);
  }
  const int edge = rec.Edge;
  CheckEdgeLoadRecord(ctx, rec, m);
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
  GetLoadCaseLineRule(ctx, Params, Mesh, p, &a[1], &w[1]);

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
    if (!(J >= kSmall))
      fault(nullptr, "Jacobian norm is null:\nelement geometry and/or mesh connectivity must be changed.");
    double d[4] = {0, 0, 0, 0}, tan[4], nrm[4];
    for (int j = 1; j <= 3; j++) tan[j] = g[j] / J;
    switch (rec.DirKind) {
      case 'G':
        d[rec.DirCode] = 1.0;
        break;
      case 'S':
        copyd1(d, Mesh->AuxVectors[rec.DirCode].v, 3);
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

  if (!shell)
    CheckSlabEdgeLoadDofs(ctx, nNodes, Fe);
  else if (rec.ForceKind == 2)
    ShellEdgeMomentsToPointAxes(fam, ctx, Element, nNodes, m, edge, en, Mesh, Fe);

  freed2(Xe);
  if (Xr != nullptr) freed2(Xr);
}

}  // namespace

void Calc_Fg_EdgeLoadMindlinSlabQuad(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                     const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                     const EdgeLoad* EdgeLoads) {
  const EdgeFamily fam{_MINDLIN_SLAB_QUAD, nullptr, nullptr, nullptr, nullptr};
  EdgeLoadQuad(fam, Size, Record, Element, LoadCaseNumber, nNodes, Params, Mesh, Fe, EdgeLoads);
}

void Calc_Fg_EdgeLoadMindlinShellQuad(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                      const char* OutputControl, const LoadCaseParameters* Params,
                                      const MeshData* Mesh, double* Fe, const char* PointTypes,
                                      const EdgeLoad* EdgeLoads) {
  const EdgeFamily fam{_MINDLIN_SHELL_QUAD, OutputControl, PointTypes, nullptr, nullptr};
  EdgeLoadQuad(fam, Size, Record, Element, LoadCaseNumber, nNodes, Params, Mesh, Fe, EdgeLoads);
}

void Calc_Fg_EdgeLoadAhmadShellQuad(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                                    const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                                    const int* ElemPropIndex, double* Fe, const char* PointTypes,
                                    const EdgeLoad* EdgeLoads, const PointList* PointElemAdjacency) {
  const EdgeFamily fam{_AHMAD_SHELL_QUAD, OutputControl, PointTypes, ElemPropIndex, PointElemAdjacency};
  EdgeLoadQuad(fam, Size, Record, Element, LoadCaseNumber, nNodes, Params, Mesh, Fe, EdgeLoads);
}
