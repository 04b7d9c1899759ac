// Temporary stand-ins, replaced when the real modules land.
#include "pending_loads2.h"

void CalcMat_D_Solid(int, int, int, int, double**, const MaterialRecord*, const MaterialRecord*,
                     const ElementProperty*) {
  InternalError(__FILE__, __LINE__);
}

void CalcMat_B_MindlinSlab(int, char, double**, double**, const double*) { InternalError(__FILE__, __LINE__); }

void CalcMat_D_MindlinSlab(int, int, int, int, int, double**, double**, const MaterialRecord*, const ElementProperty*) {
  InternalError(__FILE__, __LINE__);
}

void CalcMat_B_MindlinShell(int, char, double**, double**, const double*) { InternalError(__FILE__, __LINE__); }

void CalcMat_D_MindlinShell(int, int, int, int, int, int, double**, double**, double**, const AuxiliaryVector*,
                            const CoordinateSystem*, const MaterialRecord*, const MaterialRecord*,
                            const ElementProperty*) {
  InternalError(__FILE__, __LINE__);
}

void CalcMat_D_MatCoordSys(int, int, const char*, double*, double**, const AuxiliaryVector*, const CoordinateSystem*) {
  InternalError(__FILE__, __LINE__);
}

void CalcMat_Tgn_AhmadShellQuad(int, int, int, const char*, const int*, const int*, int**, double***, double**,
                                double**, const char*, const PointList*, const ElementProperty*) {
  InternalError(__FILE__, __LINE__);
}

void CalcMat_J_AhmadShell(int, int, double**, double**, const double*, const double*, double***, double**,
                          const double*) {
  InternalError(__FILE__, __LINE__);
}

void CalcMat_du_ds_AhmadShell(int, int, int, int, int, int, int, int**, double**, double**, const double*,
                              const double*, double***, const double*, const char*) {
  InternalError(__FILE__, __LINE__);
}

void CalcMat_B_AhmadShell(int, int, int, int, int, int, int, int, int, char, double**, double**, double**, double**) {
  InternalError(__FILE__, __LINE__);
}

void CalcMat_D_AhmadShell(int, int, int, int, int, double**, double**, const MaterialRecord*, const ElementProperty*) {
  InternalError(__FILE__, __LINE__);
}

void Calc_Fg_TempVarSolidHexa_NL(int, int, int, int, int, int, double, double, Index_HD*, const LoadCaseParameters*,
                                 const MeshData*, NLMM_HD*, ElemHDEntry*, int**, double*, double**, double**,
                                 const NumericalIntegration*, const ElementProperty*,
                                 const TemperatureVariationRecord*) {
  InternalError(__FILE__, __LINE__);
}
