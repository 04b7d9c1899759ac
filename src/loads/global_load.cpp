// Global load vector of a load case, and the rotation and assembly through which every
// element load vector reaches it.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "loads/loads.h"
#include "model/outputcontrol.h"

const char* const LoadBlockKeywords[17] = {"_NONE",
                                           "<GRAVITY_LOAD>",
                                           "<POINT_LOADS>",
                                           "<INTERNAL_POINT_LOADS>",
                                           "<EDGE_LOADS>",
                                           "<INTERNAL_EDGE_LOADS>",
                                           "<FACE_LOADS>",
                                           "<INTERNAL_FACE_LOADS>",
                                           "<TEMPERATURE_VARIATION>",
                                           "<DIFFERENTIAL_TEMPERATURE_VARIATION>",
                                           "<PRESCRIBED_DISPLACEMENTS>",
                                           "<INTERNAL_PRESCRIBED_RELATIVE_DISPLACEMENTS>",
                                           "<PRESCRIBED_POINT_TEMPERATURES>",
                                           "<SURFACE_HEAT_FLUX>",
                                           "<SURFACE_FLUID_TEMPERATURE>",
                                           "<VOLUMETRIC_INTERNAL_HEAT_GENERATION>",
                                           "<LINE_HEAT_FLUX>"};

const char* const DofKeywords[7] = {"_NONE", "_D1", "_D2", "_D3", "_R1", "_R2", "_R3"};

// ---- report context --------------------------------------------------------------------

void PrintLoadReportContext(const LoadReportContext& c) {
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "%s", c.heading);
  std::fprintf(stderr, "   -> Load case: %d\n", c.loadCase);
  std::fprintf(stderr, "   -> Block name: %s\n", c.block);
  if (c.counterFormat != nullptr) std::fprintf(stderr, c.counterFormat, c.counter);
  std::fprintf(stderr, "   -> Element: %d\n", c.element);
  if (c.afterElement != nullptr) std::fprintf(stderr, "%s", c.afterElement);
  if (c.typeKeyword != nullptr) std::fprintf(stderr, "   -> Element type: %s\n", c.typeKeyword);
}

LoadReportContext EdgeLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return {"Calculating the edge load contribution to the global load vector:\n",
          LoadCaseNumber,
          "<EDGE_LOAD>",
          "   -> Edge load counter: %d\n",
          Record,
          Element,
          GetElementTypeInfo(ElementType).keyword,
          nullptr};
}

LoadReportContext GravityReportContext(int LoadCaseNumber, int Element, int ElementType) {
  return {"Calculating the gravity load contribution to the global load vector:\n",
          LoadCaseNumber,
          "<GRAVITY_LOAD>",
          nullptr,
          0,
          Element,
          GetElementTypeInfo(ElementType).keyword,
          nullptr};
}

LoadReportContext IntPointLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return {"Calculating the internal point load contribution to\nthe global load vector:\n",
          LoadCaseNumber,
          "<INTERNAL_POINT_LOADS>",
          "   -> Internal point load counter: %d\n",
          Record,
          Element,
          GetElementTypeInfo(ElementType).keyword,
          nullptr};
}

namespace {

LoadReportContext MakeContext(const char* heading, int lc, const char* block, const char* counterFormat, int r, int e,
                              int type) {
  LoadReportContext c;
  c.heading = heading;
  c.loadCase = lc;
  c.block = block;
  c.counterFormat = counterFormat;
  c.counter = r;
  c.element = e;
  c.typeKeyword = GetElementTypeInfo(type).keyword;
  c.afterElement = nullptr;
  return c;
}

}  // namespace

LoadReportContext FaceLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the face load contribution to the global load vector:\n", LoadCaseNumber,
                     "<FACE_LOAD>", "   -> Face load counter: %d\n", Record, Element, ElementType);
}

LoadReportContext IntEdgeLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the internal edge load contribution to\nthe global load vector:\n", LoadCaseNumber,
                     "<INTERNAL_EDGE_LOADS>", "   -> Internal edge load counter: %d\n", Record, Element,
                     ElementType);
}

LoadReportContext IntFaceLoadReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the internal face load contribution to\nthe global load vector:\n", LoadCaseNumber,
                     "<INTERNAL_FACE_LOADS>", "   -> Internal face load counter: %d\n", Record, Element,
                     ElementType);
}

LoadReportContext TempVarReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the thermal load contribution to the global load vector:\n", LoadCaseNumber,
                     "<TEMPERATURE_VARIATION>", "   -> Temp. var. counter: %d\n", Record, Element, ElementType);
}

LoadReportContext DiffTempVarReportContext(int LoadCaseNumber, int Record, int Element, int ElementType) {
  return MakeContext("Calculating the thermal load contribution to the global load vector:\n", LoadCaseNumber,
                     "<DIFFERENTIAL_TEMPERATURE_VARIATION>", "   -> Diff. temp. var. counter: %d\n", Record,
                     Element, ElementType);
}

// ---- the load vector of a load case ------------------------------------------------------

namespace {

// Flow message and a zero vector before the blocks add their parts.
void StartLoadVector(int nF, int nP, const char* OutputControl, double* F_Free, double* F_Presc) {
  if (OutputControl[OC_PRINT_PROGRAM_FLOW_INFO] == 'Y')
    std::printf("\nCalculating and assembling the load vector of each element\n");
  zerod1(F_Free, nF);
  zerod1(F_Presc, nP);
}

// The blocks that add the same nodal forces in the linear and the nonlinear analyses:
// point, internal point, edge, internal edge, face and internal face loads.
void Calc_F_ForceBlocks(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
                        const MeshData* Mesh, int** PointDofNumbers, const int* ElemPropIndex, const int* PointCoordSys,
                        double* F_Free, double* F_Presc, char** PointDofCodes, const char* ElemHasSpecialCoordSys,
                        const char* PointTypes, const PointList* PointElemAdjacency) {
  Calc_F_PointLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                   F_Free, F_Presc, PointDofCodes, PointTypes, PointElemAdjacency);
  Calc_F_IntPointLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                      F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
  Calc_F_EdgeLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                  F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
  Calc_F_IntEdgeLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                     F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
  Calc_F_FaceLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                  F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
  Calc_F_IntFaceLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                     F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
}

}  // namespace

void Calc_F(int nF, int nP, int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
            const MeshData* Mesh, int** PointDofNumbers, const int* MotherElemIndex, const int* ElemPropIndex,
            const int* PointCoordSys, double* F_Free, double* F_Presc, char** PointDofCodes,
            const char* ElemHasSpecialCoordSys, const char* PointTypes, const PointList* PointElemAdjacency,
            const EmbCableMotherRecord* MotherElemRecords) {
  StartLoadVector(nF, nP, OutputControl, F_Free, F_Presc);
  Calc_F_GravityLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                     F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
  Calc_F_ForceBlocks(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                     F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
  Calc_F_TempVar(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, MotherElemIndex, ElemPropIndex,
                 PointCoordSys, F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes,
                 PointElemAdjacency, MotherElemRecords);
  Calc_F_DiffTempVar(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                     F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
  PrintGlobalLoadVector(nF, nP, OutputControl, F_Free, F_Presc);
}

void Calc_F_NL(int nF, int nP, int LoadCaseNumber, double TimeIncrement, double Time, Index_HD* IndexHD,
               const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh, NLMM_HD* MaterialHD,
               int** PointDofNumbers, ElemHDEntry* ElemHDTable, const int* MotherElemIndex, const int* ElemPropIndex,
               const int* PointCoordSys, double* F_Free, double* F_Presc, double** ElemNodalValues,
               char** PointDofCodes, const char* ElemHasSpecialCoordSys, const char* PointTypes,
               const PointList* PointElemAdjacency, const EmbCableMotherRecord* MotherElemRecords) {
  StartLoadVector(nF, nP, OutputControl, F_Free, F_Presc);
  Calc_F_GravityLoad_NL(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                        F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
  Calc_F_ForceBlocks(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                     F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
  Calc_F_TempVar_NL(LoadCaseNumber, TimeIncrement, Time, IndexHD, OutputControl, LoadCase, Mesh, MaterialHD,
                    PointDofNumbers, ElemHDTable, MotherElemIndex, ElemPropIndex, PointCoordSys, F_Free, F_Presc,
                    ElemNodalValues, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency,
                    MotherElemRecords);
  Calc_F_DiffTempVar(LoadCaseNumber, OutputControl, LoadCase, Mesh, PointDofNumbers, ElemPropIndex, PointCoordSys,
                     F_Free, F_Presc, PointDofCodes, ElemHasSpecialCoordSys, PointTypes, PointElemAdjacency);
  PrintGlobalLoadVector(nF, nP, OutputControl, F_Free, F_Presc);
}

void PrintGlobalLoadVector(int nF, int nP, const char* OutputControl, double* F_Free, double* F_Presc) {
  if (OutputControl[OC_PRINT_VECT_F] != 'Y') return;
  std::printf("\nGlobal load vector F (Free):\n");
  printd1(F_Free, nF, stdout, "", "", "", 1, 'E', 18, 10);
  std::printf("\nGlobal load vector F (Presc):\n");
  printd1(F_Presc, nP, stdout, "", "", "", 1, 'E', 18, 10);
}

// ---- rotation and assembly of an element load vector --------------------------------------

void AssembElementLoadVector(int BlockIndex, int Counter, int Element, int ElementType, int LoadCaseNumber, int nNodes,
                             const char* LoadTypeWord, const MeshData* Mesh, int** PointDofNumbers, double* F_Free,
                             double* F_Presc, const double* Fe, char** PointDofCodes) {
  if (BlockIndex < 0 || BlockIndex > 16) InternalError(__FILE__, __LINE__);
  int k = 0;
  for (int i = 1; i <= nNodes; i++) {
    const int p = Mesh->ElemNodes[Element][i];
    for (int d = 1; d <= 6; d++) {
      k++;
      const double v = Fe[k];
      if (std::fabs(v) < kSmall) continue;
      const char c = PointDofCodes[p][d];
      const bool finite = std::isfinite(v);
      if (finite && c == 'F') {
        F_Free[PointDofNumbers[p][d]] += v;
        continue;
      }
      if (finite && c == 'P') {
        F_Presc[PointDofNumbers[p][d]] += v;
        continue;
      }
      char heading[512];
      std::snprintf(heading, sizeof heading, "Calculating the %s load contribution to the global load vector:\n",
                    LoadTypeWord);
      std::fflush(stdout);
      std::fprintf(stderr, "\n");
      std::fprintf(stderr, "%s", heading);
      std::fprintf(stderr, "   -> Load case: %d\n", LoadCaseNumber);
      std::fprintf(stderr, "   -> Block name: %s\n", LoadBlockKeywords[BlockIndex]);
      if (Counter > 0) std::fprintf(stderr, "   -> Counter: %d\n", Counter);
      std::fprintf(stderr, "   -> Element: %d\n", Element);
      std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(ElementType).keyword);
      std::fprintf(stderr, "   -> Degree of freedom: %s\n", DofKeywords[d]);
      if (!finite) {
        std::fprintf(stderr, "   -> Load value: %18.10le\n", v);
        errexit("The load value is not a finite number.", 0);
      }
      errexit("The type of load is not compatible with the type\nof degree of freedom.", 0);
    }
  }
}

void RotateNodalLoadsSpecialCoordSys(int Element, int nNodes, const int* PointCoordSys, int** ElemNodes, double* Fe,
                                     const AuxiliaryVector* AuxVectors, const CoordinateSystem* CoordSystems) {
  double *t, **R;
  allocd1(&t, 6);
  allocd2(&R, 6, 6);
  for (int i = 1; i <= nNodes; i++) {
    const int p = ElemNodes[Element][i];
    const int s = PointCoordSys[p];
    if (s == 0) continue;
    zerod2(R, 6, 6);
    for (int r = 1; r <= 3; r++) {
      const double* v = AuxVectors[CoordSystems[s].AuxVector[r]].v;
      for (int c = 1; c <= 3; c++) R[r][c] = R[r + 3][c + 3] = v[c];
    }
    double* node = Fe + 6 * (i - 1);  // node[1..6]
    copyd1(t, node, 6);
    multd2d1(node, R, t, 6, 6);
  }
  freed2(R);
  freed1(t);
}
