// Layered Mindlin and Ahmad shells of a nonlinear analysis at element level: linear layers
// against the linear element, the through-thickness sums of symmetric and unsymmetric
// stacks, the record of every (point, layer), the tangent against central differences of
// the forces after plastic flow (with small and with large deflections), and a curved
// element that does not depend on its orientation in space.
#include <set>

#include "elements/shell_solid.h"
#include "loads/load_kernel.h"
#include "support/element_driver.h"
#include "line_fixture.h"
#include "support/process.h"

using namespace linefix;

namespace {

constexpr int kMindlin = 20, kAhmad = 22;
constexpr double kE = 30000.0, kNu = 0.2;

struct Layer {
  int kind;                   // MAT_LIN_ISO or MAT_NLMM121
  double t;                   // thickness at every node ...
  std::vector<double> nodal = {};  // ... or one per node
  double E = kE;
};

struct ShellCase {
  int type = kMindlin;
  std::vector<std::array<double, 3>> nodes;
  std::vector<Layer> layers;
  std::array<int32_t, 2> rule = {0, 0};  // G counts along s1, s2; 0: the default rule
  double alpha0 = 0.3, epsc1 = 0.0022;   // of the NLMM121 layers
};

Model ShellModel(const ShellCase& s) {
  Model m;
  std::vector<int32_t> pts;
  for (const auto& x : s.nodes) pts.push_back(testmodel::AddPoint(m, x[0], x[1], x[2]));
  testmodel::AddElement(m, pts);
  int nIso = 0, nPlastic = 0, nThick = 0, nPat = 0;
  std::vector<int32_t> list;
  for (size_t l = 0; l < s.layers.size(); l++) {
    const Layer& L = s.layers[l];
    int number;
    if (L.kind == MAT_LIN_ISO) {
      testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("iso", 1.0, 1e-5, L.E, kNu));
      number = ++nIso;
    } else {
      testmodel::AddRecord(m, "<NLMM121>",
                           Rec().S("concrete").Ds({1.0, 0.0, kNu, L.E, 30.0, s.epsc1, s.alpha0, 0.0}));
      number = ++nPlastic;
    }
    int geomKind = GEOM_LAM_THICK, geom;
    if (L.nodal.empty()) {
      testmodel::AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("t", L.t));
      geom = ++nThick;
    } else {
      std::vector<int32_t> recs;
      for (double t : L.nodal) {
        testmodel::AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("t", t));
        recs.push_back(++nThick);
      }
      testmodel::AddRecord(m, "<GEOMETRY_PATTERNS>", GeomPattern("tapered", GEOM_LAM_THICK, recs));
      geomKind = GEOM_PATT;
      geom = ++nPat;
    }
    testmodel::AddRecord(m, "<LAYER_PROPERTIES>", Rec().S("layer").I(L.kind).I(number).I(geomKind).I(geom));
    list.push_back(static_cast<int32_t>(l + 1));
  }
  testmodel::AddRecord(m, "<LAYER_PATTERNS>", Rec().S("stack").IList(list));
  int integ = 0;
  if (s.rule[0] != 0) {
    std::array<int32_t, 21> v{};
    v[2] = s.rule[0];
    v[3] = s.rule[1];
    testmodel::AddRecord(m, "<NUMERICAL_INTEGRATION>", testmodel::NumericalIntegration("rule", v));
    integ = 1;
  }
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>",
                       testmodel::ElementProperty(1, 1, s.type, MAT_LAY_PATT, 1, 0, 0, 1, integ));
  return m;
}

// The element with its history records (current and converged copies); every point is a
// general point.
struct Shell : MeshHistory {
  ShellCase sc;
  int nn, n;
  std::string types;
  Flags oc;
  Shell(const MeshData* m, const ShellCase& s)
      : MeshHistory(m, {}, 1), sc(s), nn(static_cast<int>(s.nodes.size())), n(6 * nn),
        types(static_cast<size_t>(m->nPoints + 2), 'G') {}
  void Tangent(double** K) {
    if (sc.type == kMindlin)
      CalcStiffMindlinShellQuad_NL(1, n, 1, 2, nn, 1, oc, &index, mesh, &hd, elemToHD, K, types.data());
    else
      CalcStiffAhmadShellQuad_NL(1, n, 1, 2, nn, 1, oc, &index, mesh, &hd, elemToHD, prop.data(), K, types.data(),
                                 nullptr);
  }
  void Force(const double* du, const double* u, double* F) {
    if (sc.type == kMindlin)
      CalcInt_Fg_MindlinShellQuad_NL(1, n, 1, 2, nn, 1, oc, &index, mesh, &hd, elemToHD, du, u, F, types.data());
    else
      CalcInt_Fg_AhmadShellQuad_NL(1, n, 1, 2, nn, 1, oc, &index, mesh, &hd, elemToHD, prop.data(), du, u, F,
                                   types.data(), nullptr);
  }
  void Restore() { RestoreNLMM_HD(&hd, counts); }
  void Accept() { AcceptNLMM_HD(&hd, counts); }
};

// x -> Q x with the rotation Q of the angles (a about x3, then b about x1, then c about x3).
std::array<double, 3> Turn(const std::array<double, 3>& x, double a, double b, double c) {
  auto rz = [](std::array<double, 3> v, double t) {
    return std::array<double, 3>{std::cos(t) * v[0] - std::sin(t) * v[1], std::sin(t) * v[0] + std::cos(t) * v[1],
                                 v[2]};
  };
  std::array<double, 3> y = rz(x, a);
  y = {y[0], std::cos(b) * y[1] - std::sin(b) * y[2], std::sin(b) * y[1] + std::cos(b) * y[2]};
  return rz(y, c);
}

// A flat distorted quadrilateral turned out of the x1-x2 plane.
std::vector<std::array<double, 3>> TiltedQuad() {
  std::vector<std::array<double, 3>> q = {{0, 0, 0}, {2.0, 0.2, 0}, {2.3, 1.4, 0}, {-0.1, 1.1, 0}};
  for (auto& x : q) x = Turn(x, 0.7, 0.4, 0.2);
  return q;
}

// 9-node square [-0.5, 0.5]^2 in the x1-x2 plane.
std::vector<std::array<double, 3>> Square9() {
  const double s[9][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};
  std::vector<std::array<double, 3>> q;
  for (const auto& p : s) q.push_back({0.5 * p[0], 0.5 * p[1], 0.0});
  return q;
}

// Linear Mindlin shell of thickness t with 3 x 3 points for membrane, bending and shear.
void LinearMindlin(const std::vector<std::array<double, 3>>& nodes, double t, double** K) {
  Model m;
  std::vector<int32_t> pts;
  for (const auto& x : nodes) pts.push_back(testmodel::AddPoint(m, x[0], x[1], x[2]));
  testmodel::AddElement(m, pts);
  testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("iso", 1.0, 1e-5, kE, kNu));
  testmodel::AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("t", t));
  std::array<int32_t, 21> v{};
  for (int k : {2, 3, 5, 6, 8, 9, 11, 12}) v[k] = 3;
  testmodel::AddRecord(m, "<NUMERICAL_INTEGRATION>", testmodel::NumericalIntegration("three", v));
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>",
                       testmodel::ElementProperty(1, 1, kMindlin, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1, 1, 1));
  LoadedMesh lm(m, "lin");
  const int nn = static_cast<int>(nodes.size());
  const std::string types(static_cast<size_t>(nn + 2), 'G');
  CalcStiffMindlinShellQuad(6 * nn, 1, nn, 1, lm.oc, &lm.mesh, K, types.data());
}

void Stiffness(const ShellCase& s, double** K) {
  LoadedMesh lm(ShellModel(s), "k");
  Shell el(&lm.mesh, s);
  el.Tangent(K);
}

double Quad(const std::vector<double>& a, double** K, const std::vector<double>& b, int n) {
  double s = 0.0;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) s += a[i] * K[i][j] * b[j];
  return s;
}

}  // namespace

TEST(LayeredShellNL, OneLinearLayerIsTheLinearElementAndTwoHalvesAreOne) {
  ShellCase one;
  one.nodes = TiltedQuad();
  one.layers = {{MAT_LIN_ISO, 0.2}};
  ShellCase halves = one;
  halves.layers = {{MAT_LIN_ISO, 0.1}, {MAT_LIN_ISO, 0.1}};
  Mat K(24, 24), KL(24, 24), K2(24, 24);
  LinearMindlin(one.nodes, 0.2, KL.a);
  Stiffness(one, K.a);
  Stiffness(halves, K2.a);
  const double scale = MaxAbs(KL.a, 24, 24);
  EXPECT_LT(MaxDiff(K.a, KL.a, 24, 24), 1e-12 * scale);
  EXPECT_LT(MaxDiff(K2.a, KL.a, 24, 24), 1e-12 * scale);
}

TEST(LayeredShellNL, LinearLayersGiveForcesKu) {
  // Linear layers take their stresses from the total displacement: F = K u whatever the
  // increment, at general points and (Mindlin shell) at coplanar points, whose rotations
  // stay in the element axes.
  for (int type : {kMindlin, kAhmad})
    for (char point : {'G', 'M'}) {
      if (type == kAhmad && point == 'M') continue;
      SCOPED_TRACE(std::to_string(type) + point);
      ShellCase s;
      s.type = type;
      s.nodes = TiltedQuad();
      s.layers = {{MAT_LIN_ISO, 0.05}, {MAT_LIN_ISO, 0.1, {}, 3.0 * kE}, {MAT_LIN_ISO, 0.02}};
      LoadedMesh lm(ShellModel(s), "ku");
      Shell el(&lm.mesh, s);
      std::fill(el.types.begin() + 1, el.types.end() - 1, point);
      Mat K(24, 24);
      Vec u(24), du(24), F(24), f(24);
      for (int i = 1; i <= 24; i++) {
        u.v[i] = 1e-3 * std::sin(1.0 + 2.3 * i);
        du.v[i] = 0.5 * std::cos(3.0 * i);
      }
      el.Tangent(K.a);
      el.Force(du.v, u.v, F.v);
      multd2d1(f.v, K.a, u.v, 24, 24);
      double fmax = 0.0;
      for (int i = 1; i <= 24; i++) fmax = std::max(fmax, std::fabs(f.v[i]));
      for (int i = 1; i <= 24; i++) EXPECT_NEAR(F.v[i], f.v[i], 1e-12 * fmax) << i;
    }
}

TEST(LayeredShellNL, ThroughThicknessSumsOfTheStack) {
  // Pure bending v (r2 = k x1, w = -k x1^2 / 2: chi = (k, 0, 0), no transverse shear) and
  // pure stretching u (u1 = e x1) of a flat 9-node square of side 1 and thickness t.
  const double t = 0.2, k = 1e-3, e = 1e-3;
  const auto nodes = Square9();
  std::vector<double> v(55, 0.0), u(55, 0.0);
  for (int a = 0; a < 9; a++) {
    const double x = nodes[static_cast<size_t>(a)][0];
    v[static_cast<size_t>(6 * a + 3)] = -k * x * x / 2.0;
    v[static_cast<size_t>(6 * a + 5)] = k * x;
    u[static_cast<size_t>(6 * a + 1)] = e * x;
  }
  const double D = kE / (1.0 - kNu * kNu);
  for (int type : {kMindlin, kAhmad}) {
    SCOPED_TRACE(type);
    // Two equal plastic layers in their elastic state are sampled at +-t/4: D t^3/16.
    ShellCase plastic;
    plastic.type = type;
    plastic.nodes = nodes;
    plastic.layers = {{MAT_NLMM121, t / 2}, {MAT_NLMM121, t / 2}};
    Mat K(54, 54);
    Stiffness(plastic, K.a);
    EXPECT_NEAR(Quad(v, K.a, v, 54), D * t * t * t / 16.0 * k * k, 1e-12 * D * t * t * t * k * k);
    // Stiffer top layer: a stretch makes a moment t^2/8 (E2 - E1)/(1 - nu^2) e.
    ShellCase stack = plastic;
    stack.layers = {{MAT_LIN_ISO, t / 2}, {MAT_LIN_ISO, t / 2, {}, 2.0 * kE}};
    Stiffness(stack, K.a);
    const double coupling = t * t / 8.0 * kE / (1.0 - kNu * kNu) * e * k;
    // (The Ahmad shell samples the layers at +-t/4 with weight t/2: the same first moment.)
    EXPECT_NEAR(Quad(v, K.a, u, 54), coupling, 1e-12 * D * t * e);
    stack.layers[1].E = kE;
    Stiffness(stack, K.a);
    EXPECT_NEAR(Quad(v, K.a, u, 54), 0.0, 1e-12 * D * t * e);
  }
}

TEST(LayeredShellNL, EveryPointAndLayerHasItsOwnRecord) {
  // Default rule (3 x 3) and 5 plastic layers: 45 records, each advanced by the forces.
  for (int type : {kMindlin, kAhmad}) {
    SCOPED_TRACE(type);
    ShellCase s;
    s.type = type;
    s.nodes = TiltedQuad();
    for (int l = 0; l < 5; l++) s.layers.push_back({MAT_NLMM121, 0.04});
    LoadedMesh lm(ShellModel(s), "rec");
    Shell el(&lm.mesh, s);
    std::set<int> records;
    for (int p = 1; p <= 9; p++)
      for (int L = 1; L <= 5; L++) records.insert(LayerPointRecord(&el.index, el.elemToHD, 1, p, L));
    EXPECT_EQ(records.size(), 45u);
    EXPECT_EQ(*records.begin(), 1);
    EXPECT_EQ(*records.rbegin(), 45);
    Vec u(24), F(24);
    const auto& x = s.nodes;
    for (int a = 0; a < 4; a++)
      for (int c = 1; c <= 3; c++) u.v[6 * a + c] = 1e-5 * x[static_cast<size_t>(a)][static_cast<size_t>(c - 1)];
    el.Force(u.v, u.v, F.v);
    const NLMM121_HD* r = NLMM_HDCurrent<NLMM121_HD>(&el.hd, NlmmSlotOfCode(MAT_NLMM121));
    for (int rec : records) EXPECT_GT(std::fabs(r[rec].Strain[1]) + std::fabs(r[rec].Strain[2]), 1e-7) << rec;
    EXPECT_EXIT(LayerPointRecord(&el.index, el.elemToHD, 1, 10, 1), testing::ExitedWithCode(1), "INTERNAL ERROR");
    EXPECT_EXIT(LayerPointRecord(&el.index, el.elemToHD, 1, 9, 6), testing::ExitedWithCode(1), "INTERNAL ERROR");
  }
}

TEST(LayeredShellNL, TangentIsTheCentralDifferenceOfTheForcesAfterPlasticFlow) {
  for (int type : {kMindlin, kAhmad}) {
    SCOPED_TRACE(type);
    ShellCase s;
    s.type = type;
    s.nodes = TiltedQuad();
    s.layers = {{MAT_NLMM121, 0.05}, {MAT_LIN_ISO, 0.03}, {MAT_NLMM121, 0.04}, {MAT_NLMM121, 0.05}};
    LoadedMesh lm(ShellModel(s), "fd");
    Shell el(&lm.mesh, s);
    const int n = el.n;
    // Stretch along the first edge with bending about it, past the tensile yield of the
    // bottom layers, accepted; then a trial increment.
    const auto& x = s.nodes;
    const std::array<double, 3> d1 = {x[1][0] - x[0][0], x[1][1] - x[0][1], x[1][2] - x[0][2]};
    Vec u0(n), du(n), u(n), F(n), Fp(n), Fm(n);
    for (int a = 0; a < 4; a++) {
      const auto& p = x[static_cast<size_t>(a)];
      const double along = (p[0] * d1[0] + p[1] * d1[1] + p[2] * d1[2]) / 4.04;
      for (int c = 1; c <= 3; c++) {
        u0.v[6 * a + c] = 1.5e-3 * along * d1[static_cast<size_t>(c - 1)] / 2.01;
        du.v[6 * a + c] = 2e-4 * along * d1[static_cast<size_t>(c - 1)] / 2.01 + 2e-5 * std::sin(1.0 * a + c);
        u0.v[6 * a + 3 + c] = 5e-3 * std::cos(0.3 * a + c);
        du.v[6 * a + 3 + c] = 4e-4 * std::sin(0.7 * a + 2.0 * c);
      }
    }
    el.Force(u0.v, u0.v, F.v);
    el.Accept();
    for (int i = 1; i <= n; i++) u.v[i] = u0.v[i] + du.v[i];
    el.Force(du.v, u.v, F.v);
    const NLMM121_HD* r = NLMM_HDCurrent<NLMM121_HD>(&el.hd, NlmmSlotOfCode(MAT_NLMM121));
    int plastic = 0;
    for (int rec = 1; rec <= el.counts[MAT_NLMM121]; rec++) plastic += r[rec].LoadingState == 2;
    EXPECT_GT(plastic, 0);
    Mat K(n, n), Ke(n, n);
    el.Tangent(K.a);
    const double h = 1e-7;
    double worst = 0.0;
    for (int k = 1; k <= n; k++) {
      el.Restore();
      du.v[k] += h;
      u.v[k] += h;
      el.Force(du.v, u.v, Fp.v);
      el.Restore();
      du.v[k] -= 2 * h;
      u.v[k] -= 2 * h;
      el.Force(du.v, u.v, Fm.v);
      du.v[k] += h;
      u.v[k] += h;
      for (int i = 1; i <= n; i++) worst = std::max(worst, std::fabs((Fp.v[i] - Fm.v[i]) / (2 * h) - K.a[i][k]));
    }
    const double scale = MaxAbs(K.a, n, n);
    EXPECT_LT(worst, 1e-5 * scale);
    // From virgin records the tangent is the elastic one, which the plastic state left.
    LoadedMesh lm2(ShellModel(s), "fd0");
    Shell virgin(&lm2.mesh, s);
    virgin.Tangent(Ke.a);
    EXPECT_GT(MaxDiff(K.a, Ke.a, n, n), 1e-2 * scale);
  }
}

TEST(LayeredShellNL, CurvedAhmadElementDoesNotDependOnItsOrientation) {
  // 9-node element on a cylinder R = 1 over a 60 degree arc and a length 1.2, three
  // linear layers of thicknesses varying over the nodes, and the same element turned.
  const double kPi = 3.14159265358979323846;
  const double s[9][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {0, 0}};
  ShellCase base;
  base.type = kAhmad;
  for (const auto& p : s) {
    const double phi = p[0] * kPi / 6.0;
    base.nodes.push_back({std::sin(phi), 0.6 * p[1], std::cos(phi)});
  }
  std::vector<double> t1, t2, t3;
  for (const auto& p : s) {
    t1.push_back(0.05 + 0.01 * p[0]);
    t2.push_back(0.08 + 0.02 * p[1]);
    t3.push_back(0.04 + 0.01 * p[0] * p[1]);
  }
  base.layers = {{MAT_LIN_ISO, 0, t1}, {MAT_LIN_ISO, 0, t2, 2.0 * kE}, {MAT_LIN_ISO, 0, t3}};
  ShellCase turned = base;
  for (auto& x : turned.nodes) x = Turn(x, 0.9, 1.1, -0.4);
  std::vector<double> eig[2];
  double weight[2];
  int k = 0;
  for (const ShellCase* c : {&base, &turned}) {
    LoadedMesh lm(ShellModel(*c), "cyl");
    Shell el(&lm.mesh, *c);
    Mat K(54, 54), V(54, 54);
    Vec ev(54);
    el.Tangent(K.a);
    int nrot;
    double offmax;
    ASSERT_TRUE(eigjacobi(K.a, 54, ev.v, V.a, &nrot, &offmax));
    for (int i = 1; i <= 54; i++) eig[k].push_back(ev.v[i]);
    std::sort(eig[k].begin(), eig[k].end());
    // The volume: the gravity resultant of unit densities under a unit gravity.
    double Fe[55] = {};
    LoadCaseParameters P{};
    P.IntegrationType = 1;
    const double g[4] = {0.0, 0.0, 0.0, -1.0};
    Calc_Fg_GravityLoadAhmadShellQuad_NL(54, 1, 1, 9, 1, el.oc, &P, &lm.mesh, el.prop.data(), Fe, g,
                                         el.types.data(), nullptr);
    weight[k] = 0.0;
    for (int a = 0; a < 9; a++) weight[k] += Fe[6 * a + 3];
    k++;
  }
  // Mean thickness 0.17 over a cylinder patch of area (pi/3) 1.2.
  EXPECT_NEAR(weight[0], -0.17 * kPi / 3.0 * 1.2, 0.01);
  EXPECT_NEAR(weight[1], weight[0], 1e-10 * std::fabs(weight[0]));
  const double top = eig[0].back();
  for (size_t i = 0; i < 54; i++) EXPECT_NEAR(eig[1][i], eig[0][i], 1e-10 * top) << i;
}

TEST(LayeredShellNLDeath, ElementsOfAnotherMaterialKindAndLayersTheShellCannotTake) {
  // A layered routine reached by a single-material element, and an Ahmad layer of a bar.
  ShellCase s;
  s.nodes = TiltedQuad();
  s.layers = {{MAT_LIN_ISO, 0.1}};
  Model single = ShellModel(s);
  single.blocks["<ELEMENT_PROPERTIES>"] = {
      testmodel::ElementProperty(1, 1, kMindlin, MAT_LIN_ISO, 1, GEOM_LAM_THICK, 1)};
  s.type = kAhmad;
  s.layers = {{MAT_LIN_ISO, 0.1}, {MAT_LIN_ISO, 0.1}};
  Model bars = ShellModel(s);
  testmodel::AddRecord(bars, "<NLMM145>", Rec().S("bar").Ds({1.0, 0.0, 200000.0, 0, 0, 0, 0, 0, 0, 0, 30.0}));
  bars.blocks["<LAYER_PROPERTIES>"][1] = Rec().S("bars").I(MAT_NLMM145).I(1).I(GEOM_LAM_THICK).I(2);
  LoadedMesh lm(single, "kind"), lb(bars, "bars");
  Mat K(24, 24);
  const std::string types(8, 'G');
  const int props[2] = {0, 1};
  EXPECT_EXIT(CalcStiffMindlinShellQuad_NL(1, 24, 1, 2, 4, 1, lm.oc, nullptr, &lm.mesh, nullptr, nullptr, K.a,
                                           types.data()),
              testing::ExitedWithCode(1),
              StderrIs("\nCalculating the stiffness matrix of element n. 1\n   -> Element type: _MINDLIN_SHELL_QUAD\n"
                       "   -> Material kind: _LIN_ISO\n\nERROR:\nThis type of element requires a material of kind "
                       "_LAY_PATT.\n\n"));
  EXPECT_EXIT(CalcStiffAhmadShellQuad_NL(1, 24, 1, 2, 4, 1, lb.oc, nullptr, &lb.mesh, nullptr, nullptr, props, K.a,
                                         types.data(), nullptr),
              testing::ExitedWithCode(1),
              StderrIs("\nCalculating the stiffness matrix of element n. 1\n   -> Element type: _AHMAD_SHELL_QUAD\n"
                       "   -> Layer: 2\n   -> Material kind: _NLMM145\n\nERROR:\nThis type of element cannot take a "
                       "layer of this material kind.\n\n"));
}

TEST(LayeredShellNLDeath, IncompleteRuleIsRefused) {
  ShellCase s;
  s.nodes = TiltedQuad();
  s.layers = {{MAT_NLMM121, 0.1}};
  s.rule = {3, 0};
  LoadedMesh lm(ShellModel(s), "rule");
  Mat K(24, 24);
  const std::string types(6, 'G');
  // The counts are refused before any record is asked for.
  EXPECT_EXIT(CalcStiffMindlinShellQuad_NL(1, 24, 1, 2, 4, 1, lm.oc, nullptr, &lm.mesh, nullptr, nullptr, K.a,
                                           types.data()),
              testing::ExitedWithCode(1), "The parameters _G_S1_k and/or _G_S2_k are missing");
}

TEST(LayeredShellNLMG, SlopeIncrementsSumToTheMembraneStrainOfTheLinearLayer) {
  // One flat 4-node element, w = p x1 at its nodes with p = 0.01, then 0.02: the membrane
  // strain 1/2 p^2 = 2e-4 of the second state is reached by the increments of an elastic
  // plastic-law layer, whose forces then equal those of a linear layer of the total.
  Flags oc;
  Vec Fe[2] = {Vec(24), Vec(24)};
  for (int kind : {MAT_NLMM121, MAT_LIN_ISO}) {
    ShellCase s;
    s.nodes = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    s.layers = {{kind, 0.1}};
    s.alpha0 = 1.0;
    s.epsc1 = 1.0;  // elastic far beyond these strains
    LoadedMesh lm(ShellModel(s), "vk");
    Shell el(&lm.mesh, s);
    Vec u(24), du(24), uPrev(24), F(24);
    for (double p : {0.01, 0.02}) {
      for (int k = 0; k < 4; k++) u.v[6 * k + 3] = p * s.nodes[static_cast<size_t>(k)][0];
      for (int i = 1; i <= 24; i++) du.v[i] = u.v[i] - uPrev.v[i];
      CalcInt_Fg_MindlinShellQuad_NLMG(1, 24, 1, 2, 4, 1, oc, &el.index, &lm.mesh, &el.hd, el.elemToHD, du.v, u.v,
                                       F.v, el.types.data());
      el.Accept();
      copyd1(uPrev.v, u.v, 24);
    }
    copyd1(Fe[kind == MAT_LIN_ISO].v, F.v, 24);
    if (kind == MAT_NLMM121) {
      const NLMM121_HD* r = NLMM_HDCurrent<NLMM121_HD>(&el.hd, NlmmSlotOfCode(MAT_NLMM121));
      for (int ip = 1; ip <= 9; ip++) {
        const NLMM121_HD& rec = r[LayerPointRecord(&el.index, el.elemToHD, 1, ip, 1)];
        EXPECT_NEAR(rec.Strain[1], 2.0e-4, 1e-15) << ip;
        EXPECT_NEAR(rec.Strain[2], 0.0, 1e-15) << ip;
      }
    }
  }
  double fmax = 0.0;
  for (int i = 1; i <= 24; i++) fmax = std::max(fmax, std::fabs(Fe[1].v[i]));
  EXPECT_GT(fmax, 1e-3);
  for (int i = 1; i <= 24; i++) EXPECT_NEAR(Fe[0].v[i], Fe[1].v[i], 1e-10 * fmax) << i;
}

TEST(LayeredShellNLMG, TangentIsTheCentralDifferenceOfTheForcesOfALinearLayer) {
  // A linear layer's forces depend on the total displacement only: at a deflected state
  // the tangent from that state is their exact derivative (membrane, bending, shear and
  // the stress stiffness of the membrane forces).
  ShellCase s;
  s.nodes = {{0, 0, 0}, {1, 0, 0.05}, {1.1, 0.9, 0}, {0, 1, 0.02}};
  s.layers = {{MAT_LIN_ISO, 0.02}, {MAT_LIN_ISO, 0.05}};
  LoadedMesh lm(ShellModel(s), "vkfd");
  Shell el(&lm.mesh, s);
  Flags oc;
  const int n = 24;
  Vec a(n), zero(n), Fp(n), Fm(n);
  for (int i = 1; i <= n; i++) a.v[i] = 0.02 * std::sin(1.7 * i);
  Mat K(n, n);
  CalcStiffMindlinShellQuad_NLMG(1, n, 1, 2, 4, 1, oc, &el.index, &lm.mesh, &el.hd, el.elemToHD, K.a,
                                 el.types.data(), a.v);
  const double h = 1e-6;
  double worst = 0.0;
  for (int k = 1; k <= n; k++) {
    a.v[k] += h;
    CalcInt_Fg_MindlinShellQuad_NLMG(1, n, 1, 2, 4, 1, oc, &el.index, &lm.mesh, &el.hd, el.elemToHD, zero.v, a.v,
                                     Fp.v, el.types.data());
    a.v[k] -= 2 * h;
    CalcInt_Fg_MindlinShellQuad_NLMG(1, n, 1, 2, 4, 1, oc, &el.index, &lm.mesh, &el.hd, el.elemToHD, zero.v, a.v,
                                     Fm.v, el.types.data());
    a.v[k] += h;
    for (int i = 1; i <= n; i++) worst = std::max(worst, std::fabs((Fp.v[i] - Fm.v[i]) / (2 * h) - K.a[i][k]));
  }
  EXPECT_LT(worst, 1e-6 * MaxAbs(K.a, n, n));
}

TEST(LayeredShellNLMG, TangentIsTheCentralDifferenceOfTheForcesAfterPlasticFlow) {
  // Plastic layers about a linear core, deflected so far that the squares of the slopes
  // stretch them past yield: the tangent at the deflected state, with the stress
  // stiffness of the membrane forces the records hold, is the derivative of the forces
  // of the increment from the accepted state.
  ShellCase s;
  s.nodes = {{0, 0, 0}, {1, 0, 0.05}, {1.1, 0.9, 0}, {0, 1, 0.02}};
  s.layers = {{MAT_NLMM121, 0.02}, {MAT_LIN_ISO, 0.03}, {MAT_NLMM121, 0.02}};
  LoadedMesh lm(ShellModel(s), "vkpl");
  Shell el(&lm.mesh, s);
  const int n = 24;
  Vec u0(n), du(n), u(n), F(n);
  for (int a = 0; a < 4; a++) {
    const auto& p = s.nodes[static_cast<size_t>(a)];
    u0.v[6 * a + 3] = 0.06 * p[0] + 0.04 * p[1];
    for (int c = 1; c <= 6; c++) du.v[6 * a + c] = 3e-4 * std::sin(1.3 * a + 0.7 * c);
  }
  auto force = [&](const double* d, double* Fe) {
    for (int i = 1; i <= n; i++) u.v[i] = u0.v[i] + d[i];
    CalcInt_Fg_MindlinShellQuad_NLMG(1, n, 1, 2, 4, 1, el.oc, &el.index, &lm.mesh, &el.hd, el.elemToHD, d, u.v, Fe,
                                     el.types.data());
  };
  CalcInt_Fg_MindlinShellQuad_NLMG(1, n, 1, 2, 4, 1, el.oc, &el.index, &lm.mesh, &el.hd, el.elemToHD, u0.v, u0.v,
                                   F.v, el.types.data());
  el.Accept();
  force(du.v, F.v);
  const NLMM121_HD* r = NLMM_HDCurrent<NLMM121_HD>(&el.hd, NlmmSlotOfCode(MAT_NLMM121));
  int plastic = 0;
  for (int rec = 1; rec <= el.counts[MAT_NLMM121]; rec++) plastic += r[rec].LoadingState == 2;
  EXPECT_GT(plastic, 0);
  Mat K(n, n);
  CalcStiffMindlinShellQuad_NLMG(1, n, 1, 2, 4, 1, el.oc, &el.index, &lm.mesh, &el.hd, el.elemToHD, K.a,
                                 el.types.data(), u.v);
  elemdrv::ElementUnderTest e;
  e.n = n;
  e.force = force;
  e.restore = [&] { el.Restore(); };
  EXPECT_LT(elemdrv::TangentDifferenceError(e, du.v, K.a, 1e-7), 1e-5 * MaxAbs(K.a, n, n));
}

TEST(LayeredShellNLMG, UpdatedLagrangianIsRefusedBeforeAnyWork) {
  ShellCase s;
  s.nodes = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  s.layers = {{MAT_LIN_ISO, 0.1}};
  LoadedMesh lm(ShellModel(s), "ul");
  lm.mesh.Main.KinematicDescription = 2;
  Flags oc;
  Mat K(24, 24);
  Vec a(24);
  EXPECT_EXIT(CalcStiffMindlinShellQuad_NLMG(1, 24, 1, 2, 4, 1, oc, nullptr, &lm.mesh, nullptr, nullptr, K.a,
                                             nullptr, a.v),
              testing::ExitedWithCode(1),
              StderrIs("\nCalculating the stiffness matrix: _MindlinShellQuad_NLMG\n\nERROR:\nThis option "
                       "(_UPDATED_LAGRANGIAN) is not avaiable. Please use for the\n KINEMATIC_DESCRIPTION the "
                       "_TOTAL_LAGRANGIAN .\n\n"));
}
