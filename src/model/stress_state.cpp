// The stress state of each element type's points.
#include "model/stress_state.h"

#include "model/mesh.h"
#include "numcore/numcore.h"

namespace {

// Indexed by the type code.
constexpr StressState kStateOfType[_EMB_CABLE_3D + 1] = {
    kStateNone,
    kStateUniaxial, kStateUniaxial,                                     // trusses
    kStateBeam, kStateBeam,                                             // frames
    kStateUniaxial, kStateUniaxial,                                     // cables
    kStateBeam, kStateBeam,                                             // Timoshenko beams
    kStatePlaneStress, kStatePlaneStress, kStateNone,                   // plane stress, thermal quad
    kStatePlaneStrain, kStatePlaneStrain,
    kStateAxisymmetric, kStateAxisymmetric, kStateAxisymmetric,
    kStatePlate, kStatePlate,                                           // Mindlin slabs
    kStateShellLayer, kStateShellLayer,                                 // Mindlin shells
    kStateDegeneratedShell, kStateDegeneratedShell,                     // Ahmad shells
    kStateSolid, kStateSolid, kStateNone,                               // tetrahedron, hexahedra
    kStateInterfacePoint, kStateInterfaceLine2D, kStateInterfaceLine3D,
    kStateInterfaceSurface, kStateInterfaceSurface,
    kStateUniaxial, kStateUniaxial,                                     // embedded cables
};

}  // namespace

StressState StressStateOfType(int type) {
  if (type < 0 || type > _EMB_CABLE_3D) InternalError(__FILE__, __LINE__);
  return kStateOfType[type];
}
