// Global stiffness assembly into the sparse row lists KFF, KPF and KPP: internal point
// links, candidate column patterns per point, scatter of element matrices, compaction of
// a point's rows after its last element, slave and drill diagonals and the checks of
// KFF.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "assembly/summary.h"
#include "elements/kernel.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

bool FlowInfo(const char* OutputControl) { return OutputControl[OC_PRINT_PROGRAM_FLOW_INFO] == 'Y'; }

bool IsCoplanar(char type) { return type == kPointMindlin || type == kPointAhmad; }

// Position of column J in row I (ascending list); the pattern guarantees it is there.
int FindColumn(const SparseRowMatrix* K, int I, int J) {
  const int* c = K->cols[I];
  const int* end = c + K->count[I] + 1;
  const int* at = std::lower_bound(c + 1, end, J);
  if (at == end || *at != J) InternalError(__FILE__, __LINE__);
  return static_cast<int>(at - c);
}

void AllocRow(SparseRowMatrix* K, int i, int n) {
  alloci1(&K->cols[i], n);
  allocd1(&K->vals[i], n);
  K->count[i] = n;
}

// A row that received nothing becomes the lone diagonal 1e6.
void SetLoneDiagonal(SparseRowMatrix* K, int i) {
  if (K->count[i] != 0) InternalError(__FILE__, __LINE__);
  if (K->cols[i] == nullptr) {
    alloci1(&K->cols[i], 1);
    allocd1(&K->vals[i], 1);
  }
  K->cols[i][1] = i;
  K->vals[i][1] = kLoneDiagonal;
  K->count[i] = 1;
}

int64_t SumCounts(const SparseRowMatrix* K) {
  int64_t s = 0;
  for (int i = 1; i <= K->n; i++) s += K->count[i];
  return s;
}

void PrintTermCounts(const char* heading, int64_t kff, int64_t kpf, int64_t kpp) {
  std::printf("\n%s\n", heading);
  std::printf("   N. of nonzero terms in KFF = %10lld\n", static_cast<long long>(kff));
  std::printf("   N. of nonzero terms in KPF = %10lld\n", static_cast<long long>(kpf));
  std::printf("   N. of nonzero terms in KPP = %10lld\n", static_cast<long long>(kpp));
}

// Marks the equations of point q for the rows of point p.
void MarkPointEquations(int q, int p, StiffAssemblyWork* a) {
  const unsigned char mark = q >= p ? 1 : 255;
  const char* codes = a->w->PointDofCodes[q];
  const int* numbers = a->w->PointDofNumbers[q];
  for (int d = 1; d <= 6; d++) {
    const int eq = numbers[d];
    if (codes[d] == 'F') {
      if (a->markF[eq] == 0) {
        a->markF[eq] = mark;
        a->listF[++a->nListF] = eq;
      }
    } else if (codes[d] == 'P') {
      if (a->markP[eq] == 0) {
        a->markP[eq] = mark;
        a->listP[++a->nListP] = eq;
      }
    }
  }
}

void MarkAdjacentElements(int of, int p, StiffAssemblyWork* a) {
  const MeshData* mesh = a->mesh;
  const PointList& adj = a->w->PointElemAdjacency[of];
  const bool links = a->links.nLinks > 0;
  for (int i = 1; i <= adj.count; i++) {
    const int e = adj.items[i].element;
    for (int k = 1; k <= mesh->ElemNodeCount[e]; k++) {
      const int r = mesh->ElemNodes[e][k];
      MarkPointEquations(r, p, a);
      if (links && a->links.master[r] != 0) MarkPointEquations(a->links.master[r], p, a);
    }
  }
}

// Marks, for the rows of point p, the equations of the points tied to point `of` by
// spring links (and of their masters).
void MarkSpringLinkPartners(int of, int p, StiffAssemblyWork* a) {
  const SpringTables& t = a->w->Springs;
  if (t.pointLinks.first == nullptr) return;
  for (int i = t.pointLinks.first[of]; i < t.pointLinks.first[of + 1]; i++) {
    const IntPointSpringLink& l = a->mesh->SpringLinks[t.pointLinks.items[i]];
    const int q = l.TargetPoint == of ? l.RefPoint : l.TargetPoint;
    MarkPointEquations(q, p, a);
    if (a->links.nLinks > 0 && a->links.master[q] != 0) MarkPointEquations(a->links.master[q], p, a);
  }
}

// Latest coupling element of the spring links at point `of`.
int LastSpringLinkElement(int of, const StiffAssemblyWork* a) {
  const SpringTables& t = a->w->Springs;
  int last = 0;
  if (t.pointLinks.first == nullptr) return last;
  for (int i = t.pointLinks.first[of]; i < t.pointLinks.first[of + 1]; i++)
    last = std::max(last, t.linkCouplingElem[t.pointLinks.items[i]]);
  return last;
}

// Counts of the current marks: free columns marked 1, all free columns, prescribed
// columns marked 1.
void MarkCounts(const StiffAssemblyWork* a, int* nF1, int* nFall, int* nP1) {
  *nF1 = 0;
  *nP1 = 0;
  for (int k = 1; k <= a->nListF; k++)
    if (a->markF[a->listF[k]] == 1) ++*nF1;
  for (int k = 1; k <= a->nListP; k++)
    if (a->markP[a->listP[k]] == 1) ++*nP1;
  *nFall = a->nListF;
}

// Rows of point q compacted (each once). A diagonal is compared with the largest diagonal of
// its kind at the point (the row of a prescribed dof holds it in KPP).
void CompressPointRows(int q, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                       SparseRowMatrix* KPP) {
  if (a->rowsState[q] != 1) return;
  double diag[7] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  double largest[2] = {0.0, 0.0};  // translations, rotations
  for (int d = 1; d <= 6; d++) {
    const int eq = a->w->PointDofNumbers[q][d];
    const char code = a->w->PointDofCodes[q][d];
    if (code == 'F') diag[d] = StoredDiagonal(KFF, eq);
    else if (code == 'P') diag[d] = StoredDiagonal(KPP, eq);
    largest[d > 3] = std::fmax(largest[d > 3], std::fabs(diag[d]));
  }
  for (int d = 1; d <= 6; d++) {
    const int eq = a->w->PointDofNumbers[q][d];
    const double floor = kDropShare * largest[d > 3];
    if (a->w->PointDofCodes[q][d] == 'F') {
      CompressSparseRow(KFF, eq, diag[d], floor, KFF);
    } else if (a->w->PointDofCodes[q][d] == 'P') {
      CompressSparseRow(KPF, eq, diag[d], floor, KFF);
      CompressSparseRow(KPP, eq, diag[d], floor, KPP);
    }
  }
  a->rowsState[q] = 2;
}

}  // namespace

// ---- internal point links -------------------------------------------------------------------

void VerifyInternalPointLinks(const MeshData* mesh, const int* PointSpecialCS, MasterSlaveTables* t) {
  const int np = mesh->nPoints;
  alloci1(&t->master, np);
  alloci1(&t->slaveCount, np);
  allocpi1(&t->slaves, np);
  zeroi1(t->master, np);
  zeroi1(t->slaveCount, np);
  for (int p = 1; p <= np; p++) t->slaves[p] = nullptr;
  for (int k = 1; k <= mesh->nPointLinks; k++) {
    const InternalPointLink& l = mesh->PointLinks[k];
    if (PointSpecialCS[l.Master] != PointSpecialCS[l.Slave]) {
      std::fflush(stdout);
      std::fprintf(stderr,
                   "\nVerifying the <INTERNAL_POINT_LINKS> block\n   -> Internal point link counter: %d\n"
                   "   -> Point M (Master): %d\n   -> Point S (Slave): %d\n",
                   k, l.Master, l.Slave);
      errexit("The master and slave points cannot have\ndistinct special coordinate systems.", 0);
    }
    t->master[l.Slave] = l.Master;
  }
  for (int k = 1; k <= mesh->nPointLinks; k++) t->slaveCount[mesh->PointLinks[k].Master]++;
  for (int p = 1; p <= np; p++)
    if (t->slaveCount[p] > 0) {
      alloci1(&t->slaves[p], t->slaveCount[p]);
      t->slaveCount[p] = 0;  // refilled below
    }
  for (int k = 1; k <= mesh->nPointLinks; k++) {
    const InternalPointLink& l = mesh->PointLinks[k];
    t->slaves[l.Master][++t->slaveCount[l.Master]] = l.Slave;
  }
}

void CalcMasterSlaveTables(const MeshData* mesh, const MainWorkArrays* w, MasterSlaveTables* t) {
  alloci1(&t->MasterSlaveEqMap, w->nF);
  for (int i = 1; i <= w->nF; i++) t->MasterSlaveEqMap[i] = i;
  for (int k = 1; k <= mesh->nPointLinks; k++) {
    const InternalPointLink& l = mesh->PointLinks[k];
    for (int d = 1; d <= 6; d++) {
      if (l.Linked[d] != 1) continue;
      const int pts[3] = {0, l.Master, l.Slave};
      const char* roles[3] = {"", "   -> Point M (Master): %d\n", "   -> Point S (Slave): %d\n"};
      // Linked dofs are free (checked at set-up, CheckPointLinkDofs).
      for (int s = 1; s <= 2; s++) {
        const int p = pts[s];
        if (!(IsCoplanar(w->PointTypes[p]) && d == 6)) continue;
        std::fflush(stdout);
        std::fprintf(stderr,
                     "\nCalculating the Master/Slave tables:\n   -> Block name: <INTERNAL_POINT_LINKS>\n"
                     "   -> Internal point link counter: %d\n",
                     k);
        std::fprintf(stderr, roles[s], p);
        std::fprintf(stderr, "   -> Degree of freedom: %s\n", kDofNames[d]);
        errexit("In a coplanar point, the drill degree of freedom (_R3) cannot\nbe involved in internal point links.",
                0);
      }
      // The rotations of a coplanar point are in its own axes, those of the other points in
      // the global axes: linking them would equate unlike components.
      if (d >= 4 && IsCoplanar(w->PointTypes[l.Master]) != IsCoplanar(w->PointTypes[l.Slave])) {
        std::fflush(stdout);
        std::fprintf(stderr,
                     "\nCalculating the Master/Slave tables:\n   -> Block name: <INTERNAL_POINT_LINKS>\n"
                     "   -> Internal point link counter: %d\n   -> Point M (Master): %d\n"
                     "   -> Point S (Slave): %d\n   -> Degree of freedom: %s\n",
                     k, l.Master, l.Slave, kDofNames[d]);
        errexit("The rotations of a coplanar shell point are in the point's own axes and\n"
                "those of the other point in the global axes: rotation degrees of freedom\n"
                "cannot be linked between these points.",
                0);
      }
      t->MasterSlaveEqMap[w->PointDofNumbers[l.Slave][d]] = w->PointDofNumbers[l.Master][d];
    }
  }
}

void FreeMasterSlaveTables(int nPoints, MasterSlaveTables* t) {
  if (t->nLinks == 0) return;
  freei1(t->MasterSlaveEqMap);
  for (int p = 1; p <= nPoints; p++)
    if (t->slaves[p] != nullptr) freei1(t->slaves[p]);
  freepi1(t->slaves);
  freei1(t->slaveCount);
  freei1(t->master);
  t->master = t->slaveCount = t->MasterSlaveEqMap = nullptr;
  t->slaves = nullptr;
}

// ---- counters, patterns and rows ------------------------------------------------------------

void AllocSparseCounters(int nF, int nP, SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP) {
  SparseRowMatrix* M[3] = {KFF, KPF, KPP};
  const int n[3] = {nF, nP, nP};
  for (int k = 0; k < 3; k++) AllocSparseRowMatrix(n[k], M[k]);
}

void CountPointRowTerms(int p, StiffAssemblyWork* a) {
  a->nListF = 0;
  a->nListP = 0;
  MarkAdjacentElements(p, p, a);
  MarkSpringLinkPartners(p, p, a);
  if (a->links.nLinks > 0)
    for (int s = 1; s <= a->links.slaveCount[p]; s++) {
      MarkAdjacentElements(a->links.slaves[p][s], p, a);
      MarkSpringLinkPartners(a->links.slaves[p][s], p, a);
    }
  std::sort(a->listF + 1, a->listF + a->nListF + 1);
  std::sort(a->listP + 1, a->listP + a->nListP + 1);
}

void ClearPointRowMarks(StiffAssemblyWork* a) {
  for (int k = 1; k <= a->nListF; k++) a->markF[a->listF[k]] = 0;
  for (int k = 1; k <= a->nListP; k++) a->markP[a->listP[k]] = 0;
  a->nListF = 0;
  a->nListP = 0;
}

namespace {

// The rows of point p's dofs: the columns its elements, springs and slaves couple it to
// are listed and counted (nF1 free columns of the upper triangle, nFall all free
// columns, nP1 prescribed columns of the upper triangle), then free(eq, nF1) for each free
// dof and prescribed(eq, nFall, nP1) for each prescribed one, the lists still standing;
// the marks are cleared at the end.
template <class Free, class Prescribed>
void ForPointRows(int p, StiffAssemblyWork* a, Free free, Prescribed prescribed) {
  CountPointRowTerms(p, a);
  int nF1, nFall, nP1;
  MarkCounts(a, &nF1, &nFall, &nP1);
  for (int d = 1; d <= 6; d++) {
    const int eq = a->w->PointDofNumbers[p][d];
    if (a->w->PointDofCodes[p][d] == 'F')
      free(eq, nF1);
    else if (a->w->PointDofCodes[p][d] == 'P')
      prescribed(eq, nFall, nP1);
  }
  ClearPointRowMarks(a);
}

}  // namespace

void CalcNonzeroTerms(const char* OutputControl, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                      SparseRowMatrix* KPP) {
  if (FlowInfo(OutputControl)) std::printf("\nCalculating the n. of nonzero terms of the stiffness matrix\n");
  a->preTerms[1] = a->preTerms[2] = a->preTerms[3] = 0;
  for (int p = 1; p <= a->mesh->nPoints; p++)
    ForPointRows(
        p, a,
        [&](int eq, int nF1) {
          KFF->count[eq] = nF1;
          a->preTerms[1] += nF1;
        },
        [&](int eq, int nFall, int nP1) {
          KPF->count[eq] = nFall;
          KPP->count[eq] = nP1;
          a->preTerms[2] += nFall;
          a->preTerms[3] += nP1;
        });
  if (FlowInfo(OutputControl)) PrintTermCounts("Before compression:", a->preTerms[1], a->preTerms[2], a->preTerms[3]);
}

void CalcLastContribElement(const char* OutputControl, StiffAssemblyWork* a) {
  if (FlowInfo(OutputControl)) std::printf("Calculating the last contributing element to each point\n");
  const PointList* adj = a->w->PointElemAdjacency;
  for (int p = 1; p <= a->mesh->nPoints; p++) {
    int last = adj[p].count > 0 ? adj[p].items[adj[p].count].element : 0;
    // A point's rows stay open until its spring links are coupled.
    last = std::max(last, LastSpringLinkElement(p, a));
    if (a->links.nLinks > 0)
      for (int s = 1; s <= a->links.slaveCount[p]; s++) {
        const PointList& l = adj[a->links.slaves[p][s]];
        if (l.count > 0) last = std::max(last, l.items[l.count].element);
        last = std::max(last, LastSpringLinkElement(a->links.slaves[p][s], a));
      }
    a->lastElem[p] = last;
  }
}

void AllocPointRowsSparse(int p, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                          SparseRowMatrix* KPP) {
  ForPointRows(
      p, a,
      [&](int eq, int nF1) {
        if (KFF->count[eq] != nF1 || KFF->cols[eq] != nullptr) InternalError(__FILE__, __LINE__);
        AllocRow(KFF, eq, nF1);
        int t = 0;
        for (int k = 1; k <= a->nListF; k++)
          if (a->markF[a->listF[k]] == 1) KFF->cols[eq][++t] = a->listF[k];
        zerod1(KFF->vals[eq], nF1);
      },
      [&](int eq, int nFall, int nP1) {
        if (KPF->count[eq] != nFall || KPP->count[eq] != nP1 || KPF->cols[eq] != nullptr)
          InternalError(__FILE__, __LINE__);
        AllocRow(KPF, eq, nFall);
        for (int k = 1; k <= nFall; k++) KPF->cols[eq][k] = a->listF[k];
        zerod1(KPF->vals[eq], nFall);
        AllocRow(KPP, eq, nP1);
        int t = 0;
        for (int k = 1; k <= a->nListP; k++)
          if (a->markP[a->listP[k]] == 1) KPP->cols[eq][++t] = a->listP[k];
        zerod1(KPP->vals[eq], nP1);
      });
  a->rowsState[p] = 1;
}

void BeginGlobalStiffAssembly(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                              StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                              SparseRowMatrix* KPP) {
  a->mesh = mesh;
  a->w = w;
  a->springHistory = nullptr;
  a->links = MasterSlaveTables{mesh->nPointLinks, nullptr, nullptr, nullptr, nullptr};
  if (a->links.nLinks > 0) {
    VerifyInternalPointLinks(mesh, w->PointSpecialCS, &a->links);
    CalcMasterSlaveTables(mesh, w, &a->links);
  }
  BeginRowListAssembly(OutputControl, mesh, w, a, KFF, KPF, KPP);
}

void BeginRowListAssembly(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                          StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP) {
  a->mesh = mesh;
  a->w = w;
  if (a->links.nLinks == 0) a->links = MasterSlaveTables{0, nullptr, nullptr, nullptr, nullptr};
  AllocSparseCounters(w->nF, w->nP, KFF, KPF, KPP);
  char *markF, *markP;
  allocc1(&markF, w->nF);
  allocc1(&markP, w->nP);
  zeroc1(markF, w->nF);
  zeroc1(markP, w->nP);
  a->markF = reinterpret_cast<unsigned char*>(markF);
  a->markP = reinterpret_cast<unsigned char*>(markP);
  alloci1(&a->listF, w->nF);
  alloci1(&a->listP, w->nP);
  a->nListF = a->nListP = 0;
  CalcNonzeroTerms(OutputControl, a, KFF, KPF, KPP);
  alloci1(&a->lastElem, mesh->nPoints);
  CalcLastContribElement(OutputControl, a);
  allocc1(&a->rowsState, mesh->nPoints);
  zeroc1(a->rowsState, mesh->nPoints);
}

// ---- scatter and compaction -----------------------------------------------------------------

namespace {

// Scatter of a matrix over the nodes nodes[1..nNodes] (points), each with the dofs of
// dofMask.
void ScatterNodeMat(int nNodes, const int* nodes, const char* dofMask, double** Ke, StiffAssemblyWork* a,
                    SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP) {
  const MainWorkArrays* w = a->w;
  const bool links = a->links.nLinks > 0;
  int nd = 0;
  for (int d = 1; d <= 6; d++)
    if (dofMask[d] != '0') nd++;
  const int n = nd * nNodes;
  // Code, (mapped) equation and row-owning point of every element dof.
  char* code;
  int *eq, *owner;
  allocc1(&code, n);
  alloci1(&eq, n);
  alloci1(&owner, n);
  int k = 0;
  for (int i = 1; i <= nNodes; i++) {
    const int p = nodes[i];
    if (a->rowsState[p] == 0) AllocPointRowsSparse(p, a, KFF, KPF, KPP);
    const int m = links ? a->links.master[p] : 0;
    if (m != 0 && a->rowsState[m] == 0) AllocPointRowsSparse(m, a, KFF, KPF, KPP);
    for (int d = 1; d <= 6; d++) {
      if (dofMask[d] == '0') continue;
      k++;
      code[k] = w->PointDofCodes[p][d];
      eq[k] = w->PointDofNumbers[p][d];
      owner[k] = p;
      if (links && code[k] == 'F' && a->links.MasterSlaveEqMap[eq[k]] != eq[k]) {
        eq[k] = a->links.MasterSlaveEqMap[eq[k]];
        owner[k] = m;
      }
    }
  }
  for (int r = 1; r <= n; r++) {
    if (code[r] == 0) continue;
    if (a->rowsState[owner[r]] != 1) InternalError(__FILE__, __LINE__);
    const int I = eq[r];
    const double* row = Ke[r];
    for (int c = 1; c <= n; c++) {
      const double v = row[c];
      if (v == 0.0 || code[c] == 0) continue;
      const int J = eq[c];
      if (code[r] == 'F') {
        if (code[c] == 'F' && J >= I) KFF->vals[I][FindColumn(KFF, I, J)] += v;
      } else if (code[c] == 'F') {
        KPF->vals[I][FindColumn(KPF, I, J)] += v;
      } else if (J >= I) {
        KPP->vals[I][FindColumn(KPP, I, J)] += v;
      }
    }
  }
  freei1(owner);
  freei1(eq);
  freec1(code);
}

}  // namespace

void AssembElemMatSparse(int e, int nNodes, const char* dofMask, double** Ke, StiffAssemblyWork* a,
                         SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP) {
  ScatterNodeMat(nNodes, a->mesh->ElemNodes[e], dofMask, Ke, a, KFF, KPF, KPP);
}

double StoredDiagonal(const SparseRowMatrix* K, int i) {
  // Before its compaction a row holds the columns of its whole pattern (the lower ones
  // null), in ascending order.
  const int n = K->count[i];
  if (n == 0) return 0.0;
  const int* first = K->cols[i] + 1;
  const int* at = std::lower_bound(first, first + n, i);
  return at != first + n && *at == i ? K->vals[i][1 + (at - first)] : 0.0;
}

void CompressSparseRow(SparseRowMatrix* K, int i, double dii, double diagFloor, const SparseRowMatrix* colDiag) {
  const int n = K->count[i];
  // A column's diagonal may still be partial (its point not yet complete): it can only
  // grow with the elements to come, so a term is kept rather than dropped early.
  const auto keep = [&](int k) {
    const int c = K->cols[i][k];
    const double v = std::fabs(K->vals[i][k]);
    if (K == colDiag && c == i) return v > diagFloor;
    return v > kDropShare * std::sqrt(std::fabs(dii) * std::fabs(StoredDiagonal(colDiag, c)));
  };
  int kept = 0;
  for (int k = 1; k <= n; k++)
    if (keep(k)) kept++;
  int* cols;
  double* vals;
  alloci1(&cols, kept);
  allocd1(&vals, kept);
  int t = 0;
  for (int k = 1; k <= n; k++)
    if (keep(k)) {
      cols[++t] = K->cols[i][k];
      vals[t] = K->vals[i][k];
    }
  if (K->cols[i] != nullptr) freei1(K->cols[i]);
  if (K->vals[i] != nullptr) freed1(K->vals[i]);
  K->cols[i] = cols;
  K->vals[i] = vals;
  K->count[i] = kept;
}

void CompressElemPointRows(int e, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                           SparseRowMatrix* KPP) {
  const bool links = a->links.nLinks > 0;
  for (int i = 1; i <= a->mesh->ElemNodeCount[e]; i++) {
    const int p = a->mesh->ElemNodes[e][i];
    if (a->lastElem[p] == e) CompressPointRows(p, a, KFF, KPF, KPP);
    const int m = links ? a->links.master[p] : 0;
    if (m != 0 && a->lastElem[m] == e) CompressPointRows(m, a, KFF, KPF, KPP);
  }
}

void TransformElemMatSpecialCS(int e, int nNodes, const char* dofMask, double** Ke, const MeshData* mesh,
                               const int* PointSpecialCS) {
  TransformNodeMatSpecialCS(nNodes, mesh->ElemNodes[e], dofMask, Ke, mesh, PointSpecialCS);
}

void TransformNodeMatSpecialCS(int nNodes, const int* nodes, const char* dofMask, double** Ke, const MeshData* mesh,
                               const int* PointSpecialCS) {
  int dofOf[7];  // element dof k of a node -> point dof d
  int nd = 0;
  for (int d = 1; d <= 6; d++)
    if (dofMask[d] != '0') dofOf[++nd] = d;
  double **R, **T, **B, **C;
  allocd2(&R, 3, 3);
  allocd2(&T, 6, 6);
  allocd2(&B, 6, 6);
  allocd2(&C, 6, 6);
  for (int i = 1; i <= nNodes; i++) {
    const int cs = PointSpecialCS[nodes[i]];
    if (cs == 0) continue;
    CalcMat_R_CoordSystem(mesh, cs, R);
    zerod2(T, 6, 6);
    setsubd2(T, R, 3, 3, 1, 1);
    setsubd2(T, R, 3, 3, 4, 4);
    // The nd x nd block of Ke at rows r0, columns c0 spread over the six point dofs,
    // turned by `turn` (C from B) and put back.
    auto turnBlock = [&](int r0, int c0, auto turn) {
      zerod2(B, 6, 6);
      for (int a = 1; a <= nd; a++)
        for (int b = 1; b <= nd; b++) B[dofOf[a]][dofOf[b]] = Ke[r0 + a][c0 + b];
      turn();
      for (int a = 1; a <= nd; a++)
        for (int b = 1; b <= nd; b++) Ke[r0 + a][c0 + b] = C[dofOf[a]][dofOf[b]];
    };
    const int ri = (i - 1) * nd;
    for (int j = 1; j <= nNodes; j++) {
      const int cj = (j - 1) * nd;
      turnBlock(ri, cj, [&] { multd2d2(C, T, B, 6, 6, 6); });   // rows of node i: T times the block
      turnBlock(cj, ri, [&] { multd2td2(C, B, T, 6, 6, 6); });  // columns of node i: the block times T^T
    }
  }
  freed2(C);
  freed2(B);
  freed2(T);
  freed2(R);
}

void AssembElemStiffGlobal(int e, int nNodes, const char* dofMask, double** Ke, StiffAssemblyWork* a,
                           SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP) {
  int nd = 0;
  for (int d = 1; d <= 6; d++)
    if (dofMask[d] != '0') nd++;
  const int n = nd * nNodes;
  for (int r = 1; r <= n; r++)
    for (int c = 1; c <= n; c++)
      if (!std::isfinite(Ke[r][c])) {
        std::fflush(stdout);
        std::fprintf(stderr, "\n");
        std::fprintf(stderr, kCtxStiffness, e);
        std::fprintf(stderr, "   -> Row: %d, column: %d\n", r, c);
        errexit("The element stiffness matrix holds a term that is not a finite number.\n"
                "Data file must be checked (element geometry, materials and sections).",
                0);
      }
  if (a->w->ElemHasSpecialCSNode[e]) TransformElemMatSpecialCS(e, nNodes, dofMask, Ke, a->mesh, a->w->PointSpecialCS);
  AssembElemMatSparse(e, nNodes, dofMask, Ke, a, KFF, KPF, KPP);
  CompressElemPointRows(e, a, KFF, KPF, KPP);
}

void AssembSpringLinkCouplings(int e, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                               SparseRowMatrix* KPP) {
  const SpringTables& t = a->w->Springs;
  if (t.coupling.first == nullptr || t.coupling.first[e] == t.coupling.first[e + 1]) return;
  const MainWorkArrays* w = a->w;
  const char* mask = " 111111";
  double** K12;
  allocd2(&K12, 12, 12);
  for (int i = t.coupling.first[e]; i < t.coupling.first[e + 1]; i++) {
    const int link = t.coupling.items[i];
    const IntPointSpringLink& l = a->mesh->SpringLinks[link];
    const int nodes[3] = {0, l.TargetPoint, l.RefPoint};
    CalcSpringLinkCouplingMat(link, a->mesh, w->ElemPropIndex, w->PointTypes, w->PointElemAdjacency,
                              a->springHistory, K12);
    TransformNodeMatSpecialCS(2, nodes, mask, K12, a->mesh, w->PointSpecialCS);
    ScatterNodeMat(2, nodes, mask, K12, a, KFF, KPF, KPP);
  }
  freed2(K12);
}

void CompressSpringLinkRows(int e, StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                            SparseRowMatrix* KPP) {
  const SpringTables& t = a->w->Springs;
  if (t.coupling.first == nullptr) return;
  const bool links = a->links.nLinks > 0;
  for (int i = t.coupling.first[e]; i < t.coupling.first[e + 1]; i++) {
    const IntPointSpringLink& l = a->mesh->SpringLinks[t.coupling.items[i]];
    for (int p : {l.TargetPoint, l.RefPoint}) {
      if (a->lastElem[p] == e) CompressPointRows(p, a, KFF, KPF, KPP);
      const int m = links ? a->links.master[p] : 0;
      if (m != 0 && a->lastElem[m] == e) CompressPointRows(m, a, KFF, KPF, KPP);
    }
  }
}

// ---- closing steps --------------------------------------------------------------------------

void AddStiffSlaveDof(const MasterSlaveTables* t, int nF, SparseRowMatrix* KFF) {
  if (t->nLinks == 0) return;
  for (int i = 1; i <= nF; i++)
    if (t->MasterSlaveEqMap[i] != i) SetLoneDiagonal(KFF, i);
}

void AddStiffDrillDof(const MeshData* mesh, const MainWorkArrays* w, SparseRowMatrix* KFF) {
  if (w->nDrillPoints <= 0) return;
  for (int p = 1; p <= mesh->nPoints; p++) {
    if (!IsCoplanar(w->PointTypes[p])) continue;
    switch (w->PointDofCodes[p][6]) {
      case 'F': SetLoneDiagonal(KFF, w->PointDofNumbers[p][6]); break;
      case 'P': break;
      default: InternalError(__FILE__, __LINE__);
    }
  }
}

void EndGlobalStiffAssembly(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, const char* OutputControl,
                            StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF,
                            SparseRowMatrix* KPP) {
  AddStiffSlaveDof(&a->links, a->w->nF, KFF);
  AddStiffDrillDof(a->mesh, a->w, KFF);
  EndGlobalMatAssembly(nTermsKFF, nTermsKPF, nTermsKPP, OutputControl, a, KFF, KPF, KPP);
}

void EndGlobalMatAssembly(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, const char* OutputControl,
                          StiffAssemblyWork* a, SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP) {
  // Every row must have met its last element.
  for (int p = 1; p <= a->mesh->nPoints; p++)
    if (a->rowsState[p] == 1) InternalError(__FILE__, __LINE__);
  *nTermsKFF = SumCounts(KFF);
  *nTermsKPF = SumCounts(KPF);
  *nTermsKPP = SumCounts(KPP);
  if (FlowInfo(OutputControl)) PrintTermCounts("After compression:", *nTermsKFF, *nTermsKPF, *nTermsKPP);
  FreeStiffAssemblyWork(a);
}

void FreeStiffAssemblyWork(StiffAssemblyWork* a) {
  freec1(a->rowsState);
  freei1(a->lastElem);
  freei1(a->listP);
  freei1(a->listF);
  freec1(reinterpret_cast<char*>(a->markP));
  freec1(reinterpret_cast<char*>(a->markF));
  FreeMasterSlaveTables(a->mesh->nPoints, &a->links);
}

void CheckGlobalStiffMatRows(const SparseRowMatrix* KFF) {
  for (int i = 1; i <= KFF->n; i++) {
    if (KFF->count[i] == 0) errexit("Null row in the global stiffness matrix (KFF)", 0);
    if (KFF->cols[i][1] != i) errexit("Null diagonal term in the global stiffness matrix (KFF)", 0);
    // A kept diagonal is above the drop threshold: only its sign is left to test, so a
    // row of a model in small units (a rotation in MN and m) is judged like its twin.
    if (!(KFF->vals[i][1] > 0.0))
      errexit("Negative or null diagonal term in the global stiffness matrix (KFF)", 0);
  }
}

void FreeGlobalStiffMat(SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP) {
  SparseRowMatrix* M[3] = {KFF, KPF, KPP};
  for (SparseRowMatrix* K : M) FreeSparseRowMatrix(K);
}

// ---- the whole assembly ----------------------------------------------------------------------

void AssembGlobalStiffMatWith(const ElemStiffSource& source, int64_t* nTermsKFF, int64_t* nTermsKPF,
                              int64_t* nTermsKPP, const char* job, const char* OutputControl,
                              IterSummaryRecord* summary, const MeshData* mesh, SparseRowMatrix* KFF,
                              SparseRowMatrix* KPF, SparseRowMatrix* KPP, const MainWorkArrays* w) {
  double wall0, cpu0;
  gettimes(&wall0, &cpu0);
  StiffAssemblyWork a;
  BeginGlobalStiffAssembly(OutputControl, mesh, w, &a, KFF, KPF, KPP);
  a.springHistory = source.springHistory;
  if (!source.nonlinear || OutputControl[OC_PRINT_PROGRAM_FLOW_INFO] == 'Y')
    std::printf("\nCalculating and assembling the stiffness matrix of each element\n");
  try {
    for (int e = 1; e <= mesh->nElements; e++) {
      if (w->ElemPropIndex[e] == 0) continue;
      int n;
      double** Ke;
      source.element(e, &n, &Ke);
      AssembSpringLinkCouplings(e, &a, KFF, KPF, KPP);
      const int type = mesh->ElemProps[w->ElemPropIndex[e]].ElementType;
      AssembElemStiffGlobal(e, mesh->ElemNodeCount[e], GetElementTypeInfo(type).dofMask, Ke, &a, KFF, KPF, KPP);
      CompressSpringLinkRows(e, &a, KFF, KPF, KPP);
      freed2(Ke);
    }
  } catch (const IterateFailure&) {
    // An element's fault of the iterate: the rows built so far stay with the matrices,
    // whose holder releases them; the assembly's own work goes.
    FreeStiffAssemblyWork(&a);
    throw;
  }
  EndGlobalStiffAssembly(nTermsKFF, nTermsKPF, nTermsKPP, OutputControl, &a, KFF, KPF, KPP);
  const MainParameters& m = mesh->Main;
  const bool eigen = source.nonlinear ? m.StiffMatEigenValues == 1 && source.combination == m.EigenValueCombination &&
                                            source.iteration == m.EigenValueIteration
                                      : m.AnalysisType == ANALYSIS_STATIC && m.StiffMatEigenValues == 1;
  if (eigen) CalcEigenValue_KFF(w->nF, job, mesh, KFF->count, KFF->cols, KFF->vals);
  if (OutputControl[OC_PRINT_MAT_K] == 'Y') {
    PrintSparseMat(w->nF, "-- KFF:", "K", KFF->count, KFF->cols, KFF->vals);
    PrintSparseMat(w->nP, "-- KPF:", "K", KPF->count, KPF->cols, KPF->vals);
    PrintSparseMat(w->nP, "-- KPP:", "K", KPP->count, KPP->cols, KPP->vals);
  }
  double wall1, cpu1;
  gettimes(&wall1, &cpu1);
  // The nonlinear assembly (static and transient runs) always records its counts and time.
  switch (source.nonlinear ? ANALYSIS_STATIC : mesh->Main.AnalysisType) {
    case ANALYSIS_STATIC: {
      auto clamp = [](int64_t v) { return static_cast<int32_t>(std::min<int64_t>(v, INT32_MAX)); };
      summary->nTermsKFF = clamp(*nTermsKFF);
      summary->nTermsKPF = clamp(*nTermsKPF);
      summary->nTermsKPP = clamp(*nTermsKPP);
      summary->assemblySeconds = wall1 - wall0;
      break;
    }
    case ANALYSIS_DYNAMIC:
    case ANALYSIS_MODAL_ANALYSIS:
    case ANALYSIS_MODAL_SUPERPOSITION:
      break;
    default:
      InternalError(__FILE__, __LINE__);
  }
  // The nonlinear assembly leaves the diagonal to the solvers' own checks.
  if (!source.nonlinear) CheckGlobalStiffMatRows(KFF);
}

void AssembGlobalStiffMat(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, const char* job,
                          const char* OutputControl, IterSummaryRecord* summary, const MeshData* mesh,
                          SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP,
                          const MainWorkArrays* w) {
  ElemStiffSource source;
  source.element = [&](int e, int* n, double*** K) { CalcElemStiffLinear(e, OutputControl, mesh, w, n, K); };
  AssembGlobalStiffMatWith(source, nTermsKFF, nTermsKPF, nTermsKPP, job, OutputControl, summary, mesh, KFF, KPF,
                           KPP, w);
}
