// The element-type table: what each element type code is.
#include <cstdio>

#include "elements/kernel.h"
#include "numcore/numcore.h"

const ElementTypeRow ElementTypeInfo[kNumElementTypes + 1] = {
    {"_NONE", "None", 0, 0, 0, 0, 0, " 000", " 000000", 0, 1},
    {"_TRUSS_2D", "Truss2D", 0, 1, 1, 2, 2, " 011", " 011000", 0, 2},
    {"_TRUSS_3D", "Truss3D", 0, 1, 1, 3, 3, " 111", " 111000", 0, 2},
    {"_FRAME_2D", "Frame2D", 0, 1, 1, 2, 3, " 011", " 011100", 0, 2},
    {"_FRAME_3D", "Frame3D", 0, 1, 1, 3, 6, " 111", " 111111", 0, 2},
    {"_CABLE_2D", "Cable2D", 0, 1, 1, 2, 2, " 011", " 011000", 1, 2},
    {"_CABLE_3D", "Cable3D", 0, 1, 1, 3, 3, " 111", " 111000", 1, 2},
    {"_TIMOSHENKO_BEAM_2D", "TimoshenkoBeam2D", 0, 1, 1, 2, 3, " 011", " 011100", 1, 2},
    {"_TIMOSHENKO_BEAM_3D", "TimoshenkoBeam3D", 0, 1, 1, 3, 6, " 111", " 111111", 1, 2},
    {"_PLANE_STRESS_TRIANG", "PlaneStressTriang", 1, 3, 2, 2, 2, " 011", " 011000", 0x101, 3},
    {"_PLANE_STRESS_QUAD", "PlaneStressQuad", 1, 4, 2, 2, 2, " 011", " 011000", 0x101, 4},
    {"_PLANE_STRESS_QUAD_THERMAL", "PlaneStressQuadThermal", 1, 4, 2, 2, 1, " 011", " 100000", 0x101, 4},
    {"_PLANE_STRAIN_TRIANG", "PlaneStrainTriang", 1, 3, 2, 2, 2, " 011", " 011000", 0x101, 3},
    {"_PLANE_STRAIN_QUAD", "PlaneStrainQuad", 1, 4, 2, 2, 2, " 011", " 011000", 0x101, 4},
    {"_AXIS_LINE", "AxisLine", 1, 1, 1, 2, 2, " 011", " 011000", 0x101, 2},
    {"_AXIS_TRIANG", "AxisTriang", 1, 3, 2, 2, 2, " 011", " 011000", 0x101, 2},
    {"_AXIS_QUAD", "AxisQuad", 1, 4, 2, 2, 2, " 011", " 011000", 0x101, 2},
    {"_MINDLIN_SLAB_TRIANG", "MindlinSlabTriang", 1, 3, 2, 2, 3, " 110", " 001110", 0x101, 3},
    {"_MINDLIN_SLAB_QUAD", "MindlinSlabQuad", 1, 4, 2, 2, 3, " 110", " 001110", 0x101, 4},
    {"_MINDLIN_SHELL_TRIANG", "MindlinShellTriang", 1, 3, 2, 3, 6, " 111", " 111111", 0x101, 3},
    {"_MINDLIN_SHELL_QUAD", "MindlinShellQuad", 1, 4, 2, 3, 6, " 111", " 111111", 0x101, 4},
    {"_AHMAD_SHELL_TRIANG", "AhmadShellTriang", 1, 3, 3, 3, 6, " 111", " 111111", 0x101, 3},
    {"_AHMAD_SHELL_QUAD", "AhmadShellQuad", 1, 4, 3, 3, 6, " 111", " 111111", 0x101, 4},
    {"_SOLID_TETRA", "SolidTetra", 4, 6, 3, 3, 3, " 111", " 111000", 1, 5},
    {"_SOLID_HEXA", "SolidHexa", 6, 12, 3, 3, 3, " 111", " 111000", 1, 6},
    {"_SOLID_HEXA_THERMAL", "SolidHexaThermal", 6, 12, 3, 3, 1, " 111", " 100000", 1, 6},
    {"_INTERFACE_POINT", "InterfacePoint", 0, 0, 0, 3, 6, " 111", " 111111", 1, 1},
    {"_INTERFACE_LINE_2D", "InterfaceLine2D", 0, 1, 1, 2, 2, " 011", " 011000", 1, 2},
    {"_INTERFACE_LINE_3D", "InterfaceLine3D", 0, 1, 1, 3, 3, " 111", " 111000", 1, 2},
    {"_INTERFACE_TRIANG", "InterfaceTriang", 1, 4, 2, 3, 3, " 111", " 111000", 1, 3},
    {"_INTERFACE_QUAD", "InterfaceQuad", 1, 4, 2, 3, 3, " 111", " 111000", 1, 4},
    {"_EMB_CABLE_2D", "EmbCable2D", 0, 1, 1, 2, 0, " 011", " 000000", 1, 2},
    {"_EMB_CABLE_3D", "EmbCable3D", 0, 1, 1, 3, 0, " 111", " 000000", 1, 2},
};

const ElementTypeRow& GetElementTypeInfo(int typeCode) {
  if (typeCode < 0 || typeCode > kNumElementTypes) {
    std::fflush(stdout);
    std::fprintf(stderr, "\nElement type code: %d\n", typeCode);
    errexit("Invalid element type code.\nElement type codes run from 1 to 32.", 0);
  }
  return ElementTypeInfo[typeCode];
}
