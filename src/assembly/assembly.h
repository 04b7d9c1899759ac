// Global stiffness assembly into the row lists KFF (free rows and columns), KPF
// (prescribed rows, free columns) and KPP (prescribed rows and columns), the element
// stiffness dispatch and the eigenvalues of KFF.
//
// Assembly walks the active elements once in ascending number. A point's rows get their
// exact column pattern when the point is first met and are compacted (terms of
// magnitude at most 1e-8 dropped) right after the last element that can touch them.
// Internal point links add the slave's linked terms to the master's equations; slave
// rows and free drill rows of coplanar shell points carry a lone diagonal of 1e6.
//
// A linear assembly is AssembGlobalStiffMat. The same steps are open one by one
// (BeginGlobalStiffAssembly, AssembElemStiffGlobal per element, EndGlobalStiffAssembly)
// for callers that form the element matrices themselves.
#pragma once

#include <cstdint>
#include <functional>

#include "assembly/sparse_rows.h"
#include "assembly/topology.h"
#include "elements/behaviour.h"

struct MeshData;
struct MainParameters;
struct ElementProperty;
struct IterSummaryRecord;

// Keywords of the dofs 1..6 in the messages.
inline constexpr const char* kDofNames[7] = {"", "_D1", "_D2", "_D3", "_R1", "_R2", "_R3"};
// Diagonal of slave rows and free drill rows.
constexpr double kLoneDiagonal = 1e6;
// Compaction drops an off-diagonal term K_ij with |K_ij| <= kDropShare sqrt(|K_ii K_jj|), and
// a diagonal term at most kDropShare times the largest diagonal of the same kind
// (translation or rotation) at its point: shares of the matrix's own terms, the same in any
// units (rounding noise of rotated element matrices lies far below them).
constexpr double kDropShare = 1e-14;

// Internal point links of one assembly ("<INTERNAL_POINT_LINKS>").
struct MasterSlaveTables {
  int nLinks;             // link records; no link step applies when 0
  int* master;            // [p] master point of a slave, else 0 (the last record wins)
  int* slaveCount;        // [p]
  int** slaves;           // [p] slave points in record order (null for count 0)
  int* MasterSlaveEqMap;  // [nF] identity but for the slaves' linked free equations
};

// Work data of one assembly, released by EndGlobalStiffAssembly.
struct StiffAssemblyWork {
  const MeshData* mesh;
  const MainWorkArrays* w;
  MasterSlaveTables links;
  int* lastElem;           // [p] last element that contributes to the point's rows
  char* rowsState;         // [p] 0 rows not allocated, 1 allocated, 2 compacted
  unsigned char* markF;    // [nF] candidate-column marks: 1 at or above the point, 255 below
  unsigned char* markP;    // [nP]
  int* listF;              // the marked equations of the current point, ascending
  int* listP;
  int nListF, nListP;
  int64_t preTerms[4];     // terms before compaction: [1] KFF, [2] KPF, [3] KPP
  const SpringHistory* springHistory;  // nonlinear links couple with their tangent; null: linear
};

// ---- whole assembly ---------------------------------------------------------------------
// Linear global stiffness. KFF, KPF, KPP receive newly allocated row lists (nF, nP, nP
// rows); nTerms* the stored terms after compaction. Stops on a null row or a missing,
// negative or null diagonal of KFF.
void AssembGlobalStiffMat(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, const char* job,
                          const char* OutputControl, IterSummaryRecord* summary, const MeshData* mesh,
                          SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP, const MainWorkArrays* w);
// Where the whole assembly takes each active element's matrix: element(e, &n, &K)
// allocates K (n x n). The nonlinear assembly prints its progress line only under
// PRINT_PROGRAM_FLOW_INFO, makes no diagonal checks and computes the eigenvalues of KFF
// at the named combination and iteration.
struct ElemStiffSource {
  std::function<void(int, int*, double***)> element;
  bool nonlinear = false;
  int combination = 0;
  int iteration = 0;
  const SpringHistory* springHistory = nullptr;
};
void AssembGlobalStiffMatWith(const ElemStiffSource& source, int64_t* nTermsKFF, int64_t* nTermsKPF,
                              int64_t* nTermsKPP, const char* job, const char* OutputControl,
                              IterSummaryRecord* summary, const MeshData* mesh, SparseRowMatrix* KFF,
                              SparseRowMatrix* KPF, SparseRowMatrix* KPP, const MainWorkArrays* w);
// Releases the row lists and the vectors of the three matrices.
void FreeGlobalStiffMat(SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP);

// ---- the steps ---------------------------------------------------------------------------
// Links, counters, term counts, last contributing elements, marks (steps before the
// element loop).
void BeginGlobalStiffAssembly(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                              StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                              SparseRowMatrix* KPP);
// One element's matrix Ke (element dof order, global components; overwritten): refuses
// a non-finite term, rotates to special coordinate systems, scatters, and compacts the
// rows of the points whose last element this is.
void AssembElemStiffGlobal(int e, int nNodes, const char* dofMask, double** Ke, StiffAssemblyWork* a,
                           SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP);
// The same steps without internal point links, for a's links already set (the
// structural call) or for none (a->links.nLinks = 0: the thermal matrices, whose
// temperature dof is never linked).
void BeginRowListAssembly(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                          StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP);
// Slave and drill diagonals, term counts after compaction and their print, release of
// the work data.
void EndGlobalStiffAssembly(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, const char* OutputControl,
                            StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP);
// The closing steps without the lone diagonals (the mass and damping assemblies): term
// counts after compaction and their print, release of the work data.
void EndGlobalMatAssembly(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, const char* OutputControl,
                          StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP);
// Release of the work data alone (an assembly that an element's fault broke off).
void FreeStiffAssemblyWork(StiffAssemblyWork* a);

void VerifyInternalPointLinks(const MeshData* mesh, const int* PointSpecialCS, MasterSlaveTables* t);
void CalcMasterSlaveTables(const MeshData* mesh, const MainWorkArrays* w, MasterSlaveTables* t);
void FreeMasterSlaveTables(int nPoints, MasterSlaveTables* t);
void AllocSparseCounters(int nF, int nP, SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP);
// Marks the candidate columns of point p's rows and lists them (listF, listP).
void CountPointRowTerms(int p, StiffAssemblyWork* a);
void ClearPointRowMarks(StiffAssemblyWork* a);
void CalcNonzeroTerms(const char* OutputControl, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                      SparseRowMatrix* KPP);
void CalcLastContribElement(const char* OutputControl, StiffAssemblyWork* a);
void AllocPointRowsSparse(int p, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                          SparseRowMatrix* KPP);
void AssembElemMatSparse(int e, int nNodes, const char* dofMask, double** Ke, StiffAssemblyWork* a,
                         SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP);
void CompressElemPointRows(int e, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                           SparseRowMatrix* KPP);
// Keeps, in order, the terms of row i not negligible by the drop rule (new lists): dii is the
// row's diagonal, diagFloor the magnitude its diagonal must exceed, and the diagonal of
// column c is the one stored in row c of colDiag.
void CompressSparseRow(SparseRowMatrix* K, int i, double dii, double diagFloor, const SparseRowMatrix* colDiag);
// The diagonal stored in row i of a row list of KFF or KPP (0 if absent).
double StoredDiagonal(const SparseRowMatrix* K, int i);
void AddStiffSlaveDof(const MasterSlaveTables* t, int nF, SparseRowMatrix* KFF);
void AddStiffDrillDof(const MeshData* mesh, const MainWorkArrays* w, SparseRowMatrix* KFF);
// Rotates the rows and columns of the nodes with a special coordinate system.
void TransformElemMatSpecialCS(int e, int nNodes, const char* dofMask, double** Ke, const MeshData* mesh,
                               const int* PointSpecialCS);
// The same over the points nodes[1..nNodes].
void TransformNodeMatSpecialCS(int nNodes, const int* nodes, const char* dofMask, double** Ke, const MeshData* mesh,
                               const int* PointSpecialCS);
// Coupling blocks of the spring links whose later host is element e (before that
// element's own scatter): -k between the two points' equations, turned like the
// springs' own blocks.
void AssembSpringLinkCouplings(int e, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                               SparseRowMatrix* KPP);
// After that element: compaction of the linked points' rows whose last contribution it was.
void CompressSpringLinkRows(int e, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                            SparseRowMatrix* KPP);
// The first null row or missing, negative or null diagonal of KFF stops the run.
void CheckGlobalStiffMatRows(const SparseRowMatrix* KFF);

// ---- element stiffness dispatch ------------------------------------------------------------
// Behaviour of an element group: 'L' linear, 'G' linear material with geometric
// nonlinearity, 'M' materially nonlinear, 'N' both.
char CalcBehaviorType(int property, const MainParameters* main, const ElementProperty* props);
// Whether the linear stiffness dispatch has routines for the element type code.
bool ElementTypeHasStiffness(int type);
// Matrix size of an element: dofs per node of the type times nodes (0 for cables).
int ElemMatSize(int type, int nNodes);
// Linear element stiffness: allocates *K (n x n) and fills it by element type.
void Calc_Kg(int element, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
             const int* ElemPropIndex, double*** K, const char* PointTypes, const PointList* PointElemAdjacency);
// Puts the call record on embedded cable `slot` of mother element `mother`: the cable, its
// node count and property, and the mother's place (n, a and da stay the caller's: the
// mother's).
void PlaceOnMother(ElementCall* c, int mother, int slot, const MeshData* mesh, const MainWorkArrays* w);
// Adds the stiffness of the cables embedded in mother element `mother` (matrix n x n).
void CalcStiffEmbCable(int mother, int n, const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                       double** K);
// The whole linear matrix of an active element: own stiffness, embedded cables, springs.
// Allocates *K; *n receives its size.
void CalcElemStiffLinear(int e, const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w, int* n,
                         double*** K);

// ---- eigenvalues of KFF -------------------------------------------------------------------
// Writes <job>_KFF_ev.bin: all eigenvalues and eigenvectors of KFF (Jacobi method).
void CalcEigenValue_KFF(int nF, const char* job, const MeshData* mesh, const int* count, int** cols, double** vals);
