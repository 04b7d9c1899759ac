// Reading and release of load cases and combinations.
#include "model/loadcase.h"

#include <cstring>

#include "model/records.h"
#include "model/validate.h"
#include "numcore/numcore.h"

void ReleaseRecord(EdgeLoad& r) { freed1(r.Values); }
void ReleaseRecord(FaceLoad& r) { freed1(r.Values); }
void ReleaseRecord(InternalSurfLoad& r) { freed1(r.Values); }
void ReleaseRecord(TemperatureVariationRecord& r) { freed1(r.Values); }
void ReleaseRecord(DiffTemperatureVariationRecord& r) { freed1(r.Values); }
void ReleaseRecord(SurfaceHeatFlux& r) { freed1(r.Values); }
void ReleaseRecord(SurfaceFluidTemperature& r) { freed1(r.Values); }
void ReleaseRecord(LineHeatFlux& r) { freed1(r.Values); }
void ReleaseRecord(CombinationData& r) {
  freei1(r.ContactCases);
  FreeRecords(r.Factors, r.nFactors);
}

namespace {

template <typename T, typename F>
void ReadRecordBlock(FILE* fp, const char* tag, int64_t minBytes, int32_t* n, T** recs, F readOne) {
  ReadBlockHeader(fp, tag, kDataFileSuffix);
  *n = ReadCount(fp, minBytes);
  AllocRecords(recs, *n);
  for (int r = 1; r <= *n; r++) readOne((*recs)[r]);
}

void ReadValues(FILE* fp, int32_t* count, double** values) {
  *count = ReadCount(fp, 8);
  allocd1(values, *count);
  ReadDoubles(fp, *values, *count);
}

// Blocks 6 to 8: element, second int32, direction kind, direction code, force kind,
// m and m values.
template <typename T>
void ReadSurfLoad(FILE* fp, T& r, int32_t* second) {
  r.Element = ReadInt32(fp);
  *second = ReadInt32(fp);
  r.DirKind = ReadByte(fp);
  r.DirCode = ReadInt32(fp);
  r.ForceKind = ReadByte(fp);
  ReadValues(fp, &r.ValueCount, &r.Values);
}

}  // namespace

void ReadLoadCase(FILE* fp, int expected, const MeshData* mesh, LoadCaseData* lc) {
  std::memset(static_cast<void*>(lc), 0, sizeof(LoadCaseData));
  ReadTag("<LOAD_CASE>", fp, kDataFileSuffix);
  ReadBlockHeader(fp, "<LOAD_CASE_PARAMETERS>", kDataFileSuffix);
  if (ReadInt32(fp) != expected) InvalidBinaryFile(kDataFileSuffix);
  lc->Number = expected;
  ReadString(lc->Params.Title, kBinStringMax, fp);
  lc->Params.Group = ReadInt32(fp);
  lc->Params.IntegrationType = ReadInt32(fp);
  lc->Params.IntegrationName = ReadInt32(fp);
  ReadBlockHeader(fp, "<GRAVITY_LOAD>", kDataFileSuffix);
  ReadDoubles(fp, lc->Gravity, 3);
  ReadRecordBlock(fp, "<POINT_LOADS>", 52, &lc->nPointLoads, &lc->PointLoads, [fp](PointLoad& r) {
    r.Point = ReadInt32(fp);
    ReadDoubles(fp, r.Load, 6);
  });
  ReadRecordBlock(fp, "<INTERNAL_POINT_LOADS>", 56, &lc->nIntPointLoads, &lc->IntPointLoads,
                  [fp](InternalPointLoad& r) {
                    r.Element = ReadInt32(fp);
                    r.AuxPoint = ReadInt32(fp);
                    ReadDoubles(fp, r.Load, 6);
                  });
  ReadRecordBlock(fp, "<EDGE_LOADS>", 22, &lc->nEdgeLoads, &lc->EdgeLoads, [fp](EdgeLoad& r) {
    r.Element = ReadInt32(fp);
    r.Face = ReadInt32(fp);
    r.Edge = ReadInt32(fp);
    r.DirKind = ReadByte(fp);
    r.DirCode = ReadInt32(fp);
    r.ForceKind = ReadByte(fp);
    ReadValues(fp, &r.ValueCount, &r.Values);
  });
  ReadRecordBlock(fp, "<INTERNAL_EDGE_LOADS>", 18, &lc->nIntEdgeLoads, &lc->IntEdgeLoads,
                  [fp](InternalSurfLoad& r) { ReadSurfLoad(fp, r, &r.AuxElement); });
  ReadRecordBlock(fp, "<FACE_LOADS>", 18, &lc->nFaceLoads, &lc->FaceLoads,
                  [fp](FaceLoad& r) { ReadSurfLoad(fp, r, &r.Face); });
  ReadRecordBlock(fp, "<INTERNAL_FACE_LOADS>", 18, &lc->nIntFaceLoads, &lc->IntFaceLoads,
                  [fp](InternalSurfLoad& r) { ReadSurfLoad(fp, r, &r.AuxElement); });
  ReadRecordBlock(fp, "<TEMPERATURE_VARIATION>", 8, &lc->nTempVars, &lc->TempVars,
                  [fp](TemperatureVariationRecord& r) {
                    r.Element = ReadInt32(fp);
                    ReadValues(fp, &r.ValueCount, &r.Values);
                  });
  ReadRecordBlock(fp, "<DIFFERENTIAL_TEMPERATURE_VARIATION>", 12, &lc->nDiffTempVars, &lc->DiffTempVars,
                  [fp](DiffTemperatureVariationRecord& r) {
                    r.Element = ReadInt32(fp);
                    r.Direction = ReadInt32(fp);
                    ReadValues(fp, &r.ValueCount, &r.Values);
                  });
  auto readPrescribed = [fp](PrescribedValue& r) {
    r.Point = ReadInt32(fp);
    r.Dof = ReadInt32(fp);
    r.Value = ReadDouble(fp);
  };
  ReadRecordBlock(fp, "<PRESCRIBED_DISPLACEMENTS>", 16, &lc->nPrescDispls, &lc->PrescDispls, readPrescribed);
  ReadRecordBlock(fp, "<INTERNAL_PRESCRIBED_RELATIVE_DISPLACEMENTS>", 20, &lc->nRelDispls, &lc->RelDispls,
                  [fp](RelativeDisplacement& r) {
                    r.Int1 = ReadInt32(fp);
                    r.Int2 = ReadInt32(fp);
                    r.Int3 = ReadInt32(fp);
                    r.Value = ReadDouble(fp);
                  });
  ReadRecordBlock(fp, "<PRESCRIBED_POINT_TEMPERATURES>", 16, &lc->nPrescTemps, &lc->PrescTemps, readPrescribed);
  ReadRecordBlock(fp, "<SURFACE_HEAT_FLUX>", 12, &lc->nHeatFluxes, &lc->HeatFluxes, [fp](SurfaceHeatFlux& r) {
    r.Element = ReadInt32(fp);
    r.Face = ReadInt32(fp);
    ReadValues(fp, &r.ValueCount, &r.Values);
  });
  ReadRecordBlock(fp, "<SURFACE_FLUID_TEMPERATURE>", 20, &lc->nFluidTemps, &lc->FluidTemps,
                  [fp](SurfaceFluidTemperature& r) {
                    r.Element = ReadInt32(fp);
                    r.Face = ReadInt32(fp);
                    r.ConvectionRecord = ReadInt32(fp);
                    r.RadiationRecord = ReadInt32(fp);
                    ReadValues(fp, &r.ValueCount, &r.Values);
                  });
  ReadRecordBlock(fp, "<LINE_HEAT_FLUX>", 12, &lc->nLineHeatFluxes, &lc->LineHeatFluxes, [fp](LineHeatFlux& r) {
    r.Int1 = ReadInt32(fp);
    r.Int2 = ReadInt32(fp);
    ReadValues(fp, &r.ValueCount, &r.Values);
  });
  ReadRecordBlock(fp, "<VOLUMETRIC_INTERNAL_HEAT_GENERATION>", 12, &lc->nHeatGenerations, &lc->HeatGenerations,
                  [fp](VolumetricHeatGeneration& r) {
                    r.Element = ReadInt32(fp);
                    r.Value = ReadDouble(fp);
                  });
  ValidateLoadCase(mesh, lc);
}

void FreeLoadCase(LoadCaseData* lc) {
  FreeRecords(lc->HeatGenerations, lc->nHeatGenerations);
  FreeRecords(lc->LineHeatFluxes, lc->nLineHeatFluxes);
  FreeRecords(lc->FluidTemps, lc->nFluidTemps);
  FreeRecords(lc->HeatFluxes, lc->nHeatFluxes);
  FreeRecords(lc->PrescTemps, lc->nPrescTemps);
  FreeRecords(lc->RelDispls, lc->nRelDispls);
  FreeRecords(lc->PrescDispls, lc->nPrescDispls);
  FreeRecords(lc->DiffTempVars, lc->nDiffTempVars);
  FreeRecords(lc->TempVars, lc->nTempVars);
  FreeRecords(lc->IntFaceLoads, lc->nIntFaceLoads);
  FreeRecords(lc->FaceLoads, lc->nFaceLoads);
  FreeRecords(lc->IntEdgeLoads, lc->nIntEdgeLoads);
  FreeRecords(lc->EdgeLoads, lc->nEdgeLoads);
  FreeRecords(lc->IntPointLoads, lc->nIntPointLoads);
  FreeRecords(lc->PointLoads, lc->nPointLoads);
}

void ReadCombinations(FILE* fp, const MeshData* mesh, CombinationData** combinations) {
  ReadTag("<COMBINATION>", fp, kDataFileSuffix);
  int n = mesh->Main.nCombinations;
  // Each combination takes three tagged blocks of 30 bytes at least.
  CheckCount(fp, n, 90);
  AllocRecords(combinations, n);
  for (int c = 1; c <= n; c++) {
    CombinationData& cd = (*combinations)[c];
    ReadBlockHeader(fp, "<COMBINATION_PARAMETERS>", kDataFileSuffix);
    if (ReadInt32(fp) != c) InvalidBinaryFile(kDataFileSuffix);
    ReadString(cd.Params.Title, kBinStringMax, fp);
    cd.Params.Group = ReadInt32(fp);
    cd.Params.Phase = ReadInt32(fp);
    cd.Params.StepDuration = ReadDouble(fp);
    ReadRecordBlock(fp, "<LOAD_CASE_FACTORS>", 12, &cd.nFactors, &cd.Factors, [fp](LoadCaseFactor& r) {
      r.Number = ReadInt32(fp);
      r.Factor = ReadDouble(fp);
    });
    ReadBlockHeader(fp, "<CONTACT_CASES>", kDataFileSuffix);
    cd.nContactCases = ReadCount(fp, 4);
    alloci1(&cd.ContactCases, cd.nContactCases);
    ReadInt32s(fp, cd.ContactCases, cd.nContactCases);
  }
  ValidateCombinations(mesh, *combinations, n);
}

void FreeCombinations(CombinationData* combinations, int n) {
  if (combinations == nullptr) return;
  for (int c = 1; c <= n; c++) ReleaseRecord(combinations[c]);
  std::free(combinations);
}
