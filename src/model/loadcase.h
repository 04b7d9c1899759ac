// Load cases ("<LOAD_CASE>" sections, read one at a time) and combinations (the
// "<COMBINATION>" section, read whole).
//
// A load case is the tag "<LOAD_CASE>" and 17 tagged blocks; a record ending in a count
// m and m doubles keeps them as (ValueCount, owned 1-based Values). A combination is
// three tagged blocks: its parameters, its load-case factors and its contact cases.
#pragma once

#include <cstdint>
#include <cstdio>

#include "model/mesh.h"

struct LoadCaseParameters {       // "<LOAD_CASE_PARAMETERS>" (the number is only checked)
  char Title[kBinStringMax];
  int32_t Group;                  // LOAD_CASE_GROUP
  int32_t IntegrationType;        // 0 none, 1 _GLEG, 2 _GLOB, 3 _NCOTES
  int32_t IntegrationName;        // "<NUMERICAL_INTEGRATION>" record, 0 = none
};

struct PointLoad {                // "<POINT_LOADS>"
  int32_t Point;
  double Load[7];                 // dofs 1..6, global axes
};

struct InternalPointLoad {        // "<INTERNAL_POINT_LOADS>"
  int32_t Element;
  int32_t AuxPoint;               // auxiliary point inside the element
  double Load[7];                 // [1..6]
};

struct EdgeLoad {                 // "<EDGE_LOADS>"
  int32_t Element;
  int32_t Face;
  int32_t Edge;
  char DirKind;                   // direction kind
  int32_t DirCode;                // direction code
  char ForceKind;                 // generalized-force kind
  int32_t ValueCount;
  double* Values;
};

struct FaceLoad {                 // "<FACE_LOADS>"
  int32_t Element;
  int32_t Face;
  char DirKind;
  int32_t DirCode;
  char ForceKind;
  int32_t ValueCount;
  double* Values;
};

struct InternalSurfLoad {         // "<INTERNAL_EDGE_LOADS>", "<INTERNAL_FACE_LOADS>"
  int32_t Element;                // host element
  int32_t AuxElement;             // auxiliary line (surface) element holding the load
  char DirKind;
  int32_t DirCode;
  char ForceKind;
  int32_t ValueCount;
  double* Values;
};
using InternalEdgeLoad = InternalSurfLoad;
using InternalFaceLoad = InternalSurfLoad;

struct TemperatureVariationRecord {  // "<TEMPERATURE_VARIATION>"
  int32_t Element;
  int32_t ValueCount;
  double* Values;
};

struct DiffTemperatureVariationRecord {  // "<DIFFERENTIAL_TEMPERATURE_VARIATION>"
  int32_t Element;
  int32_t Direction;
  int32_t ValueCount;
  double* Values;
};

struct PrescribedValue {          // "<PRESCRIBED_DISPLACEMENTS>", "<PRESCRIBED_POINT_TEMPERATURES>"
  int32_t Point;
  int32_t Dof;                    // 1..6
  double Value;
};

struct RelativeDisplacement {     // "<INTERNAL_PRESCRIBED_RELATIVE_DISPLACEMENTS>"
  int32_t Int1, Int2, Int3;
  double Value;
};

struct SurfaceHeatFlux {          // "<SURFACE_HEAT_FLUX>"
  int32_t Element;
  int32_t Face;
  int32_t ValueCount;
  double* Values;
};

struct SurfaceFluidTemperature {  // "<SURFACE_FLUID_TEMPERATURE>"
  int32_t Element;
  int32_t Face;
  int32_t ConvectionRecord;       // "<SURFACE_CONVECTION_HEAT_TRANSFER>" record of the face, 0 = none
  int32_t RadiationRecord;        // "<SURFACE_RADIATION_HEAT_TRANSFER>" record of the face, 0 = none
  int32_t ValueCount;
  double* Values;
};

struct LineHeatFlux {             // "<LINE_HEAT_FLUX>"
  int32_t Int1, Int2;
  int32_t ValueCount;
  double* Values;
};

struct VolumetricHeatGeneration {  // "<VOLUMETRIC_INTERNAL_HEAT_GENERATION>"
  int32_t Element;
  double Value;
};

struct LoadCaseData {
  int32_t Number;                 // the load case's number (checked when read)
  double Gravity[4];              // "<GRAVITY_LOAD>" [1..3]
  int32_t nDiffTempVars;
  DiffTemperatureVariationRecord* DiffTempVars;
  int32_t nEdgeLoads;
  EdgeLoad* EdgeLoads;
  int32_t nFaceLoads;
  FaceLoad* FaceLoads;
  int32_t nIntEdgeLoads;
  InternalEdgeLoad* IntEdgeLoads;
  int32_t nIntFaceLoads;
  InternalFaceLoad* IntFaceLoads;
  int32_t nIntPointLoads;
  InternalPointLoad* IntPointLoads;
  int32_t nRelDispls;
  RelativeDisplacement* RelDispls;
  LoadCaseParameters Params;
  int32_t nPointLoads;
  PointLoad* PointLoads;
  int32_t nPrescDispls;
  PrescribedValue* PrescDispls;
  int32_t nTempVars;
  TemperatureVariationRecord* TempVars;
  int32_t nPrescTemps;
  PrescribedValue* PrescTemps;
  int32_t nHeatFluxes;
  SurfaceHeatFlux* HeatFluxes;
  int32_t nFluidTemps;
  SurfaceFluidTemperature* FluidTemps;
  int32_t nLineHeatFluxes;
  LineHeatFlux* LineHeatFluxes;
  int32_t nHeatGenerations;
  VolumetricHeatGeneration* HeatGenerations;
};

// What the records with owned vectors release (FreeRecords calls them).
void ReleaseRecord(EdgeLoad& r);
void ReleaseRecord(FaceLoad& r);
void ReleaseRecord(InternalSurfLoad& r);
void ReleaseRecord(TemperatureVariationRecord& r);
void ReleaseRecord(DiffTemperatureVariationRecord& r);
void ReleaseRecord(SurfaceHeatFlux& r);
void ReleaseRecord(SurfaceFluidTemperature& r);
void ReleaseRecord(LineHeatFlux& r);

// Reads load case `expected` from the current position (its "<LOAD_CASE>" tag) and
// checks its element and point numbers against the mesh (ValidateLoadCase).
void ReadLoadCase(FILE* fp, int expected, const MeshData* mesh, LoadCaseData* lc);
void FreeLoadCase(LoadCaseData* lc);

struct CombinationParameters {    // "<COMBINATION_PARAMETERS>" (the number is only checked)
  char Title[kBinStringMax];
  int32_t Group;
  int32_t Phase;
  double StepDuration;
};

struct CombinationData {
  CombinationParameters Params;
  int32_t nFactors;               // "<LOAD_CASE_FACTORS>"
  LoadCaseFactor* Factors;
  int32_t nContactCases;          // "<CONTACT_CASES>"
  int32_t* ContactCases;          // [1..n] contact-case numbers
};

// Reads the "<COMBINATION>" section (Main.nCombinations combinations) from the current
// position into a new 1-based array (null when there are none) and checks the
// load-case and contact-case numbers (ValidateCombinations).
void ReadCombinations(FILE* fp, const MeshData* mesh, CombinationData** combinations);
void ReleaseRecord(CombinationData& r);
void FreeCombinations(CombinationData* combinations, int n);
