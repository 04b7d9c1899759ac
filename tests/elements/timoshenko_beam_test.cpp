// 3-D Timoshenko beam: cantilever closed forms with reduced shear integration, torsion,
// the section angle, rigid-body modes of a curved beam with coupled shear and twist,
// and the refusals.
#include <cmath>
#include <numbers>

#include "line_fixture.h"

using namespace linefix;

namespace {

constexpr int kBeam = 8;

// Section values in record order: A, shear factors 2 and 3, torsion constant, I2, I3,
// a, b, two depths, angle.
using Section = std::array<double, 11>;

struct BeamCase {
  std::vector<std::array<double, 3>> points;
  std::vector<std::vector<int32_t>> elements;
  double E = 1.0, nu = 0.0;
  std::vector<Section> sections;  // one: "_CS_3D"; one per node of a single element: a pattern
  int m = 2, s = 2, t = 2, b = 2;  // sub-pattern counts; all 0: default rule
};

Model BeamModel(const BeamCase& c) {
  Model m;
  for (const auto& p : c.points) testmodel::AddPoint(m, p[0], p[1], p[2]);
  for (const auto& e : c.elements) testmodel::AddElement(m, e);
  testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("mat", 0, 0, c.E, c.nu));
  for (const Section& s : c.sections)
    testmodel::AddRecord(m, "<FRAME_3D_CROSS_SECTIONS>", testmodel::Frame3DSection("s", s));
  int geomKind = GEOM_CS_3D;
  if (c.sections.size() > 1) {
    std::vector<int32_t> recs;
    for (size_t k = 0; k < c.sections.size(); k++) recs.push_back(static_cast<int32_t>(k + 1));
    testmodel::AddRecord(m, "<GEOMETRY_PATTERNS>", GeomPattern("sections", GEOM_CS_3D, recs));
    geomKind = GEOM_PATT;
  }
  int integ = 0;
  if (c.m + c.s + c.t + c.b > 0) {
    testmodel::AddRecord(m, "<NUMERICAL_INTEGRATION>", Pattern("beam", 2, 0, c.m, c.b, c.s, c.t));
    integ = 1;
  }
  const int n = static_cast<int>(c.elements.size());
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>",
                       testmodel::ElementProperty(1, n, kBeam, MAT_LIN_ISO, 1, geomKind, 1, 1, integ));
  return m;
}

// Assembled stiffness of every element of the model.
void Assemble(const BeamCase& c, const MeshData* mesh, Dense* K) {
  Flags oc;
  for (size_t e = 0; e < c.elements.size(); e++) {
    const int nn = static_cast<int>(c.elements[e].size());
    Mat Ke(6 * nn, 6 * nn);
    CalcStiffTimoshenkoBeam3D(6 * nn, static_cast<int>(e + 1), nn, 1, oc, mesh, Ke);
    K->Add(std::vector<int>(c.elements[e].begin(), c.elements[e].end()), Ke);
  }
}

// Cantilever of length 1 along x1 with nElem elements of nodesPerElem nodes, EI = 1,
// kGA = 1e3, tip load 1 along x2: tip deflection and rotation.
void Cantilever(int nElem, int nodesPerElem, int shearPoints, double* w, double* theta) {
  BeamCase c;
  const int nPts = nElem * (nodesPerElem - 1) + 1;
  for (int i = 0; i < nPts; i++) c.points.push_back({static_cast<double>(i) / (nPts - 1), 0, 0});
  for (int e = 0; e < nElem; e++) {
    std::vector<int32_t> nodes;
    for (int k = 0; k < nodesPerElem; k++) nodes.push_back(e * (nodesPerElem - 1) + k + 1);
    c.elements.push_back(nodes);
  }
  // E = 1, nu = 0: G = 0.5, so a shear factor of 2000 on A = 1 gives kGA = 1e3.
  c.sections = {{1.0, 2000.0, 2000.0, 1.0, 1.0, 1.0, 0, 0, 0, 0, 0}};
  c.s = shearPoints;
  LoadedMesh mesh(BeamModel(c));
  Dense K(nPts, 6);
  Assemble(c, mesh, &K);
  std::vector<double> f(K.n + 1, 0.0);
  f[(nPts - 1) * 6 + 2] = 1.0;
  std::vector<double> u = K.Solve(f, {1, 2, 3, 4, 5, 6});
  *w = u[(nPts - 1) * 6 + 2];
  *theta = u[(nPts - 1) * 6 + 6];
}

}  // namespace

TEST(TimoshenkoBeam, CantileverWithReducedShearIntegration) {
  // PL/kGA + (PL^3/3EI)(1 - 1/(4 n^2)) for n two-node elements with a one-point shear
  // rule; the quadratic element with two points gives the exact 1/3 + 1e-3.
  struct Case {
    int nElem, nodes, shearPoints;
    double w;
  };
  const Case cases[] = {{1, 2, 1, 0.251}, {2, 2, 1, 0.3135}, {4, 2, 1, 0.329125}, {1, 3, 2, 1.0 / 3.0 + 1e-3}};
  for (const Case& cs : cases) {
    double w, theta;
    Cantilever(cs.nElem, cs.nodes, cs.shearPoints, &w, &theta);
    EXPECT_NEAR(w, cs.w, 1e-10) << cs.nElem << " elements of " << cs.nodes << " nodes";
    EXPECT_NEAR(theta, 0.5, 1e-10) << cs.nElem << " elements of " << cs.nodes << " nodes";
  }
}

TEST(TimoshenkoBeam, TorsionIsGJOverL) {
  // Along x1: the twist block; along a skewed axis: a torque about the axis turns the
  // free end by TL/GJ about the axis only.
  const double E = 1.0, nu = 0.25, J = 3.0, G = E / (2 * (1 + nu));
  for (const std::array<double, 3>& end : {std::array<double, 3>{2, 0, 0}, std::array<double, 3>{1, 2, 2}}) {
    BeamCase c;
    c.points = {{0, 0, 0}, end};
    c.elements = {{1, 2}};
    c.E = E;
    c.nu = nu;
    c.sections = {{2.0, 0.8, 0.9, J, 0.5, 0.7, 0, 0, 0, 0, 0.3}};
    c.m = c.s = c.t = c.b = 0;
    LoadedMesh mesh(BeamModel(c));
    Dense K(2, 6);
    Assemble(c, mesh, &K);
    const double L = std::sqrt(end[0] * end[0] + end[1] * end[1] + end[2] * end[2]);
    if (end[1] == 0.0) {
      EXPECT_NEAR(K.K[4][4], G * J / L, 1e-12);
      EXPECT_NEAR(K.K[10][10], G * J / L, 1e-12);
      EXPECT_NEAR(K.K[4][10], -G * J / L, 1e-12);
    }
    std::vector<double> f(13, 0.0);
    for (int i = 0; i < 3; i++) f[10 + i] = end[i] / L;  // unit torque about the axis
    std::vector<double> u = K.Solve(f, {1, 2, 3, 4, 5, 6});
    for (int i = 0; i < 3; i++) {
      EXPECT_NEAR(u[10 + i], L / (G * J) * end[i] / L, 1e-10);
      EXPECT_NEAR(u[7 + i], 0.0, 1e-10);
    }
  }
}

TEST(TimoshenkoBeam, SectionAngleOfHalfPiSwapsTheSecondMoments) {
  BeamCase a;
  a.points = {{0, 0, 0}, {1, 2, 2}};
  a.elements = {{1, 2}};
  a.E = 30.0;
  a.nu = 0.2;
  a.sections = {{1.5, 0.8, 0.8, 0.4, 2.0, 5.0, 0, 0, 0, 0, std::numbers::pi / 2}};
  BeamCase b = a;
  b.sections = {{1.5, 0.8, 0.8, 0.4, 5.0, 2.0, 0, 0, 0, 0, 0.0}};
  LoadedMesh ma(BeamModel(a)), mb(BeamModel(b));
  Mat Ka(12, 12), Kb(12, 12);
  Flags oc;
  CalcStiffTimoshenkoBeam3D(12, 1, 2, 1, oc, ma, Ka);
  CalcStiffTimoshenkoBeam3D(12, 1, 2, 1, oc, mb, Kb);
  EXPECT_LT(MaxDiff(Ka, Kb, 12, 12), 1e-12 * MaxAbs(Ka, 12, 12));
  // Without the swap the two differ.
  b.sections[0][10] = std::numbers::pi / 2;
  LoadedMesh mc(BeamModel(b));
  CalcStiffTimoshenkoBeam3D(12, 1, 2, 1, oc, mc, Kb);
  EXPECT_GT(MaxDiff(Ka, Kb, 12, 12), 1e-3);
}

TEST(TimoshenkoBeam, CurvedBeamHasExactlySixRigidModes) {
  // Three nodes off a straight line, shear coordinates a and b coupling shear and twist,
  // section angle varying from node to node.
  BeamCase c;
  c.points = {{0, 0, 0}, {1, 0.3, 0.2}, {2, 0.1, 0.7}};
  c.elements = {{1, 2, 3}};
  c.E = 100.0;
  c.nu = 0.3;
  c.sections = {{1.0, 0.8, 0.7, 0.2, 0.10, 0.15, 0.05, -0.03, 0, 0, 0.0},
                {1.1, 0.8, 0.7, 0.2, 0.11, 0.16, 0.05, -0.03, 0, 0, 0.4},
                {1.2, 0.8, 0.7, 0.2, 0.12, 0.17, 0.05, -0.03, 0, 0, 0.9}};
  c.m = 3;
  c.s = 2;
  c.t = 3;
  c.b = 3;
  LoadedMesh mesh(BeamModel(c));
  Mat K(18, 18);
  Flags oc;
  CalcStiffTimoshenkoBeam3D(18, 1, 3, 1, oc, mesh, K);
  const double scale = MaxAbs(K, 18, 18);
  EXPECT_TRUE(IsSymmetric(K, 18, 1e-12 * scale));
  Vec v(18);
  for (int mode = 0; mode < 6; mode++) {
    for (int k = 0; k < 3; k++) {
      const auto& x = c.points[k];
      double* u = v + 6 * k;
      for (int i = 1; i <= 6; i++) u[i] = 0.0;
      if (mode < 3) {
        u[mode + 1] = 1.0;
      } else {
        double w[4] = {0, 0, 0, 0};
        w[mode - 2] = 1.0;
        u[1] = w[2] * x[2] - w[3] * x[1];
        u[2] = w[3] * x[0] - w[1] * x[2];
        u[3] = w[1] * x[1] - w[2] * x[0];
        u[mode + 1] = 1.0;
      }
    }
    EXPECT_LT(MaxResidual(K, v, 18), 1e-11 * scale) << "mode " << mode;
  }
  Mat A(18, 18), V(18, 18);
  copyd2(A, K, 18, 18);
  Vec lambda(18);
  int nrot;
  double offmax;
  ASSERT_TRUE(eigjacobi(A, 18, lambda, V, &nrot, &offmax));
  int zeros = 0;
  for (int i = 1; i <= 18; i++) zeros += std::fabs(lambda[i]) < 1e-9 * scale;
  EXPECT_EQ(zeros, 6);
}

TEST(TimoshenkoBeam, PrintsUnderItsOwnFlags) {
  // The stiffness once, the local axes at every point of the four loops (3 + 1 + 2 + 2).
  BeamCase c;
  c.points = {{0, 0, 0}, {1, 0, 0}};
  c.elements = {{1, 2}};
  c.sections = {{1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}};
  c.m = 3;
  c.s = 1;
  LoadedMesh mesh(BeamModel(c));
  Mat K(12, 12);
  Flags oc;
  oc.f[OC_PRINT_MAT_KG_TIMOSHENKO_BEAM_3D] = 'Y';
  std::string out = Printed([&] { CalcStiffTimoshenkoBeam3D(12, 1, 2, 1, oc, mesh, K); });
  EXPECT_EQ(Occurrences(out, "Stiffness matrix Kg (_TIMOSHENKO_BEAM_3D):\nElement n. 1\n"), 1);
  EXPECT_EQ(Occurrences(out, "Transformation matrix"), 0);
  Flags ot;
  ot.f[OC_PRINT_MAT_T_TIMOSHENKO_BEAM_3D] = 'Y';
  out = Printed([&] { CalcStiffTimoshenkoBeam3D(12, 1, 2, 1, ot, mesh, K); });
  EXPECT_EQ(Occurrences(out, "Transformation matrix T (_TIMOSHENKO_BEAM_3D):\nElement n. 1\n"), 8);
  EXPECT_EQ(Occurrences(out, "Stiffness matrix"), 0);
}

TEST(TimoshenkoBeamDeath, RefusesWhatItCannotCompute) {
  Flags oc;
  Mat K(24, 24);
  BeamCase c;
  c.points = {{1, 1, 1}, {1, 1, 1}};
  c.elements = {{1, 2}};
  c.sections = {{1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}};
  {
    LoadedMesh mesh(BeamModel(c));
    EXPECT_EXIT(CalcStiffTimoshenkoBeam3D(12, 1, 2, 1, oc, mesh, K), testing::ExitedWithCode(1),
                Lit("\nCalculating the stiffness matrix of element n. 1\n\nERROR:\nJacobian norm (axial) is null:\n"
                    "element geometry and/or mesh connectivity must be changed.\n"));
  }
  {
    BeamCase four = c;
    four.points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    four.elements = {{1, 2, 3, 4}};
    LoadedMesh mesh(BeamModel(four));
    EXPECT_EXIT(CalcStiffTimoshenkoBeam3D(24, 1, 4, 1, oc, mesh, K), testing::ExitedWithCode(1),
                Lit("Element n. 1 (_TIMOSHENKO_BEAM_3D) has 4 nodes.\nThis element type takes 2 or 3 nodes.\n"));
  }
  {
    BeamCase noShear = c;
    noShear.points = {{0, 0, 0}, {1, 0, 0}};
    noShear.s = 0;
    LoadedMesh mesh(BeamModel(noShear));
    EXPECT_EXIT(CalcStiffTimoshenkoBeam3D(12, 1, 2, 1, oc, mesh, K), testing::ExitedWithCode(1),
                Lit("Integration pattern is incomplete.\nThe parameter _S_S1_k is missing.\n"));
  }
  double g[3] = {0, -1, 1}, N[3] = {0, 0.5, 0.5};
  EXPECT_EXIT(CalcMat_B_TimoshenkoBeam3D(2, 'X', 0, 0, K, g, N), testing::ExitedWithCode(1), kInternal);
}
