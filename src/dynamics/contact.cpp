// Contact cases of the linear dynamic analysis: classification of the free dofs, the
// interaction arrays of a step, the split of the effective matrix and the partitioned
// solve (Schur complement on the contacting dofs and their forces).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "assembly/solvers.h"
#include "dynamics/contact.h"
#include "elements/kernel.h"
#include "loads/load_kernel.h"
#include "model/loadcase.h"
#include "model/mesh.h"
#include "model/outputcontrol.h"
#include "numcore/numcore.h"

namespace {

const char* const kDofNames[7] = {"", "_D1", "_D2", "_D3", "_R1", "_R2", "_R3"};

void Context(const char* text) {
  std::fflush(stdout);
  std::fputs(text, stderr);
}

// Where an X mark came from, for the messages.
struct MarkOrigin {
  int contactCase, point, dof;
};

// The X marks of one combination; false when it has no contact case.
bool MarkCombination(const MeshData* mesh, const MainWorkArrays* w, const CombinationData& comb,
                     std::vector<char>& cls, std::vector<MarkOrigin>& origin, int* nContacts) {
  if (comb.nContactCases == 0) return false;
  std::fill(cls.begin(), cls.end(), 'I');
  *nContacts = 0;
  auto mark = [&](int c, int point, int dof) {
    const int eq = w->PointDofNumbers[point][dof];
    if (cls[eq] == 'X') {
      // Two ties on one dof cannot both hold: each contacting dof has exactly one tie.
      std::fflush(stdout);
      std::fprintf(stderr, "\nVerifying the <CONTACT_CASE> block\n   -> Contact case: %d\n   -> Contact point: %d\n"
                   "   -> Contacting degree of freedom: %s\n", c, point, kDofNames[dof]);
      errexit("A contacting degree of freedom can be tied by only one contact\nof the combination.", 0);
    }
    cls[eq] = 'X';
    origin[eq] = MarkOrigin{c, point, dof};
    ++*nContacts;
  };
  for (int k = 1; k <= comb.nContactCases; k++) {
    const int c = comb.ContactCases[k];
    if (c < 1 || c > mesh->Main.nContactCases) InternalError(__FILE__, __LINE__);
    const ContactCase& cc = mesh->ContactCases[c];
    for (int r = 1; r <= cc.nPointToPoint; r++) {
      const PointToPointContact& t = cc.PointToPoint[r];
      if (w->PointDofCodes[t.PointS][t.Dof] != 'F') {
        std::fflush(stdout);
        std::fprintf(stderr, "\nVerifying the <POINT_TO_POINT_CONTACTS> block\n   -> Contact case: %d\n"
                     "   -> Point to point contact counter: %d\n   -> Contact point - S (Slave): %d\n"
                     "   -> Contacting degree of freedom: %s\n", c, r, t.PointS, kDofNames[t.Dof]);
        errexit("The contacting degree of freedom must be a\nfree degree of freedom.", 0);
      }
      mark(c, t.PointS, t.Dof);
    }
    for (int r = 1; r <= cc.nPointToElement; r++) {
      const PointToElementContact& t = cc.PointToElement[r];
      const int prop = w->ElemPropIndex[t.Element];
      if (prop == 0) InternalError(__FILE__, __LINE__);
      if (w->PointDofCodes[t.PointS][t.Dof] != 'F') {
        std::fflush(stdout);
        std::fprintf(stderr, "\nVerifying the <POINT_TO_ELEMENT_CONTACTS> block\n   -> Contact case: %d\n"
                     "   -> Point to element contact counter: %d\n   -> Contact point: %d\n"
                     "   -> Contact element: %d\n   -> Element type: %s\n   -> Contacting degree of freedom: %s\n",
                     c, r, t.PointS, t.Element, GetElementTypeInfo(mesh->ElemProps[prop].ElementType).keyword,
                     kDofNames[t.Dof]);
        errexit("The contacting degree of freedom must be a\nfree degree of freedom.", 0);
      }
      mark(c, t.PointS, t.Dof);
    }
  }
  return true;
}

void FreeMat(double*** M) {
  if (*M != nullptr) freed2(*M);
  *M = nullptr;
}

void FreeVec(double** v) {
  if (*v != nullptr) freed1(*v);
  *v = nullptr;
}

void FreeInts(int** v) {
  if (*v != nullptr) freei1(*v);
  *v = nullptr;
}

void FreeReduction(PartitionedContactMatrix* pm) {
  FreeMat(&pm->ZX);
  FreeMat(&pm->ZA);
  FreeMat(&pm->S);
  pm->reduced = false;
}

void FreePartition(PartitionedContactMatrix* pm) {
  FreeReduction(pm);
  if (pm->KII != nullptr) freeprofd2(pm->KII, pm->nI);
  pm->KII = nullptr;
  FreeInts(&pm->last);
  FreeMat(&pm->KIX);
  FreeMat(&pm->KXX);
}

// The nX columns of KII^-1 Y (Y nI x nX) into Z, kColumns at a time (several right-hand
// sides share each pass over the factor).
void SolveColumns(const PartitionedContactMatrix* pm, double** Y, double** Z) {
  constexpr int kColumns = 8;
  double** cols;
  allocd2(&cols, kColumns, pm->nI);
  for (int j0 = 1; j0 <= pm->nX; j0 += kColumns) {
    const int m = std::min(kColumns, pm->nX - j0 + 1);
    for (int c = 0; c < m; c++)
      for (int i = 1; i <= pm->nI; i++) cols[c + 1][i] = Y[i][j0 + c];
    double sec;
    SolveNCSBMany(pm->nI, &sec, pm->last, cols + 1, m, pm->KII);
    for (int c = 0; c < m; c++)
      for (int i = 1; i <= pm->nI; i++) Z[i][j0 + c] = cols[c + 1][i];
  }
  freed2(cols);
}

// Reduced dense matrix of the contacting dofs and the tie forces (2 nX square):
// [KXX - KIX^T ZX, D - KIX^T ZA; sym, B - A^T ZA]; an inactive tie keeps only a unit
// diagonal, so that its force is zero and its dof follows its own equation.
void Reduce(const ContactArrays* ca, PartitionedContactMatrix* pm) {
  FreeReduction(pm);
  const int nI = pm->nI, nX = pm->nX;
  allocd2(&pm->ZX, nI, nX);
  allocd2(&pm->ZA, nI, nX);
  allocd2(&pm->S, 2 * nX, 2 * nX);
  SolveColumns(pm, pm->KIX, pm->ZX);
  SolveColumns(pm, ca->A, pm->ZA);
  double** S = pm->S;
  for (int a = 1; a <= nX; a++)
    for (int b = 1; b <= nX; b++) {
      double s11 = pm->KXX[a][b], s12 = ca->D[a][b], s22 = ca->B[a][b];
      for (int i = 1; i <= nI; i++) {
        s11 -= pm->KIX[i][a] * pm->ZX[i][b];
        s12 -= pm->KIX[i][a] * pm->ZA[i][b];
        s22 -= ca->A[i][a] * pm->ZA[i][b];
      }
      if (!ca->active[b]) s12 = 0.0;
      if (!ca->active[a] || !ca->active[b]) s22 = (a == b && !ca->active[a]) ? 1.0 : 0.0;
      S[a][b] = s11;
      S[a][nX + b] = s12;
      S[nX + b][a] = s12;
      S[nX + a][nX + b] = s22;
    }
  pm->reduced = true;
  pm->reducedVersion = ca->version;
}

}  // namespace

void CalcContactAuxData(const MeshData* mesh, const MainWorkArrays* w, int nCombinations,
                        const CombinationData* combinations, ContactDofs* cd) {
  const int nF = w->nF;
  cd->nF = nF;
  std::vector<char> ref(static_cast<size_t>(nF) + 1, 'I'), cls(ref);
  std::vector<MarkOrigin> refOrigin(static_cast<size_t>(nF) + 1), origin(refOrigin);
  int nX = 0;
  if (mesh->Main.nContactCases != 0) {
    bool haveRef = false;
    for (int c = 1; c <= nCombinations; c++) {
      int n;
      if (!MarkCombination(mesh, w, combinations[c], cls, origin, &n)) continue;
      if (!haveRef) {
        ref = cls;
        refOrigin = origin;
        nX = n;
        haveRef = true;
        continue;
      }
      for (int i = 1; i <= nF; i++) {
        if (cls[i] == ref[i]) continue;
        const MarkOrigin& o = cls[i] == 'X' ? origin[i] : refOrigin[i];
        std::fflush(stdout);
        std::fprintf(stderr, "\nVerifying the <CONTACT_CASE> block\n   -> Contact case: %d\n   -> Contact point: %d\n"
                     "   -> Contacting degree of freedom: %s\n", o.contactCase, o.point, kDofNames[o.dof]);
        errexit("The classification of the specified degree of freedom (I or X)\nmust be the same in all the "
                "combinations.",
                0);
      }
    }
  }
  cd->nX = nX;
  cd->nI = nF - nX;
  allocc1(&cd->FreeDofClass, nF);
  alloci1(&cd->IndexMap, nF);
  alloci1(&cd->IList, cd->nI);
  alloci1(&cd->XList, cd->nX);
  int nI = 0, x = 0;
  for (int i = 1; i <= nF; i++) {
    cd->FreeDofClass[i] = ref[i];
    if (ref[i] == 'X') {
      cd->XList[++x] = i;
      cd->IndexMap[i] = x;
    } else {
      cd->IList[++nI] = i;
      cd->IndexMap[i] = nI;
    }
  }
  if (x != cd->nX || nI != cd->nI) InternalError(__FILE__, __LINE__);
}

void CalcContactArray(const CombinationData* comb, double alpha, const char* OutputControl,
                      const MeshData* mesh, const MainWorkArrays* w, const ContactDofs* cd, const double* uP,
                      ContactArrays* ca) {
  const int nI = cd->nI, nX = cd->nX, nP = w->nP;
  if (ca->GI == nullptr) {
    ca->nI = nI;
    ca->nX = nX;
    ca->nP = nP;
    allocd2(&ca->GI, nI, nX);
    allocd2(&ca->GP, nP, nX);
    allocd1(&ca->g, nX);
    allocd2(&ca->A, nI, nX);
    zerod2(ca->A, nI, nX);
    allocd2(&ca->B, nX, nX);
    allocd1(&ca->h, nX);
    allocd2(&ca->D, nX, nX);
    allocc1(&ca->active, nX);
    zeroc1(ca->active, nX);
    ca->version = 0;
  }
  if (ca->nI != nI || ca->nX != nX || ca->nP != nP) InternalError(__FILE__, __LINE__);
  std::vector<char> wasActive(ca->active + 1, ca->active + 1 + nX);
  zerod2(ca->GI, nI, nX);
  zerod2(ca->GP, nP, nX);
  zerod1(ca->g, nX);
  zeroc1(ca->active, nX);
  const double f = 1.0 + alpha;
  char line[128];
  // The master side of tie j at dof d of point q: coefficient v.
  auto place = [&](int j, int q, int d, double v, const char* where) {
    const char code = w->PointDofCodes[q][d];
    const int eq = w->PointDofNumbers[q][d];
    if (code == 'F' && cd->FreeDofClass[eq] == 'I') {
      ca->GI[cd->IndexMap[eq]][j] += v;
    } else if (code == 'P') {
      ca->GP[eq][j] += v;
    } else if (code == 'F') {
      Context(where);
      errexit("Invalid contact definition.", 0);
    } else {
      return false;
    }
    return true;
  };
  // Tie of contacting dof `dof` of point S, active with its gap: its X position.
  auto tie = [&](int S, int dof, double gap) {
    const int eq = w->PointDofNumbers[S][dof];
    if (w->PointDofCodes[S][dof] != 'F' || cd->FreeDofClass[eq] != 'X') InternalError(__FILE__, __LINE__);
    const int j = cd->IndexMap[eq];
    ca->g[j] = gap;
    ca->active[j] = 1;
    return j;
  };
  if (mesh->Main.nContactCases != 0)
    for (int k = 1; k <= comb->nContactCases; k++) {
      const int c = comb->ContactCases[k];
      if (c < 1 || c > mesh->Main.nContactCases) InternalError(__FILE__, __LINE__);
      const ContactCase& cc = mesh->ContactCases[c];
      for (int r = 1; r <= cc.nPointToPoint; r++) {
        const PointToPointContact& t = cc.PointToPoint[r];
        const int j = tie(t.PointS, t.Dof, t.Gap);
        char where[320];
        std::snprintf(where, sizeof where, "\nCalculating the interaction matrix\n   -> Contact case: %d\n"
                      "   -> Block name: <POINT_TO_POINT_CONTACTS>\n   -> Point to point contact counter: %d\n", c, r);
        if (!place(j, t.PointM, t.Dof, 1.0, where)) {
          Context(where);
          std::snprintf(line, sizeof line, "   -> Contacting degree of freedom: %s\n", kDofNames[t.Dof]);
          Context(line);
          errexit("The type of contact is not compatible with\nthe type of degree of freedom.", 0);
        }
      }
      for (int r = 1; r <= cc.nPointToElement; r++) {
        const PointToElementContact& t = cc.PointToElement[r];
        const int j = tie(t.PointS, t.Dof, t.Gap);
        const int e = t.Element, prop = w->ElemPropIndex[e];
        if (prop == 0) InternalError(__FILE__, __LINE__);
        const int type = mesh->ElemProps[prop].ElementType, nNodes = mesh->ElemNodeCount[e];
        // A unit load at the contact's location: its nodal forces are the interpolation
        // weights of the element's dofs at that point.
        InternalPointLoad load[2] = {};
        load[1].Element = e;
        load[1].AuxPoint = t.Location;
        load[1].Load[t.Dof] = 1.0;
        double* Fe;
        allocd1(&Fe, 6 * nNodes);
        zerod1(Fe, 6 * nNodes);
        Calc_Fg_IntPointLoad(6 * nNodes, e, type, 1, c, nNodes, prop, OutputControl, mesh, w->ElemPropIndex, Fe,
                             w->PointTypes, load, w->PointElemAdjacency);
        char where[320];
        std::snprintf(where, sizeof where, "\nCalculating the interaction matrix\n   -> Contact case: %d\n"
                      "   -> Block name: <POINT_TO_ELEMENT_CONTACTS>\n   -> Point to element contact counter: %d\n"
                      "   -> Contact element: %d\n", c, r, e);
        for (int a = 1; a <= nNodes; a++)
          for (int d = 1; d <= 6; d++) {
            const double v = Fe[6 * (a - 1) + d];
            if (std::fabs(v) < kSmall) continue;
            if (!place(j, mesh->ElemNodes[e][a], d, v, where)) InternalError(__FILE__, __LINE__);
          }
        freed1(Fe);
      }
    }
  bool changed = false;
  for (int j = 1; j <= nX; j++) changed = changed || (ca->active[j] != wasActive[static_cast<size_t>(j - 1)]);
  for (int i = 1; i <= nI; i++)
    for (int j = 1; j <= nX; j++) {
      const double a = f * ca->GI[i][j];
      changed = changed || a != ca->A[i][j];
      ca->A[i][j] = a;
    }
  if (changed) ca->version++;
  zerod2(ca->B, nX, nX);
  zerod2(ca->D, nX, nX);
  for (int j = 1; j <= nX; j++) {
    double s = ca->g[j];
    for (int p = 1; p <= nP; p++) s += ca->GP[p][j] * uP[p];
    ca->h[j] = -f * s;
    ca->D[j][j] = -f;
  }
}

void Calc_KII_KIX_KXX(const char* OutputControl, const ContactDofs* cd, const SparseRowMatrix* EFF,
                      PartitionedContactMatrix* pm) {
  const int nF = cd->nF, nI = cd->nI, nX = cd->nX;
  if (EFF->n != nF) InternalError(__FILE__, __LINE__);
  FreePartition(pm);
  pm->nI = nI;
  pm->nX = nX;
  for (int i = 1; i <= nF; i++) {
    if (EFF->count[i] == 0) continue;
    if (EFF->cols[i][1] != i) errexit("Null value in the main diagonal of the global stiffness matrix.", 0);
  }
  // The I rows are checked again, with the same warnings, as the profile store takes them.
  double* scale;
  allocd1(&scale, nF);
  CouplingDiagonalScales(EFF, scale);
  for (int i = 1; i <= nF; i++)
    if (EFF->count[i] > 0 && cd->FreeDofClass[i] == 'X') WarnOfDiagonal(EFF->vals[i][1], scale[i]);
  freed1(scale);
  allocd2(&pm->KIX, nI, nX);
  allocd2(&pm->KXX, nX, nX);
  zerod2(pm->KIX, nI, nX);
  zerod2(pm->KXX, nX, nX);
  SparseRowMatrix KII;
  KII.n = nI;
  alloci1(&KII.count, nI);
  allocpi1(&KII.cols, nI);
  allocpd1(&KII.vals, nI);
  for (int i = 1; i <= nF; i++) {
    const int pi = cd->IndexMap[i];
    const bool rowI = cd->FreeDofClass[i] == 'I';
    int n = 0;
    for (int t = 1; t <= EFF->count[i]; t++) {
      const int c = EFF->cols[i][t], pc = cd->IndexMap[c];
      const double v = EFF->vals[i][t];
      const bool colI = cd->FreeDofClass[c] == 'I';
      if (rowI && colI) {
        n++;
      } else if (rowI) {
        pm->KIX[pi][pc] = v;
      } else if (colI) {
        pm->KIX[pc][pi] = v;
      } else {
        pm->KXX[pi][pc] = v;
        pm->KXX[pc][pi] = v;
      }
    }
    if (!rowI) continue;
    KII.count[pi] = n;
    KII.cols[pi] = nullptr;
    KII.vals[pi] = nullptr;
    if (n == 0) continue;
    alloci1(&KII.cols[pi], n);
    allocd1(&KII.vals[pi], n);
    int k = 0;
    for (int t = 1; t <= EFF->count[i]; t++) {
      const int c = EFF->cols[i][t];
      if (cd->FreeDofClass[c] != 'I') continue;
      KII.cols[pi][++k] = cd->IndexMap[c];
      KII.vals[pi][k] = EFF->vals[i][t];
    }
  }
  // The store prints its size under KFF's name: print it here under KII's.
  char oc[kOutputControlSize];
  std::memcpy(oc, OutputControl, kOutputControlSize);
  oc[OC_PRINT_GAUSS_ELIM_INFO] = 'N';
  alloci1(&pm->last, nI);
  Calc_NCSB_KFF(nI, &pm->nTermsKII, oc, pm->last, &KII, &pm->KII);
  if (OutputControl[OC_PRINT_GAUSS_ELIM_INFO] == 'Y') {
    std::printf("\nN. of rows in the nonconstant width semi-banded matrix (KII) = %d\n", nI);
    std::printf("\nN. of terms in the nonconstant width semi-banded matrix (KII) = %lld\n",
                static_cast<long long>(pm->nTermsKII));
  }
  freepd1(KII.vals);
  freepi1(KII.cols);
  freei1(KII.count);
}

void SolvePartitionedContact(int combination, const ContactDofs* cd, const ContactArrays* ca,
                             PartitionedContactMatrix* pm, const double* F, double* uF, double* lambda,
                             double* timer) {
  double wall0, cpu0, wall1, cpu1;
  gettimes(&wall0, &cpu0);
  const int nI = cd->nI, nX = cd->nX;
  if (pm->KII == nullptr || pm->nI != nI || pm->nX != nX) InternalError(__FILE__, __LINE__);
  if (nX > 0 && (ca->GI == nullptr || ca->nX != nX)) InternalError(__FILE__, __LINE__);
  if (nX > 0 && (!pm->reduced || pm->reducedVersion != ca->version)) Reduce(ca, pm);
  double *uI, *rhs, *x;
  allocd1(&uI, nI);
  allocd1(&rhs, 2 * nX);
  allocd1(&x, 2 * nX);
  for (int k = 1; k <= nI; k++) uI[k] = F[cd->IList[k]];
  double sec;
  SolveNCSB(nI, &sec, pm->last, uI, pm->KII);
  if (nX > 0) {
    // Right-hand side of the reduced system: F_X - KIX^T z, h - A^T z with z = KII^-1 F_I.
    for (int a = 1; a <= nX; a++) {
      double r1 = F[cd->XList[a]], r2 = ca->h[a];
      for (int i = 1; i <= nI; i++) {
        r1 -= pm->KIX[i][a] * uI[i];
        r2 -= ca->A[i][a] * uI[i];
      }
      rhs[a] = r1;
      rhs[nX + a] = ca->active[a] ? r2 : 0.0;
    }
    double** S;
    allocd2(&S, 2 * nX, 2 * nX);
    copyd2(S, pm->S, 2 * nX, 2 * nX);
    const bool ok = linsolved2(S, x, rhs, 2 * nX);
    freed2(S);
    if (!ok) {
      std::fflush(stdout);
      std::fprintf(stderr, "\nSolving the contact cases of the step\n   -> Combination: %d\n", combination);
      errexit("The system of the contacting degrees of freedom and the contact\nforces is singular.", 0);
    }
    for (int i = 1; i <= nI; i++) {
      double s = uI[i];
      for (int a = 1; a <= nX; a++) s -= pm->ZX[i][a] * x[a] + pm->ZA[i][a] * x[nX + a];
      uI[i] = s;
    }
  }
  for (int k = 1; k <= nI; k++) uF[cd->IList[k]] = uI[k];
  for (int a = 1; a <= nX; a++) {
    uF[cd->XList[a]] = x[a];
    lambda[a] = x[nX + a];
  }
  freed1(x);
  freed1(rhs);
  freed1(uI);
  gettimes(&wall1, &cpu1);
  *timer += wall1 - wall0;
}

void FreeDynArrays(ContactDofs* cd, ContactArrays* ca, PartitionedContactMatrix* pm) {
  if (cd != nullptr) {
    if (cd->FreeDofClass != nullptr) freec1(cd->FreeDofClass);
    cd->FreeDofClass = nullptr;
    FreeInts(&cd->IndexMap);
    FreeInts(&cd->IList);
    FreeInts(&cd->XList);
  }
  if (ca != nullptr) {
    FreeMat(&ca->GI);
    FreeMat(&ca->GP);
    FreeVec(&ca->g);
    FreeMat(&ca->A);
    FreeMat(&ca->B);
    FreeVec(&ca->h);
    FreeMat(&ca->D);
    if (ca->active != nullptr) freec1(ca->active);
    ca->active = nullptr;
  }
  if (pm != nullptr) FreePartition(pm);
}
