// Damaged models run through the program: one field of a valid model at a time (indices,
// codes, counts, values: zero, negative, huge, NaN, infinite) is spoilt, the program is
// run on it, and the run is judged: "### Success ###" with finite results or a worded
// error, never a signal, a sanitizer report, a hang or the internal error.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/datafile_writer.h"
#include "support/process.h"

namespace damage {

// One change of the model, described for the failure message.
struct Damage {
  std::string what;
  std::function<void(testmodel::Model&)> apply;
};

void PutInt(testmodel::Rec& r, size_t at, int32_t v);
void PutDouble(testmodel::Rec& r, size_t at, double v);

// One change of every field of every record of the mesh blocks and of the first load
// case, of the gravity, of the node lists of the first two elements; `serial` rotates the
// values so that every kind of value meets every kind of field over the models.
std::vector<Damage> FieldDamages(const testmodel::Model& base);

// The fields of the combinations: phase, duration, factors, load-case numbers.
std::vector<Damage> CombinationDamages(const testmodel::Model& base);

// What a run must leave: the result file with finite values ("_dr.bin", "_tq.bin" for the
// thermal runs, "" for none).
struct Expect {
  std::string resultSuffix = "_dr.bin";
  bool thermal = false;
  // Run in the scratch directory before the sound model (files the runs read).
  std::function<void(const std::string& dir)> prepare;
};

// "" when the run ended as a damaged model must end, else what went wrong.
std::string Judge(const ChildResult& r, const std::string& dir, const Expect& e);

// Runs the sound model (which must succeed) and every damage of it, each in turn with the
// two solvers; returns the number of runs refused.
int RunDamages(const std::string& name, const testmodel::Model& base, const std::vector<Damage>& damages,
               const Expect& e);

}  // namespace damage
