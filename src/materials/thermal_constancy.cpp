// Constancy of the thermal materials (thermal_constancy.h).
#include "materials/thermal_constancy.h"

#include "model/material.h"
#include "model/mesh.h"

bool ThermalMaterialIsConstant(int property, const MeshData* mesh) {
  const ElementProperty& p = mesh->ElemProps[property];
  switch (p.MaterialKind) {
    case MAT_THERMAL_ISO:
      return true;
    case MAT_NLMM451: {
      // Laws 1 (constant) of the density (value 1), specific heat (6) and conductivity (4).
      const MaterialRecord& m = MaterialOf(mesh, p.MaterialKind, p.MaterialNumber);
      return MatValue(m, 1) == 1.0 && MatValue(m, 6) == 1.0 && MatValue(m, 4) == 1.0;
    }
    default:
      return false;
  }
}
