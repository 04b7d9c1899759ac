// 3-D Timoshenko beam with a fibre section: the section stiffness as sums over the
// fibres, the L2-L3 angle of the fibrous mesh, a mesh with fewer cross-sections than
// nodes, the tangent against finite differences of the internal forces of yielding and
// crushing fibres, and the set-up checks of the fibrous meshes.
#include <cmath>
#include <numbers>

#include "line_fixture.h"
#include "materials/material_table.h"
#include "materials/uniaxial/concrete.h"
#include "materials/uniaxial/concrete_cyclic.h"
#include "support/material_driver.h"

using namespace linefix;

namespace {

constexpr int kBeam = 8;
using Section = std::vector<std::pair<double, double>>;

// The four corners of a b (along y) by h (along z) rectangle centred at (y0, z0).
Section Rect(double b, double h, double y0 = 0.0, double z0 = 0.0) {
  return {{y0 - b / 2, z0 - h / 2}, {y0 + b / 2, z0 - h / 2}, {y0 + b / 2, z0 + h / 2}, {y0 - b / 2, z0 + h / 2}};
}

// "<FIBROUS_ELEMENT_PROPERTIES>": phases, fibrous elements, material, integration.
Rec FibreProp(int first, int last, int kind, int number, int integType = 1, int integ = 0, int phase1 = 1,
              int phase2 = 1) {
  return Rec().Is({phase1, phase2, first, last, kind, number, integType, integ});
}

struct FibreBeam {
  std::vector<std::array<double, 3>> points{{0, 0, 0}, {1, 0, 0}};
  std::vector<Section> sections{Rect(0.1, 0.2)};
  std::vector<std::vector<int32_t>> fibrousElements{{1, 2, 3, 4}};
  std::vector<Rec> props{FibreProp(1, 1, MAT_LIN_ISO, 1)};
  std::array<double, 3> angles{0, 0, 0};
  int beamPoints = 1;  // _G_S1_k of the beam element, 0: the default rule
  std::vector<std::array<int, 2>> patterns;  // further integration records (G s1, s2)
};

constexpr double kE = 200000.0;
// Steel fibres: E 200000 (3e-3 / 600), yield at 300, hardening to 400.
const std::vector<double> kSteel{7.85, 1e-5, 0.0015, 300, 0.003, 320, 0.1, 400, 2};
// Concrete fibres: E 30000, f_t 3, crushing strain 0.0035, E eps + 2e5 |eps|^1.5.
const std::vector<double> kConcrete{2.4, 1e-5, 30000, 3, 30, 0.0035, 2e5, 1.5};

const std::vector<double> kCyclicSteel{7.85, 1e-5, 2e5, 5000, 0.002, 400, 0.01, 0, 0.1, 600};
const std::vector<double> kConcrete299{2.4, 1e-5, 30000, 3, 30, 0.002, 0.0035};
// Cyclic concrete: E_c 30000, eps_c 0.002, f_c 30, eps_cr 0.01; in tension (negative)
// eps_t 0.00015, f_t 3, eps_crk 0.0006.
const std::vector<double> kConcrete210{2.4, 1e-5, 30000, 0.002, 30, 0.01, -0.00015, -3, -0.0006};
// Compression-only concrete of envelope type 1 (after its type word): E 30000, eps_c
// 0.002, f_c 30, rho 0.01, eps_r 0.002, f_cm 38.
const std::vector<double> kConcrete220{2.4, 1e-5, 30000, 0.002, 30, 0, 0, 0, 0, 0.01, 0.002, 38, 0, 0, 0};

MaterialRecord RecordOf(const std::vector<double>& v) {
  MaterialRecord r = matdriver::Record({});
  for (double x : v) {
    r.nValues++;
    r.Value[r.nValues] = x;
    r.ValueType[r.nValues] = 'd';
  }
  return r;
}

Model BeamModel(const FibreBeam& c) {
  Model m;
  for (const auto& p : c.points) testmodel::AddPoint(m, p[0], p[1], p[2]);
  std::vector<int32_t> nodes;
  for (size_t k = 1; k <= c.points.size(); k++) nodes.push_back(static_cast<int32_t>(k));
  testmodel::AddElement(m, nodes);
  // nu 0.2 gives the linear fibres the shear modulus E / 2.4 of the steel law.
  testmodel::AddRecord(m, "<LINEAR_ISOTROPIC_MATERIALS>", testmodel::LinIsoMaterial("steel", 7.85, 1e-5, kE, 0.2));
  testmodel::AddRecord(m, "<NLMM201>", Rec().S("steel").Ds(kSteel));
  testmodel::AddRecord(m, "<NLMM298>", Rec().S("concrete").Ds(kConcrete));
  testmodel::AddRecord(m, "<NLMM202>", Rec().S("cyclic steel").Ds(kCyclicSteel));
  testmodel::AddRecord(m, "<NLMM299>", Rec().S("concrete").Ds(kConcrete299));
  testmodel::AddRecord(m, "<NLMM210>", Rec().S("cyclic concrete").Ds(kConcrete210));
  testmodel::AddRecord(m, "<NLMM220>", Rec().S("compression concrete").I(1).Ds(kConcrete220));
  int integ = 0;
  if (c.beamPoints > 0) {
    testmodel::AddRecord(m, "<NUMERICAL_INTEGRATION>", Pattern("beam", c.beamPoints));
    integ = 1;
  }
  for (const auto& p : c.patterns) testmodel::AddRecord(m, "<NUMERICAL_INTEGRATION>", Pattern("fibres", p[0], p[1]));
  testmodel::AddRecord(m, "<ELEMENT_PROPERTIES>", testmodel::ElementProperty(1, 1, kBeam, MAT_FIB_MESH, 1, 0, 0, 1, integ));
  testmodel::FibrousMesh fm;
  fm.angles = c.angles;
  fm.sections = c.sections;
  fm.elements = c.fibrousElements;
  fm.properties = c.props;
  m.fibrousMeshes.push_back(fm);
  return m;
}

struct BeamHistory : MeshHistory {
  using MeshHistory::MeshHistory;
  int nDof() const { return 6 * mesh->ElemNodeCount[1]; }
  void Tangent(double** K, int comb = 2, int iter = 2) {
    Flags oc;
    CalcStiffTimoshenkoBeam3D_NL(comb, nDof(), 1, iter, mesh->ElemNodeCount[1], 1, oc, &index, mesh, &hd, elemToHD, K);
  }
  void Force(const double* du, const double* u, double* F) {
    Flags oc;
    CalcInt_Fg_TimoshenkoBeam3D_NL(1, nDof(), 1, 1, mesh->ElemNodeCount[1], 1, oc, &index, mesh, &hd, elemToHD, du,
                                   u, F);
  }
};

}  // namespace

// A unit-length element with one axial point: K[u1][u1] = D11, K[u1][theta2] = D12,
// K[u1][theta3] = D13, K[theta2][theta3] = D23; the bending diagonals come free of the
// shear terms as (K[theta][theta] - K[theta][theta']) / 2, the torsion as K[theta1][theta1].
TEST(FibreBeam, SectionStiffnessIsTheSumOverTheFibres) {
  const double b = 0.1, h = 0.2, G = kE / 2.4;
  struct Case {
    double y0, z0;
    double D11, D12, D13, D22, D33, D23, Dt;
  };
  const double A = b * h, I22 = b * h * h * h / 12, I33 = h * b * b * b / 12;
  const Case cases[] = {
      {0.0, 0.0, kE * A, 0.0, 0.0, kE * I22, kE * I33, 0.0, G * (I22 + I33)},
      {0.0, 0.05, kE * A, kE * A * 0.05, 0.0, kE * (I22 + A * 0.0025), kE * I33, 0.0, G * (I22 + I33 + A * 0.0025)},
      {0.03, 0.05, kE * A, kE * A * 0.05, -kE * A * 0.03, kE * (I22 + A * 0.0025), kE * (I33 + A * 0.0009),
       -kE * A * 0.0015, G * (I22 + I33 + A * 0.0034)},
  };
  EXPECT_NEAR(cases[0].D11, 4000.0, 1e-9);
  EXPECT_NEAR(cases[0].D22, 13.333333333, 1e-8);
  EXPECT_NEAR(cases[0].D33, 3.333333333, 1e-8);
  EXPECT_NEAR(cases[1].D12, 200.0, 1e-9);
  for (const Case& c : cases) {
    FibreBeam fb;
    fb.sections = {Rect(b, h, c.y0, c.z0)};
    LoadedMesh m(BeamModel(fb));
    BeamHistory hist(m);
    Mat K(12, 12);
    hist.Tangent(K, 1, 1);
    SCOPED_TRACE(c.z0);
    EXPECT_NEAR(K[1][1], c.D11, 1e-9 * c.D11);
    EXPECT_NEAR(K[1][5], c.D12, 1e-9 * c.D11);
    EXPECT_NEAR(K[1][6], c.D13, 1e-9 * c.D11);
    EXPECT_NEAR((K[5][5] - K[5][11]) / 2, c.D22, 1e-9 * c.D22);
    EXPECT_NEAR((K[6][6] - K[6][12]) / 2, c.D33, 1e-9 * c.D33);
    EXPECT_NEAR(K[5][6], c.D23, 1e-9 * c.D22);
    EXPECT_NEAR(K[4][4], c.Dt, 1e-9 * c.Dt);
    EXPECT_TRUE(IsSymmetric(K, 12, 1e-9));
  }
}

// The angle of the fibrous mesh turns the section axes: a b x h section a quarter turn
// round is the h x b section unturned. A mesh of fewer cross-sections than nodes gives
// every node its first cross-section and its first angle.
TEST(FibreBeam, SectionAnglesAndCrossSectionsPerNode) {
  auto tangent = [](const FibreBeam& fb, double** K) {
    LoadedMesh m(BeamModel(fb));
    BeamHistory hist(m);
    hist.Tangent(K, 1, 1);
  };
  const double q = std::numbers::pi / 2;
  FibreBeam plain;
  plain.points = {{0, 0, 0}, {0.5, 0.3, 0.1}, {1, 0.5, 0.4}};
  plain.beamPoints = 3;
  plain.sections = {Rect(0.1, 0.2, 0.01, 0.02), Rect(0.1, 0.2, 0.01, 0.02), Rect(0.1, 0.2, 0.01, 0.02)};
  FibreBeam turned = plain;
  turned.sections = {Rect(0.2, 0.1, 0.02, -0.01), Rect(0.2, 0.1, 0.02, -0.01), Rect(0.2, 0.1, 0.02, -0.01)};
  turned.angles = {q, q, q};
  FibreBeam first = plain;
  first.sections = {Rect(0.1, 0.2, 0.01, 0.02), Rect(0.3, 0.5)};
  first.angles = {0.0, 0.7, 0.0};
  Mat K0(18, 18), K1(18, 18), K2(18, 18);
  tangent(plain, K0);
  tangent(turned, K1);
  tangent(first, K2);
  EXPECT_LT(MaxDiff(K0, K1, 18, 18), 1e-10 * MaxAbs(K0, 18, 18));
  EXPECT_LT(MaxDiff(K0, K2, 18, 18), 1e-12 * MaxAbs(K0, 18, 18));
  // A turned section unturned differs: the check above has teeth.
  FibreBeam unturned = turned;
  unturned.angles = {0, 0, 0};
  tangent(unturned, K1);
  EXPECT_GT(MaxDiff(K0, K1, 18, 18), 1e-3 * MaxAbs(K0, 18, 18));
}

// After a first step into the nonlinear range the tangent of the next state is the
// derivative of the internal forces: steel fibres hardening on one half of the section
// with linear fibres on the other, and concrete fibres on their compression envelope.
TEST(FibreBeam, TangentIsTheDerivativeOfTheInternalForces) {
  struct Case {
    const char* what;
    std::vector<Rec> props;
    std::array<double, 12> before, at;  // nodal displacements of the two steps (node 1 held)
  };
  const Case cases[] = {
      {"steel over linear",
       {FibreProp(1, 1, MAT_NLMM201, 1), FibreProp(2, 2, MAT_LIN_ISO, 1)},
       {0, 0, 0, 0, 0, 0, 5e-4, 0, 0, 0, 0.06, 0},
       {0, 0, 0, 0, 0, 0, 6e-4, 1e-4, -2e-4, 1e-3, 0.065, 2e-3}},
      {"concrete, 2 x 2 fibres above and 3 x 3 below",
       {FibreProp(1, 1, MAT_NLMM298, 1), FibreProp(2, 2, MAT_NLMM298, 1, 1, 1)},
       {0, 0, 0, 0, 0, 0, -1.5e-3, 0, 0, 0, 5e-3, 0},
       {0, 0, 0, 0, 0, 0, -1.7e-3, 1e-4, -2e-4, 1e-3, 5.5e-3, 1e-3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FibreBeam fb;
    fb.beamPoints = 0;
    fb.sections = {{{-0.05, 0.0}, {0.05, 0.0}, {0.05, 0.1}, {-0.05, 0.1}, {-0.05, -0.1}, {0.05, -0.1}}};
    fb.fibrousElements = {{1, 2, 3, 4}, {5, 6, 2, 1}};
    fb.props = c.props;
    fb.patterns = {{3, 3}};
    LoadedMesh m(BeamModel(fb));
    // Forces at `at` after the step to `before`, each from a fresh history.
    auto forces = [&](const double* at, double* F, double** K) {
      BeamHistory hist(m);
      Vec u0(12), u(12), du(12);
      for (int k = 1; k <= 12; k++) u0.v[k] = c.before[k - 1];
      hist.Force(u0, u0, F);
      for (int k = 1; k <= 12; k++) {
        u.v[k] = at[k];
        du.v[k] = at[k] - u0.v[k];
      }
      hist.Force(du, u, F);
      if (K != nullptr) hist.Tangent(K);
    };
    double at[13];
    for (int k = 1; k <= 12; k++) at[k] = c.at[k - 1];
    Vec F(12), Fp(12), Fm(12);
    Mat K(12, 12);
    forces(at, F, K);
    const double step = 1e-8, scale = MaxAbs(K, 12, 12);
    for (int j = 7; j <= 12; j++) {
      double ap[13], am[13];
      for (int k = 1; k <= 12; k++) ap[k] = am[k] = at[k];
      ap[j] += step;
      am[j] -= step;
      forces(ap, Fp, nullptr);
      forces(am, Fm, nullptr);
      for (int i = 1; i <= 12; i++) EXPECT_NEAR(K[i][j], (Fp.v[i] - Fm.v[i]) / (2 * step), 1e-5 * scale) << i << " " << j;
    }
    // Equilibrium of the element: the forces of the two nodes balance.
    for (int d = 1; d <= 3; d++) EXPECT_NEAR(F.v[d] + F.v[6 + d], 0.0, 1e-10 * MaxAbs(K, 12, 12));
  }
}

// A uniform axial strain path: every fibre's law sees the strain stored in its record
// plus the increment, so the axial force is the area times the law's stress along the
// same path of total strains (the steel laws through the sampling-point driver, the
// concrete laws on a fresh record), through unloading, reversal and a zero increment;
// the cyclic concrete laws cross into tension after unloading.
TEST(FibreBeam, FibresFollowTheirLawAlongTheStrainPath) {
  struct Case {
    int kind;
    std::vector<double> path;
  };
  const Case cases[] = {
      {MAT_NLMM201, {0.001, 0.0025, 0.006, 0.004, 0.004}},
      {MAT_NLMM202, {0.001, 0.001, 0.004, 0.002, -0.001}},
      {MAT_NLMM298, {-0.002, -0.001, -0.0025, 5e-5, 2e-4, 5e-5}},
      {MAT_NLMM299, {-0.002, -0.001, -0.0025, 5e-5, 2e-4, 5e-5}},
      {MAT_NLMM210, {-0.002, -0.001, -0.0015, -0.0025, 5e-5, 5e-5, -0.001}},
      {MAT_NLMM220, {-0.002, -0.001, -0.0015, -0.0025, 5e-5, 5e-5, -0.001}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    FibreBeam fb;
    fb.props = {FibreProp(1, 1, c.kind, 1)};
    LoadedMesh m(BeamModel(fb));
    BeamHistory hist(m);
    std::vector<double> expected;
    NLMM298_HD r298{};
    NLMM299_HD r299{};
    NLMM210_HD r210{};
    NLMM220_HD r220{};
    r210.RuleNumber = r220.RuleNumber = 1;
    const PointContext at{1, 1, 1, 1, 0};
    if (c.kind == MAT_NLMM201 || c.kind == MAT_NLMM202) {
      std::vector<matdriver::Step> steps;
      for (double e : c.path) steps.push_back({e, 3});
      for (const auto& r : matdriver::DriveUniaxial(c.kind, RecordOf(c.kind == MAT_NLMM201 ? kSteel : kCyclicSteel), steps))
        expected.push_back(r.stress);
    }
    for (double e : c.path) {
      if (c.kind == MAT_NLMM298) expected.push_back(CalcStress_NLMM298(RecordOf(kConcrete), r298, e));
      if (c.kind == MAT_NLMM299) expected.push_back(CalcStress_NLMM299(RecordOf(kConcrete299), r299, e));
      double s, t;
      if (c.kind == MAT_NLMM210) {
        CalcStress_NLMM210(at, RecordOf(kConcrete210), r210, e, &s, &t);
        expected.push_back(s);
      }
      if (c.kind == MAT_NLMM220) {
        std::vector<double> v{1.0};  // the envelope type word
        v.insert(v.end(), kConcrete220.begin(), kConcrete220.end());
        MaterialRecord m220 = RecordOf(v);
        m220.ValueType[1] = 'i';
        CalcStress_NLMM220(at, m220, r220, e, &s, &t);
        expected.push_back(s);
      }
    }
    Vec u(12), du(12), F(12);
    double last = 0.0;
    for (size_t k = 0; k < c.path.size(); k++) {
      u.v[7] = c.path[k];
      du.v[7] = c.path[k] - last;
      last = c.path[k];
      hist.Force(du, u, F);
      EXPECT_NEAR(F.v[7], 0.02 * expected[k], 1e-12 * std::fabs(expected[2])) << k;
    }
  }
}

// Every refusal of the set-up: one bad mesh each, its message, status 1.
TEST(FibreBeamDeathTest, SetUpChecksOfTheFibrousMesh) {
  struct Case {
    const char* what;
    std::function<void(FibreBeam&)> spoil;
    const char* message;
  };
  const Case cases[] = {
      {"range", [](FibreBeam& f) { f.props = {FibreProp(1, 2, MAT_LIN_ISO, 1)}; }, "gives fibrous elements 1 to 2"},
      {"kind", [](FibreBeam& f) { f.props = {FibreProp(1, 1, MAT_NLMM101, 1)}; },
       "material kind 7 cannot make a fibre\n\\(valid: _LIN_ISO, _NLMM201, _NLMM202, _NLMM210, _NLMM220, _NLMM298, "
       "_NLMM299\\)\\."},
      {"record", [](FibreBeam& f) { f.props = {FibreProp(1, 1, MAT_LIN_ISO, 3)}; },
       "material record 3 of _LIN_ISO, which has 1 records"},
      {"node count", [](FibreBeam& f) { f.fibrousElements = {{1, 2, 3}}; }, "Fibrous element n. 1 has 3 nodes"},
      {"node number", [](FibreBeam& f) { f.fibrousElements = {{1, 2, 3, 7}}; },
       "node 4 is point 7, outside the 4 points of cross-section 1"},
      {"integration type", [](FibreBeam& f) { f.props = {FibreProp(1, 1, MAT_LIN_ISO, 1, 2)}; },
       "integration type 2; fibrous elements take _GLEG"},
      {"pattern", [](FibreBeam& f) { f.props = {FibreProp(1, 1, MAT_LIN_ISO, 1, 1, 5)}; },
       "integration pattern 5, outside the 1 records"},
      {"counts",
       [](FibreBeam& f) {
         f.patterns = {{2, 3}};
         f.props = {FibreProp(1, 1, MAT_LIN_ISO, 1, 1, 2)};
       },
       "gives 2 x 3 points"},
      {"sections", [](FibreBeam& f) { f.sections = {Rect(1, 1), Rect(1, 1), Rect(1, 1)}; },
       "3 cross-sections and element n. 1 has 2 nodes"},
      {"overlap",
       [](FibreBeam& f) {
         f.fibrousElements = {{1, 2, 3, 4}, {1, 2, 3, 4}};
         f.props = {FibreProp(1, 2, MAT_LIN_ISO, 1), FibreProp(2, 2, MAT_NLMM201, 1)};
       },
       "starts at fibrous element 2, not after element 2"},
      {"order",
       [](FibreBeam& f) {
         f.fibrousElements = {{1, 2, 3, 4}, {1, 2, 3, 4}};
         f.props = {FibreProp(2, 2, MAT_LIN_ISO, 1), FibreProp(1, 1, MAT_NLMM201, 1)};
       },
       "starts at fibrous element 1, not after element 2"},
      {"phase", [](FibreBeam& f) { f.props = {FibreProp(1, 1, MAT_LIN_ISO, 1, 1, 0, 2, 3)}; },
       "applies to phases 2 to 3"},
      {"no fibres", [](FibreBeam& f) { f.props = {}; }, "no fibrous element with a property"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FibreBeam fb;
    c.spoil(fb);
    LoadedMesh m(BeamModel(fb), c.what);
    const int prop[2] = {0, 1};
    EXPECT_EXIT(CheckFibrousMeshes(m, prop), testing::ExitedWithCode(1),
                std::string("<FIBROUS_MESHES>(.|\n)*Record counter: 1(.|\n)*") + c.message);
  }
  // The sound mesh passes.
  LoadedMesh m(BeamModel(FibreBeam{}));
  const int prop[2] = {0, 1};
  CheckFibrousMeshes(m, prop);
}

// A fibrous element turned inside out or flattened stops the stiffness and the forces.
TEST(FibreBeamDeathTest, DegenerateFibrousElementStops) {
  struct Case {
    Section section;
    std::vector<int32_t> nodes;
    const char* message;
  };
  const Case cases[] = {
      {Rect(0.1, 0.2), {1, 4, 3, 2}, "Jacobian determinant is negative"},
      {{{0, 0}, {0.1, 0}, {0.2, 0}, {0.3, 0}}, {1, 2, 3, 4}, "Jacobian determinant is null"},
  };
  for (const Case& c : cases) {
    FibreBeam fb;
    fb.sections = {c.section};
    fb.fibrousElements = {c.nodes};
    LoadedMesh m(BeamModel(fb), c.message);
    BeamHistory hist(m);
    Mat K(12, 12);
    Vec u(12), F(12);
    const std::string context = "Calculating the properties of element n. 1 Mother(.|\n)*";
    EXPECT_EXIT(hist.Tangent(K, 1, 1), testing::ExitedWithCode(1), context + c.message);
    EXPECT_EXIT(hist.Force(u, u, F), testing::ExitedWithCode(1), context + c.message);
  }
}
