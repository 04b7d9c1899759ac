// Thermal load vector of a load case (heat generation, face heat flux, fluid temperature
// with convection and, in the nonlinear analysis, radiation), the prescribed
// temperatures of a load case and the fluid temperatures of the faces for a combination.
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "elements/kernel.h"
#include "loads/load_kernel.h"
#include "model/fileio.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"
#include "thermal/thermal_global.h"
#include "thermal/thermal_loads.h"

namespace {

enum ThermalLoadBlock { kBlockHeatFlux = 13, kBlockFluidTemp = 14, kBlockHeatGeneration = 15 };

[[noreturn]] void RefuseFaceLoad(int lc, const char* block, int k, int e, int type, const char* msg) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n   -> Load case: %d\n   -> Block name: %s\n   -> Counter: %d\n   -> Element: %d\n", lc, block,
               k, e);
  std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(type).keyword);
  errexit(msg, 0);
}

// Element e of a load record: its property and type, 0 when e is inactive.
int ActiveType(int e, const MeshData* mesh, const ThermalWorkArrays* t, int* property) {
  if (e < 1 || e > mesh->nElements) InternalError(__FILE__, __LINE__);
  *property = t->w.ElemPropIndex[e];
  return *property == 0 ? 0 : mesh->ElemProps[*property].ElementType;
}

// Element vector fe (6 per node) for the records of one block, one call per record on an
// active element, each added under the block's kind and description.
template <class F>
void AddRecordLoads(int nRecords, const int* (*elementOf)(const LoadCaseData*, int), const LoadCaseData* data, int lc,
                    int block, const char* word, const MeshData* mesh, const ThermalWorkArrays* t, double* FqF,
                    double* FqP, F elementLoad) {
  for (int k = 1; k <= nRecords; k++) {
    const int e = *elementOf(data, k);
    int property;
    const int type = ActiveType(e, mesh, t, &property);
    if (type == 0) continue;
    const int nNodes = mesh->ElemNodeCount[e];
    double* fe;
    allocd1(&fe, 6 * nNodes);
    zerod1(fe, 6 * nNodes);
    if (elementLoad(k, e, type, nNodes, property, fe))
      AssembElementLoadVector(block, k, e, type, lc, nNodes, word, mesh, t->w.PointDofNumbers, FqF, FqP, fe,
                              t->w.PointDofCodes);
    freed1(fe);
  }
}

const int* HeatGenerationElement(const LoadCaseData* d, int k) { return &d->HeatGenerations[k].Element; }
const int* HeatFluxElement(const LoadCaseData* d, int k) { return &d->HeatFluxes[k].Element; }
const int* FluidTempElement(const LoadCaseData* d, int k) { return &d->FluidTemps[k].Element; }

// Heat generation, heat flux and the convection part of the fluid temperatures.
// radiationRun: a fluid record that names no convection record serves radiation only.
void AddLinearThermalLoads(int lc, const LoadCaseData* data, const MeshData* mesh, const ThermalWorkArrays* t,
                           bool radiationRun, double* FqF, double* FqP) {
  if (data->nLineHeatFluxes > 0) {
    std::fflush(stdout);
    std::fprintf(stderr, "\n   -> Load case: %d\n   -> Block name: <LINE_HEAT_FLUX>\n", lc);
    errexit("Line heat flux is not available.", 0);
  }
  const LoadCaseParameters* params = &data->Params;
  AddRecordLoads(data->nHeatGenerations, HeatGenerationElement, data, lc, kBlockHeatGeneration,
                 "volumetric internal heat generation", mesh, t, FqF, FqP,
                 [&](int k, int e, int type, int nNodes, int property, double* fe) {
                   Calc_Fqg_VolumetricIntHeatGeneration(6 * nNodes, e, type, lc, nNodes, property, k, params, mesh,
                                                        fe, data->HeatGenerations);
                   return true;
                 });
  AddRecordLoads(data->nHeatFluxes, HeatFluxElement, data, lc, kBlockHeatFlux, "surface heat flux", mesh, t, FqF, FqP,
                 [&](int k, int e, int type, int nNodes, int, double* fe) {
                   if (type != _SOLID_HEXA_THERMAL)
                     RefuseFaceLoad(lc, "<SURFACE_HEAT_FLUX>", k, e, type,
                                    "Surface heat flux cannot be applied to this element type.");
                   Calc_Fqg_SurfHeatFlux(6 * nNodes, e, type, lc, nNodes, k, params, mesh, fe, data->HeatFluxes);
                   // A positive flux leaves the body.
                   for (int i = 1; i <= 6 * nNodes; i++) fe[i] = -fe[i];
                   return true;
                 });
  AddRecordLoads(data->nFluidTemps, FluidTempElement, data, lc, kBlockFluidTemp,
                 "surface fluid temperature (convection heat transfer)", mesh, t, FqF, FqP,
                 [&](int k, int e, int type, int nNodes, int, double* fe) {
                   const SurfaceFluidTemperature& r = data->FluidTemps[k];
                   if (type != _SOLID_HEXA_THERMAL)
                     RefuseFaceLoad(lc, "<SURFACE_FLUID_TEMPERATURE>", k, e, type,
                                    "Surface fluid temperature cannot be applied to this element type.");
                   if (radiationRun && r.ConvectionRecord == 0 && r.RadiationRecord != 0) return false;
                   Calc_Fqg_SurfFluidTemp(6 * nNodes, e, type, lc, nNodes, r.ConvectionRecord, k, params, mesh, fe,
                                          data->FluidTemps);
                   return true;
                 });
}

}  // namespace

void CalcCombLoadCaseFactors(int c, int nLoadCases, double* factors, const CombinationData* combinations) {
  zerod1(factors, nLoadCases);
  const CombinationData& comb = combinations[c];
  for (int k = 1; k <= comb.nFactors; k++) {
    const int lc = comb.Factors[k].Number;
    if (lc < 1 || lc > nLoadCases) InternalError(__FILE__, __LINE__);
    factors[lc] = comb.Factors[k].Factor;
  }
}

void PrintThermalLoadVector(int nF, int nP, const char* OutputControl, double* FqF, double* FqP) {
  if (OutputControl[OC_PRINT_VECT_FQ] == 'Y')
    PrintFreePrescVector("Global thermal load vector Fq", nF, nP, FqF, FqP);
}

void AssembThermalLoadVector(int nF, int nP, int lc, const char* OutputControl, const LoadCaseData* data,
                             const MeshData* mesh, const ThermalWorkArrays* t, double* FqF, double* FqP) {
  if (OutputControl[OC_PRINT_PROGRAM_FLOW_INFO] == 'Y')
    std::printf("\nCalculating and assembling the thermal load vector of each element\n");
  zerod1(FqF, nF);
  zerod1(FqP, nP);
  AddLinearThermalLoads(lc, data, mesh, t, false, FqF, FqP);
  PrintThermalLoadVector(nF, nP, OutputControl, FqF, FqP);
}

void AssembThermalLoadVector_NL(int nF, int nP, int lc, double factor, const char* OutputControl,
                                const LoadCaseData* data, const MeshData* mesh, const ThermalWorkArrays* t,
                                double** Tpoint, double* FqF, double* FqP) {
  if (OutputControl[OC_PRINT_PROGRAM_FLOW_INFO] == 'Y')
    std::printf("\nCalculating and assembling the thermal load vector of each element\n");
  zerod1(FqF, nF);
  zerod1(FqP, nP);
  AddLinearThermalLoads(lc, data, mesh, t, true, FqF, FqP);
  for (int i = 1; i <= nF; i++) FqF[i] *= factor;
  for (int i = 1; i <= nP; i++) FqP[i] *= factor;
  // The radiation law is not linear in the fluid temperature: the factor goes inside.
  double Te[21];
  AddRecordLoads(data->nFluidTemps, FluidTempElement, data, lc, kBlockFluidTemp,
                 "surface fluid temperature (radiation heat transfer)", mesh, t, FqF, FqP,
                 [&](int k, int e, int type, int nNodes, int, double* fe) {
                   const SurfaceFluidTemperature& r = data->FluidTemps[k];
                   if (!t->RadiationFlags[e] || r.RadiationRecord == 0) return false;
                   if (nNodes > 20) InternalError(__FILE__, __LINE__);
                   GatherElementDofValues(e, type, nNodes, mesh->ElemNodes, Tpoint, Te);
                   Calc_Fqg_SurfRadFluidTemp(6 * nNodes, e, type, lc, nNodes, k, r.RadiationRecord, factor,
                                             &data->Params, mesh, Te, fe, data->FluidTemps);
                   return true;
                 });
  PrintThermalLoadVector(nF, nP, OutputControl, FqF, FqP);
}

void Assemb_FQg(int e, int nNodes, int** ElemNodes, int** PointDofNumbers, double* FqF, double* FqP, const double* fe,
                char** PointDofCodes) {
  int k = 0;
  for (int i = 1; i <= nNodes; i++) {
    const int p = ElemNodes[e][i];
    for (int d = 1; d <= 6; d++) {
      const double v = fe[++k];
      // Every term of a temperature dof counts, however small in the units of the model.
      switch (PointDofCodes[p][d]) {
        case 'F': FqF[PointDofNumbers[p][d]] += v; break;
        case 'P': FqP[PointDofNumbers[p][d]] += v; break;
        default:
          if (std::fabs(v) >= kSmall) InternalError(__FILE__, __LINE__);
      }
    }
  }
}

void Calc_Fq_VolumetricIntHeatGeneration_NL(const char* OutputControl, const MeshData* mesh,
                                            const ThermalWorkArrays* t, const ThermalStepState* s, double* FqF,
                                            double* FqP) {
  (void)OutputControl;
  const MainWorkArrays* w = &t->w;
  double** Tpoint;
  allocd2(&Tpoint, mesh->nPoints, 6);
  CalcPointTemp(mesh, w->PointDofNumbers, s->TF, s->TP, Tpoint, w->PointDofCodes);
  double Te[21];
  for (int e = 1; e <= mesh->nElements; e++) {
    const int property = w->ElemPropIndex[e];
    if (property == 0) continue;
    switch (CalcBehaviorType(property, &mesh->Main, mesh->ElemProps)) {
      case 'L': break;
      case 'M': {
        const int type = mesh->ElemProps[property].ElementType;
        const int nNodes = mesh->ElemNodeCount[e];
        if (type != _SOLID_HEXA_THERMAL || nNodes > 20) InternalError(__FILE__, __LINE__);
        GatherElementDofValues(e, type, nNodes, mesh->ElemNodes, Tpoint, Te);
        double* fe;
        allocd1(&fe, 6 * nNodes);
        Calc_Fqg_VolumetricIntHeatGenerationSolidHexaThermal_NL(s->combination, 6 * nNodes, e, s->iteration, nNodes,
                                                                property, s->dt, s->indexHD, mesh, s->hd, s->elemToHD,
                                                                fe, Te);
        Assemb_FQg(e, nNodes, mesh->ElemNodes, w->PointDofNumbers, FqF, FqP, fe, w->PointDofCodes);
        freed1(fe);
        break;
      }
      default: InternalError(__FILE__, __LINE__);
    }
  }
  freed2(Tpoint);
}

void Calc_T_Presc(int nP, int lc, const LoadCaseData* data, int** PointDofNumbers, double* TP, char** PointDofCodes) {
  zerod1(TP, nP);
  if (data->nPrescTemps < 1) return;
  char* given;
  allocc1(&given, nP);
  zeroc1(given, nP);
  for (int r = 1; r <= data->nPrescTemps; r++) {
    const PrescribedValue& rec = data->PrescTemps[r];
    if (rec.Dof < 1 || rec.Dof > 6) InternalError(__FILE__, __LINE__);
    const bool prescribed = PointDofCodes[rec.Point][rec.Dof] == 'P';
    const int m = PointDofNumbers[rec.Point][rec.Dof];
    if (!prescribed || given[m]) {
      std::fflush(stdout);
      std::fprintf(stderr, "\nTreating the prescribed temperatures:\n   -> Load case: %d\n", lc);
      std::fprintf(stderr, "   -> Counter: %d\n   -> Point: %d\n   -> Degree of freedom: %s\n", r, rec.Point,
                   DofKeywords[rec.Dof]);
      if (!prescribed)
        errexit("Prescribed point temperature in a boundary point that is not\n"
                "declared as prescribed in the <BOUNDARY_WITH_FIXED_TEMPERATURES> block.",
                0);
      errexit("The prescribed temperature of this degree of freedom\nis given more than once.", 0);
    }
    if (m < 1 || m > nP) InternalError(__FILE__, __LINE__);
    given[m] = 1;
    TP[m] = rec.Value;
  }
  freec1(given);
}

void CalcElementSurfFluidTemp(FILE* fp, int c, long firstLoadCase, const MeshData* mesh, const int* ElemPropIndex,
                              const CombinationData* combinations, FaceFluidTemperatures* fluid) {
  const int ne = mesh->nElements;
  const int nLoadCases = mesh->Main.nLoadCases;
  allocd3(&fluid->T, ne, 6, 9);
  zerod3(fluid->T, ne, 6, 9);
  const int nComb = mesh->Main.nCombinations;
  const int cc = c > nComb ? nComb : c;
  if (cc < 1 || nLoadCases < 1) return;
  double* factors;
  allocd1(&factors, nLoadCases);
  CalcCombLoadCaseFactors(cc, nLoadCases, factors, combinations);
  if (std::fseek(fp, firstLoadCase, SEEK_SET) != 0) InvalidBinaryFile(kDataFileSuffix);
  for (int lc = 1; lc <= nLoadCases; lc++) {
    LoadCaseData data{};
    ReadLoadCase(fp, lc, mesh, &data);
    if (std::fabs(factors[lc]) > kSmall) {
      for (int k = 1; k <= data.nFluidTemps; k++) {
        const SurfaceFluidTemperature& r = data.FluidTemps[k];
        if (ElemPropIndex[r.Element] == 0) continue;
        const int type = mesh->ElemProps[ElemPropIndex[r.Element]].ElementType;
        if (type != _SOLID_HEXA_THERMAL)
          RefuseFaceLoad(lc, "<SURFACE_FLUID_TEMPERATURE>", k, r.Element, type,
                         "Surface fluid temperature cannot be applied to this element type.");
        const int m = mesh->ElemNodeCount[r.Element] == 8 ? 4 : 8;
        if (r.ValueCount != 1 && r.ValueCount != m) {
          std::fflush(stdout);
          std::fprintf(stderr,
                       "\n   -> Load case: %d\n   -> Block name: <SURFACE_FLUID_TEMPERATURE>\n   -> Counter: %d\n"
                       "   -> Element: %d\n   -> Number of values: %d\n",
                       lc, k, r.Element, r.ValueCount);
          errexit("The number of values must be 1 or the number of face nodes.", 0);
        }
        double* row = fluid->T[r.Element][r.Face];
        for (int i = 1; i <= m; i++) row[i] += factors[lc] * (r.ValueCount == 1 ? r.Values[1] : r.Values[i]);
      }
    }
    FreeLoadCase(&data);
  }
  freed1(factors);
}

void FreeElementSurfFluidTemp(FaceFluidTemperatures* fluid) {
  if (fluid->T != nullptr) freed3(fluid->T);
  fluid->T = nullptr;
}
