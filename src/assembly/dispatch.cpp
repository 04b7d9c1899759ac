// Element stiffness dispatch of the linear assembly and the behaviour codes of the
// element groups.
#include "assembly/assembly.h"
#include "elements/kernel.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "elements/elements.h"
#include "elements/line_elements.h"
#include "elements/shell_solid.h"
#include "springs/springs.h"

char CalcBehaviorType(int property, const MainParameters* main, const ElementProperty* props) {
  const int code = props[property].MaterialKind;
  const bool geometric = main->GeomNonlinear != 0;
  if ((code >= 1 && code <= 6) || code == 49) return geometric ? 'G' : 'L';
  if ((code >= 7 && code <= 30) || (code >= 32 && code <= 43) || code == 45 || code == 47 || code == 48)
    return geometric ? 'N' : 'M';
  InternalError(__FILE__, __LINE__);
}

bool ElementTypeHasStiffness(int type) {
  switch (type) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 8: case 9: case 10: case 13: case 18: case 20: case 22:
    case 24: case 27: case 28: case 30: case 31: case 32:
      return true;
    default:
      return false;
  }
}

int ElemMatSize(int type, int nNodes) { return GetElementTypeInfo(type).dofsPerNode * nNodes; }

void Calc_Kg(int element, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
             const int* ElemPropIndex, double*** K, const char* PointTypes, const PointList* PointElemAdjacency) {
  const int type = mesh->ElemProps[property].ElementType;
  if (type == 0) InternalError(__FILE__, __LINE__);
  const int n = ElemMatSize(type, nNodes);
  allocd2(K, n, n);
  zerod2(*K, n, n);
  double** Kg = *K;
  switch (type) {
    case 1: CalcStiffTruss2D(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 2: CalcStiffTruss3D(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 3: CalcStiffFrame2D(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 4: CalcStiffFrame3D(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 5: CalcStiffCable2D(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 6: CalcStiffCable3D(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 8: CalcStiffTimoshenkoBeam3D(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 9: CalcStiffPlaneStressTriang(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 10: CalcStiffPlaneStressQuad(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 13: CalcStiffPlaneStrainQuad(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 18: CalcStiffMindlinSlabQuad(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 20: CalcStiffMindlinShellQuad(n, element, nNodes, property, OutputControl, mesh, Kg, PointTypes); break;
    case 22:
      CalcStiffAhmadShellQuad(n, element, nNodes, property, OutputControl, mesh, ElemPropIndex, Kg, PointTypes,
                              PointElemAdjacency);
      break;
    case 24: CalcStiffSolidHexa(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 27: CalcStiffInterfaceLine2D(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 28: CalcStiffInterfaceLine3D(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 30: CalcStiffInterfaceQuad(n, element, nNodes, property, OutputControl, mesh, Kg); break;
    case 31:
    case 32:
      break;  // embedded cables: no dofs of their own, stiffness on the mother element
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcStiffEmbCable(int mother, int n, const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                       double** K) {
  const int seq = w->MotherElemIndex[mother];
  const EmbCableMotherRecord& r = w->EmbCableMotherRecord[seq];
  const int motherType = mesh->ElemProps[w->ElemPropIndex[mother]].ElementType;
  const int nMotherNodes = mesh->ElemNodeCount[mother];
  double** Kw;
  allocd2(&Kw, n, n);
  for (int slot = 1; slot <= r.nCables; slot++) {
    const int cable = r.cables[slot];
    const int prop = w->ElemPropIndex[cable];
    zerod2(Kw, n, n);
    switch (mesh->ElemProps[prop].ElementType) {
      case 31:
        CalcStiffEmbCable2D(n, cable, mother, slot, seq, motherType, nMotherNodes, prop, OutputControl, mesh, Kw,
                            w->EmbCableMotherRecord);
        break;
      case 32:
        CalcStiffEmbCable3D(n, cable, mother, slot, seq, motherType, nMotherNodes, prop, OutputControl, mesh, Kw,
                            w->EmbCableMotherRecord);
        break;
      default:
        InternalError(__FILE__, __LINE__);
    }
    addd2(K, Kw, n, n);
  }
  freed2(Kw);
}

void CalcElemStiffLinear(int e, const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w, int* n,
                         double*** K) {
  const int prop = w->ElemPropIndex[e];
  const int type = mesh->ElemProps[prop].ElementType;
  const int nNodes = mesh->ElemNodeCount[e];
  Calc_Kg(e, nNodes, prop, OutputControl, mesh, w->ElemPropIndex, K, w->PointTypes, w->PointElemAdjacency);
  *n = ElemMatSize(type, nNodes);
  if (w->MotherElemIndex[e] > 0) CalcStiffEmbCable(e, *n, OutputControl, mesh, w, *K);
  CalcStiffElementSprings(e, type, nNodes, prop, GetElementTypeInfo(type).dofMask, OutputControl, mesh,
                          w->ElemPropIndex, *K, w->ElemHasPointSpring, w->ElemHasLineSpring, w->ElemHasSurfSpring,
                          w->ElemHasSpringLink, w->PointTypes, w->PointElemAdjacency);
}
