// Scratch job names for tests: one per test, in the test temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

// <tmp>/volde_<suite>_<test>: a job name of its own for the running test.
inline std::string TestJobName(const std::string& tag = "") {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("volde_") + info->test_suite_name() + "_" + info->name() + tag;
  for (char& c : name)
    if (c == '/') c = '_';
  return testing::TempDir() + name;
}

// Writes a text file.
inline void WriteTextFile(const std::string& path, const std::string& text) {
  FILE* fp = std::fopen(path.c_str(), "w");
  ASSERT_NE(fp, nullptr) << path;
  std::fputs(text.c_str(), fp);
  std::fclose(fp);
}

// text with the characters of an extended regular expression escaped.
inline std::string RegexQuote(const std::string& text) {
  std::string r;
  for (char c : text) {
    if (std::string(".[]{}()\\*+?^$|").find(c) != std::string::npos) r += '\\';
    r += c;
  }
  return r;
}

// The damaged-file message of a file, as text and as a death-test pattern; the pattern
// takes the line that says where the reader stood, when the reader knew it.
inline std::string InvalidFileMessage(const std::string& file) { return "Invalid binary file (" + file + ")"; }
inline std::string InvalidFileRegex(const std::string& file) {
  return RegexQuote(InvalidFileMessage(file)) +
         "(\nThe file ends early or does not follow the layout at byte [0-9]+, reading <[^>]+>\\.)?";
}
// The message with that line.
inline std::string InvalidFileMessageAt(const std::string& file, long byte, const std::string& tag) {
  return InvalidFileMessage(file) + "\nThe file ends early or does not follow the layout at byte " +
         std::to_string(byte) + ", reading " + tag + ".";
}
