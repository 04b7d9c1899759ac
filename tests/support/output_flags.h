// Output control of a test: every flag 'N' but the options switched on (entry 0 unused).
#pragma once

#include <initializer_list>
#include <string>

#include "model/outputcontrol.h"

struct Flags {
  char f[kOutputControlSize + 1];
  Flags(std::initializer_list<int> on = {}) {
    for (char& c : f) c = 'N';
    f[kOutputControlSize] = '\0';
    for (int k : on) f[k] = 'Y';
  }
  char& operator[](int k) { return f[k]; }
  operator const char*() const { return f; }
  operator std::string() const { return std::string(f, kOutputControlSize); }
};
