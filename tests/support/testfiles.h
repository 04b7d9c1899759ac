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
