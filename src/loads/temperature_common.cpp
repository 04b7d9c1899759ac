// Services of the temperature-load routines: the thermal constants of the element's
// material, the nodal temperature values of a record and the work arrays of an
// isoparametric element.
#include <cstdio>

#include "loads/load_kernel.h"
#include "materials/material_point.h"
#include "materials/material_table.h"
#include "numcore/numcore.h"

namespace {

const char* KindKeyword(int kind) {
  return MaterialKindName(kind);
}

}  // namespace

void GetThermalMaterial(const LoadReportContext& c, int PropIndex, const MeshData* Mesh, const int* kinds,
                        ThermalMaterial* t) {
  const ElementProperty& p = Mesh->ElemProps[PropIndex];
  const int kind = p.MaterialKind;
  bool accepted = false;
  for (int k = 0; kinds[k] != 0; k++)
    if (kinds[k] == kind) accepted = true;
  char line[kBinStringMax + 128];
  if (!accepted) {
    std::snprintf(line, sizeof line, "   -> Material type: %s\n", KindKeyword(kind));
    RefuseLoad(c, line,
               "The thermal expansion of the material type of the element\nis not defined for this type of element:\n"
               "the temperature load cannot be applied.");
  }
  const MaterialRecord& rec = MaterialOf(Mesh, kind, p.MaterialNumber);
  t->kind = kind;
  t->E = 0.0;
  if (ExpansionCount(kind) == 0) InternalError(__FILE__, __LINE__);
  for (int j = 1; j <= 3; j++) t->alpha[j] = ExpansionCoefficient(kind, rec, j);
  // Orthotropic materials give their stiffness through the element's elasticity matrix.
  if (ExpansionCount(kind) == 3) return;
  if (!UniaxialModulusDefined(kind, rec)) {
    // The modulus of the law's elastic branch: its end stress over its end strain.
    std::snprintf(line, sizeof line, "   -> Material type: %s\n   -> Material: %s\n", KindKeyword(kind), rec.Name);
    RefuseLoad(c, line, "The strain at the end of the elastic branch of the material is null.");
  }
  t->E = UniaxialInitialModulus(kind, rec);
}

void OpenThermalIsoWork(int n, int dim, ThermalIsoWork* w) {
  allocd2(&w->X, n, dim);
  allocd2(&w->dN, n, dim);
  allocd2(&w->J, dim, dim);
  allocd2(&w->Jinv, dim, dim);
  allocd2(&w->dNdx, n, dim);
  allocd1(&w->N, n);
  allocd1(&w->dT, n);
}

void CloseThermalIsoWork(ThermalIsoWork* w) {
  freed1(w->dT);
  freed1(w->N);
  freed2(w->dNdx);
  freed2(w->Jinv);
  freed2(w->J);
  freed2(w->dN);
  freed2(w->X);
}

void TempVarNodalValues(const LoadReportContext& c, int valueCount, const double* values, int n, double* dT) {
  if (SpreadNodalValues(valueCount, values, n, dT)) return;
  char line[64];
  std::snprintf(line, sizeof line, "   -> Number of values: %d\n", valueCount);
  RefuseLoad(c, line, "The temperature variation must give one value,\nor one value per node of the element.");
}
