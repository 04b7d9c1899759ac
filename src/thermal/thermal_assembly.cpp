// Element and global thermal matrices: conductivity KC (with the face convection and,
// in the nonlinear analysis, radiation matrices) and heat capacity KT, assembled element
// by element into the row lists and compacted point by point. A thermal assembly takes
// none of the structural extras: no special coordinate systems (the temperature is dof
// 1 and must not be mixed with dofs 2 and 3), no point links, no lone diagonals.
#include <algorithm>
#include <climits>
#include <cstdio>

#include "assembly/assembly.h"
#include "elements/kernel.h"
#include "model/outputcontrol.h"
#include "model/params.h"
#include "numcore/numcore.h"
#include "thermal/thermal_elements.h"
#include "thermal/thermal_global.h"

namespace {

enum ThermalMatrixKind { kConductivity, kTransient };

int ElementTypeOf(int property, const MeshData* mesh) {
  const int type = mesh->ElemProps[property].ElementType;
  if (type == 0) InternalError(__FILE__, __LINE__);
  return type;
}

void AllocElemMat(int nNodes, double*** K) {
  allocd2(K, nNodes, nNodes);
  zerod2(*K, nNodes, nNodes);
}

// One global thermal matrix; s null: the linear routines.
void AssembGlobalThermalMat(ThermalMatrixKind kind, const ThermalStepState* s, int64_t* nTermsFF, int64_t* nTermsPF,
                            int64_t* nTermsPP, const char* OutputControl, IterSummaryRecord* summary,
                            const MeshData* mesh, const ThermalWorkArrays* t, SparseRowMatrix* KFF,
                            SparseRowMatrix* KPF, SparseRowMatrix* KPP) {
  const MainWorkArrays* w = &t->w;
  double wall0, cpu0;
  gettimes(&wall0, &cpu0);
  StiffAssemblyWork a{};
  BeginRowListAssembly(OutputControl, mesh, w, &a, KFF, KPF, KPP);
  if (s == nullptr || OutputControl[OC_PRINT_PROGRAM_FLOW_INFO] == 'Y')
    std::printf(kind == kConductivity ? "\nCalculating and assembling the conductivity matrix of each element\n"
                                      : "\nCalculating and assembling the transient matrix of each element\n");
  // The nonlinear routines read the element temperatures from one table per assembly.
  double** Tpoint = nullptr;
  double Te[21];
  if (s != nullptr) {
    allocd2(&Tpoint, mesh->nPoints, 6);
    CalcPointTemp(mesh, w->PointDofNumbers, s->TF, s->TP, Tpoint, w->PointDofCodes);
  }
  for (int e = 1; e <= mesh->nElements; e++) {
    const int property = w->ElemPropIndex[e];
    if (property == 0) continue;
    const int type = ElementTypeOf(property, mesh);
    const int nNodes = mesh->ElemNodeCount[e];
    if (nNodes > 20) InternalError(__FILE__, __LINE__);
    if (Tpoint != nullptr) GatherElementDofValues(e, type, nNodes, mesh->ElemNodes, Tpoint, Te);
    double** K;
    if (kind == kTransient)
      CalcElemTransientMat(e, nNodes, property, OutputControl, mesh, s, Te, &K);
    else
      CalcElemCondMat(e, nNodes, property, OutputControl, mesh, t, s, Te, &K);
    AssembElemMatSparse(e, nNodes, GetElementTypeInfo(type).dofMask, K, &a, KFF, KPF, KPP);
    CompressElemPointRows(e, &a, KFF, KPF, KPP);
    freed2(K);
  }
  if (Tpoint != nullptr) freed2(Tpoint);
  EndGlobalMatAssembly(nTermsFF, nTermsPF, nTermsPP, OutputControl, &a, KFF, KPF, KPP);
  const char* name = kind == kConductivity ? "KC" : "KT";
  if (OutputControl[kind == kConductivity ? OC_PRINT_MAT_KC : OC_PRINT_MAT_KT] == 'Y') {
    PrintSparseMat(w->nF, kind == kConductivity ? "-- KCFF:" : "-- KTFF:", name, KFF->count, KFF->cols, KFF->vals);
    PrintSparseMat(w->nP, kind == kConductivity ? "-- KCPF:" : "-- KTPF:", name, KPF->count, KPF->cols, KPF->vals);
    PrintSparseMat(w->nP, kind == kConductivity ? "-- KCPP:" : "-- KTPP:", name, KPP->count, KPP->cols, KPP->vals);
  }
  double wall1, cpu1;
  gettimes(&wall1, &cpu1);
  bool store = false;
  switch (mesh->Main.AnalysisType) {
    case ANALYSIS_THERMAL_STEADY_STATE: store = kind == kConductivity; break;
    case ANALYSIS_THERMAL_TRANSIENT: store = true; break;
    default: InternalError(__FILE__, __LINE__);
  }
  if (store) {
    auto clamp = [](int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX)); };
    summary->nTermsKFF = clamp(*nTermsFF);
    summary->nTermsKPF = clamp(*nTermsPF);
    summary->nTermsKPP = clamp(*nTermsPP);
    summary->assemblySeconds = wall1 - wall0;
  }
}

}  // namespace

void CalcElemCondMat(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                     const ThermalWorkArrays* t, const ThermalStepState* s, const double* Te, double*** K) {
  const char behaviour = s == nullptr ? 'L' : CalcBehaviorType(property, &mesh->Main, mesh->ElemProps);
  switch (behaviour) {
    case 'L':
      Calc_KCg(e, nNodes, property, OutputControl, mesh, K);
      if (t->ConvectionFlags[e]) CalcSurfConvHeatTransferMat(e, nNodes, property, OutputControl, mesh, *K);
      // A radiating face of a linear element still needs its tangent term, or the
      // iterations converge only linearly.
      if (s != nullptr && t->RadiationFlags[e])
        CalcSurfRadHeatTransferMat(e, nNodes, property, OutputControl, s->fluid, Te, mesh, *K);
      return;
    case 'M':
      Calc_KCg_NL(e, nNodes, property, OutputControl, mesh, s, Te, K);
      CalcSurfHeatTransferMat_NL(e, nNodes, property, OutputControl, mesh, t, s, Te, *K);
      return;
    default:
      InternalError(__FILE__, __LINE__);
  }
}

void CalcElemTransientMat(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                          const ThermalStepState* s, const double* Te, double*** K, const double* Ten) {
  const char behaviour = s == nullptr ? 'L' : CalcBehaviorType(property, &mesh->Main, mesh->ElemProps);
  switch (behaviour) {
    case 'L': Calc_KTg(e, nNodes, property, OutputControl, mesh, K); return;
    case 'M': Calc_KTg_NL(e, nNodes, property, OutputControl, mesh, s, Te, K, Ten); return;
    default: InternalError(__FILE__, __LINE__);
  }
}

namespace {

ThermalElementCall ThermalCall(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                               const ThermalStepState* s, const double* Te, const double* Ten) {
  ThermalElementCall c{.element = e, .nNodes = nNodes, .property = property, .OutputControl = OutputControl,
                       .mesh = mesh, .Te = Te, .Ten = Ten};
  if (s != nullptr) {
    c.combination = s->combination;
    c.iteration = s->iteration;
    c.indexHD = s->indexHD;
    c.hd = s->hd;
    c.elemToHD = s->elemToHD;
  }
  return c;
}

}  // namespace

void Calc_KCg(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh, double*** K) {
  const int type = ElementTypeOf(property, mesh);
  AllocElemMat(nNodes, K);
  RunThermalMat(ThermalBehaviourOf(type).conduction, type,
                ThermalCall(e, nNodes, property, OutputControl, mesh, nullptr, nullptr, nullptr), *K);
}

void Calc_KTg(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh, double*** K) {
  const int type = ElementTypeOf(property, mesh);
  AllocElemMat(nNodes, K);
  RunThermalMat(ThermalBehaviourOf(type).capacity, type,
                ThermalCall(e, nNodes, property, OutputControl, mesh, nullptr, nullptr, nullptr), *K);
}

void Calc_KCg_NL(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                 const ThermalStepState* s, const double* Te, double*** K) {
  const int type = ElementTypeOf(property, mesh);
  AllocElemMat(nNodes, K);
  RunThermalMat(ThermalBehaviourOf(type).conductionNL, type,
                ThermalCall(e, nNodes, property, OutputControl, mesh, s, Te, nullptr), *K);
}

void Calc_KTg_NL(int e, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                 const ThermalStepState* s, const double* Te, double*** K, const double* Ten) {
  const int type = ElementTypeOf(property, mesh);
  AllocElemMat(nNodes, K);
  RunThermalMat(ThermalBehaviourOf(type).capacityNL, type,
                ThermalCall(e, nNodes, property, OutputControl, mesh, s, Te, Ten), *K);
}

void CalcSurfConvHeatTransferMat(int e, int n, int property, const char* OutputControl, const MeshData* mesh,
                                 double** K) {
  const int type = ElementTypeOf(property, mesh);
  for (int k = 1; k <= mesh->nConvections; k++) {
    if (mesh->Convections[k].Element != e) continue;
    if (type != _SOLID_HEXA_THERMAL) {
      std::fflush(stdout);
      std::fprintf(stderr,
                   "\nCalculating the surface covection heat transfer contribution\nto the global conduction matrix:\n"
                   "   -> Block name: <SURFACE_CONVECTION_HEAT_TRANSFER>\n   -> Counter: %d\n   -> Element: %d\n",
                   k, e);
      errexit("Surface covection heat transfer cannot be applied to this element type.", 0);
    }
    CalcSurfConvHeatTransferMatSolidHexaThermal(e, n, k, OutputControl, mesh, K);
  }
}

void CalcSurfHeatTransferMat_NL(int e, int n, int property, const char* OutputControl, const MeshData* mesh,
                                const ThermalWorkArrays* t, const ThermalStepState* s, const double* Te, double** K) {
  if (t->ConvectionFlags[e]) CalcSurfConvHeatTransferMat(e, n, property, OutputControl, mesh, K);
  if (t->RadiationFlags[e]) CalcSurfRadHeatTransferMat(e, n, property, OutputControl, s->fluid, Te, mesh, K);
}

void AssembGlobalCondMat(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, const char* OutputControl,
                         IterSummaryRecord* summary, const MeshData* mesh, const ThermalWorkArrays* t,
                         SparseRowMatrix* KCFF, SparseRowMatrix* KCPF, SparseRowMatrix* KCPP) {
  AssembGlobalThermalMat(kConductivity, nullptr, nTermsFF, nTermsPF, nTermsPP, OutputControl, summary, mesh, t, KCFF,
                         KCPF, KCPP);
}

void AssembGlobalTransientMat(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, const char* OutputControl,
                              IterSummaryRecord* summary, const MeshData* mesh, const ThermalWorkArrays* t,
                              SparseRowMatrix* KTFF, SparseRowMatrix* KTPF, SparseRowMatrix* KTPP) {
  AssembGlobalThermalMat(kTransient, nullptr, nTermsFF, nTermsPF, nTermsPP, OutputControl, summary, mesh, t, KTFF,
                         KTPF, KTPP);
}

void AssembGlobalCondMat_NL(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, const char* OutputControl,
                            IterSummaryRecord* summary, const MeshData* mesh, const ThermalWorkArrays* t,
                            const ThermalStepState* s, SparseRowMatrix* KCFF, SparseRowMatrix* KCPF,
                            SparseRowMatrix* KCPP) {
  if (s == nullptr) InternalError(__FILE__, __LINE__);
  AssembGlobalThermalMat(kConductivity, s, nTermsFF, nTermsPF, nTermsPP, OutputControl, summary, mesh, t, KCFF, KCPF,
                         KCPP);
}

void AssembGlobalTransientMat_NL(int64_t* nTermsFF, int64_t* nTermsPF, int64_t* nTermsPP, const char* OutputControl,
                                 IterSummaryRecord* summary, const MeshData* mesh, const ThermalWorkArrays* t,
                                 const ThermalStepState* s, SparseRowMatrix* KTFF, SparseRowMatrix* KTPF,
                                 SparseRowMatrix* KTPP) {
  if (s == nullptr) InternalError(__FILE__, __LINE__);
  AssembGlobalThermalMat(kTransient, s, nTermsFF, nTermsPF, nTermsPP, OutputControl, summary, mesh, t, KTFF, KTPF,
                         KTPP);
}
