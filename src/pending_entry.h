// Temporary stand-ins, replaced when the real modules land.
//
// Load vectors of a load case, the transfer of slave loads to their masters and the
// prescribed displacements of a load case (loads module). Each stops through the
// internal error when it is reached, so that no run computes a result without its loads.
#pragma once

struct LoadCaseData;
struct MeshData;
struct PointList;
struct EmbCableMotherRecord;

void Calc_F(int nF, int nP, int LoadCaseNumber, const char* OutputControl, const LoadCaseData* LoadCase,
            const MeshData* Mesh, int** PointDofNumbers, const int* MotherElemIndex, const int* ElemPropIndex,
            const int* PointCoordSys, double* F_Free, double* F_Presc, char** PointDofCodes,
            const char* ElemHasSpecialCoordSys, const char* PointTypes, const PointList* PointElemAdjacency,
            const EmbCableMotherRecord* MotherElemRecords);
void Calc_F_FreeMasterSlave(const MeshData* Mesh, int** PointDofNumbers, double* F, char** PointDofCodes);
void Calc_a_Presc(int nP, int LoadCaseNumber, const LoadCaseData* LoadCase, int** PointDofNumbers, double* uP,
                  char** PointDofCodes);
