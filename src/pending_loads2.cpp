// Temporary stand-ins, replaced when the real modules land.
#include "pending_loads2.h"

#include "numcore/numcore.h"

void Calc_Fg_TempVarSolidHexa_NL(int, int, int, int, int, int, double, double, Index_HD*, const LoadCaseParameters*,
                                 const MeshData*, NLMM_HD*, ElemHDEntry*, int**, double*, double**, double**,
                                 const NumericalIntegration*, const ElementProperty*,
                                 const TemperatureVariationRecord*) {
  InternalError(__FILE__, __LINE__);
}
