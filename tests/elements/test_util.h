// Small helpers of the element-kernel tests: owned 1-based arrays and literal regexes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "numcore/numcore.h"

struct Mat {
  double** a;
  int n, m;
  Mat(int rows, int cols) : n(rows), m(cols) {
    allocd2(&a, rows, cols);
    zerod2(a, rows, cols);
  }
  ~Mat() { freed2(a); }
  Mat(const Mat&) = delete;
  Mat& operator=(const Mat&) = delete;
  operator double**() const { return a; }
  double* operator[](int i) const { return a[i]; }
};

struct Vec {
  double* v;
  Vec(int n) {
    allocd1(&v, n);
    zerod1(v, n);
  }
  ~Vec() { freed1(v); }
  Vec(const Vec&) = delete;
  Vec& operator=(const Vec&) = delete;
  operator double*() const { return v; }
};

// A regular expression that matches the text literally.
inline std::string Lit(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) r += '\\';
    r += c;
  }
  return r;
}

inline const char* kInternal = "INTERNAL ERROR";
