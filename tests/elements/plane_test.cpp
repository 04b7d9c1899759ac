// Plane stress and plane strain elements: rigid-body modes, patch tests of every node
// count, integration orders, thickness, and the data and geometry the elements refuse.
#include <array>
#include <cmath>
#include <vector>

#include "elements/elements.h"
#include "elements/kernel.h"
#include "model_fixture.h"
#include "test_util.h"

using testmodel::AddRecord;

namespace {

constexpr int kTriang = 9, kStressQuad = 10, kStrainQuad = 13;

struct Pt {
  double x, y;
};

// A plane model: points (x2, x3) = (x, y) with x1 = 5 (ignored by plane elements),
// elements, one property of `type` on all of them. Plane stress: laminate thickness t.
struct PlaneCase {
  int type = kStressQuad;
  double E = 1.0, nu = 0.0, t = 1.0;
  int integType = 1;
  std::array<int, 2> pattern = {0, 0};  // _G_S1_k, _G_S2_k; {0, 0}: default rule
  int triangPoints = 0;                 // triangle rule of the pattern (with pattern set)
};

testmodel::Model PlaneModel(const PlaneCase& s, const std::vector<Pt>& pts,
                            const std::vector<std::vector<int32_t>>& elems) {
  testmodel::Model m;
  for (const Pt& p : pts) testmodel::AddPoint(m, 5.0, p.x, p.y);
  for (const auto& e : elems) testmodel::AddElement(m, e);
  AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("mat", 2500, 1e-5, s.E, s.nu));
  const bool stress = s.type != kStrainQuad;
  if (stress) AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("slab", s.t));
  int integNumber = 0;
  if (s.pattern[0] != 0 || s.pattern[1] != 0 || s.triangPoints != 0) {
    std::array<int32_t, 21> v{};
    v[1] = s.triangPoints;
    v[2] = s.pattern[0];
    v[3] = s.pattern[1];
    AddRecord(m, "<NUMERICAL_INTEGRATION>", testmodel::NumericalIntegration("rule", v));
    integNumber = 1;
  }
  AddRecord(m, "<ELEMENT_PROPERTIES>",
            testmodel::ElementProperty(1, static_cast<int>(elems.size()), s.type, MAT_LIN_ISO, 1,
                                       stress ? GEOM_LAM_THICK : 0, stress ? 1 : 0, s.integType, integNumber));
  return m;
}

void ElementStiffness(int type, int N, int e, int n, LoadedMesh& lm, double** K) {
  if (type == kTriang)
    CalcStiffPlaneStressTriang(N, e, n, 1, lm.oc, &lm.mesh, K);
  else if (type == kStressQuad)
    CalcStiffPlaneStressQuad(N, e, n, 1, lm.oc, &lm.mesh, K);
  else
    CalcStiffPlaneStrainQuad(N, e, n, 1, lm.oc, &lm.mesh, K);
}

// Number of eigenvalues of K below tol times the largest.
int ZeroEigenvalues(double** K, int N, double tol, double* smallestNonZero) {
  Mat A(N, N), V(N, N);
  Vec lambda(N);
  copyd2(A, K, N, N);
  int nrot;
  double offmax;
  EXPECT_TRUE(eigjacobi(A, N, lambda, V, &nrot, &offmax));
  double big = 0;
  for (int i = 1; i <= N; i++) big = std::fmax(big, std::fabs(lambda.v[i]));
  int zeros = 0;
  *smallestNonZero = big;
  for (int i = 1; i <= N; i++) {
    if (std::fabs(lambda.v[i]) < tol * big)
      zeros++;
    else
      *smallestNonZero = std::fmin(*smallestNonZero, std::fabs(lambda.v[i]));
  }
  return zeros;
}

// ---- meshes --------------------------------------------------------------------------

// Points deduplicated by position.
int PointOf(std::vector<Pt>& pts, double x, double y) {
  for (size_t i = 0; i < pts.size(); i++)
    if (std::fabs(pts[i].x - x) < 1e-12 && std::fabs(pts[i].y - y) < 1e-12) return static_cast<int>(i) + 1;
  pts.push_back({x, y});
  return static_cast<int>(pts.size());
}

// Corner quadrilaterals (counter-clockwise) refined to n-node quadrilaterals (nodes on
// the bilinear map, so sides stay straight) or split into two triangles of 3 or 6 nodes.
struct Mesh2D {
  std::vector<Pt> pts;
  std::vector<std::vector<int32_t>> elems;
};

Mesh2D BuildMesh(const std::vector<std::array<Pt, 4>>& quads, bool triangles, int n) {
  Mesh2D m;
  auto map = [](const std::array<Pt, 4>& q, double s, double t) {
    const double N[4] = {(1 - s) * (1 - t) / 4, (1 + s) * (1 - t) / 4, (1 + s) * (1 + t) / 4, (1 - s) * (1 + t) / 4};
    Pt p{0, 0};
    for (int k = 0; k < 4; k++) {
      p.x += N[k] * q[k].x;
      p.y += N[k] * q[k].y;
    }
    return p;
  };
  for (const auto& q : quads) {
    if (!triangles) {
      Mat S(n, 2);
      CalcNatCoord(n, S);
      std::vector<int32_t> e;
      for (int k = 1; k <= n; k++) {
        const Pt p = map(q, S[k][1], S[k][2]);
        e.push_back(PointOf(m.pts, p.x, p.y));
      }
      m.elems.push_back(e);
      continue;
    }
    // Triangles (q0, q1, q2) and (q0, q2, q3); 6 nodes: corner, mid, corner, mid, corner, mid.
    const int tri[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (const auto& t : tri) {
      std::vector<int32_t> e;
      for (int k = 0; k < 3; k++) {
        const Pt a = q[t[k]], b = q[t[(k + 1) % 3]];
        e.push_back(PointOf(m.pts, a.x, a.y));
        if (n == 6) e.push_back(PointOf(m.pts, (a.x + b.x) / 2, (a.y + b.y) / 2));
      }
      m.elems.push_back(e);
    }
  }
  return m;
}

// Four distorted quadrilaterals filling the unit square around the interior point
// (0.6, 0.45).
std::vector<std::array<Pt, 4>> PatchQuads() {
  const Pt c00{0, 0}, c10{1, 0}, c11{1, 1}, c01{0, 1};
  const Pt b{0.5, 0}, r{1, 0.5}, t{0.5, 1}, l{0, 0.5}, i{0.6, 0.45};
  return {{c00, b, i, l}, {b, c10, r, i}, {i, r, c11, t}, {l, i, t, c01}};
}

// Assembles the global stiffness (2 dofs per point), imposes the linear field on the
// boundary of the unit square and returns the largest relative error of the interior
// displacements.
double PatchTestError(const PlaneCase& elem, const Mesh2D& mesh) {
  LoadedMesh lm(PlaneModel(elem, mesh.pts, mesh.elems));
  const int nP = static_cast<int>(mesh.pts.size()), nd = 2 * nP;
  Mat K(nd, nd);
  for (size_t e = 1; e <= mesh.elems.size(); e++) {
    const auto& nodes = mesh.elems[e - 1];
    const int n = static_cast<int>(nodes.size()), N = 2 * n;
    Mat Ke(N, N);
    ElementStiffness(elem.type, N, static_cast<int>(e), n, lm, Ke);
    for (int a = 0; a < n; a++)
      for (int b = 0; b < n; b++)
        for (int i = 1; i <= 2; i++)
          for (int j = 1; j <= 2; j++) K[2 * (nodes[a] - 1) + i][2 * (nodes[b] - 1) + j] += Ke[2 * a + i][2 * b + j];
  }
  auto exact = [](const Pt& p, int i) { return i == 1 ? 1e-3 * (p.x + p.y / 2) : 1e-3 * (p.y + p.x / 2); };
  auto onBoundary = [](const Pt& p) {
    return std::fabs(p.x) < 1e-12 || std::fabs(p.x - 1) < 1e-12 || std::fabs(p.y) < 1e-12 || std::fabs(p.y - 1) < 1e-12;
  };
  std::vector<int> freeDofs;
  std::vector<double> rhs;
  for (int p = 1; p <= nP; p++)
    if (!onBoundary(mesh.pts[p - 1]))
      for (int i = 1; i <= 2; i++) freeDofs.push_back(2 * (p - 1) + i);
  EXPECT_FALSE(freeDofs.empty());
  for (int r : freeDofs) {
    double s = 0;
    for (int p = 1; p <= nP; p++)
      if (onBoundary(mesh.pts[p - 1]))
        for (int j = 1; j <= 2; j++) s -= K[r][2 * (p - 1) + j] * exact(mesh.pts[p - 1], j);
    rhs.push_back(s);
  }
  const std::vector<double> u = SolveSubsystem(K, freeDofs, rhs);
  double err = 0;
  for (size_t k = 0; k < freeDofs.size(); k++) {
    const int p = (freeDofs[k] - 1) / 2 + 1, i = (freeDofs[k] - 1) % 2 + 1;
    const double x = exact(mesh.pts[p - 1], i);
    err = std::fmax(err, std::fabs(u[k] - x) / std::fabs(x));
  }
  return err;
}

}  // namespace

TEST(Plane, UnitSquareHasThreeRigidBodyModes) {
  const std::vector<std::array<Pt, 4>> square = {{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}};
  struct Case {
    int type, n;
    std::array<int, 2> pattern;
  };
  // Full integration for the quadratic quadrilaterals (2 x 2 leaves them spurious modes).
  const Case cases[] = {{kStressQuad, 4, {0, 0}}, {kStressQuad, 8, {3, 3}}, {kStressQuad, 9, {3, 3}},
                        {kStrainQuad, 4, {0, 0}}, {kTriang, 3, {0, 0}},     {kTriang, 6, {0, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type * 100 + c.n);
    PlaneCase s;
    s.type = c.type;
    s.pattern = c.pattern;
    const Mesh2D mesh = BuildMesh(square, c.type == kTriang, c.n);
    LoadedMesh lm(PlaneModel(s, mesh.pts, mesh.elems));
    const int N = 2 * c.n;
    Mat K(N, N);
    ElementStiffness(c.type, N, 1, c.n, lm, K);
    EXPECT_TRUE(IsSymmetricRel(K, N));
    for (int i = 1; i <= N; i++) {
      double rowX = 0, rowY = 0;
      for (int k = 1; k <= c.n; k++) {
        rowX += K[i][2 * k - 1];
        rowY += K[i][2 * k];
      }
      EXPECT_NEAR(rowX, 0.0, 1e-14);
      EXPECT_NEAR(rowY, 0.0, 1e-14);
    }
    double smallest;
    EXPECT_EQ(ZeroEigenvalues(K, N, 1e-10, &smallest), 3);
    EXPECT_GT(smallest, 1e-4);
    if (c.type == kStressQuad && c.n == 4) {
      EXPECT_NEAR(K[1][1], 0.5, 1e-15);
    }
  }
}

TEST(Plane, PatchTestsReproduceTheLinearField) {
  struct Case {
    int type, n;
    std::array<int, 2> pattern;
  };
  const Case cases[] = {{kStressQuad, 4, {0, 0}}, {kStressQuad, 8, {0, 0}}, {kStressQuad, 9, {0, 0}},
                        {kStressQuad, 8, {3, 3}}, {kStrainQuad, 4, {0, 0}}, {kStrainQuad, 8, {0, 0}},
                        {kStrainQuad, 9, {3, 2}}, {kTriang, 3, {0, 0}},     {kTriang, 6, {0, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type * 100 + c.n);
    PlaneCase s;
    s.type = c.type;
    s.E = 30e3;
    s.nu = 0.2;
    s.t = 0.25;
    s.pattern = c.pattern;
    EXPECT_LT(PatchTestError(s, BuildMesh(PatchQuads(), c.type == kTriang, c.n)), 1e-10);
  }
}

TEST(Plane, IntegrationOrdersThicknessAndPlaneStrain) {
  // A parallelogram: 2 x 2 and 3 x 3 integrate the bilinear element exactly.
  const std::vector<Pt> pts = {{0, 0}, {2, 0.5}, {2.7, 1.6}, {0.7, 1.1}};
  const std::vector<std::vector<int32_t>> elems = {{1, 2, 3, 4}};
  PlaneCase s;
  s.E = 210e3;
  s.nu = 0.3;
  LoadedMesh lmA(PlaneModel(s, pts, elems));
  s.pattern = {3, 3};
  LoadedMesh lmB(PlaneModel(s, pts, elems));
  s.pattern = {0, 0};
  s.t = 0.2;
  LoadedMesh lmC(PlaneModel(s, pts, elems));
  Mat KA(8, 8), KB(8, 8), KC(8, 8), KD(8, 8);
  CalcStiffPlaneStressQuad(8, 1, 4, 1, lmA.oc, &lmA.mesh, KA);
  CalcStiffPlaneStressQuad(8, 1, 4, 1, lmB.oc, &lmB.mesh, KB);
  CalcStiffPlaneStressQuad(8, 1, 4, 1, lmC.oc, &lmC.mesh, KC);
  // Plane strain (E, nu) is plane stress (E / (1 - nu^2), nu / (1 - nu)) at unit thickness.
  PlaneCase p;
  p.type = kStrainQuad;
  p.E = 210e3;
  p.nu = 0.3;
  LoadedMesh lmD(PlaneModel(p, pts, elems));
  CalcStiffPlaneStrainQuad(8, 1, 4, 1, lmD.oc, &lmD.mesh, KD);
  PlaneCase q;
  q.E = 210e3 / (1 - 0.09);
  q.nu = 0.3 / 0.7;
  LoadedMesh lmE(PlaneModel(q, pts, elems));
  Mat KE(8, 8);
  CalcStiffPlaneStressQuad(8, 1, 4, 1, lmE.oc, &lmE.mesh, KE);
  for (int i = 1; i <= 8; i++)
    for (int j = 1; j <= 8; j++) {
      EXPECT_NEAR(KB[i][j], KA[i][j], 1e-9 * 210e3);
      EXPECT_NEAR(KC[i][j], 0.2 * KA[i][j], 1e-9 * 210e3);
      EXPECT_NEAR(KD[i][j], KE[i][j], 1e-9 * 210e3);
    }
  // Nodal thicknesses through a pattern of equal records: the same as one record.
  testmodel::Model m = PlaneModel(s, pts, elems);
  m.blocks["<ELEMENT_PROPERTIES>"].clear();
  AddRecord(m, "<GEOMETRY_PATTERNS>", testmodel::Rec().S("t").I(GEOM_LAM_THICK).IList({1, 1, 1, 1}));
  AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, kStressQuad, MAT_LIN_ISO, 1, GEOM_PATT, 1));
  LoadedMesh lmF(m);
  Mat KF(8, 8);
  CalcStiffPlaneStressQuad(8, 1, 4, 1, lmF.oc, &lmF.mesh, KF);
  for (int i = 1; i <= 8; i++)
    for (int j = 1; j <= 8; j++) EXPECT_NEAR(KF[i][j], KC[i][j], 1e-9 * 210e3);
}

TEST(PlaneDeath, RefusesDegenerateGeometryAndUnusableData) {
  const std::string ctx = "\nCalculating the stiffness matrix of element n. 1\n";
  Mat K(18, 18);
  {
    // Clockwise numbering.
    LoadedMesh lm(PlaneModel(PlaneCase{}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}}, {{1, 2, 3, 4}}));
    EXPECT_EXIT(CalcStiffPlaneStressQuad(8, 1, 4, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs(ctx + "\nERROR:\nJacobian determinant is negative:\n"
                               "element geometry and/or mesh connectivity must be changed.\n\n"));
  }
  {
    // Two coincident nodes of a triangle.
    PlaneCase s;
    s.type = kTriang;
    LoadedMesh lm(PlaneModel(s, {{0, 0}, {1, 0}, {1, 0}}, {{1, 2, 3}}));
    EXPECT_EXIT(CalcStiffPlaneStressTriang(6, 1, 3, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs(ctx + "\nERROR:\nJacobian determinant is null:\n"
                               "element geometry and/or mesh connectivity must be changed.\n\n"));
  }
  const std::vector<Pt> sq = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5, 0.5}};
  {
    PlaneCase s;
    s.type = kStrainQuad;
    s.pattern = {3, 0};
    LoadedMesh lm(PlaneModel(s, sq, {{1, 2, 3, 4}}));
    EXPECT_EXIT(CalcStiffPlaneStrainQuad(8, 1, 4, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs(ctx + "   -> Specified integration name: rule\n\nERROR:\nIntegration pattern is incomplete.\n"
                               "The parameters _G_S1_k and/or _G_S2_k are missing.\n\n"));
  }
  {
    PlaneCase s;
    s.type = kTriang;
    s.pattern = {2, 2};  // no triangle count
    LoadedMesh lm(PlaneModel(s, sq, {{1, 2, 4}}));
    EXPECT_EXIT(CalcStiffPlaneStressTriang(6, 1, 3, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                Lit("   -> Specified integration name: rule\n\nERROR:\nIntegration pattern is incomplete.\n"
                    "The number of points of the triangle rule is missing."));
  }
  {
    LoadedMesh lm(PlaneModel(PlaneCase{}, sq, {{1, 2, 3, 4, 5}}));
    EXPECT_EXIT(CalcStiffPlaneStressQuad(10, 1, 5, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs(ctx + "   -> Element type: _PLANE_STRESS_QUAD\n   -> Number of nodes: 5\n\nERROR:\n"
                               "This type of element requires 4, 8 or 9 nodes.\n\n"));
  }
  {
    // Plane stress needs a thickness: a cross-section area will not do.
    testmodel::Model m = PlaneModel(PlaneCase{}, sq, {{1, 2, 3, 4}});
    m.blocks["<ELEMENT_PROPERTIES>"].clear();
    AddRecord(m, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("a", 1.0));
    AddRecord(m, "<ELEMENT_PROPERTIES>",
              testmodel::ElementProperty(1, 1, kStressQuad, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1));
    LoadedMesh lm(m);
    EXPECT_EXIT(CalcStiffPlaneStressQuad(8, 1, 4, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs(ctx + "   -> Element type: _PLANE_STRESS_QUAD\n   -> Geometry kind: _CS_AREA\n\nERROR:\n"
                               "This type of element requires a geometry of kind _LAM_THICK or _GEOM_PATT.\n\n"));
  }
  {
    PlaneCase s;
    s.type = kStrainQuad;
    s.nu = 0.5;  // incompressible: plane strain D would divide by zero
    LoadedMesh lm(PlaneModel(s, sq, {{1, 2, 3, 4}}));
    EXPECT_EXIT(CalcStiffPlaneStrainQuad(8, 1, 4, 1, lm.oc, &lm.mesh, K), testing::ExitedWithCode(1),
                StderrIs("\nReading the material of element property record n. 1\n"
                         "   -> Element type: _PLANE_STRAIN_QUAD\n   -> Material: mat\n   -> Young's modulus: 1\n"
                         "   -> Poisson's ratio: 0.5\n\nERROR:\nInvalid elastic constants.\n"
                         "Young's modulus must be positive and Poisson's ratio\n"
                         "must lie between -1 and 0.5 (both excluded).\n\n"));
  }
}
