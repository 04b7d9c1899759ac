// Cables with the steel laws at element level: the internal force of a yielded bar, the
// tangent against finite differences of the internal force, and a heated bar whose
// small loading steps stay loading steps.
#include "line_fixture.h"

using namespace linefix;

namespace {

constexpr int kCable2D = 5;

// A straight Cable2D from (0, 0) to (L, 0) in x2, x3, in `elements` equal parts, area A.
Model SteelCable(int kind, const std::vector<double>& values, double L, int elements, double A) {
  Model m;
  std::vector<int32_t> pts;
  for (int k = 0; k <= elements; k++) pts.push_back(testmodel::AddPoint(m, 0.0, L * k / elements, 0.0));
  for (int e = 0; e < elements; e++) testmodel::AddElement(m, {pts[e], pts[e + 1]});
  testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("steel", 7.85, 1e-5, 2e5, 0.3));
  testmodel::AddRecord(m, kind == MAT_NLMM201 ? "<NLMM201>" : "<NLMM202>", Rec().S("steel").Ds(values));
  testmodel::AddRecord(m, "<CROSS_SECTION_AREAS>", testmodel::CrossSectionArea("A", A));
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>",
                       testmodel::ElementProperty(1, elements, kCable2D, kind, 1, GEOM_CS_AREA, 1, 1, 0));
  return m;
}

// History data of the mesh's elements with the cable's force and tangent routines.
struct CableHistory : linefix::MeshHistory {
  using MeshHistory::MeshHistory;
  // Internal force of element e (nodal displacements x2, x3 of both nodes) at iteration it.
  void Force(int e, const double u[5], double dT, double* F, int it = 3) {
    Vec ue(4);
    for (int k = 1; k <= 4; k++) ue.v[k] = u[k];
    Mat T(mesh->nElements, 2);
    for (int k = 1; k <= 2; k++) T.a[e][k] = dT;
    Flags oc;
    CalcInt_Fg_Cable2D_NL(1, 4, e, it, 2, 1, oc, &index, mesh, &hd, elemToHD, ue.v, T.a, F);
  }
  void Tangent(int e, double** K, int it = 3) {
    Flags oc;
    CalcStiffCable2D_NL(1, 4, e, it, 2, 1, oc, &index, mesh, &hd, elemToHD, K);
  }
};

// Elastic-perfectly plastic steel: eps_y = eps_sh = 0.002, f = 400, eps_u = 0.2.
const std::vector<double> kPlastic{7.85, 1e-5, 0.002, 400, 0.002, 400, 0.2, 400, 1};

}  // namespace

TEST(CableSteel, YieldedBarCarriesAreaTimesYieldStress) {
  for (int kind : {MAT_NLMM201, MAT_NLMM202}) {
    const std::vector<double> v =
        kind == MAT_NLMM201 ? kPlastic : std::vector<double>{7.85, 1e-5, 2e5, 5000, 0.002, 400, 0.01, 0, 0.1, 600};
    LoadedMesh m(SteelCable(kind, v, 2.0, 1, 0.01), std::to_string(kind));
    CableHistory h(m);
    Vec F(4);
    for (double d : {0.002, 0.006, 0.01}) {
      const double u[5] = {0, 0, 0, d, 0};
      h.Force(1, u, 0.0, F.v);
    }
    // Strain 0.005, on the plateau of both laws.
    EXPECT_NEAR(F.v[3], kind == MAT_NLMM201 ? 4.0 : 0.01 * 1000 / std::pow(1 + std::pow(2.5, 10), 0.1), 1e-9);
    EXPECT_NEAR(F.v[1], -F.v[3], 1e-12);
    EXPECT_EQ(F.v[2], 0.0);
  }
}

TEST(CableSteel, TangentIsTheSlopeOfTheInternalForce) {
  struct Case {
    int kind;
    std::vector<double> v;
    std::vector<double> path;  // end displacements before the checked one
    double d;
  };
  const std::vector<double> hard{7.85, 1e-5, 0.002, 400, 0.004, 420, 0.1, 600, 2};
  const std::vector<double> cyc{7.85, 1e-5, 2e5, 5000, 0.002, 400, 0.01, 0, 0.1, 600};
  const Case cases[] = {
      {MAT_NLMM201, hard, {}, 0.002},             // elastic
      {MAT_NLMM201, hard, {0.004}, 0.006},        // yield branch
      {MAT_NLMM201, hard, {0.02, 0.06}, 0.08},    // hardening
      {MAT_NLMM201, hard, {0.06, 0.08}, 0.075},   // elastic unloading
      {MAT_NLMM202, cyc, {0.001}, 0.002},         // skeleton near yield
      {MAT_NLMM202, cyc, {0.001, 0.002}, 0.003},
  };
  for (const Case& c : cases) {
    auto force = [&](double d, double* F, double** K) {
      LoadedMesh m(SteelCable(c.kind, c.v, 2.0, 1, 0.01), "fd");
      CableHistory h(m);
      for (double p : c.path) {
        const double u[5] = {0, 0, 0, p, 0};
        h.Force(1, u, 0.0, F);
      }
      const double u[5] = {0, 0, 0, d, 0};
      h.Force(1, u, 0.0, F);
      if (K != nullptr) h.Tangent(1, K);
    };
    Vec Fp(4), Fm(4), F(4);
    Mat K(4, 4);
    force(c.d, F.v, K.a);
    const double step = 1e-8;
    force(c.d + step, Fp.v, nullptr);
    force(c.d - step, Fm.v, nullptr);
    const double fd = (Fp.v[3] - Fm.v[3]) / (2 * step);
    EXPECT_NEAR(K.a[3][3], fd, 1e-4 * std::fabs(fd) + 1e-6) << c.kind << " " << c.d;
    EXPECT_NEAR(K.a[1][3], -K.a[3][3], 1e-12 * std::fabs(K.a[3][3]));
  }
}

// A heated bar: alpha 1e-5, dT 50 throughout, linear hardening. The record keeps the
// mechanical strain, so loading steps smaller than alpha dT stay on the hardening line.
TEST(CableSteel, HeatedBarKeepsLoadingInSmallSteps) {
  const double H = 600 / 0.098;
  LoadedMesh m(SteelCable(MAT_NLMM201, {7.85, 1e-5, 0.002, 400, 0.002, 400, 0.1, 1000, 1}, 2.0, 2, 0.01));
  CableHistory h(m);
  std::vector<double> forces{3.00};
  for (int k = 1; k <= 10; k++) forces.push_back(4.0 + 0.01 * k);
  for (double Fend : forces) {
    const double sigma = 100 * Fend;
    const double mech = sigma <= 400 ? sigma / 2e5 : 0.002 + (sigma - 400) / H;
    const double end = 2 * (mech + 5e-4);
    Vec F1(4), F2(4);
    // Nodal (u2, u3) of both nodes: element 1 from 0 to end / 2, element 2 on to end.
    const double u1[5] = {0, 0, 0, end / 2, 0};
    const double u2b[5] = {0, end / 2, 0, end, 0};
    h.Force(1, u1, 50.0, F1.v);
    h.Force(2, u2b, 50.0, F2.v);
    // Mechanical stress A sigma plus the thermal part A E0 alpha dT = 1.
    EXPECT_NEAR(F2.v[3], Fend + 1.0, 1e-9) << Fend;
    EXPECT_NEAR(F1.v[3], Fend + 1.0, 1e-9) << Fend;
  }
  const double last = 0.002 + (410 - 400) / H;
  EXPECT_NEAR(2 * (last + 5e-4), 0.0082667, 1e-7);  // the end displacement at F = 4.10
  const NLMM201_HD* r = NLMM_HDCurrent<NLMM201_HD>(&h.hd, NlmmSlotOfCode(MAT_NLMM201));
  for (int k = 1; k <= h.counts[MAT_NLMM201]; k++) {
    EXPECT_NEAR(r[k].Strain, last, 1e-12);
    EXPECT_EQ(r[k].Branch, 3);
  }
}
