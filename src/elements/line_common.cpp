// Helpers shared by the line and interface element families: node-count check,
// integration point counts of line rules and nodal cross-section areas.
#include <cstddef>
#include <cstdio>

#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "history/history.h"
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

int LinePointRecord(const Index_HD* indexHD, const int* elemToHD, int elem, int ip) {
  if (indexHD == nullptr) return 0;  // no history data: the laws that need a record refuse
  if (elemToHD == nullptr || elemToHD[elem] == 0) InternalError(__FILE__, __LINE__);
  return RecordOfSingle_HD(indexHD, elemToHD[elem], ip);
}
