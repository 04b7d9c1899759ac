// Tangent stiffness and internal equivalent nodal forces of a nonlinear run, chosen per
// element group by its behaviour code, and the element-vector steps they share (nodal
// displacements, special coordinate systems, scatter into the global force vectors).
#include <cmath>
#include <cstdio>

#include "assembly/assembly.h"
#include "assembly/residual.h"
#include "elements/behaviour.h"
#include "elements/kernel.h"
#include "elements/elements.h"
#include "elements/line_elements.h"
#include "elements/shell_solid.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "springs/springs.h"

namespace {

// Point dof d of element dof k within a node, from the type's mask.
int NodeDofs(int type, int* dofOf) {
  const char* mask = GetElementTypeInfo(type).dofMask;
  int nd = 0;
  for (int d = 1; d <= 6; d++)
    if (mask[d] == '1') dofOf[++nd] = d;
  return nd;
}

// Rotates the six values of one node: v := R^T v (transpose != 0) or R v, per triple.
void RotateNodeValues(const MeshData* mesh, int cs, bool transpose, double* v6) {
  double** R;
  allocd2(&R, 3, 3);
  CalcMat_R_CoordSystem(mesh, cs, R);
  for (int half = 0; half < 2; half++) {
    double x[4];
    for (int i = 1; i <= 3; i++) x[i] = v6[3 * half + i];
    for (int i = 1; i <= 3; i++) {
      double sum = 0.0;
      for (int j = 1; j <= 3; j++) sum += (transpose ? R[j][i] : R[i][j]) * x[j];
      v6[3 * half + i] = sum;
    }
  }
  freed2(R);
}

SpringHistory SpringHistoryOf(const NonlinearElementState* s) { return SpringHistory{s->SpringIndex, s->SpringTable}; }

void AddElementSprings(int e, int type, int nNodes, int prop, const char* OutputControl, const MeshData* mesh,
                       const MainWorkArrays* w, const NonlinearElementState* s, double** K) {
  const SpringHistory hist = SpringHistoryOf(s);
  CalcStiffElementSprings_NL(e, type, nNodes, prop, GetElementTypeInfo(type).dofMask, OutputControl, mesh,
                             w->ElemPropIndex, K, w->ElemHasPointSpring, w->ElemHasLineSpring, w->ElemHasSurfSpring,
                             w->ElemHasSpringLink, w->PointTypes, w->PointElemAdjacency, &w->Springs, &hist);
}

// Point displacements the spring links read: Utot with the special coordinate systems
// turned back to global components (Utot itself when no link needs that).
double** SpringPointDispl(const MeshData* mesh, const MainWorkArrays* w, double** Utot) {
  if (mesh->nSpringLinks == 0) return Utot;
  bool special = false;
  for (int p = 1; p <= mesh->nPoints && !special; p++) special = w->PointSpecialCS[p] != 0;
  if (!special) return Utot;
  double** U;
  allocd2(&U, mesh->nPoints, 6);
  for (int p = 1; p <= mesh->nPoints; p++) {
    copyd1(U[p], Utot[p], 6);
    if (w->PointSpecialCS[p] != 0) RotateNodeValues(mesh, w->PointSpecialCS[p], true, U[p]);
  }
  return U;
}

// Point coordinates of the last converged configuration (the initial ones in
// combination 1).
double** PrevPointCoordOf(const MeshData* mesh, const NonlinearElementState* s) {
  return s->PrevPointCoord != nullptr ? s->PrevPointCoord : mesh->PointCoord;
}

// Element displacements of the current iterate in global components (zero without them).
void CurrentElemDispl(int element, int type, int nNodes, const MeshData* mesh, const MainWorkArrays* w,
                      const NonlinearElementState* s, double* a) {
  if (s->PointDispl == nullptr)
    zerod1(a, ElemMatSize(type, nNodes));
  else
    CalcElemNodalDispl(element, type, nNodes, 1, mesh, w, s->PointDispl, a);
}

// The call record of an element of a nonlinear run.
ElementCall NonlinearCall(int element, int nNodes, int property, int n, const char* OutputControl,
                          const MeshData* mesh, const MainWorkArrays* w, const NonlinearElementState* s) {
  ElementCall c = LinearElementCall(element, nNodes, property, n, OutputControl, mesh, w->ElemPropIndex, w->PointTypes,
                                    w->PointElemAdjacency);
  c.combination = s->Combination;
  c.iteration = s->Iteration;
  c.index = s->Index;
  c.table = s->Table;
  c.elemToHD = s->ElemToHD;
  c.timeStep = s->TimeStep;
  c.time = s->Time;
  c.ElemTempVar = s->ElemTempVar;
  c.ElemNodeTemps = s->ElemNodeTemps;
  c.ElemTempIncrement = s->ElemTempIncrement;
  c.prevCoord = PrevPointCoordOf(mesh, s);
  return c;
}

// Cables embedded in mother m: stiffness (K != null) or internal forces (F != null) of
// each cable by its own behaviour code, on the mother's dofs; a the mother's total
// displacements. A linear cable gives F = K a.
void EmbCableLoop(int mother, int n, const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                  const NonlinearElementState* s, const double* a, double** K, double* F) {
  const EmbCableMotherRecord& r = w->EmbCableMotherRecord[w->MotherElemIndex[mother]];
  double** Kw = nullptr;
  double* Fw = nullptr;
  if (K != nullptr || F != nullptr) allocd2(&Kw, n, n);
  if (F != nullptr) allocd1(&Fw, n);
  double* acc = nullptr;
  if (F != nullptr) {
    allocd1(&acc, n);
    zerod1(acc, n);
  }
  for (int slot = 1; slot <= r.nCables; slot++) {
    ElementCall c = NonlinearCall(0, 0, 0, n, OutputControl, mesh, w, s);
    PlaceOnMother(&c, mother, slot, mesh, w);
    c.a = a;
    const int type = mesh->ElemProps[c.property].ElementType;
    const ElementBehaviourRow& row = ElementBehaviour[type];
    const char code = CalcBehaviorType(c.property, &mesh->Main, mesh->ElemProps);
    const bool nonlinear = code == 'M' || code == 'N';
    if (!nonlinear && code != 'L' && code != 'G') InternalError(__FILE__, __LINE__);
    if (K != nullptr) {
      zerod2(Kw, n, n);
      RunElemMat(code == 'N' ? row.geometricTangent : nonlinear ? row.tangent : row.stiffness, type, c, Kw);
      addd2(K, Kw, n, n);
    } else {
      zerod1(Fw, n);
      if (nonlinear) {
        RunElemVec(code == 'N' ? row.geometricForces : row.forces, type, c, Fw);
      } else {
        RunElemMat(row.stiffness, type, c, Kw);
        multd2d1(Fw, Kw, a, n, n);
      }
      for (int i = 1; i <= n; i++) acc[i] += Fw[i];
    }
  }
  if (F != nullptr) {
    for (int i = 1; i <= n; i++) F[i] += acc[i];
    freed1(acc);
    freed1(Fw);
  }
  freed2(Kw);
}

// The whole tangent matrix of an active element: own stiffness by behaviour code,
// embedded cables, springs.
void CalcElemStiffNonlinear(int e, const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                            const NonlinearElementState* s, int* n, double*** K) {
  const WorkArrayFrame work;  // K is the caller's once the element returns
  const int prop = w->ElemPropIndex[e];
  const int type = mesh->ElemProps[prop].ElementType;
  const int nNodes = mesh->ElemNodeCount[e];
  switch (CalcBehaviorType(prop, &mesh->Main, mesh->ElemProps)) {
    case 'L':
      Calc_Kg(e, nNodes, prop, OutputControl, mesh, w->ElemPropIndex, K, w->PointTypes, w->PointElemAdjacency);
      break;
    case 'M': Calc_Kg_NL(e, nNodes, prop, OutputControl, mesh, w, s, K); break;
    case 'N': Calc_Kg_NLMG(e, nNodes, prop, OutputControl, mesh, w, s, K); break;
    default:
      // 'G': a geometrically nonlinear run needs a nonlinear material in every group.
      InternalError(__FILE__, __LINE__);
  }
  *n = ElemMatSize(type, nNodes);
  if (w->MotherElemIndex[e] > 0) CalcStiffEmbCable_NL(e, *n, OutputControl, mesh, w, s, *K);
  AddElementSprings(e, type, nNodes, prop, OutputControl, mesh, w, s, *K);
}

}  // namespace

void Calc_Kg_NL(int element, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                const MainWorkArrays* w, const NonlinearElementState* s, double*** K) {
  const int type = mesh->ElemProps[property].ElementType;
  const int n = ElemMatSize(type, nNodes);
  allocd2(K, n, n);
  zerod2(*K, n, n);
  const ElementCall c = NonlinearCall(element, nNodes, property, n, OutputControl, mesh, w, s);
  RunElemMat(ElementBehaviour[type].tangent, type, c, *K);
}

void Calc_Kg_NLMG(int element, int nNodes, int property, const char* OutputControl, const MeshData* mesh,
                  const MainWorkArrays* w, const NonlinearElementState* s, double*** K) {
  const int type = mesh->ElemProps[property].ElementType;
  const int n = ElemMatSize(type, nNodes);
  allocd2(K, n, n);
  zerod2(*K, n, n);
  ElementCall c = NonlinearCall(element, nNodes, property, n, OutputControl, mesh, w, s);
  // The tangent of the current iterate.
  double* a;
  allocd1(&a, n);
  CurrentElemDispl(element, type, nNodes, mesh, w, s, a);
  c.a = a;
  RunElemMat(ElementBehaviour[type].geometricTangent, type, c, *K);
  freed1(a);
}

void CalcStiffEmbCable_NL(int mother, int n, const char* OutputControl, const MeshData* mesh,
                          const MainWorkArrays* w, const NonlinearElementState* s, double** K) {
  EmbCableLoop(mother, n, OutputControl, mesh, w, s, nullptr, K, nullptr);
}

void AssembGlobalStiffMat_NL(int64_t* nTermsKFF, int64_t* nTermsKPF, int64_t* nTermsKPP, const char* job,
                             const char* OutputControl, IterSummaryRecord* summary, const MeshData* mesh,
                             SparseRowMatrix* KFF, SparseRowMatrix* KPF, SparseRowMatrix* KPP,
                             const MainWorkArrays* w, const NonlinearElementState* s) {
  ElemStiffSource source;
  source.nonlinear = true;
  source.combination = s->Combination;
  source.iteration = s->Iteration;
  source.element = [&](int e, int* n, double*** K) { CalcElemStiffNonlinear(e, OutputControl, mesh, w, s, n, K); };
  const SpringHistory hist = SpringHistoryOf(s);
  source.springHistory = &hist;
  AssembGlobalStiffMatWith(source, nTermsKFF, nTermsKPF, nTermsKPP, job, OutputControl, summary, mesh, KFF, KPF,
                           KPP, w);
}

// ---- element vectors ------------------------------------------------------------------------

void CalcElemNodalDispl(int element, int type, int nNodes, int rotate, const MeshData* mesh,
                        const MainWorkArrays* w, double** U, double* ae) {
  int dofOf[7];
  const int nd = NodeDofs(type, dofOf);
  for (int i = 1; i <= nNodes; i++) {
    const int p = mesh->ElemNodes[element][i];
    double v[7];
    for (int d = 1; d <= 6; d++) v[d] = U[p][d];
    if (rotate != 0 && w->ElemHasSpecialCSNode[element] && w->PointSpecialCS[p] != 0)
      RotateNodeValues(mesh, w->PointSpecialCS[p], true, v);
    for (int k = 1; k <= nd; k++) ae[(i - 1) * nd + k] = v[dofOf[k]];
  }
}

void RotateElemVectorSpecialCS(int element, int type, int nNodes, const MeshData* mesh, const MainWorkArrays* w,
                               double* fe) {
  int dofOf[7];
  const int nd = NodeDofs(type, dofOf);
  for (int i = 1; i <= nNodes; i++) {
    const int p = mesh->ElemNodes[element][i];
    if (w->PointSpecialCS[p] == 0) continue;
    double v[7] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    for (int k = 1; k <= nd; k++) v[dofOf[k]] = fe[(i - 1) * nd + k];
    RotateNodeValues(mesh, w->PointSpecialCS[p], false, v);
    for (int k = 1; k <= nd; k++) fe[(i - 1) * nd + k] = v[dofOf[k]];
  }
}

void AssembInt_Fg(int element, int type, int nNodes, const MeshData* mesh, const MainWorkArrays* w, double* IF,
                  double* IP, const double* fe) {
  int dofOf[7];
  const int nd = NodeDofs(type, dofOf);
  for (int i = 1; i <= nNodes; i++) {
    const int p = mesh->ElemNodes[element][i];
    for (int k = 1; k <= nd; k++) {
      const double f = fe[(i - 1) * nd + k];
      if (!std::isfinite(f)) {
        std::fflush(stdout);
        std::fprintf(stderr, "\nCalculating the internal equivalent nodal forces of element n. %d\n", element);
        errexit("The internal equivalent nodal forces are not finite numbers.", 0);
      }
      const int d = dofOf[k];
      const int eq = w->PointDofNumbers[p][d];
      switch (w->PointDofCodes[p][d]) {
        case 'F': IF[eq] += f; break;
        case 'P': IP[eq] += f; break;
        default: InternalError(__FILE__, __LINE__);
      }
    }
  }
}

void CalcInternalForces(const char* OutputControl, const MeshData* mesh, const MainWorkArrays* w,
                        const NonlinearElementState* s, double** Uincr, double** Utot, double* IF, double* IP) {
  const WorkArrayFrame work;
  zerod1(IF, w->nF);
  zerod1(IP, w->nP);
  const SpringHistory hist = SpringHistoryOf(s);
  double** Usprings = SpringPointDispl(mesh, w, Utot);
  for (int e = 1; e <= mesh->nElements; e++) {
    const int prop = w->ElemPropIndex[e];
    if (prop == 0) continue;
    const int type = mesh->ElemProps[prop].ElementType;
    const int nNodes = mesh->ElemNodeCount[e];
    const int n = ElemMatSize(type, nNodes);
    double *fe, *a, *da;
    allocd1(&fe, n);
    allocd1(&a, n);
    allocd1(&da, n);
    zerod1(fe, n);
    CalcElemNodalDispl(e, type, nNodes, 1, mesh, w, Utot, a);
    CalcElemNodalDispl(e, type, nNodes, 1, mesh, w, Uincr, da);
    switch (CalcBehaviorType(prop, &mesh->Main, mesh->ElemProps)) {
      case 'L': {
        // Linear group: F = K a with the element's own stiffness.
        double** K;
        Calc_Kg(e, nNodes, prop, OutputControl, mesh, w->ElemPropIndex, &K, w->PointTypes, w->PointElemAdjacency);
        multd2d1(fe, K, a, n, n);
        freed2(K);
        break;
      }
      case 'M': {
        ElementCall c = NonlinearCall(e, nNodes, prop, n, OutputControl, mesh, w, s);
        c.a = a;
        c.da = da;
        RunElemVec(ElementBehaviour[type].forces, type, c, fe);
        break;
      }
      case 'N': {
        ElementCall c = NonlinearCall(e, nNodes, prop, n, OutputControl, mesh, w, s);
        c.a = a;
        c.da = da;
        RunElemVec(ElementBehaviour[type].geometricForces, type, c, fe);
        break;
      }
      default:
        // 'G' is refused as in the assembly.
        InternalError(__FILE__, __LINE__);
    }
    if (w->MotherElemIndex[e] > 0) EmbCableLoop(e, n, OutputControl, mesh, w, s, a, nullptr, fe);
    CalcInt_Fg_Springs(e, type, nNodes, prop, GetElementTypeInfo(type).dofMask, mesh, w->ElemPropIndex, a, Usprings,
                       fe, w->ElemHasPointSpring, w->ElemHasLineSpring, w->ElemHasSurfSpring, w->ElemHasSpringLink,
                       w->PointTypes, w->PointElemAdjacency, &w->Springs, &hist);
    if (w->ElemHasSpecialCSNode[e]) RotateElemVectorSpecialCS(e, type, nNodes, mesh, w, fe);
    AssembInt_Fg(e, type, nNodes, mesh, w, IF, IP, fe);
    freed1(da);
    freed1(a);
    freed1(fe);
  }
  if (Usprings != Utot) freed2(Usprings);
}
