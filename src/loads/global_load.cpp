// Global load vector of a load case: the blocks in their order, and its print.
#include <cmath>
#include <cstdio>

#include "elements/kernel.h"
#include "loads/load_kernel.h"
#include "model/outputcontrol.h"

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
                        const MeshData* Mesh, const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  Calc_F_PointLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  Calc_F_IntPointLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  Calc_F_EdgeLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  Calc_F_IntEdgeLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  Calc_F_FaceLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  Calc_F_IntFaceLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
}

}  // namespace

void Calc_F(int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase, const MeshData* Mesh,
            const MainWorkArrays* Work, double* F_Free, double* F_Presc) {
  StartLoadVector(Work->nF, Work->nP, OutputControl, F_Free, F_Presc);
  Calc_F_GravityLoad(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  Calc_F_ForceBlocks(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  Calc_F_TempVar(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  Calc_F_DiffTempVar(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  PrintGlobalLoadVector(Work->nF, Work->nP, OutputControl, F_Free, F_Presc);
}

void Calc_F_NL(int LoadCaseNumber, double TimeIncrement, double Time, Index_HD* IndexHD, const char* OutputControl,
               const LoadCaseData* LoadCase, const MeshData* Mesh, NLMM_HD* MaterialHD, const int* ElemToHD,
               const MainWorkArrays* Work, double* F_Free, double* F_Presc, double** ElemNodalValues) {
  StartLoadVector(Work->nF, Work->nP, OutputControl, F_Free, F_Presc);
  Calc_F_GravityLoad_NL(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  Calc_F_ForceBlocks(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  Calc_F_TempVar_NL(LoadCaseNumber, TimeIncrement, Time, IndexHD, OutputControl, LoadCase, Mesh, MaterialHD,
                    ElemToHD, Work, F_Free, F_Presc, ElemNodalValues);
  Calc_F_DiffTempVar(LoadCaseNumber, OutputControl, LoadCase, Mesh, Work, F_Free, F_Presc);
  PrintGlobalLoadVector(Work->nF, Work->nP, OutputControl, F_Free, F_Presc);
}

void PrintGlobalLoadVector(int nF, int nP, const char* OutputControl, double* F_Free, double* F_Presc) {
  if (OutputControl[OC_PRINT_VECT_F] == 'Y') PrintFreePrescVector("Global load vector F", nF, nP, F_Free, F_Presc);
}

// ---- rotation and assembly of an element load vector --------------------------------------
