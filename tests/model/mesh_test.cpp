// The data file's structure, the parameter blocks and the choice of the analysis.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/fileio.h"
#include "model/loadcase.h"
#include "model/mesh.h"
#include "model/params.h"
#include "read_all.h"
#include "support/datafile_writer.h"
#include "support/read_back.h"
#include "support/testfiles.h"

using testmodel::Model;

namespace {

// A model whose every parameter field holds its own value.
Model DistinctParameterModel() {
  Model m;
  testmodel::MainParams& p = m.main;
  p.title = "Distinct values";
  p.analysisType = 6;
  p.materNonlinear = 1;
  p.geomNonlinear = 0;
  p.kinematicDescription = 2;
  p.nPhases = 3;
  p.spare1 = 5;
  p.spare2 = -3;
  p.maxArcLengthCombinations = 11;
  p.storageTechnique = 2;
  p.linEqAlgorithm = 2;
  p.precondResidualDecay = 1.5e-9;
  p.thermalSteppingMethod = 3;
  p.thermalTheta = 0.5;
  p.iterativeAlgorithm = 4;
  p.convergenceCriterion = 3;
  p.tolerance = 2.5e-3;
  p.maxIterations = 77;
  p.nCombBeforeRestart = 12;
  p.addUnbalancedForces = 1;
  p.spare3 = 2;
  p.arcLength = 1;
  p.spare4 = 9;
  p.pathBehavior = 2;
  p.stiffMatEigenValues = 1;
  p.maxStiffMatEigenValues = 13;
  p.eigenValueTechnique = 2;
  p.eigenValueCombination = 14;
  p.eigenValueIteration = 15;
  testmodel::DynamicParams& d = m.dynamic;
  d.timeSteppingMethod = 3;
  d.gamma = 0.6;
  d.beta = 0.3025;
  d.alpha = -0.1;
  d.vibrationModeType = 2;
  d.modalSuperpositionProcedure = 3;
  d.defaultModalDampingRatio = -1.23456789012e30;
  d.rayleighA0 = 0.125;
  d.rayleighA1 = 0.0625;
  testmodel::ArcLengthParams& a = m.arcLength;
  a.constantRadius = 1;
  a.radiusFactor = 1.25;
  a.loadFactor = 0.75;
  a.forceDisplScaling = 3.5;
  a.momentRotScaling = 4.5;
  a.displActive = 1;
  a.displPoint = 21;
  a.displDof = 5;
  a.displIncrement = -0.01;
  a.relActive = 1;
  a.relPointA = 31;
  a.relPointB = 32;
  a.relIncrement = 0.02;
  m.participatingMassRatios = {1, 0, 1};
  return m;
}

}  // namespace

TEST(DataFile, EmptyBlocksAndParametersRoundTrip) {
  Model model = DistinctParameterModel();
  model.headerWord = 0x5A5A5A5A;
  MeshData mesh;
  FILE* fp = WriteAndReadMesh(model, &mesh);

  const MainParameters& p = mesh.Main;
  EXPECT_STREQ(p.MainTitle, "Distinct values");
  EXPECT_EQ(p.AnalysisType, 6);
  EXPECT_EQ(p.MaterNonlinear, 1);
  EXPECT_EQ(p.GeomNonlinear, 0);
  EXPECT_EQ(p.KinematicDescription, 2);
  EXPECT_EQ(p.nPhases, 3);
  EXPECT_EQ(p.nFibrousMeshes, 0);
  EXPECT_EQ(p.nContactCases, 0);
  EXPECT_EQ(p.nLoadCases, 0);
  EXPECT_EQ(p.nCombinations, 0);
  EXPECT_EQ(p.Spare1, 5);
  EXPECT_EQ(p.Spare2, -3);
  EXPECT_EQ(p.MaxArcLengthCombinations, 11);
  EXPECT_EQ(p.StorageTechnique, 2);
  EXPECT_EQ(p.LinEqAlgorithm, 2);
  EXPECT_EQ(p.PrecondResidualDecay, 1.5e-9);
  EXPECT_EQ(p.ThermalSteppingMethod, 3);
  EXPECT_EQ(p.ThermalTheta, 0.5);
  EXPECT_EQ(p.IterativeAlgorithm, 4);
  EXPECT_EQ(p.ConvergenceCriterion, 3);
  EXPECT_EQ(p.Tolerance, 2.5e-3);
  EXPECT_EQ(p.MaxIterations, 77);
  EXPECT_EQ(p.nCombBeforeRestart, 12);
  EXPECT_EQ(p.AddUnbalancedForces, 1);
  EXPECT_EQ(p.Spare3, 2);
  EXPECT_EQ(p.ArcLength, 1);
  EXPECT_EQ(p.Spare4, 9);
  EXPECT_EQ(p.PathBehavior, 2);
  EXPECT_EQ(p.StiffMatEigenValues, 1);
  EXPECT_EQ(p.MaxStiffMatEigenValues, 13);
  EXPECT_EQ(p.EigenValueTechnique, 2);
  EXPECT_EQ(p.EigenValueCombination, 14);
  EXPECT_EQ(p.EigenValueIteration, 15);

  const DynamicAnalysisParameters& d = mesh.Dynamic;
  EXPECT_EQ(d.TimeSteppingMethod, 3);
  EXPECT_EQ(d.Gamma, 0.6);
  EXPECT_EQ(d.Beta, 0.3025);
  EXPECT_EQ(d.Alpha, -0.1);
  EXPECT_EQ(d.VibrationModeType, 2);
  EXPECT_EQ(d.ModalSuperpositionProcedure, 3);
  EXPECT_EQ(d.DefaultModalDampingRatio, kValueNotGiven);
  EXPECT_EQ(d.RayleighA0, 0.125);
  EXPECT_EQ(d.RayleighA1, 0.0625);

  const ArcLengthParameters& a = mesh.ArcLength;
  EXPECT_EQ(a.ConstantRadius, 1);
  EXPECT_EQ(a.RadiusFactor, 1.25);
  EXPECT_EQ(a.LoadFactor, 0.75);
  EXPECT_EQ(a.ForceDisplScaling, 3.5);
  EXPECT_EQ(a.MomentRotScaling, 4.5);
  EXPECT_EQ(a.Displ.Active, 1);
  EXPECT_EQ(a.Displ.Point, 21);
  EXPECT_EQ(a.Displ.Dof, 5);
  EXPECT_EQ(a.Displ.Increment, -0.01);
  EXPECT_EQ(a.RelDispl.Active, 1);
  EXPECT_EQ(a.RelDispl.PointA, 31);
  EXPECT_EQ(a.RelDispl.PointB, 32);
  EXPECT_EQ(a.RelDispl.Increment, 0.02);
  EXPECT_EQ(mesh.ParticipatingMassRatios[1], 1);
  EXPECT_EQ(mesh.ParticipatingMassRatios[2], 0);
  EXPECT_EQ(mesh.ParticipatingMassRatios[3], 1);

  // Every record block is empty; the per-element lists of block 81 exist for no element.
  EXPECT_EQ(mesh.nElements, 0);
  EXPECT_EQ(mesh.nPoints, 0);
  EXPECT_EQ(mesh.nElemProps, 0);
  EXPECT_EQ(mesh.ElemProps, nullptr);
  EXPECT_EQ(mesh.nDiscontinuities, 0);
  for (int k = 1; k <= kMaterialKinds; k++) EXPECT_EQ(mesh.nMaterials[k], 0) << k;
  EXPECT_EQ(mesh.nModalDampingRatios, 0);
  EXPECT_EQ(mesh.nThermalInitial, 0);

  // The load cases follow: here none, then the combinations and the closing tag.
  CombinationData* combinations;
  ReadCombinations(fp, &mesh, &combinations);
  EXPECT_EQ(combinations, nullptr);
  FreeCombinations(combinations, 0);
  ReadTag("</VOLDE_DATA_FILE_V4.0>", fp, "_gl.bin");
  EXPECT_EQ(BytesLeft(fp), 0);
  CloseFile(fp);
  FreeMesh(&mesh);
}

// The same model with other block header words reads to the same option blocks (the
// reader clears the whole record first, so the records compare byte for byte).
TEST(DataFile, HeaderWordsAreIgnored) {
  std::string job = TestJobName();
  Model model = DistinctParameterModel();
  MeshData first;
  for (int32_t word : {0, -1, 123456789}) {
    model.headerWord = word;
    testmodel::WriteDataFile(job, model);
    ReadWholeDataFile(job);
    MeshData mesh;
    CloseFile(ReadDataFileMesh(job, &mesh));
    if (word == 0) {
      first = mesh;
      EXPECT_STREQ(first.Main.MainTitle, "Distinct values");
    } else {
      SCOPED_TRACE(word);
      EXPECT_EQ(std::memcmp(&mesh.Main, &first.Main, sizeof(MainParameters)), 0);
      EXPECT_EQ(std::memcmp(&mesh.Dynamic, &first.Dynamic, sizeof(DynamicAnalysisParameters)), 0);
      EXPECT_EQ(std::memcmp(&mesh.ArcLength, &first.ArcLength, sizeof(ArcLengthParameters)), 0);
      EXPECT_EQ(std::memcmp(mesh.ParticipatingMassRatios, first.ParticipatingMassRatios, 4), 0);
      EXPECT_EQ(mesh.nPoints, first.nPoints);
      EXPECT_EQ(mesh.nElements, first.nElements);
      FreeMesh(&mesh);
    }
  }
  FreeMesh(&first);
}

TEST(DataFile, MainParametersBodyHasItsFixedSize) {
  // Title "ab": 4 + 2 + 1 bytes, then the 113 bytes of the 32 other fields.
  Model model;
  model.main.title = "ab";
  std::vector<uint8_t> bytes = testmodel::EncodeDataFile(model);
  std::string text(bytes.begin(), bytes.end());
  size_t main = text.find("<MAIN_PARAMETERS>") + std::string("<MAIN_PARAMETERS>").size() + 1;
  size_t next = text.find("<DYNAMIC_ANALYSIS_PARAMETERS>") - 4 - 4;
  EXPECT_EQ(next - main, 7u + 113u);
  size_t dyn = text.find("<DYNAMIC_ANALYSIS_PARAMETERS>") + 30;
  EXPECT_EQ(text.find("<GROUP_NAMES>") - 8 - dyn, 60u);
  size_t arc = text.find("<ARC_LENGTH_PARAMETERS>") + 24;
  EXPECT_EQ(text.find("<DYNAMIC_INITIAL_CONDITIONS>") - 8 - arc, 67u);
}

TEST(DataFileDeath, MisplacedBlocksStopTheRun) {
  std::string job = TestJobName();
  const std::string msg = "^\nERROR:\n" + InvalidFileRegex(job + "_gl.bin") + "\n\n$";
  // A block left out: drop the "<SUPPORTS>" block (header word, tag, count).
  std::vector<uint8_t> bytes = testmodel::EncodeDataFile(Model{});
  std::string text(bytes.begin(), bytes.end());
  size_t at = text.find("<SUPPORTS>") - 8;
  size_t len = 8 + std::string("<SUPPORTS>").size() + 1 + 4;
  std::vector<uint8_t> dropped(bytes);
  dropped.erase(dropped.begin() + static_cast<long>(at), dropped.begin() + static_cast<long>(at + len));
  testmodel::WriteBytes(job + "_gl.bin", dropped);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1), msg);
  // Not a data file at all.
  testmodel::WriteBytes(job + "_gl.bin", testmodel::Rec().S("<OTHER_FILE>").bytes);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1), msg);
  // A count where the file ends.
  std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(at + len - 2));
  testmodel::WriteBytes(job + "_gl.bin", cut);
  EXPECT_EXIT(ReadWholeDataFile(job), testing::ExitedWithCode(1), msg);
}

// ---- choice of the analysis driver -------------------------------------------------------
struct SelectionCase {
  int type, mnl, gnl, storage, algorithm;
  int driver;  // 0: refused
};

TEST(AnalysisSelection, TableOfCombinations) {
  const SelectionCase cases[] = {
      {1, 0, 0, 1, 1, DRIVER_STATIC_LIN_NCSB},
      {1, 0, 0, 2, 2, DRIVER_STATIC_LIN_JPCG},
      {1, 1, 0, 1, 1, DRIVER_STATIC_MNL_NCSB},
      {1, 1, 0, 2, 2, DRIVER_STATIC_MNL_JPCG},
      {1, 1, 1, 1, 1, DRIVER_STATIC_MGNL_NCSB},
      {1, 1, 1, 2, 2, DRIVER_STATIC_MGNL_JPCG},
      {2, 0, 0, 1, 1, DRIVER_DYNAMIC_LIN_NCSB},
      {2, 0, 0, 2, 2, DRIVER_DYNAMIC_LIN_JPCG},
      {3, 0, 0, 7, 3, DRIVER_MODAL_ANALYSIS},
      {4, 0, 0, 1, 2, DRIVER_MODAL_SUPERPOSITION},
      {5, 0, 0, 1, 1, DRIVER_THERMAL_STEADY_NCSB},
      {5, 0, 0, 2, 2, DRIVER_THERMAL_STEADY_JPCG},
      {6, 0, 0, 1, 1, DRIVER_THERMAL_TRANSIENT_LIN_NCSB},
      {6, 0, 0, 2, 2, DRIVER_THERMAL_TRANSIENT_LIN_JPCG},
      {6, 1, 0, 1, 1, DRIVER_THERMAL_TRANSIENT_NL_NCSB},
      {6, 1, 0, 2, 2, DRIVER_THERMAL_TRANSIENT_NL_JPCG},
      {7, 1, 0, 1, 1, DRIVER_TRANSIENT_MNL_NCSB},
      {7, 1, 0, 2, 2, DRIVER_TRANSIENT_MNL_JPCG},
      // refused
      {1, 0, 0, 1, 2, 0},   // storage and algorithm disagree
      {1, 0, 0, 2, 3, 0},   // _ITERATIVE_ICFPCG
      {1, 0, 1, 1, 1, 0},   // geometric without material nonlinearity
      {1, 2, 0, 1, 1, 0},   // a flag of 2 is neither yes nor no
      {2, 1, 0, 1, 1, 0},   // nonlinear dynamic
      {3, 1, 0, 1, 1, 0},   // nonlinear modal analysis
      {4, 0, 1, 1, 1, 0},
      {5, 1, 0, 1, 1, 0},
      {6, 1, 1, 1, 1, 0},
      {7, 0, 0, 1, 1, 0},   // transient needs material nonlinearity
      {7, 1, 1, 2, 2, 0},
      {0, 0, 0, 1, 1, 0},
      {8, 0, 0, 1, 1, 0},
  };
  for (const SelectionCase& c : cases) {
    MainParameters p{};
    p.AnalysisType = c.type;
    p.MaterNonlinear = static_cast<char>(c.mnl);
    p.GeomNonlinear = static_cast<char>(c.gnl);
    p.StorageTechnique = c.storage;
    p.LinEqAlgorithm = c.algorithm;
    if (c.driver != 0) {
      EXPECT_EQ(SelectAnalysisDriver(&p), c.driver) << c.type << c.mnl << c.gnl << c.storage << c.algorithm;
    } else {
      const bool pair = (c.storage == 1 && c.algorithm == 1) || (c.storage == 2 && c.algorithm == 2);
      const std::string second =
          pair || c.type == 3 || c.type == 4
              ? ""
              : "STIFFNESS_MATRIX_STORAGE_TECHNIQUE [0-9]+ and SYSTEM_LIN_EQ_ALGORITHM [0-9]+ do not match: the pairs "
                "that exist are 1 _SYMMETRIC_NONCONSTANT_SEMIBAND with 1 _GAUSS_ELIM and 2 _SYMMETRIC_SPARSE with 2 "
                "_ITERATIVE_JPCG\\.\n";
      EXPECT_EXIT(SelectAnalysisDriver(&p), testing::ExitedWithCode(1),
                  "^\nERROR:\nThe selected type of analysis is not available yet\\.\n" + second +
                      "Please change the options in the <MAIN_PARAMETERS> block\\.\n\n$")
          << c.type << c.mnl << c.gnl << c.storage << c.algorithm;
    }
  }
  EXPECT_STREQ(AnalysisDriverName(DRIVER_STATIC_LIN_NCSB), "MainStaticLinGaussElimNCSB");
  EXPECT_STREQ(AnalysisDriverName(DRIVER_TRANSIENT_MNL_JPCG), "MainTransientMaterNonlinIterJacPreConjGrad");
}
