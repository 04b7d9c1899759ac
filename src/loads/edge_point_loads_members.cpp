// Edge loads and internal point loads of trusses and frames: closed-form equivalent
// nodal forces in the member's local axes (axis 1 from node 1 to node 2), turned to
// global axes. The 2-D members lie in the x2-x3 plane.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "loads/load_kernel.h"
#include "model/outputcontrol.h"

namespace {

enum MemberType { kTruss2D = _TRUSS_2D, kTruss3D = _TRUSS_3D, kFrame2D = _FRAME_2D, kFrame3D = _FRAME_3D };

// Rotation of the member (2 x 2 for the 2-D types, 3 x 3 for the 3-D types).
void MemberRotation(int type, int Element, int PropIndex, const char* OutputControl, const MeshData* m, double** R) {
  switch (type) {
    case kTruss2D:
      CalcMat_R_Truss2D(Element, OutputControl[OC_PRINT_MAT_T_TRUSS_2D], m->ElemNodes, R, m->PointCoord);
      return;
    case kTruss3D:
      CalcMat_R_Truss3D(Element, OutputControl[OC_PRINT_MAT_T_TRUSS_3D], m->ElemNodes, R, m->PointCoord);
      return;
    case kFrame2D:
      CalcMat_R_Frame2D(Element, OutputControl[OC_PRINT_MAT_T_FRAME_2D], m->ElemNodes, R, m->PointCoord);
      return;
    case kFrame3D: {
      const ElementProperty& prop = m->ElemProps[PropIndex];
      if (prop.GeometryKind != kGeomCs3D) InternalError(__FILE__, __LINE__);
      if (prop.GeometryNumber < 1 || prop.GeometryNumber > m->nFrame3DSections) InternalError(__FILE__, __LINE__);
      const double angle = m->Frame3DSections[prop.GeometryNumber].v[11];
      CalcMat_R_Frame3D(Element, angle, OutputControl[OC_PRINT_MAT_T_FRAME_3D], m->ElemNodes, R, m->PointCoord);
      return;
    }
    default:
      InternalError(__FILE__, __LINE__);
  }
}

int RotationSize(int type) { return (type == kTruss2D || type == kFrame2D) ? 2 : 3; }

// Local vector -> 6-per-node element vector in global axes.
void PlaceMemberVector(int type, double** R, const double* Fl, double* Fe) {
  zerod1(Fe, 12);
  double t[4], g[4];
  switch (type) {
    case kTruss2D:
      for (int a = 0; a < 2; a++) {
        t[1] = Fl[2 * a + 1];
        t[2] = Fl[2 * a + 2];
        multtd2d1(g, R, t, 2, 2);
        Fe[6 * a + 2] = g[1];
        Fe[6 * a + 3] = g[2];
      }
      return;
    case kFrame2D:
      for (int a = 0; a < 2; a++) {
        t[1] = Fl[3 * a + 1];
        t[2] = Fl[3 * a + 2];
        multtd2d1(g, R, t, 2, 2);
        Fe[6 * a + 2] = g[1];
        Fe[6 * a + 3] = g[2];
        Fe[6 * a + 4] = Fl[3 * a + 3];
      }
      return;
    case kTruss3D:
    case kFrame3D:
      for (int k = 0; k < 4; k++) {
        copyd1(t, Fl + 3 * k, 3);
        multtd2d1(g, R, t, 3, 3);
        copyd1(Fe + 3 * k, g, 3);
      }
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

// ---- edge loads ----

// Unit (or auxiliary-vector) direction of a force or moment in local axes. The 2-D
// members take the in-plane global axes 2 and 3, the local axes 1 and 2 and auxiliary
// vectors of the x2-x3 plane (an out-of-plane part could not act on the member).
void MemberForceDirection(const LoadReportContext& c, int type, const EdgeLoad& rec, const MeshData* m, double** R,
                          double* d) {
  const bool twoD = RotationSize(type) == 2;
  const int dim = twoD ? 2 : 3;
  double g[4] = {0.0, 0.0, 0.0, 0.0};
  switch (rec.DirKind) {
    case 'B':
      if (rec.DirCode < 1 || rec.DirCode > dim) RefuseEdgeLoadDirection(c, rec);
      for (int j = 1; j <= dim; j++) d[j] = j == rec.DirCode ? 1.0 : 0.0;
      return;
    case 'G':
      if (twoD && rec.DirCode == 1) RefuseEdgeLoadDirection(c, rec);
      [[fallthrough]];
    case 'S':
      EdgeLoadGlobalDirection(c, rec, m, g);
      if (twoD && std::fabs(g[1]) > kSmall) RefuseEdgeLoadDirection(c, rec);
      if (twoD) {
        g[1] = g[2];
        g[2] = g[3];
      }
      multd2d1(d, R, g, dim, dim);
      return;
    default:
      RefuseEdgeLoadDirection(c, rec);
  }
}

// Factor of a distributed moment on a Frame2D: its component about x1, the normal to
// the plane of the member (local axis 3). A moment vector with an in-plane component
// cannot act on the member.
double Frame2DMomentFactor(const LoadReportContext& c, const EdgeLoad& rec, const MeshData* m) {
  double g[4];
  switch (rec.DirKind) {
    case 'B':
      if (rec.DirCode != 3) RefuseEdgeLoadDirection(c, rec);
      return 1.0;
    case 'G':
    case 'S':
      EdgeLoadGlobalDirection(c, rec, m, g);
      if (std::fabs(g[2]) > kSmall || std::fabs(g[3]) > kSmall) RefuseEdgeLoadDirection(c, rec);
      return g[1];
    default:
      RefuseEdgeLoadDirection(c, rec);
  }
}

void MemberEdgeLoadLocal(int type, int r, int Element, int lc, int n, int PropIndex, const char* OutputControl,
                         const MeshData* m, double* Fl, const EdgeLoad* loads) {
  if (n != 2) InternalError(__FILE__, __LINE__);
  const LoadReportContext c = EdgeLoadReportContext(lc, r, Element, type);
  const EdgeLoad& rec = loads[r];
  const bool frame = type == kFrame2D || type == kFrame3D;
  const int offset = EdgeLoadForceOffset(c, rec, !frame);
  double q[3];
  EdgeLoadIntensities(c, rec, 2, q);
  const double q1 = q[1], q2 = q[2];
  const int dim = RotationSize(type);
  double** R;
  allocd2(&R, dim, dim);
  MemberRotation(type, Element, PropIndex, OutputControl, m, R);
  double L;
  CalcLengthElement(Element, &L, m->ElemNodes, m->PointCoord);
  const double L2 = L * L;
  double d[4] = {0.0, 0.0, 0.0, 0.0};
  // Consistent shares of a linear intensity: bar (linear) and beam (cubic) interpolation.
  const double lin1 = L * (q1 / 3.0 + q2 / 6.0), lin2 = L * (q1 / 6.0 + q2 / 3.0);
  const double cub1 = L * (7.0 * q1 + 3.0 * q2) / 20.0, cub2 = L * (3.0 * q1 + 7.0 * q2) / 20.0;
  const double mom1 = L2 * (q1 / 20.0 + q2 / 30.0), mom2 = L2 * (q1 / 30.0 + q2 / 20.0);
  switch (type) {
    case kTruss2D:
      MemberForceDirection(c, type, rec, m, R, d);
      Fl[1] = d[1] * lin1;
      Fl[2] = d[2] * lin1;
      Fl[3] = d[1] * lin2;
      Fl[4] = d[2] * lin2;
      break;
    case kTruss3D:
      MemberForceDirection(c, type, rec, m, R, d);
      zerod1(Fl, 12);
      for (int j = 1; j <= 3; j++) {
        Fl[j] = d[j] * lin1;
        Fl[6 + j] = d[j] * lin2;
      }
      break;
    case kFrame2D:
      if (offset == 0) {
        MemberForceDirection(c, type, rec, m, R, d);
        Fl[1] = d[1] * lin1;
        Fl[2] = d[2] * cub1;
        Fl[3] = d[2] * mom1;
        Fl[4] = d[1] * lin2;
        Fl[5] = d[2] * cub2;
        Fl[6] = -d[2] * mom2;
      } else {
        // Work-consistent shares of a moment per unit length m(x), linear from q1 to q2.
        const double f = Frame2DMomentFactor(c, rec, m);
        const double s = f * (q1 + q2) / 2.0;
        Fl[1] = 0.0;
        Fl[2] = -s;
        Fl[3] = f * L * (q1 - q2) / 12.0;
        Fl[4] = 0.0;
        Fl[5] = s;
        Fl[6] = f * L * (q2 - q1) / 12.0;
      }
      break;
    case kFrame3D:
      MemberForceDirection(c, type, rec, m, R, d);
      if (offset == 0) {
        Fl[1] = d[1] * lin1;
        Fl[2] = d[2] * cub1;
        Fl[3] = d[3] * cub1;
        Fl[4] = 0.0;
        Fl[5] = -d[3] * mom1;
        Fl[6] = d[2] * mom1;
        Fl[7] = d[1] * lin2;
        Fl[8] = d[2] * cub2;
        Fl[9] = d[3] * cub2;
        Fl[10] = 0.0;
        Fl[11] = d[3] * mom2;
        Fl[12] = -d[2] * mom2;
      } else {
        const double s = (q1 + q2) / 2.0;
        Fl[1] = 0.0;
        Fl[2] = -d[3] * s;
        Fl[3] = d[2] * s;
        Fl[4] = d[1] * lin1;
        Fl[5] = d[2] * L * (q1 - q2) / 12.0;
        Fl[6] = d[3] * L * (q1 - q2) / 12.0;
        Fl[7] = 0.0;
        Fl[8] = d[3] * s;
        Fl[9] = -d[2] * s;
        Fl[10] = d[1] * lin2;
        Fl[11] = d[2] * L * (q2 - q1) / 12.0;
        Fl[12] = d[3] * L * (q2 - q1) / 12.0;
      }
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
  freed2(R);
}

// The member vector Fe (12 entries) of a load whose local vector localLoad(Fl) gives:
// the rotation first (its refusals come before the load's), then the local vector
// turned to global axes.
template <class LocalLoad>
void MemberLoadGlobal(int type, int size, int Element, int n, int PropIndex, const char* OutputControl,
                      const MeshData* m, double* Fe, LocalLoad localLoad) {
  if (size != 12 || n != 2) InternalError(__FILE__, __LINE__);
  const int dim = RotationSize(type);
  double *Fl, **R;
  allocd1(&Fl, 12);
  allocd2(&R, dim, dim);
  MemberRotation(type, Element, PropIndex, OutputControl, m, R);
  localLoad(Fl);
  PlaceMemberVector(type, R, Fl, Fe);
  freed2(R);
  freed1(Fl);
}

void MemberEdgeLoadGlobal(int type, int size, int r, int Element, int lc, int n, int PropIndex,
                          const char* OutputControl, const MeshData* m, double* Fe, const EdgeLoad* loads) {
  MemberLoadGlobal(type, size, Element, n, PropIndex, OutputControl, m, Fe, [&](double* Fl) {
    MemberEdgeLoadLocal(type, r, Element, lc, n, PropIndex, OutputControl, m, Fl, loads);
  });
}

// ---- internal point loads ----

void MemberIntPointLoadLocal(int type, int Element, int r, int lc, int n, int PropIndex, const char* OutputControl,
                             const MeshData* m, double* Fl, const InternalPointLoad* loads) {
  if (n != 2) InternalError(__FILE__, __LINE__);
  const LoadReportContext c = IntPointLoadReportContext(lc, r, Element, type);
  const InternalPointLoad& rec = loads[r];
  char line[128];
  std::snprintf(line, sizeof line, "   -> Specified auxiliary point with the load: %d\n", rec.AuxPoint);
  if (rec.AuxPoint < 1 || rec.AuxPoint > m->nPoints)
    RefuseLoad(c, line, "The specified auxiliary point does not exist.");
  const int dim = RotationSize(type);
  const int c0 = dim == 2 ? 1 : 0;  // 2-D members: coordinates and forces along x2, x3
  double** R;
  allocd2(&R, dim, dim);
  MemberRotation(type, Element, PropIndex, OutputControl, m, R);
  // Nodes and point in local axes.
  double x[3][4], xl[3][4], P[4], pl[4], f[4], mom[4], t[4];
  for (int k = 1; k <= 2; k++) {
    const double* X = m->PointCoord[m->ElemNodes[Element][k]];
    for (int j = 1; j <= dim; j++) x[k][j] = X[j + c0];
    multd2d1(xl[k], R, x[k], dim, dim);
  }
  for (int j = 1; j <= dim; j++) P[j] = m->PointCoord[rec.AuxPoint][j + c0];
  multd2d1(pl, R, P, dim, dim);
  for (int j = 1; j <= dim; j++) t[j] = rec.Load[j + c0];
  multd2d1(f, R, t, dim, dim);
  if (dim == 3) {
    copyd1(t, rec.Load + 3, 3);
    multd2d1(mom, R, t, 3, 3);
  }
  const double L = xl[2][1] - xl[1][1];
  double a = pl[1] - xl[1][1], b = xl[2][1] - pl[1];
  double off = 0.0;
  for (int j = 2; j <= dim; j++) off += (pl[j] - xl[1][j]) * (pl[j] - xl[1][j]);
  off = std::sqrt(off);
  if (!(a >= -kSmall && b >= -kSmall && off <= kSmall))
    RefuseLoad(c, line, "The specified auxiliary point is not inside the element.");
  // A point within the tolerance of an end is taken at the end.
  if (a < 0.0) a = 0.0;
  if (a > L) a = L;
  b = L - a;
  const double L3 = L * L * L;
  switch (type) {
    case kTruss2D:
      Fl[1] = f[1] * b / L;
      Fl[2] = f[2] * b / L;
      Fl[3] = f[1] * a / L;
      Fl[4] = f[2] * a / L;
      break;
    case kTruss3D:
      zerod1(Fl, 12);
      for (int j = 1; j <= 3; j++) {
        Fl[j] = f[j] * b / L;
        Fl[6 + j] = f[j] * a / L;
      }
      break;
    case kFrame2D: {
      const double M = rec.Load[4];  // about x1, the normal to the plane
      Fl[1] = f[1] * b / L;
      Fl[4] = f[1] * a / L;
      Fl[2] = f[2] * b * b * (2.0 * a + L) / L3 - 6.0 * M * a * b / L3;
      Fl[5] = f[2] * a * a * (2.0 * b + L) / L3 + 6.0 * M * a * b / L3;
      Fl[3] = f[2] * a * b * b / (L * L) - M * b * (2.0 - 3.0 * b / L) / L;
      Fl[6] = -f[2] * a * a * b / (L * L) - M * a * (2.0 - 3.0 * a / L) / L;
      break;
    }
    case kFrame3D:
      Fl[1] = f[1] * b / L;
      Fl[7] = f[1] * a / L;
      Fl[4] = mom[1] * b / L;
      Fl[10] = mom[1] * a / L;
      Fl[2] = f[2] * b * b * (2.0 * a + L) / L3 - 6.0 * mom[3] * a * b / L3;
      Fl[8] = f[2] * a * a * (2.0 * b + L) / L3 + 6.0 * mom[3] * a * b / L3;
      Fl[6] = f[2] * a * b * b / (L * L) - mom[3] * b * (2.0 - 3.0 * b / L) / L;
      Fl[12] = -f[2] * a * a * b / (L * L) - mom[3] * a * (2.0 - 3.0 * a / L) / L;
      Fl[3] = f[3] * b * b * (2.0 * a + L) / L3 + 6.0 * mom[2] * a * b / L3;
      Fl[9] = f[3] * a * a * (2.0 * b + L) / L3 - 6.0 * mom[2] * a * b / L3;
      Fl[5] = -f[3] * a * b * b / (L * L) - mom[2] * b * (2.0 - 3.0 * b / L) / L;
      Fl[11] = f[3] * a * a * b / (L * L) - mom[2] * a * (2.0 - 3.0 * a / L) / L;
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
  freed2(R);
}

void MemberIntPointLoadGlobal(int type, int size, int Element, int r, int lc, int n, int PropIndex,
                              const char* OutputControl, const MeshData* m, double* Fe,
                              const InternalPointLoad* loads) {
  MemberLoadGlobal(type, size, Element, n, PropIndex, OutputControl, m, Fe, [&](double* Fl) {
    MemberIntPointLoadLocal(type, Element, r, lc, n, PropIndex, OutputControl, m, Fl, loads);
  });
}

}  // namespace

// ---- edge loads ----

void Calc_Fl_EdgeLoadTruss2D(int Record, int Element, int LoadCaseNumber, int nNodes, const char* OutputControl,
                             const MeshData* Mesh, double* Fl, const EdgeLoad* EdgeLoads) {
  MemberEdgeLoadLocal(kTruss2D, Record, Element, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fl, EdgeLoads);
}
void Calc_Fl_EdgeLoadTruss3D(int Record, int Element, int LoadCaseNumber, int nNodes, const char* OutputControl,
                             const MeshData* Mesh, double* Fl, const EdgeLoad* EdgeLoads) {
  MemberEdgeLoadLocal(kTruss3D, Record, Element, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fl, EdgeLoads);
}
void Calc_Fl_EdgeLoadFrame2D(int Record, int Element, int LoadCaseNumber, int nNodes, const char* OutputControl,
                             const MeshData* Mesh, double* Fl, const EdgeLoad* EdgeLoads) {
  MemberEdgeLoadLocal(kFrame2D, Record, Element, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fl, EdgeLoads);
}
void Calc_Fl_EdgeLoadFrame3D(int Record, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                             const char* OutputControl, const MeshData* Mesh, double* Fl, const EdgeLoad* EdgeLoads) {
  MemberEdgeLoadLocal(kFrame3D, Record, Element, LoadCaseNumber, nNodes, PropIndex, OutputControl, Mesh, Fl,
                      EdgeLoads);
}

void Calc_Fg_EdgeLoadTruss2D(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                             const char* OutputControl, const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads) {
  MemberEdgeLoadGlobal(kTruss2D, Size, Record, Element, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fe,
                       EdgeLoads);
}
void Calc_Fg_EdgeLoadTruss3D(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                             const char* OutputControl, const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads) {
  MemberEdgeLoadGlobal(kTruss3D, Size, Record, Element, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fe,
                       EdgeLoads);
}
void Calc_Fg_EdgeLoadFrame2D(int Size, int Record, int Element, int LoadCaseNumber, int nNodes,
                             const char* OutputControl, const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads) {
  MemberEdgeLoadGlobal(kFrame2D, Size, Record, Element, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fe,
                       EdgeLoads);
}
void Calc_Fg_EdgeLoadFrame3D(int Size, int Record, int Element, int LoadCaseNumber, int nNodes, int PropIndex,
                             const char* OutputControl, const MeshData* Mesh, double* Fe, const EdgeLoad* EdgeLoads) {
  MemberEdgeLoadGlobal(kFrame3D, Size, Record, Element, LoadCaseNumber, nNodes, PropIndex, OutputControl, Mesh, Fe,
                       EdgeLoads);
}

// ---- internal point loads ----

void Calc_Fl_IntPointLoadTruss2D(int Element, int Record, int LoadCaseNumber, int nNodes, const char* OutputControl,
                                 const MeshData* Mesh, double* Fl, const InternalPointLoad* IntPointLoads) {
  MemberIntPointLoadLocal(kTruss2D, Element, Record, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fl,
                          IntPointLoads);
}
void Calc_Fl_IntPointLoadTruss3D(int Element, int Record, int LoadCaseNumber, int nNodes, const char* OutputControl,
                                 const MeshData* Mesh, double* Fl, const InternalPointLoad* IntPointLoads) {
  MemberIntPointLoadLocal(kTruss3D, Element, Record, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fl,
                          IntPointLoads);
}
void Calc_Fl_IntPointLoadFrame2D(int Element, int Record, int LoadCaseNumber, int nNodes, const char* OutputControl,
                                 const MeshData* Mesh, double* Fl, const InternalPointLoad* IntPointLoads) {
  MemberIntPointLoadLocal(kFrame2D, Element, Record, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fl,
                          IntPointLoads);
}
void Calc_Fl_IntPointLoadFrame3D(int Element, int Record, int LoadCaseNumber, int nNodes, int PropIndex,
                                 const char* OutputControl, const MeshData* Mesh, double* Fl,
                                 const InternalPointLoad* IntPointLoads) {
  MemberIntPointLoadLocal(kFrame3D, Element, Record, LoadCaseNumber, nNodes, PropIndex, OutputControl, Mesh, Fl,
                          IntPointLoads);
}

void Calc_Fg_IntPointLoadTruss2D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                 const char* OutputControl, const MeshData* Mesh, double* Fe,
                                 const InternalPointLoad* IntPointLoads) {
  MemberIntPointLoadGlobal(kTruss2D, Size, Element, Record, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fe,
                           IntPointLoads);
}
void Calc_Fg_IntPointLoadTruss3D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                 const char* OutputControl, const MeshData* Mesh, double* Fe,
                                 const InternalPointLoad* IntPointLoads) {
  MemberIntPointLoadGlobal(kTruss3D, Size, Element, Record, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fe,
                           IntPointLoads);
}
void Calc_Fg_IntPointLoadFrame2D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes,
                                 const char* OutputControl, const MeshData* Mesh, double* Fe,
                                 const InternalPointLoad* IntPointLoads) {
  MemberIntPointLoadGlobal(kFrame2D, Size, Element, Record, LoadCaseNumber, nNodes, 0, OutputControl, Mesh, Fe,
                           IntPointLoads);
}
void Calc_Fg_IntPointLoadFrame3D(int Size, int Element, int Record, int LoadCaseNumber, int nNodes, int PropIndex,
                                 const char* OutputControl, const MeshData* Mesh, double* Fe,
                                 const InternalPointLoad* IntPointLoads) {
  MemberIntPointLoadGlobal(kFrame3D, Size, Element, Record, LoadCaseNumber, nNodes, PropIndex, OutputControl, Mesh,
                           Fe, IntPointLoads);
}
