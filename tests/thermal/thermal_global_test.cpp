// Thermal numbering, the nonlinear global matrices against the linear ones, and the
// fluid temperatures of a combination read from the load cases.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assembly/assembly.h"
#include "model/fileio.h"
#include "model/params.h"
#include "support/datafile_writer.h"
#include "support/loaded_mesh.h"
#include "thermal/thermal_global.h"
#include "thermal_fixture.h"

namespace {

Support FixedTemperature(int point, int first, int last) {
  Support s{};
  s.FirstPhase = first;
  s.LastPhase = last;
  s.Point = point;
  s.Fixity[1] = 1;
  return s;
}

TEST(ThermalNumbering, PhasesAndPointsWithoutElements) {
  ThermalMesh t;
  const int prop = t.h.AddProperty(_PLANE_STRESS_QUAD_THERMAL, MAT_THERMAL_ISO, t.AddThermalIso(1, 1, 1), 0, 0);
  t.AddUnitQuad(4, prop);
  t.h.AddPoint(5, 0, 0);  // point 5: no element, flagged
  t.h.AddPoint(6, 0, 0);  // point 6: no element, not flagged
  MeshData* mesh = t.Build();
  // Point 1 held in phase 1, point 2 only from phase 2 on, point 5 held in phase 1.
  std::vector<Support> fixed{Support{}, FixedTemperature(1, 1, 1), FixedTemperature(2, 2, 3),
                             FixedTemperature(5, 1, 1)};
  mesh->nFixedTemps = 3;
  mesh->FixedTemps = fixed.data();
  const int elemProp[2] = {0, prop};
  char** codes;
  allocc2(&codes, 6, 6);
  CalcThermalDofCodes(1, mesh, elemProp, codes);
  const char expect[7] = {0, 'P', 'F', 'F', 'F', 'P', 0};
  for (int p = 1; p <= 6; p++) {
    EXPECT_EQ(codes[p][1], expect[p]) << "point " << p;
    for (int d = 2; d <= 6; d++) EXPECT_EQ(codes[p][d], 0) << "point " << p << " dof " << d;
  }
  CalcThermalDofCodes(2, mesh, elemProp, codes);
  EXPECT_EQ(codes[1][1], 'F');
  EXPECT_EQ(codes[2][1], 'P');
  EXPECT_EQ(codes[5][1], 0);
  freec2(codes);
}

// One unit cube, face x1 = 0 held, convection on face x1 = 1; the same element with a
// linear material and with _NLMM451 of constant laws.
struct CubeRun {
  ThermalMesh t;
  int iso = 0, nl = 0, prop = 0;
  std::vector<double> h{0, 2.5};
  std::vector<SurfaceConvection> conv{SurfaceConvection{}, SurfaceConvection{}};
  std::vector<Support> fixed{Support{}};
  MeshData* mesh = nullptr;
  CubeRun() {
    iso = t.AddThermalIso(2.0, 3.0, 5.0);
    nl = t.Add451({1, 2.0, 0, 1, 3.0, 1, 5.0, 0});
    prop = t.h.AddProperty(_SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, iso, 0, 0);
    t.AddUnitHexa(8, prop);
    mesh = t.Build();
    for (int p = 1; p <= 8; p++)
      if (mesh->PointCoord[p][1] == 0.0) fixed.push_back(FixedTemperature(p, 1, 1));
    int endFace = 0;
    for (int f = 1; f <= 6; f++) {
      int listed[9];
      unsigned char flag;
      CalcNodeFaceSolidHexa(f, 8, &flag, listed);
      bool end = true;
      for (int k = 1; k <= 4; k++) end = end && mesh->PointCoord[mesh->ElemNodes[1][listed[k]]][1] == 1.0;
      if (end) endFace = f;
    }
    conv[1] = SurfaceConvection{0, 0, 0, 1, endFace, 1, 0, 1, h.data()};
    mesh->nConvections = 1;
    mesh->Convections = conv.data();
    mesh->nFixedTemps = static_cast<int>(fixed.size()) - 1;
    mesh->FixedTemps = fixed.data();
    mesh->Main.AnalysisType = ANALYSIS_THERMAL_TRANSIENT;
    mesh->Main.MaterNonlinear = 1;
  }
};

struct Matrices {
  SparseRowMatrix FF{}, PF{}, PP{};
  int64_t n[3] = {0, 0, 0};
  IterSummaryRecord summary{};
  ~Matrices() { FreeGlobalStiffMat(&FF, &PF, &PP); }
};

void ExpectSameRows(const SparseRowMatrix& a, const SparseRowMatrix& b, const char* name) {
  ASSERT_EQ(a.n, b.n) << name;
  for (int i = 1; i <= a.n; i++) {
    ASSERT_EQ(a.count[i], b.count[i]) << name << " row " << i;
    for (int k = 1; k <= a.count[i]; k++) {
      EXPECT_EQ(a.cols[i][k], b.cols[i][k]) << name << " row " << i;
      EXPECT_NEAR(a.vals[i][k], b.vals[i][k], 1e-12 * std::fabs(b.vals[i][k])) << name << " row " << i;
    }
  }
}

void ExpectSame(const Matrices& a, const Matrices& b) {
  ExpectSameRows(a.FF, b.FF, "FF");
  ExpectSameRows(a.PF, b.PF, "PF");
  ExpectSameRows(a.PP, b.PP, "PP");
  for (int k = 0; k < 3; k++) EXPECT_EQ(a.n[k], b.n[k]);
}

TEST(ThermalGlobalMatrices, NonlinearAssembliesOfConstantLawsEqualTheLinearOnes) {
  CubeRun c;
  ThermalWorkArrays t;
  InitializeThermalWorkArrays(1, c.mesh, &t);
  ASSERT_EQ(t.w.nF, 4);
  ASSERT_EQ(t.w.nP, 4);
  EXPECT_EQ(t.ConvectionFlags[1], 1);
  ThermalHistory h(8, 0.0);
  const double TF[5] = {0, 300, 310, 320, 330}, TP[5] = {0, 20, 20, 20, 20};
  FaceFluidTemperatures fluid{nullptr};
  const ThermalStepState s{1, 1, 1.0, TF, TP, &h.index, &h.hd, h.elemToHD.data(), &fluid};
  Flags oc;
  Matrices KC, KT, KCL, KTL, KCM, KTM;
  AssembGlobalCondMat(&KC.n[0], &KC.n[1], &KC.n[2], oc, &KC.summary, c.mesh, &t, &KC.FF, &KC.PF, &KC.PP);
  AssembGlobalTransientMat(&KT.n[0], &KT.n[1], &KT.n[2], oc, &KT.summary, c.mesh, &t, &KT.FF, &KT.PF, &KT.PP);
  // A linear material in the nonlinear assembly ("L").
  AssembGlobalCondMat_NL(&KCL.n[0], &KCL.n[1], &KCL.n[2], oc, &KCL.summary, c.mesh, &t, &s, &KCL.FF, &KCL.PF,
                         &KCL.PP);
  AssembGlobalTransientMat_NL(&KTL.n[0], &KTL.n[1], &KTL.n[2], oc, &KTL.summary, c.mesh, &t, &s, &KTL.FF, &KTL.PF,
                              &KTL.PP);
  ExpectSame(KCL, KC);
  ExpectSame(KTL, KT);
  // _NLMM451 with constant density, conductivity and specific heat ("M").
  c.t.h.props[c.prop].MaterialKind = MAT_NLMM451;
  c.t.h.props[c.prop].MaterialNumber = c.nl;
  AssembGlobalCondMat_NL(&KCM.n[0], &KCM.n[1], &KCM.n[2], oc, &KCM.summary, c.mesh, &t, &s, &KCM.FF, &KCM.PF,
                         &KCM.PP);
  AssembGlobalTransientMat_NL(&KTM.n[0], &KTM.n[1], &KTM.n[2], oc, &KTM.summary, c.mesh, &t, &s, &KTM.FF, &KTM.PF,
                              &KTM.PP);
  ExpectSame(KCM, KC);
  ExpectSame(KTM, KT);
  // The heat balance of KC: a uniform temperature loses heat only through the
  // convection face, h A = 2.5 in all.
  double sum = 0.0;
  std::vector<double> ones(5, 1.0), rowF(5, 0.0), rowP(5, 0.0);
  AddScaledSymSparseMatVecProduct(4, 1.0, KC.FF.count, KC.FF.cols, KC.FF.vals, ones.data(), rowF.data());
  AddScaledSparseMatTransVecProduct(4, 1.0, KC.PF.count, KC.PF.cols, KC.PF.vals, ones.data(), rowF.data());
  AddScaledSymSparseMatVecProduct(4, 1.0, KC.PP.count, KC.PP.cols, KC.PP.vals, ones.data(), rowP.data());
  AddScaledSparseMatVecProduct(4, 1.0, KC.PF.count, KC.PF.cols, KC.PF.vals, ones.data(), rowP.data());
  for (int i = 1; i <= 4; i++) sum += rowF[i] + rowP[i];
  EXPECT_NEAR(sum, 2.5, 1e-12);
  // The transient run records each assembly, KT's after KC's.
  EXPECT_EQ(KT.summary.nTermsKFF, KT.n[0]);
  EXPECT_EQ(KC.summary.nTermsKPP, KC.n[2]);
  FreeThermalWorkArrays(&t);
}

TEST(ThermalLoadCaseFactors, FluidTemperaturesOfACombination) {
  namespace tw = testmodel;
  tw::Model m;
  m.main.analysisType = 6;
  for (int i = 0; i < 8; i++) tw::AddPoint(m, i & 1, (i >> 1) & 1, i >> 2);
  double** S;
  allocd2(&S, 8, 3);
  CalcNatCoordSolidHexa(8, S);
  std::vector<int32_t> nodes;
  for (int a = 1; a <= 8; a++)
    nodes.push_back((S[a][1] > 0 ? 1 : 0) + (S[a][2] > 0 ? 2 : 0) + (S[a][3] > 0 ? 4 : 0) + 1);
  freed2(S);
  tw::AddElement(m, nodes);
  tw::AddRecord(m, "<THERMAL_ISOTROPIC_MATERIALS>", tw::Material("th", "ddd", {1, 1, 1}));
  tw::AddRecord(m, "<ELEMENT_PROPERTIES>", tw::ElementProperty(1, 1, _SOLID_HEXA_THERMAL, MAT_THERMAL_ISO, 1, 0, 0));
  const auto fluid = [](int face, const std::vector<double>& v) {
    return tw::Rec().I(1).I(face).I(0).I(0).DList(v);
  };
  m.loadCases.resize(3);
  m.loadCases[0].blocks["<SURFACE_FLUID_TEMPERATURE>"] = {fluid(2, {10.0})};
  m.loadCases[1].blocks["<SURFACE_FLUID_TEMPERATURE>"] = {fluid(3, {1, 2, 3, 4})};
  // Three values on a four-node face: refused if its load case were used.
  m.loadCases[2].blocks["<SURFACE_FLUID_TEMPERATURE>"] = {fluid(3, {1, 2, 3})};
  m.combinations.resize(2);
  m.combinations[0].factors = {{1, 2.0}, {2, 0.5}, {3, 0.0}};
  m.combinations[1].factors = {{1, 1.0}, {1, 3.0}};  // the later pair wins
  const std::string job = TestJobName();
  tw::WriteDataFile(job, m);
  MeshData mesh;
  FILE* fp;
  OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
  ReadTag("<VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  ReadMesh(fp, &mesh);
  const long first = std::ftell(fp);
  for (int lc = 1; lc <= 3; lc++) {
    LoadCaseData skip;
    ReadLoadCase(fp, lc, &mesh, &skip);
    FreeLoadCase(&skip);
  }
  CombinationData* comb;
  ReadCombinations(fp, &mesh, &comb);
  const int elemProp[2] = {0, 1};

  FaceFluidTemperatures T{nullptr};
  CalcElementSurfFluidTemp(fp, 1, first, &mesh, elemProp, comb, &T);
  for (int i = 1; i <= 4; i++) {
    EXPECT_EQ(T.T[1][2][i], 20.0);
    EXPECT_EQ(T.T[1][3][i], 0.5 * i);
  }
  EXPECT_EQ(T.T[1][1][1], 0.0);
  FreeElementSurfFluidTemp(&T);
  // Beyond the last combination: the last one's factors.
  CalcElementSurfFluidTemp(fp, 7, first, &mesh, elemProp, comb, &T);
  for (int i = 1; i <= 4; i++) {
    EXPECT_EQ(T.T[1][2][i], 30.0);
    EXPECT_EQ(T.T[1][3][i], 0.0);
  }
  FreeElementSurfFluidTemp(&T);
  double factors[4];
  CalcCombLoadCaseFactors(1, 3, factors, comb);
  EXPECT_EQ(factors[1], 2.0);
  EXPECT_EQ(factors[3], 0.0);
  FreeCombinations(comb, 2);
  CloseFile(fp);
  FreeMesh(&mesh);
  std::remove((job + "_gl.bin").c_str());
}

}  // namespace

namespace {

// The heat of a point of a fine mesh in coarse units (1e-10, a kW on a 1 mm element) goes
// to its free or prescribed temperature; a dof the point does not have takes nothing.
TEST(ThermalLoadAssembly, SmallHeatOfAFineMeshIsKept) {
  int **nodes, **numbers;
  char** codes;
  alloci2(&nodes, 1, 2);
  alloci2(&numbers, 2, 6);
  allocc2(&codes, 2, 6);
  nodes[1][1] = 1;
  nodes[1][2] = 2;
  for (int p = 1; p <= 2; p++)
    for (int d = 1; d <= 6; d++) {
      numbers[p][d] = d == 1 ? 1 : 0;
      codes[p][d] = d == 1 ? (p == 1 ? 'F' : 'P') : '0';
    }
  double fe[13] = {}, FqF[2] = {}, FqP[2] = {};
  fe[1] = 1e-10;
  fe[7] = -3e-10;
  fe[8] = 1e-20;  // rounding on an absent dof
  Assemb_FQg(1, 2, nodes, numbers, FqF, FqP, fe, codes);
  EXPECT_EQ(FqF[1], 1e-10);
  EXPECT_EQ(FqP[1], -3e-10);
  freec2(codes);
  freei2(numbers);
  freei2(nodes);
}

}  // namespace
