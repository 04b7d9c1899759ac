// Line and surface interface elements: the closed-form terms of straight and flat
// elements, the exchange of sliding and opening under rotation, the mid-line of faces
// apart, widths from a geometry pattern, rotation invariance, and the refusals.
#include <cmath>

#include "line_fixture.h"

using namespace linefix;

namespace {

constexpr int kLine2D = 27, kLine3D = 28, kQuad = 30;

struct InterfaceCase {
  int type = kLine2D;
  std::vector<std::array<double, 3>> points;  // element nodes in order
  std::vector<double> props;                  // record values in file order
  std::vector<double> widths{0.5};            // one: "_LAM_THICK"; one per node: a pattern
  int matKind = 0;                            // 0: the linear kind of the type
  int g1 = 0, g2 = 0;                         // pattern counts; 0: default rule
};

Model InterfaceModel(const InterfaceCase& c) {
  Model m;
  std::vector<int32_t> nodes;
  for (const auto& p : c.points) nodes.push_back(testmodel::AddPoint(m, p[0], p[1], p[2]));
  testmodel::AddElement(m, nodes);
  const char* tag = c.type == kLine2D   ? "<LINEAR_INTERFACE_LINE_2D_PROPERTIES>"
                    : c.type == kLine3D ? "<LINEAR_INTERFACE_LINE_3D_PROPERTIES>"
                                        : "<LINEAR_INTERFACE_SURFACE_PROPERTIES>";
  testmodel::AddRecord(m, tag, Rec().S("interface").Ds(c.props));
  int kind = c.matKind;
  if (kind == 0)
    kind = c.type == kLine2D ? MAT_LIN_INT_LINE_2D : c.type == kLine3D ? MAT_LIN_INT_LINE_3D : MAT_LIN_INT_SURF;
  testmodel::AddRecord(m, "<NLMM305>", Rec().S("bond").Ds({1, 2, 3, 4, 5, 6, 7}));
  testmodel::AddRecord(m, "<NLMM306>", Rec().S("cyclic").Ds({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).S("warnings"));
  for (double t : c.widths) testmodel::AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("t", t));
  int geomKind = GEOM_LAM_THICK;
  if (c.widths.size() > 1) {
    std::vector<int32_t> recs;
    for (size_t k = 0; k < c.widths.size(); k++) recs.push_back(static_cast<int32_t>(k + 1));
    testmodel::AddRecord(m, "<GEOMETRY_PATTERNS>", GeomPattern("widths", GEOM_LAM_THICK, recs));
    geomKind = GEOM_PATT;
  }
  int integ = 0;
  if (c.g1 > 0) {
    testmodel::AddRecord(m, "<NUMERICAL_INTEGRATION>", Pattern("rule", c.g1, c.g2));
    integ = 1;
  }
  if (c.type == kQuad) geomKind = 0;  // the surface interface has no section
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>",
                       testmodel::ElementProperty(1, 1, c.type, kind, 1, geomKind, geomKind == 0 ? 0 : 1, 1, integ));
  return m;
}

int DofsPerNode(int type) { return type == kLine2D ? 2 : 3; }

void StiffnessWith(const InterfaceCase& c, const MeshData* mesh, const char* oc, double** K) {
  const int n = static_cast<int>(c.points.size());
  const int nd = DofsPerNode(c.type) * n;
  switch (c.type) {
    case kLine2D: CalcStiffInterfaceLine2D(nd, 1, n, 1, oc, mesh, K); break;
    case kLine3D: CalcStiffInterfaceLine3D(nd, 1, n, 1, oc, mesh, K); break;
    default: CalcStiffInterfaceQuad(nd, 1, n, 1, oc, mesh, K); break;
  }
}

void Stiffness(const InterfaceCase& c, const MeshData* mesh, double** K) { StiffnessWith(c, mesh, Flags(), K); }

// Closed form of a straight two-node-per-face line interface (or a flat four-node-per-face
// surface interface): K[(a,i)][(b,j)] = sign(a,b) k_i M[a'][b'] delta_ij, with M the
// exact integral of N_a' N_b' (times the width) and k_i the stiffness along dof i.
void ClosedForm(int m, int d, double** M, const double* k, double** K) {
  for (int a = 1; a <= 2 * m; a++)
    for (int b = 1; b <= 2 * m; b++) {
      const double sign = ((a - 1) / m == (b - 1) / m) ? 1.0 : -1.0;
      const int ia = (a - 1) % m + 1, ib = (b - 1) % m + 1;
      for (int i = 1; i <= d; i++)
        for (int j = 1; j <= d; j++) K[d * (a - 1) + i][d * (b - 1) + j] = i == j ? sign * k[i] * M[ia][ib] : 0.0;
    }
}

}  // namespace

TEST(InterfaceLine, StraightElementAlongX2AndAlongX3) {
  // L = 2, width 0.5, ks = 100 (sliding), kn = 1000 (opening): diagonal k t L / 3,
  // k t L / 6 within a face, the negatives across, no coupling between directions.
  const double L = 2.0, t = 0.5, ks = 100.0, kn = 1000.0;
  Mat M(2, 2), Kc(8, 8), K(8, 8);
  M[1][1] = M[2][2] = t * L / 3;
  M[1][2] = M[2][1] = t * L / 6;
  for (int along = 2; along <= 3; along++) {
    InterfaceCase c;
    c.props = {kn, ks};
    for (int face = 0; face < 2; face++)
      for (int k = 0; k < 2; k++) c.points.push_back(along == 2 ? std::array<double, 3>{0, k * L, 0}
                                                                : std::array<double, 3>{0, 0, k * L});
    LoadedMesh mesh(InterfaceModel(c), along == 2 ? "x2" : "x3");
    Stiffness(c, mesh, K);
    // Sliding acts along the line: along x2 it is the first in-plane dof, along x3 the second.
    const double k[3] = {0, along == 2 ? ks : kn, along == 2 ? kn : ks};
    ClosedForm(2, 2, M, k, Kc);
    EXPECT_LT(MaxDiff(K, Kc, 8, 8), 1e-11 * kn);
    const int slide = along == 2 ? 1 : 2, open = 3 - slide;
    EXPECT_NEAR(K[slide][slide], 33.3333333333, 1e-9);
    EXPECT_NEAR(K[open][open], 333.333333333, 1e-8);
    EXPECT_NEAR(K[slide][slide + 2], 100.0 / 6.0, 1e-9);
    EXPECT_NEAR(K[slide][slide + 4], -33.3333333333, 1e-9);
  }
}

TEST(InterfaceLine, FacesApartUseTheMidLineAndTheMeanWidth) {
  // Faces 0.2 apart around the line x3 = 1, the first face 0.4 wide and the second 0.6:
  // the result equals the collapsed element on the mid-line with width 0.5.
  InterfaceCase collapsed;
  collapsed.props = {1000, 100};
  collapsed.points = {{0, 0, 1}, {0, 2, 1}, {0, 0, 1}, {0, 2, 1}};
  InterfaceCase apart = collapsed;
  apart.points = {{0, 0, 0.9}, {0, 2, 0.9}, {0, 0, 1.1}, {0, 2, 1.1}};
  apart.widths = {0.4, 0.4, 0.6, 0.6};
  LoadedMesh m1(InterfaceModel(collapsed), "a"), m2(InterfaceModel(apart), "b");
  Mat K1(8, 8), K2(8, 8);
  Stiffness(collapsed, m1, K1);
  Stiffness(apart, m2, K2);
  EXPECT_LT(MaxDiff(K1, K2, 8, 8), 1e-11 * 1000);
}

TEST(InterfaceLine, SixNodeAndThreeDimensionalElementsKeepRigidTranslationsFree) {
  // Curved three-node faces: a common translation of both faces strains nothing, and a
  // relative translation does (the matrix is symmetric and not null).
  struct Case {
    int type;
    std::vector<double> props;
    std::vector<std::array<double, 3>> face;
  };
  const Case cases[] = {
      {kLine2D, {1000, 100}, {{0, 0, 0}, {0, 1, 0.3}, {0, 2, 0.1}}},
      {kLine3D, {1000, 500, 100}, {{0, 0, 0}, {1, 0.2, 0.3}, {2, 0.4, 0.1}}},
  };
  for (const Case& cs : cases) {
    InterfaceCase c;
    c.type = cs.type;
    c.props = cs.props;
    c.points = cs.face;
    c.points.insert(c.points.end(), cs.face.begin(), cs.face.end());
    c.g1 = 3;
    LoadedMesh mesh(InterfaceModel(c), std::to_string(cs.type));
    const int d = DofsPerNode(cs.type), nd = 6 * d;
    Mat K(nd, nd);
    Stiffness(c, mesh, K);
    const double scale = MaxAbs(K, nd, nd);
    EXPECT_GT(scale, 1.0);
    EXPECT_TRUE(IsSymmetric(K, nd, 1e-12 * scale));
    Vec v(nd);
    for (int dir = 1; dir <= d; dir++) {
      for (int i = 1; i <= nd; i++) v[i] = ((i - 1) % d + 1 == dir) ? 1.0 : 0.0;
      EXPECT_LT(MaxResidual(K, v, nd), 1e-11 * scale);
    }
  }
}

TEST(InterfaceLine, ThreeDimensionalStiffnessesActAlongTheLocalAxes) {
  // Along x1 the local axes are the global ones: sliding (third value) along x1, the
  // first value along x2, the second along x3.
  InterfaceCase c;
  c.type = kLine3D;
  c.props = {1000, 500, 100};
  c.widths = {2.0};
  c.points = {{0, 0, 0}, {3, 0, 0}, {0, 0, 0}, {3, 0, 0}};
  LoadedMesh mesh(InterfaceModel(c));
  Mat K(12, 12), Kc(12, 12), M(2, 2);
  Stiffness(c, mesh, K);
  M[1][1] = M[2][2] = 2.0 * 3.0 / 3;
  M[1][2] = M[2][1] = 2.0 * 3.0 / 6;
  const double k[4] = {0, 100, 1000, 500};
  ClosedForm(2, 3, M, k, Kc);
  EXPECT_LT(MaxDiff(K, Kc, 12, 12), 1e-11 * 1000);
}

TEST(InterfaceQuad, FlatElementClosedFormForBothNormals) {
  // Lx = 2 by Ly = 3 in the x1-x2 plane, D = diag(kt1, kt2, kn): each direction carries
  // k times the exact integrals of N_i N_j (Lx Ly / 9 on the diagonal). First face
  // anticlockwise (normal +x3) and clockwise (normal -x3, T = diag(1, -1, -1)). The same
  // element 1e-5 times as large (an area scale of 1.5e-10) is as sound.
  const double kn = 1000.0, kt1 = 100.0, kt2 = 300.0;
  for (double f : {1.0, 1e-5}) {
    const double Lx = 2.0 * f, Ly = 3.0 * f;
    const std::array<double, 3> corners[4] = {{0, 0, 0}, {Lx, 0, 0}, {Lx, Ly, 0}, {0, Ly, 0}};
    for (int order = 0; order < 2; order++) {
      InterfaceCase c;
      c.type = kQuad;
      c.props = {kn, kt1, kt2};
      for (int face = 0; face < 2; face++)
        for (int k = 0; k < 4; k++) c.points.push_back(corners[order == 0 ? k : (4 - k) % 4]);
      if (order == 1) c.g1 = 3, c.g2 = 2;  // another exact rule, s1 and s2 counts apart
      LoadedMesh mesh(InterfaceModel(c), std::to_string(order) + (f == 1.0 ? "" : "s"));
      Mat K(24, 24), Kc(24, 24), M(4, 4);
      Stiffness(c, mesh, K);
      for (int a = 1; a <= 4; a++)
        for (int b = 1; b <= 4; b++) {
          const int gap = std::abs(a - b);
          M[a][b] = Lx * Ly / (gap == 0 ? 9.0 : gap == 2 ? 36.0 : 18.0);
        }
      const double k[4] = {0, kt1, kt2, kn};
      ClosedForm(4, 3, M, k, Kc);
      EXPECT_LT(MaxDiff(K, Kc, 24, 24), 1e-10 * kn * f * f) << "order " << order << ", size " << f;
      EXPECT_NEAR(K[3][3], kn * Lx * Ly / 9.0, 1e-9 * f * f);
    }
  }
}

TEST(InterfaceQuad, UniformOpeningOfQuadraticFacesCarriesKnTimesTheArea) {
  // 8- and 9-node faces of a 2 x 3 rectangle, 3 x 3 rule: opening the second face by w
  // against the first gives the normal force kn w Lx Ly on each face, and sliding it
  // along x1 gives kt1 w Lx Ly, with no force in the other directions.
  const double Lx = 2.0, Ly = 3.0, kn = 1000.0, kt1 = 100.0, kt2 = 300.0;
  for (int m : {8, 9}) {
    InterfaceCase c;
    c.type = kQuad;
    c.props = {kn, kt1, kt2};
    c.g1 = c.g2 = 3;
    Mat S(m, 2);
    CalcNatCoord(m, S);
    for (int f = 0; f < 2; f++)
      for (int k = 1; k <= m; k++) c.points.push_back({(1 + S[k][1]) * Lx / 2, (1 + S[k][2]) * Ly / 2, 0.0});
    LoadedMesh mesh(InterfaceModel(c), std::to_string(m));
    const int nd = 6 * m;
    Mat K(nd, nd);
    Stiffness(c, mesh, K);
    for (int dir = 1; dir <= 3; dir += 2) {
      Vec u(nd), f(nd);
      for (int k = m + 1; k <= 2 * m; k++) u[3 * (k - 1) + dir] = 1e-3;
      multd2d1(f, K, u, nd, nd);
      double face1[4] = {0, 0, 0, 0}, face2[4] = {0, 0, 0, 0};
      for (int k = 1; k <= 2 * m; k++)
        for (int i = 1; i <= 3; i++) (k <= m ? face1 : face2)[i] += f[3 * (k - 1) + i];
      const double k = dir == 3 ? kn : kt1;
      for (int i = 1; i <= 3; i++) {
        EXPECT_NEAR(face2[i], i == dir ? k * 1e-3 * Lx * Ly : 0.0, 1e-11) << m << " nodes, dir " << dir;
        EXPECT_NEAR(face1[i], -face2[i], 1e-11);
      }
    }
  }
}

TEST(InterfaceQuad, TiltedElementRotatesWithTheBody) {
  // Equal in-plane stiffnesses: rotating the element rotates its matrix, K' = R K R^T
  // node block by node block; a common translation of both faces strains nothing.
  const double cx = std::cos(0.5), sx = std::sin(0.5), cz = std::cos(0.3), sz = std::sin(0.3);
  // R = Rx(0.5) Rz(0.3)
  const double R[4][4] = {{0, 0, 0, 0}, {0, cz, -sz, 0}, {0, cx * sz, cx * cz, -sx}, {0, sx * sz, sx * cz, cx}};
  const std::array<double, 3> face[4] = {{0, 0, 0}, {2, 0.2, 0}, {2.3, 1.5, 0}, {-0.1, 1.2, 0}};
  InterfaceCase flat, tilted;
  flat.type = tilted.type = kQuad;
  flat.props = tilted.props = {1000, 200, 200};
  for (int f = 0; f < 2; f++)
    for (const auto& p : face) {
      flat.points.push_back(p);
      std::array<double, 3> q{};
      for (int i = 0; i < 3; i++) q[i] = R[i + 1][1] * p[0] + R[i + 1][2] * p[1] + R[i + 1][3] * p[2];
      tilted.points.push_back(q);
    }
  LoadedMesh m1(InterfaceModel(flat), "flat"), m2(InterfaceModel(tilted), "tilted");
  Mat K(24, 24), Kt(24, 24), Kr(24, 24);
  Stiffness(flat, m1, K);
  Stiffness(tilted, m2, Kt);
  for (int a = 0; a < 8; a++)
    for (int b = 0; b < 8; b++)
      for (int i = 1; i <= 3; i++)
        for (int j = 1; j <= 3; j++) {
          double s = 0.0;
          for (int p = 1; p <= 3; p++)
            for (int q = 1; q <= 3; q++) s += R[i][p] * K[3 * a + p][3 * b + q] * R[j][q];
          Kr[3 * a + i][3 * b + j] = s;
        }
  EXPECT_LT(MaxDiff(Kt, Kr, 24, 24), 1e-10 * 1000);
  Vec v(24);
  for (int i = 1; i <= 24; i++) v[i] = (i % 3 == 1) ? 1.0 : (i % 3 == 2 ? -0.5 : 0.25);
  EXPECT_LT(MaxResidual(Kt, v, 24), 1e-10 * 1000);
}

TEST(Interface, PrintsUnderItsOwnFlags) {
  // The stiffness once, the local axes at every integration point.
  struct Case {
    int type, flagKg, flagT, points;
    const char* name;
  };
  const Case cases[] = {
      {kLine2D, OC_PRINT_MAT_KG_INTERFACE_LINE_2D, OC_PRINT_MAT_T_INTERFACE_LINE_2D, 2, "_INTERFACE_LINE_2D"},
      {kLine3D, OC_PRINT_MAT_KG_INTERFACE_LINE_3D, OC_PRINT_MAT_T_INTERFACE_LINE_3D, 2, "_INTERFACE_LINE_3D"},
      {kQuad, OC_PRINT_MAT_KG_INTERFACE_QUAD, OC_PRINT_MAT_T_QUAD, 4, "_INTERFACE_QUAD"},
  };
  for (const Case& cs : cases) {
    InterfaceCase c;
    c.type = cs.type;
    c.props = {1000, 100, 100};
    if (cs.type == kLine2D) c.props = {1000, 100};
    const int perFace = cs.type == kQuad ? 4 : 2;
    for (int f = 0; f < 2; f++)
      for (int k = 0; k < perFace; k++) c.points.push_back({0.0, double(k % 2), double(k / 2) + 0.5});
    if (cs.type == kQuad) {
      for (int f = 0; f < 2; f++) std::swap(c.points[4 * f + 2], c.points[4 * f + 3]);
    }
    LoadedMesh mesh(InterfaceModel(c), std::to_string(cs.type));
    const int nd = DofsPerNode(cs.type) * 2 * perFace;
    Mat K(nd, nd);
    Flags oc;
    oc.f[cs.flagKg] = 'Y';
    const std::string name = cs.name;
    std::string out = Printed([&] { StiffnessWith(c, mesh, oc, K); });
    EXPECT_EQ(Occurrences(out, "Stiffness matrix Kg (" + name + "):\nElement n. 1\n"), 1);
    EXPECT_EQ(Occurrences(out, "Transformation matrix"), 0);
    Flags ot;
    ot.f[cs.flagT] = 'Y';
    out = Printed([&] { StiffnessWith(c, mesh, ot, K); });
    EXPECT_EQ(Occurrences(out, "Transformation matrix T (" + name + "):\nElement n. 1\n"), cs.points);
    EXPECT_EQ(Occurrences(out, "Stiffness matrix"), 0);
  }
}

TEST(InterfaceLineNL, TangentIsTheDerivativeOfTheForcesOnAnInclinedLine) {
  // A line of length 1 along (0.6, 0.8), width 0.5; the second face slides and opens
  // relative to the first, a little more at its second node. The bond law on its
  // ascending branch and the joint on its softening branch are smooth there, so the
  // tangent must be the derivative of the internal forces (central differences from the
  // same converged state).
  struct Case {
    int kind;
    const char* tag;
    std::vector<double> values;
    double slip, open;
  };
  const Case cases[] = {
      {MAT_NLMM301, "<NLMM301>", {0.01, 0.02, 5, 0.4, 0.3, 100}, 0.015, 0.001},
      {MAT_NLMM302, "<NLMM302>", {1e3, 1e4, 3, 0.02, 0.3, 0.1, 0.1, 0.2}, 0.001, 0.05},
  };
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.tag);
    InterfaceCase c;
    c.props = {1000, 100};
    c.points = {{0, 0, 0}, {0, 0.6, 0.8}, {0, 0, 0}, {0, 0.6, 0.8}};
    c.matKind = cs.kind;
    Model model = InterfaceModel(c);
    testmodel::AddRecord(model, cs.tag, Rec().S("law").Ds(cs.values));
    LoadedMesh mesh(model, cs.tag);
    MeshHistory h(mesh, {}, 1);
    Flags oc;
    const auto forces = [&](const Vec& u, const Vec& du, Vec& F) {
      RestoreNLMM_HD(&h.hd, h.counts);  // from the converged state
      CalcInt_Fg_InterfaceLine2D_NL(2, 8, 1, 1, 4, 1, oc, &h.index, mesh, &h.hd, h.elemToHD, du.v, u.v, F.v);
    };
    Vec u0(8), u1(8), du(8), F(8), Fp(8), Fm(8);
    for (int node = 3; node <= 4; node++) {
      const double f = node == 4 ? 1.1 : 1.0;
      u1.v[2 * node - 1] = f * (cs.slip * 0.6 - cs.open * 0.8);
      u1.v[2 * node] = f * (cs.slip * 0.8 + cs.open * 0.6);
      for (int k = 0; k < 2; k++) u0.v[2 * node - 1 + k] = u1.v[2 * node - 1 + k] / 2;
    }
    forces(u0, u0, F);
    AcceptNLMM_HD(&h.hd, h.counts);  // accepted
    forces(u1, du, F);
    Mat K(8, 8);
    CalcStiffInterfaceLine2D_NL(2, 8, 1, 2, 4, 1, oc, &h.index, mesh, &h.hd, h.elemToHD, K);
    double scale = 0.0;
    for (int i = 1; i <= 8; i++) scale = std::max(scale, std::fabs(K[i][i]));
    const double step = 1e-7;
    for (int j = 1; j <= 8; j++) {
      Vec up(8), um(8);
      copyd1(up.v, u1.v, 8);
      copyd1(um.v, u1.v, 8);
      up.v[j] += step;
      um.v[j] -= step;
      forces(up, du, Fp);
      forces(um, du, Fm);
      for (int i = 1; i <= 8; i++)
        EXPECT_NEAR(K[i][j], (Fp.v[i] - Fm.v[i]) / (2 * step), 1e-5 * scale) << i << " " << j;
    }
  }
}

TEST(InterfaceDeath, RefusesWhatItCannotCompute) {
  Flags oc;
  Mat K(60, 60);
  Vec u(60), du(60), F(60);
  {
    // Five nodes: the last node would belong to no pair.
    InterfaceCase c;
    c.props = {1000, 100};
    c.points = {{0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 1, 0}, {0, 2, 0}};
    LoadedMesh mesh(InterfaceModel(c));
    EXPECT_EXIT(CalcStiffInterfaceLine2D(10, 1, 5, 1, oc, mesh, K), testing::ExitedWithCode(1),
                Lit("\nCalculating the stiffness matrix of element n. 1\n\nERROR:\n"
                    "Element n. 1 (_INTERFACE_LINE_2D) has 5 nodes.\nThis element type takes 4 or 6 nodes.\n"));
  }
  {
    InterfaceCase c;
    c.type = kQuad;
    c.props = {1000, 100, 100};
    for (int k = 0; k < 10; k++) c.points.push_back({static_cast<double>(k), 0, 0});
    LoadedMesh mesh(InterfaceModel(c));
    EXPECT_EXIT(CalcStiffInterfaceQuad(30, 1, 10, 1, oc, mesh, K), testing::ExitedWithCode(1),
                Lit("Element n. 1 (_INTERFACE_QUAD) has 10 nodes.\nThis element type takes 8, 16 or 18 nodes.\n"));
  }
  {
    // All mid-line nodes at one place.
    InterfaceCase c;
    c.type = kLine3D;
    c.props = {1000, 500, 100};
    c.points = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    LoadedMesh mesh(InterfaceModel(c));
    EXPECT_EXIT(CalcStiffInterfaceLine3D(12, 1, 4, 1, oc, mesh, K), testing::ExitedWithCode(1),
                Lit("\nCalculating the stiffness matrix of element n. 1\n\nERROR:\nJacobian norm is null:\n"
                    "element geometry and/or mesh connectivity must be changed.\n"));
  }
  {
    // A surface collapsed onto a line.
    InterfaceCase c;
    c.type = kQuad;
    c.props = {1000, 100, 100};
    for (int f = 0; f < 2; f++)
      for (int k = 0; k < 4; k++) c.points.push_back({static_cast<double>(k), 0, 0});
    LoadedMesh mesh(InterfaceModel(c));
    EXPECT_EXIT(CalcStiffInterfaceQuad(24, 1, 8, 1, oc, mesh, K), testing::ExitedWithCode(1),
                Lit("\nCalculating the stiffness matrix of element n. 1\n\nERROR:\nJacobian determinant is null:\n"
                    "element geometry and/or mesh connectivity must be changed.\n"));
  }
  {
    // A linear isotropic material on a line interface; a section that is not a thickness.
    InterfaceCase c;
    c.props = {1000, 100};
    c.points = {{0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 1, 0}};
    c.matKind = MAT_LIN_INT_LINE_3D;
    Model m = InterfaceModel(c);
    testmodel::AddRecord(m, "<LINEAR_INTERFACE_LINE_3D_PROPERTIES>", Rec().S("3d").Ds({1, 2, 3}));
    LoadedMesh mesh(m, "kind");
    EXPECT_EXIT(CalcStiffInterfaceLine2D(8, 1, 4, 1, oc, mesh, K), testing::ExitedWithCode(1), kInternal);
    InterfaceCase area = c;
    area.matKind = 0;
    Model ma = InterfaceModel(area);
    testmodel::AddRecord(ma, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("A", 1.0));
    ma.blocks["<ELEMENT_PROPERTIES>"][0] =
        testmodel::ElementProperty(1, 1, kLine2D, MAT_LIN_INT_LINE_2D, 1, GEOM_CS_AREA, 1);
    LoadedMesh meshArea(ma, "area");
    EXPECT_EXIT(CalcStiffInterfaceLine2D(8, 1, 4, 1, oc, meshArea, K), testing::ExitedWithCode(1),
                "records of a kind this type of element\ncannot take.");
  }
  {
    // Nonlinear surface interface: the cyclic interface law is not part of this build;
    // the linear kind has no nonlinear form.
    InterfaceCase c;
    c.type = kQuad;
    c.props = {1000, 100, 100};
    for (int f = 0; f < 2; f++)
      for (const auto& p : {std::array<double, 3>{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}) c.points.push_back(p);
    for (int kind : {MAT_NLMM306, MAT_LIN_INT_SURF}) {
      c.matKind = kind;
      LoadedMesh mesh(InterfaceModel(c), std::to_string(kind));
      EXPECT_EXIT(CalcStiffInterfaceQuad_NL(1, 24, 1, 1, 8, 1, oc, nullptr, mesh, nullptr, nullptr, K),
                  testing::ExitedWithCode(1), kInternal);
      EXPECT_EXIT(CalcInt_Fg_InterfaceQuad_NL(1, 24, 1, 1, 8, 1, oc, nullptr, mesh, nullptr, nullptr, du, u, F),
                  testing::ExitedWithCode(1), kInternal);
    }
  }
  {
    // Nonlinear line interfaces: the cyclic interface law is not part of this build, and
    // a bond law of the plane element has no form in space.
    InterfaceCase c;
    c.props = {1000, 100};
    c.points = {{0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 1, 0}};
    c.matKind = MAT_NLMM306;
    LoadedMesh mesh(InterfaceModel(c), "line");
    EXPECT_EXIT(CalcStiffInterfaceLine2D_NL(1, 8, 1, 1, 4, 1, oc, nullptr, mesh, nullptr, nullptr, K),
                testing::ExitedWithCode(1), kInternal);
    EXPECT_EXIT(CalcInt_Fg_InterfaceLine2D_NL(1, 8, 1, 1, 4, 1, oc, nullptr, mesh, nullptr, nullptr, du, u, F),
                testing::ExitedWithCode(1), kInternal);
    c.type = kLine3D;
    c.props = {1000, 100, 100};
    c.matKind = MAT_NLMM305;
    LoadedMesh space(InterfaceModel(c), "space");
    EXPECT_EXIT(CalcStiffInterfaceLine3D_NL(1, 12, 1, 1, 4, 1, oc, nullptr, space, nullptr, nullptr, K),
                testing::ExitedWithCode(1), kInternal);
    EXPECT_EXIT(CalcInt_Fg_InterfaceLine3D_NL(1, 12, 1, 1, 4, 1, oc, nullptr, space, nullptr, nullptr, du, u, F),
                testing::ExitedWithCode(1), kInternal);
  }
}
