// The material table and the material point: the rows against the code lists of the
// readers, the history slots, the behaviour codes and the element types; the uniaxial
// laws driven along strain paths against closed-form values and finite differences.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "history/records.h"
#include "materials/history_data.h"
#include "materials/material_point.h"
#include "model/mesh.h"
#include "support/material_driver.h"

namespace {

constexpr const char* kInternal = "INTERNAL ERROR";

std::set<int> Types(int code) {
  std::set<int> s;
  for (int t = 1; t <= 32; t++)
    if (MaterialKindAllowed(code, t)) s.insert(t);
  return s;
}

// The kinds whose section in docs/materials.md gives value 1 as the mass density.
std::set<int> KindsWithDocumentedDensity() {
  const auto path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "docs" /
                    "materials.md";
  std::ifstream in(path);
  std::set<int> kinds;
  int kind = 0;
  std::string line;
  while (std::getline(in, line)) {
    const size_t at = line.find("`: kind ");
    if (line.rfind("### `", 0) == 0 && at != std::string::npos) kind = std::atoi(line.c_str() + at + 8);
    if (kind > 0 && line.rfind("| 1 | f64 | mass density", 0) == 0) kinds.insert(kind);
  }
  return kinds;
}

}  // namespace

TEST(MaterialTable, RowsFollowTheCodeListAndTheHistorySlots) {
  // The slot of a code is the history slot table's row that owns it; a code without a row
  // has none.
  int owner[kMaterialKinds + 1];
  for (int& k : owner) k = -1;
  for (int k = 0; k < kNlmmSlots; k++) owner[SlotRowOf(k).code] = k;
  for (int c = 1; c <= kMaterialKinds; c++) {
    const MaterialKindRow& r = MaterialKindInfo(c);
    EXPECT_EQ(r.code, c);
    EXPECT_STREQ(r.keyword, kMaterialKindKeywords[c]);
    EXPECT_EQ(NlmmSlotOfCode(c), owner[c]) << r.keyword;
  }
  // Today's slots: the smeared-crack and concrete models, the fracture model in slot 0.
  EXPECT_EQ(NlmmSlotOfCode(MAT_NLMM101), 1);
  EXPECT_EQ(NlmmSlotOfCode(MAT_NLMM501), 36);
  EXPECT_EQ(NlmmSlotOfCode(MAT_FRC_MIXFRACTURE_2D), 0);
  for (int c : {MAT_LIN_ISO, MAT_NLMM105, MAT_NLMM_PATT, MAT_THERMAL_ISO}) EXPECT_EQ(NlmmSlotOfCode(c), -1) << c;
  EXPECT_STREQ(MaterialKindName(0), "_NONE");
  EXPECT_STREQ(MaterialKindName(kMaterialKinds + 1), "_NONE");
  EXPECT_DEATH(MaterialKindInfo(0), kInternal);
  EXPECT_DEATH(MaterialKindInfo(kMaterialKinds + 1), kInternal);
}

TEST(MaterialTable, BehaviourCodesOfTheElementGroups) {
  // Linear: the kinds named _LIN_ and the thermal kind; never an element's own material:
  // the fibre-only law, the fracture partner and the fibre pattern; nonlinear: the rest.
  const std::set<int> none{MAT_NLMM220, MAT_FRC_MIXFRACTURE_2D, MAT_FIB_PATT};
  for (int c = 1; c <= kMaterialKinds; c++) {
    const std::string keyword = kMaterialKindKeywords[c];
    const bool linear = keyword.rfind("_LIN_", 0) == 0 || keyword == "_THERMAL_ISO";
    const bool nonlinear = !linear && none.count(c) == 0;
    if (linear) {
      EXPECT_EQ(MaterialBehaviourCode(c, false), 'L');
      EXPECT_EQ(MaterialBehaviourCode(c, true), 'G');
    } else if (nonlinear) {
      EXPECT_EQ(MaterialBehaviourCode(c, false), 'M');
      EXPECT_EQ(MaterialBehaviourCode(c, true), 'N');
    } else {
      EXPECT_DEATH(MaterialBehaviourCode(c, false), kInternal) << c;
    }
  }
}

TEST(MaterialTable, ElementTypesOfTheNonlinearKinds) {
  // The element types each nonlinear kind admits, as the history index checks them.
  const std::set<int> quads{10, 13}, hexa{24}, plane{10}, cables{5, 6, 31, 32};
  for (int c : {MAT_NLMM101, MAT_NLMM104}) EXPECT_EQ(Types(c), quads);
  for (int c : {MAT_NLMM102, MAT_NLMM111, MAT_NLMM122, MAT_NLMM151, MAT_NLMM171, MAT_NLMM175})
    EXPECT_EQ(Types(c), hexa);
  for (int c : {MAT_NLMM121, MAT_NLMM141, MAT_NLMM142, MAT_NLMM145, MAT_NLMM146, MAT_NLMM211})
    EXPECT_EQ(Types(c), plane);
  for (int c : {MAT_NLMM123, MAT_NLMM124, MAT_NLMM125}) EXPECT_EQ(Types(c), (std::set<int>{10, 13, 24}));
  for (int c : {MAT_NLMM201, MAT_NLMM202}) EXPECT_EQ(Types(c), cables);
  for (int c : {MAT_NLMM301, MAT_NLMM302}) EXPECT_EQ(Types(c), (std::set<int>{27}));
  EXPECT_EQ(Types(MAT_NLMM303), (std::set<int>{27, 28}));
  for (int c : {MAT_NLMM304, MAT_NLMM305, MAT_NLMM306}) EXPECT_EQ(Types(c), (std::set<int>{27, 30}));
  EXPECT_EQ(Types(MAT_NLMM320), (std::set<int>{27, 28, 30}));
  for (int c : {MAT_NLMM401, MAT_NLMM451}) EXPECT_EQ(Types(c), (std::set<int>{25}));
  EXPECT_EQ(Types(MAT_NLMM_PATT), (std::set<int>{10, 24}));
  EXPECT_EQ(Types(MAT_LAY_PATT), (std::set<int>{20, 22}));
  EXPECT_EQ(Types(MAT_FIB_MESH), (std::set<int>{8}));
  for (int c : {MAT_NLMM105, MAT_NLMM210, MAT_NLMM220, MAT_NLMM298, MAT_NLMM299, MAT_NLMM501,
                MAT_FRC_MIXFRACTURE_2D, MAT_FIB_PATT})
    EXPECT_TRUE(Types(c).empty()) << c;
  EXPECT_FALSE(MaterialKindAllowed(MAT_LIN_ISO, 0));
  EXPECT_FALSE(MaterialKindAllowed(MAT_LIN_ISO, 64));
}

TEST(MaterialTable, LinearKindsAndGravityOfTheElementTypes) {
  for (int t : {1, 2, 3, 4, 5, 6, 8, 9, 10, 12, 13, 18, 22, 31, 32}) EXPECT_EQ(LinearKindOfType(t), MAT_LIN_ISO) << t;
  EXPECT_EQ(LinearKindOfType(27), MAT_LIN_INT_LINE_2D);
  EXPECT_EQ(LinearKindOfType(28), MAT_LIN_INT_LINE_3D);
  EXPECT_EQ(LinearKindOfType(30), MAT_LIN_INT_SURF);
  EXPECT_EQ(LinearKindOfType(20), 0);  // isotropic or orthotropic
  EXPECT_EQ(LinearKindOfType(24), 0);
  // Cables, interfaces and embedded cables carry no self weight.
  for (int t = 0; t <= 32; t++)
    EXPECT_EQ(ElementTypeTakesGravity(t), !(t == 5 || t == 6 || (t >= 26 && t <= 32))) << t;
  // A cable takes the linear kind first, then the uniaxial laws it admits in code order
  // (the steel laws among them), and the list ends in 0.
  const KindList cable = KindsOfElementType(6, kBehaviourNone);
  EXPECT_EQ(cable.code[0], MAT_LIN_ISO);
  std::set<int> listed;
  int n = 1;
  for (; n <= kMaterialKinds && cable.code[n] != 0; n++) {
    EXPECT_GT(cable.code[n], cable.code[n - 1]);
    EXPECT_NE(MaterialKindInfo(cable.code[n]).families & kPointUniaxial, 0u) << cable.code[n];
    EXPECT_EQ(MaterialBehaviourCode(cable.code[n], false), 'M') << cable.code[n];
    listed.insert(cable.code[n]);
  }
  ASSERT_LE(n, kMaterialKinds);  // zero-ended
  for (int c = 1; c <= kMaterialKinds; c++)
    EXPECT_EQ(listed.count(c) == 1, c != MAT_LIN_ISO && MaterialKindAllowed(c, 6)) << c;
  EXPECT_EQ(listed.count(MAT_NLMM201) + listed.count(MAT_NLMM202), 2u);
  const KindList shell = KindsOfElementType(20, kBehaviourLinear);
  EXPECT_EQ(shell.code[0], MAT_LIN_ISO);
  EXPECT_EQ(shell.code[1], MAT_LIN_ORTHO);
  EXPECT_EQ(shell.code[2], 0);
}

TEST(MaterialPoint, DensitiesAndExpansionCoefficients) {
  // The blocks whose density the gravity loads read hold it first: the documented ones but
  // the thermal kinds (a heat-capacity term) and _NLMM210, _NLMM211, whose density no load
  // reads.
  std::set<int> withDensity = KindsWithDocumentedDensity();
  ASSERT_GT(withDensity.size(), 10u);
  for (int c : {MAT_THERMAL_ISO, MAT_NLMM401, MAT_NLMM210, MAT_NLMM211}) EXPECT_EQ(withDensity.erase(c), 1u) << c;
  const MaterialRecord r = matdriver::Record({2.5, 1e-5, 3e4, 0.2});
  for (int c = 1; c <= kMaterialKinds; c++) {
    EXPECT_EQ(MaterialHasDensity(c), withDensity.count(c) == 1) << c;
    if (withDensity.count(c) == 1) {
      EXPECT_EQ(MaterialDensity(c, r), 2.5);
    }
  }
  EXPECT_EQ(MaterialDensityRule(MAT_LIN_INT_SURF), kDensityNone);
  EXPECT_EQ(MaterialDensityRule(MAT_NLMM320), kDensityNone);
  EXPECT_EQ(MaterialDensityRule(MAT_LAY_PATT), kDensityOfLayers);
  EXPECT_EQ(MaterialDensityRule(MAT_NLMM_PATT), kDensityOfComponent);
  EXPECT_EQ(MaterialDensityRule(MAT_NLMM210), kDensityMissing);
  EXPECT_DEATH(MaterialDensity(MAT_NLMM210, r), kInternal);
  // Orthotropic: density, then three expansion coefficients.
  const MaterialRecord o = matdriver::Record({2.5, 1e-5, 2e-5, 3e-5, 1, 2, 3, 4, 5, 6, 0.1, 0.2, 0.3});
  EXPECT_EQ(ExpansionCount(MAT_LIN_ORTHO), 3);
  for (int j = 1; j <= 3; j++) EXPECT_EQ(ExpansionCoefficient(MAT_LIN_ORTHO, o, j), o.Value[1 + j]);
  for (int c : {MAT_LIN_ISO, MAT_NLMM201, MAT_NLMM202}) {
    EXPECT_EQ(ExpansionCount(c), 1);
    for (int j = 1; j <= 3; j++) EXPECT_EQ(ExpansionCoefficient(c, r, j), 1e-5);
  }
  EXPECT_EQ(ExpansionCount(MAT_NLMM101), 0);
  EXPECT_DEATH(ExpansionCoefficient(MAT_NLMM101, r, 1), kInternal);
}

TEST(MaterialPoint, ElasticBarFollowsHookesLawAlongAPath) {
  const double E = 2.1e5;
  const MaterialRecord steel = matdriver::Record({7.85e-9, 1.2e-5, E, 0.3});
  const std::vector<matdriver::Step> path{{0.0, 1}, {5e-4, 1}, {2e-3, 2}, {1e-3, 3}, {-1.5e-3, 4}};
  const std::vector<matdriver::Response> out = matdriver::DriveUniaxial(MAT_LIN_ISO, steel, path);
  ASSERT_EQ(out.size(), path.size());
  for (size_t k = 0; k < path.size(); k++) {
    EXPECT_DOUBLE_EQ(out[k].stress, E * path[k].strain);
    EXPECT_EQ(out[k].tangent, E);
    EXPECT_NEAR(matdriver::FiniteDifferenceSlope(MAT_LIN_ISO, steel, path, k, 1e-7), out[k].tangent, 1e-6 * E);
  }
}

TEST(MaterialPoint, InitialModulusOfTheSteelLaws) {
  // Monotonic steel: the elastic branch ends at strain 0.002 and stress 400.
  const MaterialRecord monotonic = matdriver::Record({7.85e-9, 1.2e-5, 0.002, 400, 500, 0.01, 0.1, 0, 0});
  EXPECT_TRUE(UniaxialModulusDefined(MAT_NLMM201, monotonic));
  EXPECT_DOUBLE_EQ(UniaxialInitialModulus(MAT_NLMM201, monotonic), 200000.0);
  const MaterialRecord flat = matdriver::Record({7.85e-9, 1.2e-5, 0.0, 400, 500, 0.01, 0.1, 0, 0});
  EXPECT_FALSE(UniaxialModulusDefined(MAT_NLMM201, flat));
  // Cyclic steel: the third value; the first two iterations take it whatever the record.
  const MaterialRecord cyclic = matdriver::Record({7.85e-9, 1.2e-5, 2e5, 400, 0.01, 20, 18.5, 0.15, 0.0, 0.0});
  EXPECT_TRUE(UniaxialModulusDefined(MAT_NLMM202, cyclic));
  EXPECT_EQ(UniaxialInitialModulus(MAT_NLMM202, cyclic), 2e5);
  for (int it : {1, 2}) EXPECT_EQ(UniaxialTangent(MAT_NLMM202, it, cyclic, nullptr, 0), 2e5);
  EXPECT_EQ(UniaxialInitialModulus(MAT_LIN_ISO, matdriver::Record({1, 2, 3e4, 0.2})), 3e4);
  // A kind with no uniaxial point has no uniaxial modulus.
  EXPECT_DEATH(UniaxialInitialModulus(MAT_NLMM101, cyclic), kInternal);
}

TEST(MaterialPoint, LawsNotBuiltEndInTheInternalError) {
  const MaterialRecord m = matdriver::Record({7.85e-9, 1.2e-5, 0.002, 400, 500, 0.01, 0.1, 0, 0, 0});
  // The steel laws need the point's record.
  EXPECT_DEATH(UniaxialTangent(MAT_NLMM201, 1, m, nullptr, 1), kInternal);
  EXPECT_DEATH(UniaxialTangent(MAT_NLMM202, 3, m, nullptr, 1), kInternal);
  EXPECT_DEATH(UniaxialStress(MAT_NLMM202, m, 1e-3, nullptr, 1), kInternal);
  EXPECT_DEATH(UniaxialTangent(MAT_NLMM101, 1, m, nullptr, 1), kInternal);
  // _NLMM304 has no law, the cyclic interface and the interface plasticity no point
  // without its history record; a bond law of the line has no surface form, the linear
  // kind no nonlinear one.
  double d[4][4] = {};
  double* rows[4] = {nullptr, d[1], d[2], d[3]};
  const PointContext at{1, 1, 1, 1, 0};
  for (int c : {MAT_NLMM304, MAT_NLMM306, MAT_NLMM320, MAT_NLMM301, MAT_LIN_INT_SURF})
    EXPECT_DEATH(InterfaceTangent(c, kStateInterfaceSurface, at, m, nullptr, 1, rows), kInternal) << c;
  const double w[4] = {}, dw[4] = {};
  double sigma[4];
  EXPECT_DEATH(InterfaceTraction(MAT_NLMM320, kStateInterfaceSurface, at, m, nullptr, 1, dw, w, sigma), kInternal);
  EXPECT_DEATH(InterfaceTraction(MAT_NLMM306, kStateInterfaceLine2D, at, m, nullptr, 1, dw, w, sigma), kInternal);
}

namespace {

// A cyclic interface whose warning-file prefix leaves no room for "_wrn306.out".
MaterialRecord LongPrefix306() {
  MaterialRecord m = matdriver::Record({0.01, 0.02, 1, 0, 0, 2, 0.6, 1, 0.5, 1e6});
  std::memset(m.Name2, 'w', 501);
  m.Name2[501] = '\0';
  return m;
}

// Interface plasticity of the kind with N sub-increments.
MaterialRecord Record320(int kind, double N) {
  return matdriver::RecordWithInts({static_cast<double>(kind), 1, 1, 1, 1, 0.5, 0.2, 0.5, 0.2, 0, 2, 0, 0.05, 0.05,
                                    1e4, 1e4, 1e4, N},
                                   {1});
}

}  // namespace

TEST(MaterialPoint, PlasticityParametersAreCheckedAtSetUp) {
  struct Case {
    int code;
    MaterialRecord m;
    const char* message;
  };
  const auto m124 = [](double crit, double cl, double c0, double kc, double fl, double p0, double p1, double kp) {
    return matdriver::RecordWithInts({0, 0, 0.2, 30000, crit, cl, c0, kc, fl, p0, p1, kp}, {5, 6, 9});
  };
  // nu, E, fc, fct, eps_c1, alpha0, law and five meridian values.
  const auto c12x = [](double E, double fc, double fct, double ec1, double a0, int law) {
    return matdriver::RecordWithInts({0, 0, 0.2, E, fc, fct, ec1, a0, double(law), 0, 0, 0, 0, 0}, {9});
  };
  const Case cases[] = {
      {MAT_NLMM121, matdriver::Record({0, 0, 0.2, 0.0, 30, 0.0022, 0.3, 0}), "<NLMM121>(.|\n)*modulus of elasticity must be positive"},
      {MAT_NLMM121, matdriver::Record({0, 0, 0.2, 30000, -30, 0.0022, 0.3, 0}), "compressive strength must be positive"},
      {MAT_NLMM121, matdriver::Record({0, 0, 0.2, 30000, 30, 0.001, 0.3, 0}), "strain at the compressive peak"},
      {MAT_NLMM124, m124(4, 1, 10, 1, 1, 0.5, 0.5, 1), "Invalid yield criterion: 4"},
      {MAT_NLMM124, m124(1, 0, 10, 1, 1, 0.5, 0.5, 1), "Invalid cohesion law: 0"},
      {MAT_NLMM124, m124(1, 1, 10, 1, 5, 0.5, 0.5, 1), "Invalid friction angle law: 5"},
      {MAT_NLMM124, m124(1, 1, 0, 1, 1, 0.5, 0.5, 1), "initial cohesion must be positive"},
      {MAT_NLMM124, m124(1, 3, 10, 0, 1, 0.5, 0.5, 1), "cohesion parameter must be positive"},
      {MAT_NLMM124, m124(1, 1, 10, 0, 2, 0.5, 0.6, -1), "friction angle parameter must be positive"},
      {MAT_NLMM124, m124(1, 1, 10, 1, 1, 1.6, 0.5, 1), "friction angle must lie in"},
      // The strength's elastic strain c0 / E below any material's range.
      {MAT_NLMM124, m124(1, 1, 1e-300, 1, 1, 0.5, 0.5, 1),
       "initial cohesion over the modulus of elasticity must be at least 1e-6: 3.3+e-305\n\\(c0 = 1e-300, E = 30000\\)"},
      {MAT_NLMM124, m124(2, 1, 0.029, 1, 1, 0.0, 0.0, 1), "must be at least 1e-6: 9.6+7e-07"},
      {MAT_NLMM122, c12x(0, 30, 3, 0.0022, 0.3, 1), "<NLMM122>(.|\n)*modulus of elasticity must be positive"},
      {MAT_NLMM123, c12x(30000, 0, 3, 0.0022, 0.3, 1), "<NLMM123>(.|\n)*compressive strength must be positive"},
      {MAT_NLMM125, c12x(30000, 30, 0, 0.0005, 0.3, 1), "<NLMM125>(.|\n)*strain at the compressive peak"},
      {MAT_NLMM122, c12x(30000, 30, 0, 0.0022, 1.0, 1), "<NLMM122>(.|\n)*tensile strength must be positive"},
      {MAT_NLMM123, c12x(30000, 30, -3, 0.0022, 0.3, 1), "tensile strength must be positive: -3"},
      {MAT_NLMM123, c12x(30000, 30, 3, 0.0022, 1.0, 1), "initial yield stress over the compressive strength"},
      {MAT_NLMM125, c12x(30000, 30, 0, 0.0022, -0.1, 2), "initial yield stress over the compressive strength"},
      {MAT_NLMM125, c12x(30000, 30, 0, 0.0022, 0.3, 3), "<NLMM125>(.|\n)*Invalid hardening law: 3"},
      {MAT_NLMM501, matdriver::RecordWithInts({0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 50, 200, 5, 0, 10}, {10}),
       "strength Yc must be positive"},
      // A strength far below any concrete for its modulus, a tensile strength past the
      // Ottosen form's range, the plane layer's and the failure layer's elastic constants.
      {MAT_NLMM122, c12x(30000, 1e-300, 3, 0.0022, 0.3, 1),
       "<NLMM122>(.|\n)*compressive strength over the modulus of elasticity must lie between 1e-6 and 1: 3.3+e-305"},
      {MAT_NLMM123, c12x(3e-2, 30, 3, 0.0022, 0.3, 1), "<NLMM123>(.|\n)*must lie between 1e-6 and 1: 1000"},
      {MAT_NLMM122, c12x(30000, 30, 20, 0.0022, 0.3, 1), "tensile strength must be at most half the compressive strength: 20 \\(fc = 30\\)"},
      {MAT_NLMM211, matdriver::RecordWithInts({0, 0, 0.2, -0.0, 0.002, 30, 0.0002, -3, 0.5, 0.1, 0.5, 0.1, 0.1, 1, 100},
                                              {14}),
       "<NLMM211>(.|\n)*Record counter: 1(.|\n)*modulus of elasticity must be positive: -0"},
      // A strain at the compressive strength that is not positive (the fibre law's curve
      // then ran to non-finite stresses), a modulus past the range of the numbers.
      {MAT_NLMM211, matdriver::RecordWithInts({0, 0, 0.2, 30000, -3.6e305, 30, 0.0002, -3, 0.5, 0.1, 0.5, 0.1, 0.1, 1, 100},
                                              {14}),
       "<NLMM211>(.|\n)*Record counter: 1(.|\n)*strain at compressive strength must be positive: -3.6e\\+305"},
      {MAT_NLMM211, matdriver::RecordWithInts({0, 0, 0.2, 1e300, 1e10, 30, 0.0002, -3, 0.5, 0.1, 0.5, 0.1, 0.1, 1, 100},
                                              {14}),
       "<NLMM211>(.|\n)*moduli ratios of the envelope \\(E0 eps / f\\) are not finite"},
      {MAT_NLMM501, matdriver::RecordWithInts({0, 0, 0, 2e4, 1e4, 4e3, 4e3, 0, 0.3, 1, 50, 200, 5, 20, 10}, {10}),
       "<NLMM501>(.|\n)*Record counter: 1(.|\n)*elastic constant G12 must be positive: 0"},
      {MAT_NLMM501, matdriver::RecordWithInts({0, 0, 0, 1e4, 4e4, 4e3, 4e3, 5e3, 0.6, 1, 50, 200, 5, 20, 10}, {10}),
       "nu12\\^2 E2/E1 must be below 1"},
      // The bond laws divide by these lengths and stiffnesses.
      {MAT_NLMM301, matdriver::Record({0.0, 0.02, 5, 0, 0, 1e4}),
       "<NLMM301>(.|\n)*Record counter: 1(.|\n)*end of the linear branch"},
      {MAT_NLMM301, matdriver::Record({0.01, -0.02, 5, 0, 0, 1e4}), "slip at the peak bond stress must be positive"},
      {MAT_NLMM302, matdriver::Record({1e6, 1e6, 3, 0.0, 0.3, 0.1, 0.1, 0.2}), "<NLMM302>(.|\n)*first opening"},
      {MAT_NLMM302, matdriver::Record({1e6, 1e6, 3, 0.02, 0.3, 0.02, 0.1, 0.2}), "second opening(.|\n)*must exceed"},
      {MAT_NLMM302, matdriver::Record({1e6, 1e6, 3, 0.02, 0.3, 0.1, 0.1, 0.1}), "ultimate opening"},
      {MAT_NLMM303, matdriver::Record({0.4, 0.0, 0.5, 2, 1, 0.5, 200, 0, 0, 0}),
       "<NLMM303>(.|\n)*start of the plateau"},
      {MAT_NLMM303, matdriver::Record({0.4, 0.01, 0.5, 2, 0.5, 0.5, 200, 0, 0, 0}), "end of the descending branch"},
      {MAT_NLMM303, matdriver::Record({0.4, 0.01, 0.5, 2, 1, 0.5, 0, 0, 0, 0}), "unloading stiffness"},
      {MAT_NLMM305, matdriver::Record({0.001, 1e-9, 1, 0.4, 0, 0, 1e4}), "<NLMM305>(.|\n)*at least 1e-8"},
      {MAT_NLMM306, matdriver::Record({0.001, 1e-9, 1, 0, 0, 2, 0.6, 1, 0.5, 1e6}),
       "<NLMM306>(.|\n)*at least 1e-8"},
      {MAT_NLMM306, LongPrefix306(),
       "<NLMM306>(.|\n)*Record counter: 1(.|\n)*warning file is too long"},
      // A kind outside 1..2, sub-increments that are not a whole number of at least 1.
      {MAT_NLMM320, Record320(3, 1), "<NLMM320>(.|\n)*Invalid kind of interface plasticity: 3"},
      {MAT_NLMM320, Record320(1, 2.5), "sub-increments must be a whole number of at least 1: 2.5"},
      {MAT_NLMM320, Record320(1, 0.5), "sub-increments must be a whole number of at least 1: 0.5"},
  };
  for (const Case& c : cases) {
    MeshData mesh{};
    MaterialRecord recs[3] = {c.m, c.m, c.m};
    mesh.nMaterials[c.code] = 2;
    mesh.Materials[c.code] = recs;
    int count[kMaterialKinds + 1] = {};
    count[c.code] = 1;
    EXPECT_EXIT(CheckNonlinearMaterialParameters(&mesh, count), testing::ExitedWithCode(1), c.message)
        << c.message;
    // Not in use: not checked.
    count[c.code] = 0;
    CheckNonlinearMaterialParameters(&mesh, count);
  }
  // Sound records pass; law 1 needs no kappa parameters.
  MeshData mesh{};
  MaterialRecord good[2] = {matdriver::Record({0}), m124(2, 1, 10, 0, 1, 0.0, 0.0, 0)};
  mesh.nMaterials[MAT_NLMM124] = 1;
  mesh.Materials[MAT_NLMM124] = good;
  int count[kMaterialKinds + 1] = {};
  count[MAT_NLMM124] = 3;
  CheckNonlinearMaterialParameters(&mesh, count);
  // Sound concrete plasticity records pass, 122 with alpha0 = 1 (its curve has no alpha0).
  for (int code : {MAT_NLMM122, MAT_NLMM123, MAT_NLMM125}) {
    MeshData m2{};
    MaterialRecord rec[2] = {c12x(30000, 30, 3, 0.0022, 0.3, 1), c12x(30000, 30, 3, 0.0022, code == MAT_NLMM122 ? 1.0 : 0.3, 2)};
    m2.nMaterials[code] = 1;
    m2.Materials[code] = rec;
    int n2[kMaterialKinds + 1] = {};
    n2[code] = 1;
    CheckNonlinearMaterialParameters(&m2, n2);
  }
}
