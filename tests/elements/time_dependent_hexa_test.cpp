// The hexahedron of time-dependent concrete at element level: in a later creep step of
// ageing, shrinking concrete the tangent is the central difference of the internal
// forces (both take the same effective modulus of the step), and no call leaves the
// crack material changed.
#include <cstring>

#include "elements/elements.h"
#include "elements/shell_solid.h"
#include "line_fixture.h"

using namespace linefix;

namespace {

const std::vector<std::array<double, 3>> kHex = {{0, 0, 0},     {1.1, 0.1, 0}, {1.2, 1.0, 0.1}, {-0.1, 0.9, 0},
                                                 {0.1, 0, 1.0}, {1.0, 0, 1.2}, {1.1, 1.1, 1.0}, {0, 1.0, 0.9}};

// Crack model (E 30000, nu 0.2, tensile strength 30, never reached), drying and
// autogenous shrinkage, maturity of the exponential law with stiffness ageing, two
// ageing Kelvin units from t0 = 28.
Model PatternModel() {
  Model m;
  std::vector<int32_t> pts;
  for (const auto& x : kHex) pts.push_back(testmodel::AddPoint(m, x[0], x[1], x[2]));
  testmodel::AddElement(m, pts);
  testmodel::AddRecord(m, "<NLMM111>",
                       Rec().S("concrete").Ds({0.0, 1e-5, 0.2, 30000.0, 30.0, 30.0}).I(1)
                           .Ds({0.1, 0.5, 0.4, 0.2, 0.0, 0.0, 100.0, 1.0}).I(0).Ds({0.0, 0.0, 0.0, 0.0}).I(1).D(0.2).I(1)
                           .Ds({0.0, 0.0}).I(1).I(1).D(100.0).I(3).D(1.0));
  testmodel::AddRecord(m, "<NLMM171>",
                       Rec().S("shrinkage").C(1).C(1).C(2).Ds({0.0, 0.0, 7.0, 100.0, 38.0, 60.0}).I(2).D(0.0).I(0)
                           .D(0.0).I(0));
  testmodel::AddRecord(m, "<NLMM173>", Rec().S("maturity").I(1).D(4e4).I(1).I(2).I(0).D(0.7).D(8.314));
  testmodel::AddRecord(m, "<NLMM174>",
                       Rec().S("creep").I(0).I(0).I(2).Ds({5.0, 50.0}).D(0.9).D(28.0)
                           .Ds({1.0, 0.5, 0.3, 0.5, 1.0, 0.5, 0.3, 1.25}));
  testmodel::AddRecord(m, "<NLMM_PATTERNS>",
                       Rec().S("concrete").I(4).I(MAT_NLMM174).I(1).I(MAT_NLMM111).I(1).I(MAT_NLMM173).I(1)
                           .I(MAT_NLMM171).I(1));
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, 24, MAT_NLMM_PATT, 1, 0, 0, 1, 0));
  return m;
}

struct PatternHexa : MeshHistory {
  double dt = 0.0, t = 0.0;
  double temps[9] = {0, 20, 21, 22, 23, 24, 25, 26, 27};
  explicit PatternHexa(const MeshData* m) : MeshHistory(m, {}, 1) {}
  void Tangent(double** K) {
    Flags oc;
    CalcStiffSolidHexa_NL(1, 24, 1, 2, 8, 1, oc, &index, mesh, &hd, elemToHD, K, dt, t, temps);
  }
  void Force(const double* du, double* F) {
    CalcInt_Fg_SolidHexa_NL(1, 24, 1, 2, 8, 1, &index, mesh, &hd, elemToHD, du, F, dt, t, temps);
  }
  void Restore() { RestoreNLMM_HD(&hd, counts); }
  void Accept() { AcceptNLMM_HD(&hd, counts); }
};

}  // namespace

TEST(TimeDependentHexa, LaterCreepStepTangentIsTheCentralDifferenceOfTheForces) {
  LoadedMesh lm(PatternModel(), "creep");
  const MaterialRecord before = lm.mesh.Materials[MAT_NLMM111][1];
  PatternHexa el(&lm.mesh);
  const int n = 24;
  Vec u0(n), du(n), F(n), Fp(n), Fm(n);
  for (int a = 1; a <= 8; a++) {
    u0.v[3 * a - 2] = -2e-4 * kHex[a - 1][0];
    du.v[3 * a - 2] = -1e-4 * kHex[a - 1][0] + 1e-5 * std::sin(1.0 * a);
    du.v[3 * a] = 2e-5 * std::cos(2.0 * a);
  }
  // The first creep step starts the chains; the next one creeps.
  el.dt = 28.0;
  el.t = 28.0;
  el.Force(u0.v, F.v);
  el.Accept();
  el.dt = 3.0;
  el.t = 31.0;
  el.Force(du.v, F.v);
  Mat K(n, n);
  el.Tangent(K.a);
  double scale = 0.0;
  for (int i = 1; i <= n; i++)
    for (int j = 1; j <= n; j++) scale = std::max(scale, std::fabs(K.a[i][j]));
  const double h = 1e-7;
  double worst = 0.0;
  for (int k = 1; k <= n; k++) {
    el.Restore();
    du.v[k] += h;
    el.Force(du.v, Fp.v);
    el.Restore();
    du.v[k] -= 2 * h;
    el.Force(du.v, Fm.v);
    du.v[k] += h;
    for (int i = 1; i <= n; i++) worst = std::max(worst, std::fabs((Fp.v[i] - Fm.v[i]) / (2 * h) - K.a[i][k]));
  }
  EXPECT_LT(worst, 1e-6 * scale);
  // The crack material holds its input values after every call.
  const MaterialRecord& after = lm.mesh.Materials[MAT_NLMM111][1];
  EXPECT_EQ(std::memcmp(before.Value, after.Value, sizeof before.Value), 0);
}
