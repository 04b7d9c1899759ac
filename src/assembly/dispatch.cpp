// Element stiffness dispatch of the linear assembly and the behaviour codes of the
// element groups.
#include "assembly/assembly.h"
#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "materials/material_table.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "elements/elements.h"
#include "elements/line_elements.h"
#include "elements/shell_solid.h"
#include "springs/springs.h"

char CalcBehaviorType(int property, const MainParameters* main, const ElementProperty* props) {
  return MaterialBehaviourCode(props[property].MaterialKind, main->GeomNonlinear != 0);
}

bool ElementTypeHasStiffness(int type) { return ElementBehaviourOf(type).stiffness.run != nullptr; }

int ElemMatSize(int type, int nNodes) { return GetElementTypeInfo(type).dofsPerNode * nNodes; }

void Calc_Kg(int element, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
             const int* ElemPropIndex, double*** K, const char* PointTypes, const PointList* PointElemAdjacency) {
  const int type = mesh->ElemProps[property].ElementType;
  if (type == 0) InternalError(__FILE__, __LINE__);
  const int n = ElemMatSize(type, nNodes);
  allocd2(K, n, n);
  zerod2(*K, n, n);
  const ElementCall c = LinearElementCall(element, nNodes, property, n, OutputControl, mesh, ElemPropIndex, PointTypes,
                                          PointElemAdjacency);
  RunElemMat(ElementBehaviour[type].stiffness, type, c, *K);
}

void PlaceOnMother(ElementCall* c, int mother, int slot, const MeshData* mesh, const MainWorkArrays* w) {
  const int seq = w->MotherElemIndex[mother];
  const int cable = w->EmbCableMotherRecord[seq].cables[slot];
  c->element = cable;
  c->nNodes = mesh->ElemNodeCount[cable];
  c->property = w->ElemPropIndex[cable];
  const int type = mesh->ElemProps[c->property].ElementType;
  if (type != _EMB_CABLE_2D && type != _EMB_CABLE_3D) InternalError(__FILE__, __LINE__);
  c->mother = mother;
  c->slot = slot;
  c->motherSeq = seq;
  c->motherType = mesh->ElemProps[w->ElemPropIndex[mother]].ElementType;
  c->nMotherNodes = mesh->ElemNodeCount[mother];
  c->motherRecords = w->EmbCableMotherRecord;
}

void CalcStiffEmbCable(int mother, int n, const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                       double** K) {
  const EmbCableMotherRecord& r = w->EmbCableMotherRecord[w->MotherElemIndex[mother]];
  double** Kw;
  allocd2(&Kw, n, n);
  for (int slot = 1; slot <= r.nCables; slot++) {
    ElementCall c = LinearElementCall(0, 0, 0, n, OutputControl, mesh, w->ElemPropIndex, w->PointTypes,
                                      w->PointElemAdjacency);
    PlaceOnMother(&c, mother, slot, mesh, w);
    const int type = mesh->ElemProps[c.property].ElementType;
    zerod2(Kw, n, n);
    RunElemMat(ElementBehaviour[type].stiffness, type, c, Kw);
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
                          w->ElemHasSpringLink, w->PointTypes, w->PointElemAdjacency, &w->Springs);
}
