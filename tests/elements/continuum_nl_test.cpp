// Plane quadrilaterals and the hexahedron of nonlinear material at element level: the
// elastic state against the linear elements, Fint = K u from virgin records, thickness,
// the point order of the records, the clockwise refusal, and the tangent against central
// differences of the internal forces after a plastic increment; geometrically nonlinear,
// the stress stiffness, a rigid turn, the tangent at a deformed iterate and the history
// mode taken from the records' table.
#include <functional>

#include "elements/elements.h"
#include "elements/shell_solid.h"
#include "line_fixture.h"
#include "support/element_driver.h"
#include "support/process.h"

using namespace linefix;

namespace {

constexpr int kStressQuad = 10, kStrainQuad = 13, kHexa = 24;
constexpr double kE = 30000.0, kNu = 0.2, kPhi30 = 3.14159265358979323846 / 6.0;

// A distorted quadrilateral in (x2, x3) and a distorted hexahedron.
const std::vector<std::array<double, 3>> kQuad = {{0, 0, 0}, {0, 2.0, 0.1}, {0, 2.2, 1.3}, {0, -0.1, 1.0}};
const std::vector<std::array<double, 3>> kHex = {{0, 0, 0},     {1.1, 0.1, 0}, {1.2, 1.0, 0.1}, {-0.1, 0.9, 0},
                                                 {0.1, 0, 1.0}, {1.0, 0, 1.2}, {1.1, 1.1, 1.0}, {0, 1.0, 0.9}};

struct ElementCase {
  int type = kStrainQuad;
  int kind = MAT_NLMM124;  // MAT_LIN_ISO for the linear twin
  double t = 1.0;
  double c0 = 1e6;  // elastic unless lowered
  double phi = 0.0;
  std::array<int32_t, 3> pattern = {0, 0, 0};
  std::vector<std::array<double, 3>> nodes;
};

Model ContinuumModel(const ElementCase& s) {
  Model m;
  std::vector<int32_t> pts;
  for (const auto& x : s.nodes) pts.push_back(testmodel::AddPoint(m, x[0], x[1], x[2]));
  testmodel::AddElement(m, pts);
  if (s.kind == MAT_LIN_ISO)
    testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("mat", 2.5, 1e-5, kE, kNu));
  else
    testmodel::AddRecord(m, "<NLMM124>",
                         Rec().S("mat").Ds({2.5, 1e-5, kNu, kE}).I(2).I(1).Ds({s.c0, 1.0}).I(1).Ds({s.phi, s.phi, 1.0}));
  const bool stress = s.type == kStressQuad;
  if (stress) testmodel::AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("t", s.t));
  int integ = 0;
  if (s.pattern[0] != 0) {
    std::array<int32_t, 21> v{};
    for (int d = 0; d < 3; d++) v[2 + d] = s.pattern[d];
    testmodel::AddRecord(m, "<NUMERICAL_INTEGRATION>", testmodel::NumericalIntegration("rule", v));
    integ = 1;
  }
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>",
                       testmodel::ElementProperty(1, 1, s.type, s.kind, 1, stress ? GEOM_LAM_THICK : 0,
                                                  stress ? 1 : 0, 1, integ));
  return m;
}

int Dofs(const ElementCase& s) { return (s.type == kHexa ? 3 : 2) * static_cast<int>(s.nodes.size()); }

// copies: the history mode of the records' table (1 with a converged copy, 2 without).
struct Element : MeshHistory {
  ElementCase ecase;
  int n;
  Flags oc;
  Element(const MeshData* m, const ElementCase& s, int copies = 1)
      : MeshHistory(m, {}, copies), ecase(s), n(Dofs(s)) {}
  // The element's call record: combination 1, iteration 2.
  ElementCall Call() {
    ElementCall c;
    c.element = 1;
    c.nNodes = static_cast<int>(ecase.nodes.size());
    c.property = 1;
    c.n = n;
    c.OutputControl = oc;
    c.mesh = mesh;
    c.combination = 1;
    c.iteration = 2;
    c.index = &index;
    c.table = &hd;
    c.elemToHD = elemToHD;
    return c;
  }
  // Tangent and forces through the type's behaviour row.
  void Tangent(double** K) { Driven().tangent(K); }
  void Force(const double* du, double* F) { Driven().force(du, F); }
  void Restore() { RestoreNLMM_HD(&hd, counts); }
  void Accept() { AcceptNLMM_HD(&hd, counts); }
  // The element for the element test driver, its nodes in element coordinates.
  elemdrv::ElementUnderTest Driven() {
    const int dim = ecase.type == kHexa ? 3 : 2;
    elemdrv::Nodes nodes;
    for (const auto& x : ecase.nodes) nodes.push_back(dim == 3 ? x : std::array<double, 3>{x[1], x[2], 0.0});
    return elemdrv::ThroughRow(ecase.type, Call(), dim, nodes, [this] { Restore(); });
  }
};

void LinearStiffness(const ElementCase& s, double** K) {
  ElementCase lin = s;
  lin.kind = MAT_LIN_ISO;
  LoadedMesh lm(ContinuumModel(lin), "lin");
  const ElementCall c = LinearElementCall(1, static_cast<int>(s.nodes.size()), 1, Dofs(s), lm.oc, &lm.mesh, nullptr,
                                          nullptr, nullptr);
  RunElemMat(ElementBehaviourOf(s.type).stiffness, s.type, c, K);
}

using elemdrv::MaxAbs;

std::vector<ElementCase> ThreeElements() {
  ElementCase strain, stress, hexa;
  strain.nodes = kQuad;
  stress.type = kStressQuad;
  stress.nodes = kQuad;
  stress.t = 0.3;
  hexa.type = kHexa;
  hexa.nodes = kHex;
  return {strain, stress, hexa};
}

}  // namespace

TEST(ContinuumNL, ElasticStateIsTheLinearElementAndFintIsKu) {
  for (const ElementCase& s : ThreeElements()) {
    SCOPED_TRACE(s.type);
    LoadedMesh lm(ContinuumModel(s), "nl");
    Element el(&lm.mesh, s);
    const int n = el.n;
    Mat K(n, n), KL(n, n);
    Vec u(n), F(n), Ku(n);
    el.Tangent(K.a);
    LinearStiffness(s, KL.a);
    const double scale = MaxAbs(KL.a, n);
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) EXPECT_NEAR(K.a[i][j], KL.a[i][j], 1e-12 * scale);
    // A zero increment leaves zero forces and records of zero strain: the next
    // increment from them gives K u.
    el.Force(u.v, F.v);
    for (int i = 1; i <= n; i++) EXPECT_EQ(F.v[i], 0.0);
    el.Accept();
    for (int i = 1; i <= n; i++) u.v[i] = 1e-5 * std::sin(1.0 + 2.3 * i);
    el.Force(u.v, F.v);
    multd2d1(Ku.v, K.a, u.v, n, n);
    double fmax = 0.0;
    for (int i = 1; i <= n; i++) fmax = std::max(fmax, std::fabs(Ku.v[i]));
    for (int i = 1; i <= n; i++) EXPECT_NEAR(F.v[i], Ku.v[i], 1e-12 * fmax);
    // Rigid-body modes take no force, and a uniform strain (the patch of one element)
    // gives nodal forces in equilibrium.
    const elemdrv::ElementUnderTest e = el.Driven();
    EXPECT_LT(elemdrv::RigidBodyResidual(e, K.a), 1e-12 * scale);
    const double A[4][4] = {{0}, {0, 1e-5, 3e-6, -2e-6}, {0, -4e-6, 2e-5, 5e-6}, {0, 1e-6, -3e-6, 7e-6}};
    el.Restore();
    elemdrv::LinearField(e, A, u.v);
    el.Force(u.v, F.v);
    for (double r : elemdrv::Resultant(e, F.v)) EXPECT_NEAR(r, 0.0, 1e-12 * scale);
  }
}

TEST(ContinuumNL, PlaneStressScalesWithThickness) {
  ElementCase unit;
  unit.type = kStressQuad;
  unit.nodes = kQuad;
  ElementCase thick = unit;
  thick.t = 0.37;
  LoadedMesh lm1(ContinuumModel(unit), "t1"), lm2(ContinuumModel(thick), "t2");
  Element e1(&lm1.mesh, unit), e2(&lm2.mesh, thick);
  Mat K1(8, 8), K2(8, 8);
  Vec u(8), F1(8), F2(8);
  for (int i = 1; i <= 8; i++) u.v[i] = 1e-4 * std::cos(0.7 * i);
  e1.Tangent(K1.a);
  e2.Tangent(K2.a);
  e1.Force(u.v, F1.v);
  e2.Force(u.v, F2.v);
  for (int i = 1; i <= 8; i++) {
    EXPECT_NEAR(F2.v[i], 0.37 * F1.v[i], 1e-12 * MaxAbs(K1.a, 8) * 1e-4);
    for (int j = 1; j <= 8; j++) EXPECT_NEAR(K2.a[i][j], 0.37 * K1.a[i][j], 1e-12 * MaxAbs(K1.a, 8));
  }
}

TEST(ContinuumNL, PointsAreCountedWithS1Fastest) {
  // A 3 x 2 rule on the unit square: record k belongs to point (s1_j, s2_i),
  // k = 3 (i - 1) + j. u3 = g x2 x3 gives e33 = g x2, which varies along s1 only.
  ElementCase s;
  s.nodes = {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}};
  s.pattern = {3, 2, 0};
  LoadedMesh lm(ContinuumModel(s), "order");
  Element el(&lm.mesh, s);
  const double g = 1e-4;
  Vec u(8), F(8);
  u.v[6] = g;  // node 3 at (1, 1)
  el.Force(u.v, F.v);
  const NLMM124_HD* r = NLMM_HDCurrent<NLMM124_HD>(&el.hd, NlmmSlotOfCode(MAT_NLMM124));
  const double a = std::sqrt(0.6);
  const double x2[4] = {0.0, 0.5 * (1 - a), 0.5, 0.5 * (1 + a)};
  for (int i = 1; i <= 2; i++)
    for (int j = 1; j <= 3; j++) {
      const int rec = RecordOfSingle_HD(&el.index, el.elemToHD[1], 3 * (i - 1) + j);
      EXPECT_NEAR(r[rec].Strain[2], g * x2[j], 1e-15) << i << " " << j;
    }
}

TEST(ContinuumNL, ClockwiseElementIsRefused) {
  ElementCase s;
  s.nodes = {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}};
  LoadedMesh lm(ContinuumModel(s), "cw");
  Mat K(8, 8);
  Vec u(8), F(8);
  // The Jacobian is checked before the first point's record is fetched.
  const std::string tail =
      "\nERROR:\nJacobian determinant is negative:\nelement geometry and/or mesh connectivity must be changed.\n\n";
  EXPECT_EXIT(CalcStiffPlaneStrainQuad_NL(1, 8, 1, 2, 4, 1, lm.oc, nullptr, &lm.mesh, nullptr, nullptr, K.a),
              testing::ExitedWithCode(1), StderrIs("\nCalculating the stiffness matrix of element n. 1\n" + tail));
  EXPECT_EXIT(CalcInt_Fg_PlaneStrainQuad_NL(1, 8, 1, 2, 4, 1, nullptr, &lm.mesh, nullptr, nullptr, u.v, F.v),
              testing::ExitedWithCode(1),
              StderrIs("\nCalculating the internal equivalent nodal forces of element n. 1\n" + tail));
}

TEST(ContinuumNL, TangentIsTheCentralDifferenceOfTheForcesAfterPlasticFlow) {
  for (ElementCase s : ThreeElements()) {
    SCOPED_TRACE(s.type);
    s.c0 = 10.0;
    s.phi = kPhi30;
    LoadedMesh lm(ContinuumModel(s), "fd");
    Element el(&lm.mesh, s);
    const int n = el.n;
    const int dim = s.type == kHexa ? 3 : 2;
    // Compress along the first in-plane axis past yield and accept, then a trial increment.
    Vec u0(n), du(n), F(n);
    const int nn = n / dim;
    for (int a = 1; a <= nn; a++) {
      const double x = s.nodes[a - 1][3 - dim == 1 ? 1 : 0];
      u0.v[(a - 1) * dim + 1] = -0.01 * x;
      du.v[(a - 1) * dim + 1] = -0.0005 * x + 1e-4 * std::sin(1.0 * a);
      du.v[(a - 1) * dim + 2] = 2e-4 * std::cos(2.0 * a);
    }
    el.Force(u0.v, F.v);
    el.Accept();
    el.Force(du.v, F.v);
    Mat K(n, n);
    el.Tangent(K.a);
    const double scale = MaxAbs(K.a, n);
    EXPECT_LT(elemdrv::TangentDifferenceError(el.Driven(), du.v, K.a, 1e-7), 1e-5 * scale);
    // The state was plastic: the tangent is not the elastic one.
    Mat KL(n, n);
    LinearStiffness(s, KL.a);
    double diff = 0.0;
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) diff = std::max(diff, std::fabs(K.a[i][j] - KL.a[i][j]));
    EXPECT_GT(diff, 1e-2 * scale);
  }
}

// ---- geometrically nonlinear plane-stress quadrilateral and hexahedron --------------------

namespace {

// Rectangular elements of known volume: the quadrilateral 2 x 1 in (x2, x3), t = 0.3, and
// the box 1.2 x 1 x 0.8.
std::vector<ElementCase> TwoGeometricElements() {
  ElementCase stress, hexa;
  stress.type = kStressQuad;
  stress.nodes = {{0, 0, 0}, {0, 2, 0}, {0, 2, 1}, {0, 0, 1}};
  stress.t = 0.3;
  hexa.type = kHexa;
  hexa.nodes = {{0, 0, 0}, {1.2, 0, 0}, {1.2, 1, 0}, {0, 1, 0}, {0, 0, 0.8}, {1.2, 0, 0.8}, {1.2, 1, 0.8}, {0, 1, 0.8}};
  return {stress, hexa};
}
double Volume(const ElementCase& s) { return s.type == kHexa ? 0.96 : 0.6; }

// Element coordinates (x2, x3 of the plane, x1..x3 of the solid) of point p.
int ElemDim(const ElementCase& s) { return s.type == kHexa ? 3 : 2; }
double ElemCoord(const ElementCase& s, const std::array<double, 3>& x, int i) {
  return s.type == kHexa ? x[static_cast<size_t>(i - 1)] : x[static_cast<size_t>(i)];
}

struct GeomElement : Element {
  GeomElement(const MeshData* m, const ElementCase& s, int copies = 1) : Element(m, s, copies) {}
  // Tangent at the iterate of total displacements a (null: none), through the type's row.
  void Tangent(double** prev, const double* a, double** K) {
    ElementCall c = Call();
    c.prevCoord = prev;
    c.a = a;
    RunElemMat(ElementBehaviourOf(ecase.type).geometricTangent, ecase.type, c, K);
  }
  // Forces at the iterate a reached by the increment du.
  void Force(double** prev, const double* a, const double* du, double* F) {
    ElementCall c = Call();
    c.prevCoord = prev;
    c.a = a;
    c.da = du;
    RunElemVec(ElementBehaviourOf(ecase.type).geometricForces, ecase.type, c, F);
  }
  // Stress vector of every point of the default rule.
  void SetStress(const double* sigma) {
    NLMM124_HD* r = NLMM_HDCurrent<NLMM124_HD>(&hd, NlmmSlotOfCode(MAT_NLMM124));
    const int nc = ecase.type == kHexa ? 6 : 3;
    for (int ip = 1; ip <= (ecase.type == kHexa ? 8 : 4); ip++)
      copyd1(r[RecordOfSingle_HD(&index, elemToHD[1], ip)].Stress, sigma, nc);
  }
};

// Runs check on every case in both kinematic descriptions (1 total, 2 updated Lagrangian),
// each on a mesh of its own.
void ForEachDescription(const std::vector<ElementCase>& cases, const char* job,
                        const std::function<void(const ElementCase&, LoadedMesh&, int)>& check) {
  for (const ElementCase& s : cases)
    for (int kinematic : {1, 2}) {
      SCOPED_TRACE(std::to_string(s.type) + " " + std::to_string(kinematic));
      LoadedMesh lm(ContinuumModel(s), job);
      lm.mesh.Main.KinematicDescription = kinematic;
      check(s, lm, kinematic);
    }
}

// Linear displacement field u = A x in element coordinates.
void LinearField(const ElementCase& s, double A[4][4], double* u) {
  const int d = ElemDim(s);
  for (size_t k = 0; k < s.nodes.size(); k++)
    for (int i = 1; i <= d; i++) {
      double v = 0.0;
      for (int j = 1; j <= d; j++) v += A[i][j] * ElemCoord(s, s.nodes[k], j);
      u[static_cast<int>(k) * d + i] = v;
    }
}

}  // namespace

TEST(ContinuumNLMG, UndeformedTangentIsTheMaterialElementPlusTheStressStiffness) {
  // Loaded by a small u0, the element's forces are those of the materially nonlinear
  // element to first order (the finite strain adds the square of the gradients); at the
  // undeformed iterate the tangent adds to the material tangent the stress stiffness and
  // the change of the pulled-back true stress with the volume and the stretch, whose
  // energy for u = A x under a uniform stress T is V (tr(A T A^T) + tr e tr(e T) - 2 tr(e e T)),
  // e the symmetric part of A.
  ForEachDescription(TwoGeometricElements(), "g1", [](const ElementCase& s, LoadedMesh& lm, int /*kinematic*/) {
    Element m(&lm.mesh, s);
    GeomElement g(&lm.mesh, s);
    const int n = m.n, d = ElemDim(s);
    double A0[4][4] = {{0}, {0, 1e-3, 2e-4, -3e-4}, {0, -1e-4, -2e-3, 5e-4}, {0, 4e-4, 1e-4, 7e-4}};
    Vec u0(n), Fm(n), Fg(n);
    LinearField(s, A0, u0.v);
    m.Force(u0.v, Fm.v);
    g.Force(lm.mesh.PointCoord, u0.v, u0.v, Fg.v);
    double fmax = 0.0, diff = 0.0;
    for (int i = 1; i <= n; i++) fmax = std::max(fmax, std::fabs(Fm.v[i]));
    for (int i = 1; i <= n; i++) diff = std::max(diff, std::fabs(Fg.v[i] - Fm.v[i]));
    EXPECT_LT(diff, 1e-2 * fmax);
    EXPECT_GT(diff, 1e-6 * fmax);
    m.Accept();
    g.Accept();
    Mat Km(n, n), Kg(n, n);
    m.Tangent(Km.a);
    g.Tangent(lm.mesh.PointCoord, nullptr, Kg.a);
    // The uniform stress of the accepted state.
    const NLMM124_HD* r = NLMM_HDCurrent<NLMM124_HD>(&g.hd, NlmmSlotOfCode(MAT_NLMM124));
    const double* sg = r[RecordOfSingle_HD(&g.index, g.elemToHD[1], 1)].Stress;
    double T[4][4] = {};
    if (d == 2) {
      T[1][1] = sg[1], T[2][2] = sg[2], T[1][2] = T[2][1] = sg[3];
    } else {
      T[1][1] = sg[1], T[2][2] = sg[2], T[3][3] = sg[3];
      T[2][3] = T[3][2] = sg[4], T[1][3] = T[3][1] = sg[5], T[1][2] = T[2][1] = sg[6];
    }
    double A[4][4] = {{0}, {0, 0.3, -0.7, 0.2}, {0, 0.5, 0.1, -0.4}, {0, -0.2, 0.6, 0.9}};
    Vec u(n), Du(n);
    LinearField(s, A, u.v);
    Mat dK(n, n);
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) dK.a[i][j] = Kg.a[i][j] - Km.a[i][j];
    multd2d1(Du.v, dK.a, u.v, n, n);
    double expected = 0.0, e[4][4] = {}, tre = 0.0, treT = 0.0, tre2T = 0.0;
    for (int i = 1; i <= d; i++)
      for (int a = 1; a <= d; a++)
        for (int b = 1; b <= d; b++) expected += A[i][a] * T[a][b] * A[i][b];
    for (int a = 1; a <= d; a++)
      for (int b = 1; b <= d; b++) e[a][b] = 0.5 * (A[a][b] + A[b][a]);
    for (int a = 1; a <= d; a++) {
      tre += e[a][a];
      for (int b = 1; b <= d; b++) {
        treT += e[a][b] * T[b][a];
        for (int c = 1; c <= d; c++) tre2T += e[a][b] * e[b][c] * T[c][a];
      }
    }
    expected = Volume(s) * (expected + tre * treT - 2.0 * tre2T);
    if (d == 2) {
      // The sheet's stress and tangent scale by its stretch across it, exp(e33), where the
      // undeformed iterate of this plastic-flow kind has e33 = (1 - 2 nu)/E tr(T), and add
      // the derivative of the stretch, V (T : e) de33 with the elastic de33 = -nu/(1 - nu) tr e.
      Vec Ku(n);
      multd2d1(Ku.v, Km.a, u.v, n, n);
      const double uKu = dotd1(u.v, Ku.v, n), lambda = std::exp((1.0 - 2.0 * kNu) / kE * (T[1][1] + T[2][2]));
      expected = lambda * (uKu + expected) - uKu + lambda * Volume(s) * treT * (-kNu / (1.0 - kNu) * tre);
    }
    EXPECT_GT(std::fabs(expected), 1e-3);
    EXPECT_NEAR(dotd1(u.v, Du.v, n), expected, 1e-12 * std::fabs(expected) * 100);
    EXPECT_TRUE(IsSymmetric(dK.a, n, 1e-12 * MaxAbs(Km.a, n)));
  });
}

namespace {

// Point coordinates of the configuration X0 + u of the element's displacements u.
void MovedPoints(const MeshData& mesh, const ElementCase& s, const double* u, double** X) {
  const int d = ElemDim(s), o = d == 2 ? 1 : 0;  // the plane's coordinates are x2, x3
  for (int p = 1; p <= mesh.nPoints; p++)
    for (int j = 1; j <= 3; j++) X[p][j] = mesh.PointCoord[p][j];
  for (int k = 1; k <= static_cast<int>(s.nodes.size()); k++)
    for (int i = 1; i <= d; i++) X[mesh.ElemNodes[1][k]][i + o] += u[(k - 1) * d + i];
}

// The displacements that carry X0 + u to R (X0 + u), R in element coordinates.
void TurnedField(const ElementCase& s, double R[4][4], const double* u, double* v) {
  const int d = ElemDim(s);
  for (size_t k = 0; k < s.nodes.size(); k++) {
    const int o = static_cast<int>(k) * d;
    for (int i = 1; i <= d; i++) {
      double x = 0.0;
      for (int j = 1; j <= d; j++) x += R[i][j] * (ElemCoord(s, s.nodes[k], j) + u[o + j]);
      v[o + i] = x - ElemCoord(s, s.nodes[k], i);
    }
  }
}

// Stress tensor of the vector of the element's dimension.
void Tensor(int d, const double* v, double T[4][4]) {
  if (d == 2) {
    T[1][1] = v[1], T[2][2] = v[2], T[1][2] = T[2][1] = v[3];
  } else {
    T[1][1] = v[1], T[2][2] = v[2], T[3][3] = v[3];
    T[2][3] = T[3][2] = v[4], T[1][3] = T[3][1] = v[5], T[1][2] = T[2][1] = v[6];
  }
}

}  // namespace

TEST(ContinuumNLMG, RigidQuarterTurnOfALoadedElementKeepsItsMaterialStress) {
  // Combination 1 stretches and shears the element; combination 2 turns the deformed
  // element by 90 degrees as a rigid body in one step. The stress in the material frame
  // is unchanged (total Lagrangian: the second Piola-Kirchhoff stress of the record;
  // updated: R^T sigma R of the Cauchy stress of the record), the forces turn with the
  // body and so does the tangent. An unloaded element turned the same way takes no stress
  // and gives no force.
  ForEachDescription(TwoGeometricElements(), "rot", [](const ElementCase& s, LoadedMesh& lm, int kinematic) {
    GeomElement a(&lm.mesh, s), b(&lm.mesh, s), c(&lm.mesh, s);
    const int n = a.n, d = ElemDim(s), nn = static_cast<int>(s.nodes.size()), nc = d == 2 ? 3 : 6;
    // A quarter turn about the plane's normal (the solid: about x3, then x1 by 90).
    double R[4][4] = {};
    if (d == 2) {
      R[1][2] = -1.0, R[2][1] = 1.0;
    } else {
      R[1][2] = -1.0, R[2][3] = -1.0, R[3][1] = 1.0;
    }
    double A1[4][4] = {{0}, {0, 2e-3, 5e-4, -3e-4}, {0, 1e-4, -1e-3, 4e-4}, {0, 2e-4, -1e-4, 6e-4}};
    Vec u1(n), u2(n), du(n), zero(n), F1(n), Fa(n), Fb(n);
    LinearField(s, A1, u1.v);
    for (GeomElement* e : {&a, &b}) {
      e->Force(lm.mesh.PointCoord, u1.v, u1.v, F1.v);
      e->Accept();
    }
    TurnedField(s, R, u1.v, u2.v);
    for (int i = 1; i <= n; i++) du.v[i] = u2.v[i] - u1.v[i];
    Mat prev(lm.mesh.nPoints, 3);
    MovedPoints(lm.mesh, s, u1.v, prev.a);
    a.Force(prev.a, u1.v, zero.v, Fa.v);
    b.Force(prev.a, u2.v, du.v, Fb.v);
    double fmax = 0.0;
    for (int i = 1; i <= n; i++) fmax = std::max(fmax, std::fabs(Fa.v[i]));
    EXPECT_GT(fmax, 1.0);
    for (int k = 0; k < nn; k++)
      for (int i = 1; i <= d; i++) {
        double v = 0.0;
        for (int j = 1; j <= d; j++) v += R[i][j] * Fa.v[k * d + j];
        EXPECT_NEAR(Fb.v[k * d + i], v, 1e-10 * fmax);
      }
    // Material-frame stress at every point.
    const NLMM124_HD* ra = NLMM_HDCurrent<NLMM124_HD>(&a.hd, NlmmSlotOfCode(MAT_NLMM124));
    const NLMM124_HD* rb = NLMM_HDCurrent<NLMM124_HD>(&b.hd, NlmmSlotOfCode(MAT_NLMM124));
    const int points = d == 2 ? 4 : 8;
    for (int ip = 1; ip <= points; ip++) {
      double Ta[4][4] = {}, Tb[4][4] = {};
      Tensor(d, ra[RecordOfSingle_HD(&a.index, a.elemToHD[1], ip)].Stress, Ta);
      Tensor(d, rb[RecordOfSingle_HD(&b.index, b.elemToHD[1], ip)].Stress, Tb);
      const double smax = std::fabs(Ta[1][1]) + std::fabs(Ta[2][2]);
      EXPECT_GT(smax, 10.0);
      for (int i = 1; i <= d; i++)
        for (int j = 1; j <= d; j++) {
          double v = Tb[i][j];
          if (kinematic == 2) {
            v = 0.0;
            for (int p = 1; p <= d; p++)
              for (int q = 1; q <= d; q++) v += R[p][i] * Tb[p][q] * R[q][j];
          }
          EXPECT_NEAR(v, Ta[i][j], 1e-10 * smax) << ip << " " << i << j;
        }
    }
    // Tangents at the two iterates: R K R^T node block by node block.
    Mat Ka(n, n), Kb(n, n);
    a.Tangent(prev.a, u1.v, Ka.a);
    b.Tangent(prev.a, u2.v, Kb.a);
    const double kmax = MaxAbs(Ka.a, n);
    for (int ka = 0; ka < nn; ka++)
      for (int kb = 0; kb < nn; kb++)
        for (int i = 1; i <= d; i++)
          for (int j = 1; j <= d; j++) {
            double v = 0.0;
            for (int p = 1; p <= d; p++)
              for (int q = 1; q <= d; q++) v += R[i][p] * Ka.a[ka * d + p][kb * d + q] * R[j][q];
            EXPECT_NEAR(Kb.a[ka * d + i][kb * d + j], v, 1e-10 * kmax);
          }
    // The unloaded element turned from its initial configuration.
    Vec ur(n), Fc(n);
    TurnedField(s, R, zero.v, ur.v);
    c.Force(lm.mesh.PointCoord, ur.v, ur.v, Fc.v);
    for (int i = 1; i <= n; i++) EXPECT_NEAR(Fc.v[i], 0.0, 1e-12 * fmax);
    const NLMM124_HD* rc = NLMM_HDCurrent<NLMM124_HD>(&c.hd, NlmmSlotOfCode(MAT_NLMM124));
    for (int k = 1; k <= nc; k++) EXPECT_NEAR(rc[RecordOfSingle_HD(&c.index, c.elemToHD[1], 1)].Stress[k], 0.0, 1e-9);
  });
}

TEST(ContinuumNLMG, TangentIsTheDerivativeOfTheForcesAtADeformedIterate) {
  // From a loaded converged state, an iterate well inside the next combination (large
  // enough strains and turn for B_NL and G^T S G to matter): the tangent is the central
  // difference of the forces, the records restored before each evaluation. The true
  // stress on the logarithmic strain is no potential: the solvers take the symmetric part
  // of that difference, which the tangent is. Also an 8-node quadrilateral on the 3 x 3
  // rule.
  std::vector<ElementCase> cases = TwoGeometricElements();
  ElementCase quad8 = cases[0];
  quad8.nodes = {{0, 0, 0}, {0, 1, 0}, {0, 2, 0}, {0, 2, 0.5}, {0, 2, 1}, {0, 1, 1}, {0, 0, 1}, {0, 0, 0.5}};
  quad8.pattern = {3, 3, 0};
  cases.push_back(quad8);
  ForEachDescription(cases, "fd", [](const ElementCase& s, LoadedMesh& lm, int /*kinematic*/) {
    GeomElement g(&lm.mesh, s);
    const int n = g.n;
    double A1[4][4] = {{0}, {0, 0.02, 0.05, -0.03}, {0, -0.04, -0.01, 0.02}, {0, 0.03, -0.02, 0.015}};
    double A2[4][4] = {{0}, {0, 0.05, 0.2, -0.1}, {0, -0.15, 0.03, 0.08}, {0, 0.12, -0.06, -0.04}};
    Vec u1(n), u2(n), du(n), F(n);
    LinearField(s, A1, u1.v);
    g.Force(lm.mesh.PointCoord, u1.v, u1.v, F.v);
    g.Accept();
    Mat prev(lm.mesh.nPoints, 3);
    MovedPoints(lm.mesh, s, u1.v, prev.a);
    LinearField(s, A2, u2.v);
    for (int i = 1; i <= n; i++) u2.v[i] += u1.v[i];
    // The records of the iterate, as the residual leaves them for the tangent.
    for (int i = 1; i <= n; i++) du.v[i] = u2.v[i] - u1.v[i];
    g.Force(prev.a, u2.v, du.v, F.v);
    Mat K(n, n);
    g.Tangent(prev.a, u2.v, K.a);
    const double h = 1e-7;
    Mat FD(n, n);
    for (int j = 1; j <= n; j++) {
      Vec up(n), um(n), dp(n), dm(n), Fp(n), Fm(n);
      copyd1(up.v, u2.v, n);
      copyd1(um.v, u2.v, n);
      up.v[j] += h;
      um.v[j] -= h;
      for (int i = 1; i <= n; i++) dp.v[i] = up.v[i] - u1.v[i], dm.v[i] = um.v[i] - u1.v[i];
      g.Restore();
      g.Force(prev.a, up.v, dp.v, Fp.v);
      g.Restore();
      g.Force(prev.a, um.v, dm.v, Fm.v);
      for (int i = 1; i <= n; i++) FD.a[i][j] = (Fp.v[i] - Fm.v[i]) / (2 * h);
    }
    double worst = 0.0;
    for (int i = 1; i <= n; i++)
      for (int j = 1; j <= n; j++) worst = std::max(worst, std::fabs(0.5 * (FD.a[i][j] + FD.a[j][i]) - K.a[i][j]));
    EXPECT_LT(worst, 1e-6 * MaxAbs(K.a, n));
  });
}

TEST(ContinuumNLMG, RecordsCarriedOnOverTwoCorrectionsMatchTheWholeIncrementFromTheConvergedState) {
  // The history mode is the one of the records' table, whatever the model names (1 here).
  // Carried on (2), the records advance from the last iterate and du is the last
  // correction; restarted (1), they come back to the converged state and du is the whole
  // increment since it. An elastic law reaches the same stress and forces either way, in
  // both descriptions, the updated one turning the stress back and on at every call.
  ForEachDescription(TwoGeometricElements(), "mode", [](const ElementCase& s, LoadedMesh& lm, int /*kinematic*/) {
    ASSERT_EQ(lm.mesh.Main.PathBehavior, 1);
    const auto maxAbs = [](const double* v, int m) {
      double x = 0.0;
      for (int i = 1; i <= m; i++) x = std::max(x, std::fabs(v[i]));
      return x;
    };
    GeomElement restart(&lm.mesh, s, 1), carry(&lm.mesh, s, 2);
    const int n = restart.n, d = ElemDim(s), nc = d == 2 ? 3 : 6;
    double A1[4][4] = {{0}, {0, 2e-3, 5e-4, -3e-4}, {0, 1e-4, -1e-3, 4e-4}, {0, 2e-4, -1e-4, 6e-4}};
    double A2[4][4] = {{0}, {0, 0.05, 0.2, -0.1}, {0, -0.15, 0.03, 0.08}, {0, 0.12, -0.06, -0.04}};
    Vec u1(n), um(n), u2(n), du(n), F(n), Fr(n), Fc(n);
    LinearField(s, A1, u1.v);
    restart.Force(lm.mesh.PointCoord, u1.v, u1.v, F.v);
    restart.Accept();
    carry.Force(lm.mesh.PointCoord, u1.v, u1.v, F.v);
    Mat prev(lm.mesh.nPoints, 3);
    MovedPoints(lm.mesh, s, u1.v, prev.a);
    LinearField(s, A2, u2.v);
    for (int i = 1; i <= n; i++) {
      u2.v[i] += u1.v[i];
      um.v[i] = u1.v[i] + 0.4 * (u2.v[i] - u1.v[i]);
    }
    // First iterate um, then u2.
    for (int i = 1; i <= n; i++) du.v[i] = um.v[i] - u1.v[i];
    restart.Force(prev.a, um.v, du.v, F.v);
    carry.Force(prev.a, um.v, du.v, F.v);
    restart.Restore();
    for (int i = 1; i <= n; i++) du.v[i] = u2.v[i] - u1.v[i];
    restart.Force(prev.a, u2.v, du.v, Fr.v);
    for (int i = 1; i <= n; i++) du.v[i] = u2.v[i] - um.v[i];
    carry.Force(prev.a, u2.v, du.v, Fc.v);
    const double fmax = maxAbs(Fr.v, n);
    EXPECT_GT(fmax, 1.0);
    for (int i = 1; i <= n; i++) EXPECT_NEAR(Fc.v[i], Fr.v[i], 1e-10 * fmax) << i;
    const NLMM124_HD* rr = NLMM_HDCurrent<NLMM124_HD>(&restart.hd, NlmmSlotOfCode(MAT_NLMM124));
    const NLMM124_HD* rc = NLMM_HDCurrent<NLMM124_HD>(&carry.hd, NlmmSlotOfCode(MAT_NLMM124));
    for (int ip = 1; ip <= (d == 2 ? 4 : 8); ip++) {
      const double* sr = rr[RecordOfSingle_HD(&restart.index, restart.elemToHD[1], ip)].Stress;
      const double* sc = rc[RecordOfSingle_HD(&carry.index, carry.elemToHD[1], ip)].Stress;
      const double smax = maxAbs(sr, nc);
      for (int k = 1; k <= nc; k++) EXPECT_NEAR(sc[k], sr[k], 1e-10 * smax) << ip << " " << k;
    }
  });
}
