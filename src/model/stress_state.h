// The stress state of a material point: which strain and stress components the element
// around the point carries. Beside the element type codes, one state per type; the
// material laws and point routines are given the state, never the element type.
#pragma once

enum StressState {
  kStateNone,              // no mechanical point (thermal elements)
  kStateUniaxial,          // bars and cables: the axial component
  kStateBeam,              // frames and beams: section forces (fibres are uniaxial)
  kStatePlaneStress,       // (s11, s22, s12), s33 = 0
  kStatePlaneStrain,       // (s11, s22, s12), e33 = 0
  kStateAxisymmetric,      // (s_rr, s_zz, s_rz, s_tt)
  kStatePlate,             // slab: moments and transverse shear
  kStateShellLayer,        // a layer of the flat Mindlin shell
  kStateDegeneratedShell,  // a layer of the degenerated (Ahmad) shell
  kStateSolid,             // six components
  kStateInterfacePoint,    // relative displacements and rotations of a point pair
  kStateInterfaceLine2D,   // a line in the plane: slip and opening
  kStateInterfaceLine3D,   // a line in space: slip and the two components across
  kStateInterfaceSurface,  // a surface: two slips and the opening
};

// The state of the points of element type `type` (0..32; kStateNone for the thermal
// types and the empty type).
StressState StressStateOfType(int type);
