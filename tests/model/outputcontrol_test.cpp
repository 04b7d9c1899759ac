// Output control from <job>_ctrl.dat.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "model/outputcontrol.h"
#include "support/testfiles.h"

namespace {

// Writes <job>_ctrl.dat and returns the job name.
std::string ControlFile(const std::string& text) {
  std::string job = TestJobName();
  WriteTextFile(job + "_ctrl.dat", text);
  return job;
}

int CountFlags(const char* flags, char value) {
  int n = 0;
  for (int k = 1; k <= kOutputControlOptions; k++) n += flags[k] == value;
  return n;
}

}  // namespace

TEST(OutputControl, KeywordTable) {
  std::set<std::string> distinct;
  for (int k = 1; k <= kOutputControlOptions; k++) distinct.insert(kOutputControlKeywords[k]);
  EXPECT_EQ(distinct.size(), 68u);
  EXPECT_STREQ(kOutputControlKeywords[OC_EXPORT_ITERATIVE_JPCG_HIST], "EXPORT_ITERATIVE_JPCG_HIST");
  EXPECT_STREQ(kOutputControlKeywords[OC_PRINT_MAT_K], "PRINT_MAT_K");
  EXPECT_EQ(OC_PRINT_MAT_K, 10);
  EXPECT_STREQ(kOutputControlKeywords[35], "PRINT_MAT_KG_SURF_SPRING_MINDLIN_SHELL_QUAD");
  EXPECT_STREQ(kOutputControlKeywords[OC_PRINT_PROGRAM_FLOW_INFO], "PRINT_PROGRAM_FLOW_INFO");
  EXPECT_EQ(OC_PRINT_PROGRAM_FLOW_INFO, 66);
  EXPECT_STREQ(kOutputControlKeywords[OC_PRINT_VECT_FQ], "PRINT_VECT_FQ");
}

TEST(OutputControl, MissingFileWarnsAndLeavesEverythingOff) {
  std::string job = TestJobName() + "_absent";
  char flags[kOutputControlSize];
  std::memset(flags, 'Y', sizeof flags);
  testing::internal::CaptureStderr();
  ImportOutputControl(job.c_str(), flags);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nWARNING:\nFile " + job + "_ctrl.dat not found.\nUsing default options.\n");
  EXPECT_EQ(CountFlags(flags, 'N'), 68);
}

TEST(OutputControl, EmptySectionTurnsEverythingOff) {
  std::string job = ControlFile("<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  char flags[kOutputControlSize];
  testing::internal::CaptureStdout();
  ImportOutputControl(job.c_str(), flags);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nReading file: " + job + "_ctrl.dat\n");
  EXPECT_EQ(CountFlags(flags, 'N'), 68);
}

TEST(OutputControl, OptionsCommentsAndLineLayout) {
  std::string job = ControlFile(
      "# diagnostic switches\n"
      "<OUTPUT_CONTROL>   # opening\n"
      "  PRINT_MAT_K = _Y ;\r\n"
      "\tPRINT_PROGRAM_FLOW_INFO\n=\n_Y\n;\n"
      "PRINT_VECT_F = _N ;   EXPORT_ITERATIVE_JPCG_HIST = _Y ;\n"
      "</OUTPUT_CONTROL>\n");
  char flags[kOutputControlSize];
  testing::internal::CaptureStdout();
  ImportOutputControl(job.c_str(), flags);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(flags[OC_PRINT_MAT_K], 'Y');
  EXPECT_EQ(flags[OC_PRINT_PROGRAM_FLOW_INFO], 'Y');
  EXPECT_EQ(flags[OC_EXPORT_ITERATIVE_JPCG_HIST], 'Y');
  EXPECT_EQ(flags[OC_PRINT_VECT_F], 'N');
  EXPECT_EQ(CountFlags(flags, 'Y'), 3);
  EXPECT_EQ(CountFlags(flags, 'N'), 65);
}

struct BadControlFile {
  const char* text;
  const char* stderrRegex;
};

TEST(OutputControlDeath, FaultyFiles) {
  const BadControlFile cases[] = {
      // repeated option, whatever its values
      {"<OUTPUT_CONTROL>\nPRINT_MAT_K = _N ;\nPRINT_MAT_K = _Y ;\n</OUTPUT_CONTROL>\n",
       "\nERROR:\nRepeated option\\.\nLine n\\.        3\n\n$"},
      // unknown option: the keyword listing, then the message
      {"<OUTPUT_CONTROL>\nPRINT_MAT_Q = _Y ;\n</OUTPUT_CONTROL>\n",
       "^\nList of valid keywords:\n   EXPORT_ITERATIVE_JPCG_HIST\n(   [A-Z0-9_]+\n){67}\nSpecified keyword: "
       "PRINT_MAT_Q\n\nERROR:\nExpecting a valid keyword\\.\nLine n\\.        2\n\n$"},
      // values are case-sensitive
      {"<OUTPUT_CONTROL>\nPRINT_MAT_K = _y ;\n</OUTPUT_CONTROL>\n",
       "^\nList of valid keywords:\n   _Y\n   _N\n\nSpecified keyword: _y\n\nERROR:\nThe specified keyword is "
       "invalid\\.\nLine n\\.        2\n\n$"},
      // option words without blanks form one word
      {"<OUTPUT_CONTROL>\nPRINT_MAT_K=_Y;\n</OUTPUT_CONTROL>\n", "Specified keyword: PRINT_MAT_K=_Y;\n"},
      {"<OUTPUT_CONTROL>\nPRINT_MAT_K : _Y ;\n</OUTPUT_CONTROL>\n",
       "^\nERROR:\nExpecting the following character: =\nLine n\\. 2\n\nInput data: :\n\n$"},
      {"<OUTPUT_CONTROL>\nPRINT_MAT_K = _Y ;;\n</OUTPUT_CONTROL>\n",
       "^\nERROR:\nSingle character expected\nLine n\\. 2\n\nInput data \\.\\.\\.\\.\\.\\.\\.\\. ;;\n\n$"},
      {"<OUTPUT_CONTROLS>\n</OUTPUT_CONTROL>\n",
       "^\nERROR:\nExpecting the following word: <OUTPUT_CONTROL>\nLine n\\. 1\n\nInput data: "
       "<OUTPUT_CONTROLS>\n\n$"},
      // the file ends before the closing word, or right after it without a delimiter
      {"<OUTPUT_CONTROL>\nPRINT_MAT_K = _Y ;\n", "^\nERROR:\nUnexpected end of file\n\n$"},
      {"<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>", "^\nERROR:\nUnexpected end of file\n\n$"},
      {"<OUTPUT_CONTROL>\n# comment without end", "^\nERROR:\nUnexpected end of file\n\n$"},
      {"<OUTPUT_CONTROL>\nPRINT_MAT_K# = _Y ;\n</OUTPUT_CONTROL>\n",
       "^\nERROR:\n'#' must be preceeded by a delimiter\nLine n\\. 2\n\n$"},
      {"<OUTPUT_CONTROL>\nPRINT_MAT_K = _\xc8 ;\n</OUTPUT_CONTROL>\n",
       "^\nERROR:\n\"Bad\" character found\nLine n\\. 2\n\nInput data \\.\\.\\.\\.\\.\\.\\.\\. _\\?\n\"Bad\" character "
       "\\.\\.\\.  \\^\n\nASCII code of the \"bad\" character = 200\n\n$"},
  };
  for (const BadControlFile& c : cases) {
    std::string job = ControlFile(c.text);
    char flags[kOutputControlSize];
    EXPECT_EXIT(
        {
          std::fclose(stdout);
          ImportOutputControl(job.c_str(), flags);
        },
        testing::ExitedWithCode(1), c.stderrRegex)
        << c.text;
  }
}

TEST(OutputControlDeath, JobNameTooLongForTheFileName) {
  std::string job(503, 'j');  // 503 + "_ctrl.dat" = 512 characters
  char flags[kOutputControlSize];
  EXPECT_EXIT(ImportOutputControl(job.c_str(), flags), testing::ExitedWithCode(1),
              "^\nERROR:\nThe job name is too long:\nfile names cannot exceed 511 characters\\.\n\n$");
  job.pop_back();  // 511 characters: looked for, not found
  testing::internal::CaptureStderr();
  ImportOutputControl(job.c_str(), flags);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("not found.\nUsing default options."), std::string::npos);
}
