// docs/materials.md against the program's own tables: every material kind has its section
// with one row per value of the reader's layout (position and type), under its block's
// tag, and the table of element types per kind is the material table's.
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
#include "model/material.h"
#include "model/mesh.h"

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
};

}  // namespace

TEST(MaterialDocs, TablesFollowTheReaders) {
  const std::string text = DocsText("materials.md");
  ASSERT_FALSE(text.empty()) << "docs/materials.md not found";
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
      if (cells.size() >= 2 && AllDigits(cells[0])) current->rows.emplace_back(std::stoi(cells[0]), cells[1]);
    }
  }
  for (int kind = 1; kind <= kMaterialKinds; kind++) {
    if (kind == MAT_NLMM_PATT || kind == MAT_FIB_PATT || kind == MAT_LAY_PATT || kind == MAT_FIB_MESH) continue;
    const std::string keyword = kMaterialKindKeywords[kind];
    SCOPED_TRACE(keyword);
    ASSERT_EQ(sections.count(keyword), 1u) << "no section of the kind";
    const Section& s = sections[keyword];
    EXPECT_EQ(s.kind, kind);
    ASSERT_GE(s.block, 1);
    ASSERT_LE(s.block, kMeshBlocks);
    EXPECT_EQ(s.tag, kMeshBlockTags[s.block]);
    if (keyword.rfind("_NLMM", 0) == 0) {
      EXPECT_EQ(s.tag, "<" + keyword.substr(1) + ">");
    }
    const std::string layout = MaterialLayout(kind);
    if (layout == "NLMM174" || layout == "FRC") {
      EXPECT_TRUE(s.rows.empty());  // described in words
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
