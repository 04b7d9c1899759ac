// Temporary stand-ins, replaced when the real modules land.
#include "pending_entry.h"

#include "numcore/numcore.h"

void Calc_F(int, int, int, const char*, const LoadCaseData*, const MeshData*, int**, const int*, const int*,
            const int*, double*, double*, char**, const char*, const char*, const PointList*,
            const EmbCableMotherRecord*) {
  InternalError(__FILE__, __LINE__);
}

void Calc_F_FreeMasterSlave(const MeshData*, int**, double*, char**) { InternalError(__FILE__, __LINE__); }

void Calc_a_Presc(int, int, const LoadCaseData*, int**, double*, char**) { InternalError(__FILE__, __LINE__); }
