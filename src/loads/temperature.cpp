// Temperature loads of a load case: the loops over "<TEMPERATURE_VARIATION>" (linear and
// by behaviour code) and "<DIFFERENTIAL_TEMPERATURE_VARIATION>", the dispatchers by
// element type, and the element temperature variations of a combination.
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "elements/elements.h"
#include "elements/kernel.h"
#include "elements/locate.h"
#include "loads/load_kernel.h"
#include "materials/elastic.h"
#include "materials/material_point.h"

namespace {

void CheckRecordElement(int Element, int r, int block, int lc, const MeshData* m) {
  if (Element >= 1 && Element <= m->nElements) return;
  std::fflush(stdout);
  std::fprintf(stderr, "\nCalculating the thermal load contribution to the global load vector:\n");
  std::fprintf(stderr, "   -> Load case: %d\n", lc);
  std::fprintf(stderr, "   -> Block name: %s\n", LoadBlockKeywords[block]);
  std::fprintf(stderr, "   -> Counter: %d\n", r);
  std::fprintf(stderr, "   -> Element: %d\n", Element);
  errexit("The specified element does not exist.", 0);
}

// Mother element of embedded cable `cable`: the last element whose mother record lists
// it, with the cable's slot there.
void FindMotherElement(int cable, const MeshData* m, const int* MotherElemIndex, const EmbCableMotherRecord* records,
                       int* mother, int* slot) {
  *mother = 0;
  *slot = 0;
  if (MotherElemIndex == nullptr) return;
  for (int Element = 1; Element <= m->nElements; Element++) {
    const int seq = MotherElemIndex[Element];
    if (seq == 0) continue;
    const EmbCableMotherRecord& rec = records[seq];
    for (int k = 1; k <= rec.nCables; k++)
      if (rec.cables[k] == cable) {
        *mother = Element;
        *slot = k;
      }
  }
}

// The temperature loop; nonlinear = the loop of the nonlinear drivers.
struct NonlinearState {
  double TimeIncrement, Time;
  Index_HD* IndexHD;
  NLMM_HD* MaterialHD;
  const int* ElemToHD;
  double** ElemNodalValues;
};

void TempVarLoop(const NonlinearState* nl, int lc, const char* OutputControl, const LoadCaseData* LoadCase,
                 const MeshData* m, const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  const int* MotherElemIndex = Work->MotherElemIndex;
  const int* ElemPropIndex = Work->ElemPropIndex;
  const char* PointTypes = Work->PointTypes;
  const PointList* adj = Work->PointElemAdjacency;
  const EmbCableMotherRecord* MotherElemRecords = Work->EmbCableMotherRecord;
  const LoadCaseParameters* params = &LoadCase->Params;
  for (int r = 1; r <= LoadCase->nTempVars; r++) {
    const int Element = LoadCase->TempVars[r].Element;
    CheckRecordElement(Element, r, LB_TEMPERATURE_VARIATION, lc, m);
    const int PropIndex = ElemPropIndex[Element];
    if (PropIndex == 0) continue;
    const int type = m->ElemProps[PropIndex].ElementType;
    bool linear = true;
    if (nl != nullptr) {
      switch (CalcBehaviorType(PropIndex, &m->Main, m->ElemProps)) {
        case 'L':
        case 'G': linear = true; break;
        case 'M':
        case 'N': linear = false; break;
        default: InternalError(__FILE__, __LINE__);
      }
    }
    double* Fe;
    if (type != _EMB_CABLE_3D) {
      const int n = m->ElemNodeCount[Element];
      allocd1(&Fe, 6 * n);
      if (linear)
        Calc_Fg_TempVar(6 * n, Element, type, lc, n, PropIndex, r, OutputControl, params, m, ElemPropIndex, Fe,
                        PointTypes, adj, LoadCase->TempVars);
      else
        Calc_Fg_TempVar_NL(6 * n, Element, type, lc, n, PropIndex, r, nl->TimeIncrement, nl->Time, nl->IndexHD,
                           OutputControl, params, m, nl->MaterialHD, nl->ElemToHD, ElemPropIndex, Fe,
                           nl->ElemNodalValues, PointTypes, adj, LoadCase->TempVars);
      AddElementLoadVector(LB_TEMPERATURE_VARIATION, r, Element, type, lc, n, "thermal", m, Work, Fe, F_Free, F_Presc);
      freed1(Fe);
      continue;
    }
    // An embedded cable loads the nodes of its mother element.
    int mother, slot;
    FindMotherElement(Element, m, MotherElemIndex, MotherElemRecords, &mother, &slot);
    if (mother == 0) InternalError(__FILE__, __LINE__);
    const int pm = ElemPropIndex[mother];
    if (pm == 0) InternalError(__FILE__, __LINE__);
    const int motherType = m->ElemProps[pm].ElementType;
    const int nm = m->ElemNodeCount[mother];
    const int nc = m->ElemNodeCount[Element];
    allocd1(&Fe, 6 * nm);
    if (linear)
      Calc_Fg_TempVarEmbCable(6 * nm, Element, mother, type, slot, lc, MotherElemIndex[mother], motherType, nc, nm,
                              PropIndex, r, OutputControl, params, m, Fe, MotherElemRecords, LoadCase->TempVars);
    else
      Calc_Fg_TempVarEmbCable_NL(6 * nm, Element, mother, type, slot, lc, MotherElemIndex[mother], motherType, nc, nm,
                                 PropIndex, r, OutputControl, params, m, Fe, MotherElemRecords, LoadCase->TempVars);
    AddElementLoadVector(LB_TEMPERATURE_VARIATION, r, mother, motherType, lc, nm, "thermal", m, Work, Fe, F_Free,
                         F_Presc);
    freed1(Fe);
  }
}

}  // namespace

// ---- loops ----------------------------------------------------------------------------------

void Calc_F_TempVar(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                    const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  TempVarLoop(nullptr, LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
}

void Calc_F_TempVar_NL(int LoadCaseNumber, double TimeIncrement, double Time, Index_HD* IndexHD,
                       const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
                       NLMM_HD* MaterialHD, const int* ElemToHD, const MainWorkArrays* Work, double* F_Free,
                       double* F_Presc, double** ElemNodalValues) {
  const NonlinearState nl{TimeIncrement, Time, IndexHD, MaterialHD, ElemToHD, ElemNodalValues};
  TempVarLoop(&nl, LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
}

void Calc_F_DiffTempVar(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  const int* ElemPropIndex = Work->ElemPropIndex;
  const char* PointTypes = Work->PointTypes;
  const PointList* PointElemAdjacency = Work->PointElemAdjacency;
  for (int r = 1; r <= LoadCase->nDiffTempVars; r++) {
    const int Element = LoadCase->DiffTempVars[r].Element;
    CheckRecordElement(Element, r, LB_DIFFERENTIAL_TEMPERATURE_VARIATION, LoadCaseNumber, Mesh);
    const int PropIndex = ElemPropIndex[Element];
    if (PropIndex == 0) continue;
    const int type = Mesh->ElemProps[PropIndex].ElementType;
    const int n = Mesh->ElemNodeCount[Element];
    double* Fe;
    allocd1(&Fe, 6 * n);
    Calc_Fg_DiffTempVar(r, 6 * n, Element, type, LoadCaseNumber, n, PropIndex, OutputControl, &LoadCase->Params, Mesh,
                        ElemPropIndex, Fe, PointTypes, LoadCase->DiffTempVars, PointElemAdjacency);
    AddElementLoadVector(LB_DIFFERENTIAL_TEMPERATURE_VARIATION, r, Element, type, LoadCaseNumber, n, "thermal", Mesh,
                         Work, Fe, F_Free, F_Presc);
    freed1(Fe);
  }
}

// ---- dispatchers ------------------------------------------------------------------------------

void Calc_Fg_TempVar(int nComp, int Element, int ElementType, int LoadCaseNumber, int NodeCount, int PropIndex,
                     int RecordIndex, const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                     const int* ElemPropIndex, double* Fe, const char* PointTypes, const PointList* PointElemAdjacency,
                     const TemperatureVariationRecord* TempVarRecords) {
  const MeshData* m = Mesh;
  const MaterialRecord* linIso = ElasticRecords(m, kElasticIsotropic);
  switch (ElementType) {
    case _TRUSS_2D: case _TRUSS_3D: case _FRAME_2D: case _FRAME_3D: case _CABLE_2D: case _CABLE_3D: case _TIMOSHENKO_BEAM_3D: case _PLANE_STRESS_QUAD: case _PLANE_STRAIN_QUAD: case _MINDLIN_SHELL_QUAD: case _AHMAD_SHELL_QUAD: case _SOLID_HEXA: break;
    default: RefuseLoadOnElementType(TempVarReportContext(LoadCaseNumber, RecordIndex, Element, ElementType));
  }
  switch (ElementType) {
    case _TRUSS_2D:
      Calc_Fg_TempVarTruss2D(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl,
                             m->ElemNodes, Fe, m->PointCoord, m->CsAreas, linIso, m->ElemProps, TempVarRecords);
      return;
    case _TRUSS_3D:
      Calc_Fg_TempVarTruss3D(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl,
                             m->ElemNodes, Fe, m->PointCoord, m->CsAreas, linIso, m->ElemProps, TempVarRecords);
      return;
    case _FRAME_2D:
      Calc_Fg_TempVarFrame2D(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl,
                             m->ElemNodes, Fe, m->PointCoord, m->Frame2DSections, linIso, m->ElemProps, TempVarRecords);
      return;
    case _FRAME_3D:
      Calc_Fg_TempVarFrame3D(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl,
                             m->ElemNodes, Fe, m->PointCoord, m->Frame3DSections, linIso, m->ElemProps, TempVarRecords);
      return;
    case _CABLE_2D:
      Calc_Fg_TempVarCable2D(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl, Params,
                             m, Fe, TempVarRecords);
      return;
    case _CABLE_3D:
      Calc_Fg_TempVarCable3D(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl, Params,
                             m, Fe, TempVarRecords);
      return;
    case _TIMOSHENKO_BEAM_3D:
      Calc_Fg_TempVarTimoshenkoBeam3D(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl,
                                      Params, m, Fe, TempVarRecords);
      return;
    case _PLANE_STRESS_QUAD:
      Calc_Fg_TempVarPlaneStressQuad(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, Params, m, Fe,
                                     TempVarRecords);
      return;
    case _PLANE_STRAIN_QUAD:
      Calc_Fg_TempVarPlaneStrainQuad(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, Params, m, Fe,
                                     TempVarRecords);
      return;
    case _MINDLIN_SHELL_QUAD:
      Calc_Fg_TempVarMindlinShellQuad(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl,
                                      Params, m, Fe, TempVarRecords);
      return;
    case _AHMAD_SHELL_QUAD:
      Calc_Fg_TempVarAhmadShellQuad(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl,
                                    Params, ElemPropIndex, m, Fe, PointTypes, PointElemAdjacency, TempVarRecords);
      return;
    case _SOLID_HEXA:
      Calc_Fg_TempVarSolidHexa(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, Params, m, Fe,
                               TempVarRecords);
      return;
    default:
      // The slab (no in-plane dofs), the embedded cable (taken by the loop) and the
      // types without a temperature load.
      InternalError(__FILE__, __LINE__);
  }
}

void Calc_Fg_TempVar_NL(int nComp, int Element, int ElementType, int LoadCaseNumber, int NodeCount, int PropIndex,
                        int RecordIndex, double TimeIncrement, double Time, Index_HD* IndexHD,
                        const char* OutputControl, const LoadCaseParameters* Params, const MeshData* Mesh,
                        NLMM_HD* MaterialHD, const int* ElemToHD, const int* ElemPropIndex, double* Fe,
                        double** ElemNodalValues, const char* PointTypes, const PointList* PointElemAdjacency,
                        const TemperatureVariationRecord* TempVarRecords) {
  if (ElementType == _SOLID_HEXA) {
    Calc_Fg_TempVarSolidHexa_NL(nComp, Element, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, TimeIncrement, Time,
                                IndexHD, Params, Mesh, MaterialHD, ElemToHD, Mesh->ElemNodes, Fe, ElemNodalValues,
                                Mesh->PointCoord, Mesh->Integrations, Mesh->ElemProps, TempVarRecords);
    return;
  }
  Calc_Fg_TempVar(nComp, Element, ElementType, LoadCaseNumber, NodeCount, PropIndex, RecordIndex, OutputControl, Params,
                  Mesh, ElemPropIndex, Fe, PointTypes, PointElemAdjacency, TempVarRecords);
}

void Calc_Fg_TempVarEmbCable(int nComp, int Cable, int Mother, int ElementType, int CablePosition, int LoadCaseNumber,
                             int MotherRecord, int MotherType, int CableNodeCount, int MotherNodeCount,
                             int CablePropIndex, int RecordIndex, const char* OutputControl,
                             const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                             const EmbCableMotherRecord* MotherElemRecords,
                             const TemperatureVariationRecord* TempVarRecords) {
  if (ElementType != _EMB_CABLE_3D) InternalError(__FILE__, __LINE__);
  Calc_Fg_TempVarEmbCable3D(nComp, Cable, Mother, CablePosition, LoadCaseNumber, MotherRecord, MotherType,
                            CableNodeCount, MotherNodeCount, CablePropIndex, RecordIndex, OutputControl, Params, Mesh,
                            Fe, MotherElemRecords, TempVarRecords);
}

void Calc_Fg_TempVarEmbCable_NL(int nComp, int Cable, int Mother, int ElementType, int CablePosition,
                                int LoadCaseNumber, int MotherRecord, int MotherType, int CableNodeCount,
                                int MotherNodeCount, int CablePropIndex, int RecordIndex, const char* OutputControl,
                                const LoadCaseParameters* Params, const MeshData* Mesh, double* Fe,
                                const EmbCableMotherRecord* MotherElemRecords,
                                const TemperatureVariationRecord* TempVarRecords) {
  if (ElementType != _EMB_CABLE_3D) InternalError(__FILE__, __LINE__);
  Calc_Fg_TempVarEmbCable3D_NL(nComp, Cable, Mother, CablePosition, LoadCaseNumber, MotherRecord, MotherType,
                               CableNodeCount, MotherNodeCount, CablePropIndex, RecordIndex, OutputControl, Params,
                               Mesh, Fe, MotherElemRecords, TempVarRecords);
}

void Calc_Fg_DiffTempVar(int RecordIndex, int nComp, int Element, int ElementType, int LoadCaseNumber, int NodeCount,
                         int PropIndex, const char* OutputControl, const LoadCaseParameters* Params,
                         const MeshData* Mesh, const int* ElemPropIndex, double* Fe, const char* PointTypes,
                         const DiffTemperatureVariationRecord* DiffTempVarRecords,
                         const PointList* PointElemAdjacency) {
  const MeshData* m = Mesh;
  const MaterialRecord* linIso = ElasticRecords(m, kElasticIsotropic);
  switch (ElementType) {
    case _FRAME_2D: case _FRAME_3D: case _TIMOSHENKO_BEAM_3D: case _MINDLIN_SLAB_QUAD: case _MINDLIN_SHELL_QUAD: case _AHMAD_SHELL_QUAD: break;
    default: RefuseLoadOnElementType(DiffTempVarReportContext(LoadCaseNumber, RecordIndex, Element, ElementType));
  }
  switch (ElementType) {
    case _FRAME_2D:
      Calc_Fg_DiffTempVarFrame2D(RecordIndex, nComp, Element, LoadCaseNumber, NodeCount, PropIndex, Fe,
                                 m->Frame2DSections, DiffTempVarRecords, linIso, m->ElemProps);
      return;
    case _FRAME_3D:
      Calc_Fg_DiffTempVarFrame3D(RecordIndex, nComp, Element, LoadCaseNumber, NodeCount, PropIndex, OutputControl,
                                 m->ElemNodes, Fe, m->PointCoord, m->Frame3DSections, DiffTempVarRecords, linIso,
                                 m->ElemProps);
      return;
    case _TIMOSHENKO_BEAM_3D:
      Calc_Fg_DiffTempVarTimoshenkoBeam3D(RecordIndex, nComp, Element, LoadCaseNumber, NodeCount, PropIndex,
                                          OutputControl, Params, m, Fe, DiffTempVarRecords);
      return;
    case _MINDLIN_SLAB_QUAD:
      Calc_Fg_DiffTempVarMindlinSlabQuad(RecordIndex, nComp, Element, LoadCaseNumber, NodeCount, PropIndex, Params, m,
                                         Fe, DiffTempVarRecords);
      return;
    case _MINDLIN_SHELL_QUAD:
      Calc_Fg_DiffTempVarMindlinShellQuad(RecordIndex, nComp, Element, LoadCaseNumber, NodeCount, PropIndex,
                                          OutputControl, Params, m, Fe, PointTypes, DiffTempVarRecords);
      return;
    case _AHMAD_SHELL_QUAD:
      Calc_Fg_DiffTempVarAhmadShellQuad(RecordIndex, nComp, Element, LoadCaseNumber, NodeCount, PropIndex,
                                        OutputControl, Params, ElemPropIndex, m, Fe, PointTypes, PointElemAdjacency,
                                        DiffTempVarRecords);
      return;
    default: InternalError(__FILE__, __LINE__);
  }
}

// ---- element temperature variation of a combination -------------------------------------------

void CalcElementTempVar(FILE* DataFile, int CombinationNumber, int NumberOfCombinations, int NumberOfLoadCases,
                        long FirstLoadCasePosition, const MeshData* Mesh, const int* ElemPropIndex,
                        double** ElementTempVar, const CombinationData* Combinations) {
  double* factor;
  allocd1(&factor, NumberOfLoadCases);
  zerod1(factor, NumberOfLoadCases);
  const int c = CombinationNumber > NumberOfCombinations ? NumberOfCombinations : CombinationNumber;
  if (c < 1) InternalError(__FILE__, __LINE__);
  const CombinationData& comb = Combinations[c];
  for (int k = 1; k <= comb.nFactors; k++) {
    const int lc = comb.Factors[k].Number;
    if (lc < 1 || lc > NumberOfLoadCases) InternalError(__FILE__, __LINE__);
    factor[lc] = comb.Factors[k].Factor;
  }
  if (std::fseek(DataFile, FirstLoadCasePosition, SEEK_SET) != 0) InvalidBinaryFile(DataFile);
  for (int Element = 1; Element <= Mesh->nElements; Element++)
    zerod1(ElementTempVar[Element], Mesh->ElemNodeCount[Element]);
  for (int k = 1; k <= NumberOfLoadCases; k++) {
    LoadCaseData lcd{};
    ReadLoadCase(DataFile, k, Mesh, &lcd);
    if (std::fabs(factor[k]) >= kSmall) {
      for (int r = 1; r <= lcd.nTempVars; r++) {
        const TemperatureVariationRecord& rec = lcd.TempVars[r];
        const int Element = rec.Element;
        if (Element < 1 || Element > Mesh->nElements) InternalError(__FILE__, __LINE__);
        if (ElemPropIndex[Element] == 0) continue;
        const int n = Mesh->ElemNodeCount[Element];
        if (rec.ValueCount != 1 && rec.ValueCount != n) {
          std::fflush(stdout);
          std::fprintf(stderr, "\n");
          std::fprintf(stderr, "Calculating the element temperature variations of combination n. %d\n", c);
          std::fprintf(stderr, "   -> Load case: %d\n", k);
          std::fprintf(stderr, "   -> Block name: <TEMPERATURE_VARIATION>\n");
          std::fprintf(stderr, "   -> Temp. var. counter: %d\n", r);
          std::fprintf(stderr, "   -> Element: %d\n", Element);
          std::fprintf(stderr, "   -> Number of values: %d\n", rec.ValueCount);
          errexit("The temperature variation must give one value,\nor one value per node of the element.", 0);
        }
        double* row = ElementTempVar[Element];
        for (int a = 1; a <= n; a++) row[a] += factor[k] * (rec.ValueCount == 1 ? rec.Values[1] : rec.Values[a]);
      }
    }
    FreeLoadCase(&lcd);
  }
  freed1(factor);
}
