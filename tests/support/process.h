// Test helpers for code that ends the process or talks on the console.
#pragma once

#include <gtest/gtest.h>

#include <string>

// Death-test matcher: the child's whole standard error equals text.
inline testing::Matcher<const std::string&> StderrIs(const std::string& text) {
  return testing::Matcher<const std::string&>(text);
}

// Outcome of a child process: exit status (-1 when it did not exit normally) and what it
// wrote to standard output and standard error.
struct ChildResult {
  int status;
  std::string out;
  std::string err;
};

// Runs fn in a forked child whose standard input holds exactly `input` (then end of
// input) and whose standard output and error are captured. The child exits with 0 when
// fn returns.
ChildResult RunChild(const std::string& input, void (*fn)());
