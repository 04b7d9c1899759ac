// The record routines of every history slot, one object per model, defined beside its
// record's fields and gathered by the slot table.
#pragma once

#include "history/records.h"

namespace recordfamily {
// Plasticity, cyclic steel, _NLMM146 and the time-dependent concrete.
extern const RecordOps kOps121, kOps122, kOps123, kOps124, kOps125, kOps145, kOps146, kOps171, kOps172, kOps173,
    kOps174, kOps175, kOps202;
// Smeared cracks.
extern const RecordOps kOps101, kOps102, kOps104, kOps111, kOps141, kOps142, kOps151;
// Uniaxial and fibre laws, interfaces, thermal laws, layer failure and the fracture model.
extern const RecordOps kOps201, kOps210, kOps211, kOps220, kOps298, kOps299, kOps301, kOps302, kOps303, kOps304,
    kOps305, kOps306, kOps320, kOps401, kOps451, kOps501, kOpsFracture;
}  // namespace recordfamily
