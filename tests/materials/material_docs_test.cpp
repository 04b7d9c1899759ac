// docs/materials.md against the program's own tables: every material kind has its section
// under its block's tag with one row per value of the reader's layout (position and type),
// or, for the records with lists and the patterns, a table of their items; and the table
// of element types per kind is the material table's.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "elements/kernel.h"
#include "materials/material_table.h"
#include "model/fileio.h"
#include "model/material.h"
#include "model/material_formats.h"
#include "model/mesh.h"
#include "support/datafile_writer.h"
#include "support/read_back.h"
#include "support/testfiles.h"

namespace {

std::string DocsText(const char* name) {
  const auto path = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "docs" / name;
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The types of a layout, one entry per documented row: "f64", "int32", "byte" per scalar,
// "list f64", "table 2 f64", "string", "pairs f64" per list item.
std::vector<std::string> LayoutRows(const std::string& layout) {
  std::vector<std::string> rows;
  std::istringstream in(layout);
  std::string item;
  while (in >> item) {
    if (item == "Ld") rows.push_back("list f64");
    else if (item == "T2") rows.push_back("table 2 f64");
    else if (item == "S") rows.push_back("string");
    else if (item == "P") rows.push_back("pairs f64");
    else {
      const int n = std::stoi(item);
      const char t = item.back();
      for (int k = 0; k < n; k++) rows.push_back(t == 'd' ? "f64" : (t == 'i' ? "int32" : "byte"));
    }
  }
  return rows;
}

// The text between the first pair of backticks at or after `from` ("" when none).
std::string Quoted(const std::string& line, size_t from = 0) {
  const size_t a = line.find('`', from);
  if (a == std::string::npos) return "";
  const size_t b = line.find('`', a + 1);
  return b == std::string::npos ? "" : line.substr(a + 1, b - a - 1);
}

// The cells of a table row "| a | b | c |" (empty when the line is not a row).
std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  if (line.rfind("| ", 0) != 0) return cells;
  size_t pos = 1;
  while (true) {
    const size_t next = line.find(" |", pos);
    if (next == std::string::npos) break;
    cells.push_back(line.substr(pos + 1, next - pos - 1));
    pos = next + 2;
  }
  return cells;
}

bool AllDigits(const std::string& s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos; }

// The number after `word` in the line (-1 when absent).
int NumberAfter(const std::string& line, const std::string& word) {
  const size_t at = line.find(word);
  return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + word.size());
}

struct Section {
  int kind = 0, block = 0;
  std::string tag;
  std::vector<std::pair<int, std::string>> rows;  // position, type
  std::vector<std::string> ranges;                // "checked at read" of each row
};

// The sections "### `keyword`: kind k, block b `<TAG>`" of docs/materials.md by keyword.
std::map<std::string, Section> DocSections(const std::string& text) {
  std::map<std::string, Section> sections;
  std::istringstream in(text);
  std::string line;
  Section* current = nullptr;
  while (std::getline(in, line)) {
    if (line.rfind("### `", 0) == 0) {
      Section& s = sections[Quoted(line)];
      s.kind = NumberAfter(line, ": kind ");
      s.block = NumberAfter(line, ", block ");
      s.tag = Quoted(line, line.find(", block "));
      current = &s;
    } else if (line.rfind("#", 0) == 0) {
      current = nullptr;
    } else if (current != nullptr) {
      const std::vector<std::string> cells = Cells(line);
      if (cells.size() >= 2 && AllDigits(cells[0])) {
        current->rows.emplace_back(std::stoi(cells[0]), cells[1]);
        current->ranges.push_back(cells.size() >= 5 ? cells[4] : "");
      }
    }
  }
  return sections;
}

}  // namespace

TEST(MaterialDocs, TablesFollowTheReaders) {
  const std::string text = DocsText("materials.md");
  ASSERT_FALSE(text.empty()) << "docs/materials.md not found";
  std::map<std::string, Section> sections = DocSections(text);
  std::string line;
  for (int kind = 1; kind <= kMaterialKinds; kind++) {
    const std::string keyword = kMaterialKindKeywords[kind];
    SCOPED_TRACE(keyword);
    ASSERT_EQ(sections.count(keyword), 1u) << "no section of the kind";
    const Section& s = sections[keyword];
    EXPECT_EQ(s.kind, kind);
    ASSERT_GE(s.block, 1);
    ASSERT_LE(s.block, kMeshBlocks);
    EXPECT_EQ(s.tag, kMeshBlockTags[s.block]);
    if (keyword.rfind("_NLMM", 0) == 0 && kind != MAT_NLMM_PATT) {
      EXPECT_EQ(s.tag, "<" + keyword.substr(1) + ">");
    }
    // The records with lists (the Kelvin chain, the mixed-mode record, the patterns and
    // fibre meshes) have a table of items, numbered from 1, each with its type.
    const char* const own = MaterialFormatOf(kind).layout;
    const std::string layout = own == nullptr ? "" : own;
    if (layout.empty() || layout == "NLMM174" || layout == "FRC") {
      ASSERT_GE(s.rows.size(), 2u) << "no table of the record's values";
      for (size_t k = 0; k < s.rows.size(); k++) {
        EXPECT_EQ(s.rows[k].first, static_cast<int>(k) + 1);
        EXPECT_FALSE(s.rows[k].second.empty()) << "item " << k + 1;
      }
      continue;
    }
    const std::vector<std::string> expected = LayoutRows(layout);
    ASSERT_EQ(s.rows.size(), expected.size());
    for (size_t k = 0; k < expected.size(); k++) {
      EXPECT_EQ(s.rows[k].first, static_cast<int>(k) + 1);
      EXPECT_EQ(s.rows[k].second, expected[k]) << "value " << k + 1;
    }
  }

  // The table of element types per kind: rows "| code `keyword` | `type`, `type` |".
  int seen = 0;
  std::istringstream in2(text);
  while (std::getline(in2, line)) {
    const std::vector<std::string> cells = Cells(line);
    if (cells.size() != 2 || cells[0].find(" `_") == std::string::npos) continue;
    const int kind = std::atoi(cells[0].c_str());
    ASSERT_GE(kind, 1) << line;
    ASSERT_LE(kind, kMaterialKinds) << line;
    EXPECT_EQ(Quoted(cells[0]), kMaterialKindKeywords[kind]);
    std::vector<std::string> documented;
    for (size_t at = cells[1].find('`'); at != std::string::npos; at = cells[1].find('`', cells[1].find('`', at + 1) + 1))
      documented.push_back(Quoted(cells[1], at));
    std::vector<std::string> table;
    for (int t = 1; t <= kNumElementTypes; t++)
      if ((MaterialKindInfo(kind).elementTypes >> t & 1u) != 0) table.push_back(GetElementTypeInfo(t).keyword);
    EXPECT_EQ(documented, table) << kMaterialKindKeywords[kind];
    seen++;
  }
  EXPECT_EQ(seen, kMaterialKinds);
}

namespace {

// A documented range "> 0", ">= 0", "a to b", "a or b", "> 0, <= 1000" or a lone code,
// with an optional condition in brackets: a value inside it and the values just outside.
struct Range {
  bool known = false;
  double inside = 0.0;
  std::vector<double> outside;
};

Range ParseRange(const std::string& cell) {
  Range r;
  const std::string c = cell.substr(0, cell.find(" ("));
  double a, b;
  char word[8];
  if (c == "> 0") {
    r = {true, 1.5, {0.0}};
  } else if (c == ">= 0") {
    r = {true, 0.0, {-0.5}};
  } else if (c == "< 0") {
    r = {true, -1.5, {0.0, 1.5}};
  } else if (c == "> 0, <= 1000") {
    r = {true, 30.0, {0.0, 1000.5}};
  } else if (std::sscanf(c.c_str(), "%lf %7s %lf", &a, word, &b) == 3 &&
             (std::string(word) == "to" || std::string(word) == "or")) {
    // The upper end, and the lower one where it is not 0 (a code 0 refused below 0 is
    // the upper end's check turned round).
    r = {true, a, {b + 1.0}};
    if (a != 0.0) r.outside.push_back(a - 1.0);
  } else if (AllDigits(c)) {
    r = {true, std::stod(c), {std::stod(c) + 1.0}};
  }
  return r;
}

// One record of a layout with `values` (one per documented row; a list count row is 0
// and its list empty).
testmodel::Rec RecordOf(const std::vector<std::pair<int, std::string>>& rows, const std::vector<double>& values) {
  testmodel::Rec rec;
  rec.S("record");
  for (size_t k = 0; k < rows.size(); k++) {
    const std::string& type = rows[k].second;
    if (type == "f64") rec.D(values[k]);
    if (type == "int32") rec.I(static_cast<int32_t>(values[k]));
    if (type == "byte") rec.C(static_cast<int>(values[k]));
    if (type == "string") rec.S("text");
  }
  return rec;
}

void ReadModel(const testmodel::Model& model) {
  MeshData mesh;
  CloseFile(WriteAndReadMesh(model, &mesh));
  FreeMesh(&mesh);
}

}  // namespace

// The column "checked at read" of docs/materials.md is what the reader refuses: a record
// whose every value lies inside its documented range is read, and each value set just
// outside its range alone is refused naming the block. Ranges under a condition the
// record does not meet (a law 2 that the in-range record, taking the first code of every
// list, does not choose) are checked for acceptance only.
TEST(MaterialDocs, ReadRangesAreTheReadersChecks) {
  const std::map<std::string, Section> sections = DocSections(DocsText("materials.md"));
  int refusals = 0;
  for (const auto& [keyword, s] : sections) {
    if (s.kind < 1 || s.rows.empty()) continue;
    const char* const own = MaterialFormatOf(s.kind).layout;
    if (own == nullptr || std::string(own) == "NLMM174" || std::string(own) == "FRC") continue;  // items, not values
    SCOPED_TRACE(keyword);
    bool list = false;
    std::vector<double> inside;
    for (size_t k = 0; k < s.rows.size(); k++) {
      const Range r = ParseRange(s.ranges[k]);
      list = list || s.rows[k].second.find(' ') != std::string::npos;
      // Distinct values, so that values that must differ do.
      inside.push_back(r.known ? r.inside : (s.rows[k].second == "f64" ? 1.25 + 0.5 * static_cast<double>(k) : 0.0));
    }
    if (list) inside[s.rows.size() - (s.rows.back().second == "f64" ? 3 : 2)] = 0.0;  // the list count
    {
      testmodel::Model model;
      testmodel::AddRecord(model, s.tag, RecordOf(s.rows, inside));
      ReadModel(model);  // a refusal ends the test here
    }
    for (size_t k = 0; k < s.rows.size(); k++) {
      const Range r = ParseRange(s.ranges[k]);
      if (!r.known || s.ranges[k].find("law 2)") != std::string::npos) continue;
      for (double v : r.outside) {
        std::vector<double> values = inside;
        values[k] = v;
        testmodel::Model model;
        testmodel::AddRecord(model, s.tag, RecordOf(s.rows, values));
        EXPECT_EXIT(ReadModel(model), testing::ExitedWithCode(1), "Block name: " + s.tag)
            << "value " << k + 1 << " = " << v;
        refusals++;
      }
    }
  }
  EXPECT_GT(refusals, 50);
}
