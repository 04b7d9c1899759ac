// Cable elements: bar stiffness of straight cables, curved cables (symmetry, rigid modes,
// stretch energy with interpolated areas), the tangent of the cyclic steel law in the
// first iterations, and the refusals.
#include "line_fixture.h"

using namespace linefix;

namespace {

constexpr int kCable2D = 5, kCable3D = 6;

struct CableCase {
  int type = kCable3D;
  std::vector<std::array<double, 3>> points;
  double E = 1.0;
  std::vector<double> areas{1.0};  // one value: "_CS_AREA"; one per node: a geometry pattern
  int matKind = MAT_LIN_ISO;
  int integType = 1;
  int pattern = 0;  // 0: default rule, else the G_S1 count of a pattern
};

Model CableModel(const CableCase& c) {
  Model m;
  std::vector<int32_t> nodes;
  for (const auto& p : c.points) nodes.push_back(testmodel::AddPoint(m, p[0], p[1], p[2]));
  testmodel::AddElement(m, nodes);
  testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("steel", 7.85, 1e-5, c.E, 0.3));
  // Steel laws: value 2 the expansion coefficient, value 3 (202) or value 4 / value 3
  // (201) the initial modulus.
  testmodel::AddRecord(m, "<NLMM201>", Rec().S("monotonic").Ds({0, 1e-5, 2.0, 2.0 * c.E, 0, 0, 0, 0, 0}));
  testmodel::AddRecord(m, "<NLMM202>", Rec().S("cyclic").Ds({0, 1e-5, c.E, 0.01 * c.E, 0.002, 0.002 * c.E, 0.01, 0, 0.1, 0.003 * c.E}));
  for (size_t k = 0; k < c.areas.size(); k++)
    testmodel::AddRecord(m, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("A", c.areas[k]));
  int geomKind = GEOM_CS_AREA;
  if (c.areas.size() > 1) {
    std::vector<int32_t> recs;
    for (size_t k = 0; k < c.areas.size(); k++) recs.push_back(static_cast<int32_t>(k + 1));
    testmodel::AddRecord(m, "<GEOMETRY_PATTERNS>", GeomPattern("areas", GEOM_CS_AREA, recs));
    geomKind = GEOM_PATT;
  }
  int integNumber = 0;
  if (c.pattern != 0) {
    testmodel::AddRecord(m, "<NUMERICAL_INTEGRATION>", Pattern("line", c.pattern));
    integNumber = 1;
  }
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>",
                       testmodel::ElementProperty(1, 1, c.type, c.matKind, 1, geomKind, 1, c.integType, integNumber));
  return m;
}

int Dofs(const CableCase& c) { return (c.type == kCable2D ? 2 : 3) * static_cast<int>(c.points.size()); }

// Linear stiffness of the model's element 1.
void Stiffness(const CableCase& c, const MeshData* mesh, double** K) {
  Flags oc;
  const int n = static_cast<int>(c.points.size());
  if (c.type == kCable2D)
    CalcStiffCable2D(Dofs(c), 1, n, 1, oc, mesh, K);
  else
    CalcStiffCable3D(Dofs(c), 1, n, 1, oc, mesh, K);
}

// Coordinates of node k in the element's own components (x2, x3 for the 2-D cable).
std::vector<double> NodeCoords(const CableCase& c, int k) {
  const auto& p = c.points[k];
  if (c.type == kCable2D) return {p[1], p[2]};
  return {p[0], p[1], p[2]};
}

}  // namespace

TEST(Cable, StraightTwoNodeCableIsTheBarStiffness) {
  struct Case {
    int type;
    std::array<double, 3> a, b;
  };
  const Case cases[] = {
      {kCable2D, {0, 0, 0}, {0, 3, 4}},
      {kCable2D, {5, 1, 2}, {5, -2, 6}},
      {kCable3D, {0, 0, 0}, {1, 2, 2}},
      {kCable3D, {1, 1, 1}, {1, 1, -2}},  // along -x3
  };
  for (const Case& cs : cases) {
    CableCase c;
    c.type = cs.type;
    c.points = {cs.a, cs.b};
    c.E = 300.0;
    c.areas = {2.0};
    LoadedMesh mesh(CableModel(c));
    const int nd = Dofs(c), d = nd / 2;
    Mat K(nd, nd);
    Stiffness(c, mesh, K);
    std::vector<double> x1 = NodeCoords(c, 0), x2 = NodeCoords(c, 1), t(d);
    double L = 0.0;
    for (int i = 0; i < d; i++) L += (x2[i] - x1[i]) * (x2[i] - x1[i]);
    L = std::sqrt(L);
    for (int i = 0; i < d; i++) t[i] = (x2[i] - x1[i]) / L;
    const double k = 300.0 * 2.0 / L;
    for (int a = 1; a <= nd; a++)
      for (int b = 1; b <= nd; b++) {
        const double sign = ((a - 1) / d == (b - 1) / d) ? 1.0 : -1.0;
        EXPECT_NEAR(K[a][b], sign * k * t[(a - 1) % d] * t[(b - 1) % d], 1e-11 * k) << "type " << cs.type;
      }
  }
}

TEST(Cable, CurvedCableIsSymmetricWithRigidModesAndStretchEnergy) {
  // Three-node cables off the chord (node 2 in the middle), nodal areas varying along the
  // cable, a three-point rule.
  struct Case {
    int type;
    std::vector<std::array<double, 3>> points;
  };
  const Case cases[] = {
      {kCable3D, {{0, 0, 0}, {1, 0.4, 0.3}, {2, 0.1, 0.8}}},
      {kCable2D, {{0, 0, 0}, {0, 1, 0.5}, {0, 2.5, 0.2}}},
  };
  for (const Case& cs : cases) {
    CableCase c;
    c.type = cs.type;
    c.points = cs.points;
    c.E = 50.0;
    c.areas = {1.0, 2.0, 3.0};
    c.pattern = 3;
    LoadedMesh mesh(CableModel(c));
    const int nd = Dofs(c), d = nd / 3;
    Mat K(nd, nd);
    Stiffness(c, mesh, K);
    const double scale = MaxAbs(K, nd, nd);
    EXPECT_TRUE(IsSymmetric(K, nd, 1e-12 * scale));

    // Rigid translations and infinitesimal rotations strain nothing.
    Vec v(nd);
    for (int dir = 0; dir < d; dir++) {
      for (int i = 1; i <= nd; i++) v[i] = ((i - 1) % d == dir) ? 1.0 : 0.0;
      EXPECT_LT(MaxResidual(K, v, nd), 1e-11 * scale);
    }
    const double omega[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int r = 0; r < (d == 3 ? 3 : 1); r++) {
      for (int k = 0; k < 3; k++) {
        std::vector<double> x = NodeCoords(c, k);
        if (d == 2) {
          v[2 * k + 1] = -x[1];
          v[2 * k + 2] = x[0];
        } else {
          const double* w = omega[r];
          v[3 * k + 1] = w[1] * x[2] - w[2] * x[1];
          v[3 * k + 2] = w[2] * x[0] - w[0] * x[2];
          v[3 * k + 3] = w[0] * x[1] - w[1] * x[0];
        }
      }
      EXPECT_LT(MaxResidual(K, v, nd), 1e-11 * scale);
    }

    // A uniform stretch u = eps x strains the cable by eps everywhere: u^T K u equals
    // E eps^2 times the integral of the interpolated area along the arc.
    const double eps = 1e-3;
    for (int k = 0; k < 3; k++) {
      std::vector<double> x = NodeCoords(c, k);
      for (int i = 0; i < d; i++) v[d * k + i + 1] = eps * x[i];
    }
    double energy = 0.0;
    for (int i = 1; i <= nd; i++)
      for (int j = 1; j <= nd; j++) energy += v[i] * K[i][j] * v[j];
    const double* a;
    const double* w;
    GetLineIntegrationRule(1, 1, 1, 3, &a, &w);
    double expected = 0.0;
    for (int ip = 1; ip <= 3; ip++) {
      double N[4], dN[4], tan[4] = {0, 0, 0, 0};
      CalcShapeFuncLine(3, a[ip], N);
      CalcShapeFuncDerivLine(3, a[ip], dN);
      for (int k = 0; k < 3; k++) {
        std::vector<double> x = NodeCoords(c, k);
        for (int i = 0; i < d; i++) tan[i + 1] += dN[k + 1] * x[i];
      }
      const double A = N[1] * 1.0 + N[2] * 2.0 + N[3] * 3.0;
      expected += 50.0 * eps * eps * A * w[ip] * normd1(tan, d);
    }
    EXPECT_NEAR(energy, expected, 1e-12 * expected);
  }
}

TEST(Cable, CyclicSteelTangentIsTheInitialModulusInTheFirstTwoIterations) {
  CableCase lin;
  lin.points = {{0, 0, 0}, {0.5, 1, 0.2}, {1, 2, 2}};
  lin.E = 210.0;
  lin.areas = {3.0};
  LoadedMesh linMesh(CableModel(lin));
  Mat Klin(9, 9);
  Stiffness(lin, linMesh, Klin);

  CableCase nl = lin;
  nl.matKind = MAT_NLMM202;
  LoadedMesh nlMesh(CableModel(nl));
  Flags oc;
  for (int iter = 1; iter <= 2; iter++) {
    Mat K(9, 9);
    CalcStiffCable3D_NL(1, 9, 1, iter, 3, 1, oc, nullptr, nlMesh, nullptr, nullptr, K);
    EXPECT_LT(MaxDiff(K, Klin, 9, 9), 1e-12 * MaxAbs(Klin, 9, 9));
  }
  CableCase nl2 = nl;
  nl2.type = kCable2D;
  nl2.points = {{0, 0, 0}, {0, 3, 4}};
  LoadedMesh nl2Mesh(CableModel(nl2));
  Mat K2(4, 4);
  CalcStiffCable2D_NL(1, 4, 1, 2, 2, 1, oc, nullptr, nl2Mesh, nullptr, nullptr, K2);
  EXPECT_NEAR(K2[1][1], 210.0 * 3.0 / 5.0 * 0.36, 1e-10);
}

TEST(Cable, PrintsUnderItsOwnFlags) {
  // The stiffness once per element, the local axes at every integration point.
  for (int type : {kCable2D, kCable3D}) {
    CableCase c;
    c.type = type;
    c.points = {{0, 0, 0}, {0, 1, 1}};
    c.pattern = 3;
    LoadedMesh mesh(CableModel(c), std::to_string(type));
    const bool is3D = type == kCable3D;
    const std::string name = is3D ? "_CABLE_3D" : "_CABLE_2D";
    Mat K(6, 6);
    auto run = [&](const char* flags) {
      if (is3D)
        CalcStiffCable3D(6, 1, 2, 1, flags, mesh, K);
      else
        CalcStiffCable2D(4, 1, 2, 1, flags, mesh, K);
    };
    Flags oc;
    oc.f[is3D ? OC_PRINT_MAT_KG_CABLE_3D : OC_PRINT_MAT_KG_CABLE_2D] = 'Y';
    std::string out = Printed([&] { run(oc); });
    EXPECT_EQ(Occurrences(out, "Stiffness matrix Kg (" + name + "):\nElement n. 1\n"), 1);
    EXPECT_EQ(Occurrences(out, "Transformation matrix"), 0);
    Flags ot;
    ot.f[is3D ? OC_PRINT_MAT_T_CABLE_3D : OC_PRINT_MAT_T_CABLE_2D] = 'Y';
    out = Printed([&] { run(ot); });
    EXPECT_EQ(Occurrences(out, "Transformation matrix T (" + name + "):\nElement n. 1\n"), 3);
    EXPECT_EQ(Occurrences(out, "Stiffness matrix"), 0);
  }
}

TEST(CableDeath, RefusesWhatItCannotCompute) {
  Flags oc;
  Mat K(12, 12);
  Vec u(12), F(12);
  Mat dT(1, 4);

  CableCase c;
  c.points = {{0, 0, 0}, {1, 0, 0}};
  // Coincident nodes: the Jacobian stop, not a division by zero.
  {
    CableCase z = c;
    z.points = {{1, 1, 1}, {1, 1, 1}};
    LoadedMesh mesh(CableModel(z));
    EXPECT_EXIT(CalcStiffCable3D(6, 1, 2, 1, oc, mesh, K), testing::ExitedWithCode(1),
                Lit("\nCalculating the stiffness matrix of element n. 1\n\nERROR:\nJacobian norm is null:\n"
                    "element geometry and/or mesh connectivity must be changed.\n"));
  }
  // Four nodes: refused with the element named.
  {
    CableCase four = c;
    four.points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    LoadedMesh mesh(CableModel(four));
    EXPECT_EXIT(CalcStiffCable3D(12, 1, 4, 1, oc, mesh, K), testing::ExitedWithCode(1),
                Lit("\nCalculating the stiffness matrix of element n. 1\n\nERROR:\n"
                    "Element n. 1 (_CABLE_3D) has 4 nodes.\nThis element type takes 2 or 3 nodes.\n"));
  }
  // A pattern without the general s1 count, and the Newton-Cotes type that has no rule.
  {
    Model m = CableModel(c);
    testmodel::AddRecord(m, "<NUMERICAL_INTEGRATION>", Pattern("membrane only", 0, 0, 2));
    m.blocks["<ELEMENT_PROPERTIES>"][0] =
        testmodel::ElementProperty(1, 1, kCable3D, MAT_LIN_ISO, 1, GEOM_CS_AREA, 1, 1, 1);
    LoadedMesh mesh(m);
    EXPECT_EXIT(CalcStiffCable3D(6, 1, 2, 1, oc, mesh, K), testing::ExitedWithCode(1),
                Lit("   -> Specified integration name: membrane only\n\nERROR:\n"
                    "Integration pattern is incomplete.\nThe parameter _G_S1_k is missing.\n"));
  }
  {
    CableCase nc = c;
    nc.integType = 3;
    LoadedMesh mesh(CableModel(nc));
    EXPECT_EXIT(CalcStiffCable3D(6, 1, 2, 1, oc, mesh, K), testing::ExitedWithCode(1), "Invalid integration type");
  }
  // Material kinds: a nonlinear law in the linear routine, a linear one in the
  // nonlinear routines, the laws that are not part of this build.
  {
    CableCase s = c;
    s.matKind = MAT_NLMM202;
    LoadedMesh mesh(CableModel(s));
    EXPECT_EXIT(CalcStiffCable3D(6, 1, 2, 1, oc, mesh, K), testing::ExitedWithCode(1), kInternal);
    EXPECT_EXIT(CalcStiffCable3D_NL(1, 6, 1, 3, 2, 1, oc, nullptr, mesh, nullptr, nullptr, K),
                testing::ExitedWithCode(1), kInternal);
    EXPECT_EXIT(CalcInt_Fg_Cable3D_NL(1, 6, 1, 1, 2, 1, oc, nullptr, mesh, nullptr, nullptr, u, dT, F),
                testing::ExitedWithCode(1), kInternal);
  }
  {
    CableCase s = c;
    s.matKind = MAT_NLMM201;
    LoadedMesh mesh(CableModel(s));
    EXPECT_EXIT(CalcStiffCable3D_NL(1, 6, 1, 1, 2, 1, oc, nullptr, mesh, nullptr, nullptr, K),
                testing::ExitedWithCode(1), kInternal);
    EXPECT_EXIT(CalcInt_Fg_Cable3D_NL(1, 6, 1, 1, 2, 1, oc, nullptr, mesh, nullptr, nullptr, u, dT, F),
                testing::ExitedWithCode(1), kInternal);
  }
  {
    LoadedMesh mesh(CableModel(c));
    EXPECT_EXIT(CalcStiffCable3D_NL(1, 6, 1, 1, 2, 1, oc, nullptr, mesh, nullptr, nullptr, K),
                testing::ExitedWithCode(1), kInternal);
    EXPECT_EXIT(CalcInt_Fg_Cable3D_NL(1, 6, 1, 1, 2, 1, oc, nullptr, mesh, nullptr, nullptr, u, dT, F),
                testing::ExitedWithCode(1), kInternal);
  }
}
