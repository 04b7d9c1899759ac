#include "damage_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <fstream>

#include "support/result_readers.h"
#include "support/run_program.h"
#include "support/testfiles.h"

namespace tw = testmodel;

namespace damage {

void PutInt(tw::Rec& r, size_t at, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int k = 0; k < 4; k++) r.bytes[at + k] = static_cast<uint8_t>(u >> (8 * k));
}

void PutDouble(tw::Rec& r, size_t at, double v) {
  const uint64_t u = std::bit_cast<uint64_t>(v);
  for (int k = 0; k < 8; k++) r.bytes[at + k] = static_cast<uint8_t>(u >> (8 * k));
}

namespace {

double GetDouble(const tw::Rec& r, size_t at) {
  uint64_t u = 0;
  for (int k = 7; k >= 0; k--) u = (u << 8) | r.bytes[at + k];
  return std::bit_cast<double>(u);
}

int32_t GetInt(const tw::Rec& r, size_t at) {
  uint32_t u = 0;
  for (int k = 3; k >= 0; k--) u = (u << 8) | r.bytes[at + k];
  return static_cast<int32_t>(u);
}

// A list of doubles one value shorter or longer (its count kept in step).
void ResizeList(tw::Rec& r, size_t at, int change) {
  const int32_t n = GetInt(r, at);
  const size_t end = at + 4 + 8 * static_cast<size_t>(n);
  if (change < 0 && n > 0)
    r.bytes.erase(r.bytes.begin() + static_cast<long>(end - 8), r.bytes.begin() + static_cast<long>(end));
  else if (change > 0)
    r.bytes.insert(r.bytes.begin() + static_cast<long>(end), 8, 0);
  else
    return;
  PutInt(r, at, n + change);
  // Later field offsets move with the list; a spoilt record is not changed again.
}

// The field changes of one record, each a separate damage.
void RecordDamages(const std::string& where, std::function<tw::Rec&(tw::Model&)> rec, const tw::Rec& proto,
                   int* serial, std::vector<Damage>* out) {
  for (const tw::RecField& f : proto.fields) {
    const int s = (*serial)++;
    const size_t at = f.offset;
    const std::string name = where + " byte " + std::to_string(at);
    switch (f.kind) {
      case 'i': {
        const int32_t v = GetInt(proto, at);
        const int32_t values[] = {0, -1, INT32_MAX, v + 1};
        const int32_t x = values[s % 4];
        out->push_back({name + " int " + std::to_string(x), [rec, at, x](tw::Model& m) { PutInt(rec(m), at, x); }});
        break;
      }
      case 'd': {
        const double v = GetDouble(proto, at);
        const double values[] = {0.0, v == 0.0 ? -1.0 : -v, 1e308, NAN, INFINITY};
        const double x = values[s % 5];
        out->push_back({name + " double " + std::to_string(x), [rec, at, x](tw::Model& m) { PutDouble(rec(m), at, x); }});
        break;
      }
      case 'c': {
        const int values[] = {0, 2, '1', -1};
        const int x = values[s % 4];
        out->push_back({name + " byte " + std::to_string(x),
                        [rec, at, x](tw::Model& m) { rec(m).bytes[at] = static_cast<uint8_t>(x); }});
        break;
      }
      case 'L': {
        const int change = s % 2 == 0 ? -1 : 1;
        out->push_back({name + " list length " + std::to_string(change),
                        [rec, at, change](tw::Model& m) { ResizeList(rec(m), at, change); }});
        break;
      }
      default: break;
    }
  }
}

// True when the record file is unreadable or holds a NaN or infinite value. A damaged
// model may number other dofs: the record's values are read as one free vector of the
// length that fits the file.
bool HoldsNonFinite(const std::string& path, bool thermal) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const long size = static_cast<long>(in.tellg());
  for (int n = 0; 8L * n < size; n++) {
    const resultfile::DisplReactFile dr = resultfile::ReadDisplReact(path, n, 0, false, thermal);
    if (!dr.error.empty() || !dr.closed) continue;
    for (const auto& r : dr.records)
      for (double v : r.free)
        if (!std::isfinite(v)) return true;
    return false;
  }
  return true;
}

}  // namespace

std::vector<Damage> FieldDamages(const tw::Model& base) {
  std::vector<Damage> out;
  int serial = 0;
  for (const auto& [tag, recs] : base.blocks) {
    // Two points are enough to spoil coordinates; every record of the other blocks.
    const size_t n = tag == "<POINT_COORDINATES>" ? std::min<size_t>(recs.size(), 2) : recs.size();
    for (size_t i = 0; i < n; i++) {
      const std::string t = tag;
      RecordDamages(tag + " " + std::to_string(i + 1), [t, i](tw::Model& m) -> tw::Rec& { return m.blocks[t][i]; },
                    recs[i], &serial, &out);
    }
  }
  for (const auto& [tag, recs] : base.loadCases.at(0).blocks)
    for (size_t i = 0; i < recs.size(); i++) {
      const std::string t = tag;
      RecordDamages(tag + " " + std::to_string(i + 1),
                    [t, i](tw::Model& m) -> tw::Rec& { return m.loadCases[0].blocks[t][i]; }, recs[i], &serial, &out);
    }
  for (int k = 0; k < 3; k++) {
    const double values[] = {NAN, 1e308, -INFINITY};
    const double x = values[k];
    out.push_back({"gravity " + std::to_string(k + 1), [k, x](tw::Model& m) { m.loadCases[0].gravity[k] = x; }});
  }
  // Node lists of the first two elements: a bad point, one node fewer, one node more.
  const int nPoints = static_cast<int>(base.blocks.at("<POINT_COORDINATES>").size());
  for (size_t e = 0; e < std::min<size_t>(base.elements.size(), 2); e++) {
    out.push_back({"element " + std::to_string(e + 1) + " node 0", [e](tw::Model& m) { m.elements[e][0] = 0; }});
    out.push_back({"element " + std::to_string(e + 1) + " node past the last point",
                   [e, nPoints](tw::Model& m) { m.elements[e].back() = nPoints + 1; }});
    out.push_back({"element " + std::to_string(e + 1) + " one node fewer", [e](tw::Model& m) { m.elements[e].pop_back(); }});
    out.push_back({"element " + std::to_string(e + 1) + " one node more",
                   [e](tw::Model& m) { m.elements[e].push_back(m.elements[e][0]); }});
  }
  return out;
}

std::vector<Damage> CombinationDamages(const tw::Model& base) {
  std::vector<Damage> out;
  const int n = static_cast<int>(base.combinations.size());
  for (int c = 0; c < std::min(n, 2); c++) {
    const std::string at = "combination " + std::to_string(c + 1);
    for (int32_t phase : {0, 2, -1})
      out.push_back({at + " phase " + std::to_string(phase), [c, phase](tw::Model& m) { m.combinations[c].phase = phase; }});
    for (double dt : {0.0, -1.0, 1e-300, 1e308, double(NAN)})
      out.push_back({at + " duration " + std::to_string(dt), [c, dt](tw::Model& m) { m.combinations[c].duration = dt; }});
    for (double f : {1e6, -1e6, 1e300, double(NAN)})
      out.push_back({at + " factor " + std::to_string(f), [c, f](tw::Model& m) {
                       for (auto& x : m.combinations[c].factors) x.second = f;
                     }});
    for (int32_t lc : {0, -1, 99})
      out.push_back({at + " load case " + std::to_string(lc), [c, lc](tw::Model& m) {
                       for (auto& x : m.combinations[c].factors) x.first = lc;
                     }});
  }
  out.push_back({"no combination", [](tw::Model& m) { m.combinations.clear(); }});
  return out;
}

std::string Judge(const ChildResult& r, const std::string& dir, const Expect& e) {
  const std::string all = r.out + r.err;
  if (all.find("Sanitizer") != std::string::npos || all.find("runtime error") != std::string::npos)
    return "sanitizer report";
  if (all.find("INTERNAL ERROR") != std::string::npos) return "internal error";
  if (r.status == 0) {
    if (r.out.find("### Success ###") == std::string::npos) return "status 0 without success";
    if (!e.resultSuffix.empty() && HoldsNonFinite(dir + "/job1" + e.resultSuffix, e.thermal))
      return "success with a non-finite result";
    return "";
  }
  if (r.status == 1 && r.err.find("\nERROR:\n") != std::string::npos) return "";
  return "status " + std::to_string(r.status);
}

int RunDamages(const std::string& name, const tw::Model& base, const std::vector<Damage>& damages, const Expect& e) {
  const std::string dir = MakeScratchDirectory();
  if (e.prepare) e.prepare(dir);
  // The undamaged model solves.
  tw::WriteDataFile(dir + "/job1", base);
  WriteTextFile(dir + "/job1_ctrl.dat", "<OUTPUT_CONTROL>\n</OUTPUT_CONTROL>\n");
  ChildResult sound = RunProgram("/usr/bin/timeout", {"60", VOLDE_EXE, "job1"}, dir);
  EXPECT_EQ(Judge(sound, dir, e), "") << name << "\n" << sound.err;
  EXPECT_EQ(sound.status, 0) << name << "\n" << sound.err;
  const ChildLeakCheckOff leaks;
  int refused = 0;
  for (size_t k = 0; k < damages.size(); k++) {
    tw::Model m = base;
    // Both solvers, in turn.
    m.main.storageTechnique = m.main.linEqAlgorithm = k % 2 == 0 ? 1 : 2;
    damages[k].apply(m);
    tw::WriteDataFile(dir + "/job1", m);
    if (!e.resultSuffix.empty()) std::remove((dir + "/job1" + e.resultSuffix).c_str());
    ChildResult r = RunProgram("/usr/bin/timeout", {"60", VOLDE_EXE, "job1"}, dir);
    EXPECT_EQ(Judge(r, dir, e), "") << name << ": " << damages[k].what << "\n" << r.err;
    if (r.status != 0) refused++;
  }
  RemoveDirectory(dir);
  return refused;
}

}  // namespace damage
