// Global mass and Rayleigh damping matrices of the dynamic and modal analyses: element
// mass by element type, element damping C_e = a0 M_e + a1 K_e, and their assembly into
// the row lists MFF, MPF, MPP (CFF, CPF, CPP) through the steps of the stiffness
// assembly, without its lone diagonals.
#pragma once

#include <cstdint>

#include "assembly/sparse_rows.h"
#include "assembly/topology.h"

struct MeshData;

// Whether the element type code has a mass routine (_TRUSS_2D, _TRUSS_3D, _FRAME_2D,
// _FRAME_3D, _MINDLIN_SHELL_QUAD, _AHMAD_SHELL_QUAD, _SOLID_HEXA).
bool ElementTypeHasMass(int type);
// Set-up checks of a dynamic or modal run over the active elements: an element type
// without a mass routine, and (damped) a material without a "<RAYLEIGH_DAMPING_FACTORS>"
// record, stop the run naming element, type and material.
void CheckDynamicElements(const MeshData* mesh, const int* ElemPropIndex, bool damped);
// Rayleigh record of the element group's material: the last record of the block whose
// material type code and number match; 0 when none does.
int FindRayleighRecord(int property, const MeshData* mesh);

// Element mass: allocates *M (dofs per node x nodes, square) and fills it by type.
void Calc_Mg(int element, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
             const MainWorkArrays* w, double*** M);
// Element damping of order n: allocates *C = a0 M + a1 K; K and M are scaled in place.
void Calc_Cg(int n, int property, const MeshData* mesh, double*** C, double** K, double** M);

// Global mass: MFF, MPF, MPP receive new row lists. An MFF row that received nothing
// becomes a lone 0.0 diagonal (a massless free dof); a row without its diagonal or with a
// negative diagonal stops the run.
void AssembGlobalMassMat(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                         SparseRowMatrix* MFF, SparseRowMatrix* MPF, SparseRowMatrix* MPP);
// Global damping: CFF, CPF, CPP receive new row lists (no diagonal check).
void AssembGlobalDampingMat(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                            SparseRowMatrix* CFF, SparseRowMatrix* CPF, SparseRowMatrix* CPP);
// The MFF row checks (empty rows become a lone 0.0 diagonal).
void CheckGlobalMassMatRows(SparseRowMatrix* MFF);
