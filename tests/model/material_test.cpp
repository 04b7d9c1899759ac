// Material and spring-material blocks: every layout written with distinct values and
// read back value by value (value k = the k-th scalar after the name in the file).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "model/mesh.h"
#include "model/material_formats.h"
#include "support/datafile_writer.h"
#include "support/read_back.h"
#include "support/testfiles.h"

using testmodel::Model;
using testmodel::Rec;

namespace {

// A material layout in the notation of the file description: "6d, i, 2i, 3c".
struct Layout {
  const char* tag;
  int kind;
  bool spring;
  const char* fields;
};

const Layout kLayouts[] = {
    {"<LINEAR_ISOTROPIC_MATERIALS>", 1, false, "4d"},
    {"<LINEAR_ORTHOTROPIC_MATERIALS>", 2, false, "13d, i"},
    {"<LINEAR_INTERFACE_POINT_PROPERTIES>", 3, false, "i, d"},
    {"<LINEAR_INTERFACE_LINE_2D_PROPERTIES>", 4, false, "2d"},
    {"<LINEAR_INTERFACE_LINE_3D_PROPERTIES>", 5, false, "3d"},
    {"<LINEAR_INTERFACE_SURFACE_PROPERTIES>", 6, false, "3d"},
    {"<THERMAL_ISOTROPIC_MATERIALS>", 49, false, "3d"},
    {"<NLMM101>", 7, false, "6d, i, 6d, i, d, 2i, d, i, d"},
    {"<NLMM102>", 8, false, "6d, i, 6d, i, d, 3i, d, i, d"},
    {"<NLMM104>", 9, false, "6d, i, 7d, 2i, 2d, 2i, d, i, 2d, 2i, d, i, d, i, 6d"},
    {"<NLMM105>", 10, false, "5d, 2i, 3d, i, d, i"},
    {"<NLMM111>", 11, false, "6d, i, 8d, i, 4d, i, d, i, 2d, 2i, d, i, d"},
    {"<NLMM121>", 12, false, "8d"},
    {"<NLMM122>", 13, false, "8d"},
    {"<NLMM123>", 14, false, "8d, i"},
    {"<NLMM124>", 15, false, "4d, 2i, 2d, i, 3d"},
    {"<NLMM125>", 16, false, "8d, i, 5d"},
    {"<NLMM141>", 17, false, "9d, i, 6d, i, d, 2i, d, i, d"},
    {"<NLMM142>", 18, false, "8d, i, 6d, i, 6d, d, 2i, 2d, 2i, d, i, 2d, 2i, d, i, d, i, 6d"},
    {"<NLMM145>", 19, false, "11d"},
    {"<NLMM146>", 20, false, "9d, i, d"},
    {"<NLMM151>", 21, false, "8d, i, 6d, i, 6d, 2d, i, 4d, i, d, i, 2d, 2i, d, i, d"},
    {"<NLMM172>", 23, false, "4c, 7d, i, d, i, 7d, i, d, i, d, i, 5d"},
    {"<NLMM173>", 24, false, "i, d, 3i, 2d"},
    {"<NLMM175>", 26, false, "7i"},
    {"<NLMM201>", 27, false, "9d"},
    {"<NLMM202>", 28, false, "10d"},
    {"<NLMM210>", 29, false, "9d"},
    {"<NLMM211>", 30, false, "13d, i, d"},
    {"<NLMM220>", 31, false, "i, 15d"},
    {"<NLMM298>", 32, false, "8d"},
    {"<NLMM299>", 33, false, "7d"},
    {"<NLMM301>", 34, false, "6d"},
    {"<NLMM302>", 35, false, "8d"},
    {"<NLMM303>", 36, false, "10d"},
    {"<NLMM305>", 38, false, "7d"},
    {"<NLMM320>", 40, false, "i, 17d"},
    {"<NLMM451>", 42, false, "i, 2d, i, d, i, 2d"},
    {"<NLMM501>", 43, false, "9d, i, 5d"},
    {"<LINEAR_SPRING_MATERIALS>", 1, true, "d"},
    {"<NLSMM101>", 2, true, "3d, i"},
    {"<NLSMM102>", 3, true, "i, 7d"},
};

// The scalar types of a layout, one letter per value.
std::string Types(const char* fields) {
  std::string types;
  std::stringstream in(fields);
  std::string tok;
  while (std::getline(in, tok, ',')) {
    while (!tok.empty() && tok[0] == ' ') tok.erase(0, 1);
    int n = tok.size() > 1 ? std::stoi(tok.substr(0, tok.size() - 1)) : 1;
    types += std::string(static_cast<size_t>(n), tok.back());
  }
  return types;
}

// The codes that the model check refuses outside their lists (flags, cement class and
// type, laws of the age and temperature models) take a code of their list; 0 for the
// other values.
int ListedCode(int kind, int r, int k) {
  switch (kind) {
    case 22: return k == 1 || k == 2 ? r : k == 10 ? r + 1 : 0;
    case 23: return k == 1 || k == 2 || k == 22 ? r : k == 24 ? 3 - r : 0;
    case 24: return k == 1 ? r : k == 4 ? r + 1 : 0;
    case 42: return k == 1 || k == 4 || k == 6 ? 1 + (k + r) % 2 : 0;  // laws 1 or 2
    default: return 0;
  }
}

// Distinct value of value k of record r of a kind; bytes spread over -128..127.
double Expected(int kind, int r, int k, char type) {
  if (ListedCode(kind, r, k) != 0) return ListedCode(kind, r, k);
  if (kind == 24 && (k == 3 || k == 5)) return (k + r) % 2;  // 0 / 1 laws
  if (kind == 26) return k == 3 || k == 7 ? 0 : (k + r) % 2;
  if (kind == 41 && k == 2) return r % 2;                        // 0 / 1 law
  if (kind == 42 && k == 8) return 1.25 + r;                     // moisture in percent
  if ((kind == 22 && k == 9) || (kind == 23 && (k == 17 || k == 31))) return 50.25 + r;  // humidity in percent
  if (kind == 22 && k == 8) return 30.25 + r;  // mean compressive strength in MPa
  if (kind == 30 && k == 8) return -2.25 - r;  // tensile strength, negative (compression positive)
  if (type == 'd') return kind * 1000 + r * 100 + k + 0.25;
  if (type == 'i') return kind * 1000 + r * 100 + k;
  return static_cast<signed char>(static_cast<unsigned char>((k * 37 + r * 11 + kind) % 256));
}

void AddScalars(Rec& rec, int kind, int r, const std::string& types, int first = 1) {
  for (size_t i = 0; i < types.size(); i++) {
    int k = first + static_cast<int>(i);
    double v = Expected(kind, r, k, types[i]);
    if (types[i] == 'd') rec.D(v);
    if (types[i] == 'i') rec.I(static_cast<int32_t>(v));
    if (types[i] == 'c') rec.C(static_cast<int>(v));
  }
}

std::string Name(int kind, int r) { return "material " + std::to_string(kind) + "/" + std::to_string(r); }

void ExpectScalars(const MaterialRecord& m, int kind, int r, const std::string& types) {
  ASSERT_EQ(m.nValues, static_cast<int>(types.size())) << m.Name;
  for (int k = 1; k <= m.nValues; k++) {
    char t = types[static_cast<size_t>(k - 1)];
    EXPECT_EQ(m.ValueType[k], t) << m.Name << " value " << k;
    EXPECT_EQ(MatValue(m, k), Expected(kind, r, k, t)) << m.Name << " value " << k;
    if (t != 'd') {
      EXPECT_EQ(MatInt(m, k), static_cast<int32_t>(Expected(kind, r, k, t)));
    }
  }
}

}  // namespace

TEST(MaterialBlocks, EveryLayoutRoundTrip) {
  Model model;
  for (const Layout& l : kLayouts)
    for (int r = 1; r <= 2; r++) {
      Rec rec;
      rec.S(Name(l.kind, r));
      AddScalars(rec, l.kind, r, Types(l.fields));
      testmodel::AddRecord(model, l.tag, rec);
    }
  MeshData mesh;
  FILE* fp = WriteAndReadMesh(model, &mesh);
  for (const Layout& l : kLayouts) {
    int n = l.spring ? mesh.nSpringMaterials[l.kind] : mesh.nMaterials[l.kind];
    MaterialRecord* recs = l.spring ? mesh.SpringMaterials[l.kind] : mesh.Materials[l.kind];
    ASSERT_EQ(n, 2) << l.tag;
    for (int r = 1; r <= 2; r++) {
      EXPECT_EQ(std::string(recs[r].Name), Name(l.kind, r));
      ExpectScalars(recs[r], l.kind, r, Types(l.fields));
    }
  }
  // The mass density is the first double after the name.
  EXPECT_EQ(MatDensity(mesh.Materials[MAT_LIN_ISO][1]), Expected(1, 1, 1, 'd'));
  EXPECT_EQ(MatDensity(mesh.Materials[MAT_LIN_INT_POINT][2]), Expected(3, 2, 2, 'd'));
  EXPECT_EQ(MatDensity(mesh.Materials[MAT_NLMM172][1]), Expected(23, 1, 5, 'd'));
  EXPECT_EQ(MatDensity(mesh.Materials[MAT_NLMM220][1]), Expected(31, 1, 2, 'd'));
  CloseFile(fp);
  FreeMesh(&mesh);
}

TEST(MaterialBlocks, LayoutsWithListsStringsAndCodes) {
  Model model;
  // "<NLMM171>": 3c, 6d, i, d, i, d, then m and m doubles; the second record has m = 0.
  for (int r = 1; r <= 2; r++) {
    Rec rec;
    rec.S(Name(22, r));
    AddScalars(rec, 22, r, Types("3c, 6d, i, d, i, d"));
    std::vector<double> list = r == 1 ? std::vector<double>{7.5, 8.5, 9.5} : std::vector<double>{};
    rec.DList(list);
    testmodel::AddRecord(model, "<NLMM171>", rec);
  }
  // "<NLMM174>": m = 2 curves of at most p = 3 points, then q = 2, the q-vector, two
  // doubles and the 4q-vector.
  Rec c174;
  c174.S("curves").I(2).I(3);
  c174.S("curve A").D(1.1).D(1.2).I(3).D(10).D(11).D(12).D(13).D(14).D(15);
  c174.S("curve B").D(2.1).D(2.2).I(1).D(20).D(21);
  c174.I(2).D(30).D(31).D(40.5).D(41.5).Ds({50, 51, 52, 53, 54, 55, 56, 57});
  testmodel::AddRecord(model, "<NLMM174>", c174);
  // "<NLMM304>": five (d, d) pairs, 8d and a second string; "<NLMM306>": 10d and a string.
  Rec c304;
  c304.S("pairs");
  AddScalars(c304, 37, 1, Types("18d"));
  c304.S("second name");
  testmodel::AddRecord(model, "<NLMM304>", c304);
  Rec c306;
  c306.S("n306");
  AddScalars(c306, 39, 1, Types("10d"));
  c306.S("");
  testmodel::AddRecord(model, "<NLMM306>", c306);
  // "<NLMM401>": d, i, 6d, d, then m rows of two doubles, then d.
  Rec c401;
  c401.S("n401");
  AddScalars(c401, 41, 1, Types("d, i, 6d, d"));
  c401.I(2).D(60).D(61).D(62).D(63).D(70.5);
  testmodel::AddRecord(model, "<NLMM401>", c401);
  // "<FRC_MIXFRACTURE_2D>": 2d, code1 and its pair, code2 and its law (7d for law 3,
  // 8d for law 5).
  testmodel::AddRecord(model, "<FRC_MIXFRACTURE_2D>",
                       Rec().S("frc a").D(1).D(2).I(2).D(3).D(4).I(3).Ds({5, 6, 7, 8, 9, 10, 11}));
  testmodel::AddRecord(model, "<FRC_MIXFRACTURE_2D>",
                       Rec().S("frc b").D(1).D(2).I(1).D(3).D(4).I(5).Ds({5, 6, 7, 8, 9, 10, 11, 12}));
  // "<NLSMM103>": i, then m pairs of doubles.
  testmodel::AddRecord(model, "<NLSMM103>", Rec().S("law").I(9).I(3).D(0).D(0).D(1e-3).D(5).D(2e-3).D(6));

  MeshData mesh;
  FILE* fp = WriteAndReadMesh(model, &mesh);

  const MaterialRecord& m171 = mesh.Materials[MAT_NLMM171][1];
  ASSERT_EQ(m171.nValues, 14);  // 13 scalars and the list length
  for (int k = 1; k <= 13; k++)
    EXPECT_EQ(MatValue(m171, k), Expected(22, 1, k, Types("3c, 6d, i, d, i, d")[static_cast<size_t>(k - 1)]));
  EXPECT_EQ(MatInt(m171, 14), 3);
  ASSERT_EQ(m171.ListLen, 3);
  EXPECT_EQ(m171.List1[3], 9.5);
  const MaterialRecord& m171b = mesh.Materials[MAT_NLMM171][2];
  EXPECT_EQ(m171b.ListLen, 0);
  EXPECT_NE(m171b.List1, nullptr);  // a one-entry vector all the same

  const MaterialRecord& m174 = mesh.Materials[MAT_NLMM174][1];
  ASSERT_EQ(m174.nValues, 5);
  EXPECT_EQ(MatInt(m174, 1), 2);
  EXPECT_EQ(MatInt(m174, 2), 3);
  EXPECT_EQ(MatInt(m174, 3), 2);
  EXPECT_EQ(MatValue(m174, 4), 40.5);
  EXPECT_EQ(MatValue(m174, 5), 41.5);
  EXPECT_STREQ(m174.CurveName[1], "curve A");
  EXPECT_STREQ(m174.CurveName[2], "curve B");
  EXPECT_EQ(m174.CurveA[2], 2.1);
  EXPECT_EQ(m174.CurveB[1], 1.2);
  EXPECT_EQ(m174.CurveLen[1], 3);
  EXPECT_EQ(m174.CurveLen[2], 1);
  EXPECT_EQ(m174.CurvePoint[1][3][1], 14.0);
  EXPECT_EQ(m174.CurvePoint[1][3][2], 15.0);
  EXPECT_EQ(m174.CurvePoint[2][1][2], 21.0);
  EXPECT_EQ(m174.QVector[2], 31.0);
  EXPECT_EQ(m174.Q4Vector[1], 50.0);
  EXPECT_EQ(m174.Q4Vector[8], 57.0);

  const MaterialRecord& m304 = mesh.Materials[MAT_NLMM304][1];
  ExpectScalars(m304, 37, 1, Types("18d"));
  EXPECT_STREQ(m304.Name2, "second name");
  const MaterialRecord& m306 = mesh.Materials[MAT_NLMM306][1];
  ExpectScalars(m306, 39, 1, Types("10d"));
  EXPECT_STREQ(m306.Name2, "");

  const MaterialRecord& m401 = mesh.Materials[MAT_NLMM401][1];
  ASSERT_EQ(m401.nValues, 11);
  EXPECT_EQ(MatValue(m401, 9), Expected(41, 1, 9, 'd'));
  EXPECT_EQ(MatInt(m401, 10), 2);
  EXPECT_EQ(MatValue(m401, 11), 70.5);
  EXPECT_EQ(m401.Table[2][1], 62.0);
  EXPECT_EQ(m401.Table[2][2], 63.0);

  const MaterialRecord& fa = mesh.Materials[MAT_FRC_MIXFRACTURE_2D][1];
  ASSERT_EQ(fa.nValues, 2 + 1 + 2 + 1 + 7);
  EXPECT_EQ(MatInt(fa, 3), 2);
  EXPECT_EQ(MatInt(fa, 6), 3);
  EXPECT_EQ(MatValue(fa, 13), 11.0);
  EXPECT_EQ(fa.FrcPair[2][1], 3.0);
  EXPECT_EQ(fa.FrcPair[2][2], 4.0);
  EXPECT_EQ(fa.FrcPair[1][1], 0.0);
  EXPECT_EQ(fa.FrcLaw[3][1], 5.0);
  EXPECT_EQ(fa.FrcLaw[3][7], 11.0);
  EXPECT_EQ(fa.FrcLaw[5][1], 0.0);
  EXPECT_EQ(fa.FrcWork100b[100], 0.0);
  const MaterialRecord& fb = mesh.Materials[MAT_FRC_MIXFRACTURE_2D][2];
  ASSERT_EQ(fb.nValues, 2 + 1 + 2 + 1 + 8);
  EXPECT_EQ(fb.FrcPair[1][2], 4.0);
  EXPECT_EQ(fb.FrcLaw[5][8], 12.0);

  const MaterialRecord& s103 = mesh.SpringMaterials[SPRMAT_NLSMM103][1];
  ASSERT_EQ(s103.nValues, 2);
  EXPECT_EQ(MatInt(s103, 1), 9);
  EXPECT_EQ(MatInt(s103, 2), 3);
  ASSERT_EQ(s103.ListLen, 3);
  EXPECT_EQ(s103.List1[3], 2e-3);
  EXPECT_EQ(s103.List2[3], 6.0);
  CloseFile(fp);
  FreeMesh(&mesh);
}

TEST(MaterialBlocksDeath, AccessorsRefuseWrongUse) {
  MaterialRecord m{};
  m.nValues = 2;
  m.Value[1] = 7;
  m.ValueType[1] = 'i';
  m.Value[2] = 2.5;
  m.ValueType[2] = 'd';
  EXPECT_EQ(MatInt(m, 1), 7);
  EXPECT_EQ(MatDensity(m), 2.5);
  EXPECT_EXIT(MatInt(m, 2), testing::ExitedWithCode(1), "INTERNAL ERROR");
  EXPECT_EXIT(MatValue(m, 3), testing::ExitedWithCode(1), "INTERNAL ERROR");
  EXPECT_EXIT(MatValue(m, 0), testing::ExitedWithCode(1), "INTERNAL ERROR");
  m.nValues = 1;  // no double at all
  EXPECT_EXIT(MatDensity(m), testing::ExitedWithCode(1), "INTERNAL ERROR");
}

struct BadMaterial {
  const char* tag;
  Rec rec;
  const char* message;
};

TEST(MaterialBlocksDeath, DamagedRecords) {
  const BadMaterial cases[] = {
      {"<FRC_MIXFRACTURE_2D>", Rec().S("f").D(1).D(2).I(4).D(3).D(4).I(1).Ds({1, 2, 3, 4}),
       "Block name: <FRC_MIXFRACTURE_2D>\n   -> Record counter: 1\n\nERROR:\nInvalid code of the fracture "
       "parameters: 4\\.\n"},
      {"<FRC_MIXFRACTURE_2D>", Rec().S("f").D(1).D(2).I(1).D(3).D(4).I(0).Ds({1, 2, 3, 4}),
       "Invalid code of the softening law: 0\\."},
      // a curve with more points than the record allows
      {"<NLMM174>", Rec().S("c").I(1).I(3).S("a").D(0).D(0).I(4).Ds({1, 2, 3, 4, 5, 6, 7, 8}).I(0).D(0).D(0),
       "Block name: <NLMM174>\n   -> Record counter: 1\n\nERROR:\nCurve 1 has 4 points; the record allows 0 to 3 "
       "points per curve\\.\n"},
      {"<NLMM174>", Rec().S("c").I(-1).I(3).I(0).D(0).D(0), "Invalid number of curves: -1\\."},
      {"<NLMM171>", Rec().S("l").C(0).C(0).C(0).Ds({1, 2, 3, 4, 5, 6}).I(1).D(1).I(1).D(1).I(-2),
       "Block name: <NLMM171>\n   -> Record counter: 1\n\nERROR:\nInvalid list length: -2\\.\n"},
      {"<NLSMM103>", Rec().S("l").I(1).I(1000000), "Block name: <NLSMM103>.*Invalid list length: 1000000\\."},
      // codes of the age and temperature models outside their lists
      {"<NLMM171>", Rec().S("s").C(1).C(1).C(0).Ds({0, 0, 7, 100, 38, 60}).I(4).D(0).I(0).D(0).I(0),
       "Block name: <NLMM171>\n   -> Record counter: 1\n\nERROR:\nInvalid cement class: 4 \\(valid: 1 to 3\\)\\.\n"},
      {"<NLMM171>", Rec().S("s").C(0).C(1).C(0).Ds({0, 0, 7, 100, 38, 60}).I(2).D(0).I(0).D(0).I(0),
       "Invalid drying shrinkage flag: 0 \\(valid: 1 to 2\\)\\."},
      // the code formulas of the shrinkage take f_cm in MPa, not in Pa
      {"<NLMM171>", Rec().S("s").C(1).C(1).C(0).Ds({0, 0, 7, 100, 38e6, 60}).I(2).D(0).I(0).D(0).I(0),
       "The mean compressive strength 3\\.8e\\+07 is out of range: the shrinkage law takes f_cm in MPa\n"
       "\\(at most 1000\\)\\."},
      {"<NLMM172>",
       Rec().S("s").C(1).C(1).C(0).C(0).Ds({0, 0, 0, 30, 180, 0, 0}).I(0).D(0).I(0).Ds({7, 60, 1, 50, 1, 1.2, 0})
           .I(3).D(0).I(2).D(0).I(0).Ds({0, 1, 10, 1e-4, 60}),
       "Invalid law of kt: 3 \\(valid: 1 to 2\\)\\."},
      {"<NLMM173>", Rec().S("m").I(1).D(4e4).I(1).I(0).I(0).D(0.7).D(8.314), "Invalid cement type: 0 \\(valid: 1 to 3\\)\\."},
      {"<NLMM173>", Rec().S("m").I(3).D(4e4).I(1).I(1).I(0).D(0.7).D(8.314), "Invalid equivalent age law: 3"},
      {"<NLMM175>", Rec().S("t").Is({0, 0, 1, 0, 0, 0, 0}),
       "Invalid law of the Poisson's ratio: 1 \\(only 0, a constant value, is available\\)\\."},
      {"<NLMM175>", Rec().S("t").Is({0, 2, 0, 0, 0, 0, 0}), "Invalid law of the thermal expansion coefficient: 2"},
      // the unit strains of a creep point hold ten Kelvin units
      {"<NLMM174>", Rec().S("k").I(0).I(0).I(11).Ds(std::vector<double>(11, 1.0)).D(0.5).D(7).Ds(std::vector<double>(44, 1.0)),
       "Invalid number of Kelvin units: 11 \\(valid: 0 to 10\\)\\."},
      // Kelvin chains: retardation times, modulus factor, start and unit coefficients
      {"<NLMM174>", Rec().S("k").I(0).I(0).I(2).Ds({5, -5}).D(0.5).D(7).Ds(std::vector<double>(8, 1.0)),
       "Block name: <NLMM174>\n   -> Record counter: 1\n\nERROR:\nInvalid retardation time of Kelvin unit 2: -5 "
       "\\(it must be positive\\)\\."},
      {"<NLMM174>", Rec().S("k").I(0).I(0).I(1).Ds({5}).D(0).D(7).Ds({1, 1, 1, 1}),
       "Invalid modulus factor of the creep: 0 \\(it must be positive\\)\\."},
      {"<NLMM174>", Rec().S("k").I(0).I(0).I(1).Ds({5}).D(0.5).D(-1).Ds({1, 1, 1, 1}),
       "Invalid start of creep: -1 \\(it must not be negative\\)\\."},
      {"<NLMM174>", Rec().S("k").I(0).I(0).I(1).Ds({5}).D(0.5).D(7).Ds({1, 0.2, 0.1, -3}),
       "Invalid coefficient k3 of Kelvin unit 1: -3 \\(it must be positive\\)\\."},
      // shrinkage of "<NLMM172>" where its flags switch the parts on
      {"<NLMM172>",
       Rec().S("s").C(1).C(2).C(0).C(0).Ds({0, 0, 0, 30, 180, 0, 0}).I(0).D(0).I(0).Ds({7, 60, 50, 50, 1, 1.2, 1})
           .I(1).D(0).I(2).D(0).I(0).Ds({0, 1, 10, 1e-4, 60}),
       "Block name: <NLMM172>\n   -> Record counter: 1\n\nERROR:\nInvalid kt: 0 \\(it must be positive\\)\\."},
      {"<NLMM172>",
       Rec().S("s").C(1).C(2).C(0).C(0).Ds({0, 0, 0, 30, 180, 0, 0}).I(0).D(0).I(0).Ds({7, 60, 50, 50, 1, 1.2, 1})
           .I(2).D(0).I(1).D(-20).I(0).Ds({0, 1, 10, 1e-4, 60}),
       "Invalid shrinkage half-time: -20 \\(it must be positive\\)\\."},
      {"<NLMM172>",
       Rec().S("s").C(1).C(2).C(0).C(0).Ds({0, 0, 0, 30, 180, 0, 0}).I(0).D(0).I(0).Ds({7, 60, 150, 50, 1, 1.2, 1})
           .I(2).D(0).I(2).D(0).I(0).Ds({0, 1, 10, 1e-4, 60}),
       "Invalid relative humidity: 150 \\(valid: 0 to 100 percent\\)\\."},
      {"<NLMM172>",
       Rec().S("s").C(2).C(1).C(0).C(0).Ds({0, 0, 0, 30, 180, 0, 0}).I(0).D(0).I(0).Ds({7, 60, 50, 50, 1, 1.2, 1})
           .I(2).D(0).I(2).D(0).I(0).Ds({0, 1, 0, 1e-4, 60}),
       "Invalid time constant of the autogenous shrinkage: 0 \\(it must be positive\\)\\."},
      // the Arrhenius law of the equivalent age divides by the gas constant
      {"<NLMM173>", Rec().S("m").I(2).D(4e4).I(1).I(1).I(0).D(0.7).D(0), "Invalid gas constant: 0 \\(it must be positive\\)\\."},
  };
  for (const BadMaterial& c : cases) {
    Model model;
    testmodel::AddRecord(model, c.tag, c.rec);
    EXPECT_EXIT(
        {
          MeshData mesh;
          WriteAndReadMesh(model, &mesh);
        },
        testing::ExitedWithCode(1), c.message)
        << c.tag;
  }
}

namespace {

// Values in file order for a layout that its read checks accept: distinct positive
// doubles, bytes 1, int32 codes 1 and each list count 2 (its items follow); the laws of
// "<NLMM175>" that take only 0 are 0, the tensile strength of "<NLMM211>" negative.
std::vector<double> AcceptedValues(const MaterialFormat& row) {
  std::vector<std::string> items;
  std::istringstream in(row.layout);
  for (std::string item; in >> item;) items.push_back(item);
  std::vector<double> v;
  for (size_t i = 0; i < items.size(); i++) {
    const std::string& item = items[i];
    if (item == "S") continue;
    if (item == "Ld" || item == "T2" || item == "P") {
      for (int k = 0; k < (item == "Ld" ? 2 : 4); k++) v.push_back(0.5 + 0.125 * static_cast<double>(v.size()));
      continue;
    }
    const bool counts = i + 1 < items.size() && (items[i + 1] == "Ld" || items[i + 1] == "T2" || items[i + 1] == "P");
    for (int k = 0; k < std::stoi(item); k++) {
      const char t = item.back();
      v.push_back(t == 'd' ? 1.0 + 0.125 * static_cast<double>(v.size()) : (counts ? 2 : 1));
    }
  }
  if (std::string(row.keyword) == "_NLMM175") v[2] = v[6] = 0;
  if (std::string(row.keyword) == "_NLMM211") v[7] = -v[7];  // the tensile strength is negative
  return v;
}

}  // namespace

// Every material and spring-material record, from the format rows: the test writer
// writes it in its row's layout, the program's reader reads it back (block by block
// in the row's place, its checks included) value for value, lists and strings too. The
// two kinds with readers of their own are written field by field.
TEST(MaterialFormats, EveryRecordWrittenAndReadBack) {
  Model model;
  std::vector<std::vector<double>> written;
  auto add = [&](const MaterialFormat& row, bool spring) {
    const std::string layout = row.layout;
    if (layout == "NLMM174") {
      // 1 curve of at most 2 points, q = 1: the Kelvin unit, the two doubles, its 4 values
      testmodel::AddRecord(model, row.tag,
                           Rec().S("creep").I(1).I(2).S("curve").D(0.5).D(0.25).I(2).Ds({0, 1, 2, 3}).I(1).D(5)
                               .D(1.5).D(2.5).Ds({1, 2, 3, 4}));
    } else if (layout == "FRC") {
      testmodel::AddRecord(model, row.tag, Rec().S("fracture").D(1).D(2).I(2).D(3).D(4).I(1).Ds({5, 6, 7, 8}));
    } else {
      testmodel::AddRecord(model, row.tag,
                           testmodel::MaterialOfKind(row.code, spring, row.keyword, AcceptedValues(row), "second"));
    }
  };
  for (const MaterialFormat& row : kMaterialFormats)
    if (row.layout != nullptr) add(row, false);
  for (const MaterialFormat& row : kSpringMaterialFormats) add(row, true);

  MeshData mesh;
  CloseFile(WriteAndReadMesh(model, &mesh));
  auto expect = [](const MaterialFormat& row, int n, const MaterialRecord* recs) {
    SCOPED_TRACE(row.keyword);
    ASSERT_EQ(n, 1);
    const MaterialRecord& m = recs[1];
    const std::string layout = row.layout;
    if (layout == "NLMM174") {
      ASSERT_EQ(m.nValues, 5);
      EXPECT_STREQ(m.CurveName[1], "curve");
      EXPECT_EQ(m.CurveLen[1], 2);
      EXPECT_EQ(m.CurvePoint[1][2][2], 3.0);
      EXPECT_EQ(m.QVector[1], 5.0);
      EXPECT_EQ(m.Value[4], 1.5);
      EXPECT_EQ(m.Q4Vector[4], 4.0);
      return;
    }
    if (layout == "FRC") {
      ASSERT_EQ(m.nValues, 10);
      EXPECT_EQ(m.FrcPair[2][2], 4.0);
      EXPECT_EQ(m.FrcLaw[1][4], 8.0);
      return;
    }
    EXPECT_STREQ(m.Name, row.keyword);
    const std::vector<double> v = AcceptedValues(row);
    size_t at = 0;
    int k = 0;
    std::istringstream in(layout);
    for (std::string item; in >> item;) {
      if (item == "S") {
        EXPECT_STREQ(m.Name2, "second");
      } else if (item == "Ld" || item == "T2" || item == "P") {
        ASSERT_EQ(m.ListLen, 2);
        for (int r = 1; r <= 2; r++) {
          if (item == "Ld") {
            EXPECT_EQ(m.List1[r], v[at++]);
          } else if (item == "T2") {
            EXPECT_EQ(m.Table[r][1], v[at++]);
            EXPECT_EQ(m.Table[r][2], v[at++]);
          } else {
            EXPECT_EQ(m.List1[r], v[at++]);
            EXPECT_EQ(m.List2[r], v[at++]);
          }
        }
      } else {
        for (int j = 0; j < std::stoi(item); j++) {
          k++;
          ASSERT_LE(k, m.nValues);
          EXPECT_EQ(m.ValueType[k], item.back()) << "value " << k;
          EXPECT_EQ(m.Value[k], v[at++]) << "value " << k;
        }
      }
    }
    EXPECT_EQ(m.nValues, k);
    EXPECT_EQ(at, v.size());
  };
  for (const MaterialFormat& row : kMaterialFormats)
    if (row.layout != nullptr) expect(row, mesh.nMaterials[row.code], mesh.Materials[row.code]);
  for (const MaterialFormat& row : kSpringMaterialFormats)
    expect(row, mesh.nSpringMaterials[row.code], mesh.SpringMaterials[row.code]);
  FreeMesh(&mesh);
}
