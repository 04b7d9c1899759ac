#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "numcore/numcore.h"
#include "support/process.h"

namespace {

std::string Contents(FILE* f) {
  std::string s;
  std::rewind(f);
  int c;
  while ((c = std::fgetc(f)) != EOF) s.push_back(static_cast<char>(c));
  std::fclose(f);
  return s;
}

// 2 x 3 matrix with entries 10*i + j + 0.5, and the vector (1.5, -2, 1000).
struct Data {
  double** A;
  double* x;
  Data() {
    allocd2(&A, 2, 3);
    for (int i = 1; i <= 2; i++)
      for (int j = 1; j <= 3; j++) A[i][j] = 10 * i + j + 0.5;
    allocd1(&x, 3);
    x[1] = 1.5;
    x[2] = -2.0;
    x[3] = 1000.0;
  }
  ~Data() {
    freed1(x);
    freed2(A);
  }
  std::string P2(const char* type, const char* numbers, const char* semi, int indent, char ef, int w, int p) {
    FILE* f = std::tmpfile();
    printd2(A, 2, 3, f, type, numbers, semi, indent, ef, w, p);
    return Contents(f);
  }
  std::string P1(const char* type, const char* numbers, const char* semi, int indent, char ef, int w, int p) {
    FILE* f = std::tmpfile();
    printd1(x, 3, f, type, numbers, semi, indent, ef, w, p);
    return Contents(f);
  }
};

}  // namespace

TEST(Print, MatrixTableWithNumbers) {
  Data d;
  EXPECT_EQ(d.P2("Table", "Numbers", "Semicolons", 2, 'e', 14, 6),
            "\n"
            "                       1               2               3 ;\n"
            "       1    1.150000e+01    1.250000e+01    1.350000e+01 ;\n"
            "       2    2.150000e+01    2.250000e+01    2.350000e+01 ;\n");
  EXPECT_EQ(d.P2("Table", "NoNumbers", "", 1, 'F', 6, 1), "\n   11.5   12.5   13.5\n   21.5   22.5   23.5\n");
}

TEST(Print, MatrixSingleAndCsv) {
  Data d;
  EXPECT_EQ(d.P2("", "", "", 0, 'f', 1, -3),  // indent 1, width 2, precision 0
            "\n"
            "       1        1 12\n       1        2 12\n       1        3 14\n"
            "\n"
            "       2        1 22\n       2        2 22\n       2        3 24\n");
  EXPECT_EQ(d.P2("Single", "NoNumbers", "Semicolons", 3, 'f', 6, 2),
            "\n    11.50 ;\n    12.50 ;\n    13.50 ;\n\n    21.50 ;\n    22.50 ;\n    23.50 ;\n");
  EXPECT_EQ(d.P2("CSV", "Numbers", "Semicolons", 5, 'E', 10, 3),
            "0,1,2,3\n1, 1.150e+01, 1.250e+01, 1.350e+01\n2, 2.150e+01, 2.250e+01, 2.350e+01\n");
  EXPECT_EQ(d.P2("CSV", "NoNumbers", "", 1, 'E', 18, 10),
            "  1.1500000000e+01,  1.2500000000e+01,  1.3500000000e+01\n"
            "  2.1500000000e+01,  2.2500000000e+01,  2.3500000000e+01\n");
}

TEST(Print, Vector) {
  Data d;
  EXPECT_EQ(d.P1("", "", "", 2, 'f', 8, 2),
            "\n       1      1.50\n       2     -2.00\n       3   1000.00\n");
  EXPECT_EQ(d.P1("Table", "Numbers", "Semicolons", 1, 'f', 8, 1),
            "\n        1        2        3 ;\n      1.5     -2.0   1000.0 ;\n");
  EXPECT_EQ(d.P1("Table", "NoNumbers", "NoSemicolons", 1, 'e', 10, 2),
            "\n   1.50e+00  -2.00e+00   1.00e+03\n");
  EXPECT_EQ(d.P1("CSV", "Numbers", "", 1, 'f', 2, 0), "1,2,3\n 2,-2,1000\n");
  // Indent and width are clamped to 90: every line is 90 + 90 characters long.
  EXPECT_EQ(d.P1("Single", "NoNumbers", "", 95, 'f', 95, 0).size(), 1 + 3 * (90 + 90 + 1));
  // Precision is clamped to 90 decimals.
  const std::string p = d.P1("Single", "NoNumbers", "", 1, 'f', 2, 95);
  EXPECT_EQ(p.substr(0, p.find('\n', 1) + 1), "\n 1.5" + std::string(89, '0') + "\n");
}

TEST(Print, EmptySizesPrintNothingAndCheckNothing) {
  Data d;
  FILE* f = std::tmpfile();
  printd2(d.A, 0, 3, f, "bad", "bad", "bad", 1, 'g', 14, 6);
  printd2(d.A, 2, 0, f, "bad", "bad", "bad", 1, 'g', 14, 6);
  printd1(d.x, 0, f, "bad", "bad", "bad", 1, 'g', 14, 6);
  EXPECT_EQ(Contents(f), "");
}

TEST(PrintDeath, InvalidOptions) {
  Data d;
  EXPECT_EXIT(d.P2("table", "", "", 1, 'e', 14, 6), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nInvalid szType\n\n"));
  EXPECT_EXIT(d.P1("", "numbers", "", 1, 'e', 14, 6), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nInvalid szNumbers\n\n"));
  EXPECT_EXIT(d.P2("", "", "Semicolon", 1, 'e', 14, 6), testing::ExitedWithCode(1),
              StderrIs("\nERROR:\nInvalid szSemicolons\n\n"));
  EXPECT_EXIT(d.P1("", "", "", 1, 'g', 14, 6), testing::ExitedWithCode(1), StderrIs("\nERROR:\nInvalid chEF\n\n"));
}

namespace {

void PrintTwoRows() {
  int count[4] = {0, 2, 0, 1};
  int r1[3] = {0, 1, 3}, r3[2] = {0, 3};
  double v1[3] = {0, 4.0, -1.25e-3}, v3[2] = {0, 2.0};
  int* col[4] = {nullptr, r1, nullptr, r3};
  double* val[4] = {nullptr, v1, nullptr, v3};
  PrintSparseMat(3, "-- KFF:", "K", count, col, val);
  PrintSparseMat(0, "-- KPF:", "K", count, col, val);
}

}  // namespace

TEST(Print, SparseRows) {
  const ChildResult r = RunChild("", PrintTwoRows);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "-- KFF:\n"
            "K[     1][     1] =   4.0000000000e+00\n"
            "K[     1][     3] =  -1.2500000000e-03\n"
            "......................................\n"
            "......................................\n"
            "K[     3][     3] =   2.0000000000e+00\n"
            "......................................\n"
            "-- KPF:\n");
}
