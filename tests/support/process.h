// Test helpers for code that ends the process or talks on the console.
#pragma once

#include <gtest/gtest.h>

#include <functional>
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
// The same with any child body: the child runs body with its standard streams redirected
// and exits with 0 when body returns.
ChildResult RunCapturedChild(const std::string& input, const std::function<void()>& body);
