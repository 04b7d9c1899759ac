#include "support/result_readers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace resultfile {

namespace {

IterSummary ReadIter(Cursor& c) {
  IterSummary r;
  r.nTermsKFF = c.I32("IterSummaryRecord");
  r.nTermsKPF = c.I32("IterSummaryRecord");
  r.nTermsKPP = c.I32("IterSummaryRecord");
  r.nTermsNCSB = c.I32("IterSummaryRecord");
  r.assemblySeconds = c.F64("IterSummaryRecord");
  r.factorSeconds = c.F64("IterSummaryRecord");
  return r;
}

StepSummary ReadStep(Cursor& c) {
  StepSummary r;
  r.nIterJPCG = c.I32("StepSummaryRecord");
  r.padding = c.U32("StepSummaryRecord");
  r.residNormJPCG = c.F64("StepSummaryRecord");
  r.solveSeconds = c.F64("StepSummaryRecord");
  r.residualNorm = c.F64("StepSummaryRecord");
  return r;
}

}  // namespace

std::vector<uint8_t> TagsOnlyBytes(const std::vector<std::string>& tags) {
  std::vector<uint8_t> bytes;
  for (const std::string& tag : tags) {
    const uint32_t n = static_cast<uint32_t>(tag.size());
    for (int k = 0; k < 4; k++) bytes.push_back(static_cast<uint8_t>(n >> (8 * k)));
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    bytes.push_back(0);
  }
  return bytes;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (fp == nullptr) return bytes;
  int ch;
  while ((ch = std::fgetc(fp)) != EOF) bytes.push_back(static_cast<uint8_t>(ch));
  std::fclose(fp);
  return bytes;
}

DisplReactFile ReadDisplReact(const std::string& path, int nF, int nP, bool dynamic, bool thermal) {
  const std::string open =
      thermal ? "<TEMPERATURES_AND_BOUNDARY_HEAT_FLUXES>" : "<DISPLACEMENTS_AND_REACTIONS>";
  const std::string close =
      thermal ? "</TEMPERATURES_AND_BOUNDARY_HEAT_FLUXES>" : "</DISPLACEMENTS_AND_REACTIONS>";
  const size_t R =
      4 + 8 * static_cast<size_t>(nF + 2 * nP) + (dynamic ? 16 * static_cast<size_t>(nF + nP) : 0);
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  Cursor c{bytes, 0, ""};
  DisplReactFile f;
  if (bytes.empty()) {
    f.error = "missing or empty file " + path;
    return f;
  }
  c.Tag(open);
  while (c.error.empty() && !c.AtClosingTag(close) && c.Left() >= R) {
    DisplReactRecord r;
    r.id = c.I32("record id");
    r.free = c.F64s(nF, "free vector");
    r.presc = c.F64s(nP, "prescribed vector");
    r.react = c.F64s(nP, "reactions");
    if (dynamic) {
      r.dynF1 = c.F64s(nF, "dynamic vector");
      r.dynP1 = c.F64s(nP, "dynamic vector");
      r.dynF2 = c.F64s(nF, "dynamic vector");
      r.dynP2 = c.F64s(nP, "dynamic vector");
    }
    f.records.push_back(r);
  }
  c.End(close, &f.closed);
  f.error = c.error;
  return f;
}

InternalForcesFile ReadInternalForces(const std::string& path, int nF, int nP, bool thermal) {
  const std::string open =
      thermal ? "<INTERNAL_EQUIVALENT_NODAL_HEAT_FORCES>" : "<INTERNAL_EQUIVALENT_NODAL_FORCES>";
  const std::string close =
      thermal ? "</INTERNAL_EQUIVALENT_NODAL_HEAT_FORCES>" : "</INTERNAL_EQUIVALENT_NODAL_FORCES>";
  const size_t R = 4 + 8 * static_cast<size_t>(nF + nP);
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  Cursor c{bytes, 0, ""};
  InternalForcesFile f;
  if (bytes.empty()) {
    f.error = "missing or empty file " + path;
    return f;
  }
  c.Tag(open);
  while (c.error.empty() && !c.AtClosingTag(close) && c.Left() >= R) {
    InternalForcesRecord r;
    r.id = c.I32("record id");
    r.free = c.F64s(nF, "free vector");
    r.presc = c.F64s(nP, "prescribed vector");
    f.records.push_back(r);
  }
  c.End(close, &f.closed);
  f.error = c.error;
  return f;
}

LinearExecParams ReadLinearExecParams(const std::string& path) {
  const std::string close = "</EXECUTION_PARAMETERS>";
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  Cursor c{bytes, 0, ""};
  LinearExecParams f;
  if (bytes.empty()) {
    f.error = "missing or empty file " + path;
    return f;
  }
  c.Tag("<EXECUTION_PARAMETERS>");
  f.iter = ReadIter(c);
  while (c.error.empty() && !c.AtClosingTag(close) && c.Left() >= 32)
    f.steps.push_back(ReadStep(c));
  c.End(close, &f.closed);
  f.error = c.error;
  return f;
}

NonlinearExecParams ReadNonlinearExecParams(const std::string& path, int nF, int nP) {
  const std::string close = "</EXECUTION_PARAMETERS>";
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  Cursor c{bytes, 0, ""};
  NonlinearExecParams f;
  if (bytes.empty()) {
    f.error = "missing or empty file " + path;
    return f;
  }
  c.Tag("<EXECUTION_PARAMETERS>");
  while (c.error.empty() && c.Left() > 0 && !c.AtClosingTag(close)) {
    CombinationEntry e;
    e.offset = static_cast<int64_t>(c.pos);
    e.next = c.I32("entry header");
    e.combination = c.I32("entry header");
    e.nIterations = c.I32("entry header");
    if (!c.error.empty()) break;
    if (e.next == 0 && e.combination == 0 && e.nIterations == 0) {
      // A combination that never converged: its iteration records run to the end.
      if (c.Left() % 64 != 0) {
        c.error =
            "unconverged entry at offset " + std::to_string(e.offset) + " is not whole iterations";
        break;
      }
      while (c.Left() > 0) {
        e.iters.push_back(ReadIter(c));
        e.steps.push_back(ReadStep(c));
      }
      f.entries.push_back(e);
      break;
    }
    e.converged = true;
    if (e.nIterations < 0) {
      c.error = "negative iteration count at offset " + std::to_string(e.offset);
      break;
    }
    for (int k = 0; k < e.nIterations && c.error.empty(); k++) {
      e.iters.push_back(ReadIter(c));
      e.steps.push_back(ReadStep(c));
    }
    e.path.n = c.I32("EquilibriumPathRecord");
    e.path.d1 = c.F64("EquilibriumPathRecord");
    e.path.d2 = c.F64("EquilibriumPathRecord");
    e.path.d3 = c.F64("EquilibriumPathRecord");
    e.path.d4 = c.F64("EquilibriumPathRecord");
    e.path.extF = c.F64s(nF, "EquilibriumPathRecord");
    e.path.extP = c.F64s(nP, "EquilibriumPathRecord");
    if (c.error.empty() && static_cast<int64_t>(c.pos) != e.next)
      c.error = "entry at offset " + std::to_string(e.offset) + " ends at " +
                std::to_string(c.pos) + " but its header names " + std::to_string(e.next);
    f.entries.push_back(e);
  }
  c.End(close, &f.closed);
  f.error = c.error;
  return f;
}

ArcLengthDeltaF ReadArcLengthDeltaF(const std::string& path, int nF, int nP) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  Cursor c{bytes, 0, ""};
  ArcLengthDeltaF f;
  if (bytes.empty()) {
    f.error = "missing or empty file " + path;
    return f;
  }
  c.Tag("<ARC_LENGTH_DELTA_F>");
  f.free = c.F64s(nF, "free vector");
  f.presc = c.F64s(nP, "prescribed vector");
  c.End("</ARC_LENGTH_DELTA_F>", &f.closed);
  f.error = c.error;
  return f;
}

VibrationModesFile ReadVibrationModes(const std::string& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  Cursor c{bytes, 0, ""};
  VibrationModesFile f;
  if (bytes.empty()) {
    f.error = "missing or empty file " + path;
    return f;
  }
  c.Tag("<VIBRATION_MODES>");
  f.nModes = c.I32("mode count");
  f.nF = c.I32("free dof count");
  f.nP = c.I32("prescribed dof count");
  for (int k = 0; k < f.nModes && c.error.empty(); k++) {
    VibrationModeRecord r;
    r.counter = c.I32("mode counter");
    r.lambda = c.F64("eigenvalue");
    r.error = c.F64("error");
    r.relError = c.F64("relative error");
    r.phi = c.F64s(f.nF, "mode vector");
    f.records.push_back(r);
  }
  c.EndOfFile();
  f.error = c.error;
  return f;
}

SparseMatFile ReadSparseMatBin(const std::string& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  Cursor c{bytes, 0, ""};
  SparseMatFile f;
  if (bytes.empty()) {
    f.error = "missing or empty file " + path;
    return f;
  }
  f.flag = bytes[0];
  c.pos = 1;
  f.n = c.I32("row count");
  for (int i = 0; i < f.n && c.error.empty(); i++) {
    const int32_t count = c.I32("term count");
    std::vector<std::pair<int32_t, double>> row;
    for (int t = 0; t < count && c.error.empty(); t++) {
      const int32_t col = c.I32("column");
      row.push_back({col, c.F64("value")});
    }
    f.rows.push_back(row);
  }
  c.EndOfFile();
  f.error = c.error;
  return f;
}

ModeReport ReadModeReport(const std::string& path) {
  ModeReport r;
  std::ifstream in(path);
  if (!in) {
    r.error = "missing file " + path;
    return r;
  }
  for (std::string line; std::getline(in, line);) r.lines.push_back(line);
  std::string block;  // the open block's name, empty outside
  for (size_t k = 0; k < r.lines.size() && r.error.empty(); k++) {
    const std::string& line = r.lines[k];
    const std::string where = " on line " + std::to_string(k + 1);
    if (block.empty()) {
      if (line.size() > 2 && line.front() == '<' && line.back() == '>' && line[1] != '/') {
        block = line.substr(1, line.size() - 2);
        if (block != "SELECTED_VIBRATION_MODES") r.ratios[block];
      } else if (!line.empty() && line[0] != '#') {
        r.error = "text outside the blocks" + where;
      }
      continue;
    }
    if (line == "</" + block + ">") {
      block.clear();
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    if (line.size() < 2 || line.substr(line.size() - 2) != " ;") {
      r.error = "line without its closing semicolon" + where;
    } else if (block == "SELECTED_VIBRATION_MODES") {
      ModeReport::Selected s;
      int used = 0;
      if (std::sscanf(line.c_str(), "   COUNT = %d ;%n", &r.count, &used) == 1 && used == static_cast<int>(line.size()))
        continue;
      if (std::sscanf(line.c_str(), "%d %lf %lf %lf %lf %lf ;%n", &s.counter, &s.lambda, &s.omega, &s.f, &s.error,
                      &s.relError, &used) != 6 || used != static_cast<int>(line.size()))
        r.error = "unreadable mode line" + where;
      r.selected.push_back(s);
    } else {
      ModeReport::Ratio q;
      char sum[64];
      int used = 0;
      if (std::sscanf(line.c_str(), "%d %lf %63s ;%n", &q.mode, &q.ratio, sum, &used) != 3 ||
          used != static_cast<int>(line.size()))
        r.error = "unreadable ratio line" + where;
      q.sumText = sum;
      q.sum = std::atof(sum);
      r.ratios[block].push_back(q);
    }
  }
  if (r.error.empty() && !block.empty()) r.error = "block " + block + " not closed";
  return r;
}

void EditSelectedModes(const std::string& path, const std::vector<int>& counters) {
  ModeReport r = ReadModeReport(path);
  std::map<int, std::string> lineOf;
  size_t open = 0, close = 0;
  for (size_t k = 0; k < r.lines.size(); k++) {
    const std::string& line = r.lines[k];
    if (line == "<SELECTED_VIBRATION_MODES>") open = k;
    if (line == "</SELECTED_VIBRATION_MODES>") close = k;
    int counter;
    if (open > 0 && close == 0 && !line.empty() && line[0] != '#' && line.find("COUNT") == std::string::npos &&
        std::sscanf(line.c_str(), "%d", &counter) == 1)
      lineOf[counter] = line;
  }
  std::string text;
  for (size_t k = 0; k < r.lines.size(); k++) {
    const std::string& line = r.lines[k];
    if (k > open && k < close && !line.empty() && line[0] != '#') {
      if (line.find("COUNT") == std::string::npos) continue;
      text += "   COUNT = " + std::to_string(counters.size()) + " ;\n";
      for (int c : counters)
        text += lineOf.count(c) != 0 ? lineOf[c] + "\n" : std::to_string(c) + "  1.0  1.0  1.0  1.0  1.0 ;\n";
      continue;
    }
    text += line + "\n";
  }
  std::ofstream out(path, std::ios::trunc);
  out << text;
}

}  // namespace resultfile
