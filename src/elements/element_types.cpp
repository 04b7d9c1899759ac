// The element-type table: what each element type code is; beside it, the behaviour rows:
// which routine gives each matrix and vector of a type.
#include <cstdio>

#include "elements/behaviour.h"
#include "elements/elements.h"
#include "elements/kernel.h"
#include "elements/line_elements.h"
#include "elements/shell_solid.h"
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

namespace {

constexpr ElemMatCell Mat(ElemMatRoutine r) { return {r, nullptr}; }
constexpr ElemVecCell Vec(ElemVecRoutine r) { return {r, nullptr}; }

constexpr ElemMatCell kNoStiffness = {
    nullptr, "The element type has no stiffness routine: it is not available in a mechanical analysis."};
constexpr ElemMatCell kNoMass = {nullptr,
                                 "The element type has no mass matrix: the dynamic and modal analyses take\n"
                                 "trusses, frames, the Mindlin and Ahmad shell quadrilaterals and the hexahedron."};
constexpr ElemMatCell kNoTangent = {nullptr,
                                    "The element type has no tangent routine: it takes no nonlinear material."};
constexpr ElemVecCell kNoForces = {nullptr,
                                   "The element type has no internal-force routine: it takes no nonlinear material."};
constexpr ElemMatCell kNoGeomTangent = {nullptr, "The element type has no geometrically nonlinear tangent."};
constexpr ElemVecCell kNoGeomForces = {nullptr, "The element type has no geometrically nonlinear internal forces."};

// A type with no mechanical routine at all (thermal types, types not built yet).
constexpr ElementBehaviourRow kNoRow = {kNoStiffness, kNoMass, kNoTangent, kNoForces, kNoGeomTangent, kNoGeomForces};
constexpr ElementBehaviourRow LinearRow(ElemMatRoutine k) {
  return {Mat(k), kNoMass, kNoTangent, kNoForces, kNoGeomTangent, kNoGeomForces};
}
constexpr ElementBehaviourRow LinearMassRow(ElemMatRoutine k, ElemMatRoutine m) {
  return {Mat(k), Mat(m), kNoTangent, kNoForces, kNoGeomTangent, kNoGeomForces};
}
constexpr ElementBehaviourRow MaterialRow(ElemMatRoutine k, ElemMatRoutine kt, ElemVecRoutine f) {
  return {Mat(k), kNoMass, Mat(kt), Vec(f), kNoGeomTangent, kNoGeomForces};
}
// Embedded cables: every matrix and force on the mother element (no mass); the geometric
// cells take the materially nonlinear routines.
constexpr ElementBehaviourRow OnMotherRow(ElemMatRoutine k, ElemMatRoutine kt, ElemVecRoutine f) {
  return {Mat(k), kNoMass, Mat(kt), Vec(f), Mat(kt), Vec(f)};
}

}  // namespace

const ElementBehaviourRow ElementBehaviour[kNumElementTypes + 1] = {
    /* _NONE */ kNoRow,
    /* _TRUSS_2D */ LinearMassRow(LinearCell<CalcStiffTruss2D>, LinearCell<CalcMassMatTruss2D>),
    /* _TRUSS_3D */ LinearMassRow(LinearCell<CalcStiffTruss3D>, LinearCell<CalcMassMatTruss3D>),
    /* _FRAME_2D */ LinearMassRow(LinearCell<CalcStiffFrame2D>, LinearCell<CalcMassMatFrame2D>),
    /* _FRAME_3D */ LinearMassRow(LinearCell<CalcStiffFrame3D>, LinearCell<CalcMassMatFrame3D>),
    /* _CABLE_2D */ MaterialRow(LinearCell<CalcStiffCable2D>, TangentCell<CalcStiffCable2D_NL>, Cable2DForces),
    /* _CABLE_3D */ MaterialRow(LinearCell<CalcStiffCable3D>, TangentCell<CalcStiffCable3D_NL>, Cable3DForces),
    /* _TIMOSHENKO_BEAM_2D */ kNoRow,
    /* _TIMOSHENKO_BEAM_3D */
    MaterialRow(LinearCell<CalcStiffTimoshenkoBeam3D>, TangentCell<CalcStiffTimoshenkoBeam3D_NL>,
                ForcesCell<CalcInt_Fg_TimoshenkoBeam3D_NL>),
    /* _PLANE_STRESS_TRIANG */ LinearRow(LinearCell<CalcStiffPlaneStressTriang>),
    /* _PLANE_STRESS_QUAD */
    {Mat(LinearCell<CalcStiffPlaneStressQuad>), kNoMass, Mat(TangentCell<CalcStiffPlaneStressQuad_NL>),
     Vec(PlaneStressQuadForces), Mat(PlaneStressQuadGeometricTangent), Vec(PlaneStressQuadGeometricForces)},
    /* _PLANE_STRESS_QUAD_THERMAL */ kNoRow,
    /* _PLANE_STRAIN_TRIANG */ kNoRow,
    /* _PLANE_STRAIN_QUAD */
    MaterialRow(LinearCell<CalcStiffPlaneStrainQuad>, TangentCell<CalcStiffPlaneStrainQuad_NL>, PlaneStrainQuadForces),
    /* _AXIS_LINE */ kNoRow,
    /* _AXIS_TRIANG */ kNoRow,
    /* _AXIS_QUAD */ kNoRow,
    /* _MINDLIN_SLAB_TRIANG */ kNoRow,
    /* _MINDLIN_SLAB_QUAD */ LinearRow(LinearCell<CalcStiffMindlinSlabQuad>),
    /* _MINDLIN_SHELL_TRIANG */ kNoRow,
    /* _MINDLIN_SHELL_QUAD */
    {Mat(MindlinShellQuadStiffness), Mat(MindlinShellQuadMass), Mat(MindlinShellQuadTangent),
     Vec(MindlinShellQuadForces), Mat(MindlinShellQuadGeometricTangent), Vec(MindlinShellQuadGeometricForces)},
    /* _AHMAD_SHELL_TRIANG */ kNoRow,
    /* _AHMAD_SHELL_QUAD */
    {Mat(AhmadShellQuadStiffness), Mat(AhmadShellQuadMass), Mat(AhmadShellQuadTangent), Vec(AhmadShellQuadForces),
     kNoGeomTangent, kNoGeomForces},
    /* _SOLID_TETRA */ kNoRow,
    /* _SOLID_HEXA */
    {Mat(LinearCell<CalcStiffSolidHexa>), Mat(LinearCell<CalcMassMatSolidHexa>), Mat(SolidHexaTangent),
     Vec(SolidHexaForces), Mat(SolidHexaGeometricTangent), Vec(SolidHexaGeometricForces)},
    /* _SOLID_HEXA_THERMAL */ kNoRow,
    /* _INTERFACE_POINT */ kNoRow,
    /* _INTERFACE_LINE_2D */
    MaterialRow(LinearCell<CalcStiffInterfaceLine2D>, TangentCell<CalcStiffInterfaceLine2D_NL>,
                ForcesCell<CalcInt_Fg_InterfaceLine2D_NL>),
    /* _INTERFACE_LINE_3D */
    MaterialRow(LinearCell<CalcStiffInterfaceLine3D>, TangentCell<CalcStiffInterfaceLine3D_NL>,
                ForcesCell<CalcInt_Fg_InterfaceLine3D_NL>),
    /* _INTERFACE_TRIANG */ kNoRow,
    /* _INTERFACE_QUAD */
    MaterialRow(LinearCell<CalcStiffInterfaceQuad>, TangentCell<CalcStiffInterfaceQuad_NL>,
                ForcesCell<CalcInt_Fg_InterfaceQuad_NL>),
    /* _EMB_CABLE_2D */ OnMotherRow(EmbCable2DStiffness, EmbCable2DTangent, EmbCable2DForces),
    /* _EMB_CABLE_3D */ OnMotherRow(EmbCable3DStiffness, EmbCable3DTangent, EmbCable3DForces),
};

const ElementBehaviourRow& ElementBehaviourOf(int type) {
  GetElementTypeInfo(type);  // refuses a code outside the table
  return ElementBehaviour[type];
}

ElementCall LinearElementCall(int element, int nNodes, int property, int n, const char* OutputControl,
                              const MeshData* mesh, const int* ElemPropIndex, const char* PointTypes,
                              const PointList* PointElemAdjacency) {
  return {.element = element, .nNodes = nNodes, .property = property, .n = n, .OutputControl = OutputControl,
          .mesh = mesh, .ElemPropIndex = ElemPropIndex, .PointTypes = PointTypes,
          .PointElemAdjacency = PointElemAdjacency};
}

namespace {

[[noreturn]] void RefuseCell(int type, const char* refusal) {
  std::fflush(stdout);
  std::fprintf(stderr, "\nElement type: %s\n%s\n", GetElementTypeInfo(type).keyword, refusal);
  InternalError(__FILE__, __LINE__);
}

}  // namespace

// The routine's work arrays are its own: a fault of the iterate that unwinds through it
// releases them.
void RunElemMat(const ElemMatCell& cell, int type, const ElementCall& c, double** K) {
  if (cell.run == nullptr) RefuseCell(type, cell.refusal);
  const WorkArrayFrame work;
  cell.run(c, K);
}

void RunElemVec(const ElemVecCell& cell, int type, const ElementCall& c, double* F) {
  if (cell.run == nullptr) RefuseCell(type, cell.refusal);
  const WorkArrayFrame work;
  cell.run(c, F);
}
