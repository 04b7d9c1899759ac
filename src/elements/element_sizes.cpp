// Area and volume of an element and the share of each of its integration points (the
// crack band width at start-up), and Oliver's crack band width of the hexahedron.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/point_rules.h"
#include "materials/crack/crack_start.h"
#include "materials/material_point.h"
#include "materials/material_table.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

void RequireGaussLegendre(int elem, int property, const ElementProperty& p, const char* what) {
  if (p.IntegrationType == INTEG_GLEG) return;
  static const char* const kTypes[4] = {"(unknown)", "_GLEG", "_GLOB", "_NCOTES"};
  const int t = p.IntegrationType;
  std::fflush(stdout);
  std::fprintf(stderr, "\nCalculating the %s of an element:\n", what);
  std::fprintf(stderr, "   -> Elem. prop. counter: %d\n", property);
  std::fprintf(stderr, "   -> Element: %d\n", elem);
  std::fprintf(stderr, "   -> Integration type: %s\n", kTypes[t >= 1 && t <= 3 ? t : 0]);
  errexit("Invalid integration type.\nIntegration type must be _GLEG.", 0);
}

[[noreturn]] void NullJacobian(int elem, const char* what, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nCalculating the element %s:\n", what);
  std::fprintf(stderr, "   -> Element: %d\n", elem);
  errexit(msg, 0);
}

// Point counts per direction: for rule 0 those of the element routines (3 each on the
// layered shells, 2 on the others), else the rule's counts.
void Counts(const MeshData* mesh, const ElementProperty& p, int dirs, int* c) {
  const bool shell = p.ElementType == _MINDLIN_SHELL_QUAD || p.ElementType == _AHMAD_SHELL_QUAD;
  for (int d = 1; d <= 3; d++) c[d] = d <= dirs ? (shell ? 3 : 2) : 1;
  if (p.IntegrationNumber == 0) return;
  const NumericalIntegration& r = mesh->Integrations[p.IntegrationNumber];
  c[1] = Integ_G_S1(r);
  c[2] = Integ_G_S2(r);
  if (dirs == 3) c[3] = Integ_G_S3(r);
}

// Area (dim 2: quadrilateral, plane or shell mid-surface, dA = |x,1 x x,2|) or volume
// (dim 3: hexahedron, det J) of an element, the share of each of its points (of the zone
// that cracks with it) and the fraction of the element's width that zone covers, points
// in the element routines' order (direction 1 fastest).
double Measure(const MeshData* mesh, int elem, int property, int dim, double* share, double* fraction, int* nPts) {
  const char* what = dim == 2 ? "area" : "volume";
  const ElementProperty& p = mesh->ElemProps[property];
  RequireGaussLegendre(elem, property, p, what);
  const int n = mesh->ElemNodeCount[elem];
  int c[4];
  Counts(mesh, p, dim, c);
  const TensorRule r = ElementTensorRule(elem, p, dim, c);
  double **X, **dN, **J;
  allocd2(&X, n, 3);
  allocd2(&dN, n, dim);
  allocd2(&J, 3, dim);
  CalcMat_ElemNodeCoordXYZ(elem, n, mesh->ElemNodes, X, mesh->PointCoord);
  double total = 0.0;
  int q = 0;
  ForEachRulePoint(r, RuleOrder::kFirstFastest, [&](const RulePoint& pt) {
    double m;
    if (dim == 2) {
      CalcShapeFuncDerivQuad(n, dN, pt.s);
      CalcMat_Jacobian(n, 3, 2, X, dN, J);
      const double cx = J[2][1] * J[3][2] - J[3][1] * J[2][2], cy = J[3][1] * J[1][2] - J[1][1] * J[3][2],
                   cz = J[1][1] * J[2][2] - J[2][1] * J[1][2];
      m = std::sqrt(cx * cx + cy * cy + cz * cz);
    } else {
      CalcShapeFuncDerivSolidHexa(n, dN, pt.s);
      CalcMat_Jacobian(n, 3, 3, X, dN, J);
      m = J[1][1] * (J[2][2] * J[3][3] - J[2][3] * J[3][2]) - J[1][2] * (J[2][1] * J[3][3] - J[2][3] * J[3][1]) +
          J[1][3] * (J[2][1] * J[3][2] - J[2][2] * J[3][1]);
    }
    if (JacobianIsNull(m, 3, dim, J))
      NullJacobian(elem, what,
                   "Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed.");
    if (m < 0.0)
      NullJacobian(elem, what,
                   "Jacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed.");
    double zone[4] = {0.0, 0.0, 0.0, 0.0}, product = 1.0;
    for (int d = 1; d <= dim; d++) {
      zone[d] = CrackZoneWeight(dim, n, c[d], r.w[d], pt.i[d]);
      product *= zone[d];
    }
    q = pt.ip;
    share[q] = product * m;
    fraction[q] = CrackZoneFraction(dim, zone);
    total += pt.weight * m;
  });
  freed2(J);
  freed2(dN);
  freed2(X);
  *nPts = q;
  return total;
}

}  // namespace

double CrackZoneWeight(int dim, int nNodes, int count, const double* w, int i) {
  // The strain of a linear element is constant along each direction: every point of a
  // row cracks with the others, and the zone is the whole element (natural width 2).
  // The strain of a quadratic element varies linearly along each direction: of three
  // points the middle one takes the mean of the outer two, so a crack opening at an outer
  // point opens the middle one by half as much, and the two rows crack together. Two
  // points are free of each other: one row cracks alone.
  const bool quadratic = dim == 3 ? nNodes == 20 : nNodes == 8 || nNodes == 9;
  if (!quadratic) return 2.0;
  if (count == 3) return w[1] + w[2];
  return w[i];
}

double CrackOpeningWeight(int dim, int nNodes, int count, const double* w, int i) {
  // Three points of a quadratic element: an opening c at an outer point opens the middle
  // one by c / 2 and leaves the far one closed, so the crack strain integrates to c over
  // the natural width w1 + w2 / 2 (1 on the Gauss rule). The same opening at every row
  // (the same stress across the element, as equilibrium asks of a bar) takes that width
  // at an outer point and twice it at the middle one.
  const bool quadratic = dim == 3 ? nNodes == 20 : nNodes == 8 || nNodes == 9;
  if (!quadratic || count != 3) return CrackZoneWeight(dim, nNodes, count, w, i);
  const double outer = w[1] + 0.5 * w[2];
  return i == 2 ? 2.0 * outer : outer;
}

double CrackZoneFraction(int dim, const double* zone) {
  double f = 1.0;
  for (int d = 1; d <= dim; d++) f *= 0.5 * zone[d];
  return dim == 2 ? std::sqrt(f) : std::cbrt(f);
}

void CalcElementSizeOfPoint(const MeshData* mesh, int element, int property, int point, double* elementSize,
                            double* pointSize) {
  double *share, *fraction;
  allocd1(&share, 1000);  // at most 10 points per direction
  allocd1(&fraction, 1000);
  int n = 0;
  switch (mesh->ElemProps[property].ElementType) {
    case _PLANE_STRESS_QUAD:
    case _PLANE_STRAIN_QUAD:
    case _MINDLIN_SHELL_QUAD:
    // The layered Ahmad shell at its mid-surface (natural thickness coordinate 0), where
    // the nodal thickness drops out: the in-plane Jacobian in the axes of the normal is
    // |x,1 x x,2|, the same whatever the layer.
    case _AHMAD_SHELL_QUAD: *elementSize = Measure(mesh, element, property, 2, share, fraction, &n); break;
    case _SOLID_HEXA: *elementSize = Measure(mesh, element, property, 3, share, fraction, &n); break;
    default: InternalError(__FILE__, __LINE__);
  }
  if (point < 1 || point > n) InternalError(__FILE__, __LINE__);
  *pointSize = share[point];
  // The band of the element's size covers the rows that crack with the point: on a
  // quadratic element the measure shrinks with the width (fraction^dim of the element).
  const double f = fraction[point];
  *elementSize *= mesh->ElemProps[property].ElementType == _SOLID_HEXA ? f * f * f : f * f;
  freed1(fraction);
  freed1(share);
}

// ---- Oliver's crack band ------------------------------------------------------------------

namespace {

// The shape functions of the parent element: hexahedron (dim 3) or quadrilateral (dim 2).
struct OliverShape {
  int dim;
  void (*N)(int, double*, const double*);
  void (*dN)(int, double**, const double*);
  void (*nat)(int, double**);
};
const OliverShape kOliverHexa = {3, CalcShapeFuncSolidHexa, CalcShapeFuncDerivSolidHexa, CalcNatCoordSolidHexa};
const OliverShape kOliverQuad = {2, CalcShapeFuncQuad, CalcShapeFuncDerivQuad, CalcNatCoord};

double OliverBand(const OliverShape& f, int nNodes, double** gradN, double** X, const double* normal) {
  double *N0, s0[4] = {0.0, 0.0, 0.0, 0.0}, xc[4] = {0.0, 0.0, 0.0, 0.0};
  allocd1(&N0, nNodes);
  f.N(nNodes, N0, s0);
  for (int i = 1; i <= nNodes; i++)
    for (int k = 1; k <= f.dim; k++) xc[k] += X[i][k] * N0[i];
  freed1(N0);
  return CrackBandOliver(nNodes, f.dim, gradN, X, xc, normal);
}

// Cartesian derivatives (n x dim) at the point of the sub-element of the point's natural
// extent around it, and its nodes Y (n x dim) when Y is given.
void SubElementGradN(const OliverShape& f, const OliverPointContext& at, int nNodes, const double* sp, double** X,
                     const double* extent, double** gradN, double** Yout) {
  const int dim = f.dim;
  double **S, **Y, **dN, **J, **Jinv, *N;
  allocd2(&S, nNodes, dim);
  allocd2(&Y, nNodes, dim);
  allocd2(&dN, nNodes, dim);
  allocd2(&J, dim, dim);
  allocd2(&Jinv, dim, dim);
  allocd1(&N, nNodes);
  f.nat(nNodes, S);
  // The sub-element of the point's natural extent around it, moved back inside the parent.
  for (int k = 1; k <= dim; k++) {
    double shift = 0.0;
    for (int i = 1; i <= nNodes; i++) {
      S[i][k] = S[i][k] * std::fabs(extent[k]) * 0.5 + sp[k];
      if (S[i][k] > 1.0) shift = S[i][k] - 1.0;
      if (S[i][k] < -1.0) shift = S[i][k] + 1.0;
    }
    for (int i = 1; i <= nNodes; i++) S[i][k] -= shift;
  }
  for (int i = 1; i <= nNodes; i++) {
    f.N(nNodes, N, S[i]);
    for (int k = 1; k <= dim; k++) {
      Y[i][k] = 0.0;
      for (int j = 1; j <= nNodes; j++) Y[i][k] += X[j][k] * N[j];
    }
  }
  f.dN(nNodes, dN, sp);
  CalcMat_Jacobian(nNodes, dim, dim, Y, dN, J);
  const double det = detd2(J, dim);
  const char* msg = nullptr;
  if (JacobianIsNull(det, dim, dim, J))
    msg = "Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed.";
  else if (det < 0.0)
    msg = "Jacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed.";
  else if (!invertd2(Jinv, J, dim))
    msg = "Unable to invert the Jacobian matrix:\nelement geometry and/or mesh connectivity must be changed.";
  if (msg != nullptr) {
    std::fflush(stdout);
    std::fprintf(stderr,
                 "\nCalculate the crack bandwidth considering the Oliver approach \nat the integration point level\n");
    std::fprintf(stderr, "   -> Combination: %d\n", at.combination);
    std::fprintf(stderr, "   -> Iteration: %d\n", at.iteration);
    std::fprintf(stderr, "   -> Element: %d\n", at.element);
    std::fprintf(stderr, "   -> Sampling point: %d\n", at.point);
    std::fprintf(stderr, "   -> Nonlinear material model: %s\n", at.model);
    errexit(msg, 0);
  }
  CalcCartesianDeriv(nNodes, dim, dN, Jinv, gradN);
  if (Yout != nullptr) copyd2(Yout, Y, nNodes, dim);
  freed1(N);
  freed2(Jinv);
  freed2(J);
  freed2(dN);
  freed2(Y);
  freed2(S);
}

}  // namespace

double CalcCrBandWidthOliver(int nNodes, double** gradN, double** X, const double* normal) {
  return OliverBand(kOliverHexa, nNodes, gradN, X, normal);
}

void CalcSubElementGradN(const OliverPointContext& at, int nNodes, const double* sp, double** X,
                         const double* extent, double** gradN) {
  if (nNodes != 8 && nNodes != 20) InternalError(__FILE__, __LINE__);
  SubElementGradN(kOliverHexa, at, nNodes, sp, X, extent, gradN, nullptr);
}

double CalcCrBandWidthOliverIP(const OliverPointContext& at, int nNodes, const double* sp, double** X,
                               const double* normal, const double* extent) {
  double** gradN;
  allocd2(&gradN, nNodes, 3);
  CalcSubElementGradN(at, nNodes, sp, X, extent, gradN);
  const double h = CalcCrBandWidthOliver(nNodes, gradN, X, normal);
  freed2(gradN);
  return h;
}

double CalcCrBandWidthOliverQuad(int nNodes, double** gradN, double** X, double theta) {
  const double n[3] = {0.0, std::cos(theta), std::sin(theta)};
  return OliverBand(kOliverQuad, nNodes, gradN, X, n);
}

void CalcSubElementQuad(const OliverPointContext& at, int nNodes, const double* sp, double** X,
                        const double* extent, double** gradN, double** Y) {
  if (nNodes != 4 && nNodes != 8 && nNodes != 9) InternalError(__FILE__, __LINE__);
  SubElementGradN(kOliverQuad, at, nNodes, sp, X, extent, gradN, Y);
}

double CalcCrBandWidthOliverQuadIP(const OliverPointContext& at, int nNodes, const double* sp, double** X,
                                   double theta, const double* extent) {
  double **gradN, **Y;
  allocd2(&gradN, nNodes, 2);
  allocd2(&Y, nNodes, 2);
  CalcSubElementQuad(at, nNodes, sp, X, extent, gradN, Y);
  // The quadrilateral measures the step on the sub-element, the hexahedron on itself.
  const double n[3] = {0.0, std::cos(theta), std::sin(theta)};
  const double h = OliverBand(kOliverQuad, nNodes, gradN, Y, n);
  freed2(Y);
  freed2(gradN);
  return h;
}

namespace {

// Calls f(code, number) for the crack model of a group, or for each layer of a layered
// shell, until it returns true.
template <class F>
void ForEachGroupMaterial(const MeshData* mesh, const ElementProperty& p, F f) {
  if (CompositionOf(p.MaterialKind) == kCompositionLayers) {
    const LayerPattern& lp = mesh->LayerPatterns[p.MaterialNumber];
    for (int L = 1; L <= lp.nLayers; L++) {
      const LayerProperty& lay = mesh->LayerProps[lp.Layer[L]];
      if (f(lay.MaterialKind, lay.MaterialNumber)) return;
    }
  } else if (CompositionOf(p.MaterialKind) == kCompositionNone) {
    f(p.MaterialKind, p.MaterialNumber);
  }
}

bool GroupOfElements(const MeshData* mesh, const ElementProperty& p) {
  return p.FirstElement >= 1 && p.FirstElement <= mesh->nElements;
}

// The node count of a group of quadratic plane or solid elements (8- and 9-node
// quadrilaterals, 20-node hexahedra); 0 for any other group.
int QuadraticContinuumGroup(const MeshData* mesh, const ElementProperty& p) {
  if (!GroupOfElements(mesh, p)) return 0;
  const int type = p.ElementType, n = mesh->ElemNodeCount[p.FirstElement];
  if (type != _PLANE_STRESS_QUAD && type != _PLANE_STRAIN_QUAD && type != _SOLID_HEXA) return 0;
  return (type == _SOLID_HEXA ? n == 20 : n == 8 || n == 9) ? n : 0;
}

// A warning naming each group of quadratic plane or solid elements whose crack model takes
// a band of the cracking rows (options 2 to 5) and that holds an element whose every node
// has its displacement along one of the element's directions prescribed: the displacements
// impose the element's strain, so its crack cannot localise in one row, every row cracks
// at once, and the band of one row dissipates more than Gf A.
void WarnHeldQuadraticCrackElements(const MeshData* mesh) {
  int* held;  // per point: bit d-1 set when dof d is prescribed in some phase
  alloci1(&held, std::max(mesh->nPoints, 1));
  zeroi1(held, std::max(mesh->nPoints, 1));
  for (int r = 1; r <= mesh->nSupports; r++) {
    const Support& sp = mesh->Supports[r];
    if (sp.Point < 1 || sp.Point > mesh->nPoints) continue;
    for (int d = 1; d <= 3; d++)
      if (sp.Fixity[d] == 1) held[sp.Point] |= 1 << (d - 1);
  }
  for (int g = 1; g <= mesh->nElemProps; g++) {
    const ElementProperty& p = mesh->ElemProps[g];
    const int n = QuadraticContinuumGroup(mesh, p);
    if (n == 0) continue;
    const int type = p.ElementType;
    int option = 0;
    ForEachGroupMaterial(mesh, p, [&](int code, int number) {
      option = CrackBandOptionOfKind(code, MaterialOf(mesh, code, number));
      return option != 0;
    });
    if (option < 2) continue;
    const char* mask = GetElementTypeInfo(type).dofMask;
    int first = 0, count = 0, along = 0;
    for (int e = p.FirstElement; e <= std::min(p.LastElement, mesh->nElements); e++) {
      int all = 7;
      for (int k = 1; k <= mesh->ElemNodeCount[e]; k++) all &= held[mesh->ElemNodes[e][k]];
      for (int d = 1; d <= 3; d++)
        if (mask[d] == '1' && (all & (1 << (d - 1))) != 0) {
          if (count++ == 0) first = e, along = d;
          break;
        }
    }
    if (count == 0) continue;
    if (option > 5) InternalError(__FILE__, __LINE__);
    static const char* const kOptions[] = {"", "_CONSTANT", "_SQRT_ELEMENT", "_SQRT_IP", "_OLIVER_ELEMENT",
                                           "_OLIVER_IP"};
    char msg[900];
    std::snprintf(msg, sizeof msg,
                  "Element property record %d (elements %d to %d, %d nodes): every node of element %d (and of\n"
                  "%d more elements of the group) has its displacement along dof %d prescribed. The prescribed\n"
                  "displacements impose the element's strain: a crack cannot localise in one row of its\n"
                  "integration points, every row cracks at once, and the crack band option %s, which\n"
                  "takes the width of the rows of one crack (13/18 of the element with three points per\n"
                  "direction), makes the element dissipate more than the fracture energy (18/13 of it).\n"
                  "Leave the nodes inside such an element free, or model it with linear elements.",
                  g, p.FirstElement, p.LastElement, n, first, count - 1, along, kOptions[option]);
    warnmsg(msg, 0);
  }
  freei1(held);
}

}  // namespace

void WarnElementSizeCrackBands(const MeshData* mesh) {
  for (int g = 1; g <= mesh->nElemProps; g++) {
    const ElementProperty& p = mesh->ElemProps[g];
    if (!GroupOfElements(mesh, p)) continue;
    const int n = mesh->ElemNodeCount[p.FirstElement];
    const bool quadratic = p.ElementType == _SOLID_HEXA ? n == 20 : (n == 8 || n == 9);
    if (!quadratic) continue;
    // A constant band cannot follow the rows of points that crack together.
    ForEachGroupMaterial(mesh, p, [&](int code, int number) {
      if (CrackBandOptionOfKind(code, MaterialOf(mesh, code, number)) != 1) return false;
      char msg[640];
      std::snprintf(msg, sizeof msg,
                    "Element property record %d (elements %d to %d, %d nodes): the crack band option _CONSTANT\n"
                    "gives every point the width given, but a crack of a quadratic element opens one row of\n"
                    "its integration points (two points per direction) or an outer and the middle row (three):\n"
                    "the fracture energy is dissipated in full only with the width of those rows (half the\n"
                    "element, or 13/18 of it). Use %s.",
                    g, p.FirstElement, p.LastElement, n,
                    CrackBandOptionsOfKind(code) == 5 ? "_SQRT_ELEMENT, _SQRT_IP, _OLIVER_ELEMENT or _OLIVER_IP"
                                                      : "_SQRT_ELEMENT or _SQRT_IP");
      warnmsg(msg, 0);
      return true;
    });
  }
  WarnHeldQuadraticCrackElements(mesh);
}

void CheckCrackElementRules(const MeshData* mesh) {
  for (int g = 1; g <= mesh->nElemProps; g++) {
    const ElementProperty& p = mesh->ElemProps[g];
    const int n = QuadraticContinuumGroup(mesh, p);
    if (n == 0 || p.IntegrationType != INTEG_GLEG) continue;
    const int type = p.ElementType;
    const int dim = type == _SOLID_HEXA ? 3 : 2;
    int c[4];
    Counts(mesh, p, dim, c);
    if (c[1] != 2 || c[2] != 2 || c[3] != (dim == 3 ? 2 : 1)) continue;
    bool cracks = false;
    ForEachGroupMaterial(mesh, p, [&](int code, int number) {
      return cracks = CrackBandOptionOfKind(code, MaterialOf(mesh, code, number)) != 0;
    });
    if (!cracks) continue;
    // The 9-node quadrilateral with 2 x 2 points keeps three deformation modes without
    // strain at the points, the 20-node hexahedron with 2 x 2 x 2 points six: a cracked
    // element (or the bar itself) has no stiffness against them. The 8-node quadrilateral
    // keeps one, which its neighbours hold while they are whole; once their points crack
    // too, a mesh of them drifts in it (a cracked bar moves sideways).
    std::fflush(stdout);
    std::fprintf(stderr, "\nChecking the integration rules of the cracking elements:\n");
    std::fprintf(stderr, "   -> Elem. prop. counter: %d (elements %d to %d)\n", g, p.FirstElement, p.LastElement);
    std::fprintf(stderr, "   -> Element type: %s, %d nodes\n", GetElementTypeInfo(type).keyword, n);
    std::fprintf(stderr, dim == 2 ? "   -> Integration rule: %d x %d points\n" : "   -> Integration rule: %d x %d x %d points\n",
                 c[1], c[2], c[3]);
    errexit(dim == 3   ? "The 20-node hexahedron with 2 x 2 x 2 points has zero-energy modes: a smeared-crack model\n"
                         "needs 3 x 3 x 3 points on it."
            : n == 9 ? "The 9-node quadrilateral with 2 x 2 points has zero-energy modes: a smeared-crack model\n"
                       "needs 3 x 3 points on it."
                     : "The 8-node quadrilateral with 2 x 2 points has a zero-energy mode: a smeared-crack model\n"
                       "needs 3 x 3 points on it.",
            0);
  }
}

void StartQuadCrackBand(int option, int nNodes, QuadCrackBand* b) {
  *b = QuadCrackBand{option, nNodes, {0.0, 0.0, 0.0, 0.0}, nullptr, nullptr, nullptr,
                     {nNodes, nullptr, nullptr, nullptr, 1.0}};
  if (option != 4 && option != 5) return;
  allocd1(&b->N0, nNodes);
  const double origin[3] = {0.0, 0.0, 0.0};
  CalcShapeFuncQuad(nNodes, b->N0, origin);
  if (option == 4) return;
  allocd2(&b->gSub, nNodes, 2);
  allocd2(&b->ySub, nNodes, 2);
}

void FreeQuadCrackBand(QuadCrackBand* b) {
  if (b->N0 != nullptr) freed1(b->N0);
  if (b->ySub != nullptr) freed2(b->ySub);
  if (b->gSub != nullptr) freed2(b->gSub);
}

const CrackBandGeometry* QuadCrackBandAt(QuadCrackBand* b, const OliverPointContext& at, double** X, double** dNdx,
                                         const double* s, const double* w) {
  CrackBandGeometry& g = b->geometry;
  if (b->option == 4) {
    g.X = X;
    g.gradN = dNdx;
    g.widthFraction = CrackZoneFraction(2, w);
  } else if (b->option == 5) {
    // The step is measured on the sub-element itself, around its own centre.
    const double extent[4] = {0.0, w[1], w[2], 0.0};
    CalcSubElementQuad(at, b->nNodes, s, X, extent, b->gSub, b->ySub);
    g.X = b->ySub;
    g.gradN = b->gSub;
  } else {
    return nullptr;
  }
  for (int k = 1; k <= 2; k++) {
    b->centre[k] = 0.0;
    for (int i = 1; i <= b->nNodes; i++) b->centre[k] += g.X[i][k] * b->N0[i];
  }
  g.centre = b->centre;
  return &g;
}
