// Helpers shared by the line and interface element families: node-count check,
// integration point counts of line rules, nodal cross-section areas and the cable steel
// laws.
#include <cstddef>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "model/material.h"
#include "model/mesh.h"
#include "numcore/numcore.h"

void CheckNodeCountLineElem(int elem, int typeCode, int nNodes, const char* context, int nValid, const int* valid) {
  for (int k = 1; k <= nValid; k++)
    if (nNodes == valid[k]) return;
  char list[64] = "";
  size_t used = 0;
  for (int k = 1; k <= nValid && used < sizeof list; k++) {
    const char* sep = k == nValid ? "" : (k == nValid - 1 ? " or " : ", ");
    const int w = std::snprintf(list + used, sizeof list - used, "%d%s", valid[k], sep);
    if (w < 0) break;
    used += static_cast<size_t>(w);
  }
  char msg[256];
  std::snprintf(msg, sizeof msg, "Element n. %d (%s) has %d nodes.\nThis element type takes %s nodes.", elem,
                GetElementTypeInfo(typeCode).keyword, nNodes, list);
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, context, elem);
  errexit(msg, 0);
}

int CalcNumIntPointsLine(int elem, const char* context, int prop, char pattern, const MeshData* mesh) {
  const ElementProperty& p = mesh->ElemProps[prop];
  if (p.IntegrationNumber == 0) return 2;
  const NumericalIntegration& r = mesh->Integrations[p.IntegrationNumber];
  const int n = IntegPoints(r, pattern, 1);
  if (n == 0) {
    char msg[128];
    std::snprintf(msg, sizeof msg, "Integration pattern is incomplete.\nThe parameter _%c_S1_k is missing.", pattern);
    std::fflush(stdout);
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, context, elem);
    std::fprintf(stderr, "   -> Specified integration name: %s\n", r.Name);
    errexit(msg, 0);
  }
  return n;
}

void CalcNodalAreasLine(int n, int prop, const MeshData* mesh, double* A) {
  const ElementProperty& p = mesh->ElemProps[prop];
  int* rec;
  alloci1(&rec, n);
  CalcPropNodeGeomRecords(n, prop, p, kGeomCsArea, mesh->GeomPatterns, mesh->nCsAreas, rec);
  for (int k = 1; k <= n; k++) A[k] = mesh->CsAreas[rec[k]].Area;
  freei1(rec);
}

double CableSteelTangent(int kind, int iter, const MaterialRecord& mat) {
  switch (kind) {
    case MAT_NLMM201:
      // CalcMat_D_NLMM201 on the point's NLMM201_HD record: the monotonic steel law is
      // not part of this build.
      InternalError(__FILE__, __LINE__);
    case MAT_NLMM202:
      // The first two iterations take the initial modulus whatever the record holds.
      if (iter <= 2) return MatValue(mat, 3);
      // From iteration 3 on: the tangent the cyclic steel law stored in the point's
      // record; the law and its record are not part of this build.
      InternalError(__FILE__, __LINE__);
    default:
      InternalError(__FILE__, __LINE__);
  }
}

double CableSteelStress(int kind, double epsMech, double epsTh) {
  (void)epsMech;
  (void)epsTh;
  switch (kind) {
    case MAT_NLMM201:
      // CalcStress_NLMM201 on the point's NLMM201_HD record: not part of this build.
      InternalError(__FILE__, __LINE__);
    case MAT_NLMM202:
      // CalcStress_NLMM202 on the point's record (NLMM145_HD layout): not part of this build.
      InternalError(__FILE__, __LINE__);
    default:
      InternalError(__FILE__, __LINE__);
  }
}
