// Contact cases of the linear dynamic analysis: the partitioned solve against a dense
// solve of the whole tied system, its reduction to the plain profile solve, the
// interaction arrays of point-to-point and point-to-element ties, and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "assembly/solvers.h"
#include "assembly/sparse_fixture.h"
#include "dyn_fixture.h"
#include "dynamics/contact.h"
#include "model/loadcase.h"

namespace {

// Dense of the test fixture from a 0-based row-major n x n matrix.
Dense ToDense(const std::vector<double>& K, int n) {
  Dense D(n, n);
  D.a = K;
  return D;
}

// SPD chain of order n: tridiagonal with a few longer couplings, diagonally dominant.
std::vector<double> Chain(int n) {
  std::vector<double> K(static_cast<size_t>(n) * n, 0.0);
  auto set = [&](int i, int j, double v) { K[i * n + j] = K[j * n + i] = v; };
  for (int i = 0; i + 1 < n; i++) set(i, i + 1, -1.0 - 0.1 * i);
  if (n > 3) set(0, 3, 0.3);
  if (n > 6) set(2, 6, -0.2);
  for (int i = 0; i < n; i++) {
    double s = 0.0;
    for (int j = 0; j < n; j++)
      if (j != i) s += std::fabs(K[i * n + j]);
    K[i * n + i] = s + 0.5 + 0.1 * i;
  }
  return K;
}

// Classes by hand: X = the listed free equations, in ascending order.
ContactDofs HandDofs(int nF, const std::vector<int>& X) {
  ContactDofs cd{};
  cd.nF = nF;
  cd.nX = static_cast<int>(X.size());
  cd.nI = nF - cd.nX;
  allocc1(&cd.FreeDofClass, nF);
  alloci1(&cd.IndexMap, nF);
  alloci1(&cd.IList, cd.nI);
  alloci1(&cd.XList, cd.nX);
  int i = 0, x = 0;
  for (int e = 1; e <= nF; e++) {
    const bool isX = std::find(X.begin(), X.end(), e) != X.end();
    cd.FreeDofClass[e] = isX ? 'X' : 'I';
    if (isX) {
      cd.XList[++x] = e;
      cd.IndexMap[e] = x;
    } else {
      cd.IList[++i] = e;
      cd.IndexMap[e] = i;
    }
  }
  return cd;
}

// A partitioned and factorised matrix of EFF.
void Partition(const char* oc, const ContactDofs& cd, const std::vector<double>& K, PartitionedContactMatrix* pm) {
  SparseRowMatrix EFF = MakeRows(ToDense(K, cd.nF), true);
  Calc_KII_KIX_KXX(oc, &cd, &EFF, pm);
  double sec;
  FactorNCSB(cd.nI, &sec, oc, pm->last, pm->KII);
  FreeRows(&EFF);
}

// The tie arrays of the chain: X1 = equation 3 tied to I equation 5 with gap 0.01, X2 =
// equation 6 tied to prescribed equation 2 (of 2), ALPHA = -0.1, through a mesh-free
// stand-in of CalcContactArray.
struct ChainTies {
  ContactArrays ca{};
  explicit ChainTies(const ContactDofs& cd, bool active, const double* uP) {
    const int nI = cd.nI, nX = cd.nX, nP = 2;
    ca.nI = nI;
    ca.nX = nX;
    ca.nP = nP;
    allocd2(&ca.GI, nI, nX);
    allocd2(&ca.GP, nP, nX);
    allocd1(&ca.g, nX);
    allocd2(&ca.A, nI, nX);
    allocd2(&ca.B, nX, nX);
    allocd1(&ca.h, nX);
    allocd2(&ca.D, nX, nX);
    allocc1(&ca.active, nX);
    zerod2(ca.GI, nI, nX);
    zerod2(ca.GP, nP, nX);
    zerod1(ca.g, nX);
    zerod2(ca.B, nX, nX);
    zerod2(ca.D, nX, nX);
    const double f = 0.9;
    if (active) {
      ca.GI[cd.IndexMap[5]][1] = 1.0;
      ca.g[1] = 0.01;
      ca.GP[2][2] = 1.0;
      ca.g[2] = -0.004;
    }
    for (int j = 1; j <= nX; j++) {
      ca.active[j] = active ? 1 : 0;
      ca.D[j][j] = -f;
      double s = ca.g[j];
      for (int p = 1; p <= nP; p++) s += ca.GP[p][j] * uP[p];
      ca.h[j] = -f * s;
    }
    for (int i = 1; i <= nI; i++)
      for (int j = 1; j <= nX; j++) ca.A[i][j] = f * ca.GI[i][j];
    ca.version = active ? 1 : 2;
  }
  ~ChainTies() { FreeDynArrays(nullptr, &ca, nullptr); }
};

}  // namespace

TEST(PartitionedContact, EqualsTheDenseTiedSystemAndHoldsTheTies) {
  const int n = 8;
  const std::vector<double> K = Chain(n);
  std::vector<double> F(n + 1);
  for (int i = 1; i <= n; i++) F[i] = std::sin(1.0 + i);
  const double uP[3] = {0.0, 0.03, -0.02};
  Flags oc;
  ContactDofs cd = HandDofs(n, {3, 6});
  PartitionedContactMatrix pm{};
  Partition(oc, cd, K, &pm);
  ChainTies ties(cd, true, uP);
  const ContactArrays& ca = ties.ca;
  std::vector<double> uF(n + 1, 0.0), lambda(3, 0.0);
  double timer = 0.0;
  SolvePartitionedContact(1, &cd, &ca, &pm, F.data(), uF.data(), lambda.data(), &timer);
  EXPECT_GE(timer, 0.0);
  // The whole system in the data file's numbering: [K W; W^T 0] with W from A and D.
  const int N = n + 2;
  std::vector<double> S(static_cast<size_t>(N) * N, 0.0), rhs(N, 0.0);
  for (int i = 0; i < n; i++)
    for (int j = 0; j < n; j++) S[i * N + j] = K[i * n + j];
  for (int j = 1; j <= 2; j++) {
    for (int i = 1; i <= cd.nI; i++) {
      S[(cd.IList[i] - 1) * N + n + j - 1] = ca.A[i][j];
      S[(n + j - 1) * N + cd.IList[i] - 1] = ca.A[i][j];
    }
    S[(cd.XList[j] - 1) * N + n + j - 1] = ca.D[j][j];
    S[(n + j - 1) * N + cd.XList[j] - 1] = ca.D[j][j];
    rhs[n + j - 1] = ca.h[j];
  }
  for (int i = 0; i < n; i++) rhs[i] = F[i + 1];
  const std::vector<double> x = DenseSolve(ToDense(S, N), rhs);
  for (int i = 1; i <= n; i++) EXPECT_NEAR(uF[i], x[i - 1], 1e-12) << i;
  for (int j = 1; j <= 2; j++) EXPECT_NEAR(lambda[j], x[n + j - 1], 1e-12) << j;
  // u_X = G_I^T u_I + G_P^T u_P + g.
  EXPECT_NEAR(uF[3], uF[5] + 0.01, 1e-13);
  EXPECT_NEAR(uF[6], uP[2] - 0.004, 1e-13);

  // The next step has no active case: the ties let go, as if they were not there (the
  // kept reduction is rebuilt for the new ties).
  ChainTies loose(cd, false, uP);
  SolvePartitionedContact(2, &cd, &loose.ca, &pm, F.data(), uF.data(), lambda.data(), &timer);
  const std::vector<double> free = DenseSolve(ToDense(K, n), std::vector<double>(F.begin() + 1, F.end()));
  for (int i = 1; i <= n; i++) EXPECT_NEAR(uF[i], free[i - 1], 1e-12) << i;
  EXPECT_EQ(lambda[1], 0.0);
  EXPECT_EQ(lambda[2], 0.0);
  FreeDynArrays(&cd, nullptr, &pm);
}

TEST(PartitionedContact, WithoutContactingDofsItIsTheProfileSolveBitForBit) {
  const int n = 8;
  const std::vector<double> K = Chain(n);
  std::vector<double> F(n + 1), ref(n + 1);
  for (int i = 1; i <= n; i++) ref[i] = F[i] = std::cos(0.3 * i);
  Flags oc;
  ContactDofs cd = HandDofs(n, {});
  PartitionedContactMatrix pm{};
  Partition(oc, cd, K, &pm);
  ContactArrays ca{};
  std::vector<double> uF(n + 1, 0.0), lambda(1, 0.0);
  double timer = 0.0;
  SolvePartitionedContact(1, &cd, &ca, &pm, F.data(), uF.data(), lambda.data(), &timer);
  SparseRowMatrix KFF = MakeRows(ToDense(K, n), true);
  int* last;
  double** A;
  int64_t terms;
  double sec;
  alloci1(&last, n);
  Calc_NCSB_KFF(n, &terms, oc, last, &KFF, &A);
  FactorNCSB(n, &sec, oc, last, A);
  SolveNCSB(n, &sec, last, ref.data(), A);
  for (int i = 1; i <= n; i++) EXPECT_EQ(uF[i], ref[i]) << i;
  freeprofd2(A, n);
  freei1(last);
  FreeRows(&KFF);
  FreeDynArrays(&cd, &ca, &pm);
}

namespace {

// Unit cube hexahedron (points 1-8), its centre (point 9), a bar 10-11 along x1 with
// point 11 held in its translations.
tw::Model ContactModel() {
  tw::Model m = MassModel(1.0, 1.0, 1.0);
  const double x[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (const auto& p : x) tw::AddPoint(m, p[0], p[1], p[2]);
  tw::AddPoint(m, 0.5, 0.5, 0.5);
  tw::AddPoint(m, 2, 0.5, 0.5);
  tw::AddPoint(m, 3, 0.5, 0.5);
  tw::AddElement(m, {1, 2, 3, 4, 5, 6, 7, 8});
  tw::AddElement(m, {10, 11});
  AddProperty(m, 1, 1, _SOLID_HEXA);
  AddProperty(m, 2, 2, _TRUSS_3D);
  tw::AddRecord(m, "<SUPPORTS>", tw::Support(11, "111000"));
  return m;
}

tw::Rec PointToPoint(int M, int S, int dof, double gap) { return tw::Rec().I(M).I(S).I(dof).D(gap); }
tw::Rec PointToElement(int S, int e, int location, int dof, double gap) {
  return tw::Rec().I(S).I(e).I(location).I(dof).D(gap);
}

// Combinations by hand: each a list of contact-case numbers.
struct Combos {
  std::vector<CombinationData> c;
  std::vector<std::vector<int32_t>> lists;
  Combos(std::initializer_list<std::initializer_list<int32_t>> init) : lists(init.begin(), init.end()) {
    const std::vector<std::vector<int32_t>> cases(lists);
    c.resize(cases.size() + 1);
    for (size_t k = 0; k < cases.size(); k++) {
      lists[k].insert(lists[k].begin(), 0);  // 1-based
      c[k + 1] = CombinationData{};
      c[k + 1].nContactCases = static_cast<int32_t>(cases[k].size());
      c[k + 1].ContactCases = lists[k].data();
    }
  }
  int n() const { return static_cast<int>(c.size()) - 1; }
  const CombinationData* data() const { return c.data(); }
};

}  // namespace

TEST(ContactArrays, PointInsideAHexahedronAndPointToPointTies) {
  tw::Model m = ContactModel();
  tw::ContactCase cc;
  cc.pointToElement.push_back(PointToElement(10, 1, 9, 1, 0.01));  // x1 of 10 follows the centre
  cc.pointToPoint.push_back(PointToPoint(7, 10, 2, -0.02));         // x2 of 10 follows point 7
  cc.pointToPoint.push_back(PointToPoint(11, 10, 3, 0.005));        // x3 of 10 follows held point 11
  m.contactCases.push_back(cc);
  Built b(m);
  Combos combos({{1}, {}});  // the second combination ties nothing
  ContactDofs cd{};
  CalcContactAuxData(&b.mesh, &b.w, combos.n(), combos.data(), &cd);
  ASSERT_EQ(cd.nX, 3);
  EXPECT_EQ(cd.nI, b.w.nF - 3);
  for (int d = 1; d <= 3; d++) EXPECT_EQ(cd.FreeDofClass[b.w.PointDofNumbers[10][d]], 'X');
  std::vector<double> uP(b.w.nP + 1, 0.0);
  const int p3 = b.w.PointDofNumbers[11][3];
  uP[p3] = 0.25;
  Flags oc;
  ContactArrays ca{};
  CalcContactArray(&combos.data()[1], -0.1, oc, &b.mesh, &b.w, &cd, uP.data(), &ca);
  const int j1 = cd.IndexMap[b.w.PointDofNumbers[10][1]], j2 = cd.IndexMap[b.w.PointDofNumbers[10][2]],
            j3 = cd.IndexMap[b.w.PointDofNumbers[10][3]];
  for (int i = 1; i <= cd.nI; i++) {
    const int eq = cd.IList[i];
    double e1 = 0.0, e2 = 0.0;
    for (int p = 1; p <= 8; p++)
      if (eq == b.w.PointDofNumbers[p][1]) e1 = 0.125;
    if (eq == b.w.PointDofNumbers[7][2]) e2 = 1.0;
    EXPECT_NEAR(ca.GI[i][j1], e1, 1e-14) << eq;
    EXPECT_EQ(ca.GI[i][j2], e2) << eq;
    EXPECT_EQ(ca.GI[i][j3], 0.0) << eq;
    EXPECT_NEAR(ca.A[i][j1], 0.9 * e1, 1e-14);
  }
  EXPECT_EQ(ca.GP[p3][j3], 1.0);
  EXPECT_DOUBLE_EQ(ca.h[j1], -0.9 * 0.01);
  EXPECT_DOUBLE_EQ(ca.h[j2], -0.9 * -0.02);
  EXPECT_DOUBLE_EQ(ca.h[j3], -0.9 * (0.005 + 0.25));
  for (int j = 1; j <= 3; j++) {
    EXPECT_EQ(ca.active[j], 1);
    EXPECT_EQ(ca.D[j][j], -0.9);
  }
  const int64_t v = ca.version;
  // A combination without contact cases: the X dofs keep their class, every tie let go.
  CalcContactArray(&combos.data()[2], -0.1, oc, &b.mesh, &b.w, &cd, uP.data(), &ca);
  EXPECT_NE(ca.version, v);
  for (int j = 1; j <= 3; j++) {
    EXPECT_EQ(ca.active[j], 0);
    EXPECT_EQ(ca.g[j], 0.0);
    EXPECT_EQ(ca.h[j], 0.0);
  }
  FreeDynArrays(&cd, &ca, nullptr);
}

TEST(ContactDeath, ClassificationRefusals) {
  Flags oc;
  {
    tw::Model m = ContactModel();
    tw::ContactCase cc;
    cc.pointToPoint.push_back(PointToPoint(1, 11, 1, 0.0));  // 11 is held: not free
    m.contactCases.push_back(cc);
    Built b(m, 1, "held");
    Combos combos({{1}});
    ContactDofs cd{};
    EXPECT_EXIT(CalcContactAuxData(&b.mesh, &b.w, 1, combos.data(), &cd), testing::ExitedWithCode(1),
                Whole("\nVerifying the <POINT_TO_POINT_CONTACTS> block\n   -> Contact case: 1\n"
                      "   -> Point to point contact counter: 1\n   -> Contact point - S (Slave): 11\n"
                      "   -> Contacting degree of freedom: _D1\n\nERROR:\nThe contacting degree of freedom must be "
                      "a\nfree degree of freedom.\n\n"));
  }
  {
    tw::Model m = ContactModel();
    tw::ContactCase a, c;
    a.pointToPoint.push_back(PointToPoint(1, 10, 1, 0.0));
    c.pointToPoint.push_back(PointToPoint(1, 10, 2, 0.0));
    m.contactCases.push_back(a);
    m.contactCases.push_back(c);
    Built b(m, 1, "classes");
    Combos combos({{1}, {2}});
    ContactDofs cd{};
    EXPECT_EXIT(CalcContactAuxData(&b.mesh, &b.w, 2, combos.data(), &cd), testing::ExitedWithCode(1),
                Whole("\nVerifying the <CONTACT_CASE> block\n   -> Contact case: 1\n   -> Contact point: 10\n"
                      "   -> Contacting degree of freedom: _D1\n\nERROR:\nThe classification of the specified "
                      "degree of freedom (I or X)\nmust be the same in all the combinations.\n\n"));
    Combos twice({{1, 1}});
    EXPECT_EXIT(CalcContactAuxData(&b.mesh, &b.w, 1, twice.data(), &cd), testing::ExitedWithCode(1),
                Whole("\nVerifying the <CONTACT_CASE> block\n   -> Contact case: 1\n   -> Contact point: 10\n"
                      "   -> Contacting degree of freedom: _D1\n\nERROR:\nA contacting degree of freedom can be "
                      "tied by only one contact\nof the combination.\n\n"));
  }
}

TEST(ContactDeath, DiagonalChecksOfThePartition) {
  Flags oc;
  const int n = 4;
  std::vector<double> K = Chain(n);
  ContactDofs cd = HandDofs(n, {2});
  {
    // Row 3 opens at column 4: its diagonal is missing.
    std::vector<double> bad = K;
    bad[2 * n + 2] = 0.0;
    SparseRowMatrix EFF = MakeRows(ToDense(bad, n), true);
    PartitionedContactMatrix pm{};
    EXPECT_EXIT(Calc_KII_KIX_KXX(oc, &cd, &EFF, &pm), testing::ExitedWithCode(1),
                Whole("\nERROR:\nNull value in the main diagonal of the global stiffness matrix.\n\n"));
    FreeRows(&EFF);
  }
  for (int row : {2, 3}) {  // an X row and an I row: both warnings, and the run goes on
    SCOPED_TRACE(row);
    std::vector<double> neg = K;
    neg[(row - 1) * n + row - 1] = -0.5;
    SparseRowMatrix EFF = MakeRows(ToDense(neg, n), true);
    PartitionedContactMatrix pm{};
    testing::internal::CaptureStderr();
    Calc_KII_KIX_KXX(oc, &cd, &EFF, &pm);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\nWARNING:\nNegative value in the main diagonal of the global stiffness matrix.\n"
              "\nWARNING:\nValue in the main diagonal of the global stiffness matrix is too small.\n");
    FreeRows(&EFF);
    FreeDynArrays(nullptr, nullptr, &pm);
  }
  FreeDynArrays(&cd, nullptr, nullptr);
}

TEST(ContactDeath, SingularTieSystemNamesTheCombination) {
  // ALPHA = -1 scales every tie row to zero: the dense system is singular.
  Flags oc;
  const int n = 8;
  const double uP[3] = {0.0, 0.0, 0.0};
  ContactDofs cd = HandDofs(n, {3, 6});
  PartitionedContactMatrix pm{};
  Partition(oc, cd, Chain(n), &pm);
  ChainTies ties(cd, true, uP);
  zerod2(ties.ca.A, cd.nI, cd.nX);
  zerod2(ties.ca.D, cd.nX, cd.nX);
  std::vector<double> F(n + 1, 1.0), uF(n + 1), lambda(3);
  double timer = 0.0;
  EXPECT_EXIT(
      {
        gSkipLeakCheck = true;
        SolvePartitionedContact(7, &cd, &ties.ca, &pm, F.data(), uF.data(), lambda.data(), &timer);
      },
              testing::ExitedWithCode(1),
              Whole("\nSolving the contact cases of the step\n   -> Combination: 7\n\nERROR:\nThe system of the "
                    "contacting degrees of freedom and the contact\nforces is singular.\n\n"));
  FreeDynArrays(&cd, nullptr, &pm);
}
