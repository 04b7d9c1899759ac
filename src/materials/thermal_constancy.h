// Whether a thermal material can change its conductivity or heat capacity during a run.
#pragma once

#include "model/mesh.h"

// True when the material of the element-property record `property` keeps its
// conductivity and heat capacity whatever the temperature and the time: _THERMAL_ISO, and
// _NLMM451 with the constant density, specific heat and conductivity laws. The hydrating
// concrete _NLMM401 and the Eurocode laws of _NLMM451 follow the state.
bool ThermalMaterialIsConstant(int property, const MeshData* mesh);
