// Layered shells of the plane smeared-crack models at element level: the tangent of a
// cracked stack against central differences of its forces, and the point shares of the
// shells' default rule that the crack band of a layer point takes at start.
#include "elements/shell_solid.h"
#include "history/history.h"
#include "line_fixture.h"
#include "support/hand_mesh.h"

using namespace linefix;

namespace {

constexpr int kMindlin = 20, kAhmad = 22;

// _NLMM104 of E 30000, nu 0.2, ft 3, Gf 0.1, law 1 (0.1, 0.5, 0.4, 0.2), beta 0.2, h 100,
// at most 2 cracks; transverse shear law 1 of strength 0.5 and G_f,t 0.05.
Rec Concrete() {
  return Rec().S("P1").Ds({0.0, 0.0, 0.2, 30000.0, 3.0, 3.0}).I(1).Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0}).D(0.1).I(0)
      .I(1).Ds({0.0, 0.0}).I(0).I(1).D(0.2).I(1).Ds({0.0, 0.0}).I(1).I(1).D(100.0).I(2).D(1.0).I(1)
      .Ds({0.5, 0.05, 0.0, 0.0, 0.0, 0.0});
}

// Square 100 x 100 of two layers 50 thick, turned out of the x1-x2 plane.
Model Panel(int type) {
  Model m;
  const double c = std::cos(0.4), s = std::sin(0.4);
  std::vector<int32_t> pts;
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{{0, 0}, {100, 0}, {100, 100}, {0, 100}})
    pts.push_back(testmodel::AddPoint(m, x, c * y, s * y));
  testmodel::AddElement(m, pts);
  testmodel::AddRecord(m, "<NLMM104>", Concrete());
  testmodel::AddRecord(m, "<LAMINATE_THICKNESSES>", testmodel::LaminateThickness("t", 50.0));
  testmodel::AddRecord(m, "<LAYER_PROPERTIES>", Rec().S("layer").I(MAT_NLMM104).I(1).I(GEOM_LAM_THICK).I(1));
  testmodel::AddRecord(m, "<LAYER_PATTERNS>", Rec().S("stack").IList({1, 1}));
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, type, MAT_LAY_PATT, 1, 0, 0));
  return m;
}

}  // namespace

// Stretched along x1' to 3e-4 and sheared through the thickness (gamma 1e-4 past the
// transverse strength), with bending about x2', accepted; stretched and sheared further
// on both softening branches, accepted; then a trial increment that unloads the cracks
// in the plane and in transverse shear: on their secants the tangent is the central
// difference of the forces, and far from the elastic one.
TEST(CrackedShellLayers, TangentIsTheCentralDifferenceOfTheForcesOfUnloadingCracks) {
  for (int type : {kMindlin, kAhmad}) {
    SCOPED_TRACE(type);
    LoadedMesh lm(Panel(type), "fd");
    MeshHistory el(&lm.mesh, {}, 1);
    const int n = 24;
    const std::string types(8, 'G');
    const Flags oc;
    const auto force = [&](const double* du, const double* u, double* F) {
      if (type == kMindlin)
        CalcInt_Fg_MindlinShellQuad_NL(1, n, 1, 2, 4, 1, oc, &el.index, &lm.mesh, &el.hd, el.elemToHD, du, u, F,
                                       types.data());
      else
        CalcInt_Fg_AhmadShellQuad_NL(1, n, 1, 2, 4, 1, oc, &el.index, &lm.mesh, &el.hd, el.elemToHD, el.prop.data(),
                                     du, u, F, types.data(), nullptr);
    };
    const auto tangent = [&](MeshHistory& h, double** K) {
      if (type == kMindlin)
        CalcStiffMindlinShellQuad_NL(1, n, 1, 2, 4, 1, oc, &h.index, &lm.mesh, &h.hd, h.elemToHD, K, types.data());
      else
        CalcStiffAhmadShellQuad_NL(1, n, 1, 2, 4, 1, oc, &h.index, &lm.mesh, &h.hd, h.elemToHD, h.prop.data(), K,
                                   types.data(), nullptr);
    };
    // Panel axes: x1' = e1, x2' = (0, cos 0.4, sin 0.4), normal x3' = (0, -sin 0.4, cos 0.4).
    const double X[4] = {0, 100, 100, 0}, c = std::cos(0.4), s = std::sin(0.4);
    Vec u0(n), u1(n), du1(n), du(n), u(n), F(n), Fp(n), Fm(n);
    const auto state = [&](double stretch, double shear, double* v) {
      for (int a = 0; a < 4; a++) {
        v[6 * a + 1] = stretch * X[a];
        v[6 * a + 2] = -s * shear * X[a];
        v[6 * a + 3] = c * shear * X[a];
        // Rotation about x2': curvature 1e-7, 2.5e-6 at the layers' middles.
        v[6 * a + 5] = 1e-7 * X[a] * c;
        v[6 * a + 6] = 1e-7 * X[a] * s;
      }
    };
    state(3e-4, 1e-4, u0.v);
    state(3.5e-4, 2e-4, u1.v);
    for (int i = 1; i <= n; i++) du1.v[i] = u1.v[i] - u0.v[i];
    for (int a = 0; a < 4; a++) {
      du.v[6 * a + 1] = -4e-5 * X[a] + 1e-4 * std::sin(1.0 * a);
      du.v[6 * a + 2] = s * 5e-5 * X[a] + 1e-4 * std::sin(0.7 * a + 2);
      du.v[6 * a + 3] = -c * 5e-5 * X[a] + 1e-4 * std::sin(0.7 * a + 3);
      for (int k = 4; k <= 6; k++) du.v[6 * a + k] = 1e-7 * std::cos(0.3 * a + k);
    }
    force(u0.v, u0.v, F.v);
    AcceptNLMM_HD(&el.hd, el.counts);
    force(du1.v, u1.v, F.v);
    AcceptNLMM_HD(&el.hd, el.counts);
    for (int i = 1; i <= n; i++) u.v[i] = u1.v[i] + du.v[i];
    force(du.v, u.v, F.v);
    const NLMM104_HD* r = NLMM_HDCurrent<NLMM104_HD>(&el.hd, NlmmSlotOfCode(MAT_NLMM104));
    ASSERT_EQ(el.counts[MAT_NLMM104], 18);
    for (int k = 1; k <= 18; k++) {
      EXPECT_EQ(r[k].PointStatus, 2) << k;
      EXPECT_EQ(r[k].Cr.nCr, 1) << k;
      EXPECT_EQ(r[k].Cr.PointFlagB, 3) << k;  // the gamma_xz component unloads
      EXPECT_EQ(r[k].Cr.PointFlagA, 1) << k;
    }
    Mat K(n, n), Ke(n, n);
    tangent(el, K.a);
    const double h = 1e-7;
    double worst = 0.0;
    for (int k = 1; k <= n; k++) {
      RestoreNLMM_HD(&el.hd, el.counts);
      du.v[k] += h;
      u.v[k] += h;
      force(du.v, u.v, Fp.v);
      RestoreNLMM_HD(&el.hd, el.counts);
      du.v[k] -= 2 * h;
      u.v[k] -= 2 * h;
      force(du.v, u.v, Fm.v);
      du.v[k] += h;
      u.v[k] += h;
      for (int i = 1; i <= n; i++) worst = std::max(worst, std::fabs((Fp.v[i] - Fm.v[i]) / (2 * h) - K.a[i][k]));
    }
    const double big = MaxAbs(K.a, n, n);
    EXPECT_LT(worst, 1e-5 * big);
    MeshHistory virgin(&lm.mesh, {}, 1);
    tangent(virgin, Ke.a);
    EXPECT_GT(MaxDiff(K.a, Ke.a, n, n), 0.1 * big);
  }
}

// The shells sample 3 x 3 points by default, s1 fastest. Every point of a 4-node shell
// cracks with the others: its share is the element measured by the area factor at the
// point (4 det J). On a trapezoid narrowing along x2 the area factor depends on s2 alone,
// so the three points of a row (1-3, s2 = -a) share alike and the rows differ.
TEST(CrackedShellLayers, PointSharesOfTheShellsDefaultRule) {
  for (int type : {kMindlin, kAhmad}) {
    SCOPED_TRACE(type);
    HandMesh h;
    const int prop = h.AddProperty(type, MAT_LAY_PATT, 1, 0, 0);
    const int e = h.AddElement({h.AddPoint(0, 0, 0), h.AddPoint(100, 0, 0), h.AddPoint(60, 100, 0),
                                h.AddPoint(0, 100, 0)},
                               prop);
    const MeshData* m = h.Build();
    const double w[4] = {0, 5.0 / 9.0, 8.0 / 9.0, 5.0 / 9.0}, a = std::sqrt(0.6);
    const double s2[4] = {0, -a, 0.0, a};
    double area = 0.0, sum = 0.0, share;
    for (int k = 1; k <= 9; k++) {
      CalcElementSizeOfPoint(m, e, prop, k, &area, &share);
      const int i1 = (k - 1) % 3 + 1, i2 = (k - 1) / 3 + 1;
      // x = (1 + s1)/2 width(s2), y = 50 (1 + s2): det J = 25 width(s2).
      const double width = 100.0 - 20.0 * (1.0 + s2[i2]);
      EXPECT_NEAR(share, 4.0 * 25.0 * width, 1e-9) << k;
      sum += w[i1] * w[i2] * share / 4.0;
    }
    EXPECT_NEAR(area, 8000.0, 1e-9);
    EXPECT_NEAR(sum, area, 1e-9);
  }
}
