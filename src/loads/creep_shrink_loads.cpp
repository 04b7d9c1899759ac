// Creep and shrinkage loads of time-dependent concrete: per combination of a transient
// run, the nodal forces B^T s of the creep stress and of D times the shrinkage strain at
// the points of the solid elements whose material is a time-dependent pattern. They
// join the combination's loads unscaled, shrinkage first, then creep.
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "elements/kernel.h"
#include "elements/point_rules.h"
#include "elements/shell_solid.h"
#include "history/history.h"
#include "loads/load_kernel.h"
#include "materials/solid_pattern.h"

namespace {

enum class TimeLoad { kCreep, kShrink };

const char* Heading(TimeLoad k) {
  return k == TimeLoad::kCreep ? "Calculating the creep load contribution to the global load vector:\n"
                               : "Calculating the shrinkage load contribution to the global load vector:\n";
}

[[noreturn]] void RefusePoint(TimeLoad k, int elem, const char* line, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "%s", Heading(k));
  std::fprintf(stderr, "   -> Element: %d\n", elem);
  std::fprintf(stderr, "   -> Element type: _SOLID_HEXA\n");
  if (line != nullptr) std::fprintf(stderr, "%s", line);
  errexit(msg, 0);
}

// Both element loads: the element's own rule and points (as its internal forces walk
// them), at each point the stress of the load, integrated as B^T s.
void SolidTimeLoad(TimeLoad k, int nDofs, int elem, int nNodes, int prop, double dt, double t, const Index_HD* index,
                   const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, double* Fg, double** nodeTemps) {
  if (nNodes != 8 && nNodes != 20) InternalError(__FILE__, __LINE__);
  if (nDofs != 6 * nNodes) InternalError(__FILE__, __LINE__);
  const SolidPattern pat = SolidPatternOf(mesh, prop);
  const ElementProperty& p = mesh->ElemProps[prop];
  int c[4] = {0, 2, 2, 2};
  if (p.IntegrationNumber != 0) {
    if (p.IntegrationNumber < 1 || p.IntegrationNumber > mesh->nIntegrations) InternalError(__FILE__, __LINE__);
    const NumericalIntegration& r = mesh->Integrations[p.IntegrationNumber];
    for (int d = 1; d <= 3; d++) c[d] = IntegPoints(r, 'G', d);
    if (c[1] == 0 || c[2] == 0 || c[3] == 0) {
      char line[kBinStringMax + 64];
      std::snprintf(line, sizeof line, "   -> Specified integration name: %s\n", r.Name);
      RefusePoint(k, elem, line,
                  "Integration pattern is incomplete.\nThe parameters _G_S1_k, _G_S2_k and/or _G_S3_k are missing.");
    }
  }
  const TensorRule rule = ElementTensorRule(elem, p, 3, c);
  double* fe;
  allocd1(&fe, 3 * nNodes);
  HexaPointWork hw;
  OpenHexaPointWork(elem, nNodes, mesh, &hw);
  zerod1(Fg, nDofs);
  const double* T = nodeTemps != nullptr ? nodeTemps[elem] : nullptr;
  int records[kMaterialKinds + 1];
  ForEachRulePoint(rule, RuleOrder::kFirstFastest, [&](const RulePoint& q) {
    const int ip = q.ip;
    const double det = HexaPointGeometry(q.s, &hw, [&](double** J, double** Jinv) {
      const double d = detd2(J, 3);
      if (JacobianIsNull(d, 3, 3, J))
        RefusePoint(k, elem, nullptr,
                    "Jacobian determinant is null:\nelement geometry and/or mesh connectivity must be changed.");
      if (d < 0.0)
        RefusePoint(k, elem, nullptr,
                    "Jacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed.");
      double buf[4][4];
      double* W[4] = {nullptr, buf[1], buf[2], buf[3]};
      copyd2(W, J, 3, 3);
      if (!invertd2(Jinv, W, 3))
        RefusePoint(k, elem, nullptr,
                    "Unable to invert the Jacobian matrix:\n"
                    "element geometry and/or mesh connectivity must be changed.");
      return d;
    });
    RecordsOfPatternPoint_HD(index, elemToHD[elem], ip, kMaterialKinds, records);
    const SolidPatternPoint r = SolidPatternRecords(pat, hd, records);
    const PatternMoment mo{dt, t, T != nullptr ? dotd1(hw.N, T, nNodes) : 0.0, 0.0, 0.0};
    double sigma[7];
    const PointContext at{ip, 0, elem, 0, 0};
    const bool acts = k == TimeLoad::kCreep ? SolidPatternCreepStress(pat, at, mesh, r, mo, sigma)
                                            : SolidPatternShrinkStress(pat, at, mesh, r, mo, sigma);
    if (!acts) return;
    multtd2d1(fe, hw.B, sigma, 3 * nNodes, 6);
    const double f = q.weight * det;
    for (int n = 1; n <= nNodes; n++)
      for (int d = 1; d <= 3; d++) Fg[6 * (n - 1) + d] += fe[3 * (n - 1) + d] * f;
  });
  CloseHexaPointWork(&hw);
  freed1(fe);
}

void Calc_Fg_TimeLoad_NL(TimeLoad k, int nDofs, int elem, int type, int nNodes, int prop, double dt, double t,
                         const Index_HD* index, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, double* Fg,
                         double** nodeTemps) {
  switch (type) {
    case _PLANE_STRESS_QUAD: zerod1(Fg, nDofs); return;  // no contribution
    case _SOLID_HEXA:
      SolidTimeLoad(k, nDofs, elem, nNodes, prop, dt, t, index, mesh, hd, elemToHD, Fg, nodeTemps);
      return;
    default: InternalError(__FILE__, __LINE__);
  }
}

void Calc_F_TimeLoad_NL(TimeLoad k, double dt, double t, const Index_HD* index, const MeshData* mesh, NLMM_HD* hd,
                        const int* elemToHD, const MainWorkArrays* work, double* F_Free, double* F_Presc,
                        double** nodeTemps) {
  for (int e = 1; e <= mesh->nElements; e++) {
    const int prop = work->ElemPropIndex[e];
    if (prop == 0 || !PropertyIsMaterialPattern(mesh, prop)) continue;
    const int type = mesh->ElemProps[prop].ElementType;
    const int n = mesh->ElemNodeCount[e];
    // Geometrically nonlinear runs refuse material patterns at their set-up.
    if (CalcBehaviorType(prop, &mesh->Main, mesh->ElemProps) != 'M') InternalError(__FILE__, __LINE__);
    double* Fg;
    allocd1(&Fg, 6 * n);
    Calc_Fg_TimeLoad_NL(k, 6 * n, e, type, n, prop, dt, t, index, mesh, hd, elemToHD, Fg, nodeTemps);
    AddElementLoadVector(0, 0, e, type, 0, n, k == TimeLoad::kCreep ? "creep" : "shrinkage", mesh, work, Fg, F_Free,
                         F_Presc);
    freed1(Fg);
  }
}

}  // namespace

void Calc_Fg_CreepSolidHexa_NL(int nDofs, int elem, int nNodes, int prop, double dt, double t, const Index_HD* index,
                               const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, double* Fg,
                               double** nodeTemps) {
  SolidTimeLoad(TimeLoad::kCreep, nDofs, elem, nNodes, prop, dt, t, index, mesh, hd, elemToHD, Fg, nodeTemps);
}

void Calc_Fg_ShrinkSolidHexa_NL(int nDofs, int elem, int nNodes, int prop, double dt, double t, const Index_HD* index,
                                const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, double* Fg,
                                double** nodeTemps) {
  SolidTimeLoad(TimeLoad::kShrink, nDofs, elem, nNodes, prop, dt, t, index, mesh, hd, elemToHD, Fg, nodeTemps);
}

void Calc_Fg_CreepLoad_NL(int nDofs, int elem, int type, int nNodes, int prop, double dt, double t,
                          const Index_HD* index, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, double* Fg,
                          double** nodeTemps) {
  Calc_Fg_TimeLoad_NL(TimeLoad::kCreep, nDofs, elem, type, nNodes, prop, dt, t, index, mesh, hd, elemToHD, Fg,
                      nodeTemps);
}

void Calc_Fg_ShrinkLoad_NL(int nDofs, int elem, int type, int nNodes, int prop, double dt, double t,
                           const Index_HD* index, const MeshData* mesh, NLMM_HD* hd, const int* elemToHD, double* Fg,
                           double** nodeTemps) {
  Calc_Fg_TimeLoad_NL(TimeLoad::kShrink, nDofs, elem, type, nNodes, prop, dt, t, index, mesh, hd, elemToHD, Fg,
                      nodeTemps);
}

void Calc_F_CreepLoad_NL(double dt, double t, const Index_HD* index, const MeshData* mesh, NLMM_HD* hd,
                         const int* elemToHD, const MainWorkArrays* work, double* F_Free, double* F_Presc,
                         double** nodeTemps) {
  Calc_F_TimeLoad_NL(TimeLoad::kCreep, dt, t, index, mesh, hd, elemToHD, work, F_Free, F_Presc, nodeTemps);
}

void Calc_F_ShrinkLoad_NL(double dt, double t, const Index_HD* index, const MeshData* mesh, NLMM_HD* hd,
                          const int* elemToHD, const MainWorkArrays* work, double* F_Free, double* F_Presc,
                          double** nodeTemps) {
  Calc_F_TimeLoad_NL(TimeLoad::kShrink, dt, t, index, mesh, hd, elemToHD, work, F_Free, F_Presc, nodeTemps);
}
