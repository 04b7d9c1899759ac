// Geometric nonlinearity end to end: the state of a record read back, second-order
// cantilever columns of hexahedra and plane-stress quadrilaterals in both kinematic
// descriptions, the membrane action of a thin layered strip, a restart, and the groups
// that a geometrically nonlinear run refuses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/previous_state.h"
#include "analysis/results.h"
#include "element_models.h"
#include "geometric_columns.h"
#include "linear_model.h"
#include "model/fileio.h"
#include "model/loadcase.h"
#include "model/material.h"
#include "model/mesh.h"
#include "numcore/numcore.h"
#include "support/datafile_writer.h"
#include "support/nonlinear_run.h"
#include "support/process.h"
#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;
using linmodel::Job;
using namespace geomcolumns;

namespace {

// ---- the state of a record ------------------------------------------------------------------

struct DrFile {
  std::string dir = MakeScratchDirectory();
  std::string job = dir + "/state";
  ~DrFile() { RemoveDirectory(dir); }
  // Records k = 1..3 with aF = (k, 10k), aP = (100k), R = (1000k).
  void Write(bool truncated = false) const {
    FILE* fp;
    OpenFile(&fp, job.c_str(), kDisplReactSuffix, "wb", 'N');
    WriteTag(kDisplReactOpenTag, fp);
    for (int k = 1; k <= 3; k++) {
      const double aF[3] = {0.0, 1.0 * k, 10.0 * k}, aP[2] = {0.0, 100.0 * k}, R[2] = {0.0, 1000.0 * k};
      WriteDisplReact(fp, k, 2, 1, aF, aP, R);
    }
    CloseFile(fp);
    if (truncated) {
      const std::string name = job + kDisplReactSuffix;
      const std::vector<unsigned char> bytes = resultfile::ReadFileBytes(name);
      std::ofstream out(name, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size() - 8));
    }
  }
  void Read(const MeshData& mesh, int k, const CombinationData* comb, double* aF, double* aP, double* R) const {
    FILE* fp;
    OpenFile(&fp, job.c_str(), kDisplReactSuffix, "rb", 'N');
    ReadTag(kDisplReactOpenTag, fp, kDisplReactSuffix);
    const int64_t base = TellFile(fp);
    double AF[3], AP[2], BF[3], BP[2];
    CalcDisplReact(fp, k, 2, 1, base, &mesh, AF, AP, BF, BP, aF, aP, R, comb);
    CloseFile(fp);
  }
};

}  // namespace

TEST(PreviousState, LinearCombinationSumsItsFactoredLoadCases) {
  DrFile f;
  f.Write();
  MeshData mesh{};
  mesh.Main.AnalysisType = ANALYSIS_STATIC;
  mesh.Main.nCombinations = 1;
  LoadCaseFactor factors[4] = {{0, 0.0}, {1, 2.0}, {2, 0.5}, {3, 1e-9}};
  CombinationData comb[2]{};
  comb[1].nFactors = 3;
  comb[1].Factors = factors;
  double aF[3], aP[2], R[2];
  f.Read(mesh, 1, comb, aF, aP, R);
  // 2 record 1 + 0.5 record 2; record 3's factor adds nothing.
  EXPECT_EQ(aF[1], 3.0);
  EXPECT_EQ(aF[2], 30.0);
  EXPECT_EQ(aP[1], 300.0);
  EXPECT_EQ(R[1], 3000.0);
  // A nonlinear static run reads its record.
  mesh.Main.MaterNonlinear = 1;
  mesh.Main.GeomNonlinear = 1;
  f.Read(mesh, 3, comb, aF, aP, R);
  EXPECT_EQ(aF[1], 3.0);
  EXPECT_EQ(aF[2], 30.0);
  EXPECT_EQ(aP[1], 300.0);
  EXPECT_EQ(R[1], 3000.0);
  // A static run geometrically but not materially nonlinear has no such state.
  mesh.Main.MaterNonlinear = 0;
  EXPECT_EXIT(f.Read(mesh, 1, comb, aF, aP, R), testing::ExitedWithCode(1), testing::HasSubstr("previous_state.cpp"));
}

TEST(PreviousState, ShortResultFileIsRefused) {
  DrFile f;
  f.Write(true);
  MeshData mesh{};
  mesh.Main.AnalysisType = ANALYSIS_STATIC;
  mesh.Main.MaterNonlinear = 1;
  double aF[3], aP[2], R[2];
  f.Read(mesh, 2, nullptr, aF, aP, R);
  EXPECT_EQ(aF[2], 20.0);
  EXPECT_EXIT(f.Read(mesh, 3, nullptr, aF, aP, R), testing::ExitedWithCode(1),
              testing::HasSubstr(InvalidFileMessage(f.job + "_dr.bin")));
}

TEST(PreviousState, UpdatedCoordinatesAddTheScaledTranslations) {
  double** X0;
  double** X;
  double** U;
  allocd2(&X0, 2, 3);
  allocd2(&X, 2, 3);
  allocd2(&U, 2, 6);
  for (int i = 1; i <= 2; i++)
    for (int j = 1; j <= 6; j++) {
      if (j <= 3) X0[i][j] = 10.0 * i + j;
      U[i][j] = 0.5 * i - 0.25 * j;
    }
  CalcUpdatedPointCoord(2, 2.0, X0, X, U);
  for (int i = 1; i <= 2; i++)
    for (int j = 1; j <= 3; j++) EXPECT_EQ(X[i][j], X0[i][j] + 2.0 * U[i][j]);
  freed2(U);
  freed2(X);
  freed2(X0);
}

namespace {

// ---- runs ----------------------------------------------------------------------------------

class GeometricRun : public nonlinrun::RunFixture {};

}  // namespace

TEST_F(GeometricRun, CantileverColumnReachesTheSecondOrderDeflection) {
  // delta = H (tan kL - kL) / (P k), k = sqrt(P / EI), kL = pi / 4 (linear: 0.004); the
  // shortening P L / EA. Equilibrium is written on the deformed column from combination 1
  // on: at a twentieth of the loads (kL = 0.1756) delta = 2.0250e-4, above the linear
  // 2e-4. A repeated load is in equilibrium already and changes nothing.
  for (bool hexa : {true, false})
    for (int kinematic : {1, 2})
      for (int criterion : {1, 2}) {
        SCOPED_TRACE(std::string(hexa ? "hexahedra" : "quadrilaterals") + (kinematic == 1 ? " TL" : " UL") +
                     (criterion == 1 ? " displacement norm" : " force norm"));
        Column c = hexa ? HexaColumn() : QuadColumn();
        Nonlinear(c.job, kinematic, ColumnFactors());
        c.job.model.main.convergenceCriterion = criterion;
        const resultfile::DisplReactFile dr = Run(c.job, "column");
        if (dr.records.size() != 35) continue;
        EXPECT_NEAR(Mean(dr.records[0], c.job, c.tip, c.lateral), 2.0250e-4, 0.01 * 2.0250e-4);
        EXPECT_GT(Mean(dr.records[0], c.job, c.tip, c.lateral), 1.003 * 0.004 / 20.0);
        EXPECT_NEAR(Mean(dr.records.back(), c.job, c.tip, c.lateral), kDelta, 0.01 * kDelta);
        EXPECT_NEAR(Mean(dr.records[33], c.job, c.tip, c.lateral), Mean(dr.records[34], c.job, c.tip, c.lateral), 1e-9);
        EXPECT_NEAR(-Mean(dr.records.back(), c.job, c.tip, c.axial), kShortening, 0.01 * kShortening);
      }
}

TEST_F(GeometricRun, RestartedColumnWritesTheUninterruptedRecords) {
  // Both descriptions, both elements, restarted after the third combination (the
  // quadrilaterals after the first too): the records are those of the run without a stop,
  // byte for byte.
  for (bool hexa : {false, true})
    for (int kinematic : {1, 2})
      for (int after : {1, 3}) {
        if (hexa && after == 1) continue;
        SCOPED_TRACE(std::to_string(hexa) + " " + std::to_string(kinematic) + " " + std::to_string(after));
        Column c = hexa ? HexaColumn() : QuadColumn();
        Nonlinear(c.job, kinematic, {0.25, 0.5, 0.75, 1.0, 1.0, 1.0});
        Run(c.job, "fresh");
        Run(c.job, "col");
        c.job.model.main.nCombBeforeRestart = after;
        Run(c.job, "col");
        ExpectSameFiles("col", "fresh", {"_dr.bin", "_if.bin", "_NLMM124_HD.bin"});
      }
}

TEST_F(GeometricRun, ThinStripCarriesPressureByMembraneAction) {
  // L = 1, width 0.1, t = 0.001, E = 1e6, nu = 0.3, ends held, q = 2.93 / 27: the membrane
  // force N = E' t (1/L) int 1/2 w'^2 of w = q x (L - x) / (2 N) gives w^3 = 3 q L^4 (1 - nu^2)
  // / (64 E t) at the centre, L / 60, where the slopes at the ends, 4 w / L, stay within the
  // range of the shell's large-deflection strains.
  const double L = 1.0, b = 0.1, t = 0.001, E = 1e6, nu = 0.3, q = 2.93 / 27.0;
  linmodel::LatticeJob lj = linmodel::QuadMesh(
      20, 9, 20, 1, [&](double u, double v) { return std::array<double, 3>{L * u, b * v, 0.0}; }, E, nu, 0.0, t,
      [](int I, int, int) { return std::string(I == 0 || I == 40 ? "111101" : "010101"); });
  Job& j = lj.job;
  tw::AddRecord(j.model, "<LAYER_PROPERTIES>", tw::Rec().S("sheet").I(MAT_LIN_ISO).I(1).I(GEOM_LAM_THICK).I(1));
  tw::AddRecord(j.model, "<LAYER_PATTERNS>", tw::Rec().S("one").IList({1}));
  j.model.blocks["<ELEMENT_PROPERTIES>"] = {tw::ElementProperty(1, 20, 20, MAT_LAY_PATT, 1, 0, 0)};
  std::vector<tw::Rec> loads;
  const double wx[3] = {L / 40.0 / 3.0, 4.0 * L / 40.0 / 3.0, 2.0 * L / 40.0 / 3.0};
  for (int I = 0; I <= 40; I++)
    for (int J = 0; J <= 2; J++) {
      const double fx = I % 2 == 1 ? wx[1] : (I == 0 || I == 40 ? wx[0] : wx[2]);
      const double fy = J == 1 ? 4.0 * b / 6.0 : b / 6.0;
      loads.push_back(tw::PointLoad(lj.At(I, J), {0, 0, q * fx * fy, 0, 0, 0}));
    }
  j.model.loadCases = {linmodel::ElementLoads(loads)};
  std::vector<double> f;
  for (int k = 1; k <= 50; k++) f.push_back(std::pow(std::sqrt(2.0), k - 50));
  Nonlinear(j, 1, f);
  const resultfile::DisplReactFile dr = Run(j, "strip");
  if (dr.records.size() != 50) return;
  const double w = std::cbrt(3.0 * q * std::pow(L, 4) * (1 - nu * nu) / (64.0 * E * t));
  EXPECT_NEAR(w, 0.016666, 1e-6);
  EXPECT_NEAR(Mean(dr.records.back(), j, {lj.At(20, 1)}, 3), w, 0.01 * w);
}

TEST_F(GeometricRun, GroupsWithoutGeometricRoutinesAreRefused) {
  // A linear material (behaviour 'G') and a material pattern.
  struct Case {
    int kind;
    std::string message;
  };
  const Case cases[] = {
      {MAT_LIN_ISO, "A geometrically nonlinear analysis needs a nonlinear material\nin every element group."},
      {MAT_NLMM_PATT, "Material patterns are not available in a geometrically nonlinear analysis."}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.kind);
    Column c = QuadColumn();
    if (k.kind == MAT_LIN_ISO) {
      tw::AddRecord(c.job.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("iso", 0.0, 0.0, 1000.0, 0.0));
    } else {
      tw::AddRecord(c.job.model, "<NLMM_PATTERNS>",
                    tw::Rec().S("pattern").I(2).I(MAT_NLMM124).I(1).I(MAT_LIN_ISO).I(1));
      tw::AddRecord(c.job.model, "<LINEAR_ISOTROPIC_MATERIALS>", tw::LinIsoMaterial("iso", 0.0, 0.0, 1000.0, 0.0));
    }
    c.job.model.blocks["<ELEMENT_PROPERTIES>"] = {
        tw::ElementProperty(1, 10, 10, k.kind, 1, GEOM_LAM_THICK, 1, 1, 1)};
    Nonlinear(c.job, 1, {1.0});
    const ChildResult r = Start(c.job, "refused");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("   -> Element property: 1\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(k.message), std::string::npos) << r.err;
  }
}

TEST_F(GeometricRun, ColumnWithPathDependentRecordsGivesTheSameAnswer) {
  // Records carried from iteration to iteration (the residual takes the last correction
  // as the increment) reach the same converged states as records restarted from the
  // converged one, in both descriptions.
  for (bool hexa : {false, true})
    for (int kinematic : {1, 2}) {
      SCOPED_TRACE(std::string(hexa ? "hexahedra" : "quadrilaterals") + (kinematic == 1 ? " TL" : " UL"));
      Column a = hexa ? HexaColumn() : QuadColumn(), b = a;
      Nonlinear(a.job, kinematic, {0.5, 1.0});
      Nonlinear(b.job, kinematic, {0.5, 1.0});
      b.job.model.main.pathBehavior = 2;
      const resultfile::DisplReactFile ra = Run(a.job, "restarting"), rb = Run(b.job, "carrying");
      if (ra.records.size() != 2 || rb.records.size() != 2) continue;
      for (size_t k = 0; k < 2; k++)
        for (int d : {a.lateral, a.axial})
          EXPECT_NEAR(Mean(rb.records[k], b.job, b.tip, d), Mean(ra.records[k], a.job, a.tip, d),
                      1e-6 * std::fabs(Mean(ra.records[k], a.job, a.tip, d)))
              << k;
    }
}
