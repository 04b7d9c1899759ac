// Diagnostic text prints of 1-based vectors, dense matrices and sparse row lists.
#include "numcore/numcore.h"

#include <cstdio>
#include <cstring>

namespace {

enum PrintLayout { kSingle = 1, kTable = 2, kCsv = 3 };

struct PrintFormat {
  int layout;
  bool numbers;
  bool semicolons;
  char conv;  // 'e' or 'f'
  int indent;
  int width;
  int precision;
};

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

PrintFormat CheckOptions(const char* szType, const char* szNumbers, const char* szSemicolons, int indent,
                         char chEF, int width, int precision) {
  PrintFormat f{};
  if (std::strcmp(szType, "Single") == 0 || szType[0] == '\0')
    f.layout = kSingle;
  else if (std::strcmp(szType, "Table") == 0)
    f.layout = kTable;
  else if (std::strcmp(szType, "CSV") == 0)
    f.layout = kCsv;
  else
    errexit("Invalid szType", 0);

  if (std::strcmp(szNumbers, "Numbers") == 0 || szNumbers[0] == '\0')
    f.numbers = true;
  else if (std::strcmp(szNumbers, "NoNumbers") == 0)
    f.numbers = false;
  else
    errexit("Invalid szNumbers", 0);

  if (std::strcmp(szSemicolons, "Semicolons") == 0)
    f.semicolons = true;
  else if (std::strcmp(szSemicolons, "NoSemicolons") == 0 || szSemicolons[0] == '\0')
    f.semicolons = false;
  else
    errexit("Invalid szSemicolons", 0);

  switch (chEF) {
    case 'e':
    case 'E':
      f.conv = 'e';
      break;
    case 'f':
    case 'F':
      f.conv = 'f';
      break;
    default:
      errexit("Invalid chEF", 0);
  }
  f.indent = Clamp(indent, 1, 90);
  f.width = Clamp(width, 2, 90);
  f.precision = Clamp(precision, 0, 90);
  return f;
}

// The value in the run-time format "%<width>.<precision>l<e|f>".
void Value(FILE* fp, const PrintFormat& f, double v) {
  if (f.conv == 'e')
    std::fprintf(fp, "%*.*e", f.width, f.precision, v);
  else
    std::fprintf(fp, "%*.*f", f.width, f.precision, v);
}

void Indent(FILE* fp, const PrintFormat& f) { std::fprintf(fp, "%*s", f.indent, ""); }

void LineEnd(FILE* fp, const PrintFormat& f) {
  if (f.semicolons) std::fputs(" ;", fp);
  std::fputc('\n', fp);
}

}  // namespace

void printd2(double** A, int n, int m, FILE* fp, const char* szType, const char* szNumbers,
             const char* szSemicolons, int indent, char chEF, int width, int precision) {
  if (n < 1 || m < 1) return;
  const PrintFormat f = CheckOptions(szType, szNumbers, szSemicolons, indent, chEF, width, precision);
  switch (f.layout) {
    case kSingle:
      for (int i = 1; i <= n; i++) {
        std::fputc('\n', fp);
        for (int j = 1; j <= m; j++) {
          if (f.numbers) std::fprintf(fp, "%8d %8d", i, j);
          Indent(fp, f);
          Value(fp, f, A[i][j]);
          LineEnd(fp, f);
        }
      }
      break;
    case kTable:
      std::fputc('\n', fp);
      if (f.numbers) {
        std::fprintf(fp, "%8s", "");
        for (int j = 1; j <= m; j++) {
          Indent(fp, f);
          std::fprintf(fp, "%*d", f.width, j);
        }
        LineEnd(fp, f);
      }
      for (int i = 1; i <= n; i++) {
        if (f.numbers) std::fprintf(fp, "%8d", i);
        for (int j = 1; j <= m; j++) {
          Indent(fp, f);
          Value(fp, f, A[i][j]);
        }
        LineEnd(fp, f);
      }
      break;
    case kCsv:
      if (f.numbers) {
        std::fputs("0,", fp);
        for (int j = 1; j < m; j++) std::fprintf(fp, "%d,", j);
        std::fprintf(fp, "%d\n", m);
      }
      for (int i = 1; i <= n; i++) {
        if (f.numbers) std::fprintf(fp, "%d,", i);
        for (int j = 1; j < m; j++) {
          Value(fp, f, A[i][j]);
          std::fputc(',', fp);
        }
        Value(fp, f, A[i][m]);
        std::fputc('\n', fp);
      }
      break;
    default:
      interror(__FILE__, __LINE__);
  }
}

void printd1(double* x, int n, FILE* fp, const char* szType, const char* szNumbers, const char* szSemicolons,
             int indent, char chEF, int width, int precision) {
  if (n < 1) return;
  const PrintFormat f = CheckOptions(szType, szNumbers, szSemicolons, indent, chEF, width, precision);
  switch (f.layout) {
    case kSingle:
      std::fputc('\n', fp);
      for (int i = 1; i <= n; i++) {
        if (f.numbers) std::fprintf(fp, "%8d", i);
        Indent(fp, f);
        Value(fp, f, x[i]);
        LineEnd(fp, f);
      }
      break;
    case kTable:
      std::fputc('\n', fp);
      if (f.numbers) {
        for (int i = 1; i <= n; i++) {
          Indent(fp, f);
          std::fprintf(fp, "%*d", f.width, i);
        }
        LineEnd(fp, f);
      }
      for (int i = 1; i <= n; i++) {
        Indent(fp, f);
        Value(fp, f, x[i]);
      }
      LineEnd(fp, f);
      break;
    case kCsv:
      if (f.numbers) {
        for (int i = 1; i < n; i++) std::fprintf(fp, "%d,", i);
        std::fprintf(fp, "%d\n", n);
      }
      for (int i = 1; i < n; i++) {
        Value(fp, f, x[i]);
        std::fputc(',', fp);
      }
      Value(fp, f, x[n]);
      std::fputc('\n', fp);
      break;
    default:
      interror(__FILE__, __LINE__);
  }
}

void PrintSparseMat(int n, const char* title, const char* name, const int* count, int** col, double** val) {
  // The title stands on its own line, so that every stored term has a line of its own.
  std::printf("%s\n", title);
  for (int i = 1; i <= n; i++) {
    for (int k = 1; k <= count[i]; k++) std::printf("%s[%6d][%6d] = %18.10le\n", name, i, col[i][k], val[i][k]);
    std::printf("......................................\n");
  }
}

void PrintFreePrescVector(const char* name, int nF, int nP, double* vF, double* vP) {
  std::printf("\n%s (Free):\n", name);
  printd1(vF, nF, stdout, "", "", "", 1, 'E', 18, 10);
  std::printf("\n%s (Presc):\n", name);
  printd1(vP, nP, stdout, "", "", "", 1, 'E', 18, 10);
}
