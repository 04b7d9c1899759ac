// The mode files of a run read back by the check of a later run: the selected modes taken
// in ascending counter order and bit for bit; files that are missing, of another
// geometry, of another model, or edited to name a counter beyond the file or twice, are
// a note or a warning for a modal analysis and the end of a superposition.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "modal_fixture.h"
#include "model/params.h"
#include "support/result_readers.h"
#include "support/testfiles.h"

namespace {

// The bar of six cubes with its ten lowest modes, and the files a run would write.
struct Files {
  tw::Model model = HexaBar(6, 1.0 / 6.0, 1, 1);
  ModalModel mm{ModelWithRange(model), "files"};
  VibrationModes v{};
  std::string report = mm.job + kModeReportSuffix, binary = mm.job + kModeFileSuffix;

  static const tw::Model& ModelWithRange(tw::Model& m) {
    AddRange(m, 0.0, 10);
    return m;
  }
  Files() {
    mm.Modes(&v);
    Write(mm.w.nP);
  }
  ~Files() {
    FreeVibrationModes(&v);
    std::remove(report.c_str());
    std::remove(binary.c_str());
  }
  void Write(int nP) {
    FILE *fpBin, *fpDat;
    OpenFile(&fpBin, mm.job.c_str(), kModeFileSuffix, "wb", 'N');
    OpenFile(&fpDat, mm.job.c_str(), kModeReportSuffix, "w", 'N');
    WriteVibrationModesText(fpDat, mm.job.c_str(), &mm.mesh, &v);
    WriteVibrationModes(fpBin, mm.w.nF, nP, v.nModes, v.lambda, v.error, v.relError, v.Phi);
    CloseFile(fpDat);
    CloseFile(fpBin);
  }
};

struct Check {
  int nModes = -1;
  double* lambda = nullptr;
  double** Phi = nullptr;
  std::string out, err;
  ~Check() {
    if (Phi != nullptr) {
      freed2(Phi);
      freed1(lambda);
    }
  }
};

// The check of the files of `f` against the model `by`, console captured.
void RunCheck(const Files& f, ModalModel& by, Check* c) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  CheckFilesJobName_vm(f.mm.job.c_str(), by.w.nF, by.w.nP, &c->nModes, &by.mesh, &by.K, &by.M, nullptr, &c->lambda, &c->Phi);
  c->err = testing::internal::GetCapturedStderr();
  c->out = testing::internal::GetCapturedStdout();
}

}  // namespace

// Counters 5, 2 and 9 give modes 2, 5 and 9 in that order, exactly as written; COUNT = 0
// gives none; neither says more than that the files exist.
TEST(ModeFiles, SelectedModesAreTakenInCounterOrder) {
  Files f;
  const std::string exist = "\nFiles " + f.report + " and " + f.binary + " exist.\nVerifying their content:\n";
  {
    resultfile::EditSelectedModes(f.report, {5, 2, 9});
    Check c;
    RunCheck(f, f.mm, &c);
    EXPECT_EQ(c.out, exist);
    EXPECT_EQ(c.err, "");
    ASSERT_EQ(c.nModes, 3);
    const int want[] = {0, 2, 5, 9};
    for (int k = 1; k <= 3; k++) {
      EXPECT_EQ(c.lambda[k], f.v.lambda[want[k]]) << k;
      for (int i = 1; i <= f.v.nF; i++) ASSERT_EQ(c.Phi[i][k], f.v.Phi[i][want[k]]) << k << " " << i;
    }
  }
  resultfile::EditSelectedModes(f.report, {});
  Check c;
  RunCheck(f, f.mm, &c);
  EXPECT_EQ(c.out, exist);
  EXPECT_EQ(c.err, "");
  EXPECT_EQ(c.nModes, 0);
  EXPECT_EQ(c.Phi, nullptr);
}

// Files that cannot serve. A modal analysis goes on without modes, with a console note for
// missing files and a warning otherwise; a superposition stops with the same message.
TEST(ModeFiles, UnusableFilesAreRefused) {
  tw::Model stiffer = HexaBar(6, 1.0 / 6.0, 1, 1);
  stiffer.blocks["<LINEAR_ISOTROPIC_MATERIALS>"][0] = tw::LinIsoMaterial("m", 1.0, 0.0, 2.0, 0.0);
  ModalModel other(stiffer, "stiffer");
  struct Case {
    const char* name;
    const char* message;  // %1 report, %2 binary
    bool missing;
  };
  const Case cases[] = {
      {"neither", "Files %1 and %2 not found.\n", true},
      {"no binary", "File %2 not found.\n", true},
      {"no report", "File %1 not found.\n", true},
      {"geometry", "Files %1 and %2 do not correspond to the geometry\nof the structure.\n", false},
      {"counter beyond the file", "Files %1 and %2 not related.\n", false},
      {"counter twice", "Files %1 and %2 not related.\n", false},
      {"another model", "Files %1 and %2 not in repect with the problem.\n", false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Files f;
    const std::string name = k.name;
    if (name == "neither" || name == "no report") std::remove(f.report.c_str());
    if (name == "neither" || name == "no binary") std::remove(f.binary.c_str());
    if (name == "geometry") f.Write(f.mm.w.nP + 1);
    if (name == "counter beyond the file") resultfile::EditSelectedModes(f.report, {1, 11});
    if (name == "counter twice") resultfile::EditSelectedModes(f.report, {3, 1, 3});
    ModalModel& by = name == "another model" ? other : f.mm;
    std::string msg = k.message;
    for (auto [key, file] : {std::pair{"%1", f.report}, std::pair{"%2", f.binary}})
      if (msg.find(key) != std::string::npos) msg.replace(msg.find(key), 2, file);
    const std::string creating = "Creating new files " + f.report + " and " + f.binary + ".";
    const std::string exist = "\nFiles " + f.report + " and " + f.binary + " exist.\nVerifying their content:\n";

    by.mesh.Main.AnalysisType = ANALYSIS_MODAL_ANALYSIS;
    Check c;
    RunCheck(f, by, &c);
    EXPECT_EQ(c.nModes, 0);
    EXPECT_EQ(c.Phi, nullptr);
    if (k.missing) {
      EXPECT_EQ(c.out, "\n" + msg + creating + "\n");
      EXPECT_EQ(c.err, "");
    } else {
      EXPECT_EQ(c.out, exist);
      EXPECT_EQ(c.err, "\nWARNING:\n" + msg + creating + "\n");
    }

    by.mesh.Main.AnalysisType = ANALYSIS_MODAL_SUPERPOSITION;
    EXPECT_EXIT(
        {
          gSkipLeakCheck = true;
          Check d;
          CheckFilesJobName_vm(f.mm.job.c_str(), by.w.nF, by.w.nP, &d.nModes, &by.mesh, &by.K, &by.M, nullptr, &d.lambda,
                               &d.Phi);
        },
        testing::ExitedWithCode(1), Whole("\nERROR:\n" + msg + "Run modal analysis first.\n\n"));
    by.mesh.Main.AnalysisType = ANALYSIS_MODAL_ANALYSIS;
  }
}

// A binary file of another kind is damaged for both analyses.
TEST(ModeFiles, ForeignBinaryFileStopsTheRun) {
  Files f;
  FILE* fp = std::fopen(f.binary.c_str(), "r+b");
  ASSERT_NE(fp, nullptr);
  std::fseek(fp, 5, SEEK_SET);
  std::fputc('W', fp);  // "<WIBRATION_MODES>"
  std::fclose(fp);
  EXPECT_EXIT(
      {
        gSkipLeakCheck = true;
        Check c;
        CheckFilesJobName_vm(f.mm.job.c_str(), f.mm.w.nF, f.mm.w.nP, &c.nModes, &f.mm.mesh, &f.mm.K, &f.mm.M,
                             nullptr, &c.lambda, &c.Phi);
      },
      testing::ExitedWithCode(1), "\nERROR:\n" + InvalidFileRegex(f.mm.job + "_vm.bin") + "\n\n$");
}
