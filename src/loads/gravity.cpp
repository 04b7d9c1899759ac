// Gravity loads of a load case: the loops over the active elements (linear, and by the
// behaviour code of each element group), the dispatchers by element type and the
// densities of the element materials.
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "elements/elements.h"
#include "elements/kernel.h"
#include "loads/loads.h"
#include "loads/shell_loads.h"

namespace {

// Element types that take no gravity load: cables, interfaces and embedded cables.
bool TakesNoGravity(int type) { return type == 5 || type == 6 || (type >= 26 && type <= 32); }

double DensityOf(const MeshData* m, int kind, int number) { return MatValue(MaterialOf(m, kind, number), 1); }

enum DensityStatus { kDensityFound, kKindWithoutDensity, kPatternWithoutDensity };

DensityStatus LookupDensity_NL(int p, const MeshData* m, double* rho) {
  const ElementProperty& prop = m->ElemProps[p];
  const int kind = prop.MaterialKind, r = prop.MaterialNumber;
  *rho = 0.0;
  switch (kind) {
    case MAT_LIN_ISO:
    case MAT_LIN_ORTHO:
    case MAT_NLMM101:
    case MAT_NLMM102:
    case MAT_NLMM104:
    case MAT_NLMM111:
    case MAT_NLMM121:
    case MAT_NLMM122:
    case MAT_NLMM123:
    case MAT_NLMM124:
    case MAT_NLMM141:
    case MAT_NLMM142:
    case MAT_NLMM145:
    case MAT_NLMM146:
    case MAT_NLMM151:
    case MAT_NLMM201:
    case MAT_NLMM202:
      *rho = DensityOf(m, kind, r);
      return kDensityFound;
    case MAT_LIN_INT_POINT:
    case MAT_LIN_INT_LINE_2D:
    case MAT_LIN_INT_LINE_3D:
    case MAT_LIN_INT_SURF:
    case MAT_NLMM301:
    case MAT_NLMM302:
    case MAT_NLMM303:
    case MAT_NLMM304:
    case MAT_NLMM305:
    case MAT_NLMM306:
    case MAT_NLMM320:
    case MAT_LAY_PATT:  // layered shells take the densities of their layers
      return kDensityFound;
    case MAT_NLMM_PATT: {
      if (r < 1 || r > m->nNlmmPatterns) InternalError(__FILE__, __LINE__);
      const MaterialPattern& pat = m->NlmmPatterns[r];
      for (int k = 1; k <= pat.nComponents; k++) {
        const int c = pat.Kind[k];
        if (c == MAT_LIN_ISO || c == MAT_NLMM104 || c == MAT_NLMM111) {
          *rho = DensityOf(m, c, pat.Number[k]);
          return kDensityFound;
        }
      }
      return kPatternWithoutDensity;
    }
    default:
      if (kind < 1 || kind > kMaterialKinds) InternalError(__FILE__, __LINE__);
      return kKindWithoutDensity;
  }
}

const char* DensityFailure(DensityStatus s) {
  if (s == kPatternWithoutDensity)
    return "No component of the material pattern gives the density\n(_LIN_ISO, _NLMM104 or _NLMM111 component):\n"
           "the gravity load cannot be applied.";
  return "The material type of the element has no density:\nthe gravity load cannot be applied.";
}

void AssembleGravity(int e, int type, int n, int lc, const MeshData* m, const int* PointCoordSys,
                     const char* ElemHasSpecialCoordSys, int** PointDofNumbers, double* F_Free, double* F_Presc,
                     double* Fe, char** PointDofCodes) {
  if (ElemHasSpecialCoordSys[e])
    RotateNodalLoadsSpecialCoordSys(e, n, PointCoordSys, m->ElemNodes, Fe, m->AuxVectors, m->CoordSystems);
  AssembElementLoadVector(LB_GRAVITY_LOAD, 0, e, type, lc, n, "gravity", m, PointDofNumbers, F_Free, F_Presc, Fe,
                          PointDofCodes);
}

bool NullGravity(const double* g) { return std::fabs(g[1]) + std::fabs(g[2]) + std::fabs(g[3]) < 1e-12; }

}  // namespace

// ---- loops --------------------------------------------------------------------------------

void Calc_F_GravityLoad(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, int** PointDofNumbers, const int* ElemPropIndex,
                        const int* PointCoordSys, double* F_Free, double* F_Presc, char** PointDofCodes,
                        const char* ElemHasSpecialCoordSys, const char* PointTypes,
                        const PointList* PointElemAdjacency) {
  const double* g = LoadCase->Gravity;
  if (NullGravity(g)) return;
  for (int e = 1; e <= Mesh->nElements; e++) {
    const int p = ElemPropIndex[e];
    if (p == 0) continue;
    const int type = Mesh->ElemProps[p].ElementType;
    const int n = Mesh->ElemNodeCount[e];
    const double rho = CalcDensity(p, Mesh);
    double* Fe;
    allocd1(&Fe, 6 * n);
    Calc_Fg_GravityLoad(6 * n, e, type, LoadCaseNumber, n, p, rho, OutputControl, &LoadCase->Params, Mesh,
                        ElemPropIndex, Fe, g, PointTypes, PointElemAdjacency);
    AssembleGravity(e, type, n, LoadCaseNumber, Mesh, PointCoordSys, ElemHasSpecialCoordSys, PointDofNumbers, F_Free,
                    F_Presc, Fe, PointDofCodes);
    freed1(Fe);
  }
}

void Calc_F_GravityLoad_NL(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                           const MeshData* Mesh, int** PointDofNumbers, const int* ElemPropIndex,
                           const int* PointCoordSys, double* F_Free, double* F_Presc, char** PointDofCodes,
                           const char* ElemHasSpecialCoordSys, const char* PointTypes,
                           const PointList* PointElemAdjacency) {
  const double* g = LoadCase->Gravity;
  if (NullGravity(g)) return;
  for (int e = 1; e <= Mesh->nElements; e++) {
    const int p = ElemPropIndex[e];
    if (p == 0) continue;
    const int type = Mesh->ElemProps[p].ElementType;
    const int n = Mesh->ElemNodeCount[e];
    const char b = CalcBehaviorType(p, &Mesh->Main, Mesh->ElemProps);
    // Cables and interfaces take no gravity: their material is not asked for a density.
    double rho = 0.0;
    if (!TakesNoGravity(type)) {
      const DensityStatus s = LookupDensity_NL(p, Mesh, &rho);
      if (s != kDensityFound) {
        char line[96];
        std::snprintf(line, sizeof line, "   -> Material type: %s\n",
                      kMaterialKindKeywords[Mesh->ElemProps[p].MaterialKind]);
        RefuseLoad(GravityReportContext(LoadCaseNumber, e, type), line, DensityFailure(s));
      }
    }
    double* Fe;
    allocd1(&Fe, 6 * n);
    switch (b) {
      case 'L':
      case 'G':
        Calc_Fg_GravityLoad(6 * n, e, type, LoadCaseNumber, n, p, rho, OutputControl, &LoadCase->Params, Mesh,
                            ElemPropIndex, Fe, g, PointTypes, PointElemAdjacency);
        break;
      case 'M':
      case 'N':
        Calc_Fg_GravityLoad_NL(6 * n, e, type, LoadCaseNumber, n, p, rho, OutputControl, LoadCase, Mesh,
                               ElemPropIndex, Fe, PointTypes, PointElemAdjacency);
        break;
      default:
        InternalError(__FILE__, __LINE__);
    }
    AssembleGravity(e, type, n, LoadCaseNumber, Mesh, PointCoordSys, ElemHasSpecialCoordSys, PointDofNumbers, F_Free,
                    F_Presc, Fe, PointDofCodes);
    freed1(Fe);
  }
}

// ---- dispatchers ------------------------------------------------------------------------------

void Calc_Fg_GravityLoad(int Size, int Element, int ElementType, int LoadCaseNumber, int nNodes, int PropIndex,
                         double Density, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const double* GravityVector,
                         const char* PointTypes, const PointList* PointElemAdjacency) {
  if (ElementType < 1 || ElementType > kNumElementTypes) InternalError(__FILE__, __LINE__);
  if (TakesNoGravity(ElementType)) {
    zerod1(Fe, Size);
    return;
  }
  // The triangles have no load routines.
  if (ElementType == 9) RefuseLoadOnElementType(GravityReportContext(LoadCaseNumber, Element, ElementType));
  switch (ElementType) {
    case 1:
      Calc_Fg_GravityLoadTruss2D(Size, Element, nNodes, PropIndex, Density, OutputControl, Mesh->ElemNodes, Fe,
                                 GravityVector, Mesh->PointCoord, Mesh->CsAreas, Mesh->ElemProps);
      return;
    case 2:
      Calc_Fg_GravityLoadTruss3D(Size, Element, PropIndex, Density, OutputControl, Mesh->ElemNodes, Fe, GravityVector,
                                 Mesh->PointCoord, Mesh->CsAreas, Mesh->ElemProps);
      return;
    case 3:
      Calc_Fg_GravityLoadFrame2D(Size, Element, nNodes, PropIndex, Density, OutputControl, Mesh->ElemNodes, Fe,
                                 GravityVector, Mesh->PointCoord, Mesh->Frame2DSections, Mesh->ElemProps);
      return;
    case 4:
      Calc_Fg_GravityLoadFrame3D(Size, Element, PropIndex, Density, OutputControl, Mesh->ElemNodes, Fe, GravityVector,
                                 Mesh->PointCoord, Mesh->Frame3DSections, Mesh->ElemProps);
      return;
    case 8:
      Calc_Fg_GravityLoadTimoshenkoBeam3D(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, OutputControl,
                                          Params, Mesh, Fe, GravityVector);
      return;
    case 10:
      Calc_Fg_GravityLoadPlaneStressQuad(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, Params, Mesh, Fe,
                                         GravityVector);
      return;
    case 13:
      Calc_Fg_GravityLoadPlaneStrainQuad(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, Params, Mesh, Fe,
                                         GravityVector);
      return;
    case 18:
      Calc_Fg_GravityLoadMindlinSlabQuad(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, Params,
                                         Mesh->ElemNodes, Fe, GravityVector, Mesh->PointCoord, Mesh->GeomPatterns,
                                         Mesh->LamThicks, Mesh->Integrations, Mesh->ElemProps);
      return;
    case 20:
      Calc_Fg_GravityLoadMindlinShellQuad(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, OutputControl,
                                          Params, Mesh->ElemNodes, Fe, GravityVector, Mesh->PointCoord,
                                          Mesh->GeomPatterns, Mesh->LamThicks, Mesh->Materials[MAT_LIN_ORTHO],
                                          Mesh->Integrations, Mesh->ElemProps);
      return;
    case 22:
      Calc_Fg_GravityLoadAhmadShellQuad(Size, Element, LoadCaseNumber, nNodes, PropIndex, Density, OutputControl,
                                        Params, ElemPropIndex, Mesh->ElemNodeCount, Mesh->ElemNodes, Fe, GravityVector,
                                        Mesh->PointCoord, PointTypes, Mesh->GeomPatterns, Mesh->LamThicks,
                                        PointElemAdjacency, Mesh->Integrations, Mesh->ElemProps);
      return;
    case 24:
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
  // Materially nonlinear Mindlin and Ahmad shells are layered: Calc_Fg_GravityLoadMindlinShellQuad_NL
  // and Calc_Fg_GravityLoadAhmadShellQuad_NL come with the nonlinear shells.
  if (ElementType == 20 || ElementType == 22) InternalError(__FILE__, __LINE__);
  Calc_Fg_GravityLoad(Size, Element, ElementType, LoadCaseNumber, nNodes, PropIndex, Density, OutputControl,
                      &LoadCase->Params, Mesh, ElemPropIndex, Fe, LoadCase->Gravity, PointTypes, PointElemAdjacency);
}

// ---- densities -----------------------------------------------------------------------------------

double CalcDensity(int PropIndex, const MeshData* Mesh) {
  const ElementProperty& prop = Mesh->ElemProps[PropIndex];
  switch (prop.MaterialKind) {
    case MAT_LIN_ISO:
    case MAT_LIN_ORTHO:
      return DensityOf(Mesh, prop.MaterialKind, prop.MaterialNumber);
    default:
      return 0.0;
  }
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

void CalcLayerDensity(int L, int LayerPatternNumber, double* rho, const LayerPattern* LayerPatterns,
                      const LayerProperty* LayerProps, const MaterialRecord* LinIso, const MaterialRecord* LinOrtho,
                      const MaterialRecord* Nlmm101, const MaterialRecord* Nlmm104, const MaterialRecord* Nlmm121,
                      const MaterialRecord* Nlmm141, const MaterialRecord* Nlmm142) {
  for (int k = 1; k <= L; k++) {
    const LayerProperty& layer = LayerProps[LayerPatterns[LayerPatternNumber].Layer[k]];
    const int r = layer.MaterialNumber;
    const MaterialRecord* block;
    switch (layer.MaterialKind) {
      case MAT_LIN_ISO: block = LinIso; break;
      case MAT_LIN_ORTHO: block = LinOrtho; break;
      case MAT_NLMM101: block = Nlmm101; break;
      case MAT_NLMM104: block = Nlmm104; break;
      case MAT_NLMM121: block = Nlmm121; break;
      case MAT_NLMM141: block = Nlmm141; break;
      case MAT_NLMM142: block = Nlmm142; break;
      default: {
        const int kind = layer.MaterialKind;
        std::fflush(stdout);
        std::fprintf(stderr, "\nCalculating the densities of the layers of layer pattern n. %d\n",
                     LayerPatternNumber);
        std::fprintf(stderr, "   -> Layer: %d\n", k);
        std::fprintf(stderr, "   -> Material type: %s\n",
                     kind >= 1 && kind <= kMaterialKinds ? kMaterialKindKeywords[kind] : "_NONE");
        errexit("The material type of the layer is not valid for the gravity load.", 0);
      }
    }
    if (block == nullptr) InternalError(__FILE__, __LINE__);
    rho[k] = MatValue(block[r], 1);
  }
}
