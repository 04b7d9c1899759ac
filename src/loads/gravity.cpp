// Gravity loads of a load case: the loops over the active elements (linear, and by the
// behaviour code of each element group), the dispatchers by element type and the
// densities of the element materials.
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "elements/elements.h"
#include "elements/kernel.h"
#include "loads/load_kernel.h"
#include "materials/elastic.h"
#include "materials/material_point.h"

namespace {

// Element types that take no gravity load: cables, interfaces and embedded cables.
bool TakesNoGravity(int type) { return !ElementTypeTakesGravity(type); }

double DensityOf(const MeshData* m, int kind, int number) { return MaterialDensity(kind, MaterialOf(m, kind, number)); }

enum DensityStatus { kDensityFound, kKindWithoutDensity, kPatternWithoutDensity };

DensityStatus LookupDensity_NL(int PropIndex, const MeshData* m, double* rho) {
  const ElementProperty& prop = m->ElemProps[PropIndex];
  const int kind = prop.MaterialKind, r = prop.MaterialNumber;
  *rho = 0.0;
  if (kind < 1 || kind > kMaterialKinds) InternalError(__FILE__, __LINE__);
  switch (MaterialDensityRule(kind)) {
    case kDensityOwn:
      *rho = DensityOf(m, kind, r);
      return kDensityFound;
    case kDensityNone:
    case kDensityOfLayers:  // layered shells take the densities of their layers
      return kDensityFound;
    case kDensityOfComponent: {
      if (r < 1 || r > m->nNlmmPatterns) InternalError(__FILE__, __LINE__);
      const MaterialPattern& pat = m->NlmmPatterns[r];
      for (int k = 1; k <= pat.nComponents; k++) {
        const int c = pat.Kind[k];
        if (PatternComponentHasDensity(c)) {
          *rho = DensityOf(m, c, pat.Number[k]);
          return kDensityFound;
        }
      }
      return kPatternWithoutDensity;
    }
    default:
      return kKindWithoutDensity;
  }
}

const char* DensityFailure(DensityStatus s) {
  if (s == kPatternWithoutDensity)
    return "No component of the material pattern gives the density\n(_LIN_ISO, _NLMM104 or _NLMM111 component):\n"
           "the gravity load cannot be applied.";
  return "The material type of the element has no density:\nthe gravity load cannot be applied.";
}

bool NullGravity(const double* g) { return std::fabs(g[1]) + std::fabs(g[2]) + std::fabs(g[3]) < 1e-12; }

}  // namespace

// ---- loops --------------------------------------------------------------------------------

void Calc_F_GravityLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  const int* ElemPropIndex = Work->ElemPropIndex;
  const char* PointTypes = Work->PointTypes;
  const PointList* PointElemAdjacency = Work->PointElemAdjacency;
  const double* g = LoadCase->Gravity;
  if (NullGravity(g)) return;
  for (int Element = 1; Element <= Mesh->nElements; Element++) {
    const int PropIndex = ElemPropIndex[Element];
    if (PropIndex == 0) continue;
    const int type = Mesh->ElemProps[PropIndex].ElementType;
    const int n = Mesh->ElemNodeCount[Element];
    const double rho = CalcDensity(PropIndex, Mesh);
    double* Fe;
    allocd1(&Fe, 6 * n);
    Calc_Fg_GravityLoad(6 * n, Element, type, LoadCaseNumber, n, PropIndex, rho, OutputControl, &LoadCase->Params, Mesh,
                        ElemPropIndex, Fe, g, PointTypes, PointElemAdjacency);
    AddElementLoadVector(LB_GRAVITY_LOAD, 0, Element, type, LoadCaseNumber, n, "gravity", Mesh, Work, Fe, F_Free,
                         F_Presc);
    freed1(Fe);
  }
}

void Calc_F_GravityLoad_NL(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                           const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  const int* ElemPropIndex = Work->ElemPropIndex;
  const char* PointTypes = Work->PointTypes;
  const PointList* PointElemAdjacency = Work->PointElemAdjacency;
  const double* g = LoadCase->Gravity;
  if (NullGravity(g)) return;
  for (int Element = 1; Element <= Mesh->nElements; Element++) {
    const int PropIndex = ElemPropIndex[Element];
    if (PropIndex == 0) continue;
    const int type = Mesh->ElemProps[PropIndex].ElementType;
    const int n = Mesh->ElemNodeCount[Element];
    const char b = CalcBehaviorType(PropIndex, &Mesh->Main, Mesh->ElemProps);
    // Cables and interfaces take no gravity: their material is not asked for a density.
    double rho = 0.0;
    if (!TakesNoGravity(type)) {
      const DensityStatus s = LookupDensity_NL(PropIndex, Mesh, &rho);
      if (s != kDensityFound) {
        char line[96];
        std::snprintf(line, sizeof line, "   -> Material type: %s\n",
                      kMaterialKindKeywords[Mesh->ElemProps[PropIndex].MaterialKind]);
        RefuseLoad(GravityReportContext(LoadCaseNumber, Element, type), line, DensityFailure(s));
      }
    }
    double* Fe;
    allocd1(&Fe, 6 * n);
    switch (b) {
      case 'L':
      case 'G':
        Calc_Fg_GravityLoad(6 * n, Element, type, LoadCaseNumber, n, PropIndex, rho, OutputControl, &LoadCase->Params,
                            Mesh, ElemPropIndex, Fe, g, PointTypes, PointElemAdjacency);
        break;
      case 'M':
      case 'N':
        Calc_Fg_GravityLoad_NL(6 * n, Element, type, LoadCaseNumber, n, PropIndex, rho, OutputControl, LoadCase, Mesh,
                               ElemPropIndex, Fe, PointTypes, PointElemAdjacency);
        break;
      default:
        InternalError(__FILE__, __LINE__);
    }
    AddElementLoadVector(LB_GRAVITY_LOAD, 0, Element, type, LoadCaseNumber, n, "gravity", Mesh, Work, Fe, F_Free,
                         F_Presc);
    freed1(Fe);
  }
}

// ---- dispatchers ------------------------------------------------------------------------------

void Calc_Fg_GravityLoad(int Size, int Element, int ElementType, int LoadCaseNumber, int nNodes, int PropIndex,
                         double Density, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const double* GravityVector,
                         const char* PointTypes, const PointList* PointElemAdjacency) {
  if (ElementType < _TRUSS_2D || ElementType > kNumElementTypes) InternalError(__FILE__, __LINE__);
  if (TakesNoGravity(ElementType)) {
    zerod1(Fe, Size);
    return;
  }
  // The triangles have no load routines.
  if (ElementType == _PLANE_STRESS_TRIANG) RefuseLoadOnElementType(GravityReportContext(LoadCaseNumber, Element, ElementType));
  switch (ElementType) {
    case _TRUSS_2D:
      Calc_Fg_GravityLoadTruss2D(Size, Element, nNodes, PropIndex, Density, OutputControl, Mesh->ElemNodes, Fe,
                                 GravityVector, Mesh->PointCoord, Mesh->CsAreas, Mesh->ElemProps);
      return;
    case _TRUSS_3D:
      Calc_Fg_GravityLoadTruss3D(Size, Element, PropIndex, Density, OutputControl, Mesh->ElemNodes, Fe, GravityVector,
                                 Mesh->PointCoord, Mesh->CsAreas, Mesh->ElemProps);
      return;
    case _FRAME_2D:
      Calc_Fg_GravityLoadFrame2D(Size, Element, nNodes, PropIndex, Density, OutputControl, Mesh->ElemNodes, Fe,
                                 GravityVector, Mesh->PointCoord, Mesh->Frame2DSections, Mesh->ElemProps);
      return;
    case _FRAME_3D:
      Calc_Fg_GravityLoadFrame3D(Size, Element, PropIndex, Density, OutputControl, Mesh->ElemNodes, Fe, GravityVector,
                                 Mesh->PointCoord, Mesh->Frame3DSections, Mesh->ElemProps);
      return;
    case _TIMOSHENKO_BEAM_3D:
      Calc_Fg_GravityLoadTimoshenkoBeam3D(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, OutputControl,
                                          Params, Mesh, Fe, GravityVector);
      return;
    case _PLANE_STRESS_QUAD:
      Calc_Fg_GravityLoadPlaneStressQuad(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, Params, Mesh, Fe,
                                         GravityVector);
      return;
    case _PLANE_STRAIN_QUAD:
      Calc_Fg_GravityLoadPlaneStrainQuad(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, Params, Mesh, Fe,
                                         GravityVector);
      return;
    case _MINDLIN_SLAB_QUAD:
      Calc_Fg_GravityLoadMindlinSlabQuad(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, Params, Mesh, Fe,
                                         GravityVector);
      return;
    case _MINDLIN_SHELL_QUAD:
      Calc_Fg_GravityLoadMindlinShellQuad(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, OutputControl,
                                          Params, Mesh, Fe, GravityVector);
      return;
    case _AHMAD_SHELL_QUAD:
      Calc_Fg_GravityLoadAhmadShellQuad(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, OutputControl,
                                        Params, Mesh, ElemPropIndex, Fe, GravityVector, PointTypes,
                                        PointElemAdjacency);
      return;
    case _SOLID_HEXA:
      Calc_Fg_GravityLoadSolidHexa(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, Params, Mesh, Fe,
                                   GravityVector);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void Calc_Fg_GravityLoad_NL(int Size, int Element, int ElementType, int LoadCaseNumber, int nNodes, int PropIndex,
                            double Density, const char* OutputControl, const LoadCaseData* LoadCase,
                            const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                            const PointList* PointElemAdjacency) {
  // Materially nonlinear Mindlin and Ahmad shells are layered: the densities of their layers.
  if (ElementType == _MINDLIN_SHELL_QUAD) {
    Calc_Fg_GravityLoadMindlinShellQuad_NL(Size, Element, LoadCaseNumber, nNodes, PropIndex, OutputControl,
                                           &LoadCase->Params, Mesh, Fe, LoadCase->Gravity);
    return;
  }
  if (ElementType == _AHMAD_SHELL_QUAD) {
    Calc_Fg_GravityLoadAhmadShellQuad_NL(Size, Element, LoadCaseNumber, nNodes, PropIndex, OutputControl,
                                         &LoadCase->Params, Mesh, ElemPropIndex, Fe, LoadCase->Gravity, PointTypes,
                                         PointElemAdjacency);
    return;
  }
  Calc_Fg_GravityLoad(Size, Element, ElementType, LoadCaseNumber, nNodes, PropIndex, Density, OutputControl,
                      &LoadCase->Params, Mesh, ElemPropIndex, Fe, LoadCase->Gravity, PointTypes, PointElemAdjacency);
}

// ---- densities -----------------------------------------------------------------------------------

double CalcDensity(int PropIndex, const MeshData* Mesh) {
  const ElementProperty& prop = Mesh->ElemProps[PropIndex];
  if (LinearElasticity(prop.MaterialKind) == kElasticNone) return 0.0;
  return DensityOf(Mesh, prop.MaterialKind, prop.MaterialNumber);
}

double CalcDensity_NL(int PropIndex, const MeshData* Mesh) {
  double rho;
  const DensityStatus s = LookupDensity_NL(PropIndex, Mesh, &rho);
  if (s == kDensityFound) return rho;
  std::fflush(stdout);
  std::fprintf(stderr, "\nCalculating the density of the material of element property record n. %d\n", PropIndex);
  std::fprintf(stderr, "   -> Material type: %s\n", kMaterialKindKeywords[Mesh->ElemProps[PropIndex].MaterialKind]);
  errexit(DensityFailure(s), 0);
}

void CalcLayerDensity(int L, int LayerPatternNumber, double* rho, const MeshData* Mesh) {
  for (int k = 1; k <= L; k++) {
    const LayerProperty& layer = Mesh->LayerProps[Mesh->LayerPatterns[LayerPatternNumber].Layer[k]];
    if (LayerDensityKindIndex(layer.MaterialKind) == 0) {
      std::fflush(stdout);
      std::fprintf(stderr, "\nCalculating the densities of the layers of layer pattern n. %d\n", LayerPatternNumber);
      std::fprintf(stderr, "   -> Layer: %d\n", k);
      std::fprintf(stderr, "   -> Material type: %s\n", MaterialKindName(layer.MaterialKind));
      errexit("The material type of the layer is not valid for the gravity load.", 0);
    }
    rho[k] = MaterialDensity(layer.MaterialKind, Mesh->Materials[layer.MaterialKind][layer.MaterialNumber]);
  }
}
