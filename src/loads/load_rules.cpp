// Integration rules of the element loads taken from the load case, and the geometry
// services of the integrated load routines: per-node geometry records, nodal thickness
// of plane elements, Cartesian derivatives of a quadrilateral.
#include <cstdio>

#include "elements/kernel.h"
#include "loads/load_kernel.h"

namespace {

const char* IntegrationTypeKeyword(int type, char* buf, int size) {
  switch (type) {
    case 0: return "_NONE";
    case kIntGLEG: return "_GLEG";
    case kIntGLOB: return "_GLOB";
    case kIntNCOTES: return "_NCOTES";
    default:
      std::snprintf(buf, size, "%d", type);
      return buf;
  }
}

}  // namespace

void ElementNodeGeomRecords(const MeshData* Mesh, int PropIndex, int nNodes, int DirectKind, int TableCount,
                            int* NodeRecords) {
  const ElementProperty& prop = Mesh->ElemProps[PropIndex];
  int patternKind = 0, patternCount = 0;
  const int* patternRecords = nullptr;
  if (prop.GeometryKind == kGeomPatt) {
    if (prop.GeometryNumber < 1 || prop.GeometryNumber > Mesh->nGeomPatterns) InternalError(__FILE__, __LINE__);
    const GeometryPattern& g = Mesh->GeomPatterns[prop.GeometryNumber];
    patternKind = g.Kind;
    patternCount = g.nEntries;
    patternRecords = g.Record;
  }
  CalcNodeGeomRecords(nNodes, PropIndex, prop.GeometryKind, DirectKind, prop.GeometryNumber, patternKind, patternCount,
                      patternRecords, TableCount, NodeRecords);
}

void GetLoadRulePointCounts(const LoadReportContext& c, const LoadCaseParameters* Params, const MeshData* Mesh,
                            int nDirs, int* counts, const char* incompleteMsg) {
  if (nDirs < 1 || nDirs > 3) InternalError(__FILE__, __LINE__);
  const int name = Params->IntegrationName;
  if (name == 0) {
    for (int k = 1; k <= nDirs; k++) counts[k] = 3;
    return;
  }
  char line[kBinStringMax + 64];
  if (name < 1 || name > Mesh->nIntegrations) {
    std::snprintf(line, sizeof line, "   -> Specified integration pattern: %d\n", name);
    RefuseLoad(c, line, "The specified integration pattern does not exist.");
  }
  const NumericalIntegration& rule = Mesh->Integrations[name];
  const int all[4] = {0, Integ_G_S1(rule), Integ_G_S2(rule), Integ_G_S3(rule)};
  bool missing = false;
  for (int k = 1; k <= nDirs; k++) {
    counts[k] = all[k];
    if (all[k] == 0) missing = true;
  }
  if (!missing) return;
  std::snprintf(line, sizeof line, "   -> Specified integration name: %s\n", rule.Name);
  if (incompleteMsg != nullptr) RefuseLoad(c, line, incompleteMsg);
  switch (nDirs) {
    case 1: RefuseLoad(c, line, "Integration pattern is incomplete.\nThe parameter _G_S1_k is missing.");
    case 2: RefuseLoad(c, line, "Integration pattern is incomplete.\nThe parameters _G_S1_k and/or _G_S2_k are missing.");
    default:
      RefuseLoad(c, line, "Integration pattern is incomplete.\nThe parameters _G_S1_k, _G_S2_k and/or _G_S3_k are missing.");
  }
}

void GetLoadCaseLineRule(const LoadReportContext& c, const LoadCaseParameters* Params, const MeshData* Mesh,
                         int* counts, const double** a, const double** w) {
  GetLoadRulePointCounts(c, Params, Mesh, 1, counts);
  GetLoadLineRule(c, Params->IntegrationType, counts[1], a, w);
}

TensorRule GetLoadTensorRule(const LoadReportContext& c, const LoadCaseParameters* Params, const MeshData* Mesh,
                             int dim, const char* incompleteMsg) {
  TensorRule r{dim, {0, 0, 0, 0}, {nullptr, nullptr, nullptr, nullptr}, {nullptr, nullptr, nullptr, nullptr}};
  GetLoadRulePointCounts(c, Params, Mesh, dim, r.c, incompleteMsg);
  for (int d = 1; d <= dim; d++) GetLoadLineRule(c, Params->IntegrationType, r.c[d], &r.a[d], &r.w[d]);
  return r;
}

void PlaneNodalThickness(const MeshData* Mesh, int PropIndex, int nNodes, bool PlaneStress, double* t) {
  if (!PlaneStress) {
    filld1(t, nNodes, 1.0);
    return;
  }
  int* recs;
  alloci1(&recs, nNodes);
  ElementNodeGeomRecords(Mesh, PropIndex, nNodes, kGeomLamThick, Mesh->nLamThicks, recs);
  for (int a = 1; a <= nNodes; a++) t[a] = Mesh->LamThicks[recs[a]].Thickness;
  freei1(recs);
}

double LoadQuadCartesianDeriv(const LoadReportContext& c, int n, const double* s, double** X, double** dN, double** J,
                              double** Jinv, double** dNdx) {
  CalcShapeFuncDerivQuad(n, dN, s);
  return PointCartesianDerivWith(n, 2, X, dN, J, Jinv, dNdx,
                                 [&](double** Jm, double** Ji) { return LoadJacobianInverse(c, 2, Jm, Ji); });
}

void GetLoadLineRule(const LoadReportContext& c, int IntegrationType, int nPoints, const double** a, const double** w) {
  char kw[16], line[160];
  const char* keyword = IntegrationTypeKeyword(IntegrationType, kw, sizeof kw);
  if (IntegrationType != kIntGLEG && IntegrationType != kIntGLOB) {
    std::snprintf(line, sizeof line, "   -> Specified integration type : %s\n", keyword);
    RefuseLoad(c, line, "The specified integration type is not compatible with specified type of load.");
  }
  const int lo = IntegrationType == kIntGLEG ? 1 : 2;
  if (nPoints < lo || nPoints > 10) {
    std::snprintf(line, sizeof line, "   -> Specified integration type : %s\n   -> Number of integration points: %d\n",
                  keyword, nPoints);
    RefuseLoad(c, line,
               "The specified number of integration points is not available:\n"
               "_GLEG rules have 1 to 10 points and _GLOB rules 2 to 10 points.");
  }
  *a = IntegrationRuleTable.abscissa[IntegrationType][nPoints];
  *w = IntegrationRuleTable.weight[IntegrationType][nPoints];
}
