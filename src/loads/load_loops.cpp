// The loops over the element-load blocks of a load case: per record the element load
// vector of the loaded element, its rotation at points with a special coordinate system
// and its assembly.
#include <cstdio>

#include "loads/load_kernel.h"

namespace {

// Which block a loop walks.
enum LoopKind { kIntPoint, kEdge, kIntEdge, kFace, kIntFace };

struct LoopInfo {
  int blockIndex;
  const char* loadTypeWord;
  bool zeroVector;  // the dispatcher's routines may leave entries untouched
};

LoopInfo InfoOf(LoopKind kind) {
  switch (kind) {
    case kIntPoint: return {LB_INTERNAL_POINT_LOADS, "internal point", false};
    case kEdge: return {LB_EDGE_LOADS, "edge", false};
    case kIntEdge: return {LB_INTERNAL_EDGE_LOADS, "internal edge", true};
    case kFace: return {LB_FACE_LOADS, "face", false};
    case kIntFace: return {LB_INTERNAL_FACE_LOADS, "internal face", true};
  }
  InternalError(__FILE__, __LINE__);
}

int RecordCount(LoopKind kind, const LoadCaseData* lc) {
  switch (kind) {
    case kIntPoint: return lc->nIntPointLoads;
    case kEdge: return lc->nEdgeLoads;
    case kIntEdge: return lc->nIntEdgeLoads;
    case kFace: return lc->nFaceLoads;
    case kIntFace: return lc->nIntFaceLoads;
  }
  InternalError(__FILE__, __LINE__);
}

int RecordElement(LoopKind kind, const LoadCaseData* lc, int r) {
  switch (kind) {
    case kIntPoint: return lc->IntPointLoads[r].Element;
    case kEdge: return lc->EdgeLoads[r].Element;
    case kIntEdge: return lc->IntEdgeLoads[r].Element;
    case kFace: return lc->FaceLoads[r].Element;
    case kIntFace: return lc->IntFaceLoads[r].Element;
  }
  InternalError(__FILE__, __LINE__);
}

void LoadBlockLoop(LoopKind kind, int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                   const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  const int* ElemPropIndex = Work->ElemPropIndex;
  const char* PointTypes = Work->PointTypes;
  const PointList* PointElemAdjacency = Work->PointElemAdjacency;
  const LoopInfo info = InfoOf(kind);
  const int count = RecordCount(kind, LoadCase);
  const LoadCaseParameters* params = &LoadCase->Params;
  for (int r = 1; r <= count; r++) {
    const int Element = RecordElement(kind, LoadCase, r);
    if (Element < 1 || Element > Mesh->nElements) {
      std::fflush(stdout);
      std::fprintf(stderr, "\nCalculating the %s load contribution to the global load vector:\n", info.loadTypeWord);
      std::fprintf(stderr, "   -> Load case: %d\n", LoadCaseNumber);
      std::fprintf(stderr, "   -> Block name: %s\n", LoadBlockKeywords[info.blockIndex]);
      std::fprintf(stderr, "   -> Counter: %d\n", r);
      std::fprintf(stderr, "   -> Element: %d\n", Element);
      errexit("The specified element does not exist.", 0);
    }
    const int PropIndex = ElemPropIndex[Element];
    if (PropIndex == 0) continue;
    const int type = Mesh->ElemProps[PropIndex].ElementType;
    const int n = Mesh->ElemNodeCount[Element];
    const int size = 6 * n;
    double* Fe;
    allocd1(&Fe, size);
    if (info.zeroVector) zerod1(Fe, size);
    switch (kind) {
      case kIntPoint:
        Calc_Fg_IntPointLoad(size, Element, type, r, LoadCaseNumber, n, PropIndex, OutputControl, Mesh, ElemPropIndex,
                             Fe, PointTypes, LoadCase->IntPointLoads, PointElemAdjacency);
        break;
      case kEdge:
        Calc_Fg_EdgeLoad(size, r, Element, type, LoadCaseNumber, n, PropIndex, OutputControl, params, Mesh,
                         ElemPropIndex, Fe, PointTypes, LoadCase->EdgeLoads, PointElemAdjacency);
        break;
      case kIntEdge:
        Calc_Fg_IntEdgeLoad(size, Element, type, r, LoadCaseNumber, n, PropIndex, OutputControl, params, Mesh,
                            ElemPropIndex, Fe, PointTypes, LoadCase->IntEdgeLoads, PointElemAdjacency);
        break;
      case kFace:
        Calc_Fg_FaceLoad(size, Element, type, r, LoadCaseNumber, n, PropIndex, OutputControl, params, Mesh,
                         ElemPropIndex, Fe, PointTypes, LoadCase->FaceLoads, PointElemAdjacency);
        break;
      case kIntFace:
        Calc_Fg_IntFaceLoad(size, Element, type, r, LoadCaseNumber, n, PropIndex, OutputControl, params, Mesh,
                            ElemPropIndex, Fe, PointTypes, LoadCase->IntFaceLoads, PointElemAdjacency);
        break;
    }
    AddElementLoadVector(info.blockIndex, r, Element, type, LoadCaseNumber, n, info.loadTypeWord, Mesh, Work, Fe,
                         F_Free, F_Presc);
    freed1(Fe);
  }
}

}  // namespace

void Calc_F_IntPointLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                         const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  LoadBlockLoop(kIntPoint, LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
}

void Calc_F_EdgeLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                     const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  LoadBlockLoop(kEdge, LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
}

void Calc_F_IntEdgeLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  LoadBlockLoop(kIntEdge, LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
}

void Calc_F_FaceLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                     const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  LoadBlockLoop(kFace, LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
}

void Calc_F_IntFaceLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  LoadBlockLoop(kIntFace, LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
}
