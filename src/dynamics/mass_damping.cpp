// Element mass and Rayleigh damping, and their global assembly into the free/prescribed
// row lists through the steps of the stiffness assembly.
#include <cstdio>

#include "assembly/assembly.h"
#include "dynamics/mass_damping.h"
#include "elements/behaviour.h"
#include "elements/elements.h"
#include "elements/kernel.h"
#include "elements/shell_solid.h"
#include "materials/material_table.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

bool ElementTypeHasMass(int type) { return ElementBehaviourOf(type).mass.run != nullptr; }

int FindRayleighRecord(int property, const MeshData* mesh) {
  const ElementProperty& p = mesh->ElemProps[property];
  int found = 0;
  for (int r = 1; r <= mesh->nRayleigh; r++)
    if (mesh->Rayleigh[r].Int1 == p.MaterialKind && mesh->Rayleigh[r].Int2 == p.MaterialNumber) found = r;
  return found;
}

void CheckDynamicElements(const MeshData* mesh, const int* ElemPropIndex, bool damped) {
  for (int e = 1; e <= mesh->nElements; e++) {
    const int prop = ElemPropIndex[e];
    if (prop == 0) continue;
    const ElementProperty& p = mesh->ElemProps[prop];
    const bool noMass = !ElementTypeHasMass(p.ElementType);
    if (!noMass && (!damped || FindRayleighRecord(prop, mesh) != 0)) continue;
    std::fflush(stdout);
    std::fprintf(stderr, "\nVerifying the elements of the dynamic analysis\n   -> Element: %d\n", e);
    std::fprintf(stderr, "   -> Element type: %s\n", GetElementTypeInfo(p.ElementType).keyword);
    std::fprintf(stderr, "   -> Material type: %s\n   -> Material: %d\n", MaterialKindName(p.MaterialKind),
                 p.MaterialNumber);
    if (noMass)
      errexit("The dynamic and modal analyses accept only the element types\n_TRUSS_2D, _TRUSS_3D, _FRAME_2D, "
              "_FRAME_3D, _MINDLIN_SHELL_QUAD,\n_AHMAD_SHELL_QUAD and _SOLID_HEXA.",
              0);
    errexit("The material of the element has no <RAYLEIGH_DAMPING_FACTORS> record.", 0);
  }
}

void Calc_Mg(int element, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
             const MainWorkArrays* w, double*** M) {
  const int type = mesh->ElemProps[property].ElementType;
  if (type == 0) InternalError(__FILE__, __LINE__);
  const int n = ElemMatSize(type, nNodes);
  allocd2(M, n, n);
  zerod2(*M, n, n);
  const ElementCall c = LinearElementCall(element, nNodes, property, n, OutputControl, mesh, w->ElemPropIndex,
                                          w->PointTypes, w->PointElemAdjacency);
  RunElemMat(ElementBehaviour[type].mass, type, c, *M);
}

void Calc_Cg(int n, int property, const MeshData* mesh, double*** C, double** K, double** M) {
  if (mesh->ElemProps[property].ElementType == 0) InternalError(__FILE__, __LINE__);
  const int r = FindRayleighRecord(property, mesh);
  if (r == 0) InternalError(__FILE__, __LINE__);
  const double a0 = mesh->Rayleigh[r].A0, a1 = mesh->Rayleigh[r].A1;
  allocd2(C, n, n);
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) {
      M[i][j] *= a0;
      K[i][j] *= a1;
      (*C)[i][j] = M[i][j] + K[i][j];
    }
}

namespace {

// Which matrix an assembly builds: its console line, print flag and letter.
struct GlobalMatKind {
  const char* line;
  int printFlag;
  const char* names[3];
  const char* letter;
};

// The element loop shared by the mass and damping assemblies; elemMat allocates the
// element matrix of an active element.
template <class ElemMat>
void AssembGlobalElemMat(const GlobalMatKind& kind, const char* OutputControl, const MeshData* mesh,
                         const MainWorkArrays* w, SparseRowMatrix* FF, SparseRowMatrix* PF, SparseRowMatrix* PP,
                         ElemMat elemMat) {
  StiffAssemblyWork a;
  BeginGlobalStiffAssembly(OutputControl, mesh, w, &a, FF, PF, PP);
  std::printf("\n%s", kind.line);
  for (int e = 1; e <= mesh->nElements; e++) {
    const int prop = w->ElemPropIndex[e];
    if (prop == 0) continue;
    const int nNodes = mesh->ElemNodeCount[e];
    const char* mask = GetElementTypeInfo(mesh->ElemProps[prop].ElementType).dofMask;
    double** Me = elemMat(e, prop, nNodes);
    if (w->ElemHasSpecialCSNode[e]) TransformElemMatSpecialCS(e, nNodes, mask, Me, mesh, w->PointSpecialCS);
    AssembElemMatSparse(e, nNodes, mask, Me, &a, FF, PF, PP);
    freed2(Me);
    CompressElemPointRows(e, &a, FF, PF, PP);
    // Spring links add no mass or damping, but their points' rows close with them.
    CompressSpringLinkRows(e, &a, FF, PF, PP);
  }
  int64_t nFF, nPF, nPP;
  EndGlobalMatAssembly(&nFF, &nPF, &nPP, OutputControl, &a, FF, PF, PP);
  if (OutputControl[kind.printFlag] == 'Y') {
    PrintSparseMat(w->nF, kind.names[0], kind.letter, FF->count, FF->cols, FF->vals);
    PrintSparseMat(w->nP, kind.names[1], kind.letter, PF->count, PF->cols, PF->vals);
    PrintSparseMat(w->nP, kind.names[2], kind.letter, PP->count, PP->cols, PP->vals);
  }
}

}  // namespace

void CheckGlobalMassMatRows(SparseRowMatrix* MFF) {
  for (int i = 1; i <= MFF->n; i++) {
    if (MFF->count[i] == 0) {
      // A massless free dof (the drill of a Mindlin shell): a lone zero diagonal.
      if (MFF->cols[i] != nullptr) freei1(MFF->cols[i]);
      if (MFF->vals[i] != nullptr) freed1(MFF->vals[i]);
      alloci1(&MFF->cols[i], 1);
      allocd1(&MFF->vals[i], 1);
      MFF->cols[i][1] = i;
      MFF->vals[i][1] = 0.0;
      MFF->count[i] = 1;
      continue;
    }
    if (MFF->cols[i][1] != i) errexit("Null diagonal term in the global mass matrix (MFF)", 0);
    if (MFF->vals[i][1] < 0.0) errexit("Negative diagonal term in the global mass matrix (MFF)", 0);
  }
}

void AssembGlobalMassMat(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                         SparseRowMatrix* MFF, SparseRowMatrix* MPF, SparseRowMatrix* MPP) {
  CheckDynamicElements(mesh, w->ElemPropIndex, false);
  const GlobalMatKind kind{"Calculating and assembling the mass matrix of each element\n", OC_PRINT_MAT_M,
                           {"-- MFF:", "-- MPF:", "-- MPP:"}, "M"};
  AssembGlobalElemMat(kind, OutputControl, mesh, w, MFF, MPF, MPP, [&](int e, int prop, int nNodes) {
    double** Me;
    Calc_Mg(e, nNodes, prop, OutputControl, mesh, w, &Me);
    return Me;
  });
  CheckGlobalMassMatRows(MFF);
}

void AssembGlobalDampingMat(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                            SparseRowMatrix* CFF, SparseRowMatrix* CPF, SparseRowMatrix* CPP) {
  CheckDynamicElements(mesh, w->ElemPropIndex, true);
  const GlobalMatKind kind{"Calculating and assembling the damping matrix of each element\n", OC_PRINT_MAT_C,
                           {"-- CFF:", "-- CPF:", "-- CPP:"}, "C"};
  AssembGlobalElemMat(kind, OutputControl, mesh, w, CFF, CPF, CPP, [&](int e, int prop, int nNodes) {
    double **Ke, **Me, **Ce;
    Calc_Kg(e, nNodes, prop, OutputControl, mesh, w->ElemPropIndex, &Ke, w->PointTypes, w->PointElemAdjacency);
    const int n = ElemMatSize(mesh->ElemProps[prop].ElementType, nNodes);
    if (w->MotherElemIndex[e] > 0) CalcStiffEmbCable(e, n, OutputControl, mesh, w, Ke);
    Calc_Mg(e, nNodes, prop, OutputControl, mesh, w, &Me);
    Calc_Cg(n, prop, mesh, &Ce, Ke, Me);
    freed2(Me);
    freed2(Ke);
    return Ce;
  });
}
