// Temporary stand-ins, replaced when the real modules land.
#include "pending_loads.h"

void Calc_F_TempVar(int, const char*, const LoadCaseData* LoadCase, const MeshData*, int**, const int*, const int*,
                    const int*, double*, double*, char**, const char*, const char*, const PointList*,
                    const EmbCableMotherRecord*) {
  if (LoadCase->nTempVars > 0) InternalError(__FILE__, __LINE__);
}

void Calc_F_TempVar_NL(int, double, double, Index_HD*, const char*, const LoadCaseData* LoadCase, const MeshData*,
                       NLMM_HD*, int**, ElemHDEntry*, const int*, const int*, const int*, double*, double*, double**,
                       char**, const char*, const char*, const PointList*, const EmbCableMotherRecord*) {
  if (LoadCase->nTempVars > 0) InternalError(__FILE__, __LINE__);
}

void Calc_F_DiffTempVar(int, const char*, const LoadCaseData* LoadCase, const MeshData*, int**, const int*,
                        const int*, double*, double*, char**, const char*, const char*, const PointList*) {
  if (LoadCase->nDiffTempVars > 0) InternalError(__FILE__, __LINE__);
}

void Calc_Fg_FaceLoad(int, int, int, int, int, int, int, const char*, const LoadCaseParameters*, const MeshData*,
                      const int*, double*, const char*, const FaceLoad*, const PointList*) {
  InternalError(__FILE__, __LINE__);
}

void Calc_Fg_IntEdgeLoad(int, int, int, int, int, int, int, const char*, const LoadCaseParameters*, const MeshData*,
                         const int*, double*, const char*, const InternalEdgeLoad*, const PointList*) {
  InternalError(__FILE__, __LINE__);
}

void Calc_Fg_IntFaceLoad(int, int, int, int, int, int, int, const char*, const LoadCaseParameters*, const MeshData*,
                         const int*, double*, const char*, const InternalFaceLoad*, const PointList*) {
  InternalError(__FILE__, __LINE__);
}
