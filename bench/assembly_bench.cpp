// Global stiffness assembly of a plane-stress plate of 316 x 316 bilinear quadrilaterals
// (317 x 317 points, about 200 000 equations), clamped along one edge.
//
// AssemblyWithElementStiffness: every element's 8 x 8 stiffness is formed (2 x 2 Gauss
// points, the element kernel's Jacobian, B and D) and assembled, as the linear assembly
// does it. AssemblyOnly: one precomputed element matrix is scattered for every element,
// so the figure is the row-list assembly itself (patterns, scatter, compaction).
// The work arrays (adjacency, numbering) are built once, outside the timing.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "assembly/assembly.h"
#include "assembly/topology.h"
#include "elements/kernel.h"
#include "model/mesh.h"
#include "model/records.h"
#include "numcore/numcore.h"

namespace {

constexpr int kCells = 316;

struct Plate {
  MeshData mesh{};
  MainWorkArrays w{};
  Plate() {
    const int n1 = kCells + 1;
    MeshData& m = mesh;
    m.nPoints = n1 * n1;
    allocd2(&m.PointCoord, m.nPoints, 3);
    for (int j = 0; j < n1; j++)
      for (int i = 0; i < n1; i++) {
        double* x = m.PointCoord[j * n1 + i + 1];
        x[1] = 0.0;
        x[2] = 0.1 * i;
        x[3] = 0.1 * j;
      }
    m.nElements = kCells * kCells;
    alloci1(&m.ElemNodeCount, m.nElements);
    alloci2(&m.ElemNodes, m.nElements, 4);
    for (int j = 0; j < kCells; j++)
      for (int i = 0; i < kCells; i++) {
        const int e = j * kCells + i + 1, p = j * n1 + i + 1;
        m.ElemNodeCount[e] = 4;
        m.ElemNodes[e][1] = p;
        m.ElemNodes[e][2] = p + 1;
        m.ElemNodes[e][3] = p + 1 + n1;
        m.ElemNodes[e][4] = p + n1;
      }
    m.nElemProps = 1;
    AllocRecords(&m.ElemProps, 1);
    m.ElemProps[1] = ElementProperty{0, 1, 1, 1, m.nElements, 10, 1, 1, 5, 1, 1, 0};
    m.nSupports = n1;
    AllocRecords(&m.Supports, n1);
    for (int j = 0; j < n1; j++) {
      m.Supports[j + 1].FirstPhase = m.Supports[j + 1].LastPhase = 1;
      m.Supports[j + 1].Point = j * n1 + 1;
      m.Supports[j + 1].Fixity[2] = m.Supports[j + 1].Fixity[3] = 1;
    }
    m.Main.AnalysisType = 1;
    InitializeMainWorkArrays(1, &m, &w);
  }
  ~Plate() {
    FreeMainWorkArrays(&w);
    FreeRecords(mesh.Supports, mesh.nSupports);
    FreeRecords(mesh.ElemProps, mesh.nElemProps);
    freei2(mesh.ElemNodes);
    freei1(mesh.ElemNodeCount);
    freed2(mesh.PointCoord);
  }
};

Plate& ThePlate() {
  static Plate plate;
  return plate;
}

// Plane-stress stiffness (thickness 1) of element e, 2 x 2 Gauss points.
void PlaneStressStiffness(const MeshData& m, int e, double** K) {
  double **X, **dN, **J, **Ji, **dNdx, **B, **D, **BDB;
  allocd2(&X, 4, 2);
  allocd2(&dN, 4, 2);
  allocd2(&J, 2, 2);
  allocd2(&Ji, 2, 2);
  allocd2(&dNdx, 4, 2);
  allocd2(&B, 3, 8);
  allocd2(&D, 3, 3);
  allocd2(&BDB, 8, 8);
  CalcMat_ElemNodeCoord(e, 10, 4, m.ElemNodes, X, m.PointCoord);
  CalcMat_De_PlaneStress(3, 3, 0.2, 30000.0, D);
  zerod2(K, 8, 8);
  const double g = 0.577350269189626;
  for (int a = 0; a < 4; a++) {
    const double s[3] = {0.0, (a & 1) ? g : -g, (a & 2) ? g : -g};
    CalcShapeFuncDerivQuad(4, dN, s);
    CalcMat_Jacobian(4, 2, 2, X, dN, J);
    const double det = CalcInvJacobian(e, kCtxStiffness, 2, J, Ji);
    CalcCartesianDeriv(4, 2, dN, Ji, dNdx);
    zerod2(B, 3, 8);
    CalcMat_B_Plane2D(4, B, dNdx);
    btabd2(BDB, D, B, 3, 8);
    scaled2(BDB, 8, 8, det);
    addd2(K, BDB, 8, 8);
  }
  freed2(BDB);
  freed2(D);
  freed2(B);
  freed2(dNdx);
  freed2(Ji);
  freed2(J);
  freed2(dN);
  freed2(X);
}

void Assemble(benchmark::State& state, bool formEachElement) {
  Plate& p = ThePlate();
  const char flags[69] = {};
  double** Ke;
  allocd2(&Ke, 8, 8);
  double** K0;
  allocd2(&K0, 8, 8);
  PlaneStressStiffness(p.mesh, 1, K0);
  const char* mask = GetElementTypeInfo(10).dofMask;
  int64_t nKFF = 0, nKPF = 0, nKPP = 0;
  for (auto _ : state) {
    SparseRowMatrix KFF, KPF, KPP;
    StiffAssemblyWork a;
    BeginGlobalStiffAssembly(flags, &p.mesh, &p.w, &a, &KFF, &KPF, &KPP);
    for (int e = 1; e <= p.mesh.nElements; e++) {
      if (formEachElement)
        PlaneStressStiffness(p.mesh, e, Ke);
      else
        copyd2(Ke, K0, 8, 8);
      AssembElemStiffGlobal(e, 4, mask, Ke, &a, &KFF, &KPF, &KPP);
    }
    EndGlobalStiffAssembly(&nKFF, &nKPF, &nKPP, flags, &a, &KFF, &KPF, &KPP);
    FreeGlobalStiffMat(&KFF, &KPF, &KPP);
  }
  state.counters["equations"] = p.w.nF;
  state.counters["KFF_terms"] = static_cast<double>(nKFF);
  state.counters["KPF_terms"] = static_cast<double>(nKPF);
  freed2(K0);
  freed2(Ke);
}

void AssemblyWithElementStiffness(benchmark::State& state) { Assemble(state, true); }
void AssemblyOnly(benchmark::State& state) { Assemble(state, false); }

}  // namespace

BENCHMARK(AssemblyWithElementStiffness)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(AssemblyOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
