// Job files, checked reads and writes, binary strings and tags.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/fileio.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/testfiles.h"

using testmodel::Rec;
using testmodel::WriteBytes;

namespace {

// Opens <job>_gl.bin holding the given bytes for reading.
FILE* OpenBytes(const std::string& job, const Rec& r) {
  WriteBytes(job + "_gl.bin", r.bytes);
  FILE* fp;
  OpenFile(&fp, job.c_str(), "_gl.bin", "rb", 'N');
  return fp;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> b;
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (fp == nullptr) return b;
  int c;
  while ((c = std::fgetc(fp)) != EOF) b.push_back(static_cast<uint8_t>(c));
  std::fclose(fp);
  return b;
}

}  // namespace

TEST(FileIo, WritesLittleEndianFieldsAndStrings) {
  std::string job = TestJobName();
  FILE* fp;
  OpenFile(&fp, job.c_str(), "_xx.bin", "wb", 'N');
  WriteInt32(fp, 0x01020304);
  WriteInt32(fp, -2);
  WriteDouble(fp, 1.0);
  WriteByte(fp, 'G');
  WriteString("", kBinStringMax, fp);
  WriteTag("<AB>", fp);
  CloseFile(fp);
  std::vector<uint8_t> expect = {4, 3, 2, 1, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 'G',
                                 0, 0, 0, 0, 0, 4, 0, 0, 0, '<', 'A', 'B', '>', 0};
  EXPECT_EQ(FileBytes(job + "_xx.bin"), expect);
}

TEST(FileIo, ReadsWhatTheTestWriterEncodes) {
  std::string job = TestJobName();
  Rec r;
  r.I(-7).D(-2.5e-300).C(0xFF).S("steel").S("").Is({1, 2, 3}).Ds({0.5, 1e300});
  FILE* fp = OpenBytes(job, r);
  EXPECT_EQ(ReadInt32(fp), -7);
  EXPECT_EQ(ReadDouble(fp), -2.5e-300);
  EXPECT_EQ(static_cast<signed char>(ReadByte(fp)), -1);
  char buf[kBinStringMax];
  EXPECT_EQ(ReadString(buf, kBinStringMax, fp), 5);
  EXPECT_STREQ(buf, "steel");
  EXPECT_EQ(ReadString(buf, kBinStringMax, fp), 0);
  EXPECT_STREQ(buf, "");
  int32_t iv[4];
  ReadInt32s(fp, iv, 3);
  EXPECT_EQ(iv[1], 1);
  EXPECT_EQ(iv[3], 3);
  double dv[3];
  ReadDoubles(fp, dv, 2);
  EXPECT_EQ(dv[1], 0.5);
  EXPECT_EQ(dv[2], 1e300);
  EXPECT_EQ(BytesLeft(fp), 0);
  CloseFile(fp);
}

TEST(FileIo, StringLengthLimits) {
  std::string job = TestJobName();
  FILE* fp = OpenBytes(job, Rec().S(std::string(511, 'x')));
  char buf[kBinStringMax];
  EXPECT_EQ(ReadString(buf, kBinStringMax, fp), 511);
  EXPECT_EQ(std::strlen(buf), 511u);
  CloseFile(fp);
  EXPECT_EXIT(
      {
        FILE* f = OpenBytes(job, Rec().S(std::string(512, 'x')));
        ReadString(buf, kBinStringMax, f);
      },
      testing::ExitedWithCode(1), "^\nERROR:\n" + InvalidFileRegex(job + "_gl.bin") + "\n\n$");
  // A negative length is refused like an over-long one.
  EXPECT_EXIT(
      {
        FILE* f = OpenBytes(job, Rec().I(-1).C(0));
        ReadString(buf, kBinStringMax, f);
      },
      testing::ExitedWithCode(1), "^\nERROR:\n" + InvalidFileRegex(job + "_gl.bin") + "\n\n$");
  // A stored string without its NUL in place is terminated anyway.
  fp = OpenBytes(job, Rec().I(2).C('a').C('b').C('c'));
  EXPECT_EQ(ReadString(buf, kBinStringMax, fp), 2);
  EXPECT_STREQ(buf, "ab");
  CloseFile(fp);
}

TEST(FileIoDeath, ShortReadsNameTheFile) {
  std::string job = TestJobName();
  const std::string msg = "^\nERROR:\n" + InvalidFileRegex(job + "_gl.bin") + "\n\n$";
  EXPECT_EXIT({ ReadInt32(OpenBytes(job, Rec().C(1).C(2).C(3))); }, testing::ExitedWithCode(1), msg);
  EXPECT_EXIT({ ReadDouble(OpenBytes(job, Rec().I(1))); }, testing::ExitedWithCode(1), msg);
  EXPECT_EXIT({ ReadByte(OpenBytes(job, Rec())); }, testing::ExitedWithCode(1), msg);
  EXPECT_EXIT(
      {
        char buf[kBinStringMax];
        ReadString(buf, kBinStringMax, OpenBytes(job, Rec().I(5).C('a')));
      },
      testing::ExitedWithCode(1), msg);
  EXPECT_EXIT(
      {
        double v[4];
        ReadDoubles(OpenBytes(job, Rec().D(1).D(2)), v, 3);
      },
      testing::ExitedWithCode(1), msg);
  // Another job file names its own suffix.
  EXPECT_EXIT(
      {
        WriteBytes(job + "_dr.bin", {1, 2});
        FILE* f;
        OpenFile(&f, job.c_str(), "_dr.bin", "rb", 'N');
        ReadInt32(f);
      },
      testing::ExitedWithCode(1), "^\nERROR:\n" + InvalidFileRegex(job + "_dr.bin") + "\n\n$");
}

TEST(FileIoDeath, CountsMustFitTheFile) {
  std::string job = TestJobName();
  const std::string msg = "^\nERROR:\n" + InvalidFileRegex(job + "_gl.bin") + "\n\n$";
  FILE* fp = OpenBytes(job, Rec().I(2).D(1).D(2));
  EXPECT_EQ(ReadCount(fp, 8), 2);
  CloseFile(fp);
  EXPECT_EXIT({ ReadCount(OpenBytes(job, Rec().I(-1)), 8); }, testing::ExitedWithCode(1), msg);
  EXPECT_EXIT({ ReadCount(OpenBytes(job, Rec().I(3).D(1).D(2)), 8); }, testing::ExitedWithCode(1), msg);
  EXPECT_EXIT({ ReadCount(OpenBytes(job, Rec().I(0x7FFFFFFF)), 1); }, testing::ExitedWithCode(1), msg);
}

// A file cut short, or out of layout, names the byte where the failing read began and the
// tag the reader was in.
TEST(FileIoDeath, ACutFileNamesTheByteAndTheBlock) {
  std::string job = TestJobName();
  auto expect = [&job](long byte, const char* tag) {
    return "^\nERROR:\n" + RegexQuote(InvalidFileMessageAt(job + "_gl.bin", byte, tag)) + "\n\n$";
  };
  // "<MESH>" takes bytes 0..10, the header word 11..14, "<SUPPORTS>" 15..29.
  EXPECT_EXIT(
      {
        FILE* f = OpenBytes(job, Rec().S("<MESH>").I(0).S("<SUPPORTS>").I(1).I(5));
        ReadTag("<MESH>", f, "_gl.bin");
        ReadBlockHeader(f, "<SUPPORTS>", "_gl.bin");
        ReadInt32(f);
        ReadInt32(f);
        ReadDouble(f);
      },
      testing::ExitedWithCode(1), expect(38, "<SUPPORTS>"));
  // A count beyond the bytes left: the byte of the count.
  EXPECT_EXIT(
      {
        FILE* f = OpenBytes(job, Rec().S("<MESH>").I(0).S("<POINT_COORDINATES>").I(2).D(1.0));
        ReadTag("<MESH>", f, "_gl.bin");
        ReadBlockHeader(f, "<POINT_COORDINATES>", "_gl.bin");
        ReadCount(f, 24);
      },
      testing::ExitedWithCode(1), expect(39, "<POINT_COORDINATES>"));
  // A wrong tag: the byte where it starts.
  EXPECT_EXIT(
      {
        FILE* f = OpenBytes(job, Rec().S("<MESH>").I(0).S("<SUPPORT>"));
        ReadTag("<MESH>", f, "_gl.bin");
        ReadBlockHeader(f, "<SUPPORTS>", "_gl.bin");
      },
      testing::ExitedWithCode(1), expect(15, "<SUPPORTS>"));
}

TEST(FileIoDeath, TagsCompareExactly) {
  std::string job = TestJobName();
  FILE* fp = OpenBytes(job, Rec().S("<MESH>").I(99).S("<SUPPORTS>"));
  ReadTag("<MESH>", fp, "_gl.bin");
  ReadBlockHeader(fp, "<SUPPORTS>", "_gl.bin");
  CloseFile(fp);
  const std::string msg = "^\nERROR:\n" + InvalidFileRegex(job + "_gl.bin") + "\n\n$";
  for (const char* stored : {"<MESH> ", "<mesh>", "<MESH", "<MESH>>", ""}) {
    EXPECT_EXIT({ ReadTag("<MESH>", OpenBytes(job, Rec().S(stored)), "_gl.bin"); }, testing::ExitedWithCode(1), msg)
        << stored;
  }
  // The stream names its own file, whatever suffix the caller gives.
  EXPECT_EXIT({ ReadTag("<MESH>", OpenBytes(job, Rec().S("<X>")), "_ep.bin"); }, testing::ExitedWithCode(1),
              "^\nERROR:\n" + InvalidFileRegex(job + "_gl.bin") + "\n\n$");
}

TEST(FileIoDeath, OpenFileMessages) {
  std::string job = TestJobName();
  std::string missing = job + "_none";
  EXPECT_EXIT(
      {
        FILE* f;
        OpenFile(&f, missing.c_str(), "_gl.bin", "rb", 'N');
      },
      testing::ExitedWithCode(1),
      "^\nERROR:\nThe following input file could not be opened:\n" + missing + "_gl\\.bin\n\n$");
  EXPECT_EXIT(
      {
        FILE* f;
        OpenFile(&f, missing.c_str(), "_ep.bin", "r+b", 'Y');
      },
      testing::ExitedWithCode(1),
      "^\nERROR:\nThe following input file could not be opened:\n" + missing + "_ep\\.bin\n\n$");
  std::string nodir = testing::TempDir() + "no_such_dir/job";
  EXPECT_EXIT(
      {
        FILE* f;
        OpenFile(&f, nodir.c_str(), "_dr.bin", "wb", 'N');
      },
      testing::ExitedWithCode(1),
      "^\nERROR:\nUnable to write to the following output file:\n" + nodir + "_dr\\.bin\n\n$");
  EXPECT_EXIT(
      {
        FILE* f;
        OpenFile(&f, job.c_str(), "_gl.bin", "rt", 'N');
      },
      testing::ExitedWithCode(1), "^\nINTERNAL ERROR\n   File: .*fileio\\.cpp\n");
  std::string longJob(505, 'j');
  EXPECT_EXIT(
      {
        FILE* f;
        OpenFile(&f, longJob.c_str(), "_gl.bin", "rb", 'N');
      },
      testing::ExitedWithCode(1), "^\nERROR:\nThe job name is too long:\nfile names cannot exceed 511 characters\\.\n\n$");
}

TEST(FileIo, OpenFileEchoLines) {
  std::string job = TestJobName();
  FILE* fp;
  testing::internal::CaptureStdout();
  OpenFile(&fp, job.c_str(), "_a.bin", "wb", 'Y');
  CloseFile(fp);
  OpenFile(&fp, job.c_str(), "_a.bin", "r+b", 'Y');
  CloseFile(fp);
  OpenFile(&fp, job.c_str(), "_a.bin", "rb", 'Y');
  CloseFile(fp);
  OpenFile(&fp, job.c_str(), "_a.bin", "ab", 'N');
  CloseFile(fp);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nWriting file: " + job + "_a.bin\n\nReading/writing file: " + job +
                                                        "_a.bin\n\nReading file: " + job + "_a.bin\n");
}

TEST(FileIoDeath, FullDiskStopsTheRun) {
  // /dev/full accepts the open and fails every write that reaches it.
  EXPECT_EXIT(
      {
        FILE* f;
        OpenFile(&f, "/dev/full", "", "wb", 'N');
        WriteString("results", kBinStringMax, f);
        WriteDouble(f, 1.0);
        CloseFile(f);
        std::fprintf(stderr, "### Success ###\n");
        std::exit(0);
      },
      testing::ExitedWithCode(1), "^\nERROR:\nUnable to write to the following output file:\n/dev/full\n\n$");
  EXPECT_EXIT(
      {
        FILE* f;
        OpenFile(&f, "/dev/full", "", "wb", 'N');
        std::vector<double> big(1 << 16, 1.0);
        WriteDoubles(f, big.data(), static_cast<int>(big.size()) - 1);
        std::exit(0);
      },
      testing::ExitedWithCode(1), "^\nERROR:\nUnable to write to the following output file:\n/dev/full\n\n$");
  EXPECT_EXIT(
      {
        FILE* f;
        OpenFile(&f, "/dev/full", "", "wb", 'N');
        WriteString(std::string(512, 'x').c_str(), kBinStringMax, f);
      },
      testing::ExitedWithCode(1), "^\nINTERNAL ERROR\n");
}

TEST(FileIo, SearchKeyword) {
  const char* table[] = {"", "_Y", "_N", "_NONE"};
  EXPECT_EQ(SearchKeyword("_N", table, 1, 3, 0), 2);
  EXPECT_EQ(SearchKeyword("NONE", table, 3, 3, 1), 3);
  testing::internal::CaptureStderr();
  EXPECT_EQ(SearchKeyword("_y", table, 1, 2, 0), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nList of valid keywords:\n   _Y\n   _N\n\nSpecified keyword: _y\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(SearchKeyword("_Y", table, 2, 1, 0), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "\nList of valid keywords:\n\nSpecified keyword: _Y\n");
}

TEST(FileIo, SearchElementTypeTakesTheFirstCoveringRecord) {
  ElementProperty p[4] = {};
  p[1] = {0, 1, 1, 1, 5, 10, 1, 1, 0, 0, 1, 0};
  p[2] = {0, 1, 1, 3, 8, 24, 1, 1, 0, 0, 1, 0};
  p[3] = {0, 0, 1, 9, 9, 7, 1, 1, 0, 0, 1, 0};  // first phase 0: never matches
  EXPECT_EQ(SearchElementType(3, 3, p), 10);
  EXPECT_EQ(SearchElementType(7, 3, p), 24);
  EXPECT_EQ(SearchElementType(9, 3, p), 0);
  EXPECT_EQ(SearchElementType(11, 3, p), 0);
  EXPECT_EXIT(SearchElementType(0, 3, p), testing::ExitedWithCode(1), "INTERNAL ERROR");
}
