// Global stiffness assembly: row lists against a brute-force dense assembly, the row and
// diagonal checks, slave and drill diagonals, the drop rule, the element dispatch and
// the eigenvalue file of KFF. Element matrices are formed here in the tests.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "assembly/assembly.h"
#include "assembly/summary.h"
#include "elements/kernel.h"
#include "model/outputcontrol.h"
#include "sparse_fixture.h"
#include "topology_fixture.h"

namespace {

using ElemMatFn = std::function<std::vector<double>(int e, int n)>;  // row-major n x n

// The three matrices of one assembly, released with the object.
struct Assembled {
  SparseRowMatrix KFF{}, KPF{}, KPP{};
  int64_t nKFF = 0, nKPF = 0, nKPP = 0;
  ~Assembled() {
    if (KFF.count != nullptr) FreeGlobalStiffMat(&KFF, &KPF, &KPP);
  }
};

// The assembly as a linear run does it, with element matrices from fn in place of the
// element routines.
void AssembleWith(const Built& b, const ElemMatFn& fn, Assembled* out, const std::string& flags = Flags()) {
  StiffAssemblyWork a;
  BeginGlobalStiffAssembly(flags.c_str(), &b.mesh, &b.w, &a, &out->KFF, &out->KPF, &out->KPP);
  for (int e = 1; e <= b.mesh.nElements; e++) {
    if (b.w.ElemPropIndex[e] == 0) continue;
    const int type = b.mesh.ElemProps[b.w.ElemPropIndex[e]].ElementType;
    const int nNodes = b.mesh.ElemNodeCount[e];
    const int n = ElemMatSize(type, nNodes);
    std::vector<double> v = fn(e, n);
    double** Ke;
    allocd2(&Ke, n, n);
    for (int r = 1; r <= n; r++)
      for (int c = 1; c <= n; c++) Ke[r][c] = v[(r - 1) * n + (c - 1)];
    AssembElemStiffGlobal(e, nNodes, GetElementTypeInfo(type).dofMask, Ke, &a, &out->KFF, &out->KPF, &out->KPP);
    freed2(Ke);
  }
  EndGlobalStiffAssembly(&out->nKFF, &out->nKPF, &out->nKPP, flags.c_str(), &a, &out->KFF, &out->KPF, &out->KPP);
}

// Stiffness of a 2-D truss (dofs u2, u3 at both nodes) from its end coordinates.
std::vector<double> Truss2D(double EA, double y1, double z1, double y2, double z2) {
  const double L = std::hypot(y2 - y1, z2 - z1), c = (y2 - y1) / L, s = (z2 - z1) / L, k = EA / L;
  const double u[4] = {-c, -s, c, s};
  std::vector<double> K(16);
  for (int i = 0; i < 4; i++)
    for (int j = 0; j < 4; j++) K[i * 4 + j] = k * u[i] * u[j];
  return K;
}

// Stored value of (i, j) in the row lists, 0 when absent.
double At(const SparseRowMatrix& K, int i, int j) {
  for (int k = 1; k <= K.count[i]; k++)
    if (K.cols[i][k] == j) return K.vals[i][k];
  return 0.0;
}

// ---- random plane meshes ------------------------------------------------------------------

struct ElemDef {
  int type;
  std::vector<int> nodes;
  std::vector<double> K;  // row-major
};

struct RandomCase {
  std::vector<std::array<double, 3>> pts;  // 0-based
  std::vector<ElemDef> elems;
  std::vector<std::pair<int, std::string>> supports;
  std::vector<std::array<double, 9>> R;  // rotations of the coordinate systems (rows)
  std::vector<int> cs;                   // per point (1-based), 0 = none
  std::vector<std::pair<int, int>> links;  // (master, slave), dofs 2 and 3
};

std::array<double, 9> RandomRotation(std::mt19937& g) {
  std::normal_distribution<double> nd;
  double a[3], b[3], c[3];
  for (double& x : a) x = nd(g);
  for (double& x : b) x = nd(g);
  double na = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
  for (double& x : a) x /= na;
  const double ab = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  for (int i = 0; i < 3; i++) b[i] -= ab * a[i];
  double nb = std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
  for (double& x : b) x /= nb;
  c[0] = a[1] * b[2] - a[2] * b[1];
  c[1] = a[2] * b[0] - a[0] * b[2];
  c[2] = a[0] * b[1] - a[1] * b[0];
  return {a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]};
}

RandomCase MakeRandomCase(unsigned seed) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  RandomCase rc;
  const int nx = 4 + seed % 3, ny = 3 + seed % 2;
  auto id = [&](int i, int j) { return j * nx + i + 1; };
  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++) rc.pts.push_back({0.0, i + 0.2 * u(g), j + 0.2 * u(g)});
  const int np = nx * ny;
  auto addElem = [&](int type, std::vector<int> nodes) {
    const int n = ElemMatSize(type, static_cast<int>(nodes.size()));
    ElemDef d{type, nodes, std::vector<double>(n * n)};
    for (int r = 0; r < n; r++)
      for (int c = r; c < n; c++) {
        const double v = u(g) < 0.2 ? 0.0 : 2.0 * u(g) - 1.0;
        d.K[r * n + c] = d.K[c * n + r] = v;
      }
    rc.elems.push_back(d);
  };
  for (int j = 0; j + 1 < ny; j++)
    for (int i = 0; i + 1 < nx; i++) {
      if (u(g) < 0.6) addElem(10, {id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1)});
      if (u(g) < 0.25) addElem(1, {id(i, j), id(i + 1, j)});
      if (u(g) < 0.25) addElem(3, {id(i, j), id(i, j + 1)});
    }
  addElem(3, {id(nx - 1, 0), id(nx - 1, ny - 1)});
  // Which points the elements use, and with which dofs.
  std::vector<int> used(np + 1, 0);
  for (const ElemDef& d : rc.elems)
    for (int p : d.nodes) used[p] = 1;
  // Supports: dofs 1 (unused by every element) to 4.
  std::vector<int> fixed23(np + 1, 0);
  for (int p = 1; p <= np; p++) {
    if (u(g) >= 0.2) continue;
    std::string f = "000000";
    for (int d = 0; d < 4; d++) f[d] = u(g) < 0.5 ? '1' : '0';
    rc.supports.push_back({p, f});
    fixed23[p] = f[1] == '1' || f[2] == '1';
  }
  rc.R = {RandomRotation(g), RandomRotation(g)};
  rc.cs.assign(np + 1, 0);
  for (int p = 1; p <= np; p++)
    if (u(g) < 0.25) rc.cs[p] = 1 + (u(g) < 0.5);
  // Links of dofs 2 and 3 between used, unsupported points of one coordinate system.
  std::vector<int> role(np + 1, 0);  // 1 master, 2 slave
  for (int tries = 0; tries < 50 && rc.links.size() < 2; tries++) {
    const int m = 1 + static_cast<int>(u(g) * np) % np, s = 1 + static_cast<int>(u(g) * np) % np;
    if (m == s || !used[m] || !used[s] || fixed23[m] || fixed23[s] || role[m] == 2 || role[s] != 0) continue;
    if (rc.cs[m] != rc.cs[s]) continue;
    role[m] = 1;
    role[s] = 2;
    rc.links.push_back({m, s});
  }
  return rc;
}

// The data file of the case with the elements in the given order: new element k is
// rc.elems[order[k - 1]].
tw::Model CaseModel(const RandomCase& rc, const std::vector<int>& order) {
  tw::Model m = BaseModel();
  for (const auto& p : rc.pts) tw::AddPoint(m, p[0], p[1], p[2]);
  for (size_t k = 0; k < order.size(); k++) {
    const ElemDef& d = rc.elems[order[k]];
    tw::AddElement(m, d.nodes);
    AddProperty(m, static_cast<int>(k + 1), static_cast<int>(k + 1), d.type);
  }
  for (const auto& [p, f] : rc.supports) tw::AddRecord(m, "<SUPPORTS>", tw::Support(p, f));
  for (const auto& R : rc.R) {
    const int base = static_cast<int>(m.blocks["<AUXILIARY_VECTORS>"].size());
    for (int k = 0; k < 3; k++) tw::AddRecord(m, "<AUXILIARY_VECTORS>", AuxVector(R[3 * k], R[3 * k + 1], R[3 * k + 2]));
    tw::AddRecord(m, "<COORDINATE_SYSTEMS>", CoordSystem(base + 1, base + 2, base + 3));
  }
  for (size_t p = 1; p < rc.cs.size(); p++)
    if (rc.cs[p] != 0)
      tw::AddRecord(m, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", SpecialCsPoint(static_cast<int>(p), rc.cs[p]));
  for (const auto& [ms, sl] : rc.links) tw::AddRecord(m, "<INTERNAL_POINT_LINKS>", tw::PointLink(ms, sl, "011000"));
  return m;
}

// Brute force: rotate each element matrix, scatter it whole into dense KFF, KPF and
// KPP, put 1e6 on the slave diagonals, then keep what the row lists keep.
struct DenseSet {
  Dense FF, PF, PP;
  DenseSet(int nF, int nP) : FF(nF, nF), PF(nP, nF), PP(nP, nP) {}
};

DenseSet BruteForce(const RandomCase& rc, const Built& b) {
  const MainWorkArrays& w = b.w;
  DenseSet D(w.nF, w.nP);
  std::vector<int> map(w.nF + 1);
  std::iota(map.begin(), map.end(), 0);
  for (const auto& [ms, sl] : rc.links)
    for (int d = 2; d <= 3; d++) map[w.PointDofNumbers[sl][d]] = w.PointDofNumbers[ms][d];
  for (const ElemDef& el : rc.elems) {
    const char* mask = GetElementTypeInfo(el.type).dofMask;
    std::vector<int> dofOf;
    for (int d = 1; d <= 6; d++)
      if (mask[d] == '1') dofOf.push_back(d);
    const int nd = static_cast<int>(dofOf.size()), nn = static_cast<int>(el.nodes.size()), n = nd * nn;
    std::vector<double> T(n * n, 0.0);  // block diagonal, rotation restricted to the mask
    for (int i = 0; i < nn; i++) {
      const int c = rc.cs[el.nodes[i]];
      for (int a = 0; a < nd; a++)
        for (int bb = 0; bb < nd; bb++) {
          double t = a == bb ? 1.0 : 0.0;
          const int da = dofOf[a] - 1, db = dofOf[bb] - 1;
          if (c != 0) t = (da < 3) == (db < 3) ? rc.R[c - 1][3 * (da % 3) + db % 3] : 0.0;
          T[(i * nd + a) * n + i * nd + bb] = t;
        }
    }
    std::vector<double> K(n * n, 0.0);  // T Ke T^T
    for (int r = 0; r < n; r++)
      for (int c = 0; c < n; c++) {
        double s = 0.0;
        for (int k = 0; k < n; k++)
          for (int l = 0; l < n; l++) s += T[r * n + k] * el.K[k * n + l] * T[c * n + l];
        K[r * n + c] = s;
      }
    for (int r = 0; r < n; r++) {
      const int p = el.nodes[r / nd], d = dofOf[r % nd];
      const char cr = w.PointDofCodes[p][d];
      const int I = cr == 'F' ? map[w.PointDofNumbers[p][d]] : w.PointDofNumbers[p][d];
      for (int c = 0; c < n; c++) {
        const int q = el.nodes[c / nd], d2 = dofOf[c % nd];
        const char cc = w.PointDofCodes[q][d2];
        const int J = cc == 'F' ? map[w.PointDofNumbers[q][d2]] : w.PointDofNumbers[q][d2];
        if (cr == 'F' && cc == 'F') D.FF(I, J) += K[r * n + c];
        if (cr == 'P' && cc == 'F') D.PF(I, J) += K[r * n + c];
        if (cr == 'P' && cc == 'P') D.PP(I, J) += K[r * n + c];
      }
    }
  }
  for (int i = 1; i <= w.nF; i++)
    if (map[i] != i) D.FF(i, i) = 1e6;
  return D;
}

// Row lists against the dense matrix: ascending columns, nothing below the diagonal for
// the symmetric ones, exactly the terms above 1e-8, values to 1e-12 relative.
void ExpectRowsMatch(const SparseRowMatrix& S, const Dense& D, bool upper, const char* name) {
  ASSERT_EQ(S.n, D.n) << name;
  for (int i = 1; i <= D.n; i++) {
    std::vector<double> row(D.m + 1, 0.0);
    for (int k = 1; k <= S.count[i]; k++) {
      const int j = S.cols[i][k];
      ASSERT_TRUE(j >= 1 && j <= D.m) << name;
      if (k > 1) {
        EXPECT_GT(j, S.cols[i][k - 1]) << name << " row " << i;
      }
      if (upper) {
        EXPECT_GE(j, i) << name << " row " << i;
      }
      EXPECT_GT(std::fabs(S.vals[i][k]), 1e-8) << name;
      row[j] = S.vals[i][k];
    }
    for (int j = upper ? i : 1; j <= D.m; j++) {
      const double ref = std::fabs(D(i, j)) > 1e-8 ? D(i, j) : 0.0;
      EXPECT_NEAR(row[j], ref, 1e-12 * std::max(1.0, std::fabs(ref))) << name << "(" << i << "," << j << ")";
    }
  }
}

}  // namespace

TEST(GlobalAssembly, RandomPlaneMeshesEqualDenseAssembly) {
  for (unsigned seed = 1; seed <= 6; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const RandomCase rc = MakeRandomCase(seed);
    std::vector<int> order(rc.elems.size());
    std::iota(order.begin(), order.end(), 0);
    for (int pass = 0; pass < 2; pass++) {
      if (pass == 1) std::shuffle(order.begin(), order.end(), std::mt19937(seed + 100));
      Built b(CaseModel(rc, order), 1, "_" + std::to_string(pass));
      Assembled A;
      AssembleWith(b, [&](int e, int) { return rc.elems[order[e - 1]].K; }, &A);
      const DenseSet D = BruteForce(rc, b);
      ExpectRowsMatch(A.KFF, D.FF, true, "KFF");
      ExpectRowsMatch(A.KPF, D.PF, false, "KPF");
      ExpectRowsMatch(A.KPP, D.PP, true, "KPP");
      EXPECT_EQ(A.nKFF, std::accumulate(A.KFF.count + 1, A.KFF.count + A.KFF.n + 1, int64_t{0}));
      EXPECT_EQ(A.nKPP, std::accumulate(A.KPP.count + 1, A.KPP.count + A.KPP.n + 1, int64_t{0}));
    }
  }
}

namespace {

// Three bars in a row along x2 (points 1-2-3-4) and a diagonal bar 2-5; point 1 fixed.
tw::Model BarModel() {
  tw::Model m = BaseModel();
  tw::AddPoint(m, 0, 0, 0);
  tw::AddPoint(m, 0, 1, 0);
  tw::AddPoint(m, 0, 2, 0);
  tw::AddPoint(m, 0, 3, 0);
  tw::AddPoint(m, 0, 2, 1);
  tw::AddElement(m, {1, 2});
  tw::AddElement(m, {2, 3});
  tw::AddElement(m, {3, 4});
  tw::AddElement(m, {2, 5});
  AddProperty(m, 1, 4, 1);
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(1, "011000"));
  return m;
}

std::vector<double> BarMatrix(const Built& b, int e, double EA) {
  const double* x1 = b.mesh.PointCoord[b.mesh.ElemNodes[e][1]];
  const double* x2 = b.mesh.PointCoord[b.mesh.ElemNodes[e][2]];
  return Truss2D(EA, x1[2], x1[3], x2[2], x2[3]);
}

}  // namespace

TEST(GlobalAssembly, SlaveRowHoldsOnlyTheLoneDiagonal) {
  // Point 4 is the slave of point 5 in both translations: its bar acts on point 5.
  tw::Model m = BarModel();
  tw::AddRecord(m, "<INTERNAL_POINT_LINKS>", tw::PointLink(5, 4, "011000"));
  Built b(m);
  Assembled A;
  AssembleWith(b, [&](int e, int) { return BarMatrix(b, e, 10.0); }, &A);
  for (int d = 2; d <= 3; d++) {
    const int s = b.w.PointDofNumbers[4][d];
    ASSERT_EQ(A.KFF.count[s], 1);
    EXPECT_EQ(A.KFF.cols[s][1], s);
    EXPECT_EQ(A.KFF.vals[s][1], 1e6);
  }
  // Bar 3-4 (EA/L = 10 along x2) now joins points 3 and 5.
  const int u3 = b.w.PointDofNumbers[3][2], u5 = b.w.PointDofNumbers[5][2];
  EXPECT_DOUBLE_EQ(At(A.KFF, u3, u5), -10.0);
  EXPECT_DOUBLE_EQ(At(A.KFF, u3, u3), 20.0);
  EXPECT_DOUBLE_EQ(At(A.KFF, u5, u5), 10.0 + 10.0 / std::sqrt(2.0) * 0.5);  // plus bar 2-5 at 45 degrees
}

// The drop rule in shares of the matrix's own terms, the same at any scale of the matrix:
// a coupling below 1e-14 sqrt(K_ii K_jj) is dropped and one above it kept; a diagonal below
// 1e-14 of the largest translation diagonal at its point is dropped (the row then holds
// nothing) and one above it kept. The old absolute rule (1e-8) kept or dropped all of them
// by the units alone.
TEST(GlobalAssembly, DropRuleInSharesOfTheDiagonals) {
  Built b(BarModel());
  const int u2 = b.w.PointDofNumbers[2][2], v2 = b.w.PointDofNumbers[2][3];
  const int u3 = b.w.PointDofNumbers[3][2], v3 = b.w.PointDofNumbers[3][3];
  const int u5 = b.w.PointDofNumbers[5][2], v5 = b.w.PointDofNumbers[5][3];
  ASSERT_LT(u2, v3);
  ASSERT_LT(v2, u3);
  const auto bars = [&](int e) {
    std::vector<double> K = BarMatrix(b, e, 1.0);
    for (int i = 0; i < 4; i++) K[i * 4 + i] += 1.0;
    return K;
  };
  // Element 4 as two springs at point 5 (2 along x3, share times 2 along x2) and unit
  // springs at point 2.
  const auto Spring5 = [](double share) {
    std::vector<double> K(16, 0.0);
    K[0 * 4 + 0] = K[1 * 4 + 1] = 1.0;
    K[2 * 4 + 2] = share * 2.0;
    K[3 * 4 + 3] = 2.0;
    return K;
  };
  Assembled plain;
  AssembleWith(b, [&](int e, int) { return e == 4 ? Spring5(1.0) : bars(e); }, &plain);
  const double d25 = std::sqrt(At(plain.KFF, u2, u2) * At(plain.KFF, v3, v3));
  const double d33 = std::sqrt(At(plain.KFF, v2, v2) * At(plain.KFF, u3, u3));
  for (double scale : {1e-12, 1.0, 1e12}) {
    SCOPED_TRACE(scale);
    Assembled A;
    AssembleWith(b, [&](int e, int) {
      std::vector<double> K = bars(e);
      if (e == 2) {  // bar 2-3
        K[0 * 4 + 3] = K[3 * 4 + 0] = 0.99e-14 * d25;  // u2 with v3: dropped
        K[1 * 4 + 2] = K[2 * 4 + 1] = 1.01e-14 * d33;  // v2 with u3: kept
      }
      if (e == 4) K = Spring5(0.99e-14);
      for (double& v : K) v *= scale;
      return K;
    }, &A);
    EXPECT_EQ(At(A.KFF, u2, v3), 0.0);
    EXPECT_EQ(At(A.KFF, v2, u3), 1.01e-14 * d33 * scale);
    EXPECT_EQ(A.KFF.count[u5], 0) << A.KFF.cols[u5][1] << " " << A.KFF.vals[u5][1] << " u5 " << u5 << " v5 " << v5 << " " << b.Codes(5);
    EXPECT_EQ(At(A.KFF, v5, v5), 2.0 * scale);
    EXPECT_EQ(A.KFF.cols[u2][1], u2);
    Assembled B;
    AssembleWith(b, [&](int e, int) {
      std::vector<double> K = bars(e);
      if (e == 4) K = Spring5(1.01e-14);
      for (double& v : K) v *= scale;
      return K;
    }, &B);
    EXPECT_EQ(At(B.KFF, u5, u5), 1.01e-14 * 2.0 * scale);
  }
}

TEST(GlobalAssemblyDeath, NullRowAndDiagonalChecks) {
  // A straight line of bars along x2: nothing holds the x3 translations.
  tw::Model m = BarModel();
  m.elements.pop_back();
  m.blocks["<ELEMENT_PROPERTIES>"][0] = tw::ElementProperty(1, 3, 1, 1, 1, 2, 1);
  Built b(m);
  {
    Assembled A;
    AssembleWith(b, [&](int e, int) { return BarMatrix(b, e, 5.0); }, &A);
    EXPECT_EXIT(CheckGlobalStiffMatRows(&A.KFF), testing::ExitedWithCode(1),
                Whole("\nERROR:\nNull row in the global stiffness matrix (KFF)\n\n"));
  }
  {
    Assembled A;
    AssembleWith(b, [&](int e, int) {
      std::vector<double> K = BarMatrix(b, e, 5.0);
      for (int i = 0; i < 4; i++) K[i * 4 + i] -= 1.0;  // x3 diagonals become -1
      return K;
    }, &A);
    EXPECT_EXIT(CheckGlobalStiffMatRows(&A.KFF), testing::ExitedWithCode(1),
                Whole("\nERROR:\nNegative or null diagonal term in the global stiffness matrix (KFF)\n\n"));
  }
  {
    // The x3 rows couple to the neighbours but hold no diagonal.
    Assembled A;
    AssembleWith(b, [&](int e, int) {
      std::vector<double> K = BarMatrix(b, e, 5.0);
      K[1 * 4 + 3] = K[3 * 4 + 1] = 0.5;
      return K;
    }, &A);
    EXPECT_EXIT(CheckGlobalStiffMatRows(&A.KFF), testing::ExitedWithCode(1),
                Whole("\nERROR:\nNull diagonal term in the global stiffness matrix (KFF)\n\n"));
  }
}

TEST(GlobalAssemblyDeath, NonFiniteElementTermNamesTheElement) {
  Built b(BarModel());
  Assembled A;
  EXPECT_EXIT(AssembleWith(b, [&](int e, int) {
    std::vector<double> K = BarMatrix(b, e, 1.0);
    if (e == 3) K[5] = std::nan("");
    return K;
  }, &A),
              testing::ExitedWithCode(1),
              Whole("\nCalculating the stiffness matrix of element n. 3\n   -> Row: 2, column: 2\n\nERROR:\nThe "
                    "element stiffness matrix holds a term that is not a finite number.\nData file must be checked "
                    "(element geometry, materials and sections).\n\n"));
}

TEST(GlobalAssemblyDeath, LinkFaults) {
  tw::Model m = BarModel();
  tw::AddRecord(m, "<INTERNAL_POINT_LINKS>", tw::PointLink(1, 4, "010000"));  // point 1 is supported
  // Refused at set-up, before any load or matrix uses the link.
  EXPECT_EXIT(Built b(m), testing::ExitedWithCode(1),
              Whole("\nCalculating the Master/Slave tables:\n   -> Block name: <INTERNAL_POINT_LINKS>\n"
                    "   -> Internal point link counter: 1\n   -> Point M (Master): 1\n   -> Degree of freedom: _D2\n"
                    "\nERROR:\nThe degrees of freedom involved in internal point links\nmust have stiffness "
                    "contribution from at least one element and\nmust be nonprescribed.\n\n"));
  tw::Model c = BarModel();
  tw::AddRecord(c, "<AUXILIARY_VECTORS>", AuxVector(1, 0, 0));
  tw::AddRecord(c, "<AUXILIARY_VECTORS>", AuxVector(0, 1, 0));
  tw::AddRecord(c, "<AUXILIARY_VECTORS>", AuxVector(0, 0, 1));
  tw::AddRecord(c, "<COORDINATE_SYSTEMS>", CoordSystem(1, 2, 3));
  tw::AddRecord(c, "<POINTS_WITH_SPECIAL_COORDINATE_SYSTEM>", SpecialCsPoint(4, 1));
  tw::AddRecord(c, "<INTERNAL_POINT_LINKS>", tw::PointLink(5, 4, "011000"));
  Built bc(c, 1, "_cs");
  Assembled Ac;
  EXPECT_EXIT(AssembleWith(bc, [&](int e, int) { return BarMatrix(bc, e, 1.0); }, &Ac), testing::ExitedWithCode(1),
              Whole("\nVerifying the <INTERNAL_POINT_LINKS> block\n   -> Internal point link counter: 1\n"
                    "   -> Point M (Master): 5\n   -> Point S (Slave): 4\n\nERROR:\nThe master and slave points "
                    "cannot have\ndistinct special coordinate systems.\n\n"));
}

TEST(GlobalAssembly, CoplanarDrillRowsHoldOnlyTheLoneDiagonal) {
  // Two nearly coplanar Mindlin shells: every point is coplanar; a test shell
  // matrix, positive definite in all but the drill dofs, which it leaves empty.
  tw::Model m = BaseModel();
  const double h = std::tan(0.5 * M_PI / 180.0);
  tw::AddPoint(m, 0, 0, 0);
  tw::AddPoint(m, 1, 0, 0);
  tw::AddPoint(m, 1, 1, 0);
  tw::AddPoint(m, 0, 1, 0);
  tw::AddPoint(m, 2, 0, h);
  tw::AddPoint(m, 2, 1, h);
  tw::AddElement(m, {1, 2, 3, 4});
  tw::AddElement(m, {2, 5, 6, 3});
  AddProperty(m, 1, 2, 20);
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(1, "111111"));  // a prescribed drill dof stays alone
  Built b(m);
  ASSERT_EQ(b.w.nDrillPoints, 6);
  Assembled A;
  AssembleWith(b, [&](int e, int n) {
    const Dense R = RandomSPD(n, n, 7u + e);
    std::vector<double> K(n * n);
    for (int r = 1; r <= n; r++)
      for (int c = 1; c <= n; c++) K[(r - 1) * n + c - 1] = (r % 6 == 0 || c % 6 == 0) ? 0.0 : R(r, c);
    return K;
  }, &A);
  for (int p = 2; p <= 6; p++) {
    const int i = b.w.PointDofNumbers[p][6];
    ASSERT_EQ(A.KFF.count[i], 1) << p;
    EXPECT_EQ(A.KFF.cols[i][1], i);
    EXPECT_EQ(A.KFF.vals[i][1], 1e6);
  }
  EXPECT_EQ(A.KPP.count[b.w.PointDofNumbers[1][6]], 0);
  CheckGlobalStiffMatRows(&A.KFF);
}

TEST(GlobalAssembly, ProgramFlowPrintsTermCounts) {
  Built b(BarModel());
  Assembled A;
  testing::internal::CaptureStdout();
  AssembleWith(b, [&](int e, int) { return BarMatrix(b, e, 1.0); }, &A, Flags({OC_PRINT_PROGRAM_FLOW_INFO}));
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("\nCalculating the n. of nonzero terms of the stiffness matrix\n"), std::string::npos);
  EXPECT_NE(out.find("Before compression:\n   N. of nonzero terms in KFF = "), std::string::npos);
  char line[80];
  std::snprintf(line, sizeof line, "After compression:\n   N. of nonzero terms in KFF = %10lld\n",
                static_cast<long long>(A.nKFF));
  EXPECT_NE(out.find(line), std::string::npos) << out;
}

// ---- element dispatch and behaviour codes ---------------------------------------------------

TEST(ElementDispatch, BehaviourCodes) {
  MainParameters main{};
  ElementProperty props[2]{};
  struct Case {
    int code;
    char linear, geometric;
  };
  const Case cases[] = {{1, 'L', 'G'}, {6, 'L', 'G'}, {49, 'L', 'G'}, {7, 'M', 'N'}, {30, 'M', 'N'},
                        {32, 'M', 'N'}, {43, 'M', 'N'}, {45, 'M', 'N'}, {47, 'M', 'N'}, {48, 'M', 'N'}};
  for (const Case& c : cases) {
    props[1].MaterialKind = c.code;
    main.GeomNonlinear = 0;
    EXPECT_EQ(CalcBehaviorType(1, &main, props), c.linear) << c.code;
    main.GeomNonlinear = 1;
    EXPECT_EQ(CalcBehaviorType(1, &main, props), c.geometric) << c.code;
  }
  for (int code : {31, 44, 46, 0}) {
    props[1].MaterialKind = code;
    EXPECT_EXIT(CalcBehaviorType(1, &main, props), testing::ExitedWithCode(1), "INTERNAL ERROR") << code;
  }
}

TEST(ElementDispatch, TypesWithoutRoutinesStopAndCablesAreEmpty) {
  tw::Model m = BaseModel();
  tw::AddPoint(m, 0, 0, 0);
  tw::AddPoint(m, 0, 1, 0);
  tw::AddPoint(m, 0, 1, 1);
  tw::AddElement(m, {1, 2, 3});
  AddProperty(m, 1, 1, 12);  // plane strain triangle: no element routine
  tw::AddElement(m, {1, 2});
  AddProperty(m, 2, 2, 1);
  LoadedMesh lm(m);
  MeshData& mesh = lm.mesh;
  const std::string flags = Flags();
  double** K;
  int prop[3] = {0, 1, 2};
  EXPECT_EXIT(Calc_Kg(1, 3, 1, flags.c_str(), &mesh, prop, &K, nullptr, nullptr), testing::ExitedWithCode(1),
              "INTERNAL ERROR");
  // Embedded cables have no matrix of their own.
  mesh.ElemProps[2].ElementType = 31;
  Calc_Kg(2, 2, 2, flags.c_str(), &mesh, prop, &K, nullptr, nullptr);
  EXPECT_EQ(ElemMatSize(31, 2), 0);
  freed2(K);
}

// The whole linear assembly through the element routines. The collinear bars 2-3 and 3-4
// give points 3 and 4 no transverse stiffness: those dofs are supported.
TEST(GlobalAssembly, LinearAssemblyThroughTheTrussRoutine) {
  tw::Model m = BarModel();
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(3, "001000"));
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(4, "001000"));
  Built b(m);
  Assembled A;
  IterSummaryRecord s{-1, -1, -1, -1, -1.0, -1.0};
  const std::string flags = Flags();
  AssembGlobalStiffMat(&A.nKFF, &A.nKPF, &A.nKPP, TestJobName().c_str(), flags.c_str(), &s, &b.mesh, &A.KFF, &A.KPF,
                       &A.KPP, &b.w);
  Assembled R;
  AssembleWith(b, [&](int e, int) { return BarMatrix(b, e, 200.0); }, &R);
  for (int i = 1; i <= b.w.nF; i++)
    for (int j = i; j <= b.w.nF; j++) EXPECT_NEAR(At(A.KFF, i, j), At(R.KFF, i, j), 1e-12 * 200.0);
  EXPECT_EQ(s.nTermsKFF, A.nKFF);
  EXPECT_GE(s.assemblySeconds, 0.0);
}

// A binary string of a result file (int32 length, characters, terminating zero).
namespace {

std::string ReadString(FILE* fp) {
  int32_t n;
  EXPECT_EQ(std::fread(&n, 4, 1, fp), 1u);
  std::string s(static_cast<size_t>(n) + 1, '?');
  EXPECT_EQ(std::fread(s.data(), 1, s.size(), fp), s.size());
  EXPECT_EQ(s.back(), '\0');
  s.pop_back();
  return s;
}

}  // namespace

TEST(GlobalAssembly, ModelWithoutActiveElementsAndTheSummary) {
  // Only supported points: no free equation, nothing to assemble, no row to check.
  tw::Model m = BaseModel();
  tw::AddPoint(m, 0, 0, 0);
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(1, "110000"));
  m.main.stiffMatEigenValues = 1;
  Built b(m);
  Assembled A;
  IterSummaryRecord s{-1, -1, -1, -1, -1.0, -1.0};
  const std::string flags = Flags();
  const std::string job = TestJobName();
  testing::internal::CaptureStdout();
  AssembGlobalStiffMat(&A.nKFF, &A.nKPF, &A.nKPP, job.c_str(), flags.c_str(), &s, &b.mesh, &A.KFF, &A.KPF, &A.KPP,
                       &b.w);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(A.KFF.n, 0);
  EXPECT_EQ(A.KPP.n, 2);
  EXPECT_EQ(s.nTermsKFF, 0);
  EXPECT_EQ(s.nTermsKPP, 0);
  EXPECT_EQ(s.nTermsNCSB, -1);  // the driver's field
  EXPECT_GE(s.assemblySeconds, 0.0);
  EXPECT_EQ(s.factorSeconds, -1.0);
  // The eigenvalue file of an empty KFF holds the two tags and m = 0.
  FILE* fp = std::fopen((job + "_KFF_ev.bin").c_str(), "rb");
  ASSERT_NE(fp, nullptr);
  EXPECT_EQ(ReadString(fp), "<KFF_EIGEN_VALUES_VECTORS>");
  int32_t m0 = -1;
  ASSERT_EQ(std::fread(&m0, 4, 1, fp), 1u);
  EXPECT_EQ(m0, 0);
  EXPECT_EQ(ReadString(fp), "</KFF_EIGEN_VALUES_VECTORS>");
  EXPECT_EQ(std::fgetc(fp), EOF);
  std::fclose(fp);
  // Analysis types other than the mechanical ones cannot use this assembly.
  b.mesh.Main.AnalysisType = 5;
  b.mesh.Main.StiffMatEigenValues = 0;
  Assembled B;
  EXPECT_EXIT(
      {
        std::freopen("/dev/null", "w", stdout);
        AssembGlobalStiffMat(&B.nKFF, &B.nKPF, &B.nKPP, job.c_str(), flags.c_str(), &s, &b.mesh, &B.KFF, &B.KPF,
                             &B.KPP, &b.w);
      },
      testing::ExitedWithCode(1), "INTERNAL ERROR");
}

// ---- eigenvalues of KFF -------------------------------------------------------------------

TEST(KffEigen, TwoByTwoFile) {
  SparseRowMatrix K = MakeRowsFromLists({{{1, 2.0}, {2, -1.0}}, {{2, 2.0}}});
  MeshData mesh{};
  mesh.Main.EigenValueTechnique = 1;
  const std::string job = TestJobName();
  testing::internal::CaptureStdout();
  CalcEigenValue_KFF(2, job.c_str(), &mesh, K.count, K.cols, K.vals);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "\nCalculating the eigen values and eigen vectors of the matrix KFF\n\nWriting file: " + job +
                     "_KFF_ev.bin\n");
  FILE* fp = std::fopen((job + "_KFF_ev.bin").c_str(), "rb");
  ASSERT_NE(fp, nullptr);
  EXPECT_EQ(ReadString(fp), "<KFF_EIGEN_VALUES_VECTORS>");
  int32_t m;
  ASSERT_EQ(std::fread(&m, 4, 1, fp), 1u);
  ASSERT_EQ(m, 2);
  double lambda[2], V[2][2];
  ASSERT_EQ(std::fread(lambda, 8, 2, fp), 2u);
  ASSERT_EQ(std::fread(V, 8, 4, fp), 4u);
  EXPECT_EQ(ReadString(fp), "</KFF_EIGEN_VALUES_VECTORS>");
  EXPECT_EQ(std::fgetc(fp), EOF);
  std::fclose(fp);
  EXPECT_NEAR(lambda[0], 1.0, 1e-14);
  EXPECT_NEAR(lambda[1], 3.0, 1e-14);
  // Column k of V (written row after row) is the unit eigenvector of lambda[k].
  const double A[2][2] = {{2, -1}, {-1, 2}};
  for (int k = 0; k < 2; k++) {
    EXPECT_NEAR(V[0][k] * V[0][k] + V[1][k] * V[1][k], 1.0, 1e-14);
    for (int i = 0; i < 2; i++)
      EXPECT_NEAR(A[i][0] * V[0][k] + A[i][1] * V[1][k], lambda[k] * V[i][k], 1e-14);
  }
  FreeRows(&K);
}

TEST(KffEigen, OnlyTheJacobiTechnique) {
  SparseRowMatrix K = MakeRowsFromLists({{{1, 2.0}}});
  MeshData mesh{};
  mesh.Main.EigenValueTechnique = 2;
  const std::string job = TestJobName();
  EXPECT_EXIT(CalcEigenValue_KFF(1, job.c_str(), &mesh, K.count, K.cols, K.vals), testing::ExitedWithCode(1),
              "INTERNAL ERROR");
  EXPECT_EQ(std::fopen((job + "_KFF_ev.bin").c_str(), "rb"), nullptr);
  FreeRows(&K);
}
