// Temporary stand-ins, replaced when the real modules land.
#include "pending_lineelems.h"

#include "numcore/numcore.h"

bool Calc_x_to_s_General(int, int, int, int, const char*, double*, double**, const double*) {
  InternalError(__FILE__, __LINE__);
}

bool Calc_x_to_s_Quad(int, int, int, int, const char*, double*, double*, double**, const double*) {
  InternalError(__FILE__, __LINE__);
}
