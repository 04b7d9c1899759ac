// Cross-section and thickness properties: the value of each element node, given once for
// the whole element or node by node through a geometry pattern, and the layer geometry
// of laminates.
#include <cstdio>

#include "elements/kernel.h"
#include "numcore/numcore.h"

namespace {

[[noreturn]] void BadGeomRecord(int property, int record, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "Reading the geometric properties of element property record n. %d\n", property);
  std::fprintf(stderr, "   -> Record: %d\n", record);
  errexit(msg, 0);
}

}  // namespace

void CalcNodeGeomRecords(int n, int property, int kind, int directKind, int record, int patternKind,
                         int patternCount, const int* patternRecords, int tableCount, int* nodeRecords) {
  if (kind == directKind) {
    if (record < 1 || record > tableCount)
      BadGeomRecord(property, record, "The element property refers to a geometric record that does not exist.");
    for (int k = 1; k <= n; k++) nodeRecords[k] = record;
    return;
  }
  if (kind != kGeomPatt) InternalError(__FILE__, __LINE__);
  if (n < 1) return;
  if (patternKind != directKind)
    BadGeomRecord(property, record, "The geometry pattern refers to records of another geometric kind.");
  if (patternCount < n)
    BadGeomRecord(property, record, "The geometry pattern has fewer entries than the element has nodes.");
  for (int k = 1; k <= n; k++) {
    const int r = patternRecords[k];
    if (r < 1 || r > tableCount)
      BadGeomRecord(property, r, "The geometry pattern refers to a geometric record that does not exist.");
    nodeRecords[k] = r;
  }
}

void SetSection3DNodeValues(int k, const double* rec, double** V) {
  static constexpr int kFrom[12] = {0, 11, 1, 9, 10, 5, 6, 7, 8, 2, 3, 4};
  for (int j = 1; j <= 11; j++) V[j][k] = rec[kFrom[j]];
}

void CalcLayerGeomFromNodal(int nLayers, int n, double** nodalThick, const double* N, double* total,
                            double* zBottom, double* zMid, double* zTop, double* thickness) {
  *total = 0.0;
  for (int i = 1; i <= nLayers; i++) {
    thickness[i] = dotd1(N, nodalThick[i], n);
    *total += thickness[i];
  }
  double S = 0.0;
  for (int i = 1; i <= nLayers; i++) {
    S += thickness[i];
    zMid[i] = S - thickness[i] / 2.0 - *total / 2.0;
    zBottom[i] = zMid[i] - thickness[i] / 2.0;
    zTop[i] = thickness[i] / 2.0 + zMid[i];
  }
}
