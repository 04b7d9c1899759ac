// Sampling-point driver for material laws: a strain path goes in, the stress and the
// tangent of every step come out, through the material point as the elements call it.
// The law issues add their paths (loading, unloading, reversals) as tables of steps.
#pragma once

#include <initializer_list>
#include <vector>

#include "model/material.h"

namespace matdriver {

// A material record of double values 1..n in file order (the name "MAT").
MaterialRecord Record(std::initializer_list<double> values);

// One step of a path: the total mechanical strain and the iteration number at which the
// point is evaluated.
struct Step {
  double strain;
  int iteration;
};

struct Response {
  double stress;
  double tangent;
};

// Drives one uniaxial point of kind `code` along the path, step after step, from the
// start values of its record (the steel laws' elastic branch and rule 1).
std::vector<Response> DriveUniaxial(int code, const MaterialRecord& m, const std::vector<Step>& path);

// Central finite-difference slope of the stress at step k: the path is replayed up to
// step k - 1 on a fresh point for each of strain +- h at step k.
double FiniteDifferenceSlope(int code, const MaterialRecord& m, const std::vector<Step>& path, size_t k, double h);

}  // namespace matdriver
